// Cost of one time step of every flow scheme on a fixed grid, side by side:
// whole steps (step size, viscous chain, the scheme, repair) of an inviscid
// and of a viscous run, in million cell updates per second and milliseconds
// per step, for schemes 1 to 5, scheme 7 with every flux code and scheme 8
// with every flux code.
//
//   qelta_bench [--quick]
#include <chrono>
#include <cstdio>
#include <cstring>

#include "common/run.h"
#include "common/storage.h"
#include "flow/flux.h"
#include "flow/timestep.h"
#include "grid/grid_store.h"
#include "support/library_fixture.h"

using namespace qelta;

namespace {

using Clock = std::chrono::steady_clock;

struct SchemeRun {
    int scheme, iflux;
};

// A Mach 2 shock across a 250 x 200 block (50000 cells) with a ripple in
// the gas ahead of it, so that the limiter and the indicator see work;
// slip walls all round, no adaptation.
void set_up(const SchemeRun& k, int ns) {
    init_common();
    qelta::testing::inviscid_run_parameters();
    run.ischeme = k.scheme;
    run.iflux = k.iflux;
    run.ns = ns;
    run.reyn = 1000;
    run.prand = 0.72;
    run.sut_mu = 110.4 / 293;
    run.sut_k = 194.0 / 293;
    run.twall = 1;
    run.ipar(5) = 2;
    run.time = 0;
    run.nstep = 0;
    qelta::testing::shock_ripple_block();
}

// Seconds per whole time step over `reps` steps after one to warm up.
double seconds_per_step(const SchemeRun& k, int ns, int reps) {
    set_up(k, ns);
    timestep();
    auto t0 = Clock::now();
    for (int s = 0; s < reps; ++s) {
        timestep();
        run.time += run.dt;
        run.nstep += 1;
    }
    return std::chrono::duration<double>(Clock::now() - t0).count() / reps;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    int reps = quick ? 2 : 20;
    const SchemeRun runs[] = {{1, 0},  {2, 0},  {3, 0},  {4, 0},  {5, 0},  {7, 1},  {7, 2},
                              {7, 3},  {7, 4},  {7, 11}, {7, 12}, {7, 13}, {7, 14}, {8, 1},
                              {8, 2},  {8, 3},  {8, 4},  {8, 11}, {8, 12}, {8, 13}, {8, 14}};
    std::printf("%d cells, %d steps per figure\n", 250 * 200, reps);
    std::printf("| scheme | flux     | inviscid: M cells/s | ms/step | viscous: M cells/s | ms/step |\n");
    std::printf("|--------|----------|---------------------|---------|--------------------|---------|\n");
    for (const SchemeRun& k : runs) {
        double inviscid = seconds_per_step(k, 0, reps);
        double viscous = seconds_per_step(k, 1, reps);
        int n = grid.ncell;
        std::printf("| %6d | %-8s | %19.2f | %7.1f | %18.2f | %7.1f |\n", k.scheme, k.iflux ? flux_name(k.iflux) : "-",
                    n / inviscid * 1e-6, 1e3 * inviscid, n / viscous * 1e-6, 1e3 * viscous);
    }
    return 0;
}
