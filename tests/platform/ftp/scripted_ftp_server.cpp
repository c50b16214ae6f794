#include "scripted_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace ftptest {
namespace {

using Clock = std::chrono::steady_clock;

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        throw std::runtime_error("scripted server: cannot listen");
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

// Waits until fd is readable, in short slices so that a stopping server is noticed.
bool WaitReadable(int fd, int limitMs, const ScriptedFtpServer& server) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!server.Stopping() && Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) return true;
    }
    return false;
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        fd = -1;
    }
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

ScriptedSession::ScriptedSession(ScriptedFtpServer& server, int fd) : m_server(server), m_fd(fd) {}

ScriptedSession::~ScriptedSession() {
    CloseData();
    CloseFd(m_dataListen);
    CloseFd(m_fd);
}

void ScriptedSession::Send(std::string_view bytes) {
    if (m_fd >= 0) SendAll(m_fd, bytes);
}

void ScriptedSession::Reply(std::string_view line) { Send(std::string(line) + "\r\n"); }

std::optional<std::string> ScriptedSession::ReadCommand(int limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const auto lf = m_in.find('\n');
        if (lf != std::string::npos) {
            std::string line = m_in.substr(0, lf);
            m_in.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            m_server.RecordCommand(line);
            return line;
        }
        if (m_fd < 0) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0 || !WaitReadable(m_fd, static_cast<int>(left.count()), m_server))
            return std::nullopt;
        char buf[4096];
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) return std::nullopt;
        m_in.append(buf, static_cast<size_t>(n));
    }
}

bool ScriptedSession::Expect(const std::string& command, const std::string& reply) {
    const auto got = ReadCommand();
    if (!got || *got != command) {
        m_server.AddFailure("expected \"" + command + "\", got \"" + got.value_or("<nothing>") +
                            "\"");
        return false;
    }
    if (!reply.empty()) Reply(reply);
    return true;
}

void ScriptedSession::CloseControl() { CloseFd(m_fd); }

int ScriptedSession::ListenData() {
    CloseFd(m_dataListen);
    int port = 0;
    m_dataListen = ListenOnLoopback(port);
    m_passive = true;
    return port;
}

bool ScriptedSession::AcceptData(int limitMs) {
    if (m_dataListen < 0 || !WaitReadable(m_dataListen, limitMs, m_server)) return false;
    CloseData();
    m_data = ::accept(m_dataListen, nullptr, nullptr);
    CloseFd(m_dataListen);
    return m_data >= 0;
}

bool ScriptedSession::ConnectData() {
    CloseData();
    m_data = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(m_activePort));
    ::inet_pton(AF_INET, m_activeHost.c_str(), &addr.sin_addr);
    if (::connect(m_data, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        CloseData();
        return false;
    }
    return true;
}

bool ScriptedSession::SendData(std::string_view bytes) {
    return m_data >= 0 && SendAll(m_data, bytes);
}

void ScriptedSession::CloseData() { CloseFd(m_data); }

bool ScriptedSession::SendDataSlowly(std::string_view bytes, size_t chunk, int pauseMs) {
    while (!bytes.empty()) {
        if (m_server.Stopping()) return false;
        const size_t n = std::min(chunk, bytes.size());
        if (!SendData(bytes.substr(0, n))) return false;
        bytes.remove_prefix(n);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    return true;
}

void ScriptedSession::ReplyPassive(bool extended) {
    const int port = ListenData();
    char text[128];
    if (extended) {
        std::snprintf(text, sizeof text, "229 Entering Extended Passive Mode (|||%d|)", port);
    } else {
        std::snprintf(text, sizeof text, "227 Entering Passive Mode (127,0,0,1,%d,%d).", port / 256,
                      port % 256);
    }
    Reply(text);
}

bool ScriptedSession::OpenData() { return m_passive ? AcceptData() : ConnectData(); }

void ScriptedSession::ServeStandard(const Override& overrides) {
    while (auto command = ReadCommand()) {
        if (overrides && overrides(*this, *command)) continue;
        if (!HandleStandard(*command)) return;
    }
}

bool ScriptedSession::HandleStandard(const std::string& command) {
    const auto space = command.find(' ');
    const std::string verb = Upper(command.substr(0, space));
    const std::string arg = space == std::string::npos ? "" : command.substr(space + 1);
    if (verb == "USER") {
        Reply("331 Password required.");
    } else if (verb == "PASS") {
        Reply("230 Logged in.");
    } else if (verb == "TYPE") {
        Reply("200 Type set to " + arg + ".");
    } else if (verb == "EPSV" || verb == "PASV") {
        ReplyPassive(verb == "EPSV");
    } else if (verb == "PORT" || verb == "EPRT") {
        int h[4] = {}, p[2] = {};
        char proto = 0, addr[64] = {};
        if (verb == "PORT" && std::sscanf(arg.c_str(), "%d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2],
                                          &h[3], &p[0], &p[1]) == 6) {
            m_activeHost = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." +
                           std::to_string(h[2]) + "." + std::to_string(h[3]);
            m_activePort = p[0] * 256 + p[1];
        } else if (verb == "EPRT" &&
                   std::sscanf(arg.c_str(), "|%c|%63[^|]|%d|", &proto, addr, &m_activePort) == 3) {
            m_activeHost = addr;
        }
        m_passive = false;
        Reply("200 Active data connection set.");
    } else if (verb == "LIST" || verb == "NLST") {
        if (!OpenData()) {
            Reply("425 Cannot open data connection.");
            return true;
        }
        Reply("150 Here comes the directory listing.");
        SendData(m_server.Listing());
        CloseData();
        Reply("226 Directory send OK.");
    } else if (verb == "RETR") {
        const auto file = m_server.File(arg);
        if (!file) {
            Reply("550 " + arg + ": No such file or directory.");
            return true;
        }
        if (!OpenData()) {
            Reply("425 Cannot open data connection.");
            return true;
        }
        Reply("150 Opening BINARY mode data connection for " + arg + " (" +
              std::to_string(file->size()) + " bytes).");
        SendData(*file);
        CloseData();
        Reply("226 Transfer complete.");
    } else if (verb == "QUIT") {
        Reply("221 Goodbye.");
        return false;
    } else if (verb == "NOOP") {
        Reply("200 NOOP ok.");
    } else {
        Reply("502 Command not implemented.");
    }
    return true;
}

ScriptedFtpServer::ScriptedFtpServer()
    : ScriptedFtpServer([](ScriptedSession& s) {
          s.Reply("220 Scripted server ready.");
          s.ServeStandard();
      }) {}

ScriptedFtpServer::ScriptedFtpServer(Script script) : m_script(std::move(script)) {
    m_listen = ListenOnLoopback(m_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    m_stop = true;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    CloseFd(m_listen);
    std::vector<std::thread> sessions;
    {
        std::lock_guard lock(m_mutex);
        sessions.swap(m_sessions);
    }
    for (auto& t : sessions) t.join();
}

void ScriptedFtpServer::AcceptLoop() {
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0) continue;
        ++m_connections;
        std::lock_guard lock(m_mutex);
        m_sessions.emplace_back([this, fd] {
            ScriptedSession session(*this, fd);
            m_script(session);
        });
    }
}

void ScriptedFtpServer::SetFile(const std::string& name, const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    m_files[name] = bytes;
}

std::optional<std::string> ScriptedFtpServer::File(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_files.find(name);
    if (it == m_files.end()) return std::nullopt;
    return it->second;
}

std::string ScriptedFtpServer::Listing() const {
    std::lock_guard lock(m_mutex);
    std::string text;
    for (const auto& [name, bytes] : m_files) {
        text += "-rw-r--r--   1 ftp      ftp      " + std::to_string(bytes.size()) +
                " Jan 01 12:00 " + name + "\r\n";
    }
    return text;
}

std::vector<std::string> ScriptedFtpServer::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<std::string> ScriptedFtpServer::Failures() const {
    std::lock_guard lock(m_mutex);
    return m_failures;
}

void ScriptedFtpServer::AddFailure(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_failures.push_back(text);
}

void ScriptedFtpServer::RecordCommand(const std::string& command) {
    std::lock_guard lock(m_mutex);
    m_commands.push_back(command);
}

}  // namespace ftptest
