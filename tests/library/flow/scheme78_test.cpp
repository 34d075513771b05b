// What is particular to schemes 7 and 8: the viscous terms that scheme 7
// adds in its own edge loops, the marks of non-adapting runs, the
// first-order faces of scheme 8, an unknown flux code, and the earlier form
// of scheme 7.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "case/units.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/schemes.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "grid/gradients.h"
#include "grid/grid_files.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"
#include "support/library_fixture.h"

using namespace qelta;
using qelta::testing::block_grid;
using qelta::testing::fill_cells;

namespace {

struct FluxTableSchemes : qelta::testing::LibraryTest {
    void SetUp() override {
        LibraryTest::SetUp();
        qelta::testing::inviscid_run_parameters();
        run.iflux = 4;
    }
    static void viscous_run() {
        run.ns = 1;
        run.reyn = 50;
        run.prand = 0.72;
        run.sut_mu = 0.4;
        run.sut_k = 0.5;
        run.twall = 2;
    }
    // kappa = (1 + S_k) T^1.5/(T + S_k) gam/(gam1 Pr)
    static double kappa(double t) {
        return (1 + run.sut_k) * std::pow(t, 1.5) / (t + run.sut_k) * run.gam / (run.gam1 * run.prand);
    }
};

// A linear shear u = a y at temperature 1 (mu = 1): across a horizontal edge
// between two inner cells the inviscid fluxes vanish and the viscous ones
// are the shear stress a h/Re and its work u_f a h/Re; an inviscid run
// carries neither.
TEST_F(FluxTableSchemes, SchemeSevenCarriesTheShearStressOfItsEdges) {
    const double a = 0.5, h = 0.25;
    for (int ns : {0, 1}) {
        init_common();
        viscous_run();
        run.ns = ns;
        block_grid(4, 4, 0, 0, h);
        lsq_matrix();
        fill_cells([&](double, double y) { return sweep::Prim{1, 1, a * y, 0}; });
        run.dt = 1e-10;  // the second pass sees the state of the first
        sweep_scheme7();
        int e = icedge(6, 2);  // between the inner cells 6 and 10, at y = 0.5
        ASSERT_EQ(icedge(10, 4), e);
        double stress = ns * a * h / run.reyn;
        EXPECT_NEAR(sweep::stored_flux(e, 1), 0, 1e-13) << "ns " << ns;
        EXPECT_NEAR(sweep::stored_flux(e, 3), stress, 1e-10) << "ns " << ns;
        EXPECT_NEAR(sweep::stored_flux(e, 2), a * 0.5 * stress, 1e-10) << "ns " << ns;
    }
}

// Cells of a block that lie three cells or more from its boundary: in the
// two passes of scheme 7 the boundary's disturbance of a linear field does
// not reach their faces.
bool deep_inside(int c, double x0, double y0, double x1, double y1, double h) {
    return xc(c) > x0 + 3 * h && xc(c) < x1 - 3 * h && yc(c) > y0 + 3 * h && yc(c) < y1 - 3 * h;
}

// Plane Couette flow u = u0 + s y at uniform pressure and temperature 1.25:
// the inviscid fluxes of the inner cells balance, the shear stress mu s is
// uniform, so their momentum is kept and the work of the stresses heats
// them at mu s^2/Re, in scheme 7's two passes as in the viscous chain.
TEST_F(FluxTableSchemes, SchemeSevenHeatsCouetteFlowAtItsDissipationRate) {
    viscous_run();
    const double s = 1.5, rho = 0.8, pres = 1.0, h = 0.1;
    block_grid(10, 10, 0, 0, h);
    for (int i = 1; i <= grid.nbedge; ++i) ibtype(list_bedge(i)) = 2;
    lsq_matrix();
    fill_cells([&](double, double y) { return sweep::Prim{rho, pres, 0.4 + s * y, 0}; });
    std::vector<double> cp0(grid.ncell + 1), cux0(grid.ncell + 1);
    for (int c = 1; c <= grid.ncell; ++c) {
        cp0[c] = cp(c);
        cux0[c] = cux(c);
    }
    run.dt = 1e-4;  // the second pass's warmer gas changes mu by O(dt)
    sweep_scheme7();
    const double t = pres / rho, mu = (1 + run.sut_mu) * std::pow(t, 1.5) / (t + run.sut_mu);
    const double heating = run.dt * mu * s * s / run.reyn;
    int checked = 0;
    for (int c = 1; c <= grid.ncell; ++c) {
        if (!deep_inside(c, 0, 0, 1, 1, h)) continue;
        ++checked;
        EXPECT_NEAR(cr(c), rho, 1e-14) << "cell " << c;
        EXPECT_NEAR(cux(c), cux0[c], 1e-14) << "cell " << c;
        EXPECT_NEAR(cuy(c), 0, 1e-14) << "cell " << c;
        EXPECT_NEAR(cp(c) - cp0[c], heating, 1e-5 * heating) << "cell " << c;
    }
    EXPECT_EQ(checked, 16);
}

// A uniform radial expansion v = a y above the axis feels no net viscous
// force: the radial stress 2/3 mu a of the faces is balanced by the hoop
// stress 2/3 mu (2 v/y - v_y) = 2/3 mu a of the cells. One scheme-7 step of
// a viscous run therefore moves the momentum of the inner cells exactly as
// the inviscid step does (up to the second pass's O(dt^2)).
TEST_F(FluxTableSchemes, SchemeSevenRadialExpansionFeelsNoViscousForce) {
    const double a = 0.5, h = 0.1, dt = 1e-6;
    std::vector<double> cux_inviscid, cuy_inviscid;
    for (int ns : {0, 1}) {
        init_common();
        viscous_run();
        run.ns = ns;
        run.iaxis = 1;
        block_grid(10, 10, 0, 1, h);
        for (int i = 1; i <= grid.nbedge; ++i) ibtype(list_bedge(i)) = 2;
        lsq_matrix();
        fill_cells([&](double, double y) { return sweep::Prim{1.1, 1.3, 0, a * y}; });
        run.dt = dt;
        sweep_scheme7();
        if (ns == 0) {
            for (int c = 0; c <= grid.ncell; ++c) {
                cux_inviscid.push_back(c ? cux(c) : 0);
                cuy_inviscid.push_back(c ? cuy(c) : 0);
            }
            continue;
        }
        int checked = 0;
        for (int c = 1; c <= grid.ncell; ++c) {
            if (!deep_inside(c, 0, 1, 1, 2, h)) continue;
            ++checked;
            EXPECT_NEAR((cux(c) - cux_inviscid[c]) / dt, 0, 1e-7) << "cell " << c;
            EXPECT_NEAR((cuy(c) - cuy_inviscid[c]) / dt, 0, 1e-7) << "cell " << c;
        }
        EXPECT_EQ(checked, 16);
    }
}

// Gas at rest inside no-slip walls, isothermal at the gas temperature or
// adiabatic, stays at rest: the wall stresses and heat fluxes vanish, in an
// axisymmetric run too.
TEST_F(FluxTableSchemes, ViscousBoxAtRestStaysAtRest) {
    for (int type : {3, 4})
        for (int iaxis : {0, 1}) {
            init_common();
            viscous_run();
            run.twall = 2.0 / 1.2;
            run.iaxis = iaxis;
            block_grid(4, 3, -1, 0, 0.5);
            for (int i = 1; i <= grid.nbedge; ++i) ibtype(list_bedge(i)) = type;
            check_axis();
            lsq_matrix();
            fill_cells([](double, double) { return sweep::Prim{1.2, 2.0, 0, 0}; });
            get_dt();
            sweep_scheme7();
            for (int i = 1; i <= grid.ncell; ++i) {
                int c = list_cel(i);
                EXPECT_NEAR(cr(c), 1.2, 1e-14) << "type " << type << " axi " << iaxis;
                EXPECT_NEAR(cp(c), 2.0 / 0.4, 1e-13) << "type " << type << " axi " << iaxis;
                EXPECT_NEAR(cux(c), 0, 1e-14) << "type " << type << " axi " << iaxis;
                EXPECT_NEAR(cuy(c), 0, 1e-13) << "type " << type << " axi " << iaxis << " cell " << c;
            }
        }
}

// A cell at temperature 1 in a box of isothermal walls at 2: the corrected
// temperature gradient is -2 (T - Tw) o/|o|^2, so the heat flux out of the
// east wall is 4 kappa(Tw) (T - Tw)/Re, conducted at the wall temperature.
TEST_F(FluxTableSchemes, IsothermalWallConductsAtTheWallTemperature) {
    viscous_run();
    block_grid(1, 1, 0, 0, 0.5);
    for (int k = 1; k <= 4; ++k) ibtype(icedge(1, k)) = 3;
    lsq_matrix();
    fill_cells([](double, double) { return sweep::Prim{1, 1, 0, 0}; });
    double e0 = cp(1);
    run.dt = 1e-10;
    sweep_scheme7();
    double expected = 4 * kappa(run.twall) * (1 - run.twall) / run.reyn;
    EXPECT_NEAR(sweep::stored_flux(icedge(1, 1), 2), expected, 1e-8 * std::fabs(expected));
    EXPECT_GT(cp(1), e0);  // the hotter walls heat the cell
    EXPECT_EQ(sweep::stored_flux(icedge(1, 1), 1), 0);
}

// The no-slip types are walls only in viscous runs: gas streaming east
// leaves through them in an inviscid run and is held by them in a viscous
// one, in both schemes.
TEST_F(FluxTableSchemes, NoSlipTypesAreWallsOnlyInViscousRuns) {
    for (Sweep s : {sweep_scheme7, sweep_scheme8})
        for (int type : {3, 4})
            for (int ns : {0, 1}) {
                init_common();
                viscous_run();
                run.ns = ns;
                block_grid(1, 1, 0, 0, 1);
                int east = icedge(1, 1);
                ibtype(east) = type;
                lsq_matrix();
                fill_cells([](double, double) { return sweep::Prim{1, 1, 0.5, 0}; });
                get_dt();
                s();
                if (ns == 0) {
                    EXPECT_GT(sweep::stored_flux(east, 1), 0.1) << "type " << type;
                } else {
                    EXPECT_EQ(sweep::stored_flux(east, 1), 0) << "type " << type;
                }
            }
}

// Adiabatic walls pass no energy, whatever the temperature gradient.
TEST_F(FluxTableSchemes, AdiabaticWallConductsNoHeat) {
    viscous_run();
    block_grid(2, 1, 0, 0, 0.5);
    for (int i = 1; i <= grid.nbedge; ++i) ibtype(list_bedge(i)) = 4;
    lsq_matrix();
    fill_cells([](double x, double) { return sweep::Prim{x < 0.5 ? 1.0 : 1 / 3.0, 1, 0, 0}; });
    run.dt = 1e-4;  // the second pass's warmer gas changes mu by O(dt)
    sweep_scheme7();
    EXPECT_GT(std::fabs(gradt(1, 1)), 1);
    for (int i = 1; i <= grid.nbedge; ++i) EXPECT_EQ(sweep::stored_flux(list_bedge(i), 2), 0);
}

// A density step at rest between cells 2 and 3. When the grid adapts, the
// marks follow the indicator, for scheme 8's first-order faces
// |r(R) - r(L)|/(eps_filter r(R)); when it does not, they stay as they were.
// Without a noise term the indicator stays finite.
TEST_F(FluxTableSchemes, MarksOnlyWhenTheGridAdapts) {
    for (Sweep s : {sweep_scheme7, sweep_scheme8})
        for (double eps : {0.01, 0.0})
            for (int lmax : {0, 1}) {
                init_common();
                run.eps_filter = eps;
                run.lmax = lmax;
                block_grid(3, 1, 0, 0, 1);
                lsq_matrix();
                fill_cells([](double x, double) { return sweep::Prim{x < 2 ? 1.0 : 1.5, 1, 0, 0}; });
                for (int c = 1; c <= 3; ++c) lrefine(c) = lcoarse(c) = true;
                get_dt();
                s();
                const char* name = s == sweep_scheme7 ? "scheme 7" : "scheme 8";
                int flat = icedge(1, 1), step = icedge(2, 1);
                for (int c = 1; c <= 3; ++c)
                    EXPECT_TRUE(std::isfinite(sweep::stored_indicator(icedge(c, 1)))) << name;
                if (lmax == 0) {
                    for (int c = 1; c <= 3; ++c) EXPECT_TRUE(lrefine(c) && lcoarse(c)) << name << " cell " << c;
                } else if (s == sweep_scheme8) {
                    EXPECT_EQ(sweep::stored_indicator(flat), 0);
                    if (eps > 0) {
                        EXPECT_NEAR(sweep::stored_indicator(step), 0.5 / (eps * 1.5), 1e-12);
                    }
                    EXPECT_TRUE(!lrefine(1) && lcoarse(1));
                    for (int c : {2, 3}) EXPECT_TRUE(lrefine(c) && !lcoarse(c)) << "eps " << eps << " cell " << c;
                }
            }
}

// Scheme 8 discards the gradients (not those of the temperature): with code
// 1 its interior fluxes are the Godunov fluxes of the cell values, those of
// the first-order Godunov sweep.
TEST_F(FluxTableSchemes, SchemeEightIsTheGodunovFluxOfTheCellValues) {
    run.iflux = 1;
    block_grid(4, 3, 0, 0, 0.25);
    lsq_matrix();
    auto state = [](double x, double y) {
        return sweep::Prim{1 + 0.5 * x, 1 + y * y, 0.3 * std::cos(3 * x), -0.2 * x};
    };
    fill_cells(state);
    lsq_edge_terms();
    get_dt();
    sweep_first_order_godunov();
    std::vector<double> godunov;  // dt times the flux
    for (int i = 1; i <= grid.niedge; ++i)
        for (int k = 1; k <= 4; ++k) godunov.push_back(sweep::stored_flux(list_iedge(i), k));
    fill_cells(state);
    lsq_edge_terms();
    for (int c = 1; c <= grid.ncell; ++c) gradt(c, 2) = 7;
    sweep_scheme8();
    for (int i = 1, j = 0; i <= grid.niedge; ++i)
        for (int k = 1; k <= 4; ++k, ++j)
            EXPECT_NEAR(sweep::stored_flux(list_iedge(i), k) * run.dt, godunov[j], 1e-15);
    for (int c = 1; c <= grid.ncell; ++c) {
        for (int k = 1; k <= 8; ++k) EXPECT_EQ(grad(c, k), 0);
        EXPECT_EQ(gradt(c, 2), 7);
    }
}

// A flux code that the set-up would refuse passes nothing through the inner
// edges (instead of leaving what the scratch columns held).
TEST_F(FluxTableSchemes, UnknownFluxCodePassesNothing) {
    run.iflux = 5;
    for (Sweep s : {sweep_scheme7, sweep_scheme8}) {
        init_common();
        block_grid(3, 2, 0, 0, 0.5);
        lsq_matrix();
        fill_cells([](double x, double) { return sweep::Prim{1 + x, 1, 0.5, 0}; });
        layout::refresh();
        for (int j = 1; j <= layout::last_slot(); ++j)
            for (int k = 1; k <= 4; ++k) sweep::slot_fluxes(k, j) = 9;
        get_dt();
        s();
        for (int i = 1; i <= grid.niedge; ++i)
            for (int k = 1; k <= 4; ++k) EXPECT_EQ(sweep::stored_flux(list_iedge(i), k), 0);
    }
}

// The earlier form of scheme 7 limits only the normal velocity: where the
// tangential velocity has a kink its face value keeps the unlimited
// gradient, which scheme 7's limiter flattens. Supersonic flow to the east
// makes the HLL flux the left face's own: y momentum r u v_left h.
TEST_F(FluxTableSchemes, EarlierFormLimitsOnlyTheNormalVelocity) {
    const double h = 1, u = 3;
    for (Sweep s : {sweep_scheme7, sweep_scheme7_old}) {
        init_common();
        block_grid(3, 1, 0, 0, h);
        lsq_matrix();
        fill_cells([&](double x, double) { return sweep::Prim{1, 1, u, x < 2 ? 0.0 : 1.0}; });
        run.dt = 1e-10;
        s();
        int e = icedge(2, 1);  // cells 2 | 3
        double v_left = s == sweep_scheme7 ? 0.0 : uy(2) + grad(2, 7) * 0.5 * h;
        if (s == sweep_scheme7_old) {
            EXPECT_GT(grad(2, 7), 0.1);
        }
        EXPECT_NEAR(sweep::stored_flux(e, 4), r(2) * u * v_left * h, 1e-8)
            << (s == sweep_scheme7 ? "scheme 7" : "old form");
    }
}

}  // namespace
