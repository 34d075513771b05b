// Godunov fluxes from the exact Riemann solution, the tangential term of
// the "+" and "-" variants, and the dispatch by flux code.
#include <algorithm>
#include <cmath>

#include "flow/flux_common.h"

namespace qelta {

using namespace fluxes;

namespace {

NormalState in_frame(const Side& s) { return {s.rho, s.un, s.ut, s.p}; }

}  // namespace

Flux fluxes::tangential_term(double gamma, const Side& l, const Side& r, const Frame& f) {
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    double mbar = std::min(std::fabs(l.un + r.un) / (cl + cr), 1.0);
    double b = (l.p + r.p) * (1 - mbar) / (4 * 0.5 * (cl + cr));
    double dut = l.ut - r.ut;
    return {0, b * (l.ut * l.ut - r.ut * r.ut) / 2, b * dut * -f.ny, b * dut * f.nx};
}

// The flux of the face state of the exact Riemann solution.
Flux flux_godunov(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    NormalState s = exact_riemann(in_frame(l), gamma, in_frame(r), gamma);
    double u = s.un * f.nx - s.ut * f.ny, v = s.un * f.ny + s.ut * f.nx;
    double Un = nx * u + ny * v;  // |n| un_s
    return {s.rho * Un, Un * (s.rho * (u * u + v * v) / 2 + gamma * s.p / (gamma - 1)), s.rho * u * Un + s.p * nx,
            s.rho * v * Un + s.p * ny};
}

Flux flux_godunov_plus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    return flux_godunov(left, right, gamma, nx, ny) + f.len * tangential_term(gamma, l, r, f);
}

Flux flux_godunov_plus_limited(const FaceState& left, const FaceState& right, double gamma, double nx, double ny,
                               const double extra[6]) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double jump = r.ut - l.ut;
    double w = 0;
    if (jump != 0) {
        double am = extra[0] * extra[4] + extra[1] * extra[5];
        double bm = extra[2] * extra[4] + extra[3] * extra[5];
        w = std::clamp(1 - am * bm / jump, 0.0, 1.0);
    }
    return flux_godunov(left, right, gamma, nx, ny) + (w * f.len) * tangential_term(gamma, l, r, f);
}

// AUFS-type splitting with the face velocity and pressure of the exact
// solution: P = (0, p_s un_s, p_s n^), M = un_s/(un_s - s2).
Flux flux_godunov2(const FaceState& left, const FaceState& right, double gamma, double nx, double ny) {
    Frame f(nx, ny);
    Side l(left, f, gamma), r(right, f, gamma);
    double cl = clamped_sound_speed(gamma, l.rho, l.p), cr = clamped_sound_speed(gamma, r.rho, r.p);
    TwoRarefaction t = two_rarefaction(gamma, l.un, r.un, cl, cr);
    NormalState s = exact_riemann(in_frame(l), gamma, in_frame(r), gamma);
    bool left_upwind = s.un > 0;
    double s2 = left_upwind ? std::min({l.un - cl, t.u - t.c, 0.0}) : std::max({t.u + t.c, r.un + cr, 0.0});
    double M = s.un / (s.un - s2);
    Flux P{0, s.p * s.un, s.p * f.nx, s.p * f.ny};
    Flux A = aufs_upwind(left_upwind ? l : r, f, s2);
    return f.len * ((1 - M) * P + M * A);
}

void riemann_flux(int code, FaceState& left, FaceState& right, Flux& out, double gamma, double nx, double ny) {
    switch (code) {
    case 1: out = flux_godunov(left, right, gamma, nx, ny); break;
    case 2: out = flux_aufs(left, right, gamma, nx, ny); break;
    case 3: out = flux_hllc(left, right, gamma, nx, ny); break;
    case 4: out = flux_hll(left, right, gamma, nx, ny); break;
    case 11: out = flux_godunov_plus(left, right, gamma, nx, ny); break;
    case 12:
        floor_aufs_state(left);
        floor_aufs_state(right);
        out = flux_aufs_minus(left, right, gamma, nx, ny);
        break;
    case 13: out = flux_hllc_plus(left, right, gamma, nx, ny); break;
    case 14: out = flux_hll_minus(left, right, gamma, nx, ny); break;
    default: break;
    }
}

const char* flux_name(int code) {
    switch (code) {
    case 1: return "Godunov";
    case 2: return "AUFS";
    case 3: return "HLLC";
    case 4: return "HLL";
    case 11: return "Godunov+";
    case 12: return "AUFS-";
    case 13: return "HLLC+";
    case 14: return "HLL-";
    default: return "";
    }
}

bool known_flux_code(int code) { return flux_name(code)[0] != '\0'; }

void add_acoustic_pressure(double a, double b, double& p, double rho, double gamma) {
    p += a * b * rho * std::sqrt(gamma * p / rho);
}

}  // namespace qelta
