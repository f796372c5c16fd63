// Export of a lens as a sequential .zmx lens file, the form the importer reads back: UTF-16
// LE with a byte-order mark and CR LF lines; lengths in mm.
//
// Written: NAME; ENPD (object at infinity, telescopes) or OBNA (finite object); AFOC 1 for a
// telescope (afocal image space); FTYP with field angles (0) or object heights (1); XFLN
// and YFLN; WAVM with weights (in one-wavelength mode the other two wavelengths carry
// weight 0, otherwise all weigh 1) and PWAV; per surface TYPE STANDARD or EVENASPH, CURV, DISZ (the object's
// INFINITY), GLAS (MIRROR for a mirror; a catalogue glass by name with its catalogue nd and
// vd; any other medium as a model glass whose nd and vd give the lens's index at its main
// wavelength and its dispersion between the other two), CONI, PARM 2 .. 5, DIAM, STOP.
#pragma once

#include <string>
#include <vector>

#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo {

struct ZmxExport {
    std::string text;                   // UTF-8, lines ended by LF
    std::vector<std::string> notices;   // what the file says differently
    std::string error;                  // empty when the lens can be written
};
ZmxExport exportzmx(const OpticalSystem& lens, GlassCatalog& cat);

// The lens written to path as a whole file (temporary file, then rename) when it can be
// exported; the error text, empty on success (nothing is written on a failure).
std::string savezmx(const std::string& path, const OpticalSystem& lens, GlassCatalog& cat,
                    std::vector<std::string>* notices = nullptr);

}  // namespace zefo
