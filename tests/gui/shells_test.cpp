// The command shells: calculations with report windows, input dialogs, stored reports,
// printing, the log commands, graphs, help and About.
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QTextBrowser>
#include <cmath>
#include <stdexcept>

#include "gui/app/helpwindow.h"
#include "gui/app/reportwindow.h"
#include "guitest.h"
#include "core/util/numfmt.h"

namespace zefo::gui::test {

namespace {

// A calculation with a report file, as the calculation commands are built.
Command calccommand(ReportWork work) {
    return Command{.text = {.id = "TestRayTrace", .title = "Ray trace", .window = "Ray Trace", .ext = ".rez",
                            .errtext = "Error in calculation!",
                            .canceltext = "Calculation of single ray trace terminated by user!"},
                   .menu = "Ray Trace", .caption = "&Ray Trace", .shell = Shell::Report, .report = std::move(work)};
}

QStringList windowlines(ReportWindow* w) { return w->DSMemo->toPlainText().split('\n'); }

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void calculationwritesreportandwindow();
    void calculationrunstwiceoverwrites();
    void failingcalculationclosesitswindow();
    void reportwithnumberthatisnotfinite();
    void cancelledcalculation();
    void throwingcalculationisanerror();
    void errorboxshowsthereason_data();
    void errorboxshowsthereason();
    void windowonlyreport();
    void displaystoredreport();
    void displaymissingreportdoesnothing();
    void printstoredreport();
    void printcancelled();
    void displaylogfile();
    void displaymissinglogdoesnothing();
    void printlogfile();
    void inputshell_data();
    void inputshell();
    void graphshell();
    void graphshellmonoandcancel();
    void printersetup();
    void helpandabout();
    void windowmenuarranges();
};

void ShellTest::calculationwritesreportandwindow() {
    Session s;
    s.open(s.lens());
    QVERIFY(!s.enabled("DisplayRayTrace"));
    const int before = s.log().size();
    s.form->execute(calccommand([](CalcContext& c, Report& r) {
        r.addline("System " + c.m.lens.sysname);
        r.addline("  surfaces " + std::to_string(c.m.lens.nsurf));
    }));
    QCOMPARE(s.logsince(before), (QStringList{"Ray trace", "Ray trace - Finished"}));
    QCOMPARE(s.form->statuspanel(1), QString("Ray trace"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QCOMPARE(Session::bytes(QString::fromStdString(s.ws.abrdir) + "lens1.rez"),
             QByteArray("System LENS1\n  surfaces 2\n \nMeasurement units are mm\n"));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Ray Trace"));
    QCOMPARE(windowlines(windows[0]), (QStringList{"System LENS1", "  surfaces 2", " ",
                                                   "Measurement units are mm", " ", "End of displayed data"}));
    QCOMPARE(windows[0]->DSMemo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(windows[0]->DSMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(windows[0]->DSMemo->isReadOnly());
    QCOMPARE(windows[0]->DSMemo->lineWrapMode(), QPlainTextEdit::NoWrap);
    // The new report file enables its display and print entries.
    QVERIFY(s.enabled("DisplayRayTrace"));
    QVERIFY(s.enabled("PrintRayTrace"));
    QVERIFY(!s.enabled("DisplayAberrations"));
}

void ShellTest::calculationrunstwiceoverwrites() {
    Session s;
    s.open(s.lens());
    for (const char* text : {"first run", "second"})
        s.form->execute(calccommand([text](CalcContext&, Report& r) { r.addline(text); }));
    QCOMPARE(Session::textlines(QString::fromStdString(s.ws.abrdir) + "lens1.rez"),
             (QStringList{"second", " ", "Measurement units are mm"}));
    QCOMPARE(windowlines(s.form->reportwindows().last()).first(), QString("second"));
}

void ShellTest::failingcalculationclosesitswindow() {
    Session s;
    s.open(s.lens());
    const int before = s.log().size();
    s.form->execute(calccommand([](CalcContext& c, Report& r) {
        r.addline("half a report");
        fail(c.m, "Ray 3 misses surface 2");
        fail(c.m, "a later failure");
    }));
    QVERIFY(s.form->reportwindows().isEmpty());
    QCOMPARE(s.dialogs.errors, QStringList{"Error in calculation!"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.logsince(before), (QStringList{"Ray trace", "Ray 3 misses surface 2"}));
    QVERIFY(!s.m.calcerror);
    QVERIFY(!QFile::exists(QString::fromStdString(s.ws.abrdir) + "lens1.rez"));
    QVERIFY(!s.enabled("DisplayRayTrace"));
    // The next calculation starts clean.
    s.form->execute(calccommand([](CalcContext&, Report& r) { r.addline("ok"); }));
    QCOMPARE(s.log().last(), QString("Ray trace - Finished"));
}

// A report that got "nan" or "inf" is neither shown, nor saved, nor printed: the command
// fails like a calculation error and an older report file stays.
void ShellTest::reportwithnumberthatisnotfinite() {
    Session s;
    s.open(s.lens());
    s.form->execute(calccommand([](CalcContext&, Report& r) { r.addline("good"); }));
    const auto nanreport = [](CalcContext&, Report& r) {
        r.addline("efl =" + fmtf(std::nan(""), 10, 4));
        r.addline("bfl =" + fmtf(42.0, 10, 4));
    };
    int before = s.log().size();
    s.form->execute(calccommand(nanreport));
    QCOMPARE(s.form->reportwindows().size(), 1);  // the good report's window only
    QCOMPARE(s.dialogs.errors, QStringList{"Error in calculation!"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.logsince(before), (QStringList{"Ray trace", "A result is not a finite number"}));
    QVERIFY(!s.m.calcerror);
    QCOMPARE(Session::textlines(QString::fromStdString(s.ws.abrdir) + "lens1.rez"),
             (QStringList{"good", " ", "Measurement units are mm"}));

    // a window-only report and a printed one likewise
    Command window = calccommand(nanreport);
    window.text.ext = "";
    s.form->execute(window);
    QCOMPARE(s.form->reportwindows().size(), 1);
    Command print{.text = {.id = "TestPrint", .title = "Print optical system"}, .menu = "File/Print",
                  .caption = "&Optical System", .shell = Shell::Print, .report = nanreport};
    before = s.log().size();
    s.form->execute(print);
    QVERIFY(s.dialogs.printed.isEmpty());
    QCOMPARE(s.dialogs.errors.size(), 3);
    QCOMPARE(s.logsince(before), (QStringList{"Print optical system", "A result is not a finite number"}));
}

void ShellTest::cancelledcalculation() {
    Session s;
    s.open(s.lens());
    const int before = s.log().size();
    s.form->execute(calccommand([](CalcContext& c, Report&) { c.session.cancel(); }));
    QVERIFY(s.form->reportwindows().isEmpty());
    QCOMPARE(s.dialogs.notices, QStringList{"Calculation of single ray trace terminated by user!"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QCOMPARE(s.logsince(before), (QStringList{"Ray trace", "Ray trace - Terminated by user"}));
    QVERIFY(!s.form->session().cancelled());
}

void ShellTest::throwingcalculationisanerror() {
    Session s;
    s.open(s.lens());
    s.form->execute(calccommand([](CalcContext&, Report&) -> void { throw std::runtime_error("out of memory"); }));
    QCOMPARE(s.dialogs.errors, QStringList{"out of memory"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.log().last(), QString("out of memory"));
    QVERIFY(s.form->reportwindows().isEmpty());
}

// Every shell that runs a calculation shows the command's own error text with the reason
// of the failure below it, logs the reason and starts the next command clean.
void ShellTest::errorboxshowsthereason_data() {
    QTest::addColumn<int>("shell");
    QTest::addColumn<QString>("errtext");
    QTest::newRow("report window") << int(Shell::Report) << "Error in calculation of aberrations!";
    QTest::newRow("input dialog") << int(Shell::Input) << "Error in calculation!";
    QTest::newRow("direct printing") << int(Shell::Print) << "Error in calculation!";
    QTest::newRow("graph") << int(Shell::Graph) << "Error in calculation of Diffraction MTF!";
    QTest::newRow("graph, result to prepare") << int(Shell::Graph) + 100 << "Error in calculation!";
}

void ShellTest::errorboxshowsthereason() {
    QFETCH(int, shell);
    QFETCH(QString, errtext);
    const std::string reason = "Error in ssetq - index of refraction must be different from zero";
    const QByteArray text = errtext.toUtf8();
    auto failing = [&](CalcContext& c) {
        fail(c.m, reason);
        fail(c.m, "a later failure");
    };
    Command cmd{.text = {.id = "TestFailing", .title = "Failing command", .window = "Failing", .ext = ".abr",
                         .errtext = text.constData()},
                .menu = "Ray Trace", .caption = "&Failing", .shell = Shell(shell % 100),
                .report = [&](CalcContext& c, Report& r) {
                    r.addline("half a report");
                    failing(c);
                },
                .input = failing,
                .graph = [&](CalcContext& c, const WavelengthChoice&) -> QWidget* {
                    failing(c);
                    return new QWidget;
                }};
    if (shell >= 100) {
        cmd.valid = iqspot;
        cmd.prepare = failing;
    }
    Session s;
    s.open(s.lens());
    const int before = s.log().size();
    const int windows = s.form->mdiarea()->subWindowList().size();
    s.form->execute(cmd);
    QCOMPARE(s.dialogs.errors, QStringList{errtext});
    QCOMPARE(s.dialogs.reasons, QStringList{QString::fromStdString(reason)});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.logsince(before), (QStringList{"Failing command", QString::fromStdString(reason)}));
    QCOMPARE(s.form->mdiarea()->subWindowList().size(), windows);
    QVERIFY(!s.m.calcerror && s.m.errmsg.empty());
    QCOMPARE(s.dialogs.prints, 0);
    // The next failure shows its own reason, not the first one's.
    cmd.text.errtext = "Error in calculation!";
    const std::string second = "Error in ray transfer to spherical surface";
    cmd.report = [&](CalcContext& c, Report&) { fail(c.m, second); };
    cmd.input = cmd.prepare = [&](CalcContext& c) { fail(c.m, second); };
    cmd.graph = [&](CalcContext& c, const WavelengthChoice&) -> QWidget* {
        fail(c.m, second);
        return nullptr;
    };
    s.form->execute(cmd);
    QCOMPARE(s.dialogs.reasons.last(), QString::fromStdString(second));
}

// Reports without a file stay in their window; special finish texts are used as given.
void ShellTest::windowonlyreport() {
    Session s;
    s.open(s.lens());
    const Command cmd{.text = {.id = "TestWeights", .title = "Aberration weights for the optimization",
                               .logtext = "Calculate the aberration weights for the optimization",
                               .finished = "Optimization weights - Finished",
                               .window = "Aberration weights for the optimization",
                               .finishstatus = "Status: Optimization weights - Finished"},
                      .menu = "Optimization", .caption = "&Optimization Weights", .shell = Shell::Report,
                      .report = [](CalcContext&, Report& r) { r.addline("weights"); }};
    const int before = s.log().size();
    s.form->execute(cmd);
    QCOMPARE(s.logsince(before), (QStringList{"Calculate the aberration weights for the optimization",
                                              "Optimization weights - Finished"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Optimization weights - Finished"));
    QCOMPARE(windowlines(s.form->reportwindows().first()), QStringList{"weights"});
    QCOMPARE(QDir(QString::fromStdString(s.ws.optimdir)).entryList(QDir::Files).size(), 0);
}

void ShellTest::displaystoredreport() {
    Session s;
    const QString path = QString::fromStdString(s.ws.spotmtfdir) + "lens1.gtf";
    Session::write(path, "MTF table\r\n  0.5  0.25\r\n \r\nMeasurement units are mm\r\n");
    s.open(s.lens());
    const int before = s.log().size();
    s.form->trigger("DisplayGeometricalMtf");
    QCOMPARE(s.logsince(before),
             (QStringList{"Display geometrical MTF data", "Display geometrical MTF data - Finished"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Modulation Transfer Function"));
    QCOMPARE(windowlines(windows[0]), (QStringList{"MTF table", "  0.5  0.25", " ", "Measurement units are mm",
                                                   " ", "End of displayed data"}));
}

void ShellTest::displaymissingreportdoesnothing() {
    Session s;
    Session::write(QString::fromStdString(s.ws.abrdir) + "lens1.sei", "S\n");
    s.open(s.lens());
    QVERIFY(s.enabled("DisplaySeidelCoefficients"));
    QFile::remove(QString::fromStdString(s.ws.abrdir) + "lens1.sei");
    const int before = s.log().size();
    s.form->trigger("DisplaySeidelCoefficients");
    QVERIFY(s.logsince(before).isEmpty());
    QVERIFY(s.form->reportwindows().isEmpty());
    QCOMPARE(s.form->statuspanel(1), QString("Open optical system"));
}

void ShellTest::printstoredreport() {
    Session s;
    Session::write(QString::fromStdString(s.ws.optimdir) + "lens1.esk", "KORR\n  step 1\n");
    s.open(s.lens());
    const int before = s.log().size();
    s.form->trigger("PrintEsKorrOptimization");
    QCOMPARE(s.logsince(before), (QStringList{"Print ES KORR optimization", "Print ES KORR optimization - Finished"}));
    QCOMPARE(s.dialogs.printed, (QStringList{"KORR", "  step 1"}));
    QVERIFY(QFontInfo(s.dialogs.printfont).fixedPitch());
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
}

void ShellTest::printcancelled() {
    Session s;
    Session::write(QString::fromStdString(s.ws.abrdir) + "lens1.abr", "A\n");
    s.open(s.lens());
    s.dialogs.cancelprint = true;
    const int before = s.log().size();
    s.form->trigger("PrintAberrations");
    QCOMPARE(s.logsince(before), (QStringList{"Print aberrations", "Print aberrations - Terminated by user"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
}

void ShellTest::displaylogfile() {
    Session s;
    s.open(s.lens());
    const QStringList before = s.log();
    s.form->trigger("DisplayLogFile");
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Zefo Log file"));
    QCOMPARE(windowlines(windows[0]), before + QStringList({"Display ZEFO log file", " ", "End of displayed data"}));
    QCOMPARE(s.log(), before + QStringList({"Display ZEFO log file", "Display ZEFO log file - Finished"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    // The log is open again for the next command.
    s.form->trigger("FileClose");
    s.form->close();
    QCOMPARE(s.log().last(), QString("Program ZEFO closed"));
}

void ShellTest::displaymissinglogdoesnothing() {
    Session s;
    QFile::remove(QString::fromStdString(s.ws.logpath));
    s.form->trigger("DisplayLogFile");
    QVERIFY(s.form->reportwindows().isEmpty());
    QVERIFY(!QFile::exists(QString::fromStdString(s.ws.logpath)));
    QVERIFY(s.dialogs.errors.isEmpty());
}

void ShellTest::printlogfile() {
    Session s;
    const QStringList before = s.log();
    s.form->trigger("PrintLogFile");
    QCOMPARE(s.dialogs.printed, before + QStringList{"Print ZEFO log file"});
    QCOMPARE(s.log(), before + QStringList({"Print ZEFO log file", "Print ZEFO log file - Finished"}));
    QVERIFY(QFontInfo(s.dialogs.printfont).fixedPitch());
}

void ShellTest::inputshell_data() {
    QTest::addColumn<int>("outcome");  // 0 OK, 1 cancel, 2 error
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("ok") << 0 << "Status: Finished"
                        << QStringList{"Boundary conditions for optimization",
                                       "Boundary conditions for optimization - Finished"}
                        << QStringList{};
    QTest::newRow("cancel") << 1 << "Status: Terminated"
                            << QStringList{"Boundary conditions for optimization",
                                           "Boundary conditions for optimization - Terminatd by user"}
                            << QStringList{};
    QTest::newRow("error") << 2 << "Status: Error"
                           << QStringList{"Boundary conditions for optimization", "Thickness out of range"}
                           << QStringList{"Error in calculation!"};
}

void ShellTest::inputshell() {
    QFETCH(int, outcome);
    QFETCH(QString, status);
    QFETCH(QStringList, log);
    QFETCH(QStringList, errors);
    Session s;
    s.open(s.lens());
    const Command cmd{.text = {.id = "TestBounds", .title = "Boundary conditions for optimization",
                               .terminated = "Boundary conditions for optimization - Terminatd by user"},
                      .menu = "Optimization", .caption = "&Boundary Conditions...", .shell = Shell::Input,
                      .input = [outcome](CalcContext& c) {
                          if (outcome == 1) c.session.cancel();
                          if (outcome == 2) fail(c.m, "Thickness out of range");
                      }};
    const int before = s.log().size();
    s.form->execute(cmd);
    QCOMPARE(s.form->statuspanel(2), status);
    QCOMPARE(s.logsince(before), log);
    QCOMPARE(s.dialogs.errors, errors);
    QVERIFY(!s.form->session().cancelled() && !s.m.calcerror);
}

void ShellTest::graphshell() {
    Session s;
    s.open(s.lens());
    int prepared = 0;
    WavelengthChoice seen;
    const Command cmd{.text = {.id = "TestSpot", .title = "Draw spot diagram", .window = "Spot Diagram"},
                      .menu = "Spot-MTF", .caption = "&Spot Diagram...", .shell = Shell::Graph,
                      .graph = [&seen](CalcContext&, const WavelengthChoice& wl) -> QWidget* {
                          seen = wl;
                          return new QWidget;
                      },
                      .chooser = Chooser::UnlessMono, .valid = iqspot,
                      .prepare = [&prepared](CalcContext&) { ++prepared; }};
    s.dialogs.wavelengthitem = 2;
    const int before = s.log().size();
    s.form->execute(cmd);
    s.form->execute(cmd);
    QCOMPARE(prepared, 1);  // the spot result stays valid for the second drawing
    QVERIFY(s.form->session().valid(iqspot));
    QCOMPARE(s.dialogs.wavelengthcalls, 2);
    QCOMPARE(seen.chosenwl, 2);
    QCOMPARE(seen.label, std::string(" C-spec.l. 656.3 nm"));
    QCOMPARE(s.logsince(before), (QStringList{"Draw spot diagram", "Draw spot diagram - Finished",
                                              "Draw spot diagram", "Draw spot diagram - Finished"}));
    QCOMPARE(s.form->mdiarea()->subWindowList().size(), 2);
    QCOMPARE(s.form->mdiarea()->subWindowList().first()->widget()->windowTitle(), QString("Spot Diagram"));
    // Open clears the validity of the spot result.
    s.open(s.lens());
    QVERIFY(!s.form->session().valid(iqspot));
}

void ShellTest::graphshellmonoandcancel() {
    Session s;
    s.open(s.lens());
    WavelengthChoice seen{9, "unset"};
    Command cmd{.text = {.id = "TestDrawRays", .title = "Draw ray trace", .window = "Ray Trace",
                         .terminated = "Draw ray trace"},
                .menu = "Draw", .caption = "&Ray Trace...", .shell = Shell::Graph,
                .graph = [&seen](CalcContext& c, const WavelengthChoice& wl) -> QWidget* {
                    seen = wl;
                    if (c.m.lens.na > 1) fail(c.m, "Aperture too large");
                    return new QWidget;
                },
                .chooser = Chooser::UnlessMono};
    // One wavelength: the first one, without asking and without a label.
    s.m.mono = true;
    s.form->execute(cmd);
    QCOMPARE(s.dialogs.wavelengthcalls, 0);
    QCOMPARE(seen.chosenwl, 1);
    QCOMPARE(seen.label, std::string());
    // A cancelled chooser ends the command with its own cancel line.
    cmd.chooser = Chooser::Always;
    int before = s.log().size();
    s.form->execute(cmd);
    QCOMPARE(s.logsince(before), (QStringList{"Draw ray trace", "Draw ray trace"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    // A failed drawing shows the error box and logs its cause; no window stays.
    s.dialogs.wavelengthitem = 0;
    s.m.lens.na = 2;
    const int windows = s.form->mdiarea()->subWindowList().size();
    before = s.log().size();
    s.form->execute(cmd);
    QCOMPARE(s.logsince(before), (QStringList{"Draw ray trace", "Aperture too large"}));
    QCOMPARE(s.dialogs.errors, QStringList{"Error in calculation!"});
    QCOMPARE(s.form->mdiarea()->subWindowList().size(), windows);
    QCOMPARE(seen.chosenwl, 4);
}

void ShellTest::printersetup() {
    Session s;
    const int before = s.log().size();
    s.form->trigger("PrinterSetup");
    QCOMPARE(s.dialogs.setups, 1);
    QCOMPARE(s.logsince(before), QStringList{"Printer Setup"});
    QCOMPARE(s.form->statuspanel(1), QString("Printer setup"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
}

void ShellTest::helpandabout() {
    Session s;
    const int before = s.log().size();
    s.form->trigger("HelpContents");
    QVERIFY(s.form->helpwindow());
    QCOMPARE(s.form->helpwindow()->browser()->documentTitle(), QString("ZEFO Help"));
    s.form->trigger("HelpHowToUse");
    QCOMPARE(s.form->helpwindow()->browser()->documentTitle(), QString("How to Use Help"));
    s.form->trigger("HelpSearch");
    QVERIFY(s.form->helpwindow()->keyfield()->text().isEmpty());
    QCOMPARE(s.form->helpwindow()->hits()->count(), static_cast<int>(helptopics().size()));
    QCOMPARE(s.form->statuspanel(1), QString("Help"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QVERIFY(s.logsince(before).isEmpty());

    s.form->trigger("HelpAbout");
    QCOMPARE(s.dialogs.abouts, 1);
    QCOMPARE(s.form->statuspanel(1), QString("About ZEFO"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
}

void ShellTest::windowmenuarranges() {
    Session s;
    s.form->resize(900, 700);
    s.form->show();
    s.form->trigger("DisplayLogFile");
    s.form->trigger("DisplayLogFile");
    s.form->trigger("WindowTile");
    const auto subs = s.form->mdiarea()->subWindowList();
    QCOMPARE(subs.size(), 2);
    QVERIFY(!subs[0]->geometry().intersects(subs[1]->geometry()));
    s.form->trigger("WindowCascade");
    QVERIFY(subs[0]->geometry().intersects(subs[1]->geometry()));
    for (auto* sub : subs) sub->showMinimized();
    s.form->trigger("WindowArrange");
    QCOMPARE(subs[0]->geometry().bottom(), subs[1]->geometry().bottom());
    QVERIFY(!subs[0]->geometry().intersects(subs[1]->geometry()));
}

int runshelltests(int argc, char** argv) {
    ShellTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "shells_test.moc"
