#include "gui/app/commands.h"

#include "gui/app/editcommands.h"
#include "gui/app/graphworks.h"

#include "gui/app/eadialogs.h"
#include "gui/app/helpwindow.h"
#include "gui/app/iqdialogs.h"
#include "gui/app/mainwindow.h"
#include "gui/app/optimdialogs.h"
#include "gui/app/tracework.h"
#include "gui/modify/modifywork.h"
#include "core/raytrace/paraxial.h"

namespace zefo::gui {

namespace {
const CommandText& core(const char* id) { return commandtext(id); }
}  // namespace

const std::vector<MenuDef>& menucatalogue() {
    static const std::vector<MenuDef> menus = {
        {"File", "&File"},
        {"File/Export", "&Export"},
        {"File/Print", "&Print"},
        {"Edit", "&Edit"},
        {"Data Editor", "Data &Editor"},
        {"Optical Data", "&Optical Data"},
        {"Modify", "&Modify"},
        {"Ray Trace", "&Ray Trace"},
        {"Spot-MTF", "&Spot-MTF"},
        {"Optimization", "O&ptimization"},
        {"Optimization/Evolutionary Algorithms Data", "&Evolutionary Algorithms Data"},
        {"Optimization/Evolution Strategies", "Evolution &Strategies"},
        {"Draw", "&Draw"},
        {"Draw/AutoCAD", "&Preparing System for AutoCAD"},
        {"Window", "&Window"},
        {"Help", "&Help"},
    };
    return menus;
}

const std::vector<Command>& commandcatalogue() {
    using F = ZefoMainForm;
    static const std::vector<Command> commands = {
        // File
        {.text = core("FileNew"), .menu = "File", .caption = "&New...", .group = Group::Start, .own = &F::FileNew,
         .icon = QStyle::SP_FileIcon, .shortcut = "Ctrl+N"},
        {.text = core("FileOpen"), .menu = "File", .caption = "&Open...", .group = Group::Start, .own = &F::FileOpen,
         .icon = QStyle::SP_DialogOpenButton, .shortcut = "Ctrl+O"},
        {.text = core("FileImport"), .menu = "File", .caption = "&Import...", .group = Group::Start,
         .own = &F::FileImport},
        {.text = core("FileSave"), .menu = "File", .caption = "&Save", .own = &F::FileSave,
         .icon = QStyle::SP_DialogSaveButton, .shortcut = "Ctrl+S"},
        {.text = core("FileSaveAs"), .menu = "File", .caption = "Save &As...", .own = &F::FileSaveAs},
        {.text = core("FileClose"), .menu = "File", .caption = "&Close", .own = &F::FileClose},
        {.text = core("FileExportZmx"), .menu = "File/Export", .caption = "&.zmx...", .own = &F::FileExportZmx},
        // Edit
        {.text = core("EditUndo"), .menu = "Edit", .caption = "&Undo", .group = Group::History,
         .own = &F::EditUndo, .shortcut = "Ctrl+Z"},
        {.text = core("EditRedo"), .menu = "Edit", .caption = "&Redo", .group = Group::History,
         .own = &F::EditRedo, .shortcut = "Ctrl+Y"},
        // Data Editor
        {.text = core("SystemEditor"), .menu = "Data Editor", .caption = "&System Editor...",
         .group = Group::Loaded, .own = &F::EditSystem},
        {.text = core("RayEditor"), .menu = "Data Editor", .caption = "&Ray Editor...",
         .group = Group::Loaded, .own = &F::EditRays},
        {.text = core("GeneralDataEditor"), .menu = "Data Editor", .caption = "&General Data Editor...",
         .shell = Shell::Input, .input = generaldataeditor, .separator = true},
        {.text = core("FieldCountEditor"), .menu = "Data Editor", .caption = "Change number of &fields...",
         .shell = Shell::Input, .input = fieldcounteditor},
        {.text = core("WavelengthEditor"), .menu = "Data Editor", .caption = "&Wavelength Editor...",
         .shell = Shell::Input, .input = wavelengtheditor},
        {.text = core("GlassCatalogue"), .menu = "Data Editor", .caption = "Glass &Catalogue...",
         .group = Group::Loaded, .own = &F::EditGlassCatalogue, .separator = true},
        // File > Print: the system and the ray scheme, printed directly
        {.text = core("PrintOpticalSystem"), .menu = "File/Print", .caption = "&Optical System",
         .shell = Shell::Print, .report = printsystem},
        {.text = core("PrintRays"), .menu = "File/Print", .caption = "&Rays", .shell = Shell::Print,
         .report = printrays},
        // File > Print: stored reports
        {.text = core("PrintParaxialData"), .menu = "File/Print", .caption = "&Paraxial Ray Trace",
         .shell = Shell::Print, .group = Group::Result, .separator = true},
        {.text = core("PrintSeidelCoefficients"), .menu = "File/Print", .caption = "Seidel &Coefficients",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintRayTrace"), .menu = "File/Print", .caption = "Ray &Trace", .shell = Shell::Print,
         .group = Group::Result},
        {.text = core("PrintSingleRayTrace"), .menu = "File/Print", .caption = "&Single Ray Trace",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintAberrations"), .menu = "File/Print", .caption = "&Aberrations", .shell = Shell::Print,
         .group = Group::Result},
        {.text = core("PrintWaveAberrations"), .menu = "File/Print", .caption = "&Wave aberrations",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintSpotDiagram"), .menu = "File/Print", .caption = "Spot &Diagram", .shell = Shell::Print,
         .group = Group::Result},
        {.text = core("PrintGeometricalMtf"), .menu = "File/Print", .caption = "&Geometrical MTF",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintThroughFocusMtf"), .menu = "File/Print", .caption = "T&hrough Focus MTF",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintDiffractionMtf"), .menu = "File/Print", .caption = "Di&ffraction MTF",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintClassicalDlsOptimization"), .menu = "File/Print",
         .caption = "C&lassical DLS Optimization", .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintAssgaOptimization"), .menu = "File/Print", .caption = "ASSGA Opti&mization",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintEsEvolOptimization"), .menu = "File/Print", .caption = "ES E&VOL Optimization",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintEsGrupOptimization"), .menu = "File/Print", .caption = "ES GR&UP Optimization",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintEsRekoOptimization"), .menu = "File/Print", .caption = "&ES REKO Optimization",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrintEsKorrOptimization"), .menu = "File/Print", .caption = "ES &KORR Optimization",
         .shell = Shell::Print, .group = Group::Result},
        {.text = core("PrinterSetup"), .menu = "File", .caption = "P&rinter Setup...", .group = Group::Start,
         .own = &F::PrinterSetup},
        {.text = core("DisplayLogFile"), .menu = "File", .caption = "&Display log file", .group = Group::Start,
         .own = &F::DisplayLogFile, .separator = true, .icon = QStyle::SP_FileDialogDetailedView},
        {.text = core("PrintLogFile"), .menu = "File", .caption = "Print &log file", .group = Group::Start,
         .own = &F::PrintLogFile},
        {.text = core("FileExit"), .menu = "File", .caption = "E&xit", .group = Group::Start, .own = &F::FileExit,
         .separator = true},

        // Optical Data: the system and the ray scheme
        {.text = core("OpticalSystem"), .menu = "Optical Data", .caption = "Optical &System", .shell = Shell::Report,
         .report = displaysystem},
        {.text = core("OpticalSystemFull"), .menu = "Optical Data", .caption = "Optical System Full",
         .shell = Shell::Report, .report = displaysystemfull},
        {.text = core("RayData"), .menu = "Optical Data", .caption = "&Ray", .shell = Shell::Report,
         .report = displayrays},

        // Ray Trace
        {.text = core("CalculateRayScheme"), .menu = "Ray Trace", .caption = "&Calculate Ray Scheme",
         .shell = Shell::Report, .report = calcrayscheme, .changesdesign = true},
        {.text = core("ParaxialRayTrace"), .menu = "Ray Trace", .caption = "&Paraxial Ray Trace",
         .shell = Shell::Report, .report = paraxialdata, .separator = true},
        {.text = core("ParaxialRaytraceFull"), .menu = "Ray Trace", .caption = "Paraxial Raytrace Full",
         .shell = Shell::Report, .report = paraxialdatafull},
        {.text = core("SeidelCoefficients"), .menu = "Ray Trace", .caption = "&Seidel Coefficients",
         .shell = Shell::Report, .report = seidelwork, .separator = true},
        {.text = core("RayTrace"), .menu = "Ray Trace", .caption = "&Ray Trace", .shell = Shell::Report,
         .report = raytracework},
        {.text = core("SingleRayTrace"), .menu = "Ray Trace", .caption = "Single Ray &Trace...",
         .shell = Shell::Report, .report = singleraytracework},
        {.text = core("Aberrations"), .menu = "Ray Trace", .caption = "&Aberrations", .shell = Shell::Report,
         .report = aberrationswork},

        // Optical Data: stored reports
        {.text = core("DisplayParaxialData"), .menu = "Optical Data", .caption = "&Paraxial Ray Trace",
         .shell = Shell::Display, .group = Group::Result, .separator = true},
        {.text = core("DisplaySeidelCoefficients"), .menu = "Optical Data", .caption = "Seidel &Coefficients",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayRayTrace"), .menu = "Optical Data", .caption = "Ray &Trace", .shell = Shell::Display,
         .group = Group::Result},
        {.text = core("DisplaySingleRayTrace"), .menu = "Optical Data", .caption = "S&ingle Ray Trace",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayAberrations"), .menu = "Optical Data", .caption = "&Aberrations",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayWaveAberrations"), .menu = "Optical Data", .caption = "&Wave aberrations",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplaySpotDiagram"), .menu = "Optical Data", .caption = "Spot &Diagram",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayGeometricalMtf"), .menu = "Optical Data", .caption = "&Geometrical MTF",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayThroughFocusMtf"), .menu = "Optical Data", .caption = "T&hrough Focus MTF",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayDiffractionMtf"), .menu = "Optical Data", .caption = "Di&ffraction MTF",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayClassicalDlsOptimization"), .menu = "Optical Data",
         .caption = "&Classical DLS Optimization", .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayAssgaOptimization"), .menu = "Optical Data", .caption = "ASSGA Opti&mization",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayEsEvolOptimization"), .menu = "Optical Data", .caption = "ES &EVOL Optimization",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayEsGrupOptimization"), .menu = "Optical Data", .caption = "ES GR&UP Optimization",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayEsRekoOptimization"), .menu = "Optical Data", .caption = "ES RE&KO Optimization",
         .shell = Shell::Display, .group = Group::Result},
        {.text = core("DisplayEsKorrOptimization"), .menu = "Optical Data", .caption = "ES K&ORR Optimization",
         .shell = Shell::Display, .group = Group::Result},

        // Ray Trace: the wave aberration report (last entry of the menu)
        {.text = core("OpdWaveAberrations"), .menu = "Ray Trace", .caption = "&OPD and Wave Aberrations...",
         .shell = Shell::Report, .report = wavereport, .wholereport = true},

        // Spot-MTF: the graphs; each calculates its result first unless it is still valid
        {.text = core("SpotDiagram"), .menu = "Spot-MTF", .caption = "&Spot Diagram...", .shell = Shell::Graph,
         .graph = drawspot, .chooser = Chooser::UnlessMono, .valid = iqspot, .prepare = preparespot},
        {.text = core("ThroughFocusSpot"), .menu = "Spot-MTF", .caption = "&Through Focus Spot Diagram...",
         .shell = Shell::Graph, .graph = drawtfspot, .chooser = Chooser::UnlessMono, .valid = iqspot,
         .prepare = preparespot},
        {.text = core("GeometricalMtf"), .menu = "Spot-MTF", .caption = "&Geometrical MTF...", .shell = Shell::Graph,
         .graph = drawgmtf, .chooser = Chooser::UnlessMono, .valid = iqgmtf, .prepare = preparegmtf,
         .separator = true},
        {.text = core("ThroughFocusMtf"), .menu = "Spot-MTF", .caption = "T&hrough Focus MTF...",
         .shell = Shell::Graph, .graph = drawtfmtf, .chooser = Chooser::UnlessMono, .valid = iqtfmtf,
         .prepare = preparetfmtf},
        {.text = core("DiffractionMtf"), .menu = "Spot-MTF", .caption = "&Diffraction MTF...", .shell = Shell::Graph,
         .graph = drawdmtf, .chooser = Chooser::UnlessMono, .valid = iqdmtf, .prepare = preparedmtf},

        // Spot-MTF: the parameters of the spot diagram and MTF (after the graph entries)
        {.text = core("SpotMtfDataEditor"), .menu = "Spot-MTF", .caption = "Spot-MTF Data &Editor...",
         .shell = Shell::Input, .input = spotmtfeditor},

        // Optimization
        {.text = core("OptimizationSystemData"), .menu = "Optimization", .caption = "Optical System &Data",
         .shell = Shell::Report, .report = designdata},
        {.text = core("OptimizationGeneral"), .menu = "Optimization", .caption = "&General Data...",
         .shell = Shell::Input, .input = optimgeneral},
        {.text = core("OptimizationParaxial"), .menu = "Optimization", .caption = "&Paraxial Data...",
         .shell = Shell::Input, .input = paraxialdataeditor},
        {.text = core("OptimizationAberration"), .menu = "Optimization", .caption = "&Aberration Weights...",
         .shell = Shell::Input, .input = aberrationdataeditor},
        {.text = core("OptimizationBoundary"), .menu = "Optimization", .caption = "&Boundary Conditions...",
         .shell = Shell::Input, .input = boundarydataeditor},
        {.text = core("EaGeneral"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "&General...",
         .shell = Shell::Input, .input = eageneral, .refresh = true},
        {.text = core("EaProbabilities"), .menu = "Optimization/Evolutionary Algorithms Data",
         .caption = "&Probabilities...", .shell = Shell::Input, .input = eaprobabilities, .refresh = true},
        {.text = core("EaAssga"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "&ASSGA...",
         .shell = Shell::Input, .input = eaassga, .refresh = true},
        {.text = core("EaEsEvol"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "ES &EVOL...",
         .shell = Shell::Input, .input = eaevol, .separator = true, .refresh = true},
        {.text = core("EaEsGrup"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "ES G&RUP...",
         .shell = Shell::Input, .input = eagrup, .refresh = true},
        {.text = core("EaEsReko"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "ES RE&KO...",
         .shell = Shell::Input, .input = eareko, .refresh = true},
        {.text = core("EaEsKorr"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "ES K&ORR...",
         .shell = Shell::Input, .input = eakorr, .refresh = true},
        {.text = core("EaSave"), .menu = "Optimization/Evolutionary Algorithms Data", .caption = "EA &Save",
         .shell = Shell::Input, .group = Group::EASave, .input = easave, .separator = true, .refresh = true},
        {.text = core("OptimizationWeights"), .menu = "Optimization", .caption = "&Optimization Weights",
         .shell = Shell::Report, .report = optimweights, .separator = true, .wholereport = true},
        {.text = core("MeritFunction"), .menu = "Optimization", .caption = "&Merit Function",
         .shell = Shell::Report, .report = meritfunction, .wholereport = true},
        {.text = core("ClassicalDlsOptimization"), .menu = "Optimization", .caption = "C&lassical DLS Optimization",
         .shell = Shell::Optimizer, .group = Group::Variables, .optim = dlswork, .separator = true},
        {.text = core("AssgaOptimization"), .menu = "Optimization", .caption = "&ASSGA", .shell = Shell::Evolution,
         .group = Group::Variables, .datafile = ".gad", .eakind = EAKind::assga},
        {.text = core("EsEvolOptimization"), .menu = "Optimization/Evolution Strategies", .caption = "&EVOL",
         .shell = Shell::Evolution, .group = Group::Variables, .datafile = ".esd", .eakind = EAKind::evol},
        {.text = core("EsGrupOptimization"), .menu = "Optimization/Evolution Strategies", .caption = "&GRUP",
         .shell = Shell::Evolution, .group = Group::Variables, .datafile = ".esg", .eakind = EAKind::grup},
        {.text = core("EsRekoOptimization"), .menu = "Optimization/Evolution Strategies", .caption = "&REKO",
         .shell = Shell::Evolution, .group = Group::Variables, .datafile = ".esr", .eakind = EAKind::reko},
        {.text = core("EsKorrOptimization"), .menu = "Optimization/Evolution Strategies", .caption = "&KORR",
         .shell = Shell::Evolution, .group = Group::Variables, .datafile = ".esk", .eakind = EAKind::korr},
        {.text = core("ChangeDampingFactor"), .menu = "Optimization", .caption = "C&hange Damping Factor",
         .shell = Shell::Input, .group = Group::Variables, .input = dampingcommand, .separator = true},

        // Draw
        {.text = core("DrawOpticalSystem"), .menu = "Draw", .caption = "&Optical System", .shell = Shell::Graph,
         .graph = drawsystem},
        {.text = core("DrawRayTrace"), .menu = "Draw", .caption = "&Ray Trace...", .shell = Shell::Graph,
         .graph = drawraytrace, .chooser = Chooser::UnlessMono},
        {.text = core("DrawOpd"), .menu = "Draw", .caption = "O&PD...", .shell = Shell::Graph, .graph = drawopd,
         .chooser = Chooser::UnlessMono},
        {.text = core("DrawFieldCurvature"), .menu = "Draw", .caption = "&Field Curvature and Distortion...",
         .shell = Shell::Graph, .graph = drawfield, .chooser = Chooser::UnlessMono},
        {.text = core("DrawGlassMap"), .menu = "Draw", .caption = "&Glass Map", .shell = Shell::Graph,
         .graph = drawglassmap, .separator = true},

        // Modify
        {.text = core("ModifyScale"), .menu = "Modify", .caption = "&Scale...", .shell = Shell::Report,
         .report = scalework, .changesdesign = true},
        {.text = core("ModifyAngleSolve"), .menu = "Modify", .caption = "&Angle Solve...", .shell = Shell::Report,
         .report = anglesolvework, .changesdesign = true},
        {.text = core("ModifyReverse"), .menu = "Modify", .caption = "&Reverse", .shell = Shell::Report,
         .report = reversework, .changesdesign = true},
        {.text = core("ModifyStandardRadii"), .menu = "Modify", .caption = "S&tandard Data", .shell = Shell::Report,
         .report = standardradiiwork, .changesdesign = true},
        {.text = core("DefineMechanicalDiameter"), .menu = "Modify", .caption = "&Define Mechanical Diametar...",
         .shell = Shell::Report, .report = mechdiamwork, .separator = true},
        {.text = core("CheckMechanicalDiameter"), .menu = "Modify", .caption = "&Check Mechanical Diametar...",
         .shell = Shell::Report, .report = checkdiamwork, .changesdesign = true},
        {.text = core("DistanceRing"), .menu = "Modify", .caption = "D&istance Ring...", .shell = Shell::Report,
         .report = distanceringwork, .changesdesign = true},
        {.text = core("SystemMass"), .menu = "Modify", .caption = "&Optical System Mass...", .shell = Shell::Report,
         .report = systemmasswork},
        // Draw > Preparing System for AutoCAD
        {.text = core("AcadOpticalSystem"), .menu = "Draw/AutoCAD", .caption = "&Optical System",
         .shell = Shell::Input, .input = acadwork},
        {.text = core("AcadOpticalSystemRays"), .menu = "Draw/AutoCAD", .caption = "Optical System with &Rays",
         .shell = Shell::Input, .input = acadrayswork},

        // Window
        {.text = core("WindowTile"), .menu = "Window", .caption = "&Tile", .group = Group::Start,
         .own = &F::WindowTile},
        {.text = core("WindowCascade"), .menu = "Window", .caption = "&Cascade", .group = Group::Start,
         .own = &F::WindowCascade},
        {.text = core("WindowArrange"), .menu = "Window", .caption = "&Arrange All", .group = Group::Start,
         .own = &F::WindowArrange},
        {.text = core("WindowCloseAll"), .menu = "Window", .caption = "C&lose All", .group = Group::Start,
         .own = &F::WindowCloseAll},

        // Help
        {.text = core("HelpContents"), .menu = "Help", .caption = "&Contents", .group = Group::Start,
         .own = &F::HelpContents, .icon = QStyle::SP_DialogHelpButton, .shortcut = "F1"},
        {.text = core("HelpSearch"), .menu = "Help", .caption = "&Search for Help On...", .group = Group::Start,
         .own = &F::HelpSearch},
        {.text = core("HelpHowToUse"), .menu = "Help", .caption = "&How to Use Help", .group = Group::Start,
         .own = &F::HelpHowToUse},
        {.text = core("HelpAbout"), .menu = "Help", .caption = "&About...", .group = Group::Start,
         .own = &F::HelpAbout, .separator = true},
    };
    return commands;
}

bool hasoptvariables(const Model& m) { return countvariables(m) > 0; }

}  // namespace zefo::gui
