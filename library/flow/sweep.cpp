#include "flow/sweep.h"

#include <algorithm>
#include <cmath>

#include "common/log.h"
#include "common/run.h"

namespace qelta::sweep {

namespace {

// What use_fitted_cells found: the fit it follows, on which maps.
struct FittedCells {
    bool taken = false;
    long fit = 0, maps = 0;
};
FittedCells fitted;

}  // namespace

void use_fitted_cells() { fitted = {true, flow_fits(), layout::rebuilds()}; }

void pack_cells() {
    layout::refresh();
    bool packed = fitted.taken && fitted.fit == flow_fits() && fitted.maps == layout::rebuilds();
    fitted.taken = false;
    if (packed) return;
    layout::each_cell_and_position([](int c, int i) {
        FlowCell& a = flow_cells(i);
        a.q = cell_prim(c);
        a.centre = {xc(c), yc(c)};
        a.speed = wspeed(c);
        a.g = cell_grad(c);
    });
}

BoundaryEdge::BoundaryEdge(int e) : cell(iright(e)) {
    Vec2 s = edge_start(e), f = edge_end(e);
    m = 0.5 * (s + f);
    N = {f.y - s.y, s.x - f.x};
    n_unit = (1 / edglen(e)) * N;
    o = m - Vec2{xc(cell), yc(cell)};
    y_sum = s.y + f.y;
    int type = ibtype(e);
    wall = type == boundary::slip_wall || (run.ns == 1 && boundary::no_slip(type));
}


Grad wall_corrected(int c, const Grad& g, Vec2 n, Vec2 o) {
    // a: gradient of the normal velocity u n_x + v n_y; b: of u n_y - v n_x.
    double ax = g.ux * n.x + g.vx * n.y, ay = g.uy * n.x + g.vy * n.y;
    double bx = g.ux * n.y - g.vx * n.x, by = g.uy * n.y - g.vy * n.x;
    double vm = ux(c) * n.x + uy(c) * n.y + ax * o.x + ay * o.y;  // normal velocity at the midpoint
    double o2 = o.x * o.x + o.y * o.y;
    ax -= o.x * vm / o2;
    ay -= o.y * vm / o2;
    Grad w = g;
    w.ux = 2 * (n.x * ax + n.y * bx) - g.ux;
    w.uy = 2 * (n.x * ay + n.y * by) - g.uy;
    w.vx = 2 * (n.y * ax - n.x * bx) - g.vx;
    w.vy = 2 * (n.y * ay - n.x * by) - g.vy;
    return w;
}

Flux open_flux(const Prim& f, Vec2 N, double weight, bool transport) {
    double U = transport ? (f.u * N.x + f.v * N.y) * weight : 0.0;
    return {f.r * U, U * (run.gam / run.gam1 * f.p + 0.5 * f.r * (f.u * f.u + f.v * f.v)),
            f.r * f.u * U + f.p * N.x * weight, f.r * f.v * U + f.p * N.y * weight};
}

void begin_store() {
    if (flux_pass.open && flux_pass.maps == layout::rebuilds()) return;
    flux_pass = {flux_pass.number + 1, true, layout::rebuilds()};
}

namespace {

constexpr int flux_part = 1, indicator_part = 2;

// The slot of edge e whose flux (part 1) or indicator (2) is of the latest
// pass, on the maps of that pass.
int stored_slot(int e, int part) {
    bool same_maps = flux_pass.number > 0 && layout::current() && layout::rebuilds() == flux_pass.maps;
    int j = same_maps ? layout::edge_slot(e) : 0;
    if (j < 1 || j > layout::last_slot() || layout::slot_edge(j) != e || slot_pass(part, j) != flux_pass.number)
        fatal_stop({free_text("Edge", e, part == flux_part ? " has no flux" : " has no indicator",
                              " of the latest sweep pass"),
                    "Stop in stored_flux"});
    return j;
}

// Every interior and boundary slot holds a flux of the open pass, and an
// indicator too with `marks`, on the maps the pass began on.
void check_pass(bool marks) {
    if (!flux_pass.open) fatal_stop({"No edge fluxes of a sweep pass", "Stop in finish"});
    if (!layout::current() || layout::rebuilds() != flux_pass.maps)
        fatal_stop({"The grid changed during a sweep pass", "Stop in finish"});
    const int n = flux_pass.number;
    for (int j = 1; j <= layout::last_boundary_slot(); ++j) {
        if (slot_pass(flux_part, j) != n)
            fatal_stop({free_text("Edge", layout::slot_edge(j), " has no flux of this sweep pass"), "Stop in finish"});
        if (marks && slot_pass(indicator_part, j) != n)
            fatal_stop(
                {free_text("Edge", layout::slot_edge(j), " has no indicator of this sweep pass"), "Stop in finish"});
    }
}

// A hanging mother edge: the sum of its halves' fluxes, the larger of
// their indicators, of the pass of the older half.
void hanging_edges() {
    for (int j = layout::last_boundary_slot() + 1; j <= layout::last_slot(); ++j) {
        int h1 = layout::half_slot(j, 1), h2 = layout::half_slot(j, 2);
        for (int k = 1; k <= ncons; ++k) slot_fluxes(k, j) = slot_fluxes(k, h1) + slot_fluxes(k, h2);
        slot_fluxes(slot_indicator, j) = std::max(slot_fluxes(slot_indicator, h1), slot_fluxes(slot_indicator, h2));
        for (int part : {flux_part, indicator_part})
            slot_pass(part, j) = std::min(slot_pass(part, h1), slot_pass(part, h2));
    }
}

// The net inflow F(edge 2) - F(edge 1) + F(edge 3) - F(edge 4) of every
// position and the largest indicator of its edges, formed in position order
// (the slots of neighbouring positions lie together) for the update, which
// goes through the cells in number order.
constexpr int net_indicator = ncons + 1;
Array2<double, ncons + 1, MAX_CEL> position_net;

void net_inflows(bool marks) {
    for (int i = 1; i <= layout::counts.cells; ++i) {
        int s1 = layout::position_slots(1, i), s2 = layout::position_slots(2, i);
        int s3 = layout::position_slots(3, i), s4 = layout::position_slots(4, i);
        auto F = [](int s, int k) { return slot_fluxes(k, s); };
        for (int k = 1; k <= ncons; ++k) position_net(k, i) = F(s2, k) - F(s1, k) + F(s3, k) - F(s4, k);
        if (marks)
            position_net(net_indicator, i) = std::max({F(s1, slot_indicator), F(s2, slot_indicator),
                                                       F(s3, slot_indicator), F(s4, slot_indicator)});
    }
}

// The update of cell c, from its net inflow per unit time net(k) and the
// largest indicator of its edges ind().
template <class Net, class Indicator>
inline void update_cell(int c, bool fluxes_carry_dt, bool axisymmetric, CellPressure P, bool marks, Net net,
                        Indicator ind) {
    double h = (fluxes_carry_dt ? 1.0 : run.dt) / area(c);
    for (int k = 1; k <= ncons; ++k) cons(c, k) += net(k) * h;
    // Radial pressure source of the axisymmetric momentum: G P, G twice
    // the plane area and P the cell's pressure of the stage.
    if (axisymmetric) cuy(c) += run.dt / area(c) * (twice_plane_area(c) * P(c));
    if (!marks) return;
    double most = ind();
    lrefine(c) = (most > run.refine_tol || lkeep(c)) && area(c) >= run.area_min;
    lcoarse(c) = most < run.coarse_tol && !lrefine(c);
}

// Update of every active cell and, with `marks`, its refine and coarsen marks.
void update_cells(bool fluxes_carry_dt, bool axisymmetric, CellPressure P, bool marks) {
    if (layout::positions_are_numbers()) {
        // Position i holds number_cell(i): one pass over the slots.
        for (int i = 1; i <= layout::counts.cells; ++i) {
            int s1 = layout::position_slots(1, i), s2 = layout::position_slots(2, i);
            int s3 = layout::position_slots(3, i), s4 = layout::position_slots(4, i);
            auto F = [](int s, int k) { return slot_fluxes(k, s); };
            update_cell(
                layout::number_cell(i), fluxes_carry_dt, axisymmetric, P, marks,
                [&](int k) { return F(s2, k) - F(s1, k) + F(s3, k) - F(s4, k); },
                [&] {
                    return std::max({F(s1, slot_indicator), F(s2, slot_indicator), F(s3, slot_indicator),
                                     F(s4, slot_indicator)});
                });
        }
        return;
    }
    net_inflows(marks);
    layout::each_cell_and_position(
        [&](int c, int i) {
            update_cell(
                c, fluxes_carry_dt, axisymmetric, P, marks, [i](int k) { return position_net(k, i); },
                [i] { return position_net(net_indicator, i); });
        },
        [](int i) { __builtin_prefetch(&position_net(1, i)); });
}

}  // namespace

double half_step_pressure(int c) {
    Grad g = cell_grad(c);
    double u = ux(c), v = uy(c), pc = p(c);
    return pc - 0.5 * run.dt * (u * g.px + v * g.py + run.gam * pc * (g.ux + g.vy) + run.gam * pc * v / yc(c));
}

namespace {

void complete(bool fluxes_carry_dt, bool axisymmetric, CellPressure P, bool marks) {
    check_pass(marks);
    hanging_edges();
    update_cells(fluxes_carry_dt, axisymmetric, P, marks);
    flux_pass.open = false;
}

}  // namespace

void finish(bool fluxes_carry_dt, bool axisymmetric) {
    complete(fluxes_carry_dt, axisymmetric, half_step_pressure, true);
}

void finish_stage(bool axisymmetric, CellPressure P, bool marks) { complete(false, axisymmetric, P, marks); }

double stored_flux(int e, int k) { return slot_fluxes(k, stored_slot(e, flux_part)); }

double stored_indicator(int e) { return slot_fluxes(slot_indicator, stored_slot(e, indicator_part)); }

void hanging_edgrhs(int ncol) {
    for (int i = 1; i <= grid.nsplit; ++i) {
        int e = list_split(i);
        for (int k = 1; k <= ncol; ++k) edgrhs(e, k) = edgrhs(isubedge(e, 1), k) + edgrhs(isubedge(e, 2), k);
    }
}

double edgrhs_balance(int c, int k) {
    return edgrhs(icedge(c, 2), k) - edgrhs(icedge(c, 1), k) + edgrhs(icedge(c, 3), k) - edgrhs(icedge(c, 4), k);
}

}  // namespace qelta::sweep
