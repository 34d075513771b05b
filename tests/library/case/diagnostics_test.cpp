#include "case/diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "case/units.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_files.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::file_exists;
using qelta::testing::read_file;
using qelta::testing::read_lines;

namespace {

constexpr double pi = 3.141592653589793;
constexpr double deg = pi / 180;

// The numbers of a text record.
std::vector<double> numbers(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

Vec2 mid(int e) { return 0.5 * (edge_start(e) + edge_end(e)); }

// A flow run's parameters on a block grid.
struct Diagnostics : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::inviscid_run_parameters();
        run.wallratio = 1;
        run.rpar(4) = 1.4;
        run.ipar(5) = 2;
    }
    // Primitive state from a function of the centroid, then both columns.
    template <class F>
    void set_state(F f) {
        qelta::testing::fill_cells([&](double x, double y) {
            const Primitive q = f(x, y);
            return sweep::Prim{q.r, q.p, q.ux, q.uy};
        });
        lsq_matrix();
    }
    // Viscous units of a run with the default characteristic quantities.
    void viscous_units() {
        run.ns = 1;
        run.twall = 1;
        set_reference();
        set_units();
        get_re_pr_number();
    }
};

// ---- File names and ordering ----------------------------------------------

TEST_F(Diagnostics, FileNamesHoldThreeDigitsAndTheSuffix) {
    EXPECT_EQ(make_file_name(7, "cv.dat"), "007cv.dat");
    EXPECT_EQ("tb" + make_file_name(7, "cv.dat"), "tb007cv.dat");
    EXPECT_EQ(make_file_name(0, "wl.txt"), "000wl.txt");
    EXPECT_EQ(make_file_name(999, "ct.cnr"), "999ct.cnr");
    EXPECT_EQ(make_file_name(100 * 4 + 13, "x1.dat"), "413x1.dat");
    EXPECT_EQ(make_file_name2(5, "pt.his"), "05pt.his");
    EXPECT_EXIT(make_file_name(-100, "wl.txt"), ::testing::ExitedWithCode(1), "outside 0..999");
    EXPECT_EXIT(make_file_name(1000, "wl.txt"), ::testing::ExitedWithCode(1), "outside 0..999");
}

TEST_F(Diagnostics, SortByKeyKeepsEqualKeysInTheirOrder) {
    const double keys[] = {3, 1, 2, 1, 3, 0};
    for (int i = 1; i <= 6; ++i) work(i, 2) = keys[i - 1];
    sort_by_key(6);
    const int expected[] = {6, 2, 4, 3, 1, 5};
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(iwork(k, 1), expected[k - 1]) << "rank " << k;
}

// ---- Prandtl-Meyer expansion ------------------------------------------------

TEST_F(Diagnostics, PrandtlMeyerFunctionHasItsTabulatedValues) {
    // Anderson, Modern Compressible Flow, table A.5 (gamma 1.4).
    struct Case {
        double m, nu_deg;
    } cases[] = {{1.0, 0.0}, {1.5, 11.9052}, {2.0, 26.3798}, {3.0, 49.7573}, {5.0, 76.9202}};
    for (auto k : cases) {
        EXPECT_NEAR(pm_angle(k.m, 1.4) / deg, k.nu_deg, 1e-4) << "M " << k.m;
        EXPECT_NEAR(pm_mach(pm_angle(k.m, 1.4), 1.4), k.m, 1e-9) << "M " << k.m;
    }
    EXPECT_EXIT(pm_mach(pm_angle(120, 1.4), 1.4), ::testing::ExitedWithCode(1), "Prandtl-Meyer");
}

TEST_F(Diagnostics, CornerFanTurnsTheStreamByThirtyDegrees) {
    const double gam = 1.4;
    for (double m1 : {1.5, 2.0, 3.0}) {
        const PmTurn t = pm_turn(m1, gam);
        EXPECT_NEAR(pm_angle(t.m2, gam) - pm_angle(m1, gam), pi / 6, 1e-12);
        // Each bounding ray is the Mach line of its stream, seen from the +y axis.
        EXPECT_NEAR(t.first_ray, pi / 2 - std::asin(1 / m1), 1e-12);
        EXPECT_NEAR(t.last_ray, pi / 2 + pi / 6 - std::asin(1 / t.m2), 1e-12);

        const double h0 = gam / (gam - 1) + 0.5 * gam * m1 * m1;  // total enthalpy upstream
        for (double beta = -60 * deg; beta <= 115 * deg; beta += 0.5 * deg) {
            const Primitive q = pm_exact_state(std::sin(beta), std::cos(beta), m1, gam);
            const double speed = std::hypot(q.ux, q.uy);
            // Isentropic and of one total enthalpy everywhere.
            EXPECT_NEAR(q.p / std::pow(q.r, gam), 1, 1e-12) << beta / deg;
            EXPECT_NEAR(gam / (gam - 1) * q.p / q.r + 0.5 * speed * speed, h0, 1e-9) << beta / deg;
            const double turned = -std::atan2(q.uy, q.ux);
            const double mach = speed / std::sqrt(gam * q.p / q.r);
            if (beta < t.first_ray) {
                EXPECT_NEAR(mach, m1, 1e-12);
                EXPECT_NEAR(turned, 0, 1e-12);
            } else if (beta > t.last_ray) {
                EXPECT_NEAR(mach, t.m2, 1e-9);
                EXPECT_NEAR(turned, pi / 6, 1e-12);
            } else {
                // Inside the fan every ray is a Mach line of the local stream.
                const double ray = pi / 2 - beta;  // from the +x axis
                EXPECT_NEAR(ray + turned, std::asin(1 / mach), 1e-9) << beta / deg;
                EXPECT_LT(q.p, 1);
            }
        }
    }
}

TEST_F(Diagnostics, IsentropicRatiosAreStateTwoOverStateOne) {
    // From rest to the sonic state (gamma 1.4): p*/p0 0.528282, rho*/rho0 0.633938, a*/a0 0.912871.
    EXPECT_NEAR(isentropic_p_ratio(1.4, 0, 1), 0.528282, 1e-6);
    EXPECT_NEAR(isentropic_rho_ratio(1.4, 0, 1), 0.633938, 1e-6);
    EXPECT_NEAR(isentropic_c_ratio(1.4, 0, 1), 0.912871, 1e-6);
    // An expansion from M 2 to 3 lowers all three; the reverse gives the inverse.
    for (auto f : {isentropic_p_ratio, isentropic_rho_ratio, isentropic_c_ratio}) {
        EXPECT_LT(f(1.4, 2, 3), 1);
        EXPECT_NEAR(f(1.4, 2, 3) * f(1.4, 3, 2), 1, 1e-14);
    }
    EXPECT_NEAR(isentropic_p_ratio(1.4, 2, 3), std::pow(isentropic_rho_ratio(1.4, 2, 3), 1.4), 1e-14);
}

TEST_F(Diagnostics, ShockTubePressureRatioMatchesTheNormalShockAndTheExpansion) {
    // p4/p1 = p2/p1 (1 - (gam - 1)/2 u2/a4)^(-2 gam/(gam - 1)) with p2, u2 behind the shock.
    struct Case {
        double ms, gam, a41;
    } cases[] = {{2.0, 1.4, 1.0}, {1.5, 1.4, 2.0}, {3.0, 1.4, 3.5}, {2.5, 1.67, 2.2}};
    for (auto k : cases) {
        double rho2, p2, w;
        normal_shock(k.gam, k.ms, 1, 1, rho2, p2, w);
        const double a1 = std::sqrt(k.gam), u2 = k.ms * a1 - w;
        const double p41 = p2 * std::pow(1 - (k.gam - 1) / 2 * u2 / (k.a41 * a1), -2 * k.gam / (k.gam - 1));
        EXPECT_NEAR(shock_tube_p41(k.ms, k.gam, k.a41), p41, 1e-10 * p41) << "Ms " << k.ms;
    }
    EXPECT_NEAR(shock_tube_p41(2, 1.4, 1), 4.5 * std::pow(0.75, -7), 1e-10);
}

TEST_F(Diagnostics, SmallFractions) {
    EXPECT_DOUBLE_EQ(excess_fraction(1, 4), 0.75);
    EXPECT_DOUBLE_EQ(excess_fraction(4, 4), 0);
    EXPECT_DOUBLE_EQ(excess_fraction(5, 4), 0);
    EXPECT_DOUBLE_EQ(excess_fraction(0, 0), 0);
    run.gam = 1.0 / 0.64;  // sqrt(gam) = 1.25
    run.dt = 0;
    run.time = 0.4;  // f = 0.5
    EXPECT_DOUBLE_EQ(front_fraction(0, 1), 0.5);
    EXPECT_DOUBLE_EQ(front_fraction(0.75, 1.25), 0.5);
    EXPECT_DOUBLE_EQ(front_fraction(0, 0.25), 0);
    run.time = 0.8;  // time >= 1/sqrt(gam)
    EXPECT_DOUBLE_EQ(front_fraction(0, 1), 0);
}

// ---- Profiles -------------------------------------------------------------

// Shear and conduction over an isothermal wall at y = 0: u = b y,
// T = twall + a y, p = 1.
struct WallFlow : Diagnostics {
    static constexpr double a = 0.3, b = 0.2, h = 0.25;
    void SetUp() override {
        Diagnostics::SetUp();
        viscous_units();
        block_grid(4, 3, 0, 0, h);
        for (int i = 1; i <= grid.nbedge; ++i) {
            const int e = list_bedge(i);
            if (xyedge(e, 2) == 0 && xyedge(e, 4) == 0) ibtype(e) = 3;
        }
        lsq_matrix();
        set_state([](double, double y) { return Primitive{1 / (1 + a * y), 1, b * y, 0}; });
    }
};

TEST_F(WallFlow, WallProfileWritesDimensionalPressureHeatAndShear) {
    run.nout = 7;
    write_wall_profile();
    const auto lines = read_lines("007wl.txt");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "   Distance  P  Heat Transfer  Friction");
    // Fourier and Newton in SI: q = k dT/dy, tau = mu du/dy at T_ref.
    const double heat = ref.k_ref * a * ref.t_ref / ref.l_ref;
    const double shear = ref.mu_ref * b * ref.a_ref / ref.l_ref;
    for (int k = 1; k <= 4; ++k) {
        const auto v = numbers(lines[k]);
        ASSERT_EQ(v.size(), 4u) << lines[k];
        EXPECT_NEAR(v[0], (k - 0.5) * h * ref.l_ref * 1000, 1e-5) << "mm";
        EXPECT_NEAR(v[1], ref.p_ref, 1e-5 * ref.p_ref) << "Pa";
        EXPECT_NEAR(v[2], heat, 1e-5 * heat) << "W/m^2";
        EXPECT_NEAR(v[3], shear, 1e-5 * shear) << "Pa";
    }
}

TEST_F(WallFlow, InviscidWallProfileHasNoHeatOrShear) {
    run.ns = 0;
    run.nout = 0;
    write_wall_profile();
    const auto lines = read_lines("000wl.txt");
    ASSERT_EQ(lines.size(), 5u);
    for (int k = 1; k <= 4; ++k) {
        const auto v = numbers(lines[k]);
        EXPECT_EQ(v[2], 0);
        EXPECT_EQ(v[3], 0);
    }
}

TEST_F(Diagnostics, LineProfileFollowsLevelAndFluxCode) {
    block_grid(5, 3, 0, 0, 0.4);  // centres of the third column at x = 1
    set_state([](double x, double y) { return Primitive{1 + y, 2 + x, y, -y}; });
    run.lmax = 4;
    run.iflux = 13;
    write_line_profile();
    const auto lines = read_lines("413x1.dat");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "  x y HLLC+ HLLC+ HLLC+ HLLC+ HLLC+");
    for (int k = 1; k <= 3; ++k) {
        const double y = (k - 0.5) * 0.4, rho = 1 + y;
        const auto v = numbers(lines[k]);
        ASSERT_EQ(v.size(), 7u);
        const double expected[] = {1, y, rho, 3, 3 / rho, y, -y};
        for (int i = 0; i < 7; ++i) EXPECT_NEAR(v[i], expected[i], 5e-5 * std::fabs(expected[i]) + 1e-9);
    }
    run.iflux = 7;  // no header for other codes
    write_line_profile();
    EXPECT_EQ(read_lines("407x1.dat").size(), 3u);
}

TEST_F(Diagnostics, AxisProfileListsTheAxisCellsAlongX) {
    block_grid(4, 2, 0, 0, 0.5);
    set_state([](double x, double y) { return Primitive{1 + x, 2, x, y}; });
    run.nout = 3;
    write_axis_profile();
    const auto lines = read_lines("003ct.cnr");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "   x  den  pres  temperature  velocity  qx  qy");
    for (int k = 1; k <= 4; ++k) {
        const double x = (k - 0.5) * 0.5;
        const auto v = numbers(lines[k]);
        ASSERT_EQ(v.size(), 5u);
        EXPECT_NEAR(v[0], x, 1e-9);
        EXPECT_NEAR(v[1], 1 + x, 5e-5 * (1 + x));
        EXPECT_NEAR(v[3], 2 / (1 + x), 5e-5 * 2 / (1 + x));
    }
}

TEST_F(Diagnostics, CirculationOfSolidBodyRotation) {
    // u = w (-(y - L/2), x - L/2) on [0, L]^2: the boundary cells' values along
    // the boundary give 2 w L (L - h).
    const double w = 0.7, L = 2, h = 0.25;
    block_grid(8, 8, 0, 0, h);
    set_state([&](double x, double y) { return Primitive{1.3, 1, -w * (y - L / 2), w * (x - L / 2)}; });
    EXPECT_NEAR(circulation(), 2 * w * L * (L - h), 1e-12);
    set_state([](double, double) { return Primitive{2, 1, 0.5, -0.2}; });
    EXPECT_NEAR(circulation(), 0, 1e-12);
}

// ---- Histories ------------------------------------------------------------

TEST_F(Diagnostics, ShockFrontFindsTheEqualAreaPosition) {
    // A density step from 2 to 1 at x = 3 along the axis.
    block_grid(60, 2, 0, 0, 0.1);
    set_state([](double x, double) { return x < 3 ? Primitive{2, 3, 0.5, 0} : Primitive{1, 1, 0, 0}; });
    record_shock_front(0);
    run.nstep = 49;
    record_shock_front(1);  // too early: no row
    run.nstep = 50;
    run.time = 0.25;
    record_shock_front(1);
    record_shock_front(2);
    auto lines = read_lines("sfront.cnr");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "   t  x  density  pressure  temperature  velocity");
    auto v = numbers(lines[1]);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_NEAR(v[0], 0.25, 1e-9);
    EXPECT_NEAR(v[1], 3.0, 1e-6);
    EXPECT_NEAR(v[2], 2, 1e-9);
    EXPECT_NEAR(v[4], 1.5, 1e-9);
    // An existing file is appended to, without a second header.
    record_shock_front(0);
    record_shock_front(1);
    record_shock_front(2);
    lines = read_lines("sfront.cnr");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], lines[1]);
}

TEST_F(Diagnostics, ProbesRecordTheirCellAndMachNumber) {
    block_grid(10, 2, 0, 0, 50);  // x from 0 to 500
    const double mach = 2.0;
    set_state([&](double x, double) { return Primitive{1 + x / 1000, 1, mach * std::sqrt(1.4 * (1000 / (1000 + x))), 0}; });
    record_probes(0);
    run.time = 1.5;
    record_probes(1);
    record_probes(2);
    for (int k = 1; k <= 11; ++k) {
        const auto lines = read_lines(make_file_name(k, "pt.his"));
        ASSERT_EQ(lines.size(), 2u) << k;
        EXPECT_EQ(lines[0], "   t  pressure  density  Ux  Uy  Mach number");
        const auto v = numbers(lines[1]);
        ASSERT_EQ(v.size(), 6u);
        EXPECT_NEAR(v[5], mach, 1e-5);
    }
    // Probe 3 at x = 50 records the cell of its nearest boundary edge.
    const auto v = numbers(read_lines("003pt.his")[1]);
    const int c = nearest_boundary_cell(50, 0);
    EXPECT_NEAR(v[2], r(c), 1e-5);
}

// The sphere of radius 1 of case 101, its surface an isothermal wall, with a
// temperature rising linearly away from it: T = 1 + a d, d the wall distance.
struct SphereWall : Diagnostics {
    static constexpr double a = 0.4;
    void SetUp() override {
        Diagnostics::SetUp();
        run.ipar(5) = 101;
        run.rpar(3) = 20;  // diameter, mm
        viscous_units();
        run.ioptgrid = 0;
        run.wallratio = 2;
        run.meshfile = "./grid/model101.neu";
        run.gridfile = "celledge.dat";
        load_grid();
        for (int i = 1; i <= grid.nbedge; ++i) {
            const int e = list_bedge(i);
            const Vec2 m = mid(e);
            ibtype(e) = (std::fabs(m.x) <= 1.000001 && m.y <= 1.000001) ? 3 : 1;
        }
        set_state([](double x, double y) { return Primitive{1 / (1 + a * wall_distance({x, y})), 1, 0, 0}; });
    }
    // Distance from the line of the nearest wall edge (the polygon of the
    // grid, so that the wall images see an exactly linear field).
    static double wall_distance(Vec2 q) {
        double best = 1e30, dist = 0;
        for (int i = 1; i <= grid.nbedge; ++i) {
            const int e = list_bedge(i);
            if (ibtype(e) != 3) continue;
            const Vec2 s = edge_start(e), t = edge_end(e);
            const double dm = norm(q - mid(e));
            if (dm < best) {
                best = dm;
                dist = std::fabs(cross(t - s, q - s)) / norm(t - s);
            }
        }
        return dist;
    }
    static double expected() { return a * ref.k_ref * ref.t_ref / ref.l_ref; }  // W/m^2
};

TEST_F(SphereWall, HeatAtSeventeenStationsFollowsTheUniformFlux) {
    record_wall_heat17(0);
    run.nstep = 12;
    run.time = 2;
    run.t0 = 1;
    record_wall_heat17(1);
    record_wall_heat17(2);
    const auto h1 = read_lines("heat1.his"), h2 = read_lines("heat2.his");
    ASSERT_EQ(h1.size(), 2u);
    ASSERT_EQ(h2.size(), 2u);
    EXPECT_EQ(h1[0], "   n  t  H1  H2  H3  H4  H5  H6  H7  H8  H9");
    EXPECT_EQ(h2[0], "   n  t  H10  H11  H12  H13  H14  H15  H16  H17");
    auto v = numbers(h1[1]);
    auto w = numbers(h2[1]);
    ASSERT_EQ(v.size(), 11u);
    ASSERT_EQ(w.size(), 10u);
    EXPECT_EQ(v[0], 12);
    EXPECT_NEAR(v[1], ref.t_scale * 1000, 1e-5 * ref.t_scale * 1000);
    v.insert(v.end(), w.begin() + 2, w.end());
    for (int j = 0; j < 17; ++j) EXPECT_NEAR(v[2 + j], expected(), 0.01 * expected()) << "station " << j + 1;
}

TEST_F(SphereWall, HeatAtThirteenStationsInWattsPerSquareCentimetre) {
    record_wall_heat(0);
    record_wall_heat(1);
    record_wall_heat(2);
    const auto h1 = read_lines("heat1.his"), h2 = read_lines("heat2.his");
    ASSERT_EQ(h1.size(), 2u);
    EXPECT_EQ(h1[0], "   t  H1  H2  H3  H4  H5  H6  H7");
    EXPECT_EQ(h2[0], "   t  H8  H9  H10  H11  H12  H13");
    auto v = numbers(h1[1]);
    const auto w = numbers(h2[1]);
    ASSERT_EQ(v.size(), 8u);
    ASSERT_EQ(w.size(), 7u);
    v.insert(v.end(), w.begin() + 1, w.end());
    for (int k = 1; k <= 13; ++k) EXPECT_NEAR(v[k], expected() * 1e-4, 0.01 * expected() * 1e-4) << "station " << k;
}

TEST_F(SphereWall, SeventeenStationsNeedAnIsothermalWall) {
    for (int i = 1; i <= grid.nbedge; ++i) ibtype(list_bedge(i)) = 1;
    record_wall_heat17(0);
    EXPECT_EXIT(record_wall_heat17(1), ::testing::ExitedWithCode(1), "Error: no data found in tools.");
}

// ---- Snapshots ------------------------------------------------------------

// Sequential unformatted records: the byte count before and after each.
std::vector<std::string> records_of(const std::string& name) {
    const std::string bytes = read_file(name);
    std::vector<std::string> recs;
    std::size_t at = 0;
    while (at + 4 <= bytes.size()) {
        std::int32_t n, m;
        std::memcpy(&n, bytes.data() + at, 4);
        if (n < 0 || at + 8 + n > bytes.size()) break;
        std::memcpy(&m, bytes.data() + at + 4 + n, 4);
        EXPECT_EQ(n, m) << "record " << recs.size() + 1;
        recs.push_back(bytes.substr(at + 4, n));
        at += 8 + n;
    }
    EXPECT_EQ(at, bytes.size()) << "trailing bytes";
    return recs;
}
template <class T>
T item(const std::string& rec, int k, std::size_t offset = 0) {
    T v;
    std::memcpy(&v, rec.data() + offset + k * sizeof(T), sizeof(T));
    return v;
}

TEST_F(Diagnostics, SnapshotFilesFollowTheKind) {
    block_grid(2, 2, 0, 0, 1);
    set_state([](double x, double y) { return Primitive{1 + x, 1 + y, x, y}; });
    struct Case {
        int kind;
        bool cv, tb;
    } cases[] = {{0, true, false}, {1, false, true}, {2, true, true}, {3, false, false}};
    for (auto k : cases) {
        run.itecout = k.kind;
        const std::string name = make_file_name(k.kind, "cv.dat");
        write_tecplot(name);
        EXPECT_EQ(file_exists(name), k.cv) << k.kind;
        EXPECT_EQ(file_exists("tb" + name), k.tb) << k.kind;
    }
}

TEST_F(Diagnostics, TecplotAndCellVertexFilesDescribeTheSameGrid) {
    block_grid(2, 2, 0, 0, 1);
    set_state([](double x, double y) { return Primitive{1 + x, 1 + y, x, y}; });
    ref.t_scale = 2;
    run.time = 0.25;
    run.itecout = 2;
    write_tecplot("007cv.dat");

    const auto tb = read_lines("tb007cv.dat");
    ASSERT_EQ(tb.size(), 3u + 9 + 4);
    EXPECT_EQ(tb[0], " title = \"runtime=  0.500000E+00                \"");
    EXPECT_EQ(tb[0].size(), 49u);
    EXPECT_EQ(tb[1], " VARIABLES = x y r p ux uy");
    EXPECT_EQ(tb[2], "Zone N=              9,E=              4,F=FEPOINT,ET=QUADRILATERAL");

    const auto recs = records_of("007cv.dat");
    ASSERT_EQ(recs.size(), 20u + 9);
    EXPECT_EQ(item<double>(recs[0], 0), 6.0);
    EXPECT_TRUE(recs[1].empty());
    EXPECT_EQ(item<std::int32_t>(recs[2], 0), 9);
    EXPECT_EQ(item<std::int32_t>(recs[3], 0), 4);
    EXPECT_EQ(item<double>(recs[9], 0), 0.25);
    EXPECT_EQ(item<std::int32_t>(recs[12], 2, 16), MAX_CEL);  // after reyn, prand, ncell0, iaxis
    // Nodes: the same points and values in both files, the values those of
    // the cells round them (the centre node: the mean of the four cells).
    ASSERT_EQ(recs[14].size(), 9u * 16);
    ASSERT_EQ(recs[15].size(), 9u * 32);
    for (int n = 0; n < 9; ++n) {
        const auto v = numbers(tb[3 + n]);
        ASSERT_EQ(v.size(), 6u);
        EXPECT_NEAR(v[0], item<double>(recs[14], 2 * n), 1e-6);
        EXPECT_NEAR(v[1], item<double>(recs[14], 2 * n + 1), 1e-6);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(v[2 + k], item<double>(recs[15], 4 * n + k), 1e-6);
        if (v[0] == 1 && v[1] == 1) {
            EXPECT_NEAR(v[2], 2, 1e-6);
        }
    }
    // Cells: position, then the four corners counterclockwise from upper right.
    ASSERT_EQ(recs[13].size(), 4u * 20);
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(item<std::int32_t>(recs[13], 5 * j), j + 1);
        const auto v = numbers(tb[12 + j]);
        ASSERT_EQ(v.size(), 4u);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(v[k], item<std::int32_t>(recs[13], 5 * j + 1 + k));
        const double ur_x = item<double>(recs[14], 2 * (static_cast<int>(v[0]) - 1));
        const double ll_x = item<double>(recs[14], 2 * (static_cast<int>(v[2]) - 1));
        EXPECT_EQ(ur_x - ll_x, 1);
    }
    // Node-to-cells records, then the edge counts and the end nodes of every edge.
    EXPECT_EQ(item<std::int32_t>(recs[16 + 8 + 1], 0), grid.nbedge);
    EXPECT_EQ(item<std::int32_t>(recs[16 + 8 + 2], 0), grid.niedge);
    EXPECT_EQ(recs[16 + 8 + 3].size(), 8u * grid.nbedge);
    EXPECT_EQ(recs[16 + 8 + 4].size(), 8u * grid.niedge);
    int cells_listed = 0;
    for (int n = 0; n < 9; ++n) cells_listed += item<std::int32_t>(recs[16 + n], 0);
    EXPECT_EQ(cells_listed, 16);  // four corners of each of four cells
}

TEST_F(Diagnostics, TecplotCellRecordsKeepSixDigitNodesApart) {
    static NodeColumn x, y, rr, pp, u, v;
    static CellNodeTable cells;
    cells(1, 1) = 100000;
    cells(1, 2) = 123456;
    cells(1, 3) = 199999;
    cells(1, 4) = 200000;
    write_tecplot_ascii("tbcells.dat", 0, 1, x, y, rr, pp, u, v, cells);
    const auto lines = read_lines("tbcells.dat");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(numbers(lines[3]), (std::vector<double>{100000, 123456, 199999, 200000}));
}

TEST_F(Diagnostics, SnapshotsAtEveryQuarterFromTheStart) {
    block_grid(2, 2, 0, 0, 1);
    set_state([](double, double) { return Primitive{1, 1, 0, 0}; });
    ref.t_scale = 1e-4;
    run.tend = 1;
    run.itecout = 0;
    EXPECT_EQ(run.nout, -100);
    write_snapshot(-0.5, 0);
    EXPECT_EQ(run.nout, -100);
    for (int k = 0; k <= 9; ++k) write_snapshot(k * 0.125, elapsed_secs());
    EXPECT_EQ(run.nout, 5);
    for (int n = 0; n <= 4; ++n) {
        EXPECT_TRUE(file_exists(make_file_name(n, "cv.dat"))) << n;
        EXPECT_TRUE(file_exists(make_file_name(n, "wl.txt"))) << n;
    }
    EXPECT_FALSE(file_exists("005cv.dat"));
    const auto log = log_lines();
    int saved = 0;
    for (const auto& l : log) saved += l.rfind("Saving data for ", 0) == 0;
    EXPECT_EQ(saved, 5);
    bool first = false;
    for (const auto& l : log) first |= l == "Saving data for  0.00000E+00,      0.in microseconds";
    EXPECT_TRUE(first);
    bool half = false;
    for (const auto& l : log) half |= l == "Saving data for  0.50000E+00,     50.in microseconds";
    EXPECT_TRUE(half);
}

// ---- Error norms ----------------------------------------------------------

TEST_F(Diagnostics, ShockErrorNormsAgainstTheMovingShock) {
    run.amach = 2;
    run.minlev = 1;
    run.lmax = 3;
    block_grid(8, 1, 0, 0, 1);  // centres 0.5 .. 7.5, area 1
    double rho2, p2, w;
    normal_shock(1.4, 2, 1, 1, rho2, p2, w);
    // Exact, except a density error of 0.1 in one cell ahead of x = 3.
    set_state([&](double x, double) { return Primitive{(x <= 3 ? rho2 : 1.0) + (std::fabs(x - 4.5) < 0.1 ? 0.1 : 0.0), 1, 0, 0}; });
    shock_error_norms();
    const auto log = log_lines();
    const std::string row = log.back();
    EXPECT_EQ(row.substr(0, 16), "   1   3       8");
    const auto v = numbers(row.substr(16));
    ASSERT_EQ(v.size(), 4u);
    EXPECT_NEAR(v[0], 0.1 / 8, 1e-6);
    EXPECT_NEAR(v[1], std::sqrt(0.01 / 8), 1e-6);
    EXPECT_NEAR(v[2], 0.1 / 8, 1e-6);
    EXPECT_NEAR(v[3], std::sqrt(0.01 / 8), 1e-6);
}

TEST_F(Diagnostics, PrandtlMeyerNormsVanishForTheExactState) {
    run.amach = 2;
    run.lmax = 2;
    run.nstep = 40;
    block_grid(20, 20, 0, 0, 0.05);
    set_state([](double x, double y) { return pm_exact_state(x, y, 2, 1.4); });
    pm_error_norms(0);
    pm_error_norms(1);
    // A density error of 0.01 everywhere shows in Er1 and Er2 alone.
    set_state([](double x, double y) {
        Primitive q = pm_exact_state(x, y, 2, 1.4);
        q.r += 0.01;
        return q;
    });
    pm_error_norms(1);
    pm_error_norms(2);
    const auto lines = read_lines("pm.dat");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "   Lmax  Nmax  steps  Er1  Ep1  Eu1  Ev1  Er2  Ep2  Eu2  Ev2");
    EXPECT_EQ(lines[1].substr(0, 16), " 2    400     40");
    for (double e : numbers(lines[1].substr(16))) EXPECT_LT(std::fabs(e), 1e-12);
    const auto v = numbers(lines[2].substr(16));
    ASSERT_EQ(v.size(), 8u);
    const double expected[] = {0.01, 0, 0, 0, 0.01, 0, 0, 0};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(v[k], expected[k], 1e-9) << k;
    EXPECT_EQ(log_lines().back(), lines[2]);
}

}  // namespace
