#include "gui/editors/newwizard.h"

#include "gui/editors/newgrids.h"

#include <QCheckBox>
#include <QComboBox>
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
    next_ = new QPushButton(tr("Next >"));
    apply_ = new QPushButton(tr("Apply"));
    ok_ = new QPushButton(tr("OK"));
    auto* cancel = new QPushButton(tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {next_, apply_, ok_, cancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttons);
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
    aspherics = new QCheckBox(tr("Aspherical surfaces"));
    radii = new QCheckBox(tr("Radii (otherwise curvatures)"));
    radii->setChecked(true);
    form->addRow(tr("System name:"), name);
    form->addRow(tr("Number of surfaces:"), nsurf);
    form->addRow(tr("Aperture stop surface:"), stop);
    form->addRow(tr("Magnification:"), mag);
    form->addRow(tr("Numerical aperture:"), na);
    form->addRow(tr("Number of fields:"), nfields);
    form->addRow(aspherics);
    form->addRow(radii);
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
    for (int i = 1; i < 4; ++i) {
        field[i] = new QLineEdit;
        form->addRow(tr("Field %1:").arg(i + 1), field[i]);
    }
    fullscheme = new QCheckBox(tr("Full ray scheme for four fields"));
    threewl = new QCheckBox(tr("3 wave length calculation"));
    raytype = new QComboBox;
    raytype->addItem(tr("Standard rays"), 20);
    raytype->addItem(tr("Relative rays"), 10);
    raytype->addItem(tr("Normal rays"), 0);
    form->addRow(fullscheme);
    form->addRow(threewl);
    form->addRow(tr("Ray scheme type:"), raytype);
    return w;
}

void NewWizard::showpage(Page p) {
    pages_->setCurrentIndex(p);
    const QString titles[] = {tr("General"), tr("Telescope"), tr("Field angle")};
    setWindowTitle(tr("New optical system - %1").arg(titles[p]));
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
