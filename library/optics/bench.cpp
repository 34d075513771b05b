// The bench schematic: five rays from the light source through the first
// lens, the test section and the recording lens to the film, and the image
// of the source point through the two lenses.
#include <cmath>
#include <string>
#include <string_view>

#include "common/checks.h"
#include "common/exchange.h"
#include "common/log.h"
#include "common/run.h"
#include "optics/optics.h"
#include "qelta.h"

namespace qelta {

namespace {

constexpr int schematic_rays = 5;     // rays of one set
constexpr int schematic_points = 5;   // points of one ray
constexpr int ray_set_block = 100;    // values of one ray set in the program's arrays
constexpr int ray_array_length = 500;

// The schematic's own copy of the element tables.
ElementReals schematic_par;
ElementCodes schematic_ipar;

}  // namespace

void copy_element_tables(ExchangeColumns<double> par, ExchangeColumns<int> ipar, int nelem, ElementReals& to_par,
                         ElementCodes& to_ipar) {
    if (nelem > max_elements)
        optics_stop({free_text("Stop: more optical elements than the tables hold (", max_elements, "):", nelem)});
    for (int k = 1; k <= nelem; ++k) {
        for (int s = 1; s <= element_slots; ++s) {
            to_par(s, k) = par[k - 1].nth(s);
            to_ipar(s, k) = ipar[k - 1].nth(s);
        }
    }
}

// Thin lens: the ray through the centre parallel to d meets the focal plane
// at C + (f / dx) d; the refracted ray runs from Q toward that point.
Vec3 lens_ray_direction(Vec3 p, Vec3 q, Vec3 c, double f) {
    Vec3 d = q - p;
    if (d.x == 0) d.x = 1e-15;
    d = unit(d);
    const double u = f / d.x;
    return unit(u * d + (c - q));
}

// Thin lens: s' = s f / (s - f), m = -s' / s, image (X + s', m Oy, m Oz).
void thin_lens(double f, double x, Vec3 o, Vec3& image, double& magnification) {
    const double s = x - o.x;
    double denominator = s - f;
    if (denominator == 0) denominator = f * 1e-40;
    const double s_image = s * f / denominator;
    magnification = s == 0 ? 1.0 : -s_image / s;
    image = {x + s_image, magnification * o.y, magnification * o.z};
}

void two_lens_image(const ElementReals& par, Vec3& image, double& magnification) {
    Vec3 first;
    double m1 = 0, m2 = 0;
    thin_lens(par(4, first_lens_element), par(1, first_lens_element), element_point(par, light_element), first, m1);
    thin_lens(par(4, recording_lens_element), par(1, recording_lens_element), first, image, m2);
    magnification = m1 * m2;
}

namespace {

// The lenses of a bench: the schematic draws thin lenses (101) only, the
// photograph takes the second kind (102) as one.
enum class Lenses { thin, both };

bool lens_type(int type, Lenses lenses) {
    return type == thin_lens_type || (lenses == Lenses::both && type == second_lens_type);
}

// The five rays of the schematic, point m of ray i at point(m, i), and the
// image of the light-source point through the two lenses.
struct BenchRays {
    Array2<Vec3, schematic_points, schematic_rays> point;
    Vec3 image;
};

// Direction of a schematic ray after element e, which it hits at q coming
// from p.
Vec3 direction_after(const ElementReals& par, const ElementCodes& ipar, Lenses lenses, int e, Vec3 p, Vec3 q,
                     Vec3 d) {
    if (lens_type(ipar(1, e), lenses)) return lens_ray_direction(p, q, element_point(par, e), par(4, e));
    if (ipar(1, e) == section_type) return d;
    optics_stop({"Found a unknown optical element B!"});
}

// Ray parameter from q along d to element e.
double distance_to(const ElementReals& par, const ElementCodes& ipar, Lenses lenses, int e, Vec3 q, Vec3 d) {
    if (lens_type(ipar(1, e), lenses) || ipar(1, e) == section_type) return (par(1, e) - q.x) / d.x;
    if (ipar(1, e) == film_type) {
        const Vec3 n = film_normal(par, e);
        return dot(element_point(par, e) - q, n) / dot(d, n);
    }
    optics_stop({"Found a unknown optical element C!"});
}

void trace_bench_rays(const ElementReals& par, const ElementCodes& ipar, Lenses lenses, BenchRays& rays) {
    double magnification = 0;
    two_lens_image(par, rays.image, magnification);
    // Points of ray i, z = 0: the source, then the five heights across the
    // first lens, from bottom to top.
    const Vec3 source{par(1, light_element), par(2, light_element), 0.0};
    if (!lens_type(ipar(1, first_lens_element), lenses)) optics_stop({"Found a unknown optical element A!"});
    const double x2 = par(1, first_lens_element);
    const double y2 = par(2, first_lens_element);
    const double d2 = par(5, first_lens_element);
    for (int i = 1; i <= schematic_rays; ++i) {
        rays.point(1, i) = source;
        rays.point(2, i) = {x2, y2 - d2 / 2 + (i - 1) * d2 / 4, 0.0};
    }
    // Stages 1 to 3: refract at element s + 1, go on to element s + 2.
    Array1<Vec3, schematic_rays> dir;
    for (int i = 1; i <= schematic_rays; ++i) dir(i) = rays.point(2, i) - rays.point(1, i);
    for (int s = 1; s <= 3; ++s) {
        const int e = s + 1;
        for (int i = 1; i <= schematic_rays; ++i) {
            const Vec3 p = rays.point(s, i);
            const Vec3 q = rays.point(s + 1, i);
            dir(i) = direction_after(par, ipar, lenses, e, p, q, dir(i));
            const double t = distance_to(par, ipar, lenses, e + 1, q, dir(i));
            const Vec3 next = q + t * dir(i);
            rays.point(s + 2, i) = {next.x, next.y, 0.0};
        }
    }
}

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Elements whose places and focal lengths give no finite image of the
// light, or no finite ray path (a lens of focal length 0 at the light, for
// one), have no schematic and no photograph.
[[noreturn]] void no_finite_image(const ElementReals& par, std::string_view what, std::string_view call) {
    auto place = [&par](std::string_view name, int e, bool lens) {
        std::string s = std::string(name) + " at x = " + number_text(par(1, e));
        if (lens) s += " with the focal length " + number_text(par(4, e));
        return s;
    };
    refuse_call("Stop: the bench gives no finite " + std::string(what) + ": " +
                    place("the light", light_element, false) + ", " +
                    place("the first lens", first_lens_element, true) + ", " +
                    place("the recording lens", recording_lens_element, true) + ", " +
                    place("the film", film_element, false),
                call, run.ioptlog);
}

void require_finite(const ElementReals& par, const BenchRays& rays, std::string_view call) {
    if (!finite(rays.image)) no_finite_image(par, "image of the light", call);
    for (int m = 1; m <= schematic_points; ++m)
        for (int i = 1; i <= schematic_rays; ++i)
            if (!finite(rays.point(m, i))) no_finite_image(par, "ray path", call);
}

// The elements 1 to 5 (light, first lens, test section, recording lens,
// film) come from the call itself; the tables keep no columns of an
// earlier call in their place.
void require_bench_count(int nelem, std::string_view call) {
    if (nelem < film_element)
        refuse_call("Stop: the bench has " + std::to_string(nelem) +
                        " optical elements, where the light, the first lens, the test section, the recording lens "
                        "and the film make " +
                        std::to_string(film_element),
                    call, run.ioptlog);
}

}  // namespace

void check_photograph_bench(const ElementReals& par, const ElementCodes& ipar, int nelem) {
    constexpr std::string_view call = "OPTICS_SHADOWGRAPH_A";
    require_bench_count(nelem, call);
    // Other elements in these places stop the tracing with its own messages.
    if (!lens_type(ipar(1, first_lens_element), Lenses::both) || ipar(1, section_element) != section_type ||
        !lens_type(ipar(1, recording_lens_element), Lenses::both) || ipar(1, film_element) != film_type)
        return;
    BenchRays rays;
    trace_bench_rays(par, ipar, Lenses::both, rays);
    require_finite(par, rays, call);
}

void bench_schematic(double* ropara, double* elem_par, int* elem_ipar, int& nelem, double* ray_x, double* ray_y,
                     int& nsets, double* image_point) {
    constexpr std::string_view call = "OPTICS_SHADOWGRAPH_A0";
    optics_log("debugA", schematic_ipar(1, first_lens_element));
    nsets = 1;
    require_bench_count(nelem, call);
    copy_element_tables(ExchangeColumns<double>(elem_par, element_slots, max_elements),
                        ExchangeColumns<int>(elem_ipar, element_slots, max_elements), nelem, schematic_par,
                        schematic_ipar);

    ExchangeArray<double> ro(ropara, optics_block);
    ro.nth(1) = 50.0;
    ro.nth(2) = 0.0;
    ro.nth(3) = 0.0;

    BenchRays rays;
    trace_bench_rays(schematic_par, schematic_ipar, Lenses::thin, rays);
    require_finite(schematic_par, rays, call);
    image_point[0] = rays.image.x;
    image_point[1] = rays.image.y;
    image_point[2] = rays.image.z;

    ExchangeArray<double> xs(ray_x, ray_array_length);
    ExchangeArray<double> ys(ray_y, ray_array_length);
    for (int n = 1; n <= nsets; ++n) {
        for (int m = 1; m <= schematic_points; ++m) {
            for (int i = 1; i <= schematic_rays; ++i) {
                const int k = (n - 1) * ray_set_block + schematic_points * (m - 1) + i;
                xs.nth(k) = rays.point(m, i).x;
                ys.nth(k) = rays.point(m, i).y;
            }
        }
    }
}

}  // namespace qelta
