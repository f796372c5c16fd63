// Helpers shared by the core tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "core/model/model.h"
#include "core/util/fileio.h"

namespace zefo::test {

// Catalogue indices of BK7 at the d, C and F lines.
inline constexpr Index3 kBK7{1.5168, 1.51432, 1.52238};

inline std::string datafile(const std::string& name) {
    return std::string(ZEFO_TEST_DATA) + "/" + name;
}

inline std::string readdata(const std::string& name) {
    return readtextfile(datafile(name)).value();
}

// Removes the scratch folders a test made when it ends, passed or failed.
class ScratchCleaner : public ::testing::EmptyTestEventListener {
public:
    static std::vector<std::filesystem::path>& made() {
        static std::vector<std::filesystem::path> dirs;
        return dirs;
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::error_code ec;
        for (const auto& d : made()) std::filesystem::remove_all(d, ec);
        made().clear();
    }
};

inline const bool scratchcleanerinstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ScratchCleaner);
    return true;
}();

// A fresh empty folder of the running test under the system's temporary directory: its name
// carries the process id and the test's name, so parallel tests and checkouts never share one.
inline std::filesystem::path freshdir(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string owner = info ? std::string(info->test_suite_name()) + "." + info->name() : "static";
    for (char& c : owner)
        if (c == '/') c = '_';
    auto d = std::filesystem::temp_directory_path() /
             ("zefo-test-" + std::to_string(::getpid()) + "-" + owner + "-" + name);
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    ScratchCleaner::made().push_back(d);
    return d;
}

// Replaces the first occurrence of what in text.
inline std::string replaced(std::string text, const std::string& what, const std::string& by) {
    const auto p = text.find(what);
    if (p != std::string::npos) text.replace(p, what.size(), by);
    return text;
}

// What a run of zefo-batch left: exit status, standard output and standard error.
struct BatchRun {
    int status;
    std::string out, err;
};

// Runs zefo-batch with its workspace in dir; args are shell words quoted by the caller.
inline BatchRun runbatch(const std::filesystem::path& dir, const std::string& args) {
    const auto out = dir / "stdout.txt", err = dir / "stderr.txt";
    const std::string cmd = std::string(ZEFO_BATCH) + " --progdir '" + dir.string() + "' " + args + " >'" +
                            out.string() + "' 2>'" + err.string() + "'";
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readtextfile(out.string()).value_or(""),
            readtextfile(err.string()).value_or("")};
}

// Fixture of the batch command tests: a fresh workspace per test, a fixed report date
// and a fresh command log per run.
class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshdir("batch");
    }
    BatchRun run(const std::string& args) {
        std::filesystem::remove(dir / "zefo.log");
        return runbatch(dir, "--date 10.12.2026 " + args);
    }
    std::string log() const { return readtextfile((dir / "zefo.log").string()).value_or(""); }
    std::string file(const std::string& sub) const {
        return readtextfile((dir / sub).string()).value_or("<missing>");
    }
    std::string abr(const std::string& name) const { return file("abr/" + name); }
    std::filesystem::path dir;
};

}  // namespace zefo::test
