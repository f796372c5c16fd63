#include "gui/editors/newwizard.h"

#include "core/util/numfmt.h"
#include "gui/editors/fieldsdialog.h"
#include "gui/editors/generaldialogs.h"
#include "gui/editors/newgrids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zefo::gui {

namespace {

std::string typed(const QLineEdit* e) { return e->text().toStdString(); }

QLineEdit* numberentry(double v, int width, int decimals, const QString& hint) {
    auto* e = new QLineEdit(QString::fromStdString(fmtf(v, width, decimals)));
    e->setProperty("hint", hint);
    return e;
}


// An entry and its caption in a form.
void enablerow(QWidget* entry, bool on) {
    entry->setEnabled(on);
    if (auto* form = qobject_cast<QFormLayout*>(entry->parentWidget()->layout()))
        if (QWidget* caption = form->labelForField(entry)) caption->setEnabled(on);
}

}  // namespace

NewWizard::NewWizard(Model& m, QWidget* parent) : QDialog(parent), m_(m) {
    setWindowTitle("Setup Optical system");
    newsystemstart(m_);
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
    pages_ = new QTabWidget;
    pages_->addTab(generalpage(), "General");
    pages_->addTab(telescopepage(), "Telescope");
    pages_->addTab(fieldspage(), "Field angle");
    next_ = new QPushButton("&Next");
    apply_ = new QPushButton("&Apply");
    ok_ = new QPushButton("&OK");
    auto* cancel = new QPushButton("&Cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {next_, apply_, ok_, cancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttons);
    layout->addWidget(hintline(this));
    connect(next_, &QPushButton::clicked, this, &NewWizard::onnext);
    connect(apply_, &QPushButton::clicked, this, &NewWizard::onapply);
    connect(ok_, &QPushButton::clicked, this, &NewWizard::onok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(pages_, &QTabWidget::currentChanged, this, [this] { showpage(Page(page())); });
    pages_->setTabEnabled(Telescope, false);
    pages_->setTabEnabled(Fields, false);
    ok_->setEnabled(false);
    showpage(General);
}

int NewWizard::page() const { return pages_->currentIndex(); }

QWidget* NewWizard::generalpage() {
    auto* w = new QWidget;
    auto* form = new QFormLayout(w);
    name = new QLineEdit(QString::fromStdString(m_.lens.sysname));
    name->setProperty("hint", "Enter any valid name without spaces");
    nsurf = new QLineEdit("  0");
    nsurf->setProperty("hint", "Enter any positive number greater then 0");
    stop = new QLineEdit("  0");
    stop->setProperty("hint", "Enter any positive number smaller then number of surfaces");
    mag = numberentry(0, 7, 3, "Transverse magnification for objectives, angular magnification for afocal systems");
    na = numberentry(0, 7, 5, "For afocal systems-0, for objectives-between 0 and 1");
    nfields = choicebox({"2", "3", "4"}, 1, "");
    aspherics = choicebox({"Yes", "No"}, 1, "");
    standardwl = choicebox({"Yes", "No"}, 0, "Select wavelengths for calculation");
    surfacedef = choicebox({"Radii", "Curvatures"}, 0, "Select wavelengths for calculation");
    form->addRow("Enter name of the optical system", name);
    form->addRow("Number of surfaces", nsurf);
    form->addRow("Aperture stop position", stop);
    form->addRow("Magnification", mag);
    form->addRow("Numerical aperture", na);
    form->addRow("Number of field angles (positions)", nfields);
    form->addRow("Aspherical surfaces contained in the optical system", aspherics);
    form->addRow("Standard wave lengths (d,C,F spectral lines) OK ?", standardwl);
    form->addRow("Spherical surface definition ", surfacedef);
    return w;
}

QWidget* NewWizard::telescopepage() {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    teltype = choicebox({"Kepler", "Galilean"}, -1, "Select type of afocal system");
    objinf = choicebox({"Yes", "No"}, -1, "Select position of object");
    objdist = numberentry(0, 9, 3, positivehint);
    eph = numberentry(0, 7, 3, positivehint);
    eyedist = numberentry(0, 7, 3, positivehint);
    auto* type = new QFormLayout;
    type->addRow("Telescope type", teltype);
    keplergroup = new QGroupBox("Kepler");
    keplergroup->setProperty("hint", "Select position of object");
    auto* kepler = new QFormLayout(keplergroup);
    kepler->addRow("Object in infinity", objinf);
    kepler->addRow("Distance from object to first surface in mm", objdist);
    kepler->addRow("Enterance pupil radius (hight) in mm", eph);
    galileangroup = new QGroupBox("Galialean");
    auto* galilean = new QFormLayout(galileangroup);
    galilean->addRow("Eye position (distance from eye to last surface) in mm", eyedist);
    layout->addLayout(type);
    layout->addWidget(keplergroup);
    layout->addWidget(galileangroup);
    layout->addStretch();
    connect(teltype, &QComboBox::currentIndexChanged, this, &NewWizard::telescopechoice);
    connect(objinf, &QComboBox::currentIndexChanged, this, &NewWizard::telescopechoice);
    telescopechoice();
    return w;
}

// The telescope page opens its entries as the type and the object position are chosen.
void NewWizard::telescopechoice() {
    const int type = teltype->currentIndex();
    keplergroup->setEnabled(type >= 0);
    galileangroup->setEnabled(type == 1);
    objdist->setEnabled(objinf->currentIndex() == 1);
}

QWidget* NewWizard::fieldspage() {
    auto* w = new QWidget;
    auto* form = new QFormLayout(w);
    const char* const ordinals[] = {"First", "Second", "Third", "Forth"};
    for (int i = 0; i < 4; ++i) {
        field[i] = numberentry(0, 5, 2, positivehint);
        form->addRow(QString(ordinals[i]) + " field angle (position) in degrees", field[i]);
    }
    enablerow(field[0], false);
    scheme = choicebox({"Full ray scheme", "Partial ray scheme"}, 1, "Select type of generation of ray scheme");
    mode = choicebox({"Calculation with one wave lengths", "Calculation with three wave length"}, 0,
                  "Select mode of calculation for chromatical aberrations");
    raytype = choicebox({"Standard coordinates", "Relative coordinates", "Apsolute coordinates"}, 0,
                     "Select the way that program generates rays for ray scheme");
    form->addRow("Ray Scheme type", scheme);
    form->addRow("Calculation mode", mode);
    form->addRow("Ray Scheme Choice", raytype);
    return w;
}

void NewWizard::showpage(Page p) {
    pages_->setTabEnabled(p, true);
    if (page() != p) return pages_->setCurrentIndex(p);   // comes back through currentChanged
    const int n = nfields->currentIndex() + 2;
    for (int i = 1; i < 4; ++i) enablerow(field[i], i < n);
    enablerow(scheme, n == 4);
    next_->setEnabled(p != Fields);
    apply_->setEnabled(p == Fields);
}

bool NewWizard::refused(const EditResult& r, const std::vector<QWidget*>& entries) {
    if (r.ok()) return false;
    showerror(QString::fromStdString(r.message));
    if (r.badfield < static_cast<int>(entries.size()) && entries[r.badfield])
        entries[r.badfield]->setFocus();
    return true;
}

// "No" to the standard wavelengths: the wavelengths to change, then each one's line. False
// when a dialog was cancelled (the d, C and F lines stay).
bool NewWizard::askwavelengths() {
    WavelengthDialog which(this, "SetUp");
    which.showerror = showerror;
    if (rundialog(which) != QDialog::Accepted) return false;
    const std::array<bool, 3> checked{which.change[0]->isChecked(), which.change[1]->isChecked(),
                                      which.change[2]->isChecked()};
    const auto wl = choosewavelengths(this, checked, rundialog, showerror);
    if (!wl) return false;
    for (size_t w = 0; w < 3; ++w)
        if ((*wl)[w]) m_.lens.wl[w] = *(*wl)[w];
    return true;
}

void NewWizard::onnext() {
    ok_->setEnabled(false);
    if (page() == General) {
        NewGeneral g{typed(name), typed(nsurf), typed(stop), typed(mag), typed(na),
                     nfields->currentIndex() + 2, aspherics->currentIndex() == 0, surfacedef->currentIndex() == 0};
        if (changename(g.name)) return name->setFocus();
        if (refused(newgeneral(m_, g), {name, nsurf, stop, mag, na, nfields})) return;
        if (standardwl->currentIndex() == 1 && !askwavelengths()) return standardwl->setFocus();
        const bool telescope = m_.lens.na == 0;
        pages_->setTabEnabled(telescope ? Fields : Telescope, false);
        showpage(telescope ? Telescope : Fields);
    } else if (page() == Telescope) {
        NewTelescope t;
        t.type = teltype->currentIndex() == 0 ? 4 : teltype->currentIndex() == 1 ? 6 : 0;
        t.objinf = objinf->currentIndex() == 0 ? 'D' : objinf->currentIndex() == 1 ? 'N' : 0;
        t.objdist = typed(objdist);
        t.eph = typed(eph);
        t.eyedist = typed(eyedist);
        if (refused(newtelescope(m_, t), {teltype, objinf, objdist, eph, eyedist})) return;
        showpage(Fields);
    }
}

void NewWizard::onapply() {
    NewFields f;
    for (int i = 1; i < 4; ++i) f.field[i] = typed(field[i]);
    f.fullscheme = scheme->currentIndex() == 0;
    f.threewl = mode->currentIndex() == 1;
    const uint8_t types[] = {20, 10, 0};
    f.raytype = types[raytype->currentIndex()];
    ok_->setEnabled(false);
    if (refused(newapply(m_, f), {nullptr, field[1], field[2], field[3]})) return;
    if (f.raytype != 20) {
        RayGridDialog grid(m_, f.raytype == 10, this);
        grid.showerror = showerror;
        if (rundialog(grid) != QDialog::Accepted) return mode->setFocus();
    }
    ok_->setEnabled(true);
    ok_->setFocus();
}

void NewWizard::onok() {
    newsystemdefaults(m_);
    accept();
}

}  // namespace zefo::gui
