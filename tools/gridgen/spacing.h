// Node distributions along grid lines.
#pragma once

#include <vector>

namespace gridgen {

// m / den for m = m0..m1 (exact decimal steps such as 0.1 k).
std::vector<double> steps(int m0, int m1, int den);

// n cells from a to b growing by a constant factor from the first, of length h_first.
std::vector<double> geometric(double a, double b, double h_first, int n);

// Geometric cells from a spacing of about h_a at a to about h_b at b.
std::vector<double> graded(double a, double b, double h_a, double h_b);

// Fractions 0 = s_0 < ... < s_n = 1 whose steps grow by the factor q.
std::vector<double> ratio_fractions(int n, double q);

// a followed by b, which starts where a ends.
std::vector<double> join(const std::vector<double>& a, const std::vector<double>& b);
std::vector<double> reversed(std::vector<double> a);

// cos and sin of pi k / n, exact at multiples of pi/2 and mirror-symmetric
// about them.
double cos_pi(int k, int n);
double sin_pi(int k, int n);

}  // namespace gridgen
