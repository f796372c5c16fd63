#include "gui/editors/rayeditor.h"

#include "gui/editors/editmenu.h"
#include "gui/editors/fieldsdialog.h"

#include <QLineEdit>

#include <QHeaderView>
#include <QMessageBox>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace zefo::gui {

RayTableModel::RayTableModel(Model& m, QObject* parent) : QAbstractTableModel(parent), m_(m) {}

int RayTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_.lens.nsurf <= 0 ? 0 : m_.lens.nrays;
}

int RayTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + int(shown().size());
}

std::vector<RayField> RayTableModel::shown() const { return fields_.empty() ? rayfieldsshown(m_.lens) : fields_; }

void RayTableModel::showfields(std::vector<RayField> fields) {
    beginResetModel();
    fields_ = std::move(fields);
    endResetModel();
}

std::optional<RayField> RayTableModel::field(int column) const {
    const std::vector<RayField> fields = shown();
    if (column < 1 || column > int(fields.size())) return std::nullopt;
    return fields[size_t(column - 1)];
}

QVariant RayTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const std::optional<RayField> f = field(index.column());
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (!f) return QString::number(index.row() + 1);
        const QString text = QString::fromStdString(raycelltext(m_.lens, index.row(), *f));
        return role == Qt::EditRole ? text.trimmed() : text;
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant RayTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
    const std::optional<RayField> f = field(section);
    return f ? QString::fromStdString(rayheader(*f)) : QString(" No");
}

Qt::ItemFlags RayTableModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return field(index.column()) ? f | Qt::ItemIsEditable : f;
}

bool RayTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const std::optional<RayField> f = field(index.column());
    if (role != Qt::EditRole || !f || index.row() >= rowCount()) return false;
    const CellCommit c = commitraycell(m_.lens, index.row(), *f, value.toString().toStdString());
    if (!c.accepted) {
        emit refused(QString::fromStdString(c.message));
        return false;
    }
    if (!c.changed) return true;
    emit dataChanged(index, index);
    emit edited(index.row(), int(*f));
    return true;
}

void RayTableModel::rebuild() {
    beginResetModel();
    endResetModel();
}

RayEditor::RayEditor(Model& m, Session& session, QWidget* parent)
    : GridEditor(m, session, new RayTableModel(m), parent), model_(static_cast<RayTableModel*>(grid_->model())) {
    setWindowTitle("Ray Editor");
    buildmenu();
    fitcolumns();
    askray = [this] {
        return askrownumber(this, "Ray Editor", "Enter ray number", m_.lens.nrays,
                            [this] { showerror(raymsg::badraynumber); });
    };
    connect(model_, &RayTableModel::refused, this, [this](const QString& msg) { showerror(msg); });
    connect(model_, &RayTableModel::edited, this,
            [this](int ray, int field) { designedited(raycellstep(ray, RayField(field))); });
    follow([this] {
        model_->rebuild();
        fitcolumns();
    });
}

// The number column narrow, the others alike; the window shows every column.
void RayEditor::fitcolumns() {
    const int number = grid_->fontMetrics().horizontalAdvance("0000") + 12;
    grid_->setColumnWidth(0, number);
    for (int c = 1; c < model_->columnCount(); ++c) grid_->setColumnWidth(c, 80);
    fit(number + 80 * (model_->columnCount() - 1));
}

void RayEditor::buildmenu() {
    menu_ = addrowmenu(this, "Ra&y", "Edit data for selected rays", "Ray",
                       {{"Insert ray &before", "", "Insert ray before", "before"},
                        {"Insert ray &after", "", "Insert ray after", "after"},
                        {"&Delete ray", "", "Delete ray", "delete"},
                        {"Cu&t ray", "Ctrl+X", "Cut ray", "cut"},
                        {"&Copy ray", "Ctrl+C", "Copy ray", "copy"},
                        {"&Paste ray", "Ctrl+V", "Paste ray", "paste"}},
                       [this](const std::string& command) { raycommand(command); });
}

void RayEditor::raycommand(const std::string& command) {
    emit hintchanged(QString("Enter number between 1 and %1").arg(m_.lens.nrays));
    const std::optional<int> r = askray();
    emit hintchanged(QString());
    if (!r) return;
    std::string err;
    if (command == "copy" || command == "cut") putblock(mimetype(), rayblock(m_.lens, *r - 1));
    if (command == "cut" || command == "delete") err = deleteray(m_.lens, *r);
    if (command == "before" || command == "after") err = insertray(m_.lens, *r);
    if (command == "paste") {   // a block goes through the checks of the typed cells
        const auto block = clipboardblock(mimetype());
        err = block ? pasteray(m_.lens, *r, *block) : insertray(m_.lens, *r);
    }
    if (!err.empty()) return showerror(QString::fromStdString(err));
    for (const std::string& line : raycommandlog(command, *r)) log(line);
    if (command == "before" || command == "after") {
        const int ray = command == "before" ? *r - 1 : *r;
        const std::string title = command == "before" ? "Insert ray before" : "Insert ray after";
        if (!asknewray(ray)) {   // Cancel takes the inserted copy out again: the scheme is as it was
            deleteray(m_.lens, ray + 1);
            log(title + " - Terminated by user");
            return;
        }
        log(title + " - Finished");
    }
    if (command == "copy") return;
    session_.designchanged(raycommandstep(command, *r));   // the listener rebuilds the grid
}

// The New Ray dialog for ray `ray` (an index); false when it was cancelled.
bool RayEditor::asknewray(int ray) {
    std::vector<std::pair<QString, QString>> fields;
    static const char* const captions[] = {"ray label",    "relative x - xrel", "relative y - yrel", "x coordinate",
                                           "y coordinate", "l coordinate",      "m coordinate"};
    for (int f = 0; f < rayfields; ++f)
        fields.emplace_back(captions[f], QString::fromStdString(raycelltext(m_.lens, ray, RayField(f))).trimmed());
    FieldsDialog dialog(this, "New Ray", fields, [this, ray](const std::vector<std::string>& texts) {
        std::array<std::string, rayfields> typed;
        std::copy(texts.begin(), texts.end(), typed.begin());
        NewRayResult r = newray(m_.lens, ray, typed);
        for (const std::string& line : r.log) log(line);
        return std::make_pair(r.badfield, r.message);
    });
    for (int f : {rfxrel, rfyrel}) dialog.field(f)->setEnabled(hasrelative(m_.lens));
    dialog.showerror = showerror;
    return rundialog(dialog) == QDialog::Accepted;
}

QString RayEditor::hint() const {
    const std::optional<RayField> f = model_->field(grid_->currentIndex().column());
    return QString::fromStdString(rayhint(f.value_or(rflabel)));
}

}  // namespace zefo::gui
