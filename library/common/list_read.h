// List-directed (free-format) reading of the library's text input files.
//
// Each read starts on a new line and takes its items in order. Items are
// separated by blanks or a comma; a line with too few items continues on the
// next, and whatever follows the last item of a read is ignored. "r*c" stands
// for r copies of c and "r*" for r null values; a null value (nothing between
// two commas) leaves its item unchanged, and '/' ends the read, leaving the
// remaining items unchanged. Texts may be quoted with ' or " (a doubled quote
// stands for itself); reals may have a d exponent. Every failure (missing
// file, end of file before the last item, an item that is not of its type)
// ends with the fatal stop and a message that names the file, the record and
// the item that was expected.
#pragma once

#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/checks.h"
#include "common/fixed_text.h"

namespace qelta {

class ListReader {
public:
    struct Item {
        enum Kind { Int, Real, Text } kind;
        void* target;
        int text_length;        // for Text: the field length
        std::string_view what;  // name of the item, for messages
    };

    // Opens the file; a file that cannot be opened is a fatal stop.
    explicit ListReader(std::string_view file_name);

    // Reads one record of items. `record` counts the reads of this file from
    // 1 and only names the place in messages.
    void read(int record, std::initializer_list<Item> items);
    // Skips one line.
    void skip(int record);
    // The next line as it stands (for fixed-format records).
    std::string read_line(int record, std::string_view what);
    // The same, or false at the end of the file.
    bool read_line_if_any(std::string& line);

    const std::string& file_name() const { return name_; }

    [[noreturn]] void fail(int record, std::string_view what) const;
    // The fatal stop of fail for a value of the record outside its range.
    void require(int record, std::string_view what, double v, const Range& r) const;
    void require(int record, std::string_view what, long v, long lo, long hi) const;

private:
    enum class Token { Value, Null, Slash };
    bool next_line();
    Token next_token(int record, std::string_view what, std::string& text);
    void read_quoted(int record, std::string_view what, std::string& text);
    void assign(const Item& item, const std::string& text, int record) const;

    std::string name_;
    std::ifstream in_;
    std::string line_;
    std::size_t pos_ = 0;
    long line_no_ = 0;
};

inline ListReader::Item item(int& v, std::string_view what) { return {ListReader::Item::Int, &v, 0, what}; }
inline ListReader::Item item(double& v, std::string_view what) { return {ListReader::Item::Real, &v, 0, what}; }
template <int N>
ListReader::Item item(FixedText<N>& v, std::string_view what) {
    return {ListReader::Item::Text, v.data(), N, what};
}

// Strict conversions of one whole item, in the C locale. They return false
// when the text is not a number of the type.
bool parse_int(std::string_view s, int& v);
bool parse_real(std::string_view s, double& v);

}  // namespace qelta
