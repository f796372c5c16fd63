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

signals:
    void refused(const QString& message);
    void edited();

private:
    Model& m_;
};

class RayEditor : public QWidget {
    Q_OBJECT
public:
    RayEditor(Model& m, Session& session, QWidget* parent = nullptr);
    ~RayEditor() override;
    QTableView* grid() const { return grid_; }
    RayTableModel* table() const { return model_; }
    // Shows an error box; tests replace it.
    std::function<void(const QString&)> showerror;
    // The status hint of the current column (status panel 0).
    QString hint() const;
    // Asks for the ray number of a menu command (1 .. nrays), none on Cancel; tests replace it.
    std::function<std::optional<int>()> askray;
    // Writes a line to the command log; the main window sets it.
    std::function<void(const std::string&)> log = [](const std::string&) {};
    // Runs a modal dialog (New Ray); tests replace it.
    std::function<int(QDialog&)> rundialog = [](QDialog& d) { return d.exec(); };
    QMenu* raymenu() const { return menu_; }
    // The private clipboard type of one ray block.
    static QString mimetype() { return "application/x-zefo-ray"; }

signals:
    void hintchanged(const QString& hint);

private:
    void fitcolumns();
    void buildmenu();
    // Runs a menu command on the chosen ray: copy, cut, delete, before, after, paste.
    void raycommand(const std::string& command);
    void asknewray(int ray);

    Model& m_;
    Session& session_;
    RayTableModel* model_;
    QTableView* grid_;
    QMenu* menu_ = nullptr;
    int listener_ = 0;
    bool committing_ = false;
};

}  // namespace zefo::gui
