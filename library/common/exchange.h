// The program's exchange arrays as the library sees them. They count their
// elements from 0 and hold the library's numbers (nodes, cells), which count
// from 1: element k belongs to number k + 1. The views index with [] from 0,
// the library's Array1/Array2 with () from 1, so the two cannot be swapped
// unnoticed; `nth` takes a library number. Index checks are compiled in when
// QELTA_CHECK_BOUNDS is defined.
#pragma once

#include "common/array1.h"

namespace qelta {

#ifdef QELTA_CHECK_BOUNDS
#define QELTA_EXCHANGE_INDEX(k, n) \
    (((k) < 0 || (k) >= (n)) ? ::qelta::index_out_of_range((k), 0, (n) - 1) : (void)0)
#else
#define QELTA_EXCHANGE_INDEX(k, n) ((void)0)
#endif

template <class T>
class ExchangeArray {
public:
    ExchangeArray(T* data, int length) : data_(data), length_(length) {}

    int length() const { return length_; }
    T& operator[](int k) const {
        QELTA_EXCHANGE_INDEX(k, length_);
        return data_[k];
    }
    // The element of the library's number n (n = 1 is element 0).
    T& nth(int n) const { return (*this)[n - 1]; }

private:
    T* data_;
    int length_;
};

// A program's table of `cols` columns of `rows` elements each, column after
// column.
template <class T>
class ExchangeColumns {
public:
    ExchangeColumns(T* data, int rows, int cols) : data_(data), rows_(rows), cols_(cols) {}

    int rows() const { return rows_; }
    // Column k, counted from 0.
    ExchangeArray<T> operator[](int k) const {
        QELTA_EXCHANGE_INDEX(k, cols_);
        return ExchangeArray<T>(data_ + static_cast<long>(k) * rows_, rows_);
    }

private:
    T* data_;
    int rows_;
    int cols_;
};

}  // namespace qelta
