// What the System Editor and the Ray Editor share: the grid over a table model, the hooks
// that tests replace, and following the session. An accepted edit tells the session; a
// change of the design made elsewhere rebuilds the grid; Close ends the editor.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <string>

#include "core/app/session.h"

class QAbstractItemModel;
class QLabel;
class QMenu;
class QTableView;

namespace zefo::gui {

class GridEditor : public QWidget {
    Q_OBJECT
public:
    ~GridEditor() override;
    QTableView* grid() const { return grid_; }
    // Shows an error box; tests replace it.
    std::function<void(const QString&)> showerror;
    // Writes a line to the command log; the main window sets it.
    std::function<void(const std::string&)> log = [](const std::string&) {};
    // Runs a modal dialog; tests replace it.
    std::function<int(QDialog&)> rundialog = [](QDialog& d) { return d.exec(); };
    // The status hint of the current column (status panel 0).
    virtual QString hint() const = 0;
    // Read-only while reason is not empty (an optimizer works on the design): no cell opens
    // for editing, an open one commits nothing, the row menu is disabled, and a line above
    // the grid shows the reason.
    void setreadonly(const QString& reason);
    bool readonly() const { return readonly_; }

signals:
    void hintchanged(const QString& hint);

protected:
    // The grid shows table, which the editor takes over.
    GridEditor(Model& m, Session& session, QAbstractItemModel* table, QWidget* parent);
    // After an accepted edit, a step of the history named text: datachanged, stale results,
    // the trace context, the windows told; this grid stays.
    void designedited(const std::string& text);
    // Starts following the current cell and the session; rebuild runs after every change of
    // the design made elsewhere.
    void follow(std::function<void()> rebuild);
    // Sizes the window to columns pixels of columns and every row, up to 450 pixels high.
    void fit(int columns);

    Model& m_;
    Session& session_;
    QTableView* grid_;
    QMenu* menu_ = nullptr;

private:
    int listener_ = 0;
    bool committing_ = false;
    bool readonly_ = false;
    QLabel* lockline_;
};

}  // namespace zefo::gui
