// The optics' shared state and routines: the optical bench's element
// tables, the ray grid of one point source, the refractive field of the
// flow, and the stages that carry the rays from the light source to the
// picture.
//
// Frame: x is the optical axis (the light travels toward +x), y is up, z
// across. The flow grid is placed with grid x along z and grid y as the
// radius about the z axis, both scaled by 50.
//
// The ray grid: ray (i, j), i, j = 1..257, is ray i + 257 (j - 1); ray-grid
// cell (i, j), i, j = 1..256, is cell i + 256 (j - 1) with the rays p,
// p + 1, p + 258, p + 257 (p = i + 257 (j - 1)), counterclockwise in (z, y).
// The program's arrays are 0-based views holding 1-based ray numbers; the
// library's per-ray arrays are 1-based with columns of max_rays.
#pragma once

#include <cmath>

#include "common/array1.h"
#include "common/exchange.h"
#include "common/log.h"

namespace qelta {

// One free-format record on the optics log.
template <class... Items>
void optics_log(const Items&... items) {
    write_free(run.ioptlog, items...);
}

// The fatal stop of the optics: the records go to the optics log.
[[noreturn]] inline void optics_stop(std::initializer_list<std::string_view> records) {
    fatal_stop(records, run.ioptlog);
}

// ---- Capacities ----
constexpr int max_elements = 20;     // optical elements
constexpr int element_slots = 20;    // values per element
constexpr int max_rays = 200000;     // rays, and ray-grid cells, per point source
constexpr int max_flow = 200000;     // flow-grid nodes and cells handed to the optics
constexpr int max_sources = 1000;    // point sources of one light
// Point sources one photograph traces: each traces the whole ray grid, so
// that a photograph of this many takes about half a minute.
constexpr int max_traced_sources = 100;
constexpr int maxpix = 4194304;      // picture nodes (2048 x 2048)
constexpr int ray_intervals = 256;   // nx = ny of the ray grid
constexpr int optics_block = 20;     // slots of ropara and iopara
constexpr double flow_scale = 50.0;  // grid units to bench units

// ---- Element columns on the bench ----
constexpr int light_element = 1;
constexpr int first_lens_element = 2;
constexpr int section_element = 3;
constexpr int recording_lens_element = 4;
constexpr int film_element = 5;
constexpr int cutoff_element = 6;

// ---- Element type codes (slot 1 of elem_ipar) ----
constexpr int point_light = 1;
constexpr int spherical_light = 2;
constexpr int circular_light = 3;
constexpr int rectangular_light = 4;
constexpr int ring_light = 6;
constexpr int thin_lens_type = 101;
constexpr int second_lens_type = 102;
constexpr int section_type = 501;
constexpr int bright_field_cutoff = 801;
constexpr int dark_field_cutoff = 802;
constexpr int rectangular_cutoff = 803;
constexpr int film_type = 901;

// Slot s of element k: elem_par(s, k), elem_ipar(s, k).
using ElementReals = Array2<double, element_slots, max_elements>;
using ElementCodes = Array2<int, element_slots, max_elements>;

struct Vec3 {
    double x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double norm(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 unit(Vec3 a) { return (1 / norm(a)) * a; }

// Slots 1 to 3 (X, Y, Z) of element k.
inline Vec3 element_point(const ElementReals& par, int k) { return {par(1, k), par(2, k), par(3, k)}; }
// Unit normal of a film, element k (slots 6 to 8, of any length).
inline Vec3 film_normal(const ElementReals& par, int k) { return unit(Vec3{par(6, k), par(7, k), par(8, k)}); }

// a x b in the bench's (z, y) plane (or the flow's (z, r) plane): a_z b_y - a_y b_z.
inline double cross_zy(double az, double ay, double bz, double by) { return az * by - ay * bz; }

// ---- Library per-ray and per-cell storage ----
using RayVectors = Array2<double, max_rays, 3>;  // columns x, y, z (or dx, dy, dz)
using RayAreas = Array2<double, max_rays, 2>;    // triangles (1, 2, 3) and (1, 3, 4)
using RayColours = Array2<double, max_rays, 3>;  // three colour weights per ray-grid cell
using FlowNodeValues = Array1<double, max_flow>;
using FlowCellValues = Array1<double, max_flow>;

// Row i of a per-ray table as a vector, and back.
inline Vec3 ray_vector(const RayVectors& v, int i) { return {v(i, 1), v(i, 2), v(i, 3)}; }
inline void set_ray_vector(RayVectors& v, int i, Vec3 a) {
    v(i, 1) = a.x;
    v(i, 2) = a.y;
    v(i, 3) = a.z;
}

inline RayVectors ray_dir;     // unit direction of every ray
inline RayVectors ray_pos;     // position after the test section, then on the film
inline RayAreas area_ref;      // triangle areas of the ray-grid cells at the left window
inline RayColours colour_weight;
inline Array1<double, max_rays> cutoff_trans;  // 1: the ray passes the cutoff

// ---- The program's arrays ----

// Ray grid (OPTICS_SHADOWGRAPH_A arguments 14 to 19).
struct RayGrid {
    ExchangeArray<double> ray_z, ray_y;  // per ray
    int& nrays;
    int& ncells;
    ExchangeColumns<int> ray_cells;      // 4 columns of ray numbers per ray-grid cell
    ExchangeArray<double> cell_weight;   // per ray-grid cell
};

// Picture and its windows (arguments 20 to 31).
struct PictureArgs {
    double& zmin;  // window corners
    double& ymin;
    double& zmax;
    double& ymax;
    double& pixel_size;
    double& pxmin;  // picture window
    double& pymin;
    double& pxmax;
    double& pymax;
    int& npx;
    int& npy;
    ExchangeArray<double> picture;
};

// Flow-grid tables of the program (arguments 8 to 12).
struct FlowGrid {
    int nnode;
    ExchangeColumns<int> cell_nodes;  // 4 corner nodes per cell, counterclockwise
    int ncell;
    ExchangeArray<int> hang_nodes;    // 2 parent nodes per hanging node
    int nhang;
};

// Extent of the flow nodes in the bench frame.
struct FlowExtent {
    double zmin, zmax, rmin, rmax;
};

// ---- Photograph state ----
struct LightDomain {
    double zfrom, zto, yfrom, yto;
    double sdz, sdy;  // ray-grid spacings
};

inline FlowNodeValues nm1;      // refractive index minus one, per node
inline FlowNodeValues optic_z;  // node position in the bench frame
inline FlowNodeValues optic_r;
inline FlowCellValues dnm1_dz;  // gradient of nm1 per cell, per bench unit
inline FlowCellValues dnm1_dr;

inline Array2<double, 3, max_sources> source_pts;  // x, y, z of each point source
inline int nsource = 0;
inline double intensity_factor = 1.0;  // w of "controlopt.dat"

// World window of grey pictures (kept until iopara slot 4 is 0 again) and
// the picture spacings of the current photograph.
struct PictureFrame {
    double wxmin, wxmax, wymin, wymax;
    double dx, dy;
};
inline PictureFrame picture_frame;

// Columns 1..nelem of the program's element tables into a library copy; more
// columns than the tables hold stop with a message.
void copy_element_tables(ExchangeColumns<double> par, ExchangeColumns<int> ipar, int nelem, ElementReals& to_par,
                         ElementCodes& to_ipar);

// n = 1 + 0.00022 rho for one density (the photograph uses its own constant).
void gladstone_dale(const double& density, double& n);

// ---- Bench schematic and thin lenses ----

// OPTICS_SHADOWGRAPH_A0: the five rays of the schematic and the image of
// the light-source point. A bench of fewer than the five elements, or one
// that gives no finite image or ray path, stops.
void bench_schematic(double* ropara, double* elem_par, int* elem_ipar, int& nelem, double* ray_x, double* ray_y,
                     int& nsets, double* image_point);
// The photograph's bench as the schematic takes it: five elements at
// least, and, where the elements 2 to 5 are the schematic's (a lens of
// either kind, the test section, a lens, the film), a finite image and
// finite ray paths; the same stops.
void check_photograph_bench(const ElementReals& par, const ElementCodes& ipar, int nelem);

// Unit direction after a thin lens at C (focal length f) of a ray that went
// from P to its hit point Q on the lens.
Vec3 lens_ray_direction(Vec3 p, Vec3 q, Vec3 c, double f);
// Thin-lens image of the object point o through a lens at x = X.
void thin_lens(double f, double x, Vec3 o, Vec3& image, double& magnification);
// Image of the light-source point through elements 2 and 4.
void two_lens_image(const ElementReals& par, Vec3& image, double& magnification);

// The summed picture of nsource point sources divided by nsource / w (grey
// pictures then with the contrast step) and clamped to [0, 1]; a value that
// is not a finite number stops the photograph.
void normalise_picture(ExchangeArray<double> picture, int nvalues, bool colour, bool contrast);

// The next photograph traces whatever its tables: the one that stopped
// left its tables cached without a picture.
void forget_photograph_tables();
// OPTICS_SHADOWGRAPH_A, whole.
void take_photograph(double* ropara, int* iopara, double* elem_par, int* elem_ipar, int& nelem, double* node_x,
                     double* node_y, int& nnode, int* cell_nodes, int& ncell, int* hang_nodes, int& nhang,
                     double* node_r, double* ray_z, double* ray_y, int& nrays, int& nray_cells, int* ray_cells,
                     double* cell_weight, double& win_zmin, double& win_ymin, double& win_zmax, double& win_ymax,
                     double& pixel_size, double& pxmin, double& pymin, double& pxmax, double& pymax, int& npx,
                     int& npy, double* picture);

// ---- Test section ----

// One point source through the bench into the picture.
void trace_test_section(Logical& first_picture, Vec3 source, int& nvalues, ExchangeArray<double> ropara,
                        ExchangeArray<int> iopara, const ElementReals& elem_par, const ElementCodes& elem_ipar,
                        int& nelem, const FlowGrid& flow, const FlowExtent& extent, const LightDomain& light,
                        const RayGrid& rays, const PictureArgs& pic);
// The ray grid's start points on the left window over the light domain,
// and its cells' corner rays.
void lay_ray_grid(const LightDomain& light, const RayGrid& rays);
// Ray directions after the first lens at the left window of the section,
// and the illumination weight of each ray-grid cell.
void get_rays_at_left_window(const ElementReals& elem_par, const ElementCodes& elem_ipar, Vec3 source,
                             int section, const RayGrid& rays, RayVectors& dir);
// The same with its arguments in another order (an older copy, not called).
void get_rays_at_left_window_b(const ElementCodes& elem_ipar, const ElementReals& elem_par, int section,
                               Vec3 source, const RayGrid& rays, RayVectors& dir);
// Straight through the section (flow left out).
void section_transport(const ElementReals& elem_par, const ElementCodes& elem_ipar, int section,
                       const RayGrid& rays, const RayVectors& dir, RayVectors& pos);

// ---- Recording optics ----

// Recording lens, cutoff (iopara slot 10 = 1) and film.
void s_get_rays_at_film_a(ExchangeArray<int> iopara, const ElementReals& elem_par, const ElementCodes& elem_ipar,
                          const RayGrid& rays, const RayVectors& dir, RayVectors& pos);
// Older film and knife-edge stage (not called): the recording lens, a
// cutoff read from records 2 to 5 of "controlopt.dat" (record 2 its kind:
// 1 a circular opening of the diameter in record 4, centred on the point of
// record 3; 7, 8, 11, 12 kinds whose shapes are not kept, which pass every
// ray) and the film.
void schlieren_a(const ElementReals& elem_par, const ElementCodes& elem_ipar, const RayGrid& rays,
                 const RayVectors& dir, RayVectors& pos);
// Recording lens and film without the cutoff (the cell-walking path).
void rays_to_film(const ElementReals& elem_par, const ElementCodes& elem_ipar, const RayGrid& rays,
                  const RayVectors& dir, RayVectors& pos);

// ---- Picture mapping ----

// Signed areas of the triangles (1, 2, 3) and (1, 3, 4) of every cell.
void quad_triangle_areas(ExchangeArray<double> x, ExchangeArray<double> y, int npoints,
                         ExchangeColumns<int> cells, int ncells, RayAreas& result);
// One point source's ray grid into the grey picture (one value per node).
void map_picture_grey(int& slot4, Logical& first_picture, int& nvalues, ExchangeArray<double> cell_weight,
                      const RayGrid& rays, const RayAreas& area, const PictureArgs& pic, int limit);
// The same with three values per ray-grid cell and picture node.
void map_picture_colour(int& slot4, Logical& first_picture, int& nvalues, const RayColours& weights,
                        const RayGrid& rays, const RayAreas& area, const PictureArgs& pic, int limit);

}  // namespace qelta
