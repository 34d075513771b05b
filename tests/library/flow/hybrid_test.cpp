#include <gtest/gtest.h>

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

namespace {

int runs_of_scheme1, runs_of_scheme2;
bool scheme2_breaks_cell1;

// Stand-ins for the two schemes: scheme 2 either leaves the state alone or
// drives the energy of cell 1 below zero; scheme 1 leaves it alone.
void fake_scheme2() {
    ++runs_of_scheme2;
    if (scheme2_breaks_cell1) cp(1) = -1;
    cons_to_prim();
}
void fake_scheme1() {
    ++runs_of_scheme1;
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

}  // namespace
