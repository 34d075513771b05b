// Routines whose parts of the solver this build does not have yet. Each
// ends the run with the fatal stop and a message that names it.
#include "common/log.h"
#include "flow/viscous.h"

namespace qelta {}  // namespace qelta
