// Picture mapping: light carried by ray-grid triangles onto the picture
// nodes, with the intensity of the area ratio.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "optics/optics.h"
#include "photo_fixture.h"
#include "ray_arrays.h"

namespace qelta::testing {
namespace {

class Mapping : public OpticsTest, protected RayArrays {
protected:
    // An n x n lattice of rays over [z0, z0 + w] x [y0, y0 + h] at the left
    // window, its cells counterclockwise, weight `weight` each; then the
    // rays moved to where `to` puts them.
    void lattice(int n, double z0, double y0, double w, double h, double cell_weight,
                 const std::function<void(double&, double&)>& to) {
        nrays = n * n;
        ncells = (n - 1) * (n - 1);
        for (int j = 1; j <= n; ++j)
            for (int i = 1; i <= n; ++i) {
                const int r = i + n * (j - 1);
                ray_z[r - 1] = z0 + w * (i - 1) / (n - 1);
                ray_y[r - 1] = y0 + h * (j - 1) / (n - 1);
            }
        for (int j = 1; j < n; ++j)
            for (int i = 1; i < n; ++i) {
                const int c = i + (n - 1) * (j - 1), p = i + n * (j - 1);
                const int corners[4] = {p, p + 1, p + n + 1, p + n};
                for (int k = 0; k < 4; ++k) ray_cells[k * max_rays + c - 1] = corners[k];
                weight[c - 1] = cell_weight;
                for (int k = 1; k <= 3; ++k) colour_weight(c, k) = cell_weight * k;
            }
        quad_triangle_areas(grid().ray_z, grid().ray_y, nrays, grid().ray_cells, ncells, area_ref);
        for (int r = 0; r < nrays; ++r) to(ray_z[r], ray_y[r]);
    }
    PictureArgs picture_args() {
        return {window[0], window[1], window[2], window[3], pixel, pwin[0], pwin[1], pwin[2], pwin[3],
                npx,       npy,       {picture.data(), 3 * maxpix}};
    }
    void map_grey() { map_picture_grey(slot4, first, nvalues, grid().cell_weight, grid(), area_ref, picture_args(), maxpix); }
    void map_colour() { map_picture_colour(slot4, first, nvalues, colour_weight, grid(), area_ref, picture_args(), maxpix); }

    double sum(int count) const {
        double s = 0;
        for (int k = 0; k < count; ++k) s += picture[k];
        return s;
    }
    bool finite_picture(int count) const {
        for (int k = 0; k < count; ++k)
            if (!std::isfinite(picture[k])) return false;
        return true;
    }

    double window[4] = {}, pixel = 0, pwin[4] = {};
    int npx = 0, npy = 0, slot4 = 0, nvalues = 0;
    Logical first = true;
    std::vector<double> picture = std::vector<double>(3 * maxpix);
};

const auto unmoved = [](double&, double&) {};

TEST_F(Mapping, UndeformedGridGivesItsWeight) {
    lattice(33, 0, 0, 2, 1, 0.7, unmoved);
    map_grey();
    EXPECT_EQ(slot4, 1);
    EXPECT_FALSE(first);
    EXPECT_EQ(npx, 527);
    EXPECT_EQ(nvalues, (npx + 1) * (npy + 1));
    // Inside, a node is in one triangle, or on the edges of two or more.
    int ones = 0, inside = 0;
    for (int k = 0; k < nvalues; ++k) {
        const double v = picture[k] / 0.7;
        if (v == 0) continue;
        ++inside;
        EXPECT_NEAR(v, std::round(v), 1e-12) << k;
        if (std::abs(v - 1) < 1e-12) ++ones;
    }
    EXPECT_GT(ones, 0.97 * inside);
}

TEST_F(Mapping, FirstGreyPictureSpansTheWorldWindow) {
    for (auto [z0, y0, w, h] : {std::array<double, 4>{0, 0, 2, 1}, {-7, 3, 107, 1}, {1e3, -1e3, 1e-3, 5e-3}}) {
        slot4 = 0;
        first = true;
        lattice(9, z0, y0, w, h, 1, unmoved);
        map_grey();
        EXPECT_EQ(npx, 527) << w;
        EXPECT_DOUBLE_EQ(window[0], z0);
        EXPECT_DOUBLE_EQ(window[2], z0 + w);
        EXPECT_NEAR(pixel, w / 512, 1e-9 * w);
        EXPECT_NEAR(pwin[0], z0 - 0.0137 * w, 1e-12 * std::abs(z0) + 1e-15);
    }
}

// Light is conserved: sum of picture values x pixel area = sum of weight x
// area at the window, however the rays are bent.
TEST_F(Mapping, LightIsConservedThroughADeformation) {
    lattice(65, 0, 0, 1, 1, 1, [](double& z, double& y) {
        const double z0 = z, y0 = y;
        z = z0 + 0.08 * std::sin(2 * std::numbers::pi * y0) + 0.05 * z0 * z0;
        y = 0.9 * y0 + 0.06 * std::sin(3 * std::numbers::pi * z0);
    });
    map_grey();
    const double dx = (pwin[2] - pwin[0]) / npx, dy = (pwin[3] - pwin[1]) / npy;
    EXPECT_NEAR(sum(nvalues) * dx * dy, 1.0, 0.01);
}

TEST_F(Mapping, ConvergingRaysBrighten) {
    lattice(33, 0, 0, 1, 1, 1, unmoved);
    map_grey();  // fixes the world window: pixel 1/512
    first = true;
    lattice(33, 0, 0, 1, 1, 1, [](double& z, double& y) {
        z *= 0.5;
        y *= 0.5;
    });
    map_grey();
    EXPECT_EQ(npx, static_cast<int>(0.5 * 1.0274 * 512) + 1);
    int fours = 0, lit = 0;
    for (int k = 0; k < nvalues; ++k) {
        if (picture[k] == 0) continue;
        ++lit;
        if (std::abs(picture[k] - 4) < 1e-9) ++fours;
    }
    EXPECT_GT(fours, 0.97 * lit);
}

TEST_F(Mapping, PictureStaysWithinTheNodeLimitAndKeepsItsAspect) {
    lattice(9, 0, 0, 1, 1, 1, unmoved);
    map_grey();  // pixel 1/512
    first = true;
    lattice(9, 0, 0, 100, 50, 1, unmoved);
    map_grey();
    EXPECT_LE(nvalues, maxpix);
    EXPECT_EQ(nvalues, (npx + 1) * (npy + 1));
    EXPECT_GT(nvalues, 0.99 * maxpix);
    EXPECT_NEAR(double(npx + 1) / (npy + 1), 2.0, 2e-3);
    EXPECT_TRUE(finite_picture(nvalues));
}

// All rays on one point (a film at the source's image), or a world window
// that is a point: the picture keeps at least one finite pixel.
TEST_F(Mapping, CollapsedRayEndsKeepAFinitePicture) {
    struct Case {
        double scale;  // spread of the ray ends about (3, 4)
        bool colour;
    };
    for (const Case c : {Case{0, false}, Case{1e-13, false}, Case{0, true}, Case{1e-15, false}}) {
        slot4 = 0;
        first = true;
        lattice(9, 0, 0, 1, 1, 1, [&](double& z, double& y) {
            z = 3 + c.scale * z;
            y = 4 + c.scale * y;
        });
        c.colour ? map_colour() : map_grey();
        EXPECT_GE(npx, 1) << c.scale;
        EXPECT_GE(npy, 1) << c.scale;
        EXPECT_LE(nvalues, maxpix) << c.scale;
        EXPECT_EQ(nvalues, (npx + 1) * (npy + 1)) << c.scale;
        EXPECT_GT(pwin[2], pwin[0]) << c.scale;
        EXPECT_GT(pwin[3], pwin[1]) << c.scale;
        EXPECT_TRUE(finite_picture(c.colour ? 3 * nvalues : nvalues)) << c.scale;
        if (c.scale == 0) {
            EXPECT_EQ(sum(c.colour ? 3 * nvalues : nvalues), 0.0);
        }
    }
}

TEST_F(Mapping, ColourPictureTakesTheProgramsWindowAndSkipsFlatTriangles) {
    slot4 = 1;
    window[0] = -1;
    window[1] = -1;
    window[2] = 3;
    window[3] = 2;
    pixel = 0.01;
    lattice(17, 0, 0, 1, 1, 1, unmoved);
    map_colour();
    EXPECT_DOUBLE_EQ(pwin[0], -1 - 0.0137 * 4);
    EXPECT_EQ(npx, static_cast<int>(4 * 1.0274 / 0.01) + 1);
    const double dx = (pwin[2] - pwin[0]) / npx, dy = (pwin[3] - pwin[1]) / npy;
    for (int k = 1; k <= 3; ++k) {
        double s = 0;
        for (int n = 0; n < nvalues; ++n) s += picture[3 * n + k - 1];
        EXPECT_NEAR(s * dx * dy, k, 0.03 * k);  // colour k has weight k
    }
    // A grid folded onto a line: every triangle is flat and adds nothing.
    first = true;
    lattice(17, 0, 0, 1, 1, 1, [](double& z, double& y) { y = z; });
    map_colour();
    EXPECT_EQ(sum(3 * nvalues), 0.0);
    // Nor does the program's zero pixel size break the picture.
    first = true;
    pixel = 0;
    lattice(17, 0, 0, 1, 1, 1, unmoved);
    map_colour();
    EXPECT_GE(npx, 1);
    EXPECT_LE(nvalues, maxpix);
    EXPECT_TRUE(finite_picture(3 * nvalues));
}

TEST_F(Mapping, LaterSourcesAddOnlyInsideTheWindow) {
    lattice(17, 0, 0, 1, 1, 1, unmoved);
    map_grey();
    const double once = sum(nvalues);
    lattice(17, 0, 0, 1, 1, 1, [](double& z, double&) { z += 0.5; });
    map_grey();  // half of it lands beyond the window
    EXPECT_NEAR(sum(nvalues) / once, 1.5, 0.03);
    lattice(17, 0, 0, 1, 1, 1, [](double& z, double& y) {
        z += 1e6;
        y -= 1e5;
    });
    const double before = sum(nvalues);
    map_grey();
    EXPECT_EQ(sum(nvalues), before);
}

}  // namespace
}  // namespace qelta::testing
