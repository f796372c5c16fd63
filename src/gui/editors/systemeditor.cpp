#include "gui/editors/systemeditor.h"

#include "gui/editors/editmenu.h"
#include "gui/editors/fieldsdialog.h"

#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QMessageBox>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace zefo::gui {

// The glass cell's editor completes the names of the catalogue, in any case and from any
// part of the name.
class GlassCellDelegate : public QStyledItemDelegate {
public:
    explicit GlassCellDelegate(QObject* parent) : QStyledItemDelegate(parent), names_(new QStringListModel(this)) {}
    void setnames(const QStringList& names) { names_->setStringList(names); }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && index.column() == scglass) {
            auto* c = new QCompleter(names_, edit);
            c->setCaseSensitivity(Qt::CaseInsensitive);
            c->setFilterMode(Qt::MatchContains);
            c->setMaxVisibleItems(12);
            edit->setCompleter(c);
        }
        return w;
    }

private:
    QStringListModel* names_;
};

SurfaceTableModel::SurfaceTableModel(Model& m, GlassLookup lookup, QObject* parent)
    : QAbstractTableModel(parent), m_(m), lookup_(std::move(lookup)) {}

int SurfaceTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_.lens.nsurf <= 0 ? 0 : m_.lens.nsurf + 1;
}

int SurfaceTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : surfcolumns;
}

QVariant SurfaceTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() > m_.lens.nsurf) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(surfcelltext(m_.lens, index.row(), index.column()));
    if (role == Qt::EditRole)
        return QString::fromStdString(trimblanks(surfcelltext(m_.lens, index.row(), index.column())));
    if (role == Qt::TextAlignmentRole && index.column() >= scradius && index.column() != scglass)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant SurfaceTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
    return QString::fromStdString(surfheader(section, m_.lens.radiiflag == 'D'));
}

Qt::ItemFlags SurfaceTableModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return index.column() == scnumber ? f : f | Qt::ItemIsEditable;
}

bool SurfaceTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() > m_.lens.nsurf) return false;
    const CellCommit c = commitsurfcell(m_, lookup_, index.row(), index.column(), value.toString().toStdString());
    if (!c.accepted) {
        emit refused(QString::fromStdString(c.message));
        return false;
    }
    if (!c.changed) return true;
    // A radius changes its curvature; a label may change the signs of the row.
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), surfcolumns - 1));
    emit edited(index.row(), index.column(), c.request);
    return true;
}

void SurfaceTableModel::rebuild() {
    beginResetModel();
    endResetModel();
}

SystemEditor::SystemEditor(Model& m, Session& session, GlassLookup lookup, QWidget* parent)
    : GridEditor(m, session, new SurfaceTableModel(m, lookup), parent),
      model_(static_cast<SurfaceTableModel*>(grid_->model())), lookup_(std::move(lookup)) {
    setWindowTitle("System Editor");
    grid_->setColumnWidth(scnumber, 40);   // "IMG" whole
    for (int c = 1; c < surfcolumns; ++c) grid_->setColumnWidth(c, c == scoptlabel ? 130 : 80);
    fit(40 + 130 + 9 * 80);
    asksurface = [this] {
        return askrownumber(this, "System Editor", "Enter surface number", m_.lens.nsurf,
                            [this] { showerror(surfmsg::badsurfnumber); });
    };
    menu_ = addrowmenu(this, "&Surface", "Edit data for selected surfaces", "Surface",
                       {{"Insert Surface &Before ", "", "Insert surface before", "before"},
                        {"Insert Surface &After", "", "Insert surface after", "after"},
                        {"&Delete Surface", "", "Delete surface", "delete"},
                        {"Cu&t Surface", "Ctrl+X", "Cut surface", "cut"},
                        {"&Copy surface", "Ctrl+C", "Copy surface", "copy"},
                        {"&Paste surface", "Ctrl+V", "Paste surface", "paste"}},
                       [this](const std::string& command) { surfacecommand(command); });
    connect(model_, &SurfaceTableModel::refused, this, [this](const QString& msg) { showerror(msg); });
    connect(model_, &SurfaceTableModel::edited, this, [this](int row, int column, int request) {
        askconstants(this, m_, row, request, showerror, rundialog);
        designedited(surfcellstep(m_.lens, row, column));
    });
    follow([this] { model_->rebuild(); });
}

void SystemEditor::setglassnames(const std::vector<std::string>& names) {
    if (!glassdelegate_) {
        glassdelegate_ = new GlassCellDelegate(this);
        grid_->setItemDelegateForColumn(scglass, glassdelegate_);
    }
    QStringList list;
    for (const auto& n : names) list << QString::fromStdString(n);
    glassdelegate_->setnames(list);
}

bool SystemEditor::placeglass(const QString& name) {
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid()) {
        showerror("Select the surface for the glass in the System Editor first");
        return false;
    }
    const int row = current.row();
    const QModelIndex cell = model_->index(row, scglass);
    const auto& sp = m_.lens.sys.sp;
    const std::string before = sp.glass[row];
    const Index3 indices = sp.index[row];
    if (!model_->setData(cell, name, Qt::EditRole)) return false;
    grid_->setCurrentIndex(cell);
    if (sp.glass[row] != before || sp.index[row] != indices) log(glassplacedline(m_.lens, row));
    return true;
}

void SystemEditor::surfacecommand(const std::string& command) {
    emit hintchanged(QString("Enter number between 1 and %1").arg(m_.lens.nsurf));
    const std::optional<int> s = asksurface();
    emit hintchanged(QString());
    if (!s) return;
    std::string err;
    if (command == "copy" || command == "cut") putblock(mimetype(), surfblock(m_.lens, *s - 1));
    if (command == "cut" || command == "delete") err = deletesurface(m_, *s);
    if (command == "before" || command == "after") err = insertsurface(m_, *s, command == "after");
    if (command == "paste") {   // a block goes through the checks of the typed cells
        const auto block = clipboardblock(mimetype());
        err = block ? pastesurface(m_, lookup_, *s, *block) : insertsurface(m_, *s, false);
    }
    if (!err.empty()) return showerror(QString::fromStdString(err));
    std::vector<std::string> lines = surfcommandlog(command, *s);
    if (command == "before" || command == "after") {
        const int row = command == "after" ? *s : *s - 1;
        model_->rebuild();   // the new row shows while its dialog is open
        const auto entered = asknewsurface(row);
        if (!entered) {   // Cancel takes the inserted row out again
            deletesurface(m_, row + 1);
            return model_->rebuild();
        }
        lines.insert(lines.end() - 1, entered->begin(), entered->end());
    }
    for (const std::string& line : lines) log(line);
    if (command == "copy") return;
    session_.designchanged(surfcommandstep(command, *s));   // the listener rebuilds the grid
}

std::optional<std::vector<std::string>> SystemEditor::asknewsurface(int row) {
    const bool radii = m_.lens.radiiflag == 'D';
    const QString number = radii ? "     0.000" : " 0.0000000";
    const QString length = "     0.000";
    const QString r = radii ? "Radius" : "Curvature";
    NewSurfaceResult result;
    FieldsDialog dialog(this, "New Surface",
                        {{"Surface label", "S"}, {"Optimization  label", "C"}, {r, number}, {r + " min", number},
                         {r + " max", number}, {"Distance", length}, {"Distance min", length},
                         {"Distance max", length}, {"Glass name", "air"}, {"Clear aperture", "  0.00"}},
                        [&](const std::vector<std::string>& typed) {
                            std::array<std::string, surfcolumns - 1> texts;
                            std::copy(typed.begin(), typed.end(), texts.begin());
                            result = newsurface(m_, lookup_, row, texts);
                            return std::make_pair(result.badcolumn < 0 ? -1 : result.badcolumn - 1, result.message);
                        });
    std::vector<QString> hints;
    for (int c = sclabel; c < surfcolumns; ++c) hints.push_back(QString::fromStdString(surfhint(c, radii)));
    const QString minmax[] = {"minimum", "maximum"};
    for (int i = 0; i < 2; ++i) {
        hints[size_t(scradmin + i - 1)] = radii ? "Enter numerical value for " + minmax[i] + " radius"
                                                : "Enter number for " + minmax[i] + " curvature between -1 and 1";
        hints[size_t(scsepmin + i - 1)] = "Enter numerical value for " + minmax[i] + " separation";
    }
    dialog.sethints(hints);
    dialog.showerror = showerror;
    if (rundialog(dialog) != QDialog::Accepted) return std::nullopt;
    askconstants(this, m_, row, result.request, showerror, rundialog);
    return result.log;
}

void askconstants(QWidget* parent, Model& m, int row, int request,
                  const std::function<void(const QString&)>& showerror,
                  const std::function<int(QDialog&)>& rundialog) {
    if (request == CellCommit::none) return;
    const auto& asf = m.lens.sys.asf;
    const size_t k = size_t(row);
    auto text = [](double v) { return QString::number(v, 'f', 6); };
    if (request == CellCommit::conicdialog) {
        FieldsDialog dialog(parent, "Conic Constant", {{"Enter conic constant", text(asf.eps[k])}},
                            [&m, row](const std::vector<std::string>& typed) {
                                const CellCommit c = commitconic(m, row, typed[0]);
                                return std::make_pair(c.accepted ? -1 : 0, c.message);
                            });
        dialog.showerror = showerror;
        rundialog(dialog);
        return;
    }
    FieldsDialog dialog(parent, "Aspherical constants",
                        {{"Enter aspheric constant a4", text(asf.a4[k])},
                         {"Enter aspheric constant a6", text(asf.a6[k])},
                         {"Enter aspheric constant a8", text(asf.a8[k])},
                         {"Enter aspheric constant a10", text(asf.a10[k])}},
                        [&m, row](const std::vector<std::string>& typed) {
                            const AsphericCommit c = commitaspheric(m, row, {typed[0], typed[1], typed[2], typed[3]});
                            return std::make_pair(c.badfield, c.message);
                        });
    dialog.showerror = showerror;
    rundialog(dialog);
}

QString SystemEditor::hint() const {
    const int col = grid_->currentIndex().isValid() ? grid_->currentIndex().column() : sclabel;
    return QString::fromStdString(surfhint(col == scnumber ? sclabel : col, m_.lens.radiiflag == 'D'));
}

}  // namespace zefo::gui
