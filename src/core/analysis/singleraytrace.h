// The single ray trace: one ray of the ray scheme, or a ray typed in by the user, traced
// at one wavelength and listed at every surface in the local frame of that surface.
#pragma once

#include <string>
#include <vector>

#include "core/analysis/systemreport.h"
#include "core/report/report.h"
#include "core/model/model.h"

namespace zefo {

// The choice made in the single ray trace dialog.
struct SrtInput {
    int raynumber = 1;                   // ray of the scheme, 1-based; 0 for a typed ray
    double X = 0, Y = 0, L = 0, M = 0;   // the typed ray on the reference plane
    int wl = 0;                          // wavelength index 0..2
};

// The dialog's check of its fields; the message of the first bad field, empty when all
// are valid.
std::string checksrtinput(const Model& m, const SrtInput& in);

// The command log lines of an accepted dialog: the chosen ray and the wavelength.
std::vector<std::string> srtchoicelog(const SrtInput& in);

// The start ray of the choice on the plane z = 0: a ray of the scheme or the dialog's.
RayPoint srtstartray(const OpticalSystem& lens, const SrtInput& in);

// Traces the chosen ray and writes the report lines, up to the last surface row; the
// caller finishes the report (".srt"). Returns false after a trace failure (calcerror).
bool singleraytrace(Model& m, const SrtInput& in, const ReportHead& h, Report& r);

}  // namespace zefo
