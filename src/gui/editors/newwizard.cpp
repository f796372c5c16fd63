#include "gui/editors/newwizard.h"

#include "gui/editors/fieldsdialog.h"
#include "gui/editors/newgrids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace zefo::gui {

namespace {
std::string typed(const QLineEdit* e) { return e->text().toStdString(); }
}  // namespace

NewWizard::NewWizard(Model& m, QWidget* parent) : QDialog(parent), m_(m) {
    setWindowTitle(tr("New optical system"));
    newsystemstart(m_);
    showerror = [this](const QString& msg) { QMessageBox::warning(this, tr("New optical system"), msg); };
    pages_ = new QStackedWidget;
    pages_->addWidget(generalpage());
    pages_->addWidget(telescopepage());
    pages_->addWidget(fieldspage());
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
    showpage(General);
}

int NewWizard::page() const { return pages_->currentIndex(); }

QWidget* NewWizard::generalpage() {
    auto* w = new QWidget;
    auto* form = new QFormLayout(w);
    name = new QLineEdit(QString::fromStdString(m_.lens.sysname));
    nsurf = new QLineEdit;
    stop = new QLineEdit;
    mag = new QLineEdit(QStringLiteral("0"));
    na = new QLineEdit(QStringLiteral("0"));
    nfields = new QComboBox;
    nfields->addItems({QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    nfields->setCurrentIndex(1);
    aspherics = new QCheckBox("Aspherical surfaces contained in the optical system");
    radii = new QCheckBox("Spherical surface definition: radii (otherwise curvatures)");
    radii->setChecked(true);
    form->addRow("Enter name of the optical system", name);
    form->addRow("Number of surfaces", nsurf);
    form->addRow("Aperture stop position", stop);
    form->addRow("Magnification", mag);
    form->addRow("Numerical aperture", na);
    form->addRow("Number of field angles (positions)", nfields);
    form->addRow(aspherics);
    form->addRow(radii);
    name->setProperty("hint", "Enter any valid name without spaces");
    nsurf->setProperty("hint", "Enter any positive number greater then 0");
    stop->setProperty("hint", "Enter any positive number smaller then number of surfaces");
    mag->setProperty("hint", "Transverse magnification for objectives, angular magnification for afocal systems");
    na->setProperty("hint", "For afocal systems-0, for objectives-between 0 and 1");
    return w;
}

QWidget* NewWizard::telescopepage() {
    auto* w = new QWidget;
    auto* form = new QFormLayout(w);
    kepler = new QRadioButton(tr("Kepler"));
    galilean = new QRadioButton(tr("Galilean"));
    objinf = new QRadioButton(tr("Object at infinity"));
    objfinite = new QRadioButton(tr("Object at finite distance"));
    auto* type = new QHBoxLayout;
    type->addWidget(kepler);
    type->addWidget(galilean);
    auto* pos = new QWidget;   // its own parent keeps the two radio groups apart
    auto* poslayout = new QHBoxLayout(pos);
    poslayout->setContentsMargins(0, 0, 0, 0);
    poslayout->addWidget(objinf);
    poslayout->addWidget(objfinite);
    auto* typebox = new QWidget;
    typebox->setLayout(type);
    type->setContentsMargins(0, 0, 0, 0);
    objdist = new QLineEdit;
    eph = new QLineEdit;
    eyedist = new QLineEdit;
    form->addRow(tr("Telescope type:"), typebox);
    form->addRow(tr("Object position:"), pos);
    form->addRow(tr("Object distance:"), objdist);
    form->addRow(tr("Entrance pupil radius:"), eph);
    form->addRow(tr("Eye position:"), eyedist);
    return w;
}

QWidget* NewWizard::fieldspage() {
    auto* w = new QWidget;
    auto* form = new QFormLayout(w);
    field[0] = nullptr;
    const char* const ordinals[] = {"First", "Second", "Third", "Forth"};
    for (int i = 1; i < 4; ++i) {
        field[i] = new QLineEdit;
        form->addRow(QString(ordinals[i]) + " field angle (position) in degrees", field[i]);
    }
    fullscheme = new QCheckBox("Full ray scheme (four fields; otherwise partial)");
    threewl = new QCheckBox("Calculation with three wave length");
    raytype = new QComboBox;
    raytype->addItem("Standard coordinates", 20);
    raytype->addItem("Relative coordinates", 10);
    raytype->addItem("Apsolute coordinates", 0);
    form->addRow(fullscheme);
    form->addRow(threewl);
    form->addRow("Ray Scheme Choice", raytype);
    return w;
}

void NewWizard::showpage(Page p) {
    pages_->setCurrentIndex(p);
    const QString titles[] = {tr("General"), tr("Telescope"), tr("Field angle")};
    setWindowTitle("Setup Optical system - " + titles[p]);
    const int n = nfields->currentIndex() + 2;
    for (int i = 1; i < 4; ++i) field[i]->setEnabled(i < n);
    fullscheme->setEnabled(n == 4);
    next_->setEnabled(p != Fields);
    apply_->setEnabled(p == Fields);
    ok_->setEnabled(false);
}

bool NewWizard::refused(const EditResult& r, const std::vector<QWidget*>& entries) {
    if (r.ok()) return false;
    showerror(QString::fromStdString(r.message));
    if (r.badfield < static_cast<int>(entries.size()) && entries[r.badfield])
        entries[r.badfield]->setFocus();
    return true;
}

void NewWizard::onnext() {
    if (page() == General) {
        NewGeneral g{typed(name), typed(nsurf), typed(stop), typed(mag), typed(na),
                     nfields->currentIndex() + 2, aspherics->isChecked(), radii->isChecked()};
        if (changename(g.name)) return name->setFocus();
        if (refused(newgeneral(m_, g), {name, nsurf, stop, mag, na, nfields})) return;
        showpage(m_.lens.na == 0 ? Telescope : Fields);
    } else if (page() == Telescope) {
        NewTelescope t;
        t.type = kepler->isChecked() ? 4 : galilean->isChecked() ? 6 : 0;
        t.objinf = objinf->isChecked() ? 'D' : objfinite->isChecked() ? 'N' : 0;
        t.objdist = typed(objdist);
        t.eph = typed(eph);
        t.eyedist = typed(eyedist);
        if (refused(newtelescope(m_, t), {kepler, objinf, objdist, eph, eyedist})) return;
        showpage(Fields);
    }
}

void NewWizard::onapply() {
    NewFields f;
    for (int i = 1; i < 4; ++i) f.field[i] = typed(field[i]);
    f.fullscheme = fullscheme->isChecked();
    f.threewl = threewl->isChecked();
    f.raytype = static_cast<uint8_t>(raytype->currentData().toInt());
    ok_->setEnabled(false);
    if (refused(newapply(m_, f), {nullptr, field[1], field[2], field[3]})) return;
    if (f.raytype != 20) {
        RayGridDialog grid(m_, f.raytype == 10, this);
        grid.showerror = showerror;
        if (rundialog(grid) != QDialog::Accepted) return raytype->setFocus();
    }
    ok_->setEnabled(true);
    ok_->setFocus();
}

void NewWizard::onok() {
    newsystemdefaults(m_);
    accept();
}

}  // namespace zefo::gui
