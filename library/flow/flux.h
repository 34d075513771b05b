// Numerical fluxes through an edge between two face states.
//
// Every flux of the family takes the left and the right primitive state, the
// ratio of specific heats and the edge normal (n_x, n_y), which points from
// the left state into the right one and is not normalised: its length scales
// the flux, so that the sweeps, passing the edge normal of the edge's length,
// get the flux through the whole edge. Outputs are in the order mass,
// energy, x momentum, y momentum. The functions are pure.
#pragma once

#include <type_traits>

namespace qelta {

// Of one edge (T = double) or, lane by lane, of two or four (T = Pair, Quad).
template <class T>
struct FaceStateOf {
    T rho, u, v, p;
};
template <class T>
struct FluxOf {
    T mass, energy, xmom, ymom;
};
using FaceState = FaceStateOf<double>;
using Flux = FluxOf<double>;
template <class T>
inline FluxOf<T> operator+(const FluxOf<T>& a, const FluxOf<T>& b) {
    return {a.mass + b.mass, a.energy + b.energy, a.xmom + b.xmom, a.ymom + b.ymom};
}
template <class T>
inline FluxOf<T> operator-(const FluxOf<T>& a, const FluxOf<T>& b) {
    return {a.mass - b.mass, a.energy - b.energy, a.xmom - b.xmom, a.ymom - b.ymom};
}
template <class T>
inline FluxOf<T> operator*(std::type_identity_t<T> s, const FluxOf<T>& a) {
    return {s * a.mass, s * a.energy, s * a.xmom, s * a.ymom};
}

// A state in the frame of a unit normal: normal and tangential velocity.
struct NormalState {
    double rho, un, ut, p;
};

Flux flux_godunov(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_aufs(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_hllc(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_hll(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_godunov_plus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
// Expects densities and pressures above 1e-7 (riemann_flux floors them).
Flux flux_aufs_minus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_hllc_plus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_hll_minus(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
// AUFS-type splitting around the exact Riemann solution (scheme 4).
Flux flux_godunov2(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);
Flux flux_aufs_hllc(const FaceState& left, const FaceState& right, double gamma, double nx, double ny);

// The flux of code `code` (1 Godunov, 2 AUFS, 3 HLLC, 4 HLL, 11 Godunov+,
// 12 AUFS-, 13 HLLC+, 14 HLL-). Any other code leaves `out` unchanged.
// AUFS- first floors the densities and pressures of the two states at 1e-7,
// in the caller's variables.
void riemann_flux(int code, FaceState& left, FaceState& right, Flux& out, double gamma, double nx, double ny);
// The code's name in the diagnostic header, "" for an unknown code.
const char* flux_name(int code);
bool known_flux_code(int code);

// The state at x/t = 0 of the exact solution of the one-dimensional Riemann
// problem in the normal direction, each side with its own gamma.
NormalState exact_riemann(const NormalState& left, double gamma_left, const NormalState& right, double gamma_right);

// Relatives that carry two advected scalars per side: the scalar fluxes
// come after the four main ones.
struct ScalarFaceState {
    double rho, u, v, p, s1, s2;
};
struct ScalarFlux {
    double mass, energy, xmom, ymom, s1, s2;
};
ScalarFlux flux_hllc_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                             double ny);
ScalarFlux flux_hll_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                            double ny);
// (1 - w) central average + w HLL.
ScalarFlux flux_hll_blend_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                                  double ny, double w);
ScalarFlux flux_godunov_scalars(const ScalarFaceState& left, const ScalarFaceState& right, double gamma, double nx,
                                double ny);

// Godunov+ with its tangential term weighted by
// w = clamp(1 - (a . m)(b . m)/(ut_R - ut_L), 0, 1) (0 without a tangential
// jump), from two vectors a, b and a direction m: extra = (a_x, a_y, b_x,
// b_y, m_x, m_y).
Flux flux_godunov_plus_limited(const FaceState& left, const FaceState& right, double gamma, double nx, double ny,
                               const double extra[6]);

// A two-component gas: each side carries the partial density of the
// second component and its own ratio of specific heats.
struct TwoGasFaceState {
    double rho, u, v, p, rho2, gamma;
};
struct TwoGasFlux {
    double mass, energy, xmom, ymom, partial;
};
// AUFS with the mean ratio of specific heats and p/rho floored at
// 0.005 mean(rho2)/(gas_constant mean(rho)); the partial density moves with
// the mass flux of the upwind side.
TwoGasFlux flux_aufs_two_gas(const TwoGasFaceState& left, const TwoGasFaceState& right, double nx, double ny,
                             double gas_constant);

// A thermally perfect gas with one more advected density: cp/R and h/RT
// from the two seven-coefficient polynomial sets of the gas data, chosen by
// the temperature p/rho (clamped to [0.05, 200]); HLL with Davis speeds.
struct ThermalFaceState {
    double rho, u, v, p, rho2;
};
TwoGasFlux flux_hll_thermal(const ThermalFaceState& left, const ThermalFaceState& right, double nx, double ny);
// Ratio of specific heats of the thermal polynomials at temperature t.
double thermal_gamma(double t);

// Adds a b rho sqrt(gamma p / rho) to p.
void add_acoustic_pressure(double a, double b, double& p, double rho, double gamma);

}  // namespace qelta
