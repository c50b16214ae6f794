// A scripted FTP server on 127.0.0.1 for tests that need exact command sequences or a
// misbehaving server: each accepted control connection runs the test's script on a
// thread of its own. ServeStandard() answers the usual commands of a small in-memory
// server (any user and password, EPSV/PASV/PORT/EPRT, LIST, RETR) and lets the script
// take over any command on the way.
//
// Every socket wait is bounded (a few seconds), so a script never hangs a test; the
// destructor stops the listener and joins all threads.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ftptest {

class ScriptedFtpServer;

class ScriptedSession {
public:
    // Overrides one command in ServeStandard(); returns true when it handled it.
    using Override = std::function<bool(ScriptedSession&, const std::string& command)>;

    ScriptedSession(ScriptedFtpServer& server, int fd);
    ~ScriptedSession();
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;

    void Send(std::string_view bytes);  // raw bytes on the control connection
    void Reply(std::string_view line);  // the line and CR LF
    // The next command line without its line end; nullopt when the client closed the
    // connection or sent nothing within `limit` ms. Every command is recorded.
    std::optional<std::string> ReadCommand(int limitMs = 5000);
    // Reads the next command and records a failure unless it equals `command`.
    bool Expect(const std::string& command, const std::string& reply);
    void CloseControl();

    // Passive data connection: listen on a free port, then accept the client.
    int ListenData();
    bool AcceptData(int limitMs = 5000);
    // Active data connection to the address of the last PORT/EPRT command.
    bool ConnectData();
    bool SendData(std::string_view bytes);  // false when the client has gone
    void CloseData();
    // Sends `bytes` in `chunk`-sized pieces with a pause between them; stops early when
    // the client goes away or the server stops. Returns whether everything was sent.
    bool SendDataSlowly(std::string_view bytes, size_t chunk, int pauseMs);
    // Replies with the EPSV/PASV answer of a freshly opened data listener.
    void ReplyPassive(bool extended);

    // Serves commands until QUIT or the end of the connection. `overrides` sees every
    // command first.
    void ServeStandard(const Override& overrides = {});
    // The standard answer to one command; false after QUIT.
    bool HandleStandard(const std::string& command);
    // Opens the data connection of the current transfer (passive or active).
    bool OpenData();

    ScriptedFtpServer& Server() { return m_server; }

private:
    ScriptedFtpServer& m_server;
    int m_fd;
    int m_dataListen = -1;
    int m_data = -1;
    std::string m_in;
    std::string m_activeHost;
    int m_activePort = 0;
    bool m_passive = true;
};

class ScriptedFtpServer {
public:
    using Script = std::function<void(ScriptedSession&)>;

    // The default script sends a 220 greeting and serves standard commands.
    ScriptedFtpServer();
    explicit ScriptedFtpServer(Script script);
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    int Port() const { return m_port; }
    // Files that ServeStandard() lists and serves, by name.
    void SetFile(const std::string& name, const std::string& bytes);
    std::optional<std::string> File(const std::string& name) const;
    std::string Listing() const;

    std::vector<std::string> Commands() const;  // every command received, in order
    std::vector<std::string> Failures() const;  // failed expectations
    void AddFailure(const std::string& text);
    void RecordCommand(const std::string& command);
    bool Stopping() const { return m_stop; }
    int Connections() const { return m_connections; }

private:
    void AcceptLoop();

    Script m_script;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_sessions;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_failures;
    std::map<std::string, std::string> m_files;
};

}  // namespace ftptest
