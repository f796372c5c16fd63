// Report files: a report that got a number that is not finite is never written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/report.h"
#include "testutil.h"
#include "util/numfmt.h"

namespace zefo {
namespace {

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
