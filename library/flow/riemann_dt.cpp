// A time-step estimate from the exact Riemann face states of the edges.
#include <algorithm>
#include <cmath>

#include "common/run.h"
#include "flow/flux.h"
#include "flow/sweep.h"
#include "flow/timestep.h"

namespace qelta {

namespace {

// |u_s| + c_s of the face state between two states, in the frame of the
// unit normal n.
double face_speed(const sweep::Prim& a, const sweep::Prim& b, Vec2 n) {
    NormalState l{a.r, a.u * n.x + a.v * n.y, -a.u * n.y + a.v * n.x, a.p};
    NormalState r{b.r, b.u * n.x + b.v * n.y, -b.u * n.y + b.v * n.x, b.p};
    NormalState s = exact_riemann(l, run.gam, r, run.gam);
    return std::sqrt(run.gam * s.p / s.rho) + std::sqrt(s.un * s.un + s.ut * s.ut);
}

}  // namespace

// cfl times the smallest of d/(|u_s| + c_s) over interior edges (d the
// centroid distance) and of (area/length)/(|u_s| + c_s) over wall edges,
// against the mirror state.
double riemann_dt() {
    double dmin = 1e50;
    sweep::each_interior_edge([&](const sweep::InteriorEdge& g) {
        Vec2 n = (1 / edglen(g.edge)) * g.N;
        dmin = std::min(dmin, g.d / face_speed(g.lcell.q, g.rcell.q, n));
    });
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        sweep::BoundaryEdge b(e);
        if (!b.wall) continue;
        sweep::Prim q = sweep::cell_prim(b.cell);
        dmin = std::min(dmin, area(b.cell) / edglen(e) / face_speed(q, sweep::mirrored(q, b.n_unit), b.n_unit));
    }
    return run.cfl * dmin;
}

}  // namespace qelta
