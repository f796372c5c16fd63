// Small optical systems built in code for the aberration tests.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "core/model/lensfile.h"
#include "core/model/model.h"
#include "core/raytrace/rayscheme.h"
#include "testutil.h"

namespace zefo::test {

// One surface: curvature, separation in front of it, index of the medium in front of it
// (the same at the three wavelengths unless n3 is given), dispersion, glass, label.
struct Surf {
    double c;
    double d;
    double n;
    double disp = 0;
    std::string glass = "air";
    std::string label = "S";
    double hmax = 10;
    double n2 = 0, n3 = 0;   // indices at the second and third wavelength (0: n)
};

inline void setmu(Model& m) {
    for (size_t i = 0; i < static_cast<size_t>(m.lens.nsurf); ++i)
        for (size_t w = 0; w < 3; ++w) m.lens.mu[i][w] = m.lens.sys.sp.index[i][w] / m.lens.sys.sp.index[i + 1][w];
}

// A system from its surfaces (the last entry is the image plane) and a ray scheme of the
// given labels; mu is filled from the indices.
inline Model makesystem(const std::vector<Surf>& s, int stopsurf, const std::vector<int>& labels,
                        uint8_t systype = 0) {
    Model m;
    m.lens.nsurf = static_cast<int>(s.size()) - 1;
    m.lens.stopsurf = stopsurf;
    m.lens.nrays = static_cast<uint8_t>(labels.size());
    m.lens.systype = systype;
    m.lens.radiiflag = 'D';
    bool asph = false;
    for (const auto& x : s)
        if (x.label.find_first_of("EAF") != std::string::npos) asph = true;
    m.lens.asphdata = asph ? 'D' : 'N';
    allocsystem(m);
    for (size_t i = 0; i < s.size(); ++i) {
        auto& sp = m.lens.sys.sp;
        sp.curv[i] = s[i].c;
        sp.radius[i] = s[i].c != 0 ? 1 / s[i].c : 0;
        sp.sep[i] = s[i].d;
        sp.index[i] = {s[i].n, s[i].n2 != 0 ? s[i].n2 : s[i].n, s[i].n3 != 0 ? s[i].n3 : s[i].n};
        sp.disp[i] = s[i].disp;
        sp.glass[i] = s[i].glass;
        sp.surflabel[i] = s[i].label;
        sp.hmax[i] = s[i].hmax;
    }
    setmu(m);
    for (size_t k = 0; k < labels.size(); ++k) m.lens.rays.rl[k] = static_cast<uint8_t>(labels[k]);
    preparetrace(m.lens, m.trace);   // the labels are set
    return m;
}

// Completes a built system for the lens data file: merit list size, one field, mu.
inline void complete(Model& m, double field) {
    setmu(m);
    m.lens.naber = naberfor(m.lens.nrays, (m.lens.systype & 1) != 0);
    m.lens.nfields = 2;
    allocsystem(m);
    m.lens.field[1] = field;
    m.mono = ismono(m.lens);
}

inline constexpr double kPi = 3.14159265358979323846;

// A ray of the scheme: label, field value (chief rays), start point and slope cosine m.
struct Ray {
    int rl;
    double yrel, x, y, m;
};

inline void setrays(Model& m, const std::vector<Ray>& rays) {
    for (size_t k = 0; k < rays.size(); ++k) {
        m.lens.rays.rl[k] = static_cast<uint8_t>(rays[k].rl);
        m.lens.rays.yrel[k] = rays[k].yrel;
        m.lens.rays.x[k] = rays[k].x;
        m.lens.rays.y[k] = rays[k].y;
        m.lens.rays.m[k] = rays[k].m;
    }
}

inline void glass(Model& m, size_t i) {
    m.lens.sys.sp.index[i] = kBK7;
    m.lens.sys.sp.disp[i] = 0.00806;
    m.lens.sys.sp.glass[i] = "BK7";
}

// The singlet of lens1.dat with its standard ray scheme aimed as an objective, then read as
// the given system type.
inline Model aimedlens1(uint8_t systype) {
    Model m;
    EXPECT_EQ(loadlensfile(datafile("lens1.dat"), m), "");
    m.lens.systype = systype & 1;
    initstdrays(m);
    rayscheme(m);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    m.lens.systype = systype;
    return m;
}

// Singlet R 50 / -50, 5 mm BK7, stop on the lens, NA 0.1, field 5 degrees.
inline Model singlet(uint8_t systype) {
    Model m = makesystem({{0.02, 0, 1}, {-0.02, 5, 1}, {0, 0, 1}}, 1, {1, 12, 13, 14, 14, 5}, systype);
    glass(m, 1);
    m.lens.sysname = "SINGLET";
    m.lens.na = 0.1;
    const double s5 = std::sin(5 * kPi / 180);
    setrays(m, {{1, 0, 0, 0, 0}, {12, 0, 0, 5, 0}, {13, 5, 0, 0, s5}, {14, 0, 0, -4.5, s5},
                {14, 0, 0, 4.5, s5}, {5, 0, 4, 0, s5}});
    complete(m, 5);
    return m;
}

// Kepler telescope: two BK7 lenses R 100 / -100 and R 25 / -25, 120 mm apart, entrance
// pupil radius 5 on the first surface, field 1 degree.
inline Model kepler(uint8_t systype) {
    Model m = makesystem({{0.01, 0, 1}, {-0.01, 4, 1}, {0.04, 120, 1}, {-0.04, 3, 1}, {0, 0, 1}}, 1,
                         {1, 12, 13, 14, 14, 5}, systype);
    glass(m, 1);
    glass(m, 3);
    m.lens.sysname = "KEPLER";
    m.lens.objinf = 'D';
    m.lens.mag = -4;
    m.lens.eph = 5;
    const double s1 = std::sin(1 * kPi / 180);
    setrays(m, {{1, 0, 0, 0, 0}, {12, 0, 0, 5, 0}, {13, 1, 0, 0, s1}, {14, 0, 0, -4, s1},
                {14, 0, 0, 4, s1}, {5, 0, 4, 0, s1}});
    complete(m, 1);
    return m;
}

}  // namespace zefo::test
