// First-order Godunov sweep: the cell values meet at every interior face,
// the exact Riemann solution gives the flux, integrated over the step.
#include "common/run.h"
#include "flow/sweep.h"

namespace qelta {

using namespace sweep;

void sweep_first_order_godunov() {
    const double dt = run.dt;
    each_interior_edge([&](const InteriorEdge& g) {
        refinement_indicator(g, g.rcell.q.r);
        FaceState l = face_state(g.lcell.q), rt = face_state(g.rcell.q);
        store_flux(g, dt * flux_godunov(l, rt, run.gam, g.N.x, g.N.y));  // plane normal
    });
    scheme1_boundary_edges();
    finish(true, run.iaxis != 0);
}

}  // namespace qelta
