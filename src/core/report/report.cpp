#include "core/report/report.h"

#include "core/util/fileio.h"

namespace zefo {

namespace {

const ReportKind kReportKinds[] = {
    {".prs", &Workspace::abrdir},
    {".sei", &Workspace::abrdir},
    {".abr", &Workspace::abrdir},
    {".rez", &Workspace::abrdir},
    {".srt", &Workspace::abrdir},
    {".wbr", &Workspace::abrdir},
    {".spt", &Workspace::spotmtfdir},
    {".gtf", &Workspace::spotmtfdir},
    {".gtt", &Workspace::spotmtfdir},
    {".dtf", &Workspace::spotmtfdir},
    {".opt", &Workspace::optimdir},
    {".gao", &Workspace::optimdir},
    {".ese", &Workspace::optimdir},
    {".esg", &Workspace::optimdir},
    {".esr", &Workspace::optimdir},
    {".esk", &Workspace::optimdir},
    {".otz", &Workspace::optimdir},
};

std::vector<std::string> splitlines(const std::string& text) {
    std::vector<std::string> out;
    size_t p = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        std::string line = text.substr(p, e - p);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(std::move(line));
        p = e + 1;
    }
    return out;
}

}  // namespace

const ReportKind* reportkind(std::string_view ext) {
    for (const auto& k : kReportKinds)
        if (ext == k.ext) return &k;
    return nullptr;
}

std::string reportpath(const Workspace& ws, const std::string& filebase, std::string_view ext) {
    const ReportKind* k = reportkind(ext);
    const std::string& dir = k ? ws.*(k->dir) : ws.abrdir;
    return dir + filebase + std::string(ext);
}

std::string Report::text() const {
    std::string t;
    for (const auto& l : lines_) {
        t += l;
        t += '\n';
    }
    return t;
}

void Report::appendclosing() {
    addline(" ");
    addline("End of displayed data");
}

namespace {

// A report is named after the lens data file: one file name in its workspace folder.
std::string reportnameerror(const std::string& filebase) {
    return filebase.empty() || pathcomponentok(filebase) ? std::string()
                                     : "The report name \"" + filebase + "\" is not a valid file name";
}

}  // namespace

std::string Report::finishreport(const Workspace& ws, const std::string& filebase, std::string_view ext) {
    if (!numbers_.finite()) return nonfinitemsg;
    if (auto e = reportnameerror(filebase); !e.empty()) return e;
    addline(" ");
    addline("Measurement units are mm");
    const std::string err = writefileatomic(reportpath(ws, filebase, ext), text());
    appendclosing();
    return err;
}

std::string Report::savereport(const Workspace& ws, const std::string& filebase, std::string_view ext) {
    if (!numbers_.finite()) return nonfinitemsg;
    if (auto e = reportnameerror(filebase); !e.empty()) return e;
    const std::string err = writefileatomic(reportpath(ws, filebase, ext), text());
    appendclosing();
    return err;
}

bool Report::showreport(const Workspace& ws, const std::string& filebase, std::string_view ext) {
    auto content = readtextfile(reportpath(ws, filebase, ext));
    if (!content) return false;
    lines_ = splitlines(*content);
    appendclosing();
    return true;
}

}  // namespace zefo
