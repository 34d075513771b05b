// Artificially upstream flux splitting (AUFS): F = (1 - M) P + M A, a
// pressure part P and an upwind part A from one side, weighted by
// M = s1/(s1 - s2) with the convective speed s1 and the upwind wave speed s2
// (Sun and Takayama, J. Comput. Phys. 189, 2003). The pieces and the flux
// itself are inline: the scheme-2 sweep evaluates it on every edge.
#pragma once

#include <algorithm>
#include <cmath>

#include "flow/flux_common.h"

namespace qelta::fluxes {

constexpr double floor_aufs = 1e-7;

struct Splitting {
    double s2;
    bool right_upwind;
};

// s1 <= 0: s2 = max(u~ + c~, un_R + c_R, un_L + c_L, 0), right side upwind;
// else s2 = min(u~ - c~, un_R - c_R, un_L - c_L, 0), left side upwind.
inline Splitting aufs_splitting(double gamma, double s1, const Side& l, const Side& r, double cl, double cr) {
    TwoRarefaction t = two_rarefaction(gamma, l.un, r.un, cl, cr);
    if (s1 <= 0) return {std::max({t.u + t.c, r.un + cr, l.un + cl, 0.0}), true};
    return {std::min({t.u - t.c, r.un - cr, l.un - cl, 0.0}), false};
}

// The pressure part's mass and energy terms common to AUFS and AUFS-
// (the energy without its velocity-jump term).
inline double pressure_mass(const Side& l, const Side& r, double cbar) { return (l.p - r.p) / (2 * cbar); }
inline double pressure_energy_base(double gamma, const Side& l, const Side& r, double cbar) {
    return l.p * l.un + r.p * r.un + (l.p - r.p) * cbar / (gamma - 1);
}

// The pressure part P of AUFS (per unit length), the full velocity jump in
// its (p_L + p_R) terms.
inline Flux aufs_pressure(double gamma, const Side& l, const Side& r, const Frame& f, double cbar) {
    double q2l = l.u * l.u + l.v * l.v, q2r = r.u * r.u + r.v * r.v;
    return {pressure_mass(l, r, cbar),
            0.5 * (pressure_energy_base(gamma, l, r, cbar) + (l.p * q2l - r.p * q2r) / (2 * cbar)),
            0.5 * ((l.u * l.p - r.u * r.p) / cbar + (l.p + r.p) * f.nx),
            0.5 * ((l.v * l.p - r.v * r.p) / cbar + (l.p + r.p) * f.ny)};
}

inline Flux aufs_combine(double gamma, const Side& l, const Side& r, const Frame& f, double cl, double cr, const Flux& P) {
    double s1 = 0.5 * (l.un + r.un);
    Splitting sp = aufs_splitting(gamma, s1, l, r, cl, cr);
    double M = s1 / (s1 - sp.s2);
    Flux A = aufs_upwind(sp.right_upwind ? r : l, f, sp.s2);
    return f.len * ((1 - M) * P + M * A);
}

// flux_aufs of flow/flux.h.
inline Flux aufs(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double cl = std::sqrt(gamma * std::max(l.p / l.rho, floor_aufs));
    double cr = std::sqrt(gamma * std::max(r.p / r.rho, floor_aufs));
    Flux P = aufs_pressure(gamma, l, r, f, 0.5 * (cl + cr));
    return aufs_combine(gamma, l, r, f, cl, cr, P);
}

}  // namespace qelta::fluxes
