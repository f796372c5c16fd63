#include "util/fileio.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zefo {

std::optional<std::string> readtextfile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream ss;
    ss << f.rdbuf();
    if (f.bad()) return std::nullopt;
    return ss.str();
}

std::string writefileatomic(const std::string& path, const std::string& content) {
    const std::string tmp = path + ".tmp~";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return "Cannot create file " + path;
        f.write(content.data(), static_cast<std::streamsize>(content.size()));
        f.flush();
        if (!f) {
            f.close();
            std::remove(tmp.c_str());
            return "Error writing file " + path;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        return "Cannot write file " + path;
    }
    return {};
}

bool fileexists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace zefo
