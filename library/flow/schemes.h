// The flow schemes that solve_euler_step runs, by scheme code.
#pragma once

#include "common/array1.h"
#include "flow/sweep.h"

namespace qelta {

using Sweep = void (*)();

// A scheme's sweep for plane and axisymmetric runs. A sweep scheme runs as
// gradients, sweep, case hook, conversion to primitives; a whole-step
// scheme does all of that itself.
struct SchemeEntry {
    Sweep plane;
    Sweep axi;
    bool whole_step;
};

constexpr int nscheme = 8;

// Codes 5 (the blend) and 6 (deleted) are handled by the dispatch itself; an
// entry without a sweep is a scheme that this build does not have.
inline Array1<SchemeEntry, nscheme> scheme_sweeps = {{
    {sweep_scheme1, sweep_scheme1, false},
    {sweep_scheme2, sweep_scheme2_axi, false},
}};

}  // namespace qelta
