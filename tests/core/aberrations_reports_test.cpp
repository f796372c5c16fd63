// Whole report files of small systems against the expected text computed independently by
// tests/core/data/aberr_reports.py.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "aberrations_systems.h"
#include "analysis/aberrations.h"
#include "analysis/rayanalysis.h"
#include "analysis/seidel.h"
#include "analysis/systemreport.h"
#include "app/report.h"
#include "app/workspace.h"
#include "testutil.h"
#include "util/fileio.h"

namespace zefo {
namespace {

using test::Surf;
using test::makesystem;

constexpr double kPi = 3.14159265358979323846;
const Index3 kBK7{1.5168, 1.51432, 1.52238};

// A ray of the scheme: label, field value (chief rays), start point and slope cosine m.
struct Ray {
    int rl;
    double yrel, x, y, m;
};

void setrays(Model& m, const std::vector<Ray>& rays) {
    for (size_t k = 0; k < rays.size(); ++k) {
        m.rays.rl[k] = static_cast<uint8_t>(rays[k].rl);
        m.rays.yrel[k] = rays[k].yrel;
        m.rays.x[k] = rays[k].x;
        m.rays.y[k] = rays[k].y;
        m.rays.m[k] = rays[k].m;
    }
}

void glass(Model& m, size_t i) {
    m.sys.sp.index[i] = kBK7;
    m.sys.sp.disp[i] = 0.00806;
    m.sys.sp.glass[i] = "BK7";
}

// Singlet R 50 / -50, 5 mm BK7, stop on the lens, NA 0.1, field 5 degrees.
Model singlet(uint8_t systype) {
    Model m = makesystem({{0.02, 0, 1}, {-0.02, 5, 1}, {0, 0, 1}}, 1, {1, 12, 13, 14, 14, 5}, systype);
    glass(m, 1);
    m.sysname = "SINGLET";
    m.na = 0.1;
    const double s5 = std::sin(5 * kPi / 180);
    setrays(m, {{1, 0, 0, 0, 0}, {12, 0, 0, 5, 0}, {13, 5, 0, 0, s5}, {14, 0, 0, -4.5, s5},
                {14, 0, 0, 4.5, s5}, {5, 0, 4, 0, s5}});
    return m;
}

// Kepler telescope: two BK7 lenses R 100 / -100 and R 25 / -25, 120 mm apart, entrance
// pupil radius 5 on the first surface, field 1 degree.
Model kepler(uint8_t systype) {
    Model m = makesystem({{0.01, 0, 1}, {-0.01, 4, 1}, {0.04, 120, 1}, {-0.04, 3, 1}, {0, 0, 1}}, 1,
                         {1, 12, 13, 14, 14, 5}, systype);
    glass(m, 1);
    glass(m, 3);
    m.sysname = "KEPLER";
    m.objinf = 'D';
    m.mag = -4;
    m.eph = 5;
    const double s1 = std::sin(1 * kPi / 180);
    setrays(m, {{1, 0, 0, 0, 0}, {12, 0, 0, 5, 0}, {13, 1, 0, 0, s1}, {14, 0, 0, -4, s1},
                {14, 0, 0, 4, s1}, {5, 0, 4, 0, s1}});
    return m;
}

using Calc = std::function<void(Model&, const ReportHead&, Report&)>;

// Runs a report calculation and returns the text of its report file.
std::string reportfile(Model m, const Calc& calc, const std::string& ext) {
    const auto dir = test::freshdir("aberrations-reports");
    const Workspace ws = makeworkspace(dir.string());
    Report r;
    calc(m, ReportHead{"/data/" + m.sysname + ".dat", "10.12.2026"}, r);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(r.finishreport(ws, m.sysname, ext), "");
    EXPECT_EQ(r.lines().back(), "End of displayed data");
    return readtextfile(ws.abrdir + m.sysname + ext).value_or("");
}

TEST(AberrationsReportsTest, RayTraceReports) {
    const Calc rez = [](Model& m, const ReportHead& h, Report& r) { raytracereport(m, h, r); };
    EXPECT_EQ(reportfile(singlet(0), rez, ".rez"), test::readdata("singlet-conrady.rez"));
    EXPECT_EQ(reportfile(singlet(1), rez, ".rez"), test::readdata("singlet-three.rez"));
    EXPECT_EQ(reportfile(kepler(5), rez, ".rez"), test::readdata("kepler-three.rez"));
}

TEST(AberrationsReportsTest, SeidelReport) {
    const Calc sei = [](Model& m, const ReportHead& h, Report& r) { seidel(m, h, r); };
    EXPECT_EQ(reportfile(singlet(0), sei, ".sei"), test::readdata("singlet.sei"));
}

TEST(AberrationsReportsTest, AberrationAnalysisReport) {
    const Calc abr = [](Model& m, const ReportHead& h, Report& r) {
        RayAnalysis a;
        aberrationsreport(m, h, r, a);
        EXPECT_EQ(m.systype, 0);
    };
    EXPECT_EQ(reportfile(singlet(0), abr, ".abr"), test::readdata("singlet.abr"));
}

}  // namespace
}  // namespace zefo
