// Every wedge grid stays a grid of convex counterclockwise cells when it is
// bent to any angle that it serves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "neu_grid.h"
#include "wedge_bend.h"

using namespace qelta::testing;

namespace {

NeuGrid wedge_file(int grid_angle) {
    char name[64];
    std::snprintf(name, sizeof name, "%s/wedge/wedge%02d.neu", QELTA_GRID_DIR, grid_angle);
    return read_neu(name);
}

// The smallest sine of a corner angle (cross product over the two side lengths).
double worst_corner(const NeuGrid& g) {
    double worst = 1;
    for (std::size_t c = 0; c < g.cells.size(); ++c)
        for (int k = 0; k < 4; ++k) {
            const int p = g.cells[c][k] - 1, a = g.cells[c][(k + 1) % 4] - 1, b = g.cells[c][(k + 3) % 4] - 1;
            const double la = std::hypot(g.x[a] - g.x[p], g.y[a] - g.y[p]);
            const double lb = std::hypot(g.x[b] - g.x[p], g.y[b] - g.y[p]);
            worst = std::min(worst, corner_cross(g, c, k) / (la * lb));
        }
    return worst;
}

TEST(WedgeGridChoice, AnglesTakeTheirGrids) {
    const struct {
        double angle;
        int grid;
    } table[] = {{0, 0},      {2.4999, 0}, {2.5, 5},  {7.4, 5},     {12.5, 15}, {37.5, 40}, {40, 40},
                 {40.0001, 45}, {42, 45},   {42.4, 45}, {44.999, 45}, {47.4999, 45}, {47.5, 50}, {87.6, 90},
                 {90, 90},    {95, 90},    {-3, 0}};
    for (const auto& c : table) EXPECT_EQ(wedge_grid_for(c.angle), c.grid) << c.angle;
}

TEST(WedgeBend, MovesTheSurfaceToTheAskedAngle) {
    // Grid 30 bent to 32: every surface node ends on the line y = x tan 32.
    NeuGrid g = wedge_file(30);
    bend_wedge(g, 30, 32);
    const double t1 = std::tan(32 * 0.017453292519943295);
    int surface = 0;
    for (std::size_t n = 0; n < g.x.size(); ++n)
        if (g.x[n] > 0 && g.y[n] < 0.999999 && std::fabs(g.y[n] - g.x[n] * t1) < 1e-12) ++surface;
    EXPECT_EQ(surface, 20);  // the nodes of 20 surface cells but the apex
    // Grid 60 bent to 62.5: the surface meets the top wall at cot 62.5.
    NeuGrid h = wedge_file(60);
    bend_wedge(h, 60, 62.5);
    const double c1 = 1 / std::tan(62.5 * 0.017453292519943295);
    bool corner = false;
    for (std::size_t n = 0; n < h.x.size(); ++n) corner |= h.y[n] == 1 && std::fabs(h.x[n] - c1) < 1e-12;
    EXPECT_TRUE(corner);
}

// Angles that matter: both ends of every grid's range, just inside them, and
// a sweep in steps of 0.1 degree.
std::vector<double> angles_served_by(int grid) {
    std::vector<double> v;
    for (double a : {grid - 2.5, grid - 2.4999, grid - 1e-4, double(grid), grid + 1e-4, grid + 2.4999, grid + 2.5,
                     40.0001, 42.4, 44.999, 47.4999})
        if (a >= 0 && a <= 90 && wedge_grid_for(a) == grid) v.push_back(a);
    for (int k = -50; k <= 50; ++k) {
        const double a = grid + 0.1 * k;
        if (a >= 0 && a <= 90 && wedge_grid_for(a) == grid) v.push_back(a);
    }
    return v;
}

class WedgeBendRange : public ::testing::TestWithParam<int> {};

TEST_P(WedgeBendRange, StaysUntangledForEveryAngleItServes) {
    const int grid = GetParam();
    const NeuGrid flat = wedge_file(grid);
    const auto angles = angles_served_by(grid);
    ASSERT_FALSE(angles.empty());
    for (double a : angles) {
        NeuGrid g = flat;
        bend_wedge(g, grid, a);
        // Convex with corners no sharper than about 20 degrees.
        EXPECT_GT(worst_corner(g), 0.35) << "grid " << grid << " bent to " << a;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryGrid, WedgeBendRange, ::testing::Range(0, 95, 5),
                         [](const ::testing::TestParamInfo<int>& info) {
                             char s[16];
                             std::snprintf(s, sizeof s, "wedge%02d", info.param);
                             return std::string(s);
                         });

}  // namespace
