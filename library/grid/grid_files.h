// Case grid files (neutral format), the grid data file and the corrections
// that follow reading.
#pragma once

namespace qelta {

// Converts the case grid file when it exists, then reads the grid data
// file; bends wedge grids to the asked angle.
void load_grid();
// Case grid file (meshfile) -> grid data file (gridfile). Lines out of the
// order of their ids or beyond the stated counts, cells that are not
// counterclockwise and convex (also with the six digits the grid data file
// keeps), cells that overlap and nodes of too many cells end with the fatal
// stop, naming the case grid file, the record and the node or cell.
void convert_neu();
// Grid data file -> grid storage, geometry and edge lists.
void read_celledge();
// Type 6 on the edges that lie on the symmetry axis (axisymmetric runs).
void check_axis();
// Boundary edge e lies on the axis y = 0: y1 + y2 at most 1e-6, or below 0
// by less than tol, the round-off of the grid's height (axis_tolerance).
bool on_axis(int e, double tol);
double axis_tolerance();
// Moves the nodes of a wedge grid made for nwangle degrees to wangle.
void change_wedge_angle();
// Grid smoothing after reading.
void optgrid();
// End-point correction of boundary cells.
void relax_hanging_nodes(int mode);

}  // namespace qelta
