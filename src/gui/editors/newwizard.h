// The New wizard: page "General", page "Telescope" (when neither magnification nor numerical
// aperture is given) and page "Field angle" with Apply. Next stores a page once the core
// accepts all its entries; OK is offered only after an Apply that the core accepted and no
// Next since.
#pragma once

#include <QDialog>
#include <functional>

#include "core/edit/newsystem.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace zefo::gui {

class NewWizard : public QDialog {
    Q_OBJECT
public:
    enum Page { General, Telescope, Fields };
    explicit NewWizard(Model& m, QWidget* parent = nullptr);
    int page() const;
    QPushButton* nextbutton() const { return next_; }
    QPushButton* applybutton() const { return apply_; }
    QPushButton* okbutton() const { return ok_; }
    // Shows an error box; tests replace it.
    std::function<void(const QString&)> showerror;
    // Runs a modal dialog (the ray coordinate grids); tests replace it.
    std::function<int(QDialog&)> rundialog = [](QDialog& d) { return d.exec(); };
    // Asked by Next when the name is taken: true when the user wants to change it.
    std::function<bool(const std::string& name)> changename = [](const std::string&) { return false; };

    // Entries of page General.
    QLineEdit *name, *nsurf, *stop, *mag, *na;
    QComboBox* nfields;
    QCheckBox *aspherics, *radii;
    // Entries of page Telescope.
    QRadioButton *kepler, *galilean, *objinf, *objfinite;
    QLineEdit *objdist, *eph, *eyedist;
    // Entries of page Field angle (0 unused).
    QLineEdit* field[4];
    QCheckBox *fullscheme, *threewl;
    QComboBox* raytype;

private:
    QWidget* generalpage();
    QWidget* telescopepage();
    QWidget* fieldspage();
    void onnext();
    void onapply();
    void onok();
    bool refused(const EditResult& r, const std::vector<QWidget*>& entries);
    void showpage(Page p);

    Model& m_;
    QStackedWidget* pages_;
    QPushButton *next_, *apply_, *ok_;
};

}  // namespace zefo::gui
