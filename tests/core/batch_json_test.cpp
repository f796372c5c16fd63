// --json of the zefo-batch commands around the lens data: the glass catalogue, the AGF
// import and the sample lenses.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "jsonread.h"
#include "testutil.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

class BatchJson : public test::BatchTest {};

// The record of a glass and its indices at the system's wavelengths; the indices follow from
// the coefficients by the Schott formula, and at the d line they give the catalogue's nd.
TEST_F(BatchJson, GlassGivesItsRecordAndIndices) {
    const auto text = run("glass SF4");
    ASSERT_EQ(text.status, 0) << text.err;
    const auto r = run("--json glass SF4");
    ASSERT_EQ(r.status, 0) << r.err;
    const test::JsonValue j = test::parsejson(r.out);
    EXPECT_EQ(j["name"].str(), "SF4");
    // the same record as the text form shows
    std::map<std::string, std::string> shown;
    std::istringstream lines(text.out);
    for (std::string line; std::getline(lines, line);)
        shown[line.substr(0, line.find(' '))] = line.substr(line.find(' ') + 1);
    EXPECT_EQ(j["code"].str(), shown["GlassCode"]);
    EXPECT_EQ(j["serial"].num(), parsereal(shown["SerialNum"]).value());
    EXPECT_EQ(j["maker"].str(), shown["Maker"]);
    EXPECT_EQ(j["remark"].str(), shown["Remark"]);
    const auto a = j["coefficients"].numbers();
    ASSERT_EQ(a.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(a[i], parsereal(shown["A" + std::to_string(i)]).value()) << i;
    const auto wl = j["wl"].numbers();
    EXPECT_EQ(wl, (std::vector<double>{0.0005876, 0.0006563, 0.0004861}));
    const auto n = j["index"].numbers();
    ASSERT_EQ(n.size(), 3u);
    for (size_t w = 0; w < 3; ++w) {
        const double t = wl[w] * 1000 * wl[w] * 1000;   // micrometres squared
        const double n2 = a[0] + a[1] * t + a[2] / t + a[3] / (t * t) + a[4] / (t * t * t) + a[5] / (t * t * t * t);
        EXPECT_NEAR(n[w], std::sqrt(n2), 1e-12) << w;
    }
    EXPECT_NEAR(n[0], j["nd"].num(), 2e-5);
    EXPECT_NEAR(j["disp"].num(), n[2] - n[1], 1e-15);
    EXPECT_NEAR((j["nd"].num() - 1) / (n[2] - n[1]), j["vd"].num(), 0.1);
}

// The counts of an import, as the text form gives them.
TEST_F(BatchJson, ImportAgfGivesItsCounts) {
    const std::string agf = " '" + test::datafile("madeup.agf") + "'";
    const auto text = run("import-agf" + agf);
    ASSERT_EQ(text.status, 0) << text.err;
    std::filesystem::remove(dir / "glass" / "sgm.DB");   // the first import again
    const auto r = run("--json import-agf" + agf);
    ASSERT_EQ(r.status, 0) << r.err;
    const test::JsonValue j = test::parsejson(r.out);
    EXPECT_EQ(text.out, "Glasses added: " + fmti(static_cast<long long>(j["added"].num())) +
                            "\nSkipped, name already in the catalogue: " +
                            fmti(static_cast<long long>(j["present"].num())) +
                            "\nSkipped, unsupported formula: " + fmti(static_cast<long long>(j["unknownformula"].num())) +
                            "\nSkipped, unusable data: " + fmti(static_cast<long long>(j["unusable"].num())) + "\n");
}

// The files written, each of them there.
TEST_F(BatchJson, SamplesListsTheFilesWritten) {
    const auto r = run("--json samples");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto files = test::parsejson(r.out)["files"].strings();
    ASSERT_FALSE(files.empty());
    for (const auto& f : files) {
        EXPECT_EQ(std::filesystem::path(f).parent_path(), dir / "dat") << f;
        EXPECT_TRUE(std::filesystem::is_regular_file(f)) << f;
    }
    size_t written = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "dat")) written += e.path().extension() == ".dat";
    EXPECT_EQ(written, files.size());
}

}  // namespace
}  // namespace zefo
