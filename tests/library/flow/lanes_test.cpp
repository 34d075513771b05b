// Two edges in the lanes of a Pair, or four in those of a Quad, give in each
// lane the bits that one edge gives on doubles: the flux, the indicator and
// the face predictor, on states chosen where a lane-wise choice could go
// another way (ties, signed zeros, the sign of the convective speed
// differing between the lanes, the floors). A Quad works on any x86-64
// (without AVX the compiler takes it as two pairs), so every processor runs
// these checks.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/lanes.h"
#include "common/run.h"
#include "flow/flux_aufs.h"
#include "flow/sweep.h"
#include "grid/gradients.h"

using namespace qelta;

namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Equal bit for bit (NaNs of one pattern included).
#define EXPECT_SAME(a, b) EXPECT_EQ(bits(a), bits(b)) << #a << " = " << (a) << ", " << #b << " = " << (b)

// Lane k from f(k).
template <class V, class F>
V lanes(F f) {
    V v{};
    for (int k = 0; k < lane_count<V>; ++k) v[k] = f(k);
    return v;
}

struct Edge {
    FaceState left, right;
    double nx, ny;
};

template <class V>
FaceStateOf<V> lanes(const Edge* const* e, FaceState Edge::*side) {
    return {lanes<V>([&](int k) { return (e[k]->*side).rho; }), lanes<V>([&](int k) { return (e[k]->*side).u; }),
            lanes<V>([&](int k) { return (e[k]->*side).v; }), lanes<V>([&](int k) { return (e[k]->*side).p; })};
}

// Edge e[k] in lane k.
template <class V>
void expect_aufs_lanes(const Edge* const* e, double gamma) {
    fluxes::FrameOf<V> frame(lanes<V>([&](int k) { return e[k]->nx; }), lanes<V>([&](int k) { return e[k]->ny; }));
    FluxOf<V> all = fluxes::aufs(lanes<V>(e, &Edge::left), lanes<V>(e, &Edge::right), gamma, frame);
    for (int k = 0; k < lane_count<V>; ++k) {
        Flux one = fluxes::aufs(e[k]->left, e[k]->right, gamma, e[k]->nx, e[k]->ny);
        SCOPED_TRACE(k);
        EXPECT_SAME(all.mass[k], one.mass);
        EXPECT_SAME(all.energy[k], one.energy);
        EXPECT_SAME(all.xmom[k], one.xmom);
        EXPECT_SAME(all.ymom[k], one.ymom);
    }
}

// Edges where the choices of AUFS sit on their edges.
std::vector<Edge> special_edges() {
    return {
        {{1, 0.5, 0, 1}, {1, -0.5, 0, 1}, 1, 0},             // s1 = 0 exactly: right upwind
        {{1, 0.5, 0, 1}, {1, -0.25, 0, 1}, 1, 0},            // s1 > 0
        {{1, -0.5, 0, 1}, {1, 0.25, 0, 1}, 1, 0},            // s1 < 0
        {{1, 0, 0, 1}, {1, -0.0, -0.0, 1}, 0, 2},            // at rest, signed zeros
        {{1, -0.0, 0, 1}, {1, 0.0, 0, 1}, -0.0, 1},          // a normal with -0
        {{1, 2, 0, 1e-12}, {1e-9, 2, 0, 1e-12}, 1, 1},       // p/rho under the floor
        {{8, 3, -1, 116.5}, {1, 0, 0, 1}, 0.3, -0.7},        // a strong shock
        {{1, 1, 1, 1}, {1, 1, 1, 1}, 1, 1},                  // one state: ties in max and min
        {{0.125, -3, 0, 0.1}, {1, 3, 0, 1}, 0.01, 0},        // a short edge, colliding flows
    };
}

// The checks below run on both lane types.
template <class V>
struct Lanes : ::testing::Test {};
using LaneTypes = ::testing::Types<Pair, Quad>;
TYPED_TEST_SUITE(Lanes, LaneTypes);

TYPED_TEST(Lanes, AufsOfTheEdgesIsThatOfEachEdge) {
    using V = TypeParam;
    std::vector<Edge> edges = special_edges();
    std::mt19937_64 gen(19);
    std::uniform_real_distribution<double> pos(1e-3, 10), vel(-5, 5), nrm(-2, 2);
    for (int i = 0; i < 400; ++i)
        edges.push_back({{pos(gen), vel(gen), vel(gen), pos(gen)}, {pos(gen), vel(gen), vel(gen), pos(gen)}, nrm(gen),
                         nrm(gen)});
    const size_t n = edges.size();
    for (double gamma : {1.001, 1.4, 5.0 / 3.0, 3.0})
        for (size_t i = 0; i < n; ++i)
            // Lane k takes edge i + k step: one edge in every lane, neighbours, edges far apart.
            for (size_t step : {0, 1, 7}) {
                const Edge* e[lane_count<V>];
                for (int k = 0; k < lane_count<V>; ++k) e[k] = &edges[(i + k * step) % n];
                SCOPED_TRACE(testing::Message() << "gamma " << gamma << ", edge " << i << ", step " << step);
                expect_aufs_lanes<V>(e, gamma);
            }
}

TYPED_TEST(Lanes, ChoicesAreThoseOfStdMaxAndMin) {
    using V = TypeParam;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, 1.0, -1.0, nan, std::numeric_limits<double>::infinity()};
    for (double a : values)
        for (double b : values) {
            SCOPED_TRACE(testing::Message() << a << ", " << b);
            // a and b alternate along the lanes, in x and y the other way round.
            V x = lanes<V>([&](int k) { return k % 2 ? b : a; }), y = lanes<V>([&](int k) { return k % 2 ? a : b; });
            V max = lane_max(x, y), min = lane_min(x, y), abs = lane_abs(x), sqrt = lane_sqrt(x);
            V chosen = select(x < y, x, y), limited = minmod(x, y);
            for (int k = 0; k < lane_count<V>; ++k) {
                SCOPED_TRACE(k);
                EXPECT_SAME(max[k], std::max(x[k], y[k]));
                EXPECT_SAME(min[k], std::min(x[k], y[k]));
                EXPECT_SAME(abs[k], std::fabs(x[k]));
                EXPECT_SAME(sqrt[k], std::sqrt(x[k]));
                EXPECT_SAME(chosen[k], x[k] < y[k] ? x[k] : y[k]);
                EXPECT_SAME(limited[k], x[k] > 0 ? std::max(0.0, std::min(x[k], y[k]))
                                                 : std::min(0.0, std::max(x[k], y[k])));
            }
        }
}

TYPED_TEST(Lanes, IndicatorAndPredictorOfTheEdgesAreThoseOfEachEdge) {
    using V = TypeParam;
    constexpr int n = lane_count<V>;
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> pos(0.1, 4), any(-3, 3);
    for (double eps : {0.0, 0.2}) {
        run.eps_filter = eps;
        run.tiny = 1e-30;
        for (int i = 0; i < 200; ++i) {
            // In every fourth case a flat region: every lane with lane 0's
            // density on both sides, the left gradient zero (of either sign).
            double r[n][2], g[n][4], t[n][2], d[n], ref[n];
            for (int k = 0; k < n; ++k) {
                bool flat = i % 4 == 0;
                r[k][0] = flat && k > 0 ? r[0][0] : pos(gen);
                r[k][1] = flat ? r[k][0] : pos(gen);
                for (int m = 0; m < 4; ++m) g[k][m] = flat && m < 2 ? 0.0 : any(gen);
                if (k % 2) g[k][1] = -g[k - 1][1];
                t[k][0] = any(gen), t[k][1] = any(gen), d[k] = pos(gen), ref[k] = r[k][k % 2];
            }
            auto lane = [](const auto& a) { return lanes<V>([&](int k) { return a(k); }); };
            V all = sweep::indicator_value(lane([&](int k) { return r[k][0]; }), lane([&](int k) { return r[k][1]; }),
                                           lane([&](int k) { return g[k][0]; }), lane([&](int k) { return g[k][1]; }),
                                           lane([&](int k) { return g[k][2]; }), lane([&](int k) { return g[k][3]; }),
                                           lane([&](int k) { return t[k][0]; }), lane([&](int k) { return t[k][1]; }),
                                           lane([&](int k) { return d[k]; }), lane([&](int k) { return ref[k]; }));
            for (int k = 0; k < n; ++k)
                EXPECT_SAME(all[k], sweep::indicator_value(r[k][0], r[k][1], g[k][0], g[k][1], g[k][2], g[k][3],
                                                           t[k][0], t[k][1], d[k], ref[k]));
        }
    }
    using sweep::Grad;
    using sweep::Prim;
    for (int i = 0; i < 200; ++i) {
        Prim q[n], slope[n];
        Grad g[n];
        double t[n][2], o[n][2], radius[n];
        for (int k = 0; k < n; ++k) {
            q[k] = {pos(gen), pos(gen), any(gen), any(gen)};
            // Slopes of either sign and zero, against gradients along them.
            slope[k] = {i % 3 == 0 ? 0.0 : any(gen), any(gen), any(gen), -0.0};
            g[k] = {any(gen), any(gen), any(gen), any(gen), any(gen), any(gen), any(gen), any(gen)};
            t[k][0] = any(gen), t[k][1] = any(gen), o[k][0] = any(gen), o[k][1] = any(gen);
            radius[k] = (i + k) % 2 ? 0.0 : pos(gen);
        }
        auto lane = [](const auto& a) { return lanes<V>([&](int k) { return a(k); }); };
        auto prims = [&](const Prim* p) {
            return sweep::PrimOf<V>{lane([&](int k) { return p[k].r; }), lane([&](int k) { return p[k].p; }),
                                    lane([&](int k) { return p[k].u; }), lane([&](int k) { return p[k].v; })};
        };
        sweep::GradOf<V> grads{lane([&](int k) { return g[k].rx; }), lane([&](int k) { return g[k].ry; }),
                               lane([&](int k) { return g[k].px; }), lane([&](int k) { return g[k].py; }),
                               lane([&](int k) { return g[k].ux; }), lane([&](int k) { return g[k].uy; }),
                               lane([&](int k) { return g[k].vx; }), lane([&](int k) { return g[k].vy; })};
        sweep::PrimOf<V> all = sweep::predicted_face(
            prims(q), grads, lane([&](int k) { return t[k][0]; }), lane([&](int k) { return t[k][1]; }), prims(slope),
            0.01, lane([&](int k) { return radius[k]; }), V{} + 1.4, lane([&](int k) { return o[k][0]; }),
            lane([&](int k) { return o[k][1]; }));
        for (int k = 0; k < n; ++k) {
            Prim one = sweep::predicted_face(q[k], g[k], t[k][0], t[k][1], slope[k], 0.01, radius[k], 1.4, o[k][0],
                                             o[k][1]);
            Prim lane = sweep::lane(all, k);
            SCOPED_TRACE(k);
            EXPECT_SAME(lane.r, one.r);
            EXPECT_SAME(lane.p, one.p);
            EXPECT_SAME(lane.u, one.u);
            EXPECT_SAME(lane.v, one.v);
        }
    }
}

}  // namespace
