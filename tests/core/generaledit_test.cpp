#include <gtest/gtest.h>

#include <cmath>

#include "core/edit/generaledit.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace zefo {
namespace {

// A Cooke-like triplet of model glasses named for the fake catalogue, 17 rays, Conrady.
Model triplet() {
    Model m = buildobjective({{"S", 22, 3.3, 1.62, 0.01, 9}, {"S", -435, 5.0, 1.0, 0, 9},
                              {"S", -22, 1.0, 1.62, 0.02, 8}, {"S", 20, 4.0, 1.0, 0, 8},
                              {"S", 79, 3.0, 1.62, 0.01, 8}, {"S", -18, 42, 1.0, 0, 8}},
                             3, 0.1, {14, 20}, 17);
    for (int k : {1, 3, 5}) m.lens.sys.sp.glass[static_cast<size_t>(k)] = "N15";
    initstdrays(m);
    return m;
}

GlassLookup n15catalog() {
    return [](const std::string& name) -> std::optional<GlassRecord> {
        if (name != "N15") return std::nullopt;
        GlassRecord g;
        g.a = {2.25, 0, 0.01, 0, 0, 0};   // n^2 = 2.25 + 0.01 / lambda^2, lambda in micrometres
        return g;
    };
}

double n15index(double wlmm) {
    const double um = wlmm * 1000;
    return std::sqrt(2.25 + 0.01 / (um * um));
}

TEST(ChiefRays, IndicesMatchTheStandardLayouts) {
    const struct { int nrays; std::vector<int> chief; } cases[] = {
        {6, {2}}, {17, {3, 10}}, {24, {3, 10, 17}}, {34, {4, 14, 24}}};
    for (const auto& c : cases) {
        Model m = triplet();
        m.lens.nrays = static_cast<uint8_t>(c.nrays);
        m.lens.nfields = static_cast<uint8_t>(c.chief.size() + 1);
        m.lens.field = {0, 11, 14, 20};
        m.lens.field.resize(m.lens.nfields);
        allocsystem(m);
        initstdrays(m);
        for (size_t f = 1; f <= c.chief.size(); ++f) {
            const int k = chiefrayindex(c.nrays, static_cast<int>(f));
            EXPECT_EQ(k, c.chief[f - 1]) << c.nrays;
            EXPECT_EQ(m.lens.rays.rl[static_cast<size_t>(k)], 13) << c.nrays;   // the chief ray label
            EXPECT_EQ(m.lens.rays.yrel[static_cast<size_t>(k)], m.lens.field[f]) << c.nrays;
        }
    }
}

TEST(GeneralData, EveryEntryIsCheckedBeforeAnythingIsStored) {
    const struct { int entry; const char* typed; int bad; std::string msg; } cases[] = {
        {geName, "", geName, genmsg::badname}, {geName, "a/b", geName, genmsg::badname},
        {geName, "a\\b", geName, genmsg::badname}, {geName, "..x", geName, genmsg::badname},
        {geName, "a b", geName, genmsg::badname}, {geName, "a?", geName, genmsg::badname},
        {geMag, "1..2", geMag, notanumbermsg},
        {geStop, "0", geStop, genmsg::badstop}, {geStop, "7", geStop, genmsg::badstop},
        {geStop, "x", geStop, genmsg::badstop},
        {geAperture, "1.01", geAperture, genmsg::badna}, {geAperture, "-0.1", geAperture, genmsg::badna},
        {geDefocus, "2.5", geDefocus, genmsg::baddefocus},
        {geField + 1, "0", geField + 1, genmsg::zerofield},
        {geField + 2, "10", geField + 2, genmsg::fieldorder},   // below field 2 (14)
        {geField + 2, "abc", geField + 2, notanumbermsg},
    };
    for (const auto& c : cases) {
        Model m = triplet();
        const OpticalSystem before = m.lens;
        GeneralDataInput in = generaldata(m);
        in.mag = "0.5";   // a good change in front of the bad entry is not stored either
        std::string* entry[] = {&in.name, &in.mag, &in.stop, &in.aperture, &in.defocus};
        if (c.entry < geField) *entry[c.entry] = c.typed;
        else in.field[static_cast<size_t>(c.entry - geField)] = c.typed;
        const EditResult r = applygeneraldata(m, in);
        EXPECT_EQ(r.badfield, c.bad) << c.typed;
        EXPECT_EQ(r.message, c.msg) << c.typed;
        EXPECT_EQ(m.lens, before) << c.typed;
    }
}

TEST(GeneralData, ChangesAreStoredAndLogged) {
    Model m = triplet();
    ASSERT_EQ(m.lens.naber, 47);
    GeneralDataInput in = generaldata(m);
    in.name = " TRIPLET ";
    in.field[2] = "21.5";
    in.threewl = true;
    in.defocus = "-0,05";
    const EditResult r = applygeneraldata(m, in);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(m.lens.sysname, "TRIPLET");
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(m.lens.nfields, 3);
    EXPECT_EQ(m.lens.field[2], 21.5);
    EXPECT_EQ(m.lens.rays.yrel[10], 21.5);   // the chief ray of the third field
    EXPECT_EQ(m.lens.systype, 1);
    EXPECT_EQ(m.lens.naber, 69);
    EXPECT_EQ(m.lens.aberweight.size(), 69u);
    EXPECT_EQ(m.merit.name.size(), 69u);
    const std::vector<std::string> log = {
        "New name for optical system is TRIPLET", "New value for defocus is -0.050",
        "New value for third field angle is 21.50", "Chromatic calculation is exact 3 wavelengths"};
    EXPECT_EQ(r.log, log);

    // Unchanged entries change nothing.
    const OpticalSystem now = m.lens;
    const EditResult same = applygeneraldata(m, generaldata(m));
    EXPECT_FALSE(same.changed);
    EXPECT_EQ(m.lens, now);
}

// An entry left as the dialog showed it keeps the exact stored value: OK stores and logs
// only the entries whose text was changed, never the rounded display.
TEST(GeneralData, EntriesLeftAsShownKeepTheirExactValues) {
    Model m = triplet();
    m.lens.na = 0.0983333;
    m.lens.field[1] = 8.302;
    m.lens.defocus = 0.0004;
    GeneralDataInput in = generaldata(m);
    ASSERT_EQ(trimblanks(in.aperture), "0.09833");   // what the dialog shows
    in.field[2] = "20.00";   // as shown: unchanged
    in.mag = " " + in.mag;   // blanks around a shown text change nothing
    in.defocus = "0.1";
    const EditResult r = applygeneraldata(m, in);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.log, std::vector<std::string>{"New value for defocus is  0.100"});
    EXPECT_EQ(m.lens.na, 0.0983333);
    EXPECT_EQ(m.lens.field[1], 8.302);
    EXPECT_EQ(m.lens.defocus, 0.1);

    // The field dialog: the shown "8.30" keeps 8.302; a new third field must be typed.
    const std::array<std::string, 4> typed = {" 0.00", " 8.30", "20.00", "25"};
    ASSERT_TRUE(changefieldcount(m, 4, typed, true).ok());
    EXPECT_EQ(m.lens.field[1], 8.302);
    EXPECT_EQ(m.lens.field[3], 25);
}

TEST(GeneralData, SwitchingToCurvaturesConvertsTheBounds) {
    Model m = triplet();
    m.lens.radmin[0] = 50;
    m.lens.radmax[0] = 0;
    GeneralDataInput in = generaldata(m);
    in.radii = false;
    applygeneraldata(m, in);
    EXPECT_EQ(m.lens.radiiflag, 'N');
    EXPECT_DOUBLE_EQ(m.lens.radmin[0], 0.02);
    EXPECT_EQ(m.lens.radmax[0], 0);
    in.radii = true;
    applygeneraldata(m, in);
    EXPECT_DOUBLE_EQ(m.lens.radmin[0], 50);
}

TEST(FieldCount, NewCountGivesAValidScheme) {
    // fields before → after, full scheme → rays and merit size (Conrady)
    const struct { int n; std::array<std::string, 4> typed; bool full; int nrays, naber; } cases[] = {
        {2, {"", "20", "", ""}, true, 6, 21},
        {4, {"", "10", "14", "20"}, true, 34, 87},
        {4, {"", "10", "14", "20"}, false, 24, 64},
        {3, {"", "14", "20", ""}, true, 17, 47},
    };
    for (const auto& c : cases) {
        Model m = triplet();
        const EditResult r = changefieldcount(m, c.n, c.typed, c.full);
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(m.lens.nfields, c.n);
        EXPECT_EQ(m.lens.nrays, c.nrays);
        EXPECT_EQ(m.lens.naber, c.naber);
        EXPECT_EQ(m.lens.field.size(), static_cast<size_t>(c.n));
        for (uint8_t label : m.lens.rays.rl) EXPECT_NE(label, 0) << c.nrays;
        EXPECT_FALSE(m.calcerror) << m.errmsg;
        const int last = chiefrayindex(c.nrays, c.n - 1);
        EXPECT_EQ(m.lens.rays.yrel[static_cast<size_t>(last)], m.lens.field.back());
    }
    Model m = triplet();
    m.lens.raytype = 0;
    const OpticalSystem before = m.lens;
    EXPECT_EQ(changefieldcount(m, 2, {"", "20", "", ""}, true).message, genmsg::normalrays);
    EXPECT_EQ(changefieldcount(m, 5, {"", "20", "", ""}, true).message, genmsg::badfieldcount);
    EXPECT_EQ(changefieldcount(m, 3, {"", "20", "14", ""}, true).message, genmsg::fieldorder);
    EXPECT_EQ(m.lens, before);
}

TEST(Wavelengths, OtherWavelengthLimits) {
    const struct { const char* nm; double mm; const char* msg; } cases[] = {
        {"350", 0.00035, ""}, {"1500", 0.0015, ""}, {" 5 00,5", 0.0005005, ""},
        {"1600", 0, genmsg::badwavelength}, {"349.9", 0, genmsg::badwavelength},
        {"nm", 0, notanumbermsg},
    };
    for (const auto& c : cases) {
        const WavelengthEntry e = otherwavelength(c.nm);
        EXPECT_EQ(e.message, c.msg) << c.nm;
        EXPECT_NEAR(e.mm, c.mm, 1e-15) << c.nm;
    }
    EXPECT_EQ(spectralline(5), 0.0005876);   // the d line
    EXPECT_EQ(spectralline(0), 0.000365);
}

TEST(Wavelengths, IndicesFollowAllOrNothing) {
    Model m = triplet();
    auto& sp = m.lens.sys.sp;
    sp.index[3] = {-1.62, -1.62, -1.62};   // a mirror space
    const EditResult r = changewavelengths(m, {0.0005461, std::nullopt, 0.0005461}, n15catalog());
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(m.lens.wl[0], 0.0005461);
    EXPECT_NEAR(sp.index[1][0], n15index(0.0005461), 1e-12);
    EXPECT_NEAR(sp.index[1][1], n15index(0.0006563), 1e-12);
    EXPECT_NEAR(sp.index[3][2], -n15index(0.0005461), 1e-12);
    EXPECT_NEAR(sp.disp[1], n15index(0.0005461) - n15index(0.0006563), 1e-12);
    EXPECT_EQ(sp.index[0], (Index3{1, 1, 1}));
    EXPECT_FALSE(m.mono);
    ASSERT_EQ(r.log.size(), 2u);
    EXPECT_EQ(r.log[0], "New value for middle wavelength is 0.0005461");

    changewavelengths(m, {std::nullopt, 0.0005461, std::nullopt}, n15catalog());
    EXPECT_TRUE(m.mono);

    sp.glass[5] = "MISSING";
    const OpticalSystem before = m.lens;
    const EditResult bad = changewavelengths(m, {0.0004861, std::nullopt, std::nullopt}, n15catalog());
    EXPECT_EQ(bad.message, "Glass name not found: MISSING");
    EXPECT_EQ(m.lens, before);
}

}  // namespace
}  // namespace zefo
