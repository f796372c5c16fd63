// Batch commands of the model: saving a lens data file.
#include "batch.h"
#include "model/lensfile.h"

namespace zefo::batch {

std::string openlens(Context& c, const std::string& path) {
    return loadlensfile(path, c.m);
}

namespace {

std::string savecmd(Context& c) {
    if (c.args.size() != 2) throw UsageError{"save needs IN.dat OUT.dat"};
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    c.log.writeline("Save optical file");
    if (auto e = savelensfile(c.args[1], c.m); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    c.log.writeline("Save optical file - Finished");
    return {};
}

}  // namespace

std::vector<CommandEntry> modelcommands() {
    return {
        {"save", "IN.dat OUT.dat", savecmd},
    };
}

}  // namespace zefo::batch
