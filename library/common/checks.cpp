#include "common/checks.h"

#include <charconv>
#include <cmath>

#include "common/log.h"

namespace qelta {

bool Range::holds(double v) const {
    if (!std::isfinite(v)) return false;
    return (lo_open ? v > lo : v >= lo) && (hi_open ? v < hi : v <= hi);
}

std::string number_text(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

namespace {

std::string range_text(const Range& r) {
    const bool low = std::isfinite(r.lo), high = std::isfinite(r.hi);
    if (low && high)
        return std::string("a finite number in ") + (r.lo_open ? "(" : "[") + number_text(r.lo) + ", " +
               number_text(r.hi) + (r.hi_open ? ")" : "]");
    if (low) return std::string("a finite number ") + (r.lo_open ? "above " : "of at least ") + number_text(r.lo);
    if (high) return std::string("a finite number ") + (r.hi_open ? "below " : "of at most ") + number_text(r.hi);
    return "a finite number";
}

}  // namespace

std::string outside(std::string_view what, double v, const Range& r) {
    return std::string(what) + " is " + number_text(v) + "; it must be " + range_text(r);
}

std::string outside(std::string_view what, long v, long lo, long hi) {
    return std::string(what) + " is " + std::to_string(v) + "; it must be an integer in " + std::to_string(lo) +
           " .. " + std::to_string(hi);
}

void refuse_call(std::string_view text, std::string_view routine, int unit) {
    fatal_stop({text, "Stop in " + std::string(routine)}, unit);
}

void refuse(std::string_view text, std::string_view routine) {
    refuse_call("Error: " + std::string(text), routine, run.iolog);
}

void refuse_record(std::string_view file, long record, std::string_view where, std::string_view detail) {
    fatal_stop({"Error reading \"" + std::string(file) + "\", record " + std::to_string(record) + " (" +
                std::string(where) + "): " + std::string(detail)});
}

void require(std::string_view what, double v, const Range& r, std::string_view routine) {
    if (!r.holds(v)) refuse(outside(what, v, r), routine);
}

void require(std::string_view what, long v, long lo, long hi, std::string_view routine) {
    if (v < lo || v > hi) refuse(outside(what, v, lo, hi), routine);
}

}  // namespace qelta
