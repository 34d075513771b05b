// Thermal data of the gas (the seven-term polynomials of cp/R, h/RT and s/R
// in two temperature ranges, Gordon and McBride 1971) and the normal shock
// in a gas whose specific heats follow them.
#include <cmath>
#include <string>

#include "case/units.h"
#include "common/list_read.h"
#include "common/log.h"
#include "common/run.h"

namespace qelta {

namespace {

constexpr const char* thermal_file = "qeltatherm.dat";
// The file's polynomials take the temperature in units of 298.15 K.
constexpr double t_data = static_cast<double>(298.15f);
constexpr int ncoef = 7;
// Columns of thcoef: the range above the dividing temperature first, in the
// order of the file.
constexpr int upper_range = 1;
constexpr int lower_range = 2;

constexpr double residual_tol = 1e-12;  // energy residual of a converged shock
constexpr double stall_tol = 1e-5;      // smallest change of the temperature iterate
constexpr int max_secant_steps = 100;

// Field k (from 1) of a (10E16.8) record: a real number with its decimal
// point, blanks around it.
double e16_field(const ListReader& in, int record, const std::string& line, int k) {
    constexpr std::size_t width = 16;
    std::size_t at = static_cast<std::size_t>(k - 1) * width;
    std::string field = at < line.size() ? line.substr(at, width) : std::string();
    std::size_t first = field.find_first_not_of(' ');
    std::string text = first == std::string::npos ? std::string()
                                                  : field.substr(first, field.find_last_not_of(' ') - first + 1);
    double v = 0;
    if (text.find('.') == std::string::npos || !parse_real(text, v))
        in.fail(record, "field " + std::to_string(k) + " of the format E16.8 holds \"" + text +
                            "\", not a real number");
    return v;
}

// The four records of a matching species: its molecular weight, the
// dividing temperature, the upper-range and the lower-range coefficients.
void read_species(ListReader& in, int& record) {
    std::string line = in.read_line(++record, "the molecular weight record");
    gas.thermal_wmol = e16_field(in, record, line, 2);
    line = in.read_line(++record, "the dividing temperature record");
    gas.thermal_tmid = e16_field(in, record, line, 1);
    for (int range : {upper_range, lower_range}) {
        line = in.read_line(++record, "a record of 7 coefficients");
        for (int k = 1; k <= ncoef; ++k) gas.thcoef(k, range) = e16_field(in, record, line, k);
    }
}

// T' = T / m with m = t_ref / 298.15: cp/R = sum a_k T^(k-1) keeps its value
// when a_k becomes a_k m^(k-1) (k = 1..5) and a6 (the h/RT term a6/T)
// becomes a6 / m.
void rescale_to_reference() {
    double m = ref.t_ref / t_data;
    for (int range : {upper_range, lower_range}) {
        double f = 1;
        for (int k = 2; k <= 5; ++k) {
            f *= m;
            gas.thcoef(k, range) *= f;
        }
        gas.thcoef(6, range) /= m;
    }
    gas.thermal_tmid *= t_data / ref.t_ref;
}

// The file names a species by its first 5 characters.
bool names_the_gas(const FixedText<80>& name) {
    FixedText<20> head;
    head = name.padded().substr(0, 5);
    return head.padded() == gas.gasname.padded();
}

int range_of(double t) { return t > gas.thermal_tmid ? upper_range : lower_range; }

// cp/R = a1 + a2 T + a3 T^2 + a4 T^3 + a5 T^4.
double cp_over_r(double t) {
    int j = range_of(t);
    const auto& a = gas.thcoef;
    return a(1, j) + t * (a(2, j) + t * (a(3, j) + t * (a(4, j) + t * a(5, j))));
}

// h/R = a1 T + a2 T^2/2 + a3 T^3/3 + a4 T^4/4 + a5 T^5/5 + a6.
double h_over_r(double t) {
    int j = range_of(t);
    const auto& a = gas.thcoef;
    return t * (a(1, j) + t * (a(2, j) / 2 + t * (a(3, j) / 3 + t * (a(4, j) / 4 + t * a(5, j) / 5)))) + a(6, j);
}

// gamma = cp / (cp - R).
double gamma_at(double t) {
    double c = cp_over_r(t);
    return c / (c - 1);
}

// The shock-frame fluxes of the gas entering the shock at speed u1:
// mass j = rho1 u1, momentum P = p1 + rho1 u1^2, energy H = h1 + u1^2/2;
// rgas = p / (rho T) in the units of the call.
struct ShockFluxes {
    double j, momentum, enthalpy, rgas;
};

// The denser root of the mass and momentum balances at temperature t:
// rgas t rho^2 - P rho + j^2 = 0.
double density_behind(const ShockFluxes& f, double t) {
    double a = f.rgas * t;
    double disc = f.momentum * f.momentum - 4 * a * f.j * f.j;
    return (f.momentum + std::sqrt(disc > 0 ? disc : 0)) / (2 * a);
}

// Energy balance h(T) + u^2/2 - H, with u = j / rho from the other two.
double energy_residual(const ShockFluxes& f, double t) {
    double u = f.j / density_behind(f, t);
    return f.rgas * h_over_r(t) + 0.5 * u * u - f.enthalpy;
}

// Secant iteration on the energy residual from the guesses t0 and t1.
double post_shock_temperature(const ShockFluxes& f, double t0, double t1) {
    double fa = energy_residual(f, t0);
    if (std::fabs(fa) <= residual_tol) return t0;
    double ta = t0, tb = t1, fb = energy_residual(f, t1);
    for (int n = 0;; ++n) {
        if (!(std::isfinite(tb) && tb > 0))
            fatal_stop({"Error: no post-shock temperature found in Post_Eq_Shock"});
        if (std::fabs(fb) <= residual_tol) return tb;
        if (std::fabs(tb - ta) <= stall_tol || fb == fa || n == max_secant_steps) {
            write_log("Warning: Not converges yet in Post_Eq_Shock");
            return tb;
        }
        double tc = tb - fb * (tb - ta) / (fb - fa);
        ta = tb;
        fa = fb;
        tb = tc;
        fb = energy_residual(f, tb);
    }
}

}  // namespace

void load_thermal_data() {
    int found = 0;
    {
        ListReader in(thermal_file);
        int record = 0;
        int nspecies = 0, count2 = 0, count3 = 0;
        in.read(++record, {item(nspecies, "number of species"), item(count2, "second count"),
                           item(count3, "third count")});
        in.skip(++record);
        for (int s = 1; s <= nspecies; ++s) {
            FixedText<80> name;
            in.read(++record, {item(name, "species name")});
            in.skip(++record);
            if (names_the_gas(name)) {
                read_species(in, record);
                rescale_to_reference();
                ++found;
            } else {
                for (int k = 0; k < 4; ++k) in.skip(++record);
            }
        }
    }
    if (found == 0) fatal_stop({free_text("Error, No thermal data found for ", gas.gasname)});
    write_log("Load thermal data for ", gas.gasname);
}

// a_k := a_k rho_scale for both ranges.
void scale_thermal_coefs() {
    for (int j = 1; j <= 2; ++j)
        for (int k = 1; k <= ncoef; ++k) gas.thcoef(k, j) *= ref.rho_scale;
}

// Rankine-Hugoniot with h(T) from the polynomials: rho1 u1 = rho2 u2,
// p1 + rho1 u1^2 = p2 + rho2 u2^2, h1 + u1^2/2 = h2 + u2^2/2, p = rho R T;
// solved for T2 by the secant method from the perfect-gas shock.
void Post_Eq_Shock(double rho1, double p1, double t1, double& rho2, double& p2, double& t2, double& w) {
    write_log("Initial density:", rho1);
    double g1 = gamma_at(t1);
    double rho2_pg, p2_pg, w_pg;
    normal_shock(g1, run.amach, rho1, p1, rho2_pg, p2_pg, w_pg);
    double r21 = rho2_pg / rho1, p21 = p2_pg / p1, t21 = p21 / r21;
    write_log("Constant Gamma,r21,p21,t21", g1, r21, p21, t21);

    double u1 = run.amach * std::sqrt(g1 * p1 / rho1);
    ShockFluxes f{rho1 * u1, p1 + rho1 * u1 * u1, 0, p1 / (rho1 * t1)};
    f.enthalpy = f.rgas * h_over_r(t1) + 0.5 * u1 * u1;
    double t_pg = t1 * t21;
    t2 = post_shock_temperature(f, t_pg, 0.9 * t_pg);
    rho2 = density_behind(f, t2);
    p2 = rho2 * f.rgas * t2;
    w = f.j / rho2;
    write_log("r21,p21,t21", rho2 / rho1, p2 / p1, t2 / t1);

    run.gam = gamma_at(t2);
    run.gam1 = run.gam - 1;
    write_log("gam in post_equi_shock", run.gam);
}

}  // namespace qelta
