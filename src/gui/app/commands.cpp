#include "app/commands.h"

#include "app/helpwindow.h"
#include "app/iqdialogs.h"
#include "app/mainwindow.h"
#include "app/tracework.h"

namespace zefo::gui {

const std::vector<MenuDef>& menucatalogue() {
    static const std::vector<MenuDef> menus = {
        {"File", "&File"},
        {"File/Print", "&Print"},
        {"Data Editor", "Data &Editor"},
        {"Optical Data", "&Optical Data"},
        {"Modify", "&Modify"},
        {"Ray Trace", "&Ray Trace"},
        {"Spot-MTF", "&Spot-MTF"},
        {"Optimization", "O&ptimization"},
        {"Draw", "&Draw"},
        {"Window", "&Window"},
        {"Help", "&Help"},
    };
    return menus;
}

const std::vector<Command>& commandcatalogue() {
    using F = ZefoMainForm;
    static const std::vector<Command> commands = {
        // File
        {.name = "FileOpen", .menu = "File", .caption = "&Open...", .title = "Open optical system",
         .group = Group::Start, .own = &F::FileOpen, .icon = QStyle::SP_DialogOpenButton,
         .shortcut = "Ctrl+O"},
        {.name = "FileSave", .menu = "File", .caption = "&Save", .title = "Save optical system",
         .logtext = "Save optical file", .own = &F::FileSave, .icon = QStyle::SP_DialogSaveButton,
         .shortcut = "Ctrl+S"},
        {.name = "FileSaveAs", .menu = "File", .caption = "Save &As...", .title = "Save optical system",
         .logtext = "Save optical file with different name", .own = &F::FileSaveAs},
        {.name = "FileClose", .menu = "File", .caption = "&Close", .own = &F::FileClose},
        // File > Print: the system and the ray scheme, printed directly
        {.name = "PrintOpticalSystem", .menu = "File/Print", .caption = "&Optical System",
         .title = "Print optical system", .shell = Shell::Print, .report = printsystem},
        {.name = "PrintRays", .menu = "File/Print", .caption = "&Rays", .title = "Print ray scheme",
         .shell = Shell::Print, .report = printrays},
        // File > Print: stored reports
        {.name = "PrintParaxialData", .menu = "File/Print", .caption = "&Paraxial Ray Trace",
         .title = "Print paraxial ray trace", .shell = Shell::Print, .group = Group::Result, .ext = ".prs",
         .separator = true},
        {.name = "PrintSeidelCoefficients", .menu = "File/Print", .caption = "Seidel &Coefficients",
         .title = "Print Seidel Coefficients", .shell = Shell::Print, .group = Group::Result, .ext = ".sei"},
        {.name = "PrintRayTrace", .menu = "File/Print", .caption = "Ray &Trace",
         .title = "Print ray trace", .shell = Shell::Print, .group = Group::Result, .ext = ".rez"},
        {.name = "PrintSingleRayTrace", .menu = "File/Print", .caption = "&Single Ray Trace",
         .title = "Print single ray trace", .shell = Shell::Print, .group = Group::Result, .ext = ".srt"},
        {.name = "PrintAberrations", .menu = "File/Print", .caption = "&Aberrations",
         .title = "Print aberrations", .shell = Shell::Print, .group = Group::Result, .ext = ".abr"},
        {.name = "PrintWaveAberrations", .menu = "File/Print", .caption = "&Wave aberrations",
         .title = "Print wave aberrations", .shell = Shell::Print, .group = Group::Result, .ext = ".wbr"},
        {.name = "PrintSpotDiagram", .menu = "File/Print", .caption = "Spot &Diagram",
         .title = "Print spot diagram", .shell = Shell::Print, .group = Group::Result, .ext = ".spt"},
        {.name = "PrintGeometricalMtf", .menu = "File/Print", .caption = "&Geometrical MTF",
         .title = "Print geometrical MTF", .shell = Shell::Print, .group = Group::Result, .ext = ".gtf"},
        {.name = "PrintThroughFocusMtf", .menu = "File/Print", .caption = "T&hrough Focus MTF",
         .title = "Print through focus MTF", .shell = Shell::Print, .group = Group::Result, .ext = ".gtt"},
        {.name = "PrintDiffractionMtf", .menu = "File/Print", .caption = "Di&ffraction MTF",
         .title = "Print diffraction MTF", .shell = Shell::Print, .group = Group::Result, .ext = ".dtf"},
        {.name = "PrintClassicalDlsOptimization", .menu = "File/Print", .caption = "C&lassical DLS Optimization",
         .title = "Print DLS optimization", .shell = Shell::Print, .group = Group::Result, .ext = ".opt"},
        {.name = "PrintAssgaOptimization", .menu = "File/Print", .caption = "ASSGA Opti&mization",
         .title = "Print ASSGA optimization", .shell = Shell::Print, .group = Group::Result, .ext = ".gao"},
        {.name = "PrintEsEvolOptimization", .menu = "File/Print", .caption = "ES E&VOL Optimization",
         .title = "Print ES EVOL optimization", .shell = Shell::Print, .group = Group::Result, .ext = ".ese"},
        {.name = "PrintEsGrupOptimization", .menu = "File/Print", .caption = "ES GR&UP Optimization",
         .title = "Print ES GRUP optimization", .shell = Shell::Print, .group = Group::Result, .ext = ".esg"},
        {.name = "PrintEsRekoOptimization", .menu = "File/Print", .caption = "&ES REKO Optimization",
         .title = "Print ES REKO optimization", .shell = Shell::Print, .group = Group::Result, .ext = ".esr"},
        {.name = "PrintEsKorrOptimization", .menu = "File/Print", .caption = "ES &KORR Optimization",
         .title = "Print ES KORR optimization", .shell = Shell::Print, .group = Group::Result, .ext = ".esk"},
        {.name = "PrinterSetup", .menu = "File", .caption = "P&rinter Setup...", .title = "Printer setup",
         .logtext = "Printer Setup", .group = Group::Start, .own = &F::PrinterSetup},
        {.name = "DisplayLogFile", .menu = "File", .caption = "&Display log file",
         .title = "Display ZEFO log file", .group = Group::Start, .window = "Zefo Log file",
         .own = &F::DisplayLogFile, .separator = true, .icon = QStyle::SP_FileDialogDetailedView},
        {.name = "PrintLogFile", .menu = "File", .caption = "Print &log file", .title = "Print ZEFO log file",
         .group = Group::Start, .own = &F::PrintLogFile},
        {.name = "FileExit", .menu = "File", .caption = "E&xit", .group = Group::Start, .own = &F::FileExit,
         .separator = true},

        // Optical Data: the system and the ray scheme
        {.name = "OpticalSystem", .menu = "Optical Data", .caption = "Optical &System",
         .title = "Display optical system", .shell = Shell::Report, .window = "Optical System Data",
         .report = displaysystem},
        {.name = "OpticalSystemFull", .menu = "Optical Data", .caption = "Optical System Full",
         .title = "Display full optical system", .finished = "Display optical system - Finished",
         .shell = Shell::Report, .window = "Optical Full System Data", .report = displaysystemfull},
        {.name = "RayData", .menu = "Optical Data", .caption = "&Ray", .title = "Display ray scheme",
         .shell = Shell::Report, .window = "Ray Data", .report = displayrays},

        // Ray Trace
        {.name = "CalculateRayScheme", .menu = "Ray Trace", .caption = "&Calculate Ray Scheme",
         .title = "Ray scheme calculation", .shell = Shell::Report,
         .errtext = "Error in calculation of ray scheme", .report = calcrayscheme, .changesdesign = true,
         .donetext = "Ray scheme for the optical system is calculated."},
        {.name = "ParaxialRayTrace", .menu = "Ray Trace", .caption = "&Paraxial Ray Trace",
         .title = "Paraxial ray trace", .shell = Shell::Report, .window = "Paraxial Data", .ext = ".prs",
         .report = paraxialdata, .separator = true, .refusal = paraxialrefusal},
        {.name = "ParaxialRaytraceFull", .menu = "Ray Trace", .caption = "Paraxial Raytrace Full",
         .title = "Paraxial ray trace full", .finished = "Paraxial ray trace - Finished",
         .shell = Shell::Report, .window = "Paraxial Data full", .ext = ".prs", .report = paraxialdatafull,
         .refusal = paraxialrefusal},
        {.name = "SeidelCoefficients", .menu = "Ray Trace", .caption = "&Seidel Coefficients",
         .title = "Calculate Seidel Coefficients", .shell = Shell::Report, .window = "Seidel Coefficients",
         .ext = ".sei", .report = seidelwork, .separator = true},
        {.name = "RayTrace", .menu = "Ray Trace", .caption = "&Ray Trace", .title = "Ray trace",
         .shell = Shell::Report, .window = "Ray Trace", .ext = ".rez", .report = raytracework},
        {.name = "SingleRayTrace", .menu = "Ray Trace", .caption = "Single Ray &Trace...",
         .title = "Single ray trace", .shell = Shell::Report, .window = "Single Ray Trace", .ext = ".srt",
         .errtext = "Error in the single ray trace calculation!",
         .canceltext = "Calculation of single ray trace terminated by user!", .report = singleraytracework},
        {.name = "Aberrations", .menu = "Ray Trace", .caption = "&Aberrations", .title = "Aberration calculation",
         .shell = Shell::Report, .window = "Aberrations", .ext = ".abr",
         .errtext = "Error in calculation of aberrations!", .report = aberrationswork},

        // Optical Data: stored reports
        {.name = "DisplayParaxialData", .menu = "Optical Data", .caption = "&Paraxial Ray Trace",
         .title = "Display paraxial ray trace", .shell = Shell::Display, .group = Group::Result,
         .window = "Paraxial Data", .ext = ".prs", .separator = true},
        {.name = "DisplaySeidelCoefficients", .menu = "Optical Data", .caption = "Seidel &Coefficients",
         .title = "Display Seidel coefficients", .shell = Shell::Display, .group = Group::Result,
         .window = "Seidel Coefficients", .ext = ".sei"},
        {.name = "DisplayRayTrace", .menu = "Optical Data", .caption = "Ray &Trace",
         .title = "Display ray trace", .shell = Shell::Display, .group = Group::Result,
         .window = "Ray Trace", .ext = ".rez"},
        {.name = "DisplaySingleRayTrace", .menu = "Optical Data", .caption = "S&ingle Ray Trace",
         .title = "Display single ray trace", .shell = Shell::Display, .group = Group::Result,
         .window = "Single Ray Trace", .ext = ".srt"},
        {.name = "DisplayAberrations", .menu = "Optical Data", .caption = "&Aberrations",
         .title = "Display aberrations", .shell = Shell::Display, .group = Group::Result,
         .window = "Aberrations", .ext = ".abr"},
        {.name = "DisplayWaveAberrations", .menu = "Optical Data", .caption = "&Wave aberrations",
         .title = "Display wave aberrations", .shell = Shell::Display, .group = Group::Result,
         .window = "Wave aberrations", .ext = ".wbr"},
        {.name = "DisplaySpotDiagram", .menu = "Optical Data", .caption = "Spot &Diagram",
         .title = "Display spot diagram data", .shell = Shell::Display, .group = Group::Result,
         .window = "Spot Diagram", .ext = ".spt"},
        {.name = "DisplayGeometricalMtf", .menu = "Optical Data", .caption = "&Geometrical MTF",
         .title = "Display geometrical MTF data", .shell = Shell::Display, .group = Group::Result,
         .window = "Modulation Transfer Function", .ext = ".gtf"},
        {.name = "DisplayThroughFocusMtf", .menu = "Optical Data", .caption = "T&hrough Focus MTF",
         .title = "Display through focus MTF data", .shell = Shell::Display, .group = Group::Result,
         .window = "Through Focus MTF", .ext = ".gtt"},
        {.name = "DisplayDiffractionMtf", .menu = "Optical Data", .caption = "Di&ffraction MTF",
         .title = "Display diffraction MTF data", .shell = Shell::Display, .group = Group::Result,
         .window = "Diffraction MTF", .ext = ".dtf"},
        {.name = "DisplayClassicalDlsOptimization", .menu = "Optical Data", .caption = "&Classical DLS Optimization",
         .title = "Display DLS optimization data", .shell = Shell::Display, .group = Group::Result,
         .window = "Classical DLS Optimization", .ext = ".opt"},
        {.name = "DisplayAssgaOptimization", .menu = "Optical Data", .caption = "ASSGA Opti&mization",
         .title = "Display ASSGA optimization data", .shell = Shell::Display, .group = Group::Result,
         .window = "ASSGA Optimization", .ext = ".gao"},
        {.name = "DisplayEsEvolOptimization", .menu = "Optical Data", .caption = "ES &EVOL Optimization",
         .title = "Display ES EVOL optimization data", .shell = Shell::Display, .group = Group::Result,
         .window = "ES EVOL Optimization", .ext = ".ese"},
        {.name = "DisplayEsGrupOptimization", .menu = "Optical Data", .caption = "ES GR&UP Optimization",
         .title = "Display ES GRUP optimization data", .shell = Shell::Display, .group = Group::Result,
         .window = "ES GRUP Optimization", .ext = ".esg"},
        {.name = "DisplayEsRekoOptimization", .menu = "Optical Data", .caption = "ES RE&KO Optimization",
         .title = "Display ES REKO optimization data", .shell = Shell::Display, .group = Group::Result,
         .window = "ES REKO Optimization", .ext = ".esr"},
        {.name = "DisplayEsKorrOptimization", .menu = "Optical Data", .caption = "ES K&ORR Optimization",
         .title = "Display ES KORR optimization data", .shell = Shell::Display, .group = Group::Result,
         .window = "ES KORR Optimization", .ext = ".esk"},

        // Ray Trace: the wave aberration report (last entry of the menu)
        {.name = "OpdWaveAberrations", .menu = "Ray Trace", .caption = "&OPD and Wave Aberrations...",
         .title = "Wave aberrations calculation", .shell = Shell::Report, .window = "Wave aberrations",
         .ext = ".wbr", .errtext = "Error in calculation of Waveaberrations!", .report = wavereport,
         .wholereport = true},

        // Spot-MTF: the parameters of the spot diagram and MTF (after the graph entries)
        {.name = "SpotMtfDataEditor", .menu = "Spot-MTF", .caption = "Spot-MTF Data &Editor...",
         .title = "Spot&MTF data editor", .shell = Shell::Input, .input = spotmtfeditor},

        // Window
        {.name = "WindowTile", .menu = "Window", .caption = "&Tile", .group = Group::Start,
         .own = &F::WindowTile},
        {.name = "WindowCascade", .menu = "Window", .caption = "&Cascade", .group = Group::Start,
         .own = &F::WindowCascade},
        {.name = "WindowArrange", .menu = "Window", .caption = "&Arrange All", .group = Group::Start,
         .own = &F::WindowArrange},

        // Help
        {.name = "HelpContents", .menu = "Help", .caption = "&Contents", .title = "Help", .logtext = "",
         .group = Group::Start, .own = &F::HelpContents, .icon = QStyle::SP_DialogHelpButton,
         .shortcut = "F1"},
        {.name = "HelpSearch", .menu = "Help", .caption = "&Search for Help On...", .title = "Help",
         .logtext = "", .group = Group::Start, .own = &F::HelpSearch},
        {.name = "HelpHowToUse", .menu = "Help", .caption = "&How to Use Help", .title = "Help",
         .logtext = "", .group = Group::Start, .own = &F::HelpHowToUse},
        {.name = "HelpAbout", .menu = "Help", .caption = "&About...", .title = "About ZEFO",
         .group = Group::Start, .own = &F::HelpAbout, .separator = true},
    };
    return commands;
}

bool hasoptvariables(const Model& m) {
    // A surface takes part in the optimization when it carries an optimization label.
    for (const auto& label : m.lens.sys.sp.optlabel)
        if (!label.empty()) return true;
    return false;
}

}  // namespace zefo::gui
