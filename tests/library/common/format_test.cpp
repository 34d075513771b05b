#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/format.h"
#include "common/list_read.h"

using namespace qelta;

namespace {

struct NumberCase {
    double v;
    int w, d;
    const char* expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.v << " w=" << c.w << " d=" << c.d; }

// Fw.d
class FixedPoint : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FixedPoint, Writes) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(fmt_f(c.v, c.w, c.d), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Format, FixedPoint,
                         ::testing::Values(NumberCase{1.0, 6, 3, " 1.000"},    //
                                           NumberCase{100.0, 4, 0, "100."},    // no decimals: the point stays
                                           NumberCase{0.0, 4, 0, "  0."},      //
                                           NumberCase{0.25, 6, 2, "  0.25"},   //
                                           NumberCase{0.5, 6, 2, "  0.50"},    //
                                           NumberCase{-0.25, 6, 2, " -0.25"},  //
                                           NumberCase{-12.5, 6, 1, " -12.5"},  //
                                           NumberCase{2.346, 6, 2, "  2.35"},  // rounds up
                                           NumberCase{2.344, 6, 2, "  2.34"},  // rounds down
                                           NumberCase{-2.346, 6, 2, " -2.35"},  //
                                           NumberCase{0.999, 5, 2, " 1.00"},   // carry into the units
                                           NumberCase{9.999, 5, 2, "10.00"},   // carry adds a digit, still fits
                                           NumberCase{99.999, 5, 2, "*****"},  // carry makes it overflow
                                           NumberCase{12345.6, 6, 2, "******"},  //
                                           NumberCase{-1.0, 4, 2, "****"},       //
                                           NumberCase{1e10, 6, 2, "******"},     //
                                           NumberCase{0.5, 3, 1, "0.5"},          //
                                           NumberCase{0.5, 2, 1, ".5"},           // leading zero dropped to fit
                                           NumberCase{-0.5, 3, 1, "-.5"},         //
                                           NumberCase{-0.5, 2, 1, "**"},          //
                                           NumberCase{10.5, 4, 1, "10.5"},        //
                                           NumberCase{10.5, 3, 1, "***"}));       // a zero inside is no leading zero

// Ew.d
class Exponent : public ::testing::TestWithParam<NumberCase> {};

TEST_P(Exponent, Writes) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(fmt_e(c.v, c.w, c.d), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Format, Exponent,
    ::testing::Values(NumberCase{0.001234, 12, 2, "    0.12E-02"},   //
                      NumberCase{0.0, 12, 2, "    0.00E+00"},        //
                      NumberCase{9.96, 12, 2, "    0.10E+02"},       // rounding moves the exponent
                      NumberCase{-0.001234, 12, 2, "   -0.12E-02"},  //
                      NumberCase{-9.96, 12, 2, "   -0.10E+02"},      //
                      NumberCase{1.0, 10, 3, " 0.100E+01"},          //
                      NumberCase{0.1, 10, 3, " 0.100E+00"},          //
                      NumberCase{12345.678, 12, 4, "  0.1235E+05"},  //
                      NumberCase{1e98, 12, 2, "    0.10E+99"},       // largest two-digit exponent
                      NumberCase{1e99, 12, 2, "    0.10+100"},       // three digits drop the letter
                      NumberCase{1e-100, 12, 2, "    0.10E-99"},     //
                      NumberCase{1e-101, 12, 2, "    0.10-100"},     //
                      NumberCase{1e-120, 12, 2, "    0.10-119"},     //
                      NumberCase{-1.5e200, 12, 2, "   -0.15+201"},   //
                      NumberCase{0.001234, 8, 2, "0.12E-02"},        // exactly the width
                      NumberCase{0.001234, 7, 2, ".12E-02"},         // leading zero dropped to fit
                      NumberCase{-0.001234, 8, 2, "-.12E-02"},       //
                      NumberCase{0.001234, 6, 2, "******"},          //
                      NumberCase{-0.001234, 7, 2, "*******"}));

struct IntCase {
    long v;
    int w;
    const char* expected;
};

TEST(IntegerFormat, WritesRightJustifiedOrAsterisks) {
    const IntCase cases[] = {
        {12, 6, "    12"}, {-12, 4, " -12"}, {0, 1, "0"},      {-12, 3, "-12"},
        {123, 2, "**"},    {-12, 2, "**"},   {1234567, 6, "******"},
    };
    for (const IntCase& c : cases) EXPECT_EQ(fmt_i(c.v, c.w), c.expected) << c.v << " I" << c.w;
}

TEST(LogicalFormat, WritesTOrFRightJustified) {
    EXPECT_EQ(fmt_l(true, 2), " T");
    EXPECT_EQ(fmt_l(false, 2), " F");
    EXPECT_EQ(fmt_l(false, 1), "F");
    EXPECT_EQ(fmt_l(true, 4), "   T");
}

// Free-format items.

TEST(FreeItems, TextsStandAsTheyAreAndAdjacentTextsJoin) {
    EXPECT_EQ(free_text("ab", std::string("cd"), std::string_view(" e ")), "abcd e ");
    FixedText<6> gas;
    gas = "air";
    EXPECT_EQ(free_text("gas=", gas, "|"), "gas=air   |");  // the whole field, blanks included
}

TEST(FreeItems, IntegersTakeTwelveColumns) {
    EXPECT_EQ(free_text(12), "          12");
    EXPECT_EQ(free_text(-7L), "          -7");
    EXPECT_EQ(free_text(INT_MIN), " -2147483648");
    EXPECT_EQ(free_text("n=", 3, 4), "n=           3           4");
}

TEST(FreeItems, WideIntegerIsWrittenInFullAfterOneBlank) {
    // A free-format record never hides a value behind asterisks.
    EXPECT_EQ(free_text(1234567890123L), " 1234567890123");
    EXPECT_EQ(free_text(LONG_MIN), " -9223372036854775808");
}

TEST(FreeItems, LogicalsAreBlankAndTOrF) {
    EXPECT_EQ(free_text(true), " T");
    EXPECT_EQ(free_text(false), " F");
    EXPECT_EQ(free_text(Logical(true), Logical::from_word(2)), " T F");  // lowest bit decides
}

TEST(FreeItems, RealsAreShortestRoundTripInTwentyFiveColumns) {
    struct RealCase {
        double v;
        const char* text;  // the shortest text that reads back to v
    };
    const RealCase cases[] = {
        {0.5, "0.5"},
        {0.1, "0.1"},
        {-2.5, "-2.5"},
        {100.0, "100"},
        {1.0 / 3.0, "0.3333333333333333"},
        {2.0 / 3.0, "0.6666666666666666"},
        {1e20, "1e+20"},
        {-1.25e-300, "-1.25e-300"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {-std::numeric_limits<double>::denorm_min(), "-5e-324"},
        {-2.2250738585072014e-308, "-2.2250738585072014e-308"},  // the longest texts still fit
    };
    for (const RealCase& c : cases) {
        std::string s = free_text(c.v);
        ASSERT_EQ(s.size(), 25u) << c.text;
        std::string text = s.substr(s.find_first_not_of(' '));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(s, std::string(25 - text.size(), ' ') + text);
        double back = 0;
        EXPECT_TRUE(parse_real(text, back)) << text;
        EXPECT_EQ(back, c.v) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), c.v) << text;
    }
}

TEST(FreeItems, MixedRecordKeepsItemOrder) {
    EXPECT_EQ(free_text("CFL", 0.5, " steps", 20, true),
              "CFL" + std::string(22, ' ') + "0.5" + " steps" + std::string(10, ' ') + "20" + " T");
}

// A process locale with a decimal comma must not reach the numbers.
bool set_comma_locale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                             "it_IT.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') return true;
    }
    std::setlocale(LC_ALL, "C");
    return false;
}

TEST(CommaLocale, NumbersStayInTheCLocale) {
    if (!set_comma_locale()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(fmt_f(1.5, 6, 2), "  1.50");
    EXPECT_EQ(fmt_e(0.001234, 12, 2), "    0.12E-02");
    EXPECT_EQ(fmt_i(1234567, 8), " 1234567");
    EXPECT_EQ(free_text(0.25), std::string(21, ' ') + "0.25");
    EXPECT_EQ(free_text(1234567), "     1234567");
    double v = 0;
    EXPECT_TRUE(parse_real("2.5", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_FALSE(parse_real("2,5", v));
}

}  // namespace
