#include "wedge_bend.h"

#include <algorithm>
#include <cmath>

namespace qelta::testing {

namespace {

constexpr double deg = 0.017453292519943295;
constexpr double single(float v) { return static_cast<double>(v); }

double cot_deg(double a) { return a == 90 ? 0.0 : 1 / std::tan(a * deg); }

// Below 45 degrees: the right wall (y between 0.9999 t0 and 0.999999) is
// stretched, y' = 1 - (1 - t1)(1 - y)/(1 - t0); surface nodes turn about the
// apex to (v, v t1), v = min(r cos a, 1).
void move_below_45(NeuGrid& g, const std::vector<char>& on_boundary, int grid_angle, double angle) {
    const double t0 = std::tan(grid_angle * deg), t1 = std::tan(angle * deg);
    for (std::size_t n = 0; n < g.x.size(); ++n) {
        if (!on_boundary[n + 1] || !(g.x[n] > 0)) continue;
        const double y = g.y[n];
        if (y > single(0.9999f) * t0 && y < single(0.999999f)) {
            g.x[n] = 1;
            g.y[n] = 1 - (1 - t1) * (1 - y) / (1 - t0);
        } else if (y <= single(0.9999f) * t0) {
            const double v = std::min(std::hypot(g.x[n], y) * std::cos(angle * deg), 1.0);
            if (std::fabs(v - 1) < single(1e-5f)) {
                g.x[n] = 1;
                g.y[n] = t1;
            } else {
                g.x[n] = v;
                g.y[n] = v * t1;
            }
        }
    }
}

// From 45 degrees: surface nodes to x = y / tan a, then the top wall
// stretched, x' = (x + 1)(c1 + 1)/(c0 + 1) - 1.
void move_from_45(NeuGrid& g, const std::vector<char>& on_boundary, int grid_angle, double angle) {
    const double ratio = (cot_deg(angle) + 1) / (1 + cot_deg(grid_angle));
    for (std::size_t n = 0; n < g.x.size(); ++n)
        if (on_boundary[n + 1] && g.x[n] > -1e-7 && g.y[n] < 0.9999999) g.x[n] = g.y[n] / std::tan(angle * deg);
    for (std::size_t n = 0; n < g.x.size(); ++n)
        if (on_boundary[n + 1] && g.y[n] > 0.9999999) g.x[n] = (g.x[n] + 1) * ratio - 1;
}

// Ten passes: cell centroids := mean of the corners, free nodes := mean of
// the centroids of their cells.
void smooth(NeuGrid& g, const std::vector<char>& on_boundary) {
    const std::size_t nc = g.cells.size(), nn = g.x.size();
    std::vector<double> cx(nc), cy(nc), sx(nn), sy(nn), count(nn);
    for (int pass = 0; pass < 10; ++pass) {
        for (std::size_t c = 0; c < nc; ++c) {
            cx[c] = cy[c] = 0;
            for (int n : g.cells[c]) {
                cx[c] += g.x[n - 1] / 4;
                cy[c] += g.y[n - 1] / 4;
            }
        }
        std::fill(sx.begin(), sx.end(), 0.0);
        std::fill(sy.begin(), sy.end(), 0.0);
        std::fill(count.begin(), count.end(), 0.0);
        for (std::size_t c = 0; c < nc; ++c)
            for (int n : g.cells[c]) {
                sx[n - 1] += cx[c];
                sy[n - 1] += cy[c];
                count[n - 1] += 1;
            }
        for (std::size_t n = 0; n < nn; ++n)
            if (!on_boundary[n + 1]) {
                g.x[n] = sx[n] / count[n];
                g.y[n] = sy[n] / count[n];
            }
    }
}

}  // namespace

int wedge_grid_for(double angle) {
    const double a = std::clamp(angle, 0.0, 90.0);
    if (a > 40 && a < 45) return 45;
    return 5 * static_cast<int>((a + 2.5) / 5);
}

void bend_wedge(NeuGrid& g, int grid_angle, double angle) {
    if (angle == grid_angle) return;
    const std::vector<char> on_boundary = topology(g).boundary_node;
    if (grid_angle < 45)
        move_below_45(g, on_boundary, grid_angle, angle);
    else
        move_from_45(g, on_boundary, grid_angle, angle);
    smooth(g, on_boundary);
}

}  // namespace qelta::testing
