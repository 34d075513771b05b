// Picture mapping: each ray-grid cell is two triangles of light; a triangle
// lights the picture nodes it covers with the ratio of its area at the left
// window to its area at the picture plane times the cell's weight, so that
// converging rays brighten the picture and diverging rays darken it.
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/log.h"
#include "optics/optics.h"

namespace qelta {

namespace {

constexpr double window_margin = 0.0137;  // picture window beyond the ray ends, each side
constexpr int world_pixels = 512;         // pixels across the world window's z extent
// A window is never narrower than this share of its coordinates' size (and
// never than this length), so that it keeps at least one finite pixel.
constexpr double least_window = 1e-9;
// Largest picture intervals along one side before the size limit applies.
constexpr double most_intervals = 1e9;

RayAreas deformed_area;  // triangle areas at the picture plane

struct Extent {
    double zmin, zmax, ymin, ymax;
};

// Smallest and largest ray ends; rays with no finite end are left out.
Extent ray_end_extent(const RayGrid& rays) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    Extent e{inf, -inf, inf, -inf};
    for (int i = 1; i <= rays.nrays; ++i) {
        const double z = rays.ray_z.nth(i);
        const double y = rays.ray_y.nth(i);
        if (!std::isfinite(z) || !std::isfinite(y)) continue;
        e.zmin = std::min(e.zmin, z);
        e.zmax = std::max(e.zmax, z);
        e.ymin = std::min(e.ymin, y);
        e.ymax = std::max(e.ymax, y);
    }
    if (e.zmin > e.zmax) e = {0, 0, 0, 0};
    return e;
}

// Widens [lo, hi] about its centre to the least window size.
void keep_open(double& lo, double& hi) {
    const double least = least_window * std::max({1.0, std::abs(lo), std::abs(hi)});
    if (std::abs(hi - lo) >= least) return;
    const double centre = 0.5 * (lo + hi);
    lo = centre - 0.5 * least;
    hi = centre + 0.5 * least;
}

// INT(extent / pixel) + 1, finite and at least 1 whatever the pixel size.
int intervals(double extent, double pixel) {
    double n = std::abs(extent) / pixel;
    if (!(n >= 0 && n < most_intervals)) n = most_intervals;  // a zero, negative or NaN pixel size too
    return static_cast<int>(n) + 1;
}

// The picture's window, size and spacings, fixed by the first point source:
// the ray-end extent widened by 1.37 % on each side, and within the limit of
// picture nodes (both sides scaled by the same factor).
void fix_picture(const Extent& e, const PictureArgs& pic, int limit, int& nvalues, bool log) {
    const double wz = window_margin * (e.zmax - e.zmin);
    const double wy = window_margin * (e.ymax - e.ymin);
    pic.pxmin = e.zmin - wz;
    pic.pxmax = e.zmax + wz;
    pic.pymin = e.ymin - wy;
    pic.pymax = e.ymax + wy;
    keep_open(pic.pxmin, pic.pxmax);
    keep_open(pic.pymin, pic.pymax);
    // A world window without width gives no pixel size: the picture window's
    // own does instead.
    double pixel = pic.pixel_size;
    if (!(pixel > 0) || !std::isfinite(pixel))
        pixel = std::max(std::abs(pic.pxmax - pic.pxmin), std::abs(pic.pymax - pic.pymin)) / world_pixels;
    pic.npx = intervals(pic.pxmax - pic.pxmin, pixel);
    pic.npy = intervals(pic.pymax - pic.pymin, pixel);
    if (log) {
        optics_log("pxmin,pxmax", pic.pxmin, pic.pxmax);
        optics_log("pymin,pymax", pic.pymin, pic.pymax);
    }
    const double nodes = (pic.npx + 1.0) * (pic.npy + 1.0);
    if (nodes <= limit) {
        nvalues = (pic.npx + 1) * (pic.npy + 1);
    } else {
        const double s = std::sqrt(limit / nodes);
        const int a = std::clamp(static_cast<int>((pic.npx + 1) * s), 2, limit / 2);
        const int b = std::clamp(static_cast<int>((pic.npy + 1) * s), 2, limit / a);
        pic.npx = a - 1;
        pic.npy = b - 1;
        nvalues = a * b;
    }
    picture_frame.dx = (pic.pxmax - pic.pxmin) / pic.npx;
    picture_frame.dy = (pic.pymax - pic.pymin) / pic.npy;
}

struct Triangle {
    double z[3], y[3];
};

// The picture's node range [lo, hi] (1-based) that a bounding interval
// covers: from max(INT((a - origin) / h), 1) to min(INT((b - origin) / h) + 1, n).
void node_range(double a, double b, double origin, double h, int n, int& lo, int& hi) {
    const double first = std::clamp((a - origin) / h, -1.0, n + 1.0);
    const double last = std::clamp((b - origin) / h, -1.0, n + 1.0);
    lo = std::max(static_cast<int>(first), 1);
    hi = std::min(static_cast<int>(last) + 1, n);
}

// Calls add(k) for every picture node k that lies within the triangle's
// angles at V1 and at V2: inside the triangle, on its edges, and on the line
// through V1 and V2 beyond them.
template <class Add>
void raster_triangle(const Triangle& t, const PictureArgs& pic, Add add) {
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(t.z[k]) || !std::isfinite(t.y[k])) return;
    const double zl = std::min({t.z[0], t.z[1], t.z[2]});
    const double zh = std::max({t.z[0], t.z[1], t.z[2]});
    const double yl = std::min({t.y[0], t.y[1], t.y[2]});
    const double yh = std::max({t.y[0], t.y[1], t.y[2]});
    const double dx = picture_frame.dx;
    const double dy = picture_frame.dy;
    const int nz = pic.npx + 1;
    const int ny = pic.npy + 1;
    int i0, i1, j0, j1;
    node_range(zl, zh, pic.pxmin, dx, nz, i0, i1);
    node_range(yl, yh, pic.pymin, dy, ny, j0, j1);
    const double e13z = t.z[2] - t.z[0], e13y = t.y[2] - t.y[0];
    const double e12z = t.z[1] - t.z[0], e12y = t.y[1] - t.y[0];
    const double e23z = t.z[2] - t.z[1], e23y = t.y[2] - t.y[1];
    const double e21z = -e12z, e21y = -e12y;
    for (int j = j0; j <= j1; ++j) {
        const double py = pic.pymin + (j - 1) * dy;
        for (int i = i0; i <= i1; ++i) {
            const double pz = pic.pxmin + (i - 1) * dx;
            const double w1z = pz - t.z[0], w1y = py - t.y[0];
            const double w2z = pz - t.z[1], w2y = py - t.y[1];
            if (cross_zy(e13z, e13y, w1z, w1y) * cross_zy(e12z, e12y, w1z, w1y) <= 0 &&
                cross_zy(e23z, e23y, w2z, w2y) * cross_zy(e21z, e21y, w2z, w2y) <= 0)
                add(i + (j - 1) * nz);
        }
    }
}

Triangle cell_triangle(const RayGrid& rays, int c, int a, int b, int d) {
    const int ra = rays.ray_cells[a - 1].nth(c);
    const int rb = rays.ray_cells[b - 1].nth(c);
    const int rd = rays.ray_cells[d - 1].nth(c);
    return {{rays.ray_z.nth(ra), rays.ray_z.nth(rb), rays.ray_z.nth(rd)},
            {rays.ray_y.nth(ra), rays.ray_y.nth(rb), rays.ray_y.nth(rd)}};
}

// The corners of the cell's triangle k: rays (1, 2, 3) or (1, 3, 4).
Triangle cell_triangle(const RayGrid& rays, int c, int k) {
    return k == 1 ? cell_triangle(rays, c, 1, 2, 3) : cell_triangle(rays, c, 1, 3, 4);
}

}  // namespace

// Triangle areas: ((x2 - x1)(y3 - y1) - (y2 - y1)(x3 - x1)) / 2, positive
// counterclockwise.
void quad_triangle_areas(ExchangeArray<double> x, ExchangeArray<double> y, int /*npoints*/,
                         ExchangeColumns<int> cells, int ncells, RayAreas& result) {
    for (int c = 1; c <= ncells; ++c) {
        const int n1 = cells[0].nth(c), n2 = cells[1].nth(c), n3 = cells[2].nth(c), n4 = cells[3].nth(c);
        const double x1 = x.nth(n1), y1 = y.nth(n1);
        const double x2 = x.nth(n2), y2 = y.nth(n2);
        const double x3 = x.nth(n3), y3 = y.nth(n3);
        const double x4 = x.nth(n4), y4 = y.nth(n4);
        result(c, 1) = ((x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1)) / 2;
        result(c, 2) = ((x3 - x1) * (y4 - y1) - (y3 - y1) * (x4 - x1)) / 2;
    }
}

void map_picture_grey(int& slot4, Logical& first_picture, int& nvalues, ExchangeArray<double> cell_weight,
                      const RayGrid& rays, const RayAreas& area, const PictureArgs& pic, int limit) {
    // 1. World window.
    const Extent e = ray_end_extent(rays);
    PictureFrame& w = picture_frame;
    if (slot4 == 0) {
        optics_log("iopara4.eq.0");
        w.wxmin = e.zmin;
        w.wxmax = e.zmax;
        w.wymin = e.ymin;
        w.wymax = e.ymax;
        slot4 = 1;
    }
    // 2. Ray-end extent and the pixel size of the world window.
    pic.zmin = e.zmin;
    pic.ymin = e.ymin;
    pic.zmax = e.zmax;
    pic.ymax = e.ymax;
    pic.pixel_size = (w.wxmax - w.wxmin) / world_pixels;
    optics_log("wxmin,wxmax", e.zmin, e.zmax);
    optics_log("wymin,wymax", e.ymin, e.ymax);
    // 3. The first point source fixes the picture and clears it.
    if (first_picture) {
        fix_picture(e, pic, limit, nvalues, true);
        for (int k = 1; k <= nvalues; ++k) pic.picture.nth(k) = 0;
        first_picture = false;
    }
    // 4., 5. Deformed areas.
    quad_triangle_areas(rays.ray_z, rays.ray_y, rays.nrays, rays.ray_cells, rays.ncells, deformed_area);
    optics_log("start2-mapping");
    // 6. Two triangles per cell.
    for (int c = 1; c <= rays.ncells; ++c) {
        for (int k = 1; k <= 2; ++k) {
            const double a = deformed_area(c, k);
            if (a == 0) continue;
            const double v = std::abs(area(c, k) / a * cell_weight.nth(c));
            if (v == 0) continue;  // a dark cell adds nothing
            raster_triangle(cell_triangle(rays, c, k), pic, [&](int n) { pic.picture.nth(n) += v; });
        }
    }
}

void map_picture_colour(int& slot4, Logical& first_picture, int& nvalues, const RayColours& weights,
                        const RayGrid& rays, const RayAreas& area, const PictureArgs& pic, int limit) {
    const Extent e = ray_end_extent(rays);
    if (slot4 == 0) {
        pic.zmin = e.zmin;
        pic.ymin = e.ymin;
        pic.zmax = e.zmax;
        pic.ymax = e.ymax;
        pic.pixel_size = (e.zmax - e.zmin) / world_pixels;
        slot4 = 1;
    }
    if (first_picture) {
        fix_picture({pic.zmin, pic.zmax, pic.ymin, pic.ymax}, pic, limit, nvalues, false);
        for (int k = 1; k <= 3 * nvalues; ++k) pic.picture.nth(k) = 0;
        first_picture = false;
    }
    quad_triangle_areas(rays.ray_z, rays.ray_y, rays.nrays, rays.ray_cells, rays.ncells, deformed_area);
    for (int c = 1; c <= rays.ncells; ++c) {
        for (int k = 1; k <= 2; ++k) {
            const double a = deformed_area(c, k);
            if (a == 0) continue;
            const double ratio = area(c, k) / a;
            const double v1 = std::abs(weights(c, 1) * ratio);
            const double v2 = std::abs(weights(c, 2) * ratio);
            const double v3 = std::abs(weights(c, 3) * ratio);
            raster_triangle(cell_triangle(rays, c, k), pic, [&](int n) {
                pic.picture.nth(3 * n - 2) += v1;
                pic.picture.nth(3 * n - 1) += v2;
                pic.picture.nth(3 * n) += v3;
            });
        }
    }
}

}  // namespace qelta
