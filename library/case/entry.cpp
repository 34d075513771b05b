// The library's entry points. Each runs its routine as an entry-point call:
// a fatal stop inside it unwinds to here, as does any other exception, and
// the call returns with the stop's text kept for get_stop_message. Nothing
// crosses into the program.
#include "case/entry.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "case/forces.h"
#include "case/run_driver.h"
#include "common/checks.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/node_values.h"
#include "optics/optics.h"
#include "qelta.h"

namespace qelta {

namespace {

std::string stop_text;     // of the most recent entry-point call
bool stop_unread = false;  // since get_stop_message last read one
// A stop inside initialize_qelta, step or get_cell_vertex has left the grid
// and the flow half set up or half updated: no run is held until the next
// set-up ends.
bool run_lost = false;

// Any other exception reads as a stop of the entry point.
void other_failure(std::string_view entry, std::string_view what, int unit) {
    try {
        const std::string error = "Error: " + std::string(what);
        const std::string where = "Stop in " + std::string(entry);
        write_stop_records({error, where}, unit);
        stop_text = error + "\n" + where;
    } catch (...) {
        stop_text = "Stop in " + std::string(entry);
    }
}

// Runs the body of an entry point; false after a stop.
template <class Body>
bool entry_call(std::string_view entry, int unit, Body&& body) {
    stop_text.clear();
    try {
        EntryCall call;
        body();
        return true;
    } catch (const Stop& stop) {
        stop_text = stop.what();
    } catch (const std::exception& e) {
        other_failure(entry, e.what(), unit);
    } catch (...) {
        other_failure(entry, "an exception that is not a library stop", unit);
    }
    stop_unread = true;
    return false;
}

void lose_run() {
    drop_run();
    run_lost = true;
}

}  // namespace

const std::string& entry_stop_text() { return stop_text; }

bool entry_stop_unread() { return stop_unread; }

}  // namespace qelta

using namespace qelta;

extern "C" {

void initialize_qelta(const double* realPar, const int* intPar) {
    run_lost = true;
    if (entry_call("initialize_qelta", run.iolog, [&] { setup_run(realPar, intPar); })) run_lost = false;
}

void step(double* progress) {
    if (entry_call("step", run.iolog, [&] { *progress = step_run(); })) return;
    lose_run();
    *progress = 1;
}

int getIntPar(int code) {
    int value = 0;
    entry_call("getIntPar", run.iolog, [&] {
        switch (code) {
        case 0: value = MAX_CEL; break;
        case 1: value = grid.ncell; break;
        case 10: value = 20; break;  // optical elements
        case 11: value = 20; break;  // parameters per element
        case 12: value = 5; break;   // rays per set of the bench schematic
        case 13: value = 5; break;   // ray sets of the bench schematic
        default: value = 0; break;
        }
    });
    return value;
}

void close_recording_file() {
    entry_call("close_recording_file", run.iolog, [] {
        if (case_id() == 101) record_drag(2);
        if (case_id() == 102) record_lift_drag(2);
    });
}

void initial_optics() {
    entry_call("initial_optics", run.iolog, [] {
        run.ioptlog = 7;
        open_unit(run.ioptlog, "zoptics.txt");
    });
}

void close_optics() {
    entry_call("close_optics", run.ioptlog, [] { close_unit(run.ioptlog); });
}

void get_cell_vertex(double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell, int* hang_nodes,
                     int* nhang, double* node_r, double* node_p, double* node_ux, double* node_uy) {
    if (entry_call("get_cell_vertex", run.iolog, [&] {
            if (run_lost)
                refuse("get_cell_vertex is called after a stop, before initialize_qelta has set up a new run",
                       "get_cell_vertex");
            cell_vertex_values(node_x, node_y, nnode, cell_nodes, ncell, hang_nodes, nhang, node_r, node_p, node_ux,
                               node_uy);
        }))
        return;
    lose_run();
    *nnode = 0;
    *ncell = 0;
    *nhang = 0;
}

void OPTICS_SHADOWGRAPH_A0(double* ropara, int* /*iopara*/, double* elem_par, int* elem_ipar, int* nelem, double* ray_x,
                           double* ray_y, int* nsets, double* image_point) {
    if (entry_call("OPTICS_SHADOWGRAPH_A0", run.ioptlog, [&] {
            bench_schematic(ropara, elem_par, elem_ipar, *nelem, ray_x, ray_y, *nsets, image_point);
        }))
        return;
    *nsets = 0;
}

void OPTICS_SHADOWGRAPH_A(double* ropara, int* iopara, double* elem_par, int* elem_ipar, int* nelem,
                          double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell, int* hang_nodes,
                          int* nhang, double* node_r, double* ray_z, double* ray_y, int* nrays, int* nray_cells,
                          int* ray_cells, double* cell_weight, double* win_zmin, double* win_ymin, double* win_zmax,
                          double* win_ymax, double* pixel_size, double* pxmin, double* pymin, double* pxmax,
                          double* pymax, int* npx, int* npy, double* picture) {
    if (entry_call("OPTICS_SHADOWGRAPH_A", run.ioptlog, [&] {
            take_photograph(ropara, iopara, elem_par, elem_ipar, *nelem, node_x, node_y, *nnode, cell_nodes, *ncell,
                            hang_nodes, *nhang, node_r, ray_z, ray_y, *nrays, *nray_cells, ray_cells, cell_weight,
                            *win_zmin, *win_ymin, *win_zmax, *win_ymax, *pixel_size, *pxmin, *pymin, *pxmax, *pymax,
                            *npx, *npy, picture);
        }))
        return;
    forget_photograph_tables();
    *nrays = 0;
    *nray_cells = 0;
    *npx = 0;
    *npy = 0;
}

void get_stop_message(char* message, int* size, int* length) {
    const std::size_t n = stop_text.size();
    *length = static_cast<int>(std::min<std::size_t>(n, 2147483647));
    if (message && *size > 0) {
        const std::size_t k = std::min(n, static_cast<std::size_t>(*size - 1));
        std::memcpy(message, stop_text.data(), k);
        message[k] = '\0';
    }
    stop_unread = false;
}

}  // extern "C"
