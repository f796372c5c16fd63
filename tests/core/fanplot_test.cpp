// Ray-fan curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

}  // namespace
}  // namespace zefo
