// The catalog registry: conversion of the delivered text list into the registry file, the
// current catalog and its menu and caption, the errors of a bad list, the paths of the
// settings record and the copying of the import files.
#include "shell/catalog_registry.h"

#include <gtest/gtest.h>

#include "platform/os/os.h"
#include "platform/text/app_error.h"
#include "platform/text/text.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;

void WriteCp1251(const std::string& path, const std::string& text) {
    testsupport::WriteFile(path, platform::Utf8ToCp1251(text));
}

// A program folder and a per-user data folder in one temporary folder.
struct Installation {
    TempDir root;
    ShellPlaces places;
    platform::Database db;
    platform::Table registry{db, "Catalogs"};
    TCatalogs catalog;
    MainWindowView view;

    Installation() {
        platform::CreateFolder(root / "program/");
        places = MakeShellPlaces(root / "program/", root / "data/");
        registry.SetDefinitions(CatalogRegistryFields(), {});
    }
    void WriteList(const std::string& text) {
        WriteCp1251(places.ProgramFolder + "catalogs.csv", text);
    }
    void Read() { ReadCatalogRegistry(places, registry, catalog, view); }
    std::vector<bool> Marks() {
        std::vector<bool> marks;
        for (registry.First(); !registry.Eof(); registry.Next())
            marks.push_back(registry.AsBoolean("DEF"));
        return marks;
    }
};

TEST(ReadCatalogRegistry, ConvertsTheDeliveredListOnceAndKeepsTheProgramCopy) {
    Installation inst;
    const std::string list =
        "DEF;NAME;DIREC;EXPP;EXPI\r\n"
        "0;Канцтовары;kanc;price/ kanc.zip ;pic kanc.txt.gz;extra\r\n"
        "1;Бумага;paper;paper.zip;paper.txt\r\n";
    inst.WriteList(list);
    inst.Read();

    const std::string work = inst.places.WorkingDirectory;
    EXPECT_TRUE(platform::FileExists(work + "catalogs.lst"));
    EXPECT_FALSE(platform::FileExists(work + "catalogs.csv"));
    EXPECT_EQ(
        platform::Cp1251ToUtf8(testsupport::ReadFile(inst.places.ProgramFolder + "catalogs.csv")),
        list);
    EXPECT_EQ(inst.catalog.NAME, "Бумага");
    EXPECT_EQ(inst.catalog.DIREC, "paper");
    inst.registry.First();
    EXPECT_EQ(inst.registry.AsText("EXPP"), "price/kanc.zip");
    EXPECT_EQ(inst.registry.AsText("EXPI"), "pickanc.txt.gz");

    // The registry file holds from now on, whatever list lies beside the program.
    inst.WriteList("DEF;NAME;DIREC;EXPP;EXPI\r\n1;Другой;other;;\r\n");
    platform::Database db2;
    platform::Table registry2(db2, "Catalogs");
    registry2.SetDefinitions(CatalogRegistryFields(), {});
    TCatalogs catalog2;
    MainWindowView view2;
    ReadCatalogRegistry(inst.places, registry2, catalog2, view2);
    EXPECT_EQ(catalog2.NAME, "Бумага");
    ASSERT_EQ(view2.CatalogMenu.size(), 2u);
    EXPECT_EQ(view2.CatalogMenu[0].Caption, "Канцтовары");
}

struct MarkCase {
    std::vector<std::string> marks;
    std::vector<bool> def;
    std::string current;
};

TEST(ReadCatalogRegistry, DefaultMarksPickTheCurrentCatalog) {
    const std::vector<MarkCase> cases = {
        {{"0", "1", "1"}, {false, true, true}, "B"},
        {{"0", "0", "0"}, {false, false, false}, "A"},
        {{"0.9", "2", "0"}, {false, true, false}, "B"},
        {{"0", "0", " 1 "}, {false, false, true}, "C"},
        {{"-3", "1 0", "0"}, {false, true, false}, "B"},  // "1 0" reads as 10
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.marks[0] + "|" + c.marks[1] + "|" + c.marks[2]);
        Installation inst;
        inst.WriteList("header\n" + c.marks[0] + ";A;a;;\n" + c.marks[1] + ";B;b;;\n" + c.marks[2] +
                       ";C;c;;\n");
        inst.Read();
        EXPECT_EQ(inst.catalog.NAME, c.current);
        EXPECT_EQ(inst.registry.RecNo(), 1);  // unfiltered, on the first row
        EXPECT_EQ(inst.registry.RecordCount(), 3);
        EXPECT_EQ(inst.Marks(), c.def);
    }
}

TEST(ReadCatalogRegistry, MenuKeepsTheNameAsWrittenAndTheCaptionTrimsIt) {
    Installation inst;
    inst.WriteList("h\r1;  Канцтовары  ; kanc ;;\r0;Бумага;paper;;\r");
    inst.view.BaseTitle = "  Тальверин. Электронный каталог ";
    inst.Read();
    ASSERT_EQ(inst.view.CatalogMenu.size(), 2u);
    EXPECT_EQ(inst.view.CatalogMenu[0].Caption, "  Канцтовары  ");
    EXPECT_EQ(inst.view.CatalogMenu[0].Hint, "  Канцтовары  ");
    EXPECT_EQ(inst.view.CatalogMenu[1].RowNo, 2);
    EXPECT_EQ(inst.catalog.DIREC, "kanc");
    // No price export in the catalog folder: the caption ends with "] ".
    EXPECT_EQ(inst.view.Caption, "Тальверин. Электронный каталог [Канцтовары] ");

    platform::CreateFolder(inst.places.WorkingDirectory + "kanc/");
    testsupport::WriteFile(inst.places.WorkingDirectory + "kanc/ExportPrice.csv", "x");
    inst.Read();
    EXPECT_EQ(inst.view.Caption.rfind("Тальверин. Электронный каталог [Канцтовары]  от ", 0), 0u)
        << inst.view.Caption;
}

TEST(ReadCatalogRegistry, ANewListReplacesTheRowsOfTheOneConvertedBefore) {
    // A new list is installed by removing "catalogs.lst"; the next reading (a catalog
    // switch) converts it while the registry table still holds the old rows.
    Installation inst;
    inst.WriteList("h\n1;A;a;;\n0;B;b;;\n");
    inst.Read();
    platform::DeleteFile(inst.places.WorkingDirectory + "catalogs.lst");
    inst.WriteList("h\n0;C;c;;\n");
    inst.Read();
    EXPECT_EQ(inst.registry.RecordCount(), 1);
    EXPECT_EQ(inst.catalog.NAME, "C");
    ASSERT_EQ(inst.view.CatalogMenu.size(), 1u);
}

TEST(ReadCatalogRegistry, TextsLongerThanTheirFieldsAreCut) {
    Installation inst;
    const std::string longName(60, 'N');
    const std::string longPath =
        std::string(95, 'p') + " /x/y/z.zip";  // 106 characters, 105 without the blank
    inst.WriteList("h\n1;" + longName + ";kanc;" + longPath + ";;\n");
    inst.Read();
    EXPECT_EQ(inst.catalog.NAME, std::string(50, 'N'));
    EXPECT_EQ(inst.view.CatalogMenu.at(0).Caption, std::string(50, 'N'));
    EXPECT_EQ(inst.catalog.EXPP, std::string(95, 'p') + "/x/y/");
}

TEST(ReadCatalogRegistry, HeaderOnlyGivesAnEmptyRegistry) {
    Installation inst;
    inst.WriteList("DEF;NAME;DIREC;EXPP;EXPI\r\n");
    inst.Read();
    EXPECT_TRUE(platform::FileExists(inst.places.WorkingDirectory + "catalogs.lst"));
    EXPECT_EQ(inst.catalog.NAME, "");
    EXPECT_EQ(inst.catalog.DIREC, "");
    EXPECT_TRUE(inst.view.CatalogMenu.empty());

    ShellState shell;
    shell.Places = inst.places;
    shell.Catalog = inst.catalog;
    BuildCatalogPaths(shell);
    EXPECT_EQ(shell.Options.CatalogDir, inst.places.WorkingDirectory + "/");
}

struct BadListCase {
    std::string list;
    std::vector<std::string> mentioned;  // texts the message must carry
};

TEST(ReadCatalogRegistry, ABadLineStopsTheConversionAndSavesNothing) {
    const std::vector<BadListCase> cases = {
        {"h\n1;A;a;;\nда;B;b;;\n", {"строка 3", "«да»", "catalogs.csv"}},
        {"h\n1;A;a;;\n\n0;B;b;;\n", {"строка 3", "пустая строка"}},
        {"h\n1,5;A;a;;\n", {"строка 2", "«1,5»"}},
    };
    for (const BadListCase& c : cases) {
        SCOPED_TRACE(c.list);
        Installation inst;
        inst.WriteList(c.list);
        try {
            inst.Read();
            FAIL() << "no error";
        } catch (const AppError& error) {
            for (const std::string& text : c.mentioned)
                EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
        }
        EXPECT_FALSE(platform::FileExists(inst.places.WorkingDirectory + "catalogs.lst"));
        EXPECT_TRUE(platform::FileExists(inst.places.WorkingDirectory + "catalogs.csv"));
    }
}

TEST(ReadCatalogRegistry, NoListAnywhereIsAnError) {
    Installation inst;
    EXPECT_THROW(inst.Read(), AppError);
    EXPECT_FALSE(platform::FileExists(inst.places.WorkingDirectory + "catalogs.lst"));
    EXPECT_TRUE(platform::FolderExists(inst.places.WorkingDirectory));
}

TEST(ReadCatalogRegistry, AListWaitingInTheWorkingDirectoryWinsOverTheProgramCopy) {
    Installation inst;
    inst.WriteList("h\n1;Программа;p;;\n");
    platform::CreateFolderTree(inst.places.WorkingDirectory);
    WriteCp1251(inst.places.WorkingDirectory + "catalogs.csv", "h\n1;Рабочий;w;;\n");
    inst.Read();
    EXPECT_EQ(inst.catalog.NAME, "Рабочий");
}

TEST(BuildCatalogPaths, MakesTheFoldersAndFillsTheRecord) {
    TempDir root;
    ShellState shell;
    shell.Places = MakeShellPlaces(root / "program/", root / "data/");
    shell.Catalog.DIREC = "kanc";
    BuildCatalogPaths(shell);
    const std::string work = shell.Places.WorkingDirectory;
    EXPECT_EQ(shell.Options.CatalogDir, work + "kanc/");
    EXPECT_EQ(shell.Options.TempPictureDir, work + "TempPicture/");
    EXPECT_TRUE(platform::FolderExists(work + "kanc/"));
    EXPECT_TRUE(platform::FolderExists(work + "TempPicture/"));
    EXPECT_EQ(shell.Options.PriceFile, "Price.lst");
    EXPECT_EQ(shell.Options.ClassFile, "Class.lst");
    EXPECT_EQ(shell.Options.TMFile, "TM.lst");
    EXPECT_EQ(shell.Options.MainFile, "Main.lst");
    EXPECT_EQ(shell.Options.DocFile, "Doc.lst");
    EXPECT_EQ(shell.Options.ConfigFile, "ListConfig.ini");
    EXPECT_EQ(shell.Options.ExportPriceFile, "ExportPrice.csv");
    EXPECT_EQ(shell.Options.ExportClassFile, "ExportClass.csv");
    EXPECT_EQ(shell.Options.PathBase, root / "program/kanc/");
    EXPECT_TRUE(shell.SettingsFileMissing);
    EXPECT_TRUE(platform::FileExists(work + "ListConfig.ini"));

    BuildCatalogPaths(shell);
    EXPECT_FALSE(shell.SettingsFileMissing);
}

TEST(CopyImportFiles, CopiesEachDeliveredFileUnlessBothFoldersAreTheSame) {
    TempDir root;
    platform::CreateFolder(root / "base/");
    platform::CreateFolder(root / "cat/");
    platform::CreateFolder(root / "CAT/");
    TListOptions options;
    options.ExportPriceFile = "ExportPrice.csv";
    options.ExportClassFile = "ExportClass.csv";
    options.PathBase = root / "base/";
    options.CatalogDir = root / "cat/";
    testsupport::WriteFile(root / "base/ExportPrice.csv", "new price");
    testsupport::WriteFile(root / "cat/ExportPrice.csv", "old price");
    testsupport::WriteFile(root / "cat/ExportClass.csv", "old class");

    CopyImportFiles(options);
    EXPECT_EQ(testsupport::ReadFile(root / "cat/ExportPrice.csv"), "new price");
    EXPECT_EQ(testsupport::ReadFile(root / "cat/ExportClass.csv"), "old class");  // none delivered

    // The same folder apart from letter case and blanks around it: nothing is copied.
    testsupport::WriteFile(root / "CAT/ExportPrice.csv", "other");
    options.PathBase = root / "CAT/";
    options.CatalogDir = " " + root / "cat/" + " ";
    CopyImportFiles(options);
    EXPECT_EQ(testsupport::ReadFile(root / "cat/ExportPrice.csv"), "new price");
}

}  // namespace
