// INI reading and writing on real Windows-1251 files.
#include "platform/ini/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

using platform::IniFile;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A settings file as another program might leave it: LF endings, blanks, comments,
// Cyrillic in Windows-1251 ("\xD2\xE0\xEB\xFC\xE2\xE5\xF0\xE8\xED" is "Тальверин").
const char* const kSample =
    "; settings\n"
    "[Other]\n"
    "PostName=elsewhere\n"
    "\n"
    "[common]\n"
    "  PostName  =  \xD2\xE0\xEB\xFC\xE2\xE5\xF0\xE8\xED \r\n"
    "ConnectPort=2121\n"
    "Formula = a=b\n"
    "ConnectPassive=5\n"
    "IsImportOnStart=12abc\n"
    "Quoted=\"x\"\n"
    "; comment=3\n"
    "no equals sign\n"
    "PostName=second one is ignored\n"
    "\n"
    "[Last]\n"
    "k=v";

}  // namespace

TEST(IniRead, NamesIgnoreCaseAndValuesAreTrimmed) {
    TempDir dir;
    WriteFile(dir / "ListConfig.ini", kSample);
    IniFile ini(dir / "ListConfig.ini");
    EXPECT_EQ(ini.ReadString("COMMON", "PostName", "-"), "Тальверин");
    EXPECT_EQ(ini.ReadString("Common", "postname", "-"), "Тальверин");
    EXPECT_EQ(ini.ReadString("Other", "PostName", "-"), "elsewhere");
    EXPECT_EQ(ini.ReadString("COMMON", "Formula", "-"), "a=b");
    EXPECT_EQ(ini.ReadString("COMMON", "Quoted", "-"), "\"x\"");
    EXPECT_EQ(ini.ReadString("COMMON", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadString("NoSection", "PostName", "default"), "default");
    EXPECT_EQ(ini.ReadString("COMMON", "; comment", "default"), "default");
    EXPECT_EQ(ini.ReadString("Last", "k", "-"), "v");
    EXPECT_TRUE(ini.SectionExists("LAST"));
    EXPECT_FALSE(ini.KeyExists("COMMON", "no equals sign"));
}

TEST(IniRead, CyrillicNamesIgnoreCaseToo) {
    TempDir dir;
    WriteFile(dir / "a.ini",
              "[\xD0\xE0\xE7\xE4\xE5\xEB]\r\n\xB8\xEB\xEA\xE0=1\r\n");  // [Раздел] ёлка=1
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.ReadString("РАЗДЕЛ", "ЁЛКА", "-"), "1");
}

TEST(IniRead, IntegersAndBooleans) {
    TempDir dir;
    WriteFile(dir / "a.ini", kSample);
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.ReadInteger("COMMON", "ConnectPort", 21), 2121);
    EXPECT_EQ(ini.ReadInteger("COMMON", "Missing", 21), 21);
    EXPECT_EQ(ini.ReadInteger("COMMON", "IsImportOnStart", 7), 7);  // "12abc" does not parse
    EXPECT_EQ(ini.ReadInteger("COMMON", "PostName", -1), -1);
    EXPECT_TRUE(ini.ReadBool("COMMON", "ConnectPassive", false));  // 5 is true
    EXPECT_FALSE(ini.ReadBool("COMMON", "Missing", false));
    EXPECT_TRUE(ini.ReadBool("COMMON", "PostName", true));

    WriteFile(dir / "b.ini", "[S]\nneg=-3\nzero=0\nbig=99999999999\nblank=\n");
    IniFile b(dir / "b.ini");
    EXPECT_EQ(b.ReadInteger("S", "neg", 0), -3);
    EXPECT_FALSE(b.ReadBool("S", "zero", true));
    EXPECT_EQ(b.ReadInteger("S", "big", 4), 4);
    EXPECT_EQ(b.ReadInteger("S", "blank", 4), 4);
    EXPECT_EQ(b.ReadString("S", "blank", "x"), "");  // present but empty is not missing
}

TEST(IniRead, MissingFileReadsAsEmpty) {
    TempDir dir;
    IniFile ini(dir / "none.ini");
    EXPECT_FALSE(ini.SectionExists("COMMON"));
    EXPECT_EQ(ini.ReadInteger("COMMON", "ConnectPort", 21), 21);
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEverythingElse) {
    TempDir dir;
    std::string path = dir / "ListConfig.ini";
    WriteFile(path, kSample);
    IniFile ini(path);
    EXPECT_TRUE(ini.WriteString("COMMON", "POSTNAME", "Ёлка"));
    EXPECT_TRUE(ini.WriteInteger("common", "ConnectPort", 21));
    EXPECT_EQ(ReadFile(path),
              "; settings\r\n"
              "[Other]\r\n"
              "PostName=elsewhere\r\n"
              "\r\n"
              "[common]\r\n"
              "POSTNAME=\xA8\xEB\xEA\xE0\r\n"
              "ConnectPort=21\r\n"
              "Formula = a=b\r\n"
              "ConnectPassive=5\r\n"
              "IsImportOnStart=12abc\r\n"
              "Quoted=\"x\"\r\n"
              "; comment=3\r\n"
              "no equals sign\r\n"
              "PostName=second one is ignored\r\n"
              "\r\n"
              "[Last]\r\n"
              "k=v\r\n");
    EXPECT_EQ(ini.ReadString("COMMON", "PostName", "-"), "Ёлка");
}

TEST(IniWrite, AppendsKeysToTheirSectionAndNewSectionsAtTheEnd) {
    TempDir dir;
    std::string path = dir / "a.ini";
    WriteFile(path, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    IniFile ini(path);
    EXPECT_TRUE(ini.WriteBool("a", "flag", true));
    EXPECT_TRUE(ini.WriteString("C", "z", "3"));
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\nflag=1\r\n\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
}

TEST(IniWrite, CreatesAMissingFileAndWritesSeveralKeysInOrder) {
    TempDir dir;
    std::string path = dir / "ListConfig.ini";
    IniFile ini(path);
    EXPECT_TRUE(ini.WriteStrings(
        "COMMON", {{"PostName", "Тальверин"}, {"ConnectPort", "21"}, {"ProxyType", "0"}}));
    EXPECT_EQ(ReadFile(path),
              "[COMMON]\r\nPostName=\xD2\xE0\xEB\xFC\xE2\xE5\xF0\xE8\xED\r\nConnectPort=21\r\n"
              "ProxyType=0\r\n");
    IniFile again(path);
    EXPECT_EQ(again.ReadInteger("COMMON", "ConnectPort", 0), 21);
}

TEST(IniWrite, KeepsChangesMadeToTheFileByOthers) {
    TempDir dir;
    std::string path = dir / "a.ini";
    WriteFile(path, "[A]\r\nx=1\r\n");
    IniFile ini(path);
    WriteFile(path, "[A]\r\nx=1\r\nadded=elsewhere\r\n");
    EXPECT_TRUE(ini.WriteString("A", "x", "2"));
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=2\r\nadded=elsewhere\r\n");
}

TEST(IniWrite, AValueNeverSpillsIntoAnotherKey) {
    TempDir dir;
    std::string path = dir / "a.ini";
    IniFile ini(path);
    EXPECT_TRUE(ini.WriteString("A", "name", "first\r\nConnectHost=evil"));
    IniFile again(path);
    EXPECT_EQ(again.ReadString("A", "name", ""), "first  ConnectHost=evil");
    EXPECT_FALSE(again.KeyExists("A", "ConnectHost"));
    EXPECT_EQ(again.ReadString("A", "", "d"), "d");
    EXPECT_FALSE(ini.WriteString("A", "", "x"));
    EXPECT_FALSE(ini.WriteString("A", "a=b", "x"));
    EXPECT_FALSE(ini.WriteString("", "k", "x"));
}

TEST(IniWrite, WriteIntoAMissingFolderIsQuiet) {
    TempDir dir;
    IniFile missingFolder(dir / "no/such/folder/a.ini");
    EXPECT_FALSE(missingFolder.WriteString("A", "x", "1"));
    EXPECT_FALSE(missingFolder.SectionExists("A"));
}

TEST(IniWrite, FailedWriteIsQuietAndLeavesTheFile) {
    TempDir dir;
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    std::string folder = dir / "locked";
    ::mkdir(folder.c_str(), 0755);
    WriteFile(folder + "/a.ini", "[A]\r\nx=1\r\n");
    ::chmod(folder.c_str(), 0555);
    IniFile ini(folder + "/a.ini");
    EXPECT_FALSE(ini.WriteString("A", "x", "2"));
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    EXPECT_EQ(ReadFile(folder + "/a.ini"), "[A]\r\nx=1\r\n");
    ::chmod(folder.c_str(), 0755);
}
