// Fingerprints of a run's state after a step, for comparing a run continued
// from "runsave" in a fresh process with the uninterrupted run bit for bit.
#pragma once

#include <cstdint>
#include <string>

namespace qelta::testing {

struct StepPrint {
    int nstep = 0;
    int ncell = 0;
    std::uint64_t clock = 0;  // time, dt, progress
    std::uint64_t flow = 0;   // the nine state columns of every active cell
    std::uint64_t grid = 0;   // lists, counts, geometry and links of the grid

    bool operator==(const StepPrint&) const = default;
    // One line of text, and back.
    std::string line() const;
    static StepPrint parse(const std::string& line);
};

// The fingerprint of the library's present state; `progress` as step returned it.
StepPrint step_print(double progress);

// The fingerprint of the bytes of a file.
std::uint64_t file_print(const std::string& name);

}  // namespace qelta::testing
