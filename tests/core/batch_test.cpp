// Runs the zefo-batch program as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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
    EXPECT_EQ(r.err, "File " + (dir / "bad.dat").string() + " is not a lens data file\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "o.dat"));
    EXPECT_EQ(test::runbatch(dir, "nosuchcommand").status, 2);
    EXPECT_EQ(test::runbatch(dir, "save onlyone.dat").status, 2);
}

// A damaged lens data file stops every command with the reader's message, which names the
// file and the line, on standard error; nothing is written.
TEST(Batch, DamagedLensFilesStopEveryCommandAndWriteNothing) {
    const auto dir = test::freshdir("batch-damaged");
    const std::string good = test::readdata("lens1.dat");
    struct Damage { const char* name; std::string text; std::string message; };
    const Damage damages[] = {
        {"TRUNC.dat", good.substr(0, 3000), ", line 70: The file ends here, before the end of its ray data"},
        {"DEFOCUS.dat", test::replaced(good, "50  0.00000000000000E+0000", "50  1.00000000000000E+0200"),
         ", line 13: Number out of range (magnitude above 1E+30)"},
        {"NOTES.dat", "Lens design notes\nThe doublet needs 2 more surfaces.\n", " is not a lens data file"},
    };
    const std::string out = (dir / "out.dat").string();
    for (const auto& d : damages) {
        const std::string path = (dir / d.name).string();
        std::ofstream(path, std::ios::binary) << d.text;
        for (const std::string& cmd : {"rays '" + path + "'", "save '" + path + "' '" + out + "'",
                                       "rayscheme '" + path + "' --save '" + out + "'"}) {
            const auto r = test::runbatch(dir, cmd);
            EXPECT_EQ(r.status, 1) << cmd;
            EXPECT_EQ(r.err, "File " + path + d.message + "\n") << cmd;
            EXPECT_EQ(r.out, "") << cmd;
            EXPECT_FALSE(std::filesystem::exists(out)) << cmd;
            EXPECT_TRUE(std::filesystem::is_empty(dir / "abr")) << cmd;
        }
    }
}

}  // namespace
}  // namespace zefo
