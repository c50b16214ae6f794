// Real servers and proxies that FTP tests start on 127.0.0.1, each in its own temporary
// folder on a free port, stopped (process group killed) on destruction.
//
// Every constructor throws std::runtime_error when the program cannot be started or does
// not accept connections within a few seconds; its log file is named in the message.
#pragma once

#include <string>

#include "test_support.h"

namespace ftptest {

// pyftpdlib serving `root` (a folder the caller fills) to one named user; anonymous
// access too when `anonymous`. `masquerade` makes PASV replies name that address instead
// of 127.0.0.1 (clients must still connect to the control connection's peer).
class PyFtpServer {
public:
    struct Options {
        std::string user = "bob";
        std::string password = "secret";
        bool anonymous = false;
        std::string masquerade;
    };
    PyFtpServer(const std::string& root, const Options& options);
    explicit PyFtpServer(const std::string& root) : PyFtpServer(root, Options{}) {}
    int Port() const { return m_port; }

private:
    testsupport::TempDir m_dir;
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

// ProFTPD serving `root` as the home folder of one user (AuthUserFile, no chroot), so it
// runs as root and unprivileged alike.
class ProftpdServer {
public:
    ProftpdServer(const std::string& root, const std::string& user, const std::string& password);
    int Port() const { return m_port; }

private:
    testsupport::TempDir m_dir;
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

// ProFTPD with mod_proxy as a forward proxy of the "USER user@host[:port]" kind.
class ProftpdForwardProxy {
public:
    ProftpdForwardProxy();
    int Port() const { return m_port; }

private:
    testsupport::TempDir m_dir;
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

// microsocks: SOCKS 5, with user name/password authentication when `user` is not empty.
class Socks5Proxy {
public:
    explicit Socks5Proxy(const std::string& user = "", const std::string& password = "");
    int Port() const { return m_port; }

private:
    testsupport::TempDir m_dir;
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

// tinyproxy: an HTTP proxy allowing CONNECT to any port, with Basic authorisation when
// `user` is not empty.
class HttpConnectProxy {
public:
    explicit HttpConnectProxy(const std::string& user = "", const std::string& password = "");
    int Port() const { return m_port; }
    std::string Log() const;

private:
    testsupport::TempDir m_dir;
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

// socat: relays every TCP connection on its port to 127.0.0.1:targetPort.
class TcpRelay {
public:
    explicit TcpRelay(int targetPort);
    int Port() const { return m_port; }

private:
    testsupport::TempDir m_dir;
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

// The folder of the helper scripts (pyftpd_launcher.py) in the source tree.
std::string ScriptDir();
// Debian's Python, which has the server modules.
inline const char* kPython = "/usr/bin/python3";

}  // namespace ftptest
