// Reference units, the perfect gas, Sutherland's laws and the normal-shock
// relations.
#pragma once

#include "qelta_limits.h"

namespace qelta {

// The largest ratio of specific heats: gamma = 1 + 2/f for molecules of
// f >= 1 degrees of freedom.
constexpr double gam_max = limits::max_gamma;

void set_reference();
void set_units();
void set_gas();
void set_gamma();
void get_re_pr_number();
// Non-dimensional Sutherland constants of viscosity and conductivity at
// the reference temperature: sut_mu = 111/t_ref, sut_k = 194/t_ref.
void set_sutherland_constants();
// Perfect-gas normal shock of Mach number m into (rho1, p1): the state
// behind it and the speed w of that gas relative to the shock.
void normal_shock(double gamma, double m, double rho1, double p1, double& rho2, double& p2, double& w);
// Conservative from primitive variables for every active cell.
void prim_to_cons();

// Nothing calls these three.
void load_thermal_data();
void scale_thermal_coefs();
void Post_Eq_Shock(double rho1, double p1, double t1, double& rho2, double& p2, double& t2, double& w);

}  // namespace qelta
