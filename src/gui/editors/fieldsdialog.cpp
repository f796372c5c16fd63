#include "gui/editors/fieldsdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zefo::gui {

FieldsDialog::FieldsDialog(QWidget* parent, const QString& caption,
                           const std::vector<std::pair<QString, QString>>& fields, Check check)
    : QDialog(parent), check_(std::move(check)) {
    setWindowTitle(caption);
    auto* form = new QFormLayout;
    for (const auto& [label, initial] : fields) {
        auto* edit = new QLineEdit(initial, this);
        edit->setMinimumWidth(120);
        form->addRow(label, edit);
        edits_.push_back(edit);
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &FieldsDialog::ok);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
}

void FieldsDialog::ok() {
    std::vector<std::string> texts;
    for (QLineEdit* e : edits_) texts.push_back(e->text().toStdString());
    const auto [bad, message] = check_(texts);
    if (bad < 0) return accept();
    showerror(QString::fromStdString(message));
    if (bad < int(edits_.size())) edits_[size_t(bad)]->setFocus();
}

void FieldsDialog::sethints(const std::vector<QString>& hints) {
    for (size_t i = 0; i < hints.size() && i < edits_.size(); ++i) edits_[i]->setProperty("hint", hints[i]);
    layout()->addWidget(hintline(this));
}

QLabel* hintline(QWidget* dialog) {
    auto* line = new QLabel(dialog);
    line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    line->setMinimumHeight(line->fontMetrics().height() + 6);
    QObject::connect(qApp, &QApplication::focusChanged, line, [dialog, line](QWidget*, QWidget* now) {
        if (now && dialog->isAncestorOf(now)) line->setText(now->property("hint").toString());
    });
    return line;
}

QComboBox* choicebox(const QStringList& items, int current, const QString& hint) {
    auto* c = new QComboBox;
    c->addItems(items);
    c->setCurrentIndex(current);
    c->setProperty("hint", hint);
    return c;
}

}  // namespace zefo::gui
