// The single-instance lock and detached program starts.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/os/os.h"

namespace platform {

namespace {

constexpr const char* kLockName = "{4AA71105-17F8-422F-9E12-09D8E4C9FAB1}";

// Runs in the grandchild after fork: only async-signal-safe calls.
[[noreturn]] void ExecOrReport(char* const* argv, int reportFd) {
    ::execvp(argv[0], argv);
    int error = errno;
    ssize_t ignored = ::write(reportFd, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

}  // namespace

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string SingleInstanceLock::LockFilePath(const std::string& userName) {
    std::string folder = GetEnv("XDG_RUNTIME_DIR").value_or("");
    if (folder.empty() || !FolderExists(folder)) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    std::string user = userName;
    for (char& c : user)
        if (c == '/') c = '_';  // a user name never names another folder
    return folder + kLockName + user;
}

bool SingleInstanceLock::Acquire(const std::string& userName) {
    if (m_fd >= 0) return true;
    // No symbolic links: the lock file may lie in a folder shared by all users.
    int fd =
        ::open(LockFilePath(userName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool StartProgram(const std::string& path, const std::vector<std::string>& arguments) {
    if (path.empty()) return false;
    std::vector<std::string> args;
    args.push_back(path);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child starts a new session and leaves at once, so the program
        // is adopted by init and never becomes our zombie.
        ::close(report[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild == 0) ExecOrReport(argv.data(), report[1]);
        if (grandchild < 0) {
            int error = errno;
            ssize_t ignored = ::write(report[1], &error, sizeof error);
            (void)ignored;
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    return n == 0;  // end of file without a report: the exec succeeded
}

bool OpenWithDesktop(const std::string& target) {
    std::string opener = GetEnv("CATALOG_OPENER").value_or("");
    if (opener.empty()) opener = "xdg-open";
    return StartProgram(opener, {target});
}

}  // namespace platform
