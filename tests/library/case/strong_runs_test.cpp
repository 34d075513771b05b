// Runs at the edges of what the program accepts (strong shocks on steep
// walls, gammas far from 1.4, wall edge factors at the ends of their
// range), each through the entry points as the program drives it: node
// values fetched every tenth step, to the end of the run or for a fixed
// number of steps past the point where such runs used to stop. Every cell
// ends positive and finite. Resolutions 0 to 2, where these faults show.
// And the runs that cannot be computed are refused before they start.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "case/run_driver.h"
#include "case_blocks.h"
#include "common/run.h"
#include "common/storage.h"
#include "qelta.h"
#include "support/workdir.h"

using namespace qelta;

namespace {

struct EdgeRun {
    const char* name;
    int id;
    double mach, angle, gamma;
    int level, ns;
    const char* advanced;  // record 4 of controladv.dat (scheme), or ""
    const char* wall;      // the wall edge factor, or ""
    const char* steady;    // record 3 of control.dat, or ""
    int steps;             // 0: to the end
};

void PrintTo(const EdgeRun& k, std::ostream* os) { *os << k.name; }

void replace_record(const std::string& file, int k, const std::string& text) {
    std::vector<std::string> lines = qelta::testing::read_lines(file);
    lines.at(k) = text;
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    qelta::testing::write_file(file, all);
}

void prepare(const EdgeRun& k) {
    if (*k.advanced) replace_record("controladv.dat", 3, k.advanced);
    if (*k.wall) replace_record("controladv.dat", 1, std::string(k.wall) + " 0.0001");
    if (*k.steady) replace_record("control.dat", 2, k.steady);
}

qelta::testing::CaseBlocks blocks(const EdgeRun& k) {
    int iaxis = (k.id == 3 || k.id == 4 || k.id == 6 || k.id == 101) ? 1 : 0;
    qelta::testing::CaseBlocks b(k.id, k.angle, iaxis, k.level, k.ns, k.mach);
    b.real[3] = k.gamma;
    return b;
}

// The program's arrays for the node values.
struct NodeArrays {
    std::vector<double> x, y, r, p, u, v;
    std::vector<int> cells, hang;
    int nnode = 0, ncell = 0, nhang = 0;
    NodeArrays() : x(MAX_CEL), y(MAX_CEL), r(MAX_CEL), p(MAX_CEL), u(MAX_CEL), v(MAX_CEL), cells(4 * MAX_CEL), hang(MAX_CEL) {}
    void fetch() {
        get_cell_vertex(x.data(), y.data(), &nnode, cells.data(), &ncell, hang.data(), &nhang, r.data(), p.data(),
                        u.data(), v.data());
    }
};

class EdgeOfTheRange : public qelta::testing::WorkDir, public ::testing::WithParamInterface<EdgeRun> {};

TEST_P(EdgeOfTheRange, RunsPositiveAndFinite) {
    const EdgeRun& k = GetParam();
    prepare(k);
    auto b = blocks(k);
    initialize_qelta(b.real, b.ints);
    NodeArrays nodes;
    nodes.fetch();
    double progress = 0;
    for (int s = 1; k.steps == 0 ? progress < 1 : s <= k.steps; ++s) {
        step(&progress);
        if (s % 10 == 0) nodes.fetch();
    }
    nodes.fetch();
    if (k.steps == 0) {
        EXPECT_GE(progress, 1);
    }
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        ASSERT_TRUE(r(c) > 0 && p(c) > 0 && std::isfinite(r(c)) && std::isfinite(p(c)) && std::isfinite(ux(c)) &&
                    std::isfinite(uy(c)))
            << "cell " << c;
    }
    for (int n = 0; n < nodes.nnode; ++n) ASSERT_TRUE(nodes.r[n] > 0 && nodes.p[n] > 0) << "node " << n + 1;
}

auto run_name = [](const ::testing::TestParamInfo<EdgeRun>& i) {
    std::string n = i.param.name;
    for (char& ch : n)
        if (ch == '.') ch = '_';
    return n;
};

// Each of these ended with a stop or a state that was not a number; the
// long ones (seconds each) build as a test program of their own.
#ifndef STRONG_RUNS_LONG
INSTANTIATE_TEST_SUITE_P(
    Runs, EdgeOfTheRange,
    ::testing::Values(EdgeRun{"WedgeMach10At90Resolution0", 2, 10, 90, 1.4, 0, 0, "", "", "", 0},
                      EdgeRun{"WedgeMach10At90", 2, 10, 90, 1.4, 2, 0, "", "", "", 0},
                      EdgeRun{"WedgeMach10At90Blend", 2, 10, 90, 1.4, 2, 0, "5 1", "", "", 0},
                      EdgeRun{"WedgeMach6At75", 2, 6, 75, 1.4, 2, 0, "", "", "", 0},
                      EdgeRun{"WedgeMach8At60", 2, 8, 60, 1.4, 2, 0, "", "", "", 0},
                      EdgeRun{"CylinderMach7", 1, 7, 0, 1.4, 1, 0, "", "", "", 0},
                      EdgeRun{"AirfoilMach10", 102, 10, 5, 1.4, 1, 0, "", "", "", 300},
                      EdgeRun{"ViscousSphereWallFactor0.01", 101, 2, 50, 1.4, 2, 1, "", "0.01", "", 20},
                      EdgeRun{"ViscousAirfoilWallFactor0.02", 102, 0.8, 5, 1.4, 2, 1, "", "0.02", "", 20}),
    run_name);
#else
INSTANTIATE_TEST_SUITE_P(
    Runs, EdgeOfTheRange,
    ::testing::Values(EdgeRun{"WedgeMach10At60Gamma3", 2, 10, 60, 3, 2, 0, "", "", "", 0},
                      EdgeRun{"SteadyCylinderMach5", 1, 5, 0, 1.4, 2, 0, "", "", "1 5.0 -0.2", 0},
                      EdgeRun{"CylinderMach3Gamma5Over3", 1, 3, 0, 5.0 / 3, 2, 0, "", "", "", 0}),
    run_name);
#endif

#ifndef STRONG_RUNS_LONG
class Refused : public qelta::testing::WorkDir {};

// Split towards the wall by 100 at every level, the wall cells of the
// viscous sphere at resolution 2 are so thin that the run would take
// hundreds of millions of steps.
TEST_F(Refused, AWallEdgeFactorThatMakesTheRunTooLongBeforeItStarts) {
    EdgeRun k{"", 101, 2, 50, 1.4, 2, 1, "", "100", "", 0};
    prepare(k);
    auto b = blocks(k);
    EXPECT_EXIT(setup_run(b.real, b.ints), ::testing::ExitedWithCode(1),
                "the run would need more than 10000000 steps: its first time step is .* the wall edge factor 100 at "
                "every level up to the resolution 2");
}
#endif

}  // namespace
