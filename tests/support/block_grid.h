// Small grids built straight into the grid storage, for tests that need
// more than the built-in three cells. Call after init_common (the lists must
// hold their run-start identity); the flow state is left as it is.
#pragma once

namespace qelta::testing {

// A uniform block of nx by ny square cells of side h with its lower-left
// corner at (x0, y0). Cells are numbered row by row from the lower left,
// cell (i, j) = (j - 1) nx + i. The edges running south to north come first,
// row by row ((nx + 1) per row, west to east), then those running west to
// east, line by line from the bottom (nx per line). Every cell has the edge
// orientation of the storage (edge 1 east, 2 north, 3 west, 4 south); the
// boundary edges hold their cell on both sides, are lbedge and have ibtype 1,
// the inner edges ibtype 0. Sets the counts, level 0, the centroids, then
// calls cell_geometry (with the current run.iaxis) and build_edge_lists.
void block_grid(int nx, int ny, double x0, double y0, double h);

// Refines the active cell c into four children the way the adaptation does:
// children from the free cell numbers (ichild 1..4 = the south-east,
// north-east, north-west and south-west quarters), four inner edges from the
// centre point, each of c's edges not split yet halved at its midpoint (all
// end weights 1.0, no projection onto a case body), the halves' cell links
// on c's side set to the children, the split edges moved to the top of
// list_edg and c to the top of list_cel as a father. Children take c's flow
// state, tk and te and level(c) + 1. Finishes with the boundary links (both
// sides the finer cell), cell_geometry and build_edge_lists. Splitting next
// to a coarser edge neighbour, or a cell that is not active, aborts.
void split_cell(int c);

}  // namespace qelta::testing
