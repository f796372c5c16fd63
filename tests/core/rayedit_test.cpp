#include <gtest/gtest.h>

#include <cmath>

#include "core/edit/rayedit.h"
#include "core/util/numfmt.h"
#include "testsystems.h"

namespace zefo {
namespace {

Model sixrays(uint8_t raytype = 20) {
    Model m = buildobjective({{"S", 50, 5, 1.5, 0.008, 10}, {"S", -50, 45, 1.0, 0, 10}}, 1, 0.1,
                             {10}, 6);
    m.lens.raytype = raytype;
    for (int k = 0; k < 6; ++k) m.lens.rays.x[static_cast<size_t>(k)] = k + 1;   // tells rays apart
    return m;
}

std::vector<double> xs(const OpticalSystem& l) { return l.rays.x; }

TEST(RayCell, LabelsAndDirectionCosines) {
    Model m = sixrays();
    OpticalSystem& l = m.lens;
    // typed text in a cell of ray 0 → accepted, stored value
    EXPECT_TRUE(commitraycell(l, 0, rflabel, "1").accepted);
    EXPECT_TRUE(commitraycell(l, 0, rflabel, " 12").accepted);
    EXPECT_EQ(l.rays.rl[0], 12);
    for (const char* bad : {"2", "0", "15", "1.0", "x"}) {
        const CellCommit c = commitraycell(l, 0, rflabel, bad);
        EXPECT_EQ(c.message, raymsg::badlabel) << bad;
        EXPECT_EQ(c.restore, "12");
    }
    EXPECT_EQ(l.rays.rl[0], 12);

    // l and m: each within [-1, 1] and l^2 + m^2 <= 1 with the other.
    l.rays.l[1] = 0;
    l.rays.m[1] = 0;
    const struct { RayField f; const char* typed; const char* msg; } steps[] = {
        {rfl, "0,6", ""}, {rfm, "0.8", ""},           // 0.36 + 0.64 = 1
        {rfm, "0.81", raymsg::lmsum}, {rfl, "0.7", raymsg::lmsum},
        {rfl, "1.5", raymsg::lrange}, {rfm, "-2", raymsg::mrange},
        {rfl, "-0.6", ""}, {rfl, "abc", notanumbermsg},
    };
    for (const auto& s : steps) {
        const CellCommit c = commitraycell(l, 1, s.f, s.typed);
        EXPECT_EQ(c.message, s.msg) << s.typed;
    }
    EXPECT_EQ(l.rays.l[1], -0.6);
    EXPECT_EQ(l.rays.m[1], 0.8);
    EXPECT_EQ(raycelltext(l, 1, rfl), " 0.600000");   // the L column shows |l|
    // Retyping the shown value stores it positive.
    commitraycell(l, 1, rfl, raycelltext(l, 1, rfl));
    EXPECT_EQ(l.rays.l[1], 0.6);
}

TEST(RayCommands, InsertDeleteAndLimits) {
    Model m = sixrays();
    OpticalSystem& l = m.lens;
    EXPECT_EQ(insertray(l, 0), raymsg::badraynumber);
    EXPECT_EQ(insertray(l, 7), raymsg::badraynumber);
    EXPECT_EQ(deleteray(l, 7), raymsg::badraynumber);
    ASSERT_EQ(insertray(l, 3), "");   // a copy of ray 3 before it
    EXPECT_EQ(xs(l), (std::vector<double>{1, 2, 3, 3, 4, 5, 6}));
    EXPECT_EQ(l.nrays, 7);
    ASSERT_EQ(deleteray(l, 1), "");
    EXPECT_EQ(xs(l), (std::vector<double>{2, 3, 3, 4, 5, 6}));
    EXPECT_EQ(l.rays.yrel.size(), 6u);
    while (l.nrays > 1) ASSERT_EQ(deleteray(l, l.nrays), "");
    EXPECT_EQ(deleteray(l, 1), raymsg::lastray);
    while (l.nrays < 255) ASSERT_EQ(insertray(l, 1), "");
    EXPECT_EQ(insertray(l, 1), raymsg::toomanyrays);
    EXPECT_EQ(l.nrays, 255);   // never wraps to 0
    EXPECT_EQ(l.rays.m.size(), 255u);
}

TEST(RayBlock, LayoutAndTypes) {
    Model m = sixrays(0);
    OpticalSystem& l = m.lens;
    l.rays.rl[2] = 13;
    l.rays.xrel[2] = 0.7;
    l.rays.yrel[2] = 0.9;
    l.rays.l[2] = -0.25;
    const std::vector<uint8_t> b = rayblock(l, 2);
    ASSERT_EQ(b.size(), 49u);
    EXPECT_EQ(b[0], 13);
    for (size_t i = 1; i < 17; ++i) EXPECT_EQ(b[i], 0) << i;   // no relative coordinates in type 0
    // -0.25 = 0xBFD0000000000000, least significant byte first.
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 33, b.begin() + 41),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xD0, 0xBF}));

    Model n = sixrays(20);
    for (auto& label : n.lens.rays.rl) label = 1;
    ASSERT_EQ(pasteray(n.lens, 5, b), "");   // before ray 5: ray index 4
    EXPECT_EQ(n.lens.nrays, 7);
    EXPECT_EQ(n.lens.rays.rl[4], 13);
    EXPECT_EQ(n.lens.rays.xrel[4], 0);
    EXPECT_EQ(n.lens.rays.yrel[4], 0);
    EXPECT_EQ(n.lens.rays.x[4], 3);
    EXPECT_EQ(n.lens.rays.l[4], -0.25);
    EXPECT_EQ(n.lens.rays.x[5], 5);   // the rays behind move down
}

// A paste passes the checks of typing: a block that fails one is refused with the reason and
// the lens is unchanged; so is a typed chief ray beyond one per field off the axis.
TEST(RayBlock, DamagedBlocksAreRefusedAndTheLensKept) {
    Model m = sixrays(20);
    OpticalSystem& l = m.lens;
    for (auto& label : l.rays.rl) label = 1;
    l.rays.rl[2] = 13;   // the chief ray of the one field off the axis
    const std::vector<uint8_t> good = rayblock(l, 0);
    const auto changed = [&](auto change) {
        std::vector<uint8_t> b = good;
        change(b);
        return b;
    };
    const struct { const char* what; std::vector<uint8_t> block; std::string message; } cases[] = {
        {"short", std::vector<uint8_t>(good.begin(), good.begin() + 40), raymsg::badblock},
        {"long", changed([](auto& b) { b.push_back(0); }), raymsg::badblock},
        {"label 2", changed([](auto& b) { b[0] = 2; }), raymsg::badlabel},
        {"l = 2", changed([](auto& b) { leblock::putdouble(b, 33, 2.0); }), raymsg::lrange},
        {"x not a number", changed([](auto& b) { leblock::putdouble(b, 17, std::nan("")); }),
         std::string(raymsg::badblock) + ": " + notanumbermsg},
        {"y above 1E+30", changed([](auto& b) { leblock::putdouble(b, 25, 1e31); }),
         std::string(raymsg::badblock) + ": " + notanumbermsg},
        {"a second chief ray", changed([](auto& b) { b[0] = 13; }),
         "The ray scheme has 2 chief rays (label 13) for 2 fields; it may have one for every field off the axis"},
    };
    const OpticalSystem before = l;
    for (const auto& c : cases) {
        EXPECT_EQ(pasteray(l, 1, c.block), c.message) << c.what;
        EXPECT_EQ(l, before) << c.what;
    }
    EXPECT_EQ(commitraycell(l, 0, rflabel, "13").message, cases[6].message);
    std::array<std::string, rayfields> typed{"13", "0", "0", "0", "0", "0", "0"};
    EXPECT_EQ(newray(l, 0, typed).message, cases[6].message);
    EXPECT_EQ(l, before);
}

TEST(NewRay, ChecksInOrderAndLogs) {
    Model m = sixrays(10);
    OpticalSystem& l = m.lens;
    const OpticalSystem before = l;
    const struct { std::array<std::string, rayfields> typed; int bad; const char* msg; } cases[] = {
        {{" 0", "0", "0", "0", "0", "0", "0"}, rflabel, raymsg::badlabel},
        {{"4", "x", "0", "0", "0", "0", "0"}, rfxrel, notanumbermsg},
        {{"4", "0", "0", "0", "0", "0.8", "0.8"}, rfl, raymsg::lmsum},
        {{"4", "0", "0", "0", "0", "0", "1.2"}, rfm, raymsg::mrange},
    };
    for (const auto& c : cases) {
        const NewRayResult r = newray(l, 0, c.typed);
        EXPECT_EQ(r.badfield, c.bad);
        EXPECT_EQ(r.message, c.msg);
    }
    EXPECT_EQ(l, before);
    const NewRayResult ok = newray(l, 0, {"1 4", "0.5", "1", "2", "-3", "0", "0.1"});
    EXPECT_EQ(ok.badfield, -1);
    EXPECT_EQ(l.rays.rl[0], 14);
    EXPECT_EQ(l.rays.y[0], -3);
    const std::vector<std::string> log = {
        "Ray label for new ray is 14",
        "relative x coordinate for new ray is  0.50000",
        "relative y coordinate for new ray is  1.00000",
        "x coordinate for new ray is   2.00000",
        "y coordinate for new ray is  -3.00000",
        "l coordinate for new ray is  0.000000",
        "m coordinate for new ray is  0.100000"};
    EXPECT_EQ(ok.log, log);
}

}  // namespace
}  // namespace zefo
