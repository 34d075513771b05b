// Dormant k-epsilon model (Launder and Spalding 1974): nothing calls it.
// k = tk and eps = te per unit mass, eddy viscosity mu_t = C_mu rho k^2 Re/eps
// in units of the molecular viscosity scale.
#include <algorithm>
#include <cmath>

#include "common/run.h"
#include "common/storage.h"
#include "flow/sweep.h"
#include "flow/viscous.h"

namespace qelta {

namespace {

const double c_mu = static_cast<double>(0.09f);
constexpr double sigma_k = 1.0, sigma_eps = 1.3;  // turbulent Prandtl numbers of k and eps
constexpr double c_eps1 = 1.45, c_eps2 = 1.92;    // production and destruction of eps
constexpr double prandtl_turb = 0.85;
constexpr double yplus_log = 12;  // start of the logarithmic layer
constexpr double log_e = 9.81;    // u+ = ln(E y+)/kappa_vk
constexpr double kappa_vk = 0.41;

KEpsilonBounds keps{1e-8, 1e-2, 1e4, 0, 0};

CellArray<double> eddy;  // mu_t of every active cell during turb_source

// mu_t = C_mu rho k^2 Re/eps, limited to [mu/100, ratio_max mu].
double eddy_viscosity(int c, double mu) {
    double mt = c_mu * cr(c) * tk(c) * tk(c) * run.reyn / te(c);
    return std::clamp(mt, mu / 100, keps.ratio_max * mu);
}

// Log-law factor of the wall shear: y+ kappa_vk/ln(E y+) above y+ = 12,
// with u_tau = C_mu^(1/4) sqrt(k) and y+ = rho u_tau y_p Re/mu.
double wall_law_factor(int c, double yp, double mu) {
    double utau = std::pow(c_mu, 0.25) * std::sqrt(std::max(tk(c), 0.0));
    double yplus = cr(c) * utau * yp * run.reyn / mu;
    return yplus > yplus_log ? yplus * kappa_vk / std::log(log_e * yplus) : 1.0;
}

// Phi = 2 (u_x^2 + v_y^2 [+ (v/y)^2]) + (u_y + v_x)^2 - 2/3 (div u)^2: the
// dissipation function per unit viscosity.
double dissipation_function(int c) {
    double h = run.iaxis == 1 ? uy(c) / yc(c) : 0.0;
    double uxx = grad(c, 5), uxy = grad(c, 6), uyx = grad(c, 7), uyy = grad(c, 8);
    double div = uxx + uyy + h;
    return 2 * (uxx * uxx + uyy * uyy + h * h) + (uxy + uyx) * (uxy + uyx) - viscous::two_thirds * div * div;
}

void interior_edges(const viscous::Transport& tr) {
    bool axi = run.iaxis != 0;
    for (int i = 1; i <= grid.niedge; ++i) {
        int e = list_iedge(i);
        int L = ileft(e), R = iright(e);
        Vec2 p1 = edge_start(e), p2 = edge_end(e), m = 0.5 * (p1 + p2);
        Vec2 cl{xc(L), yc(L)}, cR{xc(R), yc(R)};
        viscous::State f = viscous::interior_face_state(viscous_cell_state(L), cl, viscous_cell_state(R), cR, m);
        double mu = tr.mu(f.t), mt = 0.5 * (eddy(L) + eddy(R));
        double kappa = tr.kappa(f.t) + mt * tr.gam / (tr.gam1 * prandtl_turb);
        Vec2 S = viscous::face_vector(p1, p2, axi);
        Flux F = viscous::stress_flux(f, S, mu + mt, kappa, axi ? f.v / m.y : 0.0, tr.reyn);
        edgflux(e, 2) = F.energy;
        edgflux(e, 3) = F.xmom;
        edgflux(e, 4) = F.ymom;
        // Diffusion of k and eps: -(mu + mu_t/sigma) grad q . S/Re.
        Vec2 lr = cR - cl;
        double D = norm(lr);
        Vec2 n = (1 / D) * lr;
        Vec2 gk = viscous::face_gradient({gradturb(L, 1), gradturb(L, 2)}, tk(L), {gradturb(R, 1), gradturb(R, 2)},
                                         tk(R), n, D);
        Vec2 ge = viscous::face_gradient({gradturb(L, 3), gradturb(L, 4)}, te(L), {gradturb(R, 3), gradturb(R, 4)},
                                         te(R), n, D);
        edgrhs(e, 1) = -(mu + mt / sigma_k) * dot(gk, S) / tr.reyn;
        edgrhs(e, 2) = -(mu + mt / sigma_eps) * dot(ge, S) / tr.reyn;
    }
}

// No-slip walls carry the laminar wall flux with its shear raised by the log
// law; k and eps do not cross any boundary.
void boundary_edges(const viscous::Transport& tr) {
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        for (int k = 2; k <= ncons; ++k) edgflux(e, k) = 0;
        edgrhs(e, 1) = edgrhs(e, 2) = 0;
        if (!boundary::no_slip(ibtype(e))) continue;
        int c = iright(e);
        Flux F = viscous_wall_flux(e);
        Vec2 p1 = edge_start(e), p2 = edge_end(e);
        Vec2 N{p2.y - p1.y, p1.x - p2.x};
        Vec2 o = 0.5 * (p1 + p2) - Vec2{xc(c), yc(c)};
        double yp = std::fabs(dot(o, N)) / edglen(e);
        double mu = tr.mu(tem(c));
        double f = wall_law_factor(c, yp, mu);
        edgflux(e, 2) = F.energy;
        edgflux(e, 3) = f * F.xmom;
        edgflux(e, 4) = f * F.ymom;
    }
}

}  // namespace

const KEpsilonBounds& k_epsilon_bounds() { return keps; }

// eps = C_mu Re k^2/ratio: at ratio 0.1 from the lower bound of k, at the
// largest ratio from the upper bound.
void turb_inflow() {
    keps.te_low = c_mu * run.reyn * keps.tk_min * keps.tk_min / 0.1;
    keps.te_high = c_mu * run.reyn * keps.tk_max * keps.tk_max / keps.ratio_max;
}

// tk into [tk_min, tk_max], te at least te_low, and k lowered to
// sqrt(ratio_max eps/(C_mu rho Re)) where C_mu rho k^2 Re/eps exceeds ratio_max.
void turb_bound() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        tk(c) = std::clamp(tk(c), keps.tk_min, keps.tk_max);
        te(c) = std::max(te(c), keps.te_low);
        double ratio = c_mu * cr(c) * tk(c) * tk(c) * run.reyn / te(c);
        if (ratio > keps.ratio_max) tk(c) = std::sqrt(keps.ratio_max * te(c) / (c_mu * cr(c) * run.reyn));
    }
}

// Viscous step with mu + mu_t (after ghost_gradients and turb_gradients):
// energy and momentum as in viscous_flux, and
//   d(rho k)/dt = div((mu + mu_t/sigma_k) grad k)/Re + P - rho eps,
//   d(rho eps)/dt = div((mu + mu_t/sigma_eps) grad eps)/Re + (eps/k)(C1 P - C2 rho eps),
// P = mu_t Phi/Re; tk and te move as densities.
void turb_source() {
    viscous::Transport tr = viscous::run_transport();
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        eddy(c) = eddy_viscosity(c, tr.mu(tem(c)));
    }
    interior_edges(tr);
    boundary_edges(tr);
    viscous_hanging_edges();
    sweep::hanging_edgrhs(2);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        double h = run.dt / area(c);
        viscous_cell_update(c, tr.mu(tem(c)) + eddy(c));
        double rk = cr(c) * tk(c), re = cr(c) * te(c);
        double P = eddy(c) * dissipation_function(c) / tr.reyn;
        double ratio = te(c) / tk(c);
        double rk_new = rk + h * sweep::edgrhs_balance(c, 1) + run.dt * (P - re);
        double re_new = re + h * sweep::edgrhs_balance(c, 2) + run.dt * ratio * (c_eps1 * P - c_eps2 * re);
        tk(c) = rk_new / cr(c);
        te(c) = re_new / cr(c);
    }
}

}  // namespace qelta
