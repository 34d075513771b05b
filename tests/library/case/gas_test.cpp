#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "case/gas.h"
#include "common/fixed_text.h"

using namespace qelta;

namespace {

// Molecular weight of a 20-character gas name, and the name after the call.
double mw(const char* name, std::string* after = nullptr) {
    FixedText<20> t;
    t = name;
    double w = molecular_weight(t);
    if (after) *after = std::string(t.padded());
    return w;
}

TEST(ElementTable, HoldsTheElementsInOrderWithSinglePrecisionWeights) {
    EXPECT_EQ(elements(1).symbol, "H ");
    EXPECT_EQ(elements(26).symbol, "FE");
    EXPECT_EQ(elements(92).symbol, "U ");
    EXPECT_EQ(elements(100).symbol, "FM");
    EXPECT_EQ(elements(101).symbol, "D ");
    EXPECT_EQ(elements(102).symbol, "E ");
    std::set<std::string_view> seen;
    for (int i = 1; i <= nelement; ++i) {
        std::string_view s = elements(i).symbol;
        ASSERT_EQ(s.size(), 2u) << i;
        EXPECT_TRUE(s[0] >= 'A' && s[0] <= 'Z') << i;
        EXPECT_TRUE(s[1] == ' ' || (s[1] >= 'A' && s[1] <= 'Z')) << i;
        EXPECT_TRUE(seen.insert(s).second) << "repeated symbol " << s;
    }
    // Weights rise with the atomic number but for a few known inversions.
    std::set<int> inversions = {19, 28, 53, 85, 91, 93, 100};  // K, NI, I, AT, PA, NP, FM
    for (int i = 2; i <= 100; ++i) {
        if (inversions.count(i)) continue;
        EXPECT_GT(elements(i).weight, elements(i - 1).weight) << i;
    }
}

TEST(ElementWeight, LooksUpTheFirstTwoCharactersWithoutCaseOrBlanks) {
    struct Case {
        const char* symbol;
        float weight;
    } cases[] = {{"H", 1.00797f},  {"H ", 1.00797f}, {" H", 1.00797f}, {"he", 4.0026f}, {"Fe", 55.847f},
                 {"FEX", 55.847f}, {"CO", 58.9332f}, {"D", 2.0141f},   {"E", 0.000545f}, {"o ", 15.9994f}};
    for (auto k : cases) {
        auto w = element_weight(k.symbol);
        ASSERT_TRUE(w) << k.symbol;
        EXPECT_EQ(*w, static_cast<double>(k.weight)) << k.symbol;
    }
    for (const char* s : {"", "  ", "XX", "J", "Q", "A", "CH", "HH"}) EXPECT_FALSE(element_weight(s)) << s;
}

struct FormulaCase {
    const char* text;
    std::vector<std::pair<std::string, int>> parts;
};

TEST(ParseFormula, TriesTwoLettersAsOneSymbolFirst) {
    FormulaCase cases[] = {
        {"NACL", {{"NA", 1}, {"CL", 1}}},
        {"CH4", {{"C ", 1}, {"H ", 4}}},
        {"CO2", {{"C ", 1}, {"O ", 2}}},   // carbon and oxygen, never cobalt
        {"HF", {{"HF", 1}}},               // hafnium
        {"HE", {{"HE", 1}}},
        {"H2O", {{"H ", 2}, {"O ", 1}}},   // a digit ends the symbol: not HO
        {"N2O4", {{"N ", 2}, {"O ", 4}}},
        {"C0", {{"C ", 10}}},              // "0" stands for 10
        {"C12", {{"C ", 2}}},              // the last digit is the count
        {"H O", {{"H ", 1}, {"O ", 1}}},   // a symbol without a digit counts 1
        {"H-O2", {{"H ", 1}, {"O ", 2}}},
        {"  CH4  ", {{"C ", 1}, {"H ", 4}}},
        {"2H", {{"H ", 1}}},               // a digit before any symbol counts nothing
        {"XQ", {{"X ", 1}, {"Q ", 1}}},    // unknown pairs split
        {"", {}},
        {"   ", {}},
    };
    for (const auto& k : cases) {
        Formula f{};
        f.count.fill(-7);
        parse_formula(k.text, f);
        ASSERT_EQ(f.nsym, static_cast<int>(k.parts.size())) << k.text;
        for (int i = 1; i <= f.nsym; ++i) {
            EXPECT_EQ(std::string(f.symbol(i).padded()), k.parts[i - 1].first) << k.text << " " << i;
            EXPECT_EQ(f.count(i), k.parts[i - 1].second) << k.text << " " << i;
        }
    }
}

TEST(ParseFormula, TwentySymbolsFitAndMoreStop) {
    Formula f{};
    parse_formula(std::string(20, 'H'), f);
    EXPECT_EQ(f.nsym, 20);
    EXPECT_EXIT(parse_formula(std::string(21, 'H'), f), ::testing::ExitedWithCode(1),
                "QELTA: Error: the formula \"H{21}\" has more than 20 element symbols");
}

TEST(MolecularWeight, SumsTheFormulaInKilogramsPerMole) {
    struct Case {
        const char* name;
        double grams;
    } cases[] = {
        {"co2", 12.01115f + 2.0 * 15.9994f},  // about 44.0100
        {"HE", 4.0026f},
        {"CH4", 12.01115f + 4.0 * 1.00797f},  // about 16.0430
        {"NACL", 22.9898f + static_cast<double>(35.453f)},
        {"H2O", 2.0 * 1.00797f + 15.9994f},
        {"  N2 ", 2.0 * 14.0067f},
        {"D2O", 2.0 * 2.0141f + 15.9994f},
        {"E", 0.000545f},  // g/mol like every other formula
        {"HE E", 4.0026f + static_cast<double>(0.000545f)},
        {"", 0},
    };
    for (auto k : cases) EXPECT_DOUBLE_EQ(mw(k.name), k.grams / 1000) << k.name;
    EXPECT_NEAR(mw("co2"), 0.0440100, 1e-7);
    EXPECT_NEAR(mw("CH4"), 0.0160430, 1e-7);
    EXPECT_NEAR(mw("HE"), 0.0040026, 1e-9);
}

TEST(MolecularWeight, AirIsTheMeanWeightAndTheNameIsUpperCasedInPlace) {
    std::string after;
    EXPECT_EQ(mw("air", &after), static_cast<double>(28.97f) / 1000);
    EXPECT_EQ(after, "AIR                 ");
    EXPECT_EQ(mw(" AIR"), static_cast<double>(28.97f) / 1000);
    mw("co2", &after);
    EXPECT_EQ(after, "CO2                 ");
}

TEST(MolecularWeight, UnknownElementStopsNamingIt) {
    EXPECT_EXIT(mw("XQ"), ::testing::ExitedWithCode(1),
                "QELTA: Error: unknown element symbol \"X\" in the gas name \"XQ\"");
    EXPECT_EXIT(mw("CH4J"), ::testing::ExitedWithCode(1), "unknown element symbol \"J\"");
}

TEST(TextHelpers, BlankPositionsAndUpperCase) {
    struct Case {
        const char* s;
        int first, last;
    } cases[] = {{"  ab ", 3, 4}, {"x", 1, 1}, {"", 0, 0}, {"    ", 0, 0}, {"a  b", 1, 4}};
    for (auto k : cases) {
        EXPECT_EQ(first_nonblank(k.s), k.first) << '"' << k.s << '"';
        EXPECT_EQ(last_nonblank(k.s), k.last) << '"' << k.s << '"';
    }
    std::string s = "co2 Air-z{";
    upcase(s);
    EXPECT_EQ(s, "CO2 AIR-Z{");
    FixedText<6> t;
    t = "n2";
    upcase(t);
    EXPECT_EQ(std::string(t.padded()), "N2    ");
}

TEST(TextHelpers, FindNameIgnoresSurroundingBlanks) {
    std::array<std::string_view, 4> list = {" AIR ", "N2", "air", "   "};
    struct Case {
        const char* name;
        int index;
    } cases[] = {{"AIR", 1}, {"  AIR", 1}, {"N2  ", 2}, {"air", 3}, {"", 4}, {"O2", 0}, {"AI", 0}};
    for (auto k : cases) EXPECT_EQ(find_name(k.name, list), k.index) << k.name;
    EXPECT_EQ(find_name("AIR", {}), 0);
}

TEST(TextHelpers, UpcaseCopyTakesNoMoreThanEitherLength) {
    struct Case {
        int length;
        const char* source;
        int count;
        const char* result;
    } cases[] = {{5, "abc", 10, "ABC  "}, {5, "abc", 2, "AB   "}, {2, "hello", 5, "HE"},
                 {4, "hi", 0, "    "},  {4, "hi", -3, "    "},  {0, "hi", 2, ""}};
    for (auto k : cases) {
        std::string out(k.length, '#');
        upcase_copy(out, k.source, k.count);
        EXPECT_EQ(out, k.result) << k.source << " " << k.count;
    }
}

}  // namespace
