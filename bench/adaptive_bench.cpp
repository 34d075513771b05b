// A whole adaptive run of the wedge case (Mach 2, 30 degrees) at
// resolutions 4 and 5: time per step, the share of the adaptation in it,
// cells at the end, and the peak memory of the process.
//
//   qelta_adaptive_bench [--quick]
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "case/cases.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/adapt.h"
#include "grid/gradients.h"
#include "qelta.h"

using namespace qelta;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// One step as timestep takes it in an inviscid adaptive run, with the
// adaptation timed on its own.
void timed_step(double& flow_s, double& adapt_s) {
    auto t0 = Clock::now();
    get_dt();
    solve_euler_step();
    auto t1 = Clock::now();
    useradv_step();
    if (run.irecon == 1) lsq_edge_terms();
    adapt();
    cons_to_prim();
    fix_negative_cells();
    adapt_s += since(t1);
    flow_s += std::chrono::duration<double>(t1 - t0).count();
    run.time += run.dt;
    run.nstep += 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::string dir = (fs::temp_directory_path() / ("qelta-bench-" + std::to_string(getpid()))).string();
    fs::copy(QELTA_DATA_DIR, dir, fs::copy_options::recursive);
    fs::current_path(dir);
    for (int level : {4, 5}) {
        double realPar[20] = {0, 2.0, 30.0, 1.4};
        int intPar[20] = {0, 0, 0, 0, 2, level};
        auto t0 = Clock::now();
        initialize_qelta(realPar, intPar);
        double setup = since(t0);
        double flow_s = 0, adapt_s = 0;
        int steps = 0;
        while (run.time < run.t0 + run.tend && (!quick || steps < 10)) {
            timed_step(flow_s, adapt_s);
            ++steps;
        }
        double total = flow_s + adapt_s;
        std::printf("wedge 30 deg, Mach 2, resolution %d: set-up %.2f s, %d steps, %.2f ms per step, adaptation %.0f %%"
                    " of a step (flow %.2f ms, adaptation %.2f ms), %d cells at the end\n",
                    level, setup, steps, 1e3 * total / steps, 100 * adapt_s / total, 1e3 * flow_s / steps,
                    1e3 * adapt_s / steps, grid.ncell);
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak memory %.1f MB\n", u.ru_maxrss / 1024.0);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
