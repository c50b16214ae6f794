// The world of an exchange test: a pyftpdlib server on 127.0.0.1 serving a temporary
// folder, the catalog, cache and product-picture folders, the panel with a configured
// exchange component and a record of every progress text.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "exchange/cs_exchange.h"
#include "exchange/exchange_panel.h"
#include "fake_seams.h"
#include "test_support.h"

namespace exchangetest {

using Entries = std::vector<std::pair<std::string, std::string>>;

inline std::string ArchiveScript() {
    return testsupport::SourceDir() + "/tests/platform/archive/make_archive.py";
}

// A ZIP of (stored name, content) pairs, returned as bytes.
inline std::string ZipBytes(const testsupport::TempDir& scratch, const Entries& entries) {
    std::vector<std::string> argv = {"/usr/bin/python3", ArchiveScript(), "zip",
                                     scratch / "out.zip"};
    int i = 0;
    for (const auto& [name, content] : entries) {
        std::string source = scratch / ("entry" + std::to_string(i++));
        testsupport::WriteFile(source, content);
        argv.push_back(name);
        argv.push_back(source);
    }
    if (testsupport::RunCommand(argv) != 0) throw std::runtime_error("make_archive zip failed");
    return testsupport::ReadFile(scratch / "out.zip");
}

inline std::string GzipBytes(const testsupport::TempDir& scratch, const std::string& content) {
    testsupport::WriteFile(scratch / "gz.in", content);
    if (testsupport::RunCommand({"/usr/bin/python3", ArchiveScript(), "gzip", scratch / "out.gz",
                                 scratch / "gz.in"}) != 0)
        throw std::runtime_error("make_archive gzip failed");
    return testsupport::ReadFile(scratch / "out.gz");
}

// Bytes that do not compress, so that transfers take their full size on the wire.
inline std::string NoiseBytes(std::size_t n, unsigned seed = 7) {
    std::string s(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

class FtpServer {
public:
    static constexpr const char* User = "photo";
    static constexpr const char* Password = "314159";

    FtpServer(const std::string& root, const std::vector<std::string>& extraArgs = {}) {
        m_port = testsupport::FreePort();
        std::vector<std::string> argv = {"/usr/bin/python3",
                                         testsupport::SourceDir() + "/tests/exchange/ftp_server.py",
                                         std::to_string(m_port),
                                         root,
                                         User,
                                         Password};
        argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
        m_process = testsupport::ChildProcess(argv);
        if (!testsupport::WaitForPort(m_port)) throw std::runtime_error("FTP server did not start");
    }
    int Port() const { return m_port; }

private:
    int m_port = 0;
    testsupport::ChildProcess m_process;
};

struct World {
    testsupport::TempDir tmp;
    std::string root = tmp / "root/";
    std::string catalog = tmp / "catalog/";
    std::string cache = tmp / "TempPicture/";
    std::string pictures = tmp / "pictures/";
    testsupport::TempDir scratch;
    std::unique_ptr<FtpServer> server;
    testsupport::FakePrompts prompts;
    ExchangePanel panel{prompts};
    TListOptions options;
    std::vector<std::string> messages;
    TcsExchange* ex = nullptr;

    World() {
        for (const auto& d :
             {root, catalog, cache, pictures, root + "httpdocs/", root + "httpdocs/photo/"})
            std::filesystem::create_directories(d);
        options.CatalogDir = catalog;
        options.TempPictureDir = cache;
        options.PathPicture = pictures;
        options.ConnectHost = "127.0.0.1";
        options.ConnectUserName = FtpServer::User;
        options.ConnectPassword = FtpServer::Password;
        options.ConnectPassive = true;
    }

    void ServerFile(const std::string& path, const std::string& bytes) {
        testsupport::WriteFile(root + path, bytes);
    }
    void StartServer(const std::vector<std::string>& extraArgs = {}) {
        server = std::make_unique<FtpServer>(root, extraArgs);
        options.ConnectPort = server->Port();
    }
    // A fresh component from the options, with its progress texts recorded on their way to
    // the panel.
    TcsExchange& Configure() {
        ex = &panel.ConfigureExchange(options);
        ex->OncsMessage = [this](const std::string& msg) {
            messages.push_back(msg);
            panel.ShowExchangeMessage(msg);
        };
        ex->FtpSettings().connectTimeout = std::chrono::seconds(5);
        ex->FtpSettings().idleTimeout = std::chrono::seconds(10);
        ex->ProgramFile = tmp / "program/Catalog.exe";
        return *ex;
    }
    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

inline int ClosedPort() { return testsupport::FreePort(); }

}  // namespace exchangetest
