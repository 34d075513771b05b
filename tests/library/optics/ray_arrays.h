// The program's ray-grid arrays at their full capacity (ray_z, ray_y, the
// cell weights and the four-column cell table), with their counts, and the
// view through which the optics stages take them.
#pragma once

#include <vector>

#include "optics/optics.h"

namespace qelta::testing {

struct RayArrays {
    std::vector<double> ray_z = std::vector<double>(max_rays), ray_y = ray_z, weight = ray_z;
    std::vector<int> ray_cells = std::vector<int>(4 * max_rays);
    int nrays = 0, ncells = 0;

    RayGrid grid() {
        return {{ray_z.data(), max_rays}, {ray_y.data(), max_rays}, nrays, ncells, {ray_cells.data(), max_rays, 4},
                {weight.data(), max_rays}};
    }
};

}  // namespace qelta::testing
