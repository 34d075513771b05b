// HLL and HLLC fluxes and their relatives.
#include <algorithm>
#include <cmath>

#include "flow/flux_common.h"

namespace qelta {

using namespace fluxes;

namespace {

// F = (S_R+ F_L - S_L- F_R + S_L- S_R+ (U_R - U_L)) / (S_R+ - S_L-)
// (Harten, Lax, van Leer 1983), per unit length.
Flux hll_unit(const Side& l, const Side& r, const Frame& f, double sl, double sr) {
    double a = std::min(sl, 0.0), b = std::max(sr, 0.0);
    Flux fl = physical_flux(l, f), fr = physical_flux(r, f);
    return (1 / (b - a)) * (b * fl - a * fr + (a * b) * (conserved(r) - conserved(l)));
}

// F_K + S_K (U*_K - U_K) from side K of the contact.
Flux hllc_side(const Side& k, const Frame& f, double sk, const HllcStar& st) {
    double d = sk - st.s_star;
    double rho = k.rho * (sk - k.un) / d;
    double u = k.u + f.nx * (st.s_star - k.un);
    double v = k.v + f.ny * (st.s_star - k.un);
    double E = ((sk - k.un) * k.E - k.p * k.un + st.s_star * st.p_star) / d;
    Flux ustar{rho, E, rho * u, rho * v};
    return physical_flux(k, f) + sk * (ustar - conserved(k));
}

// Wave speeds of the HLLC flux, both clamped to their side of 0.
WaveSpeeds hllc_speeds(double gamma, const Side& l, const Side& r, double cl, double cr) {
    WaveSpeeds w = wave_speeds(gamma, l, r, cl, cr);
    return {std::min(w.left, 0.0), std::max(w.right, 0.0)};
}

}  // namespace

Flux flux_hll(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    WaveSpeeds s = wave_speeds(gamma, l, r, cl, cr);
    return f.len * hll_unit(l, r, f, s.left, s.right);
}

Flux flux_hll_minus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    return flux_hll(left, right, gamma, nx, ny) - f.len * tangential_term(gamma, l, r, f);
}

Flux flux_hllc(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    WaveSpeeds s = hllc_speeds(gamma, l, r, cl, cr);
    HllcStar st = hllc_star(l, r, s.left, s.right);
    // S* > 0: the left star state; S* <= 0: the right one.
    Flux unit = st.s_star > 0 ? hllc_side(l, f, s.left, st) : hllc_side(r, f, s.right, st);
    return f.len * unit;
}

Flux flux_hllc_plus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    return flux_hllc(left, right, gamma, nx, ny) + f.len * tangential_term(gamma, l, r, f);
}

ScalarFlux flux_hllc_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                             double ny) {
    Frame f(nx, ny);
    Side l({left.rho, left.u, left.v, left.p}, f, gamma), r({right.rho, right.u, right.v, right.p}, f, gamma);
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    WaveSpeeds s = hllc_speeds(gamma, l, r, cl, cr);
    HllcStar st = hllc_star(l, r, s.left, s.right);
    bool from_left = st.s_star > 0;
    const Side& k = from_left ? l : r;
    double sk = from_left ? s.left : s.right;
    // Star energy from p*/(gamma - 1) and the star velocity.
    double d = sk - st.s_star;
    double rho = k.rho * (sk - k.un) / d;
    double u = k.u + f.nx * (st.s_star - k.un);
    double v = k.v + f.ny * (st.s_star - k.un);
    double E = st.p_star / (gamma - 1) + 0.5 * rho * (u * u + v * v);
    Flux unit = physical_flux(k, f) + sk * (Flux{rho, E, rho * u, rho * v} - conserved(k));
    Flux F = f.len * unit;
    const ScalarFaceState& ks = from_left ? left : right;
    return {F.mass, F.energy, F.xmom, F.ymom, F.mass * ks.s1, F.mass * ks.s2};
}

namespace {

// HLL with Davis speeds on the four main fluxes and two advected scalars.
ScalarFlux hll_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, const Frame& f) {
    Side l({left.rho, left.u, left.v, left.p}, f, gamma), r({right.rho, right.u, right.v, right.p}, f, gamma);
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    WaveSpeeds s = davis_speeds(l, r, cl, cr);
    Flux F = f.len * hll_unit(l, r, f, s.left, s.right);
    double a = std::min(s.left, 0.0), b = std::max(s.right, 0.0);
    auto scalar = [&](double ql, double qr) {
        double fl = l.rho * l.un * ql, fr = r.rho * r.un * qr;
        return f.len * (b * fl - a * fr + a * b * (r.rho * qr - l.rho * ql)) / (b - a);
    };
    return {F.mass, F.energy, F.xmom, F.ymom, scalar(left.s1, right.s1), scalar(left.s2, right.s2)};
}

}  // namespace

ScalarFlux flux_hll_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                            double ny) {
    return hll_scalars(left, right, gamma, Frame(nx, ny));
}

ScalarFlux flux_hll_blend_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                                  double ny, double w) {
    Frame f(nx, ny);
    ScalarFlux h = hll_scalars(left, right, gamma, f);
    Side l({left.rho, left.u, left.v, left.p}, f, gamma), r({right.rho, right.u, right.v, right.p}, f, gamma);
    Flux c = (0.5 * f.len) * (physical_flux(l, f) + physical_flux(r, f));
    double c1 = 0.5 * f.len * (l.rho * l.un * left.s1 + r.rho * r.un * right.s1);
    double c2 = 0.5 * f.len * (l.rho * l.un * left.s2 + r.rho * r.un * right.s2);
    auto mix = [w](double central, double upwind) { return (1 - w) * central + w * upwind; };
    return {mix(c.mass, h.mass), mix(c.energy, h.energy), mix(c.xmom, h.xmom), mix(c.ymom, h.ymom), mix(c1, h.s1),
            mix(c2, h.s2)};
}

ScalarFlux flux_godunov_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                                double ny) {
    ScalarFlux h = hll_scalars(left, right, gamma, Frame(nx, ny));
    Flux g = flux_godunov({left.rho, left.u, left.v, left.p}, {right.rho, right.u, right.v, right.p}, gamma, nx, ny);
    return {g.mass, g.energy, g.xmom, g.ymom, h.s1, h.s2};
}

}  // namespace qelta
