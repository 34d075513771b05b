// The frame that every edge sweep follows: edge geometry, the refinement
// indicator, the half-step predictor, wall-corrected gradients, the hanging
// mother edges, and the cell update with its refine and coarsen marks.
#pragma once

#include <algorithm>
#include <cmath>
#include <concepts>
#include <type_traits>
#include <utility>

#include "common/lanes.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/flux.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/layout.h"

namespace qelta {

void sweep_scheme1();
void sweep_scheme2();
void sweep_scheme2_axi();
// Schemes 3 and 4: a half step, then the whole step with the fluxes of the
// half-step values (plane and axisymmetric runs alike). The first stages
// leave the state of the start of the step in place and the half-step
// primitives in uold (r, tem, ux, uy for scheme 3; r, p, ux, uy for 4).
void sweep_scheme3();
void sweep_scheme4();
void sweep_scheme3_stage1();
void sweep_scheme4_stage1();
void sweep_first_order_godunov();
// Scheme-2-type sweeps that carry more variables: the turbulence variables
// tk, te of the dormant k-epsilon model, and the partial density rho2 of a
// thermally perfect two-component gas.
void sweep_predictor_k_epsilon();
void sweep_predictor_thermal();
// Single-stage sweeps with half-step face predictors that nothing runs: HLLC
// in plane geometry, and AUFS for a mixture of the run's perfect gas with the
// thermally perfect gas of the thermal data, carrying its partial density rho2.
void sweep_predictor_hllc();
void sweep_predictor_two_gas();

// a when l, else b.
inline double rmerge(double a, double b, bool l) { return l ? a : b; }

namespace sweep {

// Primitive values and their gradients (grid/gradients.h), of one side
// (double), of both sides of an edge at once (Pair), or of one side of two
// or four edges (Pair, Quad).
using qelta::GradOf;
using qelta::PrimOf;
using qelta::Grad;
using qelta::Prim;

// One, two or four in one, the k-th in lane k (both sides of an edge: left
// in lane 0, right in lane 1); and one lane back.
template <std::same_as<Prim>... Q>
inline PrimOf<Lanes<sizeof...(Q)>> side_by_side(const Q&... q) {
    using T = Lanes<sizeof...(Q)>;
    return {T{q.r...}, T{q.p...}, T{q.u...}, T{q.v...}};
}
template <std::same_as<Grad>... G>
inline GradOf<Lanes<sizeof...(G)>> side_by_side(const G&... g) {
    using T = Lanes<sizeof...(G)>;
    return {T{g.rx...}, T{g.ry...}, T{g.px...}, T{g.py...}, T{g.ux...}, T{g.uy...}, T{g.vx...}, T{g.vy...}};
}
template <class T>
inline Prim lane(const PrimOf<T>& q, int k) {
    return {lane_of(q.r, k), lane_of(q.p, k), lane_of(q.u, k), lane_of(q.v, k)};
}

// The per-edge helpers below are inline: they run on every edge of every
// sweep, and out of line they cost more in calls than in arithmetic.

using qelta::cell_grad;
using qelta::cell_prim;

// The interior-edge passes read the cells packed by position: flow_cells
// (grid/gradients.h). pack_cells copies every active cell into it, unless
// use_fitted_cells was called since the last flow fit with nothing changed
// in between: the pack then finds them there.
void pack_cells();
// Called between the flow fit and a sweep that begins with its interior
// edges, when nothing has changed the state, the gradients or the signal
// speeds in between; the next pack_cells alone reads it.
void use_fitted_cells();

// The geometry of an interior edge from its start s and end f and the
// centroids l, r of its cells: normal N (length of the edge, from left to
// right), centroid distance d and the unit vector t from the left centroid
// to the right one, each centroid's offset to the midpoint, and y_sum =
// s.y + f.y, the axisymmetric weight of N. Of one edge, or of two or four
// in the lanes of a Pair or a Quad (where the square roots and divisions of
// several edges cost about those of one).
template <class T>
struct EdgeGeometry {
    T Nx, Ny, tx, ty, d, olx, oly, orx, ory, y_sum;
    void form(T sx, T sy, T fx, T fy, T lx, T ly, T rx, T ry) {
        T mx = 0.5 * (sx + fx), my = 0.5 * (sy + fy);
        Nx = fy - sy, Ny = sx - fx;
        T dx = rx - lx, dy = ry - ly;
        d = lane_sqrt(dx * dx + dy * dy);
        T inv_d = 1 / d;
        tx = inv_d * dx, ty = inv_d * dy;
        olx = mx - lx, oly = my - ly, orx = mx - rx, ory = my - ry;
        y_sum = sy + fy;
    }
};

// Interior edge of slot j (grid/layout.h), of the cells as pack_cells left
// them: its number and cells, their packed copies, and its geometry
// (EdgeGeometry).
struct InteriorEdge {
    int slot, edge;
    int left, right;
    const FlowCell& lcell;
    const FlowCell& rcell;
    Vec2 N, t, o_left, o_right;
    double d;
    double y_sum;
    explicit InteriorEdge(int j)
        : slot(j), edge(layout::slot_edge(slot)), left(layout::position_cell(layout::left_position(slot))),
          right(layout::position_cell(layout::right_position(slot))), lcell(flow_cells(layout::left_position(slot))),
          rcell(flow_cells(layout::right_position(slot))) {
        Vec2 s = layout::slot_start(slot), f = layout::slot_end(slot);
        EdgeGeometry<double> g;
        g.form(s.x, s.y, f.x, f.y, lcell.centre.x, lcell.centre.y, rcell.centre.x, rcell.centre.y);
        N = {g.Nx, g.Ny};
        t = {g.tx, g.ty};
        o_left = {g.olx, g.oly};
        o_right = {g.orx, g.ory};
        d = g.d;
        y_sum = g.y_sum;
    }
};

// Before a store: begins a pass of the sweep (below) unless one is open on
// the present maps.
void begin_store();

// body(g) for every interior edge in slot order, after pack_cells.
template <class Body>
void each_interior_edge(Body body) {
    pack_cells();
    begin_store();
    for (int j = 1; j <= layout::counts.interior; ++j) body(InteriorEdge(j));
}

// Interior edges by lanes: slots j, j + 1, ... in lanes 0, 1, ... of T
// (double: slot j alone; Pair: two slots; Quad: four). The cells' state
// and gradients, and the edges' geometry.
template <class T>
struct InteriorEdges : EdgeGeometry<T> {
    int slot;
    PrimOf<T> ql, qr;
    GradOf<T> gl, gr;
    T left_speed, right_speed;  // signal speeds
    explicit InteriorEdges(int j) : slot(j) {
        T lx, ly, rx, ry;
        constexpr auto lanes = lane_indices<T>;
        cells(1, ql, gl, left_speed, lx, ly, lanes);
        cells(2, qr, gr, right_speed, rx, ry, lanes);
        this->form(end(1, lanes), end(2, lanes), end(3, lanes), end(4, lanes), lx, ly, rx, ry);
    }

private:
    // One side's cells and their centroids (x, y), slot j + k in lane k.
    template <int... k>
    void cells(int side, PrimOf<T>& q, GradOf<T>& g, T& speed, T& x, T& y, std::integer_sequence<int, k...>) const {
        const FlowCell* c[] = {&flow_cells(layout::slot_links(side, slot + k))...};
        q = side_by_side(c[k]->q...);
        g = side_by_side(c[k]->g...);
        speed = T{c[k]->speed...};
        x = T{c[k]->centre.x...};
        y = T{c[k]->centre.y...};
    }
    // End point coordinate m (x1, y1, x2, y2) of the slots.
    template <int... k>
    T end(int m, std::integer_sequence<int, k...>) const {
        return T{layout::slot_ends(m, slot + k)...};
    }
};

// The most interior edges the sweeps take at a time: 4 (where the processor
// has AVX2, else 2), 2 or 1; the tests lower it to compare.
inline int max_edge_lanes = 4;

// body(InteriorEdges<T>(j)) for j = first, first + lanes of T, ... while
// that many slots are left up to slot n; returns the first slot left.
template <class T, class Body>
int each_interior_edge_in(Body& body, int first, int n) {
    int j = first;
    for (; j + lane_count<T> - 1 <= n; j += lane_count<T>) body(InteriorEdges<T>(j));
    return j;
}
// The same four at a time from slot 1, in code compiled for AVX2
// (common/lanes.h).
template <class Body>
QELTA_QUAD_LANES int each_interior_edge_quad(Body& body, int n) {
    return each_interior_edge_in<Quad>(body, 1, n);
}

// body(edges) for every interior edge in slot order, after pack_cells: four
// at a time (InteriorEdges<Quad>) where the processor has AVX2, then two at
// a time (InteriorEdges<Pair>), the last one alone (InteriorEdges<double>).
template <class Body>
void each_interior_edge_lanes(Body body) {
    pack_cells();
    begin_store();
    int n = layout::counts.interior, j = 1;
    if (max_edge_lanes >= 4 && quad_lanes()) j = each_interior_edge_quad(body, n);
    if (max_edge_lanes >= 2) j = each_interior_edge_in<Pair>(body, j, n);
    each_interior_edge_in<double>(body, j, n);
}

// A boundary edge with its one cell C (iright).
struct BoundaryEdge {
    int cell;
    Vec2 m, N, n_unit, o;
    double y_sum;
    bool wall;  // slip wall, or a no-slip wall in a viscous run
    explicit BoundaryEdge(int e);
};

// The value of each primitive at offset (ox, oy).
template <class T>
inline PrimOf<T> extrapolate(const PrimOf<T>& q, const GradOf<T>& g, T ox, T oy) {
    return {q.r + g.rx * ox + g.ry * oy, q.p + g.px * ox + g.py * oy, q.u + g.ux * ox + g.uy * oy,
            q.v + g.vx * ox + g.vy * oy};
}
inline Prim extrapolate(const Prim& q, const Grad& g, Vec2 o) { return extrapolate(q, g, o.x, o.y); }
template <class T>
inline FaceStateOf<T> face_state(const PrimOf<T>& q) {
    return {q.r, q.u, q.v, q.p};
}
// The state mirrored in a wall of unit normal n: u' = u - 2 (u . n) n.
inline Prim mirrored(const Prim& q, Vec2 n) {
    double un = q.u * n.x + q.v * n.y;
    return {q.r, q.p, q.u - 2 * un * n.x, q.v - 2 * un * n.y};
}
// (q_R - q_L)/d of each primitive.
template <class T>
inline PrimOf<T> centred_slopes(const PrimOf<T>& l, const PrimOf<T>& r, T d) {
    return {(r.r - l.r) / d, (r.p - l.p) / d, (r.u - l.u) / d, (r.v - l.v) / d};
}

// Half-step predictor of the primitive Euler equations over tau;
// inv_radius = 1/y adds the axisymmetric terms (0 in plane flow):
// rho* = rho - tau (rho div u + u . grad rho [+ rho v/y]),
// u* = u - tau (u . grad u + p_x/rho), v* likewise,
// p* = p - tau (u . grad p + gam p (div u [+ v/y])).
template <class T, class Tau, class R>
inline PrimOf<T> half_step(const PrimOf<T>& q, const GradOf<T>& g, Tau tau, R inv_radius, T gamma) {
    T div = g.ux + g.vy + q.v * inv_radius;
    return {q.r - tau * (q.r * div + g.rx * q.u + g.ry * q.v), q.p - tau * (q.u * g.px + q.v * g.py + gamma * q.p * div),
            q.u - tau * (q.u * g.ux + q.v * g.uy + g.px / q.r), q.v - tau * (q.u * g.vx + q.v * g.vy + g.py / q.r)};
}
template <class T>
inline PrimOf<T> half_step(const PrimOf<T>& q, const GradOf<T>& g, std::type_identity_t<T> tau,
                           std::type_identity_t<T> inv_radius) {
    return half_step(q, g, tau, inv_radius, T{} + run.gam);
}

// Velocity gradients of cell c corrected at a wall of unit normal n whose
// midpoint lies at offset o: 2 G' - G, where G' extrapolates to zero normal
// velocity at the midpoint.
Grad wall_corrected(int c, const Grad& g, Vec2 n, Vec2 o);

// A sweep stores the flux (mass, energy, x and y momentum) and the refinement
// indicator of every edge by slot (grid/layout.h), where the cell update
// reads them. Its passes are numbered: a pass begins with its first store
// and ends with the update (finish, finish_stage), and every slot records the
// pass that stored its flux (1) and its indicator (2).
constexpr int slot_indicator = ncons + 1;
inline Array2<double, ncons + 1, MAX_EDG> slot_fluxes;
inline Array2<int, 2, MAX_EDG> slot_pass;
struct FluxPass {
    int number = 0;     // the latest pass
    bool open = false;  // begun and not yet ended
    long maps = 0;      // layout::rebuilds() when it began
};
inline FluxPass flux_pass;

// Into slot j, in the pass begun.
inline void put_flux(int j, const Flux& F) {
    slot_fluxes(1, j) = F.mass;
    slot_fluxes(2, j) = F.energy;
    slot_fluxes(3, j) = F.xmom;
    slot_fluxes(4, j) = F.ymom;
    slot_pass(1, j) = flux_pass.number;
}
inline void put_indicator(int j, double value) {
    slot_fluxes(slot_indicator, j) = value;
    slot_pass(2, j) = flux_pass.number;
}
// By edge number (the boundary loops): the maps are brought up to date
// first, whichever pass of the sweep runs first.
inline int current_slot(int e) {
    layout::refresh();
    begin_store();
    return layout::edge_slot(e);
}
inline void store_flux(int e, const Flux& F) { put_flux(current_slot(e), F); }
inline void store_indicator(int e, double value) { put_indicator(current_slot(e), value); }
inline void store_flux(const InteriorEdge& g, const Flux& F) { put_flux(g.slot, F); }

// The flux of conservative variable k (per unit time, or times dt where the
// scheme's fluxes carry it) and the indicator that edge e got in the latest
// pass, on the grid of that pass; a stop where it got none.
double stored_flux(int e, int k);
double stored_indicator(int e);

// The indicator: max over the two cells of |g_K . t - s| / (|g_K . t| + eps rho_ref / d),
// s = (r_R - r_L)/d: 0 where the cells' density gradients match the centred difference.
template <class T>
inline T indicator_value(T r_left, T r_right, T gx_left, T gy_left, T gx_right, T gy_right, T tx, T ty, T d, T rho_ref) {
    T s = (r_right - r_left) / d;
    T noise = run.eps_filter * rho_ref / d;
    T gl = gx_left * tx + gy_left * ty;
    T gr = gx_right * tx + gy_right * ty;
    // Floored: without a noise term (eps_filter 0) a flat region has 0/0.
    T tiny = T{} + run.tiny;
    auto ratio = [&](T gk) { return lane_abs(gk - s) / lane_max(lane_abs(gk) + noise, tiny); };
    return lane_max(ratio(gl), ratio(gr));
}
inline void refinement_indicator(const InteriorEdge& g, double rho_ref) {
    const FlowCell &L = g.lcell, &R = g.rcell;
    put_indicator(g.slot, indicator_value(L.q.r, R.q.r, L.g.rx, L.g.ry, R.g.rx, R.g.ry, g.t.x, g.t.y, g.d, rho_ref));
}
template <class T>
inline void refinement_indicator(const InteriorEdges<T>& e, T rho_ref) {
    T value = indicator_value(e.ql.r, e.qr.r, e.gl.rx, e.gl.ry, e.gr.rx, e.gr.ry, e.tx, e.ty, e.d, rho_ref);
    for (int k = 0; k < lane_count<T>; ++k) put_indicator(e.slot + k, lane_of(value, k));
}
template <class T>
inline void store_flux(const InteriorEdges<T>& e, const FluxOf<T>& F) {
    for (int k = 0; k < lane_count<T>; ++k)
        put_flux(e.slot + k, {lane_of(F.mass, k), lane_of(F.energy, k), lane_of(F.xmom, k), lane_of(F.ymom, k)});
}

// Flux of a face state through N without a Riemann solver (open boundary);
// `transport` false keeps only the pressure terms (wall).
Flux open_flux(const Prim& f, Vec2 N, double weight, bool transport);

// Limits each gradient pair of g along t against the slope of that variable.
template <class T, class S>
inline GradOf<T> limited(const GradOf<T>& g, S tx, S ty, const PrimOf<S>& slope) {
    GradOf<T> o;
    limit_gradient(tx, ty, g.rx, g.ry, slope.r, o.rx, o.ry);
    limit_gradient(tx, ty, g.px, g.py, slope.p, o.px, o.py);
    limit_gradient(tx, ty, g.ux, g.uy, slope.u, o.ux, o.uy);
    limit_gradient(tx, ty, g.vx, g.vy, slope.v, o.vx, o.vy);
    return o;
}
template <class T>
inline GradOf<T> limited(const GradOf<T>& g, Vec2 t, const Prim& slope) {
    return limited(g, t.x, t.y, slope);
}
// The face of one side of an interior edge by MUSCL-Hancock: the side's
// gradients limited along t against the centred slopes, its cell state
// predicted over tau (half_step, with that side's gamma), then extrapolated
// to the midpoint at offset (ox, oy). T = Pair: both sides of one edge
// (left in lane 0, right in lane 1), or one side of two edges; T = Quad:
// one side of four edges.
template <class T, class S>
inline PrimOf<T> predicted_face(const PrimOf<T>& q, const GradOf<T>& g, S tx, S ty, const PrimOf<S>& slope, double tau,
                                S inv_radius, T gamma, T ox, T oy) {
    GradOf<T> lim = limited(g, tx, ty, slope);
    return extrapolate(half_step(q, lim, tau, inv_radius, gamma), lim, ox, oy);
}
struct FacePair {
    Prim left, right;
};
inline FacePair predicted_faces(const InteriorEdge& g, double tau, double inv_radius, double gamma_left = run.gam,
                                double gamma_right = run.gam) {
    Prim slope = centred_slopes(g.lcell.q, g.rcell.q, g.d);
    // Both sides at once.
    PrimOf<Pair> f = predicted_face(side_by_side(g.lcell.q, g.rcell.q), side_by_side(g.lcell.g, g.rcell.g), g.t.x,
                                    g.t.y, slope, tau, inv_radius, Pair{gamma_left, gamma_right},
                                    Pair{g.o_left.x, g.o_right.x}, Pair{g.o_left.y, g.o_right.y});
    return {lane(f, 0), lane(f, 1)};
}
// Boundary edges as scheme 2 treats them.
void scheme2_boundary_edges(bool axi);
// Boundary edges as scheme 1 treats them (fluxes carrying dt).
void scheme1_boundary_edges();

// Hanging mother edges (sum of the halves' fluxes, larger indicator), then
// the update of every active cell with its marks, from the fluxes and
// indicators of the pass, which it ends. Fluxes already carrying dt
// (scheme 1) are divided by the area only. A stop where an interior or
// boundary slot holds none of the pass, or the maps have been rebuilt since
// it began.
void finish(bool fluxes_carry_dt, bool axisymmetric);

// The pressure of cell c in the radial source of axisymmetric cells.
using CellPressure = double (*)(int c);
// p_h = p - (dt/2)(u p_x + v p_y + gam p (u_x + v_y) + gam p v/yc): the
// cell's pressure half a step ahead, from its raw gradients.
double half_step_pressure(int c);
// finish for one stage of a multi-stage sweep: fluxes per unit time, the
// radial source with the pressure P(c), the marks (and the indicators they
// need) only when `marks`.
void finish_stage(bool axisymmetric, CellPressure P, bool marks);

// Column k of edgrhs (an additional flux per edge) on the hanging mother
// edges: the sum of the halves, for k = 1..ncol; and its balance over cell c
// (positive into the cell).
void hanging_edgrhs(int ncol);
double edgrhs_balance(int c, int k);

}  // namespace sweep

}  // namespace qelta
