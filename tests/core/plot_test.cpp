// Pictures as display lists: system drawing, spot and MTF panels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/analysis/fieldcurves.h"
#include "core/imagequality/imagequality.h"
#include "core/plot/fanplot.h"
#include "core/plot/fieldplot.h"
#include "core/plot/iqplot.h"
#include "core/plot/systemplot.h"
#include "core/raytrace/rayscheme.h"
#include "core/util/numfmt.h"
#include "testsystems.h"

namespace zefo {
namespace {

const PlotTitle kTitle{"SAMPLE", "SAMPLE.dat", "2026-12-10"};

// A singlet in air: front radius r1, back radius r2, clear radius h, thickness t, image
// distance b; image clear radius hi.
Model drawnsinglet(double r1, double r2, double h, double t, double b, double hi) {
    Model m = buildobjective({{"S", r1, t, 1.5168, 0.008, h}, {"S", r2, b, 1, 0, h}}, 1, 0.1, {5}, 6);
    m.lens.sys.sp.hmax[2] = hi;
    return m;
}

// Canvas of the drawing's own proportion: 10 + 129 k wide, 94 k high above the text lines.
constexpr int kTh = 13;
constexpr int kW = 10 + 129 * 4, kHc = 94 * 4 + 2 * kTh + kTh / 3;

TEST(SystemPlot, DrawScaleFollowsLengthOrDiameter) {
    struct Case {
        const char* name;
        Model m;
        double ls, d, drawscale;
        bool length;
    };
    // concave front R -30 at h 20: the edge lies 30 - sqrt(30^2 - 20^2) behind the vertex
    const double sag = 30 - std::sqrt(900.0 - 400.0);
    Case cases[] = {
        {"long thin", drawnsinglet(50, -50, 5, 5, 95, 3), 100, 10, 129 * 1.4982 / 100, true},
        {"short wide", drawnsinglet(-30, -60, 20, 5, 10, 3), 15 + sag, 40, 94 * 1.4982 / 40, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SystemScale s = systemscale(c.m.lens);
        EXPECT_NEAR(s.ls, c.ls, 1e-9);
        EXPECT_NEAR(s.d, c.d, 1e-12);
        EXPECT_EQ(s.lengthgoverns, c.length);
        EXPECT_NEAR(s.drawscale, c.drawscale, 1e-12);
    }
}

// The pixel extent of the drawn profiles (the lines in black that are not the axis).
Rect surfacesextent(const DisplayList& dl) {
    int x0 = 1 << 30, x1 = -x0, y0 = x0, y1 = -x0;
    for (const Polyline& p : dl.lines) {
        if (p.colour != black || p.pen != PenStyle::solid) continue;
        for (const Pixel& q : p.points) {
            x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        }
    }
    return Rect{x0, y0, x1 - x0, y1 - y0};
}

TEST(SystemPlot, LongThinFillsWidthShortWideFillsHeight) {
    const DisplayList thin = systemplot(drawnsinglet(50, -50, 5, 5, 95, 3).lens, kTitle, kW, kHc, kTh);
    const Rect a = surfacesextent(thin);
    EXPECT_EQ(a.x, 10);                  // first vertex at the left margin
    EXPECT_NEAR(a.x + a.w, kW, 3);       // image plane at the right edge
    EXPECT_LT(a.h, 94 * 4 / 5);          // 10 mm of 137 mm height

    const DisplayList wide = systemplot(drawnsinglet(-30, -60, 20, 5, 10, 3).lens, kTitle, kW, kHc, kTh);
    const Rect b = surfacesextent(wide);
    EXPECT_EQ(b.x, 10);                  // the concave front's edge at the left margin
    EXPECT_NEAR(b.h, 94 * 4, 1);         // the clear diameter spans the height
    EXPECT_LT(b.x + b.w, kW / 2);        // 22.6 mm of 54.9 mm width

    // a canvas wider than the drawing's proportion: the drawing keeps its scale, centred
    const DisplayList wider = systemplot(drawnsinglet(50, -50, 5, 5, 95, 3).lens, kTitle, 2 * kW, kHc, kTh);
    const Rect c = surfacesextent(wider);
    EXPECT_NEAR(c.w, a.w, 4);  // the image plane on the right edge is drawn 3 pixels in
    EXPECT_NEAR(c.x - 10, 2 * kW - (c.x + c.w), 4);
}

// The profile polylines: 21 points each, the surfaces in order.
std::vector<const Polyline*> profiles(const DisplayList& dl) {
    std::vector<const Polyline*> out;
    for (const Polyline& p : dl.lines)
        if (p.colour == black && p.points.size() == 21) out.push_back(&p);
    return out;
}

TEST(SystemPlot, ProfilesAreSphericalBasesOf21Points) {
    Model m = asphericdoublet();
    const OpticalSystem& lens = m.lens;
    const int w = 900, hc = 400;
    const DisplayList dl = systemplot(lens, kTitle, w, hc, kTh);
    const auto prof = profiles(dl);
    ASSERT_EQ(prof.size(), static_cast<size_t>(lens.nsurf) + 1);  // stop in glass: every surface drawn
    const SystemLayout l = systemlayout(systemscale(lens), w, hc, kTh);
    const auto& sp = lens.sys.sp;
    for (int i = 0; i < lens.nsurf; ++i) {
        SCOPED_TRACE(i);
        const auto& pts = prof[i]->points;
        const int vx = pts[10].x;  // the point on the axis is the vertex
        EXPECT_EQ(pts[10].y, l.axis);
        // the inner half of each profile, away from the neighbouring vertices
        for (int j = -5; j <= 5; ++j) {
            const double y = j * sp.hmax[i] / 10;
            const double r = sp.radius[i];
            const double sag = r == 0 ? 0 : r - (r > 0 ? 1 : -1) * std::sqrt(r * r - y * y);
            EXPECT_NEAR(pts[j + 10].x, vx + sag * l.scale, 1.01) << j;
            EXPECT_NEAR(pts[j + 10].y, l.axis - y * l.scale, 0.51) << j;
        }
    }
}

TEST(SystemPlot, SurfaceBeyondItsRimIsDrawnToTheRim) {
    Model m = drawnsinglet(8, -50, 10, 12, 40, 3);  // h 10 on a sphere of radius 8
    std::vector<std::string> notes;
    const DisplayList dl = systemplot(m.lens, kTitle, 800, 400, kTh, &notes);
    const SystemLayout l = systemlayout(systemscale(m.lens), 800, 400, kTh);
    const auto& pts = profiles(dl).at(0)->points;
    EXPECT_NEAR(pts.back().y, l.axis - 8 * l.scale, 1);
    EXPECT_NEAR(pts.back().x - pts[10].x, 8 * l.scale, 1);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("Surface 1"), std::string::npos);
}

TEST(SystemPlot, ProfileStaysClearOfTheNextVertex) {
    // front sag at h 10 is 50 - sqrt(50^2 - 10^2) = 1.01 mm, the lens 1 mm thick: the edge
    // would pass the back vertex and stops at 0.9 mm from the front vertex
    Model m = drawnsinglet(50, -50, 10, 1, 40, 3);
    const DisplayList dl = systemplot(m.lens, kTitle, 800, 400, kTh);
    const SystemLayout l = systemlayout(systemscale(m.lens), 800, 400, kTh);
    const auto& front = profiles(dl).at(0)->points;
    EXPECT_NEAR(front.back().x - front[10].x, 0.9 * l.scale, 1);
    EXPECT_NEAR(front.front().x - front[10].x, 0.9 * l.scale, 1);
    // the inner points keep their sag: at h 5, 50 - sqrt(2475)
    EXPECT_NEAR(front[15].x - front[10].x, (50 - std::sqrt(2475.0)) * l.scale, 1);
}

TEST(SystemPlot, RaysColouredByLabelAndNumberAndClippedAtTheirSurface) {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror);
    // ray 1 (axial, blue) made taller than the clear radius of the second surface
    m.lens.sys.sp.hmax[1] = 0.9 * std::fabs(m.lens.rays.y[1]);
    const DisplayList dl = systemplot(m.lens, kTitle, 800, 400, kTh);
    const SystemLayout l = systemlayout(systemscale(m.lens), 800, 400, kTh);
    std::vector<const Polyline*> rays;
    for (const Polyline& p : dl.lines)
        if (p.colour != black) rays.push_back(&p);
    std::vector<int> drawn;
    for (int k = 0; k < m.lens.nrays; ++k)
        if (m.lens.rays.rl[k] >= 12 && m.lens.rays.rl[k] <= 14) drawn.push_back(k);
    ASSERT_EQ(rays.size(), drawn.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        const int k = drawn[i], label = m.lens.rays.rl[k];
        const Colour want = label == 12 ? blue : k <= 9 ? green : red;
        EXPECT_EQ(rays[i]->colour, want) << k;
    }
    bool seenred = false, seengreen = false;
    for (const auto* r : rays) seenred |= r->colour == red, seengreen |= r->colour == green;
    EXPECT_TRUE(seenred && seengreen);
    // ray 1 ends on surface 2 (start, surface 1, surface 2), at its profile's height or beyond
    ASSERT_EQ(m.lens.rays.rl[1], 12);
    const auto& clipped = rays[0]->points;
    ASSERT_EQ(clipped.size(), 3u);
    EXPECT_GT(std::abs(clipped.back().y - l.axis), 0.9 * std::fabs(m.lens.rays.y[1]) * l.scale - 1);
    const auto& full = rays[1]->points;
    EXPECT_EQ(full.size(), static_cast<size_t>(m.lens.nsurf) + 2);
}

TEST(SystemPlot, OneFieldDrawsTheRaysOfThatFieldOnly) {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror);
    const std::vector<int> chiefs = chiefrays(m.lens);
    ASSERT_EQ(chiefs.size(), 3u);
    const auto raycount = [](const DisplayList& dl) {
        return std::count_if(dl.lines.begin(), dl.lines.end(), [](const Polyline& p) { return p.colour != black; });
    };
    long sum = 0;
    for (int f = 0; f <= 3; ++f) {
        // the drawn rays of the field: from its chief ray (ray 1 for the axis) to the next one
        const int first = f == 0 ? 1 : chiefs[f - 1], end = f < 3 ? chiefs[f] : m.lens.nrays;
        long want = 0;
        for (int k = first; k < end; ++k) want += m.lens.rays.rl[k] >= 12 && m.lens.rays.rl[k] <= 14;
        const long got = raycount(systemplot(m.lens, kTitle, 800, 400, kTh, nullptr, f));
        EXPECT_EQ(got, want) << f;
        EXPECT_GT(got, 0) << f;
        sum += got;
    }
    EXPECT_EQ(sum, raycount(systemplot(m.lens, kTitle, 800, 400, kTh)));
}

TEST(SystemPlot, FirstOrderLine) {
    struct Case {
        double na, mag;
        const char* fnum;
    };
    const Case cases[] = {{0.125, 0, "F/4.00"}, {0.125, -1, "F/2.00"}, {0, 0, "F/inf"}, {0.1, 1, "F/inf"}};
    for (const Case& c : cases) {
        Model m = drawnsinglet(50, -50, 5, 5, 95, 3);
        m.lens.na = c.na;
        m.lens.mag = c.mag;
        EXPECT_NE(systemdataline(m.lens).find(c.fnum), std::string::npos) << systemdataline(m.lens);
    }
}

TEST(SystemPlot, EmptyExtentGetsAScale) {
    Model m = buildobjective({{"S", 0, 0, 1, 0, 0}}, 1, 0.1, {5}, 6);
    m.lens.sys.sp.hmax[1] = 0;
    const SystemScale s = systemscale(m.lens);
    EXPECT_TRUE(std::isfinite(s.drawscale) && s.drawscale > 0);
    const SystemLayout l = systemlayout(s, 300, 200, kTh);
    EXPECT_TRUE(std::isfinite(l.scale) && l.scale > 0);
    EXPECT_NO_THROW(systemplot(m.lens, kTitle, 300, 200, kTh));
}

// ------------------------------------------------------------------ MTF

TEST(MtfPlot, PanelsForOneToFourFields) {
    // 600 x 400, th 13: unit c = (400 - 13 - 5) div 10 = 38, column unit 60, left edge 40
    const std::vector<std::vector<Rect>> want = {
        {{40, 58, 480, 304}},
        {{40, 58, 240, 304}, {340, 58, 240, 304}},
        {{40, 20, 240, 152}, {40, 210, 240, 152}, {340, 210, 240, 152}},
        {{40, 20, 240, 152}, {340, 20, 240, 152}, {40, 210, 240, 152}, {340, 210, 240, 152}},
    };
    for (int nf = 1; nf <= 4; ++nf) {
        const PanelLayout l = mtflayout(nf, 600, 400, 13);
        EXPECT_EQ(l.panels, want[nf - 1]) << nf;
        for (const Rect& r : l.panels) EXPECT_LE(r.y + r.h + l.unit, 400) << nf;  // room for the labels
    }
}

// A geometrical MTF table of nf fields: sagittal 1 - k/(n-1), tangential 0 .. 1.
MtfResult gmtftable(const OpticalSystem& lens) {
    MtfResult t = mtftable(MtfKind::Geometrical, lens, 1, 26, lens.nfreq);
    for (int f = 0; f < t.nfields; ++f)
        for (int k = 0; k < t.npoints; ++k) {
            const double s = static_cast<double>(k) / (t.npoints - 1);
            t.values[t.index(f, 0, k)] = {1 - s, s, 0};
            t.limit[t.index(f, 0, k)] = 1 - s;
        }
    return t;
}

TEST(MtfPlot, ValueOneOnTopEdgeZeroOnBottomEdge) {
    Model m = doublegauss();
    const MtfResult t = gmtftable(m.lens);
    const DisplayList dl = mtfplot(m.lens, t, PlotWavelength{1, "d"}, kTitle, 600, 400, 13);
    const PanelLayout l = mtflayout(t.nfields, 600, 400, 13);
    int curves = 0;
    for (const Polyline& p : dl.lines) {
        if (p.colour != blue) continue;
        const Rect& r = l.panel(curves / 2);
        const bool first = curves % 2 == 0;
        EXPECT_EQ(p.pen, first ? PenStyle::dotted : PenStyle::solid);
        ASSERT_EQ(p.points.size(), 26u);
        // first curve falls from 1 to 0, second rises; frequency 0 .. nfreq spans the width
        EXPECT_EQ(p.points.front(), (Pixel{r.x, first ? r.y : r.y + r.h}));
        EXPECT_EQ(p.points.back(), (Pixel{r.x + r.w, first ? r.y + r.h : r.y}));
        ++curves;
    }
    EXPECT_EQ(curves, 2 * t.nfields);
    // the curves may cross the field labels inside the panels: those hide what lies under them
    int fieldlabels = 0;
    for (const TextItem& x : dl.texts) {
        const bool field = x.text == "At axis" || x.text.rfind("w=", 0) == 0;
        const bool legend = x.text == "S" || x.text == "T" || x.text == "diffraction limit";
        EXPECT_EQ(x.opaque, field || legend) << x.text;
        fieldlabels += field;
    }
    EXPECT_EQ(fieldlabels, t.nfields);
}

TEST(MtfPlot, ThroughFocusAbscissaSameForEveryFieldCount) {
    for (double defocus : {0.0, 0.35}) {
        for (int nf = 1; nf <= 4; ++nf) {
            SCOPED_TRACE(testing::Message() << "defocus " << defocus << " fields " << nf);
            std::vector<double> fields = {5, 10, 15};
            fields.resize(nf - 1);
            Model m = buildobjective({{"S", 50, 5, 1.5168, 0.008, 5}, {"S", -50, 95, 1, 0, 5}}, 1, 0.1, fields, 6);
            m.lens.defocus = defocus;
            m.lens.ddefocus = 0.1;
            MtfResult t = mtftable(MtfKind::ThroughFocus, m.lens, 1, 26, 30);
            // planes from defocus - 2 steps in steps of 4 steps / npoints
            for (int k = 0; k < t.npoints; ++k) t.focus[k] = defocus - 0.2 + 0.4 * k / t.npoints;
            const DisplayList dl = mtfplot(m.lens, t, PlotWavelength{1, ""}, kTitle, 600, 400, 13);
            const PanelLayout l = mtflayout(nf, 600, 400, 13);
            for (const Polyline& p : dl.lines) {
                if (p.colour != blue) continue;
                int f = 0;
                while (f + 1 < nf && p.points.front().x >= l.panel(f + 1).x) ++f;
                const Rect& r = l.panel(f);
                EXPECT_EQ(p.points.front().x, r.x);
                // the last plane lies one grid step short of defocus + 2 steps
                EXPECT_NEAR(p.points.back().x, r.x + r.w - r.w / 26.0, 1);
            }
            // the left label is the first plane
            bool label = false;
            for (const TextItem& t2 : dl.texts) label |= t2.at.x == l.panel(0).x && t2.text == fmtf(defocus - 0.2, 6, 3);
            EXPECT_TRUE(label);
        }
    }
}

// ------------------------------------------------------------------ spots

// A spot table of one wavelength for the lens's fields with the given rays in field 0.
SpotResult spottable(const OpticalSystem& lens, const std::vector<SpotRay>& rays) {
    SpotResult s;
    s.nwl = 1;
    s.rays = rays;
    s.groupstart.assign(static_cast<size_t>(lens.nfields) * 3 + 1, static_cast<int>(rays.size()));
    s.groupstart[0] = 0;
    s.passed.assign(lens.nfields, {0, 0, 0});
    s.chief.assign(lens.nfields, ChiefRecord{});
    s.stats.assign(lens.nfields, SpotStats{});
    return s;
}

TEST(SpotPlot, RaysOnTheMeridianSetOnePixelEdgesLandOnPanelEdges) {
    Model m = doublegauss();
    m.lens.spotsize = 0.05;
    const SpotResult s = spottable(m.lens, {{0, 0.02, 0, 0, 0, 0}, {0.05, -0.05, 0, 0, 0, 0}});
    const DisplayList dl = spotplot(m.lens, s, PlotWavelength{1, "d"}, kTitle, 479, 298, 13);
    const Rect r = spotlayout(4, false, 479, 298, 13).panel(0);
    ASSERT_EQ(dl.dots.size(), 3u);
    const int xc = r.x + r.w / 2, yc = r.y + r.h / 2;
    // one scale both ways: the square fits the panel's shorter side (here its height)
    ASSERT_LT(r.h, r.w);
    const int side = static_cast<int>(std::lround(0.05 * r.h / 0.1));
    EXPECT_EQ(dl.dots[0].at, (Pixel{xc, yc - static_cast<int>(std::lround(0.02 * r.h / 0.1))}));
    // the ray on the corner of the square and its mirror: the square's vertical edges, the
    // panel's bottom edge
    EXPECT_EQ(dl.dots[1].at.x, xc + side);
    EXPECT_EQ(dl.dots[2].at.x, xc - side);
    EXPECT_NEAR(dl.dots[1].at.y, r.y + r.h, 1);
    EXPECT_EQ(dl.dots[0].colour, blue);
}

TEST(SpotPlot, ThreeFieldsLeaveTopRightEmptyAndOneFieldKeepsItsLabel) {
    const PanelLayout three = mtflayout(3, 460, 318, 13);
    ASSERT_EQ(three.panels.size(), 3u);
    EXPECT_EQ(three.panels[2].x, three.panels[0].x + three.cx);
    EXPECT_EQ(three.panels[2].y, three.panels[1].y);
    EXPECT_GT(three.panels[2].y, three.panels[0].y);
    for (bool white : {false, true})
        for (int nf = 1; nf <= 4; ++nf) {
            const PanelLayout l = spotlayout(nf, white, 479, 298, 13);
            ASSERT_EQ(l.panels.size(), static_cast<size_t>(nf * (white ? 4 : 1)));
            EXPECT_LE(l.panels.back().y + l.panels.back().h + 13, 298) << nf << white;
            EXPECT_GE(l.panels.front().y, 2 * 13) << nf << white;
        }
}

TEST(SpotPlot, TelescopeSpotStaysFinite) {
    Model m = doublegauss();
    m.lens.systype = 4;
    m.lens.spotsize = 0.01;
    // a direction cosine whose shift at the outer plane would pass 1
    SpotResult s = spottable(m.lens, {{5, 0, 0, 0, 0.9999, 0.2}});
    double ex = 0, ey = 0;
    spotpoint(m.lens, s, 0, s.rays[0], -100, ex, ey);
    EXPECT_TRUE(std::isfinite(ex) && std::isfinite(ey));
    EXPECT_NEAR(ex, std::asin(1.0), 1e-12);
    // far outside the counting square: left out, not drawn into another panel
    EXPECT_TRUE(tfspotplot(m.lens, s, PlotWavelength{1, ""}, kTitle, 415, 359, 13).dots.empty());
    m.lens.spotsize = 2;
    EXPECT_FALSE(tfspotplot(m.lens, s, PlotWavelength{1, ""}, kTitle, 415, 359, 13).dots.empty());
}

TEST(SpotPlot, OneFieldFillsThePictureWithItsOwnPanels) {
    Model m = doublegauss();
    m.lens.spotsize = 0.05;
    SpotResult s = spottable(m.lens, {{0.01, 0.04, 0, 0, 0, 0}, {0.02, -0.01, 0, 0, 0, 0}});
    // the two rays belong to field 2
    s.groupstart.assign(s.groupstart.size(), 2);
    s.groupstart[0] = s.groupstart[1] = s.groupstart[2] = s.groupstart[3] = s.groupstart[4] = s.groupstart[5] = s.groupstart[6] = 0;
    const PlotWavelength d{1, "d"};
    const DisplayList one = spotplot(m.lens, s, d, kTitle, 479, 298, 13, 2);
    const Rect r = spotlayout(1, false, 479, 298, 13).panel(0);
    ASSERT_EQ(one.dots.size(), 4u);
    for (const Dot& x : one.dots) {
        EXPECT_GE(x.at.y, r.y);
        EXPECT_LE(x.at.y, r.y + r.h);
    }
    const std::string label = "At " + fmtf(m.lens.field[2], 5, 2) + " deg";
    EXPECT_TRUE(std::any_of(one.texts.begin(), one.texts.end(), [&](const TextItem& t) { return t.text == label; }));
    EXPECT_FALSE(std::any_of(one.texts.begin(), one.texts.end(), [](const TextItem& t) { return t.text == "At axis"; }));
    // a field the result lacks draws them all
    EXPECT_EQ(spotplot(m.lens, s, d, kTitle, 479, 298, 13, 9).dots.size(), 4u);
    // the MTF of one field: one panel, the field's own curves and label
    const MtfResult t = gmtftable(m.lens);
    const DisplayList mtf = mtfplot(m.lens, t, d, kTitle, 600, 400, 13, 1);
    const Rect big = mtflayout(1, 600, 400, 13).panel(0);
    int curves = 0;
    for (const Polyline& p : mtf.lines)
        if (p.colour == blue) {
            ++curves;
            EXPECT_EQ(p.points.front().x, big.x);
            EXPECT_EQ(p.points.back().x, big.x + big.w);
        }
    EXPECT_EQ(curves, 2);
    EXPECT_TRUE(std::any_of(mtf.texts.begin(), mtf.texts.end(),
                            [&](const TextItem& x) { return x.text == "w=" + fmtf(m.lens.field[1], 5, 2) + " deg"; }));
}

TEST(SpotPlot, RaysOutsideTheSquareStayOutOfTheNeighbouringPanels) {
    Model m = doublegauss();
    m.lens.spotsize = 0.05;
    // inside, just outside along x, far outside along y
    const SpotResult s = spottable(m.lens, {{0.01, 0.04, 0, 0, 0, 0}, {0.0501, 0, 0, 0, 0, 0}, {0, 0.3, 0, 0, 0, 0}});
    const DisplayList dl = spotplot(m.lens, s, PlotWavelength{1, "d"}, kTitle, 479, 298, 13);
    const Rect r = spotlayout(4, false, 479, 298, 13).panel(0);
    ASSERT_EQ(dl.dots.size(), 2u);
    for (const Dot& d : dl.dots) {
        EXPECT_GE(d.at.x, r.x);
        EXPECT_LE(d.at.x, r.x + r.w);
        EXPECT_GE(d.at.y, r.y);
        EXPECT_LE(d.at.y, r.y + r.h);
    }
}


// The axial spot of a singlet is round: the same extent across and upwards, in pixels, on a
// wide picture; its printed radii are those of its rays.
TEST(SpotPlot, AxialSpotOfASingletIsRound) {
    Model m = buildobjective({{"S", 50, 5, 1.5168, 0.008, 10}, {"S", -50, 95, 1, 0, 10}}, 1, 0.1, {5}, 6);
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    m.lens.nrings = 9;
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    double half = 0, sum = 0, geo = 0;
    int n = 0;
    for (int i = spot.groupstart[0]; i < spot.groupstart[1]; ++i) {
        const SpotRay& r = spot.rays[i];
        half = std::max({half, std::fabs(r.dx), std::fabs(r.dy)});
        sum += r.dx * r.dx + r.dy * r.dy;
        geo = std::max(geo, std::hypot(r.dx, r.dy));
        ++n;
    }
    m.lens.spotsize = 1.2 * half;
    const DisplayList dl = spotplot(m.lens, spot, PlotWavelength{1, "d"}, kTitle, 1200, 800, 13, 0);
    ASSERT_GT(dl.dots.size(), 20u);
    int x0 = 1 << 20, x1 = -x0, y0 = x0, y1 = -x0;
    for (const Dot& d : dl.dots) {
        x0 = std::min(x0, d.at.x), x1 = std::max(x1, d.at.x);
        y0 = std::min(y0, d.at.y), y1 = std::max(y1, d.at.y);
    }
    EXPECT_GT(y1 - y0, 100);
    EXPECT_NEAR(x1 - x0, y1 - y0, 2);
    ASSERT_EQ(dl.panels.size(), 1u);
    const PlotPanel& p = dl.panels[0];
    EXPECT_TRUE(p.spot);
    EXPECT_EQ(p.numbers.pxpermmx, p.numbers.pxpermmy);
    EXPECT_NEAR(p.numbers.rms, std::sqrt(sum / n) * 1000, 1e-9);
    EXPECT_NEAR(p.numbers.geo, geo * 1000, 1e-9);
    // the Airy disc: 1.22 wavelength times the working F-number
    EXPECT_NEAR(p.numbers.airy, 1.22 * m.lens.wl[0] / (2 * m.lens.na) * 1000, 1e-9);
    bool rmstext = false;
    for (const TextItem& t : dl.texts) rmstext |= t.text == "RMS " + fmtf(p.numbers.rms, 0, p.numbers.rms < 10 ? 2 : 1) + " \u00b5m";
    EXPECT_TRUE(rmstext);
}

bool insideframe(const Pixel& p, const Rect& r) { return p.x >= r.x && p.x <= r.x + r.w && p.y >= r.y && p.y <= r.y + r.h; }

// Every curve of every plot stays inside its panel's frame, at three window sizes, the
// through-focus MTF after a change of the defocus included; every coloured line and dot lies
// in one of the panels.
TEST(PlotFrames, EveryCurveStaysInsideItsPanel) {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    m.lens.systype = 1;
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    IqRun run;
    const SpotResult spot = spotcalc(m, run);
    const MtfResult g = gmtfcalc(m, spot, m.lens.nfreq, run), tf = tfmtfcalc(m, spot, m.lens.nfreq, run);
    const MtfResult d = dmtfcalc(m, run);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const FieldCurves fc = fieldcurves(m, true);
    ASSERT_TRUE(fc.error.empty()) << fc.error;
    OpticalSystem moved = m.lens;
    moved.defocus += 0.3;
    for (auto [w, h] : {std::pair{380, 245}, std::pair{760, 490}, std::pair{1400, 950}}) {
        std::vector<std::pair<std::string, DisplayList>> pictures;
        for (int code : {1, 4}) {
            const PlotWavelength wl{code, ""};
            for (FanKind k : {FanKind::transverse, FanKind::opd})
                for (bool common : {false, true})
                    pictures.push_back({"fans", fanplot(m.lens, k, wl, kTitle, w, h, 13, {common, false}).picture});
            pictures.push_back({"spot", spotplot(m.lens, spot, wl, kTitle, w, h, 13)});
            pictures.push_back({"tfspot", tfspotplot(m.lens, spot, wl, kTitle, w, h, 13)});
            pictures.push_back({"gmtf", mtfplot(m.lens, g, wl, kTitle, w, h, 13)});
            pictures.push_back({"tfmtf", mtfplot(moved, tf, wl, kTitle, w, h, 13)});
            pictures.push_back({"dmtf", mtfplot(m.lens, d, wl, kTitle, w, h, 13)});
        }
        pictures.push_back({"field", fieldplot(m.lens, fc, kTitle, w, h, 13)});
        for (const auto& [name, dl] : pictures) {
            SCOPED_TRACE(testing::Message() << name << " " << w << "x" << h);
            ASSERT_FALSE(dl.panels.empty());
            size_t points = 0;
            for (const PlotPanel& p : dl.panels)
                for (const PlotCurve& c : p.curves)
                    for (const Pixel& x : c.px) {
                        EXPECT_TRUE(insideframe(x, p.frame)) << p.title << " " << c.label << " " << x.x << "," << x.y;
                        ++points;
                    }
            EXPECT_GT(points, 0u);
            auto inpanel = [&](const Pixel& x) {
                return std::any_of(dl.panels.begin(), dl.panels.end(), [&](const PlotPanel& p) { return insideframe(x, p.frame); });
            };
            for (const Polyline& l : dl.lines) {
                if (l.colour == black) continue;
                for (const Pixel& x : l.points) EXPECT_TRUE(inpanel(x)) << x.x << "," << x.y;
            }
            for (const Dot& x : dl.dots) EXPECT_TRUE(inpanel(x.at)) << x.at.x << "," << x.at.y;
        }
    }
}

// The MTF pictures name their units and curves: cycles per mm, the legend of the dotted and
// solid curves, the frequency of the through-focus MTF in its title.
TEST(MtfPlot, UnitsAndLegends) {
    Model m = doublegauss();
    const MtfResult t = gmtftable(m.lens);
    const DisplayList dl = mtfplot(m.lens, t, PlotWavelength{1, "d"}, kTitle, 900, 600, 13);
    auto has = [](const DisplayList& d, const std::string& s) {
        return std::any_of(d.texts.begin(), d.texts.end(), [&](const TextItem& x) { return x.text == s; });
    };
    EXPECT_TRUE(has(dl, "[cycles/mm]"));
    EXPECT_TRUE(has(dl, "diffraction limit"));
    EXPECT_TRUE(has(dl, "S"));
    EXPECT_TRUE(has(dl, "T"));
    ASSERT_EQ(dl.panels.size(), static_cast<size_t>(t.nfields));
    EXPECT_EQ(dl.panels[0].curves[0].label, "diffraction limit");
    EXPECT_EQ(dl.panels[1].curves[0].label, "S");
    EXPECT_EQ(dl.panels[1].xunit, "cycles/mm");
    EXPECT_EQ(dl.panels[1].yunit, "relative MTF");
    MtfResult tf = mtftable(MtfKind::ThroughFocus, m.lens, 1, 26, m.lens.nfreq);
    const DisplayList tfl = mtfplot(m.lens, tf, PlotWavelength{1, "d"}, kTitle, 900, 600, 13);
    EXPECT_NE(tfl.texts[0].text.find("Frequency=" + fmti(m.lens.nfreq) + " cycles/mm"), std::string::npos);
}

}  // namespace
}  // namespace zefo
