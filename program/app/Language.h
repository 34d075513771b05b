// The program's text table: one language's texts of "lang.txt", by key.
//
// "lang.txt": line 1 names the languages, every further line is a key
// followed by its text in each language, items split by the comma-text rules
// (commas or blanks; a text with blanks is quoted). Loading a language stops
// at the first line whose text for it is empty.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vorlantic {

constexpr int kMaxLanguageNames = 10;

// Names of the header of the last file loaded; entry j is item j of the
// header, empty beyond its items.
extern std::string LanguageNames[kMaxLanguageNames];

// A line split into items: separated by commas or runs of blanks, blanks
// around a comma skipped, a quoted item may hold blanks and commas ("" is a
// quote inside it), a comma at the start or two in a row give an empty item,
// a comma at the end none; every item trimmed.
std::vector<std::string> SplitCommaText(const std::string& line);

class CLanguage {
public:
    // Loads fileName; a missing or unreadable file raises EFOpenError.
    explicit CLanguage(std::string fileName = "lang.txt");

    // Index below 0 or not below the language count selects language 0.
    void SelectLanguage(int index);
    void Reload();
    // The key's text; a key the table lacks is entered with an empty text.
    const std::string& GetText(const std::string& key);
    // LanguageNames[index]; empty outside the table.
    std::string GetLanguageName(int index) const;
    // Stores the current language's texts of the file in the map, which is
    // not cleared first.
    void LoadFromFile(const std::string& fileName);

    int LanguageCount() const { return FLanguageCount; }
    int CurrentIndex() const { return FCurrentIndex; }
    const std::string& CurrentName() const { return FCurrentName; }

private:
    std::string FFileName;
    std::map<std::string, std::string> FTexts;
    int FLanguageCount = 0;
    int FCurrentIndex = 0;
    std::string FCurrentName;
};

}  // namespace vorlantic
