// The flow schemes that solve_euler_step runs, by scheme code.
#pragma once

#include "common/array1.h"
#include "flow/sweep.h"

namespace qelta {

using Sweep = void (*)();

// A scheme's sweep for plane and axisymmetric runs. A sweep scheme runs as
// gradients, sweep, case hook, conversion to primitives; a whole-step
// scheme does all of that itself. A sweep that begins with its interior
// edges, before it changes anything, reads the cells as the fit packed
// them (sweep::use_fitted_cells).
struct SchemeEntry {
    Sweep plane;
    Sweep axi;
    bool whole_step;
    bool reads_fitted_cells = false;
};

constexpr int nscheme = 8;

// Whole steps of the schemes whose interior flux is the one of code iflux:
// scheme 7, the two-pass midpoint rule with limited faces and its own
// viscous terms; scheme 8, one first-order pass. sweep_scheme7_old is an
// earlier form of scheme 7 that nothing runs.
void sweep_scheme7();
void sweep_scheme8();
void sweep_scheme7_old();
// Sets the eight grad columns of every active cell to 0 (gradt is kept).
void zero_gradients();

// Codes 5 (the blend) and 6 (deleted) are handled by the dispatch itself; an
// entry without a sweep is a scheme that this build does not have.
inline Array1<SchemeEntry, nscheme> scheme_sweeps = {{
    {sweep_scheme1, sweep_scheme1, false, true},
    {sweep_scheme2, sweep_scheme2_axi, false, true},
    {sweep_scheme3, sweep_scheme3, false},
    {sweep_scheme4, sweep_scheme4, false},
    {},  // 5, the blend
    {},  // 6, deleted
    {sweep_scheme7, sweep_scheme7, true},
    {sweep_scheme8, sweep_scheme8, true},
}};

}  // namespace qelta
