// zefo: the desktop program. Start-up: workspace, program title, the picture, the main window.
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <clocale>
#include <string>

#include "gui/app/aboutwindow.h"
#include "gui/app/dialogs.h"
#include "gui/app/mainwindow.h"
#include "core/report/workspace.h"
#include "core/model/model.h"

namespace {

// How long the start-up picture stays: --splash-ms N, else ZEFO_SPLASH_MS, else 5000 ms.
int splashdelay(const QStringList& args) {
    const int i = args.indexOf("--splash-ms");
    if (i >= 0 && i + 1 < args.size()) return args[i + 1].toInt();
    bool ok = false;
    const int env = qEnvironmentVariableIntValue("ZEFO_SPLASH_MS", &ok);
    return ok ? env : 5000;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers are written with "." whatever the user's locale; the setting found is restored at exit.
    const std::string numericlocale = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    zefo::Model m;
    zefo::initglobals(m);
    const zefo::Workspace ws = zefo::makeworkspace(QDir::currentPath().toStdString());

    QApplication::setApplicationName("ZEFO");
    QApplication::setWindowIcon(zefo::gui::zefoicon());

    if (const int ms = splashdelay(app.arguments()); ms > 0) {
        zefo::gui::AboutWindow splash(nullptr, ms);
        splash.exec();
    }

    int rc = 0;
    {
        zefo::gui::Dialogs dialogs;
        zefo::gui::ZefoMainForm form(m, ws, dialogs);
        if (form.startfailed()) rc = 1;
        else {
            form.show();
            rc = app.exec();
        }
    }
    std::setlocale(LC_NUMERIC, numericlocale.c_str());
    return rc;
}
