// Wave aberration: OPD sampling, polynomial fit quality, the ".wbr" report, the diffraction
// MTF of real systems and the ".dtf" report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "imagequality_models.h"
#include "core/model/lensfile.h"
#include "testutil.h"

namespace zefo {
namespace {

// The diffraction MTF of all fields after the spot settings: the run and the table.
struct Diffraction {
    IqRun run;
    MtfResult dmtf;
};

Diffraction diffraction(Model& m, int ngauss = 16, int degree = 4) {
    test::mtfsettings(m);
    dmtfparams(m, ngauss, degree);
    Diffraction d;
    d.run.header = "H";
    d.dmtf = dmtfcalc(m, d.run);
    return d;
}

TEST(Wave, PerfectParaboloidReachesTheDiffractionLimit) {
    Model m = test::paraboloid();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const auto [run, dmtf] = diffraction(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_TRUE(run.notices.empty());
    ASSERT_FALSE(run.fits.empty());
    const WaveFit& axis = run.fits[0];
    EXPECT_EQ(axis.field, 0);
    EXPECT_EQ(axis.coef.size(), 6u);
    for (double c : axis.coef) EXPECT_LT(std::fabs(c), 1e-12);
    EXPECT_LT(axis.quality.aberrms, 1e-9);
    for (int k = 0; k < dmtf.npoints; ++k) {
        // two pupils of radius na shifted by freq * wl: (phi - sin phi) / pi, phi = 2 acos(s / 2)
        const double s = dmtf.freq[k] * m.lens.wl[0] / m.lens.na;
        const double phi = 2 * std::acos(s / 2);
        const double closed = (phi - std::sin(phi)) / M_PI;
        EXPECT_NEAR(dmtf.at(0, 0, k)[1], closed, 1e-9) << k;
        // the diffraction limit of the table is taken at the same labelled frequency
        EXPECT_NEAR(dmtf.limit[dmtf.index(0, 0, k)], closed, 1e-12) << k;
    }
}

TEST(Wave, FitReproducesTheSampledOpdToItsReportedQuality) {
    Model m = test::singlet();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const auto [run, dmtf] = diffraction(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_EQ(run.fits.size(), 9u);  // 3 fields x 3 wavelengths
    for (const WaveFit& fit : run.fits) {
        const bool offaxis = fit.field > 0;
        ASSERT_EQ(fit.opd.size(), offaxis ? 25u : 10u);
        ASSERT_EQ(fit.coef.size(), offaxis ? 15u : 6u);
        std::vector<double> c = fit.coef;
        if (offaxis) c[0] = 0;
        double s2 = 0, worst = 0, a2 = 0;
        for (size_t p = 0; p < fit.opd.size(); ++p) {
            const double r2 = fit.x[p] * fit.x[p] + fit.y[p] * fit.y[p];
            const double y = fit.y[p];
            // the polynomial written out term by term
            double W = c[0] + c[1] * r2;
            if (offaxis) {
                W += c[2] * y + c[3] * r2 * r2 + c[4] * r2 * y + c[5] * y * y + c[6] * r2 * r2 * r2 +
                     c[7] * r2 * r2 * y + c[8] * r2 * y * y + c[9] * y * y * y + c[10] * std::pow(r2, 4) +
                     c[11] * std::pow(r2, 3) * y + c[12] * r2 * r2 * y * y + c[13] * r2 * std::pow(y, 3) +
                     c[14] * std::pow(y, 4);
            } else {
                W += c[2] * r2 * r2 + c[3] * std::pow(r2, 3) + c[4] * std::pow(r2, 4) + c[5] * std::pow(r2, 5);
            }
            const double res = W - fit.opd[p];
            s2 += res * res;
            a2 += fit.opd[p] * fit.opd[p];
            worst = std::max(worst, std::fabs(res));
        }
        const double n = static_cast<double>(fit.opd.size());
        EXPECT_NEAR(worst / m.lens.wl[0], fit.quality.maximum, 1e-12);
        EXPECT_NEAR(std::sqrt(s2 / n) / m.lens.wl[0], fit.quality.rms, 1e-12);
        EXPECT_NEAR(std::sqrt(a2 / n) / m.lens.wl[0], fit.quality.aberrms, 1e-9);
        EXPECT_GT(fit.quality.aberrms, 0.05) << "a singlet at na 0.05 has visible aberration";
        EXPECT_LT(fit.quality.rms, 0.01 * fit.quality.aberrms) << fit.field << " " << fit.wl;
    }
    // sample 0 of a field is its centre: OPD 0 at pupil coordinate y = 0
    EXPECT_EQ(run.fits[3].opd[0], 0);
    EXPECT_EQ(run.fits[3].y[0], 0);
    // the diffraction MTF of the axis falls from 1
    EXPECT_NEAR(dmtf.at(0, 0, 0)[1], 1, 1e-6);
    EXPECT_LT(dmtf.at(0, 0, dmtf.npoints - 1)[1], 0.99);
}

TEST(Wave, DiffractionMtfOfAnAberratedFieldAgreesWithABruteForce) {
    // The 10 degree field of an uncorrected double Gauss carries about 11 waves rms; at 80
    // lp/mm the phase difference of the sheared pupils spans many waves. The table must agree
    // with a brute-force integration of the same fitted polynomial over the same pupil.
    Model m = test::aberrateddoublegauss();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    m.mono = true;  // the d line only (the other columns take the same path)
    MtfForm form = mtfform(m);
    form.nfreq = "80";
    ASSERT_EQ(mtfparams(m, form, nullptr).status, DialogResult::Accepted);
    dmtfparams(m, 16, 4);
    IqRun run;
    const MtfResult dmtf = dmtfcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const WaveFit& fit = run.fits[1];
    ASSERT_EQ(fit.field, 1);
    EXPECT_GT(fit.quality.aberrms, 5);
    double worst = 0;
    for (int k = 1; k < dmtf.npoints; k += 13) {
        const double b = dmtf.freq[k] * m.lens.wl[0] / (2 * m.lens.na) * fit.pupil.shiftscale;
        const Index3& v = dmtf.at(1, 0, k);
        const double sag = test::bruteotf(fit.coef, true, fit.pupil, b, false, m.lens.wl[0]).real();
        const double tan = std::abs(test::bruteotf(fit.coef, true, fit.pupil, b, true, m.lens.wl[0]));
        EXPECT_NEAR(v[0], sag, 1.3e-4) << dmtf.freq[k];
        EXPECT_NEAR(v[1], tan, 1.3e-4) << dmtf.freq[k];
        worst = std::max({worst, std::fabs(v[0] - sag), std::fabs(v[1] - tan)});
    }
    RecordProperty("worst_deviation_from_brute_force", std::to_string(worst));
}

TEST(Wave, DiffractionMtfOfTheSampleDoubleGaussAgreesWithABruteForceAtEveryField) {
    // The sample double Gauss at its own settings, every off-axis field and wavelength at the
    // top frequencies, where the phase of the sheared pupil spans the most waves: there two
    // coarse integrations can agree with each other and still both be wrong.
    Model m;
    ASSERT_EQ(loadlensfile(std::string(ZEFO_SAMPLES) + "/DGAUSS.dat", m), "");
    ASSERT_EQ(mtfparams(m, mtfform(m), nullptr).status, DialogResult::Accepted);
    IqRun spot;
    spotcalc(m, spot);
    dmtfparams(m, 16, 4);
    IqRun run;
    const MtfResult dmtf = dmtfcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_GE(dmtf.npoints, 8);
    double worst = 0;
    for (const WaveFit& fit : run.fits) {
        if (fit.field == 0) continue;
        for (int k = dmtf.npoints - 4; k < dmtf.npoints; ++k) {
            const double b = dmtf.freq[k] * m.lens.wl[fit.wl] / (2 * m.lens.na) * fit.pupil.shiftscale;
            const Index3& v = dmtf.at(fit.field, fit.wl, k);
            const double sag = test::bruteotf(fit.coef, true, fit.pupil, b, false, m.lens.wl[fit.wl]).real();
            const double tan = std::abs(test::bruteotf(fit.coef, true, fit.pupil, b, true, m.lens.wl[fit.wl]));
            const std::string where = std::to_string(fit.field) + " " + std::to_string(fit.wl) + " " + std::to_string(dmtf.freq[k]);
            EXPECT_NEAR(v[0], sag, 1.3e-4) << where;
            EXPECT_NEAR(v[1], tan, 1.3e-4) << where;
            worst = std::max({worst, std::fabs(v[0] - sag), std::fabs(v[1] - tan)});
        }
    }
    RecordProperty("worst_deviation_from_brute_force", std::to_string(worst));
}

TEST(Wave, OpdReportListsSamplesPolynomialsAndQuality) {
    Model m = test::singlet();
    test::mtfsettings(m);
    OpdForm f = opdform(m);
    f.selwl = 1;
    ASSERT_EQ(opdparams(m, f, nullptr).status, DialogResult::Accepted);
    IqRun run;
    run.header = "H";
    opdreport(m, opdwavelength(f), run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_EQ(run.fits.size(), 3u);
    for (const auto& fit : run.fits) EXPECT_EQ(fit.wl, 1);
    const auto& L = run.lines;
    ASSERT_EQ(L.size(), 4u + 19 + 2 * 35);
    EXPECT_EQ(L[0], "Calculation of the Optical Path Difference and Wave Aberration for C spectral line");
    EXPECT_EQ(L[2], "H");
    EXPECT_EQ(L[5], "Calculation of the optical path difference for axial rays");
    for (int p = 0; p < 10; ++p) EXPECT_EQ(L[6 + p].rfind("h=", 0), 0u);
    EXPECT_EQ(L[16], " ");
    EXPECT_EQ(L[17], "Calculation of the aberrational polynomial (wave aberration) for axial rays");
    EXPECT_EQ(L[18].substr(0, 5), "W20= ");
    EXPECT_EQ(L[18].size(), 15 + 3 * 18 + 19u);  // "W20= " + 10; "   W40= " + 10; "   W100= " + 10
    EXPECT_EQ(L[20].rfind("Root mean square error (rms) in polinomial fit is ", 0), 0u);
    EXPECT_EQ(L[21].rfind("Maximal error in polinomial fit is ", 0), 0u);
    EXPECT_EQ(L[22].rfind("Root mean square error (rms) aberration is ", 0), 0u);
    EXPECT_EQ(L[24], "Calculation of the optical path difference for skew rays (w=0.7*wmax)");
    EXPECT_EQ(L[25].rfind("y=", 0), 0u);
    EXPECT_EQ(L[49], " ");
    EXPECT_EQ(L[50], "Calculation of the aberrational polynomial (wave aberration) for skew rays (w=0.7*wmax)");
    EXPECT_EQ(L[51].substr(0, 5), "W00= ");
    EXPECT_EQ(L[51].size(), 15 + 4 * 18u);
    EXPECT_EQ(L[52].substr(0, 5), "W22= ");
    EXPECT_EQ(L[53].substr(0, 5), "W80= ");
    EXPECT_EQ(L[59], "Calculation of the optical path difference for skew rays (w=wmax)");
}

TEST(Wave, DiffractionTableHasOneRowPerNonZeroFrequency) {
    Model m = test::singlet();
    const IqRun run = diffraction(m, 6, 3).run;
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_EQ(run.fits[0].coef.size(), 4u);
    ASSERT_EQ(run.fits[3].coef.size(), 10u);
    const auto& L = run.lines;
    EXPECT_EQ(L[0], "        Tabular review of diffraction MTF calculation");
    EXPECT_EQ(L[4], "                     d spectral line");
    EXPECT_EQ(L[11].substr(0, 9), "      2  ");  // the first row is k = 1
    EXPECT_EQ(L[11].size(), 9u + 5 * 9);
    EXPECT_EQ(L[35].substr(0, 9), "     50  ");
    // per wavelength: title, spacer, 4 heads, spacer, 25 rows, spacer; white light: title,
    // 4 heads, spacer, 25 rows; then the closing lines
    EXPECT_EQ(L.size(), 4u + 3 * 33 + 31 + 2);
    EXPECT_EQ(L[4 + 3 * 33], "                       White light");
    EXPECT_EQ(L.back(), "Measurement units are mm");
}

TEST(Wave, DefocusOfTheOpdDialogMovesTheImagePlane) {
    // A perfect focus seen from delta beside it: OPD = delta (1 - cos U), so the rho^2
    // term is about delta na^2 / 2 at the pupil edge (na = 0.1 here).
    Model m = test::paraboloid();
    test::mtfsettings(m);
    OpdForm f = opdform(m);
    f.defocus = "0.1";
    ASSERT_EQ(opdparams(m, f, nullptr).status, DialogResult::Accepted);
    IqRun run;
    opdreport(m, opdwavelength(f), run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_NEAR(std::fabs(run.fits[0].coef[1]), 0.1 * 0.01 / 2, 0.02 * 5e-4);
}

TEST(Wave, OpdOfAnImagePlaneOutOfReachFailsBothModes) {
    // The OPD dialog takes any defocus: an image plane 1e200 mm away has a reference sphere
    // that no ray meets in numbers. Neither the OPD report nor the diffraction MTF reports a
    // path difference for it.
    for (bool mtfmode : {false, true}) {
        Model m = test::paraboloid();
        test::mtfsettings(m);
        OpdForm f = opdform(m);
        f.defocus = "1e200";
        ASSERT_EQ(opdparams(m, f, nullptr).status, DialogResult::Accepted);
        IqRun run;
        if (mtfmode) {
            dmtfparams(m, 16, 4);
            dmtfcalc(m, run);
        } else {
            opdreport(m, opdwavelength(f), run);
        }
        EXPECT_TRUE(m.calcerror) << mtfmode;
        EXPECT_EQ(m.errmsg, "Error in ray transfer to reference sphere") << mtfmode;
    }
}

TEST(Wave, MissingComaOrSkewRaysFailWithAMessage) {
    // rays 4 .. 7 are the coma rays of the first field, 8 and 9 its skew rays
    for (const auto& relabel : {std::vector<int>{4, 5, 6, 7}, std::vector<int>{8, 9}}) {
        Model m = test::singlet();
        for (int k : relabel) m.lens.rays.rl[k] = 12;
        const Diffraction d = diffraction(m);
        EXPECT_TRUE(m.calcerror);
        EXPECT_EQ(m.errmsg, "Coma or skew rays of a field are missing in the ray scheme!");
        EXPECT_TRUE(d.run.lines.empty());  // no table of a failed fit
    }
}

TEST(Wave, ZeroIndexStopsTheExitPupilTrace) {
    Model m = test::singlet();
    m.lens.sys.sp.index[2][1] = 0;
    double y = 1, u = 0;
    dotfparax(m, y, u);
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, "Error in dotfparax - index of refraction must be different from zero");
}

// ---------------------------------------------------------------- telescopes

// An exact trace of spherical and plane surfaces written from the geometry alone: each
// surface is met on the half of its sphere that holds the vertex, the ray bends by Snell's
// law in vector form, and the optical path is summed from the plane through the origin
// normal to the start direction.
struct Vec3 {
    double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct ExitRay {
    Vec3 p, u;       // a point of the ray behind the last surface and its direction
    double opl;      // optical path up to p
};

ExitRay exacttrace(const Model& m, int w, Vec3 p, Vec3 u) {
    const auto& sp = m.lens.sys.sp;
    double opl = sp.index[0][w] * dot(p, u);
    double zv = 0;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        zv += sp.sep[i];
        double t;
        Vec3 normal{0, 0, 1};
        if (sp.radius[i] == 0) {
            t = (zv - p.z) / u.z;
        } else {
            const double R = sp.radius[i];
            const Vec3 c{0, 0, zv + R};
            const double b = dot(p - c, u), disc = b * b - (dot(p - c, p - c) - R * R);
            EXPECT_GT(disc, 0) << "surface " << i;
            t = -b - std::sqrt(disc);
            if (((p + t * u).z - c.z) * R > 0) t = -b + std::sqrt(disc);
            normal = (1 / R) * (p + t * u - c);
        }
        p = p + t * u;
        opl += sp.index[i][w] * t;
        if (dot(normal, u) < 0) normal = -1.0 * normal;
        const double mu = sp.index[i][w] / sp.index[i + 1][w], c1 = dot(normal, u);
        const double c2 = std::sqrt(1 - mu * mu * (1 - c1 * c1));
        u = mu * u + (c2 - mu * c1) * normal;
    }
    return {p, u, opl};
}

// Optical path of a traced ray up to the reference surface through e normal to v in image
// space: a plane, or a sphere of the given radius with its centre at e + radius v.
double pathtoreference(const Model& m, int w, const ExitRay& r, Vec3 e, Vec3 v, double radius) {
    double s = dot(e - r.p, v) / dot(r.u, v);
    if (radius != 0) {
        const Vec3 c = e + radius * v;
        const double b = dot(r.p - c, r.u), disc = b * b - (dot(r.p - c, r.p - c) - radius * radius);
        EXPECT_GT(disc, 0);
        const double s1 = -b - std::sqrt(disc), s2 = -b + std::sqrt(disc);
        s = std::fabs(s1 - s) < std::fabs(s2 - s) ? s1 : s2;   // the crossing near the pupil
    }
    return r.opl + m.lens.sys.sp.index[m.lens.nsurf][w] * s;
}

// Where a ray in image space crosses the axis.
Vec3 axiscrossing(const ExitRay& r) { return r.p + (-r.p.y / r.u.y) * r.u; }

Vec3 startdirection(double l, double mm) { return {l, mm, std::sqrt(1 - l * l - mm * mm)}; }

// The OPD samples of the OPD report recomputed with the exact trace: the axis (ten zones
// of ray 1) and every off-axis field (the centre of its coma rays and 24 ring points),
// referred to the exit pupil on a surface normal to the exit chief ray. The stop of the
// telescopes below is their first vertex: a ray from the origin at a small angle finds the
// paraxial exit pupil of the axis.
std::vector<std::vector<double>> exactopd(const Model& m, int w, double radius) {
    const auto& r = m.lens.rays;
    std::vector<std::vector<double>> out;
    const Vec3 axisdir{0, 0, 1};
    const Vec3 axispupil = axiscrossing(exacttrace(m, w, {0, 0, 0}, startdirection(0, 1e-6)));
    const double axisref = pathtoreference(m, w, exacttrace(m, w, {0, 0, 0}, axisdir), axispupil, axisdir, radius);
    out.emplace_back();
    for (int p = 1; p <= 10; ++p) {
        const ExitRay e = exacttrace(m, w, {r.x[1], p * r.y[1] / 10, 0}, startdirection(r.l[1], r.m[1]));
        out.back().push_back(axisref - pathtoreference(m, w, e, axispupil, axisdir, radius));
    }
    for (int k = 2; k < m.lens.nrays; ++k) {
        if (r.rl[k] % 10 != 3) continue;
        double ymin = 1e5, ymax = -1e5, xmax = 0;
        int j = k + 1;
        for (; j < m.lens.nrays && r.rl[j] % 10 == 4; ++j) ymin = std::min(ymin, r.y[j]), ymax = std::max(ymax, r.y[j]);
        for (; j < m.lens.nrays && r.rl[j] % 10 == 5; ++j) xmax = std::max(xmax, r.x[j]);
        const Vec3 dir = startdirection(r.l[k], r.m[k]);
        const ExitRay centre = exacttrace(m, w, {0, (ymin + ymax) / 2, 0}, dir);
        const Vec3 pupil = axiscrossing(centre);
        const double ref = pathtoreference(m, w, centre, pupil, centre.u, radius);
        out.emplace_back(1, 0.0);
        for (int K = 2; K <= 5; ++K) {
            for (int i = 0; i <= 2 * K - 2; ++i) {
                const double th = i * M_PI / (2 * K - 2);
                const Vec3 start{std::sin(th) * K * xmax / 5, std::cos(th) * K * (ymax - ymin) / 2 / 5 + (ymin + ymax) / 2, 0};
                out.back().push_back(ref - pathtoreference(m, w, exacttrace(m, w, start, dir), pupil, centre.u, radius));
            }
        }
    }
    return out;
}

// The Kepler telescope sample as it was shipped (4x, entrance pupil 10 mm on the objective,
// field 1 degree).
Model keplerfile() {
    Model m;
    EXPECT_EQ(loadlensfile(test::datafile("kepler-telescope.dat"), m), "");
    return m;
}

// A Galilean telescope of the same objective and a biconcave BK7 eyepiece R -25 / 25, 2 mm
// thick, the gap chosen so that a thin parallel beam leaves parallel; eye 10 mm behind the
// eyepiece, field 1 degree, the 6-ray scheme aimed.
Model galilean() {
    Model m = buildobjective({{"S", 100, 4, 1.5168, 0.00806, 10}, {"S", -100, 70, 1, 0, 30},
                              {"S", -25, 2, 1.5168, 0.00806, 30}, {"S", 25, 10, 1, 0, 30}},
                             1, 0.1, {1}, 6);
    m.lens.sysname = "GALILEO";
    m.lens.systype = 7;
    m.lens.objinf = 'D';
    m.lens.eph = 10;
    m.lens.mag = 4;
    // the exit slope of a thin beam is linear in the gap: one secant step finds its zero
    auto slope = [&m](double gap) {
        m.lens.sys.sp.sep[2] = gap;
        return exacttrace(m, 0, {0, 1e-3, 0}, {0, 0, 1}).u.y;
    };
    const double s0 = slope(70), s1 = slope(75);
    slope(70 - s0 * 5 / (s1 - s0));
    initstdrays(m);
    rayscheme(m);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    return m;
}

// The OPD report of column 0 with a defocus (dioptres for a telescope).
IqRun opdrun(Model& m, const std::string& defocus) {
    test::mtfsettings(m);
    OpdForm f = opdform(m);
    f.defocus = defocus;
    EXPECT_EQ(opdparams(m, f, nullptr).status, DialogResult::Accepted);
    IqRun run;
    run.header = "H";
    opdreport(m, opdwavelength(f), run);
    return run;
}

// The value of each "Root mean square error (rms) aberration is" line of a report.
std::vector<double> aberrationlines(const IqRun& run) {
    const std::string head = "Root mean square error (rms) aberration is ";
    std::vector<double> v;
    for (const auto& l : run.lines)
        if (l.rfind(head, 0) == 0) v.push_back(std::stod(l.substr(head.size())));
    return v;
}

TEST(WaveTelescope, OpdSamplesAgreeWithAnExactTraceReferredToTheExitChiefRay) {
    struct Case {
        const char* name;
        Model m;
        const char* defocus;
        double radius;   // of the reference surface (0 a plane): 1000 / dioptres, sign reversed
    };
    Case cases[] = {
        {"Kepler", keplerfile(), "0", 0},
        {"Kepler, 0.5 dioptre", keplerfile(), "0.5", -2000},
        {"Galilean", galilean(), "0", 0},
        {"Galilean, 0.5 dioptre: still a plane", galilean(), "0.5", 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const IqRun run = opdrun(c.m, c.defocus);
        ASSERT_FALSE(c.m.calcerror) << c.m.errmsg;
        EXPECT_TRUE(run.notices.empty()) << "the polynomial fits the wavefront";
        const auto exact = exactopd(c.m, 0, c.radius);
        const std::vector<double> reported = aberrationlines(run);
        ASSERT_EQ(run.fits.size(), exact.size());
        ASSERT_EQ(reported.size(), exact.size());
        const double wl = c.m.lens.wl[0];
        for (size_t f = 0; f < exact.size(); ++f) {
            ASSERT_EQ(run.fits[f].opd.size(), exact[f].size());
            double a2 = 0;
            for (size_t p = 0; p < exact[f].size(); ++p) {
                // both traces are exact: they agree to rounding, far below a thousandth of a wave
                EXPECT_NEAR(run.fits[f].opd[p] / wl, exact[f][p] / wl, 1e-3) << "field " << f << " sample " << p;
                a2 += exact[f][p] * exact[f][p];
            }
            // the report's own statistic of its samples, a few waves on and off the axis
            EXPECT_NEAR(reported[f], std::sqrt(a2 / static_cast<double>(exact[f].size())) / wl, 1e-5) << "field " << f;
        }
    }
}

}  // namespace
}  // namespace zefo
