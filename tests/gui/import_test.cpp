// File > Import: a .zmx file becomes the design, unsaved, with its notices in a report window.
#include "guitest.h"
#include "gui/app/reportwindow.h"
#include "core/model/lensfile.h"
#include "core/raytrace/paraxial.h"

namespace zefo::gui::test {

namespace {
// A singlet in air: BK7 and a glass the catalogue lacks would both do; this one names a
// glass by its model data, so the import has a notice.
const char* const zmxsinglet =
    "NAME ZSINGLET\r\nUNIT MM\r\nENPD 20\r\nFTYP 0 0 2 1\r\nYFLN 0 5\r\nWAVM 1 0.5875618 1\r\n"
    "SURF 0\r\n  DISZ INFINITY\r\n"
    "SURF 1\r\n  STOP\r\n  CURV 0.02\r\n  DISZ 5\r\n  GLAS LUNA 1 0 1.6 40\r\n  DIAM 12\r\n"
    "SURF 2\r\n  CURV -0.005\r\n  DISZ 80\r\n  DIAM 12\r\n"
    "SURF 3\r\n  CURV 0\r\n  DISZ 0\r\n";
}  // namespace

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void importloadsthelensunsaved();
    void refusedimportkeepsthelens();
    void exportwritesthelensasazmxfile();
};

void ImportTest::importloadsthelensunsaved() {
    Session s;
    const QString path = s.dir.filePath("singlet.zmx");
    Session::write(path, zmxsinglet);
    const int before = s.log().size();
    s.dialogs.openanswers << path;
    s.form->trigger("FileImport");
    QVERIFY(s.dialogs.errors.isEmpty());
    QVERIFY(s.form->loaded());
    QCOMPARE(s.m.lens.sysname, std::string("ZSINGLET"));
    QCOMPARE(s.m.lens.sys.sp.glass[1], std::string("LUNA"));
    // thick lens of index 1.6: 1/f = (n-1)(c1 - c2 + (n-1) t c1 c2 / n)
    const double n = 1.6, f = 1 / ((n - 1) * (0.02 + 0.005 - (n - 1) * 5 * 0.02 * 0.005 / n));
    QVERIFY(std::fabs(s.m.lens.efl - f) < 1e-9 * f);
    QVERIFY(s.form->session().datachanged());
    QCOMPARE(s.form->filepath(), QString());
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - ZSINGLET"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QCOMPARE(s.logsince(before), (QStringList{"Import optical system", "Import optical system - Finished"}));
    QVERIFY(s.enabled("SystemEditor"));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Import notices"));
    const QStringList lines = windows[0]->lines();
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines[0], "Imported " + path + " as ZSINGLET (not saved yet)");
    QVERIFY(lines.join("\n").contains("glass LUNA is a model glass: made from nd 1.6 and vd 40"));

    // the save question applies before the next file; No keeps nothing
    s.dialogs.questionanswers << false;
    s.open(s.lens());
    QCOMPARE(s.dialogs.questions.size(), 1);
    QCOMPARE(s.m.lens.sysname, std::string("LENS1"));

    // imported again, Save asks for the file and writes the lens there
    s.dialogs.openanswers << path;
    s.form->trigger("FileImport");
    const QString out = QString::fromStdString(s.ws.datdir) + "zsinglet.dat";
    s.dialogs.saveanswers << out;
    s.form->trigger("FileSave");
    QVERIFY(!s.form->session().datachanged());
    QCOMPARE(s.form->filepath(), out);
    Model back;
    initglobals(back);
    QCOMPARE(loadlensfile(out.toStdString(), back), std::string());
    QCOMPARE(back.lens.sysname, std::string("ZSINGLET"));
    QVERIFY(std::fabs(back.lens.efl - f) < 1e-9 * f);
}

void ImportTest::refusedimportkeepsthelens() {
    Session s;
    const QString lens = s.lens();
    s.open(lens);
    const QString path = s.dir.filePath("torus.zmx");
    QByteArray text(zmxsinglet);
    text.replace("  CURV 0.02\r\n", "  TYPE TOROIDAL\r\n  CURV 0.02\r\n");
    Session::write(path, text);
    const int before = s.log().size();
    s.dialogs.openanswers << path;
    s.form->trigger("FileImport");
    QCOMPARE(s.dialogs.errors.size(), 1);
    QVERIFY(s.dialogs.errors[0].contains("surface 1: TYPE TOROIDAL"));
    QCOMPARE(s.logsince(before), (QStringList{"Import optical system", s.dialogs.errors[0]}));
    QCOMPARE(s.form->filepath(), lens);
    QCOMPARE(s.m.lens.sysname, std::string("LENS1"));
    QVERIFY(!s.form->session().datachanged());
    QVERIFY(s.form->reportwindows().isEmpty());

    // cancelled: nothing changes
    s.form->trigger("FileImport");
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QCOMPARE(s.form->filepath(), lens);
}

void ImportTest::exportwritesthelensasazmxfile() {
    Session s;
    const QString lens = s.lens();
    s.open(lens);
    Model copy;   // the focal length of the lens as computed (the file's stored value is its own)
    copy.lens = s.m.lens;
    preparetrace(copy.lens, copy.trace);
    const double efl = nudatparax(copy).efl;
    const QString out = s.dir.filePath("lens1.zmx");
    const int before = s.log().size();
    s.dialogs.saveanswers << out;
    s.form->trigger("FileExportZmx");
    QVERIFY(s.dialogs.errors.isEmpty());
    QCOMPARE(s.logsince(before), (QStringList{"Export optical system", "Export optical system - Finished"}));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->lines()[0], "Exported LENS1 as " + out);
    QVERIFY(!s.form->session().datachanged());
    // the file imports back as the same lens
    s.dialogs.openanswers << out;
    s.form->trigger("FileImport");
    QVERIFY(s.dialogs.errors.isEmpty());
    QCOMPARE(s.m.lens.sysname, std::string("LENS1"));
    QVERIFY(std::fabs(s.m.lens.efl - efl) < 1e-12 * std::fabs(efl));
}

int runimporttests(int argc, char** argv) {
    ImportTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "import_test.moc"
