// Runs every test class of the desktop program.
#include <QApplication>
#include <clocale>

#include "guitest.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    using namespace zefo::gui::test;
    int failed = 0;
    failed += runmainwindowtests(argc, argv);
    failed += runshelltests(argc, argv);
    failed += runwidgettests(argc, argv);
    failed += runtracecommandtests(argc, argv);
    failed += runiqdialogtests(argc, argv);
    failed += runoptimizationtests(argc, argv);
    failed += rungraphtests(argc, argv);
    failed += runsystemeditortests(argc, argv);
    failed += runnewwizardtests(argc, argv);
    failed += runrayeditortests(argc, argv);
    failed += runevolutiontests(argc, argv);
    failed += runimporttests(argc, argv);
    failed += runmodifytests(argc, argv);
    failed += rungeneraldialogtests(argc, argv);
    failed += runglasscataloguetests(argc, argv);
    failed += runtrusttests(argc, argv);
    return failed == 0 ? 0 : 1;
}
