// Pieces shared by the flux family: the face-normal frame, a side's
// derived quantities, the physical flux, and the wave-speed estimates.
#pragma once

#include <algorithm>
#include <cmath>

#include "common/lanes.h"
#include "flow/flux.h"

namespace qelta::fluxes {

// Unit normal n^ = n/|n| and unit tangent t^ = (-n^_y, n^_x); of one edge
// or, lane by lane, of two or four (T = Pair, Quad: common/lanes.h).
template <class T>
struct FrameOf {
    T len, nx, ny;
    FrameOf(T x, T y) : len(lane_sqrt(x * x + y * y)), nx(x / len), ny(y / len) {}
};
using Frame = FrameOf<double>;

// A face state with its velocities in the frame and its energies.
template <class T>
struct SideOf {
    T rho, u, v, p;
    T un, ut;  // normal and tangential velocity
    T k, E;    // kinetic and total energy per unit volume
    SideOf(const FaceStateOf<T>& s, const FrameOf<T>& f, double gamma)
        : rho(s.rho), u(s.u), v(s.v), p(s.p), un(s.u * f.nx + s.v * f.ny), ut(-s.u * f.ny + s.v * f.nx),
          k(0.5 * s.rho * (s.u * s.u + s.v * s.v)), E(s.p / (gamma - 1) + k) {}
    // In each lane the side of `pick` where it holds, else that of `other`.
    template <class Mask>
    SideOf(Mask pick, const SideOf& side, const SideOf& other)
        : rho(select(pick, side.rho, other.rho)), u(select(pick, side.u, other.u)), v(select(pick, side.v, other.v)),
          p(select(pick, side.p, other.p)), un(select(pick, side.un, other.un)), ut(select(pick, side.ut, other.ut)),
          k(select(pick, side.k, other.k)), E(select(pick, side.E, other.E)) {}
};
using Side = SideOf<double>;

// F = (rho un, un (E + p), rho u un + p n_x, rho v un + p n_y) through the unit normal.
inline Flux physical_flux(const Side& s, const Frame& f) {
    return {s.rho * s.un, s.un * (s.E + s.p), s.rho * s.u * s.un + s.p * f.nx, s.rho * s.v * s.un + s.p * f.ny};
}

// U = (rho, E, rho u, rho v).
inline Flux conserved(const Side& s) { return {s.rho, s.E, s.rho * s.u, s.rho * s.v}; }

// c = sqrt(gamma p/rho) with p/rho clamped to [0.05, 200].
inline double clamped_sound_speed(double gamma, double rho, double p) {
    return std::sqrt(gamma * std::min(std::max(p / rho, 0.05), 200.0));
}

// Two-rarefaction estimates of the face velocity and sound speed:
// u~ = (un_L + un_R)/2 + (c_L - c_R)/(gamma - 1), c~ = c_bar + (gamma - 1)(un_L - un_R)/4.
template <class T>
struct TwoRarefactionOf {
    T u, c;
};
using TwoRarefaction = TwoRarefactionOf<double>;
template <class T>
inline TwoRarefactionOf<T> two_rarefaction(double gamma, T unl, T unr, T cl, T cr) {
    return {0.5 * (unl + unr) + (cl - cr) / (gamma - 1), 0.5 * (cl + cr) + (gamma - 1) * (unl - unr) / 4};
}

// S_L = min(un_L - c_L, u~ - c~), S_R = max(u~ + c~, un_R + c_R).
struct WaveSpeeds {
    double left, right;
};
inline WaveSpeeds wave_speeds(double gamma, const Side& l, const Side& r, double cl, double cr) {
    TwoRarefaction t = two_rarefaction(gamma, l.un, r.un, cl, cr);
    return {std::min(l.un - cl, t.u - t.c), std::max(t.u + t.c, r.un + cr)};
}

struct HllcStar {
    double s_star, p_star;
};

// Contact speed S* and star pressure p* = p_L + rho_L (S_L - un_L)(S* - un_L)
// (Toro, Spruce, Speares 1994).
inline HllcStar hllc_star(const Side& l, const Side& r, double sl, double sr) {
    double ml = l.rho * (sl - l.un), mr = r.rho * (sr - r.un);
    double s = (r.p - l.p + ml * l.un - mr * r.un) / (ml - mr);
    return {s, l.p + ml * (s - l.un)};
}

// Davis wave speeds: S_L = min(un_L - c_L, un_R - c_R), S_R = max(un_L + c_L, un_R + c_R).
inline WaveSpeeds davis_speeds(const Side& l, const Side& r, double cl, double cr) {
    return {std::min(l.un - cl, r.un - cr), std::max(l.un + cl, r.un + cr)};
}

// Upwind part of the AUFS splitting from side K: mass flux at the relative
// speed un - s2, and the pressure terms.
template <class T>
inline FluxOf<T> aufs_upwind(const SideOf<T>& k, const FrameOf<T>& f, T s2) {
    T w = k.un - s2;
    return {k.rho * w, k.p * k.un + w * k.E, k.rho * k.u * w + k.p * f.nx, k.rho * k.v * w + k.p * f.ny};
}

// Tangential dissipation of the "+" and "-" variants (per unit length):
// b (ut_L - ut_R) along t^ in the momentum and b (ut_L^2 - ut_R^2)/2 in the
// energy, with b = (p_L + p_R)(1 - M_bar)/(4 c_bar), M_bar = min(|un_L + un_R|/(c_L + c_R), 1).
Flux tangential_term(double gamma, const Side& l, const Side& r, const Frame& f);

}  // namespace qelta::fluxes

namespace qelta {

// Floors density and pressure at 1e-7, as AUFS- does.
void floor_aufs_state(FaceState& s);

}  // namespace qelta
