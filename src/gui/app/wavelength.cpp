#include "gui/app/wavelength.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zefo::gui {

WavelengthChoice choosewavelength(QWidget* parent, const Model& m) {
    QDialog d(parent);
    d.setObjectName("WaveLength");
    d.setWindowTitle("WaveLength");
    auto* box = new QGroupBox("Chose wavelength", &d);
    auto* group = new QButtonGroup(&d);
    auto* boxlay = new QVBoxLayout(box);
    int id = 0;
    for (const auto& item : wavelengthitems(m)) {
        auto* b = new QRadioButton(QString::fromStdString(item), box);
        group->addButton(b, id++);
        boxlay->addWidget(b);
    }
    group->button(0)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto* lay = new QVBoxLayout(&d);
    lay->addWidget(box);
    lay->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return {};
    return wavelengthchoice(m, group->checkedId());
}

}  // namespace zefo::gui
