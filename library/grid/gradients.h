// Least-squares gradient reconstruction of the cell values, with mirror
// images across walls, and the minmod limiter along neighbour directions.
#pragma once

#include <algorithm>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace qelta {

// Geometric least-squares matrix of every active cell.
void lsq_matrix();
// Unlimited gradients of r, p, ux, uy (grad) and of the temperature p/r
// (gradt) of every active cell, with the inviscid boundary images.
void lsq_edge_terms();
// The gradients that lsq_edge_terms gives cell c, for that cell alone.
void lsq_cell_gradients(int c);
// The same with the viscous wall images.
void ghost_gradients();
// Limits the stored gradients of every active cell along its neighbour
// directions.
void cell_gradients();
// The same for one cell: across edges 1 and 3, then 4 and 2, each pair only
// when neither of its edges is a boundary edge.
void limit_cell_gradients(int c);
// minmod(D, g): max(0, min(D, g)) for D > 0, else min(0, max(D, g)). Both
// are formed and one is chosen, with the SSE2 minimum and maximum where there
// are (the results of std::min and std::max, NaNs and signed zeros included;
// the compiler does not use them against a constant 0): no branches.
inline double minmod(double D, double g) {
#if defined(__SSE2__)
    __m128d d = _mm_set_sd(D), s = _mm_set_sd(g), zero = _mm_setzero_pd();
    double up = _mm_cvtsd_f64(_mm_max_sd(_mm_min_sd(s, d), zero));
    double down = _mm_cvtsd_f64(_mm_min_sd(_mm_max_sd(s, d), zero));
#else
    double up = std::max(0.0, std::min(D, g)), down = std::min(0.0, std::max(D, g));
#endif
    return D > 0 ? up : down;
}

// Minmod limiter of the gradient (gx, gy) along the unit direction (dx, dy)
// against the one-sided slope D: the component along the direction becomes
// minmod(D, 2f - D), f = g . d; the output may alias the input. Inline: the
// sweeps call it eight times per edge.
inline void limit_gradient(double dx, double dy, double gx, double gy, double D, double& gx_out, double& gy_out) {
    double f = gx * dx + gy * dy;
    double h = minmod(D, 2 * f - D);
    gx_out = gx + dx * (h - f);
    gy_out = gy + dy * (h - f);
}
// Least-squares gradients of the turbulence variables tk, te.
void turb_gradients();

}  // namespace qelta
