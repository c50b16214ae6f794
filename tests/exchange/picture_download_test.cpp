#include <gtest/gtest.h>

#include <chrono>

#include "exchange_fixture.h"
#include "platform/ftp/ftp_client.h"

using namespace exchangetest;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string CR = "\r";
const std::string T = "Загрузка изображений";

std::string Photo(const std::string& name) { return "httpdocs/photo/" + name; }

// The list as the server keeps it: Windows-1251 lines ending in CR LF.
std::string ListText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> Progress(const std::vector<std::string>& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages)
        if (m.find(" из ") != std::string::npos) out.push_back(m);
    return out;
}

void ExpectNoPartFiles(const World& w) {
    for (const auto& name : w.Names(w.cache))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

}  // namespace

TEST(DownloadPictures, FetchesEveryMissingPictureWithCountedProgress) {
    World w;
    std::vector<std::string> lines = {"", "   "};
    for (int i = 1; i <= 25; ++i) {
        std::string name = "p" + std::to_string(100 + i) + ".jpg";
        lines.push_back(name);
        w.ServerFile(Photo(name), "picture\n" + name + "\r\n\n");
    }
    lines.insert(lines.begin() + 5, "CACHED.JPG");  // present in the cache in another case
    lines.push_back("Prod.jpg");                    // present in the product folder
    lines.push_back("");
    WriteFile(w.cache + "cached.jpg", "kept");
    WriteFile(w.pictures + "prod.JPG", "kept");
    w.ServerFile(Photo("CACHED.JPG"), "server");
    w.ServerFile("pics.txt", ListText(lines));
    // The product folder without its closing separator is still searched.
    w.options.PathPicture = w.pictures.substr(0, w.pictures.size() - 1);
    w.StartServer();
    auto& ex = w.Configure();
    EXPECT_TRUE(ex.DownloadPictures("pics.txt"));

    for (int i = 1; i <= 25; ++i) {
        std::string name = "p" + std::to_string(100 + i) + ".jpg";
        // Byte for byte: line ends inside a picture are not converted.
        EXPECT_EQ(ReadFile(w.cache + name), "picture\n" + name + "\r\n\n");
    }
    EXPECT_EQ(ReadFile(w.cache + "cached.jpg"), "kept");
    EXPECT_FALSE(FileExists(w.cache + "CACHED.JPG"));
    EXPECT_FALSE(FileExists(w.cache + "Prod.jpg"));
    ExpectNoPartFiles(w);

    std::vector<std::string> expectedProgress;
    for (int i = 0; i < 25; ++i)
        expectedProgress.push_back(T + CR + std::to_string(i) + " из 25" + CR +
                                   Photo("p" + std::to_string(101 + i) + ".jpg"));
    EXPECT_EQ(Progress(w.messages), expectedProgress);
    std::vector<std::string> head(w.messages.begin(), w.messages.begin() + 8);
    EXPECT_EQ(head,
              (std::vector<std::string>{
                  T, T + CR + "Соединение", T + CR + "Получение списка" + CR + "pics.txt",
                  T + CR + "Получение списка", T + CR + "Отключение", T + CR + "Составление списка",
                  T + CR + "Соединение", expectedProgress[0]}));
    EXPECT_EQ(w.messages[w.messages.size() - 2], T + CR + "Отключение");
    EXPECT_EQ(w.messages.back(), "");
    EXPECT_FALSE(ex.Busy);
    EXPECT_FALSE(w.panel.State.pnlExchangeVisible);
    EXPECT_TRUE(w.panel.State.btnGetNewPicturesEnabled);
}

TEST(DownloadPictures, ListFormFollowsThePath) {
    struct Case {
        std::string path;
        std::string localCopy;
    };
    const Case cases[] = {
        {"list.txt.gz", "pictures.txt.gz"}, {"list.zip", "pictures.zip"}, {"list.txt", ""}};
    for (const auto& c : cases) {
        World w;
        std::string text = ListText({"a.jpg", "b.jpg"});
        if (c.localCopy == "pictures.txt.gz")
            w.ServerFile(c.path, GzipBytes(w.scratch, text));
        else if (c.localCopy == "pictures.zip")
            w.ServerFile(c.path,
                         ZipBytes(w.scratch, {{"export/list.txt", text}, {"other.txt", "x.jpg"}}));
        else
            w.ServerFile(c.path, text);
        w.ServerFile(Photo("a.jpg"), "A");
        w.ServerFile(Photo("b.jpg"), "B");
        w.ServerFile(Photo("x.jpg"), "X");
        // Old list files go before the run.
        WriteFile(w.cache + "pictures.txt", "stale.jpg\r\n");
        w.StartServer();
        EXPECT_TRUE(w.Configure().DownloadPictures(c.path)) << c.path;
        EXPECT_EQ(ReadFile(w.cache + "a.jpg"), "A") << c.path;
        EXPECT_EQ(ReadFile(w.cache + "b.jpg"), "B") << c.path;
        EXPECT_FALSE(FileExists(w.cache + "x.jpg")) << c.path;
        EXPECT_EQ(ReadFile(w.cache + "pictures.txt"), text) << c.path;
        if (!c.localCopy.empty()) {
            EXPECT_TRUE(FileExists(w.cache + c.localCopy)) << c.path;
        }
    }
}

TEST(DownloadPictures, ListLinesNamingPathsAreSkipped) {
    World w;
    w.ServerFile("httpdocs/evil.jpg", "outside");
    w.ServerFile(Photo("ok.jpg"), "ok");
    w.ServerFile("pics.txt", ListText({"../evil.jpg", "..\\evil.jpg", "sub/ok.jpg", "C:ok.jpg",
                                       "..", ".", " .. ", "ok.jpg"}));
    w.StartServer();
    EXPECT_TRUE(w.Configure().DownloadPictures("pics.txt"));
    EXPECT_EQ(w.Names(w.cache), (std::vector<std::string>{"ok.jpg", "pictures.txt"}));
    EXPECT_FALSE(FileExists(w.tmp / "evil.jpg"));
    EXPECT_EQ(Progress(w.messages),
              (std::vector<std::string>{T + CR + "0 из 1" + CR + Photo("ok.jpg")}));
}

TEST(DownloadPictures, NothingMissingOpensNoSecondConnection) {
    World w;
    WriteFile(w.cache + "a.jpg", "local");
    w.ServerFile("pics.txt", ListText({"A.JPG"}));
    w.StartServer();
    EXPECT_TRUE(w.Configure().DownloadPictures("pics.txt"));
    EXPECT_EQ(w.messages,
              (std::vector<std::string>{T, T + CR + "Соединение",
                                        T + CR + "Получение списка" + CR + "pics.txt",
                                        T + CR + "Получение списка", T + CR + "Отключение",
                                        T + CR + "Составление списка", T + CR + "Отключение", ""}));
}

TEST(DownloadPictures, LineWithATrailingBlankIsNotTheLocalPicture) {
    World w;
    WriteFile(w.cache + "a.jpg", "local");
    WriteFile(w.pictures + "b.jpg", "local");
    w.ServerFile(Photo("a.jpg "), "server");
    w.ServerFile("pics.txt", ListText({"a.jpg ", "B.jpg"}));
    w.StartServer();
    EXPECT_TRUE(w.Configure().DownloadPictures("pics.txt"));
    EXPECT_EQ(Progress(w.messages),
              (std::vector<std::string>{T + CR + "0 из 1" + CR + Photo("a.jpg ")}));
    EXPECT_EQ(ReadFile(w.cache + "a.jpg"), "local");
    EXPECT_EQ(ReadFile(w.cache + "a.jpg "), "server");
}

TEST(DownloadPictures, ListMissingOnTheServerEndsNormally) {
    World w;
    w.StartServer();
    EXPECT_TRUE(w.Configure().DownloadPictures("pics.txt.gz"));
    EXPECT_EQ(w.messages,
              (std::vector<std::string>{T, T + CR + "Соединение",
                                        T + CR + "Получение списка" + CR + "pics.txt.gz",
                                        T + CR + "Отключение", T + CR + "Отключение", ""}));
    EXPECT_TRUE(w.Names(w.cache).empty());
}

TEST(DownloadPictures, DroppedConnectionSkipsTheRestAndLeavesNoPartialPicture) {
    World w;
    std::vector<std::string> lines;
    for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}) {
        lines.push_back(name);
        w.ServerFile(Photo(name), NoiseBytes(300000));
    }
    w.ServerFile("pics.txt", ListText(lines));
    w.StartServer({"--drop", "p3.jpg:100000"});
    auto& ex = w.Configure();
    EXPECT_TRUE(ex.DownloadPictures("pics.txt"));
    EXPECT_TRUE(FileExists(w.cache + "p1.jpg"));
    EXPECT_TRUE(FileExists(w.cache + "p2.jpg"));
    EXPECT_FALSE(FileExists(w.cache + "p3.jpg"));
    EXPECT_FALSE(FileExists(w.cache + "p4.jpg"));
    ExpectNoPartFiles(w);
    EXPECT_FALSE(ex.Busy);
}

TEST(DownloadPictures, CancelStopsTheLoopAtOnceWithoutPartialPicture) {
    World w;
    std::vector<std::string> lines;
    // The server sends the first 200 KB of each file at once and then slows down.
    for (const auto& [name, size] : std::vector<std::pair<std::string, std::size_t>>{
             {"p1.jpg", 10000}, {"p2.jpg", 2000000}, {"p3.jpg", 10000}}) {
        lines.push_back(name);
        w.ServerFile(Photo(name), NoiseBytes(size));
    }
    w.ServerFile("pics.txt", ListText(lines));
    w.StartServer({"--rate", "100000"});
    auto& ex = w.Configure();
    using Clock = std::chrono::steady_clock;
    Clock::time_point cancelledAt{};
    bool cancelled = false;
    w.panel.OnPump = [&] {
        if (!cancelled && FileExists(w.cache + "p2.jpg.part") &&
            std::filesystem::file_size(w.cache + "p2.jpg.part") > 20000) {
            cancelled = true;
            cancelledAt = Clock::now();
            w.panel.btnExchangeCancelClick();
        }
    };
    EXPECT_TRUE(ex.DownloadPictures("pics.txt"));
    ASSERT_TRUE(cancelled);
    EXPECT_LT(Clock::now() - cancelledAt, std::chrono::seconds(2));
    EXPECT_TRUE(FileExists(w.cache + "p1.jpg"));
    EXPECT_FALSE(FileExists(w.cache + "p2.jpg"));
    EXPECT_FALSE(FileExists(w.cache + "p3.jpg"));
    ExpectNoPartFiles(w);
    EXPECT_FALSE(ex.Busy);
    EXPECT_FALSE(w.panel.State.pnlExchangeVisible);
    EXPECT_TRUE(w.panel.State.btnGetNewPicturesEnabled);
}

// The settings dialog may close (and the component be replaced) while a download waits:
// the old download stops as a cancel would stop it, and the new component is idle.
TEST(DownloadPictures, ReplacingTheComponentStopsItsRunningLoop) {
    World w;
    std::vector<std::string> lines;
    for (const auto& [name, size] : std::vector<std::pair<std::string, std::size_t>>{
             {"p1.jpg", 10000}, {"p2.jpg", 2000000}, {"p3.jpg", 10000}}) {
        lines.push_back(name);
        w.ServerFile(Photo(name), NoiseBytes(size));
    }
    w.ServerFile("pics.txt", ListText(lines));
    w.StartServer({"--rate", "100000"});
    auto& old = w.Configure();
    using Clock = std::chrono::steady_clock;
    Clock::time_point replacedAt{};
    bool replaced = false;
    w.panel.OnPump = [&] {
        if (!replaced && FileExists(w.cache + "p2.jpg.part") &&
            std::filesystem::file_size(w.cache + "p2.jpg.part") > 20000) {
            replaced = true;
            replacedAt = Clock::now();
            w.Configure();
        }
    };
    EXPECT_TRUE(old.DownloadPictures("pics.txt"));
    ASSERT_TRUE(replaced);
    EXPECT_LT(Clock::now() - replacedAt, std::chrono::seconds(2));
    EXPECT_NE(w.ex, &old);
    EXPECT_TRUE(FileExists(w.cache + "p1.jpg"));
    EXPECT_FALSE(FileExists(w.cache + "p2.jpg"));
    EXPECT_FALSE(FileExists(w.cache + "p3.jpg"));
    ExpectNoPartFiles(w);
    EXPECT_FALSE(old.Connected());
    EXPECT_FALSE(w.panel.State.pnlExchangeVisible);
    EXPECT_TRUE(w.panel.State.btnGetNewPicturesEnabled);
}

TEST(DownloadPictures, RefusedLoginGoesUpWithBusySet) {
    World w;
    w.StartServer();
    w.options.ConnectUserName = "nobody";
    auto& ex = w.Configure();
    try {
        ex.DownloadPictures("pics.txt");
        FAIL() << "no error";
    } catch (const platform::FtpError& e) {
        EXPECT_NE(std::string(e.what()).find("530"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ex.Busy);
    EXPECT_TRUE(w.panel.State.pnlExchangeVisible);
}

TEST(DownloadPicture, FetchesAndOverwrites) {
    World w;
    WriteFile(w.cache + "123.jpg", "old");
    w.ServerFile(Photo("123.jpg"), "new");
    w.StartServer();
    auto& ex = w.Configure();
    EXPECT_TRUE(ex.DownloadPicture("123.jpg"));
    EXPECT_EQ(ReadFile(w.cache + "123.jpg"), "new");
    const std::string t = "Загрузка изображения";
    EXPECT_EQ(w.messages, (std::vector<std::string>{t + CR + "Соединение", t + CR + "123.jpg",
                                                    T + CR + "Отключение", ""}));
    EXPECT_TRUE(w.prompts.shown.empty());
    EXPECT_FALSE(ex.Busy);
    ExpectNoPartFiles(w);
}

TEST(DownloadPicture, MissingOrUnsafeNameShowsTheMessageAndWritesNothing) {
    World w;
    w.ServerFile("httpdocs/x.jpg", "outside");
    w.StartServer();
    auto& ex = w.Configure();
    for (const std::string name : {"404.jpg", "../x.jpg"}) {
        w.prompts.shown.clear();
        EXPECT_TRUE(ex.DownloadPicture(name)) << name;
        EXPECT_EQ(w.prompts.Texts("plain"),
                  (std::vector<std::string>{"На сервере нет изображения этого товара"}))
            << name;
    }
    EXPECT_TRUE(w.Names(w.cache).empty());
    EXPECT_FALSE(FileExists(w.tmp / "x.jpg"));
}

TEST(ListFilesByMask, OrdinaryFilesMatchingAnyMask) {
    testsupport::TempDir tmp;
    for (const char* name : {"a.jpg", "B.JPG", "c.png", "d.txt", ".hidden.jpg"})
        WriteFile(tmp / name, "x");
    std::filesystem::create_directory(tmp / "folder.jpg");
    struct Case {
        std::string folder;
        std::string masks;
        std::vector<std::string> names;
    };
    const std::string noSeparator = tmp.Path().substr(0, tmp.Path().size() - 1);
    const Case cases[] = {
        {tmp.Path(), "*.jpg", {"B.JPG", "a.jpg"}},
        {noSeparator, "*.jpg", {"B.JPG", "a.jpg"}},
        {tmp.Path(), "*.jpg;*.png", {"B.JPG", "a.jpg", "c.png"}},
        {tmp / "absent/", "*", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> list = {"kept"};
        ListFilesByMask(c.folder, c.masks, list);
        std::sort(list.begin() + 1, list.end());
        std::vector<std::string> expected = {"kept"};
        expected.insert(expected.end(), c.names.begin(), c.names.end());
        EXPECT_EQ(list, expected) << c.folder << " " << c.masks;
    }
}
