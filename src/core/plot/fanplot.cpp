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

// Traces the rays of the fans: transverse and angular values from the path trace on a
// context of its own, optical path differences as the OPD report computes them on a model
// of its own.
struct Fans {
    const OpticalSystem& lens;
    FanKind kind;
    TraceContext ctx;
    TraceOpts opts;
    Model opdmodel;
    double ref = 0;
    std::string error;

    Fans(const OpticalSystem& l, FanKind k) : lens(l), kind(k) {
        opts.pathA = true;
        if (kind != FanKind::opd) {
            preparetrace(lens, ctx);
            return;
        }
        opdmodel.lens = lens;
        preparetrace(opdmodel.lens, opdmodel.trace);
        opdprepare(opdmodel);
        takeerror();
    }
    bool takeerror() {
        if (!opdmodel.calcerror) return true;
        if (error.empty()) error = "Ray trace failed: " + opdmodel.errmsg;
        return false;
    }
    bool failed(const TracedRay& out) {
        if (out.status == RayStatus::passed) return false;
        error = std::string("Ray trace failed") + (out.message ? std::string(": ") + out.message : "");
        return true;
    }
    // The reference of a field (the axis without a reference ray).
    bool reference(const Ray& r, int w, bool axis) {
        if (!error.empty()) return false;
        if (kind == FanKind::opd) {
            if (axis) opdaxis(opdmodel, w);
            else opdfield(opdmodel, r, w);
            return takeerror();
        }
        const TracedRay t = trace(lens, r, w, opts, ctx);
        if (failed(t)) return false;
        ref = kind == FanKind::transverse ? t.end.Y : t.end.M;
        return true;
    }
    bool value(const Ray& r, int w, bool sagittal, double& out) {
        if (kind == FanKind::opd) {
            out = opdofray(opdmodel, r, w);
            return takeerror();
        }
        const TracedRay t = trace(lens, r, w, opts, ctx);
        if (failed(t)) return false;
        if (sagittal) out = kind == FanKind::transverse ? t.end.X : t.end.L;
        else out = (kind == FanKind::transverse ? t.end.Y : t.end.M) - ref;
        return true;
    }
};

double largest(const std::vector<double>& v) {
    double m = 0;
    for (double x : v) m = std::max(m, std::fabs(x));
    return m;
}

// The curve in its panel: abscissa from the origin x0 at sh pixels per mm, the value from
// mid-height at ph / (2 vmax) pixels per unit, clipped to the frame.
void curveline(const FanCurve& c, int x0, double sh, double vmax, PlotPanel& panel, DisplayList& dl) {
    const Rect& r = panel.frame;
    const double sv = vmax > 0 ? r.h / (2 * vmax) : 0;
    const int mid = r.y + r.h / 2;
    std::vector<double> px, py;
    for (size_t i = 0; i < c.x.size(); ++i) {
        px.push_back(x0 + sh * c.x[i]);
        py.push_back(mid - sv * c.v[i]);
    }
    plotcurve(dl, panel, "wl[" + std::to_string(c.wl + 1) + "]", c.x, c.v, px, py, wavelengthcolour(c.wl + 1));
}

const char* const kFieldNames[] = {"w=wmax", "w=0.7*wmax", "w=0.5*wmax"};

std::string panelname(const FanPanel& q) {
    if (q.field == 0) return "Axial ray";
    return std::string(q.sagittal ? "Skew ray " : "Chief ray ") + kFieldNames[std::min(q.field, 3) - 1];
}

const char* valueunit(FanKind kind, bool waves) {
    return kind == FanKind::angular ? "rad" : kind == FanKind::opd && waves ? "waves" : "mm";
}

void labels(const FanPlot& p, const FanLayout& l, FanKind kind, bool waves, int th, DisplayList& dl) {
    const char* axisname = kind == FanKind::opd ? "opd" : "abr";
    const std::string unit = std::string("[") + valueunit(kind, waves) + "]";
    for (const FanPanel& q : p.panels) {
        const Rect& r = q.frame;
        const int mid = r.y + r.h / 2;
        const int x0 = q.sagittal ? r.x : r.x + l.pw;
        dl.text(r.x + 2, r.y + 1, panelname(q));
        dl.text(r.x + r.w / 2, r.y + r.h + 1, "Aperture", HAlign::centre);
        // the unit beside "Aperture" where it leaves room for the abscissa at the panel's end
        if (r.w >= 220) dl.text(r.x + r.w / 2 + 28, r.y + r.h + 1, "[mm]");
        // the sagittal panel's origin is its left edge: its labels stand inside the frame
        const int namey = r.y + (q.sagittal ? 2 * th + 3 : th + 2);
        dl.text(x0 + 2, namey, axisname);
        if (namey + 2 * th < mid) dl.text(x0 + 2, namey + th, unit);
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

// The curves of one field at one wavelength: false when a trace failed.
bool fancurves(const OpticalSystem& lens, Fans& fans, const std::vector<int>& chiefs, int k, int w0, bool waves,
                 FanCurve& tc, FanCurve& sc) {
    const auto& rs = lens.rays;
    const double v = lens.nrays > 0 && rs.y[0] != 0 ? rs.m[0] / rs.y[0] : 0;
    const int nrays = std::min<int>(lens.nrays, static_cast<int>(rs.rl.size()));
    const bool axis = k == 0;
    const int first = axis ? 1 : chiefs[k - 1];
    const int end = k < static_cast<int>(chiefs.size()) ? chiefs[k] : nrays;
    const FanSet s = fanset(lens, first, end, axis);
    const int number = axis ? 1 : 2;
    const double step = axis ? s.ymax / 10 : (s.ymax - s.ymin) / 20;
    const double centre = axis ? 0 : (s.ymax + s.ymin) / 2;
    // the OPD of a field is taken against the ray through the centre of its beam, as the OPD
    // report has it; its sagittal fan runs through that centre too
    const double yr = fans.kind == FanKind::opd ? centre : s.yref;
    const double tr = s.tref + v * (yr - s.yref);
    if (!fans.reference(meridional(yr, tr, number, 3), w0, axis)) return false;
    // OPD in waves of the curve's own wavelength
    const double unit = waves && lens.wl[w0] > 0 ? lens.wl[w0] : 1;
    tc = FanCurve{w0, {}, {}};
    for (int e = axis ? 0 : -10; e <= 10; ++e) {
        const double y = sign(e) * std::sqrt(10.0 * std::abs(e)) * step + centre;
        double value;
        if (!fans.value(meridional(y, s.tref + v * (y - s.yref), number, 2), w0, false, value)) return false;
        tc.x.push_back(y);
        tc.v.push_back(value / unit);
    }
    sc = FanCurve{w0, {}, {}};
    if (axis) return true;
    for (int i = 0; i <= 10; ++i) {
        const double x = i * s.xmax / 10, pp = v * x, q = tr;
        const double n = 1 / std::sqrt(pp * pp + 1 + q * q);
        double value;
        if (!fans.value(Ray{x, yr, pp * n, q * n, n, number, 2}, w0, true, value)) return false;
        sc.x.push_back(x);
        sc.v.push_back(value / unit);
    }
    return true;
}

void addcurve(FanPanel& q, FanCurve c, bool sagittal) {
    if (c.v.empty()) return;
    const auto [lo, hi] = std::minmax_element(c.v.begin(), c.v.end());
    const double top = sagittal ? largest(c.v) : *hi;
    q.vmax = q.curves.empty() ? top : std::max(q.vmax, top);
    q.vmin = q.curves.empty() ? *lo : std::min(q.vmin, *lo);
    q.curves.push_back(std::move(c));
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
                int h, int th, const FanOptions& o) {
    static const char* const headings[] = {"Transverse Ray Aberrations", "Angular  Aberrations",
                                           "Optical Path Difference"};
    const bool waves = o.waves && kind == FanKind::opd;
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
    int notey = static_cast<int>(wls.size() + 3) * th;
    if (waves) {
        dl.text(10, notey, "OPD in waves");
        notey += th;
    }
    if (o.commonscale) dl.text(10, notey, "One scale for all panels");

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

    // the horizontal scale of each row (pixels per mm of the pupil)
    std::vector<double> rowscale(l.nf, 0);
    Fans fans(lens, kind);
    for (int w0 : wls) {
        for (int k = 0; k < l.nf && fans.error.empty(); ++k) {
            FanCurve tc, sc;
            if (!fancurves(lens, fans, chiefs, k, w0, waves, tc, sc)) break;
            const double lo = tc.x.empty() ? 0 : tc.x.front(), hi = tc.x.empty() ? 0 : tc.x.back();
            const double hr = k == 0 ? hi : std::max(std::fabs(lo), hi);
            rowscale[k] = hr > 0 ? l.pw / hr : 0;
            addcurve(p.panels[k], std::move(tc), false);
            if (k > 0) addcurve(p.panels[l.nf + k - 1], std::move(sc), true);
        }
    }
    p.error = fans.error;

    double common = 0;
    for (const FanPanel& q : p.panels)
        for (const FanCurve& c : q.curves) common = std::max(common, largest(c.v));
    for (const FanPanel& q : p.panels) {
        PlotPanel panel{panelname(q), "mm", valueunit(kind, waves), q.frame, {}, false, {}};
        const int x0 = q.sagittal ? q.frame.x : q.frame.x + l.pw;
        for (const FanCurve& c : q.curves)
            curveline(c, x0, rowscale[q.field], o.commonscale ? common : largest(c.v), panel, dl);
        dl.panels.push_back(std::move(panel));
    }
    labels(p, l, kind, waves, th, dl);
    return p;
}

}  // namespace zefo
