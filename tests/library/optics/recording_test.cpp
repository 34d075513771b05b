// Recording lens, cutoff and film: the cutoff shapes ray by ray, and the
// schlieren unit of the default bench against the image of the source.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "common/run.h"
#include "optics/optics.h"
#include "photo_fixture.h"
#include "ray_arrays.h"
#include "support/default_bench.h"

namespace qelta::testing {
namespace {

// ---- Ray by ray: rays parallel to the axis with the cutoff on the
// recording lens's plane cross it exactly where they are. ----

struct CrossingPoint {
    double z, y;
};

class Cutoff : public OpticsTest, protected RayArrays {
protected:
    void SetUp() override {
        OpticsTest::SetUp();
        par(1, recording_lens_element) = 500;
        par(4, recording_lens_element) = 200;
        ipar(1, recording_lens_element) = thin_lens_type;
        par(1, film_element) = 900;
        par(6, film_element) = -1;
        ipar(1, film_element) = film_type;
        par(1, cutoff_element) = 500;
        io[9] = 1;  // slot 10: apply the cutoff
    }
    double& par(int s, int k) { return elem_par(s, k); }
    int& ipar(int s, int k) { return elem_ipar(s, k); }

    // One ray-grid cell per ray, all four corners on that ray, weight 1;
    // returns each ray's transmission through the stage (the older one with
    // its knife edge from "controlopt.dat" when `older`).
    std::vector<double> transmissions(const std::vector<CrossingPoint>& points, bool older = false) {
        const int n = static_cast<int>(points.size());
        nrays = ncells = n;
        for (int i = 1; i <= n; ++i) {
            ray_pos(i, 1) = 400;
            ray_pos(i, 2) = points[i - 1].y;
            ray_pos(i, 3) = points[i - 1].z;
            ray_dir(i, 1) = 1;
            ray_dir(i, 2) = ray_dir(i, 3) = 0;
            for (int k = 0; k < 4; ++k) ray_cells[k * max_rays + i - 1] = i;
            weight[i - 1] = 1;
        }
        if (older)
            schlieren_a(elem_par, elem_ipar, grid(), ray_dir, ray_pos);
        else
            s_get_rays_at_film_a(io_view(), elem_par, elem_ipar, grid(), ray_dir, ray_pos);
        return std::vector<double>(weight.begin(), weight.begin() + n);
    }
    ExchangeArray<int> io_view() { return {io, 20}; }

    ElementReals elem_par{};
    ElementCodes elem_ipar{};
    int io[20] = {};
};

TEST_F(Cutoff, RectangleAndItsEdgesBlock) {
    ipar(1, cutoff_element) = rectangular_cutoff;
    par(4, cutoff_element) = 2;  // Length
    par(5, cutoff_element) = 1;  // Height
    // Angle 0: the long side runs along z through C, the rectangle hangs below.
    const std::vector<CrossingPoint> blocked{{0, -0.5}, {1, 0}, {-1, -1}, {0, 0}, {0, -1}, {1, -1}, {-1, 0}};
    const std::vector<CrossingPoint> passing{{1.5, -0.5}, {0, 0.25}, {0, -1.5}, {-1.5, 0.5},
                                             {5, 5},      {-5, -5}, {5, -5},   {-5, 5}};
    for (double t : transmissions(blocked)) EXPECT_EQ(t, 0.0);
    for (double t : transmissions(passing)) EXPECT_EQ(t, 1.0);
    // Angle 90: the long side runs along y, the rectangle on the +z side.
    par(6, cutoff_element) = 90;
    const auto turned = transmissions({{0.5, 0}, {0.5, 0.9}, {-0.5, 0}, {0.5, 1.5}, {1.5, 0}});
    EXPECT_EQ(turned, (std::vector<double>{0, 0, 1, 1, 1}));
}

TEST_F(Cutoff, SlitOfZeroHeightBlocksOnlyItsLine) {
    ipar(1, cutoff_element) = rectangular_cutoff;
    par(4, cutoff_element) = 2;
    const auto t = transmissions({{0, -0.5}, {0, 0.5}, {0.5, -1e-9}, {0, 0}});
    EXPECT_EQ(t, (std::vector<double>{1, 1, 1, 0}));
}

TEST_F(Cutoff, CircularApertureAndStopBlockTheirRim) {
    par(4, cutoff_element) = 2;  // radius 1
    const std::vector<CrossingPoint> points{{1, 0}, {0, -1}, {0.5, 0.5}, {2, 0}};
    ipar(1, cutoff_element) = bright_field_cutoff;
    EXPECT_EQ(transmissions(points), (std::vector<double>{0, 0, 1, 0}));
    ipar(1, cutoff_element) = dark_field_cutoff;
    EXPECT_EQ(transmissions(points), (std::vector<double>{0, 0, 0, 1}));
}

TEST_F(Cutoff, CellKeepsTheShareOfItsCornersThatPass) {
    ipar(1, cutoff_element) = bright_field_cutoff;
    par(4, cutoff_element) = 2;
    transmissions({{0, 0}, {0, 0.5}, {3, 0}, {0, 3}});
    ncells = 1;
    for (int k = 0; k < 4; ++k) ray_cells[k * max_rays] = k + 1;
    weight[0] = 0.8;
    s_get_rays_at_film_a(io_view(), elem_par, elem_ipar, grid(), ray_dir, ray_pos);
    EXPECT_DOUBLE_EQ(weight[0], 0.4);
}

TEST_F(Cutoff, WithoutSlotTenTheWeightsStayAndNothingIsLogged) {
    io[9] = 0;
    ipar(1, cutoff_element) = dark_field_cutoff;
    par(4, cutoff_element) = 100;
    EXPECT_EQ(transmissions({{0, 0}, {1, 1}}), (std::vector<double>{1, 1}));
    EXPECT_EQ(count_records("Cutoff simulation......"), 0);
    EXPECT_EQ(count_records("end > s_get_rays_at_film_a"), 1);
}

TEST_F(Cutoff, FilmNormalOfAnyLength) {
    io[9] = 0;
    const std::vector<CrossingPoint> points{{1, 2}, {-3, 0.5}};
    transmissions(points);
    const std::vector<double> z(ray_z.begin(), ray_z.begin() + 2), y(ray_y.begin(), ray_y.begin() + 2);
    par(6, film_element) = 2;
    transmissions(points);
    for (int i = 0; i < 2; ++i) {
        EXPECT_DOUBLE_EQ(ray_z[i], z[i]);
        EXPECT_DOUBLE_EQ(ray_y[i], y[i]);
        // Through the focus at 700 to the film at 900: magnification -1.
        EXPECT_NEAR(ray_z[i], -points[i].z, 1e-12);
        EXPECT_NEAR(ray_y[i], -points[i].y, 1e-12);
    }
}

TEST_F(Cutoff, RectangleRecordsItsCorners) {
    ipar(1, cutoff_element) = rectangular_cutoff;
    par(4, cutoff_element) = 2;
    par(5, cutoff_element) = 1;
    transmissions({{0, 0}});
    const auto lines = optics_lines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], " Cutoff simulation......");
    EXPECT_EQ(lines[3].rfind(" Cutoff diameter..", 0), 0u);
    EXPECT_EQ(lines[4].rfind(" al,ah,cc", 0), 0u);
    EXPECT_EQ(lines[5].rfind(" zt1,yt1", 0), 0u);
    EXPECT_EQ(lines[8].rfind(" zt4,yt4", 0), 0u);
}

using CutoffDeathTest = Cutoff;

TEST_F(CutoffDeathTest, UnknownElementsStop) {
    ipar(1, cutoff_element) = 804;
    EXPECT_EXIT(transmissions({{0, 0}}), ::testing::ExitedWithCode(1), "Found a unknown knife edge schlieren_a!");
    ipar(1, recording_lens_element) = 501;
    EXPECT_EXIT(transmissions({{0, 0}}), ::testing::ExitedWithCode(1), "Found a unknown optical element FILM0!");
    ipar(1, film_element) = 101;
    EXPECT_EXIT(transmissions({{0, 0}}), ::testing::ExitedWithCode(1), "Found a unknown optical element FILM!");
}

// ---- The older film and knife-edge stage ----

// "controlopt.dat" of the older stage: the light's record 1, then the
// knife edge's kind, location (on the recording lens's plane), size and two
// spare values.
void knife_edge_file(int kind, double size) {
    write_file("controlopt.dat", "8 1.0\n" + std::to_string(kind) + "\n500, 0, 0\n" + std::to_string(size) +
                                     "\n0.0 0.0\n");
}

// Kind 1 is a circular opening as wide as record 4 that blocks its rim;
// the kinds whose shapes are not kept pass every ray. The film gets the
// rays as the newer stage puts them there (focus at 700, film at 900:
// magnification -1).
TEST_F(Cutoff, OlderStageTakesItsKnifeEdgeFromTheControlFile) {
    const std::vector<CrossingPoint> points{{1, 0}, {0, -1}, {0.5, 0.5}, {2, 0}};
    knife_edge_file(1, 2);
    EXPECT_EQ(transmissions(points, true), (std::vector<double>{0, 0, 1, 0}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(ray_z[i], -points[i].z, 1e-12);
        EXPECT_NEAR(ray_y[i], -points[i].y, 1e-12);
    }
    for (int kind : {7, 8, 11, 12}) {
        knife_edge_file(kind, 2);
        EXPECT_EQ(transmissions(points, true), (std::vector<double>{1, 1, 1, 1})) << "kind " << kind;
    }
}

TEST_F(CutoffDeathTest, OlderStageStops) {
    knife_edge_file(2, 2);
    EXPECT_EXIT(transmissions({{0, 0}}, true), ::testing::ExitedWithCode(1),
                "Found a unknown knife edge schlieren_a!");
    write_file("controlopt.dat", "8 1.0\n1\n500 0 0\n2\n");
    EXPECT_EXIT(transmissions({{0, 0}}, true), ::testing::ExitedWithCode(1), "controlopt.dat\", record 5");
    ipar(1, recording_lens_element) = 501;
    EXPECT_EXIT(transmissions({{0, 0}}, true), ::testing::ExitedWithCode(1),
                "Found a unknown optical element FILM0!");
    ipar(1, film_element) = 101;
    EXPECT_EXIT(transmissions({{0, 0}}, true), ::testing::ExitedWithCode(1), "Found a unknown optical element FILM!");
}

// ---- The schlieren unit of the default bench, without the flow ----

class Schlieren : public OpticsTest {
protected:
    void SetUp() override {
        OpticsTest::SetUp();
        run.ipar(5) = 2;
        photo->box_grid(4, 3, 0, 1, 0, 0.6, 1.0);
        bench = default_schlieren_bench();
        bench.io(1) = 103;
        bench_image_point(bench, image);
    }
    // A knife edge (slit 803) whose long side runs along z through (y, z) at
    // the image plane, blocking below it.
    void knife_edge(double y, double z) {
        bench.code(6) = rectangular_cutoff;
        bench.par(1, 6) = image[0];
        bench.par(2, 6) = y;
        bench.par(3, 6) = z;
        bench.par(4, 6) = 100;
        bench.par(5, 6) = 100;
        bench.par(6, 6) = 0;
    }
    // The program traces the schematic after every edit, which sets the
    // element count back to the bench's six (a photograph leaves it at 5).
    void take() {
        bench.nelem = 6;
        photo->take(bench);
    }
    double traced_weight(bool cutoff) {
        bench.io(10) = cutoff ? 1 : 0;
        take();
        return photo->weight_sum();
    }
    std::unique_ptr<Photo> photo = std::make_unique<Photo>();
    BenchTables bench;
    double image[3] = {};
};

// A square of point sources about the light's centre, each imaged sharply
// in the recording lens's focal plane: a knife edge through the image of
// the centre keeps the light of the half whose images lie above it.
TEST_F(Schlieren, KnifeEdgeThroughTheImagePassesHalfAnExtendedSource) {
    knife_edge(image[1], image[2]);
    const double y0 = bench.par(2, 1), z0 = bench.par(3, 1);
    double passed = 0, total = 0;
    for (double dy : {-1.5, -0.5, 0.5, 1.5}) {
        for (double dz : {-1.5, -0.5, 0.5, 1.5}) {
            bench.par(2, 1) = y0 + dy;
            bench.par(3, 1) = z0 + dz;
            passed += traced_weight(true);
            total += traced_weight(false);
        }
    }
    EXPECT_GT(total, 0);
    EXPECT_NEAR(passed / total, 0.5, 0.005);
}

TEST_F(Schlieren, KnifeEdgePassesAPointSourceWhollyOrNot) {
    const double all = traced_weight(false);
    knife_edge(image[1] - 1e-6, image[2]);  // just below the image
    EXPECT_DOUBLE_EQ(traced_weight(true), all);
    knife_edge(image[1] + 1e-6, image[2]);  // just above it
    EXPECT_EQ(traced_weight(true), 0.0);
}

TEST_F(Schlieren, StopOnTheImageDarkensAndApertureChangesNothing) {
    bench.io(10) = 0;
    take();
    const std::vector<double> shadow(photo->picture.begin(), photo->picture.begin() + photo->nvalues());
    bench.io(10) = 1;  // the default cutoff: an 801 aperture of Diameter 10 at the image
    take();
    ASSERT_EQ(photo->nvalues(), static_cast<int>(shadow.size()));
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_EQ(photo->picture[k], shadow[k]) << k;
    bench.code(6) = dark_field_cutoff;
    take();
    EXPECT_EQ(photo->weight_sum(), 0.0);
    for (int k = 0; k < photo->nvalues(); ++k) ASSERT_EQ(photo->picture[k], 0.0) << k;
    EXPECT_EQ(count_records("Cutoff simulation......"), 2);
}

}  // namespace
}  // namespace qelta::testing
