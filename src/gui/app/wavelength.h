// The wavelength chooser of the plots: one of the three wavelengths or white light (its
// items and labels are the core form's, forms/wavelengthform.h).
#pragma once

#include "core/forms/wavelengthform.h"
#include "core/model/model.h"

class QWidget;

namespace zefo::gui {

// The modal dialog "WaveLength". Without OK it returns code 0.
WavelengthChoice choosewavelength(QWidget* parent, const Model& m);

}  // namespace zefo::gui
