// Points, edge end points and cell corners of the grid storage.
#pragma once

#include <cmath>

#include "common/checks.h"
#include "common/storage.h"

namespace qelta {

struct Vec2 {
    double x, y;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(double s, Vec2 a) { return {s * a.x, s * a.y}; }
inline double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
inline double norm(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }

// Grid coordinates: within a million body sizes of the origin.
constexpr Range coordinate_range{-1e6, 1e6};

// The corner (1..4) of the quadrilateral p[0..3] at which its sides do not
// turn left, or 0 when they turn left at every corner: the corners then run
// counterclockwise round a convex cell that does not cross itself (four
// left turns of less than half a turn each add up to one whole turn).
inline int corner_not_turning_left(const Vec2 (&p)[4]) {
    for (int k = 0; k < 4; ++k) {
        const Vec2 a = p[k], b = p[(k + 1) % 4], c = p[(k + 2) % 4];
        if (!(cross(b - a, c - b) > 0)) return (k + 1) % 4 + 1;
    }
    return 0;
}

inline Vec2 edge_start(int e) { return {xyedge(e, 1), xyedge(e, 2)}; }
inline Vec2 edge_end(int e) { return {xyedge(e, 3), xyedge(e, 4)}; }
inline void set_edge(int e, Vec2 s, Vec2 t) {
    xyedge(e, 1) = s.x;
    xyedge(e, 2) = s.y;
    xyedge(e, 3) = t.x;
    xyedge(e, 4) = t.y;
}

// A cell is ileft of its edges 1 and 4 and iright of its edges 2 and 3.
inline bool left_of_edge(int k) { return k == 1 || k == 4; }
// The cell on the cell's own side of edge e, its edge k, and on the far side.
inline int& own_side(int e, int k) { return left_of_edge(k) ? ileft(e) : iright(e); }
inline int& far_side(int e, int k) { return left_of_edge(k) ? iright(e) : ileft(e); }
// The edge neighbour of cell c across its edge k.
inline int neighbour(int c, int k) { return far_side(icedge(c, k), k); }

// G = sum over the cell's edges of s_k (x2 - x1)(y1 + y2), s = +1 for edges
// 2 and 3, -1 for 1 and 4: twice the plane area of cell c.
inline double twice_plane_area(int c) {
    double G = 0;
    for (int k = 1; k <= 4; ++k) {
        int e = icedge(c, k);
        double s = left_of_edge(k) ? -1 : 1;
        G += s * (xyedge(e, 3) - xyedge(e, 1)) * (xyedge(e, 2) + xyedge(e, 4));
    }
    return G;
}

// Corners of a cell from its edges: LL and LR are the ends of edge 4, UR the
// end of edge 1, UL the end of edge 3.
struct Corners {
    Vec2 ll, lr, ur, ul;
};

inline Corners cell_corners(int c) {
    return {edge_start(icedge(c, 4)), edge_end(icedge(c, 4)), edge_end(icedge(c, 1)), edge_end(icedge(c, 3))};
}

}  // namespace qelta
