// The side view of the optical system to scale: axis, surface profiles between their clear
// radii, lens edges, aperture stop and the rays of the scheme, with a title line above and
// a line of first-order data below.
#pragma once

#include <string>
#include <vector>

#include "core/model/model.h"
#include "core/plot/displaylist.h"

namespace zefo {

// The drawing scale of a system and the extent of the drawing in mm: the length from the
// first surface's edge to the image plane's edge (ls), the largest clear diameter (d), and
// which of the two governs the proportion 129 : 94 of the drawing.
struct SystemScale {
    double ls = 0, d = 0;
    bool lengthgoverns = true;
    double drawscale = 1;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};

SystemScale systemscale(const OpticalSystem& lens);

// Sag of the edge of a surface of curvature c and clear radius h; a clear radius beyond the
// sphere's rim is taken at the rim.
double edgesag(double c, double h);

// The drawing area of a canvas of width w and height hc for the text height th: the height
// h above the first-order line, the axis at h / 2, and the scale (pixels per mm, the same
// both ways, so that spheres stay round) that fits the extent of the system scale; the
// drawing starts at left, 10 pixels in and centred in the width the scale leaves free.
struct SystemLayout {
    int w = 0, hc = 0, th = 0, h = 0, axis = 0, left = 10;
    double sx = 1, sy = 1, scale = 1;
};

SystemLayout systemlayout(const SystemScale& s, int w, int hc, int th);

// The whole picture. Surfaces whose clear radius passes the sphere's rim are drawn up to the
// rim and named in notes; a trace failure ends the rays and is named there too. With
// onlyfield (0 the axis .. 3) only the rays of that field are drawn.
DisplayList systemplot(const OpticalSystem& lens, const PlotTitle& title, int w, int hc, int th,
                       std::vector<std::string>* notes = nullptr, int onlyfield = -1);

// The line of first-order data under the drawing.
std::string systemdataline(const OpticalSystem& lens);

}  // namespace zefo
