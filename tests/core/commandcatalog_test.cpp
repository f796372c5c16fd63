#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "core/app/commandcatalog.h"
#include "core/report/report.h"

namespace zefo {
namespace {

TEST(CommandCatalog, IdsAreUniqueAndEveryReportFileHasItsFolder) {
    std::set<std::string> ids;
    for (const CommandText& t : commandtexts()) {
        EXPECT_TRUE(ids.insert(t.id).second) << "twice: " << t.id;
        // An extension without a row in the report table would land in the wrong folder.
        if (*t.ext) {
            EXPECT_NE(reportkind(t.ext), nullptr) << t.id << " " << t.ext;
        }
    }
    EXPECT_THROW(commandtext("NoSuchCommand"), std::out_of_range);
}

// The log lines follow from the title unless a command names its own.
TEST(CommandCatalog, LogLines) {
    struct Case {
        const char* id;
        const char* start;
        const char* finished;
        const char* terminated;
    };
    const Case cases[] = {
        {"RayTrace", "Ray trace", "Ray trace - Finished", "Ray trace - Terminated by user"},
        {"OpticalSystemFull", "Display full optical system", "Display optical system - Finished",
         "Display full optical system - Terminated by user"},
        {"ParaxialRaytraceFull", "Paraxial ray trace full", "Paraxial ray trace - Finished",
         "Paraxial ray trace full - Terminated by user"},
        {"FileSave", "Save optical file", "Save optical file - Finished",
         "Save optical file - Terminated by user"},
        {"FileSaveAs", "Save optical file with different name", "Save optical file - Finished",
         "Save optical file - Terminated by  user"},
        {"PrinterSetup", "Printer Setup", "Printer Setup - Finished", "Printer Setup - Terminated by user"},
        {"HelpContents", "", " - Finished", " - Terminated by user"},
        {"EaAssga", "Data for ASSGA optimization", "Data for ASSGA optimization - Finished",
         "Data for ASSGA optimization - Terminated by user"},
        {"EsKorrOptimization", "Evolution Strategies KORR Optimization",
         "Evolution Strategies KORR Optimization - Finished", "Evolution Strategies KORR Optimization - Terminated by user"},
    };
    for (const Case& c : cases) {
        const CommandText& t = commandtext(c.id);
        EXPECT_EQ(startline(t), c.start) << c.id;
        EXPECT_EQ(finishedline(t), c.finished) << c.id;
        EXPECT_EQ(terminatedline(t), c.terminated) << c.id;
    }
}

// Both paraxial commands refuse a system of one surface, before anything is logged.
TEST(CommandCatalog, ParaxialDataNeedTwoSurfaces) {
    Model m;
    for (const char* id : {"ParaxialRayTrace", "ParaxialRaytraceFull"}) {
        m.lens.nsurf = 1;
        EXPECT_EQ(refusal(commandtext(id), m), "System must have minimum two surfaces for paraxial calculations!");
        m.lens.nsurf = 2;
        EXPECT_EQ(refusal(commandtext(id), m), "");
    }
    m.lens.nsurf = 1;
    EXPECT_EQ(refusal(commandtext("RayTrace"), m), "");
}

}  // namespace
}  // namespace zefo
