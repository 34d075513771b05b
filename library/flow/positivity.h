// The positivity fallback of a time step. Where a scheme leaves a cell with
// a non-positive or non-finite density or pressure that the averaging
// repair (fix_negative_cells) cannot mend, the cells in trouble are
// advanced again from the start state of the step with first-order Rusanov
// fluxes, in sub-steps short enough to keep them positive, and their edge
// neighbours take the difference between the new fluxes and the scheme's;
// the set widens by the neighbours that this leaves non-positive. A run
// whose repair succeeds, or that needs no repair, is not touched.
//
// What it reads: the start state of the step (taken by keep_start_* only
// in a step that looks suspect), the state after the scheme's update, and,
// through a SchemeFlux, the flux per unit time through each edge of the
// cells in trouble as the scheme's cell update used it.
#pragma once

namespace qelta::positivity {

// A cheap test of the conservative columns just after a scheme's update:
// true when some active cell may hold a non-positive or non-finite density
// or pressure (a few borderline cells that are positive test true too).
bool suspect();

// The start state of the step, from the primitive columns (which still
// hold it when the scheme's update has changed the conservative ones) or
// from the conservative columns.
void keep_start_from_primitives();
void keep_start_from_conservative();

// Flux of conservative variable k (mass, energy, x, y momentum) through
// edge e per unit time, left to right, as the scheme's update used it.
using SchemeFlux = double (*)(int e, int k);

// After the conversion to primitives: where cells are non-positive and the
// repair cannot mend them, the fallback above; then the conversion again.
// Logs "Positivity fallback" with the step, the cells advanced again and
// the passes, or "Positivity fallback failed" when the cells stay
// non-positive (the state is then left as the scheme left it).
void mend(SchemeFlux flux);

// The last resort of the repair where averaging cannot mend the state (as
// after an adaptation, when no start state is at hand): round each
// non-positive cell the smallest region of whole rings of neighbours (at
// most eight) whose mean is positive, and every cell of the region moved
// towards that mean by the least share that lifts them all to a thousandth
// of its density and pressure; conservative. Logs "Positivity lift" with
// the step, the cell, the region's cells and the share kept. False when a
// cell has no such region (a non-finite state), after "Positivity lift
// failed" with the step, the cell and the cells of the last region.
bool lift_to_local_means();

}  // namespace qelta::positivity
