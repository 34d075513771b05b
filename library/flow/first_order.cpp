// First-order Godunov sweep: the cell values meet at every interior face,
// the exact Riemann solution gives the flux, integrated over the step.
#include "common/run.h"
#include "flow/sweep.h"

namespace qelta {

using namespace sweep;

void sweep_first_order_godunov() {
    const double dt = run.dt;
    for (int i = 1; i <= grid.niedge; ++i) {
        int e = list_iedge(i);
        InteriorEdge g(e);
        refinement_indicator(e, g, r(g.right));
        FaceState l{r(g.left), ux(g.left), uy(g.left), p(g.left)};
        FaceState rt{r(g.right), ux(g.right), uy(g.right), p(g.right)};
        store_flux(e, dt * flux_godunov(l, rt, run.gam, g.N.x, g.N.y));  // plane normal
    }
    scheme1_boundary_edges();
    finish(true, run.iaxis != 0);
}

}  // namespace qelta
