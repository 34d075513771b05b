// Two edges in the lanes of a Pair give, in each lane, the bits that one
// edge gives on doubles: the flux, the indicator and the face predictor, on
// states chosen where a lane-wise choice could go another way (ties, signed
// zeros, the sign of the convective speed differing between the lanes, the
// floors).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/pair.h"
#include "common/run.h"
#include "flow/flux_aufs.h"
#include "flow/sweep.h"

using namespace qelta;

namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Equal bit for bit (NaNs of one pattern included).
#define EXPECT_SAME(a, b) EXPECT_EQ(bits(a), bits(b)) << #a << " = " << (a) << ", " << #b << " = " << (b)

struct Edge {
    FaceState left, right;
    double nx, ny;
};

Pair lanes(double a, double b) { return Pair{a, b}; }
FaceStateOf<Pair> lanes(const FaceState& a, const FaceState& b) {
    return {lanes(a.rho, b.rho), lanes(a.u, b.u), lanes(a.v, b.v), lanes(a.p, b.p)};
}

void expect_aufs_lanes(const Edge& a, const Edge& b, double gamma) {
    fluxes::FrameOf<Pair> frame(lanes(a.nx, b.nx), lanes(a.ny, b.ny));
    FluxOf<Pair> two = fluxes::aufs(lanes(a.left, b.left), lanes(a.right, b.right), gamma, frame);
    const Edge* e[] = {&a, &b};
    for (int k = 0; k < 2; ++k) {
        Flux one = fluxes::aufs(e[k]->left, e[k]->right, gamma, e[k]->nx, e[k]->ny);
        SCOPED_TRACE(k);
        EXPECT_SAME(two.mass[k], one.mass);
        EXPECT_SAME(two.energy[k], one.energy);
        EXPECT_SAME(two.xmom[k], one.xmom);
        EXPECT_SAME(two.ymom[k], one.ymom);
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

TEST(Lanes, AufsOfTwoEdgesIsThatOfEachEdge) {
    std::vector<Edge> edges = special_edges();
    std::mt19937_64 gen(19);
    std::uniform_real_distribution<double> pos(1e-3, 10), vel(-5, 5), nrm(-2, 2);
    for (int i = 0; i < 400; ++i)
        edges.push_back({{pos(gen), vel(gen), vel(gen), pos(gen)}, {pos(gen), vel(gen), vel(gen), pos(gen)}, nrm(gen),
                         nrm(gen)});
    for (double gamma : {1.001, 1.4, 5.0 / 3.0, 3.0})
        for (size_t i = 0; i < edges.size(); ++i)
            for (size_t j : {i, (i + 1) % edges.size(), (i + 7) % edges.size()}) {
                SCOPED_TRACE(testing::Message() << "gamma " << gamma << ", edges " << i << " and " << j);
                expect_aufs_lanes(edges[i], edges[j], gamma);
            }
}

TEST(Lanes, ChoicesAreThoseOfStdMaxAndMin) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, 1.0, -1.0, nan, std::numeric_limits<double>::infinity()};
    for (double a : values)
        for (double b : values) {
            SCOPED_TRACE(testing::Message() << a << ", " << b);
            EXPECT_SAME(lane_max(Pair{a, b}, Pair{b, a})[0], std::max(a, b));
            EXPECT_SAME(lane_max(Pair{a, b}, Pair{b, a})[1], std::max(b, a));
            EXPECT_SAME(lane_min(Pair{a, b}, Pair{b, a})[0], std::min(a, b));
            EXPECT_SAME(lane_min(Pair{a, b}, Pair{b, a})[1], std::min(b, a));
            EXPECT_SAME(lane_abs(Pair{a, b})[0], std::fabs(a));
            EXPECT_SAME(lane_sqrt(Pair{a, b})[1], std::sqrt(b));
        }
}

TEST(Lanes, IndicatorAndPredictorOfTwoEdgesAreThoseOfEachEdge) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> pos(0.1, 4), any(-3, 3);
    for (double eps : {0.0, 0.2}) {
        run.eps_filter = eps;
        run.tiny = 1e-30;
        for (int i = 0; i < 200; ++i) {
            // Lane b repeats lane a's density in every fourth case: a flat region.
            double ra = pos(gen), rb = i % 4 == 0 ? ra : pos(gen), r2 = i % 4 == 0 ? ra : pos(gen);
            double gxa = i % 4 == 0 ? 0.0 : any(gen), gya = any(gen), gx2 = any(gen), gy2 = any(gen);
            double tx = any(gen), ty = any(gen), d = pos(gen);
            Pair two = sweep::indicator_value(Pair{ra, rb}, Pair{r2, r2}, Pair{gxa, gxa}, Pair{gya, -gya}, Pair{gx2, gx2},
                                       Pair{gy2, gy2}, Pair{tx, ty}, Pair{ty, tx}, Pair{d, d}, Pair{r2, ra});
            EXPECT_SAME(two[0], sweep::indicator_value(ra, r2, gxa, gya, gx2, gy2, tx, ty, d, r2));
            EXPECT_SAME(two[1], sweep::indicator_value(rb, r2, gxa, -gya, gx2, gy2, ty, tx, d, ra));
        }
    }
    using sweep::Grad;
    using sweep::Prim;
    for (int i = 0; i < 200; ++i) {
        Prim q[2], slope[2];
        Grad g[2];
        double t[2][2], o[2][2], radius[2] = {i % 2 ? 0.0 : pos(gen), pos(gen)};
        for (int k = 0; k < 2; ++k) {
            q[k] = {pos(gen), pos(gen), any(gen), any(gen)};
            // Slopes of either sign and zero, against gradients along them.
            slope[k] = {i % 3 == 0 ? 0.0 : any(gen), any(gen), any(gen), -0.0};
            g[k] = {any(gen), any(gen), any(gen), any(gen), any(gen), any(gen), any(gen), any(gen)};
            t[k][0] = any(gen), t[k][1] = any(gen), o[k][0] = any(gen), o[k][1] = any(gen);
        }
        sweep::PrimOf<Pair> two = sweep::predicted_face(
            sweep::side_by_side(q[0], q[1]), sweep::side_by_side(g[0], g[1]), Pair{t[0][0], t[1][0]},
            Pair{t[0][1], t[1][1]}, sweep::side_by_side(slope[0], slope[1]), 0.01, Pair{radius[0], radius[1]},
            Pair{1.4, 1.4}, Pair{o[0][0], o[1][0]}, Pair{o[0][1], o[1][1]});
        for (int k = 0; k < 2; ++k) {
            Prim one = sweep::predicted_face(q[k], g[k], t[k][0], t[k][1], slope[k], 0.01, radius[k], 1.4, o[k][0],
                                             o[k][1]);
            Prim lane = sweep::lane(two, k);
            EXPECT_SAME(lane.r, one.r);
            EXPECT_SAME(lane.p, one.p);
            EXPECT_SAME(lane.u, one.u);
            EXPECT_SAME(lane.v, one.v);
        }
    }
}

}  // namespace
