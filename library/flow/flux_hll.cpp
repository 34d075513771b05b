// HLL and HLLC fluxes and their relatives.
#include <algorithm>
#include <cmath>

#include "common/run.h"
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

namespace qelta {

namespace {

// The polynomial set of temperature t: column 1 above the dividing
// temperature, column 2 below.
int thermal_range(double t) { return t > gas.thermal_tmid ? 1 : 2; }

// cp/R = a1 + a2 T + a3 T^2 + a4 T^3 + a5 T^4.
double cp_over_r(double t) {
    int k = thermal_range(t);
    const auto& a = gas.thcoef;
    return a(1, k) + t * (a(2, k) + t * (a(3, k) + t * (a(4, k) + t * a(5, k))));
}

// h/RT = a1 + a2 T/2 + a3 T^2/3 + a4 T^3/4 + a5 T^4/5 + a6/T.
double h_over_rt(double t) {
    int k = thermal_range(t);
    const auto& a = gas.thcoef;
    return a(1, k) + t * (a(2, k) / 2 + t * (a(3, k) / 3 + t * (a(4, k) / 4 + t * a(5, k) / 5))) + a(6, k) / t;
}

struct ThermalSide {
    double rho, u, v, p, rho2, un, E, c;
    ThermalSide(const ThermalFaceState& s, const fluxes::Frame& f) : rho(s.rho), u(s.u), v(s.v), p(s.p), rho2(s.rho2) {
        double t = std::clamp(s.p / s.rho, 0.05, 200.0);
        un = s.u * f.nx + s.v * f.ny;
        E = s.rho * t * h_over_rt(t) - s.p + 0.5 * s.rho * (s.u * s.u + s.v * s.v);
        c = std::sqrt(thermal_gamma(t) * t);
    }
};

}  // namespace

double thermal_gamma(double t) {
    double cp = cp_over_r(t);
    return cp / (cp - 1);
}

TwoGasFlux flux_hll_thermal(const ThermalFaceState& left, const ThermalFaceState& right, double nx, double ny) {
    fluxes::Frame f(nx, ny);
    ThermalSide l(left, f), r(right, f);
    double sl = std::min({l.un - l.c, r.un - r.c, 0.0}), sr = std::max({l.un + l.c, r.un + r.c, 0.0});
    auto hll = [&](double fl, double fr, double ql, double qr) {
        return f.len * (sr * fl - sl * fr + sl * sr * (qr - ql)) / (sr - sl);
    };
    return {hll(l.rho * l.un, r.rho * r.un, l.rho, r.rho), hll(l.un * (l.E + l.p), r.un * (r.E + r.p), l.E, r.E),
            hll(l.rho * l.u * l.un + l.p * f.nx, r.rho * r.u * r.un + r.p * f.nx, l.rho * l.u, r.rho * r.u),
            hll(l.rho * l.v * l.un + l.p * f.ny, r.rho * r.v * r.un + r.p * f.ny, l.rho * l.v, r.rho * r.v),
            hll(l.rho2 * l.un, r.rho2 * r.un, l.rho2, r.rho2)};
}

}  // namespace qelta
