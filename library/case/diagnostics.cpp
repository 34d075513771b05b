#include "case/diagnostics.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <type_traits>

#include "case/forces.h"
#include "case/units.h"
#include "common/log.h"
#include "common/record_file.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "flow/viscous.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/node_values.h"

namespace qelta {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double corner_angle = pi / 6;  // turn of the Prandtl-Meyer corner

// Units of the diagnostic files.
constexpr int unit_front = 41;
constexpr int unit_heat1 = 15, unit_heat2 = 16;
constexpr int unit_probe0 = 50;  // probe k on 50 + k
constexpr int unit_profile = 11;
constexpr int unit_tecplot = 10;
constexpr int unit_pm = 43;

bool is_wall(int type) { return boundary::no_slip(type); }

Vec2 midpoint(int e) { return 0.5 * (edge_start(e) + edge_end(e)); }
Vec2 centroid(int c) { return {xc(c), yc(c)}; }

// Opens a text unit that keeps what its file already holds: the old records
// are written back, so the new ones follow them. Returns whether the file
// was there.
bool open_appending(int unit, const std::string& name) {
    if (unit_is_open(unit)) close_unit(unit);
    std::ifstream in(name);
    const bool existed = static_cast<bool>(in);
    std::string old;
    if (existed) old.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    open_unit(unit, name);
    std::istringstream lines(old);
    for (std::string line; std::getline(lines, line);) write_record(unit, line);
    return existed;
}

std::string e_fields(std::initializer_list<double> values, int w, int d) {
    std::string s;
    for (double v : values) s += fmt_e(v, w, d);
    return s;
}

// Edges (iwork(i,2)) or cells collected with their keys (work(i,2)), then
// ordered: item(k) is the one of rank k.
int ranked(int k) { return iwork(iwork(k, 1), 2); }
void collect(int& n, int item, double key) {
    ++n;
    iwork(n, 2) = item;
    work(n, 2) = key;
}

// The isothermal wall edges (type 3) in order of midpoint x.
int isothermal_walls_by_x() {
    int n = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (ibtype(e) == boundary::isothermal_wall) collect(n, e, midpoint(e).x);
    }
    sort_by_key(n);
    return n;
}

// The cells of the boundary edges on the axis (|y1 + y2| within a tiny
// fraction of the first cell's size) whose start x is at least xmin, in
// order of xc.
int axis_cells_by_x(double xmin) {
    const double tol = 1e-7 * std::sqrt(area(list_cel(1)));
    int n = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (std::fabs(xyedge(e, 2) + xyedge(e, 4)) > tol || xyedge(e, 1) < xmin) continue;
        int c = ileft(e);
        collect(n, c, xc(c));
    }
    sort_by_key(n);
    return n;
}

int nearest_edge(double x, double y, bool walls_only) {
    int best = 0;
    double dmin = run.big;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        if (walls_only && !is_wall(ibtype(e))) continue;
        Vec2 m = midpoint(e);
        double d = std::fabs(m.x - x) + std::fabs(m.y - y);
        if (d < dmin) {
            dmin = d;
            best = e;
        }
    }
    return best;
}

}  // namespace

// ---- File names, clock, ordering, searches --------------------------------

std::string make_file_name(int n, std::string_view suffix) {
    if (n < 0 || n > 999) fatal_stop({free_text("Error: diagnostic file number outside 0..999:", n)});
    return std::string{char('0' + n / 100), char('0' + n / 10 % 10), char('0' + n % 10)} +
           std::string(suffix.substr(0, 6));
}

std::string make_file_name2(int n, std::string_view suffix) {
    if (n < 0 || n > 99) fatal_stop({free_text("Error: diagnostic file number outside 0..99:", n)});
    return std::string{char('0' + n / 10), char('0' + n % 10)} + std::string(suffix.substr(0, 6));
}

double elapsed_secs() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t tt = system_clock::to_time_t(now);
    std::tm lt{};
    localtime_r(&tt, &lt);
    const double ms = static_cast<double>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return lt.tm_hour * 3600.0 + lt.tm_min * 60.0 + lt.tm_sec + ms / 1000;
}

void sort_by_key(int count) {
    for (int k = 1; k <= count; ++k) iwork(k, 1) = k;
    if (count < 2) return;
    int* first = &iwork(1, 1);
    std::stable_sort(first, first + count, [](int a, int b) { return work(a, 2) < work(b, 2); });
}

int nearest_wall_edge(double x, double y) { return nearest_edge(x, y, true); }
int nearest_boundary_edge(double x, double y) { return nearest_edge(x, y, false); }

int nearest_wall_cell(double x, double y) {
    int e = nearest_wall_edge(x, y);
    return e ? ileft(e) : 0;
}

int nearest_boundary_cell(double x, double y) {
    int e = nearest_boundary_edge(x, y);
    return e ? ileft(e) : 0;
}

// ---- Wall quantities ------------------------------------------------------

void refresh_wall_gradients() { ghost_gradients(); }

// q = |dT/dn| (1 + S_k) Tc^1.5/(Tw + S_k), T_f = p_f/rho_f from the
// extrapolated face density and pressure.
double wall_edge_heat_flux(int e) {
    if (e < 1) return 0;  // no wall edge found
    const int c = ileft(e);
    const Vec2 d = midpoint(e) - centroid(c);
    const double rf = r(c) + grad(c, 1) * d.x + grad(c, 2) * d.y;
    const double pf = p(c) + grad(c, 3) * d.x + grad(c, 4) * d.y;
    const Vec2 gt = viscous::reflected_gradient({gradt(c, 1), gradt(c, 2)}, tem(c), run.twall, d);
    const double tw = ibtype(e) == boundary::isothermal_wall ? run.twall : pf / rf;
    const Vec2 s = viscous::face_vector(edge_start(e), edge_end(e), false);
    const Vec2 n = (1 / norm(s)) * s;
    return std::fabs(dot(gt, n) * sutherland_law(tw, run.sut_k));
}

// From fc - f0 = a c + b c^2/2 and fb - f0 = a bx + b bx^2/2.
void quad_fit(double c, double bx, double fc, double f0, double fb, double& a, double& b) {
    const double det = c * bx * (bx - c) / 2;
    a = ((fc - f0) * bx * bx / 2 - (fb - f0) * c * c / 2) / det;
    b = (c * (fb - f0) - bx * (fc - f0)) / det;
}

// Gamma = sum over boundary edges of s (dx u + dy v), u = cux/cr, v = cuy/cr of the edge's cell.
double circulation() {
    double g = 0;
    for (int i = 1; i <= grid.nbedge; ++i) {
        const int e = list_bedge(i);
        const int c = ileft(e);
        const Vec2 t = edge_end(e) - edge_start(e);
        g += edge_orientation(e) * (t.x * cux(c) + t.y * cuy(c)) / cr(c);
    }
    return g;
}

// ---- Histories ------------------------------------------------------------

namespace {

double front_x = 0;  // the last front position on the axis

constexpr int heat_stations = 13;
constexpr int heat17_stations = 17;
constexpr int probe_count = 11;
constexpr double probe_x[probe_count] = {10, 20, 50, 100, 150, 200, 250, 300, 350, 400, 450};

// Time since t0 in milliseconds.
double heat_time_ms() { return (run.time - run.t0) * ref.t_scale * 1000; }
// Non-dimensional conduction flux in W/m^2.
double heat_unit() { return ref.k_ref * ref.t_ref / ref.l_ref; }

// A column of the shared edge scratch edgrhs as a 1-based array.
struct ScratchColumn {
    int k;
    double& operator()(int i) const { return edgrhs(i, k); }
};

}  // namespace

void record_shock_front(int mode) {
    if (mode == 0) {
        if (!open_appending(unit_front, "sfront.cnr"))
            write_free(unit_front, "  t  x  density  pressure  temperature  velocity");
    } else if (mode == 1) {
        locate_shock_front();
    } else if (mode == 2) {
        close_unit(unit_front);
    }
}

// Equal-area front: x_f = x_g + sum 0.5 (r_k + r_k+1 - 2)(x_k+1 - x_k) / (r_g - 1),
// from a cell g a few cells behind the steepest pressure rise.
void locate_shock_front() {
    if (run.nstep < 50) {
        front_x = 0;
        return;
    }
    const int n = axis_cells_by_x(std::max(front_x - 10, 0.0));
    if (n == 0) return;
    // 2. The steepest descent of the pressure, ties to the lower j.
    int g = 0;
    double steepest = 0;
    for (int j = n; j >= 2; --j) {
        const int cj = ranked(j), ci = ranked(j - 1);
        const double slope = (p(cj) - p(ci)) / (xc(cj) - xc(ci));
        if (slope <= 0 && (g == 0 || slope <= steepest)) {
            g = j;
            steepest = slope;
        }
    }
    g = std::max(g - 6, 1);
    // 3. Excess mass ahead of cell g.
    double excess = 0;
    for (int k = g; k <= n - 1; ++k) {
        const int a = ranked(k), b = ranked(k + 1);
        excess += 0.5 * (r(a) + r(b) - 2) * (xc(b) - xc(a));
    }
    // 4. The front and the state of cell g.
    const int c = ranked(g);
    if (r(c) - 1 > 0.001) {
        front_x = xc(c) + excess / (r(c) - 1);
        write_record(unit_front, fmt_e(run.time, 13, 5) + fmt_f(front_x, 12, 6) +
                                     e_fields({r(c), p(c), p(c) / r(c), ux(c)}, 14, 5));
    }
}

namespace {

// Mode 0 of the heat histories: both files with their headers.
void open_heat_files(std::string_view header1, std::string_view header2) {
    open_unit(unit_heat1, "heat1.his");
    open_unit(unit_heat2, "heat2.his");
    write_free(unit_heat1, header1);
    write_free(unit_heat2, header2);
}

void close_heat_files() {
    close_unit(unit_heat1);
    close_unit(unit_heat2);
}

}  // namespace

void record_wall_heat(int mode) {
    if (mode == 0) {
        open_heat_files("  t  H1  H2  H3  H4  H5  H6  H7", "  t  H8  H9  H10  H11  H12  H13");
    } else if (mode == 1) {
        // Stations (-cos th, sin th) on the unit circle, th = k pi/12.
        const double step = static_cast<double>(static_cast<float>(pi / 12));
        Array1<int, heat_stations> edges;
        Array1<double, heat_stations> flux;
        for (int k = 1; k <= heat_stations; ++k) {
            const double th = (k - 1) * step;
            edges(k) = nearest_wall_edge(-std::cos(th), std::sin(th));
        }
        wall_heat_flux(flux, edges, heat_stations);
        std::string row1 = fmt_e(heat_time_ms(), 14, 5), row2 = row1;
        for (int k = 1; k <= heat_stations; ++k)
            (k <= 7 ? row1 : row2) += fmt_e(flux(k) * heat_unit() * 1e-4, 14, 5);  // W/cm^2
        write_record(unit_heat1, row1);
        write_record(unit_heat2, row2);
    } else if (mode == 2) {
        close_heat_files();
    }
}

namespace {

// Angle of a wall midpoint about the origin from the negative x axis.
double angle_from_front(Vec2 m) { return m.x <= 0 ? std::atan(m.y / std::fabs(m.x)) : pi - std::atan(m.y / m.x); }

// Flux at angle phi from the samples (edgrhs(,2) angles, edgrhs(,3) fluxes,
// 1..m): the parabola through the first bracketing pair and the sample after
// it (before it, for the last pair).
double flux_at_angle(double phi, int m) {
    for (int k = 1; k < m; ++k) {
        const double t1 = edgrhs(k, 2), t2 = edgrhs(k + 1, 2);
        if (phi < std::min(t1, t2) || phi > std::max(t1, t2)) continue;
        const int mid = (k + 2 <= m) ? k + 1 : k;
        double a, b;
        quad_fit(edgrhs(mid - 1, 2) - edgrhs(mid, 2), edgrhs(mid + 1, 2) - edgrhs(mid, 2), edgrhs(mid - 1, 3),
                 edgrhs(mid, 3), edgrhs(mid + 1, 3), a, b);
        const double x = phi - edgrhs(mid, 2);
        return edgrhs(mid, 3) + a * x + b * x * x / 2;
    }
    fatal_stop({"Error: no data found in tools."});
}

}  // namespace

void record_wall_heat17(int mode) {
    if (mode == 0) {
        open_heat_files("  n  t  H1  H2  H3  H4  H5  H6  H7  H8  H9", "  n  t  H10  H11  H12  H13  H14  H15  H16  H17");
    } else if (mode == 1) {
        const int n = isothermal_walls_by_x();
        for (int k = 1; k <= n; ++k) iwork_edg(k) = ranked(k);
        ScratchColumn flux{1};
        wall_heat_flux(flux, iwork_edg, n);
        // Samples 2..n+1 are the edges, 1 and n+2 their mirror images about
        // the angles 0 and pi.
        for (int k = 1; k <= n; ++k) {
            edgrhs(k + 1, 2) = angle_from_front(midpoint(iwork_edg(k)));
            edgrhs(k + 1, 3) = flux(k);
        }
        const int m = n > 0 ? n + 2 : 0;
        if (n > 0) {
            edgrhs(1, 2) = -edgrhs(2, 2);
            edgrhs(1, 3) = edgrhs(2, 3);
            edgrhs(m, 2) = 2 * pi - edgrhs(m - 1, 2);
            edgrhs(m, 3) = edgrhs(m - 1, 3);
        }
        const std::string lead = fmt_i(run.nstep, 6) + fmt_e(heat_time_ms(), 14, 5);
        std::string row1 = lead, row2 = lead;
        for (int j = 0; j < heat17_stations; ++j) {
            const double h = flux_at_angle(j * pi / 16, m) * heat_unit();
            (j < 9 ? row1 : row2) += fmt_e(h, 14, 5);
        }
        write_record(unit_heat1, row1);
        write_record(unit_heat2, row2);
    } else if (mode == 2) {
        close_heat_files();
    }
}

void record_probes(int mode) {
    for (int k = 1; k <= probe_count; ++k) {
        const int unit = unit_probe0 + k;
        if (mode == 0) {
            open_unit(unit, make_file_name(k, "pt.his"));
            write_free(unit, "  t  pressure  density  Ux  Uy  Mach number");
        } else if (mode == 1) {
            const int c = nearest_boundary_cell(probe_x[k - 1], 0);
            if (c == 0) continue;
            const double mach = std::hypot(ux(c), uy(c)) / std::sqrt(run.gam * p(c) / r(c));
            write_record(unit, fmt_e(run.time, 14, 5) + e_fields({p(c), r(c), ux(c), uy(c), mach}, 14, 5));
        } else if (mode == 2) {
            close_unit(unit);
        }
    }
}

// ---- Profiles -------------------------------------------------------------

// Non-dimensional stresses are in units of p_ref and heat fluxes in units of
// p_ref a_ref: mu and kappa of the wall forces already carry 1/Re and
// cp/(Pr Re), so mu_ref a_ref/l_ref and k_ref t_ref/l_ref are not applied again.
void write_wall_profile() {
    refresh_wall_gradients();
    const int n = isothermal_walls_by_x();
    open_unit(unit_profile, make_file_name(run.nout, "wl.txt"));
    write_free(unit_profile, "  Distance  P  Heat Transfer  Friction");
    for (int k = 1; k <= n; ++k) {
        const int e = ranked(k);
        const WallForce f = wall_forces(e);
        const Vec2 n = wall_normal(e);
        const double len = norm(n);
        const Vec2 un = (1 / len) * n;  // into the body
        const Vec2 ut{-un.y, un.x};
        const double pressure = (f.fpx * un.x + f.fpy * un.y) / len;
        const double heat = f.q / len;
        const double friction = (f.fvx * ut.x + f.fvy * ut.y) / len;
        write_record(unit_profile, fmt_f(norm(midpoint(e)) * ref.l_ref * 1000, 14, 5) +
                                       fmt_e(pressure * ref.p_ref, 16, 5) +
                                       fmt_e(heat * ref.p_ref * ref.a_ref, 16, 5) +
                                       fmt_e(friction * ref.p_ref, 16, 5));
    }
    close_unit(unit_profile);
}

namespace {

const char* line_profile_header(int iflux) {
    switch (iflux) {
    case 1: return " x y Godunov Godunov Godunov Godunov Godunov";
    case 2: return " x y AUFS AUFS AUFS AUFS AUFS";
    case 3: return " x y HLLC HLLC HLLC HLLC HLLC";
    case 4: return " x y HLL HLL HLL HLL HLL";
    case 11: return " x y Godunov+ Godunov+ Godunov+ Godunov+ Godunov+";
    case 12: return " x y AUFS- AUFS- AUFS- AUFS- AUFS-";
    case 13: return " x y HLLC+ HLLC+ HLLC+ HLLC+ HLLC+";
    case 14: return " x y HLL- HLL- HLL- HLL- HLL-";
    default: return nullptr;
    }
}

}  // namespace

void write_line_profile() {
    int n = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        const int c = list_cel(i);
        if (std::fabs(xc(c) - 1) <= 0.01) collect(n, c, yc(c));
    }
    sort_by_key(n);
    open_unit(unit_profile, make_file_name(100 * run.lmax + run.iflux, "x1.dat"));
    if (const char* header = line_profile_header(run.iflux)) write_free(unit_profile, header);
    for (int k = 1; k <= n; ++k) {
        const int c = ranked(k);
        write_record(unit_profile, fmt_f(xc(c), 13, 5) + fmt_f(yc(c), 13, 5) +
                                       e_fields({r(c), p(c), p(c) / r(c), ux(c), uy(c)}, 14, 5));
    }
    close_unit(unit_profile);
}

void write_axis_profile() {
    const int n = axis_cells_by_x(-run.big);
    open_unit(unit_profile, make_file_name(run.nout, "ct.cnr"));
    write_free(unit_profile, "  x  den  pres  temperature  velocity  qx  qy");
    for (int k = 1; k <= n; ++k) {
        const int c = ranked(k);
        write_record(unit_profile, fmt_f(xc(c), 13, 5) + e_fields({r(c), p(c), p(c) / r(c), ux(c)}, 14, 5));
    }
    close_unit(unit_profile);
}

// ---- Snapshots ------------------------------------------------------------

namespace {

constexpr int max_snapshot_points = 900000;
constexpr double cell_vertex_version = 6.0;

// Node values of the last snapshot.
struct SnapshotNodes {
    NodeColumn x, y, r, p, ux, uy;
    CellNodeTable cells;
    Array1<int, MAX_CEL> hang;
};
SnapshotNodes snap;

// One record of the given items, i4 for each int and r8 for each double.
void put_item(RecordWriter& f, int v) { f.int4(v); }
void put_item(RecordWriter& f, double v) { f.real8(v); }
template <class... Items>
void items_record(RecordWriter& f, Items... items) {
    static_assert(((std::is_same_v<Items, int> || std::is_same_v<Items, double>) && ...));
    f.record((0L + ... + static_cast<long>(sizeof(Items))), [&] { (put_item(f, items), ...); });
}

void write_cell_vertex_file(const std::string& name, int nnode) {
    RecordWriter f(name);
    const int ncell = grid.ncell;
    items_record(f, cell_vertex_version);
    f.record(0, [] {});
    items_record(f, nnode);
    items_record(f, ncell);
    items_record(f, run.cfl, run.ischeme, run.iflag_run, run.cputime);
    items_record(f, run.minlev, run.lmax);
    items_record(f, run.refine_tol, run.coarse_tol, run.rsave1, run.rsave2);
    items_record(f, run.eps_small, run.eps_filter);
    items_record(f, run.amach, run.xshock);
    items_record(f, run.time, run.nstep);
    items_record(f, grid.nedge, grid.nmother, grid.nfather);
    items_record(f, run.ns, run.wallratio, run.area_min, run.blend_fac, run.gam, -1.0, -1.0, -1.0, -1.0, -1.0);
    items_record(f, run.reyn, run.prand, grid.ncell0, run.iaxis, MAX_CEL, 0, 0, run.iflux, run.ischeme, -1);
    f.begin(20L * ncell);
    for (int j = 1; j <= ncell; ++j) {
        f.int4(j);
        for (int k = 1; k <= 4; ++k) f.int4(snap.cells(j, k));
    }
    f.end();
    f.begin(16L * nnode);
    for (int n = 1; n <= nnode; ++n) {
        f.real8(snap.x(n));
        f.real8(snap.y(n));
    }
    f.end();
    f.begin(32L * nnode);
    for (int n = 1; n <= nnode; ++n) {
        f.real8(snap.r(n));
        f.real8(snap.p(n));
        f.real8(snap.ux(n));
        f.real8(snap.uy(n));
    }
    f.end();
    for (int n = 1; n <= nnode; ++n) {
        f.begin(4L * (1 + nnbr(n)));
        f.int4(nnbr(n));
        for (int k = 1; k <= nnbr(n); ++k) f.int4(nbrcel(n, k));
        f.end();
    }
    items_record(f, grid.nbedge);
    items_record(f, grid.niedge);
    f.begin(8L * grid.nbedge);
    for (int i = 1; i <= grid.nbedge; ++i) {
        f.int4(iwork(list_bedge(i), 2));
        f.int4(iwork(list_bedge(i), 3));
    }
    f.end();
    f.begin(8L * grid.niedge);
    for (int i = 1; i <= grid.niedge; ++i) {
        f.int4(iwork(list_iedge(i), 2));
        f.int4(iwork(list_iedge(i), 3));
    }
    f.end();
    f.close();
}

}  // namespace

void write_snapshot(double t, double start) {
    if (t < 0 || !(run.tend > 0)) return;
    if (run.nout > std::floor(t / (0.25 * run.tend))) return;
    run.nout = std::max(run.nout, 0);
    log_fixed("Saving data for " + fmt_e(t, 12, 5) + ", " + fmt_f(t * ref.t_scale * 1e6, 7, 0) + "in microseconds");
    run.cputime = elapsed_secs() - start;
    cons_to_prim();
    write_wall_profile();
    write_tecplot(make_file_name(run.nout, "cv.dat"));
    ++run.nout;
}

void write_tecplot(std::string_view name) {
    cons_to_prim();
    lsq_edge_terms();
    cell_gradients();
    int nnode = 0, nhang = 0;
    node_values_out(node_exchange(snap.x.data(), snap.y.data(), snap.cells.data(), snap.hang.data(), snap.r.data(),
                                  snap.p.data(), snap.ux.data(), snap.uy.data()),
                    nnode, nhang);
    if (std::max(nnode, grid.ncell) > max_snapshot_points)
        fatal_stop({"Error: Too many nodes", "Please change output format"});
    const std::string file(name);
    if (run.itecout == 0 || run.itecout == 2) {
        write_log("saving.... cell vertex data");
        write_cell_vertex_file(file, nnode);
    }
    if (run.itecout == 1 || run.itecout == 2) {
        write_log("output binary file for Tecplot");
        write_tecplot_ascii("tb" + file, nnode, grid.ncell, snap.x, snap.y, snap.r, snap.p, snap.ux, snap.uy,
                            snap.cells);
    }
}

void write_tecplot_ascii(std::string_view name, int nnode, int ncell, const NodeColumn& x, const NodeColumn& y,
                         const NodeColumn& r, const NodeColumn& p, const NodeColumn& ux, const NodeColumn& uy,
                         const CellNodeTable& cells) {
    open_unit(unit_tecplot, name);
    // The title: 48 characters, the time in E14.6 at the start of a 30-character field.
    const std::string runtime = fmt_e(run.time * ref.t_scale, 14, 6) + std::string(16, ' ');
    write_free(unit_tecplot, "title = \"runtime=" + runtime + "\"");
    write_free(unit_tecplot, "VARIABLES = x y r p ux uy");
    write_record(unit_tecplot, "Zone N= " + fmt_i(nnode, 14) + ",E= " + fmt_i(ncell, 14) +
                                   ",F=FEPOINT,ET=QUADRILATERAL");
    for (int n = 1; n <= nnode; ++n)
        write_record(unit_tecplot, e_fields({x(n), y(n), r(n), p(n), ux(n), uy(n)}, 14, 6));
    // Node numbers up to MAX_CEL have six digits: eight columns keep them apart.
    for (int j = 1; j <= ncell; ++j)
        write_record(unit_tecplot, fmt_i(cells(j, 1), 8) + fmt_i(cells(j, 2), 8) + fmt_i(cells(j, 3), 8) +
                                       fmt_i(cells(j, 4), 8));
    close_unit(unit_tecplot);
}

// ---- Error norms ----------------------------------------------------------

namespace {

Primitive pm_state_at(double x, double y, double m1, double gam, const PmTurn& turn);

}  // namespace

// L1 = sum A |e| / sum A, L2 = (sum A e^2 / sum A)^(1/2) over the sector.
void pm_error_norms(int mode) {
    if (mode == 0) {
        open_unit(unit_pm, "pm.dat");
        write_free(unit_pm, "  Lmax  Nmax  steps  Er1  Ep1  Eu1  Ev1  Er2  Ep2  Eu2  Ev2");
    } else if (mode == 1) {
        const PmTurn turn = pm_turn(run.amach, run.gam);
        double l1[4] = {0, 0, 0, 0}, l2[4] = {0, 0, 0, 0}, atotal = 0;
        for (int i = 1; i <= grid.ncell; ++i) {
            const int c = list_cel(i);
            const double x = xc(c), y = yc(c);
            if (!(x > 0 && y > 0)) continue;
            const double rad = std::hypot(x, y), deg = std::atan(x / y) * 180 / pi;
            if (rad < 0.5 || rad > 1 || deg < 45 || deg > 75) continue;
            const Primitive q = pm_state_at(x, y, run.amach, run.gam, turn);
            const double e[4] = {r(c) - q.r, p(c) - q.p, ux(c) - q.ux, uy(c) - q.uy};
            for (int k = 0; k < 4; ++k) {
                l1[k] += area(c) * std::fabs(e[k]);
                l2[k] += area(c) * e[k] * e[k];
            }
            atotal += area(c);
        }
        std::string row = fmt_i(run.lmax, 2) + fmt_i(grid.ncell, 7) + fmt_i(run.nstep, 7);
        for (double v : l1) row += fmt_e(v / atotal, 12, 5);
        for (double v : l2) row += fmt_e(std::sqrt(v / atotal), 12, 5);
        write_record(unit_pm, row);
        log_fixed(row);
    } else if (mode == 2) {
        close_unit(unit_pm);
    }
}

// e = |r - r_exact|, r_exact = rho2 behind the shock (x <= 3), 1 ahead:
// L1 = sum e/N, L2 = (sum e^2/N)^(1/2) and their area-weighted forms.
void shock_error_norms() {
    double rho2, p2, w;
    normal_shock(run.gam, run.amach, 1, 1, rho2, p2, w);
    double s1 = 0, s2 = 0, a1 = 0, a2 = 0, atotal = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        const int c = list_cel(i);
        const double e = std::fabs(r(c) - (xc(c) <= 3 ? rho2 : 1.0));
        s1 += e;
        s2 += e * e;
        a1 += area(c) * e;
        a2 += area(c) * e * e;
        atotal += area(c);
    }
    const double n = grid.ncell;
    log_fixed(fmt_i(run.minlev, 4) + fmt_i(run.lmax, 4) + fmt_i(grid.ncell, 8) +
              e_fields({s1 / n, std::sqrt(s2 / n), a1 / atotal, std::sqrt(a2 / atotal)}, 12, 5));
}

// ---- Exact solutions and small formulas -------------------------------------

namespace {

double pm_c(double gam) { return std::sqrt((gam + 1) / (gam - 1)); }

// Inside the fan: the ray of Mach number M lies at psi = nu1 + beta from the
// sonic ray, sin^2(psi/c) = (M^2 - 1)/(M^2 + 2/(gam - 1)).
double fan_mach(double psi, double gam) {
    const double s2 = std::pow(std::sin(psi / pm_c(gam)), 2);
    return std::sqrt((1 + 2 / (gam - 1) * s2) / (1 - s2));
}

Primitive pm_state_at(double x, double y, double m1, double gam, const PmTurn& turn) {
    const double beta = std::atan2(x, y);  // from the +y axis towards +x
    const double nu1 = pm_angle(m1, gam);
    double m = m1, turned = 0;
    if (beta >= turn.last_ray) {
        m = turn.m2;
        turned = corner_angle;
    } else if (beta > turn.first_ray) {
        m = fan_mach(beta + nu1, gam);
        turned = pm_angle(m, gam) - nu1;
    }
    const double pres = isentropic_p_ratio(gam, m1, m);
    const double rho = std::pow(pres, 1 / gam);
    const double q = m * std::sqrt(gam * pres / rho);
    return {rho, pres, q * std::cos(turned), -q * std::sin(turned)};
}

}  // namespace

double pm_angle(double m, double gam) {
    const double c = pm_c(gam);
    const double s = std::sqrt(std::fabs(m * m - 1));
    return c * std::atan(s / c) - std::atan(s);
}

// nu is increasing in M: halve [1, 100] towards nu(M) = nu.
double pm_mach(double nu, double gam) {
    double lo = 1, hi = 100;
    if (!(nu >= pm_angle(lo, gam) && nu <= pm_angle(hi, gam)))
        fatal_stop({free_text("Error: no Mach number from 1 to 100 has the Prandtl-Meyer angle", nu)});
    for (int k = 0; k < 100; ++k) {
        const double mid = (lo + hi) / 2;
        const double f = pm_angle(mid, gam) - nu;
        if (std::fabs(f) < 1e-14) return mid;
        (f < 0 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

double pm_ray_angle(double m, double gam) {
    return pm_c(gam) * std::asin(std::sqrt((m * m - 1) / (2 / (gam - 1) + m * m)));
}

// nu(M2) = nu(M1) + pi/6; the fan runs from the Mach line of M1 to that of
// M2 about the turned stream.
PmTurn pm_turn(double m1, double gam) {
    const double nu1 = pm_angle(m1, gam);
    const double m2 = pm_mach(nu1 + corner_angle, gam);
    return {m2, std::acos(1 / m1), pm_ray_angle(m2, gam) - nu1};
}

Primitive pm_exact_state(double x, double y, double m1, double gam) {
    return pm_state_at(x, y, m1, gam, pm_turn(m1, gam));
}

namespace {

// T2/T1 = (1 + b M1^2)/(1 + b M2^2) at the same total temperature.
double isentropic_t_ratio(double gam, double m1, double m2) {
    const double b = (gam - 1) / 2;
    return (1 + b * m1 * m1) / (1 + b * m2 * m2);
}

}  // namespace

double isentropic_p_ratio(double gam, double m1, double m2) {
    return std::pow(isentropic_t_ratio(gam, m1, m2), gam / (gam - 1));
}

double isentropic_c_ratio(double gam, double m1, double m2) { return std::sqrt(isentropic_t_ratio(gam, m1, m2)); }

double isentropic_rho_ratio(double gam, double m1, double m2) {
    return std::pow(isentropic_t_ratio(gam, m1, m2), 1 / (gam - 1));
}

// p4/p1 = p2/p1 (1 - (gam - 1)/(gam + 1) (a1/a4)(Ms - 1/Ms))^(-2 gam/(gam - 1)),
// p2/p1 = (2 gam Ms^2 - (gam - 1))/(gam + 1)  (Anderson, Modern Compressible Flow, eq. 7.94).
double shock_tube_p41(double ms, double gam, double a41) {
    const double p21 = (2 * gam * ms * ms - (gam - 1)) / (gam + 1);
    return p21 * std::pow(1 - (ms - 1 / ms) * ((gam - 1) / (gam + 1)) / a41, -2 * gam / (gam - 1));
}

double front_fraction(double a, double b) {
    const double sg = std::sqrt(run.gam);
    if (run.time >= 1 / sg || !(b > a)) return 0;
    const double f = (run.time + run.dt / 2) * sg;
    const double lo = std::max(a, std::min(f, 1.0)), hi = std::min(b, std::max(f, 1.0));
    return hi > lo ? (hi - lo) / (b - a) : 0;
}

double excess_fraction(double a, double b) { return (b >= a && b != 0) ? 1 - a / b : 0; }

}  // namespace qelta
