// Frequency grid and validity flags of the spot diagram and MTF (their parameter dialogs
// are the forms of forms/iqforms.h).
#include <cmath>

#include "core/imagequality/imagequality.h"
#include "core/util/numfmt.h"

namespace zefo {

std::string iqheader(const std::string& sysname, const std::string& filename, const std::string& date) {
    return "System name =" + sysname + "        File = " + filename + "     " + date;
}

void cleariqflags(Model& m) {
    m.spotvalid = m.gmtfvalid = m.tfmtfvalid = m.dmtfvalid = false;
}

double calcflimit(const Model& m) {
    if (m.telescope()) {
        const double y1 = m.lens.rays.y.size() > 1 ? m.lens.rays.y[1] : 0;
        return 2 * std::fabs(y1 / (m.lens.mag * m.lens.wl[0]));
    }
    return 2 * std::fabs(m.lens.na / m.lens.wl[0]);
}

void sizemtfarrays(Model& m) {
    const size_t n = static_cast<size_t>(m.lens.nfields) * 3 * static_cast<size_t>(m.nfpoints) + 1;
    m.gmtf.resize(n, Index3{0, 0, 0});
    m.tfmtf.resize(n, Index3{0, 0, 0});
    m.dmtf.resize(n, Index3{0, 0, 0});
    m.dlmtf.resize(n, 0.0);
    m.freqlabel.resize(static_cast<size_t>(m.nfpoints) + 1, 0);
    m.tfpos.resize(static_cast<size_t>(m.nfpoints) + 1, 0.0);
}

void calcnfpoints(Model& m, bool resize) {
    // An increment below 1 (possible from a lens data file) counts as 1.
    if (m.lens.dfreq < 1) m.lens.dfreq = 1;
    const int nfreq = m.lens.nfreq;
    int n = nfreq / m.lens.dfreq + 1;
    if (n < 26) {
        if (m.lens.dfreq > 1 && nfreq / 25 >= 1) {
            m.lens.dfreq = nfreq / 25;
            n = nfreq / m.lens.dfreq + 1;
        } else {
            // fewer than 25 frequencies cannot be spread with a larger step: use step 1
            m.lens.dfreq = 1;
            n = nfreq + 1;
            n = n * (26 / n + 1);
        }
    }
    const bool changed = n != m.nfpoints;
    m.nfpoints = n;
    if (resize && changed) {
        sizemtfarrays(m);
        m.gmtfvalid = m.tfmtfvalid = m.dmtfvalid = false;
    }
}

double dlfactor(double s) {
    if (!(s < 2)) return 0;  // also for a frequency that has no finite normalization
    const double phi = 2 * std::acos(std::fabs(s) / 2);
    return (phi - std::sin(phi)) / M_PI;
}

double normfreq(const Model& m, int w, double freq) {
    if (m.telescope()) return std::fabs(freq * m.lens.wl[w] * m.lens.mag / m.lens.rays.y[1]);
    return std::fabs(freq * m.lens.wl[w] / m.lens.na);
}

void setfreqlabels(Model& m, int fmax) {
    const int nfp = m.nfpoints;
    m.freqlabel[0] = 0;
    for (int k = 1; k < nfp; ++k) m.freqlabel[k] = static_cast<int32_t>(static_cast<long long>(k) * fmax / (nfp - 1));
}

double gmtffrequency(const Model& m, int k) { return k == 0 ? 1 : m.freqlabel[k]; }

}  // namespace zefo
