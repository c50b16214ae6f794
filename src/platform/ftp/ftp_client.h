// FTP client over Asio: login (directly, through an FTP proxy login method, an HTTP
// CONNECT proxy or SOCKS 5), binary transfers, detailed listings, downloads.
//
// Contracts:
// - Every call blocks its caller but runs the pump callback at least every 50 ms while
//   it waits; Cancel() (from the pump or any handler it runs) closes the sockets and the
//   pending call fails at once with FtpError.
// - Connecting times out after ConnectTimeout, any wait without progress after IdleTimeout.
// - Disconnect() called from the pump while a call waits acts as Cancel(). The client is
//   used from one thread; Cancel() is not for other threads.
// - Through SOCKS 5 or an HTTP proxy, transfers are passive whatever `passive` says.
// - Every failure throws FtpError (an AppError) whose text names the host and the step and
//   carries the server's reply or the network failure.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/text/app_error.h"

namespace platform {

class FtpError : public AppError {
public:
    using AppError::AppError;
};

enum class FtpProxyMethod {
    None,
    UserSite,          // USER/PASS of the proxy; USER user@host; PASS
    Site,              // USER/PASS of the proxy; SITE host; USER; PASS
    Open,              // [USER/PASS of the proxy]; OPEN host; USER; PASS
    UserPass,          // USER user@host[:port]; PASS
    Transparent,       // [USER/PASS of the proxy]; USER; PASS as to the server
    HttpProxyWithFtp,  // control and data through HTTP CONNECT; passive only
};

struct FtpProxySettings {
    std::string host;  // empty: no FTP proxy method
    int port = 0;
    std::string userName;
    std::string password;
    FtpProxyMethod method = FtpProxyMethod::None;
};

struct Socks5Settings {
    bool enabled = false;
    std::string host;
    int port = 1080;
    std::string userName;  // empty: no authentication
    std::string password;
};

struct FtpSettings {
    std::string host;
    int port = 21;
    std::string userName;
    std::string password;
    bool passive = true;
    FtpProxySettings proxy;
    Socks5Settings socks5;
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds idleTimeout{60000};
};

class FtpClient {
public:
    using Pump = std::function<void()>;

    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    FtpSettings& Settings();
    void SetPump(Pump pump);

    void Connect();                                  // connect and log in
    void SetBinaryType();                            // TYPE I
    std::string List(const std::string& specifier);  // detailed listing, lines joined by "\r\n"
    // RETR into localPath, overwriting. The bytes are written to localPath as they come;
    // the caller decides on temporary names.
    void Get(const std::string& remotePath, const std::string& localPath);
    void Disconnect();  // harmless when closed; never throws
    bool Connected() const;
    void Cancel();  // closes the sockets; the pending call fails

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
