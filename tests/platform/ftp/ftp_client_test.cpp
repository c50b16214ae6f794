// The FTP client against real servers started on 127.0.0.1: pyftpdlib and ProFTPD.
#include "platform/ftp/ftp_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ftp_test_servers.h"

using platform::FtpClient;
using platform::FtpError;
using testing::HasSubstr;

namespace {

// A file whose every byte value appears, so that any text-mode mangling shows.
std::string BinaryContent(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    for (size_t i = 0; i + 1 < size; i += 97) bytes[i] = '\r', bytes[i + 1] = '\n';
    return bytes;
}

void Configure(FtpClient& client, int port, bool passive) {
    auto& s = client.Settings();
    s.host = "127.0.0.1";
    s.port = port;
    s.userName = "bob";
    s.password = "secret";
    s.passive = passive;
    s.connectTimeout = std::chrono::seconds(5);
    s.idleTimeout = std::chrono::seconds(5);
}

// Connects, lists, fetches a binary file over an existing local file, disconnects.
// pyftpdlib answers a wildcard in LIST with 550, so `pattern` may differ per server.
void RoundTrip(FtpClient& client, const testsupport::TempDir& local, const std::string& content,
               const std::string& pattern) {
    client.Connect();
    EXPECT_TRUE(client.Connected());
    client.SetBinaryType();
    const std::string listing = client.List(pattern);
    EXPECT_THAT(listing, HasSubstr("price.zip"));
    EXPECT_THAT(listing, testing::Not(HasSubstr("other.txt")));
    testsupport::WriteFile(local / "price.zip", std::string(3 * content.size(), 'o'));
    client.Get("price.zip", local / "price.zip");
    EXPECT_EQ(testsupport::ReadFile(local / "price.zip"), content);
    client.Disconnect();
    EXPECT_FALSE(client.Connected());
    client.Disconnect();  // harmless when closed
}

class RealServers : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        testsupport::WriteFile(m_root / "price.zip", m_content);
        testsupport::WriteFile(m_root / "other.txt", "x");
    }
    testsupport::TempDir m_root;
    testsupport::TempDir m_local;
    std::string m_content = BinaryContent(300 * 1024 + 17);
};

}  // namespace

TEST_P(RealServers, PyFtpdlibRoundTrip) {
    ftptest::PyFtpServer server(m_root.Path());
    FtpClient client;
    Configure(client, server.Port(), GetParam());
    RoundTrip(client, m_local, m_content, "price.zip");
}

TEST_P(RealServers, ProftpdRoundTrip) {
    ftptest::ProftpdServer server(m_root.Path(), "bob", "secret");
    FtpClient client;
    Configure(client, server.Port(), GetParam());
    RoundTrip(client, m_local, m_content, "price.zip*");
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, RealServers, testing::Bool(),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(FtpClientLogin, RefusedLoginCarriesTheReply) {
    testsupport::TempDir root;
    ftptest::PyFtpServer server(root.Path());
    FtpClient client;
    Configure(client, server.Port(), true);
    client.Settings().password = "wrong";
    try {
        client.Connect();
        FAIL() << "login accepted";
    } catch (const FtpError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Ошибка FTP (127.0.0.1, вход в систему): 530"));
        EXPECT_THAT(error.what(), HasSubstr("Authentication failed."));
    }
    EXPECT_FALSE(client.Connected());
}

TEST(FtpClientLogin, AnonymousServerAcceptsUserWithoutPassword) {
    testsupport::TempDir root;
    testsupport::WriteFile(root / "a.txt", "anonymous data");
    ftptest::PyFtpServer server(root.Path(),
                                {.user = "", .password = "", .anonymous = true, .masquerade = ""});
    FtpClient client;
    Configure(client, server.Port(), true);
    client.Settings().userName = "anonymous";
    client.Settings().password = "guest@example.com";
    client.Connect();
    testsupport::TempDir local;
    client.Get("a.txt", local / "a.txt");
    EXPECT_EQ(testsupport::ReadFile(local / "a.txt"), "anonymous data");
}

TEST(FtpClientErrors, MissingFileAndNoConnection) {
    testsupport::TempDir root, local;
    ftptest::PyFtpServer server(root.Path());
    FtpClient client;
    Configure(client, server.Port(), true);
    EXPECT_THAT([&] { client.List("*"); },
                testing::ThrowsMessage<FtpError>(HasSubstr("нет соединения с сервером")));
    client.Connect();
    testsupport::WriteFile(local / "keep.bin", "old");
    EXPECT_THAT([&] { client.Get("missing.zip", local / "keep.bin"); },
                testing::ThrowsMessage<FtpError>(
                    HasSubstr("(127.0.0.1, загрузка файла missing.zip): 550")));
    // A refused RETR leaves the connection usable.
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.List(""), "");
}

TEST(FtpClientErrors, NothingListensOnThePort) {
    FtpClient client;
    Configure(client, testsupport::FreePort(), true);
    EXPECT_THAT([&] { client.Connect(); },
                testing::ThrowsMessage<FtpError>(
                    HasSubstr("(127.0.0.1, соединение): не удалось соединиться с 127.0.0.1:")));
    EXPECT_FALSE(client.Connected());
}
