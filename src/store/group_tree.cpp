#include "store/group_tree.h"

#include "platform/os/os.h"
#include "platform/text/app_error.h"
#include "platform/text/text.h"
#include "store/catalog_import.h"

namespace {

constexpr std::size_t kCaptionLimit = 100;

GroupNode MakeNode(const std::string& caption, int idGroup, int idSubGroup) {
    GroupNode node;
    node.Data.Caption = platform::CutToChars(caption, kCaptionLimit);
    node.Data.IdGroup = idGroup;
    node.Data.IdSubGroup = idSubGroup;
    return node;
}

void SetGroupingQuery(platform::Query& query) {
    query.AddSql(
        "select distinct(price.idsubgroup),  price.idgroup, cl.name as NameGroup, cl2.name as "
        "NameSubGroup from price");
    query.AddSql("left outer join class cl on cl.id=price.idgroup");
    query.AddSql("left outer join class cl2  on cl2.id=price.idsubgroup");
    query.AddSql("where price.idgroup>0 order by 3,4");
}

// One result row; both queries give the columns in the same order, whatever their names.
struct TreeRow {
    bool SubGroupNull, GroupNull, NameGroupNull, NameSubGroupNull;
    int IdSubGroup, IdGroup;
    std::string NameGroup, NameSubGroup;
};

TreeRow ReadRow(const platform::Query& query, const std::vector<std::string>& names) {
    TreeRow row;
    row.SubGroupNull = query.IsNull(names[0]);
    row.GroupNull = query.IsNull(names[1]);
    row.NameGroupNull = query.IsNull(names[2]);
    row.NameSubGroupNull = query.IsNull(names[3]);
    row.IdSubGroup = static_cast<int>(query.AsInteger(names[0]));
    row.IdGroup = static_cast<int>(query.AsInteger(names[1]));
    row.NameGroup = query.AsText(names[2]);
    row.NameSubGroup = query.AsText(names[3]);
    return row;
}

void CacheRow(platform::Table& tr2, const TreeRow& row) {
    tr2.Insert();
    if (row.GroupNull)
        tr2.SetNull("IDGROUP");
    else
        tr2.SetInteger("IDGROUP", row.IdGroup);
    if (row.SubGroupNull)
        tr2.SetNull("IDSUBGROUP");
    else
        tr2.SetInteger("IDSUBGROUP", row.IdSubGroup);
    if (row.NameGroupNull)
        tr2.SetNull("NAMEGROUP");
    else
        tr2.SetText("NAMEGROUP", row.NameGroup);
    if (row.NameSubGroupNull)
        tr2.SetNull("NAMESUBGROUP");
    else
        tr2.SetText("NAMESUBGROUP", row.NameSubGroup);
    tr2.Post();
}

// A group node starts whenever the group id changes from one row to the next. The current
// group id starts at 0, so a first row of group 0 (only a hand-edited cache holds one)
// would have no group node to go under; it gets one, rather than a child beside the root.
void AddRowNodes(GroupNode& root, const TreeRow& row, int& currentGroup) {
    if (row.IdGroup != currentGroup || root.Children.empty()) {
        currentGroup = row.IdGroup;
        root.Children.push_back(MakeNode(row.NameGroup, row.IdGroup, 0));
    }
    GroupNode& group = root.Children.back();
    if (row.IdSubGroup < 1)
        group.Children.push_back(MakeNode(kOtherGoodsCaption, row.IdGroup, kOtherGoodsSubGroup));
    else
        group.Children.push_back(MakeNode(row.NameSubGroup, row.IdGroup, row.IdSubGroup));
}

}  // namespace

void BuildGroupTree(CatalogContext& ctx, GroupTreeView& view) {
    WorkingTables& t = ctx.Tables;
    const std::string cachePath = ctx.Shell.Options.CatalogDir + kTreeCacheFile;
    const bool cached = platform::FileExists(cachePath);
    t.qGroupsTree.Close();
    t.qGroupsTree.ClearSql();
    if (cached) {
        t.tr2.Close();
        t.tr2.LoadFromFile(cachePath);
        t.tr2.Open();
        t.qGroupsTree.AddSql(
            "select tree.idsubgroup,  tree.idgroup, tree.NameGroup, tree.NameSubGroup from tree");
    } else {
        SetGroupingQuery(t.qGroupsTree);
        t.tr2.Close();
        if (!t.tr2.Exists()) t.tr2.Create();
        t.tr2.Open();
    }
    ctx.Splash.SetLine(0, "Открытие запроса классификатора...");
    t.qGroupsTree.Open();
    ctx.Splash.AppendToLast("OK");
    t.qGroupsTree.First();
    ctx.Splash.SetLine(0, "Заполнение классификатора...");

    view.TopNodes.clear();
    GroupNode root = MakeNode(ctx.Shell.Catalog.NAME, kRootId, kRootId);
    const std::vector<std::string> names = t.qGroupsTree.FieldNames();
    if (names.size() < 4)
        throw AppError("Запрос дерева групп вернул " + std::to_string(names.size()) +
                       " колонки вместо четырёх: «" + t.qGroupsTree.Sql() + "».");
    int currentGroup = 0;
    for (; !t.qGroupsTree.Eof(); t.qGroupsTree.Next()) {
        const TreeRow row = ReadRow(t.qGroupsTree, names);
        if (!cached) CacheRow(t.tr2, row);
        AddRowNodes(root, row, currentGroup);
    }
    root.Expanded = true;
    view.TopNodes.push_back(std::move(root));
    if (!cached) {
        t.tr2.Close();
        t.tr2.SaveToFile(cachePath);
    }
}
