// The library's entry points for a run.
#include "qelta.h"

#include "case/forces.h"
#include "case/run_driver.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"

using namespace qelta;

extern "C" {

void initialize_qelta(const double* realPar, const int* intPar) { setup_run(realPar, intPar); }

void step(double* progress) { *progress = step_run(); }

int getIntPar(int code) {
    switch (code) {
    case 0: return MAX_CEL;
    case 1: return grid.ncell;
    case 10: return 20;  // optical elements
    case 11: return 20;  // parameters per element
    case 12: return 5;   // rays per set of the bench schematic
    case 13: return 5;   // ray sets of the bench schematic
    default: return 0;
    }
}

void close_recording_file() {
    if (case_id() == 101) record_drag(2);
    if (case_id() == 102) record_lift_drag(2);
}

void initial_optics() {
    run.ioptlog = 7;
    open_unit(run.ioptlog, "zoptics.txt");
}

void close_optics() { close_unit(run.ioptlog); }

}  // extern "C"
