#include "temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace vorlantic::testing {

void TempDir::SetUp() {
    old_dir_ = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "vorlantic-app-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir_ = buf.data();
    fs::current_path(dir_);
}

void TempDir::TearDown() {
    fs::current_path(old_dir_);
    std::error_code ec;
    if (!HasFailure()) fs::remove_all(dir_, ec);
}

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream out(name, std::ios::binary);
    out << text;
}

}  // namespace vorlantic::testing
