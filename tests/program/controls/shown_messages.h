// The message boxes asked for while the tests ran: the test driver installs
// a hook that records each request and answers it at once, so that no box
// blocks a test.
#pragma once

#include <vector>

#include "platform/MessageBoxes.h"

namespace vorlantic::testing {

std::vector<platform::MessageRequest>& ShownMessages();

}  // namespace vorlantic::testing
