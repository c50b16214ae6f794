#include "platform/archive/archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <utility>

#include "platform/os/os.h"
#include "test_support.h"

using platform::ArchiveError;
using platform::ArchiveType;
using namespace testsupport;

namespace {

std::string Script() { return SourceDir() + "/tests/platform/archive/make_archive.py"; }

// Builds a ZIP from (stored name, content) pairs; content "-" makes a folder entry.
void MakeZip(const TempDir& tmp, const std::string& out,
             const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> argv = {"/usr/bin/python3", Script(), "zip", out};
    int i = 0;
    for (const auto& [name, content] : entries) {
        std::string source = "-";
        if (content != "-") {
            source = tmp / ("src" + std::to_string(i++));
            WriteFile(source, content);
        }
        argv.push_back(name);
        argv.push_back(source);
    }
    ASSERT_EQ(RunCommand(argv), 0);
}

void MakeGzip(const TempDir& tmp, const std::string& out, const std::string& content) {
    std::string source = tmp / "gzsrc";
    WriteFile(source, content);
    ASSERT_EQ(RunCommand({"/usr/bin/python3", Script(), "gzip", out, source}), 0);
}

std::string RandomBytes(std::size_t n) {
    std::mt19937 gen(42);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Folders {
    TempDir tmp;
    std::string target;
    Folders() : target(tmp / "target/") { std::filesystem::create_directory(target); }
};

}  // namespace

TEST(FileMask, MatchesLikeWindows) {
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    };
    const Case cases[] = {
        {"ExportPrice.csv", "Export*.csv", true},
        {"exportclass.CSV", "Export*.csv", true},
        {"Export.csv", "Export*.csv", true},
        {"ExportPrice.csv.bak", "Export*.csv", false},
        {"MyExport.csv", "Export*.csv", false},
        {"Export.txt", "Export*.csv", false},
        {"a.JPG", "*.jpg", true},
        {"a.jpeg", "*.jpg", false},
        {"x1.jpg", "x?.jpg", true},
        {"x12.jpg", "x?.jpg", false},
        {"anything", "*", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::MatchesMask(c.name, c.mask, true), c.match)
            << c.name << " ~ " << c.mask;
}

TEST(SafeEntryName, DropsFoldersAndRefusesEscapes) {
    struct Case {
        const char* stored;
        const char* name;
    };
    const Case cases[] = {
        {"ExportPrice.csv", "ExportPrice.csv"},
        {"data/2024/ExportPrice.csv", "ExportPrice.csv"},
        {"../ExportPrice.csv", "ExportPrice.csv"},
        {"..\\..\\ExportPrice.csv", "ExportPrice.csv"},
        {"/etc/passwd", "passwd"},
        {"C:\\Windows\\x.csv", "x.csv"},
        {"C:x.csv", ""},
        {"", ""},
        {".", ""},
        {"..", ""},
        {"a/..", ""},
        {"dir/", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::SafeEntryName(c.stored), c.name) << c.stored;
}

TEST(ExtractZipByMask, ExtractsMatchingEntriesWithoutTheirFolders) {
    Folders f;
    std::string zip = f.tmp / "a.zip";
    MakeZip(f.tmp, zip,
            {{"ExportPrice.csv", "price"},
             {"sub/", "-"},
             {"sub/deeper/EXPORTCLASS.CSV", "class"},
             {"readme.txt", "no"},
             {"Export.txt", "no"}});
    auto names = platform::ExtractZipByMask(zip, f.target, "Export*.csv");
    EXPECT_EQ(names, (std::vector<std::string>{"ExportPrice.csv", "EXPORTCLASS.CSV"}));
    EXPECT_EQ(FolderNames(f.target),
              (std::vector<std::string>{"EXPORTCLASS.CSV", "ExportPrice.csv"}));
    EXPECT_EQ(ReadFile(f.target + "ExportPrice.csv"), "price");
    EXPECT_EQ(ReadFile(f.target + "EXPORTCLASS.CSV"), "class");
}

TEST(ExtractZipByMask, TargetFolderWithoutTrailingSeparatorAndReplacesOldFile) {
    Folders f;
    WriteFile(f.target + "ExportPrice.csv", "old");
    std::string zip = f.tmp / "a.zip";
    MakeZip(f.tmp, zip, {{"ExportPrice.csv", "new"}});
    std::string folder = f.target.substr(0, f.target.size() - 1);
    platform::ExtractZipByMask(zip, folder, "Export*.csv");
    EXPECT_EQ(ReadFile(f.target + "ExportPrice.csv"), "new");
    EXPECT_EQ(FolderNames(f.target), (std::vector<std::string>{"ExportPrice.csv"}));
}

TEST(ExtractZipByMask, NeverWritesOutsideTheTargetFolder) {
    Folders f;
    std::string zip = f.tmp / "evil.zip";
    MakeZip(f.tmp, zip,
            {{"../ExportUp.csv", "up"},
             {"..\\ExportBack.csv", "back"},
             {"/tmp/ExportAbs.csv", "abs"},
             {"C:ExportDrive.csv", "drive"},
             {"..", "dots"},
             {"sub/..", "dots"}});
    auto names = platform::ExtractZipByMask(zip, f.target, "*");
    EXPECT_EQ(names, (std::vector<std::string>{"ExportUp.csv", "ExportBack.csv", "ExportAbs.csv"}));
    EXPECT_EQ(FolderNames(f.target),
              (std::vector<std::string>{"ExportAbs.csv", "ExportBack.csv", "ExportUp.csv"}));
    // The temporary folder holds only the archive, its sources and the target.
    for (const auto& name : FolderNames(f.tmp.Path()))
        EXPECT_EQ(name.find("Export"), std::string::npos) << name;
    EXPECT_FALSE(FileExists("/tmp/ExportAbs.csv") && ReadFile("/tmp/ExportAbs.csv") == "abs");
}

TEST(ExtractZipByMask, DamagedArchiveNamesTheFileAndKeepsOldFiles) {
    Folders f;
    std::string good = f.tmp / "good.zip";
    MakeZip(f.tmp, good, {{"ExportPrice.csv", RandomBytes(300000)}});
    std::string bytes = ReadFile(good);

    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"truncated.zip", bytes.substr(0, bytes.size() / 2)},
        {"garbage.zip", std::string(4000, 'x')},
        {"zero-bytes.zip", std::string()},
        {"gzip-not-zip.zip", std::string("\x1f\x8b\x08\x00", 4) + std::string(100, '\0')},
    };
    for (const auto& c : cases) {
        WriteFile(f.target + "ExportPrice.csv", "old");
        std::string path = f.tmp / c.name;
        WriteFile(path, c.content);
        try {
            platform::ExtractZipByMask(path, f.target, "Export*.csv");
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadFile(f.target + "ExportPrice.csv"), "old") << c.name;
        EXPECT_EQ(FolderNames(f.target), (std::vector<std::string>{"ExportPrice.csv"})) << c.name;
    }
}

TEST(ExtractZipByMask, MissingArchiveIsAnError) {
    Folders f;
    EXPECT_THROW(platform::ExtractZipByMask(f.tmp / "none.zip", f.target, "*"), ArchiveError);
}

TEST(ExtractZipByMask, EmptyArchiveExtractsNothing) {
    Folders f;
    std::string zip = f.tmp / "empty.zip";
    MakeZip(f.tmp, zip, {});
    EXPECT_TRUE(platform::ExtractZipByMask(zip, f.target, "*").empty());
    EXPECT_FALSE(platform::ExtractFirstEntry(zip, ArchiveType::Zip, f.target, "pictures.txt"));
    EXPECT_TRUE(FolderNames(f.target).empty());
}

TEST(ExtractFirstEntry, GzipFirstEntryUnderTheGivenName) {
    Folders f;
    // The name says ZIP; the caller's type decides.
    std::string gz = f.tmp / "list.zip";
    MakeGzip(f.tmp, gz, "1.jpg\r\n2.jpg\r\n");
    ASSERT_TRUE(platform::ExtractFirstEntry(gz, ArchiveType::Gzip, f.target, "pictures.txt"));
    EXPECT_EQ(ReadFile(f.target + "pictures.txt"), "1.jpg\r\n2.jpg\r\n");
    EXPECT_EQ(FolderNames(f.target), (std::vector<std::string>{"pictures.txt"}));
}

TEST(ExtractFirstEntry, ZipFirstFileEntryWhateverItsName) {
    Folders f;
    std::string zip = f.tmp / "pictures.zip";
    MakeZip(f.tmp, zip, {{"lists/", "-"}, {"lists/a.txt", "first"}, {"b.txt", "second"}});
    ASSERT_TRUE(platform::ExtractFirstEntry(zip, ArchiveType::Zip, f.target, "pictures.txt"));
    EXPECT_EQ(ReadFile(f.target + "pictures.txt"), "first");
    EXPECT_EQ(FolderNames(f.target), (std::vector<std::string>{"pictures.txt"}));
}

TEST(ExtractFirstEntry, WrongOrDamagedTypeIsAnErrorAndLeavesNoFile) {
    Folders f;
    std::string zip = f.tmp / "a.zip";
    MakeZip(f.tmp, zip, {{"a.txt", "x"}});
    std::string gz = f.tmp / "a.gz";
    MakeGzip(f.tmp, gz, RandomBytes(200000));
    std::string gzBytes = ReadFile(gz);
    std::string truncatedGz = f.tmp / "cut.gz";
    WriteFile(truncatedGz, gzBytes.substr(0, gzBytes.size() / 2));
    std::string plain = f.tmp / "plain.txt.gz";
    WriteFile(plain, "1.jpg\r\n");

    struct Case {
        std::string path;
        ArchiveType type;
    };
    const Case cases[] = {{zip, ArchiveType::Gzip},
                          {gz, ArchiveType::Zip},
                          {truncatedGz, ArchiveType::Gzip},
                          {plain, ArchiveType::Gzip}};
    for (const auto& c : cases) {
        try {
            platform::ExtractFirstEntry(c.path, c.type, f.target, "pictures.txt");
            ADD_FAILURE() << c.path << " was accepted";
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
        }
        EXPECT_TRUE(FolderNames(f.target).empty()) << c.path;
    }
}

TEST(ExtractFirstEntry, RefusesAnUnsafeTargetName) {
    Folders f;
    std::string gz = f.tmp / "a.gz";
    MakeGzip(f.tmp, gz, "x");
    EXPECT_THROW(platform::ExtractFirstEntry(gz, ArchiveType::Gzip, f.target, "../x"),
                 ArchiveError);
}
