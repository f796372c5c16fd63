// Frequency grid of the spot diagram and MTF (their parameter dialogs
// are the forms of forms/iqforms.h).
#include <cmath>

#include "core/imagequality/imagequality.h"
#include "core/util/numfmt.h"

namespace zefo {

std::string iqheader(const std::string& sysname, const std::string& filename, const std::string& date) {
    return "System name =" + sysname + "        File = " + filename + "     " + date;
}

double calcflimit(const Model& m) {
    if (m.telescope()) {
        const double y1 = m.lens.rays.y.size() > 1 ? m.lens.rays.y[1] : 0;
        return 2 * std::fabs(y1 / (m.lens.mag * m.lens.wl[0]));
    }
    return 2 * std::fabs(m.lens.na / m.lens.wl[0]);
}

int mtfgridpoints(int nfreq, int32_t& dfreq) {
    // An increment below 1 (possible from a lens data file) counts as 1.
    if (dfreq < 1) dfreq = 1;
    int n = nfreq / dfreq + 1;
    if (n < 26) {
        if (dfreq > 1 && nfreq / 25 >= 1) {
            dfreq = nfreq / 25;
            n = nfreq / dfreq + 1;
        } else {
            // fewer than 25 frequencies cannot be spread with a larger step: use step 1
            dfreq = 1;
            n = nfreq + 1;
            n = n * (26 / n + 1);
        }
    }
    return n;
}

int normalizemtfgrid(OpticalSystem& lens) { return mtfgridpoints(lens.nfreq, lens.dfreq); }

int mtfgridpoints(const OpticalSystem& lens) {
    int32_t dfreq = lens.dfreq;
    return mtfgridpoints(lens.nfreq, dfreq);
}

double dlfactor(double s) {
    if (!(s < 2)) return 0;  // also for a frequency that has no finite normalization
    const double phi = 2 * std::acos(std::fabs(s) / 2);
    return (phi - std::sin(phi)) / M_PI;
}

double normfreq(const OpticalSystem& lens, int w, double freq) {
    if (lens.telescope()) return std::fabs(freq * lens.wl[w] * lens.mag / lens.rays.y[1]);
    return std::fabs(freq * lens.wl[w] / lens.na);
}

MtfResult mtftable(MtfKind kind, const OpticalSystem& lens, int nwl, int npoints, int fmax) {
    MtfResult r;
    r.kind = kind;
    r.nfields = lens.nfields;
    r.nwl = nwl;
    r.npoints = npoints;
    const size_t n = static_cast<size_t>(r.nfields) * 3 * static_cast<size_t>(npoints);
    r.values.assign(n, Index3{0, 0, 0});
    if (kind == MtfKind::ThroughFocus) {
        r.focus.assign(static_cast<size_t>(npoints), 0.0);
        return r;
    }
    r.limit.assign(n, 0.0);
    r.freq.assign(static_cast<size_t>(npoints), 0);
    for (int k = 1; k < npoints; ++k) r.freq[k] = static_cast<int32_t>(static_cast<long long>(k) * fmax / (npoints - 1));
    return r;
}

double gmtffrequency(const MtfResult& mtf, int k) { return k == 0 ? 1 : mtf.freq[k]; }

}  // namespace zefo
