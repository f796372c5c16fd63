// The surface table editor without its widgets: the grid's columns and texts, the commit of
// one typed cell, the surface commands (insert, delete, move) and the clipboard block of a
// whole surface. Grid row r shows model row r (surface r + 1; the last row is the image).
// Surface numbers s of the commands count from 1 .. nsurf.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo {

namespace surfmsg {
inline constexpr const char* badlabel = "Only allowed surface labels are S, M, E, F, A!";
inline constexpr const char* badoptlabel =
    "Only allowed optimization labels are C, D, G, E, A4, A6, A8, A10!";
inline constexpr const char* eanda = "You can not E and A4 or A6 or A8 or A10 labels together!";
inline constexpr const char* hmaxnotpositive = "Clear aperture must not be negative number or zero!";
inline constexpr const char* hmaxoverradius =
    "Clear aperture must not be greater then radius of curvature!";
inline constexpr const char* glassnotfound = "Glass name not found";
inline constexpr const char* badsurfnumber =
    "Surface number must be between 1 and total number of surfaces!";
inline constexpr const char* lastsurface = "The last surface can not be deleted!";
inline constexpr const char* toomanysurfaces = "The system can not hold more surfaces!";
inline constexpr const char* zeroconic = "Conic constant must not be zero!";
inline constexpr const char* zerodistance = "Distance must be different from zero!";
inline constexpr const char* zeroaperture = "Clear aperture must be different from zero!";
inline constexpr const char* outofrange = "Number out of range (magnitude above 1E+30)";
inline constexpr const char* badblock = "The clipboard does not hold a whole surface";
}  // namespace surfmsg

// Helpers of the editors' typed texts.
// The text without its leading and trailing blanks.
std::string trimblanks(const std::string& s);
// A typed number (blanks removed, "," or "." as decimal separator), empty when it is not a
// finite number of magnitude 1E+30 at most (the largest a lens data file holds).
std::optional<double> typedvalue(const std::string& s);
// 1/v, or 0 for 0 (a plane: radius and curvature 0 alike).
inline double reciprocal(double v) { return v == 0 ? 0 : 1 / v; }

// Columns of the surface grid.
enum SurfColumn {
    scnumber, sclabel, scoptlabel, scradius, scradmin, scradmax,
    scsep, scsepmin, scsepmax, scglass, schmax, surfcolumns
};

// Header of a column (with its leading blanks) for radius or curvature mode.
std::string surfheader(int col, bool radii);
// Status hint of a column.
std::string surfhint(int col, bool radii);
// Text of a cell as the grid shows it.
std::string surfcelltext(const OpticalSystem& lens, int row, int col);

// The message of an optimization label that breaks the grammar (upper-case, trimmed),
// empty when it is valid.
std::string optlabelerror(const std::string& label);

// A glass lookup by a typed name: the catalogue's forgiving one (findglass), or a fake one in
// tests (a plain optional converts to a match).
using GlassLookup = std::function<GlassMatch(const std::string&)>;
GlassLookup cataloglookup(GlassCatalog& cat);

// Result of committing a typed cell: accepted (changed or not), or refused with its
// message (caption "Error"); `restore` is what the cell shows afterwards.
struct CellCommit {
    enum Request { none, conicdialog, asphericdialog };
    bool accepted = true;
    bool changed = false;
    std::string message;
    std::string restore;
    Request request = none;
};

// Commits the typed text of a cell of model row `row`. A refused text leaves the model as
// it was. Labels with E/F/A create the aspheric data; the mirror state flips the signs of
// the row's indices only when it changes.
CellCommit commitsurfcell(Model& m, const GlassLookup& lookup, int row, int col,
                          const std::string& typed);

// The log line of a glass placed from the glass catalogue on model row `row`.
std::string glassplacedline(const OpticalSystem& lens, int row);

// Conic Constant dialog, OK: the conic constant of row `row` from its typed text (not 0).
CellCommit commitconic(Model& m, int row, const std::string& typed);
// Aspherical constants dialog, OK: a4, a6, a8, a10 of row `row`; the first text that is no
// number is refused (its index in `badfield`) and nothing is stored.
struct AsphericCommit {
    int badfield = -1;
    std::string message;
};
AsphericCommit commitaspheric(Model& m, int row, const std::array<std::string, 4>& typed);

// New Surface dialog, OK: the texts of the columns sclabel .. schmax (index = column - 1)
// for model row `row`, checked as the grid checks them, plus a separation and a clear
// aperture that must not be 0. Refused: the column and its message, the model unchanged.
// Accepted: the row holds them, `log` the lines of the command log, `request` a constant
// dialog for a conic or aspheric label.
struct NewSurfaceResult {
    int badcolumn = -1;
    std::string message;
    CellCommit::Request request = CellCommit::none;
    std::vector<std::string> log;
};
NewSurfaceResult newsurface(Model& m, const GlassLookup& lookup, int row,
                            const std::array<std::string, surfcolumns - 1>& typed);

// Surface commands; an empty result is success, otherwise the message. Each keeps stopsurf
// on the same surface (1 .. nsurf) and sizes the model's arrays.
std::string deletesurface(Model& m, int s);
std::string insertsurface(Model& m, int s, bool after);

// The clipboard block of a whole surface: 142 bytes, little-endian doubles, short strings
// as a length byte and their characters.
constexpr size_t surfblocksize = 142;
std::vector<uint8_t> surfblock(const OpticalSystem& lens, int row);
// Paste: a surface is inserted before surface s (1 .. nsurf) and takes the block's values
// through the checks of typing them into its cells (label, optimization label, a glass of
// the catalogue whose indices it takes, numbers finite within 1E+30, the clear aperture, a
// radius whose curvature the file holds), the medium keeping the sign of the block's index.
// A block of another size or that fails a check is refused with the reason and m is
// unchanged; so is one that would make a lens that cannot be saved.
std::string pastesurface(Model& m, const GlassLookup& lookup, int s, const std::vector<uint8_t>& block);

// Log lines of the surface commands.
std::vector<std::string> surfcommandlog(const std::string& command, int s);

// The text of an undo step: a cell of model row `row` ("Radius of surface 4", "Glass of
// surface 2", row 0 is surface 1, row nsurf the image plane), and a surface command on surface s ("Delete surface 3").
std::string surfcellstep(const OpticalSystem& lens, int row, int col);
std::string surfcommandstep(const std::string& command, int s);

// Little-endian helpers shared by the clipboard blocks.
namespace leblock {
void putdouble(std::vector<uint8_t>& b, size_t at, double v);
// The double at `at`; none beyond the block, not finite or above 1E+30 (no typed number).
std::optional<double> getdouble(const std::vector<uint8_t>& b, size_t at);
void putstring(std::vector<uint8_t>& b, size_t at, size_t field, const std::string& s);
std::string getstring(const std::vector<uint8_t>& b, size_t at, size_t field);
}  // namespace leblock

}  // namespace zefo
