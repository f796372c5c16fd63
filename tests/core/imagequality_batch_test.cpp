// zefo-batch's image-quality commands run as a user would: exit status, command log,
// report files, --json values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "imagequality_models.h"
#include "core/model/lensfile.h"
#include "testutil.h"

namespace zefo {
namespace {

class IqBatch : public test::BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        const Model m = test::paraboloid();
        lens = (dir / "paraboloid.dat").generic_string();
        ASSERT_EQ(savelensfile(lens, m.lens), "");
    }


    std::string lens;
};

// Every number that follows "key": in a JSON text, in order (arrays flattened).
std::vector<double> jsonnumbers(const std::string& json, const std::string& key) {
    std::vector<double> v;
    const std::string k = "\"" + key + "\":";
    for (size_t p = json.find(k); p != std::string::npos; p = json.find(k, p + 1)) {
        size_t q = p + k.size();
        const bool array = json[q] == '[';
        if (array) ++q;
        while (true) {
            char* end = nullptr;
            const double d = std::strtod(json.c_str() + q, &end);
            if (end == json.c_str() + q) break;
            v.push_back(d);
            q = static_cast<size_t>(end - json.c_str());
            if (!array || json[q] != ',') break;
            ++q;
        }
    }
    return v;
}

TEST_F(IqBatch, SpotWritesItsReportLogsAndGivesTheTable) {
    auto r = run("spot '" + lens + "' --spotsize 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string expected = test::replaced(test::readdata("iq_paraboloid.spt"), "paraboloid.dat", lens);
    EXPECT_EQ(file("spot-mtf/paraboloid.spt"), expected);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(log(), "Draw spot diagram\nNew value for spot size is 1.0000\nDraw spot diagram - Finished\n");

    r = run("--json spot '" + lens + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonnumbers(r.out, "passed"), (std::vector<double>{49, 49, 49}));
    EXPECT_EQ(jsonnumbers(r.out, "dx").size(), 147u);
    EXPECT_LT(jsonnumbers(r.out, "rms")[0], 1e-12);
    EXPECT_EQ(r.out.find("\"fields\":[{\"field\":0,"), 1u);
}

TEST_F(IqBatch, MtfCommandsGiveAscendingFrequenciesPerField) {
    auto r = run("--json gmtf '" + lens + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "spot-mtf" / "paraboloid.gtf"));
    const auto freq = jsonnumbers(r.out, "freq");
    ASSERT_EQ(freq.size(), 3u * 26);
    // the frequencies of the rows of the report: 1, then the labels 2, 4, ..., 50
    const std::string gtf = file("spot-mtf/paraboloid.gtf");
    for (int k = 0; k < 26; ++k) {
        EXPECT_EQ(freq[k], k == 0 ? 1 : 2 * k);
        EXPECT_NE(gtf.find("\n" + std::string(k == 0 ? "      1" : (k < 5 ? "      " : "     ") + std::to_string(2 * k)) +
                           "     "),
                  std::string::npos)
            << k;
    }
    const auto tan = jsonnumbers(r.out, "tangential");
    // a perfect image on the axis: the diffraction-limited factor
    const double s = 50 * 0.0005876 / 0.1, phi = 2 * std::acos(s / 2);
    EXPECT_NEAR(tan[25], (phi - std::sin(phi)) / M_PI, 1e-9);
    EXPECT_EQ(log(), "Draw modular transfer function\nDraw modular transfer function - Finished\n");

    r = run("--json dmtf '" + lens + "' --gauss 10 --degree 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(file("spot-mtf/paraboloid.dtf").substr(0, 54), "        Tabular review of diffraction MTF calculation\n");
    const auto dfreq = jsonnumbers(r.out, "freq");
    ASSERT_EQ(dfreq.size(), 3u * 26);
    EXPECT_EQ(dfreq[1], 2);
    const auto dtan = jsonnumbers(r.out, "tangential"), dsag = jsonnumbers(r.out, "sagittal");
    EXPECT_NEAR(dtan[25], (phi - std::sin(phi)) / M_PI, 2e-4);
    EXPECT_EQ(dsag[25], dtan[25]);  // the axis holds one value
    EXPECT_EQ(log(), "Draw diffraction MTF\nNumber of points are 10\nDegree of aberrational polynom is 3\n"
                     "Draw diffraction MTF - Finished\n");

    r = run("--json tfmtf '" + lens + "' --ddefocus 0.05");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto focus = jsonnumbers(r.out, "focus");
    ASSERT_EQ(focus.size(), 3u * 26);
    EXPECT_NEAR(focus[0], -0.1, 1e-15);
    EXPECT_NEAR(focus[13], 0, 1e-15);
}

TEST_F(IqBatch, WaveGivesTheFitsOfTheChosenWavelength) {
    auto r = run("--json wave '" + lens + "' --wl 1 --degree 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonnumbers(r.out, "wavelength"), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(jsonnumbers(r.out, "coefficients").size(), 4u + 10 + 10);
    EXPECT_EQ(file("abr/paraboloid.wbr").substr(0, 85),
              "Calculation of the Optical Path Difference and Wave Aberration for d spectral line\n \n");
    EXPECT_EQ(log(), "Wave aberrations calculation\nWavelength number is 0\nNumber of points are 16\n"
                     "Degree of aberrational polynom is 3\nWave aberrations calculation - Finished\n");
}

TEST_F(IqBatch, BadOptionsGiveTheDialogMessagesAndUsageErrors) {
    auto r = run("gmtf '" + lens + "' --rings 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Number of rings of rays must not be zero!\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "spot-mtf" / "paraboloid.gtf"));
    r = run("gmtf '" + lens + "' --nfreq 400");  // above 2 na / wl = 340
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Maximum number of frequencies must not be greater then diffraction limit frequency!\n");
    EXPECT_EQ(run("dmtf '" + lens + "' --gauss 7").status, 2);
    EXPECT_EQ(run("spot").status, 2);
    EXPECT_EQ(run("wave '" + lens + "' --rings 3").status, 2);
}

}  // namespace
}  // namespace zefo
