#include <gtest/gtest.h>

#include <cmath>

#include "case/units.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/schemes.h"
#include "flow/timestep.h"
#include "grid/grid_store.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::read_lines;
using qelta::testing::three_cells_at_rest;

namespace {

// The three-cell grid at rest (rho = p = 1) in a plane inviscid run.
struct FlowFixture : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::three_cells_at_rest();
        run.cfl = 0.5;
        run.t0 = 0;
        run.tend = 100;
    }
    static void set_prim(int c, double rho, double pres, double u, double v) {
        r(c) = rho;
        p(c) = pres;
        ux(c) = u;
        uy(c) = v;
        prim_to_cons();
        cons_to_prim();
    }
};

using TimeStep = FlowFixture;

TEST_F(TimeStep, ConvectiveLimitUsesFastestCell) {
    set_prim(2, 1, 1, 2, 0);
    get_dt();
    double a = std::sqrt(1.4);
    EXPECT_DOUBLE_EQ(wspeed(1), a);
    EXPECT_DOUBLE_EQ(wspeed(2), 2 + a);
    EXPECT_DOUBLE_EQ(run.dt, 0.5 / (2 + a));
}

TEST_F(TimeStep, LastStepEndsJustPastTheEnd) {
    run.t0 = 0.3;
    run.tend = 1.0;
    run.time = 1.2;  // 0.1 left, less than a whole step
    get_dt();
    double remaining = run.t0 + run.tend - run.time;
    double factor = static_cast<double>(1.000001f);  // one millionth more, in single precision
    EXPECT_DOUBLE_EQ(run.dt, remaining * factor);
    EXPECT_GT(run.time + run.dt, run.t0 + run.tend);
    EXPECT_NEAR(run.time + run.dt - (run.t0 + run.tend), (factor - 1) * remaining, 1e-15);
}

TEST_F(TimeStep, ViscousLimitIsNotScaledByCfl) {
    run.ns = 1;
    run.sut_mu = 111.0 / 293;
    double s = std::sqrt(1.4);
    struct Case {
        double reyn, dt;
    } cases[] = {
        {1.0, 1 / (s + 2)},  // mu(T = 1) = 1: viscous limit below cfl times the convective one
        {1e6, 0.5 / s},      // convective limit
    };
    for (auto k : cases) {
        run.reyn = k.reyn;
        get_dt();
        EXPECT_NEAR(run.dt, k.dt, 1e-12) << "Re = " << k.reyn;
    }
}

TEST_F(TimeStep, ConservativeAndPrimitiveRoundTrip) {
    set_prim(1, 2.0, 3.0, 0.5, -1.5);
    EXPECT_DOUBLE_EQ(cp(1), 3.0 / 0.4 + 0.5 * 2.0 * (0.25 + 2.25));
    cons_to_prim();
    EXPECT_DOUBLE_EQ(r(1), 2.0);
    EXPECT_DOUBLE_EQ(p(1), 3.0);
    EXPECT_DOUBLE_EQ(ux(1), 0.5);
    EXPECT_DOUBLE_EQ(uy(1), -1.5);
    EXPECT_DOUBLE_EQ(tem(1), 1.5);
}

TEST_F(TimeStep, UnknownNsStops) {
    run.ns = 2;
    EXPECT_EXIT(timestep(), ::testing::ExitedWithCode(1), "Unknown parameter ns: +2\n.*Stop in timestep");
}

struct DispatchCase {
    int ischeme;
    const char* message;
};

TEST_F(TimeStep, DispatchRefusesUnknownDeletedAndMissingSchemes) {
    const DispatchCase cases[] = {
        {9, "Unknown parameter ischeme: +9\n.*Stop in solve_euler_step"},
        {0, "Unknown parameter ischeme: +0\n.*Stop in solve_euler_step"},
        {6, "Solver has been deleted"},
        {3, "Scheme +3 is not built in this version\n.*Stop in solve_euler_step"},
    };
    for (auto k : cases) {
        run.ischeme = k.ischeme;
        scheme_sweeps(3) = {};
        EXPECT_EXIT(solve_euler_step(), ::testing::ExitedWithCode(1), k.message) << k.ischeme;
    }
    // The message reached the run log too.
    auto lines = log_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " Stop in solve_euler_step");
}

int calls_plane, calls_axi;
void count_plane() { ++calls_plane; }
void count_axi() { ++calls_axi; }

TEST_F(TimeStep, DispatchPicksTheAxisymmetricSweep) {
    scheme_sweeps(8) = {count_plane, count_axi, true};
    run.ischeme = 8;
    calls_plane = calls_axi = 0;
    solve_euler_step();
    run.iaxis = 1;
    solve_euler_step();
    EXPECT_EQ(calls_plane, 1);
    EXPECT_EQ(calls_axi, 1);
}

// Without adaptation the case hook runs only for the airfoil: in a viscous
// run it keeps the cells along no-slip walls marked for refinement.
TEST_F(TimeStep, CaseHookWithoutAdaptationOnlyForTheAirfoil) {
    scheme_sweeps(7) = {count_plane, count_plane, true};
    run.ischeme = 7;  // carries its own viscous terms
    run.ns = 1;
    run.reyn = 1e6;
    run.minlev = run.lmax = 0;
    ibtype(2) = 3;  // a no-slip wall on cell 1
    for (int id : {2, 102}) {
        run.ipar(5) = id;
        lrefine(1) = false;
        timestep();
        EXPECT_EQ(static_cast<bool>(lrefine(1)), id == 102) << "case " << id;
    }
}

using Repair = FlowFixture;

TEST_F(Repair, AveragesWithEdgeNeighbours) {
    cp(2) = -1;  // negative pressure in the middle cell
    cons_to_prim();
    double mean_cp = (2.5 + 2.5 - 1) / 3;
    run.nstep = 4;
    fix_negative_cells();
    for (int c = 1; c <= 3; ++c) EXPECT_DOUBLE_EQ(cp(c), mean_cp) << c;
    auto lines = log_lines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], " Found negatives" + fmt_i(4, 12) + fmt_i(1, 12));
    EXPECT_EQ(lines[1], " Found a negative cell:" + fmt_i(2, 12));
    EXPECT_EQ(lines[2], " Smoothed for " + fmt_i(2, 12) + " cells");
    EXPECT_EQ(lines[3], "       1       3");  // across edges 3 and 4 of cell 2
    EXPECT_EQ(lines[4], "Weighting   1.00  1.00");
}

TEST_F(Repair, CoarserNeighbourMovesAQuarterOfTheWay) {
    level(2) = 1;
    cp(2) = -1;
    cons_to_prim();
    fix_negative_cells();
    double avg = (-1 + 0.25 * 2.5 + 0.25 * 2.5) / 1.5;
    EXPECT_DOUBLE_EQ(cp(2), avg);
    EXPECT_DOUBLE_EQ(cp(1), 0.75 * 2.5 + 0.25 * avg);
    EXPECT_DOUBLE_EQ(cp(3), 0.75 * 2.5 + 0.25 * avg);
    EXPECT_NE(log_lines()[4].find("0.25  0.25"), std::string::npos);
}

TEST_F(Repair, GivesUpWhenAveragingCannotHelp) {
    for (int c = 1; c <= 3; ++c) cp(c) = -1;
    cons_to_prim();
    EXPECT_EXIT(fix_negative_cells(), ::testing::ExitedWithCode(1), "Stop in fix_negative_cells");
}

TEST_F(Repair, NegativePressureReportDumpsTheLastCellWithTheMinimum) {
    p(1) = -2;
    p(3) = -2;
    r(2) = -0.5;
    double pmin, rmin;
    check_negative(pmin, rmin);
    EXPECT_EQ(pmin, -2);
    EXPECT_EQ(rmin, -0.5);
    auto lines = log_lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], " Warning...Found negative pressure:");
    EXPECT_EQ(lines[1].rfind(" cell " + fmt_i(3, 12), 0), 0u);
    EXPECT_EQ(lines[6], " Warning...Found negative density:");
    EXPECT_EQ(lines[7].rfind(" cell " + fmt_i(2, 12), 0), 0u);
}

TEST_F(Repair, NothingToReportWhenPositive) {
    double pmin, rmin;
    check_negative(pmin, rmin);
    EXPECT_EQ(pmin, 1);
    EXPECT_EQ(rmin, 1);
    EXPECT_TRUE(log_lines().empty());
}

// A value that is not a number fails the positivity tests, whichever
// conservative variable holds it: the report names its cell as the one
// with the minimum, and the repair, which cannot average it away, gives up.
TEST_F(Repair, NotANumberCountsAsNonPositive) {
    for (int k = 1; k <= ncons; ++k) {
        three_cells_at_rest();
        cons(2, k) = std::nan("");
        cons_to_prim();
        double pmin, rmin;
        check_negative(pmin, rmin);
        EXPECT_TRUE(std::isnan(pmin)) << "variable " << k;
        EXPECT_EQ(std::isnan(rmin), k == 1) << "variable " << k;
        const auto lines = log_lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - (k == 1 ? 12 : 6)], " Warning...Found negative pressure:");
        EXPECT_EXIT(fix_negative_cells(), ::testing::ExitedWithCode(1), "Stop in fix_negative_cells")
            << "variable " << k;
    }
}

}  // namespace
