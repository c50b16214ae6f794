// The waiting loop and the streams of FtpClient: direct TCP, SOCKS 5 (with user name and
// password authentication) and HTTP CONNECT.
#include <cstdio>

#include "platform/ftp/ftp_client_impl.h"

namespace platform {

using ftpwire::Clock;
using ftpwire::DetailScope;
using ftpwire::ReadOp;

namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(50);
constexpr size_t kMaxProxyHeader = 16 * 1024;

std::string Seconds(std::chrono::milliseconds limit) {
    const auto ms = limit.count();
    if (ms % 1000 == 0) return std::to_string(ms / 1000) + " с";
    char text[32];
    std::snprintf(text, sizeof text, "%lld,%lld с", static_cast<long long>(ms / 1000),
                  static_cast<long long>((ms % 1000) / 100));
    return text;
}

std::string NetworkText(const asio::error_code& error) {
    namespace e = asio::error;
    if (error == e::connection_refused) return "в соединении отказано";
    if (error == e::timed_out) return "истекло время ожидания";
    if (error == e::host_not_found || error == e::host_not_found_try_again || error == e::no_data)
        return "узел не найден";
    if (error == e::connection_reset) return "соединение сброшено";
    if (error == e::connection_aborted || error == e::broken_pipe) return "соединение разорвано";
    if (error == e::eof) return "соединение закрыто";
    if (error == e::network_unreachable) return "сеть недоступна";
    if (error == e::host_unreachable) return "узел недоступен";
    if (error == e::operation_aborted) return "операция прервана";
    return error.message();
}

std::string Base64(const std::string& bytes) {
    static const char* alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += alphabet[(v >> s) & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string SocksReplyText(unsigned char code) {
    switch (code) {
        case 1:
            return "общий сбой";
        case 2:
            return "соединение запрещено правилами";
        case 3:
            return "сеть недоступна";
        case 4:
            return "узел недоступен";
        case 5:
            return "в соединении отказано";
        case 6:
            return "истекло время жизни";
        case 7:
            return "команда не поддерживается";
        case 8:
            return "тип адреса не поддерживается";
        default:
            return "ошибка " + std::to_string(code);
    }
}

std::string HostPort(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace

void FtpClient::Impl::Fail(const std::string& detail) {
    throw FtpError("Ошибка FTP (" + settings.host + ", " + step + "): " + detailPrefix + detail);
}

void FtpClient::Impl::FailReply(const FtpReply& reply) { Fail(reply.Text()); }

void FtpClient::Impl::FailNetwork(const std::string& what, const asio::error_code& error) {
    Fail(what.empty() ? NetworkText(error) : what + ": " + NetworkText(error));
}

void FtpClient::Impl::BeginCall(const std::string& stepText) {
    if (waiting > 0) {
        step = stepText;
        Fail("клиент занят другой операцией");
    }
    step = stepText;
    detailPrefix.clear();
    cancelRequested = false;
    nextPump = Clock::now() + kPumpInterval;
    while (io.poll() > 0) {
    }
    graveyard.clear();
}

// Runs the event loop in slices, calling the pump at least every kPumpInterval, until
// done() holds. Cancel and the time limits close every socket and fail the call.
void FtpClient::Impl::RunUntil(const std::function<bool()>& done, Limit limit) {
    const auto idle = idleOverride.value_or(settings.idleTimeout);
    lastProgress = Clock::now();
    // The pump's clock runs across the waits of one call: a stream of short waits must
    // not starve it.
    if (nextPump == Clock::time_point{}) nextPump = lastProgress + kPumpInterval;
    ++waiting;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{waiting};
    for (;;) {
        if (cancelRequested) {
            CloseAll();
            Fail("операция прервана пользователем");
        }
        if (done()) break;
        const auto now = Clock::now();
        const auto deadline = limit == Limit::Connect ? connectDeadline : lastProgress + idle;
        if (now >= deadline) {
            CloseAll();
            Fail(limit == Limit::Connect
                     ? "не удалось соединиться за " + Seconds(settings.connectTimeout)
                     : "нет ответа в течение " + Seconds(idle));
        }
        if (now >= nextPump) {
            if (pump) pump();
            nextPump = Clock::now() + kPumpInterval;
            continue;
        }
        io.run_one_for(std::min(nextPump, deadline) - now);
    }
}

void FtpClient::Impl::CloseData() {
    asio::error_code ignored;
    if (data) {
        data->socket.close(ignored);
        graveyard.push_back(std::move(data));
    }
    if (acceptor) acceptor->close(ignored);
    acceptor.reset();
    // Closing makes the pending operations complete at once; let their handlers run.
    while (io.poll() > 0) {
    }
}

void FtpClient::Impl::CloseAll() {
    asio::error_code ignored;
    resolver.cancel();
    if (control) {
        control->socket.close(ignored);
        graveyard.push_back(std::move(control));
    }
    CloseData();
    connected = false;
}

std::shared_ptr<ReadOp> FtpClient::Impl::StartRead(Channel& channel) {
    if (channel.pending) return channel.pending;
    auto op = std::make_shared<ReadOp>();
    channel.pending = op;
    channel.socket.async_read_some(asio::buffer(op->buffer),
                                   [this, op](const asio::error_code& error, size_t size) {
                                       op->error = error;
                                       op->size = size;
                                       op->done = true;
                                       if (size > 0) lastProgress = Clock::now();
                                   });
    return op;
}

void FtpClient::Impl::FinishRead(Channel& channel) {
    const auto op = channel.pending;
    channel.pending.reset();
    channel.in.append(op->buffer.data(), op->size);
    if (op->error == asio::error::eof) {
        channel.eof = true;
    } else if (op->error) {
        FailNetwork("", op->error);
    }
}

void FtpClient::Impl::ReadSome(Channel& channel, Limit limit) {
    const auto op = StartRead(channel);
    RunUntil([&] { return op->done; }, limit);
    FinishRead(channel);
}

std::string FtpClient::Impl::ReadExact(Channel& channel, size_t count, Limit limit) {
    while (channel.in.size() < count) {
        if (channel.eof) Fail("соединение закрыто");
        ReadSome(channel, limit);
    }
    std::string bytes = channel.in.substr(0, count);
    channel.in.erase(0, count);
    return bytes;
}

void FtpClient::Impl::WriteAll(Channel& channel, const std::string& bytes, Limit limit) {
    struct WriteOp {
        bool done = false;
        asio::error_code error;
        std::string bytes;
    };
    auto op = std::make_shared<WriteOp>();
    op->bytes = bytes;
    asio::async_write(channel.socket, asio::buffer(op->bytes),
                      [this, op](const asio::error_code& error, size_t) {
                          op->error = error;
                          op->done = true;
                          lastProgress = Clock::now();
                      });
    RunUntil([&] { return op->done; }, limit);
    if (op->error) FailNetwork("", op->error);
}

void FtpClient::Impl::OpenTcp(Channel& channel, const std::string& host, int port) {
    struct ResolveOp {
        bool done = false;
        asio::error_code error;
        asio::ip::tcp::resolver::results_type results;
    };
    auto resolved = std::make_shared<ResolveOp>();
    resolver.async_resolve(
        host, std::to_string(port),
        [resolved](const asio::error_code& error, asio::ip::tcp::resolver::results_type results) {
            resolved->error = error;
            resolved->results = std::move(results);
            resolved->done = true;
        });
    RunUntil([&] { return resolved->done; }, Limit::Connect);
    const std::string where = "не удалось соединиться с " + HostPort(host, port);
    if (resolved->error) FailNetwork(where, resolved->error);

    struct ConnectOp {
        bool done = false;
        asio::error_code error;
    };
    auto connecting = std::make_shared<ConnectOp>();
    asio::async_connect(
        channel.socket, resolved->results,
        [connecting](const asio::error_code& error, const asio::ip::tcp::endpoint&) {
            connecting->error = error;
            connecting->done = true;
        });
    RunUntil([&] { return connecting->done; }, Limit::Connect);
    if (connecting->error) FailNetwork(where, connecting->error);
}

void FtpClient::Impl::Socks5Connect(Channel& channel, const std::string& host, int port) {
    const auto& socks = settings.socks5;
    DetailScope scope(detailPrefix, "прокси SOCKS 5 " + HostPort(socks.host, socks.port) + ": ");
    OpenTcp(channel, socks.host, socks.port);
    const bool withPassword = !socks.userName.empty();
    WriteAll(channel,
             withPassword ? std::string("\x05\x02\x00\x02", 4) : std::string("\x05\x01\x00", 3),
             Limit::Connect);
    const std::string choice = ReadExact(channel, 2, Limit::Connect);
    if (choice[0] != 5) Fail("неверный ответ прокси");
    if (choice[1] == 2 && withPassword) {
        if (socks.userName.size() > 255 || socks.password.size() > 255)
            Fail("слишком длинное имя пользователя или пароль");
        WriteAll(channel,
                 std::string(1, '\x01') + static_cast<char>(socks.userName.size()) +
                     socks.userName + static_cast<char>(socks.password.size()) + socks.password,
                 Limit::Connect);
        if (ReadExact(channel, 2, Limit::Connect)[1] != 0)
            Fail("неверное имя пользователя или пароль прокси");
    } else if (choice[1] != 0) {
        Fail("прокси не принял ни один способ входа");
    }
    std::string request("\x05\x01\x00", 3);
    asio::error_code notAddress;
    const auto address = asio::ip::make_address(host, notAddress);
    if (!notAddress && address.is_v4()) {
        const auto b = address.to_v4().to_bytes();
        request += '\x01' + std::string(b.begin(), b.end());
    } else if (!notAddress) {
        const auto b = address.to_v6().to_bytes();
        request += '\x04' + std::string(b.begin(), b.end());
    } else {
        if (host.size() > 255) Fail("слишком длинное имя узла");
        request += '\x03' + std::string(1, static_cast<char>(host.size())) + host;
    }
    request += static_cast<char>((port >> 8) & 0xFF);
    request += static_cast<char>(port & 0xFF);
    WriteAll(channel, request, Limit::Connect);
    const std::string head = ReadExact(channel, 4, Limit::Connect);
    if (head[0] != 5) Fail("неверный ответ прокси");
    if (head[1] != 0)
        Fail("не удалось соединиться с " + HostPort(host, port) + ": " +
             SocksReplyText(static_cast<unsigned char>(head[1])));
    size_t rest = 0;
    if (head[3] == 1)
        rest = 4 + 2;
    else if (head[3] == 4)
        rest = 16 + 2;
    else if (head[3] == 3)
        rest = static_cast<unsigned char>(ReadExact(channel, 1, Limit::Connect)[0]) + 2;
    else
        Fail("неверный ответ прокси");
    ReadExact(channel, rest, Limit::Connect);
}

void FtpClient::Impl::HttpConnect(Channel& channel, const std::string& host, int port) {
    const auto& proxy = settings.proxy;
    const int proxyPort = proxy.port > 0 ? proxy.port : 8080;
    DetailScope scope(detailPrefix, "HTTP-прокси " + HostPort(proxy.host, proxyPort) + ": ");
    OpenTcp(channel, proxy.host, proxyPort);
    const std::string target = HostPort(host, port);
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (!proxy.userName.empty())
        request +=
            "Proxy-Authorization: Basic " + Base64(proxy.userName + ":" + proxy.password) + "\r\n";
    request += "\r\n";
    WriteAll(channel, request, Limit::Connect);
    size_t end = std::string::npos;
    size_t endLength = 0;
    for (;;) {
        if ((end = channel.in.find("\r\n\r\n")) != std::string::npos)
            endLength = 4;
        else if ((end = channel.in.find("\n\n")) != std::string::npos)
            endLength = 2;
        if (endLength > 0) break;
        if (channel.in.size() > kMaxProxyHeader) Fail("слишком длинный ответ прокси");
        if (channel.eof) Fail("прокси закрыл соединение");
        ReadSome(channel, Limit::Connect);
    }
    std::string status = channel.in.substr(0, channel.in.find('\n'));
    if (!status.empty() && status.back() == '\r') status.pop_back();
    // Whatever follows the header block already belongs to the tunnelled stream.
    channel.in.erase(0, end + endLength);
    int code = 0;
    if (std::sscanf(status.c_str(), "HTTP/%*d.%*d %d", &code) != 1)
        Fail("неверный ответ прокси: " + status);
    if (code == 407) Fail("прокси требует авторизации: " + status);
    if (code < 200 || code > 299) Fail("прокси отклонил соединение с " + target + ": " + status);
}

void FtpClient::Impl::OpenStream(Channel& channel, const std::string& host, int port) {
    connectDeadline = Clock::now() + settings.connectTimeout;
    if (settings.socks5.enabled) {
        Socks5Connect(channel, host, port);
    } else if (ThroughHttpProxy()) {
        HttpConnect(channel, host, port);
    } else {
        OpenTcp(channel, host, port);
    }
}

}  // namespace platform
