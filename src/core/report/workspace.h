// The workspace directories under the start directory and the command log.
#pragma once

#include <cstdio>
#include <string>

namespace zefo {

struct Workspace {
    std::string progdir;  // start directory, no trailing "/"
    std::string datdir, glassdir, geneticdir, abrdir, optimdir, spotmtfdir, scriptdir, graphicsdir;
    std::string logpath;
};

// Builds the eight directory paths under progdir and creates those that are missing
// (one level; a directory that cannot be created is left for the command that writes there).
Workspace makeworkspace(const std::string& progdir);

// The command log: one line per entry, no prefix, flushed after every line.
class CommandLog {
public:
    CommandLog() = default;
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;
    ~CommandLog();

    // Opens path for appending (creates it when missing). Returns false when it cannot.
    bool open(const std::string& path);
    void close();
    bool isopen() const { return f_ != nullptr; }
    // Appends one line; returns false on an output error.
    bool writeline(const std::string& line);
    const std::string& path() const { return path_; }

private:
    std::FILE* f_ = nullptr;
    std::string path_;
};

}  // namespace zefo
