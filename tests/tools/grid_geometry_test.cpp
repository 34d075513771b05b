// Geometry of every case grid, read from its file: cells, seams, boundary
// pieces on the lines that the boundary rules test, bodies, axis and the
// node line where the shock starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "neu_grid.h"

using namespace qelta::testing;

namespace {

constexpr double deg = 0.017453292519943295;
constexpr double none = std::numeric_limits<double>::quiet_NaN();

// t(x) = 0.11893782960568898 (c1 sqrt x + c2 x + c3 x^2 + c4 x^3 + c5 x^4),
// c2..c5 single-precision values.
double thickness(double x) {
    const double c[5] = {1.4911139152933968, static_cast<double>(-0.6356262f), static_cast<double>(-1.7895396f),
                         static_cast<double>(1.4599249f), static_cast<double>(-0.52587306f)};
    return 0.11893782960568898 * (c[0] * std::sqrt(x) + c[1] * x + c[2] * x * x + c[3] * x * x * x +
                                  c[4] * x * x * x * x);
}

struct P {
    double x, y;
};

// What the pieces of a grid's boundary are. `piece` names the piece a
// boundary side (end points a, b) lies on, "" when none; `open` is the case's
// rule for an open boundary from the side's midpoint; `projected` tells
// whether the adaptation would move a split point at the midpoint onto the
// body (inside the body's box).
struct GridSpec {
    std::string file;
    bool axisymmetric;  // also run as a body of revolution
    double xshock;      // node line where the shock starts, or NaN
    double axis_length; // of the boundary on y = 0
    std::function<bool(P)> on_body;
    std::function<std::string(P, P)> piece;
    std::function<bool(P)> open;
    std::function<bool(P)> projected;
};

bool on_circle(P p, double cx, double r) { return std::fabs(std::hypot(p.x - cx, p.y) - r) <= 1e-12; }

bool on_airfoil(P p) {
    if (p.x == 0 && p.y == 0) return true;  // leading edge
    if (p.x == 1 && p.y == 0) return true;  // trailing edge: t(1) is round-off of the coefficients
    return p.x > 0 && p.x < 1 && std::fabs(std::fabs(p.y) - thickness(p.x)) <= 1e-12;
}

// Surface of the wedge: from the apex along the angle to x = 1 or y = 1.
bool on_wedge(P p, int angle) {
    const double a = angle * deg;
    const double dist = std::fabs(p.y * std::cos(a) - p.x * std::sin(a));
    const double end_x = angle < 45 ? 1.0 : angle == 90 ? 0.0 : 1 / std::tan(a);
    return dist <= 1e-12 && p.x >= -1e-12 && p.x <= end_x + 1e-12 && p.y <= 1 + 1e-12;
}

GridSpec body_in_channel(const std::string& file, double radius, double x0, double x1, double top, double xs,
                         std::function<bool(P)> open) {
    GridSpec s;
    s.file = file;
    s.axisymmetric = true;
    s.xshock = xs;
    s.axis_length = x1 - x0 - 2 * radius;
    s.on_body = [=](P p) { return on_circle(p, 0, radius); };
    s.piece = [=](P a, P b) -> std::string {
        if (on_circle(a, 0, radius) && on_circle(b, 0, radius)) return "body";
        if (a.x == x0 && b.x == x0) return "left";
        if (a.x == x1 && b.x == x1) return "right";
        if (a.y == 0 && b.y == 0) return "axis";
        if (a.y == top && b.y == top) return "top";
        return "";
    };
    s.open = open;
    s.projected = [=](P m) { return std::fabs(m.x) <= radius && m.y <= radius; };
    return s;
}

GridSpec wedge_spec(int angle) {
    GridSpec s;
    char name[32];
    std::snprintf(name, sizeof name, "wedge/wedge%02d.neu", angle);
    s.file = name;
    s.axisymmetric = true;
    s.xshock = -0.2;
    s.axis_length = angle == 0 ? 2 : 1;  // the floor, and the surface of 0 degrees
    s.on_body = [=](P p) { return on_wedge(p, angle); };
    s.piece = [=](P a, P b) -> std::string {
        if (on_wedge(a, angle) && on_wedge(b, angle)) return "surface";
        if (a.x == -1 && b.x == -1) return "left";
        if (a.y == 0 && b.y == 0 && a.x <= 0 && b.x <= 0) return "floor";
        if (a.y == 1 && b.y == 1) return "top";
        if (angle < 45 && a.x == 1 && b.x == 1) return "right";
        return "";
    };
    s.open = [](P m) { return !(m.x > -0.99999); };
    s.projected = [](P) { return false; };
    return s;
}

std::vector<GridSpec> all_specs() {
    std::vector<GridSpec> v;
    v.push_back(body_in_channel("model1.neu", 0.5, -4, 6, 4, -0.8,
                                [](P m) { return m.x <= -3.99999 || m.x >= 5.99999; }));
    for (int a = 0; a <= 90; a += 5) v.push_back(wedge_spec(a));
    GridSpec box;
    box.file = "model5.neu";
    box.axisymmetric = true;
    box.xshock = none;
    box.axis_length = 1;
    box.on_body = [](P) { return false; };
    box.piece = [](P a, P b) -> std::string {
        for (double c : {0.0, 1.0}) {
            if (a.x == c && b.x == c) return "side";
            if (a.y == c && b.y == c) return "floor or top";
        }
        return "";
    };
    box.open = [](P) { return false; };
    box.projected = [](P) { return false; };
    v.push_back(box);
    GridSpec sphere = body_in_channel("model101.neu", 1.0, -20, 20, 15, -1.2,
                                      [](P m) { return m.x <= -19.999 || m.x >= 19.999; });
    // The no-slip wall of the viscous run: |xm| <= 1.000001 and ym <= 1.000001.
    sphere.projected = [](P m) { return std::fabs(m.x) <= 1.000001 && m.y <= 1.000001; };
    v.push_back(sphere);
    GridSpec foil;
    foil.file = "naca1208a.neu";
    foil.axisymmetric = false;
    foil.xshock = none;
    foil.axis_length = 0;
    foil.on_body = on_airfoil;
    foil.piece = [](P a, P b) -> std::string {
        if (on_airfoil(a) && on_airfoil(b)) return "airfoil";
        if (on_circle(a, 0.5, 6) && on_circle(b, 0.5, 6)) return "far field";
        return "";
    };
    foil.open = [](P m) { return m.x * m.x + m.y * m.y > 9; };
    foil.projected = [](P m) { return std::fabs(m.x) <= 1 && std::fabs(m.y) <= 1; };
    v.push_back(foil);
    return v;
}

void PrintTo(const GridSpec& s, std::ostream* os) { *os << s.file; }

class CaseGridGeometry : public ::testing::TestWithParam<GridSpec> {
protected:
    void SetUp() override {
        g = read_neu(std::string(QELTA_GRID_DIR) + "/" + GetParam().file);
        t = topology(g);
    }
    P at(int n) const { return {g.x[n - 1], g.y[n - 1]}; }
    NeuGrid g;
    Topology t;
};

TEST_P(CaseGridGeometry, CellsAreConvexAndCounterclockwise) {
    ASSERT_FALSE(g.cells.empty());
    int bad = 0;
    for (std::size_t c = 0; c < g.cells.size(); ++c)
        for (int k = 0; k < 4; ++k)
            if (!(corner_cross(g, c, k) > 0) && bad++ < 5) ADD_FAILURE() << "cell " << c + 1 << " corner " << k + 1;
    EXPECT_EQ(bad, 0);
}

TEST_P(CaseGridGeometry, SeamsShareTheirNodes) {
    // No two nodes closer than 1e-9: sorted by x, only neighbours within 1e-9 in x can be.
    std::vector<int> order(g.x.size());
    for (std::size_t n = 0; n < order.size(); ++n) order[n] = static_cast<int>(n);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return g.x[a] < g.x[b]; });
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t k = i + 1; k < order.size() && g.x[order[k]] - g.x[order[i]] < 1e-9; ++k)
            EXPECT_GE(std::hypot(g.x[order[k]] - g.x[order[i]], g.y[order[k]] - g.y[order[i]]), 1e-9)
                << "nodes " << order[i] + 1 << " and " << order[k] + 1;
    // Every side of one cell or of two that run through it in opposite directions.
    EXPECT_TRUE(t.faults.empty()) << t.faults.front();
    // Every node is a corner of some cell.
    for (std::size_t n = 1; n <= g.x.size(); ++n) EXPECT_GT(t.cells_round[n], 0) << "node " << n;
}

TEST_P(CaseGridGeometry, BoundaryIsClosedWithoutInnerSidesBetweenBoundaryNodes) {
    std::map<int, int> out, in;
    for (const Side& s : t.boundary) ++out[s.a], ++in[s.b];
    for (const auto& [n, k] : out) EXPECT_TRUE(k == 1 && in[n] == 1) << "boundary node " << n;
    for (const Side& s : t.inner)
        EXPECT_FALSE(t.boundary_node[s.a] && t.boundary_node[s.b])
            << "inner side " << s.a << "-" << s.b << " joins two boundary nodes";
    for (std::size_t n = 1; n <= g.x.size(); ++n)
        EXPECT_LE(t.cells_round[n], t.boundary_node[n] ? 6 : 7) << "node " << n;
}

TEST_P(CaseGridGeometry, BoundaryRulesFindTheIntendedPieces) {
    const GridSpec& spec = GetParam();
    std::map<std::string, double> length;
    for (const Side& s : t.boundary) {
        const P a = at(s.a), b = at(s.b), m{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const std::string piece = spec.piece(a, b);
        ASSERT_NE(piece, "") << "boundary side " << s.a << "-" << s.b << " at (" << a.x << ", " << a.y << ")";
        length[piece] += std::hypot(b.x - a.x, b.y - a.y);
        // Open: the channel ends and the far field; the wedges' right wall is a wall.
        const bool expect_open = piece == "left" || piece == "far field" ||
                                 (piece == "right" && spec.file.rfind("wedge", 0) != 0);
        EXPECT_EQ(spec.open(m), expect_open) << piece << " side at (" << m.x << ", " << m.y << ")";
        const bool body = piece == "body" || piece == "airfoil";
        EXPECT_EQ(spec.projected(m), body) << piece << " side at (" << m.x << ", " << m.y << ")";
    }
    // The open ends and the bodies are whole.
    if (spec.file == "model1.neu") {
        EXPECT_NEAR(length["left"], 4, 1e-12);
        EXPECT_NEAR(length["right"], 4, 1e-12);
        EXPECT_NEAR(length["body"], std::acos(-1.0) * 0.5, 2e-3);
    } else if (spec.file == "model101.neu") {
        EXPECT_NEAR(length["left"], 15, 1e-12);
        EXPECT_NEAR(length["right"], 15, 1e-12);
        EXPECT_NEAR(length["body"], std::acos(-1.0), 2e-3);
    } else if (spec.file.rfind("wedge", 0) == 0) {
        EXPECT_NEAR(length["left"], 1, 1e-12);
        EXPECT_GT(length["surface"], 0.99);
    } else if (spec.file == "model5.neu") {
        EXPECT_NEAR(length["side"] + length["floor or top"], 4, 1e-12);
    } else {
        EXPECT_NEAR(length["far field"], 12 * std::acos(-1.0), 0.02);
        EXPECT_GT(length["airfoil"], 2.0);
    }
}

TEST_P(CaseGridGeometry, BodyNodesLieOnTheBody) {
    const GridSpec& spec = GetParam();
    std::set<int> body;
    for (const Side& s : t.boundary) {
        const std::string piece = spec.piece(at(s.a), at(s.b));
        if (piece == "body" || piece == "airfoil" || piece == "surface") body.insert({s.a, s.b});
    }
    for (int n : body) EXPECT_TRUE(spec.on_body(at(n))) << "node " << n << " at (" << at(n).x << ", " << at(n).y << ")";
    if (spec.file == "naca1208a.neu") {
        // One node at each end of the chord, and the deposition circle at
        // (-1.2, 1) of radius 0.2 well inside the far field.
        int le = 0, te = 0;
        for (int n : body) le += at(n).x == 0, te += at(n).x == 1;
        EXPECT_EQ(le, 1);
        EXPECT_EQ(te, 1);
        EXPECT_LT(std::hypot(-1.2 - 0.5, 1.0) + 0.2, 5.5);
    }
}

TEST_P(CaseGridGeometry, AxisIsExactlyYZero) {
    if (!GetParam().axisymmetric) GTEST_SKIP() << "run plane only";
    for (std::size_t n = 0; n < g.x.size(); ++n) {
        EXPECT_GE(g.y[n], 0.0) << "node " << n + 1;
        if (g.y[n] < 1e-6) {
            EXPECT_EQ(g.y[n], 0.0) << "node " << n + 1 << " next to the axis";
        }
    }
    // The axis runs along the whole bottom outside the body.
    double axis = 0;
    for (const Side& s : t.boundary)
        if (at(s.a).y == 0 && at(s.b).y == 0) axis += std::fabs(at(s.b).x - at(s.a).x);
    EXPECT_NEAR(axis, GetParam().axis_length, 1e-12);
}

TEST_P(CaseGridGeometry, NodeLineWhereTheShockStarts) {
    const double xs = GetParam().xshock;
    if (std::isnan(xs)) GTEST_SKIP() << "no shock";
    std::vector<int> line;
    double top = 0;
    for (std::size_t n = 0; n < g.x.size(); ++n) {
        top = std::max(top, g.y[n]);
        if (g.x[n] == xs) {
            line.push_back(static_cast<int>(n) + 1);
        } else {
            EXPECT_GT(std::fabs(g.x[n] - xs), 1e-6) << "node " << n + 1 << " just off the line";
        }
    }
    ASSERT_GE(line.size(), 2u);
    std::sort(line.begin(), line.end(), [&](int a, int b) { return at(a).y < at(b).y; });
    EXPECT_EQ(at(line.front()).y, 0.0);
    EXPECT_EQ(at(line.back()).y, top);
    std::set<std::pair<int, int>> sides;
    for (const Side& s : t.inner) sides.insert({std::min(s.a, s.b), std::max(s.a, s.b)});
    for (std::size_t k = 0; k + 1 < line.size(); ++k)
        EXPECT_TRUE(sides.count({std::min(line[k], line[k + 1]), std::max(line[k], line[k + 1])}))
            << "no side from y = " << at(line[k]).y << " to " << at(line[k + 1]).y;
}

INSTANTIATE_TEST_SUITE_P(AllGrids, CaseGridGeometry, ::testing::ValuesIn(all_specs()),
                         [](const ::testing::TestParamInfo<GridSpec>& info) {
                             std::string n = info.param.file;
                             n = n.substr(n.rfind('/') + 1);
                             return n.substr(0, n.find('.'));
                         });

}  // namespace
