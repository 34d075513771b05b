// Whole runs of the flow schemes through the entry points, each scheme and
// flux code chosen in "controladv.dat": the moving normal shock down the
// wedge channel of 0 degrees, plane and axisymmetric, and the viscous drag
// case over the sphere.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/run.h"
#include "common/storage.h"
#include "qelta.h"
#include "support/workdir.h"

using namespace qelta;
using qelta::testing::read_lines;
using qelta::testing::write_file;

namespace {

struct SchemeRun {
    int scheme, iflux;
};

void PrintTo(const SchemeRun& k, std::ostream* os) { *os << "scheme " << k.scheme << " flux " << k.iflux; }

// Record n of a shipped control file replaced by `text`.
void replace_record(const std::string& file, int n, const std::string& text) {
    std::vector<std::string> lines = read_lines(file);
    ASSERT_GE(lines.size(), 6u);
    lines[n - 1] = text;
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    write_file(file, all);
}

void choose_scheme(const SchemeRun& k) {
    replace_record("controladv.dat", 4, std::to_string(k.scheme) + " " + std::to_string(k.iflux));
}

bool log_has(const std::string& text) {
    for (const auto& l : read_lines("record.txt"))
        if (l.find(text) != std::string::npos) return true;
    return false;
}

double run_to_end() {
    double progress = 0;
    for (int steps = 0; progress < 1 && steps < 20000; ++steps) step(&progress);
    return progress;
}

class WedgeChannel : public qelta::testing::WorkDir, public ::testing::WithParamInterface<SchemeRun> {};

// A Mach 2 shock from x = -0.2 down the channel of the 0-degree wedge
// (slip walls, open inflow at x = -1), on the uniform grid of level 1
// (h = 0.025, no adaptation), to the end of the run at x = 0.8. Behind it
// the gas keeps the normal-shock state rho2 = 8/3, p2 = 4.5,
// u2 = W (1 - 1/rho2), and the front runs at W = 2 sqrt(1.4); in the
// axisymmetric run (the cone of 0 degrees) the flow is the same.
TEST_P(WedgeChannel, MovingShockKeepsItsPlateau) {
    choose_scheme(GetParam());
    const double W = 2 * std::sqrt(1.4), rho2 = 8.0 / 3, p2 = 4.5, u2 = W * (1 - 1 / rho2);
    for (int iaxis : {0, 1}) {
        double real[20] = {0, 2.0, 0.0, 1.4};
        int ints[20] = {0, 0, iaxis, 0, iaxis ? 4 : 2, 1};
        initialize_qelta(real, ints);
        ASSERT_EQ(run.iaxis, iaxis);
        ASSERT_EQ(run.lmax, run.minlev);
        const double t_start = run.time;
        ASSERT_GE(run_to_end(), 1.0);
        close_recording_file();
        const double xs = -0.2 + W * (run.time - t_start);
        ASSERT_NEAR(xs, 0.8, 0.01);

        // The front: the easternmost cell of the lowest row that the shock
        // has compressed to above the mean of the two densities.
        double front = -1;
        double sum_r = 0, sum_p = 0, sum_u = 0, worst_r = 0, largest_v = 0;
        int n = 0;
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            ASSERT_TRUE(r(c) > 0 && p(c) > 0) << "cell " << c;
            if (yc(c) < 0.025 && r(c) > 0.5 * (1 + rho2)) front = std::fmax(front, xc(c));
            if (xc(c) < -0.9 || xc(c) > xs - 0.15) continue;
            ++n;
            sum_r += r(c);
            sum_p += p(c);
            sum_u += ux(c);
            worst_r = std::fmax(worst_r, std::fabs(r(c) / rho2 - 1));
            largest_v = std::fmax(largest_v, std::fabs(uy(c)));
        }
        ASSERT_GT(n, 1000);
        EXPECT_NEAR(sum_r / n, rho2, 0.01 * rho2) << "axi " << iaxis;
        EXPECT_NEAR(sum_p / n, p2, 0.01 * p2) << "axi " << iaxis;
        EXPECT_NEAR(sum_u / n, u2, 0.01 * u2) << "axi " << iaxis;
        // The start-up errors of the initial jump (an entropy spot carried
        // with the gas, an acoustic wave nearly at rest) stay small.
        EXPECT_LT(worst_r, 0.04) << "axi " << iaxis;
        EXPECT_LT(largest_v, 0.01 * u2) << "axi " << iaxis;
        EXPECT_NEAR(front, xs, 0.05) << "axi " << iaxis;
        EXPECT_FALSE(log_has("Found negatives")) << "axi " << iaxis;
    }
}

INSTANTIATE_TEST_SUITE_P(Schemes, WedgeChannel,
                         ::testing::Values(SchemeRun{1, 1}, SchemeRun{2, 1}, SchemeRun{3, 1}, SchemeRun{4, 1},
                                           SchemeRun{5, 1}, SchemeRun{7, 1}, SchemeRun{7, 2}, SchemeRun{7, 3},
                                           SchemeRun{7, 4}, SchemeRun{7, 11}, SchemeRun{7, 12}, SchemeRun{7, 13},
                                           SchemeRun{7, 14}, SchemeRun{8, 1}, SchemeRun{8, 4}));

class ViscousSphere : public qelta::testing::WorkDir, public ::testing::WithParamInterface<SchemeRun> {};

// Case 101, axisymmetric and viscous (sphere of 50 mm, isothermal no-slip
// wall), adapting from level 0 to 1, runs to its end without a fatal stop
// and without a non-positive cell on the way, with the viscous chain before
// scheme 2 and with scheme 7's own viscous terms.
TEST_P(ViscousSphere, RunsToItsEnd) {
    choose_scheme(GetParam());
    replace_record("control.dat", 1, "0 4 0.1");  // minimum level 0
    double real[20] = {0, 2.0, 50.0, 1.4};
    int ints[20] = {0, 1, 1, 0, 101, 1};
    initialize_qelta(real, ints);
    ASSERT_EQ(run.ns, 1);
    ASSERT_GT(run.lmax, run.minlev);
    EXPECT_GE(run_to_end(), 1.0);
    close_recording_file();
    int walls = 0;
    for (int i = 1; i <= grid.nbedge; ++i) walls += ibtype(list_bedge(i)) == 3;
    EXPECT_GT(walls, 0);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        ASSERT_TRUE(r(c) > 0 && p(c) > 0 && std::isfinite(ux(c)) && std::isfinite(uy(c))) << "cell " << c;
    }
    EXPECT_FALSE(log_has("Found negatives"));
}

INSTANTIATE_TEST_SUITE_P(Schemes, ViscousSphere, ::testing::Values(SchemeRun{2, 1}, SchemeRun{7, 3}));

}  // namespace
