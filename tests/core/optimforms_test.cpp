// The optimization dialogs without their widgets: fields, checks, messages and log lines.
#include <gtest/gtest.h>

#include "core/forms/optimforms.h"
#include "core/optim/merit.h"
#include "core/util/numfmt.h"
#include "testsystems.h"

#include <cmath>

namespace zefo {
namespace {

Model formlens() {
    Model m = doublegauss();
    sizemeritlist(m.lens, m.merit);
    return m;
}

// A catalogue of two glasses (Schott coefficients of a constant index give n at every
// wavelength; the second has dispersion).
std::optional<GlassRecord> twoglasses(const std::string& name) {
    GlassRecord g;
    g.name = name;
    if (name == "FLAT") {
        g.a = {2.25, 0, 0, 0, 0, 0};
        return g;
    }
    if (name == "DISP") {
        g.a = {2.56, 0, 0.01, 0, 0, 0};
        return g;
    }
    return std::nullopt;
}

TEST(OptimGeneral, ChecksInOrderAndStopsAtTheFirstBadField) {
    struct Case {
        int field;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {gAnglesurf, "12", "Surface number for angle solve must not be greater then total number of surfaces!"},
        {gDcurv, "abc", "Not a valid number!"},
        {gDcurv, "0", "Curvature increment must be number between 0 and 0.01!"},
        {gDcurv, "0.0101", "Curvature increment must be number between 0 and 0.01!"},
        {gDsep, "0.02", "Separation increment must be number between 0 and 0.01!"},
        {gDindex, "0.06", "Refractive glass index increment must be number between 0 and 0.05!"},
        {gDdisp, "0", "Glass dispersion increment must be number between 0 and 0.01!"},
        {gDimweight, "0", "Global dimension weight must be number between 1 and 100!"},
        {gGlassweight, "1001", "Glass violation weight must be number between 1 and 1000!"},
        {gWlweight1, "0", "The weighting factor for the second wavelength must be greater than 0 and smaller or equal to 1!"},
        {gWlweight2, "1.5", "The weighting factor for the third wavelength must be greater than 0 and smaller or equal to 1!"},
    };
    for (const Case& c : cases) {
        Model m = formlens();
        const OpticalSystem before = m.lens;
        OptimGeneralForm f = optimgeneralform(m);
        f.text(c.field) = c.text;
        const auto r = optimgeneralparams(m, f, twoglasses);
        EXPECT_EQ(r.result.status, DialogResult::BadField) << c.text;
        EXPECT_EQ(r.result.field, c.field) << c.text;
        EXPECT_EQ(r.result.message, c.message);
        EXPECT_EQ(m.lens, before) << "the bad field and those after it change nothing";
    }
    // a curvature increment of exactly 0.01 is accepted, with its log line
    Model m = formlens();
    OptimGeneralForm f = optimgeneralform(m);
    f.dcurv = "0.01";
    const auto r = optimgeneralparams(m, f, twoglasses);
    ASSERT_EQ(r.result.status, DialogResult::Accepted) << r.result.message;
    EXPECT_EQ(m.lens.dcurv, 0.01);
    EXPECT_EQ(r.result.log, std::vector<std::string>{"New value for curvature increment is 0.010000"});
    EXPECT_TRUE(r.result.changed);
    EXPECT_FALSE(r.weightschanged);
}

TEST(OptimGeneral, UnchangedFormLogsNothing) {
    Model m = formlens();
    const auto r = optimgeneralparams(m, optimgeneralform(m), twoglasses);
    EXPECT_EQ(r.result.status, DialogResult::Accepted) << r.result.message;
    EXPECT_TRUE(r.result.log.empty());
    EXPECT_FALSE(r.result.changed);
    EXPECT_EQ(optimgeneralfields(m).size(), static_cast<size_t>(optimgeneralfieldcount));
    EXPECT_EQ(optimgeneralfields(m)[0].hint, "Enter number of surface form 1 to 11, usually last surface");
}

TEST(OptimGeneral, TriangleCornersAndWavelengthWeights) {
    Model m = formlens();
    OptimGeneralForm f = optimgeneralform(m);
    f.trglass = {"FLAT", "NOSUCH", "DISP"};
    f.wlweight[1] = "0.5";
    const auto r = optimgeneralparams(m, f, twoglasses);
    ASSERT_EQ(r.result.status, DialogResult::Accepted) << r.result.message;
    // the unknown corner stays, the others are still taken
    EXPECT_EQ(r.errorboxes, std::vector<std::string>{"Glass name NOSUCH not found"});
    EXPECT_EQ(m.lens.tri.trglass[0], "FLAT");
    EXPECT_NEAR(m.lens.tri.trindex[0], 1.5, 1e-15);
    EXPECT_EQ(m.lens.tri.trdisp[0], 0.0);
    EXPECT_EQ(m.lens.tri.trglass[1], "LaK9");
    EXPECT_EQ(m.lens.tri.trglass[2], "DISP");
    // n^2 = 2.56 + 0.01 / t, t the wavelength in micrometres squared
    const auto n = [](double wlmm) { return std::sqrt(2.56 + 0.01 / (wlmm * wlmm * 1e6)); };
    EXPECT_NEAR(m.lens.tri.trindex[2], n(m.lens.wl[0]), 1e-14);
    EXPECT_NEAR(m.lens.tri.trdisp[2], n(m.lens.wl[2]) - n(m.lens.wl[1]), 1e-14);
    EXPECT_TRUE(r.weightschanged);
    EXPECT_EQ(m.lens.wloptweight[1], 0.5);
    EXPECT_EQ(r.result.log.back(), "New value for the weighting factor for the second wavelength is 0.500");
    EXPECT_EQ(r.result.log[0], "New value for the first glass of the glass triangle is FLAT");
}

TEST(OptimGrids, ParaxialCellsRules) {
    struct Case {
        int row, col;
        std::string text;
        CellEdit::Status status;
        std::string message;   // rejected; accepted: the cell's text afterwards
    };
    const Case cases[] = {
        {0, 0, "0", CellEdit::Rejected,
         "Numerical aperture i.e. paraxial marginal ray angle-image space must be greater then zero!"},
        {0, 0, "0.2", CellEdit::Accepted, "0.20000"},
        {1, 0, "-1", CellEdit::Rejected, "Paraxial marginal ray hight at last surface must not be negative number!"},
        {1, 0, "2", CellEdit::Accepted, "   2.0"},
        {5, 0, "0", CellEdit::Rejected, "Glass thickness must be greater then zero!"},
        {8, 0, "-0.2", CellEdit::Accepted, " -0.200"},
        {8, 0, "-", CellEdit::Typing, ""},
        {3, 1, "-2", CellEdit::Rejected, "Optimization weight must not be negative number!"},
        {3, 1, "x", CellEdit::Rejected, "Not a valid number!"},
        {3, 1, "0", CellEdit::Accepted, "   0.0"},
        {0, 2, "0", CellEdit::Rejected, "Focal length must be greater then zero!"},
        {0, 2, "50", CellEdit::Accepted, "   50.000"},
        {1, 2, "50", CellEdit::Rejected, "Not a valid number!"},   // only the first row holds a focal length
    };
    for (const Case& c : cases) {
        Model m = formlens();
        m.lens.aberweight[3] = 5;
        m.lens.rays.y[0] = 10;   // the axial start height
        const std::string before = paraxialcell(m, c.row, c.col);
        const Model kept = m;
        const CellEdit e = editparaxial(m, c.row, c.col, c.text);
        EXPECT_EQ(e.status, c.status) << c.row << " " << c.text;
        if (c.status == CellEdit::Rejected) {
            EXPECT_EQ(e.message, c.message);
            EXPECT_EQ(e.celltext, before);
            EXPECT_EQ(m.lens, kept.lens);
        } else {
            EXPECT_EQ(e.message, "");
        }
        if (c.status == CellEdit::Accepted) {
            EXPECT_EQ(paraxialcell(m, c.row, c.col), c.message);
            EXPECT_TRUE(e.changed);
        }
        if (c.status == CellEdit::Typing) {
            EXPECT_EQ(paraxialcell(m, c.row, c.col), before);
        }
    }
    EXPECT_EQ(paraxialrowtitles().size(), 9u);
    EXPECT_EQ(paraxialcell(formlens(), 0, 0), fmtf(1 / 5.6, 7, 5));
}

TEST(OptimGrids, FocalLengthBesideTheTargetAngle) {
    // The target angle holds the axial start height y0 (object at infinity): f = y0 / na.
    Model m = formlens();
    m.lens.rays.y[0] = 12.5;
    const double y0 = m.lens.rays.y[0];
    EXPECT_DOUBLE_EQ(paraxialfocal(m), y0 / m.lens.na);
    EXPECT_EQ(paraxialcell(m, 0, 2), fmtf(y0 / m.lens.na, 9, 3));
    for (int row = 1; row < paraxialrows; ++row) {
        EXPECT_EQ(paraxialcell(m, row, 2), "") << row;
        EXPECT_FALSE(paraxialeditable(row, 2)) << row;
    }
    EXPECT_TRUE(paraxialeditable(0, 2));
    const OpticalSystem before = m.lens;
    const CellEdit e = editparaxial(m, 0, 2, "80");
    ASSERT_EQ(e.status, CellEdit::Accepted);
    EXPECT_TRUE(e.changed);
    EXPECT_DOUBLE_EQ(m.lens.na, y0 / 80);
    EXPECT_EQ(paraxialcell(m, 0, 0), fmtf(y0 / 80, 7, 5));
    // the target angle is all that changed
    OpticalSystem expected = before;
    expected.na = m.lens.na;
    EXPECT_EQ(m.lens, expected);
    // a finite object or a telescope implies no focal length
    Model finite = m;
    finite.lens.mag = -0.5;
    EXPECT_EQ(paraxialfocal(finite), 0);
    EXPECT_EQ(paraxialcell(finite, 0, 2), "");
    const CellEdit no = editparaxial(finite, 0, 2, "80");
    EXPECT_EQ(no.status, CellEdit::Rejected);
    EXPECT_EQ(no.message, "The targets of a telescope or of an object at a finite distance imply no focal length!");
    Model tele = m;
    tele.lens.systype = 4;
    EXPECT_EQ(paraxialfocal(tele), 0);
}

TEST(OptimGrids, AberrationAndBoundaryCells) {
    Model m = formlens();
    EXPECT_EQ(editaberration(m, 4, 2, "-1.5").status, CellEdit::Accepted);
    EXPECT_EQ(m.merit.target[4], -1.5);
    m.lens.aberweight[4] = 3;
    const CellEdit bad = editaberration(m, 4, 3, "0");
    EXPECT_EQ(bad.status, CellEdit::Rejected);
    EXPECT_EQ(bad.message, "Aberration weight must be greater then zero!");
    EXPECT_EQ(bad.celltext, " 3.00000");
    EXPECT_EQ(m.lens.aberweight[4], 3);
    EXPECT_EQ(editaberration(m, 4, 1, "2").status, CellEdit::Rejected);   // the calculated value is not edited

    const char* msgs[] = {"Axial thickness limit must be greater then zero!",
                          "Edge thickness limit must be greater then zero!",
                          "Clear aperture limit must be greater then zero!"};
    for (int col = 3; col <= 5; ++col) {
        const CellEdit e = editboundary(m, 2, col, "0");
        EXPECT_EQ(e.status, CellEdit::Rejected);
        EXPECT_EQ(e.message, msgs[col - 3]);
        EXPECT_EQ(e.celltext, "  0.00");
        EXPECT_EQ(editboundary(m, 2, col, "1.25").status, CellEdit::Accepted);
        EXPECT_EQ(boundarycell(m, 2, col), "  1.25");
    }
    EXPECT_EQ(m.lens.axlim[2], 1.25);
    EXPECT_EQ(m.lens.clearlim[2], 1.25);
    EXPECT_EQ(boundarycell(m, 2, 1), "     0.560");
    EXPECT_EQ(boundaryhint(-1), "Enter desired value for boundary condition");
}

}  // namespace
}  // namespace zefo
