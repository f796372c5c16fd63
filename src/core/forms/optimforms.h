// The optimization forms without their widgets: "Optimization General", "Paraxial Data",
// "Aberration Data" and "Boundary conditions data". Each gives the texts its fields or
// cells show, their labels and hints, and the checks that take an accepted value into the
// model (with its log line) or give the message of a rejected one.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/forms/dialogform.h"
#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo {

// ---- "Optimization General" ----

// The typed texts in field order.
struct OptimGeneralForm {
    std::string anglesurf, dcurv, dsep, dindex, ddisp, dimweight, glassweight;
    std::array<std::string, 3> trglass, wlweight;

    std::string& text(int field);
    const std::string& text(int field) const { return const_cast<OptimGeneralForm*>(this)->text(field); }
};
enum OptimGeneralField {
    gAnglesurf, gDcurv, gDsep, gDindex, gDdisp, gDimweight, gGlassweight,
    gGlass0, gGlass1, gGlass2, gWlweight0, gWlweight1, gWlweight2
};
inline constexpr int optimgeneralfieldcount = 13;

OptimGeneralForm optimgeneralform(const Model& m);
std::vector<DialogField> optimgeneralfields(const Model& m);

// Finds a glass by its catalogue name ("GlassName").
using ExactGlassLookup = std::function<std::optional<GlassRecord>(const std::string&)>;

// Result of OK in "Optimization General": the dialog's result (a bad field keeps the
// dialog open), the error boxes of corner glasses not found (the dialog goes on, the corner
// stays) and whether a wavelength weighting factor changed (the caller then runs
// calcweights).
struct OptimGeneralResult {
    DialogResult result;
    std::vector<std::string> errorboxes;
    bool weightschanged = false;
};
OptimGeneralResult optimgeneralparams(Model& m, const OptimGeneralForm& form, const ExactGlassLookup& lookup);

// ---- the three grids ----

// The outcome of one edited cell: accepted (value taken; log line when it changed), still
// being typed (a lone "-": nothing taken), or rejected (message, caption "Error"; the text
// to put back into the cell, the previous value).
struct CellEdit {
    enum Status { Accepted, Typing, Rejected } status = Accepted;
    std::string message;
    std::string celltext;
    bool changed = false;
};

// "Paraxial Data": 9 rows, columns 0 target and 1 weight; column 2 holds, in row 0 only, the
// focal length the target angle implies (paraxialfocal), which the designer may type.
inline constexpr int paraxialrows = 9;
const std::vector<std::string>& paraxialrowtitles();
const std::vector<std::string>& paraxialcolumntitles();   // "  Targets  ", "  Weights  ", "  Focal length  "
std::string paraxialcell(const Model& m, int row, int col);
std::string paraxialhint(int row, int col);
bool paraxialeditable(int row, int col);
CellEdit editparaxial(Model& m, int row, int col, const std::string& text);

// The focal length the paraxial targets imply: the target angle na holds the axial start
// height y0 of the object at infinity, so f = y0 / na; 0 when the targets imply none (a
// telescope, an object at a finite distance, no start height or no target angle).
double paraxialfocal(const Model& m);

// "Aberration Data": naber rows; columns 0 name, 1 calculated, 2 target, 3 weight (only the
// last two editable).
const std::vector<std::string>& aberrationcolumntitles();
std::string aberrationcell(const Model& m, int row, int col);
std::string aberrationhint(int col);
CellEdit editaberration(Model& m, int row, int col, const std::string& text);

// "Boundary conditions data": rows 0 .. nsurf; columns 0 number, 1 axial thickness, 2 clear
// aperture, 3 axial limit, 4 edge limit, 5 clear aperture limit (only the last three
// editable).
const std::vector<std::string>& boundarycolumntitles();
std::string boundarycell(const Model& m, int row, int col);
std::string boundaryhint(int col);   // col < 0: the hint when the dialog opens
CellEdit editboundary(Model& m, int row, int col, const std::string& text);

}  // namespace zefo
