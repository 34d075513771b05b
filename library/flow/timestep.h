// One explicit time step: step size, viscous terms, the chosen scheme, the
// repair of non-positive cells and the grid adaptation.
#pragma once

#include "common/storage.h"

namespace qelta {

void timestep();
// Its two halves: the step size and the flow (viscous chain, scheme,
// repair), then the case hook and the grid adaptation with the repair of
// the adapted state.
void flow_step();
void adaptation_step();
// Sets dt from the convective (and, for viscous runs, viscous) limit of
// every active cell, and the signal speed wspeed.
void get_dt();
// One step of the scheme ischeme.
void solve_euler_step();
// The same; with `mend`, the positivity fallback acts on what scheme 2 (the
// blend's inner steps run without it) leaves non-positive.
void scheme_step(bool mend);
void viscous_terms();
// Scheme 5: the first scheme, and where it leaves a non-positive pressure or
// density, the blend of the first and second schemes' results that keeps
// the affected cells most positive.
void hybrid_step(int first, int second);
// Averages every cell with a non-positive pressure or density with its
// edge neighbours until none is left.
void fix_negative_cells();
// Whether fix_negative_cells would mend the present state within its
// passes: the same passes on a copy, with no records; the state is left as
// it was.
bool repair_would_mend();
// Smallest pressure and density over the active cells, with warnings.
void check_negative(double& pmin, double& rmin);
// Primitive columns of every active cell from its conservative ones.
void cons_to_prim();
// The same for cells(1..n) alone.
void cons_to_prim_of(const CellArray<int>& cells, int n);

// cfl times the smallest edge crossing time of the exact Riemann face
// states (a time-step estimate; the run uses get_dt).
double riemann_dt();

// Passes of fix_negative_cells before it gives up with the fatal stop.
constexpr int max_repair_passes = 50;

}  // namespace qelta
