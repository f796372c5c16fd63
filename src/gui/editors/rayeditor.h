// The Ray Editor: the ray scheme of the current lens in a grid, one row per ray. A cell
// commits when its editor closes; the core checks the text, and a refused text shows its
// message and leaves the rays as they were. The editor follows the session: a replaced lens
// or a new ray scheme rebuilds the grid, Close ends the editor.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>
#include <functional>

#include "core/app/session.h"
#include "gui/editors/grideditor.h"
#include "core/edit/rayedit.h"

class QTableView;
class QMenu;


namespace zefo::gui {

class RayTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RayTableModel(Model& m, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The ray field of a grid column (column 0 is the ray number: none).
    std::optional<RayField> field(int column) const;
    // The lens was replaced or its rays changed.
    void rebuild();
    // Shows these fields after the number column instead of those of the ray scheme type.
    void showfields(std::vector<RayField> fields);

signals:
    void refused(const QString& message);
    // An accepted change of a field of ray `ray` (an index).
    void edited(int ray, int field);

private:
    std::vector<RayField> shown() const;

    Model& m_;
    std::vector<RayField> fields_;   // empty: those of the ray scheme type
};

class RayEditor : public GridEditor {
    Q_OBJECT
public:
    RayEditor(Model& m, Session& session, QWidget* parent = nullptr);
    RayTableModel* table() const { return model_; }
    QString hint() const override;
    // Asks for the ray number of a menu command (1 .. nrays), none on Cancel; tests replace it.
    std::function<std::optional<int>()> askray;
    QMenu* raymenu() const { return menu_; }
    // The private clipboard type of one ray block.
    static QString mimetype() { return "application/x-zefo-ray"; }

private:
    void fitcolumns();
    void buildmenu();
    // Runs a menu command on the chosen ray: copy, cut, delete, before, after, paste.
    void raycommand(const std::string& command);
    bool asknewray(int ray);

    RayTableModel* model_;
};

}  // namespace zefo::gui
