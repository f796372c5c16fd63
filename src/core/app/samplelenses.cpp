#include "core/app/samplelenses.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"

namespace zefo {

// Sources, published focal lengths and back focal distances: samples/README.md.
const std::vector<SampleLens>& samplelenses() {
    // Mercury e, cadmium C' and F' lines: the double Gauss is published at the e line.
    constexpr Index3 eline{0.00054607, 0.00064385, 0.00047999};
    static const std::vector<SampleLens> lenses = {
        // Equiconvex singlet of index 1.50, f 101.69; entrance pupil radius 10.
        {.sysname = "LENS1",
         .surfaces = {{"C", 100.0, 10.0, "n1.5", 1.5}, {"C", -100.0, 0, "air"}},
         .stopsurf = 1,
         .na = 10.0 / 101.6949,
         .fields = {5},
         .systype = 0},
        // Cooke triplet, f 101.18, f/3.47, half field 11.86 degrees.
        {.sysname = "COOKE",
         .surfaces = {{"C", 37.40, 5.90, "SK4"}, {"C", -341.48, 12.93, "air"},
                      {"CD", -42.65, 2.50, "SF2"}, {"C", 36.40, 2.00, "air"},
                      {"D", 0, 9.85, "air"}, {"CD", 204.52, 5.90, "SK4"},
                      {"C", -37.05, 0, "air"}},
         .stopsurf = 5,
         .na = 0.1443,
         .fields = {0.5 * 11.86, 0.7 * 11.86, 11.86},
         .systype = 1},
        // Six-element double Gauss, f 100, f/2, half field 22.5 degrees.
        {.sysname = "DGAUSS",
         .surfaces = {{"C", 48.88, 8.89, "SK16"}, {"C", 182.96, 0.38, "air"},
                      {"CD", 36.92, 15.11, "BAF3"}, {"", 0, 2.31, "SF5"},
                      {"C", 23.06, 9.14, "air"}, {"D", 0, 13.36, "air"},
                      {"CD", -23.91, 1.92, "E-FL6"}, {"", 0, 7.77, "SK18"},
                      {"C", -36.92, 0.38, "air"}, {"CD", 1063.24, 6.73, "SK16"},
                      {"C", -48.88, 0, "air"}},
         .stopsurf = 6,
         .na = 0.25,
         .fields = {0.5 * 22.5, 0.7 * 22.5, 22.5},
         .systype = 1,
         .wl = eline},
        // A starting design to optimize: the double Gauss with its radii rounded to whole
        // millimetres and its four air gaps changed; the default weights.
        {.sysname = "DGSTART",
         .surfaces = {{"C", 49, 8.89, "SK16"}, {"C", 183, 1.0, "air"},
                      {"CD", 37, 15.11, "BAF3"}, {"", 0, 2.31, "SF5"},
                      {"C", 23, 8.0, "air"}, {"D", 0, 12.0, "air"},
                      {"CD", -24, 1.92, "E-FL6"}, {"", 0, 7.77, "SK18"},
                      {"C", -37, 1.0, "air"}, {"CD", 1063, 6.73, "SK16"},
                      {"C", -49, 0, "air"}},
         .stopsurf = 6,
         .na = 0.25,
         .fields = {0.5 * 22.5, 0.7 * 22.5, 22.5},
         .systype = 1,
         .wl = eline,
         .defaultweights = true},
        // Kepler telescope 4x: objective f 203.2, eyelens f 50.8 in BK7, stop at the objective.
        {.sysname = "KEPLER",
         .surfaces = {{"C", 209.34, 4.0, "BK7"}, {"CD", -209.34, 250.65, "air"},
                      {"C", 51.46, 6.0, "BK7"}, {"C", -51.46, 0, "air"}},
         .stopsurf = 1,
         .na = 0,
         .fields = {0.05 * 180 / std::numbers::pi},
         .systype = 4,
         .eph = 12.7,
         .mag = -4},
    };
    return lenses;
}

namespace {

// Medium of row k: a model glass of one index, or "air" or a catalogue glass.
bool setmedium(const SampleRow& r, int k, GlassCatalog& cat, Model& m) {
    auto& sp = m.lens.sys.sp;
    if (r.index == 0) return setglass(cat, m, k, r.glass);
    sp.index[k] = {r.index, r.index, r.index};
    sp.disp[k] = 0;
    sp.glass[k] = r.glass;
    return true;
}

void setsurfaces(const SampleLens& s, GlassCatalog& cat, Model& m) {
    auto& sp = m.lens.sys.sp;
    sp.glass[0] = "air";
    sp.index[0] = {1, 1, 1};
    for (size_t i = 0; i < s.surfaces.size(); ++i) {
        const SampleRow& r = s.surfaces[i];
        const int k = static_cast<int>(i);
        sp.surflabel[k] = "S";
        sp.optlabel[k] = r.optlabel;
        sp.radius[k] = r.radius;
        sp.curv[k] = r.radius != 0 ? 1 / r.radius : 0;
        sp.surflabel[k + 1] = "S";
        if (k + 1 < m.lens.nsurf) sp.sep[k + 1] = r.sepafter;
        if (!setmedium(r, k + 1, cat, m)) fail(m, std::string("Glass name not found: ") + r.glass);
    }
}

// Targets, bounds and thickness limits that a new system takes from its nominal data.
void setlimits(Model& m) {
    auto& sp = m.lens.sys.sp;
    const int n = m.lens.nsurf;
    for (int k = 0; k < n; ++k) {
        m.lens.radmin[k] = m.lens.radmax[k] = sp.radius[k];
        m.lens.sepmin[k] = m.lens.sepmax[k] = sp.sep[k];
        if (k >= 1) {
            m.lens.targdopsis += sp.sep[k];
            if (!isair(sp.glass[k])) m.lens.targdst += sp.sep[k];
        }
    }
    for (int k = 0; k <= n; ++k) {
        const double lim = sp.sep[k] > 2 ? m.lens.bcthick : m.lens.bcthin;
        m.lens.axlim[k] = m.lens.edgelim[k] = sp.index[k][0] < 0 ? -lim : lim;
    }
}

// Largest ray heights at every surface: of the axial rays, and of all the rays of the
// ray scheme (axial, chief, the upper and lower coma and the skew rays of every field).
struct BeamHeights {
    std::vector<double> axial, all;
};

BeamHeights beamheights(Model& m) {
    const int n = m.lens.nsurf;
    BeamHeights b{std::vector<double>(n, 0.0), std::vector<double>(n, 0.0)};
    for (int k = 0; k < m.lens.nrays && !m.calcerror; ++k) {
        const int kind = m.lens.rays.rl[k] % 10;
        schemeray(m, k, kind, 0, TraceOpts{});
        for (int i = 0; i < n && !m.calcerror; ++i) {
            const double h = std::hypot(m.trace.surfray[i].X, m.trace.surfray[i].Y);
            b.all[i] = std::max(b.all[i], h);
            if (kind <= 2) b.axial[i] = std::max(b.axial[i], h);
        }
    }
    return b;
}

// Sag of a sphere of radius r at height h below |r| (0 for a plane).
double sag(double r, double h) { return r == 0 ? 0 : r - std::copysign(std::sqrt(r * r - h * h), r); }

// Thickness of the lens between surfaces k-1 and k at height h, both spheres running out to h.
double edgethickness(const SurfaceTable& sp, int k, double h) {
    return sp.sep[k] - sag(sp.radius[k - 1], h) + sag(sp.radius[k], h);
}

// No surface is used beyond this fraction of its radius of curvature (a rim slope of 64 degrees).
constexpr double rimslope = 0.9;

// Largest radius out to which the lens between surfaces k-1 and k keeps the edge thickness
// `least`. The thickness changes monotonically with the height, so the search is a bisection.
double soundradius(const SurfaceTable& sp, int k, double least) {
    auto reach = [](double r) { return r == 0 ? 1e6 : rimslope * std::fabs(r); };
    double lo = 0, hi = std::min(reach(sp.radius[k - 1]), reach(sp.radius[k]));
    if (edgethickness(sp, k, hi) >= least) return hi;
    for (int it = 0; it < 60; ++it) {
        const double h = (lo + hi) / 2;
        (edgethickness(sp, k, h) >= least ? lo : hi) = h;
    }
    return lo;
}

// Room of every surface: the smaller sound radius of the lenses on either side of it (a
// cemented surface keeps both of its lenses sound); a surface between air has no limit.
// The edge thickness kept is the lens's own boundary condition (edgelim).
std::vector<double> surfaceroom(const Model& m) {
    const auto& sp = m.lens.sys.sp;
    std::vector<double> room(m.lens.nsurf, 1e6);
    for (int k = 1; k < m.lens.nsurf; ++k) {
        if (isair(sp.glass[k])) continue;
        const double r = soundradius(sp, k, std::fabs(m.lens.edgelim[k]));
        room[k - 1] = std::min(room[k - 1], r);
        room[k] = std::min(room[k], r);
    }
    return room;
}

// Clear radii as a designer sets them: the ray scheme is first aimed with only the stop
// limiting it, so that its rim rays trace the whole beam of every field; every other surface
// then gets 2 % more than the largest height of these rays, rounded up to 0.1 mm, but no more
// than its lenses allow with a sound edge (rounded down to 0.1 mm): there the oblique beams
// are vignetted. The axial beam must pass whole, the stop limiting it. The scheme is then
// aimed again at the new radii.
void setclearradii(Model& m) {
    auto& hmax = m.lens.sys.sp.hmax;
    const int n = m.lens.nsurf, stop = m.lens.stopsurf - 1;
    std::fill(hmax.begin(), hmax.begin() + n, 1e6);  // radii that limit nothing
    rayscheme(m);
    if (m.calcerror) return;
    const BeamHeights beam = beamheights(m);
    if (m.calcerror) return;
    const std::vector<double> room = surfaceroom(m);
    for (int i = 0; i < n; ++i) {
        const double most = std::floor(room[i] * 10) / 10;
        if (beam.axial[i] > most) {
            fail(m, "No sound lens edge around the axial beam at surface " + std::to_string(i + 1));
            return;
        }
        if (i != stop) hmax[i] = std::min(std::ceil(1.02 * beam.all[i] * 10) / 10, most);
    }
    rayscheme(m);
}

}  // namespace

Model buildsamplelens(const SampleLens& s, GlassCatalog& cat) {
    Model m;
    m.lens.sysname = s.sysname;
    m.lens.nsurf = static_cast<int32_t>(s.surfaces.size());
    m.lens.stopsurf = s.stopsurf;
    m.lens.nfields = static_cast<uint8_t>(s.fields.size() + 1);
    m.lens.nrays = static_cast<uint8_t>(nraysfor(m.lens.nfields));
    m.lens.systype = s.systype;
    m.lens.naber = naberfor(m.lens.nrays, m.threewl());
    m.lens.raytype = 20;
    m.lens.anglesurf = static_cast<uint8_t>(m.lens.nsurf);
    m.lens.na = s.na;
    m.lens.up = -s.na;
    m.lens.eph = s.eph;
    m.lens.mag = s.mag;
    m.lens.objinf = 'D';
    m.lens.wl = s.wl;
    allocsystem(m);
    m.lens.field[0] = 0;
    std::copy(s.fields.begin(), s.fields.end(), m.lens.field.begin() + 1);
    std::fill(m.lens.aberweight.begin(), m.lens.aberweight.end(), 1.0);
    setsurfaces(s, cat, m);
    if (m.calcerror) return m;
    preparetrace(m.lens, m.trace);   // the surface labels are set
    setlimits(m);
    initstdrays(m);
    setclearradii(m);
    if (m.calcerror) return m;
    m.lens.targdsistot = m.lens.targdopsis + m.lens.sys.sp.sep[m.lens.nsurf];
    const auto& hmax = m.lens.sys.sp.hmax;
    const double largest = *std::max_element(hmax.begin(), hmax.begin() + m.lens.nsurf);
    std::fill(m.lens.clearlim.begin(), m.lens.clearlim.begin() + m.lens.nsurf, 1.25 * largest);
    m.lens.clearlim[m.lens.nsurf] = 1.25 * hmax[m.lens.nsurf];
    if (s.defaultweights) {
        calcweights(m);
        // the marginal ray height at the last surface and the image-space chief ray angle
        // are no aim of an objective at infinity
        m.lens.aberweight[1] = m.lens.aberweight[3] = 0;
    }
    return m;
}

}  // namespace zefo
