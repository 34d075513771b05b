// Limits of the values the library accepts in its parameter blocks and the
// capacities of its exchange arrays: the library's checks use them, and a
// program may check its input against them before a run. Header only, as
// the shared library exports nothing but its entry points.
#ifndef QELTA_LIMITS_H
#define QELTA_LIMITS_H

namespace qelta::limits {

// Ratio of specific heats: gamma = 1 + 2/f for molecules of f >= 1 degrees
// of freedom; a smaller value than min_gamma is raised to it.
inline constexpr double max_gamma = 3;
inline constexpr double min_gamma = 1.001;

// Mach number: a moving shock from 1 (the undisturbed state), any flow up
// to 100, beyond which a perfect gas of constant gamma means nothing.
inline constexpr double min_shock_mach = 1;
inline constexpr double max_mach = 100;

// Wedge and cone angles in degrees: finite values are limited to these.
inline constexpr double min_body_angle = 0;
inline constexpr double max_body_angle = 90;

// Entries of each parameter block (realPar, intPar, the optics blocks).
inline constexpr int parameter_block = 20;
// Picture nodes of a photograph (2048 x 2048), with 3 values each in colour.
inline constexpr int max_picture_nodes = 4194304;

}  // namespace qelta::limits

#endif
