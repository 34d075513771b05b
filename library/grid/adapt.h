// Grid adaptation: quadtree refinement and coarsening, and the two run-start
// drivers.
#pragma once

#include "common/storage.h"

namespace qelta {

// The gradients that the children of a split are reconstructed with: the
// stored ones, or (least squares only) those that lsq_edge_terms would give
// the present state, fitted for the cells to split alone.
enum class SplitGradients { stored, fitted };

// The cells that the last call of adapt made active: the children of its
// splits that it did not merge again, then the fathers of its merges. Only
// they, and the edge neighbours of them, have other neighbours, edges or
// states than before the call.
inline int adapted_count = 0;
inline CellArray<int> adapted_cell;
// The cells it took out of the active grid: the parents of its splits and
// the children of its merges.
inline int removed_count = 0;
inline CellArray<int> removed_cell;

// One adaptation of the whole grid: the marks of every call, then, on even
// step counts (or whatever the step when any_step is set), the splits of the
// marked cells, the merges of the families that may merge, the zones of the
// cell and edge lists, the edge lists and the boundary links. The primitive
// state of new and merged cells is left to the caller's cons_to_prim.
void adapt(bool any_step = false, SplitGradients gradients = SplitGradients::stored);
// The second half of an even-step call: merges, zone compaction, counts,
// edge lists, boundary links and the least-squares matrices (or the family
// list). m cells and s edges were split by the first half of the call, whose
// counts are not yet stored.
void coarsen_and_rebuild(int m, int s);
// Uniform refinement to minlev at run start.
void refine_uniform();
// Run-start adaptation passes, then the initial state on the adapted grid.
void init_adaptive_grid();

}  // namespace qelta
