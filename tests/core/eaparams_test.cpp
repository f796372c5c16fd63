// The parameter set of the evolutionary optimizers: the real format and the data files.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
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

    // Reals that become integers are range-checked before the conversion.
    for (const char* huge : {"1e10", "-1e10", "1e300", "2147483648"}) {
        EXPECT_NE(parseeatext(replaceline(korr, 7, huge), p).find("type of recombination is out of range"),
                  std::string::npos) << huge;
        EXPECT_NE(parseeatext(replaceline(korr, 2, huge), p).find("number of parents is out of range"),
                  std::string::npos) << huge;
    }

    // A missing file: a message, the set untouched.
    const std::string dir = test::freshdir("eaparams_missing");
    EAParams q;
    EXPECT_NE(loadeafile(dir + "/none.esk", q), "");
    EXPECT_EQ(q, EAParams{});
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// Whatever a dialog accepts is saved and loads again to the values the file keeps: seeded
// random parameter sets (values near the bounds, just inside and outside 0 and 1, extreme
// magnitudes) through the dialogs' checks, the writer and the loader.
TEST(EAParams, EverySetTheDialogsAcceptSavesAndLoadsAgain) {
    std::mt19937_64 rng(27);
    const double specials[] = {0, 1, std::nextafter(1.0, 0.0), std::nextafter(0.0, 1.0), std::nextafter(1.0, 2.0),
                               100, std::nextafter(100.0, 0.0), 99.999999999999, 10, 0.00101, 0.5, 2, 360,
                               std::nextafter(360.0, 0.0), 1e-300, -1e300, 0.49999, 2.01};
    const auto real = [&](double typical) {
        switch (rng() % 4) {
            case 0: return specials[rng() % std::size(specials)];
            case 1: return typical * std::uniform_real_distribution<double>(0.0, 2.0)(rng);
            case 2: return std::nextafter(typical, rng() % 2 ? 1e300 : -1e300);
            default: return typical;
        }
    };
    const auto integer = [&](int typical) { return rng() % 3 ? typical : static_cast<int>(rng() % 2000) - 100; };
    const auto dir = test::freshdir("ea_roundtrip");
    int accepted = 0, refused = 0;
    for (int it = 0; it < 4000; ++it) {
        EAParams p;
        p.kind = std::array<int, 6>{1, 3, 4, 5, 6, 7}[rng() % 6];
        p.pcross = real(p.pcross);
        p.pmut = real(p.pmut);
        for (double& v : p.shares) v = real(v);
        p.shares[4] = 100 - p.shares[0] - p.shares[1] - p.shares[2] - p.shares[3];
        for (double& v : p.minshares) v = real(v);
        for (double* v : {&p.preal, &p.pbig, &p.psmall, &p.convabs, &p.convrel, &p.stepabs, &p.steprel,
                          &p.stepadjust, &p.initstep, &p.angle})
            *v = real(*v == 0 ? 180 : *v);
        for (int* v : {&p.popsize, &p.maxgen, &p.parents, &p.offspring, &p.opspergen, &p.opsbeforetest, &p.korrconvgen})
            *v = integer(*v);
        const bool ok = p.kind <= 3 ? checkgageneral(p).ok() && checkgaprobabilities(p).ok() && checkassga(p).ok()
                                    : checkes(p, p.kind == 6 ? 5 : p.kind).ok();
        const std::string path = (dir / ("set" + std::to_string(it) + eaextension(p.kind))).string();
        const std::string saved = saveeafile(path, p);
        if (!ok) {
            ++refused;
            std::filesystem::remove(path);
            continue;
        }
        ++accepted;
        ASSERT_EQ(saved, "") << it;
        EAParams back;
        ASSERT_EQ(loadeafile(path, back, p.kind), "") << it << "\n" << eafiletext(p);
        EXPECT_EQ(eafiletext(back), eafiletext(p)) << it;
        std::filesystem::remove(path);
    }
    EXPECT_GT(accepted, 200);   // enough of both to say something
    EXPECT_GT(refused, 200);
    // just below one is stored as one: refused by the dialog as one
    EAParams p;
    p.pmut = std::nextafter(1.0, 0.0);
    EXPECT_EQ(checkgaprobabilities(p).message, "Mutation probability must not be one!");
}

TEST(EAParams, DefaultsPassEveryDialog) {
    const EAParams p;
    EXPECT_TRUE(checkgageneral(p).ok());
    EXPECT_TRUE(checkgaprobabilities(p).ok());
    EXPECT_TRUE(checkassga(p).ok());
    for (int kind : {4, 5, 7}) EXPECT_TRUE(checkes(p, kind).ok()) << kind;
}

TEST(EAParams, DialogsRefuseTheFirstBadFieldWithItsMessage) {
    using Change = void (*)(EAParams&);
    struct Case {
        const char* what;
        Change change;
        int dialog;   // 0 general, 1 probabilities, 2 ASSGA, 4/5/7 ES
        int field;    // -1: accepted
        const char* message;
    };
    const Case cases[] = {
        {"150 = 300 div 2", [](EAParams& p) { p.popsize = 150; p.meritstart = 300; p.meritstep = 2; }, 0, -1, ""},
        {"150 = 301 div 2", [](EAParams& p) { p.popsize = 150; p.meritstart = 301; p.meritstep = 2; }, 0, -1, ""},
        {"quotient", [](EAParams& p) { p.popsize = 150; }, 0, 3,
         "Quotient of starting and stop value for merit function must be equal to population size!"},
        {"population 99", [](EAParams& p) { p.popsize = 99; }, 0, 0,
         "Population size must be number between 100 and 1000!"},
        {"aspherical coefficient 11", [](EAParams& p) { p.asphcoef = 11; }, 0, 7,
         "Maximum aspherical constant coefficient must be number between 1 and 10!"},
        {"shares sum 99", [](EAParams& p) { p.shares[4] = 19; }, 1, 6,
         "Sum of genetic algorithm operators must be 100!"},
        {"probability 1.5", [](EAParams& p) { p.pmut = 1.5; }, 1, -1, ""},
        {"probability 0", [](EAParams& p) { p.pmut = 0; }, 1, 1, "Mutation probability must not be zero!"},
        {"probability 1", [](EAParams& p) { p.psmall = 1; }, 1, 12,
         "Small mutation probability must not be one!"},
        {"share 100", [](EAParams& p) { p.shares[0] = 100; }, 1, 2,
         "Uniform crossover operator must be number between 1 and 100!"},
        {"operators 51", [](EAParams& p) { p.opspergen = 51; }, 2, 0,
         "Number of genetic operators per generation must be number between 5 and 50!"},
        {"minimum share 0", [](EAParams& p) { p.minshares[3] = 0; }, 2, 5,
         "Minimum big mutation creep operator must be number between 1 and 10!"},
        {"absolute 0.00101", [](EAParams& p) { p.convabs = 0.00101; }, 5, -1, ""},
        {"absolute 0.0011", [](EAParams& p) { p.steprel = 0.0011; }, 5, 5, "Number must be smaller then 0.001!"},
        {"EVOL 999 generations", [](EAParams& p) { p.maxgen = 999; }, 4, -1, ""},
        {"EVOL 998 generations", [](EAParams& p) { p.maxgen = 998; }, 4, 8,
         "Maximum number of generations must be number between 1000 and 100000!"},
        {"GRUP 50001 generations", [](EAParams& p) { p.maxgen = 50001; }, 5, -1, ""},
        {"KORR 50002 generations", [](EAParams& p) { p.maxgen = 50002; }, 7, 9,
         "Maximum number of generations must be number between 1000 and 50000!"},
        {"KORR step 0.4999", [](EAParams& p) { p.initstep = 0.4999; }, 7, -1, ""},
        {"GRUP step 0.4999", [](EAParams& p) { p.initstep = 0.4999; }, 5, 7, "Number must be between 0.5 and 2!"},
        {"adjustment 1.02", [](EAParams& p) { p.stepadjust = 1.02; }, 4, 6, "Number must be between 0.5 and 1!"},
        {"angle 361", [](EAParams& p) { p.angle = 361; }, 7, 8, "Number must be between 0 and 360!"},
        {"KORR 3 generations", [](EAParams& p) { p.korrconvgen = 3; }, 7, 2,
         "Number of generations for checking convergence critrion must be 1 or 2!"},
        {"parents 4 and offspring 49", [](EAParams& p) { p.parents = 4; p.offspring = 49; }, 7, 0,
         "Number of the parents in the population must be between 5 and 20!"},
    };
    for (const Case& k : cases) {
        EAParams p;
        k.change(p);
        const EAFault f = k.dialog == 0 ? checkgageneral(p)
                        : k.dialog == 1 ? checkgaprobabilities(p)
                        : k.dialog == 2 ? checkassga(p) : checkes(p, k.dialog);
        EXPECT_EQ(f.field, k.field) << k.what;
        EXPECT_EQ(f.message, k.message) << k.what;
    }
}

}  // namespace
}  // namespace zefo
