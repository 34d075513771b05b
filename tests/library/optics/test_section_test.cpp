// The rays at the left window of the test section after the first lens,
// through both copies of the stage.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "optics/optics.h"
#include "photo_fixture.h"
#include "ray_arrays.h"
#include "support/default_bench.h"

namespace qelta::testing {
namespace {

constexpr int rays_across = 257;

// The default bench's first lens (f 500 at x = -500, Diameter 430) and
// section (left window at x = -100), and the 257 x 257 ray grid over
// [-40, 40] in z and y on that window.
class LeftWindow : public OpticsTest, protected RayArrays {
protected:
    void SetUp() override {
        OpticsTest::SetUp();
        BenchTables b = default_bench();
        copy_bench(b, elem_par, elem_ipar);
        lay_ray_grid({-40, 40, -40, 40, 80.0 / 256, 80.0 / 256}, grid());
        nrays = rays_across * rays_across;
    }
    void at_window(bool older, Vec3 source) {
        if (older)
            get_rays_at_left_window_b(elem_ipar, elem_par, section_element, source, grid(), ray_dir);
        else
            get_rays_at_left_window(elem_par, elem_ipar, source, section_element, grid(), ray_dir);
    }
    Vec3 window_point(int i) const { return {-100, ray_y[i - 1], ray_z[i - 1]}; }
    Vec3 dir(int i) const { return {ray_dir(i, 1), ray_dir(i, 2), ray_dir(i, 3)}; }

    ElementReals elem_par{};
    ElementCodes elem_ipar{};
};

// Thin lens: a source at the focal distance sends parallel rays along its
// chief ray through the lens centre; one at twice the focal distance sends
// every ray toward its image at twice the focal distance behind the lens,
// mirrored about the axis. Both copies agree, weights included.
TEST_F(LeftWindow, BothCopiesAimTheRaysAtTheLensImageOfTheSource) {
    const Vec3 centre{-500, 0, 0};
    for (bool older : {false, true}) {
        const Vec3 at_focus{-1000, 12, -7};
        at_window(older, at_focus);
        const Vec3 chief = unit(centre - at_focus);
        for (int i = 1; i <= nrays; i += 97) EXPECT_NEAR(norm(dir(i) - chief), 0.0, 1e-12) << "ray " << i;

        const Vec3 at_2f{-1500, 12, -7};
        at_window(older, at_2f);
        const Vec3 image{500, -12, 7};
        for (int i = 1; i <= nrays; i += 97)
            EXPECT_NEAR(norm(dir(i) - unit(image - window_point(i))), 0.0, 1e-12) << "ray " << i;
    }
    const std::vector<double> first(weight.begin(), weight.begin() + ncells);
    at_window(false, {-1500, 12, -7});
    EXPECT_EQ(std::vector<double>(weight.begin(), weight.begin() + ncells), first);
    EXPECT_GT(first[ncells / 2], 0.0);
}

using LeftWindowDeathTest = LeftWindow;

TEST_F(LeftWindowDeathTest, OlderCopyStopsOnItsElements) {
    const Vec3 source{-1000, 0, 0};
    EXPECT_EXIT(get_rays_at_left_window_b(elem_ipar, elem_par, 1, source, grid(), ray_dir),
                ::testing::ExitedWithCode(1), "test-section element outside 2");
    elem_ipar(1, first_lens_element) = section_type;
    EXPECT_EXIT(at_window(true, source), ::testing::ExitedWithCode(1), "Found a unknown optical element LWA!");
    elem_ipar(1, section_element) = 502;
    EXPECT_EXIT(at_window(true, source), ::testing::ExitedWithCode(1), "Found a unknown optical element LWB!");
}

}  // namespace
}  // namespace qelta::testing
