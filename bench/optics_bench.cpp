// One shadowgraph (257 x 257 rays, one point source) of the adaptive wedge
// flow (Mach 2, 30 degrees) at resolutions 4 and 5: the whole photograph,
// rays per second, and the stages of one point source timed apart (left
// window, flow tracer with its start-cell search and walk, recording optics,
// picture mapping). Each figure is the best of a few runs, since the machine
// may be shared.
//
//   qelta_optics_bench [--quick]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "case/entry.h"
#include "common/run.h"
#include "optics/flow_trace.h"
#include "optics/optics.h"
#include "qelta.h"

using namespace qelta;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr int capacity = 200000;

// The program's arrays.
struct Buffers {
    std::vector<double> node_x = std::vector<double>(capacity), node_y = node_x, node_r = node_x, node_p = node_x,
                        node_ux = node_x, node_uy = node_x;
    std::vector<int> cell_nodes = std::vector<int>(4 * capacity), hang_nodes = std::vector<int>(capacity);
    int nnode = 0, ncell = 0, nhang = 0;
    std::vector<double> ray_z = std::vector<double>(capacity), ray_y = ray_z, cell_weight = ray_z;
    std::vector<int> ray_cells = std::vector<int>(4 * capacity);
    int nrays = 0, nray_cells = 0;
    double window[4] = {}, pixel = 0, pwin[4] = {};
    int npx = 0, npy = 0;
    std::vector<double> picture = std::vector<double>(3 * 4194304);
};

// The default shadowgraph bench at the film.
void default_bench(double* par, int* ipar, int* io, int& nelem) {
    const struct {
        int code;
        double p[8];
    } elements[] = {{1, {-1000, 0.000123, 0.000213}},
                    {101, {-500, 0, 0, 500, 430}},
                    {501, {0, 0, 0, 200, 100}},
                    {101, {500, 0, 0, 200, 450}},
                    {901, {900, 0, 0, -1, 0, -1, 0, 0}}};
    nelem = 0;
    for (const auto& e : elements) {
        ipar[20 * nelem] = e.code;
        for (int s = 0; s < 8; ++s) par[20 * nelem + s] = e.p[s];
        ++nelem;
    }
    io[0] = 3;
}

// A stop of the library ends the benchmark; its message is on stderr.
void end_on_stop() {
    if (!entry_stop_text().empty()) std::exit(1);
}

void photograph(Buffers& b, double* ropara, int* iopara, double* par, int* ipar, int& nelem) {
    OPTICS_SHADOWGRAPH_A(ropara, iopara, par, ipar, &nelem, b.node_x.data(), b.node_y.data(), &b.nnode,
                         b.cell_nodes.data(), &b.ncell, b.hang_nodes.data(), &b.nhang, b.node_r.data(),
                         b.ray_z.data(), b.ray_y.data(), &b.nrays, &b.nray_cells, b.ray_cells.data(),
                         b.cell_weight.data(), &b.window[0], &b.window[1], &b.window[2], &b.window[3], &b.pixel,
                         &b.pwin[0], &b.pwin[1], &b.pwin[2], &b.pwin[3], &b.npx, &b.npy, b.picture.data());
    end_on_stop();
}

// The stages of one point source, each timed, on the ray grid over the
// flow's extent (the light domain of the wedge).
void time_stages(Buffers& b, const ElementReals& par, const ElementCodes& ipar, int nrepeat) {
    const RayGrid rays{{b.ray_z.data(), max_rays}, {b.ray_y.data(), max_rays}, b.nrays, b.nray_cells,
                       {b.ray_cells.data(), max_rays, 4}, {b.cell_weight.data(), max_rays}};
    const PictureArgs pic{b.window[0], b.window[1], b.window[2], b.window[3], b.pixel, b.pwin[0], b.pwin[1],
                          b.pwin[2],   b.pwin[3],   b.npx,       b.npy,       {b.picture.data(), 3 * maxpix}};
    double zmin = optic_z(1), zmax = zmin, rmin = optic_r(1), rmax = rmin;
    for (int n = 2; n <= b.nnode; ++n) {
        zmin = std::min(zmin, optic_z(n));
        zmax = std::max(zmax, optic_z(n));
        rmin = std::min(rmin, optic_r(n));
        rmax = std::max(rmax, optic_r(n));
    }
    const Vec3 source{par(1, 1), par(2, 1), par(3, 1)};
    // Best of the repeats: the machine may be shared.
    double t_left = 1e9, t_trace = 1e9, t_search = 1e9, t_walk = 1e9, t_film = 1e9, t_map = 1e9;
    auto keep = [](double& best, double t) { best = std::min(best, t); };
    long steps = 0;
    int traced = 0;
    for (int rep = 0; rep < nrepeat; ++rep) {
        for (int j = 1; j <= 257; ++j)
            for (int i = 1; i <= 257; ++i) {
                b.ray_z[i + 257 * (j - 1) - 1] = zmin + (i - 1) * (zmax - zmin) / 256;
                b.ray_y[i + 257 * (j - 1) - 1] = rmin + (j - 1) * (rmax - rmin) / 256;
            }
        auto t0 = Clock::now();
        get_rays_at_left_window(par, ipar, source, section_element, rays, ray_dir);
        quad_triangle_areas(rays.ray_z, rays.ray_y, b.nrays, rays.ray_cells, b.nray_cells, area_ref);
        keep(t_left, since(t0));
        t0 = Clock::now();
        int section = section_element;
        symmetry_ray_tracing(ExchangeArray<int>(nullptr, 0), ExchangeArray<double>(nullptr, 0), ipar, par, 0,
                             section, rays.ray_z, rays.ray_y, b.nrays, rays.ray_cells, b.nray_cells, 0, 0, zmin, zmax,
                             rmin, rmax, 0.0, 0.0, optic_z, optic_r, b.nnode,
                             ExchangeColumns<int>(b.cell_nodes.data(), capacity, 4), b.ncell,
                             ExchangeArray<int>(b.hang_nodes.data(), capacity), b.nhang, nm1, dnm1_dz, dnm1_dr,
                             ray_dir, ray_pos, rays.cell_weight);
        keep(t_trace, since(t0));
        keep(t_search, trace_stats.search_seconds);
        keep(t_walk, trace_stats.walk_seconds);
        steps = trace_stats.steps;
        traced = trace_stats.traced;
        t0 = Clock::now();
        int io[20] = {3};
        s_get_rays_at_film_a(ExchangeArray<int>(io, 20), par, ipar, rays, ray_dir, ray_pos);
        keep(t_film, since(t0));
        t0 = Clock::now();
        int slot4 = 1, nvalues = 0;
        Logical first = true;
        map_picture_grey(slot4, first, nvalues, rays.cell_weight, rays, area_ref, pic, maxpix);
        keep(t_map, since(t0));
    }
    std::printf("  per point source, best of %d: left window %.1f ms, flow tracer %.1f ms (start-cell search"
                " %.1f ms, walk %.1f ms), recording optics %.1f ms, mapping %.1f ms\n",
                nrepeat, 1e3 * t_left, 1e3 * t_trace, 1e3 * t_search, 1e3 * t_walk, 1e3 * t_film, 1e3 * t_map);
    std::printf("  walk: %d of %d rays through the flow, %.1f cell steps per ray, %.1f ns per step;"
                " tracer %.2f M rays/s\n",
                traced, b.nrays, double(steps) / std::max(traced, 1), 1e9 * t_walk / std::max(steps, 1L),
                b.nrays / t_trace * 1e-6);
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::string dir = (fs::temp_directory_path() / ("qelta-optics-bench-" + std::to_string(getpid()))).string();
    fs::copy(QELTA_DATA_DIR, dir, fs::copy_options::recursive);
    fs::current_path(dir);
    initial_optics();
    Buffers b;
    for (int level : {4, 5}) {
        double realPar[20] = {0, 2.0, 30.0, 1.4};
        int intPar[20] = {0, 0, 0, 0, 2, level};
        initialize_qelta(realPar, intPar);
        end_on_stop();
        double progress = 0;
        int steps = 0;
        while (progress < 0.45 && (!quick || steps < 10)) {
            step(&progress);
            end_on_stop();
            ++steps;
        }
        get_cell_vertex(b.node_x.data(), b.node_y.data(), &b.nnode, b.cell_nodes.data(), &b.ncell,
                        b.hang_nodes.data(), &b.nhang, b.node_r.data(), b.node_p.data(), b.node_ux.data(),
                        b.node_uy.data());
        end_on_stop();

        double ropara[20] = {}, par[400] = {};
        int iopara[20] = {}, ipar[400] = {}, nelem = 0;
        default_bench(par, ipar, iopara, nelem);
        double t = 1e9;
        for (int k = 0; k < (quick ? 1 : 3); ++k) {
            ropara[19] = 10 * level + k;  // a new table for every photograph
            const auto t0 = Clock::now();
            photograph(b, ropara, iopara, par, ipar, nelem);
            t = std::min(t, since(t0));
        }
        std::printf("wedge 30 deg, Mach 2, resolution %d, t = %.3f: %d cells, %d nodes; photograph of one point"
                    " source %.3f s (best of 3), %.2f M rays/s\n",
                    level, run.time, b.ncell, b.nnode, t, b.nrays / t * 1e-6);
        ElementReals tpar;
        ElementCodes tipar;
        for (int k = 1; k <= 5; ++k)
            for (int s = 1; s <= 20; ++s) {
                tpar(s, k) = par[s - 1 + 20 * (k - 1)];
                tipar(s, k) = ipar[s - 1 + 20 * (k - 1)];
            }
        time_stages(b, tpar, tipar, quick ? 1 : 5);
    }
    close_optics();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
