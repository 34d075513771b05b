// What the entry points keep of a stop, for the test harnesses (the program
// reads it through get_stop_message).
#pragma once

#include <string>

namespace qelta {

// The stop of the most recent entry-point call, its records joined by
// '\n'; empty when that call ran to its end.
const std::string& entry_stop_text();
// A stop has ended an entry-point call since get_stop_message last read one.
bool entry_stop_unread();

}  // namespace qelta
