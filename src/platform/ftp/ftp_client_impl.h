// Inside of FtpClient, shared by its two source files: the event loop that waits while
// pumping, the TCP streams (direct, SOCKS 5, HTTP CONNECT) and the FTP protocol steps.
#pragma once

#define ASIO_STANDALONE 1
#include <array>
#include <asio.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ftp/ftp_client.h"
#include "platform/ftp/ftp_reply.h"

namespace platform {

namespace ftpwire {

using Clock = std::chrono::steady_clock;

// One asynchronous read; shared with its handler so that an abandoned read stays safe.
struct ReadOp {
    bool done = false;
    asio::error_code error;
    size_t size = 0;
    std::array<char, 64 * 1024> buffer;
};

// One TCP stream and the bytes received on it that nobody has taken yet.
struct Channel {
    explicit Channel(asio::io_context& io) : socket(io) {}
    asio::ip::tcp::socket socket;
    std::string in;
    bool eof = false;
    std::shared_ptr<ReadOp> pending;  // a read in flight, reused by the next reader
};

enum class Limit { Connect, Idle };

// Adds a text in front of every error detail while it lives (names a proxy, a data
// connection).
class DetailScope {
public:
    DetailScope(std::string& prefix, const std::string& text) : m_prefix(prefix), m_old(prefix) {
        m_prefix += text;
    }
    ~DetailScope() { m_prefix = m_old; }
    DetailScope(const DetailScope&) = delete;
    DetailScope& operator=(const DetailScope&) = delete;

private:
    std::string& m_prefix;
    std::string m_old;
};

}  // namespace ftpwire

struct FtpClient::Impl {
    using Channel = ftpwire::Channel;
    using Limit = ftpwire::Limit;
    using FtpReply = ftpwire::FtpReply;

    FtpSettings settings;
    Pump pump;
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    asio::ip::tcp::resolver resolver{io};
    std::unique_ptr<Channel> control;
    std::unique_ptr<Channel> data;
    std::unique_ptr<asio::ip::tcp::acceptor> acceptor;
    // Closed streams are kept until their aborted handlers have run.
    std::vector<std::unique_ptr<Channel>> graveyard;

    bool connected = false;
    bool cancelRequested = false;
    int waiting = 0;  // depth of RunUntil; >0 while a call blocks
    bool epsvRefused = false;
    std::string step;          // what the current call does, for error texts
    std::string detailPrefix;  // names a proxy while talking to it
    ftpwire::Clock::time_point lastProgress;
    ftpwire::Clock::time_point connectDeadline;
    ftpwire::Clock::time_point nextPump;  // when the pump is due next
    std::optional<std::chrono::milliseconds> idleOverride;

    // --- errors (ftp_network.cpp)
    [[noreturn]] void Fail(const std::string& detail);
    [[noreturn]] void FailReply(const FtpReply& reply);
    [[noreturn]] void FailNetwork(const std::string& what, const asio::error_code& error);

    // --- waiting and streams (ftp_network.cpp)
    void BeginCall(const std::string& stepText);
    void RunUntil(const std::function<bool()>& done, Limit limit);
    void CloseAll();
    void CloseData();
    std::shared_ptr<ftpwire::ReadOp> StartRead(Channel& channel);
    void FinishRead(Channel& channel);  // takes a finished read into channel.in / eof
    void ReadSome(Channel& channel, Limit limit);
    std::string ReadExact(Channel& channel, size_t count, Limit limit);
    void WriteAll(Channel& channel, const std::string& bytes, Limit limit);
    void OpenTcp(Channel& channel, const std::string& host, int port);
    void Socks5Connect(Channel& channel, const std::string& host, int port);
    void HttpConnect(Channel& channel, const std::string& host, int port);
    // Opens a stream to host:port the way the settings say (SOCKS 5, HTTP proxy, direct).
    void OpenStream(Channel& channel, const std::string& host, int port);

    // --- protocol (ftp_client.cpp)
    bool ThroughFtpProxy() const;
    bool ThroughHttpProxy() const;
    std::optional<FtpReply> TryTakeReply();  // a whole buffered reply, if there is one
    FtpReply ReadReply();
    FtpReply Command(const std::string& line);
    void ExpectCompletion(const FtpReply& reply);
    void Greeting();
    void LogIn(const std::string& user, const std::string& password);
    void ProxyLogIn();
    void OpenDataPassive();
    void PrepareDataActive();
    using Sink = std::function<void(const char* bytes, size_t size)>;
    struct TransferState {
        std::optional<FtpReply> final;
        bool dataDone = false;
        unsigned long long received = 0;
        std::optional<unsigned long long> announced;
    };
    void Transfer(const std::string& command, const Sink& sink);
    void RunTransfer(TransferState& state, const Sink& sink);
    void TakeFinalReply(TransferState& state);
    void RequireIdle();
};

}  // namespace platform
