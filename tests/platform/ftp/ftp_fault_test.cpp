// The FTP client against a scripted server that misbehaves on purpose: odd reply framing,
// bad data addresses, broken transfers, silence, and cancelling from the pump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/ftp/ftp_client.h"
#include "scripted_ftp_server.h"
#include "test_support.h"

using ftptest::ScriptedFtpServer;
using ftptest::ScriptedSession;
using platform::FtpClient;
using platform::FtpError;
using testing::HasSubstr;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kShort = std::chrono::milliseconds(400);

void Configure(FtpClient& client, int port) {
    auto& s = client.Settings();
    s.host = "127.0.0.1";
    s.port = port;
    s.userName = "bob";
    s.password = "secret";
    s.connectTimeout = kShort;
    s.idleTimeout = kShort;
}

// A server that greets and logs in normally and hands every later command to `onCommand`
// before the standard answer.
ScriptedFtpServer::Script Serving(ScriptedSession::Override onCommand) {
    return [onCommand](ScriptedSession& s) {
        s.Reply("220 Ready.");
        s.ServeStandard(onCommand);
    };
}

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const FtpError& error) {
        return error.what();
    }
    return "<no error>";
}

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(FtpFraming, MultiLineRepliesAndSeveralRepliesInOnePacket) {
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.Send("220-Welcome to the\r\n220-scripted server\n220 Ready.\r\n");
        s.Expect("USER bob", "");
        // The answers to USER and PASS arrive together, before PASS was even sent.
        s.Send("331 Password required.\r\n230-Hello\n 230 not the end\n230 Logged in.\n");
        s.Expect("PASS secret", "");
        s.ServeStandard([](ScriptedSession& session, const std::string& command) {
            if (command != "RETR a.bin") return false;
            session.OpenData();
            // Preliminary and final reply in one packet, before any data: the client must
            // go on reading the data connection to its end.
            session.Send("150 Opening (6 bytes).\r\n226 Transfer complete.\r\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            session.SendData("abc\r\nd");
            session.CloseData();
            return true;
        });
    });
    FtpClient client;
    Configure(client, server.Port());
    client.Connect();
    client.SetBinaryType();
    testsupport::TempDir local;
    client.Get("a.bin", local / "a.bin");
    EXPECT_EQ(testsupport::ReadFile(local / "a.bin"), "abc\r\nd");
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(FtpFraming, BrokenRepliesEndTheConnection) {
    struct Case {
        std::string greeting;
        std::string expected;
    };
    const Case cases[] = {
        {"hello there\r\n", "соединение): неверный ответ сервера: \"hello there\""},
        {"220 " + std::string(10000, 'x'), "слишком длинная строка ответа сервера"},
        {"421 Too many users, closing.\r\n", "(127.0.0.1, соединение): 421 Too many users"},
        {"530 Not welcome.\r\n", "(127.0.0.1, соединение): 530 Not welcome."},
    };
    for (const Case& c : cases) {
        ScriptedFtpServer server([&](ScriptedSession& s) {
            s.Send(c.greeting);
            s.ReadCommand(2000);
        });
        FtpClient client;
        Configure(client, server.Port());
        EXPECT_THAT(ErrorOf([&] { client.Connect(); }), HasSubstr(c.expected));
        EXPECT_FALSE(client.Connected());
    }
}

TEST(FtpFraming, ServiceClosingInsteadOfAnyReply) {
    ScriptedFtpServer server(Serving([](ScriptedSession& s, const std::string& command) {
        if (command != "TYPE I") return false;
        s.Reply("421 Timeout, closing control connection.");
        s.CloseControl();
        return true;
    }));
    FtpClient client;
    Configure(client, server.Port());
    client.Connect();
    EXPECT_THAT(ErrorOf([&] { client.SetBinaryType(); }),
                HasSubstr("(127.0.0.1, выбор двоичного режима передачи): 421 Timeout"));
    EXPECT_FALSE(client.Connected());
}

TEST(FtpPassive, PasvRepliesAfterRefusedEpsv) {
    struct Case {
        std::string pasv;      // empty: a real data listener named as 10.255.255.1
        std::string expected;  // empty: the transfer works
    };
    const Case cases[] = {
        {"", ""},
        {"227 Entering Passive Mode.",
         "неверный адрес в ответе на PASV: 227 Entering Passive Mode."},
        {"227 Entering Passive Mode (127,0,0,1,256,1).", "неверный адрес в ответе на PASV"},
        {"227 Entering Passive Mode (127,0,0,999,4,1).", "неверный адрес в ответе на PASV"},
        {"502 PASV not here either.", "(127.0.0.1, получение списка файлов *): 502 PASV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pasv);
        ScriptedFtpServer server(Serving([&](ScriptedSession& s, const std::string& command) {
            if (command == "EPSV") {
                s.Reply("500 EPSV not understood.");
            } else if (command == "PASV" && c.pasv.empty()) {
                const int port = s.ListenData();
                s.Reply("227 Entering Passive Mode (10,255,255,1," + std::to_string(port / 256) +
                        "," + std::to_string(port % 256) + ").");
            } else if (command == "PASV") {
                s.Reply(c.pasv);
            } else {
                return false;
            }
            return true;
        }));
        server.SetFile("a.txt", "x");
        FtpClient client;
        Configure(client, server.Port());
        client.Connect();
        if (c.expected.empty()) {
            EXPECT_THAT(client.List("*"), HasSubstr("a.txt"));
            // EPSV is not asked again once refused.
            EXPECT_THAT(client.List("*"), HasSubstr("a.txt"));
            const auto commands = server.Commands();
            EXPECT_EQ(std::count(commands.begin(), commands.end(), "EPSV"), 1);
        } else {
            EXPECT_THAT(ErrorOf([&] { client.List("*"); }), HasSubstr(c.expected));
            EXPECT_TRUE(client.Connected());  // nothing was left unanswered
        }
    }
}

TEST(FtpPassive, RefusedDataConnection) {
    const int deadPort = testsupport::FreePort();
    ScriptedFtpServer server(Serving([&](ScriptedSession& s, const std::string& command) {
        if (command != "EPSV") return false;
        s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(deadPort) + "|)");
        return true;
    }));
    FtpClient client;
    Configure(client, server.Port());
    client.Connect();
    EXPECT_THAT(ErrorOf([&] { client.List(""); }),
                HasSubstr("соединение для передачи данных: не удалось соединиться с 127.0.0.1:" +
                          std::to_string(deadPort) + ": в соединении отказано"));
}

TEST(FtpActive, ServerCannotConnectBack) {
    ScriptedFtpServer server(Serving([](ScriptedSession& s, const std::string& command) {
        if (command.rfind("LIST", 0) != 0) return false;
        s.Reply("425 Can't open data connection.");
        return true;
    }));
    FtpClient client;
    Configure(client, server.Port());
    client.Settings().passive = false;
    client.Connect();
    EXPECT_THAT(ErrorOf([&] { client.List(""); }), HasSubstr("425 Can't open data connection."));
    EXPECT_TRUE(client.Connected());
    EXPECT_THAT(server.Commands(), testing::Contains(testing::StartsWith("PORT 127,0,0,1,")));
}

TEST(FtpTransfer, BrokenTransfersFail) {
    struct Case {
        std::string name;
        std::function<void(ScriptedSession&)> retr;  // after the data connection is open
        std::string expected;
        bool staysConnected;
    };
    const std::vector<Case> cases = {
        {"426 after part of the data",
         [](ScriptedSession& s) {
             s.Reply("150 Opening (1000 bytes).");
             s.SendData(std::string(300, 'a'));
             s.CloseData();
             s.Reply("426 Connection closed; transfer aborted.");
         },
         "загрузка файла a.bin): 426 Connection closed", true},
        {"451 after the preliminary reply",
         [](ScriptedSession& s) {
             s.Reply("150 Opening.");
             s.CloseData();
             s.Reply("451 Local error in processing.");
         },
         "451 Local error", true},
        {"226 but less than announced",
         [](ScriptedSession& s) {
             s.Reply("150 Opening BINARY mode data connection for a.bin (1000 bytes).");
             s.SendData(std::string(300, 'a'));
             s.CloseData();
             s.Reply("226 Transfer complete.");
         },
         "передача прервана: получено 300 байт из 1000", true},
        {"control connection dropped in the middle",
         [](ScriptedSession& s) {
             s.Reply("150 Opening (1000 bytes).");
             s.SendData(std::string(300, 'a'));
             s.CloseControl();
         },
         "сервер закрыл соединение", false},
        {"data never ends",
         [](ScriptedSession& s) {
             s.Reply("150 Opening.");
             s.SendData("partial");
             std::this_thread::sleep_for(std::chrono::milliseconds(1500));
         },
         "нет ответа в течение 0,4 с", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFtpServer server(Serving([&](ScriptedSession& s, const std::string& command) {
            if (command != "RETR a.bin") return false;
            if (s.OpenData()) c.retr(s);
            return true;
        }));
        FtpClient client;
        Configure(client, server.Port());
        client.Connect();
        testsupport::TempDir local;
        const auto start = Clock::now();
        EXPECT_THAT(ErrorOf([&] { client.Get("a.bin", local / "a.bin"); }), HasSubstr(c.expected));
        EXPECT_LT(MsSince(start), 1200);
        EXPECT_EQ(client.Connected(), c.staysConnected);
    }
}

TEST(FtpTimeouts, SilentServerAndEndlessListing) {
    ScriptedFtpServer silent([](ScriptedSession& s) { s.ReadCommand(1500); });
    FtpClient client;
    Configure(client, silent.Port());
    auto start = Clock::now();
    EXPECT_THAT(ErrorOf([&] { client.Connect(); }),
                HasSubstr("(127.0.0.1, соединение): нет ответа в течение 0,4 с"));
    EXPECT_LT(MsSince(start), 1000);

    // A listing that keeps trickling in is progress; one that stalls is not.
    ScriptedFtpServer stalling(Serving([](ScriptedSession& s, const std::string& command) {
        if (command.rfind("LIST", 0) != 0) return false;
        s.OpenData();
        s.Reply("150 Here comes the listing.");
        s.SendDataSlowly(std::string(20, 'x'), 1, 100);  // 2 s, never idle for 0.4 s
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return true;
    }));
    FtpClient lister;
    Configure(lister, stalling.Port());
    lister.Connect();
    start = Clock::now();
    EXPECT_THAT(ErrorOf([&] { lister.List(""); }), HasSubstr("нет ответа в течение 0,4 с"));
    EXPECT_GE(MsSince(start), 1900);
    EXPECT_LT(MsSince(start), 3500);
}

TEST(FtpPump, RunsWhileWaitingAndCancelCutsTheTransferOff) {
    ScriptedFtpServer server(Serving([](ScriptedSession& s, const std::string& command) {
        if (command != "RETR slow.bin") return false;
        s.OpenData();
        s.Reply("150 Opening (100000 bytes).");
        s.SendDataSlowly(std::string(100000, 's'), 10, 20);
        return true;
    }));
    for (bool viaDisconnect : {false, true}) {
        SCOPED_TRACE(viaDisconnect ? "Disconnect from the pump" : "Cancel from the pump");
        FtpClient client;
        Configure(client, server.Port());
        client.Settings().idleTimeout = std::chrono::seconds(10);
        client.Connect();
        auto start = Clock::now();
        auto last = start;
        long long longestGap = 0;
        Clock::time_point cancelledAt;
        client.SetPump([&] {
            const auto now = Clock::now();
            longestGap = std::max<long long>(
                longestGap,
                std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
            last = now;
            if (now - start > std::chrono::milliseconds(500) &&
                cancelledAt == Clock::time_point{}) {
                cancelledAt = now;
                viaDisconnect ? client.Disconnect() : client.Cancel();
            }
        });
        testsupport::TempDir local;
        EXPECT_THAT(
            ErrorOf([&] { client.Get("slow.bin", local / "slow.bin"); }),
            HasSubstr("(127.0.0.1, загрузка файла slow.bin): операция прервана пользователем"));
        EXPECT_LT(MsSince(cancelledAt), 200);
        EXPECT_LE(longestGap, 120);  // every 50 ms, with slack for a loaded machine
        EXPECT_FALSE(client.Connected());
        client.Disconnect();
        // The client connects again after a cancel.
        client.SetPump({});
        client.Connect();
        EXPECT_TRUE(client.Connected());
    }
}

TEST(FtpCommands, LineBreaksInArgumentsAreRefused) {
    ScriptedFtpServer server;
    FtpClient client;
    Configure(client, server.Port());
    client.Connect();
    testsupport::TempDir local;
    EXPECT_THAT(ErrorOf([&] { client.Get("a\r\nDELE b", local / "x"); }),
                HasSubstr("недопустимый перевод строки в команде"));
    EXPECT_THAT(server.Commands(), testing::Not(testing::Contains("DELE b")));
}
