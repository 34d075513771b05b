// The restart reader over mutated "runsave" files: each input is the file,
// and initialize_qelta of a wedge run restores the run from it, or refuses
// it with the fatal stop. A run restored from a file it accepts takes a few
// steps, each of which either leaves a finite state or stops with the
// library's message.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "common/storage.h"
#include "harness.h"
#include "qelta.h"

using namespace qelta;
using namespace qelta::fuzz;

namespace {

bool finite_state() {
    for (int i = 1; i <= grid.ncell; ++i) {
        const int c = list_cel(i);
        for (double v : {r(c), p(c), ux(c), uy(c), cr(c), cp(c), cux(c), cuy(c)})
            if (!std::isfinite(v)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    enter_work_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    write_bytes("runsave", data, size);
    reset_library();
    double realPar[20] = {0, 2.0, 30.0, 1.4};
    int intPar[20] = {0, 0, 0, 0, 2, 3};
    if (!accepts([&] { initialize_qelta(realPar, intPar); })) return 0;
    if (!finite_state()) __builtin_trap();
    double progress = 0;
    for (int s = 1; s <= 3 && progress < 1; ++s) {
        if (!accepts([&] { step(&progress); })) break;
        if (!finite_state() || !std::isfinite(progress)) __builtin_trap();
    }
    return 0;
}
