// The parameter set of the evolutionary optimizers: the real format and the data files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/evolution/eaparams.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo {
namespace {

TEST(EAParams, RealsAreWrittenInTwentyThreeCharacters) {
    const std::pair<double, const char*> cases[] = {
        {1e-6, " 1.00000000000000E-0006"},
        {0.85, " 8.50000000000000E-0001"},
        {-2.5, "-2.50000000000000E+0000"},
        {20, " 2.00000000000000E+0001"},
        {0, " 0.00000000000000E+0000"},
        {1.5e300, " 1.50000000000000E+0300"},
        {0.0333, " 3.33000000000000E-0002"},
    };
    for (const auto& [x, text] : cases) {
        const std::string s = eareal(x);
        EXPECT_EQ(s, text);
        EXPECT_EQ(s.size(), 23u);
        EXPECT_EQ(std::strtod(s.c_str(), nullptr), x);
    }
}

TEST(EAParams, EveryKindRoundTripsThroughItsFile) {
    const std::string dir = test::freshdir("eaparams");
    EAParams changed;
    changed.popsize = 150;
    changed.maxgen = 20000;
    changed.pcross = 0.25;
    changed.shares = {30, 10, 20, 25, 15};
    changed.minshares = {2, 3, 4, 5, 6};
    changed.preal = 0.125;
    changed.mutparent = 3;
    changed.convabs = 1e-4;
    changed.initstep = 1.5;
    changed.angle = 90;
    changed.parents = 12;
    changed.offspring = 120;
    changed.recombcode = 152;
    changed.evolconv = 4;
    changed.variant = 7;
    for (int kind = 1; kind <= 7; ++kind) {
        EAParams p = changed;
        p.kind = kind;
        p.recombine = kind == 6;
        if (kind == 4) p.maxgen = 800000;
        const std::string path = dir + "/lens" + eaextension(kind);
        ASSERT_EQ(saveeafile(path, p), "");
        EAParams back;
        ASSERT_EQ(loadeafile(path, back, kind), "") << kind;
        // Only the values the kind's file holds come back.
        EXPECT_EQ(back.kind, kind);
        EXPECT_EQ(back.maxgen, p.maxgen);
        EXPECT_EQ(back.popsize == p.popsize, kind <= 3) << kind;
        EXPECT_EQ(back.shares == p.shares, kind == 3) << kind;
        EXPECT_EQ(back.minshares == p.minshares, kind == 3) << kind;
        EXPECT_EQ(back.pcross == p.pcross, kind <= 2) << kind;
        EXPECT_EQ(back.variant == p.variant, kind == 2) << kind;
        EXPECT_EQ(back.convabs == p.convabs, kind >= 4) << kind;
        EXPECT_EQ(back.initstep == p.initstep, kind >= 4) << kind;
        EXPECT_EQ(back.parents == p.parents, kind >= 5) << kind;
        EXPECT_EQ(back.recombcode == p.recombcode, kind == 7) << kind;
        EXPECT_EQ(back.angle == p.angle, kind == 7) << kind;
        EXPECT_EQ(back.evolconv == p.evolconv, kind == 4) << kind;
        EXPECT_EQ(back.recombine, kind == 6) << kind;
    }
}

TEST(EAParams, KorrFileLayout) {
    // Komma strategy with a rotating ellipsoid: 0 on the strategy and the rotation lines.
    EAParams p;
    p.kind = 7;
    EXPECT_EQ(eafiletext(p),
              "7\n10\n100\n0\n0\n1\n333\n"
              " 1.00000000000000E-0006\n 1.00000000000000E-0006\n"
              " 1.00000000000000E-0006\n 1.00000000000000E-0006\n"
              " 1.00000000000000E+0000\n 0.00000000000000E+0000\n5000\n");
}

TEST(EAParams, GrupRekoFlagFollowsTheFileKind) {
    struct Case { const char* text; bool before, after; };
    const char* tail = "1e-6\n1e-6\n1e-6\n1e-6\n0.85\n1\n5000\n";
    const Case cases[] = {
        {"5\n10\n100\n1\n", true, false},   // a GRUP file saying GRUP clears it
        {"5\n10\n100\n0\n", true, true},    // disagreeing flag: left as it is
        {"6\n10\n100\n0\n", false, true},   // a REKO file saying REKO sets it
        {"6\n10\n100\n1\n", false, false},
    };
    for (const Case& k : cases) {
        EAParams p;
        p.recombine = k.before;
        ASSERT_EQ(parseeatext(std::string(k.text) + tail, p), "") << k.text;
        EXPECT_EQ(p.recombine, k.after) << k.text;
    }
}

TEST(EAParams, BadFilesAreRefusedAndTheSetKept) {
    EAParams good;
    good.kind = 7;
    const std::string korr = eafiletext(good);
    auto replaceline = [](std::string text, int line, const std::string& value) {
        size_t start = 0;
        for (int n = 1; n < line; ++n) start = text.find('\n', start) + 1;
        return text.replace(start, text.find('\n', start) - start, value);
    };
    EAParams es;
    es.kind = 5;
    const std::string grup = eafiletext(es);
    const std::pair<std::string, std::string> cases[] = {
        {"9\n", "unknown kind"},
        {"", "unknown kind"},
        {replaceline(korr, 2, "0"), "number of parents"},            // no parents
        {replaceline(korr, 5, "2"), "rotation"},
        {replaceline(korr, 6, "3"), "convergence"},                  // checked over 1 or 2 generations
        {replaceline(korr, 7, "363"), "type of recombination"},
        {replaceline(korr, 7, "103"), "type of recombination"},
        {replaceline(korr, 8, "0.0011"), "convergence test absolute"},
        {replaceline(korr, 12, "nan"), "initial step size"},
        {replaceline(korr, 12, "0.3"), "initial step size"},
        {replaceline(korr, 14, "12.5"), "generations"},
        {replaceline(korr, 14, ""), "generations"},
        {korr.substr(0, korr.size() - 5), "generations"},           // truncated
        {replaceline(grup, 3, "49"), "offsprings"},
        {replaceline(grup, 4, "2"), "GRUP/REKO"},
        {"3\n200\n5000\n20\n20\n20\n0\n", "real mutation probability"},
    };
    for (const auto& [text, what] : cases) {
        EAParams p;
        p.angle = 45;
        const EAParams before = p;
        const std::string err = parseeatext(text, p);
        EXPECT_NE(err.find(what), std::string::npos) << err << "\n" << text;
        EXPECT_EQ(p, before);
    }
    // A file of another kind is refused by a run that wants its own.
    EAParams p;
    EXPECT_NE(parseeatext(korr, p, 5), "");
    EXPECT_EQ(p, EAParams{});
    // Dialog tolerances are accepted: absolute parameter 0.00101, 50001 generations.
    EXPECT_EQ(parseeatext(replaceline(replaceline(korr, 8, "0.00101"), 14, "50001"), p, 7), "");
    EXPECT_EQ(p.convabs, 0.00101);
    EXPECT_EQ(p.maxgen, 50001);

    // A missing file: a message, the set untouched.
    const std::string dir = test::freshdir("eaparams_missing");
    EAParams q;
    EXPECT_NE(loadeafile(dir + "/none.esk", q), "");
    EXPECT_EQ(q, EAParams{});
}

}  // namespace
}  // namespace zefo
