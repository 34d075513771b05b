#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>

#include "case/run_driver.h"
#include "common/format.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/sweep.h"
#include "flow/timestep.h"
#include "grid/grid_store.h"
#include "qelta.h"
#include "run_fixture.h"
#include "support/stops.h"

using namespace qelta;
using qelta::testing::in_order;
using qelta::testing::read_lines;
using qelta::testing::stops_with;
using qelta::testing::write_file;

namespace {

using RunDriver = qelta::testing::ThreeCellRun;

TEST_F(RunDriver, SetUpWritesItsRecordsInOrder) {
    initialize_qelta(realPar, intPar);
    auto lines = log_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], " AA");
    std::string mesh = "./grid/wedge/wedge30.neu";
    mesh.resize(32, ' ');
    EXPECT_TRUE(in_order(lines, {
                                    " AA",
                                    " BB",
                                    " CC",
                                    " get base grid from./grid/wedge/wedge30.neu",
                                    " DD",
                                    " grid data file " + mesh,
                                    " Setting units...start....",
                                    " Setting units...end",
                                    " CC0",
                                    " CC1",
                                    " ns,iaxis,isteady",
                                    " Initializing grid.... end",
                                    " MAX_CEL  " + fmt_i(3, 12),
                                    " FATHER   " + fmt_i(0, 12),
                                    " MAX_EDG  " + fmt_i(10, 12) + fmt_i(2, 12) + fmt_i(8, 12),
                                    " MOTHER   " + fmt_i(0, 12),
                                    "",
                                    " CC0",
                                    " initial grid adaptation .. Total cells now: " + fmt_i(3, 12),
                                    " initial grid adaptation ..",
                                    " initial grid adaptation ..",
                                    " initial grid adaptation ..",
                                    " CC0",
                                    " Initializing adaptive grid data ...end",
                                    " MAX_CEL  ",
                                }));
    // With lmax = minlev = 0 there are 2 (0 - 0 + 2) = 4 passes, no uniform refinement.
    int passes = 0;
    for (auto& l : lines) passes += l.rfind(" initial grid adaptation ..", 0) == 0;
    EXPECT_EQ(passes, 4);
    for (auto& l : lines) EXPECT_EQ(l.find("Refining grid uniformly"), std::string::npos);
    EXPECT_EQ(run.time, 0);
    EXPECT_EQ(run.nstep, 0);
    EXPECT_EQ(grid.ncell0, 3);
    EXPECT_EQ(getIntPar(1), 3);
}

TEST_F(RunDriver, StepsAdvanceTimeAndReportProgress) {
    initialize_qelta(realPar, intPar);
    double W = 2 * std::sqrt(1.4);
    ASSERT_NEAR(run.t0 + run.tend, 1 / W, 1e-8);  // 0.2/W + 0.8/W, 0.2 in single precision
    std::size_t before = log_lines().size();
    double progress = 0;
    int steps = 0;
    double time = 0;
    while (progress < 1 && steps < 100) {
        step(&progress);
        ++steps;
        time += run.dt;
        EXPECT_EQ(run.nstep, steps);
        EXPECT_DOUBLE_EQ(run.time, time);
        EXPECT_DOUBLE_EQ(progress, run.time / (run.tend + run.t0));
        std::string line = log_lines().back();
        EXPECT_EQ(line, fmt_i(steps, 6) + fmt_f(progress, 6, 3) + fmt_e(run.dt, 12, 2) + fmt_e(run.time, 12, 2) +
                            fmt_i(3, 7));
    }
    EXPECT_GE(progress, 1.0);
    EXPECT_LT(progress, 1.0 + 1e-5);
    EXPECT_EQ(log_lines().size(), before + steps);

    // Another step after the end changes nothing.
    double again = 0;
    step(&again);
    EXPECT_EQ(again, progress);
    EXPECT_EQ(run.nstep, steps);
    EXPECT_EQ(run.time, time);
    EXPECT_EQ(log_lines().size(), before + steps);
}

// With the real scheme 2: the three-cell run reaches its end with positive
// states.
TEST_F(RunDriver, ThreeCellRunOfSchemeTwoReachesItsEnd) {
    scheme_sweeps(2) = {sweep_scheme2, sweep_scheme2_axi, false};
    initialize_qelta(realPar, intPar);
    double progress = 0;
    int steps = 0;
    while (progress < 1 && steps < 1000) {
        step(&progress);
        ++steps;
    }
    EXPECT_GE(progress, 1.0);
    EXPECT_LT(steps, 1000);
    for (int c = 1; c <= 3; ++c) {
        EXPECT_GT(r(c), 0);
        EXPECT_GT(p(c), 0);
        EXPECT_TRUE(std::isfinite(ux(c)) && std::isfinite(uy(c)));
    }
}

TEST_F(RunDriver, ProgressLineColumns) {
    initialize_qelta(realPar, intPar);
    run.nstep = 11;
    double progress;
    step(&progress);
    std::string line = log_lines().back();
    ASSERT_EQ(line.size(), 6u + 6 + 12 + 12 + 7);
    EXPECT_EQ(line.substr(0, 6), "    12");
    EXPECT_EQ(line.substr(line.size() - 7), "      3");
    EXPECT_EQ(line.substr(6, 6), fmt_f(progress, 6, 3));
    EXPECT_EQ(line[6 + 6 + 12 - 4], 'E');
    EXPECT_EQ(line[6 + 6 + 24 - 4], 'E');
}

TEST_F(RunDriver, BlocksOverrideTheControlFile) {
    write_control("1 3 0.01", "0 7.5 -0.2");
    intPar[5] = 5;  // slot 6: maximum level
    intPar[1] = 1;  // slot 2: viscous
    intPar[2] = 1;  // slot 3: axisymmetric
    copy_parameter_blocks(realPar, intPar);
    open_run_log();
    init_common();
    read_control_file();
    EXPECT_EQ(run.lmax, 3);
    EXPECT_EQ(run.amach, 7.5);
    apply_block_overrides();
    EXPECT_EQ(run.minlev, 1);
    EXPECT_EQ(run.lmax, 5);
    EXPECT_EQ(run.amach, 2.0);
    EXPECT_EQ(run.ns, 1);
    EXPECT_EQ(run.iaxis, 1);
    EXPECT_EQ(run.meshfile.str(), "./grid/wedge/wedge30.neu");
}

// Fields that only viscous runs, the wedge or a restart file set, as a
// viscous run continued from "runsave" leaves them: an inviscid run started
// after it in the same process carries none of them into its state or its
// own restart file.
TEST_F(RunDriver, ARunStartsWithNothingOfAnEarlierRun) {
    run.reyn = 1.5e5;
    run.prand = 0.71;
    run.twall = 1;
    run.sut_mu = 0.38;
    run.sut_k = 0.66;
    ref.mu_ref = 1.8e-5;
    ref.k_ref = 0.025;
    run.cputime = 12.5;
    run.rsave3 = run.rsave4 = 3;
    run.lightning_done = 1;
    run.idrag = 41;
    run.ioptlog = 7;
    initialize_qelta(realPar, intPar);
    const std::pair<const char*, double> zero[] = {
        {"reyn", run.reyn},     {"prand", run.prand},   {"twall", run.twall},   {"sut_mu", run.sut_mu},
        {"sut_k", run.sut_k},   {"mu_ref", ref.mu_ref}, {"k_ref", ref.k_ref},   {"cputime", run.cputime},
        {"rsave3", run.rsave3}, {"rsave4", run.rsave4},
    };
    for (auto [name, v] : zero) EXPECT_EQ(v, 0) << name;
    EXPECT_EQ(run.lightning_done, 0);
    EXPECT_EQ(run.idrag, 0);
    EXPECT_EQ(run.ioptlog, 7);  // the optics log belongs to the session, not to the run
    EXPECT_EQ(run.wangle, 30);  // set again by the wedge
    EXPECT_EQ(run.gam, 1.4);
}

TEST_F(RunDriver, DerivedParameters) {
    struct Case {
        int ischeme;
        int irecon;
    } cases[] = {{1, 1}, {2, 1}, {5, 1}, {6, 2}, {7, 1}};
    for (auto k : cases) {
        write_controladv(std::to_string(k.ischeme) + " 1", "2.0 0.01");
        read_controladv_file();
        derive_run_parameters();
        EXPECT_EQ(run.irecon, k.irecon) << "scheme " << k.ischeme;
        EXPECT_DOUBLE_EQ(run.area_min, 0.0001);
        EXPECT_EQ(run.blend_fac, 1.0);
        EXPECT_EQ(run.rsave2, 1.0);
    }
}

TEST_F(RunDriver, FluxCodeOfSchemesSevenAndEight) {
    struct Case {
        const char* rec4;
        bool refused;
    } cases[] = {{"7 5", true}, {"8 0", true}, {"8 14", false}, {"7 11", false}, {"2 5", false}};
    for (auto k : cases) {
        write_controladv(k.rec4);
        read_controladv_file();
        if (k.refused)
            EXPECT_EXIT(derive_run_parameters(), ::testing::ExitedWithCode(1), "Unknown parameter iflux: ")
                << k.rec4;
        else
            derive_run_parameters();
    }
}

TEST_F(RunDriver, WallFactorMustBePositive) {
    write_controladv("2 1", "0.0 0.01");
    EXPECT_EXIT(read_controladv_file(), ::testing::ExitedWithCode(1),
                "record 2 \\(line 2\\): the wall edge factor is 0; it must be a finite number in \\[0.01, 100\\]");
}

TEST_F(RunDriver, MachNumberChecks) {
    struct Case {
        int id;
        double mach;
        int isteady;
        const char* refusal;  // nullptr: accepted
    } cases[] = {
        {2, 0.5, 0, "moving shock \\(realPar slot 2\\) is 0.5; it must be a finite number in \\[1, 100\\]"},
        {1, 0.99, 0, "moving shock \\(realPar slot 2\\) is 0.99; it must be a finite number in \\[1, 100\\]"},
        {2, 1.0, 0, nullptr},  // the undisturbed state
        {2, 0.5, 1, nullptr},  // a uniform stream
        {2, -1.0, 1, "Mach number \\(realPar slot 2\\) is -1; it must be a finite number in \\(0, 100\\]"},
        {102, 0.5, 0, nullptr},
        {102, 0.0, 0, "Mach number \\(realPar slot 2\\) is 0; it must be"},
        {101, 0.0, 0, "moving shock \\(realPar slot 2\\) is 0; it must be"},
        {6, 0.0, 0, nullptr},  // the explosions do not use it
    };
    for (auto k : cases) {
        run.ipar(5) = k.id;
        run.amach = k.mach;
        run.isteady = k.isteady;
        if (k.refusal)
            EXPECT_EXIT(check_mach_number(), ::testing::ExitedWithCode(1), k.refusal) << k.id << " " << k.mach;
        else
            check_mach_number();
    }
}

TEST_F(RunDriver, MachNumberBelowOneIsRefusedAtSetUp) {
    realPar[1] = 0.8;
    EXPECT_TRUE(stops_with([&] { initialize_qelta(realPar, intPar); },
                           "Mach number of a moving shock \\(realPar slot 2\\) is 0.8"));
}

struct BadFile {
    const char* name;
    const char* text;     // nullptr: the file is missing
    const char* message;  // on stderr
    const char* logged;   // in the last record of the run log
};

TEST_F(RunDriver, BadControlFilesStopWithAClearMessage) {
    const BadFile cases[] = {
        {"control.dat", nullptr, "Cannot open the file \"control.dat\"", "Cannot open"},
        {"controladv.dat", nullptr, "Cannot open the file \"controladv.dat\"", "Cannot open"},
        {"control.dat", "0 0 0.01\n0.5\n0 2.0 -0.2\n0 1.0\n", "\"control.dat\", record 5 .*end of file.*an integer",
         "end of file"},
        {"control.dat", "0 0 0.01\n0.5\n0 abc -0.2\n0 1.0\n0 0 0 0\n'x'\n",
         "\"control.dat\", record 3 \\(line 3\\): expected a real number for the Mach number, found \"abc\"",
         "found \"abc\""},
        {"control.dat", "0 0.5 0.01\n0.5\n0 2.0 -0.2\n0 1.0\n0 0 0 0\n'x'\n",
         "record 1 .*an integer for the maximum level, found \"0.5\"", "found \"0.5\""},
        {"controladv.dat", "0 0\n2.0 0.01\n0.2 0.05\ntwo 1\n0.0\n0.0\n", "\"controladv.dat\", record 4 .*scheme",
         "found \"two\""},
        {"controladv.dat", "0 0\n2.0 0.01\n0.2 0.05\n9 1\n0.0\n0.0\n", "Unknown parameter ischeme: +9",
         "Stop in solve_euler_step"},
    };
    for (auto k : cases) {
        write_control();
        write_controladv();
        if (k.text)
            write_file(k.name, k.text);
        else
            std::remove(k.name);
        EXPECT_TRUE(stops_with([&] { initialize_qelta(realPar, intPar); }, k.message)) << k.message;
        auto lines = log_lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find(k.logged), std::string::npos) << lines.back();
    }
}

TEST_F(RunDriver, TwoRunsOfOneProcessShareTheLog) {
    write_file("record.txt", "left by another process\n");
    initialize_qelta(realPar, intPar);
    std::size_t first = log_lines().size();
    initialize_qelta(realPar, intPar);
    auto lines = log_lines();
    EXPECT_EQ(lines[0], " AA");  // the old file was replaced
    ASSERT_EQ(lines.size(), 2 * first);
    EXPECT_EQ(lines[first], " AA");
}

TEST(GetIntPar, AnswersEveryCode) {
    grid.ncell = 1234;
    struct Case {
        int code, value;
    } cases[] = {{0, 200000}, {1, 1234}, {10, 20}, {11, 20}, {12, 5}, {13, 5}, {2, 0}, {-1, 0}, {14, 0}};
    for (auto k : cases) EXPECT_EQ(getIntPar(k.code), k.value) << k.code;
}

TEST_F(RunDriver, OpticsLogOpensAndCloses) {
    initial_optics();
    EXPECT_EQ(run.ioptlog, 7);
    write_free(7, "optics");
    close_optics();
    EXPECT_EQ(read_lines("zoptics.txt"), std::vector<std::string>{" optics"});
}

TEST_F(RunDriver, RecordingFileOfOtherCasesIsNothing) {
    initialize_qelta(realPar, intPar);
    close_recording_file();
    EXPECT_FALSE(qelta::testing::file_exists("draghis.dat"));
}

// ---- Values outside their meaning ----

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// A faulty input: what it changes in the control files or the blocks, and
// the message it ends with (an extended regular expression on stderr).
struct BadInput {
    const char* name;
    std::function<void(RunDriver&)> change;
    const char* message;
};

void PrintTo(const BadInput& k, std::ostream* os) { *os << k.name; }

class BadInputStops : public RunDriver, public ::testing::WithParamInterface<BadInput> {
protected:
    void expect_stop(const std::string& message) {
        GetParam().change(*this);
        EXPECT_TRUE(stops_with([&] { initialize_qelta(realPar, intPar); }, message));
    }
};

// "control.dat" with records 1, 2 and 4 as given.
void write_control_records(const std::string& rec1, const std::string& cfl, const std::string& rec4) {
    write_file("control.dat", rec1 + "\n" + cfl + "\n0 2.0 -0.2\n" + rec4 + "\n0 0 0 0\n'./grid/wedge/wedge30.neu'\n");
}

auto control(const std::string& rec1, const std::string& cfl, const std::string& rec4 = "0 1.0") {
    return [=](RunDriver&) { write_control_records(rec1, cfl, rec4); };
}
auto controladv(const std::string& rec2) { return [=](RunDriver& r) { r.write_controladv("2 1", rec2); }; }

using ControlFile = BadInputStops;

TEST_P(ControlFile, ValueOutsideItsRangeStops) { expect_stop(GetParam().message); }

INSTANTIATE_TEST_SUITE_P(
    Values, ControlFile,
    ::testing::Values(
        BadInput{"CflNegative", control("0 0 0.01", "-0.5"),
                 R"("control.dat", record 2 \(line 2\): the CFL number is -0.5; it must be a finite number in \(0, 1\])"},
        BadInput{"CflFive", control("0 0 0.01", "5"), R"(record 2 \(line 2\): the CFL number is 5; it must be)"},
        BadInput{"CflZero", control("0 0 0.01", "0"), R"(record 2 \(line 2\): the CFL number is 0; it must be)"},
        BadInput{"MinimumLevelMillion", control("1000000 0 0.01", "0.5"),
                 R"(record 1 \(line 1\): the minimum level is 1000000; it must be an integer in 0 \.\. 52)"},
        BadInput{"MinimumLevelIntegerLimit", control("2147483647 0 0.01", "0.5"),
                 R"(record 1 \(line 1\): the minimum level is 2147483647; it must be an integer in 0 \.\. 52)"},
        BadInput{"MinimumLevelNegative", control("-1 0 0.01", "0.5"), R"(the minimum level is -1; it must be)"},
        BadInput{"NoiseTermNegative", control("0 0 -0.01", "0.5"),
                 R"(record 1 \(line 1\): the indicator noise term is -0.01; it must be a finite number of at least 0)"},
        BadInput{"RunLengthZero", control("0 0 0.01", "0.5", "0 0.0"),
                 R"(record 4 \(line 4\): the run length is 0; it must be a finite number above 0)"},
        BadInput{"WallFactorHuge", controladv("1e300 0.01"),
                 R"("controladv.dat", record 2 \(line 2\): the wall edge factor is 1e\+300; it must be a finite number in \[0.01, 100\])"},
        BadInput{"SmallestCellNegative", controladv("2.0 -0.01"),
                 R"(record 2 \(line 2\): the smallest refinable cell size is -0.01; it must be a finite number of at least 0)"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// realPar slot k (from 1) := v, and the case.
auto real_slot(int k, double v, int id = 2) {
    return [=](RunDriver& r) {
        r.realPar[k - 1] = v;
        r.intPar[4] = id;
    };
}
auto int_slot(int k, int v) { return [=](RunDriver& r) { r.intPar[k - 1] = v; }; }

using ParameterBlock = BadInputStops;

TEST_P(ParameterBlock, ValueOutsideItsRangeStops) {
    expect_stop(std::string(GetParam().message) + "(.|\n)*Stop in initialize_qelta");
}

INSTANTIATE_TEST_SUITE_P(
    Values, ParameterBlock,
    ::testing::Values(
        BadInput{"WedgeMachHuge", real_slot(2, 1e300),
                 R"(Error: the Mach number of a moving shock \(realPar slot 2\) is 1e\+300; it must be a finite number in \[1, 100\])"},
        BadInput{"WedgeMachInfinite", real_slot(2, inf), R"(moving shock \(realPar slot 2\) is inf; it must be)"},
        BadInput{"CylinderMachNotANumber", real_slot(2, nan, 1), R"(moving shock \(realPar slot 2\) is nan; it must be)"},
        BadInput{"AirfoilMachBillion", real_slot(2, 1e9, 102),
                 R"(Error: the Mach number \(realPar slot 2\) is 1e\+09; it must be a finite number in \(0, 100\])"},
        BadInput{"AirfoilMachInfinite", real_slot(2, inf, 102), R"(the Mach number \(realPar slot 2\) is inf)"},
        BadInput{"GammaInfinite", real_slot(4, inf),
                 R"(the ratio of specific heats \(realPar slot 4\) is inf; it must be a finite number of at most 3)"},
        BadInput{"GammaNotANumber", real_slot(4, nan), R"(the ratio of specific heats \(realPar slot 4\) is nan)"},
        BadInput{"GammaAboveThree", real_slot(4, 3.5), R"(the ratio of specific heats \(realPar slot 4\) is 3.5)"},
        BadInput{"WedgeAngleNotANumber", real_slot(3, nan),
                 R"(the wedge or cone angle in degrees \(realPar slot 3\) is nan; it must be a finite number)"},
        BadInput{"ConeAngleInfinite", real_slot(3, -inf, 4), R"(wedge or cone angle in degrees \(realPar slot 3\) is -inf)"},
        BadInput{"AngleOfAttackNotANumber", real_slot(3, nan, 102),
                 R"(the angle of attack in degrees \(realPar slot 3\) is nan; it must be a finite number in \[-180, 180\])"},
        BadInput{"AngleOfAttackInfinite", real_slot(3, inf, 102), R"(angle of attack in degrees \(realPar slot 3\) is inf)"},
        BadInput{"AngleOfAttackBeyondAHalfTurn", real_slot(3, 200, 102),
                 R"(angle of attack in degrees \(realPar slot 3\) is 200)"},
        BadInput{"SphereDiameterHuge", real_slot(3, 1e300, 101),
                 R"(the sphere diameter in mm \(realPar slot 3\) is 1e\+300; it must be a finite number in \[0.001, 1e\+06\])"},
        BadInput{"AxisFlagTwo", int_slot(3, 2), R"(the axis flag \(intPar slot 3\) is 2; it must be an integer in 0 \.\. 1)"},
        BadInput{"AxisFlagMinusOne", int_slot(3, -1), R"(the axis flag \(intPar slot 3\) is -1)"},
        BadInput{"ResolutionIntegerLimit", int_slot(6, INT_MAX),
                 R"(maximum refinement level \(intPar slot 6\) is 2147483647; it must be an integer in 0 \.\. 52)"},
        BadInput{"ResolutionLowestInteger", int_slot(6, INT_MIN),
                 R"(maximum refinement level \(intPar slot 6\) is -2147483648)"},
        BadInput{"ResolutionFiftyThree", int_slot(6, 53), R"(maximum refinement level \(intPar slot 6\) is 53)"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// The ends of the ranges, and the values the program offers, set a run up.
TEST_F(RunDriver, ValuesAtTheEndsOfTheirRangesAreAccepted) {
    struct Case {
        int id, iaxis, level;
        double mach, angle, gamma;
        double gam;  // the run's ratio of specific heats
    } cases[] = {
        {2, 0, 0, 1.0, 0, 1.4, 1.4},   {2, 0, 6, 10, 90, 1.4, 1.4},  {4, 0, 8, 100, 45, 3, 3},
        {1, 0, 0, 3, 0, 1.0, 1.001},   {102, 0, 0, 0.5, -180, 1.4, 1.4}, {102, 0, 0, 100, 180, 1.4, 1.4},
        {6, 0, 0, 0, 0, 1.4, 1.4},     {101, 0, 0, 2, 0.001, 1.4, 1.4},
    };
    for (auto k : cases) {
        double real[20] = {0, k.mach, k.angle, k.gamma};
        int ints[20] = {0, 0, k.iaxis, 0, k.id, k.level};
        initialize_qelta(real, ints);
        EXPECT_EQ(run.gam, k.gam) << k.id;
        EXPECT_EQ(run.lmax, k.level) << k.id;
        if (k.id == 101) close_recording_file();
    }
    write_control_records("52 0 0", "1.0", "0 1e-6");
    initialize_qelta(realPar, intPar);
    EXPECT_EQ(run.minlev, 52);
    EXPECT_EQ(run.cfl, 0.5);  // the wedge's own
}

// Levels: 52 is the finest that means something (a side of 2^-52 of its base
// cell's is the rounding unit of a coordinate that large); what a grid can
// hold is left to the capacity tests of the refinement.
TEST_F(RunDriver, LevelsUpToTheFinestMeaningfulOneAreAccepted) {
    copy_parameter_blocks(realPar, intPar);
    open_run_log();
    init_common();
    write_control("52 0 0.01");
    read_control_file();
    EXPECT_EQ(run.minlev, 52);
    for (int level : {9, 20, 52}) {
        run.ipar(6) = level;
        apply_block_overrides();
        EXPECT_EQ(run.lmax, level);
    }
    write_control("53 0 0.01");
    EXPECT_EXIT(read_control_file(), ::testing::ExitedWithCode(1),
                R"("control.dat", record 1 \(line 1\): the minimum level is 53; it must be an integer in 0 \.\. 52)");
    run.ipar(6) = 53;
    EXPECT_EXIT(apply_block_overrides(), ::testing::ExitedWithCode(1),
                R"(the resolution, the maximum refinement level \(intPar slot 6\) is 53; it must be an integer in )"
                R"(0 \.\. 52(.|\n)*Stop in initialize_qelta)");
}

// ---- Steps that cannot go on ----

// The program calls step only after initialize_qelta; without a run there
// is nothing to advance, and a caller waiting for progress 1 would wait
// for ever: the stop sets it to 1.
TEST(StepWithoutARun, StopsWithAMessage) {
    double progress = -1;
    EXPECT_TRUE(stops_with([&] { step(&progress); },
                           "step is called before initialize_qelta has set up a run(.|\n)*Stop in step"));
    EXPECT_EQ(progress, 1);
}

// A step that leaves a value that is not a finite number in a cell.
struct Poison {
    const char* name;
    void (*sweep)();
    const char* message;
};

void PrintTo(const Poison& k, std::ostream* os) { *os << k.name; }

class NonFiniteState : public RunDriver, public ::testing::WithParamInterface<Poison> {};

// The run ends in the step that made it, naming the step and the cell,
// before the progress reports the step done.
TEST_P(NonFiniteState, EndsTheRunAtThatStep) {
    initialize_qelta(realPar, intPar);
    double progress;
    step(&progress);
    scheme_sweeps(2) = {GetParam().sweep, GetParam().sweep, true};
    EXPECT_TRUE(
        stops_with([&] { step(&progress); }, std::string("the flow state is not finite after step 2: cell 2 has ") +
                                                 GetParam().message + "(.|\n)*Stop in step"));
}

template <int k>
void poison_nan() {
    cons(2, k) = std::nan("");
    cons_to_prim();
}
template <int k>
void poison_inf() {
    cons(2, k) = (k == 1 ? 1 : -1) * std::numeric_limits<double>::infinity();
    cons_to_prim();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NonFiniteState,
    ::testing::Values(Poison{"DensityNotANumber", poison_nan<1>, "the density nan and the pressure nan"},
                      Poison{"EnergyNotANumber", poison_nan<2>, "the density 1 and the pressure nan"},
                      Poison{"MomentumNotANumber", poison_nan<3>, "the density 1 and the pressure nan"},
                      Poison{"DensityInfinite", poison_inf<1>, "the density inf and the pressure "},
                      Poison{"EnergyInfinite", poison_inf<2>, "the density 1 and the pressure -inf"},
                      Poison{"MomentumInfinite", poison_inf<4>, "the density 1 and the pressure -?(inf|nan)"}),
    [](const ::testing::TestParamInfo<Poison>& info) { return std::string(info.param.name); });

// A CFL number of 1e-9 (the cylinder keeps the control file's) would take
// some 1e11 steps to the end: the first step says so and stops.
TEST_F(RunDriver, RunOfTooManyStepsStopsAtItsFirstStep) {
    intPar[4] = 1;
    initialize_qelta(realPar, intPar);
    run.cfl = 1e-9;
    double progress;
    EXPECT_TRUE(stops_with([&] { step(&progress); },
                           "the run would need more than 10000000 steps: step 1 has the time step [0-9.e+-]+ and "
                           "[0-9.e+-]+ of the run time is left to its end at [0-9.e+-]+(.|\n)*Stop in step"));
}

TEST_F(RunDriver, RunOfTooManyStepsIsRefusedBeforeItStarts) {
    write_control_records("0 0 0.01", "1e-9", "0 1.0");
    intPar[4] = 1;
    EXPECT_EXIT(setup_run(realPar, intPar), ::testing::ExitedWithCode(1),
                "the run would need more than 10000000 steps: its first time step is [0-9.e+-]+ for the run time "
                "of [0-9.e+-]+(.|\n)*Stop in initialize_qelta");
}

}  // namespace
