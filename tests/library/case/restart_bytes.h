// The restart file "runsave" as bytes: little-endian items and the records
// framed by their length markers, for tests that damage a saved file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qelta::testing {

std::uint32_t get_u4(const std::string& b, std::size_t at);
void put_u4(std::string& b, std::size_t at, std::uint32_t v);
int get_i4(const std::string& b, std::size_t at);
void put_i4(std::string& b, std::size_t at, int v);
double get_r8(const std::string& b, std::size_t at);
void put_r8(std::string& b, std::size_t at, double v);

// A record of the file: the offset of its data and its length.
struct Record {
    std::size_t at;
    std::uint32_t length;
};
// The records in file order, record n at index n (index 0 unused); stops
// at the first record whose markers do not frame it.
std::vector<Record> numbered_records(const std::string& b);

}  // namespace qelta::testing
