// One point source through the test section: the ray grid over the light
// domain, the directions after the first lens at the left window and the
// illumination of each ray-grid cell, then the flow (or a straight
// crossing), the recording optics and the picture.
#include <cmath>
#include <string_view>

#include "common/format.h"
#include "common/log.h"
#include "optics/flow_trace.h"
#include "optics/optics.h"

namespace qelta {

namespace {

constexpr int rays_across = ray_intervals + 1;  // 257

// Ray (i, j) and ray-grid cell (i, j).
int ray_number(int i, int j) { return i + rays_across * (j - 1); }
int cell_number(int i, int j) { return i + ray_intervals * (j - 1); }

// The first lens as the left window sees it: C, f and aperture D; the
// source S; s = Cx - Sx, d = x_L - Cx and E = f d + (f - d) s.
struct FirstLens {
    Vec3 centre;
    double f, diameter;
    Vec3 source;
    double s, d, e;
};

// The messages of the two element checks; each copy of the left-window
// stage owns its texts.
struct LeftWindowMessages {
    std::string_view not_section;  // element k is no test section
    std::string_view not_lens;     // element k - 1 is no lens
};

constexpr LeftWindowMessages left_window_messages{"Found a unknown optical element LWB!",
                                                  "Found a unknown optical element LWA!"};
constexpr LeftWindowMessages left_window_messages_b{"Found a unknown optical element LWB!",
                                                    "Found a unknown optical element LWA!"};

FirstLens first_lens_at_window(const ElementReals& par, const ElementCodes& ipar, Vec3 source, int section,
                               const LeftWindowMessages& msg) {
    // The lens is the column before the section: both must be columns of the tables.
    if (section < 2 || section > max_elements)
        optics_stop({free_text("Stop: test-section element outside 2 ..", max_elements, ":", section)});
    if (ipar(1, section) != section_type) optics_stop({msg.not_section});
    const int lens = section - 1;
    if (ipar(1, lens) != thin_lens_type && ipar(1, lens) != second_lens_type) optics_stop({msg.not_lens});
    FirstLens l;
    l.centre = element_point(par, lens);
    l.f = par(4, lens);
    l.diameter = par(5, lens);
    l.source = source;
    const double x_left = par(1, section) - par(4, section) / 2;
    l.s = l.centre.x - source.x;
    l.d = x_left - l.centre.x;
    l.e = l.f * l.d + (l.f - l.d) * l.s;
    // A window at the source's image (E = 0): every ray meets one point.
    if (l.e == 0) l.e = l.f * l.d * 1e-40;
    return l;
}

// v = (d, a_y d / E, a_z d / E), a_y = (y - Sy) f + (Cy - y) s, a_z likewise:
// the ray that reaches the window point (y, z) runs from its lens point
// toward (or away from) the lens image of S. Not normalised.
Vec3 window_direction(const FirstLens& l, double y, double z) {
    const double ay = (y - l.source.y) * l.f + (l.centre.y - y) * l.s;
    const double az = (z - l.source.z) * l.f + (l.centre.z - z) * l.s;
    Vec3 v{l.d, ay * l.d / l.e, az * l.d / l.e};
    if (v.x == 0) v.x = 1e-15;
    return v;
}

}  // namespace

void lay_ray_grid(const LightDomain& light, const RayGrid& rays) {
    for (int j = 1; j <= rays_across; ++j) {
        for (int i = 1; i <= rays_across; ++i) {
            rays.ray_z.nth(ray_number(i, j)) = light.zfrom + (i - 1) * light.sdz;
            rays.ray_y.nth(ray_number(i, j)) = light.yfrom + (j - 1) * light.sdy;
        }
    }
    rays.ncells = ray_intervals * ray_intervals;
    for (int j = 1; j <= ray_intervals; ++j) {
        for (int i = 1; i <= ray_intervals; ++i) {
            const int c = cell_number(i, j);
            const int p = ray_number(i, j);
            rays.ray_cells[0].nth(c) = p;
            rays.ray_cells[1].nth(c) = p + 1;
            rays.ray_cells[2].nth(c) = p + rays_across + 1;
            rays.ray_cells[3].nth(c) = p + rays_across;
        }
    }
}

namespace {

// Ray directions after the first lens at the left window, and the weight of
// every ray-grid cell.
void rays_at_left_window(const ElementReals& elem_par, const ElementCodes& elem_ipar, Vec3 source, int section,
                         const RayGrid& rays, RayVectors& dir, const LeftWindowMessages& msg) {
    const FirstLens l = first_lens_at_window(elem_par, elem_ipar, source, section, msg);
    for (int i = 1; i <= rays.nrays; ++i) {
        set_ray_vector(dir, i, unit(window_direction(l, rays.ray_y.nth(i), rays.ray_z.nth(i))));
    }
    // Weight: the diagonal's midpoint P goes back along its ray to the lens
    // plane, Q = P - u d / |u_x|; inside the aperture the cell carries
    // 0.5 f^2 |s f / E| / |Q - S|^2, outside nothing.
    const double x_left = l.centre.x + l.d;
    const double r2 = l.diameter * l.diameter / 4;
    const double gain = 0.5 * l.f * l.f * std::abs(l.s * l.f / l.e);
    for (int c = 1; c <= rays.ncells; ++c) {
        const int r1 = rays.ray_cells[0].nth(c);
        const int r3 = rays.ray_cells[2].nth(c);
        const Vec3 p{x_left, 0.5 * (rays.ray_y.nth(r1) + rays.ray_y.nth(r3)),
                     0.5 * (rays.ray_z.nth(r1) + rays.ray_z.nth(r3))};
        const Vec3 u = window_direction(l, p.y, p.z);
        const Vec3 q = p - (l.d / std::abs(u.x)) * u;
        const Vec3 from_centre = q - l.centre;
        const Vec3 from_source = q - l.source;
        rays.cell_weight.nth(c) = dot(from_centre, from_centre) <= r2 ? gain / dot(from_source, from_source) : 0.0;
    }
}

}  // namespace

void get_rays_at_left_window(const ElementReals& elem_par, const ElementCodes& elem_ipar, Vec3 source,
                             int section, const RayGrid& rays, RayVectors& dir) {
    rays_at_left_window(elem_par, elem_ipar, source, section, rays, dir, left_window_messages);
}

void get_rays_at_left_window_b(const ElementCodes& elem_ipar, const ElementReals& elem_par, int section,
                               Vec3 source, const RayGrid& rays, RayVectors& dir) {
    rays_at_left_window(elem_par, elem_ipar, source, section, rays, dir, left_window_messages_b);
}

// Straight from x_L to x_R: t = Depth / dx, (x_R, y + dy t, z + dz t).
void section_transport(const ElementReals& elem_par, const ElementCodes& elem_ipar, int section,
                       const RayGrid& rays, const RayVectors& dir, RayVectors& pos) {
    if (elem_ipar(1, section) != section_type) optics_stop({});
    const double depth = elem_par(4, section);
    const double x_right = elem_par(1, section) + depth / 2;
    for (int i = 1; i <= rays.nrays; ++i) {
        const double t = depth / dir(i, 1);
        pos(i, 1) = x_right;
        pos(i, 2) = rays.ray_y.nth(i) + dir(i, 2) * t;
        pos(i, 3) = rays.ray_z.nth(i) + dir(i, 3) * t;
        rays.ray_z.nth(i) = pos(i, 3);
        rays.ray_y.nth(i) = pos(i, 2);
    }
}

void trace_test_section(Logical& first_picture, Vec3 source, int& nvalues, ExchangeArray<double> ropara,
                        ExchangeArray<int> iopara, const ElementReals& elem_par, const ElementCodes& elem_ipar,
                        int& nelem, const FlowGrid& flow, const FlowExtent& extent, const LightDomain& light,
                        const RayGrid& rays, const PictureArgs& pic) {
    // 1., 2.
    nelem = 5;
    const int maxrays = rays_across * rays_across;
    if (maxrays > max_rays) {
        optics_log("maxrays .gt. ncell$");
        optics_log("ncell$ ", max_rays);
        optics_log("maxrays", rays.nrays);
        optics_stop({});
    }
    // 3. - 7.
    lay_ray_grid(light, rays);
    optics_log("=====end   > coordinates");
    get_rays_at_left_window(elem_par, elem_ipar, source, section_element, rays, ray_dir);
    quad_triangle_areas(rays.ray_z, rays.ray_y, rays.nrays, rays.ray_cells, rays.ncells, area_ref);
    // 8., 9.
    const int place = iopara.nth(1);
    optics_log("iopara(1)....b", place);
    int& slot4 = iopara.nth(4);
    if (place == 1 || place == 101) {
        optics_log("--show left window");
        map_picture_grey(slot4, first_picture, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
        optics_log("Tracing test section: END");
        return;
    }
    if (place <= 100) {
        int section = section_element;
        symmetry_ray_tracing(iopara, ropara, elem_ipar, elem_par, 0, section, rays.ray_z, rays.ray_y, rays.nrays,
                             rays.ray_cells, rays.ncells, 0, 0, extent.zmin, extent.zmax, extent.rmin,
                             extent.rmax, 0.0, 0.0, optic_z, optic_r, flow.nnode, flow.cell_nodes, flow.ncell,
                             flow.hang_nodes, flow.nhang, nm1, dnm1_dz, dnm1_dr, ray_dir, ray_pos,
                             rays.cell_weight);
    } else {
        section_transport(elem_par, elem_ipar, section_element, rays, ray_dir, ray_pos);
    }
    if (place == 2 || place == 102) {
        optics_log("--show right window");
        map_picture_grey(slot4, first_picture, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
        optics_log("end mapping---right window picture");
        return;
    }
    s_get_rays_at_film_a(iopara, elem_par, elem_ipar, rays, ray_dir, ray_pos);
    for (int i = 1; i <= rays.nrays; ++i) {
        rays.ray_z.nth(i) = ray_pos(i, 3);
        rays.ray_y.nth(i) = ray_pos(i, 2);
    }
    if (iopara.nth(5) != 0) {
        optics_log("--show color picture..");
        // No stage gives the colour weights a meaning: they stay zero.
        for (int k = 1; k <= 3; ++k)
            for (int c = 1; c <= rays.ncells; ++c) colour_weight(c, k) = 0;
        map_picture_colour(slot4, first_picture, nvalues, colour_weight, rays, area_ref, pic, maxpix);
    } else {
        optics_log("--grayscale picture..");
        map_picture_grey(slot4, first_picture, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
        optics_log("end mapping--grayscale picture");
    }
}

}  // namespace qelta
