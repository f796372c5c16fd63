// The image-quality dialogs through the real main window: the checks of "Edit MTF", its
// limit dialog, "Edit OPD" and "Edit Diffractional MTF", the wave aberration report and
// the validity flags of the spot and MTF results.
#include <QDate>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include "gui/app/iqdialogs.h"
#include "gui/app/reportwindow.h"
#include "guitest.h"
#include "core/model/lensfile.h"
#include "testsystems.h"
#include "core/raytrace/rayscheme.h"
#include "core/util/numfmt.h"

namespace zefo::gui::test {

namespace {

const char* mtftitle = "Spot&MTF data editor";
const char* wavetitle = "Wave aberrations calculation";

QLineEdit* edit(QDialog& d, const char* name) {
    auto* e = d.findChild<QLineEdit*>(name);
    if (!e) qWarning("no field %s in %s", name, qPrintable(d.windowTitle()));
    return e;
}

// Types into a field and presses OK; the dialog's result afterwards.
int type(QDialog& d, const char* name, const QString& text) {
    if (*name) edit(d, name)->setText(text);
    d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    return d.result();
}

int pressok(QDialog& d) { return type(d, "", {}); }

void choose(QDialog& d, const char* group, int item) {
    d.findChild<QGroupBox*>(group)->findChildren<QRadioButton*>()[item]->setChecked(true);
}

// The labels of the edit fields of a dialog, top to bottom.
QStringList fieldlabels(QDialog& d) {
    QStringList out;
    auto* form = d.findChild<QFormLayout*>();
    for (int r = 0; r < form->rowCount(); ++r) {
        auto* field = form->itemAt(r, QFormLayout::FieldRole);
        auto* label = form->itemAt(r, QFormLayout::LabelRole);
        if (field && label && qobject_cast<QLineEdit*>(field->widget()))
            out << qobject_cast<QLabel*>(label->widget())->text();
    }
    return out;
}

// The double Gauss with its aimed ray scheme, written into the lens folder.
QString doublegausslens(Session& s) {
    Model dg = doublegauss();
    initstdrays(dg);
    rayscheme(dg);
    if (dg.calcerror) qWarning("%s", dg.errmsg.c_str());
    const QString path = QString::fromStdString(s.ws.datdir) + "dgauss.dat";
    const std::string err = savelensfile(path.toStdString(), dg.lens);
    if (!err.empty()) qWarning("%s", err.c_str());
    return path;
}

void setallflags(zefo::Session& s) { s.setvalid(iqall); }
bool anyflag(const zefo::Session& s) { return s.valid(iqspot) || s.valid(iqgmtf) || s.valid(iqtfmtf) || s.valid(iqdmtf); }

}  // namespace

class IqDialogTest : public QObject {
    Q_OBJECT
private slots:
    void mtflayout();
    void mtfchecks_data();
    void mtfchecks();
    void mtfacceptsandlogs();
    void mtfcancel();
    void limitdialog();
    void limitdialogcancel();
    void opdchecks_data();
    void opdchecks();
    void opdwritesreport();
    void opdcancelanderror();
    void spotmtfreportsenable();
    void dmtfdialog();
    void hintonentering();
    void flagsclearedbyfilecommands();
    void flagsclearedbydesignchanges();
    void flagsclearedbyfailedresult();
};

void IqDialogTest::mtflayout() {
    for (const bool mono : {true, false}) {
        Session s;
        s.open(s.lens());
        s.m.mono = mono;
        QStringList labels;
        s.dialogs.dialogsteps << [&](QDialog& d) {
            labels = fieldlabels(d);
            return int(QDialog::Rejected);
        };
        s.form->trigger("SpotMtfDataEditor");
        QCOMPARE(s.dialogs.dialogtitles, QStringList{"Edit MTF"});
        QStringList expected{"Number of rings of rays", "Maxmum number of frequencies", "Frequency increment",
                             "Spot diagram size in mm", "Defocus - shift of the focal plane in mm"};
        if (mono) expected << "Defocus increment in mm" << "Weight coefficient";
        else
            expected << "Defocus increment  in mm" << "Weight coefficient for first wave length"
                     << "Weight coefficient for second wave length" << "Weight coefficient for third wave length";
        QCOMPARE(labels, expected);
    }
}

// One bad text per row: its message, the text the field gets back, and the dialog stays open.
void IqDialogTest::mtfchecks_data() {
    QTest::addColumn<bool>("mono");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("restored");
    auto row = [](const char* name, bool mono, const char* field, const char* typed, const char* msg,
                  const char* restored) {
        QTest::newRow(name) << mono << field << typed << msg << restored;
    };
    row("rings 0", true, "nrings", "0", "Number of rings of rays must not be zero!", " 7");
    row("rings empty", true, "nrings", "  ", "Number of rings of rays must not be zero!", " 7");
    row("rings 26", true, "nrings", "26", "Number of rings of rays must not be greater then 25!", " 7");
    row("nfreq 0", true, "nfreq", "000", "Maxmum number of frequencies must not be zero!", " 50");
    row("dfreq 0", true, "dfreq", "0", "Frequency increment must not be zero!", "  2");
    row("dfreq 11 three", false, "dfreq", "11", "Frequency increment must not be greater then 10!", " 2");
    row("spot size text", true, "spotsize", ".", "Not a valid number!", "0.0500");
    row("spot size 0", true, "spotsize", "0.0000", "Spot size must not be zero!", "0.0500");
    row("spot size 1.5", true, "spotsize", "1,5", "Spot size must not be greater then 1!", "0.0500");
    row("defocus text", true, "defocus", "-", "Not a valid number!", " 0.000");
    row("defocus 2.1", true, "defocus", "2.1", "Defocus must not be between -2 and 2 mm!", " 0.000");
    row("defocus -2.5", false, "defocus", "-2.5", "Defocus must not be between -2 and 2 mm!", " 0.000");
    row("ddefocus 0", true, "ddefocus", "0", "Defocus increment must not be zero!", " 0.1000");
    row("ddefocus 1.01 three", false, "ddefocus", "1.01", "Defocus increment must not be greater then 1!", "0.1000");
    row("weight 0", true, "wlmtfweight0", "0.000", "Weight coefficient must not be zero!", "1.000");
    row("third weight text", false, "wlmtfweight2", ",.", "Not a valid number!", "1.000");
}

void IqDialogTest::mtfchecks() {
    QFETCH(bool, mono);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, restored);
    Session s;
    s.open(s.lens());
    s.m.mono = mono;
    QVERIFY(calcflimit(s.m) > s.m.lens.nfreq);  // the limit dialog stays out of these rows
    const Model before = s.m;
    const QByteArray name = field.toLatin1();
    bool stayedopen = false, focused = false;
    QString shown;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        stayedopen = type(d, name.constData(), typed) != QDialog::Accepted;
        shown = edit(d, name.constData())->text();
        focused = d.focusWidget() == edit(d, name.constData());
        return pressok(d);  // the restored value is accepted
    };
    const int lines = s.log().size();
    s.form->trigger("SpotMtfDataEditor");
    QVERIFY(stayedopen);
    QCOMPARE(shown, restored);
    QVERIFY(focused);
    QCOMPARE(s.dialogs.errors, QStringList{message});
    QCOMPARE(s.logsince(lines), (QStringList{mtftitle, QString(mtftitle) + " - Finished"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QCOMPARE(s.m.lens.nrings, before.lens.nrings);
    QCOMPARE(s.m.lens.dfreq, before.lens.dfreq);
    QCOMPARE(s.m.lens.spotsize, before.lens.spotsize);
    QCOMPARE(s.m.lens.defocus, before.lens.defocus);
    QCOMPARE(s.m.lens.ddefocus, before.lens.ddefocus);
    QCOMPARE(s.m.lens.wlmtfweight, before.lens.wlmtfweight);
    QVERIFY(!s.form->session().datachanged());
}

// Values taken before a bad field stay taken and are logged at once; the next OK logs only
// what changed since.
void IqDialogTest::mtfacceptsandlogs() {
    Session s;
    s.open(s.lens());
    s.m.mono = false;
    int presses = 0;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        edit(d, "nrings")->setText("9");
        ++presses;
        if (type(d, "spotsize", "0") == QDialog::Accepted) return d.result();
        edit(d, "spotsize")->setText("0,1");
        edit(d, "defocus")->setText("-0.5");
        edit(d, "wlmtfweight0")->setText("2");
        edit(d, "wlmtfweight2")->setText(" 0.5");
        ++presses;
        return pressok(d);
    };
    const int lines = s.log().size();
    s.form->trigger("SpotMtfDataEditor");
    QCOMPARE(presses, 2);
    QCOMPARE(s.dialogs.errors, QStringList{"Spot size must not be zero!"});
    QCOMPARE(s.logsince(lines),
             (QStringList{mtftitle, "New value for number of rings is 9", "New value for spot size is 0.1000",
                          "New value for defocus is -0.500", "New value for first weight coefficient is 2.000",
                          "New value for third weight coefficient is 0.500", QString(mtftitle) + " - Finished"}));
    QCOMPARE(s.m.lens.nrings, uint8_t(9));
    QCOMPARE(s.m.lens.spotsize, 0.1);
    QCOMPARE(s.m.lens.defocus, -0.5);
    QCOMPARE(s.m.lens.wlmtfweight[0], 2.0);
    QCOMPARE(s.m.lens.wlmtfweight[1], 1.0);
    QCOMPARE(s.m.lens.wlmtfweight[2], 0.5);
    QVERIFY(s.form->session().datachanged());
    QVERIFY(s.form->statuspanel(0).isEmpty());
}

void IqDialogTest::mtfcancel() {
    Session s;
    s.open(s.lens());
    const int lines = s.log().size();
    s.form->trigger("SpotMtfDataEditor");  // no step: the dialog is cancelled
    QCOMPARE(s.dialogs.dialogtitles, QStringList{"Edit MTF"});
    QCOMPARE(s.logsince(lines), (QStringList{mtftitle, QString(mtftitle) + " - Terminated by user"}));
    QCOMPARE(s.form->statuspanel(1), QString(mtftitle));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QVERIFY(!s.form->session().cancelled());
    QVERIFY(!s.form->session().datachanged());
}

// A maximum frequency above the diffraction limit asks "Spot diagram" for a new one, which
// keeps asking until the value is at most the limit.
void IqDialogTest::limitdialog() {
    Session s;
    s.open(s.lens());
    const double flimit = calcflimit(s.m);
    const QString over = QString::number(static_cast<int>(flimit) + 1);
    const QString atlimit = QString::number(static_cast<int>(flimit));  // keeps the increment of 2
    QVERIFY(flimit > 51);
    const QString limittext = QString::fromStdString(fmtf(flimit, 4, 0));
    QStringList readonly, errorsinlimit, shown;
    s.dialogs.dialogsteps << [&](QDialog& d) { return type(d, "nfreq", over); };
    s.dialogs.dialogsteps << [&](QDialog& d) {
        for (auto* e : d.findChildren<QLineEdit*>())
            if (e->isReadOnly()) readonly << e->text();
        shown << edit(d, "newnfreq")->text();
        type(d, "newnfreq", "0");
        shown << edit(d, "newnfreq")->text();
        type(d, "newnfreq", over);
        errorsinlimit = s.dialogs.errors;
        return type(d, "newnfreq", atlimit);
    };
    const int lines = s.log().size();
    s.form->trigger("SpotMtfDataEditor");
    QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Edit MTF", "Spot diagram"}));
    QCOMPARE(readonly, QStringList{limittext});
    QCOMPARE(shown, (QStringList{over, over}));  // preset with the typed value, restored after a bad one
    QCOMPARE(errorsinlimit,
             (QStringList{"Maximum number of frequencies must not be zero!",
                          "Maximum number of frequencies must not be greater then diffraction limit frequency!"}));
    QCOMPARE(s.m.lens.nfreq, uint16_t(atlimit.toInt()));
    QCOMPARE(s.logsince(lines), (QStringList{mtftitle, "New value for maximum number of frequences is " + atlimit,
                                            QString(mtftitle) + " - Finished"}));
}

void IqDialogTest::limitdialogcancel() {
    Session s;
    s.open(s.lens());
    const QString over = QString::number(static_cast<int>(calcflimit(s.m)) + 1);
    int mtfresult = -1;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        type(d, "nfreq", over);  // the limit dialog has no step: cancelled
        mtfresult = d.result();
        return d.result();
    };
    const int lines = s.log().size();
    s.form->trigger("SpotMtfDataEditor");
    QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Edit MTF", "Spot diagram"}));
    QCOMPARE(mtfresult, int(QDialog::Rejected));
    QCOMPARE(s.m.lens.nfreq, uint16_t(50));
    QCOMPARE(s.logsince(lines), (QStringList{mtftitle, QString(mtftitle) + " - Terminated by user"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
}

void IqDialogTest::opdchecks_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("restored");
    QTest::newRow("defocus text") << "defocus" << " . " << "Not a valid number!" << "  0.000";
    QTest::newRow("nfreq 0") << "nfreq" << "0" << "Maxmum number of frequencies must not be zero!" << " 50";
    QTest::newRow("dfreq 0") << "dfreq" << "" << "Frequency increment must not be zero!" << "  2";
    QTest::newRow("dfreq 11") << "dfreq" << "11" << "Frequency increment must not be greater then 10!" << "  2";
}

void IqDialogTest::opdchecks() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, restored);
    Session s;
    s.open(doublegausslens(s));
    const QByteArray name = field.toLatin1();
    QString shown;
    bool focused = false;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        if (type(d, name.constData(), typed) == QDialog::Accepted) return d.result();
        shown = edit(d, name.constData())->text();
        focused = d.focusWidget() == edit(d, name.constData());
        return int(QDialog::Rejected);
    };
    const int lines = s.log().size();
    s.form->trigger("OpdWaveAberrations");
    QCOMPARE(shown, restored);
    QVERIFY(focused);
    QCOMPARE(s.dialogs.dialogtitles, QStringList{"Edit OPD"});
    QCOMPARE(s.dialogs.errors, QStringList{message});
    QCOMPARE(s.logsince(lines), (QStringList{wavetitle, QString(wavetitle) + " - Terminated by user"}));
    QVERIFY(s.form->reportwindows().isEmpty());
}

// The report file is exactly the batch tool's report of the same settings; the window adds
// its two closing lines; the stored report's entries become enabled.
void IqDialogTest::opdwritesreport() {
    Session s;
    const QString lens = doublegausslens(s);
    s.open(lens);
    QVERIFY(!s.enabled("DisplayWaveAberrations"));
    QStringList items;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        for (const char* g : {"selwl", "ngauss", "polydeg"})
            for (auto* b : d.findChild<QGroupBox*>(g)->findChildren<QRadioButton*>())
                items << b->text() + (b->isChecked() ? "*" : "");
        choose(d, "selwl", 1);
        choose(d, "ngauss", 1);
        choose(d, "polydeg", 0);
        return type(d, "defocus", "0.05");
    };
    const int lines = s.log().size();
    s.form->trigger("OpdWaveAberrations");
    QCOMPARE(items, (QStringList{"&d spectral line*", "&C spectral line", "&F spectral line", "6 points",
                                 "10 points", "16 points*", "3rd degree", "4th degree*"}));
    QCOMPARE(s.logsince(lines), (QStringList{wavetitle, "New value for defocus is   0.050", "Wavelength number is 1",
                                            "Number of points are 10", "Degree of aberrational polynom is 3",
                                            QString(wavetitle) + " - Finished"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QVERIFY(s.dialogs.errors.isEmpty());

    QTemporaryDir batchdir;
    QProcess batch;
    batch.start(ZEFO_BATCH, {"--progdir", batchdir.path(), "--date", QDate::currentDate().toString("dd.MM.yyyy"), "wave",
                             lens, "--defocus", "0.05", "--wl", "2", "--gauss", "10", "--degree", "3"});
    QVERIFY(batch.waitForFinished(60000));
    QCOMPARE(batch.exitCode(), 0);
    const QByteArray expected = batch.readAllStandardOutput();
    const QString wbr = QString::fromStdString(s.ws.abrdir) + "dgauss.wbr";
    QCOMPARE(Session::bytes(wbr), expected);
    QVERIFY(expected.startsWith("Calculation of the Optical Path Difference and Wave Aberration for C spectral line\n"
                                " \nSystem name ="));
    QVERIFY(expected.contains("File = " + lens.toUtf8() + "     "));

    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Wave aberrations"));
    QCOMPARE(windows[0]->lines(), Session::textlines(wbr) + QStringList({" ", "End of displayed data"}));
    QVERIFY(s.enabled("DisplayWaveAberrations"));
    QVERIFY(s.enabled("PrintWaveAberrations"));
    QVERIFY(!s.form->session().valid(iqdmtf));

    // The stored report shows again as it was written.
    s.form->trigger("DisplayWaveAberrations");
    QCOMPARE(s.form->reportwindows().size(), 2);
    QCOMPARE(s.form->reportwindows()[1]->lines(), windows[0]->lines());
}

// Cancel ends the command without a window; a failing calculation shows the command's
// error text, logs its cause and writes no file.
void IqDialogTest::opdcancelanderror() {
    Session s;
    s.open(doublegausslens(s));
    const int lines = s.log().size();
    s.form->trigger("OpdWaveAberrations");
    QCOMPARE(s.logsince(lines), (QStringList{wavetitle, QString(wavetitle) + " - Terminated by user"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QVERIFY(!s.form->session().cancelled());

    s.m.lens.sys.sp.index[3][0] = 0;  // no refractive index in one medium
    s.dialogs.dialogsteps << [](QDialog& d) { return pressok(d); };
    const int before = s.log().size();
    s.form->trigger("OpdWaveAberrations");
    QCOMPARE(s.dialogs.errors, QStringList{"Error in calculation of Waveaberrations!"});
    const QStringList log = s.logsince(before);
    QCOMPARE(log.first(), QString(wavetitle));
    QVERIFY(!log.last().isEmpty() && !log.last().startsWith(wavetitle));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QVERIFY(s.form->reportwindows().isEmpty());
    QVERIFY(!QFile::exists(QString::fromStdString(s.ws.abrdir) + "dgauss.wbr"));
    QVERIFY(!s.m.calcerror && !s.form->session().valid(iqdmtf));
}

// The stored spot and MTF reports enable their entries when a calculation re-evaluates.
void IqDialogTest::spotmtfreportsenable() {
    Session s;
    s.open(doublegausslens(s));
    const char* names[] = {"SpotDiagram", "GeometricalMtf", "ThroughFocusMtf", "DiffractionMtf"};
    for (const char* n : names) QVERIFY(!s.enabled((std::string("Display") + n).c_str()) && !s.enabled((std::string("Print") + n).c_str()));
    for (const char* ext : {".spt", ".gtf", ".gtt", ".dtf"})
        Session::write(QString::fromStdString(s.ws.spotmtfdir) + "dgauss" + ext, "stored\n");
    s.dialogs.dialogsteps << [](QDialog& d) { return pressok(d); };
    s.form->trigger("OpdWaveAberrations");
    for (const char* n : names) QVERIFY2(s.enabled((std::string("Display") + n).c_str()) && s.enabled((std::string("Print") + n).c_str()), n);
    s.form->trigger("DisplayThroughFocusMtf");
    QCOMPARE(s.form->reportwindows().last()->windowTitle(), QString("Through Focus MTF"));
    QCOMPARE(s.form->reportwindows().last()->lines(), (QStringList{"stored", " ", "End of displayed data"}));
}

void IqDialogTest::dmtfdialog() {
    Session s;
    s.open(s.lens());
    QStringList logged;
    CalcContext c{s.m, s.ws, s.form->session(), s.form.get(), s.dialogs, [&](const std::string& l) {
                      logged << QString::fromStdString(l);
                  }, nullptr, "10.12.2026", s.form->glasscatalog()};
    QStringList groups, items;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        for (auto* g : d.findChildren<QGroupBox*>()) {
            groups << g->title();
            for (auto* b : g->findChildren<QRadioButton*>()) items << b->text() + (b->isChecked() ? "*" : "");
        }
        choose(d, "ngauss", 0);
        choose(d, "polydeg", 0);
        return pressok(d);
    };
    QVERIFY(zefo::gui::dmtfdialog(c));
    QCOMPARE(s.dialogs.dialogtitles, QStringList{"Edit Diffractional MTF"});
    QCOMPARE(groups, (QStringList{"Number of points for aberrational polynom", "Degree of aberrational polynomial"}));
    QCOMPARE(items, (QStringList{"6 points", "10 points", "16 points*", "3rd degree", "4th degree*"}));
    QCOMPARE(logged, (QStringList{"Number of points are 6", "Degree of aberrational polynom is 3"}));
    QCOMPARE(s.m.ngauss, uint8_t(6));
    QCOMPARE(s.m.polydeg, uint8_t(3));
    // Cancel changes nothing and sets cancelled.
    logged.clear();
    QVERIFY(!zefo::gui::dmtfdialog(c));
    QVERIFY(s.form->session().cancelled());
    QCOMPARE(s.m.ngauss, uint8_t(6));
    QVERIFY(logged.isEmpty());
}

// Entering a field puts its hint in status panel 0; the command clears it at the end.
void IqDialogTest::hintonentering() {
    Session s;
    s.open(doublegausslens(s));
    s.form->show();
    QStringList hints;
    auto enter = [&](QDialog& d, QWidget* w) {
        w->setFocus();
        QCoreApplication::processEvents();
        hints << s.form->statuspanel(0);
        Q_UNUSED(d);
    };
    s.dialogs.dialogsteps << [&](QDialog& d) {
        d.show();
        d.activateWindow();
        if (!QTest::qWaitForWindowActive(&d)) return int(QDialog::Rejected);
        enter(d, edit(d, "nfreq"));
        enter(d, edit(d, "dfreq"));
        enter(d, d.findChild<QGroupBox*>("selwl")->findChildren<QRadioButton*>()[2]);
        enter(d, edit(d, "defocus"));
        return int(QDialog::Rejected);
    };
    s.form->trigger("OpdWaveAberrations");
    const QString limit = QString::fromStdString(fmtf(calcflimit(s.m), 4, 0));
    QCOMPARE(hints, (QStringList{"Enter value between 1 and " + limit,
                                 "Enter postive number greater then 0 - usually small number",
                                 "Select wavelength for OPD calculation", "Enter value for defocus"}));
    QVERIFY(s.form->statuspanel(0).isEmpty());
}

void IqDialogTest::flagsclearedbyfilecommands() {
    Session s;
    const QString path = s.lens();
    s.open(path);
    setallflags(s.form->session());
    s.open(path);
    QVERIFY(!anyflag(s.form->session()));
    setallflags(s.form->session());
    s.form->openrecent(0);
    QVERIFY(!anyflag(s.form->session()));
    setallflags(s.form->session());
    s.form->trigger("FileClose");
    QVERIFY(!anyflag(s.form->session()));
}

// A new defocus moves the image plane: every result is stale. A new weight leaves the traced
// spot rays valid. A command that changes the design clears all four.
void IqDialogTest::flagsclearedbydesignchanges() {
    Session s;
    s.open(s.lens());
    s.m.mono = true;
    s.dialogs.dialogsteps << [](QDialog& d) { return pressok(d); };  // the frequency grid is laid out
    s.form->trigger("SpotMtfDataEditor");
    setallflags(s.form->session());
    s.dialogs.dialogsteps << [](QDialog& d) { return type(d, "wlmtfweight0", "2"); };
    s.form->trigger("SpotMtfDataEditor");
    QVERIFY(s.form->session().valid(iqspot) && s.form->session().valid(iqdmtf));
    QVERIFY(!s.form->session().valid(iqgmtf) && !s.form->session().valid(iqtfmtf));

    setallflags(s.form->session());
    s.dialogs.dialogsteps << [](QDialog& d) { return type(d, "defocus", "0.2"); };
    s.form->trigger("SpotMtfDataEditor");
    QVERIFY(!anyflag(s.form->session()));

    setallflags(s.form->session());
    s.dialogs.dialogsteps << [](QDialog& d) { return type(d, "defocus", "-0.3"); };
    s.form->trigger("OpdWaveAberrations");
    QVERIFY(!anyflag(s.form->session()));

    int runs = 0;
    Command cmd{.text = {.id = "TestScheme", .title = "Ray scheme calculation"}, .menu = "Ray Trace",
                .caption = "Calculate Ray &Scheme", .shell = Shell::Input,
                .input = [&runs](CalcContext&) { ++runs; }};
    setallflags(s.form->session());
    s.form->execute(cmd);
    QVERIFY(s.form->session().valid(iqall));
    cmd.changesdesign = true;
    s.form->execute(cmd);
    QVERIFY(!anyflag(s.form->session()));
    QCOMPARE(runs, 2);
}

// A spot result that fails or is cancelled while it is computed leaves no result valid.
void IqDialogTest::flagsclearedbyfailedresult() {
    Session s;
    s.open(s.lens());
    int outcome = 0;
    const Command cmd{.text = {.id = "TestGmtf", .title = "Draw modular transfer function",
                               .window = "Geometrical MTF"},
                      .menu = "Spot-MTF", .caption = "&Geometrical MTF...", .shell = Shell::Graph,
                      .graph = [](CalcContext&, const WavelengthChoice&) -> QWidget* { return new QWidget; },
                      .valid = iqgmtf,
                      .prepare = [&outcome](CalcContext& c) {
                          if (outcome == 1) fail(c.m, "Principal ray is out of the system!");
                          if (outcome == 2) c.session.cancel();
                      }};
    for (outcome = 1; outcome <= 2; ++outcome) {
        setallflags(s.form->session());
        s.form->session().invalidate(iqgmtf);
        s.form->execute(cmd);
        QVERIFY2(!anyflag(s.form->session()), outcome == 1 ? "failed" : "cancelled");
        QCOMPARE(s.form->statuspanel(2), QString(outcome == 1 ? "Status: Error" : "Status: Terminated"));
    }
    outcome = 0;
    s.form->execute(cmd);
    QVERIFY(s.form->session().valid(iqgmtf));
}

int runiqdialogtests(int argc, char** argv) {
    IqDialogTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "iqdialogs_test.moc"
