// What the fuzz targets share: a working directory with copies of the
// control files, the reset of the library's state before every input, and
// the call that takes the fatal stop back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qelta::fuzz {

// A fresh temporary working directory holding "control.dat",
// "controladv.dat" and the case grids, made the current one; removed when
// the process exits normally.
void enter_work_dir();

// The state of a freshly loaded library: every unit closed, the run
// parameters, reference units, gas and grid counts zero, and the grid
// storage reset as at the start of a run.
void reset_library();

// Runs the call; a fatal stop (an exception in this build, which an entry
// point takes back and keeps the message of) is an input the library
// refused. Returns whether the call came back without one.
bool accepts(const std::function<void()>& call);

void write_bytes(const std::string& name, const std::uint8_t* data, std::size_t size);

}  // namespace qelta::fuzz
