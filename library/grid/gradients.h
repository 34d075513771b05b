// Least-squares gradient reconstruction of the cell values, with mirror
// images across walls, and the minmod limiter along neighbour directions.
#pragma once

namespace qelta {

// Geometric least-squares matrix of every active cell.
void lsq_matrix();
// Unlimited gradients of r, p, ux, uy (grad) and of the temperature p/r
// (gradt) of every active cell, with the inviscid boundary images.
void lsq_edge_terms();
// The same with the viscous wall images.
void ghost_gradients();
// Limits the stored gradients of every active cell along its neighbour
// directions.
void cell_gradients();
// The same for one cell: across edges 1 and 3, then 4 and 2, each pair only
// when neither of its edges is a boundary edge.
void limit_cell_gradients(int c);
// Minmod limiter of the gradient (gx, gy) along the unit direction (dx, dy)
// against the one-sided slope D: the component along the direction becomes
// minmod(D, 2f - D), f = g . d; the output may alias the input.
void limit_gradient(double dx, double dy, double gx, double gy, double D, double& gx_out, double& gy_out);
// Least-squares gradients of the turbulence variables tk, te.
void turb_gradients();

}  // namespace qelta
