// Whole report files of small systems against the expected text computed independently by
// tests/core/data/aberr_reports.py.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "aberrations_systems.h"
#include "core/analysis/aberrations.h"
#include "core/analysis/rayanalysis.h"
#include "core/analysis/seidel.h"
#include "core/analysis/systemreport.h"
#include "core/report/report.h"
#include "core/report/workspace.h"
#include "testutil.h"
#include "core/util/fileio.h"

namespace zefo {
namespace {

using test::kepler;
using test::singlet;

using Calc = std::function<void(Model&, const ReportHead&, Report&)>;

// Runs a report calculation and returns the text of its report file.
std::string reportfile(Model m, const Calc& calc, const std::string& ext) {
    const auto dir = test::freshdir("aberrations-reports");
    const Workspace ws = makeworkspace(dir.string());
    Report r;
    calc(m, ReportHead{"/data/" + m.lens.sysname + ".dat", "10.12.2026"}, r);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(r.finishreport(ws, m.lens.sysname, ext), "");
    EXPECT_EQ(r.lines().back(), "End of displayed data");
    return readtextfile(ws.abrdir + m.lens.sysname + ext).value_or("");
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
        const uint8_t systype = m.lens.systype;
        aberrationsreport(m, h, r);
        EXPECT_EQ(m.lens.systype, systype);
    };
    EXPECT_EQ(reportfile(singlet(0), abr, ".abr"), test::readdata("singlet.abr"));
    EXPECT_EQ(reportfile(kepler(4), abr, ".abr"), test::readdata("kepler.abr"));
}

}  // namespace
}  // namespace zefo
