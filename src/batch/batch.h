// zefo-batch: the calculation commands of the program without a display.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/app/commandcatalog.h"
#include "core/report/report.h"
#include "core/app/session.h"
#include "core/report/workspace.h"
#include "core/model/model.h"

namespace zefo::batch {

class JsonWriter;

// Thrown for a wrong command line (exit status 2); the usage line of the command follows.
struct UsageError {
    std::string text;
};

// Thrown for an option value that is no number (exit status 1 with the text).
struct ValueError {
    std::string text;
};

// Everything one batch command works with.
struct Context {
    Workspace ws;
    CommandLog log;
    Model m;
    Session session{m};            // the lens data file of the command, its first error
    std::string date;              // report header date, --date
    bool json = false;             // --json
    std::vector<std::string> args; // the command's own arguments and options
    std::ostream* out = nullptr;
};

// A command returns an error text (empty on success).
using Command = std::function<std::string(Context&)>;

struct CommandEntry {
    const char* name;
    const char* usage;        // the arguments and options after the name
    const char* description;  // one line for --help
    Command run;
};

// The commands of the model subsystem.
std::vector<CommandEntry> modelcommands();
std::vector<CommandEntry> glasscommands();
// The pictures (empty in a build without Qt).
std::vector<CommandEntry> plotcommands();
std::vector<CommandEntry> newcommands();
std::vector<CommandEntry> importcommands();

// Reads the lens data file named by a command argument into the context's model and
// makes it the session's current file (its absolute path).
std::string openlens(Context& c, const std::string& path);

// Removes "--name VALUE" from the command's arguments and returns VALUE; empty when the
// option is absent. A missing value or a second occurrence is a usage error.
std::optional<std::string> takeoption(Context& c, const std::string& name);

// Removes every "--name" (an option without a value) from the command's arguments; true when
// it was there.
bool takeflag(Context& c, const std::string& name);

// Removes "--name VALUE" and reads VALUE as a typed number ("," or "." as decimal
// separator, blanks ignored); empty when the option is absent. A value that is no number
// throws ValueError "Not a valid number!".
std::optional<double> takenumber(Context& c, const std::string& name);

// --pupil P: the answer to a telescope's question for its entrance pupil position, taken
// before the lens file is read; without it the question gets the input box's default 0.
double takepupil(Context& c);
// Gives the model read from the lens file that answer.
void answerpupil(Context& c, double pupil);

// After the options are taken: exactly n arguments must remain, none an option.
void expectargs(const Context& c, size_t n);

// The failure of command t's calculation: errmsg to the log; the command's error text,
// followed by errmsg on a line of its own, as the error text.
std::string calcfailed(Context& c, const CommandText& t);

// A result that cannot be shown: a number of the report or, with --json, of the computed
// values that is not finite fails command t's calculation (nonfinitemsg) before anything is
// written or printed; returns calcfailed's text, empty when the result can be shown.
std::string resultfailed(Context& c, const CommandText& t, const Report& r, const JsonWriter& w);

// Ends command t when its result can be shown (resultfailed): its finished line in the log,
// then the report lines or, with --json, the computed values on stdout.
std::string finish(Context& c, const CommandText& t, const Report& r, const JsonWriter& w);

// The commands of the system reports, the ray scheme and the single ray trace.
std::vector<CommandEntry> tracecommands();
std::vector<CommandEntry> aberrcommands();
std::vector<CommandEntry> iqcommands();
std::vector<CommandEntry> optimcommands();
std::vector<CommandEntry> evolvecommands();
std::vector<CommandEntry> modifycommands();

}  // namespace zefo::batch
