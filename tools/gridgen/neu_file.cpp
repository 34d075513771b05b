#include "neu_file.h"

#include <charconv>
#include <fstream>
#include <stdexcept>

namespace gridgen {

namespace {

std::string int_text(long v) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// Right-aligned in a field of width w.
std::string field(const std::string& s, std::size_t w) {
    return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}

}  // namespace

std::string exact_text(double v) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string neu_text(const CaseGrid& g) {
    const auto& nodes = g.mesh.nodes();
    const auto& cells = g.mesh.cells();
    std::string s;
    s += "QELTA case grid\n";
    s += g.title + "\n";
    s += "written by qelta_gridgen\n";
    s += g.domain + "\n";
    s += int_text(g.mesh.blocks()) + " structured blocks of quadrilateral cells, corners counterclockwise\n";
    s += field("nodes", 10) + field("cells", 10) + "\n";
    s += field(int_text(static_cast<long>(nodes.size())), 10) + field(int_text(static_cast<long>(cells.size())), 10) +
         "\n";
    s += "end of counts\n";
    s += "nodes: number, x, y\n";
    for (std::size_t k = 0; k < nodes.size(); ++k)
        s += field(int_text(static_cast<long>(k + 1)), 8) + field(exact_text(nodes[k].x), 25) +
             field(exact_text(nodes[k].y), 25) + "\n";
    s += "end of nodes\n";
    s += "cells: number, type, corner count, corners counterclockwise\n";
    for (std::size_t c = 0; c < cells.size(); ++c) {
        s += field(int_text(static_cast<long>(c + 1)), 8) + field("2", 4) + field("4", 4);
        for (int n : cells[c]) s += field(int_text(n), 9);
        s += "\n";
    }
    s += "end of cells\n";
    return s;
}

void write_neu(const std::filesystem::path& path, const CaseGrid& g) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string text = neu_text(g);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace gridgen
