// Set-up and stepping of a run: what the entry points initialize_qelta and
// step do, in their steps.
#pragma once

#include "common/checks.h"

namespace qelta {

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

// The steps of the set-up, in their order.
void copy_parameter_blocks(const double* realPar, const int* intPar);
void open_run_log();
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
