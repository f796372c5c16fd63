// The general data, field count and wavelength editors without their widgets. Each checks
// every typed value first and changes the model only when all are good, so that a refused
// entry or Cancel leaves the model as it was.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/edit/surfaceedit.h"
#include "core/model/model.h"
#include "core/util/fileio.h"

namespace zefo {

namespace genmsg {
inline constexpr const char* badname = badsysnamemsg;
inline constexpr const char* badstop =
    "You must enter valid surface number for aperture stop position!";
inline constexpr const char* badeph = "You must enter valid Eneterance pupil height!";
inline constexpr const char* badna = "Numerical aperture must be between 0 and 1!";
inline constexpr const char* baddefocus = "Defocus must not be between -2 and 2 mm!";
inline constexpr const char* zerofield = "Field angle must not be zero!";
inline constexpr const char* fieldorder = "Field angles must be entered in ascending order";
inline constexpr const char* badfieldcount = "Number of fields must be 2,3 or 4";
inline constexpr const char* normalrays =
    "Normal rays can not follow a new number of fields: choose standard or relative rays first!";
inline constexpr const char* badwavelength = "Wavelength must be between 350 nm and 1500 nm !";
}  // namespace genmsg

// Index (0-based) of the chief ray of off-axis field f (1 .. 3) in a standard scheme.
int chiefrayindex(int nrays, int f);

// The result of an editor's OK: accepted, or the entry `badfield` with its message.
struct EditResult {
    int badfield = -1;
    std::string message;
    std::vector<std::string> log;   // the "New value for ..." lines
    bool changed = false;           // the model changed
    bool ok() const { return badfield < 0; }
};

// The refusal of entry `field` with its message.
EditResult refusal(int field, const std::string& msg);

// The General Data Editor's entries as typed or chosen.
struct GeneralDataInput {
    std::string name, mag, stop, aperture, defocus;
    std::array<std::string, 4> field;   // entry 1 is shown only
    bool threewl = false;               // "3 wave length calculation"
    uint8_t raytype = 20;
    bool radii = true;
    // The "Ray scheme type" answer for four fields when the layout is rebuilt: true full,
    // false partial, empty: keep the scheme.
    std::optional<bool> fullscheme;
};
// Entry order of badfield.
enum GeneralEntry { geName, geMag, geStop, geAperture, geDefocus, geField };

// The entries showing the model's values.
GeneralDataInput generaldata(const Model& m);
// Whether OK with this input rebuilds a four-field layout (the front end then asks the
// "Ray scheme type" dialog before calling applygeneraldata).
bool asksschemetype(const Model& m, const GeneralDataInput& in);
// OK of the General Data Editor.
EditResult applygeneraldata(Model& m, const GeneralDataInput& in);

// OK of Number of Fields followed by Field angles: n fields (2 .. 4), the typed values of
// fields 2 .. n (entry 0 unused) and for four fields the full or partial scheme.
EditResult changefieldcount(Model& m, int n, const std::array<std::string, 4>& field,
                            bool fullscheme);

// The wavelengths of the single-wavelength dialog's items 0 .. 9 (mm); item 10 is "Other".
double spectralline(int item);
// "Other wavelength in nm": the wavelength in mm, or the message.
struct WavelengthEntry {
    double mm = 0;
    std::string message;
};
WavelengthEntry otherwavelength(const std::string& nm);

// OK of the wavelength editor: the new value (mm) of each of wl[0..2] that was chosen. The
// indices of every glass row are recomputed at the new wavelengths (a mirror space keeps
// its sign); a glass missing from the catalogue refuses the whole change with its message.
EditResult changewavelengths(Model& m, const std::array<std::optional<double>, 3>& wl,
                             const GlassLookup& lookup);

}  // namespace zefo
