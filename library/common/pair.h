// Two doubles side by side in one SSE2 register, worked on together: the
// edge loops keep the left side of an edge in lane 0 and the right side in
// lane 1. Every operation acts on each lane as it would on a double (IEEE
// arithmetic; comparisons give lane masks for the ?: selection), so that the
// results are bit for bit those of the same formulas on doubles.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qelta {

using Pair = double __attribute__((vector_size(16)));

inline Pair both(double x) { return Pair{x, x}; }

}  // namespace qelta
