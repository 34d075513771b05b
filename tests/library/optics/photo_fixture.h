// The program's side of a photograph: the flow arrays that get_cell_vertex
// fills, the ray grid and picture buffers at their full capacities, and the
// call of OPTICS_SHADOWGRAPH_A with them.
#pragma once

#include <string>
#include <vector>

#include "optics/optics.h"
#include "support/default_bench.h"
#include "support/library_fixture.h"

namespace qelta::testing {

constexpr int flow_capacity = 200000;
constexpr int picture_capacity = 3 * 4194304;

struct Photo {
    std::vector<double> node_x, node_y, node_r, node_p, node_ux, node_uy;
    std::vector<int> cell_nodes, hang_nodes;
    int nnode = 0, ncell = 0, nhang = 0;

    std::vector<double> ray_z, ray_y, cell_weight;
    std::vector<int> ray_cells;
    int nrays = 0, nray_cells = 0;
    double window[4] = {};  // z min, y min, z max, y max
    double pixel_size = 0;
    double pwin[4] = {};    // pxmin, pymin, pxmax, pymax
    int npx = 0, npy = 0;
    std::vector<double> picture;

    Photo();
    // The photograph through OPTICS_SHADOWGRAPH_A, or through the library's
    // routine behind it.
    void take(BenchTables& b);
    void take_in_library(BenchTables& b);

    // A plane grid of nx x ny cells over [x0, x1] x [y0, y1] (grid units)
    // with one density.
    void box_grid(int nx, int ny, double x0, double x1, double y0, double y1, double density);
    // The current run's grid and node values.
    void from_run();

    int nvalues() const { return (npx + 1) * (npy + 1); }
    // Grey value of picture node (i, j), counted from 1.
    double grey(int i, int j) const { return picture[(i - 1) + (j - 1) * (npx + 1)]; }
    double pic_z(int i) const { return pwin[0] + (i - 1) * (pwin[2] - pwin[0]) / npx; }
    double pic_y(int j) const { return pwin[1] + (j - 1) * (pwin[3] - pwin[1]) / npy; }
    double weight_sum() const;
};

// Columns 1..nelem of the bench's tables as the library's element tables.
void copy_bench(BenchTables& b, ElementReals& par, ElementCodes& ipar);

// Library test with the optics log open.
class OpticsTest : public LibraryTest {
protected:
    void SetUp() override;
    std::vector<std::string> optics_lines();
    // Records of the optics log that begin with the text (after the blank).
    int count_records(const std::string& text);
};

}  // namespace qelta::testing
