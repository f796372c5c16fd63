// The parameter dialogs of the image quality ("Edit MTF" with its limit dialog "Spot
// diagram", "Edit OPD", "Edit Diffractional MTF") and the commands that run them. The
// fields, masks, hints and checks come from the core's forms; these classes only
// draw them, put the hints on the status line and keep the dialog open on a bad field.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/app/commands.h"
#include "core/forms/iqforms.h"
#include "core/imagequality/imagequality.h"

class QButtonGroup;
class QFormLayout;
class QLineEdit;

namespace zefo::gui {

class Dialogs;

// A modal dialog of edit fields drawn from DialogField rows and choice groups. OK runs
// check(); it closes the dialog only when check() returns true.
class ParamDialog : public QDialog {
    Q_OBJECT
public:
    ParamDialog(const QString& title, const QString& name, CalcContext& c);
    ~ParamDialog() override;

    // The edit field of row i (in the order the rows were added) and the choice groups.
    QLineEdit* field(int i) const { return fields_[static_cast<size_t>(i)]; }
    int fieldcount() const { return static_cast<int>(fields_.size()); }
    QButtonGroup* choice(int i) const { return choices_[static_cast<size_t>(i)]; }

    // Presses OK: checks the fields and closes the dialog when they are accepted.
    void okpressed();

protected:
    // Adds an edit field with its label, mask and status-line hint, showing text.
    QLineEdit* addfield(const DialogField& f, const std::string& text, const QString& name);
    // Adds a group of choices; item checked is preselected.
    QButtonGroup* addchoice(const QString& caption, const std::vector<std::string>& items, int checked,
                            const QString& name, const QString& hint = {});
    // Adds a read-only line (a label and a value).
    void addvalue(const QString& label, const QString& value);
    void addtext(const QString& text);
    void addbuttons();

    // The OK checks; true when the dialog may close.
    virtual bool check() = 0;

    // Shows the message of a bad field, restores its previous text and gives it the focus.
    void badfield(int i, const std::string& message, const std::string& previous);
    // Writes the "New value for ..." lines of an accepted press to the command log.
    void writelog(const std::vector<std::string>& lines);

    bool eventFilter(QObject* o, QEvent* e) override;
    void showhint(QObject* o);

    CalcContext& c_;

private:
    QFormLayout* form_;
    std::vector<QLineEdit*> fields_;
    std::vector<QLineEdit*> values_;  // read-only values
    int chars_ = 0;                   // widest mask or text
    std::vector<QButtonGroup*> choices_;
    std::vector<std::pair<QObject*, QString>> hints_;
};

// "Edit MTF": the one-weight form when mono, else the three-weight form.
class MtfDialog : public ParamDialog {
    Q_OBJECT
public:
    explicit MtfDialog(CalcContext& c);

protected:
    bool check() override;
};

// "Spot diagram": asks a new maximum frequency when the typed one exceeds the limit.
class SpotLimitDialog : public ParamDialog {
    Q_OBJECT
public:
    SpotLimitDialog(CalcContext& c, long long nfreq);
    long long value() const { return value_; }

protected:
    bool check() override;

private:
    long long value_;
    std::string preset_;
};

// "Edit OPD": defocus, frequencies and the choices of the wave aberration report.
class OpdDialog : public ParamDialog {
    Q_OBJECT
public:
    explicit OpdDialog(CalcContext& c);
    // The wavelength column chosen for the OPD report (after OK).
    int wavelength() const { return wl_; }

protected:
    bool check() override;

private:
    int wl_ = 0;
};

// "Edit Diffractional MTF": quadrature order and polynomial degree.
class DmtfDialog : public ParamDialog {
    Q_OBJECT
public:
    explicit DmtfDialog(CalcContext& c);

protected:
    bool check() override;
};

// The limit dialog as the checks of "Edit MTF" and "Edit OPD" call it.
LimitAsk limitasker(CalcContext& c);

// The dialogs as the commands run them; false (the session cancelled) when cancelled.
// "Edit OPD" gives the chosen wavelength column, nothing when cancelled.
bool mtfdialog(CalcContext& c);
std::optional<int> opddialog(CalcContext& c);
bool dmtfdialog(CalcContext& c);

// Spot-MTF Data Editor: "Edit MTF" on its own.
void spotmtfeditor(CalcContext& c);

// OPD and Wave Aberrations: "Edit OPD", then the whole ".wbr" report.
void wavereport(CalcContext& c, Report& r);


}  // namespace zefo::gui
