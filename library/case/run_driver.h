// Set-up and stepping of a run: what the entry points initialize_qelta and
// step do, in their steps.
#pragma once

#include <limits>

#include "common/checks.h"

namespace qelta {

// The finest refinement level that means something. A cell of level L has
// sides 2^-L of its base cell's; at level 52 that is the rounding unit of a
// double about as large as the base cell, so where the coordinates are at
// least the size of the cell (on every shipped grid) a side could not be
// halved again. What a grid can hold is not bounded here but by the
// capacity test of the uniform start refinement and that of each adaptation.
constexpr int max_level = std::numeric_limits<double>::digits - 1;

// The steps a run may take.
constexpr int max_run_steps = 10000000;
// End weights of the edges next to no-slip walls (the wall edge factor).
constexpr Range wall_factor_range{0.01, 100};
// CFL numbers: an explicit step moves no signal past a cell.
constexpr Range cfl_range{0, 1, true};

// initialize_qelta, whole.
void setup_run(const double* realPar, const int* intPar);
// step, whole: advances the run and returns the fraction done.
double step_run();
// After a stop inside a run: step refuses until the next set-up.
void drop_run();

// The steps of the set-up, in their order.
void copy_parameter_blocks(const double* realPar, const int* intPar);
void open_run_log();
// Every field of the run-parameter record, the reference units, the gas and
// the grid counts back to what a fresh process holds (zero), whatever an
// earlier run in this process left: a field that only some cases or paths
// set (the viscous gas parameters and reference viscosity, the wedge's
// angles, what a restart file restores) is then zero unless this run sets
// it. Kept: the parameter blocks and the run log's unit, set just before,
// and the optics log's unit, which belongs to the session. init_common
// follows with the start values.
void reset_run_record();
void read_control_file();
void apply_block_overrides();
void check_mach_number();
void read_controladv_file();
void derive_run_parameters();
void build_base_grid();
// After the initial adaptation: a run whose first time step already needs
// more than max_run_steps steps is refused before it starts.
void check_first_time_step();

// Hook at the start of every run; does nothing.
void init_hook();

// Fraction of the run done.
double run_progress();
// The steps done and those left to the end of the run at the pace dt stay
// within max_run_steps.
bool steps_fit(double dt);

}  // namespace qelta
