// The second half of an even-step adaptation: the merge test, the merges of
// families back into their fathers, the compaction of the zones of list_cel
// and list_edg by in-place swaps, the counts, the edge lists, the boundary
// links, and the least-squares matrices (or, in family mode, the family
// list) of the new grid.
#include <algorithm>
#include <utility>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/adapt.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "grid/layout.h"

namespace qelta {

namespace {

// The zones as the refinement half of the call left them (counts not yet
// stored).
struct Zones {
    int active_cells;  // ncell + 3 m
    int fathers;       // nfather + m
    int low_father;    // lowest position of the father zone
    int active_edges;  // nedge + 4 m + s
    int mothers;       // nmother + s
};

Zones zones_after_refinement(int m, int s) {
    Zones z;
    z.active_cells = grid.ncell + 3 * m;
    z.fathers = grid.nfather + m;
    z.low_father = MAX_CEL - z.fathers + 1;
    z.active_edges = grid.nedge + 4 * m + s;
    z.mothers = grid.nmother + s;
    return z;
}

// ---- 12a, 12b: merge decisions ----

// No half of the father's edges is split: every child is a leaf and no
// neighbour is finer than the children.
bool halves_unsplit(int f) {
    for (int k = 1; k <= 4; ++k) {
        int e = icedge(f, k);
        if (lsplit(isubedge(e, 1)) || lsplit(isubedge(e, 2))) return false;
    }
    return true;
}

bool children_marked(int f) {
    for (int j = 1; j <= 4; ++j)
        if (!lcoarse(ichild(f, j))) return false;
    return true;
}

// No same-level neighbour is a father (never so next to the boundary).
bool isolated(int f) {
    for (int k = 1; k <= 4; ++k)
        if (lfather(neighbour(f, k))) return false;
    return true;
}

// The tests write nothing, so their order is free: children_marked and
// isolated, which most fathers fail after a few reads, come before
// halves_unsplit, which reads the eight halves of the father's edges.
void merge_test(const Zones& z) {
    for (int pos = z.low_father; pos <= MAX_CEL; ++pos) {
        int f = list_cel(pos);
        iwork_ad(f) = level(f) >= run.minlev && (children_marked(f) || isolated(f)) && halves_unsplit(f);
    }
}

// Family mode: a father whose four children all may merge decides for
// itself and for them; a later write overrides an earlier one.
void family_merge_test(const Zones& z) {
    for (int pos = z.low_father; pos <= MAX_CEL; ++pos) {
        int f = list_cel(pos);
        bool keep = level(f) >= run.minlev;
        for (int j = 1; j <= 4; ++j) {
            int c = ichild(f, j);
            keep = keep && lfather(c) && iwork_ad(c);
        }
        iwork_cel(f) = keep;
    }
    for (int pos = z.low_father; pos <= MAX_CEL; ++pos) {
        int f = list_cel(pos);
        int keep = iwork_cel(f);
        iwork_ad(f) = keep;
        for (int j = 1; j <= 4; ++j) iwork_ad(ichild(f, j)) = keep;
    }
}

// ---- 12c, 12d ----

int list_merges(const Zones& z) {
    int g = 0;
    for (int pos = z.low_father; pos <= MAX_CEL; ++pos)
        if (iwork_ad(list_cel(pos))) iwork(++g, 1) = pos;
    return g;
}

void mark_survivors(const Zones& z) {
    for (int i = 1; i <= z.active_cells; ++i) iwork_cel(list_cel(i)) = true;
    for (int i = 1; i <= z.active_edges; ++i) iwork_edg(list_edg(i)) = true;
}

// ---- 12e, 12f: merges ----

// Volume-weighted means U_F = sum U_c A_c / A_F of the conservative state,
// mass-weighted means of tk and te.
void merge_state(int f) {
    double a = area(f);
    for (int k = 1; k <= ncons; ++k) {
        double sum = 0;
        for (int j = 1; j <= 4; ++j) {
            int c = ichild(f, j);
            sum += cons(c, k) * area(c);
        }
        cons(f, k) = sum / a;
    }
    double sk = 0, se = 0;
    for (int j = 1; j <= 4; ++j) {
        int c = ichild(f, j);
        double mass = cr(c) * area(c);
        sk += tk(c) * mass;
        se += te(c) * mass;
    }
    tk(f) = sk / (cr(f) * a);
    te(f) = se / (cr(f) * a);
}

// Children and inner edges leave; a mother edge becomes active again when
// its far side is a leaf, the boundary, or a father merging now with the
// larger number (so that a shared edge is taken once).
void merge_family(int f) {
    merge_state(f);
    lkeep(f) = false;
    for (int j = 1; j <= 4; ++j) iwork_cel(ichild(f, j)) = false;
    // A record that would pass its capacity is dropped (the layout is then
    // rebuilt afresh).
    for (int j = 1; j <= 4 && removed_count < MAX_CEL; ++j) removed_cell(++removed_count) = ichild(f, j);
    int c1 = ichild(f, 1), c3 = ichild(f, 3);
    iwork_edg(icedge(c1, 2)) = false;
    iwork_edg(icedge(c1, 3)) = false;
    iwork_edg(icedge(c3, 1)) = false;
    iwork_edg(icedge(c3, 4)) = false;
    for (int k = 1; k <= 4; ++k) {
        int e = icedge(f, k);
        int n = neighbour(f, k);
        if (!lfather(n) || (iwork_ad(n) && n > f) || lbedge(e)) {
            iwork_edg(isubedge(e, 1)) = false;
            iwork_edg(isubedge(e, 2)) = false;
            lsplit(e) = false;
        }
    }
}

void merge_families(int g) {
    for (int k = 1; k <= g; ++k) merge_family(list_cel(iwork(k, 1)));
}

// The children of this call's splits that stay active, then the merged
// fathers.
void record_adapted_cells(int g) {
    int n = 0;
    for (int i = 1; i <= adapted_count; ++i)
        if (iwork_cel(adapted_cell(i))) adapted_cell(++n) = adapted_cell(i);
    for (int k = 1; k <= g; ++k) adapted_cell(++n) = list_cel(iwork(k, 1));
    adapted_count = n;
}

// A merged father names itself on its side of the halves that stay.
void relink_merged_fathers(int g) {
    for (int k = 1; k <= g; ++k) {
        int f = list_cel(iwork(k, 1));
        lfather(f) = false;
        for (int s = 1; s <= 4; ++s) {
            int e = icedge(f, s);
            if (!lsplit(e)) continue;
            own_side(isubedge(e, 1), s) = f;
            own_side(isubedge(e, 2), s) = f;
        }
    }
}

// ---- 12g to 12k: zones ----

// Swaps, in ascending order, the entries at positions 1..n that do not stay
// with those at positions n + 1..total that do.
template <class List, class Stays>
void gather_front(List& list, int n, int total, Stays stays) {
    int j = n;
    for (int i = 1; i <= n; ++i) {
        if (stays(list(i))) continue;
        do ++j;
        while (j <= total && !stays(list(j)));
        if (j > total) return;
        std::swap(list(i), list(j));
    }
}

// The cells that stay gather at positions 1..n', the removed children at
// n' + 1..n' + 4 g.
int compact_active_cells(const Zones& z, int g) {
    int n = z.active_cells - 4 * g;
    gather_front(list_cel, n, z.active_cells, [](int c) { return iwork_cel(c) != 0; });
    return n;
}

// The first g removed children trade places with the merged fathers.
void merged_fathers_to_active_zone(int n, int g) {
    for (int k = 1; k <= g; ++k) std::swap(list_cel(iwork(k, 1)), list_cel(n + k));
    grid.ncell = n + g;
}

// The lowest g positions of the father zone become free: the fathers still
// there move to the highest vacated slots.
void compact_father_zone(const Zones& z, int g) {
    int next = g;
    for (int pos = z.low_father; pos <= z.low_father + g - 1; ++pos) {
        if (!lfather(list_cel(pos))) continue;
        std::swap(list_cel(pos), list_cel(iwork(next, 1)));
        --next;
    }
    grid.nfather = z.fathers - g;
}

// The positions of the active edges that go, ascending, and their count.
EdgeArray<int> leaving_at;
int leaving = 0;

// As gather_front with the count of the edges that stay, found in the same
// pass that lists those that go: the ones that go before the new end trade
// places, in order, with those that stay after it.
int compact_active_edges(const Zones& z) {
    int removed = 0;
    for (int i = 1; i <= z.active_edges; ++i)
        if (!iwork_edg(list_edg(i))) leaving_at(++removed) = i;
    int n = z.active_edges - removed;
    leaving = removed;
    for (int k = 1, j = n; k <= removed && leaving_at(k) <= n; ++k) {
        do ++j;
        while (j <= z.active_edges && !iwork_edg(list_edg(j)));
        if (j > z.active_edges) break;
        std::swap(list_edg(leaving_at(k)), list_edg(j));
    }
    return n;
}

// Reactivated mother edges join the active zone after position n; the
// removed edges that take their slots then move below the new mother zone.
void compact_mother_zone(const Zones& z, int n) {
    int low = MAX_EDG - z.mothers + 1;
    int u = 0;
    for (int pos = MAX_EDG; pos >= low; --pos)
        if (!lsplit(list_edg(pos))) iwork(++u, 2) = pos;
    for (int k = 1; k <= u; ++k) std::swap(list_edg(iwork(k, 2)), list_edg(n + k));
    int next = 1;
    for (int pos = low; pos <= low + u - 1; ++pos) {
        if (!lsplit(list_edg(pos))) continue;
        std::swap(list_edg(pos), list_edg(iwork(next, 2)));
        ++next;
    }
    grid.nedge = n + u;
    grid.nmother = z.mothers - u;
}

// ---- 12l ----

// The positions in list_edg of the edges of list_bedge after the last call
// (boundary_found while they are found), their count, and the count of the
// grid's changes other than the adaptation's then.
EdgeArray<int> boundary_at, boundary_found;
int boundary_count = 0;
long boundary_generation = -1;

// The positions of this call's split edges, ascending.
EdgeArray<int> split_at;

// list_iedge and list_bedge as rebuild_edge_lists forms them, and list_split.
// An edge is a boundary edge or not from its creation on, and in positions
// 1..same_to of list_edg the call has put other edges only where it split
// edges (now halves) and where the compaction filled the places of edges
// that went (both ascending): lbedge is read there and after same_to, and
// elsewhere an edge goes to the list it was in after the last call.
void rebuild_lists(int same_to, int s) {
    grid.nbedge = grid.niedge = 0;
    auto put = [](int p, int e, bool boundary) {
        if (boundary) {
            list_bedge(++grid.nbedge) = e;
            boundary_found(grid.nbedge) = p;
        } else {
            list_iedge(++grid.niedge) = e;
        }
    };
    int p = 1;
    for (int b = 1, split = 1, filled = 1; p <= same_to; ++p) {
        int next = same_to + 1;
        if (b <= boundary_count) next = std::min(next, boundary_at(b));
        if (split <= s) next = std::min(next, split_at(split));
        if (filled <= leaving) next = std::min(next, leaving_at(filled));
        for (; p < next; ++p) list_iedge(++grid.niedge) = list_edg(p);
        if (p > same_to) break;
        bool changed = false, was_boundary = false;
        if (split <= s && split_at(split) == p) changed = true, ++split;
        if (filled <= leaving && leaving_at(filled) == p) changed = true, ++filled;
        if (b <= boundary_count && boundary_at(b) == p) was_boundary = true, ++b;
        int e = list_edg(p);
        put(p, e, changed ? bool(lbedge(e)) : was_boundary);
    }
    for (; p <= grid.nedge; ++p) put(p, list_edg(p), lbedge(list_edg(p)));
    for (int i = 1; i <= grid.nbedge; ++i) boundary_at(i) = boundary_found(i);
    boundary_count = grid.nbedge;
    rebuild_split_list();
}

// ---- 12m, 12n ----

// Both sides of a boundary edge name the finer of its two cells. Every edge
// reads and writes its own links alone: list_bedge, just rebuilt, gives them
// in any order.
void link_boundary_edges() {
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (level(ileft(e)) < level(iright(e)))
            ileft(e) = iright(e);
        else
            iright(e) = ileft(e);
    }
}

// Family mode: the fathers whose first child is a leaf.
void build_family_list() {
    grid.nfam = 0;
    if (grid.nfather == 0) return;
    for (int pos = MAX_CEL - grid.nfather + 1; pos <= MAX_CEL; ++pos) {
        int f = list_cel(pos);
        if (lfather(ichild(f, 1))) continue;
        if (grid.nfam == max_fam) fatal_stop({free_text("Too many families for list_fam:", max_fam)});
        list_fam(++grid.nfam) = f;
    }
}

}  // namespace

void coarsen_and_rebuild(int m, int s) {
    // Whether the matrices of the cells this call leaves alone are those of
    // the grid it found.
    bool matrices_current = run.irecon == 1 && lsq_matrices_current();
    Zones z = zones_after_refinement(m, s);
    for (int j = 1; j <= s; ++j) split_at(j) = iwork(j, 2);
    merge_test(z);                                      // 12a
    if (run.irecon == 2) family_merge_test(z);          // 12b
    int g = list_merges(z);                             // 12c
    mark_survivors(z);                                  // 12d
    merge_families(g);                                  // 12e
    record_adapted_cells(g);
    relink_merged_fathers(g);                           // 12f
    int nc = compact_active_cells(z, g);                // 12g
    merged_fathers_to_active_zone(nc, g);               // 12h
    compact_father_zone(z, g);                          // 12i
    int old_nedge = grid.nedge;
    int ne = compact_active_edges(z);                   // 12j
    compact_mother_zone(z, ne);                         // 12k
    // The last call's positions of the boundary edges hold while nothing but
    // the adaptation has changed the grid.
    bool remembered = boundary_generation == layout::generation();
    rebuild_lists(remembered ? std::min(old_nedge, ne) : 0, s);      // 12l
    if (removed_count < MAX_CEL)
        layout::mark_adapted(removed_cell, removed_count, adapted_cell, adapted_count);
    else
        layout::mark_stale();
    link_boundary_edges();                              // 12m
    if (run.irecon == 2) build_family_list();           // 12n
    renew_cell_sizes(adapted_cell, adapted_count);
    if (run.irecon == 1) {
        if (matrices_current)
            lsq_matrix_around(adapted_cell, adapted_count);
        else
            lsq_matrix();
    }
    boundary_generation = layout::generation();
}

}  // namespace qelta
