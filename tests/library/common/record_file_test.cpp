// Sequential binary records: the length in bytes, little-endian, before and
// after the items, whatever the byte order of the machine.
#include "common/record_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/workdir.h"

using namespace qelta;
using qelta::testing::read_file;

namespace {

using RecordFile = qelta::testing::EmptyWorkDir;

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

TEST_F(RecordFile, RecordsAreFramedByTheirLengthInLittleEndianBytes) {
    {
        RecordWriter f("records.bin");
        f.record(4 + 8 + 4 + 2, [&] {
            f.int4(-2);
            f.real8(1.0);
            f.logical4(true);
            f.text("ab");
        });
        f.record(0, [] {});
        f.close();
    }
    const std::string expected = bytes({18, 0, 0, 0}) + bytes({0xfe, 0xff, 0xff, 0xff}) +
                                 bytes({0, 0, 0, 0, 0, 0, 0xf0, 0x3f}) + bytes({0xff, 0xff, 0xff, 0xff}) + "ab" +
                                 bytes({18, 0, 0, 0}) + bytes({0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(read_file("records.bin"), expected);
}

TEST_F(RecordFile, ItemsThatDoNotFillTheRecordStop) {
    EXPECT_EXIT(
        {
            RecordWriter f("records.bin");
            f.record(8, [&] { f.int4(1); });
        },
        ::testing::ExitedWithCode(1), "record +1 of \"records.bin\" does not have its length +8");
    EXPECT_EXIT(RecordWriter("no_such_dir/records.bin"), ::testing::ExitedWithCode(1),
                "Cannot create the file \"no_such_dir/records.bin\"");
}

}  // namespace
