// Import of sequential lens files in the .zmx text format: the bytes become text (UTF-16 LE
// with a byte-order mark, UTF-8 or ASCII; lines ended by CR LF or LF), the keys a lens
// description (one key and its arguments per line) that is built like a lens of the New
// command, with a list of notices. What the program cannot represent refuses the import with
// a message naming the surface and the key.
//
// Keys read (arguments after the key, separated by blanks):
//   NAME text; UNIT MM|CM|IN|M ...; ENPD diameter | FNUM f-number | OBNA na | FLOA;
//   FTYP type telecentric nfields nwaves (older files: type telecentric);
//   XFLN/YFLN values (older XFLD/YFLD); WAVM index micrometres weight (older WAVL values);
//   PWAV index; GCAT names; MODE SEQ; MNUM count; SURF number (0 the object, the last the
//   image), then per surface TYPE STANDARD|EVENASPH, CURV c, DISZ d|INFINITY,
//   GLAS name flag pickup nd vd ... (MIRROR for a mirror), CONI k, PARM n value, DIAM
//   semi-diameter, STOP. Other keys do not change the optics and are ignored with a notice.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/edit/lensdesc.h"
#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo {

// The text of a file's bytes, or the message why they are no text the reader takes.
struct ZmxText {
    std::string text;    // UTF-8, lines ended by LF
    std::string error;
};
ZmxText zmxtext(const std::string& bytes);

// A read file: the description, the glasses the catalogue lacks (made from the model data
// of their GLAS lines), the image plane's distance from the paraxial focus, the notices.
struct ZmxRead {
    LensDesc desc;
    std::map<std::string, GlassRecord> modelglasses;
    double defocus = 0;
    std::vector<std::string> notices;
    std::string error;   // empty when the file is accepted
};
// `fallbackname` names the lens when the file has no NAME.
ZmxRead readzmx(const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat);

// The whole import: read, build, the first computations. On a refusal m is untouched.
struct ZmxImport {
    std::vector<std::string> notices;
    std::string error;
};
ZmxImport importzmx(Model& m, const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat);

}  // namespace zefo
