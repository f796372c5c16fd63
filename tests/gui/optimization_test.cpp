// The optimization commands through the main window: the four data dialogs and their
// checks, the default weights, and "Classical DLS Optimization" running in its window,
// to the end and stopped with Esc, leaving a consistent system.
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

#include "gui/app/optimdialogs.h"
#include "gui/app/optimwindow.h"
#include "guitest.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/optim/merit.h"
#include "core/optim/variables.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace zefo::gui::test {

namespace {

const char* dlstitle = "Classical DLS Optimization";

// The double Gauss as a starting design: radii rounded to whole millimetres and two air
// gaps changed; every curvature but the stop's, every air gap and the index and dispersion
// of the first lens (a catalogue glass) are variables, weighted by the default rule.
Model startdesign(GlassCatalog& cat) {
    Model m = doublegauss();
    auto& sp = m.lens.sys.sp;
    const int n = m.lens.nsurf;
    for (int i = 0; i < n; ++i) {
        sp.radius[i] = std::round(sp.radius[i]);
        sp.curv[i] = sp.radius[i] == 0 ? 0 : 1 / sp.radius[i];
        if (i != m.lens.stopsurf - 1) sp.optlabel[i].assign(1, 'C');
    }
    sp.sep[2] += 0.6;
    sp.sep[6] -= 1.5;
    for (int i = 1; i < n; ++i)
        if (sp.glass[i] == "air") sp.optlabel[i] += "D";
    if (!setglass(cat, m, 1, "SK16")) qWarning("no SK16 in the catalogue");
    sp.optlabel[1] += "G";
    initstdrays(m);
    rayscheme(m);
    sizemeritlist(m.lens, m.merit);
    if (!calcweights(m) || m.calcerror) qWarning("%s", m.errmsg.c_str());
    return m;
}

QString savelens(const Session& s, const Model& m, const QString& name) {
    const QString path = QString::fromStdString(s.ws.datdir) + name;
    const std::string err = savelensfile(path.toStdString(), m.lens);
    if (!err.empty()) qWarning("%s", err.c_str());
    return path;
}

// The start design opened in the session.
void openstart(Session& s) {
    s.open(savelens(s, startdesign(s.form->glasscatalog()), "start.dat"));
}

// The merit of a lens, evaluated on a model of its own.
double meritof(const OpticalSystem& lens) {
    Model m;
    initglobals(m);
    takelens(m, lens);
    sizemeritlist(m.lens, m.merit);
    if (!meritcalc(m, m.merit)) return NAN;
    return meritsum(m, m.merit);
}

// The lens with the values of its variables (and the iteration counter) taken from other,
// and the data every evaluation derives (the image plane at the paraxial focus, its clear
// radius, the first-order data): what is left are the data an optimization must not touch.
OpticalSystem withvariablesof(OpticalSystem lens, const OpticalSystem& other) {
    Model m;
    takelens(m, lens);
    auto& sp = m.lens.sys.sp;
    const auto& op = other.sys.sp;
    for (const Variable& v : enumvariables(m)) {
        const int i = v.surface;
        switch (v.kind) {
            case VarKind::curv:
                sp.curv[i] = op.curv[i];
                sp.radius[i] = op.radius[i];
                break;
            case VarKind::sep: sp.sep[i] = op.sep[i]; break;
            case VarKind::index:
            case VarKind::disp:
                sp.glass[i] = op.glass[i];
                sp.index[i] = op.index[i];
                sp.disp[i] = op.disp[i];
                break;
            default: {
                Model o;
                takelens(o, other);
                setvar(m, v, varvalue(o, v));
            }
        }
    }
    OpticalSystem& l = m.lens;
    l.mu = other.mu;
    l.dlsiter = other.dlsiter;
    l.sys.sp.sep[l.nsurf] = op.sep[l.nsurf];
    l.sys.sp.hmax[l.nsurf] = op.hmax[l.nsurf];
    l.efl = other.efl;
    l.lbar = other.lbar;
    l.lbarp = other.lbarp;
    l.up = other.up;
    return l;
}

// A system a designer can go on with: finite numbers, radius and curvature agreeing, and
// every glass a catalogue glass with the catalogue's indices (no model glass left).
void checkconsistent(const OpticalSystem& lens, GlassCatalog& cat) {
    const auto& sp = lens.sys.sp;
    for (int i = 0; i <= lens.nsurf; ++i) {
        QVERIFY(std::isfinite(sp.curv[i]) && std::isfinite(sp.sep[i]) && std::isfinite(sp.radius[i]));
        if (sp.curv[i] != 0) QVERIFY(std::abs(sp.radius[i] * sp.curv[i] - 1) < 1e-12);
        else QCOMPARE(sp.radius[i], 0.0);
        QVERIFY2(!sp.glass[i].empty(), qPrintable(QString("model glass at %1").arg(i)));
        if (sp.glass[i] == "air" || sp.glass[i] == "glass") continue;
        const auto g = cat.glassbyname(sp.glass[i]);
        QVERIFY2(g, sp.glass[i].c_str());
        const Index3 n = glassindices(g->a, lens.wl);
        for (int w = 0; w < 3; ++w) QVERIFY(std::abs(sp.index[i][w] - n[w]) < 1e-9);
    }
}

QStringList memolines(OptimWindow* w) { return w->DSMemo->toPlainText().split('\n'); }

OptimWindow* optimwindow(Session& s) {
    const auto windows = s.form->mdiarea()->findChildren<OptimWindow*>();
    return windows.isEmpty() ? nullptr : windows.last();
}

QStringList optfile(const Session& s, const QString& base) {
    return Session::textlines(QString::fromStdString(s.ws.optimdir) + base + ".opt");
}

void clickok(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }
void clickcancel(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); }

}  // namespace

class OptimizationTest : public QObject {
    Q_OBJECT
private slots:
    void menuandenabling();
    void generalchecks_data();
    void generalchecks();
    void generalaccepts();
    void gridlayout();
    void gridchecks_data();
    void gridchecks();
    void gridokandcancel();
    void optimizationweights();
    void meritfunction();
    void designdata();
    void changedamping();
    void dlsrun();
    void dlsescape();
    void closingstopstherun();
    void dlserror();
};

// The entries stand in the optimization menu; DLS waits for a system with variables.
void OptimizationTest::menuandenabling() {
    Session s;
    s.open(s.lens());
    for (const char* id : {"OptimizationGeneral", "OptimizationParaxial", "OptimizationAberration",
                           "OptimizationBoundary", "OptimizationWeights", "MeritFunction"})
        QVERIFY2(s.enabled(id), id);
    Model m;
    initglobals(m);
    takelens(m, s.m.lens);
    QCOMPARE(s.enabled("ClassicalDlsOptimization"), !enumvariables(m).empty());
    QCOMPARE(s.enabled("ChangeDampingFactor"), !enumvariables(m).empty());

    Session t;
    Model plain = startdesign(t.form->glasscatalog());
    for (auto& l : plain.lens.sys.sp.optlabel) l.clear();
    t.open(savelens(t, plain, "plain.dat"));
    QVERIFY(!t.enabled("ClassicalDlsOptimization"));
    QVERIFY(!t.enabled("ChangeDampingFactor"));
    openstart(t);
    QVERIFY(t.enabled("ClassicalDlsOptimization"));
}

// A bad entry in "Optimization General": its message, the field gets its text back, the
// dialog stays open and nothing changes.
void OptimizationTest::generalchecks_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    auto row = [](const char* field, const char* typed, const char* msg) {
        QTest::newRow(QString("%1 %2").arg(field, typed).toUtf8()) << field << typed << msg;
    };
    row("anglesurf", "99", "Surface number for angle solve must not be greater then total number of surfaces!");
    row("dcurv", "0.02", "Curvature increment must be number between 0 and 0.01!");
    row("dcurv", "0", "Curvature increment must be number between 0 and 0.01!");
    row("dsep", "0.011", "Separation increment must be number between 0 and 0.01!");
    row("dindex", "0.06", "Refractive glass index increment must be number between 0 and 0.05!");
    row("ddisp", "0.02", "Glass dispersion increment must be number between 0 and 0.01!");
    row("dimweight", "0", "Global dimension weight must be number between 1 and 100!");
    row("glassweight", "2000", "Glass violation weight must be number between 1 and 1000!");
    row("wloptweight1", "0",
        "The weighting factor for the second wavelength must be greater than 0 and smaller or equal to 1!");
    row("wloptweight2", "1.5",
        "The weighting factor for the third wavelength must be greater than 0 and smaller or equal to 1!");
}

void OptimizationTest::generalchecks() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Session s;
    openstart(s);
    const OpticalSystem before = s.m.lens;
    QString shown, after;
    int open = -1;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        auto* e = d.findChild<QLineEdit*>(field);
        shown = e->text();
        e->setText(typed);
        clickok(d);
        open = d.result();
        after = e->text();
        clickcancel(d);
        return d.result();
    };
    s.form->trigger("OptimizationGeneral");
    QCOMPARE(s.dialogs.dialogtitles, QStringList{"Optimization General"});
    QCOMPARE(s.dialogs.errors, QStringList{message});
    QCOMPARE(open, int(QDialog::Rejected));  // still open: no result yet
    QCOMPARE(after, shown);
    QVERIFY(s.m.lens == before);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
}

// Accepted values are taken and logged; a corner glass the catalogue does not hold gives
// its box and the corner stays; a changed wavelength weight recomputes the default weights.
void OptimizationTest::generalaccepts() {
    Session s;
    openstart(s);
    const GlassTriangle tri = s.m.lens.tri;
    std::fill(s.m.lens.aberweight.begin() + 9, s.m.lens.aberweight.end(), 7.0);  // edited ray weights
    const int logged = s.log().size();
    s.dialogs.dialogsteps << [&](QDialog& d) {
        d.findChild<QLineEdit*>("dcurv")->setText("0.0001");
        d.findChild<QLineEdit*>("trglass0")->setText("NOSUCH");
        d.findChild<QLineEdit*>("trglass2")->setText("F5");
        d.findChild<QLineEdit*>("wloptweight1")->setText("0.25");
        clickok(d);
        return d.result();
    };
    s.form->trigger("OptimizationGeneral");
    QCOMPARE(s.dialogs.errors, QStringList{"Glass name NOSUCH not found"});
    QCOMPARE(s.m.lens.dcurv, 0.0001);
    QCOMPARE(s.m.lens.tri.trglass[0], tri.trglass[0]);
    QCOMPARE(s.m.lens.tri.trindex[0], tri.trindex[0]);
    QCOMPARE(s.m.lens.tri.trglass[2], std::string("F5"));
    // F5 from its catalogue formula: nd near 1.6034, nF - nC near (nd - 1) / vd
    QVERIFY(std::abs(s.m.lens.tri.trindex[2] - 1.60342) < 2e-4);
    QVERIFY(std::abs(s.m.lens.tri.trdisp[2] - 0.60342 / 38.03) < 3e-4);
    QCOMPARE(s.m.lens.wloptweight[1], 0.25);
    const QStringList lines = s.logsince(logged);
    QVERIFY(lines.contains("New value for curvature increment is 0.000100"));
    QVERIFY(lines.contains("General data for optimization - Finished"));
    QVERIFY(s.form->session().datachanged());
    // The edited ray weights gave way to the default rule for the new factor.
    Model ref;
    initglobals(ref);
    takelens(ref, s.m.lens);
    sizemeritlist(ref.lens, ref.merit);
    std::fill(ref.lens.aberweight.begin() + 9, ref.lens.aberweight.end(), 7.0);
    QVERIFY(calcweights(ref));
    QVERIFY(ref.lens.aberweight != std::vector<double>(ref.lens.aberweight.size(), 7.0));
    QVERIFY(ref.lens.aberweight == s.m.lens.aberweight);
}

// Each grid shows every column whole with the titles of its columns (and rows), no higher
// than 450 pixels; the aberration grid numbers its rows in a column 30 pixels wide.
void OptimizationTest::gridlayout() {
    struct Case {
        const char* command;
        QStringList columns;
        int rows;
    };
    Session s;
    openstart(s);
    const int n = s.m.lens.nsurf + 1;
    const std::vector<Case> cases = {
        {"OptimizationParaxial", {"  Targets  ", "  Weights  ", "  Focal length  "}, 9},
        {"OptimizationAberration",
         {"  Aberration name  ", "  Calculated aberration  ", "     Target aberration   ", "     Aberration weight   "},
         s.m.lens.naber},
        {"OptimizationBoundary",
         {" No", " Axial thickness ", " Clear aperture  ", " Axial limit     ", " Edge limit      ", " Clear ap. limit "},
         n},
    };
    for (const Case& c : cases) {
        struct {
            QStringList heads;
            int rows = 0, height = 0, rowheads = 0;
            bool whole = false;
            QString firstrow;
        } seen;
        s.dialogs.dialogsteps << [&](QDialog& d) {
            d.show();
            QTableWidget* t = dynamic_cast<GridDialog&>(d).grid();
            for (int col = 0; col < t->columnCount(); ++col) seen.heads << t->horizontalHeaderItem(col)->text();
            seen.rows = t->rowCount();
            seen.whole = t->viewport()->width() >= t->horizontalHeader()->length();
            seen.height = t->height();
            seen.rowheads = t->verticalHeader()->isHidden() ? 0 : t->verticalHeader()->width();
            if (QTableWidgetItem* r = t->verticalHeaderItem(0)) seen.firstrow = r->text();
            return int(QDialog::Rejected);
        };
        s.form->trigger(c.command);
        QCOMPARE(seen.heads, c.columns);
        QCOMPARE(seen.rows, c.rows);
        QVERIFY2(seen.whole, c.command);
        QVERIFY(seen.height <= 450);
        if (QString(c.command) == "OptimizationParaxial")
            QCOMPARE(seen.firstrow, QString("  Paraxial marginal ray angle-image space  "));
        if (QString(c.command) == "OptimizationAberration") QCOMPARE(seen.rowheads, 30);
    }
    QCOMPARE(s.dialogs.dialogtitles, (QStringList{"Paraxial Data", "Aberration Data", "Boundary conditions data"}));
}

// A rejected cell in each grid: its message and the previous text back in the cell; Cancel
// then leaves the system as it was.
void OptimizationTest::gridchecks_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    auto row = [](const char* name, const char* cmd, const char* title, int r, int c, const char* typed,
                  const char* msg) { QTest::newRow(name) << cmd << title << r << c << typed << msg; };
    const char* px = "OptimizationParaxial";
    row("na 0", px, "Paraxial Data", 0, 0, "0",
        "Numerical aperture i.e. paraxial marginal ray angle-image space must be greater then zero!");
    row("height negative", px, "Paraxial Data", 1, 0, "-2",
        "Paraxial marginal ray hight at last surface must not be negative number!");
    row("throw negative", px, "Paraxial Data", 4, 0, "-100",
        "Object to image distance - throw must not be negative number!");
    row("glass thickness 0", px, "Paraxial Data", 5, 0, "0", "Glass thickness must be greater then zero!");
    row("weight negative", px, "Paraxial Data", 3, 1, "-1", "Optimization weight must not be negative number!");
    row("not a number", px, "Paraxial Data", 2, 0, "1.2.3", "Not a valid number!");
    const char* ab = "OptimizationAberration";
    row("aberration weight 0", ab, "Aberration Data", 12, 3, "0", "Aberration weight must be greater then zero!");
    row("aberration target text", ab, "Aberration Data", 12, 2, "abc", "Not a valid number!");
    const char* bc = "OptimizationBoundary";
    row("axial limit 0", bc, "Boundary conditions data", 2, 3, "0", "Axial thickness limit must be greater then zero!");
    row("edge limit negative", bc, "Boundary conditions data", 2, 4, "-1",
        "Edge thickness limit must be greater then zero!");
    row("clear limit 0", bc, "Boundary conditions data", 3, 5, "0", "Clear aperture limit must be greater then zero!");
    row("clear limit text", bc, "Boundary conditions data", 3, 5, "x", "Not a valid number!");
}

void OptimizationTest::gridchecks() {
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Session s;
    openstart(s);
    const OpticalSystem before = s.m.lens;
    const double na = s.m.lens.na;
    QString shown, after;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        auto& g = dynamic_cast<GridDialog&>(d);
        shown = g.grid()->item(row, col)->text();
        g.entercell(row, col, typed);
        after = g.grid()->item(row, col)->text();
        clickcancel(d);
        return d.result();
    };
    s.form->trigger(command);
    QCOMPARE(s.dialogs.dialogtitles, QStringList{title});
    QCOMPARE(s.dialogs.errors, QStringList{message});
    QCOMPARE(after, shown);
    QVERIFY(s.m.lens == before);
    QCOMPARE(s.m.lens.na, na);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QVERIFY(!s.form->session().datachanged());
}

// Entries that pass are kept by OK and dropped by Cancel.
void OptimizationTest::gridokandcancel() {
    struct Case {
        const char* command;
        int row, col;
        const char* typed;
        std::function<double(const Model&)> value;
        double expected;
    };
    const std::vector<Case> cases = {
        {"OptimizationParaxial", 1, 1, "5", [](const Model& m) { return m.lens.aberweight[1]; }, 5},
        {"OptimizationParaxial", 4, 0, "250", [](const Model& m) { return m.targthrow; }, 250},
        {"OptimizationAberration", 12, 3, "2.5", [](const Model& m) { return m.lens.aberweight[12]; }, 2.5},
        {"OptimizationAberration", 12, 2, "-0.01", [](const Model& m) { return m.merit.target[12]; }, -0.01},
        {"OptimizationBoundary", 2, 4, "0.8", [](const Model& m) { return m.lens.edgelim[2]; }, 0.8},
        {"OptimizationBoundary", 3, 5, "21.5", [](const Model& m) { return m.lens.clearlim[3]; }, 21.5},
    };
    for (const Case& c : cases) {
        for (const bool ok : {false, true}) {
            Session s;
            openstart(s);
            const double old = c.value(s.m);
            s.dialogs.dialogsteps << [&](QDialog& d) {
                dynamic_cast<GridDialog&>(d).entercell(c.row, c.col, c.typed);
                ok ? clickok(d) : clickcancel(d);
                return d.result();
            };
            s.form->trigger(c.command);
            QVERIFY2(s.dialogs.errors.isEmpty(), c.typed);
            QCOMPARE(c.value(s.m), ok ? c.expected : old);
            QCOMPARE(s.form->session().datachanged(), ok);
        }
    }
}

// "Optimization Weights": the default weights of the objective (1000/na for the paraxial
// angle, 20·na for the defocus) and the merit table in its window and the ".otz" file.
void OptimizationTest::optimizationweights() {
    Session s;
    openstart(s);
    s.m.lens.aberweight.assign(s.m.lens.aberweight.size(), 3.0);
    const int logged = s.log().size();
    s.form->trigger("OptimizationWeights");
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    const double na = s.m.lens.na;
    QVERIFY(std::abs(s.m.lens.aberweight[0] - 1000 / na) < 1e-9);
    QVERIFY(std::abs(s.m.lens.aberweight[8] - 20 * na) < 1e-12);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Optimization weights - Finished"));
    QCOMPARE(s.logsince(logged), (QStringList{"Calculate the aberration weights for the optimization",
                                              "Optimization weights - Finished"}));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Aberration weights for the optimization"));
    const QStringList file = Session::textlines(QString::fromStdString(s.ws.optimdir) + "start.otz");
    QVERIFY(!file.isEmpty());
    QCOMPARE(windows[0]->lines().mid(0, file.size()), file);
    QVERIFY(file.contains("Num.   Aberration name       Aberration   Weight     Contribution    Merit_fn"));
    // headed by the design data listing of the lens; no closing lines in the file
    QCOMPARE(file.first(), "System name =" + QString::fromStdString(s.m.lens.sysname) + "        File = " +
                               s.form->filepath() + "     " + QDate::currentDate().toString("dd.MM.yyyy"));
    QVERIFY(file.contains(" Boundary conditions are:"));
    QVERIFY(!file.contains("Measurement units are mm"));
    QCOMPARE(windows[0]->lines().mid(file.size()), (QStringList{" ", "End of displayed data"}));
}

// "Merit Function": the table of the system as it stands, its last line the merit, in the
// window and the ".otz" file; the weights are not touched.
void OptimizationTest::meritfunction() {
    Session s;
    openstart(s);
    s.m.lens.aberweight[12] = 250;  // an edited weight stays
    const std::vector<double> weights = s.m.lens.aberweight;
    s.form->trigger("MeritFunction");
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    QVERIFY(s.m.lens.aberweight == weights);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QString("Optical system merit function"));
    const QStringList file = Session::textlines(QString::fromStdString(s.ws.optimdir) + "start.otz");
    QCOMPARE(windows[0]->lines().mid(0, file.size()), file);
    // the running sum of the last component line is the merit of the lens
    const int last = s.m.lens.naber;
    const QString prefix = QString("%1  ").arg(last, 3);
    const auto line = std::find_if(file.begin(), file.end(), [&](const QString& l) { return l.startsWith(prefix); });
    QVERIFY(line != file.end());
    const double merit = line->split(' ', Qt::SkipEmptyParts).last().toDouble();
    QVERIFY(std::abs(merit - meritof(s.m.lens)) < 1e-6 * std::max(1.0, merit));
}

// "Optical System Data": the design listing in its window only; no report file is written
// (the merit function's ".otz" stays as it was).
void OptimizationTest::designdata() {
    Session s;
    openstart(s);
    s.form->trigger("MeritFunction");
    const QString otz = QString::fromStdString(s.ws.optimdir) + "start.otz";
    const QStringList merit = Session::textlines(otz);
    QVERIFY(!merit.isEmpty());
    s.form->trigger("OptimizationSystemData");
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    const auto windows = s.form->reportwindows();
    QCOMPARE(windows.size(), 2);
    QCOMPARE(windows[1]->windowTitle(), QString("Optical system design data and variables"));
    const QStringList lines = windows[1]->lines();
    QVERIFY(lines.contains(" Boundary conditions are:"));
    QCOMPARE(lines.last(), QString("End of displayed data"));
    QCOMPARE(Session::textlines(otz), merit);
}

// "Change Damping Factor" switches between additive and multiplicative damping with its
// notice each time, and the lens counts as changed.
void OptimizationTest::changedamping() {
    Session s;
    openstart(s);
    QCOMPARE(int(s.m.lens.damptype), 0);
    s.form->trigger("ChangeDampingFactor");
    QCOMPARE(int(s.m.lens.damptype), 1);
    s.form->trigger("ChangeDampingFactor");
    QCOMPARE(int(s.m.lens.damptype), 0);
    QCOMPARE(s.dialogs.notices, (QStringList{"Changing from additive damping to multiplicative damping!",
                                             "Changing from multiplicative damping to additive damping!"}));
    QVERIFY(s.form->session().datachanged());
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
}

// A whole run: the memo in the window, the ".opt" file, a lower merit, the log and status,
// and a system changed only in its variables.
void OptimizationTest::dlsrun() {
    Session s;
    openstart(s);
    const OpticalSystem before = s.m.lens;
    const int logged = s.log().size();
    s.form->trigger("ClassicalDlsOptimization");
    OptimWindow* w = optimwindow(s);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString("DLS Optimization"));
    QVERIFY(s.form->optimrun());
    QVERIFY(!s.form->menuBar()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
    QVERIFY(s.form->menuBar()->isEnabled());
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QCOMPARE(s.logsince(logged), (QStringList{dlstitle, QString(dlstitle) + " - Finished"}));
    QVERIFY(s.form->session().datachanged());

    const QStringList memo = memolines(w);
    QCOMPARE(memo.first(), QString("           DLS Optimization"));
    QCOMPARE(memo.mid(memo.size() - 2), (QStringList{" ", "End of displayed data"}));
    QCOMPARE(optfile(s, "start"), memo.mid(0, memo.size() - 2));
    QScrollBar* bar = w->DSMemo->verticalScrollBar();
    QCOMPARE(bar->value(), bar->maximum());  // the memo followed the run to its last line
    QVERIFY(s.enabled("DisplayClassicalDlsOptimization"));

    // the context menu of the memo prints and copies it like the report windows
    QStringList actions;
    for (QAction* a : w->PopupMenu1->actions()) actions << a->text();
    QCOMPARE(actions, (QStringList{"&Print", "&Copy"}));
    w->PopupMenu1->actions()[0]->trigger();
    QCOMPARE(s.dialogs.prints, 1);
    QCOMPARE(s.dialogs.printed, memo);
    w->PopupMenu1->actions()[1]->trigger();
    QCOMPARE(QApplication::clipboard()->text(), memo.join('\n'));

    QVERIFY(meritof(s.m.lens) < meritof(before));
    checkconsistent(s.m.lens, s.form->glasscatalog());
    QVERIFY(withvariablesof(before, s.m.lens) == s.m.lens);
    QVERIFY(s.m.lens.sys.sp.curv != before.sys.sp.curv);
}

// Esc while the run goes on (pressed as the second iteration's line is shown, the run
// waiting for it): the run ends with the terminated box, status and log; the system is the
// one of the last applied step, consistent, with no model glass.
void OptimizationTest::dlsescape() {
    Session s;
    openstart(s);
    const OpticalSystem before = s.m.lens;
    const int logged = s.log().size();
    s.form->trigger("ClassicalDlsOptimization");
    OptimWindow* w = optimwindow(s);
    QVERIFY(w);
    int iterations = 0;
    bool pressed = false, menuwhilerunning = true;
    connect(w->DSMemo, &QPlainTextEdit::blockCountChanged, w, [&] {
        if (pressed || !w->DSMemo->document()->lastBlock().text().startsWith("Iteration")) return;
        // the user scrolls up to read the start: later lines leave the view where it is
        if (++iterations == 1) w->DSMemo->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        if (iterations < 2) return;
        pressed = true;
        menuwhilerunning = s.form->menuBar()->isEnabled();
        s.dialogs.openanswers << s.lens();
        s.form->trigger("FileOpen");  // as its short-cut would: no other command while the run goes on
        QTest::keyClick(w->DSMemo, Qt::Key_Escape);
    });
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
    QVERIFY(pressed);
    QVERIFY(!menuwhilerunning);
    QCOMPARE(w->DSMemo->verticalScrollBar()->value(), 0);
    QCOMPARE(s.dialogs.notices, QStringList{"Optimization terminated by user!"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QCOMPARE(s.logsince(logged), (QStringList{dlstitle, QString(dlstitle) + " - Terminated by user"}));
    const QStringList file = optfile(s, "start");
    QVERIFY(!file.isEmpty());
    QCOMPARE(file.last(), QString("Measurement units are mm"));
    checkconsistent(s.m.lens, s.form->glasscatalog());
    QVERIFY(withvariablesof(before, s.m.lens) == s.m.lens);
    QVERIFY(s.m.lens.sys.sp.curv != before.sys.sp.curv);  // the first iteration's step stays
    QVERIFY(s.form->session().datachanged());

    // The system goes on: a second run starts from it and finishes.
    s.form->trigger("ClassicalDlsOptimization");
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
}

// Closing the DLS window or the program while the run goes on stops the run like Esc; the
// program closes once the run has ended.
void OptimizationTest::closingstopstherun() {
    for (const bool program : {false, true}) {
        Session s;
        openstart(s);
        s.form->trigger("ClassicalDlsOptimization");
        OptimWindow* w = optimwindow(s);
        QVERIFY(w);
        bool closed = false;
        connect(w->DSMemo, &QPlainTextEdit::blockCountChanged, w, [&] {
            if (closed || !w->DSMemo->document()->lastBlock().text().startsWith("Iteration")) return;
            closed = true;
            program ? s.form->close() : w->parentWidget()->close();
        });
        QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
        QVERIFY(closed);
        QCOMPARE(s.dialogs.notices, QStringList{"Optimization terminated by user!"});
        QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
        QTRY_COMPARE(s.log().contains("Program ZEFO closed"), program);
        checkconsistent(s.m.lens, s.form->glasscatalog());
    }
}

// A run whose evaluation fails: the error box with the reason, "Status: Error", the reason
// in the log, and a system without a model glass.
void OptimizationTest::dlserror() {
    Session s;
    Model m = startdesign(s.form->glasscatalog());
    // a strong first surface: the marginal rays of the full aperture miss its sphere
    m.lens.sys.sp.radius[0] = 10;
    m.lens.sys.sp.curv[0] = 0.1;
    s.open(savelens(s, m, "broken.dat"));
    const int logged = s.log().size();
    s.form->trigger("ClassicalDlsOptimization");
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->optimrun(), 120000);
    QCOMPARE(s.dialogs.errors, QStringList{"Error in DLS Optimization!"});
    QVERIFY(!s.dialogs.reasons.first().isEmpty());
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.logsince(logged), (QStringList{dlstitle, s.dialogs.reasons.first()}));
    QVERIFY(!s.form->session().failed());  // the error was taken
    checkconsistent(s.m.lens, s.form->glasscatalog());
}

int runoptimizationtests(int argc, char** argv) {
    OptimizationTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "optimization_test.moc"
