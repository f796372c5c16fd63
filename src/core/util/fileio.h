// Whole-file reading and writing.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zefo {

// The whole content of a file; empty when it cannot be opened or read. Running out of
// memory throws std::bad_alloc, so the content is never cut short.
std::optional<std::string> readtextfile(const std::string& path);

// The message of a file that cannot be opened for reading.
inline std::string cannotopenmsg(const std::string& path) { return "Cannot open file " + path; }

// The largest inputs the readers take: a lens data file, a lens description, an EA data file.
inline constexpr size_t kmaxlensfilebytes = size_t{16} << 20;
inline constexpr size_t kmaxdescriptionbytes = size_t{1} << 20;
inline constexpr size_t kmaxeafilebytes = size_t{1} << 20;

// Reads a whole input file into text: only a regular file of at most maxbytes (opening it
// never waits, so a FIFO or device is refused at once). Returns the error text naming path
// (cannot open, not a regular file, larger than the limit, read error), empty on success;
// text is changed only on success.
std::string readinputfile(const std::string& path, size_t maxbytes, std::string& text);

// The system name names files (the new lens data file, EA data files, pictures): it must be
// one valid file name component everywhere.
inline constexpr const char* badsysnamemsg =
    "The name must be a valid file name: not empty, without blanks, path separators, \"..\" "
    "or any of < > : \" | ? *";
// badsysnamemsg when name is no valid system name, empty when it is good.
std::string sysnameerror(const std::string& name);

// dir + name + suffix, the file named after a system; refuses (an error text, path empty) a
// name that sysnameerror refuses, so that no such file is written outside dir.
std::string namedfilepath(const std::string& dir, const std::string& name, const std::string& suffix,
                          std::string& path);

// True when name can stand as one component of a path (not empty, no "/", not "." or "..",
// no control character): the base names of report files.
bool pathcomponentok(const std::string& name);

// The one writer of every file the program produces. Writes content to a new temporary
// file of a unique name beside the target, syncs it and renames it over the target, so
// readers see the old or the new file whole, even when saves of one file run at the same
// time. A symbolic link is followed: the file it names is replaced and the link stays. The
// replacement keeps the mode of the file it replaces; a read-only file is refused. On
// every failure the target is untouched and the temporary file removed. Returns an error
// text naming path, empty on success.
std::string writefileatomic(const std::string& path, const std::string& content);

// Writes every (path, content) whole, in order; when one fails, the files written before it
// are put back as they were (removed when they did not exist), so that a command leaves all
// of its files or none. Returns the error of the failed file, empty on success.
std::string writefilesatomic(const std::vector<std::pair<std::string, std::string>>& files);

bool fileexists(const std::string& path);

}  // namespace zefo
