// Scheme 2: one-step MUSCL-Hancock reconstruction with limited gradients,
// a half-step predictor at the cell centres and the AUFS flux; mirror
// Riemann fluxes at walls in plane flow.
#include <cmath>

#include "common/run.h"
#include "flow/flux_aufs.h"
#include "flow/sweep.h"
#include "grid/gradients.h"

namespace qelta {

using namespace sweep;

namespace {

// Four or two edges at a time, one in each lane, each with the operations
// of one.
void interior_edges(bool axi) {
    const double tau = 0.5 * run.dt;
    each_interior_edge_lanes([&]<class T>(const InteriorEdges<T>& e) {
        refinement_indicator(e, e.qr.r);
        PrimOf<T> slope = centred_slopes(e.ql, e.qr, e.d);
        T inv_radius = axi ? 2 / e.y_sum : T{};
        T gamma = T{} + run.gam;
        PrimOf<T> left = predicted_face(e.ql, e.gl, e.tx, e.ty, slope, tau, inv_radius, gamma, e.olx, e.oly);
        PrimOf<T> right = predicted_face(e.qr, e.gr, e.tx, e.ty, slope, tau, inv_radius, gamma, e.orx, e.ory);
        T w = axi ? e.y_sum : T{} + 1.0;
        fluxes::FrameOf<T> frame(w * e.Nx, w * e.Ny);
        store_flux(e, fluxes::aufs(face_state(left), face_state(right), run.gam, frame));
    });
}

// The Godunov flux between the face state and its mirror image in the
// wall; the cell's side of the edge decides which of the two is left.
Flux mirror_flux(int e, const BoundaryEdge& b, const Prim& f) {
    Vec2 n = b.n_unit;
    Prim mirror = mirrored(f, n);
    double cross = (xyedge(e, 1) - xc(b.cell)) * (xyedge(e, 4) - yc(b.cell)) -
                   (xyedge(e, 3) - xc(b.cell)) * (xyedge(e, 2) - yc(b.cell));
    Flux F = cross < 0 ? flux_godunov(face_state(mirror), face_state(f), run.gam, n.x, n.y)
                       : flux_godunov(face_state(f), face_state(mirror), run.gam, n.x, n.y);
    return edglen(e) * F;
}

}  // namespace

void sweep::scheme2_boundary_edges(bool axi) {
    const double tau = 0.5 * run.dt;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        store_indicator(e, 0);
        BoundaryEdge b(e);
        if (axi && ibtype(e) == boundary::symmetry_axis) {
            store_flux(e, {0, 0, 0, 0});
            continue;
        }
        Prim q = cell_prim(b.cell);
        Grad g = cell_grad(b.cell);
        if (axi && b.wall) g = wall_corrected(b.cell, g, b.n_unit, b.o);
        Prim f = extrapolate(half_step(q, g, tau, axi ? 1 / yc(b.cell) : 0.0), g, b.o);
        if (!axi && b.wall)
            store_flux(e, mirror_flux(e, b, f));
        else
            store_flux(e, open_flux(f, b.N, axi ? b.y_sum : 1.0, !b.wall));
    }
}

void sweep_scheme2() {
    interior_edges(false);
    scheme2_boundary_edges(false);
    finish(false, false);
}

void sweep_scheme2_axi() {
    interior_edges(true);
    scheme2_boundary_edges(true);
    finish(false, true);
}

}  // namespace qelta
