// Benches that give no finite image of the light or no finite ray path, and
// calls of fewer elements than the bench has: the schematic and the
// photograph refuse them alike, with the same message and the call named,
// and neither works on with the tables of an earlier call.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "common/run.h"
#include "optics/optics.h"
#include "photo_fixture.h"
#include "support/default_bench.h"

namespace qelta::testing {
namespace {

struct Refused {
    const char* name;
    std::function<void(BenchTables&)> change;
    const char* message;  // the first record, an extended regular expression
};

void PrintTo(const Refused& r, std::ostream* os) { *os << r.name; }

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

class RefusedBench : public OpticsTest, public ::testing::WithParamInterface<Refused> {
protected:
    void SetUp() override {
        OpticsTest::SetUp();
        run.ipar(5) = 2;
        photo->box_grid(4, 3, 0, 1, 0, 0.6, 1.0);
    }
    void schematic(BenchTables& b) {
        bench_schematic(b.ropara, b.elem_par, b.elem_ipar, b.nelem, ray_x, ray_y, nsets, image);
    }

    std::unique_ptr<Photo> photo = std::make_unique<Photo>();
    double ray_x[500] = {}, ray_y[500] = {}, image[3] = {};
    int nsets = 0;
};

// Each call first draws (or takes) the default bench, then the changed one;
// the first photograph is taken at another place, so that the second call
// does not return early with its picture.
TEST_P(RefusedBench, SchematicStops) {
    BenchTables good = default_bench();
    schematic(good);
    BenchTables b = default_bench();
    GetParam().change(b);
    EXPECT_EXIT(schematic(b), ::testing::ExitedWithCode(1),
                std::string(GetParam().message) + "(.|\n)*Stop in OPTICS_SHADOWGRAPH_A0\n");
}

TEST_P(RefusedBench, PhotographStopsTheSame) {
    BenchTables good = default_bench();
    good.io(1) = 103;
    photo->take_in_library(good);
    BenchTables b = default_bench();
    GetParam().change(b);
    EXPECT_EXIT(photo->take_in_library(b), ::testing::ExitedWithCode(1),
                std::string(GetParam().message) + "(.|\n)*Stop in OPTICS_SHADOWGRAPH_A\n");
}

#define BENCH(what, first_f, recording_f)                                                                        \
    "Stop: the bench gives no finite " what ": the light at x = -1000, the first lens at x = -500 with the focal " \
    "length " first_f ", the recording lens at x = 500 with the focal length " recording_f ", the film at x = 900"
#define FEWER(n)                                                                                                \
    "Stop: the bench has " #n " optical elements, where the light, the first lens, the test section, the "    \
    "recording lens and the film make 5"

INSTANTIATE_TEST_SUITE_P(
    Benches, RefusedBench,
    ::testing::Values(
        Refused{"FirstLensOfFocalLengthZero", [](BenchTables& b) { b.par(4, 2) = 0; },
                BENCH("ray path", "0", "200")},
        Refused{"FirstLensOfFocalLengthMinusZero", [](BenchTables& b) { b.par(4, 2) = -0.0; },
                BENCH("ray path", "-0", "200")},
        Refused{"FirstLensOfFocalLengthHuge", [](BenchTables& b) { b.par(4, 2) = 1e308; },
                BENCH("image of the light", "1e\\+308", "200")},
        Refused{"FirstLensOfFocalLengthNaN", [](BenchTables& b) { b.par(4, 2) = nan; },
                BENCH("image of the light", "nan", "200")},
        Refused{"RecordingLensOfFocalLengthZero", [](BenchTables& b) { b.par(4, 4) = 0; },
                BENCH("ray path", "500", "0")},
        Refused{"RecordingLensOfFocalLengthNaN", [](BenchTables& b) { b.par(4, 4) = nan; },
                BENCH("image of the light", "500", "nan")},
        Refused{"FilmNormalZero",
                [](BenchTables& b) {
                    for (int s : {6, 7, 8}) b.par(s, 5) = 0;
                },
                BENCH("ray path", "500", "200")},
        Refused{"NoElements", [](BenchTables& b) { b.nelem = 0; }, FEWER(0)},
        Refused{"NoFilm", [](BenchTables& b) { b.nelem = 4; }, FEWER(4)},
        Refused{"NegativeCount", [](BenchTables& b) { b.nelem = -3; }, FEWER(-3)}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

// The photograph takes a lens of the second kind as a thin lens, and
// refuses it where a thin lens would be refused.
using PhotographBench = RefusedBench;

TEST_F(PhotographBench, SecondKindLensOfFocalLengthZeroStops) {
    BenchTables b = default_bench();
    b.code(2) = 102;
    b.par(4, 2) = 0;
    EXPECT_EXIT(photo->take_in_library(b), ::testing::ExitedWithCode(1),
                BENCH("ray path", "0", "200") "(.|\n)*Stop in OPTICS_SHADOWGRAPH_A\n");
}

}  // namespace
}  // namespace qelta::testing
