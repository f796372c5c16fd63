// The dialogs of the general data: the General Data Editor, Number of Fields with Field
// angles, Ray scheme type, and the wavelength dialogs (Wavelength, Single wave length, Other
// Wavelength). Each checks its entries through the core when OK is pressed; a refused entry
// shows its message, takes the focus and keeps the dialog open, and the model stays as it was.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <optional>

#include "core/edit/generaledit.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace zefo::gui {

// What the dialogs share: the hooks tests replace.
class EditDialog : public QDialog {
    Q_OBJECT
public:
    // Shows an error box.
    std::function<void(const QString&)> showerror;
    // Runs a modal dialog this one opens.
    std::function<int(QDialog&)> rundialog = [](QDialog& d) { return d.exec(); };
    // Presses OK.
    virtual void ok() = 0;

protected:
    explicit EditDialog(const QString& caption, QWidget* parent);
    // Lays out the body above OK / Cancel and the status line.
    void finish(QLayout* body);
    // Shows a refusal and focuses its entry; true when r was refused.
    bool refused(const EditResult& r, const std::vector<QWidget*>& entries);
};

// "Ray scheme type": full (34 rays) or partial (24 rays) for four fields.
class RaySchemeTypeDialog : public EditDialog {
    Q_OBJECT
public:
    explicit RaySchemeTypeDialog(QWidget* parent = nullptr);
    QRadioButton *full, *partial;
    void ok() override { accept(); }
};

// The General Data Editor. OK applies every entry (asking the Ray scheme type when a
// four-field layout is rebuilt); `change` holds the log lines of the change.
class GeneralDataDialog : public EditDialog {
    Q_OBJECT
public:
    explicit GeneralDataDialog(Model& m, QWidget* parent = nullptr);
    QLineEdit *name, *mag, *stop, *aperture, *defocus;
    QLineEdit* field[4];
    QComboBox *chromatic, *raytype, *surfaces;
    EditResult change;   // the accepted change
    void ok() override;

private:
    Model& m_;
};

// Field angles after Number of Fields: the values of n fields and, for four, the scheme size.
class FieldAnglesDialog : public EditDialog {
    Q_OBJECT
public:
    FieldAnglesDialog(Model& m, int n, QWidget* parent = nullptr);
    QLineEdit* field[4];
    QComboBox* scheme;
    EditResult change;   // the accepted change
    void ok() override;

private:
    Model& m_;
    int n_;
};

// Number of Fields: only the digits 2, 3 and 4 are taken.
class NumberOfFieldsDialog : public EditDialog {
    Q_OBJECT
public:
    explicit NumberOfFieldsDialog(int n, QWidget* parent = nullptr);
    QLineEdit* count;
    void ok() override;
};

// Single wave length: the spectral lines and "Other wave length"; `chosen` in mm after OK.
class SingleWavelengthDialog : public EditDialog {
    Q_OBJECT
public:
    SingleWavelengthDialog(const QString& group, QWidget* parent = nullptr);
    QButtonGroup* items;
    std::optional<double> chosen;
    void ok() override;
};

// Wavelength: which of the three wavelengths to change (captioned "SetUp" in the New wizard).
class WavelengthDialog : public EditDialog {
    Q_OBJECT
public:
    explicit WavelengthDialog(QWidget* parent = nullptr, const QString& caption = "Wavelength");
    QCheckBox* change[3];   // middle, upper, lower
    void ok() override { accept(); }
};

// The new wavelengths (mm) the Single wave length dialogs give for the checked boxes of
// `checked`, in the order middle, upper, lower; none for a wavelength left as it was. A
// Single wave length dialog cancelled ends the choice (empty result).
std::optional<std::array<std::optional<double>, 3>> choosewavelengths(
    QWidget* parent, const std::array<bool, 3>& checked, const std::function<int(QDialog&)>& rundialog,
    const std::function<void(const QString&)>& showerror);

}  // namespace zefo::gui
