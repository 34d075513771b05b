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

// The built-in three-cell grid, plane, with gas at rest (rho = p = 1,
// gamma 1.4) in both the primitive and the conservative columns.
void three_cells_at_rest();

}  // namespace qelta::testing
