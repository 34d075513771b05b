// The committed case grids as the solver reads them: converted, checked,
// given their boundary types by the case set-up, and for the wedges bent to
// the asked angle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "case/cases.h"
#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/grid_checks.h"
#include "grid/grid_files.h"
#include "grid/node_values.h"
#include "support/library_fixture.h"

using namespace qelta;

namespace {

struct CaseRun {
    int id;
    double angle;  // wedge angle or angle of attack (degrees), sphere diameter (mm)
    int iaxis;
    int ns;
};

void PrintTo(const CaseRun& c, std::ostream* os) {
    *os << "case " << c.id << " angle " << c.angle << (c.iaxis ? " axisymmetric" : " plane")
        << (c.ns ? " viscous" : "");
}

bool both(int e, int k, double v) { return xyedge(e, k) == v && xyedge(e, k + 2) == v; }

// The boundary type each piece of the case's boundary is meant to get.
int intended_type(const CaseRun& c, int e) {
    if (c.iaxis == 1 && both(e, 2, 0.0)) return 6;
    const double r1 = std::hypot(xyedge(e, 1), xyedge(e, 2)), r2 = std::hypot(xyedge(e, 3), xyedge(e, 4));
    switch (c.id) {
    case 1:
    case 3: return both(e, 1, -4) || both(e, 1, 6) ? 2 : 1;
    case 2:
    case 4: return both(e, 1, -1) ? 2 : 1;
    case 101:
        if (both(e, 1, -20) || both(e, 1, 20)) return 2;
        return c.ns == 1 && std::fabs(r1 - 1) < 1e-5 && std::fabs(r2 - 1) < 1e-5 ? 3 : 1;
    case 102: {
        const double f1 = std::hypot(xyedge(e, 1) - 0.5, xyedge(e, 2));
        const double f2 = std::hypot(xyedge(e, 3) - 0.5, xyedge(e, 4));
        if (std::fabs(f1 - 6) < 1e-5 && std::fabs(f2 - 6) < 1e-5) return 2;
        return c.ns == 1 ? 3 : 1;
    }
    default: return 1;
    }
}

class CaseGridsInTheSolver : public qelta::testing::LibraryTest, public ::testing::WithParamInterface<CaseRun> {
protected:
    // The case set-up of a run start: grid names, units, the grid read (and
    // bent), the initial state with the boundary types.
    void start(const CaseRun& c) {
        run.ns = c.ns;
        run.iaxis = c.iaxis;
        run.isteady = 0;
        run.irecon = 1;
        run.ioptgrid = 0;
        run.wallratio = 2;
        run.rpar(4) = 1.4;
        run.amach = 2.0;
        run.eps_filter = 0.01;
        run.ipar(5) = c.id;
        run.rpar(2) = run.amach;
        run.rpar(3) = c.angle;
        run.gridfile = "celledge.dat";
        set_background_grid();
        set_reference();
        set_units();
        load_grid();
        set_initial_conditions();
    }
};

TEST_P(CaseGridsInTheSolver, ReadsCheckedAndGetsItsBoundaryTypes) {
    const CaseRun c = GetParam();
    start(c);
    ASSERT_GT(grid.ncell, 0);
    check_grid();  // stops the process on an inconsistent cell
    int nhang = 0, nnode = 0;
    node_cells(nhang, nnode);  // stops on a node with too many cells round it
    EXPECT_EQ(nhang, 0);

    for (int i = 1; i <= grid.ncell; ++i) {
        const int cell = list_cel(i);
        ASSERT_GT(area(cell), 0) << "cell " << cell;
        const Corners k = cell_corners(cell);
        const Vec2 p[4] = {k.ll, k.lr, k.ur, k.ul};
        for (int j = 0; j < 4; ++j) {
            const Vec2 a = p[(j + 1) % 4] - p[j], b = p[(j + 3) % 4] - p[j];
            ASSERT_GT(a.x * b.y - a.y * b.x, 0) << "cell " << cell << " corner " << j + 1;
        }
    }

    std::map<int, int> count;
    for (int i = 1; i <= grid.nbedge; ++i) {
        const int e = list_bedge(i);
        const int want = intended_type(c, e);
        ++count[want];
        EXPECT_EQ(ibtype(e), want) << "edge " << e << " from (" << xyedge(e, 1) << ", " << xyedge(e, 2) << ") to ("
                                   << xyedge(e, 3) << ", " << xyedge(e, 4) << ")";
    }
    // Every kind of boundary the case has is there.
    EXPECT_EQ(count[1] > 0, !(c.id == 102 && c.ns == 1));
    EXPECT_EQ(count[2] > 0, c.id != 5 && c.id != 6);
    EXPECT_EQ(count[3] > 0, c.ns == 1);
    EXPECT_EQ(count[6] > 0, c.iaxis == 1);
}

const CaseRun runs[] = {
    {1, 0, 0, 0},      {3, 0, 1, 0},     {5, 0, 0, 0},       {6, 0, 1, 0},      {101, 50, 1, 1},
    {101, 50, 1, 0},   {102, 10, 0, 0},  {102, 10, 0, 1},
    // Wedges (plane) and cones (axisymmetric) across the grids' ranges.
    {2, 0, 0, 0},      {4, 1, 1, 0},     {4, 2.4999, 1, 0},  {4, 2.5, 1, 0},    {4, 7.4, 1, 0},
    {4, 12.5, 1, 0},   {2, 32, 0, 0},    {4, 32, 1, 0},      {4, 37.5, 1, 0},   {4, 40, 1, 0},
    {4, 40.0001, 1, 0}, {4, 42.4, 1, 0}, {4, 44.999, 1, 0},  {4, 45, 1, 0},     {4, 47.4999, 1, 0},
    {4, 47.5, 1, 0},   {2, 60, 0, 0},    {4, 60, 1, 0},      {4, 87.6, 1, 0},   {4, 90, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, CaseGridsInTheSolver, ::testing::ValuesIn(runs),
                         [](const ::testing::TestParamInfo<CaseRun>& info) {
                             char s[64];
                             std::snprintf(s, sizeof s, "case%d_%s%s_%03d", info.param.id,
                                           info.param.iaxis ? "axi" : "plane", info.param.ns ? "_viscous" : "",
                                           static_cast<int>(std::lround(info.param.angle * 10000)) % 1000000);
                             std::string n = s;
                             return n + "_" + std::to_string(info.index);
                         });

}  // namespace
