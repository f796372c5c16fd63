// The Ray Editor driven as a user does: typing into cells, refused texts, the session.
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QtTest>

#include "core/app/session.h"
#include "gui/editors/fieldsdialog.h"
#include "gui/editors/rayeditor.h"
#include "guitest.h"
#include "testsystems.h"

namespace zefo::gui::test {
namespace {

Model onelens() {
    return buildobjective({{"S", 50, 5, 1.5, 0.008, 10}, {"S", -50, 40, 1.0, 0, 10}}, 1, 0.1, {10}, 6);
}

// Types text into a ray cell and closes its editor with Return.
void typeray(QTableView* grid, int row, int col, const QString& text) {
    const QModelIndex index = grid->model()->index(row, col);
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto* editor = grid->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int rayeditors(ZefoMainForm& form) {
    int n = 0;
    for (QMdiSubWindow* sub : form.mdiarea()->subWindowList()) n += qobject_cast<RayEditor*>(sub->widget()) != nullptr;
    return n;
}

}  // namespace

class RayEditorTest : public QObject {
    Q_OBJECT
private slots:
    void typedCellsChangeTheRaysOrAreRefused() {
        Model m = onelens();
        zefo::Session session(m);
        RayEditor editor(m, session);
        QStringList errors;
        editor.showerror = [&](const QString& msg) { errors << msg; };
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTableView* grid = editor.grid();
        QAbstractItemModel* t = grid->model();
        QCOMPARE(t->rowCount(), 6);
        QStringList headers;
        for (int c = 0; c < t->columnCount(); ++c) headers << t->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{" No", " Ray label", "      Xrel", "      Yrel", "         X", "         Y",
                                       "         L", "         M"}));
        QCOMPARE(t->index(5, 0).data().toString(), QString("6"));

        // l = 0.6 and m = 0.8 are a pair of direction cosines (0.36 + 0.64 = 1)
        typeray(grid, 2, 6, "0,6");
        typeray(grid, 2, 7, "0.8");
        typeray(grid, 2, 1, "13");
        QCOMPARE(m.lens.rays.l[2], 0.6);
        QCOMPARE(m.lens.rays.m[2], 0.8);
        QCOMPARE(int(m.lens.rays.rl[2]), 13);
        QVERIFY(session.datachanged());
        QCOMPARE(t->index(2, 6).data().toString(), QString(" 0.600000"));
        QVERIFY(errors.isEmpty());

        const OpticalSystem before = m.lens;
        typeray(grid, 2, 6, "0.1");    // 0.01 + 0.64 fine; then m = 0.995 breaks the sum
        const OpticalSystem afterl = m.lens;
        typeray(grid, 2, 7, "0.995");
        typeray(grid, 3, 1, "7");
        typeray(grid, 3, 4, "x1");
        typeray(grid, 3, 7, "-1.5");
        QCOMPARE(errors, (QStringList{raymsg::lmsum, raymsg::badlabel, "Not a valid number!", raymsg::mrange}));
        QVERIFY(m.lens == afterl);
        QVERIFY(!(m.lens == before));
        QCOMPARE(t->index(3, 1).data().toString(), QString::number(before.rays.rl[3]));

        grid->setCurrentIndex(t->index(0, 3));
        QCOMPARE(editor.hint(), QString("Enter relative ray coordinate for y axis"));
    }

    void aNewRaySchemeRebuildsTheGrid() {
        Model m = onelens();
        zefo::Session session(m);
        session.opened("one.dat");
        RayEditor editor(m, session);
        QCOMPARE(editor.grid()->model()->columnCount(), 8);
        m.lens.raytype = 0;   // a scheme of absolute rays, one ray fewer
        QCOMPARE(deleteray(m.lens, 6), std::string());
        session.designchanged();
        QCOMPARE(editor.grid()->model()->columnCount(), 6);
        QCOMPARE(editor.grid()->model()->rowCount(), 5);
        QCOMPARE(editor.grid()->model()->headerData(2, Qt::Horizontal).toString(), QString("         X"));
    }

    // Copy ray 2, paste it before ray 5, cut ray 1: the rays move as whole records, the
    // clipboard holds one 49-byte block of the private type.
    void copyPasteAndCutGoThroughTheClipboard() {
        Model m = onelens();
        zefo::Session session(m);
        session.opened("one.dat");
        RayEditor editor(m, session);
        std::vector<int> answers{2, 5, 1};
        size_t asked = 0;
        editor.askray = [&]() -> std::optional<int> { return answers.at(asked++); };
        std::vector<std::string> log;
        editor.log = [&](const std::string& line) { log.push_back(line); };
        QApplication::clipboard()->clear();
        m.lens.rays.x[1] = 1.25;
        m.lens.rays.l[1] = 0.28;
        m.lens.rays.m[1] = 0.96;
        const OpticalSystem start = m.lens;
        auto trigger = [&](const char* name) {
            QAction* a = editor.raymenu()->findChild<QAction*>(name);
            if (!a) a = editor.findChild<QAction*>(name);
            QVERIFY2(a, name);
            a->trigger();
        };
        editor.show();
        QApplication::setActiveWindow(&editor);
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        editor.grid()->setFocus();
        QTest::keyClick(editor.grid(), Qt::Key_C, Qt::ControlModifier);   // the shortcut of Copy
        QCOMPARE(asked, size_t(1));
        QVERIFY(m.lens == start);
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        QVERIFY(mime && mime->hasFormat(RayEditor::mimetype()));
        QCOMPARE(mime->data(RayEditor::mimetype()).size(), 49);

        trigger("Ray_paste");
        QCOMPARE(int(m.lens.nrays), 7);
        QCOMPARE(editor.grid()->model()->rowCount(), 7);
        for (int k : {0, 1, 2, 3}) QCOMPARE(m.lens.rays.y[size_t(k)], start.rays.y[size_t(k)]);
        QCOMPARE(m.lens.rays.x[4], 1.25);
        QCOMPARE(m.lens.rays.l[4], 0.28);
        QCOMPARE(m.lens.rays.m[4], 0.96);
        QCOMPARE(m.lens.rays.rl[4], start.rays.rl[1]);
        QCOMPARE(m.lens.rays.y[5], start.rays.y[4]);   // the old ray 5 moved up
        QVERIFY(session.datachanged());

        trigger("Ray_cut");
        QCOMPARE(int(m.lens.nrays), 6);
        QCOMPARE(m.lens.rays.x[0], start.rays.x[1]);
        QCOMPARE(m.lens.rays.y[0], start.rays.y[1]);
        QCOMPARE(log, (std::vector<std::string>{"Copy ray", "Ray number 2 is copied", "Copy ray - Finished",
                                                "Paste ray", "Ray number 5 is pasted", "Paste ray - Finished",
                                                "Cut ray", "Ray number 1 is cut", "Cut ray - Finished"}));
    }

    // Insert after ray 2: the New Ray dialog refuses a bad label, then stores the typed ray
    // as ray 3; the rays behind move up.
    void insertAfterTakesTheNewRayDialog() {
        Model m = onelens();
        zefo::Session session(m);
        session.opened("one.dat");
        RayEditor editor(m, session);
        editor.askray = [] { return std::optional<int>(2); };
        QStringList errors;
        editor.showerror = [&](const QString& msg) { errors << msg; };
        std::vector<std::string> log;
        editor.log = [&](const std::string& line) { log.push_back(line); };
        const OpticalSystem start = m.lens;
        int result = -1, afterbad = -1;
        QString title;
        editor.rundialog = [&](QDialog& d) -> int {
            auto& dialog = dynamic_cast<FieldsDialog&>(d);
            title = dialog.windowTitle();
            dialog.field(rflabel)->setText("9");
            dialog.ok();
            afterbad = dialog.result();
            dialog.field(rflabel)->setText("4");
            dialog.field(rfx)->setText("2.5");
            dialog.field(rfl)->setText("0,6");
            dialog.field(rfm)->setText("0.8");
            dialog.ok();
            result = dialog.result();
            return result;
        };
        editor.raymenu()->findChild<QAction*>("Ray_after")->trigger();
        QCOMPARE(title, QString("New Ray"));
        QCOMPARE(afterbad, int(QDialog::Rejected));   // not taken: still open
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(errors, QStringList{raymsg::badlabel});
        QCOMPARE(int(m.lens.nrays), 7);
        QCOMPARE(int(m.lens.rays.rl[2]), 4);
        QCOMPARE(m.lens.rays.x[2], 2.5);
        QCOMPARE(m.lens.rays.l[2], 0.6);
        QCOMPARE(m.lens.rays.m[2], 0.8);
        QCOMPARE(m.lens.rays.y[1], start.rays.y[1]);
        QCOMPARE(m.lens.rays.y[3], start.rays.y[2]);
        QCOMPARE(editor.grid()->model()->rowCount(), 7);
        QCOMPARE(log.front(), std::string("Insert ray after"));
        QCOMPARE(log.back(), std::string("Insert ray after - Finished"));
        QVERIFY(std::find(log.begin(), log.end(), "Ray label for new ray is 4") != log.end());
    }

    void theMenuCommandOpensOneEditorThatCloseEnds() {
        test::Session s;
        s.open(s.lens());
        s.form->trigger("RayEditor");
        s.form->trigger("RayEditor");
        QCOMPARE(rayeditors(*s.form), 1);
        QCOMPARE(s.form->statuspanel(0), QString("Allowed values are 1,12,13,14,4,5"));
        s.form->trigger("FileClose");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rayeditors(*s.form), 0);
        QCOMPARE(s.form->statuspanel(0), QString());
    }
};

int runrayeditortests(int argc, char** argv) {
    RayEditorTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "rayeditor_test.moc"
