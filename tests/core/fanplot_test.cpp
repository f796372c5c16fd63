// Ray-fan curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/imagequality/imagequality.h"
#include "core/plot/fanplot.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace zefo {
namespace {

const PlotTitle kFanTitle{"DG", "DG.dat", "2026-12-10"};

Model fandoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    return m;
}

TEST(FanPlot, RowsFollowTheChiefRaysFound) {
    Model m = fandoublegauss();
    ASSERT_FALSE(m.calcerror);
    EXPECT_EQ(fanrows(m.lens), 4);
    const FanPlot p = fanplot(m.lens, FanKind::transverse, PlotWavelength{1, ""}, kFanTitle, 380, 245, 13);
    EXPECT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.panels.size(), 7u);  // four tangential, three sagittal

    // no chief ray: one axial panel over the whole height but the three text lines
    for (auto& rl : m.lens.rays.rl)
        if (rl % 10 == 3) rl = 4;
    EXPECT_EQ(fanrows(m.lens), 1);
    const FanLayout l = fanlayout(fanrows(m.lens), 380, 245, 13);
    ASSERT_EQ(l.tangential.size(), 1u);
    EXPECT_TRUE(l.sagittal.empty());
    EXPECT_EQ(l.tangential[0], (Rect{25 + 116, 26, 232, 245 - 39}));
    // rows of four fields: (245 - 80 - 39 + 20) div 4 = 36 high, 20 apart
    const FanLayout four = fanlayout(4, 380, 245, 13);
    EXPECT_EQ(four.tangential[3], (Rect{141, 26 + 3 * 56, 232, 36}));
    EXPECT_EQ(four.sagittal[2], (Rect{5, 26 + 3 * 56, 116, 36}));
}

TEST(FanPlot, SamplesCrowdTowardsThePupilEdge) {
    Model m = fandoublegauss();
    m.lens.systype = 1;  // three wavelengths
    const FanPlot p = fanplot(m.lens, FanKind::transverse, PlotWavelength{4, ""}, kFanTitle, 380, 245, 13);
    ASSERT_TRUE(p.error.empty()) << p.error;
    for (const FanPanel& q : p.panels) {
        SCOPED_TRACE(testing::Message() << "field " << q.field << (q.sagittal ? " sagittal" : " tangential"));
        ASSERT_EQ(q.curves.size(), 3u);  // white light
        const auto& x = q.curves[0].x;
        if (q.sagittal) {
            ASSERT_EQ(x.size(), 11u);
            for (int i = 1; i <= 10; ++i) EXPECT_NEAR(x[i] - x[i - 1], x[10] / 10, 1e-12);
            continue;
        }
        if (q.field == 0) {
            ASSERT_EQ(x.size(), 11u);
            EXPECT_EQ(x[0], 0);
            EXPECT_NEAR(x[1], x[10] / std::sqrt(10.0), 1e-12);
        } else {
            ASSERT_EQ(x.size(), 21u);
            const double centre = (x[0] + x[20]) / 2, half = (x[20] - x[0]) / 2;
            EXPECT_NEAR(x[10], centre, 1e-12);
            EXPECT_NEAR(x[11] - centre, half / std::sqrt(10.0), 1e-12);
            EXPECT_NEAR(centre - x[9], half / std::sqrt(10.0), 1e-12);
        }
        // the labels' extremes cover all three curves
        double hi = -1e9, lo = 1e9;
        for (const FanCurve& c : q.curves)
            for (double v : c.v) hi = std::max(hi, v), lo = std::min(lo, v);
        EXPECT_EQ(q.vmax, hi);
        EXPECT_EQ(q.vmin, lo);
        // the axial curve starts at the reference ray itself
        if (q.field == 0) {
            for (const FanCurve& c : q.curves) EXPECT_NEAR(c.v[0], 0, 1e-12);
        }
    }
    // every curve's point of largest |value| touches its panel's frame
    int touching = 0;
    for (const Polyline& l : p.picture.lines) {
        if (l.colour == black) continue;
        for (const FanPanel& q : p.panels) {
            const Rect& r = q.frame;
            if (l.points.empty() || l.points[1].x < r.x || l.points[1].x > r.x + r.w || l.points[1].y < r.y ||
                l.points[1].y > r.y + r.h)
                continue;
            const bool top = std::any_of(l.points.begin(), l.points.end(), [&](const Pixel& a) {
                return std::abs(a.y - r.y) <= 1 || std::abs(a.y - (r.y + r.h)) <= 1;
            });
            touching += top;
        }
    }
    EXPECT_GE(touching, 18);  // 21 curves; a curve of zeros stays on its axis
}

TEST(FanPlot, WhiteLightOfOneWavelengthLensIsItsWavelength) {
    Model m = fandoublegauss();
    m.lens.systype = 0;
    const FanPlot p = fanplot(m.lens, FanKind::opd, PlotWavelength{4, ""}, kFanTitle, 380, 245, 13);
    ASSERT_TRUE(p.error.empty()) << p.error;
    for (const FanPanel& q : p.panels) {
        ASSERT_EQ(q.curves.size(), 1u);
        EXPECT_EQ(q.curves[0].wl, 0);
    }
    bool legend = false;
    for (const TextItem& t : p.picture.texts) legend |= t.text.rfind("wl[1] =", 0) == 0 && t.colour == blue;
    EXPECT_TRUE(legend);
}


// The OPD curves are the optical path differences the OPD report lists: where a fan ray
// starts where a report sample starts, both give the same value.
TEST(FanPlot, OpdCurvesHoldTheOpdReportsValues) {
    Model m = fandoublegauss();
    m.lens.systype = 1;
    Model report = m;
    std::vector<Notice> notices;
    const std::vector<WaveFit> fits = wavefits(report, 0, notices);
    ASSERT_FALSE(report.calcerror) << report.errmsg;
    const FanPlot p = fanplot(m.lens, FanKind::opd, PlotWavelength{1, ""}, kFanTitle, 760, 490, 13);
    ASSERT_TRUE(p.error.empty()) << p.error;
    double largest = 0;
    for (const FanPanel& q : p.panels)
        for (double v : q.curves[0].v) largest = std::max(largest, std::fabs(v));
    // the wave report's size of OPD, nowhere near the distance of the image
    EXPECT_GT(largest, 1e-4);
    EXPECT_LT(largest, 0.05);
    // the reference of a field: the centre of its tangential fan
    auto yref = [&](int field) {
        const FanCurve& c = p.panels[field].curves[0];
        return (c.x.front() + c.x.back()) / 2;
    };
    int matched[4] = {0, 0, 0, 0};
    for (const WaveFit& fit : fits) {
        for (const OpdSample& s : fit.listed) {
            for (const FanPanel& q : p.panels) {
                if (q.field != fit.field) continue;
                const FanCurve& c = q.curves[0];
                for (size_t i = 0; i < c.x.size(); ++i) {
                    // the axis report lists exit-pupil heights: its last zone is the marginal ray
                    const bool same = fit.field == 0 ? i + 1 == c.x.size() && &s == &fit.listed.back()
                                                     : std::fabs((q.sagittal ? s.x : s.y) - c.x[i]) < 1e-9 &&
                                                           std::fabs(q.sagittal ? s.y - yref(q.field) : s.x) < 1e-9;
                    if (!same) continue;
                    EXPECT_NEAR(c.v[i], s.opd, 1e-9) << "field " << q.field << (q.sagittal ? " sagittal " : " ") << i;
                    ++matched[q.field];
                }
            }
        }
    }
    EXPECT_EQ(matched[0], 1);
    for (int f = 1; f < 4; ++f) EXPECT_GE(matched[f], 3) << f;   // both ends of the fan and the sagittal edge

    // in waves: the same curves over the wavelength
    const FanPlot w = fanplot(m.lens, FanKind::opd, PlotWavelength{1, ""}, kFanTitle, 760, 490, 13, {false, true});
    for (size_t q = 0; q < p.panels.size(); ++q)
        for (size_t i = 0; i < p.panels[q].curves[0].v.size(); ++i)
            EXPECT_NEAR(w.panels[q].curves[0].v[i], p.panels[q].curves[0].v[i] / m.lens.wl[0], 1e-9);
    EXPECT_EQ(w.picture.panels[0].yunit, "waves");
    EXPECT_EQ(p.picture.panels[0].yunit, "mm");
}

// One vertical scale for every panel: a curve's height in pixels follows its values over the
// largest value of the picture; without the option every curve fills its panel.
TEST(FanPlot, CommonScaleKeepsTheCurvesComparable) {
    Model m = fandoublegauss();
    for (bool common : {false, true}) {
        const FanPlot p = fanplot(m.lens, FanKind::transverse, PlotWavelength{1, ""}, kFanTitle, 760, 490, 13,
                                  {common, false});
        ASSERT_TRUE(p.error.empty()) << p.error;
        double all = 0;
        for (const FanPanel& q : p.panels)
            for (double v : q.curves[0].v) all = std::max(all, std::fabs(v));
        ASSERT_EQ(p.picture.panels.size(), p.panels.size());
        for (size_t k = 0; k < p.panels.size(); ++k) {
            const FanCurve& c = p.panels[k].curves[0];
            const PlotPanel& panel = p.picture.panels[k];
            double own = 0;
            for (double v : c.v) own = std::max(own, std::fabs(v));
            int height = 0;
            const int mid = panel.frame.y + panel.frame.h / 2;
            for (const Pixel& x : panel.curves[0].px) height = std::max(height, std::abs(x.y - mid));
            const double expect = (common ? own / all : (own > 0 ? 1.0 : 0.0)) * panel.frame.h / 2;
            EXPECT_NEAR(height, expect, 1.0) << (common ? "common " : "own ") << k;
        }
    }
}

}  // namespace
}  // namespace zefo
