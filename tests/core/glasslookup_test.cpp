// The forgiving glass lookup, its suggestions, model glasses typed as nd/vd, the glass filter.
#include <gtest/gtest.h>

#include <cmath>

#include "core/edit/generaledit.h"
#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "jsonread.h"
#include "testsystems.h"
#include "testutil.h"

namespace zefo {
namespace {

std::vector<std::string> lookupnames(const std::vector<std::string>& names, const std::vector<int>& ix) {
    std::vector<std::string> r;
    for (int i : ix) r.push_back(names[static_cast<size_t>(i)]);
    return r;
}

TEST(GlassNameMatch, CasePrefixesAmbiguityAndSuggestions) {
    const std::vector<std::string> names = {"N-BK7", "BK7",    "BaF3",  "BAF3",   "S-FPL55", "N-SF6",
                                            "SF6",   "H-K9L", "F2_CD", "N-LAK9", "E-LAK9"};
    struct Case {
        const char* typed;
        const char* found;                       // nullptr: not found
        std::vector<std::string> candidates;     // ambiguous
        std::vector<std::string> suggestions;
    };
    const Case cases[] = {
        {"N-BK7", "N-BK7", {}, {}},
        {" n-bk7 ", "N-BK7", {}, {}},    // case and blanks
        {"nbk7", "N-BK7", {}, {}},       // without the hyphen
        {"bk7", "BK7", {}, {}},          // the same name in any case comes before N-BK7
        {"BK7", "BK7", {}, {}},
        {"fpl55", "S-FPL55", {}, {}},    // maker prefix left out, one glass has it
        {"k9l", "H-K9L", {}, {}},
        {"f2cd", "F2_CD", {}, {}},
        {"BaF3", "BaF3", {}, {}},        // exact beats the case-blind pair
        {"baf3", nullptr, {"BaF3", "BAF3"}, {}},
        {"LAK9", nullptr, {"N-LAK9", "E-LAK9"}, {}},
        {"NBK8", nullptr, {}, {"N-BK7", "BK7"}},
        {"SF66", nullptr, {}, {"N-SF6", "SF6"}},
        {"xyzzy", nullptr, {}, {}},
        {"", nullptr, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const NameMatch m = matchglassname(names, c.typed);
        if (c.found) {
            ASSERT_GE(m.found, 0);
            EXPECT_EQ(names[static_cast<size_t>(m.found)], c.found);
        } else {
            EXPECT_EQ(m.found, -1);
        }
        EXPECT_EQ(lookupnames(names, m.candidates), c.candidates);
        EXPECT_EQ(lookupnames(names, m.suggestions), c.suggestions);
    }
}

TEST(GlassNameMatch, AtMostFiveSuggestionsClosestFirst) {
    std::vector<std::string> names;
    for (int i = 1; i <= 9; ++i) names.push_back("SF" + std::to_string(i));
    names.push_back("SFX");
    const NameMatch m = matchglassname(names, "SF");
    ASSERT_EQ(m.suggestions.size(), 5u);
    EXPECT_EQ(lookupnames(names, m.suggestions), (std::vector<std::string>{"SF1", "SF2", "SF3", "SF4", "SF5"}));
    const NameMatch far = matchglassname(names, "SFXX");
    EXPECT_EQ(lookupnames(names, far.suggestions).front(), "SFX");
}

TEST(ModelGlass, NormalGlassRuleGivesNdAndTheMainDispersion) {
    const Index3 lines{0.0005875618, 0.0006562725, 0.0004861327};   // d, C, F in mm
    for (const auto& [nd, vd] : {std::pair{1.5168, 64.17}, {1.8052, 25.36}, {1.4585, 67.8}}) {
        const GlassRecord g = modelglass("m", nd, vd);
        const Index3 n = glassindices(g.a, lines);
        EXPECT_NEAR(n[0], nd, 1e-12);
        EXPECT_NEAR((n[0] - 1) / (n[2] - n[1]), vd, 1e-9);
        // n^2 linear in 1/lambda^2: the three points lie on one line
        const auto u = [](double wl) { return 1 / (wl * 1e3 * wl * 1e3); };
        const double s1 = (n[1] * n[1] - n[0] * n[0]) / (u(lines[1]) - u(lines[0]));
        const double s2 = (n[2] * n[2] - n[0] * n[0]) / (u(lines[2]) - u(lines[0]));
        EXPECT_NEAR(s1, s2, 1e-12);
        EXPECT_EQ(g.code, glasscode(nd, vd));
    }
}

TEST(ModelGlass, TypedNdVdKeepsItsValuesAndARoundedName) {
    struct Case {
        const char* typed;
        double nd, vd;
        const char* name;   // nullptr: refused with a message
    };
    const Case cases[] = {
        {"1.5168/64.17", 1.5168, 64.17, "1.5168/64"},
        {" 1.8 / 25 ", 1.8, 25, "1.8/25"},
        {"1.51680/9.347", 1.5168, 9.347, "1.5168/9.3"},
        {"1.7/25.36", 1.7, 25.36, "1.7/25.36"},
        {"1.5/150.5", 1.5, 150.5, "1.5/150.5"},
        {"1.5/250", 0, 0, nullptr},
        {"0.9/50", 0, 0, nullptr},
        {"1.5/0", 0, 0, nullptr},
    };
    // wavelengths other than d, C and F: the fit from the indices still gives nd and vd
    const Index3 wl{0.0005461, 0.00048, 0.000644};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const TypedModelGlass t = typedmodelglass(c.typed);
        if (!c.name) {
            EXPECT_FALSE(t.glass);
            EXPECT_NE(t.error, "");
            continue;
        }
        ASSERT_TRUE(t.glass) << t.error;
        EXPECT_EQ(t.glass->name, c.name);
        EXPECT_LE(t.glass->name.size(), 10u);
        EXPECT_TRUE(ismodelglassname(t.glass->name));
        EXPECT_EQ(t.glass->a, modelglass("", c.nd, c.vd).a);
        const auto back = modelglassfromindices(c.name, glassindices(t.glass->a, wl), wl);
        ASSERT_TRUE(back);
        EXPECT_NEAR(back->nd, c.nd, 1e-12);
        EXPECT_NEAR(back->vd, c.vd, 1e-9);
    }
    EXPECT_FALSE(typedmodelglass("N-BK7").glass);
    EXPECT_EQ(typedmodelglass("N-BK7").error, "");
    EXPECT_FALSE(ismodelglassname("FDS90(P)"));
    EXPECT_FALSE(modelglassfromindices("x", {1.5, 1.5, 1.5}, {0.0005, 0.0005, 0.0005}));
}

class GlassLookupCat : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::freshdir("glasslookup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        ASSERT_EQ(cat.open(dir.string()), "");
    }
    std::filesystem::path dir;
    GlassCatalog cat;
};

TEST_F(GlassLookupCat, CatalogueFindsForgivinglyAndExplainsMisses) {
    const auto nbk7 = cat.glassbyname("N-BK7");
    ASSERT_TRUE(nbk7);
    for (const char* typed : {"N-BK7", "nbk7", "n-bk7", "NBK7"}) {
        SCOPED_TRACE(typed);
        const GlassMatch g = cat.findglass(typed);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->name, "N-BK7");
        EXPECT_EQ(g->a, nbk7->a);
    }
    EXPECT_EQ(cat.findglass("bk7")->name, "BK7");

    const GlassMatch miss = cat.findglass("N-BK77");
    EXPECT_FALSE(miss);
    ASSERT_FALSE(miss.suggestions.empty());
    EXPECT_LE(miss.suggestions.size(), 5u);
    EXPECT_EQ(miss.suggestions.front(), "N-BK7");
    EXPECT_EQ(glassmissmessage("N-BK77", miss).rfind("Glass name not found\nClosest names: N-BK7", 0), 0u);

    const GlassMatch amb = cat.findglass("baf3");
    EXPECT_FALSE(amb);
    EXPECT_EQ(amb.candidates, (std::vector<std::string>{"BaF3", "BAF3"}));
    EXPECT_EQ(glassmissmessage("baf3", amb), "Glass name baf3 fits several glasses: BaF3, BAF3");

    const GlassMatch model = cat.findglass("1.5168/64.17");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->name, "1.5168/64");
    EXPECT_EQ(glassmissmessage("1.5/300", cat.findglass("1.5/300")).rfind("A model glass", 0), 0u);
}

TEST_F(GlassLookupCat, GlassCellTakesForgivenAndModelGlassesAndTheFileKeepsThem) {
    Model m = doublegauss();
    const GlassLookup lookup = cataloglookup(cat);
    const int row = 1;   // the medium behind surface 1
    CellCommit c = commitsurfcell(m, lookup, row, scglass, "nsk16");
    ASSERT_TRUE(c.accepted) << c.message;
    EXPECT_EQ(c.restore, "N-SK16");
    EXPECT_EQ(m.lens.sys.sp.glass[row], "N-SK16");
    EXPECT_EQ(m.lens.sys.sp.index[row], glassindices(cat.glassbyname("N-SK16")->a, m.lens.wl));

    c = commitsurfcell(m, lookup, row, scglass, "1.5168/64.17");
    ASSERT_TRUE(c.accepted) << c.message;
    EXPECT_TRUE(c.changed);
    EXPECT_EQ(m.lens.sys.sp.glass[row], "1.5168/64");
    const GlassRecord g = modelglass("x", 1.5168, 64.17);
    const Index3 n = glassindices(g.a, m.lens.wl);
    EXPECT_EQ(m.lens.sys.sp.index[row], n);
    EXPECT_EQ(m.lens.sys.sp.disp[row], n[2] - n[1]);

    c = commitsurfcell(m, lookup, row, scglass, "N-BK77");
    EXPECT_FALSE(c.accepted);
    EXPECT_EQ(c.restore, "1.5168/64");
    EXPECT_EQ(c.message.rfind("Glass name not found\nClosest names: N-BK7", 0), 0u);

    // saved and read again: the same name and indices; a wavelength change recomputes them
    std::string text;
    ASSERT_EQ(writelensfile(m.lens, text), "");
    Model back;
    ASSERT_EQ(readlensfile(text, back), "");
    EXPECT_EQ(back.lens.sys.sp.glass[row], "1.5168/64");
    for (int w = 0; w < 3; ++w) EXPECT_NEAR(back.lens.sys.sp.index[row][w], m.lens.sys.sp.index[row][w], 1e-14);
    for (auto& name : back.lens.sys.sp.glass)
        if (name == "glass") name = "N-SK16";   // the sample's other glasses, known to the catalogue
    const EditResult w = changewavelengths(back, {0.0005461, std::nullopt, std::nullopt}, lookup);
    ASSERT_TRUE(w.ok()) << w.message;
    EXPECT_NEAR(back.lens.sys.sp.index[row][0], schottindex(g.a, 0.0005461), 1e-12);
}

TEST(GlassFilterTest, BatchListsTheGlassesWithinRanges) {
    const auto dir = test::freshdir("glasses-batch");
    auto r = test::runbatch(dir, "--json glasses --nd 1.6..1.62 --vd 55..");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto list = test::parsejson(r.out)["glasses"];
    ASSERT_GT(list.size(), 3u);
    GlassCatalog cat;
    ASSERT_EQ(cat.open((dir / "glass").string()), "");
    size_t expected = 0;
    for (const auto& g : cat.allglasses()) expected += g.nd >= 1.6 && g.nd <= 1.62 && g.vd >= 55;
    EXPECT_EQ(list.size(), expected);
    for (const auto& g : list.items) {
        const auto rec = cat.glassbyname(g["name"].str());
        ASSERT_TRUE(rec);
        EXPECT_EQ(g["code"].str(), rec->code);
        EXPECT_EQ(g["nd"].num(), rec->nd);
        EXPECT_EQ(g["vd"].num(), rec->vd);
    }
    for (const char* bad : {"--nd 1.6", "--nd ..", "--vd 60..50", "--nd a..b"})
        EXPECT_EQ(test::runbatch(dir, std::string("glasses ") + bad).status, 2) << bad;
}

TEST(GlassFilterTest, TextAndRangesSelect) {
    const auto rec = [](const char* name, double nd, double vd) {
        GlassRecord g;
        g.name = name;
        g.nd = nd;
        g.vd = vd;
        g.code = glasscode(nd, vd);
        return g;
    };
    const std::vector<GlassRecord> all = {rec("N-BK7", 1.5168, 64.17), rec("N-SF6", 1.80518, 25.36),
                                          rec("N-LAK9", 1.691, 54.71), rec("F2", 1.62004, 36.37)};
    const auto names = [&](const GlassFilter& f) {
        std::vector<std::string> r;
        for (const auto& g : filterglasses(all, f)) r.push_back(g.name);
        return r;
    };
    GlassFilter f;
    EXPECT_EQ(names(f).size(), 4u);
    f.text = "nbk";
    EXPECT_EQ(names(f), std::vector<std::string>{"N-BK7"});
    f.text = "805";   // start of the code
    EXPECT_EQ(names(f), std::vector<std::string>{"N-SF6"});
    f = GlassFilter{};
    f.ndmin = 1.6;
    f.vdmin = 30;
    EXPECT_EQ(names(f), (std::vector<std::string>{"N-LAK9", "F2"}));
    f.vdmax = 36.37;   // closed range
    EXPECT_EQ(names(f), std::vector<std::string>{"F2"});
}

}  // namespace
}  // namespace zefo
