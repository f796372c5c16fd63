#include "gui/app/tracework.h"

#include "core/analysis/aberrations.h"
#include "core/analysis/rayanalysis.h"
#include "core/analysis/seidel.h"
#include "core/analysis/systemreport.h"
#include "gui/app/dialogs.h"
#include "gui/app/srtdialog.h"
#include "core/raytrace/rayscheme.h"
#include "core/analysis/singleraytrace.h"

namespace zefo::gui {

void displaysystem(CalcContext& c, Report& r) { systemreport(c.m, c.head(), r, true); }
void displaysystemfull(CalcContext& c, Report& r) { systemreportfull(c.m, c.head(), r); }
void displayrays(CalcContext& c, Report& r) { rayreport(c.m.lens, r); }
void printsystem(CalcContext& c, Report& r) { printsystemlines(c.m, c.head(), r); }
void printrays(CalcContext& c, Report& r) { printraylines(c.m.lens, c.head(), r); }

void calcrayscheme(CalcContext& c, Report&) {
    // Normal rays have no relative coordinates; aiming would overwrite their start data.
    if (c.m.lens.raytype == 0) return fail(c.m, normalraysmsg);
    rayscheme(c.m);
    if (!c.session.failed()) c.session.designchanged();
}

void paraxialdata(CalcContext& c, Report& r) { paraxreport(c.m.lens, c.head(), r, false); }
void paraxialdatafull(CalcContext& c, Report& r) { paraxreport(c.m.lens, c.head(), r, true); }

void singleraytracework(CalcContext& c, Report& r) {
    SingleRayTraceDialog d(c.parent, c.m, c.dialogs, c.hint);
    const int result = c.dialogs.execdialog(d);
    if (c.hint) c.hint(QString());
    if (result != QDialog::Accepted) {
        c.session.cancel();
        return;
    }
    for (const auto& line : srtchoicelog(d.input())) c.log(line);
    singleraytrace(c.m, d.input(), c.head(), r);
}

void seidelwork(CalcContext& c, Report& r) { seidel(c.m, c.head(), r); }
void raytracework(CalcContext& c, Report& r) { raytracereport(c.m, c.head(), r); }

void aberrationswork(CalcContext& c, Report& r) { aberrationsreport(c.m, c.head(), r); }

}  // namespace zefo::gui
