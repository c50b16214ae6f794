// The FTP protocol of FtpClient: greeting and login (directly or by an FTP proxy's login
// method), passive (EPSV, then PASV) and active (PORT/EPRT) data connections, LIST and RETR.
#include <cstdio>

#include "platform/ftp/ftp_client_impl.h"
#include "platform/text/text.h"

namespace platform {

using ftpwire::Clock;

bool FtpClient::Impl::ThroughFtpProxy() const {
    const auto m = settings.proxy.method;
    return !platform::Trim(settings.proxy.host).empty() && m != FtpProxyMethod::None &&
           m != FtpProxyMethod::HttpProxyWithFtp;
}

bool FtpClient::Impl::ThroughHttpProxy() const {
    return !platform::Trim(settings.proxy.host).empty() &&
           settings.proxy.method == FtpProxyMethod::HttpProxyWithFtp;
}

std::optional<FtpClient::Impl::FtpReply> FtpClient::Impl::TryTakeReply() {
    std::optional<FtpReply> reply;
    try {
        reply = ftpwire::TakeReply(control->in);
    } catch (const ftpwire::ReplyFormatError& error) {
        CloseAll();
        Fail(error.what());
    }
    if (reply && reply->code == 421) {  // the server is closing the connection
        CloseAll();
        FailReply(*reply);
    }
    return reply;
}

FtpClient::Impl::FtpReply FtpClient::Impl::ReadReply() {
    for (;;) {
        if (auto reply = TryTakeReply()) return *reply;
        if (control->eof) {
            CloseAll();
            Fail("сервер закрыл соединение");
        }
        try {
            ReadSome(*control, Limit::Idle);
        } catch (const FtpError&) {
            CloseAll();
            throw;
        }
    }
}

FtpClient::Impl::FtpReply FtpClient::Impl::Command(const std::string& line) {
    if (!control || !connected) Fail("нет соединения с сервером");
    if (line.find_first_of("\r\n") != std::string::npos)
        Fail("недопустимый перевод строки в команде");
    try {
        WriteAll(*control, line + "\r\n", Limit::Idle);
    } catch (const FtpError&) {
        CloseAll();
        throw;
    }
    return ReadReply();
}

void FtpClient::Impl::ExpectCompletion(const FtpReply& reply) {
    if (reply.code < 200 || reply.code > 299) FailReply(reply);
}

void FtpClient::Impl::Greeting() {
    for (;;) {
        const FtpReply reply = ReadReply();
        if (reply.code == 120) continue;  // "ready in a few minutes"
        if (reply.code != 220) {
            CloseAll();
            FailReply(reply);
        }
        return;
    }
}

void FtpClient::Impl::LogIn(const std::string& user, const std::string& password) {
    FtpReply reply = Command("USER " + user);
    if (reply.code == 230 || reply.code == 202) return;
    if (reply.code != 331) FailReply(reply);
    reply = Command("PASS " + password);
    if (reply.code != 230 && reply.code != 202) FailReply(reply);
}

// The login sequence of the FTP proxy methods; ends logged in at the server.
void FtpClient::Impl::ProxyLogIn() {
    const auto& proxy = settings.proxy;
    const std::string host = platform::Trim(settings.host);
    const std::string site =
        settings.port == 21 ? host : host + ":" + std::to_string(settings.port);
    const std::string serverStep = step;
    auto proxyLogin = [&](bool always) {
        if (!always && proxy.userName.empty()) return;
        step = "вход на прокси-сервер";
        LogIn(proxy.userName, proxy.password);
        step = serverStep;
    };
    switch (proxy.method) {
        case FtpProxyMethod::UserPass:
            LogIn(settings.userName + "@" + site, settings.password);
            break;
        case FtpProxyMethod::UserSite:
            proxyLogin(true);
            LogIn(settings.userName + "@" + site, settings.password);
            break;
        case FtpProxyMethod::Site:
            proxyLogin(true);
            ExpectCompletion(Command("SITE " + site));
            LogIn(settings.userName, settings.password);
            break;
        case FtpProxyMethod::Open:
            proxyLogin(false);
            ExpectCompletion(Command("OPEN " + site));
            LogIn(settings.userName, settings.password);
            break;
        default:  // Transparent
            proxyLogin(false);
            LogIn(settings.userName, settings.password);
            break;
    }
}

void FtpClient::Impl::OpenDataPassive() {
    std::optional<int> port;
    if (!epsvRefused) {
        const FtpReply reply = Command("EPSV");
        if (reply.code == 229) {
            port = ftpwire::ParseEpsvPort(reply.Text());
            if (!port) Fail("неверный ответ на EPSV: " + reply.Text());
        } else if (reply.code >= 500) {
            epsvRefused = true;
        } else {
            FailReply(reply);
        }
    }
    if (!port) {
        const FtpReply reply = Command("PASV");
        if (reply.code != 227) FailReply(reply);
        const auto address = ftpwire::ParsePasvAddress(reply.Text());
        if (!address) Fail("неверный адрес в ответе на PASV: " + reply.Text());
        port = address->port;
    }
    // The data connection goes where the control connection goes, whatever address the
    // server names: through a proxy that is the proxy's way to the same host.
    data = std::make_unique<Channel>(io);
    ftpwire::DetailScope scope(detailPrefix, "соединение для передачи данных: ");
    if (settings.socks5.enabled || ThroughHttpProxy()) {
        OpenStream(*data, platform::Trim(settings.host), *port);
    } else {
        asio::error_code error;
        const auto peer = control->socket.remote_endpoint(error);
        if (error) FailNetwork("", error);
        OpenTcp(*data, peer.address().to_string(), *port);
    }
}

void FtpClient::Impl::PrepareDataActive() {
    asio::error_code error;
    const auto local = control->socket.local_endpoint(error);
    if (error) FailNetwork("", error);
    acceptor =
        std::make_unique<asio::ip::tcp::acceptor>(io, asio::ip::tcp::endpoint(local.address(), 0));
    const int port = acceptor->local_endpoint().port();
    std::string command;
    if (local.address().is_v4()) {
        auto b = local.address().to_v4().to_bytes();
        char text[64];
        std::snprintf(text, sizeof text, "PORT %u,%u,%u,%u,%d,%d", b[0], b[1], b[2], b[3],
                      port / 256, port % 256);
        command = text;
    } else {
        command = "EPRT |2|" + local.address().to_string() + "|" + std::to_string(port) + "|";
    }
    ExpectCompletion(Command(command));
}

}  // namespace platform
