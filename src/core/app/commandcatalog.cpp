#include "core/app/commandcatalog.h"

#include <stdexcept>

#include "core/analysis/systemreport.h"
#include "core/raytrace/paraxial.h"

namespace zefo {

namespace {

// Paraxial lens data need at least two surfaces.
std::string paraxialrefusal(const Model& m) { return m.lens.nsurf < 2 ? paraxsurfacesmsg : ""; }

// DLS needs at least one optimization variable.
std::string novariablesrefusal(const Model& m) { return countvariables(m) == 0 ? novariablesmsg : ""; }

}  // namespace

const std::vector<CommandText>& commandtexts() {
    static const std::vector<CommandText> texts = {
        // File
        {.id = "FileNew", .title = "Creating new optical system", .logtext = "New optical system",
         .errtext = "Error in creating new optical system!",
         .canceltext = "Creating new optical system terminated by user!",
         .donetext = "New optical system created!"},
        {.id = "FileOpen", .title = "Open optical system"},
        {.id = "FileImport", .title = "Import optical system", .window = "Import notices"},
        {.id = "FileExportZmx", .title = "Export optical system", .window = "Export notices"},
        {.id = "FileSave", .title = "Save optical system", .logtext = "Save optical file"},
        {.id = "FileSaveAs", .title = "Save optical system", .logtext = "Save optical file with different name",
         .finished = "Save optical file - Finished", .terminated = "Save optical file - Terminated by  user"},
        {.id = "FileClose"},
        // Edit: the undo history of the design
        {.id = "EditUndo", .title = "Undo"},
        {.id = "EditRedo", .title = "Redo"},
        // Data Editor
        {.id = "SystemEditor", .title = "Optical system data editor"},
        {.id = "RayEditor", .title = "Ray editor"},
        {.id = "GeneralDataEditor", .title = "General data editor"},
        {.id = "FieldCountEditor", .title = "Change number of field angles"},
        {.id = "WavelengthEditor", .title = "Wavelength editor"},
        {.id = "GlassCatalogue", .title = "Glass catalogue", .window = "Glass Catalogue"},
        // File > Print: the system and the ray scheme, printed directly
        {.id = "PrintOpticalSystem", .title = "Print optical system"},
        {.id = "PrintRays", .title = "Print ray scheme"},
        // File > Print: stored reports
        {.id = "PrintParaxialData", .title = "Print paraxial ray trace", .ext = ".prs"},
        {.id = "PrintSeidelCoefficients", .title = "Print Seidel Coefficients", .ext = ".sei"},
        {.id = "PrintRayTrace", .title = "Print ray trace", .ext = ".rez"},
        {.id = "PrintSingleRayTrace", .title = "Print single ray trace", .ext = ".srt"},
        {.id = "PrintAberrations", .title = "Print aberrations", .ext = ".abr"},
        {.id = "PrintWaveAberrations", .title = "Print wave aberrations", .ext = ".wbr"},
        {.id = "PrintSpotDiagram", .title = "Print spot diagram", .ext = ".spt"},
        {.id = "PrintGeometricalMtf", .title = "Print geometrical MTF", .ext = ".gtf"},
        {.id = "PrintThroughFocusMtf", .title = "Print through focus MTF", .ext = ".gtt"},
        {.id = "PrintDiffractionMtf", .title = "Print diffraction MTF", .ext = ".dtf"},
        {.id = "PrintClassicalDlsOptimization", .title = "Print DLS optimization", .ext = ".opt"},
        {.id = "PrintAssgaOptimization", .title = "Print ASSGA optimization", .ext = ".gao"},
        {.id = "PrintEsEvolOptimization", .title = "Print ES EVOL optimization", .ext = ".ese"},
        {.id = "PrintEsGrupOptimization", .title = "Print ES GRUP optimization", .ext = ".esg"},
        {.id = "PrintEsRekoOptimization", .title = "Print ES REKO optimization", .ext = ".esr"},
        {.id = "PrintEsKorrOptimization", .title = "Print ES KORR optimization", .ext = ".esk"},
        {.id = "PrinterSetup", .title = "Printer setup", .logtext = "Printer Setup"},
        {.id = "DisplayLogFile", .title = "Display ZEFO log file", .window = "Zefo Log file"},
        {.id = "PrintLogFile", .title = "Print ZEFO log file"},
        {.id = "FileExit"},

        // Optical Data: the system and the ray scheme
        {.id = "OpticalSystem", .title = "Display optical system", .window = "Optical System Data"},
        {.id = "OpticalSystemFull", .title = "Display full optical system",
         .finished = "Display optical system - Finished", .window = "Optical Full System Data"},
        {.id = "RayData", .title = "Display ray scheme", .window = "Ray Data"},

        // Ray Trace
        {.id = "CalculateRayScheme", .title = "Ray scheme calculation", .errtext = "Error in calculation of ray scheme",
         .donetext = "Ray scheme for the optical system is calculated."},
        {.id = "ParaxialRayTrace", .title = "Paraxial ray trace", .window = "Paraxial Data", .ext = ".prs",
         .refusal = paraxialrefusal},
        {.id = "ParaxialRaytraceFull", .title = "Paraxial ray trace full", .finished = "Paraxial ray trace - Finished",
         .window = "Paraxial Data full", .ext = ".prs", .refusal = paraxialrefusal},
        {.id = "SeidelCoefficients", .title = "Calculate Seidel Coefficients", .window = "Seidel Coefficients",
         .ext = ".sei"},
        {.id = "RayTrace", .title = "Ray trace", .window = "Ray Trace", .ext = ".rez"},
        {.id = "SingleRayTrace", .title = "Single ray trace", .window = "Single Ray Trace", .ext = ".srt",
         .errtext = "Error in the single ray trace calculation!",
         .canceltext = "Calculation of single ray trace terminated by user!"},
        {.id = "Aberrations", .title = "Aberration calculation", .window = "Aberrations", .ext = ".abr",
         .errtext = "Error in calculation of aberrations!"},

        // Optical Data: stored reports
        {.id = "DisplayParaxialData", .title = "Display paraxial ray trace", .window = "Paraxial Data", .ext = ".prs"},
        {.id = "DisplaySeidelCoefficients", .title = "Display Seidel coefficients", .window = "Seidel Coefficients",
         .ext = ".sei"},
        {.id = "DisplayRayTrace", .title = "Display ray trace", .window = "Ray Trace", .ext = ".rez"},
        {.id = "DisplaySingleRayTrace", .title = "Display single ray trace", .window = "Single Ray Trace",
         .ext = ".srt"},
        {.id = "DisplayAberrations", .title = "Display aberrations", .window = "Aberrations", .ext = ".abr"},
        {.id = "DisplayWaveAberrations", .title = "Display wave aberrations", .window = "Wave aberrations",
         .ext = ".wbr"},
        {.id = "DisplaySpotDiagram", .title = "Display spot diagram data", .window = "Spot Diagram", .ext = ".spt"},
        {.id = "DisplayGeometricalMtf", .title = "Display geometrical MTF data",
         .window = "Modulation Transfer Function", .ext = ".gtf"},
        {.id = "DisplayThroughFocusMtf", .title = "Display through focus MTF data", .window = "Through Focus MTF",
         .ext = ".gtt"},
        {.id = "DisplayDiffractionMtf", .title = "Display diffraction MTF data", .window = "Diffraction MTF",
         .ext = ".dtf"},
        {.id = "DisplayClassicalDlsOptimization", .title = "Display DLS optimization data",
         .window = "Classical DLS Optimization", .ext = ".opt"},
        {.id = "DisplayAssgaOptimization", .title = "Display ASSGA optimization data", .window = "ASSGA Optimization",
         .ext = ".gao"},
        {.id = "DisplayEsEvolOptimization", .title = "Display ES EVOL optimization data",
         .window = "ES EVOL Optimization", .ext = ".ese"},
        {.id = "DisplayEsGrupOptimization", .title = "Display ES GRUP optimization data",
         .window = "ES GRUP Optimization", .ext = ".esg"},
        {.id = "DisplayEsRekoOptimization", .title = "Display ES REKO optimization data",
         .window = "ES REKO Optimization", .ext = ".esr"},
        {.id = "DisplayEsKorrOptimization", .title = "Display ES KORR optimization data",
         .window = "ES KORR Optimization", .ext = ".esk"},

        // Ray Trace: the wave aberration report
        {.id = "OpdWaveAberrations", .title = "Wave aberrations calculation", .window = "Wave aberrations",
         .ext = ".wbr", .errtext = "Error in calculation of Waveaberrations!"},

        // Spot-MTF: the graphs (their reports are written with them) and the parameters
        {.id = "SpotDiagram", .title = "Draw spot diagram", .window = "Spot Diagram", .ext = ".spt"},
        {.id = "GeometricalMtf", .title = "Draw modular transfer function", .window = "Geometrical MTF",
         .ext = ".gtf"},
        {.id = "ThroughFocusMtf", .title = "Draw through focus MTF", .window = "Through Focus Geometrical MTF",
         .ext = ".gtt"},
        {.id = "DiffractionMtf", .title = "Draw diffraction MTF", .window = "Diffraction MTF", .ext = ".dtf",
         .errtext = "Error in calculation of Diffraction MTF!"},
        {.id = "ThroughFocusSpot", .title = "Draw through focus spot diagram", .window = "Through Focus Spot Diagram",
         .ext = ".spt"},
        {.id = "SpotMtfDataEditor", .title = "Spot&MTF data editor"},

        // Draw: the side view of the system and the ray-fan curves
        {.id = "DrawOpticalSystem", .title = "Draw optical system", .window = "Optical System"},
        {.id = "DrawRayTrace", .title = "Draw ray trace", .window = "Ray Trace"},
        {.id = "DrawOpd", .title = "Draw optical path difference", .window = "Optical Path Difference"},
        {.id = "DrawFieldCurvature", .title = "Draw field curvature and distortion",
         .window = "Field Curvature and Distortion"},
        {.id = "DrawGlassMap", .title = "Draw glass map", .window = "Glass Map"},

        // Optimization: the data dialogs, the weights, the merit function and DLS
        {.id = "OptimizationSystemData", .title = "Optical system data for optimization",
         .window = "Optical system design data and variables"},
        {.id = "OptimizationGeneral", .title = "General data for optimization"},
        {.id = "OptimizationParaxial", .title = "Paraxial data for optimization"},
        {.id = "OptimizationAberration", .title = "Aberrational data for optimization",
         .terminated = "Aberrational data for optimization - Terminatd by user"},
        {.id = "OptimizationBoundary", .title = "Boundary conditions for optimization",
         .terminated = "Boundary conditions for optimization - Terminatd by user"},
        {.id = "OptimizationWeights", .title = "Aberration weights for the optimization",
         .logtext = "Calculate the aberration weights for the optimization", .finished = "Optimization weights - Finished",
         .window = "Aberration weights for the optimization", .ext = ".otz",
         .finishstatus = "Status: Optimization weights - Finished"},
        {.id = "MeritFunction", .title = "Optical system merit function", .window = "Optical system merit function",
         .ext = ".otz"},
        {.id = "ClassicalDlsOptimization", .title = "Classical DLS Optimization", .window = "DLS Optimization",
         .ext = ".opt", .errtext = "Error in DLS Optimization!", .canceltext = "Optimization terminated by user!",
         .refusal = novariablesrefusal},
        {.id = "ChangeDampingFactor", .title = "Change damping factor"},

        // Modify: changes of the whole system, then its system data in a window
        {.id = "ModifyScale", .title = "Scale optical system", .window = "Scaled Optical System"},
        {.id = "ModifyAngleSolve", .title = "Angle solve optical system", .window = "Anglesolved Optical System"},
        {.id = "ModifyReverse", .title = "Reverse optical system", .window = "Reversed Optical System"},
        {.id = "ModifyStandardRadii", .title = "Standard radii", .window = "Standardised Optical System"},
        // Modify: the mechanical data
        {.id = "DefineMechanicalDiameter", .title = "Define Mechanical Diameter", .window = "Mechanical Diameter"},
        {.id = "CheckMechanicalDiameter", .title = "Check Mechanical Diameter",
         .errtext = "Error in calculation of ray scheme"},
        {.id = "DistanceRing", .title = "Distance Ring calculation", .window = "Distance Ring",
         .errtext = "Error in calculation of ray scheme"},
        {.id = "SystemMass", .title = "Optical system mass"},
        // Draw > Preparing System for AutoCAD: the script files
        {.id = "AcadOpticalSystem", .title = "Creating ACAD script", .logtext = "Optical system script for ACAD",
         .canceltext = "Creating script file for ACAD terminated by user!"},
        {.id = "AcadOpticalSystemRays", .title = "Creating ACAD script",
         .logtext = "Optical system and rays script for ACAD",
         .canceltext = "Creating script file for ACAD terminated by user!"},

        // Optimization > Evolutionary Algorithms Data: the parameter set of the evolutionary
        // optimizers, its dialogs and its data file
        {.id = "EaGeneral", .title = "General data for EA optimization"},
        {.id = "EaProbabilities", .title = "Probabilities data for EA optimization"},
        {.id = "EaAssga", .title = "Data for ASSGA optimization"},
        {.id = "EaEsEvol", .title = "Data for ES EVOL optimization"},
        {.id = "EaEsGrup", .title = "Data for ES GRUP optimization"},
        {.id = "EaEsReko", .title = "Data for ES REKO optimization"},
        {.id = "EaEsKorr", .title = "Data for ES KORR optimization"},
        {.id = "EaSave", .title = "Save data for EA optimization"},

        // Optimization: the evolutionary optimizers, each in its window
        {.id = "AssgaOptimization", .title = "ASSGA Optimization", .window = "ASSGA Optimization", .ext = ".gao",
         .errtext = "Error in ASSGA Optimization!", .canceltext = "Optimization terminated by user!",
         .refusal = novariablesrefusal},
        {.id = "EsEvolOptimization", .title = "Evolution Strategies EVOL Optimization",
         .window = "Evolutionary strategies - EVOL Optimization", .ext = ".ese",
         .errtext = "Error in Evolution Strategies EVOL Optimization!", .canceltext = "Optimization terminated by user!",
         .refusal = novariablesrefusal},
        {.id = "EsGrupOptimization", .title = "Evolution Strategies GRUP Optimization",
         .window = "Evolutionary strategies - GRUP Optimization", .ext = ".esg",
         .errtext = "Error in Evolution Strategies GRUP Optimization!", .canceltext = "Optimization terminated by user!",
         .refusal = novariablesrefusal},
        {.id = "EsRekoOptimization", .title = "Evolution Strategies REKO Optimization",
         .window = "Evolutionary strategies - REKO Optimization", .ext = ".esr",
         .errtext = "Error in Evolution Strategies REKO Optimization!", .canceltext = "Optimization terminated by user!",
         .refusal = novariablesrefusal},
        {.id = "EsKorrOptimization", .title = "Evolution Strategies KORR Optimization",
         .window = "Evolutionary Strategies - KORR Optimization", .ext = ".esk",
         .errtext = "Error in Evolution Strategies KORR Optimization!", .canceltext = "Optimization terminated by user!",
         .refusal = novariablesrefusal},

        // Window
        {.id = "WindowTile"},
        {.id = "WindowCascade"},
        {.id = "WindowArrange"},
        {.id = "WindowCloseAll"},

        // Help
        {.id = "HelpContents", .title = "Help", .logtext = ""},
        {.id = "HelpSearch", .title = "Help", .logtext = ""},
        {.id = "HelpHowToUse", .title = "Help", .logtext = ""},
        {.id = "HelpAbout", .title = "About ZEFO"},

        // Glass catalogue: adding the glasses of a catalogue file (log: title + the file name)
        {.id = "ImportGlassCatalogue", .title = "Import glass catalogue"},
    };
    return texts;
}

const CommandText& commandtext(std::string_view id) {
    for (const CommandText& t : commandtexts())
        if (id == t.id) return t;
    throw std::out_of_range("unknown command " + std::string(id));
}

std::string startline(const CommandText& t) { return t.logtext ? t.logtext : t.title; }

std::string finishedline(const CommandText& t) { return t.finished ? t.finished : startline(t) + " - Finished"; }

std::string terminatedline(const CommandText& t) {
    return t.terminated ? t.terminated : startline(t) + " - Terminated by user";
}

std::string refusal(const CommandText& t, const Model& m) { return t.refusal ? t.refusal(m) : std::string(); }

}  // namespace zefo
