#include "gui/app/mainwindow.h"
#include "gui/editors/grideditor.h"
#include "gui/editors/newgrids.h"
#include "gui/editors/newwizard.h"
#include "gui/editors/rayeditor.h"
#include "gui/editors/systemeditor.h"

#include <QPainter>

#include "gui/editors/glasscatalogue.h"
#include "gui/graphics/graphwindow.h"

#include <QCloseEvent>
#include <QDate>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <algorithm>
#include <exception>
#include <filesystem>
#include <QTableView>

#include "gui/app/helpwindow.h"
#include "gui/app/optimwindow.h"
#include "gui/app/reportwindow.h"
#include "core/import/zmxexport.h"
#include "gui/app/windowstamp.h"
#include "core/import/zmximport.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::gui {

std::optional<QStringList> filelines(const std::string& path) {
    auto content = readtextfile(path);
    if (!content) return std::nullopt;
    QString text = QString::fromLocal8Bit(*content);
    text.remove('\r');
    if (text.endsWith('\n')) text.chop(1);
    if (content->empty()) return QStringList();
    return text.split('\n');
}

namespace {
const char* lensfilter = "Optical system description file (*.dat)";
const char* zmxfilter = "Lens file (*.zmx)";
const char* savequestiontext = "Optical system data is changed. Save changed data?";
const char* runlocktext = "An optimization is running: the lens can be changed again when it has ended";

std::string cannotopenlog(const Workspace& ws) { return "Cannot open the command log " + ws.logpath; }

}  // namespace

ZefoMainForm::ZefoMainForm(Model& m, const Workspace& ws, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_(m), ws_(ws), dialogs_(dialogs) {
    setObjectName("ZefoMainForm");
    setWindowTitle("ZEFO");
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("MdiArea");
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    for (int i = 0; i < 3; ++i) {
        panel_[i] = new QLabel(this);
        panel_[i]->setObjectName(QString("StatusPanel%1").arg(i));
        panel_[i]->setContentsMargins(4, 1, 4, 1);
        panel_[i]->setFrameShape(QFrame::StyledPanel);
        panel_[i]->setFrameShadow(QFrame::Sunken);
    }
    panel_[1]->setMinimumWidth(280);
    panel_[2]->setMinimumWidth(190);
    statusBar()->addPermanentWidget(panel_[0], 1);
    statusBar()->addPermanentWidget(panel_[1]);
    statusBar()->addPermanentWidget(panel_[2]);
    buildmenus();
    // windows follow the design; Undo and Redo name its last steps; a changed label may
    // make optimization variables
    session_.subscribe([this] {
        followdesign();
        updateundo();
        if (!running()) updateenabling();
    });
    resize(1100, 760);

    startstate();
    if (!log_.open(ws_.logpath))
        dialogs_.error(this, QString::fromStdString(cannotopenlog(ws_)));
    logline("Program ZEFO started");
    if (const std::string err = startglassdatabase(); !err.empty()) {
        dialogs_.error(this, QString::fromStdString(
                                 "SQLite database engine must be installed before running this program!\n\n" + err));
        session_.cancel();
        startfailed_ = true;
        return;
    }
    panel_[0]->setText(starthint);
}

// The child windows go first: editors leave the session they follow before it ends.
ZefoMainForm::~ZefoMainForm() {
    for (QMdiSubWindow* sub : mdi_->subWindowList()) delete sub;
}

// Start-up of the glass catalogue: opens glassdir + "sgm.DB", building it from the bundled
// catalogue at the first start. An error text ends the program with the "must be installed" box.
std::string ZefoMainForm::startglassdatabase() {
    try {
        return glass_.open(ws_.glassdir);
    } catch (const std::exception& e) {
        return e.what();
    }
}

void ZefoMainForm::buildmenus() {
    for (const auto& def : menucatalogue()) {
        const QString path = def.path;
        if (path.contains('/')) continue;  // submenus appear with their first entry
        QMenu* menu = menuBar()->addMenu(def.caption);
        menu->setObjectName(path);
        menu->menuAction()->setVisible(false);
        menus_[path] = menu;
    }
    QToolBar* tools = tools_ = addToolBar("Tools");
    tools->setObjectName("ToolBar");
    tools->setMovable(false);
    tools->setIconSize(QSize(20, 20));
    for (const Command& cmd : commandcatalogue()) {
        QMenu* menu = menufor(cmd.menu);
        const QString name = cmd.text.id;
        if (name == "FileExit") {
            menu->addSeparator();
            for (int k = 0; k < maxrecent; ++k) {
                recent_[k] = menu->addAction(QString());
                recent_[k]->setObjectName(QString("Recent%1").arg(k + 1));
                recent_[k]->setVisible(false);
                connect(recent_[k], &QAction::triggered, this, [this, k] { openrecent(k); });
            }
            recentseparator_ = menu->addSeparator();
            recentseparator_->setVisible(false);
        } else if (cmd.separator) {
            menu->addSeparator();
        }
        QAction* a = menu->addAction(cmd.caption);
        a->setObjectName(name);
        if (*cmd.shortcut) a->setShortcut(QKeySequence(cmd.shortcut));
        if (name == "EditRedo") a->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
        if (cmd.icon != QStyle::SP_CustomBase) {
            a->setIcon(style()->standardIcon(cmd.icon));
            a->setToolTip(QString(cmd.caption).remove('&').remove("..."));
            tools->addAction(a);
        }
        connect(a, &QAction::triggered, this, [this, &cmd] { execute(cmd); });
        actions_[name] = a;
    }
    connect(menus_["Window"], &QMenu::aboutToShow, this, [this] { listwindows(); });
}

void ZefoMainForm::listwindows() {
    QMenu* menu = menus_["Window"];
    for (QAction* a : windowentries_) {
        menu->removeAction(a);
        a->deleteLater();
    }
    windowentries_.clear();
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    if (subs.isEmpty()) return;
    windowentries_.push_back(menu->addSeparator());
    for (int i = 0; i < subs.size(); ++i) {
        QMdiSubWindow* sub = subs[i];
        const QString number = i < 9 ? QString("&%1 ").arg(i + 1) : QString("%1 ").arg(i + 1);
        QAction* a = menu->addAction(number + sub->windowTitle());
        a->setObjectName(QString("WindowEntry%1").arg(i + 1));
        a->setCheckable(true);
        a->setChecked(sub == mdi_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub) mdi_->setActiveSubWindow(sub);
        });
        windowentries_.push_back(a);
    }
}

QMenu* ZefoMainForm::menufor(const QString& path) {
    if (auto it = menus_.find(path); it != menus_.end()) {
        it->second->menuAction()->setVisible(true);
        return it->second;
    }
    const int slash = path.lastIndexOf('/');
    QString caption = path.mid(slash + 1);
    for (const auto& def : menucatalogue())
        if (path == def.path) caption = def.caption;
    QMenu* parentmenu = menufor(path.left(slash));
    parentmenu->addSeparator();
    QMenu* menu = parentmenu->addMenu(caption);
    menu->setObjectName(path);
    menus_[path] = menu;
    return menu;
}

QAction* ZefoMainForm::action(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void ZefoMainForm::trigger(const QString& name) {
    if (QAction* a = action(name); a && a->isEnabled()) a->trigger();
}

void ZefoMainForm::setstatus(const QString& title, const QString& state) {
    panel_[1]->setText(title);
    panel_[2]->setText(state);
}

void ZefoMainForm::logline(const std::string& line) {
    if (!log_.isopen()) return;
    if (!log_.writeline(line))
        dialogs_.error(this, QString::fromStdString("Error writing the command log " + ws_.logpath));
}

// A command that could not complete: its error box, "Status: Error" and the text in the log.
void ZefoMainForm::failcommand(const std::string& err) {
    setstate("Status: Error");
    dialogs_.error(this, QString::fromStdString(err));
    logline(err);
}

// A calculation that failed: "Status: Error", the command's error box with the reason
// (errmsg) below its text, and the reason in the log.
void ZefoMainForm::calcfailed(const Command& cmd) {
    const std::string reason = session_.takeerror();
    setstate("Status: Error");
    dialogs_.error(this, cmd.text.errtext, QString::fromStdString(reason));
    logline(reason);
}

// The context of a work; its date is today's as the report headers show it, dd.mm.yyyy.
CalcContext ZefoMainForm::context() {
    return CalcContext{m_, ws_, session_, this, dialogs_,
                       [this](const std::string& line) { logline(line); },
                       [this](const QString& hint) { panel_[0]->setText(hint); },
                       QDate::currentDate().toString("dd.MM.yyyy").toStdString(), glass_};
}

// The telescope's question for the entrance pupil position, asked by the first-order data
// of a command; a text that is not a number counts as 0.
double ZefoMainForm::askentrpupil() {
    const QString answer = dialogs_.inputbox(this, "Paraxial ray trace",
                                             "Enter distance from first surface to enterance pupil", "0");
    return parsetyped(answer.toStdString()).value_or(0.0);
}

void ZefoMainForm::execute(const Command& cmd) {
    // the run works on a copy that replaces the lens at its end: nothing else meanwhile
    if (running()) return panel_[0]->setText(runlocktext);
    panel_[0]->clear();
    if (const std::string notice = refusal(cmd.text, m_); !notice.empty())
        return dialogs_.information(this, QString::fromStdString(notice));
    // The question is asked only while a command runs.
    struct PupilQuestion {
        Model& m;
        ~PupilQuestion() { m.askentrpupil = nullptr; }
    } question{m_};
    m_.askentrpupil = [this] { return askentrpupil(); };
    session_.begincommand(cmd.text.title);   // names the steps the command records
    try {
        switch (cmd.shell) {
            case Shell::Own: (this->*cmd.own)(cmd); break;
            case Shell::Report: reportshell(cmd); break;
            case Shell::Input: inputshell(cmd); break;
            case Shell::Display: displayshell(cmd); break;
            case Shell::Print: printshell(cmd); break;
            case Shell::Graph: graphshell(cmd); break;
            case Shell::Optimizer: optimizershell(cmd); break;
            case Shell::Evolution: evolutionshell(cmd); break;
        }
    } catch (const std::exception& e) {
        session_.takeerror();
        session_.clearcancel();
        failcommand(e.what());
    }
    if (cmd.changesdesign) session_.clearresults();
    // What the command stored in the lens without telling (clear radii a report traced)
    // belongs to the recorded lens: an undo steps back from it.
    if (!running() && session_.loaded()) session_.absorb();
    session_.endcommand();
}

// ---------------------------------------------------------------- enabling rules

void ZefoMainForm::startstate() {
    for (const Command& cmd : commandcatalogue())
        if (QAction* a = action(cmd.text.id)) a->setEnabled(cmd.group == Group::Start);
    updateundo();
}

void ZefoMainForm::updateundo() {
    const DesignHistory& h = session_.history();
    const bool idle = !running();
    if (QAction* a = action("EditUndo")) {
        a->setEnabled(idle && session_.canundo());
        a->setText(h.canundo() ? "&Undo " + QString::fromStdString(h.undotext()) : QString("&Undo"));
    }
    if (QAction* a = action("EditRedo")) {
        a->setEnabled(idle && session_.canredo());
        a->setText(h.canredo() ? "&Redo " + QString::fromStdString(h.redotext()) : QString("&Redo"));
    }
}

void ZefoMainForm::updateenabling() {
    if (!session_.loaded()) return;
    const bool variables = hasoptvariables(m_);
    for (const Command& cmd : commandcatalogue()) {
        QAction* a = action(cmd.text.id);
        if (!a || a->isEnabled()) continue;  // enabled entries stay enabled until Close
        bool on = false;
        switch (cmd.group) {
            case Group::Start: on = true; break;
            case Group::Loaded: on = true; break;
            case Group::Result: on = fileexists(reportpath(ws_, session_.filebase(), cmd.text.ext)); break;
            case Group::Variables:
                on = variables && (!*cmd.datafile || (sysnameerror(m_.lens.sysname).empty() &&
                                                      fileexists(ws_.geneticdir + m_.lens.sysname + cmd.datafile)));
                break;
            case Group::EASave: on = session_.ea().saveable; break;
            case Group::History: break;   // updateundo's
        }
        if (on) a->setEnabled(true);
    }
}

// ---------------------------------------------------------------- command shells

ReportWindow* ZefoMainForm::newreportwindow(const QString& caption) {
    auto* w = new ReportWindow(caption);
    connectprint(w);
    return w;
}

// The Print entry of a report window's context menu prints on the main window's printer.
void ZefoMainForm::connectprint(ReportWindow* w) {
    connect(w, &ReportWindow::printrequested, this, [this](const QStringList& lines, const QFont& font) {
        QString err;
        if (dialogs_.printtext(this, printer_, lines, font, err) && !err.isEmpty()) dialogs_.error(this, err);
    });
}

// The graph windows' Print asks the print dialog, then prints on the main window's printer,
// stretched by the ratio of the resolutions; Save As asks the file, its type and the size.
void ZefoMainForm::connectgraph(GraphWindow* w) {
    connect(w, &GraphWindow::printrequested, this, [this](const QImage& img) {
        if (!dialogs_.printdialog(this, printer_, QString::fromStdString(ws_.graphicsdir))) return;
        QPainter p;
        if (!p.begin(&printer_)) return dialogs_.error(this, "Printing failed");
        const double kx = printscale(printer_.logicalDpiX(), logicalDpiX());
        const double ky = printscale(printer_.logicalDpiY(), logicalDpiY());
        p.drawImage(QRectF(10, 10, kx * img.width(), ky * img.height()), img);
    });
    connect(w, &GraphWindow::saveasrequested, this, [this, w] {
        QSize size = w->canvassize();
        QString path;
        const QString name = QString::fromStdString(m_.lens.sysname) + ".png";
        if (!dialogs_.picturefile(this, QString::fromStdString(ws_.graphicsdir), name, size, path)) return;
        if (QFileInfo::exists(path) && !dialogs_.question(this, "The file " + path + " already exists. Overwrite it?"))
            return;
        const QString err = w->saveas(path, size);
        if (!err.isEmpty()) dialogs_.error(this, err);
    });
}

// Child windows open in cascade, each one step right and down from the one before,
// and never larger than the frame.
QMdiSubWindow* ZefoMainForm::showchild(QWidget* w) {
    const QSize area = mdi_->viewport()->size();
    const int open = static_cast<int>(mdi_->subWindowList().size());
    QMdiSubWindow* sub = mdi_->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // the child's own size inside the subwindow's border and title bar
    const int border = sub->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sub);
    const int title = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    const QSize want = w->size() + QSize(2 * border, title + border);
    sub->resize(want.boundedTo(area));
    const int step = 26;
    const int room = std::max(1, std::min((area.width() - sub->width()) / step, (area.height() - sub->height()) / step) + 1);
    sub->move(QPoint(step, step) * (open % room));
    sub->show();
    mdi_->setActiveSubWindow(sub);
    return sub;
}

void ZefoMainForm::stampwindow(QMdiSubWindow* sub, const Command* cmd, bool follows, const QString& settings) {
    const QString id = cmd ? QString(cmd->text.id) : QString();
    for (QMdiSubWindow* other : mdi_->subWindowList()) {
        const WindowStamp* st = WindowStamp::of(other);
        if (other != sub && st && st->outofdate() && !id.isEmpty() && st->commandid() == id) other->close();
    }
    const bool recalculable = cmd && (cmd->shell == Shell::Report || cmd->shell == Shell::Graph ||
                                      cmd->shell == Shell::Display);
    auto* stamp = new WindowStamp(sub, sub->widget()->windowTitle(), session_.stamp(settings.trimmed().toStdString()),
                                  follows, recalculable, id);
    connect(stamp, &WindowStamp::recalculate, this, [this](const QString& cmdid) { trigger(cmdid); });
}

// Pictures that need no dialog redraw from the new lens; any other window is marked out of
// date. Without a lens (Close) the followers close: there is nothing for them to show.
void ZefoMainForm::followdesign() {
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        WindowStamp* st = WindowStamp::of(sub);
        if (!st) continue;
        if (st->follows() && !session_.loaded()) {
            sub->close();
            continue;
        }
        st->follow(session_);
    }
}

QList<ReportWindow*> ZefoMainForm::reportwindows() const {
    QList<ReportWindow*> out;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (auto* w = qobject_cast<ReportWindow*>(sub->widget())) out << w;
    return out;
}

void ZefoMainForm::terminate(const Command& cmd) {
    session_.clearcancel();
    setstate("Status: Terminated");
    if (*cmd.text.canceltext) dialogs_.information(this, cmd.text.canceltext);
    logline(terminatedline(cmd.text));
}

void ZefoMainForm::reportshell(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    std::unique_ptr<ReportWindow> w(newreportwindow(cmd.text.window));
    CalcContext ctx = context();
    cmd.report(ctx, w->report());
    checkfinite(m_, w->report().numbers());  // a report with "nan" or "inf" is not shown
    if (!*cmd.text.window) w.reset();  // a calculation without a window
    if (session_.failed()) {
        w.reset();
        return calcfailed(cmd);
    }
    if (session_.cancelled()) {
        w.reset();
        terminate(cmd);
        return;
    }
    if (*cmd.text.ext) {
        const std::string err = cmd.wholereport ? w->savereport(ws_, session_.filebase(), cmd.text.ext)
                                                : w->finishreport(ws_, session_.filebase(), cmd.text.ext);
        stampwindow(showchild(w.release()), &cmd, false);
        if (!err.empty()) return failcommand(err);
    } else if (w) {
        w->refresh();
        stampwindow(showchild(w.release()), &cmd, false);
    }
    updateenabling();
    setstate(cmd.text.finishstatus);
    if (*cmd.text.donetext) dialogs_.information(this, cmd.text.donetext);
    logline(finishedline(cmd.text));
}

void ZefoMainForm::inputshell(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Input");
    logline(startline(cmd.text));
    CalcContext ctx = context();
    cmd.input(ctx);
    panel_[0]->clear();
    if (cmd.refresh) updateenabling();  // a data set loaded before the dialog counts, also on Cancel
    if (session_.failed()) {
        calcfailed(cmd);
    } else if (session_.cancelled()) {
        terminate(cmd);
    } else {
        setstate(cmd.text.finishstatus);
        logline(finishedline(cmd.text));
    }
}

void ZefoMainForm::displayshell(const Command& cmd) {
    if (!fileexists(reportpath(ws_, session_.filebase(), cmd.text.ext))) return;
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    ReportWindow* w = newreportwindow(cmd.text.window);
    w->showreport(ws_, session_.filebase(), cmd.text.ext);
    stampwindow(showchild(w), &cmd, false);
    setstate(cmd.text.finishstatus);
    logline(finishedline(cmd.text));
}

bool ZefoMainForm::printtext(const QStringList& lines, const QFont& font) {
    QString err;
    if (!dialogs_.printtext(this, printer_, lines, font, err)) return false;
    if (!err.isEmpty()) throw std::runtime_error(err.toStdString());
    return true;
}

// Prints the stored report file, or the lines that the command's work fills.
void ZefoMainForm::printshell(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    std::optional<QStringList> lines;
    if (cmd.report) {
        Report r;
        CalcContext ctx = context();
        cmd.report(ctx, r);
        checkfinite(m_, r.numbers());
        if (session_.failed()) return calcfailed(cmd);
        lines.emplace();
        for (const auto& l : r.lines()) lines->append(QString::fromStdString(l));
    } else {
        const std::string path = reportpath(ws_, session_.filebase(), cmd.text.ext);
        lines = filelines(path);
        if (!lines) return failcommand(cannotopenmsg(path));
    }
    if (!printtext(*lines, reportfont())) return terminate(cmd);
    setstate(cmd.text.finishstatus);
    logline(finishedline(cmd.text));
}

void ZefoMainForm::graphshell(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    CalcContext ctx = context();
    auto failed = [&] {
        if (cmd.valid) session_.clearresults();
        calcfailed(cmd);
    };
    if (cmd.valid && !session_.valid(cmd.valid)) {
        cmd.prepare(ctx);
        if (session_.failed()) return failed();
        if (session_.cancelled()) {
            session_.clearresults();
            return terminate(cmd);
        }
        session_.setvalid(cmd.valid);
    }
    WavelengthChoice choice;
    if (cmd.chooser == Chooser::Always || (cmd.chooser == Chooser::UnlessMono && !m_.mono)) {
        choice = dialogs_.wavelength(this, m_);
        if (choice.chosenwl == 0) return terminate(cmd);
    } else if (cmd.chooser == Chooser::UnlessMono) {
        choice = {1, ""};
    }
    std::unique_ptr<QWidget> g(cmd.graph(ctx, choice));
    if (session_.failed() || !g) {
        if (!session_.failed()) session_.fail(calcerrortext);
        return failed();
    }
    g->setWindowTitle(cmd.text.window);
    if (auto* gw = qobject_cast<GraphWindow*>(g.get())) connectgraph(gw);
    // the system drawing and the fans need no dialog: they follow the lens
    stampwindow(showchild(g.release()), &cmd, !cmd.valid, QString::fromStdString(choice.label));
    updateenabling();
    setstate(cmd.text.finishstatus);
    logline(finishedline(cmd.text));
}

// An optimizer: its window shows the memo while the run goes on in a thread of its own on a
// copy of the model; menus and tool bar wait meanwhile, the windows stay usable and Esc in
// the optimizer's window stops the run. At the end the system the run left (the last applied
// state after Esc or an error) becomes the current one.
void ZefoMainForm::optimizershell(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    CalcContext ctx = context();
    auto* w = new OptimWindow(cmd.text.window);
    connectprint(w);
    runwindow_ = showchild(w);
    stampwindow(runwindow_, nullptr, false);
    w->setFocus();
    run_ = std::make_unique<OptimRun>(m_, cmd.optim(ctx));
    connect(run_.get(), &OptimRun::line, w, &OptimWindow::addrunline);
    connect(run_.get(), &OptimRun::status, this, [this](const QString& text) { setstate(text); });
    connect(w, &OptimWindow::stopasked, run_.get(), &OptimRun::cancel);
    connect(run_.get(), &OptimRun::finished, this, [this, &cmd] { optimizerended(cmd); });
    lockdesign(true);
    run_->start();
}

void ZefoMainForm::optimizerended(const Command& cmd) {
    std::unique_ptr<OptimRun> run = std::move(run_);
    const RunEnd end = run->end();
    m_ = std::move(run->result());
    run.release()->deleteLater();  // it is the sender of the signal being handled
    runended(cmd, end);
}

// An evolutionary optimizer: as an optimizer, on the session's parameter set (loaded first
// unless completed since the last run; a set of another kind is refused before anything
// runs), its window showing the memo and four status panels every 50 ms.
void ZefoMainForm::evolutionshell(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    EAState& ea = session_.ea();
    std::string datafile;
    if (auto e = namedfilepath(ws_.geneticdir, m_.lens.sysname, eaextension(eaparamkind(cmd.eakind)), datafile);
        !e.empty())
        return failcommand(e);
    if (const std::string err = eabeforerun(ea, cmd.eakind, datafile); !err.empty()) return failcommand(err);
    EASetup setup;
    setup.catalog = &glass_;
    setup.ws = &ws_;
    setup.filebase = session_.filebase();
    setup.head = context().head();
    setup.threads = QThread::idealThreadCount() >= 2 ? 2 : 1;  // the same results with one thread
    auto* w = new EvoWindow(cmd.text.window, evopanelwidths(cmd.eakind));
    evowindow_ = w;
    connectprint(w);
    runwindow_ = showchild(w);
    stampwindow(runwindow_, nullptr, false);
    w->setFocus();
    evo_ = std::make_unique<EvoRun>(m_, cmd.eakind, ea.p, setup, evorunner_);
    connect(evo_.get(), &EvoRun::lines, w, &EvoWindow::addrunlines);
    connect(evo_.get(), &EvoRun::status, w, &EvoWindow::setpanel);
    connect(w, &OptimWindow::stopasked, evo_.get(), &EvoRun::cancel);
    connect(evo_.get(), &EvoRun::finished, this, [this, &cmd] { evolutionended(cmd); });
    lockdesign(true);
    evo_->start();
}

void ZefoMainForm::evolutionended(const Command& cmd) {
    std::unique_ptr<EvoRun> run = std::move(evo_);
    const EAOutcome o = run->outcome();
    m_ = std::move(run->result());
    run.release()->deleteLater();  // it is the sender of the signal being handled
    eaafterrun(session_.ea(), cmd.eakind, o);
    RunEnd end;
    if (o.status == EAOutcome::Status::error) end = {RunEnd::Failed, o.errmsg};
    else if (o.status == EAOutcome::Status::cancelled) end = {RunEnd::Cancelled, {}};
    if (evowindow_) {
        if (end.status == RunEnd::Failed) evowindow_->parentWidget()->close();  // an error closes the window
        else evowindow_->showscrollbars();
    }
    runended(cmd, end);
}

// The end of any optimizer's run: the menus come back, the system the run left becomes the
// current one through the design-change path (a step of the history named by the command).
void ZefoMainForm::runended(const Command& cmd, const RunEnd& end) {
    lockdesign(false);
    session_.designchanged(cmd.text.title);
    if (WindowStamp* st = WindowStamp::of(runwindow_)) st->restamp(session_.stamp());   // it shows how this lens came
    updateenabling();
    if (end.status == RunEnd::Failed) {
        if (!session_.failed()) session_.fail(end.errmsg);
        calcfailed(cmd);
    } else if (end.status == RunEnd::Cancelled) {
        terminate(cmd);
    } else {
        session_.takeerror();
        setstate(cmd.text.finishstatus);
        logline(finishedline(cmd.text));
    }
    if (closeafterrun_) close();
}

void ZefoMainForm::lockdesign(bool locked) {
    menuBar()->setEnabled(!locked);
    tools_->setEnabled(!locked);
    if (locked) session_.lock(runlocktext);
    else session_.unlock();
    const QString reason = locked ? QString(runlocktext) : QString();
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (auto* e = qobject_cast<GridEditor*>(sub->widget())) e->setreadonly(reason);
    updateundo();
}

// ---------------------------------------------------------------- undo and redo

void ZefoMainForm::EditUndo(const Command& cmd) { undoredo(cmd, true); }
void ZefoMainForm::EditRedo(const Command& cmd) { undoredo(cmd, false); }

// Undo and Redo are changes of the design like any other: the windows follow, the
// enabling rules are re-checked; the log names the step.
void ZefoMainForm::undoredo(const Command& cmd, bool undo) {
    setstatus(cmd.text.title, "Status: Running");
    const std::string text = undo ? session_.undo() : session_.redo();
    if (text.empty()) return setstate("Status: Terminated");
    logline(startline(cmd.text) + " " + text);
    updateenabling();
    setstate("Status: Finished");
}

// ---------------------------------------------------------------- file commands

void ZefoMainForm::settitle() { setWindowTitle("ZEFO - " + filebase()); }

bool ZefoMainForm::savequestion() {
    if (!session_.datachanged()) return true;
    const std::optional<bool> yes = dialogs_.questioncancel(this, savequestiontext);
    if (!yes) return false;   // Cancel: the command is abandoned
    return !*yes || savecommand();
}

std::string ZefoMainForm::openlens(const QString& path) {
    const std::string err = loadlensfile(path.toStdString(), m_);
    if (!err.empty()) return err;
    session_.opened(path.toStdString());
    settitle();
    updateenabling();
    return {};
}

void ZefoMainForm::addrecent(const QString& path) {
    for (int k = maxrecent - 1; k > 0; --k) {
        if (!recent_[k - 1]->isVisible()) continue;
        recent_[k]->setText(QString("&%1 ").arg(k + 1) + recent_[k - 1]->text().mid(3));
        recent_[k]->setVisible(true);
    }
    recent_[0]->setText("&1 " + path);
    recent_[0]->setVisible(true);
    recentseparator_->setVisible(true);
}

void ZefoMainForm::FileOpen(const Command& cmd) {
    if (!savequestion()) return;
    setstatus(cmd.text.title, "Status: Input");
    logline(startline(cmd.text));
    const QString path = dialogs_.openfilename(this, "Open", QString::fromStdString(ws_.datdir), lensfilter);
    if (path.isEmpty()) return terminate(cmd);
    if (const std::string err = openlens(path); !err.empty()) return failcommand(err);
    addrecent(path);
    session_.ea().saveable = false;  // Open leaves EA Save disabled until a set is loaded or completed
    if (QAction* a = action("EaSave")) a->setEnabled(false);
    setstate("Status: Finished");
    logline(finishedline(cmd.text));
}

// A .zmx file becomes the design, unsaved; its notices open in a report window.
void ZefoMainForm::FileImport(const Command& cmd) {
    if (!savequestion()) return;
    setstatus(cmd.text.title, "Status: Input");
    logline(startline(cmd.text));
    const QString path = dialogs_.openfilename(this, "Import", QString::fromStdString(ws_.datdir), zmxfilter);
    if (path.isEmpty()) return terminate(cmd);
    const ZmxFile file = readzmxfile(path.toStdString());
    if (!file.error.empty()) return failcommand(file.error);
    const std::string name = QFileInfo(path).completeBaseName().toStdString();
    const ZmxImport r = importzmx(m_, file.bytes, name, glass_);
    if (!r.error.empty()) return failcommand(path.toStdString() + ": " + r.error);
    session_.imported(m_.lens.sysname);
    settitle();
    updateenabling();
    ReportWindow* w = newreportwindow(cmd.text.window);
    w->addline("Imported " + path.toStdString() + " as " + m_.lens.sysname + " (not saved yet)");
    for (const auto& n : r.notices) w->addline(n);
    if (r.notices.empty()) w->addline("No notices");
    stampwindow(showchild(w), nullptr, false);
    setstate("Status: Finished");
    logline(finishedline(cmd.text));
}

// File > Export > .zmx: the lens as a .zmx file, written whole; its notices in a report window.
void ZefoMainForm::FileExportZmx(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Input");
    logline(startline(cmd.text));
    const QString suggested = QString::fromStdString(ws_.datdir + m_.lens.sysname + ".zmx");
    const QString path = dialogs_.savefilename(this, "Export", suggested, zmxfilter);
    if (path.isEmpty()) return terminate(cmd);
    std::vector<std::string> notices;
    if (const std::string e = savezmx(path.toStdString(), m_.lens, glass_, &notices); !e.empty())
        return failcommand(path.toStdString() + ": " + e);
    ReportWindow* w = newreportwindow(cmd.text.window);
    w->addline("Exported " + m_.lens.sysname + " as " + path.toStdString());
    for (const auto& n : notices) w->addline(n);
    showchild(w);
    setstate("Status: Finished");
    logline(finishedline(cmd.text));
}

// New: Close, the wizard, the surface grid, then the first computations write the new lens
// once; it becomes the current file as after Open.
void ZefoMainForm::FileNew(const Command& cmd) {
    if (!savequestion()) return;
    setstatus(cmd.text.title, "Status: Input");
    logline(startline(cmd.text));
    // The open design stays until the new one is made: a cancel puts it back as it was.
    Model before = m_;
    m_.lens.sysname.clear();   // the wizard starts without a name, as after Close
    auto cancelled = [this, &before, &cmd] {
        m_ = std::move(before);
        terminate(cmd);
    };
    // the wizard accepts only a valid system name, so the path stays in datdir
    const auto path = [this] {
        std::string p;
        namedfilepath(ws_.datdir, m_.lens.sysname, ".dat", p);
        return p;
    };
    auto execute = [this](QDialog& d) { return dialogs_.execdialog(d); };
    auto showerror = [this](const QString& msg) { dialogs_.error(this, msg); };
    NewWizard wizard(m_, this);
    wizard.rundialog = execute;
    wizard.showerror = showerror;
    wizard.changename = [this](const std::string& name) {
        return !name.empty() && std::filesystem::exists(ws_.datdir + name + ".dat") &&
               dialogs_.question(this, "File exists! Do you want to change name for new optical system");
    };
    if (execute(wizard) != QDialog::Accepted) return cancelled();
    SurfaceGridDialog grid(m_, cataloglookup(glass_), this);
    grid.rundialog = execute;
    grid.showerror = showerror;
    connect(grid.grid()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, &grid] { panel_[0]->setText(grid.statustext()); });
    const int result = execute(grid);
    panel_[0]->clear();
    if (result != QDialog::Accepted) return cancelled();
    // Close the old design, keeping what the wizard made.
    Model made = m_;
    startstate();
    session_.closed();
    m_ = std::move(made);
    if (const std::string err = newsystemfinish(m_, path()); !err.empty()) {
        if (!session_.failed()) session_.fail(err);
        return calcfailed(cmd);
    }
    dialogs_.information(this, cmd.text.donetext);
    logline(finishedline(cmd.text));
    session_.opened(path());
    settitle();
    updateenabling();
    setstate("Status: Finished");
}

void ZefoMainForm::openrecent(int k) {
    if (running()) return;
    panel_[0]->clear();
    if (!recent_[k]->isVisible() || !savequestion()) return;
    std::string err;
    try {
        err = openlens(recent_[k]->text().mid(3));
    } catch (const std::exception& e) {
        err = e.what();
    }
    if (!err.empty()) dialogs_.error(this, QString::fromStdString(err));
}

bool ZefoMainForm::savecommand() {
    const CommandText& t = commandtext("FileSave");
    setstatus(t.title, "Status: Input");
    logline(startline(t));
    if (session_.filepath().empty()) return saveascommand();
    const std::string err = savelensfile(session_.filepath(), m_.lens);
    if (!err.empty()) {
        failcommand(err);
        return false;
    }
    session_.saved();
    setstate("Status: Finished");
    logline(finishedline(t));
    return true;
}

bool ZefoMainForm::saveascommand() {
    const CommandText& t = commandtext("FileSaveAs");
    setstatus(t.title, "Status: Input");
    logline(startline(t));
    const QString path =
        dialogs_.savefilename(this, "Save As", QString::fromStdString(ws_.datdir), lensfilter);
    if (path.isEmpty()) {
        setstate("Status: Terminated");
        logline(terminatedline(t));
        return false;
    }
    const std::string err = savelensfile(path.toStdString(), m_.lens);
    if (!err.empty()) {
        failcommand(err);
        return false;
    }
    session_.savedas(path.toStdString());
    settitle();
    updateenabling();
    setstate("Status: Finished");
    logline(finishedline(t));
    return true;
}

void ZefoMainForm::FileSave(const Command&) { savecommand(); }
void ZefoMainForm::FileSaveAs(const Command&) { saveascommand(); }

void ZefoMainForm::FileClose(const Command&) {
    if (!savequestion()) return;
    startstate();
    session_.closed();
}

void ZefoMainForm::FileExit(const Command&) { close(); }

// One editor of a kind at a time: the command brings an open one to the front. The
// command's shell: its title, "Status: Input" and its log line (no finished line: the
// editor stays open).
template <class Editor, class Make>
Editor* ZefoMainForm::openeditor(const Command* cmd, Make make) {
    if (cmd) {
        setstatus(cmd->text.title, "Status: Input");
        logline(startline(cmd->text));
    }
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (auto* w = qobject_cast<Editor*>(sub->widget())) {
            mdi_->setActiveSubWindow(sub);
            panel_[0]->setText(w->hint());
            return w;
        }
    Editor* editor = make();
    editor->log = [this](const std::string& line) { logline(line); };
    connect(editor, &Editor::hintchanged, this, [this](const QString& h) { panel_[0]->setText(h); });
    connect(editor, &QObject::destroyed, this, [this] { panel_[0]->clear(); });
    showchild(editor);
    panel_[0]->setText(editor->hint());
    return editor;
}

gui::SystemEditor* ZefoMainForm::opensystemeditor(const Command* cmd) {
    return openeditor<gui::SystemEditor>(cmd, [this] {
        auto* e = new gui::SystemEditor(m_, session_, cataloglookup(glass_));
        e->setglassnames(glass_.glassnames());
        return e;
    });
}

void ZefoMainForm::EditSystem(const Command& cmd) { opensystemeditor(&cmd); }

// The catalogue's "Use" places the glass through the System Editor, opened when needed; the
// catalogue stays in front.
void ZefoMainForm::EditGlassCatalogue(const Command& cmd) {
    openeditor<gui::GlassCatalogueWindow>(&cmd, [this] {
        auto* w = new gui::GlassCatalogueWindow(m_, session_, glass_);
        connect(w, &gui::GlassCatalogueWindow::useglass, this, [this, w](const QString& name) {
            QMdiSubWindow* back = mdi_->activeSubWindow();
            if (!opensystemeditor()->placeglass(name)) return;
            if (back && back->widget() == w) mdi_->setActiveSubWindow(back);
        });
        return w;
    });
}

void ZefoMainForm::EditRays(const Command& cmd) {
    openeditor<gui::RayEditor>(&cmd, [this] { return new gui::RayEditor(m_, session_); });
}

void ZefoMainForm::closeEvent(QCloseEvent* e) {
    if (running()) {  // the run stops first; the window closes when it has ended
        closeafterrun_ = true;
        if (run_) run_->cancel();
        if (evo_) evo_->cancel();
        return e->ignore();
    }
    if (!closed_) {
        if (!savequestion()) return e->ignore();
        logline("Program ZEFO closed");
        log_.close();
        closed_ = true;
        if (help_) help_->close();
    }
    e->accept();
}

// ---------------------------------------------------------------- printer and log

void ZefoMainForm::PrinterSetup(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Input");
    logline(startline(cmd.text));
    dialogs_.printersetup(this, printer_);
    setstate("Status: Finished");
}

void ZefoMainForm::DisplayLogFile(const Command& cmd) {
    if (!fileexists(ws_.logpath)) return;
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    log_.close();
    ReportWindow* w = newreportwindow(cmd.text.window);
    w->showfile(ws_.logpath);
    showchild(w);
    if (!log_.open(ws_.logpath))
        return failcommand(cannotopenlog(ws_));
    setstate("Status: Finished");
    logline(finishedline(cmd.text));
}

void ZefoMainForm::PrintLogFile(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    logline(startline(cmd.text));
    log_.close();
    const QStringList lines = filelines(ws_.logpath).value_or(QStringList());
    bool printed = false;
    std::string err;
    try {
        printed = printtext(lines, reportfont());
    } catch (const std::exception& e) {
        err = e.what();
    }
    const bool reopened = log_.open(ws_.logpath);
    if (!err.empty()) return failcommand(err);
    if (!reopened) return failcommand(cannotopenlog(ws_));
    if (!printed) return terminate(cmd);
    setstate("Status: Finished");
    logline(finishedline(cmd.text));
}

// ---------------------------------------------------------------- window and help

void ZefoMainForm::WindowTile(const Command&) { mdi_->tileSubWindows(); }
void ZefoMainForm::WindowCloseAll(const Command&) { mdi_->closeAllSubWindows(); }
void ZefoMainForm::WindowCascade(const Command&) { mdi_->cascadeSubWindows(); }

// Lines up the minimized child windows along the bottom of the frame.
void ZefoMainForm::WindowArrange(const Command&) {
    int x = 0;
    const int bottom = mdi_->viewport()->height();
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->isMinimized()) continue;
        sub->move(x, bottom - sub->height());
        x += sub->width();
    }
}

HelpWindow* ZefoMainForm::showhelp() {
    if (!help_) help_ = new HelpWindow(this);
    help_->show();
    help_->raise();
    help_->activateWindow();
    return help_;
}

void ZefoMainForm::HelpContents(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    showhelp()->showcontents();
    setstate("Status: Finished");
}

void ZefoMainForm::HelpSearch(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    showhelp()->showsearch(QString());
    setstate("Status: Finished");
}

void ZefoMainForm::HelpHowToUse(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Running");
    showhelp()->showhowtouse();
    setstate("Status: Finished");
}

void ZefoMainForm::HelpAbout(const Command& cmd) {
    setstatus(cmd.text.title, "Status: Execute");
    logline(startline(cmd.text));
    dialogs_.about(this);
    setstate("Status: Finished");
}

}  // namespace zefo::gui
