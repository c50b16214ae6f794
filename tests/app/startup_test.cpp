// The start-up sequence from a fresh profile and a program folder holding a generated
// catalog: the files it makes, the progress texts, the cached second start, the help file,
// the hand-over to a companion program file and the failures that stop it.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "catalog_generator.h"
#include "store_fixture.h"

namespace {

using storetest::RecordingSplash;

std::string Print(const GroupNode& node) {
    std::string out = node.Data.Caption + "(" + std::to_string(node.Data.IdGroup) + "/" +
                      std::to_string(node.Data.IdSubGroup) + ")";
    for (const GroupNode& child : node.Children) out += " " + Print(child);
    return out;
}

// HOME and XDG_DATA_HOME point into a temporary folder; a program folder beside them
// holds the catalog list and one generated catalog of 300 goods.
struct FreshProfile {
    testsupport::TempDir root;
    std::string program = root / "program/";
    std::vector<std::string> started;
    StartupEnvironment environment;

    FreshProfile() {
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "home/.local/share").c_str(), 1);
        platform::CreateFolderTree(program + "kanc/");
        catalog_generator::WriteCatalogList(program,
                                            {{true, "Канцтовары", "kanc", "p.zip", "i.gz"}});
        catalog_generator::WriteCatalogFiles(program + "kanc/",
                                             catalog_generator::GenerateCatalog({300, 5}));
        environment.ProgramFile = program + "catalog";
        environment.StartProgram = [this](const std::string& file) { started.push_back(file); };
    }
    std::string Work() const { return root / "home/.local/share/Quendal/"; }

    struct Run {
        ProgramState state;
        testsupport::FakePrompts prompts;
        RecordingSplash splash;
        SimpleProgramControl control;
        StartupOutcome outcome{};
    };
    std::unique_ptr<Run> Start() {
        auto run = std::make_unique<Run>();
        run->state.Shell.Places = CurrentShellPlaces();
        run->state.Shell.Places.ProgramFolder = program;
        run->outcome =
            RunStartupSequence(run->state, run->prompts, run->splash, run->control, environment);
        return run;
    }
};

TEST(RunStartupSequence, FirstStartMakesTheWorkingFilesAndTheSecondReadsTheCache) {
    FreshProfile p;
    auto first = p.Start();
    ASSERT_EQ(first->outcome, StartupOutcome::Ready)
        << ::testing::PrintToString(first->prompts.Texts("error"));
    EXPECT_TRUE(first->prompts.shown.empty());
    for (const char* name : {"catalogs.lst", "ListConfig.ini", "kanc/Price.lst", "kanc/Class.lst",
                             "kanc/TM.lst", "kanc/Main.lst", "kanc/Doc.lst", "kanc/Tree.lst",
                             "kanc/ExportPrice.csv", "kanc/ExportClass.csv"})
        EXPECT_TRUE(platform::FileExists(p.Work() + name)) << name;
    EXPECT_TRUE(platform::FolderExists(p.Work() + "TempPicture/"));
    EXPECT_FALSE(platform::FileExists(p.Work() + "catalogs.csv"));
    EXPECT_TRUE(first->state.Shell.SettingsFileMissing);
    EXPECT_EQ(first->state.Tables.Price.RecordCount(), 300);
    EXPECT_EQ(first->state.HelpFile, p.root / "program/Quendal.chm");
    EXPECT_EQ(first->splash.Lines(), std::vector<std::string>{"ЗАПУСК..."});
    const std::vector<std::string> steps = {
        "Инициализация данных...",
        "Импорт прайса...",
        "Импорт прайса...(0)",
        "Импорт прайса...(100)",
        "Импорт прайса...(200)",
        "Импорт прайса...(300)",
        "Импорт классификатора...",
        "Импорт классификатора...(" + std::to_string(first->state.Tables.GroupsTree.RecordCount()) +
            ")",
        "Загрузка данных в память...",
        "Загрузка данных в память...OK",
        "Инициализация дерева групп/подгрупп...",
        "Открытие запроса классификатора...",
        "Открытие запроса классификатора...OK",
        "Заполнение классификатора...",
        "ЗАПУСК..."};
    EXPECT_EQ(first->splash.shown, steps);
    const std::string tree = Print(first->state.Tree.TopNodes.at(0));
    EXPECT_EQ(tree.rfind("Канцтовары(-1/-1) ", 0), 0u);
    EXPECT_NE(tree.find("Прочие..."), std::string::npos);

    // The next start imports nothing, even when the delivered files change, and gives the
    // same tree from the cache.
    const std::string priceFile = testsupport::ReadFile(p.Work() + "kanc/Price.lst");
    catalog_generator::WriteCatalogFiles(p.program + "kanc/",
                                         catalog_generator::GenerateCatalog({50, 6}));
    auto second = p.Start();
    ASSERT_EQ(second->outcome, StartupOutcome::Ready);
    EXPECT_FALSE(second->state.Shell.SettingsFileMissing);
    EXPECT_EQ(testsupport::ReadFile(p.Work() + "kanc/Price.lst"), priceFile);
    EXPECT_EQ(second->state.Tables.Price.RecordCount(), 300);
    EXPECT_EQ(Print(second->state.Tree.TopNodes.at(0)), tree);
    EXPECT_EQ(
        std::count(second->splash.shown.begin(), second->splash.shown.end(), "Импорт прайса..."),
        0);
    EXPECT_TRUE(p.started.empty());
}

TEST(RunStartupSequence, HandsOverToACompanionProgramOfAnotherPath) {
    FreshProfile p;
    platform::CreateFolderTree(p.Work() + "kanc/");
    const std::string companion = p.Work() + "kanc/Vellumo.exe";
    testsupport::WriteFile(companion, "program");
    testsupport::WriteFile(p.Work() + "kanc/Quendal.chm", "help");

    auto run = p.Start();
    EXPECT_EQ(run->outcome, StartupOutcome::HandedOver);
    EXPECT_EQ(p.started, std::vector<std::string>{companion});
    EXPECT_TRUE(run->control.EndRequested());
    EXPECT_EQ(run->state.HelpFile, companion.substr(0, companion.size() - 11) + "Quendal.chm");
    EXPECT_FALSE(platform::FileExists(p.Work() + "kanc/Price.lst"));
    // Only the settings step was shown before the hand-over.
    EXPECT_EQ(run->splash.Lines(), std::vector<std::string>{"Инициализация настроек..."});
    EXPECT_TRUE(run->splash.shown.empty());

    // Started as that very file (letter case aside), the program runs normally.
    p.started.clear();
    p.environment.ProgramFile = " " + platform::UpperCase(companion);
    auto same = p.Start();
    EXPECT_EQ(same->outcome, StartupOutcome::Ready);
    EXPECT_TRUE(p.started.empty());
}

TEST(RunStartupSequence, WithoutImportFilesTheTablesCannotBePreparedAndTheProgramEnds) {
    FreshProfile p;
    platform::DeleteFile(p.program + "kanc/ExportPrice.csv");
    auto run = p.Start();
    EXPECT_EQ(run->outcome, StartupOutcome::EndRequested);
    EXPECT_TRUE(run->control.EndRequested());
    const auto errors = run->prompts.Texts("error");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0],
              "Файл(ы) импорта не были найдены в искомом месте. Импорт данных будет пропущен.");
    EXPECT_EQ(errors[1].rfind("Файл(ы) рабочих таблиц не были найдены", 0), 0u);
    EXPECT_TRUE(run->state.Tree.TopNodes.empty());
}

TEST(RunStartupSequence, AnErrorStopsTheSequenceAndIsShown) {
    FreshProfile p;
    storetest::WriteCp1251(p.program + "catalogs.csv", "h\r\nнет;Канцтовары;kanc;;\r\n");
    auto badList = p.Start();
    EXPECT_EQ(badList->outcome, StartupOutcome::Failed);
    ASSERT_EQ(badList->prompts.Texts("error").size(), 1u);
    EXPECT_NE(badList->prompts.Texts("error")[0].find("строка 2"), std::string::npos);

    storetest::WriteCp1251(p.program + "catalogs.csv", "h\r\n1;Канцтовары;kanc;;\r\n");
    platform::DeleteFile(p.Work() + "catalogs.csv");
    storetest::WriteCp1251(p.program + "kanc/ExportClass.csv", "h\r\n1;a;b\r\n");
    auto badClass = p.Start();
    EXPECT_EQ(badClass->outcome, StartupOutcome::Failed);
    EXPECT_NE(badClass->prompts.Texts("error").at(0).find("ExportClass.csv"), std::string::npos);
    EXPECT_FALSE(platform::FileExists(p.Work() + "kanc/Price.lst"));
    EXPECT_FALSE(platform::FileExists(p.Work() + "kanc/Tree.lst"));
}

}  // namespace
