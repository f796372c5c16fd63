// The ray scheme editor without its widgets: the grid's columns and texts, the commit of one
// typed cell, the New Ray entry, insert/delete of rays and the clipboard block of one ray.
// Grid row r shows ray r; ray numbers r of the commands count from 1 .. nrays.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/edit/surfaceedit.h"
#include "core/model/model.h"

namespace zefo {

namespace raymsg {
inline constexpr const char* badlabel = "Only allowed ray labels are 1, 12, 13, 14, 4, 5!";
inline constexpr const char* lrange = "L ray coordinate must be between -1 and 1!";
inline constexpr const char* mrange = "M ray coordinate must be between -1 and 1!";
inline constexpr const char* lmsum = "Direction cosines must satisfy L*L + M*M <= 1!";
inline constexpr const char* badraynumber = "Ray number must be between 1 and total number of rays!";
inline constexpr const char* lastray = "The last ray can not be deleted!";
inline constexpr const char* toomanyrays = "The ray scheme can not hold more than 255 rays!";
inline constexpr const char* badblock = "The clipboard does not hold a whole ray";
}  // namespace raymsg

// The fields of a ray, in the order of the full grid after the number column.
enum RayField { rflabel, rfxrel, rfyrel, rfx, rfy, rfl, rfm, rayfields };

// Whether the grid of this ray scheme type shows the relative coordinates.
inline bool hasrelative(const OpticalSystem& lens) { return lens.raytype == 10 || lens.raytype == 20; }
// The fields the grid shows after its number column.
std::vector<RayField> rayfieldsshown(const OpticalSystem& lens);
std::string rayheader(RayField f);
std::string rayhint(RayField f);
std::string raycelltext(const OpticalSystem& lens, int ray, RayField f);

// The ray label of a text (blanks removed), or 0 when it is not one of 1, 12, 13, 14, 4, 5.
uint8_t raylabel(const std::string& text);
// The message when l and m are no pair of direction cosines, empty when they are.
std::string directionerror(double l, double m);

// Commits the typed text of a cell of ray `ray`; a refused text leaves the model as it was.
// A label 13 beyond one chief ray per field off the axis is refused (chiefrayserror).
CellCommit commitraycell(OpticalSystem& lens, int ray, RayField f, const std::string& typed);

// New Ray, OK: the seven typed texts (label, xrel, yrel, x, y, l, m) checked in order; the
// first bad one is `badfield` with its message and nothing is stored. Accepted: ray `ray`
// takes them and `log` holds the lines for the command log.
struct NewRayResult {
    int badfield = -1;
    std::string message;
    std::vector<std::string> log;
};
NewRayResult newray(OpticalSystem& lens, int ray, const std::array<std::string, rayfields>& typed);

// Ray commands; an empty result is success, otherwise the message. Insert doubles ray r:
// the new ray (index r - 1 before, r after) starts as its copy.
std::string deleteray(OpticalSystem& lens, int r);
std::string insertray(OpticalSystem& lens, int r);

// The clipboard block of one ray: 49 bytes, label byte then six little-endian doubles.
constexpr size_t rayblocksize = 49;
std::vector<uint8_t> rayblock(const OpticalSystem& lens, int ray);
// Paste: a ray is inserted before ray r (1 .. nrays) and takes the block's values through
// the checks of typing them (label, numbers finite within 1E+30, direction cosines, no more
// chief rays than fields off the axis). A block of another size or that fails a check is
// refused with the reason and the lens is unchanged.
std::string pasteray(OpticalSystem& lens, int r, const std::vector<uint8_t>& block);

std::vector<std::string> raycommandlog(const std::string& command, int r);

// The text of an undo step: a field of ray `ray` (an index: "Y of ray 3"), and a ray
// command on ray r ("Insert ray before 2").
std::string raycellstep(int ray, RayField f);
std::string raycommandstep(const std::string& command, int r);

}  // namespace zefo
