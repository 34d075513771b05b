// Shadowgraph and schlieren pictures of the wedge flow (a Mach 2 shock over
// a 30 degree wedge, resolution 4), written as PNG images, against the
// shock that the density field holds.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
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

// Copies of the pictures are kept in the build tree, for a look after the run.
const char* const picture_folder = QELTA_PICTURE_DIR;

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

// The node densities over the same picture window, for comparison: film
// point (z, y) shows the section point (-z, -y), that is grid (x, y) =
// (-z, -y) / 50; each flow cell is two triangles, linear in between. Dark
// is the smallest density, white the largest; outside the flow black.
void write_density_png(const Photo& ph, const std::string& name) {
    const int nz = ph.npx + 1, ny = ph.npy + 1;
    std::vector<double> rho(static_cast<std::size_t>(nz) * ny, -1);
    double lo = 1e300, hi = -1e300;
    for (int n = 0; n < ph.nnode; ++n) {
        lo = std::min(lo, ph.node_r[n]);
        hi = std::max(hi, ph.node_r[n]);
    }
    const double dz = (ph.pwin[2] - ph.pwin[0]) / ph.npx, dy = (ph.pwin[3] - ph.pwin[1]) / ph.npy;
    auto corner = [&](int c, int k) { return ph.cell_nodes[c + k * flow_capacity] - 1; };
    for (int c = 0; c < ph.ncell; ++c) {
        for (const auto& t : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
            double z[3], y[3], v[3];
            for (int k = 0; k < 3; ++k) {
                const int n = corner(c, t[k]);
                z[k] = -50 * ph.node_x[n];
                y[k] = -50 * ph.node_y[n];
                v[k] = ph.node_r[n];
            }
            const double det = (z[1] - z[0]) * (y[2] - y[0]) - (z[2] - z[0]) * (y[1] - y[0]);
            if (det == 0) continue;
            // The picture nodes of the triangle's box, counted from 0.
            auto below = [](const double* v, double origin, double h) {
                return std::max(0, static_cast<int>(std::floor((std::min({v[0], v[1], v[2]}) - origin) / h)));
            };
            auto above = [](const double* v, double origin, double h, int n) {
                return std::min(n - 1, static_cast<int>(std::ceil((std::max({v[0], v[1], v[2]}) - origin) / h)));
            };
            const int i0 = below(z, ph.pwin[0], dz), i1 = above(z, ph.pwin[0], dz, nz);
            const int j0 = below(y, ph.pwin[1], dy), j1 = above(y, ph.pwin[1], dy, ny);
            for (int j = j0; j <= j1; ++j) {
                for (int i = i0; i <= i1; ++i) {
                    const double pz = ph.pwin[0] + i * dz - z[0], py = ph.pwin[1] + j * dy - y[0];
                    const double a = (pz * (y[2] - y[0]) - (z[2] - z[0]) * py) / det;
                    const double b = ((z[1] - z[0]) * py - pz * (y[1] - y[0])) / det;
                    if (a < -1e-12 || b < -1e-12 || a + b > 1 + 1e-12) continue;
                    rho[i + static_cast<std::size_t>(nz) * j] = v[0] + a * (v[1] - v[0]) + b * (v[2] - v[0]);
                }
            }
        }
    }
    QImage img(nz, ny, QImage::Format_Grayscale8);
    for (int j = 0; j < ny; ++j) {
        uchar* row = img.scanLine(ny - 1 - j);
        for (int i = 0; i < nz; ++i) {
            const double v = rho[i + static_cast<std::size_t>(nz) * j];
            row[i] = v < 0 ? 0 : static_cast<uchar>(std::lround(40 + 215 * (v - lo) / (hi - lo)));
        }
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
    write_density_png(*photo, "wedge_density.png");
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
