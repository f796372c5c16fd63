// Text reports of the optical system: the system data table (plain and with the
// optimization limits), the ray scheme table and the paraxial data of every single
// lens and cemented doublet. The calculations (systemdata, paraxblocks) return values; the
// writers (systemlines, paraxlines, ...) format them and calculate nothing; systemreport and
// paraxreport run the one and then the other.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/report/report.h"
#include "core/model/model.h"

namespace zefo {

// What a report's title line names besides the system: the lens data file and the date.
struct ReportHead {
    std::string filepath;
    std::string date;   // the current date in the platform's short date form
};

// F(w.d) as the reports print it: a number held in a text of the given size shows only
// its first characters (never fewer than its integer part); a negative number that
// rounds to zero prints without its sign.
std::string fmtfit(double v, int w, int d, size_t size = std::string::npos);

// "System name =" + sysname + "        File = " + filepath + "     " + date.
std::string titleline(const OpticalSystem& lens, const ReportHead& h);

// The glass name centred in 11 characters, the odd space on the right.
std::string centredglass(const std::string& glass);

// The numbers of the system data head besides the lens: the focal length and, for an
// objective whose axial ray starts inclined (a finite object), the object distance and the
// throw (object to image).
struct SystemData {
    double efl = 0;
    bool objectline = false;
    double objdist = 0, throwdist = 0;
};

// First-order data (nudatparax) and the numbers of the head; nothing after a failure
// (calcerror set).
std::optional<SystemData> systemdata(Model& m);

// System data lines: the title, focal length, wavelengths, object distance and the surface
// table. Standalone they end with the closing lines of a window-only report; otherwise they
// head a larger report.
void systemlines(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r,
                 bool standalone = true);

// The same with the optimization limits of radii (or curvatures) and separations.
void systemlinesfull(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r);

// The lines "Print optical system" sends to the printer: the head and one row per surface.
void printsystemlines(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r);

// systemdata, then systemlines. Returns false after a failure (calcerror set), writing
// nothing.
bool systemreport(Model& m, const ReportHead& h, Report& r, bool standalone = true);

// systemdata, then systemlinesfull; false after a failure.
bool systemreportfull(Model& m, const ReportHead& h, Report& r);

// The optimization design data listing: runs nudatparax, then the head of the system data,
// one row per surface with its variable flags (Rad, Dist, Glass) and its axial and edge
// thickness limits, the increments of the variables and the boundary conditions.
// Standalone it ends with the closing lines of a window-only report; otherwise it heads
// the merit function report. designdatalines writes it from the numbers of the head;
// designreport is systemdata, then designdatalines (false after a failure, calcerror set).
void designdatalines(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r,
                     bool standalone = true);
bool designreport(Model& m, const ReportHead& h, Report& r, bool standalone = true);

// The ray scheme table, ending with the closing lines of a window-only report.
void rayreport(const OpticalSystem& lens, Report& r);

// systemdata, then printsystemlines; false after a failure (calcerror set).
bool printsystemlines(Model& m, const ReportHead& h, Report& r);

// The lines "Print ray scheme" sends to the printer.
void printraylines(const OpticalSystem& lens, const ReportHead& h, Report& r);

// First-order data of one lens or cemented group in air, object at infinity:
// effective focal length f, back focal length sp and the printed front focal length.
// An afocal group gives 0 for the lengths that do not exist.
struct LensParax {
    double f = 0, sp = 0, s = 0;
};

// One element of a group: its front radius (0 = plane), thickness and index; the
// back radius closes the group.
struct LensElement {
    double r1, d, n;
};
LensParax lensparax(const std::vector<LensElement>& elements, double rlast);

// Design data of a lens or cemented group: radii (one more than the elements, 0 = plane),
// thicknesses, indices at the first wavelength and glass names.
struct LensDesign {
    std::vector<double> radius, thick, index;
    std::vector<std::string> glass;
};

// One block of the paraxial lens data report: a single lens or a cemented doublet.
struct ParaxBlock {
    bool doublet = false;
    int number = 0;                  // lens or doublet number, from 1
    int firstsurface = 0;            // its front surface as the system table numbers it
    LensParax nominal, minimum, maximum;
    LensDesign design, mindesign, maxdesign;   // the limits only in the full report
};

// The single lenses and cemented doublets of the lens in report order (a doublet, then its
// two lenses), nominal or with the minimum and maximum radii and separations.
std::vector<ParaxBlock> paraxblocks(const OpticalSystem& lens, bool full);

// The paraxial lens data report of the blocks (".prs" lines, without the closing lines).
void paraxlines(const OpticalSystem& lens, const std::vector<ParaxBlock>& blocks, const ReportHead& h, bool full,
                Report& r);

// paraxblocks, then paraxlines. A system of fewer than two surfaces gets no lines and false.
// The printed blocks go to blocks when given.
bool paraxreport(const OpticalSystem& lens, const ReportHead& h, Report& r, bool full,
                 std::vector<ParaxBlock>* blocks = nullptr);

// The message of a paraxial lens data request on a system of fewer than two surfaces.
extern const char* const paraxsurfacesmsg;

}  // namespace zefo
