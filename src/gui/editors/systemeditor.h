// The System Editor: the surface table of the current lens in a grid, one row per surface
// and the image row. A cell commits when its editor closes; the core checks the text, and a
// refused text shows its message and leaves the lens as it was. The editor follows the
// session: a replaced or resized lens rebuilds the grid.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>
#include <functional>

#include "core/app/session.h"
#include "gui/editors/grideditor.h"
#include "core/edit/surfaceedit.h"

class QTableView;
class QLabel;
class QMenu;

namespace zefo::gui {

class SurfaceTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    SurfaceTableModel(Model& m, GlassLookup lookup, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The lens was replaced or its rows changed.
    void rebuild();

signals:
    void refused(const QString& message);
    // An accepted change; request: CellCommit::Request of a label.
    void edited(int row, int column, int request);

private:
    Model& m_;
    GlassLookup lookup_;
};

// The constants dialog a surface label asks for on model row `row` (CellCommit::Request):
// the Conic Constant or the Aspherical constants dialog, run by rundialog.
void askconstants(QWidget* parent, Model& m, int row, int request,
                  const std::function<void(const QString&)>& showerror,
                  const std::function<int(QDialog&)>& rundialog);

class SystemEditor : public GridEditor {
    Q_OBJECT
public:
    SystemEditor(Model& m, Session& session, GlassLookup lookup, QWidget* parent = nullptr);
    SurfaceTableModel* table() const { return model_; }
    QString hint() const override;
    // Asks for the surface number of a menu command (1 .. nsurf), none on Cancel; tests replace it.
    std::function<std::optional<int>()> asksurface;
    QMenu* surfacemenu() const { return menu_; }
    // The glass cell completes names from these (the catalogue's).
    void setglassnames(const std::vector<std::string>& names);
    // A glass from the glass catalogue for the row of the current cell, committed as a typed
    // glass cell and logged; false (with its error box) when there is no current row or the
    // name is refused.
    bool placeglass(const QString& name);
    // The private clipboard type of one surface block.
    static QString mimetype() { return "application/x-zefo-surface"; }

private:
    // Runs a menu command on the chosen surface: copy, cut, delete, before, after, paste.
    void surfacecommand(const std::string& command);
    // The New Surface dialog for the inserted model row `row`: its log lines, none when
    // it was cancelled.
    std::optional<std::vector<std::string>> asknewsurface(int row);
    SurfaceTableModel* model_;
    GlassLookup lookup_;
    class GlassCellDelegate* glassdelegate_ = nullptr;
};

}  // namespace zefo::gui
