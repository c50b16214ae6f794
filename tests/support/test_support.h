// Small helpers shared by the tests: temporary folders, whole-file I/O, free loopback
// ports and child processes (servers the tests start on 127.0.0.1).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder path with a trailing '/'.
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// A TCP port on 127.0.0.1 that was free a moment ago.
int FreePort();
// Waits until something accepts connections on 127.0.0.1:port.
bool WaitForPort(int port, std::chrono::milliseconds limit = std::chrono::seconds(10));

// A child process; killed (SIGKILL to its process group) and reaped on destruction.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& extraEnv = {},
                 const std::string& logFile = "");
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Running();
    // Waits for the exit; returns the exit status, or -signal when killed by a signal.
    int Wait();
    void Kill(int signal = 9);

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_reaped = false;
};

// Runs a command to its end and returns its exit status; output goes to outFile if given.
int RunCommand(const std::vector<std::string>& argv, const std::string& outFile = "");

// The source tree (from CATALOG_SOURCE_DIR, set by CTest) and the build tree.
std::string SourceDir();
std::string BinaryDir();

}  // namespace testsupport
