// Small optical systems built in code for the aberration tests.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "model/model.h"

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

// A system from its surfaces (the last entry is the image plane) and a ray scheme of the
// given labels; mu is filled from the indices.
inline Model makesystem(const std::vector<Surf>& s, int stopsurf, const std::vector<int>& labels,
                        uint8_t systype = 0) {
    Model m;
    m.nsurf = static_cast<int>(s.size()) - 1;
    m.stopsurf = stopsurf;
    m.nrays = static_cast<uint8_t>(labels.size());
    m.systype = systype;
    m.radiiflag = 'D';
    bool asph = false;
    for (const auto& x : s)
        if (x.label.find_first_of("EAF") != std::string::npos) asph = true;
    m.asphdata = asph ? 'D' : 'N';
    allocsystem(m);
    for (size_t i = 0; i < s.size(); ++i) {
        auto& sp = m.sys.sp;
        sp.curv[i] = s[i].c;
        sp.radius[i] = s[i].c != 0 ? 1 / s[i].c : 0;
        sp.sep[i] = s[i].d;
        sp.index[i] = {s[i].n, s[i].n2 != 0 ? s[i].n2 : s[i].n, s[i].n3 != 0 ? s[i].n3 : s[i].n};
        sp.disp[i] = s[i].disp;
        sp.glass[i] = s[i].glass;
        sp.surflabel[i] = s[i].label;
        sp.hmax[i] = s[i].hmax;
    }
    for (size_t i = 0; i + 1 < s.size(); ++i)
        for (size_t w = 0; w < 3; ++w) m.mu[i][w] = m.sys.sp.index[i][w] / m.sys.sp.index[i + 1][w];
    for (size_t k = 0; k < labels.size(); ++k) m.rays.rl[k] = static_cast<uint8_t>(labels[k]);
    return m;
}

}  // namespace zefo::test
