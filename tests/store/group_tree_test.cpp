// The group tree: its nodes from the goods and classifier, the "Прочие..." entries, the
// groups that run by group id, the cache file and a damaged cache.
#include "store/group_tree.h"

#include <gtest/gtest.h>

#include "platform/text/app_error.h"
#include "store/catalog_import.h"
#include "store/load_tables.h"
#include "store_fixture.h"

namespace {

using storetest::CatalogFixture;

// A node as "caption idGroup/idSubGroup", children indented below it.
void Print(const GroupNode& node, int depth, std::string& out) {
    out += std::string(depth * 2, ' ') + node.Data.Caption + " " +
           std::to_string(node.Data.IdGroup) + "/" + std::to_string(node.Data.IdSubGroup) + "\n";
    for (const GroupNode& child : node.Children) Print(child, depth + 1, out);
}

std::string Print(const GroupTreeView& view) {
    std::string out;
    for (const GroupNode& node : view.TopNodes) Print(node, 0, out);
    return out;
}

struct LoadedCatalog : CatalogFixture {
    LoadedCatalog(const std::string& price, const std::string& classifier) {
        WritePrice(price);
        WriteClass(classifier);
        ImportCatalogData(ctx);
        LoadWorkingTables(ctx);
        splash.Clear();
        splash.shown.clear();
    }
};

const char* kClassifier =
    "ID;NAME;IDPARENT\r\n"
    "1;Бумага;0\r\n2;Письмо;0\r\n3;Бумага;0\r\n"
    "11;Альбомы;1\r\n12;Тетради;1\r\n21;Ручки;2\r\n31;Блокноты;3\r\n32;Конверты;3\r\n";

const char* kGoods =
    "ID;IDGROUP;IDSUBGROUP\r\n"
    "1;1;11\r\n2;1;11\r\n3;1;12\r\n"  // Бумага (1): Альбомы, Тетради
    "4;3;31\r\n5;3;32\r\n"  // Бумага (3): Блокноты, Конверты (interleave with 1)
    "6;2;21\r\n7;2;0\r\n8;2;;\r\n9;2;-4\r\n"  // Письмо: Ручки; 0, empty (0) and -4
    "10;0;11\r\n11;-1;11\r\n"                 // no group: no node
    "12;7;21\r\n";                            // a group without a classifier row; subgroup reused

TEST(BuildGroupTree, BuildsTheTreeFromTheGoodsAndWritesTheCache) {
    LoadedCatalog f(kGoods, kClassifier);
    GroupTreeView view;
    BuildGroupTree(f.ctx, view);
    // Sorted by group name then subgroup name; nulls first; a group node starts whenever
    // the group id changes, so the two groups named "Бумага" interleave in three runs.
    const std::string expected =
        "Канцтовары -1/-1\n"
        "   7/0\n"
        "    Ручки 7/21\n"
        "  Бумага 1/0\n"
        "    Альбомы 1/11\n"
        "  Бумага 3/0\n"
        "    Блокноты 3/31\n"
        "    Конверты 3/32\n"
        "  Бумага 1/0\n"
        "    Тетради 1/12\n"
        "  Письмо 2/0\n"
        "    Прочие... 2/-2\n"
        "    Прочие... 2/-2\n"
        "    Ручки 2/21\n";
    EXPECT_EQ(Print(view), expected);
    ASSERT_EQ(view.TopNodes.size(), 1u);
    EXPECT_TRUE(view.TopNodes[0].Expanded);
    for (const GroupNode& group : view.TopNodes[0].Children) EXPECT_FALSE(group.Expanded);
    EXPECT_TRUE(f.Has("Tree.lst"));
    EXPECT_EQ(f.splash.shown, (std::vector<std::string>{"Открытие запроса классификатора...",
                                                        "Открытие запроса классификатора...OK",
                                                        "Заполнение классификатора..."}));

    // The next build reads the cache alone: the goods no longer matter.
    f.tables.Price.Close();
    f.tables.Price.Empty();
    f.tables.GroupsTree.Close();
    f.tables.GroupsTree.Empty();
    GroupTreeView cachedView;
    BuildGroupTree(f.ctx, cachedView);
    EXPECT_EQ(Print(cachedView), expected);
    EXPECT_TRUE(f.tables.tr2.Active());
    EXPECT_EQ(f.tables.tr2.RecordCount(), 8);
}

TEST(BuildGroupTree, AGroupWhoseGoodsAllHaveSubgroupsHasNoOthersNode) {
    LoadedCatalog f("ID;IDGROUP;IDSUBGROUP\r\n1;1;11\r\n2;1;12\r\n", kClassifier);
    GroupTreeView view;
    BuildGroupTree(f.ctx, view);
    EXPECT_EQ(Print(view), "Канцтовары -1/-1\n  Бумага 1/0\n    Альбомы 1/11\n    Тетради 1/12\n");
}

TEST(BuildGroupTree, GoodsWithoutASubgroupColumnFallUnderOthersAlsoFromTheCache) {
    // No IDSUBGROUP column: every subgroup is null, which counts as 0.
    LoadedCatalog f("ID;IDGROUP\r\n1;2\r\n2;2\r\n3;1\r\n", kClassifier);
    GroupTreeView view;
    BuildGroupTree(f.ctx, view);
    const std::string expected =
        "Канцтовары -1/-1\n"
        "  Бумага 1/0\n"
        "    Прочие... 1/-2\n"
        "  Письмо 2/0\n"
        "    Прочие... 2/-2\n";
    EXPECT_EQ(Print(view), expected);
    ASSERT_TRUE(f.Has("Tree.lst"));
    GroupTreeView cachedView;
    BuildGroupTree(f.ctx, cachedView);
    EXPECT_EQ(Print(cachedView), expected);
    f.tables.tr2.First();
    EXPECT_TRUE(f.tables.tr2.IsNull("IDSUBGROUP"));
}

TEST(BuildGroupTree, ACachedRowWithoutAGroupStillGetsAGroupNode) {
    // Only a hand-made cache can hold such a row: the grouping query keeps group ids
    // above 0. Its subgroup must not land beside the catalog root.
    LoadedCatalog f("ID;IDGROUP;IDSUBGROUP\r\n", kClassifier);
    platform::Table& tr2 = f.tables.tr2;
    tr2.Close();
    tr2.Create();
    tr2.Open();
    tr2.Insert();
    tr2.SetText("NAMESUBGROUP", "Ничья");
    tr2.SetInteger("IDSUBGROUP", 5);
    tr2.Post();
    tr2.Close();
    tr2.SaveToFile(f.Dir() + "Tree.lst");
    GroupTreeView view;
    BuildGroupTree(f.ctx, view);
    EXPECT_EQ(Print(view), "Канцтовары -1/-1\n   0/0\n    Ничья 0/5\n");
}

TEST(BuildGroupTree, NoGoodsGiveTheRootAlone) {
    LoadedCatalog f("ID;IDGROUP;IDSUBGROUP\r\n", kClassifier);
    GroupTreeView view;
    BuildGroupTree(f.ctx, view);
    EXPECT_EQ(Print(view), "Канцтовары -1/-1\n");
    EXPECT_TRUE(f.Has("Tree.lst"));
}

TEST(BuildGroupTree, AnImportThrowsTheCacheAwayAndTheNextBuildMakesItAgain) {
    LoadedCatalog f("ID;IDGROUP;IDSUBGROUP\r\n1;1;11\r\n", kClassifier);
    GroupTreeView view;
    BuildGroupTree(f.ctx, view);
    ASSERT_TRUE(f.Has("Tree.lst"));

    f.WritePrice("ID;IDGROUP;IDSUBGROUP\r\n1;2;21\r\n");
    for (platform::Table* t : {&f.tables.Price, &f.tables.GroupsTree, &f.tables.tr2}) {
        t->Close();
        t->Empty();
    }
    ImportCatalogData(f.ctx);
    EXPECT_FALSE(f.Has("Tree.lst"));
    LoadWorkingTables(f.ctx);
    BuildGroupTree(f.ctx, view);
    EXPECT_EQ(Print(view), "Канцтовары -1/-1\n  Письмо 2/0\n    Ручки 2/21\n");
    EXPECT_TRUE(f.Has("Tree.lst"));
}

TEST(BuildGroupTree, ADamagedCacheIsAnError) {
    LoadedCatalog f("ID;IDGROUP;IDSUBGROUP\r\n1;1;11\r\n", kClassifier);
    testsupport::WriteFile(f.Dir() + "Tree.lst", "garbage");
    GroupTreeView view;
    EXPECT_THROW(BuildGroupTree(f.ctx, view), AppError);
    EXPECT_EQ(testsupport::ReadFile(f.Dir() + "Tree.lst"), "garbage");
}

}  // namespace
