// Field curvature and distortion.
#include "core/plot/fieldplot.h"

#include <algorithm>
#include <cmath>

#include "core/util/numfmt.h"

namespace zefo {

namespace {

// A symmetric range about zero that holds every value, rounded out to a tick step.
double halfrange(const std::vector<const std::vector<double>*>& curves) {
    double m = 0;
    for (const auto* c : curves)
        for (double v : *c) m = std::max(m, std::fabs(v));
    if (!(m > 0)) return 1;
    const double step = tickstep(2 * m);
    return std::ceil(m / step - 1e-9) * step;
}

// Frame, the zero line, tick marks and values along both axes.
void fieldaxes(const Rect& r, double half, double fmax, DisplayList& dl) {
    dl.frame(r);
    const int xc = r.x + r.w / 2;
    dl.line({{xc, r.y}, {xc, r.y + r.h}}, black, PenStyle::dotted);
    const double step = tickstep(2 * half);
    for (double v = -half; step > 0 && v <= half + step * 1e-6; v += step) {
        int x;
        if (!topixel(r.x + (v + half) / (2 * half) * r.w, x)) continue;
        dl.line({{x, r.y + r.h}, {x, r.y + r.h - 4}});
        dl.text(x, r.y + r.h + 2, ticktext(v, step), HAlign::centre);
    }
    const double fstep = tickstep(fmax);
    for (double f = 0; fstep > 0 && f <= fmax * (1 + 1e-9); f += fstep) {
        int y;
        if (!topixel(r.y + r.h - f / fmax * r.h, y)) continue;
        dl.line({{r.x, y}, {r.x + 4, y}});
        dl.text(r.x - 3, y, ticktext(f, fstep), HAlign::right, VAlign::middle);
    }
}

void fieldcurveline(const FieldCurves& c, const std::vector<double>& v, const Rect& r, double half, double fmax,
           const std::string& label, Colour colour, PenStyle pen, PlotPanel& panel, DisplayList& dl) {
    std::vector<double> px, py;
    for (size_t i = 0; i < v.size() && i < c.field.size(); ++i) {
        px.push_back(r.x + (v[i] + half) / (2 * half) * r.w);
        py.push_back(r.y + r.h - c.field[i] / fmax * r.h);
    }
    plotcurve(dl, panel, label, v, c.field, px, py, colour, pen);
}

}  // namespace

FieldLayout fieldlayout(int w, int h, int th) {
    const int left = std::max(45, w / 15), gap = std::max(70, w / 10);
    const int top = 6 * th + 6, bottom = h - 3 * th - 4;
    const int pw = std::max(10, (w - left - gap - 20) / 2), ph = std::max(10, bottom - top);
    return FieldLayout{Rect{left, top, pw, ph}, Rect{left + pw + gap, top, pw, ph}};
}

DisplayList fieldplot(const OpticalSystem& lens, const FieldCurves& c, const PlotTitle& title, int w, int h, int th) {
    DisplayList dl;
    dl.width = w;
    dl.height = h;
    dl.text(w / 2, 1, "System name =" + title.sysname + "        File = " + title.file + "     " + title.date,
            HAlign::centre);
    dl.text(w / 2, th, "Field Curvature and Distortion", HAlign::centre);
    const FieldLayout l = fieldlayout(w, h, th);
    const std::string fieldunit = c.angles ? "deg" : "mm";
    const std::string focusunit = c.telescope ? "dioptres" : "mm";
    const double fmax = c.field.empty() || !(c.field.back() > 0) ? 1 : c.field.back();
    std::vector<const std::vector<double>*> focus, dist;
    for (int w0 : c.wls) {
        focus.push_back(&c.sagittal[w0]);
        focus.push_back(&c.tangential[w0]);
        dist.push_back(&c.distortion[w0]);
    }
    const double fhalf = halfrange(focus), dhalf = halfrange(dist);
    PlotPanel curv{"Field Curvature", focusunit, fieldunit, l.curvature, {}, false, {}};
    PlotPanel distortion{"Distortion", "%", fieldunit, l.distortion, {}, false, {}};
    for (const auto& [panel, half] : {std::pair{&curv, fhalf}, std::pair{&distortion, dhalf}}) {
        const Rect& r = panel->frame;
        fieldaxes(r, half, fmax, dl);
        dl.text(r.x + r.w / 2, r.y - th - 2, panel->title, HAlign::centre);
        dl.text(r.x - 3, r.y - 2, "Field [" + fieldunit + "]", HAlign::left, VAlign::bottom);
    }
    dl.text(l.curvature.x + l.curvature.w / 2, l.curvature.y + l.curvature.h + th + 4,
            "Focus shift [" + focusunit + "]", HAlign::centre);
    dl.text(l.distortion.x + l.distortion.w / 2, l.distortion.y + l.distortion.h + th + 4, "Distortion [%]",
            HAlign::centre);
    for (int w0 : c.wls) {
        const std::string suffix = w0 == 0 ? "" : " wl[" + std::to_string(w0 + 1) + "]";
        const Colour colour = wavelengthcolour(w0 + 1);
        fieldcurveline(c, c.sagittal[w0], l.curvature, fhalf, fmax, "S" + suffix, colour, PenStyle::dotted, curv, dl);
        fieldcurveline(c, c.tangential[w0], l.curvature, fhalf, fmax, "T" + suffix, colour, PenStyle::solid, curv, dl);
        fieldcurveline(c, c.distortion[w0], l.distortion, dhalf, fmax, "distortion" + suffix, colour, PenStyle::solid,
              distortion, dl);
    }
    // legend: line styles, and the wavelengths in their colours
    const Rect& r = l.curvature;
    int y = r.y + 3;
    for (const auto& [name, pen] : {std::pair{"S", PenStyle::dotted}, std::pair{"T", PenStyle::solid}}) {
        dl.line({{r.x + 6, y + th / 2}, {r.x + 24, y + th / 2}}, black, pen);
        dl.label(r.x + 28, y, name);
        y += th;
    }
    for (size_t j = 0; j < c.wls.size(); ++j)
        dl.text(10, (2 + static_cast<int>(j)) * th, "wl[" + std::to_string(c.wls[j] + 1) + "] =" +
                    fmtf(lens.wl[c.wls[j]], 11, 8).substr(0, 10), HAlign::left, VAlign::top, wavelengthcolour(c.wls[j] + 1));
    if (!c.error.empty()) dl.text(w / 2, 2 * th, c.error, HAlign::centre, VAlign::top, red);
    dl.panels.push_back(std::move(curv));
    dl.panels.push_back(std::move(distortion));
    return dl;
}

}  // namespace zefo
