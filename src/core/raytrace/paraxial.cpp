#include "core/raytrace/paraxial.h"
#include "core/util/mathutil.h"

#include <cmath>

namespace zefo {
namespace {


bool validstop(Model& m) {
    if (m.lens.stopsurf >= 1 && m.lens.stopsurf <= m.lens.nsurf) return true;
    fail(m, "Invalid aperture stop surface number");
    return false;
}

bool has(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

// Telescope entrance and exit pupil (eye) positions and the dioptric mismatch.
void telescopepupil(Model& m) {
    m.first.dioptricmismatch = 0;
    const bool inf1 = m.lens.objinf == 'D' && m.lens.stopsurf == 1;
    // objdist is the distance of the object in front of the first surface
    gaussimage(m, inf1 ? 0.0 : -m.lens.objdist, 1);
    double s0 = 1e-7;
    if (!inf1) {
        if (m.askentrpupil) m.entrpupil = m.askentrpupil();
        // a pupil on the first surface: 0 would stand for a point at infinity
        s0 = m.entrpupil != 0 ? m.entrpupil : 1e-7;
    }
    m.first.eyepupil = gaussimage(m, s0, 2);
}

// The first-order data the lens keeps, copied beside the others.
const FirstOrderData& keptfirstorder(Model& m) {
    const OpticalSystem& s = m.lens;
    FirstOrderData& f = m.first;
    f.efl = s.efl;
    f.lbar = s.lbar;
    f.lbarp = s.lbarp;
    f.up = s.up;
    f.y0 = s.rays.y[0];
    f.m0 = s.rays.m[0];
    f.imagedist = s.sys.sp.sep[static_cast<size_t>(s.nsurf)];
    return f;
}

}  // namespace

void paraxtrace(Model& m, double& y, double& u) {
    const auto& c = m.lens.sys.sp.curv;
    const auto& d = m.lens.sys.sp.sep;
    double* height = m.trace.paraxheight.data();
    double* slope = m.trace.paraxslope.data();
    slope[0] = u;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        const double mu = m.lens.mu[i][0];
        const double up = mu * u - y * c[i] * (1 - mu);
        height[i] = y;
        slope[i + 1] = up;
        y += d[i + 1] * up;
        u = up;
    }
}

int countvariables(const Model& m) {
    const auto& sp = m.lens.sys.sp;
    int n = 0;
    for (int i = 0; i <= m.lens.nsurf; ++i) {
        const std::string& ol = sp.optlabel[i];
        if (ol.empty()) continue;
        if (has(ol, "C")) ++n;
        if (has(ol, "D") && (i < m.lens.nsurf || !m.telescope())) ++n;
        if (has(ol, "G")) n += 2;
        if (m.lens.asphdata == 'D' && !has(sp.surflabel[i], "S")) {
            if (has(ol, "E")) {
                ++n;
            } else {
                for (const char* a : {"A4", "A6", "A8", "A10"}) n += has(ol, a) ? 1 : 0;
            }
        }
    }
    return n;
}

void ssetq(Model& m) {
    const auto& idx = m.lens.sys.sp.index;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        for (int w = 0; w < 3; ++w) {
            if (idx[i + 1][w] == 0) {
                fail(m, "Error in ssetq - index of refraction must be different from zero");
                return;
            }
            m.lens.mu[i][w] = idx[i][w] / idx[i + 1][w];
        }
    }
    double y = 1, u = 0;
    paraxtrace(m, y, u);
    m.lens.efl = u != 0 ? -1 / u : 0;
    int chief = 0;
    const int nr = std::min<int>(m.lens.nrays, static_cast<int>(m.lens.rays.rl.size()));
    for (int k = 1; k < nr; ++k) chief += m.lens.rays.rl[k] % 10 == 3 ? 1 : 0;
    m.lens.nfields = static_cast<uint8_t>(1 + chief);
    if (m.lens.field.size() < m.lens.nfields) m.lens.field.resize(m.lens.nfields);
}

void pxrev(Model& m, double& y, double& u) {
    const auto& sp = m.lens.sys.sp;
    for (int i = m.lens.nsurf - 1; i >= 0; --i) {
        const double n = sp.index[i][0], np = sp.index[i + 1][0];
        if (n == 0) {
            fail(m, "Error in pxrev - index of refraction must be different from zero");
            return;
        }
        u = (np * u + y * sp.curv[i] * (np - n)) / n;
        if (i > 0) y -= sp.sep[i] * u;
    }
}

void pxlbar(Model& m, bool withstop) {
    if (!validstop(m)) return;
    const int s = m.lens.stopsurf - 1;
    double y = 0, u = 1;
    paraxtrace(m, y, u);
    const double v = m.trace.paraxheight[s];
    y = 1;
    u = 0;
    paraxtrace(m, y, u);
    const double a = m.trace.paraxheight[s];
    if (a == 0) {
        fail(m, "Error in pxlbar in calculation of entrance pupil");
        return;
    }
    m.lens.lbar = v / a;
    m.first.lbarchief = m.lens.lbar;
    y = -m.lens.lbar;
    u = 1;
    paraxtrace(m, y, u);
    const double ylast = m.trace.paraxheight[m.lens.nsurf - 1];
    m.lens.lbarp = u != 0 ? -ylast / u : (ylast > 0 ? -kbig : kbig);
    if (withstop) {
        y = 1;
        u = -m.first.objvergence;
        paraxtrace(m, y, u);
        m.first.dystop = m.trace.paraxheight[s];
    }
}

double gaussimage(Model& m, double s0, int mode) {
    const auto& sp = m.lens.sys.sp;
    bool atinf = s0 == 0;   // the incoming point lies at infinity
    double s = s0, sp1 = 0;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        const double n = sp.index[i][0], np = sp.index[i + 1][0];
        const double c = sp.curv[i];
        if (atinf) {
            if (n != np && c != 0) {
                sp1 = np / ((np - n) * c);
                atinf = false;
            }
        } else if (s == 0) {
            sp1 = 0;   // a point on the surface images onto itself
        } else if (c != 0) {
            const double den = n / s + (np - n) * c;
            if (den == 0) {
                atinf = true;
            } else {
                sp1 = np / den;
            }
        } else if (n != 0) {
            sp1 = s * np / n;
        }
        if (i < m.lens.nsurf - 1 && !atinf) s = sp1 - sp.sep[i + 1];
    }
    if (atinf) sp1 = 0;
    if (mode == 1 && m.telescope()) m.first.dioptricmismatch = atinf ? 0 : (sp1 != 0 ? 1000 / sp1 : kbig);
    return sp1;
}

SystemFocus systemfocus(Model& m) {
    if (m.telescope() || m.lens.nsurf < 1) return {};
    double y = 1, u = 0;
    paraxtrace(m, y, u);
    if (u == 0) return {};
    return {-1 / u, -m.trace.paraxheight[static_cast<size_t>(m.lens.nsurf) - 1] / u};
}

FirstOrderData nudatparax(Model& m) {
    ssetq(m);
    if (m.calcerror || !validstop(m)) return m.first;
    auto& sp = m.lens.sys.sp;
    const int ns = m.lens.nsurf;
    double a0 = 1, c0 = 0;
    pxrev(m, a0, c0);
    if (m.calcerror) return m.first;
    const double mg = m.lens.mag;
    if (m.telescope()) {
        m.lens.efl = 0;
        if (m.lens.objinf == 'D') {
            m.first.objvergence = 0;
        } else {
            if (m.lens.objdist == 0) {
                fail(m, "Error in nudatparax in calculation y[0]");
                return m.first;
            }
            m.first.objvergence = -1 / m.lens.objdist;   // same sign as an objective's real object
        }
    } else {
        if (1 - a0 * mg == 0) {
            fail(m, "Error in nudatparax in calculation of efl");
            return m.first;
        }
        m.lens.efl = c0 != 0 ? 1 / c0 : 0;
        m.first.objvergence = c0 * mg / (1 - a0 * mg);
    }
    pxlbar(m, true);
    if (m.calcerror) return m.first;
    auto& r = m.lens.rays;
    if (r.y.empty() || r.m.empty()) {
        fail(m, "Error in nudatparax in calculation y[0]");
        return m.first;
    }
    if (m.telescope()) {
        r.y[0] = m.lens.eph;
        if (m.lens.objinf != 'D') {
            const double b = r.y[0] / m.lens.objdist;
            r.m[0] = std::fabs(b / std::sqrt(b * b + 1));
        } else {
            r.m[0] = 0;
        }
    } else {
        if (c0 == 0) {
            fail(m, "Error in nudatparax in calculation y[0]");
            return m.first;
        }
        r.y[0] = mg != 0 ? std::fabs((1 - mg * a0) * m.lens.na / c0) : std::fabs(m.lens.na / c0);
        r.m[0] = std::fabs(r.y[0] * m.first.objvergence);
    }
    if (sp.index[ns][0] == 0) {
        fail(m, "Error in nudatparax - index of refraction must be different from zero");
        return m.first;
    }
    m.lens.up = -m.lens.na / sp.index[ns][0] + 0.0;   // + 0.0: no negative zero
    if (m.lens.efl < 0) m.lens.up = -m.lens.up;
    m.first.conradyaxial = 0;
    for (int i = 0; i < ns; ++i) {
        const double t = sp.sep[i] * sp.disp[i];
        m.first.conradyaxial += sp.index[i][0] < 0 ? std::fabs(t) : t;
    }
    if (m.lens.systype == 6 || m.lens.systype == 7) {
        if (m.newsystem) sp.sep[ns] = m.eyedist;
        telescopepupil(m);
        return keptfirstorder(m);
    }
    sp.sep[ns] = 0;
    double y = r.y[0] + r.m[0] * sp.sep[0], u = r.m[0];
    paraxtrace(m, y, u);
    m.first.pxheight = y;
    m.first.pxslope = u;
    if (m.telescope()) {
        telescopepupil(m);
        sp.sep[ns] = m.first.eyepupil;
    } else {
        if (u == 0) {
            fail(m, "Error in nudatparax in calculation of back focal length");
            return m.first;
        }
        sp.sep[ns] = -y / u + m.lens.defocus;
    }
    return keptfirstorder(m);
}

}  // namespace zefo
