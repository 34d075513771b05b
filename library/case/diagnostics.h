// Diagnostic writers for studying a run: histories of the axis shock front,
// the wall heat flux and pressure probes; profiles along the wall, the axis
// and the line x = 1; numbered snapshots (cell-vertex file and Tecplot
// file); error norms against a moving normal shock and the Prandtl-Meyer
// expansion round a 30-degree corner. No entry point calls them. Each writer
// opens, writes and closes its own files; the history writers take the
// recorder modes 0 open (and header), 1 write a row, 2 close.
#pragma once

#include <string>
#include <string_view>

#include "case/forces.h"
#include "common/storage.h"

namespace qelta {

// ---- File names, clock, ordering, searches --------------------------------

// The three digits of n (0..999) followed by a six-character suffix:
// make_file_name(7, "cv.dat") = "007cv.dat". A number outside 0..999 stops.
std::string make_file_name(int n, std::string_view suffix);
// Two digits (tens, units) and the suffix; nothing calls it.
std::string make_file_name2(int n, std::string_view suffix);
// Seconds since midnight of the local system clock.
double elapsed_secs();
// Orders items 1..count by ascending key work(i,2): on return iwork(k,1) is
// the item of rank k; equal keys keep their input order.
void sort_by_key(int count);

// Boundary edge (any type, or wall types 3 and 4) whose midpoint is nearest
// to (x, y) by |xm - x| + |ym - y|; the first of equal distances wins, 0
// when there is none. The cell versions return that edge's ileft (0: none).
int nearest_wall_edge(double x, double y);
int nearest_boundary_edge(double x, double y);
int nearest_wall_cell(double x, double y);
int nearest_boundary_cell(double x, double y);

// ---- Wall quantities ------------------------------------------------------

// Heat flux |dT/dn| (1 + S_k) Tc^1.5/(Tw + S_k) at wall edge e, the
// temperature gradient corrected toward twall (gradients must be current).
double wall_edge_heat_flux(int e);
// The boundary gradients with the viscous wall images.
void refresh_wall_gradients();
// Heat flux at the listed wall edges: flux(i) for edges(i), i = 1..count.
template <class Fluxes, class Edges>
void wall_heat_flux(Fluxes& flux, const Edges& edges, int count) {
    refresh_wall_gradients();
    for (int i = 1; i <= count; ++i) flux(i) = wall_edge_heat_flux(edges(i));
}

// Parabola f(x) = f(0) + a x + b x^2/2 through (c, fc), (0, f0), (bx, fb).
void quad_fit(double c, double bx, double fc, double f0, double fb, double& a, double& b);

// Circulation along the boundary, sum of s ((x2 - x1) u + (y2 - y1) v) over
// the boundary edges, s the orientation of the edge about its cell.
double circulation();

// ---- Histories ------------------------------------------------------------

// "sfront.cnr" on unit 41 (appended to when it exists): the front on the axis.
void record_shock_front(int mode);
// Finds the axis front (from step 50 on) and writes its row.
void locate_shock_front();
// "heat1.his"/"heat2.his" on units 15/16: the heat flux at 13 stations on the
// unit circle, in W/cm^2, against the time in milliseconds.
void record_wall_heat(int mode);
// The same at 17 stations, interpolated along the isothermal wall, in W/m^2.
void record_wall_heat17(int mode);
// Eleven pressure probes on the axis, files NNNpt.his on units 51..61.
void record_probes(int mode);

// ---- Profiles -------------------------------------------------------------

// NNNwl.txt (NNN = nout): per isothermal wall edge in order of midpoint x,
// distance from the origin (mm), pressure (Pa), heat flux into the wall
// (W/m^2) and the wall shear stress along the tangent t = (-n_y, n_x) of
// the body's inward normal n (Pa).
void write_wall_profile();
// NNNx1.dat (NNN = 100 lmax + iflux): the cells on the line x = 1.
void write_line_profile();
// NNNct.cnr (NNN = nout): the cells on the axis.
void write_axis_profile();

// ---- Snapshots ------------------------------------------------------------

// Snapshot nout at every quarter of tend (from 0); start is the value of
// elapsed_secs at the start of the run.
void write_snapshot(double t, double start);
// The cell-vertex file `name` and/or the Tecplot file "tb" + name, by itecout.
void write_tecplot(std::string_view name);

using NodeColumn = Array1<double, MAX_CEL>;
using CellNodeTable = Array2<int, MAX_CEL, 4>;
// The Tecplot file alone: nodes 1..nnode, cells 1..ncell with their four
// node numbers.
void write_tecplot_ascii(std::string_view name, int nnode, int ncell, const NodeColumn& x, const NodeColumn& y,
                         const NodeColumn& r, const NodeColumn& p, const NodeColumn& ux, const NodeColumn& uy,
                         const CellNodeTable& cells);

// ---- Error norms ----------------------------------------------------------

// "pm.dat" on unit 43: area-weighted L1 and L2 errors of r, p, u, v against
// the Prandtl-Meyer expansion, on the sector 0.5 <= radius <= 1, 45 to 75
// degrees from the y axis.
void pm_error_norms(int mode);
// One log row: density errors against the moving normal shock at x = 3.
void shock_error_norms();

// ---- Exact solutions and small formulas -------------------------------------

// Prandtl-Meyer function nu(M) = c atan(sqrt(M^2 - 1)/c) - atan(sqrt(M^2 - 1)),
// c = sqrt((gam + 1)/(gam - 1)), in radians.
double pm_angle(double m, double gam);
// M in [1, 100] with nu(M) = nu, by bisection; a target outside stops.
double pm_mach(double nu, double gam);
// Angle of the fan ray of Mach number M from the sonic ray,
// c asin(sqrt((M^2 - 1)/(2/(gam - 1) + M^2))).
double pm_ray_angle(double m, double gam);

// The corner expansion: Mach number behind it and the angles of its first
// and last rays, measured from the +y axis towards +x.
struct PmTurn {
    double m2, first_ray, last_ray;
};
PmTurn pm_turn(double m1, double gam);

struct Primitive {
    double r, p, ux, uy;
};
// Exact state at (x, y) for a stream of Mach m1 (r = p = 1, along +x)
// turned by 30 degrees towards -y at a corner at the origin.
Primitive pm_exact_state(double x, double y, double m1, double gam);

// Isentropic ratios of state 2 to state 1 at the same total state, b = (gam - 1)/2:
// p2/p1 = ((1 + b M1^2)/(1 + b M2^2))^(gam/(gam - 1)),
// c2/c1 = ((1 + b M1^2)/(1 + b M2^2))^(1/2), rho2/rho1 = (...)^(1/(gam - 1)).
double isentropic_p_ratio(double gam, double m1, double m2);
double isentropic_c_ratio(double gam, double m1, double m2);
double isentropic_rho_ratio(double gam, double m1, double m2);
// Shock-tube diaphragm pressure ratio p4/p1 for shock Mach number ms, one gas.
double shock_tube_p41(double ms, double gam, double a41);
// Fraction of [a, b] between f = (time + dt/2) sqrt(gam) and 1; 0 once
// time >= 1/sqrt(gam).
double front_fraction(double a, double b);
// 1 - a/b for b >= a (b > 0), else 0.
double excess_fraction(double a, double b);

}  // namespace qelta
