// Test fixture: each test runs in a fresh temporary working directory that
// holds copies of the library's data files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qelta::testing {

class WorkDir : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string old_dir_;
};

// Whole file as text ("" when missing).
std::string read_file(const std::string& name);
void write_file(const std::string& name, const std::string& text);
bool file_exists(const std::string& name);
// The lines of a text file.
std::vector<std::string> read_lines(const std::string& name);

}  // namespace qelta::testing
