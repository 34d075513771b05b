// The grid-file readers over mutated files. The first byte of an input
// chooses the file and the settings, the rest is the file:
//   bit 0  0: a case grid (neutral format), converted and read back;
//          1: a grid data file, read alone;
//   bit 1  smoothing after reading;
//   bit 2  the wedge case: the grid, made for 30 degrees, bent to 32;
//   bit 3  an axisymmetric run: the axis check after reading.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "common/log.h"
#include "common/run.h"
#include "grid/grid_files.h"
#include "harness.h"

using namespace qelta;
using namespace qelta::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    enter_work_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned flags = data[0];
    reset_library();
    open_unit(run.iolog, "record.txt");
    const bool data_file = flags & 1, wedge = flags & 4;
    run.ipar(5) = wedge ? 2 : 1;
    run.ioptgrid = (flags & 2) ? 1 : 0;
    run.iaxis = (flags & 8) ? 1 : 0;
    run.irecon = 1;
    run.wallratio = 2.0;
    run.wangle = wedge ? 32 : 0;
    run.nwangle = wedge ? 30 : 0;
    run.meshfile = "fuzz.neu";
    run.gridfile = "fuzz.dat";
    std::remove("fuzz.neu");
    std::remove("fuzz.dat");
    write_bytes(data_file ? "fuzz.dat" : "fuzz.neu", data + 1, size - 1);
    accepts([] {
        load_grid();
        if (run.iaxis == 1) check_axis();
    });
    return 0;
}
