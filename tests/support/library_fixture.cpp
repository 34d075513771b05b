#include "support/library_fixture.h"

#include <cmath>

#include "case/units.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "support/block_grid.h"

namespace qelta::testing {

void LibraryTest::SetUp() {
    WorkDir::SetUp();
    run.iolog = 6;
    open_unit(6, "record.txt");
    init_common();
}

std::vector<std::string> LibraryTest::log_lines() {
    flush_units();
    return read_lines("record.txt");
}

void inviscid_run_parameters() {
    run.gam = 1.4;
    run.gam1 = 0.4;
    run.ns = 0;
    run.iaxis = 0;
    run.irecon = 1;
    run.cfl = 0.5;
    run.blend_fac = 1.0;
    run.eps_small = 1e-4;
    run.eps_filter = 0.01;
    run.refine_tol = 0.2;
    run.coarse_tol = 0.05;
    run.area_min = 0;
    run.minlev = run.lmax = 0;
    run.t0 = 0;
    run.tend = 1e9;
}

void fill_cells(const std::function<sweep::Prim(double x, double y)>& f) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        sweep::Prim q = f(xc(c), yc(c));
        r(c) = q.r;
        p(c) = q.p;
        ux(c) = q.u;
        uy(c) = q.v;
    }
    prim_to_cons();
    cons_to_prim();
}

void shock_ripple_block() {
    block_grid(250, 200, 0, 0, 0.004);
    lsq_matrix();
    fill_cells([](double x, double y) {
        bool behind = x < 0.3 + 0.05 * std::sin(10 * y);
        if (behind) return sweep::Prim{8.0 / 3, 4.5, 1.479, 0};
        return sweep::Prim{1 + 0.05 * std::sin(40 * x) * std::cos(30 * y), 1, 0, 0};
    });
}

void three_cells_at_rest() {
    run.iaxis = 0;
    run.ns = 0;
    run.irecon = 1;
    run.gam = 1.4;
    run.gam1 = 0.4;
    grid_three_cells();
    for (int c = 1; c <= 3; ++c) {
        r(c) = p(c) = 1;
        ux(c) = uy(c) = 0;
    }
    prim_to_cons();
    cons_to_prim();
}

}  // namespace qelta::testing
