// Whole adaptive runs of the flow cases through the entry points, from the
// shipped control files and case grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "case/cases.h"
#include "case/run_driver.h"
#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/adapt.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "case_blocks.h"
#include "qelta.h"
#include "support/workdir.h"

using namespace qelta;

namespace {

struct CaseRun {
    int id;
    double angle;
    int iaxis;
    int level;
};

void PrintTo(const CaseRun& k, std::ostream* os) { *os << "case " << k.id << " level " << k.level; }

qelta::testing::CaseBlocks blocks(const CaseRun& k) { return {k.id, k.angle, k.iaxis, k.level}; }

void start(const CaseRun& k) {
    qelta::testing::CaseBlocks b = blocks(k);
    initialize_qelta(b.real, b.ints);
}

bool log_has(const std::string& text) {
    for (const auto& l : qelta::testing::read_lines("record.txt"))
        if (l.find(text) != std::string::npos) return true;
    return false;
}

void expect_sound_state() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        ASSERT_TRUE(r(c) > 0 && p(c) > 0 && std::isfinite(ux(c)) && std::isfinite(uy(c))) << "cell " << c;
        ASSERT_LE(level(c), run.lmax);
    }
}

// The leading shock runs into gas at rest (density 1): wherever the density
// climbs from near 1 in gas nearly at rest to well above it across one
// edge, that is the shock,
// and both cells are at the finest level or one below. Returns the number
// of such edges.
int expect_front_refined() {
    int front = 0;
    for (int i = 1; i <= grid.niedge; ++i) {
        int e = list_iedge(i);
        int a = ileft(e), b = iright(e);
        auto at_rest = [](int c) { return r(c) < 1.05 && std::hypot(ux(c), uy(c)) < 0.1; };
        bool ahead_a = at_rest(a), ahead_b = at_rest(b);
        if ((ahead_a && r(b) > 1.1) || (ahead_b && r(a) > 1.1)) {
            ++front;
            EXPECT_GE(level(a), run.lmax - 1) << "cell " << a << " at " << xc(a) << " " << yc(a);
            EXPECT_GE(level(b), run.lmax - 1) << "cell " << b << " at " << xc(b) << " " << yc(b);
        }
    }
    return front;
}

class AdaptiveRun : public qelta::testing::WorkDir, public ::testing::WithParamInterface<CaseRun> {};

// A whole run ends normally on a grid that follows its shocks.
TEST_P(AdaptiveRun, EndsNormally) {
    start(GetParam());
    double progress = 0;
    int steps = 0;
    while (progress < 1 && steps < 20000) {
        step(&progress);
        ++steps;
    }
    EXPECT_GE(progress, 1.0);
    expect_sound_state();
    if (GetParam().id <= 4) {
        EXPECT_GT(expect_front_refined(), 10);  // the incident shock is still in the domain
    }
    close_recording_file();
    EXPECT_FALSE(log_has("Out of the Given memory"));
    EXPECT_FALSE(log_has("Found negatives"));
}

INSTANTIATE_TEST_SUITE_P(Cases, AdaptiveRun,
                         ::testing::Values(CaseRun{1, 0, 0, 4}, CaseRun{2, 30, 0, 4}, CaseRun{3, 0, 1, 4},
                                           CaseRun{4, 20, 1, 4}, CaseRun{5, 0, 0, 4}, CaseRun{6, 0, 1, 4},
                                           CaseRun{2, 60, 0, 3}, CaseRun{4, 45, 1, 5}));

class FinestLevel : public qelta::testing::WorkDir, public ::testing::WithParamInterface<CaseRun> {};

// The finest resolution fits in the cell capacity while the grid adapts
// to the initial flow and through the first steps.
TEST_P(FinestLevel, FitsInTheCapacity) {
    start(GetParam());
    double progress = 0;
    for (int s = 0; s < 150; ++s) step(&progress);
    expect_sound_state();
    EXPECT_FALSE(log_has("Out of the Given memory"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FinestLevel,
                         ::testing::Values(CaseRun{1, 0, 0, 6}, CaseRun{2, 30, 0, 6}, CaseRun{3, 0, 1, 6},
                                           CaseRun{4, 20, 1, 6}, CaseRun{5, 0, 0, 6}, CaseRun{6, 0, 1, 6},
                                           CaseRun{2, 80, 0, 6}));

// Resolutions beyond what one base cell refined uniformly would fit: the
// adaptation holds what its capacity test lets it split (with a warning in
// the log) and the run goes on. The wedge at resolution 9 refines its shock
// to level 9 on the shipped files; at 52, the finest level there is, and
// with no smallest refinable size, only the capacity limits the grid.
struct FineRun {
    int level;
    const char* smallest_size;  // record 2 of controladv.dat: its second item
    int finest;                 // the finest level the grid must reach
};

void PrintTo(const FineRun& k, std::ostream* os) { *os << "resolution " << k.level; }

class BeyondUniformFit : public qelta::testing::WorkDir, public ::testing::WithParamInterface<FineRun> {};

TEST_P(BeyondUniformFit, AdaptsWithinTheCapacity) {
    const FineRun& k = GetParam();
    std::vector<std::string> lines = qelta::testing::read_lines("controladv.dat");
    lines.at(1) = std::string("2.0 ") + k.smallest_size;
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    qelta::testing::write_file("controladv.dat", text);
    start({2, 30, 0, k.level});
    double progress = 0;
    for (int s = 0; s < 40; ++s) step(&progress);
    EXPECT_GT(progress, 0);
    expect_sound_state();
    int finest = 0;
    for (int i = 1; i <= grid.ncell; ++i) finest = std::max(finest, level(list_cel(i)));
    EXPECT_GE(finest, k.finest);
    EXPECT_GT(grid.ncell, 100000);
    EXPECT_LE(grid.ncell + grid.nfather, MAX_CEL);
}

INSTANTIATE_TEST_SUITE_P(Wedge, BeyondUniformFit,
                         ::testing::Values(FineRun{9, "0.0001", 9}, FineRun{52, "0", 10}),
                         [](const ::testing::TestParamInfo<FineRun>& info) {
                             return "Resolution" + std::to_string(info.param.level);
                         });

using ClosedBox = qelta::testing::WorkDir;

// The explosion in a closed plane box: adaptation keeps the total area of
// the box, and the scheme with its slip walls keeps mass and energy.
TEST_F(ClosedBox, ConservesAreaMassAndEnergyOverAWholeRun) {
    start({5, 0, 0, 4});
    auto total = [](int k) {
        double s = 0;
        for (int i = 1; i <= grid.ncell; ++i) s += area(list_cel(i)) * cons(list_cel(i), k);
        return s;
    };
    auto total_area = [] {
        double s = 0;
        for (int i = 1; i <= grid.ncell; ++i) s += area(list_cel(i));
        return s;
    };
    double mass = total(1), energy = total(2);
    EXPECT_NEAR(total_area(), 1.0, 1e-12);
    double progress = 0;
    int cells_seen_min = grid.ncell, cells_seen_max = grid.ncell;
    while (progress < 1) {
        step(&progress);
        cells_seen_min = std::min(cells_seen_min, grid.ncell);
        cells_seen_max = std::max(cells_seen_max, grid.ncell);
    }
    EXPECT_LT(cells_seen_min, cells_seen_max);  // the grid did adapt
    EXPECT_NEAR(total_area(), 1.0, 1e-12);
    EXPECT_NEAR(total(1), mass, 1e-12 * mass);
    EXPECT_NEAR(total(2), energy, 1e-12 * energy);
    EXPECT_FALSE(log_has("Found negatives"));
}

// Points that the adaptation adds to a curved body lie on it.
class BodyPoints : public qelta::testing::WorkDir, public ::testing::WithParamInterface<CaseRun> {};

TEST_P(BodyPoints, RefinedPointsLieOnTheBody) {
    const CaseRun& k = GetParam();
    qelta::testing::CaseBlocks b = blocks(k);
    // The set-up without the force recorders: grid, state, uniform level.
    copy_parameter_blocks(b.real, b.ints);
    open_run_log();
    init_common();
    read_control_file();
    apply_block_overrides();
    run.gridfile = "celledge.dat";
    set_background_grid();
    read_controladv_file();
    derive_run_parameters();
    set_reference();
    set_units();
    build_base_grid();
    refine_uniform();
    // Refine the cells on the body again and again.
    auto on_body = [&](int e) {
        Vec2 m = 0.5 * (edge_start(e) + edge_end(e));
        if (ibtype(e) != 1) return false;
        if (k.id == 102) return std::fabs(m.x) <= 1.0 && std::fabs(m.y) <= 1.0;
        bool on_symmetry_line = xyedge(e, 2) == 0 && xyedge(e, 4) == 0;
        return !on_symmetry_line && std::fabs(norm(m) - 0.5) < 0.05;
    };
    for (int pass = 0; pass < run.lmax; ++pass) {
        for (int i = 1; i <= grid.ncell; ++i) lrefine(list_cel(i)) = false;
        for (int i = 1; i <= grid.nbedge; ++i)
            if (on_body(list_bedge(i))) lrefine(ileft(list_bedge(i))) = true;
        lsq_edge_terms();
        adapt(true);
        cons_to_prim();
    }
    // The body as the adaptation projects onto it.
    auto distance = [&](Vec2 q) {
        if (k.id == 102) {
            auto t = [](double x) {
                double c1 = 1.4911139152933968, c2 = -0.6356262f, c3 = -1.7895396f, c4 = 1.4599249f,
                       c5 = -0.52587306f;
                return 0.11893782960568898 * (c1 * std::sqrt(x) + x * (c2 + x * (c3 + x * (c4 + x * c5))));
            };
            return std::fabs(std::fabs(q.y) - std::fabs(t(std::max(q.x, 0.0))));
        }
        return std::fabs(norm(q) - 0.5);
    };
    int exact = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (!on_body(e)) continue;
        for (Vec2 q : {edge_start(e), edge_end(e)}) {
            double d = distance(q);
            EXPECT_LT(d, 2e-6) << q.x << " " << q.y;  // base nodes: six digits of the grid data file
            exact += d < 1e-12;
        }
    }
    EXPECT_GT(exact, 100);  // the points the refinement added
}

INSTANTIATE_TEST_SUITE_P(Bodies, BodyPoints,
                         ::testing::Values(CaseRun{1, 0, 0, 3}, CaseRun{3, 0, 1, 3}, CaseRun{102, 5, 0, 3}));

}  // namespace
