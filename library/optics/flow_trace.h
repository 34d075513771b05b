// Ray tracing of the test section through the flow.
//
// The flow grid lies in the bench's (z, r) plane (grid x along z, grid y as
// the radius, both scaled by 50). `symmetry_ray_tracing` spins it about the
// z axis and follows every ray from the left window of the test section
// (element 3) to its right window, refracting it at every cell edge by
// Snell's law; `walk_rays_section` is the planar cell walker, which takes
// the flow as extended unchanged along the optical axis x.
//
// Argument kinds:
// - The program's arrays (iopara, ropara, ray_z, ray_y, ray_cells,
//   cell_weight, cell_nodes, hang_nodes) are exchange views: elements count
//   from 0 and hold ray and node numbers counted from 1; view.nth(n) is the
//   entry of number n. A library array can be passed as
//   ExchangeArray<T>(a.data(), length) when it is 1-based storage of the
//   same layout. The tracers only read iopara, ropara, ray_cells,
//   cell_nodes and hang_nodes.
//   ray_cells: 4 columns of 200000 rows, ray k of ray-grid cell c in
//   column k - 1 at nth(c); cell_nodes likewise for the flow cells
//   (counter-clockwise corners); hang_nodes: the parents of hanging node i
//   at nth(2i - 1) and nth(2i).
// - The library's optics storage is passed as Array1/Array2 with 200000
//   rows: per flow node optic_z, optic_r, nm1 (refractive index minus one);
//   per flow cell dnm1_dz, dnm1_dr; per ray ray_dir (dx, dy, dz) and
//   ray_pos (x, y, z).
// - Element tables: 20 slots of 20 elements, slot s of element k at (s, k).
// - Scalars that are only read pass by value, those written by reference.
//
// The cells round each node are listed from cell_nodes itself
// (list_node_cells), so that the tracers rely on nothing but the tables
// they are given.
#pragma once

#include "common/array1.h"
#include "common/exchange.h"
#include "optics/optics.h"

namespace qelta {

using FlowNodeReals = Array1<double, max_flow>;  // per flow node or per flow cell
using RayColumns = Array2<double, max_rays, 3>;  // per ray: x, y, z or dx, dy, dz

// Carries every ray from the left window through the flow, taken as a body
// of revolution about the z axis, to the right window x_R = X + D/2 of
// element 3 (type 501, else fatal stop "Found a unknown optical element
// RWB!"). On return every ray's position at x_R is in ray_pos and its z, y
// in ray_z, ray_y; its direction there in ray_dir. A ray-grid cell one of
// whose corner rays stopped inside the flow at x < 0 (at a body's surface,
// not where it left through the grid's outer sides z = zmin, z = zmax,
// r = rmax) gets weight 0. Writes section = 3.
//
// Arguments 1..32 in this order; 1, 2, 5, 12, 13, 18 and 19 are not read
// (pass anything, e.g. 0 for the spare scalars). Corner nodes outside
// 1..nnode are left out of the cells round the nodes.
void symmetry_ray_tracing(ExchangeArray<int> iopara, ExchangeArray<double> ropara,
                          const Array2<int, 20, 20>& elem_ipar, const Array2<double, 20, 20>& elem_par,
                          int spare5, int& section, ExchangeArray<double> ray_z, ExchangeArray<double> ray_y,
                          int nrays, ExchangeColumns<int> ray_cells, int nraycells, int spare12, int spare13,
                          double zmin, double zmax, double rmin, double rmax, double spare18, double spare19,
                          const FlowNodeReals& optic_z, const FlowNodeReals& optic_r, int nnode,
                          ExchangeColumns<int> cell_nodes, int ncell, ExchangeArray<int> hang_nodes, int nhang,
                          const FlowNodeReals& nm1, const FlowNodeReals& dnm1_dz, const FlowNodeReals& dnm1_dr,
                          RayColumns& ray_dir, RayColumns& ray_pos, ExchangeArray<double> cell_weight);

// Work of the last symmetry_ray_tracing call (read by the benchmark): the
// time of the start-cell search (index included) and of the walk, the rays
// walked and their cell steps.
struct TraceStats {
    double search_seconds, walk_seconds;
    int traced;
    long steps;
};
inline TraceStats trace_stats;

// Planar cell walker. Ray i is taken to start on grid node i when it lies
// exactly there (the walker's own layout: one ray per node); any other ray
// starts in the first cell that holds its start point. Rays start at
// (x_L, ray_y(i), ray_z(i)) with the direction walk_dir(i, 1..3) and are
// walked from cell to cell to the right window. The rays of hanging nodes
// (rays 1..nhang lying on their nodes) take the mean of their parents'
// final positions and directions. On return ray_pos and walk_dir hold the
// final positions and directions, ray_z and ray_y the final z and y.
// iopara slot 6 = 1 repeats every step along the mean of the incoming and
// the refracted directions. Element 3 not 501: fatal stop "Found a unknown
// optical element RWB!"; an axisymmetric run (iaxis not 0): fatal stop
// "Axisymmetric case not completed..RW!".
void walk_rays_section(ExchangeArray<int> iopara, const Array2<int, 20, 20>& elem_ipar,
                       const Array2<double, 20, 20>& elem_par, ExchangeArray<double> ray_z,
                       ExchangeArray<double> ray_y, int nrays, const FlowNodeReals& optic_z,
                       const FlowNodeReals& optic_r, int nnode, ExchangeColumns<int> cell_nodes, int ncell,
                       ExchangeArray<int> hang_nodes, int nhang, const FlowNodeReals& nm1,
                       const FlowNodeReals& dnm1_dz, const FlowNodeReals& dnm1_dr, RayColumns& walk_dir,
                       RayColumns& ray_pos);

// Twin of trace_test_section for the planar walker: the ray grid over the
// light domain and its rays at the left window, the walk (picture places
// up to 100) or the straight crossing, the recording optics without cutoff
// and the mapping. Sets nelem to 5.
void trace_test_section_walk(Logical& first_picture, Vec3 source, int& nvalues, ExchangeArray<double> ropara,
                             ExchangeArray<int> iopara, const ElementReals& elem_par,
                             const ElementCodes& elem_ipar, int& nelem, const FlowGrid& flow,
                             const LightDomain& light, const RayGrid& rays, const PictureArgs& pic);

// ---- Steps of the axisymmetric tracer ----

// The flow grid as the tracers read it.
struct FlowTables {
    const FlowNodeReals& optic_z;
    const FlowNodeReals& optic_r;
    ExchangeColumns<int> cell_nodes;
    int ncell;
    ExchangeArray<int> hang_nodes;
    int nhang;
    const FlowNodeReals& nm1;
    const FlowNodeReals& dnm1_dz;
    const FlowNodeReals& dnm1_dr;

    int corner(int c, int k) const { return cell_nodes[k - 1].nth(c); }
    int parent(int h, int k) const { return hang_nodes.nth(2 * (h - 1) + k); }
};

// Lists the cells round every node 1..nnode from the cell table, in cell
// order; advance_ray_cell and the walker find neighbours there. The two
// tracers list them themselves.
void list_node_cells(const FlowTables& flow, int nnode);

// Snell's law across a surface of normal N (any length, either side):
// eta = (1 + q1)/(1 + q2), c = |d.N|, t = eta d + s (sqrt(1 - eta^2 (1 - c^2)) - eta c) N,
// s the sign of d.N, with d a unit vector and q the refractivity n - 1. The
// radicand is floored at 1e-30 (floored is then set): a grazing ray leaves
// along the surface instead of reflecting. Normalises N in place; returns t
// normalised.
Vec3 snell_refract(Vec3 d, Vec3& normal, double q1, double q2, bool& floored);

// True when (z, r) lies strictly inside cell c (all four edge cross
// products positive).
bool point_in_quad(const FlowTables& flow, int c, double z, double r);

// One step of a ray through cell c: the exit crossing, the refractivity
// there, the refraction and the next cell.
struct CellStep {
    Vec3 pos, dir;      // after the step
    double q;           // refractivity carried from pos
    int next_cell;
    int exit_a, exit_b;  // edge left through: the next step's entry edge
    bool left_flow;     // no exit crossing, or out through the grid's boundary
    bool at_window;     // reached the right window inside the cell
    // The refraction made: the direction it bent (after any re-aim off a
    // node), the unit normal it used, the refractivity before it, and
    // whether Snell's radicand was floored.
    Vec3 dir_in, normal;
    double q_in;
    bool floored;
};
CellStep advance_ray_cell(const FlowTables& flow, Vec3 pos, Vec3 dir, int c, double x_right, double q,
                          int entry_a, int entry_b);

// Follows one ray from (pos, radius r_start) in cell c until it reaches
// x_right or leaves the flow; a ray still inside after max_steps steps is
// taken as having left the flow where it is.
struct RayEnd {
    Vec3 pos, dir;
    int steps;
    bool step_limit;     // stopped by max_steps
    bool at_window;      // reached x_right inside the flow
    int exit_a, exit_b;  // otherwise the edge it left through (0, 0: no exit found)
};
RayEnd trace_ray_cells(const FlowTables& flow, Vec3 pos, double r_start, Vec3 dir, int c, double x_right,
                       int max_steps);
// Steps allowed per ray in a grid of ncell cells.
int ray_step_limit(int ncell);

// ---- Planar walker ----

// Exit side of cell c for a ray at (pz, py) on its entry side (ea, eb), with
// the transverse direction (vz, vy): of the three other sides, the one whose
// end nodes give the smallest product of the cross products v x (n - P),
// the first of equals in corner order. A product <= 0 means the line meets
// the side, so a ray starting on a corner still finds the side it crosses
// and not the one through its own corner. False when (ea, eb) is no side of
// c or the line meets none of the others. Not called by the walker, which
// takes the first side whose ends lie on opposite sides of the line.
bool exit_edge_min_cross(const FlowTables& f, int c, int ea, int eb, double pz, double py, double vz, double vy,
                         int& a, int& b);

}  // namespace qelta
