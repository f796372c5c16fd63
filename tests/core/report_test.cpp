// Report files: what a calculation wrote, the window's lines, and a report that got a
// number that is not finite is never written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/report/report.h"
#include "testutil.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

// A report file holds what the calculation wrote (with the units line when the report
// is finished, as it stands when the work gave the whole file); the window adds its
// closing lines, and showing the stored file gives the same window again.
TEST(Report, FileAndWindowLines) {
    const auto dir = test::freshdir("report");
    const Workspace ws = makeworkspace(dir.string());
    struct Case {
        const char* ext;
        bool whole;
        const char* file;
    };
    const Case cases[] = {
        {".rez", false, "Ray trace\n \nMeasurement units are mm\n"},
        {".wbr", true, "Ray trace\n"},
        {".gtf", true, "Ray trace\n"},
    };
    for (const Case& c : cases) {
        Report r;
        r.addline("Ray trace");
        const std::string err = c.whole ? r.savereport(ws, "lens1", c.ext) : r.finishreport(ws, "lens1", c.ext);
        EXPECT_EQ(err, "") << c.ext;
        EXPECT_EQ(readtextfile(reportpath(ws, "lens1", c.ext)), std::optional<std::string>(c.file)) << c.ext;
        EXPECT_EQ(r.text(), std::string(c.file) + " \nEnd of displayed data\n") << c.ext;
        Report shown;
        ASSERT_TRUE(shown.showreport(ws, "lens1", c.ext)) << c.ext;
        EXPECT_EQ(shown.lines(), r.lines()) << c.ext;
    }
    // the spot and MTF reports live in their own folder
    EXPECT_EQ(reportpath(ws, "lens1", ".gtf"), ws.spotmtfdir + "lens1.gtf");
    Report missing;
    missing.addline("kept");
    EXPECT_FALSE(missing.showreport(ws, "other", ".rez"));
    EXPECT_EQ(missing.lines(), std::vector<std::string>{"kept"});
}

// A report that cannot be written says so and still shows its window lines.
TEST(Report, UnwritableFileGivesAnError) {
    const auto dir = test::freshdir("report-unwritable");
    Workspace ws = makeworkspace(dir.string());
    ws.abrdir = (dir / "no-such-folder").string() + "/";
    Report r;
    r.addline("Ray trace");
    EXPECT_NE(r.savereport(ws, "lens1", ".wbr"), "");
    EXPECT_EQ(r.lines().back(), "End of displayed data");
}

// A report name that is no single file name writes nothing outside the workspace folder.
TEST(Report, NameThatLeavesItsFolderIsRefused) {
    const auto dir = test::freshdir("report-escape");
    const Workspace ws = makeworkspace((dir / "ws").string());
    for (const char* name : {"../../escaped", "..", "a/b"}) {
        Report r;
        r.addline("Ray trace");
        EXPECT_EQ(r.finishreport(ws, name, ".rez"), "The report name \"" + std::string(name) + "\" is not a valid file name");
        EXPECT_EQ(r.savereport(ws, name, ".rez"), "The report name \"" + std::string(name) + "\" is not a valid file name");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "escaped.rez"));
    EXPECT_FALSE(std::filesystem::exists(dir / "ws" / "abr" / "a"));
}

TEST(Report, NumberThatIsNotFiniteKeepsTheReportFromItsFile) {
    const double cases[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
    for (double bad : cases) {
        const auto dir = test::freshdir("report");
        const Workspace ws = makeworkspace(dir.string() + "/");
        const std::string path = reportpath(ws, "lens", ".rez");
        ASSERT_EQ(writefileatomic(path, "an older good report\n"), "");

        Report r;
        r.addline("efl =" + fmtf(100.25, 10, 4));
        EXPECT_TRUE(r.numbers().finite());
        r.addline("bfl =" + fmtf(bad, 10, 4));
        r.addline("after" + fmtf(1, 6, 2));
        EXPECT_FALSE(r.numbers().finite()) << bad;
        EXPECT_EQ(r.finishreport(ws, "lens", ".rez"), nonfinitemsg);
        EXPECT_EQ(r.savereport(ws, "lens", ".rez"), nonfinitemsg);  // nor as the whole file
        EXPECT_EQ(r.lines().size(), 3u);  // nothing appended either
        EXPECT_EQ(readtextfile(path).value(), "an older good report\n");

        // A report started again after the failure is written as usual.
        r.clear();
        EXPECT_TRUE(r.numbers().finite());
        r.addline("efl =" + fmtf(100.25, 10, 4));
        EXPECT_EQ(r.finishreport(ws, "lens", ".rez"), "");
        EXPECT_EQ(readtextfile(path).value(), "efl =  100.2500\n \nMeasurement units are mm\n");
    }
}

TEST(Report, WatchSeesOnlyNumbersWrittenWhileItLives) {
    fmtf(std::nan(""), 8, 3);  // before the watch began
    FiniteWatch watch;
    EXPECT_TRUE(watch.finite());
    FiniteWatch inner;
    fmtf(-std::numeric_limits<double>::infinity(), 8, 3);
    EXPECT_FALSE(inner.finite());
    EXPECT_FALSE(watch.finite());
    inner.restart();
    EXPECT_TRUE(inner.finite());
    fmtf(1e300, 8, 3);  // large but finite
    EXPECT_TRUE(inner.finite());
}

}  // namespace
}  // namespace zefo
