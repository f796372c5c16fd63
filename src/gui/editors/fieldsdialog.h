// A small modal form of captioned text fields with OK and Cancel. OK hands the texts to a
// check; a refused text shows its message, takes the focus and keeps the dialog open.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace zefo::gui {

class FieldsDialog : public QDialog {
    Q_OBJECT
public:
    // The check returns the index of the refused field and its message, or -1 when it took them.
    using Check = std::function<std::pair<int, std::string>(const std::vector<std::string>&)>;
    FieldsDialog(QWidget* parent, const QString& caption, const std::vector<std::pair<QString, QString>>& fields,
                 Check check);
    QLineEdit* field(int i) const { return edits_.at(size_t(i)); }
    // Shows an error box; tests replace it.
    std::function<void(const QString&)> showerror;
    // Presses OK.
    void ok();
    // The status hint of each field, shown in a status line while the field has the focus.
    void sethints(const std::vector<QString>& hints);

private:
    std::vector<QLineEdit*> edits_;
    Check check_;
};

// A status line for a dialog: it shows the "hint" property of the dialog's widget that has
// the focus.
QLabel* hintline(QWidget* dialog);

// The status hint of entries that take a positive number.
inline constexpr const char* positivehint = "Enter any positive number greater then 0";

// A choice among items with its status hint; current -1 shows none chosen.
QComboBox* choicebox(const QStringList& items, int current, const QString& hint);

}  // namespace zefo::gui
