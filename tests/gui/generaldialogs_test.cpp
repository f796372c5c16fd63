// The general data commands of the Data Editor menu and the New Surface dialog, driven as a
// user does: type into the dialogs, press OK, and check the lens, the log and the editors.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

#include "core/edit/surfaceedit.h"
#include "gui/editors/fieldsdialog.h"
#include "gui/editors/generaldialogs.h"
#include "gui/editors/rayeditor.h"
#include "gui/editors/systemeditor.h"
#include "guitest.h"

namespace zefo::gui::test {
namespace {

void retype(QLineEdit* e, const QString& text) {
    e->clear();
    QTest::keyClicks(e, text);
}

// The sample Cooke triplet (4 fields, 34 standard rays, SK4 and SF2) opened in the session.
void opencooke(Session& s) {
    const QString path = QString::fromStdString(s.ws.datdir) + "COOKE.dat";
    QFile::copy(QString(ZEFO_TEST_DATA) + "/../../../samples/COOKE.dat", path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    s.open(path);
}

template <class Editor>
Editor* openeditor(ZefoMainForm& form) {
    for (QMdiSubWindow* sub : form.mdiarea()->subWindowList())
        if (auto* e = qobject_cast<Editor*>(sub->widget())) return e;
    return nullptr;
}

class GeneralDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // A refused entry keeps the dialog open and the lens as it was; OK then logs each change,
    // and a four-field layout rebuilt for relative rays asks the scheme size.
    void generalDataEditor() {
        Session s;
        opencooke(s);
        const OpticalSystem before = s.m.lens;
        QStringList errors, schemes;
        s.dialogs.dialogsteps << [&](QDialog& d) {
            auto& g = dynamic_cast<GeneralDataDialog&>(d);
            g.showerror = [&](const QString& msg) { errors << msg; };
            g.rundialog = [&](QDialog& inner) {
                schemes << inner.windowTitle();
                dynamic_cast<RaySchemeTypeDialog&>(inner).partial->setChecked(true);
                return int(QDialog::Accepted);
            };
            retype(g.defocus, "0.5");
            retype(g.stop, "9");   // beyond the seven surfaces
            g.ok();
            if (g.result() == QDialog::Accepted || !(s.m.lens == before)) return int(QDialog::Rejected);
            retype(g.stop, "5");
            g.raytype->setCurrentIndex(1);   // relative rays
            g.ok();
            return g.result();
        };
        const int lines = s.log().size();
        s.form->trigger("GeneralDataEditor");
        QCOMPARE(errors, QStringList{genmsg::badstop});
        QCOMPARE(schemes, QStringList{"Ray scheme type"});
        // The third field, 8.302 in the sample, shown as 8.30 and left alone, keeps its value.
        QCOMPARE(s.logsince(lines), (QStringList{"General data editor", "New value for defocus is  0.500",
                                                 "New ray scheme type is relative rays",
                                                 "General data editor - Finished"}));
        QCOMPARE(s.m.lens.defocus, 0.5);
        QCOMPARE(int(s.m.lens.raytype), 10);
        QCOMPARE(int(s.m.lens.nrays), 24);   // partial scheme for four fields
        QVERIFY(s.form->session().datachanged());
        QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    }

    // Four fields down to two: the Field angles dialog takes the second value, the scheme
    // becomes the six-ray one and an open Ray Editor shows it; Cancel there changes nothing.
    void numberOfFields() {
        Session s;
        opencooke(s);
        s.form->trigger("RayEditor");
        RayEditor* rays = openeditor<RayEditor>(*s.form);
        QVERIFY(rays);
        QCOMPARE(rays->grid()->model()->rowCount(), 34);
        auto count = [](const QString& n) {
            return [n](QDialog& d) {
                auto& c = dynamic_cast<NumberOfFieldsDialog&>(d);
                retype(c.count, "7");   // refused keys leave the entry empty
                retype(c.count, n);
                c.ok();
                return c.result();
            };
        };
        const OpticalSystem before = s.m.lens;
        s.dialogs.dialogsteps << count("2");   // Field angles cancelled
        s.form->trigger("FieldCountEditor");
        QVERIFY(s.m.lens == before);
        QCOMPARE(s.log().last(), QString("Change number of field angles - Terminated by user"));
        QStringList titles;
        s.dialogs.dialogsteps << count("2") << std::function<int(QDialog&)>([&](QDialog& d) {
            auto& f = dynamic_cast<FieldAnglesDialog&>(d);
            titles << QString::number(f.field[1]->isEnabled()) + QString::number(f.field[2]->isEnabled()) +
                          QString::number(f.scheme->isEnabled());
            retype(f.field[1], "9.5");
            f.ok();
            return f.result();
        });
        const int lines = s.log().size();
        s.form->trigger("FieldCountEditor");
        QCOMPARE(titles, QStringList{"100"});   // only the second value; no scheme size for 2 fields
        QCOMPARE(s.logsince(lines), (QStringList{"Change number of field angles", "New value for number of field is 2",
                                                 "New value for second field angle is  9.50",
                                                 "Change number of field angles - Finished"}));
        QCOMPARE(int(s.m.lens.nfields), 2);
        QCOMPARE(int(s.m.lens.nrays), 6);
        QCOMPARE(s.m.lens.field, (std::vector<double>{0, 9.5}));
        QCOMPARE(rays->grid()->model()->rowCount(), 6);
    }

    // The middle wavelength to the e line and the lower one to 350 nm (after a refused
    // 1600 nm): the glasses follow with normal dispersion, air stays 1.
    void wavelengths() {
        Session s;
        opencooke(s);
        const OpticalSystem before = s.m.lens;
        QStringList errors;
        using Step = std::function<int(QDialog&)>;
        s.dialogs.dialogsteps << Step([](QDialog& d) {
            auto& w = dynamic_cast<WavelengthDialog&>(d);
            w.change[0]->setChecked(true);
            w.change[2]->setChecked(true);
            w.ok();
            return w.result();
        }) << Step([](QDialog& d) {
            auto& single = dynamic_cast<SingleWavelengthDialog&>(d);
            single.items->button(4)->setChecked(true);   // e spectral line
            single.ok();
            return single.result();
        }) << Step([&](QDialog& d) {
            auto& single = dynamic_cast<SingleWavelengthDialog&>(d);
            single.items->button(10)->setChecked(true);   // other wave length
            single.ok();
            return single.result();
        }) << Step([&](QDialog& d) {
            auto& other = dynamic_cast<FieldsDialog&>(d);
            other.showerror = [&](const QString& msg) { errors << msg; };
            retype(other.field(0), "1600");
            other.ok();
            retype(other.field(0), "350");
            other.ok();
            return other.result();
        });
        const int lines = s.log().size();
        s.form->trigger("WavelengthEditor");
        QCOMPARE(s.dialogs.dialogtitles,
                 (QStringList{"Wavelength", "Single wave length", "Single wave length", "Other Wavelength"}));
        QCOMPARE(errors, QStringList{genmsg::badwavelength});
        QCOMPARE(s.logsince(lines), (QStringList{"Wavelength editor", "New value for middle wavelength is 0.0005461",
                                                 "New value for lower wavelength is 0.0003500",
                                                 "Wavelength editor - Finished"}));
        QCOMPARE(s.m.lens.wl[0], 0.0005461);
        QCOMPARE(s.m.lens.wl[1], before.wl[1]);
        QCOMPARE(s.m.lens.wl[2], 0.00035);
        const auto& now = s.m.lens.sys.sp;
        const auto& was = before.sys.sp;
        for (int k = 0; k <= s.m.lens.nsurf; ++k) {
            if (isair(now.glass[k])) {
                QCOMPARE(now.index[k], was.index[k]);
                continue;
            }
            // d < e < F and 350 nm above F: indices fall with the wavelength.
            QVERIFY(was.index[k][0] < now.index[k][0] && now.index[k][0] < was.index[k][2]);
            QVERIFY(now.index[k][2] > was.index[k][2]);
            QCOMPARE(now.index[k][1], was.index[k][1]);
            QCOMPARE(now.disp[k], now.index[k][2] - now.index[k][1]);
        }
        QVERIFY(s.form->session().datachanged());
    }

    // Insert Surface After through the editor's menu: the New Surface dialog fills the new
    // row (a zero distance refused first); Cancel takes the row out again.
    void newSurface() {
        Session s;
        opencooke(s);
        s.form->trigger("SystemEditor");
        SystemEditor* editor = openeditor<SystemEditor>(*s.form);
        QVERIFY(editor);
        editor->asksurface = [] { return std::optional<int>(7); };
        QStringList errors;
        editor->showerror = [&](const QString& msg) { errors << msg; };
        QAction* after = editor->surfacemenu()->findChild<QAction*>("Surface_after");
        const OpticalSystem before = s.m.lens;
        editor->rundialog = [](QDialog&) { return int(QDialog::Rejected); };
        after->trigger();
        QVERIFY(s.m.lens == before);
        QCOMPARE(editor->grid()->model()->rowCount(), 8);
        QStringList titles;
        editor->rundialog = [&](QDialog& d) {
            titles << d.windowTitle();
            auto& f = dynamic_cast<FieldsDialog&>(d);
            const QStringList typed = {"S", "C", "-80", "0", "0", "0", "0", "0", "air", "16"};
            for (int i = 0; i < typed.size(); ++i) retype(f.field(i), typed[i]);
            f.ok();   // distance 0
            retype(f.field(5), "60");
            f.ok();
            return f.result();
        };
        const int lines = s.log().size();
        after->trigger();
        QCOMPARE(titles, QStringList{"New Surface"});
        QCOMPARE(errors, QStringList{surfmsg::zerodistance});
        QCOMPARE(s.m.lens.nsurf, 8);
        QCOMPARE(s.m.lens.sys.sp.radius[7], -80.0);
        QCOMPARE(s.m.lens.sys.sp.curv[7], -1 / 80.0);
        QCOMPARE(s.m.lens.sys.sp.sep[7], 60.0);
        QCOMPARE(s.m.lens.sys.sp.hmax[7], 16.0);
        QCOMPARE(s.m.lens.stopsurf, 5);
        QCOMPARE(s.logsince(lines),
                 (QStringList{"Insert surface after", "Surface is inserted after surface number 7",
                              "Following data are entered for new surface:", "Surface label S Optimization label C",
                              "Radius    -80.000 Separation     60.000 Glass air Clear aperture  16.00",
                              "Insert surface after - Finished"}));
        QCOMPARE(editor->grid()->model()->rowCount(), 9);
        QVERIFY(s.form->session().datachanged());
    }
};

}  // namespace

int rungeneraldialogtests(int argc, char** argv) {
    GeneralDialogsTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "generaldialogs_test.moc"
