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

// The mean of the two cells' gradients of one variable, corrected along t
// to the centred difference s: gm + (s - gm . t) t.
void face_gradient(double glx, double gly, double grx, double gry, double s, Vec2 t, double& fx, double& fy) {
    double mx = 0.5 * (glx + grx), my = 0.5 * (gly + gry);
    double c = s - dot({mx, my}, t);
    fx = mx + c * t.x;
    fy = my + c * t.y;
}

// Smoothness across the edge seen from cell K: the mismatch of its
// gradients with the centred differences, relative to the gradients.
double smoothness_ratio(const Grad& g, const Prim& s, Vec2 t, const Prim& Q, double d) {
    double mismatch = std::fabs(s.r - dot({g.rx, g.ry}, t)) / Q.r + std::fabs(s.p - dot({g.px, g.py}, t)) / Q.p +
                      std::fabs(s.u - dot({g.ux, g.uy}, t)) / Q.u + std::fabs(s.v - dot({g.vx, g.vy}, t)) / Q.v;
    double size = std::fabs(dot({g.rx, g.ry}, t)) / Q.r + std::fabs(dot({g.px, g.py}, t)) / Q.p +
                  std::fabs(dot({g.ux, g.uy}, t)) / Q.u + std::fabs(dot({g.vx, g.vy}, t)) / Q.v;
    return mismatch / (size + d / 10);
}

// W = min(w_a, max(0, w_a - (1 - theta)/(1 + theta) (1 - 2 w_a))),
// w_a = max(nu/(2 (1 + nu)), 0.05) blend_fac.
double dissipation_weight(double theta, double nu) {
    double wa = std::max(0.5 * nu / (1 + nu), 0.05) * run.blend_fac;
    return std::min(wa, std::max(0.0, wa - (1 - theta) / (1 + theta) * (1 - 2 * wa)));
}

Flux interior_flux(const InteriorEdge& g) {
    const Prim &ql = g.lcell.q, &qr = g.rcell.q;
    const Grad &gl = g.lcell.g, &gr = g.rcell.g;
    Prim s = centred_slopes(ql, qr, g.d);
    Grad gf;
    face_gradient(gl.rx, gl.ry, gr.rx, gr.ry, s.r, g.t, gf.rx, gf.ry);
    face_gradient(gl.px, gl.py, gr.px, gr.py, s.p, g.t, gf.px, gf.py);
    face_gradient(gl.ux, gl.uy, gr.ux, gr.uy, s.u, g.t, gf.ux, gf.uy);
    face_gradient(gl.vx, gl.vy, gr.vx, gr.vy, s.v, g.t, gf.vx, gf.vy);
    // From the right cell; an extrapolated density or pressure that is not
    // positive falls back to the cell's own value.
    Prim f = extrapolate(qr, gf, g.o_right);
    if (!(f.r > 0)) f.r = qr.r;
    if (!(f.p > 0)) f.p = qr.p;
    refinement_indicator(g, f.r);

    // Scales of the smoothness measure, floored so that the ratio stays finite.
    double cR = g.rcell.speed - std::sqrt(qr.u * qr.u + qr.v * qr.v);
    auto scale = [](double q) { return std::max(q, run.tiny); };
    Prim Q{scale(f.r), scale(f.p), scale(std::max(std::fabs(f.u), cR)), scale(std::max(std::fabs(f.v), cR))};
    double theta = std::max(smoothness_ratio(gl, s, g.t, Q, g.d), smoothness_ratio(gr, s, g.t, Q, g.d));
    double nu = std::min(run.dt / g.d * std::max(g.lcell.speed, g.rcell.speed), run.cfl);
    double W = dissipation_weight(theta, nu);
    double tau = (0.5 - W) * run.dt;

    bool axi = run.iaxis != 0;
    Prim q = half_step(f, gf, tau, axi ? 2 / g.y_sum : 0.0);
    Vec2 N = axi ? g.y_sum * g.N : g.N;

    // D = d^2 W a^1.5 with a the alignment of (A, B) with t.
    double A = gf.ux * (gf.ux + gf.vx) + gf.uy * (gf.uy + gf.vy);
    double B = gf.vx * (gf.ux + gf.vx) + gf.vy * (gf.uy + gf.vy);
    double a = std::fabs(g.t.x * A + g.t.y * B) / (std::sqrt(A * A + B * B) + g.d * run.eps_small);
    double D = g.d * g.d * W * a * std::sqrt(a);

    double dt = run.dt;
    double U = q.u * N.x + q.v * N.y;
    double k = 0.5 * (q.u * q.u + q.v * q.v);
    // The dissipation: D times the face gradient of each conserved variable along N.
    double along_r = gf.rx * N.x + gf.ry * N.y;
    double mx = (q.r * gf.ux + q.u * gf.rx) * N.x + (q.r * gf.uy + q.u * gf.ry) * N.y;
    double my = (q.r * gf.vx + q.v * gf.rx) * N.x + (q.r * gf.vy + q.v * gf.ry) * N.y;
    double en = (k * gf.rx + q.r * (q.u * gf.ux + q.v * gf.vx) + gf.px / run.gam1) * N.x +
                (k * gf.ry + q.r * (q.u * gf.uy + q.v * gf.vy) + gf.py / run.gam1) * N.y;
    return {q.r * U * dt - D * along_r, (q.r * k + run.gam / run.gam1 * q.p) * U * dt - D * en,
            (q.r * q.u * U + q.p * N.x) * dt - D * mx, (q.r * q.v * U + q.p * N.y) * dt - D * my};
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
    each_interior_edge([](const InteriorEdge& g) { store_flux(g, interior_flux(g)); });
    scheme1_boundary_edges();
    finish(true, run.iaxis != 0);
}

}  // namespace qelta
