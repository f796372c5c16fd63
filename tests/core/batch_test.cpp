// Runs the zefo-batch program as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "testutil.h"

namespace zefo {
namespace {

TEST(Batch, SaveRoundTripsTheWorkedExampleAndLogs) {
    const auto dir = test::freshdir("batch-save");
    const auto out = dir / "dat" / "out.dat";
    auto r = test::runbatch(dir, "save '" + test::datafile("lens1.dat") + "' '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readtextfile(out.string()).value(), test::readdata("lens1.dat"));
    EXPECT_EQ(readtextfile((dir / "zefo.log").string()).value(),
              "Save optical file\nSave optical file - Finished\n");
}

TEST(Batch, ErrorsAndUsageGiveTheirExitStatus) {
    const auto dir = test::freshdir("batch-errors");
    {
        std::ofstream bad(dir / "bad.dat", std::ios::binary);
        bad << "X\r\nsgm\r\n0\r\n2 1 6 21 1.0x 0 0 20 2 0 2\r\n";
    }
    auto r = test::runbatch(dir, "save '" + (dir / "bad.dat").string() + "' '" + (dir / "o.dat").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Invalid numeric input\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "o.dat"));
    EXPECT_EQ(test::runbatch(dir, "nosuchcommand").status, 2);
    EXPECT_EQ(test::runbatch(dir, "save onlyone.dat").status, 2);
}

}  // namespace
}  // namespace zefo
