// The graph windows: the side view follows the design, the Spot-MTF graphs calculate and
// keep their results, Save, Copy and the print scale.
#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>

#include "core/model/lensfile.h"
#include "core/raytrace/rayscheme.h"
#include "gui/app/iqdialogs.h"
#include "guitest.h"
#include "gui/graphics/graphwindow.h"
#include "testsystems.h"

namespace zefo::gui::test {

namespace {

QString dglens(Session& s) {
    Model dg = doublegauss();
    initstdrays(dg);
    rayscheme(dg);
    const QString path = QString::fromStdString(s.ws.datdir) + "dgauss.dat";
    const std::string err = savelensfile(path.toStdString(), dg.lens);
    if (!err.empty()) qWarning("%s", err.c_str());
    return path;
}

QList<GraphWindow*> graphs(Session& s) { return s.form->findChildren<GraphWindow*>(); }

int countcolour(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xffffff) == (c & 0xffffff);
    return n;
}

}  // namespace

class GraphTest : public QObject {
    Q_OBJECT
private slots:
    void systemfollowsdesign();
    void spotmtfgraphs();
    void printscale();
};

void GraphTest::systemfollowsdesign() {
    Session s;
    s.form->resize(1400, 900);
    s.form->show();
    s.open(dglens(s));
    const int lines = s.log().size();
    s.form->trigger("DrawOpticalSystem");
    QCOMPARE(s.logsince(lines), (QStringList{"Draw optical system", "Draw optical system - Finished"}));
    QCOMPARE(graphs(s).size(), 1);
    GraphWindow* g = graphs(s).front();
    QCOMPARE(g->windowTitle(), QString("Optical System"));
    const QImage before = g->image();
    QCOMPARE(before.size(), g->size());
    QVERIFY(before.width() > 500 && before.height() > 300);  // the window's initial size fits
    QVERIFY(countcolour(before, qRgb(0, 0, 255)) > 100);          // axial rays
    // Save: the bitmap in the graphics folder, named from the system
    QVERIFY(g->save().isEmpty());
    const QString bmp = QString::fromStdString(s.ws.graphicsdir) + "/" + QString::fromStdString(s.m.lens.sysname) +
                        "_optsys.bmp";
    QCOMPARE(QImage(bmp).size(), g->size());
    // Copy: the picture on the clipboard
    g->copy();
    QCOMPARE(QApplication::clipboard()->image().size(), g->size());
    // a thicker first lens: the picture is drawn again from the changed design
    s.m.lens.sys.sp.sep[1] *= 2;
    s.form->session().designchanged();
    QVERIFY(g->image() != before);
    // a resize draws to the new size
    g->parentWidget()->resize(640, 300);
    QCOMPARE(g->image().size(), g->size());
}

void GraphTest::spotmtfgraphs() {
    Session s;
    s.open(dglens(s));
    s.dialogs.wavelengthitem = 1;
    // the stale spot result asks "Edit MTF" once; the diffraction MTF its own dialog
    for (int k = 0; k < 2; ++k)
        s.dialogs.dialogsteps << [](QDialog& d) {
            static_cast<ParamDialog&>(d).okpressed();
            return d.result();
        };
    const char* ids[] = {"SpotDiagram", "ThroughFocusSpot", "GeometricalMtf", "ThroughFocusMtf", "DiffractionMtf"};
    for (const char* id : ids) {
        QVERIFY2(s.enabled(id), id);
        s.form->trigger(id);
        QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.errors.join("; ")));
    }
    QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Edit MTF", "Edit Diffractional MTF"}));
    QCOMPARE(graphs(s).size(), 5);
    QVERIFY(s.form->session().valid(iqall));
    // the report files are written with the graphs
    for (const char* ext : {".spt", ".gtf", ".gtt", ".dtf"})
        QVERIFY2(QFile::exists(QString::fromStdString(reportpath(s.ws, s.form->session().filebase(), ext))), ext);
    for (GraphWindow* g : graphs(s)) {
        const DisplayList dl = g->picture();
        QVERIFY2(!dl.dots.empty() || dl.lines.size() > 4, qPrintable(g->windowTitle()));
    }
    // the picture in another format, chosen by the file's extension
    const QString svg = QString::fromStdString(s.ws.graphicsdir) + "/spot.svg";
    QVERIFY(graphs(s).front()->saveas(svg).isEmpty());
    QVERIFY(Session::bytes(svg).contains("<svg"));
}

void GraphTest::printscale() {
    QCOMPARE(zefo::gui::printscale(600, 96), 6.25);
    QCOMPARE(zefo::gui::printscale(72, 96), 0.75);  // coarser than the screen: still a scale
    QCOMPARE(zefo::gui::printscale(0, 96), 1.0);
}

int rungraphtests(int argc, char** argv) {
    GraphTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "graphs_test.moc"
