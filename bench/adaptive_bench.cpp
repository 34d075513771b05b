// The solver's speed in million cell updates per second (active cells times
// steps over the CPU time taken by the process), one core:
//   block     scheme 2 on the fixed 250 x 200 block (50000 cells) of qelta_bench;
//   wedge     scheme 2 on the fixed wedge grid (Mach 2, 30 degrees) of resolution 3;
//   adaptive  whole adaptive runs of the wedge (resolutions 4 and 5, schemes 1
//             and 2, unless --resolution and --scheme choose): time per step
//             and per cell update, the share of the adaptation (case hook,
//             gradients, adapt, repair) in it, mean and largest cell counts.
// Every figure is the median of the repeats, which run interleaved; the
// peak memory of the process comes last.
//
//   qelta_adaptive_bench [--quick] [--repeat n] [--steps n] [--resolution 3..6]... [--scheme 1|2]...
//                        [--print] [block] [wedge] [adaptive]
// --steps ends the adaptive runs after n steps (for profiles); --print
// writes the fingerprint of the state at the end of every run (step count,
// cells, clock, flow and grid), so that two builds can be compared bit for
// bit on grids of every size.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "case/entry.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/grid_store.h"
#include "qelta.h"
#include "restart_state.h"
#include "support/library_fixture.h"

using namespace qelta;
namespace fs = std::filesystem;

namespace {

// CPU time of the process: what the other work on a shared machine does
// not add to.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Time and cell updates of the flow and the adaptation halves of the steps.
struct Tally {
    double flow_s = 0, adapt_s = 0;
    long updates = 0;
    int steps = 0;
    int most_cells = 0;
    double total() const { return flow_s + adapt_s; }
    double rate() const { return updates / total() * 1e-6; }
    double ns_per_update() const { return 1e9 * total() / updates; }
    double mean_cells() const { return static_cast<double>(updates) / steps; }
};

// One step as step takes it, its two halves timed on their own.
void timed_step(Tally& t) {
    t.updates += grid.ncell;
    t.most_cells = std::max(t.most_cells, grid.ncell);
    double t0 = cpu_seconds();
    flow_step();
    double t1 = cpu_seconds();
    adaptation_step();
    t.adapt_s += cpu_seconds() - t1;
    t.flow_s += t1 - t0;
    run.time += run.dt;
    run.nstep += 1;
    ++t.steps;
}

// ---- block: the grid of qelta_bench ----

Tally block_run(int steps) {
    init_common();
    qelta::testing::inviscid_run_parameters();
    run.ischeme = 2;
    run.time = 0;
    run.nstep = 0;
    qelta::testing::shock_ripple_block();
    timestep();  // warm-up
    Tally t;
    for (int s = 0; s < steps; ++s) timed_step(t);
    return t;
}

// ---- wedge runs through the entry points, in a copy of the data files ----

// Record n (from 1) of a control file replaced.
void set_record(const std::string& file, int n, const std::string& text) {
    std::vector<std::string> lines;
    {
        std::ifstream in(file);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
    }
    lines.at(n - 1) = text;
    std::ofstream out(file);
    for (const auto& l : lines) out << l << '\n';
}

// The wedge at `level` with scheme `scheme`; min_level = level gives the
// fixed grid. At most max_steps steps (0: the whole run).
Tally wedge_run(int scheme, int min_level, int level, int max_steps) {
    set_record("control.dat", 1, std::to_string(min_level) + " 4 0.1");
    set_record("controladv.dat", 4, std::to_string(scheme) + " 1");
    double realPar[20] = {0, 2.0, 30.0, 1.4};
    int intPar[20] = {0, 0, 0, 0, 2, level};
    initialize_qelta(realPar, intPar);
    if (!entry_stop_text().empty()) std::exit(1);  // the stop's message is on stderr
    Tally t;
    while (run.time < run.t0 + run.tend && (max_steps == 0 || t.steps < max_steps)) timed_step(t);
    return t;
}

struct Figure {
    std::string name;
    std::function<Tally()> run;
    std::vector<Tally> repeats{};
};

bool print_state = false;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

// The whole number of argv[i], within lo..hi, or the end of the program.
int option_value(int argc, char** argv, int i, int lo, int hi) {
    char* end = nullptr;
    long v = i < argc ? std::strtol(argv[i], &end, 10) : 0;
    if (i >= argc || end == argv[i] || *end != '\0' || v < lo || v > hi) {
        std::fprintf(stderr, "%s takes a whole number from %d to %d\n", argv[i - 1], lo, hi);
        std::exit(2);
    }
    return static_cast<int>(v);
}

void add_unique(std::vector<int>& v, int x) {
    if (std::find(v.begin(), v.end(), x) == v.end()) v.push_back(x);
}

int main(int argc, char** argv) {
    bool quick = false;
    int repeats = 1;
    std::vector<std::string> groups;
    std::vector<int> resolutions, schemes;
    int steps = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--print") == 0)
            print_state = true;
        else if (std::strcmp(argv[i], "--repeat") == 0)
            repeats = option_value(argc, argv, ++i, 1, 1000);
        else if (std::strcmp(argv[i], "--steps") == 0)
            steps = option_value(argc, argv, ++i, 1, 10000000);
        else if (std::strcmp(argv[i], "--resolution") == 0)
            add_unique(resolutions, option_value(argc, argv, ++i, 3, 6));
        else if (std::strcmp(argv[i], "--scheme") == 0)
            add_unique(schemes, option_value(argc, argv, ++i, 1, 2));
        else if (std::strcmp(argv[i], "block") == 0 || std::strcmp(argv[i], "wedge") == 0 ||
                 std::strcmp(argv[i], "adaptive") == 0)
            groups.push_back(argv[i]);
        else {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (resolutions.empty()) resolutions = {4, 5};
    if (schemes.empty()) schemes = {1, 2};
    auto wanted = [&](const char* g) { return groups.empty() || std::find(groups.begin(), groups.end(), g) != groups.end(); };

    std::string dir = (fs::temp_directory_path() / ("qelta-bench-" + std::to_string(getpid()))).string();
    fs::copy(QELTA_DATA_DIR, dir, fs::copy_options::recursive);
    fs::current_path(dir);

    const int fixed_steps = quick ? 2 : 40;
    const int adaptive_steps = quick ? 10 : steps;
    std::vector<Figure> figures;
    if (wanted("block")) figures.push_back({"block 250 x 200, scheme 2", [=] { return block_run(fixed_steps); }});
    if (wanted("wedge"))
        figures.push_back({"wedge, fixed resolution 3, scheme 2", [=] { return wedge_run(2, 3, 3, 5 * fixed_steps); }});
    if (wanted("adaptive"))
        for (int level : resolutions)
            for (int scheme : schemes)
                figures.push_back({"wedge, adaptive resolution " + std::to_string(level) + ", scheme " +
                                       std::to_string(scheme),
                                   [=] { return wedge_run(scheme, 1, level, adaptive_steps); }});

    for (int k = 0; k < repeats; ++k)
        for (Figure& f : figures) {
            f.repeats.push_back(f.run());
            if (print_state && k == 0)
                std::printf("state after %s: %s\n", f.name.c_str(), qelta::testing::step_print(0).line().c_str());
        }

    std::printf("medians of %d interleaved repeat(s), CPU time\n", repeats);
    std::printf("| run                                    | steps | M cell updates/s | ns/update | ms/step "
                "| adaptation %% | mean cells | most cells |\n");
    std::printf("|----------------------------------------|-------|------------------|-----------|---------"
                "|--------------|------------|------------|\n");
    for (const Figure& f : figures) {
        std::vector<double> rate, ns, ms, share;
        for (const Tally& t : f.repeats) {
            rate.push_back(t.rate());
            ns.push_back(t.ns_per_update());
            ms.push_back(1e3 * t.total() / t.steps);
            share.push_back(100 * t.adapt_s / t.total());
        }
        const Tally& t = f.repeats.front();
        std::printf("| %-38s | %5d | %16.2f | %9.0f | %7.2f | %12.0f | %10.0f | %10d |\n", f.name.c_str(), t.steps,
                    median(rate), median(ns), median(ms), median(share), t.mean_cells(), t.most_cells);
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak memory %.1f MB\n", u.ru_maxrss / 1024.0);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
