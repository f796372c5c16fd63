// The New wizard driven as a user does: pages, refused entries, the Next / Apply / OK rule.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

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
        w.threewl->setChecked(true);
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
        settext(w.eph, "5");
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(errors, QStringList{newmsg::notype});
        w.galilean->setChecked(true);
        w.objinf->setChecked(true);
        settext(w.eyedist, "10");
        QTest::mouseClick(w.nextbutton(), Qt::LeftButton);
        QCOMPARE(w.page(), int(NewWizard::Fields));
        QVERIFY(w.galilean->isChecked() && w.objinf->isChecked());   // separate radio groups
        QCOMPARE(int(m.lens.systype), 6);
        QCOMPARE(m.eyedist, 10.0);
        QCOMPARE(m.lens.eph, 5.0);
    }
};

}  // namespace

int runnewwizardtests(int argc, char** argv) {
    NewWizardTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "newwizard_test.moc"
