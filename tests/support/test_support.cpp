#include "test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/catalog-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    m_path = std::string(buf.data()) + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool WaitForPort(int port, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& extraEnv,
                           const std::string& logFile) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        ::setpgid(0, 0);
        for (const auto& [k, v] : extraEnv) ::setenv(k.c_str(), v.c_str(), 1);
        if (!logFile.empty()) {
            int fd = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
                ::close(fd);
            }
        }
        int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, 0);
        ::execvp(args[0], args.data());
        _exit(127);
    }
    ::setpgid(m_pid, m_pid);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_reaped) {
        Kill(SIGKILL);
        Wait();
    }
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_pid(other.m_pid), m_status(other.m_status), m_reaped(other.m_reaped) {
    other.m_pid = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (m_pid > 0 && !m_reaped) {
            Kill(SIGKILL);
            Wait();
        }
        m_pid = other.m_pid;
        m_status = other.m_status;
        m_reaped = other.m_reaped;
        other.m_pid = -1;
    }
    return *this;
}

bool ChildProcess::Running() {
    if (m_pid <= 0 || m_reaped) return false;
    int status = 0;
    pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_reaped = true;
        m_status = status;
        return false;
    }
    return true;
}

int ChildProcess::Wait() {
    if (m_pid <= 0) return -1;
    if (!m_reaped) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_status = status;
        m_reaped = true;
    }
    if (WIFEXITED(m_status)) return WEXITSTATUS(m_status);
    if (WIFSIGNALED(m_status)) return -WTERMSIG(m_status);
    return -1;
}

void ChildProcess::Kill(int signal) {
    if (m_pid > 0 && !m_reaped) {
        ::kill(-m_pid, signal);
        ::kill(m_pid, signal);
    }
}

int RunCommand(const std::vector<std::string>& argv, const std::string& outFile) {
    ChildProcess p(argv, {}, outFile);
    return p.Wait();
}

std::string SourceDir() {
    const char* s = std::getenv("CATALOG_SOURCE_DIR");
    return s ? s : ".";
}

std::string BinaryDir() {
    const char* s = std::getenv("CATALOG_BINARY_DIR");
    return s ? s : ".";
}

}  // namespace testsupport
