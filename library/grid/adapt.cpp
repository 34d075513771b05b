// The refinement half of the grid adaptation: the marks, the split list and
// its capacity test, and the split of every listed cell into four children
// whose states carry the parent's gradients. Children, inner edges and halves
// take the next free numbers of list_cel and list_edg; the split edges and
// the parents move into the top zones by in-place rotations.
//
// Family layout (P the parent, E1..E4 the inner edges from the centre M to
// the split points P1..P4 of P's edges 1..4):
//   child 1 (south-east): edges sub(1,1), E1, E4, sub(4,2)
//   child 2 (north-east): edges sub(1,2), sub(2,2), E2, E1
//   child 3 (north-west): edges E2, sub(2,1), sub(3,2), E3
//   child 4 (south-west): edges E4, E3, sub(3,1), sub(4,1)
// where sub(k,h) is half h of P's edge k.
#include "grid/adapt.h"

#include <algorithm>
#include <cmath>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "grid/layout.h"

namespace qelta {

namespace {

constexpr int cells_per_split = 4;   // children
constexpr int edges_per_split = 12;  // 4 inner edges and 2 halves on each side, at most

// One entry of the family layout: inner edge `inner` (1..4), or, when
// inner = 0, half `half` of the parent's edge `side`.
struct Slot {
    int inner, side, half;
};

constexpr Slot family_layout[4][4] = {
    {{0, 1, 1}, {1, 0, 0}, {4, 0, 0}, {0, 4, 2}},
    {{0, 1, 2}, {0, 2, 2}, {2, 0, 0}, {1, 0, 0}},
    {{2, 0, 0}, {0, 2, 1}, {0, 3, 2}, {3, 0, 0}},
    {{4, 0, 0}, {3, 0, 0}, {0, 3, 1}, {0, 4, 1}},
};

// Inner edge i of a family, through the children: E1 = edge 2 of child 1,
// E2 = edge 3 of child 2, E3 = edge 4 of child 3, E4 = edge 1 of child 4.
int inner_edge(int parent, int i) {
    constexpr int child_edge[4] = {2, 3, 4, 1};
    return icedge(ichild(parent, i), child_edge[i - 1]);
}

int split_cell_at(int k) { return list_cel(iwork(k, 1)); }

// ---- Step 1 ----

void warn_low_minlev() {
    if (run.minlev < 1 && run.irecon == 2) write_log("Warning: MINLEV is less than 1 in ADAPT");
}

// ---- Step 2: marks ----

// Child k of a family looks out of the family across its own edge k; a
// single cell is its own "child" on all four sides.
struct Outlook {
    int cell[4];
};

// Refinement is allowed when no edge neighbour is coarser; when it is wanted
// but not allowed, the coarser neighbours are kept for refinement (keep(nb)).
template <class Keep>
bool refine_allowed(const Outlook& o, bool wanted, Keep keep) {
    bool allowed = true;
    for (int k = 1; k <= 4; ++k) {
        int c = o.cell[k - 1];
        if (!lbedge(icedge(c, k)) && level(neighbour(c, k)) < level(c)) allowed = false;
    }
    if (wanted && !allowed) {
        for (int k = 1; k <= 4; ++k) {
            int c = o.cell[k - 1], nb = neighbour(c, k);
            if (level(nb) < level(c)) keep(nb);
        }
    }
    return allowed;
}

// The cells that mark_leaves keeps for refinement: at most one for each
// side of an active cell.
Array1<int, 4 * MAX_CEL> cells_to_keep;

// One pass: a cell takes its lkeep into lrefine, then, if wanted, looks at
// its neighbours (only a wanted cell does). Every cell takes in the lkeep it
// had before the pass: those that the pass keeps for refinement are set
// after it. No decision reads anything else that another one writes: the
// cells may go in any order.
void mark_leaves() {
    int kept = 0;
    auto keep = [&kept](int nb) { cells_to_keep(++kept) = nb; };
    layout::each_active_cell([&keep](int c) {
        lrefine(c) = lrefine(c) || lkeep(c);
        bool wanted = lrefine(c) && level(c) < run.lmax;
        iwork_ad(c) = wanted && refine_allowed({{c, c, c, c}}, wanted, keep);
    });
    for (int i = 1; i <= kept; ++i) lkeep(cells_to_keep(i)) = true;
}

// Family mode: the four children of a listed family split together.
void mark_families() {
    // Only the listed families decide; a cell outside them (a merged father
    // holding its merge decision, say) must not split on a stale word.
    for (int i = 1; i <= grid.ncell; ++i) iwork_ad(list_cel(i)) = false;
    for (int i = 1; i <= grid.nfam; ++i) {
        int f = list_fam(i);
        Outlook o{{ichild(f, 1), ichild(f, 2), ichild(f, 3), ichild(f, 4)}};
        bool any = false;
        for (int c : o.cell) any = any || lrefine(c);
        bool wanted = level(f) < run.lmax - 1 && any;
        bool allowed = refine_allowed(o, wanted, [](int nb) { lkeep(nb) = true; });
        for (int c : o.cell) iwork_ad(c) = wanted && allowed;
    }
}

void mark_cells() {
    if (run.irecon == 2 && grid.nfam > 0)
        mark_families();
    else
        mark_leaves();
}

// ---- Step 4: split list and capacity ----

int list_cells_to_split() {
    int m = 0;
    for (int i = 1; i <= grid.ncell; ++i)
        if (iwork_ad(list_cel(i))) iwork(++m, 1) = i;
    return m;
}

// m splits need 4 m free cell numbers and up to 12 m free edge numbers; a
// call that would overflow either zone splits only the first cells listed.
int fit_capacity(int m) {
    int free_cells = MAX_CEL - grid.nfather - grid.ncell;
    int free_edges = MAX_EDG - grid.nmother - grid.nedge;
    int room = std::min(free_cells / cells_per_split, free_edges / edges_per_split);
    if (m <= room) return m;
    write_log("Warning: Out of the Given memory in COMMON");
    return room;
}

// ---- Step 5 ----

void relimit_gradients(int m, SplitGradients gradients) {
    if (run.irecon != 1) return;
    for (int k = 1; k <= m; ++k) {
        int c = split_cell_at(k);
        if (gradients == SplitGradients::fitted) lsq_cell_gradients(c);
        limit_cell_gradients(c);
    }
}

// ---- Step 6: children and inner edges ----

double mean(double a, double b) { return 0.5 * (a + b); }

void init_inner_edge(int e, int left, int right, double w1, double w2) {
    ileft(e) = left;
    iright(e) = right;
    edgratio(e, 1) = w1;
    edgratio(e, 2) = w2;
    lsplit(e) = false;
    lbedge(e) = false;
    ibtype(e) = 0;
}

void create_family(int k, int parent) {
    removed_cell(++removed_count) = parent;
    int ch[4];
    for (int j = 1; j <= 4; ++j) {
        int c = list_cel(grid.ncell + cells_per_split * (k - 1) + j);
        ch[j - 1] = c;
        ichild(parent, j) = c;
        level(c) = level(parent) + 1;
        lfather(c) = false;
        lkeep(c) = false;
        adapted_cell(++adapted_count) = c;
    }
    // A new family never passes the all-children-coarsen test in its own call.
    lcoarse(ch[0]) = false;

    int in[4];
    for (int i = 1; i <= 4; ++i) in[i - 1] = list_edg(grid.nedge + 4 * (k - 1) + i);
    int pe[4];
    for (int s = 1; s <= 4; ++s) pe[s - 1] = icedge(parent, s);
    // The weight at the end of an inner edge away from the centre is the mean
    // of the parent's two parallel edges there.
    init_inner_edge(in[0], ch[1], ch[0], 1.0, mean(edgratio(pe[3], 2), edgratio(pe[1], 2)));
    init_inner_edge(in[1], ch[2], ch[1], 1.0, mean(edgratio(pe[0], 2), edgratio(pe[2], 2)));
    init_inner_edge(in[2], ch[2], ch[3], mean(edgratio(pe[1], 1), edgratio(pe[3], 1)), 1.0);
    init_inner_edge(in[3], ch[3], ch[0], mean(edgratio(pe[0], 1), edgratio(pe[2], 1)), 1.0);
    for (int j = 1; j <= 4; ++j)
        for (int s = 1; s <= 4; ++s) {
            const Slot& slot = family_layout[j - 1][s - 1];
            if (slot.inner != 0) icedge(ch[j - 1], s) = in[slot.inner - 1];
        }
    for (int s = 1; s <= 4; ++s) lsplit(pe[s - 1]) = true;
}

void create_children(int m) {
    for (int k = 1; k <= m; ++k) create_family(k, split_cell_at(k));
}

// ---- Step 7: halves ----

// Q = (w1 S + w2 E)/(w1 + w2) with the end weights of the edge.
Vec2 split_point(int e) {
    double w1 = edgratio(e, 1), w2 = edgratio(e, 2);
    return (1 / (w1 + w2)) * (w1 * edge_start(e) + w2 * edge_end(e));
}

// Circle of radius R about the origin: q R/|q| for q in the box |x| <= R, y <= R.
Vec2 onto_circle(Vec2 q, double radius) {
    if (std::fabs(q.x) <= radius && q.y <= radius) return (radius / norm(q)) * q;
    return q;
}

// Half thickness of the airfoil of unit chord,
// t(x) = 0.11893782960568898 (c1 sqrt(x) + c2 x + c3 x^2 + c4 x^3 + c5 x^4).
double airfoil_thickness(double x) {
    constexpr double scale = 0.11893782960568898;
    constexpr double c1 = 1.4911139152933968;
    constexpr double c2 = static_cast<double>(-0.6356262f);
    constexpr double c3 = static_cast<double>(-1.7895396f);
    constexpr double c4 = static_cast<double>(1.4599249f);
    constexpr double c5 = static_cast<double>(-0.52587306f);
    // No thickness ahead of the leading edge (and no NaN from sqrt there).
    if (x <= 0) return 0;
    return scale * (c1 * std::sqrt(x) + x * (c2 + x * (c3 + x * (c4 + x * c5))));
}

// The point on the surface above (below) the chord midpoint xa, then the
// abscissa moved along the edge towards the end farther from that point:
// x' = x1 + (x2 - x1)(1/2 + (d2 - d1)/(4 max(d1, d2))), y' = +-|t(x')|.
Vec2 onto_airfoil(int e, Vec2 q) {
    if (!(std::fabs(q.x) <= 1.0 && std::fabs(q.y) <= 1.0)) return q;
    Vec2 s = edge_start(e), t = edge_end(e);
    double xa = 0.5 * (s.x + t.x);
    double ya = std::fabs(airfoil_thickness(xa));
    if (q.y < 0) ya = -ya;
    Vec2 a{xa, ya};
    double d1 = norm(a - s), d2 = norm(a - t);
    double x = s.x + (t.x - s.x) * (0.5 + 0.25 * (d2 - d1) / std::max(d1, d2));
    double y = std::fabs(airfoil_thickness(x));
    if (ya < 0) y = -y;
    return {x, y};
}

// A new point on a boundary edge lies on the body of the case.
Vec2 onto_body(int e, Vec2 q) {
    switch (case_id()) {
    case 1:
    case 3:
        return onto_circle(q, 0.5);
    case 101:
        return onto_circle(q, 1.0);
    case 102:
        return onto_airfoil(e, q);
    default:
        return q;
    }
}

void make_half(int mother, int h, int e, Vec2 a, Vec2 b) {
    set_edge(e, a, b);
    edglen(e) = norm(b - a);
    edgratio(e, 1) = (h == 1) ? edgratio(mother, 1) : 1.0;
    edgratio(e, 2) = (h == 1) ? 1.0 : edgratio(mother, 2);
    lsplit(e) = false;
    isubedge(e, 1) = isubedge(e, 2) = 0;
    lbedge(e) = lbedge(mother);
    ibtype(e) = ibtype(mother);
    ileft(e) = ileft(mother);
    iright(e) = iright(mother);
    isubedge(mother, h) = e;
}

// Halves every active edge flagged in step 6; returns their number s.
int split_edges(int m) {
    int s = 0;
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        if (!lsplit(e)) continue;
        iwork(++s, 2) = i;
        Vec2 q = split_point(e);
        if (ibtype(e) > 0) q = onto_body(e, q);
        int last = grid.nedge + 4 * m + 2 * s;
        make_half(e, 1, list_edg(last - 1), edge_start(e), q);
        make_half(e, 2, list_edg(last), q, edge_end(e));
    }
    return s;
}

// ---- Step 8: centre points ----

// M = ((wa P4 + wb P2)/(wa + wb) + (wc P3 + wd P1)/(wc + wd))/2: the mean of
// the weighted division points of the lines P4-P2 and P3-P1.
void place_centre(int parent) {
    int e1 = icedge(parent, 1), e2 = icedge(parent, 2), e3 = icedge(parent, 3), e4 = icedge(parent, 4);
    Vec2 p1 = edge_start(isubedge(e1, 2)), p2 = edge_start(isubedge(e2, 2));
    Vec2 p3 = edge_end(isubedge(e3, 1)), p4 = edge_end(isubedge(e4, 1));
    double wa = edgratio(e1, 1) + edgratio(e3, 1), wb = edgratio(e1, 2) + edgratio(e3, 2);
    double wc = edgratio(e2, 1) + edgratio(e4, 1), wd = edgratio(e2, 2) + edgratio(e4, 2);
    Vec2 south_north = (1 / (wa + wb)) * (wa * p4 + wb * p2);
    Vec2 west_east = (1 / (wc + wd)) * (wc * p3 + wd * p1);
    Vec2 mid = 0.5 * (south_north + west_east);
    const Vec2 ends[4][2] = {{mid, p1}, {mid, p2}, {p3, mid}, {p4, mid}};
    for (int i = 1; i <= 4; ++i) {
        int e = inner_edge(parent, i);
        set_edge(e, ends[i - 1][0], ends[i - 1][1]);
        edglen(e) = norm(ends[i - 1][1] - ends[i - 1][0]);
    }
}

void place_centre_points(int m) {
    for (int k = 1; k <= m; ++k) place_centre(split_cell_at(k));
}

// ---- Step 9 ----

// The j-th split edge leaves its active slot to the last created edge, whose
// slot takes a free number from just below the mother zone.
void edges_to_mother_zone(int m, int s) {
    int last = grid.nedge + 4 * m + 2 * s;
    int top = MAX_EDG - grid.nmother;
    for (int j = 1; j <= s; ++j) {
        int pos = iwork(j, 2);
        int e = list_edg(pos);
        list_edg(pos) = list_edg(last - (j - 1));
        list_edg(last - (j - 1)) = list_edg(top - (j - 1));
        list_edg(top - (j - 1)) = e;
    }
}

// ---- Step 10: children ----

// The children's halves: icedge on the child's side, the child as the
// halves' cell on that side.
void link_halves(int parent) {
    for (int j = 1; j <= 4; ++j) {
        int c = ichild(parent, j);
        for (int k = 1; k <= 4; ++k) {
            const Slot& slot = family_layout[j - 1][k - 1];
            if (slot.inner != 0) continue;
            int h = isubedge(icedge(parent, slot.side), slot.half);
            icedge(c, k) = h;
            own_side(h, k) = c;
        }
    }
}

// Centroid and area of a child; axisymmetric areas are the integral of 2y
// over the cell.
void child_geometry(int c) {
    PlaneShape s = plane_shape(c);
    xc(c) = s.x;
    yc(c) = s.y;
    area(c) = (run.iaxis == 0) ? s.area : cell_area(c);
}

// Gradients of the conservative variables (columns of cons) from those of
// r, p, ux, uy: grad(r u) = u grad r + r grad u,
// grad E = q grad r + r (ux grad ux + uy grad uy) + grad p/(gam - 1), q = |u|^2/2.
struct ConsGradients {
    double x[ncons], y[ncons];
};

ConsGradients conservative_gradients(int c, double u, double v) {
    double rho = cr(c), q = 0.5 * (u * u + v * v);
    ConsGradients g{};
    for (int d = 0; d < 2; ++d) {
        double rd = grad(c, 1 + d), pd = grad(c, 3 + d), ud = grad(c, 5 + d), vd = grad(c, 7 + d);
        double* out = (d == 0) ? g.x : g.y;
        out[0] = rd;
        out[1] = rd * q + rho * (u * ud + v * vd) + pd / run.gam1;
        out[2] = rd * u + rho * ud;
        out[3] = rd * v + rho * vd;
    }
    return g;
}

// U_child = U_parent + grad U . (x_child - x_parent): the reconstruction
// conserves sum U A over the family in plane runs.
void reconstruct_family(int parent) {
    double rho = cr(parent), u = cux(parent) / rho, v = cuy(parent) / rho;
    r(parent) = rho;
    ux(parent) = u;
    uy(parent) = v;
    p(parent) = (cp(parent) - 0.5 * (cux(parent) * u + cuy(parent) * v)) * run.gam1;
    lrefine(parent) = false;
    lcoarse(parent) = false;
    ConsGradients g = conservative_gradients(parent, u, v);
    link_halves(parent);
    for (int j = 1; j <= 4; ++j) {
        int c = ichild(parent, j);
        child_geometry(c);
        double dx = xc(c) - xc(parent), dy = yc(c) - yc(parent);
        for (int k = 1; k <= ncons; ++k) cons(c, k) = cons(parent, k) + g.x[k - 1] * dx + g.y[k - 1] * dy;
    }
}

void reconstruct_children(int m) {
    for (int k = 1; k <= m; ++k) reconstruct_family(split_cell_at(k));
}

// ---- Step 11 ----

// The k-th parent leaves its active slot to a child from the end of the new
// block, whose slot takes a free number from just below the father zone.
void parents_to_father_zone(int m) {
    int last = grid.ncell + cells_per_split * m;
    int top = MAX_CEL - grid.nfather;
    for (int k = 1; k <= m; ++k) {
        int pos = iwork(k, 1);
        int parent = list_cel(pos);
        lfather(parent) = true;
        list_cel(pos) = list_cel(last - (k - 1));
        list_cel(last - (k - 1)) = list_cel(top - (k - 1));
        list_cel(top - (k - 1)) = parent;
    }
}

}  // namespace

void adapt(bool any_step, SplitGradients gradients) {
    adapted_count = removed_count = 0;
    warn_low_minlev();                                  // 1
    mark_cells();                                       // 2
    if (!any_step && run.nstep % 2 == 1) return;        // 3: odd steps only mark
    int m = list_cells_to_split();                      // 4
    int s = 0;
    if (m > 0) {
        m = fit_capacity(m);
        relimit_gradients(m, gradients);                // 5
        create_children(m);                             // 6
        s = split_edges(m);                             // 7
        place_centre_points(m);                         // 8
        edges_to_mother_zone(m, s);                     // 9
        reconstruct_children(m);                        // 10
        parents_to_father_zone(m);                      // 11
    }
    coarsen_and_rebuild(m, s);                          // 12
}

}  // namespace qelta
