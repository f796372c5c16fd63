// Field curvature and distortion.
#include "core/analysis/fieldcurves.h"

#include <algorithm>
#include <cmath>

#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"

namespace zefo {

namespace {

// The paraxial image height (telescopes the image angle) of the ray starting as chief ray k.
double paraxialimage(Model& m, int k) {
    const double mk = m.lens.rays.m[k];
    const double u0 = m.telescope() ? std::asin(mk) : mk / std::sqrt(1 - mk * mk);
    double y = m.lens.sys.sp.sep[0] * u0 + m.lens.rays.y[k];
    double u = u0;
    paraxtrace(m, y, u);
    return m.telescope() ? u : y;
}

// The focus at distance x along the chief ray from its point on the last surface, as a shift
// from the image plane along the axis (mm) or, for a telescope, as the vergence (dioptres)
// of the beam at the image plane.
double focusvalue(const Model& m, const TracedRay& r, double x, bool telescope) {
    const int ns = m.lens.nsurf;
    const double z = r.points[ns - 1].Z, n = r.end.N, image = m.lens.sys.sp.sep[ns];
    if (!telescope) return z + x * n - image;
    const double left = x - (image - z) / n;
    return std::fabs(left) > 1e12 ? 0 : 1000 / left;
}

}  // namespace

FieldCurves fieldcurves(const Model& model, bool allwavelengths, int npoints) {
    FieldCurves out;
    Model m = model;
    out.telescope = m.telescope();
    out.angles = m.telescope() ? m.lens.objinf == 'D' : m.lens.mag == 0;
    out.wls = allwavelengths && m.lens.threewl() ? std::vector<int>{0, 1, 2} : std::vector<int>{0};
    const double fmax = m.lens.nfields > 1 && m.lens.field.size() >= m.lens.nfields ? m.lens.field[m.lens.nfields - 1] : 0;
    if (m.lens.nrays < 3 || fmax == 0) {
        out.error = "The system has no off-axis field";
        return out;
    }
    preparetrace(m.lens, m.trace);
    nudatparax(m);
    if (m.calcerror) {
        out.error = m.errmsg;
        return out;
    }
    const int k = 2;   // the ray of the scheme that becomes each field's chief ray
    npoints = std::max(2, npoints);
    TraceOpts opts;
    opts.focal = true;
    for (int j = 0; j < npoints; ++j) {
        const double h = fmax * std::max(0.001, static_cast<double>(j) / (npoints - 1));
        aimfieldchief(m, k, h);
        if (m.calcerror) {
            out.error = m.errmsg;
            return out;
        }
        const double ypar = paraxialimage(m, k);
        const Ray chief = schemestart(m.lens, k, 3);
        std::array<double, 3> s{}, t{}, d{};
        for (int w : out.wls) {
            const TracedRay r = trace(m.lens, chief, w, opts, m.trace);
            if (r.status != RayStatus::passed) {
                out.error = std::string("Ray trace failed") + (r.message ? std::string(": ") + r.message : "");
                return out;
            }
            s[w] = focusvalue(m, r, m.trace.Xs, out.telescope);
            t[w] = focusvalue(m, r, m.trace.Xm, out.telescope);
            const double real = out.telescope ? std::asin(std::clamp(r.end.M, -1.0, 1.0)) : r.end.Y;
            d[w] = ypar != 0 ? (real / ypar - 1) * 100 : 0;
        }
        if (!std::all_of(out.wls.begin(), out.wls.end(),
                         [&](int w) { return std::isfinite(s[w]) && std::isfinite(t[w]) && std::isfinite(d[w]); })) {
            out.error = "A result is not a finite number";
            return out;
        }
        out.field.push_back(h);
        for (int w : out.wls) {
            out.sagittal[w].push_back(s[w]);
            out.tangential[w].push_back(t[w]);
            out.distortion[w].push_back(d[w]);
        }
    }
    return out;
}

}  // namespace zefo
