// The optical materials: their indices from the published formulas, their names in files.
#include <gtest/gtest.h>

#include <cmath>

#include "core/model/materials.h"

namespace zefo {
namespace {

TEST(Materials, IndicesFollowThePublishedFormulas) {
    // the test's own Sellmeier sums with the coefficients and resonance wavelengths (um) as
    // the sources print them, and the d-line index handbooks give (4 decimals)
    struct Case {
        const char* name;
        std::array<double, 3> b, lambda;
        double nd;
    };
    const Case cases[] = {
        {"SILICA", {0.6961663, 0.4079426, 0.8974794}, {0.0684043, 0.1162414, 9.896161}, 1.4585},
        {"CAF2", {0.5675888, 0.4710914, 3.8484723}, {0.050263605, 0.1003909, 34.649040}, 1.4338},
        {"MGF2", {0.48755108, 0.39875031, 2.3120353}, {0.04338408, 0.09461442, 23.793604}, 1.3777},
        {"SAPPHIRE", {1.4313493, 0.65054713, 5.3414021}, {0.0726631, 0.1193242, 18.028251}, 1.7682},
        {"PMMA", {1.1819, 0, 0}, {std::sqrt(0.011313), 0, 0}, 1.4906},
        {"POLYCARB", {1.4182, 0, 0}, {std::sqrt(0.021304), 0, 0}, 1.5848},
        {"POLYSTYR", {1.4435, 0, 0}, {std::sqrt(0.020216), 0, 0}, 1.5916},
    };
    for (const auto& c : cases) {
        const auto g = opticalmaterial(c.name);
        ASSERT_TRUE(g) << c.name;
        auto sellmeier = [&](double um) {
            double n2 = 1;
            for (size_t i = 0; i < 3; ++i) n2 += c.b[i] * um * um / (um * um - c.lambda[i] * c.lambda[i]);
            return std::sqrt(n2);
        };
        EXPECT_NEAR(g->nd, c.nd, 1e-4) << c.name;
        EXPECT_NEAR(g->nd, sellmeier(0.5875618), 1e-9) << c.name;
        EXPECT_NEAR(g->vd, (g->nd - 1) / (sellmeier(0.4861327) - sellmeier(0.6562725)), 1e-6) << c.name;
        EXPECT_FALSE(g->remark.empty()) << c.name;
        // the Schott form the program computes with, across the visible and near infrared
        for (double um : {0.45, 0.4861327, 0.5875618, 0.6562725, 0.8, 1.0})
            EXPECT_NEAR(schottindex(g->a, um / 1000), sellmeier(um), 2e-5) << c.name << " at " << um;
    }
}

TEST(Materials, FileNamesFindTheirMaterial) {
    const std::pair<const char*, const char*> names[] = {
        {"F_SILICA", "SILICA"}, {"fused_silica", "SILICA"}, {"SiO2", "SILICA"}, {"CaF2", "CAF2"},
        {"CALCIUM_FLUORIDE", "CAF2"}, {"MGF2", "MGF2"}, {"Sapphire", "SAPPHIRE"}, {"ACRYLIC", "PMMA"},
        {"POLYCARBONATE", "POLYCARB"}};
    for (const auto& [file, material] : names) {
        const auto g = opticalmaterial(file);
        ASSERT_TRUE(g) << file;
        EXPECT_EQ(g->name, material) << file;
    }
    EXPECT_FALSE(opticalmaterial("N-BK7"));
    EXPECT_FALSE(opticalmaterial("BAF2"));   // a barium flint of the catalogue, not the fluoride
}

}  // namespace
}  // namespace zefo
