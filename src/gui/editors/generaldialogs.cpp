#include "gui/editors/generaldialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/util/numfmt.h"
#include "gui/editors/fieldsdialog.h"

namespace zefo::gui {

namespace {

QLineEdit* entry(const std::string& text, const QString& hint) {
    auto* e = new QLineEdit(QString::fromStdString(text));
    e->setProperty("hint", hint);
    e->setMinimumWidth(110);
    return e;
}

std::string typedtext(const QLineEdit* e) { return e->text().toStdString(); }


const char* const fieldordinals[] = {"First", "Second", "Third", "Forth"};
constexpr const char* schemehint = "Select the way that program generates rays for ray scheme";

}  // namespace

EditDialog::EditDialog(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
}

void EditDialog::finish(QLayout* body) {
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("&OK", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { ok(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    layout->addWidget(hintline(this));
}

bool EditDialog::refused(const EditResult& r, const std::vector<QWidget*>& entries) {
    if (r.ok()) return false;
    showerror(QString::fromStdString(r.message));
    if (r.badfield < int(entries.size()) && entries[size_t(r.badfield)]) entries[size_t(r.badfield)]->setFocus();
    return true;
}

// ---------------------------------------------------------------- Ray scheme type

RaySchemeTypeDialog::RaySchemeTypeDialog(QWidget* parent) : EditDialog("Ray scheme type", parent) {
    full = new QRadioButton("Full ray scheme");
    partial = new QRadioButton("Partial ray scheme");
    full->setChecked(true);
    auto* group = new QGroupBox("Ray Scheme type");
    auto* g = new QVBoxLayout(group);
    g->addWidget(full);
    g->addWidget(partial);
    auto* body = new QVBoxLayout;
    body->addWidget(group);
    finish(body);
}

// ---------------------------------------------------------------- General Data Editor

GeneralDataDialog::GeneralDataDialog(Model& m, QWidget* parent) : EditDialog("General Data Editor", parent), m_(m) {
    const GeneralDataInput in = generaldata(m);
    const auto& l = m.lens;
    name = entry(in.name, "Enter any valid name without spaces");
    mag = entry(in.mag, "Transverse magnification for objectives, angular magnification for afocal systems");
    stop = entry(in.stop, "Enter any positive number smaller then number of surfaces");
    aperture = entry(in.aperture, "For afocal systems-0, for objectives-between 0 and 1");
    defocus = entry(in.defocus, "Enter distance from real image to paraxial plane number between -2 and 2");
    auto* form = new QFormLayout;
    form->addRow("Data file name", name);
    form->addRow("Magnification", mag);
    form->addRow("Aperture stop position", stop);
    form->addRow(l.telescope() ? "Eneterance pupil height" : "Numerical aperture", aperture);
    form->addRow("Defocus - shift of the focal plane in mm", defocus);
    for (int f = 0; f < 4; ++f) {
        field[f] = entry(in.field[size_t(f)], f == 0 ? "Usually 0 - paraxial calculation" : positivehint);
        field[f]->setEnabled(f > 0 && f < l.nfields);
        const QString caption = QString(fieldordinals[f]) + (l.mag == 0 ? " field angle" : " height in the field of view");
        form->addRow(caption, field[f]);
        form->labelForField(field[f])->setEnabled(f > 0 && f < l.nfields);
    }
    chromatic = choicebox({"1 wave length + Conrady color calculation", "3 wave length calculation"}, in.threewl ? 1 : 0,
                       "Select way of chromatic calculation");
    raytype = choicebox({"Standard rays", "Relative rays", "Normal rays"}, in.raytype == 20 ? 0 : in.raytype == 10 ? 1 : 2,
                     schemehint);
    surfaces = choicebox({"Radii", "Curvatures"}, in.radii ? 0 : 1, schemehint);
    form->addRow("Chromatic calculation", chromatic);
    form->addRow("Ray scheme type", raytype);
    form->addRow("Spherical surface definition ", surfaces);
    finish(form);
}

void GeneralDataDialog::ok() {
    GeneralDataInput in;
    in.name = typedtext(name);
    in.mag = typedtext(mag);
    in.stop = typedtext(stop);
    in.aperture = typedtext(aperture);
    in.defocus = typedtext(defocus);
    for (size_t f = 0; f < 4; ++f) in.field[f] = typedtext(field[f]);
    in.threewl = chromatic->currentIndex() == 1;
    in.raytype = static_cast<uint8_t>(raytype->currentIndex() == 0 ? 20 : raytype->currentIndex() == 1 ? 10 : 0);
    in.radii = surfaces->currentIndex() == 0;
    if (asksschemetype(m_, in)) {
        RaySchemeTypeDialog d(this);
        if (rundialog(d) == QDialog::Accepted) in.fullscheme = d.full->isChecked();
    }
    change = applygeneraldata(m_, in);
    if (refused(change, {name, mag, stop, aperture, defocus, field[0], field[1], field[2], field[3]})) return;
    accept();
}

// ---------------------------------------------------------------- fields

FieldAnglesDialog::FieldAnglesDialog(Model& m, int n, QWidget* parent)
    : EditDialog("Field angles", parent), m_(m), n_(n) {
    const auto& l = m.lens;
    auto* form = new QFormLayout;
    for (int f = 0; f < 4; ++f) {
        const double v = f < n && size_t(f) < l.field.size() ? l.field[size_t(f)] : 0;
        field[f] = entry(fmtf(v, 5, 2), f == 0 ? "Usually 0 - paraxial calculation" : positivehint);
        field[f]->setEnabled(f > 0 && f < n);
        const QString caption =
            QString(fieldordinals[f]) + (l.mag == 0 ? " field angle in degrees" : " height in the field of view in mm");
        form->addRow(caption, field[f]);
        form->labelForField(field[f])->setEnabled(f > 0 && f < n);
    }
    scheme = choicebox({"Full ray scheme", "Partial ray scheme"}, l.nrays == 34 ? 0 : 1, schemehint);
    scheme->setEnabled(n == 4);
    form->addRow("Ray Scheme type", scheme);
    finish(form);
}

void FieldAnglesDialog::ok() {
    std::array<std::string, 4> typed;
    for (size_t f = 0; f < 4; ++f) typed[f] = typedtext(field[f]);
    change = changefieldcount(m_, n_, typed, scheme->currentIndex() == 0);
    // The count has no entry here: its refusal (normal rays) goes to the first field value.
    if (refused(change, {field[1], field[1], field[2], field[3]})) return;
    accept();
}

NumberOfFieldsDialog::NumberOfFieldsDialog(int n, QWidget* parent) : EditDialog("Number of Fields", parent) {
    count = entry(std::to_string(n), "Number of fields must be 2,3 or 4");
    count->setMaxLength(1);
    count->setValidator(new QRegularExpressionValidator(QRegularExpression("[234]"), count));
    auto* form = new QFormLayout;
    form->addRow("Number of field positions (angles)", count);
    finish(form);
}

void NumberOfFieldsDialog::ok() {
    if (count->hasAcceptableInput()) return accept();
    showerror(genmsg::badfieldcount);
    count->setFocus();
}

// ---------------------------------------------------------------- wavelengths

SingleWavelengthDialog::SingleWavelengthDialog(const QString& group, QWidget* parent)
    : EditDialog("Single wave length", parent) {
    static const char* const lines[] = {"&i spectral line", "&h spectral line", "&g spectral line",
                                        "&F spectral line", "&e spectral line", "&d spectral line",
                                        "&C spectral line", "&r spectral line", "&s spectral line",
                                        "&t spectral line", "&Other wave length"};
    auto* box = new QGroupBox(group);
    box->setProperty("hint", "Select wavelength for calculation");
    auto* g = new QVBoxLayout(box);
    items = new QButtonGroup(this);
    for (int i = 0; i < 11; ++i) {
        auto* b = new QRadioButton(lines[i]);
        b->setProperty("hint", "Select wavelength for calculation");
        items->addButton(b, i);
        g->addWidget(b);
    }
    items->button(5)->setChecked(true);
    auto* body = new QVBoxLayout;
    body->addWidget(box);
    finish(body);
}

void SingleWavelengthDialog::ok() {
    const int item = items->checkedId();
    if (item < 10) {
        chosen = spectralline(item);
        return accept();
    }
    FieldsDialog other(this, "Other Wavelength", {{"Other wavelength in nm", " 900.0"}},
                       [this](const std::vector<std::string>& typed) {
                           const WavelengthEntry e = otherwavelength(typed[0]);
                           if (e.message.empty()) chosen = e.mm;
                           return std::make_pair(e.message.empty() ? -1 : 0, e.message);
                       });
    other.sethints({"Enter wavelength in nm - number between 350 and 1500"});
    other.showerror = showerror;
    chosen.reset();
    rundialog(other);   // Cancel there leaves this wavelength as it was
    accept();
}

WavelengthDialog::WavelengthDialog(QWidget* parent, const QString& caption) : EditDialog(caption, parent) {
    auto* box = new QGroupBox("Change wavelength");
    auto* g = new QVBoxLayout(box);
    const char* const captions[] = {"Middle wave length", "Upper wave length", "Lower wave length"};
    for (int w = 0; w < 3; ++w) {
        change[w] = new QCheckBox(captions[w]);
        change[w]->setProperty("hint", "Select wavelength that you want to change");
        g->addWidget(change[w]);
    }
    auto* body = new QVBoxLayout;
    body->addWidget(box);
    finish(body);
}

std::optional<std::array<std::optional<double>, 3>> choosewavelengths(
    QWidget* parent, const std::array<bool, 3>& checked, const std::function<int(QDialog&)>& rundialog,
    const std::function<void(const QString&)>& showerror) {
    const char* const groups[] = {"Middle wavelength", "Upper wavelength", "Lower wavelength"};
    std::array<std::optional<double>, 3> wl;
    for (size_t w = 0; w < 3; ++w) {
        if (!checked[w]) continue;
        SingleWavelengthDialog d(groups[w], parent);
        d.rundialog = rundialog;
        d.showerror = showerror;
        if (rundialog(d) != QDialog::Accepted) return std::nullopt;
        wl[w] = d.chosen;
    }
    return wl;
}

}  // namespace zefo::gui
