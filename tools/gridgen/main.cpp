// qelta_gridgen <outdir>: writes the case grid files of the flow cases.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "case_grids.h"
#include "neu_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qelta_gridgen <outdir>\n");
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        for (const auto& g : gridgen::all_case_grids()) {
            g.mesh.check_cells(g.file);
            gridgen::write_neu(dir / g.file, g);
            std::printf("%-22s %7zu nodes %7zu cells\n", g.file.c_str(), g.mesh.nodes().size(),
                        g.mesh.cells().size());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qelta_gridgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
