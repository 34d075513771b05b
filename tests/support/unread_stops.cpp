// Linked into every test program of the library: a test fails when an
// entry-point call of it stopped and the test never read the stop's
// message, as it failed when the stop ended the process.
#include <gtest/gtest.h>

#include "case/entry.h"

namespace {

class UnreadStops : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        EXPECT_FALSE(qelta::entry_stop_unread())
            << "an entry-point call stopped and nothing read its message:\n" << qelta::entry_stop_text();
    }
};

const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new UnreadStops);
    return true;
}();

}  // namespace
