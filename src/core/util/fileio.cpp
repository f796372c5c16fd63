#include "core/util/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace zefo {

std::optional<std::string> readtextfile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::string s;
    char buf[1 << 16];
    // An allocation failure throws: a file is never returned cut short.
    while (f.read(buf, sizeof buf) || f.gcount() > 0) s.append(buf, static_cast<size_t>(f.gcount()));
    if (f.bad()) return std::nullopt;
    return s;
}

namespace {

std::string errnotext() { return std::error_code(errno, std::generic_category()).message(); }

// The file a save of path replaces: path itself, or the file its symbolic links lead to
// (which need not exist yet). Empty with errno set when the links cannot be followed.
std::string savetarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        std::error_code ec;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        const auto link = std::filesystem::read_symlink(path, ec);
        if (ec) {
            errno = ec.value();
            return {};
        }
        path = link.is_absolute() ? link.string() : (std::filesystem::path(path).parent_path() / link).string();
    }
    errno = ELOOP;
    return {};
}

// Creates a new file of a name no other writer uses, beside target. O_EXCL makes sure it
// is a new file, never an existing file or a link planted under that name.
int createtemp(const std::string& target, std::string& tmp) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path p(target);
    const std::string stem = (p.parent_path() / ("." + p.filename().string().substr(0, 200) + ".")).string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = stem + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeall(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            if (n == 0) errno = EIO;
            return false;
        }
    }
    return true;
}

// Makes the rename in the folder of target durable; file systems that cannot sync a
// folder say EINVAL, which is no failure.
bool syncfolder(const std::string& target) {
    const auto folder = std::filesystem::path(target).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

}  // namespace

std::string writefileatomic(const std::string& path, const std::string& content) {
    const std::string target = savetarget(path);
    if (target.empty()) return "Cannot write file " + path + ": " + errnotext();
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return "Cannot write file " + path + ": it is not a regular file";
    // Without any write permission bit the file is read-only even for a privileged user.
    if (exists && ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return "Cannot write file " + path + ": the file is read-only";

    std::string tmp;
    int fd = createtemp(target, tmp);
    if (fd < 0) return "Cannot create file " + path + ": " + errnotext();
    const auto fail = [&](const char* what) {
        const std::string msg = what + path + ": " + errnotext();
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        return msg;
    };
    if (exists) {
        // The replacement keeps the owner (where allowed) and the mode of the file it replaces.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // not permitted for another user's file: the replacement belongs to this user
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0) return fail("Cannot write file ");
    }
    if (!writeall(fd, content) || ::fsync(fd) != 0) return fail("Error writing file ");
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail("Error writing file ");
    if (::rename(tmp.c_str(), target.c_str()) != 0) return fail("Cannot write file ");
    if (!syncfolder(target)) return "Error writing file " + path + ": " + errnotext();
    return {};
}

std::string readinputfile(const std::string& path, size_t maxbytes, std::string& text) {
    // O_NONBLOCK: opening a FIFO without a writer must not wait; the type is checked next.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return cannotopenmsg(path);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return "File " + path + " is not a regular file";
    }
    const std::string toolarge = "File " + path + " is too large (more than " +
                                 (maxbytes >= (size_t{1} << 20) ? std::to_string(maxbytes >> 20) + " MB)"
                                                                : std::to_string(maxbytes) + " bytes)");
    if (static_cast<unsigned long long>(st.st_size) > maxbytes) {
        ::close(fd);
        return toolarge;
    }
    std::string s(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t got = 0;
    for (;;) {  // bounded: a file that grows past the limit is refused
        if (got == s.size()) {
            if (s.size() > maxbytes) break;
            s.resize(std::min(maxbytes + 1, s.size() * 2));
        }
        const ssize_t n = ::read(fd, s.data() + got, s.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string msg = "Error reading file " + path + ": " + errnotext();
            ::close(fd);
            return msg;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > maxbytes) return toolarge;
    s.resize(got);
    text = std::move(s);
    return {};
}

std::string sysnameerror(const std::string& name) {
    if (name.empty() || name.find("..") != std::string::npos) return badsysnamemsg;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || std::string_view(" /\\<>:\"|?*").find(c) != std::string_view::npos)
            return badsysnamemsg;
    }
    return {};
}

std::string namedfilepath(const std::string& dir, const std::string& name, const std::string& suffix,
                          std::string& path) {
    path.clear();
    if (auto e = sysnameerror(name); !e.empty()) return "System name \"" + name + "\": " + e;
    path = dir + name + suffix;
    return {};
}

bool pathcomponentok(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 32) return false;
    return true;
}

std::string writefilesatomic(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::pair<std::string, std::optional<std::string>>> written;   // path, old content
    for (const auto& [path, content] : files) {
        std::optional<std::string> old;
        if (fileexists(path)) {
            old = readtextfile(path);
            if (!old) return "Cannot read file " + path + " before replacing it";
        }
        if (std::string e = writefileatomic(path, content); !e.empty()) {
            for (auto it = written.rbegin(); it != written.rend(); ++it) {
                if (it->second) writefileatomic(it->first, *it->second);
                else ::unlink(it->first.c_str());
            }
            return e;
        }
        written.emplace_back(path, std::move(old));
    }
    return {};
}

bool fileexists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace zefo
