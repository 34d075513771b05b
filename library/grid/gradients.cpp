// Least-squares gradients over the four edge neighbours of a cell: with the
// offsets d_k to the neighbours (or to the mirror images across walls) and the
// differences dq_k, g minimises sum (g . d_k - dq_k)^2, so that
//   [A B; B C] g = (sum dq dx, sum dq dy),  A = sum dx^2, B = sum dx dy, C = sum dy^2.
// Every product d dq is formed once per edge and shared by the two cells of
// the edge; a coarse cell sees each fine neighbour across a hanging edge with
// weight one half (the mean of the halves' products). The passes run on the
// grid's loop order (grid/layout.h): the values and centroids packed by
// position, the products by slot.
#include "grid/gradients.h"

#include <algorithm>

#include "common/array1.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/layout.h"

namespace qelta {

namespace {

// Variables of a fit: the flow fit has r, p, ux, uy and the temperature, the
// turbulence fit tk and te. Variable v owns the product and gradient columns
// 2v - 1 (x) and 2v (y).
constexpr int nflow = 5;
constexpr int nturb = 2;
constexpr int nflow_limited = 4;  // r, p, ux, uy: the pairs of grad
constexpr int var_r = 1, var_p = 2, var_ux = 3, var_uy = 4, var_t = 5;
constexpr int max_var = nflow;
using Values = Array1<double, max_var>;

constexpr int nflux_products = 4;  // the r and p products live in edgflux, the rest in edgrhs
constexpr int ngrad = 8;           // the r, p, ux, uy columns of grad; the temperature's are gradt

Vec2 unit(Vec2 a) { return (1 / norm(a)) * a; }
Vec2 centroid(int c) { return {xc(c), yc(c)}; }

// T = p / r
double temperature(double rho, double pres) { return pres / rho; }

Values flow_values(int c) { return Values{{r(c), p(c), ux(c), uy(c), temperature(r(c), p(c))}}; }
Values turb_values(int c) { return Values{{tk(c), te(c)}}; }
Values no_values(int) { return Values{}; }

double& flow_product(int e, int k) { return k <= nflux_products ? edgflux(e, k) : edgrhs(e, k - nflux_products); }
double& turb_product(int e, int k) { return edgrhs(e, k); }
double& flow_gradient(int c, int k) { return k <= ngrad ? grad(c, k) : gradt(c, k - ngrad); }
double& turb_gradient(int c, int k) { return gradturb(c, k); }

// One set of variables fitted together: their cell values, the per-edge
// product columns (kept for the boundary edges, whose images they show) and
// the per-cell gradient columns. The flow fit packs its cells into
// flow_cells, with the gradients it gives them; the others into fit_cells.
// The count of variables is a constant of each fit, so that its loops over
// them unroll.
template <int N, bool Flow>
struct FitOf {
    static constexpr int nvar = N;
    static constexpr bool flow = Flow;
    Values (*values)(int c);
    double& (*product)(int e, int k);
    double& (*gradient)(int c, int k);
};

constexpr FitOf<nflow, true> flow_fit{flow_values, flow_product, flow_gradient};
constexpr FitOf<nturb, false> turb_fit{turb_values, turb_product, turb_gradient};

// ---- Packed copies ----

// The fitted values and the centroid of every position.
struct FitCell {
    Values q;
    Vec2 centre;
};
Array1<FitCell, MAX_CEL> fit_cells;
// The products of every slot, columns 2v - 1 and 2v for variable v (the
// geometric products dx^2, dx dy, dy^2 in columns 1 to 3 for lsq_matrix).
constexpr int max_col = 2 * max_var;
Array2<double, max_col, MAX_EDG> slot_products;
// The products of one edge, or their sums over a cell's edges.
using Products = Array1<double, max_col>;

long flow_fit_count = 0;

void pack_cells(Values (*values)(int c)) {
    layout::refresh();
    layout::each_cell_and_position([values](int c, int i) { fit_cells(i) = {values(c), centroid(c)}; });
}

template <class Fit>
void pack_cells(const Fit& fit) {
    if constexpr (Fit::flow) {
        ++flow_fit_count;
        layout::refresh();
        layout::each_cell_and_position(
            [](int c, int i) {
                FlowCell& a = flow_cells(i);
                a.q = cell_prim(c);
                a.t = temperature(r(c), p(c));
                a.centre = centroid(c);
                a.speed = wspeed(c);
            },
            [](int i) { __builtin_prefetch(&flow_cells(i), 1); });
    } else {
        pack_cells(fit.values);
    }
}

// The fitted values and the centroid of position i.
template <class Fit>
Values packed_values(int i) {
    if constexpr (Fit::flow) {
        const FlowCell& a = flow_cells(i);
        return Values{{a.q.r, a.q.p, a.q.u, a.q.v, a.t}};
    } else {
        return fit_cells(i).q;
    }
}
template <bool Flow>
Vec2 packed_centre(int i) {
    if constexpr (Flow)
        return flow_cells(i).centre;
    else
        return fit_cells(i).centre;
}

// Interior slot j: d = centroid(iright) - centroid(ileft).
template <bool Flow>
Vec2 slot_offset(int j) {
    return packed_centre<Flow>(layout::right_position(j)) - packed_centre<Flow>(layout::left_position(j));
}

// Mean of the two halves' columns 1..ncol on every hanging slot.
void average_hanging_slots(int ncol) {
    for (int j = layout::last_boundary_slot() + 1; j <= layout::last_slot(); ++j) {
        int h1 = layout::half_slot(j, 1), h2 = layout::half_slot(j, 2);
        for (int k = 1; k <= ncol; ++k) slot_products(k, j) = 0.5 * (slot_products(k, h1) + slot_products(k, h2));
    }
}

// Sums of columns 1..ncol over the four edges of position i.
void sum_cell_slots(int i, int ncol, Products& s) {
    for (int k = 1; k <= 4; ++k) {
        int j = layout::position_slots(k, i);
        for (int col = 1; col <= ncol; ++col) s(col) += slot_products(col, j);
    }
}

// ---- Edge offsets ----

// Boundary edge: d = 2 (C - F), from the mirror image of the centroid C of
// the edge's cell across the edge line to C; F is the foot of C on the line.
Vec2 mirror_offset(int e) {
    Vec2 s = edge_start(e);
    Vec2 t = unit(edge_end(e) - s);
    Vec2 c = centroid(iright(e));
    Vec2 foot = s + dot(c - s, t) * t;
    return 2.0 * (c - foot);
}

// Unit normal of an edge, pointing from ileft to iright.
Vec2 unit_normal(int e) {
    Vec2 s = edge_start(e), t = edge_end(e);
    return unit(Vec2{t.y - s.y, s.x - t.x});
}

// ---- Least-squares matrix ----

void store_geometry(int j, Vec2 d) {
    slot_products(1, j) = d.x * d.x;
    slot_products(2, j) = d.x * d.y;
    slot_products(3, j) = d.y * d.y;
}

// ---- Boundary images ----

// Ghost state behind a boundary edge.
enum class Image {
    none,        // ghost = cell state
    reflect,     // velocity mirrored at the edge line: u' = u - 2 (u . n) n
    no_slip,     // u' = -u (zero velocity on the wall)
    isothermal,  // no-slip, and r' = 2 p / twall - r, T' = 2 twall - T
};

Image inviscid_image(int type) {
    using namespace boundary;
    if (type == slip_wall) return Image::reflect;
    if (run.ns == 1 && no_slip(type)) return Image::reflect;
    if (run.iaxis == 1 && type == symmetry_axis) return Image::reflect;
    return Image::none;
}

Image viscous_image(int type) {
    using namespace boundary;
    if (type == slip_wall) return Image::reflect;
    if (run.iaxis == 1 && type == symmetry_axis) return Image::reflect;
    if (run.ns == 1 && type == isothermal_wall) return Image::isothermal;
    if (run.ns == 1 && type == no_slip_wall) return Image::no_slip;
    return Image::none;
}

// Cell value minus ghost value of every flow variable at a boundary edge.
Values image_differences(int e, Image image) {
    Values dq{};
    if (image == Image::none) return dq;
    int c = iright(e);
    Vec2 u{ux(c), uy(c)};
    Vec2 du = 2.0 * u;  // u - (-u)
    if (image == Image::reflect) {
        Vec2 n = unit_normal(e);
        du = (2 * dot(u, n)) * n;
    }
    dq(var_p) = 0;  // every image keeps the cell's pressure
    dq(var_ux) = du.x;
    dq(var_uy) = du.y;
    if (image == Image::isothermal) {
        double tw = run.twall;
        dq(var_r) = 2 * (r(c) - p(c) / tw);
        dq(var_t) = 2 * (temperature(r(c), p(c)) - tw);
    }
    return dq;
}

Values inviscid_differences(int e) { return image_differences(e, inviscid_image(ibtype(e))); }
Values viscous_differences(int e) { return image_differences(e, viscous_image(ibtype(e))); }
Values zero_differences(int) { return Values{}; }

// ---- The fit, steps 1 to 4 ----

// The products dq_v d of one edge, columns 2v - 1 (x) and 2v (y).
Products edge_products(int nvar, Vec2 d, const Values& dq) {
    Products P{};
    for (int v = 1; v <= nvar; ++v) {
        P(2 * v - 1) = dq(v) * d.x;
        P(2 * v) = dq(v) * d.y;
    }
    return P;
}

// Differences q(iright) - q(ileft) of an interior edge.
Values differences(int nvar, const Values& left, const Values& right) {
    Values dq{};
    for (int v = 1; v <= nvar; ++v) dq(v) = right(v) - left(v);
    return dq;
}

void store_products(int j, int ncol, const Products& P) {
    for (int col = 1; col <= ncol; ++col) slot_products(col, j) = P(col);
}

// Step 1: boundary edges, differences from the ghost images; the products
// also stay in the edge's product columns.
template <class Fit>
void boundary_products(const Fit& fit, Values (*images)(int e)) {
    for (int j = layout::first_boundary_slot(); j <= layout::last_boundary_slot(); ++j) {
        int e = layout::slot_edge(j);
        Products P = edge_products(fit.nvar, mirror_offset(e), images(e));
        store_products(j, 2 * fit.nvar, P);
        for (int col = 1; col <= 2 * fit.nvar; ++col) fit.product(e, col) = P(col);
    }
}

// Step 2: interior edges, differences q(iright) - q(ileft).
template <class Fit>
void interior_products(const Fit& fit) {
    // Slots follow their left cells; the right ones lie further apart on a
    // fine grid and are fetched ahead.
    const int n = layout::counts.interior, ahead = layout::prefetch_ahead;
    for (int j = 1; j <= n; ++j) {
        if constexpr (Fit::flow)
            if (j + ahead <= n) __builtin_prefetch(&flow_cells(layout::right_position(j + ahead)));
        Values left = packed_values<Fit>(layout::left_position(j));
        Values right = packed_values<Fit>(layout::right_position(j));
        store_products(j, 2 * fit.nvar,
                       edge_products(fit.nvar, slot_offset<Fit::flow>(j), differences(fit.nvar, left, right)));
    }
}

// Step 3: hanging mother edges, the mean of their halves.
template <class Fit>
void hanging_products(const Fit& fit) { average_hanging_slots(2 * fit.nvar); }

// A cell whose edge offsets span only one direction (three open-boundary
// edges, say) has det = A C - B^2 = 0 up to round-off; it gets no gradient.
bool lsq_solvable(double a, double c, double det) { return det > 1e-12 * a * c; }

// Step 4: g = ((C Sx - B Sy)/det, (A Sy - B Sx)/det) of cell c from the
// sums s of its edges' products, stored; and returned.
template <class Fit>
Products solve_cell(const Fit& fit, int c, const Products& s) {
    double a = lsqm(c, 1), b = lsqm(c, 2), cc = lsqm(c, 3), det = lsqm(c, 4);
    bool solvable = lsq_solvable(a, cc, det);
    Products g{};
    for (int v = 1; v <= fit.nvar; ++v) {
        double sx = s(2 * v - 1), sy = s(2 * v);
        // Both components in one division.
        Pair gv = Pair{cc * sx - b * sy, a * sy - b * sx} / det;
        g(2 * v - 1) = solvable ? gv[0] : 0;
        g(2 * v) = solvable ? gv[1] : 0;
    }
    for (int col = 1; col <= 2 * fit.nvar; ++col) fit.gradient(c, col) = g(col);
    return g;
}

// The flow fit's gradients g of position i, packed.
void pack_gradients(int i, const Products& g) {
    flow_cells(i).g = {g(1), g(2), g(3), g(4), g(5), g(6), g(7), g(8)};
}

// The sums of every position's products, formed in position order (the
// slots of neighbouring positions lie together); the cells are then solved
// in number order (at once where positions are in number order).
Array1<Products, MAX_CEL> position_sums;

template <class Fit>
void solve_cells(const Fit& fit) {
    if (layout::positions_are_numbers()) {
        for (int i = 1; i <= grid.ncell; ++i) {
            Products s{};
            sum_cell_slots(i, 2 * fit.nvar, s);
            Products g = solve_cell(fit, layout::number_cell(i), s);
            if constexpr (Fit::flow) pack_gradients(i, g);
        }
        return;
    }
    // A position's slots where it is the right cell lie far from it: they
    // are fetched ahead.
    const int n = grid.ncell, ahead = layout::prefetch_ahead;
    for (int i = 1; i <= n; ++i) {
        if (i + ahead <= n)
            for (int k = 1; k <= 4; ++k) __builtin_prefetch(&slot_products(1, layout::position_slots(k, i + ahead)));
        Products& s = position_sums(i);
        for (int col = 1; col <= 2 * fit.nvar; ++col) s(col) = 0;
        sum_cell_slots(i, 2 * fit.nvar, s);
    }
    // The gradients go back into the sums' place (in the cache as they are
    // read), and from there to the packed cells in position order.
    for (int i = 1; i <= n; ++i) {
        if (i + ahead <= n) __builtin_prefetch(&position_sums(layout::number_position(i + ahead)), 1);
        Products& s = position_sums(layout::number_position(i));
        s = solve_cell(fit, layout::number_cell(i), s);
    }
    if constexpr (Fit::flow)
        for (int i = 1; i <= grid.ncell; ++i) pack_gradients(i, position_sums(i));
}

template <class Fit>
void fit_gradients(const Fit& fit, Values (*images)(int e)) {
    pack_cells(fit);
    boundary_products(fit, images);
    interior_products(fit);
    hanging_products(fit);
    solve_cells(fit);
}

// Step 5: at an open boundary edge e its cell keeps only the tangential part
// of each gradient, g := (g . t) t; a cell with two such edges is projected
// twice, in the order of list_bedge.
bool open_edge(int e) { return lbedge(e) && ibtype(e) == boundary::open_boundary; }

void project_open_edge(int e) {
    int c = iright(e);
    Vec2 t = unit(edge_start(e) - edge_end(e));
    for (int v = 1; v <= nflow_limited; ++v) {
        double& gx = grad(c, 2 * v - 1);
        double& gy = grad(c, 2 * v);
        double along = gx * t.x + gy * t.y;
        gx = along * t.x;
        gy = along * t.y;
    }
}

// After the whole-grid flow fit, whose packed gradients follow.
void project_open_boundaries() {
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (!open_edge(e)) continue;
        project_open_edge(e);
        int c = iright(e);
        flow_cells(layout::cell_position(c)).g = cell_grad(c);
    }
}

// ---- The fit of one cell ----

// The products of an interior edge from the storage.
template <class Fit>
Products stored_products(const Fit& fit, int e) {
    int L = ileft(e), R = iright(e);
    return edge_products(fit.nvar, centroid(R) - centroid(L), differences(fit.nvar, fit.values(L), fit.values(R)));
}

// The products of edge e of an active cell: its image at the boundary, the
// mean of its halves where it hangs.
template <class Fit>
Products cell_edge_products(const Fit& fit, Values (*images)(int e), int e) {
    if (lbedge(e)) return edge_products(fit.nvar, mirror_offset(e), images(e));
    if (!lsplit(e)) return stored_products(fit, e);
    Products h1 = stored_products(fit, isubedge(e, 1)), h2 = stored_products(fit, isubedge(e, 2));
    Products P{};
    for (int col = 1; col <= 2 * fit.nvar; ++col) P(col) = 0.5 * (h1(col) + h2(col));
    return P;
}

// Open edges of cell c in the order of list_bedge (their slots).
int open_edges_in_list_order(int c, int edges[4]) {
    int n = 0;
    for (int k = 1; k <= 4; ++k) {
        int e = icedge(c, k);
        if (!open_edge(e)) continue;
        int at = n++;
        for (; at > 0 && layout::edge_slot(edges[at - 1]) > layout::edge_slot(e); --at) edges[at] = edges[at - 1];
        edges[at] = e;
    }
    return n;
}

// ---- Limiting along neighbour directions ----

// Neighbour of c across its edge k; across a split edge, the cell on its
// first half.
int neighbour_across(int c, int k) {
    int e = icedge(c, k);
    if (lsplit(e)) e = isubedge(e, 1);
    return far_side(e, k);
}

// Limits the gradient pairs of r, p, ux, uy of c in place against the slopes
// D = (q(n) - q(c)) / L towards the neighbour n across edge k.
void limit_across(int c, int k) {
    int n = neighbour_across(c, k);
    Vec2 d = centroid(n) - centroid(c);
    double len = norm(d);
    if (!(len > 0)) return;  // coincident centroids: no slope to limit against
    Vec2 u = (1 / len) * d;
    Values qc = flow_values(c), qn = flow_values(n);
    for (int v = 1; v <= nflow_limited; ++v) {
        double& gx = grad(c, 2 * v - 1);
        double& gy = grad(c, 2 * v);
        limit_gradient(u.x, u.y, gx, gy, (qn(v) - qc(v)) / len, gx, gy);
    }
}

// ---- The matrices of some cells ----

// The offset of a boundary edge in the matrices: none at open boundaries.
Vec2 matrix_offset(int e) { return ibtype(e) == boundary::open_boundary ? Vec2{0, 0} : mirror_offset(e); }

// The geometric products dx^2, dx dy, dy^2 of edge e of an active cell, as
// lsq_matrix forms them by slot: a hanging edge takes the mean of its halves.
struct Geometry {
    double xx, xy, yy;
};

Geometry edge_geometry(int e) {
    if (lsplit(e)) {
        Geometry h1 = edge_geometry(isubedge(e, 1)), h2 = edge_geometry(isubedge(e, 2));
        return {0.5 * (h1.xx + h2.xx), 0.5 * (h1.xy + h2.xy), 0.5 * (h1.yy + h2.yy)};
    }
    Vec2 d = lbedge(e) ? matrix_offset(e) : centroid(iright(e)) - centroid(ileft(e));
    return {d.x * d.x, d.x * d.y, d.y * d.y};
}

void store_matrix(int c, double a, double b, double cc) {
    lsqm(c, 1) = a;
    lsqm(c, 2) = b;
    lsqm(c, 3) = cc;
    lsqm(c, 4) = a * cc - b * b;
}

void cell_matrix(int c) {
    double a = 0, b = 0, cc = 0;
    for (int k = 1; k <= 4; ++k) {
        Geometry g = edge_geometry(icedge(c, k));
        a += g.xx;
        b += g.xy;
        cc += g.yy;
    }
    store_matrix(c, a, b, cc);
}

// The grid the matrices were computed for: the count of its changes and the
// types of its boundary edges.
long matrix_generation = -1;
EdgeArray<int> matrix_boundary_type;

void remember_matrix_grid() {
    matrix_generation = layout::generation();
    for (int i = 1; i <= grid.nbedge; ++i) matrix_boundary_type(list_bedge(i)) = ibtype(list_bedge(i));
}

// Cells already recomputed by the present call of lsq_matrix_around.
CellArray<int> matrix_call;
int matrix_calls = 0;

void renew_matrix(int c) {
    if (matrix_call(c) == matrix_calls) return;
    matrix_call(c) = matrix_calls;
    cell_matrix(c);
}

}  // namespace

long flow_fits() { return flow_fit_count; }

bool lsq_matrices_current() {
    if (matrix_generation != layout::generation()) return false;
    for (int i = 1; i <= grid.nbedge; ++i)
        if (matrix_boundary_type(list_bedge(i)) != ibtype(list_bedge(i))) return false;
    return true;
}

void lsq_matrix_around(const CellArray<int>& cells, int n) {
    ++matrix_calls;
    for (int i = 1; i <= n; ++i) {
        int c = cells(i);
        renew_matrix(c);
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            if (lbedge(e)) continue;
            if (lsplit(e)) {
                renew_matrix(far_side(isubedge(e, 1), k));
                renew_matrix(far_side(isubedge(e, 2), k));
            } else {
                renew_matrix(far_side(e, k));
            }
        }
    }
    remember_matrix_grid();
}

// A, B, C = sums of dx^2, dx dy, dy^2 over the cell's edges (mirror offsets
// at walls, none at open boundaries); lsqm(,4) = A C - B^2.
void lsq_matrix() {
    pack_cells(no_values);
    for (int j = layout::first_boundary_slot(); j <= layout::last_boundary_slot(); ++j)
        store_geometry(j, matrix_offset(layout::slot_edge(j)));
    for (int j = 1; j <= layout::counts.interior; ++j) store_geometry(j, slot_offset<false>(j));
    average_hanging_slots(3);
    layout::each_cell_and_position([](int c, int i) {
        Products s{};
        sum_cell_slots(i, 3, s);
        store_matrix(c, s(1), s(2), s(3));
    });
    remember_matrix_grid();
}

// Inviscid images: r, p, T ghosts equal the cell's; velocity reflected at
// slip walls, at walls of viscous runs and on the axis of axisymmetric runs.
void lsq_edge_terms() {
    fit_gradients(flow_fit, inviscid_differences);
    project_open_boundaries();
}

// The same steps for one cell, its edges' products formed afresh.
void lsq_cell_gradients(int c) {
    layout::refresh();
    Products s{};
    for (int k = 1; k <= 4; ++k) {
        Products P = cell_edge_products(flow_fit, inviscid_differences, icedge(c, k));
        for (int col = 1; col <= 2 * flow_fit.nvar; ++col) s(col) += P(col);
    }
    solve_cell(flow_fit, c, s);
    int edges[4];
    int n = open_edges_in_list_order(c, edges);
    for (int i = 0; i < n; ++i) project_open_edge(edges[i]);
}

// Viscous images: no-slip walls u' = -u; the isothermal wall adds
// r' = 2 p / twall - r and T' = 2 twall - T.
void ghost_gradients() {
    fit_gradients(flow_fit, viscous_differences);
    project_open_boundaries();
}

// minmod limits along the x-like pair of neighbours (edges 1, 3), then the
// y-like pair (edges 4, 2), skipping a pair with a boundary edge.
void limit_cell_gradients(int c) {
    if (ibtype(icedge(c, 1)) == 0 && ibtype(icedge(c, 3)) == 0) {
        limit_across(c, 1);
        limit_across(c, 3);
    }
    if (ibtype(icedge(c, 2)) == 0 && ibtype(icedge(c, 4)) == 0) {
        limit_across(c, 4);
        limit_across(c, 2);
    }
}

void cell_gradients() {
    for (int i = 1; i <= grid.ncell; ++i) limit_cell_gradients(list_cel(i));
}

// The same fit for tk and te, with zero differences at boundary edges.
void turb_gradients() { fit_gradients(turb_fit, zero_differences); }

}  // namespace qelta
