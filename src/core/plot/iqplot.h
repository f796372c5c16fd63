// The pictures of the image-quality results: spot diagram, through-focus spot diagram,
// geometrical, through-focus and diffraction MTF. They read the results and compute nothing
// of the optics.
#pragma once

#include <string>
#include <vector>

#include "core/imagequality/imagequality.h"
#include "core/plot/displaylist.h"

namespace zefo {

// The wavelength a picture shows: code 1 .. 3 for wl[code - 1], 4 for white light, with the
// chooser's text.
struct PlotWavelength {
    int code = 1;
    std::string text;
    bool white() const { return code == 4; }
};

// Colour of a wavelength code: 1 blue, 2 red, 3 green, white light black.
Colour wavelengthcolour(int code);

// Panels of a picture: width, height, gaps, the first panel's corner, the column and row
// steps, the unit of the vertical division, and the panel rectangles, per field (and per
// column for the pictures with columns: panels[field * columns + column]).
struct PanelLayout {
    int pw = 0, ph = 0, gx = 0, gy = 0, x0 = 0, y0 = 0, cx = 0, cy = 0, unit = 0;
    int columns = 1;
    std::vector<Rect> panels;
    const Rect& panel(int field, int column = 0) const { return panels[field * columns + column]; }
};

// MTF panels for nf fields (1 .. 4) on a canvas w x h with text height th.
PanelLayout mtflayout(int nf, int w, int h, int th);
// Spot diagram panels: fields in one column, or four columns for white light.
PanelLayout spotlayout(int nf, bool white, int w, int h, int th);
// Through-focus spot panels: five focal planes in columns, fields in rows.
PanelLayout tfspotlayout(int nf, int w, int h, int th);

// The MTF pictures, the kind following the table, and the spot diagrams: a panel (row) per
// field, or with onlyfield (0 the axis .. nfields-1) the panels of that field alone.
DisplayList mtfplot(const OpticalSystem& lens, const MtfResult& mtf, const PlotWavelength& wl, const PlotTitle& title,
                    int w, int h, int th, int onlyfield = -1);
DisplayList spotplot(const OpticalSystem& lens, const SpotResult& spot, const PlotWavelength& wl,
                     const PlotTitle& title, int w, int h, int th, int onlyfield = -1);
DisplayList tfspotplot(const OpticalSystem& lens, const SpotResult& spot, const PlotWavelength& wl,
                       const PlotTitle& title, int w, int h, int th, int onlyfield = -1);

}  // namespace zefo
