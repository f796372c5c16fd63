// A design the designer can trust through the main window: every change of the lens is a
// step that Undo and Redo walk exactly, the editors are locked while an optimizer works on
// the design, and the run's result arrives as one step of its own.
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>

#include "core/edit/surfaceedit.h"
#include "core/model/lensfile.h"
#include "core/optim/merit.h"
#include "core/raytrace/rayscheme.h"
#include "gui/app/iqdialogs.h"
#include "gui/app/reportwindow.h"
#include "gui/app/windowstamp.h"
#include "gui/editors/rayeditor.h"
#include "gui/editors/systemeditor.h"
#include "gui/graphics/graphwindow.h"
#include "guitest.h"
#include "testsystems.h"

namespace zefo::gui::test {

namespace {

// The double Gauss with its standard ray scheme aimed and default weights, saved and opened.
void opentrustgauss(Session& s) {
    Model g = doublegauss();
    initstdrays(g);
    rayscheme(g);
    sizemeritlist(g.lens, g.merit);
    calcweights(g);
    const QString path = QString::fromStdString(s.ws.datdir) + "gauss.dat";
    QVERIFY(savelensfile(path.toStdString(), g.lens).empty());
    s.open(path);
    QVERIFY(s.form->loaded());
}

SystemEditor* opentrusteditor(Session& s) {
    s.form->trigger("SystemEditor");
    for (QMdiSubWindow* sub : s.form->mdiarea()->subWindowList())
        if (auto* e = qobject_cast<SystemEditor*>(sub->widget())) return e;
    return nullptr;
}

// Commits a typed cell of the System Editor as its cell editor does on Return.
void committrustcell(SystemEditor* e, int row, int col, const QString& text) {
    QAbstractItemModel* table = e->grid()->model();
    QVERIFY(table->setData(table->index(row, col), text, Qt::EditRole));
}

// The number dialog of a Modify command: types text and presses OK.
std::function<int(QDialog&)> trustnumber(const QString& text) {
    return [text](QDialog& d) {
        d.findChild<QLineEdit*>("value")->setText(text);
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text() == "&OK") b->click();
        return d.result();
    };
}

QString actiontext(Session& s, const char* name) { return s.form->action(name)->text(); }

// OK in the image-quality parameter dialogs ("Edit MTF", "Edit Diffractional MTF").
int trustparamok(QDialog& d) {
    static_cast<ParamDialog&>(d).okpressed();
    return d.result();
}

QList<QMdiSubWindow*> trustframes(Session& s, const QString& caption) {
    QList<QMdiSubWindow*> out;
    for (QMdiSubWindow* sub : s.form->mdiarea()->subWindowList())
        if (sub->widget()->windowTitle() == caption) out << sub;
    return out;
}

std::vector<std::string> trusttexts(const DisplayList& dl) {
    std::vector<std::string> out;
    for (const TextItem& t : dl.texts) out.push_back(t.text);
    return out;
}

bool trustnamed(const DisplayList& dl, const std::string& name) {
    for (const TextItem& t : dl.texts)
        if (t.text.find(name) != std::string::npos) return true;
    return false;
}

}  // namespace

class TrustTest : public QObject {
    Q_OBJECT
private slots:
    // An editor commit, a label, a Scale and a DLS run, each a step; Undo walks back to the
    // lens as opened and Redo forth to the optimized one, value for value.
    void undoRedoWalkTheExactLenses() {
        Session s;
        opentrustgauss(s);
        QVERIFY(!s.enabled("EditUndo"));
        QVERIFY(!s.enabled("ClassicalDlsOptimization"));   // no variable yet
        std::vector<OpticalSystem> lenses{s.m.lens};
        SystemEditor* e = opentrusteditor(s);
        QVERIFY(e);
        committrustcell(e, 3, scradius, "-80");
        QCOMPARE(actiontext(s, "EditUndo"), QString("&Undo Radius of surface 4"));
        lenses.push_back(s.m.lens);
        committrustcell(e, 1, scoptlabel, "C");
        QVERIFY(s.enabled("ClassicalDlsOptimization"));   // the label made a variable: re-checked at once
        lenses.push_back(s.m.lens);
        s.dialogs.dialogsteps << trustnumber("2");
        s.form->trigger("ModifyScale");
        QCOMPARE(actiontext(s, "EditUndo"), QString("&Undo Scale by 2"));
        lenses.push_back(s.m.lens);
        s.form->trigger("ClassicalDlsOptimization");
        QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
        QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
        QCOMPARE(actiontext(s, "EditUndo"), QString("&Undo Classical DLS Optimization"));
        QVERIFY(!(s.m.lens == lenses.back()));   // the run changed the lens
        lenses.push_back(s.m.lens);

        s.form->trigger("FileSave");
        QVERIFY(!s.form->session().datachanged());
        const int logged = s.log().size();
        for (size_t k = lenses.size() - 1; k-- > 0;) {
            s.form->trigger("EditUndo");
            QVERIFY2(s.m.lens == lenses[k], qPrintable(QString("undo to step %1").arg(k)));
            QVERIFY(s.form->session().datachanged());
        }
        QVERIFY(!s.enabled("EditUndo"));
        QCOMPARE(s.logsince(logged).first(), QString("Undo Classical DLS Optimization"));
        // the editor follows: its radius cell shows the lens as opened
        QCOMPARE(e->grid()->model()->index(3, scradius).data().toString(),
                 QString::fromStdString(surfcelltext(lenses[0], 3, scradius)));
        QCOMPARE(actiontext(s, "EditRedo"), QString("&Redo Radius of surface 4"));
        for (size_t k = 1; k < lenses.size(); ++k) {
            s.form->trigger("EditRedo");
            QVERIFY2(s.m.lens == lenses[k], qPrintable(QString("redo to step %1").arg(k)));
        }
        QVERIFY(!s.enabled("EditRedo"));
        // Opening a file starts a new history.
        s.form->trigger("FileSave");
        s.open(s.form->filepath());
        QVERIFY(!s.enabled("EditUndo") && !s.enabled("EditRedo"));
    }

    // While DLS works on a copy of the design the editor is read-only and says why, Undo
    // and the commands wait; the run's lens then arrives as one step, the editor unlocked.
    void editsAreLockedWhileAnOptimizerRuns() {
        Session s;
        opentrustgauss(s);
        SystemEditor* e = opentrusteditor(s);
        committrustcell(e, 1, scoptlabel, "C");
        const OpticalSystem start = s.m.lens;
        s.form->trigger("ClassicalDlsOptimization");
        QVERIFY(s.form->optimrun());   // the run waits for its first memo line to be shown
        QVERIFY(e->readonly());
        auto* line = e->findChild<QLabel*>("ReadOnlyLine");
        QVERIFY(line && !line->isHidden() && line->text().startsWith("Read-only: An optimization is running"));
        const QModelIndex cell = e->grid()->model()->index(3, scradius);
        e->grid()->setCurrentIndex(cell);
        e->grid()->edit(cell);
        QVERIFY(!e->grid()->findChild<QLineEdit*>());   // no cell opens
        for (QAction* a : e->surfacemenu()->actions()) QVERIFY(!a->isEnabled());
        QVERIFY(!s.enabled("EditUndo"));
        s.form->execute(commandcatalogue().front());   // any command: refused with the reason
        QVERIFY(s.form->statuspanel(0).startsWith("An optimization is running"));
        QVERIFY(s.m.lens == start);

        QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
        QVERIFY(!e->readonly());
        QVERIFY(line->isHidden());
        QCOMPARE(s.form->session().lastchange().text, std::string("Classical DLS Optimization"));
        s.form->trigger("EditUndo");
        QVERIFY(s.m.lens == start);
        e->grid()->edit(cell);
        QVERIFY(e->grid()->findChild<QLineEdit*>());   // editable again
    }

    void staleWindowsAreMarkedNeverRelabelled();
    void windowMenuListsAndClosesAll();
    void editorFaults();
    void cancelKeepsTheOpenLens();
};


// A diffraction MTF of the double Gauss stays the double Gauss's after another lens is
// opened: it keeps its picture (name and curves alike) and is marked out of date; the
// report window too. Recalculate goes through the dialogs and replaces it.
void TrustTest::staleWindowsAreMarkedNeverRelabelled() {
    Session s;
    opentrustgauss(s);
    const std::string gaussname = s.m.lens.sysname;
    s.dialogs.dialogsteps << trustparamok << trustparamok;
    s.dialogs.wavelengthitem = 0;
    s.form->trigger("DiffractionMtf");
    QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Edit MTF", "Edit Diffractional MTF"}));
    s.form->trigger("RayTrace");
    s.form->trigger("DrawOpticalSystem");
    QCOMPARE(trustframes(s, "Diffraction MTF").size(), 1);
    QMdiSubWindow* mtf = trustframes(s, "Diffraction MTF").first();
    auto* g = qobject_cast<GraphWindow*>(mtf->widget());
    const DisplayList before = g->picture();
    QVERIFY(trustnamed(before, gaussname));
    QVERIFY(mtf->windowTitle().startsWith(QString("Diffraction MTF - %1 (gauss.dat, revision ").arg(gaussname.c_str())));
    QVERIFY(!WindowStamp::of(mtf)->outofdate());

    s.open(s.lens());   // another lens
    const std::string other = s.m.lens.sysname;
    QVERIFY(other != gaussname);
    const WindowStamp* st = WindowStamp::of(mtf);
    QVERIFY(st->outofdate());
    QVERIFY(mtf->windowTitle().endsWith(" - out of date: the lens has changed"));
    QVERIFY(mtf->windowTitle().contains(gaussname.c_str()));
    auto* bar = g->findChild<QWidget*>("OutOfDateBar");
    QVERIFY(bar && !bar->isHidden());
    bar->hide();   // the same canvas as before: the very same picture, the old lens's
    QVERIFY(trusttexts(g->picture()) == trusttexts(before));
    QCOMPARE(g->picture().lines.size(), before.lines.size());
    QVERIFY(!trustnamed(g->picture(), other));
    bar->show();
    // the text report is marked too; the drawing of the system follows the new lens
    const QList<QMdiSubWindow*> reports = trustframes(s, "Ray Trace");
    QVERIFY(!reports.isEmpty());
    for (QMdiSubWindow* r : reports)
        if (qobject_cast<ReportWindow*>(r->widget())) QVERIFY(WindowStamp::of(r)->outofdate());
    QMdiSubWindow* drawing = trustframes(s, "Optical System").first();
    QVERIFY(!WindowStamp::of(drawing)->outofdate());
    QVERIFY(drawing->windowTitle().contains(QString::fromStdString(other)));
    QVERIFY(trustnamed(qobject_cast<GraphWindow*>(drawing->widget())->picture(), other));

    // Recalculate: the command's own dialogs, then a window of the new lens in its place
    s.dialogs.dialogtitles.clear();
    s.dialogs.dialogsteps << trustparamok << trustparamok;
    st->recalculatebutton()->click();
    QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Edit MTF", "Edit Diffractional MTF"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QMdiSubWindow*> now = trustframes(s, "Diffraction MTF");
    QCOMPARE(now.size(), 1);
    QVERIFY(!WindowStamp::of(now.first())->outofdate());
    const DisplayList fresh = qobject_cast<GraphWindow*>(now.first()->widget())->picture();
    QVERIFY(trustnamed(fresh, other) && !trustnamed(fresh, gaussname));
}

// The Window menu lists the open windows by their titles, the active one checked, and
// closes them all.
void TrustTest::windowMenuListsAndClosesAll() {
    Session s;
    opentrustgauss(s);
    s.form->trigger("OpticalSystem");
    s.form->trigger("DrawOpticalSystem");
    QMenu* menu = s.form->findChild<QMenu*>("Window");
    QVERIFY(menu);
    emit menu->aboutToShow();
    QStringList entries;
    for (QAction* a : menu->actions())
        if (a->objectName().startsWith("WindowEntry")) entries << a->text();
    const QList<QMdiSubWindow*> subs = s.form->mdiarea()->subWindowList();
    QCOMPARE(entries.size(), subs.size());
    QCOMPARE(entries[0], "&1 " + subs[0]->windowTitle());
    QVERIFY(menu->findChild<QAction*>("WindowEntry2")->isChecked());   // the drawing, opened last
    menu->findChild<QAction*>("WindowEntry1")->trigger();
    QCOMPARE(s.form->mdiarea()->activeSubWindow(), subs[0]);
    s.form->trigger("WindowCloseAll");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(s.form->mdiarea()->subWindowList().isEmpty());
}

// Ray Editor > Insert, then Cancel: the scheme is as it was, nothing is changed and the log
// says the insert was terminated; the System Editor's "M" keeps the label and flips signs;
// both editors run their command shell.
void TrustTest::editorFaults() {
    Session s;
    opentrustgauss(s);
    const int logged = s.log().size();
    s.form->trigger("RayEditor");
    QCOMPARE(s.form->statuspanel(1), QString("Ray editor"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Input"));
    RayEditor* rays = nullptr;
    for (QMdiSubWindow* sub : s.form->mdiarea()->subWindowList())
        if (auto* e = qobject_cast<RayEditor*>(sub->widget())) rays = e;
    QVERIFY(rays);
    const OpticalSystem start = s.m.lens;
    rays->askray = [] { return std::optional<int>(3); };
    rays->rundialog = [](QDialog&) { return int(QDialog::Rejected); };
    rays->raymenu()->findChild<QAction*>("Ray_before")->trigger();
    QVERIFY(s.m.lens == start);
    QVERIFY(!s.form->session().datachanged());
    QVERIFY(!s.enabled("EditUndo"));
    QCOMPARE(s.logsince(logged), (QStringList{"Ray editor", "Insert ray before", "Ray is inserted before ray number 3",
                                              "Insert ray before - Terminated by user"}));

    const int before = s.log().size();
    SystemEditor* e = opentrusteditor(s);
    QCOMPARE(s.form->statuspanel(1), QString("Optical system data editor"));
    QCOMPARE(s.logsince(before), QStringList{"Optical system data editor"});
    const Index3 n = s.m.lens.sys.sp.index[1];
    committrustcell(e, 1, sclabel, "M");
    QCOMPARE(QString::fromStdString(s.m.lens.sys.sp.surflabel[1]), QString("S"));
    for (int w = 0; w < 3; ++w) QCOMPARE(s.m.lens.sys.sp.index[1][size_t(w)], -n[size_t(w)]);
    QCOMPARE(e->grid()->model()->index(1, sclabel).data().toString().trimmed(), QString("S"));
}

// Cancel in the save question abandons Open and New; Cancel in New's wizard keeps the open
// lens, its title and its unsaved change.
void TrustTest::cancelKeepsTheOpenLens() {
    Session s;
    opentrustgauss(s);
    SystemEditor* e = opentrusteditor(s);
    committrustcell(e, 2, scsep, "7.5");
    const OpticalSystem edited = s.m.lens;
    const QString other = s.lens();
    s.dialogs.cancelquestions = 1;
    s.open(other);
    QCOMPARE(s.dialogs.questions, QStringList{"Optical system data is changed. Save changed data?"});
    QVERIFY(s.m.lens == edited);
    QCOMPARE(s.dialogs.openanswers, QStringList{other});   // the file dialog was never shown
    s.dialogs.openanswers.clear();
    s.dialogs.cancelquestions = 1;
    s.form->trigger("FileNew");
    QVERIFY(s.dialogs.dialogtitles.isEmpty());
    QVERIFY(s.m.lens == edited);

    s.dialogs.questionanswers << false;   // No: do not save, go on with New; then Cancel the wizard
    s.form->trigger("FileNew");
    QCOMPARE(s.dialogs.dialogtitles.size(), 1);
    QVERIFY(s.m.lens == edited);
    QVERIFY(s.form->loaded());
    QCOMPARE(s.form->windowTitle(), QString("ZEFO - gauss"));
    QVERIFY(s.form->session().datachanged());
    QVERIFY(s.enabled("SystemEditor") && s.enabled("EditUndo"));
    QCOMPARE(s.log().last(), QString("New optical system - Terminated by user"));
}

int runtrusttests(int argc, char** argv) {
    TrustTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "trust_test.moc"
