#include <gtest/gtest.h>

#include "app/report.h"
#include "testutil.h"
#include "util/fileio.h"

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

}  // namespace
}  // namespace zefo
