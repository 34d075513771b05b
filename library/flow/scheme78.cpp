// Schemes 7 and 8: every interior edge takes the Riemann flux of the run's
// flux code iflux between its two face states.
//   scheme 7: U1 = U0 + dt/2 B(U0), U = U0 + dt B(U1) (the midpoint rule),
//             limited linear faces and, in viscous runs, the Navier-Stokes
//             terms of the same edges with the hoop stress of axisymmetric
//             cells;
//   scheme 8: U = U0 + dt B(U0) with the cell values on the faces.
// B is a cell's flux balance divided by its area.
#include "case/cases.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/schemes.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "flow/viscous.h"
#include "grid/gradients.h"

namespace qelta {

using namespace sweep;

namespace {

// The conservative state of the start of the step: cr, cux, cuy, cp.
using SavedState = CellColumns<double, 4>;
SavedState usave7, usave8, usave7_old;

// Weights of the two passes of scheme 7.
constexpr double stage_weight[] = {0.5, 1.0};

// What a pass puts into its edge loops.
struct Pass {
    bool viscous;   // the Navier-Stokes terms (scheme 7, ns = 1)
    bool old_form;  // sweep_scheme7_old: normal-velocity limiting, zero wall velocity
};

bool axisymmetric() { return run.iaxis == 1; }

void save_state(SavedState& s) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        s(c, 1) = cr(c);
        s(c, 2) = cux(c);
        s(c, 3) = cuy(c);
        s(c, 4) = cp(c);
    }
}

void restore_state(const SavedState& s) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        cr(c) = s(c, 1);
        cux(c) = s(c, 2);
        cuy(c) = s(c, 3);
        cp(c) = s(c, 4);
    }
}

// The flux of code iflux; an unknown code passes nothing through the edge.
Flux riemann(const Prim& left, const Prim& right, Vec2 N) {
    FaceState l = face_state(left), rt = face_state(right);
    Flux F{0, 0, 0, 0};
    riemann_flux(run.iflux, l, rt, F, run.gam, N.x, N.y);
    return F;
}

// Limited gradients of the old form: r and p as usual, but of the velocity
// only the normal component un = u . n is limited along t (against its
// slope); the tangential w = u n_y - v n_x keeps its gradient, and
// u = n_x un + n_y w, v = n_y un - n_x w.
Grad limited_normal_velocity(const Grad& g, Vec2 t, Vec2 n, const Prim& slope) {
    Grad o = limited(g, t, slope);
    double ax = g.ux * n.x + g.vx * n.y, ay = g.uy * n.x + g.vy * n.y;
    double bx = g.ux * n.y - g.vx * n.x, by = g.uy * n.y - g.vy * n.x;
    limit_gradient(t.x, t.y, ax, ay, slope.u * n.x + slope.v * n.y, ax, ay);
    o.ux = n.x * ax + n.y * bx;
    o.uy = n.x * ay + n.y * by;
    o.vx = n.y * ax - n.x * bx;
    o.vy = n.y * ay - n.x * by;
    return o;
}

// Interior edges: indicator, limited faces q_K = q(K) + G'_K . o_K without a
// time predictor, the flux of code iflux and the viscous terms.
void interior_edges(const Pass& pass) {
    each_interior_edge([&](const InteriorEdge& g) {
        int e = g.edge;
        refinement_indicator(g, g.rcell.q.r);
        const Prim &ql = g.lcell.q, &qr = g.rcell.q;
        Prim slope = centred_slopes(ql, qr, g.d);
        Grad gl, gr;
        if (pass.old_form) {
            Vec2 n = (1 / edglen(e)) * g.N;
            gl = limited_normal_velocity(g.lcell.g, g.t, n, slope);
            gr = limited_normal_velocity(g.rcell.g, g.t, n, slope);
        } else {
            gl = limited(g.lcell.g, g.t, slope);
            gr = limited(g.rcell.g, g.t, slope);
        }
        Vec2 N = (axisymmetric() ? g.y_sum : 1.0) * g.N;
        Flux F = riemann(extrapolate(ql, gl, g.o_left), extrapolate(qr, gr, g.o_right), N);
        if (pass.viscous) F = F + viscous_face_flux(e);
        store_flux(g, F);
    });
}

// Boundary edges: the cell state extrapolated with its unlimited gradients;
// pressure only on walls, nothing through the axis, the open-boundary flux
// elsewhere; no-slip walls of viscous runs add their stresses and heat flux.
void boundary_edges(const Pass& pass) {
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        store_indicator(e, 0);
        if (axisymmetric() && ibtype(e) == boundary::symmetry_axis) {
            store_flux(e, {0, 0, 0, 0});
            continue;
        }
        BoundaryEdge b(e);
        Prim f = extrapolate(cell_prim(b.cell), cell_grad(b.cell), b.o);
        bool no_slip = run.ns == 1 && boundary::no_slip(ibtype(e));
        if (pass.old_form && no_slip) f.u = f.v = 0;
        Flux F = open_flux(f, b.N, axisymmetric() ? b.y_sum : 1.0, !b.wall);
        // The stresses' hoop strain takes the face velocity of the flux.
        if (pass.viscous && no_slip) F = F + viscous_wall_flux(e, !pass.old_form);
        store_flux(e, F);
    }
}

// The cell pressure of the pass in the radial source (no predictor).
double pass_pressure(int c) { return p(c); }

// U = U0 + h (F(e2) - F(e1) + F(e3) - F(e4)), h = a dt/area, through the
// frame's update from the saved state; axisymmetric runs add h G p with the
// cell pressure of this pass, and in viscous runs the hoop stress.
// `marks`: the cell indicator and the refine and coarsen marks.
void update(const SavedState& s, double a, bool viscous, bool marks) {
    restore_state(s);
    const double dt = run.dt;
    run.dt = a * dt;
    finish_stage(axisymmetric(), pass_pressure, marks);
    if (viscous && axisymmetric()) {
        viscous::Transport tr = viscous::run_transport();
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            cuy(c) += run.dt / area(c) * viscous_hoop_source(c, tr.mu(tem(c)));
        }
    }
    run.dt = dt;
}

// The marks come from the last pass, and only when the grid adapts.
void scheme7_step(SavedState& save, bool old_form) {
    const bool adapting = run.lmax > run.minlev;
    save_state(save);
    const Pass pass{run.ns == 1, old_form};
    for (double a : stage_weight) {
        if (run.ns == 1)
            ghost_gradients();
        else
            lsq_edge_terms();
        interior_edges(pass);
        boundary_edges(pass);
        update(save, a, pass.viscous, adapting && a == stage_weight[1]);
        user_flux_hook();
        cons_to_prim();
    }
}

}  // namespace

void zero_gradients() {
    for (int i = 1; i <= grid.ncell; ++i)
        for (int k = 1; k <= decltype(grad)::cols; ++k) grad(list_cel(i), k) = 0;
}

void sweep_scheme7() { scheme7_step(usave7, false); }

void sweep_scheme7_old() { scheme7_step(usave7_old, true); }

void sweep_scheme8() {
    save_state(usave8);
    zero_gradients();  // first order: the faces take the cell values
    const Pass pass{false, false};
    interior_edges(pass);
    boundary_edges(pass);
    update(usave8, 1.0, false, run.lmax > run.minlev);
    user_flux_hook();
    cons_to_prim();
}

}  // namespace qelta
