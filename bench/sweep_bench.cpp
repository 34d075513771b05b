// Cell updates per second of the flow schemes on a fixed grid: the sweep
// alone, and whole time steps (gradients, sweep, conversion, repair).
//
//   qelta_bench [--quick]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/schemes.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;

namespace {

using Clock = std::chrono::steady_clock;

// A Mach 2 shock across a 250 x 200 block (50000 cells) with a ripple in
// the gas ahead of it, so that the limiter and the indicator see work.
void set_up(int scheme) {
    init_common();
    qelta::testing::inviscid_run_parameters();
    run.ischeme = scheme;
    run.ipar(5) = 2;
    qelta::testing::block_grid(250, 200, 0, 0, 0.004);
    lsq_matrix();
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        bool behind = xc(c) < 0.3 + 0.05 * std::sin(10 * yc(c));
        r(c) = behind ? 8.0 / 3 : 1 + 0.05 * std::sin(40 * xc(c)) * std::cos(30 * yc(c));
        p(c) = behind ? 4.5 : 1;
        ux(c) = behind ? 1.479 : 0;
        uy(c) = 0;
    }
    prim_to_cons();
    cons_to_prim();
}

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void report(const char* what, int scheme, int reps, double s) {
    std::printf("scheme %d  %-12s %8.2f million cell updates/s  (%d x %d cells in %.3f s)\n", scheme, what,
                reps * double(grid.ncell) / s * 1e-6, reps, grid.ncell, s);
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    int reps = quick ? 2 : 40;
    for (int scheme : {1, 2}) {
        set_up(scheme);
        get_dt();
        lsq_edge_terms();
        const SchemeEntry& s = scheme_sweeps(scheme);
        s.plane();  // warm up
        auto t0 = Clock::now();
        for (int k = 0; k < reps; ++k) s.plane();  // the primitives stay those of the start
        report("sweep", scheme, reps, seconds_since(t0));

        set_up(scheme);
        t0 = Clock::now();
        for (int k = 0; k < reps; ++k) {
            timestep();
            run.time += run.dt;
            run.nstep += 1;
        }
        report("whole step", scheme, reps, seconds_since(t0));
    }
    return 0;
}
