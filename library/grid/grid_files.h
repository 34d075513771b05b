// Case grid files, the grid data file and the corrections that follow
// reading.
#pragma once

namespace qelta {

void load_grid();
// Type 6 on the edges that lie on the symmetry axis (axisymmetric runs).
void check_axis();

}  // namespace qelta
