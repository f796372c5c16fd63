// The file writer every save and report goes through: whole files under concurrent saves,
// symbolic links, modes, read-only files, and no temporary file left behind.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "testsystems.h"
#include "testutil.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;

// The names in a folder, sorted.
std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned filemode(const fs::path& p) {
    struct stat st;
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

void writeplain(const fs::path& p, const std::string& text, unsigned mode = 0644) {
    std::ofstream(p, std::ios::binary) << text;
    fs::permissions(p, static_cast<fs::perms>(mode));
}

std::string content(const fs::path& p) { return readtextfile(p.string()).value_or("<missing>"); }

// Two programs save different lenses to one file at the same time while a third reads it:
// every read and the final file are one of the two lenses, whole, and every save succeeds.
TEST(FileWriter, ConcurrentSavesOfTwoLensesLeaveOneWholeLens) {
    const auto dir = test::freshdir("concurrent");
    const std::string path = (dir / "lens.dat").string();
    Model a, b = doublegauss();
    ASSERT_EQ(readlensfile(test::readdata("lens1.dat"), a), "");
    std::string ta, tb;
    ASSERT_EQ(writelensfile(a.lens, ta), "");
    ASSERT_EQ(writelensfile(b.lens, tb), "");
    ASSERT_NE(ta.size(), tb.size());
    ASSERT_EQ(savelensfile(path, a.lens), "");

    std::atomic<bool> writing{true};
    std::atomic<int> failedsaves{0}, mixedreads{0}, reads{0};
    const auto saver = [&](const Model& m) {
        for (int i = 0; i < 60; ++i)
            if (!savelensfile(path, m.lens).empty()) ++failedsaves;
    };
    std::thread reader([&] {
        while (writing) {
            const auto t = readtextfile(path);
            if (!t || (*t != ta && *t != tb)) ++mixedreads;
            ++reads;
        }
    });
    std::thread sa(saver, std::cref(a)), sb(saver, std::cref(b));
    sa.join();
    sb.join();
    writing = false;
    reader.join();

    EXPECT_EQ(failedsaves, 0);
    EXPECT_EQ(mixedreads, 0) << "of " << reads << " reads";
    const std::string final = content(path);
    EXPECT_TRUE(final == ta || final == tb);
    Model back;
    EXPECT_EQ(loadlensfile(path, back), "");
    EXPECT_EQ(listing(dir), std::vector<std::string>{"lens.dat"});
}

// A target that is a symbolic link: the file the link names gets the content, the link stays.
TEST(FileWriter, SymbolicLinkTargetIsWrittenThrough) {
    const struct {
        const char* what;
        std::vector<std::pair<const char*, const char*>> links;  // link name -> what it names
        const char* written;                                     // the file that gets the content
        bool existed;
    } cases[] = {
        {"relative link into a subfolder", {{"lens.dat", "real/lens.dat"}}, "real/lens.dat", true},
        {"chain of two links", {{"lens.dat", "mid.dat"}, {"mid.dat", "real/lens.dat"}}, "real/lens.dat", true},
        {"link to a file not yet there", {{"lens.dat", "real/new.dat"}}, "real/new.dat", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto dir = test::freshdir("links");
        fs::create_directory(dir / "real");
        if (c.existed) writeplain(dir / c.written, "old", 0600);
        for (const auto& [name, to] : c.links) fs::create_symlink(to, dir / name);

        ASSERT_EQ(writefileatomic((dir / "lens.dat").string(), "new"), "");
        EXPECT_EQ(content(dir / c.written), "new");
        for (const auto& [name, to] : c.links) {
            ASSERT_TRUE(fs::is_symlink(dir / name)) << name;
            EXPECT_EQ(fs::read_symlink(dir / name), to);
        }
        if (c.existed) {
            EXPECT_EQ(filemode(dir / c.written), 0600u);
        }
        EXPECT_EQ(listing(dir / "real"), std::vector<std::string>{fs::path(c.written).filename().string()});
    }
}

// Links planted beside the target never redirect a save: not at the temporary names an
// earlier writer used, and a cycle of links is refused.
TEST(FileWriter, PlantedAndCyclicLinksAreNotFollowedElsewhere) {
    const auto dir = test::freshdir("planted");
    writeplain(dir / "victim.txt", "keep");
    writeplain(dir / "lens.dat", "old");
    for (const char* name : {"lens.dat.tmp~", ".lens.dat.tmp", "lens.dat.tmp"})
        fs::create_symlink(dir / "victim.txt", dir / name);
    ASSERT_EQ(writefileatomic((dir / "lens.dat").string(), "new"), "");
    EXPECT_EQ(content(dir / "lens.dat"), "new");
    EXPECT_FALSE(fs::is_symlink(dir / "lens.dat"));
    EXPECT_EQ(content(dir / "victim.txt"), "keep");

    fs::create_symlink("loop2.dat", dir / "loop1.dat");
    fs::create_symlink("loop1.dat", dir / "loop2.dat");
    const std::string loop = (dir / "loop1.dat").string();
    const std::string e = writefileatomic(loop, "new");
    EXPECT_EQ(e.rfind("Cannot write file " + loop + ": ", 0), 0u) << e;
    EXPECT_EQ(listing(dir), (std::vector<std::string>{".lens.dat.tmp", "lens.dat", "lens.dat.tmp", "lens.dat.tmp~",
                                                      "loop1.dat", "loop2.dat", "victim.txt"}));
}

TEST(FileWriter, ReplacementKeepsTheModeOfTheFile) {
    const auto dir = test::freshdir("modes");
    for (unsigned mode : {0600u, 0640u, 0604u, 0664u, 0700u, 0750u}) {
        SCOPED_TRACE(mode);
        writeplain(dir / "lens.dat", "old", mode);
        ASSERT_EQ(writefileatomic((dir / "lens.dat").string(), "new"), "");
        EXPECT_EQ(content(dir / "lens.dat"), "new");
        EXPECT_EQ(filemode(dir / "lens.dat"), mode);
    }
    // A new file gets what the user's file creation mask leaves of rw-rw-rw-.
    for (unsigned mask : {022u, 077u, 002u}) {
        SCOPED_TRACE(mask);
        fs::remove(dir / "new.dat");
        const mode_t before = ::umask(mask);
        const std::string e = writefileatomic((dir / "new.dat").string(), "new");
        ::umask(before);
        ASSERT_EQ(e, "");
        EXPECT_EQ(filemode(dir / "new.dat"), 0666u & ~mask);
    }
}

TEST(FileWriter, ReadOnlyFileIsRefusedAndKept) {
    const auto dir = test::freshdir("readonly");
    for (unsigned mode : {0444u, 0400u, 0555u}) {
        SCOPED_TRACE(mode);
        writeplain(dir / "lens.dat", "old", mode);
        fs::remove(dir / "link.dat");
        fs::create_symlink("lens.dat", dir / "link.dat");
        for (const char* name : {"lens.dat", "link.dat"}) {
            const std::string path = (dir / name).string();
            EXPECT_EQ(writefileatomic(path, "new"), "Cannot write file " + path + ": the file is read-only");
        }
        EXPECT_EQ(content(dir / "lens.dat"), "old");
        EXPECT_EQ(filemode(dir / "lens.dat"), mode);
        EXPECT_EQ(listing(dir), (std::vector<std::string>{"lens.dat", "link.dat"}));
        fs::permissions(dir / "lens.dat", fs::perms::owner_all);
    }
}

// A save that fails part way leaves the target as it was and no temporary file.
TEST(FileWriter, FailedSaveLeavesTheTargetAndNoTemporaryFile) {
    const auto dir = test::freshdir("failed");
    writeplain(dir / "lens.dat", "old");
    const std::string path = (dir / "lens.dat").string();

    // The disk fills up while writing: a file size limit makes the write fail.
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldhandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string e = writefileatomic(path, std::string(1000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldhandler);
    EXPECT_EQ(e, "Error writing file " + path + ": File too large");
    EXPECT_EQ(content(path), "old");
    EXPECT_EQ(listing(dir), std::vector<std::string>{"lens.dat"});

    // Targets that cannot be a file.
    fs::create_directory(dir / "folder.dat");
    const struct { std::string path, error; } refused[] = {
        {(dir / "folder.dat").string(), "Cannot write file " + (dir / "folder.dat").string() + ": it is not a regular file"},
        {(dir / "none" / "lens.dat").string(),
         "Cannot create file " + (dir / "none" / "lens.dat").string() + ": No such file or directory"},
    };
    for (const auto& r : refused) EXPECT_EQ(writefileatomic(r.path, "new"), r.error);
    EXPECT_EQ(listing(dir), (std::vector<std::string>{"folder.dat", "lens.dat"}));
    EXPECT_TRUE(fs::is_empty(dir / "folder.dat"));
}

// The readers take only regular files of a bounded size: a device, a FIFO without a writer
// (which would block for ever) and a folder are refused at once, a file beyond the limit
// before it is read.
TEST(FileReader, OnlyRegularFilesWithinTheLimitAreRead) {
    const auto dir = test::freshdir("inputs");
    writeplain(dir / "small.txt", "12345");
    writeplain(dir / "large.txt", std::string(3u << 20, 'x'));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::string large = (dir / "large.txt").string(), fifo = (dir / "fifo").string();
    std::string text = "kept";
    const struct { std::string path, error; } refused[] = {
        {"/dev/zero", "File /dev/zero is not a regular file"},
        {fifo, "File " + fifo + " is not a regular file"},
        {dir.string(), "File " + dir.string() + " is not a regular file"},
        {large, "File " + large + " is too large (more than 2 MB)"},
        {(dir / "none").string(), "Cannot open file " + (dir / "none").string()},
    };
    for (const auto& r : refused) EXPECT_EQ(readinputfile(r.path, size_t{2} << 20, text), r.error);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(readinputfile((dir / "small.txt").string(), 5, text), "");
    EXPECT_EQ(text, "12345");
    EXPECT_EQ(readinputfile((dir / "small.txt").string(), 4, text),
              "File " + (dir / "small.txt").string() + " is too large (more than 4 bytes)");
    Model m;
    EXPECT_EQ(loadlensfile("/dev/zero", m), "File /dev/zero is not a regular file");
}

// Files named after the system stay in their folder: a name that is no valid file name gives
// no path.
TEST(FileNames, SystemNameIsOneFileNameComponent) {
    std::string path = "old";
    EXPECT_EQ(namedfilepath("/w/graphics/", "COOKE", "_optsys.png", path), "");
    EXPECT_EQ(path, "/w/graphics/COOKE_optsys.png");
    for (const char* bad : {"../../escaped", "/etc/x", "a\\b", "", "a b", "x\n", "..", "a|b"}) {
        EXPECT_EQ(namedfilepath("/w/graphics/", bad, ".png", path),
                  "System name \"" + std::string(bad) + "\": " + badsysnamemsg)
            << bad;
        EXPECT_EQ(path, "") << bad;
    }
    EXPECT_TRUE(pathcomponentok("my lens"));
    for (const char* bad : {"", ".", "..", "a/b", "a\nb"}) EXPECT_FALSE(pathcomponentok(bad)) << bad;
}

}  // namespace
}  // namespace zefo
