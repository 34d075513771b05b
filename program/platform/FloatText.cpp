#include "platform/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vorlantic::platform {

namespace {

constexpr int kDigits = 15;

}  // namespace

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";

    // d.dddddddddddddde+XX: the 15 significant digits and the decimal exponent.
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, kDigits - 1);
    std::string text(buf, res.ptr);
    bool negative = text[0] == '-';
    if (negative) text.erase(0, 1);
    std::size_t e = text.find('e');
    int exponent = std::atoi(text.c_str() + e + 1);
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text, 2, e - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (negative) out.push_back('-');
    if (exponent >= kDigits || exponent < -5) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1);
        }
        out.push_back('E');
        out.append(std::to_string(exponent));
    } else if (exponent < 0) {
        out.append("0.");
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits);
    } else {
        std::size_t integer = static_cast<std::size_t>(exponent) + 1;
        out.append(digits, 0, integer);
        if (digits.size() <= integer) {
            out.append(integer - digits.size(), '0');
        } else {
            out.push_back('.');
            out.append(digits, integer);
        }
    }
    return out;
}

QString FloatToQString(double value) { return QString::fromStdString(FloatToStr(value)); }

}  // namespace vorlantic::platform
