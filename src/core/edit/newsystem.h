// The New command without its widgets: the setup wizard's pages (General, Telescope, Field
// angle with Apply), the ray coordinate grids' OK, the surface grid's OK and the first
// computations that store the new system. Each page checks all its entries before it
// stores any of them.
#pragma once

#include <array>
#include <string>

#include "core/edit/generaledit.h"
#include "core/model/model.h"

namespace zefo {

namespace newmsg {
inline constexpr const char* noname = "You must enter valid name for optical system!";
inline constexpr const char* nosurfaces = "Number of surfaces must not be 0!";
inline constexpr const char* toomanysurfaces = "Number of surfaces must not be greater then 254!";
inline constexpr const char* nomagnorna =
    "You must not enter zero value for magnification and numerical aperture !";
inline constexpr const char* notype = "You must choose telescope type!";
inline constexpr const char* noobjpos = "You must choose object position!";
inline constexpr const char* badobjdist =
    "You must enter valid distance from the object to the first surface!";
inline constexpr const char* badeph = "You must enter valid enterance pupil radius!";
inline constexpr const char* zeroeye = "Eye position must not be zero!";
inline constexpr const char* zerolabel = "Ray label must be different from zero!";
inline constexpr const char* zerorel = "Some relative coordinates must be different from zero!";
inline constexpr const char* zeroabs = "Some absolute coordinates must be different from zero!";
}  // namespace newmsg

// Page "General". Entries in badfield order.
struct NewGeneral {
    std::string name, nsurf, stop, mag, na;
    int nfields = 3;
    bool aspherics = false;
    bool radii = true;
};
enum NewGeneralEntry { ngName, ngSurfaces, ngStop, ngMag, ngNa, ngFields };
// Opening the wizard: the values its General page starts from.
void newsystemstart(Model& m);
// Next on "General": afterwards m.lens.na == 0 means a telescope (its page comes next).
EditResult newgeneral(Model& m, const NewGeneral& in);

// Page "Telescope": type 4 Kepler or 6 Galilean (0 none chosen), object at infinity 'D',
// finite 'N' (0 none chosen).
struct NewTelescope {
    int type = 0;
    char objinf = 0;
    std::string objdist, eph, eyedist;
};
enum NewTelescopeEntry { ntType, ntObjinf, ntObjdist, ntEph, ntEye };
EditResult newtelescope(Model& m, const NewTelescope& in);

// Page "Field angle", Apply: field values 2 .. nfields (entry 0 unused), the scheme size for
// four fields, the chromatic mode and the ray scheme type. Types 10 and 0 leave an empty
// scheme for the ray grids (labels and coordinates 0), checked by raygriderror.
struct NewFields {
    std::array<std::string, 4> field;
    bool fullscheme = false;
    bool threewl = false;
    uint8_t raytype = 20;
};
EditResult newapply(Model& m, const NewFields& in);
// OK of a ray grid (relative or absolute coordinates): the message, empty when accepted.
std::string raygriderror(const OpticalSystem& lens, bool relative);

// Wizard OK: the remaining values of a new system, and the surface rows of the surface grid
// (labels "S", air, zeros), the default glass triangle.
void newsystemdefaults(Model& m);
// OK of the surface grid: the message, empty when the surfaces are accepted.
std::string surfacegriderror(const OpticalSystem& lens);
// The accepted surfaces give the targets, the bounds left at 0 and the thickness limits.
void acceptsurfaces(Model& m);
// The first computations (clear-aperture limits, first-order data, ray scheme, default
// weights) without writing: the error text, empty on success.
std::string newsystemcompute(Model& m);
// The first computations (clear-aperture limits, first-order data, ray scheme, default
// weights), then the lens is written once to path (through a temporary file). The error
// text, empty on success; on a failure the file is not touched.
std::string newsystemfinish(Model& m, const std::string& path);

}  // namespace zefo
