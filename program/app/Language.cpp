#include "app/Language.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <utility>

#include "platform/Errors.h"

namespace vorlantic {

std::string LanguageNames[kMaxLanguageNames];

namespace {

// Blanks and control characters.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The file's lines; a line ends at CR, LF or CR LF. A UTF-8 byte-order mark
// is skipped.
std::vector<std::string> ReadLines(const std::string& fileName) {
    errno = 0;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw platform::EFOpenError::ForFile(fileName, errno ? errno : ENOENT);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw platform::EFOpenError::ForFile(fileName, EIO);
    std::size_t i = all.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::vector<std::string> lines;
    while (i < all.size()) {
        std::size_t end = all.find_first_of("\r\n", i);
        if (end == std::string::npos) end = all.size();
        lines.push_back(all.substr(i, end - i));
        i = end;
        if (i < all.size() && all[i] == '\r') ++i;
        if (i < all.size() && all[i] == '\n') ++i;
    }
    return lines;
}

}  // namespace

std::vector<std::string> SplitCommaText(const std::string& line) {
    std::vector<std::string> items;
    const std::string s = Trim(line);
    std::size_t p = 0;
    while (p < s.size()) {
        std::string item;
        if (s[p] == '"') {
            // Up to the matching quote; "" stands for one quote.
            ++p;
            while (p < s.size()) {
                if (s[p] == '"') {
                    if (p + 1 < s.size() && s[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += s[p++];
            }
        } else {
            std::size_t b = p;
            while (p < s.size() && !IsBlank(s[p]) && s[p] != ',') ++p;
            item = s.substr(b, p - b);
        }
        items.push_back(Trim(item));
        while (p < s.size() && IsBlank(s[p])) ++p;
        if (p < s.size() && s[p] == ',') {
            ++p;
            while (p < s.size() && IsBlank(s[p])) ++p;
        }
    }
    return items;
}

CLanguage::CLanguage(std::string fileName) : FFileName(std::move(fileName)) {
    LoadFromFile(FFileName);
    FLanguageCount = 0;
    FCurrentIndex = 0;
    for (int j = 0; j < kMaxLanguageNames && !LanguageNames[j].empty(); ++j) {
        if (LanguageNames[j] == FCurrentName) FCurrentIndex = j;
        ++FLanguageCount;
    }
    FCurrentName = LanguageNames[FCurrentIndex];
    Reload();
}

void CLanguage::SelectLanguage(int index) {
    if (index < 0 || index >= FLanguageCount) index = 0;
    FCurrentName = LanguageNames[index];
    FCurrentIndex = index;
    Reload();
}

void CLanguage::Reload() { LoadFromFile(FFileName); }

const std::string& CLanguage::GetText(const std::string& key) { return FTexts[key]; }

std::string CLanguage::GetLanguageName(int index) const {
    return index >= 0 && index < kMaxLanguageNames ? LanguageNames[index] : std::string();
}

void CLanguage::LoadFromFile(const std::string& fileName) {
    const std::vector<std::string> lines = ReadLines(fileName);
    std::vector<std::vector<std::string>> rows;
    rows.reserve(lines.size());
    for (const std::string& line : lines) rows.push_back(SplitCommaText(line));

    // Header: the language names. Every entry is written, so names of a
    // wider file read before do not survive.
    const std::vector<std::string> none;
    const std::vector<std::string>& header = rows.empty() ? none : rows[0];
    for (int j = 0; j < kMaxLanguageNames; ++j)
        LanguageNames[j] = j < static_cast<int>(header.size()) ? header[j] : std::string();

    // Texts of the current language up to the first line without one.
    const std::size_t column = static_cast<std::size_t>(FCurrentIndex) + 1;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string>& items = rows[i];
        if (column >= items.size() || items[column].empty()) break;
        FTexts[items[0]] = items[column];
    }
}

}  // namespace vorlantic
