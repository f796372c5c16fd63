// The ray trace and aberration commands through the main window: the glass catalogue at
// start-up, the system and ray scheme reports, the ray scheme, paraxial data, the single
// ray trace dialog, Seidel coefficients, ray trace, aberrations and direct printing.
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "gui/app/reportwindow.h"
#include "gui/app/srtdialog.h"
#include "guitest.h"
#include "core/model/lensfile.h"
#include "testsystems.h"
#include "core/raytrace/rayscheme.h"

namespace zefo::gui::test {

namespace {

QString today() { return QDate::currentDate().toString("dd.MM.yyyy"); }

// The title line of the system reports, built from its parts.
QString titleline(const QString& sysname, const QString& path) {
    return "System name =" + sysname + "        File = " + path + "     " + today();
}

// The six-element double Gauss objective (34 rays, fields 10, 14, 20 degrees) as a lens file.
QString gausslens(const Session& s) {
    const QString path = QString::fromStdString(s.ws.datdir) + "gauss.dat";
    Model g = doublegauss();
    initstdrays(g);
    if (!savelensfile(path.toStdString(), g.lens).empty()) return {};
    return path;
}

// The double Gauss opened and its ray scheme aimed.
QString openaimedgauss(Session& s) {
    const QString path = gausslens(s);
    s.open(path);
    s.form->trigger("CalculateRayScheme");
    s.dialogs.notices.clear();
    return path;
}

QStringList reportlines(ReportWindow* w) { return w->DSMemo->toPlainText().split('\n'); }

QString abrfile(const Session& s, const QString& name) { return QString::fromStdString(s.ws.abrdir) + name; }

// A dialog step that fills the single ray trace dialog and presses OK.
using SrtFill = std::function<void(SingleRayTraceDialog&)>;
std::function<int(QDialog&)> srtstep(SrtFill fill) {
    return [fill](QDialog& d) {
        auto& srt = dynamic_cast<SingleRayTraceDialog&>(d);
        fill(srt);
        srt.Button1->click();
        return srt.result();
    };
}

}  // namespace

class TraceCommandTest : public QObject {
    Q_OBJECT
private slots:
    void startopensglasscatalog();
    void unusableglasscatalogueendsstart();
    void reportcommands_data();
    void reportcommands();
    void rayschemeaimsandchangesdesign();
    void rayschemefailures_data();
    void rayschemefailures();
    void paraxialreportofsinglet();
    void systemreportofsinglet();
    void paraxialneedstwosurfaces();
    void failingcalculations_data();
    void failingcalculations();
    void srtdialogrefusesbadinput_data();
    void srtdialogrefusesbadinput();
    void srtdialogfieldsandhints();
    void srttypedrayreport();
    void srtschemeray();
    void srtraymissesasurface();
    void telescopeasksentrancepupil();
    void printsystemandrays();
    void oddsystemsnevercrash_data();
    void oddsystemsnevercrash();
};

void TraceCommandTest::startopensglasscatalog() {
    Session s;
    QVERIFY(s.dialogs.errors.isEmpty());
    QVERIFY(QFileInfo(QString::fromStdString(s.ws.glassdir) + "sgm.DB").isFile());
    QVERIFY(s.form->glasscatalog().isopen());
    QVERIFY(s.form->glasscatalog().glasscount() > 100);
    QVERIFY(s.form->glasscatalog().glassbyname("BK7").has_value());
}

// A glass folder that cannot hold the catalogue ends the start with the error box.
void TraceCommandTest::unusableglasscatalogueendsstart() {
    QTemporaryDir dir;
    const Workspace ws = makeworkspace(dir.path().toStdString());
    QVERIFY(QDir(dir.path()).rmdir("glass"));
    Session::write(dir.path() + "/glass", "not a folder\n");
    ScriptedDialogs dialogs;
    Model m;
    initglobals(m);
    ZefoMainForm f(m, ws, dialogs);
    QVERIFY(f.startfailed());
    QVERIFY(f.session().cancelled());
    QCOMPARE(dialogs.errors.size(), 1);
    QVERIFY(dialogs.errors[0].startsWith("SQLite database engine must be installed before running this program!"));
    QVERIFY(dialogs.errors[0].contains("sgm.DB"));
    QCOMPARE(Session::textlines(dir.path() + "/zefo.log"), QStringList{"Program ZEFO started"});
}

void TraceCommandTest::reportcommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("ext");      // report file, empty for window-only reports
    QTest::addColumn<QString>("display");  // display entry enabled by the file
    QTest::addColumn<QString>("head");     // first line of the report
    QTest::newRow("system") << "OpticalSystem"
                            << QStringList{"Display optical system", "Display optical system - Finished"}
                            << "Optical System Data" << "" << "" << "title";
    QTest::newRow("system full") << "OpticalSystemFull"
                                 << QStringList{"Display full optical system", "Display optical system - Finished"}
                                 << "Optical Full System Data" << "" << "" << "title";
    QTest::newRow("rays") << "RayData" << QStringList{"Display ray scheme", "Display ray scheme - Finished"}
                          << "Ray Data" << "" << ""
                          << " No  RL      Xrel       Yrel       X          Y         L          M";
    QTest::newRow("paraxial") << "ParaxialRayTrace" << QStringList{"Paraxial ray trace", "Paraxial ray trace - Finished"}
                              << "Paraxial Data" << ".prs" << "DisplayParaxialData"
                              << "         P A R A X I A L   L E N S   D A T A   C A L C U L A T I O N        ";
    QTest::newRow("paraxial full") << "ParaxialRaytraceFull"
                                   << QStringList{"Paraxial ray trace full", "Paraxial ray trace - Finished"}
                                   << "Paraxial Data full" << ".prs" << "PrintParaxialData"
                                   << "    F U L L   P A R A X I A L   L E N S   D A T A   C A L C U L A T I O N    ";
    QTest::newRow("seidel") << "SeidelCoefficients"
                            << QStringList{"Calculate Seidel Coefficients", "Calculate Seidel Coefficients - Finished"}
                            << "Seidel Coefficients" << ".sei" << "DisplaySeidelCoefficients"
                            << "         S E I D E L   C O E F F I C I E N T S   C A L C U L A T I O N           ";
    QTest::newRow("ray trace") << "RayTrace" << QStringList{"Ray trace", "Ray trace - Finished"} << "Ray Trace"
                               << ".rez" << "DisplayRayTrace" << "title";
    QTest::newRow("aberrations") << "Aberrations"
                                 << QStringList{"Aberration calculation", "Aberration calculation - Finished"}
                                 << "Aberrations" << ".abr" << "PrintAberrations" << "title";
}

// Each command logs its title and finished line, opens its window and writes its report.
void TraceCommandTest::reportcommands() {
    QFETCH(QString, command);
    QFETCH(QStringList, log);
    QFETCH(QString, window);
    QFETCH(QString, ext);
    QFETCH(QString, display);
    QFETCH(QString, head);
    Session s;
    const QString path = openaimedgauss(s);
    QCOMPARE(s.dialogs.errors, QStringList());
    if (!display.isEmpty()) QVERIFY(!s.enabled(display.toLatin1()));
    const int before = s.log().size();
    s.form->trigger(command);
    QCOMPARE(s.dialogs.errors, QStringList());
    QCOMPARE(s.logsince(before), log);
    QCOMPARE(s.form->statuspanel(1), log[0]);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), window);
    const QStringList lines = reportlines(windows[0]);
    QCOMPARE(lines.first(), head == "title" ? titleline("SAMPLE", path) : head);
    if (head != "title") QVERIFY(lines.contains(titleline("SAMPLE", path)) || command == "RayData");
    QCOMPARE(lines.mid(lines.size() - 2), (QStringList{" ", "End of displayed data"}));
    if (ext.isEmpty()) {
        QCOMPARE(QDir(QString::fromStdString(s.ws.abrdir)).entryList(QDir::Files), QStringList());
        return;
    }
    // The file holds the window's lines up to "Measurement units are mm".
    QCOMPARE(Session::textlines(abrfile(s, "gauss" + ext)), lines.mid(0, lines.size() - 2));
    QCOMPARE(lines[lines.size() - 3], QString("Measurement units are mm"));
    QVERIFY(s.enabled(display.toLatin1()));
}

void TraceCommandTest::rayschemeaimsandchangesdesign() {
    Session s;
    s.open(gausslens(s));
    s.form->session().setvalid(iqspot);
    QVERIFY(!s.form->session().datachanged());
    int heard = 0;  // windows that follow the design hear of the new rays
    s.form->session().subscribe([&heard] { ++heard; });
    const int before = s.log().size();
    s.form->trigger("CalculateRayScheme");
    QCOMPARE(heard, 1);
    QCOMPARE(s.logsince(before), (QStringList{"Ray scheme calculation", "Ray scheme calculation - Finished"}));
    QCOMPARE(s.dialogs.notices, QStringList{"Ray scheme for the optical system is calculated."});
    QCOMPARE(s.dialogs.errors, QStringList());
    QCOMPARE(s.form->statuspanel(1), QString("Ray scheme calculation"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QVERIFY(s.form->reportwindows().isEmpty());
    QVERIFY(s.form->session().datachanged());
    QVERIFY(!s.form->session().valid(iqspot));
    // The chief ray of the 10 degree field (ray 5) starts at the field angle, object at infinity.
    QCOMPARE(s.m.lens.rays.rl[4], uint8_t(13));
    QVERIFY(std::fabs(s.m.lens.rays.m[4] - std::sin(10 * M_PI / 180)) < 1e-12);
    QVERIFY(s.m.lens.rays.y[4] != 0);
}

void TraceCommandTest::rayschemefailures_data() {
    QTest::addColumn<int>("raytype");
    QTest::addColumn<int>("stop");
    QTest::newRow("normal rays") << 0 << 4;
    QTest::newRow("bad stop") << 20 << 12;
}

// A scheme that cannot be aimed ends with the error box and its cause in the log.
void TraceCommandTest::rayschemefailures() {
    QFETCH(int, raytype);
    QFETCH(int, stop);
    Session s;
    s.open(gausslens(s));
    s.m.lens.raytype = uint8_t(raytype);
    s.m.lens.stopsurf = uint8_t(stop);
    const auto xbefore = s.m.lens.rays.y;
    int heard = 0;
    s.form->session().subscribe([&heard] { ++heard; });
    const int before = s.log().size();
    s.form->trigger("CalculateRayScheme");
    QCOMPARE(heard, 0);
    QCOMPARE(s.dialogs.errors, QStringList{"Error in calculation of ray scheme"});
    QVERIFY(s.dialogs.notices.isEmpty());
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    const QStringList log = s.logsince(before);
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0], QString("Ray scheme calculation"));
    QCOMPARE(log[1], raytype == 0 ? QString("A ray scheme of normal rays has no relative coordinates to aim")
                                  : QString("Invalid aperture stop surface number"));
    QVERIFY(!s.m.calcerror);
    QVERIFY(!s.form->session().datachanged());
    if (raytype == 0) QVERIFY(s.m.lens.rays.y == xbefore);
}

// The stored singlet (R = +-51.68, d = 5, n = 1.5168): thick-lens formulas give
// f = 50.838, back focal length 49.162 and, by symmetry, the front focal length printed as -49.162.
void TraceCommandTest::paraxialreportofsinglet() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    s.form->trigger("ParaxialRayTrace");
    const QStringList expected{
        "         P A R A X I A L   L E N S   D A T A   C A L C U L A T I O N        ",
        " ",
        titleline("LENS1", path),
        " ",
        "",
        "",
        "Lens No. 1",
        "",
        "Design data: ",
        "Radius: R1 =     51.680  R2 =    -51.680",
        "Lens thickness d =    5.000",
        "Glass: BK7",
        "",
        "",
        "Paraxial data are:",
        "Efective focal lenght f =    50.838",
        "Back focal length    sp =    49.162",
        "Front focal length    s =   -49.162",
        " ",
        "Measurement units are mm"};
    QCOMPARE(Session::textlines(abrfile(s, "lens1.prs")), expected);
    QCOMPARE(reportlines(s.form->reportwindows().first()), expected + QStringList({" ", "End of displayed data"}));
}

// The system data of the singlet: the image plane moves to the back focal length 49.162
// (object at infinity, no defocus) and the focal length is the thick-lens 50.8379.
void TraceCommandTest::systemreportofsinglet() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    QCOMPARE(s.m.lens.mag, 0.0);
    QCOMPARE(s.m.lens.defocus, 0.0);
    s.form->trigger("OpticalSystem");
    const QStringList expected{
        titleline("LENS1", path),
        "Focal length =   50.8379",
        "Wave lengths are:    0.0005876   0.0006563   0.0004861",
        " No    Radius   Separation  index1   index2   index3    disp     glass    hmax",
        "  1    51.680     0.000    1.00000  1.00000  1.00000  0.00000     air     10.00",
        "  2   -51.680     5.000    1.51680  1.51432  1.52238  0.00806     BK7     10.00",
        "IMG     0.000    49.162    1.00000  1.00000  1.00000  0.00000     air      8.70",
        " ",
        "Measurement units are mm",
        " ",
        "End of displayed data"};
    QCOMPARE(reportlines(s.form->reportwindows().first()), expected);
}

void TraceCommandTest::paraxialneedstwosurfaces() {
    Session s;
    s.open(s.lens());
    s.m.lens.nsurf = 1;
    for (const char* name : {"ParaxialRayTrace", "ParaxialRaytraceFull"}) {
        const QString status = s.form->statuspanel(1);
        const int before = s.log().size();
        s.form->trigger(name);
        QVERIFY(s.logsince(before).isEmpty());
        QCOMPARE(s.dialogs.notices.takeLast(),
                 QString("System must have minimum two surfaces for paraxial calculations!"));
        QVERIFY(s.form->reportwindows().isEmpty());
        QCOMPARE(s.form->statuspanel(1), status);
    }
    QVERIFY(!QFile::exists(abrfile(s, "lens1.prs")));
    QVERIFY(s.dialogs.errors.isEmpty());
}

void TraceCommandTest::failingcalculations_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("ext");
    QTest::newRow("system") << "OpticalSystem" << "Error in calculation!" << "";
    QTest::newRow("system full") << "OpticalSystemFull" << "Error in calculation!" << "";
    QTest::newRow("seidel") << "SeidelCoefficients" << "Error in calculation!" << ".sei";
    QTest::newRow("ray trace") << "RayTrace" << "Error in calculation!" << ".rez";
    QTest::newRow("aberrations") << "Aberrations" << "Error in calculation of aberrations!" << ".abr";
    QTest::newRow("print system") << "PrintOpticalSystem" << "Error in calculation!" << "";
}

// A stop number beyond the last surface fails the first-order data of every calculation.
void TraceCommandTest::failingcalculations() {
    QFETCH(QString, command);
    QFETCH(QString, error);
    QFETCH(QString, ext);
    Session s;
    openaimedgauss(s);
    s.m.lens.stopsurf = 40;
    const int before = s.log().size();
    s.form->trigger(command);
    QCOMPARE(s.dialogs.errors, QStringList{error});
    QCOMPARE(s.dialogs.reasons, QStringList{"Invalid aperture stop surface number"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.logsince(before).mid(1), QStringList{"Invalid aperture stop surface number"});
    QVERIFY(s.form->reportwindows().isEmpty());
    QCOMPARE(s.dialogs.prints, 0);
    QVERIFY(!s.m.calcerror);
    QVERIFY(s.m.errmsg.empty());
    if (!ext.isEmpty()) QVERIFY(!QFile::exists(abrfile(s, "gauss" + ext)));
    // The next calculation runs clean.
    s.m.lens.stopsurf = 4;
    s.form->trigger(command);
    QCOMPARE(s.dialogs.errors.size(), 1);
    // A medium of index zero: the same box, with the first-order data's own reason.
    s.m.lens.sys.sp.index[2] = {0, 0, 0};
    s.form->trigger(command);
    QCOMPARE(s.dialogs.errors, (QStringList{error, error}));
    QCOMPARE(s.dialogs.reasons.last(), QString("Error in ssetq - index of refraction must be different from zero"));
    QCOMPARE(s.log().last(), s.dialogs.reasons.last());
}

void TraceCommandTest::srtdialogrefusesbadinput_data() {
    QTest::addColumn<bool>("another");
    QTest::addColumn<QStringList>("texts");  // ray number, X, Y, L, M as typed
    QTest::addColumn<int>("field");          // the refused field, 0 .. 4
    QTest::addColumn<QString>("message");
    const QString wrong = "Error wrong number: You must enter number from 1 to 34";
    QTest::newRow("ray 0") << false << QStringList{"0", "", "", "", ""} << 0 << wrong;
    QTest::newRow("ray 35") << false << QStringList{"35", "", "", "", ""} << 0 << wrong;
    QTest::newRow("ray empty") << false << QStringList{"", "", "", "", ""} << 0 << wrong;
    QTest::newRow("X empty") << true << QStringList{"", "", "1.5", "0.1", "0.1"} << 1
                             << "Error: Not a valid number!";
    QTest::newRow("M empty") << true << QStringList{"", "1", "2", "0.1", ""} << 4 << "Error: Not a valid number!";
    QTest::newRow("L above 1") << true << QStringList{"", "0", "0", "1.5", "0"} << 3
                               << "Error: L ray coordinate must be number between 0 and 1!";
    QTest::newRow("M above 1") << true << QStringList{"", "0", "0", "0", "1.1"} << 4
                               << "Error: M ray coordinate must be number between 0 and 1!";
    QTest::newRow("L and M too long") << true << QStringList{"", "0", "0", "0.8", "0.7"} << 4
                                      << "Error: L and M ray coordinates must give L*L + M*M less than 1!";
}

// A bad field keeps the dialog open with its message and its previous text; Cancel then
// ends the command.
void TraceCommandTest::srtdialogrefusesbadinput() {
    QFETCH(bool, another);
    QFETCH(QStringList, texts);
    QFETCH(int, field);
    QFETCH(QString, message);
    Session s;
    openaimedgauss(s);
    QString previous, after;
    bool stayed = false;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        auto& srt = dynamic_cast<SingleRayTraceDialog&>(d);
        QLineEdit* fields[] = {srt.MaskEdit1, srt.MaskEdit2, srt.MaskEdit3, srt.MaskEdit4, srt.MaskEdit5};
        previous = fields[field]->displayText();
        (another ? srt.RadioButton2 : srt.RadioButton1)->setChecked(true);
        for (int i = another ? 1 : 0; i < (another ? 5 : 1); ++i) fields[i]->setText(texts[i]);
        srt.Button1->click();
        stayed = srt.result() != QDialog::Accepted;
        after = fields[field]->displayText();
        srt.Button2->click();
        return srt.result();
    };
    const int before = s.log().size();
    s.form->trigger("SingleRayTrace");
    QCOMPARE(s.dialogs.dialogtitles, QStringList{"Single Ray Trace"});
    QCOMPARE(s.dialogs.messages, QStringList{message});
    QVERIFY(stayed);
    QCOMPARE(after, previous);
    QCOMPARE(s.dialogs.notices, QStringList{"Calculation of single ray trace terminated by user!"});
    QCOMPARE(s.logsince(before), (QStringList{"Single ray trace", "Single ray trace - Terminated by user"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QVERIFY(s.form->reportwindows().isEmpty());
    QVERIFY(!QFile::exists(abrfile(s, "gauss.srt")));
    QVERIFY(!s.form->session().cancelled());
}

void TraceCommandTest::srtdialogfieldsandhints() {
    Session s;
    openaimedgauss(s);
    s.dialogs.dialogsteps << [&](QDialog& d) {
        auto& srt = dynamic_cast<SingleRayTraceDialog&>(d);
        [&] {
            QVERIFY(srt.RadioButton1->isChecked());
            QCOMPARE(srt.MaskEdit1->text(), QString("1"));
            QCOMPARE(srt.Label2->text(), QString("max 34 rays"));
            QCOMPARE(srt.ComboBox1->currentText(), QString("1"));
            QCOMPARE(srt.ComboBox1->count(), 3);
            QVERIFY(srt.MaskEdit1->isEnabled());
            QVERIFY(!srt.MaskEdit2->isEnabled() && !srt.MaskEdit5->isEnabled());
            QCOMPARE(srt.MaskEdit2->text().remove(' '), QString("0.0000"));
            QCOMPARE(srt.MaskEdit4->text(), QString("0.000000"));
            srt.RadioButton2->setChecked(true);
            QVERIFY(!srt.MaskEdit1->isEnabled());
            QVERIFY(srt.MaskEdit2->isEnabled() && srt.MaskEdit5->isEnabled());
            // A typed number is shown in the field's own format when the field is left.
            srt.MaskEdit3->setText("-3.5");
            emit srt.MaskEdit3->editingFinished();
            QCOMPARE(srt.MaskEdit3->displayText(), QString("   -3.5000"));
            srt.MaskEdit4->setText("0.05");
            emit srt.MaskEdit4->editingFinished();
            QCOMPARE(srt.MaskEdit4->displayText(), QString("0.050000"));
            const std::pair<QWidget*, QString> hints[] = {
                {srt.MaskEdit1, "Enter ray number between 1 and 34"},
                {srt.MaskEdit4, "Enter number between 0 and 1"},
                {srt.MaskEdit5, "Enter number between 0 and 1"},
                {srt.ComboBox1, "Select wavelength for which is ray tace calculated"}};
            for (const auto& [w, hint] : hints) {
                QFocusEvent in(QEvent::FocusIn);
                QApplication::sendEvent(w, &in);
                QCOMPARE(s.form->statuspanel(0), hint);
            }
        }();
        return int(QDialog::Rejected);
    };
    s.form->trigger("SingleRayTrace");
    QCOMPARE(s.dialogs.dialogtitles.size(), 1);
    QCOMPARE(s.form->statuspanel(0), QString());
}

// An axial ray stays on the axis: every row shows X = Y = Z = 0 and the direction (0, 0, 1).
void TraceCommandTest::srttypedrayreport() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    s.dialogs.dialogsteps << srtstep([](SingleRayTraceDialog& d) {
        d.RadioButton2->setChecked(true);
        d.ComboBox1->setCurrentIndex(1);
    });
    const int before = s.log().size();
    s.form->trigger("SingleRayTrace");
    QCOMPARE(s.dialogs.errors, QStringList());
    QCOMPARE(s.logsince(before),
             (QStringList{"Single ray trace", "Following ray coordinates are chosen: x=0 y=0 l=0 m=0",
                          "Wavelength number 2 is chosen", "Single ray trace - Finished"}));
    const QString zero = "    0.0000    0.0000    0.0000  0.000000  0.000000  1.000000";
    const QStringList expected{
        "             S I N G L E   R A Y   T R A C E   C A L C U L A T I O N             ",
        " ",
        "System name =LENS1        File = " + path + today(),
        " ",
        "A new ray is generated",
        "",
        "Wave length is 656.3 nm",
        "",
        "Data is printed in the local coordinate system at each surface",
        " ",
        "                X        Y         Z        L         M         N",
        " ",
        "  Ref    " + zero,
        " ",
        "    0    " + zero,
        "    1    " + zero,
        "    2    " + zero,
        " ",
        "Measurement units are mm"};
    QCOMPARE(Session::textlines(abrfile(s, "lens1.srt")), expected);
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Single Ray Trace"));
    QCOMPARE(reportlines(windows[0]), expected + QStringList({" ", "End of displayed data"}));
    QVERIFY(s.enabled("DisplaySingleRayTrace"));
    QVERIFY(s.enabled("PrintSingleRayTrace"));
}

// A ray of the scheme starts from its stored coordinates.
void TraceCommandTest::srtschemeray() {
    Session s;
    openaimedgauss(s);
    s.dialogs.dialogsteps << srtstep([](SingleRayTraceDialog& d) { d.MaskEdit1->setText("5"); });
    const int before = s.log().size();
    s.form->trigger("SingleRayTrace");
    QCOMPARE(s.logsince(before), (QStringList{"Single ray trace", "Ray number 4 is chosen",
                                              "Wavelength number 1 is chosen", "Single ray trace - Finished"}));
    const QStringList lines = Session::textlines(abrfile(s, "gauss.srt"));
    QCOMPARE(lines[4], QString("Ray 5 from the existing set of rays are used"));
    QCOMPARE(lines[6], QString("Wave length is 587.6 nm"));
    // Start row: y and m of the chief ray, 4 and 6 decimals.
    const QStringList ref = lines[12].split(' ', Qt::SkipEmptyParts);
    QCOMPARE(ref.size(), 7);
    QCOMPARE(ref[0], QString("Ref"));
    QCOMPARE(ref[2], QString::number(s.m.lens.rays.y[4], 'f', 4));
    QCOMPARE(ref[5], QString::number(std::sin(10 * M_PI / 180), 'f', 6));
    QCOMPARE(s.m.lens.nsurf, 11);
    QCOMPARE(lines.size(), 14 + 12 + 2);  // the surfaces and the image plane
}

void TraceCommandTest::srtraymissesasurface() {
    Session s;
    s.open(s.lens());
    s.dialogs.dialogsteps << srtstep([](SingleRayTraceDialog& d) {
        d.RadioButton2->setChecked(true);
        d.MaskEdit3->setText("  900.0000");
    });
    const int before = s.log().size();
    s.form->trigger("SingleRayTrace");
    QCOMPARE(s.dialogs.errors, QStringList{"Error in the single ray trace calculation!"});
    const QStringList log = s.logsince(before);
    QCOMPARE(log.size(), 4);
    QCOMPARE(log[1], QString("Following ray coordinates are chosen: x=0 y=900 l=0 m=0"));
    QVERIFY(!log[3].isEmpty() && !log[3].contains("Finished"));
    QCOMPARE(s.dialogs.reasons, QStringList{log[3]});
    QVERIFY(s.form->reportwindows().isEmpty());
    QVERIFY(!QFile::exists(abrfile(s, "lens1.srt")));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
}

// A telescope whose stop is not its first surface asks for the entrance pupil position
// through an input box; the answer accepts a decimal comma.
void TraceCommandTest::telescopeasksentrancepupil() {
    Session s;
    s.open(s.lens());
    s.m.lens.systype = 4;
    s.m.lens.objinf = 'D';
    s.m.lens.stopsurf = 2;
    s.dialogs.inputanswers << "12,5";
    s.form->trigger("OpticalSystem");
    QCOMPARE(s.dialogs.inputboxes,
             QStringList{"Paraxial ray trace: Enter distance from first surface to enterance pupil [0]"});
    QCOMPARE(s.m.entrpupil, 12.5);
    QVERIFY(!s.m.askentrpupil);
    // A text that is not a number counts as 0.
    s.dialogs.inputanswers << "abc";
    s.form->trigger("SeidelCoefficients");
    QCOMPARE(s.dialogs.inputboxes.size(), 2);
    QCOMPARE(s.m.entrpupil, 0.0);
    // With the stop on the first surface and the object at infinity nothing is asked.
    s.m.lens.stopsurf = 1;
    s.form->trigger("OpticalSystem");
    QCOMPARE(s.dialogs.inputboxes.size(), 2);
}

void TraceCommandTest::printsystemandrays() {
    Session s;
    const QString path = openaimedgauss(s);
    int before = s.log().size();
    s.form->trigger("PrintOpticalSystem");
    QCOMPARE(s.logsince(before), (QStringList{"Print optical system", "Print optical system - Finished"}));
    QCOMPARE(s.dialogs.prints, 1);
    QVERIFY(QFontInfo(s.dialogs.printfont).fixedPitch());
    QStringList p = s.dialogs.printed;
    QCOMPARE(p[0], titleline("SAMPLE", path));
    QVERIFY(p[1].startsWith("Focal length = "));
    QCOMPARE(p[2], QString("Wave lengths are:    0.0005876   0.0006563   0.0004861"));
    QCOMPARE(p[3], QString(" No    Radius   Separation  index1   index2   index3    disp     glass    hmax"));
    QCOMPARE(p.size(), 4 + 12);
    QVERIFY(p[4].startsWith("  1"));
    QVERIFY(p.last().startsWith("IMG"));

    before = s.log().size();
    s.form->trigger("PrintRays");
    QCOMPARE(s.logsince(before), (QStringList{"Print ray scheme", "Print ray scheme - Finished"}));
    p = s.dialogs.printed;
    const QStringList head{"           Ray scheme data", "", titleline("SAMPLE", path), "",
                           " No  Label     Xrel       Yrel       X          Y         L          M"};
    QCOMPARE(p.mid(0, 5), head);
    QCOMPARE(p.size(), 5 + 34);
    QVERIFY(p[5].startsWith("  1     1"));
    QVERIFY(p[9].startsWith("  5    13"));

    // A cancelled print ends the command as terminated.
    s.dialogs.cancelprint = true;
    before = s.log().size();
    s.form->trigger("PrintRays");
    QCOMPARE(s.logsince(before), (QStringList{"Print ray scheme", "Print ray scheme - Terminated by user"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
}

void TraceCommandTest::oddsystemsnevercrash_data() {
    QTest::addColumn<int>("system");
    QTest::newRow("one surface") << 0;
    QTest::newRow("aspheric doublet") << 1;
    QTest::newRow("stored singlet") << 2;
    QTest::newRow("plane glass block") << 3;
    QTest::newRow("stop behind the image") << 4;
}

// Every command of the ray trace menus runs on odd systems to an end the user can see:
// finished, terminated or an error box, never an exception or a crash.
void TraceCommandTest::oddsystemsnevercrash() {
    QFETCH(int, system);
    Session s;
    QString path;
    if (system == 2) {
        path = s.lens();
    } else {
        Model m;
        if (system == 0) m = buildobjective({{"S", 50, 100, 1.5, 0.01, 10}}, 1, 0.1, {5}, 6);
        if (system == 1) m = asphericdoublet();
        if (system == 3)
            m = buildobjective({{"S", 0, 10, 1.5, 0.01, 10}, {"S", 0, 50, 1, 0, 10}}, 1, 0.1, {5}, 6);
        if (system == 4) {
            m = buildobjective({{"S", 50, 5, 1.5, 0.01, 10}, {"S", -50, 50, 1, 0, 10}}, 1, 0.1, {5}, 6);
            m.lens.stopsurf = 3;
        }
        if (system != 1) initstdrays(m);
        path = QString::fromStdString(s.ws.datdir) + "odd.dat";
        QCOMPARE(savelensfile(path.toStdString(), m.lens), std::string());
    }
    s.open(path);
    QVERIFY(s.form->loaded());
    for (const char* name : {"CalculateRayScheme", "OpticalSystem", "OpticalSystemFull", "RayData",
                             "ParaxialRayTrace", "ParaxialRaytraceFull", "SeidelCoefficients", "RayTrace",
                             "SingleRayTrace", "Aberrations", "PrintOpticalSystem", "PrintRays"}) {
        s.dialogs.dialogsteps << srtstep([](SingleRayTraceDialog&) {});
        const int before = s.log().size();
        const int errors = s.dialogs.errors.size();
        const int notices = s.dialogs.notices.size();
        s.form->trigger(name);
        const QStringList log = s.logsince(before);
        const QString state = s.form->statuspanel(2);
        if (log.isEmpty()) {
            // Only the paraxial lens data refuse a system, with their notice.
            QCOMPARE(s.dialogs.notices.mid(notices),
                     QStringList{"System must have minimum two surfaces for paraxial calculations!"});
        } else if (state == "Status: Error") {
            QCOMPARE(s.dialogs.errors.size(), errors + 1);
            QVERIFY2(s.dialogs.errors.last().startsWith("Error in"), qPrintable(s.dialogs.errors.last()));
            QVERIFY2(!log.last().isEmpty() && !log.last().endsWith("Finished"), name);
            // the box names the reason the log holds
            QCOMPARE(s.dialogs.reasons.last(), log.last());
        } else {
            QVERIFY2(state == "Status: Finished", name);
            QVERIFY2(log.last().endsWith(" - Finished"), name);
        }
        QVERIFY2(!s.m.calcerror && !s.form->session().cancelled() && s.m.errmsg.empty(), name);
    }
}

int runtracecommandtests(int argc, char** argv) {
    TraceCommandTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "tracecommands_test.moc"
