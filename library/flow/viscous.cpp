#include "flow/viscous.h"

#include "common/run.h"
#include "common/storage.h"

namespace qelta {

void wall_edge_factors() {
    if (run.ns != 1) return;
    const double w = run.wallratio;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (ibtype(e) != 3 && ibtype(e) != 4) continue;
        int c = ileft(e);
        int e1 = icedge(c, 1), e2 = icedge(c, 2), e3 = icedge(c, 3), e4 = icedge(c, 4);
        // The side edges get the weight w at their end on the wall.
        if (e == e1) edgratio(e2, 2) = edgratio(e4, 2) = w;  // east wall
        if (e == e3) edgratio(e2, 1) = edgratio(e4, 1) = w;  // west wall
        if (e == e2) edgratio(e1, 2) = edgratio(e3, 2) = w;  // north wall
        if (e == e4) edgratio(e1, 1) = edgratio(e3, 1) = w;  // south wall
    }
}

}  // namespace qelta
