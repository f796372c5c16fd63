// The catalogue of the main window's commands: one row per command with its menu place,
// caption, the shell that runs it, enabling group and work; its texts (title, log lines,
// window, result file, messages) come from the core's command catalogue by id. Menus, tool
// bar, log texts and enabling rules are all driven from this table.
#pragma once

#include <QStyle>
#include <functional>
#include <string>
#include <vector>

#include "core/analysis/systemreport.h"
#include "core/app/commandcatalog.h"
#include "core/evolution/earun.h"
#include "core/report/report.h"
#include "core/app/session.h"
#include "core/report/workspace.h"
#include "gui/app/optimrun.h"
#include "gui/app/wavelength.h"
#include "core/model/model.h"

class QString;
class QWidget;

namespace zefo {
class GlassCatalog;
}

namespace zefo::gui {

class Dialogs;
class ZefoMainForm;
struct Command;

// How a command runs (the main window's command shells).
enum class Shell {
    Own,      // a handler of the main window (file, log, printer, help, window commands)
    Report,   // calculation that fills a report window
    Input,    // modal input dialog
    Display,  // shows a stored report file
    Print,    // prints a stored report file, or the lines of its report work
    Graph,    // calculation that fills a graph window
    Optimizer,  // a run in its own window and thread; the result replaces the lens at the end
    Evolution,  // an evolutionary optimizer: as Optimizer, with the parameter set and a status bar
};

// When a command is enabled.
enum class Group {
    Start,      // always (also before a system is loaded)
    Loaded,     // while a system is loaded
    Result,     // while a system is loaded and its result file exists for filebase
    Variables,  // while the system has optimization variables (and the data set exists)
    EASave,     // while the evolutionary parameter set may be saved (loaded or completed)
    History,    // while the undo history has a step to undo or redo (and no optimizer runs)
};

// What a work function may use.
struct CalcContext {
    Model& m;
    const Workspace& ws;
    Session& session;     // the current file, changes, the first error and the cancel
    QWidget* parent;      // owner of the command's own dialogs
    Dialogs& dialogs;     // every blocking interaction of the work
    std::function<void(const std::string&)> log;  // a line in the command log
    std::function<void(const QString&)> hint;     // status panel 0
    std::string date;      // today's date as the report headers show it
    GlassCatalog& glass;   // the glass catalogue opened at start-up

    // What the title line of a report names besides the system.
    ReportHead head() const { return {session.filepath(), date}; }
};

// Fills the report; failures go to the session's first error, a cancelled dialog cancels.
// A print command fills the lines it prints; a report command without a window title
// only calculates.
using ReportWork = std::function<void(CalcContext&, Report&)>;
// Runs a modal dialog (or a calculation without a window).
using InputWork = std::function<void(CalcContext&)>;
// Creates the graph window for the chosen wavelength; nullptr on failure.
using GraphWork = std::function<QWidget*(CalcContext&, const WavelengthChoice&)>;
// Prepares an optimizer's run from the context (in the GUI thread); the run itself works
// on a copy of the model in a thread of its own.
using OptimWork = std::function<OptimRun::Work(CalcContext&)>;
// A handler of the main window.
using OwnWork = void (ZefoMainForm::*)(const Command&);

// When a graph command asks the wavelength chooser.
enum class Chooser { Never, Always, UnlessMono };

struct Command {
    CommandText text;                 // id (object name of the action) and texts, from the core
    const char* menu;                 // menu path, e.g. "File/Print"
    const char* caption;              // menu caption with its accelerator
    Shell shell = Shell::Own;
    Group group = Group::Loaded;
    const char* datafile = "";        // Variables group: geneticdir + sysname + this must exist
    OwnWork own = nullptr;
    ReportWork report = nullptr;
    InputWork input = nullptr;
    GraphWork graph = nullptr;
    OptimWork optim = nullptr;
    Chooser chooser = Chooser::Never;
    unsigned valid = 0;                  // graph: results (IqResult bits) that must be valid before drawing
    InputWork prepare = nullptr;         // graph: parameter dialog and calculation of that result
    bool separator = false;              // separator line before the entry
    QStyle::StandardPixmap icon = QStyle::SP_CustomBase;  // tool bar button when not SP_CustomBase
    const char* shortcut = "";
    bool wholereport = false;     // the work gives the whole report file: it is saved as it stands
    bool changesdesign = false;   // changes the optical data: the image-quality results become stale
    EAKind eakind = EAKind::assga;  // Evolution: the optimizer
    bool refresh = false;         // a successful run re-evaluates the enabling rules
};

// Every command in menu order.
const std::vector<Command>& commandcatalogue();

// The top-level menus and submenus in their order, each with its caption.
struct MenuDef {
    const char* path;
    const char* caption;
};
const std::vector<MenuDef>& menucatalogue();

// True when the labels of the system create at least one optimization variable (enables
// the optimizers).
bool hasoptvariables(const Model& m);

}  // namespace zefo::gui
