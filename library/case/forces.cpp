// The force recorders of the sphere-drag case (101) and the airfoil case
// (102): pressure, viscous stress and wall heat flux summed over the wall
// edges, one row of "draghis.dat" every 2^lmax steps.
#include "case/forces.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "case/units.h"
#include "common/format.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/viscous.h"
#include "grid/geometry.h"
#include "grid/gradients.h"

namespace qelta {

namespace {

constexpr int drag_unit = 41;
constexpr char history_file[] = "draghis.dat";


constexpr double rad_per_deg = 0.785398163397448279 / 45;
constexpr int max_cadence_level = 30;

// mu/Re and kappa/Re at the wall temperature tw by the wall laws.
double wall_viscosity(double tw) { return sutherland_law(tw, run.sut_mu) / run.reyn; }

double wall_conductivity(double tw) {
    return sutherland_law(tw, run.sut_k) * run.gam / run.gam1 / run.prand / run.reyn;
}

struct Stress {
    double xx, xy, yy;
};

// Stokes: txx = 2/3 mu (2 u_x - v_y), tyy = 2/3 mu (2 v_y - u_x), txy = mu (u_y + v_x).
Stress wall_stress(double mu, Vec2 gu, Vec2 gv) {
    using viscous::two_thirds;
    return {two_thirds * mu * (2 * gu.x - gv.y), mu * (gu.y + gv.x), two_thirds * mu * (2 * gv.y - gu.x)};
}

}  // namespace

double sutherland_law(double t, double s) { return (1 + s) * std::pow(std::max(t, 0.001), 1.5) / (t + s); }

bool is_wall_type(int type) { return type == boundary::slip_wall || boundary::no_slip(type); }

double edge_orientation(int e) {
    const int L = ileft(e);
    const Vec2 centre{xc(L), yc(L)};
    return cross(edge_start(e) - centre, edge_end(e) - centre) > 0 ? 1.0 : -1.0;
}

// s N with N the edge's face vector (y2 - y1, x1 - x2), weighted in
// axisymmetric runs.
Vec2 wall_normal(int e) {
    return edge_orientation(e) * viscous::face_vector(edge_start(e), edge_end(e), run.iaxis == 1);
}

// Fp = pf n, Fv = -tau . n, Q = -kappa grad T . n, with n = s N the
// outward normal of the wall cell (into the body) and pf, Tf extrapolated
// from the cell centre to the edge midpoint.
WallForce wall_forces(int e) {
    // 1-3. The cell, the normal into the body and the centre-to-midpoint offset.
    int L = ileft(e);
    Vec2 n = wall_normal(e);
    Vec2 d = 0.5 * (edge_start(e) + edge_end(e)) - Vec2{xc(L), yc(L)};
    // 4. Face pressure and pressure force.
    Vec2 gp{grad(L, 3), grad(L, 4)};
    double pf = p(L) + dot(gp, d);
    WallForce f{pf * n.x, pf * n.y, 0, 0, 0};
    // 5, 6. Face temperature; the isothermal wall's temperature gradient.
    Vec2 gt{gradt(L, 1), gradt(L, 2)};
    double tf = tem(L) + dot(gt, d);
    int type = ibtype(e);
    if (type == boundary::isothermal_wall) gt = viscous::reflected_gradient(gt, tem(L), run.twall, d);
    // 7. A slip wall carries no shear and no heat: the viscous fluxes act
    // only at the no-slip walls.
    if (run.ns == 0 || type == boundary::slip_wall) return f;
    // 8. Transport coefficients at the wall temperature.
    double tw = (type == boundary::isothermal_wall) ? run.twall : tf;
    double mu = wall_viscosity(tw);
    double kappa = wall_conductivity(tw);
    // 9. No slip: the velocity gradients that give zero velocity at the face.
    Vec2 gu = viscous::reflected_gradient({grad(L, 5), grad(L, 6)}, ux(L), 0, d);
    Vec2 gv = viscous::reflected_gradient({grad(L, 7), grad(L, 8)}, uy(L), 0, d);
    // 10, 11. Stresses and the viscous force (the full plane tensor in plane
    // runs as well).
    Stress t = wall_stress(mu, gu, gv);
    f.fvx = -(t.xx * n.x + t.xy * n.y);
    f.fvy = -(t.xy * n.x + t.yy * n.y);
    // 12. Heat flux into an isothermal wall; the other walls are adiabatic.
    f.q = (type == boundary::isothermal_wall) ? -kappa * dot(n, gt) : 0.0;
    return f;
}

WallForce sum_wall_forces() {
    WallForce sum{0, 0, 0, 0, 0};
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (!is_wall_type(ibtype(e))) continue;
        WallForce f = wall_forces(e);
        sum.fpx += f.fpx;
        sum.fpy += f.fpy;
        if (run.ns != 0) {
            sum.fvx += f.fvx;
            sum.fvy += f.fvy;
            sum.q += f.q;
        }
    }
    return sum;
}

bool row_due() {
    int k = std::clamp(run.lmax, 0, max_cadence_level);
    return run.nstep % (1 << k) == 0;
}

namespace {

void open_history(std::string_view header) {
    run.idrag = drag_unit;
    open_unit(drag_unit, history_file);
    write_free(drag_unit, header);
}

// A recorder called after the file was closed (or before it was opened)
// writes nothing.
bool history_open() { return unit_is_open(drag_unit); }

// The gradients of the present state at the walls: with the viscous wall
// images in viscous runs, then limited. The next step computes its own.
WallForce current_wall_forces() {
    if (run.ns == 1)
        ghost_gradients();
    else
        lsq_edge_terms();
    cell_gradients();
    return sum_wall_forces();
}

void write_row(std::initializer_list<double> columns) {
    std::string row = fmt_i(run.nstep, 7);
    for (double v : columns) row += fmt_e(v, 12, 4);
    write_record(drag_unit, row);
}

void drag_row() {
    WallForce f = current_wall_forces();
    // Dynamic pressure of the gas behind the incident shock, q = rho2 u2^2/2.
    double rho2, p2, w;
    normal_shock(run.gam, run.amach, 1.0, 1.0, rho2, p2, w);
    double u2 = run.amach * std::sqrt(run.gam) - w;
    double q = 0.5 * rho2 * u2 * u2;
    double cp = f.fpx / q, cpy = f.fpy / q, cv = f.fvx / q, cvy = f.fvy / q, ct = f.q / q;
    double t = run.time - run.t0;
    if (run.iaxis == 1)
        write_row({t, cp, cv, cp + cv, ct});
    else
        write_row({t, cp, cpy, cv, cvy, cp + cv, ct});
}

// Drag along the stream direction (cos a, sin a) and lift normal to it,
// theta = -a: Cd = Cx cos theta - Cy sin theta, Cl = Cx sin theta + Cy cos theta.
void lift_drag_row() {
    WallForce f = current_wall_forces();
    double q = 0.5 * run.gam * run.amach * run.amach;  // of the free stream, rho = 1
    double cx = f.fpx / q, cy = f.fpy / q;
    double theta = -run.rpar(3) * rad_per_deg;
    run.wangle = theta;
    double cd = cx * std::cos(theta) - cy * std::sin(theta);
    double cl = cx * std::sin(theta) + cy * std::cos(theta);
    write_row({run.time - run.t0, cl, cd, 1 / q});
}

void record(int mode, std::string_view header, void (*row)()) {
    switch (mode) {
    case 0: open_history(header); break;
    case 1:
        if (history_open() && row_due()) row();
        break;
    case 2:
        if (history_open()) close_unit(drag_unit);
        break;
    default: break;
    }
}

}  // namespace

void record_drag(int mode) {
    const char* header = (run.iaxis == 1) ? "  n  t  Cp  Cv  Cd  Ct" : "  n  t  Cp  Cpy  Cv  Cvy  Cd  Ct";
    record(mode, header, drag_row);
}

void record_lift_drag(int mode) { record(mode, "  n  t  Cl  Cd ", lift_drag_row); }

}  // namespace qelta
