// The text table: comma-text splitting, the per-language columns, loading
// that stops at the first empty text, the map kept between loads, the
// language fallback, bounded names and the shipped "lang.txt".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Language.h"
#include "platform/Errors.h"
#include "support/workdir.h"

using vorlantic::CLanguage;
using vorlantic::SplitCommaText;
using qelta::testing::write_file;
using Items = std::vector<std::string>;

namespace {

TEST(SplitCommaText, ItemsOfALine) {
    struct Case {
        const char* line;
        Items items;
    };
    const Case cases[] = {
        {"a,b", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"  a ,  b  ", {"a", "b"}},
        {"a\t\tb", {"a", "b"}},
        {",a", {"", "a"}},
        {"a,,b", {"a", "", "b"}},
        {"a, ,b", {"a", "", "b"}},
        {"a,", {"a"}},
        {"\"two words\",x", {"two words", "x"}},
        {"\"a,b\" c", {"a,b", "c"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\" padded \"", {"padded"}},
        {"k \"\" t", {"k", "", "t"}},
        {"\"open to the end", {"open to the end"}},
        {"Zoom \"Zoom In\" Vergr\xC3\xB6\xC3\x9F" "ern", {"Zoom", "Zoom In", "Vergr\xC3\xB6\xC3\x9F" "ern"}},
        {"", {}},
        {"   \t ", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommaText(c.line), c.items) << "[" << c.line << "]";
}

struct Language : qelta::testing::EmptyWorkDir {};

TEST_F(Language, EachLanguageReadsItsOwnColumn) {
    write_file("lang.txt", "English,Deutsch\nExit,Exit,Beenden\nCopyPicture \"Copy the picture\" \"Bild kopieren\"\n");
    CLanguage lang;
    EXPECT_EQ(lang.LanguageCount(), 2);
    EXPECT_EQ(lang.CurrentIndex(), 0);
    EXPECT_EQ(lang.CurrentName(), "English");
    EXPECT_EQ(lang.GetLanguageName(1), "Deutsch");
    EXPECT_EQ(lang.GetText("Exit"), "Exit");
    EXPECT_EQ(lang.GetText("CopyPicture"), "Copy the picture");
    lang.SelectLanguage(1);
    EXPECT_EQ(lang.CurrentName(), "Deutsch");
    EXPECT_EQ(lang.GetText("Exit"), "Beenden");
    EXPECT_EQ(lang.GetText("CopyPicture"), "Bild kopieren");
}

TEST_F(Language, AnUnquotedTextWithABlankShiftsTheLaterLanguages) {
    write_file("lang.txt", "English Deutsch\nExit Quit now Beenden\n");
    CLanguage lang;
    EXPECT_EQ(lang.GetText("Exit"), "Quit");
    lang.SelectLanguage(1);
    EXPECT_EQ(lang.GetText("Exit"), "now");
}

TEST_F(Language, LoadingStopsAtTheFirstEmptyTextAndKeepsEarlierTexts) {
    write_file("lang.txt", "English,Deutsch\nA,a1,a2\nB,,b2\nC,c1,c2\n");
    CLanguage lang;
    EXPECT_EQ(lang.GetText("A"), "a1");
    EXPECT_EQ(lang.GetText("B"), "");
    EXPECT_EQ(lang.GetText("C"), "");  // after the stopping line
    lang.SelectLanguage(1);
    EXPECT_EQ(lang.GetText("B"), "b2");
    EXPECT_EQ(lang.GetText("C"), "c2");
    // Back to language 0: the keys it does not reach keep language 1's texts.
    lang.SelectLanguage(0);
    EXPECT_EQ(lang.GetText("A"), "a1");
    EXPECT_EQ(lang.GetText("B"), "b2");
    EXPECT_EQ(lang.GetText("C"), "c2");
}

TEST_F(Language, ABlankLineEndsTheTableAndLineEndsMayBeMixed) {
    write_file("lang.txt", "\xEF\xBB\xBF" "English,Deutsch\r\nA,a1,a2\rB,b1,b2\r\n\nC,c1,c2\n");
    CLanguage lang;
    EXPECT_EQ(lang.CurrentName(), "English");
    EXPECT_EQ(lang.GetText("A"), "a1");
    EXPECT_EQ(lang.GetText("B"), "b1");
    EXPECT_EQ(lang.GetText("C"), "");
    lang.SelectLanguage(1);
    EXPECT_EQ(lang.GetText("B"), "b2");
    EXPECT_EQ(lang.GetText("C"), "");
}

TEST_F(Language, OutOfRangeSelectsLanguageZeroAndMissingKeysAreEmpty) {
    write_file("lang.txt", "English,Deutsch,Francais\nExit,Exit,Beenden,Quitter\n");
    CLanguage lang;
    ASSERT_EQ(lang.LanguageCount(), 3);
    for (int index : {-1, 3, 100}) {
        lang.SelectLanguage(2);
        lang.SelectLanguage(index);
        EXPECT_EQ(lang.CurrentIndex(), 0) << index;
        EXPECT_EQ(lang.CurrentName(), "English");
        EXPECT_EQ(lang.GetText("Exit"), "Exit");
    }
    EXPECT_EQ(lang.GetText("NoSuchKey"), "");
    EXPECT_EQ(lang.GetText("NoSuchKey"), "");
    EXPECT_EQ(lang.GetLanguageName(-1), "");
    EXPECT_EQ(lang.GetLanguageName(10), "");
}

TEST_F(Language, WideLinesAreBoundedToTenNames) {
    // Twelve names and a line of thirteen items: only ten names are kept.
    std::string header, line = "K";
    for (int j = 0; j < 12; ++j) {
        header.append("L").append(std::to_string(j)).append(" ");
        line.append(" t").append(std::to_string(j));
    }
    write_file("lang.txt", header + "\n" + line + "\n");
    CLanguage lang;
    EXPECT_EQ(lang.LanguageCount(), vorlantic::kMaxLanguageNames);
    EXPECT_EQ(lang.GetLanguageName(9), "L9");
    EXPECT_EQ(lang.GetLanguageName(11), "");
    lang.SelectLanguage(9);
    EXPECT_EQ(lang.GetText("K"), "t9");

    // A narrower file read afterwards leaves no names of the wider one.
    write_file("narrow.txt", "English,Deutsch\nK,k0,k1\n");
    CLanguage narrow("narrow.txt");
    EXPECT_EQ(narrow.LanguageCount(), 2);
    EXPECT_EQ(narrow.GetLanguageName(5), "");
}

TEST_F(Language, AMissingFileRaisesAnErrorNamingIt) {
    try {
        CLanguage lang;
        FAIL() << "no error";
    } catch (const vorlantic::platform::EFOpenError& e) {
        const std::string expected = (std::filesystem::path(dir()) / "lang.txt").string();
        EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + expected + "\""), std::string::npos) << e.what();
    }
}

// Every key the program and its dialogs ask for has a text in every language
// of the shipped table.
TEST(ShippedLanguageTable, HasEveryKeyInEveryLanguage) {
    const char* keys[] = {
        "File", "SelectLanguage", "Exit", "Edit", "CopyPicture", "ObjectProperties", "ContourSettings", "View",
        "ViewSpecification", "ViewModel", "GoNow", "Pause", "Resume", "Run", "Help", "About", "ShowLegend",
        "Grayscale", "PanLeft", "PanRight", "PanUp", "PanDown", "ZoomIn", "ZoomOut", "Restore", "ModelAndFlow",
        "StartSimulation", "SimulationRunning", "Lowest", "Highest", "Resolution", "Fastest", "Slowest", "Speed",
        "Wedge", "Cone", "Sphere", "More", "Parameters", "Value", "Plot", "Mesh", "Vector", "Contour",
        "ContourLines", "OpticalModel", "Ok", "titleContour", "titleContourLines", "Variable", "Density",
        "Pressure", "U", "V", "LineNumber"};
    CLanguage lang(QELTA_DATA_DIR "/lang.txt");
    ASSERT_EQ(lang.LanguageCount(), 2);
    EXPECT_EQ(lang.GetLanguageName(0), "English");
    EXPECT_EQ(lang.GetLanguageName(1), "Deutsch");
    for (int index = 0; index < lang.LanguageCount(); ++index) {
        CLanguage fresh(QELTA_DATA_DIR "/lang.txt");
        fresh.SelectLanguage(index);
        for (const char* key : keys) EXPECT_FALSE(fresh.GetText(key).empty()) << key << " in language " << index;
    }
    const std::pair<const char*, const char*> english[] = {
        {"GoNow", "Start"},         {"Pause", "Pause"},        {"Resume", "Resume"},
        {"CopyPicture", "Copy the picture"}, {"ShowLegend", "Show legend"}, {"PanLeft", "Pan Left"},
        {"ZoomOut", "Zoom out"},    {"ObjectProperties", "Object Properties"},
        {"titleContourLines", "Contour Line Settings"}, {"OpticalModel", "Optical Model"}};
    for (auto [key, text] : english) EXPECT_EQ(lang.GetText(key), text) << key;
    lang.SelectLanguage(1);
    EXPECT_EQ(lang.GetText("Exit"), "Beenden");
}

}  // namespace
