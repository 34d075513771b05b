// Points, edge end points and cell corners of the grid storage.
#pragma once

#include <cmath>

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

inline Vec2 edge_start(int e) { return {xyedge(e, 1), xyedge(e, 2)}; }
inline Vec2 edge_end(int e) { return {xyedge(e, 3), xyedge(e, 4)}; }
inline void set_edge(int e, Vec2 s, Vec2 t) {
    xyedge(e, 1) = s.x;
    xyedge(e, 2) = s.y;
    xyedge(e, 3) = t.x;
    xyedge(e, 4) = t.y;
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
