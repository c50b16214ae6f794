// Transfers of FtpClient and its public calls. A transfer is complete only when the data
// connection has reached its end and the final reply (226 or 250) has come, in either
// order; both are awaited together.
#include <algorithm>
#include <fstream>

#include "platform/ftp/ftp_client_impl.h"
#include "platform/text/text.h"

namespace platform {

using ftpwire::Clock;

namespace {

constexpr size_t kMaxListing = 64 * 1024 * 1024;
constexpr auto kQuitWait = std::chrono::milliseconds(2000);

// The lines of a listing joined by CR LF, whatever line ends the server used.
std::string JoinLines(const std::string& bytes) {
    std::string text;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t lf = bytes.find('\n', pos);
        if (lf == std::string::npos) lf = bytes.size();
        std::string line = bytes.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!text.empty()) text += "\r\n";
        text += line;
        pos = lf + 1;
    }
    return text;
}

struct AcceptOp {
    bool done = false;
    asio::error_code error;
    std::optional<asio::ip::tcp::socket> socket;
};

}  // namespace

void FtpClient::Impl::TakeFinalReply(TransferState& state) {
    while (!state.final) {
        auto reply = TryTakeReply();
        if (!reply) return;
        if (reply->code < 200) continue;  // a further preliminary reply
        state.final = std::move(reply);
        // 425, 426, 451 and the like: the transfer failed.
        if (state.final->code >= 300) FailReply(*state.final);
    }
}

void FtpClient::Impl::RunTransfer(TransferState& state, const Sink& sink) {
    std::shared_ptr<AcceptOp> accepting;
    if (acceptor) {
        accepting = std::make_shared<AcceptOp>();
        acceptor->async_accept(
            [this, accepting](const asio::error_code& error, asio::ip::tcp::socket peer) {
                accepting->error = error;
                if (!error) accepting->socket.emplace(std::move(peer));
                accepting->done = true;
                lastProgress = Clock::now();
            });
    }
    ftpwire::DetailScope scope(detailPrefix, "");
    for (;;) {
        TakeFinalReply(state);
        if (state.final && state.dataDone) return;
        if (!state.final && control->eof) Fail("сервер закрыл соединение");
        std::shared_ptr<ftpwire::ReadOp> dataRead, controlRead;
        if (!accepting && data && !state.dataDone) dataRead = StartRead(*data);
        if (!state.final) controlRead = StartRead(*control);
        RunUntil(
            [&] {
                return (accepting && accepting->done) || (dataRead && dataRead->done) ||
                       (controlRead && controlRead->done);
            },
            Limit::Idle);
        if (accepting && accepting->done) {
            if (accepting->error) FailNetwork("соединение для передачи данных", accepting->error);
            data = std::make_unique<Channel>(io);
            data->socket = std::move(*accepting->socket);
            accepting.reset();
            acceptor->close();
        }
        if (dataRead && dataRead->done) {
            detailPrefix = "соединение для передачи данных: ";
            FinishRead(*data);
            detailPrefix.clear();
            state.received += data->in.size();
            if (!data->in.empty()) sink(data->in.data(), data->in.size());
            data->in.clear();
            if (data->eof) {
                state.dataDone = true;
                CloseData();
            }
        }
        if (controlRead && controlRead->done) FinishRead(*control);
    }
}

void FtpClient::Impl::Transfer(const std::string& command, const Sink& sink) {
    // SOCKS 5 without BIND and HTTP CONNECT can only carry connections we open.
    const bool passive = settings.passive || settings.socks5.enabled || ThroughHttpProxy();
    TransferState state;
    bool sent = false;
    try {
        if (passive)
            OpenDataPassive();
        else
            PrepareDataActive();
        sent = true;
        const FtpReply first = Command(command);
        if (first.code >= 200) state.final = first;
        if (first.code >= 300) FailReply(first);
        if (first.code < 200) state.announced = ftpwire::ParseAnnouncedSize(first.Text());
        RunTransfer(state, sink);
    } catch (...) {
        CloseData();
        // Without the final reply the control connection is out of step with the server.
        if (sent && !state.final && connected) CloseAll();
        throw;
    }
    if (state.announced && state.received < *state.announced) {
        Fail("передача прервана: получено " + std::to_string(state.received) + " байт из " +
             std::to_string(*state.announced));
    }
}

void FtpClient::Impl::RequireIdle() {
    if (!control || !connected) Fail("нет соединения с сервером");
}

FtpClient::FtpClient() : m_impl(std::make_unique<Impl>()) {}

FtpClient::~FtpClient() {
    try {
        m_impl->CloseAll();
    } catch (...) {
    }
}

FtpSettings& FtpClient::Settings() { return m_impl->settings; }

void FtpClient::SetPump(Pump pump) { m_impl->pump = std::move(pump); }

void FtpClient::Connect() {
    Impl& d = *m_impl;
    d.BeginCall("соединение");
    d.CloseAll();
    d.epsvRefused = false;
    const std::string host = platform::Trim(d.settings.host);
    if (host.empty()) d.Fail("не указан адрес сервера");
    std::string targetHost = host;
    int targetPort = d.settings.port;
    if (d.ThroughFtpProxy()) {
        targetHost = platform::Trim(d.settings.proxy.host);
        targetPort = d.settings.proxy.port > 0 ? d.settings.proxy.port : 21;
    }
    d.control = std::make_unique<ftpwire::Channel>(d.io);
    try {
        d.OpenStream(*d.control, targetHost, targetPort);
        d.connected = true;
        d.Greeting();
        d.step = "вход в систему";
        if (d.ThroughFtpProxy())
            d.ProxyLogIn();
        else
            d.LogIn(d.settings.userName, d.settings.password);
    } catch (...) {
        d.CloseAll();
        throw;
    }
}

void FtpClient::SetBinaryType() {
    Impl& d = *m_impl;
    d.BeginCall("выбор двоичного режима передачи");
    d.ExpectCompletion(d.Command("TYPE I"));
}

std::string FtpClient::List(const std::string& specifier) {
    Impl& d = *m_impl;
    d.BeginCall("получение списка файлов " + specifier);
    d.RequireIdle();
    std::string bytes;
    d.Transfer(specifier.empty() ? "LIST" : "LIST " + specifier,
               [&](const char* chunk, size_t size) {
                   if (bytes.size() + size > kMaxListing) d.Fail("слишком длинный список файлов");
                   bytes.append(chunk, size);
               });
    return JoinLines(bytes);
}

void FtpClient::Get(const std::string& remotePath, const std::string& localPath) {
    Impl& d = *m_impl;
    d.BeginCall("загрузка файла " + remotePath);
    d.RequireIdle();
    std::ofstream out(localPath, std::ios::binary | std::ios::trunc);
    if (!out) d.Fail("не удалось создать файл " + localPath);
    d.Transfer("RETR " + remotePath, [&](const char* chunk, size_t size) {
        out.write(chunk, static_cast<std::streamsize>(size));
        if (!out) d.Fail("не удалось записать файл " + localPath);
    });
    out.close();
    if (!out) d.Fail("не удалось записать файл " + localPath);
}

void FtpClient::Disconnect() {
    Impl& d = *m_impl;
    if (d.waiting > 0) {  // called from the pump while a call waits: cut it off
        Cancel();
        return;
    }
    if (d.connected && d.control) {
        try {
            d.BeginCall("отключение");
            d.idleOverride = std::min<std::chrono::milliseconds>(d.settings.idleTimeout, kQuitWait);
            d.Command("QUIT");
        } catch (...) {
        }
        d.idleOverride.reset();
    }
    d.CloseAll();
}

bool FtpClient::Connected() const { return m_impl->connected && m_impl->control != nullptr; }

void FtpClient::Cancel() {
    m_impl->cancelRequested = true;
    m_impl->CloseAll();
}

}  // namespace platform
