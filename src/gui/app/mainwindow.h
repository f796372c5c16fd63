// The main window: a multiple-document frame with the menus and tool bar of the command
// catalogue, a three-panel status line, the recent-file list and the command shells.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPointer>
#include <QPrinter>
#include <QToolBar>
#include <map>
#include <memory>
#include <optional>

#include "gui/app/commands.h"
#include "gui/app/dialogs.h"
#include "gui/app/evorun.h"
#include "gui/app/helpwindow.h"
#include "gui/app/optimrun.h"
#include "core/app/session.h"
#include "core/report/workspace.h"
#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo::gui {

class GraphWindow;
class SystemEditor;
class WindowStamp;

class ReportWindow;


constexpr int maxrecent = 4;

class ZefoMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Enables the start commands, opens the command log, starts the glass database.
    ZefoMainForm(Model& m, const Workspace& ws, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ZefoMainForm() override;

    // True when the start-up failed and the program must end.
    bool startfailed() const { return startfailed_; }

    // Runs a command through its shell, as its menu entry does.
    void execute(const Command& cmd);
    // The action of a catalogue command by name; nullptr when the command is not shown.
    QAction* action(const QString& name) const;
    void trigger(const QString& name);
    // Recent entry k (0 .. 3).
    QAction* recentaction(int k) const { return recent_[k]; }
    void openrecent(int k);

    // The enabling rules: start state, and the re-evaluation after a successful command.
    void startstate();
    void updateenabling();

    // Undo and Redo follow the history: enabled while it has a step (and no optimizer
    // runs), their captions naming the step.
    void updateundo();

    // The save question (Yes / No / Cancel); false when it was cancelled, or answered Yes
    // and the data could not be saved: the command that asked is abandoned.
    bool savequestion();

    // Command handlers (the catalogue's own work).
    void FileNew(const Command& cmd);
    void FileOpen(const Command& cmd);
    void FileImport(const Command& cmd);
    void FileExportZmx(const Command& cmd);
    void FileSave(const Command& cmd);
    void FileSaveAs(const Command& cmd);
    void FileClose(const Command& cmd);
    void FileExit(const Command& cmd);
    void EditUndo(const Command& cmd);
    void EditRedo(const Command& cmd);
    void EditSystem(const Command& cmd);
    void EditRays(const Command& cmd);
    void EditGlassCatalogue(const Command& cmd);
    void PrinterSetup(const Command& cmd);
    void DisplayLogFile(const Command& cmd);
    void PrintLogFile(const Command& cmd);
    void WindowTile(const Command& cmd);
    void WindowCascade(const Command& cmd);
    void WindowArrange(const Command& cmd);
    void WindowCloseAll(const Command& cmd);
    void HelpContents(const Command& cmd);
    void HelpSearch(const Command& cmd);
    void HelpHowToUse(const Command& cmd);
    void HelpAbout(const Command& cmd);

    // State shown to the user.
    QString statuspanel(int i) const { return panel_[i]->text(); }
    Model& model() { return m_; }
    const Workspace& workspace() const { return ws_; }
    Session& session() { return session_; }
    QString filepath() const { return QString::fromStdString(session_.filepath()); }
    QString filebase() const { return QString::fromStdString(session_.filebase()); }
    bool loaded() const { return session_.loaded(); }
    QMdiArea* mdiarea() const { return mdi_; }
    QList<ReportWindow*> reportwindows() const;
    QPrinter& printer() { return printer_; }
    HelpWindow* helpwindow() const { return help_; }
    // The optimization running in its own thread; nullptr when none runs.
    OptimRun* optimrun() const { return run_.get(); }
    // The evolutionary optimization running in its own thread; nullptr when none runs.
    EvoRun* evorun() const { return evo_.get(); }
    // The optimizer the evolutionary run commands call (runevolution unless replaced).
    void setevolutionrunner(EvoRun::Runner r) { evorunner_ = std::move(r); }
    GlassCatalog& glasscatalog() { return glass_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildmenus();
    // The open child windows at the end of the Window menu, the active one checked.
    void listwindows();
    QMenu* menufor(const QString& path);
    void setstatus(const QString& title, const QString& state);
    void setstate(const QString& state) { panel_[2]->setText(state); }
    void logline(const std::string& line);
    void failcommand(const std::string& err);
    void calcfailed(const Command& cmd);
    std::string startglassdatabase();  // error text, empty on success
    double askentrpupil();

    // The command shells.
    void reportshell(const Command& cmd);
    void inputshell(const Command& cmd);
    void displayshell(const Command& cmd);
    void printshell(const Command& cmd);
    void graphshell(const Command& cmd);
    void connectgraph(GraphWindow* w);
    void optimizershell(const Command& cmd);
    void optimizerended(const Command& cmd);
    void evolutionshell(const Command& cmd);
    void evolutionended(const Command& cmd);
    void runended(const Command& cmd, const RunEnd& end);
    bool running() const { return run_ || evo_; }
    // While an optimizer runs the design is locked: the editors are read-only and the
    // commands refuse, saying why; unlocking makes them editable again.
    void lockdesign(bool locked);
    void undoredo(const Command& cmd, bool undo);
    void terminate(const Command& cmd);

    // File commands.
    std::string openlens(const QString& path);  // error text, empty on success
    bool savecommand();
    bool saveascommand();
    void addrecent(const QString& path);
    void settitle();

    ReportWindow* newreportwindow(const QString& caption);
    void connectprint(ReportWindow* w);
    QMdiSubWindow* showchild(QWidget* w);
    // Stamps a shown result window with the design it was computed from (see WindowStamp);
    // out-of-date windows of the same command close: the new one takes their place.
    void stampwindow(QMdiSubWindow* sub, const Command* cmd, bool follows, const QString& settings = {});
    // After a change of the design: the stamped windows follow or are marked out of date.
    void followdesign();
    template <class Editor, class Make>
    Editor* openeditor(const Command* cmd, Make make);
    gui::SystemEditor* opensystemeditor(const Command* cmd = nullptr);
    bool printtext(const QStringList& lines, const QFont& font);
    HelpWindow* showhelp();
    CalcContext context();

    Model& m_;
    Session session_{m_};
    Workspace ws_;
    Dialogs& dialogs_;
    CommandLog log_;
    QMdiArea* mdi_;
    QLabel* panel_[3];
    std::map<QString, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    QAction* recent_[maxrecent];
    QAction* recentseparator_;
    QPrinter printer_;
    QPointer<HelpWindow> help_;
    GlassCatalog glass_;
    QToolBar* tools_ = nullptr;
    std::vector<QAction*> windowentries_;   // the Window menu's list of open windows
    std::unique_ptr<OptimRun> run_;  // after glass_: the run uses the catalogue until it ends
    std::unique_ptr<EvoRun> evo_;    // the same for an evolutionary run
    EvoRun::Runner evorunner_ = runevolution;
    QPointer<EvoWindow> evowindow_;
    QPointer<QMdiSubWindow> runwindow_;   // the window of the running optimizer
    bool closeafterrun_ = false;     // the program was closed while a run went on
    bool startfailed_ = false;
    bool closed_ = false;
};

// The lines of a text file (line ends removed); empty when it cannot be read.
std::optional<QStringList> filelines(const std::string& path);

// Start text of status panel 0.
inline const char* starthint = "Open lens data file with File->Open";

}  // namespace zefo::gui
