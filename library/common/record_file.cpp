#include "common/record_file.h"

#include <cerrno>
#include <cstring>

#include "common/log.h"

namespace qelta {

RecordWriter::RecordWriter(std::string name) : name_(std::move(name)), f_(std::fopen(name_.c_str(), "wb")) {
    if (!f_) fatal_stop({"Cannot create the file \"" + name_ + "\": " + std::strerror(errno)});
}

RecordWriter::~RecordWriter() {
    if (f_) std::fclose(f_);
}

void RecordWriter::begin(long length) {
    ++record_;
    length_ = length;
    put(static_cast<std::uint32_t>(length), 4);
    left_ = length;
}

void RecordWriter::end() {
    if (left_ != 0)
        fatal_stop({free_text("Internal error: record", record_, " of \"" + name_ + "\" does not have its length",
                              length_)});
    put(static_cast<std::uint32_t>(length_), 4);
}

void RecordWriter::int4(int v) {
    put(static_cast<std::uint32_t>(v), 4);
    left_ -= 4;
}

void RecordWriter::real8(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    put(u, 8);
    left_ -= 8;
}

void RecordWriter::text(std::string_view s) {
    for (char c : s) put(static_cast<unsigned char>(c), 1);
    left_ -= static_cast<long>(s.size());
}

void RecordWriter::close() {
    bool bad = std::ferror(f_) != 0;
    bad = std::fclose(f_) != 0 || bad;
    f_ = nullptr;
    if (bad) fatal_stop({"Cannot write the file \"" + name_ + "\""});
}

// Little-endian bytes of v.
void RecordWriter::put(std::uint64_t v, int n) {
    unsigned char b[8];
    for (int i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    std::fwrite(b, 1, n, f_);
}

}  // namespace qelta
