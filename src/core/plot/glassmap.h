// The glass map: the catalogue's glasses as points in the plane of Abbe number vd (falling
// to the right, as designers draw it) and index nd, the lens's glasses marked and labelled,
// and the glass triangle of the optimization when it is set.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/model/glasscat.h"
#include "core/model/model.h"
#include "core/plot/displaylist.h"

namespace zefo {

// One point of the map.
struct GlassPoint {
    std::string name;
    double nd = 0, vd = 0;
    bool lens = false;         // a glass of the lens
    std::string surfaces;      // lens glasses: the surfaces whose medium it is, "2, 5"
    bool fromindices = false;  // lens glass the catalogue does not know: nd and vd from the lens's indices
    Pixel at;                  // where the picture puts it
};

// The glasses of the lens (each once), with their nd and vd from the catalogue or, for a
// glass the lookup does not find, from the lens's indices (index at the first wavelength,
// Abbe number from the dispersion). Air and mirrors' signs are left out.
std::vector<GlassPoint> lensglasspoints(const OpticalSystem& lens,
                                        const std::function<GlassMatch(const std::string&)>& lookup);

// The axes of the map: vd from vdleft (left edge) down to vdright, nd from ndbottom up to
// ndtop, inside the frame.
struct GlassMapAxes {
    Rect frame;
    double vdleft = 100, vdright = 10, ndbottom = 1.4, ndtop = 2.1;
    double x(double vd) const { return frame.x + (vdleft - vd) / (vdleft - vdright) * frame.w; }
    double y(double nd) const { return frame.y + frame.h - (nd - ndbottom) / (ndtop - ndbottom) * frame.h; }
};

struct GlassMap {
    DisplayList picture;
    GlassMapAxes axes;
    std::vector<GlassPoint> points;   // the catalogue's, then the lens's
};

// The picture on a canvas w x h with text height th; the axes take in every point. The glass
// triangle is drawn when tri is given: its sides are straight in index and dispersion.
GlassMap glassmap(const std::vector<GlassRecord>& catalogue, const std::vector<GlassPoint>& lensglasses,
                  const GlassTriangle* tri, const PlotTitle& title, int w, int h, int th);

// The triangle corners are set (names given, dispersions not 0).
bool triangleset(const GlassTriangle& tri);

// The point nearest to a pixel within `radius` pixels, lens glasses first; -1 when none.
int glassat(const GlassMap& map, Pixel p, int radius);

}  // namespace zefo
