// Every proxy method of the FTP client, against real proxies where Debian has one
// (ProFTPD mod_proxy, microsocks, tinyproxy, socat) and a scripted proxy otherwise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ftp_test_servers.h"
#include "platform/ftp/ftp_client.h"
#include "scripted_ftp_server.h"

using platform::FtpClient;
using platform::FtpError;
using platform::FtpProxyMethod;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

class ProxyTest : public testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteFile(m_root / "price.zip", m_content);
        m_server = std::make_unique<ftptest::PyFtpServer>(m_root.Path());
        auto& s = m_client.Settings();
        s.host = "127.0.0.1";
        s.port = m_server->Port();
        s.userName = "bob";
        s.password = "secret";
        s.connectTimeout = std::chrono::seconds(5);
        s.idleTimeout = std::chrono::seconds(5);
    }

    void Fetch() {
        m_client.Connect();
        m_client.SetBinaryType();
        EXPECT_THAT(m_client.List("price.zip"), HasSubstr("price.zip"));
        m_client.Get("price.zip", m_local / "price.zip");
        EXPECT_EQ(testsupport::ReadFile(m_local / "price.zip"), m_content);
        m_client.Disconnect();
    }

    void UseProxy(FtpProxyMethod method, int port, const std::string& user = "",
                  const std::string& password = "") {
        m_client.Settings().proxy = {"127.0.0.1", port, user, password, method};
    }

    testsupport::TempDir m_root, m_local;
    std::string m_content = std::string(100000, 'p') + "\r\n\x1a\0end";
    std::unique_ptr<ftptest::PyFtpServer> m_server;
    FtpClient m_client;
};

}  // namespace

TEST_F(ProxyTest, UserAtHostThroughProftpdForwardProxy) {
    ftptest::ProftpdForwardProxy proxy;
    UseProxy(FtpProxyMethod::UserPass, proxy.Port());
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        m_client.Settings().passive = passive;
        Fetch();
    }
}

TEST_F(ProxyTest, TransparentThroughSocatRelay) {
    ftptest::TcpRelay relay(m_server->Port());
    UseProxy(FtpProxyMethod::Transparent, relay.Port());
    // Passive data connections go to the relay's address with the server's port, which on
    // loopback is the server itself.
    Fetch();
}

TEST_F(ProxyTest, Socks5WithAndWithoutPassword) {
    struct Case {
        std::string user, password;
        bool passive;
    };
    for (const Case& c :
         {Case{"", "", true}, Case{"sock", "s3cret", true}, Case{"sock", "s3cret", false}}) {
        SCOPED_TRACE(c.user + (c.passive ? " passive" : " active asked"));
        ftptest::Socks5Proxy proxy(c.user, c.password);
        auto& socks = m_client.Settings().socks5;
        socks = {true, "127.0.0.1", proxy.Port(), c.user, c.password};
        m_client.Settings().passive = c.passive;  // active mode needs BIND: passive is used
        Fetch();
    }
}

TEST_F(ProxyTest, Socks5WrongPasswordIsRefused) {
    ftptest::Socks5Proxy proxy("sock", "s3cret");
    m_client.Settings().socks5 = {true, "127.0.0.1", proxy.Port(), "sock", "wrong"};
    EXPECT_THAT([&] { m_client.Connect(); },
                testing::ThrowsMessage<FtpError>(
                    HasSubstr("(127.0.0.1, соединение): прокси SOCKS 5 127.0.0.1:")));
    EXPECT_FALSE(m_client.Connected());
}

TEST_F(ProxyTest, HttpConnectThroughTinyproxy) {
    ftptest::HttpConnectProxy proxy("web", "pw");
    UseProxy(FtpProxyMethod::HttpProxyWithFtp, proxy.Port(), "web", "pw");
    m_client.Settings().passive = false;  // only passive works through CONNECT
    Fetch();
    EXPECT_THAT(proxy.Log(), HasSubstr("CONNECT"));
}

TEST_F(ProxyTest, HttpConnectWithoutCredentialsGets407) {
    ftptest::HttpConnectProxy proxy("web", "pw");
    UseProxy(FtpProxyMethod::HttpProxyWithFtp, proxy.Port());
    EXPECT_THAT([&] { m_client.Connect(); },
                testing::ThrowsMessage<FtpError>(HasSubstr("прокси требует авторизации: HTTP/1.")));
}

// The login sequences that no Debian package serves, each checked command by command by a
// scripted proxy that then acts as the server.
TEST(ScriptedProxyLogin, ExactCommandSequences) {
    struct Case {
        FtpProxyMethod method;
        std::string proxyUser;
        int serverPort;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {FtpProxyMethod::UserSite,
         "pu",
         21,
         {"USER pu", "PASS pp", "USER bob@ftp.example", "PASS secret", "TYPE I"}},
        {FtpProxyMethod::Site,
         "pu",
         2121,
         {"USER pu", "PASS pp", "SITE ftp.example:2121", "USER bob", "PASS secret", "TYPE I"}},
        {FtpProxyMethod::Open,
         "pu",
         21,
         {"USER pu", "PASS pp", "OPEN ftp.example", "USER bob", "PASS secret", "TYPE I"}},
        {FtpProxyMethod::Open, "", 21, {"OPEN ftp.example", "USER bob", "PASS secret", "TYPE I"}},
        {FtpProxyMethod::UserPass,
         "",
         2121,
         {"USER bob@ftp.example:2121", "PASS secret", "TYPE I"}},
        {FtpProxyMethod::Transparent,
         "pu",
         21,
         {"USER pu", "PASS pp", "USER bob", "PASS secret", "TYPE I"}},
        {FtpProxyMethod::Transparent, "", 21, {"USER bob", "PASS secret", "TYPE I"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.front());
        ftptest::ScriptedFtpServer proxy([](ftptest::ScriptedSession& s) {
            s.Reply("220 Proxy ready.");
            s.ServeStandard([](ftptest::ScriptedSession& session, const std::string& command) {
                if (command.rfind("SITE ", 0) == 0 || command.rfind("OPEN ", 0) == 0) {
                    session.Reply("220-Connected to the server.\r\n220 Ready.");
                    return true;
                }
                return false;
            });
        });
        FtpClient client;
        auto& s = client.Settings();
        s.host = "ftp.example";  // only the proxy resolves it; never looked up here
        s.port = c.serverPort;
        s.userName = "bob";
        s.password = "secret";
        s.proxy = {"127.0.0.1", proxy.Port(), c.proxyUser, c.proxyUser.empty() ? "" : "pp",
                   c.method};
        client.Connect();
        client.SetBinaryType();
        client.Disconnect();
        auto commands = proxy.Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.back(), "QUIT");
        commands.pop_back();
        EXPECT_EQ(commands, c.expected);
    }
}

TEST(ScriptedProxyLogin, RefusedSiteCommandNamesTheReply) {
    ftptest::ScriptedFtpServer proxy([](ftptest::ScriptedSession& s) {
        s.Reply("220 Proxy ready.");
        s.Expect("USER pu", "331 Password.");
        s.Expect("PASS pp", "230 Proxy login ok.");
        s.Expect("SITE ftp.example", "530 Host unknown.");
        s.ServeStandard();
    });
    FtpClient client;
    auto& s = client.Settings();
    s.host = "ftp.example";
    s.userName = "bob";
    s.proxy = {"127.0.0.1", proxy.Port(), "pu", "pp", FtpProxyMethod::Site};
    EXPECT_THAT([&] { client.Connect(); },
                testing::ThrowsMessage<FtpError>(
                    HasSubstr("Ошибка FTP (ftp.example, вход в систему): 530 Host unknown.")));
    EXPECT_TRUE(proxy.Failures().empty());
}

TEST(ScriptedProxyLogin, RefusedProxyLoginNamesTheProxyStep) {
    ftptest::ScriptedFtpServer proxy([](ftptest::ScriptedSession& s) {
        s.Reply("220 Proxy ready.");
        s.Expect("USER pu", "530 Not you.");
    });
    FtpClient client;
    auto& s = client.Settings();
    s.host = "ftp.example";
    s.proxy = {"127.0.0.1", proxy.Port(), "pu", "pp", FtpProxyMethod::UserSite};
    EXPECT_THAT([&] { client.Connect(); },
                testing::ThrowsMessage<FtpError>(
                    HasSubstr("(ftp.example, вход на прокси-сервер): 530 Not you.")));
}
