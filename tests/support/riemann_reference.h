// An exact solution of the one-dimensional Riemann problem for a perfect
// gas, written for the tests independently of the library's solver: the
// star pressure by bisection of f_L(p) + f_R(p) + u_R - u_L = 0, and the
// solution sampled at any speed x/t.
#pragma once

namespace qelta::testing {

struct Gas1D {
    double rho, u, p;
};

class RiemannReference {
public:
    RiemannReference(const Gas1D& left, const Gas1D& right, double gamma);
    double p_star() const { return p_star_; }
    double u_star() const { return u_star_; }
    // The state at x/t = s.
    Gas1D sample(double s) const;

private:
    double f(const Gas1D& k, double p) const;
    Gas1D left_, right_;
    double gamma_, p_star_, u_star_;
};

}  // namespace qelta::testing
