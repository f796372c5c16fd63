// Shared fixture of the desktop program tests: a main window in a fresh program directory
// whose dialogs are answered by the test.
#pragma once

#include <QDialog>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "gui/app/dialogs.h"
#include "gui/app/mainwindow.h"
#include "core/report/workspace.h"
#include "core/model/model.h"

namespace zefo::gui::test {

// Answers the main window's dialogs from queues and records what it was shown.
class ScriptedDialogs : public Dialogs {
public:
    QStringList openanswers, saveanswers;  // file names; an exhausted queue cancels
    QList<bool> questionanswers;           // an exhausted queue answers No
    int cancelquestions = 0;               // Yes/No/Cancel questions answered Cancel first
    QStringList errors, notices, questions;
    QStringList reasons;  // the reason shown in each error box, empty when it has none
    QStringList printed;
    QFont printfont;
    int prints = 0, setups = 0, abouts = 0, wavelengthcalls = 0;
    bool cancelprint = false;
    int wavelengthitem = -1;  // -1 cancels the chooser
    // Fill and close the program's modal dialogs in turn, each returning the dialog's result;
    // a dialog shown when the list is exhausted is cancelled.
    QList<std::function<int(QDialog&)>> dialogsteps;
    QStringList dialogtitles;  // every modal dialog shown
    QStringList messages;      // boxes with their own caption, as "caption: text"
    QStringList inputanswers;  // answers of input boxes; an exhausted queue keeps the default
    QStringList inputboxes;    // every input box shown, as "caption: prompt [default]"

    QString openfilename(QWidget*, const QString&, const QString&, const QString&) override {
        return openanswers.isEmpty() ? QString() : openanswers.takeFirst();
    }
    QString savefilename(QWidget*, const QString&, const QString&, const QString&) override {
        return saveanswers.isEmpty() ? QString() : saveanswers.takeFirst();
    }
    bool question(QWidget*, const QString& text) override {
        questions << text;
        return questionanswers.isEmpty() ? false : questionanswers.takeFirst();
    }
    std::optional<bool> questioncancel(QWidget* parent, const QString& text) override {
        if (cancelquestions > 0) {
            --cancelquestions;
            questions << text;
            return std::nullopt;
        }
        return question(parent, text);
    }
    void error(QWidget*, const QString& text, const QString& reason) override {
        errors << text;
        reasons << reason;
    }
    void message(QWidget*, const QString& caption, const QString& text) override {
        messages << caption + ": " + text;
    }
    int execdialog(QDialog& d) override {
        dialogtitles << d.windowTitle();
        return dialogsteps.isEmpty() ? int(QDialog::Rejected) : dialogsteps.takeFirst()(d);
    }
    QString inputbox(QWidget*, const QString& caption, const QString& prompt, const QString& text) override {
        inputboxes << caption + ": " + prompt + " [" + text + "]";
        return inputanswers.isEmpty() ? text : inputanswers.takeFirst();
    }
    void information(QWidget*, const QString& text) override { notices << text; }
    bool printersetup(QWidget*, QPrinter&) override { return ++setups > 0; }
    bool printtext(QWidget*, QPrinter&, const QStringList& lines, const QFont& font, QString&) override {
        if (cancelprint) return false;
        ++prints;
        printed = lines;
        printfont = font;
        return true;
    }
    // Save As of a picture: the file from saveanswers, the size from picturesizes (an empty
    // queue keeps the proposed size); the proposals are recorded.
    QList<QSize> picturesizes, proposedsizes;
    QStringList proposednames;
    bool picturefile(QWidget*, const QString&, const QString& name, QSize& size, QString& path) override {
        proposednames << name;
        proposedsizes << size;
        if (saveanswers.isEmpty()) return false;
        path = saveanswers.takeFirst();
        if (!picturesizes.isEmpty()) size = picturesizes.takeFirst();
        return true;
    }
    int printdialogs = 0;
    bool printdialog(QWidget*, QPrinter&, const QString&) override {
        ++printdialogs;
        return !cancelprint;
    }
    WavelengthChoice wavelength(QWidget*, const Model& m) override {
        ++wavelengthcalls;
        if (wavelengthitem < 0) return {};
        return wavelengthchoice(m, wavelengthitem);
    }
    void about(QWidget*) override { ++abouts; }
};

struct Session {
    QTemporaryDir dir;
    Workspace ws;
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<ZefoMainForm> form;

    Session() {
        initglobals(m);
        ws = makeworkspace(dir.path().toStdString());
        form = std::make_unique<ZefoMainForm>(m, ws, dialogs);
    }

    // The sample singlet copied into the lens folder under another name.
    QString lens(const QString& name = "lens1.dat") const {
        const QString path = QString::fromStdString(ws.datdir) + name;
        QFile::remove(path);
        QFile::copy(QString(ZEFO_TEST_DATA) + "/lens1.dat", path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    void open(const QString& path) {
        dialogs.openanswers << path;
        form->trigger("FileOpen");
    }

    QStringList log() const { return textlines(QString::fromStdString(ws.logpath)); }

    // The lines the log gained since a line count taken before.
    QStringList logsince(int count) const { return log().mid(count); }

    static QStringList textlines(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QString t = QString::fromLocal8Bit(f.readAll());
        t.remove('\r');
        if (t.endsWith('\n')) t.chop(1);
        return t.isEmpty() ? QStringList() : t.split('\n');
    }

    static QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void write(const QString& path, const QByteArray& content) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    bool enabled(const char* name) const {
        QAction* a = form->action(name);
        return a && a->isEnabled();
    }
};

int runmainwindowtests(int argc, char** argv);
int runshelltests(int argc, char** argv);
int runwidgettests(int argc, char** argv);
int runtracecommandtests(int argc, char** argv);
int runiqdialogtests(int argc, char** argv);
int runoptimizationtests(int argc, char** argv);
int rungraphtests(int argc, char** argv);
int runsystemeditortests(int argc, char** argv);
int runnewwizardtests(int argc, char** argv);
int runrayeditortests(int argc, char** argv);
int runevolutiontests(int argc, char** argv);
int runimporttests(int argc, char** argv);
int runmodifytests(int argc, char** argv);
int rungeneraldialogtests(int argc, char** argv);
int runglasscataloguetests(int argc, char** argv);
int runtrusttests(int argc, char** argv);

}  // namespace zefo::gui::test
