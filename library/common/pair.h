// Two doubles side by side in one SSE2 register, worked on together: the
// edge loops keep the left side of an edge in lane 0 and the right side in
// lane 1, or two edges in the two lanes. Every operation acts on each lane as
// it would on a double (IEEE arithmetic; comparisons give lane masks for the
// ?: selection), so that the results are bit for bit those of the same
// formulas on doubles.
#pragma once

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qelta {

using Pair = double __attribute__((vector_size(16)));

inline Pair both(double x) { return Pair{x, x}; }

// The same functions of a double and, lane by lane, of a Pair: code written
// with them on a type T computes one edge for T = double and two for T = Pair
// with the same operations in each lane. lane_max and lane_min choose as
// std::max(a, b) = a < b ? b : a and std::min(a, b) = b < a ? b : a do (NaNs
// and signed zeros included); select(c, a, b) is c ? a : b, c a bool or a
// lane mask.
inline double lane_sqrt(double x) { return std::sqrt(x); }
inline double lane_abs(double x) { return std::fabs(x); }
inline double lane_max(double a, double b) { return std::max(a, b); }
inline double lane_min(double a, double b) { return std::min(a, b); }
inline double select(bool c, double a, double b) { return c ? a : b; }

#if defined(__SSE2__)
inline Pair lane_sqrt(Pair x) { return _mm_sqrt_pd(x); }
#else
inline Pair lane_sqrt(Pair x) { return Pair{std::sqrt(x[0]), std::sqrt(x[1])}; }
#endif
inline Pair lane_abs(Pair x) {
    using Bits = long long __attribute__((vector_size(16)));
    return reinterpret_cast<Pair>(reinterpret_cast<Bits>(x) & Bits{~(1LL << 63), ~(1LL << 63)});
}
inline Pair lane_max(Pair a, Pair b) { return a < b ? b : a; }
inline Pair lane_min(Pair a, Pair b) { return b < a ? b : a; }
template <class Mask>
inline Pair select(Mask c, Pair a, Pair b) {
    return c ? a : b;
}

}  // namespace qelta
