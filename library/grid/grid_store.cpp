#include "grid/grid_store.h"

#include <algorithm>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/layout.h"

namespace qelta {

void init_common() {
    run.big = 1e30;
    run.tiny = 1e-30;
    run.eps_small = 1e-4;
    run.rsave1 = static_cast<double>(0.8f);
    run.time = 0;
    run.iflag_run = 1;
    run.nstep = 0;
    run.lsource = false;
    run.nout = -100;
    gas.gasname = "";

    grid.nfam = 0;
    layout::mark_stale();

    for (int i = 1; i <= MAX_CEL; ++i) {
        for (int k = 1; k <= 8; ++k) grad(i, k) = 0;
        for (int k = 1; k <= 4; ++k) uold(i, k) = 0;
        iwork_cel(i) = 0;
        list_cel(i) = i;
        lfather(i) = false;
        lrefine(i) = false;
        lcoarse(i) = false;
        lkeep(i) = false;
        level(i) = 0;
    }
    for (int i = 1; i <= MAX_EDG; ++i) {
        for (int k = 1; k <= 3; ++k) work(i, k) = 0;
        for (int k = 1; k <= 4; ++k) edgflux(i, k) = 0;
        for (int k = 1; k <= 4; ++k) edgrhs(i, k) = 0;
        edgratio(i, 1) = 1.0;
        edgratio(i, 2) = 1.0;
        list_edg(i) = i;
        iwork_edg(i) = 0;
        lsplit(i) = false;
        isubedge(i, 1) = 0;
        isubedge(i, 2) = 0;
        // Inner edges carry no boundary type; the grid builder sets those
        // of the boundary edges. Without this a second run would limit and
        // project with the types the previous run left.
        ibtype(i) = 0;
    }
}

namespace {

struct EdgeRow {
    double x1, y1, x2, y2;
    int left, right;
    bool boundary;
    int type;
};

void set_edge_row(int e, const EdgeRow& row) {
    set_edge(e, {row.x1, row.y1}, {row.x2, row.y2});
    ileft(e) = row.left;
    iright(e) = row.right;
    lbedge(e) = row.boundary;
    ibtype(e) = row.type;
    edglen(e) = norm(edge_end(e) - edge_start(e));
}

void set_cell_row(int c, double x, double y, int e1, int e2, int e3, int e4) {
    xc(c) = x;
    yc(c) = y;
    icedge(c, 1) = e1;
    icedge(c, 2) = e2;
    icedge(c, 3) = e3;
    icedge(c, 4) = e4;
    level(c) = 0;
    lfather(c) = false;
}

void set_counts(int ncell, int nedge) {
    grid.ncell = ncell;
    grid.nedge = nedge;
    grid.nfather = 0;
    grid.nmother = 0;
}

}  // namespace

void grid_three_cells() {
    set_cell_row(1, -0.5, 0.5, 1, 2, 3, 4);
    set_cell_row(2, 0.5, 0.5, 5, 6, 1, 7);
    set_cell_row(3, 0.5, -0.5, 8, 7, 10, 9);
    // The two inner edges (1 and 7) get type 0: with a boundary type their
    // split points would be projected onto a case body.
    const EdgeRow edges[] = {
        {0, 0, 0, 1, 1, 2, false, 0},   {-1, 1, 0, 1, 1, 1, true, 1}, {-1, 0, -1, 1, 1, 1, true, 2},
        {-1, 0, 0, 0, 1, 1, true, 1},   {1, 0, 1, 1, 2, 2, true, 1},  {0, 1, 1, 1, 2, 2, true, 1},
        {0, 0, 1, 0, 2, 3, false, 0},   {1, -1, 1, 0, 3, 3, true, 1}, {0, -1, 1, -1, 3, 3, true, 1},
        {0, -1, 0, 0, 3, 3, true, 1},
    };
    for (int e = 1; e <= 10; ++e) set_edge_row(e, edges[e - 1]);
    set_counts(3, 10);
    // The boundary conditions walk the edge lists right after this.
    cell_geometry();
    build_edge_lists();
}

void grid_one_cell() {
    set_cell_row(1, static_cast<double>(0.933f), 0.5, 1, 2, 3, 4);
    area(1) = 1.0;
    const EdgeRow edges[] = {
        {1, 0, static_cast<double>(2.732f), 1, 1, 1, true, 1},
        {0, 1, static_cast<double>(2.732f), 1, 1, 1, true, 1},
        {0, 0, 0, 1, 1, 1, true, 2},
        {0, 0, 1, 0, 1, 1, true, 1},
    };
    for (int e = 1; e <= 4; ++e) set_edge_row(e, edges[e - 1]);
    set_counts(1, 4);
    build_edge_lists();
}

void grid_four_cells() {
    // Vertical edges 1..5 at x = -1..3, lower edges 6..9, upper edges 10..13.
    for (int i = 1; i <= 5; ++i) {
        double x = -2.0 + i;
        if (i == 1 || i == 5) {
            int c = (i == 1) ? 1 : 4;
            set_edge_row(i, {x, 0, x, 1, c, c, true, 2});
        } else {
            set_edge_row(i, {x, 0, x, 1, i - 1, i, false, 0});  // east edge of cell i-1, west of i
        }
    }
    for (int c = 1; c <= 4; ++c) {
        double x0 = -2.0 + c;
        set_edge_row(5 + c, {x0, 0, x0 + 1, 0, c, c, true, 1});
        set_edge_row(9 + c, {x0, 1, x0 + 1, 1, c, c, true, 1});
        set_cell_row(c, x0 + 0.5, 0.5, c + 1, 9 + c, c, 5 + c);
    }
    set_counts(4, 13);
    cell_geometry();
    build_edge_lists();
}

double cell_area(int c) {
    if (run.iaxis != 0) {
        auto T = [](int e) {
            Vec2 s = edge_start(e), t = edge_end(e);
            return (t.x - s.x) * (s.y * s.y + s.y * t.y + t.y * t.y);
        };
        return -(T(icedge(c, 1)) - T(icedge(c, 2)) - T(icedge(c, 3)) + T(icedge(c, 4))) / 3;
    }
    return plane_shape(c).area;
}

PlaneShape plane_shape(int c) {
    Corners k = cell_corners(c);
    double a1 = 0.5 * cross(k.lr - k.ll, k.ur - k.ll), a2 = 0.5 * cross(k.ur - k.ll, k.ul - k.ll);
    double a = a1 + a2;
    Vec2 g = (1 / (3 * a)) * (a1 * (k.ll + k.lr + k.ur) + a2 * (k.ll + k.ur + k.ul));
    return {a, g.x, g.y};
}

namespace {

// Integrals of f g over a triangle for linear f and g given at its corners:
// A/12 (sum f_i g_i + sum f_i sum g_i).
double triangle_moment(double A, const double f[3], const double g[3]) {
    double fg = 0, sf = 0, sg = 0;
    for (int i = 0; i < 3; ++i) {
        fg += f[i] * g[i];
        sf += f[i];
        sg += g[i];
    }
    return A / 12 * (fg + sf * sg);
}

void second_moments(int c) {
    Corners k = cell_corners(c);
    const Vec2 tri[2][3] = {{k.ll, k.lr, k.ur}, {k.ll, k.ur, k.ul}};
    double mxx = 0, myy = 0, mxy = 0;
    for (const auto& t : tri) {
        double A = 0.5 * cross(t[1] - t[0], t[2] - t[0]);
        double dx[3], dy[3];
        for (int i = 0; i < 3; ++i) {
            dx[i] = t[i].x - xc(c);
            dy[i] = t[i].y - yc(c);
        }
        mxx += triangle_moment(A, dx, dx);
        myy += triangle_moment(A, dy, dy);
        mxy += triangle_moment(A, dx, dy);
    }
    cmom(c, 1) = 0.5 * mxx / area(c);
    cmom(c, 2) = 0.5 * myy / area(c);
    cmom(c, 3) = mxy / area(c);
}

}  // namespace

void cell_geometry() {
    layout::mark_stale();
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        area(c) = cell_area(c);
        if (run.iaxis == 0 && run.irecon == 2) second_moments(c);
    }
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        edglen(e) = norm(edge_end(e) - edge_start(e));
    }
}

namespace {

CellArray<double> size_of;
long size_generation = -1;  // the grid the sizes are of (layout::generation)

double size_now(int c) { return std::min(edglen(icedge(c, 1)), edglen(icedge(c, 2))); }

}  // namespace

const CellArray<double>& cell_sizes() {
    if (size_generation != layout::generation()) {
        for (int i = 1; i <= grid.ncell; ++i) size_of(list_cel(i)) = size_now(list_cel(i));
        size_generation = layout::generation();
    }
    return size_of;
}

void renew_cell_sizes(const CellArray<int>& cells, int n) {
    if (size_generation != layout::generation()) return;
    for (int i = 1; i <= n; ++i) size_of(cells(i)) = size_now(cells(i));
}

void drop_parents() {
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) lsplit(list_edg(i)) = false;
    grid.nmother = 0;
    for (int i = MAX_CEL - grid.nfather + 1; i <= MAX_CEL; ++i) {
        int c = list_cel(i);
        lfather(c) = false;
        lcoarse(c) = false;
        lrefine(c) = false;
    }
    grid.nfather = 0;
}

void build_edge_lists() {
    layout::mark_stale();
    rebuild_edge_lists();
}

void rebuild_edge_lists() {
    grid.niedge = 0;
    grid.nbedge = 0;
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        if (lbedge(e))
            list_bedge(++grid.nbedge) = e;
        else
            list_iedge(++grid.niedge) = e;
    }
    rebuild_split_list();
}

void rebuild_split_list() {
    grid.nsplit = 0;
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) {
        int e = list_edg(i);
        if (lfather(ileft(e)) && lfather(iright(e))) continue;
        if (grid.nsplit == max_split)
            fatal_stop({free_text("Too many hanging edges for list_split:", max_split)});
        list_split(++grid.nsplit) = e;
    }
}

}  // namespace qelta
