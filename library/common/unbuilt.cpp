// Routines whose parts of the solver this build does not have yet. Each
// ends the run with the fatal stop and a message that names it.
#include <string>

#include "case/cases.h"
#include "case/forces.h"
#include "case/restart.h"
#include "common/log.h"
#include "flow/viscous.h"
#include "grid/adapt.h"
#include "grid/gradients.h"
#include "grid/grid_files.h"

namespace qelta {

namespace {

[[noreturn]] void not_built(const char* routine) {
    fatal_stop({std::string("Stop: ") + routine + " is not built in this version"});
}

}  // namespace

void adapt() { not_built("adapt (grid adaptation)"); }
void lsq_matrix() { not_built("lsq_matrix (gradient reconstruction)"); }
void lsq_edge_terms() { not_built("lsq_edge_terms (gradient reconstruction)"); }
void ghost_gradients() { not_built("ghost_gradients (gradient reconstruction)"); }
void viscous_flux() { not_built("viscous_flux (viscous terms)"); }
void load_grid() { not_built("load_grid (case grid files)"); }
void read_restart() { not_built("read_restart (restart file)"); }
void record_drag(int) { not_built("record_drag (force recorders)"); }
void record_lift_drag(int) { not_built("record_lift_drag (force recorders)"); }
void energy_source() { not_built("energy_source (point energy source)"); }

}  // namespace qelta
