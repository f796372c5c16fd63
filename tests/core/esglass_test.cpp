// Glass substitution of the evolution strategies over a catalogue in code order.
#include <gtest/gtest.h>

#include <cmath>

#include "core/evolution/esglass.h"

namespace zefo {
namespace {

GlassRecord record(const std::string& name, const std::string& code, int serial, double n) {
    GlassRecord g;
    g.name = name;
    g.code = code;
    g.serial = serial;
    g.a = {n * n, 0, 0, 0, 0, 0};   // no dispersion formula terms: n at every wavelength
    return g;
}

// A lens with one glass row (surface 1) to substitute.
OpticalSystem onerow() {
    OpticalSystem lens;
    lens.nsurf = 2;
    sizelens(lens);
    return lens;
}

// Deviations from a fixed list, counting the reactions of the strategy.
class Scripted : public GlassDraws {
public:
    explicit Scripted(std::vector<double> devs, bool giveup = false) : devs_(std::move(devs)), giveup_(giveup) {}
    double deviation(int) override { return next_ < devs_.size() ? devs_[next_++] : 0.0; }
    bool outside(int) override {
        ++outsides;
        return !giveup_;
    }
    void rejected() override { ++rejections; }
    int outsides = 0, rejections = 0;

private:
    std::vector<double> devs_;
    size_t next_ = 0;
    bool giveup_;
};

TEST(GlassMap, LookupMovesToTheFirstRecordOfACodeOrStaysPut) {
    GlassMap map;
    // given out of order; the map orders by code, then serial number
    map.assign({record("B", "620603", 7, 1.62), record("A", "517642", 3, 1.5168), record("C", "620603", 2, 1.62),
                record("D", "805254", 1, 1.80)});
    int cursor = 0;
    EXPECT_EQ(map.at(cursor).name, "A");   // the table opens on its first record in code order
    EXPECT_TRUE(map.locate("620603", cursor));
    EXPECT_EQ(map.at(cursor).name, "C");   // the lower serial number of the two
    for (const char* missing : {"620604", "000000", "999999", "5176420", ""}) {
        EXPECT_FALSE(map.locate(missing, cursor)) << missing;
        EXPECT_EQ(map.at(cursor).name, "C") << missing;
    }
    EXPECT_TRUE(map.locate("805254", cursor));
    EXPECT_EQ(map.at(cursor).name, "D");
}

TEST(MutateGlass, ThePointsCodeRoundedOrTruncatedPicksTheGlass) {
    GlassMap map;
    map.assign({record("K5", "516641", 1, 1.516), record("BK7", "517642", 2, 1.5168)});
    for (const auto& [truncate, want] : {std::pair{false, "BK7"}, {true, "K5"}}) {
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted none({});
        ASSERT_EQ(mutateglass(map, cursor, lens, 1, GlassClass::crown, 1.5168, 64.17, truncate, none), GlassResult::set);
        EXPECT_EQ(lens.sys.sp.glass[1], want);
        const double n = want == std::string("BK7") ? 1.5168 : 1.516;
        for (double x : lens.sys.sp.index[1]) EXPECT_NEAR(x, n, 1e-12);
        EXPECT_EQ(lens.sys.sp.disp[1], 0);
    }
}

TEST(MutateGlass, TheClassIsCheckedOnTheGlassFoundAndOnItsFallback) {
    GlassMap map;
    map.assign({record("K10", "517495", 1, 1.517), record("K11", "517496", 2, 1.5171),
                record("F1", "517642", 3, 1.5172)});
    {
        // 517642 is F1: accepted for a crown by its Abbe part, but without a K in its
        // name it is a flint after the substitution; the same point finds it every time
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted none({});
        EXPECT_EQ(mutateglass(map, cursor, lens, 1, GlassClass::crown, 1.5168, 64.17, false, none),
                  GlassResult::exhausted);
        EXPECT_EQ(none.rejections, 0);
    }
    {
        // a code that matches nothing leaves the table on K10 (Abbe part 495): rejected for a
        // crown, the fallback code is its index part followed by 496
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted none({});
        EXPECT_EQ(mutateglass(map, cursor, lens, 1, GlassClass::crown, 1.60, 60, false, none), GlassResult::set);
        EXPECT_EQ(lens.sys.sp.glass[1], "K11");
        EXPECT_EQ(map.at(cursor).name, "K11");
        EXPECT_EQ(none.rejections, 0);
    }
}

TEST(MutateGlass, WindowsAndRejectionsGetTheStrategysReactionAndEnd) {
    GlassMap map;
    map.assign({record("SF1", "717295", 1, 1.717), record("KzFSN2", "558542", 2, 1.558)});
    {
        // 1.52 is outside the flint window (1.53 .. 1.96): one reaction, then 1.72 is taken;
        // 720295 matches nothing and the table stays on SF1
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted d({0.0, 0.2});
        map.locate("717295", cursor);
        const GlassResult r = mutateglass(map, cursor, lens, 1, GlassClass::flint, 1.52, 29.5, false, d);
        EXPECT_EQ(r, GlassResult::set);
        EXPECT_EQ(d.outsides, 1);
        EXPECT_EQ(lens.sys.sp.glass[1], "SF1");
    }
    {
        // a strategy that gives up outside a window makes the candidate invalid
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted d({1.0}, true);
        EXPECT_EQ(mutateglass(map, cursor, lens, 1, GlassClass::crown, 1.5, 60, false, d), GlassResult::invalid);
        EXPECT_EQ(d.outsides, 1);
    }
    {
        // KzFSN2 is accepted for a flint by the lookup but has no class afterwards: every
        // try ends in the class check, and the tries are bounded
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted d({});
        EXPECT_EQ(mutateglass(map, cursor, lens, 1, GlassClass::flint, 1.558, 40, false, d),
                  GlassResult::exhausted);
    }
    {
        // only flints in the catalogue: a crown is rejected at every lookup, bounded
        OpticalSystem lens = onerow();
        int cursor = 0;
        Scripted d({});
        EXPECT_EQ(mutateglass(map, cursor, lens, 1, GlassClass::crown, 1.5, 60, false, d), GlassResult::exhausted);
        EXPECT_EQ(d.rejections, maxglasstries);
    }
}

}  // namespace
}  // namespace zefo
