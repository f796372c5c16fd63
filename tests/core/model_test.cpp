#include <gtest/gtest.h>

#include "core/model/model.h"

namespace zefo {
namespace {

TEST(Model, AllocSystemSizesFromCountsAndKeepsContents) {
    Model m;
    m.lens.nsurf = 1;
    m.lens.nrays = 6;
    m.lens.naber = 21;
    m.lens.nfields = 2;
    allocsystem(m);
    EXPECT_EQ(m.lens.sys.sp.radius.size(), 2u);
    EXPECT_EQ(m.lens.mu.size(), 2u);
    EXPECT_EQ(m.lens.sys.asf.eps.size(), 0u);
    EXPECT_EQ(m.lens.rays.m.size(), 6u);
    EXPECT_EQ(m.merit.value.size(), 21u);
    EXPECT_EQ(m.lens.field.size(), 2u);
    m.lens.sys.sp.radius[1] = 7.0;
    m.lens.nsurf = 3;
    m.lens.asphdata = 'D';
    m.lens.naber = naberfor(17, true);
    allocsystem(m);
    EXPECT_EQ(m.lens.sys.sp.radius.size(), 4u);
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.radius[1], 7.0);
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.radius[3], 0.0);
    EXPECT_EQ(m.lens.sys.asf.a10.size(), 4u);
    EXPECT_EQ(m.merit.target.size(), 69u);
}

TEST(Model, MeritSizeFollowsRaysAndChromaticMode) {
    const int table[][3] = {{6, 21, 27}, {17, 47, 69}, {24, 64, 96}, {34, 87, 135}};
    for (const auto& row : table) {
        EXPECT_EQ(naberfor(row[0], false), row[1]);
        EXPECT_EQ(naberfor(row[0], true), row[2]);
    }
    EXPECT_EQ(naberfor(5, false), 0);
    EXPECT_EQ(nraysfor(2), 6);
    EXPECT_EQ(nraysfor(3), 17);
    EXPECT_EQ(nraysfor(4, false), 24);
    EXPECT_EQ(nraysfor(4), 34);
}

TEST(Model, DefaultsAndDerivedFlags) {
    Model m;
    m.lens.sysname = "X";
    m.calcerror = true;
    initglobals(m);
    EXPECT_EQ(m.lens.sysname, "");
    EXPECT_FALSE(m.calcerror);
    EXPECT_DOUBLE_EQ(m.lens.wl[1], 0.0006563);
    EXPECT_EQ(m.lens.tri.trglass[2], "SF4");
    EXPECT_FALSE(ismono(m.lens));
    m.lens.wl = {0.0005, 0.0005, 0.0005};
    EXPECT_TRUE(ismono(m.lens));
    EXPECT_TRUE(ismirror("MS"));
    EXPECT_TRUE(ismirror("SM"));
    EXPECT_FALSE(ismirror("S"));
    fail(m, "first");
    fail(m, "second");
    EXPECT_EQ(m.errmsg, "first");
}

}  // namespace
}  // namespace zefo
