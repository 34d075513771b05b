#include "common/list_read.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "common/format.h"
#include "common/log.h"

namespace qelta {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

const char* kind_name(ListReader::Item::Kind k) {
    switch (k) {
    case ListReader::Item::Int: return "an integer";
    case ListReader::Item::Real: return "a real number";
    case ListReader::Item::Text: return "a text";
    }
    return "an item";
}

}  // namespace

bool parse_int(std::string_view s, int& v) {
    bool plus = !s.empty() && s.front() == '+';
    if (plus) s.remove_prefix(1);
    if (s.empty() || s.front() == '+' || (plus && s.front() == '-')) return false;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

bool parse_real(std::string_view s, double& v) {
    // [sign] mantissa [exponent]; mantissa: digits [. digits] or . digits;
    // exponent: (E|D|Q) [sign] digits, or sign digits.
    std::string t;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') t += '-';
        ++i;
    }
    std::size_t ndig = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) t += s[i++], ++ndig;
    if (i < s.size() && s[i] == '.') {
        t += s[i++];
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) t += s[i++], ++ndig;
    }
    if (ndig == 0) return false;
    if (i < s.size()) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
        if (c == 'E' || c == 'D' || c == 'Q') ++i;
        else if (c != '+' && c != '-') return false;
        t += 'e';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) t += s[i++];
        std::size_t nexp = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) t += s[i++], ++nexp;
        if (nexp == 0 || i != s.size()) return false;
    }
    auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    return res.ec == std::errc() && res.ptr == t.data() + t.size();
}

ListReader::ListReader(std::string_view file_name) : name_(file_name), in_(name_) {
    if (!in_) fatal_stop({"Cannot open the file \"" + name_ + "\": " + std::strerror(errno)});
}

void ListReader::fail(int record, std::string_view what) const {
    refuse_record(name_, record, "line " + std::to_string(line_no_), what);
}

void ListReader::require(int record, std::string_view what, double v, const Range& r) const {
    if (!r.holds(v)) fail(record, outside(what, v, r));
}

void ListReader::require(int record, std::string_view what, long v, long lo, long hi) const {
    if (v < lo || v > hi) fail(record, outside(what, v, lo, hi));
}

bool ListReader::next_line() {
    if (!std::getline(in_, line_)) return false;
    ++line_no_;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    pos_ = 0;
    return true;
}

void ListReader::skip(int record) {
    if (!next_line()) fail(record, "end of file, expected a record");
}

std::string ListReader::read_line(int record, std::string_view what) {
    if (!next_line()) fail(record, "end of file, expected " + std::string(what));
    return line_;
}

bool ListReader::read_line_if_any(std::string& line) {
    if (!next_line()) return false;
    line = line_;
    return true;
}

// One value, a null value or the slash, from the current position on,
// continuing on the next lines when the current one is used up. After a
// value the separator that follows it (blanks and at most one comma) is
// consumed.
// A quoted text from the quote at the current position; a doubled quote
// stands for itself. It is appended behind a '\0', which marks a quoted text
// (never a number, never a repeat count).
void ListReader::read_quoted(int record, std::string_view what, std::string& text) {
    char q = line_[pos_++];
    text += '\0';
    for (;;) {
        if (pos_ >= line_.size()) fail(record, "unterminated quoted text for " + std::string(what));
        if (line_[pos_] == q) {
            if (pos_ + 1 < line_.size() && line_[pos_ + 1] == q) {
                text += q;
                pos_ += 2;
                continue;
            }
            ++pos_;
            return;
        }
        text += line_[pos_++];
    }
}

ListReader::Token ListReader::next_token(int record, std::string_view what, std::string& text) {
    text.clear();
    for (;;) {
        while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
        if (pos_ < line_.size()) break;
        if (!next_line()) fail(record, "end of file, expected " + std::string(what));
    }
    char c = line_[pos_];
    if (c == ',') {
        ++pos_;
        return Token::Null;
    }
    if (c == '/') return Token::Slash;
    if (c == '\'' || c == '"') {
        read_quoted(record, what, text);
    } else {
        while (pos_ < line_.size() && !is_blank(line_[pos_]) && line_[pos_] != ',' && line_[pos_] != '/') {
            // r*'text': a repeated quoted text
            if ((line_[pos_] == '\'' || line_[pos_] == '"') && text.size() >= 2 && text.back() == '*' &&
                text.find_first_not_of("0123456789") == text.size() - 1) {
                read_quoted(record, what, text);
                break;
            }
            text += line_[pos_++];
        }
    }
    while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
    if (pos_ < line_.size() && line_[pos_] == ',') ++pos_;
    return Token::Value;
}

void ListReader::assign(const Item& item, const std::string& text, int record) const {
    bool quoted = !text.empty() && text[0] == '\0';
    std::string_view value = quoted ? std::string_view(text).substr(1) : std::string_view(text);
    auto bad = [&] {
        fail(record, "expected " + std::string(kind_name(item.kind)) + " for the " + std::string(item.what) +
                         ", found \"" + std::string(value) + "\"");
    };
    switch (item.kind) {
    case Item::Int:
        if (quoted || !parse_int(value, *static_cast<int*>(item.target))) bad();
        break;
    case Item::Real:
        if (quoted || !parse_real(value, *static_cast<double*>(item.target))) bad();
        break;
    case Item::Text: {
        if (static_cast<int>(value.size()) > item.text_length)
            fail(record, "the " + std::string(item.what) + " \"" + std::string(value) + "\" is longer than " +
                             std::to_string(item.text_length) + " characters");
        char* dst = static_cast<char*>(item.target);
        std::size_t n = value.size();
        std::memcpy(dst, value.data(), n);
        std::memset(dst + n, ' ', item.text_length - n);
        break;
    }
    }
}

void ListReader::read(int record, std::initializer_list<Item> items) {
    if (!next_line()) fail(record, "end of file, expected " + std::string(kind_name(items.begin()->kind)) +
                                       " for the " + std::string(items.begin()->what));
    std::string text;
    int repeat = 0;       // copies left of a repeated value
    bool repeat_null = false;
    std::string repeated;
    for (const Item& it : items) {
        std::string what = std::string(kind_name(it.kind)) + " for the " + std::string(it.what);
        if (repeat == 0) {
            Token t = next_token(record, what, text);
            if (t == Token::Slash) return;
            if (t == Token::Null) continue;
            // r*c or r*
            auto star = text.find('*');
            int r = 0;
            if (text[0] != '\0' && star != std::string::npos && parse_int(text.substr(0, star), r)) {
                if (r < 1) fail(record, "repeat count below 1 in \"" + text + "\"");
                repeat = r;
                repeated = text.substr(star + 1);
                repeat_null = repeated.empty();
            } else {
                assign(it, text, record);
                continue;
            }
        }
        --repeat;
        if (!repeat_null) assign(it, repeated, record);
    }
}

}  // namespace qelta
