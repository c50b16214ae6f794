#include "store/load_tables.h"

#include "platform/os/os.h"
#include "platform/text/text.h"

namespace {

void LoadTable(platform::Table& table, const std::string& path) {
    table.Close();
    table.LoadFromFile(path);
    table.Open();
}

// The goods table, or an empty one saved in place of a file that cannot be read.
void LoadGoods(WorkingTables& t, const std::string& path) {
    t.fPrice.Close();  // the second cursor over the goods lets go before they are replaced
    t.Price.Close();
    try {
        t.Price.LoadFromFile(path);
    } catch (const std::exception&) {
        platform::DeleteFile(path);
        t.Price.SetDefinitions(PriceFields(), PriceIndexes());
        t.Price.Create();
        t.Price.SaveToFile(path);
    }
}

}  // namespace

void CreateEmptyArchive(CatalogContext& ctx) {
    WorkingTables& t = ctx.Tables;
    const TListOptions& o = ctx.Shell.Options;
    for (platform::Table* table : {&t.Main, &t.Doc}) {
        table->Close();
        table->Create();
    }
    t.Main.SaveToFile(o.CatalogDir + o.MainFile);
    t.Doc.SaveToFile(o.CatalogDir + o.DocFile);
}

bool LoadWorkingTables(CatalogContext& ctx) {
    WorkingTables& t = ctx.Tables;
    const TListOptions& o = ctx.Shell.Options;
    const std::string dir = o.CatalogDir;
    if (!platform::FileExists(dir + o.PriceFile) || !platform::FileExists(dir + o.ClassFile)) {
        ctx.Ui.ErrorBox(kMissingTablesMessagePrefix + platform::Trim(dir) +
                        ") и запусть программу заново.");
        ctx.Control.RequestEnd();
        return false;
    }
    ctx.Splash.SetLine(0, "Загрузка данных в память...");
    LoadGoods(t, dir + o.PriceFile);
    t.fPrice.SetIndexName("_ID");
    t.fPrice.Open();
    t.Price.Open();
    LoadTable(t.GroupsTree, dir + o.ClassFile);
    LoadTable(t.tms, dir + o.TMFile);
    ctx.Shell.View.TrademarkText.clear();
    ctx.Shell.View.ClearTrademarkEnabled = false;
    if (!platform::FileExists(dir + o.MainFile) || !platform::FileExists(dir + o.DocFile))
        CreateEmptyArchive(ctx);
    LoadTable(t.Main, dir + o.MainFile);
    LoadTable(t.Doc, dir + o.DocFile);
    t.Zakaz.Close();
    if (!t.Zakaz.Exists()) t.Zakaz.Create();
    t.Zakaz.Open();
    ctx.Splash.AppendToLast("OK");
    return true;
}
