// Exact solution of the Riemann problem of the one-dimensional Euler
// equations of a perfect gas, sampled at x/t = 0: Newton iteration on the
// star pressure f_L(p) + f_R(p) + un_R - un_L = 0 (Toro, Riemann Solvers and
// Numerical Methods for Fluid Dynamics, 2009, ch. 4), each side with its own
// ratio of specific heats.
#include <algorithm>
#include <cmath>

#include "flow/flux.h"

namespace qelta {

namespace {

constexpr double eps = static_cast<double>(1e-9f);
constexpr int max_newton = 20;

// Constants of one side's gas.
struct GasConstants {
    double g1, g2, g3, g4, g5, g6;
    explicit GasConstants(double g)
        : g1((g - 1) / (2 * g)), g2((g + 1) / (2 * g)), g3(2 * g / (g - 1)), g4(2 / (g - 1)), g5(2 / (g + 1)),
          g6((g - 1) / (g + 1)) {}
};

struct RiemannSide {
    const NormalState& s;
    double gamma;
    GasConstants k;
    double c;  // sound speed, p/rho floored at 0.005
    RiemannSide(const NormalState& st, double g)
        : s(st), gamma(g), k(g), c(std::sqrt(g * std::max(st.p / st.rho, 0.005))) {}

    // f_K(p) and f'_K(p): shock (p > p_K) or rarefaction branch.
    void pressure_function(double p, double& f, double& df) const {
        if (p > s.p) {
            double A = k.g5 / s.rho, B = k.g6 * s.p;
            double q = std::sqrt(A / (p + B));
            f = (p - s.p) * q;
            df = q * (1 - (p - s.p) / (2 * (p + B)));
        } else {
            double pr = p / s.p;
            f = k.g4 * c * (std::pow(pr, k.g1) - 1);
            df = std::pow(pr, -k.g2) / (s.rho * c);
        }
    }
};

// Start value of the star pressure: primitive-variable estimate when the
// pressures are close, the mean when it falls below both, else the
// two-shock estimate.
double start_pressure(const RiemannSide& l, const RiemannSide& r) {
    double ppv = 0.5 * (l.s.p + r.s.p) - (r.s.un - l.s.un) * (l.s.rho + r.s.rho) * (l.c + r.c) / 8;
    double pmin = std::min(l.s.p, r.s.p), pmax = std::max(l.s.p, r.s.p);
    if (pmax / pmin <= 2 && pmin <= ppv && ppv <= pmax) return std::max(ppv, eps);
    if (ppv < pmin) return 0.5 * (l.s.p + r.s.p);
    double q = std::max(ppv, eps);
    double gl = std::sqrt(l.k.g5 / l.s.rho / (l.k.g6 * l.s.p + q));
    double gr = std::sqrt(r.k.g5 / r.s.rho / (r.k.g6 * r.s.p + q));
    return std::max((gl * l.s.p + gr * r.s.p - (r.s.un - l.s.un)) / (gl + gr), eps);
}

// Face state from the left side of the contact (u* >= 0).
NormalState sample_left(const RiemannSide& l, double ps, double us) {
    const NormalState& s = l.s;
    const GasConstants& k = l.k;
    if (ps > s.p) {
        double shock = s.un - l.c * std::sqrt(k.g2 * ps / s.p + k.g1);
        if (shock < 0) return {s.rho * (ps / s.p + k.g6) / (k.g6 * ps / s.p + 1), us, s.ut, ps};
        return s;
    }
    if (s.un - l.c >= 0) return s;
    double rho_star = s.rho * std::pow(ps / s.p, 1 / l.gamma);
    double c_star = std::sqrt(l.gamma * ps / rho_star);
    if (us - c_star > 0) {
        double c = k.g5 + k.g6 * s.un / l.c;
        return {s.rho * std::pow(c, k.g4), k.g6 * (s.un + k.g4 * l.c), s.ut, s.p * std::pow(c, k.g3)};
    }
    return {rho_star, us, s.ut, ps};
}

// Face state from the right side of the contact (u* < 0).
NormalState sample_right(const RiemannSide& r, double ps, double us) {
    const NormalState& s = r.s;
    const GasConstants& k = r.k;
    if (ps > s.p) {
        double shock = s.un + r.c * std::sqrt(k.g2 * ps / s.p + k.g1);
        if (shock > 0) return {s.rho * (ps / s.p + k.g6) / (k.g6 * ps / s.p + 1), us, s.ut, ps};
        return s;
    }
    if (s.un + r.c <= 0) return s;
    double rho_star = s.rho * std::pow(ps / s.p, 1 / r.gamma);
    double c_star = std::sqrt(r.gamma * ps / rho_star);
    if (us + c_star >= 0) return {rho_star, us, s.ut, ps};
    double c = k.g5 - k.g6 * s.un / r.c;
    return {s.rho * std::pow(c, k.g4), k.g6 * (s.un - k.g4 * r.c), s.ut, s.p * std::pow(c, k.g3)};
}

}  // namespace

NormalState exact_riemann(const NormalState& left, double gamma_left, const NormalState& right, double gamma_right) {
    RiemannSide l(left, gamma_left), r(right, gamma_right);
    double du = right.un - left.un;
    double p_old = start_pressure(l, r);
    double p = p_old, fl = 0, fr = 0;
    for (int step = 1; step <= max_newton; ++step) {
        double dfl, dfr;
        l.pressure_function(p_old, fl, dfl);
        r.pressure_function(p_old, fr, dfr);
        p = p_old - (fl + fr + du) / (dfl + dfr);
        if (2 * std::fabs(p - p_old) / std::fabs(p + p_old) <= eps) break;
        if (p < 0) p = eps;
        p_old = p;
    }
    double us = 0.5 * (left.un + right.un + fr - fl);
    return us >= 0 ? sample_left(l, p, us) : sample_right(r, p, us);
}

}  // namespace qelta
