#include "core/analysis/seidel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "aberrations_systems.h"

namespace zefo {
namespace {

using test::Surf;
using test::makesystem;

constexpr double kPi = 3.14159265358979323846;

// Thin lens in air, stop at the lens, object at infinity: axial ray at height y, chief ray
// through the centre of the lens at field angle w.
Model thinlens(double c1, double c2, double n, double disp, double y, double wdeg) {
    Model m = makesystem({{c1, 0, 1}, {c2, 0, n, disp, "BK7"}, {0, 100, 1}}, 1, {1, 12, 13});
    m.lens.rays.y[0] = y;
    m.lens.rays.m[0] = 0;
    m.lens.rays.m[2] = std::sin(wdeg * kPi / 180);
    m.lens.rays.y[2] = 0;
    return m;
}

void expectnear(double got, double want, const char* what) {
    EXPECT_NEAR(got, want, 1e-12 + 1e-10 * std::fabs(want)) << what;
}

// The thin-lens third-order formulas in terms of the power K, the shape factor
// B = (c1 + c2)/(c1 - c2), the conjugate factor C = (u + u')/(u - u') (-1 for an object at
// infinity) and the Lagrange invariant H.
TEST(SeidelTest, ThinLensMatchesClosedForms) {
    struct Case { double c1, c2, n; };
    for (const Case& cs : {Case{0.02, -0.01, 1.5}, Case{0.01, 0.004, 1.62}, Case{-0.005, -0.02, 1.75}}) {
        const double y = 10, w = 5, disp = 0.008;
        Model m = thinlens(cs.c1, cs.c2, cs.n, disp, y, w);
        const SeidelData s = seidelcalc(m);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        const double n = cs.n;
        const double K = (n - 1) * (cs.c1 - cs.c2);
        const double B = (cs.c1 + cs.c2) / (cs.c1 - cs.c2);
        const double C = -1;
        const double H = -std::tan(w * kPi / 180) * y;
        const double t = B + 2 * (n * n - 1) / (n + 2) * C;
        const double SI = std::pow(y, 4) * K * K * K / 4
                          * (std::pow(n / (n - 1), 2) + (n + 2) / (n * (n - 1) * (n - 1)) * t * t
                             - n / (n + 2) * C * C);
        const double SII = -y * y * K * K * H / 2 * ((n + 1) / (n * (n - 1)) * B + (2 * n + 1) / n * C);
        expectnear(s.HL, H, "H");
        expectnear(s.sums[0], SI, "S1");
        expectnear(s.sums[1], SII, "S2");
        expectnear(s.sums[2], H * H * K, "S3");
        expectnear(s.sums[3], H * H * K / n, "S4");
        expectnear(s.sums[4], 0, "S5");
        expectnear(s.sums[5], y * y * K * disp / (n - 1), "C1");
        expectnear(s.sums[6], 0, "C2");
        ASSERT_EQ(s.rows.size(), 2u);
        expectnear(s.Uimage, -y * K, "u'");
    }
}

// Spherical mirror, stop at the mirror, object at infinity (n'u' - nu = -hc(n' - n)):
// spherical aberration -2y^4c^3, coma 2Hy^2c^2, astigmatism -2H^2c, Petzval 2H^2c (the
// sagittal field is flat: SIII + SIV = 0), no distortion and no colour.
Model mirror(double c, const std::string& label, double eps) {
    Model m = makesystem({{c, 0, 1, 0, "air", label}, {0, -50, -1}}, 1, {1, 12, 13, 14, 14, 5});
    if (m.lens.asphdata == 'D') m.lens.sys.asf.eps[0] = eps;
    m.lens.rays.y[0] = 10;
    m.lens.rays.m[4 - 1] = 0;
    m.lens.rays.m[2] = std::sin(3 * kPi / 180);
    return m;
}

TEST(SeidelTest, SphericalMirrorMatchesClosedFormsWithoutDispersion) {
    const double c = -0.01, y = 10;
    Model m = mirror(c, "SM", 0);
    const SeidelData s = seidelcalc(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;   // no dispersion: C1 = C2 = 0 is not an error
    const double H = -std::tan(3 * kPi / 180) * y;
    expectnear(s.sums[0], -2 * std::pow(y, 4) * c * c * c, "S1");
    expectnear(s.sums[1], 2 * H * y * y * c * c, "S2");
    expectnear(s.sums[2], -2 * H * H * c, "S3");
    expectnear(s.sums[3], 2 * H * H * c, "S4");
    expectnear(s.sums[4], 0, "S5");
    EXPECT_EQ(s.sums[5], 0);
    EXPECT_EQ(s.sums[6], 0);
}

// A paraboloid focuses an axial beam perfectly: its conic contribution cancels the
// spherical aberration of the sphere; the row shows the conic part only.
TEST(SeidelTest, ParaboloidCancelsSphericalAberration) {
    const double c = -0.01, y = 10;
    Model m = mirror(c, "EM", -1);
    const SeidelData s = seidelcalc(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_NEAR(s.sums[0], 0, 1e-12);
    expectnear(s.rows[0].S[0], 2 * std::pow(y, 4) * c * c * c, "conic S1 row");
    EXPECT_EQ(s.rows[0].S[1], 0);   // stop at the mirror: hbar = 0
    const double H = -std::tan(3 * kPi / 180) * y;
    expectnear(s.sums[1], 2 * H * y * y * c * c, "S2 keeps the sphere's value");
}

TEST(SeidelTest, EqualWavelengthsWithoutDispersionStillGiveCoefficients) {
    Model m = thinlens(0.02, -0.01, 1.5, 0, 10, 5);
    const SeidelData s = seidelcalc(m);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(s.sums[5], 0);
    EXPECT_NE(s.sums[0], 0);
}

TEST(SeidelTest, FailuresCarryTheirMessages) {
    struct Case {
        const char* what;
        void (*change)(Model&);
        const char* msg;
    };
    const Case cases[] = {
        {"no chief ray", [](Model& m) { m.lens.rays.rl[2] = 12; },
         "Seidel sums are zero in Seidel coefficients calculation"},
        {"chief ray along the reference plane", [](Model& m) { m.lens.rays.m[2] = 1; },
         "Division by zero in Seidel coefficients calculation"},
        {"index 0 in object space", [](Model& m) { m.lens.sys.sp.index[0] = {0, 0, 0}; },
         "Division by zero in Seidel coefficients calculation"},
        {"no power and no aberration", [](Model& m) {
             m.lens.sys.sp.curv = {0, 0, 0};
             m.lens.sys.sp.index[1] = {1, 1, 1};
             m.lens.mu[0] = m.lens.mu[1] = {1, 1, 1};
         }, "Seidel sums are zero in Seidel coefficients calculation"},
    };
    for (const auto& cs : cases) {
        Model m = thinlens(0.02, -0.01, 1.5, 0.008, 10, 5);
        cs.change(m);
        const SeidelData s = seidelcalc(m);
        EXPECT_TRUE(m.calcerror) << cs.what;
        EXPECT_EQ(m.errmsg, cs.msg) << cs.what;
    }
}

TEST(SeidelTest, LastChiefRayDecides) {
    Model m = makesystem({{0.02, 0, 1}, {-0.01, 0, 1.5}, {0, 100, 1}}, 1, {1, 12, 13, 14, 13, 14});
    EXPECT_EQ(lastchiefray(m), 4);
    m.lens.rays.rl[4] = 4;
    EXPECT_EQ(lastchiefray(m), 2);
}

}  // namespace
}  // namespace zefo
