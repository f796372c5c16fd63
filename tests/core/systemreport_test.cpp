// System data, ray scheme and paraxial lens data reports, compared line for line with
// texts whose numbers were worked out by the thick-lens formulas and Gaussian imaging.
#include <gtest/gtest.h>

#include <cmath>
#include <ranges>

#include "core/analysis/systemreport.h"
#include "core/model/lensfile.h"
#include "systemreport_models.h"
#include "testutil.h"

namespace zefo {
namespace {


// The report file that finishreport writes for a paraxial lens data report.
std::string prsfile(const Report& lines, const std::string& dirname) {
    Report r = lines;
    const auto dir = test::freshdir(dirname);
    const Workspace ws = makeworkspace(dir.string());
    EXPECT_EQ(r.finishreport(ws, "sys", ".prs"), "");
    EXPECT_EQ(r.lines().back(), "End of displayed data");
    return readtextfile(reportpath(ws, "sys", ".prs")).value_or("");
}

TEST(SystemReport, SingletTablesMatchThickLensData) {
    Model m = test::lens1model();
    Report r;
    ASSERT_TRUE(systemreport(m, test::kReportHead, r));
    EXPECT_EQ(r.text(), test::readdata("systemreport-lens1-system.txt"));
    // the image plane now lies at the back focal length; the throw is kept for the ray analysis
    EXPECT_NEAR(m.lens.sys.sp.sep[2], 49.1620860705, 1e-9);

    Model full = test::lens1model();
    Report rf;
    ASSERT_TRUE(systemreportfull(full, test::kReportHead, rf));
    EXPECT_EQ(rf.text(), test::readdata("systemreport-lens1-systemfull.txt"));

    Report rr;
    rayreport(test::lens1model().lens, rr);
    EXPECT_EQ(rr.text(), test::readdata("systemreport-lens1-rays.txt"));

    // a scheme of normal rays has no relative coordinates
    Model normal = test::lens1model();
    normal.lens.raytype = 0;
    Report rn;
    rayreport(normal.lens, rn);
    ASSERT_EQ(rn.lines().size(), 9u);
    EXPECT_EQ(rn.lines()[0], " No  RL      X          Y          L         M");
    EXPECT_EQ(rn.lines()[1], "  1   1    0.00000   10.00000  0.000000  0.000000");
    EXPECT_EQ(rn.lines()[6], "  6   5    0.00000    7.07107  0.000000  0.000000");
}

TEST(SystemReport, DoubletWithConicAsphericAndFresnelSurfaces) {
    Model m = test::doubletmodel();
    Report r;
    ASSERT_TRUE(systemreport(m, test::kReportHead, r));
    EXPECT_EQ(r.text(), test::readdata("systemreport-doublet-system.txt"));
}

TEST(SystemReport, TelescopeAsksForTheEntrancePupil) {
    Model m = test::keplermodel();
    int asked = 0;
    m.askentrpupil = [&asked] {
        ++asked;
        return 10.0;
    };
    Report r;
    ASSERT_TRUE(systemreport(m, test::kReportHead, r));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.text(), test::readdata("systemreport-kepler-system.txt"));
    EXPECT_NEAR(m.lens.sys.sp.sep[4], test::keplereye(), 1e-9);
}

TEST(SystemReport, FiniteObjectLineGivesObjectDistanceAndThrow) {
    // A symmetric lens at magnification -1 images from 100 mm in front of it to 100 mm behind.
    Model m = test::lens1model();
    m.lens.mag = -1;
    Report r;
    ASSERT_TRUE(systemreport(m, test::kReportHead, r, false));
    ASSERT_GE(r.lines().size(), 4u);
    EXPECT_EQ(r.lines()[1], "Focal length =   50.8379");
    EXPECT_EQ(r.lines()[3], "Object distance =-100.000 Magnification = -1.000 Throw  = 205.000");
    const std::optional<SystemData> d = systemdata(m);
    ASSERT_TRUE(d.has_value());
    EXPECT_TRUE(d->objectline);
    EXPECT_NEAR(d->objdist, -100.0, 1e-6);
    EXPECT_NEAR(d->throwdist, 205.0, 1e-9);
    // not standalone: the block ends with " " and no closing lines
    EXPECT_EQ(r.lines().back(), " ");
}

TEST(SystemReport, WriterFormatsTheNumbersItIsGiven) {
    // The lens at infinity has no object line of its own and a focal length of 50.8379: the
    // writer shows the numbers of the data it is handed and works out none of them.
    const Model m = test::lens1model();
    Report r;
    systemlines(m.lens, SystemData{12.5, true, -40, 60.25}, test::kReportHead, r, false);
    ASSERT_GE(r.lines().size(), 4u);
    EXPECT_EQ(r.lines()[1], "Focal length =   12.5000");
    EXPECT_EQ(r.lines()[3], "Object distance = -40.000 Magnification =  0.000 Throw  =  60.250");
    Report plain;
    systemlines(m.lens, SystemData{12.5, false, -40, 60.25}, test::kReportHead, plain, false);
    EXPECT_EQ(plain.lines().size() + 1, r.lines().size());
    EXPECT_EQ(plain.lines()[3], r.lines()[4]);  // the surface table follows the wavelengths
}

TEST(SystemReport, CurvatureFormAndOversizedNumbers) {
    Model m = test::lens1model();
    m.lens.radiiflag = 'N';
    m.lens.sys.sp.curv[1] = -123.45678901;   // wider than the 11 characters a row number may take
    m.lens.radmin[0] = 0.0190000;
    m.lens.radmax[0] = 0.0200000;
    Report r;
    ASSERT_TRUE(systemreportfull(m, test::kReportHead, r));
    const auto& l = r.lines();
    ASSERT_GE(l.size(), 7u);
    EXPECT_EQ(l[3],
              " No   Curvature Curv. min Curv. max Separation Separ.min Separ.max  index1   index2   index3 "
              "   disp     glass    hmax");
    EXPECT_EQ(l[4], "  1 0.0193498 0.0190000 0.0200000     0.000     0.000     0.000    1.00000  1.00000  1.00000"
                    "  0.00000     air     10.00");
    EXPECT_EQ(l[5].substr(0, 14), "  2-123.456789");

    Model plain = test::lens1model();
    plain.lens.radiiflag = 'N';
    Report rp;
    ASSERT_TRUE(systemreport(plain, test::kReportHead, rp));
    EXPECT_EQ(rp.lines()[3], " No   Curvature Separation  index1   index2   index3    disp     glass    hmax");
    EXPECT_EQ(rp.lines()[5].substr(0, 23), "  2-0.0193498     5.000");
}

TEST(SystemReport, ConicTypeFollowsTheConicConstant) {
    const struct {
        double k;
        const char* line;
    } cases[] = {
        {-1.0, "Conical surface  conic constant=  -1.000000   (Parabola)"},
        {-2.0, "Conical surface  conic constant=  -2.000000   (Hyperbola)"},
        {0.5, "Conical surface  conic constant=   0.500000   (Ellipse)"},
        {-0.5, "Conical surface  conic constant=  -0.500000   (Ellipse)"},
        {0.0, "Conical surface  conic constant=   0.000000   "},
    };
    for (const auto& c : cases) {
        Model m = test::lens1model();
        m.lens.asphdata = 'D';
        allocsystem(m);
        m.lens.sys.sp.surflabel[0] = "E";
        m.lens.sys.asf.eps[0] = c.k;
        Report r;
        ASSERT_TRUE(systemreport(m, test::kReportHead, r));
        EXPECT_EQ(r.lines()[5], c.line) << c.k;
    }
}

TEST(SystemReport, GlassNamesAreCentredInElevenCharacters) {
    EXPECT_EQ(centredglass("BK7"), "    BK7    ");
    EXPECT_EQ(centredglass("LaK9"), "   LaK9    ");
    EXPECT_EQ(centredglass(""), std::string(11, ' '));
    EXPECT_EQ(centredglass("ABCDEFGHIJK"), "ABCDEFGHIJK");
}

TEST(SystemReport, PrintedSystemAndRayTables) {
    Model m = test::doubletmodel();
    Report r;
    ASSERT_TRUE(printsystemlines(m, test::kReportHead, r));
    // the system data report without its surface type lines and closing lines
    std::string expected;
    for (const auto& line : test::readdata("systemreport-doublet-system.txt") | std::views::split('\n')) {
        const std::string l(line.begin(), line.end());
        if (l.empty() || l == " ") break;
        if (l.find(" surface ") == std::string::npos) expected += l + "\n";
    }
    EXPECT_EQ(r.text(), expected);

    Report rays;
    printraylines(test::lens1model().lens, test::kReportHead, rays);
    ASSERT_EQ(rays.lines().size(), 11u);
    EXPECT_EQ(rays.lines()[0], "           Ray scheme data");
    EXPECT_EQ(rays.lines()[2], "System name =LENS1        File = @FILE@     10.12.2026");
    EXPECT_EQ(rays.lines()[4], " No  Label     Xrel       Yrel       X          Y         L          M");
    EXPECT_EQ(rays.lines()[10], "  6     5    0.00000    0.70711    0.00000    7.07107  0.000000  0.000000");
}

TEST(SystemReport, NumbersKeepToTheirTextSize) {
    EXPECT_EQ(fmtfit(51.68, 10, 3, 11), "    51.680");
    EXPECT_EQ(fmtfit(-123.45678901, 10, 7, 11), "-123.456789");        // decimals cut at the size
    EXPECT_EQ(fmtfit(1234567890123.25, 9, 3, 10), "1234567890123");   // the integer part stays whole
    EXPECT_EQ(fmtfit(-1e-9, 10, 6), "  0.000000");                     // no "-0.000000"
    EXPECT_EQ(fmtfit(-0.0, 9, 3), "    0.000");
    EXPECT_EQ(fmtfit(-0.0005, 9, 3), "   -0.001");
}

TEST(SystemReport, FailureOfFirstOrderDataStopsTheReport) {
    Model m = test::lens1model();
    m.lens.sys.sp.index[2] = {0, 0, 0};   // image space index 0
    Report r;
    EXPECT_FALSE(systemreport(m, test::kReportHead, r));
    EXPECT_TRUE(m.calcerror);
    EXPECT_TRUE(r.lines().empty());
}

TEST(ParaxialReport, SingletAndItsLimits) {
    Model m = test::lens1model();
    Report r;
    std::vector<ParaxBlock> blocks;
    ASSERT_TRUE(paraxreport(m.lens, test::kReportHead, r, false, &blocks));
    EXPECT_EQ(prsfile(r, "prs-lens1"), test::readdata("systemreport-lens1.prs"));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_FALSE(blocks[0].doublet);
    EXPECT_EQ(blocks[0].number, 1);

    m.lens.radmin = {50.0, -53.0, 0.0};
    m.lens.radmax = {53.0, -50.0, 0.0};
    m.lens.sepmin = {0.0, 4.5, 95.0};
    m.lens.sepmax = {0.0, 5.5, 95.0};
    Report rf;
    ASSERT_TRUE(paraxreport(m.lens, test::kReportHead, rf, true));
    EXPECT_EQ(prsfile(rf, "prs-lens1-full"), test::readdata("systemreport-lens1-limits-full.prs"));

    // limits given as curvatures
    m.lens.radiiflag = 'N';
    m.lens.radmin = {1 / 50.0, 1 / -53.0, 0.0};
    m.lens.radmax = {1 / 53.0, 1 / -50.0, 0.0};
    Report rc;
    ASSERT_TRUE(paraxreport(m.lens, test::kReportHead, rc, true));
    EXPECT_EQ(prsfile(rc, "prs-lens1-curv"), test::readdata("systemreport-lens1-limits-full.prs"));
}

TEST(ParaxialReport, DoubletGivesDoubletBlockAndItsTwoLenses) {
    Model m = test::doubletmodel();
    Report r;
    std::vector<ParaxBlock> blocks;
    ASSERT_TRUE(paraxreport(m.lens, test::kReportHead, r, false, &blocks));
    EXPECT_EQ(prsfile(r, "prs-doublet"), test::readdata("systemreport-doublet.prs"));
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_TRUE(blocks[0].doublet);
    EXPECT_EQ(blocks[3].number, 3);
}

TEST(ParaxialReport, CementedTripletAndTooFewSurfaces) {
    using test::kAir;
    using test::kBK7;
    using test::kF2;
    Model triplet = test::objectivemodel("TRIPLET", {
        {50.0, 0.0, "air", kAir, 0.0, 10.0, "S"},
        {-40.0, 5.0, "BK7", kBK7, 0.00806, 10.0, "S"},
        {40.0, 2.0, "F2", kF2, 0.01705, 10.0, "S"},
        {-50.0, 5.0, "BK7", kBK7, 0.00806, 10.0, "S"},
        {0.0, 50.0, "air", kAir, 0.0, 10.0, "S"},
    });
    Report r;
    std::vector<ParaxBlock> blocks;
    ASSERT_TRUE(paraxreport(triplet.lens, test::kReportHead, r, false, &blocks));
    EXPECT_TRUE(blocks.empty());
    EXPECT_EQ(r.lines().size(), 4u);   // header, blank, title line, blank

    Model one = test::objectivemodel("ONE", {
        {50.0, 0.0, "air", kAir, 0.0, 10.0, "S"},
        {0.0, 50.0, "BK7", kBK7, 0.00806, 10.0, "S"},
    });
    Report r1;
    EXPECT_FALSE(paraxreport(one.lens, test::kReportHead, r1, false));
    EXPECT_TRUE(r1.lines().empty());
    EXPECT_STREQ(paraxsurfacesmsg, "System must have minimum two surfaces for paraxial calculations!");
}

TEST(ParaxialReport, LensValuesAgreeWithTheThickLensFormulas) {
    // f = 1/((n-1)(1/R1 - 1/R2 + (n-1)d/(n R1 R2))); sp = f(1 - (n-1)d/(n R1));
    // front focal point at -f(1 + (n-1)d/(n R2)) from the first vertex.
    const struct {
        double r1, r2, d, n;
    } cases[] = {{51.68, -51.68, 5, 1.5168}, {30, 80, 4, 1.62}, {-40, -25, 3, 1.7}, {0, -60, 5, 1.5},
                 {60, 0, 5, 1.5}};
    for (const auto& c : cases) {
        const double k1 = c.r1 != 0 ? 1 / c.r1 : 0, k2 = c.r2 != 0 ? 1 / c.r2 : 0;
        const double nm = c.n - 1;
        const double f = 1 / (nm * (k1 - k2 + nm * c.d * k1 * k2 / c.n));
        const LensParax p = lensparax({{c.r1, c.d, c.n}}, c.r2);
        EXPECT_NEAR(p.f, f, 1e-9 * std::fabs(f)) << c.r1 << " " << c.r2;
        EXPECT_NEAR(p.sp, f * (1 - nm * c.d * k1 / c.n), 1e-9 * std::fabs(f));
        EXPECT_NEAR(p.s, -f * (1 + nm * c.d * k2 / c.n), 1e-9 * std::fabs(f));
    }
    // a plane parallel plate has no focal points
    const LensParax plate = lensparax({{0, 5, 1.5}}, 0);
    EXPECT_EQ(plate.f, 0);
    EXPECT_EQ(plate.sp, 0);
    EXPECT_EQ(plate.s, 0);
}

}  // namespace
}  // namespace zefo
