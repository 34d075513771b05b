#include <gtest/gtest.h>

#include <cmath>

#include "case/cases.h"
#include "case/units.h"
#include "common/checks.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/viscous.h"
#include "grid/grid_files.h"
#include "grid/grid_store.h"
#include "support/library_fixture.h"

using namespace qelta;

namespace {

// A case on the three-cell grid, with the units and gas set as at run start.
struct Cases : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        run.ns = 0;
        run.iaxis = 0;
        run.isteady = 0;
        run.irecon = 1;
        run.rpar(4) = 1.4;
        run.amach = 2.0;
        run.eps_filter = 0.01;
    }
    void start(int id, double angle = 0) {
        run.ipar(5) = id;
        run.rpar(2) = run.amach;
        run.rpar(3) = angle;
        set_reference();
        set_units();
        grid_three_cells();
        set_initial_conditions();
    }
};

TEST_F(Cases, WedgeGridFollowsTheAngle) {
    struct Case {
        double angle;
        const char* digits;
        double wangle;
    } cases[] = {{30, "30", 30}, {42, "45", 42},  {42.4, "45", 42.4}, {47.4, "45", 47.4},
                 {47.5, "50", 47.5}, {0, "00", 0}, {5, "05", 5},     {-3, "00", 0},
                 {95, "90", 90},     {2.4, "00", 2.4}, {2.5, "05", 2.5}};
    for (int id : {2, 4}) {
        for (auto k : cases) {
            run.ipar(5) = id;
            run.rpar(2) = 2;
            run.rpar(3) = k.angle;
            set_background_grid();
            EXPECT_EQ(run.meshfile.str(), std::string("./grid/wedge/wedge") + k.digits + ".neu") << k.angle;
            EXPECT_EQ(run.gridfile.str(), std::string("./grid/wedge/wedge") + k.digits + ".dat") << k.angle;
            EXPECT_EQ(run.wangle, k.wangle);
            EXPECT_EQ(run.nwangle, std::atoi(k.digits));
        }
    }
}

TEST_F(Cases, OtherCasesKeepTheGridDataFile) {
    struct Case {
        int id;
        const char* mesh;
    } cases[] = {{1, "./grid/model1.neu"},     {3, "./grid/model1.neu"},      {5, "./grid/model5.neu"},
                 {6, "./grid/model5.neu"},     {101, "./grid/model101.neu"}, {102, "./grid/naca1208a.neu"}};
    for (auto k : cases) {
        run.gridfile = "celledge.dat";
        run.ipar(5) = k.id;
        set_background_grid();
        EXPECT_EQ(run.meshfile.str(), k.mesh);
        EXPECT_EQ(run.meshfile.padded().size(), 32u);
        EXPECT_EQ(run.gridfile.str(), "celledge.dat");
    }
}

// The noise term of the wedge and the cone falls with the Mach number to
// none at Mach 1; below Mach 1 (a steady start, no shock) the control
// file's term stays. It is never below 0, which the control file refuses.
TEST_F(Cases, WedgeCflAndNoiseTermFollowTheMachNumber) {
    struct Case {
        double mach, cfl, eps;
    } cases[] = {
        {12, static_cast<double>(0.4f), 0.01},
        {10, 0.5, 0.01},
        {2, 0.5, 0.01},
        {1.1, 0.5, (1.1 - 1) * 0.20000002731879987},
        {1.15, 0.5, 0.01},  // above 1.15 in single precision
        {1.0, 0.5, 0},
        {0.999, 0.5, 0.01},
        {0.5, 0.5, 0.01},
        {1e-9, 0.5, 0.01},
    };
    for (int id : {2, 4}) {
        for (auto k : cases) {
            run.eps_filter = 0.01;
            run.ipar(5) = id;
            run.rpar(2) = k.mach;
            run.rpar(3) = 20;
            set_background_grid();
            EXPECT_EQ(run.cfl, k.cfl) << "case " << id << " Mach " << k.mach;
            EXPECT_EQ(run.eps_filter, k.eps) << "case " << id << " Mach " << k.mach;
        }
    }
}

TEST_F(Cases, UnknownCaseStops) {
    run.ipar(5) = 7;
    EXPECT_EXIT(set_background_grid(), ::testing::ExitedWithCode(1),
                "Error: Background grid file are not defined yet in user");
    EXPECT_EXIT(set_initial_conditions(), ::testing::ExitedWithCode(1),
                "Error: Initial conditions are not defined yet in user");
}

TEST_F(Cases, MovingShockLeavesTheNormalShockStateBehindIt) {
    start(2, 30);
    double W = 2 * std::sqrt(1.4);
    // Mach 2, gamma 1.4: density ratio 8/3, pressure ratio 4.5, and the gas
    // behind the shock moves at W (1 - 3/8).
    EXPECT_EQ(run.xshock, static_cast<double>(-0.2f));
    EXPECT_NEAR(r(1), 8.0 / 3, 1e-12);  // cell 1 lies behind the shock
    EXPECT_NEAR(p(1), 4.5, 1e-12);
    EXPECT_NEAR(ux(1), W * (1 - 3.0 / 8), 1e-12);
    EXPECT_NEAR(ux(1), 1.47902, 1e-5);
    for (int c : {2, 3}) {
        EXPECT_EQ(r(c), 1);
        EXPECT_EQ(p(c), 1);
        EXPECT_EQ(ux(c), 0);
    }
    EXPECT_NEAR(cp(1), 4.5 / 0.4 + 0.5 * 8.0 / 3 * ux(1) * ux(1), 1e-12);
    EXPECT_DOUBLE_EQ(run.t0, -run.xshock / W);
    EXPECT_DOUBLE_EQ(run.tend, 0.8 / W);
}

TEST_F(Cases, RunTimesOfTheShockCases) {
    double W = 2 * std::sqrt(1.4);
    double tan60 = std::tan(60 * 0.017453292519943295);
    struct Case {
        int id;
        double angle, xshock, t0, tend;
    } cases[] = {
        {1, 0, -0.8, (-0.5 + 0.8) / W, 5 / W},
        {3, 0, -0.8, (-0.5 + 0.8) / W, 5 / W},
        {4, 60, -0.2, 0.2 / W, 0.8 / W / tan60},
        {4, 45, -0.2, 0.2 / W, 0.8 / W},
        {4, 90, -0.2, 0.2 / W, 0.8 / W},
    };
    for (auto k : cases) {
        start(k.id, k.angle);
        EXPECT_NEAR(run.xshock, k.xshock, 1e-7);
        EXPECT_NEAR(run.t0, k.t0, 1e-7) << k.id;
        EXPECT_NEAR(run.tend, k.tend, 1e-12) << k.id << " " << k.angle;
    }
}

TEST_F(Cases, SteadyStartIsAUniformStreamAtTheShockSpeed) {
    run.isteady = 1;
    start(1);
    double W = 2 * std::sqrt(1.4);
    for (int c = 1; c <= 3; ++c) {
        EXPECT_EQ(r(c), 1);
        EXPECT_DOUBLE_EQ(ux(c), W);
    }
    EXPECT_NEAR(run.tend, 5 / W, 1e-12);
}

TEST_F(Cases, ExplosionsAndAirfoil) {
    start(5);
    EXPECT_EQ(r(2), 20);  // its centroid (0.5, 0.5) is the centre
    EXPECT_EQ(p(2), 20);
    EXPECT_EQ(r(1), 1);
    EXPECT_DOUBLE_EQ(run.tend, 0.000175 / ref.t_scale);
    EXPECT_EQ(run.t0, 0);

    start(6);
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(p(c), 1);

    run.amach = 0.8;
    start(102, 30);
    double V = 0.8 * std::sqrt(1.4);
    EXPECT_NEAR(ux(1), V * std::cos(M_PI / 6), 1e-12);
    EXPECT_NEAR(uy(1), V * std::sin(M_PI / 6), 1e-12);
    EXPECT_NEAR(run.tend, 10 / V, 1e-12);
    EXPECT_FALSE(run.lightning_done);
}

TEST_F(Cases, BoundaryTypesByMidpoint) {
    start(2, 30);
    // Only the west side of the L (x = -1) is open in the wedge rule.
    for (int e = 1; e <= 10; ++e) {
        int expected = !lbedge(e) ? 0 : (e == 3 ? 2 : 1);
        EXPECT_EQ(ibtype(e), expected) << "edge " << e;
    }
    start(1);
    for (int i = 1; i <= grid.nbedge; ++i) EXPECT_EQ(ibtype(list_bedge(i)), 1);
}

TEST_F(Cases, ViscousAirfoilHasNoSlipWalls) {
    run.ns = 1;
    run.wallratio = 2;
    start(102, 10);
    for (int i = 1; i <= grid.nbedge; ++i) EXPECT_EQ(ibtype(list_bedge(i)), 3);
    EXPECT_EQ(run.twall, 1);
    EXPECT_GT(run.reyn, 0);
    // Wall cells get the weight 2 at the wall end of their side edges:
    // cell 3's south edge (9) is a wall, so its east and west edges
    // (8 and 10) weigh 2 at their start.
    EXPECT_EQ(edgratio(8, 1), 2);
    EXPECT_EQ(edgratio(10, 1), 2);
}

TEST_F(Cases, ViscousRunOfAShockCaseStops) {
    run.ns = 1;
    EXPECT_EXIT(start(2, 30), ::testing::ExitedWithCode(1), "Error: Boundary conditions are not defined yet in user");
}

TEST_F(Cases, AxisIsMarkedAndEdgesBelowItStop) {
    run.iaxis = 1;
    run.ipar(5) = 6;
    grid_four_cells();  // 0 <= y <= 1
    check_axis();
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(ibtype(5 + c), 6) << "lower edge of cell " << c;
    EXPECT_EQ(ibtype(1), 2);
    EXPECT_EQ(ibtype(10), 1);
    grid_three_cells();  // one cell below the axis
    EXPECT_EXIT(check_axis(), ::testing::ExitedWithCode(1), "y must be greater than 0 for axisymmetric flows");
}

TEST_F(Cases, WallFactorsOnlyForViscousRuns) {
    grid_four_cells();
    ibtype(6) = 3;  // the lower edge of cell 1
    run.wallratio = 3;
    run.ns = 0;
    wall_edge_factors();
    EXPECT_EQ(edgratio(1, 1), 1.0);
    run.ns = 1;
    wall_edge_factors();
    EXPECT_EQ(edgratio(1, 1), 3.0);  // west edge of cell 1, at its lower end
    EXPECT_EQ(edgratio(2, 1), 3.0);  // east edge
    EXPECT_EQ(edgratio(1, 2), 1.0);
    EXPECT_EQ(edgratio(3, 1), 1.0);
}

TEST_F(Cases, InterfaceMarkOnXZero) {
    grid_three_cells();
    mark_interface();
    EXPECT_EQ(ibtype(1), -1);  // the inner edge on x = 0
    EXPECT_EQ(ibtype(7), 0);
}

TEST_F(Cases, EnergySourceDepositsItsEnergyOnce) {
    run.iaxis = 1;
    run.gam = 1.4;
    run.gam1 = 0.4;
    run.lmax = 0;  // no refinement round the source
    ref.t_scale = 1e-4;
    grid_four_cells();
    for (int c = 1; c <= 4; ++c) r(c) = p(c) = 1, ux(c) = uy(c) = 0;
    prim_to_cons();
    auto energy = [] {
        double e = 0;
        for (int c = 1; c <= 4; ++c) e += cp(c) * M_PI * area(c);  // volume = pi x area
        return e;
    };
    double e0 = energy();
    run.time = 1.9;  // 190 microseconds: too early
    energy_source();
    EXPECT_EQ(energy(), e0);
    run.time = 2.1;
    energy_source();
    EXPECT_NEAR(energy() - e0, 0.33, 1e-12);
    EXPECT_TRUE(run.lsource);
    EXPECT_GT(p(1), p(2));  // the nearest cell to (-60, 0) is the centre
    EXPECT_GT(p(2), p(3));
    EXPECT_EQ(p(4), 1);
    double once = energy();
    energy_source();
    EXPECT_EQ(energy(), once);
    auto lines = log_lines();
    EXPECT_EQ(lines.end()[-4], " Properties at the center of energy source");
    run.iaxis = 0;
    EXPECT_EXIT(energy_source(), ::testing::ExitedWithCode(1),
                "Error: Source energy is only defined for axisymmetric flows.");
}

TEST_F(Cases, SphereDiameterMustBePositive) {
    run.ipar(5) = 101;
    run.rpar(3) = 10;  // mm
    set_reference();
    EXPECT_DOUBLE_EQ(ref.l_ref, 0.005);
    for (double d : {0.0, -3.0}) {
        run.rpar(3) = d;
        EXPECT_EXIT(set_reference(), ::testing::ExitedWithCode(1),
                    "sphere diameter in mm \\(realPar slot 3\\) is " + number_text(d) + "; it must be");
    }
}

}  // namespace
