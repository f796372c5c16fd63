// The Ray Editor driven as a user does: typing into cells, refused texts, the session.
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QtTest>

#include "core/app/session.h"
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
