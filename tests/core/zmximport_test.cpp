// Import of .zmx lens files: decoding, one small file per key and per refusal, two published
// designs in the older and the current key forms, a mirror, glasses the catalogue lacks,
// and a fuzz run.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <random>
#include <set>

#include "core/edit/generaledit.h"
#include "core/import/zmximport.h"
#include "core/model/lensfile.h"
#include "testutil.h"

namespace zefo {
namespace {

// One catalogue per test, opened in the test's own folder.
class ZmxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(cat.open(test::freshdir("glass").string() + "/"), ""); }
    ZmxImport run(const std::string& text, Model& m) { return importzmx(m, text, "IMPORTED", cat); }
    GlassCatalog cat;
};

bool hasnotice(const ZmxImport& r, const std::string& part) {
    for (const auto& n : r.notices)
        if (n.find(part) != std::string::npos) return true;
    return false;
}

std::string noticelist(const ZmxImport& r) {
    std::string s;
    for (const auto& n : r.notices) s += n + "\n";
    return s;
}

// The paraxial y-nu trace of the test, from height y and slope u in front of surface 1 at
// the main wavelength: height at the last surface and slope behind it.
std::pair<double, double> zyunu(const OpticalSystem& l, double y, double u) {
    const auto& sp = l.sys.sp;
    for (int k = 0; k < l.nsurf; ++k) {
        if (k > 0) y += sp.sep[k] * u;
        const double n = sp.index[k][0], n2 = sp.index[k + 1][0];
        u = (n * u - y * sp.curv[k] * (n2 - n)) / n2;
    }
    return {y, u};
}

// A singlet in air: BK7, radii 50 and -200, 5 mm thick, entrance pupil 20 mm.
const std::string zsinglet =
    "VERS 140101 1 0\n"
    "MODE SEQ\n"
    "NAME SINGLET\n"
    "UNIT MM X W X CM MR CPMM\n"
    "ENPD 20\n"
    "FTYP 0 0 2 2 0 0 0\n"
    "XFLN 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "YFLN 0 5 0 0 0 0 0 0 0 0 0 0\n"
    "WAVM 1 0.5876 1\n"
    "WAVM 2 0.55 1\n"
    "PWAV 1\n"
    "SURF 0\n"
    "  TYPE STANDARD\n"
    "  CURV 0.0\n"
    "  DISZ INFINITY\n"
    "SURF 1\n"
    "  STOP\n"
    "  TYPE STANDARD\n"
    "  CURV 0.02\n"
    "  DISZ 5\n"
    "  GLAS BK7 0 0 1.5168 64.17 0 0 0 0 0 0\n"
    "  DIAM 12 0 0 0 1\n"
    "SURF 2\n"
    "  TYPE STANDARD\n"
    "  CURV -0.005\n"
    "  DISZ 75.95\n"
    "  DIAM 12\n"
    "SURF 3\n"
    "  TYPE STANDARD\n"
    "  CURV 0\n"
    "  DISZ 0\n";

// Thick lens in air: 1/f = (n-1)(c1 - c2 + (n-1) t c1 c2 / n), back focus f (1 - (n-1) t c1 / n).
std::pair<double, double> thicklens(double n, double c1, double c2, double t) {
    const double f = 1 / ((n - 1) * (c1 - c2 + (n - 1) * t * c1 * c2 / n));
    return {f, f * (1 - (n - 1) * t * c1 / n)};
}

TEST(ZmxText, DecodesTheEncodingsAndRefusesTheRest) {
    auto utf16 = [](const std::string& ascii) {
        std::string b = "\xFF\xFE";
        for (char c : ascii) {
            b += c;
            b += '\0';
        }
        return b;
    };
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;    // expected text when accepted
        std::string error;   // part of the message when refused
    };
    const Case cases[] = {
        {"ascii LF", "NAME A\nUNIT MM\n", "NAME A\nUNIT MM\n", ""},
        {"ascii CR LF", "NAME A\r\nUNIT MM\r\n", "NAME A\nUNIT MM\n", ""},
        {"utf-8 with mark", "\xEF\xBB\xBFNAME \xC3\xA9\n", "NAME \xC3\xA9\n", ""},
        {"utf-16 le", utf16("NAME A\r\nUNIT MM\r\n"), "NAME A\nUNIT MM\n", ""},
        {"utf-16 le, e acute and a pair", std::string("\xFF\xFE\xE9\x00\x3D\xD8\x00\xDE", 8),
         "\xC3\xA9\xF0\x9F\x98\x80", ""},
        {"utf-16 be", std::string("\xFE\xFF\0N\0\n", 6), "N\n", ""},
        {"utf-16 le without mark", std::string("N\0A\0", 4), "NA", ""},
        {"utf-16 be without mark", std::string("\0N\0A", 4), "NA", ""},
        {"utf-16 odd length", std::string("\xFF\xFEN\0\n\0A", 7), "", "line 2: the bytes are no UTF-16 LE text"},
        {"utf-16 lone low surrogate", std::string("\xFF\xFE\x00\xDC", 4), "", "line 1: the bytes are no UTF-16 LE"},
        {"latin-1 in a name", "NAME \xE9t\xE9\n", "NAME \xC3\xA9t\xC3\xA9\n", ""},
        {"latin-1, a cut utf-8 sequence", "NAME \xC3", "NAME \xC3\x83", ""},
        {"utf-8 with mark, then a bad byte", "\xEF\xBB\xBFNAME A\nNOTE \xFF\n", "", "line 2: the bytes are no UTF-8 text"},
        {"latin-1 control byte", "NAME A\nNOTE \xE9\x85\n", "", "line 2: a control character (code 133)"},
        {"control character", "NAME A\nUNIT MM\n\x01\n", "", "line 3: a control character (code 1)"},
        {"NUL in 8-bit text", std::string("NAME A\nN\0TE\n", 12), "", "line 2: a control character (code 0)"},
        {"lone CR", "NAME A\rUNIT MM\r", "", "line 1: the lines must end with CR LF or LF"},
    };
    for (const auto& c : cases) {
        const ZmxText t = zmxtext(c.bytes);
        if (c.error.empty()) {
            EXPECT_EQ(t.error, "") << c.name;
            EXPECT_EQ(t.text, c.text) << c.name;
        } else {
            EXPECT_NE(t.error.find(c.error), std::string::npos) << c.name << ": " << t.error;
            EXPECT_EQ(t.text, "") << c.name;
        }
    }
}

TEST_F(ZmxTest, SingletMatchesTheThickLensFormula) {
    Model m;
    const ZmxImport r = run(zsinglet, m);
    ASSERT_EQ(r.error, "");
    const auto& l = m.lens;
    const auto& sp = l.sys.sp;
    EXPECT_EQ(l.sysname, "SINGLET");
    EXPECT_EQ(l.nsurf, 2);
    EXPECT_EQ(l.stopsurf, 1);
    EXPECT_EQ(sp.glass[1], "BK7");
    EXPECT_EQ(sp.radius[0], 50);
    EXPECT_EQ(sp.radius[1], -200);
    EXPECT_EQ(sp.hmax[1], 12);
    EXPECT_NEAR(sp.hmax[0], 10, 1e-9);   // the stop's clear radius is the axial beam's
    const double n = sp.index[1][0];
    EXPECT_NEAR(n, 1.5168, 2e-5);
    const auto [f, bfd] = thicklens(n, 0.02, -0.005, 5);
    EXPECT_NEAR(l.efl, f, 1e-9 * f);
    EXPECT_NEAR(sp.sep[2] - l.defocus, bfd, 1e-9 * f);
    EXPECT_NEAR(sp.sep[2], 75.95, 1e-9);   // the file's image plane
    EXPECT_NEAR(l.na, 10 / f, 1e-12);
    EXPECT_EQ(l.mag, 0);
    EXPECT_EQ(l.field, (std::vector<double>{0, 5}));
    // two wavelengths: the main one first, then the longer and the shorter
    EXPECT_NEAR(l.wl[0], 0.0005876, 1e-15);
    EXPECT_NEAR(l.wl[1], 0.0005876, 1e-15);
    EXPECT_NEAR(l.wl[2], 0.00055, 1e-15);
    EXPECT_TRUE(hasnotice(r, "from the paraxial focus")) << noticelist(r);
}

// A change of the zsinglet's text and what the lens must then show.
struct KeyCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> edits;   // replace first by second
    std::function<void(const Model&, const ZmxImport&)> check;
};

std::string zedited(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
    for (const auto& [what, by] : edits) {
        const auto p = text.find(what);
        EXPECT_NE(p, std::string::npos) << what;
        if (p != std::string::npos) text.replace(p, what.size(), by);
    }
    return text;
}

TEST_F(ZmxTest, EachKeyReachesTheLens) {
    Model base;
    ASSERT_EQ(run(zsinglet, base).error, "");
    const double f0 = base.lens.efl;
    const KeyCase cases[] = {
        {"UNIT CM scales every length",
         {{"UNIT MM", "UNIT CM"}},
         [&](const Model& m, const ZmxImport&) {
             EXPECT_EQ(m.lens.sys.sp.radius[0], 500);
             EXPECT_EQ(m.lens.sys.sp.hmax[1], 120);
             EXPECT_NEAR(m.lens.efl, 10 * f0, 1e-9 * f0);
             EXPECT_NEAR(m.lens.na, 100 / m.lens.efl, 1e-12);
         }},
        {"UNIT IN", {{"UNIT MM", "UNIT IN"}},
         [&](const Model& m, const ZmxImport&) { EXPECT_NEAR(m.lens.efl, 25.4 * f0, 1e-9 * f0); }},
        {"FNUM instead of ENPD", {{"ENPD 20", "FNUM 5 0"}},
         [&](const Model& m, const ZmxImport&) { EXPECT_NEAR(m.lens.na, 0.1, 1e-12); }},
        {"FLOA: the stop's semi-diameter", {{"ENPD 20", "FLOA"}},
         [&](const Model& m, const ZmxImport&) { EXPECT_NEAR(m.lens.na, 12 / f0, 1e-12); }},
        {"older wavelength keys, main wavelength in the middle",
         {{"WAVM 1 0.5876 1\nWAVM 2 0.55 1\nPWAV 1", "WAVL 0.4861 0.5876 0.6563\nPWAV 2"}},
         [](const Model& m, const ZmxImport&) {
             EXPECT_NEAR(m.lens.wl[0], 0.0005876, 1e-15);
             EXPECT_NEAR(m.lens.wl[1], 0.0006563, 1e-15);
             EXPECT_NEAR(m.lens.wl[2], 0.0004861, 1e-15);
             EXPECT_TRUE(m.lens.threewl());
         }},
        {"one wavelength: Conrady mode",
         {{"FTYP 0 0 2 2", "FTYP 0 0 2 1"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.wl, (Index3{0.0005876, 0.0005876, 0.0005876}));
             EXPECT_FALSE(m.lens.threewl());
             EXPECT_TRUE(hasnotice(r, "One wavelength"));
         }},
        {"four wavelengths: the extremes are kept",
         {{"FTYP 0 0 2 2", "FTYP 0 0 2 4"}, {"WAVM 2 0.55 1\n", "WAVM 2 0.65 1\nWAVM 3 0.48 1\nWAVM 4 0.62 1\n"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_NEAR(m.lens.wl[1], 0.00065, 1e-15);
             EXPECT_NEAR(m.lens.wl[2], 0.00048, 1e-15);
             EXPECT_TRUE(hasnotice(r, "dropped (um): 0.62")) << noticelist(r);
         }},
        {"six fields reduced to four",
         {{"FTYP 0 0 2", "FTYP 0 0 6"}, {"YFLN 0 5 0 0 0 0", "YFLN 0 3 5 7 9 12"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.field, (std::vector<double>{0, 5, 9, 12}));
             EXPECT_TRUE(hasnotice(r, "dropped: 3, 7")) << noticelist(r);
         }},
        {"fields not ascending", {{"FTYP 0 0 2", "FTYP 0 0 3"}, {"YFLN 0 5 0", "YFLN 0 5 3"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.field, (std::vector<double>{0, 5}));
             EXPECT_TRUE(hasnotice(r, "dropped: 3")) << noticelist(r);
         }},
        {"older field keys, x and y", {{"FTYP 0 0 2 2 0 0 0\nXFLN 0 0 0 0 0 0 0 0 0 0 0 0\nYFLN 0 5 0 0 0 0 0 0 0 0 0 0",
                                        "FTYP 0 0\nXFLD 0 3\nYFLD 0 4"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.field, (std::vector<double>{0, 5}));
             EXPECT_TRUE(hasnotice(r, "x component"));
         }},
        {"even asphere", {{"TYPE STANDARD\n  CURV 0.02", "TYPE EVENASPH\n  CURV 0.02\n  CONI -0.5\n  PARM 1 0\n  PARM 2 1e-6\n  PARM 3 -2e-9\n  PARM 4 0\n  PARM 5 3e-15\n  PARM 6 0"}},
         [](const Model& m, const ZmxImport&) {
             const auto& a = m.lens.sys.asf;
             EXPECT_EQ(m.lens.sys.sp.surflabel[0], "A");
             EXPECT_EQ(a.eps[0], -0.5);
             EXPECT_EQ(a.a4[0], 1e-6);
             EXPECT_EQ(a.a6[0], -2e-9);
             EXPECT_EQ(a.a8[0], 0);
             EXPECT_EQ(a.a10[0], 3e-15);
         }},
        {"even asphere in cm: coefficients per mm", {{"UNIT MM", "UNIT CM"}, {"TYPE STANDARD\n  CURV 0.02", "TYPE EVENASPH\n  CURV 0.02\n  PARM 2 1e-6"}},
         [](const Model& m, const ZmxImport&) { EXPECT_NEAR(m.lens.sys.asf.a4[0], 1e-9, 1e-21); }},
        {"conic", {{"CURV -0.005", "CURV -0.005\n  CONI -1"}},
         [](const Model& m, const ZmxImport&) {
             EXPECT_EQ(m.lens.sys.sp.surflabel[1], "E");
             EXPECT_EQ(m.lens.sys.asf.eps[1], -1);
         }},
        {"no DIAM: paraxial estimate", {{"DIAM 12 0 0 0 1\n", ""}, {"  DIAM 12\n", ""}},
         [](const Model& m, const ZmxImport& r) {
             // marginal height 10 plus the chief ray at 5 degrees (through the stop on surface 1)
             // at surface 2: 1.1 times the marginal ray's and the chief ray's heights there
             const auto& sp = m.lens.sys.sp;
             const double n = sp.index[1][0];
             const double um = -10 * 0.02 * (n - 1) / n, uc = std::tan(5 * M_PI / 180) / n;
             EXPECT_NEAR(sp.hmax[1], 1.1 * (std::fabs(10 + 5 * um) + std::fabs(5 * uc)), 1e-9);
             EXPECT_TRUE(hasnotice(r, "No DIAM: the clear radius of surface 1, 2 ")) << noticelist(r);
         }},
        {"ignored keys, the global NSCD line of every file among them",
         {{"MODE SEQ\n", "MODE SEQ\nNOTE 0 a note\nZVDX 1 2\nNSCD 100 500 0 1e-6 5 1e-6 0 0 0 0 0 1 1000000 0\n"},
          {"  STOP\n", "  STOP\n  COMM front\n  HIDE 0 0\n"}},
         [](const Model&, const ZmxImport& r) {
             EXPECT_TRUE(hasnotice(r, "Ignored keys (no effect on the lens): COMM, HIDE, NOTE, NSCD, VERS, ZVDX"))
                 << noticelist(r);
         }},
        {"no NAME", {{"NAME SINGLET\n", ""}},
         [](const Model& m, const ZmxImport&) { EXPECT_EQ(m.lens.sysname, "IMPORTED"); }},
        {"catalogue name in another case", {{"GLAS BK7", "GLAS bk7"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.sys.sp.glass[1], "BK7");
             EXPECT_TRUE(hasnotice(r, "glass bk7 is the catalogue's BK7"));
         }},
        {"GCAT", {{"PWAV 1\n", "PWAV 1\nGCAT SCHOTT OHARA\n"}},
         [](const Model&, const ZmxImport& r) { EXPECT_TRUE(hasnotice(r, "GCAT SCHOTT OHARA")); }},
    };
    for (const auto& c : cases) {
        Model m;
        const ZmxImport r = run(zedited(zsinglet, c.edits), m);
        ASSERT_EQ(r.error, "") << c.name;
        c.check(m, r);
    }
}

TEST_F(ZmxTest, FiniteObjectGivesTheParaxialMagnification) {
    // object 300 mm in front, object heights, object-space numerical aperture
    const std::string text = zedited(zsinglet, {{"ENPD 20", "OBNA 0.02"},
                                              {"FTYP 0 0 2", "FTYP 1 0 2"},
                                              {"YFLN 0 5 0", "YFLN 0 8 0"},
                                              {"DISZ INFINITY", "DISZ 300"}});
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "");
    // the axial ray from the object point with slope 1
    const auto [y, u] = zyunu(m.lens, 300, 1);
    EXPECT_NEAR(m.lens.mag, 1 / u, 1e-12);
    EXPECT_LT(m.lens.mag, 0);   // a real, inverted image
    EXPECT_NEAR(m.lens.na, 0.02 * std::fabs(u), 1e-12);
    EXPECT_NEAR(m.lens.sys.sp.sep[2] - m.lens.defocus, -y / u, 1e-9);
    EXPECT_EQ(m.lens.field, (std::vector<double>{0, 8}));
}

TEST_F(ZmxTest, RefusalsNameTheSurfaceAndTheKeyAndKeepTheLens) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> edits;
        const char* message;   // part of the message
    };
    const Case cases[] = {
        {"toroidal", {{"TYPE STANDARD\n  CURV 0.02", "TYPE TOROIDAL\n  CURV 0.02"}}, "surface 1: TYPE TOROIDAL"},
        {"coordinate break", {{"TYPE STANDARD\n  CURV -0.005", "TYPE COORDBRK\n  CURV -0.005"}}, "surface 2: TYPE COORDBRK"},
        {"tilt", {{"  DIAM 12\n", "  DIAM 12\n  SCBD 1 0 0 0 2.5 0 0\n"}}, "surface 2: SCBD"},
        {"non-sequential", {{"MODE SEQ", "MODE NSC"}}, "MODE NSC"},
        {"non-sequential object", {{"  STOP\n", "  STOP\n  NSOB 1 0 0\n"}}, "surface 1: NSOB"},
        {"multi-configuration", {{"PWAV 1\n", "PWAV 1\nMNUM 2 1\n"}}, "MNUM"},
        {"r^2 term", {{"TYPE STANDARD\n  CURV 0.02", "TYPE EVENASPH\n  CURV 0.02\n  PARM 1 0.001"}}, "surface 1: PARM 1"},
        {"r^12 term", {{"TYPE STANDARD\n  CURV 0.02", "TYPE EVENASPH\n  CURV 0.02\n  PARM 6 1e-18"}}, "surface 1: PARM 6"},
        {"parameter of a standard surface", {{"CURV 0.02", "CURV 0.02\n  PARM 3 1e-9"}}, "surface 1: PARM 3"},
        {"unknown glass, no model data", {{"GLAS BK7 0 0 1.5168 64.17 0 0 0 0 0 0", "GLAS NOSUCH"}},
         "surface 1: GLAS NOSUCH"},
        {"unknown glass, zero model data", {{"GLAS BK7 0 0 1.5168 64.17", "GLAS NOSUCH 0 0 0 0"}}, "surface 1: GLAS NOSUCH"},
        {"lens unit", {{"UNIT MM", "UNIT FT"}}, "UNIT"},
        {"curved image", {{"SURF 3\n  TYPE STANDARD\n  CURV 0", "SURF 3\n  TYPE STANDARD\n  CURV 0.01"}}, "surface 3: CURV"},
        {"no aperture", {{"ENPD 20\n", ""}}, "No aperture"},
        {"aperture beyond 1", {{"ENPD 20", "ENPD 500"}}, "numerical aperture"},
        {"infinite curvature", {{"CURV 0.02", "CURV 1e400"}}, "surface 1: CURV"},
        {"huge number", {{"DISZ 5", "DISZ 1e16"}}, "surface 1: DISZ"},
        {"not a number", {{"DISZ 5", "DISZ five"}}, "surface 1: DISZ: \"five\""},
        {"infinite thickness", {{"DISZ 75.95", "DISZ INFINITY"}}, "surface 2: DISZ INFINITY"},
        {"surfaces out of order", {{"SURF 2", "SURF 5"}}, "SURF 5"},
        {"field type beyond 3", {{"FTYP 0 0 2", "FTYP 4 0 2"}}, "FTYP 4"},
        {"object heights from infinity", {{"FTYP 0 0 2", "FTYP 1 0 2"}}, "FTYP 1"},
        {"object in glass", {{"DISZ INFINITY", "DISZ INFINITY\n  GLAS BK7"}}, "surface 0: GLAS BK7"},
        {"stop on the image", {{"  DISZ 0\n", "  DISZ 0\n  STOP\n"}}, "STOP"},
        {"no lens surface", {{"SURF 1", "XURF 1"}, {"SURF 2", "XURF 2"}, {"SURF 3", "XURF 3"}},
         "needs an object, at least one surface and an image"},
        {"object and image only", {{"SURF 2", "XURF 2"}, {"SURF 3", "XURF 3"}},
         "needs an object, at least one surface and an image"},
        {"wavelength out of range", {{"WAVM 2 0.55", "WAVM 2 55"}}, "avelength"},
        {"surface key before SURF", {{"PWAV 1\n", "PWAV 1\nCURV 0.1\n"}}, "CURV: a surface key before the first SURF"},
    };
    for (const auto& c : cases) {
        Model m;
        ASSERT_EQ(run(zsinglet, m).error, "");
        const OpticalSystem before = m.lens;
        const ZmxImport r = run(zedited(zsinglet, c.edits), m);
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.name << ": " << r.error;
        EXPECT_EQ(m.lens, before) << c.name;
    }
}

TEST_F(ZmxTest, GlassTheCatalogueLacksIsMadeFromItsModelData) {
    // nd 1.6, vd 40: at the d line the index is nd and nF - nC is (nd - 1) / vd
    const std::string text = zedited(zsinglet, {{"GLAS BK7 0 0 1.5168 64.17", "GLAS MY-GLASS-123 1 0 1.6 40"},
                                              {"WAVM 1 0.5876 1\nWAVM 2 0.55 1", "WAVM 1 0.5875618 1\nWAVM 2 0.6562725 1\nWAVM 3 0.4861327 1"},
                                              {"FTYP 0 0 2 2", "FTYP 0 0 2 3"}});
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "");
    const auto& sp = m.lens.sys.sp;
    EXPECT_EQ(sp.glass[1], "MY-GLASS-1");
    EXPECT_NEAR(sp.index[1][0], 1.6, 1e-12);
    EXPECT_NEAR(sp.index[1][2] - sp.index[1][1], 0.6 / 40, 1e-12);
    EXPECT_NEAR(sp.disp[1], 0.6 / 40, 1e-12);
    // normal dispersion: the index falls with the wavelength
    EXPECT_GT(sp.index[1][2], sp.index[1][0]);
    EXPECT_GT(sp.index[1][0], sp.index[1][1]);
    EXPECT_TRUE(hasnotice(r, "surface 1: glass MY-GLASS-123 is a model glass: made from nd 1.6 and vd 40"))
        << noticelist(r);
}

TEST_F(ZmxTest, ModelGlassesWhoseShortNamesMeetStayApart) {
    // a cemented doublet of two glasses the catalogue lacks, alike in their first 10 letters
    const std::string text = zedited(zsinglet, {{"GLAS BK7 0 0 1.5168 64.17", "GLAS CUSTOMGLASS1 1 0 1.6 40"},
                                                {"  CURV -0.005\n  DISZ 75.95\n", "  CURV -0.01\n  DISZ 3\n  GLAS CUSTOMGLASS2 1 0 1.7 30\n  DIAM 12\nSURF 3\n  CURV -0.005\n  DISZ 75\n"},
                                                {"SURF 3\n  TYPE STANDARD", "SURF 4\n  TYPE STANDARD"}});
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "") << r.error;
    const auto& sp = m.lens.sys.sp;
    EXPECT_EQ(sp.glass[1], "CUSTOMGLAS");
    EXPECT_EQ(sp.glass[2], "CUSTOMGL2");
    EXPECT_NEAR(sp.index[1][0], 1.6, 2e-4);   // the main wavelength 0.5876 is near the d line
    EXPECT_NEAR(sp.index[2][0], 1.7, 2e-4);
}

TEST_F(ZmxTest, ConcaveMirrorFocusesAtHalfItsRadius) {
    const std::string text =
        "NAME MIRROR\nUNIT MM\nENPD 20\nFTYP 0 0 2 1\nYFLN 0 1\nWAVM 1 0.5876 1\n"
        "SURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV -0.005\n  DISZ -100\n  GLAS MIRROR 0 0 1.5 40\n  DIAM 15\n"
        "SURF 2\n  CURV 0\n  DISZ 0\n";
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "") << r.error;
    const auto& l = m.lens;
    EXPECT_EQ(l.sys.sp.surflabel[0], "SM");
    EXPECT_EQ(l.sys.sp.index[1][0], -1);   // the space behind the mirror
    EXPECT_NEAR(std::fabs(l.efl), 100, 1e-9);
    EXPECT_NEAR(l.sys.sp.sep[1] - l.defocus, -100, 1e-9);
    EXPECT_NEAR(l.na, 0.1, 1e-12);
}

TEST_F(ZmxTest, ManginMirrorKeepsTheGlassBehindWithTheMirrorSign) {
    // light enters BK7, is reflected at the back surface and leaves through the front
    const std::string text =
        "NAME MANGIN\nUNIT MM\nENPD 20\nFTYP 0 0 2 1\nYFLN 0 1\nWAVM 1 0.5876 1\n"
        "SURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV -0.004\n  DISZ 5\n  GLAS BK7\n  DIAM 15\n"
        "SURF 2\n  CURV -0.005\n  DISZ -5\n  GLAS MIRROR\n  DIAM 15\n"
        "SURF 3\n  CURV -0.004\n  DISZ -80\n  DIAM 15\n"
        "SURF 4\n  CURV 0\n  DISZ 0\n";
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "") << r.error;
    const auto& sp = m.lens.sys.sp;
    EXPECT_EQ(sp.surflabel[1], "SM");
    EXPECT_EQ(sp.glass[2], "BK7");
    EXPECT_LT(sp.index[2][0], -1.5);
    EXPECT_EQ(sp.index[3][0], -1);
    const auto [y, u] = zyunu(m.lens, 1, 0);
    EXPECT_NEAR(std::fabs(m.lens.efl), std::fabs(1 / u), 1e-9 * std::fabs(m.lens.efl));
    EXPECT_NEAR(sp.sep[3] - m.lens.defocus, -y / u, 1e-9);
}

// ---- published designs ----

struct ZDesign {
    const char* sample;      // the lens data file of the same design in samples/
    double efl, bfl, tol;    // published first-order data and the digits they give
};

// A design as .zmx text: glasses per surface ("" air), current or older key form.
struct ZSurf {
    double r, t;
    const char* glass;
    double semi;
    bool stop = false;
};

std::string zmxdesign(const char* name, double epd, const std::vector<double>& fields, const std::vector<double>& wlum,
                      const std::vector<ZSurf>& s, bool current) {
    std::string t = "VERS 1\nNAME " + std::string(name) + "\nUNIT MM X W X CM MR CPMM\nENPD " + std::to_string(epd) + "\n";
    auto list = [](const std::vector<double>& v, size_t pad) {
        std::string o;
        for (size_t i = 0; i < std::max(v.size(), pad); ++i) o += " " + (i < v.size() ? fmtreal(v[i]) : std::string("0"));
        return o;
    };
    if (current) {
        t += "FTYP 0 0 " + std::to_string(fields.size()) + " " + std::to_string(wlum.size()) + " 0 0 0\n";
        t += "XFLN" + list({}, 12) + "\nYFLN" + list(fields, 12) + "\n";
        for (size_t i = 0; i < 24; ++i)
            t += "WAVM " + std::to_string(i + 1) + " " + (i < wlum.size() ? fmtreal(wlum[i]) : std::string("0.55")) + " 1\n";
        t += "PWAV 1\n";
    } else {
        t += "FTYP 0 0\nXFLD" + list(std::vector<double>(fields.size(), 0), 0) + "\nYFLD" + list(fields, 0) + "\n";
        t += "WAVL" + list(wlum, 0) + "\nPWAV 1\n";
    }
    t += "GCAT SCHOTT HOYA\nSURF 0\n  TYPE STANDARD\n  CURV 0.0 0 0 0 0 \"\"\n  HIDE 0 0 0 0 0 0 0 0 0 0\n  DISZ INFINITY\n";
    for (size_t i = 0; i < s.size(); ++i) {
        t += "SURF " + std::to_string(i + 1) + "\n";
        if (s[i].stop) t += "  STOP\n";
        t += "  TYPE STANDARD\n  CURV " + fmtreal(s[i].r == 0 ? 0 : 1 / s[i].r) + " 0 0 0 0 \"\"\n";
        t += "  DISZ " + fmtreal(s[i].t) + "\n";
        if (*s[i].glass) t += "  GLAS " + std::string(s[i].glass) + " 0 0 1.5 50 0 0 0 0 0 0\n";
        t += "  DIAM " + fmtreal(s[i].semi) + " 1 0 0 1 \"\"\n";
        if (current) t += "  POPS 0 0 0 0 0 0 0 0 1 1 1 1 0 0 0 0\n";
    }
    t += "SURF " + std::to_string(s.size() + 1) + "\n  TYPE STANDARD\n  CURV 0.0\n  DISZ 0\n";
    return t;
}

std::string crlf(const std::string& s) {
    std::string o;
    for (char c : s) o += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return o;
}

std::string utf16le(const std::string& ascii) {
    std::string b = "\xFF\xFE";
    for (char c : crlf(ascii)) {
        b += c;
        b += '\0';
    }
    return b;
}

void expectdesign(GlassCatalog& cat, const ZDesign& d, const std::string& bytes, const std::string& form) {
    Model m;
    const ZmxImport r = importzmx(m, bytes, "X", cat);
    ASSERT_EQ(r.error, "") << d.sample << " " << form;
    OpticalSystem ref;
    ASSERT_EQ(loadlensfile(std::string(ZEFO_SAMPLES) + "/" + d.sample + ".dat", ref), "");
    const auto& l = m.lens;
    const double bfd = l.sys.sp.sep[l.nsurf] - l.defocus;
    // the same design with the same catalogue glasses
    EXPECT_NEAR(l.efl, ref.efl, 1e-5 * ref.efl) << d.sample << " " << form;
    EXPECT_NEAR(bfd, ref.sys.sp.sep[ref.nsurf] - ref.defocus, 1e-5 * ref.efl) << d.sample << " " << form;
    // and the published values to the digits they give
    EXPECT_NEAR(l.efl, d.efl, d.tol) << d.sample << " " << form;
    EXPECT_NEAR(bfd, d.bfl, d.tol) << d.sample << " " << form;
    EXPECT_EQ(l.nsurf, ref.nsurf);
    EXPECT_EQ(l.stopsurf, ref.stopsurf);
    EXPECT_EQ(l.field, ref.field);
    EXPECT_EQ(l.nrays, ref.nrays);
    for (int w = 0; w < 3; ++w) EXPECT_NEAR(l.wl[w], ref.wl[w], 1e-12);
}

TEST_F(ZmxTest, CookeTripletInEveryFormGivesThePublishedFocalLengths) {
    const std::vector<ZSurf> s = {{37.4, 5.9, "SK4", 17.6},   {-341.48, 12.93, "", 17.6}, {-42.65, 2.5, "SF2", 12.1},
                                  {36.4, 2.0, "", 10.8},      {0, 9.85, "", 10.4779, true}, {204.52, 5.9, "SK4", 15.2},
                                  {-37.05, 77.405, "", 15.6}};
    const ZDesign d{"COOKE", 101.181, 77.405, 0.002};
    const std::vector<double> fields = {0, 5.93, 8.302, 11.86}, wl = {0.5876, 0.6563, 0.4861};
    const double epd = 2 * 0.1443 * 101.181;
    expectdesign(cat, d, zmxdesign("COOKE", epd, fields, wl, s, false), "older");
    expectdesign(cat, d, crlf(zmxdesign("COOKE", epd, fields, wl, s, true)), "current");
    expectdesign(cat, d, utf16le(zmxdesign("COOKE", epd, fields, wl, s, true)), "UTF-16 LE");
}

TEST_F(ZmxTest, DoubleGaussInEveryFormGivesThePublishedFocalLengths) {
    auto surfaces = [](bool prefixed) {
        const char* sk16 = prefixed ? "N-SK16" : "SK16";
        return std::vector<ZSurf>{{48.88, 8.89, sk16, 30.1},   {182.96, 0.38, "", 30.1},   {36.92, 15.11, "BAF3", 29.0},
                                  {0, 2.31, "SF5", 20.7},      {23.06, 9.14, "", 17.3},    {0, 13.36, "", 15.3039, true},
                                  {-23.91, 1.92, "E-FL6", 19.1}, {0, 7.77, "SK18", 21.3}, {-36.92, 0.38, "", 21.3},
                                  {1063.24, 6.73, sk16, 22.5}, {-48.88, 59.21, "", 22.5}};
    };
    const ZDesign d{"DGAUSS", 100.00, 59.21, 0.01};
    const std::vector<double> fields = {0, 11.25, 15.75, 22.5}, wl = {0.54607, 0.64385, 0.47999};
    expectdesign(cat, d, zmxdesign("DGAUSS", 50, fields, wl, surfaces(false), false), "older");
    expectdesign(cat, d, zmxdesign("DGAUSS", 50, fields, wl, surfaces(true), true), "current");
    expectdesign(cat, d, utf16le(zmxdesign("DGAUSS", 50, fields, wl, surfaces(true), true)), "UTF-16 LE");
}

// ---- files as designers have them ----

// The paraxial chief ray of the test through the centre of a stop on surface 1: its height in
// the image plane of the lens (sep[nsurf] behind the last surface) for a ray that crosses
// the axis at surface 1 with slope u.
double zchiefimage(const OpticalSystem& l, double u) {
    const auto [y, uu] = zyunu(l, 0, u);
    return y + l.sys.sp.sep[l.nsurf] * uu;
}

TEST_F(ZmxTest, FilesAsDesignersHaveThemImportWithTheirNotices) {
    Model base;
    ASSERT_EQ(run(zsinglet, base).error, "");
    const double f0 = base.lens.efl;
    const KeyCase cases[] = {
        {"NAME with blanks becomes a file-name component",
         {{"NAME SINGLET", "NAME Cooke triplet: 28/50 ..\\x"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.sysname, "Cooke_triplet__28_50_.__x");
             EXPECT_EQ(sysnameerror(m.lens.sysname), "");
             EXPECT_TRUE(hasnotice(r, "NAME \"Cooke triplet: 28/50 ..\\x\" is no file name")) << noticelist(r);
         }},
        {"a long NAME is cut", {{"NAME SINGLET", "NAME " + std::string(100, 'A')}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.sysname, std::string(zmxnamelength, 'A'));
             EXPECT_TRUE(hasnotice(r, "the system is named"));
         }},
        {"only the axial field: a field of image height 1 % of the pupil radius",
         {{"FTYP 0 0 2", "FTYP 0 0 1"}, {"YFLN 0 5", "YFLN 0 0"}},
         [](const Model& m, const ZmxImport& r) {
             ASSERT_EQ(m.lens.field.size(), 2u);
             const double w = m.lens.field[1] * M_PI / 180;
             EXPECT_NEAR(std::fabs(zchiefimage(m.lens, std::tan(w))), 0.01 * 10, 1e-9);
             EXPECT_TRUE(hasnotice(r, "Only the axial field")) << noticelist(r);
         }},
        {"FTYP 2: paraxial image heights become angles",
         {{"FTYP 0 0 2", "FTYP 2 0 2"}, {"YFLN 0 5", "YFLN 0 3"}},
         [](const Model& m, const ZmxImport& r) {
             const double w = m.lens.field[1] * M_PI / 180;
             EXPECT_NEAR(std::fabs(zchiefimage(m.lens, std::tan(w))), 3, 1e-9);
             EXPECT_TRUE(hasnotice(r, "FTYP 2: paraxial image heights become field angles")) << noticelist(r);
         }},
        {"FTYP 3: real image heights through the paraxial chief ray",
         {{"FTYP 0 0 2", "FTYP 3 0 2"}, {"YFLN 0 5", "YFLN 0 3"}},
         [](const Model& m, const ZmxImport& r) {
             const double w = m.lens.field[1] * M_PI / 180;
             EXPECT_NEAR(std::fabs(zchiefimage(m.lens, std::tan(w))), 3, 1e-9);
             EXPECT_TRUE(hasnotice(r, "distortion is neglected")) << noticelist(r);
         }},
        {"FTYP 0 with a finite object: the object height seen at the angle from the pupil",
         {{"ENPD 20", "OBNA 0.02"}, {"DISZ INFINITY", "DISZ 300"}},
         [](const Model& m, const ZmxImport& r) {
             // the entrance pupil is the stop on surface 1, 300 mm from the object
             EXPECT_NEAR(m.lens.field[1], 300 * std::tan(5 * M_PI / 180), 1e-9);
             EXPECT_TRUE(hasnotice(r, "FTYP 0: the field angles become object heights")) << noticelist(r);
         }},
        {"FTYP 2 with a finite object",
         {{"ENPD 20", "OBNA 0.02"}, {"DISZ INFINITY", "DISZ 300"}, {"FTYP 0 0 2", "FTYP 2 0 2"}, {"YFLN 0 5", "YFLN 0 4"}},
         [](const Model& m, const ZmxImport&) {
             const double h = m.lens.field[1];
             EXPECT_NEAR(std::fabs(zchiefimage(m.lens, -h / 300)), 4, 1e-9);
         }},
        {"CLAP is the clear radius", {{"  DIAM 12\n", "  DIAM 12\n  CLAP 0 9 0\n"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.sys.sp.hmax[1], 9);
             EXPECT_TRUE(hasnotice(r, "surface 2: CLAP: the hard aperture of radius 9 mm is the clear radius"));
         }},
        {"RAIM gets a notice", {{"PWAV 1\n", "PWAV 1\nRAIM 1 0 1 1 0 0 0 0 0\n"}},
         [](const Model&, const ZmxImport& r) { EXPECT_TRUE(hasnotice(r, "RAIM")) << noticelist(r); }},
        {"a conic's clear radius reaches beyond |R| up to where the conic ends",
         {{"  STOP\n", ""}, {"  DIAM 12\n", "  STOP\n  DIAM 12\n"}, {"CURV 0.02\n", "CURV 0.073800738\n  CONI -0.63\n"},
          {"DIAM 12 0 0 0 1", "DIAM 22"}, {"ENPD 20", "ENPD 10"}},
         [](const Model& m, const ZmxImport&) {
             EXPECT_EQ(m.lens.sys.sp.hmax[0], 22);
             EXPECT_NEAR(surfaceedge(m.lens, 0), 13.55 / std::sqrt(0.37), 1e-4);
         }},
        {"fused silica under the name files give it",
         {{"GLAS BK7 0 0 1.5168 64.17", "GLAS F_SILICA 0 0 1.5 40"},
          {"WAVM 1 0.5876 1\nWAVM 2 0.55 1", "WAVM 1 0.5875618 1\nWAVM 2 0.6562725 1\nWAVM 3 0.4861327 1"},
          {"FTYP 0 0 2 2", "FTYP 0 0 2 3"}},
         [](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.sys.sp.glass[1], "SILICA");
             EXPECT_NEAR(m.lens.sys.sp.index[1][0], 1.4584, 1e-4);   // the handbook's d-line index
             EXPECT_NEAR(0.4584 / m.lens.sys.sp.disp[1], 67.8, 0.1);
             EXPECT_TRUE(hasnotice(r, "glass F_SILICA is the material SILICA, fused silica")) << noticelist(r);
             const double n = m.lens.sys.sp.index[1][0];
             EXPECT_NEAR(m.lens.efl, thicklens(n, 0.02, -0.005, 5).first, 1e-9 * m.lens.efl);
         }},
        {"a catalogue glass the catalogue lacks, substituted through the list",
         {{"GLAS BK7 0 0 1.5168 64.17", "GLAS NOSUCH-7 0 0 1.5 40"}},
         [&](const Model& m, const ZmxImport& r) {
             EXPECT_EQ(m.lens.sys.sp.glass[1], "N-BK7");
             EXPECT_TRUE(hasnotice(r, "glass NOSUCH-7 (nd 1.5168, vd 64.17) is substituted by the nearest catalogue glass N-BK7"))
                 << noticelist(r);
             EXPECT_NEAR(m.lens.efl, f0, 1e-9 * f0);   // the data of BK7 again
         }},
    };
    ZmxOptions options;
    options.substitutes["NOSUCH-7"] = {1.5168, 64.17};
    for (const auto& c : cases) {
        Model m;
        const ZmxImport r = importzmx(m, zedited(zsinglet, c.edits), "IMPORTED", cat, options);
        ASSERT_EQ(r.error, "") << c.name;
        c.check(m, r);
    }
}

TEST_F(ZmxTest, DamagedAndPlaceholderDataAreRefusedNamingTheLineOrGlass) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> edits;
        const char* message;
    };
    const Case cases[] = {
        {"a line that starts with a number", {{"PWAV 1\n", "PWAV 1\n-1e309 5\n"}}, "line 12: the line does not start with a key"},
        {"a line that starts with NaN", {{"  DIAM 12\n", "  DIAM 12\nNaN\n"}}, "the line does not start with a key"},
        {"placeholder data of a catalogue glass",
         {{"GLAS BK7 0 0 1.5168 64.17", "GLAS NOSUCH 0 0 1.5 40"}}, "surface 1: GLAS NOSUCH: the catalogue has no such glass"},
        {"field count beyond an integer", {{"FTYP 0 0 2 2", "FTYP 0 0 1e10 2"}}, "line 6: FTYP: \"1e10\" is not a whole number"},
        {"wavelength count beyond an integer", {{"FTYP 0 0 2 2", "FTYP 0 0 2 -3e12"}}, "FTYP: \"-3e12\""},
        {"field type beyond an integer", {{"FTYP 0 0 2 2", "FTYP 1e14 0 2 2"}}, "FTYP: \"1e14\""},
        {"main wavelength beyond an integer", {{"PWAV 1", "PWAV 1e300"}}, "PWAV: \"1e300\" is not a usable number"},
        {"main wavelength huge", {{"PWAV 1", "PWAV 9e14"}}, "PWAV: \"9e14\" is not a whole number"},
        {"main wavelength a fraction", {{"PWAV 1", "PWAV 1.5"}}, "PWAV: \"1.5\" is not a whole number"},
        {"wavelength index", {{"WAVM 2 0.55", "WAVM 5e11 0.55"}}, "WAVM: \"5e11\""},
        {"surface number", {{"SURF 2", "SURF 4e9"}}, "SURF: \"4e9\""},
        {"parameter number", {{"CURV 0.02", "CURV 0.02\n  PARM 3e9 1"}}, "surface 1: PARM: \"3e9\""},
        {"a conic's clear radius beyond its end",
         {{"CURV 0.02\n", "CURV 0.073800738\n  CONI -0.63\n"}, {"DIAM 12 0 0 0 1", "DIAM 22.5"}, {"ENPD 20", "ENPD 10"}},
         "surface 1: Clear aperture must not be greater then radius of curvature!"},
        {"annulus upside down", {{"  DIAM 12\n", "  DIAM 12\n  CLAP 9 3 0\n"}}, "surface 2: CLAP"},
    };
    for (const auto& c : cases) {
        Model m;
        const ZmxImport r = run(zedited(zsinglet, c.edits), m);
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.name << ": " << r.error;
        EXPECT_EQ(m.lens, Model{}.lens) << c.name;
    }
}

TEST_F(ZmxTest, ModelGlassesAreTheirDataNotTheirNames) {
    // two different blank model glasses: a doublet whose surfaces keep their own indices
    const std::string text = zedited(zsinglet, {{"GLAS BK7 0 0 1.5168 64.17", "GLAS ___BLANK 1 0 1.489 57.4"},
                                                {"  CURV -0.005\n  DISZ 75.95\n", "  CURV -0.01\n  DISZ 3\n  GLAS ___BLANK 1 0 1.583 30.3\n  DIAM 12\nSURF 3\n  CURV -0.005\n  DISZ 75\n"},
                                                {"SURF 3\n  TYPE STANDARD", "SURF 4\n  TYPE STANDARD"},
                                                {"WAVM 1 0.5876 1\nWAVM 2 0.55 1", "WAVM 1 0.5875618 1\nWAVM 2 0.6562725 1\nWAVM 3 0.4861327 1"},
                                                {"FTYP 0 0 2 2", "FTYP 0 0 2 3"}});
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "") << r.error;
    const auto& sp = m.lens.sys.sp;
    EXPECT_NE(sp.glass[1], sp.glass[2]);
    EXPECT_NEAR(sp.index[1][0], 1.489, 1e-12);
    EXPECT_NEAR(sp.index[2][0], 1.583, 1e-12);
    EXPECT_NEAR(sp.disp[2], 0.583 / 30.3, 1e-12);
    // the focal length of the paraxial trace of the test with these indices
    const auto [y, u] = zyunu(m.lens, 1, 0);
    EXPECT_NEAR(m.lens.efl, -1 / u, 1e-9 * std::fabs(m.lens.efl));
}

TEST_F(ZmxTest, ManyModelGlassesOfOneNameStayApart) {
    // 150 lenses, each of its own model glass whose names share their first 12 letters
    std::string text = "NAME MANY\nUNIT MM\nENPD 4\nFTYP 0 0 2 1\nYFLN 0 0.1\nWAVM 1 0.5875618 1\n"
                       "SURF 0\n  DISZ INFINITY\n";
    const int lenses = 120;
    int k = 1;
    for (int i = 0; i < lenses; ++i) {
        const std::string nd = std::to_string(1.4 + 0.002 * i);
        text += "SURF " + std::to_string(k++) + "\n" + (i == 0 ? "  STOP\n" : "") + "  CURV 0.001\n  DISZ 1\n  GLAS SAMEPREFIX__" +
                std::to_string(i) + " 1 0 " + nd + " 50\n  DIAM 5\n";
        text += "SURF " + std::to_string(k++) + "\n  CURV -0.001\n  DISZ 1\n  DIAM 5\n";
    }
    text += "SURF " + std::to_string(k) + "\n  CURV 0\n  DISZ 0\n";
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "") << r.error;
    const auto& sp = m.lens.sys.sp;
    std::set<std::string> names;
    for (int i = 0; i < lenses; ++i) {
        names.insert(sp.glass[static_cast<size_t>(2 * i + 1)]);
        EXPECT_NEAR(sp.index[static_cast<size_t>(2 * i + 1)][0], 1.4 + 0.002 * i, 1e-12) << i;
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(lenses));
}

TEST_F(ZmxTest, MirrorSystemsInAirImport) {
    // a plane dummy and a concave mirror; a Cassegrain of two mirrors (Mersenne-free: spheres)
    const std::string dummy =
        "NAME DUMMY\nUNIT MM\nENPD 20\nFTYP 0 0 2 1\nYFLN 0 0.5\nWAVM 1 0.5876 1\n"
        "SURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV 0\n  DISZ 50\n  DIAM 12\n"
        "SURF 2\n  CURV -0.005\n  DISZ -100\n  GLAS MIRROR 0 0 1.5 40\n  DIAM 15\n"
        "SURF 3\n  CURV 0\n  DISZ 0\n";
    const std::string cassegrain =
        "NAME CASS\nUNIT MM\nENPD 100\nFTYP 0 0 2 1\nYFLN 0 0.2\nWAVM 1 0.5876 1\n"
        "SURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV -0.0025\n  CONI -1\n  DISZ -150\n  GLAS MIRROR\n  DIAM 52\n"
        "SURF 2\n  CURV -0.005\n  DISZ 300\n  GLAS MIRROR\n  DIAM 18\n"
        "SURF 3\n  CURV 0\n  DISZ 0\n";
    for (const auto& text : {dummy, cassegrain}) {
        Model m;
        const ZmxImport r = run(text, m);
        ASSERT_EQ(r.error, "") << r.error;
        const auto [y, u] = zyunu(m.lens, 1, 0);
        EXPECT_NEAR(std::fabs(m.lens.efl), std::fabs(1 / u), 1e-9 * std::fabs(m.lens.efl));
        EXPECT_NEAR(m.lens.sys.sp.sep[m.lens.nsurf] - m.lens.defocus, -y / u, 1e-9);
    }
    // the Cassegrain: f1 = -200, f2 = -100 (mirror focal lengths R/2), e = 150
    Model m;
    ASSERT_EQ(run(cassegrain, m).error, "");
    const double f1 = 200, f2 = -100, e = 150;
    EXPECT_NEAR(std::fabs(m.lens.efl), std::fabs(f1 * f2 / (f1 + f2 - e)), 1e-9);
}

TEST_F(ZmxTest, AfocalImageSpaceGivesATelescope) {
    // a Kepler telescope: objective f 200, eyepiece f 50, 250 apart (thin-lens-like thick lenses)
    const std::string text =
        "NAME KEPLER\nUNIT MM\nENPD 20\nAFOC 1\nFTYP 0 0 2 1\nYFLN 0 1\nWAVM 1 0.5876 1\n"
        "SURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV 0.0049\n  DISZ 4\n  GLAS N-BK7\n  DIAM 12\n"
        "SURF 2\n  CURV -0.0049\n  DISZ 250\n  DIAM 12\n"
        "SURF 3\n  CURV 0.0196\n  DISZ 4\n  GLAS N-BK7\n  DIAM 10\n"
        "SURF 4\n  CURV -0.0196\n  DISZ 60\n  DIAM 10\n"
        "SURF 5\n  CURV 0\n  DISZ 0\n";
    Model m;
    const ZmxImport r = run(text, m);
    ASSERT_EQ(r.error, "") << r.error;
    EXPECT_TRUE(m.lens.telescope());
    EXPECT_EQ(m.lens.systype & ~1, 4);
    EXPECT_EQ(m.lens.eph, 10);
    // the angular magnification: the slope behind the lens of a chief ray of unit slope
    // through the centre of the stop
    const auto [y, u] = zyunu(m.lens, 0, 1);
    EXPECT_NEAR(m.lens.mag, u, 1e-12);
    EXPECT_LT(m.lens.mag, -3.5);
    // without AFOC the same lens is an objective of long focal length, or refused as afocal
    Model o;
    const ZmxImport ro = run(zedited(text, {{"AFOC 1\n", ""}}), o);
    if (ro.error.empty()) {
        EXPECT_FALSE(o.lens.telescope());
    }
}

TEST(ZmxFile, OnlyRegularFilesOfBoundedSizeAreRead) {
    const auto dir = test::freshdir("zmxfile");
    const std::string small = (dir / "small.zmx").string();
    { std::ofstream(small) << "NAME A\n"; }
    EXPECT_EQ(readzmxfile(small).bytes, "NAME A\n");
    const std::string big = (dir / "big.zmx").string();
    { std::ofstream(big) << "NAME A\n"; }
    std::filesystem::resize_file(big, zmxmaxbytes + 1);   // sparse: nothing is written
    const ZmxFile b = readzmxfile(big);
    EXPECT_NE(b.error.find("larger than 64 MB"), std::string::npos) << b.error;
    EXPECT_TRUE(b.bytes.empty());
    EXPECT_NE(readzmxfile("/dev/zero").error.find("not a regular file"), std::string::npos);
    EXPECT_NE(readzmxfile(dir.string()).error.find("not a regular file"), std::string::npos);
    const std::string fifo = (dir / "fifo.zmx").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(readzmxfile(fifo).error.find("not a regular file"), std::string::npos);   // and no wait for a writer
    EXPECT_NE(readzmxfile((dir / "none.zmx").string()).error.find("Cannot read"), std::string::npos);
}

// ---- fuzz ----

// A word of the text replaced: the n-th blank-separated token.
std::string zreplacetoken(const std::string& text, size_t n, const std::string& by) {
    size_t count = 0, p = 0;
    while (p < text.size()) {
        p = text.find_first_not_of(" \n", p);
        if (p == std::string::npos) break;
        const size_t e = std::min(text.find_first_of(" \n", p), text.size());
        if (count++ == n) return text.substr(0, p) + by + text.substr(e);
        p = e;
    }
    return text;
}

TEST_F(ZmxTest, FuzzedFilesAreRefusedOrImportedWithoutHarm) {
    std::mt19937 rng(20261210);
    const std::string mirror =
        "NAME CASS\nUNIT MM\nENPD 100\nFTYP 0 0 2 1\nYFLN 0 0.2\nWAVM 1 0.5876 1\nSURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV -0.0025\n  CONI -1\n  DISZ -150\n  GLAS MIRROR\n  DIAM 52\n"
        "SURF 2\n  CURV -0.005\n  DISZ 300\n  GLAS MIRROR\n  DIAM 18\nSURF 3\n  CURV 0\n  DISZ 0\n";
    // the bases: plain text, image-height fields, a finite object, mirrors, Latin-1, UTF-16
    const std::vector<std::string> bases = {
        zsinglet,
        zedited(zsinglet, {{"FTYP 0 0 2", "FTYP 2 0 2"}, {"YFLN 0 5", "YFLN 0 3"}}),
        zedited(zsinglet, {{"ENPD 20", "OBNA 0.02"}, {"DISZ INFINITY", "DISZ 300"}, {"FTYP 0 0 2", "FTYP 3 0 2"}}),
        mirror,
        zedited(zsinglet, {{"NAME SINGLET", "NAME Singlet \xE9t\xE9"}, {"GLAS BK7 0 0", "GLAS F_SILICA 0 0"}}),
        utf16le(zsinglet),
        utf16le(mirror),
    };
    const char* const odd[] = {"1e308", "-1e308", "1e15", "9e14", "1e-308", "nan", "inf", "-1e309", "0", "-0",
                               "1e10", "2147483648", "-2147483649", "0.5", "", "\xFF", "MIRROR", "INFINITY"};
    std::vector<std::string> inputs;
    for (const auto& base : bases) {
        for (size_t cut = 0; cut < base.size(); cut += 13) inputs.push_back(base.substr(0, cut));   // truncated
        for (int i = 0; i < 180; ++i) {   // bytes changed
            std::string s = base;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < flips; ++k) s[rng() % s.size()] = static_cast<char>(rng() % 256);
            inputs.push_back(s);
        }
        if (base[0] == '\xFF') continue;
        for (int i = 0; i < 80; ++i)   // a word replaced by an odd value
            inputs.push_back(zreplacetoken(base, rng() % 120, odd[rng() % std::size(odd)]));
        for (int i = 0; i < 20; ++i) {   // a line doubled or dropped
            const size_t a = base.find('\n', rng() % base.size());
            const size_t b = base.find('\n', a + 1);
            if (b == std::string::npos) continue;
            const std::string line = base.substr(a + 1, b - a);
            inputs.push_back(i % 2 ? base.substr(0, a + 1) + line + base.substr(a + 1) : base.substr(0, a + 1) + base.substr(b + 1));
        }
    }
    for (int i = 0; i < 40; ++i) {   // random bytes
        std::string s(rng() % 300, '\0');
        for (char& c : s) c = static_cast<char>(rng() % 256);
        inputs.push_back(s);
        inputs.push_back("\xFF\xFE" + s);
    }
    inputs.push_back(std::string("\xFF\xFE", 2) + zsinglet);   // 8-bit text claimed as UTF-16
    ASSERT_GE(inputs.size(), 2000u);
    ASSERT_LT(inputs.size(), 4000u);
    int imported = 0;
    for (const auto& in : inputs) {
        Model m;
        const ZmxImport r = run(in, m);
        if (!r.error.empty()) {
            EXPECT_EQ(m.lens, Model{}.lens);
            continue;
        }
        ++imported;
        const auto& l = m.lens;
        EXPECT_TRUE(std::isfinite(l.efl));
        EXPECT_TRUE(l.telescope() || (std::isfinite(l.na) && l.na > 0 && l.na <= 1));
        for (int k = 0; k <= l.nsurf; ++k) {
            EXPECT_TRUE(std::isfinite(l.sys.sp.sep[k]));
            EXPECT_TRUE(std::isfinite(l.sys.sp.index[k][0]));
        }
        for (const auto& n : r.notices)
            for (const char* bad : {" nan", " inf", "-nan", "-inf"}) EXPECT_EQ(n.find(bad), std::string::npos) << n;
        // the lens saves, reads back and saves again as the same text
        std::string text, again;
        ASSERT_EQ(writelensfile(l, text), "");
        OpticalSystem back;
        ASSERT_EQ(readlensfile(text, back), "");
        ASSERT_EQ(writelensfile(back, again), "");
        EXPECT_EQ(again, text);
    }
    EXPECT_GT(imported, 100);   // the changes that leave a lens (a digit of a comment) import
    RecordProperty("inputs", static_cast<int>(inputs.size()));
    RecordProperty("imported", imported);
}

}  // namespace
}  // namespace zefo
