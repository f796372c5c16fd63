// The grids of the New command: the surface grid ("System Data"), one row per surface and
// the image row, and the ray coordinate grids of a relative or absolute ray scheme. A cell
// commits when its editor closes, checked as in the editors; OK checks the whole grid and
// closes only when it passes. The status line shows the hint of the current column.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/edit/surfaceedit.h"

class QAbstractItemModel;
class QLabel;
class QTableView;

namespace zefo::gui {

class NewGridDialog : public QDialog {
    Q_OBJECT
public:
    QTableView* grid() const { return grid_; }
    QString statustext() const;
    // Shows an error box; tests replace it.
    std::function<void(const QString&)> showerror;
    // Runs a modal dialog; tests replace it.
    std::function<int(QDialog&)> rundialog = [](QDialog& d) { return d.exec(); };
    // Presses OK.
    void ok();

protected:
    NewGridDialog(const QString& caption, QAbstractItemModel* table, QWidget* parent);
    // The message of a grid that is not complete, empty when it is.
    virtual std::string check() = 0;
    // The status hint of a column.
    virtual QString hint(int column) const = 0;
    // Column widths; the window takes the grid's width and up to 450 pixels of rows.
    void fit(const std::vector<int>& widths);

private:
    QTableView* grid_;
    QLabel* status_;
};

class SurfaceGridDialog : public NewGridDialog {
    Q_OBJECT
public:
    SurfaceGridDialog(Model& m, GlassLookup lookup, QWidget* parent = nullptr);

protected:
    std::string check() override;
    QString hint(int column) const override;

private:
    Model& m_;
};

class RayGridDialog : public NewGridDialog {
    Q_OBJECT
public:
    // relative: labels with xrel and yrel; otherwise labels with x, y, l and m.
    RayGridDialog(Model& m, bool relative, QWidget* parent = nullptr);

protected:
    std::string check() override;
    QString hint(int column) const override;

private:
    Model& m_;
    bool relative_;
};

}  // namespace zefo::gui
