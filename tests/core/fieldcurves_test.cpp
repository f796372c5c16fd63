// Field curvature and distortion, against real rays traced around the chief ray.
#include <gtest/gtest.h>

#include <cmath>

#include "core/analysis/fieldcurves.h"
#include "core/plot/fieldplot.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"
#include "testsystems.h"

namespace zefo {
namespace {

// Image-side line of a ray: its point on the image plane and its slopes.
struct ImageLine {
    double x, y, sx, sy;
};

ImageLine imageline(const Model& m, const Ray& r, int w) {
    TraceContext ctx;
    const TracedRay t = trace(m.lens, r, w, TraceOpts{}, ctx);
    EXPECT_EQ(t.status, RayStatus::passed);
    return {t.end.X, t.end.Y, t.end.L / t.end.N, t.end.M / t.end.N};
}

TEST(FieldCurves, FocusShiftsMatchNeighbouringRealRaysAndDistortionTheParaxialHeight) {
    Model m = doublegauss();
    m.lens.systype = 1;   // three wavelengths
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const FieldCurves c = fieldcurves(m, true);
    ASSERT_TRUE(c.error.empty()) << c.error;
    ASSERT_EQ(c.field.size(), 12u);
    EXPECT_TRUE(c.angles);
    EXPECT_DOUBLE_EQ(c.field.back(), 20);
    ASSERT_EQ(c.wls.size(), 3u);

    Model a = m;
    nudatparax(a);
    const double efl = a.first.efl;
    const double y0 = a.lens.rays.y[1];
    for (size_t j : {size_t(4), size_t(8), size_t(11)}) {
        aimfieldchief(a, 2, c.field[j]);
        ASSERT_FALSE(a.calcerror);
        const Ray chief = schemestart(a.lens, 2, 3);
        for (int w : {0, 2}) {
            SCOPED_TRACE(testing::Message() << "field " << c.field[j] << " wavelength " << w);
            // tangential: two rays a small step above and below the chief ray, parallel to it,
            // meet behind the image plane at the tangential focus
            const double d = 1e-4 * y0;
            const ImageLine up = imageline(a, Ray{0, chief.Y + d, chief.L, chief.M, chief.N, 2, 2}, w);
            const ImageLine down = imageline(a, Ray{0, chief.Y - d, chief.L, chief.M, chief.N, 2, 2}, w);
            const double zt = (down.y - up.y) / (up.sy - down.sy);
            // sagittal: a ray a small step aside crosses the meridional plane at the sagittal focus
            const ImageLine side = imageline(a, Ray{d, chief.Y, chief.L, chief.M, chief.N, 2, 2}, w);
            const double zs = -side.x / side.sx;
            EXPECT_NEAR(c.tangential[w][j], zt, 2e-3 * std::max(1.0, std::fabs(zt)));
            EXPECT_NEAR(c.sagittal[w][j], zs, 2e-3 * std::max(1.0, std::fabs(zs)));
            // distortion: the chief ray's height against f tan(w) (the image plane is the
            // paraxial focal plane)
            if (w != 0) continue;
            const ImageLine ch = imageline(a, chief, 0);
            const double ypar = efl * std::tan(c.field[j] * M_PI / 180);
            EXPECT_NEAR(c.distortion[0][j], (std::fabs(ch.y) / ypar - 1) * 100, 1e-4);
        }
    }
    // a double Gauss: fields of the order of a tenth of a millimetre, distortion of a few per cent at most
    EXPECT_GT(std::fabs(c.tangential[0].back() - c.sagittal[0].back()), 1e-3);
    EXPECT_LT(std::fabs(c.distortion[0].back()), 5);

    // the picture: S, T and the distortion per wavelength, in degrees
    const DisplayList dl = fieldplot(m.lens, c, PlotTitle{"DG", "DG.dat", "2026-12-10"}, 900, 600, 13);
    ASSERT_EQ(dl.panels.size(), 2u);
    EXPECT_EQ(dl.panels[0].curves.size(), 6u);
    EXPECT_EQ(dl.panels[0].curves[0].label, "S");
    EXPECT_EQ(dl.panels[0].curves[1].label, "T");
    EXPECT_EQ(dl.panels[1].curves[0].label, "distortion");
    EXPECT_EQ(dl.panels[0].yunit, "deg");
    EXPECT_EQ(dl.panels[1].xunit, "%");
    EXPECT_EQ(dl.panels[0].curves[1].x, c.tangential[0]);
    EXPECT_EQ(dl.panels[0].curves[1].y, c.field);
}

TEST(FieldCurves, LensWithoutFieldIsNamed) {
    Model m = doublegauss();
    m.lens.nfields = 1;
    EXPECT_FALSE(fieldcurves(m, false).error.empty());
}

}  // namespace
}  // namespace zefo
