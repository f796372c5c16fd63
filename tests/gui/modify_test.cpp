// The Modify commands, the mechanical data and the CAD scripts through the main window,
// each dialog answered by the test.
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "core/model/lensfile.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "gui/app/reportwindow.h"
#include "guitest.h"
#include "testsystems.h"

namespace zefo::gui::test {

namespace {

// The double Gauss objective saved as a lens file and opened.
void opengauss(Session& s) {
    const QString path = QString::fromStdString(s.ws.datdir) + "gauss.dat";
    Model g = doublegauss();
    initstdrays(g);
    QVERIFY(savelensfile(path.toStdString(), g.lens).empty());
    s.open(path);
}

QPushButton* okbutton(QDialog& d) {
    for (QPushButton* b : d.findChildren<QPushButton*>())
        if (b->text() == "&OK") return b;
    return nullptr;
}

// Types each text into the number dialog and presses OK; the dialog's result.
std::function<int(QDialog&)> typed(QStringList texts, QStringList* shown = nullptr) {
    return [texts, shown](QDialog& d) {
        auto* field = d.findChild<QLineEdit*>("value");
        for (const QString& t : texts) {
            if (shown) *shown << field->text();
            field->setText(t);
            okbutton(d)->click();
        }
        if (shown) *shown << field->text();
        return d.result();
    };
}

// Chooses a radio button of the choice dialog and presses OK.
std::function<int(QDialog&)> chosen(int index) {
    return [index](QDialog& d) {
        d.findChildren<QRadioButton*>()[index]->setChecked(true);
        okbutton(d)->click();
        return d.result();
    };
}

std::function<int(QDialog&)> answered(QMessageBox::StandardButton b) {
    return [b](QDialog&) { return int(b); };
}

QStringList lines(ReportWindow* w) { return w->DSMemo->toPlainText().split('\n'); }

}  // namespace

class ModifyTest : public QObject {
    Q_OBJECT
private slots:
    void scaleRefusesZeroThenScales() {
        Session s;
        opengauss(s);
        const OpticalSystem before = s.m.lens;
        QStringList shown;
        s.dialogs.dialogsteps << typed({"0", "2,0"}, &shown);
        const int n = s.log().size();
        s.form->trigger("ModifyScale");
        QCOMPARE(s.dialogs.dialogtitles, QStringList{"Scale Factor"});
        QCOMPARE(s.dialogs.errors, QStringList{"Scale factor must not be zero!"});
        QCOMPARE(shown, (QStringList{"1.000", "1.000", "2,0"}));
        QCOMPARE(s.logsince(n), (QStringList{"Scale optical system", "Scale factor is    2.000",
                                              "Scale optical system - Finished"}));
        // up to the last surface; the image distance follows from the first-order data
        for (int k = 0; k < before.nsurf; ++k)
            QCOMPARE(s.m.lens.sys.sp.sep[size_t(k)], 2 * before.sys.sp.sep[size_t(k)]);
        const auto w = s.form->reportwindows();
        QCOMPARE(w.size(), 1);
        QCOMPARE(w[0]->windowTitle(), QString("Scaled Optical System"));
        QVERIFY(lines(w[0]).first().startsWith("System name ="));
        // Cancel changes nothing more.
        const OpticalSystem scaled = s.m.lens;
        s.form->trigger("ModifyScale");
        QVERIFY(s.m.lens == scaled);
        QCOMPARE(s.log().last(), QString("Scale optical system - Terminated by user"));
    }

    void angleSolveAndReverse() {
        Session s;
        opengauss(s);
        const OpticalSystem before = s.m.lens;
        s.dialogs.dialogsteps << typed({"80"});
        s.form->trigger("ModifyAngleSolve");
        Model check;
        takelens(check, s.m.lens);
        ssetq(check);
        QVERIFY(std::fabs(systemfocus(check).efl - 80) < 1e-6);
        QCOMPARE(s.form->reportwindows().last()->windowTitle(), QString("Anglesolved Optical System"));
        // Reverse: No cancels, Yes twice gives the system back.
        s.m.lens = before;
        s.dialogs.dialogsteps << answered(QMessageBox::No) << answered(QMessageBox::Yes)
                              << answered(QMessageBox::Yes);
        s.form->trigger("ModifyReverse");
        QVERIFY(s.m.lens == before);
        s.form->trigger("ModifyReverse");
        QVERIFY(!(s.m.lens == before));
        QCOMPARE(s.form->reportwindows().last()->windowTitle(), QString("Reversed Optical System"));
        s.form->trigger("ModifyReverse");
        // back as it was; the image distance follows from the first-order data anew
        const auto &sp = s.m.lens.sys.sp, &sp0 = before.sys.sp;
        QVERIFY(sp.curv == sp0.curv && sp.glass == sp0.glass && sp.index == sp0.index);
        for (int k = 0; k < before.nsurf; ++k) QCOMPARE(sp.sep[size_t(k)], sp0.sep[size_t(k)]);
        QCOMPARE(s.dialogs.dialogtitles.mid(1), (QStringList{"Reverse", "Reverse", "Reverse"}));
    }

    void mechanicalDiametersRingsAndMass() {
        Session s;
        opengauss(s);
        s.dialogs.dialogsteps << chosen(0);
        s.form->trigger("DefineMechanicalDiameter");
        auto w = s.form->reportwindows();
        QCOMPARE(w.size(), 1);
        QCOMPARE(w[0]->windowTitle(), QString("Mechanical Diameter"));
        QCOMPARE(lines(w[0])[2], QString(" No    Radius   Separation   glass    Clear      Mechanical"));
        // Clear radius 40 (b = 80): lock ring Int(83.5) + 1 = 84.
        QVERIFY(lines(w[0])[3].endsWith("80.00         84.00"));
        // a diameter the rule asks beyond where its sphere ends is held there, with a box
        QVERIFY2(s.dialogs.messages.contains(
                     "Mechanical Diameter: Mechanical diameter of surface 5 is held at  56.440, where its surface ends"),
                 qPrintable(s.dialogs.messages.join("|")));
        QVERIFY(lines(w[0]).contains("Surface 5: mechanical diameter held where the surface ends"));
        s.dialogs.messages.clear();
        // thin biconvex lenses are left as they are
        s.dialogs.dialogsteps << chosen(1);
        for (int i = 0; i < 6; ++i) s.dialogs.dialogsteps << answered(QMessageBox::No);
        s.form->trigger("DistanceRing");
        s.dialogs.dialogsteps.clear();
        // A rolled edge does not fit 80 mm: its box, then the lock ring.
        QCOMPARE(s.dialogs.messages.first(), QString("Error: Optical system too big for construction"));
        w = s.form->reportwindows();
        QCOMPARE(w.last()->windowTitle(), QString("Distance Ring"));
        QCOMPARE(lines(w.last())[0], QString("Dimensions of the distance rings"));
        s.dialogs.messages.clear();
        // Mass: at their mechanical diameters some lenses of this design have crossing
        // surfaces; no volume, no mass.
        s.dialogs.dialogsteps << chosen(0);
        for (int i = 0; i < 12; ++i)
            s.dialogs.dialogsteps << [](QDialog& d) {
                return d.findChild<QLineEdit*>("value") ? typed({"2.5"})(d) : int(QMessageBox::Yes);
            };
        s.form->trigger("SystemMass");
        QVERIFY2(s.dialogs.reasons.last().endsWith("has no volume at its mechanical diameter"),
                 qPrintable(s.dialogs.reasons.last()));
        s.dialogs.dialogsteps.clear();
        s.dialogs.messages.clear();
        s.dialogs.dialogtitles.clear();
        // The sample singlet: density refused once, the diameter confirmed.
        s.open(s.lens());
        s.dialogs.dialogsteps << chosen(0) << typed({"7", "3,0"}) << answered(QMessageBox::Yes);
        s.form->trigger("SystemMass");
        QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Construction Type", "Glass density", "Mass"}));
        QCOMPARE(s.dialogs.errors.last(), QString("Glass specific mass must not between 2 and 5!"));
        QCOMPARE(s.dialogs.messages.size(), 1);
        QVERIFY2(s.dialogs.messages.last().startsWith("Mass: Optical system mass is "),
                 qPrintable(s.dialogs.messages.last()));
        QCOMPARE(s.log().last(), QString("Optical system mass - Finished"));
        QVERIFY(s.log().join("|").contains("glass density is 3.00"));
    }

    void acadScriptsAndCancel() {
        Session s;
        opengauss(s);
        const QString dir = QString::fromStdString(s.ws.scriptdir);
        s.form->trigger("AcadOpticalSystem");   // the construction dialog is cancelled
        QCOMPARE(s.dialogs.notices, QStringList{"Creating script file for ACAD terminated by user!"});
        QVERIFY(!QFile::exists(dir + "gauss.scr"));
        QCOMPARE(s.log().last(), QString("Optical system script for ACAD - Terminated by user"));
        s.dialogs.dialogsteps << chosen(0);
        s.form->trigger("AcadOpticalSystem");
        QVERIFY(QFile::exists(dir + "gauss.scr"));
        QVERIFY(QFile::exists(dir + "gauss.dxf"));
        QCOMPARE(Session::textlines(dir + "gauss.scr").last(), QString("redraw"));
        QCOMPARE(s.log().last(), QString("Optical system script for ACAD - Finished"));
    }
};

int runmodifytests(int argc, char** argv) {
    ModifyTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "modify_test.moc"
