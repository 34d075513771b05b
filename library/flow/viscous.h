// Viscous and heat-conduction terms of the Navier-Stokes equations.
#pragma once

namespace qelta {

void viscous_flux();
// End weights wallratio on the side edges of cells at no-slip walls, so that
// the adaptation splits them towards the wall.
void wall_edge_factors();

}  // namespace qelta
