#include "support/block_grid.h"

#include <cstdio>
#include <cstdlib>

#include "common/array1.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/grid_store.h"

namespace qelta::testing {

namespace {

[[noreturn]] void helper_error(const char* what, int c) {
    std::fprintf(stderr, "split_cell(%d): %s\n", c, what);
    std::abort();
}

void set_cell(int c, Vec2 centre, int e1, int e2, int e3, int e4) {
    xc(c) = centre.x;
    yc(c) = centre.y;
    icedge(c, 1) = e1;
    icedge(c, 2) = e2;
    icedge(c, 3) = e3;
    icedge(c, 4) = e4;
    level(c) = 0;
    lfather(c) = false;
}

void set_block_edge(int e, Vec2 s, Vec2 t, int left, int right) {
    set_edge(e, s, t);
    bool boundary = (left == 0 || right == 0);
    int own = left + right;  // the one cell of a boundary edge
    ileft(e) = boundary ? own : left;
    iright(e) = boundary ? own : right;
    lbedge(e) = boundary;
    ibtype(e) = boundary ? 1 : 0;
    lsplit(e) = false;
    isubedge(e, 1) = isubedge(e, 2) = 0;
    edgratio(e, 1) = edgratio(e, 2) = 1.0;
}

void set_new_edge(int e, Vec2 s, Vec2 t, int left, int right) {
    set_edge(e, s, t);
    ileft(e) = left;
    iright(e) = right;
    lbedge(e) = false;
    ibtype(e) = 0;
    lsplit(e) = false;
    isubedge(e, 1) = isubedge(e, 2) = 0;
    edgratio(e, 1) = edgratio(e, 2) = 1.0;
}

}  // namespace

void block_grid(int nx, int ny, double x0, double y0, double h) {
    auto cell = [&](int i, int j) { return (i < 1 || i > nx || j < 1 || j > ny) ? 0 : (j - 1) * nx + i; };
    auto point = [&](int i, int j) { return Vec2{x0 + i * h, y0 + j * h}; };
    int nvert = (nx + 1) * ny;
    // South-to-north edge on line i (0..nx) of row j: east side of cell (i, j).
    auto vert = [&](int i, int j) { return (j - 1) * (nx + 1) + i + 1; };
    // West-to-east edge on line j (0..ny) of column i: north side of cell (i, j).
    auto horz = [&](int i, int j) { return nvert + j * nx + i; };
    for (int j = 1; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) set_block_edge(vert(i, j), point(i, j - 1), point(i, j), cell(i, j), cell(i + 1, j));
    for (int j = 0; j <= ny; ++j)
        for (int i = 1; i <= nx; ++i) set_block_edge(horz(i, j), point(i - 1, j), point(i, j), cell(i, j + 1), cell(i, j));
    for (int j = 1; j <= ny; ++j)
        for (int i = 1; i <= nx; ++i)
            set_cell(cell(i, j), point(i, j) - Vec2{0.5 * h, 0.5 * h}, vert(i, j), horz(i, j), vert(i - 1, j),
                     horz(i, j - 1));
    grid.ncell = nx * ny;
    grid.nedge = nvert + nx * (ny + 1);
    grid.nfather = 0;
    grid.nmother = 0;
    cell_geometry();
    build_edge_lists();
}

void split_cell(int c) {
    if (lfather(c)) helper_error("not an active cell", c);
    for (int k = 1; k <= 4; ++k) {
        int e = icedge(c, k);
        if (!lsplit(e) && !lbedge(e) && level(neighbour(c, k)) < level(c)) helper_error("coarser edge neighbour", c);
    }
    Array1<int, 4> ch;
    for (int j = 1; j <= 4; ++j) {
        ch(j) = list_cel(grid.ncell + j);
        ichild(c, j) = ch(j);
        level(ch(j)) = level(c) + 1;
        lfather(ch(j)) = false;
        lrefine(ch(j)) = lcoarse(ch(j)) = lkeep(ch(j)) = false;
        for (int k = 1; k <= nstate; ++k) state(ch(j), k) = state(c, k);
        tk(ch(j)) = tk(c);
        te(ch(j)) = te(c);
    }
    int next = grid.nedge;  // last position taken from the free edge zone
    Array1<int, 4> inner;
    for (int j = 1; j <= 4; ++j) inner(j) = list_edg(++next);
    Array1<int, 4> pe;
    for (int k = 1; k <= 4; ++k) {
        pe(k) = icedge(c, k);
        lsplit(pe(k)) = true;
    }

    // Halve the edges split now, in list order; remember their positions.
    int npos = 0;
    Array1<int, 4> pos;
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        if (!lsplit(e)) continue;
        pos(++npos) = i;
        Vec2 s = edge_start(e), t = edge_end(e), q = 0.5 * (s + t);
        for (int half = 1; half <= 2; ++half) {
            int he = list_edg(++next);
            set_edge(he, half == 1 ? s : q, half == 1 ? q : t);
            ileft(he) = ileft(e);
            iright(he) = iright(e);
            lbedge(he) = lbedge(e);
            ibtype(he) = ibtype(e);
            lsplit(he) = false;
            isubedge(he, 1) = isubedge(he, 2) = 0;
            edgratio(he, 1) = edgratio(he, 2) = 1.0;
            isubedge(e, half) = he;
        }
    }

    // Inner edges from the centre point M to the split points P1..P4.
    auto sub = [](int e, int half) { return isubedge(e, half); };
    Vec2 p1 = edge_end(sub(pe(1), 1)), p2 = edge_end(sub(pe(2), 1));
    Vec2 p3 = edge_end(sub(pe(3), 1)), p4 = edge_end(sub(pe(4), 1));
    Vec2 m = 0.5 * (0.5 * (p4 + p2) + 0.5 * (p3 + p1));
    set_new_edge(inner(1), m, p1, ch(2), ch(1));
    set_new_edge(inner(2), m, p2, ch(3), ch(2));
    set_new_edge(inner(3), p3, m, ch(3), ch(4));
    set_new_edge(inner(4), p4, m, ch(4), ch(1));

    // Edges 1..4 of children 1..4 (the family layout).
    Array2<int, 4, 4> edges;
    const int layout[4][4] = {
        {sub(pe(1), 1), inner(1), inner(4), sub(pe(4), 2)},
        {sub(pe(1), 2), sub(pe(2), 2), inner(2), inner(1)},
        {inner(2), sub(pe(2), 1), sub(pe(3), 2), inner(3)},
        {inner(4), inner(3), sub(pe(3), 1), sub(pe(4), 1)},
    };
    for (int j = 1; j <= 4; ++j)
        for (int k = 1; k <= 4; ++k) edges(j, k) = layout[j - 1][k - 1];
    for (int j = 1; j <= 4; ++j) {
        for (int k = 1; k <= 4; ++k) icedge(ch(j), k) = edges(j, k);
        PlaneShape g = plane_shape(ch(j));
        xc(ch(j)) = g.x;
        yc(ch(j)) = g.y;
    }

    // The children's side of the halves: ileft on edges 1 and 4, iright on 2 and 3.
    ileft(sub(pe(1), 1)) = ch(1);
    ileft(sub(pe(1), 2)) = ch(2);
    ileft(sub(pe(4), 1)) = ch(4);
    ileft(sub(pe(4), 2)) = ch(1);
    iright(sub(pe(2), 1)) = ch(3);
    iright(sub(pe(2), 2)) = ch(2);
    iright(sub(pe(3), 1)) = ch(4);
    iright(sub(pe(3), 2)) = ch(3);

    // Split edges to the mother zone: the last created edges fill their holes.
    for (int j = 1; j <= npos; ++j) {
        int last = grid.nedge + 4 + 2 * npos - (j - 1);
        int top = MAX_EDG - grid.nmother - (j - 1);
        int split = list_edg(pos(j));
        list_edg(pos(j)) = list_edg(last);
        list_edg(last) = list_edg(top);
        list_edg(top) = split;
    }
    grid.nedge += 4 + npos;
    grid.nmother += npos;

    // The father to the top of list_cel, its slot to its last child.
    lfather(c) = true;
    lrefine(c) = lcoarse(c) = false;
    int pc = 1;
    while (list_cel(pc) != c) ++pc;
    int last = grid.ncell + 4, top = MAX_CEL - grid.nfather;
    list_cel(pc) = list_cel(last);
    list_cel(last) = list_cel(top);
    list_cel(top) = c;
    grid.ncell += 3;
    grid.nfather += 1;

    // Boundary edges name the finer of their two cells on both sides.
    for (int i = grid.nedge; i >= 1; --i) {
        int e = list_edg(i);
        if (!lbedge(e)) continue;
        if (level(ileft(e)) < level(iright(e)))
            ileft(e) = iright(e);
        else
            iright(e) = ileft(e);
    }
    cell_geometry();
    build_edge_lists();
}

}  // namespace qelta::testing
