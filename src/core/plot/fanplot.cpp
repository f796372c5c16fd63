// Ray-fan curves.
#include "core/plot/fanplot.h"

#include <algorithm>
#include <cmath>

#include "core/raytrace/raytrace.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

std::vector<int> chiefrays(const OpticalSystem& lens) {
    std::vector<int> out;
    const int n = std::min<int>(lens.nrays, static_cast<int>(lens.rays.rl.size()));
    for (int k = 1; k < n && out.size() < 3; ++k)
        if (lens.rays.rl[k] % 10 == 3) out.push_back(k);
    return out;
}

namespace {

// The rays of a row: start heights range and largest |x|, the reference ray's height and
// slope.
struct FanSet {
    double ymin = 100, ymax = -100, xmax = 0, yref = 0, tref = 0;
};

FanSet fanset(const OpticalSystem& lens, int first, int end, bool axis) {
    FanSet s;
    const auto& r = lens.rays;
    for (int k = first; k < end; ++k) {
        s.ymax = std::max(s.ymax, r.y[k]);
        s.ymin = std::min(s.ymin, r.y[k]);
        s.xmax = std::max(s.xmax, std::fabs(r.x[k]));
    }
    if (s.ymax < s.ymin) s.ymax = s.ymin = 0;
    if (!axis) {
        const double l = r.l[first], m = r.m[first];
        const double n = std::sqrt(std::max(0.0, 1 - l * l - m * m));
        s.yref = r.y[first];
        s.tref = n > 0 ? m / n : 0;
    }
    return s;
}

Ray meridional(double y, double t, int number, int kind) {
    const double n = 1 / std::sqrt(1 + t * t);
    return Ray{0, y, 0, t * n, n, number, kind};
}

struct Fans {
    const OpticalSystem& lens;
    FanKind kind;
    TraceContext ctx;
    TraceOpts opts;
    std::string error;

    bool run(const Ray& r, int w, TracedRay& out) {
        out = trace(lens, r, w, opts, ctx);
        if (out.status == RayStatus::passed) return true;
        error = std::string("Ray trace failed") + (out.message ? std::string(": ") + out.message : "");
        return false;
    }
    double tanvalue(const TracedRay& t, double ref) const {
        return kind == FanKind::transverse ? t.end.Y - ref : kind == FanKind::angular ? t.end.M - ref : t.opd;
    }
    double sagvalue(const TracedRay& t) const {
        return kind == FanKind::transverse ? t.end.X : kind == FanKind::angular ? t.end.L : t.opd;
    }
};

double largest(const std::vector<double>& v) {
    double m = 0;
    for (double x : v) m = std::max(m, std::fabs(x));
    return m;
}

void curveline(const FanCurve& c, int x0, double sh, int mid, int ph, DisplayList& dl) {
    const double vm = largest(c.v);
    const double sv = vm > 0 ? ph / (2 * vm) : 0;
    std::vector<Pixel> pts;
    for (size_t i = 0; i < c.x.size(); ++i) {
        int x, y;
        if (topixel(sh * c.x[i], x) && topixel(sv * c.v[i], y)) pts.push_back(Pixel{x0 + x, mid - y});
    }
    dl.line(std::move(pts), wavelengthcolour(c.wl + 1));
}

const char* const kFieldNames[] = {"w=wmax", "w=0.7*wmax", "w=0.5*wmax"};

void labels(const FanPlot& p, const FanLayout& l, FanKind kind, int th, DisplayList& dl) {
    const char* axisname = kind == FanKind::opd ? "opd" : "abr";
    for (const FanPanel& q : p.panels) {
        const Rect& r = q.frame;
        const int mid = r.y + r.h / 2;
        const int x0 = q.sagittal ? r.x : r.x + l.pw;
        const std::string name = q.field == 0 ? "Axial ray"
                                              : std::string(q.sagittal ? "Skew ray " : "Chief ray ") +
                                                    kFieldNames[std::min(q.field, 3) - 1];
        dl.text(r.x + 2, r.y + 1, name);
        dl.text(r.x + r.w / 2, r.y + r.h + 1, "Aperture", HAlign::centre);
        // the sagittal panel's origin is its left edge: its labels stand inside the frame
        dl.text(x0 + 2, r.y + (q.sagittal ? 2 * th + 3 : th + 2), axisname);
        if (q.sagittal)
            dl.text(x0 + 2, mid + 1, "0");
        else
            dl.text(x0 - 2, mid + 1, "0", HAlign::right);
        const double last = q.curves.empty() || q.curves.back().x.empty() ? 0 : q.curves.back().x.back();
        dl.text(r.x + r.w, r.y + r.h + 1, fmtf(last, 6, 3), HAlign::right);
        if (q.sagittal) {
            dl.text(r.x + 2, r.y + th + 2, fmtf(q.vmax, 6, 3));
            continue;
        }
        dl.text(x0 + 2, r.y + 1, fmtf(q.vmax, 5, 3), HAlign::left);
        dl.text(x0 + 2, r.y + r.h - 1, fmtf(q.vmin, 6, 3), HAlign::left, VAlign::bottom);
        if (q.field > 0) {
            const double first = q.curves.empty() || q.curves.back().x.empty() ? 0 : q.curves.back().x.front();
            dl.text(r.x, r.y + r.h + 1, fmtf(first, 6, 3));
        }
    }
}

}  // namespace

int fanrows(const OpticalSystem& lens) { return 1 + static_cast<int>(chiefrays(lens).size()); }

FanLayout fanlayout(int nf, int w, int h, int th) {
    FanLayout l;
    l.nf = std::clamp(nf, 1, 4);
    l.pw = std::max(1, (w - 30) / 3);
    l.ph = std::max(1, (h - 20 * l.nf - 3 * th + 20) / l.nf);
    for (int k = 0; k < l.nf; ++k) {
        const int y = 2 * th + k * (l.ph + 20);
        l.tangential.push_back(Rect{25 + l.pw, y, 2 * l.pw, l.ph});
        if (k > 0) l.sagittal.push_back(Rect{5, y, l.pw, l.ph});
    }
    return l;
}

FanPlot fanplot(const OpticalSystem& lens, FanKind kind, const PlotWavelength& wl, const PlotTitle& title, int w,
                int h, int th) {
    static const char* const headings[] = {"Transverse Ray Aberrations", "Angular  Aberrations",
                                           "Optical Path Difference"};
    FanPlot p;
    DisplayList& dl = p.picture;
    dl.width = w;
    dl.height = h;
    dl.text(w / 2, 1, "System name =" + lens.sysname + "        File = " + title.file + "     " + title.date,
            HAlign::centre);
    dl.text(w / 2, th, headings[static_cast<int>(kind)], HAlign::centre);
    dl.text(10, 2 * th, "Units are in mm");
    // white light of a lens of one wavelength is that wavelength
    std::vector<int> wls;
    if (wl.white() && lens.threewl())
        wls = {0, 1, 2};
    else
        wls = {wl.white() ? 0 : std::clamp(wl.code - 1, 0, 2)};
    for (size_t j = 0; j < wls.size(); ++j)
        dl.text(10, static_cast<int>(j + 3) * th,
                "wl[" + std::to_string(wls[j] + 1) + "] =" + fmtf(lens.wl[wls[j]], 11, 8).substr(0, 10), HAlign::left,
                VAlign::top, wavelengthcolour(wls[j] + 1));

    const std::vector<int> chiefs = chiefrays(lens);
    const FanLayout l = fanlayout(1 + static_cast<int>(chiefs.size()), w, h, th);
    for (int k = 0; k < l.nf; ++k) {
        p.panels.push_back(FanPanel{k, false, l.tangential[k], {}, 0, 0});
        dl.frame(l.tangential[k]);
        const Rect& r = l.tangential[k];
        dl.line({{r.x, r.y + r.h / 2}, {r.x + r.w, r.y + r.h / 2}});
        dl.line({{r.x + l.pw, r.y}, {r.x + l.pw, r.y + r.h}});
    }
    for (int k = 1; k < l.nf; ++k) {
        p.panels.push_back(FanPanel{k, true, l.sagittal[k - 1], {}, 0, 0});
        const Rect& r = l.sagittal[k - 1];
        dl.frame(r);
        dl.line({{r.x, r.y + r.h / 2}, {r.x + r.w, r.y + r.h / 2}});
    }

    Fans fans{lens, kind, {}, {}, {}};
    preparetrace(lens, fans.ctx);
    fans.opts.pathA = true;
    const auto& rs = lens.rays;
    const double v = lens.nrays > 0 && rs.y[0] != 0 ? rs.m[0] / rs.y[0] : 0;
    const int nrays = std::min<int>(lens.nrays, static_cast<int>(rs.rl.size()));
    for (int w0 : wls) {
        for (int k = 0; k < l.nf; ++k) {
            const bool axis = k == 0;
            const int first = axis ? 1 : chiefs[k - 1];
            const int end = k < static_cast<int>(chiefs.size()) ? chiefs[k] : nrays;
            const FanSet s = fanset(lens, first, end, axis);
            const int number = axis ? 1 : 2;
            TracedRay t;
            if (!fans.run(meridional(s.yref, s.tref, number, 3), w0, t)) {
                p.error = fans.error;
                labels(p, l, kind, th, dl);
                return p;
            }
            const double ref = kind == FanKind::transverse ? t.end.Y : t.end.M;
            FanCurve tc{w0, {}, {}};
            const double step = axis ? s.ymax / 10 : (s.ymax - s.ymin) / 20;
            const double centre = axis ? 0 : (s.ymax + s.ymin) / 2;
            for (int e = axis ? 0 : -10; e <= 10; ++e) {
                const double y = sign(e) * std::sqrt(10.0 * std::abs(e)) * step + centre;
                if (!fans.run(meridional(y, s.tref + v * (y - s.yref), number, 2), w0, t)) {
                    p.error = fans.error;
                    labels(p, l, kind, th, dl);
                    return p;
                }
                tc.x.push_back(y);
                tc.v.push_back(fans.tanvalue(t, ref));
            }
            const double hr = axis ? s.ymax : std::max(std::fabs(s.ymin), s.ymax);
            const double sh = hr > 0 ? l.pw / hr : 0;
            FanPanel& tp = p.panels[k];
            const Rect& r = tp.frame;
            curveline(tc, r.x + l.pw, sh, r.y + r.h / 2, r.h, dl);
            const auto [lo, hi] = std::minmax_element(tc.v.begin(), tc.v.end());
            tp.vmax = tp.curves.empty() ? *hi : std::max(tp.vmax, *hi);
            tp.vmin = tp.curves.empty() ? *lo : std::min(tp.vmin, *lo);
            tp.curves.push_back(std::move(tc));
            if (axis) continue;
            FanCurve sc{w0, {}, {}};
            for (int i = 0; i <= 10; ++i) {
                const double x = i * s.xmax / 10, pp = v * x, q = s.tref;
                const double n = 1 / std::sqrt(pp * pp + 1 + q * q);
                if (!fans.run(Ray{x, s.yref, pp * n, q * n, n, number, 2}, w0, t)) {
                    p.error = fans.error;
                    labels(p, l, kind, th, dl);
                    return p;
                }
                sc.x.push_back(x);
                sc.v.push_back(fans.sagvalue(t));
            }
            FanPanel& sp = p.panels[l.nf + k - 1];
            curveline(sc, sp.frame.x, sh, sp.frame.y + sp.frame.h / 2, sp.frame.h, dl);
            sp.vmax = sp.curves.empty() ? largest(sc.v) : std::max(sp.vmax, largest(sc.v));
            sp.curves.push_back(std::move(sc));
        }
    }
    labels(p, l, kind, th, dl);
    return p;
}

}  // namespace zefo
