// The main window: start-up, file commands, recent files, enabling rules and the end of the program.
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>

#include "guitest.h"
#include "core/model/lensfile.h"

namespace zefo::gui::test {

namespace {
const QStringList startcommands = {"FileNew", "FileOpen", "FileImport", "PrinterSetup", "DisplayLogFile", "PrintLogFile",
                                   "FileExit", "WindowTile", "WindowCascade", "WindowArrange", "WindowCloseAll",
                                   "HelpContents", "HelpSearch", "HelpHowToUse", "HelpAbout"};

// Names of the enabled catalogue commands.
QStringList enabledcommands(const ZefoMainForm& f) {
    QStringList out;
    for (const Command& c : commandcatalogue())
        if (QAction* a = f.action(c.text.id); a && a->isEnabled()) out << c.text.id;
    return out;
}

QStringList recentcaptions(const ZefoMainForm& f) {
    QStringList out;
    for (int k = 0; k < maxrecent; ++k)
        if (f.recentaction(k)->isVisible()) out << f.recentaction(k)->text();
    return out;
}
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startcreatesworkspaceandlog();
    void programstartsinemptydirectory();
    void menusshowonlybuiltcommands();
    void openloadsthesystem();
    void opencancelled();
    void failedopenkeepsthesystem();
    void recentlistkeepsfournewestfirst();
    void recententryopenswithoutlog();
    void saveandsaveas();
    void saveascancelled();
    void savequestionbeforeopen();
    void failedsavestopstheopen();
    void closereturnstostartstate();
    void enablingfollowsresultfiles();
    void exitunsavedanswerednokeepsfile();
    void exitunsavedansweredyessaves();
};

void MainWindowTest::startcreatesworkspaceandlog() {
    QTemporaryDir dir;
    const Workspace ws = makeworkspace(dir.path().toStdString());
    for (const char* d : {"dat", "glass", "genetic", "abr", "optim", "spot-mtf", "script", "graphics"})
        QVERIFY2(QFileInfo(dir.path() + "/" + d).isDir(), d);
    ScriptedDialogs dialogs;
    Model m;
    initglobals(m);
    {
        ZefoMainForm f(m, ws, dialogs);
        QVERIFY(!f.startfailed());
        QCOMPARE(f.windowTitle(), QString("ZEFO"));
        QCOMPARE(f.statuspanel(0), QString("Open lens data file with File->Open"));
        QCOMPARE(enabledcommands(f), startcommands);
        QCOMPARE(Session::textlines(dir.path() + "/zefo.log"), QStringList{"Program ZEFO started"});
        f.close();
    }
    {
        ZefoMainForm f(m, ws, dialogs);
        QCOMPARE(Session::textlines(dir.path() + "/zefo.log"),
                 (QStringList{"Program ZEFO started", "Program ZEFO closed", "Program ZEFO started"}));
    }
    QVERIFY(dialogs.errors.isEmpty());
}

// The program itself, started in an empty directory, builds its workspace and log.
void MainWindowTest::programstartsinemptydirectory() {
    QTemporaryDir dir;
    QVERIFY(QFileInfo::exists(QFileInfo(ZEFO_PROGRAM).path() + "/zefo.jpg"));
    const QString logpath = dir.path() + "/zefo.log";
    for (int run = 1; run <= 2; ++run) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(ZEFO_PROGRAM, {"--splash-ms", "0"});
        QVERIFY(p.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(Session::textlines(logpath).count("Program ZEFO started"), run, 15000);
        p.kill();
        p.waitForFinished();
    }
    for (const char* d : {"dat", "glass", "genetic", "abr", "optim", "spot-mtf", "script", "graphics"})
        QVERIFY2(QFileInfo(dir.path() + "/" + d).isDir(), d);
    QCOMPARE(Session::textlines(logpath), (QStringList{"Program ZEFO started", "Program ZEFO started"}));
}

void MainWindowTest::menusshowonlybuiltcommands() {
    Session s;
    QStringList shown;
    for (QAction* a : s.form->menuBar()->actions())
        if (a->isVisible()) shown << a->text().remove('&');
    QCOMPARE(shown, (QStringList{"File", "Edit", "Data Editor", "Optical Data", "Modify", "Ray Trace", "Spot-MTF", "Optimization", "Draw", "Window", "Help"}));
    // Every catalogue command has its action, reachable from a menu.
    for (const Command& c : commandcatalogue()) QVERIFY2(s.form->action(c.text.id), c.text.id);
}

void MainWindowTest::openloadsthesystem() {
    Session s;
    const QString path = s.lens();
    const int before = s.log().size();
    s.open(path);
    QVERIFY(s.dialogs.errors.isEmpty());
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - lens1"));
    QCOMPARE(s.form->filepath(), path);
    QCOMPARE(s.m.lens.sysname, std::string("LENS1"));
    QCOMPARE(s.m.lens.nsurf, 2);
    QVERIFY(!s.form->session().datachanged());
    QCOMPARE(s.form->statuspanel(1), QString("Open optical system"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QCOMPARE(s.logsince(before), (QStringList{"Open optical system", "Open optical system - Finished"}));
    QCOMPARE(recentcaptions(*s.form), QStringList{"&1 " + path});
    // Loaded: the file commands work; the stored reports do not exist yet.
    QStringList expected = startcommands;
    expected << "FileSave" << "FileSaveAs" << "FileClose" << "FileExportZmx" << "OpdWaveAberrations" << "SpotMtfDataEditor"
             << "SystemEditor" << "RayEditor" << "GeneralDataEditor" << "FieldCountEditor" << "WavelengthEditor"
             << "GlassCatalogue";
    expected << "PrintOpticalSystem" << "PrintRays" << "OpticalSystem" << "OpticalSystemFull" << "RayData"
             << "CalculateRayScheme" << "ParaxialRayTrace" << "ParaxialRaytraceFull" << "SeidelCoefficients"
             << "RayTrace" << "SingleRayTrace" << "Aberrations";
    // the optimization data and weights; DLS too, the sample's labels create variables
    expected << "OptimizationSystemData" << "OptimizationGeneral" << "OptimizationParaxial" << "OptimizationAberration"
             << "OptimizationBoundary" << "OptimizationWeights" << "MeritFunction" << "ClassicalDlsOptimization"
             << "ChangeDampingFactor";
    // the dialogs of the evolutionary parameter set (EA Save waits for a set, the runs for their data files)
    expected << "EaGeneral" << "EaProbabilities" << "EaAssga" << "EaEsEvol" << "EaEsGrup" << "EaEsReko" << "EaEsKorr";
    // the graphs: the Spot-MTF ones calculate their results first
    expected << "SpotDiagram" << "ThroughFocusSpot" << "GeometricalMtf" << "ThroughFocusMtf" << "DiffractionMtf"
             << "DrawOpticalSystem" << "DrawRayTrace" << "DrawOpd" << "DrawFieldCurvature" << "DrawGlassMap";
    // Modify, the mechanical data and the CAD scripts
    expected << "ModifyScale" << "ModifyAngleSolve" << "ModifyReverse" << "ModifyStandardRadii"
             << "DefineMechanicalDiameter" << "CheckMechanicalDiameter" << "DistanceRing" << "SystemMass"
             << "AcadOpticalSystem" << "AcadOpticalSystemRays";
    expected.sort();
    QStringList got = enabledcommands(*s.form);
    got.sort();
    QCOMPARE(got, expected);
}

void MainWindowTest::opencancelled() {
    Session s;
    const int before = s.log().size();
    s.form->trigger("FileOpen");
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QCOMPARE(s.logsince(before),
             (QStringList{"Open optical system", "Open optical system - Terminated by user"}));
    QCOMPARE(s.form->windowTitle(), QString("ZEFO"));
    QVERIFY(!s.form->loaded());
    QVERIFY(recentcaptions(*s.form).isEmpty());
}

void MainWindowTest::failedopenkeepsthesystem() {
    Session s;
    const QString good = s.lens();
    s.open(good);
    const QString bad = s.lens("broken.dat");
    QByteArray text = Session::bytes(bad);
    text.replace(" 5.16800000000000E+0001  1.93498452012384E-0002", " 5.1x800000000000E+0001  1.93498452012384E-0002");
    Session::write(bad, text);
    const QString cut = s.lens("cut.dat");
    Session::write(cut, Session::bytes(cut).left(3000));
    const QString missing = QString::fromStdString(s.ws.datdir) + "nothere.dat";
    for (const QString& path : {bad, cut, missing}) {
        s.dialogs.errors.clear();
        const int before = s.log().size();
        s.open(path);
        QCOMPARE(s.dialogs.errors.size(), 1);
        if (path == bad) QCOMPARE(s.dialogs.errors[0], "File " + bad + ", line 54: Invalid numeric input");
        if (path == cut)
            QCOMPARE(s.dialogs.errors[0], "File " + cut + ", line 70: The file ends here, before the end of its ray data");
        QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
        QCOMPARE(s.logsince(before), (QStringList{"Open optical system", s.dialogs.errors[0]}));
        QCOMPARE(s.form->windowTitle(), QString("ZEFO - lens1"));
        QCOMPARE(s.form->filepath(), good);
        QCOMPARE(s.m.lens.sysname, std::string("LENS1"));
        QCOMPARE(s.m.lens.sys.sp.radius[0], 51.68);
        QCOMPARE(recentcaptions(*s.form), QStringList{"&1 " + good});
    }
    // Save still writes the file that was open before.
    s.m.lens.na = 0.25;
    s.form->session().settingschanged();
    s.form->trigger("FileSave");
    Model back;
    initglobals(back);
    QCOMPARE(loadlensfile(good.toStdString(), back), std::string());
    QCOMPARE(back.lens.na, 0.25);
}

void MainWindowTest::recentlistkeepsfournewestfirst() {
    Session s;
    QStringList paths;
    for (const char* n : {"a.dat", "b.dat", "c.dat", "d.dat", "e.dat"}) paths << s.lens(n);
    for (const QString& p : paths) s.open(p);
    QCOMPARE(recentcaptions(*s.form),
             (QStringList{"&1 " + paths[4], "&2 " + paths[3], "&3 " + paths[2], "&4 " + paths[1]}));

    Session t;
    const QString p = t.lens();
    t.open(p);
    t.open(p);
    QCOMPARE(recentcaptions(*t.form), (QStringList{"&1 " + p, "&2 " + p}));
}

void MainWindowTest::recententryopenswithoutlog() {
    Session s;
    const QString a = s.lens("alpha.dat"), b = s.lens("beta.dat");
    s.open(a);
    s.open(b);
    const QStringList recent = recentcaptions(*s.form);
    const int before = s.log().size();
    s.form->recentaction(1)->trigger();
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - alpha"));
    QCOMPARE(s.form->filepath(), a);
    QCOMPARE(recentcaptions(*s.form), recent);
    QVERIFY(s.logsince(before).isEmpty());
    // With unsaved changes the entry asks the save question first.
    s.form->session().settingschanged();
    s.dialogs.questionanswers << false;
    s.form->recentaction(0)->trigger();
    QCOMPARE(s.dialogs.questions, QStringList{"Optical system data is changed. Save changed data?"});
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - beta"));
    QVERIFY(!s.form->session().datachanged());
}

void MainWindowTest::saveandsaveas() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    s.m.lens.sysname = "LENS1";
    s.m.lens.na = 0.125;
    s.form->session().settingschanged();
    int before = s.log().size();
    s.form->trigger("FileSave");
    QCOMPARE(s.logsince(before), (QStringList{"Save optical file", "Save optical file - Finished"}));
    QCOMPARE(s.form->statuspanel(1), QString("Save optical system"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QVERIFY(!s.form->session().datachanged());
    std::string expected;
    QCOMPARE(writelensfile(s.m.lens, expected), std::string());
    QCOMPARE(Session::bytes(path), QByteArray::fromStdString(expected));

    const QString other = QString::fromStdString(s.ws.datdir) + "other.dat";
    s.dialogs.saveanswers << other;
    before = s.log().size();
    s.form->trigger("FileSaveAs");
    QCOMPARE(s.logsince(before),
             (QStringList{"Save optical file with different name", "Save optical file - Finished"}));
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - other"));
    QCOMPARE(s.form->filepath(), other);
    QCOMPARE(Session::textlines(other).first(), QString("LENS1"));
    QCOMPARE(s.m.lens.sysname, std::string("LENS1"));
    // Save now writes the new file only.
    const QByteArray first = Session::bytes(path);
    s.m.lens.na = 0.5;
    s.form->trigger("FileSave");
    QCOMPARE(Session::bytes(path), first);
    Model back;
    initglobals(back);
    QCOMPARE(loadlensfile(other.toStdString(), back), std::string());
    QCOMPARE(back.lens.na, 0.5);
}

void MainWindowTest::saveascancelled() {
    Session s;
    s.open(s.lens());
    const int before = s.log().size();
    s.form->trigger("FileSaveAs");
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QCOMPARE(s.logsince(before),
             (QStringList{"Save optical file with different name", "Save optical file - Terminated by  user"}));
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - lens1"));
}

void MainWindowTest::savequestionbeforeopen() {
    Session s;
    const QString first = s.lens(), second = s.lens("second.dat");
    s.open(first);
    const QByteArray original = Session::bytes(first);
    // No: the changes are dropped and the other file opens.
    s.m.lens.na = 0.3;
    s.form->session().settingschanged();
    s.dialogs.questionanswers << false;
    s.open(second);
    QCOMPARE(s.dialogs.questions.size(), 1);
    QCOMPARE(Session::bytes(first), original);
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - second"));
    // Yes: the changes are saved to the open file before the next one is read.
    s.m.lens.na = 0.3;
    s.form->session().settingschanged();
    s.dialogs.questionanswers << true;
    const int before = s.log().size();
    s.open(first);
    QCOMPARE(s.logsince(before), (QStringList{"Save optical file", "Save optical file - Finished",
                                              "Open optical system", "Open optical system - Finished"}));
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - lens1"));
    QCOMPARE(s.m.lens.na, 0.1);
    Model back;
    initglobals(back);
    QCOMPARE(loadlensfile(second.toStdString(), back), std::string());
    QCOMPARE(back.lens.na, 0.3);
}

void MainWindowTest::failedsavestopstheopen() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    s.form->session().settingschanged();
    // The lens folder disappears: the save cannot write, so nothing else happens.
    QDir(QString::fromStdString(s.ws.datdir)).removeRecursively();
    s.dialogs.questionanswers << true;
    const QString next = QString(ZEFO_TEST_DATA) + "/lens1.dat";
    s.dialogs.openanswers << next;
    s.form->trigger("FileOpen");
    QCOMPARE(s.dialogs.errors.size(), 1);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QVERIFY(s.form->session().datachanged());
    QCOMPARE(s.dialogs.openanswers, QStringList{next});  // the file dialog was never shown
}

void MainWindowTest::closereturnstostartstate() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    int heard = 0;  // windows that follow the design hear of the Close
    s.form->session().subscribe([&heard] { ++heard; });
    const int before = s.log().size();
    s.form->trigger("FileClose");
    QCOMPARE(heard, 1);
    QVERIFY(s.logsince(before).isEmpty());
    QCOMPARE(enabledcommands(*s.form), startcommands);
    QVERIFY(!s.form->loaded());
    QVERIFY(s.m.lens.sysname.empty());
    QVERIFY(s.form->filepath().isEmpty());
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - lens1"));
    QCOMPARE(recentcaptions(*s.form), QStringList{"&1 " + path});
    QVERIFY(s.dialogs.questions.isEmpty());
    // Close asks the save question; Yes writes the file.
    s.open(path);
    s.m.lens.na = 0.75;
    s.form->session().settingschanged();
    s.dialogs.questionanswers << true;
    s.form->trigger("FileClose");
    QCOMPARE(s.dialogs.questions.size(), 1);
    Model back;
    initglobals(back);
    QCOMPARE(loadlensfile(path.toStdString(), back), std::string());
    QCOMPARE(back.lens.na, 0.75);
    QVERIFY(!s.form->session().datachanged());
}

void MainWindowTest::enablingfollowsresultfiles() {
    Session s;
    const QString path = s.lens();
    const QString abr = QString::fromStdString(s.ws.abrdir);
    const QString spot = QString::fromStdString(s.ws.spotmtfdir);
    Session::write(abr + "lens1.rez", "x\n");
    Session::write(spot + "lens1.gtf", "x\n");
    Session::write(abr + "other.sei", "x\n");  // a report of another lens
    s.open(path);
    for (const char* n : {"DisplayRayTrace", "PrintRayTrace", "DisplayGeometricalMtf", "PrintGeometricalMtf"})
        QVERIFY2(s.enabled(n), n);
    for (const char* n : {"DisplaySeidelCoefficients", "PrintSeidelCoefficients", "DisplayAberrations"})
        QVERIFY2(!s.enabled(n), n);
    // A deleted result keeps its entries until Close.
    QFile::remove(abr + "lens1.rez");
    s.form->updateenabling();
    QVERIFY(s.enabled("DisplayRayTrace"));
    s.form->trigger("FileClose");
    QVERIFY(!s.enabled("DisplayRayTrace"));
    QVERIFY(!s.enabled("DisplayGeometricalMtf"));
}

void MainWindowTest::exitunsavedanswerednokeepsfile() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    const QByteArray original = Session::bytes(path);
    s.m.lens.na = 0.9;
    s.form->session().settingschanged();
    s.dialogs.questionanswers << false;
    s.form->trigger("FileExit");
    s.form->close();  // a second close does not end the program twice
    QCOMPARE(s.dialogs.questions, QStringList{"Optical system data is changed. Save changed data?"});
    QCOMPARE(Session::bytes(path), original);
    const QStringList log = s.log();
    QCOMPARE(log.count("Program ZEFO closed"), 1);
    QCOMPARE(log.last(), QString("Program ZEFO closed"));
}

void MainWindowTest::exitunsavedansweredyessaves() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    s.m.lens.na = 0.9;
    s.form->session().settingschanged();
    s.dialogs.questionanswers << true;
    s.form->close();
    QCOMPARE(s.log().mid(s.log().size() - 3),
             (QStringList{"Save optical file", "Save optical file - Finished", "Program ZEFO closed"}));
    Model back;
    initglobals(back);
    QCOMPARE(loadlensfile(path.toStdString(), back), std::string());
    QCOMPARE(back.lens.na, 0.9);
}

int runmainwindowtests(int argc, char** argv) {
    MainWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "mainwindow_test.moc"
