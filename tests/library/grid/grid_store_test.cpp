#include <gtest/gtest.h>

#include <cmath>

#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/grid_checks.h"
#include "grid/grid_store.h"

using namespace qelta;

namespace {

// Leaves stale values where a run would leave them, then resets.
TEST(InitCommon, ResetsListsMarksAndWeights) {
    list_cel(7) = 3;
    list_edg(MAX_EDG) = 1;
    lrefine(5) = true;
    lkeep(MAX_CEL) = true;
    lsplit(9) = true;
    edgratio(12, 2) = 2.0;
    ibtype(44) = 1;  // an inner edge of an earlier run's grid
    init_common();
    EXPECT_EQ(list_cel(MAX_CEL), MAX_CEL);
    EXPECT_EQ(list_cel(7), 7);
    EXPECT_EQ(list_edg(MAX_EDG), MAX_EDG);
    for (int e : {1, 12, MAX_EDG}) {
        EXPECT_EQ(edgratio(e, 1), 1.0);
        EXPECT_EQ(edgratio(e, 2), 1.0);
        EXPECT_FALSE(lsplit(e));
    }
    EXPECT_EQ(ibtype(44), 0);
    for (int c : {1, 5, MAX_CEL}) {
        EXPECT_FALSE(lrefine(c) || lcoarse(c) || lkeep(c) || lfather(c));
        EXPECT_EQ(level(c), 0);
    }
    EXPECT_EQ(run.big, 1e30);
    EXPECT_EQ(run.rsave1, static_cast<double>(0.8f));
    EXPECT_EQ(run.nout, -100);
    EXPECT_EQ(gas.gasname.padded(), std::string(20, ' '));
}

struct ThreeCells : ::testing::Test {
    void build(int iaxis) {
        init_common();
        run.iaxis = iaxis;
        run.irecon = 1;
        grid_three_cells();
    }
};

TEST_F(ThreeCells, PlaneAreasAndLengthsAreOne) {
    build(0);
    ASSERT_EQ(grid.ncell, 3);
    ASSERT_EQ(grid.nedge, 10);
    for (int c = 1; c <= 3; ++c) EXPECT_DOUBLE_EQ(area(c), 1.0);
    for (int e = 1; e <= 10; ++e) EXPECT_DOUBLE_EQ(edglen(e), 1.0);
}

TEST_F(ThreeCells, AxisymmetricAreaIsSignedIntegralOfTwoY) {
    build(1);
    EXPECT_DOUBLE_EQ(area(1), 1.0);
    EXPECT_DOUBLE_EQ(area(2), 1.0);
    EXPECT_DOUBLE_EQ(area(3), -1.0);  // below the axis
}

TEST_F(ThreeCells, HasEdgeListsAndNoTypeOnInnerEdges) {
    build(0);
    EXPECT_EQ(grid.niedge, 2);
    EXPECT_EQ(grid.nbedge, 8);
    EXPECT_EQ(grid.nsplit, 0);
    for (int i = 1; i <= grid.niedge; ++i) EXPECT_EQ(ibtype(list_iedge(i)), 0);
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        EXPECT_TRUE(lbedge(e));
        EXPECT_EQ(ileft(e), iright(e));
        EXPECT_GT(ibtype(e), 0);
    }
}

TEST_F(ThreeCells, OrientationIsConsistent) {
    build(0);
    check_grid();  // stops the process on a misplaced neighbour
    // Walking round a cell counter-clockwise passes edges 4 and 1 forwards
    // and 2 and 3 backwards, so its boundary integral of x dy is its area.
    for (int c = 1; c <= 3; ++c) {
        double a = 0;
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            double s = (k == 1 || k == 4) ? 1 : -1;
            a += s * 0.5 * (xyedge(e, 1) + xyedge(e, 3)) * (xyedge(e, 4) - xyedge(e, 2));
        }
        EXPECT_DOUBLE_EQ(a, 1.0) << "cell " << c;
    }
}

// A unit square as cell 1: edges 1 east, 2 north, 3 west, 4 south.
void unit_square(double y0) {
    init_common();
    icedge(1, 1) = 1;
    icedge(1, 2) = 2;
    icedge(1, 3) = 3;
    icedge(1, 4) = 4;
    set_edge(1, {1, y0}, {1, y0 + 1});
    set_edge(2, {0, y0 + 1}, {1, y0 + 1});
    set_edge(3, {0, y0}, {0, y0 + 1});
    set_edge(4, {0, y0}, {1, y0});
    xc(1) = 0.5;
    yc(1) = y0 + 0.5;
    grid.ncell = 1;
    grid.nedge = 4;
}

TEST(CellGeometry, AxisymmetricAreaOfUnitSquare) {
    struct Case {
        double y0, area;
    } cases[] = {{0, 1}, {1, 3}, {2, 5}};
    for (auto k : cases) {
        unit_square(k.y0);
        run.iaxis = 1;
        cell_geometry();
        EXPECT_DOUBLE_EQ(area(1), k.area) << "y0 = " << k.y0;
    }
}

TEST(CellGeometry, SecondMomentsInFamilyMode) {
    unit_square(0);
    run.iaxis = 0;
    run.irecon = 2;
    cell_geometry();
    // Mean of (x - xc)^2 over the unit square is 1/12; the moments hold half.
    EXPECT_NEAR(cmom(1, 1), 1.0 / 24, 1e-15);
    EXPECT_NEAR(cmom(1, 2), 1.0 / 24, 1e-15);
    EXPECT_NEAR(cmom(1, 3), 0.0, 1e-15);
}

TEST(DropParents, WithoutParentsChangesNothing) {
    init_common();
    run.iaxis = 0;
    grid_three_cells();
    drop_parents();
    EXPECT_EQ(grid.ncell, 3);
    EXPECT_EQ(grid.nfather, 0);
    EXPECT_EQ(grid.nmother, 0);
    EXPECT_EQ(list_cel(MAX_CEL), MAX_CEL);
}

TEST(DropParents, ForgetsFathersAndMothers) {
    init_common();
    grid.nfather = 2;
    grid.nmother = 3;
    for (int i = 0; i < 2; ++i) lfather(list_cel(MAX_CEL - i)) = lrefine(list_cel(MAX_CEL - i)) = true;
    for (int i = 0; i < 3; ++i) lsplit(list_edg(MAX_EDG - i)) = true;
    drop_parents();
    EXPECT_EQ(grid.nfather, 0);
    EXPECT_EQ(grid.nmother, 0);
    EXPECT_FALSE(lfather(MAX_CEL) || lfather(MAX_CEL - 1) || lrefine(MAX_CEL));
    EXPECT_FALSE(lsplit(MAX_EDG) || lsplit(MAX_EDG - 2));
}

TEST(SmallGrids, FourCellsRowIsConsistent) {
    init_common();
    run.iaxis = 0;
    grid_four_cells();
    EXPECT_EQ(grid.ncell, 4);
    EXPECT_EQ(grid.nedge, 13);
    EXPECT_EQ(grid.niedge, 3);
    EXPECT_EQ(grid.nbedge, 10);
    check_grid();
    int open = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (ibtype(e) == 2) {
            ++open;
            EXPECT_TRUE(xyedge(e, 1) == -1 || xyedge(e, 1) == 3);
        }
    }
    EXPECT_EQ(open, 2);
    for (int c = 1; c <= 4; ++c) EXPECT_DOUBLE_EQ(area(c), 1.0);
}

TEST(SmallGrids, OneCell) {
    init_common();
    grid_one_cell();
    EXPECT_EQ(grid.ncell, 1);
    EXPECT_EQ(grid.nbedge, 4);
    EXPECT_EQ(xc(1), static_cast<double>(0.933f));
    EXPECT_EQ(area(1), 1.0);
    EXPECT_EQ(ibtype(3), 2);
}

TEST(EdgeLists, HangingMotherEdgesAreListed) {
    init_common();
    run.iaxis = 0;
    grid_three_cells();
    // Pretend edge 1 was split by refining cell 2 only: cell 1 stays a leaf.
    list_edg(MAX_EDG) = 1;
    list_edg(1) = MAX_EDG;
    grid.nmother = 1;
    lsplit(1) = true;
    lfather(2) = true;
    build_edge_lists();
    ASSERT_EQ(grid.nsplit, 1);
    EXPECT_EQ(list_split(1), 1);
    lfather(1) = true;  // both sides refined: not hanging
    build_edge_lists();
    EXPECT_EQ(grid.nsplit, 0);
}

}  // namespace
