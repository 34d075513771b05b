#include "support/default_bench.h"

#include "qelta.h"

namespace qelta::testing {

namespace {

struct Element {
    int code;
    double par[8];  // the slots the program sets; the rest are 0
};

const Element bench_elements[] = {
    {1, {-1000, 0.000123, 0.000213}},      // "Light", point source
    {101, {-500, 0, 0, 500, 430}},         // "First Lense": f, Diameter
    {501, {0, 0, 0, 200, 100}},            // "Section": Depth, Diameter
    {101, {500, 0, 0, 200, 450}},          // "Recording Lense"
    {901, {900, 0, 0, -1, 0, -1, 0, 0}},   // "Film": Length -1, Normal X -1
};

}  // namespace

BenchTables default_bench() {
    BenchTables b;
    b.nelem = 0;
    for (const Element& e : bench_elements) {
        ++b.nelem;
        b.code(b.nelem) = e.code;
        for (int s = 1; s <= 8; ++s) b.par(s, b.nelem) = e.par[s - 1];
    }
    b.io(1) = 3;
    return b;
}

void bench_image_point(BenchTables& b, double image[3]) {
    double ray_x[500], ray_y[500];
    int nsets = 0;
    OPTICS_SHADOWGRAPH_A0(b.ropara, b.iopara, b.elem_par, b.elem_ipar, &b.nelem, ray_x, ray_y, &nsets, image);
}

BenchTables default_schlieren_bench() {
    BenchTables b = default_bench();
    double image[3];
    bench_image_point(b, image);
    b.nelem = 6;
    b.code(6) = 801;  // "Circular bright-field cutoff"
    for (int s = 1; s <= 3; ++s) b.par(s, 6) = image[s - 1];
    b.par(4, 6) = 10;
    b.io(10) = 1;
    return b;
}

}  // namespace qelta::testing
