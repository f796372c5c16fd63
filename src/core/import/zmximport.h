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
//   PWAV index; GCAT names; MODE SEQ; MNUM count; AFOC 1 (afocal image space: a telescope);
//   RAIM (a notice); SURF number (0 the object, the last the image), then per surface
//   TYPE STANDARD|EVENASPH, CURV c, DISZ d|INFINITY, GLAS name flag pickup nd vd ...
//   (MIRROR for a mirror; flag 1 a model glass made from nd and vd, else a catalogue glass
//   whose nd and vd are placeholders), CONI k, PARM n value, DIAM semi-diameter, CLAP inner
//   outer (a hard aperture: the clear radius), STOP. Other keys do not change the optics and
//   are ignored with a notice; non-sequential objects (NSO...) are refused. A line must start
//   with a key; every number that becomes a count or an index is range-checked first.
// Encodings: UTF-16 LE or BE (with or without a byte-order mark), UTF-8, else Latin-1;
// control characters and bytes that are no text are refused with their line.
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

// The longest system name an import gives (the file's NAME is cut to it).
inline constexpr size_t zmxnamelength = 64;
// The largest file the reader takes.
inline constexpr size_t zmxmaxbytes = size_t{64} << 20;

// The bytes of a .zmx file: only a regular file of at most zmxmaxbytes, read once.
struct ZmxFile {
    std::string bytes;
    std::string error;
};
ZmxFile readzmxfile(const std::string& path);

// Choices of the import. substitutes: catalogue glasses of the file the catalogue lacks,
// each with the index and Abbe number the designer knows it by; the catalogue glass nearest
// to them takes its place (with a notice). Without an entry such a glass refuses the file.
struct ZmxOptions {
    std::map<std::string, std::pair<double, double>> substitutes;
};

// UTF-8 text (lines ended by LF) as the bytes of UTF-16 LE text with its byte-order mark and
// lines ended by CR LF; a byte that is no UTF-8 becomes U+FFFD.
std::string zmxutf16le(const std::string& text);

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
ZmxRead readzmx(const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat,
                const ZmxOptions& options = {});

// The whole import: read, build, the first computations. On a refusal m is untouched.
struct ZmxImport {
    std::vector<std::string> notices;
    std::string error;
};
ZmxImport importzmx(Model& m, const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat,
                    const ZmxOptions& options = {});

}  // namespace zefo
