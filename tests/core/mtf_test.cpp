// Geometrical and through-focus MTF computed from spot ray tables laid out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "core/imagequality/imagequality.h"
#include "testutil.h"

namespace zefo {
namespace {

struct Tangents {
    double dx = 0, dy = 0, tx = 0, ty = 0;
};

// An objective (na 0.1) and a spot table that holds the given rays for every field and used
// wavelength, in table order.
struct Synthetic {
    Model m;
    SpotResult spot;
};

Synthetic synthetic(int nfields, bool mono, const std::function<std::vector<Tangents>(int f, int w)>& rays) {
    Synthetic s;
    Model& m = s.m;
    m.lens.systype = 0;
    m.lens.na = 0.1;
    m.lens.nfields = static_cast<uint8_t>(nfields);
    m.lens.field = {0.0, 7.0, 10.0, 12.0};
    m.lens.field.resize(nfields);
    m.mono = mono;
    if (mono) m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
    m.lens.nfreq = 50;
    m.lens.dfreq = 2;
    m.lens.defocus = 0.25;
    m.lens.ddefocus = 0.1;
    m.lens.wlmtfweight = {1.0, 2.0, 0.5};
    SpotResult& spot = s.spot;
    spot.nwl = mono ? 1 : 3;
    spot.groupstart.assign(nfields * 3 + 1, 0);
    spot.passed.assign(nfields, {0, 0, 0});
    spot.chief.assign(nfields, ChiefRecord{});
    for (int f = 0; f < nfields; ++f)
        for (int w = 0; w < 3; ++w) {
            if (w < spot.nwl)
                for (const auto& r : rays(f, w)) {
                    spot.rays.push_back({r.dx, r.dy, r.tx, r.ty, 0, 0});
                    ++spot.passed[f][w];
                }
            spot.groupstart[f * 3 + w + 1] = static_cast<int32_t>(spot.rays.size());
        }
    return s;
}

// Diffraction-limited MTF: overlap of two unit circles with centres s apart, over pi.
double circleoverlap(double s) {
    if (s >= 2) return 0;
    return (2 * std::acos(s / 2) - s / 2 * std::sqrt(4 - s * s)) / M_PI;
}

// The frequency a row of the ".gtf" shows: 1 for the first row, then the label.
double rowfrequency(const MtfResult& g, int k) { return k == 0 ? 1 : g.freq[k]; }

TEST(GeometricalMtf, PerfectImageGivesTheWeightedDiffractionLimitAtTheRowFrequency) {
    auto [m, spot] = synthetic(3, false, [](int, int) { return std::vector<Tangents>(5); });
    IqRun run;
    const MtfResult gmtf = gmtfcalc(m, spot, 50, run);
    ASSERT_FALSE(m.calcerror);
    ASSERT_EQ(gmtf.npoints, 26);
    for (int k = 0; k < 26; ++k) EXPECT_EQ(gmtf.freq[k], 2 * k);
    for (int f = 0; f < 3; ++f)
        for (int w = 0; w < 3; ++w)
            for (int k = 0; k < 26; ++k) {
                // row 0 shows 1 lp/mm, row k the frequency 2k of its label
                const double dl = circleoverlap((k == 0 ? 1 : 2 * k) * m.lens.wl[w] / m.lens.na);
                const Index3& g = gmtf.at(f, w, k);
                EXPECT_NEAR(gmtf.limit[gmtf.index(f, w, k)], dl, 1e-12);
                EXPECT_NEAR(g[0], m.lens.wlmtfweight[w] * dl, 1e-12);
                EXPECT_NEAR(g[1], m.lens.wlmtfweight[w] * dl, 1e-12);
                EXPECT_EQ(g[2], 0);
            }
}

TEST(GeometricalMtf, ModulusAndPhaseOfTheTangentialSumsAtTheRowFrequencies) {
    // Grids whose labels step evenly (50/2), unevenly (20/3: 20 lp/mm over 41 steps) and
    // repeat (10/1: 33 points for 11 frequencies, several rows labelled 0).
    struct Grid {
        int nfreq, dfreq, nfpoints;
    } grids[] = {{50, 2, 26}, {20, 3, 42}, {10, 1, 33}};
    const std::vector<double> dys = {0.001, 0.003, -0.0005, 0.0042};
    for (const Grid& grid : grids) {
        auto [m, spot] = synthetic(2, true, [&](int f, int) {
            std::vector<Tangents> r;
            for (double dy : dys) r.push_back({0, dy * (f + 1), 0, 0});
            return r;
        });
        m.lens.nfreq = static_cast<uint16_t>(grid.nfreq);
        m.lens.dfreq = grid.dfreq;
        IqRun run;
        const MtfResult gmtf = gmtfcalc(m, spot, grid.nfreq, run);
        ASSERT_EQ(gmtf.npoints, grid.nfpoints);
        EXPECT_EQ(gmtf.freq[gmtf.npoints - 1], grid.nfreq);
        for (int f = 0; f < 2; ++f)
            for (int k = 0; k < gmtf.npoints; ++k) {
                const double nu = rowfrequency(gmtf, k);
                std::complex<double> s = 0;
                for (double dy : dys) s += std::polar(1.0, 2 * M_PI * nu * dy * (f + 1));
                const double dl = circleoverlap(nu * m.lens.wl[0] / m.lens.na);
                const Index3& g = gmtf.at(f, 0, k);
                EXPECT_NEAR(g[0], dl, 1e-12);  // no sagittal spread
                EXPECT_NEAR(g[1], std::abs(s) * dl / 4, 1e-12) << grid.nfreq << " " << f << " " << k;
                EXPECT_NEAR(g[2], std::atan(s.imag() / s.real()) * 180 / M_PI, 1e-9) << grid.nfreq << " " << f << " " << k;
            }
    }
}

TEST(GeometricalMtf, FirstNonPositiveSagittalSumCutsTheRestOfTheCurve) {
    // Two rays at dx = +-1/28 mm: the sagittal sum is 2 cos(pi nu / 14), negative from the
    // row labelled 8 and positive again from 22 on, which stays cut.
    const double a = 1.0 / 28;
    auto [m, spot] = synthetic(2, true, [&](int, int) { return std::vector<Tangents>{{a, 0, 0, 0}, {-a, 0, 0, 0}}; });
    IqRun run;
    const MtfResult gmtf = gmtfcalc(m, spot, 50, run);
    for (int k = 0; k < gmtf.npoints; ++k) {
        const Index3& g = gmtf.at(0, 0, k);
        const double nu = rowfrequency(gmtf, k);
        const double dl = circleoverlap(nu * m.lens.wl[0] / m.lens.na);
        if (nu < 8) {
            EXPECT_NEAR(g[0], std::cos(M_PI * nu / 14) * dl, 1e-12) << k;
            EXPECT_NEAR(g[1], dl, 1e-12) << k;
        } else {
            EXPECT_EQ(g[0], 0) << k;
            EXPECT_EQ(g[1], 0) << k;
            EXPECT_EQ(g[2], 0) << k;
        }
    }
}

TEST(GeometricalMtf, EmptyGroupGivesZeroNotNan) {
    auto [m, spot] = synthetic(3, false, [](int f, int w) {
        return f == 1 || w == 2 ? std::vector<Tangents>{} : std::vector<Tangents>(3);
    });
    IqRun run;
    const MtfResult gmtf = gmtfcalc(m, spot, 50, run);
    const MtfResult tfmtf = tfmtfcalc(m, spot, 50, run);
    for (int w = 0; w < 3; ++w)
        for (int k = 0; k < gmtf.npoints; ++k)
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(gmtf.at(1, w, k)[j], 0);
                EXPECT_EQ(tfmtf.at(1, w, k)[j], 0);
                EXPECT_EQ(gmtf.at(0, 2, k)[j], 0);
                EXPECT_EQ(tfmtf.at(2, 2, k)[j], 0);
            }
    EXPECT_GT(gmtf.at(2, 1, 0)[0], 0);
}

TEST(GeometricalMtf, ResultThatIsNotFiniteFailsTheCalculation) {
    // A spot ray that is not a number spoils the sums of its field: both MTF tables refuse to
    // report it, fail with the shared message and clear the validity flags.
    using Calc = MtfResult (*)(Model&, const SpotResult&, int, IqRun&);
    for (Calc calc : {Calc(gmtfcalc), Calc(tfmtfcalc)}) {
        auto [m, spot] = synthetic(3, true, [](int f, int) {
            return std::vector<Tangents>{{0, f == 2 ? std::nan("") : 0.001, 0, 0.01}, {0, -0.001, 0, 0.02}};
        });
        IqRun run;
        calc(m, spot, 50, run);
        EXPECT_TRUE(m.calcerror);
        EXPECT_EQ(m.errmsg, nonfinitemsg);
        EXPECT_TRUE(run.lines.empty());
    }
}

TEST(GeometricalMtf, NeedsASpotTable) {
    Model m = synthetic(3, true, [](int, int) { return std::vector<Tangents>(1); }).m;
    IqRun run;
    gmtfcalc(m, SpotResult{}, 50, run);
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, "Spot diagram must be calculated before the MTF!");
    EXPECT_TRUE(run.lines.empty());
}

TEST(ThroughFocusMtf, PlanesAroundTheDefocusAndTheirSums) {
    const std::vector<double> tys = {0.02, -0.01, 0.035};
    auto [m, spot] = synthetic(2, true, [&](int, int) {
        std::vector<Tangents> r;
        for (double ty : tys) r.push_back({0, 0, 0.5 * ty, ty});
        return r;
    });
    IqRun run;
    const MtfResult tfmtf = tfmtfcalc(m, spot, 50, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_NEAR(tfmtf.focus[0], 0.05, 1e-15);
    EXPECT_NEAR(tfmtf.focus[13], m.lens.defocus, 1e-15);  // the middle plane is the defocused image plane
    const double v = circleoverlap(50 * m.lens.wl[0] / m.lens.na);
    for (int k = 0; k < tfmtf.npoints; ++k) {
        const double z = tfmtf.focus[k] - m.lens.defocus;  // from the plane the rays were traced to
        std::complex<double> s = 0;
        double c = 0;
        for (double ty : tys) {
            s += std::polar(1.0, 2 * M_PI * 50 * ty * z);
            c += std::cos(2 * M_PI * 50 * 0.5 * ty * z);
        }
        const Index3& t = tfmtf.at(0, 0, k);
        EXPECT_NEAR(t[0], c > 0 ? c * v / 3 : 0, 1e-12) << k;
        EXPECT_NEAR(t[1], s.real() > 0 ? std::abs(s) * v / 3 : 0, 1e-12) << k;
        EXPECT_NEAR(t[2], std::atan(s.imag() / s.real()) * 180 / M_PI, 1e-9) << k;
    }
    EXPECT_NEAR(tfmtf.at(0, 0, 13)[1], v, 1e-12);  // in focus: every ray on the chief ray
}

TEST(MtfReports, GeometricalAndThroughFocusTablesAreByteExact) {
    auto [m, spot] = synthetic(3, false, [](int f, int w) {
        std::vector<Tangents> r;
        for (int i = 0; i < 4; ++i) r.push_back({0, 0, 0.01 * i * (f + 1), -0.02 * (i - 1) * (w + 1)});
        return r;
    });
    IqRun g, t;
    g.header = t.header = "System name =TEST        File = test.dat     10.12.2026";
    gmtfcalc(m, spot, 50, g);
    tfmtfcalc(m, spot, 50, t);
    auto text = [](const IqRun& r) {
        std::string s;
        for (const auto& l : r.lines) s += l + "\n";
        return s;
    };
    EXPECT_EQ(text(g), test::readdata("iq_synth.gtf"));
    EXPECT_EQ(text(t), test::readdata("iq_synth.gtt"));
}

TEST(MtfReports, TwoFieldsKeepOnlyTitlesAndSpacers) {
    auto [m, spot] = synthetic(2, true, [](int, int) { return std::vector<Tangents>(2); });
    m.lens.wl = {0.00055, 0.00055, 0.00055};
    IqRun run;
    run.header = "H";
    gmtfcalc(m, spot, 50, run);
    EXPECT_EQ(run.lines, (std::vector<std::string>{"        Tabular review of geometrical MTF calculation", " ", " ", "H",
                                                   " ", "                    Defocus=   0.250", " ",
                                                   "                     1 spectral line", " ", " ", " "}));
}

}  // namespace
}  // namespace zefo
