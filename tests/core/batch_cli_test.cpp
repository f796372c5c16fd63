// zefo-batch's command line: numeric option values, argument counts, --help and --version.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "core/app/version.h"
#include "testutil.h"

namespace zefo {
namespace {

class BatchCli : public test::BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        lens = "'" + test::datafile("lens1.dat") + "'";
    }

    // No report file of lens1 in any folder of the workspace.
    std::vector<std::string> reportfiles() const {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.path().stem() == "lens1") found.push_back(e.path().string());
        return found;
    }

    // "NAME USAGE" of every command, in the order --help lists them.
    std::vector<std::string> helpcommands() {
        const auto r = run("--help");
        EXPECT_EQ(r.status, 0);
        std::istringstream in(r.out.substr(r.out.find("commands:\n") + 10));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("  ", 0) == 0 && line[2] != ' ') lines.push_back(line.substr(2));
        return lines;
    }

    std::string lens;
};

// Every numeric option refuses a value that is no number with the dialogs' message, before
// anything is calculated or written; a value the digit fields cannot hold (a sign, a point)
// is no number either.
TEST_F(BatchCli, NumericOptionValuesThatAreNoNumber) {
    const char* const cases[] = {
        "gmtf @ --rings abc",        "gmtf @ --rings -3",        "gmtf @ --rings 2.5",
        "gmtf @ --nfreq x",          "gmtf @ --nfreq -5",        "gmtf @ --dfreq 1e1",
        "gmtf @ --dfreq -2",         "gmtf @ --spotsize abc",    "gmtf @ --defocus abc",
        "gmtf @ --ddefocus abc",     "gmtf @ --weights 1,abc,1", "gmtf @ --weights 1,1,x",
        "spot @ --rings abc",        "tfmtf @ --nfreq abc",      "dmtf @ --dfreq abc",
        "wave @ --defocus abc",      "wave @ --nfreq abc",       "wave @ --dfreq abc",
        "wave @ --nfreq -5",         "spot @ --pupil abc",       "wave @ --pupil abc",
        "system @ --pupil ten",      "system-full @ --pupil ten", "rayscheme @ --pupil ten",
        "raytrace @ --pupil ten",    "seidel @ --pupil ten",     "aberrations @ --pupil ten",
        "srt @ --ray abc",           "srt @ --xylm 0,a,0,0",     "dls @ --max-iter abc",
    };
    for (const char* c : cases) {
        const std::string args = test::replaced(c, "@", lens);
        const auto r = run(args);
        EXPECT_EQ(r.status, 1) << c;
        EXPECT_EQ(r.err, "Not a valid number!\n") << c;
        EXPECT_EQ(r.out, "") << c;
        EXPECT_EQ(log().find("Finished"), std::string::npos) << c;
        EXPECT_EQ(reportfiles(), std::vector<std::string>{}) << c;
    }
    // the same options with numbers run
    for (const char* c : {"gmtf @ --rings 3 --nfreq 20 --dfreq 1 --weights 1,2,1", "wave @ --nfreq 20 --dfreq 2",
                          "system @ --pupil 2,5", "srt @ --xylm 0,1,0,0"}) {
        const auto r = run(test::replaced(c, "@", lens));
        EXPECT_EQ(r.status, 0) << c << r.err;
    }
}

// The commands of zefo-batch; the pictures need the Qt build.
#ifdef ZEFO_PLOT
constexpr size_t kCommands = 34;
#else
constexpr size_t kCommands = 33;
#endif

// A wrong number of arguments names the command and shows its usage line as --help has it.
TEST_F(BatchCli, WrongArgumentCountsShowTheUsageOfTheCommand) {
    std::map<std::string, std::string> usage;
    for (const auto& line : helpcommands()) usage[line.substr(0, line.find(' '))] = line;
    ASSERT_EQ(usage.size(), kCommands);
    auto usageline = [&](const std::string& name) {
        return "usage: zefo-batch [--progdir DIR] [--date TEXT] [--json] " + usage.at(name) + "\n";
    };
    const struct {
        const char* args;
        const char* command;
        const char* reason;
    } cases[] = {
        {"system @ extra", "system", "surplus argument extra"},
        {"paraxial @ a b", "paraxial", "surplus arguments a b"},
        {"save @ out.dat more.dat", "save", "surplus argument more.dat"},
        {"samples now", "samples", "surplus argument now"},
        {"glass BK7 F2", "glass", "surplus argument F2"},
        {"glasses BK7", "glasses", "surplus argument BK7"},
        {"srt @ extra --ray 1", "srt", "surplus argument extra"},
        {"gmtf @ --rings 3 extra", "gmtf", "surplus argument extra"},
        {"raytrace", "raytrace", "missing argument"},
        {"save @", "save", "missing argument"},
        {"import-agf", "import-agf", "missing argument"},
        {"new lens.json", "new", "missing argument"},
        {"seidel @ --bogus 1", "seidel", "unknown option --bogus"},
        {"dmtf @ --gauss 7", "dmtf", "--gauss has no such choice: 7"},
        {"wave @ --rings 3", "wave", "unknown option --rings"},
        {"dls @ extra --max-iter 2", "dls", "surplus argument extra"},
        {"weights @", "weights", "missing argument"},
        {"merit @ --save x.dat", "merit", "unknown option --save"},
        {"evolve grup @ extra --seed 1,2", "evolve", "surplus argument extra"},
        {"evolve simplex @", "evolve", "unknown kind simplex (assga, evol, grup, reko or korr)"},
    };
    for (const auto& c : cases) {
        const auto r = run(test::replaced(c.args, "@", lens));
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, "zefo-batch " + std::string(c.command) + ": " + c.reason + "\n" + usageline(c.command))
            << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    // Without a known command there is no usage line to show.
    const auto r = run("nosuchcommand " + lens);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zefo-batch: unknown command nosuchcommand\ntry zefo-batch --help\n");
}

// --help gives each command with its arguments and a line that says what it does; every
// command it lists exists.
TEST_F(BatchCli, HelpDescribesEveryCommandInOneLine) {
    const auto r = run("--help");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: zefo-batch [--progdir DIR] [--date TEXT] [--json] COMMAND [ARGS]\n", 0), 0u);
    EXPECT_NE(r.out.find("--version"), std::string::npos);
    const std::string commands = r.out.substr(r.out.find("commands:\n") + 10);
    // a command line, then its description indented by six blanks
    const std::regex entry("  ([a-z-]+)( [^\n]+)?\n      [A-Za-z][^\n]{20,}\n");
    size_t n = 0;
    for (auto it = std::sregex_iterator(commands.begin(), commands.end(), entry); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        const auto wrong = run(name + " a b c d e f");
        EXPECT_EQ(wrong.status, 2) << name;
        EXPECT_EQ(wrong.err.rfind("zefo-batch " + name + ": ", 0), 0u) << name << wrong.err;
        ++n;
    }
    EXPECT_EQ(n, kCommands);
    // nothing but those entries
    EXPECT_EQ(std::regex_replace(commands, entry, ""), "");
}

// --version gives the project's version as the build defines it.
TEST_F(BatchCli, VersionIsTheProjectVersion) {
    const std::string cmake = readtextfile(std::string(ZEFO_SAMPLES) + "/../CMakeLists.txt").value();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(cmake, m, std::regex(R"(project\(zefo VERSION ([0-9.]+))")));
    EXPECT_EQ(std::string(programversion), m[1].str());
    for (const char* args : {"--version", "--json --version", "--version system"}) {
        const auto r = run(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.out, "zefo-batch " + m[1].str() + "\n") << args;
        EXPECT_EQ(r.err, "") << args;
    }
}

}  // namespace
}  // namespace zefo
