#include "platform/os/os.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/text/text.h"

namespace platform {

namespace {

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    return folder;
}

std::string WithoutSeparator(std::string folder) {
    while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
    return folder;
}

bool StatPath(const std::string& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the open file `in` into a new temporary beside `to`; the temporary's path on success.
std::optional<std::string> CopyToTemporary(int in, const std::string& to,
                                           const struct stat& source) {
    std::string temp = to + ".tmpXXXXXX";
    int out = ::mkstemp(temp.data());
    if (out < 0) return std::nullopt;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(out, buffer, static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::fchmod(out, source.st_mode & 07777);
    // The copy carries the source's modification time, as the desktop's copy does.
    timespec times[2] = {source.st_atim, source.st_mtim};
    ::futimens(out, times);
    ok = ok && ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return std::nullopt;
    }
    return temp;
}

}  // namespace

std::optional<std::string> GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

void SetEnv(const std::string& name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

#ifdef _WIN32
std::string ProfileFolder() { return WithSeparator(GetEnv("USERPROFILE").value_or("")); }
std::string DataFolder() { return ProfileFolder() + "Application Data\\"; }
std::string UserName() { return GetEnv("USERNAME").value_or(""); }
#else
std::string ProfileFolder() { return WithSeparator(GetEnv("HOME").value_or("")); }
std::string DataFolder() {
    std::optional<std::string> xdg = GetEnv("XDG_DATA_HOME");
    // An empty or relative XDG_DATA_HOME is to be ignored.
    if (xdg && !xdg->empty() && xdg->front() == '/') return WithSeparator(*xdg);
    return ProfileFolder() + ".local/share/";
}
std::string UserName() { return GetEnv("USER").value_or(""); }
#endif

std::string WorkingDirectory() { return DataFolder() + "Quendal" + kPathSeparator; }

std::string ProgramFile() {
    std::string buffer(PATH_MAX, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

std::string ProgramFolder() {
    std::string file = ProgramFile();
    std::size_t slash = file.find_last_of(kPathSeparator);
    if (slash == std::string::npos) return {};
    return file.substr(0, slash + 1);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool CopyFile(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat source {};
    if (::fstat(in, &source) != 0 || S_ISDIR(source.st_mode)) {
        ::close(in);
        return false;
    }
    std::optional<std::string> temp = CopyToTemporary(in, to, source);
    ::close(in);
    if (!temp) return false;
    if (::rename(temp->c_str(), to.c_str()) != 0) {
        ::unlink(temp->c_str());
        return false;
    }
    return true;
}

bool DeleteFile(const std::string& path) {
    return !FolderExists(path) && ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() && ::rename(from.c_str(), to.c_str()) == 0;
}

bool CreateFolder(const std::string& path) {
    std::string folder = WithoutSeparator(path);
    if (folder.empty()) return false;
    ::mkdir(folder.c_str(), 0777);
    return FolderExists(folder);
}

bool CreateFolderTree(const std::string& path) {
    std::string folder = WithoutSeparator(path);
    if (folder.empty()) return false;
    for (std::size_t pos = folder.find(kPathSeparator, 1); pos != std::string::npos;
         pos = folder.find(kPathSeparator, pos + 1))
        ::mkdir(folder.substr(0, pos).c_str(), 0777);
    return CreateFolder(folder);
}

bool MatchesMask(const std::string& name, const std::string& mask, bool ignoreCase) {
    // Matched by code points, so "?" stands for one letter whatever its UTF-8 length.
    auto split = [](const std::string& text) {
        std::vector<std::string> chars;
        for (std::size_t i = 0; i < text.size();) {
            std::size_t j = i + 1;
            while (j < text.size() && (static_cast<unsigned char>(text[j]) & 0xC0) == 0x80) ++j;
            chars.push_back(text.substr(i, j - i));
            i = j;
        }
        return chars;
    };
    std::vector<std::string> s = split(ignoreCase ? UpperCase(name) : name);
    std::vector<std::string> p = split(ignoreCase ? UpperCase(mask) : mask);
    std::size_t si = 0, pi = 0, starP = std::string::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && (p[pi] == "?" || p[pi] == s[si])) {
            ++si, ++pi;
        } else if (pi < p.size() && p[pi] == "*") {
            starP = pi++;
            starS = si;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == "*") ++pi;
    return pi == p.size();
}

std::vector<std::string> ListFiles(const std::string& folder, const std::vector<std::string>& masks,
                                   bool ignoreCase) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(WithoutSeparator(folder).c_str());
    if (dir == nullptr) return names;
    const std::string base = WithSeparator(folder);
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat info {};
        if (!StatPath(base + name, info) || !S_ISREG(info.st_mode)) continue;
        if (std::any_of(masks.begin(), masks.end(), [&](const std::string& mask) {
                return MatchesMask(name, mask, ignoreCase);
            }))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace platform
