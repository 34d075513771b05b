// Text of the library's log records: the fixed-format edit descriptors
// (Iw, Fw.d, Ew.d, Lw) and the items of free-format records. Numbers are
// always written in the C locale.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

#include "common/array1.h"
#include "common/fixed_text.h"

namespace qelta {

// Iw: right-justified integer; w asterisks when it does not fit.
std::string fmt_i(long v, int w);
// Fw.d: fixed point with d decimals; w asterisks when it does not fit.
std::string fmt_f(double v, int w, int d);
// Ew.d: 0.ddd mantissa and a two-digit exponent (E+01); exponents beyond
// 99 in magnitude drop the letter (0.12+100), as Fortran writes them.
std::string fmt_e(double v, int w, int d);
// Lw: T or F right-justified.
std::string fmt_l(bool v, int w);

// Items of a free-format record: texts as they stand, integers right-aligned
// in 12 columns, reals as the shortest text that reads back to the same
// double, right-aligned in 25 columns, logicals as " T" or " F".
void free_item(std::string& out, std::string_view s);
void free_item(std::string& out, long v);
void free_item(std::string& out, double v);
void free_item(std::string& out, Logical v);
inline void free_item(std::string& out, const char* s) { free_item(out, std::string_view(s)); }
inline void free_item(std::string& out, const std::string& s) { free_item(out, std::string_view(s)); }
inline void free_item(std::string& out, int v) { free_item(out, static_cast<long>(v)); }
inline void free_item(std::string& out, bool v) { free_item(out, Logical(v)); }
template <int N>
void free_item(std::string& out, const FixedText<N>& t) {
    free_item(out, t.padded());
}

// The items of one free-format record, without the record's leading blank.
template <class... Items>
std::string free_text(const Items&... items) {
    std::string out;
    (free_item(out, items), ...);
    return out;
}

}  // namespace qelta
