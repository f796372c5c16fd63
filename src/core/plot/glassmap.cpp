#include "core/plot/glassmap.h"

#include <algorithm>
#include <cmath>

#include "core/util/numfmt.h"

namespace zefo {

namespace {

constexpr Colour catalogueblue{40, 80, 200};
constexpr Colour lensred{220, 0, 0};
constexpr Colour trianglegreen{0, 140, 0};
constexpr Colour gridgrey{190, 190, 190};

bool finitepoint(double nd, double vd) { return std::isfinite(nd) && std::isfinite(vd) && vd > 0; }

// A division step of 1, 2 or 5 times a power of ten that leaves at least `minpixels`
// between ticks over `span` units drawn on `pixels`.
double mapstep(double span, int pixels, int minpixels) {
    const double want = span * minpixels / std::max(pixels, 1);
    double p = std::pow(10.0, std::floor(std::log10(want)));
    for (int i = 0; i < 40; ++i, p *= 10)
        for (double f : {1.0, 2.0, 5.0})
            if (f * p >= want) return f * p;
    return want;
}

Pixel mappixel(const GlassMapAxes& a, double nd, double vd) {
    Pixel p;
    topixel(a.x(vd), p.x);
    topixel(a.y(nd), p.y);
    return p;
}

void cross(DisplayList& dl, Pixel p, int arm, Colour c) {
    dl.line({{p.x - arm, p.y}, {p.x + arm + 1, p.y}}, c);
    dl.line({{p.x, p.y - arm}, {p.x, p.y + arm + 1}}, c);
}

void diamond(DisplayList& dl, Pixel p, int r, Colour c) {
    for (int k = 0; k < 2; ++k, --r)
        dl.line({{p.x - r, p.y}, {p.x, p.y - r}, {p.x + r, p.y}, {p.x, p.y + r}, {p.x - r, p.y}}, c);
}

// Axes taking in every point with a margin, on whole divisions.
GlassMapAxes mapaxes(const std::vector<std::pair<double, double>>& ndvd, const Rect& frame) {
    GlassMapAxes a;
    a.frame = frame;
    if (ndvd.empty()) return a;
    double ndmin = HUGE_VAL, ndmax = -HUGE_VAL, vdmin = HUGE_VAL, vdmax = -HUGE_VAL;
    for (const auto& [nd, vd] : ndvd) {
        ndmin = std::min(ndmin, nd);
        ndmax = std::max(ndmax, nd);
        vdmin = std::min(vdmin, vd);
        vdmax = std::max(vdmax, vd);
    }
    a.vdleft = std::ceil((vdmax + 1) / 5) * 5;
    a.vdright = std::max(0.0, std::floor((vdmin - 1) / 5) * 5);
    a.ndtop = std::ceil((ndmax + 0.01) * 20) / 20;
    a.ndbottom = std::floor((ndmin - 0.01) * 20) / 20;
    return a;
}

void grid(DisplayList& dl, const GlassMapAxes& a, int th) {
    const Rect& f = a.frame;
    const double vstep = mapstep(a.vdleft - a.vdright, f.w, 5 * th);
    for (int i = 0; i < 1000; ++i) {
        const double vd = std::ceil(a.vdright / vstep) * vstep + i * vstep;
        if (vd > a.vdleft + 1e-9) break;
        int x = 0;
        if (!topixel(a.x(vd), x)) continue;
        dl.line({{x, f.y}, {x, f.y + f.h}}, gridgrey, PenStyle::dotted);
        dl.text(x, f.y + f.h + th / 3, fmtf(vd, 0, vstep < 1 ? 1 : 0), HAlign::centre, VAlign::top);
    }
    const double nstep = mapstep(a.ndtop - a.ndbottom, f.h, 3 * th);
    const int decimals = nstep >= 0.1 - 1e-12 ? 1 : 2;
    for (int i = 0; i < 1000; ++i) {
        const double nd = std::ceil(a.ndbottom / nstep - 1e-9) * nstep + i * nstep;
        if (nd > a.ndtop + 1e-9) break;
        int y = 0;
        if (!topixel(a.y(nd), y)) continue;
        dl.line({{f.x, y}, {f.x + f.w, y}}, gridgrey, PenStyle::dotted);
        dl.text(f.x - th / 2, y, fmtf(nd, 0, decimals), HAlign::right, VAlign::middle);
    }
    dl.frame(f);
    dl.text(f.x + f.w / 2, f.y + f.h + 3 * th / 2, "Abbe number vd", HAlign::centre, VAlign::top);
    dl.text(f.x - th / 2, f.y - th / 3, "Index nd", HAlign::right, VAlign::bottom);
}

// The sides of the triangle, straight in index and dispersion, as polylines in the map.
void triangle(DisplayList& dl, const GlassMapAxes& a, const GlassTriangle& t) {
    std::vector<Pixel> pts;
    constexpr int steps = 24;
    for (int side = 0; side < 3; ++side) {
        const int e = (side + 1) % 3;
        for (int i = 0; i <= steps; ++i) {
            const double s = static_cast<double>(i) / steps;
            const double n = t.trindex[side] + s * (t.trindex[e] - t.trindex[side]);
            const double d = t.trdisp[side] + s * (t.trdisp[e] - t.trdisp[side]);
            Pixel p;
            if (topixel(a.x((n - 1) / d), p.x) && topixel(a.y(n), p.y)) pts.push_back(p);
        }
    }
    dl.line(pts, trianglegreen, PenStyle::dashdot);
    for (int j = 0; j < 3; ++j) {
        const Pixel p = mappixel(a, t.trindex[j], (t.trindex[j] - 1) / t.trdisp[j]);
        dl.texts.push_back(TextItem{{p.x, p.y + 3}, t.trglass[j], HAlign::centre, VAlign::top, trianglegreen, true});
    }
}

}  // namespace

bool triangleset(const GlassTriangle& tri) {
    for (int j = 0; j < 3; ++j)
        if (tri.trglass[j].empty() || tri.trdisp[j] == 0 || !std::isfinite(tri.trdisp[j]) ||
            !std::isfinite(tri.trindex[j]))
            return false;
    return true;
}

std::vector<GlassPoint> lensglasspoints(const OpticalSystem& lens,
                                        const std::function<GlassMatch(const std::string&)>& lookup) {
    std::vector<GlassPoint> out;
    const auto& sp = lens.sys.sp;
    for (int k = 0; k <= lens.nsurf && k < static_cast<int>(sp.glass.size()); ++k) {
        const std::string& name = sp.glass[k];
        const double n = std::fabs(sp.index[k][0]), disp = std::fabs(sp.disp[k]);
        if ((isair(name) && !name.empty()) || (name.empty() && n == 1)) continue;
        GlassPoint g;
        g.lens = true;
        g.name = name.empty() ? "model" : name;
        const auto fitted = ismodelglassname(name) ? modelglassfromindices(name, sp.index[k], lens.wl) : std::nullopt;
        const GlassMatch match = fitted ? GlassMatch(fitted) : name.empty() ? GlassMatch() : lookup(name);
        if (match) {
            g.nd = match->nd;
            g.vd = match->vd;
        } else {
            g.fromindices = true;
            g.nd = n;
            g.vd = disp > 0 ? (n - 1) / disp : 0;
        }
        if (!finitepoint(g.nd, g.vd)) continue;
        const std::string row = std::to_string(k + 1);
        auto same = std::find_if(out.begin(), out.end(), [&](const GlassPoint& p) {
            return p.name == g.name && p.nd == g.nd && p.vd == g.vd;
        });
        if (same != out.end()) {
            same->surfaces += ", " + row;
        } else {
            g.surfaces = row;
            out.push_back(g);
        }
    }
    return out;
}

GlassMap glassmap(const std::vector<GlassRecord>& catalogue, const std::vector<GlassPoint>& lensglasses,
                  const GlassTriangle* tri, const PlotTitle& title, int w, int h, int th) {
    GlassMap map;
    DisplayList& dl = map.picture;
    dl.width = w;
    dl.height = h;
    for (const auto& g : catalogue) {
        if (!finitepoint(g.nd, g.vd)) continue;
        GlassPoint p;
        p.name = g.name;
        p.nd = g.nd;
        p.vd = g.vd;
        map.points.push_back(p);
    }
    map.points.insert(map.points.end(), lensglasses.begin(), lensglasses.end());
    std::vector<std::pair<double, double>> extent;
    for (const auto& p : map.points) extent.emplace_back(p.nd, p.vd);
    const bool withtriangle = tri && triangleset(*tri);
    if (withtriangle)
        for (int j = 0; j < 3; ++j) extent.emplace_back(tri->trindex[j], (tri->trindex[j] - 1) / tri->trdisp[j]);
    const Rect frame{6 * th, 3 * th, std::max(w - 8 * th, 10), std::max(h - 7 * th, 10)};
    map.axes = mapaxes(extent, frame);
    const GlassMapAxes& a = map.axes;

    dl.text(w / 2, th / 3,
            "Glass map   System name =" + title.sysname + "   File = " + title.file + "   " + title.date,
            HAlign::centre, VAlign::top);
    grid(dl, a, th);
    for (auto& p : map.points) p.at = mappixel(a, p.nd, p.vd);
    for (const auto& p : map.points)
        if (!p.lens) cross(dl, p.at, 2, catalogueblue);
    if (withtriangle) triangle(dl, a, *tri);
    std::vector<Pixel> labelled;
    for (const auto& p : map.points) {
        if (!p.lens) continue;
        diamond(dl, p.at, 5, lensred);
        // a label that would cover another one goes below its mark
        const bool crowded = std::any_of(labelled.begin(), labelled.end(), [&](const Pixel& q) {
            return std::abs(q.x - p.at.x) < 8 * th && std::abs(q.y - p.at.y) < 3 * th / 2;
        });
        TextItem t{{p.at.x + 7, crowded ? p.at.y + 4 : p.at.y - 4}, p.name + (p.fromindices ? " (lens indices)" : ""),
                   HAlign::left, crowded ? VAlign::top : VAlign::bottom, lensred, true};
        dl.texts.push_back(t);
        labelled.push_back(t.at);
    }
    // the plotted numbers: a panel per layer on the one frame, a curve per glass
    for (bool lens : {false, true}) {
        PlotPanel panel;
        panel.title = lens ? "Glasses of the lens" : "Catalogue glasses";
        panel.xunit = "vd";
        panel.yunit = "nd";
        panel.frame = frame;
        for (const auto& p : map.points)
            if (p.lens == lens) panel.curves.push_back(PlotCurve{p.name, {p.vd}, {p.nd}, {p.at}});
        dl.panels.push_back(std::move(panel));
    }
    if (withtriangle) {
        PlotCurve c{"triangle " + tri->trglass[0] + ", " + tri->trglass[1] + ", " + tri->trglass[2], {}, {}, {}};
        for (int j = 0; j <= 3; ++j) {
            const int k = j % 3;
            c.x.push_back((tri->trindex[k] - 1) / tri->trdisp[k]);
            c.y.push_back(tri->trindex[k]);
            c.px.push_back(mappixel(a, c.y.back(), c.x.back()));
        }
        PlotPanel panel;
        panel.title = "Glass triangle";
        panel.xunit = "vd";
        panel.yunit = "nd";
        panel.frame = frame;
        panel.curves.push_back(std::move(c));
        dl.panels.push_back(std::move(panel));
    }
    // legend under the axis title
    const int ly = h - th - th / 3;
    cross(dl, {frame.x + th, ly + th / 2}, 2, catalogueblue);
    dl.text(frame.x + 2 * th, ly, "catalogue glass", HAlign::left, VAlign::top, catalogueblue);
    diamond(dl, {frame.x + 14 * th, ly + th / 2}, 5, lensred);
    dl.text(frame.x + 15 * th, ly, "glass of the lens", HAlign::left, VAlign::top, lensred);
    if (withtriangle) {
        dl.line({{frame.x + 28 * th, ly + th / 2}, {frame.x + 31 * th, ly + th / 2}}, trianglegreen, PenStyle::dashdot);
        dl.text(frame.x + 32 * th, ly, "glass triangle", HAlign::left, VAlign::top, trianglegreen);
    }
    return map;
}

int glassat(const GlassMap& map, Pixel p, int radius) {
    int best = -1;
    long long bestd = 0;
    bool bestlens = false;
    const long long r2 = static_cast<long long>(radius) * radius;
    for (size_t i = 0; i < map.points.size(); ++i) {
        const GlassPoint& g = map.points[i];
        const long long dx = g.at.x - p.x, dy = g.at.y - p.y, d = dx * dx + dy * dy;
        if (d > r2) continue;
        if (best < 0 || (g.lens && !bestlens) || (g.lens == bestlens && d < bestd)) {
            best = static_cast<int>(i);
            bestd = d;
            bestlens = g.lens;
        }
    }
    return best;
}

}  // namespace zefo
