// A run saved to "runsave" at step N and continued in a fresh process equals
// the uninterrupted run at every later step, bit for bit: the grid as it
// adapts, the flow, the clock and the rows of "draghis.dat". Plane and
// axisymmetric cases with adaptation, an inviscid and a viscous sphere, and
// the airfoil saved before and after its energy deposition.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "case/restart.h"
#include "common/log.h"
#include "common/run.h"
#include "case_blocks.h"
#include "qelta.h"
#include "restart_state.h"
#include "support/workdir.h"

using namespace qelta;
using qelta::testing::read_lines;
using qelta::testing::StepPrint;
using qelta::testing::step_print;

namespace fs = std::filesystem;

namespace {

// Where the airfoil's deposition falls: none in the steps run, in a step
// before the save, or in the first step after it.
enum class Lightning { none, before_save, after_save };

struct RoundTrip {
    const char* name;
    int id, iaxis, ns, level;
    double angle;
    int saved_at, later;
    Lightning lightning = Lightning::none;
};

void PrintTo(const RoundTrip& k, std::ostream* os) { *os << k.name; }

class RestartRoundTrip : public qelta::testing::WorkDir, public ::testing::WithParamInterface<RoundTrip> {
protected:
    const std::string continued = "continued";

    // A working directory for the continued run: the control files, with
    // the case's own run length in "control.dat", the case grids, which the
    // restart compares with the file's grid, and "runsave".
    void prepare_continued_run() {
        fs::create_directory(continued);
        std::vector<std::string> control = read_lines("control.dat");
        char tend[64];
        std::snprintf(tend, sizeof tend, "0 %.17g", run.tend);
        control.at(3) = tend;
        std::string text;
        for (const auto& l : control) text += l + "\n";
        qelta::testing::write_file(continued + "/control.dat", text);
        fs::copy_file("controladv.dat", continued + "/controladv.dat");
        fs::copy("grid", continued + "/grid", fs::copy_options::recursive);
        fs::rename("runsave", continued + "/runsave");
    }

    std::vector<StepPrint> continue_in_fresh_process(int steps) {
        const RoundTrip& k = GetParam();
        std::string cmd = "cd '" + continued + "' && '" RESTART_CONTINUE "' " + std::to_string(steps) +
                          " prints.txt 2.0 " + std::to_string(k.angle) + " " + std::to_string(k.ns) + " " +
                          std::to_string(k.iaxis) + " " + std::to_string(k.id) + " " + std::to_string(k.level) +
                          " > stdout.txt 2>&1";
        int status = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the continued run failed:\n" << qelta::testing::read_file(continued + "/stdout.txt");
        std::vector<StepPrint> prints;
        for (const auto& l : read_lines(continued + "/prints.txt")) prints.push_back(StepPrint::parse(l));
        return prints;
    }
};

// The rows of a force history written after step n.
std::vector<std::string> rows_after(const std::vector<std::string>& lines, int n) {
    std::vector<std::string> rows;
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (std::stoi(lines[i].substr(0, 7)) > n) rows.push_back(lines[i]);
    return rows;
}

int lightnings(const std::string& log) {
    int n = 0;
    for (const auto& l : read_lines(log)) n += l == " Lightning ~~~~";
    return n;
}

TEST_P(RestartRoundTrip, ContinuedRunEqualsTheUninterruptedOne) {
    const RoundTrip& k = GetParam();
    qelta::testing::CaseBlocks b(k.id, k.angle, k.iaxis, k.level, k.ns);
    initialize_qelta(b.real, b.ints);
    double progress = 0;
    for (int s = 1; s <= k.saved_at; ++s) {
        step(&progress);
        // Half the airfoil's run jumped over: the deposition comes in the
        // step after the jump, which the save follows or precedes.
        if (k.lightning != Lightning::none && s == 2) {
            double half = run.tend / 2;
            run.time = (k.lightning == Lightning::before_save) ? half * (1 + 1e-9) : half - run.dt / 2;
        }
    }
    write_restart();
    prepare_continued_run();
    std::vector<StepPrint> uninterrupted;
    for (int s = 1; s <= k.later; ++s) {
        step(&progress);
        uninterrupted.push_back(step_print(progress));
    }
    close_recording_file();
    flush_units();
    if (k.lightning != Lightning::none) {
        ASSERT_EQ(lightnings("record.txt"), 1);
        EXPECT_EQ(run.lightning_done, 1);
    }

    std::vector<StepPrint> continued_run = continue_in_fresh_process(k.later);
    ASSERT_EQ(continued_run.size(), uninterrupted.size());
    for (std::size_t i = 0; i < uninterrupted.size(); ++i)
        ASSERT_EQ(continued_run[i].line(), uninterrupted[i].line()) << "step " << k.saved_at + 1 + i;
    // The grid has adapted in the steps compared.
    bool adapted = false;
    for (const auto& p : uninterrupted) adapted = adapted || p.ncell != uninterrupted.front().ncell;
    EXPECT_TRUE(adapted);

    if (k.id == 101 || k.id == 102) {
        auto rows = rows_after(read_lines("draghis.dat"), k.saved_at);
        EXPECT_FALSE(rows.empty());
        auto continued_lines = read_lines(continued + "/draghis.dat");
        ASSERT_FALSE(continued_lines.empty());
        EXPECT_EQ(continued_lines[0], read_lines("draghis.dat")[0]);
        EXPECT_EQ(rows_after(continued_lines, 0), rows);
    }
    if (k.lightning != Lightning::none) {
        EXPECT_EQ(lightnings(continued + "/record.txt"), k.lightning == Lightning::after_save ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartRoundTrip,
    ::testing::Values(RoundTrip{"WedgeSavedAtAnEvenStep", 2, 0, 0, 4, 30, 20, 20},
                      RoundTrip{"WedgeSavedAtAnOddStep", 2, 0, 0, 4, 30, 21, 20},
                      RoundTrip{"Cone", 4, 1, 0, 3, 20, 15, 20},
                      RoundTrip{"Cylinder", 1, 0, 0, 3, 0, 10, 16},
                      RoundTrip{"SphereOfTheCylinderGrid", 3, 1, 0, 3, 0, 10, 16},
                      RoundTrip{"Explosion", 5, 0, 0, 3, 0, 10, 16},
                      RoundTrip{"ExplosionOnTheAxis", 6, 1, 0, 3, 0, 10, 16},
                      RoundTrip{"Sphere", 101, 1, 0, 3, 50, 16, 24},
                      RoundTrip{"ViscousSphere", 101, 1, 1, 2, 50, 8, 12},
                      RoundTrip{"AirfoilSavedAfterItsDeposition", 102, 0, 0, 2, 10, 4, 8, Lightning::before_save},
                      RoundTrip{"AirfoilSavedBeforeItsDeposition", 102, 0, 0, 2, 10, 3, 8, Lightning::after_save}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

}  // namespace
