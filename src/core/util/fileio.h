// Whole-file reading and writing.
#pragma once

#include <optional>
#include <string>

namespace zefo {

// The whole content of a file; empty when it cannot be opened.
std::optional<std::string> readtextfile(const std::string& path);

// Writes content to a temporary file beside path and renames it over path, so a
// failure never leaves a half-written file. Returns an error text, empty on success.
std::string writefileatomic(const std::string& path, const std::string& content);

bool fileexists(const std::string& path);

}  // namespace zefo
