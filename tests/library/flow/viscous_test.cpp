#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "flow/viscous.h"
#include "grid/adapt.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::fill_cells;
using qelta::testing::split_cell;

namespace {

// Air about 293 K: Sutherland temperatures 110.4 K (viscosity) and 194 K
// (conductivity) in units of 293 K.
constexpr double t_ref = 293, s_mu = 110.4, s_k = 194;

struct Viscous : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::inviscid_run_parameters();
        run.ns = 1;
        run.reyn = 250;
        run.prand = 0.72;
        run.sut_mu = s_mu / t_ref;
        run.sut_k = s_k / t_ref;
        run.twall = 1;
        run.dt = 0.01;
    }
    // Every boundary edge an open boundary (no viscous flux, no images).
    static void open_boundaries() {
        for (int i = 1; i <= grid.nbedge; ++i) ibtype(list_bedge(i)) = 2;
    }
    static bool interior(int c) {
        for (int k = 1; k <= 4; ++k)
            if (ibtype(icedge(c, k)) != 0) return false;
        return true;
    }
    // Conservative state of every cell, indexed by cell number.
    static std::vector<std::array<double, 4>> saved_cons() {
        std::vector<std::array<double, 4>> s(MAX_CEL + 1);
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            for (int k = 1; k <= 4; ++k) s[c][k - 1] = cons(c, k);
        }
        return s;
    }
};

// Dimensional Sutherland law relative to its value at t_ref.
double sutherland_ratio(double t, double s) { return std::pow(t / t_ref, 1.5) * (t_ref + s) / (t + s); }

TEST_F(Viscous, TransportLawsAreSutherlandsInReferenceUnits) {
    viscous::Transport tr = viscous::run_transport();
    const double kappa1 = 1.4 / (0.4 * 0.72);  // gam/(gam1 Pr)
    EXPECT_DOUBLE_EQ(tr.mu(1), 1);
    EXPECT_DOUBLE_EQ(tr.kappa(1), kappa1);
    for (double t : {150.0, 600.0, 2000.0}) {
        EXPECT_NEAR(tr.mu(t / t_ref), sutherland_ratio(t, s_mu), 1e-14) << t;
        EXPECT_NEAR(tr.kappa(t / t_ref), kappa1 * sutherland_ratio(t, s_k), 1e-13) << t;
    }
    // Out of [0.05, 200] the laws take the nearest end.
    EXPECT_EQ(tr.mu(1000), tr.mu(200));
    EXPECT_EQ(tr.mu(-1), tr.mu(0.05));
    EXPECT_EQ(tr.kappa(1000), tr.kappa(200));
    EXPECT_EQ(tr.kappa(-1), tr.kappa(0.05));
    EXPECT_NEAR(tr.mu(200), sutherland_ratio(200 * t_ref, s_mu), 1e-12);
    EXPECT_EQ(viscous::two_thirds, 0.6666666865348816);
}

// The edge (0, 0)-(1, 0) between a cell above (left) and one below (right)
// in the shear layer ux = y + 0.3: face gradient ux_y = 1, face velocity 0.3,
// face normal (0, -1). Face temperatures beyond the laws' range are clamped.
TEST_F(Viscous, ShearLayerEdgeCarriesMuOverRe) {
    viscous::Transport tr = viscous::run_transport();
    struct Case {
        double t, mu;
    };
    const Case cases[] = {
        {1, 1},
        {1000, (1 + s_mu / t_ref) * std::pow(200, 1.5) / (200 + s_mu / t_ref)},
        {-1, (1 + s_mu / t_ref) * std::pow(0.05, 1.5) / (0.05 + s_mu / t_ref)},
    };
    for (const Case& k : cases) {
        viscous::State above{0.8, 0, k.t, {0, 1}, {0, 0}, {0, 0}}, below{-0.2, 0, k.t, {0, 1}, {0, 0}, {0, 0}};
        Flux F = viscous::interior_face_flux(above, {0.5, 0.5}, below, {0.5, -0.5}, {0, 0}, {1, 0}, false, tr);
        EXPECT_EQ(F.mass, 0);
        EXPECT_NEAR(F.xmom, k.mu / run.reyn, 1e-15) << k.t;
        EXPECT_NEAR(F.ymom, 0, 1e-15) << k.t;
        EXPECT_NEAR(F.energy, 0.3 * k.mu / run.reyn, 1e-15) << k.t;
    }
}

// Seen from the other side (cells swapped, edge reversed) the momentum flux
// changes sign whatever the gradients: the face gradients do not depend on
// the side.
TEST_F(Viscous, SwappingTheSidesReversesTheMomentumFlux) {
    viscous::Transport tr = viscous::run_transport();
    viscous::State a{0.3, -0.1, 1.7, {0.4, -1.1}, {0.9, 0.25}, {0.2, 0.1}};
    viscous::State b{-0.2, 0.5, 1.7, {-0.3, 0.6}, {1.3, -0.7}, {-0.4, 0.3}};
    Vec2 ca{0.2, 0.6}, cb{0.7, -0.3}, p1{0, 0}, p2{1, 0.1};
    Flux F = viscous::interior_face_flux(a, ca, b, cb, p1, p2, false, tr);
    Flux G = viscous::interior_face_flux(b, cb, a, ca, p2, p1, false, tr);
    EXPECT_GT(std::fabs(F.xmom), 1e-4);
    EXPECT_NEAR(F.xmom, -G.xmom, 1e-16);
    EXPECT_NEAR(F.ymom, -G.ymom, 1e-16);
}

// Uniform velocity and temperature: nothing diffuses, and neither the mass
// nor the mass-flux column is touched.
TEST_F(Viscous, UniformFlowHasNoViscousFlux) {
    struct Case {
        int iaxis;
        double u, v;  // a uniform radial velocity strains axisymmetric flow
    };
    for (const Case& k : {Case{0, 0.3, -0.2}, Case{1, 0.3, 0}}) {
        init_common();
        run.iaxis = k.iaxis;
        block_grid(5, 4, 0, 0.5, 0.25);
        split_cell(8);
        open_boundaries();
        fill_cells([&](double, double) { return sweep::Prim{0.9, 1.3, k.u, k.v}; });
        lsq_matrix();
        ghost_gradients();
        for (int i = 1; i <= grid.nedge; ++i) edgflux(list_edg(i), 1) = 7;
        auto before = saved_cons();
        viscous_flux();
        for (int i = 1; i <= grid.niedge; ++i) {
            int e = list_iedge(i);
            for (int col = 2; col <= 4; ++col) EXPECT_EQ(edgflux(e, col), 0) << "edge " << e << " iaxis " << k.iaxis;
        }
        for (int i = 1; i <= grid.nedge; ++i) EXPECT_EQ(edgflux(list_edg(i), 1), 7);
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            for (int col = 1; col <= 4; ++col) EXPECT_EQ(cons(c, col), before[c][col - 1]) << "cell " << c;
        }
    }
}

// Plane Couette flow u = u0 + s y at uniform pressure and temperature: the
// shear stress mu s is uniform, so the momentum of every interior cell is
// kept, and the work of the stresses, div(u tau_xy)/Re = mu s^2/Re, heats
// it at the dissipation rate. The split cell's children and the coarse cells
// beside its hanging edges are among the interior ones.
TEST_F(Viscous, PlaneCouetteFlowHeatsAtItsDissipationRate) {
    const double s = 1.5, rho = 0.8, pres = 1.0;  // T = 1.25
    block_grid(6, 5, 0, 0, 0.2);
    split_cell(15);
    open_boundaries();
    fill_cells([&](double, double y) { return sweep::Prim{rho, pres, 0.4 + s * y, 0}; });
    lsq_matrix();
    ghost_gradients();
    auto before = saved_cons();
    viscous_flux();
    double heating = run.dt * viscous::run_transport().mu(1.25) * s * s / run.reyn;
    int checked = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (!interior(c)) continue;
        ++checked;
        EXPECT_EQ(cr(c), before[c][0]);
        EXPECT_NEAR(cux(c), before[c][2], 1e-15) << "cell " << c;
        EXPECT_NEAR(cuy(c), before[c][3], 1e-15) << "cell " << c;
        EXPECT_NEAR(cp(c) - before[c][1], heating, 1e-12 * heating) << "cell " << c;
    }
    EXPECT_EQ(checked, 11 + 4);  // the inner 4 x 3 block, one of them split
}

// Axisymmetric expansions at uniform temperature, above the axis: the
// divergence of the stresses and the hoop stress cancel in every interior
// cell. With u = a x, v = a y all stresses vanish; with v = a y alone the
// radial stress 2/3 mu a of the faces is balanced by the hoop stress
// tau_theta_theta = 2/3 mu (2 v/y - v_y) = 2/3 mu a.
TEST_F(Viscous, AxisymmetricRadialExpansionFeelsNoViscousForce) {
    struct Case {
        const char* name;
        double ax, ay;
        bool faces_carry_stress;
    };
    const Case cases[] = {{"u = a x, v = a y", 0.5, 0.5, false}, {"v = a y", 0, 0.5, true}};
    for (const Case& k : cases) {
        init_common();
        run.iaxis = 1;
        block_grid(6, 5, 0, 1, 0.25);
        split_cell(15);
        open_boundaries();
        fill_cells([&](double x, double y) { return sweep::Prim{1.1, 1.3, k.ax * x, k.ay * y}; });
        lsq_matrix();
        ghost_gradients();
        auto before = saved_cons();
        viscous_flux();
        double largest = 0;
        for (int i = 1; i <= grid.niedge; ++i) {  // faces between interior cells
            int e = list_iedge(i);
            if (interior(ileft(e)) && interior(iright(e))) largest = std::fmax(largest, std::fabs(edgflux(e, 4)));
        }
        if (k.faces_carry_stress)
            EXPECT_GT(largest, 1e-4) << k.name;
        else
            EXPECT_LT(largest, 1e-15) << k.name;
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            if (!interior(c)) continue;
            EXPECT_NEAR(cux(c), before[c][2], 1e-15) << k.name << " cell " << c;
            EXPECT_NEAR(cuy(c), before[c][3], 1e-15) << k.name << " cell " << c;
        }
    }
}

// No-slip walls on the south edge of a unit cell (centroid 0.5 above the
// wall, edge normal (0, -1), out of the cell), with the cell's values and
// gradients given. Velocity gradients are reflected about the ones that
// vanish at the wall; type 3 conducts heat to the wall at twall, type 4
// conducts none and takes mu at the extrapolated temperature.
TEST_F(Viscous, NoSlipWallFluxes) {
    viscous::Transport tr = viscous::run_transport();
    struct Case {
        const char* name;
        int type;
        double twall, t;  // cell temperature (p/r with r = 1)
        Vec2 gt;
        double u;
        Vec2 gu;
        double v;
        Vec2 gv;
        double energy, xmom, ymom;
    };
    const double re = run.reyn, b = viscous::two_thirds;
    const Case cases[] = {
        // Cell at the wall temperature, no temperature gradient: no heat; the
        // flat velocity u gets the slope 2 u/0.5 (twice the one-sided one).
        {"isothermal, cell at twall", 3, 1, 1, {0, 0}, 0.2, {0, 0}, 0, {0, 0}, 0, tr.mu(1) * 0.8 / re, 0},
        // Linear profiles that meet the wall values are kept: Couette shear
        // mu s, heat flux kappa g into the wall, normal stress 2/3 mu 2 w.
        {"isothermal, linear profiles", 3, 1.5, 1.5 + 0.5 * 0.6, {0, 0.6}, 0.5 * 1.2, {0, 1.2}, 0.5 * 0.4, {0, 0.4},
         tr.kappa(1.5) * 0.6 / re, tr.mu(1.5) * 1.2 / re, b * tr.mu(1.5) * 2 * 0.4 / re},
        // Hot cell, flat temperature: the wall gradient is 2 (2 - 1)/0.5.
        {"isothermal, hot cell", 3, 1, 2, {0, 0}, 0, {0, 0}, 0, {0, 0}, tr.kappa(1) * 4 / re, 0, 0},
        // Adiabatic: no heat whatever the gradient; mu at 2.5 - 0.5 = 2.
        {"adiabatic", 4, 1, 2.5, {0.3, 1}, 0.5 * 1.2, {0, 1.2}, 0, {0, 0}, 0, tr.mu(2) * 1.2 / re, 0},
        {"slip wall", 1, 1, 2, {0, 1}, 0.5, {0, 1}, 0, {0, 0}, 0, 0, 0},
        {"open boundary", 2, 1, 2, {0, 1}, 0.5, {0, 1}, 0, {0, 0}, 0, 0, 0},
    };
    for (const Case& k : cases) {
        init_common();
        block_grid(1, 1, 0, 0, 1);
        int wall = icedge(1, 4);
        ibtype(wall) = k.type;
        run.twall = k.twall;
        fill_cells([&](double, double) { return sweep::Prim{1, k.t, k.u, k.v}; });
        for (int col = 1; col <= 8; ++col) grad(1, col) = 0;
        grad(1, 5) = k.gu.x;
        grad(1, 6) = k.gu.y;
        grad(1, 7) = k.gv.x;
        grad(1, 8) = k.gv.y;
        gradt(1, 1) = k.gt.x;
        gradt(1, 2) = k.gt.y;
        double cux0 = cux(1), cp0 = cp(1);
        viscous_flux();
        EXPECT_NEAR(edgflux(wall, 2), k.energy, 1e-15) << k.name;
        EXPECT_NEAR(edgflux(wall, 3), k.xmom, 1e-15) << k.name;
        EXPECT_NEAR(edgflux(wall, 4), k.ymom, 1e-15) << k.name;
        for (int side : {1, 2, 3}) EXPECT_EQ(edgflux(icedge(1, side), 2), 0) << k.name;
        // The cell loses what crosses its south edge.
        EXPECT_NEAR(cux(1) - cux0, -run.dt * k.xmom, 1e-15) << k.name;
        EXPECT_NEAR(cp(1) - cp0, -run.dt * k.energy, 2e-15) << k.name;
    }
}

// At an axisymmetric wall the stresses take the hoop strain of the zero wall
// velocity; scheme 7's variant takes v_f/y_m of the extrapolated velocity.
TEST_F(Viscous, AxisymmetricWallHoopStrain) {
    run.iaxis = 1;
    block_grid(1, 1, 0, 1, 1);  // wall y = 1, centroid at y = 1.5
    int wall = icedge(1, 4);
    ibtype(wall) = 4;
    fill_cells([](double, double) { return sweep::Prim{1, 1, 0, 0.3}; });
    for (int col = 1; col <= 8; ++col) grad(1, col) = 0;
    gradt(1, 1) = gradt(1, 2) = 0;
    // v_y at the wall: 2 (0.3/0.5); face vector (0, -1) times 2 y_m = 2.
    const double vy = 1.2, Sy = -2, b = viscous::two_thirds;
    Flux zero = viscous_wall_flux(wall);
    Flux face = viscous_wall_flux(wall, true);
    EXPECT_NEAR(zero.ymom, -b * 2 * vy * Sy / run.reyn, 1e-15);
    EXPECT_NEAR(face.ymom, -b * (2 * vy - 0.3) * Sy / run.reyn, 1e-15);
    EXPECT_NEAR(zero.xmom, 0, 1e-16);
    viscous_flux();
    EXPECT_EQ(edgflux(wall, 4), zero.ymom);
}

// A wallratio of 2 at a south wall weights the south ends of the cell's east
// and west edges, and the next split cuts the cell at a third of its height.
TEST_F(Viscous, WallRatioMovesTheSplitTowardsTheWall) {
    run.ipar(5) = 2;  // no body to project onto
    run.lmax = 4;
    run.minlev = 0;
    run.nstep = 0;
    run.wallratio = 2;
    block_grid(1, 1, 0, 0, 1);
    ibtype(icedge(1, 4)) = 3;
    fill_cells([](double, double) { return sweep::Prim{1, 1, 0, 0}; });
    wall_edge_factors();
    int east = icedge(1, 1), west = icedge(1, 3);
    EXPECT_EQ(edgratio(east, 1), 2.0);
    EXPECT_EQ(edgratio(west, 1), 2.0);
    EXPECT_EQ(edgratio(east, 2), 1.0);
    lsq_matrix();
    lsq_edge_terms();
    lrefine(1) = true;
    adapt();
    EXPECT_NEAR(edge_end(isubedge(east, 1)).y, 1.0 / 3, 1e-14);
    EXPECT_NEAR(edge_end(isubedge(west, 1)).y, 1.0 / 3, 1e-14);
}

// ---- The dormant k-epsilon model ----

const double c_mu = static_cast<double>(0.09f);

TEST_F(Viscous, KEpsilonBoundsFollowTheEddyViscosityRatio) {
    turb_inflow();
    const KEpsilonBounds& b = k_epsilon_bounds();
    EXPECT_LT(b.tk_min, b.tk_max);
    EXPECT_DOUBLE_EQ(b.te_low, c_mu * run.reyn * b.tk_min * b.tk_min / 0.1);
    EXPECT_DOUBLE_EQ(b.te_high, c_mu * run.reyn * b.tk_max * b.tk_max / b.ratio_max);

    block_grid(3, 1, 0, 0, 1);
    fill_cells([](double, double) { return sweep::Prim{2, 1, 0, 0}; });
    // k below its range; k above it; k in range with an eddy-viscosity
    // ratio C_mu rho k^2 Re/eps above the largest (eps at its lower bound).
    double k3 = std::sqrt(b.tk_min * b.tk_max);
    tk(1) = 0.1 * b.tk_min;
    tk(2) = 10 * b.tk_max;
    tk(3) = k3;
    te(1) = te(2) = 1;
    te(3) = 0;
    turb_bound();
    EXPECT_EQ(tk(1), b.tk_min);
    EXPECT_EQ(te(1), 1);
    EXPECT_EQ(tk(2), b.tk_max);
    EXPECT_EQ(te(3), b.te_low);
    double ratio3 = c_mu * 2 * k3 * k3 * run.reyn / b.te_low;
    ASSERT_GT(ratio3, b.ratio_max);
    EXPECT_NEAR(c_mu * 2 * tk(3) * tk(3) * run.reyn / te(3), b.ratio_max, 1e-9 * b.ratio_max);
}

// Gas at rest with uniform turbulence: dk/dt = -eps, deps/dt = -C2 eps^2/k.
// In plane Couette flow the shear produces P = mu_t s^2/Re, and the stresses
// of mu + mu_t heat the gas at (mu + mu_t) s^2/Re.
TEST_F(Viscous, KEpsilonDecaysAtRestAndGrowsInShear) {
    const double k0 = 1e-3, e0 = 2e-3;
    for (double s : {0.0, 1.5}) {
        init_common();
        block_grid(5, 5, 0, 0, 0.2);
        open_boundaries();
        fill_cells([&](double, double y) { return sweep::Prim{1, 1, s * y, 0}; });
        for (int c = 1; c <= grid.ncell; ++c) {
            tk(c) = k0;
            te(c) = e0;
        }
        lsq_matrix();
        ghost_gradients();
        turb_gradients();
        auto before = saved_cons();
        turb_source();
        const double mu = 1;  // T = 1
        double mt = std::fmin(std::fmax(c_mu * k0 * k0 * run.reyn / e0, mu / 100), k_epsilon_bounds().ratio_max * mu);
        double P = mt * s * s / run.reyn;
        for (int c = 1; c <= grid.ncell; ++c) {
            if (!interior(c)) continue;
            EXPECT_NEAR(tk(c), k0 + run.dt * (P - e0), 1e-15) << s;
            EXPECT_NEAR(te(c), e0 + run.dt * e0 / k0 * (1.45 * P - 1.92 * e0), 1e-15) << s;
            EXPECT_NEAR(cux(c), before[c][2], 1e-15) << s;
            EXPECT_NEAR(cp(c) - before[c][1], run.dt * (mu + mt) * s * s / run.reyn, 1e-13) << s;
        }
    }
}

}  // namespace
