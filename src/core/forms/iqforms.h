// The parameter forms of the image quality: "Edit MTF" with its limit dialog "Spot
// diagram", "Edit OPD" and "Edit Diffractional MTF". Each form gives the texts its fields
// show, the fields' labels, masks and hints, and the OK function that checks the typed
// texts in field order and takes the accepted values into the model.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/forms/dialogform.h"
#include "core/model/model.h"

namespace zefo {

// Asks the limit dialog for a new maximum frequency (text preset with nfreq); returns false
// on Cancel. The dialog itself validates with checklimitvalue until it is accepted.
using LimitAsk = std::function<bool(long long& nfreq)>;

// The message of a maximum frequency above the diffraction limit.
inline constexpr const char* overlimitmsg =
    "Maximum number of frequencies must not be greater then diffraction limit frequency!";

// The check of the limit dialog "Spot diagram" against the diffraction-limit frequency
// flimit: empty when the typed text is accepted.
std::string checklimitvalue(const std::string& text, double flimit, long long& value);

// Hint of the maximum-frequency fields: "Enter number between 1 and " + the diffraction-limit
// frequency.
std::string nfreqhint(const Model& m);

// The edit field of the limit dialog.
DialogField limitfield(const Model& m);

// The typed texts of "Edit MTF", in field order: rings, maximum frequency, increment,
// spot size, defocus, defocus increment, then one weight (mono) or three.
struct MtfForm {
    std::string nrings, nfreq, dfreq, spotsize, defocus, ddefocus;
    std::array<std::string, 3> weight;

    // The text of a field by its MtfField index.
    std::string& text(int field);
    const std::string& text(int field) const { return const_cast<MtfForm*>(this)->text(field); }
};
enum MtfField { fNrings, fNfreq, fDfreq, fSpotsize, fDefocus, fDdefocus, fWeight0, fWeight1, fWeight2 };

// The dialog's texts for the current values.
MtfForm mtfform(const Model& m);

// The fields of "Edit MTF" in MtfField order: one weight with mono, else three.
std::vector<DialogField> mtffields(const Model& m);

// OK of "Edit MTF": checks the fields in order, takes every accepted value (log line, the
// results it makes stale, frequency grid; changed when it differs) and stops at the first
// bad one.
DialogResult mtfparams(Model& m, const MtfForm& form, const LimitAsk& asklimit);

// The typed values of "Edit OPD": defocus, maximum frequency, increment (texts) and the
// three choices.
struct OpdForm {
    std::string defocus, nfreq, dfreq;
    int selwl = 0;       // wavelength of the OPD report: 0, 1, 2
    int ngauss = 16;     // 6, 10, 16
    int polydeg = 4;     // 3, 4

    // The text of an edit field by its OpdField index.
    std::string& text(int field);
    const std::string& text(int field) const { return const_cast<OpdForm*>(this)->text(field); }
};
enum OpdField { oDefocus, oNfreq, oDfreq };

OpdForm opdform(const Model& m);

// The edit fields of "Edit OPD" in OpdField order.
std::vector<DialogField> opdfields(const Model& m);

// OK of "Edit OPD": takes defocus, frequency grid, ngauss and polydeg (another fit makes the
// diffraction MTF stale); the wavelength is the OPD report's argument (opdwavelength).
DialogResult opdparams(Model& m, const OpdForm& form, const LimitAsk& asklimit);

// The wavelength column (0 .. 2) the form chose for the OPD report.
int opdwavelength(const OpdForm& form);

// OK of "Edit Diffractional MTF": sets ngauss and polydeg; another fit makes the diffraction
// MTF stale.
DialogResult dmtfparams(Model& m, int ngauss, int polydeg);

}  // namespace zefo
