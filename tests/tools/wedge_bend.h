// The bending of a wedge grid to a nearby angle, done on a grid read from its
// case grid file, as the solver does it after reading: boundary nodes moved
// by fixed rules, then ten smoothing passes over the free nodes.
#pragma once

#include "neu_grid.h"

namespace qelta::testing {

// The grid angle (multiple of 5 degrees) that serves a wedge angle in
// [0, 90]: rounded, halves up, but above 40 and below 45 the 45-degree grid.
int wedge_grid_for(double angle);

// Moves the nodes of a grid made for grid_angle degrees to `angle` degrees.
void bend_wedge(NeuGrid& g, int grid_angle, double angle);

}  // namespace qelta::testing
