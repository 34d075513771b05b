#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::split_cell;

namespace {

constexpr double tol = 1e-12;
constexpr double pi = 3.14159265358979323846;

// q = q0 + qx x + qy y for r, p, ux, uy, tk, te.
struct Linear {
    double q0, qx, qy;
    double at(Vec2 a) const { return q0 + qx * a.x + qy * a.y; }
};
struct Field {
    Linear r, p, ux, uy, tk, te;
};

// A field with gradients in every variable, and one with a uniform density
// so that the temperature p/r is linear too.
const Field sloped{{1.5, 0.3, -0.2}, {2, 0.1, 0.4}, {0.5, -1, 2}, {-0.25, 0.7, 0.3}, {0.2, 0.05, -0.1}, {1, -0.3, 0.6}};
const Field uniform_density{{2, 0, 0}, {3, 0.6, -0.8}, {0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 0}};

Vec2 centre(int c) { return {xc(c), yc(c)}; }

template <class F>
void for_active_cells(F f) {
    for (int i = 1; i <= grid.ncell; ++i) f(list_cel(i));
}

void set_field(const Field& f) {
    for_active_cells([&](int c) {
        Vec2 a = centre(c);
        r(c) = f.r.at(a);
        p(c) = f.p.at(a);
        ux(c) = f.ux.at(a);
        uy(c) = f.uy.at(a);
        tem(c) = p(c) / r(c);
        tk(c) = f.tk.at(a);
        te(c) = f.te.at(a);
    });
    // Stale parents must not be seen.
    for (int i = MAX_CEL - grid.nfather + 1; i <= MAX_CEL; ++i) {
        int c = list_cel(i);
        r(c) = p(c) = ux(c) = uy(c) = tk(c) = te(c) = 1e6;
    }
}

void set_uniform(double rho, double pres, Vec2 u) {
    set_field({{rho, 0, 0}, {pres, 0, 0}, {u.x, 0, 0}, {u.y, 0, 0}, {0, 0, 0}, {0, 0, 0}});
}

bool touches_boundary(int c) {
    for (int k = 1; k <= 4; ++k)
        if (lbedge(icedge(c, k))) return true;
    return false;
}

bool has_hanging_edge(int c) {
    for (int k = 1; k <= 4; ++k)
        if (lsplit(icedge(c, k))) return true;
    return false;
}

// Maps every edge and centroid of the grid, parents included, by the linear
// map a -> (m11 a.x + m12 a.y, m21 a.x + m22 a.y).
void map_grid(double m11, double m12, double m21, double m22) {
    auto turn = [&](Vec2 a) { return Vec2{m11 * a.x + m12 * a.y, m21 * a.x + m22 * a.y}; };
    auto turn_edge = [&](int e) { set_edge(e, turn(edge_start(e)), turn(edge_end(e))); };
    auto turn_cell = [&](int c) {
        Vec2 a = turn(centre(c));
        xc(c) = a.x;
        yc(c) = a.y;
    };
    for (int i = 1; i <= grid.nedge; ++i) turn_edge(list_edg(i));
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) turn_edge(list_edg(i));
    for (int i = 1; i <= grid.ncell; ++i) turn_cell(list_cel(i));
    for (int i = MAX_CEL - grid.nfather + 1; i <= MAX_CEL; ++i) turn_cell(list_cel(i));
    cell_geometry();
}

// Turns the grid about the origin.
void rotate_grid(double angle) {
    double cs = std::cos(angle), sn = std::sin(angle);
    map_grid(cs, -sn, sn, cs);
}

// Sets the type of the boundary edges on one side of a block grid of nx by ny
// cells: side k = 1 east, 2 north, 3 west, 4 south (the cells' edge k).
void set_side_type(int nx, int ny, int k, int type) {
    for (int j = 1; j <= ny; ++j)
        for (int i = 1; i <= nx; ++i) {
            bool on_side = (k == 1 && i == nx) || (k == 3 && i == 1) || (k == 2 && j == ny) || (k == 4 && j == 1);
            if (on_side) ibtype(icedge((j - 1) * nx + i, k)) = type;
        }
}

class Gradients : public qelta::testing::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        run.ns = 0;
        run.iaxis = 0;
        run.irecon = 1;
        run.twall = 1;
    }
};

// ---- Exactness on linear fields ----

enum class GridKind { uniform, hanging, rotated_hanging };

struct ExactCase {
    const char* name;
    GridKind kind;
};

class LinearExact : public Gradients, public ::testing::WithParamInterface<ExactCase> {
protected:
    void build() {
        block_grid(5, 5, -1.0, 0.3, 0.25);
        if (GetParam().kind != GridKind::uniform) {
            split_cell(13);  // the centre cell
            split_cell(14);  // its east neighbour: their shared edge is split already
        }
        if (GetParam().kind == GridKind::rotated_hanging) rotate_grid(pi / 6);
        lsq_matrix();
    }
};

void expect_pair(double gx, double gy, const Linear& q, const char* what, int c) {
    EXPECT_NEAR(gx, q.qx, tol) << what << " d/dx, cell " << c;
    EXPECT_NEAR(gy, q.qy, tol) << what << " d/dy, cell " << c;
}

TEST_P(LinearExact, InteriorCellsGetTheExactGradient) {
    build();
    bool hanging = GetParam().kind != GridKind::uniform;
    if (hanging) {
        ASSERT_GT(grid.nsplit, 0);
    }
    using Routine = void (*)();
    const struct {
        const char* name;
        Routine routine;
        int ns;
    } routines[] = {{"lsq_edge_terms", lsq_edge_terms, 0}, {"ghost_gradients", ghost_gradients, 1}};
    bool coarse_beside_hanging_edge = false;
    for (const auto& rt : routines) {
        SCOPED_TRACE(rt.name);
        run.ns = rt.ns;
        set_field(sloped);
        rt.routine();
        for_active_cells([&](int c) {
            if (touches_boundary(c)) return;
            coarse_beside_hanging_edge |= has_hanging_edge(c);
            expect_pair(grad(c, 1), grad(c, 2), sloped.r, "r", c);
            expect_pair(grad(c, 3), grad(c, 4), sloped.p, "p", c);
            expect_pair(grad(c, 5), grad(c, 6), sloped.ux, "ux", c);
            expect_pair(grad(c, 7), grad(c, 8), sloped.uy, "uy", c);
        });
        set_field(uniform_density);
        rt.routine();
        Linear t{0, uniform_density.p.qx / 2, uniform_density.p.qy / 2};
        for_active_cells([&](int c) {
            if (!touches_boundary(c)) expect_pair(gradt(c, 1), gradt(c, 2), t, "T", c);
        });
    }
    if (hanging) {
        EXPECT_TRUE(coarse_beside_hanging_edge);  // the coarse side of hanging edges was checked
    }
}

TEST_P(LinearExact, TurbulenceGradientsAreExactInside) {
    build();
    set_field(sloped);
    turb_gradients();
    for_active_cells([&](int c) {
        if (touches_boundary(c)) return;
        expect_pair(gradturb(c, 1), gradturb(c, 2), sloped.tk, "tk", c);
        expect_pair(gradturb(c, 3), gradturb(c, 4), sloped.te, "te", c);
    });
}

TEST_P(LinearExact, LimiterKeepsALinearField) {
    build();
    set_field(sloped);
    lsq_edge_terms();
    cell_gradients();
    for_active_cells([&](int c) {
        if (touches_boundary(c)) return;
        expect_pair(grad(c, 1), grad(c, 2), sloped.r, "r", c);
        expect_pair(grad(c, 3), grad(c, 4), sloped.p, "p", c);
        expect_pair(grad(c, 5), grad(c, 6), sloped.ux, "ux", c);
        expect_pair(grad(c, 7), grad(c, 8), sloped.uy, "uy", c);
    });
}

INSTANTIATE_TEST_SUITE_P(Grids, LinearExact,
                         ::testing::Values(ExactCase{"uniform", GridKind::uniform},
                                           ExactCase{"hanging", GridKind::hanging},
                                           ExactCase{"rotated_hanging", GridKind::rotated_hanging}),
                         [](const auto& info) { return std::string(info.param.name); });

// A coarse cell sees its two fine neighbours across a hanging edge with
// weight one half each: the halves of the west neighbour of a split cell lie
// at (3h/4, -h/4) and (3h/4, h/4), so A = h^2 + 2 (3h/4)^2 / 2 + 0, B = 0 by
// symmetry, C = 2 h^2 + 2 (h/4)^2 / 2.
TEST_F(Gradients, CoarseCellWeighsItsFineNeighboursEqually) {
    const double h = 0.25;
    block_grid(5, 5, -1.0, 0.3, h);
    split_cell(13);
    lsq_matrix();
    EXPECT_NEAR(lsqm(12, 1), (1 + 0.5625) * h * h, tol);
    EXPECT_NEAR(lsqm(12, 2), 0, tol);
    EXPECT_NEAR(lsqm(12, 3), (2 + 0.0625) * h * h, tol);
    // A field even about the coarse cell's centre line has no d/dy there.
    for_active_cells([&](int c) {
        double y = yc(c) - yc(12);
        r(c) = 1 + y * y;
        p(c) = 1 + xc(c) * y * y;
        ux(c) = uy(c) = 0;
    });
    lsq_edge_terms();
    EXPECT_NEAR(grad(12, 2), 0, tol);
    EXPECT_NEAR(grad(12, 4), 0, tol);
}

// ---- Wall images ----

enum class Expect { none, reflect, no_slip };

struct WallCase {
    const char* routine;
    int type, ns, iaxis;
    Expect image;
};

// A 3 x 2 block turned by 30 degrees; the wall is the south edge of the
// middle bottom cell 2, with unit tangent t and inward normal n.
struct TiltedWall {
    static constexpr double angle = pi / 6;
    static constexpr double h = 0.5;
    Vec2 t{std::cos(angle), std::sin(angle)};
    Vec2 n{-std::sin(angle), std::cos(angle)};
    int cell = 2;
    int edge() const { return icedge(cell, 4); }
    void build() {
        block_grid(3, 2, 0, 0, h);
        rotate_grid(angle);
    }
};

class WallImages : public Gradients, public ::testing::WithParamInterface<WallCase> {};

TEST_P(WallImages, VelocityDifferenceAcrossTheWall) {
    const WallCase& wc = GetParam();
    TiltedWall w;
    w.build();
    ibtype(w.edge()) = wc.type;
    run.ns = wc.ns;
    run.iaxis = wc.iaxis;
    lsq_matrix();
    // The mirror offset runs from the image of the centroid to the centroid.
    Vec2 d = w.h * w.n;
    for (Vec2 u : {0.7 * w.t, -0.4 * w.n, 0.3 * w.t + 0.9 * w.n}) {
        set_uniform(1, 1, u);
        if (std::string(wc.routine) == "lsq_edge_terms")
            lsq_edge_terms();
        else
            ghost_gradients();
        Vec2 ghost = u;
        if (wc.image == Expect::reflect) ghost = u - (2 * dot(u, w.n)) * w.n;
        if (wc.image == Expect::no_slip) ghost = -1.0 * u;
        Vec2 du = u - ghost;
        int e = w.edge();
        EXPECT_NEAR(edgrhs(e, 1), du.x * d.x, tol);
        EXPECT_NEAR(edgrhs(e, 2), du.x * d.y, tol);
        EXPECT_NEAR(edgrhs(e, 3), du.y * d.x, tol);
        EXPECT_NEAR(edgrhs(e, 4), du.y * d.y, tol);
        // Uniform density, pressure and temperature at T = twall: no jump.
        for (int k = 1; k <= 4; ++k) EXPECT_NEAR(edgflux(e, k), 0, tol) << k;
        EXPECT_NEAR(edgrhs(e, 5), 0, tol);
        EXPECT_NEAR(edgrhs(e, 6), 0, tol);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, WallImages,
    ::testing::Values(WallCase{"lsq_edge_terms", 1, 0, 0, Expect::reflect},
                      WallCase{"lsq_edge_terms", 3, 1, 0, Expect::reflect},
                      WallCase{"lsq_edge_terms", 4, 1, 0, Expect::reflect},
                      WallCase{"lsq_edge_terms", 3, 0, 0, Expect::none},
                      WallCase{"lsq_edge_terms", 6, 0, 1, Expect::reflect},
                      WallCase{"lsq_edge_terms", 6, 0, 0, Expect::none},
                      WallCase{"lsq_edge_terms", 2, 1, 0, Expect::none},
                      WallCase{"ghost_gradients", 1, 1, 0, Expect::reflect},
                      WallCase{"ghost_gradients", 6, 1, 1, Expect::reflect},
                      WallCase{"ghost_gradients", 6, 1, 0, Expect::none},
                      WallCase{"ghost_gradients", 3, 1, 0, Expect::no_slip},
                      WallCase{"ghost_gradients", 4, 1, 0, Expect::no_slip},
                      WallCase{"ghost_gradients", 3, 0, 0, Expect::none},
                      WallCase{"ghost_gradients", 4, 0, 0, Expect::none},
                      WallCase{"ghost_gradients", 2, 1, 0, Expect::none}),
    [](const auto& info) {
        const WallCase& c = info.param;
        return std::string(c.routine) + "_type" + std::to_string(c.type) + "_ns" + std::to_string(c.ns) + "_axis" +
               std::to_string(c.iaxis);
    });

// A uniform flow into a slip wall: the image flows out, and the wall cell
// sees the normal velocity fall from u.n to -u.n over the distance h to the
// image, one-sided slope 2 u.n / h, averaged with the zero slope inside:
// grad(u) = (u.n / h) n n, no tangential part.
TEST_F(Gradients, SlipWallTurnsANormalVelocityIntoANormalGradient) {
    TiltedWall w;
    w.build();
    lsq_matrix();
    double un = -0.6;
    set_uniform(1, 1, 0.8 * w.t + un * w.n);
    lsq_edge_terms();
    int c = w.cell;
    double s = un / w.h;
    EXPECT_NEAR(grad(c, 5), s * w.n.x * w.n.x, tol);
    EXPECT_NEAR(grad(c, 6), s * w.n.x * w.n.y, tol);
    EXPECT_NEAR(grad(c, 7), s * w.n.y * w.n.x, tol);
    EXPECT_NEAR(grad(c, 8), s * w.n.y * w.n.y, tol);
}

// Couette flow over a wall at rest: u = s y' t and T = twall + k y' (y' the
// distance from the wall) are reproduced exactly by the no-slip and
// isothermal images in the cells along the wall.
TEST_F(Gradients, NoSlipImagesAreExactForCouetteFlow) {
    for (int type : {3, 4}) {
        SCOPED_TRACE(type);
        init_common();
        TiltedWall w;
        w.build();
        run.ns = 1;
        run.twall = 1.2;
        const double s = 0.9, k = -0.35;
        for (int i = 1; i <= 3; ++i) ibtype(icedge(i, 4)) = type;
        lsq_matrix();
        for_active_cells([&](int c) {
            double y = dot(centre(c), w.n);
            r(c) = 1;
            p(c) = run.twall + k * y;
            ux(c) = s * y * w.t.x;
            uy(c) = s * y * w.t.y;
        });
        ghost_gradients();
        int c = w.cell;  // the bottom cell with no other boundary edge
        EXPECT_NEAR(grad(c, 5), s * w.t.x * w.n.x, tol);
        EXPECT_NEAR(grad(c, 6), s * w.t.x * w.n.y, tol);
        EXPECT_NEAR(grad(c, 7), s * w.t.y * w.n.x, tol);
        EXPECT_NEAR(grad(c, 8), s * w.t.y * w.n.y, tol);
        if (type == 3) {
            EXPECT_NEAR(gradt(c, 1), k * w.n.x, tol);
            EXPECT_NEAR(gradt(c, 2), k * w.n.y, tol);
        }
    }
}

struct IsothermalCase {
    double twall, rho, pres;
};

class IsothermalWall : public Gradients, public ::testing::WithParamInterface<IsothermalCase> {};

// The ghost holds the wall's density p/twall and temperature twall at the
// wall: r' = 2 p/twall - r, T' = 2 twall - T, the pressure unchanged.
TEST_P(IsothermalWall, DensityAndTemperatureImages) {
    const IsothermalCase& ic = GetParam();
    TiltedWall w;
    w.build();
    run.ns = 1;
    run.twall = ic.twall;
    ibtype(w.edge()) = 3;
    lsq_matrix();
    set_uniform(ic.rho, ic.pres, {0, 0});
    ghost_gradients();
    Vec2 d = w.h * w.n;
    double dr = ic.rho - (2 * ic.pres / ic.twall - ic.rho);
    double t = ic.pres / ic.rho;
    double dt = t - (2 * ic.twall - t);
    int e = w.edge();
    EXPECT_NEAR(edgflux(e, 1), dr * d.x, tol);
    EXPECT_NEAR(edgflux(e, 2), dr * d.y, tol);
    EXPECT_NEAR(edgflux(e, 3), 0, tol);
    EXPECT_NEAR(edgflux(e, 4), 0, tol);
    EXPECT_NEAR(edgrhs(e, 5), dt * d.x, tol);
    EXPECT_NEAR(edgrhs(e, 6), dt * d.y, tol);
}

INSTANTIATE_TEST_SUITE_P(Walls, IsothermalWall,
                         ::testing::Values(IsothermalCase{1, 1, 1},      // cell at the wall temperature: no jump
                                           IsothermalCase{1, 2, 3},      // hotter cell
                                           IsothermalCase{2.5, 0.8, 1}),  // colder cell
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// ---- Open boundaries ----

// At an open boundary a cell keeps only the tangential part of its density,
// pressure and velocity gradients; the temperature gradient is left whole.
TEST_F(Gradients, OpenBoundaryKeepsTheTangentialGradient) {
    for (double angle : {0.0, 0.5}) {
        SCOPED_TRACE(angle);
        init_common();
        block_grid(4, 3, 0, 0, 0.5);
        set_side_type(4, 3, 4, 2);  // south side open
        rotate_grid(angle);
        lsq_matrix();
        set_field(sloped);
        lsq_edge_terms();
        Vec2 t{std::cos(angle), std::sin(angle)};  // along the south side
        for (int c : {2, 3}) {
            const Linear* q[] = {&sloped.r, &sloped.p, &sloped.ux, &sloped.uy};
            for (int v = 0; v < 4; ++v) {
                double along = q[v]->qx * t.x + q[v]->qy * t.y;
                EXPECT_NEAR(grad(c, 2 * v + 1), along * t.x, tol) << "cell " << c << " variable " << v;
                EXPECT_NEAR(grad(c, 2 * v + 2), along * t.y, tol) << "cell " << c << " variable " << v;
            }
        }
        // Along the axis, the density gradient keeps its x component only.
        if (angle == 0.0) {
            EXPECT_NEAR(grad(2, 1), sloped.r.qx, tol);
            EXPECT_EQ(grad(2, 2), 0.0);
        }
    }
}

TEST_F(Gradients, OpenBoundaryLeavesTheTemperatureGradient) {
    block_grid(4, 3, 0, 0, 0.5);
    set_side_type(4, 3, 4, 2);
    lsq_matrix();
    set_field(sloped);
    lsq_edge_terms();
    // Cell 2 sees its east and west neighbours and the one to the north.
    auto t = [](int c) { return p(c) / r(c); };
    EXPECT_NEAR(gradt(2, 1), (t(3) - t(1)) / 1.0, tol);
    EXPECT_NEAR(gradt(2, 2), (t(6) - t(2)) / 0.5, tol);
}

// A corner cell with open boundaries on two sides is projected on both.
TEST_F(Gradients, OpenCornerLosesTheWholeGradient) {
    block_grid(4, 3, 0, 0, 0.5);
    set_side_type(4, 3, 4, 2);
    set_side_type(4, 3, 3, 2);
    lsq_matrix();
    set_field(sloped);
    lsq_edge_terms();
    for (int k = 1; k <= 8; ++k) EXPECT_NEAR(grad(1, k), 0, tol) << k;
}

// ---- Degenerate cells ----

// A cell with three open boundary edges sees one neighbour only: its offsets
// span one direction and it gets zero gradients instead of NaN.
TEST_F(Gradients, CellWithOneDirectionGetsZeroGradients) {
    block_grid(3, 1, 0, 0, 0.5);
    for (int k = 2; k <= 4; ++k) ibtype(icedge(1, k)) = 2;
    rotate_grid(pi / 6);
    run.ns = 1;
    lsq_matrix();
    ASSERT_LE(std::fabs(lsqm(1, 4)), 1e-14 * lsqm(1, 1) * lsqm(1, 3));
    set_field(sloped);
    using Routine = void (*)();
    for (Routine routine : {lsq_edge_terms, ghost_gradients, turb_gradients}) {
        for (int k = 1; k <= 8; ++k) grad(1, k) = 99;
        routine();
        for (int c = 1; c <= 3; ++c)
            for (int k = 1; k <= 8; ++k) EXPECT_TRUE(std::isfinite(grad(c, k)));
        if (routine == turb_gradients) {
            for (int k = 1; k <= 4; ++k) EXPECT_EQ(gradturb(1, k), 0.0);
        } else {
            for (int k = 1; k <= 8; ++k) EXPECT_EQ(grad(1, k), 0.0) << k;
            EXPECT_EQ(gradt(1, 1), 0.0);
            EXPECT_EQ(gradt(1, 2), 0.0);
        }
    }
}

// ---- The limiter ----

struct LimitCase {
    double D, f, h;  // slope to the neighbour, slope of the gradient, expected slope
};

class LimitGradient : public ::testing::TestWithParam<LimitCase> {};

TEST_P(LimitGradient, SetsTheSlopeAlongTheDirectionAndKeepsTheRest) {
    const LimitCase& lc = GetParam();
    Vec2 u{0.6, 0.8}, w{-0.8, 0.6};
    const double perp = 0.5;
    Vec2 g = lc.f * u + perp * w;
    double gx = g.x, gy = g.y;
    limit_gradient(u.x, u.y, gx, gy, lc.D, gx, gy);  // in place
    EXPECT_NEAR(gx * u.x + gy * u.y, lc.h, tol);
    EXPECT_NEAR(gx * w.x + gy * w.y, perp, tol);
}

INSTANTIATE_TEST_SUITE_P(Minmod, LimitGradient,
                         ::testing::Values(LimitCase{0, 0.3, 0},      // flat neighbour
                                           LimitCase{1, 1, 1},        // smooth: unchanged
                                           LimitCase{1, 0.4, 0},      // 2f - D = -0.2: signs differ
                                           LimitCase{1, 0.7, 0.4},    // min(1, 0.4)
                                           LimitCase{1, 2, 1},        // min(1, 3)
                                           LimitCase{-1, -0.7, -0.4}, // the same, falling
                                           LimitCase{-1, 0.3, 0},
                                           LimitCase{-1, -2, -1}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// A cell above all its neighbours is an extremum: the limits take its
// gradient to zero along both neighbour lines.
TEST_F(Gradients, ExtremumLosesItsGradient) {
    block_grid(5, 5, 0, 0, 0.2);
    set_uniform(1, 1, {0, 0});
    r(13) = p(13) = ux(13) = uy(13) = 2;
    for (int k = 1; k <= 8; ++k) grad(13, k) = (k % 2 ? 0.3 : -0.2) * k;
    cell_gradients();
    for (int k = 1; k <= 8; ++k) EXPECT_EQ(grad(13, k), 0.0) << k;
}

// The stored gradient (1, 1) of the centre cell agrees with three of its
// neighbours; the fourth is flat, which takes the gradient's component along
// that neighbour's line to zero and leaves the other.
class OneFlatNeighbour : public Gradients, public ::testing::WithParamInterface<int> {};

TEST_P(OneFlatNeighbour, LimitsAlongItsLineOnly) {
    const int flat_side = GetParam();
    const double h = 0.2;
    block_grid(5, 5, 0, 0, h);
    set_uniform(1, 1, {0, 0});
    const int c = 13;
    for (int k = 1; k <= 4; ++k) {
        int n = neighbour(c, k);
        Vec2 d = centre(n) - centre(c);
        r(n) = (k == flat_side) ? 1 : 1 + d.x + d.y;
    }
    grad(c, 1) = grad(c, 2) = 1;
    cell_gradients();
    bool x_line = (flat_side == 1 || flat_side == 3);
    EXPECT_NEAR(grad(c, 1), x_line ? 0 : 1, tol);
    EXPECT_NEAR(grad(c, 2), x_line ? 1 : 0, tol);
}

INSTANTIATE_TEST_SUITE_P(Sides, OneFlatNeighbour, ::testing::Values(1, 2, 3, 4),
                         [](const auto& info) { return "edge" + std::to_string(info.param); });

// A cell on the south boundary is not limited across its south and north
// edges, only across east and west.
TEST_F(Gradients, BoundaryCellIsLimitedAlongTheWallOnly) {
    block_grid(5, 5, 0, 0, 0.2);
    set_uniform(1, 1, {0, 0});
    r(3) = 2;
    grad(3, 1) = 0.3;
    grad(3, 2) = -0.7;
    cell_gradients();
    EXPECT_EQ(grad(3, 1), 0.0);
    EXPECT_EQ(grad(3, 2), -0.7);
}

// Coincident centroids give no slope: that neighbour does not limit.
TEST_F(Gradients, CoincidentCentroidsDoNotLimit) {
    block_grid(5, 5, 0, 0, 0.2);
    lsq_matrix();
    set_field(sloped);
    lsq_edge_terms();
    xc(14) = xc(13);
    yc(14) = yc(13);
    cell_gradients();
    for_active_cells([](int c) {
        for (int k = 1; k <= 8; ++k) EXPECT_TRUE(std::isfinite(grad(c, k))) << "cell " << c << " column " << k;
    });
    expect_pair(grad(13, 1), grad(13, 2), sloped.r, "r", 13);
    expect_pair(grad(13, 7), grad(13, 8), sloped.uy, "uy", 13);
}

// ---- The fit of one cell ----

// lsq_cell_gradients gives a cell, bit for bit, the gradients that
// lsq_edge_terms gives it: across hanging edges, at walls and at open
// boundaries, with the open corner of a sheared grid (its two edges not
// perpendicular) projected in the order of list_bedge.
TEST_F(Gradients, OneCellFitEqualsTheWholeGridFit) {
    qelta::testing::inviscid_run_parameters();
    block_grid(5, 5, -1.0, 0.3, 0.25);
    set_side_type(5, 5, 1, 2);  // east and south open, north and west slip walls
    set_side_type(5, 5, 4, 2);
    split_cell(13);
    split_cell(14);
    split_cell(10);  // on the east side
    map_grid(1, 0.4, 0, 1);
    lsq_matrix();
    qelta::testing::fill_cells([](double x, double y) {
        return sweep::Prim{1 + 0.3 * std::sin(3 * x + y), 2 + std::cos(2 * y), 0.5 * x * y, std::sin(x - 2 * y)};
    });
    lsq_edge_terms();
    constexpr int ncol = 10;  // grad, then gradt
    auto column = [](int c, int k) -> double& { return k <= 8 ? grad(c, k) : gradt(c, k - 8); };
    std::vector<std::array<double, ncol>> whole(grid.ncell);
    for (int i = 1; i <= grid.ncell; ++i)
        for (int k = 1; k <= ncol; ++k) whole[i - 1][k - 1] = column(list_cel(i), k);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncol; ++k) column(c, k) = -99;
        lsq_cell_gradients(c);
        for (int k = 1; k <= ncol; ++k) EXPECT_EQ(column(c, k), whole[i - 1][k - 1]) << "cell " << c << " column " << k;
    }
    int corner = 5;  // the south-east cell
    ASSERT_EQ(ibtype(icedge(corner, 1)), 2);
    ASSERT_EQ(ibtype(icedge(corner, 4)), 2);
    EXPECT_NE(grad(corner, 1), 0);  // sheared: the two projections leave a gradient
}

// ---- The grid helper ----

// The split of the helper follows the adaptation's layout: children at the
// quarters, inner edges from the centre, halves linked to the children.
TEST_F(Gradients, SplitCellBuildsTheFamilyLayout) {
    block_grid(3, 3, 0, 0, 1);
    split_cell(5);
    EXPECT_EQ(grid.ncell, 12);
    EXPECT_EQ(grid.nfather, 1);
    EXPECT_EQ(grid.nmother, 4);
    EXPECT_EQ(grid.nsplit, 4);
    EXPECT_EQ(list_cel(MAX_CEL), 5);
    const Vec2 quarters[] = {{1.75, 1.25}, {1.75, 1.75}, {1.25, 1.75}, {1.25, 1.25}};
    for (int j = 1; j <= 4; ++j) {
        int ch = ichild(5, j);
        EXPECT_DOUBLE_EQ(xc(ch), quarters[j - 1].x);
        EXPECT_DOUBLE_EQ(yc(ch), quarters[j - 1].y);
        EXPECT_DOUBLE_EQ(area(ch), 0.25);
        EXPECT_EQ(level(ch), 1);
        // Each child is ileft of its edges 1 and 4 and iright of 2 and 3.
        EXPECT_EQ(ileft(icedge(ch, 1)), ch);
        EXPECT_EQ(ileft(icedge(ch, 4)), ch);
        EXPECT_EQ(iright(icedge(ch, 2)), ch);
        EXPECT_EQ(iright(icedge(ch, 3)), ch);
    }
    // The east neighbour sees the two eastern children through the halves.
    int e = icedge(6, 3);
    ASSERT_TRUE(lsplit(e));
    EXPECT_EQ(ileft(isubedge(e, 1)), ichild(5, 1));
    EXPECT_EQ(ileft(isubedge(e, 2)), ichild(5, 2));
    EXPECT_EQ(iright(isubedge(e, 1)), 6);
    EXPECT_EQ(grid.nbedge + grid.niedge, grid.nedge);
}

}  // namespace
