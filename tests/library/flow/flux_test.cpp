#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "common/run.h"
#include "flow/flux.h"
#include "support/riemann_reference.h"

using namespace qelta;

namespace {

constexpr double gam = 1.4;

using FluxFn = Flux (*)(const FaceState&, const FaceState&, double, double, double);

struct Named {
    const char* name;
    FluxFn fn;
};

const Named all_fluxes[] = {
    {"Godunov", flux_godunov},     {"AUFS", flux_aufs},         {"HLLC", flux_hllc},
    {"HLL", flux_hll},             {"Godunov+", flux_godunov_plus}, {"AUFS-", flux_aufs_minus},
    {"HLLC+", flux_hllc_plus},     {"HLL-", flux_hll_minus},    {"Godunov2", flux_godunov2},
    {"AUFS-HLLC", flux_aufs_hllc},
};

// |n| times the physical flux of a state through the unit normal.
Flux exact_flux(const FaceState& s, double nx, double ny) {
    double len = std::hypot(nx, ny);
    double ex = nx / len, ey = ny / len;
    double un = s.u * ex + s.v * ey;
    double E = s.p / (gam - 1) + 0.5 * s.rho * (s.u * s.u + s.v * s.v);
    return {len * s.rho * un, len * un * (E + s.p), len * (s.rho * s.u * un + s.p * ex),
            len * (s.rho * s.v * un + s.p * ey)};
}

void expect_flux_near(const Flux& a, const Flux& b, double tol, const std::string& what) {
    EXPECT_NEAR(a.mass, b.mass, tol) << what;
    EXPECT_NEAR(a.energy, b.energy, tol) << what;
    EXPECT_NEAR(a.xmom, b.xmom, tol) << what;
    EXPECT_NEAR(a.ymom, b.ymom, tol) << what;
}

const FaceState states[] = {
    {1.0, 0.3, -0.2, 1.0}, {0.125, -1.1, 0.4, 0.1}, {2.6667, 1.479, 0.0, 4.5}, {1.0, 2.5, 1.0, 0.8},
};
const double normals[][2] = {{1, 0}, {0, 2}, {0.6, -0.8}, {-1.5, 0.25}};

TEST(Flux, ConsistentForEqualStates) {
    for (const auto& f : all_fluxes)
        for (const auto& s : states)
            for (const auto& n : normals)
                expect_flux_near(f.fn(s, s, gam, n[0], n[1]), exact_flux(s, n[0], n[1]), 1e-12, f.name);
}

TEST(Flux, StateAtRestGivesOnlyThePressureForce) {
    FaceState s{1.3, 0, 0, 2.0};
    for (const auto& f : all_fluxes) {
        Flux F = f.fn(s, s, gam, 0.6, -0.8);
        EXPECT_NEAR(F.mass, 0, 1e-15) << f.name;
        EXPECT_NEAR(F.energy, 0, 1e-15) << f.name;
        EXPECT_NEAR(F.xmom, 2.0 * 0.6, 1e-15) << f.name;
        EXPECT_NEAR(F.ymom, 2.0 * -0.8, 1e-15) << f.name;
    }
}

// Swapping the sides and reversing the normal reverses the flux.
TEST(Flux, MirrorSymmetry) {
    for (const auto& f : all_fluxes)
        for (const auto& a : states)
            for (const auto& b : states)
                for (const auto& n : normals) {
                    Flux F = f.fn(a, b, gam, n[0], n[1]);
                    Flux G = f.fn(b, a, gam, -n[0], -n[1]);
                    expect_flux_near(F, Flux{-G.mass, -G.energy, -G.xmom, -G.ymom}, 1e-10 * (1 + std::fabs(F.energy)),
                                     f.name);
                }
}

// Rotating both states and the normal rotates the momentum flux and keeps
// the mass and energy fluxes.
TEST(Flux, RotationInvariance) {
    const double angle = 0.7, c = std::cos(angle), s = std::sin(angle);
    auto rot = [&](const FaceState& q) { return FaceState{q.rho, c * q.u - s * q.v, s * q.u + c * q.v, q.p}; };
    for (const auto& f : all_fluxes)
        for (const auto& a : states)
            for (const auto& n : normals) {
                const FaceState& b = states[1];
                Flux F = f.fn(a, b, gam, n[0], n[1]);
                Flux G = f.fn(rot(a), rot(b), gam, c * n[0] - s * n[1], s * n[0] + c * n[1]);
                double tol = 1e-12 * (1 + std::fabs(F.energy));
                EXPECT_NEAR(G.mass, F.mass, tol) << f.name;
                EXPECT_NEAR(G.energy, F.energy, tol) << f.name;
                EXPECT_NEAR(G.xmom, c * F.xmom - s * F.ymom, tol) << f.name;
                EXPECT_NEAR(G.ymom, s * F.xmom + c * F.ymom, tol) << f.name;
            }
}

TEST(Flux, ScalesWithTheNormalLength) {
    for (const auto& f : all_fluxes)
        for (const auto& n : normals) {
            Flux F = f.fn(states[0], states[1], gam, n[0], n[1]);
            Flux G = f.fn(states[0], states[1], gam, 2 * n[0], 2 * n[1]);
            expect_flux_near(G, Flux{2 * F.mass, 2 * F.energy, 2 * F.xmom, 2 * F.ymom}, 1e-12, f.name);
        }
}

TEST(Flux, SupersonicFlowTakesTheUpwindFlux) {
    FaceState l{1.0, 3.0, 0.5, 1.0}, r{0.5, 2.5, -0.2, 0.6};  // un - c > 0 on both sides
    for (const auto& f : all_fluxes) expect_flux_near(f.fn(l, r, gam, 1, 0), exact_flux(l, 1, 0), 1e-12, f.name);
    // HLL returns exactly |n| F_L there.
    Flux F = flux_hll(l, r, gam, 2, 0), E = exact_flux(l, 2, 0);
    EXPECT_EQ(F.mass, E.mass);
}

// A stationary contact (pressure and zero velocity on both sides, a density
// jump): the Godunov, HLLC and AUFS fluxes keep it; HLL smears it.
TEST(Flux, StationaryContact) {
    FaceState l{1.0, 0, 0, 1.0}, r{0.1, 0, 0, 1.0};
    struct Expect {
        FluxFn fn;
        const char* name;
        bool exact;
    } cases[] = {{flux_godunov, "Godunov", true},
                 {flux_hllc, "HLLC", true},
                 {flux_aufs, "AUFS", true},
                 {flux_aufs_minus, "AUFS-", true},
                 {flux_godunov2, "Godunov2", true},
                 {flux_hll, "HLL", false}};
    for (auto k : cases) {
        Flux F = k.fn(l, r, gam, 1, 0);
        if (k.exact) {
            EXPECT_NEAR(F.mass, 0, 1e-14) << k.name;
            EXPECT_NEAR(F.energy, 0, 1e-14) << k.name;
        } else {
            EXPECT_GT(std::fabs(F.mass), 1e-3) << k.name;
        }
        EXPECT_NEAR(F.xmom, 1.0, 1e-14) << k.name;
    }
}

// A stationary normal shock: Mach 2 gas entering from the left, the
// Rankine-Hugoniot state leaving on the right; the Godunov flux is the
// physical flux of either side.
TEST(Flux, GodunovKeepsAStationaryShock) {
    double M = 2, rho2 = 8.0 / 3, p2 = 4.5;
    double u1 = M * std::sqrt(gam), u2 = u1 / rho2;
    FaceState l{1, u1, 0, 1}, r{rho2, u2, 0, p2};
    expect_flux_near(exact_flux(l, 1, 0), exact_flux(r, 1, 0), 1e-12, "Rankine-Hugoniot");
    expect_flux_near(flux_godunov(l, r, gam, 1, 0), exact_flux(l, 1, 0), 1e-9, "Godunov");
}

TEST(RiemannFlux, DispatchesByCode) {
    FaceState l = states[0], r = states[1];
    struct Code {
        int code;
        FluxFn fn;
    } codes[] = {{1, flux_godunov},      {2, flux_aufs},        {3, flux_hllc},       {4, flux_hll},
                 {11, flux_godunov_plus}, {12, flux_aufs_minus}, {13, flux_hllc_plus}, {14, flux_hll_minus}};
    for (auto k : codes) {
        Flux out{};
        riemann_flux(k.code, l, r, out, gam, 0.6, 0.8);
        Flux expected = k.fn(l, r, gam, 0.6, 0.8);
        EXPECT_EQ(out.mass, expected.mass) << k.code;
        EXPECT_EQ(out.ymom, expected.ymom) << k.code;
        EXPECT_TRUE(known_flux_code(k.code));
    }
    for (int code : {0, 5, 10, 15}) {
        Flux out{1, 2, 3, 4};
        riemann_flux(code, l, r, out, gam, 1, 0);
        EXPECT_EQ(out.mass, 1);
        EXPECT_EQ(out.energy, 2);
        EXPECT_EQ(out.xmom, 3);
        EXPECT_EQ(out.ymom, 4);
        EXPECT_FALSE(known_flux_code(code));
    }
    EXPECT_STREQ(flux_name(12), "AUFS-");
    EXPECT_STREQ(flux_name(13), "HLLC+");
}

TEST(RiemannFlux, AufsMinusFloorsTheCallersStates) {
    FaceState l{0, 0.1, 0, 1}, r{1, 0, 0, -2};
    Flux out{};
    riemann_flux(12, l, r, out, gam, 1, 0);
    EXPECT_EQ(l.rho, 1e-7);
    EXPECT_EQ(r.p, 1e-7);
    EXPECT_TRUE(std::isfinite(out.mass) && std::isfinite(out.energy) && std::isfinite(out.xmom));
    Flux direct = flux_aufs_minus({0, 0.1, 0, 1}, {1, 0, 0, -2}, gam, 1, 0);
    EXPECT_EQ(direct.energy, out.energy);
}

// The tangential term of the variants vanishes without a tangential jump
// and opposes one.
TEST(Flux, TangentialTermOfTheVariants) {
    FaceState l{1, 0.2, 0.5, 1}, r{1, 0.2, -0.5, 1};  // normal (1, 0): ut = v
    Flux base = flux_hll(l, r, gam, 1, 0), minus = flux_hll_minus(l, r, gam, 1, 0);
    Flux god = flux_godunov(l, r, gam, 1, 0), plus = flux_godunov_plus(l, r, gam, 1, 0);
    double mbar = 0.4 / (2 * std::sqrt(gam));
    double b = 2 * (1 - mbar) / (4 * std::sqrt(gam));
    EXPECT_NEAR(minus.ymom, base.ymom - b * 1.0, 1e-14);
    EXPECT_NEAR(plus.ymom, god.ymom + b * 1.0, 1e-14);
    EXPECT_EQ(minus.mass, base.mass);
    EXPECT_NEAR(plus.energy, god.energy, 1e-14);  // ut_L^2 = ut_R^2
}

// Face states of the exact solution against an independent reference, on
// the standard tests (Toro 2009, table 4.1) and states at rest or moving.
TEST(ExactRiemann, StandardTests) {
    struct Case {
        const char* name;
        qelta::testing::Gas1D l, r;
    } cases[] = {
        {"Sod", {1, 0, 1}, {0.125, 0, 0.1}},
        {"sonic rarefaction", {1, 0.75, 1}, {0.125, 0, 0.1}},
        {"123", {1, -2, 0.4}, {1, 2, 0.4}},
        {"left blast", {1, 0, 1000}, {1, 0, 0.01}},
        {"right blast", {1, 0, 0.01}, {1, 0, 100}},
        {"colliding shocks", {5.99924, 19.5975, 460.894}, {5.99242, -6.19633, 46.0950}},
        {"shock moving left", {1, -3, 1}, {2, -3, 3}},
        {"uniform, moving right", {2, 0.5, 1}, {1, 0.5, 1}},
        {"uniform, moving left", {2, -0.5, 1}, {1, -0.5, 1}},
    };
    for (auto k : cases) {
        qelta::testing::RiemannReference ref(k.l, k.r, gam);
        qelta::testing::Gas1D want = ref.sample(0);
        NormalState s = exact_riemann({k.l.rho, k.l.u, 0.25, k.l.p}, gam, {k.r.rho, k.r.u, -0.5, k.r.p}, gam);
        auto rel = [](double a, double b) { return std::fabs(a - b) / std::max(1.0, std::fabs(b)); };
        EXPECT_LT(rel(s.rho, want.rho), 1e-5) << k.name << ": " << s.rho << " vs " << want.rho;
        EXPECT_LT(rel(s.un, want.u), 1e-5) << k.name << ": " << s.un << " vs " << want.u;
        EXPECT_LT(rel(s.p, want.p), 1e-5) << k.name << ": " << s.p << " vs " << want.p;
        EXPECT_EQ(s.ut, ref.u_star() >= 0 ? 0.25 : -0.5) << k.name;  // the tangential velocity of the upwind side
    }
    // Known star values (Toro's table 4.2) check the reference itself.
    qelta::testing::RiemannReference sod({1, 0, 1}, {0.125, 0, 0.1}, gam);
    EXPECT_NEAR(sod.p_star(), 0.30313, 1e-5);
    EXPECT_NEAR(sod.u_star(), 0.92745, 1e-5);
}

// A left rarefaction that spans x/t = 0: the face is sonic, and the gas got
// there along an isentrope and a Riemann invariant of the left state.
TEST(ExactRiemann, SonicPointOfATransonicRarefaction) {
    NormalState l{1, 0.75, 0, 1}, r{0.125, 0, 0, 0.1};
    NormalState s = exact_riemann(l, gam, r, gam);
    double c = std::sqrt(gam * s.p / s.rho), cl = std::sqrt(gam);
    EXPECT_NEAR(s.un, c, 1e-12);
    EXPECT_NEAR(s.p / std::pow(s.rho, gam), 1.0, 1e-12);
    EXPECT_NEAR(s.un + 2 * c / (gam - 1), 0.75 + 2 * cl / (gam - 1), 1e-12);
}

// Each side with its own gamma: a contact between two gases at rest stays.
TEST(ExactRiemann, TwoGasesAtEqualPressure) {
    NormalState s = exact_riemann({1, 0, 0, 1}, 1.4, {0.2, 0, 0, 1}, 1.67);
    EXPECT_NEAR(s.p, 1, 1e-12);
    EXPECT_NEAR(s.un, 0, 1e-12);
    EXPECT_EQ(s.rho, 1);  // u* = 0 takes the left side
}

TEST(ScalarFluxes, CarryTheScalarsWithTheMassFlux) {
    ScalarFaceState l{1, 0.3, 0.1, 1, 0.7, 2.0}, r{0.5, 0.2, 0, 0.6, 0.1, 3.0};
    ScalarFlux h = flux_hllc_scalars(l, r, gam, 1, 0);
    EXPECT_NEAR(h.s1, h.mass * (h.mass > 0 ? 0.7 : 0.1), 1e-15);
    ScalarFlux e = flux_hll_scalars(l, l, gam, 0.6, 0.8);
    Flux ex = exact_flux({1, 0.3, 0.1, 1}, 0.6, 0.8);
    EXPECT_NEAR(e.mass, ex.mass, 1e-14);
    EXPECT_NEAR(e.s2, ex.mass * 2.0, 1e-14);
    ScalarFlux w0 = flux_hll_blend_scalars(l, r, gam, 1, 0, 1.0);
    ScalarFlux hl = flux_hll_scalars(l, r, gam, 1, 0);
    EXPECT_NEAR(w0.energy, hl.energy, 1e-15);
    ScalarFlux g = flux_godunov_scalars(l, r, gam, 1, 0);
    EXPECT_EQ(g.mass, flux_godunov({1, 0.3, 0.1, 1}, {0.5, 0.2, 0, 0.6}, gam, 1, 0).mass);
    EXPECT_EQ(g.s1, hl.s1);
}

// The added pressure is the acoustic one, rho c du: two streams meeting at a
// small relative speed 2 du are stopped by the star pressure p + rho c du
// (to second order in du).
TEST(Flux, AcousticPressure) {
    double p = 2;
    add_acoustic_pressure(0.5, 2, p, 1.25, gam);
    EXPECT_DOUBLE_EQ(p, 2 + 0.5 * 2 * 1.25 * std::sqrt(gam * 2 / 1.25));
    const double rho = 1.25, p0 = 2, du = 1e-4;
    double pa = p0;
    add_acoustic_pressure(1, du, pa, rho, gam);
    NormalState s = exact_riemann({rho, du, 0, p0}, gam, {rho, -du, 0, p0}, gam);
    EXPECT_NEAR((pa - p0) / (s.p - p0), 1, 1e-3);
}

TEST(Flux, LimitedGodunovPlusWeighsItsTangentialTerm) {
    FaceState l{1, 0.2, 0.5, 1}, r{0.8, 0.1, -0.4, 0.9};
    Flux god = flux_godunov(l, r, gam, 1, 0), plus = flux_godunov_plus(l, r, gam, 1, 0);
    const double none[6] = {0, 0, 0, 0, 1, 0};      // w = 1
    const double full[6] = {-3, 0, 1, 0, 1, 0};     // 1 - (-3)/(-0.9) < 0: w = 0
    const double half[6] = {-0.45, 0, 1, 0, 1, 0};  // 1 - (-0.45)/(-0.9) = 0.5
    EXPECT_NEAR(flux_godunov_plus_limited(l, r, gam, 1, 0, none).ymom, plus.ymom, 1e-15);
    EXPECT_NEAR(flux_godunov_plus_limited(l, r, gam, 1, 0, full).ymom, god.ymom, 1e-15);
    EXPECT_NEAR(flux_godunov_plus_limited(l, r, gam, 1, 0, half).ymom, 0.5 * (god.ymom + plus.ymom), 1e-15);
    FaceState same{1, 0.2, 0.5, 1};
    EXPECT_NEAR(flux_godunov_plus_limited(same, same, gam, 1, 0, none).ymom, flux_godunov(same, same, gam, 1, 0).ymom,
                1e-15);
}

TEST(Flux, TwoGasAufsReducesToAufsForOneGas) {
    TwoGasFaceState l{1, 0.3, -0.2, 1, 0.3, gam}, r{0.125, -0.4, 0.1, 0.1, 0.0375, gam};
    TwoGasFlux F = flux_aufs_two_gas(l, r, 0.6, 0.8, 1.0);
    Flux A = flux_aufs({1, 0.3, -0.2, 1}, {0.125, -0.4, 0.1, 0.1}, gam, 0.6, 0.8);
    EXPECT_NEAR(F.mass, A.mass, 1e-14);
    EXPECT_NEAR(F.energy, A.energy, 1e-14);
    EXPECT_NEAR(F.partial, 0.3 * F.mass, 1e-15);  // both sides hold 30 % of the second gas
}

// With a constant cp/R = 3.5 the thermally perfect gas is the perfect gas
// of gamma 1.4: the flux is HLL with Davis speeds.
TEST(Flux, ThermalHllOfAConstantHeatCapacity) {
    qelta::gas.thcoef.fill(0);
    qelta::gas.thcoef(1, 1) = qelta::gas.thcoef(1, 2) = 3.5;
    qelta::gas.thermal_tmid = 1;
    EXPECT_NEAR(thermal_gamma(0.5), 1.4, 1e-15);
    ThermalFaceState l{1, 0.3, -0.2, 1, 0.2}, r{0.5, -0.4, 0.1, 0.6, 0.1};
    TwoGasFlux T = flux_hll_thermal(l, r, 0.6, 0.8);
    ScalarFlux H = flux_hll_scalars({1, 0.3, -0.2, 1, 0.2, 0}, {0.5, -0.4, 0.1, 0.6, 0.2, 0}, gam, 0.6, 0.8);
    EXPECT_NEAR(T.mass, H.mass, 1e-14);
    EXPECT_NEAR(T.energy, H.energy, 1e-14);
    EXPECT_NEAR(T.xmom, H.xmom, 1e-14);
    EXPECT_NEAR(T.partial, H.s1, 1e-14);  // rho2 = 0.2 rho and 0.2 rho
}

}  // namespace
