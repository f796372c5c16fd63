// Export of lenses as .zmx files and their round trip through the importer: every sample and
// test lens comes back with the same surfaces and first-order data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/app/samplelenses.h"
#include "core/edit/newsystem.h"
#include "core/import/zmxexport.h"
#include "core/import/zmximport.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"
#include "testutil.h"

namespace zefo {
namespace {

class ZmxExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(cat.open(test::freshdir("glass").string() + "/"), ""); }
    GlassCatalog cat;
};

void expectclose(double a, double b, const std::string& what) {
    EXPECT_NEAR(a, b, 1e-12 * std::max({1.0, std::fabs(a), std::fabs(b)})) << what;
}

// The lens back from its .zmx text, compared with the original surface by surface and in
// its first-order data.
void expectroundtrip(GlassCatalog& cat, Model original) {
    const OpticalSystem& l = original.lens;
    const std::string name = l.sysname;
    preparetrace(original.lens, original.trace);
    const FirstOrderData f0 = nudatparax(original);
    ASSERT_FALSE(original.calcerror) << name << ": " << original.errmsg;
    const ZmxExport e = exportzmx(l, cat);
    ASSERT_EQ(e.error, "") << name;
    Model back;
    const ZmxImport r = importzmx(back, zmxutf16le(e.text), "X", cat);
    ASSERT_EQ(r.error, "") << name << "\n" << e.text;
    const OpticalSystem& b = back.lens;
    EXPECT_EQ(b.sysname, l.sysname);
    ASSERT_EQ(b.nsurf, l.nsurf) << name;
    EXPECT_EQ(b.stopsurf, l.stopsurf) << name;
    EXPECT_EQ(b.telescope(), l.telescope()) << name;
    EXPECT_EQ(b.threewl(), l.threewl()) << name;
    ASSERT_EQ(b.nfields, l.nfields) << name;
    for (size_t f = 0; f < l.nfields; ++f) expectclose(b.field[f], l.field[f], name + " field");
    for (int w = 0; w < 3; ++w) expectclose(b.wl[w], l.wl[w], name + " wavelength");
    if (l.telescope()) {
        expectclose(b.eph, l.eph, name + " eph");
    } else {
        expectclose(b.na, l.na, name + " na");
        expectclose(b.mag, l.mag, name + " mag");
    }
    const auto& sa = l.sys.sp;
    const auto& sb = b.sys.sp;
    for (int k = 0; k < l.nsurf; ++k) {
        const auto i = static_cast<size_t>(k);
        const std::string at = name + " surface " + std::to_string(k + 1);
        EXPECT_EQ(sb.surflabel[i], sa.surflabel[i]) << at;
        expectclose(sb.curv[i], sa.curv[i], at + " curv");
        expectclose(sb.hmax[i], sa.hmax[i], at + " hmax");
        if (k > 0) expectclose(sb.sep[i], sa.sep[i], at + " sep");
        EXPECT_EQ(isair(sb.glass[i + 1]), isair(sa.glass[i + 1])) << at;
        expectclose(sb.index[i + 1][0], sa.index[i + 1][0], at + " index");
        expectclose(sb.disp[i + 1], sa.disp[i + 1], at + " dispersion");
        if (l.asphdata == 'D') {
            const auto &aa = l.sys.asf, &ab = b.sys.asf;
            for (const auto& [x, y, what] : {std::tuple{ab.eps[i], aa.eps[i], "conic"}, std::tuple{ab.a4[i], aa.a4[i], "a4"},
                                              std::tuple{ab.a6[i], aa.a6[i], "a6"}, std::tuple{ab.a8[i], aa.a8[i], "a8"},
                                              std::tuple{ab.a10[i], aa.a10[i], "a10"}})
                expectclose(x, y, at + " " + what);
        }
    }
    expectclose(sb.sep[static_cast<size_t>(l.nsurf)], sa.sep[static_cast<size_t>(l.nsurf)], name + " image distance");
    Model again;   // the first-order data of the lens read back, computed as for the original
    again.lens = b;
    preparetrace(again.lens, again.trace);
    const FirstOrderData f1 = nudatparax(again);
    ASSERT_FALSE(again.calcerror) << name << ": " << again.errmsg;
    const std::pair<double, double> firstorder[] = {
        {f1.efl, f0.efl}, {f1.lbar, f0.lbar}, {f1.lbarp, f0.lbarp}, {f1.up, f0.up}, {f1.y0, f0.y0}, {f1.m0, f0.m0},
        {f1.imagedist, f0.imagedist}, {f1.objvergence, f0.objvergence}, {f1.lbarchief, f0.lbarchief},
        {f1.dystop, f0.dystop}, {f1.dioptricmismatch, f0.dioptricmismatch}, {f1.conradyaxial, f0.conradyaxial},
        {f1.eyepupil, f0.eyepupil}};
    for (size_t q = 0; q < std::size(firstorder); ++q)
        expectclose(firstorder[q].first, firstorder[q].second, name + " first-order value " + std::to_string(q));
}

TEST_F(ZmxExportTest, EverySampleLensComesBackUnchanged) {
    for (const SampleLens& s : samplelenses()) {
        const Model m = buildsamplelens(s, cat);
        ASSERT_FALSE(m.calcerror) << s.sysname;
        expectroundtrip(cat, m);
    }
}

TEST_F(ZmxExportTest, TestLensesComeBackUnchanged) {
    for (Model m : {doublegauss(), asphericdoublet()}) {
        // the fields the lens was built with, and clear radii the editors take (below the
        // radius of every surface)
        m.lens.nfields = static_cast<uint8_t>(1 + std::count_if(m.lens.field.begin() + 1, m.lens.field.end(),
                                                                [](double f) { return f > 0; }));
        for (int k = 0; k < m.lens.nsurf; ++k)
            m.lens.sys.sp.hmax[static_cast<size_t>(k)] =
                std::min(m.lens.sys.sp.hmax[static_cast<size_t>(k)], 0.9 * surfaceedge(m.lens, k));
        // its standard ray scheme laid out and aimed, as the program holds a lens
        initstdrays(m);
        ASSERT_EQ(newsystemcompute(m), "") << m.lens.sysname;
        expectroundtrip(cat, m);
    }
}

TEST_F(ZmxExportTest, FiniteObjectAndMirrorsComeBackUnchanged) {
    // the test's own lenses written by hand: a relay singlet at magnification -0.5 and a
    // Cassegrain in air, through the importer once and then round trip
    const std::string relay =
        "NAME RELAY\nENPD 10\nFTYP 1 0 2 3\nYFLN 0 4\nWAVM 1 0.5876 1\nWAVM 2 0.6563 1\nWAVM 3 0.4861 1\n"
        "SURF 0\n  DISZ 300\nSURF 1\n  STOP\n  CURV 0.02\n  DISZ 6\n  GLAS N-BK7 0 0 1.5 40\n  DIAM 12\n"
        "SURF 2\n  CURV -0.01\n  DISZ 90\n  DIAM 12\nSURF 3\n  CURV 0\n  DISZ 0\n";
    const std::string cassegrain =
        "NAME CASS\nENPD 100\nFTYP 0 0 2 1\nYFLN 0 0.2\nWAVM 1 0.5876 1\nSURF 0\n  DISZ INFINITY\n"
        "SURF 1\n  STOP\n  CURV -0.0025\n  CONI -1\n  DISZ -150\n  GLAS MIRROR\n  DIAM 52\n"
        "SURF 2\n  CURV -0.005\n  DISZ 300\n  GLAS MIRROR\n  DIAM 18\nSURF 3\n  CURV 0\n  DISZ 0\n";
    for (const auto& text : {relay, cassegrain}) {
        Model m;
        const ZmxImport r = importzmx(m, text, "X", cat);
        ASSERT_EQ(r.error, "") << r.error;
        expectroundtrip(cat, m);
    }
}

TEST_F(ZmxExportTest, WritesTheKeysOfTheLens) {
    Model m = buildsamplelens(samplelenses()[1], cat);   // the Cooke triplet
    const ZmxExport e = exportzmx(m.lens, cat);
    ASSERT_EQ(e.error, "");
    for (const char* key : {"MODE SEQ\n", "NAME COOKE\n", "FTYP 0 0 4 3 0 0 0\n", "PWAV 1\n", "  STOP\n",
                            "  GLAS SK4 0 0 ", "SURF 8\n  TYPE STANDARD\n  CURV 0\n  DISZ 0\n", "  DISZ INFINITY\n"})
        EXPECT_NE(e.text.find(key), std::string::npos) << key << "\n" << e.text;
    // a Fresnel surface cannot be written: nothing is
    m.lens.sys.sp.surflabel[2] = "F";
    const ZmxExport f = exportzmx(m.lens, cat);
    EXPECT_NE(f.error.find("surface 3: a Fresnel surface"), std::string::npos);
    EXPECT_EQ(f.text, "");
    const std::string path = (test::freshdir("zmxout") / "f.zmx").string();
    EXPECT_NE(savezmx(path, m.lens, cat), "");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace zefo
