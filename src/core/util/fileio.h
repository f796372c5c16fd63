// Whole-file reading and writing.
#pragma once

#include <optional>
#include <string>

namespace zefo {

// The whole content of a file; empty when it cannot be opened or read. Running out of
// memory throws std::bad_alloc, so the content is never cut short.
std::optional<std::string> readtextfile(const std::string& path);

// The message of a file that cannot be opened for reading.
inline std::string cannotopenmsg(const std::string& path) { return "Cannot open file " + path; }

// The one writer of every file the program produces. Writes content to a new temporary
// file of a unique name beside the target, syncs it and renames it over the target, so
// readers see the old or the new file whole, even when saves of one file run at the same
// time. A symbolic link is followed: the file it names is replaced and the link stays. The
// replacement keeps the mode of the file it replaces; a read-only file is refused. On
// every failure the target is untouched and the temporary file removed. Returns an error
// text naming path, empty on success.
std::string writefileatomic(const std::string& path, const std::string& content);

bool fileexists(const std::string& path);

}  // namespace zefo
