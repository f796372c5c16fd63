// The graph windows: the side view follows the design, the Spot-MTF graphs calculate and
// keep their results, Save, Copy and the print scale.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QSpinBox>
#include <QTimer>

#include "core/model/lensfile.h"
#include "core/raytrace/rayscheme.h"
#include "gui/app/iqdialogs.h"
#include "guitest.h"
#include "gui/graphics/graphwindow.h"
#include "gui/graphics/picturedialog.h"
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
    void saveasandprint();
    void picturedialog();
    void fieldcurvature();
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
    QCOMPARE(before.size(), g->canvassize());
    QVERIFY(before.width() > 500 && before.height() > 300);  // the window's initial size fits
    QVERIFY(countcolour(before, qRgb(0, 0, 255)) > 100);          // axial rays
    // Save: the bitmap in the graphics folder, named from the system
    QVERIFY(g->save().isEmpty());
    const QString bmp = QString::fromStdString(s.ws.graphicsdir) + "/" + QString::fromStdString(s.m.lens.sysname) +
                        "_optsys.bmp";
    QCOMPARE(QImage(bmp).size(), g->canvassize());
    // Copy: the picture on the clipboard
    g->copy();
    QCOMPARE(QApplication::clipboard()->image().size(), g->canvassize());
    // a thicker first lens: the picture is drawn again from the changed design
    s.m.lens.sys.sp.sep[1] *= 2;
    s.form->session().designchanged();
    QVERIFY(g->image() != before);
    // a resize draws to the new size
    g->parentWidget()->resize(640, 300);
    QCOMPARE(g->image().size(), g->canvassize());
    QVERIFY(g->canvassize().height() < g->height());   // the tool bar stands above the picture
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

// Save As writes the type and the size the user chose, asks before overwriting; Print goes
// through the print dialog every time, from the tool bar as from the context menu.
void GraphTest::saveasandprint() {
    Session s;
    s.form->resize(1400, 900);
    s.form->show();
    s.open(dglens(s));
    s.form->trigger("DrawOpticalSystem");
    GraphWindow* g = graphs(s).front();
    const QString dir = QString::fromStdString(s.ws.graphicsdir);
    const QString svg = dir + "/side.svg";
    s.dialogs.saveanswers << svg;
    s.dialogs.picturesizes << QSize(1200, 800);
    g->findChild<QAction*>("SaveAsButton")->trigger();
    QCOMPARE(s.dialogs.proposedsizes.value(0), g->canvassize());   // the window's size proposed
    QVERIFY(Session::bytes(svg).contains("viewBox=\"0 0 1200 800\""));
    // a PNG of its own size, and no silent overwrite
    const QString png = dir + "/side.png";
    s.dialogs.saveanswers << png;
    s.dialogs.picturesizes << QSize(900, 450);
    g->findChild<QAction*>("SaveAs1")->trigger();
    QCOMPARE(QImage(png).size(), QSize(900, 450));
    s.dialogs.saveanswers << png;
    s.dialogs.picturesizes << QSize(300, 200);
    s.dialogs.questionanswers << false;
    g->findChild<QAction*>("SaveAsButton")->trigger();
    QCOMPARE(s.dialogs.questions.size(), 1);
    QCOMPARE(QImage(png).size(), QSize(900, 450));
    QVERIFY(s.dialogs.errors.isEmpty());
    // Print: the dialog each time; cancelled, nothing is printed
    s.dialogs.cancelprint = true;
    g->findChild<QAction*>("PrintButton")->trigger();
    g->findChild<QAction*>("Print1")->trigger();
    QCOMPARE(s.dialogs.printdialogs, 2);
}

// The Save As dialog: the type chosen gives the extension, a typed picture extension
// chooses the type, the size fields give the size; the print dialog of the program itself
// shows (the file to print into when the machine has no printer).
void GraphTest::picturedialog() {
    QTemporaryDir tmp;
    PictureDialog d(tmp.path(), "lens", QSize(524, 279));
    QCOMPARE(d.size(), QSize(524, 279));
    QCOMPARE(d.path(), tmp.path() + "/lens.png");
    d.TypeBox->setCurrentIndex(1);
    QCOMPARE(d.path(), tmp.path() + "/lens.svg");
    d.FileEdit->setText("picture.bmp");
    QCOMPARE(d.TypeBox->currentIndex(), 2);
    QCOMPARE(d.path(), tmp.path() + "/picture.bmp");
    d.TypeBox->setCurrentIndex(0);
    QCOMPARE(d.path(), tmp.path() + "/picture.png");
    d.FileEdit->setText("/elsewhere/v1.2");
    QCOMPARE(d.path(), QString("/elsewhere/v1.2.png"));
    d.WidthEdit->setValue(2000);
    d.HeightEdit->setValue(1500);
    QCOMPARE(d.size(), QSize(2000, 1500));
    QCOMPARE(picturefilename("a.PNG", "svg"), QString("a.svg"));

    Dialogs real;
    QPrinter printer;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            shown = w->windowTitle();
            if (auto* dlg = qobject_cast<QDialog*>(w)) dlg->reject();
        }
    });
    QVERIFY(!real.printdialog(nullptr, printer, tmp.path()));
    QVERIFY2(shown == "Print" || shown == "Print to File", qPrintable(shown));
}

// The Draw menu's field curvature and distortion window: S, T and distortion panels.
void GraphTest::fieldcurvature() {
    Session s;
    s.open(dglens(s));
    s.dialogs.wavelengthitem = 0;
    s.form->trigger("DrawFieldCurvature");
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.errors.join("; ")));
    QCOMPARE(graphs(s).size(), 1);
    GraphWindow* g = graphs(s).front();
    QCOMPARE(g->windowTitle(), QString("Field Curvature and Distortion"));
    const DisplayList dl = g->picture();
    QCOMPARE(dl.panels.size(), size_t(2));
    QVERIFY(!dl.panels[0].curves.empty() && dl.panels[0].curves[0].x.size() == 12);
}

int rungraphtests(int argc, char** argv) {
    GraphTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "graphs_test.moc"
