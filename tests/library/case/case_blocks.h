// The parameter blocks that the program passes to initialize_qelta for a
// case: realPar slots 2 to 4 (Mach number, the case angle or the sphere
// diameter in mm, gamma 1.4), intPar slots 2, 3, 5 and 6 (ns, iaxis, case
// id, resolution level); every other slot 0.
#pragma once

namespace qelta::testing {

struct CaseBlocks {
    double real[20] = {};
    int ints[20] = {};

    CaseBlocks(int id, double angle, int iaxis, int level, int ns = 0, double mach = 2.0) {
        real[1] = mach;
        real[2] = angle;
        real[3] = 1.4;
        ints[1] = ns;
        ints[2] = iaxis;
        ints[4] = id;
        ints[5] = level;
    }
};

}  // namespace qelta::testing
