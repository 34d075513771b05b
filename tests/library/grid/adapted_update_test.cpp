// After each step of an adaptive run, what the adaptation updated for the
// cells it changed alone (the least-squares matrices, the primitives, the
// cell sizes of the step limit, the edge lists) equals bit for bit what the
// whole-grid routines give, the loop order is a true map of the grid, and
// the cells that the flow fit packs for the sweeps hold what the storage
// holds; after scripted adaptations of a block, the loop order's update
// keeps the slots it should, in their order.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/adapt.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "grid/layout.h"
#include "qelta.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"
#include "support/workdir.h"

using namespace qelta;

namespace {

struct AdaptiveRun {
    const char* name;
    int id, iaxis, ns, level;
    double angle;
    int scheme, steps;
    bool along_curve = false;  // the grid is large enough for the curve order
};

void PrintTo(const AdaptiveRun& k, std::ostream* os) { *os << k.name; }

// Record 4 of "controladv.dat": the scheme, flux code 1.
void choose_scheme(int scheme) {
    std::vector<std::string> lines = qelta::testing::read_lines("controladv.dat");
    lines.at(3) = std::to_string(scheme) + " 1";
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    qelta::testing::write_file("controladv.dat", text);
}

void start(const AdaptiveRun& k) {
    choose_scheme(k.scheme);
    double real[20] = {0, 2.0, k.angle, 1.4};
    int ints[20] = {0, k.ns, k.iaxis, 0, k.id, k.level};
    initialize_qelta(real, ints);
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The active cells whose columns 1..n of value(c, k) change, bit for bit,
// when the whole-grid routine recompute() runs (it then leaves its own,
// equal, values).
template <class Value>
int cells_differing(int n, Value value, void (*recompute)()) {
    std::vector<double> kept;
    for (int i = 1; i <= grid.ncell; ++i)
        for (int k = 1; k <= n; ++k) kept.push_back(value(list_cel(i), k));
    recompute();
    int differing = 0;
    for (int i = 1, at = 0; i <= grid.ncell; ++i) {
        bool same = true;
        for (int k = 1; k <= n; ++k) same = same && bits(kept[at++]) == bits(value(list_cel(i), k));
        differing += !same;
    }
    return differing;
}

// The matrices of every active cell against lsq_matrix.
int matrices_differing() { return cells_differing(4, [](int c, int k) { return lsqm(c, k); }, lsq_matrix); }

// The primitives of every active cell against cons_to_prim.
int primitives_differing() { return cells_differing(5, [](int c, int k) { return state(c, k); }, cons_to_prim); }

// The kept step-limit size of every active cell against its edges.
int sizes_differing() {
    const CellArray<double>& size = cell_sizes();
    int differing = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        differing += bits(size(c)) != bits(std::min(edglen(icedge(c, 1)), edglen(icedge(c, 2))));
    }
    return differing;
}

// After the flow fit, the packed cells against the storage (their state,
// temperature, centroid, signal speed and fitted gradients, those projected
// at open boundaries included).
int packed_cells_differing() {
    get_dt();
    lsq_edge_terms();
    int differing = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = layout::position_cell(i);
        const FlowCell& a = flow_cells(i);
        const double packed[] = {a.q.r, a.q.p, a.q.u, a.q.v, a.t, a.centre.x, a.centre.y, a.speed,
                                 a.g.rx, a.g.ry, a.g.px, a.g.py, a.g.ux, a.g.uy, a.g.vx, a.g.vy};
        const double stored[] = {r(c), p(c), ux(c), uy(c), p(c) / r(c), xc(c), yc(c), wspeed(c),
                                 grad(c, 1), grad(c, 2), grad(c, 3), grad(c, 4), grad(c, 5), grad(c, 6), grad(c, 7),
                                 grad(c, 8)};
        bool same = true;
        for (int k = 0; k < 16; ++k) same = same && bits(packed[k]) == bits(stored[k]);
        differing += !same;
    }
    return differing;
}

// The edge lists against those that rebuild_edge_lists forms from list_edg.
bool edge_lists_as_rebuilt() {
    const GridCounts before = grid;
    std::vector<int> lists;
    for (int i = 1; i <= grid.niedge; ++i) lists.push_back(list_iedge(i));
    for (int i = 1; i <= grid.nbedge; ++i) lists.push_back(list_bedge(i));
    for (int i = 1; i <= grid.nsplit; ++i) lists.push_back(list_split(i));
    rebuild_edge_lists();
    std::vector<int> rebuilt;
    for (int i = 1; i <= grid.niedge; ++i) rebuilt.push_back(list_iedge(i));
    for (int i = 1; i <= grid.nbedge; ++i) rebuilt.push_back(list_bedge(i));
    for (int i = 1; i <= grid.nsplit; ++i) rebuilt.push_back(list_split(i));
    return grid.niedge == before.niedge && grid.nbedge == before.nbedge && grid.nsplit == before.nsplit &&
           lists == rebuilt;
}

// Positions and number order are permutations of the active cells, the
// slots name their edges' cells and each position its cell's edges.
void expect_true_map() {
    layout::refresh();
    ASSERT_EQ(layout::counts.cells, grid.ncell);
    std::vector<int> cells;
    for (int i = 1; i <= grid.ncell; ++i) cells.push_back(list_cel(i));
    std::sort(cells.begin(), cells.end());
    std::vector<int> by_position;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = layout::position_cell(i);
        ASSERT_EQ(layout::cell_position(c), i);
        by_position.push_back(c);
        ASSERT_EQ(layout::number_cell(i), cells[i - 1]);
        ASSERT_EQ(layout::position_cell(layout::number_position(i)), cells[i - 1]);
        for (int k = 1; k <= 4; ++k) ASSERT_EQ(layout::slot_edge(layout::position_slots(k, i)), icedge(c, k));
    }
    std::sort(by_position.begin(), by_position.end());
    ASSERT_EQ(by_position, cells);
    ASSERT_EQ(layout::counts.interior, grid.niedge);
    for (int j = 1; j <= layout::counts.interior; ++j) {
        int e = layout::slot_edge(j);
        ASSERT_EQ(layout::edge_slot(e), j);
        ASSERT_EQ(layout::position_cell(layout::left_position(j)), ileft(e));
        ASSERT_EQ(layout::position_cell(layout::right_position(j)), iright(e));
        ASSERT_EQ(layout::slot_start(j).x, xyedge(e, 1));
        ASSERT_EQ(layout::slot_end(j).y, xyedge(e, 4));
    }
}

class AdaptedUpdate : public qelta::testing::WorkDir, public ::testing::WithParamInterface<AdaptiveRun> {};

TEST_P(AdaptedUpdate, EqualsTheWholeGridRoutines) {
    const AdaptiveRun& k = GetParam();
    start(k);
    int changed_steps = 0, curve_steps = 0;
    for (int s = 1; s <= k.steps; ++s) {
        ASSERT_EQ(packed_cells_differing(), 0) << "step " << s;
        flow_step();
        adaptation_step();
        run.time += run.dt;
        run.nstep += 1;
        changed_steps += adapted_count > 0;
        ASSERT_EQ(matrices_differing(), 0) << "step " << s;
        ASSERT_EQ(primitives_differing(), 0) << "step " << s;
        ASSERT_EQ(sizes_differing(), 0) << "step " << s;
        ASSERT_TRUE(edge_lists_as_rebuilt()) << "step " << s;
        expect_true_map();
        curve_steps += !layout::positions_are_numbers();
    }
    if (k.along_curve) {
        EXPECT_EQ(curve_steps, k.steps);
    }
    EXPECT_GT(changed_steps, k.steps / 4);  // the runs do adapt
}

INSTANTIATE_TEST_SUITE_P(Runs, AdaptedUpdate,
                         ::testing::Values(AdaptiveRun{"WedgeScheme2", 2, 0, 0, 4, 30, 2, 60},
                                           // large enough for positions along the curve
                                           AdaptiveRun{"WedgeLevel5", 2, 0, 0, 5, 30, 2, 20, true},
                                           AdaptiveRun{"WedgeScheme1", 2, 0, 0, 4, 30, 1, 60},
                                           AdaptiveRun{"Cone", 4, 1, 0, 3, 20, 2, 40},
                                           AdaptiveRun{"ViscousSphere", 101, 1, 1, 2, 50, 2, 10}),
                         [](const auto& info) { return info.param.name; });

// ---- The update of the loop order after scripted adaptations ----

// The loop order before an adaptation: which cells had a position, and the
// edge of every interior slot with its two cells, in slot order.
struct Before {
    std::vector<char> had = std::vector<char>(MAX_CEL + 1, 0);
    std::vector<int> edge, left, right;
};

Before layout_before() {
    layout::refresh();
    Before b;
    for (int i = 1; i <= layout::counts.cells; ++i) b.had[layout::position_cell(i)] = 1;
    for (int j = 1; j <= layout::counts.interior; ++j) {
        b.edge.push_back(layout::slot_edge(j));
        b.left.push_back(layout::position_cell(layout::left_position(j)));
        b.right.push_back(layout::position_cell(layout::right_position(j)));
    }
    return b;
}

// The interior slots an update lays out: the edges between two cells that
// stayed, in their old order, merged with the other interior edges by the
// position of their cell ileft (after the kept ones of that position) and
// by number; and how many were kept.
std::pair<std::vector<int>, int> updated_interior_slots(const Before& b) {
    std::vector<char> active(MAX_CEL + 1, 0), kept_edge(MAX_EDG + 1, 0);
    for (int i = 1; i <= grid.ncell; ++i) active[list_cel(i)] = 1;
    auto stayed = [&](int c) { return b.had[c] && active[c]; };
    std::vector<int> kept;
    for (size_t s = 0; s < b.edge.size(); ++s)
        if (stayed(b.left[s]) && stayed(b.right[s])) {
            kept.push_back(b.edge[s]);
            kept_edge[b.edge[s]] = 1;
        }
    std::vector<std::pair<int, int>> others;  // (position of ileft, edge)
    for (int k = 1; k <= grid.niedge; ++k)
        if (!kept_edge[list_iedge(k)]) others.push_back({layout::cell_position(ileft(list_iedge(k))), list_iedge(k)});
    std::sort(others.begin(), others.end());
    std::vector<int> slots;
    size_t n = 0;
    for (int e : kept) {
        for (; n < others.size() && others[n].first < layout::cell_position(ileft(e)); ++n)
            slots.push_back(others[n].second);
        slots.push_back(e);
    }
    for (; n < others.size(); ++n) slots.push_back(others[n].second);
    return {slots, static_cast<int>(kept.size())};
}

struct Script {
    const char* name;
    int nx, ny;
    std::vector<int> first;   // cells refined by an earlier call
    std::vector<int> refine;  // cells refined by the call checked
    std::vector<int> merge;   // fathers whose children it marks for coarsening
    int kept, interior;       // interior slots kept, and all, after it
};

void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }

// Marks the cells (or the children of the fathers) and adapts once.
void adapt_with(const std::vector<int>& refine, const std::vector<int>& merge) {
    for (int i = 1; i <= grid.ncell; ++i) lrefine(list_cel(i)) = lcoarse(list_cel(i)) = lkeep(list_cel(i)) = false;
    for (int c : refine) lrefine(c) = true;
    for (int f : merge)
        for (int j = 1; j <= 4; ++j) lcoarse(ichild(f, j)) = true;
    run.nstep = 0;
    adapt();
}

class LayoutUpdate : public qelta::testing::LibraryTest, public ::testing::WithParamInterface<Script> {};

// The scripts of a 3 x 3 block (cells numbered row by row, children taking
// higher numbers) give updates whose first slot is new or goes, whose slots
// are all new or all kept, and whose new cells come last.
TEST_P(LayoutUpdate, KeepsTheSlotsOfCellsThatStayedInTheirOrder) {
    const Script& s = GetParam();
    qelta::testing::inviscid_run_parameters();
    run.ipar(5) = 2;  // the wedge: no body to project onto
    run.lmax = 2;
    qelta::testing::block_grid(s.nx, s.ny, 0, 0, 1);
    qelta::testing::fill_cells([](double, double) { return sweep::Prim{1, 1, 0, 0}; });
    layout::refresh();
    if (!s.first.empty()) adapt_with(s.first, {});
    Before before = layout_before();
    adapt_with(s.refine, s.merge);
    expect_true_map();
    auto [slots, kept] = updated_interior_slots(before);
    EXPECT_EQ(kept, s.kept);
    ASSERT_EQ(grid.niedge, s.interior);
    for (int j = 1; j <= grid.niedge; ++j) ASSERT_EQ(layout::slot_edge(j), slots[j - 1]) << "slot " << j;
    // Positions in number order, as a layout built afresh has them.
    for (int i = 1; i <= grid.ncell; ++i) ASSERT_EQ(layout::position_cell(i), layout::number_cell(i));
    layout::mark_stale();
    layout::refresh();
    ASSERT_TRUE(layout::positions_are_numbers());
}

INSTANTIATE_TEST_SUITE_P(Scripts, LayoutUpdate,
                         ::testing::Values(Script{"NothingChanges", 3, 3, {}, {}, {}, 12, 12},
                                           Script{"EveryCellSplits", 3, 3, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 0, 60},
                                           // cell 1 comes back at position 1, its east edge at slot 1
                                           Script{"MergedFatherComesFirst", 3, 3, {1}, {}, {1}, 10, 12},
                                           // the slots before the first new one move
                                           Script{"FirstCellSplits", 3, 3, {}, {1}, {}, 10, 18},
                                           Script{"LastCellSplits", 3, 3, {}, {9}, {}, 10, 18},
                                           Script{"SplitBesideAMerge", 3, 3, {1}, {9}, {1}, 8, 18}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
