// Spot diagram: the pupil ray grid, the spot table, its statistics and the ".spt" report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/raytrace/raytrace.h"
#include "imagequality_models.h"
#include "testutil.h"

namespace zefo {
namespace {

std::string reporttext(const IqRun& r) {
    std::string s;
    for (const auto& l : r.lines) s += l + "\n";
    return s;
}

TEST(Spot, ParaboloidImagesTheAxialPointWithoutSpreadAndReports) {
    Model m = test::paraboloid();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    test::mtfsettings(m, "1");
    IqRun run;
    run.header = iqheader(m.lens.sysname, "paraboloid.dat", "10.12.2026");
    const SpotResult spot = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_TRUE(run.notices.empty());
    ASSERT_EQ(m.lens.nfields, 3);
    for (int f = 0; f < 3; ++f) {
        EXPECT_EQ(spot.passed[f][0], 49);  // 7 rings: 1 + 3 + ... + 13 rays
        EXPECT_EQ(spot.passed[f][1], 0);
        EXPECT_EQ(spot.groupstart[f * 3 + 1], 49 * (f + 1));
    }
    EXPECT_LT(spotrms(m.lens, spot, 0, 0), 1e-12);
    EXPECT_GT(spotrms(m.lens, spot, 2, 0), 1e-3);  // coma off the axis
    EXPECT_EQ(reporttext(run), test::readdata("iq_paraboloid.spt"));
}

TEST(Spot, RaysThatAreNotFiniteFailTheSpotDiagram) {
    // A chief ray whose direction cosine exceeds 1 has no real direction: its rays come out
    // as "nan"; the spot diagram fails with the shared message instead of keeping them.
    Model m = test::singlet();
    test::mtfsettings(m);
    int chief = 2;
    while (m.lens.rays.rl[chief] % 10 != 3) ++chief;
    m.lens.rays.m[chief] = 1.5;
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, nonfinitemsg);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_TRUE(run.notices.empty());  // not a chief ray that merely misses the system
}

TEST(Spot, DefocusMovesTheEvaluationPlaneOnce) {
    // A paraboloid focuses every axial ray exactly; at delta from the focus the ray from
    // height h is off the axis by delta * h / (f - h^2 / 4f).
    const double delta = 0.5, f = 100;
    Model m = test::paraboloid();
    test::mtfsettings(m, "0.05", "0.5");
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const double step = 0.1 * f / 7;  // pupil radius na * f over 7 rings
    double s = 0;
    int n = 0;
    for (int c = 1; c <= 7; ++c) {
        const double h = (c - 0.5) * step, off = delta * h / (f - h * h / (4 * f));
        s += (2 * c - 1) * off * off;
        n += 2 * c - 1;
    }
    EXPECT_NEAR(spotrms(m.lens, spot, 0, m.lens.defocus), std::sqrt(s / n), 1e-9);
    EXPECT_NEAR(spot.stats[0].rms, std::sqrt(s / n), 1e-9);  // the statistics hold it too
    EXPECT_LT(spotrms(m.lens, spot, 0, 0), 1e-9);  // the paraxial image plane
    // square 0.05: only the rays of the inner rings stay in it
    int inside = 0;
    for (int c = 1; c <= 7; ++c) {
        const double h = (c - 0.5) * step, off = delta * h / (f - h * h / (4 * f));
        // the ray at angle theta lies at (off sin theta, off cos theta)
        for (int k = 1; k <= 2 * c - 1; ++k) {
            const double th = (k - 0.5) * M_PI / (2 * c - 1);
            if (std::fabs(off * std::sin(th)) <= 0.05 && std::fabs(off * std::cos(th)) <= 0.05) ++inside;
        }
    }
    EXPECT_EQ(spot.stats[0].insquare, inside);
}

TEST(Spot, OneRingTracesOneRayAtHalfThePupilAcrossTheMeridian) {
    Model m = test::singlet();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    MtfForm form = mtfform(m);
    form.nrings = "1";
    ASSERT_EQ(mtfparams(m, form, nullptr).status, DialogResult::Accepted);
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_EQ(spot.rays.size(), 9u);  // 3 fields x 3 wavelengths x 1 ray
    for (int f = 0; f < 3; ++f)
        for (int w = 0; w < 3; ++w) EXPECT_EQ(spot.passed[f][w], 1);
    // On the axis the ray starts at x = r, y = 0: it stays in the sagittal plane.
    for (int w = 0; w < 3; ++w) {
        const SpotRay& r = spot.rays[w];
        EXPECT_NEAR(r.dy, 0, 1e-12);
        EXPECT_NEAR(r.m, 0, 1e-12);
        EXPECT_LT(r.l, 0);  // bent towards the axis
    }
    EXPECT_EQ(spot.stats[1].passed, 3);
    EXPECT_EQ(spot.stats[1].ppassed, 100.0);
    // The report writes the result: 3 rays and 100 percent passed in each field.
    const std::string each = "  3" + std::string(15, ' ');
    EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), "Passed               " + each + each + "  3"),
              run.lines.end());
    const std::string all = "100" + std::string(15, ' ');
    EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), "Percentage           " + all + all + "100"),
              run.lines.end());
}

TEST(Spot, ClearApertureInsideThePupilKeepsTheInnerRingsUnchanged) {
    // On the axis of an object at infinity the pupil rays run parallel to the axis: a clear
    // radius of k ring steps at the first surface lets rings 1..k pass, k*k rays, and leaves
    // their image points as they were.
    Model m = test::singlet();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    MtfForm form = mtfform(m);
    form.nrings = "10";
    ASSERT_EQ(mtfparams(m, form, nullptr).status, DialogResult::Accepted);
    ASSERT_EQ(m.lens.rays.m[1], 0);   // parallel pupil rays
    IqRun run;
    const SpotResult full = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    for (int w = 0; w < full.nwl; ++w) ASSERT_EQ(full.passed[0][w], 100);
    const int k = 6;
    applyclearradii(m.lens, m.trace);   // the stop's clear radius is the lens's from here on
    m.lens.sys.sp.hmax[0] = k * m.lens.rays.y[0] / m.lens.nrings;
    IqRun stoppedrun;
    const SpotResult stopped = spotcalc(m, stoppedrun);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    for (int w = 0; w < stopped.nwl; ++w) {
        ASSERT_EQ(stopped.passed[0][w], k * k) << w;
        for (int i = 0; i < k * k; ++i) {
            const SpotRay &a = stopped.rays[stopped.groupstart[w] + i], &b = full.rays[full.groupstart[w] + i];
            EXPECT_EQ(a.dx, b.dx);
            EXPECT_EQ(a.dy, b.dy);
            EXPECT_EQ(a.l, b.l);
            EXPECT_EQ(a.m, b.m);
        }
    }
}

TEST(Spot, ResultsAreValuesThatLaterCalculationsLeaveAlone) {
    // The MTF of a kept spot diagram comes out the same after another spot diagram of other
    // rings was calculated on the same model: nothing of the first lives in the model.
    Model m = test::singlet();
    test::mtfsettings(m);
    IqRun spotrun, g1;
    const SpotResult first = spotcalc(m, spotrun);
    const MtfResult before = gmtfcalc(m, first, m.lens.nfreq, g1);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    MtfForm form = mtfform(m);
    form.nrings = "3";
    ASSERT_EQ(mtfparams(m, form, nullptr).status, DialogResult::Accepted);
    IqRun other;
    const SpotResult second = spotcalc(m, other);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(second.rays.size(), 3u * 3 * 9);  // 3 rings: 1 + 3 + 5 rays per field and wavelength
    EXPECT_EQ(first.rays.size(), 3u * 3 * 49);
    IqRun g2;
    const MtfResult after = gmtfcalc(m, first, m.lens.nfreq, g2);
    EXPECT_EQ(after.values, before.values);
    EXPECT_EQ(after.limit, before.limit);
    EXPECT_EQ(g2.lines, g1.lines);
}

TEST(Spot, SquareIncludesItsBoundary) {
    OpticalSystem lens;
    lens.nfields = 1;
    lens.nrings = 2;
    lens.spotsize = 0.05;
    lens.defocus = 0.3;  // the table's plane: the rays are counted where they were traced
    SpotResult spot;
    spot.nwl = 1;
    spot.rays = {{0.05, -0.05, 1, 1, 0, 0}, {-0.05, 0.0500001, 0, 0, 0, 0}, {0.02, 0.01, 0, 0, 0, 0}};
    spot.groupstart = {0, 3, 3, 3};
    spot.passed = {{3, 0, 0}};
    spot.chief = {ChiefRecord{}};
    spot.stats.resize(1);
    spotstatistics(lens, spot, 0);
    EXPECT_EQ(spot.stats[0].insquare, 2);
    EXPECT_EQ(spot.stats[0].passed, 3);
    EXPECT_DOUBLE_EQ(spot.stats[0].ppassed, 75.0);  // 3 of 2 * 2 emitted
    EXPECT_DOUBLE_EQ(spot.stats[0].pinsquare, 200.0 / 3);
    // in the table's plane each ray lies at its displacement from the chief ray
    const double r2 = 2 * 0.05 * 0.05 + 0.05 * 0.05 + 0.0500001 * 0.0500001 + 0.02 * 0.02 + 0.01 * 0.01;
    EXPECT_NEAR(spot.stats[0].rms, std::sqrt(r2 / 3), 1e-15);
}

TEST(Spot, TwoFieldsEndTheReportAfterTheSpotSize) {
    Model m = buildobjective({{"EM", -200, -100, -1, 0, 40, -1}}, 1, 0.1, {1}, 6);
    m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
    m.mono = true;
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    test::mtfsettings(m);
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(spot.passed[1][0], 49);
    ASSERT_EQ(run.lines.size(), 25u);
    EXPECT_EQ(run.lines.back(), "Spot Size =   0.0500");
}

TEST(Spot, ChiefRaySearchStopsAtTheEndOfTheScheme) {
    Model m = test::paraboloid();
    // the only chief ray is ray 1, where the search of field 1 never looks
    m.lens.rays.rl[1] = 13;
    m.lens.rays.rl[3] = 14;
    m.lens.rays.rl[10] = 14;
    test::mtfsettings(m);
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, "Principal ray of a field is missing in the ray scheme!");
    EXPECT_TRUE(run.lines.empty());
}

TEST(Spot, VignettedChiefRayLeavesItsFieldEmptyAndGoesOn) {
    Model m = test::singlet();
    // A clear radius of 0.25 at the second surface: the chief ray of 5 degrees (about 0.29
    // there) misses it, that of 3 degrees (about 0.17) passes, the innermost axial ring
    // (0.36) is cut, and so is every pupil ray of 3 degrees.
    m.lens.sys.sp.hmax[1] = 0.25;
    test::mtfsettings(m, "0.05");
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_EQ(run.notices.size(), 1u);
    EXPECT_EQ(run.notices[0].caption, "MTF Error");
    EXPECT_EQ(run.notices[0].text, "Principal ray is too high!");
    for (int f : {0, 1, 2}) {
        EXPECT_EQ(spot.stats[f].passed, 0);
        EXPECT_EQ(spot.stats[f].ppassed, 0.0);
        EXPECT_EQ(spot.stats[f].pinsquare, 0.0);  // no ray passed: 0, not 0/0
    }
    EXPECT_NE(spot.chief[1].Y, 0);  // traced
    EXPECT_EQ(spot.chief[2].Y, 0);  // not traced
    IqRun g;
    const MtfResult gmtf = gmtfcalc(m, spot, m.lens.nfreq, g);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    for (int k = 0; k < gmtf.npoints; ++k) EXPECT_EQ(gmtf.at(2, 1, k)[1], 0);
}

}  // namespace
}  // namespace zefo
