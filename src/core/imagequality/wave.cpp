// Wave aberration: OPD samples over the exit pupil, the polynomial fit and its quality,
// the diffraction MTF by Gauss-Legendre quadrature, and the ".wbr" and ".dtf" reports.
#include <algorithm>
#include <cmath>

#include "imagequality/imagequality.h"
#include "imagequality/mtftable.h"
#include "raytrace/paraxial.h"
#include "raytrace/raytrace.h"
#include "util/mathutil.h"
#include "util/numfmt.h"

namespace zefo {

// ---------------------------------------------------------------- quadrature

namespace {

struct GaussRule {
    std::vector<double> t, g;
};

// Nodes by Newton's method on the Legendre polynomial, ascending.
GaussRule makegauss(int n) {
    GaussRule r;
    r.t.resize(n);
    r.g.resize(n);
    for (int i = 0; i < n; ++i) {
        double x = std::cos(M_PI * (i + 0.75) / (n + 0.5));
        double dp = 1;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1, p1 = x;
            for (int j = 2; j <= n; ++j) {
                const double p2 = ((2.0 * j - 1) * x * p1 - (j - 1.0) * p0) / j;
                p0 = p1;
                p1 = p2;
            }
            dp = n * (x * p1 - p0) / (x * x - 1);
            const double dx = p1 / dp;
            x -= dx;
            if (std::fabs(dx) < 1e-16) break;
        }
        r.t[n - 1 - i] = x;
        r.g[n - 1 - i] = 2 / ((1 - x * x) * dp * dp);
    }
    return r;
}

const GaussRule& gaussrule(int n) {
    static const GaussRule r6 = makegauss(6), r10 = makegauss(10), r16 = makegauss(16);
    return n == 6 ? r6 : n == 10 ? r10 : r16;
}

}  // namespace

const std::vector<double>& gaussnodes(int n) { return gaussrule(n).t; }
const std::vector<double>& gaussweights(int n) { return gaussrule(n).g; }

// ---------------------------------------------------------------- polynomial and fit

std::vector<double> wavebasis(int nterms, bool offaxis, double x, double y) {
    std::vector<double> b(static_cast<size_t>(nterms));
    const double r2 = x * x + y * y;
    if (!offaxis) {
        double p = 1;
        for (int i = 0; i < nterms; ++i, p *= r2) b[i] = p;
        return b;
    }
    const double r4 = r2 * r2, r6 = r4 * r2, r8 = r4 * r4, y2 = y * y, y3 = y2 * y;
    const double all[15] = {1, r2, y, r4, r2 * y, y2, r6, r4 * y, r2 * y2, y3, r8, r6 * y, r4 * y2, r2 * y3, y2 * y2};
    for (int i = 0; i < nterms && i < 15; ++i) b[i] = all[i];
    return b;
}

double wavepoly(const std::vector<double>& c, bool offaxis, double x, double y) {
    const double r2 = x * x + y * y;
    const size_t n = c.size();
    if (!offaxis) {
        double s = 0;
        for (size_t i = n; i-- > 0;) s = s * r2 + c[i];
        return s;
    }
    const double r4 = r2 * r2, y2 = y * y, y3 = y2 * y;
    double s = c[0] + c[1] * r2 + c[2] * y + c[3] * r4 + c[4] * r2 * y + c[5] * y2 + c[6] * r4 * r2 +
               c[7] * r4 * y + c[8] * r2 * y2 + c[9] * y3;
    if (n >= 15) s += c[10] * r4 * r4 + c[11] * r4 * r2 * y + c[12] * r4 * y2 + c[13] * r2 * y3 + c[14] * y2 * y2;
    return s;
}

std::vector<double> polyfit(const std::vector<std::vector<double>>& B, const std::vector<double>& v) {
    const size_t nterms = B.size(), nfit = v.size();
    std::vector<std::vector<double>> phi(nterms, std::vector<double>(nfit, 0.0));
    std::vector<std::vector<double>> T(nterms, std::vector<double>(nterms, 0.0));
    std::vector<double> c(nterms);
    const double r0 = 1 / std::sqrt(static_cast<double>(nfit));
    std::fill(phi[0].begin(), phi[0].end(), r0);
    T[0][0] = r0;
    for (size_t i = 1; i < nterms; ++i) {
        for (size_t j = 0; j < i; ++j) {
            c[j] = 0;
            for (size_t p = 0; p < nfit; ++p) c[j] += B[i][p] * phi[j][p];
        }
        double rr = 0;
        for (size_t p = 0; p < nfit; ++p) {
            double s = B[i][p];
            for (size_t j = 0; j < i; ++j) s -= c[j] * phi[j][p];
            phi[i][p] = s;
            rr += s * s;
        }
        const double r = std::sqrt(rr);
        if (!(r > 1e-300)) {  // a term that the samples cannot tell from the others is dropped
            std::fill(phi[i].begin(), phi[i].end(), 0.0);
            continue;
        }
        for (size_t p = 0; p < nfit; ++p) phi[i][p] /= r;
        T[i][i] = 1 / r;
        for (size_t k = 0; k < i; ++k) {
            double s = 0;
            for (size_t l = k; l < i; ++l) s += c[l] * T[l][k];
            T[i][k] = -s / r;
        }
    }
    std::vector<double> coef(nterms, 0.0);
    for (size_t i = 0; i < nterms; ++i) {
        double d = 0;
        for (size_t p = 0; p < nfit; ++p) d += v[p] * phi[i][p];
        for (size_t j = 0; j <= i; ++j) coef[j] += d * T[i][j];
    }
    return coef;
}

// ---------------------------------------------------------------- diffraction MTF

void dmtfintegrate(Model& m, int f, int w, const std::vector<double>& coef, bool offaxis, double pupa, double pupb,
                   double pupc, double shiftscale) {
    const GaussRule& q = gaussrule(m.ngauss);
    const int n = static_cast<int>(q.t.size()), half = n / 2;
    const int nfp = m.nfpoints;
    const size_t e0 = mtfindex(m, f, w, 0);
    const double k2pi = 2 * M_PI / m.lens.wl[0];
    for (int k = 0; k < nfp; ++k) m.dmtf[e0 + k] = {0, 0, 0};
    bool cut = false;
    for (int k = 0; k < nfp; ++k) {
        m.freqlabel[k] = k * m.lens.nfreq / (nfp - 1);
        const double fl = m.freqlabel[k];
        double b = m.telescope() ? std::fabs(m.lens.mag) * (fl / 2 * m.lens.wl[0] / m.lens.rays.y[1])
                                 : std::fabs(fl / 2 * m.lens.wl[0] / m.lens.na);
        if (offaxis) b *= shiftscale;
        const double o = 1 - (b / pupa) * (b / pupa);
        Index3& out = m.dmtf[e0 + k];
        if (o < 0 || cut) {
            cut = true;
            out = {0, 0, 0};
            continue;
        }
        // sagittal: shift along x
        const double u = pupb * std::sqrt(o);
        double sum = 0;
        for (int j = 0; j < n; ++j) {
            const double y = q.t[j] * u;
            const double c = 1 - (y / pupb) * (y / pupb);
            if (!(c > 0)) continue;
            const double X = pupa * std::sqrt(c) - b;
            double S = 0;
            for (int i = n - half; i < n; ++i) {
                const double x = q.t[i] * X;
                const double phi = (wavepoly(coef, offaxis, x + b, y + pupc) - wavepoly(coef, offaxis, x - b, y + pupc)) * k2pi;
                S += q.g[i] * std::cos(phi);
            }
            sum += q.g[j] * S * X;
        }
        const double sag = sum * u * 2 / (M_PI * pupa * pupb);
        if (!offaxis) {
            out[1] = sag;
            continue;
        }
        out[0] = sag;
        // tangential: shift along y
        const double v = pupb - b;
        double re = 0, im = 0;
        for (int j = 0; j < n; ++j) {
            const double y = q.t[j] * v;
            const double C = (std::fabs(y) + b) / pupb;
            if (!(1 - C * C > 0)) continue;
            const double D = pupa * std::sqrt(1 - C * C);
            for (int i = n - half; i < n; ++i) {
                const double x = q.t[i] * D;
                const double phi = (wavepoly(coef, true, x, y + b + pupc) - wavepoly(coef, true, x, y - b + pupc)) * k2pi;
                re += q.g[j] * D * q.g[i] * std::cos(phi);
                im += q.g[j] * D * q.g[i] * std::sin(phi);
            }
        }
        const double scale = 2 * v / (M_PI * pupa * pupb);
        re *= scale;
        im *= scale;
        out[1] = std::sqrt(re * re + im * im);
        out[2] = (re == 0 && im == 0) ? 0 : std::atan(im / re);
    }
}

// ---------------------------------------------------------------- exit-pupil bound

void dotfparax(Model& m, double& y, double& u) {
    const int ns = m.lens.nsurf;
    for (int i = 0; i < ns; ++i) {
        for (int w = 0; w < 3; ++w) {
            if (m.lens.sys.sp.index[i + 1][w] == 0) {
                fail(m, "Error in dotfparax - index of refraction must be different from zero");
                return;
            }
            m.lens.mu[i][w] = m.lens.sys.sp.index[i][w] / m.lens.sys.sp.index[i + 1][w];
        }
    }
    for (int i = 0; i < ns; ++i) {
        const double mu = m.lens.mu[i][0];
        u = u * mu - y * m.lens.sys.sp.curv[i] * (1 - mu);
        y = y + m.lens.sys.sp.sep[i + 1] * u;
    }
}

namespace {

// The columns (wavelengths) traced and fitted in this run.
std::vector<int> wavecolumns(const Model& m, bool mtfmode) {
    if (!mtfmode) return {m.selwl};
    std::vector<int> c;
    for (int w = 0; w < m.nspotwl; ++w) c.push_back(w);
    return c;
}

// Sets pupillimit, axisrefradius and oplref of the axis.
void pupilbound(Model& m, const std::vector<int>& cols) {
    auto& sp = m.lens.sys.sp;
    const int ns = m.lens.nsurf;
    const double savedsep = sp.sep[ns];
    sp.sep[ns] = 0;
    for (int w : cols) {
        m.trace.oplref[w] = 0;
        for (int i = 1; i < ns; ++i) m.trace.oplref[w] += sp.index[i][w] * sp.sep[i];
    }
    double y = 1, u = 0;
    dotfparax(m, y, u);
    if (m.calcerror) {
        sp.sep[ns] = savedsep;
        return;
    }
    const double d1 = u != 0 ? (1 - y) / u : 1e6;
    double d2 = 1e6;
    for (int k = 1; k < m.lens.nrays; ++k) {
        if (m.lens.rays.rl[k] % 10 != 3) continue;
        const double mk = m.lens.rays.m[k];
        y = m.lens.rays.y[k];
        u = mk / std::sqrt(1 - mk * mk);
        dotfparax(m, y, u);
        d2 = u != 0 ? -y / u : 1e6;
        break;
    }
    m.trace.pupillimit = std::fabs(d1) > std::fabs(d2) ? d2 : d1;
    sp.sep[ns] = savedsep;
    if (!m.telescope())
        m.trace.axisrefradius = sp.sep[ns] - m.trace.pupillimit;
    else if (m.lens.systype < 6 && m.lens.defocus != 0)
        m.trace.axisrefradius = 1 / (-m.lens.defocus / 1000);
    else
        m.trace.axisrefradius = 1e30;
    for (int w : cols) m.trace.oplref[w] += m.trace.pupillimit * sp.index[ns][w];
}

// Reference sphere of the axis: through the axial point of the exit pupil, centred on the
// axial image point.
void axissphere(Model& m) {
    m.trace.refzp = m.trace.pupillimit;
    m.trace.refradius = m.trace.axisrefradius;
    m.trace.refcurv = curvatureof(m.trace.axisrefradius);
    m.trace.refA = 0;
    m.trace.refB = 1;
}

void tracesample(Model& m, int k, int kind, int w, double X, double Y, double L, double M) {
    TraceOpts opts;
    opts.refsphere = true;
    raytrace(m, Ray{X, Y, L, M, std::sqrt(1 - L * L - M * M), k, kind}, w, opts);
}

FitQuality fitquality(const Model& m, const std::vector<double>& coef, bool offaxis,
                      const std::vector<double>& xs, const std::vector<double>& ys, const std::vector<double>& opd) {
    FitQuality q;
    std::vector<double> c = coef;
    if (offaxis) c[0] = 0;  // the piston term is left out
    double s2 = 0, a2 = 0;
    for (size_t p = 0; p < opd.size(); ++p) {
        const double res = wavepoly(c, offaxis, xs[p], ys[p]) - opd[p];
        s2 += res * res;
        a2 += opd[p] * opd[p];
        q.maximum = std::max(q.maximum, std::fabs(res));
    }
    const double n = static_cast<double>(opd.size());
    q.rms = std::sqrt(s2 / n) / m.lens.wl[0];
    q.maximum /= m.lens.wl[0];
    q.aberrms = std::sqrt(a2 / n) / m.lens.wl[0];
    return q;
}

// Name of off-axis field f in the report titles: the last field is "wmax".
const char* wbrfieldname(const Model& m, int f) {
    static const char* const names[] = {"wmax", "0.7*wmax", "0.5*wmax"};
    const int i = m.lens.nfields - 1 - f;
    return i >= 0 && i < 3 ? names[i] : "wmax";
}

struct WaveSamples {
    std::vector<double> x, y, opd;
};

// Fits, reports and integrates one column of one field.
void fitcolumn(Model& m, int f, int w, bool mtfmode, const WaveSamples& s, double pupa, double pupb, double pupc,
               double shiftscale, IqRun& run) {
    const bool offaxis = f > 0;
    const int nterms = offaxis ? (m.polydeg == 3 ? 10 : 15) : (m.polydeg == 3 ? 4 : 6);
    std::vector<std::vector<double>> B(nterms, std::vector<double>(s.opd.size()));
    for (size_t p = 0; p < s.opd.size(); ++p) {
        const auto b = wavebasis(nterms, offaxis, s.x[p], s.y[p]);
        for (int i = 0; i < nterms; ++i) B[i][p] = b[i];
    }
    const std::vector<double> coef = polyfit(B, s.opd);
    const FitQuality q = fitquality(m, coef, offaxis, s.x, s.y, s.opd);
    if (q.inadequate()) run.notices.push_back({"Diffractional MTF", "Polinomial maybe not adequate !"});
    run.fits.push_back({f, w, coef, q, s.x, s.y, s.opd});
    if (!mtfmode) {
        auto& L = run.lines;
        L.push_back(" ");
        if (offaxis)
            L.push_back(std::string("Calculation of the aberrational polynomial (wave aberration) for skew rays (w=") +
                        wbrfieldname(m, f) + ")");
        else
            L.push_back("Calculation of the aberrational polynomial (wave aberration) for axial rays");
        static const char* const names[15] = {"W00", "W20", "W11", "W40", "W31", "W22", "W60", "W51",
                                              "W42", "W33", "W80", "W71", "W62", "W53", "W44"};
        if (!offaxis) {
            std::string line;
            for (int i = 1; i < nterms; ++i)
                line += (i > 1 ? "   W" : "W") + std::to_string(20 * i) + "= " + fmtf(coef[i], 10, 6);
            L.push_back(line);
        } else {
            for (int i0 = 0; i0 < nterms; i0 += 5) {
                std::string line;
                for (int i = i0; i < i0 + 5; ++i) line += (i > i0 ? "   " : "") + std::string(names[i]) + "= " + fmtf(coef[i], 10, 6);
                L.push_back(line);
            }
        }
        L.push_back(" ");
        L.push_back("Root mean square error (rms) in polinomial fit is " + fmtf(q.rms, 10, 6));
        L.push_back("Maximal error in polinomial fit is " + fmtf(q.maximum, 10, 6));
        L.push_back("Root mean square error (rms) aberration is " + fmtf(q.aberrms, 10, 6));
        return;
    }
    dmtfintegrate(m, f, w, coef, offaxis, pupa, pupb, pupc, shiftscale);
}

// Axis: ten zones of ray 1. Returns the normalization radius Rp.
double axisfield(Model& m, const std::vector<int>& cols, bool mtfmode, IqRun& run) {
    const auto& r = m.lens.rays;
    std::vector<WaveSamples> s(3);
    for (int w : cols) {
        axissphere(m);
        for (int p = 1; p <= 10; ++p) {
            tracesample(m, 1, r.rl[1] % 10, w, r.x[1], p * r.y[1] / 10, r.l[1], r.m[1]);
            if (m.calcerror) return 0;
            s[w].opd.push_back(m.trace.opd[w]);
            s[w].y.push_back(m.trace.Ye);
            s[w].x.push_back(0);
        }
    }
    const double rp = s[cols[0]].y[9];
    if (rp == 0) {
        fail(m, "Exit pupil of the axial rays has no height!");
        return 0;
    }
    for (int w : cols) {
        if (!mtfmode) {
            run.lines.push_back(" ");
            run.lines.push_back("Calculation of the optical path difference for axial rays");
            for (int p = 0; p < 10; ++p)
                run.lines.push_back("h=" + fmtf(s[w].y[p], 11, 3) + "  opd=" + fmtf(s[w].opd[p], 8, 3));
        }
        for (double& y : s[w].y) y /= rp;
        fitcolumn(m, 0, w, mtfmode, s[w], 1, 1, 0, 1, run);
    }
    return rp;
}

// Off-axis field f with chief ray k.
void offaxisfield(Model& m, int f, int k, double rp, const std::vector<int>& cols, bool mtfmode, IqRun& run) {
    const auto& r = m.lens.rays;
    double ymin = 1e5, ymax = -1e5, xmax = 0;
    int j = k + 1;
    for (; j < m.lens.nrays && r.rl[j] % 10 == 4; ++j) {
        ymin = std::min(ymin, r.y[j]);
        ymax = std::max(ymax, r.y[j]);
    }
    const int ncoma = j - k - 1;
    for (; j < m.lens.nrays && r.rl[j] % 10 == 5; ++j) xmax = std::max(xmax, r.x[j]);
    if (ncoma == 0 || j - k - 1 == ncoma) {
        fail(m, "Coma or skew rays of a field are missing in the ray scheme!");
        return;
    }
    const double yc = (ymin + ymax) / 2, hy = std::fabs(ymax - ymin) / 2;
    const double L = r.l[k], M = r.m[k];

    // The centre sample sets up the field's reference sphere (at the first wavelength) and
    // becomes the reference of the optical path.
    std::array<double, 3> xe0{}, ye0{};
    std::vector<int> centrecols = cols;
    if (std::find(cols.begin(), cols.end(), 0) == cols.end()) centrecols.insert(centrecols.begin(), 0);
    for (int w : centrecols) {
        tracesample(m, k, 3, w, 0, yc, L, M);
        if (m.calcerror) return;
        m.trace.oplref[w] = m.trace.opl[w];
        xe0[w] = m.trace.Xe;
        ye0[w] = m.trace.Ye;
    }
    const double fieldradius = m.trace.refradius;
    std::vector<WaveSamples> s(3);
    for (int w : cols) {
        s[w].opd.push_back(0);
        s[w].x.push_back(xe0[w] / rp);
        s[w].y.push_back(ye0[w] / rp);
    }
    if (!mtfmode) {
        run.lines.push_back(" ");
        run.lines.push_back(std::string("Calculation of the optical path difference for skew rays (w=") +
                            wbrfieldname(m, f) + ")");
    }
    for (int K = 2; K <= 5; ++K) {
        for (int jj = 0; jj <= 2 * K - 2; ++jj) {
            const double th = jj * M_PI / (2 * K - 2);
            const double X = std::sin(th) * K * xmax / 5, Y = std::cos(th) * K * hy / 5 + yc;
            for (int w : cols) {
                tracesample(m, k, 4, w, X, Y, L, M);
                if (m.calcerror) return;
                s[w].opd.push_back(m.trace.opd[w]);
                s[w].x.push_back(m.trace.Xe / rp);
                s[w].y.push_back(m.trace.Ye / rp);
                if (!mtfmode)
                    run.lines.push_back("y=" + fmtf(Y, 8, 3) + "  x=" + fmtf(X, 8, 3) + "  opd=" + fmtf(m.trace.opd[w], 10, 7));
            }
        }
    }
    // The shift grows with the field's reference radius over the axis radius; a plane
    // reference (telescopes) on either side leaves it as it is.
    const bool finite = m.trace.axisrefradius != 0 && std::fabs(m.trace.axisrefradius) < 1e29 && std::fabs(fieldradius) < 1e29;
    const double scale = finite ? fieldradius / m.trace.axisrefradius : 1;
    for (int w : cols) {
        WaveSamples& sw = s[w];
        const double y0 = sw.y[0];
        double pupa = -1e5, ylo = 1e300, yhi = -1e300;
        for (size_t p = 0; p < sw.y.size(); ++p) {
            sw.y[p] -= y0;
            pupa = std::max(pupa, sw.x[p]);
            ylo = std::min(ylo, sw.y[p]);
            yhi = std::max(yhi, sw.y[p]);
        }
        fitcolumn(m, f, w, mtfmode, sw, pupa, std::fabs(yhi - ylo) / 2, (yhi + ylo) / 2, scale, run);
    }
}

void dtfreport(const Model& m, IqRun& run) {
    auto& L = run.lines;
    const bool table = m.lens.nfields == 3 || m.lens.nfields == 4;
    L.push_back("        Tabular review of diffraction MTF calculation");
    L.push_back(" ");
    L.push_back(run.header);
    L.push_back(" ");
    for (int w = 0; w < m.nspotwl; ++w) {
        L.push_back(wltitle(m, w));
        L.push_back(" ");
        if (table) {
            mtfheads(m, MtfTable::Geometrical, L);
            L.push_back(" ");
            mtfrows(m, MtfTable::Diffraction, m.dmtf, w, L);
        }
        L.push_back(" ");
    }
    if (!m.mono) {
        L.push_back("                       White light");
        if (table) {
            mtfheads(m, MtfTable::Geometrical, L);
            L.push_back(" ");
            mtfrows(m, MtfTable::Diffraction, m.dmtf, 3, L);
        }
    }
    L.push_back(" ");
    L.push_back("Measurement units are mm");
}

void wavedriver(Model& m, bool mtfmode, IqRun& run) {
    // An objective's image plane follows the defocus (the OPD dialog may have changed it);
    // a telescope takes its defocus through the reference radius and keeps its eye plane.
    if (!m.telescope()) {
        nudatparax(m);
        if (m.calcerror) return;
    }
    m.nspotwl = m.mono ? 1 : 3;
    if (mtfmode) {
        if (m.nfpoints < 2) calcnfpoints(m);
        if (m.dmtf.size() != static_cast<size_t>(m.lens.nfields) * 3 * static_cast<size_t>(m.nfpoints) + 1)
            sizemtfarrays(m);
        m.freqlabel[0] = 0;
        const int nfp = m.nfpoints;
        for (int f = 0; f < m.lens.nfields; ++f) {
            for (int w = 0; w < 3; ++w) {
                const size_t e0 = mtfindex(m, f, w, 0);
                m.dlmtf[e0] = 1;
                for (int j = 1; j < nfp; ++j) {
                    const double s = m.telescope() ? (j + 1.0) * m.lens.nfreq * m.lens.wl[w] * m.lens.mag / (nfp * m.lens.rays.y[1])
                                                   : (j + 1.0) * m.lens.nfreq * m.lens.wl[w] / (nfp * m.lens.na);
                    m.dlmtf[e0 + j] = dlfactor(std::fabs(s));
                }
            }
        }
    }
    const std::vector<int> cols = wavecolumns(m, mtfmode);
    pupilbound(m, cols);
    if (m.calcerror) return;
    if (m.lens.nrays < 2) {
        fail(m, "Ray scheme has no axial rays!");
        return;
    }
    const double rp = axisfield(m, cols, mtfmode, run);
    if (m.calcerror) return;
    int f = 0;
    for (int k = 2; k < m.lens.nrays && f + 1 < m.lens.nfields; ++k) {
        if (m.lens.rays.rl[k] % 10 != 3) continue;
        ++f;
        offaxisfield(m, f, k, rp, cols, mtfmode, run);
        if (m.calcerror) return;
    }
    if (mtfmode) dtfreport(m, run);
}

}  // namespace

std::string wbrtitle(const Model& m) {
    static const char* const dcf[3] = {"d", "C", "F"};
    const std::string t = "Calculation of the Optical Path Difference and Wave Aberration for ";
    if (fmtf(m.lens.wl[0] * 1e6, 5, 1) == "587.6") return t + dcf[m.selwl % 3] + " spectral line";
    return t + fmtf(m.lens.wl[m.selwl % 3] * 1e6, 5, 1) + "nm spectral line";
}

void wavecalc(Model& m, IqRun& run) {
    const bool mtfmode = m.dmtfvalid;
    if (!mtfmode && !m.wbrmode) return;
    if (!mtfmode) {
        run.lines.push_back(wbrtitle(m));
        run.lines.push_back(" ");
        run.lines.push_back(run.header);
        run.lines.push_back(" ");
    }
    wavedriver(m, mtfmode, run);
    if (m.calcerror) {
        m.dmtfvalid = false;
        m.wbrmode = false;
    }
}

}  // namespace zefo
