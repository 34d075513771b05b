// The library's numbered text units (the run log "record.txt" on unit 6, the
// optics log "zoptics.txt" on unit 7, and the files the diagnostic writers
// open), the records written to them, and the fatal stop.
#pragma once

#include <initializer_list>
#include <stdexcept>
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

// A fatal stop inside an entry-point call: its records, joined by '\n'.
class Stop : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Marks an entry-point call for its lifetime (calls may nest): a fatal stop
// inside one throws Stop, for the entry point to catch.
class EntryCall {
public:
    EntryCall();
    ~EntryCall();
    EntryCall(const EntryCall&) = delete;
    EntryCall& operator=(const EntryCall&) = delete;
};

// The fatal stop: the records go to the unit (free-format) and to stderr,
// and every open unit is flushed. Inside an entry-point call it then throws
// Stop; outside one (internal routines called directly) the process ends
// with exit status 1. The fuzz build (QELTA_FUZZ) always throws Stop, for
// the harness to catch, and leaves stderr alone.
[[noreturn]] void fatal_stop(std::initializer_list<std::string_view> records, int unit);
// The same on the run log.
[[noreturn]] void fatal_stop(std::initializer_list<std::string_view> records);
// The records of a stop written as fatal_stop writes them, without the stop.
void write_stop_records(std::initializer_list<std::string_view> records, int unit);

}  // namespace qelta
