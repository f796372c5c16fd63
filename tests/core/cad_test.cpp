// The lens section as a CAD script and as a DXF drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <map>
#include <sstream>

#include "core/cad/acadscript.h"
#include "core/raytrace/rayscheme.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"
#include "scriptedinteraction.h"
#include "testutil.h"
#include "testsystems.h"

namespace zefo {
namespace {

// A biconvex lens R 50 / -50 with clear radius 10 and a small plane stop (clear radius 3)
// behind it: the small aperture draws the clear diameters without asking.
Model lenswithstop(int stop) {
    Model m = buildobjective({{"S", 50, 6, 1.5168, 0.008, 10}, {"S", -50, 5, 1, 0, 10}, {"S", 0, 80, 1, 0, 3}},
                             stop, 0.02, {2}, 6);
    initstdrays(m);
    rayscheme(m);   // aims the rays; the drawn clear radii are the ones given here
    m.lens.sys.sp.hmax[0] = m.lens.sys.sp.hmax[1] = 10;
    m.lens.sys.sp.hmax[2] = 3;
    return m;
}

bool has(const std::vector<std::string>& v, size_t at, const std::vector<std::string>& want) {
    if (at + want.size() > v.size()) return false;
    return std::equal(want.begin(), want.end(), v.begin() + static_cast<long>(at));
}

size_t find(const std::vector<std::string>& v, const std::string& line, size_t from = 0) {
    for (size_t i = from; i < v.size(); ++i)
        if (v[i] == line) return i;
    return v.size();
}

TEST(AcadScript, FirstSurfaceOfRadiusFifty) {
    Model m = lenswithstop(1);
    ScriptedInteraction ask;
    const CadDrawing d = acadscript(m, false, ask);
    ASSERT_TRUE(d.outcome.ok());
    EXPECT_TRUE(ask.asked.empty());
    // sag (50 - sqrt(2500 - 100))·10 = 10.102 at edge height 10.
    const size_t arc = find(d.script, "arc");
    ASSERT_LT(arc, d.script.size());
    EXPECT_TRUE(has(d.script, arc, {"arc", "10.10,100.00", "nea", "0.00,0.0", "10.10,-100.00"}));
    EXPECT_EQ(d.section.edgeh[0], 10);
    // The second surface at 60 (mm·10) bulges back by the same sag.
    EXPECT_TRUE(has(d.script, arc + 5, {"arc", "49.90,100.00", "nea", "60.00,0.0", "49.90,-100.00"}));
    // With the stop on surface 1 every surface is drawn: the plane stop as a vertical line.
    EXPECT_LT(find(d.script, "110.00,30.00"), d.script.size());
    EXPECT_EQ(d.script.back(), "redraw");
}

// Script and drawing are written both or neither: a DXF path that cannot be written (a
// folder stands there) puts the script back as it was; a drawing with a number that is not
// finite writes nothing.
TEST(AcadScript, FilesAreWrittenBothOrNeither) {
    Model m = lenswithstop(1);
    ScriptedInteraction ask;
    CadDrawing d = acadscript(m, true, ask);
    ASSERT_TRUE(d.outcome.ok());
    const auto dir = test::freshdir("cadfiles");
    const std::string scr = (dir / "L.scr").string(), dxf = (dir / "L.dxf").string();
    std::filesystem::create_directory(dxf);
    EXPECT_NE(writecadfiles(m.lens, d, scr, dxf), "");
    EXPECT_FALSE(std::filesystem::exists(scr));
    ASSERT_EQ(writefileatomic(scr, "old script"), "");
    EXPECT_NE(writecadfiles(m.lens, d, scr, dxf), "");
    EXPECT_EQ(readtextfile(scr).value_or(""), "old script");
    std::filesystem::remove(dxf);
    ASSERT_EQ(writecadfiles(m.lens, d, scr, dxf), "");
    EXPECT_NE(readtextfile(scr).value_or(""), "old script");
    EXPECT_TRUE(std::filesystem::is_regular_file(dxf));

    ASSERT_FALSE(d.rays.empty());
    d.rays[0].y[0] = std::nan("");
    std::filesystem::remove(scr);
    std::filesystem::remove(dxf);
    EXPECT_EQ(writecadfiles(m.lens, d, scr, dxf), nonfinitemsg);
    EXPECT_FALSE(std::filesystem::exists(scr));
    EXPECT_FALSE(std::filesystem::exists(dxf));
}

TEST(AcadScript, StopSurfaceIsLeftOutAndConstructionIsAsked) {
    Model m = lenswithstop(3);
    m.lens.sys.sp.hmax[2] = 8;   // all apertures at least 4: the construction type is asked
    ScriptedInteraction ask;
    ask.choices = {0};
    const CadDrawing d = acadscript(m, false, ask);
    ASSERT_TRUE(d.outcome.ok());
    EXPECT_EQ(ask.asked, std::vector<std::string>{"Construction Type"});
    for (const auto& line : d.script) EXPECT_EQ(line.find("110.00,"), std::string::npos) << line;
    ask.choices = {std::nullopt};
    const CadDrawing c = acadscript(m, false, ask);
    EXPECT_TRUE(c.outcome.cancelled);
    EXPECT_TRUE(c.script.empty());
}

TEST(AcadScript, NumberTextsAreCutNotRounded) {
    // A lens far from the object: the vertex x 123456.789 is "123456.79" in F(6.2); the text
    // keeps its first eight characters, "123456.7" (rounding would give "123456.8").
    Model m = buildobjective({{"S", 0, 5, 1.5168, 0.008, 3}, {"S", 0, 20, 1, 0, 3}}, 1, 0.02, {2}, 6);
    m.lens.sys.sp.sep[0] = 12345.6789;
    ScriptedInteraction ask;
    const CadDrawing d = acadscript(m, false, ask);
    EXPECT_LT(find(d.script, "123456.7,30.00"), d.script.size());
}

TEST(AcadScript, EdgeBeyondTheRadiusGivesTheClampedSag) {
    Model m = lenswithstop(1);
    m.lens.sys.sp.radius[0] = 8;   // smaller than the edge height 10
    m.lens.sys.sp.curv[0] = 1.0 / 8;
    ScriptedInteraction ask;
    const CadDrawing d = acadscript(m, false, ask);
    for (const auto& line : d.script) EXPECT_EQ(line.find("nan"), std::string::npos);
    EXPECT_TRUE(has(d.script, find(d.script, "arc"), {"arc", "80.00,100.00"}));
}

// A small DXF reader: the entities as lists of (code, value) pairs.
struct Entity {
    std::string type;
    std::multimap<int, std::string> values;
    double get(int code) const { return std::stod(values.find(code)->second); }
};

std::vector<Entity> entities(const std::string& text) {
    std::istringstream in(text);
    std::vector<Entity> out;
    std::string code, value;
    bool inentities = false;
    while (std::getline(in, code) && std::getline(in, value)) {
        const int c = std::stoi(code);
        if (c == 2 && value == "ENTITIES") inentities = true;
        if (!inentities) continue;
        if (c == 0) {
            if (value == "ENDSEC") break;
            out.push_back({value, {}});
        } else if (!out.empty()) {
            out.back().values.emplace(c, value);
        }
    }
    return out;
}

TEST(SectionDxf, ArcsLieOnTheSurfaces) {
    Model m = lenswithstop(1);
    ScriptedInteraction ask;
    const CadDrawing d = acadscript(m, true, ask);
    ASSERT_TRUE(d.outcome.ok()) << d.outcome.error;
    const std::string text = sectiondxf(m.lens, d);
    EXPECT_EQ(text.substr(text.size() - 6), "0\nEOF\n");
    const auto es = entities(text);
    std::vector<Entity> arcs;
    int polylines = 0, vertices = 0;
    for (const auto& e : es) {
        if (e.type == "ARC") arcs.push_back(e);
        polylines += e.type == "POLYLINE";
        vertices += e.type == "VERTEX";
    }
    ASSERT_EQ(arcs.size(), 2u);
    const double vertex[] = {0, 6}, radius[] = {50, -50};
    for (size_t k = 0; k < 2; ++k) {
        const Entity& a = arcs[k];
        EXPECT_NEAR(a.get(10), vertex[k] + radius[k], 1e-6);
        EXPECT_NEAR(a.get(20), 0, 1e-12);
        EXPECT_NEAR(a.get(40), std::fabs(radius[k]), 1e-6);
        // The arc passes through the vertex and ends at the edge height 10 on both sides.
        const double pi = std::acos(-1.0);
        for (int code : {50, 51}) {
            const double t = a.get(code) * pi / 180;
            EXPECT_NEAR(std::fabs(a.get(40) * std::sin(t)), 10, 1e-4);
        }
        // Counter-clockwise from the start angle to the end angle, across 0 when needed.
        const double end = a.get(51) < a.get(50) ? a.get(51) + 360 : a.get(51);
        const double mid = (a.get(50) + end) / 2 * pi / 180;
        EXPECT_NEAR(a.get(10) + a.get(40) * std::cos(mid), vertex[k], 1e-6);
    }
    EXPECT_EQ(polylines, static_cast<int>(d.rays.size()));
    EXPECT_GT(polylines, 0);
    EXPECT_GT(vertices, polylines);
}

}  // namespace
}  // namespace zefo
