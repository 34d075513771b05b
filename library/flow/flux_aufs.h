// Artificially upstream flux splitting (AUFS): F = (1 - M) P + M A, a
// pressure part P and an upwind part A from one side, weighted by
// M = s1/(s1 - s2) with the convective speed s1 and the upwind wave speed s2
// (Sun and Takayama, J. Comput. Phys. 189, 2003). The pieces and the flux
// itself are inline: the scheme-2 sweep evaluates it on every edge.
#pragma once

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "flow/flux_common.h"

namespace qelta::fluxes {

constexpr double floor_aufs = 1e-7;

template <class T>
struct SplittingOf {
    T s2;
    decltype(T{} <= T{}) right_upwind;  // a bool, or a lane mask
};

// s1 <= 0: s2 = max(u~ + c~, un_R + c_R, un_L + c_L, 0), right side upwind;
// else s2 = min(u~ - c~, un_R - c_R, un_L - c_L, 0), left side upwind.
template <class T>
inline SplittingOf<T> aufs_splitting(double gamma, T s1, const SideOf<T>& l, const SideOf<T>& r, T cl, T cr) {
    TwoRarefactionOf<T> t = two_rarefaction(gamma, l.un, r.un, cl, cr);
    const T zero{};
    auto right_upwind = s1 <= zero;
    if constexpr (std::is_same_v<T, double>) {
        if (right_upwind) return {std::max({t.u + t.c, r.un + cr, l.un + cl, 0.0}), true};
        return {std::min({t.u - t.c, r.un - cr, l.un - cl, 0.0}), false};
    } else {
        // Both, each folded as std::max and std::min of a list fold it.
        T up = lane_max(lane_max(lane_max(t.u + t.c, r.un + cr), l.un + cl), zero);
        T down = lane_min(lane_min(lane_min(t.u - t.c, r.un - cr), l.un - cl), zero);
        return {select(right_upwind, up, down), right_upwind};
    }
}

// The pressure part's mass and energy terms common to AUFS and AUFS-
// (the energy without its velocity-jump term).
template <class T>
inline T pressure_mass(const SideOf<T>& l, const SideOf<T>& r, T cbar) {
    return (l.p - r.p) / (2 * cbar);
}
template <class T>
inline T pressure_energy_base(double gamma, const SideOf<T>& l, const SideOf<T>& r, T cbar) {
    return l.p * l.un + r.p * r.un + (l.p - r.p) * cbar / (gamma - 1);
}

// The pressure part P of AUFS (per unit length), the full velocity jump in
// its (p_L + p_R) terms.
template <class T>
inline FluxOf<T> aufs_pressure(double gamma, const SideOf<T>& l, const SideOf<T>& r, const FrameOf<T>& f, T cbar) {
    T q2l = l.u * l.u + l.v * l.v, q2r = r.u * r.u + r.v * r.v;
    return {pressure_mass(l, r, cbar),
            0.5 * (pressure_energy_base(gamma, l, r, cbar) + (l.p * q2l - r.p * q2r) / (2 * cbar)),
            0.5 * ((l.u * l.p - r.u * r.p) / cbar + (l.p + r.p) * f.nx),
            0.5 * ((l.v * l.p - r.v * r.p) / cbar + (l.p + r.p) * f.ny)};
}

template <class T>
inline FluxOf<T> aufs_combine(double gamma, const SideOf<T>& l, const SideOf<T>& r, const FrameOf<T>& f, T cl, T cr,
                              const FluxOf<T>& P) {
    T s1 = 0.5 * (l.un + r.un);
    SplittingOf<T> sp = aufs_splitting(gamma, s1, l, r, cl, cr);
    T M = s1 / (s1 - sp.s2);
    FluxOf<T> A = aufs_upwind(SideOf<T>(sp.right_upwind, r, l), f, sp.s2);
    return f.len * ((1 - M) * P + M * A);
}

// AUFS through the edge of frame f: one edge, or two or four in the lanes
// of a Pair or a Quad.
template <class T>
inline FluxOf<T> aufs(const FaceStateOf<T>& left, const FaceStateOf<T>& right, double gamma, const FrameOf<T>& f) {
    SideOf<T> l(left, f, gamma), r(right, f, gamma);
    T cl = lane_sqrt(gamma * lane_max(l.p / l.rho, T{} + floor_aufs));
    T cr = lane_sqrt(gamma * lane_max(r.p / r.rho, T{} + floor_aufs));
    FluxOf<T> P = aufs_pressure(gamma, l, r, f, 0.5 * (cl + cr));
    return aufs_combine(gamma, l, r, f, cl, cr, P);
}

// flux_aufs of flow/flux.h.
inline Flux aufs(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    return aufs(left, right, gamma, Frame(nx, ny));
}

}  // namespace qelta::fluxes
