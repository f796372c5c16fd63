#include "gui/app/srtdialog.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "gui/app/dialogs.h"
#include "core/util/numfmt.h"

namespace zefo::gui {

namespace {

QLineEdit* maskedit(QWidget* parent, const char* name, const QString& mask, const QString& text) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setInputMask(mask);
    e->setText(text);
    e->setAlignment(Qt::AlignRight);
    e->setFixedWidth(110);
    return e;
}

}  // namespace

SingleRayTraceDialog::SingleRayTraceDialog(QWidget* parent, const Model& m, Dialogs& dialogs,
                       std::function<void(const QString&)> hint)
    : QDialog(parent), m_(m), dialogs_(dialogs), hint_(std::move(hint)) {
    setObjectName("TSRTDialog");
    setWindowTitle("Single Ray Trace");
    const QString nrays = QString::number(m.lens.nrays);

    RadioButton1 = new QRadioButton("From Existing Set of Rays", this);
    RadioButton1->setObjectName("RadioButton1");
    MaskEdit1 = maskedit(this, "MaskEdit1", "00", "1");
    MaskEdit1->setFixedWidth(50);
    Label2 = new QLabel("max " + nrays + " rays", this);
    Label2->setObjectName("Label2");
    RadioButton2 = new QRadioButton("Another Ray", this);
    RadioButton2->setObjectName("RadioButton2");
    // Five places for the integer part (digits or a sign), four decimals.
    MaskEdit2 = maskedit(this, "MaskEdit2", "#####.0000", "    0.0000");
    MaskEdit3 = maskedit(this, "MaskEdit3", "#####.0000", "    0.0000");
    MaskEdit4 = maskedit(this, "MaskEdit4", "9.000000", "0.000000");
    MaskEdit5 = maskedit(this, "MaskEdit5", "9.000000", "0.000000");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->addItems({"1", "2", "3"});
    ComboBox1->setCurrentIndex(0);
    Button1 = new QPushButton("&OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("&Cancel", this);
    Button2->setObjectName("Button2");

    auto* grid = new QGridLayout;
    grid->addWidget(RadioButton1, 0, 0, 1, 3);
    grid->addWidget(new QLabel("Ray Number", this), 1, 0);
    grid->addWidget(MaskEdit1, 1, 1);
    grid->addWidget(Label2, 1, 2);
    grid->addWidget(RadioButton2, 2, 0, 1, 3);
    const char* captions[] = {"Enter X ray coordinate at the reference plane  ",
                              "Enter Y ray coordinate at the reference plane  ",
                              "Enter L ray coordinate at the reference plane  ",
                              "Enter M ray coordinate at the reference plane  "};
    QLineEdit* coords[] = {MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(captions[i], this), 3 + i, 0);
        grid->addWidget(coords[i], 3 + i, 1);
    }
    grid->addWidget(new QLabel("Wavelength  ", this), 7, 0);
    grid->addWidget(ComboBox1, 7, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addSpacing(8);
    lay->addLayout(buttons);

    fields_ = {MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5};
    for (size_t i = 0; i < fields_.size(); ++i) previous_[i] = fields_[i]->displayText();
    for (QWidget* w : {static_cast<QWidget*>(MaskEdit1), static_cast<QWidget*>(MaskEdit4),
                       static_cast<QWidget*>(MaskEdit5), static_cast<QWidget*>(ComboBox1)})
        w->installEventFilter(this);

    // A typed number is shown right-aligned in its mask once the field is left.
    struct Format {
        QLineEdit* e;
        int width, decimals;
    };
    for (const Format f : {Format{MaskEdit2, 10, 4}, Format{MaskEdit3, 10, 4}, Format{MaskEdit4, 8, 6},
                           Format{MaskEdit5, 8, 6}})
        connect(f.e, &QLineEdit::editingFinished, this, [f] {
            const auto v = parsetyped(f.e->text().toStdString());
            if (!v) return;
            const std::string text = fmtf(*v, f.width, f.decimals);
            if (static_cast<int>(text.size()) == f.width) f.e->setText(QString::fromStdString(text));
        });

    RadioButton1->setChecked(true);
    RadioButtonClick();
    connect(RadioButton1, &QRadioButton::toggled, this, &SingleRayTraceDialog::RadioButtonClick);
    connect(Button1, &QPushButton::clicked, this, &SingleRayTraceDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool SingleRayTraceDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusIn && hint_) {
        if (watched == MaskEdit1) hint_("Enter ray number between 1 and " + QString::number(m_.lens.nrays));
        else if (watched == MaskEdit4 || watched == MaskEdit5) hint_("Enter number between 0 and 1");
        else if (watched == ComboBox1) hint_("Select wavelength for which is ray tace calculated");
    }
    return QDialog::eventFilter(watched, e);
}

// The ray number field serves the existing rays, the coordinates the typed ray.
void SingleRayTraceDialog::RadioButtonClick() {
    const bool existing = RadioButton1->isChecked();
    MaskEdit1->setEnabled(existing);
    for (QLineEdit* e : {MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5}) e->setEnabled(!existing);
}

// A refused field shows its message and gets its last accepted text back.
void SingleRayTraceDialog::refuse(QLineEdit* field, const QString& caption, const std::string& text) {
    dialogs_.message(this, caption, QString::fromStdString(text));
    const size_t i = static_cast<size_t>(std::find(fields_.begin(), fields_.end(), field) - fields_.begin());
    field->setText(previous_[i]);
    field->setFocus();
}

bool SingleRayTraceDialog::checkray(SrtInput& in) {
    const auto n = parseint(MaskEdit1->text().remove(' ').toStdString());
    // 0 or an empty field is no ray of the scheme.
    in.raynumber = n && *n >= 1 && *n <= maxrays ? static_cast<int>(*n) : -1;
    if (const std::string err = checksrtinput(m_, in); !err.empty()) {
        refuse(MaskEdit1, "Error wrong number", err);
        return false;
    }
    return true;
}

bool SingleRayTraceDialog::checkcoordinates(SrtInput& in) {
    in.raynumber = 0;
    QLineEdit* coords[] = {MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5};
    double* values[] = {&in.X, &in.Y, &in.L, &in.M};
    for (int i = 0; i < 4; ++i) {
        const auto v = parsetyped(coords[i]->text().toStdString());
        if (!v) {
            refuse(coords[i], "Error", notanumbermsg);
            return false;
        }
        *values[i] = *v;
    }
    if (const std::string err = checksrtinput(m_, in); !err.empty()) {
        // The L message belongs to L; the others to M, the field checked last.
        refuse(err.rfind("L ray", 0) == 0 ? MaskEdit4 : MaskEdit5, "Error", err);
        return false;
    }
    return true;
}

void SingleRayTraceDialog::Button1Click() {
    SrtInput in;
    in.wl = std::max(0, ComboBox1->currentIndex());
    if (!(RadioButton1->isChecked() ? checkray(in) : checkcoordinates(in))) return;
    for (size_t i = 0; i < fields_.size(); ++i) previous_[i] = fields_[i]->displayText();
    input_ = in;
    accept();
}

}  // namespace zefo::gui
