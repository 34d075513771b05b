// Accepted values of the library's inputs and the text that refuses one.
// The readers and the set-up compare each value that enters the run with
// its range and end with the fatal stop where it lies outside; NaN and the
// infinities lie outside every range.
#pragma once

#include <limits>
#include <string>
#include <string_view>

namespace qelta {

constexpr double unbounded = std::numeric_limits<double>::infinity();

// An interval of reals; an open end excludes its value, an infinite end
// leaves that side unbounded (by finite numbers).
struct Range {
    double lo, hi;
    bool lo_open = false, hi_open = false;

    bool holds(double v) const;
};

constexpr Range any_finite{-unbounded, unbounded};
constexpr Range not_negative{0, unbounded};
constexpr Range positive{0, unbounded, true};

// "the CFL number is 5; it must be a finite number in (0, 1]"
std::string outside(std::string_view what, double v, const Range& r);
// "the axis flag is 2; it must be an integer in 0 .. 1"
std::string outside(std::string_view what, long v, long lo, long hi);

// The fatal stop of the set-up for a value outside its range: "Error: "
// and the text, then "Stop in " and the routine.
[[noreturn]] void refuse(std::string_view text, std::string_view routine);
// The fatal stop of a call refused as a whole, on the given unit: the text
// as it stands, then "Stop in " and the routine.
[[noreturn]] void refuse_call(std::string_view text, std::string_view routine, int unit);
// The fatal stop for a record of an input file that the run cannot take:
// "Error reading "<file>", record <n> (<where>): <detail>", where names the
// item or the line.
[[noreturn]] void refuse_record(std::string_view file, long record, std::string_view where,
                                std::string_view detail);
// Refuses a real or an integer that lies outside its range.
void require(std::string_view what, double v, const Range& r, std::string_view routine);
void require(std::string_view what, long v, long lo, long hi, std::string_view routine);

// Shortest text of a real that reads back to it ("0.8", "1e+300", "nan").
std::string number_text(double v);

}  // namespace qelta
