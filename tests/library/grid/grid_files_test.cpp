#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/format.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/grid_files.h"
#include "grid/grid_store.h"
#include "grid/node_values.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::read_lines;
using qelta::testing::write_file;

namespace {

constexpr double deg = 0.017453292519943295;

// A case grid in the neutral format: six header records, the counts, two
// records, the nodes, two records, the cells.
struct NeuGrid {
    std::vector<Vec2> nodes;
    std::vector<std::array<int, 4>> cells;  // corner nodes, counted from 1

    std::string text() const {
        char buf[160];
        std::string s = "        CONTROL INFO 2.4.6\n** GAMBIT NEUTRAL FILE\ntest grid\n"
                        "PROGRAM:                Gambit     VERSION:  2.4.6\n1 Jan 2024\n"
                        "     NUMNP     NELEM     NGRPS    NBSETS     NDFCD     NDFVL\n";
        std::snprintf(buf, sizeof buf, "%10zu%10zu%10d%10d%10d%10d\n", nodes.size(), cells.size(), 1, 0, 2, 2);
        s += buf;
        s += "ENDOFSECTION\n   NODAL COORDINATES 2.4.6\n";
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%10zu%20.11e%20.11e\n", i + 1, nodes[i].x, nodes[i].y);
            s += buf;
        }
        s += "ENDOFSECTION\n      ELEMENTS/CELLS 2.4.6\n";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto& c = cells[i];
            std::snprintf(buf, sizeof buf, "%8zu %2d %2d %8d%8d%8d%8d\n", i + 1, 2, 4, c[0], c[1], c[2], c[3]);
            s += buf;
        }
        return s + "ENDOFSECTION\n";
    }
};

// nx x ny cells on the nodes point(i, j), i = 0..nx, j = 0..ny, each listed
// counterclockwise from its (i, j) corner.
NeuGrid mapped_block(int nx, int ny, const std::function<Vec2(int, int)>& point) {
    NeuGrid g;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) g.nodes.push_back(point(i, j));
    auto id = [nx](int i, int j) { return j * (nx + 1) + i + 1; };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) g.cells.push_back({id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)});
    return g;
}

NeuGrid unit_squares(int nx, int ny, double x0 = 0, double y0 = 0) {
    return mapped_block(nx, ny, [=](int i, int j) { return Vec2{x0 + i, y0 + j}; });
}

Vec2 normal(int e) { return {xyedge(e, 4) - xyedge(e, 2), xyedge(e, 1) - xyedge(e, 3)}; }
bool same_point(Vec2 a, Vec2 b) { return a.x == b.x && a.y == b.y; }

struct GridFiles : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        run.iaxis = 0;
        run.irecon = 2;  // family mode: no least-squares matrix after reading
        run.ioptgrid = 0;
        run.wallratio = 2;  // end points match within 0.0005 of an edge length
        run.ipar(5) = 1;
        run.meshfile = "test.neu";
        run.gridfile = "celledge.dat";
    }
    void convert(const NeuGrid& g) {
        write_file("test.neu", g.text());
        convert_neu();
    }
    // Reads the grid as a run does: the storage as at run start, then the
    // conversion (when the case grid file exists) and the reading.
    void load() {
        init_common();
        load_grid();
    }
};

// Every cell: its corners chain as LL -(4)- LR -(1)- UR, LL -(3)- UL -(2)- UR,
// it is ileft of edges 1 and 4 and iright of 2 and 3, and the normals of
// edges 1 and 4 point out of it, those of 2 and 3 into it.
void expect_cells_consistent() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        int e1 = icedge(c, 1), e2 = icedge(c, 2), e3 = icedge(c, 3), e4 = icedge(c, 4);
        EXPECT_TRUE(same_point(edge_end(e4), edge_start(e1))) << "cell " << c;
        EXPECT_TRUE(same_point(edge_end(e1), edge_end(e2))) << "cell " << c;
        EXPECT_TRUE(same_point(edge_start(e2), edge_end(e3))) << "cell " << c;
        EXPECT_TRUE(same_point(edge_start(e3), edge_start(e4))) << "cell " << c;
        EXPECT_EQ(ileft(e1), c);
        EXPECT_EQ(ileft(e4), c);
        EXPECT_EQ(iright(e2), c);
        EXPECT_EQ(iright(e3), c);
        Corners k = cell_corners(c);
        Vec2 g = 0.25 * (k.ll + k.lr + k.ur + k.ul);
        const int sign[4] = {1, -1, -1, 1};
        Vec2 sum{0, 0};
        for (int j = 1; j <= 4; ++j) {
            int e = icedge(c, j);
            Vec2 out = sign[j - 1] * normal(e);
            Vec2 mid = 0.5 * (edge_start(e) + edge_end(e));
            EXPECT_GT(dot(out, mid - g), 0) << "cell " << c << " edge " << j;
            sum = sum + out;
        }
        // A closed cell: its outward normals add up to zero.
        EXPECT_NEAR(sum.x, 0, 1e-12);
        EXPECT_NEAR(sum.y, 0, 1e-12);
    }
}

// The lines as one text, record `record` (from 1) replaced by `line`; an
// empty `line` drops that record and all after it.
std::string with_record(const std::vector<std::string>& lines, int record, const std::string& line) {
    std::string text;
    for (int n = 1; n <= static_cast<int>(lines.size()); ++n) {
        if (n == record && line.empty()) break;
        text += (n == record ? line : lines[n - 1]) + "\n";
    }
    return text;
}

void write_lines(const std::string& name, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    write_file(name, text);
}

int count_boundary_edges() {
    int n = 0;
    for (int e = 1; e <= grid.nedge; ++e) n += lbedge(e) ? 1 : 0;
    return n;
}

TEST_F(GridFiles, TwoByTwoBlockGivesTwelveConsistentEdges) {
    convert(unit_squares(2, 2));
    EXPECT_EQ(grid.ncell, 4);
    EXPECT_EQ(grid.nedge, 12);
    EXPECT_EQ(count_boundary_edges(), 8);
    for (int e = 1; e <= grid.nedge; ++e) {
        if (lbedge(e)) {
            EXPECT_EQ(ileft(e), iright(e)) << "boundary edge " << e;
        } else {
            EXPECT_NE(ileft(e), iright(e)) << "inner edge " << e;
            // The normal points from ileft to iright.
            Vec2 from{0, 0}, to{0, 0};
            for (int k = 1; k <= 4; ++k) {
                from = from + 0.125 * (edge_start(icedge(ileft(e), k)) + edge_end(icedge(ileft(e), k)));
                to = to + 0.125 * (edge_start(icedge(iright(e), k)) + edge_end(icedge(iright(e), k)));
            }
            EXPECT_GT(dot(normal(e), to - from), 0) << "inner edge " << e;
        }
        EXPECT_DOUBLE_EQ(norm(edge_end(e) - edge_start(e)), 1.0);
    }
    expect_cells_consistent();
    auto log = log_lines();
    std::vector<std::string> expected = {
        free_text(" Reading ", 9L, " nodes"),
        free_text(" Reading ", 4L, " cells"),
        free_text(" Reading data from ", run.meshfile, "..END"),
        " starting...to transform",
        free_text(" boundary nodes: ", 8.0),
        " tranforming...end",
        " savind data....end",
    };
    EXPECT_EQ(log, expected);
}

TEST_F(GridFiles, RingGridWalksClosedGridLines) {
    // An annulus 1 <= r <= 3 of 2 x 8 cells: the radial edges are reached
    // only by walking round the rings.
    NeuGrid g;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i <= 2; ++i)
            g.nodes.push_back({(1.0 + i) * std::cos(j * 45 * deg), (1.0 + i) * std::sin(j * 45 * deg)});
    auto id = [](int i, int j) { return (j % 8) * 3 + i + 1; };
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 2; ++i) g.cells.push_back({id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)});
    convert(g);
    EXPECT_EQ(grid.nedge, 40);
    EXPECT_EQ(count_boundary_edges(), 16);
    expect_cells_consistent();
}

TEST_F(GridFiles, StripOneCellThickKeepsItsInnerEdges) {
    // Every node of the strip is a boundary node; the sides between its
    // cells are still inner edges shared by two cells.
    convert(unit_squares(3, 1));
    EXPECT_EQ(grid.nedge, 10);
    EXPECT_EQ(count_boundary_edges(), 8);
    for (int e = 1; e <= grid.nedge; ++e) {
        bool vertical = xyedge(e, 1) == xyedge(e, 3);
        bool inner = vertical && xyedge(e, 1) > 0 && xyedge(e, 1) < 3;
        EXPECT_EQ(!lbedge(e), inner) << "edge " << e;
        if (inner) {
            EXPECT_EQ(std::abs(ileft(e) - iright(e)), 1);
        }
    }
    expect_cells_consistent();
}

TEST_F(GridFiles, ClockwiseCellStops) {
    NeuGrid g = unit_squares(2, 2);
    auto& c = g.cells[3];
    std::swap(c[1], c[3]);  // the same square, listed clockwise
    write_file("test.neu", g.text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1),
                "edge direction or cell neighbors are wrong!(.|\n)*cell +4 .*test.neu");
}

TEST_F(GridFiles, SingleClockwiseCellStops) {
    NeuGrid g;
    g.nodes = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    g.cells = {{1, 4, 3, 2}};
    write_file("test.neu", g.text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1), "edge direction or cell neighbors are wrong!");
}

// n kites round the origin (node 1) over the angle `sweep` in degrees: a
// full turn leaves the origin inside the grid, half a turn on its boundary.
NeuGrid kites(int n, double sweep) {
    NeuGrid g;
    g.nodes.push_back({0, 0});
    const bool closed = sweep == 360;
    const int spokes = closed ? n : n + 1;
    const double step = sweep / n * deg;
    for (int k = 0; k < spokes; ++k) {
        g.nodes.push_back({std::cos(k * step), std::sin(k * step)});
        if (k < n) g.nodes.push_back({1.5 * std::cos((k + 0.5) * step), 1.5 * std::sin((k + 0.5) * step)});
    }
    const int nodes = static_cast<int>(g.nodes.size());
    for (int k = 0; k < n; ++k) {
        const int next = closed ? 2 + (2 * k + 2) % (nodes - 1) : 2 + 2 * k + 2;
        g.cells.push_back({1, 2 + 2 * k, 3 + 2 * k, next});
    }
    return g;
}

TEST_F(GridFiles, NodeWithTooManyNeighboursStops) {
    write_file("test.neu", kites(8, 360).text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1),
                R"(Error reading "test.neu", record 10 \(node 1\): node 1 is a corner of 8 cells, where at most 7 may )"
                R"(meet at a node inside the grid and 6 at a node on its boundary)");
}

TEST_F(GridFiles, BoundaryNodeOfSevenCellsStops) {
    write_file("test.neu", kites(7, 180).text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1),
                R"(Error reading "test.neu", record 10 \(node 1\): node 1, on the boundary of the grid, is a )"
                R"(corner of 7 cells, where at most 7 may meet at a node inside the grid and 6 at a node on its )"
                R"(boundary)");
}

// Two fans of three cells that touch at their common corner: six cells,
// but eight sides meet there.
TEST_F(GridFiles, NodeWhereTwoPartsTouchStops) {
    NeuGrid g = kites(3, 90);
    const int n = static_cast<int>(g.nodes.size()), m = static_cast<int>(g.cells.size());
    for (int k = 1; k < n; ++k) g.nodes.push_back({-g.nodes[k].x, -g.nodes[k].y});
    for (int c = 0; c < m; ++c) {
        std::array<int, 4> turned = g.cells[c];
        for (int& node : turned)
            if (node != 1) node += n - 1;
        g.cells.push_back(turned);
    }
    write_file("test.neu", g.text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1),
                R"(Error reading "test.neu", record 10 \(node 1\): more than 7 sides meet at node 1, where at most 7 )"
                R"(may)");
}

// At the limits the grid converts, reads back and has its nodes numbered
// with the cells round each.
TEST_F(GridFiles, SevenCellsRoundAnInnerNodeAndSixRoundABoundaryNode) {
    for (const NeuGrid& g : {kites(7, 360), kites(6, 180)}) {
        convert(g);
        load();
        int nhang = 0, nnode = 0;
        node_cells(nhang, nnode);
        EXPECT_EQ(nnode, static_cast<int>(g.nodes.size()));
        int most = 0;
        for (int n = 1; n <= nnode; ++n) most = std::max(most, nnbr(n));
        EXPECT_EQ(most, static_cast<int>(g.cells.size()));
    }
}

TEST_F(GridFiles, WrittenGridReadsBack) {
    convert(unit_squares(3, 2, -1.5, 0.25));
    const int ncell = grid.ncell, nedge = grid.nedge;
    std::vector<std::array<int, 4>> cells;
    std::vector<std::array<double, 4>> xy;
    std::vector<std::array<int, 3>> sides;
    for (int c = 1; c <= ncell; ++c) cells.push_back({icedge(c, 1), icedge(c, 2), icedge(c, 3), icedge(c, 4)});
    for (int e = 1; e <= nedge; ++e) {
        xy.push_back({xyedge(e, 1), xyedge(e, 2), xyedge(e, 3), xyedge(e, 4)});
        sides.push_back({ileft(e), iright(e), lbedge(e) ? 1 : 0});
    }
    auto lines = read_lines("celledge.dat");
    ASSERT_EQ(lines.size(), 1u + ncell + nedge);
    EXPECT_EQ(lines[0], fmt_i(nedge, 7) + fmt_i(ncell, 7) + fmt_i(0, 7) + fmt_i(0, 7));
    EXPECT_EQ(lines[1].size(), 35u);
    EXPECT_EQ(lines[1 + ncell].size(), 7u + 4 * 14 + 7 + 7 + 2);

    std::remove("test.neu");
    load();
    ASSERT_EQ(grid.ncell, ncell);
    ASSERT_EQ(grid.nedge, nedge);
    EXPECT_EQ(grid.nfather, 0);
    EXPECT_EQ(grid.nmother, 0);
    for (int c = 1; c <= ncell; ++c) {
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(icedge(c, k), cells[c - 1][k - 1]);
        EXPECT_DOUBLE_EQ(area(c), 1.0);
        // Square centres: x = -1 .. 1, y = 0.75 or 1.75.
        double fx = xc(c) + 1, fy = yc(c) - 0.75;
        EXPECT_NEAR(fx - std::round(fx), 0, 1e-12);
        EXPECT_NEAR(fy - std::round(fy), 0, 1e-12);
    }
    for (int e = 1; e <= nedge; ++e) {
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(xyedge(e, k), xy[e - 1][k - 1]);
        EXPECT_EQ(ileft(e), sides[e - 1][0]);
        EXPECT_EQ(iright(e), sides[e - 1][1]);
        EXPECT_EQ(lbedge(e) ? 1 : 0, sides[e - 1][2]);
        EXPECT_DOUBLE_EQ(edglen(e), 1.0);
    }
    EXPECT_EQ(grid.nbedge, 10);
    EXPECT_EQ(grid.niedge, nedge - 10);
    for (int i = 1; i <= grid.nbedge; ++i) EXPECT_TRUE(lbedge(list_bedge(i)));
    expect_cells_consistent();
}

TEST_F(GridFiles, DataFileKeepsSixSignificantDigits) {
    NeuGrid g = mapped_block(1, 1, [](int i, int j) { return Vec2{i * 1.23456789, j * 0.987654321}; });
    convert(g);
    load();
    double xmax = 0, ymax = 0;
    for (int e = 1; e <= grid.nedge; ++e) {
        xmax = std::max({xmax, xyedge(e, 1), xyedge(e, 3)});
        ymax = std::max({ymax, xyedge(e, 2), xyedge(e, 4)});
    }
    EXPECT_EQ(xmax, 1.23457);
    EXPECT_EQ(ymax, 0.987654);
    EXPECT_DOUBLE_EQ(area(1), 1.23457 * 0.987654);
}

TEST_F(GridFiles, AxisEdgesGetTypeSix) {
    run.iaxis = 1;
    convert(unit_squares(2, 1));
    load();
    check_axis();
    int on_axis = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        bool axis = xyedge(e, 2) == 0 && xyedge(e, 4) == 0;
        EXPECT_EQ(ibtype(e) == 6, axis) << "edge " << e;
        on_axis += axis;
    }
    EXPECT_EQ(on_axis, 2);
    // Axisymmetric areas: the integral of 2y over a unit square on the axis.
    EXPECT_DOUBLE_EQ(area(1), 1.0);
}

TEST_F(GridFiles, EdgeBelowTheAxisStops) {
    run.iaxis = 1;
    convert(unit_squares(2, 1, 0, -0.01));
    load();
    EXPECT_EXIT(check_axis(), ::testing::ExitedWithCode(1), "y must be greater than 0 for axisymmetric flows");
}

TEST_F(GridFiles, MissingCaseGridFileReadsTheDataFile) {
    convert(unit_squares(2, 2));
    std::remove("test.neu");
    grid.ncell = grid.nedge = 0;
    load();
    EXPECT_EQ(grid.ncell, 4);
    EXPECT_EQ(grid.nedge, 12);
}

TEST_F(GridFiles, MissingCaseGridAndDataFilesStop) {
    EXPECT_EXIT(load_grid(), ::testing::ExitedWithCode(1),
                "Neither the case grid file \"test.neu\" nor the grid data file \"celledge.dat\" exists");
}

// A malformed case grid file names the file and the record.
TEST_F(GridFiles, MalformedCaseGridFilesStop) {
    write_file("test.neu", unit_squares(2, 2).text());  // 9 nodes on records 10..18, 4 cells on 21..24
    const auto good = read_lines("test.neu");
    struct Case {
        int record;
        std::string line;
        std::string message;
    };
    const Case cases[] = {
        {7, "    300000         4", "record 7 .*number of nodes +300000 is outside"},
        {7, "         9    300000", "record 7 .*number of cells +300000 is outside"},
        {7, "  nine four", "record 7 .*expected an integer for the number of nodes"},
        {12, "         3   1.0e+00  zero", "record 12 .*expected a real number for the node y, found \"zero\""},
        {22, "       2  2  4        2       3       6      10", "record 22 .*corner node +10 of cell +2 is outside"},
        {23, "       3  2  4        4       5       5       7", "record 23 .*cell +3 lists node +5 twice"},
        {24, "", "record 24 .*end of file"},
    };
    for (const Case& k : cases) {
        write_file("test.neu", with_record(good, k.record, k.line));
        EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1), "Error reading \"test.neu\", " + k.message)
            << "record " << k.record;
    }
}

// A case grid whose cell is tangled, not convex or out of reach of the
// coordinate range: the conversion stops, naming the cell, its record and
// its corner node, or the value.
struct BadGrid {
    const char* name;
    NeuGrid grid;
    const char* message;  // after "Error", an extended regular expression
};

void PrintTo(const BadGrid& k, std::ostream* os) { *os << k.name; }

class BadCaseGrid : public GridFiles, public ::testing::WithParamInterface<BadGrid> {};

TEST_P(BadCaseGrid, StopsNamingTheCell) {
    write_file("test.neu", GetParam().grid.text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1), std::string("Error") + GetParam().message);
}

// Two unit squares side by side, the right one with its corners as given.
NeuGrid two_cells(Vec2 n5, Vec2 n6, std::array<int, 4> right = {2, 5, 6, 3}) {
    NeuGrid g;
    g.nodes = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, n5, n6};
    g.cells = {{1, 2, 3, 4}, right};
    return g;
}

INSTANTIATE_TEST_SUITE_P(
    Grids, BadCaseGrid,
    ::testing::Values(
        // The right cell's corners 5 and 6 swapped: it crosses itself, with
        // a positive signed area.
        BadGrid{"BowTie", two_cells({3, 0}, {2, 1}, {2, 5, 3, 6}),
                R"(: cell 2 \(record 19\) of "test.neu" is tangled or not convex: its sides do not turn left at its corner node 3)"},
        BadGrid{"Dart", two_cells({3, 0}, {1.5, 0.5}),
                R"(: cell 2 \(record 19\) of "test.neu" is tangled or not convex: its sides do not turn left at its corner node 6)"},
        BadGrid{"ThreeCornersInLine", two_cells({2, 0}, {3, 0}, {2, 5, 6, 3}),
                R"(: cell 2 \(record 19\) of "test.neu" is tangled or not convex: its sides do not turn left at its corner node 5)"},
        BadGrid{"NodeFarOut", two_cells({2, 0}, {1e300, 1}),
                R"( reading "test.neu", record 15 \(line 15\): the node x is 1e\+300; it must be a finite number in \[-1e\+06, 1e\+06\])"}),
    [](const ::testing::TestParamInfo<BadGrid>& info) { return std::string(info.param.name); });

// Case grids whose lines do not give each node and cell once, in place:
// the conversion stops, naming the file, the record and the node or cell.
struct BadLines {
    const char* name;
    std::function<std::string()> text;
    const char* message;  // an extended regular expression
};

void PrintTo(const BadLines& k, std::ostream* os) { *os << k.name; }

class BadCaseGridLines : public GridFiles, public ::testing::WithParamInterface<BadLines> {};

TEST_P(BadCaseGridLines, StopNamingTheRecord) {
    write_file("test.neu", GetParam().text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1), GetParam().message);
}

// The text of a grid with records a and b (from 1) swapped, or record 7's
// counts replaced.
std::string swapped(const NeuGrid& g, int a, int b) {
    write_file("swap.neu", g.text());
    auto lines = read_lines("swap.neu");
    std::swap(lines[a - 1], lines[b - 1]);
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}
std::string counts(const NeuGrid& g, int nn, int nc) {
    write_file("counts.neu", g.text());
    char buf[64];
    std::snprintf(buf, sizeof buf, "%10d%10d%10d%10d%10d%10d", nn, nc, 1, 0, 2, 2);
    return with_record(read_lines("counts.neu"), 7, buf);
}

// A 3 x 3 block of unit squares with copies of some of its cells appended.
NeuGrid with_copies(std::initializer_list<int> copies) {
    NeuGrid g = unit_squares(3, 3);
    for (int c : copies) {
        const auto k = g.cells[c - 1];
        g.cells.push_back({k[2], k[3], k[0], k[1]});  // the same cell from another corner
    }
    return g;
}

// unit_squares(2, 2): nine nodes on records 10 to 18, four cells on 21 to 24;
// unit_squares(3, 3): sixteen nodes on 10 to 25, cells from record 28 on.
INSTANTIATE_TEST_SUITE_P(
    Lines, BadCaseGridLines,
    ::testing::Values(
        BadLines{"NodeLinesSwapped", [] { return swapped(unit_squares(2, 2), 11, 12); },
                 R"(Error reading "test.neu", record 11 \(line 11\): node id 3 where node 2 belongs: the node lines )"
                 R"(must follow the order of their ids 1 \.\. 9)"},
        BadLines{"CellLinesSwapped", [] { return swapped(unit_squares(2, 2), 22, 23); },
                 R"(Error reading "test.neu", record 22 \(line 22\): cell id 3 where cell 2 belongs: the cell lines )"
                 R"(must follow the order of their ids 1 \.\. 4)"},
        BadLines{"NodeLineBeyondTheCount", [] { return counts(unit_squares(2, 2), 8, 4); },
                 R"(Error reading "test.neu", record 18 \(line 18\): a node line beyond the 8 nodes that record 7 )"
                 R"(states)"},
        BadLines{"CellLineBeyondTheCount", [] { return counts(unit_squares(2, 2), 9, 3); },
                 R"(Error reading "test.neu", record 24 \(line 24\): a cell line beyond the 3 cells that record 7 )"
                 R"(states)"},
        BadLines{"TwoCellsOnTheSameNodes", [] { return with_copies({5}).text(); },
                 R"(Error reading "test.neu", record 37 \(cell 10\): cells 5 \(record 32\) and 10 both run from node )"
                 R"([0-9]+ to node [0-9]+: they overlap, where the two cells of an inner side run through it in )"
                 R"(opposite directions)"},
        BadLines{"IslandCopiedOnTop", [] { return with_copies({1, 2, 4, 5}).text(); },
                 R"(Error reading "test.neu", record 37 \(cell 10\): cells 1 \(record 28\) and 10 both run from node )"
                 R"([0-9]+ to node [0-9]+: they overlap)"}),
    [](const ::testing::TestParamInfo<BadLines>& info) { return std::string(info.param.name); });

// A cell that only the six significant digits of the grid data file would
// collapse is refused in the case grid file that the user wrote.
TEST_F(GridFiles, CellTooThinForTheDataFileStopsNamingTheCaseGrid) {
    write_file("test.neu", two_cells({1.0000004, 0}, {1.0000004, 1}).text());
    EXPECT_EXIT(convert_neu(), ::testing::ExitedWithCode(1),
                R"(Error reading "test.neu", record 19 \(cell 2\): the cell is too thin for the six significant )"
                R"(digits of its coordinates that the grid data file "celledge.dat" keeps: with its corners rounded )"
                R"(to them, its sides do not turn left at its corner node [2356])");
}

// Just wide enough: its corners keep six digits apart.
TEST_F(GridFiles, CellWideEnoughForTheDataFileConverts) {
    convert(two_cells({1.00002, 0}, {1.00002, 1}));
    load();
    EXPECT_EQ(grid.ncell, 2);
    EXPECT_GT(area(2), 0);
}

// A malformed grid data file names the file and the record.
TEST_F(GridFiles, MalformedDataFilesStop) {
    convert(unit_squares(2, 2));
    std::remove("test.neu");
    const auto good = read_lines("celledge.dat");
    struct Case {
        int record;
        std::string line;  // "" drops the record and all after it
        std::string message;
    };
    std::string edge1 = good[5];
    std::string bad_x = edge1;
    bad_x.replace(7, 14, "  0.1000x0E+01");
    std::string bad_l = edge1;
    bad_l.replace(edge1.size() - 2, 2, " Y");
    std::string bad_cell = edge1;
    bad_cell.replace(7 + 56, 7, "     99");
    const Case cases[] = {
        {1, "     12      4      1      0", "record 1 .*no father cells or mother edges"},
        {1, "     12", "record 1 .*columns 8-14 should hold an integer \\(ncell\\), found \"\""},
        {3, "      3      5      6      7      8", "record 3 .*cell number +3 where cell +2 belongs"},
        {2, "      1     13      2      3      4", "record 2 .*edge +13 of cell +1 is outside"},
        {6, bad_x, "record 6 .*columns 8-21 should hold a real number \\(x1\\), found \"0.1000x0E\\+01\""},
        {6, bad_l, "record 6 .*columns 78-79 should hold T or F \\(lbedge\\), found \"Y\""},
        {6, bad_cell, "record 6 .*the cells +99 +[0-9]+ of edge +1 are outside"},
        {10, "", "record 10 .*end of file"},
    };
    for (const Case& k : cases) {
        write_file("celledge.dat", with_record(good, k.record, k.line));
        EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), "Error reading \"celledge.dat\", " + k.message)
            << "record " << k.record;
    }
}

TEST_F(GridFiles, DataFileWithSwappedCellsStops) {
    convert(unit_squares(2, 1));
    std::remove("test.neu");
    // The inner edge with its two cells swapped: its direction no longer
    // matches the way its cells run through it.
    auto lines = read_lines("celledge.dat");
    int inner = 0;
    for (std::size_t i = 3; i < lines.size(); ++i)
        if (lines[i].back() == 'F') {
            std::string l = lines[i].substr(63, 7), r = lines[i].substr(70, 7);
            lines[i].replace(63, 7, r).replace(70, 7, l);
            ++inner;
        }
    ASSERT_EQ(inner, 1);
    write_lines("celledge.dat", lines);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1),
                "edge direction or cell neighbors are wrong!(.|\n)*cell +1 of the grid data file \"celledge.dat\"");
}

// The grid data file with the node (1, 1) of two unit squares moved to
// (0.3, 0.3) in every edge that ends there: the left cell becomes a dart.
TEST_F(GridFiles, DataFileWithATangledCellStops) {
    convert(unit_squares(2, 1));
    std::remove("test.neu");
    auto lines = read_lines("celledge.dat");
    const std::string one = fmt_e(1.0, 14, 6), moved = fmt_e(0.3, 14, 6);
    int ends = 0;
    for (std::size_t i = 3; i < lines.size(); ++i)
        for (std::size_t at : {7, 35})
            if (lines[i].substr(at, 28) == one + one) {
                lines[i].replace(at, 28, moved + moved);
                ++ends;
            }
    ASSERT_EQ(ends, 3);
    write_lines("celledge.dat", lines);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1),
                "Error: cell 1 of the grid data file \"celledge.dat\" is tangled or not convex: its sides do not "
                "turn left at its [a-z ]+ corner");
}

// ---------------------------------------------------------------------------
// Corrections after reading (they number the grid's nodes first).

double total_area() {
    double a = 0;
    for (int i = 1; i <= grid.ncell; ++i) a += area(list_cel(i));
    return a;
}

// The wedge grid of angle a below 45 degrees: x from -1 to 1, from y = 0
// (x < 0) or the surface y = x tan a up to y = 1.
NeuGrid shallow_wedge(double a, int nx, int ny) {
    return mapped_block(nx, ny, [=](int i, int j) {
        double x = -1 + 2.0 * i / nx;
        double yb = std::max(x, 0.0) * std::tan(a * deg);
        return Vec2{x, yb + (1 - yb) * j / ny};
    });
}

struct Wedge : GridFiles {
    void SetUp() override {
        GridFiles::SetUp();
        run.ipar(5) = 2;
    }
};

TEST_F(Wedge, SameAngleChangesNothing) {
    run.wangle = 30;
    run.nwangle = 30;
    convert(shallow_wedge(30, 4, 2));
    load();
    EXPECT_NEAR(total_area(), 2 - 0.5 * std::tan(30 * deg), 1e-5);
    for (const auto& l : log_lines()) EXPECT_EQ(l.find("nwangle,wangle"), std::string::npos);
}

TEST_F(Wedge, ThirtyDegreeGridBentToThirtyTwo) {
    run.wangle = 32;
    run.nwangle = 30;
    const double t0 = std::tan(30 * deg), t1 = std::tan(32 * deg);
    convert(shallow_wedge(30, 4, 2));
    load();
    int surface = 0, right = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        for (Vec2 q : {edge_start(e), edge_end(e)}) {
            if (q.x > 1e-9 && q.x < 1 - 1e-9 && q.y < 0.9) {
                // On the 32-degree line, at the old distance from the apex:
                // the old node was (x0, x0 tan 30) with x0 = 0.5.
                EXPECT_NEAR(q.y, q.x * t1, 1e-12);
                EXPECT_NEAR(norm(q), 0.5 / std::cos(30 * deg), 1e-5);
                ++surface;
            } else if (q.x == 1.0 && q.y < 1) {
                // (1, t0) -> (1, t1); (1, (1 + t0)/2) -> (1, (1 + t1)/2).
                bool low = q.y < 0.7;
                EXPECT_NEAR(q.y, low ? t1 : 0.5 * (1 + t1), 1e-6) << q.y;
                ++right;
            }
        }
    }
    EXPECT_EQ(surface, 2);  // the node at x = 0.5, as the end of two edges
    EXPECT_EQ(right, 4);
    EXPECT_NEAR(t0, 0.57735, 1e-5);
    EXPECT_NEAR(total_area(), 2 - 0.5 * t1, 1e-5);
    for (int i = 1; i <= grid.ncell; ++i) EXPECT_GT(area(list_cel(i)), 0);
    expect_cells_consistent();
    auto log = log_lines();
    EXPECT_NE(std::find(log.begin(), log.end(), free_text(" nwangle,wangle", 30, 32.0)), log.end());
}

TEST_F(Wedge, SixtyDegreeGridBentToSixtyTwo) {
    // 45 degrees and more: the surface runs from the apex to the top, at
    // x = y cot 60; the top runs from x = -1 to the surface.
    run.wangle = 62;
    run.nwangle = 60;
    const double c0 = 1 / std::tan(60 * deg), c1 = 1 / std::tan(62 * deg);
    // The quadrilateral (-1,0), (0,0), (cot 60, 1), (-1,1), mapped bilinearly.
    const Vec2 p00{-1, 0}, p10{0, 0}, p11{c0, 1}, p01{-1, 1};
    const int nx = 4, ny = 3;
    convert(mapped_block(nx, ny, [=](int i, int j) {
        double s = static_cast<double>(i) / nx, t = static_cast<double>(j) / ny;
        return (1 - s) * (1 - t) * p00 + s * (1 - t) * p10 + s * t * p11 + (1 - s) * t * p01;
    }));
    load();
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        for (Vec2 q : {edge_start(e), edge_end(e)}) {
            if (q.y > 0.9999999) {
                // Stretched between x = -1 and the new surface end.
                double f = (q.x + 1) / (1 + c1) * nx;
                EXPECT_NEAR(f, std::round(f), 1e-5) << q.x;
            } else if (q.x > -1e-7) {
                EXPECT_NEAR(q.x, q.y * c1, 1e-12);
            }
        }
    }
    // Trapezoid: bottom 1 (x = -1..0), top 1 + cot 62, height 1.
    EXPECT_NEAR(total_area(), 1 + 0.5 * c1, 1e-5);
    for (int i = 1; i <= grid.ncell; ++i) EXPECT_GT(area(list_cel(i)), 0);
    auto log = log_lines();
    EXPECT_NE(std::find(log.begin(), log.end(), free_text(" ratio2", (c1 + 1) / (1 + c0))), log.end());
}

TEST_F(GridFiles, SmoothingKeepsAUniformGrid) {
    run.ioptgrid = 1;
    convert(unit_squares(4, 4));
    load();
    for (int c = 1; c <= grid.ncell; ++c) {
        EXPECT_NEAR(area(c), 1, 1e-12);
        EXPECT_NEAR(xc(c) - std::floor(xc(c)), 0.5, 1e-12);
        EXPECT_NEAR(yc(c) - std::floor(yc(c)), 0.5, 1e-12);
    }
}

TEST_F(GridFiles, SmoothingEvensOutADisplacedNode) {
    run.ioptgrid = 1;
    NeuGrid g = unit_squares(4, 4);
    g.nodes[2 * 5 + 2] = {2.3, 2.2};  // the centre node, off its place
    g.nodes[1 * 5 + 2] = {2.2, 1.1};  // the node above the middle of the bottom
    convert(g);
    load();
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        for (Vec2 q : {edge_start(e), edge_end(e)}) {
            // Boundary nodes stay; the moved nodes come back near their places.
            if (lbedge(e)) {
                EXPECT_TRUE(q.x == 0 || q.x == 4 || q.y == 0 || q.y == 4);
            }
            EXPECT_NEAR(q.x, std::round(q.x), 0.01);
            EXPECT_NEAR(q.y, std::round(q.y), 0.01);
        }
    }
    EXPECT_NEAR(total_area(), 16, 1e-12);
}

// Lower-left cell of a 2 x 2 block split: its east edge hangs at (1, 0.5),
// beside the boundary cell of the split. The hanging node, put off its
// place, goes back onto the coarse edge x = 1.
TEST_F(GridFiles, HangingNodeOfABoundaryCellBackOnItsEdge) {
    struct Case {
        int mode;
        Vec2 displaced;
        Vec2 expected;
    };
    const Case cases[] = {
        {0, {1.05, 0.6}, {1, 0.6}},          // within 0.15 of the middle: onto the line
        {0, {1.05, 0.7}, {1.05, 0.7}},       // too far from the middle: stays
        {1, {1.05, 0.6}, {1, 0.55}},         // relaxed to (0.6 + 0.5)/2
        {1, {0.95, 0.9}, {1, 0.65}},         // ratio limited to 0.8 first
    };
    for (const Case& k : cases) {
        init_common();
        run.minlev = 0;
        qelta::testing::block_grid(2, 2, 0, 0, 1);
        qelta::testing::split_cell(1);
        for (int i = 1; i <= grid.nedge; ++i) {
            int e = list_edg(i);
            if (same_point(edge_start(e), {1, 0.5})) set_edge(e, k.displaced, edge_end(e));
            if (same_point(edge_end(e), {1, 0.5})) set_edge(e, edge_start(e), k.displaced);
        }
        relax_hanging_nodes(k.mode);
        int touching = 0, left_behind = 0;
        for (int i = 1; i <= grid.nedge; ++i) {
            int e = list_edg(i);
            for (Vec2 q : {edge_start(e), edge_end(e)}) {
                touching += norm(q - k.expected) < 1e-12;
                left_behind += norm(q - k.displaced) < 1e-12;
            }
        }
        // The two halves of the split edge and the children's inner edge.
        EXPECT_EQ(touching, 3) << "mode " << k.mode << ", y " << k.displaced.y;
        if (!same_point(k.expected, k.displaced)) {
            EXPECT_EQ(left_behind, 0);
        }
        // Back on the coarse edge, the cells fill the block again.
        if (k.expected.x == 1) {
            EXPECT_NEAR(total_area(), 4, 1e-12);
        }
    }
}

TEST_F(GridFiles, ReadingWithLeastSquaresMatrix) {
    run.irecon = 1;
    convert(unit_squares(2, 2));
    load();
    EXPECT_EQ(grid.ncell, 4);
    EXPECT_NEAR(total_area(), 4, 1e-12);
}

}  // namespace
