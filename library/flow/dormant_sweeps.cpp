// Scheme-2-type sweeps that carry more variables than the Euler equations:
// the two variables of the dormant k-epsilon model, and the partial density
// of a thermally perfect two-component gas. Nothing runs them.
#include <algorithm>
#include <cmath>

#include "common/run.h"
#include "flow/sweep.h"
#include "grid/gradients.h"

namespace qelta {

using namespace sweep;

namespace {

// An advected scalar q per unit mass on one side of an edge: its limited
// gradient, predicted over tau (q* = q - tau u . grad q) and extrapolated.
double scalar_face(double q, double gx, double gy, Vec2 t, double slope, double tau, const Prim& s, Vec2 o) {
    limit_gradient(t.x, t.y, gx, gy, slope, gx, gy);
    double predicted = q - tau * (s.u * gx + s.v * gy);
    return predicted + gx * o.x + gy * o.y;
}

// Scalar fluxes of the boundary edges: carried out of open boundaries with
// the mass flux, none through walls and the axis.
void boundary_scalars(int n, double (*value)(int c, int k)) {
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        BoundaryEdge b(e);
        bool closed = b.wall || (run.iaxis == 1 && ibtype(e) == boundary::symmetry_axis);
        for (int k = 1; k <= n; ++k) edgrhs(e, k) = closed ? 0 : stored_flux(e, 1) * value(b.cell, k);
    }
}

double turbulence(int c, int k) { return k == 1 ? tk(c) : te(c); }
double mass_fraction(int c, int) { return rho2(c) / r(c); }

}  // namespace

void sweep_predictor_k_epsilon() {
    const bool axi = run.iaxis == 1;
    const double tau = 0.5 * run.dt;
    each_interior_edge([&](const InteriorEdge& g) {
        int e = g.edge;
        refinement_indicator(g, g.rcell.q.r);
        const Prim &ql = g.lcell.q, &qr = g.rcell.q;
        FacePair f = predicted_faces(g, tau, axi ? 2 / g.y_sum : 0.0);
        const Prim &fl = f.left, &fr = f.right;
        int L = g.left, R = g.right;
        double sk = (tk(R) - tk(L)) / g.d, se = (te(R) - te(L)) / g.d;
        ScalarFaceState left{fl.r, fl.u, fl.v, fl.p,
                             scalar_face(tk(L), gradturb(L, 1), gradturb(L, 2), g.t, sk, tau, ql, g.o_left),
                             scalar_face(te(L), gradturb(L, 3), gradturb(L, 4), g.t, se, tau, ql, g.o_left)};
        ScalarFaceState right{fr.r, fr.u, fr.v, fr.p,
                              scalar_face(tk(R), gradturb(R, 1), gradturb(R, 2), g.t, sk, tau, qr, g.o_right),
                              scalar_face(te(R), gradturb(R, 3), gradturb(R, 4), g.t, se, tau, qr, g.o_right)};
        double w = axi ? g.y_sum : 1.0;
        ScalarFlux F = flux_hllc_scalars(left, right, run.gam, w * g.N.x, w * g.N.y);
        store_flux(g, {F.mass, F.energy, F.xmom, F.ymom});
        edgrhs(e, 1) = F.s1;
        edgrhs(e, 2) = F.s2;
    });
    scheme2_boundary_edges(axi);
    boundary_scalars(2, turbulence);
    hanging_edgrhs(2);
    // tk and te move as densities: (old value x old density + balance) / new density.
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        double h = run.dt / area(c);
        tk(c) = tk(c) * r(c) + h * edgrhs_balance(c, 1);
        te(c) = te(c) * r(c) + h * edgrhs_balance(c, 2);
    }
    finish(false, axi);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        tk(c) /= cr(c);
        te(c) /= cr(c);
    }
}

void sweep_predictor_thermal() {
    const bool axi = run.iaxis == 1;
    const double tau = 0.5 * run.dt;
    each_interior_edge([&](const InteriorEdge& g) {
        int e = g.edge;
        refinement_indicator(g, g.rcell.q.r);
        const Prim &ql = g.lcell.q, &qr = g.rcell.q;
        // The ratio of specific heats of each side at its temperature.
        double gaml = thermal_gamma(std::clamp(ql.p / ql.r, 0.05, 200.0));
        double gamr = thermal_gamma(std::clamp(qr.p / qr.r, 0.05, 200.0));
        FacePair f = predicted_faces(g, tau, axi ? 2 / g.y_sum : 0.0, gaml, gamr);
        const Prim &fl = f.left, &fr = f.right;
        // The second component moves with the gas: its mass fraction is
        // carried to the face unchanged.
        ThermalFaceState left{fl.r, fl.u, fl.v, fl.p, fl.r * rho2(g.left) / ql.r};
        ThermalFaceState right{fr.r, fr.u, fr.v, fr.p, fr.r * rho2(g.right) / qr.r};
        double w = axi ? g.y_sum : 1.0;
        TwoGasFlux F = flux_hll_thermal(left, right, w * g.N.x, w * g.N.y);
        store_flux(g, {F.mass, F.energy, F.xmom, F.ymom});
        edgrhs(e, 1) = F.partial;
    });
    scheme2_boundary_edges(axi);
    boundary_scalars(1, mass_fraction);
    hanging_edgrhs(1);
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        rho2(c) += run.dt / area(c) * edgrhs_balance(c, 1);
    }
    finish(false, axi);
}

}  // namespace qelta
