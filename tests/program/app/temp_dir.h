// Test fixture: each test runs in a fresh temporary working directory.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace vorlantic::testing {

class TempDir : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string old_dir_;
};

std::string ReadFile(const std::string& name);
void WriteFile(const std::string& name, const std::string& text);

}  // namespace vorlantic::testing
