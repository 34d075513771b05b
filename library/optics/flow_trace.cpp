#include "optics/flow_trace.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "common/log.h"
#include "common/run.h"

namespace qelta {

namespace {

// ---- Constants of the axisymmetric tracer ----
constexpr double cylinder_fraction = 0.999;   // ymax = 0.999 rmax
constexpr double node_nudge = 3e-16;          // relative nudge of a ray sitting on a node
constexpr double cell_tolerance = 5e-7;       // T = 5e-7 L
constexpr double radial_regular = 1e-7;       // e = 1e-7 T
constexpr double entry_disc_floor = 1e-29;
constexpr double root_shift = 1e-14;
constexpr double half_edge_tolerance = 1e-10;
constexpr double off_node_keep = 0.9999999999999;  // 1 - 1e-13
constexpr double off_node_move = 1e-13;
constexpr double snell_floor = 1e-30;

// ---- Per-ray work storage of the driver ----
Array1<Logical, max_rays> ray_done;
Array1<double, max_rays> start_r;  // radius of the start point
Array1<double, max_rays> start_x;  // abscissa of the start point
Array1<int, max_rays> start_cell;  // first cell, 0 for none
Array1<Logical, max_rays> ray_stopped;  // stopped inside the flow, short of the window

double node_z(const FlowTables& f, int n) { return f.optic_z(n); }
double node_r(const FlowTables& f, int n) { return f.optic_r(n); }

// The corner number (1..4) of node n in cell c, 0 when n is no corner.
int local_corner(const FlowTables& f, int c, int n) {
    for (int k = 1; k <= 4; ++k)
        if (f.corner(c, k) == n) return k;
    return 0;
}
bool has_corner(const FlowTables& f, int c, int n) { return local_corner(f, c, n) != 0; }

// (b - a) x (p - a) in the (z, r) plane, positive when p lies to the left.
double side_cross(double za, double ra, double zb, double rb, double pz, double pr) {
    return (zb - za) * (pr - ra) - (rb - ra) * (pz - za);
}

// Point on an edge or inside cell c: all four edge cross products >= 0.
bool point_on_or_in_quad(const FlowTables& f, int c, double z, double r) {
    for (int k = 1; k <= 4; ++k) {
        const int a = f.corner(c, k), b = f.corner(c, k % 4 + 1);
        if (side_cross(node_z(f, a), node_r(f, a), node_z(f, b), node_r(f, b), z, r) < 0) return false;
    }
    return true;
}

// Start refractivity at (z, r) in cell c: the mean of the linear
// extrapolations from corners 1 and 3, q = q_k + gz (z - z_k) + gr (r - r_k),
// within the corner values.
double start_refractivity(const FlowTables& f, int c, double z, double r) {
    const double gz = f.dnm1_dz(c), gr = f.dnm1_dr(c);
    auto extrapolate = [&](int n) { return f.nm1(n) + gz * (z - node_z(f, n)) + gr * (r - node_r(f, n)); };
    double qlo = 1e300, qhi = -1e300;
    for (int k = 1; k <= 4; ++k) {
        qlo = std::min(qlo, f.nm1(f.corner(c, k)));
        qhi = std::max(qhi, f.nm1(f.corner(c, k)));
    }
    return std::clamp((extrapolate(f.corner(c, 1)) + extrapolate(f.corner(c, 3))) / 2, qlo, qhi);
}

// ---- Cells round each flow node ----
// From the cell table handed in, in cell order: the cells of node n are
// node_cell(node_first(n) .. node_first(n + 1) - 1).
Array1<int, max_flow + 1> node_first;
Array1<int, 4 * max_flow> node_cell;

// ---- Start-cell index ----
// A uniform grid of bins over the flow cells; every cell is listed in each
// bin its (slightly widened) bounding box touches, in increasing cell
// number, so that a point's bin lists, in order, every cell that can hold it.
constexpr int max_bins = max_flow;
constexpr int max_bin_entries = 8 * max_flow;
Array1<int, max_bins + 1> bin_first;  // entries of bin b: bin_first(b) .. bin_first(b + 1) - 1
Array1<int, max_bin_entries> bin_cell;

struct CellIndex {
    double z0 = 0, r0 = 0;  // lower corner
    double hz = 1, hr = 1;  // bin sizes
    int nz = 0, nr = 0;
    double pad = 0;         // widening of the cell boxes

    int bin_z(double z) const { return std::clamp(static_cast<int>(std::floor((z - z0) / hz)) + 1, 1, nz); }
    int bin_r(double r) const { return std::clamp(static_cast<int>(std::floor((r - r0) / hr)) + 1, 1, nr); }
    int bin(double z, double r) const { return bin_z(z) + nz * (bin_r(r) - 1); }
};

struct Box {
    double zlo, zhi, rlo, rhi;
};

Box cell_box(const FlowTables& f, int c) {
    Box b{1e300, -1e300, 1e300, -1e300};
    for (int k = 1; k <= 4; ++k) {
        const int n = f.corner(c, k);
        b.zlo = std::min(b.zlo, node_z(f, n));
        b.zhi = std::max(b.zhi, node_z(f, n));
        b.rlo = std::min(b.rlo, node_r(f, n));
        b.rhi = std::max(b.rhi, node_r(f, n));
    }
    return b;
}

// Calls visit(bin) for every bin that cell c's widened box touches.
template <class Visit>
void for_cell_bins(const CellIndex& ix, const Box& b, Visit visit) {
    const int iz1 = ix.bin_z(b.zlo - ix.pad), iz2 = ix.bin_z(b.zhi + ix.pad);
    const int ir1 = ix.bin_r(b.rlo - ix.pad), ir2 = ix.bin_r(b.rhi + ix.pad);
    for (int ir = ir1; ir <= ir2; ++ir)
        for (int iz = iz1; iz <= iz2; ++iz) visit(iz + ix.nz * (ir - 1));
}

long count_entries(const FlowTables& f, const CellIndex& ix) {
    long total = 0;
    for (int c = 1; c <= f.ncell; ++c) {
        const Box b = cell_box(f, c);
        const long nz = ix.bin_z(b.zhi + ix.pad) - ix.bin_z(b.zlo - ix.pad) + 1;
        const long nr = ix.bin_r(b.rhi + ix.pad) - ix.bin_r(b.rlo - ix.pad) + 1;
        total += nz * nr;
    }
    return total;
}

CellIndex build_cell_index(const FlowTables& f) {
    CellIndex ix;
    if (f.ncell < 1) return ix;
    Box all{1e300, -1e300, 1e300, -1e300};
    for (int c = 1; c <= f.ncell; ++c) {
        const Box b = cell_box(f, c);
        all = {std::min(all.zlo, b.zlo), std::max(all.zhi, b.zhi), std::min(all.rlo, b.rlo),
               std::max(all.rhi, b.rhi)};
    }
    const double wz = all.zhi - all.zlo, wr = all.rhi - all.rlo;
    const double scale = std::max({std::abs(all.zlo), std::abs(all.zhi), std::abs(all.rlo), std::abs(all.rhi)});
    ix.pad = 1e-9 * (wz + wr) + 1e-12 * scale;
    ix.z0 = all.zlo - ix.pad;
    ix.r0 = all.rlo - ix.pad;
    // About one bin per cell, shaped like the grid's box.
    const double target = std::min(f.ncell, max_bins);
    int nz = 1, nr = 1;
    if (wz > 0 && wr > 0) {
        nz = std::clamp(static_cast<int>(std::sqrt(target * wz / wr)), 1, max_bins);
        nr = std::clamp(static_cast<int>(target / nz), 1, max_bins / nz);
    } else if (wz > 0) {
        nz = static_cast<int>(target);
    } else if (wr > 0) {
        nr = static_cast<int>(target);
    }
    for (;;) {
        ix.nz = nz;
        ix.nr = nr;
        ix.hz = std::max(wz + 2 * ix.pad, 1e-300) / nz;
        ix.hr = std::max(wr + 2 * ix.pad, 1e-300) / nr;
        if (count_entries(f, ix) <= max_bin_entries) break;
        nz = std::max(1, nz / 2);
        nr = std::max(1, nr / 2);
    }
    const int nbins = ix.nz * ix.nr;
    for (int b = 1; b <= nbins + 1; ++b) bin_first(b) = 0;
    for (int c = 1; c <= f.ncell; ++c) for_cell_bins(ix, cell_box(f, c), [](int b) { ++bin_first(b + 1); });
    bin_first(1) = 1;
    for (int b = 1; b <= nbins; ++b) bin_first(b + 1) += bin_first(b);
    // Fill with bin_first(b) as the cursor of bin b, then shift back.
    for (int c = 1; c <= f.ncell; ++c)
        for_cell_bins(ix, cell_box(f, c), [c](int b) { bin_cell(bin_first(b)++) = c; });
    for (int b = nbins; b >= 1; --b) bin_first(b + 1) = bin_first(b);
    bin_first(1) = 1;
    return ix;
}

// ---- One step through a cell ----

struct Crossing {
    double dist;     // x' - x, ahead along the optical axis
    double x, y, z, r;
    int edge;
};

// Exit choice: one candidate is taken; of several, those farther than T
// count: with at most one such, the farthest; else the nearest of them.
int choose_crossing(const Crossing* cand, int n, double tol) {
    if (n == 1) return 0;
    int far = 0;
    for (int j = 0; j < n; ++j)
        if (cand[j].dist > tol) ++far;
    int best = -1;
    for (int j = 0; j < n; ++j) {
        if (far <= 1) {
            if (best < 0 || cand[j].dist > cand[best].dist) best = j;
        } else if (cand[j].dist > tol && (best < 0 || cand[j].dist < cand[best].dist)) {
            best = j;
        }
    }
    return best;
}

// Moves a crossing that sits on node P off it, 1e-13 of the edge toward Q,
// and re-aims the ray from its position `from` at the moved point.
void shift_off_node(const FlowTables& f, Vec3& p, double& r, int node_p, int node_q, Vec3 from, Vec3& dir) {
    const double zp = node_z(f, node_p), rp = node_r(f, node_p);
    const double zq = node_z(f, node_q), rq = node_r(f, node_q);
    p.z = off_node_keep * zp + off_node_move * zq;
    const double rn = off_node_keep * rp + off_node_move * rq;
    if (p.x == 0 && p.y == 0) {
        p.x = off_node_move * (std::abs(rq - rp) + std::abs(zq - zp));
    } else {
        const double s = rn / r;
        p.x *= s;
        p.y *= s;
    }
    r = rn;
    dir = unit(p - from);
}

// The cell across edge (a, b) from c, the exit edge made the neighbour's
// own edge (a split edge's half or whole); 0 on the grid's boundary. P =
// (pz, pr) is the crossing and (tz, tr) the new direction in the (z, r)
// plane, for the choice of a split edge's half when P is at its midpoint.
int cell_across(const FlowTables& f, int c, int& a, int& b, double pz, double pr, double tz, double tr) {
    // From a small cell through half a split edge: the parents' edge.
    const int h = std::min(a, b), o = std::max(a, b);
    if (h >= 1 && h <= f.nhang && (o == f.parent(h, 1) || o == f.parent(h, 2))) {
        a = f.parent(h, 1);
        b = f.parent(h, 2);
    }
    for (int k = node_first(b); k < node_first(b + 1); ++k) {
        const int m = node_cell(k);
        if (m != c && has_corner(f, m, a)) return m;
    }
    // From the large cell onto a split edge: its midpoint n decides the half.
    for (int k = node_first(b); k < node_first(b + 1); ++k) {
        const int m = node_cell(k);
        if (m == c) continue;
        for (int j = 1; j <= 4; ++j) {
            const int n = f.corner(m, j);
            if (n > f.nhang) continue;
            const int p1 = f.parent(n, 1), p2 = f.parent(n, 2);
            if (!((p1 == a && p2 == b) || (p1 == b && p2 == a))) continue;
            const double za = node_z(f, a), ra = node_r(f, a), zb = node_z(f, b), rb = node_r(f, b);
            const double zn = node_z(f, n), rn = node_r(f, n);
            const double tzz = (pz - za) * (zn - pz), trr = (pr - ra) * (rn - pr);
            const double t = tzz + trr, tol = half_edge_tolerance * (std::abs(tzz) + std::abs(trr));
            bool first_half;
            if (t > tol) {
                first_half = true;
            } else if (t < -tol) {
                first_half = false;
            } else if (std::abs(pz - za) + std::abs(pr - ra) <= std::abs(pz - zn) + std::abs(pr - rn)) {
                first_half = true;
            } else {
                first_half = !((ra - rb) * tr + (za - zb) * tz <= 0);
            }
            const int other = first_half ? a : b;
            if (first_half)
                b = n;
            else
                a = n;
            for (int i = node_first(n); i < node_first(n + 1); ++i) {
                const int s = node_cell(i);
                if (s != c && has_corner(f, s, other)) return s;
            }
            return 0;
        }
    }
    return 0;
}

// Refractivity at a point of edge (a, b), weighted by the sums of absolute
// differences to the ends: q = (qa db + qb da)/(da + db).
double edge_refractivity(const FlowTables& f, int a, int b, double z, double r) {
    const double da = std::abs(r - node_r(f, a)) + std::abs(z - node_z(f, a));
    const double db = std::abs(r - node_r(f, b)) + std::abs(z - node_z(f, b));
    return (f.nm1(a) * db + f.nm1(b) * da) / (da + db);
}

// ---- Driver steps ----

struct Windows {
    double x_left, x_right;
};

Windows section_windows(const Array2<int, 20, 20>& elem_ipar, const Array2<double, 20, 20>& elem_par) {
    if (elem_ipar(1, section_element) != section_type) optics_stop({"Found a unknown optical element RWB!"});
    const double x = elem_par(1, section_element), depth = elem_par(4, section_element);
    return {x - depth / 2, x + depth / 2};
}

// The part [lo, hi] of the ray's line x' -> (y0 + s x', z0 + s3 x') inside
// the flow region: the cylinder y^2 + x^2 <= ymax^2 and zmin <= z <= zmax.
struct Span {
    double lo, hi;
    int cap;  // 0, or -1 / +1 when lo is where the line crosses z = zmin / zmax
};

Span flow_span(double y0, double s, double z0, double s3, double ymax, double zmin, double zmax) {
    Span sp{-1e300, 1e300, 0};
    // Cylinder: (1 + s^2) x^2 + 2 y0 s x + y0^2 - ymax^2 = 0.
    const double a = 1 + s * s, b = y0 * s;
    const double disc = b * b - a * (y0 * y0 - ymax * ymax);
    if (disc < 0) return {1, 0, 0};
    const double root = std::sqrt(disc);
    sp.lo = std::min((root - b) / a, (-b - root) / a);
    sp.hi = std::max((root - b) / a, (-b - root) / a);
    if (s3 == 0) {
        if (z0 < zmin || z0 > zmax) return {1, 0, 0};
        return sp;
    }
    const double xa = (zmin - z0) / s3, xb = (zmax - z0) / s3;
    const double slab_lo = std::min(xa, xb), slab_hi = std::max(xa, xb);
    if (slab_lo > sp.lo) {
        sp.lo = slab_lo;
        sp.cap = xa < xb ? -1 : 1;
    }
    sp.hi = std::min(sp.hi, slab_hi);
    return sp;
}

// Step 4: where ray i enters the flow; false when it misses.
bool enter_flow(int i, const Windows& w, double ymax, double zmin, double zmax, ExchangeArray<double> ray_z,
                ExchangeArray<double> ray_y, const RayColumns& ray_dir, RayColumns& ray_pos) {
    const double y = ray_y.nth(i), z = ray_z.nth(i);
    const double dx = ray_dir(i, 1), dy = ray_dir(i, 2), dz = ray_dir(i, 3);
    const double s = dy / dx, s3 = dz / dx;
    const double y0 = y - w.x_left * s, z0 = z - w.x_left * s3;
    const Span sp = flow_span(y0, s, z0, s3, ymax, zmin, zmax);
    const double lo = std::max(sp.lo, w.x_left), hi = std::min(sp.hi, w.x_right);
    if (!(lo < hi)) return false;
    double xe = w.x_left, ye = y, ze = z;
    if (lo > w.x_left) {
        xe = lo;
        ye = s * xe + y0;
        ze = sp.lo == lo && sp.cap != 0 ? (sp.cap < 0 ? zmin : zmax) : s3 * xe + z0;
        ray_y.nth(i) = ye;
        ray_z.nth(i) = ze;
    }
    ray_pos(i, 1) = xe;
    ray_pos(i, 2) = ye;
    ray_pos(i, 3) = ze;
    start_x(i) = xe;
    start_r(i) = std::sqrt(xe * xe + ye * ye);
    return true;
}

// Straight on from the ray's recorded position to x = x_to.
void carry_straight(int i, double x_to, const RayColumns& ray_dir, RayColumns& ray_pos) {
    const double t = (x_to - ray_pos(i, 1)) / ray_dir(i, 1);
    ray_pos(i, 1) = x_to;
    ray_pos(i, 2) += ray_dir(i, 2) * t;
    ray_pos(i, 3) += ray_dir(i, 3) * t;
}

// Whether edge (a, b) lies on the grid's outer sides: the end planes
// z = zmin, z = zmax or the outer radius r = rmax.
bool on_outer_side(const FlowTables& f, int a, int b, double zmin, double zmax, double rmax) {
    if (a < 1 || b < 1) return false;
    const double za = node_z(f, a), zb = node_z(f, b), ra = node_r(f, a), rb = node_r(f, b);
    return (za == zb && (za == zmin || za == zmax)) || (ra == rb && ra == rmax);
}

struct NodeTolerance {
    double z_nudge, r_nudge;  // 3e-16 max|z|, 3e-16 max|r|
    double tz, tr;            // twice those
};

// Step 5.1: a ray sitting exactly on a corner of c moves a little toward
// the opposite corner. False when its radius no longer reaches its
// abscissa (the cell is then not tested).
bool nudge_off_corners(const FlowTables& f, int c, int i, const NodeTolerance& tol, ExchangeArray<double> ray_z,
                       ExchangeArray<double> ray_y, RayColumns& ray_pos) {
    for (int k = 1; k <= 4; ++k) {
        const int n = f.corner(c, k);
        if (node_z(f, n) != ray_z.nth(i) || node_r(f, n) != start_r(i)) continue;
        const int o = f.corner(c, (k + 1) % 4 + 1);
        const double dz = node_z(f, o) - node_z(f, n), dr = node_r(f, o) - node_r(f, n);
        const double z = ray_z.nth(i) + tol.z_nudge * dz / std::max(std::abs(dz), tol.tz);
        const double r = start_r(i) + tol.r_nudge * dr / std::max(std::abs(dr), tol.tr);
        ray_z.nth(i) = z;
        start_r(i) = r;
        const double x = start_x(i);
        if (r * r - x * x < 0) return false;
        ray_y.nth(i) = std::copysign(std::sqrt(r * r - x * x), ray_y.nth(i));
        ray_pos(i, 1) = x;
        ray_pos(i, 2) = ray_y.nth(i);
        ray_pos(i, 3) = z;
    }
    return true;
}

}  // namespace

void list_node_cells(const FlowTables& f, int nnode) {
    for (int n = 1; n <= nnode + 1; ++n) node_first(n) = 0;
    auto valid = [&](int n) { return n >= 1 && n <= nnode; };
    for (int c = 1; c <= f.ncell; ++c)
        for (int k = 1; k <= 4; ++k)
            if (valid(f.corner(c, k))) ++node_first(f.corner(c, k) + 1);
    node_first(1) = 1;
    for (int n = 1; n <= nnode; ++n) node_first(n + 1) += node_first(n);
    // Fill with node_first(n) as the cursor of node n, then shift back.
    for (int c = 1; c <= f.ncell; ++c)
        for (int k = 1; k <= 4; ++k)
            if (valid(f.corner(c, k))) node_cell(node_first(f.corner(c, k))++) = c;
    for (int n = nnode; n >= 1; --n) node_first(n + 1) = node_first(n);
    node_first(1) = 1;
}

// ---- Snell's law and the cell test ----

Vec3 snell_refract(Vec3 d, Vec3& normal, double q1, double q2, bool& floored) {
    normal = (1 / std::sqrt(dot(normal, normal))) * normal;
    floored = false;
    if (q1 == q2) return d;  // eta = 1: t = d
    const double eta = (1 + q1) / (1 + q2);
    double c = dot(d, normal);
    double s = 1;
    if (c < 0) {
        s = -1;
        c = -c;
    }
    const double k = 1 - eta * eta * (1 - c * c);
    const Vec3 t = eta * d + (s * (std::sqrt(std::max(k, snell_floor)) - eta * c)) * normal;
    // |t| = 1 whenever k is not floored; normalising then only rounds.
    if (k >= snell_floor) return t;
    floored = true;
    return unit(t);
}

bool point_in_quad(const FlowTables& f, int c, double z, double r) {
    for (int k = 1; k <= 4; ++k) {
        const int a = f.corner(c, k), b = f.corner(c, k % 4 + 1);
        if (!(side_cross(node_z(f, a), node_r(f, a), node_z(f, b), node_r(f, b), z, r) > 0)) return false;
    }
    return true;
}

// ---- One step ----

CellStep advance_ray_cell(const FlowTables& f, Vec3 pos, Vec3 dir, int c, double x_right, double q, int entry_a,
                          int entry_b) {
    CellStep out{pos, dir, q, c, entry_a, entry_b, false, false, dir, {0, 0, 0}, q, false};
    if (!(dir.x > 0)) {  // no line ahead along x
        out.left_flow = true;
        return out;
    }
    // 1. The ray's line y = y0 + s x', z = z0 + s3 x'; the cell's tolerances.
    const double inv_dx = 1 / dir.x;
    const double s = dir.y * inv_dx, s3 = dir.z * inv_dx;
    const double y0 = pos.y - pos.x * s, z0 = pos.z - pos.x * s3;
    const int n1 = f.corner(c, 1), n4 = f.corner(c, 4);
    const double size = std::abs(node_z(f, n4) - node_z(f, n1)) + std::abs(node_r(f, n4) - node_r(f, n1));
    const double tol = cell_tolerance * size, e = radial_regular * tol;

    // 2. Crossings ahead with the surfaces of revolution of the four edges;
    // edge 1 runs from corner 4 to corner 1, edge k from corner k - 1 to k.
    int node[5];
    double cz[5], cr[5];
    for (int k = 1; k <= 4; ++k) {
        node[k] = f.corner(c, k);
        cz[k] = node_z(f, node[k]);
        cr[k] = node_r(f, node[k]);
    }
    const double tol2 = tol * tol;
    Crossing cand[8];
    int ncand = 0;
    for (int k = 1; k <= 4; ++k) {
        const int ka = k == 1 ? 4 : k - 1;
        const int a = node[ka], b = node[k];
        const double za = cz[ka], ra = cr[ka], zb = cz[k], rb = cr[k];
        const bool entry = (a == entry_a && b == entry_b) || (a == entry_b && b == entry_a);
        // Ahead, and within the edge's z and r ranges up to T.
        auto offer = [&](double xp) {
            if (!(xp - pos.x > 0)) return;
            const double zp = z0 + s3 * xp;
            if (!((zp - za) * (zp - zb) < tol2)) return;
            const double yp = y0 + s * xp, rp = std::sqrt(xp * xp + yp * yp);
            if ((rp - ra) * (rp - rb) < tol2) cand[ncand++] = {xp - pos.x, xp, yp, zp, rp, k};
        };
        if (za == zb) {  // plane z = za
            if (dir.z == 0) {
                if (entry) optics_stop({"Uncompleted in flowray"});
                continue;
            }
            if (!entry) offer((za - z0) / s3);
            continue;
        }
        // Cone R = c' + m z: A x^2 + 2 B x + K = 0 on the ray.
        const double m = (rb - ra) / (zb - za), cc = ra - za * m + m * z0;
        const double A = 1 + s * s - m * m * s3 * s3, B = y0 * s - s3 * m * cc, K = y0 * y0 - cc * cc;
        if (A == 0) continue;
        const double inv_a = 1 / A;
        double disc = B * B - A * K;
        if (entry) {
            disc = std::max(disc, entry_disc_floor);
            const double root = std::sqrt(disc);
            const double x1 = (root - B) * inv_a, x2 = (-B - root) * inv_a;
            if (std::min(ra, rb) == 0) {
                const double xm = (x1 + x2) / 2 - (x1 - x2) * root_shift;
                const double ym = y0 + s * xm;
                if (!point_in_quad(f, c, z0 + s3 * xm, std::sqrt(xm * xm + ym * ym))) continue;
            }
            offer(std::max(x1, x2));
        } else if (disc >= 0) {
            const double root = std::sqrt(disc);
            offer((root - B) * inv_a);
            offer((-B - root) * inv_a);
        }
    }

    // 3., 4. The exit crossing; none: the ray has left the flow.
    if (ncand == 0) {
        out.left_flow = true;
        return out;
    }
    const Crossing& x = cand[choose_crossing(cand, ncand, tol)];
    const int ka = x.edge == 1 ? 4 : x.edge - 1;
    const int a = node[ka], b = node[x.edge];
    const double za = cz[ka], ra = cr[ka], zb = cz[x.edge], rb = cr[x.edge];

    // 5., 6. The new point: the crossing, or the right window.
    Vec3 d = dir;
    Vec3 p{x.x, x.y, x.z};
    double rp = x.r;
    double qn = q;
    if (p.x - x_right < -tol) {
        if (p.z == za && rp == ra) shift_off_node(f, p, rp, a, b, pos, d);
        if (p.z == zb && rp == rb) shift_off_node(f, p, rp, b, a, pos, d);
        qn = edge_refractivity(f, a, b, p.z, rp);
    } else {
        const double t = (x_right - pos.x) / dir.x;
        p = {x_right, pos.y + dir.y * t, pos.z + dir.z * t};
        rp = std::sqrt(p.x * p.x + p.y * p.y);
        out.at_window = true;
    }

    // 7. Refraction, about the gradient where the cell has one. The radial
    // unit vector u is regularised near the axis; on the axis itself it is
    // the one the ray came in along.
    const double inv_r = 1 / (rp + e);
    double ux = (p.x + e) * inv_r, uy = (p.y + e) * inv_r;
    if (rp == 0) {
        const double t = std::hypot(d.x, d.y);
        ux = -d.x / t;
        uy = -d.y / t;
    }
    const Vec3 edge_normal{(za - zb) * ux, (za - zb) * uy, rb - ra};
    const double gz = f.dnm1_dz(c), gr = f.dnm1_dr(c);
    const double g = std::max(std::abs(gz), std::abs(gr));
    const double extent = std::max(std::abs(za - zb), std::abs(rb - ra));
    Vec3 normal = tol / extent < g ? Vec3{gr * ux, gr * uy, gz} : edge_normal;
    const Vec3 dn = snell_refract(d, normal, q, qn, out.floored);
    out.pos = p;
    out.dir = dn;
    out.q = qn;
    out.dir_in = d;
    out.normal = normal;
    out.exit_a = a;
    out.exit_b = b;
    if (out.at_window) return out;

    // 8. Bent back across the edge: the ray stays in c.
    if (dot(d, edge_normal) * dot(dn, edge_normal) < 0) return out;

    // 9. The neighbour across the exit edge; across the axis the ray goes
    // on into the mirror image of c.
    const int next = cell_across(f, c, out.exit_a, out.exit_b, p.z, rp, dn.z, std::sqrt(dn.x * dn.x + dn.y * dn.y));
    if (next != 0) {
        out.next_cell = next;
    } else if (ra == 0 && rb == 0) {
        out.exit_a = a;
        out.exit_b = b;
    } else {
        out.left_flow = true;
    }
    return out;
}

// A line meets each straight edge of a cell's (z, r) outline at most twice: at
// most four passes through a cell.
int ray_step_limit(int ncell) { return 4 * ncell + 100; }

RayEnd trace_ray_cells(const FlowTables& f, Vec3 pos, double r_start, Vec3 dir, int c, double x_right,
                       int max_steps) {
    // 2. Start refractivity.
    double q = start_refractivity(f, c, pos.z, r_start);

    // 3. Cell by cell.
    RayEnd end{pos, dir, 0, false, false, 0, 0};
    int entry_a = 0, entry_b = 0;
    for (;;) {
        if (end.steps >= max_steps) {
            end.step_limit = true;
            break;
        }
        const CellStep st = advance_ray_cell(f, end.pos, end.dir, c, x_right, q, entry_a, entry_b);
        ++end.steps;
        end.pos = st.pos;
        end.dir = st.dir;
        end.at_window = st.at_window;
        end.exit_a = st.exit_a;
        end.exit_b = st.exit_b;
        if (st.left_flow || st.at_window) break;
        q = st.q;
        entry_a = st.exit_a;
        entry_b = st.exit_b;
        c = st.next_cell;
    }
    return end;
}

void symmetry_ray_tracing(ExchangeArray<int> /*iopara*/, ExchangeArray<double> /*ropara*/,
                          const Array2<int, 20, 20>& elem_ipar, const Array2<double, 20, 20>& elem_par,
                          int /*spare5*/, int& section, ExchangeArray<double> ray_z, ExchangeArray<double> ray_y,
                          int nrays, ExchangeColumns<int> ray_cells, int nraycells, int /*spare12*/,
                          int /*spare13*/, double zmin, double zmax, double rmin, double rmax,
                          double /*spare18*/, double /*spare19*/, const FlowNodeReals& optic_z,
                          const FlowNodeReals& optic_r, int nnode, ExchangeColumns<int> cell_nodes, int ncell,
                          ExchangeArray<int> hang_nodes, int nhang, const FlowNodeReals& nm1,
                          const FlowNodeReals& dnm1_dz, const FlowNodeReals& dnm1_dr, RayColumns& ray_dir,
                          RayColumns& ray_pos, ExchangeArray<double> cell_weight) {
    const FlowTables f{optic_z, optic_r, cell_nodes, ncell, hang_nodes, nhang, nm1, dnm1_dz, dnm1_dr};
    // 1. - 3.
    section = section_element;
    const double zscale = std::max(std::abs(zmin), std::abs(zmax)), rscale = std::max(std::abs(rmin), std::abs(rmax));
    const NodeTolerance node_tol{node_nudge * zscale, node_nudge * rscale, 2 * node_nudge * zscale,
                                 2 * node_nudge * rscale};
    const Windows w = section_windows(elem_ipar, elem_par);
    const double ymax = cylinder_fraction * rmax;
    optics_log("ymax", ymax);
    optics_log("start symmetry_ray_tracing");
    for (int i = 1; i <= nrays; ++i) {
        ray_done(i) = false;
        ray_stopped(i) = false;
    }
    list_node_cells(f, nnode);

    // 4. Entry into the flow region; rays that miss go straight to x_R.
    for (int i = 1; i <= nrays; ++i) {
        if (enter_flow(i, w, ymax, zmin, zmax, ray_z, ray_y, ray_dir, ray_pos)) continue;
        ray_pos(i, 1) = w.x_left;
        ray_pos(i, 2) = ray_y.nth(i);
        ray_pos(i, 3) = ray_z.nth(i);
        carry_straight(i, w.x_right, ray_dir, ray_pos);
        ray_done(i) = true;
    }

    // 5. First cell of every entering ray: the first in cell order that
    // holds its start point (the index lists each bin's cells in that
    // order). Then every ray from its cell; a ray in no cell goes straight
    // on, as one that missed the flow.
    optics_log("start...searching rays entering icell");
    const auto t_search = std::chrono::steady_clock::now();
    const CellIndex ix = build_cell_index(f);
    for (int i = 1; i <= nrays; ++i) {
        start_cell(i) = 0;
        if (ray_done(i) || ncell < 1) continue;
        const int bin = ix.bin(ray_z.nth(i), start_r(i));
        for (int j = bin_first(bin); j < bin_first(bin + 1); ++j) {
            const int c = bin_cell(j);
            if (!nudge_off_corners(f, c, i, node_tol, ray_z, ray_y, ray_pos)) continue;
            if (!point_on_or_in_quad(f, c, ray_z.nth(i), start_r(i))) continue;
            start_cell(i) = c;
            break;
        }
    }
    const auto t_walk = std::chrono::steady_clock::now();
    const int max_steps = ray_step_limit(ncell);
    TraceStats stats{};
    int stopped = 0;
    for (int i = 1; i <= nrays; ++i) {
        if (ray_done(i)) continue;
        ray_done(i) = true;
        if (start_cell(i) == 0) {
            carry_straight(i, w.x_right, ray_dir, ray_pos);
            continue;
        }
        const Vec3 p{start_x(i), ray_y.nth(i), ray_z.nth(i)};
        const RayEnd end =
            trace_ray_cells(f, p, start_r(i), ray_vector(ray_dir, i), start_cell(i), w.x_right, max_steps);
        if (end.step_limit) ++stopped;
        ray_stopped(i) =
            end.step_limit || (!end.at_window && !on_outer_side(f, end.exit_a, end.exit_b, zmin, zmax, rmax));
        ++stats.traced;
        stats.steps += end.steps;
        set_ray_vector(ray_dir, i, end.dir);
        set_ray_vector(ray_pos, i, end.pos);
    }
    const auto t_end = std::chrono::steady_clock::now();
    stats.search_seconds = std::chrono::duration<double>(t_walk - t_search).count();
    stats.walk_seconds = std::chrono::duration<double>(t_end - t_walk).count();
    trace_stats = stats;
    if (stopped > 0) optics_log("Rays stopped at the step limit:", stopped);

    // 6. No light from rays stopped on the near side of the axis (at a
    // body); rays that missed the flow, crossed it or left it through its
    // outer sides keep theirs, wherever the section stands.
    for (int c = 1; c <= nraycells; ++c) {
        for (int k = 0; k < 4; ++k) {
            const int i = ray_cells[k].nth(c);
            if (ray_stopped(i) && ray_pos(i, 1) < 0) cell_weight.nth(c) = 0;
        }
    }

    // 7., 8. On to the right window; the ends into ray_z, ray_y.
    for (int i = 1; i <= nrays; ++i) {
        if (ray_pos(i, 1) < w.x_right && ray_dir(i, 1) > 0) carry_straight(i, w.x_right, ray_dir, ray_pos);
        ray_z.nth(i) = ray_pos(i, 3);
        ray_y.nth(i) = ray_pos(i, 2);
    }
    optics_log("end ray-tracing");
}

// ---- Planar cell walker ----

namespace {

constexpr double walk_window_tol[2] = {-1e-7, -1e-12};  // first pass, second-order pass
constexpr double walk_normal_tol[2] = {5e-12, 1e-14};
constexpr double nudge_relative = 1e-14, nudge_absolute = 5e-15;

RayColumns walk_dir;  // the walker's direction table

// Turns the transverse direction v a little toward w, keeping its length:
// v := v + max(1e-14 |v|, 5e-15) w/|w|, then rescaled.
void nudge_direction(double& vz, double& vy, double wz, double wy) {
    const double len2 = vz * vz + vy * vy;
    const double eps = std::max(nudge_relative * std::sqrt(len2), nudge_absolute) / std::hypot(wz, wy);
    const double nz = vz + eps * wz, ny = vy + eps * wy;
    const double scale = std::sqrt(len2 / std::max(nz * nz + ny * ny, 1e-30));
    vz = nz * scale;
    vy = ny * scale;
}

// Side of node n from the ray's transverse line through (pz, py) along v:
// the sign of v x (n - P); a node exactly on the line turns v toward w.
int node_side_of_ray(const FlowTables& f, int n, double pz, double py, double& vz, double& vy, double wz,
                     double wy) {
    double cr = cross_zy(vz, vy, node_z(f, n) - pz, node_r(f, n) - py);
    if (cr == 0) {
        nudge_direction(vz, vy, wz, wy);
        cr = cross_zy(vz, vy, node_z(f, n) - pz, node_r(f, n) - py);
    }
    return (cr > 0) - (cr < 0);
}

// The side (ea, eb) of cell c as the corner k0 it runs from to k0 + 1 (in
// either direction); 0 when it is no side of c.
int side_start_corner(const FlowTables& f, int c, int ea, int eb) {
    const int ka = local_corner(f, c, ea), kb = local_corner(f, c, eb);
    if (ka && kb && kb == ka % 4 + 1) return ka;
    if (ka && kb && ka == kb % 4 + 1) return kb;
    return 0;
}

// Along the corners nodes[0..count-1], the first pair on opposite sides of
// the ray's line: the edge it crosses. A node on the line is taken to the
// side that makes the edge beyond it the crossed one.
bool first_crossed_edge(const FlowTables& f, const int* nodes, int count, double pz, double py, double& vz,
                        double& vy, int& a, int& b) {
    auto toward_next = [&](int j, double& wz, double& wy) {
        const int n = nodes[j], m = nodes[j + 1 < count ? j + 1 : 0];
        wz = node_z(f, m) - node_z(f, n);
        wy = node_r(f, m) - node_r(f, n);
    };
    double wz, wy;
    toward_next(0, wz, wy);
    int prev = node_side_of_ray(f, nodes[0], pz, py, vz, vy, wz, wy);
    for (int j = 1; j < count; ++j) {
        toward_next(j, wz, wy);
        const int side = node_side_of_ray(f, nodes[j], pz, py, vz, vy, wz, wy);
        if (side != prev) {
            a = nodes[j - 1];
            b = nodes[j];
            return true;
        }
        prev = side;
    }
    return false;
}

// First exit edge of a ray starting on corner k of c: the cell is taken when
// the transverse direction points into its angle there.
bool exit_edge_from_corner(const FlowTables& f, int c, int k, double& vz, double& vy, int& a, int& b) {
    const int n = f.corner(c, k), next = f.corner(c, k % 4 + 1), opp = f.corner(c, (k + 1) % 4 + 1),
              prev = f.corner(c, (k + 2) % 4 + 1);
    const double pz = node_z(f, n), py = node_r(f, n);
    if (!(cross_zy(node_z(f, next) - pz, node_r(f, next) - py, vz, vy) > 0 &&
          cross_zy(vz, vy, node_z(f, prev) - pz, node_r(f, prev) - py) > 0))
        return false;
    const int nodes[3] = {next, opp, prev};
    return first_crossed_edge(f, nodes, 3, pz, py, vz, vy, a, b);
}

// Exit edge of cell c for a ray at (pz, py) that came in through (ea, eb);
// with no such edge of c (a ray starting inside), the crossed edge ahead.
bool walk_exit_edge(const FlowTables& f, int c, int ea, int eb, double pz, double py, double& vz, double& vy,
                    int& a, int& b) {
    const int k0 = side_start_corner(f, c, ea, eb);  // the entry edge
    if (k0 != 0) {
        const int nodes[4] = {f.corner(c, k0 % 4 + 1), f.corner(c, (k0 + 1) % 4 + 1), f.corner(c, (k0 + 2) % 4 + 1),
                              f.corner(c, k0)};
        return first_crossed_edge(f, nodes, 4, pz, py, vz, vy, a, b);
    }
    for (int k = 1; k <= 4; ++k) {
        const int n = f.corner(c, k), m = f.corner(c, k % 4 + 1);
        const double az = node_z(f, n) - pz, ay = node_r(f, n) - py;
        const double ez = node_z(f, m) - node_z(f, n), ey = node_r(f, m) - node_r(f, n);
        const double sa = cross_zy(vz, vy, az, ay), sb = cross_zy(vz, vy, az + ez, ay + ey);
        const double den = cross_zy(vz, vy, ez, ey);
        if ((sa < 0) == (sb < 0) || den == 0) continue;
        if (cross_zy(az, ay, ez, ey) / den > 0) {  // ahead
            a = n;
            b = m;
            return true;
        }
    }
    return false;
}

struct WalkRay {
    Vec3 pos, dir;
    double q;
    int cell;
    int a, b;  // exit edge of the current cell, then the entry edge of the next
    bool at_window, left_flow;
};

// One pass of a walker step along the path direction pd: the crossing with
// the exit edge (clamped onto it) or the right window, then the refraction
// of the ray's direction there.
WalkRay walk_pass(const FlowTables& f, const WalkRay& r, Vec3 pd, double x_right, int pass) {
    WalkRay out = r;
    const double za = node_z(f, r.a), ya = node_r(f, r.a), zb = node_z(f, r.b), yb = node_r(f, r.b);
    const double ez = zb - za, ey = yb - ya;
    const double wz = za - r.pos.z, wy = ya - r.pos.y;
    const double den = cross_zy(pd.z, pd.y, ez, ey);
    double t = den != 0 ? std::max(cross_zy(wz, wy, ez, ey) / den, 0.0) : 1e300;
    const double u = den != 0 ? std::clamp(cross_zy(wz, wy, pd.z, pd.y) / den, 0.0, 1.0) : 0.5;
    const double cz = za + u * ez, cy = ya + u * ey;
    const double xc = r.pos.x + t * pd.x;
    const double da = std::abs(cz - za) + std::abs(cy - ya), db = std::abs(cz - zb) + std::abs(cy - yb);
    const double qc = (f.nm1(r.a) * db + f.nm1(r.b) * da) / (da + db);
    if (!(xc - x_right < walk_window_tol[pass - 1] * (da + db))) {
        const double tr = (x_right - r.pos.x) / pd.x;
        out.pos = {x_right, r.pos.y + pd.y * tr, r.pos.z + pd.z * tr};
        out.q = r.q + (qc - r.q) * std::min(tr / t, 1.0);
        out.at_window = true;
        return out;
    }
    out.pos = {xc, cy, cz};
    out.q = qc;
    // Refraction about the edge's normal where the cell is (nearly) uniform,
    // else about the gradient.
    const Vec3 edge_normal{0, -ez, ey};
    const double gz = f.dnm1_dz(r.cell), gr = f.dnm1_dr(r.cell);
    const double shorter = std::min(std::abs(ez), std::abs(ey));
    const bool uniform = shorter == 0 || std::max(std::abs(gz), std::abs(gr)) <= walk_normal_tol[pass - 1] / shorter;
    Vec3 normal = uniform ? edge_normal : Vec3{0, gr, gz};
    bool floored;
    out.dir = snell_refract(r.dir, normal, r.q, qc, floored);
    if (dot(r.dir, edge_normal) * dot(out.dir, edge_normal) < 0) return out;  // stays in the cell
    const int next = cell_across(f, r.cell, out.a, out.b, cz, cy, out.dir.z, out.dir.y);
    if (next == 0)
        out.left_flow = true;
    else
        out.cell = next;
    return out;
}

// walk_ray_cell: one step; second order repeats it along the mean of the
// incoming and the refracted direction.
WalkRay walk_ray_cell(const FlowTables& f, const WalkRay& r, double x_right, bool second_order) {
    const WalkRay first = walk_pass(f, r, r.dir, x_right, 1);
    if (!second_order || first.at_window) return first;
    return walk_pass(f, r, unit(r.dir + first.dir), x_right, 2);
}

// The start cell and first exit edge of ray i at (pz, py); false: none.
bool walk_start(const FlowTables& f, const CellIndex& ix, int i, int nnode, WalkRay& r) {
    const double pz = r.pos.z, py = r.pos.y;
    if (i <= nnode && node_z(f, i) == pz && node_r(f, i) == py) {
        for (int k = node_first(i); k < node_first(i + 1); ++k) {
            const int c = node_cell(k);
            const int corner = local_corner(f, c, i);
            if (corner == 0)
                optics_stop({free_text("Found a hanging node", i, c, pz, py)});
            if (exit_edge_from_corner(f, c, corner, r.dir.z, r.dir.y, r.a, r.b)) {
                r.cell = c;
                r.q = f.nm1(i);
                return true;
            }
        }
        return false;
    }
    if (f.ncell < 1) return false;
    const int bin = ix.bin(pz, py);
    for (int j = bin_first(bin); j < bin_first(bin + 1); ++j) {
        const int c = bin_cell(j);
        if (!point_on_or_in_quad(f, c, pz, py)) continue;
        if (!walk_exit_edge(f, c, 0, 0, pz, py, r.dir.z, r.dir.y, r.a, r.b)) return false;
        r.cell = c;
        r.q = start_refractivity(f, c, pz, py);
        return true;
    }
    return false;
}

// One ray from its start to the right window (straight on where it finds
// no cell or leaves the grid).
void walk_one_ray(const FlowTables& f, const CellIndex& ix, int i, int nnode, double x_right, bool second_order,
                  WalkRay& r) {
    const bool transverse = r.dir.y != 0 || r.dir.z != 0;
    if (transverse && walk_start(f, ix, i, nnode, r)) {
        const int max_steps = ray_step_limit(f.ncell);
        for (int step = 1; step <= max_steps; ++step) {
            r = walk_ray_cell(f, r, x_right, second_order);
            if (r.at_window || r.left_flow) break;
            // The next cell (or the same, bent back) and its exit edge.
            if (!walk_exit_edge(f, r.cell, r.a, r.b, r.pos.z, r.pos.y, r.dir.z, r.dir.y, r.a, r.b)) break;
        }
    }
    if (r.pos.x < x_right && r.dir.x > 0) {
        const double t = (x_right - r.pos.x) / r.dir.x;
        r.pos = r.pos + t * r.dir;
    }
}

}  // namespace

bool exit_edge_min_cross(const FlowTables& f, int c, int ea, int eb, double pz, double py, double vz, double vy,
                         int& a, int& b) {
    const int k0 = side_start_corner(f, c, ea, eb);  // the entry side
    if (k0 == 0) return false;
    // s(n) = v x (n - P): a side whose ends give s_a s_b <= 0 meets the line.
    auto side = [&](int n) { return cross_zy(vz, vy, node_z(f, n) - pz, node_r(f, n) - py); };
    double smallest = 0;
    bool found = false;
    for (int j = 1; j <= 3; ++j) {
        const int n = f.corner(c, (k0 + j - 1) % 4 + 1), m = f.corner(c, (k0 + j) % 4 + 1);
        const double product = side(n) * side(m);
        if (product <= 0 && (!found || product < smallest)) {
            smallest = product;
            found = true;
            a = n;
            b = m;
        }
    }
    return found;
}

void walk_rays_section(ExchangeArray<int> iopara, const Array2<int, 20, 20>& elem_ipar,
                       const Array2<double, 20, 20>& elem_par, ExchangeArray<double> ray_z,
                       ExchangeArray<double> ray_y, int nrays, const FlowNodeReals& optic_z,
                       const FlowNodeReals& optic_r, int nnode, ExchangeColumns<int> cell_nodes, int ncell,
                       ExchangeArray<int> hang_nodes, int nhang, const FlowNodeReals& nm1,
                       const FlowNodeReals& dnm1_dz, const FlowNodeReals& dnm1_dr, RayColumns& dir,
                       RayColumns& ray_pos) {
    const FlowTables f{optic_z, optic_r, cell_nodes, ncell, hang_nodes, nhang, nm1, dnm1_dz, dnm1_dr};
    // 1., 2.
    const Windows w = section_windows(elem_ipar, elem_par);
    optics_log("Warning: iaxis below not corrected yet.");
    if (run.iaxis != 0) optics_stop({"Axisymmetric case not completed..RW!"});
    const bool second_order = iopara.nth(6) == 1;
    const CellIndex ix = build_cell_index(f);
    list_node_cells(f, nnode);

    // 3. Every ray but those of the hanging nodes.
    auto on_hanging_node = [&](int i) {
        return i <= nhang && i <= nnode && node_z(f, i) == ray_z.nth(i) && node_r(f, i) == ray_y.nth(i);
    };
    for (int i = 1; i <= nrays; ++i) {
        if (on_hanging_node(i)) continue;
        WalkRay r{{w.x_left, ray_y.nth(i), ray_z.nth(i)}, ray_vector(dir, i), 0, 0, 0, 0, false, false};
        walk_one_ray(f, ix, i, nnode, w.x_right, second_order, r);
        set_ray_vector(ray_pos, i, r.pos);
        set_ray_vector(dir, i, r.dir);
    }
    // 4. Hanging nodes: the mean of their parents' rays.
    for (int i = 1; i <= std::min(nhang, nrays); ++i) {
        if (!on_hanging_node(i)) continue;
        const int p1 = f.parent(i, 1), p2 = f.parent(i, 2);
        for (int k = 1; k <= 3; ++k) ray_pos(i, k) = (ray_pos(p1, k) + ray_pos(p2, k)) / 2;
        set_ray_vector(dir, i, unit(ray_vector(dir, p1) + ray_vector(dir, p2)));
    }
    // 5.
    for (int i = 1; i <= nrays; ++i) {
        ray_z.nth(i) = ray_pos(i, 3);
        ray_y.nth(i) = ray_pos(i, 2);
    }
}

void trace_test_section_walk(Logical& first_picture, Vec3 source, int& nvalues, ExchangeArray<double> /*ropara*/,
                             ExchangeArray<int> iopara, const ElementReals& elem_par,
                             const ElementCodes& elem_ipar, int& nelem, const FlowGrid& flow,
                             const LightDomain& light, const RayGrid& rays, const PictureArgs& pic) {
    nelem = 5;
    lay_ray_grid(light, rays);
    get_rays_at_left_window(elem_par, elem_ipar, source, section_element, rays, walk_dir);
    quad_triangle_areas(rays.ray_z, rays.ray_y, rays.nrays, rays.ray_cells, rays.ncells, area_ref);
    const int place = iopara.nth(1);
    int& slot4 = iopara.nth(4);
    if (place == 1 || place == 101) {
        optics_log("--show left window");
        map_picture_grey(slot4, first_picture, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
        return;
    }
    if (place < 101)
        walk_rays_section(iopara, elem_ipar, elem_par, rays.ray_z, rays.ray_y, rays.nrays, optic_z, optic_r,
                          flow.nnode, flow.cell_nodes, flow.ncell, flow.hang_nodes, flow.nhang, nm1, dnm1_dz,
                          dnm1_dr, walk_dir, ray_pos);
    else
        section_transport(elem_par, elem_ipar, section_element, rays, walk_dir, ray_pos);
    if (place == 2 || place == 102) {
        optics_log("--show right window");
        map_picture_grey(slot4, first_picture, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
        return;
    }
    rays_to_film(elem_par, elem_ipar, rays, walk_dir, ray_pos);
    if (iopara.nth(5) == 0) {
        optics_log("--grayscale picture..");
        map_picture_grey(slot4, first_picture, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
    } else {
        optics_log("--show color picture..");
        map_picture_colour(slot4, first_picture, nvalues, colour_weight, rays, area_ref, pic, maxpix);
    }
}

}  // namespace qelta
