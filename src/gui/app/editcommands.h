// The general data commands of the Data Editor menu: the General Data Editor, the number of
// fields with their values, and the wavelengths. Each runs its dialogs, logs the accepted
// changes and tells the session, so that open editors and pictures follow.
#pragma once

#include "gui/app/commands.h"

namespace zefo::gui {

void generaldataeditor(CalcContext& c);
void fieldcounteditor(CalcContext& c);
void wavelengtheditor(CalcContext& c);

}  // namespace zefo::gui
