// A small reader of case grid files and the topology of their cells, for
// checking the generated grids without the library.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace qelta::testing {

struct NeuGrid {
    std::vector<double> x, y;                // node n at index n - 1
    std::vector<std::array<int, 4>> cells;   // corner node numbers (1-based)
};

// Six header records, "NN NC", two records, NN nodes "id x y", two records,
// NC cells "id type count n1 n2 n3 n4"; throws with the file and line on
// anything malformed.
NeuGrid read_neu(const std::string& path);

// A cell side from node a to node b.
struct Side {
    int a = 0, b = 0;
};

struct Topology {
    std::vector<Side> boundary;        // sides of one cell, as that cell runs through them
    std::vector<Side> inner;           // sides of two cells
    std::vector<char> boundary_node;   // by node number; ends of boundary sides
    std::vector<int> cells_round;      // by node number
    std::vector<std::string> faults;   // sides of more than two cells or twice in one direction
};

Topology topology(const NeuGrid& g);

// (P_k+1 - P_k) x (P_k-1 - P_k) at corner k (0..3) of cell c (0-based):
// positive at every corner of a convex counterclockwise cell.
double corner_cross(const NeuGrid& g, std::size_t c, int k);

}  // namespace qelta::testing
