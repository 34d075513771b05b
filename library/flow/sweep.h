// The frame that every edge sweep follows: edge geometry, the refinement
// indicator, the half-step predictor, wall-corrected gradients, the hanging
// mother edges, and the cell update with its refine and coarsen marks.
#pragma once

#include "common/run.h"
#include "common/storage.h"
#include "flow/flux.h"
#include "grid/geometry.h"

namespace qelta {

void sweep_scheme1();
void sweep_scheme2();
void sweep_scheme2_axi();
void sweep_first_order_godunov();
// Scheme-2-type sweeps that carry more variables: the turbulence variables
// tk, te of the dormant k-epsilon model, and the partial density rho2 of a
// thermally perfect two-component gas.
void sweep_predictor_k_epsilon();
void sweep_predictor_thermal();

// a when l, else b.
inline double rmerge(double a, double b, bool l) { return l ? a : b; }

namespace sweep {

// An interior edge: cells, midpoint, normal N (length of the edge, from
// left to right), centroid distance d and the unit vector t from the left
// centroid to the right one, and each centroid's offset to the midpoint.
struct InteriorEdge {
    int left, right;
    Vec2 m, N, t, o_left, o_right;
    double d;
    double y_sum;  // y1 + y2, the axisymmetric weight of N
    explicit InteriorEdge(int e);
};

// A boundary edge with its one cell C (iright).
struct BoundaryEdge {
    int cell;
    Vec2 m, N, n_unit, o;
    double y_sum;
    bool wall;  // slip wall, or a no-slip wall in a viscous run
    explicit BoundaryEdge(int e);
};

// Primitive values and their gradients (d/dx, d/dy of r, p, ux, uy).
struct Prim {
    double r, p, u, v;
};
struct Grad {
    double rx, ry, px, py, ux, uy, vx, vy;
};

Prim cell_prim(int c);
Grad cell_grad(int c);
// The value of each primitive at offset o.
Prim extrapolate(const Prim& q, const Grad& g, Vec2 o);

// Half-step predictor of the primitive Euler equations over tau;
// inv_radius = 1/y adds the axisymmetric terms (0 in plane flow).
Prim half_step(const Prim& q, const Grad& g, double tau, double inv_radius, double gamma = run.gam);

// Velocity gradients of cell c corrected at a wall of unit normal n whose
// midpoint lies at offset o: 2 G' - G, where G' extrapolates to zero normal
// velocity at the midpoint.
Grad wall_corrected(int c, const Grad& g, Vec2 n, Vec2 o);

// work(e,1) = max over the two cells of |g_K . t - s| / (|g_K . t| + eps rho_ref / d),
// s = (r_R - r_L)/d: 0 where the cells' density gradients match the centred difference.
void refinement_indicator(int e, const InteriorEdge& g, double rho_ref);

// Flux of a face state through N without a Riemann solver (open boundary);
// `transport` false keeps only the pressure terms (wall).
Flux open_flux(const Prim& f, Vec2 N, double weight, bool transport);

void store_flux(int e, const Flux& F);

// Limits each gradient pair of g along t against the slope of that variable.
Grad limited(const Grad& g, Vec2 t, const Prim& slope);
// Boundary edges as scheme 2 treats them.
void scheme2_boundary_edges(bool axi);
// Boundary edges as scheme 1 treats them (fluxes carrying dt).
void scheme1_boundary_edges();

// Hanging mother edges (sum of the halves' fluxes, larger indicator), then
// the update of every active cell with its marks. Fluxes already carrying dt
// (scheme 1) are divided by the area only.
void finish(bool fluxes_carry_dt, bool axisymmetric);

}  // namespace sweep

}  // namespace qelta
