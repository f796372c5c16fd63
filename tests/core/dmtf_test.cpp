// Gauss-Legendre rules, the wave aberration polynomial fit and the diffraction MTF integral.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <vector>

#include "core/imagequality/imagequality.h"
#include "core/imagequality/phasepath.h"
#include "imagequality_models.h"

namespace zefo {
namespace {

TEST(GaussLegendre, RulesIntegratePolynomialsExactly) {
    // Textbook values of the largest nodes and their weights.
    EXPECT_NEAR(gaussnodes(6).back(), 0.9324695142031521, 1e-15);
    EXPECT_NEAR(gaussweights(6).back(), 0.1713244923791704, 1e-15);
    EXPECT_NEAR(gaussnodes(10).back(), 0.9739065285171717, 1e-15);
    EXPECT_NEAR(gaussweights(10).back(), 0.0666713443086881, 1e-15);
    EXPECT_NEAR(gaussnodes(16).back(), 0.9894009349916499, 1e-15);
    EXPECT_NEAR(gaussweights(16).back(), 0.0271524594117541, 1e-15);
    for (int n : {6, 10, 16}) {
        const auto& t = gaussnodes(n);
        const auto& g = gaussweights(n);
        ASSERT_EQ(t.size(), static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(t[n - 1 - i], -t[i], 1e-15);
            if (i > 0) {
                EXPECT_LT(t[i - 1], t[i]);
            }
        }
        // x^(2n-2) integrates to 2/(2n-1) exactly with n nodes
        double s = 0;
        for (int i = 0; i < n; ++i) s += g[i] * std::pow(t[i], 2 * n - 2);
        EXPECT_NEAR(s, 2.0 / (2 * n - 1), 1e-14) << n;
    }
}

// The phase kernel against Horner's rule with the library's cosine and sine: every path the
// machine has gives the same bits, within a few units of the last place of the library's
// values; phases beyond the kernel's reduction and those not finite get the library's own.
TEST(PhaseKernel, EveryPathGivesTheLibraryCosineAndSineToTheLastDigits) {
    std::vector<double> x;
    for (int i = -600; i <= 600; ++i) x.push_back(i * 0.0137 + 1e-3 * std::sin(i));  // across [-8.2, 8.2]
    for (int k = -40; k <= 40; ++k) {
        const double quarter = k * M_PI / 4;   // the edges of the reduction's ranges
        for (double d : {-1e-12, 0.0, 1e-12}) x.push_back(quarter + d);
    }
    const double a[] = {0.3, -25.0, 41.0, -150.0, 200.0};  // phases up to about 1e6
    const int degree = 4;
    const std::vector<double> far = {2e6, -5e7, std::numeric_limits<double>::quiet_NaN()};
    struct Case {
        const double* coef;
        std::vector<double> nodes;
    };
    const Case cases[] = {{nullptr, x}, {a, x}, {nullptr, far}};
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.nodes.size());
        std::vector<double> refc(n), refs(n), g(n);
        for (int i = 0; i < n; ++i) g[i] = 0.5 + 0.25 * std::cos(3.0 * i);
        double refsums[2] = {0, 0};
        for (TracePath path : {TracePath::scalar, TracePath::sse2, TracePath::avx2, TracePath::avx512}) {
            if (!pathsupported(path)) continue;
            std::vector<double> cs(n), sn(n), conly(n);
            double sums[2] = {0, 0};
            phasesincos(c.coef, degree, c.nodes.data(), n, cs.data(), sn.data(), path, g.data(), sums);
            phasesincos(c.coef, degree, c.nodes.data(), n, conly.data(), nullptr, path);
            EXPECT_EQ(std::memcmp(cs.data(), conly.data(), n * sizeof(double)), 0);
            if (path == TracePath::scalar) {
                refc = cs, refs = sn;
                refsums[0] = sums[0], refsums[1] = sums[1];
            } else {
                EXPECT_EQ(std::memcmp(cs.data(), refc.data(), n * sizeof(double)), 0) << int(path);
                EXPECT_EQ(std::memcmp(sn.data(), refs.data(), n * sizeof(double)), 0) << int(path);
                EXPECT_EQ(std::memcmp(sums, refsums, sizeof sums), 0) << int(path);
            }
        }
        // the weighted sums against a plain running sum of the same terms
        double plain[2] = {0, 0};
        for (int i = 0; i < n; ++i) plain[0] += g[i] * refc[i], plain[1] += g[i] * refs[i];
        for (int k = 0; k < 2; ++k)
            if (std::isnan(plain[k])) {
                EXPECT_TRUE(std::isnan(refsums[k]));
            } else {
                EXPECT_NEAR(refsums[k], plain[k], 1e-13 * n);
            }
        for (int i = 0; i < n; ++i) {
            double v = c.nodes[i];
            if (c.coef) {
                v = 0;
                for (int k = degree; k >= 0; --k) v = v * c.nodes[i] + c.coef[k];
            }
            if (!std::isfinite(v) || std::fabs(v) >= phaselimit) {
                EXPECT_TRUE(std::isnan(v) ? std::isnan(refc[i]) : refc[i] == std::cos(v)) << v;
                EXPECT_TRUE(std::isnan(v) ? std::isnan(refs[i]) : refs[i] == std::sin(v)) << v;
                continue;
            }
            // the reduction by pi/2 in three parts loses nothing beyond a unit of the last place
            const double tol = 4e-16;
            EXPECT_NEAR(refc[i], std::cos(v), tol) << v;
            EXPECT_NEAR(refs[i], std::sin(v), tol) << v;
        }
    }
}

TEST(WaveFit, RecoversAPolynomialFromItsSamples) {
    // Off-axis basis, 4th degree, with samples on rings like the OPD sampling.
    const std::vector<double> coef = {0.1, -2e-3, 5e-4, 3e-3, -1e-3, 2e-4, 1e-4, -3e-4, 7e-5, 2e-5,
                                      -4e-5, 6e-6, 1e-5, -2e-6, 3e-6};
    std::vector<double> xs{0}, ys{0}, v;
    for (int K = 2; K <= 5; ++K)
        for (int j = 0; j <= 2 * K - 2; ++j) {
            const double th = j * M_PI / (2 * K - 2);
            xs.push_back(std::sin(th) * K / 5.0);
            ys.push_back(std::cos(th) * K / 5.0 * 0.9 + 0.05);
        }
    std::vector<std::vector<double>> B(15, std::vector<double>(xs.size()));
    for (size_t p = 0; p < xs.size(); ++p) {
        const auto b = wavebasis(15, true, xs[p], ys[p]);
        for (int i = 0; i < 15; ++i) B[i][p] = b[i];
        v.push_back(wavepoly(coef, true, xs[p], ys[p]));
    }
    const auto fit = polyfit(B, v);
    ASSERT_EQ(fit.size(), 15u);
    for (int i = 0; i < 15; ++i) EXPECT_NEAR(fit[i], coef[i], 1e-9) << i;

    // Axis basis in rho^2 only: a least-squares line through noisy points has zero mean residual.
    std::vector<std::vector<double>> A(2, std::vector<double>(10));
    std::vector<double> w;
    for (int p = 0; p < 10; ++p) {
        const double r = (p + 1) / 10.0;
        A[0][p] = 1;
        A[1][p] = r * r;
        w.push_back(0.3 * r * r + (p % 2 ? 1e-3 : -1e-3));
    }
    const auto line = polyfit(A, w);
    double mean = 0;
    for (int p = 0; p < 10; ++p) mean += line[0] + line[1] * A[1][p] - w[p];
    EXPECT_NEAR(mean, 0, 1e-14);
}

TEST(WaveFit, PolynomialTermsFollowTheTermTable) {
    // W31 is rho^2 y, W22 y^2, W53 rho^2 y^3 at x = 0.3, y = 0.4
    std::vector<double> c(15, 0.0);
    c[4] = 1;
    EXPECT_NEAR(wavepoly(c, true, 0.3, 0.4), 0.25 * 0.4, 1e-15);
    c[4] = 0;
    c[13] = 1;
    EXPECT_NEAR(wavepoly(c, true, 0.3, 0.4), 0.25 * 0.064, 1e-15);
    const std::vector<double> axis = {0, 0, 0, 2};  // 2 rho^6
    EXPECT_NEAR(wavepoly(axis, false, 0.3, 0.4), 2 * std::pow(0.25, 3), 1e-15);
}

TEST(WaveFit, WarnsOnlyAboveBothThresholds) {
    struct Case {
        double rms, aberrms;
        bool warn;
    } cases[] = {
        {0.01, 100, false},   // at most 0.01 waves never warns
        {0.02, 1.0, true},
        {0.02, 2.0, false},   // within 1 % of the aberration
        {0.5, 10, true},
    };
    for (const auto& c : cases) {
        FitQuality q;
        q.rms = c.rms;
        q.aberrms = c.aberrms;
        EXPECT_EQ(q.inadequate(), c.warn) << c.rms << " " << c.aberrms;
    }
}

// An objective (na 0.1) with an empty diffraction MTF table of three wavelengths up to
// nfreq lp/mm in steps of 1, and the order of the Gauss rule.
struct DmtfTable {
    OpticalSystem lens;
    MtfResult dmtf;
    int ngauss = 16;
};

DmtfTable mtfmodel(int nfields, int nfreq) {
    DmtfTable m;
    m.lens.na = 0.1;
    m.lens.nfields = static_cast<uint8_t>(nfields);
    m.lens.nfreq = static_cast<uint16_t>(nfreq);
    m.lens.dfreq = 1;
    m.dmtf = mtftable(MtfKind::Diffraction, m.lens, 3, mtfgridpoints(m.lens), nfreq);
    return m;
}

// Overlap of two unit circles whose centres are s apart, over pi.
double circleoverlap(double s) {
    if (s >= 2) return 0;
    return (2 * std::acos(s / 2) - s / 2 * std::sqrt(4 - s * s)) / M_PI;
}

TEST(DiffractionMtf, AberrationFreePupilGivesTheOverlapOfTwoPupils) {
    // An ellipse sheared along one of its axes covers the same fraction of itself as a circle
    // sheared by the shift over that semi-axis: the tangential shift counts against pupb.
    // (The table stops a field when the shift passes pupa, so the ellipse keeps pupb < pupa.)
    const PupilShape pupils[] = {{}, {1.0, 0.9, 0.05, 1.0}, {1.0, 0.9, -0.1, 1.2}};
    for (int ngauss : {6, 10, 16}) {
        for (const PupilShape& p : pupils) {
            DmtfTable m = mtfmodel(3, 300);
            m.ngauss = ngauss;
            const std::vector<double> zero(6, 0.0), zero15(15, 0.0);
            for (int w = 0; w < 3; ++w) {
                dmtfintegrate(m.ngauss, m.lens, m.dmtf, 0, w, zero, false, {});
                dmtfintegrate(m.ngauss, m.lens, m.dmtf, 1, w, zero15, true, p);
                for (int k = 0; k < m.dmtf.npoints; ++k) {
                    // shift in pupil radii, in the column's own wavelength
                    const double s = m.dmtf.freq[k] * m.lens.wl[w] / m.lens.na;
                    const Index3& axis = m.dmtf.at(0, w, k);
                    const Index3& off = m.dmtf.at(1, w, k);
                    EXPECT_NEAR(axis[1], circleoverlap(s), 1e-9) << ngauss << " " << w << " " << k;
                    EXPECT_NEAR(off[0], circleoverlap(s * p.shiftscale / p.pupa), 1e-9) << ngauss << " " << w << " " << k;
                    EXPECT_NEAR(off[1], circleoverlap(s * p.shiftscale / p.pupb), 1e-9) << ngauss << " " << w << " " << k;
                    EXPECT_EQ(off[2], 0);
                }
                // frequency 0: the whole pupil
                EXPECT_NEAR(m.dmtf.at(0, w, 0)[1], 1, 1e-12) << ngauss;
                EXPECT_NEAR(m.dmtf.at(1, w, 0)[0], 1, 1e-12) << ngauss;
                EXPECT_NEAR(m.dmtf.at(1, w, 0)[1], 1, 1e-12) << ngauss;
            }
        }
    }
}

TEST(DiffractionMtf, ShiftBeyondThePupilCutsTheRestOfTheCurve) {
    // na 0.1, wl 587.6 nm: the half shift at 100 lp/mm is 0.2938; the cut-off is 2 na / wl.
    DmtfTable m = mtfmodel(3, 400);
    m.ngauss = 6;
    const std::vector<double> zero(6, 0.0);
    dmtfintegrate(m.ngauss, m.lens, m.dmtf, 0, 0, zero, false, {});
    for (int k = 0; k < m.dmtf.npoints; ++k) {
        const double v = m.dmtf.at(0, 0, k)[1];
        if (m.dmtf.freq[k] > 2 * m.lens.na / m.lens.wl[0]) {
            EXPECT_EQ(v, 0) << m.dmtf.freq[k];
        } else if (m.dmtf.freq[k] < 300) {
            EXPECT_GT(v, 0) << m.dmtf.freq[k];
        }
    }
    // at 100 lp/mm the half shift is 100 * 0.0005876 / (2 * 0.1) = 0.2938 of the pupil
    const double b = 0.2938;
    EXPECT_EQ(m.dmtf.freq[100], 100);
    EXPECT_NEAR(m.dmtf.at(0, 0, 100)[1], (2 / M_PI) * (std::acos(b) - b * std::sqrt(1 - b * b)), 1e-9);
}

// The integrator is held to 1e-4; the brute force adds its own error (below 3e-5).
constexpr double kBruteTolerance = 1.3e-4;

// The tangential value of a table entry against a brute-force transfer function: the modulus,
// and the phase (taken modulo pi, as arctan(Im/Re) gives it) through the part of the entry
// across the brute-force value.
void expectotf(const Index3& v, std::complex<double> brute, const std::string& where,
               double tolerance = kBruteTolerance) {
    EXPECT_NEAR(v[1], std::abs(brute), tolerance) << where;
    EXPECT_LT(std::fabs(v[1] * std::sin(v[2] - std::atan(brute.imag() / brute.real()))), tolerance) << where;
}

TEST(DiffractionMtf, AberratedPupilAgreesWithABruteForceAutocorrelation) {
    DmtfTable m = mtfmodel(3, 200);
    // defocus, coma and astigmatism of a wave at the d line; the C and F columns see the same
    // OPD in their own wavelengths and shift by their own wavelength
    std::vector<double> c(15, 0.0);
    c[1] = 1.2 * m.lens.wl[0];
    c[4] = 0.9 * m.lens.wl[0];
    c[5] = -0.6 * m.lens.wl[0];
    struct Case {
        int w;
        PupilShape pupil;
    } cases[] = {{0, {}}, {1, {}}, {2, {}}, {0, {1.0, 0.95, -0.06, 1.05}}};
    for (const Case& cs : cases) {
        dmtfintegrate(m.ngauss, m.lens, m.dmtf, 1, cs.w, c, true, cs.pupil);
        for (int k : {20, 60}) {
            const double b = m.dmtf.freq[k] * m.lens.wl[cs.w] / (2 * m.lens.na) * cs.pupil.shiftscale;
            const Index3& v = m.dmtf.at(1, cs.w, k);
            const std::string where = std::to_string(cs.w) + " " + std::to_string(cs.pupil.pupc) + " " + std::to_string(k);
            EXPECT_NEAR(v[0], test::bruteotf(c, true, cs.pupil, b, false, m.lens.wl[cs.w]).real(), kBruteTolerance) << where;
            expectotf(v, test::bruteotf(c, true, cs.pupil, b, true, m.lens.wl[cs.w]), where);
        }
    }
}

// The transfer function of a defocused circular pupil (radius 1) sheared by 2b: the phase
// difference a s is linear along the shift, so each chord of half length c integrates in
// closed form to 2 sin(a c) / a; across, t = sin(theta) and Simpson's rule.
double defocusotf(double a, double b) {
    const int n = 20000;
    const double thetamax = std::acos(b), h = 2 * thetamax / n;
    double sum = 0;
    for (int i = 0; i <= n; ++i) {
        const double theta = -thetamax + i * h, c = std::cos(theta) - b;
        const double chord = a == 0 ? 2 * c : 2 * std::sin(a * c) / a;
        sum += (i == 0 || i == n ? 1 : i % 2 ? 4 : 2) * chord * std::cos(theta);
    }
    return sum * h / 3 / M_PI;
}

TEST(DiffractionMtf, DefocusAgreesWithTheClosedFormAlongTheShift) {
    // Defocus W20 rho^2 makes the phase difference 4 k W20 b times the coordinate along the
    // shift: its slope, and with it the panels needed, grows with the defocus and the
    // frequency. An elliptic pupil maps onto the unit circle by scaling the axis along the
    // shift, and its centre offset pupc only adds the constant phase 4 k W20 b pupc to the
    // tangential value.
    const PupilShape ellipse{1.0, 0.9, -0.07, 1.1};
    for (int ngauss : {6, 10, 16}) {
        for (double waves : {0.5, 3.0, 10.0}) {
            DmtfTable m = mtfmodel(3, 250);
            m.ngauss = ngauss;
            const double w20 = waves * m.lens.wl[0], k = 2 * M_PI / m.lens.wl[0];
            dmtfintegrate(m.ngauss, m.lens, m.dmtf, 0, 0, {0, w20, 0, 0, 0, 0}, false, {});
            std::vector<double> c(15, 0.0);
            c[1] = w20;
            dmtfintegrate(m.ngauss, m.lens, m.dmtf, 1, 0, c, true, ellipse);
            for (int f : {15, 60, 130}) {
                const double b = m.dmtf.freq[f] * m.lens.wl[0] / (2 * m.lens.na);
                const std::string where = std::to_string(ngauss) + " " + std::to_string(waves) + " " + std::to_string(f);
                EXPECT_NEAR(m.dmtf.at(0, 0, f)[1], defocusotf(4 * k * w20 * b, b), 1e-5) << where;
                const double bs = b * ellipse.shiftscale;
                const Index3& v = m.dmtf.at(1, 0, f);
                EXPECT_NEAR(v[0], defocusotf(4 * k * w20 * bs * ellipse.pupa, bs / ellipse.pupa), 1e-5) << where;
                const double tan = defocusotf(4 * k * w20 * bs * ellipse.pupb, bs / ellipse.pupb);
                expectotf(v, tan * std::polar(1.0, 4 * k * w20 * bs * ellipse.pupc), where, 1e-5);
            }
        }
    }
}

TEST(DiffractionMtf, HugeAberrationEndsAtThePanelBoundWithFiniteValues) {
    // 500 waves of coma: the phase is steeper than the panels at their bound resolve; the
    // values stay finite and within [-1, 1]
    DmtfTable m = mtfmodel(3, 50);
    std::vector<double> c(15, 0.0);
    c[4] = 500 * m.lens.wl[0];
    dmtfintegrate(m.ngauss, m.lens, m.dmtf, 1, 0, c, true, {});
    for (int k = 0; k < m.dmtf.npoints; ++k)
        for (int j = 0; j < 2; ++j) {
            const double v = m.dmtf.at(1, 0, k)[j];
            EXPECT_TRUE(std::isfinite(v) && std::fabs(v) <= 1 + 1e-12) << k << " " << j << " " << v;
        }
}

}  // namespace
}  // namespace zefo
