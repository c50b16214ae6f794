// The settings file: first-start defaults, defaults of missing keys, the proxy type in
// both directions and the import folder that is never read back.
#include "shell/settings_file.h"

#include <gtest/gtest.h>

#include "platform/text/text.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;

const SettingsSources kSources{"/opt/catalog/", " demo "};

std::string ReadCp1251(const std::string& path) {
    return platform::Cp1251ToUtf8(testsupport::ReadFile(path));
}

void WriteCp1251(const std::string& path, const std::string& text) {
    testsupport::WriteFile(path, platform::Utf8ToCp1251(text));
}

TEST(ReadSettings, MissingFileGivesFirstStartDefaultsAndWritesAllKeysInOrder) {
    TempDir dir;
    TListOptions options;
    ASSERT_TRUE(ReadSettings(options, dir.Path(), "ListConfig.ini", kSources));

    EXPECT_EQ(options.PathPicture, "/opt/catalog/pictures/");
    EXPECT_EQ(options.PathBase, "/opt/catalog/demo/");
    EXPECT_EQ(options.PostName, "Тальверин");
    EXPECT_EQ(options.ConnectUserName, "photo");
    EXPECT_EQ(options.ConnectHost, "ftp.talverin.example");
    EXPECT_EQ(options.ConnectPassword.size(), 6u);
    EXPECT_EQ(options.ConnectPort, 21);
    EXPECT_EQ(options.IsInputKolByWindow, 1);
    EXPECT_EQ(options.IsImportOnStart, 0);
    EXPECT_EQ(options.ProxyMode, TFtpProxyMode::fpcmNone);
    EXPECT_FALSE(options.ProxySocks5);

    const std::string expected =
        "[COMMON]\r\nPathPicture=/opt/catalog/pictures/\r\nPathBase=/opt/catalog/demo/\r\n"
        "IsInputKolByWindow=1\r\nPostName=Тальверин\r\nPostAdress=\r\nPostInn=\r\nPostKpp=\r\n"
        "PostContactFace=\r\nPostTels=\r\nMailForsend=\r\nOrgname=\r\nOrgAdress=\r\nOrgInn=\r\n"
        "OrgKpp=\r\nOrgContactFace=\r\nOrgTels=\r\nOrgMail=\r\nIsImportOnStart=0\r\n"
        "ConnectPassword=" +
        std::string(kDefaultConnectPassword) +
        "\r\nConnectUserName=photo\r\nConnectHost=ftp.talverin.example\r\nConnectPassive=0\r\n"
        "ConnectPort=21\r\nProxyHost=\r\nProxyUserName=\r\nProxyPassword=\r\nProxyPort=0\r\n"
        "ProxyType=0\r\n";
    EXPECT_EQ(ReadCp1251(dir / "ListConfig.ini"), expected);
}

TEST(ReadSettings, SectionWithoutKeysGivesKeyDefaultsAndNoSettingsDialog) {
    TempDir dir;
    WriteCp1251(dir / "ListConfig.ini", "[COMMON]\r\n");
    TListOptions options;
    options.PostName = "старое";
    EXPECT_FALSE(ReadSettings(options, dir.Path(), "ListConfig.ini", kSources));
    EXPECT_EQ(options.PostName, "");
    EXPECT_EQ(options.PathPicture, "/opt/catalog/pictures/");
    EXPECT_EQ(options.ConnectHost, "ftp.talverin.example");
    EXPECT_EQ(options.ConnectUserName, "photo");
    EXPECT_EQ(options.ConnectPort, 21);
    EXPECT_FALSE(options.ConnectPassive);
    EXPECT_EQ(options.IsInputKolByWindow, 1);
    // The file is read, never rewritten.
    EXPECT_EQ(ReadCp1251(dir / "ListConfig.ini"), "[COMMON]\r\n");
}

TEST(ReadSettings, PathBaseInTheFileIsNeverReadBack) {
    TempDir dir;
    WriteCp1251(dir / "ListConfig.ini", "[COMMON]\r\nPathBase=/somewhere/else/\r\n");
    TListOptions options;
    ReadSettings(options, dir.Path(), "ListConfig.ini", kSources);
    EXPECT_EQ(options.PathBase, "/opt/catalog/demo/");
}

TEST(ReadSettings, ValuesAreReadInWindows1251WithIntegerAndBooleanRules) {
    TempDir dir;
    WriteCp1251(dir / "ListConfig.ini",
                "[common]\r\norgname=ООО «Ёлка»\r\nConnectPassive=5\r\nConnectPort=2x1\r\n"
                "ProxyPort=3128\r\nIsImportOnStart=2\r\n");
    TListOptions options;
    ReadSettings(options, dir.Path(), "ListConfig.ini", kSources);
    EXPECT_EQ(options.Orgname, "ООО «Ёлка»");
    EXPECT_TRUE(options.ConnectPassive);
    EXPECT_EQ(options.ConnectPort, 21);  // does not parse: the default
    EXPECT_EQ(options.ProxyPort, 3128);
    EXPECT_EQ(options.IsImportOnStart, 2);

    WriteSettings(options, dir.Path(), "ListConfig.ini");
    const std::string text = ReadCp1251(dir / "ListConfig.ini");
    EXPECT_NE(text.find("ConnectPassive=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("ConnectPort=21\r\n"), std::string::npos);
}

struct ProxyCase {
    std::string fileValue;
    bool socksBefore;
    TFtpProxyMode modeBefore;
    TFtpProxyMode mode;
    bool socks;
    int writtenBack;
};

TEST(ReadSettings, ProxyTypeSelectsModeAndSocksAndIsWrittenBack) {
    const std::vector<ProxyCase> cases = {
        {"0", false, TFtpProxyMode::fpcmSite, TFtpProxyMode::fpcmNone, false, 0},
        {"1", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmHttpProxyWithFtp, false, 1},
        {"2", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmOpen, false, 2},
        {"3", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmSite, false, 3},
        {"4", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmTransparent, false, 4},
        {"5", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmUserPass, false, 5},
        {"6", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmUserSite, false, 6},
        {"7", false, TFtpProxyMode::fpcmSite, TFtpProxyMode::fpcmNone, true, 7},
        // 0..6 keep the SOCKS 5 switch, so it still wins when written back.
        {"3", true, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmSite, true, 7},
        // Unknown numbers change neither field.
        {"9", false, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmNone, false, 0},
        {"9", false, TFtpProxyMode::fpcmOpen, TFtpProxyMode::fpcmOpen, false, 2},
        {"-1", true, TFtpProxyMode::fpcmNone, TFtpProxyMode::fpcmNone, true, 7},
        // Not a number: the default 0.
        {"x", false, TFtpProxyMode::fpcmOpen, TFtpProxyMode::fpcmNone, false, 0},
    };
    for (const ProxyCase& c : cases) {
        SCOPED_TRACE("ProxyType=" + c.fileValue);
        TempDir dir;
        WriteCp1251(dir / "ListConfig.ini", "[COMMON]\r\nProxyType=" + c.fileValue + "\r\n");
        TListOptions options;
        options.ProxySocks5 = c.socksBefore;
        options.ProxyMode = c.modeBefore;
        ReadSettings(options, dir.Path(), "ListConfig.ini", kSources);
        EXPECT_EQ(options.ProxyMode, c.mode);
        EXPECT_EQ(options.ProxySocks5, c.socks);
        EXPECT_EQ(ProxyTypeOf(options), c.writtenBack);
    }
}

TEST(WriteSettings, EveryFieldSurvivesAWriteAndARead) {
    TempDir dir;
    TListOptions written;
    written.PathPicture = "/картинки/";
    written.PathBase = "/base/";
    written.IsInputKolByWindow = 0;
    written.PostName = "Поставщик";
    written.PostAdress = "Москва, ул. Ленина, 1";
    written.PostInn = "7701234567";
    written.PostKpp = "770101001";
    written.PostContactFace = "Иванов И. И.";
    written.PostTels = "+7 495 000-00-00";
    written.MailForsend = "zakaz@talverin.example";
    written.Orgname = "ООО \"Покупатель\"";
    written.OrgAdress = "Тверь";
    written.OrgInn = "6901000000";
    written.OrgKpp = "690101001";
    written.OrgContactFace = "Петров";
    written.OrgTels = "123";
    written.OrgMail = "buyer@example.org";
    written.IsImportOnStart = 1;
    written.ConnectHost = "127.0.0.1";
    written.ConnectUserName = "user";
    written.ConnectPassword = "пароль=1";
    written.ConnectPassive = true;
    written.ConnectPort = 2121;
    written.ProxyHost = "proxy";
    written.ProxyPort = 1080;
    written.ProxyUserName = "pu";
    written.ProxyPassword = "pp";
    written.ProxyMode = TFtpProxyMode::fpcmUserSite;
    WriteSettings(written, dir.Path(), "ListConfig.ini");

    TListOptions read;
    ASSERT_FALSE(ReadSettings(read, dir.Path(), "ListConfig.ini", kSources));
    read.PathBase = written.PathBase;
    TListOptions expected = written;
    auto tie = [](const TListOptions& o) {
        return std::tie(o.PathPicture, o.IsInputKolByWindow, o.PostName, o.PostAdress, o.PostInn,
                        o.PostKpp, o.PostContactFace, o.PostTels, o.MailForsend, o.Orgname,
                        o.OrgAdress, o.OrgInn, o.OrgKpp, o.OrgContactFace, o.OrgTels, o.OrgMail,
                        o.IsImportOnStart, o.ConnectHost, o.ConnectUserName, o.ConnectPassword,
                        o.ConnectPassive, o.ConnectPort, o.ProxyHost, o.ProxyPort, o.ProxyUserName,
                        o.ProxyPassword, o.ProxyMode, o.ProxySocks5);
    };
    EXPECT_TRUE(tie(read) == tie(expected));
}

TEST(WriteSettings, AnUnwritableFolderIsNotReportedAndTheNextReadStartsAfresh) {
    TempDir dir;
    TListOptions options;
    EXPECT_NO_THROW(WriteSettings(options, dir / "missing/", "ListConfig.ini"));
    EXPECT_TRUE(ReadSettings(options, dir / "missing/", "ListConfig.ini", kSources));
}

}  // namespace
