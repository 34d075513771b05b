// The optical bench that the program builds by default, as the element
// tables the optics entry points read: a point light at x = -1000, the
// first lens (f 500) at -500, the test section at 0 (depth 200), the
// recording lens (f 200) at 500 and the film at 900 facing the light; the
// schlieren unit adds a circular bright-field cutoff (Diameter 10) at the
// image of the light through the two lenses.
#pragma once

namespace qelta::testing {

struct BenchTables {
    double ropara[20] = {};
    int iopara[20] = {};
    double elem_par[400] = {};
    int elem_ipar[400] = {};
    int nelem = 0;

    // Slot s of element k, both counted from 1.
    double& par(int s, int k) { return elem_par[(s - 1) + 20 * (k - 1)]; }
    int& code(int k) { return elem_ipar[20 * (k - 1)]; }
    // Slot s of the blocks, counted from 1.
    int& io(int s) { return iopara[s - 1]; }
};

// The shadowgraph bench (five elements); picture place 3 (the film), grey,
// no cutoff.
BenchTables default_bench();
// The schlieren bench: the shadowgraph bench, the cutoff as element 6 at
// the image point that the bench schematic returns, and iopara slot 10 = 1.
BenchTables default_schlieren_bench();
// The image of the light-source point through the two lenses, as the
// bench schematic returns it.
void bench_image_point(BenchTables& b, double image[3]);

}  // namespace qelta::testing
