#include "support/riemann_reference.h"

#include <cmath>

namespace qelta::testing {

// f_K(p): the velocity change across the wave of side K (shock when
// p > p_K, rarefaction otherwise).
double RiemannReference::f(const Gas1D& k, double p) const {
    double g = gamma_;
    double c = std::sqrt(g * k.p / k.rho);
    if (p > k.p) {
        double A = 2 / ((g + 1) * k.rho), B = (g - 1) / (g + 1) * k.p;
        return (p - k.p) * std::sqrt(A / (p + B));
    }
    return 2 * c / (g - 1) * (std::pow(p / k.p, (g - 1) / (2 * g)) - 1);
}

RiemannReference::RiemannReference(const Gas1D& left, const Gas1D& right, double gamma)
    : left_(left), right_(right), gamma_(gamma) {
    // f_L + f_R + du rises with p: bisect on log p.
    double lo = std::log(1e-14), hi = std::log(1e8);
    for (int i = 0; i < 200; ++i) {
        double mid = 0.5 * (lo + hi);
        double p = std::exp(mid);
        if (f(left_, p) + f(right_, p) + right_.u - left_.u > 0)
            hi = mid;
        else
            lo = mid;
    }
    p_star_ = std::exp(0.5 * (lo + hi));
    u_star_ = 0.5 * (left_.u + right_.u) + 0.5 * (f(right_, p_star_) - f(left_, p_star_));
}

Gas1D RiemannReference::sample(double s) const {
    double g = gamma_;
    double gm = (g - 1) / (g + 1);
    bool on_left = s <= u_star_;
    const Gas1D& k = on_left ? left_ : right_;
    double sign = on_left ? -1 : 1;  // the wave runs against (left) or with (right) s
    double c = std::sqrt(g * k.p / k.rho);
    double ps = p_star_;
    if (ps > k.p) {
        // Shock: speed u_K -+ c sqrt((g+1)/(2g) p*/p_K + (g-1)/(2g)).
        double speed = k.u + sign * c * std::sqrt((g + 1) / (2 * g) * ps / k.p + (g - 1) / (2 * g));
        bool behind = on_left ? s > speed : s < speed;
        if (!behind) return k;
        return {k.rho * (ps / k.p + gm) / (gm * ps / k.p + 1), u_star_, ps};
    }
    // Rarefaction: head u_K -+ c, tail u* -+ c*.
    double rho_star = k.rho * std::pow(ps / k.p, 1 / g);
    double c_star = std::sqrt(g * ps / rho_star);
    double head = k.u + sign * c, tail = u_star_ + sign * c_star;
    bool before_head = on_left ? s <= head : s >= head;
    bool after_tail = on_left ? s >= tail : s <= tail;
    if (before_head) return k;
    if (after_tail) return {rho_star, u_star_, ps};
    // Inside the fan: u = 2/(g+1) (-+c_K + (g-1)/2 u_K + s), isentropic.
    double u = 2 / (g + 1) * (-sign * c + (g - 1) / 2 * k.u + s);
    double cf = on_left ? u - s : s - u;
    double rho = k.rho * std::pow(cf / c, 2 / (g - 1));
    return {rho, u, k.p * std::pow(rho / k.rho, g)};
}

}  // namespace qelta::testing
