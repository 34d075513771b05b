// Sequential binary record files (the restart file, the cell-vertex
// snapshots): each record is framed by its length in bytes, a 4-byte
// little-endian integer, before and after its items; the items are
// little-endian too: i4 32-bit integers, r8 IEEE doubles, l4 32-bit
// logicals (true = -1).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/array1.h"

namespace qelta {

class RecordWriter {
public:
    // Creates the file; the fatal stop when it cannot.
    explicit RecordWriter(std::string name);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // One record of `length` bytes whose items `fill` writes.
    template <class Fill>
    void record(long length, Fill fill) {
        begin(length);
        fill();
        end();
    }
    // The same in two calls; items whose sizes do not add up to the length
    // end with the fatal stop.
    void begin(long length);
    void end();

    void int4(int v);
    void real8(double v);
    void logical4(Logical v) { int4(v.word()); }
    void text(std::string_view s);

    // Closes the file; the fatal stop when anything could not be written.
    void close();

private:
    void put(std::uint64_t v, int n);

    std::string name_;
    std::FILE* f_;
    int record_ = 0;
    long length_ = 0;
    long left_ = 0;
};

}  // namespace qelta
