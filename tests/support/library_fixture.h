// Fixture of tests that run library routines: a fresh working directory,
// the run log open on its unit, and the storage reset as at run start.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "flow/sweep.h"

#include "support/workdir.h"

namespace qelta::testing {

class LibraryTest : public WorkDir {
protected:
    void SetUp() override;
    // The run log's records so far.
    std::vector<std::string> log_lines();
};

// Run parameters of a plane inviscid run without adaptation: gamma 1.4,
// CFL 0.5, the default scheme-1 constants and refinement thresholds, no end.
void inviscid_run_parameters();

// The primitive state (r, p, u, v) of every active cell from a function of
// its centroid, then the conservative state and tem.
void fill_cells(const std::function<sweep::Prim(double x, double y)>& f);

// The benchmarks' fixed grid: 250 x 200 square cells of side 0.004 (50000
// cells, slip walls all round) with their least-squares matrices, and a
// Mach 2 shock behind x = 0.3 + 0.05 sin(10 y) running into gas at rest
// with a density ripple 1 + 0.05 sin(40 x) cos(30 y), so that the limiter
// and the indicator see work. Call after init_common and the run parameters.
void shock_ripple_block();

// The built-in three-cell grid, plane, with gas at rest (rho = p = 1,
// gamma 1.4) in both the primitive and the conservative columns.
void three_cells_at_rest();

}  // namespace qelta::testing
