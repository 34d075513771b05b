#include "grid/layout.h"

namespace qelta::layout {

namespace {

bool stale = true;

bool counts_agree() {
    return counts.cells == grid.ncell && counts.interior == grid.niedge && counts.boundary == grid.nbedge &&
           counts.hanging == grid.nsplit;
}

void rebuild() {
    counts = {grid.ncell, grid.niedge, grid.nbedge, grid.nsplit};
    for (int i = 1; i <= grid.ncell; ++i) cell_position(list_cel(i)) = i;
    int j = 0;
    for (int i = 1; i <= grid.niedge; ++i) {
        int e = list_iedge(i);
        edge_slot(e) = ++j;
        slot_links(1, j) = cell_position(ileft(e));
        slot_links(2, j) = cell_position(iright(e));
    }
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        edge_slot(e) = ++j;
        slot_links(1, j) = slot_links(2, j) = cell_position(iright(e));
    }
    // The halves of a hanging edge are active edges: their slots are set.
    for (int i = 1; i <= grid.nsplit; ++i) {
        int e = list_split(i);
        edge_slot(e) = ++j;
        slot_links(1, j) = edge_slot(isubedge(e, 1));
        slot_links(2, j) = edge_slot(isubedge(e, 2));
    }
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
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
