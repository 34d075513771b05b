#include "grid/layout.h"

namespace qelta::layout {

namespace {

bool stale = true;

bool counts_agree() {
    return counts.cells == grid.ncell && counts.interior == grid.niedge && counts.boundary == grid.nbedge &&
           counts.hanging == grid.nsplit;
}

// Positions in the order of the cell numbers: a scan of the whole capacity
// for the cells stamped active in this rebuild.
CellArray<int> stamp;
int generation = 0;

void order_positions() {
    ++generation;
    for (int i = 1; i <= grid.ncell; ++i) stamp(list_cel(i)) = generation;
    int placed = 0;
    for (int c = 1; c <= MAX_CEL; ++c) {
        if (stamp(c) != generation) continue;
        cell_position(c) = ++placed;
        position_cell(placed) = c;
    }
}

void set_slot(int j, int e, int left, int right) {
    edge_slot(e) = j;
    slot_edge(j) = e;
    slot_links(1, j) = left;
    slot_links(2, j) = right;
}

// Interior slots 1..niedge: the edges of list_iedge by the position of their
// cell ileft (a counting sort), in list order among those of one cell.
CellArray<int> first_of_position;

void order_interior_slots() {
    int n = grid.ncell;
    for (int i = 1; i <= n; ++i) first_of_position(i) = 0;
    for (int k = 1; k <= grid.niedge; ++k) ++first_of_position(cell_position(ileft(list_iedge(k))));
    int start = 1;
    for (int i = 1; i <= n; ++i) {
        int count = first_of_position(i);
        first_of_position(i) = start;
        start += count;
    }
    for (int k = 1; k <= grid.niedge; ++k) {
        int e = list_iedge(k);
        int left = cell_position(ileft(e));
        int j = first_of_position(left)++;
        set_slot(j, e, left, cell_position(iright(e)));
        for (int k = 1; k <= 4; ++k) slot_ends(k, j) = xyedge(e, k);
    }
}

void rebuild() {
    counts = {grid.ncell, grid.niedge, grid.nbedge, grid.nsplit};
    order_positions();
    order_interior_slots();
    int j = grid.niedge;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        int c = cell_position(iright(e));
        set_slot(++j, e, c, c);
    }
    // The halves of a hanging edge are active edges: their slots are set.
    for (int i = 1; i <= grid.nsplit; ++i) {
        int e = list_split(i);
        set_slot(++j, e, edge_slot(isubedge(e, 1)), edge_slot(isubedge(e, 2)));
    }
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = position_cell(i);
        for (int k = 1; k <= 4; ++k) position_slots(k, i) = edge_slot(icedge(c, k));
    }
}

}  // namespace

void mark_stale() { stale = true; }

void refresh() {
    if (!stale && counts_agree()) return;
    rebuild();
    stale = false;
}

}  // namespace qelta::layout
