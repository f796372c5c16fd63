// The parameter forms of the spot diagram, MTF and wave aberration: "Edit MTF" with its
// limit dialog, "Edit OPD" and "Edit Diffractional MTF".
#include <gtest/gtest.h>

#include "core/forms/iqforms.h"
#include "core/forms/wavelengthform.h"
#include "core/imagequality/imagequality.h"
#include "imagequality_models.h"

namespace zefo {
namespace {

using test::iqobjective;

// ---------------------------------------------------------------- Edit MTF

TEST(MtfDialog, ShowsTheValuesInTheirFieldWidths) {
    Model m = iqobjective();
    m.mono = true;
    const MtfForm f = mtfform(m);
    EXPECT_EQ(f.nrings, " 7");
    EXPECT_EQ(f.nfreq, " 50");
    EXPECT_EQ(f.dfreq, "  2");
    EXPECT_EQ(f.spotsize, "0.0500");
    EXPECT_EQ(f.defocus, " 0.000");
    EXPECT_EQ(f.ddefocus, " 0.1000");
    EXPECT_EQ(f.weight[0], "1.000");
    m.mono = false;
    EXPECT_EQ(mtfform(m).dfreq, " 2");
    EXPECT_EQ(mtfform(m).ddefocus, "0.1000");
}

TEST(MtfDialog, FieldLabelsAndHintsFollowTheVariant) {
    Model m = iqobjective();
    auto f = mtffields(m);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[fNfreq].hint, "Enter number between 1 and  340");
    EXPECT_EQ(f[fDfreq].mask, "99");
    EXPECT_EQ(f[fDdefocus].label, "Defocus increment  in mm");
    EXPECT_EQ(f[fWeight2].label, "Weight coefficient for third wave length");
    m.mono = true;
    m.lens.systype = 4;
    f = mtffields(m);
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[fSpotsize].label, "Spot diagram size in radians");
    EXPECT_EQ(f[fDdefocus].mask, "#9.9999");
    EXPECT_EQ(f[fWeight0].label, "Weight coefficient");
    m.lens.dfreq = 0;  // a lens data file without the increment
    EXPECT_EQ(mtfform(m).dfreq, "  1");
    EXPECT_EQ(opdfields(m)[oDfreq].hint, "Enter postive number greater then 0 - usually small number");
}

TEST(MtfDialog, AcceptedChangesAreTakenAndLogged) {
    Model m = iqobjective();
    normalizemtfgrid(m.lens);
    MtfForm f = mtfform(m);
    f.nrings = " 9";
    f.nfreq = " 60";
    f.dfreq = " 3";
    f.spotsize = "0,02";
    f.defocus = "-0.5";
    f.ddefocus = " 0.2";
    f.weight = {"1.000", "2", "1.000"};
    const DialogResult r = mtfparams(m, f, nullptr);
    ASSERT_EQ(r.status, DialogResult::Accepted) << r.message;
    EXPECT_EQ(r.log, (std::vector<std::string>{
                         "New value for number of rings is 9",
                         "New value for maximum number of frequences is 60",
                         "New value for frequency increment is 3",
                         "New value for spot size is 0.0200",
                         "New value for defocus is -0.500",
                         "New value for defocus increment is 0.2000",
                         "New value for second weight coefficient is 2.000",
                     }));
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.lens.nrings, 9);
    EXPECT_EQ(m.lens.nfreq, 60);
    EXPECT_EQ(mtfgridpoints(m.lens), 31);  // 21 points: the increment becomes 60 div 25 = 2
    EXPECT_EQ(m.lens.dfreq, 2);
    EXPECT_DOUBLE_EQ(m.lens.spotsize, 0.02);
    EXPECT_DOUBLE_EQ(m.lens.defocus, -0.5);
    EXPECT_DOUBLE_EQ(m.lens.wlmtfweight[1], 2);
}

TEST(MtfDialog, UnchangedValuesLogNothingAndKeepTheResults) {
    Model m = iqobjective();
    m.mono = true;
    normalizemtfgrid(m.lens);
    const DialogResult r = mtfparams(m, mtfform(m), nullptr);
    EXPECT_EQ(r.status, DialogResult::Accepted);
    EXPECT_TRUE(r.log.empty());
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(r.stale, 0u);
}

TEST(MtfDialog, FirstBadFieldStopsTheChecks) {
    struct Case {
        MtfField field;
        const char* text;
        const char* message;
    } cases[] = {
        {fNrings, " 0", "Number of rings of rays must not be zero!"},
        {fNrings, "  ", "Number of rings of rays must not be zero!"},  // an empty digit field
        {fNrings, "26", "Number of rings of rays must not be greater then 25!"},
        {fNrings, "123456789012345678901234567890", "Number of rings of rays must not be greater then 25!"},
        // a digit field holds digits only: letters, signs, points and exponents are no number
        {fNrings, "abc", "Not a valid number!"},
        {fNrings, "-3", "Not a valid number!"},
        {fNrings, "2.5", "Not a valid number!"},
        {fNfreq, "  0", "Maxmum number of frequencies must not be zero!"},
        {fNfreq, "5x", "Not a valid number!"},
        {fNfreq, "-5", "Not a valid number!"},
        {fDfreq, "  0", "Frequency increment must not be zero!"},
        {fDfreq, " 11", "Frequency increment must not be greater then 10!"},
        {fDfreq, "+2", "Not a valid number!"},
        {fDfreq, "1e1", "Not a valid number!"},
        {fSpotsize, "x.1", "Not a valid number!"},
        {fSpotsize, "0.0000", "Spot size must not be zero!"},
        {fSpotsize, "1.0001", "Spot size must not be greater then 1!"},
        {fDefocus, "", "Not a valid number!"},
        {fDefocus, " 2.001", "Defocus must not be between -2 and 2 mm!"},
        {fDefocus, "-2.5", "Defocus must not be between -2 and 2 mm!"},
        {fDdefocus, "a", "Not a valid number!"},
        {fDdefocus, "0", "Defocus increment must not be zero!"},
        {fDdefocus, "1.5", "Defocus increment must not be greater then 1!"},
        {fWeight1, "?", "Not a valid number!"},
        {fWeight2, "0.000", "Weight coefficient must not be zero!"},
    };
    for (const auto& c : cases) {
        Model m = iqobjective();
        normalizemtfgrid(m.lens);
        MtfForm f = mtfform(m);
        f.nrings = "12";  // accepted before any later failure
        f.text(c.field) = c.text;
        f.weight[2] = c.field == fWeight2 ? c.text : "3";  // a later field that must not be taken
        const DialogResult r = mtfparams(m, f, nullptr);
        EXPECT_EQ(r.status, DialogResult::BadField) << c.text;
        EXPECT_EQ(r.field, c.field) << c.text;
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(m.lens.nrings, c.field == fNrings ? 7 : 12) << c.text;
        EXPECT_EQ(r.changed, c.field != fNrings) << c.text;  // the design changed up to the bad field
        EXPECT_EQ(m.lens.wlmtfweight[2], 1.0) << c.text;
    }
}

TEST(MtfDialog, RingOrDefocusChangeClearsEveryResult) {
    for (int which = 0; which < 2; ++which) {
        Model m = iqobjective();
        normalizemtfgrid(m.lens);
        MtfForm f = mtfform(m);
        (which == 0 ? f.nrings : f.defocus) = which == 0 ? "5" : "0.1";
        const DialogResult r = mtfparams(m, f, nullptr);
        ASSERT_EQ(r.status, DialogResult::Accepted);
        EXPECT_EQ(r.stale, static_cast<unsigned>(iqall)) << which;
    }
    Model m = iqobjective();
    normalizemtfgrid(m.lens);
    MtfForm f = mtfform(m);
    f.ddefocus = "0.3";
    f.weight[0] = "2";
    const DialogResult r = mtfparams(m, f, nullptr);
    ASSERT_EQ(r.status, DialogResult::Accepted);
    EXPECT_EQ(r.stale, static_cast<unsigned>(iqgmtf | iqtfmtf));  // the spot rays and the diffraction table stay
    f = mtfform(m);
    f.spotsize = "0.1";
    EXPECT_EQ(mtfparams(m, f, nullptr).stale, static_cast<unsigned>(iqspot));  // the counts in the square
}

TEST(MtfDialog, FrequencyAboveTheDiffractionLimitAsksTheLimitDialog) {
    Model m = iqobjective();  // flimit 340.4
    normalizemtfgrid(m.lens);
    MtfForm f = mtfform(m);
    f.nfreq = "400";
    long long asked = 0;
    DialogResult r = mtfparams(m, f, [&](long long& v) {
        asked = v;
        v = 300;
        return true;
    });
    EXPECT_EQ(asked, 400);
    ASSERT_EQ(r.status, DialogResult::Accepted);
    EXPECT_EQ(m.lens.nfreq, 300);
    EXPECT_EQ(r.log.front(), "New value for maximum number of frequences is 300");

    Model c = iqobjective();
    f = mtfform(c);
    f.nfreq = "341";
    f.nrings = "3";
    r = mtfparams(c, f, [](long long&) { return false; });
    EXPECT_EQ(r.status, DialogResult::Cancelled);
    EXPECT_TRUE(r.changed);  // the rings stay changed
    EXPECT_EQ(c.lens.nfreq, 50);
    EXPECT_EQ(c.lens.nrings, 3);  // taken before the limit dialog opened
}

TEST(MtfDialog, LimitDialogChecks) {
    long long v = 0;
    EXPECT_EQ(checklimitvalue("  0", 340.4, v), "Maximum number of frequencies must not be zero!");
    EXPECT_EQ(checklimitvalue("341", 340.4, v),
              "Maximum number of frequencies must not be greater then diffraction limit frequency!");
    EXPECT_EQ(checklimitvalue("340", 340.4, v), "");
    EXPECT_EQ(v, 340);
    for (const char* text : {"abc", "-1", "3.5"}) {
        EXPECT_EQ(checklimitvalue(text, 340.4, v), "Not a valid number!") << text;
        EXPECT_EQ(v, 340) << text;
    }
}

// ---------------------------------------------------------------- Edit OPD, Edit Diffractional MTF

TEST(OpdDialog, TakesDefocusFrequenciesAndChoices) {
    Model m = iqobjective();
    normalizemtfgrid(m.lens);
    OpdForm f = opdform(m);
    EXPECT_EQ(f.defocus, "  0.000");
    f.defocus = "1,5";
    f.dfreq = "1";
    f.selwl = 2;
    f.ngauss = 10;
    f.polydeg = 3;
    const DialogResult r = opdparams(m, f, nullptr);
    ASSERT_EQ(r.status, DialogResult::Accepted);
    EXPECT_EQ(r.log, (std::vector<std::string>{"New value for defocus is   1.500",
                                               "New value for frequency increment is 1",
                                               "Wavelength number is 2", "Number of points are 10",
                                               "Degree of aberrational polynom is 3"}));
    EXPECT_DOUBLE_EQ(m.lens.defocus, 1.5);  // no range check in this dialog
    EXPECT_EQ(r.stale, static_cast<unsigned>(iqall));
    EXPECT_EQ(mtfgridpoints(m.lens), 51);
    EXPECT_EQ(opdwavelength(f), 2);
    EXPECT_EQ(m.ngauss, 10);
    EXPECT_EQ(m.polydeg, 3);
}

TEST(OpdDialog, ChecksInOrder) {
    Model m = iqobjective();
    OpdForm f = opdform(m);
    f.defocus = "x";
    EXPECT_EQ(opdparams(m, f, nullptr).message, "Not a valid number!");
    f = opdform(m);
    f.nfreq = "0";
    EXPECT_EQ(opdparams(m, f, nullptr).field, oNfreq);
    for (const char* text : {"abc", "-50"}) {
        f = opdform(m);
        f.text(oNfreq) = text;  // the field an index names is the one its check reports
        DialogResult bad = opdparams(m, f, nullptr);
        EXPECT_EQ(bad.field, oNfreq) << text;
        EXPECT_EQ(bad.message, "Not a valid number!") << text;
        f = opdform(m);
        f.text(oDfreq) = text;
        bad = opdparams(m, f, nullptr);
        EXPECT_EQ(bad.field, oDfreq) << text;
        EXPECT_EQ(bad.message, "Not a valid number!") << text;
    }
    EXPECT_EQ(m.lens.nfreq, 50);
    EXPECT_EQ(m.lens.dfreq, 2);
    f = opdform(m);
    f.dfreq = "12";
    DialogResult r = opdparams(m, f, nullptr);
    EXPECT_EQ(r.field, oDfreq);
    EXPECT_EQ(r.message, "Frequency increment must not be greater then 10!");
    f = opdform(m);
    f.nfreq = "999";
    r = opdparams(m, f, [](long long&) { return false; });
    EXPECT_EQ(r.status, DialogResult::Cancelled);
    EXPECT_EQ(m.lens.nfreq, 50);
}

TEST(OpdDialog, WavelengthItems) {
    Model m;
    EXPECT_EQ(spectrallineitems(m)[1], "&C spectral line");
    m.lens.wl = {0.00055, 0.00065, 0.00045};
    EXPECT_EQ(spectrallineitems(m)[0], "550.0nm spectral line");
    EXPECT_EQ(wbrtitle(m.lens, 2), "Calculation of the Optical Path Difference and Wave Aberration for 450.0nm spectral line");
    m.lens.wl = {0.0005876, 0.0006563, 0.0004861};
    EXPECT_EQ(wbrtitle(m.lens, 2), "Calculation of the Optical Path Difference and Wave Aberration for F spectral line");
}

TEST(DmtfDialog, SetsTheChoices) {
    Model m;
    const DialogResult r = dmtfparams(m, 6, 3);
    EXPECT_EQ(r.log, (std::vector<std::string>{"Number of points are 6", "Degree of aberrational polynom is 3"}));
    EXPECT_EQ(m.ngauss, 6);
    EXPECT_EQ(m.polydeg, 3);
}

TEST(DmtfDialog, AnotherFitMakesTheDiffractionMtfStale) {
    // A table integrated with one quadrature order or polynomial degree is not the table of
    // another; the same choices again keep it.
    Model m;
    EXPECT_EQ(dmtfparams(m, 16, 4).stale, 0u);  // the defaults
    EXPECT_EQ(dmtfparams(m, 10, 4).stale, static_cast<unsigned>(iqdmtf));
    EXPECT_EQ(dmtfparams(m, 10, 3).stale, static_cast<unsigned>(iqdmtf));
    EXPECT_EQ(dmtfparams(m, 10, 3).stale, 0u);
    Model o = iqobjective();
    OpdForm f = opdform(o);
    EXPECT_EQ(opdparams(o, f, nullptr).stale, 0u);
    f.ngauss = 6;
    EXPECT_EQ(opdparams(o, f, nullptr).stale, static_cast<unsigned>(iqdmtf));
}

}  // namespace
}  // namespace zefo
