// The half-section of the lenses, and optionally the traced rays, as a CAD command script
// (".scr" and "h.scr") and as a DXF drawing (R12 ASCII) of the same section.
#pragma once

#include <string>
#include <vector>

#include "core/modify/mechanics.h"

namespace zefo {

// The drawn section: per optical surface its vertex, the half-height of its drawn edge and
// the x of its upper edge point (mm), and the mechanical diameters it was drawn with.
struct LensSection {
    MechDiameters mechdiam;
    std::vector<double> vertex, edgeh, edgex;
};

// The ray points of one drawn ray (mm) on its layer.
struct SectionRay {
    std::string layer;
    std::vector<double> x, y;
};

struct CadDrawing {
    MechOutcome outcome;        // cancelled by the construction question, or failed
    LensSection section;
    std::vector<SectionRay> rays;
    std::vector<std::string> script;   // the script lines
};

// Computes the section (asking for the construction type when every clear aperture is at
// least 4 mm) and the script; with rays the meridional rays of the ray scheme are traced
// and appended. Nothing is written.
CadDrawing acadscript(Model& m, bool rays, Interaction& ask);

// Writes the script and the DXF text of a finished drawing whole, both or neither (a file
// written before a later one fails is put back as it was). A drawing with a number that is
// not finite is refused with nonfinitemsg. The error text, empty on success.
std::string writecadfiles(const OpticalSystem& lens, const CadDrawing& d, const std::string& scriptpath,
                          const std::string& dxfpath);

// The DXF text of a computed drawing: the axis, the surfaces (ARC, or LINE for a plane),
// the rims (LINE) on layer "ose" and every ray as a POLYLINE on its layer.
std::string sectiondxf(const OpticalSystem& lens, const CadDrawing& d);

}  // namespace zefo
