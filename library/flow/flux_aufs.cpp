// Artificially upstream flux splitting (AUFS): F = (1 - M) P + M A, a
// pressure part P and an upwind part A from one side, weighted by
// M = s1/(s1 - s2) with the convective speed s1 and the upwind wave speed s2
// (Sun and Takayama, J. Comput. Phys. 189, 2003).
#include <algorithm>
#include <cmath>

#include "flow/flux_common.h"

namespace qelta {

using namespace fluxes;

namespace {

constexpr double floor_aufs = 1e-7;

struct Splitting {
    double s2;
    bool right_upwind;
};

// s1 <= 0: s2 = max(u~ + c~, un_R + c_R, un_L + c_L, 0), right side upwind;
// else s2 = min(u~ - c~, un_R - c_R, un_L - c_L, 0), left side upwind.
Splitting aufs_splitting(double gamma, double s1, const Side& l, const Side& r, double cl, double cr) {
    TwoRarefaction t = two_rarefaction(gamma, l.un, r.un, cl, cr);
    if (s1 <= 0) return {std::max({t.u + t.c, r.un + cr, l.un + cl, 0.0}), true};
    return {std::min({t.u - t.c, r.un - cr, l.un - cl, 0.0}), false};
}

// The pressure part's mass and energy terms common to AUFS and AUFS-
// (the energy without its velocity-jump term).
double pressure_mass(const Side& l, const Side& r, double cbar) { return (l.p - r.p) / (2 * cbar); }
double pressure_energy_base(double gamma, const Side& l, const Side& r, double cbar) {
    return l.p * l.un + r.p * r.un + (l.p - r.p) * cbar / (gamma - 1);
}

// The pressure part P of AUFS (per unit length), the full velocity jump in
// its (p_L + p_R) terms.
Flux aufs_pressure(double gamma, const Side& l, const Side& r, const Frame& f, double cbar) {
    double q2l = l.u * l.u + l.v * l.v, q2r = r.u * r.u + r.v * r.v;
    return {pressure_mass(l, r, cbar),
            0.5 * (pressure_energy_base(gamma, l, r, cbar) + (l.p * q2l - r.p * q2r) / (2 * cbar)),
            0.5 * ((l.u * l.p - r.u * r.p) / cbar + (l.p + r.p) * f.nx),
            0.5 * ((l.v * l.p - r.v * r.p) / cbar + (l.p + r.p) * f.ny)};
}

Flux aufs_combine(double gamma, const Side& l, const Side& r, const Frame& f, double cl, double cr, const Flux& P) {
    double s1 = 0.5 * (l.un + r.un);
    Splitting sp = aufs_splitting(gamma, s1, l, r, cl, cr);
    double M = s1 / (s1 - sp.s2);
    Flux A = aufs_upwind(sp.right_upwind ? r : l, f, sp.s2);
    return f.len * ((1 - M) * P + M * A);
}

FaceState floored(FaceState s) {
    s.rho = std::max(s.rho, floor_aufs);
    s.p = std::max(s.p, floor_aufs);
    return s;
}

}  // namespace

Flux flux_aufs(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double cl = std::sqrt(gamma * std::max(l.p / l.rho, floor_aufs));
    double cr = std::sqrt(gamma * std::max(r.p / r.rho, floor_aufs));
    Flux P = aufs_pressure(gamma, l, r, f, 0.5 * (cl + cr));
    return aufs_combine(gamma, l, r, f, cl, cr, P);
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
