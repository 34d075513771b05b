#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "case/units.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/schemes.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::read_lines;

namespace {

int runs_of_scheme1, runs_of_scheme2;
bool scheme2_breaks_cell1;
double scheme1_start_pressure;  // p(1) as scheme 1 finds it

// A sweep of gas at rest between closed walls: nothing crosses any edge.
void still_sweep() {
    for (int i = 1; i <= grid.nedge; ++i) {
        sweep::store_flux(list_edg(i), {0, 0, 0, 0});
        sweep::store_indicator(list_edg(i), 0);
    }
    sweep::finish(false, false);
}

// Stand-ins for the two schemes: scheme 2 either leaves the state alone or
// drives the energy of cell 1 below zero; scheme 1 leaves it alone.
void fake_scheme2() {
    ++runs_of_scheme2;
    still_sweep();
    if (scheme2_breaks_cell1) cp(1) = -1;
    cons_to_prim();
}
void fake_scheme1() {
    ++runs_of_scheme1;
    scheme1_start_pressure = p(1);
    still_sweep();
    cons_to_prim();
}

struct Hybrid : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::three_cells_at_rest();
        scheme_sweeps(1) = {fake_scheme1, fake_scheme1, true};
        scheme_sweeps(2) = {fake_scheme2, fake_scheme2, true};
        runs_of_scheme1 = runs_of_scheme2 = 0;
        run.ischeme = 5;
    }
};

TEST_F(Hybrid, PositiveFirstResultStands) {
    scheme2_breaks_cell1 = false;
    solve_euler_step();
    EXPECT_EQ(runs_of_scheme2, 1);
    EXPECT_EQ(runs_of_scheme1, 0);
    EXPECT_EQ(run.ischeme, 5);
    EXPECT_TRUE(log_lines().empty());
}

TEST_F(Hybrid, BlendTakesTheEnergyOfTheSecondScheme) {
    scheme2_breaks_cell1 = true;
    solve_euler_step();
    EXPECT_EQ(runs_of_scheme1, 1);
    EXPECT_EQ(scheme1_start_pressure, 1.0);  // the start state, primitives included
    EXPECT_EQ(run.ischeme, 5);
    // Only a whole-energy weight on scheme 1 brings cell 1 back to p = 1.
    EXPECT_DOUBLE_EQ(cp(1), 2.5);
    EXPECT_DOUBLE_EQ(p(1), 1.0);
    EXPECT_DOUBLE_EQ(r(1), 1.0);
    auto lines = log_lines();
    std::vector<std::string> report(lines.end() - 5, lines.end());
    EXPECT_EQ(report[0], "Mass:   100.% SCHEME 2 +   0.% SCHEME 1");
    EXPECT_EQ(report[1], "Energy:   0.% SCHEME 2 + 100.% SCHEME 1");
    EXPECT_EQ(report[2], "x-Mom:  100.% SCHEME 2 +   0.% SCHEME 1");
    EXPECT_EQ(report[3], "y-Mom:  100.% SCHEME 2 +   0.% SCHEME 1");
    EXPECT_EQ(report[4].rfind(" Mininum pressure/density after optimizing:", 0), 0u);
    EXPECT_NE(report[4].find(" 1"), std::string::npos);
    // The warning of the negative first result came before.
    EXPECT_EQ(lines[0], " Warning...Found negative pressure:");
}

// A closed 10 x 10 box: slip walls all round.
void ripple_box() {
    qelta::testing::inviscid_run_parameters();
    block_grid(10, 10, 0, 0, 0.1);
    lsq_matrix();
}
// Fast, cold gas with a strong density ripple.
void fill_ripple() {
    qelta::testing::fill_cells([](double x, double y) {
        return sweep::Prim{1 + 0.5 * std::sin(20 * x) * std::cos(17 * y), 1e-4, 10, 3 * std::sin(11 * x)};
    });
}
// The area-weighted total of conservative column k.
double total(int k) {
    double s = 0;
    for (int c = 1; c <= grid.ncell; ++c) s += area(c) * cons(c, k);
    return s;
}
// Whether a line holds text.
bool any_holds(const std::vector<std::string>& lines, const char* text) {
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

// The real schemes 2 and 1 on a closed box of fast, cold gas with a strong
// density ripple, where scheme 2 leaves negative pressures after one step:
// the blend of the two results conserves mass and energy (each variable is
// blended with one weight everywhere) and its smallest pressure lies above
// that of scheme 2 alone.
using HybridBlend = qelta::testing::LibraryTest;

TEST_F(HybridBlend, ConservesMassAndEnergyAndRaisesTheSmallestPressure) {
    ripple_box();
    auto smallest_pressure = [] {
        double m = run.big;
        for (int c = 1; c <= grid.ncell; ++c) m = std::min(m, p(c));
        return m;
    };
    fill_ripple();
    get_dt();
    run.ischeme = 2;
    scheme_step(false);  // the scheme alone, without the positivity fallback
    const double p_scheme2 = smallest_pressure();
    ASSERT_LT(p_scheme2, 0);

    fill_ripple();
    const double mass = total(1), energy = total(2);
    run.ischeme = 5;
    solve_euler_step();
    EXPECT_EQ(run.ischeme, 5);
    EXPECT_TRUE(any_holds(log_lines(), "after optimizing"));
    EXPECT_NEAR(total(1), mass, 1e-13 * mass);
    EXPECT_NEAR(total(2), energy, 1e-13 * energy);
    EXPECT_GT(smallest_pressure(), p_scheme2);
}

// The same state through scheme 2 itself: the cells it leaves non-positive
// are advanced again by the positivity fallback, which keeps the totals in
// the closed box and leaves every cell positive.
TEST_F(HybridBlend, PositivityFallbackOfScheme2ConservesAndLeavesEveryCellPositive) {
    ripple_box();
    fill_ripple();
    const double mass = total(1), energy = total(2);
    get_dt();
    run.ischeme = 2;
    solve_euler_step();
    EXPECT_TRUE(any_holds(log_lines(), "Positivity fallback"));
    EXPECT_NEAR(total(1), mass, 1e-13 * mass);
    EXPECT_NEAR(total(2), energy, 1e-13 * energy);
    for (int c = 1; c <= grid.ncell; ++c) {
        ASSERT_GT(r(c), 0) << "cell " << c;
        ASSERT_GT(p(c), 0) << "cell " << c;
    }
}

}  // namespace
