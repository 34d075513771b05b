#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/log.h"
#include "common/run.h"
#include "support/workdir.h"

using namespace qelta;
using qelta::testing::read_file;
using qelta::testing::read_lines;
using qelta::testing::write_file;
using Lines = std::vector<std::string>;

namespace {

struct LogUnits : qelta::testing::WorkDir {
    void SetUp() override {
        WorkDir::SetUp();
        // The log checks below read, after a death test, what its child wrote.
        GTEST_FLAG_SET(death_test_style, "fast");
    }
    static Lines lines(const std::string& name) {
        flush_units();
        return read_lines(name);
    }
};

TEST_F(LogUnits, OpenCreatesTheFileAfresh) {
    write_file("record.txt", "old line 1\nold line 2\n");
    open_unit(6, "record.txt");
    EXPECT_TRUE(unit_is_open(6));
    EXPECT_EQ(read_file("record.txt"), "");
    write_record(6, "new");
    EXPECT_EQ(lines("record.txt"), Lines{"new"});
}

TEST_F(LogUnits, ReopeningOnTheSameFileKeepsItOpen) {
    open_unit(6, "record.txt");
    write_record(6, "first run");
    open_unit(6, "record.txt");
    write_record(6, "second run");
    EXPECT_EQ(lines("record.txt"), (Lines{"first run", "second run"}));
}

TEST_F(LogUnits, CloseThenOpenStartsAfresh) {
    open_unit(6, "record.txt");
    write_record(6, "first run");
    close_unit(6);
    EXPECT_FALSE(unit_is_open(6));
    EXPECT_EQ(read_lines("record.txt"), Lines{"first run"});  // closing writes it out
    open_unit(6, "record.txt");
    write_record(6, "second run");
    EXPECT_EQ(lines("record.txt"), Lines{"second run"});
}

TEST_F(LogUnits, OpeningOnAnotherFileMovesTheUnit) {
    open_unit(6, "a.txt");
    write_record(6, "to a");
    open_unit(6, "b.txt");
    write_record(6, "to b");
    EXPECT_EQ(lines("a.txt"), Lines{"to a"});
    EXPECT_EQ(lines("b.txt"), Lines{"to b"});
}

TEST_F(LogUnits, UnitsWriteTheirOwnFiles) {
    open_unit(6, "record.txt");
    open_unit(7, "zoptics.txt");
    write_record(7, "optics");
    write_record(6, "run");
    write_record(7, "optics again");
    EXPECT_EQ(lines("record.txt"), Lines{"run"});
    EXPECT_EQ(lines("zoptics.txt"), (Lines{"optics", "optics again"}));
}

TEST_F(LogUnits, FreeRecordsStartWithABlank) {
    run.iolog = 9;
    open_unit(9, "record.txt");
    write_free(9, "steps", 20);
    write_log("CFL number", 0.5, " steady", false);
    log_fixed("fixed as it stands");
    write_record(9, "");
    EXPECT_EQ(lines("record.txt"), (Lines{" steps" + std::string(10, ' ') + "20",
                                          " CFL number" + std::string(22, ' ') + "0.5 steady F",
                                          "fixed as it stands", ""}));
}

TEST_F(LogUnits, UnopenedUnitWritesToStderr) {
    for (int unit : {6, 42, -1, max_unit + 1}) {
        EXPECT_EXIT(
            {
                write_record(unit, "a record without a file");
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "^a record without a file\n$")
            << "unit " << unit;
    }
    EXPECT_FALSE(unit_is_open(42));
}

TEST_F(LogUnits, ClosedUnitWritesToStderr) {
    open_unit(6, "record.txt");
    write_record(6, "in the file");
    close_unit(6);
    EXPECT_EXIT(
        {
            write_record(6, "after close");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^after close\n$");
    EXPECT_EQ(read_lines("record.txt"), Lines{"in the file"});
}

TEST_F(LogUnits, FatalStopWritesLogAndStderrThenExits) {
    run.iolog = 8;
    open_unit(8, "record.txt");
    open_unit(6, "other.txt");
    write_log("before the stop");
    EXPECT_EXIT(fatal_stop({"Something went wrong", "in record 3"}), ::testing::ExitedWithCode(1),
                "^QELTA: Something went wrong\nQELTA: in record 3\n$");
    EXPECT_EQ(lines("record.txt"), (Lines{" before the stop", " Something went wrong", " in record 3"}));
    EXPECT_EQ(lines("other.txt"), Lines{});
}

TEST_F(LogUnits, FatalStopOnAGivenUnit) {
    run.iolog = 6;
    open_unit(6, "record.txt");
    open_unit(7, "zoptics.txt");
    EXPECT_EXIT(fatal_stop({"optics failed"}, 7), ::testing::ExitedWithCode(1), "^QELTA: optics failed\n$");
    EXPECT_EQ(lines("zoptics.txt"), Lines{" optics failed"});
    EXPECT_EQ(lines("record.txt"), Lines{});
}

TEST_F(LogUnits, FatalStopWithoutLogGoesToStderrOnly) {
    run.iolog = 6;
    EXPECT_EXIT(fatal_stop({"no log"}), ::testing::ExitedWithCode(1), "^QELTA: no log\n$");
    EXPECT_FALSE(qelta::testing::file_exists("record.txt"));
}

TEST_F(LogUnits, FatalStopFlushesFullyBufferedStdout) {
    // stdout to a file is fully buffered: without the flush the text is lost
    // by the exit that runs no handlers.
    EXPECT_EXIT(
        {
            if (!std::freopen("stdout.txt", "w", stdout)) std::exit(2);
            std::printf("pending output");
            fatal_stop({"stop"});
        },
        ::testing::ExitedWithCode(1), "QELTA: stop");
    EXPECT_EQ(read_file("stdout.txt"), "pending output");
}

// Inside an entry-point call the stop writes as ever, then throws for the
// entry point to catch; once the call has ended it ends the process again.
TEST_F(LogUnits, FatalStopInsideAnEntryCallThrows) {
    run.iolog = 6;
    open_unit(6, "record.txt");
    ::testing::internal::CaptureStderr();
    try {
        EntryCall outer;
        {
            EntryCall inner;
        }
        fatal_stop({"Something went wrong", "in record 3"});
        ADD_FAILURE() << "no stop";
    } catch (const Stop& stop) {
        EXPECT_STREQ(stop.what(), "Something went wrong\nin record 3");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "QELTA: Something went wrong\nQELTA: in record 3\n");
    EXPECT_EQ(lines("record.txt"), (Lines{" Something went wrong", " in record 3"}));
    EXPECT_EXIT(fatal_stop({"after the call"}), ::testing::ExitedWithCode(1), "^QELTA: after the call\n$");
}

TEST_F(LogUnits, OpenFailuresStop) {
    EXPECT_EXIT(open_unit(8, "no_such_dir/x.txt"), ::testing::ExitedWithCode(1),
                "QELTA: Cannot create the file \"no_such_dir/x\\.txt\"");
    EXPECT_EXIT(open_unit(max_unit + 1, "x.txt"), ::testing::ExitedWithCode(1), "QELTA: Unit number out of range: +100");
    EXPECT_FALSE(qelta::testing::file_exists("x.txt"));
}

}  // namespace
