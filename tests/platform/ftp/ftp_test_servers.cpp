#include "ftp_test_servers.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace ftptest {
namespace {

using testsupport::ChildProcess;
using testsupport::TempDir;

std::string TrimEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string ReadLog(const std::string& logFile) {
    try {
        return testsupport::ReadFile(logFile);
    } catch (const std::exception&) {
        return {};
    }
}

void AwaitPort(int port, const std::string& what, const std::string& logFile,
               ChildProcess& process) {
    if (testsupport::WaitForPort(port, std::chrono::seconds(10))) return;
    process.Kill();
    throw std::runtime_error(what + " did not start (log " + logFile + "):\n" + ReadLog(logFile));
}

std::string UserName() {
    const passwd* pw = ::getpwuid(::geteuid());
    return pw ? pw->pw_name : "nobody";
}

std::string GroupName() {
    const group* gr = ::getgrgid(::getegid());
    return gr ? gr->gr_name : "nogroup";
}

// A SHA-512 crypt hash of the password, for ProFTPD's AuthUserFile.
std::string CryptHash(const TempDir& dir, const std::string& password) {
    const std::string out = dir / "hash.txt";
    const int rc = testsupport::RunCommand(
        {kPython, "-W", "ignore", "-c",
         "import crypt,sys; print(crypt.crypt(sys.argv[1], crypt.mksalt(crypt.METHOD_SHA512)))",
         password},
        out);
    if (rc != 0) throw std::runtime_error("cannot hash a password: " + ReadLog(out));
    return TrimEnd(testsupport::ReadFile(out));
}

// Settings every ProFTPD instance of the tests needs to run in a temporary folder,
// as root or not.
std::string ProftpdCommonConfig(const TempDir& dir, int port) {
    return "ServerType standalone\n"
           "DefaultServer on\n"
           "Port " +
           std::to_string(port) +
           "\n"
           "DefaultAddress 127.0.0.1\n"
           "SocketBindTight on\n"
           "PidFile " +
           (dir / "proftpd.pid") +
           "\n"
           "ScoreboardFile " +
           (dir / "proftpd.score") +
           "\n"
           "DelayTable none\n"
           "WtmpLog off\n"
           "UseReverseDNS off\n"
           "TransferLog none\n"
           "SystemLog " +
           (dir / "system.log") +
           "\n"
           "RequireValidShell off\n"
           "User " +
           UserName() +
           "\n"
           "Group " +
           GroupName() +
           "\n"
           "RootLogin on\n"
           "<IfModule mod_ctrls.c>\n  ControlsEngine off\n</IfModule>\n"
           "<IfModule mod_delay.c>\n  DelayEngine off\n</IfModule>\n";
}

}  // namespace

std::string ScriptDir() { return testsupport::SourceDir() + "/tests/platform/ftp/"; }

PyFtpServer::PyFtpServer(const std::string& root, const Options& options)
    : m_port(testsupport::FreePort()) {
    std::vector<std::string> argv{kPython,  ScriptDir() + "pyftpd_launcher.py",
                                  "--port", std::to_string(m_port),
                                  "--root", root};
    if (!options.user.empty()) {
        argv.insert(argv.end(), {"--user", options.user, "--password", options.password});
    }
    if (options.anonymous) argv.push_back("--anonymous");
    if (!options.masquerade.empty()) argv.insert(argv.end(), {"--masquerade", options.masquerade});
    const std::string log = m_dir / "pyftpd.log";
    m_process = ChildProcess(argv, {}, log);
    AwaitPort(m_port, "pyftpdlib", log, m_process);
}

ProftpdServer::ProftpdServer(const std::string& root, const std::string& user,
                             const std::string& password)
    : m_port(testsupport::FreePort()) {
    testsupport::WriteFile(m_dir / "passwd", user + ":" + CryptHash(m_dir, password) + ":" +
                                                 std::to_string(::geteuid()) + ":" +
                                                 std::to_string(::getegid()) + "::" + root +
                                                 ":/bin/sh\n");
    testsupport::WriteFile(m_dir / "group",
                           "ftpusers:x:" + std::to_string(::getegid()) + ":" + user + "\n");
    ::chmod((m_dir / "passwd").c_str(), 0600);
    ::chmod((m_dir / "group").c_str(), 0600);
    testsupport::WriteFile(m_dir / "proftpd.conf", ProftpdCommonConfig(m_dir, m_port) +
                                                       "AuthOrder mod_auth_file.c\n"
                                                       "AuthUserFile " +
                                                       (m_dir / "passwd") +
                                                       "\n"
                                                       "AuthGroupFile " +
                                                       (m_dir / "group") +
                                                       "\n"
                                                       "ServerIdent on \"ProFTPD ready.\"\n");
    const std::string log = m_dir / "proftpd.log";
    m_process =
        ChildProcess({"/usr/sbin/proftpd", "-n", "-q", "-c", m_dir / "proftpd.conf"}, {}, log);
    AwaitPort(m_port, "proftpd", log, m_process);
}

ProftpdForwardProxy::ProftpdForwardProxy() : m_port(testsupport::FreePort()) {
    testsupport::RunCommand({"mkdir", "-p", m_dir / "tables"});
    testsupport::WriteFile(m_dir / "proftpd.conf",
                           "ModulePath /usr/lib/proftpd\n"
                           "LoadModule mod_proxy.c\n" +
                               ProftpdCommonConfig(m_dir, m_port) +
                               "ProxyEngine on\n"
                               "ProxyRole forward\n"
                               "ProxyForwardMethod user@host\n"
                               // Without it the proxy's own data connections to the
                               // server fail with EINVAL on loopback.
                               "ProxySourceAddress 127.0.0.1\n"
                               "ProxyTables " +
                               (m_dir / "tables") +
                               "\n"
                               "ProxyLog " +
                               (m_dir / "proxy.log") +
                               "\n"
                               "<Class loopback>\n"
                               "  From 127.0.0.1\n"
                               "  ProxyForwardEnabled on\n"
                               "</Class>\n");
    const std::string log = m_dir / "proftpd.log";
    // Debian's mod_proxy uses OpenSSL symbols that the core binary does not load.
    m_process = ChildProcess({"/usr/sbin/proftpd", "-n", "-q", "-c", m_dir / "proftpd.conf"},
                             {{"LD_PRELOAD", "libssl.so.3"}}, log);
    AwaitPort(m_port, "proftpd mod_proxy", log, m_process);
}

Socks5Proxy::Socks5Proxy(const std::string& user, const std::string& password)
    : m_port(testsupport::FreePort()) {
    std::vector<std::string> argv{"/usr/bin/microsocks", "-i", "127.0.0.1", "-p",
                                  std::to_string(m_port)};
    if (!user.empty()) argv.insert(argv.end(), {"-u", user, "-P", password});
    const std::string log = m_dir / "microsocks.log";
    m_process = ChildProcess(argv, {}, log);
    AwaitPort(m_port, "microsocks", log, m_process);
}

HttpConnectProxy::HttpConnectProxy(const std::string& user, const std::string& password)
    : m_port(testsupport::FreePort()) {
    std::string config = "Port " + std::to_string(m_port) +
                         "\n"
                         "Listen 127.0.0.1\n"
                         "Timeout 30\n"
                         "MaxClients 20\n"
                         "Allow 127.0.0.1\n"
                         "LogLevel Info\n"
                         "LogFile \"" +
                         (m_dir / "tinyproxy.log") +
                         "\"\n"
                         "PidFile \"" +
                         (m_dir / "tinyproxy.pid") + "\"\n";
    if (::geteuid() == 0) config += "User " + UserName() + "\nGroup " + GroupName() + "\n";
    if (!user.empty()) config += "BasicAuth " + user + " " + password + "\n";
    testsupport::WriteFile(m_dir / "tinyproxy.conf", config);
    const std::string log = m_dir / "tinyproxy.out";
    m_process = ChildProcess({"/usr/bin/tinyproxy", "-d", "-c", m_dir / "tinyproxy.conf"}, {}, log);
    AwaitPort(m_port, "tinyproxy", log, m_process);
}

std::string HttpConnectProxy::Log() const { return ReadLog(m_dir / "tinyproxy.log"); }

TcpRelay::TcpRelay(int targetPort) : m_port(testsupport::FreePort()) {
    const std::string log = m_dir / "socat.log";
    m_process =
        ChildProcess({"/usr/bin/socat",
                      "TCP-LISTEN:" + std::to_string(m_port) + ",bind=127.0.0.1,fork,reuseaddr",
                      "TCP:127.0.0.1:" + std::to_string(targetPort)},
                     {}, log);
    AwaitPort(m_port, "socat", log, m_process);
}

}  // namespace ftptest
