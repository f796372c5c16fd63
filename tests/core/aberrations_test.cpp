#include "core/analysis/aberrations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "aberrations_systems.h"
#include "core/report/report.h"
#include "core/model/lensfile.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"
#include "testutil.h"
#include "core/util/numfmt.h"

#include "alloccount.h"

namespace zefo {
namespace {

using test::Surf;
using test::makesystem;

int entry(const Model& m, int k) {
    // first list entry of ray k: the nine paraxial entries, then the rays before k
    int p = 9;
    const bool three = abermode(m).three;
    for (int j = 1; j < k; ++j) {
        const int kind = m.lens.rays.rl[static_cast<size_t>(j)] % 10;
        p += kind == 5 ? (three ? 6 : 3) : (kind >= 2 && kind <= 4) ? (three || kind == 3 ? 3 : 2) : 0;
    }
    return p;
}

// Exact trace through spherical surfaces by the intersection with the sphere about its
// centre and the vector form of Snell's law; returns the height on the plane at distance
// zimage behind the last surface.
double directtrace(const Model& m, int k, int w, double zimage) {
    const auto& sp = m.lens.sys.sp;
    const size_t uk = static_cast<size_t>(k);
    double p[3] = {m.lens.rays.x[uk], m.lens.rays.y[uk], 0};
    double v[3] = {m.lens.rays.l[uk], m.lens.rays.m[uk], 0};
    v[2] = std::sqrt(1 - v[0] * v[0] - v[1] * v[1]);
    double z0 = 0;   // position of the current frame's vertex in global z
    double zs = 0;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        const size_t u = static_cast<size_t>(i);
        zs += sp.sep[u];
        const double c = sp.curv[u];
        double t;
        double nrm[3];
        if (c == 0) {
            t = (zs - p[2]) / v[2];
            for (int j = 0; j < 3; ++j) p[j] += t * v[j];
            nrm[0] = nrm[1] = 0;
            nrm[2] = 1;
        } else {
            const double R = 1 / c;
            const double q[3] = {p[0], p[1], p[2] - (zs + R)};   // from the centre
            const double b = q[0] * v[0] + q[1] * v[1] + q[2] * v[2];
            const double cc = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] - R * R;
            const double disc = std::sqrt(b * b - cc);
            t = R > 0 ? -b - disc : -b + disc;   // the intersection near the vertex
            for (int j = 0; j < 3; ++j) p[j] += t * v[j];
            nrm[0] = -p[0] * c;
            nrm[1] = -p[1] * c;
            nrm[2] = -(p[2] - zs - R) * c;   // unit normal pointing along +z at the vertex
        }
        const double n1 = sp.index[u][static_cast<size_t>(w)], n2 = sp.index[u + 1][static_cast<size_t>(w)];
        const double cosi = v[0] * nrm[0] + v[1] * nrm[1] + v[2] * nrm[2];
        const double mu = n1 / n2;
        const double cosr = std::sqrt(1 - mu * mu * (1 - cosi * cosi));
        for (int j = 0; j < 3; ++j) v[j] = mu * v[j] + (cosr - mu * cosi) * nrm[j];
        z0 = zs;
    }
    const double t = (z0 + zimage - p[2]) / v[2];
    return p[1] + t * v[1];
}

// Paraxial back focus of the two-surface singlet at the first wavelength:
// n'u' = nu - yc(n' - n), y' = y + d u'.
double paraxialfocus(const Model& m, double y) {
    const auto& sp = m.lens.sys.sp;
    double u = 0, n = sp.index[0][0];
    for (int i = 0; i < m.lens.nsurf; ++i) {
        const size_t s = static_cast<size_t>(i);
        const double np = sp.index[s + 1][0];
        if (i > 0) y += sp.sep[s] * u;
        u = (n * u - y * sp.curv[s] * (np - n)) / np;
        n = np;
    }
    return -y / u;
}

TEST(AberrationsTest, MarginalSphericalAberrationMatchesDirectTrace) {
    Model m = test::aimedlens1(0);
    const double focus = paraxialfocus(m, m.lens.rays.y[1]);
    ASSERT_NEAR(m.lens.sys.sp.sep[static_cast<size_t>(m.lens.nsurf)], focus, 1e-9);
    AberTable table;
    aberrations(m, m.merit, false, &table);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    Report r;
    abertablelines(table, r);
    const double sa = directtrace(m, 1, 0, focus);
    EXPECT_NEAR(m.merit.value[9], sa, 1e-9);
    EXPECT_EQ(m.merit.name[9], "Spherical aberration ");
    // the report row of ray 1: 10 spaces, M, 11 spaces, then the aberration as F(10.6)
    const std::string& row = r.lines()[3];
    EXPECT_EQ(row.substr(31, 10), fmtf(sa, 10, 6)) << row;

    Model m3 = test::aimedlens1(1);
    aberrations(m3, m3.merit, false, nullptr);
    ASSERT_FALSE(m3.calcerror) << m3.errmsg;
    for (int w = 0; w < 3; ++w)
        EXPECT_NEAR(m3.merit.value[static_cast<size_t>(9 + w)], directtrace(m3, 1, w, focus), 1e-9) << w;
}

TEST(AberrationsTest, OnlyRayZeroGivesTheNineParaxialEntries) {
    Model m = makesystem({{0.02, 0, 1}, {-0.02, 5, 1.5, 0.008, "BK7"}, {0, 40, 1}}, 1, {1});
    m.lens.rays.y[0] = 5;
    m.lens.rays.m[0] = 0.05;
    m.first.pxslope = -0.12;
    m.first.pxheight = 4.9;
    m.lens.na = 0.1;
    m.targheight = 1;
    m.targthrow = 10;
    m.lens.targdst = 2;
    m.lens.targdsistot = 3;
    m.lens.targdopsis = 4;
    m.lens.defocus = 0.25;
    aberrations(m, m.merit, false, nullptr);
    ASSERT_FALSE(m.calcerror);
    ASSERT_EQ(m.merit.count, 9);
    ASSERT_EQ(m.lens.nfields, 1);
    const char* names[9] = {"Paraxial ray angle   ", "Paraxial ray height  ", "Principal ray height ",
                            "Principal ray angle  ", "Object-image distance", "Glass thickness      ",
                            "Optical system lenght", "F-L surface thickness", "Defocus              "};
    const double values[9] = {-0.12 + 0.1, 4.9 - 1, 0, 0, 0 + 5 / 0.05 + 45 - 10, 5 - 2, 45 - 3, 5 - 4, 0.25};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(m.merit.name[i], names[i]);
        EXPECT_EQ(m.merit.name[i].size(), 21u);
        EXPECT_NEAR(m.merit.value[i], values[i], 1e-12) << i;
    }
}

TEST(AberrationsTest, ListLengthFollowsTheRayLabels) {
    struct Case { int nfields; bool full; uint8_t systype; };
    for (const Case& cs : {Case{2, true, 0}, Case{2, true, 1}, Case{3, true, 0}, Case{3, true, 1},
                           Case{4, false, 0}, Case{4, false, 1}, Case{4, true, 0}, Case{4, true, 1}}) {
        Model m;
        m.lens.nrays = static_cast<uint8_t>(nraysfor(cs.nfields, cs.full));
        m.lens.nfields = static_cast<uint8_t>(cs.nfields);
        m.lens.systype = cs.systype;
        allocsystem(m);
        for (int f = 1; f < cs.nfields; ++f) m.lens.field[static_cast<size_t>(f)] = f;
        initstdrays(m);
        EXPECT_EQ(aberlistsize(m), naberfor(m.lens.nrays, cs.systype == 1)) << int(m.lens.nrays);
    }
    // A scheme of unusual labels: the list grows to what the labels give, no further.
    Model m = makesystem({{0.02, 0, 1}, {-0.02, 5, 1.5}, {0, 45, 1}}, 1, {1, 12, 5, 5, 1});
    m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
    EXPECT_EQ(aberlistsize(m), 9 + 2 + 3 + 3);
    m.lens.systype = 1;
    m.lens.wl = {0.0005876, 0.0006563, 0.0004861};
    EXPECT_EQ(aberlistsize(m), 9 + 3 + 6 + 6);
}

// Three wavelengths: entries in ray order, per ray and wavelength, names and lengths fixed.
TEST(AberrationsTest, ThreeWavelengthEntriesInRayOrder) {
    Model m = test::aimedlens1(1);
    m.merit.value.clear();
    m.merit.name.clear();
    aberrations(m, m.merit, false, nullptr);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_EQ(m.merit.count, 27);
    ASSERT_EQ(m.merit.value.size(), 27u);
    const char* expect[18] = {
        "Spherical aberration ", "Spherical aberration ", "Spherical aberration ",
        "Sagital focal        ", "Tangencial focal     ", "Distorsion           ",
        "Spherical aberration ", "Spherical aberration ", "Spherical aberration ",
        "Spherical aberration ", "Spherical aberration ", "Spherical aberration ",
        "Skew image height x  ", "Skew image height y  ", "Skew image height x  ",
        "Skew image height y  ", "Skew image height x  ", "Skew image height y  "};
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(m.merit.name[9 + i], expect[i]) << i;
    EXPECT_EQ(m.lens.nfields, 2);
}

TEST(AberrationsTest, ConradyNamesDependOnEqualWavelengths) {
    Model m = test::aimedlens1(0);
    aberrations(m, m.merit, false, nullptr);
    EXPECT_EQ(m.merit.name[10], "Conrady color axial  ");
    EXPECT_EQ(m.merit.name[20], "Conrady color skew   ");
    m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
    aberrations(m, m.merit, false, nullptr);
    EXPECT_EQ(m.merit.name[10], "Optical path differ. ");
    EXPECT_EQ(m.merit.name[20], "Optical path differ. ");
    m.lens.systype = 1;   // three equal wavelengths: the one-wavelength calculation
    aberrations(m, m.merit, false, nullptr);
    EXPECT_EQ(m.merit.count, 21);
}

// A chief ray whose paraxial image height is 0 has no distortion: its three entries hold
// the marker, not the values of the field before it.
TEST(AberrationsTest, UncomputableChiefRayGivesTheMarker) {
    for (bool statistics : {false, true}) {
        Model m = test::aimedlens1(0);
        m.lens.rays.rl[4] = 13;   // a second chief ray on the axis
        m.lens.rays.x[4] = m.lens.rays.y[4] = m.lens.rays.l[4] = m.lens.rays.m[4] = 0;
        aberrations(m, m.merit, statistics, nullptr);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        const int p2 = entry(m, 2), p4 = entry(m, 4);
        EXPECT_NE(m.merit.value[static_cast<size_t>(p2 + 2)], abermarker);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(m.merit.value[static_cast<size_t>(p4 + i)], abermarker) << i;
        EXPECT_EQ(m.lens.nfields, 3);
    }
}

// The neighbours of a chief ray through a plate stay parallel to it: no focus, neither by
// finite differences nor by the differential rays of the merit function.
TEST(AberrationsTest, ParallelNeighbourGivesTheMarker) {
    for (bool statistics : {false, true}) {
        Model m = makesystem({{0, 0, 1}, {0, 5, 1.5, 0.008, "BK7"}, {0, 20, 1}}, 1, {1, 12, 13});
        m.lens.rays.y[0] = m.lens.rays.y[1] = 5;
        m.lens.rays.m[2] = 0.1;
        m.lens.rays.y[2] = 0;
        aberrations(m, m.merit, statistics, nullptr);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(m.merit.value[static_cast<size_t>(11 + i)], abermarker) << i;
    }
}

// The differential-ray equations fail instead of dividing by zero.
TEST(AberrationsTest, CoddingtonGuardsItsDivisions) {
    Model m = test::aimedlens1(0);
    const RayPoint chief =
        schemeray(m, 2, m.lens.rays.rl[2] % 10, 0, TraceOpts{false, false, false, true, false, false}).end;
    ASSERT_FALSE(m.calcerror);
    double Xm = 0, Xs = 0;
    ASSERT_TRUE(chieffoci(m, 2, chief, false, true, Xm, Xs));
    m.trace.statcosi[1] = 0;   // grazing incidence
    EXPECT_FALSE(chieffoci(m, 2, chief, false, true, Xm, Xs));
    m.trace.statcosi[1] = 1e-3;   // total reflection of the differential rays
    m.lens.mu[1][0] = 2;
    EXPECT_FALSE(chieffoci(m, 2, chief, false, true, Xm, Xs));
}

// The merit function's foci (differential rays) and the report's (finite differences) describe
// the same astigmatic foci of a meridional chief ray.
TEST(AberrationsTest, CoddingtonAgreesWithFiniteDifferences) {
    Model m = test::aimedlens1(0);
    aberrations(m, m.merit, false, nullptr);
    ASSERT_FALSE(m.calcerror);
    const double Xs = m.merit.value[11], Xm = m.merit.value[12], dist = m.merit.value[13];
    ASSERT_NE(Xs, abermarker);
    ASSERT_GT(std::fabs(Xs - Xm), 0.1);   // a real astigmatism to compare
    aberrations(m, m.merit, true, nullptr);
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(m.merit.value[11], Xs, 2e-3 * std::fabs(Xs) + 1e-3);
    EXPECT_NEAR(m.merit.value[12], Xm, 2e-3 * std::fabs(Xm) + 1e-3);
    EXPECT_NEAR(m.merit.value[13], dist / 100, 1e-12);   // the fraction instead of the percent
}

TEST(AberrationsTest, MeritPassAllocatesNothing) {
    for (uint8_t systype : {0, 1}) {
        Model m = test::aimedlens1(systype);
        aberrations(m, m.merit, true, nullptr);   // the first pass sizes the list and names
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        const long before = test::allocationcount();
        for (int i = 0; i < 3; ++i) aberrations(m, m.merit, true, nullptr);
        EXPECT_EQ(test::allocationcount(), before) << int(systype);
        EXPECT_FALSE(m.calcerror);
    }
}

}  // namespace
}  // namespace zefo
