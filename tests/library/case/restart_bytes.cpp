#include "restart_bytes.h"

#include <cstring>

namespace qelta::testing {

std::uint32_t get_u4(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

void put_u4(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

int get_i4(const std::string& b, std::size_t at) { return static_cast<std::int32_t>(get_u4(b, at)); }

void put_i4(std::string& b, std::size_t at, int v) { put_u4(b, at, static_cast<std::uint32_t>(v)); }

double get_r8(const std::string& b, std::size_t at) {
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(b[at + i]);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

void put_r8(std::string& b, std::size_t at, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<char>(u >> (8 * i));
}

std::vector<Record> numbered_records(const std::string& b) {
    std::vector<Record> recs{{0, 0}};
    std::size_t at = 0;
    while (at + 8 <= b.size()) {
        const std::uint32_t n = get_u4(b, at);
        if (at + 8 + n > b.size() || get_u4(b, at + 4 + n) != n) break;
        recs.push_back({at + 4, n});
        at += 8 + n;
    }
    return recs;
}

}  // namespace qelta::testing
