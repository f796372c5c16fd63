// The evolutionary optimizers through the main window: the parameter dialogs typed into
// (refusals keep the set), their data files and EA Save, the enabling of the run
// commands, and the runs in their windows: to the end, stopped with Esc (the system and its
// labels intact), failing, and the window refreshed by time.
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QThread>
#include <cmath>

#include "core/app/samplelenses.h"
#include "core/evolution/eaparams.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "gui/app/eadialogs.h"
#include "gui/app/evorun.h"
#include "guitest.h"

namespace zefo::gui::test {

namespace {

// The Cooke triplet (curvature and separation labels, and extra labels of the first
// surface) opened as cooke.dat.
void opencookelens(Session& s, const std::string& extralabels = "", size_t row = 0) {
    for (const SampleLens& l : samplelenses())
        if (std::string(l.sysname) == "COOKE") {
            Model m = buildsamplelens(l, s.form->glasscatalog());
            m.lens.sysname = "cooke";
            m.lens.sys.sp.optlabel[row] += extralabels;
            const QString path = QString::fromStdString(s.ws.datdir) + "cooke.dat";
            QCOMPARE(QString::fromStdString(savelensfile(path.toStdString(), m.lens)), QString());
            s.open(path);
        }
    QCOMPARE(s.m.lens.sysname, std::string("cooke"));
}

std::string eadatafile(const Session& s, const char* ext) { return s.ws.geneticdir + "cooke" + ext; }

void saveeadata(const Session& s, const EAParams& p) {
    QCOMPARE(QString::fromStdString(saveeafile(eadatafile(s, eaextension(p.kind).c_str()), p)), QString());
}

QLineEdit* eafield(QDialog& d, int k) { return d.findChild<QLineEdit*>(QString("field%1").arg(k)); }

// Types a text into a field as a user does (the mask filters it) and presses OK.
int eatypeok(QDialog& d, int k, const QString& text) {
    QLineEdit* e = eafield(d, k);
    e->selectAll();
    e->del();
    QTest::keyClicks(e, text);
    d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    return d.result();
}

int eapressok(QDialog& d) {
    d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    return d.result();
}

// The commands of a eamenu of Optimization, by their object names.
QStringList eamenu(Session& s, const char* path) {
    QStringList out;
    auto* menu = s.form->findChild<QMenu*>(path);
    if (!menu) return out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) out << a->objectName();
    return out;
}

EvoWindow* evowindow(Session& s) {
    const auto windows = s.form->mdiarea()->findChildren<EvoWindow*>();
    return windows.isEmpty() ? nullptr : windows.last();
}

QStringList evomemo(EvoWindow* w) { return w->DSMemo->toPlainText().split('\n'); }

// Every surface finite, radius and curvature agreeing: a system a designer can go on with.
void evoconsistent(const OpticalSystem& lens) {
    const auto& sp = lens.sys.sp;
    for (int i = 0; i <= lens.nsurf; ++i) {
        QVERIFY(std::isfinite(sp.curv[i]) && std::isfinite(sp.sep[i]) && std::isfinite(sp.radius[i]));
        if (sp.curv[i] != 0) QVERIFY(std::abs(sp.radius[i] * sp.curv[i] - 1) < 1e-9);
    }
}

}  // namespace

class EvolutionTest : public QObject {
    Q_OBJECT
private slots:
    void menusandenabling();
    void dialogsrefuseandkeeptheset_data();
    void dialogsrefuseandkeeptheset();
    void geneticdialogscompletetogether();
    void dialogloadsitsdatafilefirst();
    void easave();
    void runtotheend();
    void escapekeepsthesystem();
    void runofanotherkindisrefused();
    void refreshedbytime();
    void failedrunclosesitswindow();
};

// The menus of the catalogue; EA Save and the runs wait for their sets, each run for its own
// data file.
void EvolutionTest::menusandenabling() {
    Session s;
    opencookelens(s);
    QCOMPARE(eamenu(s, "Optimization/Evolutionary Algorithms Data"),
             (QStringList{"EaGeneral", "EaProbabilities", "EaAssga", "EaEsEvol", "EaEsGrup", "EaEsReko", "EaEsKorr",
                          "EaSave"}));
    QCOMPARE(eamenu(s, "Optimization/Evolution Strategies"),
             (QStringList{"EsEvolOptimization", "EsGrupOptimization", "EsRekoOptimization", "EsKorrOptimization"}));
    QVERIFY(s.enabled("EaGeneral") && s.enabled("EaEsKorr"));
    for (const char* id : {"EaSave", "AssgaOptimization", "EsEvolOptimization", "EsGrupOptimization",
                           "EsRekoOptimization", "EsKorrOptimization"})
        QVERIFY2(!s.enabled(id), id);
    EAParams p;
    p.kind = 6;
    saveeadata(s, p);
    s.open(QString::fromStdString(s.ws.datdir) + "cooke.dat");
    QVERIFY(s.enabled("EsRekoOptimization"));
    QVERIFY(!s.enabled("EsGrupOptimization") && !s.enabled("AssgaOptimization"));
    QVERIFY(!s.enabled("EaSave"));  // Open leaves EA Save off
    s.form->trigger("FileClose");
    QVERIFY(!s.enabled("EaGeneral") && !s.enabled("EsRekoOptimization"));
}

void EvolutionTest::dialogsrefuseandkeeptheset_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("logged");
    QTest::newRow("general") << "EaGeneral" << "Genetic algorithms general" << 1 << "999"
                             << "Maximum number of generations must be number between 1000 and 100000!" << "20000"
                             << "New value for maximum number of generations is 20000";
    QTest::newRow("probabilities") << "EaProbabilities" << "Genetic algorithms probabilities" << 1 << "0"
                                   << "Mutation probability must not be zero!" << "0.05"
                                   << "New value for mutation probability is 0.0500";
    QTest::newRow("assga") << "EaAssga" << "Adaptive Steady State Genetic Algorithm" << 0 << "51"
                           << "Number of genetic operators per generation must be number between 5 and 50!" << "50"
                           << "New value for number of genetic operators is 50";
    QTest::newRow("evol") << "EaEsEvol" << "Evolutionary strategies EVOL" << 2 << "0.002"
                          << "Number must be smaller then 0.001!" << "0.0005"
                          << "New value for convergence test apsolute is 0.000500";
    QTest::newRow("grup") << "EaEsGrup" << "Evolutionary Strategies GRUP" << 1 << "201"
                          << "Number of the offsprings in population must be between 50 and 200!" << "60"
                          << "New value for number of offsprings in population is 60";
    QTest::newRow("reko") << "EaEsReko" << "Evolutionary Strategies GRUP" << 7 << "2.5"
                          << "Number must be between 0.5 and 2!" << "1.25"
                          << "New initial value for step size is  1.250";
    QTest::newRow("korr") << "EaEsKorr" << "Evolutionary strategies KORR" << 8 << "400"
                          << "Number must be between 0 and 360!" << "90" << "New value for rotation is 90.000";
}

// A refused value: the error box, the old text back in the field, the dialog open and the
// set unchanged; the corrected value is taken with its log line and the dialog's lines.
void EvolutionTest::dialogsrefuseandkeeptheset() {
    QFETCH(QString, command);
    QFETCH(QString, caption);
    QFETCH(int, field);
    QFETCH(QString, bad);
    QFETCH(QString, message);
    QFETCH(QString, good);
    QFETCH(QString, logged);
    Session s;
    opencookelens(s);
    const EAParams before = s.form->session().ea().p;
    const int logstart = s.log().size();
    QString shownafter, hint;
    bool stillopen = false;
    EAParams afterrefusal;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        const QString old = eafield(d, field)->text();
        stillopen = eatypeok(d, field, bad) != QDialog::Accepted;
        shownafter = eafield(d, field)->text() == old ? "restored" : "kept";
        hint = s.form->statuspanel(0);
        afterrefusal = s.form->session().ea().p;
        return eatypeok(d, field, good);
    };
    s.form->trigger(command);
    QCOMPARE(s.dialogs.dialogtitles, QStringList{caption});
    QCOMPARE(s.dialogs.errors, QStringList{message});
    QVERIFY(stillopen);
    QCOMPARE(shownafter, QString("restored"));
    QVERIFY(hint.startsWith("Enter "));  // the refused field has the focus and its hint
    QVERIFY(afterrefusal == before);
    QVERIFY(!(s.form->session().ea().p == before));
    const QString title = QString::fromStdString(commandtext(command.toStdString()).title);
    QStringList expected{title, logged};
    if (command == "EaEsReko") expected << "ES REKO optimization recombines the parents";
    expected << title + " - Finished";
    QCOMPARE(s.logsince(logstart), expected);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    QCOMPARE(s.enabled("EaSave"), !command.startsWith("EaEs") ? false : true);

    // Cancel: the set as it was, the cancel line
    const EAParams kept = s.form->session().ea().p;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        eafield(d, field)->setText(bad);
        return int(QDialog::Rejected);
    };
    s.form->trigger(command);
    QVERIFY(s.form->session().ea().p == kept);
    QCOMPARE(s.log().last(), title + " - Terminated by user");
    QCOMPARE(s.form->statuspanel(2), QString("Status: Terminated"));
    QVERIFY(!s.form->session().cancelled());
}

// The three genetic dialogs complete the set together; then EA Save is enabled. The radio
// groups are taken after the fields, and a quotient refusal keeps the typed value.
void EvolutionTest::geneticdialogscompletetogether() {
    Session s;
    opencookelens(s);
    QStringList groups;
    QString quotientfield;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        for (auto* g : d.findChildren<QGroupBox*>()) groups << g->title();
        d.findChild<QGroupBox*>("mutparent")->findChildren<QRadioButton*>()[2]->setChecked(true);
        eafield(d, 0)->setText("150");
        eafield(d, 2)->setText("300");
        eatypeok(d, 3, "3");  // 300 div 3 is not 150
        quotientfield = eafield(d, 3)->text();
        return eatypeok(d, 3, "2");
    };
    s.form->trigger("EaGeneral");
    QCOMPARE(groups, (QStringList{"Initial population generation", "Mutation Parent Selection"}));
    QCOMPARE(s.dialogs.errors,
             QStringList{"Quotient of starting and stop value for merit function must be equal to population size!"});
    QCOMPARE(quotientfield, QString("3"));
    const EAState& ea = s.form->session().ea();
    QCOMPARE(ea.p.popsize, 150);
    QCOMPARE(ea.p.meritstep, 2);
    QCOMPARE(ea.p.mutparent, 3);
    QCOMPARE(s.log().last(2), (QStringList{"Mutation parent selection is random parent",
                                           "General data for EA optimization - Finished"}));
    QVERIFY(!s.enabled("EaSave"));
    s.dialogs.dialogsteps << eapressok;
    s.form->trigger("EaProbabilities");
    QVERIFY(!s.enabled("EaSave"));
    s.dialogs.dialogsteps << eapressok;
    s.form->trigger("EaAssga");
    QVERIFY(s.enabled("EaSave"));
    QCOMPARE(ea.p.kind, 3);
}

// A dialog not yet confirmed loads the stored set first; a set of the wrong kind under the
// dialog's name is refused with its message and the set in memory stays.
void EvolutionTest::dialogloadsitsdatafilefirst() {
    Session s;
    opencookelens(s);
    EAParams korr;
    korr.kind = 7;
    korr.parents = 17;
    korr.recombcode = 222;
    saveeadata(s, korr);
    QString parents;
    int recombination = -1;
    s.dialogs.dialogsteps << [&](QDialog& d) {
        parents = eafield(d, 0)->text();
        recombination = d.findChild<QGroupBox*>("recombination")->findChild<QButtonGroup*>()->checkedId();
        return int(QDialog::Rejected);
    };
    s.form->trigger("EaEsKorr");
    QCOMPARE(parents, QString("17"));
    QCOMPARE(recombination, 1);
    QVERIFY(s.enabled("EaSave"));  // loading enables it, also when the dialog is cancelled

    Session t;
    opencookelens(t);
    QVERIFY(writefileatomic(eadatafile(t, ".esg"), eafiletext(korr)).empty());  // a KORR set named as GRUP's
    t.dialogs.dialogsteps << [&](QDialog& d) {
        parents = eafield(d, 0)->text();
        return int(QDialog::Rejected);
    };
    t.form->trigger("EaEsGrup");
    QCOMPARE(t.dialogs.errors.size(), 1);
    QVERIFY(t.dialogs.errors.first().contains("kind 7"));
    QCOMPARE(parents, QString("10"));
    QVERIFY(!t.enabled("EaSave"));
}

// EA Save writes the set of its kind whole; the run command of that kind becomes enabled. A
// write that fails shows its message and logs no finished line.
void EvolutionTest::easave() {
    Session s;
    opencookelens(s);
    s.dialogs.dialogsteps << [](QDialog& d) { return eatypeok(d, 0, "12"); };
    s.form->trigger("EaEsGrup");
    QVERIFY(!s.enabled("EsGrupOptimization"));
    const int logstart = s.log().size();
    s.form->trigger("EaSave");
    QCOMPARE(s.logsince(logstart),
             (QStringList{"Save data for EA optimization", "Save data for EA optimization - Finished"}));
    EAParams back;
    QCOMPARE(QString::fromStdString(loadeafile(eadatafile(s, ".esg"), back)), QString());
    QCOMPARE(back.kind, 5);
    QCOMPARE(back.parents, 12);
    QVERIFY(!back.recombine);
    QVERIFY(s.enabled("EsGrupOptimization"));

    QVERIFY(QDir(QString::fromStdString(s.ws.geneticdir)).removeRecursively());
    QFile blocker(QString::fromStdString(s.ws.geneticdir).chopped(1));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    const int again = s.log().size();
    s.form->trigger("EaSave");
    QCOMPARE(s.dialogs.errors.size(), 1);
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QVERIFY(!s.logsince(again).contains("Save data for EA optimization - Finished"));
}

// EVOL to the end: the window with its memo and four panels, the report, the log, a system
// changed in its variables only, and the set to be loaded again for the next run.
void EvolutionTest::runtotheend() {
    Session s;
    opencookelens(s);
    EAParams p;
    p.kind = 4;
    p.maxgen = 999;
    saveeadata(s, p);
    s.form->updateenabling();
    const OpticalSystem before = s.m.lens;
    const int logstart = s.log().size();
    s.form->trigger("EsEvolOptimization");
    EvoWindow* w = evowindow(s);
    QVERIFY(w);
    QVERIFY(s.form->evorun());
    QVERIFY(!s.form->menuBar()->isEnabled());
    QCOMPARE(w->windowTitle(), QString("Evolutionary strategies - EVOL Optimization"));
    QCOMPARE(w->DSMemo->font().family(), QString("Courier New"));
    QCOMPARE(w->DSMemo->lineWrapMode(), QPlainTextEdit::NoWrap);
    QList<int> widths;  // at least the widths of the window's panels; a wider window shares its room alike
    for (int k = 0; k < 4; ++k) widths << w->StatusBar1->findChild<QLabel*>(QString("Panel%1").arg(k))->minimumWidth();
    QCOMPARE(widths, (QList<int>{120, 180, 200, 200}));
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->evorun(), 120000);
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    QCOMPARE(w->panel(0), QString("Status: Finished"));
    QCOMPARE(w->panel(1), QString());
    const QString title = "Evolution Strategies EVOL Optimization";
    QCOMPARE(s.logsince(logstart), (QStringList{title, title + " - Finished"}));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
    const QStringList memo = evomemo(w);
    QCOMPARE(memo.last(), QString("End of displayed data"));
    QVERIFY(memo.contains("Optimization finished"));
    QCOMPARE(w->DSMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(QFile::exists(QString::fromStdString(s.ws.optimdir) + "cooke.ese"));
    QVERIFY(s.enabled("DisplayEsEvolOptimization"));
    QVERIFY(s.form->session().datachanged());
    QVERIFY(!s.form->session().ea().completed);
    QVERIFY(s.m.lens.sys.sp.curv != before.sys.sp.curv);
    QVERIFY(s.m.lens.sys.sp.optlabel == before.sys.sp.optlabel);
    QVERIFY(s.m.lens.sys.sp.glass == before.sys.sp.glass);
    evoconsistent(s.m.lens);
}

// A GRUP run whose feasibility phase took the glass label away has it back for the
// optimization that follows and at its end. Esc while a second run goes on: the run ends as
// terminated; the system is consistent with its labels as they were, and the program goes
// on.
void EvolutionTest::escapekeepsthesystem() {
    EAParams p;
    p.kind = 5;
    p.maxgen = 1000;   // the runs end when they converge, in some tens of generations
    {
        Session g;
        opencookelens(g, "G", 1);   // the glass of the first lens
        saveeadata(g, p);
        g.form->updateenabling();
        const OpticalSystem before = g.m.lens;
        g.form->trigger("EsGrupOptimization");
        QTRY_VERIFY_WITH_TIMEOUT(!g.form->evorun(), 60000);
        QVERIFY2(g.dialogs.errors.isEmpty(), qPrintable(g.dialogs.errors.join("; ") + g.dialogs.reasons.join("; ")));
        QVERIFY(g.m.lens.sys.sp.optlabel == before.sys.sp.optlabel);
    }
    Session s;
    opencookelens(s);
    saveeadata(s, p);
    s.form->updateenabling();
    const OpticalSystem before = s.m.lens;
    s.form->trigger("EsGrupOptimization");
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->evorun(), 60000);
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    p.convabs = p.convrel = 0;  // no convergence: the second run goes on until Esc
    saveeadata(s, p);

    const int logstart = s.log().size();
    s.form->trigger("EsGrupOptimization");
    QPointer<EvoWindow> w = evowindow(s);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString("Evolutionary strategies - GRUP Optimization"));
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->evorun() || w->panel(1).startsWith("Iteracition number..."), 60000);
    QVERIFY2(s.dialogs.errors.isEmpty(), qPrintable(s.dialogs.reasons.join("; ")));
    QVERIFY(s.form->evorun());
    s.form->trigger("EsGrupOptimization");  // nothing else runs meanwhile
    QCOMPARE(s.form->mdiarea()->findChildren<EvoWindow*>().size(), 2);
    QTest::keyClick(w->DSMemo, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->evorun(), 60000);
    QCOMPARE(s.dialogs.notices, QStringList{"Optimization terminated by user!"});
    QCOMPARE(w->panel(0), QString("Status: Terminated"));
    const QString title = "Evolution Strategies GRUP Optimization";
    QCOMPARE(s.logsince(logstart), (QStringList{title, title + " - Terminated by user"}));
    QVERIFY(evomemo(w).contains("Optimization terminated by  user"));
    QVERIFY(s.form->menuBar()->isEnabled());
    QVERIFY(s.m.lens.sys.sp.optlabel == before.sys.sp.optlabel);
    QCOMPARE(s.m.lens.nsurf, before.nsurf);
    evoconsistent(s.m.lens);
    // the program goes on with the system the run left
    s.form->trigger("RayTrace");
    QVERIFY(s.dialogs.errors.isEmpty());
}

// A run command keeps its kind: a general genetic set under ASSGA's name is refused before
// anything runs.
void EvolutionTest::runofanotherkindisrefused() {
    Session s;
    opencookelens(s);
    EAParams general;
    general.kind = 1;
    saveeadata(s, general);
    s.form->updateenabling();
    QVERIFY(s.enabled("AssgaOptimization"));
    const OpticalSystem before = s.m.lens;
    s.form->trigger("AssgaOptimization");
    QVERIFY(!s.form->evorun());
    QVERIFY(!evowindow(s));
    QCOMPARE(s.dialogs.errors.size(), 1);
    QVERIFY(s.dialogs.errors.first().contains("kind 1"));
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QVERIFY(s.m.lens == before);
}

// Memo lines and panels written far faster than a screen shows them reach the window in
// batches every 50 ms, all of them and in order, while the run never waits.
void EvolutionTest::refreshedbytime() {
    Session s;
    opencookelens(s);
    EAParams p;
    p.kind = 7;
    saveeadata(s, p);
    s.form->updateenabling();
    const int total = 5000;
    QElapsedTimer clock;
    s.form->setevolutionrunner([&](Model&, EAKind k, const EAParams& params, const EASetup&, const EAHooks& h) {
        EAOutcome o;
        for (int i = 1; i <= total; ++i) {
            h.memo("line " + std::to_string(i));
            h.status(1, "Iteratition..." + std::to_string(i));
            if (i % 250 == 0) QThread::msleep(20);
        }
        h.status(0, "Status: Finished");
        o.merit = k == EAKind::korr && params.kind == 7 ? 1 : 0;  // the run got its kind and set
        return o;
    });
    int batches = 0;
    clock.start();
    s.form->trigger("EsKorrOptimization");
    EvoWindow* w = evowindow(s);
    QVERIFY(w);
    connect(s.form->evorun(), &EvoRun::lines, w, [&] { ++batches; });
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->evorun(), 60000);
    const qint64 elapsed = clock.elapsed();
    const QStringList memo = evomemo(w);
    QCOMPARE(memo.size(), total);
    QCOMPARE(memo.first(), QString("line 1"));
    QCOMPARE(memo.last(), QString("line %1").arg(total));
    QCOMPARE(w->panel(1), QString("Iteratition...%1").arg(total));
    QVERIFY2(batches <= elapsed / EvoRun::refreshms + 2, qPrintable(QString("%1 batches in %2 ms").arg(batches).arg(elapsed)));
    QVERIFY(batches >= 2);  // the window followed the run, not only its end
    QCOMPARE(s.form->statuspanel(2), QString("Status: Finished"));
}

// A run that fails: its window closes, the error box of the strategies with the reason,
// "Status: Error", the reason in the log; the system is the one before.
void EvolutionTest::failedrunclosesitswindow() {
    Session s;
    opencookelens(s);
    EAParams p;
    p.kind = 6;
    saveeadata(s, p);
    s.form->updateenabling();
    const OpticalSystem before = s.m.lens;
    s.form->setevolutionrunner([](Model&, EAKind, const EAParams&, const EASetup&, const EAHooks& h) {
        h.memo("a first line");
        EAOutcome o;
        o.status = EAOutcome::Status::error;
        o.errmsg = "Ray 3 misses surface 2";
        return o;
    });
    const int logstart = s.log().size();
    s.form->trigger("EsRekoOptimization");
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->evorun(), 60000);
    QTRY_VERIFY(!evowindow(s));
    QCOMPARE(s.dialogs.errors, QStringList{"Error in Evolution Strategies REKO Optimization!"});
    QCOMPARE(s.dialogs.reasons, QStringList{"Ray 3 misses surface 2"});
    QCOMPARE(s.form->statuspanel(2), QString("Status: Error"));
    QCOMPARE(s.logsince(logstart), (QStringList{"Evolution Strategies REKO Optimization", "Ray 3 misses surface 2"}));
    QVERIFY(s.m.lens == before);
}

int runevolutiontests(int argc, char** argv) {
    EvolutionTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "evolution_test.moc"
