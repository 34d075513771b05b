// Contour lines: edge cuts, the three rotations of a triangle, the levels,
// and exactness on a linear field.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "controls/Shapes.h"
#include "render_support.h"

using namespace vorlantic;
using vorlantic::testing::BlockField;

namespace {

// An nx x ny block over [0, 1]^2 whose cell table has a stride larger than
// the cell count, as in the program.
BlockField unitBlock(int nx, int ny, double jitter, unsigned seed) {
    BlockField b(nx, ny, 0, 1, 0, 1, nx * ny + 7);
    b.jitter(jitter, seed);
    return b;
}

TEST(LineCut, CutsWhereTheLevelCrossesAndCountsANodeOnceAtTheEnd) {
    struct Case {
        double fa, fb, level;
        bool cut;
        double t;
    };
    const Case cases[] = {
        {0, 4, 1, true, 0.25},   {4, 0, 1, true, 0.75},  {1, 3, 0, false, 0}, {-1, -3, 0, false, 0},
        {0, 2, 0, false, 0},     // starts on the level
        {2, 0, 0, true, 1},      // ends on it
        {1, 1, 1, false, 0},     // lies in it
        {1e-200, 2e-200, 0, false, 0},  // tiny, both above: no cut
        {-1e-200, 2e-200, 0, true, 1.0 / 3},
    };
    for (const Case& c : cases) {
        TLineCut cut = TGLQuadrilaterals::LineCut(2, 10, c.fa, 6, 2, c.fb, c.level);
        EXPECT_EQ(cut.Cut, c.cut) << c.fa << " " << c.fb << " " << c.level;
        if (c.cut) {
            EXPECT_NEAR(cut.X, 2 + 4 * c.t, 1e-12);
            EXPECT_NEAR(cut.Y, 10 - 8 * c.t, 1e-12);
        } else {
            EXPECT_EQ(cut.X, 0);
            EXPECT_EQ(cut.Y, 0);
        }
    }
}

// One triangle A (0, 0), B (1, 0), C (0, 1) as the degenerate quadrilateral
// (A, A, B, C): its first triangle (A, A, B) has no area and cuts at most one
// edge, its second is (A, B, C).
struct Triangle {
    std::vector<double> x{0, 1, 0}, y{0, 0, 1}, f;
    std::vector<int> cells{1, 1, 2, 3};
    explicit Triangle(std::vector<double> values) : f(std::move(values)) {}
    TGLQuadrilaterals& plot(TGLQuadrilaterals& p) {
        p.setVariables(x.data(), y.data(), 3, cells.data(), nullptr, nullptr, f.data());
        p.CellStride = 1;
        p.CellCount = 1;
        p.ContourLineCount = 3;  // levels min, mid, max
        return p;
    }
};

TEST(ContourLines, ATriangleCrossedByALevelGivesOneSegment) {
    Triangle t({0, 2, 4});  // levels 0, 2, 4; level 2 passes through node B
    TGLQuadrilaterals p(0, 0);
    t.plot(p).ComputeContourLines(t.f.data());
    ASSERT_EQ(p.ContourSeries.size(), 3u);
    EXPECT_EQ(p.ContourSeries[1].Level, 2);
    ASSERT_EQ(p.ContourSeries[1].Lines.size(), 1u);
    // From the middle of C -> A to node B, where the level ends the edge
    // A -> B (B -> C starts on the level and is not cut).
    const TLine& l = p.ContourSeries[1].Lines[0];
    EXPECT_DOUBLE_EQ(l.X1, 0);
    EXPECT_DOUBLE_EQ(l.Y1, 0.5);
    EXPECT_DOUBLE_EQ(l.X2, 1);
    EXPECT_DOUBLE_EQ(l.Y2, 0);
    // The extreme levels touch a single node: no segment.
    EXPECT_TRUE(p.ContourSeries[0].Lines.empty());
    EXPECT_TRUE(p.ContourSeries[2].Lines.empty());
}

TEST(ContourLines, LevelsSpanTheRangeAndACountBelowTwoMeansTwo) {
    for (int count : {2, 1, 0, -5}) {
        Triangle t({-1, 0.5, 3});
        TGLQuadrilaterals p(0, 0);
        t.plot(p).ContourLineCount = count;
        p.ComputeContourLines(t.f.data());
        ASSERT_EQ(p.ContourSeries.size(), 2u) << count;
        EXPECT_EQ(p.ContourSeries[0].Level, -1);
        EXPECT_EQ(p.ContourSeries[1].Level, 3);
    }
    Triangle t({0, 1, 31});
    TGLQuadrilaterals p(0, 0);
    t.plot(p).ContourLineCount = 32;
    p.ComputeContourLines(t.f.data());
    ASSERT_EQ(p.ContourSeries.size(), 32u);
    for (int j = 0; j < 32; ++j) EXPECT_DOUBLE_EQ(p.ContourSeries[j].Level, j);
    // A count beyond what the plot draws: its most levels, over the range.
    t.plot(p).ContourLineCount = INT_MAX;
    p.ComputeContourLines(t.f.data());
    ASSERT_EQ(p.ContourSeries.size(), std::size_t(kMaxContourLevels));
    EXPECT_EQ(p.ContourSeries.back().Level, 31);
}

// f = a x + b y: every segment lies on the level's line, and the segments of
// a level crossing the block add up to the line's length inside it. (Eight
// levels miss the node values: a level running exactly along grid edges cuts
// no edge, since a cut needs the level strictly off the edge's first node.)
TEST(ContourLines, ExactOnALinearField) {
    struct Field {
        double a, b;
        double jitter;
    };
    for (Field fld : {Field{1, 0, 0}, Field{0, 1, 0.3}, Field{1, 2, 0.3}}) {
        BlockField blk = unitBlock(10, 8, fld.jitter, 7);
        for (std::size_t n = 0; n < blk.x.size(); ++n) blk.f[n] = fld.a * blk.x[n] + fld.b * blk.y[n];
        TGLQuadrilaterals p(0, 0);
        blk.attach(p);
        p.ContourLineCount = 8;
        p.ComputeContourLines(blk.f.data());
        for (const TContourSerie& s : p.ContourSeries) {
            double length = 0;
            for (const TLine& l : s.Lines) {
                EXPECT_NEAR(fld.a * l.X1 + fld.b * l.Y1, s.Level, 1e-12);
                EXPECT_NEAR(fld.a * l.X2 + fld.b * l.Y2, s.Level, 1e-12);
                length += std::hypot(l.X2 - l.X1, l.Y2 - l.Y1);
            }
            if (fld.b == 0 && s.Level > p.ValueMin && s.Level < p.ValueMax) {
                EXPECT_NEAR(length, 1, 1e-12);
            }
            if (fld.a == 1 && fld.b == 2 && s.Level > p.ValueMin && s.Level < p.ValueMax) {
                // The line x + 2y = L inside the unit square.
                double x0 = std::max(0.0, s.Level - 2), x1 = std::min(1.0, s.Level);
                EXPECT_NEAR(length, (x1 - x0) * std::hypot(1, 0.5), 1e-9) << s.Level;
            }
        }
    }
}

// Every cell against every level in the plain order (cells, then levels,
// then the two triangles), as a reference for the plot's faster search.
std::vector<std::vector<TLine>> referenceLines(const BlockField& b, const TGLQuadrilaterals& p) {
    int n = p.ContourLevels();
    std::vector<std::vector<TLine>> out(n);
    auto node = [&](int c, int k) { return b.cells[c + k * b.capacity] - 1; };
    for (int c = 0; c < b.nx * b.ny; ++c)
        for (int j = 0; j < n; ++j) {
            double level = p.ValueMin + j * (p.ValueMax - p.ValueMin) / (n - 1);
            int tri[2][3] = {{node(c, 0), node(c, 1), node(c, 2)}, {node(c, 0), node(c, 2), node(c, 3)}};
            for (auto& t : tri) {
                TLineCut e[3];
                for (int k = 0; k < 3; ++k) {
                    int a = t[k], z = t[(k + 1) % 3];
                    e[k] = TGLQuadrilaterals::LineCut(b.x[a], b.y[a], b.f[a], b.x[z], b.y[z], b.f[z], level);
                }
                for (int k = 0; k < 3; ++k)
                    if (!e[k].Cut && e[(k + 1) % 3].Cut && e[(k + 2) % 3].Cut)
                        out[j].push_back({e[(k + 1) % 3].X, e[(k + 1) % 3].Y, e[(k + 2) % 3].X, e[(k + 2) % 3].Y});
            }
        }
    return out;
}

TEST(ContourLines, SameSegmentsInTheSameOrderAsTheFullSearch) {
    // Rough values, many of them exactly on a level, and a second draw that
    // reuses the series.
    BlockField blk = unitBlock(17, 13, 0.35, 3);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> step(0, 20);
    std::uniform_real_distribution<double> smooth(0, 10);
    for (std::size_t n = 0; n < blk.x.size(); ++n) blk.f[n] = n % 3 ? smooth(rng) : step(rng) * 0.5;
    TGLQuadrilaterals p(0, 0);
    blk.attach(p);
    for (int count : {21, 5, 31}) {
        p.ContourLineCount = count;
        p.ComputeContourLines(blk.f.data());
        auto ref = referenceLines(blk, p);
        ASSERT_EQ(p.ContourSeries.size(), ref.size());
        std::size_t total = 0;
        for (std::size_t j = 0; j < ref.size(); ++j) {
            const auto& got = p.ContourSeries[j].Lines;
            ASSERT_EQ(got.size(), ref[j].size()) << "level " << j;
            for (std::size_t k = 0; k < got.size(); ++k) {
                EXPECT_EQ(got[k].X1, ref[j][k].X1);
                EXPECT_EQ(got[k].Y1, ref[j][k].Y1);
                EXPECT_EQ(got[k].X2, ref[j][k].X2);
                EXPECT_EQ(got[k].Y2, ref[j][k].Y2);
            }
            total += got.size();
        }
        EXPECT_GT(total, 100u);
    }
}

TEST(ContourLines, NoDataNoLinesButTheLevelsStand) {
    TGLQuadrilaterals p(0, 0);
    p.CellCount = 5;
    p.ComputeContourLines(nullptr);
    ASSERT_EQ(p.ContourSeries.size(), 4u);
    EXPECT_DOUBLE_EQ(p.ContourSeries[3].Level, 1);
    for (const auto& s : p.ContourSeries) EXPECT_TRUE(s.Lines.empty());
}

}  // namespace
