// Reports: fixed-layout text lines that a calculation writes for a report window and
// saves as a report file named after the current lens data file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/report/workspace.h"
#include "core/util/numfmt.h"

namespace zefo {

// One row of the table of report files: extension and workspace directory (the window
// captions are the commands', app/commandcatalog.h).
struct ReportKind {
    const char* ext;
    std::string Workspace::*dir;
};

// The kind of a report extension such as ".rez"; nullptr for an unknown extension.
const ReportKind* reportkind(std::string_view ext);

// Workspace directory + filebase + extension.
std::string reportpath(const Workspace& ws, const std::string& filebase, std::string_view ext);

class Report {
public:
    void addline(std::string line) { lines_.push_back(std::move(line)); }
    const std::vector<std::string>& lines() const { return lines_; }
    void clear() {
        lines_.clear();
        numbers_.restart();
    }

    // Watches the numbers written while the report is built: a report with a number that is
    // not finite is not shown or saved (the command fails with nonfinitemsg).
    const FiniteWatch& numbers() const { return numbers_; }

    // Appends " " and "Measurement units are mm", writes every line to the report file,
    // then appends " " and "End of displayed data" (window only). Returns an error text;
    // a report with a number that is not finite is refused with nonfinitemsg (nothing is
    // appended or written).
    std::string finishreport(const Workspace& ws, const std::string& filebase, std::string_view ext);

    // Writes the lines as they stand to the report file (a work that gives the whole file),
    // then appends the two closing lines (window only). Returns an error text; refuses a
    // report with a number that is not finite like finishreport.
    std::string savereport(const Workspace& ws, const std::string& filebase, std::string_view ext);

    // Replaces the lines by the stored report file and appends the two closing lines.
    // Returns false (and changes nothing) when the file does not exist.
    bool showreport(const Workspace& ws, const std::string& filebase, std::string_view ext);

    // The lines as one text, each line ended by a line feed.
    std::string text() const;

    // Appends the closing lines of a window: " " and "End of displayed data".
    void appendclosing();

private:
    std::vector<std::string> lines_;
    FiniteWatch numbers_;
};

}  // namespace zefo
