#include "platform/StrictConvert.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace vorlantic::platform {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Counts the digits at the front of s.
std::size_t DigitRun(std::string_view s, std::size_t from) {
    std::size_t n = from;
    while (n < s.size() && IsDigit(s[n])) ++n;
    return n - from;
}

// sign? digits* ('.' digits*)? ([eE] sign? digits+)?, with at least one
// mantissa digit.
bool IsDecimalNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t whole = DigitRun(s, i);
    i += whole;
    std::size_t fraction = 0;
    if (i < s.size() && s[i] == '.') {
        fraction = DigitRun(s, i + 1);
        i += 1 + fraction;
    }
    if (whole + fraction == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponent = DigitRun(s, i);
        if (exponent == 0) return false;
        i += exponent;
    }
    return i == s.size();
}

[[noreturn]] void Fail(std::string_view text, const char* kind) {
    throw EConvertError("'" + std::string(text) + "' is not a valid " + kind + " value");
}

}  // namespace

bool TryStrToFloat(std::string_view text, double& value) {
    std::string_view s = TrimRight(TrimLeft(text));
    if (!IsDecimalNumber(s)) return false;
    // Read in the C locale; an overflow is not a number of the type, an
    // underflow gives 0 or the subnormal value.
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string digits(s);
    char* end = nullptr;
    double v = strtod_l(digits.c_str(), &end, c_locale);
    if (end != digits.c_str() + digits.size() || std::isinf(v)) return false;
    value = v;
    return true;
}

bool TryStrToInt(std::string_view text, int& value) {
    std::string_view s = TrimLeft(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.front() == '+' || s.front() == '-') return false;
    std::int64_t magnitude = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    std::int64_t v = negative ? -magnitude : magnitude;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

double StrToFloat(std::string_view text) {
    double v = 0;
    if (!TryStrToFloat(text, v)) Fail(text, "floating point");
    return v;
}
double StrToFloat(const QString& text) { return StrToFloat(std::string_view(text.toStdString())); }
double StrToFloat(const char* text) { return StrToFloat(std::string_view(text)); }

int StrToInt(std::string_view text) {
    int v = 0;
    if (!TryStrToInt(text, v)) Fail(text, "integer");
    return v;
}
int StrToInt(const QString& text) { return StrToInt(std::string_view(text.toStdString())); }
int StrToInt(const char* text) { return StrToInt(std::string_view(text)); }

double StrToFloatDef(std::string_view text, double fallback) {
    double v = 0;
    return TryStrToFloat(text, v) ? v : fallback;
}
double StrToFloatDef(const QString& text, double fallback) {
    return StrToFloatDef(std::string_view(text.toStdString()), fallback);
}

int StrToIntDef(std::string_view text, int fallback) {
    int v = 0;
    return TryStrToInt(text, v) ? v : fallback;
}
double StrToFloatDef(const char* text, double fallback) { return StrToFloatDef(std::string_view(text), fallback); }

int StrToIntDef(const QString& text, int fallback) { return StrToIntDef(std::string_view(text.toStdString()), fallback); }
int StrToIntDef(const char* text, int fallback) { return StrToIntDef(std::string_view(text), fallback); }

}  // namespace vorlantic::platform
