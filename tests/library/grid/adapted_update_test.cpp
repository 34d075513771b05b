// After each step of an adaptive run, what the adaptation updated for the
// cells it changed alone (the least-squares matrices, the primitives, the
// cell sizes of the step limit) equals bit for bit what the whole-grid
// routines give, the loop order is a true map of the grid, and the cells
// that the flow fit packs for the sweeps hold what the storage holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/adapt.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "grid/layout.h"
#include "qelta.h"
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

}  // namespace
