#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/fixed_text.h"
#include "common/list_read.h"
#include "support/workdir.h"

using namespace qelta;
using qelta::testing::write_file;

namespace {

// parse_int / parse_real: one whole item, nothing around it.

TEST(ParseInt, AcceptsSignedDecimalIntegers) {
    const struct {
        const char* s;
        int v;
    } cases[] = {{"0", 0}, {"42", 42}, {"+3", 3}, {"-17", -17}, {"007", 7}, {"2147483647", 2147483647}};
    for (const auto& c : cases) {
        int v = -99;
        EXPECT_TRUE(parse_int(c.s, v)) << c.s;
        EXPECT_EQ(v, c.v) << c.s;
    }
}

TEST(ParseInt, RejectsAnythingElse) {
    for (const char* s : {"", " 1", "1 ", "abc", "2.5", "1e3", "0x10", "+", "-", "++1", "+-1", "--1", "1,", "2147483648",
                          "12a"}) {
        int v = -99;
        EXPECT_FALSE(parse_int(s, v)) << '"' << s << '"';
    }
}

TEST(ParseReal, AcceptsFortranRealForms) {
    const struct {
        const char* s;
        double v;
    } cases[] = {
        {"0.5", 0.5},     {"2", 2.0},       {"+3", 3.0},      {"-.5", -0.5},  {".5", 0.5},   {"1.", 1.0},
        {"1.e5", 1e5},    {"1.5d-3", 1.5e-3}, {"1.5D-3", 1.5e-3}, {"2.5E+2", 250.0}, {"2.5e2", 250.0},
        {"1.5q1", 15.0},  {"1+5", 1e5},     {"2.5-3", 2.5e-3}, {"-0", -0.0},  {"1e-300", 1e-300},
    };
    for (const auto& c : cases) {
        double v = -99;
        EXPECT_TRUE(parse_real(c.s, v)) << c.s;
        EXPECT_EQ(v, c.v) << c.s;
    }
}

TEST(ParseReal, RejectsAnythingElse) {
    for (const char* s : {"", " 1", "1 ", "inf", "nan", "-inf", "infinity", "1e", "1e+", "1d", "e5", ".", "-.", "+",
                          "0x10", "1.2.3", "1,5", "abc", "1.5x", "1e5.0", "1e999", "+-1"}) {
        double v = -99;
        EXPECT_FALSE(parse_real(s, v)) << '"' << s << '"';
    }
}

// One record of two integers, two reals and a text, read from a file.
struct Record {
    int i1 = -7, i2 = -7;
    double r1 = -7.5, r2 = -7.5;
    FixedText<32> name;
    Record() { name = "unset"; }
};

struct RecordCase {
    const char* label;
    const char* file;
    int i1, i2;
    double r1, r2;
    const char* name;
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.label; }

class ListRead : public qelta::testing::WorkDir, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(ListRead, ReadsRecord) {
    const RecordCase& c = GetParam();
    write_file("in.dat", c.file);
    Record rec;
    ListReader in("in.dat");
    in.read(1, {item(rec.i1, "first integer"), item(rec.i2, "second integer"), item(rec.r1, "first real"),
                item(rec.r2, "second real"), item(rec.name, "name")});
    EXPECT_EQ(rec.i1, c.i1);
    EXPECT_EQ(rec.i2, c.i2);
    EXPECT_EQ(rec.r1, c.r1);
    EXPECT_EQ(rec.r2, c.r2);
    EXPECT_EQ(rec.name.str(), c.name);
}

// -7 / -7.5 / "unset": the item kept its value.
INSTANTIATE_TEST_SUITE_P(
    ListDirected, ListRead,
    ::testing::Values(
        RecordCase{"blanks", "1 2 3.5 4.5 abc\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"commas", "1,2,3.5,4.5,abc\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"commas and blanks", "  1 , 2 ,3.5,  4.5 ,'abc'\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"tabs", "1\t2\t3.5\t4.5\tabc\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"continues on next lines", "1 2\n\n3.5\n4.5 abc\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"comment after the last item", "1 2 3.5 4.5 'abc'  steps, CFL / and a name 99\n", 1, 2, 3.5, 4.5,
                   "abc"},
        RecordCase{"slash ends the read", "1 2 / 3.5 4.5 abc\n", 1, 2, -7.5, -7.5, "unset"},
        RecordCase{"slash right after a value", "1 2 3.5/4.5 abc\n", 1, 2, 3.5, -7.5, "unset"},
        RecordCase{"slash after a comma", "1,/\n", 1, -7, -7.5, -7.5, "unset"},
        RecordCase{"slash first", "/ 1 2\n", -7, -7, -7.5, -7.5, "unset"},
        RecordCase{"slash on a continuation line", "1\n/\n2 3.5 4.5 abc\n", 1, -7, -7.5, -7.5, "unset"},
        RecordCase{"repeat counts", "2*5 2*0.25 abc\n", 5, 5, 0.25, 0.25, "abc"},
        RecordCase{"repeat across kinds", "1 3*2 abc\n", 1, 2, 2.0, 2.0, "abc"},
        RecordCase{"repeated quoted text", "1 2 3 4 1*'a b'\n", 1, 2, 3.0, 4.0, "a b"},
        RecordCase{"repeated nulls", "1 2* 4.5 abc\n", 1, -7, -7.5, 4.5, "abc"},
        RecordCase{"repeated nulls with commas", "3*,4.5,abc\n", -7, -7, -7.5, 4.5, "abc"},
        RecordCase{"null values", "1,,3.5,,abc\n", 1, -7, 3.5, -7.5, "abc"},
        RecordCase{"leading null", ",2 3.5 4.5 abc\n", -7, 2, 3.5, 4.5, "abc"},
        RecordCase{"null between blanks", "1 , , 3.5 4.5 abc\n", 1, -7, 3.5, 4.5, "abc"},
        RecordCase{"d exponents", "1 2 1.5d-3 1.5D+2 abc\n", 1, 2, 1.5e-3, 150.0, "abc"},
        RecordCase{"bare points", "1 2 1.e5 .5 abc\n", 1, 2, 1e5, 0.5, "abc"},
        RecordCase{"signs", "+3 -4 +3 -.5 abc\n", 3, -4, 3.0, -0.5, "abc"},
        RecordCase{"integer text for a real", "1 2 3 4 abc\n", 1, 2, 3.0, 4.0, "abc"},
        RecordCase{"quoted name with slashes", "1 2 3 4 './grid/wedge/wedge30.neu'  case grid file\n", 1, 2, 3.0,
                   4.0, "./grid/wedge/wedge30.neu"},
        RecordCase{"double quotes", "1 2 3 4 \"it's here\"\n", 1, 2, 3.0, 4.0, "it's here"},
        RecordCase{"doubled single quote", "1 2 3 4 'it''s'\n", 1, 2, 3.0, 4.0, "it's"},
        RecordCase{"doubled double quote", "1 2 3 4 \"a\"\"b\"\n", 1, 2, 3.0, 4.0, "a\"b"},
        RecordCase{"quoted comma and slash", "1 2 3 4 'a, b/c'\n", 1, 2, 3.0, 4.0, "a, b/c"},
        RecordCase{"empty quoted text", "1 2 3 4 ''\n", 1, 2, 3.0, 4.0, ""},
        RecordCase{"CRLF", "1 2\r\n3.5 4.5\r\n'abc'\r\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"CRLF after an unquoted text", "1 2 3.5 4.5 abc\r\n", 1, 2, 3.5, 4.5, "abc"},
        RecordCase{"no line end at end of file", "1 2 3.5 4.5 abc", 1, 2, 3.5, 4.5, "abc"}));

using ListReadFile = qelta::testing::WorkDir;

TEST_F(ListReadFile, EachReadStartsOnANewLine) {
    write_file("in.dat",
               "3 4 5        more items than the read takes\n"
               "skipped 1 2\n"
               "  fixed  format \r\n"
               "\n"
               "0.5\n"
               "'air'\n");
    ListReader in("in.dat");
    int n = 0;
    double cfl = 0;
    FixedText<3> gas;
    in.read(1, {item(n, "step count")});
    EXPECT_EQ(n, 3);
    in.skip(2);
    EXPECT_EQ(in.read_line(3, "a fixed-format line"), "  fixed  format ");
    in.read(4, {item(cfl, "CFL number")});  // the empty line continues the read
    EXPECT_EQ(cfl, 0.5);
    in.read(5, {item(gas, "gas name")});  // fills the field exactly
    EXPECT_EQ(gas.padded(), "air");
}

TEST_F(ListReadFile, NullAndSlashKeepTextField) {
    write_file("in.dat", ",\n/\n");
    FixedText<8> a, b;
    a = "old";
    b = "old";
    ListReader in("in.dat");
    in.read(1, {item(a, "first name")});
    in.read(2, {item(b, "second name")});
    EXPECT_EQ(a.padded(), "old     ");
    EXPECT_EQ(b.padded(), "old     ");
}

TEST_F(ListReadFile, QuotedTextOverwritesWholeField) {
    write_file("in.dat", "'ab'\n");
    FixedText<8> t;
    t = "previous";
    ListReader in("in.dat");
    in.read(1, {item(t, "name")});
    EXPECT_EQ(t.padded(), "ab      ");
}

TEST_F(ListReadFile, MissingFileStops) {
    EXPECT_EXIT({ ListReader in("no_such.dat"); }, ::testing::ExitedWithCode(1), "QELTA: .*no_such\\.dat");
}

// Failures: the message names the file, the record and the item expected.
// The reads: record 1 is a step count and a CFL number, record 2 a gas name
// of 8 characters.
struct ErrorCase {
    const char* label;
    const char* file;
    const char* message;  // regular expression
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.label; }

class ListReadError : public qelta::testing::WorkDir, public ::testing::WithParamInterface<ErrorCase> {};

void read_two_records() {
    ListReader in("bad.dat");
    int n = 0;
    double cfl = 0;
    FixedText<8> gas;
    in.read(1, {item(n, "step count"), item(cfl, "CFL number")});
    in.read(2, {item(gas, "gas name")});
    std::exit(0);
}

TEST_P(ListReadError, StopsNamingFileRecordAndItem) {
    const ErrorCase& c = GetParam();
    write_file("bad.dat", c.file);
    EXPECT_EXIT(read_two_records(), ::testing::ExitedWithCode(1),
                std::string("QELTA: .*\"bad\\.dat\".*") + c.message);
}

INSTANTIATE_TEST_SUITE_P(
    ListDirected, ListReadError,
    ::testing::Values(
        ErrorCase{"empty file", "", "record 1 .*an integer for the step count"},
        ErrorCase{"end of file before the last item", "3\n", "record 1 .*end of file.*a real number for the CFL number"},
        ErrorCase{"end of file before a record", "3 0.5\n", "record 2 .*end of file.*a text for the gas name"},
        ErrorCase{"letters for an integer", "abc 0.5\n'air'\n", "record 1 .*an integer for the step count.*\"abc\""},
        ErrorCase{"real for an integer", "2.5 0.5\n'air'\n", "record 1 .*an integer for the step count.*\"2\\.5\""},
        ErrorCase{"quoted number for an integer", "'3' 0.5\n'air'\n", "record 1 .*an integer for the step count"},
        ErrorCase{"quoted number for a real", "3 '0.5'\n'air'\n", "record 1 .*a real number for the CFL number"},
        ErrorCase{"two points in a real", "3 1.2.3\n'air'\n",
                  "record 1 .*a real number for the CFL number.*\"1\\.2\\.3\""},
        ErrorCase{"repeated bad value", "2*x\n'air'\n", "record 1 .*an integer for the step count.*\"x\""},
        ErrorCase{"repeat count zero", "0*3 0.5\n'air'\n", "record 1 .*repeat count"},
        ErrorCase{"text longer than its field", "3\n\n0.5\n'nitrogen2'\n",
                  "record 2 \\(line 4\\).*gas name.*nitrogen2.*longer than 8"},
        ErrorCase{"unterminated quote", "3 0.5\n'air\n", "record 2 .*unterminated.*gas name"},
        ErrorCase{"quote ends at the line end", "3 0.5\n'air\n'\n", "record 2 .*unterminated.*gas name"}));

}  // namespace
