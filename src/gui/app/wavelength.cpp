#include "app/wavelength.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "util/numfmt.h"

namespace zefo::gui {

namespace {
std::string nanometres(double wlmm) { return fmtf(wlmm * 1e6, 5, 1); }
}  // namespace

bool standardwavelengths(const Model& m) { return fmtf(m.lens.wl[0] * 1e6, 0, 1) == "587.6"; }

std::vector<std::string> wavelengthitems(const Model& m) {
    if (standardwavelengths(m))
        return {"&White light", "&d spectral line", "&C spectral line", "&F spectral line"};
    std::vector<std::string> items{"&White light"};
    for (double w : m.lens.wl) items.push_back(nanometres(w) + "nm spectral line");
    return items;
}

WavelengthChoice wavelengthchoice(const Model& m, int item) {
    if (item <= 0 || item > 3) return {4, " White light "};
    static const char* standard[] = {" d-spec.l. ", " C-spec.l. ", " F-spec.l. "};
    const std::string name = standardwavelengths(m) ? standard[item - 1]
                                                    : " " + std::to_string(item) + "-spec.l. ";
    return {item, name + nanometres(m.lens.wl[item - 1]) + " nm"};
}

WavelengthChoice choosewavelength(QWidget* parent, Model& m) {
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
    if (d.exec() != QDialog::Accepted) {
        m.cancelled = true;
        return {};
    }
    return wavelengthchoice(m, group->checkedId());
}

}  // namespace zefo::gui
