#include "support/stops.h"

#include <regex.h>

#include <vector>

#include "qelta.h"

namespace qelta::testing {

std::string stop_message() {
    int size = 0, length = 0;
    get_stop_message(nullptr, &size, &length);
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    size = length + 1;
    get_stop_message(text.data(), &size, &length);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

::testing::AssertionResult stops_with(const std::function<void()>& call, const std::string& regex) {
    call();
    const std::string message = stop_message();
    if (message.empty()) return ::testing::AssertionFailure() << "the call ran to its end, with no stop";
    regex_t re;
    if (regcomp(&re, regex.c_str(), REG_EXTENDED | REG_NOSUB) != 0)
        return ::testing::AssertionFailure() << "bad regular expression: " << regex;
    const bool found = regexec(&re, message.c_str(), 0, nullptr, 0) == 0;
    regfree(&re);
    if (found) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the stop message\n" << message << "\ndoes not match\n" << regex;
}

}  // namespace qelta::testing
