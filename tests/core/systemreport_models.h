// Optical systems built in memory for the report tests.
#pragma once

#include <cmath>
#include <vector>

#include "core/analysis/systemreport.h"
#include "core/model/lensfile.h"
#include "core/model/model.h"
#include "testutil.h"

namespace zefo::test {

// The head of the expected report texts: the file path is filled in where it is known.
inline const ReportHead kReportHead{"@FILE@", "10.12.2026"};

// The singlet of lens1.dat.
inline Model lens1model() {
    Model m;
    const std::string err = loadlensfile(datafile("lens1.dat"), m);
    if (!err.empty()) m.lens.sysname = "unreadable lens1.dat: " + err;
    return m;
}

// One surface row: radius, separation in front, glass, indices, dispersion, clear radius,
// label and conic / aspheric data.
struct SurfaceRow {
    double radius, sep;
    const char* glass;
    Index3 index;
    double disp, hmax;
    const char* label;
    double eps = 0, a4 = 0, a6 = 0;
};

// An objective of the given surfaces (the last row is the image plane), object at
// infinity, NA 0.1, stop on surface 1, six rays of the standard scheme with a 3 degree field.
inline Model objectivemodel(const char* name, const std::vector<SurfaceRow>& rows) {
    Model m;
    m.lens.sysname = name;
    m.lens.nsurf = static_cast<int32_t>(rows.size()) - 1;
    m.lens.stopsurf = 1;
    m.lens.nrays = 6;
    m.lens.naber = 21;
    m.lens.systype = 0;
    m.lens.raytype = 20;
    m.lens.nfields = 2;
    m.lens.anglesurf = static_cast<uint8_t>(m.lens.nsurf);
    m.lens.radiiflag = 'D';
    m.lens.asphdata = 'D';
    m.lens.na = 0.1;
    allocsystem(m);
    auto& sp = m.lens.sys.sp;
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        sp.radius[i] = r.radius;
        sp.curv[i] = r.radius != 0 ? 1.0 / r.radius : 0.0;
        sp.sep[i] = r.sep;
        sp.glass[i] = r.glass;
        sp.index[i] = r.index;
        sp.disp[i] = r.disp;
        sp.hmax[i] = r.hmax;
        sp.surflabel[i] = r.label;
        m.lens.sys.asf.eps[i] = r.eps;
        m.lens.sys.asf.a4[i] = r.a4;
        m.lens.sys.asf.a6[i] = r.a6;
        m.lens.radmin[i] = m.lens.radmax[i] = r.radius;
        m.lens.sepmin[i] = m.lens.sepmax[i] = r.sep;
        if (r.label[0] != 'S') ++m.lens.asphflag;
    }
    for (auto& w : m.lens.aberweight) w = 1.0;
    m.lens.field = {0.0, 3.0};
    m.lens.rays.rl = {1, 12, 13, 14, 14, 5};
    m.lens.rays.yrel = {1.0, 1.0, 3.0, 0.0, 0.0, 0.0};
    preparetrace(m.lens, m.trace);   // the labels are set
    return m;
}

constexpr Index3 kAir{1.0, 1.0, 1.0};
constexpr Index3 kF2{1.62004, 1.61503, 1.63208};

// A cemented doublet (aspheric front) followed by a plano-convex lens whose plane back
// surface is a Fresnel surface; the front of the second lens is a paraboloid.
inline Model doubletmodel() {
    return objectivemodel("DUBLET", {
        {61.07, 0.0, "air", kAir, 0.0, 12.5, "A", 0.5, -1e-6, 2e-9},
        {-44.2, 6.0, "BK7", kBK7, 0.00806, 12.5, "S"},
        {-129.0, 2.5, "F2", kF2, 0.01705, 12.5, "S"},
        {100.0, 2.0, "air", kAir, 0.0, 12.0, "E", -1.0},
        {0.0, 4.0, "BK7", kBK7, 0.00806, 12.0, "F", -2.0},
        {0.0, 50.0, "air", kAir, 0.0, 10.0, "S"},
    });
}

// A Kepler telescope, object at infinity, entrance pupil radius 10, stop on surface 2 (so
// the entrance pupil position is asked for).
inline Model keplermodel() {
    Model m = objectivemodel("KEPLER", {
        {100.0, 0.0, "air", kAir, 0.0, 12.0, "S"},
        {-100.0, 4.0, "BK7", kBK7, 0.00806, 12.0, "S"},
        {25.0, 120.0, "air", kAir, 0.0, 8.0, "S"},
        {-25.0, 3.0, "BK7", kBK7, 0.00806, 8.0, "S"},
        {0.0, 20.0, "air", kAir, 0.0, 8.0, "S"},
    });
    m.lens.systype = 4;
    m.lens.objinf = 'D';
    m.lens.stopsurf = 2;
    m.lens.na = 0;
    m.lens.eph = 10;
    return m;
}

// The eye position of keplermodel() for an entrance pupil 10 mm behind the first vertex:
// that axial point imaged surface by surface with the Gaussian formula.
inline double keplereye() {
    const double radius[] = {100, -100, 25, -25}, thick[] = {4, 120, 3}, n[] = {1, 1.5168, 1, 1.5168, 1};
    double s = 10, sp = 0;
    for (int i = 0; i < 4; ++i) {
        sp = n[i + 1] / (n[i] / s + (n[i + 1] - n[i]) / radius[i]);
        if (i < 3) s = sp - thick[i];
    }
    return sp;
}

}  // namespace zefo::test
