#include <gtest/gtest.h>

#include <filesystem>

#include "core/edit/newsystem.h"
#include "core/edit/rayedit.h"
#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo {
namespace {

NewGeneral cookegeneral() {
    NewGeneral g;
    g.name = "COOKE";
    g.nsurf = "  7";
    g.stop = "5";
    g.mag = "0";
    g.na = "0.1443";
    g.nfields = 4;
    return g;
}

TEST(NewGeneral, EveryEntryIsCheckedBeforeAnythingIsStored) {
    const struct { int entry; const char* typed; int bad; std::string msg; } cases[] = {
        {ngName, "  ", ngName, newmsg::noname}, {ngName, "a/b", ngName, genmsg::badname},
        {ngName, "x..y", ngName, genmsg::badname}, {ngName, "a*", ngName, genmsg::badname},
        {ngSurfaces, "0", ngSurfaces, newmsg::nosurfaces}, {ngSurfaces, "", ngSurfaces, newmsg::nosurfaces},
        {ngSurfaces, "255", ngSurfaces, newmsg::toomanysurfaces},
        {ngStop, "0", ngStop, genmsg::badstop}, {ngStop, "8", ngStop, genmsg::badstop},
        {ngMag, "x", ngMag, notanumbermsg}, {ngNa, "1.5", ngNa, genmsg::badna},
        {ngNa, "0", ngMag, newmsg::nomagnorna},   // with mag 0
    };
    for (const auto& c : cases) {
        Model m;
        newsystemstart(m);
        const OpticalSystem before = m.lens;
        NewGeneral g = cookegeneral();
        std::string* entry[] = {&g.name, &g.nsurf, &g.stop, &g.mag, &g.na};
        *entry[c.entry] = c.typed;
        const EditResult r = newgeneral(m, g);
        EXPECT_EQ(r.badfield, c.bad) << c.typed;
        EXPECT_EQ(r.message, c.msg) << c.typed;
        EXPECT_EQ(m.lens, before) << c.typed;
    }
}

TEST(NewTelescope, PageChecksAndTypes) {
    Model m;
    newsystemstart(m);
    NewGeneral g = cookegeneral();
    g.na = "0";
    g.mag = "4";
    ASSERT_TRUE(newgeneral(m, g).ok());
    EXPECT_EQ(m.lens.na, 0);   // a telescope: its page comes next
    const struct { NewTelescope in; int bad; const char* msg; } cases[] = {
        {{0, 'D', "", "5", ""}, ntType, newmsg::notype},
        {{4, 0, "", "5", ""}, ntObjinf, newmsg::noobjpos},
        {{4, 'N', "0", "5", ""}, ntObjdist, newmsg::badobjdist},
        {{4, 'N', "x", "5", ""}, ntObjdist, notanumbermsg},
        {{4, 'D', "", "-1", ""}, ntEph, newmsg::badeph},
        {{6, 'D', "", "5", "0"}, ntEye, newmsg::zeroeye},
    };
    for (const auto& c : cases) {
        const EditResult r = newtelescope(m, c.in);
        EXPECT_EQ(r.badfield, c.bad) << c.msg;
        EXPECT_EQ(r.message, c.msg);
    }
    ASSERT_TRUE(newtelescope(m, {6, 'D', "", "5", "10"}).ok());
    EXPECT_EQ(m.lens.systype, 6);
    EXPECT_EQ(m.eyedist, 10);
    // Apply twice with three wavelengths: Galilean stays 7.
    NewFields f;
    f.field = {"", "1", "2", "3"};
    f.threewl = true;
    ASSERT_TRUE(newapply(m, f).ok());
    ASSERT_TRUE(newapply(m, f).ok());
    EXPECT_EQ(m.lens.systype, 7);
}

TEST(NewApply, FieldsSchemeAndMeritSize) {
    const struct { std::array<std::string, 4> field; bool full, three; int bad; int nrays, naber; std::vector<int> chief; } cases[] = {
        {{"", "5", "5", "7"}, false, false, -1, 24, 64, {3, 10, 17}},   // equal neighbours pass
        {{"", "5", "6", "7"}, true, true, -1, 34, 135, {4, 14, 24}},
        {{"", "7", "5", "9"}, true, false, 2, 0, 0, {}},
        {{"", "0", "5", "9"}, true, false, 1, 0, 0, {}},
        {{"", "1", "2", ""}, true, false, 3, 0, 0, {}},
    };
    for (const auto& c : cases) {
        Model m;
        newsystemstart(m);
        ASSERT_TRUE(newgeneral(m, cookegeneral()).ok());
        NewFields f;
        f.field = c.field;
        f.fullscheme = c.full;
        f.threewl = c.three;
        const EditResult r = newapply(m, f);
        EXPECT_EQ(r.badfield, c.bad) << c.field[2];
        if (c.bad >= 0) continue;
        EXPECT_EQ(m.lens.nrays, c.nrays);
        EXPECT_EQ(m.lens.naber, c.naber);
        EXPECT_EQ(m.lens.aberweight.size(), static_cast<size_t>(c.naber));
        for (size_t k = 0; k < c.chief.size(); ++k) {
            EXPECT_EQ(m.lens.rays.rl[static_cast<size_t>(c.chief[k])], 13);
            EXPECT_EQ(m.lens.rays.yrel[static_cast<size_t>(c.chief[k])], m.lens.field[k + 1]);
        }
    }
}

TEST(NewRayGrid, EmptyCoordinatesAreRefused) {
    Model m;
    newsystemstart(m);
    NewGeneral g = cookegeneral();
    g.nfields = 2;
    ASSERT_TRUE(newgeneral(m, g).ok());
    NewFields f;
    f.field = {"", "10", "", ""};
    f.raytype = 10;
    ASSERT_TRUE(newapply(m, f).ok());
    auto& r = m.lens.rays;
    ASSERT_EQ(r.rl.size(), 6u);
    EXPECT_EQ(raygriderror(m.lens, true), newmsg::zerolabel);
    std::fill(r.rl.begin(), r.rl.end(), 1);
    r.yrel[1] = 1;
    EXPECT_EQ(raygriderror(m.lens, true), newmsg::zerorel);   // every xrel 0
    r.xrel[2] = 0.5;
    EXPECT_EQ(raygriderror(m.lens, true), "");
    r.x[0] = r.y[0] = 1;
    r.l[1] = 0.8;
    EXPECT_EQ(raygriderror(m.lens, false), newmsg::zeroabs);
    r.m[1] = 0.8;   // 0.64 + 0.64 > 1
    EXPECT_EQ(raygriderror(m.lens, false), raymsg::lmsum);
}

TEST(NewSurfaces, GridChecksLimitsAndClearApertures) {
    Model m;
    newsystemstart(m);
    NewGeneral g = cookegeneral();
    g.nsurf = "3";
    g.stop = "1";
    ASSERT_TRUE(newgeneral(m, g).ok());
    NewFields f;
    f.field = {"", "5", "7", "9"};
    ASSERT_TRUE(newapply(m, f).ok());
    newsystemdefaults(m);
    EXPECT_EQ(m.lens.tri, GlassTriangle{});
    EXPECT_EQ(m.lens.up, -0.1443);
    auto& sp = m.lens.sys.sp;
    EXPECT_EQ(surfacegriderror(m.lens), "Some radii must be different from zero!");
    sp.curv[0] = 0.02;
    sp.radius[0] = 50;
    EXPECT_EQ(surfacegriderror(m.lens), "Each distance must be different from zero!");
    sp.sep[1] = 1.5;
    sp.sep[2] = 3;
    EXPECT_EQ(surfacegriderror(m.lens), "Some glasses must be different from air!");
    sp.surflabel[1] = "M";   // mirrors in air: a system without glass
    EXPECT_EQ(surfacegriderror(m.lens), "Clear apertures must be different from zero!");
    sp.surflabel[1] = "S";
    sp.glass[2] = "BK7";
    sp.index[2] = {-1.5, -1.5, -1.5};   // a mirror space
    EXPECT_EQ(surfacegriderror(m.lens), "Clear apertures must be different from zero!");
    sp.hmax = {10, 12, 11, 20};
    EXPECT_EQ(surfacegriderror(m.lens), "");
    m.lens.sepmax[1] = 4;   // typed: kept
    acceptsurfaces(m);
    EXPECT_EQ(m.lens.radmin[0], 50);
    EXPECT_EQ(m.lens.sepmin[1], 1.5);
    EXPECT_EQ(m.lens.sepmax[1], 4);
    EXPECT_EQ(m.lens.targdopsis, 4.5);
    EXPECT_EQ(m.lens.targdst, 3);
    EXPECT_EQ(m.lens.edgelim[1], 0.5);
    EXPECT_EQ(m.lens.axlim[2], -1.0);

    // nsurf 1: a single surface in air passes.
    Model one;
    newsystemstart(one);
    g.nsurf = "1";
    ASSERT_TRUE(newgeneral(one, g).ok());
    newsystemdefaults(one);
    EXPECT_EQ(surfacegriderror(one.lens), "Radius must be different from zero!");
    one.lens.sys.sp.curv[0] = 0.01;
    EXPECT_EQ(surfacegriderror(one.lens), "Clear aperture must be different from zero!");
    one.lens.sys.sp.hmax[0] = 5;
    EXPECT_EQ(surfacegriderror(one.lens), "");
}

// The Cooke triplet of the samples, typed through the wizard and the surface grid.
TEST(NewSystem, CookeTripletReproducesTheSample) {
    const auto dir = test::freshdir("newcooke");
    GlassCatalog cat;
    ASSERT_EQ(cat.open(dir.string() + "/"), "");
    Model m;
    newsystemstart(m);
    ASSERT_TRUE(newgeneral(m, cookegeneral()).ok());
    NewFields f;
    f.field = {"", "5.93", "8.302", "11.86"};
    f.fullscheme = true;
    f.threewl = true;
    ASSERT_TRUE(newapply(m, f).ok());
    newsystemdefaults(m);
    const struct { const char* radius; const char* sepafter; const char* glass; } rows[] = {
        {"37.40", "5.90", "SK4"}, {"-341.48", "12.93", "air"}, {"-42.65", "2.50", "SF2"},
        {"36.40", "2.00", "air"}, {"0", "9.85", "air"}, {"204.52", "5.90", "SK4"},
        {"-37.05", "70", "air"}};
    const GlassLookup lookup = cataloglookup(cat);
    for (int k = 0; k < 7; ++k) {
        const auto& r = rows[k];
        ASSERT_TRUE(commitsurfcell(m, lookup, k, scradius, r.radius).accepted);
        ASSERT_TRUE(commitsurfcell(m, lookup, k, schmax, k == 4 ? "14" : "16").accepted);
        ASSERT_TRUE(commitsurfcell(m, lookup, k + 1, scsep, r.sepafter).accepted);
        ASSERT_TRUE(commitsurfcell(m, lookup, k + 1, scglass, r.glass).accepted) << r.glass;
    }
    ASSERT_TRUE(commitsurfcell(m, lookup, 7, schmax, "22").accepted);
    ASSERT_EQ(surfacegriderror(m.lens), "");
    acceptsurfaces(m);
    const std::string path = (dir / "COOKE.dat").string();
    ASSERT_TRUE(writefileatomic(path, "old").empty());
    ASSERT_EQ(newsystemfinish(m, path), "") << m.errmsg;
    // Published focal length and back focus of the triplet (samples/README.md).
    EXPECT_NEAR(m.lens.efl, 101.181, 0.002);
    EXPECT_NEAR(m.lens.sys.sp.sep[7], 77.405, 0.002);
    EXPECT_EQ(m.lens.clearlim[0], 20);   // 1.25 x the largest clear aperture
    EXPECT_EQ(m.lens.clearlim[7], 1.25 * m.lens.sys.sp.hmax[7]);   // the image radius the scheme found
    EXPECT_EQ(m.lens.naber, 135);
    OpticalSystem back;
    ASSERT_EQ(loadlensfile(path, back), "");
    EXPECT_EQ(back.sysname, "COOKE");
    EXPECT_NEAR(back.efl, 101.181, 0.002);

    // A failing New leaves the file it would have replaced.
    m.lens.sys.sp.curv.assign(8, 0.0);
    m.lens.sys.sp.radius.assign(8, 0.0);
    m.lens.na = 0.1443;
    const std::string before = readtextfile(path).value();
    newsystemfinish(m, path);
    EXPECT_EQ(readtextfile(path).value(), before);
}

}  // namespace
}  // namespace zefo
