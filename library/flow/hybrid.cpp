// Scheme 5: run the first scheme; where it leaves non-positive values, run
// the second from the same start state and blend the two results, each
// conservative variable with its own weight, choosing the weights that keep
// the affected cells most positive.
#include <algorithm>
#include <cmath>

#include "case/cases.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/positivity.h"
#include "flow/sweep.h"
#include "flow/timestep.h"

namespace qelta {

namespace {

constexpr int nweight = 10;  // weights 0, 1/9, ..., 1

CellColumns<double, ncons> backup;  // the other of the two states
EdgeColumns<double, ncons> first_flux;  // the first scheme's edge fluxes, when blended
double chosen[ncons + 1];               // the blend's weights
bool first_carries_dt, second_carries_dt;  // scheme 1's fluxes carry dt

// The flux of the blend: each variable's weight on the two schemes' fluxes
// per unit time.
double blended_flux(int e, int k) {
    double a = first_flux(e, k) / (first_carries_dt ? run.dt : 1.0);
    double b = sweep::stored_flux(e, k) / (second_carries_dt ? run.dt : 1.0);
    return (1 - chosen[k]) * a + chosen[k] * b;
}

double weight(int k) { return (k - 1) / 9.0; }

// Pressure from the conservative variables.
double pressure(double rho, double e, double mx, double my) {
    return run.gam1 * (e - 0.5 * (mx * mx + my * my) / rho);
}

// Cells where the worst mixture of the two results (smallest density and
// energy, largest momenta) is not positive; listed in iwork(,1).
int affected_cells() {
    int n = 0;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        double rho = std::min(backup(c, 1), cr(c));
        double e = std::min(backup(c, 2), cp(c));
        double mx = std::max(std::fabs(backup(c, 3)), std::fabs(cux(c)));
        double my = std::max(std::fabs(backup(c, 4)), std::fabs(cuy(c)));
        if (!(pressure(rho, e, mx, my) > 0) || !(rho > 0)) iwork(++n, 1) = c;  // NaN too
    }
    return n;
}

// Blend of result a (in backup) and result b (in the state) with weight w.
double blend(int c, int k, double w) { return (1 - w) * backup(c, k) + w * cons(c, k); }

// Smallest density or pressure over the affected cells for one combination.
double blended_minimum(int n, const double w[ncons + 1]) {
    double m = run.big;
    for (int j = 1; j <= n; ++j) {
        int c = iwork(j, 1);
        double rho = blend(c, 1, w[1]);
        double e = blend(c, 2, w[2]);
        double mx = blend(c, 3, w[3]);
        double my = blend(c, 4, w[4]);
        m = std::min({m, rho, pressure(rho, e, mx, my)});
    }
    return m;
}

void swap_with_backup() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) std::swap(backup(c, k), cons(c, k));
    }
}

void report_weights(const double w[ncons + 1], int first, int second, double best) {
    const char* labels[ncons + 1] = {nullptr, "Mass:   ", "Energy: ", "x-Mom:  ", "y-Mom:  "};
    for (int k = 1; k <= ncons; ++k)
        log_fixed(std::string(labels[k]) + fmt_f(100 * (1 - w[k]), 4, 0) + "% SCHEME" + fmt_i(first, 2) + " + " +
                  fmt_f(100 * w[k], 4, 0) + "% SCHEME" + fmt_i(second, 2));
    write_log("Mininum pressure/density after optimizing:", best);
}

}  // namespace

void hybrid_step(int first, int second) {
    int saved = run.ischeme;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        for (int k = 1; k <= ncons; ++k) backup(c, k) = cons(c, k);
    }
    run.ischeme = first;
    scheme_step(false);
    double pmin, rmin;
    check_negative(pmin, rmin);
    if (!(pmin > 0 && rmin > 0)) {
        swap_with_backup();  // state: the start state again; backup: result a
        cons_to_prim();      // the second scheme starts from the primitives of U0 too
        positivity::keep_start_from_conservative();
        for (int i = 1; i <= grid.nedge; ++i) {
            int e = list_edg(i);
            for (int k = 1; k <= ncons; ++k) first_flux(e, k) = sweep::stored_flux(e, k);
        }
        run.ischeme = second;
        scheme_step(false);  // state: result b
        check_negative(pmin, rmin);

        int n = affected_cells();
        // The search: density weight outermost, energy weight innermost;
        // the first best combination in that order wins.
        double best = -run.big;
        std::fill(chosen, chosen + ncons + 1, 0.0);
        for (int a = 1; a <= nweight; ++a)
            for (int b = 1; b <= nweight; ++b)
                for (int c = 1; c <= nweight; ++c)
                    for (int d = 1; d <= nweight; ++d) {
                        // Blend weights of mass, x momentum, y momentum, energy.
                        double w[ncons + 1] = {0, weight(a), weight(d), weight(b), weight(c)};
                        double m = blended_minimum(n, w);
                        if (m > best) {
                            best = m;
                            std::copy(w, w + ncons + 1, chosen);
                        }
                    }
        report_weights(chosen, first, second, best);
        for (int i = 1; i <= grid.ncell; ++i) {
            int c = list_cel(i);
            for (int k = 1; k <= ncons; ++k) cons(c, k) = blend(c, k, chosen[k]);
        }
        user_flux_hook();
        cons_to_prim();
        first_carries_dt = first == 1;
        second_carries_dt = second == 1;
        positivity::mend(blended_flux);
        run.ischeme = saved;
        return;
    }
    user_flux_hook();
    cons_to_prim();
    run.ischeme = saved;
}

}  // namespace qelta
