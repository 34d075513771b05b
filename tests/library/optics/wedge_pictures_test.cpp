// Shadowgraph and schlieren pictures of the wedge flow (a Mach 2 shock over
// a 30 degree wedge, resolution 4), written as PNG images, against the
// shock that the density field holds.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/run.h"
#include "common/storage.h"
#include "optics/optics.h"
#include "photo_fixture.h"
#include "qelta.h"
#include "support/default_bench.h"

namespace qelta::testing {
namespace {

namespace fs = std::filesystem;

const char* const picture_folder = "/work/optics-pictures";

// The grey picture as an image, y up.
void write_png(const Photo& ph, const std::string& name) {
    QImage img(ph.npx + 1, ph.npy + 1, QImage::Format_Grayscale8);
    for (int j = 1; j <= ph.npy + 1; ++j) {
        uchar* row = img.scanLine(ph.npy + 1 - j);
        for (int i = 1; i <= ph.npx + 1; ++i)
            row[i - 1] = static_cast<uchar>(std::lround(255 * std::clamp(ph.grey(i, j), 0.0, 1.0)));
    }
    ASSERT_TRUE(img.save(QString::fromStdString(name), "PNG")) << name;
    std::error_code ec;
    fs::create_directories(picture_folder, ec);
    fs::copy_file(name, fs::path(picture_folder) / name, fs::copy_options::overwrite_existing, ec);
}

// The shock in the density field: where the density along the line y = y0
// falls through the mean of its largest and smallest values, coming from
// the shocked gas at small x.
double shock_x(double y0) {
    struct Sample {
        double x, rho;
    };
    std::vector<Sample> line;
    for (int k = 1; k <= grid.ncell; ++k) {
        const int c = list_cel(k);
        const double h = std::sqrt(area(c));
        if (std::abs(yc(c) - y0) < 0.5 * h) line.push_back({xc(c), r(c)});
    }
    std::sort(line.begin(), line.end(), [](const Sample& a, const Sample& b) { return a.x < b.x; });
    double lo = line[0].rho, hi = line[0].rho;
    for (const Sample& q : line) {
        lo = std::min(lo, q.rho);
        hi = std::max(hi, q.rho);
    }
    const double mid = 0.5 * (lo + hi);
    for (std::size_t k = 1; k < line.size(); ++k)
        if (line[k - 1].rho >= mid && line[k].rho < mid)
            return line[k - 1].x + (line[k].x - line[k - 1].x) * (line[k - 1].rho - mid) / (line[k - 1].rho - line[k].rho);
    return 0;
}

// The picture column (a z on the film) where row j departs most from the
// background grey, and by how much.
struct Feature {
    double z, contrast;
};
Feature strongest_feature(const Photo& ph, int j) {
    Feature f{0, -1};
    for (int i = 1; i <= ph.npx + 1; ++i) {
        const double d = std::abs(ph.grey(i, j) - 0.5);
        if (ph.grey(i, j) > 0 && d > f.contrast) f = {ph.pic_z(i), d};
    }
    return f;
}

// Rows of the picture above the wedge's reflected shock (grid y 0.8 to
// 0.97) show the incident shock at film z = -50 x_s, and clearly.
void expect_incident_shock(const Photo& ph, double x_s) {
    const double width = ph.pwin[2] - ph.pwin[0];
    int rows = 0;
    for (int j = 1; j <= ph.npy + 1; ++j) {
        const double y = -ph.pic_y(j) / 50;
        if (y < 0.8 || y > 0.97) continue;
        ++rows;
        const Feature f = strongest_feature(ph, j);
        EXPECT_NEAR(f.z, -50 * x_s, 0.02 * width) << "row " << j;
        EXPECT_GT(f.contrast, 0.2) << "row " << j;
    }
    EXPECT_GT(rows, 10);
}

class WedgePictures : public OpticsTest {
protected:
    void SetUp() override {
        OpticsTest::SetUp();
        double realPar[20] = {0, 2.0, 30.0, 1.4};
        int intPar[20] = {0, 0, 0, 0, 2, 4};
        initialize_qelta(realPar, intPar);
        double progress = 0;
        while (progress < 0.45) step(&progress);
        photo->from_run();
    }
    std::unique_ptr<Photo> photo = std::make_unique<Photo>();
};

// The film sees the section upside down: a section point (z, y) lies at
// (-z, -y) on the film, z = 50 x and y = 50 y of the grid. The incident
// shock is a plane across the axis and the same at every radius, so every
// picture row above the wedge's reflection shows it at -50 x_s.
TEST_F(WedgePictures, ShadowgraphAndSchlierenShowTheShock) {
    const double x_s = shock_x(0.9);
    ASSERT_GT(x_s, 0.0);   // the shock has passed the wedge's leading edge
    ASSERT_LT(x_s, 0.95);  // and not yet left the grid
    std::printf("incident shock at x = %.4f\n", x_s);

    BenchTables b = default_bench();
    photo->take(b);
    write_png(*photo, "wedge_shadowgraph.png");
    expect_incident_shock(*photo, x_s);

    // Schlieren: four point sources (a 2 x 1 rectangle), their images 0.2
    // either side of the knife edge, which runs along y through the
    // image of the light's centre and blocks the +z side.
    write_file("controlopt.dat", "0 1.0\n");
    BenchTables s = default_schlieren_bench();
    double image[3];
    bench_image_point(s, image);
    s.code(1) = rectangular_light;
    s.par(4, 1) = 2;  // Height
    s.par(5, 1) = 1;  // Width
    s.code(6) = rectangular_cutoff;
    s.par(2, 6) = image[1];
    s.par(3, 6) = image[2];
    s.par(4, 6) = 100;
    s.par(5, 6) = 100;
    s.par(6, 6) = 90;
    s.io(4) = 0;
    photo->take(s);
    write_png(*photo, "wedge_schlieren.png");
    expect_incident_shock(*photo, x_s);
}

}  // namespace
}  // namespace qelta::testing
