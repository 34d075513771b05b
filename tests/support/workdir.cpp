#include "support/workdir.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace qelta::testing {

void WorkDir::SetUp() {
    old_dir_ = fs::current_path().string();
    std::string tmpl = (fs::temp_directory_path() / "qelta-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir_ = buf.data();
    if (copy_data_) fs::copy(QELTA_DATA_DIR, dir_, fs::copy_options::recursive);
    fs::current_path(dir_);
}

void WorkDir::TearDown() {
    fs::current_path(old_dir_);
    if (!HasFailure()) {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    } else {
        std::fprintf(stderr, "working directory kept: %s\n", dir_.c_str());
    }
}

std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& name, const std::string& text) {
    std::ofstream out(name, std::ios::binary);
    out << text;
}

bool file_exists(const std::string& name) { return fs::exists(name); }

std::vector<std::string> read_lines(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

}  // namespace qelta::testing
