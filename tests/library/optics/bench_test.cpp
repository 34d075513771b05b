// The bench schematic and the thin-lens rules against paraxial optics.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/log.h"
#include "optics/optics.h"
#include "qelta.h"
#include "support/default_bench.h"
#include "support/library_fixture.h"
#include "support/stops.h"


namespace qelta::testing {
namespace {

class BenchSchematic : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        initial_optics();
    }
    std::vector<std::string> optics_lines() {
        flush_units();
        return read_lines("zoptics.txt");
    }

    // Point m (1..5) of ray i (1..5) of set 1.
    Vec3 point(int m, int i) const { return {x[5 * (m - 1) + i - 1], y[5 * (m - 1) + i - 1], 0}; }

    void trace(BenchTables& b) {
        OPTICS_SHADOWGRAPH_A0(b.ropara, b.iopara, b.elem_par, b.elem_ipar, &b.nelem, x, y, &nsets, image);
    }

    double x[500] = {}, y[500] = {};
    int nsets = 0;
    double image[3] = {};
};

TEST_F(BenchSchematic, DefaultBenchFollowsThinLensOptics) {
    BenchTables b = default_bench();
    trace(b);
    EXPECT_EQ(nsets, 1);
    EXPECT_EQ(b.ropara[0], 50.0);
    EXPECT_EQ(b.ropara[1], 0.0);
    EXPECT_EQ(b.ropara[2], 0.0);

    // The source sits in the focal plane of the first lens: its image lies at
    // infinity along the ray through that lens's centre, so the second lens
    // forms it in its own focal plane, x = 700, at height -200 Ys / 500.
    const double ys = b.par(2, 1), zs = b.par(3, 1);
    EXPECT_NEAR(image[0], 700.0, 1e-9);
    EXPECT_NEAR(image[1], -200 * ys / 500, 1e-15);
    EXPECT_NEAR(image[2], -200 * zs / 500, 1e-15);

    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(point(1, i).x, -1000.0);
        EXPECT_EQ(point(1, i).y, ys);
        EXPECT_EQ(point(2, i).x, -500.0);
        EXPECT_DOUBLE_EQ(point(2, i).y, -215 + (i - 1) * 107.5);
        EXPECT_NEAR(point(3, i).x, 0.0, 1e-12);
        EXPECT_NEAR(point(4, i).x, 500.0, 1e-12);
        EXPECT_NEAR(point(5, i).x, 900.0, 1e-12);
        // Collimated between the lenses, parallel to the ray through the
        // first lens's centre (slope -Ys / 500).
        const double slope = (point(4, i).y - point(2, i).y) / (point(4, i).x - point(2, i).x);
        EXPECT_NEAR(slope, -ys / 500, 1e-15);
        // Beyond the recording lens every ray runs through the image point.
        const Vec3 a = point(4, i), e = point(5, i);
        const double at_image = a.y + (e.y - a.y) * (image[0] - a.x) / (e.x - a.x);
        EXPECT_NEAR(at_image, image[1], 1e-10);
    }
    EXPECT_DOUBLE_EQ(point(2, 3).y, 0.0);  // the middle ray meets the lens at its centre height
}

TEST_F(BenchSchematic, RaysEndOnATiltedFilm) {
    BenchTables b = default_bench();
    b.par(6, 5) = -2;  // any length
    b.par(7, 5) = 0.5;
    trace(b);
    const Vec3 n = unit(Vec3{-2, 0.5, 0});
    for (int i = 1; i <= 5; ++i) {
        const Vec3 p = point(5, i);
        EXPECT_NEAR(dot(p - Vec3{900, 0, 0}, n), 0.0, 1e-9) << "ray " << i;
    }
    EXPECT_GT(std::abs(point(5, 1).x - 900), 10.0);  // off the untilted plane
}

TEST_F(BenchSchematic, SourceOnTheLensPlaneGivesFiniteRays) {
    BenchTables b = default_bench();
    b.par(1, 1) = -500;  // dx = 0 before the first lens
    trace(b);
    for (int k = 0; k < 25; ++k) {
        EXPECT_TRUE(std::isfinite(x[k])) << k;
        EXPECT_TRUE(std::isfinite(y[k])) << k;
    }
    // s = 0: magnification 1, the first image on the lens plane.
    Vec3 img;
    double m = 0;
    thin_lens(500, -500, {-500, 3, 4}, img, m);
    EXPECT_EQ(m, 1.0);
    EXPECT_EQ(img.x, -500.0);
    EXPECT_EQ(img.y, 3.0);
}

TEST(ThinLens, ObjectAtTheFocalDistanceImagesFarAway) {
    Vec3 img;
    double m = 0;
    thin_lens(500, -500, {-1000, 1, 0}, img, m);
    EXPECT_DOUBLE_EQ(img.x - (-500), 500 * 1e40);
    EXPECT_DOUBLE_EQ(m, -1e40);
}

// The refracted rays from an off-axis point through any lens point meet at
// the thin-lens image, in front of or (virtual image) behind the lens.
TEST(ThinLens, LensImagesAPointToAPoint) {
    struct Case {
        double f, object_x, object_y, object_z;
    };
    const Case cases[] = {{200, -300, 7, -3}, {200, -600, -12, 5}, {200, -100, 4, 2}, {-150, -400, 6, 1}};
    const Vec3 centre{0, 0, 0};
    for (const Case& c : cases) {
        const Vec3 o{c.object_x, c.object_y, c.object_z};
        Vec3 img;
        double m = 0;
        thin_lens(c.f, 0, o, img, m);
        const double s = -c.object_x, s_image = s * c.f / (s - c.f);
        EXPECT_NEAR(img.x, s_image, 1e-9 * std::abs(s_image));
        EXPECT_NEAR(m, -s_image / s, 1e-12);
        for (double hy : {-40.0, -10.0, 0.0, 25.0}) {
            for (double hz : {-30.0, 0.0, 15.0}) {
                const Vec3 q{0, hy, hz};
                const Vec3 d = lens_ray_direction(o, q, centre, c.f);
                const double t = (img.x - q.x) / d.x;
                EXPECT_NEAR(q.y + t * d.y, img.y, 1e-9 * (1 + std::abs(img.y))) << c.f << " " << hy << " " << hz;
                EXPECT_NEAR(q.z + t * d.z, img.z, 1e-9 * (1 + std::abs(img.z))) << c.f << " " << hy << " " << hz;
            }
        }
    }
}

TEST_F(BenchSchematic, DebugRecordShowsTheLensTypeOfThePreviousCall) {
    BenchTables b = default_bench();
    trace(b);
    trace(b);
    const auto lines = optics_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], " debugA           0");
    EXPECT_EQ(lines[1], " debugA         101");
}

using BenchSchematicDeathTest = BenchSchematic;

// After a valid call, a call of fewer elements stops instead of drawing the
// bench from the earlier call's columns.
TEST_F(BenchSchematicDeathTest, FewerElementsThanTheBenchStop) {
    BenchTables b = default_bench();
    trace(b);
    for (int n : {0, 2, 4}) {
        BenchTables fewer = default_bench();
        fewer.nelem = n;
        EXPECT_EXIT(bench_schematic(fewer.ropara, fewer.elem_par, fewer.elem_ipar, fewer.nelem, x, y, nsets, image),
                    ::testing::ExitedWithCode(1),
                    "Stop: the bench has " + std::to_string(n) +
                        " optical elements, where the light, the first lens, the test section, the recording lens "
                        "and the film make 5(.|\n)*Stop in OPTICS_SHADOWGRAPH_A0")
            << n;
    }
}

using BenchSchematicStop = BenchSchematic;

TEST_F(BenchSchematicStop, UnknownElementsStop) {
    {
        BenchTables b;  // zero tables before any call
        b.nelem = 5;
        EXPECT_TRUE(stops_with([&] { trace(b); }, "Found a unknown optical element A!"));
    }
    {
        BenchTables b = default_bench();
        b.code(2) = 102;
        EXPECT_TRUE(stops_with([&] { trace(b); }, "Found a unknown optical element A!"));
    }
    {
        BenchTables b = default_bench();
        b.code(4) = 102;
        EXPECT_TRUE(stops_with([&] { trace(b); }, "Found a unknown optical element C!"));
    }
    {
        BenchTables b = default_bench();
        b.code(3) = 901;  // a target of stage 1, then no element to pass
        EXPECT_TRUE(stops_with([&] { trace(b); }, "Found a unknown optical element B!"));
    }
}

TEST_F(BenchSchematicStop, MoreElementsThanTheTablesHoldStop) {
    BenchTables b = default_bench();
    b.nelem = 21;
    EXPECT_TRUE(stops_with([&] { trace(b); }, "more optical elements than the tables hold"));
}

// Places and focal lengths that give no finite image of the light or no
// finite ray path stop the schematic with them, before it writes any.
TEST_F(BenchSchematicStop, BenchWithoutAFiniteImageStops) {
    {
        BenchTables b = default_bench();
        for (int k = 1; k <= 5; ++k)
            for (int s : {1, 2, 3, 4}) b.par(s, k) = 0;
        EXPECT_TRUE(stops_with(
            [&] { trace(b); },
            "Stop: the bench gives no finite image of the light: the light at x = 0, the first lens at x = 0 "
            "with the focal length 0, the recording lens at x = 0 with the focal length 0, the film at x = 0"));
    }
    {
        BenchTables b = default_bench();
        b.par(1, 2) = b.par(1, 1);  // the first lens at the light, of focal length 0
        b.par(4, 2) = 0;
        EXPECT_TRUE(
            stops_with([&] { trace(b); },
                       "Stop: the bench gives no finite image of the light: the light at x = -1000, the first lens at "
                       "x = -1000 with the focal length 0"));
    }
    {
        BenchTables b = default_bench();
        for (int s : {6, 7, 8}) b.par(s, 5) = 0;
        b.par(8, 5) = 1;  // a film facing across the bench: no ray in the plane z = 0 meets it
        EXPECT_TRUE(stops_with([&] { trace(b); }, "Stop: the bench gives no finite ray path: "));
    }
}

}  // namespace
}  // namespace qelta::testing
