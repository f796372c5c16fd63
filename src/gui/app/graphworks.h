// The works of the drawing commands: each calculates what its picture needs (the spot and
// MTF results are kept until the design or their settings change) and creates its window.
#pragma once

#include "gui/app/commands.h"

namespace zefo::gui {

QWidget* drawsystem(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawraytrace(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawopd(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawfield(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawspot(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawtfspot(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawgmtf(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawtfmtf(CalcContext& c, const WavelengthChoice& wl);
QWidget* drawdmtf(CalcContext& c, const WavelengthChoice& wl);
// The glass map of the catalogue and the lens's glasses (the wavelength is not asked).
QWidget* drawglassmap(CalcContext& c, const WavelengthChoice& wl);

// The calculations before a graph, with their report files: the spot diagram (after its
// "Edit MTF" dialog), and the MTF tables after it (the diffraction MTF after "Edit
// Diffractional MTF"). A cancelled dialog cancels the command.
void preparespot(CalcContext& c);
void preparegmtf(CalcContext& c);
void preparetfmtf(CalcContext& c);
void preparedmtf(CalcContext& c);

}  // namespace zefo::gui
