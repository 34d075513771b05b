#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/flux.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "grid/gradients.h"
#include "grid/grid_files.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::split_cell;

namespace {

struct Sweeps : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::inviscid_run_parameters();
    }
    // Sets the primitive state of every active cell from a function of the
    // centroid, then the conservative one.
    void fill(const std::function<sweep::Prim(double, double)>& f) {
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            sweep::Prim q = f(xc(c), yc(c));
            r(c) = q.r;
            p(c) = q.p;
            ux(c) = q.u;
            uy(c) = q.v;
        }
        prim_to_cons();
        cons_to_prim();
    }
    double total(int k) {
        double s = 0;
        for (int i = 1; i <= grid.ncell; ++i) s += area(list_cel(i)) * cons(list_cel(i), k);
        return s;
    }
};

struct SweepCase {
    const char* name;
    void (*sweep)();
    int iaxis;
};

const SweepCase sweep_cases[] = {
    {"scheme 1", sweep_scheme1, 0},
    {"scheme 2", sweep_scheme2, 0},
    {"scheme 1 axisymmetric", sweep_scheme1, 1},
    {"scheme 2 axisymmetric", sweep_scheme2_axi, 1},
};

// Gas at rest in a closed box: every edge carries only p N and the source
// G p_h balances the radial pressure terms of axisymmetric cells.
TEST_F(Sweeps, GasAtRestStaysAtRest) {
    for (const auto& k : sweep_cases) {
        init_common();
        run.iaxis = k.iaxis;
        block_grid(4, 3, -1, 0, 0.5);
        check_axis();  // the lower edges lie on the axis in axisymmetric runs
        fill([](double, double) { return sweep::Prim{1.2, 2.0, 0, 0}; });
        get_dt();
        k.sweep();
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            EXPECT_NEAR(cr(c), 1.2, 1e-14) << k.name;
            EXPECT_NEAR(cp(c), 2.0 / 0.4, 1e-13) << k.name;
            EXPECT_NEAR(cux(c), 0, 1e-14) << k.name;
            EXPECT_NEAR(cuy(c), 0, 1e-13) << k.name << " cell " << c;
        }
    }
}

// Slip walls all round: mass and energy do not cross them.
TEST_F(Sweeps, ClosedBoxConservesMassAndEnergy) {
    for (const auto& k : sweep_cases) {
        if (k.iaxis) continue;
        init_common();
        run.iaxis = 0;
        block_grid(5, 4, 0, 0, 0.25);
        fill([](double x, double y) {
            return sweep::Prim{1 + 0.5 * x + 0.2 * std::sin(7 * y), 1 + y * y, 0.3 * std::cos(3 * x), -0.2 * x};
        });
        lsq_matrix();
        lsq_edge_terms();  // second order
        get_dt();
        double mass = total(1), energy = total(2);
        k.sweep();
        EXPECT_NEAR(total(1), mass, 1e-13 * mass) << k.name;
        EXPECT_NEAR(total(2), energy, 1e-13 * energy) << k.name;
    }
}

// The plane wall of scheme 2: a face state moving into the wall meets its
// mirror image; nothing crosses, and the wall feels the star pressure of
// the two colliding streams.
TEST_F(Sweeps, SlipWallTakesTheStarPressureOfTheCollision) {
    run.iaxis = 0;
    block_grid(1, 1, 0, 0, 1);
    fill([](double, double) { return sweep::Prim{1, 1, 0.5, 0}; });  // towards the east wall
    run.dt = 0.01;
    sweep_scheme2();
    int east = icedge(1, 1);
    NormalState s = exact_riemann({1, 0.5, 0, 1}, 1.4, {1, -0.5, 0, 1}, 1.4);
    EXPECT_NEAR(edgflux(east, 1), 0, 1e-15);
    EXPECT_NEAR(edgflux(east, 2), 0, 1e-15);
    EXPECT_NEAR(edgflux(east, 3), s.p * 1.0, 1e-12);  // N = (1, 0) times the length 1
    EXPECT_GT(s.p, 1.0);
}

// Without viscosity the no-slip types are open boundaries.
TEST_F(Sweeps, NoSlipWallOfAnInviscidRunIsOpen) {
    run.iaxis = 0;
    struct Case {
        void (*sweep)();
    } cases[] = {{sweep_scheme1}, {sweep_scheme2}};
    for (auto k : cases) {
        double flux[2];
        for (int type : {2, 3}) {
            init_common();
            block_grid(1, 1, 0, 0, 1);
            ibtype(icedge(1, 1)) = type;
            fill([](double, double) { return sweep::Prim{1, 1, 0.5, 0}; });
            get_dt();
            k.sweep();
            flux[type - 2] = edgflux(icedge(1, 1), 1);
        }
        EXPECT_GT(flux[0], 0);
        EXPECT_EQ(flux[0], flux[1]);
    }
}

// The marks from the cell's largest edge indicator.
TEST_F(Sweeps, MarksFollowTheIndicator) {
    run.iaxis = 0;
    block_grid(1, 1, 0, 0, 1);
    fill([](double, double) { return sweep::Prim{1, 1, 0, 0}; });
    run.dt = 0;
    struct Case {
        double ind, area_min;
        bool keep, refine, coarsen;
    } cases[] = {
        {0.3, 0, false, true, false},   {0.2, 0, false, false, false},  // equal to refine_tol: no
        {0.05, 0, false, false, false}, {0.04, 0, false, false, true},  // equal to coarse_tol: no
        {0.3, 1.0, false, true, false},                                  // area equal to area_min may refine
        {0.3, 1.1, false, false, false}, {0.0, 0, true, true, false},    // kept
        {0.0, 1.1, true, false, true},                                   // kept, but too small
    };
    for (auto k : cases) {
        for (int e = 1; e <= grid.nedge; ++e) work(e, 1) = 0;
        for (int e = 1; e <= grid.nedge; ++e) edgflux(e, 1) = edgflux(e, 2) = edgflux(e, 3) = edgflux(e, 4) = 0;
        work(icedge(1, 3), 1) = k.ind;
        run.area_min = k.area_min;
        lkeep(1) = k.keep;
        sweep::finish(false, false);
        EXPECT_EQ(static_cast<bool>(lrefine(1)), k.refine) << k.ind << " " << k.area_min << " " << k.keep;
        EXPECT_EQ(static_cast<bool>(lcoarse(1)), k.coarsen) << k.ind << " " << k.area_min << " " << k.keep;
    }
}

// A hanging mother edge carries the sum of its halves' fluxes and the larger
// of their indicators; the coarse cell is updated with the sum.
TEST_F(Sweeps, HangingEdgeSumsItsHalves) {
    run.iaxis = 0;
    block_grid(2, 1, 0, 0, 1);
    fill([](double, double) { return sweep::Prim{1, 1, 0, 0}; });
    split_cell(1);
    ASSERT_EQ(grid.nsplit, 1);
    int mother = list_split(1);
    for (int e = 1; e <= 64; ++e) work(e, 1) = edgflux(e, 1) = 0;
    int h1 = isubedge(mother, 1), h2 = isubedge(mother, 2);
    work(h1, 1) = 0.3;
    work(h2, 1) = 0.7;
    edgflux(h1, 1) = 0.25;
    edgflux(h2, 1) = 0.5;
    run.dt = 1;
    double before = cr(2);
    sweep::finish(false, false);
    EXPECT_EQ(work(mother, 1), 0.7);
    EXPECT_EQ(edgflux(mother, 1), 0.75);
    // The mother is cell 2's west edge (edge 3): the flux enters cell 2.
    ASSERT_EQ(icedge(2, 3), mother);
    EXPECT_DOUBLE_EQ(cr(2), before + 0.75 / area(2));
}

// Mach exactly 1 on the wedge makes the noise term 0: a flat region must
// still give a finite indicator.
TEST_F(Sweeps, IndicatorStaysFiniteWithoutANoiseTerm) {
    run.iaxis = 0;
    run.eps_filter = 0;
    block_grid(3, 1, 0, 0, 1);
    fill([](double, double) { return sweep::Prim{1, 1, 0, 0}; });
    get_dt();
    for (void (*s)() : {sweep_scheme1, sweep_scheme2}) {
        s();
        for (int i = 1; i <= grid.niedge; ++i) EXPECT_EQ(work(list_iedge(i), 1), 0);
        for (int c = 1; c <= 3; ++c) EXPECT_FALSE(lrefine(c));
    }
}

// Scheme 1 with an extrapolated face density below zero: the cell's own
// value is used and the fluxes stay finite.
TEST_F(Sweeps, SchemeOneFaceValuesStayPositive) {
    run.iaxis = 0;
    block_grid(3, 1, 0, 0, 1);
    fill([](double x, double) { return sweep::Prim{x < 1 ? 0.1 : 1.0, 1, 0, 0}; });
    get_dt();
    for (int c = 1; c <= 3; ++c) grad(c, 1) = 5;  // steep: 1 + 5 (-0.5) < 0 on the left face of cell 3
    sweep_scheme1();
    for (int i = 1; i <= grid.nedge; ++i)
        for (int k = 1; k <= 4; ++k) EXPECT_TRUE(std::isfinite(edgflux(list_edg(i), k)));
    for (int c = 1; c <= 3; ++c) EXPECT_TRUE(std::isfinite(cr(c)) && std::isfinite(cp(c)));
}

// The sweeps that carry more variables conserve them in a closed box, and
// keep a uniform turbulence field uniform.
TEST_F(Sweeps, CarriedVariablesAreConserved) {
    run.iaxis = 0;
    block_grid(5, 4, 0, 0, 0.25);
    fill([](double x, double y) { return sweep::Prim{1 + 0.5 * x, 1 + y, 0.3 * std::cos(3 * x), -0.2 * x}; });
    gas.thcoef.fill(0);
    gas.thcoef(1, 1) = gas.thcoef(1, 2) = 3.5;  // a constant cp: gamma 1.4
    for (int c = 1; c <= grid.ncell; ++c) {
        tk(c) = 2;
        te(c) = 0.5;
        rho2(c) = 0.25 * r(c) * (1 + yc(c));
    }
    lsq_matrix();
    lsq_edge_terms();
    turb_gradients();
    get_dt();
    auto sum = [](auto f) {
        double s = 0;
        for (int c = 1; c <= grid.ncell; ++c) s += area(c) * f(c);
        return s;
    };
    double k0 = sum([](int c) { return cr(c) * tk(c); });
    double m2 = sum([](int c) { return rho2(c); });
    sweep_predictor_k_epsilon();
    EXPECT_NEAR(sum([](int c) { return cr(c) * tk(c); }), k0, 1e-13 * k0);
    for (int c = 1; c <= grid.ncell; ++c) EXPECT_NEAR(tk(c), 2, 1e-12);
    sweep_predictor_thermal();
    EXPECT_NEAR(sum([](int c) { return rho2(c); }), m2, 1e-13 * m2);
}

}  // namespace
