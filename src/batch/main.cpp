// zefo-batch [--progdir DIR] [--date TEXT] [--json] COMMAND [ARGS]
#include <ctime>
#include <filesystem>
#include <iostream>
#include <new>
#include <stdexcept>

#ifdef ZEFO_PLOT_HELPER
#include <cerrno>
#include <cstring>

#include <unistd.h>
#endif

#include "core/app/version.h"
#include "batch/batch.h"

namespace zefo::batch {
namespace {

#ifdef ZEFO_PLOT_HELPER
// A command without a run of its own (plot) runs in the helper program next to this one,
// which gets the same command line in place of this process; only a failed start returns.
int runhelper(char** argv) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = argv[0];
    const std::string path = (self.parent_path() / ZEFO_PLOT_HELPER).string();
    std::cout.flush();
    execv(path.c_str(), argv);
    std::cerr << "zefo-batch: cannot start " << path << ": " << std::strerror(errno) << "\n";
    return 1;
}
#endif

constexpr const char* globaloptions = "zefo-batch [--progdir DIR] [--date TEXT] [--json]";

std::vector<CommandEntry> allcommands() {
    std::vector<CommandEntry> all;
    for (auto& c : modelcommands()) all.push_back(c);
    for (auto& c : glasscommands()) all.push_back(c);
    for (auto& c : newcommands()) all.push_back(c);
    for (auto& c : importcommands()) all.push_back(c);
    for (auto& c : tracecommands()) all.push_back(c);
    for (auto& c : aberrcommands()) all.push_back(c);
    for (auto& c : iqcommands()) all.push_back(c);
    for (auto& c : optimcommands()) all.push_back(c);
    for (auto& c : evolvecommands()) all.push_back(c);
    for (auto& c : modifycommands()) all.push_back(c);
    for (auto& c : plotcommands()) all.push_back(c);
    return all;
}

// "NAME USAGE" of one command.
std::string commandline(const CommandEntry& c) {
    return *c.usage ? std::string(c.name) + " " + c.usage : std::string(c.name);
}

std::string help(const std::vector<CommandEntry>& cmds) {
    std::string u = std::string("usage: ") + globaloptions + " COMMAND [ARGS]\n" +
                    "       zefo-batch --help | --version\n"
                    "options:\n"
                    "  --progdir DIR  workspace folder (default: the current folder)\n"
                    "  --date TEXT    date in the report headers (default: today, dd.mm.yyyy)\n"
                    "  --json         the computed values as one JSON object in place of the report\n"
                    "commands:\n";
    for (const auto& c : cmds) u += "  " + commandline(c) + "\n      " + c.description + "\n";
    return u;
}

std::string todaytext() {
    std::time_t t = std::time(nullptr);
    char buf[32];
    std::strftime(buf, sizeof buf, "%d.%m.%Y", std::localtime(&t));
    return buf;
}

// A wrong command line: the reason, then the usage line of the command when it is known.
int usagefailed(const std::string& text, const CommandEntry* cmd) {
    if (!cmd) {
        std::cerr << "zefo-batch: " << text << "\n" << "try zefo-batch --help\n";
        return 2;
    }
    std::cerr << "zefo-batch " << cmd->name << ": " << text << "\n"
              << "usage: " << globaloptions << " " << commandline(*cmd) << "\n";
    return 2;
}

int run(int argc, char** argv) {
    const auto cmds = allcommands();
    const CommandEntry* cmd = nullptr;
    try {
        Context c;
        c.out = &std::cout;
        c.date = todaytext();
        std::string progdir = std::filesystem::current_path().string();
        std::string name;
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw UsageError{a + " needs a value"};
                return argv[++i];
            };
            if (a == "--progdir") progdir = value();
            else if (a == "--date") c.date = value();
            else if (a == "--json") c.json = true;
            else if (a == "--help" || a == "-h") { std::cout << help(cmds); return 0; }
            else if (a == "--version") { std::cout << "zefo-batch " << programversion << "\n"; return 0; }
            else if (a.rfind("--", 0) == 0 && name.empty()) throw UsageError{"unknown option " + a};
            else if (name.empty()) name = a;
            else c.args.push_back(a);
        }
        if (name.empty()) throw UsageError{"no command given"};
        for (const auto& e : cmds)
            if (name == e.name) cmd = &e;
        if (!cmd) throw UsageError{"unknown command " + name};
#ifdef ZEFO_PLOT_HELPER
        if (!cmd->run) return runhelper(argv);
#endif
        std::error_code ec;
        std::filesystem::create_directories(progdir, ec);  // a new workspace folder may be named
        if (std::error_code isdir; !std::filesystem::is_directory(progdir, isdir)) {
            std::cerr << "Cannot create the workspace folder " << progdir << ": "
                      << (ec ? ec.message() : "a file of that name is in the way") << "\n";
            return 1;
        }
        c.ws = makeworkspace(progdir);
        c.log.open(c.ws.logpath);
        const std::string nomemory = "Not enough memory to run " + name;
        std::string err;
        try {
            err = cmd->run(c);
        } catch (const std::bad_alloc&) {
            err = nomemory;
            c.log.writeline(err);
        } catch (const std::length_error&) {  // a size beyond any allocation
            err = nomemory;
            c.log.writeline(err);
        } catch (const std::exception& e) {  // no fault escapes a command: it fails with its text
            err = e.what();
            c.log.writeline(err);
        }
        if (!err.empty()) {
            std::cerr << err << "\n";
            return 1;
        }
        return 0;
    } catch (const UsageError& e) {
        return usagefailed(e.text, cmd);
    } catch (const ValueError& e) {
        std::cerr << e.text << "\n";
        return 1;
    }
}

}  // namespace
}  // namespace zefo::batch

int main(int argc, char** argv) { return zefo::batch::run(argc, argv); }
