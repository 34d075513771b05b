#include "grid/layout.h"

namespace qelta::layout {

namespace {

bool stale = true;

bool counts_agree() {
    return counts.cells == grid.ncell && counts.interior == grid.niedge && counts.boundary == grid.nbedge &&
           counts.hanging == grid.nsplit;
}

// Positions in the order of the cell numbers: the active cells sorted by a
// radix sort of two passes, the low digit of their numbers first.
constexpr int digit_bits = 9, digits = 1 << digit_bits;
static_assert(MAX_CEL < digits * digits);
Array1<int, digits + 1> digit_start;
CellArray<int> by_low_digit;

// Stable sort of from(1..n) by the digit d(c) into to(1..n).
template <class From, class To, class Digit>
void sort_by_digit(int n, From from, To to, Digit d) {
    digit_start.fill(0);
    for (int i = 1; i <= n; ++i) ++digit_start(d(from(i)) + 1);
    for (int k = 1, start = 1; k <= digits; ++k) {
        int count = digit_start(k);
        digit_start(k) = start;
        start += count;
    }
    for (int i = 1; i <= n; ++i) to(digit_start(d(from(i)) + 1)++) = from(i);
}

void order_positions() {
    int n = grid.ncell;
    sort_by_digit(n, [](int i) { return list_cel(i); }, [](int i) -> int& { return by_low_digit(i); },
                  [](int c) { return c & (digits - 1); });
    sort_by_digit(n, [](int i) { return by_low_digit(i); }, [](int i) -> int& { return position_cell(i); },
                  [](int c) { return c >> digit_bits; });
    for (int i = 1; i <= n; ++i) cell_position(position_cell(i)) = i;
}

void set_slot(int j, int e, int left, int right) {
    edge_slot(e) = j;
    slot_edge(j) = e;
    slot_links(1, j) = left;
    slot_links(2, j) = right;
}

// Interior slots 1..niedge: the edges of list_iedge by the position of their
// cell ileft (a counting sort), in list order among those of one cell; then
// their end points in slot order.
CellArray<int> first_of_position;
EdgeArray<int> left_of_listed;  // the position of ileft of list_iedge(k)

void order_interior_slots() {
    int n = grid.ncell;
    for (int i = 1; i <= n; ++i) first_of_position(i) = 0;
    for (int k = 1; k <= grid.niedge; ++k) {
        int left = cell_position(ileft(list_iedge(k)));
        left_of_listed(k) = left;
        ++first_of_position(left);
    }
    int start = 1;
    for (int i = 1; i <= n; ++i) {
        int count = first_of_position(i);
        first_of_position(i) = start;
        start += count;
    }
    for (int k = 1; k <= grid.niedge; ++k) {
        int e = list_iedge(k), left = left_of_listed(k);
        set_slot(first_of_position(left)++, e, left, cell_position(iright(e)));
    }
    for (int j = 1; j <= grid.niedge; ++j)
        for (int m = 1; m <= 4; ++m) slot_ends(m, j) = xyedge(slot_edge(j), m);
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

bool current() { return !stale && counts_agree(); }

void refresh() {
    if (current()) return;
    rebuild();
    stale = false;
}

}  // namespace qelta::layout
