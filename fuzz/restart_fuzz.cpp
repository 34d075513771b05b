// The restart reader over mutated "runsave" files: each input is the file,
// and initialize_qelta of a wedge run restores the run from it, or refuses
// it with the fatal stop.
#include <cstddef>
#include <cstdint>

#include "harness.h"
#include "qelta.h"

using namespace qelta::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    enter_work_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    write_bytes("runsave", data, size);
    reset_library();
    double realPar[20] = {0, 2.0, 30.0, 1.4};
    int intPar[20] = {0, 0, 0, 0, 2, 3};
    accepts([&] { initialize_qelta(realPar, intPar); });
    return 0;
}
