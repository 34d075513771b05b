// The general float-to-text conversion and the C-locale number texts.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "controls/MyOpenGL.h"
#include "platform/FloatText.h"

using vorlantic::TMyOpenGL;
using vorlantic::platform::FloatToStr;

namespace {

struct Case {
    double value;
    const char* text;
};

TEST(FloatToStr, ShortestTextOfFifteenDigits) {
    const Case cases[] = {
        {30, "30"},
        {2.5, "2.5"},
        {1.5, "1.5"},
        {-0.25, "-0.25"},
        {0, "0"},
        {0.1, "0.1"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {100, "100"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {1e20, "1E20"},
        {0.00001, "0.00001"},
        {0.000015, "0.000015"},
        {1.5e-7, "1.5E-7"},
        {-2.5e-6, "-2.5E-6"},
        {0.30000000000000004, "0.3"},
        {9.9999999999999999e14, "1E15"},
        {NAN, "NAN"},
        {INFINITY, "INF"},
        {-INFINITY, "-INF"},
    };
    for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

// A comma-decimal locale of the user must not reach the texts.
TEST(FloatToStr, StaysInTheCLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE locale";
    EXPECT_EQ(FloatToStr(2.5), "2.5");
    EXPECT_EQ(TMyOpenGL::LegendLabel(1.5), "1.50");
    EXPECT_EQ(TMyOpenGL::LegendLabel(123456.0), "1.23e+05");
    EXPECT_EQ(QString::asprintf(" mouse at X: %f, Y: %1f", 0.5, -0.25), " mouse at X: 0.500000, Y: -0.250000");
    std::setlocale(LC_ALL, "C");
}

}  // namespace
