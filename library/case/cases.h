// The flow cases: grid names, initial states, boundary types and the hooks
// that act during a run.
#pragma once

namespace qelta {

void set_background_grid();
void set_initial_conditions();
void set_boundary_conditions();
// The type set_boundary_conditions gives boundary edge e: by its midpoint,
// a no-slip wall in viscous runs, the axis in axisymmetric ones (axis_tol
// as from axis_tolerance).
int case_boundary_type(int e, double axis_tol);
// Per-step case hook: the airfoil's energy deposition, and refinement kept
// along no-slip walls.
void useradv_step();
// Marks the cells that the circle's rim passes through and adapts once.
void refine_circle(double x0, double y0, double radius);
// Called after each sweep and after the viscous fluxes; does nothing.
void user_flux_hook();
void energy_source();
void mark_interface();

}  // namespace qelta
