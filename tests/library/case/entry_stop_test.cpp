// A stop inside an entry-point call ends that call, not the process: the
// message is there to read, no half-done run is left to step or to draw,
// and the next run set up in the same process computes exactly what it
// computes in a fresh one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "case/restart.h"
#include "common/run.h"
#include "case_blocks.h"
#include "qelta.h"
#include "restart_state.h"
#include "support/stops.h"
#include "support/workdir.h"

using namespace qelta;
using qelta::testing::CaseBlocks;
using qelta::testing::read_lines;
using qelta::testing::stop_message;
using qelta::testing::stops_with;
using qelta::testing::write_file;

namespace {

// Record n (from 1) of a data file replaced.
void replace_record(const std::string& file, int n, const std::string& text) {
    std::vector<std::string> lines = read_lines(file);
    lines.at(n - 1) = text;
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    write_file(file, all);
}

// The wedge of the window's defaults, a few steps, and the fingerprint of
// the state and of the restart file it writes (removed again).
std::string wedge_run_print() {
    CaseBlocks b(2, 30, 0, 3);
    initialize_qelta(b.real, b.ints);
    double progress = 0;
    for (int s = 1; s <= 20; ++s) step(&progress);
    write_restart();
    char restart[32];
    std::snprintf(restart, sizeof restart, " %016" PRIx64, qelta::testing::file_print("runsave"));
    std::remove("runsave");
    return qelta::testing::step_print(progress).line() + restart + " [" + stop_message() + "]";
}

// What the function returns when a fresh process runs it: a fork made
// before this process has run anything.
std::string in_fresh_process(const std::function<std::string()>& f) {
    int fd[2];
    if (pipe(fd) != 0) return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        const std::string text = f();
        if (write(fd[1], text.data(), text.size()) < 0) _exit(2);
        _exit(0);
    }
    close(fd[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(fd[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "the fresh process failed";
}

struct StoppedRun {
    const char* name;
    std::function<void()> spoil;  // the data files
    std::function<void()> calls;  // the entry-point calls, the last of which stops
    const char* message;          // extended regular expression
};

void PrintTo(const StoppedRun& k, std::ostream* os) { *os << k.name; }

void wedge_start() {
    CaseBlocks b(2, 30, 0, 3);
    initialize_qelta(b.real, b.ints);
}

class StoppedRunThenAnother : public qelta::testing::WorkDir, public ::testing::WithParamInterface<StoppedRun> {};

TEST_P(StoppedRunThenAnother, ComputesWhatAFreshProcessComputes) {
    const std::string fresh = in_fresh_process(wedge_run_print);
    ASSERT_NE(fresh.find(" []"), std::string::npos) << fresh;
    const std::string control = qelta::testing::read_file("control.dat");
    const std::string controladv = qelta::testing::read_file("controladv.dat");

    GetParam().spoil();
    EXPECT_TRUE(stops_with(GetParam().calls, GetParam().message));

    // No run is held: nothing to step, nothing to draw.
    double progress = 0.25;
    EXPECT_TRUE(stops_with([&] { step(&progress); },
                           "^Error: step is called before initialize_qelta has set up a run\nStop in step$"));
    EXPECT_EQ(progress, 1);
    std::vector<double> x(200000), y(200000), r(200000), p(200000), u(200000), v(200000);
    std::vector<int> cells(4 * 200000), hang(200000);
    int nnode = -1, ncell = -1, nhang = -1;
    EXPECT_TRUE(stops_with(
        [&] {
            get_cell_vertex(x.data(), y.data(), &nnode, cells.data(), &ncell, hang.data(), &nhang, r.data(),
                            p.data(), u.data(), v.data());
        },
        "get_cell_vertex is called after a stop, before initialize_qelta has set up a new run"));
    EXPECT_EQ(nnode, 0);
    EXPECT_EQ(ncell, 0);
    EXPECT_EQ(nhang, 0);

    write_file("control.dat", control);
    write_file("controladv.dat", controladv);
    EXPECT_EQ(wedge_run_print(), fresh);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StoppedRunThenAnother,
    ::testing::Values(
        StoppedRun{"CflFive", [] { replace_record("control.dat", 2, "5.0"); }, wedge_start,
                   "\"control.dat\", record 2 \\(line 2\\): the CFL number is 5; it must be a finite number in "
                   "\\(0, 1\\]"},
        StoppedRun{"ControladvDeleted", [] { std::remove("controladv.dat"); }, wedge_start,
                   "Cannot open the file \"controladv.dat\""},
        // The set-up's passes that adapt the grid to the initial flow take
        // steps of the solver.
        StoppedRun{"SolverStopInTheSetUp", [] { replace_record("controladv.dat", 4, "6 1"); }, wedge_start,
                   "^Solver has been deleted$"},
        // A stop after the step has changed the grid and the flow.
        // The run's CFL number cut after a first step: the second would
        // need more steps than a run may take.
        StoppedRun{"StopAfterTheStepChangedTheState", [] {},
                   [] {
                       CaseBlocks b(1, 0, 0, 3);
                       initialize_qelta(b.real, b.ints);
                       double progress = 0;
                       step(&progress);
                       run.cfl = 1e-9;
                       step(&progress);
                   },
                   "the run would need more than 10000000 steps: step 2 has the time step"}),
    [](const ::testing::TestParamInfo<StoppedRun>& info) { return std::string(info.param.name); });

// The text of a stop, whole, cut to the caller's buffer, and gone with the
// next call that runs to its end.
TEST(StopMessage, CopiesWhatTheBufferHoldsAndTellsTheWholeLength) {
    double progress = 0;
    step(&progress);
    const std::string whole = "Error: step is called before initialize_qelta has set up a run\nStop in step";
    char buf[200];
    int size = sizeof buf, length = -1;
    get_stop_message(buf, &size, &length);
    EXPECT_EQ(std::string(buf), whole);
    EXPECT_EQ(length, static_cast<int>(whole.size()));

    struct Case {
        int size;
        const char* copied;  // nullptr: the buffer untouched
    } cases[] = {{6, "Error"}, {1, ""}, {0, nullptr}, {-3, nullptr}};
    for (auto k : cases) {
        std::string mark(10, '#');
        length = -1;
        size = k.size;
        get_stop_message(mark.data(), &size, &length);
        EXPECT_EQ(length, static_cast<int>(whole.size())) << k.size;
        if (k.copied)
            EXPECT_STREQ(mark.c_str(), k.copied) << k.size;
        else
            EXPECT_EQ(mark, std::string(10, '#')) << k.size;
    }
    // Read again, the message is the same.
    EXPECT_EQ(stop_message(), whole);
    EXPECT_EQ(getIntPar(0), 200000);
    size = sizeof buf;
    length = -1;
    get_stop_message(buf, &size, &length);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(buf, "");
}

}  // namespace
