// Helpers shared by the core tests.
#pragma once

#include <filesystem>
#include <string>

#include "util/fileio.h"

namespace zefo::test {

inline std::string datafile(const std::string& name) {
    return std::string(ZEFO_TEST_DATA) + "/" + name;
}

inline std::string readdata(const std::string& name) {
    return readtextfile(datafile(name)).value();
}

// A fresh empty directory under the system's temporary directory.
inline std::filesystem::path freshdir(const std::string& name) {
    auto d = std::filesystem::temp_directory_path() / ("zefo-test-" + name);
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
}

// Replaces the first occurrence of what in text.
inline std::string replaced(std::string text, const std::string& what, const std::string& by) {
    const auto p = text.find(what);
    if (p != std::string::npos) text.replace(p, what.size(), by);
    return text;
}

}  // namespace zefo::test
