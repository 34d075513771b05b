// Scheme 1: a centred face gradient, a face state predicted over a
// fraction of the step, its physical flux, and a dissipation whose weight
// follows the smoothness of the solution across the edge and the local
// Courant number. The fluxes are integrated over the step (they carry dt).
#include <algorithm>
#include <cmath>

#include "common/run.h"
#include "flow/sweep.h"

namespace qelta {

using namespace sweep;

namespace {

// One edge (T = double) or two or four in the lanes of a Pair or a Quad,
// each lane with the operations of one edge.

// The mean of the two cells' gradients of one variable, corrected along t
// to the centred difference s: gm + (s - gm . t) t.
template <class T>
void face_gradient(T glx, T gly, T grx, T gry, T s, T tx, T ty, T& fx, T& fy) {
    T mx = 0.5 * (glx + grx), my = 0.5 * (gly + gry);
    T c = s - (mx * tx + my * ty);
    fx = mx + c * tx;
    fy = my + c * ty;
}

// Smoothness across the edge seen from cell K: the mismatch of its
// gradients with the centred differences, relative to the gradients.
template <class T>
T smoothness_ratio(const GradOf<T>& g, const PrimOf<T>& s, T tx, T ty, const PrimOf<T>& Q, T d) {
    T r = g.rx * tx + g.ry * ty, p = g.px * tx + g.py * ty, u = g.ux * tx + g.uy * ty, v = g.vx * tx + g.vy * ty;
    T mismatch = lane_abs(s.r - r) / Q.r + lane_abs(s.p - p) / Q.p + lane_abs(s.u - u) / Q.u + lane_abs(s.v - v) / Q.v;
    T size = lane_abs(r) / Q.r + lane_abs(p) / Q.p + lane_abs(u) / Q.u + lane_abs(v) / Q.v;
    return mismatch / (size + d / 10);
}

// W = min(w_a, max(0, w_a - (1 - theta)/(1 + theta) (1 - 2 w_a))),
// w_a = max(nu/(2 (1 + nu)), 0.05) blend_fac.
template <class T>
T dissipation_weight(T theta, T nu) {
    const T zero{};
    T wa = lane_max(0.5 * nu / (1 + nu), zero + 0.05) * run.blend_fac;
    return lane_min(wa, lane_max(zero, wa - (1 - theta) / (1 + theta) * (1 - 2 * wa)));
}

template <class T>
FluxOf<T> interior_flux(const InteriorEdges<T>& e) {
    const PrimOf<T> &ql = e.ql, &qr = e.qr;
    const GradOf<T> &gl = e.gl, &gr = e.gr;
    const T zero{};
    PrimOf<T> s = centred_slopes(ql, qr, e.d);
    GradOf<T> gf;
    face_gradient(gl.rx, gl.ry, gr.rx, gr.ry, s.r, e.tx, e.ty, gf.rx, gf.ry);
    face_gradient(gl.px, gl.py, gr.px, gr.py, s.p, e.tx, e.ty, gf.px, gf.py);
    face_gradient(gl.ux, gl.uy, gr.ux, gr.uy, s.u, e.tx, e.ty, gf.ux, gf.uy);
    face_gradient(gl.vx, gl.vy, gr.vx, gr.vy, s.v, e.tx, e.ty, gf.vx, gf.vy);
    // From the right cell; an extrapolated density or pressure that is not
    // positive falls back to the cell's own value.
    PrimOf<T> f = extrapolate(qr, gf, e.orx, e.ory);
    f.r = select(f.r > zero, f.r, qr.r);
    f.p = select(f.p > zero, f.p, qr.p);
    refinement_indicator(e, f.r);

    // Scales of the smoothness measure, floored so that the ratio stays finite.
    T cR = e.right_speed - lane_sqrt(qr.u * qr.u + qr.v * qr.v);
    const T tiny = zero + run.tiny;
    auto scale = [&](T q) { return lane_max(q, tiny); };
    PrimOf<T> Q{scale(f.r), scale(f.p), scale(lane_max(lane_abs(f.u), cR)), scale(lane_max(lane_abs(f.v), cR))};
    T theta = lane_max(smoothness_ratio(gl, s, e.tx, e.ty, Q, e.d), smoothness_ratio(gr, s, e.tx, e.ty, Q, e.d));
    T nu = lane_min(run.dt / e.d * lane_max(e.left_speed, e.right_speed), zero + run.cfl);
    T W = dissipation_weight(theta, nu);
    T tau = (0.5 - W) * run.dt;

    bool axi = run.iaxis != 0;
    PrimOf<T> q = half_step(f, gf, tau, axi ? 2 / e.y_sum : zero);
    T Nx = axi ? e.y_sum * e.Nx : e.Nx, Ny = axi ? e.y_sum * e.Ny : e.Ny;

    // D = d^2 W a^1.5 with a the alignment of (A, B) with t.
    T A = gf.ux * (gf.ux + gf.vx) + gf.uy * (gf.uy + gf.vy);
    T B = gf.vx * (gf.ux + gf.vx) + gf.vy * (gf.uy + gf.vy);
    T a = lane_abs(e.tx * A + e.ty * B) / (lane_sqrt(A * A + B * B) + e.d * run.eps_small);
    T D = e.d * e.d * W * a * lane_sqrt(a);

    double dt = run.dt;
    T U = q.u * Nx + q.v * Ny;
    T k = 0.5 * (q.u * q.u + q.v * q.v);
    // The dissipation: D times the face gradient of each conserved variable along N.
    T along_r = gf.rx * Nx + gf.ry * Ny;
    T mx = (q.r * gf.ux + q.u * gf.rx) * Nx + (q.r * gf.uy + q.u * gf.ry) * Ny;
    T my = (q.r * gf.vx + q.v * gf.rx) * Nx + (q.r * gf.vy + q.v * gf.ry) * Ny;
    T en = (k * gf.rx + q.r * (q.u * gf.ux + q.v * gf.vx) + gf.px / run.gam1) * Nx +
           (k * gf.ry + q.r * (q.u * gf.uy + q.v * gf.vy) + gf.py / run.gam1) * Ny;
    return {q.r * U * dt - D * along_r, (q.r * k + run.gam / run.gam1 * q.p) * U * dt - D * en,
            (q.r * q.u * U + q.p * Nx) * dt - D * mx, (q.r * q.v * U + q.p * Ny) * dt - D * my};
}

// Boundary edge of scheme 1 and the first-order Godunov sweep: the face
// state of the cell predicted over half a step, pressure only at walls.
Flux boundary_flux(int e) {
    BoundaryEdge b(e);
    bool axi = run.iaxis != 0;
    if (run.iaxis == 1 && ibtype(e) == boundary::symmetry_axis) return {0, 0, 0, 0};
    Grad g = cell_grad(b.cell);
    if (b.wall) g = wall_corrected(b.cell, g, b.n_unit, b.o);
    Prim f = extrapolate(cell_prim(b.cell), g, b.o);
    Prim q = half_step(f, g, 0.5 * run.dt, axi ? 2 / b.y_sum : 0.0);
    return run.dt * open_flux(q, b.N, axi ? b.y_sum : 1.0, !b.wall);
}

}  // namespace

void sweep::scheme1_boundary_edges() {
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        store_indicator(e, 0);
        store_flux(e, boundary_flux(e));
    }
}

void sweep_scheme1() {
    each_interior_edge_lanes([]<class T>(const InteriorEdges<T>& e) { store_flux(e, interior_flux(e)); });
    scheme1_boundary_edges();
    finish(true, run.iaxis != 0);
}

}  // namespace qelta
