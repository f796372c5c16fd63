#include "core/report/workspace.h"

#include <filesystem>

namespace zefo {

Workspace makeworkspace(const std::string& progdir) {
    Workspace w;
    w.progdir = progdir;
    while (w.progdir.size() > 1 && w.progdir.back() == '/') w.progdir.pop_back();
    struct Dir { std::string Workspace::*member; const char* name; };
    const Dir dirs[] = {
        {&Workspace::datdir, "dat"},       {&Workspace::glassdir, "glass"},
        {&Workspace::geneticdir, "genetic"}, {&Workspace::abrdir, "abr"},
        {&Workspace::optimdir, "optim"},   {&Workspace::spotmtfdir, "spot-mtf"},
        {&Workspace::scriptdir, "script"}, {&Workspace::graphicsdir, "graphics"},
    };
    for (const auto& d : dirs) {
        const std::string path = w.progdir + "/" + d.name + "/";
        w.*(d.member) = path;
        std::error_code ec;
        if (!std::filesystem::is_directory(path, ec)) std::filesystem::create_directory(path, ec);
    }
    w.logpath = w.progdir + "/zefo.log";
    return w;
}

CommandLog::~CommandLog() { close(); }

bool CommandLog::open(const std::string& path) {
    close();
    path_ = path;
    f_ = std::fopen(path.c_str(), "ab");
    return f_ != nullptr;
}

void CommandLog::close() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
}

bool CommandLog::writeline(const std::string& line) {
    if (!f_) return false;
    std::fputs(line.c_str(), f_);
    std::fputc('\n', f_);
    return std::fflush(f_) == 0 && !std::ferror(f_);
}

}  // namespace zefo
