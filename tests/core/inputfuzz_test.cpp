// Seeded mutation tests of the newer inputs: lens descriptions (JSON), EA data files and the
// editors' clipboard blocks. Whatever is accepted gives data that are saved and read back
// equal; whatever is refused changes nothing and writes no file. Bounded in count; each
// prints its counts of inputs, accepted and refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <limits>
#include <random>

#include "batch/lensdescjson.h"
#include "core/edit/lensdesc.h"
#include "core/edit/newsystem.h"
#include "core/edit/rayedit.h"
#include "core/edit/surfaceedit.h"
#include "core/evolution/eaparams.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "testsystems.h"
#include "testutil.h"

namespace zefo {
namespace {

// Random damage to a text: changed, removed and inserted characters, inserted tokens, cuts.
class TextMutator {
public:
    TextMutator(unsigned seed, std::vector<std::string> tokens) : rng_(seed), tokens_(std::move(tokens)) {}

    std::string operator()(std::string t) {
        for (unsigned k = 0, n = 1 + rng_() % 4; k < n; ++k) {
            const size_t p = t.empty() ? 0 : rng_() % t.size();
            switch (rng_() % 6) {
                case 0: if (!t.empty()) t[p] = static_cast<char>(rng_() % 256); break;
                case 1: t.erase(p, 1 + rng_() % 20); break;
                case 2: case 3: t.insert(p, tokens_[rng_() % tokens_.size()]); break;
                case 4: t.insert(p, std::string(1 + rng_() % 300, "[{\""[rng_() % 3])); break;
                default: t.resize(p); break;
            }
        }
        return t;
    }
    std::mt19937& rng() { return rng_; }

private:
    std::mt19937 rng_;
    std::vector<std::string> tokens_;
};

struct Counts {
    int inputs = 0, accepted = 0, refused = 0;
    void print(const char* what) const {
        std::cout << "[ fuzz     ] " << what << ": " << inputs << " inputs, " << accepted << " accepted, "
                  << refused << " refused\n";
    }
};

// The text of a lens, which the writer makes only for a lens its reader takes back.
std::string lenstext(const OpticalSystem& lens) {
    std::string text;
    EXPECT_EQ(writelensfile(lens, text), "");
    return text;
}

// Mutated sample descriptions through the reader, the New command's checks and its file.
TEST(InputFuzz, LensDescriptions) {
    std::vector<std::string> seeds;
    for (const char* name : {"cooke", "dgauss", "dgstart", "kepler"})
        seeds.push_back(readtextfile(std::string(ZEFO_SAMPLES) + "/" + name + ".json").value());
    TextMutator mutate(2701, {"[", "]", "{", "}", "\"", ":", ",", "\\u", "\\uD800", "\\", "1e10", "-1e309", "1e999",
                              "NaN", "-inf", "0x10", "-0", "2147483648", "1e-320", "null", "true", "\"../x\"",
                              "\"a b\"", "0", "1", "-1", "255", "999", "\"paraxial\"", "\"SM\"", "\"EA\""});
    const auto dir = test::freshdir("desc");
    GlassCatalog cat;
    ASSERT_EQ(cat.open(dir.string() + "/"), "");
    const std::string out = (dir / "out.dat").string();
    Counts n;
    for (int it = 0; it < 2400; ++it) {
        const std::string text = mutate(seeds[static_cast<size_t>(it) % seeds.size()]);
        ++n.inputs;
        Model m;
        LensDesc d;
        std::string e = batch::readlensdesc(text, d);
        if (e.empty()) e = buildlens(m, d, cataloglookup(cat));
        if (e.empty()) e = newsystemfinish(m, out);
        if (!e.empty()) {
            ++n.refused;
            ASSERT_FALSE(std::filesystem::exists(out)) << it << ": " << e;
            continue;
        }
        ++n.accepted;
        OpticalSystem back;
        ASSERT_EQ(loadlensfile(out, back), "") << it;
        EXPECT_EQ(lenstext(back), lenstext(m.lens)) << it;
        EXPECT_EQ(sysnameerror(back.sysname), "") << it;
        std::filesystem::remove(out);
    }
    n.print("lens descriptions");
    EXPECT_GT(n.accepted, 100);
}

// Mutated EA data files of every kind: an accepted file gives a set that is saved and loads
// to the same text; a refused one leaves the set as it was.
TEST(InputFuzz, EADataFiles) {
    std::vector<std::string> seeds;
    for (int kind : {1, 2, 3, 4, 5, 6, 7}) {
        EAParams p;
        p.kind = kind;
        seeds.push_back(eafiletext(p));
    }
    TextMutator mutate(2702, {"1e10", "-1e10", "1e308", "1e-320", "nan", "inf", "0", "1", "0.99999999999999999",
                              "100", "555", "111", "\n", "\r\n", " ", "-", "2147483648", "9.99999999999999E-0001"});
    const auto dir = test::freshdir("ea");
    Counts n;
    for (int it = 0; it < 3000; ++it) {
        const std::string text = mutate(seeds[static_cast<size_t>(it) % seeds.size()]);
        ++n.inputs;
        EAParams p;
        p.angle = 12.5;
        const EAParams before = p;
        if (!parseeatext(text, p).empty()) {
            ++n.refused;
            ASSERT_EQ(p, before) << it;
            continue;
        }
        ++n.accepted;
        const std::string path = (dir / ("set" + eaextension(p.kind))).string();
        ASSERT_EQ(saveeafile(path, p), "") << it << "\n" << text;
        EAParams back;
        ASSERT_EQ(loadeafile(path, back, p.kind), "") << it;
        EXPECT_EQ(eafiletext(back), eafiletext(p)) << it;
    }
    n.print("EA data files");
    EXPECT_GT(n.accepted, 100);
}

// Random damage to a block: bytes, length bytes, doubles of every kind, sizes.
std::vector<uint8_t> mutateblock(std::vector<uint8_t> b, std::mt19937& rng) {
    const double specials[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(), 1e-310, -1e-310, 1e31, -1e31, 1e30, 0.0,
                               -0.0, 2.0, -1.0, 0.5, 13.0, 1e-3, 1e3};
    for (unsigned k = 0, n = 1 + rng() % 3; k < n; ++k) {
        switch (rng() % 5) {
            case 0: if (!b.empty()) b[rng() % b.size()] = static_cast<uint8_t>(rng() % 256); break;
            case 1: if (b.size() >= 8) {
                    const size_t at = rng() % (b.size() - 7);
                    leblock::putdouble(b, at, specials[rng() % std::size(specials)]);
                }
                break;
            case 2: b.resize(rng() % (b.size() + 10), 0); break;
            case 3: if (!b.empty()) b[0] = static_cast<uint8_t>(rng() % 20); break;
            default: break;   // unchanged: the block as copied
        }
    }
    return b;
}

// Mutated surface and ray blocks pasted into a lens: an accepted paste leaves a lens that is
// saved and read back equal; a refused one leaves the lens unchanged.
TEST(InputFuzz, ClipboardBlocks) {
    Model base = buildobjective({{"S", 50, 6, 1.5168, 0.008, 10}, {"SM", -80, -20, -1, 0, 12}, {"S", 0, 30, 1, 0, 5}},
                                1, 0.1, {7}, 17);
    base.lens.sysname = "FUZZ";
    const auto dir = test::freshdir("blocks");
    GlassCatalog cat;
    ASSERT_EQ(cat.open(dir.string() + "/"), "");
    base.lens.sys.sp.glass[1] = "BK7";
    ASSERT_EQ(unsaveableerror(base.lens), "");
    std::mt19937 rng(2703);
    Counts surfaces, rays;
    for (int it = 0; it < 2400; ++it) {
        Model m = base;
        const int row = static_cast<int>(rng() % static_cast<unsigned>(m.lens.nsurf));
        const std::vector<uint8_t> b = mutateblock(surfblock(m.lens, row), rng);
        const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(m.lens.nsurf));
        ++surfaces.inputs;
        if (!pastesurface(m, cataloglookup(cat), s, b).empty()) {
            ++surfaces.refused;
            ASSERT_EQ(m.lens, base.lens) << it;
            continue;
        }
        ++surfaces.accepted;
        ASSERT_EQ(unsaveableerror(m.lens), "") << it;
        OpticalSystem back;
        ASSERT_EQ(readlensfile(lenstext(m.lens), back), "") << it;
        EXPECT_EQ(lenstext(back), lenstext(m.lens)) << it;
    }
    for (int it = 0; it < 2400; ++it) {
        OpticalSystem l = base.lens;
        const int ray = static_cast<int>(rng() % l.nrays);
        const std::vector<uint8_t> b = mutateblock(rayblock(l, ray), rng);
        ++rays.inputs;
        if (!pasteray(l, 1 + static_cast<int>(rng() % l.nrays), b).empty()) {
            ++rays.refused;
            ASSERT_EQ(l, base.lens) << it;
            continue;
        }
        ++rays.accepted;
        OpticalSystem back;
        ASSERT_EQ(readlensfile(lenstext(l), back), "") << it;
        EXPECT_EQ(lenstext(back), lenstext(l)) << it;
    }
    surfaces.print("surface blocks");
    rays.print("ray blocks");
    EXPECT_GT(surfaces.accepted, 100);
    EXPECT_GT(rays.accepted, 100);
}

}  // namespace
}  // namespace zefo
