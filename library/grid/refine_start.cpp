// The two run-start drivers of the adaptation: uniform refinement to the
// minimum level, then adaptation passes to the initial flow.
#include <algorithm>
#include <string>

#include "case/cases.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "flow/viscous.h"
#include "grid/adapt.h"
#include "grid/grid_store.h"

namespace qelta {

namespace {

void refine_all_once() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        lrefine(c) = true;
        lcoarse(c) = false;
    }
    adapt();
}

void log_grid_usage() {
    write_log("MAX_CEL  ", grid.ncell);
    write_log("FATHER   ", grid.nfather);
    write_log("MAX_EDG  ", grid.nedge, grid.niedge, grid.nbedge);
    write_log("MOTHER   ", grid.nmother);
    log_fixed("");
}

// Every level of the uniform refinement splits all active cells: each
// active edge becomes two halves and each cell gets four inner edges, the
// split cells and edges stay as fathers and mothers, and the split test of
// adapt reserves 4 cell numbers and 12 edge numbers per cell. A level that
// does not fit would be split in part, which the rest of the set-up cannot
// finish, so a refinement beyond the capacity stops before its first split,
// naming the first level that does not fit.
void check_uniform_capacity(int minlev) {
    const int levels = std::min(minlev, run.lmax);  // cells at lmax are not split
    long cells = grid.ncell, fathers = grid.nfather, edges = grid.nedge, mothers = grid.nmother;
    for (int k = 1; k <= levels; ++k) {
        // Family mode forgets the parents before the last level.
        if (run.irecon == 2 && k == levels && levels == minlev && minlev >= 2) fathers = mothers = 0;
        const long need_cells = fathers + cells + 4 * cells;
        const long need_edges = mothers + edges + 12 * cells;
        if (need_cells > MAX_CEL || need_edges > MAX_EDG) {
            using std::to_string;
            fatal_stop({"Error: the grid of " + to_string(grid.ncell) + " cells refined uniformly to level " +
                            to_string(k) + " needs " + to_string(need_cells) + " cell numbers and " +
                            to_string(need_edges) + " edge numbers; the capacity is " + to_string(MAX_CEL) +
                            " cells and " + to_string(MAX_EDG) + " edges",
                        "The minimum level (control.dat, record 1) is " + to_string(minlev) + ", the resolution " +
                            to_string(run.lmax),
                        "Stop in refine_uniform"});
        }
        fathers += cells;
        mothers += edges;
        edges = 2 * edges + 4 * cells;
        cells *= 4;
    }
}

}  // namespace

void refine_uniform() {
    int n = run.minlev;
    check_uniform_capacity(n);
    if (run.irecon == 1) {
        for (int k = 1; k <= n; ++k) refine_all_once();
        if (n > 0) drop_parents();
    } else if (run.irecon == 2) {
        // Family mode keeps the last level's fathers for the family list.
        for (int k = 1; k <= n - 1; ++k) refine_all_once();
        if (n > 0) {
            if (n >= 2) drop_parents();
            refine_all_once();
            for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) lsplit(list_edg(i)) = false;
            grid.nmother = 0;
        }
    }
    if (n > 0) write_log("Refining grid uniformly to level", n, " ...end");
}

void init_adaptive_grid() {
    write_log("Initializing grid.... end");
    log_grid_usage();
    set_initial_conditions();
    // Passes of one small flow step each, which adapts the grid to the
    // initial flow; the flow they advance is thrown away afterwards.
    int i = run.minlev;
    do {
        cell_geometry();
        if (run.ns == 1) wall_edge_factors();
        double cfl = run.cfl, eps_filter = run.eps_filter;
        run.cfl = static_cast<double>(0.05f);
        run.eps_filter = 0.001;
        timestep();
        run.cfl = cfl;
        run.time = 0;
        run.eps_filter = eps_filter;
        ++i;
        write_log("initial grid adaptation ..", " Total cells now: ", grid.ncell);
    } while (!(i > 2 * run.lmax - run.minlev + 3));
    cell_geometry();
    set_initial_conditions();
    write_log("Initializing adaptive grid data ...end");
    log_grid_usage();
}

}  // namespace qelta
