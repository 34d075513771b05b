// Routines that own the grid storage as a whole: the run-start reset, the
// built-in base grids, the cell and edge geometry, and the edge lists.
#pragma once

#include "common/storage.h"

namespace qelta {

// Run-start reset of the record's start values and the grid arrays.
void init_common();

// Built-in base grids: an L of three unit squares (the grid of runs that
// do not read a case grid), one skewed cell, a row of four unit squares.
void grid_three_cells();
void grid_one_cell();
void grid_four_cells();

// Area (plane, or the integral of 2y over the cell when axisymmetric) and,
// in family mode, second moments of every active cell; length of every
// active edge.
void cell_geometry();

// The size of every active cell in the step limit, the smaller length of
// its edges 1 and 2; up to date for the present grid on return: formed
// afresh after any change of the grid but the adaptation's, which renews
// the sizes of the cells it makes active (renew_cell_sizes).
const CellArray<double>& cell_sizes();
// After an adaptation that made cells(1..n) active: their sizes, if those
// of the grid it changed were up to date.
void renew_cell_sizes(const CellArray<int>& cells, int n);

// Forgets all father cells and mother edges.
void drop_parents();

// Rebuilds list_iedge and list_bedge from the active edges, and list_split
// from the mother edges with a leaf on at least one side.
void build_edge_lists();
// The same, leaving the layout alone (the adaptation tells it itself).
void rebuild_edge_lists();
// list_split alone (the adaptation forms the other two from what it moved).
void rebuild_split_list();

// Area of a cell from its corners: plane, the two triangles LL-LR-UR and
// LL-UR-UL; axisymmetric, the integral of 2y over the cell.
double cell_area(int c);

// Plane area A = A1 + A2 of the triangles LL-LR-UR and LL-UR-UL and the
// centroid (A1 g1 + A2 g2)/A, g1 and g2 the triangles' corner means.
struct PlaneShape {
    double area;
    double x, y;  // centroid
};
PlaneShape plane_shape(int c);

}  // namespace qelta
