// Force histories of the sphere-drag and airfoil cases ("draghis.dat").
#pragma once

#include "grid/geometry.h"

namespace qelta {

// Forces of the flow on the body (pressure and viscous, x and y) and the
// heat flux into the wall. In axisymmetric runs every edge is weighted with
// y1 + y2, so the sums are the integrated forces divided by pi.
struct WallForce {
    double fpx, fpy;  // pressure force
    double fvx, fvy;  // viscous force (0 in inviscid runs and at slip walls)
    double q;         // heat flux into an isothermal wall (0 elsewhere)
};

// Sutherland's law of the non-dimensional viscosity or conductivity at a
// wall, S its constant over t_ref: (1 + S) Tc^1.5/(T + S), Tc = max(T, 0.001).
double sutherland_law(double t, double s);

// Slip walls, isothermal no-slip walls and no-slip walls are the body.
bool is_wall_type(int ibtype);
// +1 when boundary edge e runs counterclockwise round the centre of its
// cell ileft(e), else -1 (a centre on the edge's line counts as -1).
double edge_orientation(int e);
// One wall edge, from the state, gradients and centre of its cell.
WallForce wall_forces(int e);
// The normal of wall edge e pointing out of its cell into the body, as long
// as the edge (times y1 + y2 in axisymmetric runs).
Vec2 wall_normal(int e);
// Sum over the wall edges of list_bedge, from the gradients as stored.
WallForce sum_wall_forces();

// Recorder modes: 0 open the file and write its header, 1 write a row when
// due, 2 close. Modes 1 and 2 do nothing while the file is closed.
void record_drag(int mode);
void record_lift_drag(int mode);

// A row is due when nstep is a multiple of 2^lmax (lmax taken in 0..30).
bool row_due();

}  // namespace qelta
