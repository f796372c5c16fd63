// Spot diagrams and MTF curves.
#include "core/plot/iqplot.h"

#include <algorithm>
#include <cmath>

#include "core/forms/wavelengthform.h"
#include "core/util/numfmt.h"

namespace zefo {

Colour wavelengthcolour(int code) {
    switch (code) {
    case 1: return blue;
    case 2: return red;
    case 3: return green;
    default: return black;
    }
}

namespace {

int clampfields(int nf) { return std::clamp(nf, 1, 4); }

void addpanel(PanelLayout& l, int col, int row) { l.panels.push_back(Rect{l.x0 + col * l.cx, l.y0 + row * l.cy, l.pw, l.ph}); }

// A grid of columns x rows panels, one row per field.
void gridpanels(PanelLayout& l, int rows) {
    for (int f = 0; f < rows; ++f)
        for (int j = 0; j < l.columns; ++j) addpanel(l, j, f);
}

// Columns over fields with rows of three units of panel and one of gap.
PanelLayout columnlayout(int nf, int columns, int pw, int gx, int x0, int h, int th) {
    PanelLayout l;
    l.columns = columns;
    l.pw = pw;
    l.gx = gx;
    l.cx = pw + gx;
    l.x0 = x0;
    l.unit = std::max(0, h - 2 * th) / (4 * nf);
    l.ph = 3 * l.unit;
    // the gap stays under one field too, for the row's label
    l.gy = l.unit;
    l.cy = l.ph + l.gy;
    l.y0 = h - nf * l.cy;
    gridpanels(l, nf);
    return l;
}

std::string plottitleline(const PlotTitle& t) {
    return "System name =" + t.sysname + "        File = " + t.file + "     " + t.date;
}

std::string spottitle(const OpticalSystem& lens, const PlotTitle& t) {
    const std::string scale = lens.telescope() ? "Scale=" + fmtf(lens.spotsize, 6, 4) + " rad"
                                               : "Scale =" + fmtf(lens.spotsize, 6, 4) + " mm";
    return scale + "  System name =" + t.sysname + "  File = " + t.file + "  " + t.date +
           "  Defocus=" + fmtf(lens.defocus, 7, 3) + " mm";
}

std::string fieldname(const OpticalSystem& lens, int f, const char* prefix) {
    if (f == 0) return "At axis";
    const double v = f < static_cast<int>(lens.field.size()) ? lens.field[f] : 0;
    return prefix + fmtf(v, 5, 2);
}

// ------------------------------------------------------------------ spots

// Half side of the square a spot panel spans: the spot size, or for a spot size that is no
// positive number the largest extent of the rays (1 when there is none).
double spothalfside(const OpticalSystem& lens, const SpotResult& spot) {
    if (lens.spotsize > 0 && std::isfinite(lens.spotsize)) return lens.spotsize;
    double e = 0;
    for (int f = 0; f < static_cast<int>(spot.chief.size()); ++f)
        for (int i = spot.groupstart[f * 3]; i < spot.groupstart[f * 3 + spot.nwl]; ++i) {
            double ex, ey;
            spotpoint(lens, spot, f, spot.rays[i], lens.defocus, ex, ey);
            if (std::isfinite(ex) && std::isfinite(ey)) e = std::max({e, std::fabs(ex), std::fabs(ey)});
        }
    return e > 0 ? e : 1;
}

// Pixels per unit of a spot panel: one scale both ways, the counting square (±half) fitting
// the shorter side, centred in the panel.
double spotscale(const Rect& r, double half) { return std::min(r.w, r.h) / (2 * half); }

// A length of 1, 2 or 5 times a power of ten, at most the given one.
double roundlength(double most) {
    if (!(most > 0) || !std::isfinite(most)) return 0;
    const double p = std::pow(10.0, std::floor(std::log10(most)));
    for (double f : {5.0, 2.0, 1.0})
        if (f * p <= most) return f * p;
    return p;
}

std::string micro(double v) { return fmtf(v, 0, v < 10 ? 2 : 1); }

// A round length (1, 2 or 5 times a power of ten) without trailing zeros.
std::string roundtext(double v) {
    if (v >= 1) return fmti(std::llround(v));
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(v) - 1e-9)), 1, 9);
    return fmtf(v, 0, decimals);
}

// Diffraction-limit frequency at wavelength w of the lens (as the diffraction MTF has it).
double cutoff(const OpticalSystem& lens, int w) {
    const double wl = lens.wl[std::clamp(w, 0, 2)];
    if (!(wl > 0)) return 0;
    if (lens.telescope()) {
        const double y1 = lens.rays.y.size() > 1 ? lens.rays.y[1] : 0;
        return 2 * std::fabs(y1 / (lens.mag * wl));
    }
    return 2 * std::fabs(lens.na / wl);
}

// The rays of field f and wavelengths ws at the plane z as pixel pairs (the pair of a ray on
// the meridian is one pixel), with the panel's numbers: RMS and geometric radius about the
// chief ray, the Airy disc radius of the first wavelength shown, the scale. A ray outside
// the counting square is left out rather than drawn into a neighbouring panel.
void spotdots(const OpticalSystem& lens, const SpotResult& spot, int f, const std::vector<int>& ws, double z,
              const Rect& r, double half, Colour c, int th, DisplayList& dl, bool owncolours = false) {
    const double s = spotscale(r, half);
    const int xc = r.x + r.w / 2, yc = r.y + r.h / 2;
    const double inside = half * (1 + 1e-12);
    const bool tel = lens.telescope();
    const double micros = tel ? 1e6 : 1e3;   // micrometres per mm, microradians per radian
    PlotPanel panel{f == 0 ? "At axis" : fieldname(lens, f, "At ") + " deg", tel ? "rad" : "mm",
                    tel ? "rad" : "mm", r, {}, true, {}};
    double sum = 0, geo = 0;
    int n = 0;
    for (int w : ws) {
        if (f >= static_cast<int>(spot.chief.size()) || w >= spot.nwl) continue;
        PlotCurve curve{"wl[" + std::to_string(w + 1) + "]", {}, {}, {}};
        for (int i = spot.groupstart[f * 3 + w]; i < spot.groupstart[f * 3 + w + 1]; ++i) {
            double ex, ey;
            spotpoint(lens, spot, f, spot.rays[i], z, ex, ey);
            if (!std::isfinite(ex) || !std::isfinite(ey)) continue;
            sum += ex * ex + ey * ey;
            geo = std::max(geo, std::hypot(ex, ey));
            ++n;
            if (!(std::fabs(ex) <= inside && std::fabs(ey) <= inside)) continue;
            int dx, dy;
            if (!topixel(ex * s, dx) || !topixel(ey * s, dy)) continue;
            const Colour dot = owncolours ? wavelengthcolour(w + 1) : c;
            dl.dots.push_back(Dot{{xc + dx, yc - dy}, dot});
            curve.x.push_back(ex);
            curve.y.push_back(ey);
            curve.px.push_back(Pixel{xc + dx, yc - dy});
            if (dx == 0) continue;
            dl.dots.push_back(Dot{{xc - dx, yc - dy}, dot});
            curve.x.push_back(-ex);
            curve.y.push_back(ey);
            curve.px.push_back(Pixel{xc - dx, yc - dy});
        }
        panel.curves.push_back(std::move(curve));
    }
    SpotNumbers& q = panel.numbers;
    q.rms = n > 0 ? std::sqrt(sum / n) * micros : 0;
    q.geo = geo * micros;
    const double fc = ws.empty() ? 0 : cutoff(lens, ws.front());
    q.airy = fc > 0 ? 1.22 / fc * micros : 0;
    q.pxpermmx = q.pxpermmy = s;
    const char* unit = tel ? " \u00b5rad" : " \u00b5m";
    // the numbers stay readable over the rays of a crowded panel; a small panel keeps room
    // for its rays with the RMS radius alone
    const bool small = r.h < 6 * th;
    dl.label(r.x + 1, r.y, "RMS " + micro(q.rms) + unit);
    if (!small) dl.label(r.x + 1, r.y + th, "GEO " + micro(q.geo) + unit);
    // the Airy disc about the chief ray, where it is wider than a pixel
    const double airypx = q.airy / micros * s;
    if (airypx > 1 && std::isfinite(airypx)) {
        std::vector<double> px, py;
        for (int k = 0; k <= 48; ++k) {
            px.push_back(xc + airypx * std::cos(k * M_PI / 24));
            py.push_back(yc - airypx * std::sin(k * M_PI / 24));
        }
        for (auto& piece : clippolyline(px, py, r)) dl.line(std::move(piece), c, PenStyle::dotted);
    }
    // a scale bar of a round length, at most a third of the square
    const double bar = roundlength(2 * half / 3 * micros);
    int barpx;
    if (!small && bar > 0 && topixel(bar / micros * s, barpx) && barpx > 2) {
        const int yb = r.y + r.h - 2;
        dl.line({{r.x + 2, yb}, {r.x + 2 + barpx, yb}});
        dl.line({{r.x + 2, yb - 3}, {r.x + 2, yb + 1}});
        dl.line({{r.x + 2 + barpx, yb - 3}, {r.x + 2 + barpx, yb + 1}});
        dl.texts.push_back(TextItem{{r.x + 5 + barpx, yb + 1}, roundtext(bar) + unit, HAlign::left, VAlign::bottom, black, true});
    }
    dl.panels.push_back(std::move(panel));
}

std::string columnhead(const OpticalSystem& lens, int j) { return wavelengthlabel(lens, j + 1); }

void rowlabels(const OpticalSystem& lens, const PanelLayout& l, const std::vector<int>& fields, DisplayList& dl) {
    for (size_t q = 0; q < fields.size(); ++q) {
        const Rect& r = l.panel(static_cast<int>(q));
        dl.text(r.x, r.y + r.h + 1, fieldname(lens, fields[q], "At ") + (fields[q] == 0 ? "" : " deg"));
    }
}

// The fields a picture shows, one panel row each: all n of the result, or only the field
// asked for when the result has it.
std::vector<int> shownfields(int n, int onlyfield) {
    if (onlyfield >= 0 && onlyfield < n) return {onlyfield};
    std::vector<int> all(static_cast<size_t>(std::max(0, n)));
    for (size_t f = 0; f < all.size(); ++f) all[f] = static_cast<int>(f);
    return all;
}

// ------------------------------------------------------------------ MTF

// The value of column j (0 sagittal, 1 tangential) or of the diffraction limit (j = -1) at
// grid point k of field f for the wavelength shown.
double mtfvalue(const MtfResult& m, int f, int k, int j, const PlotWavelength& wl) {
    auto one = [&](int w) { return j < 0 ? m.limit[m.index(f, w, k)] : m.at(f, w, k)[j]; };
    const bool mean = wl.white() && m.nwl == 3 && m.kind != MtfKind::Diffraction && j >= 0;
    if (mean) return (one(0) + one(1) + one(2)) / 3;
    const int w = wl.white() ? 0 : std::clamp(wl.code - 1, 0, m.nwl - 1);
    return one(w);
}

// Abscissa in pixels from the panel's left edge of grid point k.
double mtfabscissa(const OpticalSystem& lens, const MtfResult& m, int k, int pw) {
    if (m.kind == MtfKind::ThroughFocus) {
        // the table's own focal planes, defocus -/+ 2 steps at the panel's edges
        const double dd = lens.ddefocus != 0 ? std::fabs(lens.ddefocus) : 1;
        return pw / 2 + (m.focus[k] - lens.defocus) * pw / (4 * dd);
    }
    const double fmax = lens.nfreq > 0 ? lens.nfreq : (m.freq.empty() || m.freq.back() <= 0 ? 1 : m.freq.back());
    return m.freq[k] * pw / fmax;
}

// The frequency unit of the lens's MTF tables.
const char* frequnit(const OpticalSystem& lens) { return lens.telescope() ? "cycles/rad" : "cycles/mm"; }

void mtfcurve(const OpticalSystem& lens, const MtfResult& m, int f, int j, const PlotWavelength& wl, const char* label,
              PenStyle pen, PlotPanel& panel, DisplayList& dl) {
    const Rect& r = panel.frame;
    std::vector<double> x, y, px, py;
    for (int k = 0; k < m.npoints; ++k) {
        const double v = mtfvalue(m, f, k, j, wl);
        x.push_back(m.kind == MtfKind::ThroughFocus ? m.focus[k] : m.freq[k]);
        y.push_back(v);
        px.push_back(r.x + mtfabscissa(lens, m, k, r.w));
        py.push_back(r.y + (1 - v) * r.h);
    }
    plotcurve(dl, panel, label, x, y, px, py, wavelengthcolour(wl.code), pen);
}

// Tick marks on the bottom edge with their values above them, between the ends that the
// labels under the panel name; from a to b over the panel's width.
void bottomticks(const Rect& r, double a, double b, DisplayList& dl) {
    const double step = tickstep(b - a);
    if (step <= 0) return;
    for (double v = std::ceil(a / step) * step; v < b - step * 1e-6; v += step) {
        if (v <= a + step * 1e-6) continue;
        int x;
        if (!topixel(r.x + (v - a) / (b - a) * r.w, x)) continue;
        dl.line({{x, r.y + r.h}, {x, r.y + r.h - 4}});
        dl.text(x, r.y + r.h - 5, ticktext(v, step), HAlign::centre, VAlign::bottom);
    }
}

// Tick marks on the left edge at tenths of the MTF, a longer one at the half.
void mtfticks(const Rect& r, DisplayList& dl) {
    for (int i = 1; i < 10; ++i) {
        int y;
        if (!topixel(r.y + r.h - i * r.h / 10.0, y)) continue;
        dl.line({{r.x, y}, {r.x + (i == 5 ? 6 : 3), y}});
    }
}

// The legend of a panel's curves under its field label: a sample of each line and its name.
void mtflegend(const Rect& r, int th, const std::vector<std::pair<const char*, PenStyle>>& items, DisplayList& dl) {
    size_t longest = 0;
    for (const auto& it : items) longest = std::max(longest, std::string(it.first).size());
    const int x = r.x + r.w - 5 - 22 - 7 * static_cast<int>(longest);
    int y = r.y + 5 + th + 2;
    for (const auto& [text, pen] : items) {
        if (y + th > r.y + r.h) break;
        dl.line({{x, y + th / 2}, {x + 18, y + th / 2}}, black, pen);
        dl.label(x + 22, y, text);
        y += th;
    }
}

void mtflabels(const OpticalSystem& lens, const MtfResult& m, const Rect& r, int f, int unit, DisplayList& dl) {
    const int yl = r.y + r.h + unit / 2;
    if (m.kind == MtfKind::ThroughFocus) {
        dl.text(r.x, yl, fmtf(lens.defocus - 2 * lens.ddefocus, 6, 3), HAlign::centre, VAlign::middle);
        dl.text(r.x + r.w / 2, yl, "Defocus" + fmtf(lens.defocus, 6, 3), HAlign::centre, VAlign::middle);
        dl.text(r.x + r.w / 2 + 42, yl, lens.telescope() ? "[dioptres]" : "[mm]", HAlign::left, VAlign::middle);
        dl.text(r.x + r.w, yl, fmtf(lens.defocus + 2 * lens.ddefocus, 6, 3), HAlign::centre, VAlign::middle);
        bottomticks(r, lens.defocus - 2 * lens.ddefocus, lens.defocus + 2 * lens.ddefocus, dl);
    } else {
        dl.text(r.x, yl, "0", HAlign::centre, VAlign::middle);
        dl.text(r.x + r.w / 2, yl, "Frequency", HAlign::centre, VAlign::middle);
        // the unit after "Frequency", or before it where the panel is too narrow for both ends
        const std::string unit = std::string("[") + frequnit(lens) + "]";
        if (r.w >= 320) dl.text(r.x + r.w / 2 + 32, yl, unit, HAlign::left, VAlign::middle);
        else dl.text(r.x + r.w / 2 - 32, yl, unit, HAlign::right, VAlign::middle);
        dl.text(r.x + r.w, yl, fmti(lens.nfreq), HAlign::right, VAlign::middle);
        bottomticks(r, 0, lens.nfreq > 0 ? lens.nfreq : 1, dl);
    }
    mtfticks(r, dl);
    dl.text(r.x - 5, r.y, "1", HAlign::right, VAlign::top);
    dl.text(r.x - 5, r.y + r.h / 2, "MTF", HAlign::right, VAlign::middle);
    dl.text(r.x - 5, r.y + r.h, "0", HAlign::right, VAlign::bottom);
    dl.label(r.x + r.w - 5, r.y + 5, f == 0 ? "At axis" : fieldname(lens, f, "w=") + " deg", HAlign::right);
}

}  // namespace

PanelLayout mtflayout(int nf, int w, int h, int th) {
    nf = clampfields(nf);
    PanelLayout l;
    const int c = std::max(0, h - th - 5) / 10, wd = w / 10;
    l.unit = c;
    l.x0 = w / 15;
    l.pw = nf == 1 ? 8 * wd : 4 * wd;
    l.ph = nf <= 2 ? 8 * c : 4 * c;
    l.gx = nf == 1 ? 0 : wd;
    l.gy = nf <= 2 ? 0 : c;
    l.cx = nf == 1 ? l.pw : 5 * wd;
    l.cy = nf <= 2 ? l.ph : 5 * c;
    // one unit stays free under the lowest panels for their labels
    l.y0 = nf <= 2 ? h - c - l.ph : h - 10 * c;
    static const int cells[4][4][2] = {{{0, 0}}, {{0, 0}, {1, 0}}, {{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}};
    for (int f = 0; f < nf; ++f) addpanel(l, cells[nf - 1][f][0], cells[nf - 1][f][1]);
    return l;
}

PanelLayout spotlayout(int nf, bool white, int w, int h, int th) {
    nf = clampfields(nf);
    if (white) return columnlayout(nf, 4, 3 * (w / 16), w / 16, w / 24, h, th);
    static const int div[4] = {10, 10, 12, 16}, cols[4] = {8, 4, 3, 3}, rows[4] = {8, 4, 3, 3}, x0div[4] = {15, 15, 18, 21},
                     top[4] = {9, 10, 12, 16}, step[4] = {8, 5, 4, 4};
    const int i = nf - 1;
    PanelLayout l;
    // four fields take 16 units of height: the panels stay under the two text lines
    const int c = std::max(0, h - 2 * th) / div[i];
    l.unit = c;
    l.pw = cols[i] * (w / (i == 3 ? 15 : div[i]));
    l.ph = rows[i] * c;
    l.x0 = w / x0div[i];
    // one field: one unit under the panel for its label
    l.y0 = h - top[i] * c;
    l.cy = step[i] * c;
    l.gy = l.cy - l.ph;
    l.cx = l.pw;
    gridpanels(l, nf);
    return l;
}

PanelLayout tfspotlayout(int nf, int w, int h, int th) {
    nf = clampfields(nf);
    const int a = w / 20;
    return columnlayout(nf, 5, 3 * a, a, w / 30, h, th);
}

DisplayList mtfplot(const OpticalSystem& lens, const MtfResult& mtf, const PlotWavelength& wl, const PlotTitle& title,
                    int w, int h, int th, int onlyfield) {
    DisplayList dl;
    dl.width = w;
    dl.height = h;
    const bool tf = mtf.kind == MtfKind::ThroughFocus;
    std::string head = plottitleline(title) + "  Defocus=" + fmtf(lens.defocus, 7, 3) + " mm" + "  " + wl.text;
    if (tf) head += "  Frequency=" + fmti(lens.nfreq) + " " + frequnit(lens);
    dl.text(w / 2, 1, head, HAlign::centre);
    const std::vector<int> fields = shownfields(std::min(4, mtf.nfields), onlyfield);
    const PanelLayout l = mtflayout(static_cast<int>(fields.size()), w, h, th);
    const char* xunit = tf ? (lens.telescope() ? "dioptres" : "mm") : frequnit(lens);
    for (size_t q = 0; q < fields.size(); ++q) {
        const int f = fields[q];
        const Rect& r = l.panel(static_cast<int>(q));
        dl.frame(r);
        mtflabels(lens, mtf, r, f, l.unit, dl);
        PlotPanel panel{f == 0 ? "At axis" : fieldname(lens, f, "w=") + " deg", xunit, "relative MTF", r, {}, false, {}};
        std::vector<std::pair<const char*, PenStyle>> legend;
        if (tf) {
            if (f > 0) {
                mtfcurve(lens, mtf, f, 0, wl, "S", PenStyle::dotted, panel, dl);
                legend.push_back({"S", PenStyle::dotted});
            }
            mtfcurve(lens, mtf, f, 1, wl, "T", PenStyle::solid, panel, dl);
            legend.push_back({"T", PenStyle::solid});
        } else if (f == 0) {
            const char* axis = mtf.kind == MtfKind::Diffraction ? "S = T" : "T";
            mtfcurve(lens, mtf, f, -1, wl, "diffraction limit", PenStyle::dotted, panel, dl);
            mtfcurve(lens, mtf, f, 1, wl, axis, PenStyle::solid, panel, dl);
            legend = {{"diffraction limit", PenStyle::dotted}, {axis, PenStyle::solid}};
        } else {
            mtfcurve(lens, mtf, f, 0, wl, "S", PenStyle::dotted, panel, dl);
            mtfcurve(lens, mtf, f, 1, wl, "T", PenStyle::solid, panel, dl);
            legend = {{"S", PenStyle::dotted}, {"T", PenStyle::solid}};
        }
        mtflegend(r, th, legend, dl);
        dl.panels.push_back(std::move(panel));
    }
    return dl;
}

DisplayList spotplot(const OpticalSystem& lens, const SpotResult& spot, const PlotWavelength& wl,
                     const PlotTitle& title, int w, int h, int th, int onlyfield) {
    DisplayList dl;
    dl.width = w;
    dl.height = h;
    dl.text(w / 2, 1, spottitle(lens, title), HAlign::centre);
    const std::vector<int> fields = shownfields(std::min(4, static_cast<int>(spot.chief.size())), onlyfield);
    const int nf = static_cast<int>(fields.size());
    const bool white = wl.white() && spot.nwl == 3;
    const PanelLayout l = spotlayout(nf, white, w, h, th);
    const double half = spothalfside(lens, spot);
    if (white) {
        for (int j = 0; j < 4; ++j) dl.text(l.x0 + j * l.cx, th + 1, columnhead(lens, j));
        for (int q = 0; q < nf; ++q) {
            for (int j = 0; j < 3; ++j)
                spotdots(lens, spot, fields[q], {j}, lens.defocus, l.panel(q, j), half, wavelengthcolour(j + 1), th,
                         dl);
            spotdots(lens, spot, fields[q], {0, 1, 2}, lens.defocus, l.panel(q, 3), half, black, th, dl);
        }
    } else {
        dl.text(l.x0, th + 1, wl.text);
        const int w0 = std::clamp(wl.code - 1, 0, spot.nwl - 1);
        for (int q = 0; q < nf; ++q)
            spotdots(lens, spot, fields[q], {w0}, lens.defocus, l.panel(q), half, wavelengthcolour(w0 + 1), th, dl);
    }
    rowlabels(lens, l, fields, dl);
    return dl;
}

DisplayList tfspotplot(const OpticalSystem& lens, const SpotResult& spot, const PlotWavelength& wl,
                       const PlotTitle& title, int w, int h, int th, int onlyfield) {
    DisplayList dl;
    dl.width = w;
    dl.height = h;
    dl.text(w / 2, 1, spottitle(lens, title), HAlign::centre);
    const std::vector<int> fields = shownfields(std::min(4, static_cast<int>(spot.chief.size())), onlyfield);
    const int nf = static_cast<int>(fields.size());
    const PanelLayout l = tfspotlayout(nf, w, h, th);
    const double half = spothalfside(lens, spot);
    const bool white = wl.white() && spot.nwl == 3;
    const int w0 = std::clamp(wl.code - 1, 0, spot.nwl - 1);
    for (int i = 0; i < 5; ++i) {
        const double z = lens.defocus + (i - 2) * lens.ddefocus;
        dl.text(l.x0 + i * l.cx, th + 1, fmtf(z, 6, 3) + " mm");
        for (int q = 0; q < nf; ++q) {
            if (white) spotdots(lens, spot, fields[q], {0, 1, 2}, z, l.panel(q, i), half, black, th, dl, true);
            else spotdots(lens, spot, fields[q], {w0}, z, l.panel(q, i), half, wavelengthcolour(w0 + 1), th, dl);
        }
    }
    rowlabels(lens, l, fields, dl);
    return dl;
}

}  // namespace zefo
