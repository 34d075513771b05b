#include "spacing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace gridgen {

namespace {

// 1 + q + ... + q^(n-1)
double power_sum(double q, int n) {
    double s = 0, t = 1;
    for (int k = 0; k < n; ++k) {
        s += t;
        t *= q;
    }
    return s;
}

// The factor q with h (1 + q + ... + q^(n-1)) = length, by bisection.
double growth_factor(double length, double h, int n) {
    double lo = 1e-3, hi = 1e3;
    for (int it = 0; it < 200; ++it) {
        const double mid = (lo + hi) / 2;
        if (mid == lo || mid == hi) break;
        (h * power_sum(mid, n) < length ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

}  // namespace

std::vector<double> steps(int m0, int m1, int den) {
    std::vector<double> v;
    for (int m = m0; m <= m1; ++m) v.push_back(static_cast<double>(m) / den);
    return v;
}

// x_k = a + h (1 + q + ... + q^(k-1)) towards b, x_n = b.
std::vector<double> geometric(double a, double b, double h_first, int n) {
    const double length = std::fabs(b - a);
    const double dir = b > a ? 1.0 : -1.0;
    const double q = growth_factor(length, h_first, n);
    std::vector<double> v{a};
    double s = 0, t = h_first;
    for (int k = 1; k < n; ++k) {
        s += t;
        t *= q;
        v.push_back(a + dir * s);
    }
    v.push_back(b);
    return v;
}

// First h_a, last h_b: q = (L - h_a)/(L - h_b), n - 1 = ln(h_b/h_a)/ln q.
std::vector<double> graded(double a, double b, double h_a, double h_b) {
    const double length = std::fabs(b - a);
    if (std::fabs(h_b - h_a) < 1e-12 * length) {
        // Equal cells: x_k = a + (b - a) k/n.
        const int n = std::max(1, static_cast<int>(std::lround(length / h_a)));
        std::vector<double> v;
        for (int k = 0; k < n; ++k) v.push_back(a + (b - a) * k / n);
        v.push_back(b);
        return v;
    }
    const double q = (length - h_a) / (length - h_b);
    const int n = 1 + static_cast<int>(std::lround(std::log(h_b / h_a) / std::log(q)));
    return geometric(a, b, h_a, std::max(n, 1));
}

// s_k = (1 + q + ... + q^(k-1)) / (1 + q + ... + q^(n-1)).
std::vector<double> ratio_fractions(int n, double q) {
    const double total = power_sum(q, n);
    std::vector<double> v{0.0};
    double s = 0, t = 1;
    for (int k = 1; k < n; ++k) {
        s += t;
        t *= q;
        v.push_back(s / total);
    }
    v.push_back(1.0);
    return v;
}

std::vector<double> join(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.back() != b.front()) throw std::runtime_error("join: the lines do not meet");
    std::vector<double> v = a;
    v.insert(v.end(), b.begin() + 1, b.end());
    return v;
}

std::vector<double> reversed(std::vector<double> a) {
    std::reverse(a.begin(), a.end());
    return a;
}

// Reduced to the first quadrant, 0 <= k/n <= 1/2.
double cos_pi(int k, int n) {
    k %= 2 * n;
    if (k < 0) k += 2 * n;
    if (k > n) return cos_pi(2 * n - k, n);
    if (2 * k > n) return -cos_pi(n - k, n);
    if (k == 0) return 1.0;
    if (2 * k == n) return 0.0;
    return std::cos(std::numbers::pi * k / n);
}

double sin_pi(int k, int n) {
    k %= 2 * n;
    if (k < 0) k += 2 * n;
    if (k > n) return -sin_pi(2 * n - k, n);
    if (2 * k > n) return sin_pi(n - k, n);
    if (k == 0) return 0.0;
    if (2 * k == n) return 1.0;
    return std::sin(std::numbers::pi * k / n);
}

}  // namespace gridgen
