// The photograph: the refractive field of the flow (Gladstone-Dale), the
// light source as a set of point sources, each traced through the bench and
// mapped into the picture, and the sum normalised to grey levels or colours.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <string_view>

#include "common/checks.h"
#include "common/exchange.h"
#include "common/format.h"
#include "common/list_read.h"
#include "common/log.h"
#include "common/run.h"
#include "optics/flow_trace.h"
#include "optics/optics.h"
#include "qelta.h"

namespace qelta {

namespace {

// Gladstone-Dale constant of the photograph, n - 1 = K rho, in single
// precision.
constexpr double refractivity_per_density = static_cast<double>(2.838e-4f);
constexpr int block = optics_block;

// ---- Caches of the previous call and the photograph's working copy ----
Array1<double, block> ropara_cache;
Array1<int, block> iopara_cache;
ElementReals elem_par_cache;
ElementCodes elem_ipar_cache;
ElementReals photo_par;
ElementCodes photo_ipar;

// Exact comparison of the four tables with the caches.
bool tables_unchanged(ExchangeArray<double> ropara, ExchangeArray<int> iopara, ExchangeColumns<double> par,
                      ExchangeColumns<int> ipar) {
    for (int k = 1; k <= max_elements; ++k)
        for (int s = 1; s <= element_slots; ++s)
            if (par[k - 1].nth(s) != elem_par_cache(s, k)) return false;
    for (int k = 1; k <= max_elements; ++k)
        for (int s = 1; s <= element_slots; ++s)
            if (ipar[k - 1].nth(s) != elem_ipar_cache(s, k)) return false;
    for (int k = 1; k <= block; ++k)
        if (ropara.nth(k) != ropara_cache(k)) return false;
    for (int k = 1; k <= block; ++k)
        if (iopara.nth(k) != iopara_cache(k)) return false;
    return true;
}

void cache_tables(ExchangeArray<double> ropara, ExchangeArray<int> iopara, ExchangeColumns<double> par,
                  ExchangeColumns<int> ipar) {
    for (int k = 1; k <= max_elements; ++k) {
        for (int s = 1; s <= element_slots; ++s) {
            elem_par_cache(s, k) = par[k - 1].nth(s);
            elem_ipar_cache(s, k) = ipar[k - 1].nth(s);
        }
    }
    for (int k = 1; k <= block; ++k) {
        ropara_cache(k) = ropara.nth(k);
        iopara_cache(k) = iopara.nth(k);
    }
}

void log_picture_place(int place) {
    switch (place) {
    case 1:
    case 101: optics_log("Getting image at left window"); break;
    case 2: optics_log("Getting image at right window, with flow"); break;
    case 102: optics_log("Getting image at right window, no flow"); break;
    case 3: optics_log("Getting image at recording plane, with flow"); break;
    case 103: optics_log("Getting image at recording plane, no flow"); break;
    default: break;
    }
}

// The flow grid's counts must fit the optics' node and cell arrays, and the
// parents of the hanging nodes must be nodes of the grid.
void check_flow_counts(int nnode, int ncell, int nhang, ExchangeArray<int> hang_nodes) {
    if (nnode < 1 || nnode > max_flow)
        optics_stop({free_text("Stop: flow-grid node count outside 1 ..", max_flow, "for the photograph:", nnode)});
    if (ncell < 0 || ncell > max_flow)
        optics_stop({free_text("Stop: flow-grid cell count outside 0 ..", max_flow, "for the photograph:", ncell)});
    if (nhang < 0 || nhang > nnode || 2L * nhang > max_flow)
        optics_stop({free_text("Stop: hanging-node count outside 0 ..", std::min(nnode, max_flow / 2),
                               "for the photograph:", nhang)});
    for (int k = 1; k <= 2 * nhang; ++k) {
        const int n = hang_nodes.nth(k);
        if (n < 1 || n > nnode)
            optics_stop({free_text("Stop: hanging node", (k + 1) / 2, "has a parent node outside 1 ..", nnode, ":",
                                   n)});
    }
}

// n - 1 per node, and the node's place in the bench frame: z = 50 x
// (50 (x - 0.5) for the explosion box), r = 50 y.
void refractive_field(ExchangeArray<double> node_x, ExchangeArray<double> node_y, ExchangeArray<double> density,
                      int nnode) {
    const double shift = case_id() == 5 ? 0.5 : 0.0;
    for (int n = 1; n <= nnode; ++n) {
        nm1(n) = refractivity_per_density * density.nth(n);
        optic_z(n) = flow_scale * (node_x.nth(n) - shift);
        optic_r(n) = flow_scale * node_y.nth(n);
    }
}

// Green-Gauss gradient of f = n - 1 over the cell's edges (i, j):
// df/dz = sum (yj - yi)(fi + fj)/2 / A, df/dr = -sum (xj - xi)(fi + fj)/2 / A,
// in grid units, divided by 50 for bench units. A cell of zero area gets 0.
void refractivity_gradients(ExchangeArray<double> node_x, ExchangeArray<double> node_y,
                            ExchangeColumns<int> cell_nodes, int ncell, int nnode) {
    for (int c = 1; c <= ncell; ++c) {
        int nd[4];
        for (int k = 0; k < 4; ++k) {
            nd[k] = cell_nodes[k].nth(c);
            if (nd[k] < 1 || nd[k] > nnode)
                optics_stop({free_text("Stop: flow cell", c, "has a corner node outside 1 ..", nnode, ":", nd[k])});
        }
        double x[4], y[4], f[4];
        for (int k = 0; k < 4; ++k) {
            x[k] = node_x.nth(nd[k]);
            y[k] = node_y.nth(nd[k]);
            f[k] = nm1(nd[k]);
        }
        const double a = ((x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]) +
                          (x[2] - x[0]) * (y[3] - y[0]) - (y[2] - y[0]) * (x[3] - x[0])) /
                         2;
        double sz = 0, sr = 0;
        for (int k = 0; k < 4; ++k) {
            const int m = (k + 1) % 4;
            const double fm = (f[k] + f[m]) / 2;
            sz += (y[m] - y[k]) * fm;
            sr -= (x[m] - x[k]) * fm;
        }
        dnm1_dz(c) = a == 0 ? 0.0 : sz / a / flow_scale;
        dnm1_dr(c) = a == 0 ? 0.0 : sr / a / flow_scale;
    }
}

void add_source(double x, double y, double z) {
    if (nsource >= max_sources)
        optics_stop({free_text("Stop: the light source needs more point sources than the table holds (",
                               max_sources, ")")});
    ++nsource;
    source_pts(1, nsource) = x;
    source_pts(2, nsource) = y;
    source_pts(3, nsource) = z;
}

// Points of an N x N grid whose centres lie strictly inside the circle it
// spans: (2j - 1 - N)^2 + (2i - 1 - N)^2 < N^2 in whole numbers.
constexpr long circle_points(long n) {
    long count = 0;
    for (long i = 1; i <= n; ++i)
        for (long j = 1; j <= n; ++j)
            if ((2 * j - 1 - n) * (2 * j - 1 - n) + (2 * i - 1 - n) * (2 * i - 1 - n) < n * n) ++count;
    return count;
}

// The largest N of a circular light whose points one photograph traces.
constexpr int max_circle_count = [] {
    int n = 1;
    while (circle_points(n + 1) <= max_traced_sources) ++n;
    return n;
}();

// Record 1 of "controlopt.dat": the point count N, within what one
// photograph traces for the light (N at or below 0 gives no points, or the
// corners alone), and the intensity factor w. Every picture value is a sum
// of ray weights times w / N, and the factor only brightens or dims the
// picture: above a million it is white wherever light falls.
int read_point_count(std::string_view light, int most) {
    int n = 0;
    ListReader in("controlopt.dat");
    in.read(1, {item(n, "the point count N"), item(intensity_factor, "the intensity factor w")});
    if (n > most)
        in.fail(1, "the point count N of the " + std::string(light) + " light is " + std::to_string(n) +
                       ": it gives more point sources than one photograph traces (" +
                       std::to_string(max_traced_sources) + ", each through the whole ray grid); N may be at most " +
                       std::to_string(most));
    in.require(1, "the intensity factor w", intensity_factor, Range{0, 1e6, true});
    return n;
}

// Spherical light: the vertices of two opposed regular tetrahedra on the
// sphere of radius R = D / 2.
void spherical_sources(double radius) {
    constexpr double k = 0.9428090415820634;  // 2 sqrt(2) / 3
    const double r = radius;
    const double p[4][3] = {{r, 0, 0},
                            {-r / 3, k * r, 0},
                            {-r / 3, -k * r / 2, std::sqrt(3.0) * k * r / 2},
                            {-r / 3, -k * r / 2, -std::sqrt(3.0) * k * r / 2}};
    for (const auto& v : p) add_source(v[0], v[1], v[2]);
    for (const auto& v : p) add_source(-v[0], -v[1], -v[2]);
}

// Circular light: the centres of an N x N grid of pitch D / N that lie
// strictly inside the circle of radius D / 2.
void circular_sources(double diameter, int n) {
    const double h = diameter / n;
    const double radius = diameter / 2;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            const double y = (j - 0.5) * h - radius;
            const double z = (i - 0.5) * h - radius;
            if (y * y + z * z < radius * radius) add_source(0, y, z);
        }
    }
}

// Rectangular light of height H and width W turned by the angle a: its four
// corners, P1 = rr (sin(a - b), cos(a - b)) and P2 = rr (sin(a + b), cos(a + b))
// in (y, z) with rr the half diagonal and b = atan2(H, W), P3 = -P1,
// P4 = -P2, then N points inside each of the sides P4-P3 and P2-P1.
void rectangular_sources(double height, double width, double angle_deg, int n) {
    const double a = angle_deg / 180 * std::numbers::pi;
    const double rr = std::sqrt(height * height + width * width) / 2;
    const double b = std::atan2(height, width);
    const double p1y = rr * std::sin(a - b), p1z = rr * std::cos(a - b);
    const double p2y = rr * std::sin(a + b), p2z = rr * std::cos(a + b);
    add_source(0, p1y, p1z);
    add_source(0, p2y, p2z);
    add_source(0, -p1y, -p1z);
    add_source(0, -p2y, -p2z);
    // P4 + k (P3 - P4) / (N + 1), and the mirror images.
    const double sy = (-p1y + p2y) / (n + 1), sz = (-p1z + p2z) / (n + 1);
    const int first = nsource;
    for (int k = 1; k <= n; ++k) add_source(0, -p2y + k * sy, -p2z + k * sz);
    for (int k = 1; k <= n; ++k) add_source(0, -source_pts(2, first + k), -source_pts(3, first + k));
}

// The light (element 1) as point sources about its centre.
void point_sources(const ElementReals& par, const ElementCodes& ipar) {
    nsource = 0;
    intensity_factor = 1.0;
    const int e = light_element;
    switch (ipar(1, e)) {
    case point_light: add_source(0, 0, 0); break;
    case spherical_light:
        optics_log("spherical light source");
        spherical_sources(par(4, e) / 2);
        break;
    case circular_light: {
        const int n = read_point_count("circular", max_circle_count);
        circular_sources(par(4, e), n);
        optics_log("Circular light source: ", nsource, " point sources");
        break;
    }
    case rectangular_light: {
        optics_log("Rectangular light source");
        const int n = read_point_count("rectangular", (max_traced_sources - 4) / 2);
        rectangular_sources(par(4, e), par(5, e), par(6, e), n);
        break;
    }
    case ring_light: {
        optics_log("Ring-shaped light source");
        const int n = read_point_count("ring-shaped", max_traced_sources);
        for (int k = 1; k <= n; ++k) add_source(0, 0, 0);
        break;
    }
    default: optics_log("Error: Undefined light source."); break;
    }
    const Vec3 centre = element_point(par, e);
    for (int k = 1; k <= nsource; ++k) {
        source_pts(1, k) += centre.x;
        source_pts(2, k) += centre.y;
        source_pts(3, k) += centre.z;
    }
}

FlowExtent flow_extent(int nnode, bool axisymmetric) {
    FlowExtent e{optic_z(1), optic_z(1), optic_r(1), optic_r(1)};
    for (int n = 2; n <= nnode; ++n) {
        e.zmin = std::min(e.zmin, optic_z(n));
        e.zmax = std::max(e.zmax, optic_z(n));
        e.rmin = std::min(e.rmin, optic_r(n));
        e.rmax = std::max(e.rmax, optic_r(n));
    }
    optics_log("Flow Domain:");
    optics_log("  z  ", e.zmin, e.zmax);
    optics_log("  r  ", e.rmin, e.rmax, case_id());
    if (axisymmetric) e.rmin = -e.rmax;
    return e;
}

// The rectangle in (z, y) that the ray grid covers.
LightDomain light_domain(const FlowExtent& e) {
    LightDomain d{};
    switch (case_id()) {
    case 1: d = {-100, 100, 0, 100, 0, 0}; break;
    case 3: d = {-100, 100, -100, 100, 0, 0}; break;
    default: d = {e.zmin, e.zmax, e.rmin, e.rmax, 0, 0}; break;
    }
    d.sdz = (d.zto - d.zfrom) / ray_intervals;
    d.sdy = (d.yto - d.yfrom) / ray_intervals;
    return d;
}

void log_light_domain(const LightDomain& d) {
    optics_log("");
    optics_log("Light Domain:");
    optics_log("  z  ", d.zfrom, d.zto);
    optics_log("  y  ", d.yfrom, d.yto);
    optics_log(" sdz , sdy :", d.sdz, d.sdy);
}

// Grey contrast: with pa the mean of the positive values, p -> 0.5 p / pa.
void grey_contrast(ExchangeArray<double> picture, int nvalues) {
    long count = 0;
    double sum = 0, pmax = 0, pmin = 1e90;
    for (int k = 1; k <= nvalues; ++k) {
        const double v = picture.nth(k);
        if (!(v > 0)) continue;
        ++count;
        sum += v;
        if (v >= pmax) pmax = v;
        if (v < pmin) pmin = v;
    }
    double pa = 0, gs = 0;
    if (count > 0) {
        pa = sum / count;
        gs = std::min(std::max(pmax - pa, pa - pmin), 0.5);
        for (int k = 1; k <= nvalues; ++k) {
            double& v = picture.nth(k);
            if (v > 0) v = 0.5 + 0.5 * (v - pa) / pa;
        }
    } else {
        pmin = 0;  // a dark picture: nothing to remap
    }
    write_record(run.ioptlog, "pmax,pmin,gs,pa" + fmt_f(pmax, 6, 2) + fmt_f(pmin, 6, 2) + fmt_f(gs, 6, 2) +
                                  fmt_f(pa, 6, 2));
}

}  // namespace

void normalise_picture(ExchangeArray<double> picture, int nvalues, bool colour, bool contrast) {
    const double n_over_w = nsource / intensity_factor;
    const int count = colour ? 3 * nvalues : nvalues;
    for (int k = 1; k <= count; ++k) picture.nth(k) /= n_over_w;
    if (!colour && contrast) grey_contrast(picture, nvalues);
    // A value that is not a finite number would pass the clamp as it is.
    for (int k = 1; k <= count; ++k)
        if (!std::isfinite(picture.nth(k)))
            optics_stop({"Stop: picture value " + std::to_string(k) + " of " + std::to_string(count) + " is " +
                         number_text(picture.nth(k)) + ", not a finite number"});
    for (int k = 1; k <= count; ++k) picture.nth(k) = std::clamp(picture.nth(k), 0.0, 1.0);
}

namespace {

// No point source traced: a dark picture of 2 x 2 nodes over the light
// domain.
void empty_picture(const PictureArgs& pic, const LightDomain& d, bool colour) {
    pic.pxmin = d.zfrom;
    pic.pxmax = d.zto;
    pic.pymin = d.yfrom;
    pic.pymax = d.yto;
    pic.npx = 1;
    pic.npy = 1;
    const int count = colour ? 12 : 4;
    for (int k = 1; k <= count; ++k) pic.picture.nth(k) = 0;
}

}  // namespace

// n = 1 + 0.00022 rho
void gladstone_dale(const double& density, double& n) {
    optics_log("===subroutine gladstone_dale===");
    n = 1 + 0.00022 * density;
}

void forget_photograph_tables() { ropara_cache(1) = std::numeric_limits<double>::quiet_NaN(); }

void take_photograph(double* ropara, int* iopara, double* elem_par, int* elem_ipar, int& nelem, double* node_x,
                     double* node_y, int& nnode, int* cell_nodes, int& ncell, int* hang_nodes, int& nhang,
                     double* node_r, double* ray_z, double* ray_y, int& nrays, int& nray_cells, int* ray_cells,
                     double* cell_weight, double& win_zmin, double& win_ymin, double& win_zmax, double& win_ymax,
                     double& pixel_size, double& pxmin, double& pymin, double& pxmax, double& pymax, int& npx,
                     int& npy, double* picture) {
    const ExchangeArray<double> ro(ropara, block);
    const ExchangeArray<int> io(iopara, block);
    const ExchangeColumns<double> par(elem_par, element_slots, max_elements);
    const ExchangeColumns<int> ipar(elem_ipar, element_slots, max_elements);

    // 1. Early return.
    if (tables_unchanged(ro, io, par, ipar)) return;
    // The bench as the schematic takes it, before the caches take the call,
    // so that a refused bench is refused again when it comes back unchanged.
    copy_element_tables(par, ipar, nelem, photo_par, photo_ipar);
    check_photograph_bench(photo_par, photo_ipar, nelem);
    // 2. The caches.
    cache_tables(ro, io, par, ipar);

    // 3. - 5.
    optics_log("Start ray tracing......", nelem);
    log_picture_place(io.nth(1));
    io.nth(2) = 0;
    io.nth(7) = 1;
    io.nth(8) = 1;
    const int nx = ray_intervals, ny = ray_intervals;
    optics_log(" nx , ny ", nx, ny);

    // 6., 7. Refractive field.
    check_flow_counts(nnode, ncell, nhang, ExchangeArray<int>(hang_nodes, max_flow));
    const ExchangeArray<double> xs(node_x, max_flow), ys(node_y, max_flow);
    const ExchangeColumns<int> cells(cell_nodes, max_flow, 4);
    refractive_field(xs, ys, ExchangeArray<double>(node_r, max_flow), nnode);
    refractivity_gradients(xs, ys, cells, ncell, nnode);

    // 8. Point sources.
    point_sources(photo_par, photo_ipar);

    // 9. Flow and light domain, then every point source.
    const FlowExtent extent = flow_extent(nnode, io.nth(3) == 1);
    const LightDomain light = light_domain(extent);
    nrays = (nx + 1) * (ny + 1);
    log_light_domain(light);

    const RayGrid rays{{ray_z, max_rays}, {ray_y, max_rays}, nrays, nray_cells, {ray_cells, max_rays, 4},
                       {cell_weight, max_rays}};
    const PictureArgs pic{win_zmin, win_ymin, win_zmax, win_ymax, pixel_size, pxmin, pymin,
                          pxmax,    pymax,    npx,      npy,      {picture, 3 * maxpix}};
    const FlowGrid flow{nnode, cells, ncell, {hang_nodes, max_flow}, nhang};
    Logical first_picture = true;
    int nvalues = 0;
    for (int k = 1; k <= nsource; ++k) {
        const Vec3 source{source_pts(1, k), source_pts(2, k), source_pts(3, k)};
        optics_log("Start source:", k, source.x, source.y, source.z);
        // Slot 7 is 1 from step 5: the planar cell walker is kept, not used.
        if (io.nth(7) != 0)
            trace_test_section(first_picture, source, nvalues, ro, io, photo_par, photo_ipar, nelem, flow, extent,
                               light, rays, pic);
        else
            trace_test_section_walk(first_picture, source, nvalues, ro, io, photo_par, photo_ipar, nelem, flow,
                                    light, rays, pic);
    }

    // 10. Normalise.
    const bool colour = io.nth(5) != 0;
    if (nsource == 0 || nvalues == 0) {
        empty_picture(pic, light, colour);
        return;
    }
    normalise_picture(pic.picture, nvalues, colour, io.nth(8) == 1);
}

}  // namespace qelta
