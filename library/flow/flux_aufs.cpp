// The AUFS family: AUFS itself (flow/flux_aufs.h), AUFS-, the AUFS
// structure on HLLC pieces, and AUFS for two gases.
#include "flow/flux_aufs.h"

#include <algorithm>
#include <cmath>

namespace qelta {

using namespace fluxes;

namespace {

FaceState floored(FaceState s) {
    s.rho = std::max(s.rho, floor_aufs);
    s.p = std::max(s.p, floor_aufs);
    return s;
}

}  // namespace

Flux flux_aufs(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    return aufs(left, right, gamma, nx, ny);
}

// AUFS with only the normal velocity jump in the (p_L + p_R) terms of the
// pressure part, on states floored at 1e-7.
Flux flux_aufs_minus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(floored(left), f, gamma), r(floored(right), f, gamma);
    double cl = std::sqrt(gamma * l.p / l.rho), cr = std::sqrt(gamma * r.p / r.rho);
    double cbar = 0.5 * (cl + cr);
    double psum = l.p + r.p, pdiff = l.p - r.p;
    double q2l = l.u * l.u + l.v * l.v, q2r = r.u * r.u + r.v * r.v;
    auto momentum = [&](double n, double ul, double ur) {
        return 0.5 * (psum * n + (psum * (l.un - r.un) * n / 2 + (ul + ur) * pdiff / 2) / cbar);
    };
    Flux P{pressure_mass(l, r, cbar),
           0.5 * (pressure_energy_base(gamma, l, r, cbar) +
                  (pdiff * (q2l + q2r) + psum * (l.un * l.un - r.un * r.un)) / (4 * cbar)),
           momentum(f.nx, l.u, r.u), momentum(f.ny, l.v, r.v)};
    return aufs_combine(gamma, l, r, f, cl, cr, P);
}

// AUFS structure on HLLC pieces: Davis wave speeds, the contact speed S* as
// convective speed and the pressure part (0, S* p*, p* n^).
Flux flux_aufs_hllc(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    WaveSpeeds s = davis_speeds(l, r, cl, cr);
    HllcStar st = hllc_star(l, r, s.left, s.right);
    bool left_upwind = st.s_star > 0;
    double s2 = left_upwind ? std::min(s.left, 0.0) : std::max(s.right, 0.0);
    double M = st.s_star / (st.s_star - s2);
    Flux P{0, st.s_star * st.p_star, st.p_star * f.nx, st.p_star * f.ny};
    Flux A = aufs_upwind(left_upwind ? l : r, f, s2);
    return f.len * ((1 - M) * P + M * A);
}

void floor_aufs_state(FaceState& s) { s = floored(s); }

TwoGasFlux flux_aufs_two_gas(const TwoGasFaceState& left, const TwoGasFaceState& right, double nx, double ny,
                             double gas_constant) {
    double gamma = 0.5 * (left.gamma + right.gamma);
    double floor = 0.005 * 0.5 * (left.rho2 + right.rho2) / gas_constant / (0.5 * (left.rho + right.rho));
    Frame f(nx, ny);
    Side l({left.rho, left.u, left.v, left.p}, f, gamma), r({right.rho, right.u, right.v, right.p}, f, gamma);
    double cl = std::sqrt(gamma * std::max(l.p / l.rho, floor));
    double cr = std::sqrt(gamma * std::max(r.p / r.rho, floor));
    Flux P = aufs_pressure(gamma, l, r, f, 0.5 * (cl + cr));
    Flux F = aufs_combine(gamma, l, r, f, cl, cr, P);
    const TwoGasFaceState& up = F.mass >= 0 ? left : right;
    return {F.mass, F.energy, F.xmom, F.ymom, F.mass * up.rho2 / up.rho};
}

}  // namespace qelta
