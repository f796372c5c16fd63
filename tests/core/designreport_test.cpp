// The optimization design data listing, built line for line from the checked system data
// report of the same lens and the layout of the listing's own columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "core/analysis/systemreport.h"
#include "systemreport_models.h"
#include "testutil.h"

namespace zefo {
namespace {

std::vector<std::string> textlines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

template <typename... T>
std::string format(const char* f, T... v) {
    char buf[256];
    std::snprintf(buf, sizeof buf, f, v...);
    return buf;
}

// The singlet of lens1.dat: curvature and separation of its first surface and the
// curvature of its second are variables.
TEST(DesignReport, SingletRowsCarryTheirVariablesAndLimits) {
    const std::vector<std::string> system = textlines(test::readdata("systemreport-lens1-system.txt"));
    Model m = test::lens1model();
    ASSERT_EQ(m.lens.sys.sp.optlabel[0], "CD");
    ASSERT_EQ(m.lens.sys.sp.optlabel[1], "C");
    Report r;
    ASSERT_TRUE(designreport(m, test::kReportHead, r));

    std::vector<std::string> expected(system.begin(), system.begin() + 3);  // title, focal length, wavelengths
    expected.push_back("                    Radius     Dist     Index1   Index2   Index3    Disp      Glass    Hmax"
                       "     axial      edge");
    const char* flags[] = {"RadDist     ", "Rad         ", "            "};
    const OpticalSystem& l = m.lens;
    for (int i = 0; i <= l.nsurf; ++i) {
        const std::string& row = system[4 + static_cast<size_t>(i)];  // the system table row of the surface
        expected.push_back(row.substr(0, 3) + " " + flags[i] + row.substr(3) +
                           format("%10.4f%10.4f", l.axlim[i], l.edgelim[i]));
    }
    expected.push_back(" ");
    expected.push_back(format("Step for changing surface radius of optical system during optimization is Dc=%10.6f",
                              l.dcurv));
    expected.push_back(
        format("Step for changing distance betwin surfaces of opt.system during optimization is Dd=%10.6f", l.dsep));
    expected.push_back(format("Step for changing glass indexs during optimization is Dn=%10.6f", l.dindex));
    expected.push_back(format("Step for changing glass dispersion during optimization is Ddn=%10.6f", l.ddisp));
    expected.push_back(" ");
    expected.push_back(" Boundary conditions are:");
    for (int j = 0; j <= l.nsurf; ++j)
        expected.push_back(format("%d  Minimum axial thickness is %6.2f  Minimum edge thickness is %6.2f  Maximum "
                                  "clear aperture is %6.2f",
                                  j + 1, l.axlim[j], l.edgelim[j], l.clearlim[j]));
    expected.push_back(" ");
    for (const char* close : {"Measurement units are mm", " ", "End of displayed data"}) expected.push_back(close);
    EXPECT_EQ(r.lines(), expected);

    // as the head of the merit function report it has no closing lines
    Model head = test::lens1model();
    Report rh;
    ASSERT_TRUE(designreport(head, test::kReportHead, rh, false));
    EXPECT_EQ(rh.lines(), std::vector<std::string>(expected.begin(), expected.end() - 3));
}

// Curvature form; surface type lines as in the system data, the Fresnel line with one
// blank before "with".
TEST(DesignReport, CurvatureFormAndSurfaceTypeLines) {
    Model m = test::doubletmodel();
    Report r;
    ASSERT_TRUE(designreport(m, test::kReportHead, r));
    const std::vector<std::string> system = textlines(test::readdata("systemreport-doublet-system.txt"));
    auto typeline = [](const std::string& l) {
        for (const char* kind : {"Conical surface ", "Asferical surface ", "Fresnel surface "})
            if (l.rfind(kind, 0) == 0) return true;
        return false;
    };
    std::vector<std::string> typelines, got;
    std::copy_if(system.begin(), system.end(), std::back_inserter(typelines), typeline);
    std::copy_if(r.lines().begin(), r.lines().end(), std::back_inserter(got), typeline);
    ASSERT_EQ(got.size(), typelines.size());
    for (auto& l : typelines)
        if (l.rfind("Fresnel surface  with", 0) == 0) l.erase(15, 1);
    EXPECT_EQ(got, typelines);

    Model c = test::lens1model();
    c.lens.radiiflag = 'N';
    Report rc;
    ASSERT_TRUE(designreport(c, test::kReportHead, rc));
    EXPECT_EQ(rc.lines()[3], "                    Curvature  Dist     Index1   Index2   Index3    Disp      Glass"
                             "    Hmax     axial      edge");
    EXPECT_EQ(rc.lines()[4].substr(0, 36), "  1 RadDist     " + format("%10.7f%10.3f", c.lens.sys.sp.curv[0], 0.0));
}

TEST(DesignReport, FailureOfFirstOrderDataStopsTheListing) {
    Model m = test::lens1model();
    m.lens.sys.sp.index[2] = {0, 0, 0};  // image space index 0: no first-order data
    Report r;
    EXPECT_FALSE(designreport(m, test::kReportHead, r));
    EXPECT_TRUE(m.calcerror);
    EXPECT_TRUE(r.lines().empty());
}

}  // namespace
}  // namespace zefo
