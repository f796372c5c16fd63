// The New wizard driven as a user does: pages, refused entries, the Next / Apply / OK rule.
#include <QCheckBox>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <QTableView>
#include <filesystem>

#include "core/edit/rayedit.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "gui/editors/generaldialogs.h"
#include "gui/editors/newgrids.h"
#include "gui/editors/newwizard.h"
#include "guitest.h"

namespace zefo::gui::test {
namespace {

void settext(QLineEdit* e, const QString& text) {
    e->clear();
    QTest::keyClicks(e, text);
}

// Page General filled with a Cooke triplet's entries: 7 surfaces, stop 5, NA 0.1443, 4 fields.
void cookegeneral(NewWizard& w) {
    settext(w.name, "COOKE");
    settext(w.nsurf, "7");
    settext(w.stop, "5");
    settext(w.mag, "0");
    settext(w.na, "0.1443");
    w.nfields->setCurrentIndex(2);
}

// Types text into a grid cell and closes its editor with Return, as a user does.
void typegridcell(QTableView* grid, int row, int col, const QString& text) {
    const QModelIndex index = grid->model()->index(row, col);
    grid->setCurrentIndex(index);
    grid->edit(index);
    QLineEdit* editor = nullptr;   // closed editors wait hidden for their deletion
    for (QLineEdit* e : grid->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

// The Cooke triplet of the published design (radii, spacings, glasses) with the clear radii
// of the sample; the distance to the image is a first guess the paraxial focus replaces.
struct CookeRow {
    const char* radius;
    const char* sepafter;
    const char* glass;
    const char* hmax;
};
const CookeRow cookerows[] = {{"37.40", "5.90", "SK4", "17.6"},   {"-341.48", "12.93", "air", "17.6"},
                              {"-42.65", "2.50", "SF2", "12.1"},  {"36.40", "2.00", "air", "10.8"},
                              {"0", "9.85", "air", "10.4779"},    {"204.52", "5.90", "SK4", "15.2"},
                              {"-37.05", "70", "air", "15.6"}};

// The wizard's pages for the triplet: 4 fields, full scheme, three wavelengths.
int cookewizard(QDialog& d) {
    auto& w = dynamic_cast<NewWizard&>(d);
    cookegeneral(w);
    QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
    settext(w.field[1], "5.93");
    settext(w.field[2], "8.302");
    settext(w.field[3], "11.86");
    w.scheme->setCurrentIndex(0);   // full
    w.mode->setCurrentIndex(1);     // three wavelengths
    QTest::mouseClick(w.applybutton(), Qt::LeftButton);
    if (!w.okbutton()->isEnabled()) return QDialog::Rejected;
    QTest::mouseClick(w.okbutton(), Qt::LeftButton);
    return w.result();
}

class NewWizardTest : public QObject {
    Q_OBJECT
private slots:
    // A refused entry keeps the page and names the fault; OK waits for an accepted Apply and
    // goes again after a refused one.
    void objectiveNextApplyOk() {
        Model m;
        NewWizard w(m);
        QStringList errors;
        w.showerror = [&](const QString& msg) { errors << msg; };
        QVERIFY(!w.okbutton()->isEnabled());
        cookegeneral(w);
        settext(w.stop, "8");   // beyond the seven surfaces
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(w.page(), int(NewWizard::General));
        QCOMPARE(errors, QStringList{genmsg::badstop});
        settext(w.stop, "5");
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(w.page(), int(NewWizard::Fields));   // an objective skips the telescope page
        QCOMPARE(m.lens.nsurf, 7);
        QCOMPARE(m.lens.stopsurf, 5);
        QCOMPARE(m.lens.na, 0.1443);
        QVERIFY(!w.okbutton()->isEnabled());
        QVERIFY(w.field[3]->isEnabled());
        const struct { const char* f2; const char* f3; const char* f4; const char* msg; } refusedcases[] = {
            {"7", "5", "10", genmsg::fieldorder},
            {"7", "0", "10", genmsg::zerofield},
        };
        for (const auto& c : refusedcases) {
            settext(w.field[1], c.f2);
            settext(w.field[2], c.f3);
            settext(w.field[3], c.f4);
            QTest::mouseClick(w.applybutton(), Qt::LeftButton);
            QCOMPARE(errors.last(), QString(c.msg));
            QVERIFY(!w.okbutton()->isEnabled());
        }
        settext(w.field[1], "7");
        settext(w.field[2], "10");
        settext(w.field[3], "14");
        w.mode->setCurrentIndex(1);
        QTest::mouseClick(w.applybutton(), Qt::LeftButton);
        QVERIFY(w.okbutton()->isEnabled());
        QCOMPARE(m.lens.field, (std::vector<double>{0, 7, 10, 14}));
        QVERIFY(m.lens.threewl());
        QVERIFY(!m.lens.telescope());
        // A refused Apply takes OK away again.
        settext(w.field[2], "x");
        QTest::mouseClick(w.applybutton(), Qt::LeftButton);
        QVERIFY(!w.okbutton()->isEnabled());
    }

    // Neither magnification nor aperture of an objective: the telescope page comes next and
    // its type and eye position reach the model.
    void telescopePage() {
        Model m;
        NewWizard w(m);
        QStringList errors;
        w.showerror = [&](const QString& msg) { errors << msg; };
        cookegeneral(w);
        settext(w.mag, "4");
        settext(w.na, "0");
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(w.page(), int(NewWizard::Telescope));
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(errors, QStringList{newmsg::notype});
        QVERIFY(!w.keplergroup->isEnabled() && !w.galileangroup->isEnabled());
        w.teltype->setCurrentIndex(0);   // Kepler: no eye position
        QVERIFY(w.keplergroup->isEnabled() && !w.galileangroup->isEnabled());
        w.teltype->setCurrentIndex(1);   // Galilean
        QVERIFY(w.galileangroup->isEnabled());
        w.objinf->setCurrentIndex(1);
        QVERIFY(w.objdist->isEnabled());   // a finite object needs its distance
        w.objinf->setCurrentIndex(0);
        QVERIFY(!w.objdist->isEnabled());
        settext(w.eph, "5");
        settext(w.eyedist, "10");
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(w.page(), int(NewWizard::Fields));
        QCOMPARE(errors, QStringList{newmsg::notype});
        QCOMPARE(int(m.lens.systype), 6);
        QCOMPARE(m.eyedist, 10.0);
        QCOMPARE(m.lens.eph, 5.0);
    }

    // "No" to the standard wavelengths: Next asks which to change and the line of each; a
    // cancelled choice keeps the page and the d, C and F lines.
    void otherWavelengths() {
        Model m;
        NewWizard w(m);
        QStringList titles;
        bool cancel = true;
        w.rundialog = [&](QDialog& d) {
            titles << d.windowTitle();
            if (cancel) return int(QDialog::Rejected);
            if (auto* which = dynamic_cast<WavelengthDialog*>(&d)) {
                which->change[0]->setChecked(true);
                which->change[2]->setChecked(true);
            } else {
                auto& single = dynamic_cast<SingleWavelengthDialog&>(d);
                single.items->button(titles.size() == 2 ? 4 : 2)->setChecked(true);   // e, then g
                single.ok();
                return single.result();
            }
            return int(QDialog::Accepted);
        };
        cookegeneral(w);
        w.standardwl->setCurrentIndex(1);
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(w.page(), int(NewWizard::General));
        QCOMPARE(m.lens.wl, (std::array<double, 3>{0.0005876, 0.0006563, 0.0004861}));
        cancel = false;
        titles.clear();
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(titles, (QStringList{"SetUp", "Single wave length", "Single wave length"}));
        QCOMPARE(w.page(), int(NewWizard::Fields));
        QCOMPARE(m.lens.wl, (std::array<double, 3>{0.0005461, 0.0006563, 0.0004358}));
    }

    // File > New typed through the wizard and the surface grid gives the sample triplet's
    // first-order data, overwrites the file of that name once, and makes it the current file.
    void fileNewCreatesTheCookeTriplet() {
        Session s;
        const std::string path = s.ws.datdir + "COOKE.dat";
        QVERIFY(writefileatomic(path, "old").empty());
        s.dialogs.questionanswers << false;   // keep the name: the old file is replaced
        QStringList griderrors;
        s.dialogs.dialogsteps << cookewizard << [&](QDialog& d) {
            auto& g = dynamic_cast<SurfaceGridDialog&>(d);
            g.show();   // cell editors open in a visible grid
            g.showerror = [&](const QString& msg) { griderrors << msg; };
            g.ok();   // nothing typed yet
            for (int k = 0; k < 7; ++k) {
                typegridcell(g.grid(), k, scradius, cookerows[k].radius);
                typegridcell(g.grid(), k, schmax, cookerows[k].hmax);
                typegridcell(g.grid(), k + 1, scsep, cookerows[k].sepafter);
                typegridcell(g.grid(), k + 1, scglass, cookerows[k].glass);
            }
            typegridcell(g.grid(), 7, schmax, "22");
            g.ok();
            return g.result();
        };
        const int before = s.log().size();
        s.form->trigger("FileNew");
        QCOMPARE(s.dialogs.dialogtitles.size(), 2);
        QCOMPARE(s.dialogs.dialogtitles[1], QString("System Data"));
        QCOMPARE(griderrors, QStringList{"Some radii must be different from zero!"});
        QCOMPARE(s.dialogs.questions,
                 QStringList{"File exists! Do you want to change name for new optical system"});
        QCOMPARE(s.dialogs.errors, QStringList{});
        QCOMPARE(s.dialogs.notices, QStringList{"New optical system created!"});
        QCOMPARE(s.logsince(before), (QStringList{"New optical system", "New optical system - Finished"}));
        QVERIFY(s.form->loaded());
        QCOMPARE(s.form->filepath(), QString::fromStdString(path));
        QCOMPARE(s.form->windowTitle(), QString("ZEFO - COOKE"));
        QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
        QVERIFY(s.form->action("SystemEditor")->isEnabled());

        OpticalSystem sample, made;
        QCOMPARE(loadlensfile(std::string(ZEFO_TEST_DATA) + "/../../../samples/COOKE.dat", sample), std::string());
        QCOMPARE(loadlensfile(path, made), std::string());   // the old file was replaced
        // The published focal length and back focus (Smith: EFL 101.181, BFL 77.405).
        QVERIFY(std::abs(made.efl - 101.181) < 0.002);
        QVERIFY(std::abs(made.sys.sp.sep[7] - 77.405) < 0.002);
        QVERIFY(std::abs(made.efl - sample.efl) < 1e-6);
        QVERIFY(std::abs(made.sys.sp.sep[7] - sample.sys.sp.sep[7]) < 1e-6);
        QCOMPARE(made.up, sample.up);
        QCOMPARE(made.field, sample.field);
        QCOMPARE(int(made.nrays), 34);
        QCOMPARE(int(made.naber), int(sample.naber));
        QCOMPARE(int(made.systype), int(sample.systype));
        for (int k = 0; k <= 7; ++k) QCOMPARE(made.sys.sp.index[k], sample.sys.sp.index[k]);
        QCOMPARE(made.clearlim[0], 1.25 * 17.6);   // 1.25 x the largest clear radius
    }

    // Cancel in the wizard or the grid ends New as terminated; nothing is written.
    void fileNewCancelled() {
        for (int steps : {0, 1}) {
            Session s;
            if (steps) s.dialogs.dialogsteps << cookewizard;   // the grid is cancelled
            s.form->trigger("FileNew");
            QCOMPARE(s.dialogs.dialogtitles.size(), steps + 1);
            QCOMPARE(s.dialogs.notices, QStringList{"Creating new optical system terminated by user!"});
            QCOMPARE(s.log().last(), QString("New optical system - Terminated by user"));
            QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
            QVERIFY(!s.form->loaded());
            QVERIFY(!std::filesystem::exists(s.ws.datdir + "COOKE.dat"));
            QVERIFY(!s.form->action("SystemEditor")->isEnabled());
        }
    }

    // Relative rays: Apply opens the relative grid; OK there refuses labels 0 and all-zero
    // coordinates, Cancel keeps the wizard's OK off, a complete grid enables it.
    void relativeRayGrid() {
        Model m;
        NewWizard w(m);
        QStringList errors;
        w.showerror = [&](const QString& msg) { errors << msg; };
        cookegeneral(w);
        w.nfields->setCurrentIndex(0);   // 2 fields: 6 rays
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        settext(w.field[1], "10");
        w.raytype->setCurrentIndex(1);
        QStringList titles;
        bool cancel = true;
        int columns = 0;
        QString hint;
        w.rundialog = [&](QDialog& d) {
            auto& g = dynamic_cast<RayGridDialog&>(d);
            titles << g.windowTitle();
            if (cancel) return int(QDialog::Rejected);
            g.show();
            columns = g.grid()->model()->columnCount();
            for (int r = 0; r < 6; ++r) typegridcell(g.grid(), r, 1, "1");
            g.ok();
            typegridcell(g.grid(), 2, 3, "0.5");   // yrel only
            g.ok();
            typegridcell(g.grid(), 0, 1, "7");    // not a ray label
            typegridcell(g.grid(), 1, 2, "1");
            hint = g.statustext();
            g.ok();
            return g.result();
        };
        QTest::mouseClick(w.applybutton(), Qt::LeftButton);
        QVERIFY(!w.okbutton()->isEnabled());
        cancel = false;
        QTest::mouseClick(w.applybutton(), Qt::LeftButton);
        QCOMPARE(titles, QStringList(2, "Relative rays coordinates"));
        QCOMPARE(columns, 4);   // number, label, xrel, yrel
        QCOMPARE(hint, QString("Enter relative ray coordinate for x axis"));
        QCOMPARE(errors, (QStringList{newmsg::zerorel, newmsg::zerorel, raymsg::badlabel}));
        QVERIFY(w.okbutton()->isEnabled());
        QCOMPARE(int(m.lens.raytype), 10);
        QCOMPARE(m.lens.rays.rl[0], uint8_t(1));
        QCOMPARE(m.lens.rays.xrel[1], 1.0);
        QCOMPARE(m.lens.rays.yrel[2], 0.5);
    }
};

}  // namespace

int runnewwizardtests(int argc, char** argv) {
    NewWizardTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "newwizard_test.moc"
