// The Glass Catalogue window, glasses placed through the System Editor, the glass cell's
// completion and the glass map window, driven through the main window.
#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QtTest>

#include "core/model/glasscat.h"
#include "gui/editors/glasscatalogue.h"
#include "gui/editors/systemeditor.h"
#include "gui/graphics/glassmapwindow.h"
#include "guitest.h"

namespace zefo::gui::test {
namespace {

template <class W>
W* child(const Session& s) {
    for (QMdiSubWindow* sub : s.form->mdiarea()->subWindowList())
        if (auto* w = qobject_cast<W*>(sub->widget())) return w;
    return nullptr;
}

}  // namespace

class GlassCatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void filterFindsAndUsePlacesTheGlass() {
        Session s;
        s.open(s.lens());
        s.form->trigger("GlassCatalogue");
        auto* cat = child<GlassCatalogueWindow>(s);
        QVERIFY(cat);
        const int all = cat->shownnames().size();
        QVERIFY(all > 1000);
        // the indices at the lens's wavelengths head their columns
        QCOMPARE(cat->table()->model()->headerData(4, Qt::Horizontal).toString(), QString("n 587.6 nm"));

        QTest::keyClicks(cat->search(), "bk7");
        QStringList shown = cat->shownnames();
        QVERIFY(shown.contains("N-BK7") && shown.contains("BK7"));
        for (const QString& n : shown) QVERIFY2(n.toUpper().remove('-').contains("BK7"), qPrintable(n));
        QTest::keyClicks(cat->range(0), "1.515");
        QTest::keyClicks(cat->range(1), "1.52");
        QTest::keyClicks(cat->range(2), "64");
        GlassCatalog glass;
        QCOMPARE(glass.open(s.ws.glassdir), std::string());
        for (const QString& n : cat->shownnames()) {
            const auto g = glass.glassbyname(n.toStdString());
            QVERIFY(g && g->nd >= 1.515 && g->nd <= 1.52 && g->vd >= 64);
        }
        QVERIFY(cat->shownnames().contains("N-BK7"));
        QVERIFY(cat->shownnames().size() < shown.size());

        // sorting by nd puts the rows in order of nd
        cat->search()->clear();
        for (int i = 0; i < 3; ++i) cat->range(i)->clear();
        cat->table()->sortByColumn(GlassTableModel::cnd, Qt::DescendingOrder);
        const QStringList bynd = cat->shownnames();
        QCOMPARE(bynd.size(), all);
        QVERIFY(glass.glassbyname(bynd.front().toStdString())->nd >= glass.glassbyname(bynd.back().toStdString())->nd);
        QVERIFY(glass.glassbyname(bynd[0].toStdString())->nd >= glass.glassbyname(bynd[1].toStdString())->nd);

        // Use without a System Editor opens it; its current row takes the glass
        QTest::keyClicks(cat->search(), "n-sf6");
        QVERIFY(cat->selectglass("N-SF6"));
        s.form->trigger("SystemEditor");
        auto* editor = child<SystemEditor>(s);
        QVERIFY(editor);
        QStringList errors;
        editor->showerror = [&](const QString& m) { errors << m; };
        editor->grid()->setCurrentIndex(editor->grid()->model()->index(1, scradius));
        const int before = s.log().size();
        cat->usecurrent();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join("; ")));
        QCOMPARE(s.m.lens.sys.sp.glass[1], std::string("N-SF6"));
        const Index3 n = glassindices(glass.glassbyname("N-SF6")->a, s.m.lens.wl);
        QCOMPARE(s.m.lens.sys.sp.index[1], n);
        QVERIFY(s.form->session().datachanged());
        QCOMPARE(s.logsince(before), QStringList{"New glass in row 2 is N-SF6"});
        QCOMPARE(editor->grid()->model()->index(1, scglass).data().toString(), QString("N-SF6"));

        // a model glass, and a text that is none
        cat->askmodelglass = [] { return std::optional<QString>("1.6/40"); };
        cat->usemodelglass();
        QCOMPARE(s.m.lens.sys.sp.glass[1], std::string("1.6/40"));
        QCOMPARE(s.m.lens.sys.sp.index[1][0], schottindex(modelglass("", 1.6, 40).a, s.m.lens.wl[0]));
        QStringList caterrors;
        cat->showerror = [&](const QString& m) { caterrors << m; };
        cat->askmodelglass = [] { return std::optional<QString>("1.6/500"); };
        cat->usemodelglass();
        QCOMPARE(caterrors.size(), 1);
        QCOMPARE(s.m.lens.sys.sp.glass[1], std::string("1.6/40"));
    }

    void glassCellCompletesCatalogueNames() {
        Session s;
        s.open(s.lens());
        s.form->trigger("SystemEditor");
        auto* editor = child<SystemEditor>(s);
        QVERIFY(editor);
        QTableView* grid = editor->grid();
        const QModelIndex cell = grid->model()->index(1, scglass);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        auto* edit = grid->findChild<QLineEdit*>();
        QVERIFY(edit && edit->completer());
        edit->completer()->setCompletionPrefix("lak9");
        QStringList found;
        for (int i = 0; edit->completer()->setCurrentRow(i); ++i) found << edit->completer()->currentCompletion();
        QVERIFY(found.contains("N-LAK9") && found.contains("LaK9"));
        for (const QString& f : found) QVERIFY(f.toUpper().contains("LAK9"));
    }

    void glassMapShowsTheLensGlassesAndAClickNamesOne() {
        Session s;
        s.open(s.lens());
        s.form->trigger("DrawGlassMap");
        auto* map = child<GlassMapWindow>(s);
        QVERIFY(map);
        const DisplayList dl = map->picture();
        const auto label = std::find_if(dl.texts.begin(), dl.texts.end(), [](const TextItem& t) { return t.text == "BK7" && t.colour == Colour{220, 0, 0}; });
        QVERIFY(label != dl.texts.end());
        // the mark lies left of its label, a click on it names the glass and its rows
        const QString text = map->glasstextat(QPoint(label->at.x - 7, label->at.y + 4));
        QVERIFY2(text.startsWith("BK7   nd 1.51680   vd 64.17"), qPrintable(text));
        QVERIFY(text.contains("glass of the lens in rows 2"));
        QVERIFY(map->glasstextat(QPoint(2, 2)).isEmpty());
    }
};

int runglasscataloguetests(int argc, char** argv) {
    GlassCatalogueTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "glasscatalogue_test.moc"
