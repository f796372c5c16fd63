// The windows and helpers of the program: wavelength chooser, report window, printing,
// help search and the About window.
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTextBrowser>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "gui/app/aboutwindow.h"
#include "core/app/version.h"
#include "gui/app/helpwindow.h"
#include "gui/app/reportwindow.h"
#include "gui/app/wavelength.h"
#include "guitest.h"

namespace zefo::gui::test {

class WidgetTest : public QObject {
    Q_OBJECT
private slots:
    void wavelengthitems_data();
    void wavelengthitems();
    void wavelengthdialog();
    void reportwindowcopyandprint();
    void printlineswritespages();
    void helpsearch();
    void aboutwindow();
    void errorboxshowsthereason();
};

void WidgetTest::wavelengthitems_data() {
    QTest::addColumn<double>("wl0");
    QTest::addColumn<double>("wl1");
    QTest::addColumn<double>("wl2");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("d C F") << 0.0005876 << 0.0006563 << 0.0004861
                           << QStringList{"&White light", "&d spectral line", "&C spectral line", "&F spectral line"}
                           << QStringList{" White light ", " d-spec.l. 587.6 nm", " C-spec.l. 656.3 nm",
                                          " F-spec.l. 486.1 nm"};
    // 587.56 nm still prints as 587.6 with one decimal: the standard names apply.
    QTest::newRow("d rounded") << 0.00058756 << 0.0006563 << 0.0004861
                               << QStringList{"&White light", "&d spectral line", "&C spectral line", "&F spectral line"}
                               << QStringList{" White light ", " d-spec.l. 587.6 nm", " C-spec.l. 656.3 nm",
                                              " F-spec.l. 486.1 nm"};
    QTest::newRow("HeNe e g") << 0.0006328 << 0.0005461 << 0.0004358
                              << QStringList{"&White light", "632.8nm spectral line", "546.1nm spectral line",
                                             "435.8nm spectral line"}
                              << QStringList{" White light ", " 1-spec.l. 632.8 nm", " 2-spec.l. 546.1 nm",
                                             " 3-spec.l. 435.8 nm"};
    QTest::newRow("infrared") << 0.01 << 0.0106 << 0.0009
                              << QStringList{"&White light", "10000.0nm spectral line", "10600.0nm spectral line",
                                             "900.0nm spectral line"}
                              << QStringList{" White light ", " 1-spec.l. 10000.0 nm", " 2-spec.l. 10600.0 nm",
                                             " 3-spec.l. 900.0 nm"};
}

void WidgetTest::wavelengthitems() {
    QFETCH(double, wl0);
    QFETCH(double, wl1);
    QFETCH(double, wl2);
    QFETCH(QStringList, items);
    QFETCH(QStringList, labels);
    Model m;
    initglobals(m);
    m.lens.wl = {wl0, wl1, wl2};
    QStringList got;
    for (const auto& i : zefo::wavelengthitems(m)) got << QString::fromStdString(i);
    QCOMPARE(got, items);
    for (int item = 0; item < 4; ++item) {
        const WavelengthChoice c = wavelengthchoice(m, item);
        QCOMPARE(c.chosenwl, item == 0 ? 4 : item);
        QCOMPARE(QString::fromStdString(c.label), labels[item]);
    }
}

// The dialog itself: white light preselected; OK returns the checked item, Cancel code 0.
void WidgetTest::wavelengthdialog() {
    Model m;
    initglobals(m);
    for (int pass = 0; pass < 3; ++pass) {
        QStringList shown;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QString("WaveLength"));
            QCOMPARE(d->findChild<QGroupBox*>()->title(), QString("Chose wavelength"));
            const auto radios = d->findChildren<QRadioButton*>();
            for (auto* r : radios) shown << r->text();
            QVERIFY(radios[0]->isChecked());
            if (pass == 0) d->reject();
            else {
                if (pass == 2) radios[3]->setChecked(true);
                d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            }
        });
        const WavelengthChoice c = choosewavelength(nullptr, m);
        QCOMPARE(shown.size(), 4);
        QCOMPARE(c.chosenwl, pass == 0 ? 0 : pass == 1 ? 4 : 3);
        if (pass == 2) QCOMPARE(c.label, std::string(" F-spec.l. 486.1 nm"));
    }
}

void WidgetTest::reportwindowcopyandprint() {
    ReportWindow w("Seidel Coefficients");
    w.report().addline("  SA3   -0.0123");
    w.report().addline("  CMA3   0.0456");
    w.refresh();
    QCOMPARE(w.DSMemo->font().family(), QString("Liberation Mono"));
    QCOMPARE(w.DSMemo->font().pixelSize(), 11);
    QVERIFY(QFontInfo(w.DSMemo->font()).fixedPitch());
    QStringList printed;
    connect(&w, &ReportWindow::printrequested, [&](const QStringList& lines, const QFont&) { printed = lines; });
    const auto items = w.PopupMenu1->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QString("&Print"));
    QCOMPARE(items[1]->text(), QString("&Copy"));
    QVERIFY(w.showfile(std::string(ZEFO_TEST_DATA) + "/lens1.dat"));
    const QStringList lines = w.lines();
    QCOMPARE(lines.first(), QString("LENS1"));
    QCOMPARE(lines.size(), 78 + 2);
    QCOMPARE(lines.mid(76), (QStringList{"-5.16800000000000E+0001 -5.16800000000000E+0001  5.00000000000000E+0000  5.00000000000000E+0000",
                                          " 0.00000000000000E+0000  0.00000000000000E+0000  9.50000000000000E+0001  9.50000000000000E+0001",
                                          " ", "End of displayed data"}));
    items[0]->trigger();
    QCOMPARE(printed, lines);
    items[1]->trigger();
    QCOMPARE(QApplication::clipboard()->text(), lines.join('\n'));
}

void WidgetTest::printlineswritespages() {
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + "/out.pdf");
    QStringList lines;
    for (int i = 0; i < 200; ++i) lines << QString("line %1 %2").arg(i).arg(QString(60, 'x'));
    QCOMPARE(printlines(printer, lines, reportfont()), QString());
    const QByteArray pdf = Session::bytes(dir.path() + "/out.pdf");
    QVERIFY(pdf.startsWith("%PDF"));
    // At 8.25 pt a page holds well under 100 lines: 200 lines need at least three pages.
    const int pages = pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page>");
    QVERIFY2(pages >= 3, QByteArray::number(pages));
}

void WidgetTest::helpsearch() {
    const auto all = searchhelp("");
    QCOMPARE(all.size(), static_cast<int>(helptopics().size()));
    QCOMPARE(all.first(), QString("Contents"));
    const auto hits = searchhelp("terminated by user");
    QVERIFY(hits.contains("The command log"));
    QVERIFY(!hits.contains("Printing"));
    QVERIFY(searchhelp("no such words anywhere").isEmpty());
    // Every page of the manual is compiled in.
    HelpWindow w(nullptr);
    for (int i = 0; i < static_cast<int>(helptopics().size()); ++i) {
        w.showtopic(i);
        QVERIFY2(w.browser()->toPlainText().size() > 200, helptopics()[i].page);
        QCOMPARE(w.browser()->documentTitle(), i == 0 ? QString("ZEFO Help") : QString(helptopics()[i].title));
    }
    w.showsearch("log");
    QVERIFY(w.hits()->count() > 0);
    QVERIFY(w.hits()->count() < static_cast<int>(helptopics().size()));
}

void WidgetTest::aboutwindow() {
    AboutWindow about(nullptr, 0);
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(about.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(about.isModal());
    QCOMPARE(about.findChild<QLabel*>("Picture")->pixmap().size(), QPixmap(logopath()).size());
    // The version of the build stands inside the picture.
    const QLabel* version = about.findChild<QLabel*>("Version");
    QVERIFY(version);
    QCOMPARE(version->text(), QString("Version ") + programversion);
    QVERIFY(about.rect().contains(version->geometry()));
    // A click closes it.
    about.show();
    QTest::mouseClick(&about, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    // With a delay it closes by itself.
    AboutWindow splash(nullptr, 50);
    QElapsedTimer t;
    t.start();
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QVERIFY(t.elapsed() >= 40);
}

// The error box of the program: caption "Error", the command's text, and the reason below
// it in full on one line, seen without opening anything.
void WidgetTest::errorboxshowsthereason() {
    const QString reason = "Error in ssetq - index of refraction must be different from zero";
    struct Seen {
        QString caption, text, informative, detailed;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int labelwidth = 0, needed = 0, labellines = 0;
    };
    auto look = [](const QString& text, const QString& why) {
        Seen seen;
        QTimer::singleShot(0, [&seen, why] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = {box->windowTitle(), box->text(), box->informativeText(), box->detailedText(), box->icon()};
            if (auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel"); label && !why.isEmpty()) {
                seen.labelwidth = label->width();
                seen.needed = label->fontMetrics().horizontalAdvance(seen.informative);
                seen.labellines = label->contentsRect().height() / label->fontMetrics().lineSpacing();
            }
            box->accept();
        });
        Dialogs().error(nullptr, text, why);
        return seen;
    };
    Seen seen = look("Error in calculation!", reason);
    QCOMPARE(seen.caption, QString("Error"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.text, QString("Error in calculation!"));
    QCOMPARE(seen.informative, reason);
    QVERIFY(seen.detailed.isEmpty());
    QVERIFY2(seen.labelwidth >= seen.needed, qPrintable(QString("%1 < %2").arg(seen.labelwidth).arg(seen.needed)));
    QCOMPARE(seen.labellines, 1);
    // Without a reason the box holds only its text.
    seen = look("Cannot open the command log", QString());
    QCOMPARE(seen.text, QString("Cannot open the command log"));
    QVERIFY(seen.informative.isEmpty());
}

int runwidgettests(int argc, char** argv) {
    WidgetTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace zefo::gui::test

#include "widgets_test.moc"
