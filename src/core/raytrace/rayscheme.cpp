#include "core/raytrace/rayscheme.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"
#include "core/util/mathutil.h"

namespace zefo {
namespace {

constexpr double aimtol = 5e-4;      // relative pupil coordinate accuracy of coma and skew rays
constexpr double stoptol = 1e-4;     // chief ray height accuracy at the stop, mm
const char* const msgrays = "Invalid number of rays in the ray scheme";


// Off-axis fields of the layout that belongs to a ray count; 0 for an unknown count.
int layoutfields(int nrays) {
    switch (nrays) {
        case 6: return 1;
        case 17: return 2;
        case 24:
        case 34: return 3;
        default: return 0;
    }
}

void resizerays(Model& m, size_t n) {
    auto& r = m.lens.rays;
    if (r.rl.size() >= n) return;
    r.rl.resize(n);
    for (auto* a : {&r.xrel, &r.yrel, &r.x, &r.y, &r.l, &r.m}) a->resize(n);
}

// Traces ray k at the first wavelength with the path option, as every aiming step does.
void traceray(Model& m, int k) {
    TraceOpts o;
    o.pathB = true;
    schemeray(m, k, m.lens.rays.rl[k] % 10, 0, o);
}

bool objectatinfinity(const Model& m) {
    return m.telescope() ? m.lens.objinf == 'D' : m.lens.mag == 0;
}

// Iterates the start height of chief ray k until it passes the stop centre; with finite
// set the ray is also re-pointed at the object point after each height update.
void aimchief(Model& m, int k, bool finite, const char* msg) {
    auto& r = m.lens.rays;
    for (int it = 0; it < maxaimiter; ++it) {
        traceray(m, k);
        if (m.calcerror) return;
        if (std::fabs(m.trace.stopheight) < stoptol) {
            const double mk = r.m[k];
            if (mk != 0 && 1 - mk * mk > 0) {
                m.trace.tchief = mk / std::sqrt(1 - mk * mk);
                m.trace.ychief = r.y[k];
                m.first.lbarchief = -r.y[k] / m.trace.tchief;
                return;
            }
            fail(m, msg);
            return;
        }
        if (m.first.dystop == 0) break;
        r.y[k] -= m.trace.stopheight / m.first.dystop;
        if (finite) {
            const double g = (r.yrel[k] - r.y[k]) * m.first.objvergence;
            if (g == 0) break;
            r.m[k] = g / std::sqrt(g * g + 1);
            m.first.lbarchief = -r.y[k] / g;
        }
    }
    fail(m, msg);
}

// Start of the chief ray k of a field from its field value, then its aiming.
void chiefray(Model& m, int k) {
    auto& r = m.lens.rays;
    if (objectatinfinity(m)) {
        const double a = r.yrel[k] * std::numbers::pi / 180;
        r.m[k] = std::sin(a);
        r.y[k] = -std::tan(a) * m.first.lbarchief + 0.0;
        aimchiefinfinite(m, k);
    } else {
        startchieffinite(m, k);
    }
}

// Shared aiming of the coma rays; upper selects the upper edge.
void aimcoma(Model& m, int k, bool upper, const char* msg) {
    auto& r = m.lens.rays;
    const auto& hmax = m.lens.sys.sp.hmax;
    const double y1 = r.y[1];
    // the first correction is taken from the ray's own trace, so that the heights and the
    // relative coordinate they are added to belong to the same ray
    setray(m, k);
    if (!m.calcerror) traceray(m, k);
    if (m.calcerror) return;
    for (int it = 0; it < maxaimiter; ++it) {
        double best = upper ? 10 : -10, corr = 0;
        for (int i = 0; i < m.lens.nsurf; ++i) {
            const double h = m.trace.paraxheight[i];
            if (h == 0 || y1 == 0) {
                fail(m, msg);
                return;
            }
            const double Y = m.trace.surfray[i].Y;
            const double A = upper ? (sign(h) * hmax[i] - Y) / (h * y1) : -(sign(h) * hmax[i] + Y) / (h * y1);
            const double B = r.yrel[k] + A;
            if (upper ? B < best : B > best) {
                best = B;
                corr = A;
            }
        }
        r.yrel[k] = best;
        if (std::fabs(corr) <= aimtol) return;
        setray(m, k);
        if (m.calcerror) return;
        traceray(m, k);
        if (m.calcerror) return;
    }
    fail(m, msg);
}

void setzone(Model& m, int k, int from, double f) {
    m.lens.rays.yrel[k] = f * m.lens.rays.yrel[from];
    setray(m, k);
}

void setskewzone(Model& m, int k, int from, double f) {
    m.lens.rays.xrel[k] = f * m.lens.rays.xrel[from];
    setray(m, k);
}

// The rays of one off-axis field of the 17- and 24-ray layouts, chief ray j.
void aimfield7(Model& m, int j) {
    chiefray(m, j);
    if (m.calcerror) return;
    aimlowercoma(m, j + 1);
    if (!m.calcerror) setray(m, j + 1);
    if (!m.calcerror) aimuppercoma(m, j + 4);
    if (!m.calcerror) setray(m, j + 4);
    if (!m.calcerror) setzone(m, j + 2, j + 1, 0.7);
    if (!m.calcerror) setzone(m, j + 3, j + 4, 0.7);
    if (!m.calcerror) aimskew(m, j + 5);
    if (!m.calcerror) setray(m, j + 5);
    if (!m.calcerror) setskewzone(m, j + 6, j + 5, 0.7);
}

// The rays of one off-axis field of the 34-ray layout, chief ray j.
void aimfield10(Model& m, int j) {
    chiefray(m, j);
    if (m.calcerror) return;
    aimlowercoma(m, j + 1);
    if (!m.calcerror) setray(m, j + 1);
    if (!m.calcerror) aimuppercoma(m, j + 6);
    if (!m.calcerror) setray(m, j + 6);
    if (!m.calcerror) setzone(m, j + 2, j + 1, 0.7);
    if (!m.calcerror) setzone(m, j + 3, j + 1, 0.5);
    if (!m.calcerror) setzone(m, j + 4, j + 6, 0.5);
    if (!m.calcerror) setzone(m, j + 5, j + 6, 0.7);
    if (!m.calcerror) aimskew(m, j + 7);
    if (!m.calcerror) setskewzone(m, j + 8, j + 7, 0.7);
    if (!m.calcerror) setskewzone(m, j + 9, j + 7, 0.5);
}

// Clears the relative coordinates of the rays the standard scheme aims.
void clearaimed(Model& m, int nf) {
    auto& r = m.lens.rays;
    auto clear = [&](int from, int to) {
        for (int k = from; k <= to; ++k) r.xrel[k] = r.yrel[k] = 0;
    };
    if (m.lens.nrays == 6) {
        clear(3, 5);
    } else if (m.lens.nrays == 34) {
        for (int f = 1; f <= nf; ++f) clear(10 * f - 5, 10 * f + 3);
    } else {
        for (int f = 1; f <= nf; ++f) clear(7 * f - 3, 7 * f + 2);
    }
}

int countchief(const Model& m) {
    int c = 0;
    for (int k = 1; k < m.lens.nrays; ++k) c += m.lens.rays.rl[k] % 10 == 3 ? 1 : 0;
    return c;
}

}  // namespace

void initstdrays(Model& m) {
    const int family = layoutfields(m.lens.nrays);
    if (family == 0) {
        fail(m, msgrays);
        return;
    }
    int nf = 1;
    int count = 6;
    if (m.lens.nrays == 34) {
        nf = 3;
        count = 34;
    } else if (m.lens.nrays != 6) {
        nf = std::clamp(m.lens.nfields - 1, 2, 3);
        count = 7 * (nf + 1) - 4;
    }
    m.lens.nfields = static_cast<uint8_t>(nf + 1);
    if (m.lens.field.size() < m.lens.nfields) m.lens.field.resize(m.lens.nfields);
    m.lens.nrays = static_cast<uint8_t>(count);
    resizerays(m, static_cast<size_t>(count));
    auto& r = m.lens.rays;
    for (int k = 0; k < count; ++k) {
        r.rl[k] = 0;
        r.xrel[k] = r.yrel[k] = r.x[k] = r.y[k] = r.l[k] = r.m[k] = 0;
    }
    r.rl[0] = 1;
    r.yrel[0] = 1.0;
    r.rl[1] = 12;
    r.yrel[1] = 1.0;
    if (count == 6) {
        const uint8_t labels[] = {13, 14, 14, 5};
        for (int i = 0; i < 4; ++i) r.rl[2 + i] = labels[i];
        r.yrel[2] = m.lens.field[1];
        return;
    }
    r.rl[2] = 12;
    r.yrel[2] = 0.7;
    if (count == 34) {
        r.rl[3] = 2;
        r.yrel[3] = 0.5;
        const uint8_t labels[] = {13, 14, 4, 4, 4, 4, 14, 5, 5, 5};
        for (int f = 1; f <= nf; ++f) {
            const int j = 10 * f - 6;
            for (int i = 0; i < 10; ++i) r.rl[j + i] = labels[i];
            r.yrel[j] = m.lens.field[f];
        }
        return;
    }
    const uint8_t labels[] = {13, 14, 4, 4, 14, 5, 5};
    for (int f = 1; f <= nf; ++f) {
        const int j = 7 * f - 4;
        for (int i = 0; i < 7; ++i) r.rl[j + i] = labels[i];
        r.yrel[j] = m.lens.field[f];
    }
}

void setray(Model& m, int k) {
    auto& r = m.lens.rays;
    const double y0 = r.y[0], m0 = r.m[0];
    if (1 - m0 * m0 <= 0) {
        fail(m, "Error in setray in calculation of x and y coordinates");
        return;
    }
    const double sq = std::sqrt(1 - m0 * m0);
    const double v = m.first.objvergence;
    r.x[k] = r.xrel[k] * y0 / sq;
    r.y[k] = r.yrel[k] * y0 / sq + m.trace.ychief;
    const double p = -r.x[k] * v + 0.0;   // + 0.0: no negative zero
    const double q = m.trace.tchief - v * (r.y[k] - m.trace.ychief) + 0.0;
    const double s = 1 / std::sqrt(p * p + 1 + q * q);
    r.l[k] = p * s;
    r.m[k] = q * s;
}

void aimchiefinfinite(Model& m, int k) { aimchief(m, k, false, "Error in calculation - prinf1"); }

void aimchieffinite(Model& m, int k) { aimchief(m, k, true, "Error in calculation - prinfc1"); }

void startchieffinite(Model& m, int k) {
    auto& r = m.lens.rays;
    const double v = m.first.objvergence;
    if (v == 0 || -1 / v + m.first.lbarchief == 0) {
        fail(m, "Error in calculation - prfc");
        return;
    }
    const double c = -1 / v;
    const double t = r.yrel[k] / (c + m.first.lbarchief);
    r.m[k] = -t / std::sqrt(t * t + 1);
    r.y[k] = r.yrel[k] - c * t;
    aimchieffinite(m, k);
}

void aimfieldchief(Model& m, int k, double field) {
    auto& r = m.lens.rays;
    r.rl[k] = 13;
    r.yrel[k] = field;
    r.xrel[k] = 0;
    r.x[k] = 0;
    r.l[k] = 0;
    chiefray(m, k);
}

void aimlowercoma(Model& m, int k) { aimcoma(m, k, false, "Error in calculation - kosidonji"); }

void aimuppercoma(Model& m, int k) { aimcoma(m, k, true, "Error in calculation - kosigornji"); }

void aimskew(Model& m, int k) {
    const char* const msg = "Error in calculation - vanmeridionalni";
    auto& r = m.lens.rays;
    const auto& hmax = m.lens.sys.sp.hmax;
    const double y1 = r.y[1];
    for (int it = 0; it < maxaimiter; ++it) {
        setray(m, k);
        if (m.calcerror) return;
        traceray(m, k);
        if (m.calcerror) return;
        double best = 10, corr = 0;
        for (int i = 0; i < m.lens.nsurf; ++i) {
            const double h = m.trace.paraxheight[i];
            const double X = m.trace.surfray[i].X, Y = m.trace.surfray[i].Y;
            if (std::fabs(Y) > hmax[i] || h == 0 || y1 == 0) {
                fail(m, msg);
                return;
            }
            const double F = (sign(h) * std::sqrt(hmax[i] * hmax[i] - Y * Y) - X) / (h * y1);
            const double G = r.xrel[k] + F;
            if (G < best) {
                best = G;
                corr = F;
            }
        }
        r.xrel[k] = best;
        if (std::fabs(corr) <= aimtol) return;
    }
    fail(m, msg);
}

namespace {

// Every ray of the scheme; the clear radius of the stop that ray 1 sets is stored at once:
// the coma and skew rays are aimed at it.
void aimscheme(Model& m) {
    if (!m.newsystem) {
        nudatparax(m);
        if (m.calcerror) return;
    }
    const int nf = layoutfields(m.lens.nrays);
    auto& r = m.lens.rays;
    if (nf == 0 || r.rl.size() < m.lens.nrays || r.xrel.size() < m.lens.nrays || r.m.size() < m.lens.nrays) {
        fail(m, msgrays);
        return;
    }
    r.rl[0] = 1;
    r.x[0] = 0;
    r.l[0] = 0;
    m.trace.ychief = m.trace.tchief = 0;
    m.trace.oplref = {0, 0, 0};
    m.trace.opd = {0, 0, 0};
    if (m.lens.raytype != 20 && m.lens.raytype != 10) {
        // normal rays: the stored absolute coordinates are the scheme
        m.lens.nfields = static_cast<uint8_t>(countchief(m) + 1);
        return;
    }
    // unit-height paraxial ray from the axial object point: the derivative of the real ray
    // heights with respect to the relative pupil coordinate, used by the coma and skew aiming
    double yu = 1, uu = -m.first.objvergence;
    paraxtrace(m, yu, uu);
    if (m.lens.raytype == 20) clearaimed(m, nf);
    int counter = 0;
    setray(m, 1);
    if (!m.calcerror) traceray(m, 1);
    applyclearradii(m.lens, m.trace);
    if (m.calcerror) return;
    if (m.lens.nrays == 6) {
        chiefray(m, 2);
        ++counter;
        if (!m.calcerror) aimlowercoma(m, 3);
        if (!m.calcerror) setray(m, 3);
        if (!m.calcerror) aimuppercoma(m, 4);
        if (!m.calcerror) setray(m, 4);
        if (!m.calcerror) aimskew(m, 5);
        if (!m.calcerror) setray(m, 5);
    } else if (m.lens.nrays == 34) {
        setray(m, 2);
        setray(m, 3);
        for (int f = 1; f <= nf && !m.calcerror; ++f) {
            aimfield10(m, 10 * f - 6);
            ++counter;
        }
    } else {
        setray(m, 2);
        for (int f = 1; f <= nf && !m.calcerror; ++f) {
            aimfield7(m, 7 * f - 4);
            ++counter;
        }
    }
    if (m.calcerror) return;
    m.lens.nfields = static_cast<uint8_t>(counter + 1);
}

}  // namespace

void rayscheme(Model& m) {
    aimscheme(m);
    applyclearradii(m.lens, m.trace);   // the image plane's from the chief rays
}

}  // namespace zefo
