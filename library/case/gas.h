// Molecular weight of a gas from its chemical formula: a table of atomic
// weights, a formula parser and the blank-padded text helpers they use.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "common/array1.h"
#include "common/fixed_text.h"

namespace qelta {

// An element: two-character upper-case symbol (one-letter symbols padded with
// a blank) and atomic weight in g/mol, held in single precision.
struct Element {
    std::string_view symbol;
    float weight;
};

constexpr int nelement = 102;
// Elements 1 to 100 by atomic number, then deuterium "D" and the electron "E".
extern const Array1<Element, nelement> elements;

// The parser's result: element symbols and their counts, in formula order.
constexpr int max_formula_symbols = 20;
struct Formula {
    int nsym;
    Array1<FixedText<2>, max_formula_symbols> symbol;
    Array1<int, max_formula_symbols> count;
};

inline Formula formula;  // the last formula that molecular_weight parsed

// Upper-cases the name in place and returns the molecular weight of the gas
// it names, kg/mol: 28.97 g/mol for "AIR", otherwise the sum of count times
// atomic weight over the formula's symbols; 0 when it has none. An unknown
// element symbol is a fatal stop.
double molecular_weight(std::span<char> name);
template <int N>
double molecular_weight(FixedText<N>& name) {
    return molecular_weight(std::span<char>(name.data(), N));
}

// Splits an upper-case formula into element symbols and counts: two letters
// are one symbol when the table knows them (CO excepted: carbon and oxygen),
// a digit sets the count of the last symbol ("0" stands for 10), a symbol
// without a digit counts 1. More than max_formula_symbols is a fatal stop.
void parse_formula(std::string_view text, Formula& out);

// Atomic weight (g/mol) of the symbol in its first two characters, upper-cased
// and without blanks; empty when the table does not know it.
std::optional<double> element_weight(std::string_view symbol);

// a-z become A-Z in place.
void upcase(std::span<char> s);
template <int N>
void upcase(FixedText<N>& s) {
    upcase(std::span<char>(s.data(), N));
}

// Position (from 1) of the first or last character that is not a blank;
// 0 when there is none.
int first_nonblank(std::string_view s);
int last_nonblank(std::string_view s);

// Index (from 1) of the first list entry equal to the name, both taken
// without leading and trailing blanks; 0 when none is.
int find_name(std::string_view name, std::span<const std::string_view> list);

// Upper-case copy of the first `count` characters of the source (no more
// than either length holds) into the result, blank-filled.
void upcase_copy(std::span<char> result, std::string_view source, int count);

}  // namespace qelta
