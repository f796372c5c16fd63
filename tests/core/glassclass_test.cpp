// The glass map rules of the evolution strategies.
#include <gtest/gtest.h>

#include "core/evolution/glassclass.h"

namespace zefo {
namespace {

TEST(GlassClass, NamesDecideTheClass) {
    struct Case { const char* name; GlassClass atstart, found; };
    const Case cases[] = {
        {"BaLF4", GlassClass::crown, GlassClass::crown},    // no K, but BaLF: a crown
        {"F2", GlassClass::flint, GlassClass::flint},
        {"LaF28", GlassClass::flint, GlassClass::flint},
        {"BK7", GlassClass::crown, GlassClass::crown},
        {"SK16", GlassClass::crown, GlassClass::crown},
        {"KzFS1", GlassClass::flint, GlassClass::flint},
        {"KzFSN2", GlassClass::flint, GlassClass::none},    // never passes the final check
    };
    for (const Case& k : cases) {
        EXPECT_EQ(glassclass(k.name, true), k.atstart) << k.name;
        EXPECT_EQ(glassclass(k.name, false), k.found) << k.name;
    }
}

TEST(GlassClass, CodesOfPointsOfTheMap) {
    struct Case { double n, v; bool truncate; const char* code; };
    const Case cases[] = {
        {1.5168, 64.17, false, "517642"},
        {1.5168, 64.17, true, "516641"},
        {1.0501, 20.0, false, " 50200"},     // right-aligned in three characters
        {1.0501, 20.0, true, "50200"},
        {1.9995, 20.0, false, "1000200"},    // seven characters: matches no record
        {1.0e300, 20.0, false, "1000000000200"},
    };
    for (const Case& k : cases) EXPECT_EQ(mapglasscode(k.n, k.v, k.truncate), k.code) << k.n;
}

TEST(GlassClass, WindowsAndAcceptance) {
    EXPECT_TRUE(inindexwindow(GlassClass::crown, 1.5168));
    EXPECT_FALSE(inindexwindow(GlassClass::crown, 1.75));
    EXPECT_FALSE(inindexwindow(GlassClass::flint, 1.53));
    EXPECT_TRUE(inindexwindow(GlassClass::flint, 1.9));
    EXPECT_TRUE(inabbewindow(GlassClass::crown, 64.17));
    EXPECT_FALSE(inabbewindow(GlassClass::crown, 49.6));
    EXPECT_FALSE(inabbewindow(GlassClass::flint, 49.6));
    EXPECT_TRUE(inabbewindow(GlassClass::flint, 36.4));

    // A crown draw that finds Abbe part 495 is rejected and falls back to "...496".
    EXPECT_FALSE(glassaccepted(GlassClass::crown, 495, "BaF3"));
    EXPECT_TRUE(glassaccepted(GlassClass::flint, 495, "BaF3"));
    EXPECT_TRUE(glassaccepted(GlassClass::crown, 496, "BK7"));
    EXPECT_FALSE(glassaccepted(GlassClass::crown, 560, "KzFSN2"));   // excluded names are flints
    EXPECT_TRUE(glassaccepted(GlassClass::flint, 560, "TiF1"));
    EXPECT_EQ(fallbackabbe(GlassClass::crown), "496");
    EXPECT_EQ(fallbackabbe(GlassClass::flint), "200");
}

}  // namespace
}  // namespace zefo
