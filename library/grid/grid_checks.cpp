#include "grid/grid_checks.h"

#include <algorithm>
#include <cmath>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/grid_store.h"

namespace qelta {

void dump_cell_geom(int c) {
    write_log("cell ", c, xc(c), yc(c));
    write_log(lfather(c), level(c));
    write_log(icedge(c, 1), icedge(c, 2), icedge(c, 3), icedge(c, 4));
}

void dump_cell(int c) {
    dump_cell_geom(c);
    write_log("p, r, ux, uy:   ", p(c), r(c), ux(c), uy(c));
    write_log("cp, cr, cux,cuy:", cp(c), cr(c), cux(c), cuy(c));
}

void dump_cell_grad(int c) {
    dump_cell_geom(c);
    write_log(grad(c, 1), grad(c, 2), grad(c, 3), grad(c, 4), grad(c, 5), grad(c, 6), grad(c, 7), grad(c, 8));
}

namespace {

void dump_edge_links(int e) {
    if (lsplit(e))
        write_log("Split ", "Subedges ", isubedge(e, 1), isubedge(e, 2));
    else
        write_log("Not split");
    write_log("LEFT cell ", ileft(e), " Right cell ", iright(e));
}

}  // namespace

void dump_edge(int e) {
    write_log("edge ", e, xyedge(e, 1), xyedge(e, 2), xyedge(e, 3), xyedge(e, 4));
    dump_edge_links(e);
}

void dump_edge_type(int e) {
    write_log("edge ", e, xyedge(e, 1), xyedge(e, 2), xyedge(e, 3), xyedge(e, 4), ibtype(e));
    dump_edge_links(e);
}

void dump_cell_edges(int c) {
    const char* labels[4] = {"Neigbours edge 1", "Neigbours edge 2", "Neigbours edge 3", "Neigbours edge 4"};
    for (int k = 1; k <= 4; ++k) {
        write_log(labels[k - 1]);
        dump_edge(icedge(c, k));
    }
}

namespace {

// Signed distance of a point from the line of edge e, positive on the
// iright side (the side the edge normal points to).
double side_of(int e, Vec2 q) {
    Vec2 s = edge_start(e), t = edge_end(e);
    return -cross(t - s, q - s);
}

bool valid_leaf(int n) { return n >= 1 && n <= MAX_CEL && !lfather(n); }

// The cell is ileft of its edges 1 and 4 and lies on their negative side;
// the neighbour across them on the positive side, and the other way round
// for edges 2 and 3.
void check_neighbour(int c, int k, int e, int n) {
    if (!valid_leaf(n)) fatal_stop({"Error in check data"});
    double own = (k == 1 || k == 4) ? -1.0 : 1.0;
    Vec2 pc{xc(c), yc(c)}, pn{xc(n), yc(n)};
    if (side_of(e, pc) * own > 0 && side_of(e, pn) * own < 0) return;
    write_log("cell centers ", pc.x, pc.y, pn.x, pn.y);
    dump_cell(c);
    dump_cell_edges(c);
    dump_cell(n);
    dump_cell_edges(n);
    fatal_stop({"Bug, Error"});
}

}  // namespace

void check_grid() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            if (lbedge(e)) continue;
            bool forwards = (k == 1 || k == 4);
            if (lsplit(e)) {
                for (int h = 1; h <= 2; ++h) {
                    int s = isubedge(e, h);
                    if (s < 1 || s > MAX_EDG) fatal_stop({"Error in check data"});
                    check_neighbour(c, k, s, forwards ? iright(s) : ileft(s));
                }
            } else {
                if ((forwards ? ileft(e) : iright(e)) != c) fatal_stop({"Error in check data"});
                check_neighbour(c, k, e, forwards ? iright(e) : ileft(e));
            }
        }
    }
}

void cell_area_stats(double& amin, double& amax, double& atotal) {
    amin = 1e30;
    amax = -1e30;
    atotal = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        area(c) = cell_area(c);
        amin = std::min(amin, area(c));
        amax = std::max(amax, area(c));
        atotal += area(c);
    }
}

void dump_solution() {
    constexpr int unit = 13;
    open_unit(unit, "temp");
    write_free(unit, grid.ncell, grid.nedge, grid.nfather, grid.nmother, run.nstep);
    write_free(unit, run.time, run.dt, run.gam, run.amach, run.cfl);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        write_free(unit, c, level(c), icedge(c, 1), icedge(c, 2), icedge(c, 3), icedge(c, 4));
        write_free(unit, xc(c), yc(c), area(c));
        write_free(unit, r(c), p(c), ux(c), uy(c));
    }
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        write_free(unit, e, ileft(e), iright(e), ibtype(e), xyedge(e, 1), xyedge(e, 2), xyedge(e, 3),
                   xyedge(e, 4));
    }
    close_unit(unit);
}

void error_norms(double& er, double& eux, double& euy, double& et) {
    // Plane Couette flow between walls at y = 0 and y = 1 (the upper one
    // moving at amach), both at twall: u = amach y and
    // T = twall + Pr (gam - 1)/(2 gam) amach^2 y (1 - y).
    er = eux = euy = et = 0;
    if (grid.ncell == 0) return;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        double y = yc(c);
        double t = run.twall + run.prand * run.gam1 / (2 * run.gam) * run.amach * run.amach * y * (1 - y);
        er += std::fabs(r(c) - 1);
        eux += std::fabs(ux(c) - run.amach * y);
        euy += std::fabs(uy(c));
        et += std::fabs(tem(c) - t);
    }
    er /= grid.ncell;
    eux /= grid.ncell;
    euy /= grid.ncell;
    et /= grid.ncell;
}

}  // namespace qelta
