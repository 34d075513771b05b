#include <gtest/gtest.h>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/grid_checks.h"
#include "grid/grid_store.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::read_lines;

namespace {

struct GridChecks : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        run.iaxis = 0;
        grid_three_cells();
    }
};

TEST_F(GridChecks, DumpCellWritesFiveRecords) {
    p(2) = 2.5;
    r(2) = 1.25;
    cp(2) = 7;
    dump_cell(2);
    auto lines = log_lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind(" cell ", 0), 0u);
    EXPECT_NE(lines[0].find("0.5"), std::string::npos);
    EXPECT_EQ(lines[1], fmt_l(false, 3) + fmt_i(0, 12));
    EXPECT_EQ(lines[2], fmt_i(5, 13) + fmt_i(6, 12) + fmt_i(1, 12) + fmt_i(7, 12));  // after the leading blank
    EXPECT_EQ(lines[3].rfind(" p, r, ux, uy:   ", 0), 0u);
    EXPECT_NE(lines[3].find("2.5"), std::string::npos);
    EXPECT_EQ(lines[4].rfind(" cp, cr, cux,cuy:", 0), 0u);
}

TEST_F(GridChecks, DumpEdgeTellsSplitAndCells) {
    int e = 1;
    dump_edge(e);
    lsplit(7) = true;
    isubedge(7, 1) = 11;
    isubedge(7, 2) = 12;
    dump_edge_type(7);
    auto lines = log_lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], " Not split");
    EXPECT_EQ(lines[2], " LEFT cell " + fmt_i(1, 12) + " Right cell " + fmt_i(2, 12));
    EXPECT_EQ(lines[4], " Split Subedges " + fmt_i(11, 12) + fmt_i(12, 12));
}

TEST_F(GridChecks, AreaStatsRecomputeFromCorners) {
    area(1) = 99;
    double amin, amax, atot;
    cell_area_stats(amin, amax, atot);
    EXPECT_DOUBLE_EQ(amin, 1.0);
    EXPECT_DOUBLE_EQ(amax, 1.0);
    EXPECT_DOUBLE_EQ(atot, 3.0);
    EXPECT_DOUBLE_EQ(area(1), 1.0);
    grid.ncell = 0;
    cell_area_stats(amin, amax, atot);
    EXPECT_EQ(amin, 1e30);
    EXPECT_EQ(amax, -1e30);
}

TEST_F(GridChecks, MisplacedCentroidStops) {
    xc(2) = -3;  // cell 2 now claims to lie west of its west edge
    EXPECT_EXIT(check_grid(), ::testing::ExitedWithCode(1), "Bug, Error");
}

TEST_F(GridChecks, BrokenNeighbourStops) {
    ileft(1) = 3;  // edge 1 no longer names cell 1 on its left
    EXPECT_EXIT(check_grid(), ::testing::ExitedWithCode(1), "Error in check data");
}

TEST_F(GridChecks, ErrorNormsOfExactCouetteFlowVanish) {
    run.amach = 2;
    run.gam = 1.4;
    run.gam1 = 0.4;
    run.prand = 0.7;
    run.twall = 1;
    for (int c = 1; c <= 3; ++c) {
        double y = yc(c);
        r(c) = 1;
        ux(c) = 2 * y;
        uy(c) = 0;
        tem(c) = 1 + 0.7 * 0.4 / 2.8 * 4 * y * (1 - y);
    }
    double er, eux, euy, et;
    error_norms(er, eux, euy, et);
    EXPECT_NEAR(er + eux + euy + et, 0, 1e-15);
    r(1) = 1.3;
    error_norms(er, eux, euy, et);
    EXPECT_NEAR(er, 0.1, 1e-15);
}

TEST_F(GridChecks, SolutionDumpHasEveryCellAndEdge) {
    dump_solution();
    auto lines = read_lines("temp");
    EXPECT_EQ(lines.size(), 2u + 3 * 3 + 10);
}

}  // namespace
