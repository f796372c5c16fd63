// The wavelength choices of the dialogs: the spectral lines of the three wavelengths (the
// wavelength group of "Edit OPD") and the chooser of the plots, which offers white light
// before them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

// The chosen wavelength: code 1 .. 3 for wl[code-1], 4 for white light, 0 when none.
struct WavelengthChoice {
    int chosenwl = 0;
    std::string label;
};

// True when the model holds the standard set (wl[0] is the d line, 587.6 nm).
bool standardwavelengths(const Model& m);

// The items of the three wavelengths: "&d spectral line", ... for the standard set, else
// the wavelength in nanometres + "nm spectral line".
std::array<std::string, 3> spectrallineitems(const Model& m);

// The four items of the plots' chooser, item 0 = white light.
std::vector<std::string> wavelengthitems(const Model& m);

// The label of wavelength item 1 .. 3 (" d-spec.l. 587.6 nm", or " 1-spec.l. 632.8 nm" when
// wl[0] is not the d line); any other item is " White light ".
std::string wavelengthlabel(const OpticalSystem& lens, int item);

// The plot label of chooser item 0 .. 3 ("White light", " d-spec.l. 587.6 nm", ...).
WavelengthChoice wavelengthchoice(const Model& m, int item);

}  // namespace zefo
