// The glass catalogue: bundled data, searches, index formula, AGF import, failures.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "core/model/glasscat.h"
#include "testutil.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

class GlassCat : public ::testing::Test {
protected:
    void openfresh(const std::string& name) {
        dir = test::freshdir("glass-" + name);
        ASSERT_EQ(cat.open(dir.string()), "");
    }
    std::filesystem::path dir;
    GlassCatalog cat;
};

// The classic names of the default glass triangle resolve to the current glasses.
TEST_F(GlassCat, TriangleGlassesGiveTheCatalogueIndices) {
    openfresh("triangle");
    const Index3 wl{0.0005876, 0.0006563, 0.0004861};
    // N-BK7 catalogue values nd, nC, nF.
    const auto bk7 = cat.glassbyname("BK7");
    ASSERT_TRUE(bk7);
    const Index3 n = glassindices(bk7->a, wl);
    EXPECT_EQ(fmtf(n[0], 0, 5), "1.51680");
    EXPECT_EQ(fmtf(n[1], 0, 5), "1.51432");
    EXPECT_EQ(fmtf(n[2], 0, 5), "1.52238");
    EXPECT_EQ(bk7->code, "517642");

    // The default triangle corners: index at d and nF - nC at the exact spectral lines,
    // within what the six-term formula keeps of the maker's data.
    const Index3 lines{0.0005875618, 0.0006562725, 0.0004861327};
    const GlassTriangle tri;
    for (int j = 0; j < 3; ++j) {
        SCOPED_TRACE(tri.trglass[j]);
        const auto g = cat.glassbyname(tri.trglass[j]);
        ASSERT_TRUE(g);
        const Index3 nl = glassindices(g->a, lines);
        EXPECT_NEAR(nl[0], tri.trindex[j], 3e-6);
        EXPECT_NEAR(nl[2] - nl[1], tri.trdisp[j], 2e-6);
    }
}

TEST(GlassFormula, SchottFormulaMatchesAHandComputation) {
    // 0.0005 mm = 0.5 um, t = 0.25:
    // s = 2 - 0.0025 + 0.04 + 0.0032 + 0.00064 + 0.000256 = 2.041596
    const SchottCoef a{2.0, -0.01, 0.01, 0.0002, 0.00001, 0.000001};
    EXPECT_NEAR(schottindex(a, 0.0005), std::sqrt(2.041596), 1e-15);
    // 0.001 mm = 1 um, t = 1: s = 2 - 0.01 + 0.01 + 0.0002 + 0.00001 + 0.000001 = 2.000211
    EXPECT_NEAR(schottindex(a, 0.001), std::sqrt(2.000211), 1e-15);
    // A non-positive square is passed on as it is.
    EXPECT_EQ(schottindex({-0.5, 0, 0, 0, 0, 0}, 0.0005), -0.5);
    EXPECT_EQ(schottindex({0, 0, 0, 0, 0, 0}, 0.0005), 0.0);
}

TEST(GlassFormula, GlassCodeRule) {
    const struct { double nd, vd; const char* code; } cases[] = {
        {1.517, 64.2, "517642"},
        {1.5168, 64.17, "517642"},    // Abbe number rounded up
        {1.51633, 64.14, "516641"},   // both rounded down
        {1.5625, 64.25, "563643"},    // exact halves go up
        {1.4338, 95.18, "434952"},
        {1.7552, 27.58, "755276"},
        {2.001, 25.5, "1001255"},     // the text of the numbers, not cut to six characters
        {1.5168, 214748364.7, "5172147483647"},  // the largest part a code can hold
        // numbers too large for a code give none
        {1.5168, 214748364.8, ""},
        {1e300, 64.17, ""},
        {-1e300, 64.17, ""},
        {1.5168, -1e300, ""},
        {1.5168, std::nan(""), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(glasscode(c.nd, c.vd), c.code) << c.nd << " " << c.vd;
}

// Every record: serial 1..count, unique names that survive the lens data file,
// the code of its nd and vd, and found again by name and by serial.
TEST_F(GlassCat, BundledCatalogueIsConsistent) {
    openfresh("consistent");
    const int count = cat.glasscount();
    EXPECT_GT(count, 1500);
    std::set<std::string> names;
    for (int i = 1; i <= count; ++i) {
        const auto g = cat.glassbyserial(i);
        ASSERT_TRUE(g) << i;
        EXPECT_EQ(g->serial, i);
        EXPECT_TRUE(names.insert(g->name).second) << g->name;
        EXPECT_LE(g->name.size(), 10u) << g->name;
        EXPECT_EQ(g->name.find_first_of(" ,"), std::string::npos) << g->name;
        EXPECT_EQ(g->code, glasscode(g->nd, g->vd)) << g->name;
        EXPECT_EQ(cat.glassbyname(g->name)->serial, i);
        const Index3 n = glassindices(g->a, {0.0005875618, 0.0006562725, 0.0004861327});
        EXPECT_NEAR(n[0], g->nd, 2e-4) << g->name;   // data and catalogue nd agree
    }
    EXPECT_FALSE(cat.glassbyserial(0));
    EXPECT_FALSE(cat.glassbyserial(count + 1));
    EXPECT_TRUE(cat.lasterror().empty());
}

TEST_F(GlassCat, NamesAreExactAndCaseSensitive) {
    openfresh("names");
    EXPECT_TRUE(cat.glassbyname("LaK9"));
    EXPECT_FALSE(cat.glassbyname("lak9"));
    EXPECT_FALSE(cat.glassbyname("BK7 "));
    EXPECT_FALSE(cat.glassbyname(""));
    // A classic name without a current glass keeps its old data; duplicates of a later
    // maker carry a maker tag.
    const auto fk1 = cat.glassbyname("FK1");
    ASSERT_TRUE(fk1);
    EXPECT_EQ(fk1->maker, "SCHOTT 1983");
    EXPECT_EQ(cat.glassbyname("SF4")->maker, "SCHOTT");
    const auto sf4hi = cat.glassbyname("SF4_HI");
    ASSERT_TRUE(sf4hi);
    EXPECT_EQ(sf4hi->maker, "HIKARI");
    // Classic names match current glasses by name and by code.
    EXPECT_EQ(cat.glassbyname("LaK9")->remark, "data of N-LAK9");
    EXPECT_EQ(cat.glassbyname("LaKN7")->remark, "data of N-LAK7");
}

TEST_F(GlassCat, FirstStartCreatesTheFileAndLaterOpensReuseIt) {
    dir = test::freshdir("glass-firststart");
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(cat.open(dir.string() + "/"), "");
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_LT(ms.count(), 1000);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "sgm.DB"));
    EXPECT_FALSE(std::filesystem::exists(dir / "sgm.DB.new"));
    EXPECT_EQ(cat.path(), (dir / "sgm.DB").string());
    const int count = cat.glasscount();

    const auto imp = cat.importagf(test::datafile("madeup.agf"));
    ASSERT_EQ(imp.error, "");
    ASSERT_EQ(imp.added, 3);
    cat.close();
    EXPECT_FALSE(cat.glassbyname("BK7"));
    EXPECT_EQ(cat.glasscount(), 0);

    GlassCatalog again;
    ASSERT_EQ(again.open(dir.string()), "");
    EXPECT_EQ(again.glasscount(), count + 3);
    EXPECT_TRUE(again.glassbyname("ZK-CROWN"));
}

// Programs started at the same time in a new workspace all open one whole catalogue.
TEST(GlassCatFirstStart, SimultaneousFirstStartsShareOneWholeCatalogue) {
    const auto dir = test::freshdir("glass-simultaneous");
    constexpr int n = 4;
    std::vector<std::string> errors(n);
    std::vector<int> counts(n);
    std::vector<std::thread> starts;
    for (int i = 0; i < n; ++i)
        starts.emplace_back([&, i] {
            GlassCatalog c;
            errors[i] = c.open(dir.string());
            counts[i] = c.glasscount();
        });
    for (auto& t : starts) t.join();
    GlassCatalog fresh;
    ASSERT_EQ(fresh.open(test::freshdir("glass-single").string()), "");
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(errors[i], "") << i;
        EXPECT_EQ(counts[i], fresh.glasscount()) << i;
    }
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"sgm.DB"});
}

TEST_F(GlassCat, CodeSearchUsesTheCodeIndexAndGivesTheFirstSerial) {
    openfresh("code");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir / "sgm.DB").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT name FROM pragma_index_info('GCIndx')", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "GlassCode");
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(db);

    for (const std::string code : {"517642", "755276", "691547"}) {
        int first = 0;
        for (int i = cat.glasscount(); i >= 1; --i)
            if (cat.glassbyserial(i)->code == code) first = i;
        ASSERT_GT(first, 0) << code;
        const auto g = cat.glassbycode(code);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->serial, first) << code;
    }
    EXPECT_FALSE(cat.glassbycode("999999"));
    EXPECT_FALSE(cat.glassbycode("51764"));
}

double sellmeier(const std::vector<double>& kl, double wlmm) {
    const double t = wlmm * 1000 * wlmm * 1000;
    double s = 1;
    for (size_t i = 0; i + 1 < kl.size(); i += 2) s += kl[i] * t / (t - kl[i + 1]);
    return std::sqrt(s);
}

TEST_F(GlassCat, AgfImportTakesSchottAndFitsSellmeier) {
    openfresh("agf");
    const int count = cat.glasscount();
    const auto sf4 = cat.glassbyname("SF4");
    const auto r = cat.importagf(test::datafile("madeup.agf"));
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.added, 3);
    EXPECT_EQ(r.present, 2);          // SF4, and ZK-CROWN a second time
    EXPECT_EQ(r.unknownformula, 1);   // Herzberger
    EXPECT_EQ(r.unusable, 2);         // a name longer than 10 characters, and AIR
    EXPECT_EQ(cat.glasscount(), count + 3);

    const auto crown = cat.glassbyname("ZK-CROWN");
    ASSERT_TRUE(crown);
    EXPECT_EQ(crown->a, (SchottCoef{2.2718929, -0.010108077, 0.010592509, 0.00020816965, -7.6472538E-06, 4.9240991E-07}));
    EXPECT_EQ(crown->code, "517642");
    EXPECT_EQ(crown->serial, count + 1);
    EXPECT_EQ(crown->maker, "madeup");
    EXPECT_EQ(cat.glassbyserial(count + 2)->name, "ZS-SELL3");
    EXPECT_EQ(cat.glassbyname("SF4")->a, sf4->a);   // a present name keeps its data

    const Index3 wl{0.0005876, 0.0006563, 0.0004861};
    const struct { const char* name; std::vector<double> kl; double tol; const char* code; } fits[] = {
        {"ZS-SELL3", {1.05, 0.0061, 0.22, 0.0205, 1.02, 104.0}, 1e-6, "516638"},
        // a dense flint: the six-term formula follows four Sellmeier terms less closely
        {"ZS-SELL4", {1.36, 0.0095, 0.41, 0.045, 0.23, 0.07, 1.1, 95.0}, 1e-5, "776214"},
    };
    for (const auto& f : fits) {
        SCOPED_TRACE(f.name);
        const auto g = cat.glassbyname(f.name);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->code, f.code);
        const Index3 n = glassindices(g->a, wl);
        for (int w = 0; w < 3; ++w) EXPECT_NEAR(n[w], sellmeier(f.kl, wl[w]), f.tol) << w;
        // The fit range 0.40 .. 1.0 um holds; far outside it the formula is not asked for.
        EXPECT_NEAR(schottindex(g->a, 0.00041), sellmeier(f.kl, 0.00041), 2 * f.tol);
        EXPECT_NEAR(schottindex(g->a, 0.00095), sellmeier(f.kl, 0.00095), 2 * f.tol);
    }
}

TEST_F(GlassCat, AgfImportReadsUtf16FilesAndReportsUnreadableOnes) {
    openfresh("agf16");
    const std::string text = test::readdata("madeup.agf");
    std::string utf16 = "\xFF\xFE";
    for (char c : text) utf16 += {c, '\0'};
    const auto path = dir / "utf16.agf";
    std::ofstream(path, std::ios::binary) << utf16;
    const auto r = cat.importagf(path.string());
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.added, 3);
    EXPECT_EQ(r.unknownformula, 1);
    EXPECT_TRUE(cat.glassbyname("ZS-SELL4"));

    const auto missing = cat.importagf((dir / "none.agf").string());
    EXPECT_EQ(missing.error, "Cannot read file " + (dir / "none.agf").string());
    EXPECT_EQ(missing.added, 0);
}

// Numbers far beyond any glass: the glass is skipped and counted, the others are added.
TEST_F(GlassCat, AgfImportSkipsGlassesWithNumbersTooLargeForTheirFields) {
    openfresh("agfhuge");
    const int count = cat.glasscount();
    const std::string schott = "CD 2.2718929 -0.010108077 0.010592509 0.00020816965 -7.6472538E-06 4.9240991E-07\n";
    const auto path = dir / "huge.agf";
    std::ofstream(path, std::ios::binary) << "NM ZX-FORM 1E+300 517642 1.5168 64.17\n" << schott
                                          << "NM ZX-FORMN -1E+300 517642 1.5168 64.17\n" << schott
                                          << "NM ZX-ND 1 517642 1E+300 64.17\n" << schott
                                          << "NM ZX-VD 1 517642 1.5168 -1E+300\n" << schott
                                          << "NM ZX-GOOD 1 517642 1.5168 64.17\n" << schott;
    const auto r = cat.importagf(path.string());
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.unknownformula, 2);
    EXPECT_EQ(r.unusable, 2);
    EXPECT_EQ(cat.glasscount(), count + 1);
    ASSERT_TRUE(cat.glassbyname("ZX-GOOD"));
    EXPECT_EQ(cat.glassbyname("ZX-GOOD")->code, "517642");
    for (const char* name : {"ZX-FORM", "ZX-FORMN", "ZX-ND", "ZX-VD"}) EXPECT_FALSE(cat.glassbyname(name)) << name;
}

TEST(GlassCatFailure, BadDatabaseGivesAnErrorText) {
    const auto dir = test::freshdir("glass-bad");
    GlassCatalog cat;
    {
        std::ofstream f(dir / "sgm.DB", std::ios::binary);
        f << std::string(4096, 'x');
    }
    std::string e = cat.open(dir.string());
    EXPECT_EQ(e.rfind("Glass catalogue " + (dir / "sgm.DB").string() + " cannot be opened: ", 0), 0u) << e;
    EXPECT_FALSE(cat.isopen());
    EXPECT_FALSE(cat.glassbyname("BK7"));
    EXPECT_FALSE(cat.glassbycode("517642"));
    EXPECT_EQ(cat.glasscount(), 0);
    EXPECT_EQ(cat.importagf(test::datafile("madeup.agf")).error, "The glass catalogue is not open");

    // A database without the catalogue table.
    std::filesystem::remove(dir / "sgm.DB");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "sgm.DB").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE other (x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    e = cat.open(dir.string());
    EXPECT_NE(e.find("cannot be opened: no such table: sgm"), std::string::npos) << e;

    // A glass directory that cannot hold a file: it is a regular file.
    const auto notdir = dir / "plainfile";
    std::ofstream(notdir) << "x";
    e = cat.open(notdir.string());
    EXPECT_EQ(e.rfind("Glass catalogue " + (notdir / "sgm.DB").string() + " cannot be created: ", 0), 0u) << e;
    EXPECT_FALSE(cat.isopen());
}

TEST_F(GlassCat, EditorGlassEntryFillsTheRow) {
    openfresh("setglass");
    Model m;
    m.lens.nsurf = 3;
    allocsystem(m);
    m.lens.sys.sp.surflabel = {"S", "M", "SM", "S"};
    const auto bk7 = cat.glassbyname("BK7");
    const Index3 n = glassindices(bk7->a, m.lens.wl);

    ASSERT_TRUE(setglass(cat, m, 0, "BK7"));
    EXPECT_EQ(m.lens.sys.sp.index[0], n);
    EXPECT_EQ(m.lens.sys.sp.disp[0], n[2] - n[1]);
    EXPECT_EQ(m.lens.sys.sp.glass[0], "BK7");

    ASSERT_TRUE(setglass(cat, m, 1, "BK7"));   // exactly "M": negated
    EXPECT_EQ(m.lens.sys.sp.index[1], (Index3{-n[0], -n[1], -n[2]}));
    EXPECT_EQ(m.lens.sys.sp.disp[1], -(n[2] - n[1]));
    ASSERT_TRUE(setglass(cat, m, 2, "BK7"));   // "SM" is not negated
    EXPECT_EQ(m.lens.sys.sp.index[2], n);

    ASSERT_TRUE(setglass(cat, m, 3, "AIR"));
    EXPECT_EQ(m.lens.sys.sp.index[3], (Index3{1, 1, 1}));
    EXPECT_EQ(m.lens.sys.sp.disp[3], 0);
    EXPECT_EQ(m.lens.sys.sp.glass[3], "AIR");
    ASSERT_TRUE(setglass(cat, m, 1, "air"));
    EXPECT_EQ(m.lens.sys.sp.index[1], (Index3{-1, -1, -1}));

    // Not found: the row stays as it was.
    EXPECT_FALSE(setglass(cat, m, 0, "Air"));
    EXPECT_FALSE(setglass(cat, m, 0, "NOGLASS"));
    EXPECT_EQ(m.lens.sys.sp.glass[0], "BK7");
    EXPECT_EQ(m.lens.sys.sp.index[0], n);

    // The indices follow the model's wavelengths.
    m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
    applyglass(m, 0, *bk7);
    EXPECT_EQ(m.lens.sys.sp.index[0], (Index3{n[0], n[0], n[0]}));
    EXPECT_EQ(m.lens.sys.sp.disp[0], 0);
}

// --- the batch commands ---

TEST(GlassBatch, GlassShowsTheRecordAndItsIndices) {
    const auto dir = test::freshdir("glassbatch-show");
    auto r = test::runbatch(dir, "glass BK7");
    ASSERT_EQ(r.status, 0) << r.err;
    GlassCatalog cat;
    ASSERT_EQ(cat.open((dir / "glass").string()), "");
    EXPECT_EQ(r.out,
              "GlassName BK7\n"
              "GlassCode 517642\n"
              "SerialNum " + std::to_string(cat.glassbyname("BK7")->serial) + "\n"
              "Maker SCHOTT\n"
              "Remark data of N-BK7\n"
              "nd 1.516800\n"
              "vd 64.1700\n"
              "A0 2.2716365202250888\n"
              "A1 -0.009998621984908713\n"
              "A2 0.010770596896436804\n"
              "A3 0.00015605206434898337\n"
              "A4 -9.662031803946405e-07\n"
              "A5 1.8626634358133016e-07\n"
              "n 0.0005876 1.51680\n"
              "n 0.0006563 1.51432\n"
              "n 0.0004861 1.52238\n"
              "disp 0.00806\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "glass" / "sgm.DB"));

    // any case, the maker prefix's hyphen left out: the catalogue's own name
    r = test::runbatch(dir, "--json glass nbk7");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"name\":\"N-BK7\",\"code\":\"517642\"", 0), 0u) << r.out;
    // a miss: the closest names on standard error, or with the message as JSON
    r = test::runbatch(dir, "glass nbk77");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Glass name not found\nClosest names: N-BK7, ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    r = test::runbatch(dir, "--json glass baf3");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "{\"error\":\"Glass name baf3 fits several glasses: BaF3, BAF3\",\"suggestions\":[\"BaF3\",\"BAF3\"]}\n");
    r = test::runbatch(dir, "--json glass zzzzzz");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "{\"error\":\"Glass name not found\",\"suggestions\":[]}\n");
    EXPECT_EQ(test::runbatch(dir, "glass").status, 2);
}

TEST(GlassBatch, ImportAgfCountsAndKeepsTheGlasses) {
    const auto dir = test::freshdir("glassbatch-import");
    const std::string agf = "'" + test::datafile("madeup.agf") + "'";
    auto r = test::runbatch(dir, "import-agf " + agf);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Glasses added: 3\n"
              "Skipped, name already in the catalogue: 2\n"
              "Skipped, unsupported formula: 1\n"
              "Skipped, unusable data: 2\n");
    r = test::runbatch(dir, "import-agf " + agf);
    EXPECT_EQ(r.out,
              "Glasses added: 0\n"
              "Skipped, name already in the catalogue: 5\n"
              "Skipped, unsupported formula: 1\n"
              "Skipped, unusable data: 2\n");
    r = test::runbatch(dir, "glass ZS-SELL3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nn 0.0005876 1.51637\nn 0.0006563 1.51388\nn 0.0004861 1.52197\n"), std::string::npos)
        << r.out;
    const std::string line = "Import glass catalogue " + test::datafile("madeup.agf") + "\n";
    EXPECT_EQ(readtextfile((dir / "zefo.log").string()).value(),
              line + "Import glass catalogue - Finished\n" + line + "Import glass catalogue - Finished\n");

    r = test::runbatch(dir, "import-agf '" + (dir / "none.agf").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read file " + (dir / "none.agf").string() + "\n");
}

}  // namespace
}  // namespace zefo
