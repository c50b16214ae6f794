// File and folder operations and listing by masks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>

#include "platform/os/os.h"
#include "test_support.h"

using namespace platform;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::size_t EntryCount(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

}  // namespace

TEST(Files, ExistsTellsFilesFromFolders) {
    TempDir dir;
    WriteFile(dir / "a.txt", "x");
    CreateFolder(dir / "sub");
    EXPECT_TRUE(FileExists(dir / "a.txt"));
    EXPECT_FALSE(FileExists(dir / "sub"));
    EXPECT_FALSE(FileExists(dir / "none"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(FolderExists(dir / "sub"));
    EXPECT_TRUE(FolderExists(dir / "sub/"));
    EXPECT_FALSE(FolderExists(dir / "a.txt"));
}

TEST(Files, CopyReplacesTheTargetAndKeepsTheModificationTime) {
    TempDir dir;
    WriteFile(dir / "src.csv", "new content");
    WriteFile(dir / "dst.csv", "old, much longer content than the new one");
    timeval old[2] = {{1204711327, 0}, {1204711327, 0}};  // 2008-03-05
    ASSERT_EQ(utimes((dir / "src.csv").c_str(), old), 0);
    EXPECT_TRUE(CopyFile(dir / "src.csv", dir / "dst.csv"));
    EXPECT_EQ(ReadFile(dir / "dst.csv"), "new content");
    EXPECT_EQ(FileModificationTime(dir / "dst.csv"), FileModificationTime(dir / "src.csv"));
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

TEST(Files, FailedCopyIsQuietAndLeavesTheTarget) {
    TempDir dir;
    WriteFile(dir / "dst.csv", "kept");
    EXPECT_FALSE(CopyFile(dir / "missing.csv", dir / "dst.csv"));
    EXPECT_EQ(ReadFile(dir / "dst.csv"), "kept");
    WriteFile(dir / "src.csv", "x");
    EXPECT_FALSE(CopyFile(dir / "src.csv", dir / "no/such/folder/dst.csv"));
    EXPECT_FALSE(CopyFile(dir.Path(), dir / "folder-copy"));
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

TEST(Files, DeleteAndRename) {
    TempDir dir;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    EXPECT_TRUE(RenameFile(dir / "a", dir / "b"));  // replaces
    EXPECT_EQ(ReadFile(dir / "b"), "A");
    EXPECT_FALSE(FileExists(dir / "a"));
    EXPECT_FALSE(RenameFile(dir / "a", dir / "c"));
    EXPECT_TRUE(DeleteFile(dir / "b"));
    EXPECT_FALSE(DeleteFile(dir / "b"));
    CreateFolder(dir / "sub");
    EXPECT_FALSE(DeleteFile(dir / "sub"));
    EXPECT_TRUE(FolderExists(dir / "sub"));
}

TEST(Folders, CreateMakesOneLevelQuietly) {
    TempDir dir;
    EXPECT_TRUE(CreateFolder(dir / "one/"));
    EXPECT_TRUE(CreateFolder(dir / "one"));  // already there
    EXPECT_FALSE(CreateFolder(dir / "x/y/z"));
    EXPECT_FALSE(FolderExists(dir / "x"));
    WriteFile(dir / "file", "");
    EXPECT_FALSE(CreateFolder(dir / "file"));
    EXPECT_TRUE(CreateFolderTree(dir / "x/y/z/"));
    EXPECT_TRUE(FolderExists(dir / "x/y/z"));
}

TEST(ListFiles, MasksHiddenFilesAndLetterCase) {
    TempDir dir;
    for (const char* name :
         {"b.jpg", "a.jpg", "c.JPG", "d.gif", ".hidden.jpg", "e.jpg.txt", "Фото.jpg"})
        WriteFile(dir / name, "");
    CreateFolder(dir / "folder.jpg");
    using Names = std::vector<std::string>;
    EXPECT_EQ(ListFiles(dir.Path(), {"*.jpg"}), (Names{"a.jpg", "b.jpg", "Фото.jpg"}));
    EXPECT_EQ(ListFiles(dir.Path(), {"*.jpg"}, true),
              (Names{"a.jpg", "b.jpg", "c.JPG", "Фото.jpg"}));
    EXPECT_EQ(ListFiles(dir.Path(), {"*.jpg", "*.gif"}),
              (Names{"a.jpg", "b.jpg", "d.gif", "Фото.jpg"}));
    EXPECT_EQ(ListFiles(dir.Path(), {"????.jpg"}), (Names{"Фото.jpg"}));
    EXPECT_EQ(ListFiles(dir / "missing", {"*"}), Names{});
}

TEST(MatchesMask, Wildcards) {
    struct Case {
        const char* name;
        const char* mask;
        bool ignoreCase;
        bool expected;
    };
    const Case cases[] = {
        {"Export.csv", "Export*.csv", false, true},
        {"ExportPrice.csv", "Export*.csv", false, true},
        {"exportprice.CSV", "Export*.csv", false, false},
        {"exportprice.CSV", "Export*.csv", true, true},
        {"ёлка.txt", "ЁЛКА.*", true, true},
        {"Export.csv.bak", "Export*.csv", false, false},
        {"abc", "a?c", false, true},
        {"ac", "a?c", false, false},
        {"abc", "*", false, true},
        {"aXbXc", "a*b*c", false, true},
        {"abc", "", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask, c.ignoreCase), c.expected)
            << c.name << " ~ " << c.mask;
}
