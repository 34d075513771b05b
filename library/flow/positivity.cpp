#include "flow/positivity.h"

#include <algorithm>
#include <cmath>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/geometry.h"
#include "grid/layout.h"

namespace qelta::positivity {

namespace {

using U = double[ncons + 1];  // mass, energy, x and y momentum, from 1

constexpr int max_passes = 64;         // widenings of the set
constexpr int max_substeps = 10000;    // per pass
constexpr double substep_share = 0.5;  // of the positivity limit of the sub-step

CellColumns<double, ncons> start;   // the start state of the step
CellColumns<double, ncons> scheme;  // the scheme's result in the cells touched
CellArray<int> member;              // stamp of the set, or of its ring
CellArray<int> set_cells, ring_cells;
EdgeArray<int> edge_mark;
EdgeArray<int> leaf_edges;
EdgeColumns<double, ncons> integral;  // time integral of each edge's new flux
int stamp = 0;                        // of the set; stamp + 1 marks its ring

double pressure_of(double rho, double e, double mx, double my) {
    // As cons_to_prim has it.
    double u = mx / rho, v = my / rho;
    return run.gam1 * (e - 0.5 * (mx * u + my * v));
}

bool positive(const double* q) {
    return q[1] > 0 && pressure_of(q[1], q[2], q[3], q[4]) > 0 && std::isfinite(q[2]) && std::isfinite(q[3]) &&
           std::isfinite(q[4]);
}

bool cell_positive(int c) {
    U q = {0, cons(c, 1), cons(c, 2), cons(c, 3), cons(c, 4)};
    return positive(q);
}

// Primitive values of a conservative state.
struct Face {
    double r, u, v, p;
};
Face face_of(const double* q) {
    double u = q[3] / q[1], v = q[4] / q[1];
    return {q[1], u, v, run.gam1 * (q[2] - 0.5 * (q[3] * u + q[4] * v))};
}
Face mirrored(Face f, Vec2 n) {
    double un = f.u * n.x + f.v * n.y;
    return {f.r, f.u - 2 * un * n.x, f.v - 2 * un * n.y, f.p};
}

// Rusanov flux between two faces through N (its length the edge's, times
// the axisymmetric weight): the mean of the physical fluxes less the
// largest signal speed times the jump. Also returns that speed times |N|.
void rusanov(const Face& a, const Face& b, Vec2 N, double F[ncons + 1], double& sN) {
    double len = std::hypot(N.x, N.y);
    Vec2 n = {N.x / len, N.y / len};
    auto phys = [&](const Face& f, double G[ncons + 1], double q[ncons + 1], double& s) {
        double un = f.u * n.x + f.v * n.y;
        double E = f.p / run.gam1 + 0.5 * f.r * (f.u * f.u + f.v * f.v);
        q[1] = f.r;
        q[2] = E;
        q[3] = f.r * f.u;
        q[4] = f.r * f.v;
        G[1] = f.r * un;
        G[2] = (E + f.p) * un;
        G[3] = f.r * f.u * un + f.p * n.x;
        G[4] = f.r * f.v * un + f.p * n.y;
        s = std::fabs(un) + std::sqrt(run.gam * f.p / f.r);
    };
    double Ga[ncons + 1], Gb[ncons + 1], qa[ncons + 1], qb[ncons + 1], sa, sb;
    phys(a, Ga, qa, sa);
    phys(b, Gb, qb, sb);
    double s = std::max(sa, sb);
    for (int k = 1; k <= ncons; ++k) F[k] = len * (0.5 * (Ga[k] + Gb[k]) - 0.5 * s * (qb[k] - qa[k]));
    sN = s * len;
}

bool in_set(int c) { return member(c) == stamp; }
bool in_ring(int c) { return member(c) == stamp + 1; }

// The state a flux of this pass sees in cell c: the sub-stepped one in the
// set, the start state elsewhere.
void seen_state(int c, double q[ncons + 1]) {
    for (int k = 1; k <= ncons; ++k) q[k] = in_set(c) ? cons(c, k) : start(c, k);
}

Vec2 edge_normal(int e) {
    Vec2 s = edge_start(e), f = edge_end(e);
    double w = run.iaxis == 1 ? s.y + f.y : 1.0;
    return {w * (f.y - s.y), w * (s.x - f.x)};
}

bool wall_edge(int e) {
    int type = ibtype(e);
    return type == boundary::slip_wall || (run.ns == 1 && boundary::no_slip(type));
}

// The new flux of leaf edge e (left to right) from the states seen.
// False where a face is not positive.
bool edge_flux(int e, double F[ncons + 1], double& sN) {
    Vec2 N = edge_normal(e);
    if (lbedge(e) && run.iaxis == 1 && ibtype(e) == boundary::symmetry_axis) {
        for (int k = 1; k <= ncons; ++k) F[k] = 0;
        sN = 0;
        return true;
    }
    double qr[ncons + 1];
    seen_state(iright(e), qr);
    if (!positive(qr)) return false;
    Face right = face_of(qr);
    if (lbedge(e)) {
        // The cell's own state outside an open boundary, its mirror image
        // outside a wall.
        double len = std::hypot(N.x, N.y);
        Face left = wall_edge(e) ? mirrored(right, {N.x / len, N.y / len}) : right;
        rusanov(left, right, N, F, sN);
        return true;
    }
    double ql[ncons + 1];
    seen_state(ileft(e), ql);
    if (!positive(ql)) return false;
    rusanov(face_of(ql), right, N, F, sN);
    return true;
}

// +1 for the cell on the right of edge e, -1 on the left.
double side(int e, int c) { return iright(e) == c ? 1.0 : -1.0; }

int nset = 0, nring = 0, nleaf = 0;

void add_leaf(int e) {
    if (edge_mark(e) == stamp) return;
    edge_mark(e) = stamp;
    leaf_edges(++nleaf) = e;
    for (int c : {ileft(e), iright(e)}) {
        if (c <= 0 || (lbedge(e) && c == ileft(e))) continue;
        if (!in_set(c) && !in_ring(c)) {
            member(c) = stamp + 1;
            ring_cells(++nring) = c;
        }
    }
}

// The edges of the set and its ring, from the set's cells.
void collect() {
    nleaf = 0;
    nring = 0;
    for (int j = 1; j <= nset; ++j) member(set_cells(j)) = stamp;
    for (int j = 1; j <= nset; ++j) {
        int c = set_cells(j);
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            if (lsplit(e)) {
                add_leaf(isubedge(e, 1));
                add_leaf(isubedge(e, 2));
            } else {
                add_leaf(e);
            }
        }
    }
}

void restore(int c) {
    for (int k = 1; k <= ncons; ++k) cons(c, k) = scheme(c, k);
}

EdgeColumns<double, ncons> now_flux;  // of the sub-step
CellArray<double> limit_sum;            // half the sum of speed times |N| of a set cell

// Radial source of the axisymmetric y momentum: twice the plane area times
// the pressure, per unit time.
double radial_source(int c) {
    U q = {0, cons(c, 1), cons(c, 2), cons(c, 3), cons(c, 4)};
    return twice_plane_area(c) * face_of(q).p;
}

// One pass: the set advanced over dt from the start state in sub-steps,
// the ring corrected by the change of flux. False when a face is not
// positive or the pass takes too many sub-steps.
bool advance(SchemeFlux flux) {
    for (int j = 1; j <= nset; ++j) {
        int c = set_cells(j);
        for (int k = 1; k <= ncons; ++k) cons(c, k) = start(c, k);
    }
    for (int i = 1; i <= nleaf; ++i)
        for (int k = 1; k <= ncons; ++k) integral(leaf_edges(i), k) = 0;
    double left = run.dt;
    for (int n = 0; left > 0; ++n) {
        if (n == max_substeps) return false;
        for (int j = 1; j <= nset; ++j) limit_sum(set_cells(j)) = 0;
        for (int i = 1; i <= nleaf; ++i) {
            int e = leaf_edges(i);
            double F[ncons + 1], sN;
            if (!edge_flux(e, F, sN)) return false;
            for (int k = 1; k <= ncons; ++k) now_flux(e, k) = F[k];
            for (int c : {ileft(e), iright(e)})
                if (c > 0 && in_set(c) && !(lbedge(e) && c == ileft(e))) limit_sum(c) += 0.5 * sN;
        }
        // Each cell's state after the sub-step is a mean of admissible
        // states while tau stays below its area over limit_sum.
        double tau = left;
        for (int j = 1; j <= nset; ++j) {
            int c = set_cells(j);
            if (limit_sum(c) > 0) tau = std::min(tau, substep_share * area(c) / limit_sum(c));
        }
        if (!(tau > 0)) return false;
        for (int j = 1; j <= nset; ++j) {
            int c = set_cells(j);
            if (run.iaxis == 1) cuy(c) += tau / area(c) * radial_source(c);
        }
        for (int i = 1; i <= nleaf; ++i) {
            int e = leaf_edges(i);
            for (int k = 1; k <= ncons; ++k) integral(e, k) += tau * now_flux(e, k);
            for (int c : {ileft(e), iright(e)}) {
                if (c <= 0 || !in_set(c) || (lbedge(e) && c == ileft(e))) continue;
                double h = side(e, c) * tau / area(c);
                for (int k = 1; k <= ncons; ++k) cons(c, k) += h * now_flux(e, k);
            }
        }
        left = (tau < left) ? left - tau : 0;
    }
    // The ring: the scheme's result with the new flux in place of the
    // scheme's on the edges it shares with the set.
    for (int j = 1; j <= nring; ++j) restore(ring_cells(j));
    for (int i = 1; i <= nleaf; ++i) {
        int e = leaf_edges(i);
        for (int c : {ileft(e), iright(e)}) {
            if (c <= 0 || !in_ring(c) || (lbedge(e) && c == ileft(e))) continue;
            double h = side(e, c) / area(c);
            for (int k = 1; k <= ncons; ++k) cons(c, k) += h * (integral(e, k) - run.dt * flux(e, k));
        }
    }
    return true;
}

// The start state of a cell from its primitive columns.
void start_from_primitives(int c) {
    start(c, 1) = r(c);
    start(c, 2) = p(c) / run.gam1 + 0.5 * r(c) * (ux(c) * ux(c) + uy(c) * uy(c));
    start(c, 3) = r(c) * ux(c);
    start(c, 4) = r(c) * uy(c);
}

}  // namespace

bool suspect() {
    // rho > 0 and 2 rho E > |m|^2 with a margin, by products alone; NaN fails.
    const double floor = run.tiny;
    int bad = 0;
    layout::each_active_cell([&](int c) {
        const double rho = cr(c), e = cp(c), mx = cux(c), my = cuy(c);
        bad += !(rho > 0) | !(2 * rho * e > (mx * mx + my * my) * (1 + 1e-9) + floor);
    });
    return bad > 0;
}

void keep_start_from_primitives() {
    for (int i = 1; i <= grid.ncell; ++i) start_from_primitives(list_cel(i));
}

void keep_start_from_conservative() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) start(c, k) = cons(c, k);
    }
}

void mend(SchemeFlux flux) {
    nset = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (!(p(c) > 0) || !(r(c) > 0)) set_cells(++nset) = c;  // as the repair finds them
    }
    if (nset == 0) return;
    // The averaging repair runs after the adaptation of an adaptive run and
    // before the scheme of a viscous one; where it would mend the cells the
    // step goes on as it always has.
    bool repaired_later = run.ns == 1 || run.lmax > run.minlev;
    if (repaired_later && repair_would_mend()) return;

    const int found = nset;
    for (int pass = 1; pass <= max_passes; ++pass) {
        stamp += 2;
        collect();
        for (int j = 1; j <= nset; ++j)
            for (int k = 1; k <= ncons; ++k) scheme(set_cells(j), k) = cons(set_cells(j), k);
        for (int j = 1; j <= nring; ++j)
            for (int k = 1; k <= ncons; ++k) scheme(ring_cells(j), k) = cons(ring_cells(j), k);
        bool done = advance(flux);
        bool set_ok = done;
        for (int j = 1; j <= nset && set_ok; ++j) set_ok = cell_positive(set_cells(j));
        int widened = 0;
        if (set_ok) {
            for (int j = 1; j <= nring; ++j)
                if (!cell_positive(ring_cells(j))) {
                    set_cells(nset + ++widened) = ring_cells(j);
                }
        }
        if (set_ok && widened == 0) {
            write_log("Positivity fallback", run.nstep, found, nset, pass);
            cons_to_prim();
            return;
        }
        for (int j = 1; j <= nset; ++j) restore(set_cells(j));
        for (int j = 1; j <= nring; ++j) restore(ring_cells(j));
        if (!set_ok) break;
        nset += widened;
    }
    write_log("Positivity fallback failed", run.nstep, found);
    cons_to_prim();
}

namespace {

constexpr int max_rings = 24;            // of neighbours round a cell the means take
constexpr double floor_share = 1e-3;     // of the mean's density and pressure kept at least

CellArray<int> region;  // cells of the region round a non-positive cell
int nregion = 0;
CellArray<int> father_of;  // of the active cells, while the lifts run (0: none)

// Edge neighbours of the region's cells (through both halves of a split
// edge) join it: one ring more.
void add_ring() {
    const int n = nregion;
    for (int j = 1; j <= n; ++j) {
        int c = region(j);
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            if (lbedge(e)) continue;
            int halves[2] = {e, 0};
            if (lsplit(e)) halves[0] = isubedge(e, 1), halves[1] = isubedge(e, 2);
            for (int h : halves) {
                if (h == 0) continue;
                int nb = far_side(h, k);
                if (member(nb) == stamp) continue;
                member(nb) = stamp;
                region(++nregion) = nb;
            }
        }
    }
}

// The cell's state moved the share t of the way from the mean m:
// m + t (U - m).
void towards(int c, const double* m, double t, double q[ncons + 1]) {
    for (int k = 1; k <= ncons; ++k) q[k] = m[k] + t * (cons(c, k) - m[k]);
}

bool above_floor(const double* q, double rho_min, double p_min) {
    return q[1] >= rho_min && pressure_of(q[1], q[2], q[3], q[4]) >= p_min && std::isfinite(q[2]) &&
           std::isfinite(q[3]) && std::isfinite(q[4]);
}

// Round non-positive cell c, the smallest region of whole rings whose
// area-weighted mean is positive; every cell of it moves towards that mean
// by the one share that lifts the worst of them to a thousandth of the
// mean's density and pressure. The region's totals stay as they were.
bool lift_region(int c);

// The family of c first, if c is a child whose siblings are all leaves:
// a split that left a child non-positive is undone in part by its own
// family's mean, the father's state; then whole rings.
bool lift(int c) {
    stamp += 2;
    int f = father_of(c);
    if (f > 0) {
        bool leaves = true;
        for (int j = 1; j <= 4; ++j) leaves = leaves && !lfather(ichild(f, j));
        if (leaves) {
            nregion = 0;
            for (int j = 1; j <= 4; ++j) {
                region(++nregion) = ichild(f, j);
                member(ichild(f, j)) = stamp;
            }
            if (lift_region(c)) return true;
        }
    }
    stamp += 2;
    nregion = 1;
    region(1) = c;
    member(c) = stamp;
    for (int ring = 1; ring <= max_rings; ++ring) {
        add_ring();
        if (lift_region(c)) return true;
    }
    write_log("Positivity lift failed", run.nstep, c, nregion);
    return false;
}

// The lift over the present region, if its mean is positive.
bool lift_region(int c) {
    double m[ncons + 1];
    {
        double vol = 0;
        for (int k = 1; k <= ncons; ++k) m[k] = 0;
        for (int j = 1; j <= nregion; ++j) {
            int d = region(j);
            vol += area(d);
            for (int k = 1; k <= ncons; ++k) m[k] += area(d) * cons(d, k);
        }
        for (int k = 1; k <= ncons; ++k) m[k] /= vol;
        if (!positive(m)) return false;
        const double rho_min = floor_share * m[1];
        const double p_min = floor_share * pressure_of(m[1], m[2], m[3], m[4]);
        // The pressure of m + t (U - m) is concave in t: above the floor on
        // [0, t_c] for each cell; the common share is the least t_c.
        double t = 1;
        for (int j = 1; j <= nregion; ++j) {
            int d = region(j);
            double q[ncons + 1];
            towards(d, m, t, q);
            if (above_floor(q, rho_min, p_min)) continue;
            double lo = 0, hi = t;
            for (int it = 0; it < 60; ++it) {
                double mid = 0.5 * (lo + hi);
                towards(d, m, mid, q);
                (above_floor(q, rho_min, p_min) ? lo : hi) = mid;
            }
            t = lo;
        }
        for (int j = 1; j <= nregion; ++j) {
            int d = region(j);
            double q[ncons + 1];
            towards(d, m, t, q);
            for (int k = 1; k <= ncons; ++k) cons(d, k) = q[k];
        }
        write_log("Positivity lift", run.nstep, c, nregion, t);
        return true;
    }
}

}  // namespace

bool lift_to_local_means() {
    for (int i = 1; i <= grid.ncell; ++i) father_of(list_cel(i)) = 0;
    for (int j = MAX_CEL - grid.nfather + 1; j <= MAX_CEL; ++j) {
        int f = list_cel(j);
        for (int k = 1; k <= 4; ++k) father_of(ichild(f, k)) = f;
    }
    bool all = true;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (cell_positive(c)) continue;
        all = lift(c) && all;
    }
    cons_to_prim();
    return all;
}

}  // namespace qelta::positivity
