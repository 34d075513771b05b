// Runs of the flow cases through the entry points, from the shipped
// control files and case grids in a clean working directory.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "case/cases.h"
#include "case/run_driver.h"
#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/adapt.h"
#include "grid/grid_store.h"
#include "case_blocks.h"
#include "qelta.h"
#include "support/library_fixture.h"
#include "support/stops.h"

using namespace qelta;
using qelta::testing::CaseBlocks;
using qelta::testing::stops_with;

namespace {

struct CaseRun {
    int id;
    double angle;
    int iaxis;
};

void PrintTo(const CaseRun& k, std::ostream* os) { *os << "case " << k.id << " angle " << k.angle; }

// The blocks the program sends: Mach 2, gamma 1.4, the case's angle and
// axisymmetric flag, inviscid, resolution `level`.
CaseBlocks blocks(const CaseRun& k, int level) { return {k.id, k.angle, k.iaxis, level}; }

using CaseStart = qelta::testing::WorkDir;

class ShippedCase : public qelta::testing::WorkDir, public ::testing::WithParamInterface<CaseRun> {};

TEST_P(ShippedCase, StartsAndSteps) {
    CaseBlocks b = blocks(GetParam(), 2);
    initialize_qelta(b.real, b.ints);
    EXPECT_GT(getIntPar(1), grid.ncell0);  // the initial adaptation refined the grid
    double progress = 0;
    for (int s = 0; s < 10; ++s) step(&progress);
    EXPECT_GT(progress, 0);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        ASSERT_GT(r(c), 0) << "cell " << c;
        ASSERT_GT(p(c), 0) << "cell " << c;
        ASSERT_TRUE(std::isfinite(ux(c)) && std::isfinite(uy(c))) << "cell " << c;
    }
}

// The coarsest resolution lies below the shipped minimum level 1: the
// uniform refinement stops at the resolution, and the grid stays as built.
TEST_P(ShippedCase, StartsAtTheCoarsestResolution) {
    CaseBlocks b = blocks(GetParam(), 0);
    initialize_qelta(b.real, b.ints);
    EXPECT_EQ(run.minlev, 1);
    EXPECT_EQ(grid.ncell, grid.ncell0);
    double progress = 0;
    for (int s = 0; s < 5; ++s) step(&progress);
    EXPECT_GT(progress, 0);
    for (int i = 1; i <= grid.ncell; ++i) ASSERT_EQ(level(list_cel(i)), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShippedCase,
                         ::testing::Values(CaseRun{1, 0, 0}, CaseRun{2, 30, 0}, CaseRun{3, 0, 1}, CaseRun{4, 20, 1},
                                           CaseRun{5, 0, 0}, CaseRun{6, 0, 1}));

// Node arrays as the program allocates them.
struct NodeArrays {
    std::vector<double> x, y, rho, p, u, v;
    std::vector<int> cells, hang;
    int nnode = 0, ncell = 0, nhang = 0;
    NodeArrays()
        : x(MAX_CEL), y(MAX_CEL), rho(MAX_CEL), p(MAX_CEL), u(MAX_CEL), v(MAX_CEL), cells(4 * MAX_CEL),
          hang(MAX_CEL) {}
    void fetch() {
        get_cell_vertex(x.data(), y.data(), &nnode, cells.data(), &ncell, hang.data(), &nhang, rho.data(), p.data(),
                        u.data(), v.data());
    }
};

// The initial state of case 1 at Mach 2 as the program receives it: the
// normal-shock state behind the shock at x = -0.8, the gas at rest ahead.
TEST_F(CaseStart, CylinderInitialShockThroughTheNodeValues) {
    CaseBlocks b = blocks({1, 0, 0}, 1);  // lmax = minlev: no adaptation
    initialize_qelta(b.real, b.ints);
    NodeArrays n;
    n.fetch();
    ASSERT_GT(n.nnode, 0);
    double W = 2 * std::sqrt(1.4);
    int behind = 0, ahead = 0;
    for (int k = 0; k < n.nnode; ++k) {
        if (n.x[k] < -1.0) {
            ++behind;
            EXPECT_NEAR(n.rho[k], 8.0 / 3, 1e-9);
            EXPECT_NEAR(n.p[k], 4.5, 1e-9);
            EXPECT_NEAR(n.u[k], 5 * W / 8, 1e-9);
            EXPECT_NEAR(n.u[k], 1.4790199458, 1e-9);
            EXPECT_NEAR(n.v[k], 0, 1e-12);
        } else if (n.x[k] > -0.6) {
            ++ahead;
            EXPECT_NEAR(n.rho[k], 1, 1e-12);
            EXPECT_NEAR(n.p[k], 1, 1e-12);
            EXPECT_NEAR(n.u[k], 0, 1e-12);
        }
    }
    EXPECT_GT(behind, 10);
    EXPECT_GT(ahead, 10);
}

// The wedge angle picks its grid: the log names it and the run starts on it.
TEST_F(CaseStart, WedgeAnglesLoadTheirGrids) {
    struct Angle {
        double angle;
        const char* grid;
    } angles[] = {{42, "45"}, {42.4, "45"}, {47.4, "45"}, {47.5, "50"}, {0, "00"}, {2.4999, "00"}, {40.0001, "45"}};
    for (auto a : angles) {
        CaseBlocks b = blocks({2, a.angle, 0}, 1);
        initialize_qelta(b.real, b.ints);
        std::string want = " get base grid from./grid/wedge/wedge" + std::string(a.grid) + ".neu";
        bool found = false;
        for (const auto& l : qelta::testing::read_lines("record.txt")) found = found || l.rfind(want, 0) == 0;
        EXPECT_TRUE(found) << a.angle;
        EXPECT_EQ(run.nwangle, std::atoi(a.grid)) << a.angle;
        for (int i = 1; i <= grid.ncell; ++i) ASSERT_GT(area(list_cel(i)), 0) << a.angle;
    }
}

// A steady start of the wedge and the cone below Mach 1: a uniform stream
// with no shock in it, whose grid the refinement indicator must not refine
// any more than that of a supersonic stream.
TEST_F(CaseStart, SubsonicSteadyStartRefinesNoMoreThanASupersonicOne) {
    auto lines = qelta::testing::read_lines("control.dat");
    lines.at(2) = "1 2.0 -0.2";  // steady start
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    qelta::testing::write_file("control.dat", text);
    for (CaseRun k : {CaseRun{2, 30, 0}, CaseRun{4, 20, 1}}) {
        int cells[2];
        const double machs[2] = {2.0, 0.5};
        for (int m = 0; m < 2; ++m) {
            CaseBlocks b = blocks(k, 4);
            b.real[1] = machs[m];
            initialize_qelta(b.real, b.ints);
            EXPECT_GE(run.eps_filter, 0) << "case " << k.id << " Mach " << machs[m];
            double progress = 0;
            for (int s = 0; s < 20; ++s) step(&progress);
            cells[m] = grid.ncell;
        }
        EXPECT_LE(cells[1], cells[0] * 1.1) << "case " << k.id << ": Mach 0.5 against Mach 2";
    }
}

// The shipped control file with the minimum level of record 1 replaced.
void minimum_level(int minlev) {
    auto lines = qelta::testing::read_lines("control.dat");
    std::string text = std::to_string(minlev) + " 4 0.1\n";
    for (std::size_t i = 1; i < lines.size(); ++i) text += lines[i] + "\n";
    qelta::testing::write_file("control.dat", text);
}

// The 800 cells of the wedge grid refined uniformly to level n take
// 800 (4^(n+1) - 1) / 3 cell numbers with their parents: level 3 fits the
// capacity of 200000, level 4 (204800 cells of the finest level alone)
// does not and stops before the first split.
TEST_F(CaseStart, UniformRefinementMustFitTheCapacity) {
    minimum_level(3);
    CaseBlocks b = blocks({2, 30, 0}, 4);
    initialize_qelta(b.real, b.ints);
    EXPECT_GE(grid.ncell, 800 * 64);
    for (int i = 1; i <= grid.ncell; ++i) ASSERT_GE(level(list_cel(i)), 3);
    minimum_level(4);
    EXPECT_TRUE(
        stops_with([&] { initialize_qelta(b.real, b.ints); },
                   "the grid of 800 cells refined uniformly to level 4 needs 272800 cell numbers and [0-9]+ edge "
                   "numbers; the capacity is 200000 cells and 400000 edges(.|\n)*Stop in refine_uniform"));
    b.ints[5] = 3;  // the resolution limits the uniform level
    initialize_qelta(b.real, b.ints);
    EXPECT_EQ(run.minlev, 4);
}

// Uniform refinement to the finest level there is: the test counts level by
// level and stops at the first that does not fit, without counting the
// 4^52 cells of the last.
TEST_F(CaseStart, UniformRefinementToTheFinestLevelStopsAtTheFirstThatDoesNotFit) {
    minimum_level(52);
    CaseBlocks b = blocks({2, 30, 0}, 52);
    copy_parameter_blocks(b.real, b.ints);
    open_run_log();
    init_common();
    read_control_file();
    apply_block_overrides();
    run.gridfile = "celledge.dat";
    set_background_grid();
    read_controladv_file();
    derive_run_parameters();
    set_reference();
    set_units();
    build_base_grid();
    EXPECT_EXIT(refine_uniform(), ::testing::ExitedWithCode(1),
                "the grid of 800 cells refined uniformly to level 4 needs 272800 cell numbers and [0-9]+ edge "
                "numbers; the capacity is 200000 cells and 400000 edges(.|\n)*"
                "The minimum level \\(control.dat, record 1\\) is 52, the resolution 52(.|\n)*Stop in refine_uniform");
}

}  // namespace
