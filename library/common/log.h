// The library's numbered text units (the run log "record.txt" on unit 6, the
// optics log "zoptics.txt" on unit 7, and the files the diagnostic writers
// open), the records written to them, and the fatal stop.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "common/format.h"
#include "common/run.h"

namespace qelta {

constexpr int max_unit = 99;

// Connects a unit to a file, created afresh. A unit that is already open on
// the same file stays open where it is, so later runs of a process append to
// the log of the first.
void open_unit(int unit, std::string_view name);
void close_unit(int unit);
bool unit_is_open(int unit);
// One record (line) on a unit; a unit that is not open writes to stderr.
void write_record(int unit, std::string_view text);
void flush_units();

// One free-format record: a blank, then the items.
template <class... Items>
void write_free(int unit, const Items&... items) {
    std::string record(1, ' ');
    (free_item(record, items), ...);
    write_record(unit, record);
}

// One free-format record on the run log.
template <class... Items>
void write_log(const Items&... items) {
    write_free(run.iolog, items...);
}

// One fixed-format record on the run log, written as it stands.
inline void log_fixed(std::string_view text) { write_record(run.iolog, text); }

// The fatal stop: the records go to the unit (free-format) and to stderr,
// every open unit is flushed, and the process ends with exit status 1. In
// the fuzz build (QELTA_FUZZ) it throws std::runtime_error with the first
// record instead, for the harness to catch, and leaves stderr alone.
[[noreturn]] void fatal_stop(std::initializer_list<std::string_view> records, int unit);
// The same on the run log.
[[noreturn]] void fatal_stop(std::initializer_list<std::string_view> records);

}  // namespace qelta
