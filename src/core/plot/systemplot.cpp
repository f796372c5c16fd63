// Side view of the optical system.
#include "core/plot/systemplot.h"

#include <algorithm>
#include <cmath>

#include "core/plot/fanplot.h"
#include "core/raytrace/raytrace.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

bool topixel(double v, int& out) {
    if (!(std::fabs(v) < 1e7)) return false;
    out = static_cast<int>(std::lround(v));
    return true;
}

double edgesag(double c, double h) {
    if (c == 0) return 0;
    const double hh = std::min(std::fabs(h), 1 / std::fabs(c));
    return hh * hh * c / (1 + std::sqrt(std::max(0.0, 1 - hh * hh * c * c)));
}

SystemScale systemscale(const OpticalSystem& lens) {
    const auto& sp = lens.sys.sp;
    const int n = lens.nsurf;
    SystemScale s;
    for (int i = 1; i <= n; ++i) s.ls += sp.sep[i];
    if (n >= 0 && sp.curv[0] < 0) s.ls -= edgesag(sp.curv[0], sp.hmax[0]);
    if (n > 0 && sp.curv[n] > 0) s.ls += edgesag(sp.curv[n], sp.hmax[n]);
    for (int i = 0; i <= n; ++i) s.d = std::max(s.d, 2 * std::fabs(sp.hmax[i]));
    const double ratio = 94.0 / 129.0;
    // a system of no length and no diameter gets a drawing 1 mm long
    const double ls = s.ls > 0 ? s.ls : (s.d > 0 ? 0 : 1);
    s.lengthgoverns = s.d < ratio * ls;
    const double g = s.lengthgoverns ? ls : s.d;
    s.drawscale = (s.lengthgoverns ? 129 : 94) * 1.4982 / g;
    if (s.lengthgoverns) {
        s.xmin = -(g - ls) / 2;
        s.xmax = g - (g - ls) / 2;
        s.ymin = -ratio * g / 2;
        s.ymax = ratio * g / 2;
    } else {
        const double t = (g / ratio - ls) / 2;
        s.xmin = -t;
        s.xmax = g / ratio - t;
        s.ymin = -g / 2;
        s.ymax = g / 2;
    }
    return s;
}

SystemLayout systemlayout(const SystemScale& s, int w, int hc, int th) {
    SystemLayout l;
    l.w = w;
    l.hc = hc;
    l.th = th;
    l.h = std::max(1, hc - th - th - th / 3);
    l.axis = l.h / 2;
    l.sx = std::max(1, w - 10) / (std::fabs(s.xmin) + std::fabs(s.xmax));
    l.sy = l.h / (std::fabs(s.ymin) + std::fabs(s.ymax));
    l.scale = std::min(l.sx, l.sy);
    // the width the equal scales leave free is shared out on both sides
    const double drawn = (std::fabs(s.xmin) + std::fabs(s.xmax)) * l.scale;
    l.left = 10 + std::max(0, static_cast<int>((std::max(1, w - 10) - drawn) / 2));
    return l;
}

std::string systemdataline(const OpticalSystem& lens) {
    if (lens.telescope()) {
        const double wmax = lens.nfields > 0 ? lens.field[lens.nfields - 1] : 0;
        return " Uvecanje je mag = " + fmtf(lens.mag, 5, 2) + "  Field angle is 2 * omega = " + fmtf(2 * wmax, 5, 2) +
               " degrees ";
    }
    const double den = 2 * lens.na * (1 - lens.mag);
    const std::string fnum = den != 0 ? fmtf(1 / den, 4, 2) : "inf";
    return "Focal length efl=" + fmtf(lens.efl, 8, 3) + "mm F-num F/" + fnum + " Magnification is " +
           fmtf(lens.mag, 5, 2);
}

namespace {

// Vertex positions of surfaces 0 .. nsurf in mm from the left edge of the canvas.
std::vector<double> vertexpositions(const OpticalSystem& lens, const SystemLayout& l) {
    const auto& sp = lens.sys.sp;
    std::vector<double> z(static_cast<size_t>(lens.nsurf) + 1);
    double at = l.left / l.scale - sp.sep[0];
    if (sp.curv[0] < 0) at -= edgesag(sp.curv[0], sp.hmax[0]);
    for (int i = 0; i <= lens.nsurf; ++i) {
        at += sp.sep[i];
        z[i] = at;
    }
    return z;
}

struct SideView {
    const SystemLayout& l;
    DisplayList& dl;
    bool pixel(double z, double y, Pixel& p) const {
        if (!topixel(z * l.scale, p.x) || !topixel(l.axis - y * l.scale, p.y)) return false;
        if (p.x == l.w) p.x -= 3;
        return true;
    }
};

// The profile of surface i as 21 points from the lower edge up, kept clear of the
// neighbouring vertices where it bends towards them.
std::vector<Pixel> profile(const OpticalSystem& lens, const std::vector<double>& z, int i, const SideView& v,
                           std::vector<std::string>* notes) {
    const auto& sp = lens.sys.sp;
    const double c = sp.curv[i];
    double h = std::fabs(sp.hmax[i]);
    if (c != 0 && std::fabs(c) * h >= 1) {
        h = 1 / std::fabs(c);
        if (notes) notes->push_back("Surface " + std::to_string(i + 1) + " is drawn up to the rim of its sphere");
    }
    const bool clamp = c < 0 || (c > 0 && i < lens.nsurf && c > sp.curv[i + 1]);
    std::vector<Pixel> pts;
    for (int j = -10; j <= 10; ++j) {
        const double y = j * h / 10;
        double zz = z[i] + edgesag(c, y);
        if (clamp) {
            const bool edge = j == -10 || j == 10;
            if (i < lens.nsurf) {
                const double lim = z[i + 1] - 0.1 * sp.sep[i + 1];
                if (edge ? zz >= z[i + 1] : zz >= lim) zz = lim;
            }
            if (i > 0) {
                const double lim = z[i - 1] + 0.1 * sp.sep[i];
                if (edge ? zz <= z[i - 1] : zz <= lim) zz = lim;
            }
        }
        Pixel p;
        if (v.pixel(zz, y, p)) pts.push_back(p);
    }
    return pts;
}

Colour raycolour(int label, int number) {
    if (label == 12) return blue;
    return number <= 9 ? green : red;
}

void drawrays(const OpticalSystem& lens, const std::vector<double>& z, const SideView& v,
              std::vector<std::string>* notes, int onlyfield) {
    const auto& sp = lens.sys.sp;
    const std::vector<int> chiefs = chiefrays(lens);
    TraceContext ctx;
    preparetrace(lens, ctx);
    TraceOpts opts;
    opts.pathA = true;
    for (int k = 0; k < lens.nrays && k < static_cast<int>(lens.rays.rl.size()); ++k) {
        const int label = lens.rays.rl[k];
        if (label != 12 && label != 13 && label != 14) continue;
        const auto field = std::upper_bound(chiefs.begin(), chiefs.end(), k) - chiefs.begin();
        if (onlyfield >= 0 && field != onlyfield) continue;
        const Ray r = schemestart(lens, k, label % 10);
        const TracedRay t = trace(lens, r, 0, opts, ctx);
        if (t.status != RayStatus::passed) {
            if (notes) notes->push_back("Ray " + std::to_string(k) + " failed: the rays after it are not drawn");
            return;
        }
        std::vector<Pixel> pts;
        Pixel p;
        if (r.N > 0 && v.pixel(v.l.left / v.l.scale, r.M * sp.sep[0] / r.N + r.Y, p)) pts.push_back(p);
        for (int i = 0; i < static_cast<int>(t.points.size()); ++i) {
            const RayPoint& q = t.points[i];
            if (v.pixel(z[i] + q.Z, q.Y, p)) pts.push_back(p);
            if (i < lens.nsurf && std::fabs(q.Y) > 1.01 * std::fabs(sp.hmax[i])) break;
        }
        v.dl.line(std::move(pts), raycolour(label, k));
    }
}

}  // namespace

DisplayList systemplot(const OpticalSystem& lens, const PlotTitle& title, int w, int hc, int th,
                       std::vector<std::string>* notes, int onlyfield) {
    DisplayList dl;
    dl.width = w;
    dl.height = hc;
    const SystemScale s = systemscale(lens);
    const SystemLayout l = systemlayout(s, w, hc, th);
    const SideView v{l, dl};
    dl.text(w / 2, 1, "System name =" + lens.sysname + "        File = " + title.file + "     " + title.date,
            HAlign::centre);
    dl.text(w / 2, hc - th - th / 3, systemdataline(lens), HAlign::centre);
    dl.line({{10, l.axis}, {w, l.axis}}, black, PenStyle::dashdot);
    if (lens.nsurf < 1) return dl;
    const auto& sp = lens.sys.sp;
    const std::vector<double> z = vertexpositions(lens, l);
    const int stop = lens.stopsurf - 1;
    const bool airstop = stop >= 0 && stop < lens.nsurf && sp.index[stop][0] == 1 && sp.index[stop + 1][0] == 1;
    std::vector<std::vector<Pixel>> profiles(static_cast<size_t>(lens.nsurf) + 1);
    for (int i = 0; i <= lens.nsurf; ++i) {
        if (airstop && i == stop) {
            const double h = std::fabs(sp.hmax[i]), top = h + (s.d / 2 - h) / 2;
            Pixel a, b;
            for (double sg : {1.0, -1.0})
                if (v.pixel(z[i], sg * h, a) && v.pixel(z[i], sg * top, b)) dl.line({a, b});
            continue;
        }
        profiles[i] = profile(lens, z, i, v, notes);
        dl.line(profiles[i]);
    }
    // lens edges: the edge points of the two surfaces around a glass
    for (int i = 1; i <= lens.nsurf; ++i) {
        const auto& a = profiles[i - 1];
        const auto& b = profiles[i];
        if (sp.index[i][0] <= 1 || a.size() != 21 || b.size() != 21) continue;
        dl.line({a.front(), b.front()});
        dl.line({a.back(), b.back()});
    }
    drawrays(lens, z, v, notes, onlyfield);
    return dl;
}

}  // namespace zefo
