// The wavelength chooser of the plots: one of the three wavelengths or white light.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

class QWidget;

namespace zefo::gui {

// The chosen wavelength: code 1 .. 3 for wl[code-1], 4 for white light, 0 when none.
struct WavelengthChoice {
    int chosenwl = 0;
    std::string label;
};

// True when the model holds the standard set (wl[0] is the d line, 587.6 nm).
bool standardwavelengths(const Model& m);

// The four items of the choice group, item 0 = white light.
std::vector<std::string> wavelengthitems(const Model& m);

// The plot label of item 0 .. 3 ("White light", " d-spec.l. 587.6 nm", ...).
WavelengthChoice wavelengthchoice(const Model& m, int item);

// The modal dialog "WaveLength". Without OK it sets m.cancelled and returns code 0.
WavelengthChoice choosewavelength(QWidget* parent, Model& m);

}  // namespace zefo::gui
