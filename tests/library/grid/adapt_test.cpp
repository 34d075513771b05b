#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "case/cases.h"
#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/adapt.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_checks.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;

namespace {

constexpr double tol = 1e-13;
const char* const memory_warning = " Warning: Out of the Given memory in COMMON";

Vec2 centre(int c) { return {xc(c), yc(c)}; }

template <class F>
void for_active_cells(F f) {
    for (int i = 1; i <= grid.ncell; ++i) f(list_cel(i));
}

// Adapts once with the given cells (and only those) marked for refinement.
void refine_cells(std::initializer_list<int> cells) {
    for_active_cells([](int c) { lrefine(c) = lcoarse(c) = false; });
    for (int c : cells) lrefine(c) = true;
    adapt();
}

// rho, p, ux, uy linear in x and y, written into both column sets.
struct Linear {
    double q0, qx, qy;
    double at(Vec2 a) const { return q0 + qx * a.x + qy * a.y; }
};

void set_linear_state(Linear rho, Linear pres, Linear u, Linear v) {
    qelta::testing::fill_cells([&](double x, double y) {
        Vec2 a{x, y};
        return sweep::Prim{rho.at(a), pres.at(a), u.at(a), v.at(a)};
    });
}

void set_uniform_state() { set_linear_state({1, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 0}); }

// Least-squares gradients of the current primitive state, limited.
void fresh_gradients() {
    cons_to_prim();
    lsq_edge_terms();
    cell_gradients();
}

double total_area() {
    double a = 0;
    for_active_cells([&](int c) { a += area(c); });
    return a;
}

// Sum of area x conservative variable k (mass, energy, x and y momentum).
double total_cons(int k) {
    double s = 0;
    for_active_cells([&](int c) { s += area(c) * cons(c, k); });
    return s;
}

int count_lines(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), text));
}

// ---- Consistency of the whole grid storage ----

struct Positions {
    std::vector<int> cell = std::vector<int>(MAX_CEL + 1, 0);
    std::vector<int> edge = std::vector<int>(MAX_EDG + 1, 0);
    bool active_cell(int c) const { return c >= 1 && c <= MAX_CEL && cell[c] <= grid.ncell; }
    bool father(int c) const { return c >= 1 && c <= MAX_CEL && cell[c] > MAX_CEL - grid.nfather; }
    bool active_edge(int e) const { return e >= 1 && e <= MAX_EDG && edge[e] <= grid.nedge; }
    bool mother(int e) const { return e >= 1 && e <= MAX_EDG && edge[e] > MAX_EDG - grid.nmother; }
};

::testing::AssertionResult fail() { return ::testing::AssertionFailure(); }

bool near(Vec2 a, Vec2 b) { return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol; }

::testing::AssertionResult lists_are_permutations(Positions& at) {
    for (int i = 1; i <= MAX_CEL; ++i) {
        int c = list_cel(i);
        if (c < 1 || c > MAX_CEL || at.cell[c] != 0) return fail() << "cell " << c << " again at position " << i;
        at.cell[c] = i;
    }
    for (int i = 1; i <= MAX_EDG; ++i) {
        int e = list_edg(i);
        if (e < 1 || e > MAX_EDG || at.edge[e] != 0) return fail() << "edge " << e << " again at position " << i;
        at.edge[e] = i;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult zones_are_flagged() {
    for (int i = 1; i <= MAX_CEL; ++i) {
        bool top = i > MAX_CEL - grid.nfather;
        if (bool(lfather(list_cel(i))) != top) return fail() << "lfather of cell " << list_cel(i) << " at " << i;
    }
    for (int i = 1; i <= MAX_EDG; ++i) {
        bool top = i > MAX_EDG - grid.nmother;
        if (bool(lsplit(list_edg(i))) != top) return fail() << "lsplit of edge " << list_edg(i) << " at " << i;
    }
    return ::testing::AssertionSuccess();
}

// Every active cell's edges are active (its own side naming it, a leaf at
// most one level apart across) or mother edges whose halves are active and
// have leaves one level finer across.
::testing::AssertionResult cells_see_their_edges(const Positions& at) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            if (own_side(e, k) != c) return fail() << "edge " << e << " does not name cell " << c;
            if (at.active_edge(e)) {
                int n = far_side(e, k);
                if (lbedge(e) && n != c) return fail() << "boundary edge " << e << " names " << n;
                if (!at.active_cell(n)) return fail() << "cell " << c << " faces inactive " << n << " across " << e;
                if (std::abs(level(n) - level(c)) > 1) return fail() << "levels jump across edge " << e;
            } else if (at.mother(e)) {
                if (lbedge(e)) return fail() << "active cell " << c << " on a split boundary edge " << e;
                if (!at.father(far_side(e, k)) || level(far_side(e, k)) != level(c))
                    return fail() << "mother edge " << e << " of cell " << c << " lacks a same-level father";
                for (int h = 1; h <= 2; ++h) {
                    int s = isubedge(e, h);
                    if (!at.active_edge(s)) return fail() << "half " << s << " of edge " << e << " inactive";
                    if (own_side(s, k) != c) return fail() << "half " << s << " does not name cell " << c;
                    int n = far_side(s, k);
                    if (!at.active_cell(n) || level(n) != level(c) + 1)
                        return fail() << "half " << s << " of cell " << c << " faces " << n;
                }
            } else {
                return fail() << "edge " << e << " of cell " << c << " is free";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult edges_are_sound(const Positions& at) {
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        if (!at.active_cell(ileft(e)) || !at.active_cell(iright(e))) return fail() << "edge " << e << " names a non-leaf";
        if (lbedge(e) && ileft(e) != iright(e)) return fail() << "boundary edge " << e << " has two cells";
        if (std::fabs(edglen(e) - norm(edge_end(e) - edge_start(e))) > tol) return fail() << "edglen of " << e;
    }
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) {
        int e = list_edg(i);
        int h1 = isubedge(e, 1), h2 = isubedge(e, 2);
        if (!near(edge_start(h1), edge_start(e)) || !near(edge_end(h2), edge_end(e)) ||
            !near(edge_end(h1), edge_start(h2)))
            return fail() << "halves of edge " << e << " do not join its ends";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult edge_lists_match() {
    int nb = 0, ni = 0;
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        bool listed = lbedge(e) ? (++nb <= grid.nbedge && list_bedge(nb) == e)
                                : (++ni <= grid.niedge && list_iedge(ni) == e);
        if (!listed) return fail() << "edge " << e << " missing from its edge list";
    }
    if (nb != grid.nbedge || ni != grid.niedge) return fail() << "edge list lengths";
    if (grid.nbedge + grid.niedge != grid.nedge) return fail() << "nbedge + niedge != nedge";
    int ns = 0;
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) {
        int e = list_edg(i);
        if (lfather(ileft(e)) && lfather(iright(e))) continue;
        if (++ns > grid.nsplit || list_split(ns) != e) return fail() << "hanging edge " << e << " not listed";
    }
    if (ns != grid.nsplit) return fail() << "list_split holds " << grid.nsplit << " edges, " << ns << " hang";
    return ::testing::AssertionSuccess();
}

// Fathers: children one level finer, each a leaf or a father; split edges;
// with straight edges the children tile the father.
::testing::AssertionResult families_are_sound(const Positions& at, bool children_tile) {
    for (int i = MAX_CEL - grid.nfather + 1; i <= MAX_CEL; ++i) {
        int f = list_cel(i);
        double a = 0;
        for (int j = 1; j <= 4; ++j) {
            int c = ichild(f, j);
            if (!at.active_cell(c) && !at.father(c)) return fail() << "child " << c << " of " << f << " is free";
            if (level(c) != level(f) + 1) return fail() << "level of child " << c;
            a += area(c);
        }
        for (int k = 1; k <= 4; ++k)
            if (!at.mother(icedge(f, k))) return fail() << "father " << f << " has an unsplit edge";
        if (children_tile && std::fabs(a - area(f)) > tol) return fail() << "children of " << f << " do not tile it";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult areas_are_current(double expected_total) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (std::fabs(area(c) - cell_area(c)) > tol) return fail() << "stored area of cell " << c;
    }
    if (std::fabs(total_area() - expected_total) > 1e-12 * std::max(1.0, expected_total))
        return fail() << "total area " << total_area() << " instead of " << expected_total;
    return ::testing::AssertionSuccess();
}

// Every consistency rule of the storage after an even call; check_grid
// stops the process on a geometric inconsistency.
::testing::AssertionResult grid_consistent(double expected_area, bool children_tile = true) {
    Positions at;
    ::testing::AssertionResult result = lists_are_permutations(at);
    if (result) result = zones_are_flagged();
    if (result) result = cells_see_their_edges(at);
    if (result) result = edges_are_sound(at);
    if (result) result = edge_lists_match();
    if (result) result = families_are_sound(at, children_tile);
    if (result) result = areas_are_current(expected_area);
    if (result) check_grid();
    return result;
}

class Adapt : public qelta::testing::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::inviscid_run_parameters();
        run.ipar(5) = 2;  // the wedge: no body to project onto
        run.lmax = 4;
        run.minlev = 0;
        run.nstep = 0;
    }
};

// ---- Marks ----

// A raw copy of a storage array, for before/after comparisons.
template <class A>
std::vector<char> bytes(const A& a) {
    const char* p = reinterpret_cast<const char*>(a.data());
    return std::vector<char>(p, p + sizeof(a));
}

TEST_F(Adapt, OddStepOnlyMarks) {
    block_grid(2, 1, 0, 0, 1);
    set_uniform_state();
    refine_cells({1});
    ASSERT_EQ(grid.ncell, 5);
    int se = ichild(1, 1), nw = ichild(1, 3);
    for_active_cells([](int c) { lrefine(c) = lcoarse(c) = false; });
    lrefine(se) = true;  // wants to split, but cell 2 is coarser
    lkeep(nw) = true;
    run.nstep = 3;
    const std::vector<std::vector<char>> before = {
        bytes(list_cel), bytes(list_edg), bytes(icedge), bytes(ichild), bytes(xyedge), bytes(ileft), bytes(iright),
        bytes(lsplit), bytes(lfather), bytes(level), bytes(state), bytes(area), bytes(xc), bytes(yc),
        bytes(lcoarse), bytes(list_bedge), bytes(list_iedge), bytes(list_split), bytes(grad)};
    const int counts[] = {grid.ncell, grid.nfather, grid.nedge, grid.nmother, grid.nbedge, grid.niedge, grid.nsplit};
    adapt();
    const std::vector<std::vector<char>> after = {
        bytes(list_cel), bytes(list_edg), bytes(icedge), bytes(ichild), bytes(xyedge), bytes(ileft), bytes(iright),
        bytes(lsplit), bytes(lfather), bytes(level), bytes(state), bytes(area), bytes(xc), bytes(yc),
        bytes(lcoarse), bytes(list_bedge), bytes(list_iedge), bytes(list_split), bytes(grad)};
    for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(before[i] == after[i]) << "array " << i << " changed";
    const int now[] = {grid.ncell, grid.nfather, grid.nedge, grid.nmother, grid.nbedge, grid.niedge, grid.nsplit};
    EXPECT_TRUE(std::equal(counts, counts + 7, now));
    EXPECT_TRUE(lrefine(nw));  // ORed with lkeep
    EXPECT_TRUE(lkeep(2));     // the coarser neighbour is kept for refinement
    EXPECT_FALSE(iwork_ad(se));
    EXPECT_TRUE(iwork_ad(nw));
}

// ---- Splitting ----

TEST_F(Adapt, UnitSquareSplitsIntoQuarters) {
    block_grid(1, 1, 0, 0, 1);
    set_linear_state({2, 0, 0}, {3, 0, 0}, {0.5, 0, 0}, {-0.25, 0, 0});
    refine_cells({1});
    ASSERT_EQ(grid.ncell, 4);
    EXPECT_EQ(grid.nfather, 1);
    EXPECT_EQ(grid.nedge, 12);
    EXPECT_EQ(grid.nmother, 4);
    EXPECT_EQ(grid.nbedge, 8);
    EXPECT_EQ(grid.niedge, 4);
    EXPECT_EQ(grid.nsplit, 0);
    const Vec2 centroids[4] = {{0.75, 0.25}, {0.75, 0.75}, {0.25, 0.75}, {0.25, 0.25}};
    for (int j = 1; j <= 4; ++j) {
        int c = ichild(1, j);
        EXPECT_TRUE(near(centre(c), centroids[j - 1])) << "child " << j;
        EXPECT_NEAR(area(c), 0.25, tol);
        EXPECT_EQ(level(c), 1);
        // Uniform state: the children copy the parent.
        EXPECT_DOUBLE_EQ(cr(c), 2);
        EXPECT_DOUBLE_EQ(cux(c), 1);
        EXPECT_DOUBLE_EQ(cuy(c), -0.5);
        EXPECT_DOUBLE_EQ(cp(c), cp(1));
    }
    // Inner edges E1..E4: edge 2 of child 1, 3 of child 2, 4 of child 3, 1 of child 4.
    const struct {
        int child, k;
        Vec2 start, end;
    } inner[] = {{1, 2, {0.5, 0.5}, {1, 0.5}},
                 {2, 3, {0.5, 0.5}, {0.5, 1}},
                 {3, 4, {0, 0.5}, {0.5, 0.5}},
                 {4, 1, {0.5, 0}, {0.5, 0.5}}};
    for (const auto& row : inner) {
        int e = icedge(ichild(1, row.child), row.k);
        EXPECT_TRUE(near(edge_start(e), row.start) && near(edge_end(e), row.end)) << "inner edge of child " << row.child;
        EXPECT_EQ(ibtype(e), 0);
        EXPECT_NEAR(edglen(e), 0.5, tol);
    }
    EXPECT_TRUE(grid_consistent(1.0));
}

// Conservative state of a primitive one: r, E = p/(gam - 1) + r |u|^2/2, r u, r v.
struct Cons {
    double v[ncons];
};

Cons conservative(double rho, double pres, double u, double w) {
    return {{rho, pres / run.gam1 + 0.5 * rho * (u * u + w * w), rho * u, rho * w}};
}

TEST_F(Adapt, ChildrenCarryTheParentsConservativeGradients) {
    // Linear primitive fields q = q0 + gx (x - 1/2) + gy (y - 1/2) in one
    // cell (all its edges walls: no limiting); a child's state is the
    // parent's plus the gradient of U(q(x)) times its centroid offset.
    block_grid(1, 1, 0, 0, 1);
    const double q0[4] = {2, 3, 0.5, -0.25};
    const double gx[4] = {0.4, -0.6, 0.3, 0.2}, gy[4] = {-0.2, 0.5, -0.1, 0.35};
    r(1) = q0[0];
    p(1) = q0[1];
    ux(1) = q0[2];
    uy(1) = q0[3];
    prim_to_cons();
    for (int v = 0; v < 4; ++v) {
        grad(1, 2 * v + 1) = gx[v];
        grad(1, 2 * v + 2) = gy[v];
    }
    auto state_at = [&](double dx, double dy) {
        double q[4];
        for (int v = 0; v < 4; ++v) q[v] = q0[v] + gx[v] * dx + gy[v] * dy;
        return conservative(q[0], q[1], q[2], q[3]);
    };
    const double h = 1e-5;
    Cons ex1 = state_at(h, 0), ex0 = state_at(-h, 0), ey1 = state_at(0, h), ey0 = state_at(0, -h);
    double parent[ncons];
    for (int k = 1; k <= ncons; ++k) parent[k - 1] = cons(1, k);
    refine_cells({1});
    ASSERT_TRUE(lfather(1));
    for (int j = 1; j <= 4; ++j) {
        int c = ichild(1, j);
        double dx = xc(c) - 0.5, dy = yc(c) - 0.5;
        for (int k = 0; k < ncons; ++k) {
            double dudx = (ex1.v[k] - ex0.v[k]) / (2 * h), dudy = (ey1.v[k] - ey0.v[k]) / (2 * h);
            EXPECT_NEAR(cons(c, k + 1), parent[k] + dudx * dx + dudy * dy, 1e-9) << "child " << j << " variable " << k + 1;
        }
    }
    // The parent's primitive state is refreshed from its conservative one.
    EXPECT_NEAR(p(1), 3, 1e-14);
    EXPECT_NEAR(ux(1), 0.5, 1e-15);
}

TEST_F(Adapt, AxisymmetricChildAreasAreIntegralsOfTwoY) {
    run.iaxis = 1;
    block_grid(1, 1, 0, 0, 1);
    set_uniform_state();
    refine_cells({1});
    // Lower children: 0.5 x 2 x 0.25 x 0.5; upper ones 0.5 x 2 x 0.75 x 0.5.
    const double expected[4] = {0.125, 0.375, 0.375, 0.125};
    for (int j = 1; j <= 4; ++j) EXPECT_NEAR(area(ichild(1, j)), expected[j - 1], tol) << "child " << j;
    EXPECT_TRUE(grid_consistent(1.0));
}

TEST_F(Adapt, EndWeightsMoveSplitPointsTowardsTheHeavierEnd) {
    block_grid(1, 1, 0, 0, 1);
    set_uniform_state();
    for (int k : {1, 3}) {  // east and west edges: start (south) weight 2
        edgratio(icedge(1, k), 1) = 2;
        edgratio(icedge(1, k), 2) = 1;
    }
    refine_cells({1});
    int east = icedge(1, 1), west = icedge(1, 3);
    EXPECT_TRUE(near(edge_end(isubedge(east, 1)), {1, 1.0 / 3}));
    EXPECT_TRUE(near(edge_end(isubedge(west, 1)), {0, 1.0 / 3}));
    EXPECT_TRUE(near(edge_end(icedge(ichild(1, 1), 2)), {1, 1.0 / 3}));
    Vec2 m = edge_start(icedge(ichild(1, 1), 2));
    EXPECT_TRUE(near(m, {0.5, 1.0 / 3})) << m.x << " " << m.y;
    // East and west edges of the lower children (1, 4) carry (2, 1), of the upper ones (2, 3) (1, 1).
    const double lower[2] = {2, 1}, upper[2] = {1, 1};
    for (int j = 1; j <= 4; ++j) {
        const double* w = (j == 1 || j == 4) ? lower : upper;
        for (int k : {1, 3}) {
            int e = icedge(ichild(1, j), k);
            EXPECT_EQ(edgratio(e, 1), w[0]) << "child " << j << " edge " << k;
            EXPECT_EQ(edgratio(e, 2), w[1]) << "child " << j << " edge " << k;
        }
    }
    EXPECT_TRUE(grid_consistent(1.0));
}

TEST_F(Adapt, StoredGradientIsLimitedBeforeTheSplit) {
    // A row of three cells with r = 1, 2, 3: the middle cell's stored slope 5
    // is cut to the neighbour slope 1 along x; no limiting across the walls.
    block_grid(3, 1, 0, 0, 1);
    set_linear_state({0.5, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 0});
    grad(2, 1) = 5;
    grad(2, 2) = 0.5;
    refine_cells({2});
    ASSERT_TRUE(lfather(2));
    const double expected_r[4] = {2.25 - 0.125, 2.25 + 0.125, 1.75 + 0.125, 1.75 - 0.125};
    for (int j = 1; j <= 4; ++j) EXPECT_NEAR(cr(ichild(2, j)), expected_r[j - 1], tol) << "child " << j;
    EXPECT_TRUE(grid_consistent(3.0));
}

// Half thickness of the airfoil, as the case defines it.
double airfoil_t(double x) {
    return 0.11893782960568898 *
           (1.4911139152933968 * std::sqrt(x) + static_cast<double>(-0.6356262f) * x +
            static_cast<double>(-1.7895396f) * x * x + static_cast<double>(1.4599249f) * x * x * x +
            static_cast<double>(-0.52587306f) * x * x * x * x);
}

// The airfoil rule for the edge S-E: the surface point above (below) the
// chord midpoint, then the abscissa moved towards the farther end.
Vec2 airfoil_point(Vec2 s, Vec2 e, bool below) {
    double xa = 0.5 * (s.x + e.x), ya = std::fabs(airfoil_t(xa)) * (below ? -1 : 1);
    double d1 = std::hypot(xa - s.x, ya - s.y), d2 = std::hypot(xa - e.x, ya - e.y);
    double x = s.x + (e.x - s.x) * (0.5 + 0.25 * (d2 - d1) / std::max(d1, d2));
    return {x, std::fabs(airfoil_t(x)) * (below ? -1 : 1)};
}

// One convex cell with the given corners, its other boundary edges far from
// every body.
void one_cell(Vec2 ll, Vec2 lr, Vec2 ur, Vec2 ul) {
    block_grid(1, 1, 0, 0, 1);
    set_edge(icedge(1, 4), ll, lr);
    set_edge(icedge(1, 1), lr, ur);
    set_edge(icedge(1, 3), ll, ul);
    set_edge(icedge(1, 2), ul, ur);
    // Centroid from the triangles LL LR UR and LL UR UL.
    double t1 = 0.5 * cross(lr - ll, ur - ll), t2 = 0.5 * cross(ur - ll, ul - ll);
    Vec2 g = (1 / (3 * (t1 + t2))) * (t1 * (ll + lr + ur) + t2 * (ll + ur + ul));
    xc(1) = g.x;
    yc(1) = g.y;
    cell_geometry();
}

struct BodyCase {
    const char* name;
    int case_id;
    Vec2 ll, lr, ur, ul;
    int side;  // the cell's edge on the body
    Vec2 expected;
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class BodyProjection : public Adapt, public ::testing::WithParamInterface<BodyCase> {};

const double r45 = 0.5 / std::sqrt(2.0);
const Vec2 upper_s{0.2, 0.05}, upper_e{0.6, 0.06};
const Vec2 lower_s{0.2, -0.05}, lower_e{0.6, -0.06};

const BodyCase body_cases[] = {
    {"Cylinder", 1, {0.5, 0}, {3, 0}, {3, 3}, {0, 0.5}, 3, {r45, r45}},
    {"Sphere", 3, {0.5, 0}, {3, 0}, {3, 3}, {0, 0.5}, 3, {r45, r45}},
    {"Wedge", 2, {0.5, 0}, {3, 0}, {3, 3}, {0, 0.5}, 3, {0.25, 0.25}},
    {"ViscousSphere", 101, {0.5, 0}, {3, 0}, {3, 3}, {0, 0.5}, 3, {2 * r45, 2 * r45}},
    {"AirfoilUpper", 102, upper_s, upper_e, {3, 3}, {-3, 3}, 4, airfoil_point(upper_s, upper_e, false)},
    {"AirfoilLower", 102, {-3, -3}, {3, -3}, lower_e, lower_s, 2, airfoil_point(lower_s, lower_e, true)},
};

TEST_P(BodyProjection, BoundarySplitPointLiesOnTheBody) {
    const BodyCase& bc = GetParam();
    run.ipar(5) = bc.case_id;
    one_cell(bc.ll, bc.lr, bc.ur, bc.ul);
    set_uniform_state();
    refine_cells({1});
    ASSERT_TRUE(lfather(1));
    int e = icedge(1, bc.side);
    Vec2 q = edge_end(isubedge(e, 1));
    EXPECT_NEAR(q.x, bc.expected.x, tol);
    EXPECT_NEAR(q.y, bc.expected.y, tol);
    EXPECT_TRUE(near(edge_start(isubedge(e, 2)), q));
    // The other sides are split at their midpoints.
    for (int k = 1; k <= 4; ++k) {
        if (k == bc.side) continue;
        int o = icedge(1, k);
        EXPECT_TRUE(near(edge_end(isubedge(o, 1)), 0.5 * (edge_start(o) + edge_end(o)))) << "edge " << k;
    }
    Positions at;
    EXPECT_TRUE(lists_are_permutations(at));
    EXPECT_TRUE(cells_see_their_edges(at));
    EXPECT_TRUE(edge_lists_match());
}

INSTANTIATE_TEST_SUITE_P(Cases, BodyProjection, ::testing::ValuesIn(body_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Adapt, AirfoilSplitPointAheadOfTheLeadingEdgeIsFinite) {
    // The chord midpoint of the edge lies at x = -0.025, where sqrt(x) has
    // no value: ahead of the leading edge the airfoil has no thickness.
    run.ipar(5) = 102;
    const Vec2 s{-0.1, 0.0}, e{0.05, 0.02};
    one_cell(s, e, {3, 3}, {-3, 3});
    set_uniform_state();
    refine_cells({1});
    ASSERT_TRUE(lfather(1));
    Vec2 q = edge_end(isubedge(icedge(1, 4), 1));
    ASSERT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
    EXPECT_GT(q.x, s.x);
    EXPECT_LT(q.x, e.x);
    EXPECT_LT(q.x, 0);
    EXPECT_EQ(q.y, 0);
}

TEST_F(Adapt, CellBesideACoarserCellWaitsForIt) {
    block_grid(2, 1, 0, 0, 1);
    set_uniform_state();
    refine_cells({1});  // a boundary cell: its family stays
    ASSERT_EQ(grid.ncell, 5);
    int se = ichild(1, 1);  // touches cell 2 across the split east edge
    refine_cells({se});
    EXPECT_EQ(grid.ncell, 5) << "split next to a coarser cell";
    EXPECT_TRUE(lkeep(2));
    ASSERT_TRUE(grid_consistent(2.0));

    // The next even call splits the kept cell; the finer one still waits.
    lrefine(se) = true;
    run.nstep = 2;
    adapt();
    EXPECT_TRUE(lfather(2));
    EXPECT_FALSE(lfather(se));
    EXPECT_EQ(grid.ncell, 8);
    ASSERT_TRUE(grid_consistent(2.0));

    lrefine(se) = true;
    run.nstep = 4;
    adapt();
    EXPECT_TRUE(lfather(se));
    EXPECT_EQ(grid.ncell, 11);
    EXPECT_EQ(level(ichild(se, 1)), 2);
    EXPECT_TRUE(grid_consistent(2.0));
}

TEST_F(Adapt, NoCellGoesBeyondLmax) {
    run.lmax = 1;
    block_grid(2, 2, 0, 0, 1);
    set_uniform_state();
    for (int pass = 1; pass <= 3; ++pass) {
        for_active_cells([](int c) { lrefine(c) = true; lcoarse(c) = false; });
        adapt();
    }
    EXPECT_EQ(grid.ncell, 16);
    for_active_cells([](int c) { EXPECT_EQ(level(c), 1); });
    EXPECT_TRUE(grid_consistent(4.0));
}

// ---- Capacity ----

struct CapacityCase {
    const char* name;
    int nx, ny;
    int fake_fathers;  // numbers held in the father zone by cells of no family
    int expected_splits;
    bool warning;
};

void PrintTo(const CapacityCase& c, std::ostream* os) { *os << c.name; }

class Capacity : public Adapt, public ::testing::WithParamInterface<CapacityCase> {};

// A 200 x 200 block has 80400 edges: (400000 - 80400)/12 = 26633 splits fit.
// A 20 x 20 block with 199000 father numbers taken leaves 600 free cells:
// 150 splits.
const CapacityCase capacity_cases[] = {
    {"Fits", 10, 10, 0, 100, false},
    {"EdgeZone", 200, 200, 0, (MAX_EDG - 80400) / 12, true},
    {"CellZone", 20, 20, MAX_CEL - 400 - 600, 150, true},
};

TEST_P(Capacity, SplitsTheFirstListedCellsThatFit) {
    const CapacityCase& cc = GetParam();
    run.lmax = 1;
    run.minlev = 1;  // nothing merges
    block_grid(cc.nx, cc.ny, 0, 0, 1);
    set_uniform_state();
    grid.nfather = cc.fake_fathers;
    for (int i = MAX_CEL - cc.fake_fathers + 1; i <= MAX_CEL; ++i) lfather(list_cel(i)) = true;
    int n0 = grid.ncell;
    for_active_cells([](int c) { lrefine(c) = true; });
    adapt();
    int m = cc.expected_splits;
    EXPECT_EQ(grid.ncell, n0 + 3 * m);
    EXPECT_EQ(grid.nfather, cc.fake_fathers + m);
    // Cells are listed in number order: exactly cells 1..m were split.
    EXPECT_TRUE(lfather(m));
    if (m < n0) {
        EXPECT_FALSE(lfather(m + 1));
    }
    EXPECT_EQ(count_lines(log_lines(), memory_warning), cc.warning ? 1 : 0);
    if (cc.fake_fathers == 0) {
        EXPECT_TRUE(grid_consistent(cc.nx * cc.ny));
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, Capacity, ::testing::ValuesIn(capacity_cases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Merging ----

// The centre cell of a 3 x 3 block, split alone, is merged back in the same
// call and keeps its state; the grid is the block again.
TEST_F(Adapt, IsolatedCellIsMergedInTheSameCall) {
    block_grid(3, 3, 0, 0, 1);
    set_linear_state({1, 0.3, -0.2}, {2, 0.1, 0.4}, {0.5, -0.2, 0.3}, {-0.25, 0.2, 0.1});
    lsq_matrix();
    fresh_gradients();
    ASSERT_NE(grad(5, 1), 0);
    double before[ncons];
    for (int k = 1; k <= ncons; ++k) before[k - 1] = cons(5, k);
    refine_cells({5});
    EXPECT_EQ(grid.ncell, 9);
    EXPECT_EQ(grid.nfather, 0);
    EXPECT_EQ(grid.nedge, 24);
    EXPECT_EQ(grid.nmother, 0);
    EXPECT_FALSE(lfather(5));
    EXPECT_FALSE(lkeep(5));
    for (int k = 1; k <= ncons; ++k) EXPECT_NEAR(cons(5, k), before[k - 1], tol) << "variable " << k;
    for (int k = 1; k <= 4; ++k) EXPECT_FALSE(lsplit(icedge(5, k)));
    EXPECT_TRUE(grid_consistent(9.0));
}

TEST_F(Adapt, NeighbouringRefinedCellsStayRefined) {
    block_grid(4, 3, 0, 0, 1);
    set_uniform_state();
    refine_cells({6, 7});  // interior, side by side
    EXPECT_TRUE(lfather(6));
    EXPECT_TRUE(lfather(7));
    EXPECT_EQ(grid.ncell, 18);
    EXPECT_EQ(grid.nsplit, 6);  // the six edges to unrefined neighbours hang
    EXPECT_TRUE(grid_consistent(12.0));
}

struct BoundaryMergeCase {
    int marked_children;
    bool merges;
};

void PrintTo(const BoundaryMergeCase& c, std::ostream* os) { *os << c.marked_children << " children marked"; }

class BoundaryFamily : public Adapt, public ::testing::WithParamInterface<BoundaryMergeCase> {};

TEST_P(BoundaryFamily, MergesOnlyWhenAllChildrenAreMarked) {
    block_grid(3, 3, 0, 0, 1);
    set_uniform_state();
    refine_cells({1});  // the corner cell, with no refined neighbour
    ASSERT_EQ(grid.ncell, 12);
    for (int j = 1; j <= GetParam().marked_children; ++j) lcoarse(ichild(1, j)) = true;
    run.nstep = 2;
    adapt();
    EXPECT_EQ(lfather(1), !GetParam().merges);
    EXPECT_EQ(grid.ncell, GetParam().merges ? 9 : 12);
    EXPECT_TRUE(grid_consistent(9.0));
}

INSTANTIATE_TEST_SUITE_P(Marks, BoundaryFamily,
                         ::testing::Values(BoundaryMergeCase{0, false}, BoundaryMergeCase{3, false},
                                           BoundaryMergeCase{4, true}),
                         [](const auto& info) { return std::to_string(info.param.marked_children) + "Marked"; });

TEST_F(Adapt, FatherWithASplitChildMergesOnlyAfterIt) {
    block_grid(3, 3, 0, 0, 1);
    set_uniform_state();
    refine_cells({1});
    int sw = ichild(1, 4);  // corner child: only siblings and walls around it
    refine_cells({sw});
    ASSERT_TRUE(lfather(sw));
    ASSERT_EQ(grid.ncell, 15);
    auto mark_all_coarse = [] {
        for_active_cells([](int c) { lrefine(c) = false; lcoarse(c) = true; });
        for (int j = 1; j <= 4; ++j) lcoarse(ichild(1, j)) = true;
    };
    mark_all_coarse();
    adapt();
    EXPECT_FALSE(lfather(sw));  // its own family merged
    EXPECT_TRUE(lfather(1));    // the grandfather waits for the next call
    EXPECT_EQ(grid.ncell, 12);
    ASSERT_TRUE(grid_consistent(9.0));
    mark_all_coarse();
    adapt();
    EXPECT_FALSE(lfather(1));
    EXPECT_EQ(grid.ncell, 9);
    EXPECT_TRUE(grid_consistent(9.0));
}

TEST_F(Adapt, FatherBesideAFinerNeighbourDoesNotMerge) {
    block_grid(3, 3, 0, 0, 1);
    set_uniform_state();
    refine_cells({1, 2});
    int sw2 = ichild(2, 4);  // beside cell 1's south-east child
    refine_cells({sw2});
    ASSERT_TRUE(lfather(sw2));
    for (int j = 1; j <= 4; ++j) lcoarse(ichild(1, j)) = true;
    run.nstep = 2;
    adapt();
    EXPECT_TRUE(lfather(1));
    EXPECT_TRUE(grid_consistent(9.0));
}

TEST_F(Adapt, NewFamilyDoesNotMergeInItsOwnCall) {
    // Free numbers may carry coarsening marks from cells merged earlier.
    block_grid(3, 3, 0, 0, 1);
    set_uniform_state();
    for (int c = 1; c <= MAX_CEL; ++c) lcoarse(c) = true;
    lrefine(1) = true;
    adapt();
    EXPECT_TRUE(lfather(1));
    EXPECT_EQ(grid.ncell, 12);
    EXPECT_TRUE(grid_consistent(9.0));
}

// Fathers A = 6 and B = 7 of a refined 2 x 2 block merge, C = 10 and D = 11
// above them stay.
TEST_F(Adapt, MarkedFamiliesMergeIntoTheirFathers) {
    block_grid(4, 4, 0, 0, 1);
    set_uniform_state();
    refine_cells({6, 7, 10, 11});
    ASSERT_EQ(grid.ncell, 28);
    ASSERT_EQ(grid.nmother, 12);
    for_active_cells([](int c) {
        Vec2 a = centre(c);
        cr(c) = 1 + a.x + 0.5 * a.y * a.y;
        cp(c) = 3 + a.x * a.y;
        cux(c) = a.y;
        cuy(c) = -a.x;
    });
    const int a = 6, b = 7;
    double expected[2][ncons] = {};
    const int fathers[2] = {a, b};
    for (int f = 0; f < 2; ++f)
        for (int j = 1; j <= 4; ++j) {
            int c = ichild(fathers[f], j);
            for (int k = 1; k <= ncons; ++k) expected[f][k - 1] += cons(c, k) * area(c) / area(fathers[f]);
        }
    double mass = total_cons(1);
    int shared = icedge(a, 1);  // A's east edge is B's west edge
    ASSERT_EQ(shared, icedge(b, 3));
    for_active_cells([](int c) { lrefine(c) = false; });
    for (int f : fathers)
        for (int j = 1; j <= 4; ++j) lcoarse(ichild(f, j)) = true;
    run.nstep = 6;
    adapt();
    EXPECT_EQ(grid.ncell, 22);
    EXPECT_EQ(grid.nfather, 2);
    // Mothers left: the 12 of the block less A's west, south and east and B's south and east.
    EXPECT_EQ(grid.nmother, 7);
    for (int f = 0; f < 2; ++f) {
        EXPECT_FALSE(lfather(fathers[f]));
        for (int k = 1; k <= ncons; ++k) EXPECT_NEAR(cons(fathers[f], k), expected[f][k - 1], tol);
    }
    EXPECT_FALSE(lsplit(shared));
    EXPECT_TRUE(lsplit(icedge(a, 2)));  // A-C hangs now
    EXPECT_NEAR(total_cons(1), mass, tol);
    // Hanging: A-C, B-D and C's and D's four edges to unrefined leaves.
    EXPECT_EQ(grid.nsplit, 6);
    EXPECT_TRUE(grid_consistent(16.0));
}

// ---- Conservation ----

// A closed box with slip walls and a density and pressure step: a band of
// refinement moves across it, refining ahead and coarsening behind.
TEST_F(Adapt, RefineAndCoarsenConserveMassEnergyAndMomentum) {
    run.lmax = 3;
    block_grid(8, 8, 0, 0, 0.125);
    for_active_cells([](int c) {
        bool left = xc(c) < 0.45;
        r(c) = left ? 1 : 3 + 0.5 * yc(c);
        p(c) = left ? 1 : 4;
        ux(c) = 0.2 + 0.1 * yc(c);
        uy(c) = -0.1 + 0.05 * xc(c);
    });
    prim_to_cons();
    lsq_matrix();
    double start[ncons];
    for (int k = 1; k <= ncons; ++k) start[k - 1] = total_cons(k);
    int most_cells = 0;
    for (int i = 1; i <= 16; ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        double front = 0.15 + 0.05 * i;
        fresh_gradients();
        for_active_cells([&](int c) {
            bool near_front = std::fabs(xc(c) - front) < 0.12;
            lrefine(c) = near_front;
            lcoarse(c) = !near_front;
        });
        run.nstep = 2 * i;
        adapt();
        cons_to_prim();
        most_cells = std::max(most_cells, grid.ncell);
        for (int k = 1; k <= ncons; ++k)
            EXPECT_NEAR(total_cons(k), start[k - 1], 1e-13 * std::fabs(start[k - 1])) << "variable " << k;
        ASSERT_TRUE(grid_consistent(1.0));
    }
    EXPECT_GT(most_cells, 200);  // refined to the finest level on the way
}

// ---- The circle of the energy deposition ----

TEST_F(Adapt, CircleRefinesOnAnOddStep) {
    block_grid(4, 4, 0, 0, 0.25);
    set_uniform_state();
    run.nstep = 7;
    const double x0 = 0.5, y0 = 0.5, radius = 0.3;
    // Cells whose corners lie on both sides of the rim.
    int cut = 0;
    for_active_cells([&](int c) {
        double lo = 1e30, hi = -1e30;
        for (int k : {1, 3})
            for (Vec2 q : {edge_start(icedge(c, k)), edge_end(icedge(c, k))}) {
                double f = (q.x - x0) * (q.x - x0) + (q.y - y0) * (q.y - y0) - radius * radius;
                lo = std::min(lo, f);
                hi = std::max(hi, f);
            }
        cut += lo * hi < 0;
    });
    ASSERT_GT(cut, 0);
    refine_circle(x0, y0, radius);
    EXPECT_EQ(grid.nfather, cut);
    EXPECT_EQ(grid.ncell, 16 + 3 * cut);
    EXPECT_TRUE(grid_consistent(1.0));
}

// ---- Family mode ----

TEST_F(Adapt, FamilyModeRefinesWholeFamilies) {
    run.irecon = 2;
    run.minlev = 2;
    block_grid(2, 2, 0, 0, 1);
    set_uniform_state();
    refine_uniform();
    EXPECT_EQ(grid.ncell, 64);
    EXPECT_EQ(grid.nfather, 16);  // the last level's fathers stay
    EXPECT_EQ(grid.nfam, 16);
    EXPECT_EQ(grid.nmother, 0);
    for (int i = 1; i <= grid.nfam; ++i) EXPECT_FALSE(lfather(ichild(list_fam(i), 1)));
    int f = list_fam(1);
    for_active_cells([](int c) { lrefine(c) = lcoarse(c) = false; });
    lrefine(ichild(f, 3)) = true;  // one child asks: the whole family splits
    adapt();
    EXPECT_EQ(grid.ncell, 76);
    EXPECT_EQ(grid.nfather, 20);
    for (int j = 1; j <= 4; ++j) EXPECT_TRUE(lfather(ichild(f, j)));
    EXPECT_EQ(grid.nfam, 19);  // f left the list, its four children joined it
    check_grid();
}

TEST_F(Adapt, FamilyModeIgnoresStaleSplitWords) {
    run.irecon = 2;
    block_grid(2, 2, 0, 0, 1);
    set_uniform_state();
    refine_cells({1});  // no families yet: the cell itself splits
    ASSERT_EQ(grid.nfam, 1);
    ASSERT_EQ(grid.ncell, 7);
    // Cells outside every listed family, with split words from an earlier run.
    for (int c : {2, 3, 4}) iwork_ad(c) = true;
    refine_cells({});
    EXPECT_EQ(grid.ncell, 7);
    EXPECT_FALSE(lfather(2));
}

struct MinlevWarningCase {
    int irecon, minlev;
    bool warns;
};

void PrintTo(const MinlevWarningCase& c, std::ostream* os) { *os << "irecon " << c.irecon << ", minlev " << c.minlev; }

class MinlevWarning : public Adapt, public ::testing::WithParamInterface<MinlevWarningCase> {};

TEST_P(MinlevWarning, OnlyFamilyModeBelowLevelOneWarns) {
    run.irecon = GetParam().irecon;
    run.minlev = GetParam().minlev;
    block_grid(2, 2, 0, 0, 1);
    set_uniform_state();
    refine_cells({});
    EXPECT_EQ(count_lines(log_lines(), " Warning: MINLEV is less than 1 in ADAPT"), GetParam().warns ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, MinlevWarning,
                         ::testing::Values(MinlevWarningCase{2, 0, true}, MinlevWarningCase{1, 0, false},
                                           MinlevWarningCase{2, 1, false}),
                         [](const auto& info) {
                             return "Irecon" + std::to_string(info.param.irecon) + "Minlev" +
                                    std::to_string(info.param.minlev);
                         });

TEST_F(Adapt, FamilyListOverflowStops) {
    run.irecon = 2;
    run.minlev = 1;
    block_grid(2, 2, 0, 0, 1);
    set_uniform_state();
    // More fathers with a leaf first child than the family list holds.
    grid.nfather = max_fam + 1;
    for (int i = MAX_CEL - grid.nfather + 1; i <= MAX_CEL; ++i) {
        int f = list_cel(i);
        lfather(f) = true;
        for (int j = 1; j <= 4; ++j) ichild(f, j) = 1;
    }
    EXPECT_EXIT(refine_cells({}), ::testing::ExitedWithCode(1), "Too many families for list_fam");
}

}  // namespace
