// The glass map: points where nd and vd put them on the drawn scales, the lens's glasses
// marked, the glass triangle, picking a point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/plot/glassmap.h"
#include "core/util/numfmt.h"
#include "testsystems.h"

namespace zefo {
namespace {

GlassRecord mapglass(const char* name, double nd, double vd) {
    GlassRecord g;
    g.name = name;
    g.nd = nd;
    g.vd = vd;
    return g;
}

// The pixel a tick label of the picture stands at (x for the vd labels below the frame, y for
// the nd labels left of it).
std::optional<Pixel> ticklabel(const DisplayList& dl, const std::string& text) {
    for (const auto& t : dl.texts)
        if (t.text == text) return t.at;
    return std::nullopt;
}

TEST(GlassMapPlot, PointsLieOnTheDrawnScalesWithVdFallingToTheRight) {
    const std::vector<GlassRecord> cat = {mapglass("A", 1.50, 60), mapglass("B", 1.70, 30), mapglass("C", 1.60, 50),
                                          mapglass("D", 1.90, 20), mapglass("bad", 1.6, 0)};
    const GlassMap map = glassmap(cat, {}, nullptr, {"lens", "lens.dat", ""}, 1000, 700, 14);
    ASSERT_EQ(map.points.size(), 4u);   // a glass without an Abbe number is left out
    const DisplayList& dl = map.picture;
    // tick labels: vd 60 left of vd 30, nd 1.9 above nd 1.5
    const auto v60 = ticklabel(dl, "60"), v30 = ticklabel(dl, "30"), v50 = ticklabel(dl, "50");
    const auto n15 = ticklabel(dl, "1.50"), n17 = ticklabel(dl, "1.70"), n19 = ticklabel(dl, "1.90");
    ASSERT_TRUE(v60 && v30 && v50 && n15 && n17 && n19);
    EXPECT_LT(v60->x, v30->x);
    EXPECT_LT(n19->y, n15->y);
    // each glass at the x of its vd label and the y of its nd label
    const auto at = [&](const char* name) {
        return std::find_if(map.points.begin(), map.points.end(), [&](const GlassPoint& p) { return p.name == name; })->at;
    };
    EXPECT_NEAR(at("A").x, v60->x, 1);
    EXPECT_NEAR(at("A").y, n15->y, 1);
    EXPECT_NEAR(at("B").x, v30->x, 1);
    EXPECT_NEAR(at("B").y, n17->y, 1);
    EXPECT_NEAR(at("C").x, v50->x, 1);
    EXPECT_NEAR(at("D").y, n19->y, 1);
    // all inside the frame, on the canvas
    for (const auto& p : map.points) {
        EXPECT_GE(p.at.x, map.axes.frame.x);
        EXPECT_LE(p.at.x, map.axes.frame.x + map.axes.frame.w);
        EXPECT_GE(p.at.y, map.axes.frame.y);
        EXPECT_LE(p.at.y, map.axes.frame.y + map.axes.frame.h);
    }
    EXPECT_NE(dl.texts.front().text.find("System name =lens"), std::string::npos);
}

TEST(GlassMapPlot, LensGlassesAreMarkedLabelledAndPicked) {
    Model m = doublegauss();   // two glasses, both named "glass", known only by their indices
    m.lens.sys.sp.glass[1] = "CROWN";
    const auto lookup = [](const std::string& name) -> GlassMatch {
        if (name != "CROWN") return std::nullopt;
        GlassRecord g = mapglass("CROWN", 1.62041, 60.32);
        return std::optional<GlassRecord>(g);
    };
    const auto lens = lensglasspoints(m.lens, lookup);
    ASSERT_EQ(lens.size(), 3u);
    EXPECT_EQ(lens[0].name, "CROWN");   // the catalogue's nd and vd
    EXPECT_EQ(lens[0].nd, 1.62041);
    EXPECT_EQ(lens[0].surfaces, "2");
    EXPECT_FALSE(lens[0].fromindices);
    EXPECT_EQ(lens[1].name, "glass");   // from the indices: nd and (nd - 1) / (nF - nC)
    EXPECT_TRUE(lens[1].fromindices);
    EXPECT_NEAR(lens[1].vd, 0.6204 / 0.01034, 1e-9);
    EXPECT_EQ(lens[1].surfaces, "4, 9, 11");
    EXPECT_NEAR(lens[2].vd, 0.6034 / 0.01673, 1e-9);
    EXPECT_EQ(lens[2].surfaces, "5, 8");

    const std::vector<GlassRecord> cat = {mapglass("A", 1.50, 64), mapglass("B", 1.80, 25)};
    const GlassMap map = glassmap(cat, lens, nullptr, {}, 900, 600, 12);
    ASSERT_EQ(map.points.size(), 5u);
    for (size_t i = 2; i < 5; ++i) {
        const GlassPoint& p = map.points[i];
        SCOPED_TRACE(p.name);
        EXPECT_TRUE(p.lens);
        // a label in the lens's colour next to the mark
        const auto label = std::find_if(map.picture.texts.begin(), map.picture.texts.end(), [&](const TextItem& t) {
            return t.text.rfind(p.name, 0) == 0 && std::abs(t.at.x - p.at.x) < 10 && std::abs(t.at.y - p.at.y) < 10;
        });
        ASSERT_NE(label, map.picture.texts.end());
        EXPECT_EQ(label->colour, (Colour{220, 0, 0}));
        EXPECT_EQ(glassat(map, {p.at.x + 2, p.at.y - 1}, 6), static_cast<int>(i));
    }
    EXPECT_EQ(glassat(map, map.points[0].at, 4), 0);
    EXPECT_EQ(glassat(map, {0, 0}, 4), -1);
}

TEST(GlassMapPlot, TriangleSidesAreStraightInIndexAndDispersion) {
    const GlassTriangle tri;   // BK7, LaK9, SF4
    const std::vector<GlassRecord> cat = {mapglass("A", 1.50, 64)};
    const GlassMap map = glassmap(cat, {}, &tri, {}, 1000, 700, 14);
    const auto side = std::find_if(map.picture.lines.begin(), map.picture.lines.end(),
                                   [](const Polyline& l) { return l.pen == PenStyle::dashdot && l.points.size() > 10; });
    ASSERT_NE(side, map.picture.lines.end());
    // the corners, and the middle of the first side taken in index and dispersion
    const auto near = [&](double nd, double vd) {
        const double x = map.axes.x(vd), y = map.axes.y(nd);
        return std::any_of(side->points.begin(), side->points.end(),
                           [&](const Pixel& p) { return std::hypot(p.x - x, p.y - y) <= 1; });
    };
    for (int j = 0; j < 3; ++j) EXPECT_TRUE(near(tri.trindex[j], (tri.trindex[j] - 1) / tri.trdisp[j])) << j;
    const double n = (tri.trindex[0] + tri.trindex[1]) / 2, d = (tri.trdisp[0] + tri.trdisp[1]) / 2;
    EXPECT_TRUE(near(n, (n - 1) / d));
    // an unset triangle is not drawn
    GlassTriangle unset;
    unset.trglass[1].clear();
    const GlassMap without = glassmap(cat, {}, &unset, {}, 1000, 700, 14);
    EXPECT_TRUE(std::none_of(without.picture.lines.begin(), without.picture.lines.end(),
                             [](const Polyline& l) { return l.points.size() > 10; }));
}

}  // namespace
}  // namespace zefo
