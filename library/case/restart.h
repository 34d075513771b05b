// The restart file "runsave": the grid, the conservative state and the run
// parameters of a run, as sequential binary records. Each record is framed
// by its length in bytes (a 4-byte little-endian integer) before and after;
// all data are little-endian: i4 32-bit integers, r8 IEEE doubles, l4 32-bit
// logicals (true = -1, tested on the lowest bit).
#pragma once

namespace qelta {

// Writes "runsave" from the current state.
void write_restart();

// Restores a run from "runsave" over the run start's reset (init_common,
// the control files read and the case's grid names set) and completes the
// set-up: the control files again, the edge lists, the geometry. The base
// grid that the run would build is read first, to compare the file's grid
// with. A missing, short or malformed record, a count or list entry outside
// the capacities, a value outside its range, a grid whose cells, edges,
// halves, children and levels do not fit together, a grid of another case
// or grid file, and data after the last record end with the fatal stop and
// a message naming the record.
void read_restart();

}  // namespace qelta
