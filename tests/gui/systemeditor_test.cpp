// The System Editor driven as a user does: typing into cells, refused texts, the session.
#include <QAbstractItemView>
#include <cmath>
#include <QClipboard>
#include <QMimeData>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QTableView>
#include <QtTest>

#include "core/app/session.h"
#include "core/util/numfmt.h"
#include "gui/editors/fieldsdialog.h"
#include "gui/editors/systemeditor.h"
#include "guitest.h"
#include "testsystems.h"

namespace zefo::gui::test {
namespace {

Model threesurfaces() {
    return buildobjective({{"S", 50, 5, 1.5, 0.008, 10}, {"S", -50, 3, 1.0, 0, 10}, {"S", 80, 40, 1.0, 0, 10}},
                          2, 0.1, {10}, 6);
}

GlassLookup nocatalog() {
    return [](const std::string&) -> std::optional<GlassRecord> { return std::nullopt; };
}

// A catalogue of the one glass of the test lenses, of index 1.5 at every wavelength.
GlassLookup glasscatalog() {
    return [](const std::string& name) -> std::optional<GlassRecord> {
        if (name != "glass") return std::nullopt;
        GlassRecord g;
        g.name = name;
        g.a = {2.25, 0, 0, 0, 0, 0};
        return g;
    };
}

// Types text into a cell and closes its editor with Return, as a user does.
void typeinto(QTableView* grid, int row, int col, const QString& text) {
    const QModelIndex index = grid->model()->index(row, col);
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto* editor = grid->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);   // the closed editor goes
}

}  // namespace

class SystemEditorTest : public QObject {
    Q_OBJECT
private slots:
    void typedCellsChangeTheLensOrAreRefused() {
        Model m = threesurfaces();
        zefo::Session session(m);
        SystemEditor editor(m, session, nocatalog());
        QStringList errors;
        editor.showerror = [&](const QString& msg) { errors << msg; };
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTableView* grid = editor.grid();
        QCOMPARE(grid->model()->rowCount(), 4);
        QCOMPARE(grid->model()->headerData(scradius, Qt::Horizontal).toString(), QString("     Radius"));
        QCOMPARE(grid->model()->index(3, scnumber).data().toString(), QString("IMG"));

        typeinto(grid, 0, scradius, "25");
        QCOMPARE(m.lens.sys.sp.curv[0], 0.04);
        QVERIFY(session.datachanged());
        QCOMPARE(grid->model()->index(0, scradius).data().toString(), QString("    25.000"));

        const OpticalSystem before = m.lens;
        typeinto(grid, 1, scoptlabel, "C D");
        typeinto(grid, 1, schmax, "60");          // over the radius of curvature
        typeinto(grid, 1, sclabel, "X");
        typeinto(grid, 2, scglass, "NOSUCH");
        QCOMPARE(errors, (QStringList{surfmsg::badoptlabel, surfmsg::hmaxoverradius, surfmsg::badlabel,
                                      surfmsg::glassnotfound}));
        QVERIFY(m.lens == before);
        QCOMPARE(grid->model()->index(1, sclabel).data().toString(), QString("S"));

        grid->setCurrentIndex(grid->model()->index(0, scglass));
        QCOMPARE(editor.hint(), QString("Glass name, from glass database, is case sensitive"));
    }

    void theMenuCommandOpensOneEditorThatCloseEnds();

    // Copy surface 1 (Ctrl+C), paste it before surface 3, cut surface 1: whole rows move
    // through a 142-byte block of the private type and the stop stays on its surface.
    void surfacesGoThroughTheClipboard() {
        Model m = threesurfaces();
        zefo::Session session(m);
        session.opened("three.dat");
        SystemEditor editor(m, session, glasscatalog());
        std::vector<int> answers{1, 3, 1, 2};
        size_t asked = 0;
        editor.asksurface = [&]() -> std::optional<int> { return answers.at(asked++); };
        std::vector<std::string> log;
        editor.log = [&](const std::string& line) { log.push_back(line); };
        QApplication::clipboard()->clear();
        const OpticalSystem start = m.lens;
        editor.show();
        QApplication::setActiveWindow(&editor);
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        editor.grid()->setFocus();
        QTest::keyClick(editor.grid(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(asked, size_t(1));
        QVERIFY(m.lens == start);
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        QVERIFY(mime && mime->hasFormat(SystemEditor::mimetype()));
        QCOMPARE(mime->data(SystemEditor::mimetype()).size(), 142);

        editor.surfacemenu()->findChild<QAction*>("Surface_paste")->trigger();
        QCOMPARE(m.lens.nsurf, 4);
        QCOMPARE(editor.grid()->model()->rowCount(), 5);
        QCOMPARE(m.lens.sys.sp.curv[2], start.sys.sp.curv[0]);   // the copy of surface 1 is surface 3
        QCOMPARE(m.lens.sys.sp.curv[3], start.sys.sp.curv[2]);   // the old surface 3 moved down
        QCOMPARE(m.lens.stopsurf, 2);
        QVERIFY(session.datachanged());

        editor.surfacemenu()->findChild<QAction*>("Surface_cut")->trigger();
        QCOMPARE(m.lens.nsurf, 3);
        QCOMPARE(m.lens.sys.sp.curv[0], start.sys.sp.curv[1]);
        QCOMPARE(m.lens.stopsurf, 1);   // still the surface that was surface 2
        QCOMPARE(log, (std::vector<std::string>{"Copy surface", "Surface number 1 is copied", "Copy surface - Finished",
                                                "Past surface", "Surface number 3 is pasted", "Past surface - Finished",
                                                "Cut surface", "Surface number 1 is cut", "Cut surface - Finished"}));

        // A damaged block (a radius that is not a number) is refused with the reason; the
        // lens and the grid stay as they were.
        QStringList errors;
        editor.showerror = [&](const QString& msg) { errors << msg; };
        std::vector<uint8_t> block = surfblock(m.lens, 0);
        leblock::putdouble(block, 18, std::nan(""));
        auto* damaged = new QMimeData;
        damaged->setData(SystemEditor::mimetype(),
                         QByteArray(reinterpret_cast<const char*>(block.data()), int(block.size())));
        QApplication::clipboard()->setMimeData(damaged);
        const OpticalSystem before = m.lens;
        editor.surfacemenu()->findChild<QAction*>("Surface_paste")->trigger();
        QCOMPARE(errors, QStringList{QString(surfmsg::badblock) + ": " + notanumbermsg});
        QVERIFY(m.lens == before);
        QCOMPARE(editor.grid()->model()->rowCount(), 4);
    }

    // Typed labels E and A open their constants dialogs; a refused constant keeps the dialog.
    void conicAndAsphericLabelsAskForTheirConstants() {
        Model m = threesurfaces();
        zefo::Session session(m);
        SystemEditor editor(m, session, nocatalog());
        QStringList errors, titles;
        editor.showerror = [&](const QString& msg) { errors << msg; };
        editor.rundialog = [&](QDialog& d) -> int {
            auto& dialog = dynamic_cast<FieldsDialog&>(d);
            titles << dialog.windowTitle();
            if (titles.size() == 1) {
                dialog.field(0)->setText("0");
                dialog.ok();
                dialog.field(0)->setText("-1");
            } else {
                dialog.field(1)->setText("x");
                dialog.ok();
                dialog.field(1)->setText("2e-7");
                dialog.field(0)->setText("-0,00001");
            }
            dialog.ok();
            return dialog.result();
        };
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        typeinto(editor.grid(), 0, sclabel, "E");
        typeinto(editor.grid(), 1, sclabel, "A");
        QCOMPARE(titles, (QStringList{"Conic Constant", "Aspherical constants"}));
        QCOMPARE(errors, (QStringList{surfmsg::zeroconic, "Not a valid number!"}));
        QCOMPARE(m.lens.sys.asf.eps[0], -1.0);
        QCOMPARE(m.lens.sys.asf.a4[1], -0.00001);
        QCOMPARE(m.lens.sys.asf.a6[1], 2e-7);
    }

    void aReplacedLensRebuildsTheGrid() {
        Model m = threesurfaces();
        zefo::Session session(m);
        session.opened("three.dat");
        SystemEditor editor(m, session, nocatalog());
        QCOMPARE(editor.grid()->model()->rowCount(), 4);
        QCOMPARE(deletesurface(m, 1), std::string());
        session.designchanged();   // another command changed the counts
        QCOMPARE(editor.grid()->model()->rowCount(), 3);
        QCOMPARE(editor.grid()->model()->index(0, scradius).data().toString(), QString("   -50.000"));
    }
};

// The command of the main window: one editor, its hint in status panel 0, gone with Close.
void SystemEditorTest::theMenuCommandOpensOneEditorThatCloseEnds() {
    test::Session s;
    s.open(s.lens());
    s.form->trigger("SystemEditor");
    s.form->trigger("SystemEditor");
    int editors = 0;
    for (QMdiSubWindow* sub : s.form->mdiarea()->subWindowList())
        editors += qobject_cast<SystemEditor*>(sub->widget()) != nullptr;
    QCOMPARE(editors, 1);
    QCOMPARE(s.form->statuspanel(0), QString("Allowed values are S(SM), E(EM), F(FM), A(AM), M"));
    s.form->trigger("FileClose");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    editors = 0;
    for (QMdiSubWindow* sub : s.form->mdiarea()->subWindowList())
        editors += qobject_cast<SystemEditor*>(sub->widget()) != nullptr;
    QCOMPARE(editors, 0);
    QCOMPARE(s.form->statuspanel(0), QString());
}

int runsystemeditortests(int argc, char** argv) {
    SystemEditorTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "systemeditor_test.moc"
