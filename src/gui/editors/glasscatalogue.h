// The Glass Catalogue window: the catalogue's glasses in a table that sorts by any column
// (name, code, nd, vd, maker and the indices at the lens's three wavelengths), a search text
// and ranges of nd and vd that narrow it. "Use" (or a double click) and "Model glass..."
// hand a glass name to the System Editor, which commits it as if it had been typed.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/app/session.h"
#include "core/model/glasscat.h"

class QLineEdit;
class QSortFilterProxyModel;
class QTableView;
class QLabel;

namespace zefo::gui {

class GlassTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { cname, ccode, cnd, cvd, cn0, cn1, cn2, cmaker, ccolumns };
    explicit GlassTableModel(const Model& m, QObject* parent = nullptr) : QAbstractTableModel(parent), m_(m) {}
    void setglasses(std::vector<GlassRecord> glasses);
    const GlassRecord& glass(int row) const { return shown_[static_cast<size_t>(row)]; }
    // The wavelengths changed: the index columns are computed again.
    void wavelengthschanged();
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    const Model& m_;
    std::vector<GlassRecord> shown_;
};

class GlassCatalogueWindow : public QWidget {
    Q_OBJECT
public:
    GlassCatalogueWindow(const Model& m, Session& session, GlassCatalog& cat, QWidget* parent = nullptr);
    ~GlassCatalogueWindow() override;

    QTableView* table() const { return view_; }
    QLineEdit* search() const { return search_; }
    // nd from, nd to, vd from, vd to.
    QLineEdit* range(int i) const { return range_[i]; }
    // The glasses the table shows, in its order.
    QStringList shownnames() const;
    // Selects the row of a glass by its name; false when the table does not show it.
    bool selectglass(const QString& name);
    // "Use": the selected glass goes to the System Editor.
    void usecurrent();
    // "Model glass...": asks for nd/vd and hands the model glass on.
    void usemodelglass();
    QString hint() const;

    // Writes a line to the command log; the main window sets it.
    std::function<void(const std::string&)> log = [](const std::string&) {};
    // Shows an error box; tests replace it.
    std::function<void(const QString&)> showerror;
    // Asks for the nd/vd text of a model glass; empty on Cancel. Tests replace it.
    std::function<std::optional<QString>()> askmodelglass;

signals:
    void hintchanged(const QString& hint);
    // A glass (catalogue name or nd/vd) for the selected surface of the System Editor.
    void useglass(const QString& name);

private:
    void refilter();

    Session& session_;
    std::vector<GlassRecord> all_;
    GlassTableModel* model_;
    QSortFilterProxyModel* proxy_;
    QTableView* view_;
    QLineEdit* search_;
    QLineEdit* range_[4];
    QLabel* count_;
    int listener_ = 0;
};

}  // namespace zefo::gui
