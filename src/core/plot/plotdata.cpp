// Curves clipped to their panel frames and recorded with the numbers they plot.
#include <algorithm>
#include <cmath>

#include "core/plot/displaylist.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// Liang-Barsky: the part of the segment a-b inside the rectangle as parameters t0 <= t1
// along it; false when nothing of it is inside.
bool clipsegment(double ax, double ay, double bx, double by, const Rect& r, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - r.x, r.x + r.w - ax, ay - r.y, r.y + r.h - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

// The rounded pixel of a point inside the frame (rounding stays inside too).
Pixel framepixel(double x, double y, const Rect& r) {
    const int px = static_cast<int>(std::lround(std::clamp(x, double(r.x), double(r.x + r.w))));
    const int py = static_cast<int>(std::lround(std::clamp(y, double(r.y), double(r.y + r.h))));
    return Pixel{px, py};
}

void addpixel(std::vector<Pixel>& piece, Pixel p) {
    if (piece.empty() || !(piece.back() == p)) piece.push_back(p);
}

}  // namespace

std::vector<std::vector<Pixel>> clippolyline(const std::vector<double>& x, const std::vector<double>& y,
                                             const Rect& frame) {
    std::vector<std::vector<Pixel>> pieces;
    std::vector<Pixel> piece;
    auto close = [&] {
        if (!piece.empty()) pieces.push_back(std::move(piece));
        piece.clear();
    };
    const size_t n = std::min(x.size(), y.size());
    auto finite = [&](size_t i) { return std::isfinite(x[i]) && std::isfinite(y[i]); };
    if (n == 1 && finite(0)) {
        double t0, t1;
        if (clipsegment(x[0], y[0], x[0], y[0], frame, t0, t1)) pieces.push_back({framepixel(x[0], y[0], frame)});
        return pieces;
    }
    for (size_t i = 0; i + 1 < n; ++i) {
        if (!finite(i) || !finite(i + 1)) {
            close();
            continue;
        }
        double t0, t1;
        if (!clipsegment(x[i], y[i], x[i + 1], y[i + 1], frame, t0, t1)) {
            close();
            continue;
        }
        const double dx = x[i + 1] - x[i], dy = y[i + 1] - y[i];
        // a segment entering the frame starts a new piece
        if (t0 > 0) close();
        addpixel(piece, framepixel(x[i] + t0 * dx, y[i] + t0 * dy, frame));
        addpixel(piece, framepixel(x[i] + t1 * dx, y[i] + t1 * dy, frame));
        if (t1 < 1) close();
    }
    close();
    return pieces;
}

double tickstep(double span) {
    if (!(span > 0) || !std::isfinite(span)) return 0;
    const double raw = span / 4, p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (f * p >= raw) return f * p;
    return 10 * p;
}

std::string ticktext(double v, double step) {
    const int decimals = step >= 1 ? 0 : std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 1, 6);
    return fmtf(std::fabs(v) < step * 1e-9 ? 0 : v, 0, decimals);
}

void plotcurve(DisplayList& dl, PlotPanel& panel, const std::string& label, const std::vector<double>& x,
               const std::vector<double>& y, const std::vector<double>& px, const std::vector<double>& py, Colour c,
               PenStyle pen) {
    PlotCurve curve{label, x, y, {}};
    for (auto& piece : clippolyline(px, py, panel.frame)) {
        curve.px.insert(curve.px.end(), piece.begin(), piece.end());
        dl.line(std::move(piece), c, pen);
    }
    panel.curves.push_back(std::move(curve));
}

}  // namespace zefo
