// The New wizard: page "General", page "Telescope" (when the numerical aperture is 0: an
// afocal system) and page "Field angle" with Apply. A page opens once the page before it was
// accepted. Next stores a page once the core accepts all its entries; OK is offered only
// after an Apply that the core accepted and no Next since. Answering "No" to the standard
// wavelengths asks for the wavelengths to change before the next page opens.
#pragma once

#include <QDialog>
#include <functional>

#include "core/edit/newsystem.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

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
    // Runs a modal dialog (the wavelength dialogs, the ray coordinate grids); tests replace it.
    std::function<int(QDialog&)> rundialog = [](QDialog& d) { return d.exec(); };
    // Asked by Next when the name is taken: true when the user wants to change it.
    std::function<bool(const std::string& name)> changename = [](const std::string&) { return false; };

    // Entries of page General; the choices in the order of their items.
    QLineEdit *name, *nsurf, *stop, *mag, *na;
    QComboBox *nfields, *aspherics /* Yes, No */, *standardwl /* Yes, No */, *surfacedef /* Radii, Curvatures */;
    // Entries of page Telescope: type Kepler, Galilean; object in infinity Yes, No (none
    // chosen at first).
    QComboBox *teltype, *objinf;
    QLineEdit *objdist, *eph, *eyedist;
    QGroupBox *keplergroup, *galileangroup;
    // Entries of page Field angle (0 shows the first field, always 0).
    QLineEdit* field[4];
    QComboBox *scheme /* Full, Partial */, *mode /* one, three wavelengths */, *raytype;

private:
    QWidget* generalpage();
    QWidget* telescopepage();
    QWidget* fieldspage();
    void onnext();
    void onapply();
    void onok();
    bool refused(const EditResult& r, const std::vector<QWidget*>& entries);
    bool askwavelengths();
    void telescopechoice();
    void showpage(Page p);

    Model& m_;
    QTabWidget* pages_;
    QPushButton *next_, *apply_, *ok_;
};

}  // namespace zefo::gui
