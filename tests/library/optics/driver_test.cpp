// The photograph driver on the bench without the flow: picture
// normalisation, the early return, the light sources and the light domain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "common/run.h"
#include "optics/flow_trace.h"
#include "optics/optics.h"
#include "photo_fixture.h"
#include "support/default_bench.h"
#include "support/stops.h"

namespace qelta::testing {
namespace {

class Photograph : public OpticsTest {
protected:
    void SetUp() override {
        OpticsTest::SetUp();
        run.ipar(5) = 2;
        // Grid units [0, 1] x [0, 0.6]: 50 x 30 bench units.
        photo->box_grid(4, 3, 0, 1, 0, 0.6, 1.0);
    }
    std::unique_ptr<Photo> photo = std::make_unique<Photo>();
};

// Interior nodes of the picture: inside the ray-end extent by a margin.
template <class F>
void for_interior_nodes(const Photo& ph, double margin, F f) {
    for (int j = 1; j <= ph.npy + 1; ++j) {
        for (int i = 1; i <= ph.npx + 1; ++i) {
            const double z = ph.pic_z(i), y = ph.pic_y(j);
            if (z < ph.window[0] + margin || z > ph.window[2] - margin) continue;
            if (y < ph.window[1] + margin || y > ph.window[3] - margin) continue;
            f(i, j);
        }
    }
}

TEST_F(Photograph, WithoutFlowThePictureIsUniform) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    photo->take(b);
    EXPECT_EQ(b.nelem, 5);
    EXPECT_EQ(photo->nrays, 257 * 257);
    EXPECT_EQ(photo->nray_cells, 256 * 256);
    EXPECT_EQ(b.io(2), 0);
    EXPECT_EQ(b.io(4), 1);
    EXPECT_EQ(b.io(7), 1);
    EXPECT_EQ(b.io(8), 1);
    // The film sees the section upside down at magnification -1: z 0..50
    // and y 0..30 become -50..0 and -30..0.
    EXPECT_NEAR(photo->window[0], -50, 0.01);
    EXPECT_NEAR(photo->window[2], 0, 0.01);
    EXPECT_NEAR(photo->window[1], -30, 0.01);
    EXPECT_NEAR(photo->window[3], 0, 0.01);
    EXPECT_EQ(photo->npx, 527);  // INT(512 (1 + 2 x 0.0137)) + 1
    EXPECT_NEAR(photo->pixel_size, 50.0 / 512, 1e-4);
    int n = 0;
    for_interior_nodes(*photo, 2 * photo->pixel_size, [&](int i, int j) {
        ++n;
        EXPECT_NEAR(photo->grey(i, j), 0.5, 0.025) << i << " " << j;
    });
    EXPECT_GT(n, 500 * 300);
    // Outside the ray ends the film is dark.
    EXPECT_EQ(photo->grey(1, 1), 0.0);
    EXPECT_EQ(photo->grey(photo->npx + 1, photo->npy + 1), 0.0);
}

// Gladstone-Dale: n - 1 = K rho with K = 2.838e-4 in single precision; the
// grid is placed at 50 times its size (the explosion box shifted by half
// its length), and a density linear in x and y has the gradient K grad rho
// / 50 in every cell.
TEST_F(Photograph, RefractiveFieldFollowsTheDensity) {
    const double k = static_cast<double>(2.838e-4f);
    for (const int id : {2, 5}) {
        run.ipar(5) = id;
        for (int n = 0; n < photo->nnode; ++n) photo->node_r[n] = 1 + 0.3 * photo->node_x[n] + 0.7 * photo->node_y[n];
        BenchTables b = default_bench();
        b.io(1) = 103;
        b.ropara[19] = id;
        photo->take(b);
        for (int n = 1; n <= photo->nnode; ++n) {
            EXPECT_EQ(nm1(n), k * photo->node_r[n - 1]);
            EXPECT_EQ(optic_z(n), 50 * (photo->node_x[n - 1] - (id == 5 ? 0.5 : 0)));
            EXPECT_EQ(optic_r(n), 50 * photo->node_y[n - 1]);
        }
        for (int c = 1; c <= photo->ncell; ++c) {
            EXPECT_NEAR(dnm1_dz(c), k * 0.3 / 50, 1e-12 * k);
            EXPECT_NEAR(dnm1_dr(c), k * 0.7 / 50, 1e-12 * k);
        }
    }
}

// With one density everywhere the flow bends no ray: the film shows the
// picture of the bench without the flow.
TEST_F(Photograph, UniformFlowGivesTheNoFlowPicture) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    photo->take(b);
    const std::vector<double> no_flow(photo->picture.begin(), photo->picture.begin() + photo->nvalues());
    b.io(1) = 3;
    photo->take(b);
    ASSERT_EQ(photo->nvalues(), static_cast<int>(no_flow.size()));
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_NEAR(photo->picture[k], no_flow[k], 1e-9) << k;
}

// The planar walker's twin lays the ray grid over the light domain for
// every point source, as the axisymmetric path does: a source after one
// imaged at the film starts from the window, not from the film.
TEST_F(Photograph, WalkerLaysTheRayGridForEverySource) {
    BenchTables b = default_bench();
    ElementReals par;
    ElementCodes ipar;
    copy_bench(b, par, ipar);
    Photo& ph = *photo;
    const RayGrid rays{{ph.ray_z.data(), max_rays}, {ph.ray_y.data(), max_rays}, ph.nrays, ph.nray_cells,
                       {ph.ray_cells.data(), max_rays, 4}, {ph.cell_weight.data(), max_rays}};
    const PictureArgs pic{ph.window[0], ph.window[1], ph.window[2], ph.window[3], ph.pixel_size,
                          ph.pwin[0],   ph.pwin[1],   ph.pwin[2],   ph.pwin[3],   ph.npx,
                          ph.npy,       {ph.picture.data(), 3 * maxpix}};
    const FlowGrid flow{ph.nnode, {ph.cell_nodes.data(), max_flow, 4}, ph.ncell, {ph.hang_nodes.data(), max_flow}, 0};
    const LightDomain light{0, 50, 0, 30, 50.0 / 256, 30.0 / 256};
    ph.nrays = 257 * 257;
    int nelem = 6, nvalues = 0;
    Logical first = true;
    const Vec3 source{b.par(1, 1), b.par(2, 1), b.par(3, 1)};
    b.io(1) = 103;
    trace_test_section_walk(first, source, nvalues, {b.ropara, 20}, {b.iopara, 20}, par, ipar, nelem, flow, light,
                            rays, pic);
    EXPECT_EQ(nelem, 5);
    EXPECT_NEAR(ph.ray_z[0], 0, 1e-3);  // the film sees the section upside down
    EXPECT_NEAR(ph.ray_z[256], -50, 1e-3);
    b.io(1) = 101;
    trace_test_section_walk(first, source, nvalues, {b.ropara, 20}, {b.iopara, 20}, par, ipar, nelem, flow, light,
                            rays, pic);
    for (int j = 1; j <= 257; j += 64)
        for (int i = 1; i <= 257; i += 64) {
            EXPECT_EQ(ph.ray_z[i + 257 * (j - 1) - 1], (i - 1) * 50.0 / 256);
            EXPECT_EQ(ph.ray_y[i + 257 * (j - 1) - 1], (j - 1) * 30.0 / 256);
        }
}

// The photograph treats a lens of the second kind (102) as a thin lens.
TEST_F(Photograph, LensesOfBothKindsImageAlike) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    photo->take(b);
    const std::vector<double> thin(photo->picture.begin(), photo->picture.begin() + photo->nvalues());
    b.code(2) = 102;
    b.code(4) = 102;
    photo->take(b);
    ASSERT_EQ(photo->nvalues(), static_cast<int>(thin.size()));
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_EQ(photo->picture[k], thin[k]) << k;
}

TEST_F(Photograph, StraightAboveOneHundredIsTheNoFlowPicture) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    photo->take(b);
    const std::vector<double> first(photo->picture.begin(), photo->picture.begin() + photo->nvalues());
    b.io(1) = 150;
    photo->take(b);
    ASSERT_EQ(photo->nvalues(), static_cast<int>(first.size()));
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_EQ(photo->picture[k], first[k]) << k;
}

TEST_F(Photograph, UnchangedTablesReturnAtOnce) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.io(4) = 1;
    b.io(7) = 1;
    b.io(8) = 1;
    photo->take(b);
    const auto lines = optics_lines().size();
    photo->picture[0] = -7;
    photo->ray_z[0] = -7;
    photo->npx = -7;
    photo->node_r[0] = 5;  // the flow is not compared
    photo->take(b);
    EXPECT_EQ(photo->picture[0], -7);
    EXPECT_EQ(photo->ray_z[0], -7);
    EXPECT_EQ(photo->npx, -7);
    EXPECT_EQ(optics_lines().size(), lines);
}

TEST_F(Photograph, OwnWritesToTheBlockMakeTheSecondCallTrace) {
    BenchTables b = default_bench();
    b.io(1) = 103;  // slots 4, 7 and 8 at 0
    for (int k = 0; k < 3; ++k) photo->take(b);
    EXPECT_EQ(count_records("Start ray tracing......"), 2);
    b.par(3, 1) += 1e-3;  // any table entry
    photo->take(b);
    EXPECT_EQ(count_records("Start ray tracing......"), 3);
}

TEST_F(Photograph, CircularSourceKeepsTheGridPointsInsideTheCircle) {
    write_file("controlopt.dat", "4 1.0\n");
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.code(1) = 3;
    b.par(4, 1) = 8;  // Diameter
    photo->take(b);
    ASSERT_EQ(nsource, 12);
    for (int k = 1; k <= nsource; ++k) {
        EXPECT_EQ(source_pts(1, k), -1000.0);
        const double y = source_pts(2, k) - b.par(2, 1), z = source_pts(3, k) - b.par(3, 1);
        EXPECT_LT(y * y + z * z, 16.0);
        EXPECT_NEAR(std::abs(y), y * y < 4 ? 1 : 3, 1e-12);
    }
    EXPECT_EQ(count_records("Circular light source: "), 1);
}

TEST_F(Photograph, RectangularSourceCornersAndSides) {
    write_file("controlopt.dat", "0 1.0\n");
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.code(1) = 4;
    b.par(4, 1) = 2;  // Height
    b.par(5, 1) = 6;  // Width
    photo->take(b);
    ASSERT_EQ(nsource, 4);
    auto offset_y = [&](int k) { return source_pts(2, k) - b.par(2, 1); };
    auto offset_z = [&](int k) { return source_pts(3, k) - b.par(3, 1); };
    for (int k = 1; k <= 4; ++k) {
        EXPECT_NEAR(std::abs(offset_y(k)), 1, 1e-12);  // H along y at angle 0
        EXPECT_NEAR(std::abs(offset_z(k)), 3, 1e-12);
    }
    b.par(6, 1) = 90;  // Angle: the height runs along z
    write_file("controlopt.dat", "2 1.0\n");
    photo->take(b);
    ASSERT_EQ(nsource, 8);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_NEAR(std::abs(offset_y(k)), 3, 1e-12);
        EXPECT_NEAR(std::abs(offset_z(k)), 1, 1e-12);
    }
    // Two points inside each of the sides P4-P3 and P2-P1 (the sides of
    // the Height), at thirds.
    for (int k = 5; k <= 8; ++k) {
        EXPECT_NEAR(std::abs(offset_y(k)), 3, 1e-12);
        EXPECT_NEAR(std::abs(offset_z(k)), 1.0 / 3, 1e-12);
    }
    EXPECT_NEAR(std::abs(offset_z(5) - offset_z(6)), 2.0 / 3, 1e-12);
}

TEST_F(Photograph, PointCountsAtTheirLimitsAreTraced) {
    struct Case {
        int light;
        const char* record;
        int sources;
    };
    for (const Case c : {Case{3, "11 1.0\n", 97}, Case{4, "48 1.0\n", 100}, Case{6, "100 1.0\n", 100}}) {
        SCOPED_TRACE(c.record);
        write_file("controlopt.dat", c.record);
        BenchTables b = default_bench();
        b.io(1) = 103;
        b.code(1) = c.light;
        b.par(4, 1) = 2;
        b.par(5, 1) = 6;
        photo->take(b);
        EXPECT_EQ(nsource, c.sources);
        for (int k = 0; k < photo->nvalues(); ++k) ASSERT_TRUE(std::isfinite(photo->picture[k]));
    }
}

// Record 1 of "controlopt.dat" outside what the light's table and a finite
// picture allow: the photograph stops, naming the file, the record, the
// value and its range.
struct BadLight {
    const char* name;
    int light;          // light type of element 1
    const char* record;  // record 1 of "controlopt.dat"
    const char* message;
};

void PrintTo(const BadLight& k, std::ostream* os) { *os << k.name; }

class BadOpticsControl : public Photograph, public ::testing::WithParamInterface<BadLight> {};

TEST_P(BadOpticsControl, StopsNamingTheValue) {
    write_file("controlopt.dat", std::string(GetParam().record) + "\n");
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.code(1) = GetParam().light;
    b.par(4, 1) = 2;  // Diameter, or Height
    b.par(5, 1) = 6;  // Width
    EXPECT_TRUE(
        stops_with([&] { photo->take(b); },
                   std::string(R"(Error reading "controlopt.dat", record 1 \(line 1\): )") + GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Records, BadOpticsControl,
    ::testing::Values(
        BadLight{"CircularCountAboveTheTraced", 3, "12 1.0",
                 R"(the point count N of the circular light is 12: it gives more point sources than one photograph traces \(100, each through the whole ray grid\); N may be at most 11)"},
        BadLight{"CircularCountIntegerLimit", 3, "2147483647 1.0",
                 R"(the point count N of the circular light is 2147483647: it gives more)"},
        BadLight{"RectangularCountAboveTheTraced", 4, "49 1.0",
                 R"(the point count N of the rectangular light is 49: .*; N may be at most 48)"},
        BadLight{"RectangularCountFillingTheTable", 4, "498 1.0",
                 R"(the point count N of the rectangular light is 498: .*; N may be at most 48)"},
        BadLight{"RingCountAboveTheTraced", 6, "101 1.0",
                 R"(the point count N of the ring-shaped light is 101: .*; N may be at most 100)"},
        BadLight{"CircularIntensityHuge", 3, "8 1e308",
                 R"(the intensity factor w is 1e\+308; it must be a finite number in \(0, 1e\+06\])"},
        BadLight{"RectangularIntensityHuge", 4, "8 1e308", R"(the intensity factor w is 1e\+308)"},
        BadLight{"RingIntensityHuge", 6, "8 1e308", R"(the intensity factor w is 1e\+308)"},
        BadLight{"IntensityZero", 3, "8 0", R"(the intensity factor w is 0; it must be)"},
        BadLight{"IntensityNegative", 6, "8 -2", R"(the intensity factor w is -2; it must be)"}),
    [](const ::testing::TestParamInfo<BadLight>& info) { return std::string(info.param.name); });

// A picture value that is not a finite number, grey or colour, stops the
// photograph instead of passing the clamp to [0, 1] as it is.
TEST_F(Photograph, PictureValueThatIsNotFiniteStops) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        bool colour;
        double bad;
        const char* message;
    } cases[] = {{false, std::nan(""), "Stop: picture value 2 of 4 is nan, not a finite number"},
                 {false, inf, "Stop: picture value [1-4] of 4 is -?(inf|nan), not a finite number"},
                 {true, std::nan(""), "Stop: picture value 2 of 12 is nan, not a finite number"}};
    for (const Case& k : cases) {
        double values[12] = {0.4, k.bad, 0.6, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
        nsource = 1;
        intensity_factor = 1;
        EXPECT_EXIT(normalise_picture(ExchangeArray<double>(values, 12), 4, k.colour, true),
                    ::testing::ExitedWithCode(1), k.message);
    }
}

TEST_F(Photograph, LightOfZeroSizeStaysAtItsCentre) {
    write_file("controlopt.dat", "3 1.0\n");
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.code(1) = 4;  // H = W = 0
    photo->take(b);
    ASSERT_EQ(nsource, 10);
    for (int k = 1; k <= nsource; ++k) {
        EXPECT_EQ(source_pts(2, k), b.par(2, 1));
        EXPECT_EQ(source_pts(3, k), b.par(3, 1));
    }
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_TRUE(std::isfinite(photo->picture[k]));
}

TEST_F(Photograph, RingOfPointsAtTheCentreIsThePointSourcePicture) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    photo->take(b);
    const std::vector<double> point(photo->picture.begin(), photo->picture.begin() + photo->nvalues());
    write_file("controlopt.dat", "3 2.0\n");
    b.code(1) = 6;
    photo->take(b);
    EXPECT_EQ(nsource, 3);
    EXPECT_EQ(intensity_factor, 2.0);
    ASSERT_EQ(photo->nvalues(), static_cast<int>(point.size()));
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_NEAR(photo->picture[k], point[k], 1e-12) << k;
}

TEST_F(Photograph, NoPointSourceGivesAnEmptyPicture) {
    struct Case {
        int code;
        const char* controlopt;
    };
    for (const Case c : {Case{5, ""}, Case{6, "0 1.0\n"}, Case{3, "-2 1.0\n"}}) {
        if (*c.controlopt) write_file("controlopt.dat", c.controlopt);
        BenchTables b = default_bench();
        b.io(1) = 103;
        b.code(1) = c.code;
        std::fill(photo->picture.begin(), photo->picture.begin() + 16, 9.0);
        photo->take(b);
        EXPECT_EQ(nsource, 0);
        EXPECT_EQ(photo->npx, 1);
        EXPECT_EQ(photo->npy, 1);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(photo->picture[k], 0.0) << c.code;
    }
    EXPECT_EQ(count_records("Error: Undefined light source."), 1);
}

// A film at the image of the source: every ray ends on one point.
TEST_F(Photograph, FilmAtTheSourceImageKeepsAFinitePicture) {
    BenchTables b = default_bench();
    double image[3];
    bench_image_point(b, image);
    b.io(1) = 103;
    b.par(1, 5) = image[0];
    photo->take(b);
    EXPECT_LT(photo->window[2] - photo->window[0], 1e-9);
    EXPECT_GE(photo->npx, 1);
    EXPECT_GE(photo->npy, 1);
    EXPECT_LE(photo->nvalues(), 4194304);
    EXPECT_GT(photo->pwin[2], photo->pwin[0]);
    EXPECT_GT(photo->pwin[3], photo->pwin[1]);
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_TRUE(std::isfinite(photo->picture[k])) << k;
}

TEST_F(Photograph, ColourPicturesAreDarkAndFinite) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.io(5) = 1;
    photo->take(b);
    ASSERT_GT(photo->nvalues(), 4);
    for (int k = 0; k < 3 * photo->nvalues(); ++k) ASSERT_EQ(photo->picture[k], 0.0) << k;
}

TEST_F(Photograph, LightDomainByCase) {
    struct Case {
        int id, slot3;
        double zfrom, zto, yfrom, yto;
    };
    const Case cases[] = {{1, 0, -100, 100, 0, 100}, {3, 0, -100, 100, -100, 100}, {2, 0, 0, 50, 0, 30},
                          {2, 1, 0, 50, -30, 30}};
    for (const Case& c : cases) {
        run.ipar(5) = c.id;
        BenchTables b = default_bench();
        b.io(1) = 101;  // the left window: the rays' start points
        b.io(3) = c.slot3;
        b.ropara[19] = c.id + 10 * c.slot3;  // the case id is not compared: a table entry must differ
        photo->take(b);
        EXPECT_DOUBLE_EQ(photo->ray_z[0], c.zfrom) << c.id;
        EXPECT_DOUBLE_EQ(photo->ray_y[0], c.yfrom) << c.id;
        EXPECT_NEAR(photo->ray_z[257 * 257 - 1], c.zto, 1e-12) << c.id;
        EXPECT_NEAR(photo->ray_y[257 * 257 - 1], c.yto, 1e-12) << c.id;
    }
}

// On the left window, a point source on the axis at the focal distance
// lights the aperture's footprint, with the inverse-square fall-off from
// the source to each cell's lens point.
TEST_F(Photograph, LeftWindowShowsTheLensAperture) {
    BenchTables b = default_bench();
    b.io(1) = 1;
    b.par(2, 1) = 0;
    b.par(3, 1) = 0;
    b.par(5, 2) = 40;  // aperture radius 20
    photo->take(b);
    int lit = 0;
    for (int j = 1; j <= 256; ++j) {
        for (int i = 1; i <= 256; ++i) {
            const int c = i + 256 * (j - 1) - 1;
            const double z = (i - 0.5) * 50.0 / 256, y = (j - 0.5) * 30.0 / 256;
            const double r2 = y * y + z * z;
            const double w = photo->cell_weight[c];
            if (r2 < 20 * 20 - 1e-6) {
                ++lit;
                EXPECT_NEAR(w, 0.5 * 500 * 500 / (500 * 500 + r2), 1e-12) << i << " " << j;
            } else if (r2 > 20 * 20 + 1e-6) {
                EXPECT_EQ(w, 0.0) << i << " " << j;
            }
        }
    }
    EXPECT_GT(lit, 10000);
}

using PhotographStop = Photograph;

TEST_F(PhotographStop, TablesBeyondTheirCapacityStop) {
    {
        write_file("controlopt.dat", "40 1.0\n");
        BenchTables b = default_bench();
        b.code(1) = 3;
        b.par(4, 1) = 8;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "more point sources than one photograph traces"));
    }
    {
        write_file("controlopt.dat", "499 1.0\n");
        BenchTables b = default_bench();
        b.code(1) = 4;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "more point sources than one photograph traces"));
    }
    {
        write_file("controlopt.dat", "1001 1.0\n");
        BenchTables b = default_bench();
        b.code(1) = 6;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "more point sources than one photograph traces"));
    }
    {
        BenchTables b = default_bench();
        b.nelem = 21;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "more optical elements than the tables hold"));
    }
    {
        BenchTables b = default_bench();
        photo->nnode = 200001;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "node count outside"));
    }
    {
        BenchTables b = default_bench();
        photo->box_grid(4, 3, 0, 1, 0, 0.6, 1.0);
        photo->ncell = 200001;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "cell count outside"));
    }
    {
        BenchTables b = default_bench();
        photo->box_grid(4, 3, 0, 1, 0, 0.6, 1.0);
        photo->cell_nodes[2] = 21;  // beyond the 20 nodes
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "corner node outside"));
    }
    {
        BenchTables b = default_bench();
        photo->box_grid(4, 3, 0, 1, 0, 0.6, 1.0);
        photo->nhang = 1;
        photo->hang_nodes[0] = 2;
        photo->hang_nodes[1] = 0;  // no such node
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "parent node outside"));
    }
}

TEST_F(PhotographStop, UnknownElementsBeforeTheSectionStop) {
    {
        BenchTables b = default_bench();
        b.code(3) = 502;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "Found a unknown optical element LWB!"));
    }
    {
        BenchTables b = default_bench();
        b.code(2) = 501;
        EXPECT_TRUE(stops_with([&] { photo->take(b); }, "Found a unknown optical element LWA!"));
    }
}

// The photograph that stopped had cached its tables: the same tables again
// trace the picture that a call after other tables traces, instead of
// returning at once with nothing.
TEST_F(PhotographStop, TheSameTablesAfterAStopTraceAgain) {
    BenchTables b = default_bench();
    b.io(1) = 103;
    b.code(1) = 3;
    b.par(4, 1) = 2;  // Diameter
    BenchTables other = b;
    other.par(4, 1) = 3;
    auto picture = [&] {
        return std::vector<double>(photo->picture.begin(), photo->picture.begin() + photo->nvalues());
    };
    write_file("controlopt.dat", "2 1.0\n");
    BenchTables t = other;
    photo->take(t);

    write_file("controlopt.dat", "2 0.0\n");
    t = b;
    EXPECT_TRUE(stops_with([&] { photo->take(t); }, "intensity factor w is 0"));
    EXPECT_EQ(photo->npx, 0);
    EXPECT_EQ(photo->nrays, 0);

    write_file("controlopt.dat", "2 1.0\n");
    t = b;
    photo->take(t);
    EXPECT_EQ(stop_message(), "");
    ASSERT_GT(photo->npx, 0);
    const std::vector<double> after_stop = picture();
    t = other;
    photo->take(t);
    t = b;
    photo->take(t);
    EXPECT_EQ(picture(), after_stop);
}

TEST_F(PhotographStop, MissingControlFileStops) {
    std::remove("controlopt.dat");
    BenchTables b = default_bench();
    b.code(1) = 3;
    EXPECT_TRUE(stops_with([&] { photo->take(b); }, "controlopt.dat"));
}

}  // namespace
}  // namespace qelta::testing
