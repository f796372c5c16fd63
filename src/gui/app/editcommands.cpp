#include "gui/app/editcommands.h"

#include <QCheckBox>
#include <QLineEdit>

#include "core/edit/surfaceedit.h"
#include "gui/app/dialogs.h"
#include "gui/editors/generaldialogs.h"

namespace zefo::gui {

namespace {

// Sets the dialog's hooks to the command's; false (the command cancelled) unless it was accepted.
bool runeditdialog(CalcContext& c, EditDialog& d) {
    d.showerror = [&c](const QString& msg) { c.dialogs.error(c.parent, msg); };
    d.rundialog = [&c](QDialog& inner) { return c.dialogs.execdialog(inner); };
    if (c.dialogs.execdialog(d) == QDialog::Accepted) return true;
    c.session.cancel();
    return false;
}

void applied(CalcContext& c, const EditResult& r) {
    for (const std::string& line : r.log) c.log(line);
    if (r.changed) c.session.designchanged();
}

}  // namespace

void generaldataeditor(CalcContext& c) {
    GeneralDataDialog d(c.m, c.parent);
    if (runeditdialog(c, d)) applied(c, d.change);
}

void fieldcounteditor(CalcContext& c) {
    NumberOfFieldsDialog count(c.m.lens.nfields, c.parent);
    if (!runeditdialog(c, count)) return;
    const int n = count.count->text().toInt();
    if (n == c.m.lens.nfields) return;
    FieldAnglesDialog angles(c.m, n, c.parent);
    if (runeditdialog(c, angles)) applied(c, angles.change);
}

void wavelengtheditor(CalcContext& c) {
    WavelengthDialog d(c.parent);
    if (!runeditdialog(c, d)) return;
    const auto wl = choosewavelengths(
        c.parent, {d.change[0]->isChecked(), d.change[1]->isChecked(), d.change[2]->isChecked()},
        [&c](QDialog& inner) { return c.dialogs.execdialog(inner); },
        [&c](const QString& msg) { c.dialogs.error(c.parent, msg); });
    if (!wl) return c.session.cancel();
    const EditResult r = changewavelengths(c.m, *wl, cataloglookup(c.glass));
    if (!r.ok()) return c.dialogs.error(c.parent, QString::fromStdString(r.message));
    applied(c, r);
}

}  // namespace zefo::gui
