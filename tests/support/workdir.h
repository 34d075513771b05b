// Test fixture: each test runs in a fresh temporary working directory that
// holds copies of the library's data files (EmptyWorkDir: nothing).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qelta::testing {

class WorkDir : public ::testing::Test {
protected:
    explicit WorkDir(bool copyData = true) : copy_data_(copyData) {}
    void SetUp() override;
    void TearDown() override;

    const std::string& dir() const { return dir_; }

private:
    bool copy_data_;
    std::string dir_;
    std::string old_dir_;
};

class EmptyWorkDir : public WorkDir {
protected:
    EmptyWorkDir() : WorkDir(false) {}
};

// Whole file as text ("" when missing).
std::string read_file(const std::string& name);
void write_file(const std::string& name, const std::string& text);
bool file_exists(const std::string& name);
// The lines of a text file.
std::vector<std::string> read_lines(const std::string& name);

}  // namespace qelta::testing
