// zefo-batch when memory runs out: a message and exit status 1, never a crash or a file
// read only in part.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testutil.h"

namespace zefo {
namespace {

TEST(BatchMemory, FileLargerThanTheMemoryEndsTheCommandWithAMessage) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address checker needs more address space than the limit of this test";
#endif
    const auto dir = test::freshdir("memory");
    // A lens data file beyond its size limit is refused before it is read.
    const struct { const char* command; const char* file; bool limited; } cases[] = {
        {"rays", "huge.dat", true},
        {"import-agf", "huge.agf", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        // 8 GB of zeros that take no disk space, read with 600 MB of address space.
        const auto file = dir / c.file;
        std::ofstream(file).close();
        std::filesystem::resize_file(file, 8ull << 30);
        const auto out = dir / "stdout.txt", err = dir / "stderr.txt";
        const std::string cmd = "ulimit -v 614400 && " + std::string(ZEFO_BATCH) + " --progdir '" + dir.string() +
                                "' " + c.command + " '" + file.string() + "' >'" + out.string() + "' 2>'" +
                                err.string() + "'";
        const int rc = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(rc)) << "ended by signal " << WTERMSIG(rc);
        EXPECT_EQ(WEXITSTATUS(rc), 1);
        const std::string message = c.limited ? "File " + file.string() + " is too large (more than 16 MB)\n"
                                              : "Not enough memory to run " + std::string(c.command) + "\n";
        EXPECT_EQ(readtextfile(err.string()).value_or(""), message);
        EXPECT_EQ(readtextfile(out.string()).value_or(""), "");
        const std::string log = readtextfile((dir / "zefo.log").string()).value_or("");
        if (!c.limited) {
            EXPECT_EQ(log.substr(log.size() - std::min(log.size(), message.size())), message);
        }
        std::filesystem::remove(file);
    }
}

}  // namespace
}  // namespace zefo
