// Least-squares gradient reconstruction of the cell values, with mirror
// images across walls, and the minmod limiter along neighbour directions.
#pragma once

#include "common/lanes.h"
#include "common/storage.h"
#include "grid/geometry.h"

namespace qelta {

// Primitive values and their gradients (d/dx, d/dy of r, p, ux, uy), of
// one cell (double) or of several in the lanes of a Pair.
template <class T>
struct PrimOf {
    T r, p, u, v;
};
template <class T>
struct GradOf {
    T rx, ry, px, py, ux, uy, vx, vy;
};
using Prim = PrimOf<double>;
using Grad = GradOf<double>;

// Those of cell c in the storage.
inline Prim cell_prim(int c) { return {r(c), p(c), ux(c), uy(c)}; }
inline Grad cell_grad(int c) {
    return {grad(c, 1), grad(c, 2), grad(c, 3), grad(c, 4), grad(c, 5), grad(c, 6), grad(c, 7), grad(c, 8)};
}

// A cell as the flow's whole-grid passes read it, packed by position
// (grid/layout.h): the primitive state, its temperature p/r, the centroid
// and the signal speed on one cache line, the gradients on the next. The
// flow fit (lsq_edge_terms, ghost_gradients) packs the first line and
// fills in the gradients it stores, so that an edge sweep that directly
// follows it need not pack the cells again.
struct alignas(64) FlowCell {
    Prim q;
    double t;
    Vec2 centre;
    double speed;  // wspeed
    Grad g;
};
inline Array1<FlowCell, MAX_CEL> flow_cells;
// Counts the flow fits: flow_cells holds the state and the gradients of the
// last one while nothing else has packed them.
long flow_fits();

// Geometric least-squares matrix of every active cell.
void lsq_matrix();
// Whether the matrices are those of the present grid: no change of it since
// they were computed but the adaptation's (which keeps them up to date), and
// the same boundary types.
bool lsq_matrices_current();
// The matrices of cells(1..n) and of their edge neighbours, after a change of
// the grid that left every other cell with the neighbours it had: the same
// values as lsq_matrix gives them.
void lsq_matrix_around(const CellArray<int>& cells, int n);
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
// minmod(D, g): max(0, min(D, g)) for D > 0, else min(0, max(D, g)), in
// each lane. Both are formed and one is chosen, without branches: the SSE2
// minimum and maximum choose as std::min(D, g) = g < D ? g : D,
// std::max(0.0, x) = 0 < x ? x : 0 and so on do (NaNs and signed zeros
// included), and the selection goes by the mask of D > 0.
inline Pair minmod(Pair D, Pair g) {
#if defined(__SSE2__)
    __m128d zero = _mm_setzero_pd();
    __m128d up = _mm_max_pd(_mm_min_pd(g, D), zero), down = _mm_min_pd(_mm_max_pd(g, D), zero);
    __m128d positive = _mm_cmpgt_pd(D, zero);
    return _mm_or_pd(_mm_and_pd(positive, up), _mm_andnot_pd(positive, down));
#else
    Pair zero{};
    Pair lo = g < D ? g : D, hi = D < g ? g : D;
    Pair up = zero < lo ? lo : zero, down = hi < zero ? hi : zero;
    return D > zero ? up : down;
#endif
}
inline Pair minmod(double D, Pair g) { return minmod(both(D), g); }
// The same choices, lane by lane, in four lanes.
inline Quad minmod(Quad D, Quad g) {
    const Quad zero{};
    return select(D > zero, lane_max(zero, lane_min(D, g)), lane_min(zero, lane_max(D, g)));
}
inline double minmod(double D, double g) { return minmod(both(D), both(g))[0]; }

// Minmod limiter of the gradient (gx, gy) along the unit direction (dx, dy)
// against the one-sided slope D: the component along the direction becomes
// minmod(D, 2f - D), f = g . d; the output may alias the input. For a Pair
// of gradients, two against the same direction and slope (S = double) or
// each against its own (S = Pair); for a Quad, four against their own (S =
// Quad). Inline: the sweeps call it eight times per edge.
template <class T, class S>
inline void limit_gradient(S dx, S dy, T gx, T gy, S D, T& gx_out, T& gy_out) {
    T f = gx * dx + gy * dy;
    T h = minmod(D, 2 * f - D);
    gx_out = gx + dx * (h - f);
    gy_out = gy + dy * (h - f);
}
// Least-squares gradients of the turbulence variables tk, te.
void turb_gradients();

}  // namespace qelta
