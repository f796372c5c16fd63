#include "testsystems.h"

#include <string>

namespace zefo {

Model buildobjective(const std::vector<SampleSurface>& surfaces, int stopsurf, double na,
                     const std::vector<double>& fieldangles, int nrays) {
    Model m;
    m.lens.sysname = "SAMPLE";
    m.lens.nsurf = static_cast<int32_t>(surfaces.size());
    m.lens.stopsurf = stopsurf;
    m.lens.nrays = static_cast<uint8_t>(nrays);
    m.lens.systype = 0;
    m.lens.raytype = 20;
    m.lens.naber = naberfor(nrays, false);
    m.lens.nfields = static_cast<uint8_t>(fieldangles.size() + 1);
    m.lens.na = na;
    m.lens.mag = 0;
    bool asph = false;
    for (const auto& s : surfaces) asph |= std::string(s.label).find('S') == std::string::npos;
    m.lens.asphdata = asph ? 'D' : 'N';
    m.lens.asphflag = asph ? 1 : 0;
    allocsystem(m);
    auto& sp = m.lens.sys.sp;
    sp.index[0] = {1, 1, 1};
    sp.glass[0] = "air";
    sp.sep[0] = 0;
    for (size_t i = 0; i < surfaces.size(); ++i) {
        const SampleSurface& s = surfaces[i];
        sp.surflabel[i] = s.label;
        sp.radius[i] = s.radius;
        sp.curv[i] = s.radius != 0 ? 1 / s.radius : 0;
        sp.hmax[i] = s.hmax;
        sp.sep[i + 1] = s.sepafter;
        sp.index[i + 1] = {s.nd, s.nd - 0.3 * s.disp, s.nd + 0.7 * s.disp};
        sp.disp[i + 1] = s.disp;
        sp.glass[i + 1] = s.nd == 1 ? "air" : "glass";
        if (asph) {
            auto& a = m.lens.sys.asf;
            a.eps[i] = s.eps;
            a.a4[i] = s.a4;
            a.a6[i] = s.a6;
            a.a8[i] = s.a8;
            a.a10[i] = s.a10;
        }
    }
    sp.surflabel[m.lens.nsurf] = "S";
    sp.hmax[m.lens.nsurf] = 100;
    m.lens.field[0] = 0;
    for (size_t f = 0; f < fieldangles.size(); ++f) m.lens.field[f + 1] = fieldangles[f];
    preparetrace(m.lens, m.trace);   // the labels are set
    return m;
}

Model doublegauss() {
    // SK16-like crown (1.6204) and F5-like flint (1.6034); the stop lies between the doublets.
    const std::vector<SampleSurface> s = {
        {"S", 63.21, 9.03, 1.6204, 0.01034, 40},   {"S", 180.60, 0.56, 1, 0, 40},
        {"S", 42.89, 12.42, 1.6204, 0.01034, 40},  {"S", 135.45, 3.39, 1.6034, 0.01673, 40},
        {"S", 28.22, 10.16, 1, 0, 40},             {"S", 0, 10.16, 1, 0, 40},
        {"S", -30.48, 3.39, 1.6034, 0.01673, 40},  {"S", 135.45, 12.42, 1.6204, 0.01034, 40},
        {"S", -42.89, 0.56, 1, 0, 40},             {"S", 338.63, 9.03, 1.6204, 0.01034, 40},
        {"S", -67.73, 72.6, 1, 0, 40},
    };
    return buildobjective(s, 6, 1 / (2 * 2.8), {10, 14, 20}, 34);
}

Model asphericdoublet() {
    const std::vector<SampleSurface> s = {
        {"A", 60.0, 8.0, 1.5168, 0.00806, 30, -0.8, -1.2e-7, 2.0e-11, -1.0e-15, 0},
        {"E", -150.0, 2.0, 1, 0, 30, 1.5},
        {"S", -120.0, 3.0, 1.6889, 0.03094, 30},
        {"A", -400.0, 90.0, 1, 0, 30, 0, 4.0e-7, -3.0e-11, 0, 0},
    };
    return buildobjective(s, 1, 0.1, {5, 7}, 17);
}

}  // namespace zefo
