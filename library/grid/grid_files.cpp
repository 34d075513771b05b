#include "grid/grid_files.h"

#include <algorithm>
#include <cmath>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"

namespace qelta {

void check_axis() {
    if (run.iaxis != 1) return;
    double ymin = run.big, ymax = -run.big;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        ymin = std::min(ymin, xyedge(e, 2));
        ymax = std::max(ymax, xyedge(e, 2));
    }
    // An edge on y = 0 (to round-off of the grid's height) is the axis; an
    // edge below it cannot be part of a body of revolution.
    double tol = 1e-10 * (ymax - ymin);
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        double s = xyedge(e, 2) + xyedge(e, 4);
        if ((s >= 0 && s <= static_cast<double>(1e-6f)) || (s < 0 && std::fabs(s) < tol)) {
            ibtype(e) = 6;
        } else if (s < 0) {
            fatal_stop({free_text("y must be greater than 0 for axisymmetric flows", s)});
        }
    }
}

}  // namespace qelta
