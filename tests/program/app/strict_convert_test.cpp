// Strict text-to-number conversions: the whole text must be the number, the
// decimal point is '.' whatever the locale, and a bad text raises the
// conversion error with the framework's message.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <string>

#include "platform/StrictConvert.h"

using namespace vorlantic::platform;

namespace {

// Runs the body under a locale whose decimal separator is a comma, when the
// machine has one.
class CommaLocale {
public:
    CommaLocale() : old_(std::setlocale(LC_ALL, nullptr)) {
        active_ = std::setlocale(LC_ALL, "de_DE.utf8") || std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    ~CommaLocale() { std::setlocale(LC_ALL, old_.c_str()); }
    bool active() const { return active_; }

private:
    std::string old_;
    bool active_ = false;
};

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "(no error)";
}

std::string Message(const char* text, const char* kind) {
    return std::string("'").append(text).append("' is not a valid ").append(kind).append(" value");
}

TEST(StrictConvert, FloatTextsInTheCLocale) {
    CommaLocale comma;
    struct Case {
        const char* text;
        double value;
    };
    const Case good[] = {{"1.5", 1.5},     {" 2.5 ", 2.5},  {"-3", -3},     {"+4.25", 4.25}, {"1e3", 1000},
                         {"1.E-2", 0.01},  {".5", 0.5},     {"5.", 5},      {"\t30\n", 30},  {"0.001", 0.001},
                         {"1e-400", 0},    {"-0", 0},       {"1E+2", 100}};
    for (const Case& c : good) EXPECT_DOUBLE_EQ(StrToFloat(c.text), c.value) << c.text;

    const char* bad[] = {"", " ", "abc", "1,5", "1.5x", "e5", ".", "1e", "inf", "nan", "0x10", "1e400", "- 1",
                         "1 2", "1..2", "+-1", "$10"};
    for (const char* text : bad)
        EXPECT_EQ(ErrorOf([&] { StrToFloat(text); }), Message(text, "floating point"));
    RecordProperty("comma_locale", comma.active() ? "yes" : "no");
}

TEST(StrictConvert, IntegerTexts) {
    struct Case {
        const char* text;
        int value;
    };
    const Case good[] = {{"42", 42},   {"  -7", -7},  {"+3", 3},   {"$1F", 31}, {"0x10", 16}, {"-$10", -16},
                         {"007", 7},   {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
    for (const Case& c : good) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;

    const char* bad[] = {"", "x", "4.0", "12 ", "2147483648", "-2147483649", "1e3", "--1", "$", "0x", "+-1", "1 2",
                         "$G"};
    for (const char* text : bad)
        EXPECT_EQ(ErrorOf([&] { StrToInt(text); }), Message(text, "integer"));
}

TEST(StrictConvert, FallbackAndQtTexts) {
    EXPECT_EQ(StrToFloatDef("abc", -1.0001), -1.0001);
    EXPECT_EQ(StrToFloatDef(QString("30.0"), -1.0001), 30.0);
    EXPECT_EQ(StrToIntDef("4.5", -1), -1);
    EXPECT_EQ(StrToInt(QString(" 12")), 12);
    EXPECT_EQ(ErrorOf([] { StrToFloat(QString::fromUtf8("3,0\u00b0")); }),
              "'3,0\u00b0' is not a valid floating point value");
}

}  // namespace
