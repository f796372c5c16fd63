// SingleRayTraceDialog: the choice of the single ray trace, a ray of the scheme or a typed ray, and
// the wavelength it is traced with.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "core/model/model.h"
#include "core/analysis/singleraytrace.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zefo::gui {

class Dialogs;

class SingleRayTraceDialog : public QDialog {
    Q_OBJECT
public:
    // hint writes status panel 0 when a field is entered.
    SingleRayTraceDialog(QWidget* parent, const Model& m, Dialogs& dialogs, std::function<void(const QString&)> hint);

    // The accepted choice.
    const SrtInput& input() const { return input_; }

    QRadioButton* RadioButton1;  // From Existing Set of Rays
    QLineEdit* MaskEdit1;        // ray number
    QLabel* Label2;
    QRadioButton* RadioButton2;  // Another Ray
    QLineEdit* MaskEdit2;        // X
    QLineEdit* MaskEdit3;        // Y
    QLineEdit* MaskEdit4;        // L
    QLineEdit* MaskEdit5;        // M
    QComboBox* ComboBox1;        // wavelength number
    QPushButton* Button1;        // OK
    QPushButton* Button2;        // Cancel

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Button1Click();
    void RadioButtonClick();
    bool checkray(SrtInput& in);
    bool checkcoordinates(SrtInput& in);
    void refuse(QLineEdit* field, const QString& caption, const std::string& text);

    const Model& m_;
    Dialogs& dialogs_;
    std::function<void(const QString&)> hint_;
    std::array<QLineEdit*, 5> fields_;
    std::array<QString, 5> previous_;  // the last accepted text of each field
    SrtInput input_;
};

}  // namespace zefo::gui
