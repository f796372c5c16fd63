#include <gtest/gtest.h>

#include "model/lensfile.h"
#include "testutil.h"
#include "util/numfmt.h"

namespace zefo {
namespace {

using test::readdata;
using test::replaced;

std::string roundtrip(const std::string& text, Model& m) {
    EXPECT_EQ(readlensfile(text, m), "");
    std::string out;
    EXPECT_EQ(writelensfile(m, out), "");
    return out;
}

TEST(LensFile, WorkedSingletRoundTripsByteForByte) {
    const std::string text = readdata("lens1.dat");
    Model m;
    EXPECT_EQ(roundtrip(text, m), text);
    EXPECT_EQ(m.sysname, "LENS1");
    EXPECT_EQ(m.glasscat, "sgm");
    EXPECT_EQ(m.nsurf, 2);
    EXPECT_EQ(m.stopsurf, 1);
    EXPECT_EQ(m.nrays, 6);
    EXPECT_EQ(m.naber, 21);
    EXPECT_EQ(m.raytype, 20);
    EXPECT_EQ(m.nrings, 7);
    EXPECT_EQ(m.nfreq, 50);
    EXPECT_DOUBLE_EQ(m.up, -0.1);
    ASSERT_EQ(m.sys.sp.glass.size(), 3u);
    EXPECT_EQ(m.sys.sp.glass[1], "BK7");
    EXPECT_EQ(m.sys.sp.optlabel[0], "CD");
    EXPECT_EQ(m.sys.sp.optlabel[2], "");
    EXPECT_DOUBLE_EQ(m.sys.sp.sep[2], 95.0);
    EXPECT_DOUBLE_EQ(m.sys.sp.index[1][2], 1.52238);
    EXPECT_DOUBLE_EQ(m.mu[0][0], 0.659282700421941);
    EXPECT_EQ(m.rays.rl[5], 5);
    EXPECT_DOUBLE_EQ(m.field[1], 5.0);
    EXPECT_EQ(m.tri.trglass[1], "LaK9");
    EXPECT_DOUBLE_EQ(m.radmin[1], -51.68);
    EXPECT_FALSE(m.mono);
    EXPECT_EQ(m.sys.asf.eps.size(), 0u);  // no aspheric data allocated
}

TEST(LensFile, OlderFormWithoutCatalogueLineIsReadAndWrittenInNewerForm) {
    const std::string text = readdata("lens1.dat");
    Model m;
    m.glasscat = "other";
    EXPECT_EQ(roundtrip(replaced(text, "sgm\r\n", ""), m), text);
    EXPECT_EQ(m.glasscat, "sgm");
}

TEST(LensFile, AcceptsLfLineEnds) {
    const std::string text = readdata("lens1.dat");
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    Model m;
    EXPECT_EQ(roundtrip(lf, m), text);
}

TEST(LensFile, WavelengthLinesWithTwoValuesGetUnitOptimizationWeight) {
    std::string text = readdata("lens1.dat");
    text = replaced(text, " 6.56300000000000E-0004  1.00000000000000E+0000  1.00000000000000E+0000",
                    " 6.56300000000000E-0004  2.00000000000000E+0000");
    text = replaced(text, " 5.87600000000000E-0004  1.00000000000000E+0000  1.00000000000000E+0000",
                    " 5.87600000000000E-0004  1.00000000000000E+0000  5.00000000000000E-0001");
    Model m;
    ASSERT_EQ(readlensfile(text, m), "");
    EXPECT_DOUBLE_EQ(m.wloptweight[0], 0.5);
    EXPECT_DOUBLE_EQ(m.wlmtfweight[1], 2.0);
    EXPECT_DOUBLE_EQ(m.wloptweight[1], 1.0);
    EXPECT_DOUBLE_EQ(m.wl[2], 0.0004861);
}

// The file cut after the ray block: default triangle and bounds at the nominal values.
std::string cutafterrays(const std::string& text) {
    return text.substr(0, text.find(" 1.51680000000000E+0000  8.05400000000000E-0003 BK7"));
}

TEST(LensFile, EndAfterRayBlockGivesDefaultTriangleAndNominalBounds) {
    const std::string full = readdata("lens1.dat");
    Model m;
    m.tri.trglass[0] = "XX";
    EXPECT_EQ(roundtrip(cutafterrays(full), m), full);
    EXPECT_EQ(m.tri.trglass[0], "BK7");
    EXPECT_DOUBLE_EQ(m.radmax[1], -51.68);
    EXPECT_DOUBLE_EQ(m.sepmin[2], 95.0);
}

TEST(LensFile, BlankLineAfterRayBlockMeansTheTriangleFollows) {
    const std::string full = readdata("lens1.dat");
    const std::string cut = cutafterrays(full);
    const std::string text = cut + "\r\n" + full.substr(cut.size());
    Model m;
    EXPECT_EQ(roundtrip(text, m), full);
}

TEST(LensFile, GlassNamesKeepTenCharactersAndVazduhBecomesAir) {
    std::string text = readdata("lens1.dat");
    text = replaced(text, "1.00000000000000E+0001 BK7", "1.00000000000000E+0001 ABCDEFGHIJK");
    text = replaced(text, "1.00000000000000E+0001 air", "1.00000000000000E+0001 vazduh");
    Model m;
    ASSERT_EQ(readlensfile(text, m), "");
    EXPECT_EQ(m.sys.sp.glass[1], "ABCDEFGHIJ");
    EXPECT_EQ(m.sys.sp.glass[0], "air");
    std::string out;
    ASSERT_EQ(writelensfile(m, out), "");
    Model again;
    ASSERT_EQ(readlensfile(out, again), "");
    EXPECT_EQ(again.sys.sp.glass[1], "ABCDEFGHIJ");
}

TEST(LensFile, MalformedFilesAreRefusedAndLeaveTheModelUntouched) {
    const std::string good = readdata("lens1.dat");
    struct Case { const char* what; std::string text; const char* error; };
    const Case cases[] = {
        {"bad real", replaced(good, "-5.16800000000000E+0001 -1.93", "-5.1680x000000000E+0001 -1.93"),
         "Invalid numeric input"},
        {"bad count", replaced(good, "2 1 6 21 ", "2 1 6 2x1 "), "Invalid numeric input"},
        {"no surfaces", replaced(good, "2 1 6 21 ", "0 1 6 21 "), "Number of surfaces must be between 1 and 254"},
        {"too many surfaces", replaced(good, "2 1 6 21 ", "9999999 1 6 21 "),
         "Number of surfaces must be between 1 and 254"},
        {"negative surfaces", replaced(good, "2 1 6 21 ", "-2 1 6 21 "),
         "Number of surfaces must be between 1 and 254"},
        {"no merit components", replaced(good, "2 1 6 21 ", "2 1 6 0 "),
         "Number of merit function components must be between 1 and 32767"},
        {"empty file", "", "Number of surfaces must be between 1 and 254"},
    };
    Model loaded;
    ASSERT_EQ(readlensfile(good, loaded), "");
    loaded.sysname = "LOADED";
    for (const auto& c : cases) {
        Model m = loaded;
        EXPECT_EQ(readlensfile(c.text, m), c.error) << c.what;
        EXPECT_EQ(m.sysname, "LOADED") << c.what;
        EXPECT_EQ(m.nsurf, 2) << c.what;
        EXPECT_DOUBLE_EQ(m.sys.sp.radius[0], 51.68) << c.what;
    }
}

TEST(LensFile, WriteRefusesCountsTheFileCannotHold) {
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    m.nsurf = 255;
    allocsystem(m);
    std::string out = "untouched";
    EXPECT_EQ(writelensfile(m, out), "Number of surfaces must be between 1 and 254");
    EXPECT_EQ(out, "untouched");
}

TEST(LensFile, CurvatureFormAndTelescopeFlags) {
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    m.radiiflag = 'N';
    m.systype = 4;
    m.objinf = 'N';
    m.asphdata = 'D';
    allocsystem(m);
    m.sys.asf.eps[1] = -1.0;
    m.sys.asf.a10[1] = 1e-12;
    m.radmin[1] = 0.01;
    std::string out;
    ASSERT_EQ(writelensfile(m, out), "");
    EXPECT_NE(out.find("\r\nNDN\r\n"), std::string::npos);
    Model back;
    ASSERT_EQ(readlensfile(out, back), "");
    EXPECT_EQ(back.radiiflag, 'N');
    EXPECT_EQ(back.objinf, 'N');
    EXPECT_DOUBLE_EQ(back.sys.sp.curv[1], m.sys.sp.curv[1]);
    EXPECT_DOUBLE_EQ(back.sys.sp.radius[1], 0.0);  // radii are not stored in the curvature form
    EXPECT_DOUBLE_EQ(back.sys.asf.eps[1], -1.0);
    EXPECT_DOUBLE_EQ(back.sys.asf.a10[1], 1e-12);
    EXPECT_DOUBLE_EQ(back.radmin[1], 0.01);
    std::string again;
    ASSERT_EQ(writelensfile(back, again), "");
    EXPECT_EQ(again, out);
}

TEST(LensFile, SaveReplacesTheFileWholeAndKeepsItOnFailure) {
    const auto dir = test::freshdir("save");
    const std::string path = (dir / "lens.dat").string();
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    ASSERT_EQ(savelensfile(path, m), "");
    EXPECT_EQ(readtextfile(path).value(), readdata("lens1.dat"));
    m.nsurf = 300;
    EXPECT_NE(savelensfile(path, m), "");
    EXPECT_EQ(readtextfile(path).value(), readdata("lens1.dat"));
    EXPECT_EQ(loadlensfile((dir / "missing.dat").string(), m), "Cannot open file " + (dir / "missing.dat").string());
}

TEST(NumberFormat, TwentyThreeCharacterReal) {
    const std::pair<double, const char*> cases[] = {
        {0.0005876, " 5.87600000000000E-0004"},
        {-51.68, "-5.16800000000000E+0001"},
        {0.0, " 0.00000000000000E+0000"},
        {-0.0, " 0.00000000000000E+0000"},
        {0.0193498452012384, " 1.93498452012384E-0002"},
        {1.0 / 3.0, " 3.33333333333333E-0001"},
        {2.0 / 3.0, " 6.66666666666667E-0001"},
        {1e-300, " 1.00000000000000E-0300"},
        {9.999999999999999e22, " 1.00000000000000E+0023"},
    };
    for (const auto& [v, s] : cases) EXPECT_EQ(fmtreal(v), s) << v;
}

TEST(NumberFormat, FixedIntegerAndParsing) {
    EXPECT_EQ(fmtf(3.14159, 8, 3), "   3.142");
    EXPECT_EQ(fmtf(-123456.5, 4, 1), "-123456.5");
    EXPECT_EQ(fmti(42, 5), "   42");
    EXPECT_EQ(parsereal("+2E-0004").value(), 2e-4);
    EXPECT_FALSE(parsereal("1.2.3"));
    EXPECT_FALSE(parsereal(""));
    EXPECT_FALSE(parseint("1.0"));
    EXPECT_EQ(parsetyped(" 1,5 ").value(), 1.5);
}

}  // namespace
}  // namespace zefo
