// Grid adaptation: quadtree refinement and coarsening, and the two run-start
// drivers.
#pragma once

namespace qelta {

void adapt();
// Uniform refinement to minlev at run start.
void refine_uniform();
// Run-start adaptation passes, then the initial state on the adapted grid.
void init_adaptive_grid();

}  // namespace qelta
