#include "case/run_driver.h"

#include <cmath>
#include <filesystem>
#include <string>

#include "case/cases.h"
#include "case/forces.h"
#include "case/restart.h"
#include "case/units.h"
#include "common/checks.h"
#include "common/list_read.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/flux.h"
#include "flow/timestep.h"
#include "flow/viscous.h"
#include "grid/adapt.h"
#include "grid/grid_files.h"
#include "grid/grid_store.h"
#include "qelta_limits.h"

namespace qelta {

void copy_parameter_blocks(const double* realPar, const int* intPar) {
    for (int k = 1; k <= npar; ++k) {
        run.rpar(k) = realPar[k - 1];
        run.ipar(k) = intPar[k - 1];
    }
}

void reset_run_record() {
    const RunParams before = run;
    run = RunParams{};
    run.rpar = before.rpar;
    run.ipar = before.ipar;
    run.iolog = before.iolog;
    run.ioptlog = before.ioptlog;
    ref = Reference{};
    gas = Gas{};
    grid = GridCounts{};
}

void open_run_log() {
    run.iolog = 6;
    open_unit(run.iolog, "record.txt");
    write_log("AA");
}

// Accepted values of the control files.
namespace {

constexpr Range run_length_range{0, unbounded, true};  // run time after t0

}  // namespace

void read_control_file() {
    ListReader in("control.dat");
    in.read(1, {item(run.minlev, "minimum level"), item(run.lmax, "maximum level"),
                item(run.eps_filter, "indicator noise term")});
    in.require(1, "the minimum level", run.minlev, 0, max_level);
    in.require(1, "the indicator noise term", run.eps_filter, not_negative);
    in.read(2, {item(run.cfl, "CFL number")});
    in.require(2, "the CFL number", run.cfl, cfl_range);
    in.read(3, {item(run.isteady, "steady-start flag"), item(run.amach, "Mach number"),
                item(run.xshock, "shock position")});
    in.read(4, {item(run.ictl41, "first item (not used)"), item(run.tend, "run length")});
    in.require(4, "the run length", run.tend, run_length_range);
    in.read(5, {item(run.ictl51, "first item (not used)"), item(run.ictl52, "second item (not used)"),
                item(run.ictl53, "third item (not used)"), item(run.itecout, "node-file kind")});
    in.read(6, {item(run.meshfile, "case grid file name")});
}

void apply_block_overrides() {
    run.ns = run.ipar(2);
    run.iaxis = run.ipar(3);
    run.lmax = run.ipar(6);
    run.amach = run.rpar(2);
    require("the axis flag (intPar slot 3)", run.iaxis, 0, 1, "initialize_qelta");
    require("the resolution, the maximum refinement level (intPar slot 6)", run.lmax, 0, max_level,
            "initialize_qelta");
    write_log("CC");
}

// A Mach number of 0 or less gives no flow and infinite run times, and a
// moving shock below Mach 1 does not exist (its pressure ratio falls below
// 1 and turns negative). Above Mach 100 a perfect gas of constant gamma
// means nothing any more. The explosions do not use the Mach number.
void check_mach_number() {
    int id = case_id();
    if (id == 5 || id == 6) return;
    constexpr double max_mach = limits::max_mach;
    bool moving_shock = (id != 102) && run.isteady == 0;
    if (moving_shock)
        require("the Mach number of a moving shock (realPar slot 2)", run.amach, Range{1, max_mach},
                "initialize_qelta");
    else
        require("the Mach number (realPar slot 2)", run.amach, Range{0, max_mach, true}, "initialize_qelta");
}

void read_controladv_file() {
    ListReader in("controladv.dat");
    in.read(1, {item(run.ibgrid, "grid source"), item(run.ioptgrid, "smoothing switch")});
    in.read(2, {item(run.wallratio, "wall edge factor"), item(run.h_min, "smallest refinable cell size")});
    in.require(2, "the wall edge factor", run.wallratio, wall_factor_range);
    in.require(2, "the smallest refinable cell size", run.h_min, not_negative);
    in.read(3, {item(run.refine_tol, "refinement threshold"), item(run.coarse_tol, "coarsening threshold")});
    in.read(4, {item(run.ischeme, "scheme"), item(run.iflux, "flux code")});
    in.read(5, {item(run.radv5, "real (not used)")});
    in.read(6, {item(run.radv6, "real (not used)")});
}

void derive_run_parameters() {
    run.blend_fac = 1.0;
    run.area_min = run.h_min * run.h_min;
    run.irecon = (run.ischeme == 6) ? 2 : 1;
    run.rsave2 = run.blend_fac;
    // Schemes 7 and 8 take their flux by code; an unknown code would leave
    // the fluxes of an earlier step in place.
    if ((run.ischeme == 7 || run.ischeme == 8) && !known_flux_code(run.iflux)) {
        fatal_stop({free_text("Unknown parameter iflux: ", run.iflux), "Stop in initialize_qelta"});
    }
}

void build_base_grid() {
    if (run.ibgrid == 1) {
        load_grid();
        set_initial_conditions();
        write_log("background_grid...end");
    } else {
        grid_three_cells();
        set_initial_conditions();
    }
}

void init_hook() {}

// Wall edge factors far from 1 split the cells at no-slip walls unevenly at
// every level, so that the thinnest wall cells, and with them the time
// step, shrink geometrically with the resolution.
void check_first_time_step() {
    get_dt();
    if (steps_fit(run.dt)) return;
    std::string why;
    if (run.ns == 1)
        why = "; the thinnest cells at the no-slip walls, split by the wall edge factor " +
              number_text(run.wallratio) + " at every level up to the resolution " + std::to_string(run.lmax) +
              ", set it";
    refuse("the run would need more than " + std::to_string(max_run_steps) + " steps: its first time step is " +
               number_text(run.dt) + " for the run time of " + number_text(run.t0 + run.tend - run.time) + why,
           "initialize_qelta");
}

namespace {

bool run_set_up = false;  // initialize_qelta has set a run up

}  // namespace

void setup_run(const double* realPar, const int* intPar) {
    run_set_up = false;
    copy_parameter_blocks(realPar, intPar);
    open_run_log();
    reset_run_record();
    init_common();
    write_log("BB");
    read_control_file();
    apply_block_overrides();
    run.gridfile = "celledge.dat";
    set_background_grid();
    write_log("DD");
    check_mach_number();
    read_controladv_file();
    derive_run_parameters();
    write_log("grid data file ", run.meshfile);
    if (case_id() == 101) record_drag(0);
    if (case_id() == 102) record_lift_drag(0);
    init_hook();
    if (std::filesystem::exists("runsave")) {
        read_restart();
        run_set_up = true;
        return;
    }
    set_reference();
    set_units();
    build_base_grid();
    grid.ncell0 = grid.ncell;
    if (run.ns == 1) wall_edge_factors();
    refine_uniform();
    init_adaptive_grid();
    check_first_time_step();
    run_set_up = true;
}

void drop_run() { run_set_up = false; }

double run_progress() { return run.time / (run.tend + run.t0); }

bool steps_fit(double dt) { return (run.t0 + run.tend - run.time) / dt <= max_run_steps - run.nstep; }

namespace {

std::string step_name() { return "step " + std::to_string(run.nstep + 1); }

// After a step every active cell holds a density and a pressure that are
// finite numbers; the pressure follows from all four conservative values,
// so a momentum or energy that is not finite shows in it.
void check_finite_state() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (std::isfinite(r(c)) && std::isfinite(p(c))) continue;
        refuse("the flow state is not finite after " + step_name() + ": cell " + std::to_string(c) +
                   " has the density " + number_text(r(c)) + " and the pressure " + number_text(p(c)),
               "step");
    }
}

// At the pace of its last step, a run that would need more steps than it
// may take stops at once.
void check_time_step() {
    if (!(run.dt > 0 && run.dt < unbounded))
        refuse(outside("the time step of " + step_name(), run.dt, Range{0, unbounded, true}), "step");
    if (steps_fit(run.dt)) return;
    const double left = run.t0 + run.tend - run.time;  // before this step
    refuse("the run would need more than " + std::to_string(max_run_steps) + " steps: " + step_name() +
               " has the time step " + number_text(run.dt) + " and " + number_text(left) +
               " of the run time is left to its end at " + number_text(run.t0 + run.tend),
           "step");
}

}  // namespace

double step_run() {
    if (!run_set_up) refuse("step is called before initialize_qelta has set up a run", "step");
    // A run that has reached its end stays there: another step would size a
    // negative time step.
    if (run.time >= run.t0 + run.tend) return run_progress();
    timestep();
    check_time_step();
    check_finite_state();
    run.time += run.dt;
    run.nstep += 1;
    if (case_id() == 101) record_drag(1);
    if (case_id() == 102) record_lift_drag(1);
    double progress = run_progress();
    log_fixed(fmt_i(run.nstep, 6) + fmt_f(progress, 6, 3) + fmt_e(run.dt, 12, 2) + fmt_e(run.time, 12, 2) +
              fmt_i(grid.ncell, 7));
    return progress;
}

}  // namespace qelta
