// The grid and flow storage shared by the whole library: fixed-capacity
// arrays numbered from 1, two-dimensional ones stored column by column.
//
// Cells and edges are named by their numbers. `list_cel` holds the active
// cells at positions 1..ncell, the father cells at the top nfather positions
// and free numbers between; `list_edg` the same for edges, with the mother
// edges at the top.
//
// Edge orientation: a cell's edge 4 runs from its lower-left corner to the
// lower-right one, edge 1 from lower-right to upper-right, edge 3 from
// lower-left to upper-left and edge 2 from upper-left to upper-right. The
// cell is `ileft` of its edges 1 and 4 and `iright` of its edges 2 and 3; the
// edge normal (y2 - y1, x1 - x2) points from `ileft` to `iright`.
#pragma once

#include "common/array1.h"

namespace qelta {

constexpr int MAX_CEL = 200000;
constexpr int MAX_EDG = 400000;
constexpr int max_nbr = 7;             // columns of the node-to-cells table
constexpr int max_split = MAX_EDG / 3;  // length of list_split
constexpr int max_fam = 40000;          // length of list_fam

template <class T>
using CellArray = Array1<T, MAX_CEL>;
template <class T, int M>
using CellColumns = Array2<T, MAX_CEL, M>;
template <class T>
using EdgeArray = Array1<T, MAX_EDG>;
template <class T, int M>
using EdgeColumns = Array2<T, MAX_EDG, M>;

struct GridCounts {
    int ncell;    // active cells
    int nfather;  // father cells
    int ncell0;   // cells of the grid as built at run start
    int nedge;    // active edges
    int nmother;  // mother edges
    int nbedge, niedge, nsplit;  // lengths of list_bedge, list_iedge, list_split
    int nfam;     // length of list_fam
};

inline GridCounts grid;

// Lists.
inline CellArray<int> list_cel;
inline EdgeArray<int> list_edg;
inline EdgeArray<int> list_bedge;
inline EdgeArray<int> list_iedge;
inline Array1<int, max_split> list_split;
inline Array1<int, max_fam> list_fam;

// Per cell.
inline CellColumns<int, 4> icedge;
inline CellArray<double> xc, yc;
inline CellArray<double> area;  // axisymmetric: the integral of 2y over the cell
inline CellArray<int> level;
inline CellArray<Logical> lfather;
inline CellColumns<int, 4> ichild;
inline CellArray<Logical> lrefine, lcoarse, lkeep;
inline CellColumns<double, 3> cmom;  // second moments about the centroid
inline CellArray<double> wspeed;     // signal speed |u| + c

// Per edge.
inline EdgeColumns<double, 4> xyedge;  // x1, y1, x2, y2
inline EdgeArray<double> edglen;
inline EdgeArray<int> ileft, iright;
inline EdgeArray<Logical> lbedge;
inline EdgeArray<int> ibtype;  // boundary type, 0 on inner edges
inline EdgeArray<Logical> lsplit;
inline EdgeColumns<int, 2> isubedge;
inline EdgeColumns<double, 2> edgratio;  // end weights of the start and end point

// Boundary types of ibtype.
namespace boundary {
constexpr int slip_wall = 1;
constexpr int open_boundary = 2;
constexpr int isothermal_wall = 3;  // no slip at twall
constexpr int no_slip_wall = 4;
constexpr int symmetry_axis = 6;
// The two no-slip types: walls in viscous runs.
constexpr bool no_slip(int type) { return type == isothermal_wall || type == no_slip_wall; }
}  // namespace boundary

// Flow state: nine per-cell columns in one block.
constexpr int nstate = 9;
inline CellColumns<double, nstate> state;

inline double& r(int c) { return state(c, 1); }
inline double& p(int c) { return state(c, 2); }
inline double& ux(int c) { return state(c, 3); }
inline double& uy(int c) { return state(c, 4); }
inline double& tem(int c) { return state(c, 5); }
inline double& cr(int c) { return state(c, 6); }
inline double& cp(int c) { return state(c, 7); }   // total energy per unit volume
inline double& cux(int c) { return state(c, 8); }
inline double& cuy(int c) { return state(c, 9); }

// Conservative columns in the order of the edge fluxes: mass, energy,
// x momentum, y momentum.
constexpr int ncons = 4;
inline double& cons(int c, int k) { return state(c, 5 + k); }

// Dormant turbulence variables (per unit mass), and the partial density of
// a second gas component.
inline CellArray<double> tk, te;
inline CellArray<double> rho2;

// Gradients: d/dx and d/dy of r, p, ux, uy (columns 1..8), of the
// temperature (gradt), and the old conservative state of two-stage schemes.
inline CellColumns<double, 8> grad;
inline CellColumns<double, 2> gradt;
inline CellColumns<double, 4> uold;

// Least-squares matrix of every cell: sums of dx^2, dx dy, dy^2 over its
// edges, and the determinant.
inline CellColumns<double, 4> lsqm;
// Gradients of the turbulence variables: d/dx, d/dy of tk, then of te.
inline CellColumns<double, 4> gradturb;

// Node-to-cells table of the current grid (node numbers up to MAX_CEL).
inline CellArray<int> nnbr;
inline CellColumns<int, max_nbr> nbrcel;

// Scratch, with a meaning of its own in each routine.
inline EdgeColumns<double, 3> work;
inline EdgeColumns<double, 4> edgflux;
inline EdgeColumns<double, 6> edgrhs;
inline EdgeColumns<int, 3> iwork;
inline CellArray<int> iwork_cel;
inline EdgeArray<int> iwork_edg;
inline CellArray<int> iwork_ad;

}  // namespace qelta
