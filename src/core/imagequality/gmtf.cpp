// Geometrical and through-focus MTF from the spot ray table, and the MTF tables of the
// ".gtf", ".gtt" and ".dtf" reports.
#include <algorithm>
#include <cmath>
#include <complex>

#include "core/imagequality/imagequality.h"
#include "core/imagequality/mtftable.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// The arrays hold the current nfpoints and fields; true when a spot table exists.
bool mtfready(Model& m) {
    if (!m.spotvalid) {
        fail(m, "Spot diagram must be calculated before the MTF!");
        return false;
    }
    if (m.nfpoints < 2) calcnfpoints(m);
    if (m.gmtf.size() != static_cast<size_t>(m.lens.nfields) * 3 * static_cast<size_t>(m.nfpoints) + 1)
        sizemtfarrays(m);
    return true;
}

// Ends an MTF calculation: a table that is not finite fails it (nonfinitemsg) and clears
// the validity flags; otherwise the report is written and valid is set.
void finishmtf(Model& m, MtfTable kind, const std::vector<Index3>& a, bool& valid, IqRun& run) {
    if (!finitetable(m, a)) fail(m, nonfinitemsg);
    if (!m.calcerror) mtfreport(m, kind, a, run);
    if (m.calcerror || !checkfinite(m, run.numbers)) return cleariqflags(m);
    valid = true;
}

// Modulus and phase of a tangential sum; zero when nothing was summed.
double phasedeg(double re, double im) {
    if (re == 0 && im == 0) return 0;
    return std::atan(im / re) * 180 / M_PI;
}

}  // namespace

void gmtfcalc(Model& m, int fmax, IqRun& run) {
    m.gmtfvalid = false;
    if (!mtfready(m)) return;
    const int nfp = m.nfpoints;
    setfreqlabels(m, fmax);
    for (int f = 0; f < m.lens.nfields; ++f) {
        for (int w = 0; w < m.nspotwl; ++w) {
            const size_t e0 = mtfindex(m, f, w, 0);
            const double W = m.lens.wlmtfweight[w];
            const int n = m.spot.passed[f][w];
            for (int k = 0; k < nfp; ++k) m.gmtf[e0 + k] = {0, 0, 0};
            auto add = [&](int k, std::complex<double> zx, std::complex<double> zy) {
                Index3& g = m.gmtf[e0 + k];
                g[0] += W * zx.real();
                g[1] += W * zy.real();
                g[2] += W * zy.imag();
            };
            for (int i = m.spot.groupstart[f * 3 + w]; i < m.spot.groupstart[f * 3 + w + 1]; ++i) {
                double ex, ey;
                spotpoint(m, f, m.spot.rays[i], m.lens.defocus, ex, ey);
                // e^(i 2 pi nu e) at the integer frequencies nu = 0, 1, ... by repeated
                // multiplication; the grid points take the powers their labels name.
                const std::complex<double> zx1 = std::polar(1.0, 2 * M_PI * ex), zy1 = std::polar(1.0, 2 * M_PI * ey);
                std::complex<double> zx = 1, zy = 1;
                int k = 1;
                for (int nu = 0; nu <= std::max(fmax, 1); ++nu, zx *= zx1, zy *= zy1) {
                    if (nu == 1) add(0, zx, zy);
                    for (; k < nfp && m.freqlabel[k] == nu; ++k) add(k, zx, zy);
                }
            }
            bool cut = n == 0;
            for (int k = 0; k < nfp; ++k) {
                m.dlmtf[e0 + k] = dlfactor(normfreq(m, w, gmtffrequency(m, k)));
                Index3& g = m.gmtf[e0 + k];
                if (g[0] <= 0) cut = true;
                if (cut) {
                    g = {0, 0, 0};
                    continue;
                }
                const double phase = phasedeg(g[1], g[2]);
                const double d = m.dlmtf[e0 + k];
                g = {g[0] * d / n, std::sqrt(g[1] * g[1] + g[2] * g[2]) * d / n, phase};
            }
        }
    }
    finishmtf(m, MtfTable::Geometrical, m.gmtf, m.gmtfvalid, run);
}

void tfmtfcalc(Model& m, int fmax, IqRun& run) {
    m.tfmtfvalid = false;
    if (!mtfready(m)) return;
    const int nfp = m.nfpoints;
    for (int k = 0; k < nfp; ++k) m.tfpos[k] = m.lens.defocus - 2 * m.lens.ddefocus + 4.0 * k * m.lens.ddefocus / nfp;
    for (int f = 0; f < m.lens.nfields; ++f) {
        for (int w = 0; w < m.nspotwl; ++w) {
            const size_t e0 = mtfindex(m, f, w, 0);
            const double W = m.lens.wlmtfweight[w];
            const int n = m.spot.passed[f][w];
            for (int k = 0; k < nfp; ++k) m.tfmtf[e0 + k] = {0, 0, 0};
            for (int i = m.spot.groupstart[f * 3 + w]; i < m.spot.groupstart[f * 3 + w + 1]; ++i) {
                for (int k = 0; k < nfp; ++k) {
                    double ex, ey;
                    spotpoint(m, f, m.spot.rays[i], m.tfpos[k], ex, ey);
                    const double px = 2 * M_PI * fmax * ex, py = 2 * M_PI * fmax * ey;
                    Index3& t = m.tfmtf[e0 + k];
                    t[0] += W * std::cos(px);
                    t[1] += W * std::cos(py);
                    t[2] += W * std::sin(py);
                }
            }
            const double v = dlfactor(normfreq(m, w, fmax));
            for (int k = 0; k < nfp; ++k) {
                Index3& t = m.tfmtf[e0 + k];
                const double phase = phasedeg(t[1], t[2]);
                const double sag = (n > 0 && t[0] > 0) ? t[0] * v / n : 0;
                const double tan = (n > 0 && t[1] > 0) ? v * std::sqrt(t[1] * t[1] + t[2] * t[2]) / n : 0;
                t = {sag, tan, phase};
            }
        }
    }
    finishmtf(m, MtfTable::ThroughFocus, m.tfmtf, m.tfmtfvalid, run);
}

// ---------------------------------------------------------------- tables

bool finitetable(const Model& m, const std::vector<Index3>& a) {
    for (int f = 0; f < m.lens.nfields; ++f)
        for (int w = 0; w < m.nspotwl; ++w)
            for (int k = 0; k < m.nfpoints; ++k)
                for (double v : a[mtfindex(m, f, w, k)])
                    if (!std::isfinite(v)) return false;
    return true;
}

std::string wltitle(const Model& m, int w) {
    static const char* const dcf[3] = {"d", "C", "F"};
    const bool dline = fmtf(m.lens.wl[0] * 1e6, 5, 1) == "587.6";
    return std::string("                     ") + (dline ? dcf[w] : std::to_string(w + 1)) + " spectral line";
}

void mtfheads(const Model& m, MtfTable kind, std::vector<std::string>& L) {
    const bool tf = kind == MtfTable::ThroughFocus;
    const bool four = m.lens.nfields == 4;
    if (tf) {
        L.push_back(four ? "   dist        TFMTF    TFMTF 0.5*wmax      TFMTF 0.7*wmax      TFMTF wmax"
                         : "   dist        TFMTF    TFMTF 0.7*wmax      TFMTF wmax");
    } else {
        L.push_back(four ? "   freq      MTF       MTF 0.5*wmax        MTF 0.7*wmax        MTF wmax"
                         : "   freq      MTF       MTF 0.7*wmax        MTF wmax");
    }
    std::string wline = tf ? "               w=0step   w=" : "           w=0 step    w=";
    for (int f = 1; f < m.lens.nfields; ++f) wline += (f > 1 ? " step      w=" : "") + fmtf(m.lens.field[f], 5, 2);
    L.push_back(wline + " step");
    std::string axial = tf ? "               axial     sag      tan      sag      tan"
                           : "            axial      sag      tan      sag      tan";
    std::string units = tf ? "               [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]"
                           : "            [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]";
    if (four) {
        axial += "      sag      tan";
        units += "  [lp/mm]  [lp/mm]";
    }
    L.push_back(axial);
    L.push_back(units);
}

// Rows of one wavelength (w 0..2) or of white light (w = 3: mean of the three).
void mtfrows(const Model& m, MtfTable kind, const std::vector<Index3>& a, int w, std::vector<std::string>& L) {
    const int first = kind == MtfTable::Diffraction ? 1 : 0;
    for (int k = first; k < m.nfpoints; ++k) {
        auto value = [&](int f, int j) {
            if (w < 3) return a[mtfindex(m, f, w, k)][j];
            double s = 0;
            for (int c = 0; c < 3; ++c) s += a[mtfindex(m, f, c, k)][j];
            return s / 3;
        };
        std::string row;
        if (kind == MtfTable::ThroughFocus)
            row = (m.tfpos[k] >= 0 ? "    " : "   ") + fmtf(m.tfpos[k], 6, 4) + "  ";
        else if (k == 0)
            row = "      1  ";
        else
            row = "   " + fmti(m.freqlabel[k], 4) + "  ";
        row += fmtf(value(0, 1), 9, 4);
        for (int f = 1; f < m.lens.nfields; ++f) row += fmtf(value(f, 0), 9, 4) + fmtf(value(f, 1), 9, 4);
        L.push_back(row);
    }
}

void mtfreport(const Model& m, MtfTable kind, const std::vector<Index3>& a, IqRun& run) {
    auto& L = run.lines;
    const bool table = m.lens.nfields == 3 || m.lens.nfields == 4;
    L.push_back(kind == MtfTable::ThroughFocus
                    ? "        Tabular review of through the focus geometrical MTF calculation"
                    : "        Tabular review of geometrical MTF calculation");
    L.push_back(" ");
    L.push_back(" ");
    L.push_back(run.header);
    L.push_back(" ");
    L.push_back("                    Defocus=" + fmtf(m.lens.defocus, 8, 3));
    L.push_back(" ");
    for (int w = 0; w < m.nspotwl; ++w) {
        L.push_back(wltitle(m, w));
        L.push_back(" ");
        if (table) mtfheads(m, kind, L);
        L.push_back(" ");
        if (table) mtfrows(m, kind, a, w, L);
        L.push_back(" ");
    }
    if (!m.mono) {
        L.push_back(" ");
        L.push_back("                       White light");
        L.push_back(" ");
        if (table) mtfheads(m, kind, L);
        L.push_back(" ");
        if (table) mtfrows(m, kind, a, 3, L);
    }
}

}  // namespace zefo
