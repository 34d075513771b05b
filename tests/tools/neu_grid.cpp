#include "neu_grid.h"

#include <charconv>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>

namespace qelta::testing {

namespace {

class Lines {
public:
    explicit Lines(const std::string& path) : path_(path), in_(path) {
        if (!in_) throw std::runtime_error("cannot open " + path);
    }
    std::string next() {
        std::string s;
        if (!std::getline(in_, s)) fail("unexpected end of file");
        ++line_;
        return s;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(path_ + ", line " + std::to_string(line_) + ": " + what);
    }

private:
    std::string path_;
    std::ifstream in_;
    long line_ = 0;
};

// The blank-separated items of a line.
std::vector<std::string_view> items(const std::string& s) {
    std::vector<std::string_view> v;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ' && s[j] != '\t' && s[j] != '\r') ++j;
        if (j > i) v.push_back(std::string_view(s).substr(i, j - i));
        i = j;
    }
    return v;
}

template <class T>
T number(const Lines& in, std::string_view s) {
    T v{};
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) in.fail("not a number: " + std::string(s));
    return v;
}

}  // namespace

NeuGrid read_neu(const std::string& path) {
    Lines in(path);
    for (int k = 0; k < 6; ++k) in.next();
    const std::string count_line = in.next();
    auto counts = items(count_line);
    if (counts.size() < 2) in.fail("expected the node and cell counts");
    const int nn = number<int>(in, counts[0]), nc = number<int>(in, counts[1]);
    in.next();
    in.next();
    NeuGrid g;
    for (int k = 0; k < nn; ++k) {
        const std::string line = in.next();
        auto v = items(line);
        if (v.size() < 3) in.fail("expected a node record");
        g.x.push_back(number<double>(in, v[1]));
        g.y.push_back(number<double>(in, v[2]));
    }
    in.next();
    in.next();
    for (int k = 0; k < nc; ++k) {
        const std::string line = in.next();
        auto v = items(line);
        if (v.size() < 7) in.fail("expected a cell record");
        std::array<int, 4> c{};
        for (int m = 0; m < 4; ++m) {
            c[m] = number<int>(in, v[3 + m]);
            if (c[m] < 1 || c[m] > nn) in.fail("corner outside the node list");
        }
        g.cells.push_back(c);
    }
    return g;
}

Topology topology(const NeuGrid& g) {
    const std::size_t nn = g.x.size();
    std::map<std::pair<int, int>, std::pair<int, int>> uses;  // (min, max) -> (uses a<b, uses a>b)
    Topology t;
    t.cells_round.assign(nn + 1, 0);
    t.boundary_node.assign(nn + 1, 0);
    for (const auto& c : g.cells) {
        for (int k = 0; k < 4; ++k) {
            const int a = c[k], b = c[(k + 1) % 4];
            ++t.cells_round[a];
            auto& u = uses[{std::min(a, b), std::max(a, b)}];
            ++(a < b ? u.first : u.second);
        }
    }
    for (const auto& [key, u] : uses) {
        const auto [lo, hi] = key;
        if (u.first + u.second == 1) {
            Side s = u.first == 1 ? Side{lo, hi} : Side{hi, lo};
            t.boundary.push_back(s);
            t.boundary_node[lo] = t.boundary_node[hi] = 1;
        } else if (u.first == 1 && u.second == 1) {
            t.inner.push_back({lo, hi});
        } else {
            t.faults.push_back("side " + std::to_string(lo) + "-" + std::to_string(hi) + " used " +
                               std::to_string(u.first) + " + " + std::to_string(u.second) + " times");
        }
    }
    return t;
}

double corner_cross(const NeuGrid& g, std::size_t c, int k) {
    const int p = g.cells[c][k] - 1, a = g.cells[c][(k + 1) % 4] - 1, b = g.cells[c][(k + 3) % 4] - 1;
    return (g.x[a] - g.x[p]) * (g.y[b] - g.y[p]) - (g.y[a] - g.y[p]) * (g.x[b] - g.x[p]);
}

}  // namespace qelta::testing
