#include "case_grids.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

#include "spacing.h"

namespace gridgen {

namespace {

// Six significant digits, for the header's description.
std::string number_text(double v) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    return std::string(buf, res.ptr);
}

// A half circle of the given radius about the origin in the channel spanned
// by the tensor grid x_lines x y_lines (y = 0 the axis): a C-shaped block
// between the half circle and the half box x in [-box, box], y in [0, box],
// whose sides are lines of the tensor grid, and the rest of the channel in
// three Cartesian blocks. Across the C the block has `layers` cells, growing
// outwards by the factor `growth`; its nodes on the circle are at equal
// angles, one for each node on the box.
struct BodyInChannel {
    double radius;
    double box;
    std::vector<double> x_lines;
    std::vector<double> y_lines;
    int layers;
    double growth;
};

int index_of(const std::vector<double>& v, double value) {
    auto it = std::find(v.begin(), v.end(), value);
    if (it == v.end()) throw std::runtime_error("a block corner is not a grid line");
    return static_cast<int>(it - v.begin());
}

std::vector<double> slice(const std::vector<double>& v, int from, int to) {
    return {v.begin() + from, v.begin() + to + 1};
}

Mesh body_in_channel(const BodyInChannel& b) {
    const auto& X = b.x_lines;
    const auto& Y = b.y_lines;
    const int il = index_of(X, -b.box), ir = index_of(X, b.box), jt = index_of(Y, b.box);
    const int ni = static_cast<int>(X.size()) - 1, nj = static_cast<int>(Y.size()) - 1;

    // The half box from (-box, 0) up, across and down to (box, 0).
    Curve outer;
    for (int j = 0; j <= jt; ++j) outer.push_back({X[il], Y[j]});
    for (int i = il + 1; i <= ir; ++i) outer.push_back({X[i], Y[jt]});
    for (int j = jt - 1; j >= 0; --j) outer.push_back({X[ir], Y[j]});
    // The half circle at the same number of equal angles, from the front.
    const int n = static_cast<int>(outer.size()) - 1;
    Curve inner;
    for (int k = 0; k <= n; ++k) inner.push_back({-b.radius * cos_pi(k, n), b.radius * sin_pi(k, n)});

    Mesh m;
    m.add_block(ruled(inner, outer, ratio_fractions(b.layers, b.growth)));
    m.add_block(tensor(slice(X, 0, il), slice(Y, 0, jt)));
    m.add_block(tensor(slice(X, ir, ni), slice(Y, 0, jt)));
    m.add_block(tensor(X, slice(Y, jt, nj)));
    return m;
}

}  // namespace

double airfoil_thickness(double x) {
    const double c1 = 1.4911139152933968;
    const double c2 = static_cast<double>(-0.6356262f);
    const double c3 = static_cast<double>(-1.7895396f);
    const double c4 = static_cast<double>(1.4599249f);
    const double c5 = static_cast<double>(-0.52587306f);
    return 0.11893782960568898 * (c1 * std::sqrt(x) + c2 * x + c3 * x * x + c4 * x * x * x + c5 * x * x * x * x);
}

// Cylinder of radius 0.5 in x [-4, 6], y [0, 4]; spacing 0.1 over
// [-2, 2] x [0, 2] (the photographed part), growing outside; the box side
// x = -0.8 is where the shock starts.
CaseGrid cylinder_grid() {
    BodyInChannel b;
    b.radius = 0.5;
    b.box = 0.8;
    b.x_lines = join(join(reversed(graded(-2, -4, 0.1, 0.3)), steps(-20, 20, 10)), graded(2, 6, 0.1, 0.4));
    b.y_lines = join(steps(0, 20, 10), graded(2, 4, 0.1, 0.3));
    b.layers = 4;
    b.growth = 1.2;
    return {"model1.neu", "model1 - moving shock over a cylinder (plane) or a sphere (axisymmetric)",
            "x from -4 to 6, y from 0 to 4; body circle of radius 0.5 at the origin; node line at x = -0.8",
            body_in_channel(b)};
}

// Sphere of radius 1 in x [-20, 20], y [0, 15]; spacing 0.1 on the box
// [-1.2, 1.2] x [0, 1.2] growing to 1 at the far boundaries.
CaseGrid sphere_grid() {
    BodyInChannel b;
    b.radius = 1.0;
    b.box = 1.2;
    b.x_lines = join(join(reversed(graded(-1.2, -20, 0.1, 1.0)), steps(-12, 12, 10)), graded(1.2, 20, 0.1, 1.0));
    b.y_lines = join(steps(0, 12, 10), graded(1.2, 15, 0.1, 1.0));
    b.layers = 5;
    b.growth = 1.2;
    return {"model101.neu", "model101 - moving shock over a sphere of radius 1 with viscous drag (axisymmetric)",
            "x from -20 to 20, y from 0 to 15; body circle of radius 1 at the origin; node line at x = -1.2",
            body_in_channel(b)};
}

// Unit box, 40 x 40 equal cells.
CaseGrid box_grid() {
    Mesh m;
    m.add_block(tensor(steps(0, 20, 20), steps(0, 20, 20)));
    return {"model5.neu", "model5 - explosion in a closed box (plane) or on the axis (axisymmetric)",
            "x from 0 to 1, y from 0 to 1; walls all round", std::move(m)};
}

namespace {

constexpr int wedge_rows = 20;  // cells from the bottom to the top wall

// Angle below 45 degrees: one block, columns x = k/20 for k = -20..20 from
// the floor (y = 0, then the surface y = x tan a) to the top wall y = 1; the
// last column is the right wall x = 1. Over the wedge the cells grow from the
// top wall down to the surface by the factor 1/q, q = 1 + (q1 - 1) x.
Mesh wedge_below_45(double t0, double q1) {
    const auto x = steps(-20, 20, 20);
    const auto y_even = steps(0, wedge_rows, wedge_rows);
    PointGrid g(static_cast<int>(x.size()) - 1, wedge_rows);
    for (int i = 0; i <= g.ni(); ++i) {
        if (x[i] <= 0) {
            for (int j = 0; j <= wedge_rows; ++j) g.at(i, j) = {x[i], y_even[j]};
            continue;
        }
        const double floor = x[i] * t0;
        const auto s = ratio_fractions(wedge_rows, 1 + (q1 - 1) * x[i]);
        g.at(i, 0) = {x[i], floor};
        for (int j = 1; j < wedge_rows; ++j) g.at(i, j) = {x[i], floor + (1 - floor) * s[j]};
        g.at(i, wedge_rows) = {x[i], 1.0};
    }
    Mesh m;
    m.add_block(g);
    return m;
}

// Angle of 45 degrees or more: a Cartesian block x in [-1, -0.2] whose
// columns close up towards x = -0.2, and a fan of straight columns from
// the floor [-0.2, 0] to the top wall [-0.2, c0] whose last column is the
// surface x = c0 y (c0 = cot a); rows y = j/20 throughout.
Mesh wedge_from_45(double c0) {
    const int fan = std::max(4, static_cast<int>(std::lround((0.2 + c0) / 0.08)));
    const double h_fan = 0.2 / fan;
    const auto y = steps(0, wedge_rows, wedge_rows);
    const auto x_left = graded(-1, -0.2, 0.05, h_fan);
    Mesh m;
    m.add_block(tensor(x_left, y));
    PointGrid g(fan, wedge_rows);
    for (int k = 0; k <= fan; ++k) {
        const double xb = k == fan ? 0.0 : -0.2 + 0.2 * k / fan;
        const double xt = k == fan ? c0 : -0.2 + (0.2 + c0) * k / fan;
        for (int j = 0; j <= wedge_rows; ++j) {
            const double xj = j == 0 ? xb : j == wedge_rows ? xt : xb + (xt - xb) * y[j];
            g.at(k, j) = {k == 0 ? -0.2 : xj, y[j]};
        }
    }
    m.add_block(g);
    return m;
}

// Over the wedge the cells grow towards the surface by 1/q at the right
// wall (q at x; 1 at the apex): for the grids that are bent up into a thin
// gap under the top wall, thicker cells along the surface keep the bent
// grid untangled.
double wedge_growth(int angle) {
    switch (angle) {
    case 25: return 0.96;
    case 30: return 0.93;
    case 35: return 0.90;
    default: return 1.0;
    }
}

}  // namespace

CaseGrid wedge_grid(int angle) {
    char name[32];
    std::snprintf(name, sizeof name, "wedge/wedge%02d.neu", angle);
    const double a = angle * std::numbers::pi / 180;
    CaseGrid g;
    g.file = name;
    g.title = std::string(name + 6, 7) + " - moving shock over a wedge (plane) or a cone (axisymmetric) of " +
              std::to_string(angle) + " degrees";
    if (angle < 45) {
        const double t0 = angle == 0 ? 0.0 : std::tan(a);
        g.domain = "x from -1 to 1, y from 0 to 1; surface from (0, 0) to (1, " + number_text(t0) +
                   "), right wall x = 1 above it; node line at x = -0.2";
        g.mesh = wedge_below_45(t0, wedge_growth(angle));
    } else {
        const double c0 = angle == 90 ? 0.0 : angle == 45 ? 1.0 : 1 / std::tan(a);
        g.domain = "x from -1, y from 0 to 1; surface from (0, 0) to (" + number_text(c0) +
                   ", 1) on the top wall; node line at x = -0.2";
        g.mesh = wedge_from_45(c0);
    }
    return g;
}

// O-grid round the airfoil of unit chord to a circle of radius 6 about
// (0.5, 0). Node k of 2n round the airfoil (from the trailing edge over the
// lower side) sits at x = (1 + cos(pi k/n))/2 (cosine spacing), y = -+t(x);
// its grid line runs to the circle at the angle -pi k/n, so that body and
// circle are blended like two ellipses of one parameter, and is bent near the
// body towards the body normal: P(s) = (1 - s) P_body + s P_far + 4 s (1 - s)^4 N,
// N the part of the unit normal across the straight line.
CaseGrid airfoil_grid() {
    const int n = 48;
    const double radius = 6;
    Curve body, far;
    for (int k = 0; k < 2 * n; ++k) {
        const int kc = k <= n ? k : 2 * n - k;
        const double x = kc == 0 ? 1.0 : kc == n ? 0.0 : (1 + cos_pi(kc, n)) / 2;
        const double t = kc == 0 || kc == n ? 0.0 : airfoil_thickness(x);
        body.push_back({x, k < n ? -t : t});
        far.push_back({0.5 + radius * cos_pi(k, n), -radius * sin_pi(k, n)});
    }
    const auto s = ratio_fractions(32, 1.155);
    const int rings = static_cast<int>(s.size()) - 1;
    PointGrid g(2 * n, rings);
    for (int k = 0; k < 2 * n; ++k) {
        // Outward normal: the chord of the two neighbours turned counterclockwise
        // (the nodes run clockwise round the body).
        const Point& a = body[(k + 2 * n - 1) % (2 * n)];
        const Point& b = body[(k + 1) % (2 * n)];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        double nx = (a.y - b.y) / len, ny = (b.x - a.x) / len;
        // Only its part across the straight line bends the line.
        const double ux = far[k].x - body[k].x, uy = far[k].y - body[k].y;
        const double ul = std::hypot(ux, uy);
        const double along = (nx * ux + ny * uy) / ul;
        nx -= along * ux / ul;
        ny -= along * uy / ul;
        g.at(k, 0) = body[k];
        g.at(k, rings) = far[k];
        for (int j = 1; j < rings; ++j) {
            const double r = (1 - s[j]) * (1 - s[j]);
            const double w = 4 * s[j] * r * r;
            g.at(k, j) = {(1 - s[j]) * body[k].x + s[j] * far[k].x + w * nx,
                          (1 - s[j]) * body[k].y + s[j] * far[k].y + w * ny};
        }
    }
    for (int j = 0; j <= rings; ++j) g.at(2 * n, j) = g.at(0, j);
    Mesh m;
    m.add_block(g);
    return {"naca1208a.neu", "naca1208a - airfoil of unit chord in a uniform stream (plane)",
            "airfoil from (0, 0) to (1, 0); far field circle of radius 6 about (0.5, 0)", std::move(m)};
}

std::vector<CaseGrid> all_case_grids() {
    std::vector<CaseGrid> v;
    v.push_back(cylinder_grid());
    for (int a = 0; a <= 90; a += 5) v.push_back(wedge_grid(a));
    v.push_back(box_grid());
    v.push_back(sphere_grid());
    v.push_back(airfoil_grid());
    return v;
}

}  // namespace gridgen
