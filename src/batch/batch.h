// zefo-batch: the calculation commands of the program without a display.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "model/model.h"

namespace zefo::batch {

// Thrown for a wrong command line (exit status 2).
struct UsageError {
    std::string text;
};

// Everything one batch command works with.
struct Context {
    Workspace ws;
    CommandLog log;
    Model m;
    std::string date;              // report header date, --date
    bool json = false;             // --json
    std::vector<std::string> args; // the command's own arguments
    std::ostream* out = nullptr;
};

// A command returns an error text (empty on success).
using Command = std::function<std::string(Context&)>;

struct CommandEntry {
    const char* name;
    const char* usage;
    Command run;
};

// The commands of the model subsystem.
std::vector<CommandEntry> modelcommands();
std::vector<CommandEntry> glasscommands();

// Reads the lens data file named by a command argument into the context's model.
std::string openlens(Context& c, const std::string& path);

}  // namespace zefo::batch
