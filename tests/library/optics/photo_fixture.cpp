#include "photo_fixture.h"

#include "common/log.h"
#include "qelta.h"

namespace qelta::testing {

Photo::Photo()
    : node_x(flow_capacity),
      node_y(flow_capacity),
      node_r(flow_capacity),
      node_p(flow_capacity),
      node_ux(flow_capacity),
      node_uy(flow_capacity),
      cell_nodes(4 * flow_capacity),
      hang_nodes(flow_capacity),
      ray_z(flow_capacity),
      ray_y(flow_capacity),
      cell_weight(flow_capacity),
      ray_cells(4 * flow_capacity),
      picture(picture_capacity) {}

void Photo::take(BenchTables& b) {
    OPTICS_SHADOWGRAPH_A(b.ropara, b.iopara, b.elem_par, b.elem_ipar, &b.nelem, node_x.data(), node_y.data(), &nnode,
                         cell_nodes.data(), &ncell, hang_nodes.data(), &nhang, node_r.data(), ray_z.data(),
                         ray_y.data(), &nrays, &nray_cells, ray_cells.data(), cell_weight.data(), &window[0],
                         &window[1], &window[2], &window[3], &pixel_size, &pwin[0], &pwin[1], &pwin[2], &pwin[3],
                         &npx, &npy, picture.data());
}

void Photo::take_in_library(BenchTables& b) {
    take_photograph(b.ropara, b.iopara, b.elem_par, b.elem_ipar, b.nelem, node_x.data(), node_y.data(), nnode,
                    cell_nodes.data(), ncell, hang_nodes.data(), nhang, node_r.data(), ray_z.data(), ray_y.data(),
                    nrays, nray_cells, ray_cells.data(), cell_weight.data(), window[0], window[1], window[2],
                    window[3], pixel_size, pwin[0], pwin[1], pwin[2], pwin[3], npx, npy, picture.data());
}

void Photo::box_grid(int nx, int ny, double x0, double x1, double y0, double y1, double density) {
    auto node = [&](int i, int j) { return i + (nx + 1) * j + 1; };
    nnode = (nx + 1) * (ny + 1);
    nhang = 0;
    for (int j = 0; j <= ny; ++j) {
        for (int i = 0; i <= nx; ++i) {
            const int n = node(i, j) - 1;
            node_x[n] = x0 + (x1 - x0) * i / nx;
            node_y[n] = y0 + (y1 - y0) * j / ny;
            node_r[n] = density;
        }
    }
    ncell = 0;
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            // Upper right, upper left, lower left, lower right.
            cell_nodes[ncell] = node(i + 1, j + 1);
            cell_nodes[ncell + flow_capacity] = node(i, j + 1);
            cell_nodes[ncell + 2 * flow_capacity] = node(i, j);
            cell_nodes[ncell + 3 * flow_capacity] = node(i + 1, j);
            ++ncell;
        }
    }
}

void Photo::from_run() {
    get_cell_vertex(node_x.data(), node_y.data(), &nnode, cell_nodes.data(), &ncell, hang_nodes.data(), &nhang,
                    node_r.data(), node_p.data(), node_ux.data(), node_uy.data());
}

double Photo::weight_sum() const {
    double s = 0;
    for (int c = 0; c < nray_cells; ++c) s += cell_weight[c];
    return s;
}

void copy_bench(BenchTables& b, ElementReals& par, ElementCodes& ipar) {
    for (int k = 1; k <= b.nelem; ++k)
        for (int s = 1; s <= element_slots; ++s) {
            par(s, k) = b.par(s, k);
            ipar(s, k) = b.elem_ipar[(s - 1) + element_slots * (k - 1)];
        }
}

void OpticsTest::SetUp() {
    LibraryTest::SetUp();
    initial_optics();
}

std::vector<std::string> OpticsTest::optics_lines() {
    flush_units();
    return read_lines("zoptics.txt");
}

int OpticsTest::count_records(const std::string& text) {
    int n = 0;
    for (const std::string& l : optics_lines())
        if (l.compare(0, text.size() + 1, " " + text) == 0) ++n;
    return n;
}

}  // namespace qelta::testing
