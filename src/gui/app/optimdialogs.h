// The dialogs of the optimization data ("Optimization General", "Paraxial Data",
// "Aberration Data", "Boundary conditions data") and the commands that run them. Fields,
// cells, hints and checks come from the core's optimization forms; these classes draw
// them, put the hints on the status line and put a rejected value back.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "gui/app/commands.h"
#include "gui/app/iqdialogs.h"
#include "core/forms/optimforms.h"

class QTableWidget;

namespace zefo::gui {

// "Optimization General": the increments, weights, glass triangle and wavelength weights.
class OptimGeneralDialog : public ParamDialog {
    Q_OBJECT
public:
    explicit OptimGeneralDialog(CalcContext& c);

protected:
    bool check() override;
};

// A modal grid of cells that are checked one by one as they are entered; a rejected entry
// shows its message and the previous value goes back into the cell. The cells edit a copy
// of the model, which OK takes over; Cancel leaves the model as it was.
class GridDialog : public QDialog {
    Q_OBJECT
public:
    // The core's side of one grid: cell texts, hints and the check of an entered cell.
    struct Cells {
        std::function<std::string(const Model&, int row, int col)> text;
        std::function<std::string(int row, int col)> hint;
        std::function<CellEdit(Model&, int row, int col, const std::string&)> edit;
        std::function<bool(int row, int col)> editable;
    };

    // The grid edits a copy of work; OK makes it the model of c.
    GridDialog(const QString& title, const QString& name, CalcContext& c, Model work, int rows,
               const std::vector<std::string>& columns, Cells cells);
    ~GridDialog() override;

    QTableWidget* grid() const { return grid_; }
    // Enters text into a cell as a user does (the cell's check runs).
    void entercell(int row, int col, const QString& text);
    void setrowtitles(const std::vector<std::string>& titles);
    // Fits the dialog to its grid, the grid no higher than maxheight pixels.
    void fit(int maxheight);

    void done(int r) override;

private:
    void cellentered(int row, int col);
    void refreshothers(int row, int col);
    void setcell(int row, int col, const std::string& text);

    CalcContext& c_;
    Model work_;
    QTableWidget* grid_;
    Cells cells_;
    bool changed_ = false;   // an accepted entry changed a value
    bool filling_ = false;   // the program is writing a cell
};

// The commands: each dialog modal; closed without OK the session counts as cancelled.
void optimgeneral(CalcContext& c);
void paraxialdataeditor(CalcContext& c);
void aberrationdataeditor(CalcContext& c);
void boundarydataeditor(CalcContext& c);

// "Optical system design data and variables", shown in its window only.
void designdata(CalcContext& c, Report& r);

// The ".otz" report: the design data listing and the merit function table of the system;
// "Calculate the aberration weights" first.
void meritfunction(CalcContext& c, Report& r);
void optimweights(CalcContext& c, Report& r);

// Additive damping becomes multiplicative and back, with its notice.
void dampingcommand(CalcContext& c);

// "Classical DLS Optimization": the run on the copy, its memo, stop and status line; the
// ".opt" report goes into the workspace.
OptimRun::Work dlswork(CalcContext& c);

}  // namespace zefo::gui
