#include "mesh.h"

#include <cmath>
#include <stdexcept>

namespace gridgen {

int Mesh::node(Point p) {
    p.x += 0.0;  // -0 becomes +0
    p.y += 0.0;
    auto [it, fresh] = index_.try_emplace({p.x, p.y}, static_cast<int>(nodes_.size()) + 1);
    if (fresh) nodes_.push_back(p);
    return it->second;
}

void Mesh::add_cell(int n1, int n2, int n3, int n4) { cells_.push_back({n1, n2, n3, n4}); }

void Mesh::add_block(const PointGrid& g) {
    ++blocks_;
    for (int j = 0; j < g.nj(); ++j) {
        for (int i = 0; i < g.ni(); ++i) {
            // One at a time: the nodes are numbered in this order.
            const int n1 = node(g.at(i, j));
            const int n2 = node(g.at(i + 1, j));
            const int n3 = node(g.at(i + 1, j + 1));
            const int n4 = node(g.at(i, j + 1));
            add_cell(n1, n2, n3, n4);
        }
    }
}

// Corner k is convex and counterclockwise when (P_k+1 - P_k) x (P_k-1 - P_k) > 0.
void Mesh::check_cells(const std::string& name) const {
    for (std::size_t c = 0; c < cells_.size(); ++c) {
        for (int k = 0; k < 4; ++k) {
            const Point& p = nodes_[static_cast<std::size_t>(cells_[c][k] - 1)];
            const Point& a = nodes_[static_cast<std::size_t>(cells_[c][(k + 1) % 4] - 1)];
            const Point& b = nodes_[static_cast<std::size_t>(cells_[c][(k + 3) % 4] - 1)];
            const double cross = (a.x - p.x) * (b.y - p.y) - (a.y - p.y) * (b.x - p.x);
            if (!(cross > 0))
                throw std::runtime_error(name + ": cell " + std::to_string(c + 1) +
                                         " is not a convex counterclockwise quadrilateral");
        }
    }
}

namespace {

// Normalised arc length along a curve, 0 at its start and 1 at its end.
std::vector<double> arc_parameter(const Curve& c) {
    std::vector<double> s(c.size(), 0.0);
    for (std::size_t k = 1; k < c.size(); ++k) s[k] = s[k - 1] + std::hypot(c[k].x - c[k - 1].x, c[k].y - c[k - 1].y);
    for (double& v : s) v /= s.back();
    return s;
}

bool same(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

// Coons patch with the parameters of the boundary curves blended across the
// block: s = sB + t (sT - sB), t = tL + s (tR - tL), solved for (s, t);
// P = (1-t) B + t T + (1-s) L + s R - bilinear interpolation of the corners.
PointGrid transfinite(const Curve& bottom, const Curve& top, const Curve& left, const Curve& right) {
    const int ni = static_cast<int>(bottom.size()) - 1;
    const int nj = static_cast<int>(left.size()) - 1;
    if (static_cast<int>(top.size()) != ni + 1 || static_cast<int>(right.size()) != nj + 1 ||
        !same(bottom.front(), left.front()) || !same(bottom.back(), right.front()) ||
        !same(top.front(), left.back()) || !same(top.back(), right.back()))
        throw std::runtime_error("transfinite: the four curves do not close");
    const auto sb = arc_parameter(bottom), st = arc_parameter(top);
    const auto tl = arc_parameter(left), tr = arc_parameter(right);
    const Point p00 = bottom.front(), p10 = bottom.back(), p01 = top.front(), p11 = top.back();
    PointGrid g(ni, nj);
    for (int j = 0; j <= nj; ++j) {
        for (int i = 0; i <= ni; ++i) {
            if (j == 0) { g.at(i, j) = bottom[i]; continue; }
            if (j == nj) { g.at(i, j) = top[i]; continue; }
            if (i == 0) { g.at(i, j) = left[j]; continue; }
            if (i == ni) { g.at(i, j) = right[j]; continue; }
            const double ds = st[i] - sb[i], dt = tr[j] - tl[j];
            const double den = 1 - ds * dt;
            const double s = (sb[i] + tl[j] * ds) / den;
            const double t = (tl[j] + sb[i] * dt) / den;
            Point& p = g.at(i, j);
            p.x = (1 - t) * bottom[i].x + t * top[i].x + (1 - s) * left[j].x + s * right[j].x -
                  ((1 - s) * (1 - t) * p00.x + s * (1 - t) * p10.x + (1 - s) * t * p01.x + s * t * p11.x);
            p.y = (1 - t) * bottom[i].y + t * top[i].y + (1 - s) * left[j].y + s * right[j].y -
                  ((1 - s) * (1 - t) * p00.y + s * (1 - t) * p10.y + (1 - s) * t * p01.y + s * t * p11.y);
        }
    }
    return g;
}

PointGrid ruled(const Curve& inner, const Curve& outer, const std::vector<double>& s) {
    if (inner.size() != outer.size()) throw std::runtime_error("ruled: curves of different lengths");
    const int ni = static_cast<int>(inner.size()) - 1;
    const int nj = static_cast<int>(s.size()) - 1;
    PointGrid g(ni, nj);
    for (int i = 0; i <= ni; ++i) {
        g.at(i, 0) = inner[i];
        g.at(i, nj) = outer[i];
        for (int j = 1; j < nj; ++j) {
            const double a = 1 - s[j], b = s[j];
            g.at(i, j) = {a * inner[i].x + b * outer[i].x, a * inner[i].y + b * outer[i].y};
        }
    }
    return g;
}

PointGrid tensor(const std::vector<double>& x, const std::vector<double>& y) {
    PointGrid g(static_cast<int>(x.size()) - 1, static_cast<int>(y.size()) - 1);
    for (int j = 0; j <= g.nj(); ++j)
        for (int i = 0; i <= g.ni(); ++i) g.at(i, j) = {x[i], y[j]};
    return g;
}

}  // namespace gridgen
