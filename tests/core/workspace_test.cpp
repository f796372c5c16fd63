#include <gtest/gtest.h>

#include "core/report/workspace.h"
#include "testutil.h"

namespace zefo {
namespace {

TEST(Workspace, CreatesTheEightDirectoriesAndAppendsToTheLog) {
    const auto dir = test::freshdir("workspace");
    const Workspace w = makeworkspace(dir.string() + "/");
    for (const char* d : {"dat", "glass", "genetic", "abr", "optim", "spot-mtf", "script", "graphics"})
        EXPECT_TRUE(std::filesystem::is_directory(dir / d)) << d;
    EXPECT_EQ(w.abrdir, dir.string() + "/abr/");
    EXPECT_EQ(w.logpath, dir.string() + "/zefo.log");
    for (int run = 0; run < 2; ++run) {
        CommandLog log;
        ASSERT_TRUE(log.open(w.logpath));
        EXPECT_TRUE(log.writeline("Program ZEFO started"));
        EXPECT_EQ(readtextfile(w.logpath).value().size(), (run + 1) * 21u);  // flushed at once
    }
    EXPECT_EQ(readtextfile(w.logpath).value(), "Program ZEFO started\nProgram ZEFO started\n");
}

}  // namespace
}  // namespace zefo
