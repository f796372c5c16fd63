#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "testutil.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

using test::readdata;
using test::replaced;

std::string roundtrip(const std::string& text, Model& m) {
    EXPECT_EQ(readlensfile(text, m), "");
    std::string out;
    EXPECT_EQ(writelensfile(m.lens, out), "");
    return out;
}

TEST(LensFile, WorkedSingletRoundTripsByteForByte) {
    const std::string text = readdata("lens1.dat");
    Model m;
    EXPECT_EQ(roundtrip(text, m), text);
    EXPECT_EQ(m.lens.sysname, "LENS1");
    EXPECT_EQ(m.lens.glasscat, "sgm");
    EXPECT_EQ(m.lens.nsurf, 2);
    EXPECT_EQ(m.lens.stopsurf, 1);
    EXPECT_EQ(m.lens.nrays, 6);
    EXPECT_EQ(m.lens.naber, 21);
    EXPECT_EQ(m.lens.raytype, 20);
    EXPECT_EQ(m.lens.nrings, 7);
    EXPECT_EQ(m.lens.nfreq, 50);
    EXPECT_DOUBLE_EQ(m.lens.up, -0.1);
    ASSERT_EQ(m.lens.sys.sp.glass.size(), 3u);
    EXPECT_EQ(m.lens.sys.sp.glass[1], "BK7");
    EXPECT_EQ(m.lens.sys.sp.optlabel[0], "CD");
    EXPECT_EQ(m.lens.sys.sp.optlabel[2], "");
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.sep[2], 95.0);
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.index[1][2], 1.52238);
    EXPECT_DOUBLE_EQ(m.lens.mu[0][0], 0.659282700421941);
    EXPECT_EQ(m.lens.rays.rl[5], 5);
    EXPECT_DOUBLE_EQ(m.lens.field[1], 5.0);
    EXPECT_EQ(m.lens.tri.trglass[1], "LaK9");
    EXPECT_DOUBLE_EQ(m.lens.radmin[1], -51.68);
    EXPECT_FALSE(m.mono);
    EXPECT_EQ(m.lens.sys.asf.eps.size(), 0u);  // no aspheric data allocated
}

TEST(LensFile, OlderFormWithoutCatalogueLineIsReadAndWrittenInNewerForm) {
    const std::string text = readdata("lens1.dat");
    Model m;
    m.lens.glasscat = "other";
    EXPECT_EQ(roundtrip(replaced(text, "sgm\r\n", ""), m), text);
    EXPECT_EQ(m.lens.glasscat, "sgm");
}

TEST(LensFile, AcceptsLfLineEnds) {
    const std::string text = readdata("lens1.dat");
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    Model m;
    EXPECT_EQ(roundtrip(lf, m), text);
}

TEST(LensFile, WavelengthLinesWithTwoValuesGetUnitOptimizationWeight) {
    std::string text = readdata("lens1.dat");
    text = replaced(text, " 6.56300000000000E-0004  1.00000000000000E+0000  1.00000000000000E+0000",
                    " 6.56300000000000E-0004  2.00000000000000E+0000");
    text = replaced(text, " 5.87600000000000E-0004  1.00000000000000E+0000  1.00000000000000E+0000",
                    " 5.87600000000000E-0004  1.00000000000000E+0000  5.00000000000000E-0001");
    Model m;
    ASSERT_EQ(readlensfile(text, m), "");
    EXPECT_DOUBLE_EQ(m.lens.wloptweight[0], 0.5);
    EXPECT_DOUBLE_EQ(m.lens.wlmtfweight[1], 2.0);
    EXPECT_DOUBLE_EQ(m.lens.wloptweight[1], 1.0);
    EXPECT_DOUBLE_EQ(m.lens.wl[2], 0.0004861);
}

// The file cut after the ray block: default triangle and bounds at the nominal values.
std::string cutafterrays(const std::string& text) {
    return text.substr(0, text.find(" 1.51680000000000E+0000  8.05400000000000E-0003 BK7"));
}

TEST(LensFile, EndAfterRayBlockGivesDefaultTriangleAndNominalBounds) {
    const std::string full = readdata("lens1.dat");
    Model m;
    m.lens.tri.trglass[0] = "XX";
    EXPECT_EQ(roundtrip(cutafterrays(full), m), full);
    EXPECT_EQ(m.lens.tri.trglass[0], "BK7");
    EXPECT_DOUBLE_EQ(m.lens.radmax[1], -51.68);
    EXPECT_DOUBLE_EQ(m.lens.sepmin[2], 95.0);
}

TEST(LensFile, BlankLineAfterRayBlockMeansTheTriangleFollows) {
    const std::string full = readdata("lens1.dat");
    const std::string cut = cutafterrays(full);
    const std::string text = cut + "\r\n" + full.substr(cut.size());
    Model m;
    EXPECT_EQ(roundtrip(text, m), full);
}

// The lens is a value: what is read back from its written text equals it field by field,
// any one change makes two lenses differ, and a refused text leaves the lens untouched.
TEST(LensFile, LensReadBackFromItsTextEqualsTheLensWritten) {
    for (const char* name : {"lens1.dat", "kepler-telescope.dat"}) {
        OpticalSystem lens;
        ASSERT_EQ(readlensfile(readdata(name), lens), "") << name;
        std::string out;
        ASSERT_EQ(writelensfile(lens, out), "") << name;
        OpticalSystem back;
        ASSERT_EQ(readlensfile(out, back), "") << name;
        EXPECT_TRUE(back == lens) << name;

        const std::function<void(OpticalSystem&)> changes[] = {
            [](OpticalSystem& s) { s.sys.sp.curv[1] += 1e-12; },
            [](OpticalSystem& s) { s.sys.sp.glass[1] += "X"; },
            [](OpticalSystem& s) { s.rays.y[0] += 1; },
            [](OpticalSystem& s) { s.tri.trglass[2] = "F2"; },
            [](OpticalSystem& s) { s.sepmax[0] += 1; },
            [](OpticalSystem& s) { s.wl[2] *= 2; },
        };
        for (const auto& change : changes) {
            OpticalSystem other = lens;
            change(other);
            EXPECT_FALSE(other == lens) << name;
        }

        OpticalSystem kept = lens;
        EXPECT_NE(readlensfile(out.substr(0, out.size() / 2), kept), "") << name;
        EXPECT_TRUE(kept == lens) << name;
    }
}

TEST(LensFile, GlassNamesKeepTenCharactersAndVazduhBecomesAir) {
    std::string text = readdata("lens1.dat");
    text = replaced(text, "1.00000000000000E+0001 BK7", "1.00000000000000E+0001 ABCDEFGHIJK");
    text = replaced(text, "1.00000000000000E+0001 air", "1.00000000000000E+0001 vazduh");
    Model m;
    ASSERT_EQ(readlensfile(text, m), "");
    EXPECT_EQ(m.lens.sys.sp.glass[1], "ABCDEFGHIJ");
    EXPECT_EQ(m.lens.sys.sp.glass[0], "air");
    std::string out;
    ASSERT_EQ(writelensfile(m.lens, out), "");
    Model again;
    ASSERT_EQ(readlensfile(out, again), "");
    EXPECT_EQ(again.lens.sys.sp.glass[1], "ABCDEFGHIJ");
}

// The first lines of a text and the first extra characters of the line after them.
std::string firstlines(const std::string& text, int lines, size_t extra = 0) {
    size_t p = 0;
    for (int i = 0; i < lines; ++i) p = text.find('\n', p) + 1;
    return text.substr(0, p + extra);
}

// Each damage names its line (lens1.dat: 4 counts, 5 flags, 13 nfreq defocus spotsize, 14 nrings
// dfreq ddefocus, 46-48 wavelengths, 52-66 surfaces, 67-72 rays, 73-75 triangle).
TEST(LensFile, DamagedFilesAreRefusedWithTheirLineAndLeaveTheModelUntouched) {
    const std::string good = readdata("lens1.dat");
    const std::string counts = "2 1 6 21  1.00000000000000E+0000 0 0 20 2 0 2\r\n";
    const auto line4 = [&](const std::string& by) { return replaced(good, counts, by + "\r\n"); };
    struct Case { const char* what; std::string text; std::string error; };
    const Case cases[] = {
        // numbers that do not parse or lie beyond any physical size
        {"bad real", replaced(good, "-5.16800000000000E+0001 -1.93", "-5.1680x000000000E+0001 -1.93"),
         "Line 59: Invalid numeric input"},
        {"infinite real", replaced(good, "-5.16800000000000E+0001 -1.93", "inf -1.93"), "Line 59: Invalid numeric input"},
        {"largest double", replaced(good, "-5.16800000000000E+0001 -1.93", "1.7976931348623157E+308 -1.93"),
         "Line 59: Number out of range (magnitude above 1E+30)"},
        {"defocus 1E+200", replaced(good, "50  0.00000000000000E+0000", "50  1.00000000000000E+0200"),
         "Line 13: Number out of range (magnitude above 1E+30)"},
        // counts and codes, before anything is sized from them
        {"no surfaces", line4("0 1 6 21  1.0 0 0 20 2 0 2"), "Line 4: Number of surfaces must be between 1 and 254"},
        {"too many surfaces", line4("9999999 1 6 21  1.0 0 0 20 2 0 2"),
         "Line 4: Number of surfaces must be between 1 and 254"},
        {"negative surfaces", line4("-2 1 6 21  1.0 0 0 20 2 0 2"), "Line 4: Number of surfaces must be between 1 and 254"},
        {"no merit components", line4("2 1 6 0  1.0 0 0 20 2 0 2"),
         "Line 4: Number of merit function components must be between 1 and 32767"},
        {"stop beyond any surface", line4("2 256 6 21  1.0 0 0 20 2 0 2"),
         "Line 4: Aperture stop surface must be between 0 and 255"},
        {"rays beyond a byte", line4("2 1 262 21  1.0 0 0 20 2 0 2"), "Line 4: Number of rays must be between 1 and 255"},
        {"254 fields", line4("2 1 6 21  1.0 0 0 20 254 0 2"), "Line 4: Number of fields must be between 2 and 4"},
        {"one field", line4("2 1 6 21  1.0 0 0 20 1 0 2"), "Line 4: Number of fields must be between 2 and 4"},
        {"system type", line4("2 1 6 21  1.0 0 2 20 2 0 2"), "Line 4: System type must be 0, 1, 4, 5, 6 or 7"},
        {"ray scheme type", line4("2 1 6 21  1.0 0 0 15 2 0 2"), "Line 4: Ray scheme type must be 0, 10 or 20"},
        {"damping type", line4("2 1 6 21  1.0 7 0 20 2 0 2"), "Line 4: Damping type must be between 0 and 1"},
        {"negative aspheric flag", replaced(good, "sgm\r\n0\r\n", "sgm\r\n-1\r\n"),
         "Line 3: Aspheric flag must be between 0 and 2147483647"},
        {"flags", replaced(good, "\r\nDN\r\n", "\r\nXN\r\n"),
         "Line 5: Surface definition, aspheric data and object flags must be D or N"},
        {"chief rays for more fields than the file has", replaced(good, "\r\n14  1.0", "\r\n13  1.0"),
         "Line 4: The ray scheme has 2 chief rays (label 13) for 2 fields; it may have one for every field off the "
         "axis"},
        {"ray label", replaced(good, "\r\n5  0.0", "\r\n7  0.0"), "Line 72: Ray label must be 0 (none), 1, 2, 12, 13, 14, 4 or 5"},
        // the dialogs' ranges
        {"numerical aperture 20", replaced(good, " 1.00000000000000E-0001  0.0", " 2.00000000000000E+0001  0.0"),
         "Line 6: Numerical aperture must be between 0 and 1"},
        {"nfreq 65535", replaced(good, "\r\n50  ", "\r\n65535  "),
         "Line 13: Maximum number of frequencies must be between 1 and 999"},
        {"nfreq 0", replaced(good, "\r\n50  ", "\r\n0  "), "Line 13: Maximum number of frequencies must be between 1 and 999"},
        {"spot size 0", replaced(good, "5.00000000000000E-0002\r\n 7.0", "0.00000000000000E+0000\r\n 7.0"),
         "Line 13: Spot diagram size must be greater than 0 and at most 1"},
        {"nrings 26", replaced(good, " 7.00000000000000E+0000 2 ", " 2.60000000000000E+0001 2 "),
         "Line 14: Number of rings of rays must be between 1 and 25"},
        {"nrings 0.5 rounds to even 0", replaced(good, " 7.00000000000000E+0000 2 ", " 5.00000000000000E-0001 2 "),
         "Line 14: Number of rings of rays must be between 1 and 25"},
        {"nrings -1E+30", replaced(good, " 7.00000000000000E+0000 2 ", "-1.00000000000000E+0030 2 "),
         "Line 14: Number of rings of rays must be between 1 and 25"},
        {"nrings 1E+300", replaced(good, " 7.00000000000000E+0000 2 ", " 1.00000000000000E+0300 2 "),
         "Line 14: Number out of range (magnitude above 1E+30)"},
        {"frequency increment 11", replaced(good, "E+0000 2  1.00000000000000E-0001", "E+0000 11  1.00000000000000E-0001"),
         "Line 14: Frequency increment must be between 1 and 10"},
        {"defocus increment 0", replaced(good, "E+0000 2  1.00000000000000E-0001", "E+0000 2  0.00000000000000E+0000"),
         "Line 14: Defocus increment must be greater than 0 and at most 1"},
        {"negative wavelength", replaced(good, " 5.87600000000000E-0004", "-5.87600000000000E-0004"),
         "Line 46: Wavelength must be greater than 0"},
        {"MTF weight 1E+15", replaced(good, " 6.56300000000000E-0004  1.00000000000000E+0000", " 6.56300000000000E-0004  1.00000000000000E+0015"),
         "Line 47: MTF weight of a wavelength must be greater than 0 and at most 9.999"},
        {"optimization weight 2",
         replaced(good, " 4.86100000000000E-0004  1.00000000000000E+0000  1.00000000000000E+0000",
                  " 4.86100000000000E-0004  1.00000000000000E+0000  2.00000000000000E+0000"),
         "Line 48: Optimization weight of a wavelength must be greater than 0 and at most 1"},
        {"glass name with a control character", replaced(good, "E+0001 BK7", "E+0001 BK\x01" "7"),
         "Line 61: Glass name must not contain control characters"},
        {"triangle glass with DEL", replaced(good, "8.05400000000000E-0003 BK7", "8.05400000000000E-0003 B\x7fK7"),
         "Line 73: Glass name must not contain control characters"},
        // files that end before their ray block is complete
        {"ends after the counts", firstlines(good, 4), "Line 4: The file ends here, before the end of its system data"},
        {"ends in the merit weights", firstlines(good, 30), "Line 30: The file ends here, before the end of its system data"},
        {"ends between surface rows", firstlines(good, 58), "Line 58: The file ends here, before the end of its surface data"},
        {"ends inside a number of a surface row", firstlines(good, 58, 9),
         "Line 59: The file ends here, before the end of its surface data"},
        {"ends inside the ray block", firstlines(good, 69), "Line 69: The file ends here, before the end of its ray data"},
        {"ends inside the last number of the rays", firstlines(good, 72).substr(0, firstlines(good, 72).size() - 4),
         "Line 72: The file ends here, before the end of its ray data"},
        // texts that do not begin like a lens data file
        {"empty", "", "Not a lens data file"},
        {"bad count", replaced(good, "2 1 6 21 ", "2 1 6 2x1 "), "Not a lens data file"},
        {"a NUL byte", replaced(good, "LaK9", std::string("La\0K9", 5)), "Not a lens data file"},
    };
    Model loaded;
    ASSERT_EQ(readlensfile(good, loaded), "");
    loaded.lens.sysname = "LOADED";
    for (const auto& c : cases) {
        Model m = loaded;
        EXPECT_EQ(readlensfile(c.text, m), c.error) << c.what;
        EXPECT_EQ(m.lens.sysname, "LOADED") << c.what;
        EXPECT_EQ(m.lens.nsurf, 2) << c.what;
        EXPECT_EQ(m.lens.nfields, 2) << c.what;
        EXPECT_EQ(m.lens.nfreq, 50) << c.what;
        EXPECT_DOUBLE_EQ(m.lens.sys.sp.radius[0], 51.68) << c.what;
        EXPECT_EQ(m.lens.sys.sp.glass[1], "BK7") << c.what;
    }
}

// Every cut of the file is refused, naming the line that holds the file's last character and
// the part of the file the next line belongs to, except the cuts at the line end before an
// optional block (glass triangle, limits): such a block is absent or whole, and a number cut
// in the middle (no line end after it) is never read as a shorter number.
TEST(LensFile, EveryCutIsRefusedUnlessAnOptionalBlockIsLeftOutWhole) {
    const std::string good = readdata("lens1.dat");
    const size_t headerend = firstlines(good, 4).size() - 1;   // through the CR of line 4
    const size_t raysend = firstlines(good, 72).size() - 1;    // through the CR of line 72
    const size_t triangleend = firstlines(good, 75).size() - 1;
    ASSERT_EQ(std::count(good.begin(), good.end(), '\n'), 78);
    const auto part = [](long needed) -> std::string {
        return needed <= 51 ? "system data" : needed <= 66 ? "surface data" : needed <= 72 ? "ray data"
               : needed <= 75 ? "glass triangle" : "limits";
    };
    int accepted = 0;
    for (size_t n = 0; n <= good.size(); ++n) {
        const std::string cut = good.substr(0, n);
        Model m;
        const std::string error = readlensfile(cut, m);
        if (n < headerend) {
            EXPECT_EQ(error, "Not a lens data file") << n;
        } else if (n == raysend || n == raysend + 1 || n == triangleend || n == triangleend + 1 ||
                   n + 1 == good.size() || n == good.size()) {
            EXPECT_EQ(error, "") << n;
            ++accepted;
        } else {
            const long line = std::count(cut.begin(), cut.end() - 1, '\n') + 1;
            const long needed = cut.back() == '\r' || cut.back() == '\n' ? line + 1 : line;
            EXPECT_EQ(error, "Line " + std::to_string(line) + ": The file ends here, before the end of its " + part(needed)) << n;
        }
    }
    EXPECT_EQ(accepted, 6);
    // the largest limit cut to its first digits: refused, not read as 9.5
    const std::string digits = good.substr(0, good.rfind("9.50000000000000E+0001") + 3);
    Model m;
    EXPECT_EQ(readlensfile(digits, m), "Line 78: The file ends here, before the end of its limits");
}

// The system name names files: line 1 without the blanks around it must be a valid file name.
TEST(LensFile, NameOfTheSystemMustBeAValidFileName) {
    const std::string good = readdata("lens1.dat");
    const std::string first = good.substr(0, good.find("\r\n"));
    for (const char* bad : {"../../escaped", "a/b", "a b", "..", "x:y", "", "  ", "a\tb", "C\\x"}) {
        Model m;
        EXPECT_EQ(readlensfile(replaced(good, first + "\r\n", std::string(bad) + "\r\n"), m),
                  std::string("Line 1: ") + badsysnamemsg)
            << bad;
    }
    Model m;
    ASSERT_EQ(readlensfile(replaced(good, first + "\r\n", "  PADDED\t \r\n"), m), "");
    EXPECT_EQ(m.lens.sysname, "PADDED");
    m.lens.sysname = "../x";
    std::string text;
    EXPECT_EQ(writelensfile(m.lens, text),
              std::string("The optical system cannot be saved, line 1 of its file: ") + badsysnamemsg);
}

TEST(LensFile, FilesThatAreNotLensDataAreNamedAsSuch) {
    const auto dir = test::freshdir("notlens");
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    };
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
    const std::string db = (dir / "catalogue.db").string();
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "create table glass(name text, nd real); insert into glass values('BK7', 1.5168);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(h);
    const std::string paths[] = {
        write("empty.dat", ""),
        write("notes.txt", "Lens design notes\nThe doublet needs 2 more surfaces.\nCheck the stop.\n"),
        dir.string(),
        write("random.bin", binary),
        db,
        write("header.dat", "LENS1\r\nsgm\r\n0\r\n"),
    };
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    for (const auto& p : paths) {
        EXPECT_EQ(loadlensfile(p, m), "File " + p + " is not a lens data file");
        EXPECT_EQ(m.lens.sysname, "LENS1") << p;
    }
    const std::string cut = write("TRUNC.dat", readdata("lens1.dat").substr(0, 3000));
    EXPECT_EQ(loadlensfile(cut, m), "File " + cut + ", line 70: The file ends here, before the end of its ray data");
    EXPECT_EQ(m.lens.nsurf, 2);
}

// What the writer refuses: numbers that are not finite and every value the reader refuses.
TEST(LensFile, WriterNeverWritesAFileTheReaderRefuses) {
    Model good;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), good), "");
    struct Case { const char* what; std::function<void(Model&)> damage; std::string error; };
    const Case cases[] = {
        {"image clear radius inf", [](Model& m) { m.lens.sys.sp.hmax[2] = HUGE_VAL; },
         "line 66 of its file: inf is not a finite number"},
        {"separation nan", [](Model& m) { m.lens.sys.sp.sep[2] = std::nan(""); }, "line 64 of its file: nan is not a finite number"},
        {"ray -inf", [](Model& m) { m.lens.rays.m[5] = -HUGE_VAL; }, "line 72 of its file: -inf is not a finite number"},
        {"largest double", [](Model& m) { m.lens.sys.sp.radius[1] = std::numeric_limits<double>::max(); },
         "line 59 of its file: Number out of range (magnitude above 1E+30)"},
        {"separation 1E+200", [](Model& m) { m.lens.sys.sp.sep[2] = 1e200; },
         "line 64 of its file: Number out of range (magnitude above 1E+30)"},
        {"no rings", [](Model& m) { m.lens.nrings = 0; }, "line 14 of its file: Number of rings of rays must be between 1 and 25"},
        {"numerical aperture", [](Model& m) { m.lens.na = 1.5; }, "line 6 of its file: Numerical aperture must be between 0 and 1"},
        {"glass name", [](Model& m) { m.lens.sys.sp.glass[1] = "BK\t7"; },
         "line 61 of its file: Glass name must not contain control characters"},
        {"name of two lines", [](Model& m) { m.lens.sysname = "TWO\r\nLINES"; }, "its text is not a lens data file"},
    };
    const auto dir = test::freshdir("refused");
    const std::string kept = (dir / "kept.dat").string(), fresh = (dir / "fresh.dat").string();
    ASSERT_EQ(savelensfile(kept, good.lens), "");
    for (const auto& c : cases) {
        Model m = good;
        c.damage(m);
        std::string text = "untouched";
        EXPECT_EQ(writelensfile(m.lens, text), "The optical system cannot be saved, " + c.error) << c.what;
        EXPECT_EQ(text, "untouched") << c.what;
        EXPECT_NE(savelensfile(kept, m.lens), "") << c.what;
        EXPECT_NE(savelensfile(fresh, m.lens), "") << c.what;
    }
    EXPECT_EQ(readtextfile(kept).value(), readdata("lens1.dat"));
    EXPECT_FALSE(std::filesystem::exists(fresh));
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"kept.dat"});
}

// Seeded random damage to the worked example (changed, removed and inserted characters,
// extreme numbers, control characters, cuts): whatever the reader accepts is written, and the
// written text reads back to the same model, text for text.
TEST(LensFile, EveryAcceptedDamagedFileIsWrittenAndReadsBackUnchanged) {
    const std::string good = readdata("lens1.dat");
    const char* inserts[] = {"1E+300", "-1", "0", "255", "65535", "nan", "1.7976931348623157E+308", "\x01",
                             "\t", "\r\n", " ", "13", "1E+30", "-1E+30", "4.9E-324"};
    std::mt19937 rng(2026);
    int accepted = 0;
    for (int it = 0; it < 4000; ++it) {
        std::string t = good;
        for (unsigned k = 0, n = 1 + rng() % 3; k < n && !t.empty(); ++k) {
            const size_t p = rng() % t.size();
            switch (rng() % 4) {
                case 0: t[p] = static_cast<char>(rng() % 256); break;
                case 1: t.erase(p, 1 + rng() % 30); break;
                case 2: t.insert(p, inserts[rng() % std::size(inserts)]); break;
                default: t.resize(p); break;
            }
        }
        Model m;
        if (!readlensfile(t, m).empty()) continue;
        ++accepted;
        std::string out, again;
        ASSERT_EQ(writelensfile(m.lens, out), "") << it;
        Model back;
        ASSERT_EQ(readlensfile(out, back), "") << it;
        ASSERT_EQ(writelensfile(back.lens, again), "") << it;
        EXPECT_EQ(again, out) << it;
    }
    EXPECT_GT(accepted, 100);  // the damage leaves enough files readable to say something
}

TEST(LensFile, WriteRefusesCountsTheFileCannotHold) {
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    m.lens.nsurf = 255;
    allocsystem(m);
    std::string out = "untouched";
    EXPECT_EQ(writelensfile(m.lens, out), "Number of surfaces must be between 1 and 254");
    EXPECT_EQ(out, "untouched");
}

TEST(LensFile, CurvatureFormAndTelescopeFlags) {
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    m.lens.radiiflag = 'N';
    m.lens.systype = 4;
    m.lens.objinf = 'N';
    m.lens.asphdata = 'D';
    allocsystem(m);
    m.lens.sys.asf.eps[1] = -1.0;
    m.lens.sys.asf.a10[1] = 1e-12;
    m.lens.radmin[1] = 0.01;
    std::string out;
    ASSERT_EQ(writelensfile(m.lens, out), "");
    EXPECT_NE(out.find("\r\nNDN\r\n"), std::string::npos);
    Model back;
    ASSERT_EQ(readlensfile(out, back), "");
    EXPECT_EQ(back.lens.radiiflag, 'N');
    EXPECT_EQ(back.lens.objinf, 'N');
    EXPECT_DOUBLE_EQ(back.lens.sys.sp.curv[1], m.lens.sys.sp.curv[1]);
    EXPECT_DOUBLE_EQ(back.lens.sys.sp.radius[1], 0.0);  // radii are not stored in the curvature form
    EXPECT_DOUBLE_EQ(back.lens.sys.asf.eps[1], -1.0);
    EXPECT_DOUBLE_EQ(back.lens.sys.asf.a10[1], 1e-12);
    EXPECT_DOUBLE_EQ(back.lens.radmin[1], 0.01);
    std::string again;
    ASSERT_EQ(writelensfile(back.lens, again), "");
    EXPECT_EQ(again, out);
}

TEST(LensFile, SaveReplacesTheFileWholeAndKeepsItOnFailure) {
    const auto dir = test::freshdir("save");
    const std::string path = (dir / "lens.dat").string();
    Model m;
    ASSERT_EQ(readlensfile(readdata("lens1.dat"), m), "");
    ASSERT_EQ(savelensfile(path, m.lens), "");
    EXPECT_EQ(readtextfile(path).value(), readdata("lens1.dat"));
    m.lens.nsurf = 300;
    EXPECT_NE(savelensfile(path, m.lens), "");
    EXPECT_EQ(readtextfile(path).value(), readdata("lens1.dat"));
    EXPECT_EQ(loadlensfile((dir / "missing.dat").string(), m), "Cannot open file " + (dir / "missing.dat").string());
}

TEST(NumberFormat, TwentyThreeCharacterReal) {
    const std::pair<double, const char*> cases[] = {
        {0.0005876, " 5.87600000000000E-0004"},
        {-51.68, "-5.16800000000000E+0001"},
        {0.0, " 0.00000000000000E+0000"},
        {-0.0, " 0.00000000000000E+0000"},
        {0.0193498452012384, " 1.93498452012384E-0002"},
        {1.0 / 3.0, " 3.33333333333333E-0001"},
        {2.0 / 3.0, " 6.66666666666667E-0001"},
        {1e-300, " 1.00000000000000E-0300"},
        {9.999999999999999e22, " 1.00000000000000E+0023"},
    };
    for (const auto& [v, s] : cases) EXPECT_EQ(fmtreal(v), s) << v;
}

// Rounding to 15 digits must not carry the largest doubles past the largest finite value.
TEST(NumberFormat, LargestDoublesReadBack) {
    const double max = std::numeric_limits<double>::max();
    for (double v : {max, -max, std::nextafter(max, 0.0), 1.797693134862315e308, 1.79769313486231e308}) {
        const std::string s = fmtreal(v);
        EXPECT_EQ(s.size(), 23u) << s;
        const auto back = parsereal(s.substr(1));
        ASSERT_TRUE(back) << s;
        EXPECT_LE(std::fabs(std::fabs(v) - *back), 1e-14 * max) << s;
    }
    EXPECT_EQ(fmtreal(max), " 1.79769313486231E+0308");
    EXPECT_EQ(fmtreal(-max), "-1.79769313486231E+0308");
    EXPECT_EQ(fmtreal(1.79769313486231e308), " 1.79769313486231E+0308");
    EXPECT_EQ(fmtreal(1.5e308), " 1.50000000000000E+0308");
}

TEST(NumberFormat, FixedIntegerAndParsing) {
    EXPECT_EQ(fmtf(3.14159, 8, 3), "   3.142");
    EXPECT_EQ(fmtf(-123456.5, 4, 1), "-123456.5");
    EXPECT_EQ(fmti(42, 5), "   42");
    EXPECT_EQ(parsereal("+2E-0004").value(), 2e-4);
    EXPECT_FALSE(parsereal("1.2.3"));
    EXPECT_FALSE(parsereal(""));
    EXPECT_FALSE(parseint("1.0"));
    EXPECT_EQ(parsetyped(" 1,5 ").value(), 1.5);
}

}  // namespace
}  // namespace zefo
