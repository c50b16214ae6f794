#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "exchange_fixture.h"
#include "platform/archive/archive.h"
#include "platform/ftp/ftp_client.h"

using namespace exchangetest;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string CR = "\r";

struct PriceWorld : World {
    PriceWorld() {
        WriteFile(catalog + "ExportPrice.csv", "old price");
        WriteFile(catalog + "ExportClass.csv", "old class");
    }
    void ExpectOldImportFiles() {
        EXPECT_EQ(ReadFile(catalog + "ExportPrice.csv"), "old price");
        EXPECT_EQ(ReadFile(catalog + "ExportClass.csv"), "old class");
    }
    void ExpectNoLeftovers() {
        for (const auto& name : Names(catalog)) {
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
            EXPECT_EQ(name.find(".unpack"), std::string::npos) << name;
        }
    }
    void ExpectIdlePanel() {
        EXPECT_FALSE(panel.State.pnlExchangeVisible);
        EXPECT_FALSE(panel.State.btnExchangeCancelEnabled);
        EXPECT_TRUE(panel.State.btnGetNewPriceEnabled);
        EXPECT_TRUE(panel.State.btnGetNewPicturesEnabled);
        EXPECT_TRUE(panel.State.btnGetOnePictureEnabled);
    }
};

}  // namespace

TEST(DownloadPrice, GoodArchiveReplacesBothImportFiles) {
    PriceWorld w;
    w.ServerFile("price.zip", ZipBytes(w.scratch, {{"ExportPrice.csv", "new price"},
                                                   {"data/ExportClass.csv", "new class"},
                                                   {"readme.txt", "not extracted"}}));
    w.StartServer();
    auto& ex = w.Configure();
    EXPECT_TRUE(ex.DownloadPrice("price.zip"));
    EXPECT_EQ(ReadFile(w.catalog + "ExportPrice.csv"), "new price");
    EXPECT_EQ(ReadFile(w.catalog + "ExportClass.csv"), "new class");
    EXPECT_TRUE(FileExists(w.catalog + "ExportToCatalog.zip"));
    EXPECT_FALSE(FileExists(w.catalog + "readme.txt"));
    EXPECT_FALSE(FileExists(w.catalog + "data"));
    EXPECT_EQ(w.messages,
              (std::vector<std::string>{
                  "Загрузка прайса" + CR + "Соединение", "Загрузка прайса" + CR + "Ищем price.zip",
                  "Загрузка прайса" + CR + "Загрузка price.zip", "Выход", "", ""}));
    EXPECT_FALSE(ex.Busy);
    EXPECT_FALSE(ex.Connected());
    w.ExpectIdlePanel();
    w.ExpectNoLeftovers();

    // A second update right after downloads again.
    w.ServerFile("price.zip", ZipBytes(w.scratch, {{"ExportPrice.csv", "newer price"},
                                                   {"ExportClass.csv", "newer class"}}));
    EXPECT_TRUE(ex.DownloadPrice("price.zip"));
    EXPECT_EQ(ReadFile(w.catalog + "ExportPrice.csv"), "newer price");
}

TEST(DownloadPrice, ArchiveLackingOneImportFileKeepsTheOldFiles) {
    PriceWorld w;
    w.ServerFile("price.zip", ZipBytes(w.scratch, {{"ExportPrice.csv", "new price"},
                                                   {"ExportOther.csv", "other"}}));
    w.StartServer();
    EXPECT_FALSE(w.Configure().DownloadPrice("price.zip"));
    w.ExpectOldImportFiles();
    EXPECT_FALSE(FileExists(w.catalog + "ExportOther.csv"));
    w.ExpectNoLeftovers();
    w.ExpectIdlePanel();
}

TEST(DownloadPrice, ArchiveMissingOnTheServer) {
    PriceWorld w;
    WriteFile(w.catalog + "ExportToCatalog.zip", "previous archive");
    // The listing prints bare names, so a path with folders is never found either.
    w.ServerFile("httpdocs/price.zip",
                 ZipBytes(w.scratch, {{"ExportPrice.csv", "p"}, {"ExportClass.csv", "c"}}));
    w.StartServer();
    auto& ex = w.Configure();
    for (const std::string path : {"price.zip", "httpdocs/price.zip"}) {
        w.messages.clear();
        EXPECT_FALSE(ex.DownloadPrice(path)) << path;
        EXPECT_EQ(w.messages, (std::vector<std::string>{"Загрузка прайса" + CR + "Соединение",
                                                        "Загрузка прайса" + CR + "Ищем " + path,
                                                        "Выход", "", ""}));
    }
    EXPECT_FALSE(FileExists(w.catalog + "ExportToCatalog.zip"));
    w.ExpectOldImportFiles();
    w.ExpectIdlePanel();
}

TEST(DownloadPrice, DamagedArchiveFailsAfterBusyIsCleared) {
    PriceWorld w;
    std::string zip = ZipBytes(w.scratch, {{"ExportPrice.csv", NoiseBytes(100000)},
                                           {"ExportClass.csv", NoiseBytes(100000, 9)}});
    w.ServerFile("price.zip", zip.substr(0, zip.size() / 2));
    w.StartServer();
    auto& ex = w.Configure();
    try {
        ex.DownloadPrice("price.zip");
        FAIL() << "no error";
    } catch (const platform::ArchiveError& e) {
        EXPECT_NE(std::string(e.what()).find(w.catalog + "ExportToCatalog.zip"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(ex.Busy);
    ASSERT_GE(w.messages.size(), 2u);
    EXPECT_EQ(w.messages[w.messages.size() - 1], "");
    EXPECT_EQ(w.messages[w.messages.size() - 2], "");
    w.ExpectOldImportFiles();
    w.ExpectNoLeftovers();
    w.ExpectIdlePanel();
}

TEST(DownloadPrice, RefusedLoginCarriesTheReplyAndLeavesBusySet) {
    PriceWorld w;
    w.StartServer();
    w.options.ConnectPassword = "wrong";
    auto& ex = w.Configure();
    try {
        ex.DownloadPrice("price.zip");
        FAIL() << "no error";
    } catch (const platform::FtpError& e) {
        EXPECT_NE(std::string(e.what()).find("530"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ex.Busy);
    EXPECT_FALSE(ex.Connected());
    EXPECT_TRUE(w.panel.State.pnlExchangeVisible);
    EXPECT_TRUE(w.panel.State.btnExchangeCancelEnabled);
    EXPECT_FALSE(w.panel.State.btnGetNewPriceEnabled);
    w.ExpectOldImportFiles();
    w.panel.btnExchangeCancelClick();
    w.ExpectIdlePanel();
}

TEST(DownloadPrice, DroppedConnectionLeavesNoArchive) {
    PriceWorld w;
    w.ServerFile("price.zip", ZipBytes(w.scratch, {{"ExportPrice.csv", NoiseBytes(600000)},
                                                   {"ExportClass.csv", "c"}}));
    w.StartServer({"--drop", "price.zip:150000"});
    auto& ex = w.Configure();
    EXPECT_THROW(ex.DownloadPrice("price.zip"), platform::FtpError);
    EXPECT_TRUE(ex.Busy);
    EXPECT_FALSE(FileExists(w.catalog + "ExportToCatalog.zip"));
    w.ExpectOldImportFiles();
    w.ExpectNoLeftovers();
}

TEST(DownloadPrice, CancelCutsASlowTransferOffAtOnce) {
    PriceWorld w;
    w.ServerFile("price.zip", ZipBytes(w.scratch, {{"ExportPrice.csv", NoiseBytes(3000000)},
                                                   {"ExportClass.csv", "c"}}));
    w.StartServer({"--rate", "200000"});
    auto& ex = w.Configure();
    using Clock = std::chrono::steady_clock;
    Clock::time_point cancelledAt{};
    bool cancelled = false;
    w.panel.OnPump = [&] {
        if (!cancelled && FileExists(w.catalog + "ExportToCatalog.zip.part") &&
            std::filesystem::file_size(w.catalog + "ExportToCatalog.zip.part") > 50000) {
            cancelled = true;
            cancelledAt = Clock::now();
            w.panel.btnExchangeCancelClick();
        }
    };
    EXPECT_THROW(ex.DownloadPrice("price.zip"), platform::FtpError);
    ASSERT_TRUE(cancelled);
    EXPECT_LT(Clock::now() - cancelledAt, std::chrono::seconds(2));
    EXPECT_FALSE(ex.Busy);
    EXPECT_FALSE(ex.Connected());
    EXPECT_FALSE(FileExists(w.catalog + "ExportToCatalog.zip"));
    w.ExpectOldImportFiles();
    w.ExpectNoLeftovers();
}

TEST(DownloadPrice, DeliveredProgramFileReplacesTheProgram) {
    PriceWorld w;
    w.ServerFile("price.zip",
                 ZipBytes(w.scratch, {{"ExportPrice.csv", "p"}, {"ExportClass.csv", "c"}}));
    w.StartServer();
    auto& ex = w.Configure();
    std::filesystem::create_directories(w.tmp / "program");
    WriteFile(ex.ProgramFile, "old program");
    WriteFile(w.catalog + "Vellumo.exe", "new program");
    EXPECT_TRUE(ex.DownloadPrice("price.zip"));

    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char suffix[16];
    std::strftime(suffix, sizeof suffix, "%Y%d%m", &local);
    EXPECT_EQ(ReadFile(ex.ProgramFile), "new program");
    EXPECT_EQ(ReadFile(ex.ProgramFile + suffix), "old program");
    EXPECT_FALSE(FileExists(w.catalog + "Vellumo.exe"));
}
