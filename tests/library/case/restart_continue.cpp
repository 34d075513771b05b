// Continues a run from "runsave" in a process of its own: initialize_qelta
// with the blocks given on the command line (the working directory holds
// the control files and "runsave"), then the given number of steps, each
// step's fingerprint one line of the output file.
//
//   case_restart_continue steps output realPar(2) realPar(3) intPar(2) intPar(3) intPar(5) intPar(6)
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "qelta.h"
#include "restart_state.h"

int main(int argc, char** argv) {
    if (argc != 9) {
        std::fprintf(stderr, "usage: %s steps output mach angle ns iaxis case level\n", argv[0]);
        return 2;
    }
    const int steps = std::atoi(argv[1]);
    double realPar[20] = {0, std::atof(argv[3]), std::atof(argv[4]), 1.4};
    int intPar[20] = {0, std::atoi(argv[5]), std::atoi(argv[6]), 0, std::atoi(argv[7]), std::atoi(argv[8])};
    initialize_qelta(realPar, intPar);
    std::ofstream out(argv[2]);
    for (int s = 1; s <= steps; ++s) {
        double progress = 0;
        step(&progress);
        out << qelta::testing::step_print(progress).line() << '\n';
    }
    close_recording_file();
    return out ? 0 : 1;
}
