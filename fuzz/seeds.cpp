// Writes the seed files of the fuzz targets:
//   fuzz_seeds <restart corpus directory> <grid corpus directory>
// restart: "runsave" of short wedge runs, with and without father cells and
// mother edges; grid: small case grids and the grid data file converted
// from one, each behind its selector byte (see grid_fuzz.cpp).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "case/restart.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/grid_files.h"
#include "harness.h"
#include "qelta.h"

namespace fs = std::filesystem;
using namespace qelta;
using namespace qelta::fuzz;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

// A wedge run of `level`, four steps, saved.
std::string saved_wedge_run(int level) {
    reset_library();
    double realPar[20] = {0, 2.0, 30.0, 1.4};
    int intPar[20] = {0, 0, 0, 0, 2, level};
    initialize_qelta(realPar, intPar);
    double progress;
    for (int s = 1; s <= 4; ++s) step(&progress);
    write_restart();
    std::string bytes = slurp("runsave");
    fs::remove("runsave");
    return bytes;
}

// An nx by ny block of unit squares in the neutral format, corners
// counterclockwise.
std::string block_neu(int nx, int ny) {
    std::ostringstream s;
    s << "QELTA case grid\nfuzz seed\nblock\n-\n-\n nodes cells\n" << (nx + 1) * (ny + 1) << ' ' << nx * ny
      << "\nend of counts\nnodes\n";
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) s << j * (nx + 1) + i + 1 << ' ' << i << ' ' << j << '\n';
    s << "end of nodes\ncells\n";
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int ll = j * (nx + 1) + i + 1;
            s << j * nx + i + 1 << " 2 4 " << ll << ' ' << ll + 1 << ' ' << ll + nx + 2 << ' ' << ll + nx + 1 << '\n';
        }
    s << "end of cells\n";
    return s.str();
}

// The grid data file that the converter makes of a case grid.
std::string converted(const std::string& neu) {
    reset_library();
    open_unit(run.iolog, "record.txt");
    run.ipar(5) = 1;
    run.irecon = 1;
    run.wallratio = 2.0;
    run.meshfile = "seed.neu";
    run.gridfile = "seed.dat";
    put("seed.neu", neu);
    load_grid();
    return slurp("seed.dat");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s restart-corpus grid-corpus\n", argv[0]);
        return 2;
    }
    const fs::path restart = fs::absolute(argv[1]), grids = fs::absolute(argv[2]);
    fs::create_directories(restart);
    fs::create_directories(grids);
    const fs::path data = QELTA_DATA_DIR;
    enter_work_dir();
    put(restart / "wedge-adapted", saved_wedge_run(2));
    put(restart / "wedge-uniform", saved_wedge_run(1));
    const std::string small = block_neu(3, 2);
    put(grids / "block", '\0' + small);
    put(grids / "block-smoothed-axisymmetric", '\x0a' + small);
    put(grids / "block-data-file", '\x01' + converted(small));
    put(grids / "explosion-box", '\0' + slurp(data / "grid/model5.neu"));
    put(grids / "wedge", '\x04' + slurp(data / "grid/wedge/wedge30.neu"));
    return 0;
}
