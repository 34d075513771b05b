#include "case/units.h"

#include <cmath>
#include <string>

#include "case/gas.h"
#include "common/checks.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"

namespace qelta {

namespace {

constexpr double universal_gas_constant = 8.3147;  // J/(mol K)
constexpr double gam_min = limits::min_gamma;
constexpr double t_ice = static_cast<double>(273.15f);  // K, single precision

// Sutherland's laws about 273.15 K (White, Viscous Fluid Flow, 1991).
constexpr double mu_ice = 1.716e-5;  // Pa s
constexpr double k_ice = 0.0241;     // W/(m K)
constexpr double s_mu = 111;         // K
constexpr double s_k = 194;          // K

// Sutherland: q = q0 (T/T0)^1.5 (T0 + S) / (T + S).
double sutherland(double q0, double s, double t) { return q0 * std::pow(t / t_ice, 1.5) * (t_ice + s) / (t + s); }

// cp = gam / (gam - 1) R / W, J/(kg K).
double cp_mass(double gam, double rgas, double wmol) { return gam / (gam - 1) * rgas / wmol; }

// E = p / (gam - 1) + rho (u^2 + v^2) / 2.
double total_energy(double gam1, double rho, double u, double v, double pres) {
    return pres / gam1 + 0.5 * rho * (u * u + v * v);
}

bool is_air(const FixedText<20>& name) {
    std::string_view s = name.padded().substr(0, last_nonblank(name.padded()));
    return s == "AIR" || s == "air";
}

}  // namespace

void set_reference() {
    write_log("Setting units...start....");
    if (case_id() == 101) {
        // Slot 3 carries the sphere diameter in mm.
        ref.t_ref = 293;
        // From a micrometre, where the gas is still a continuum, to a
        // kilometre.
        require("the sphere diameter in mm (realPar slot 3)", run.rpar(3), Range{0.001, 1e6}, "initialize_qelta");
        ref.l_ref = run.rpar(3) * 0.001 * 0.5;
        ref.p_ref = 101000;
        write_log("Radius of Sphere=....", ref.l_ref);
    } else {
        if (run.ns == 1) write_log("Warning: Default charateristic quantities are used in useradv");
        ref.t_ref = 293;
        ref.l_ref = 0.25;
        ref.p_ref = 101000;
    }
    gas.gasname = "AIR";
}

// a_ref = sqrt(R T_ref / W), the isothermal sound speed; the units of time,
// density and energy follow from it, p_ref and l_ref.
void set_units() {
    set_gas();
    gas.rgas = universal_gas_constant;
    ref.a_ref = std::sqrt(gas.rgas * ref.t_ref / gas.wmol);
    run.gam1 = run.gam - 1;
    ref.t_scale = ref.l_ref / ref.a_ref;
    ref.rho_scale = ref.p_ref / (ref.a_ref * ref.a_ref);
    ref.e_scale = ref.p_ref * ref.l_ref * ref.l_ref * ref.l_ref;
    write_log("Setting units...end");
}

void set_gas() {
    gas.wmol = molecular_weight(gas.gasname);
    write_log("Gas: ", gas.gasname.padded().substr(0, 5), "Molecular weight: ", gas.wmol);
    // A name without any element would make every unit infinite.
    if (!(gas.wmol > 0))
        fatal_stop({"Error: the gas name \"" + gas.gasname.str() + "\" gives no molecular weight"});
    set_gamma();
}

void set_gamma() {
    require("the ratio of specific heats (realPar slot 4)", run.rpar(4), Range{-unbounded, gam_max},
            "initialize_qelta");
    run.gam = (run.rpar(4) >= gam_min) ? run.rpar(4) : gam_min;
}

// mu_ref, k_ref by Sutherland's laws at t_ref; Pr = mu cp / k;
// Re = rho_scale a_ref l_ref / mu_ref.
void get_re_pr_number() {
    if (!is_air(gas.gasname))
        fatal_stop({"Error: Viscosity and Heat cofs are not defined yet!", "Error in  subroutine get_re_pr_number"});
    ref.mu_ref = sutherland(mu_ice, s_mu, ref.t_ref);
    ref.k_ref = sutherland(k_ice, s_k, ref.t_ref);
    set_sutherland_constants();
    run.prand = ref.mu_ref * cp_mass(run.gam, gas.rgas, gas.wmol) / ref.k_ref;
    run.reyn = ref.rho_scale * ref.a_ref * ref.l_ref / ref.mu_ref;
    write_log("Pr=", run.prand);
    write_log("Re=", run.reyn);
}

void set_sutherland_constants() {
    run.sut_mu = s_mu / ref.t_ref;
    run.sut_k = s_k / ref.t_ref;
}

// rho2/rho1 = (g+1) M^2 / (2 + (g-1) M^2);  p2/p1 = (2g M^2 - (g-1)) / (g+1);
// w = M a1 rho1/rho2 by mass conservation (Rankine 1870, Hugoniot 1887).
void normal_shock(double gamma, double m, double rho1, double p1, double& rho2, double& p2, double& w) {
    double m2 = m * m;
    rho2 = rho1 * ((gamma + 1) / 2 * m2) / (1 + (gamma - 1) / 2 * m2);
    p2 = p1 * (2 * gamma * m2 / (gamma + 1) - (gamma - 1) / (gamma + 1));
    w = m * std::sqrt(gamma * p1 / rho1) * rho1 / rho2;
}

// (rho, rho E, rho u, rho v) from (rho, p, u, v).
void prim_to_cons() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        cr(c) = r(c);
        cux(c) = r(c) * ux(c);
        cuy(c) = r(c) * uy(c);
        cp(c) = total_energy(run.gam1, r(c), ux(c), uy(c), p(c));
    }
}

}  // namespace qelta
