#include "grid/node_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "qelta.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::split_cell;

namespace {

constexpr double pi = 3.141592653589793;

// The program's side: arrays of MAX_CEL elements, cell_nodes four columns.
struct ProgramArrays {
    std::vector<double> x = std::vector<double>(MAX_CEL), y = x, r = x, p = x, ux = x, uy = x;
    std::vector<int> cell_nodes = std::vector<int>(4 * MAX_CEL), hang = std::vector<int>(MAX_CEL);
    int hang_length = MAX_CEL;

    NodeExchange view() {
        NodeExchange out = node_exchange(x.data(), y.data(), cell_nodes.data(), hang.data(), r.data(), p.data(),
                                         ux.data(), uy.data());
        out.hang_nodes = ExchangeArray<int>(hang.data(), hang_length);
        return out;
    }
};

struct NodeValues : qelta::testing::LibraryTest {
    int nhang = -1, nnode = -1;
    ProgramArrays prog;

    void SetUp() override {
        LibraryTest::SetUp();
        run.iaxis = 0;
        run.ns = 0;
        run.wallratio = 1;
        run.gam = 1.4;
        run.gam1 = 0.4;
    }

    void number_nodes() { node_cells(nhang, nnode); }
    void values_out() { node_values_out(prog.view(), nnode, nhang); }

    // The node at (x, y); 0 when there is none, and no point twice.
    int node_at(double x, double y) const {
        int found = 0;
        for (int n = 1; n <= nnode; ++n)
            if (std::abs(work(n, 1) - x) + std::abs(work(n, 3) - y) < 1e-12) {
                EXPECT_EQ(found, 0) << "point (" << x << ", " << y << ") numbered twice";
                found = n;
            }
        return found;
    }

    static std::set<int> cells_round(int n) {
        std::set<int> s;
        for (int k = 1; k <= nnbr(n); ++k) s.insert(nbrcel(n, k));
        return s;
    }

    // Every active edge carries the numbers of the nodes at its two ends.
    void expect_edge_ends_numbered() const {
        for (int i = 1; i <= grid.nedge; ++i) {
            const int e = list_edg(i);
            const int s = iwork(e, 2), t = iwork(e, 3);
            ASSERT_TRUE(s >= 1 && s <= nnode && t >= 1 && t <= nnode) << "edge " << e;
            EXPECT_DOUBLE_EQ(work(s, 1), xyedge(e, 1)) << "edge " << e;
            EXPECT_DOUBLE_EQ(work(s, 3), xyedge(e, 2)) << "edge " << e;
            EXPECT_DOUBLE_EQ(work(t, 1), xyedge(e, 3)) << "edge " << e;
            EXPECT_DOUBLE_EQ(work(t, 3), xyedge(e, 4)) << "edge " << e;
        }
    }
};

// Distinct values in every cell: r = c, p = 10 c, ux = -c, uy = c^2.
void numbered_cell_values() {
    for (int j = 1; j <= grid.ncell; ++j) {
        const int c = list_cel(j);
        r(c) = c;
        p(c) = 10.0 * c;
        ux(c) = -c;
        uy(c) = double(c) * c;
    }
}

// Cells a and b meet along an edge or half edge.
bool share_edge(int a, int b) {
    for (int k = 1; k <= 4; ++k) {
        const int e = icedge(a, k);
        const int parts[3] = {e, lsplit(e) ? isubedge(e, 1) : 0, lsplit(e) ? isubedge(e, 2) : 0};
        for (int f : parts)
            if (f != 0 && (ileft(f) == b || iright(f) == b)) return true;
    }
    return false;
}

TEST_F(NodeValues, TwoByTwoBlockListsTheCellsRoundEveryNode) {
    block_grid(2, 2, 0, 0, 1);  // cells 1 2 below, 3 4 above
    number_nodes();
    EXPECT_EQ(nhang, 0);
    EXPECT_EQ(nnode, 9);
    struct Case {
        double x, y;
        std::set<int> cells;
    };
    const Case cases[] = {
        {1, 1, {1, 2, 3, 4}}, {1, 0, {1, 2}}, {0, 1, {1, 3}}, {2, 1, {2, 4}}, {1, 2, {3, 4}},
        {0, 0, {1}},          {2, 0, {2}},    {0, 2, {3}},    {2, 2, {4}},
    };
    for (const Case& c : cases) {
        const int n = node_at(c.x, c.y);
        ASSERT_NE(n, 0) << c.x << ", " << c.y;
        EXPECT_EQ(cells_round(n), c.cells) << c.x << ", " << c.y;
        EXPECT_EQ(nnbr(n), int(c.cells.size()));
    }
    EXPECT_EQ(node_at(1, 1), 9);  // the one inner node comes after the boundary nodes
    expect_edge_ends_numbered();
}

TEST_F(NodeValues, TwoByTwoBlockAverages) {
    block_grid(2, 2, 0, 0, 1);
    numbered_cell_values();
    values_out();
    ASSERT_EQ(nnode, 9);
    struct Case {
        double x, y;
        double r;  // mean of the cell numbers round the node
    };
    const Case cases[] = {
        {1, 1, 2.5},                                          // four cells at equal distances
        {1, 0, 1.5}, {0, 1, 2.0}, {2, 1, 3.0}, {1, 2, 3.5},  // plain mean of two
        {0, 0, 1.0}, {2, 0, 2.0}, {0, 2, 3.0}, {2, 2, 4.0},  // the one cell
    };
    for (const Case& c : cases) {
        const int n = node_at(c.x, c.y);
        ASSERT_NE(n, 0);
        EXPECT_DOUBLE_EQ(prog.r[n - 1], c.r) << c.x << ", " << c.y;
        EXPECT_DOUBLE_EQ(prog.p[n - 1], 10 * c.r);
        EXPECT_DOUBLE_EQ(prog.ux[n - 1], -c.r);
        EXPECT_DOUBLE_EQ(prog.x[n - 1], c.x);
        EXPECT_DOUBLE_EQ(prog.y[n - 1], c.y);
    }
    EXPECT_DOUBLE_EQ(prog.uy[node_at(1, 1) - 1], (1 + 4 + 9 + 16) / 4.0);
}

TEST_F(NodeValues, SplitCellGivesHangingNodesOnItsInnerEdges) {
    block_grid(2, 2, 0, 0, 1);
    const int east = icedge(1, 1), north = icedge(1, 2);
    split_cell(1);
    numbered_cell_values();
    number_nodes();
    ASSERT_EQ(nhang, 2);
    EXPECT_EQ(nnode, 14);  // 9 corners, 2 hanging, the centre, 2 boundary midpoints
    struct Case {
        double x, y;
        int coarse, mother, fine1, fine2;
    };
    const Case cases[] = {
        {1, 0.5, 2, east, ichild(1, 1), ichild(1, 2)},
        {0.5, 1, 3, north, ichild(1, 3), ichild(1, 2)},
    };
    for (int i = 1; i <= 2; ++i) {
        const Case& c = cases[i - 1];
        EXPECT_EQ(node_at(c.x, c.y), i);
        EXPECT_EQ(nnbr(i), 3);
        EXPECT_EQ(nbrcel(i, 1), c.fine1);
        EXPECT_EQ(nbrcel(i, 2), c.fine2);
        EXPECT_EQ(nbrcel(i, 3), c.coarse);
        EXPECT_EQ(nbrcel(i, 7), c.mother);
    }
    EXPECT_EQ(cells_round(node_at(1, 1)), (std::set<int>{2, 3, 4, ichild(1, 2)}));
    EXPECT_EQ(cells_round(node_at(0.5, 0.5)), (std::set<int>{ichild(1, 1), ichild(1, 2), ichild(1, 3), ichild(1, 4)}));
    expect_edge_ends_numbered();

    values_out();
    // Two cells of different sizes at a boundary node: still the plain mean.
    EXPECT_DOUBLE_EQ(prog.r[node_at(1, 0) - 1], (r(ichild(1, 1)) + r(2)) / 2);
    const int ends[2][2] = {{node_at(1, 0), node_at(1, 1)}, {node_at(0, 1), node_at(1, 1)}};
    for (int i = 1; i <= 2; ++i) {
        const int a = ends[i - 1][0], b = ends[i - 1][1];
        EXPECT_EQ(prog.hang[2 * i - 2], a);
        EXPECT_EQ(prog.hang[2 * i - 1], b);
        EXPECT_DOUBLE_EQ(prog.r[i - 1], (prog.r[a - 1] + prog.r[b - 1]) / 2);
        EXPECT_DOUBLE_EQ(prog.p[i - 1], (prog.p[a - 1] + prog.p[b - 1]) / 2);
        EXPECT_DOUBLE_EQ(prog.ux[i - 1], (prog.ux[a - 1] + prog.ux[b - 1]) / 2);
        EXPECT_DOUBLE_EQ(prog.uy[i - 1], (prog.uy[a - 1] + prog.uy[b - 1]) / 2);
    }
}

TEST_F(NodeValues, WalksListNeighbouringCellsInTurn) {
    block_grid(4, 4, 0, 0, 1);
    split_cell(6);
    split_cell(7);
    number_nodes();
    for (int n = nhang + 1; n <= nnode; ++n) {
        const int m = nnbr(n);
        const double x = work(n, 1), y = work(n, 3);
        const bool inner = x > 0 && x < 4 && y > 0 && y < 4;
        for (int k = 1; k < m; ++k) EXPECT_TRUE(share_edge(nbrcel(n, k), nbrcel(n, k + 1))) << "node " << n;
        if (inner) {
            EXPECT_EQ(m, 4);
            EXPECT_TRUE(share_edge(nbrcel(n, m), nbrcel(n, 1))) << "node " << n;
        }
    }
    expect_edge_ends_numbered();
}

// The coarse cells beside the split one keep their four corners, not the
// hanging nodes on their edges.
TEST_F(NodeValues, CellNodesRunCounterclockwiseFromUpperRight) {
    block_grid(2, 2, 0, 0, 1);
    split_cell(1);
    values_out();
    for (int j = 1; j <= grid.ncell; ++j) {
        const int c = list_cel(j);
        double xmin = 1e30, xmax = -1e30, ymin = 1e30, ymax = -1e30;
        for (int k = 1; k <= 4; ++k) {
            const int e = icedge(c, k);
            xmin = std::min({xmin, xyedge(e, 1), xyedge(e, 3)});
            xmax = std::max({xmax, xyedge(e, 1), xyedge(e, 3)});
            ymin = std::min({ymin, xyedge(e, 2), xyedge(e, 4)});
            ymax = std::max({ymax, xyedge(e, 2), xyedge(e, 4)});
        }
        const double expected[4][2] = {{xmax, ymax}, {xmin, ymax}, {xmin, ymin}, {xmax, ymin}};
        for (int k = 0; k < 4; ++k) {
            const int n = prog.cell_nodes[j - 1 + k * MAX_CEL];
            EXPECT_DOUBLE_EQ(prog.x[n - 1], expected[k][0]) << "cell " << c << " corner " << k + 1;
            EXPECT_DOUBLE_EQ(prog.y[n - 1], expected[k][1]) << "cell " << c << " corner " << k + 1;
        }
    }
}

TEST_F(NodeValues, CellTableHoldsListPositionsAfterwards) {
    block_grid(2, 2, 0, 0, 1);
    split_cell(1);
    number_nodes();
    std::vector<std::vector<int>> cells(nnode + 1);
    for (int n = 1; n <= nnode; ++n)
        for (int k = 1; k <= nnbr(n); ++k) cells[n].push_back(nbrcel(n, k));
    const int mother1 = nbrcel(1, 7);
    values_out();
    bool moved = false;
    for (int n = 1; n <= nnode; ++n)
        for (int k = 1; k <= nnbr(n); ++k) {
            EXPECT_EQ(list_cel(nbrcel(n, k)), cells[n][k - 1]) << "node " << n;
            moved = moved || nbrcel(n, k) != cells[n][k - 1];
        }
    EXPECT_TRUE(moved);  // the split moved cells away from their own positions
    EXPECT_EQ(nbrcel(1, 7), mother1);
}

// Cell values of the linear fields r = 2 + 3x - 5y, p = 1 + x + y, ux = x,
// uy = -y at the centroids; nodes away from the boundary get them exactly.
TEST_F(NodeValues, LinearFieldExactAwayFromTheBoundary) {
    struct Case {
        const char* grid;
        int n;
        std::vector<int> splits;
        int inner_nodes, hanging_nodes;
    };
    const Case cases[] = {
        {"uniform 3 x 3", 3, {}, 4, 0},
        {"4 x 4, one inner cell split", 4, {6}, 9 + 5, 4},
        {"4 x 4, two neighbours split", 4, {6, 7}, 9 + 5 + 4, 6},
    };
    for (const Case& g : cases) {
        init_common();
        block_grid(g.n, g.n, 0, 0, 1);
        for (int c : g.splits) split_cell(c);
        for (int j = 1; j <= grid.ncell; ++j) {
            const int c = list_cel(j);
            r(c) = 2 + 3 * xc(c) - 5 * yc(c);
            p(c) = 1 + xc(c) + yc(c);
            ux(c) = xc(c);
            uy(c) = -yc(c);
        }
        values_out();
        int checked = 0;
        for (int n = 1; n <= nnode; ++n) {
            const double x = work(n, 1), y = work(n, 3);
            if (x == 0 || y == 0 || x == g.n || y == g.n) continue;
            ++checked;
            EXPECT_NEAR(prog.r[n - 1], 2 + 3 * x - 5 * y, 1e-12) << g.grid << " at " << x << ", " << y;
            EXPECT_NEAR(prog.p[n - 1], 1 + x + y, 1e-12) << g.grid;
            EXPECT_NEAR(prog.ux[n - 1], x, 1e-12) << g.grid;
            EXPECT_NEAR(prog.uy[n - 1], -y, 1e-12) << g.grid;
        }
        EXPECT_EQ(checked, g.inner_nodes) << g.grid;
        EXPECT_EQ(nhang, g.hanging_nodes) << g.grid;
    }
}

TEST_F(NodeValues, AirfoilPointsAndVelocitiesTurnToTheAngleOfAttack) {
    run.ipar(5) = 102;
    run.rpar(3) = 10;
    block_grid(1, 1, 1.25, 0, 1);
    r(1) = p(1) = 1;
    ux(1) = 1;
    uy(1) = 0;
    values_out();
    const int n = node_at(1.25, 0);  // the grid itself keeps its points
    ASSERT_NE(n, 0);
    const double a = 10 * pi / 180;
    EXPECT_NEAR(prog.x[n - 1], 0.25 + std::cos(a), 1e-14);
    EXPECT_NEAR(prog.y[n - 1], -std::sin(a), 1e-14);
    EXPECT_NEAR(prog.ux[n - 1], std::cos(a), 1e-14);
    EXPECT_NEAR(prog.uy[n - 1], -std::sin(a), 1e-14);
    const int centre = node_at(2.25, 1);
    EXPECT_NEAR(prog.x[centre - 1], 0.25 + 2 * std::cos(a) + std::sin(a), 1e-14);
    EXPECT_NEAR(prog.y[centre - 1], -2 * std::sin(a) + std::cos(a), 1e-14);
    EXPECT_DOUBLE_EQ(run.wangle, -a);
    EXPECT_DOUBLE_EQ(xyedge(icedge(1, 4), 1), 1.25);
}

// n quadrilaterals round the origin, over the whole circle (the origin an
// inner node) or over the upper half plane (a boundary node). Cell m lies
// between spokes m - 1 and m; its rim is a boundary corner B_m.
void fan_grid(int n, bool whole) {
    const double span = whole ? 2 * pi : pi;
    const int nspoke = whole ? n : n + 1;
    auto rim = [&](int k) {
        if (whole) k %= n;
        return Vec2{std::cos(k * span / n), std::sin(k * span / n)};
    };
    auto spoke = [&](int k) { return whole ? k % n + 1 : k + 1; };  // edge of spoke k
    for (int k = 0; k < nspoke; ++k) {
        const int e = spoke(k);
        set_edge(e, {0, 0}, rim(k));
        int left = k + 1, right = k;  // edge 4 of cell k + 1, edge 3 of cell k
        if (whole && right == 0) right = n;
        const bool boundary = left > n || right < 1;
        if (left > n) left = right;
        if (right < 1) right = left;
        ileft(e) = left;
        iright(e) = right;
        lbedge(e) = boundary;
        ibtype(e) = boundary ? 1 : 0;
    }
    for (int m = 1; m <= n; ++m) {
        const double mid = (m - 0.5) * span / n;
        const Vec2 b{1.5 * std::cos(mid), 1.5 * std::sin(mid)};
        const int e1 = nspoke + 2 * m - 1, e2 = nspoke + 2 * m;
        set_edge(e1, rim(m - 1), b);
        set_edge(e2, rim(m), b);
        for (int e : {e1, e2}) {
            ileft(e) = iright(e) = m;
            lbedge(e) = true;
            ibtype(e) = 1;
        }
        icedge(m, 1) = e1;
        icedge(m, 2) = e2;
        icedge(m, 3) = spoke(m);
        icedge(m, 4) = spoke(m - 1);
        xc(m) = 0.6 * std::cos(mid);
        yc(m) = 0.6 * std::sin(mid);
    }
    grid.ncell = n;
    grid.nedge = nspoke + 2 * n;
    grid.nfather = grid.nmother = 0;
    cell_geometry();
    build_edge_lists();
}

TEST_F(NodeValues, CellsRoundOneNodeUpToTheLimit) {
    struct Case {
        int n;
        bool whole;
    };
    for (const Case c : {Case{7, true}, Case{6, false}}) {
        init_common();
        fan_grid(c.n, c.whole);
        number_nodes();
        const int o = node_at(0, 0);
        ASSERT_NE(o, 0);
        EXPECT_EQ(nnbr(o), c.n);
        expect_edge_ends_numbered();
    }
}

TEST_F(NodeValues, TooManyCellsRoundABoundaryNodeStop) {
    fan_grid(7, false);
    EXPECT_EXIT(number_nodes(), ::testing::ExitedWithCode(1),
                "Warning: Too much cells around one node\\*\n"
                "QELTA: Neighboring cells +7\n"
                "QELTA: Suggestion: increase constant max_nbr in  common");
}

TEST_F(NodeValues, TooManyCellsRoundAnInnerNodeStop) {
    fan_grid(8, true);
    EXPECT_EXIT(number_nodes(), ::testing::ExitedWithCode(1), "more than +7 cells around inner node");
}

TEST_F(NodeValues, CellWithoutASecondEdgeAtTheNodeStops) {
    struct Case {
        const char* where;
        int nx;
        int cell, side;  // the edge whose end point is moved off the node
    };
    const Case cases[] = {{"boundary corner", 1, 1, 2}, {"inner node", 2, 1, 1}};
    for (const Case& c : cases) {
        init_common();
        block_grid(c.nx, c.nx, 0, 0, 1);
        xyedge(icedge(c.cell, c.side), 3) += 0.1;
        EXPECT_EXIT(number_nodes(), ::testing::ExitedWithCode(1), "failed to find a neibouring edge") << c.where;
    }
}

TEST_F(NodeValues, MoreNodesThanTheTableHoldsStop) {
    block_grid(446, 447, 0, 0, 1);  // 447 x 448 nodes
    EXPECT_EXIT(number_nodes(), ::testing::ExitedWithCode(1), "more grid nodes than the node table holds: +200000");
}

TEST_F(NodeValues, HangingPairsMustFitTheProgramArray) {
    block_grid(2, 2, 0, 0, 1);
    split_cell(1);
    prog.hang_length = 4;  // two pairs fit
    values_out();
    EXPECT_EQ(nhang, 2);
    prog.hang_length = 3;
    EXPECT_EXIT(values_out(), ::testing::ExitedWithCode(1), "more hanging nodes than the program's array holds: +2");
}

// Through the entry point, as the program calls it: sizes out, and the raw
// layout of the arrays (element k for number k + 1, column k of cell_nodes
// MAX_CEL elements after column k - 1).
TEST_F(NodeValues, EntryPointFillsTheProgramArrays) {
    block_grid(2, 2, 0, 0, 1);
    split_cell(4);
    for (int j = 1; j <= grid.ncell; ++j) {
        const int c = list_cel(j);
        r(c) = 1 + xc(c);
        p(c) = 2;
        ux(c) = uy(c) = 0;
    }
    prim_to_cons();
    for (int j = 1; j <= grid.ncell; ++j) r(list_cel(j)) = -1;  // renewed from the conservative columns
    lsq_matrix();
    int nn = -1, nc = -1, nh = -1;
    get_cell_vertex(prog.x.data(), prog.y.data(), &nn, prog.cell_nodes.data(), &nc, prog.hang.data(), &nh,
                    prog.r.data(), prog.p.data(), prog.ux.data(), prog.uy.data());
    EXPECT_EQ(nc, 7);
    EXPECT_EQ(nh, 2);
    EXPECT_EQ(nn, 14);
    // Upper-left cell 3 is not split: corners (1,2), (0,2), (0,1), (1,1).
    int pos = 0;
    for (int j = 1; j <= nc; ++j)
        if (list_cel(j) == 3) pos = j;
    ASSERT_NE(pos, 0);
    const double corner[4][2] = {{1, 2}, {0, 2}, {0, 1}, {1, 1}};
    for (int k = 0; k < 4; ++k) {
        const int n = prog.cell_nodes[pos - 1 + k * 200000];
        EXPECT_DOUBLE_EQ(prog.x[n - 1], corner[k][0]);
        EXPECT_DOUBLE_EQ(prog.y[n - 1], corner[k][1]);
    }
    // Hanging node 1 and its pair.
    const int a = prog.hang[0], b = prog.hang[1];
    EXPECT_DOUBLE_EQ(prog.x[0], (prog.x[a - 1] + prog.x[b - 1]) / 2);
    EXPECT_DOUBLE_EQ(prog.y[0], (prog.y[a - 1] + prog.y[b - 1]) / 2);
    // The corner (0, 0) with its one cell.
    for (int n = 1; n <= nn; ++n) {
        if (prog.x[n - 1] == 0 && prog.y[n - 1] == 0) {
            EXPECT_DOUBLE_EQ(prog.r[n - 1], 1.5);
        }
    }
    EXPECT_DOUBLE_EQ(prog.p[nn - 1], 2);
}

}  // namespace
