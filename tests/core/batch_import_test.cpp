#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "jsonread.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo::test {
namespace {

using ImportBatchTest = BatchTest;

// A singlet in air with a glass the catalogue lacks (given by nd 1.6 and vd 40).
const char* const zmxsinglet =
    "NAME ZSINGLET\r\nUNIT MM\r\nENPD 20\r\nFTYP 0 0 2 1\r\nYFLN 0 5\r\nWAVM 1 0.5875618 1\r\n"
    "SURF 0\r\n  DISZ INFINITY\r\n"
    "SURF 1\r\n  STOP\r\n  CURV 0.02\r\n  DISZ 5\r\n  GLAS LUNA 1 0 1.6 40\r\n  DIAM 12\r\n"
    "SURF 2\r\n  CURV -0.005\r\n  DISZ 80\r\n  DIAM 12\r\n"
    "SURF 3\r\n  CURV 0\r\n  DISZ 0\r\n";

void writebytes(const std::filesystem::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary) << s;
}

TEST_F(ImportBatchTest, WritesTheLensAndPrintsTheNotices) {
    writebytes(dir / "singlet.zmx", zmxsinglet);
    const std::string out = (dir / "singlet.dat").string();
    const BatchRun r = run("--json import-zmx '" + (dir / "singlet.zmx").string() + "' '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    OpticalSystem lens;
    ASSERT_EQ(loadlensfile(out, lens), "");
    EXPECT_EQ(lens.sysname, "ZSINGLET");
    EXPECT_EQ(lens.sys.sp.glass[1], "LUNA");
    // thick lens: 1/f = (n-1)(c1 - c2 + (n-1) t c1 c2 / n) with n = 1.6 at the main wavelength
    const double n = 1.6, f = 1 / ((n - 1) * (0.02 + 0.005 - (n - 1) * 5 * 0.02 * 0.005 / n));
    EXPECT_NEAR(lens.efl, f, 1e-9 * f);
    const JsonValue j = parsejson(r.out);
    EXPECT_NEAR(j["efl"].number, f, 1e-6 * f);
    EXPECT_EQ(j["nsurf"].number, 2);
    ASSERT_EQ(j["notices"].kind, JsonValue::Array);
    bool model = false;
    for (const auto& v : j["notices"].items) model = model || v.text.find("glass LUNA is a model glass") != std::string::npos;
    EXPECT_TRUE(model) << r.out;

    const BatchRun text = run("import-zmx '" + (dir / "singlet.zmx").string() + "' '" + out + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("glass LUNA is a model glass"), std::string::npos);
    EXPECT_NE(text.out.find(out + "\n"), std::string::npos);
}

TEST_F(ImportBatchTest, RefusedFilesWriteNothing) {
    const std::string s = zmxsinglet;
    const std::pair<std::string, std::string> cases[] = {
        {replaced(s, "GLAS LUNA 1 0 1.6 40", "GLAS LUNA"), "surface 1: GLAS LUNA"},
        {replaced(s, "  CURV 0.02\r\n", "  TYPE TOROIDAL\r\n  CURV 0.02\r\n"), "surface 1: TYPE TOROIDAL"},
        {s.substr(0, s.find("SURF 2")), "at least one surface and an image"},   // truncated
        {"\xFE\xFF" + s, "line 1: the bytes are no UTF-16 BE text"},
        {replaced(s, "\r\n", "\r"), "CR LF or LF"},
        {replaced(s, "GLAS LUNA 1 0 1.6 40", "GLAS LUNA 0 0 1.5 40"), "surface 1: GLAS LUNA: the catalogue has no such glass"},
    };
    for (const auto& [bytes, message] : cases) {
        writebytes(dir / "bad.zmx", bytes);
        const auto out = dir / "bad.dat";
        const BatchRun r = run("import-zmx '" + (dir / "bad.zmx").string() + "' '" + out.string() + "'");
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << message;
    }
    // an existing file stays as it was
    writebytes(dir / "keep.dat", "old");
    writebytes(dir / "bad.zmx", replaced(s, "GLAS LUNA 1 0 1.6 40", "GLAS LUNA"));
    EXPECT_EQ(run("import-zmx '" + (dir / "bad.zmx").string() + "' '" + (dir / "keep.dat").string() + "'").status, 1);
    EXPECT_EQ(readtextfile((dir / "keep.dat").string()).value_or(""), "old");
}

TEST_F(ImportBatchTest, SubstituteListReplacesAMissingCatalogueGlass) {
    writebytes(dir / "s.zmx", replaced(zmxsinglet, "GLAS LUNA 1 0 1.6 40", "GLAS LUNA 0 0 1.5 40"));
    const std::string out = (dir / "s.dat").string();
    const BatchRun r = run("import-zmx --substitute LUNA=1.5168:64.17 '" + (dir / "s.zmx").string() + "' '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    OpticalSystem lens;
    ASSERT_EQ(loadlensfile(out, lens), "");
    EXPECT_NE(lens.sys.sp.glass[1].find("BK7"), std::string::npos) << lens.sys.sp.glass[1];
    EXPECT_NE(r.out.find("is substituted by the nearest catalogue glass"), std::string::npos) << r.out;
    EXPECT_EQ(run("import-zmx --substitute LUNA=1.5 '" + (dir / "s.zmx").string() + "' '" + out + "'").status, 2);
}

TEST_F(ImportBatchTest, ExportWritesUtf16ThatImportsBack) {
    writebytes(dir / "singlet.zmx", zmxsinglet);
    const std::string lensfile = (dir / "singlet.dat").string(), zmx = (dir / "back.zmx").string();
    ASSERT_EQ(run("import-zmx '" + (dir / "singlet.zmx").string() + "' '" + lensfile + "'").status, 0);
    const BatchRun e = run("export-zmx '" + lensfile + "' '" + zmx + "'");
    ASSERT_EQ(e.status, 0) << e.err;
    const std::string bytes = readtextfile(zmx).value_or("");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEV\0", 4));   // byte-order mark, then VERS
    EXPECT_NE(bytes.find(std::string("\r\0\n\0", 4)), std::string::npos);
    const std::string again = (dir / "again.dat").string();
    ASSERT_EQ(run("import-zmx '" + zmx + "' '" + again + "'").status, 0);
    OpticalSystem a, b;
    ASSERT_EQ(loadlensfile(lensfile, a), "");
    ASSERT_EQ(loadlensfile(again, b), "");
    EXPECT_NEAR(b.efl, a.efl, 1e-12 * std::fabs(a.efl));
    // a lens that cannot be read writes nothing
    writebytes(dir / "broken.dat", "not a lens");
    EXPECT_EQ(run("export-zmx '" + (dir / "broken.dat").string() + "' '" + (dir / "none.zmx").string() + "'").status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.zmx"));
}

}  // namespace
}  // namespace zefo::test
