#include "app/samplelenses.h"

#include <algorithm>

#include "raytrace/paraxial.h"
#include "raytrace/rayscheme.h"

namespace zefo {

const std::vector<SampleLens>& samplelenses() {
    static const std::vector<SampleLens> lenses = {
        // Equi-convex BK7 singlet, f near 50 mm, NA 0.1.
        {"LENS1",
         {{"CD", 51.68, 5.0, "BK7", 10}, {"C", -51.68, 0, "air", 10}},
         1, 0.1, {5}, 0},
        // Cooke triplet, f near 100 mm, F/4, half field 20 degrees.
        {"COOKE",
         {{"C", 38.18, 8.15, "SK16", 16}, {"CD", -494.04, 10.3, "air", 16},
          {"CD", -40.04, 2.1, "F4", 12}, {"CD", 37.93, 1.87, "air", 12},
          {"", 0, 7.46, "air", 11}, {"C", 171.49, 8.15, "SK16", 14},
          {"CD", -38.18, 0, "air", 14}},
         5, 0.125, {10, 14, 20}, 1},
        // Six-element double Gauss, f near 100 mm, F/2.8, half field 20 degrees.
        {"DGAUSS",
         {{"C", 63.21, 9.03, "SK16", 30}, {"CD", 180.60, 0.56, "air", 30},
          {"C", 42.89, 12.42, "SK16", 25}, {"CD", 135.45, 3.39, "F5", 25},
          {"CD", 28.22, 10.16, "air", 18}, {"", 0, 10.16, "air", 17},
          {"C", -30.48, 3.39, "F5", 18}, {"CD", 135.45, 12.42, "SK16", 24},
          {"CD", -42.89, 0.56, "air", 24}, {"C", 338.63, 9.03, "SK16", 26},
          {"CD", -67.73, 0, "air", 26}},
         6, 1 / (2 * 2.8), {10, 14, 20}, 1},
        // Kepler telescope 4x: BK7 objective and eyepiece, object at infinity.
        {"KEPLER",
         {{"C", 100.0, 4.0, "BK7", 12}, {"CD", -100.0, 120.0, "air", 12},
          {"C", 25.0, 3.0, "BK7", 8}, {"C", -25.0, 0, "air", 8}},
         1, 0, {1}, 4, 10},
    };
    return lenses;
}

namespace {

void setsurfaces(const SampleLens& s, GlassCatalog& cat, Model& m) {
    auto& sp = m.sys.sp;
    sp.glass[0] = "air";
    sp.index[0] = {1, 1, 1};
    for (size_t i = 0; i < s.surfaces.size(); ++i) {
        const SampleRow& r = s.surfaces[i];
        const int k = static_cast<int>(i);
        sp.surflabel[k] = "S";
        sp.optlabel[k] = r.optlabel;
        sp.radius[k] = r.radius;
        sp.curv[k] = r.radius != 0 ? 1 / r.radius : 0;
        sp.hmax[k] = r.hmax;
        sp.surflabel[k + 1] = "S";
        if (k + 1 < m.nsurf) sp.sep[k + 1] = r.sepafter;
        if (!setglass(cat, m, k + 1, r.glass)) fail(m, std::string("Glass name not found: ") + r.glass);
    }
}

// Targets, bounds and limits that a new system takes from its nominal data.
void setlimits(Model& m) {
    auto& sp = m.sys.sp;
    const int n = m.nsurf;
    double hmaxlargest = 0;
    for (int k = 0; k < n; ++k) {
        m.radmin[k] = m.radmax[k] = sp.radius[k];
        m.sepmin[k] = m.sepmax[k] = sp.sep[k];
        hmaxlargest = std::max(hmaxlargest, sp.hmax[k]);
        if (k >= 1) {
            m.targdopsis += sp.sep[k];
            if (!isair(sp.glass[k])) m.targdst += sp.sep[k];
        }
    }
    for (int k = 0; k <= n; ++k) {
        const double lim = sp.sep[k] > 2 ? m.bcthick : m.bcthin;
        m.axlim[k] = m.edgelim[k] = sp.index[k][0] < 0 ? -lim : lim;
        if (k < n) m.clearlim[k] = 1.25 * hmaxlargest;
    }
}

}  // namespace

Model buildsamplelens(const SampleLens& s, GlassCatalog& cat) {
    Model m;
    m.sysname = s.sysname;
    m.nsurf = static_cast<int32_t>(s.surfaces.size());
    m.stopsurf = s.stopsurf;
    m.nfields = static_cast<uint8_t>(s.fields.size() + 1);
    m.nrays = static_cast<uint8_t>(nraysfor(m.nfields));
    m.systype = s.systype;
    m.naber = naberfor(m.nrays, m.threewl());
    m.raytype = 20;
    m.anglesurf = static_cast<uint8_t>(m.nsurf);
    m.na = s.na;
    m.up = -s.na;
    m.eph = s.eph;
    m.objinf = 'D';
    allocsystem(m);
    m.field[0] = 0;
    std::copy(s.fields.begin(), s.fields.end(), m.field.begin() + 1);
    std::fill(m.aberweight.begin(), m.aberweight.end(), 1.0);
    setsurfaces(s, cat, m);
    if (m.calcerror) return m;
    setlimits(m);
    nudatparax(m);
    if (m.calcerror) return m;
    m.targdsistot = m.targdopsis + m.sys.sp.sep[m.nsurf];
    initstdrays(m);
    rayscheme(m);
    m.clearlim[m.nsurf] = 1.25 * m.sys.sp.hmax[m.nsurf];
    return m;
}

}  // namespace zefo
