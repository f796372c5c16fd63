#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "testsystems.h"
#include "core/analysis/aberrations.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"

namespace zefo {
namespace {

// A system from its surfaces with the relative indices built, object space index 1.
Model system(const std::vector<SampleSurface>& s, double n0 = 1.0) {
    Model m = buildobjective(s, 1, 0.1, {5}, 6);
    m.lens.sys.sp.index[0] = {n0, n0, n0};
    ssetq(m);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    return m;
}

// Traces a ray of number k and kind (ray label mod 10) from start.
TracedRay traced(Model& m, const RayPoint& start, const TraceOpts& o = {}, int k = 2, int w = 0, int kind = 0) {
    return raytrace(m, Ray{start.X, start.Y, start.L, start.M, start.N, k, kind}, w, o);
}

// The same; returns its end.
RayPoint trace(Model& m, const RayPoint& start, const TraceOpts& o = {}, int k = 2, int w = 0, int kind = 0) {
    return traced(m, start, o, k, w, kind).end;
}

RayPoint parallel(double x, double y) { return RayPoint{x, y, 0, 0, 0, 1}; }

RayPoint oblique(double x, double y, double l, double mm) {
    return RayPoint{x, y, 0, l, mm, std::sqrt(1 - l * l - mm * mm)};
}

const SampleSurface sphere50{"S", 50, 150, 1.5, 0, 100};

TEST(RayTrace, SphericalSurfaceWorkedExample) {
    Model m = system({sphere50});
    clearstatistics(m.trace);
    TraceOpts o;
    o.statistics = true;
    trace(m, parallel(0, 10), o);
    ASSERT_FALSE(m.calcerror);
    const RayPoint& p = m.trace.surfray[0];
    const RayPoint& d = m.trace.surfray[1];   // direction incident on the image plane
    EXPECT_NEAR(m.trace.statcosi[0], 0.9797959, 5e-8);
    EXPECT_NEAR(p.Z, 1.0102051, 5e-8);
    EXPECT_DOUBLE_EQ(p.Y, 10);
    EXPECT_DOUBLE_EQ(d.L, 0);
    EXPECT_NEAR(d.M, -0.0675748, 5e-8);
    EXPECT_NEAR(d.N, 0.9977142, 5e-8);
    // cos I' is the cosine between the refracted ray and the surface normal at the point
    const double c = 0.02;
    const double nrm[3] = {-c * p.X, -c * p.Y, 1 - c * p.Z};
    EXPECT_NEAR(nrm[0] * d.L + nrm[1] * d.M + nrm[2] * d.N, 0.9910712, 5e-8);
    EXPECT_NEAR(-d.M / p.Y, 0.0067575, 5e-8);   // g
    EXPECT_NEAR(p.Z + p.Y * d.N / -d.M, 148.6561, 5e-5);
}

TEST(RayTrace, PlaneMirrorReflectsWithNegatedCosines) {
    Model m = system({{"SM", 0, -50, -1, 0, 100}});
    m.lens.sys.sp.sep[0] = 10;
    const RayPoint in = oblique(1, 2, 0.1, 0.2);
    const RayPoint out = trace(m, in);
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(out.L, -0.1, 1e-15);
    EXPECT_NEAR(out.M, -0.2, 1e-15);
    EXPECT_NEAR(out.N, in.N, 1e-15);
    // physical specular reflection: hit the mirror at z = 10, travel back to z = -40
    const double x0 = 1 + 0.1 * 10 / in.N, y0 = 2 + 0.2 * 10 / in.N;
    EXPECT_NEAR(out.X, x0 + 0.1 * 50 / in.N, 1e-12);
    EXPECT_NEAR(out.Y, y0 + 0.2 * 50 / in.N, 1e-12);

    TraceOpts o;
    o.pathB = true;
    trace(m, parallel(0, 0), o, 1);
    EXPECT_NEAR(m.trace.opl[0], -50, 1e-12);   // the step behind the mirror has negative path
}

TEST(RayTrace, SphericalMirrorMeetsTheAxisWhereGeometryPutsIt) {
    // concave mirror of radius 100: a ray at height 20 (sin I = 0.2) crosses the axis at
    // r / (2 cos I) from the centre of curvature
    const double cosI = std::sqrt(1 - 0.04);
    const double cross = -(100 - 100 / (2 * cosI));
    Model m = system({{"SM", -100, cross, -1, 0, 100}});
    const RayPoint out = trace(m, parallel(0, 20));
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(out.Y, 0, 1e-9);
}

TEST(RayTrace, ConicsFocusAParallelBeamToOnePoint) {
    struct Case {
        const char* name;
        SampleSurface s;
    };
    // a paraboloid mirror focuses at R/2; a refracting ellipsoid of eccentricity 1/n at nR/(n-1)
    const Case cases[] = {
        {"paraboloid mirror", {"EM", -100, -50, -1, 0, 100, -1}},
        {"ellipsoid 1/n", {"E", 50, 150, 1.5, 0, 100, -1 / 2.25}},
    };
    for (const Case& c : cases) {
        Model m = system({c.s});
        for (double h : {1.0, 5.0, 12.5, 20.0}) {
            for (double phi : {0.0, 0.7, 2.0}) {
                const RayPoint out = trace(m, parallel(h * std::sin(phi), h * std::cos(phi)));
                ASSERT_FALSE(m.calcerror) << c.name << " " << m.errmsg;
                EXPECT_NEAR(out.X, 0, 1e-9) << c.name << " h=" << h;
                EXPECT_NEAR(out.Y, 0, 1e-9) << c.name << " h=" << h;
            }
        }
    }
}

TEST(RayTrace, ConicRootChoiceTakesTheFarSideAndFlipsTheNormal) {
    // a sphere written as a conic with k = 0, entered from the front and left at the back
    struct Case {
        const char* label;
        double y;
        bool far;
    };
    const Case cases[] = {{"E+", -10, true}, {"E+", 10, false}, {"E-", 10, true}, {"E-", -10, false}, {"E", -10, false}};
    for (const Case& c : cases) {
        Model m = system({{c.label, 50, 150, 1.5, 0, 100, 0}}, 1.2);
        trace(m, parallel(0, c.y));
        ASSERT_FALSE(m.calcerror) << c.label << " " << m.errmsg;
        const RayPoint &p = m.trace.surfray[0], &d = m.trace.surfray[1];
        const double zfar = 50 + std::sqrt(2500 - 100.0), znear = 50 - std::sqrt(2500 - 100.0);
        EXPECT_NEAR(p.Z, c.far ? zfar : znear, 1e-12) << c.label << " " << c.y;
        // the refracted ray goes on towards the image (a normal facing the wrong way would
        // send it back) and keeps n·(d x normal): along x, n1 (-ny) = n2 (M' nz - N' ny)
        EXPECT_GT(d.N, 0) << c.label << " " << c.y;
        const double ny = -p.Y / 50, nz = 1 - p.Z / 50;
        const double inx = 1.2 * -ny;
        const double outx = 1.5 * (d.M * nz - d.N * ny);
        EXPECT_NEAR(inx, outx, 1e-12) << c.label;
    }
}

TEST(RayTrace, PlaneParallelPlateShiftsTheRayByTheTextbookDisplacement) {
    const double d = 10, n = 1.5;
    Model m = system({{"S", 0, d, n, 0, 100}, {"S", 0, 10, 1, 0, 100}});
    for (double deg : {10.0, 30.0, 55.0}) {
        const double I = deg * M_PI / 180;
        const double Ip = std::asin(std::sin(I) / n);
        const RayPoint out = trace(m, oblique(0, 0, 0, std::sin(I)));
        ASSERT_FALSE(m.calcerror);
        EXPECT_NEAR(out.M, std::sin(I), 1e-14);
        const double shift = (20 * std::tan(I) - out.Y) * std::cos(I);
        EXPECT_NEAR(shift, d * std::sin(I - Ip) / std::cos(Ip), 1e-12) << deg;
    }
}

TEST(RayTrace, AsphericWithoutCoefficientsMeetsTheConicAndConicZeroIsTheSphere) {
    const double k = -0.5;
    Model conic = system({{"E", 40, 100, 1.6, 0, 100, k}});
    Model asph = system({{"A", 40, 100, 1.6, 0, 100, k}});
    Model conic0 = system({{"E", 40, 100, 1.6, 0, 100, 0}});
    Model sph = system({{"S", 40, 100, 1.6, 0, 100}});
    for (const RayPoint& in : {parallel(0, 8), parallel(3, 12), oblique(1, -4, 0.05, 0.1)}) {
        const RayPoint ce = trace(conic, in), ae = trace(asph, in);
        ASSERT_FALSE(conic.calcerror || asph.calcerror);
        for (int i = 0; i < 2; ++i) {
            const RayPoint &a = conic.trace.surfray[i], &b = asph.trace.surfray[i];
            EXPECT_NEAR(a.X, b.X, 1e-9);
            EXPECT_NEAR(a.Y, b.Y, 1e-9);
            EXPECT_NEAR(a.Z, b.Z, 1e-9);
            EXPECT_NEAR(a.M, b.M, 1e-9);
            EXPECT_NEAR(a.N, b.N, 1e-9);
        }
        EXPECT_NEAR(ce.Y, ae.Y, 1e-9);
        const RayPoint c0 = trace(conic0, in), se = trace(sph, in);
        EXPECT_NEAR(c0.X, se.X, 1e-12);
        EXPECT_NEAR(c0.Y, se.Y, 1e-12);
        EXPECT_NEAR(c0.M, se.M, 1e-14);
    }
}

TEST(RayTrace, AsphericIntersectionLiesOnTheSagAndObeysSnell) {
    const double c = 1 / 40.0, k = -1.3, a4 = 2e-6, a6 = -3e-9, n = 1.6;
    Model m = system({{"A", 40, 100, n, 0, 100, k, a4, a6}});
    for (const RayPoint& in : {parallel(0, 10), oblique(2, -6, 0.03, 0.12)}) {
        trace(m, in);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        const RayPoint& p = m.trace.surfray[0];
        const RayPoint& d = m.trace.surfray[1];
        const double r2 = p.X * p.X + p.Y * p.Y;
        const double q = 1 - (1 + k) * c * c * r2;
        EXPECT_NEAR(p.Z, c * r2 / (1 + std::sqrt(q)) + a4 * r2 * r2 + a6 * r2 * r2 * r2, 1e-10);
        // normal from the derivative of the sag; tangential components of n·direction agree
        const double o = c / std::sqrt(q) + 4 * a4 * r2 + 6 * a6 * r2 * r2;
        double nv[3] = {-p.X * o, -p.Y * o, 1};
        const double len = std::sqrt(nv[0] * nv[0] + nv[1] * nv[1] + 1);
        for (double& v : nv) v /= len;
        const double din[3] = {in.L, in.M, in.N}, dout[3] = {d.L, d.M, d.N};
        for (int a = 0; a < 3; ++a) {
            const int b = (a + 1) % 3, e = (a + 2) % 3;
            const double crossin = din[b] * nv[e] - din[e] * nv[b];
            const double crossout = dout[b] * nv[e] - dout[e] * nv[b];
            EXPECT_NEAR(crossin, n * crossout, 1e-9);
        }
    }
}

TEST(RayTrace, FresnelSurfaceStaysOnItsPlaneAndBendsLikeTheCurve) {
    Model m = system({{"F", 50, 150, 1.5, 0, 100}});
    trace(m, parallel(0, 10));
    ASSERT_FALSE(m.calcerror);
    EXPECT_DOUBLE_EQ(m.trace.surfray[0].Z, 0);
    EXPECT_NEAR(m.trace.surfray[1].M, -0.0675748, 5e-8);
    EXPECT_NEAR(m.trace.surfray[1].N, 0.9977142, 5e-8);
}

TEST(RayTrace, EveryFailureHasItsMessageHardAndIsSoftWhenVignetting) {
    const double s60 = std::sin(M_PI / 3);
    struct Case {
        SampleSurface s;
        double n0;
        RayPoint ray;
        const char* msg;
    };
    const Case cases[] = {
        {sphere50, 1, RayPoint{0, 1, 0, 1, 0, 0}, "Z direction vector must be different from zero"},
        {{"M", 50, 100, 1.5, 0, 100}, 1, parallel(0, 1), "Invalid surface type"},
        {sphere50, 1, parallel(0, 60), "Error in ray transfer to spherical surface"},
        {{"E", 50, 100, 1.5, 0, 100, 0.5}, 1, parallel(0, 60), "Error in ray transfer to conical surface"},
        {{"A", 50, 100, 1.5, 0, 100}, 1, parallel(0, 60), "Error in ray transfer to aspherical surface"},
        {{"F", 50, 100, 1.5, 0, 100}, 1, parallel(0, 60), "Error in ray transfer to Fresnel surface"},
        {{"S", 0, 100, 1, 0, 100}, 1.5, oblique(0, 0, 0, s60), "Error in ray refraction on spherical surface"},
        {{"E", 0, 100, 1, 0, 100}, 1.5, oblique(0, 0, 0, s60), "Error in ray refraction on conical surface"},
        {{"A", 0, 100, 1, 0, 100, 0, 1e-9}, 1.5, oblique(0, 0, 0, s60),
         "Error in ray refraction on aspherical surface"},
        {{"F", 0, 100, 1, 0, 100}, 1.5, oblique(0, 0, 0, s60), "Error in ray refraction on Fresnel surface"},
    };
    for (const Case& c : cases) {
        Model m = system({c.s}, c.n0);
        const TracedRay hard = traced(m, c.ray);
        EXPECT_TRUE(m.calcerror) << c.msg;
        EXPECT_EQ(m.errmsg, c.msg);
        EXPECT_EQ(hard.status, RayStatus::failed) << c.msg;
        EXPECT_STREQ(hard.message, c.msg) << c.msg;

        Model v = system({c.s}, c.n0);
        TraceOpts o;
        o.vignetting = true;
        const TracedRay soft = traced(v, c.ray, o);
        EXPECT_FALSE(v.calcerror) << c.msg;
        EXPECT_EQ(soft.status, RayStatus::failed) << c.msg;
    }
}

TEST(RayTrace, RayRunningBackwardsAtAPlaneFailsHardWithoutMessage) {
    for (bool vignetting : {false, true}) {
        Model m = system({{"S", 0, 100, 1.5, 0, 100}});
        TraceOpts o;
        o.vignetting = vignetting;
        trace(m, RayPoint{0, 0, 0, 0, std::sqrt(0.75), -0.5}, o);
        EXPECT_TRUE(m.calcerror);
        EXPECT_EQ(m.errmsg, "");
    }
}

TEST(RayTrace, ClearApertureGivesStatusTwoOnlyWhenVignetting) {
    Model m = system({{"S", 50, 150, 1.5, 0, 5}});
    TraceOpts o;
    o.vignetting = true;
    const TracedRay high = traced(m, parallel(0, 10), o);
    EXPECT_EQ(high.status, RayStatus::vignetted);
    EXPECT_EQ(high.surface, 0);
    EXPECT_FALSE(m.calcerror);
    EXPECT_EQ(traced(m, parallel(0, 4), o).status, RayStatus::passed);
    const TracedRay free = traced(m, parallel(0, 10));
    EXPECT_EQ(free.status, RayStatus::passed);
    EXPECT_NEAR(free.end.Z, 0, 1e-12);   // reached the image plane

    // behind a mirror (negative front index) the clear aperture is not tested
    Model mir = system({{"SM", 0, -20, -1, 0, 100}, {"S", 0, -20, -1, 0, 1}});
    EXPECT_EQ(traced(mir, parallel(0, 10), o).status, RayStatus::passed);
}

TEST(RayTrace, AxialPathIsTheSumOfOpticalThicknessesAndRayOneSetsTheStop) {
    Model m = doublegauss();
    ssetq(m);
    TraceOpts o;
    o.pathB = true;
    for (int w = 0; w < 3; ++w) {
        trace(m, parallel(0, 0), o, 1, w);
        double sum = 0;
        for (int i = 1; i <= m.lens.nsurf; ++i) sum += std::fabs(m.lens.sys.sp.index[i][w]) * m.lens.sys.sp.sep[i];
        EXPECT_NEAR(m.trace.opl[w], sum, 1e-10);
    }
    const OpticalSystem before = m.lens;
    trace(m, parallel(0, 9), o, 1, 0);
    const int s = m.lens.stopsurf - 1;
    const double height = m.trace.surfray[s].Y;
    EXPECT_DOUBLE_EQ(m.trace.stopheight, height);
    EXPECT_DOUBLE_EQ(m.trace.clear.stop, std::fabs(height));
    trace(m, parallel(0, 5), o, 2, 0);   // another ray leaves the stop alone
    EXPECT_DOUBLE_EQ(m.trace.clear.stop, std::fabs(height));
    EXPECT_TRUE(m.lens == before);       // the trace only reads the lens
    // the owner of the lens stores the radius, once
    applyclearradii(m.lens, m.trace);
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.hmax[s], std::fabs(height));
    EXPECT_LT(m.trace.clear.stop, 0);
    m.lens.sys.sp.hmax[s] = 7;
    applyclearradii(m.lens, m.trace);
    EXPECT_EQ(m.lens.sys.sp.hmax[s], 7);
}

// The stop radius that ray 1 found limits the vignetting of the rays traced after it before
// it is stored in the lens: rays through a stop of 40 mm are vignetted above the axial beam.
TEST(RayTrace, VignettingCountsTheStopRadiusFoundBeforeItIsStored) {
    Model m = doublegauss();
    ssetq(m);
    const int s = m.lens.stopsurf - 1;
    TraceOpts path, vig;
    path.pathB = true;
    vig.vignetting = true;
    trace(m, parallel(0, 9), path, 1, 0);
    const double stop = m.trace.clear.stop;
    ASSERT_GT(stop, 0);
    ASSERT_GT(m.lens.sys.sp.hmax[s], 2 * stop);   // the lens's own stop lets much more through
    // a parallel ray meets the stop in proportion to its height (paraxially)
    const TracedRay inside = traced(m, parallel(0, 9 * 0.9), vig, 2, 0);
    const TracedRay outside = traced(m, parallel(0, 9 * 1.1), vig, 2, 0);
    EXPECT_EQ(inside.status, RayStatus::passed);
    EXPECT_EQ(outside.status, RayStatus::vignetted);
    EXPECT_EQ(outside.surface, s);
    // a context prepared again (another lens) forgets it
    preparetrace(m.lens, m.trace);
    EXPECT_EQ(traced(m, parallel(0, 9 * 1.1), vig, 2, 0).status, RayStatus::passed);
}

TEST(RayTrace, ImagePlaneStepOfAPerfectFocus) {
    // all rays of the ellipsoid meet at its focus: with the focus as reference image point
    // and the axial path as reference, every ray has the same optical path
    Model m = system({{"E", 50, 150, 1.5, 0.01, 100, -1 / 2.25}});
    TraceOpts o;
    o.pathB = true;
    const RayPoint focus = trace(m, parallel(0, 0), o, 2, 0, 3);
    EXPECT_NEAR(m.trace.clear.image, 0, 1e-15);   // the chief ray sets the image clear radius
    m.trace.oplref[0] = m.trace.opl[0];
    m.trace.conradyref = m.trace.conrady;
    m.trace.refimage = focus;
    for (double h : {4.0, 11.0, 18.0}) {
        const RayPoint e = trace(m, parallel(0, h), o, 3, 0, 2);
        EXPECT_NEAR(m.trace.opd[0], 0, 1e-9) << h;
        // the Conrady sum follows the geometric path in the glass
        const RayPoint& p = m.trace.surfray[0];
        const double inglass = std::hypot(e.X - p.X, e.Y - p.Y, e.Z + 150 - p.Z);
        EXPECT_NEAR(m.trace.conrady, 0.01 * inglass, 1e-9);
        EXPECT_NEAR(m.trace.conradydiff, m.trace.conradyref - m.trace.conrady, 1e-15);
    }
    // a telescope takes the clear radius of the image plane from ray 1
    m.lens.systype = 4;
    m.trace.clear.image = -1;
    trace(m, parallel(0, 0.5), o, 2, 0, 2);
    EXPECT_LT(m.trace.clear.image, 0);
    const RayPoint one = trace(m, parallel(0, 0.5), o, 1, 0, 2);
    EXPECT_NEAR(m.trace.clear.image, 1.01 * std::fabs(one.Y), 1e-15);
    applyclearradii(m.lens, m.trace);
    EXPECT_NEAR(m.lens.sys.sp.hmax[1], 1.01 * std::fabs(one.Y), 1e-15);
}

double dist(const RayPoint& a, const RayPoint& b) {
    return std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) + (a.Z - b.Z) * (a.Z - b.Z));
}

class Statistics : public ::testing::Test {
protected:
    void SetUp() override {
        m = doublegauss();
        ssetq(m);
        clearstatistics(m.trace);
        o.statistics = true;
    }
    // Traces a ray of the scheme's number k and kind and enters its merit conditions into
    // the model's merit list as the aberration pass does.
    RayPoint enter(const RayPoint& start, int k, int w, int kind = 0) {
        const TracedRay t = traced(m, start, o, k, w, kind);
        meritentries(m, m.merit, t, k, kind, w);
        return t.end;
    }
    Model m;
    TraceOpts o;
};

TEST_F(Statistics, MinimumPathsAndMaximumHeightsOverTheRays) {
    const int ns = m.lens.nsurf;
    std::vector<double> minp(ns + 1, 1e30), maxh(ns + 1, 0);
    std::vector<int> minr(ns + 1), maxr(ns + 1);
    const RayPoint rays[] = {parallel(0, 0), parallel(0, 15), parallel(0, -15), oblique(0, -7, 0, 0.17),
                             oblique(8, 3, 0.1, 0.0)};
    for (int k = 0; k < 5; ++k) {
        trace(m, rays[k], o, k + 2);
        ASSERT_FALSE(m.calcerror);
        // the path to each surface is the straight distance from the previous point
        RayPoint prev = rays[k];
        for (int i = 0; i <= ns; ++i) {
            const RayPoint& p = m.trace.surfray[i];
            RayPoint prevlocal = prev;
            prevlocal.Z = prev.Z - m.lens.sys.sp.sep[i];
            const double d = dist(p, prevlocal);
            if (d < minp[i]) minp[i] = d, minr[i] = k + 2;
            if (std::fabs(p.Y) > maxh[i]) maxh[i] = std::fabs(p.Y), maxr[i] = k + 2;
            prev = p;
        }
    }
    for (int i = 0; i <= ns; ++i) {
        EXPECT_NEAR(m.trace.minpath[i], minp[i], 1e-9) << i;
        EXPECT_EQ(m.trace.minpathray[i], minr[i]) << i;
        EXPECT_NEAR(m.trace.maxheight[i], maxh[i], 1e-12) << i;
        EXPECT_EQ(m.trace.maxheightray[i], maxr[i]) << i;
    }
}

TEST_F(Statistics, ChiefRayWritesPrincipalRayEntries) {
    m.targypr = 0.5;
    m.targmpr = 0.1;
    const RayPoint e = enter(oblique(0, -7, 0, 0.17), 4, 0, 3);
    ASSERT_FALSE(m.calcerror);
    const double ys = m.trace.surfray[m.lens.stopsurf - 1].Y;
    EXPECT_DOUBLE_EQ(m.trace.ypr, ys);
    EXPECT_DOUBLE_EQ(m.merit.value[2], ys - 0.5);
    EXPECT_DOUBLE_EQ(m.trace.mpr, e.M);
    EXPECT_DOUBLE_EQ(m.merit.value[3], e.M - 0.1);
    m.merit.value[2] = 0;
    enter(oblique(0, -2, 0, 0.17), 5, 0, 4);
    EXPECT_EQ(m.merit.value[2], 0);   // only chief rays write them
}

TEST_F(Statistics, BoundaryConditionsOfTheTracedRayGoIntoTheMeritList) {
    const size_t nab = static_cast<size_t>(m.lens.naber);
    m.merit.bc = {{1, 4, 3, 1.0}, {2, 4, 5, 10.0}, {1, 7, 2, 1.0}, {2, 4, 8, 3.0}};
    m.merit.value.resize(nab + 3);   // room for three rows only: the fourth must not be written
    m.merit.name.resize(nab + 3);
    m.lens.dimweight = 7;
    const OpticalSystem before = m.lens;
    const RayPoint ray = oblique(0, -9, 0, 0.17);
    enter(ray, 4, 0);
    ASSERT_FALSE(m.calcerror);
    EXPECT_TRUE(m.lens == before);   // the merit list is no part of the lens
    const RayPoint p2 = m.trace.surfray[2], p3 = m.trace.surfray[3];
    RayPoint p2local = p2;
    p2local.Z -= m.lens.sys.sp.sep[3];
    const double edge = dist(p3, p2local) - 1.0;
    const double clear = std::fabs(m.trace.surfray[5].Y) - 10.0;
    EXPECT_NEAR(m.merit.value[nab], edge, 1e-9);
    EXPECT_EQ(m.merit.name[nab], "Edge thickness dev.  ");
    EXPECT_NEAR(m.merit.value[nab + 1], clear, 1e-12);
    EXPECT_EQ(m.merit.name[nab + 1], "Clear radius deviat.");
    EXPECT_EQ(m.merit.value[nab + 2], 0);   // row of another ray

    // other wavelengths replace a value only by a smaller one
    m.merit.value[nab] = -100;
    m.merit.value[nab + 1] = 100;
    enter(ray, 4, 1);
    EXPECT_EQ(m.merit.value[nab], -100);
    EXPECT_LT(m.merit.value[nab + 1], 100);
    EXPECT_NEAR(m.merit.value[nab + 1], std::fabs(m.trace.surfray[5].Y) - 10.0, 1e-12);
}

TEST(RayTrace, ReferenceSphereOfAPerfectFocusGivesNoPathDifference) {
    Model m = system({{"E", 50, 150, 1.5, 0, 100, -1 / 2.25}});
    m.trace.pupillimit = 0;   // exit pupil at the surface vertex
    TraceOpts o;
    o.refsphere = true;
    trace(m, parallel(0, 0), o, 2, 0, 3);
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(m.trace.refradius, 150, 1e-9);
    m.trace.oplref[0] = m.trace.opl[0];
    for (double h : {3.0, 9.0, 16.0}) {
        trace(m, parallel(0, h), o, 3, 0, 2);
        EXPECT_NEAR(m.trace.opd[0], 0, 1e-9) << h;
        // the exit pupil plane is the vertex plane: the refracted ray carried back to z = 0
        const RayPoint &p = m.trace.surfray[0], &d = m.trace.surfray[1];
        EXPECT_NEAR(m.trace.Ye, p.Y - d.M * p.Z / d.N, 1e-12);
    }
    // a sphere of the same vertex radius has spherical aberration: the marginal path is shorter
    Model s = system({{"S", 50, 150, 1.5, 0, 100}});
    s.trace.pupillimit = 0;
    trace(s, parallel(0, 0), o, 2, 0, 3);
    s.trace.oplref[0] = s.trace.opl[0];
    trace(s, parallel(0, 16), o, 3, 0, 2);
    EXPECT_GT(std::fabs(s.trace.opd[0]), 1e-4);
}

TEST(RayTrace, RayMissingTheReferenceSphereFailsInsteadOfKeepingTheLastPathDifference) {
    // Perfect focus 150 behind the vertex, exit pupil plane 140 behind it: the sphere has a
    // radius of 10 about the axial focus. A ray through the vertex at 10 degrees runs on at
    // asin(sin 10 / 1.5) = 6.65 degrees and passes the focus 150 sin 6.65 = 17.4 away.
    const RayPoint missing = oblique(0, 0, 0, std::sin(10 * M_PI / 180));
    for (bool vignetting : {false, true}) {
        Model m = system({{"E", 50, 150, 1.5, 0, 100, -1 / 2.25}});
        m.trace.pupillimit = 140;
        TraceOpts o;
        o.refsphere = true;
        o.vignetting = vignetting;
        trace(m, parallel(0, 0), o, 2, 0, 3);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        ASSERT_NEAR(m.trace.refradius, 10, 1e-9);
        m.trace.oplref[0] = m.trace.opl[0];
        trace(m, parallel(0, 3), o, 3, 0, 2);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        EXPECT_NEAR(m.trace.opd[0], 0, 1e-9);
        EXPECT_EQ(traced(m, missing, o, 3, 0, 2).status, RayStatus::failed);
        EXPECT_EQ(m.calcerror, !vignetting);
        EXPECT_EQ(m.errmsg, vignetting ? "" : "Error in ray transfer to reference sphere");
    }
}

// Tangential and sagittal focal distances from neighbour rays, measured along the refracted
// chief ray from its last surface point.
void focalbydifferences(Model& m, const RayPoint& chief, double& xm, double& xs) {
    const int last = m.lens.nsurf - 1;
    auto final = [&](const RayPoint& in, RayPoint& p, RayPoint& d) {
        trace(m, in);
        p = m.trace.surfray[last];
        d = m.trace.surfray[m.lens.nsurf];
    };
    RayPoint p0, d0;
    final(chief, p0, d0);
    const double h = 1e-5;
    double sm = 0, ss = 0;
    for (double sgn : {-1.0, 1.0}) {
        RayPoint t = chief, s = chief, p, d;
        t.Y += sgn * h;
        final(t, p, d);
        // crossing of the two meridional lines (y, z)
        const double det = d0.M * -d.N + d.M * d0.N;
        const double u0 = ((p.Y - p0.Y) * -d.N + d.M * (p.Z - p0.Z)) / det;
        sm += u0 / 2;
        s.X += sgn * h;
        final(s, p, d);
        const double u = -p.X / d.L;
        const double qx = p.X + u * d.L, qy = p.Y + u * d.M, qz = p.Z + u * d.N;
        ss += ((qx - p0.X) * d0.L + (qy - p0.Y) * d0.M + (qz - p0.Z) * d0.N) / 2;
    }
    xm = sm;
    xs = ss;
}

TEST(RayTrace, FocalDistancesAlongTheChiefRayAgreeWithNeighbourRays) {
    struct Case {
        const char* name;
        Model m;
        RayPoint chief;
    };
    Model dg = doublegauss();
    ssetq(dg);
    std::vector<Case> cases;
    cases.push_back({"sphere", system({sphere50}), oblique(0, 3, 0, std::sin(0.17))});
    cases.push_back({"ellipsoid", system({{"E", 50, 150, 1.5, 0, 100, -0.6}}), oblique(0, 4, 0, 0.2)});
    cases.push_back({"asphere", system({{"A", 50, 150, 1.5, 0, 100, -0.6, 3e-6}}), oblique(0, 4, 0, 0.2)});
    cases.push_back({"double Gauss", dg, oblique(0, -7.12426, 0, 0.173648)});
    for (Case& c : cases) {
        double xm, xs;
        focalbydifferences(c.m, c.chief, xm, xs);
        TraceOpts o;
        o.focal = true;
        trace(c.m, c.chief, o, 2, 0, 3);
        ASSERT_FALSE(c.m.calcerror) << c.name;
        EXPECT_NEAR(c.m.trace.Xm, xm, 1e-4 * std::fabs(xm)) << c.name;
        EXPECT_NEAR(c.m.trace.Xs, xs, 1e-4 * std::fabs(xs)) << c.name;
    }
}

TEST(RayTrace, SchemeRayStartsFromTheSchemeAndRejectsImpossibleDirections) {
    Model m = system({sphere50});
    m.lens.rays.x[3] = 1;
    m.lens.rays.y[3] = 2;
    m.lens.rays.l[3] = 0.6;
    m.lens.rays.m[3] = 0;
    schemeray(m, 3, 0, 0, {});
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(m.trace.surfray[0].L, 0.6, 1e-15);
    EXPECT_NEAR(m.trace.surfray[0].N, 0.8, 1e-15);
    m.lens.rays.m[3] = 0.9;   // l² + m² > 1
    schemeray(m, 3, 0, 0, {});
    EXPECT_EQ(m.errmsg, "Z direction vector must be different from zero");
}

}  // namespace
}  // namespace zefo
