#include <gtest/gtest.h>

#include <cmath>

#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/util/numfmt.h"
#include "testsystems.h"

namespace zefo {
namespace {

// Four surfaces with distinct radii; the stop on surface 3.
Model fourlens() {
    Model m = buildobjective({{"S", 10, 2, 1.5, 0.008, 8},
                              {"S", 20, 3, 1.0, 0, 8},
                              {"S", 30, 4, 1.6, 0.01, 8},
                              {"S", 40, 50, 1.0, 0, 8}},
                             3, 0.1, {10, 14}, 17);
    return m;
}

std::vector<double> radii(const Model& m) {
    return {m.lens.sys.sp.radius.begin(), m.lens.sys.sp.radius.begin() + m.lens.nsurf};
}

// A fake catalogue: "N15" has n^2 = 2.25 + 0.01 / lambda^2 (lambda in micrometres).
GlassLookup fakecatalog() {
    return [](const std::string& name) -> std::optional<GlassRecord> {
        if (name != "N15") return std::nullopt;
        GlassRecord g;
        g.name = name;
        g.a = {2.25, 0, 0.01, 0, 0, 0};
        return g;
    };
}

double fakeindex(double wlmm) {
    const double um = wlmm * 1000;
    return std::sqrt(2.25 + 0.01 / (um * um));
}

TEST(OptLabel, GrammarReportsTheFirstViolation) {
    const std::string bad = surfmsg::badoptlabel;
    const struct { const char* label; std::string msg; } cases[] = {
        {"", ""}, {"C", ""}, {"CDG", ""}, {"A4A6A8A10", ""}, {"CDGA4A6A8A10", ""}, {"EDC", ""},
        {"C D", bad},                 // an inner blank is not allowed
        {"CDGA4A6A8A10C", bad},       // 13 characters
        {"X", bad}, {"A", bad}, {"A1", bad}, {"A5", bad}, {"10", bad}, {"4", bad},
        {"AA4", bad},
        {"CC", "You can have only one C label!"},
        {"DGD", "You can have only one D label!"},
        {"GG", "You can have only one G label!"},
        {"EE", "You can have only one E label!"},
        {"A4CA4", "You can have only one A4 label!"},
        {"A6A6", "You can have only one A6 label!"},
        {"A8A8", "You can have only one A8 label!"},
        {"A10A10", "You can have only one A10 label!"},
        {"EA4", surfmsg::eanda}, {"A10E", surfmsg::eanda},
        {"CCX", "You can have only one C label!"},   // the first violation wins
        {"XCC", bad},
    };
    for (const auto& c : cases) EXPECT_EQ(optlabelerror(c.label), c.msg) << c.label;
}

TEST(SurfaceCommands, StopSurfaceFollowsItsSurface) {
    // Each case: command, surface number s, stop before → stop after, radii after. The new
    // row starts as a copy of the surface that was at its place.
    const struct { const char* cmd; int s, stop, stopafter; std::vector<double> radii; } cases[] = {
        {"delete", 3, 3, 2, {10, 20, 40}},      // the stop itself: the surface in front
        {"delete", 1, 3, 2, {20, 30, 40}},
        {"delete", 4, 3, 3, {10, 20, 30}},      // behind the stop: unchanged
        {"delete", 1, 1, 1, {20, 30, 40}},      // never 0
        {"before", 3, 3, 4, {10, 20, 30, 30, 40}},
        {"before", 4, 3, 3, {10, 20, 30, 40, 40}},
        {"after", 3, 3, 3, {10, 20, 30, 40, 40}},  // after the stop: unchanged; a copy of 4
        {"after", 2, 3, 4, {10, 20, 30, 30, 40}},
    };
    for (const auto& c : cases) {
        Model m = fourlens();
        m.lens.stopsurf = c.stop;
        const std::string cmd = c.cmd;
        const std::string err = cmd == "delete" ? deletesurface(m, c.s) : insertsurface(m, c.s, cmd == "after");
        EXPECT_EQ(err, "") << cmd << c.s;
        EXPECT_EQ(m.lens.stopsurf, c.stopafter) << cmd << c.s;
        EXPECT_EQ(radii(m), c.radii) << cmd << c.s;
        EXPECT_EQ(m.lens.sys.sp.radius.size(), static_cast<size_t>(m.lens.nsurf) + 1);
        EXPECT_EQ(m.lens.sepmax.size(), static_cast<size_t>(m.lens.nsurf) + 1);
        EXPECT_EQ(m.lens.mu.size(), static_cast<size_t>(m.lens.nsurf) + 1);
    }
}

TEST(SurfaceCommands, RefusalsLeaveTheLensAlone) {
    Model m = fourlens();
    const OpticalSystem before = m.lens;
    EXPECT_EQ(deletesurface(m, 0), surfmsg::badsurfnumber);
    EXPECT_EQ(deletesurface(m, 5), surfmsg::badsurfnumber);
    EXPECT_EQ(insertsurface(m, 5, true), surfmsg::badsurfnumber);
    EXPECT_EQ(m.lens, before);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(deletesurface(m, 1), "");
    EXPECT_EQ(deletesurface(m, 1), surfmsg::lastsurface);
    EXPECT_EQ(m.lens.nsurf, 1);
    while (m.lens.nsurf < maxsurf) ASSERT_EQ(insertsurface(m, 1, false), "");
    EXPECT_EQ(insertsurface(m, 1, false), surfmsg::toomanysurfaces);
    EXPECT_EQ(m.lens.nsurf, maxsurf);
}

TEST(SurfaceCell, ConicAndAsphericLabelsCreateTheData) {
    Model m = fourlens();
    ASSERT_EQ(m.lens.asphdata, 'N');
    const CellCommit e = commitsurfcell(m, fakecatalog(), 1, sclabel, " e ");
    EXPECT_TRUE(e.accepted && e.changed);
    EXPECT_EQ(e.request, CellCommit::conicdialog);
    EXPECT_EQ(m.lens.sys.sp.surflabel[1], "E");
    EXPECT_EQ(m.lens.asphdata, 'D');
    EXPECT_EQ(m.lens.sys.asf.eps, std::vector<double>(5, 0.0));
    EXPECT_EQ(m.lens.sys.asf.a10, std::vector<double>(5, 0.0));
    EXPECT_EQ(m.lens.asphflag, 1);
    // The same label committed again asks nothing more.
    EXPECT_EQ(commitsurfcell(m, fakecatalog(), 1, sclabel, "E").request, CellCommit::none);
    EXPECT_EQ(m.lens.asphflag, 1);
    EXPECT_EQ(commitsurfcell(m, fakecatalog(), 2, sclabel, "am").request, CellCommit::asphericdialog);
    // A surface inserted in front keeps the aspheric rows in step.
    m.lens.sys.asf.eps[1] = -1;
    ASSERT_EQ(insertsurface(m, 1, false), "");
    EXPECT_EQ(m.lens.sys.asf.eps[2], -1);
    EXPECT_EQ(m.lens.sys.asf.eps.size(), 6u);

    const CellCommit bad = commitsurfcell(m, fakecatalog(), 0, sclabel, "X");
    EXPECT_FALSE(bad.accepted);
    EXPECT_EQ(bad.message, surfmsg::badlabel);
    EXPECT_EQ(bad.restore, "S");
    EXPECT_EQ(m.lens.sys.sp.surflabel[0], "S");
}

TEST(SurfaceCell, MirrorSignFlipsOnlyOnTransitions) {
    // label typed in order → sign of the row's indices afterwards and the stored label. "M"
    // alone is never stored: the row keeps its label and only its signs change.
    const struct { const char* typed; double sign; const char* stored; } steps[] = {
        {"SM", -1, "SM"}, {"MS", -1, "MS"}, {"M", -1, "MS"}, {"S", 1, "S"},
        {"M", -1, "S"}, {"SM", 1, "SM"}, {"E", -1, "E"}, {"M", 1, "E"},
    };
    Model m = fourlens();
    const Index3 n = m.lens.sys.sp.index[1];
    const double d = m.lens.sys.sp.disp[1];
    for (const auto& s : steps) {
        const CellCommit c = commitsurfcell(m, fakecatalog(), 1, sclabel, s.typed);
        if (std::string(s.typed) == "M") {
            EXPECT_EQ(c.request, CellCommit::none);   // no dialog for "M"
        }
        EXPECT_EQ(m.lens.sys.sp.surflabel[1], s.stored) << s.typed;
        for (int w = 0; w < 3; ++w) EXPECT_EQ(m.lens.sys.sp.index[1][w], s.sign * n[w]) << s.typed;
        EXPECT_EQ(m.lens.sys.sp.disp[1], s.sign * d) << s.typed;
    }
}

TEST(SurfaceCell, NumbersRadiusAndClearAperture) {
    Model m = fourlens();
    auto& sp = m.lens.sys.sp;
    EXPECT_TRUE(commitsurfcell(m, fakecatalog(), 0, scradius, "0").changed);
    EXPECT_EQ(sp.curv[0], 0);   // plane
    commitsurfcell(m, fakecatalog(), 0, scradius, " -2 5,0 ");
    EXPECT_DOUBLE_EQ(sp.curv[0], -1 / 25.0);
    EXPECT_EQ(commitsurfcell(m, fakecatalog(), 0, scradius, "-25.000").changed, false);

    // Empty and a lone sign are ignored; bad numbers restore the shown text.
    const OpticalSystem before = m.lens;
    for (const char* t : {"", "-", "  "})
        EXPECT_TRUE(commitsurfcell(m, fakecatalog(), 1, scsep, t).accepted) << t;
    const struct { int col; const char* typed; const char* msg; } bad[] = {
        {scsep, "1x", notanumbermsg},
        {scradmin, "--1", notanumbermsg},
        {schmax, "abc", notanumbermsg},
        {schmax, "0", surfmsg::hmaxnotpositive},
        {schmax, "-3", surfmsg::hmaxnotpositive},
        {schmax, "25", surfmsg::hmaxoverradius},    // |25 / -25| = 1
    };
    for (const auto& b : bad) {
        const CellCommit c = commitsurfcell(m, fakecatalog(), 0, b.col, b.typed);
        EXPECT_FALSE(c.accepted) << b.typed;
        EXPECT_EQ(c.message, b.msg) << b.typed;
        EXPECT_EQ(c.restore, surfcelltext(m.lens, 0, b.col));
    }
    EXPECT_EQ(m.lens, before);
    EXPECT_TRUE(commitsurfcell(m, fakecatalog(), 0, schmax, "24.9").accepted);
    EXPECT_EQ(surfcelltext(m.lens, 0, schmax), " 24.90");

    // A conic ends where its sag's square root does: 1 / (|c| sqrt(1 + k)), for an
    // ellipsoid of k = -0.63 at R 25 at 41.1; a paraboloid never.
    m.lens.asphdata = 'D';
    allocsystem(m);
    sp.surflabel[0] = "E";
    m.lens.sys.asf.eps[0] = -0.63;
    const double edge = 25 / std::sqrt(0.37);
    EXPECT_TRUE(commitsurfcell(m, fakecatalog(), 0, schmax, "41").accepted);
    EXPECT_EQ(commitsurfcell(m, fakecatalog(), 0, schmax, "41.2").message, surfmsg::hmaxoverradius) << edge;
    m.lens.sys.asf.eps[0] = -1;
    EXPECT_TRUE(commitsurfcell(m, fakecatalog(), 0, schmax, "1000").accepted);
    sp.surflabel[0] = "S";
    sp.hmax[0] = 24.9;

    // Curvature mode: the curvature column drives the radius.
    m.lens.radiiflag = 'N';
    commitsurfcell(m, fakecatalog(), 2, scradius, "0.02");
    EXPECT_DOUBLE_EQ(sp.radius[2], 50);
    EXPECT_EQ(surfcelltext(m.lens, 2, scradius), " 0.0200000");
    EXPECT_EQ(surfheader(scradius, false), "  Curvature");
    EXPECT_EQ(surfcelltext(m.lens, 4, scnumber), "IMG");
}

TEST(SurfaceCell, GlassIsLookedUpBeforeTheModelChanges) {
    Model m = fourlens();
    auto& sp = m.lens.sys.sp;
    const Index3 wl = m.lens.wl;
    ASSERT_TRUE(commitsurfcell(m, fakecatalog(), 1, scglass, " N15 ").changed);
    for (int w = 0; w < 3; ++w) EXPECT_NEAR(sp.index[1][w], fakeindex(wl[w]), 1e-12);
    EXPECT_NEAR(sp.disp[1], fakeindex(wl[2]) - fakeindex(wl[1]), 1e-12);
    EXPECT_EQ(sp.glass[1], "N15");

    const OpticalSystem before = m.lens;
    const CellCommit c = commitsurfcell(m, fakecatalog(), 1, scglass, "NOSUCH");
    EXPECT_EQ(c.message, surfmsg::glassnotfound);
    EXPECT_EQ(c.restore, "N15");
    EXPECT_EQ(m.lens, before);

    for (const char* air : {"air", "AIR"}) {
        commitsurfcell(m, fakecatalog(), 1, scglass, "N15");
        commitsurfcell(m, fakecatalog(), 1, scglass, air);
        EXPECT_EQ(sp.index[1], (Index3{1, 1, 1})) << air;
        EXPECT_EQ(sp.disp[1], 0) << air;
    }
    // A mirror space keeps its sign.
    commitsurfcell(m, fakecatalog(), 1, sclabel, "SM");
    commitsurfcell(m, fakecatalog(), 1, scglass, "N15");
    EXPECT_NEAR(sp.index[1][0], -fakeindex(wl[0]), 1e-12);
}

TEST(SurfaceBlock, LayoutAndRoundTrip) {
    Model m = fourlens();
    auto& sp = m.lens.sys.sp;
    sp.optlabel[1] = "CD";
    sp.glass[1] = "N15";
    sp.curv[1] = 0.5;
    sp.radius[1] = 2;
    sp.hmax[1] = 1.5;   // inside the radius
    const std::vector<uint8_t> b = surfblock(m.lens, 1);
    ASSERT_EQ(b.size(), 142u);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 'S');
    EXPECT_EQ(b[4], 2);
    EXPECT_EQ(std::string(b.begin() + 5, b.begin() + 7), "CD");
    // 0.5 = 0x3FE0000000000000, least significant byte first.
    const std::vector<uint8_t> half = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 26, b.begin() + 34), half);
    EXPECT_EQ(b[106], 3);
    EXPECT_EQ(std::string(b.begin() + 107, b.begin() + 110), "N15");
    // 2.0 = 0x4000000000000000 in the radius field (radius mode).
    EXPECT_EQ(b[25], 0x40);

    ASSERT_EQ(pastesurface(m, fakecatalog(), 4, b), "");   // before surface 4: row 3
    const OpticalSystem& l = m.lens;
    EXPECT_EQ(l.nsurf, 5);
    EXPECT_EQ(l.sys.sp.optlabel[3], "CD");
    EXPECT_EQ(l.sys.sp.glass[3], "N15");
    EXPECT_EQ(l.sys.sp.radius[3], 2);
    EXPECT_EQ(l.sys.sp.curv[3], 0.5);
    for (int w = 0; w < 3; ++w)   // the catalogue's indices, as typing the glass gives them
        EXPECT_NEAR(l.sys.sp.index[3][w], fakeindex(l.wl[w]), 1e-12) << w;
    EXPECT_EQ(l.sepmax[3], l.sepmax[1]);
    EXPECT_EQ(l.sys.sp.hmax[3], 1.5);
    EXPECT_EQ(l.sys.sp.radius[4], 40);   // the surfaces behind move down
}

// A paste passes the checks of typing its values into the cells: a block that fails one is
// refused with the reason and the lens is unchanged; a typed value the file could not hold
// is refused as well.
TEST(SurfaceBlock, DamagedBlocksAreRefusedAndTheLensKept) {
    Model m = fourlens();
    m.lens.sys.sp.glass[2] = "N15";
    const std::vector<uint8_t> good = surfblock(m.lens, 2);
    const auto changed = [&](auto change) {
        std::vector<uint8_t> b = good;
        change(b);
        return b;
    };
    const double nan = std::nan(""), subnormal = 1e-310;
    const struct { const char* what; std::vector<uint8_t> block; std::string message; } cases[] = {
        {"short", std::vector<uint8_t>(good.begin(), good.begin() + 30), surfmsg::badblock},
        {"long", changed([](auto& b) { b.push_back(0); }), surfmsg::badblock},
        {"glass length beyond its field", changed([](auto& b) { b[106] = 200; }), surfmsg::badblock},
        {"control character in the glass", changed([](auto& b) { b[107] = 1; }), surfmsg::badblock},
        {"optimization label of garbage", changed([](auto& b) { b[4] = 3; b[5] = b[6] = b[7] = 'Z'; }), surfmsg::badoptlabel},
        {"surface label", changed([](auto& b) { b[1] = 'Q'; }), surfmsg::badlabel},
        {"radius not a number", changed([&](auto& b) { leblock::putdouble(b, 18, nan); }),
         std::string(surfmsg::badblock) + ": " + notanumbermsg},
        {"separation above 1E+30", changed([](auto& b) { leblock::putdouble(b, 34, 2e30); }),
         std::string(surfmsg::badblock) + ": " + notanumbermsg},
        {"subnormal radius", changed([&](auto& b) { leblock::putdouble(b, 18, subnormal); }), surfmsg::outofrange},
        {"glass not in the catalogue", changed([](auto& b) { b[107] = 'X'; }), surfmsg::glassnotfound},
        {"negative clear aperture", changed([](auto& b) { leblock::putdouble(b, 42, -1.0); }), surfmsg::hmaxnotpositive},
        {"clear aperture beyond the radius", changed([](auto& b) { leblock::putdouble(b, 42, 31.0); }),
         surfmsg::hmaxoverradius},
    };
    const Model before = m;
    for (const auto& c : cases) {
        EXPECT_EQ(pastesurface(m, fakecatalog(), 2, c.block), c.message) << c.what;
        EXPECT_EQ(m.lens, before.lens) << c.what;
    }
    EXPECT_EQ(pastesurface(m, fakecatalog(), 2, good), "");
    // typed: a radius whose curvature is beyond 1E+30, a number beyond 1E+30
    Model t = fourlens();
    EXPECT_EQ(commitsurfcell(t, fakecatalog(), 0, scradius, "1e-310").message, surfmsg::outofrange);
    EXPECT_EQ(commitsurfcell(t, fakecatalog(), 0, scsep, "1e31").message, notanumbermsg);
    EXPECT_EQ(t.lens, fourlens().lens);
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

TEST(SurfaceDialogs, ConicAsphericAndNewSurface) {
    Model m = fourlens();
    ASSERT_EQ(commitsurfcell(m, fakecatalog(), 1, sclabel, "A").request, CellCommit::asphericdialog);
    EXPECT_EQ(commitconic(m, 1, "0").message, surfmsg::zeroconic);
    EXPECT_EQ(commitconic(m, 1, "x").restore, "  0.000000");
    EXPECT_TRUE(commitconic(m, 1, "-1").accepted);
    EXPECT_EQ(m.lens.sys.asf.eps[1], -1);
    const AsphericCommit bad = commitaspheric(m, 1, {"1e-5", "0", "y", "0"});
    EXPECT_EQ(bad.badfield, 2);
    EXPECT_EQ(m.lens.sys.asf.a4[1], 0);   // nothing stored
    EXPECT_EQ(commitaspheric(m, 1, {"1e-5", "0", "0", "2e-12"}).badfield, -1);
    EXPECT_EQ(m.lens.sys.asf.a10[1], 2e-12);

    ASSERT_EQ(insertsurface(m, 2, false), "");
    const OpticalSystem before = m.lens;
    using Row = std::array<std::string, surfcolumns - 1>;
    // label, optlabel, radius, min, max, distance, min, max, glass, clear aperture → column, message
    const struct { Row typed; int col; std::string msg; } cases[] = {
        {{"S", "C", "50", "0", "0", "0", "0", "0", "air", "5"}, scsep, surfmsg::zerodistance},
        {{"S", "C", "50", "0", "0", "2", "0", "0", "air", "0"}, schmax, surfmsg::zeroaperture},
        {{"Q", "C", "50", "0", "0", "2", "0", "0", "air", "5"}, sclabel, surfmsg::badlabel},
        {{"S", "CC", "50", "0", "0", "2", "0", "0", "air", "5"}, scoptlabel, "You can have only one C label!"},
        {{"S", "C", "", "0", "0", "2", "0", "0", "air", "5"}, scradius, notanumbermsg},
        {{"S", "C", "50", "0", "0", "2", "0", "0", "NOSUCH", "5"}, scglass, surfmsg::glassnotfound},
        {{"S", "C", "4", "0", "0", "2", "0", "0", "air", "5"}, schmax, surfmsg::hmaxoverradius},
        {{"E", "C", "50", "0", "0", "2", "0", "0", "air", "x"}, schmax, notanumbermsg},
    };
    for (const auto& c : cases) {
        const NewSurfaceResult r = newsurface(m, fakecatalog(), 1, c.typed);
        EXPECT_EQ(r.badcolumn, c.col) << c.msg;
        EXPECT_EQ(r.message, c.msg);
        EXPECT_EQ(m.lens, before) << c.msg;
    }
    const NewSurfaceResult ok = newsurface(m, fakecatalog(), 1, {"e", "cd", "50", "40", "60", "2", "1", "3", "N15", "5"});
    ASSERT_EQ(ok.badcolumn, -1) << ok.message;
    EXPECT_EQ(ok.request, CellCommit::conicdialog);
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.curv[1], 0.02);
    EXPECT_EQ(m.lens.sepmax[1], 3);
    const std::vector<std::string> log = {
        "Following data are entered for new surface:", "Surface label E Optimization label CD",
        "Radius     50.000 Separation      2.000 Glass N15 Clear aperture   5.00"};
    EXPECT_EQ(ok.log, log);
}

}  // namespace
}  // namespace zefo
