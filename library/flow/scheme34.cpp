// Schemes 3 and 4: a midpoint predictor-corrector on limited linear faces,
//   stage 1: U* = U0 + (dt/2) B(U0), faces from the cell values of U0;
//   stage 2: U  = U0 + dt B(U*), faces from the values of U* extrapolated
//            with the limited gradients of U0,
// B being a cell's flux balance over its area. Scheme 3 reconstructs the
// temperature (face pressure rho T) and takes the AUFS flux, scheme 4 the
// pressure and flux_godunov2. Boundary faces take the unlimited gradients;
// walls pass the pressure only.
//
// Also two single-stage sweeps with half-step face predictors that nothing
// runs: HLLC in plane geometry, and AUFS for a two-component gas.
#include <algorithm>

#include "case/cases.h"
#include "common/run.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "grid/gradients.h"

namespace qelta {

using namespace sweep;

namespace {

// Walls pass only the pressure, the axis of an axisymmetric run nothing, any
// other boundary the flux of its face state; `weighted` puts y1 + y2 on N.
Flux boundary_flux(int e, const BoundaryEdge& b, const Prim& f, bool weighted) {
    if (run.iaxis == 1 && ibtype(e) == boundary::symmetry_axis) return {0, 0, 0, 0};
    return open_flux(f, b.N, weighted ? b.y_sum : 1.0, !b.wall);
}

// ---- Schemes 3 and 4 ----

using FluxFunction = Flux (*)(const FaceState&, const FaceState&, double, double, double);

// The radial source's pressure in the second stage: that of the half step.
double half_step_rho_t(int c) { return uold(c, 1) * uold(c, 2); }
double half_step_p(int c) { return uold(c, 2); }

struct TwoStage {
    bool temperature;  // reconstructs T = p/rho in place of p
    FluxFunction flux;
    CellPressure second_stage_pressure;
};

constexpr TwoStage scheme3{true, flux_aufs, half_step_rho_t};
constexpr TwoStage scheme4{false, flux_godunov2, half_step_p};

enum class Stage { half, whole };

// The reconstructed variables of a cell, with T (scheme 3) or p in the
// pressure slot, and their gradients.
Prim cell_values(const TwoStage& s, int c) { return {r(c), s.temperature ? tem(c) : p(c), ux(c), uy(c)}; }
Grad reconstruction_gradients(const TwoStage& s, int c) {
    Grad g = cell_grad(c);
    if (s.temperature) {
        g.px = gradt(c, 1);
        g.py = gradt(c, 2);
    }
    return g;
}
// The same variables at the half step, as the first stage left them.
Prim half_step_values(int c) { return {uold(c, 1), uold(c, 2), uold(c, 3), uold(c, 4)}; }
// p = rho T where the pressure slot holds the temperature.
Prim with_pressure(const TwoStage& s, Prim q) {
    if (s.temperature) q.p *= q.r;
    return q;
}

// q_K = B_K + G'_K . o_K with G'_K the gradient of K limited against the
// centred slope of the start of the step, and B_K the cell's value of the
// stage; no time predictor.
void interior_edges(const TwoStage& s, Stage stage) {
    const bool axi = run.iaxis == 1;
    each_interior_edge([&](const InteriorEdge& g) {
        if (stage == Stage::whole) refinement_indicator(g, g.rcell.q.r);
        Prim ql = cell_values(s, g.left), qr = cell_values(s, g.right);
        Prim slope = centred_slopes(ql, qr, g.d);
        Grad gl = limited(reconstruction_gradients(s, g.left), g.t, slope);
        Grad gr = limited(reconstruction_gradients(s, g.right), g.t, slope);
        Prim bl = stage == Stage::whole ? half_step_values(g.left) : ql;
        Prim br = stage == Stage::whole ? half_step_values(g.right) : qr;
        Prim fl = with_pressure(s, extrapolate(bl, gl, g.o_left));
        Prim fr = with_pressure(s, extrapolate(br, gr, g.o_right));
        double w = axi ? g.y_sum : 1.0;
        store_flux(g, s.flux(face_state(fl), face_state(fr), run.gam, w * g.N.x, w * g.N.y));
    });
}

// The face state of the one cell with its unlimited gradients of r, p, u, v.
void boundary_edges(const TwoStage& s, Stage stage) {
    const bool axi = run.iaxis == 1;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        store_indicator(e, 0);
        BoundaryEdge b(e);
        Prim base = stage == Stage::whole ? with_pressure(s, half_step_values(b.cell)) : cell_prim(b.cell);
        store_flux(e, boundary_flux(e, b, extrapolate(base, cell_grad(b.cell), b.o), axi));
    }
}

// Half a step from the state of the start of the step; that state is put
// back, and uold keeps the half-step values r, T or p, ux, uy. The viscous
// chain of a viscous run sees the halved dt.
void first_stage(const TwoStage& s) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) uold(c, k) = cons(c, k);
    }
    const double dt = run.dt;
    run.dt = 0.5 * dt;
    interior_edges(s, Stage::half);
    boundary_edges(s, Stage::half);
    finish_stage(run.iaxis == 1, half_step_pressure, false);
    user_flux_hook();
    cons_to_prim();
    if (run.ns == 1) viscous_terms();
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) cons(c, k) = uold(c, k);
        Prim h = cell_values(s, c);
        uold(c, 1) = h.r;
        uold(c, 2) = h.p;
        uold(c, 3) = h.u;
        uold(c, 4) = h.v;
    }
    cons_to_prim();
    if (run.ns == 1) lsq_edge_terms();  // the viscous chain replaced them
    run.dt = dt;
}

// The whole step from the state of the start of the step with the fluxes
// of the half-step values; indicator and marks in every step.
void second_stage(const TwoStage& s) {
    interior_edges(s, Stage::whole);
    boundary_edges(s, Stage::whole);
    finish_stage(run.iaxis == 1, s.second_stage_pressure, true);
}

// ---- The two-component gas ----

// A mixture of the run's perfect gas and the thermally perfect gas of the
// thermal data, one gas constant (p = rho T), mass fraction Y = rho2/rho:
// cv/R = (1 - Y)/(gam - 1) + Y/(gamma_2(T) - 1), gamma = 1 + R/cv.
double mixture_gamma(double rho, double partial, double pres) {
    double y = partial / rho;
    double t = std::clamp(pres / rho, 0.05, 200.0);
    return 1 + 1 / ((1 - y) / run.gam1 + y / (thermal_gamma(t) - 1));
}

// The gradient of rho2 with the composition taken as locally uniform:
// Y grad rho (no gradient of its own is stored).
Vec2 partial_density_gradient(int c) {
    double y = rho2(c) / r(c);
    return {y * grad(c, 1), y * grad(c, 2)};
}

Vec2 limited_pair(Vec2 g, Vec2 t, double slope) {
    limit_gradient(t.x, t.y, g.x, g.y, slope, g.x, g.y);
    return g;
}

// One side's face: the cell state predicted over tau with the mixture's
// gamma, rho2* = rho2 - tau (u . grad rho2 + rho2 (div u [+ v/y])), both
// extrapolated by o; the face's gamma from the face state.
TwoGasFaceState two_gas_face(int c, const Grad& g, Vec2 g2, double tau, double inv_radius, Vec2 o) {
    Prim q = cell_prim(c);
    double q2 = rho2(c);
    Prim f = extrapolate(half_step(q, g, tau, inv_radius, mixture_gamma(q.r, q2, q.p)), g, o);
    double div = g.ux + g.vy + q.v * inv_radius;
    double f2 = q2 - tau * (q.u * g2.x + q.v * g2.y + q2 * div) + g2.x * o.x + g2.y * o.y;
    return {f.r, f.u, f.v, f.p, f2, mixture_gamma(f.r, f2, f.p)};
}

// The cell's pressure half a step ahead with the mixture's gamma.
double two_gas_pressure(int c) {
    Prim q = cell_prim(c);
    return half_step(q, cell_grad(c), 0.5 * run.dt, 1 / yc(c), mixture_gamma(q.r, rho2(c), q.p)).p;
}

}  // namespace

void sweep_scheme3_stage1() { first_stage(scheme3); }
void sweep_scheme4_stage1() { first_stage(scheme4); }

void sweep_scheme3() {
    sweep_scheme3_stage1();
    second_stage(scheme3);
}

void sweep_scheme4() {
    sweep_scheme4_stage1();
    second_stage(scheme4);
}

void sweep_predictor_hllc() {
    const double tau = 0.5 * run.dt;
    each_interior_edge([&](const InteriorEdge& g) {
        refinement_indicator(g, g.rcell.q.r);
        FacePair f = predicted_faces(g, tau, 0.0);
        store_flux(g, flux_hllc(face_state(f.left), face_state(f.right), run.gam, g.N.x, g.N.y));
    });
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        store_indicator(e, 0);
        BoundaryEdge b(e);
        Grad gc = cell_grad(b.cell);
        Prim f = extrapolate(half_step(cell_prim(b.cell), gc, tau, 0.0), gc, b.o);
        store_flux(e, boundary_flux(e, b, f, false));
    }
    finish(false, false);
}

void sweep_predictor_two_gas() {
    const bool axi = run.iaxis == 1;
    const double tau = 0.5 * run.dt;
    const double gas_constant = 1;  // non-dimensional: p = rho T
    each_interior_edge([&](const InteriorEdge& g) {
        int e = g.edge;
        refinement_indicator(g, g.rcell.q.r);
        int L = g.left, R = g.right;
        Prim slope = centred_slopes(g.lcell.q, g.rcell.q, g.d);
        double slope2 = (rho2(R) - rho2(L)) / g.d;
        Grad gl = limited(g.lcell.g, g.t, slope), gr = limited(g.rcell.g, g.t, slope);
        Vec2 g2l = limited_pair(partial_density_gradient(L), g.t, slope2);
        Vec2 g2r = limited_pair(partial_density_gradient(R), g.t, slope2);
        double inv_radius = axi ? 2 / g.y_sum : 0.0;
        TwoGasFaceState left = two_gas_face(L, gl, g2l, tau, inv_radius, g.o_left);
        TwoGasFaceState right = two_gas_face(R, gr, g2r, tau, inv_radius, g.o_right);
        double w = axi ? g.y_sum : 1.0;
        TwoGasFlux F = flux_aufs_two_gas(left, right, w * g.N.x, w * g.N.y, gas_constant);
        store_flux(g, {F.mass, F.energy, F.xmom, F.ymom});
        edgrhs(e, 1) = F.partial;
    });
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        store_indicator(e, 0);
        BoundaryEdge b(e);
        TwoGasFaceState f = two_gas_face(b.cell, cell_grad(b.cell), partial_density_gradient(b.cell), tau,
                                         axi ? 1 / yc(b.cell) : 0.0, b.o);
        Flux F = boundary_flux(e, b, {f.rho, f.p, f.u, f.v}, axi);
        store_flux(e, F);
        edgrhs(e, 1) = F.mass * f.rho2 / f.rho;  // the composition leaves with the mass
    }
    hanging_edgrhs(1);
    // The mixture's gamma of the source pressure is that of the start of the step.
    finish_stage(axi, two_gas_pressure, true);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        rho2(c) += run.dt / area(c) * edgrhs_balance(c, 1);
    }
}

}  // namespace qelta
