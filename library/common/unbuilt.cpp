// Routines whose parts of the solver this build does not have yet. Each
// ends the run with the fatal stop and a message that names it.
#include "case/forces.h"
#include "case/restart.h"
#include "common/log.h"
#include "flow/viscous.h"

namespace qelta {

void viscous_flux() { not_built("viscous_flux (viscous terms)"); }
void read_restart() { not_built("read_restart (restart file)"); }
void record_drag(int) { not_built("record_drag (force recorders)"); }
void record_lift_drag(int) { not_built("record_lift_drag (force recorders)"); }

}  // namespace qelta
