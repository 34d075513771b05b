#include "flow/timestep.h"

#include <algorithm>
#include <cmath>

#include "case/cases.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/positivity.h"
#include "flow/schemes.h"
#include "flow/sweep.h"
#include "flow/viscous.h"
#include "grid/adapt.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_checks.h"
#include "grid/grid_store.h"
#include "grid/layout.h"

namespace qelta {

void timestep() {
    flow_step();
    adaptation_step();
}

void flow_step() {
    get_dt();
    if (run.ns == 0) {
        solve_euler_step();
    } else if (run.ns == 1) {
        if (run.ischeme != 7) viscous_terms();  // scheme 7 carries its own
        fix_negative_cells();
        solve_euler_step();
    } else {
        fatal_stop({free_text("Unknown parameter ns: ", run.ns), "Stop in timestep"});
    }
}

void adaptation_step() {
    if (run.lmax > run.minlev) {
        // The flow half of the step leaves the primitives of every cell
        // converted from its state; adapt changes the states of the cells it
        // makes active alone, so that only they need converting, unless the
        // case's hook changed the flow (the airfoil's blast).
        bool blast = run.lightning_done;
        useradv_step();
        // adapt reads the gradients of the cells it splits, and of no other
        // cell; every later reader renews them first.
        adapt(false, SplitGradients::fitted);
        if (run.lightning_done == blast)
            cons_to_prim_of(adapted_cell, adapted_count);
        else
            cons_to_prim();
        fix_negative_cells();
    } else if (case_id() == 102) {
        useradv_step();
    }
}

void get_dt() {
    double dc = run.big;  // convective limit h/(|u| + c)
    double dv = run.big;  // viscous limit h^2/(h S + 2 mu/(rho Re))
    const viscous::Transport tr = viscous::run_transport();
    const CellArray<double>& size = cell_sizes();
    // The minima do not depend on the order of the cells: in number order
    // the columns are read front to back (the maps are brought up to date
    // after an adaptation here rather than by the fit that follows).
    layout::refresh();
    layout::each_active_cell([&](int c) {
        double a = std::sqrt(std::fabs(run.gam * p(c) / r(c)));
        double u = std::sqrt(std::fabs(ux(c) * ux(c) + uy(c) * uy(c)));
        double s = u + a;
        wspeed(c) = s;
        double h = size(c);
        dc = std::min(dc, h / s);
        if (run.ns == 1) {
            double mu = tr.mu(tem(c));
            dv = std::min(dv, h * h / (h * s + 2 * mu / (r(c) * run.reyn)));
        }
    });
    run.dt = run.cfl * dc;
    if (run.ns == 1 && dv <= run.cfl * dc) run.dt = dv;
    // The last step ends just past t0 + tend, so that it reports progress 1.
    if (run.time + run.dt - run.t0 > run.tend)
        run.dt = (run.tend + run.t0 - run.time) * static_cast<double>(1.000001f);
}

void solve_euler_step() { scheme_step(true); }

void scheme_step(bool mend) {
    int s = run.ischeme;
    if (s == 5) {
        hybrid_step(2, 1);
        return;
    }
    if (s == 6) fatal_stop({"Solver has been deleted"});
    if (s < 1 || s > nscheme) {
        fatal_stop({free_text("Unknown parameter ischeme: ", s), "Stop in solve_euler_step"});
    }
    const SchemeEntry& scheme = scheme_sweeps(s);
    Sweep sweep = (run.iaxis == 1) ? scheme.axi : scheme.plane;
    if (!sweep) {
        fatal_stop({free_text("Scheme ", s, " is not built in this version"), "Stop in solve_euler_step"});
    }
    if (scheme.whole_step) {
        sweep();
        return;
    }
    lsq_edge_terms();
    if (scheme.reads_fitted_cells) sweep::use_fitted_cells();
    sweep();
    user_flux_hook();
    // The primitive columns hold the start state until the conversion.
    const bool suspect = mend && s == 2 && positivity::suspect();
    if (suspect) positivity::keep_start_from_primitives();
    cons_to_prim();
    if (suspect) positivity::mend(sweep::stored_flux);
}

void viscous_terms() {
    ghost_gradients();
    viscous_flux();
    user_flux_hook();
    cons_to_prim();
}

namespace {

inline void convert(int c) {
    r(c) = cr(c);
    ux(c) = cux(c) / cr(c);
    uy(c) = cuy(c) / cr(c);
    p(c) = run.gam1 * (cp(c) - 0.5 * (cux(c) * ux(c) + cuy(c) * uy(c)));
    tem(c) = p(c) / r(c);
}

}  // namespace

void cons_to_prim() {
    // Through a lambda, so that the pass inlines the conversion.
    layout::each_active_cell([](int c) { convert(c); });
}

void cons_to_prim_of(const CellArray<int>& cells, int n) {
    for (int i = 1; i <= n; ++i) convert(cells(i));
}

void check_negative(double& pmin, double& rmin) {
    pmin = run.big;
    rmin = run.big;
    // A value that is not a number is the minimum from there on: it fails
    // every test of positivity.
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (p(c) < pmin || std::isnan(p(c))) pmin = p(c);
        if (r(c) < rmin || std::isnan(r(c))) rmin = r(c);
    }
    if (pmin >= 0 && rmin >= 0) return;
    int cell_p = 0, cell_r = 0;  // the last cell in list order holding the minimum
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (p(c) == pmin || (std::isnan(p(c)) && std::isnan(pmin))) cell_p = c;
        if (r(c) == rmin || (std::isnan(r(c)) && std::isnan(rmin))) cell_r = c;
    }
    if (!(pmin >= 0)) {
        write_log("Warning...Found negative pressure:");
        dump_cell(cell_p);
    }
    if (!(rmin >= 0)) {
        write_log("Warning...Found negative density:");
        dump_cell(cell_r);
    }
}

namespace {

constexpr int max_repair_nbr = 8;

bool non_positive(int c) { return !(p(c) > 0) || !(r(c) > 0); }  // NaN too

// Edge neighbours of c (through both halves of a split edge), at most eight.
int repair_neighbours(int c, int nb[max_repair_nbr]) {
    int n = 0;
    for (int k = 1; k <= 4; ++k) {
        int e = icedge(c, k);
        if (lbedge(e)) continue;
        if (lsplit(e)) {
            nb[n++] = far_side(isubedge(e, 1), k);
            nb[n++] = far_side(isubedge(e, 2), k);
        } else {
            nb[n++] = far_side(e, k);
        }
    }
    return n;
}

void log_repair(int c, int n, const int nb[], const double w[]) {
    write_log("Found a negative cell:", c);
    write_log("Smoothed for ", n, " cells");
    std::string ids, weights = "Weighting ";
    for (int j = 0; j < n; ++j) {
        ids += fmt_i(nb[j], 8);
        weights += fmt_f(w[j], 6, 2);
    }
    log_fixed(ids);
    log_fixed(weights);
}

void repair_cell(int c, bool log) {
    int nb[max_repair_nbr];
    double w[max_repair_nbr];
    int n = repair_neighbours(c, nb);
    for (int j = 0; j < n; ++j) w[j] = (level(nb[j]) < level(c)) ? 0.25 : 1.0;  // coarser: a quarter
    if (log) log_repair(c, n, nb, w);

    double avg[ncons + 1];
    double vol = area(c);
    for (int k = 1; k <= ncons; ++k) avg[k] = area(c) * cons(c, k);
    for (int j = 0; j < n; ++j) {
        vol += w[j] * area(nb[j]);
        for (int k = 1; k <= ncons; ++k) avg[k] += w[j] * area(nb[j]) * cons(nb[j], k);
    }
    for (int k = 1; k <= ncons; ++k) avg[k] /= vol;

    if (log) {
        write_log(cr(c), cp(c), cux(c), cuy(c));
        write_log(avg[1], avg[2], avg[3], avg[4]);
    }
    for (int k = 1; k <= ncons; ++k) cons(c, k) = avg[k];
    for (int j = 0; j < n; ++j)
        for (int k = 1; k <= ncons; ++k) cons(nb[j], k) = (1 - w[j]) * cons(nb[j], k) + w[j] * avg[k];
}

// The passes of fix_negative_cells; the offending cells of each pass are
// listed in `list`. False when cells are left after the last pass.
template <class List>
bool repair_passes(List& list, bool log) {
    for (int pass = 1;; ++pass) {
        // The offending cells, in list order.
        int n = 0;
        for (int i = 1; i <= grid.ncell; ++i)
            if (non_positive(list_cel(i))) list(++n) = list_cel(i);
        if (n == 0) return true;
        if (pass > max_repair_passes) {
            if (log)
                fatal_stop({free_text("Could not repair", n, " cells with non-positive pressure or density in",
                                      max_repair_passes, " passes"),
                            "Stop in fix_negative_cells"});
            return false;
        }
        if (log) write_log("Found negatives", run.nstep, n);
        for (int j = 1; j <= n; ++j) repair_cell(list(j), log);
        cons_to_prim();
    }
}

CellArray<int> trial_list;           // the offending cells of a trial pass
CellColumns<double, ncons> trial_copy;  // the state before the trial

}  // namespace

void fix_negative_cells() {
    // In number order, after an adaptation too.
    layout::refresh();
    bool any = false;
    layout::each_active_cell([&](int c) { any = any || non_positive(c); });
    if (!any) return;
    // Where averaging cannot mend the state, the cells are lifted towards
    // positive local means first.
    if (!repair_would_mend()) positivity::lift_to_local_means();
    auto list = [](int j) -> int& { return iwork(j, 2); };
    repair_passes(list, true);
}

bool repair_would_mend() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) trial_copy(c, k) = cons(c, k);
    }
    auto list = [](int j) -> int& { return trial_list(j); };
    bool mended = repair_passes(list, false);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) cons(c, k) = trial_copy(c, k);
    }
    cons_to_prim();
    return mended;
}

}  // namespace qelta
