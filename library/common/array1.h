// Fixed-capacity arrays numbered from 1, the way the solver's algorithms
// number cells, edges and columns. Two-dimensional arrays are stored column
// by column: column k of an N-row array starts N elements after column k-1.
// Index checks are compiled in when QELTA_CHECK_BOUNDS is defined.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace qelta {

#ifdef QELTA_CHECK_BOUNDS
[[noreturn]] inline void index_out_of_range(long i, long lo, long hi) {
    std::fprintf(stderr, "qelta: index %ld outside %ld..%ld\n", i, lo, hi);
    std::abort();
}
#define QELTA_INDEX(i, hi) \
    (((i) < 1 || (i) > (hi)) ? ::qelta::index_out_of_range((i), 1, (hi)) : (void)0)
#else
#define QELTA_INDEX(i, hi) ((void)0)
#endif

// A logical word as the library stores it: 32 bits, true written as -1 and
// tested on the lowest bit.
class Logical {
public:
    constexpr Logical() = default;
    constexpr Logical(bool b) : word_(b ? -1 : 0) {}
    constexpr operator bool() const { return (word_ & 1) != 0; }
    constexpr std::int32_t word() const { return word_; }
    static constexpr Logical from_word(std::int32_t w) {
        Logical l;
        l.word_ = w;
        return l;
    }

private:
    std::int32_t word_ = 0;
};

template <class T, int N>
class Array1 {
public:
    static constexpr int size = N;

    constexpr T& operator()(int i) {
        QELTA_INDEX(i, N);
        return v_[i - 1];
    }
    constexpr const T& operator()(int i) const {
        QELTA_INDEX(i, N);
        return v_[i - 1];
    }
    void fill(const T& x) {
        for (T& e : v_) e = x;
    }
    T* data() { return v_; }
    const T* data() const { return v_; }

    T v_[N];  // public only so that the type stays an aggregate (zero in static storage)
};

template <class T, int N, int M>
class Array2 {
public:
    static constexpr int rows = N;
    static constexpr int cols = M;

    constexpr T& operator()(int i, int k) {
        QELTA_INDEX(i, N);
        QELTA_INDEX(k, M);
        return v_[static_cast<long>(k - 1) * N + (i - 1)];
    }
    constexpr const T& operator()(int i, int k) const {
        QELTA_INDEX(i, N);
        QELTA_INDEX(k, M);
        return v_[static_cast<long>(k - 1) * N + (i - 1)];
    }
    void fill(const T& x) {
        for (T& e : v_) e = x;
    }
    T* data() { return v_; }
    const T* data() const { return v_; }

    T v_[static_cast<long>(N) * M];
};

}  // namespace qelta
