// The active grid in the order the whole-grid passes visit it.
//
// Cell and edge numbers are fixed by the adaptation and end up scattered over
// the whole capacity, and so do the list orders, so that a pass which reads
// the fields of both cells of every edge would fetch a cache line for every
// value it uses. The passes (the gradient fit, the edge sweeps) therefore
// read packed copies of what they need, laid out by
//   position: the active cells along a Morton curve of their centroids in
//             the box of the grid, so that the cells of an edge lie near
//             each other in the copies at every level of refinement; or in
//             the order of their numbers where that keeps them as near
//             (a block numbered row by row), and on a grid that does not
//             adapt;
//   slot:     the edges that carry a flux or a product: the interior edges
//             in the order of the positions of their cells ileft, then the
//             boundary edges in list_bedge order, then the hanging mother
//             edges in list_split order;
// with the edge-to-cell links translated into positions and slots, and the
// end points of the interior edges copied by slot. Passes that read or
// write the storage's per-cell columns go through the active cells in the
// order of their numbers instead (number order), so that they read those
// columns front to back, and reach the copies through number_position.
// What each pass computes for a cell or an edge does not depend on the
// order it visits them in. The maps follow the grid: build_edge_lists and
// cell_geometry, which every change of the lists or of the edges' end points
// ends with, mark them stale and the next pass rebuilds them; the adaptation
// tells which cells it took out and put in (mark_adapted), and the next pass
// keeps the rest of the orders and the interior slots between cells that
// stayed, and merges the new cells and their edges in (so on an adaptive run
// after every even step, whose adapt reports its changes whether the grid
// changed or not, and mostly in sequential passes).
// The copies of the flow are scratch of each pass; the storage stays the one
// record of the grid and the flow.
#pragma once

#include "common/storage.h"
#include "grid/geometry.h"

namespace qelta::layout {

struct Counts {
    int cells;     // positions 1..cells
    int interior;  // slots 1..interior
    int boundary;  // slots interior + 1..interior + boundary
    int hanging;   // the slots after those
};

// The maps, valid after refresh().
inline Counts counts;
inline CellArray<int> position_cell;  // the cell at a position
inline CellArray<int> cell_position;  // the position of an active cell
inline CellArray<int> number_cell;    // the active cells in ascending numbers
inline CellArray<int> number_position;  // the position of number_cell(i)
inline EdgeArray<int> slot_edge;      // the edge of a slot
inline EdgeArray<int> edge_slot;      // the slot of an interior, boundary or hanging edge
// Interior and boundary slots: the positions of ileft and iright (a
// boundary slot names its one cell, iright, twice); hanging slots: the slots
// of the two halves.
inline Array2<int, 2, MAX_EDG> slot_links;
// The slots of the four edges of every position.
inline Array2<int, 4, MAX_CEL> position_slots;
// The end points x1, y1, x2, y2 of the edge of every interior slot.
inline Array2<double, 4, MAX_EDG> slot_ends;

// Called whenever the lists are rebuilt or edges move.
void mark_stale();
// Called by the adaptation, which keeps what depends on the grid up to date
// for the cells it changed (see generation()), with the cells that left the
// active grid and those that entered it (lists left alone until the next
// refresh): the next refresh merges the new cells into the orders.
void mark_adapted(const CellArray<int>& left, int n_left, const CellArray<int>& entered, int n_entered);
// Counts the changes of the grid other than the adaptation's (mark_stale):
// what the adaptation keeps up to date cell by cell is whole while this
// count stays what it was when it was last computed.
long generation();
// Rebuilds the maps if the lists have been rebuilt, or their counts have
// changed, since the last call.
void refresh();
// Whether the maps match the present grid (no rebuild needed).
bool current();
// Counts the rebuilds of the maps: slots and positions keep their meaning
// while it stays the same.
long rebuilds();
// Whether position i holds number_cell(i) (after refresh()).
bool positions_are_numbers();

// f(c) for every active cell, for passes whose results do not depend on the
// order: in number order when the maps are current (the per-cell columns are
// then read front to back), else in list order.
template <class F>
void each_active_cell(F f) {
    if (current())
        for (int i = 1; i <= counts.cells; ++i) f(number_cell(i));
    else
        for (int i = 1; i <= grid.ncell; ++i) f(list_cel(i));
}

// f(c, i) for every active cell c and its position i, in number order, after
// refresh(): for passes between the storage and the packed copies. Before
// each, ahead(i') for the position i' of the cell some way ahead: positions
// follow the space, not the numbers, so that what f reads or writes at them
// is scattered; ahead prefetches it.
constexpr int prefetch_ahead = 16;
template <class F, class Ahead>
void each_cell_and_position(F f, Ahead ahead) {
    if (positions_are_numbers()) {
        for (int i = 1; i <= counts.cells; ++i) f(number_cell(i), i);
        return;
    }
    int n = counts.cells;
    for (int i = 1; i <= n; ++i) {
        if (i + prefetch_ahead <= n) ahead(number_position(i + prefetch_ahead));
        f(number_cell(i), number_position(i));
    }
}
template <class F>
void each_cell_and_position(F f) {
    each_cell_and_position(f, [](int) {});
}

inline int first_boundary_slot() { return counts.interior + 1; }
inline int last_boundary_slot() { return counts.interior + counts.boundary; }
inline int last_slot() { return counts.interior + counts.boundary + counts.hanging; }


inline int left_position(int j) { return slot_links(1, j); }
inline int right_position(int j) { return slot_links(2, j); }
inline int half_slot(int j, int h) { return slot_links(h, j); }
inline Vec2 slot_start(int j) { return {slot_ends(1, j), slot_ends(2, j)}; }
inline Vec2 slot_end(int j) { return {slot_ends(3, j), slot_ends(4, j)}; }

}  // namespace qelta::layout
