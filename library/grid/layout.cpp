#include "grid/layout.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "common/run.h"

namespace qelta::layout {

namespace {

bool stale = true;
long rebuild_count = 0;
long changes = 0;

bool counts_agree() {
    return counts.cells == grid.ncell && counts.interior == grid.niedge && counts.boundary == grid.nbedge &&
           counts.hanging == grid.nsplit;
}

// Number order: the active cells sorted by a radix sort of two passes, the
// low digit of their numbers first.
constexpr int number_digit_bits = 9;
static_assert(MAX_CEL < (1 << (2 * number_digit_bits)));
constexpr int key_digit_bits = 11;  // three digits of a 32-bit key
constexpr int max_digits = 1 << key_digit_bits;
Array1<int, max_digits + 1> digit_start;
CellArray<int> sorted_once, sorted_twice;

// Stable sort of from(1..n) by the digit d(x) < digits into to(1..n).
template <class From, class To, class Digit>
void sort_by_digit(int n, int digits, From from, To to, Digit d) {
    for (int k = 1; k <= digits + 1; ++k) digit_start(k) = 0;
    for (int i = 1; i <= n; ++i) ++digit_start(d(from(i)) + 1);
    for (int k = 1, start = 1; k <= digits; ++k) {
        int count = digit_start(k);
        digit_start(k) = start;
        start += count;
    }
    for (int i = 1; i <= n; ++i) {
        auto x = from(i);
        to(digit_start(d(x) + 1)++) = x;
    }
}

// Sorts keys(1..n) ascending by their digits of key_digit_bits at the given
// shifts, the least significant first, with spare as scratch. A digit that
// all keys share is passed over.
template <class Key, int N>
void sort_keys(Array1<Key, N>& keys, Array1<Key, N>& spare, int n, std::initializer_list<int> shifts) {
    constexpr Key mask = max_digits - 1;
    Array1<Key, N>* from = &keys;
    Array1<Key, N>* to = &spare;
    for (int shift : shifts) {
        auto d = [shift](Key x) { return static_cast<int>((x >> shift) & mask); };
        bool shared = true;
        for (int i = 2; i <= n && shared; ++i) shared = d((*from)(i)) == d((*from)(1));
        if (shared) continue;
        sort_by_digit(n, max_digits, [from](int i) { return (*from)(i); }, [to](int i) -> Key& { return (*to)(i); }, d);
        std::swap(from, to);
    }
    if (from != &keys)
        for (int i = 1; i <= n; ++i) keys(i) = (*from)(i);
}
// Cell and edge numbers in two digits.
static_assert(MAX_EDG < (1 << (2 * key_digit_bits)) && MAX_CEL < (1 << (2 * key_digit_bits)));

void order_numbers() {
    constexpr int digits = 1 << number_digit_bits;
    int n = grid.ncell;
    sort_by_digit(n, digits, [](int i) { return list_cel(i); }, [](int i) -> int& { return sorted_once(i); },
                  [](int c) { return c & (digits - 1); });
    sort_by_digit(n, digits, [](int i) { return sorted_once(i); }, [](int i) -> int& { return number_cell(i); },
                  [](int c) { return c >> number_digit_bits; });
}

// The Morton key of a point: the bits of its two 16-bit coordinates in the
// box interleaved, x in the even bits.
std::uint32_t spread_bits(std::uint32_t v) {
    v &= 0xffff;
    v = (v | (v << 8)) & 0x00ff00ffu;
    v = (v | (v << 4)) & 0x0f0f0f0fu;
    v = (v | (v << 2)) & 0x33333333u;
    v = (v | (v << 1)) & 0x55555555u;
    return v;
}

struct Box {
    double x0, y0, sx, sy;  // corner and scales to 0..65535
};

// The box of the centroids, with a margin for the centroids of later
// children near its sides.
Box centroid_box() {
    if (grid.ncell == 0) return {0, 0, 0, 0};
    double x0 = xc(number_cell(1)), x1 = x0, y0 = yc(number_cell(1)), y1 = y0;
    for (int i = 2; i <= grid.ncell; ++i) {
        int c = number_cell(i);
        x0 = std::min(x0, xc(c));
        x1 = std::max(x1, xc(c));
        y0 = std::min(y0, yc(c));
        y1 = std::max(y1, yc(c));
    }
    double mx = (x1 - x0) / 16, my = (y1 - y0) / 16;
    x0 -= mx;
    x1 += mx;
    y0 -= my;
    y1 += my;
    constexpr double top = 65535;
    return {x0, y0, x1 > x0 ? top / (x1 - x0) : 0.0, y1 > y0 ? top / (y1 - y0) : 0.0};
}

// A coordinate in the box as a whole number 0..65535 (NaN as 0).
std::uint32_t box_coordinate(double v, double v0, double scale) {
    double q = (v - v0) * scale;
    return q > 0 ? static_cast<std::uint32_t>(std::min(q, 65535.0)) : 0;
}

Box box;  // of the last whole rebuild
// Whether the positions are in number order: where the numbers already
// follow the space (a block numbered row by row, a grid refined uniformly)
// that keeps the storage and the copies in one order.
bool numbers_as_positions = false;
std::uint32_t morton_key(int c) {
    std::uint32_t x = box_coordinate(xc(c), box.x0, box.sx), y = box_coordinate(yc(c), box.y0, box.sy);
    return spread_bits(x) | (spread_bits(y) << 1);
}
std::uint32_t cell_key(int c) { return numbers_as_positions ? static_cast<std::uint32_t>(c) : morton_key(c); }

// Interior edges whose cells lie farther apart in an order than this are
// counted as far: the copies of the cells between them no longer stay in
// the cache while the sweep passes.
constexpr int far_apart = 2048;
bool far(int a, int b) { return a - b > far_apart || b - a > far_apart; }

// The copies of a grid of fewer cells stay in the cache in any order: it
// keeps the number order, which the storage's columns are read in.
constexpr int spatial_order_from = 10000;

// Number order or the Morton order in cell_position: the number order for a
// small grid, or where it has no more than twice the far edges of the Morton
// order.
CellArray<int> number_rank;
long far_when_ordered = 0;     // far edges of the number order when chosen
bool small_when_ordered = false;  // chosen for a small grid
bool number_order_is_near() {
    small_when_ordered = grid.ncell < spatial_order_from;
    if (small_when_ordered) return true;
    for (int i = 1; i <= grid.ncell; ++i) number_rank(number_cell(i)) = i;
    long far_numbers = 0, far_morton = 0;
    for (int k = 1; k <= grid.niedge; ++k) {
        int l = ileft(list_iedge(k)), r = iright(list_iedge(k));
        far_numbers += far(number_rank(l), number_rank(r));
        far_morton += far(cell_position(l), cell_position(r));
    }
    far_when_ordered = far_numbers;
    // A grid that does not adapt keeps the order of its numbers (from the
    // grid file and the uniform refinement): there the update's single pass
    // in that order costs less than the copies gain from the curve.
    return far_numbers <= 2 * far_morton || run.lmax <= run.minlev;
}

CellArray<std::uint32_t> number_key;    // the key of number_cell(i)
CellArray<std::uint32_t> position_key;  // the key of position_cell(i)

// Positions: the indices of the number order sorted by key (three passes),
// equal keys in number order.
void order_positions() {
    int n = grid.ncell;
    // Cells that leave the grid have no position.
    for (int i = 1; i <= counts.cells; ++i) cell_position(position_cell(i)) = 0;
    order_numbers();
    box = centroid_box();
    numbers_as_positions = false;
    for (int i = 1; i <= n; ++i) number_key(i) = cell_key(number_cell(i));
    constexpr std::uint32_t mask = max_digits - 1;
    auto digit = [](int shift) { return [shift](int i) { return static_cast<int>((number_key(i) >> shift) & mask); }; };
    sort_by_digit(n, max_digits, [](int i) { return i; }, [](int i) -> int& { return sorted_once(i); }, digit(0));
    sort_by_digit(n, max_digits, [](int i) { return sorted_once(i); }, [](int i) -> int& { return sorted_twice(i); },
                  digit(key_digit_bits));
    sort_by_digit(n, max_digits, [](int i) { return sorted_twice(i); }, [](int i) -> int& { return sorted_once(i); },
                  digit(2 * key_digit_bits));
    for (int i = 1; i <= n; ++i) {
        int k = sorted_once(i);
        number_position(k) = i;
        int c = number_cell(k);
        position_cell(i) = c;
        position_key(i) = number_key(k);
        cell_position(c) = i;
    }
    if (!number_order_is_near()) return;
    numbers_as_positions = true;
    for (int i = 1; i <= n; ++i) {
        int c = number_cell(i);
        number_position(i) = i;
        position_cell(i) = c;
        position_key(i) = cell_key(c);
        cell_position(c) = i;
    }
}

// ---- After an adaptation: the orders merged with the cells that entered ----

// What the last adaptation recorded, and whether the maps were current for
// the grid it changed.
const CellArray<int>* left_cells = nullptr;
const CellArray<int>* entered_cells = nullptr;
int n_left = 0, n_entered = 0;
bool recorded = false;

// The cells that entered and did not leave again, as (key, number) and as
// number, each sorted.
Array1<std::uint64_t, MAX_CEL> new_by_key, key_spare;
CellArray<int> new_by_number;
CellArray<int> entered_mark, left_mark, new_mark;
CellArray<int> position_left;  // marks the old positions of the cells that left
int marks = 0;
int n_new_cells = 0;
CellArray<int> merged_cells;
CellArray<std::uint32_t> merged_keys;

std::uint64_t key_and_number(std::uint32_t key, int c) {
    return (static_cast<std::uint64_t>(key) << 32) | static_cast<std::uint32_t>(c);
}

int collect_new_cells() {
    ++marks;
    for (int i = 1; i <= n_entered; ++i) entered_mark((*entered_cells)(i)) = marks;
    // A cell that entered and left in one call (or left and entered) keeps
    // its membership.
    for (int i = 1; i <= n_left; ++i) {
        int c = (*left_cells)(i);
        left_mark(c) = marks;
        if (entered_mark(c) == marks) continue;
        if (cell_position(c) > 0) position_left(cell_position(c)) = marks;
        cell_position(c) = 0;
    }
    int m = 0;
    for (int i = 1; i <= n_entered; ++i) {
        int c = (*entered_cells)(i);
        if (left_mark(c) == marks || cell_position(c) != 0) continue;
        cell_position(c) = -1;  // once only
        new_mark(c) = marks;
        ++m;
        new_by_key(m) = key_and_number(cell_key(c), c);
        new_by_number(m) = c;
    }
    sort_keys(new_by_key, key_spare, m, {0, key_digit_bits, 32, 32 + key_digit_bits, 32 + 2 * key_digit_bits});
    sort_keys(new_by_number, sorted_once, m, {0, key_digit_bits});
    n_new_cells = m;
    return m;
}

// Positions: the old ones that stay, in their order, merged with the new
// cells by key and number; their count.
CellArray<int> moved_to;  // the new position of an old one, 0 for a cell that left

int merge_positions(int m) {
    int n = 0, k = 1;
    for (int i = 1; i <= counts.cells; ++i) {
        int c = position_cell(i);
        moved_to(i) = 0;
        if (position_left(i) == marks) continue;
        std::uint64_t old_key = key_and_number(position_key(i), c);
        for (; k <= m && new_by_key(k) < old_key; ++k) {
            merged_cells(++n) = static_cast<int>(new_by_key(k) & 0xffffffffu);
            merged_keys(n) = static_cast<std::uint32_t>(new_by_key(k) >> 32);
        }
        merged_cells(++n) = c;
        merged_keys(n) = position_key(i);
        moved_to(i) = n;
    }
    for (; k <= m; ++k) {
        merged_cells(++n) = static_cast<int>(new_by_key(k) & 0xffffffffu);
        merged_keys(n) = static_cast<std::uint32_t>(new_by_key(k) >> 32);
    }
    for (int i = 1; i <= n; ++i) {
        int c = merged_cells(i);
        position_cell(i) = c;
        position_key(i) = merged_keys(i);
        cell_position(c) = i;
    }
    return n;
}

// Number order: the old one that stays merged with the new cells; its
// count.
int merge_numbers(int m) {
    int n = 0, k = 1;
    for (int i = 1; i <= counts.cells; ++i) {
        int c = number_cell(i);
        if (cell_position(c) <= 0) continue;
        for (; k <= m && new_by_number(k) < c; ++k) merged_cells(++n) = new_by_number(k);
        merged_cells(++n) = c;
    }
    for (; k <= m; ++k) merged_cells(++n) = new_by_number(k);
    for (int i = 1; i <= n; ++i) number_cell(i) = merged_cells(i);
    return n;
}

// False when what was recorded does not give the active grid.
bool update_positions() {
    int m = collect_new_cells();
    if (merge_numbers(m) != grid.ncell || merge_positions(m) != grid.ncell) return false;
    for (int i = 1; i <= grid.ncell; ++i) number_position(i) = cell_position(number_cell(i));
    return true;
}

void set_slot(int j, int e, int left, int right) {
    edge_slot(e) = j;
    slot_edge(j) = e;
    slot_links(1, j) = left;
    slot_links(2, j) = right;
}

// Interior slots 1..niedge: the edges of list_iedge by the position of their
// cell ileft (a counting sort), in list order among those of one cell; then
// their end points in slot order. (For grids whose cells are not ileft of
// their edges 1 and 4.)
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

// The same slots from the cells in position order: a cell is ileft of its
// edges 1 and 4 or, where those hang, of their halves. False when an edge is
// not where that rule puts it (then the sort above orders them).
int interior_slot;
bool emit_left_edge(int e, int c, int i) {
    if (lbedge(e)) return true;
    if (lsplit(e)) return emit_left_edge(isubedge(e, 1), c, i) && emit_left_edge(isubedge(e, 2), c, i);
    if (ileft(e) != c || interior_slot == grid.niedge) return false;
    int j = ++interior_slot;
    set_slot(j, e, i, cell_position(iright(e)));
    for (int m = 1; m <= 4; ++m) slot_ends(m, j) = xyedge(e, m);
    return true;
}

bool interior_slots_by_position() {
    interior_slot = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = position_cell(i);
        if (!emit_left_edge(icedge(c, 1), c, i) || !emit_left_edge(icedge(c, 4), c, i)) return false;
    }
    return interior_slot == grid.niedge;
}

// After an adaptation: an interior edge between two cells that stayed is
// unchanged (a split or a merge takes out a cell of every edge it removes,
// splits or relinks), so its slot is kept, with its positions moved; the
// edges of the new cells are merged in by the position of their cells
// ileft. False when the count does not come out (then they are laid out
// afresh). The passes that read the storage by edge number (the new edges'
// cells and end points, edge_slot) run on their own, apart from the
// sequential ones over the slots.
Array1<std::uint64_t, MAX_EDG> new_edges, edge_spare;  // (position of ileft, edge), sorted
int n_new_edges;
EdgeArray<int> new_right;             // the position of iright of new_edges(n)
Array2<double, 4, MAX_EDG> new_ends;  // the end points of new_edges(n)

bool is_new_cell(int c) { return new_mark(c) == marks; }

void collect_new_edge(int e, int c) {
    if (lbedge(e)) return;
    if (lsplit(e)) {
        collect_new_edge(isubedge(e, 1), c);
        collect_new_edge(isubedge(e, 2), c);
        return;
    }
    int left = ileft(e);
    // An edge between two new cells is taken from its cell ileft.
    if (left != c && is_new_cell(left)) return;
    if (n_new_edges == MAX_EDG) return;
    new_edges(++n_new_edges) = (static_cast<std::uint64_t>(cell_position(left)) << 32) | static_cast<std::uint32_t>(e);
}

bool reorder = false;  // order afresh at the next rebuild

bool update_interior_slots() {
    int old_slots = counts.interior;
    n_new_edges = 0;
    for (int k = 1; k <= n_new_cells; ++k)
        for (int side = 1; side <= 4; ++side) collect_new_edge(icedge(new_by_number(k), side), new_by_number(k));
    sort_keys(new_edges, edge_spare, n_new_edges, {0, key_digit_bits, 32, 32 + key_digit_bits});
    for (int n = 1; n <= n_new_edges; ++n) {
        int e = static_cast<int>(new_edges(n) & 0xffffffffu);
        new_right(n) = cell_position(iright(e));
        for (int m = 1; m <= 4; ++m) new_ends(m, n) = xyedge(e, m);
    }
    // The kept slots move forward over those that go, in place (a kept
    // slot's index can only fall); those before the first that goes stay.
    int kept = 0, unmoved = 0;
    for (int j = 1; j <= old_slots; ++j) {
        int left = moved_to(slot_links(1, j)), right = moved_to(slot_links(2, j));
        if (left == 0 || right == 0) continue;
        if (++kept == j) {
            unmoved = j;
        } else {
            slot_edge(kept) = slot_edge(j);
            for (int m = 1; m <= 4; ++m) slot_ends(m, kept) = slot_ends(m, j);
        }
        slot_links(1, kept) = left;
        slot_links(2, kept) = right;
    }
    int slots = kept + n_new_edges;
    if (slots != grid.niedge) return false;
    // The new edges are merged in from the back, where a kept slot's index
    // can only rise: no slot is overwritten before it is read. The slots
    // below the first new one stay where the first pass put them, and those
    // below the first that went keep their edge_slot.
    int j = slots, k = n_new_edges;
    auto put_new = [&](int n) {
        slot_edge(j) = static_cast<int>(new_edges(n) & 0xffffffffu);
        slot_links(1, j) = static_cast<int>(new_edges(n) >> 32);
        slot_links(2, j) = new_right(n);
        for (int m = 1; m <= 4; ++m) slot_ends(m, j) = new_ends(m, n);
        --j;
    };
    int i = kept;
    for (; i >= 1 && k >= 1; --i) {
        for (; k >= 1 && static_cast<int>(new_edges(k) >> 32) >= slot_links(1, i); --k) put_new(k);
        if (j != i) {
            slot_edge(j) = slot_edge(i);
            slot_links(1, j) = slot_links(1, i);
            slot_links(2, j) = slot_links(2, i);
            for (int m = 1; m <= 4; ++m) slot_ends(m, j) = slot_ends(m, i);
        }
        --j;
    }
    for (; k >= 1; --k) put_new(k);
    for (int n = std::min(i, unmoved) + 1; n <= slots; ++n) edge_slot(slot_edge(n)) = n;
    // In number order, adaptation scatters the numbers over the space: once
    // the far edges are more than twice as many as when it was chosen (and a
    // tenth of all), or a grid it was chosen for as small has grown, the next
    // rebuild chooses afresh.
    if (numbers_as_positions && small_when_ordered) {
        if (grid.ncell >= spatial_order_from) reorder = true;
    } else if (numbers_as_positions) {
        long far_edges = 0;
        for (int i = 1; i <= slots; ++i) far_edges += far(slot_links(1, i), slot_links(2, i));
        if (far_edges > 2 * far_when_ordered + slots / 10) reorder = true;
    }
    return true;
}

void rebuild(bool after_adaptation) {
    // The positions of the last rebuild, with the adaptation's record, or
    // afresh.
    bool updated = after_adaptation && !reorder && update_positions();
    reorder = false;
    if (!updated) {
        cell_position.fill(0);
        counts.cells = 0;
        order_positions();
    }
    bool slots_kept = updated && update_interior_slots();
    counts = {grid.ncell, grid.niedge, grid.nbedge, grid.nsplit};
    if (!slots_kept && !interior_slots_by_position()) order_interior_slots();
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
        int c = number_cell(i), at = number_position(i);
        for (int k = 1; k <= 4; ++k) position_slots(k, at) = edge_slot(icedge(c, k));
    }
}

}  // namespace

void mark_stale() {
    stale = true;
    recorded = false;
    ++changes;
}

void mark_adapted(const CellArray<int>& left, int nl, const CellArray<int>& entered, int ne) {
    // A record of the change of a grid the maps did not match is no use.
    recorded = !stale;
    stale = true;
    left_cells = &left;
    entered_cells = &entered;
    n_left = nl;
    n_entered = ne;
}

long generation() { return changes; }

bool positions_are_numbers() { return numbers_as_positions; }

bool current() { return !stale && counts_agree(); }

long rebuilds() { return rebuild_count; }

void refresh() {
    if (current()) return;
    rebuild(recorded);
    ++rebuild_count;
    stale = false;
    recorded = false;
}

}  // namespace qelta::layout
