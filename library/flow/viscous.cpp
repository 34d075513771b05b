#include "flow/viscous.h"

#include <algorithm>
#include <cmath>

#include "common/run.h"
#include "common/storage.h"

namespace qelta {

namespace viscous {

double clamp_temperature(double t) { return std::clamp(t, 0.05, 200.0); }

// Sutherland: mu = (1 + S) T^1.5/(T + S) in units of mu at T = 1.
double Transport::mu(double t) const {
    t = clamp_temperature(t);
    return (1 + sut_mu) * std::pow(t, 1.5) / (t + sut_mu);
}

// kappa = k(T) cp/Pr with k(T) by Sutherland and cp = gam/gam1 (gas constant 1).
double Transport::kappa(double t) const {
    t = clamp_temperature(t);
    return (1 + sut_k) * std::pow(t, 1.5) / (t + sut_k) * gam / (gam1 * prand);
}

Transport run_transport() { return {run.reyn, run.prand, run.sut_mu, run.sut_k, run.gam, run.gam1}; }

Vec2 face_vector(Vec2 p1, Vec2 p2, bool axisymmetric) {
    Vec2 S{p2.y - p1.y, p1.x - p2.x};
    return axisymmetric ? (p1.y + p2.y) * S : S;
}

// F = -((u . tau + kappa grad T) . S, tau . S)/Re with Stokes' stresses
// txx = 2/3 mu (2 u_x - v_y - h), tyy = 2/3 mu (2 v_y - u_x - h), txy = mu (u_y + v_x).
Flux stress_flux(const State& f, Vec2 S, double mu, double kappa, double h, double reyn) {
    double txx = two_thirds * mu * (2 * f.gu.x - f.gv.y - h);
    double tyy = two_thirds * mu * (2 * f.gv.y - f.gu.x - h);
    double txy = mu * (f.gu.y + f.gv.x);
    double qx = f.u * txx + f.v * txy + kappa * f.gt.x;
    double qy = f.u * txy + f.v * tyy + kappa * f.gt.y;
    return {0.0, -(qx * S.x + qy * S.y) / reyn, -(txx * S.x + txy * S.y) / reyn, -(txy * S.x + tyy * S.y) / reyn};
}

// G' = G + 2 lambda o, lambda = -((q - target) + G . o)/|o|^2.
Vec2 reflected_gradient(Vec2 g, double q, double target, Vec2 o) {
    double lambda = -((q - target) + dot(g, o)) / dot(o, o);
    return g + (2 * lambda) * o;
}

Vec2 face_gradient(Vec2 gl, double ql, Vec2 gr, double qr, Vec2 n, double D) {
    Vec2 gm = 0.5 * (gl + gr);
    return gm + ((qr - ql) / D - dot(gm, n)) * n;
}

State interior_face_state(const State& left, Vec2 cl, const State& right, Vec2 cr, Vec2 m) {
    Vec2 lr = cr - cl;
    double D = norm(lr);
    Vec2 n = (1 / D) * lr;
    Vec2 o = m - cr;
    State f;
    f.gu = face_gradient(left.gu, left.u, right.gu, right.u, n, D);
    f.gv = face_gradient(left.gv, left.v, right.gv, right.v, n, D);
    f.gt = face_gradient(left.gt, left.t, right.gt, right.t, n, D);
    f.u = right.u + dot(f.gu, o);
    f.v = right.v + dot(f.gv, o);
    f.t = right.t + dot(f.gt, o);
    return f;
}

// F = stress_flux(face state, S, mu(T_f), kappa(T_f), v_f/y_m).
Flux interior_face_flux(const State& left, Vec2 cl, const State& right, Vec2 cr, Vec2 p1, Vec2 p2,
                        bool axisymmetric, const Transport& tr) {
    Vec2 m = 0.5 * (p1 + p2);
    State f = interior_face_state(left, cl, right, cr, m);
    double h = axisymmetric ? f.v / m.y : 0.0;
    return stress_flux(f, face_vector(p1, p2, axisymmetric), tr.mu(f.t), tr.kappa(f.t), h, tr.reyn);
}

// F = stress_flux(zero velocity, G', S, mu(T_w), kappa(T_w) or 0, h).
Flux wall_face_flux(const State& c, double t_pr, Vec2 o, Vec2 S, int type, double twall, double h,
                    const Transport& tr) {
    bool isothermal = type == boundary::isothermal_wall;
    State w;
    w.u = w.v = 0;  // no slip: the wall does no work
    w.gu = reflected_gradient(c.gu, c.u, 0, o);
    w.gv = reflected_gradient(c.gv, c.v, 0, o);
    w.t = isothermal ? twall : c.t + dot(c.gt, o);
    w.gt = isothermal ? reflected_gradient(c.gt, t_pr, twall, o) : c.gt;
    double kappa = isothermal ? tr.kappa(w.t) : 0.0;  // the adiabatic wall conducts nothing
    return stress_flux(w, S, tr.mu(w.t), kappa, h, tr.reyn);
}

}  // namespace viscous

viscous::State viscous_cell_state(int c) {
    return {ux(c), uy(c), tem(c), {grad(c, 5), grad(c, 6)}, {grad(c, 7), grad(c, 8)}, {gradt(c, 1), gradt(c, 2)}};
}

Flux viscous_face_flux(int e) {
    int L = ileft(e), R = iright(e);
    return viscous::interior_face_flux(viscous_cell_state(L), {xc(L), yc(L)}, viscous_cell_state(R), {xc(R), yc(R)},
                                       edge_start(e), edge_end(e), run.iaxis != 0, viscous::run_transport());
}

Flux viscous_wall_flux(int e, bool hoop_from_face_velocity) {
    int c = iright(e);
    Vec2 p1 = edge_start(e), p2 = edge_end(e);
    Vec2 m = 0.5 * (p1 + p2);
    Vec2 o = m - Vec2{xc(c), yc(c)};
    bool axi = run.iaxis != 0;
    viscous::State s = viscous_cell_state(c);
    double h = 0;
    if (axi && hoop_from_face_velocity) h = (s.v + s.gv.x * o.x + s.gv.y * o.y) / m.y;
    return viscous::wall_face_flux(s, p(c) / r(c), o, viscous::face_vector(p1, p2, axi), ibtype(e), run.twall, h,
                                   viscous::run_transport());
}

namespace {

void store_viscous(int e, const Flux& F) {
    edgflux(e, 2) = F.energy;
    edgflux(e, 3) = F.xmom;
    edgflux(e, 4) = F.ymom;
}

}  // namespace

void viscous_hanging_edges() {
    for (int i = 1; i <= grid.nsplit; ++i) {
        int e = list_split(i);
        int e1 = isubedge(e, 1), e2 = isubedge(e, 2);
        for (int k = 2; k <= ncons; ++k) edgflux(e, k) = edgflux(e1, k) + edgflux(e2, k);
    }
}

// -G tau_theta_theta/Re, tau_theta_theta = 2/3 mu (2 v/y - u_x - v_y).
double viscous_hoop_source(int c, double mu) {
    return twice_plane_area(c) * viscous::two_thirds * mu * (grad(c, 5) + grad(c, 8) - 2 * uy(c) / yc(c)) / run.reyn;
}

// U_c += dt/area (F(e2) - F(e1) + F(e3) - F(e4)) for energy and momentum,
// plus the hoop stress on the radial momentum of axisymmetric cells.
void viscous_cell_update(int c, double mu) {
    int e1 = icedge(c, 1), e2 = icedge(c, 2), e3 = icedge(c, 3), e4 = icedge(c, 4);
    double h = run.dt / area(c);
    for (int k = 2; k <= ncons; ++k)
        cons(c, k) += h * (edgflux(e2, k) - edgflux(e1, k) + edgflux(e3, k) - edgflux(e4, k));
    if (run.iaxis == 1) cuy(c) += h * viscous_hoop_source(c, mu);
}

void viscous_flux() {
    viscous::Transport tr = viscous::run_transport();
    for (int i = 1; i <= grid.niedge; ++i) {
        int e = list_iedge(i);
        store_viscous(e, viscous_face_flux(e));
    }
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        int type = ibtype(e);
        store_viscous(e, boundary::no_slip(type) ? viscous_wall_flux(e) : Flux{0, 0, 0, 0});
    }
    viscous_hanging_edges();
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        viscous_cell_update(c, tr.mu(tem(c)));
    }
}

void wall_edge_factors() {
    if (run.ns != 1) return;
    const double w = run.wallratio;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (!boundary::no_slip(ibtype(e))) continue;
        int c = ileft(e);
        int e1 = icedge(c, 1), e2 = icedge(c, 2), e3 = icedge(c, 3), e4 = icedge(c, 4);
        // The side edges get the weight w at their end on the wall.
        if (e == e1) edgratio(e2, 2) = edgratio(e4, 2) = w;  // east wall
        if (e == e3) edgratio(e2, 1) = edgratio(e4, 1) = w;  // west wall
        if (e == e2) edgratio(e1, 2) = edgratio(e3, 2) = w;  // north wall
        if (e == e4) edgratio(e1, 1) = edgratio(e3, 1) = w;  // south wall
    }
}

}  // namespace qelta
