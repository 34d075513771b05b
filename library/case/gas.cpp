#include "case/gas.h"

#include <string>

#include "common/log.h"

namespace qelta {

// Atomic weights, g/mol, of 1960s tables (carbon-12 scale).
const Array1<Element, nelement> elements = {{
    {"H ", 1.00797f},   {"HE", 4.0026f},    {"LI", 6.939f},     {"BE", 9.0122f},    {"B ", 10.811f},
    {"C ", 12.01115f},  {"N ", 14.0067f},   {"O ", 15.9994f},   {"F ", 18.9984f},   {"NE", 20.183f},
    {"NA", 22.9898f},   {"MG", 24.312f},    {"AL", 26.9815f},   {"SI", 28.086f},    {"P ", 30.9738f},
    {"S ", 32.064f},    {"CL", 35.453f},    {"AR", 39.948f},    {"K ", 39.102f},    {"CA", 40.08f},
    {"SC", 44.956f},    {"TI", 47.9f},      {"V ", 50.942f},    {"CR", 51.996f},    {"MN", 54.938f},
    {"FE", 55.847f},    {"CO", 58.9332f},   {"NI", 58.71f},     {"CU", 63.54f},     {"ZN", 65.37f},
    {"GA", 69.72f},     {"GE", 72.59f},     {"AS", 74.9216f},   {"SE", 78.96f},     {"BR", 79.9009f},
    {"KR", 83.8f},      {"RB", 85.47f},     {"SR", 87.62f},     {"Y ", 88.905f},    {"ZR", 91.22f},
    {"NB", 92.906f},    {"MO", 95.94f},     {"TC", 99.0f},      {"RU", 101.07f},    {"RH", 102.905f},
    {"PD", 106.4f},     {"AG", 107.87f},    {"CD", 112.4f},     {"IN", 114.82f},    {"SN", 118.69f},
    {"SB", 121.75f},    {"TE", 127.6f},     {"I ", 126.9044f},  {"XE", 131.3f},     {"CS", 132.905f},
    {"BA", 137.34f},    {"LA", 138.91f},    {"CE", 140.12f},    {"PR", 140.907f},   {"ND", 144.24f},
    {"PM", 145.0f},     {"SM", 150.35f},    {"EU", 151.96f},    {"GD", 157.25f},    {"TB", 158.924f},
    {"DY", 162.5f},     {"HO", 164.93f},    {"ER", 167.26f},    {"TM", 168.934f},   {"YB", 173.04f},
    {"LU", 174.997f},   {"HF", 178.49f},    {"TA", 180.948f},   {"W ", 183.85f},    {"RE", 186.2f},
    {"OS", 190.2f},     {"IR", 192.2f},     {"PT", 195.09f},    {"AU", 196.967f},   {"HG", 200.59f},
    {"TL", 204.37f},    {"PB", 207.19f},    {"BI", 208.98f},    {"PO", 210.0f},     {"AT", 210.0f},
    {"RN", 222.0f},     {"FR", 223.0f},     {"RA", 226.0f},     {"AC", 227.0f},     {"TH", 232.038f},
    {"PA", 231.0f},     {"U ", 238.03f},    {"NP", 237.0f},     {"PU", 242.0f},     {"AM", 243.0f},
    {"CM", 247.0f},     {"BK", 249.0f},     {"CF", 251.0f},     {"ES", 254.0f},     {"FM", 253.0f},
    {"D ", 2.0141f},    {"E ", 0.000545f},
}};

namespace {

constexpr float air_weight = 28.97f;  // g/mol

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char to_upper(char c) { return is_lower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// The text without its leading and trailing blanks.
std::string_view strip(std::string_view s) {
    int first = first_nonblank(s);
    if (first == 0) return {};
    return s.substr(first - 1, last_nonblank(s) - first + 1);
}

// Opens symbol `letters` (one letter or two) at the end of the formula.
void open_symbol(Formula& f, std::string_view text, std::string_view letters) {
    if (f.nsym == max_formula_symbols)
        fatal_stop({"Error: the formula \"" + std::string(text) + "\" has more than " +
                    std::to_string(max_formula_symbols) + " element symbols"});
    ++f.nsym;
    f.symbol(f.nsym) = letters;
    f.count(f.nsym) = 0;
}

}  // namespace

int first_nonblank(std::string_view s) {
    auto i = s.find_first_not_of(' ');
    return i == std::string_view::npos ? 0 : static_cast<int>(i) + 1;
}

int last_nonblank(std::string_view s) {
    auto i = s.find_last_not_of(' ');
    return i == std::string_view::npos ? 0 : static_cast<int>(i) + 1;
}

void upcase(std::span<char> s) {
    for (char& c : s) c = to_upper(c);
}

std::optional<double> element_weight(std::string_view symbol) {
    char head[2];
    std::size_t n = symbol.size() < 2 ? symbol.size() : 2;
    for (std::size_t i = 0; i < n; ++i) head[i] = to_upper(symbol[i]);
    std::string_view key = strip(std::string_view(head, n));
    if (key.empty()) return std::nullopt;
    for (int i = 1; i <= nelement; ++i)
        if (strip(elements(i).symbol) == key) return static_cast<double>(elements(i).weight);
    return std::nullopt;
}

void parse_formula(std::string_view text, Formula& out) {
    out.nsym = 0;
    out.count.fill(0);
    bool open = false;  // the last symbol has its first letter only
    for (char c : strip(text)) {
        char u = to_upper(c);
        if (is_upper(u) && open) {
            // Two letters: one symbol when the table knows it, except CO
            // (carbon monoxide rather than cobalt); else two symbols.
            char pair[2] = {out.symbol(out.nsym).data()[0], u};
            std::string_view two(pair, 2);
            if (two != "CO" && element_weight(two)) {
                out.symbol(out.nsym) = two;
                out.count(out.nsym) = 1;
            } else {
                out.count(out.nsym) = 1;
                open_symbol(out, text, std::string_view(&u, 1));
                out.count(out.nsym) = 1;
            }
            open = false;
        } else if (is_upper(u)) {
            open_symbol(out, text, std::string_view(&u, 1));
            open = true;
        } else if (is_digit(u)) {
            // One digit is the whole count; "0" stands for 10.
            if (out.nsym > 0) out.count(out.nsym) = (u == '0') ? 10 : u - '0';
            open = false;
        } else {
            open = false;
        }
    }
    for (int i = 1; i <= out.nsym; ++i)
        if (out.count(i) == 0) out.count(i) = 1;
}

// M = sum_i c_i w_i / 1000 (kg/mol) over the formula's elements.
double molecular_weight(std::span<char> name) {
    upcase(name);
    std::string_view text = strip(std::string_view(name.data(), name.size()));
    if (text == "AIR") return static_cast<double>(air_weight) / 1000;
    parse_formula(text, formula);
    double sum = 0;
    for (int i = 1; i <= formula.nsym; ++i) {
        std::string_view sym = strip(formula.symbol(i).padded());
        std::optional<double> w = element_weight(sym);
        if (!w)
            fatal_stop({"Error: unknown element symbol \"" + std::string(sym) + "\" in the gas name \"" +
                        std::string(text) + "\""});
        sum += formula.count(i) * *w;
    }
    return sum / 1000;
}

int find_name(std::string_view name, std::span<const std::string_view> list) {
    std::string_view key = strip(name);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (strip(list[i]) == key) return static_cast<int>(i) + 1;
    return 0;
}

void upcase_copy(std::span<char> result, std::string_view source, int count) {
    std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    if (n > result.size()) n = result.size();
    if (n > source.size()) n = source.size();
    for (std::size_t i = 0; i < result.size(); ++i) result[i] = i < n ? to_upper(source[i]) : ' ';
}

}  // namespace qelta
