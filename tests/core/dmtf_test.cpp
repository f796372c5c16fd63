// Gauss-Legendre rules, the wave aberration polynomial fit and the diffraction MTF integral.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "imagequality/imagequality.h"

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

Model mtfmodel(int nfields, int nfreq) {
    Model m;
    m.lens.na = 0.1;
    m.lens.nfields = static_cast<uint8_t>(nfields);
    m.lens.nfreq = static_cast<uint16_t>(nfreq);
    m.lens.dfreq = 1;
    m.ngauss = 16;
    calcnfpoints(m);
    return m;
}

// Pupil autocorrelation by brute force on a fine grid (unit circle, shift 2b along x or y).
std::complex<double> bruteotf(const std::vector<double>& c, bool offaxis, double b, bool tangential, double wl) {
    const int n = 1200;
    const double h = 2.0 / n;
    std::complex<double> s = 0;
    for (int i = 0; i < n; ++i) {
        const double x = -1 + (i + 0.5) * h;
        for (int j = 0; j < n; ++j) {
            const double y = -1 + (j + 0.5) * h;
            const double x1 = tangential ? x : x + b, y1 = tangential ? y + b : y;
            const double x2 = tangential ? x : x - b, y2 = tangential ? y - b : y;
            if (x1 * x1 + y1 * y1 > 1 || x2 * x2 + y2 * y2 > 1) continue;
            const double phi = (wavepoly(c, offaxis, x1, y1) - wavepoly(c, offaxis, x2, y2)) * 2 * M_PI / wl;
            s += std::polar(1.0, phi);
        }
    }
    return s * h * h / M_PI;
}

TEST(DiffractionMtf, AberrationFreePupilGivesTheOverlapOfTwoCircles) {
    Model m = mtfmodel(3, 300);
    const std::vector<double> zero(6, 0.0), zero15(15, 0.0);
    dmtfintegrate(m, 0, 0, zero, false, 1, 1, 0, 1);
    dmtfintegrate(m, 1, 0, zero15, true, 1, 1, 0, 1);
    for (int k = 0; k < m.nfpoints; ++k) {
        const double b = m.freqlabel[k] * m.lens.wl[0] / (2 * m.lens.na);  // half shift, normalized pupil
        const double overlap = b < 1 ? (2 / M_PI) * (std::acos(b) - b * std::sqrt(1 - b * b)) : 0;
        const Index3& axis = m.dmtf[mtfindex(m, 0, 0, k)];
        const Index3& off = m.dmtf[mtfindex(m, 1, 0, k)];
        // The 16-point rule integrates the disc itself (frequency 0) to 1.17e-4 (the
        // square-root edge of the pupil); from a half shift of 0.05 on the error is below
        // 1e-4 and falls fast. The tangential overlap has a kink at y = 0 that the rule
        // resolves to 3e-4.
        const double tol = b < 0.05 ? 1.2e-4 : 1e-4;
        EXPECT_NEAR(axis[1], overlap, tol) << k;
        EXPECT_NEAR(off[0], overlap, tol) << k;
        EXPECT_NEAR(off[1], overlap, 3e-4) << k;
        EXPECT_EQ(off[2], 0);
    }
    EXPECT_NEAR(m.dmtf[mtfindex(m, 0, 0, 0)][1], 1, 1.2e-4);  // frequency 0
}

TEST(DiffractionMtf, ShiftBeyondThePupilCutsTheRestOfTheCurve) {
    // na 0.1, wl 587.6 nm: the half shift at 100 lp/mm is 0.2938; the cut-off is 2 na / wl.
    Model m = mtfmodel(3, 400);
    m.ngauss = 6;
    const std::vector<double> zero(6, 0.0);
    dmtfintegrate(m, 0, 0, zero, false, 1, 1, 0, 1);
    for (int k = 0; k < m.nfpoints; ++k) {
        const double v = m.dmtf[mtfindex(m, 0, 0, k)][1];
        if (m.freqlabel[k] > 2 * m.lens.na / m.lens.wl[0]) {
            EXPECT_EQ(v, 0) << m.freqlabel[k];
        } else if (m.freqlabel[k] < 300) {
            EXPECT_GT(v, 0) << m.freqlabel[k];
        }
    }
    // at 100 lp/mm the half shift is 100 * 0.0005876 / (2 * 0.1) = 0.2938 of the pupil;
    // the 6-point rule (three positive nodes) meets the overlap to 5e-4
    const double b = 0.2938;
    EXPECT_EQ(m.freqlabel[100], 100);
    EXPECT_NEAR(m.dmtf[mtfindex(m, 0, 0, 100)][1], (2 / M_PI) * (std::acos(b) - b * std::sqrt(1 - b * b)), 5e-4);
}

TEST(DiffractionMtf, AberratedPupilAgreesWithABruteForceAutocorrelation) {
    Model m = mtfmodel(3, 200);
    // defocus, coma and astigmatism of a fraction of a wave
    std::vector<double> c(15, 0.0);
    c[1] = 0.4 * m.lens.wl[0];
    c[4] = 0.3 * m.lens.wl[0];
    c[5] = -0.2 * m.lens.wl[0];
    dmtfintegrate(m, 1, 0, c, true, 1, 1, 0, 1);
    for (int k : {5, 20, 40, 60}) {
        const double b = m.freqlabel[k] * m.lens.wl[0] / (2 * m.lens.na);
        const auto sag = bruteotf(c, true, b, false, m.lens.wl[0]);
        const auto tan = bruteotf(c, true, b, true, m.lens.wl[0]);
        const Index3& v = m.dmtf[mtfindex(m, 1, 0, k)];
        EXPECT_NEAR(v[0], sag.real(), 5e-3) << k;
        EXPECT_NEAR(v[1], std::abs(tan), 5e-3) << k;
        EXPECT_NEAR(v[2], std::atan(tan.imag() / tan.real()), 2e-2) << k;
    }
}

}  // namespace
}  // namespace zefo
