// Quadrilateral meshes assembled from structured blocks. Blocks that share a
// seam give it the same coordinates, so their nodes merge exactly.
#pragma once

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gridgen {

struct Point {
    double x = 0;
    double y = 0;
};

using Curve = std::vector<Point>;

// Points (i, j), i = 0..ni, j = 0..nj, of one block; the block's cells are
// (i, j), (i+1, j), (i+1, j+1), (i, j+1), counterclockwise when i runs
// along the block and j to its left.
class PointGrid {
public:
    PointGrid(int ni, int nj) : ni_(ni), nj_(nj), p_(static_cast<std::size_t>((ni + 1) * (nj + 1))) {}
    int ni() const { return ni_; }
    int nj() const { return nj_; }
    Point& at(int i, int j) { return p_[static_cast<std::size_t>(j * (ni_ + 1) + i)]; }
    const Point& at(int i, int j) const { return p_[static_cast<std::size_t>(j * (ni_ + 1) + i)]; }

private:
    int ni_, nj_;
    std::vector<Point> p_;
};

class Mesh {
public:
    // The node at exactly p, created when there is none yet (1-based).
    int node(Point p);
    void add_cell(int n1, int n2, int n3, int n4);
    void add_block(const PointGrid& g);
    // Throws when a cell is not a convex counterclockwise quadrilateral.
    void check_cells(const std::string& name) const;

    const std::vector<Point>& nodes() const { return nodes_; }
    const std::vector<std::array<int, 4>>& cells() const { return cells_; }
    int blocks() const { return blocks_; }

private:
    std::vector<Point> nodes_;
    std::vector<std::array<int, 4>> cells_;
    std::map<std::pair<double, double>, int> index_;
    int blocks_ = 0;
};

// Block between the curves bottom (i), top (i), left (j) and right (j) by
// transfinite interpolation; the boundary points are the curves' own.
PointGrid transfinite(const Curve& bottom, const Curve& top, const Curve& left, const Curve& right);

// Block of straight connectors from inner(i) to outer(i):
// P(i, j) = (1 - s_j) inner(i) + s_j outer(i), s_0 = 0, s_nj = 1.
PointGrid ruled(const Curve& inner, const Curve& outer, const std::vector<double>& s);

// Block of the tensor grid x(i) x y(j).
PointGrid tensor(const std::vector<double>& x, const std::vector<double>& y);

}  // namespace gridgen
