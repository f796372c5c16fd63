#include "core/analysis/rayanalysis.h"

#include <cmath>
#include <string>

#include "core/analysis/aberrations.h"
#include "core/analysis/systemreport.h"
#include "core/report/report.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

constexpr double kDeg = 180 / 3.14159265358979323846;
const char* const kParallel = "Error in calculation of aberrations - axial ray leaves the system parallel to the axis";
const std::string kIndent(21, ' ');

// Reads the system as a three-wavelength type (1, 5 or 7) while the analysis runs.
class SystypeGuard {
public:
    explicit SystypeGuard(Model& m) : m_(m), saved_(m.lens.systype) {
        if ((m.lens.systype & 1) == 0) m.lens.systype = static_cast<uint8_t>(m.lens.systype + 1);
    }
    ~SystypeGuard() { m_.lens.systype = saved_; }
    SystypeGuard(const SystypeGuard&) = delete;
    SystypeGuard& operator=(const SystypeGuard&) = delete;

private:
    Model& m_;
    uint8_t saved_;
};

// a / b, or the marker when b is 0 or a is already the marker.
double ratio(double a, double b) {
    if (b == 0 || a == abermarker) return abermarker;
    const double r = a / b;
    return std::isfinite(r) ? r : abermarker;
}

double diff(double a, double b) {
    return a == abermarker || b == abermarker ? abermarker : a - b;
}

// Where a ray through (Zl, Yl) on the last surface with image-side cosines M, N crosses the
// axis, measured from the last surface; the marker for a ray parallel to the axis.
double axiscrossing(double Zl, double Yl, double M, double N) {
    return M == 0 ? abermarker : Zl - Yl * N / M;
}

std::string values(const std::array<double, 3>& v, int nwl, int w, int d) {
    std::string s = fmtf(v[0], w, d);
    for (int i = 1; i < nwl; ++i) s += "  " + fmtf(v[static_cast<size_t>(i)], w, d);
    return s;
}

void lengths(Model& m, RayAnalysis& a) {
    const auto& sp = m.lens.sys.sp;
    const int n = m.lens.nsurf;
    double positive = 0, position = 0;
    bool negative = false;
    a.dst = a.dopsis = 0;
    for (int i = 1; i <= n - 1; ++i) {
        const double d = sp.sep[static_cast<size_t>(i)];
        if (!isair(sp.glass[static_cast<size_t>(i)])) a.dst += d;
        if (d >= 0) {
            positive += d;
            a.dopsis += d;
        } else {
            // a reflected path: the length counts once, the image is placed from the
            // position reached before the reflection
            a.dopsis -= d;
            if (!negative) position = positive;
            negative = true;
        }
    }
    a.mirrored = negative;
    const double dn = sp.sep[static_cast<size_t>(n)];
    a.dsistot = negative ? dn + position : a.dopsis + dn;
}

void headlines(const OpticalSystem& lens, const RayAnalysis& a, Report& r) {
    if (lens.raytype == 20 || lens.raytype == 10)
        r.addline("lbar = " + fmtf(a.lbar, 11, 5) + "  lbarp = " + fmtf(a.lbarp, 11, 5));
    r.addline("  up = " + fmtf(a.up, 10, 6) + "      mag = " + fmtf(a.mag + 0.0, 11, 6));
    r.addline("Glass thickness in optical system is dst =" + fmtf(a.dst, 8, 3));
    r.addline("Optical system length (from first to last surface) is dopsis =" + fmtf(a.dopsis, 8, 3));
    r.addline("Optical system length (from first surface to image plane) is dsistot=" + fmtf(a.dsistot, 8, 3));
    if (a.telescope) r.addline("Dioptrijska nepodesenost sistema je dipotr =" + fmtf(a.dioptricmismatch, 8, 5));
    r.addline(" ");
    r.addline(" ");
}

// The values the heading shows, as they stand before the rays are traced.
void headvalues(const Model& m, RayAnalysis& a) {
    a.lbar = m.lens.lbar;
    a.lbarp = m.lens.lbarp;
    a.up = m.first.pxslope;
    a.dioptricmismatch = m.first.dioptricmismatch;
    a.mag = m.lens.mag;
    if (!a.telescope) {
        const size_t ns = static_cast<size_t>(m.lens.nsurf);
        const double den = m.lens.sys.sp.index[ns][0] * m.first.pxslope;
        a.mag = den != 0 ? m.lens.sys.sp.index[0][0] * m.lens.rays.m[0] / den : 0;
    }
}

struct Ctx {
    Model& m;
    RayAnalysis& a;
    bool telescope;
    int nwl;
};

// Traces ray k of the scheme; its end at the image plane goes to end.
bool trace(Model& m, int k, int w, int kind, bool focal, RayPoint& end) {
    TraceOpts o;
    o.pathB = true;
    o.focal = focal;
    end = schemeray(m, k, kind, w, o).end;
    return !m.calcerror;
}

void axialray(Ctx& c, int k) {
    Model& m = c.m;
    const auto& sp = m.lens.sys.sp;
    const size_t ns = static_cast<size_t>(m.lens.nsurf);
    AxialAnalysis x;
    x.ray = k;
    x.H = m.lens.rays.y[static_cast<size_t>(k)];
    std::array<double, 3> Y{};
    for (int w = 0; w < c.nwl; ++w) {
        const size_t u = static_cast<size_t>(w);
        RayPoint img;
        if (!trace(m, k, w, 2, false, img)) return;
        const RayPoint& last = m.trace.surfray[ns - 1];
        Y[u] = img.Y;
        const double Mp = img.M;
        if (c.telescope) {
            x.LSA[u] = abermarker;
            x.TSA[u] = img.Y;
            x.angle[u] = Mp * kDeg;
        } else {
            if (Mp == 0) {
                fail(m, kParallel);
                return;
            }
            x.LSA[u] = axiscrossing(last.Z, last.Y, Mp, img.N) - sp.sep[ns];
            x.TSA[u] = img.Y;
        }
        if (!c.telescope && m.lens.mag != 0)
            x.OSC[u] = diff(ratio(std::fabs(m.lens.rays.m[static_cast<size_t>(k)]), std::fabs(Mp)),
                            ratio(sp.index[0][0] * m.lens.rays.m[0], sp.index[ns][0] * m.first.pxslope));
        else
            x.OSC[u] = diff(m.lens.efl, ratio(std::fabs(x.H), std::fabs(Mp)));
        x.iso[u] = diff(ratio(x.OSC[u], m.lens.efl), ratio(x.LSA[u], sp.sep[ns] - m.lens.lbarp));
    }
    if (c.nwl == 3) {
        x.axialchrom = diff(x.LSA[2], x.LSA[1]);
        x.transchrom = Y[2] - Y[1];
        x.anglechrom = x.angle[2] - x.angle[1];
    }
    c.a.axial.push_back(x);
}

void axiallines(const AxialAnalysis& x, bool telescope, int nwl, Report& r) {
    const std::string head = "Axial rays:  H=" + fmtf(x.H, 5, 2);
    if (telescope) {
        r.addline(head + " -Spherical aber. (in degrees):          " + fmtf(x.angle[0], 8, 5));
    } else {
        r.addline(head + " -Longitudinal spherical ab.(in mm):   " + fmtf(x.LSA[0], 8, 5));
        r.addline(kIndent + "-Transverse spherical aber.(in mm):   " + fmtf(x.TSA[0], 8, 5));
    }
    r.addline(kIndent + "-Sine condition (indefinite number):  " + fmtf(x.OSC[0], 8, 5));
    r.addline(kIndent + "-Isoplanatism (indefinite number):    " + fmtf(x.iso[0], 8, 5));
    if (nwl == 3) {
        if (telescope) {
            r.addline(kIndent + "-Chromatic aber. (in degrees):          " + fmtf(x.anglechrom, 8, 5));
        } else {
            r.addline(kIndent + "-Axial(longitudinal)chromatic ab.(mm) " + fmtf(x.axialchrom, 8, 5));
            r.addline(kIndent + "-Transverse chromatic aber. (in mm)   " + fmtf(x.transchrom, 8, 5));
        }
    }
}

void chiefray(Ctx& c, int k) {
    Model& m = c.m;
    const size_t ns = static_cast<size_t>(m.lens.nsurf);
    const size_t uk = static_cast<size_t>(k);
    ChiefAnalysis x;
    x.ray = k;
    x.field = m.lens.rays.yrel[uk];
    double ypar = 0, upar = 0;
    paraxchief(m, k, c.telescope, ypar, upar);
    std::array<double, 3> Y{}, angle{}, pupil{};
    double Xmf = 0, Xsf = 0;
    m.trace.throwdist = m.lens.rays.m[0] != 0 ? m.lens.rays.y[0] / m.lens.rays.m[0] : 0;
    for (int w = 0; w < c.nwl; ++w) {
        const size_t u = static_cast<size_t>(w);
        RayPoint img;
        if (!trace(m, k, w, 3, true, img)) return;
        const RayPoint last = m.trace.surfray[ns - 1];
        m.trace.oplref[u] = m.trace.opl[u];
        Y[u] = img.Y;
        angle[u] = std::fabs(img.M) <= 1 ? std::asin(img.M) * kDeg : abermarker;
        pupil[u] = axiscrossing(last.Z, last.Y, img.M, img.N);
        if (w > 0) continue;
        m.trace.refimage = img;
        Xmf = m.trace.Xm;
        Xsf = m.trace.Xs;
        double Xm = 0, Xs = 0;
        if (!chieffoci(m, k, img, c.telescope, false, Xm, Xs) || m.calcerror) {
            m.calcerror = false;
            m.errmsg.clear();
            Xm = Xs = abermarker;
        }
        x.astig = diff(Xs, Xm);
        x.fieldcurv = Xs == abermarker || Xm == abermarker ? abermarker : (Xs + Xm) / 2;
        if (!c.telescope) {
            x.distortion = ypar != 0 ? (img.Y / ypar - 1) * 100 : abermarker;
        } else {
            x.distortion = upar != 0 && ypar != 0 && angle[0] != abermarker
                               ? (std::asin(img.M) / upar - 1) * 100 : abermarker;
        }
    }
    for (int w = 0; w < c.nwl; ++w) {
        const size_t u = static_cast<size_t>(w);
        x.relheight[u] = ypar != 0 ? (Y[u] - ypar) / ypar * 100 : abermarker;
        x.angleab[u] = diff(angle[u], upar * kDeg);
        x.pupilab[u] = diff(pupil[u], m.lens.lbarp);
    }
    if (c.nwl == 3) {
        x.magchrom = Y[0] != 0 ? (Y[2] - Y[1]) / Y[0] * 100 : abermarker;
        x.anglechrom = diff(angle[2], angle[1]);
        x.pupilchrom = diff(pupil[2], pupil[1]);
    }
    const double is = ratio(1, Xsf), im = ratio(1, Xmf);
    x.diopastig = is == abermarker || im == abermarker ? abermarker : (is - im) * 1000;
    x.diopfield = is == abermarker || im == abermarker ? abermarker
                  : (m.lens.objinf == 'D' ? im + is : im - is) * 500;
    c.a.chief.push_back(x);
}

void chieflines(const OpticalSystem& lens, const ChiefAnalysis& x, bool telescope, int nwl, Report& r) {
    if (!telescope) {
        r.addline(std::string(lens.mag == 0 ? "Chief ray:  w=" : "Chief ray:  p=") + fmtf(x.field, 5, 2)
                  + "  -Astigmatism (in mm):                 " + fmtf(x.astig, 8, 5));
        r.addline(kIndent + "-Field curvature (in mm):             " + fmtf(x.fieldcurv, 8, 5));
        r.addline(kIndent + "-Distortion (in %):                   " + values(x.relheight, nwl, 8, 5));
        if (nwl == 3)
            r.addline(kIndent + "-Magnification chromatism (in %):     " + fmtf(x.magchrom, 8, 5));
        return;
    }
    const bool infinite = lens.objinf == 'D';
    r.addline(std::string(infinite ? "Chief ray:  w=" : "Chief ray:  p=") + fmtf(x.field, 5, 2)
              + (infinite ? "  -Astigmatism:                           "
                          : " -Astigmatism:                           ")
              + fmtf(x.astig, 8, 5));
    r.addline(kIndent + "-Astigmatism (in diopters):            " + fmtf(x.diopastig, 9, 5));
    r.addline(kIndent + "-Field curvature                        " + fmtf(x.fieldcurv, 8, 5));
    r.addline(kIndent + "-Field curvature (in diopters):        " + fmtf(x.diopfield, 9, 5));
    r.addline(kIndent + "-Distortion (in %):                     " + fmtf(x.distortion, 8, 5));
    r.addline(kIndent + "-Chief ray spherical aber.(in degrees): " + values(x.angleab, nwl, 8, 5));
    if (nwl == 3)
        r.addline(kIndent + "-Chief ray chromatic aber.(in degrees): " + fmtf(x.anglechrom, 8, 5));
    r.addline(kIndent + "-Exit pupil spherical aber. (in mm):    " + values(x.pupilab, nwl, 8, 5));
    if (nwl == 3)
        r.addline(kIndent + "-Exit pupil chromatic aber. (in mm):    " + fmtf(x.pupilchrom, 8, 5));
}

int comazones(int nrays) {
    switch (nrays) {
        case 6: return 1;
        case 34: return 3;
        default: return 2;
    }
}

void obliquerays(Ctx& c, int a) {
    Model& m = c.m;
    ObliqueAnalysis x;
    x.ray = a;
    x.field = m.lens.rays.yrel[static_cast<size_t>(a - 1)];
    int nz = comazones(m.lens.nrays);
    if (a + 2 * nz - 1 >= m.lens.nrays) nz = (m.lens.nrays - a) / 2;
    for (int z = 0; z < nz; ++z) {
        const int lo = a + z, up = a + 2 * nz - 1 - z;
        ComaZone zone;
        zone.H = std::fabs(m.lens.rays.y[static_cast<size_t>(up)] - m.lens.rays.y[static_cast<size_t>(lo)]) / 2;
        for (int w = 0; w < c.nwl; ++w) {
            double sum = 0;
            for (int k : {lo, up}) {
                RayPoint img;
                if (!trace(m, k, w, 4, false, img)) return;
                sum += c.telescope ? img.M - m.trace.refimage.M : img.Y - m.trace.refimage.Y;
            }
            zone.coma[static_cast<size_t>(w)] = sum / 2;
        }
        x.zones.push_back(zone);
    }
    c.a.oblique.push_back(x);
}

void obliquelines(const OpticalSystem& lens, const ObliqueAnalysis& x, bool telescope, int nwl, Report& r) {
    const bool w = telescope || lens.mag == 0;
    std::string head = w ? "Oblique rays: w=" + fmtf(x.field, 5, 2) : "Oblique rays: p=" + fmtf(x.field, 5, 1);
    for (const auto& zone : x.zones) {
        r.addline(head + " H=" + fmtf(zone.H, 6, 2) + " -Comma (in mm):             "
                  + values(zone.coma, nwl, 8, 5));
        head = std::string(21, ' ');
    }
}

}  // namespace

RayAnalysis rayanalysis(Model& m, bool runparax) {
    SystypeGuard guard(m);
    RayAnalysis out;
    if (runparax) {
        nudatparax(m);
        if (m.calcerror) return out;
    }
    out.telescope = m.lens.systype >= 4;
    out.nwl = ismono(m.lens) ? 1 : 3;
    lengths(m, out);
    headvalues(m, out);
    m.trace.refimage = RayPoint{};
    m.trace.opd = Index3{0, 0, 0};
    Ctx c{m, out, out.telescope, out.nwl};
    for (int k = 1; k < m.lens.nrays; ++k) {
        const int kind = m.lens.rays.rl[static_cast<size_t>(k)] % 10;
        if (kind == 2) axialray(c, k);
        else if (kind == 3) chiefray(c, k);
        else if (kind == 4 && m.lens.rays.rl[static_cast<size_t>(k - 1)] % 10 == 3) obliquerays(c, k);
        if (m.calcerror) break;
    }
    return out;
}

void rayanalysislines(const OpticalSystem& lens, const RayAnalysis& a, Report& r) {
    headlines(lens, a, r);
    // the three lists hold distinct rays in ascending order: the report follows the ray scheme
    size_t ia = 0, ic = 0, io = 0;
    const int none = lens.nrays;
    for (;;) {
        const int ka = ia < a.axial.size() ? a.axial[ia].ray : none;
        const int kc = ic < a.chief.size() ? a.chief[ic].ray : none;
        const int ko = io < a.oblique.size() ? a.oblique[io].ray : none;
        if (ka < kc && ka < ko) axiallines(a.axial[ia++], a.telescope, a.nwl, r);
        else if (kc < ko) chieflines(lens, a.chief[ic++], a.telescope, a.nwl, r);
        else if (ko < none) obliquelines(lens, a.oblique[io++], a.telescope, a.nwl, r);
        else break;
    }
}

RayAnalysis aberrationsreport(Model& m, const ReportHead& h, Report& r) {
    if (!systemreport(m, h, r, false)) return RayAnalysis{};
    const RayAnalysis a = rayanalysis(m, false);
    applyclearradii(m.lens, m.trace);   // the command keeps the clear radii its traces set
    rayanalysislines(m.lens, a, r);
    return a;
}

}  // namespace zefo
