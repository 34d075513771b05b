#include "common/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qelta {

namespace {

std::string right_justify(const std::string& s, int w) {
    if (static_cast<int>(s.size()) > w) return std::string(w, '*');
    return std::string(w - s.size(), ' ') + s;
}

}  // namespace

std::string fmt_i(long v, int w) { return right_justify(std::to_string(v), w); }

std::string fmt_f(double v, int w, int d) {
    if (!std::isfinite(v)) return right_justify(std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity"), w);
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed, d);
    std::string digits(buf, res.ptr);
    if (d == 0) digits += '.';
    bool zero = digits.find_first_not_of("0.") == std::string::npos;
    std::string s = (v < 0 && !zero ? "-" : "") + digits;
    // The leading zero of a value below one is optional: drop it if needed.
    if (static_cast<int>(s.size()) > w) {
        auto z = s.find("0.");
        if (z != std::string::npos && (z == 0 || s[z - 1] == '-') && s.size() > 2) s.erase(z, 1);
    }
    return right_justify(s, w);
}

std::string fmt_e(double v, int w, int d) {
    if (!std::isfinite(v)) return right_justify(std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity"), w);
    if (d < 1) d = 1;
    int exp10 = 0;
    std::string mant(d, '0');
    if (v != 0) {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, d - 1);
        std::string s(buf, res.ptr);  // d significant digits
        auto epos = s.find('e');
        mant.clear();
        for (std::size_t i = 0; i < epos; ++i)
            if (s[i] != '.') mant += s[i];
        exp10 = std::atoi(s.c_str() + epos + 1) + 1;  // 0.ddd form
    }
    char ebuf[16];
    if (std::abs(exp10) <= 99)
        std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exp10 < 0 ? '-' : '+', std::abs(exp10));
    else
        std::snprintf(ebuf, sizeof ebuf, "%c%03d", exp10 < 0 ? '-' : '+', std::abs(exp10));
    std::string s = std::string(v < 0 ? "-" : "") + "0." + mant + ebuf;
    if (static_cast<int>(s.size()) > w) {
        auto z = s.find("0.");
        s.erase(z, 1);
    }
    return right_justify(s, w);
}

std::string fmt_l(bool v, int w) { return right_justify(v ? "T" : "F", w); }

void free_item(std::string& out, std::string_view s) { out.append(s); }

void free_item(std::string& out, long v) {
    std::string s = std::to_string(v);
    out += std::string(s.size() < 12 ? 12 - s.size() : 1, ' ') + s;
}

void free_item(std::string& out, double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, res.ptr);
    out += std::string(s.size() < 25 ? 25 - s.size() : 1, ' ') + s;
}

void free_item(std::string& out, Logical v) { out += v ? " T" : " F"; }

}  // namespace qelta
