// Recording optics: the recording lens, the cutoff of a schlieren unit and
// the film. The cutoff moves no ray: each ray passes it or not, and a
// ray-grid cell keeps the share of its weight that its corner rays carry
// through.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/list_read.h"
#include "common/log.h"
#include "optics/optics.h"

namespace qelta {

namespace {

struct Plane {
    Vec3 point;
    Vec3 normal;  // unit
};

struct Lens {
    Vec3 centre;
    double f;
};

// The film plane (element 5) and the recording lens (element 4).
Plane film_plane(const ElementReals& par, const ElementCodes& ipar) {
    if (ipar(1, film_element) != film_type) optics_stop({"Found a unknown optical element FILM!"});
    return {element_point(par, film_element), film_normal(par, film_element)};
}

Lens recording_lens(const ElementReals& par, const ElementCodes& ipar) {
    const int type = ipar(1, recording_lens_element);
    if (type != thin_lens_type && type != second_lens_type) optics_stop({"Found a unknown optical element FILM0!"});
    return {element_point(par, recording_lens_element), par(4, recording_lens_element)};
}

// Thin lens without aperture: hit point Q = p + ((Lx - px) / dx) d, and the
// direction d' = unit((L - Q) + (f / dx) d) toward the point where the
// parallel ray through the centre meets the focal plane.
void through_lens(const Lens& lens, Vec3 p, Vec3 d, Vec3& q, Vec3& d_after) {
    q = p + ((lens.centre.x - p.x) / d.x) * d;
    d_after = unit((lens.centre - q) + (lens.f / d.x) * d);
}

// Meets the film plane at Q + t d', t = ((F - Q) . N) / (N . d'). A ray
// parallel to the film gets no finite point, and the mapping leaves it out.
Vec3 onto_film(const Plane& film, Vec3 q, Vec3 d_after) {
    return q + (dot(film.point - q, film.normal) / dot(film.normal, d_after)) * d_after;
}

// ---- Cutoff (element 6) ----

struct Cutoff {
    int type;
    Vec3 centre;
    double radius;  // 801, 802
    // 803: corner p1 in (z, y), the long side's unit direction and the unit
    // direction toward the far side, and the sides' lengths.
    double z1, y1;
    double long_z, long_y, down_z, down_y;
    double length, height;
};

// 803: p1 = (Cz - (L/2) cos a, Cy - (L/2) sin a), p2 = p1 + H (sin a, -cos a),
// p3 = p2 + L (cos a, sin a), p4 = (Cz + (L/2) cos a, Cy + (L/2) sin a).
Cutoff cutoff_element_shape(const ElementReals& par, const ElementCodes& ipar) {
    const int e = cutoff_element;
    Cutoff c{};
    c.type = ipar(1, e);
    c.centre = element_point(par, e);
    optics_log("Cutoff simulation......");
    optics_log("Cutoff type..", c.type);
    optics_log("Cutoff location..", c.centre.x, c.centre.y, c.centre.z);
    optics_log("Cutoff diameter..", par(4, e));
    switch (c.type) {
    case bright_field_cutoff:
    case dark_field_cutoff: c.radius = par(4, e) / 2; break;
    case rectangular_cutoff: {
        const double a = par(6, e) / 45 * (std::numbers::pi / 4);
        c.length = par(4, e);
        c.height = par(5, e);
        c.long_z = std::cos(a);
        c.long_y = std::sin(a);
        c.down_z = std::sin(a);
        c.down_y = -std::cos(a);
        c.z1 = c.centre.z - c.length / 2 * c.long_z;
        c.y1 = c.centre.y - c.length / 2 * c.long_y;
        const double z2 = c.z1 + c.height * c.down_z, y2 = c.y1 + c.height * c.down_y;
        const double z3 = z2 + c.length * c.long_z, y3 = y2 + c.length * c.long_y;
        const double z4 = c.centre.z + c.length / 2 * c.long_z, y4 = c.centre.y + c.length / 2 * c.long_y;
        optics_log("al,ah,cc", par(4, e), par(5, e), par(6, e));
        optics_log("zt1,yt1", c.z1, c.y1);
        optics_log("zt2,yt2", z2, y2);
        optics_log("zt3,yt3", z3, y3);
        optics_log("zt4,yt4", z4, y4);
        break;
    }
    default: optics_stop({"Found a unknown knife edge schlieren_a!"});
    }
    return c;
}

// Whether t lies between 0 and s, the ends included, for s of either sign.
bool within(double t, double s) { return s >= 0 ? (t >= 0 && t <= s) : (t <= 0 && t >= s); }

// Transmission of a ray that crosses the cutoff plane at (z, y): an aperture
// passes its open disc, a stop blocks its closed disc, the rectangle blocks
// itself and its edges.
double transmission(const Cutoff& c, double z, double y) {
    const double dz = z - c.centre.z;
    const double dy = y - c.centre.y;
    const double r2 = dz * dz + dy * dy;
    const double radius2 = c.radius * c.radius;
    switch (c.type) {
    case bright_field_cutoff: return r2 < radius2 ? 1.0 : 0.0;
    case dark_field_cutoff: return r2 > radius2 ? 1.0 : 0.0;
    default: {
        const double wz = z - c.z1, wy = y - c.y1;
        const double along = wz * c.long_z + wy * c.long_y;
        const double across = wz * c.down_z + wy * c.down_y;
        return within(along, c.length) && within(across, c.height) ? 0.0 : 1.0;
    }
    }
}

// Every cell's weight times the mean transmission of its four corner rays.
void apply_cutoff(const Cutoff& c, const Lens& lens, const RayGrid& rays, const RayVectors& dir,
                  const RayVectors& pos) {
    for (int i = 1; i <= rays.nrays; ++i) {
        Vec3 q, d;
        through_lens(lens, ray_vector(pos, i), ray_vector(dir, i), q, d);
        const Vec3 p = q + ((c.centre.x - q.x) / d.x) * d;
        cutoff_trans(i) = transmission(c, p.z, p.y);
    }
    for (int k = 1; k <= rays.ncells; ++k) {
        double sum = 0;
        for (int m = 0; m < 4; ++m) sum += cutoff_trans(rays.ray_cells[m].nth(k));
        rays.cell_weight.nth(k) *= sum / 4;
    }
}

// Every ray through the lens onto the film; ray_dir keeps the direction
// from before the lens.
void lens_to_film(const Plane& film, const Lens& lens, const RayGrid& rays, const RayVectors& dir, RayVectors& pos,
                  bool skip_axial) {
    for (int i = 1; i <= rays.nrays; ++i) {
        const Vec3 d = ray_vector(dir, i);
        if (skip_axial && d.x == 0) continue;
        Vec3 q, d_after;
        through_lens(lens, ray_vector(pos, i), d, q, d_after);
        const Vec3 f = onto_film(film, q, d_after);
        set_ray_vector(pos, i, f);
        rays.ray_z.nth(i) = f.z;
        rays.ray_y.nth(i) = f.y;
    }
}

// The knife edge of the older stage, records 2 to 5 of "controlopt.dat"
// (record 1 belongs to the light source).
struct KnifeEdge {
    int kind;
    Vec3 location;
    double size;
    double spare[2];  // record 5, read and not used
};

constexpr int circular_opening = 1;

KnifeEdge read_knife_edge() {
    KnifeEdge k{};
    ListReader in("controlopt.dat");
    in.skip(1);
    in.read(2, {item(k.kind, "the cutoff type")});
    in.read(3, {item(k.location.x, "the cutoff x"), item(k.location.y, "the cutoff y"),
                item(k.location.z, "the cutoff z")});
    in.read(4, {item(k.size, "the cutoff size")});
    in.read(5, {item(k.spare[0], "the first value of record 5"), item(k.spare[1], "the second value of record 5")});
    return k;
}

}  // namespace

void schlieren_a(const ElementReals& elem_par, const ElementCodes& elem_ipar, const RayGrid& rays,
                 const RayVectors& dir, RayVectors& pos) {
    const Plane film = film_plane(elem_par, elem_ipar);
    const Lens lens = recording_lens(elem_par, elem_ipar);
    const KnifeEdge k = read_knife_edge();
    switch (k.kind) {
    case circular_opening: {
        Cutoff c{};
        c.type = bright_field_cutoff;
        c.centre = k.location;
        c.radius = k.size / 2;
        apply_cutoff(c, lens, rays, dir, pos);
        break;
    }
    case 7:  // kinds whose shapes are no longer kept: every ray passes
    case 8:
    case 11:
    case 12: break;
    default: optics_stop({"Found a unknown knife edge schlieren_a!"});
    }
    lens_to_film(film, lens, rays, dir, pos, false);
}

void s_get_rays_at_film_a(ExchangeArray<int> iopara, const ElementReals& elem_par, const ElementCodes& elem_ipar,
                          const RayGrid& rays, const RayVectors& dir, RayVectors& pos) {
    const Plane film = film_plane(elem_par, elem_ipar);
    const Lens lens = recording_lens(elem_par, elem_ipar);
    if (iopara.nth(10) == 1) {
        const Cutoff c = cutoff_element_shape(elem_par, elem_ipar);
        if (iopara.nth(5) == 0) apply_cutoff(c, lens, rays, dir, pos);
    }
    lens_to_film(film, lens, rays, dir, pos, false);
    optics_log("end > s_get_rays_at_film_a");
}

void rays_to_film(const ElementReals& elem_par, const ElementCodes& elem_ipar, const RayGrid& rays,
                  const RayVectors& dir, RayVectors& pos) {
    const Plane film = film_plane(elem_par, elem_ipar);
    const Lens lens = recording_lens(elem_par, elem_ipar);
    lens_to_film(film, lens, rays, dir, pos, true);
}

}  // namespace qelta
