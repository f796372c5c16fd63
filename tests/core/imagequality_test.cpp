// Frequency grid and validity flags of the spot diagram and MTF.
#include <gtest/gtest.h>

#include <cmath>

#include "core/forms/iqforms.h"
#include "core/imagequality/imagequality.h"
#include "imagequality_models.h"

namespace zefo {
namespace {

using test::iqobjective;

TEST(FrequencyGrid, PointsAndIncrementFollowTheGridRule) {
    struct Case {
        int nfreq, dfreq, nfpoints, dfreqafter;
    } cases[] = {
        {50, 2, 26, 2},    // the defaults
        {10, 1, 33, 1},    // 11 points repeated: 11 * (2 + 1)
        {100, 2, 51, 2},
        {100, 5, 26, 4},   // 21 points: the increment becomes 100 div 25
        {30, 2, 31, 1},    // 16 points: increment 30 div 25 = 1
        {20, 3, 42, 1},    // 20 div 25 = 0 cannot be a step: the step-1 rule, 21 * 2
        {50, 0, 51, 1},    // an increment below 1 counts as 1
        {50, -4, 51, 1},
    };
    for (const auto& c : cases) {
        Model m = iqobjective();
        m.lens.nfreq = static_cast<uint16_t>(c.nfreq);
        m.lens.dfreq = c.dfreq;
        const OpticalSystem before = m.lens;
        EXPECT_EQ(mtfgridpoints(before), c.nfpoints) << c.nfreq << "/" << c.dfreq;  // the lens as it is
        EXPECT_EQ(normalizemtfgrid(m.lens), c.nfpoints) << c.nfreq << "/" << c.dfreq;
        EXPECT_EQ(m.lens.dfreq, c.dfreqafter) << c.nfreq << "/" << c.dfreq;
        EXPECT_EQ(normalizemtfgrid(m.lens), c.nfpoints) << "a normalized grid stays as it is";
        EXPECT_EQ(m.lens.dfreq, c.dfreqafter);
        // the tables of the grid: every field and wavelength, the labels up to nfreq
        const MtfResult t = mtftable(MtfKind::Geometrical, m.lens, 3, c.nfpoints, c.nfreq);
        EXPECT_EQ(t.values.size(), static_cast<size_t>(3 * 3 * c.nfpoints));
        ASSERT_EQ(t.freq.size(), static_cast<size_t>(c.nfpoints));
        EXPECT_EQ(t.freq.back(), c.nfreq);
        const MtfResult tf = mtftable(MtfKind::ThroughFocus, m.lens, 3, c.nfpoints, c.nfreq);
        EXPECT_EQ(tf.focus.size(), static_cast<size_t>(c.nfpoints));
    }
}

TEST(FrequencyGrid, ChangedPointCountMakesTheMtfTablesStale) {
    Model m = iqobjective();
    mtfparams(m, mtfform(m), nullptr);
    EXPECT_EQ(mtfparams(m, mtfform(m), nullptr).stale, 0u);  // same grid: nothing is stale
    MtfForm f = mtfform(m);
    f.nfreq = "100";
    const DialogResult r = mtfparams(m, f, nullptr);
    ASSERT_EQ(r.status, DialogResult::Accepted);
    EXPECT_EQ(mtfgridpoints(m.lens), 51);
    EXPECT_EQ(r.stale, static_cast<unsigned>(iqmtf));  // the spot rays stay
}

TEST(FrequencyGrid, DiffractionLimitFrequency) {
    Model m = iqobjective();
    EXPECT_NEAR(calcflimit(m), 2 * 0.1 / 0.0005876, 1e-9);
    m.lens.systype = 4;
    m.lens.mag = -5;
    m.lens.rays.y = {10, 8};
    EXPECT_NEAR(calcflimit(m), 2 * 8 / (5 * 0.0005876), 1e-6);
    EXPECT_EQ(nfreqhint(Model{}), "Enter number between 1 and    0");
}

TEST(FrequencyGrid, DiffractionLimitedFactorIsTheOverlapOfTwoPupils) {
    // Two unit circles whose centres are s apart overlap in 2 acos(s/2) - (s/2) sqrt(4 - s^2).
    for (double s : {0.0, 0.3, 1.0, 1.7, 1.999}) {
        const double overlap = 2 * std::acos(s / 2) - s / 2 * std::sqrt(4 - s * s);
        EXPECT_NEAR(dlfactor(s), overlap / M_PI, 1e-12) << s;
    }
    EXPECT_EQ(dlfactor(2.0), 0);
    EXPECT_EQ(dlfactor(5.0), 0);
    EXPECT_EQ(dlfactor(std::nan("")), 0);
}

}  // namespace
}  // namespace zefo
