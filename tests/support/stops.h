// Stops of the library's entry points: the call returns, and the message is
// read back through get_stop_message.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace qelta::testing {

// The message of the stop that ended the most recent entry-point call; ""
// when it ran to its end.
std::string stop_message();

// Makes the entry-point call(s) and checks that the last one stopped with a
// message in which the extended regular expression is found, as a death
// test finds one in what a process writes to stderr.
::testing::AssertionResult stops_with(const std::function<void()>& call, const std::string& regex);

}  // namespace qelta::testing
