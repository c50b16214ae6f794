#include <gtest/gtest.h>

#include "exchange_fixture.h"
#include "platform/ftp/ftp_client.h"

using namespace exchangetest;
using testsupport::WriteFile;

namespace {

const std::string CR = "\r";

struct PanelView {
    bool visible;
    bool cancel;
    bool buttons;
    std::string label;
};

PanelView View(const ExchangePanelState& s) {
    EXPECT_EQ(s.btnGetNewPriceEnabled, s.btnGetNewPicturesEnabled);
    EXPECT_EQ(s.btnGetNewPriceEnabled, s.btnGetOnePictureEnabled);
    return {s.pnlExchangeVisible, s.btnExchangeCancelEnabled, s.btnGetNewPriceEnabled, s.lblcsMsg};
}

void ExpectView(const ExchangePanelState& s, const PanelView& v, const std::string& step) {
    PanelView got = View(s);
    EXPECT_EQ(got.visible, v.visible) << step;
    EXPECT_EQ(got.cancel, v.cancel) << step;
    EXPECT_EQ(got.buttons, v.buttons) << step;
    EXPECT_EQ(got.label, v.label) << step;
}

}  // namespace

TEST(ExchangePanel, MessagesAndCancelWithoutConnection) {
    World w;
    auto& ex = w.Configure();
    ExpectView(w.panel.State, {false, false, true, ""}, "start");
    ex.Busy = true;
    w.panel.ShowExchangeMessage("Загрузка прайса" + CR + "Соединение");
    ExpectView(w.panel.State, {true, true, false, "Загрузка прайса" + CR + "Соединение"}, "busy");
    w.panel.btnExchangeCancelClick();
    EXPECT_FALSE(ex.Busy);
    ExpectView(w.panel.State, {false, false, true, ""}, "cancelled");
}

TEST(ExchangePanel, FailedConnectKeepsButtonsDisabledUntilCancel) {
    World w;
    w.options.ConnectPort = ClosedPort();
    auto& ex = w.Configure();
    EXPECT_THROW(ex.DownloadPrice("price.zip"), platform::FtpError);
    ExpectView(w.panel.State, {true, true, false, "Выход"}, "after the failure");
    w.panel.btnExchangeCancelClick();
    ExpectView(w.panel.State, {false, false, true, ""}, "after cancel");
}

TEST(ExchangePanel, CancelWithAConnectionLeftOpenNeedsTwoPresses) {
    World w;
    // A damaged list archive fails while the connection is still open.
    w.ServerFile("pics.txt.gz", "not gzip at all");
    w.StartServer();
    auto& ex = w.Configure();
    EXPECT_ANY_THROW(ex.DownloadPictures("pics.txt.gz"));
    ASSERT_TRUE(ex.Connected());
    EXPECT_TRUE(ex.Busy);
    EXPECT_TRUE(w.panel.State.pnlExchangeVisible);
    EXPECT_FALSE(w.panel.State.btnGetNewPicturesEnabled);

    w.panel.btnExchangeCancelClick();
    EXPECT_FALSE(ex.Connected());
    ExpectView(w.panel.State, {true, true, true, ""}, "first press");
    w.panel.btnExchangeCancelClick();
    ExpectView(w.panel.State, {false, false, true, ""}, "second press");
}

TEST(ConfigureExchange, CopiesTheSettingsIntoAFreshComponent) {
    World w;
    w.options.ConnectHost = "ftp.example.test";
    w.options.ConnectPort = 2121;
    w.options.ConnectUserName = "user";
    w.options.ConnectPassword = "secret";
    w.options.ConnectPassive = false;
    auto& first = w.Configure();
    first.LastExportFolder = "/somewhere";
    EXPECT_EQ(first.Host(), "ftp.example.test");
    EXPECT_EQ(first.Port(), 2121);
    EXPECT_EQ(first.UserName(), "user");
    EXPECT_EQ(first.Password(), "secret");
    EXPECT_FALSE(first.Passive());
    EXPECT_EQ(first.PathToBase, w.catalog);
    EXPECT_EQ(first.PathToPictures, w.pictures);
    EXPECT_EQ(first.PathToTmpPictures, w.cache);
    auto& second = w.Configure();
    EXPECT_EQ(second.LastExportFolder, "");
    EXPECT_FALSE(second.Busy);
}

TEST(ConfigureExchange, DefaultsBeforeConfiguration) {
    testsupport::FakePrompts prompts;
    TcsExchange ex(prompts);
    EXPECT_EQ(ex.Host(), TcsExchange::DefaultHost);
    EXPECT_EQ(ex.UserName(), TcsExchange::DefaultAnonymousEmail);
    EXPECT_EQ(ex.Password(), TcsExchange::DefaultAnonymousEmail);
    EXPECT_FALSE(ex.Busy);
    EXPECT_FALSE(ex.Connected());
    EXPECT_FALSE(ex.ProgramFile.empty());
}

TEST(ConfigureExchange, ProxyModesMapOntoTheClientMethods) {
    struct Case {
        TFtpProxyMode mode;
        bool socks;
        platform::FtpProxyMethod method;
    };
    using M = platform::FtpProxyMethod;
    const Case cases[] = {
        {TFtpProxyMode::fpcmNone, false, M::None},
        {TFtpProxyMode::fpcmHttpProxyWithFtp, false, M::HttpProxyWithFtp},
        {TFtpProxyMode::fpcmOpen, false, M::Open},
        {TFtpProxyMode::fpcmSite, false, M::Site},
        {TFtpProxyMode::fpcmTransparent, false, M::Transparent},
        {TFtpProxyMode::fpcmUserPass, false, M::UserPass},
        {TFtpProxyMode::fpcmUserSite, false, M::UserSite},
        {TFtpProxyMode::fpcmNone, true, M::None},
    };
    for (const auto& c : cases) {
        World w;
        w.options.ConnectPort = ClosedPort();
        w.options.ProxyHost = "127.0.0.1";
        w.options.ProxyPort = ClosedPort();
        w.options.ProxyUserName = "pu";
        w.options.ProxyPassword = "pp";
        w.options.ProxyMode = c.mode;
        w.options.ProxySocks5 = c.socks;
        auto& ex = w.Configure();
        EXPECT_EQ(ex.UseSocks5, c.socks);
        EXPECT_EQ(ex.ProxySettings().ProxyType, c.mode);
        EXPECT_EQ(ex.FtpSettings().socks5.enabled, c.socks);
        if (c.socks) {
            EXPECT_EQ(ex.FtpSettings().socks5.host, "127.0.0.1");
            EXPECT_EQ(ex.FtpSettings().socks5.userName, "pu");
        }
        EXPECT_ANY_THROW(ex.DownloadPicture("1.jpg"));
        EXPECT_EQ(ex.FtpSettings().proxy.method, c.method);
        EXPECT_EQ(ex.FtpSettings().proxy.host, c.method == M::None ? "" : "127.0.0.1");
        ASSERT_FALSE(w.messages.empty());
        EXPECT_EQ(w.messages.front(),
                  "Загрузка изображения" + CR + "Соединение" + CR + "Через прокси: 127.0.0.1");
    }
}

TEST(ConfigureExchange, BlankProxyHostCountsAsNoProxy) {
    World w;
    w.options.ConnectPort = ClosedPort();
    w.options.ProxyHost = "   ";
    w.options.ProxyMode = TFtpProxyMode::fpcmUserSite;
    auto& ex = w.Configure();
    EXPECT_EQ(ex.ProxySettings().Host, "");
    EXPECT_EQ(ex.ProxySettings().ProxyType, TFtpProxyMode::fpcmNone);
    EXPECT_ANY_THROW(ex.DownloadPrice("price.zip"));
    EXPECT_EQ(w.messages.front(), "Загрузка прайса" + CR + "Соединение");

    // A host with text in it is kept as stored, blanks and all.
    w.options.ProxyHost = " proxy.test ";
    EXPECT_EQ(w.Configure().ProxySettings().Host, " proxy.test ");
    EXPECT_EQ(w.ex->ProxySettings().ProxyType, TFtpProxyMode::fpcmUserSite);
}

TEST(ConfigureExchange, ThroughARealSocks5Proxy) {
    World w;
    w.ServerFile("httpdocs/photo/7.jpg", "seven");
    w.StartServer();
    int proxyPort = testsupport::FreePort();
    testsupport::ChildProcess proxy({"/usr/bin/microsocks", "-i", "127.0.0.1", "-p",
                                     std::to_string(proxyPort), "-u", "pu", "-P", "pp"});
    ASSERT_TRUE(testsupport::WaitForPort(proxyPort));
    w.options.ProxyHost = "127.0.0.1";
    w.options.ProxyPort = proxyPort;
    w.options.ProxyUserName = "pu";
    w.options.ProxyPassword = "pp";
    w.options.ProxySocks5 = true;
    EXPECT_TRUE(w.Configure().DownloadPicture("7.jpg"));
    EXPECT_EQ(testsupport::ReadFile(w.cache + "7.jpg"), "seven");
}
