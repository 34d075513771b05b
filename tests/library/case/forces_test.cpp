// The force recorders: wall forces of single edges against shear, heat-flux
// and pressure fields with known answers, the sums over closed bodies, and
// the rows of "draghis.dat" from runs of cases 101 and 102.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "case/forces.h"
#include "case/units.h"
#include "common/format.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/grid_store.h"
#include "case_blocks.h"
#include "qelta.h"
#include "support/library_fixture.h"
#include "support/workdir.h"

using namespace qelta;
using qelta::testing::read_lines;

namespace {

// ---------------------------------------------------------------------------
// One edge: the bottom wall (y = 0, x from -1 to 0) of the first cell of the
// row of four unit squares, the cell's centre at (-0.5, 0.5).

constexpr int bottom_edge = 6;
constexpr int cell = 1;

struct WallEdge : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        run.iaxis = 0;
        run.irecon = 1;
        grid_four_cells();
        run.gam = 1.4;
        run.gam1 = 0.4;
        run.reyn = 100;
        run.prand = 0.72;
        run.sut_mu = 111.0 / 293;
        run.sut_k = 194.0 / 293;
        run.twall = 1;
        for (int c = 1; c <= 4; ++c) {
            r(c) = p(c) = tem(c) = 1;
            ux(c) = uy(c) = 0;
            for (int k = 1; k <= 8; ++k) grad(c, k) = 0;
            gradt(c, 1) = gradt(c, 2) = 0;
        }
    }
    // Linear fields q = q0 + g . (x - centre) in the cell.
    void shear(double gamma) {  // u = gamma y: zero on the wall
        ux(cell) = gamma * 0.5;
        grad(cell, 6) = gamma;
    }
};

TEST_F(WallEdge, ShearOfAFieldThatMeetsNoSlipIsMuTimesTheRate) {
    run.ns = 1;
    ibtype(bottom_edge) = 4;
    const double gamma = 3.0;
    shear(gamma);
    WallForce f = wall_forces(bottom_edge);
    double mu = 1 / run.reyn;  // Sutherland at T = 1
    EXPECT_NEAR(f.fvx, mu * gamma * 1.0, 1e-15);  // the gas above drags the wall along +x
    EXPECT_NEAR(f.fvy, 0, 1e-15);
    EXPECT_DOUBLE_EQ(f.fpy, -1.0);  // pressure 1 pushes the wall down
    EXPECT_DOUBLE_EQ(f.fpx, 0.0);
    EXPECT_EQ(f.q, 0.0);  // adiabatic
}

TEST_F(WallEdge, SlipVelocityAtTheWallIsCorrectedToNoSlip) {
    // u = U uniform: the corrected gradient reflects about the slope that
    // reaches u = 0 at the wall, 2 U/(h/2) = 4 U/h.
    run.ns = 1;
    ibtype(bottom_edge) = 4;
    ux(cell) = 2.0;
    WallForce f = wall_forces(bottom_edge);
    EXPECT_NEAR(f.fvx, (1 / run.reyn) * 4 * 2.0 / 1.0, 1e-14);
}

TEST_F(WallEdge, HeatFluxIntoAnIsothermalWallIsKappaTimesTheGradient) {
    run.ns = 1;
    ibtype(bottom_edge) = 3;
    const double beta = 0.4;  // T = twall + beta y
    tem(cell) = run.twall + beta * 0.5;
    gradt(cell, 2) = beta;
    WallForce f = wall_forces(bottom_edge);
    double kappa = run.gam / run.gam1 / run.prand / run.reyn;  // Sutherland at T = twall = 1
    EXPECT_NEAR(f.q, kappa * beta, 1e-15);
    // The same field at an adiabatic wall carries no heat.
    ibtype(bottom_edge) = 4;
    EXPECT_EQ(wall_forces(bottom_edge).q, 0.0);
}

TEST_F(WallEdge, InviscidRunsWriteOnlyThePressureForce) {
    run.ns = 0;
    ibtype(bottom_edge) = 1;
    shear(3.0);
    p(cell) = 2;
    grad(cell, 4) = 0.5;  // p at the wall: 2 - 0.5 x 0.5
    WallForce f = wall_forces(bottom_edge);
    EXPECT_DOUBLE_EQ(f.fpy, -1.75);
    EXPECT_EQ(f.fvx, 0.0);
    EXPECT_EQ(f.q, 0.0);
}

TEST_F(WallEdge, SlipWallsCarryPressureButNoShear) {
    // The viscous fluxes act only at no-slip walls: a slip wall under a
    // shear layer feels its pressure alone.
    run.ns = 1;
    ibtype(bottom_edge) = 1;
    shear(3.0);
    tem(cell) = 1.5;
    gradt(cell, 2) = 1;
    WallForce f = wall_forces(bottom_edge);
    EXPECT_DOUBLE_EQ(f.fpy, -1.0);
    EXPECT_EQ(f.fvx, 0.0);
    EXPECT_EQ(f.fvy, 0.0);
    EXPECT_EQ(f.q, 0.0);
}

TEST_F(WallEdge, CentreOnTheEdgeLineCountsAsOrientationMinusOne) {
    run.ns = 0;
    yc(cell) = 0;  // cross product 0
    EXPECT_DOUBLE_EQ(wall_forces(bottom_edge).fpy, 1.0);
}

TEST_F(WallEdge, AxisymmetricEdgesAreWeightedWithTwiceTheRadius) {
    // The top wall of the cell, y = 1: y1 + y2 = 2.
    constexpr int top_edge = 10;
    run.ns = 1;
    ibtype(top_edge) = 4;
    ux(cell) = -0.5;  // u = y - 1: zero on the top wall
    grad(cell, 6) = 1;
    run.iaxis = 0;
    WallForce plane = wall_forces(top_edge);
    run.iaxis = 1;
    WallForce axi = wall_forces(top_edge);
    EXPECT_NEAR(plane.fvx, -1 / run.reyn, 1e-15);  // the gas below moves along -x and drags the wall with it
    EXPECT_NEAR(axi.fvx, 2 * plane.fvx, 1e-15);
    EXPECT_DOUBLE_EQ(axi.fpy, 2 * plane.fpy);
}

TEST_F(WallEdge, OnlyWallTypesEnterTheSums) {
    run.ns = 0;
    for (int e = 1; e <= 13; ++e) ibtype(e) = 2;  // all open
    WallForce none = sum_wall_forces();
    EXPECT_EQ(none.fpx, 0.0);
    EXPECT_EQ(none.fpy, 0.0);
    for (int type : {1, 3, 4}) {
        ibtype(bottom_edge) = type;
        EXPECT_DOUBLE_EQ(sum_wall_forces().fpy, -1.0) << "type " << type;
    }
    for (int type : {0, 2, 6, -1}) {
        ibtype(bottom_edge) = type;
        EXPECT_EQ(sum_wall_forces().fpy, 0.0) << "type " << type;
    }
}

// ---------------------------------------------------------------------------
// Closed bodies of the case grids, through the entry points.

using qelta::testing::CaseBlocks;

// The sphere of case 101 (diameter 50 mm) and the airfoil of case 102.
CaseBlocks sphere(int iaxis, int level, int ns = 0) { return {101, 50.0, iaxis, level, ns}; }
CaseBlocks airfoil(int level, double mach = 2.0, double angle = 0) { return {102, angle, 0, level, 0, mach}; }

using ForceCase = qelta::testing::WorkDir;

// Uniform state p = r = 1 at rest, gradients left as garbage from an earlier
// occupant of every cell number.
void uniform_state_with_stale_gradients() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        r(c) = p(c) = 1;
        ux(c) = uy(c) = 0;
        for (int k = 1; k <= 8; ++k) grad(c, k) = 1e3;
    }
    prim_to_cons();
}

// Sum of |p N| over the wall edges, the scale of the round-off.
double wall_pressure_scale() {
    double s = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (!is_wall_type(ibtype(e))) continue;
        Vec2 a = edge_start(e), b = edge_end(e);
        double w = (run.iaxis == 1) ? a.y + b.y : 1.0;
        s += w * norm(b - a);
    }
    return s;
}

struct Row {
    int nstep;
    std::vector<double> v;
    std::vector<std::string> field;
};

// I7 then E12.4 columns.
Row parse_row(const std::string& line) {
    Row row{std::stoi(line.substr(0, 7)), {}, {}};
    for (std::size_t at = 7; at + 12 <= line.size(); at += 12) {
        row.field.push_back(line.substr(at, 12));
        row.v.push_back(std::stod(line.substr(at, 12)));
    }
    return row;
}

std::vector<std::string> history() {
    flush_units();
    return read_lines("draghis.dat");
}

TEST_F(ForceCase, UniformPressureOverTheSphereGivesNoDrag) {
    CaseBlocks b = sphere(1, 2);
    initialize_qelta(b.real, b.ints);
    uniform_state_with_stale_gradients();
    record_drag(1);  // nstep 0 is due
    auto lines = history();
    ASSERT_EQ(lines.size(), 2u);
    Row row = parse_row(lines[1]);
    ASSERT_EQ(row.v.size(), 5u);
    // Cp is the sum divided by the dynamic pressure behind the shock.
    double rho2, p2, w;
    normal_shock(1.4, 2.0, 1, 1, rho2, p2, w);
    double u2 = 2 * std::sqrt(1.4) - w;
    double q = 0.5 * rho2 * u2 * u2;
    EXPECT_LT(std::fabs(row.v[1]), 1e-13 * wall_pressure_scale() / q);
    EXPECT_LT(std::fabs(sum_wall_forces().fpx), 1e-13 * wall_pressure_scale());
}

TEST_F(ForceCase, UniformPressureOverTheAirfoilGivesNoForce) {
    CaseBlocks b = airfoil(2, 2.0, 10.0);
    initialize_qelta(b.real, b.ints);
    uniform_state_with_stale_gradients();
    record_lift_drag(1);
    auto lines = history();
    ASSERT_EQ(lines.size(), 2u);
    Row row = parse_row(lines[1]);
    ASSERT_EQ(row.v.size(), 4u);
    double q = 0.5 * 1.4 * 4;
    EXPECT_LT(std::fabs(row.v[1]), 1e-13 * wall_pressure_scale() / q);  // Cl
    EXPECT_LT(std::fabs(row.v[2]), 1e-13 * wall_pressure_scale() / q);  // Cd
    WallForce f = sum_wall_forces();
    EXPECT_LT(std::hypot(f.fpx, f.fpy), 1e-13 * wall_pressure_scale());
}

// Shoelace area of the polygon of the body's wall edges.
double body_area() {
    double a = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (!is_wall_type(ibtype(e))) continue;
        a += 0.5 * cross(edge_start(e), edge_end(e));
    }
    return std::fabs(a);
}

TEST_F(ForceCase, LinearPressureOverTheAirfoilGivesMinusGradientTimesArea) {
    // -(closed integral of p n) = -(grad p) A for a linear p; the midpoint
    // rule is exact on the straight edges.
    CaseBlocks b = airfoil(2);
    initialize_qelta(b.real, b.ints);
    const double a = 3, bx = 0.7, by = -0.4;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        p(c) = a + bx * xc(c) + by * yc(c);
        grad(c, 3) = bx;
        grad(c, 4) = by;
    }
    double A = body_area();
    ASSERT_GT(A, 0.05);  // the 12 % thick airfoil of unit chord
    WallForce f = sum_wall_forces();
    EXPECT_NEAR(f.fpx, -bx * A, 1e-12);
    EXPECT_NEAR(f.fpy, -by * A, 1e-12);
}

TEST_F(ForceCase, DragRowsComeEvery2PowLmaxStepsInTheirFormat) {
    CaseBlocks b = sphere(1, 3);
    initialize_qelta(b.real, b.ints);
    double progress;
    for (int s = 1; s <= 16; ++s) step(&progress);
    auto lines = history();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "   n  t  Cp  Cv  Cd  Ct");
    Row r8 = parse_row(lines[1]), r16 = parse_row(lines[2]);
    EXPECT_EQ(r8.nstep, 8);
    EXPECT_EQ(r16.nstep, 16);
    EXPECT_EQ(lines[2].size(), 7u + 5 * 12);
    EXPECT_EQ(r16.field[0], fmt_e(run.time - run.t0, 12, 4));
    EXPECT_LT(r16.v[0], 0);  // the shock has not reached the sphere yet
    // Inviscid: no viscous force, no heat flux, Cd = Cp.
    EXPECT_EQ(r16.v[2], 0.0);
    EXPECT_EQ(r16.v[4], 0.0);
    EXPECT_EQ(r16.field[3], r16.field[1]);
}

TEST_F(ForceCase, PlaneDragRowsHoldTheYForces) {
    CaseBlocks b = sphere(0, 0);
    initialize_qelta(b.real, b.ints);
    double progress;
    step(&progress);  // level 0: every step
    auto lines = history();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "   n  t  Cp  Cpy  Cv  Cvy  Cd  Ct");
    Row row = parse_row(lines[1]);
    EXPECT_EQ(row.nstep, 1);
    ASSERT_EQ(row.v.size(), 7u);
    EXPECT_EQ(row.field[5], row.field[1]);  // Cd = Cp + 0
}

// The viscous sphere in a uniform stream (steady start): the stream drags
// the no-slip wall along, the stagnation pressure pushes the front, and
// the isothermal wall at the gas temperature starts without heat flux.
TEST_F(ForceCase, ViscousDragRowsHoldTheShearOfTheWall) {
    auto control = read_lines("control.dat");
    control[2] = "1 2.0 -0.2";  // steady start
    std::string text;
    for (auto& l : control) text += l + "\n";
    qelta::testing::write_file("control.dat", text);
    CaseBlocks b = sphere(1, 1, 1);
    initialize_qelta(b.real, b.ints);
    double progress;
    for (int s = 1; s <= 4; ++s) step(&progress);  // level 1: rows at steps 2 and 4
    auto lines = history();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "   n  t  Cp  Cv  Cd  Ct");
    for (int k = 1; k <= 2; ++k) {
        Row row = parse_row(lines[k]);
        EXPECT_EQ(row.nstep, 2 * k);
        ASSERT_EQ(row.v.size(), 5u);
        const double cp = row.v[1], cv = row.v[2], cd = row.v[3];
        EXPECT_GT(cp, 0.1);  // of order one: the stagnation pressure
        EXPECT_GT(cv, 0);    // the wall shear drags the sphere downstream
        EXPECT_LT(cv, 0.1 * cp);
        EXPECT_NEAR(cd, cp + cv, 1e-3 * cd);
        EXPECT_TRUE(std::isfinite(row.v[4]));
    }
}

TEST_F(ForceCase, LiftDragRowsHoldTheInverseDynamicPressure) {
    CaseBlocks b = airfoil(1, 5.0);
    initialize_qelta(b.real, b.ints);
    double progress;
    for (int s = 1; s <= 4; ++s) step(&progress);
    auto lines = history();
    ASSERT_EQ(lines.size(), 3u);  // steps 2 and 4
    EXPECT_EQ(lines[0], "   n  t  Cl  Cd ");
    Row row = parse_row(lines[2]);
    EXPECT_EQ(row.nstep, 4);
    ASSERT_EQ(row.v.size(), 4u);
    EXPECT_EQ(row.field[3], "  0.5714E-01");  // 1/(0.5 x 1.4 x 25)
    EXPECT_EQ(row.field[0], fmt_e(run.time, 12, 4));
}

// Drag and lift turn with the angle of attack: at 0 degrees Cd = Cx and
// Cl = Cy, at 90 degrees Cd = Cy and Cl = -Cx.
TEST_F(ForceCase, LiftAndDragFollowTheAngleOfAttack) {
    CaseBlocks b = airfoil(1);
    initialize_qelta(b.real, b.ints);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        p(c) = 1 + 0.3 * xc(c) + 0.2 * yc(c) * yc(c);
    }
    prim_to_cons();
    double q = 0.5 * 1.4 * 4;
    struct Turn {
        double angle;
        double cd_x, cd_y, cl_x, cl_y;  // Cd = cd_x Cx + cd_y Cy, Cl likewise
    };
    const double c30 = std::cos(std::numbers::pi / 6), s30 = std::sin(std::numbers::pi / 6);
    for (Turn t : {Turn{0, 1, 0, 0, 1}, Turn{90, 0, 1, -1, 0}, Turn{30, c30, s30, -s30, c30}}) {
        run.rpar(3) = t.angle;
        record_lift_drag(1);
        Row row = parse_row(history().back());
        WallForce f = sum_wall_forces();  // from the gradients the recorder computed
        double cx = f.fpx / q, cy = f.fpy / q;
        double scale = std::hypot(cx, cy);
        ASSERT_GT(scale, 1e-3);
        EXPECT_NEAR(row.v[2], t.cd_x * cx + t.cd_y * cy, 1e-3 * scale) << t.angle << " degrees";
        EXPECT_NEAR(row.v[1], t.cl_x * cx + t.cl_y * cy, 1e-3 * scale) << t.angle << " degrees";
        EXPECT_DOUBLE_EQ(run.wangle, -t.angle * 0.785398163397448279 / 45);
    }
}

TEST_F(ForceCase, ClosedHistoryTakesNoMoreRows) {
    CaseBlocks b = sphere(1, 0);
    initialize_qelta(b.real, b.ints);
    double progress;
    step(&progress);
    close_recording_file();
    auto before = history();
    ::testing::internal::CaptureStderr();
    step(&progress);  // mode 1 after the close
    close_recording_file();  // mode 2 again
    record_drag(7);          // no mode
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(history(), before);
    EXPECT_EQ(err, "");
}

TEST_F(ForceCase, ASecondOpenWithoutCloseKeepsTheEarlierRows) {
    CaseBlocks b = airfoil(0);
    initialize_qelta(b.real, b.ints);
    double progress;
    step(&progress);
    initialize_qelta(b.real, b.ints);  // mode 0 again, no mode 2 in between
    step(&progress);
    auto lines = history();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_EQ(parse_row(lines[3]).nstep, 1);
}

TEST(RowCadence, IsTwoToTheLevelWithNegativeLevelsAsZero) {
    struct Case {
        int lmax, nstep;
        bool due;
    };
    for (Case k : {Case{3, 8, true}, Case{3, 1, false}, Case{3, 12, false}, Case{0, 1, true}, Case{-2, 3, true},
                   Case{6, 64, true}, Case{6, 32, false}, Case{30, 1 << 30, true}, Case{40, 1 << 29, false}}) {
        run.lmax = k.lmax;
        run.nstep = k.nstep;
        EXPECT_EQ(row_due(), k.due) << "lmax " << k.lmax << " nstep " << k.nstep;
    }
}

}  // namespace
