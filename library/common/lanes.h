// Doubles side by side in the lanes of one register, worked on together:
// two in an SSE2 register (Pair), four in an AVX register (Quad). The edge
// loops keep the left side of an edge in lane 0 and the right side in lane
// 1, or one edge in each lane. Every operation acts on each lane as it would
// on a double (IEEE arithmetic; comparisons give lane masks for the ?:
// selection), so that the results are bit for bit those of the same
// formulas on doubles.
//
// A Quad works wherever it is compiled (without AVX the compiler takes it
// as two pairs), but only functions compiled for AVX2 (QELTA_QUAD_LANES)
// hold it in one register; they run where the processor has it
// (quad_lanes()).
#pragma once

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qelta {

using Pair = double __attribute__((vector_size(16)));
using Quad = double __attribute__((vector_size(32)));

inline Pair both(double x) { return Pair{x, x}; }

template <class V>
concept LaneVector = std::is_same_v<V, Pair> || std::is_same_v<V, Quad>;

// The lanes of T (1 for a double), their indices, and the type of n lanes.
template <class T>
constexpr int lane_count = sizeof(T) / sizeof(double);
template <class T>
constexpr auto lane_indices = std::make_integer_sequence<int, lane_count<T>>{};
template <int n>
using Lanes = std::conditional_t<n == 1, double, std::conditional_t<n == 2, Pair, Quad>>;

// Lane k.
inline double lane_of(double x, int) { return x; }
template <LaneVector V>
inline double lane_of(V x, int k) {
    return x[k];
}

// The same functions of a double and, lane by lane, of a Pair or a Quad:
// code written with them on a type T computes one edge for T = double and
// two or four for T = Pair or Quad with the same operations in each lane.
// lane_max and lane_min choose as std::max(a, b) = a < b ? b : a and
// std::min(a, b) = b < a ? b : a do (NaNs and signed zeros included);
// select(c, a, b) is c ? a : b, c a bool or a lane mask.
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
// By halves: code for any x86-64 has no four-lane square root.
inline Quad lane_sqrt(Quad x) {
    Pair low = lane_sqrt(Pair{x[0], x[1]}), high = lane_sqrt(Pair{x[2], x[3]});
    return Quad{low[0], low[1], high[0], high[1]};
}
template <LaneVector V>
inline V lane_abs(V x) {
    using Bits = decltype(x < x);  // 64-bit integer lanes
    return reinterpret_cast<V>(reinterpret_cast<Bits>(x) & (Bits{} + ~(1LL << 63)));
}
template <LaneVector V>
inline V lane_max(V a, V b) {
    return a < b ? b : a;
}
template <LaneVector V>
inline V lane_min(V a, V b) {
    return b < a ? b : a;
}
template <LaneVector V, class Mask>
inline V select(Mask c, V a, V b) {
    return c ? a : b;
}

// QELTA_QUAD_LANES before a function compiles it for AVX2 and inlines into
// it everything it calls, so that the four-lane code lives in it alone and
// no function shared with the code for any x86-64 is compiled for AVX2.
#if defined(__x86_64__)
#define QELTA_QUAD_LANES __attribute__((target("avx2"), flatten))
inline bool quad_lanes() { return __builtin_cpu_supports("avx2"); }
#else
#define QELTA_QUAD_LANES __attribute__((flatten))
inline bool quad_lanes() { return false; }
#endif

}  // namespace qelta
