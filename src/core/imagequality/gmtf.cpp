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

// False (calcerror set) for a spot diagram that was never calculated.
bool mtfready(Model& m, const SpotResult& spot) {
    if (!spot.groupstart.empty()) return true;
    fail(m, "Spot diagram must be calculated before the MTF!");
    return false;
}

// Ends an MTF command: a table that is not finite fails it (nonfinitemsg); otherwise the
// report is written and its numbers checked.
void finishmtf(Model& m, const MtfResult& mtf, IqRun& run) {
    if (!m.calcerror && !mtf.finite()) fail(m, nonfinitemsg);
    if (!m.calcerror) mtfreport(m.lens, mtf, run.header, run.lines);
    checkfinite(m, run.numbers);
}

// Modulus and phase of a tangential sum; zero when nothing was summed.
double phasedeg(double re, double im) {
    if (re == 0 && im == 0) return 0;
    return std::atan(im / re) * 180 / M_PI;
}

}  // namespace

MtfResult geometricalmtf(Model& m, const SpotResult& spot, int fmax) {
    if (!mtfready(m, spot)) return {};
    MtfResult g = mtftable(MtfKind::Geometrical, m.lens, spot.nwl, mtfgridpoints(m.lens), fmax);
    const int nfp = g.npoints;
    for (int f = 0; f < m.lens.nfields; ++f) {
        for (int w = 0; w < spot.nwl; ++w) {
            const size_t e0 = g.index(f, w, 0);
            const double W = m.lens.wlmtfweight[w];
            const int n = spot.passed[f][w];
            auto add = [&](int k, std::complex<double> zx, std::complex<double> zy) {
                Index3& v = g.values[e0 + k];
                v[0] += W * zx.real();
                v[1] += W * zy.real();
                v[2] += W * zy.imag();
            };
            for (int i = spot.groupstart[f * 3 + w]; i < spot.groupstart[f * 3 + w + 1]; ++i) {
                double ex, ey;
                spotpoint(m.lens, spot, f, spot.rays[i], m.lens.defocus, ex, ey);
                // e^(i 2 pi nu e) at the integer frequencies nu = 0, 1, ... by repeated
                // multiplication; the grid points take the powers their labels name.
                const std::complex<double> zx1 = std::polar(1.0, 2 * M_PI * ex), zy1 = std::polar(1.0, 2 * M_PI * ey);
                std::complex<double> zx = 1, zy = 1;
                int k = 1;
                for (int nu = 0; nu <= std::max(fmax, 1); ++nu, zx *= zx1, zy *= zy1) {
                    if (nu == 1) add(0, zx, zy);
                    for (; k < nfp && g.freq[k] == nu; ++k) add(k, zx, zy);
                }
            }
            bool cut = n == 0;
            for (int k = 0; k < nfp; ++k) {
                const double d = g.limit[e0 + k] = dlfactor(normfreq(m.lens, w, gmtffrequency(g, k)));
                Index3& v = g.values[e0 + k];
                if (v[0] <= 0) cut = true;
                if (cut) {
                    v = {0, 0, 0};
                    continue;
                }
                const double phase = phasedeg(v[1], v[2]);
                v = {v[0] * d / n, std::sqrt(v[1] * v[1] + v[2] * v[2]) * d / n, phase};
            }
        }
    }
    return g;
}

MtfResult throughfocusmtf(Model& m, const SpotResult& spot, int fmax) {
    if (!mtfready(m, spot)) return {};
    MtfResult t = mtftable(MtfKind::ThroughFocus, m.lens, spot.nwl, mtfgridpoints(m.lens), fmax);
    const int nfp = t.npoints;
    for (int k = 0; k < nfp; ++k) t.focus[k] = m.lens.defocus - 2 * m.lens.ddefocus + 4.0 * k * m.lens.ddefocus / nfp;
    for (int f = 0; f < m.lens.nfields; ++f) {
        for (int w = 0; w < spot.nwl; ++w) {
            const size_t e0 = t.index(f, w, 0);
            const double W = m.lens.wlmtfweight[w];
            const int n = spot.passed[f][w];
            for (int i = spot.groupstart[f * 3 + w]; i < spot.groupstart[f * 3 + w + 1]; ++i) {
                for (int k = 0; k < nfp; ++k) {
                    double ex, ey;
                    spotpoint(m.lens, spot, f, spot.rays[i], t.focus[k], ex, ey);
                    const double px = 2 * M_PI * fmax * ex, py = 2 * M_PI * fmax * ey;
                    Index3& v = t.values[e0 + k];
                    v[0] += W * std::cos(px);
                    v[1] += W * std::cos(py);
                    v[2] += W * std::sin(py);
                }
            }
            const double d = dlfactor(normfreq(m.lens, w, fmax));
            for (int k = 0; k < nfp; ++k) {
                Index3& v = t.values[e0 + k];
                const double phase = phasedeg(v[1], v[2]);
                const double sag = (n > 0 && v[0] > 0) ? v[0] * d / n : 0;
                const double tan = (n > 0 && v[1] > 0) ? d * std::sqrt(v[1] * v[1] + v[2] * v[2]) / n : 0;
                v = {sag, tan, phase};
            }
        }
    }
    return t;
}

MtfResult gmtfcalc(Model& m, const SpotResult& spot, int fmax, IqRun& run) {
    MtfResult g = geometricalmtf(m, spot, fmax);
    finishmtf(m, g, run);
    return g;
}

MtfResult tfmtfcalc(Model& m, const SpotResult& spot, int fmax, IqRun& run) {
    MtfResult t = throughfocusmtf(m, spot, fmax);
    finishmtf(m, t, run);
    return t;
}

// ---------------------------------------------------------------- tables

bool MtfResult::finite() const {
    for (int f = 0; f < nfields; ++f)
        for (int w = 0; w < nwl; ++w)
            for (int k = 0; k < npoints; ++k)
                for (double v : at(f, w, k))
                    if (!std::isfinite(v)) return false;
    return true;
}

std::string wltitle(const OpticalSystem& lens, int w) {
    static const char* const dcf[3] = {"d", "C", "F"};
    const bool dline = fmtf(lens.wl[0] * 1e6, 5, 1) == "587.6";
    return std::string("                     ") + (dline ? dcf[w] : std::to_string(w + 1)) + " spectral line";
}

void mtfheads(const OpticalSystem& lens, bool tf, std::vector<std::string>& L) {
    const bool four = lens.nfields == 4;
    if (tf) {
        L.push_back(four ? "   dist        TFMTF    TFMTF 0.5*wmax      TFMTF 0.7*wmax      TFMTF wmax"
                         : "   dist        TFMTF    TFMTF 0.7*wmax      TFMTF wmax");
    } else {
        L.push_back(four ? "   freq      MTF       MTF 0.5*wmax        MTF 0.7*wmax        MTF wmax"
                         : "   freq      MTF       MTF 0.7*wmax        MTF wmax");
    }
    std::string wline = tf ? "               w=0step   w=" : "           w=0 step    w=";
    for (int f = 1; f < lens.nfields; ++f) wline += (f > 1 ? " step      w=" : "") + fmtf(lens.field[f], 5, 2);
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
void mtfrows(const OpticalSystem& lens, const MtfResult& a, int w, std::vector<std::string>& L) {
    const int first = a.kind == MtfKind::Diffraction ? 1 : 0;
    for (int k = first; k < a.npoints; ++k) {
        auto value = [&](int f, int j) {
            if (w < 3) return a.at(f, w, k)[j];
            double s = 0;
            for (int c = 0; c < 3; ++c) s += a.at(f, c, k)[j];
            return s / 3;
        };
        std::string row;
        if (a.kind == MtfKind::ThroughFocus)
            row = (a.focus[k] >= 0 ? "    " : "   ") + fmtf(a.focus[k], 6, 4) + "  ";
        else if (k == 0)
            row = "      1  ";
        else
            row = "   " + fmti(a.freq[k], 4) + "  ";
        row += fmtf(value(0, 1), 9, 4);
        for (int f = 1; f < lens.nfields; ++f) row += fmtf(value(f, 0), 9, 4) + fmtf(value(f, 1), 9, 4);
        L.push_back(row);
    }
}

void mtfreport(const OpticalSystem& lens, const MtfResult& a, const std::string& header, std::vector<std::string>& L) {
    const bool table = lens.nfields == 3 || lens.nfields == 4;
    const bool tf = a.kind == MtfKind::ThroughFocus;
    L.push_back(tf ? "        Tabular review of through the focus geometrical MTF calculation"
                   : "        Tabular review of geometrical MTF calculation");
    L.push_back(" ");
    L.push_back(" ");
    L.push_back(header);
    L.push_back(" ");
    L.push_back("                    Defocus=" + fmtf(lens.defocus, 8, 3));
    L.push_back(" ");
    for (int w = 0; w < a.nwl; ++w) {
        L.push_back(wltitle(lens, w));
        L.push_back(" ");
        if (table) mtfheads(lens, tf, L);
        L.push_back(" ");
        if (table) mtfrows(lens, a, w, L);
        L.push_back(" ");
    }
    if (a.nwl > 1) {
        L.push_back(" ");
        L.push_back("                       White light");
        L.push_back(" ");
        if (table) mtfheads(lens, tf, L);
        L.push_back(" ");
        if (table) mtfrows(lens, a, 3, L);
    }
}

}  // namespace zefo
