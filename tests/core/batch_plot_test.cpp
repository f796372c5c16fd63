// zefo-batch plot: every picture of the sample lenses as a file of the requested size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/util/fileio.h"
#include "jsonread.h"
#include "testutil.h"

namespace zefo {
namespace {

#ifdef ZEFO_PLOT

uint32_t be32(const std::string& s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}
int32_t le32(const std::string& s, size_t at) {
    return int32_t(uint32_t(uint8_t(s[at])) | (uint32_t(uint8_t(s[at + 1])) << 8) |
                   (uint32_t(uint8_t(s[at + 2])) << 16) | (uint32_t(uint8_t(s[at + 3])) << 24));
}

// Width and height written in the file's header; -1 when it is no picture of its type.
void picturesize(const std::string& path, int& w, int& h) {
    w = h = -1;
    const auto text = readtextfile(path);
    if (!text) return;
    const std::string& s = *text;
    if (path.ends_with(".png") && s.size() > 24 && s.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
        s.compare(12, 4, "IHDR") == 0) {
        w = int(be32(s, 16));
        h = int(be32(s, 20));
    } else if (path.ends_with(".bmp") && s.size() > 54 && s.compare(0, 2, "BM") == 0) {
        w = le32(s, 18);
        h = std::abs(le32(s, 22));
    } else if (path.ends_with(".svg") && s.find("</svg>") != std::string::npos) {
        const size_t v = s.find("viewBox=\"0 0 ");
        if (v != std::string::npos && std::sscanf(s.c_str() + v + 13, "%d %d", &w, &h) != 2) w = h = -1;
    }
}

TEST(BatchPlot, EveryPictureOfEverySampleHasTheRequestedSize) {
    const auto dir = test::freshdir("batch-plot");
    // the platform's runtime folder is the batch tool's own business
    unsetenv("XDG_RUNTIME_DIR");
    const char* kinds[] = {"system", "fans", "spot", "tfspot", "gmtf", "tfmtf", "dmtf", "opd", "field"};
    const char* exts[] = {"png", "bmp", "svg"};
    int n = 0;
    for (const char* sample : {"COOKE", "DGAUSS", "KEPLER", "LENS1"}) {
        const std::string lens = std::string(ZEFO_SAMPLES) + "/" + sample + ".dat";
        for (const char* kind : kinds) {
            const char* ext = exts[n++ % 3];
            const int w = 300 + 37 * (n % 5), h = 200 + 23 * (n % 7);
            const std::string out = (dir / (std::string(sample) + "_" + kind + "." + ext)).string();
            const auto r = test::runbatch(dir, std::string("plot ") + kind + " '" + lens + "' --out '" + out +
                                                   "' --size " + std::to_string(w) + "x" + std::to_string(h));
            ASSERT_EQ(r.status, 0) << sample << " " << kind << "\n" << r.err;
            EXPECT_EQ(r.out, out + "\n");
            // no warning of the platform on the way
            EXPECT_EQ(r.err, "") << sample << " " << kind;
            int pw, ph;
            picturesize(out, pw, ph);
            EXPECT_EQ(pw, w) << out;
            EXPECT_EQ(ph, h) << out;
        }
    }
}

// The colour of pixel (x, y) of a 24-bit bottom-up BMP.
uint32_t bmppixel(const std::string& s, int x, int y) {
    const int w = le32(s, 18), h = le32(s, 22);
    const size_t row = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    const size_t at = static_cast<size_t>(le32(s, 10)) + static_cast<size_t>(h - 1 - y) * row + 3 * size_t(x);
    return (uint32_t(uint8_t(s[at + 2])) << 16) | (uint32_t(uint8_t(s[at + 1])) << 8) | uint32_t(uint8_t(s[at]));
}

TEST(BatchPlot, SystemPictureProbes) {
    const auto dir = test::freshdir("batch-plot-probe");
    const std::string out = (dir / "dg.bmp").string();
    const auto r = test::runbatch(dir, "plot system '" + std::string(ZEFO_SAMPLES) + "/DGAUSS.dat' --out '" + out +
                                           "' --size 536x420");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string s = readtextfile(out).value();
    ASSERT_EQ(le32(s, 28) & 0xffff, 24);
    // background white in the corners; the axis (dash-dot) has black pixels on its row, the
    // rays their colours somewhere
    EXPECT_EQ(bmppixel(s, 0, 419), 0xffffffu);
    EXPECT_EQ(bmppixel(s, 535, 20), 0xffffffu);
    const int axis = (420 - 13 - 13 - 4) / 2;  // text height of the 13-pixel font at most
    int black = 0, blue = 0, red = 0;
    for (int x = 0; x < 536; ++x)
        for (int y = 0; y < 420; ++y) {
            const uint32_t c = bmppixel(s, x, y);
            blue += c == 0x0000ffu;
            red += c == 0xff0000u;
        }
    for (int y = axis - 8; y <= axis + 8; ++y) {
        int row = 0;
        for (int x = 0; x < 536; ++x) row += bmppixel(s, x, y) == 0;
        black = std::max(black, row);
    }
    EXPECT_GT(black, 536 / 2);  // the axis across the picture
    EXPECT_GT(blue, 200);
    EXPECT_GT(red, 200);
}

// --json: what each picture plots. The spot panels carry the radii of the spot diagram's own
// rays, the fans and MTF their units; no pixel of a curve leaves its frame.
TEST(BatchPlot, JsonTellsWhatThePicturesShow) {
    const auto dir = test::freshdir("batch-plot-json");
    const std::string lens = "'" + std::string(ZEFO_SAMPLES) + "/DGAUSS.dat'";
    auto r = test::runbatch(dir, "--json spot " + lens);
    ASSERT_EQ(r.status, 0) << r.err;
    const test::JsonValue spot = test::parsejson(r.out);
    r = test::runbatch(dir, "--json plot spot " + lens + " --wl 4 --size 1200x800 --out '" + (dir / "s.png").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const test::JsonValue plot = test::parsejson(r.out);
    EXPECT_EQ(plot["kind"].str(), "spot");
    EXPECT_EQ(plot["width"].num(), 1200);
    EXPECT_EQ(plot["height"].num(), 800);
    const size_t nf = spot["fields"].size();
    ASSERT_EQ(plot["panels"].size(), 4 * nf);   // three wavelengths and white light per field
    for (size_t f = 0; f < nf; ++f) {
        // the spot diagram's rays of the field, about its chief ray
        double sum[4] = {0, 0, 0, 0}, geo[4] = {0, 0, 0, 0};
        int n[4] = {0, 0, 0, 0};
        for (const auto& ray : spot["rays"].items) {
            if (ray["field"].num() != double(f)) continue;
            const int w = int(ray["wavelength"].num());
            const double r2 = ray["dx"].num() * ray["dx"].num() + ray["dy"].num() * ray["dy"].num();
            for (int j : {w, 3}) {
                sum[j] += r2;
                geo[j] = std::max(geo[j], std::sqrt(r2));
                ++n[j];
            }
        }
        for (int j = 0; j < 4; ++j) {
            const test::JsonValue& p = plot["panels"][f * 4 + j];
            SCOPED_TRACE(testing::Message() << "field " << f << " column " << j);
            EXPECT_NEAR(p["rms_um"].num(), std::sqrt(sum[j] / n[j]) * 1000, 1e-9);
            EXPECT_NEAR(p["geo_um"].num(), geo[j] * 1000, 1e-9);
            EXPECT_EQ(p["px_per_mm_x"].num(), p["px_per_mm_y"].num());
            EXPECT_GT(p["airy_um"].num(), 0);
        }
        EXPECT_NEAR(plot["panels"][f * 4 + 3]["rms_um"].num(), spot["fields"][f]["rms"].num() * 1000, 1e-9);
    }
    for (const char* kind : {"fans", "opd", "gmtf", "tfmtf", "dmtf", "field"}) {
        r = test::runbatch(dir, std::string("--json plot ") + kind + " " + lens + " --out '" + (dir / "p.svg").string() + "'");
        ASSERT_EQ(r.status, 0) << kind << "\n" << r.err;
        const test::JsonValue j = test::parsejson(r.out);
        EXPECT_EQ(j["kind"].str(), kind);
        ASSERT_GT(j["panels"].size(), 0u) << kind;
        for (const auto& p : j["panels"].items) {
            const std::vector<double> fr = p["frame"].numbers();
            EXPECT_FALSE(p["x_unit"].str().empty()) << kind;
            EXPECT_FALSE(p["y_unit"].str().empty()) << kind;
            for (const auto& c : p["curves"].items) {
                EXPECT_EQ(c["x"].size(), c["y"].size());
                for (const auto& px : c["px"].items) {
                    EXPECT_GE(px[0].num(), fr[0]);
                    EXPECT_LE(px[0].num(), fr[2]);
                    EXPECT_GE(px[1].num(), fr[1]);
                    EXPECT_LE(px[1].num(), fr[3]);
                }
            }
        }
    }
    // the OPD fan of the sample is of the size of the wave report's values, in mm or in waves
    for (const std::string waves : {"", " --waves"}) {
        r = test::runbatch(dir, "--json plot opd " + lens + waves + " --out '" + (dir / "o.png").string() + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const test::JsonValue j = test::parsejson(r.out);
        double largest = 0;
        for (const auto& p : j["panels"].items)
            for (const auto& c : p["curves"].items)
                for (double v : c["y"].numbers()) largest = std::max(largest, std::fabs(v));
        EXPECT_EQ(j["panels"][0]["y_unit"].str(), waves.empty() ? "mm" : "waves");
        EXPECT_GT(largest, waves.empty() ? 1e-4 : 0.2);
        EXPECT_LT(largest, waves.empty() ? 0.05 : 80);
    }
}

TEST(BatchPlot, WrongArgumentsAreUsageErrors) {
    const auto dir = test::freshdir("batch-plot-usage");
    const std::string lens = "'" + std::string(ZEFO_SAMPLES) + "/DGAUSS.dat'";
    for (const std::string& args : {"plot nosuchkind " + lens, "plot system " + lens + " --size 10x10",
                                    "plot system " + lens + " --size big", "plot system " + lens + " --out x.gif",
                                    "plot system " + lens + " --wl 5", "plot spot " + lens + " --field 4",
                                    "plot spot " + lens + " --field -1", "plot fans " + lens + " --field 1",
                                    "plot opd " + lens + " --field 1", "plot field " + lens + " --field 1",
                                    "plot spot " + lens + " --common-scale", "plot fans " + lens + " --waves"}) {
        const auto r = test::runbatch(dir, args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
    }
}

// A lens named like a path is refused when it is read: no picture lands outside graphics/.
TEST(BatchPlot, LensNamedLikeAPathWritesNothing) {
    const auto dir = test::freshdir("batch-plot-escape");
    const auto ws = dir / "a" / "b";
    std::filesystem::create_directories(ws);
    std::string text = readtextfile(std::string(ZEFO_SAMPLES) + "/DGAUSS.dat").value();
    text.replace(0, text.find('\r'), "../../escaped");
    const std::string lens = (dir / "escaped.dat").string();
    ASSERT_EQ(writefileatomic(lens, text), "");
    const auto r = test::runbatch(ws, "plot system '" + lens + "'");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "File " + lens + ", line 1: " + badsysnamemsg + "\n");
    EXPECT_FALSE(std::filesystem::exists(ws / "escaped_optsys.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a" / "escaped_optsys.png"));
}

TEST(BatchPlot, FieldTheSystemLacksIsRefused) {
    const auto dir = test::freshdir("batch-plot-field");
    const std::string out = (dir / "one.png").string();
    const std::string lens = "'" + std::string(ZEFO_SAMPLES) + "/LENS1.dat'";
    auto r = test::runbatch(dir, "plot spot " + lens + " --field 3 --out '" + out + "'");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("no field 3"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    r = test::runbatch(dir, "plot gmtf " + lens + " --field 0 --out '" + out + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(out));
}

#endif

}  // namespace
}  // namespace zefo
