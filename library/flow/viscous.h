// Viscous and heat-conduction terms of the Navier-Stokes equations.
//
// Stokes' stresses with the hoop term h = v/y of axisymmetric flow,
//   txx = (2/3) mu (2 u_x - v_y - h), tyy = (2/3) mu (2 v_y - u_x - h), txy = mu (u_y + v_x),
// Fourier's heat flux -kappa grad T, Sutherland's laws for mu(T) and kappa(T).
// The face fluxes below are the viscous part of the flux through a whole
// edge, counted like the inviscid one (positive from ileft to iright), so
// that a sweep adds them to its inviscid flux: energy -((u.tau + kappa grad T) . S)/Re,
// momentum -(tau . S)/Re, mass 0.
#pragma once

#include "flow/flux.h"
#include "grid/geometry.h"

namespace qelta {

// Viscous fluxes of all edges and the viscous update of the energy and
// momentum of every active cell over dt (after ghost_gradients).
void viscous_flux();
// End weights wallratio on the side edges of cells at no-slip walls, so that
// the adaptation splits them towards the wall.
void wall_edge_factors();

// Dormant k-epsilon model (nothing calls it): dissipation bounds, clamping
// of tk and te, and the viscous sweep with eddy viscosity.
void turb_inflow();
void turb_bound();
void turb_source();

// The dormant model's constant block: bounds of k (per unit mass), the
// largest eddy-viscosity ratio mu_t/mu, and the dissipation bounds that
// turb_inflow derives from them.
struct KEpsilonBounds {
    double tk_min, tk_max, ratio_max;
    double te_low, te_high;  // eps at ratio 0.1 with tk_min, at ratio_max with tk_max
};
const KEpsilonBounds& k_epsilon_bounds();

namespace viscous {

// The factor 2/3 of the normal stresses, in single precision.
inline constexpr double two_thirds = static_cast<double>(2.0f / 3.0f);

// Temperature range of the material laws.
double clamp_temperature(double t);

// Transport parameters of the non-dimensional equations.
struct Transport {
    double reyn, prand, sut_mu, sut_k, gam, gam1;
    // mu = (1 + S_mu) T^1.5/(T + S_mu), T clamped to [0.05, 200] (1 at T = 1).
    double mu(double t) const;
    // kappa = (1 + S_k) T^1.5/(T + S_k) gam/(gam1 Pr), T clamped likewise.
    double kappa(double t) const;
};
// The parameters of the current run.
Transport run_transport();

// Velocity (u, v) and temperature t with their gradients, at a cell
// centroid or at a face.
struct State {
    double u, v, t;
    Vec2 gu, gv, gt;
};

// Face vector of the edge from p1 to p2: (y2 - y1, x1 - x2), times 2 y_m
// (y_m = (y1 + y2)/2) in axisymmetric flow.
Vec2 face_vector(Vec2 p1, Vec2 p2, bool axisymmetric);

// Flux of the stresses and the heat flux of face state f through S, with
// the transport coefficients mu, kappa and the hoop strain h (v/y, 0 in
// plane flow).
Flux stress_flux(const State& f, Vec2 S, double mu, double kappa, double h, double reyn);

// The gradient g of a quantity q at a cell centre reflected about the one
// that reaches the wall value `target` at the face offset o:
// G' = G + 2 lambda o, lambda = -((q - target) + G . o)/|o|^2.
Vec2 reflected_gradient(Vec2 g, double q, double target, Vec2 o);

// Face gradient of a quantity q between two cells with values ql, qr and
// gradients gl, gr, their centroids D apart along the unit vector n:
// Gf = gm + ((qr - ql)/D - gm . n) n, gm = (gl + gr)/2.
Vec2 face_gradient(Vec2 gl, double ql, Vec2 gr, double qr, Vec2 n, double D);
// Face state at the midpoint m of the edge between the cells left (centroid
// cl) and right (centroid cr): face gradients, values extrapolated from the
// right cell.
State interior_face_state(const State& left, Vec2 cl, const State& right, Vec2 cr, Vec2 m);

// Interior face between the cells left (centroid cl) and right (centroid cr)
// on the edge p1 -> p2: mean gradients corrected along the centroid line to
// the difference quotient, face values extrapolated from the right cell,
// mu and kappa at the face temperature.
Flux interior_face_flux(const State& left, Vec2 cl, const State& right, Vec2 cr, Vec2 p1, Vec2 p2,
                        bool axisymmetric, const Transport& tr);

// No-slip wall face (type 3 isothermal at twall, type 4 adiabatic) of a cell
// with state c, temperature p/r `t_pr` and centroid offset o = midpoint -
// centroid: velocity gradients reflected about the ones that give zero
// velocity at the midpoint, G' = G - 2 (q + G . o) o/|o|^2; type 3 treats the
// temperature gradient the same way towards twall and conducts heat, type 4
// takes mu at the extrapolated temperature and conducts none. The wall does
// no work; h is the hoop strain used in the stresses (0 with the wall
// velocity zero).
Flux wall_face_flux(const State& c, double t_pr, Vec2 o, Vec2 S, int type, double twall, double h, const Transport& tr);

}  // namespace viscous

// Cell c's ux, uy, tem with the gradients grad(c,5..8) and gradt(c,1..2).
viscous::State viscous_cell_state(int c);
// Viscous flux of the interior edge e from the stored state and gradients.
Flux viscous_face_flux(int e);
// Viscous flux of the no-slip wall edge e (type 3 or 4). In axisymmetric
// flow the hoop strain is 0 (wall velocity), or with hoop_from_face_velocity
// v_f/y_m from the cell's y velocity extrapolated to the midpoint.
Flux viscous_wall_flux(int e, bool hoop_from_face_velocity = false);
// Viscous fluxes (columns 2 to 4 of edgflux) of the hanging mother edges:
// the sums of their halves.
void viscous_hanging_edges();
// The viscous update of cell c over dt: the balance of columns 2 to 4 of
// edgflux over its edges, and in axisymmetric runs the hoop stress of the
// viscosity mu.
void viscous_cell_update(int c, double mu);
// Hoop stress of axisymmetric flow on the radial momentum of cell c, per
// unit of the cell update dt/area: -G tau_theta_theta/Re with G twice the
// plane area and tau_theta_theta = 2/3 mu (2 v/y - u_x - v_y) from the cell's
// values and gradients; mu is the cell's viscosity.
double viscous_hoop_source(int c, double mu);

}  // namespace qelta
