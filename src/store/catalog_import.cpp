#include "store/catalog_import.h"

#include <climits>
#include <cmath>
#include <optional>

#include "platform/os/os.h"
#include "platform/text/app_error.h"
#include "platform/text/date_time.h"
#include "platform/text/text.h"
#include "store/load_tables.h"

namespace {

enum class Conversion { Integer, Real, Text, TextAndUpper, Boolean, Date };

struct PriceColumn {
    const char* Name;  // header name, upper case
    Conversion Kind;
    const char* UpperField;  // TextAndUpper: the field that gets the upper-cased copy
};

constexpr PriceColumn kPriceColumns[] = {
    {"ID", Conversion::Integer, nullptr},
    {"CODE", Conversion::Text, nullptr},
    {"FULLNAME", Conversion::TextAndUpper, "FULLNAME_IND"},
    {"ARTICUL", Conversion::TextAndUpper, "ARTICUL_IND"},
    {"KOLTEK", Conversion::Integer, nullptr},
    {"CENA", Conversion::Real, nullptr},
    {"NDS", Conversion::Real, nullptr},
    {"MAXDISCOUNT", Conversion::Real, nullptr},
    {"TM", Conversion::Text, nullptr},
    {"IDTM", Conversion::Integer, nullptr},
    {"COUNTRY", Conversion::Text, nullptr},
    {"ST1", Conversion::Integer, nullptr},
    {"ST2", Conversion::Integer, nullptr},
    {"ST3", Conversion::Integer, nullptr},
    {"WST3", Conversion::Real, nullptr},
    {"VST3", Conversion::Real, nullptr},
    {"IDGROUP", Conversion::Integer, nullptr},
    {"IDSUBGROUP", Conversion::Integer, nullptr},
    {"ISPHOTO", Conversion::Boolean, nullptr},
    {"ISNEW", Conversion::Boolean, nullptr},
    {"BARCODE", Conversion::Text, nullptr},
    {"DATEIN", Conversion::Date, nullptr},
};

// A recognised column found in the header, with its position there.
struct FoundColumn {
    const PriceColumn* Column;
    std::size_t Position;
};

std::vector<FoundColumn> MatchHeader(const std::string& headerLine) {
    const std::vector<std::string> names = SplitFields(platform::UpperCaseLatin(headerLine));
    std::vector<FoundColumn> found;
    for (const PriceColumn& column : kPriceColumns) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == column.Name) {
                found.push_back({&column, i});
                break;
            }
        }
    }
    return found;
}

void SetField(platform::Table& price, const PriceColumn& column, const std::string& text) {
    switch (column.Kind) {
        case Conversion::Integer:
            price.SetInteger(column.Name, ImportInteger(text));
            break;
        case Conversion::Real:
            price.SetDouble(column.Name, ImportReal(text));
            break;
        case Conversion::Text:
            price.SetText(column.Name, text);
            break;
        case Conversion::TextAndUpper:
            price.SetText(column.Name, text);
            price.SetText(column.UpperField, platform::UpperCase(text));
            break;
        case Conversion::Boolean:
            price.SetBoolean(column.Name, ImportBoolean(text));
            break;
        case Conversion::Date:
            if (text.empty()) {
                price.SetNull(column.Name);
            } else {
                price.SetDateTime(column.Name, platform::ParseRussianDate(text).value_or(
                                                   platform::DateTime::Zero()));
            }
            break;
    }
}

std::string LineError(const char* what, const std::string& path, std::size_t lineNo) {
    return std::string(what) + " «" + path + "», строка " + std::to_string(lineNo) + ": ";
}

[[noreturn]] void ThrowShortLine(const std::string& path, std::size_t lineNo,
                                 const std::string& line, std::size_t fieldCount,
                                 const FoundColumn& column) {
    throw AppError(LineError("Ошибка импорта прайса", path, lineNo) + "колонка «" +
                   column.Column->Name + "» стоит в заголовке на месте " +
                   std::to_string(column.Position + 1) + ", а в строке полей только " +
                   std::to_string(fieldCount) + ": «" + line + "».");
}

// Shows the importing line count in the splash's last line.
void ShowCount(SplashProgress& splash, const char* prefix, std::size_t count) {
    splash.ReplaceLast(std::string(prefix) + "(" + std::to_string(count) + ")");
}

void ImportPriceLines(CatalogContext& ctx, const std::string& path,
                      const std::vector<std::string>& lines) {
    platform::Table& price = ctx.Tables.Price;
    const std::vector<FoundColumn> columns =
        lines.empty() ? std::vector<FoundColumn>() : MatchHeader(lines[0]);
    ctx.Splash.SetLine(0, "Импорт прайса...");
    std::size_t counter = 0;
    for (std::size_t i = 1; i < lines.size(); ++i, ++counter) {
        const std::vector<std::string> fields = SplitFields(lines[i]);
        if (fields.empty()) continue;
        for (const FoundColumn& column : columns)
            if (column.Position >= fields.size())
                ThrowShortLine(path, i + 1, lines[i], fields.size(), column);
        price.Append();
        try {
            for (const FoundColumn& column : columns)
                SetField(price, *column.Column, fields[column.Position]);
            price.Post();
        } catch (const AppError& error) {
            price.Cancel();
            throw AppError(LineError("Ошибка импорта прайса", path, i + 1) + error.what());
        }
        if (counter % 100 == 0) ShowCount(ctx.Splash, "Импорт прайса...", counter);
    }
    ShowCount(ctx.Splash, "Импорт прайса...", counter);
}

struct ClassRow {
    int Id = 0;
    std::string Name;
    int IdParent = 0;
};

ClassRow ParseClassLine(const std::string& rawLine, const std::string& path, std::size_t lineNo) {
    const std::string line = platform::Trim(rawLine);
    auto fail = [&](const std::string& what) {
        throw AppError(LineError("Ошибка импорта классификатора", path, lineNo) + what +
                       (line.empty() ? std::string(" (пустая строка)") : " («" + line + "»)") +
                       ".");
    };
    const std::string idText =
        platform::ReplaceAll(platform::GetDelimitedField(line, ';', 1), ' ', "");
    double id = 0;
    if (!platform::ParseReal(idText, id) || !std::isfinite(id) || std::trunc(id) > INT_MAX ||
        std::trunc(id) < INT_MIN)
        fail("код группы «" + idText + "» не является числом");
    const std::string parentText =
        platform::ReplaceAll(platform::GetDelimitedField(line, ';', 3), ' ', "");
    long long parent = 0;
    if (!platform::ParseInteger(parentText, parent) || parent > INT_MAX || parent < INT_MIN)
        fail("код родительской группы «" + parentText + "» не является целым числом");
    ClassRow row;
    row.Id = static_cast<int>(std::trunc(id));
    row.Name = platform::GetDelimitedField(line, ';', 2);
    if (row.Name.empty()) row.Name = "-";
    row.IdParent = static_cast<int>(parent);
    return row;
}

void ImportClassLines(CatalogContext& ctx, const std::string& path,
                      const std::vector<std::string>& lines) {
    platform::Table& groups = ctx.Tables.GroupsTree;
    ctx.Splash.SetLine(0, "Импорт классификатора...");
    std::size_t counter = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const ClassRow row = ParseClassLine(lines[i], path, i + 1);
        groups.Insert();
        try {
            groups.SetInteger("ID", row.Id);
            groups.SetText("NAME", row.Name);
            groups.SetInteger("IDPARENT", row.IdParent);
            groups.Post();
        } catch (const AppError& error) {
            groups.Cancel();
            throw AppError(LineError("Ошибка импорта классификатора", path, i + 1) + error.what());
        }
        ++counter;
        if (counter % 100 == 0) ShowCount(ctx.Splash, "Импорт классификатора...", counter);
    }
    ShowCount(ctx.Splash, "Импорт классификатора...", counter);
}

void RebuildTrademarks(CatalogContext& ctx) {
    WorkingTables& t = ctx.Tables;
    t.qPrice.Close();
    t.qPrice.ClearSql();
    t.qPrice.AddSql("select distinct(idtm) as idtm, tm from price where idtm > 0 order by tm");
    t.qPrice.Open();
    t.tms.Close();
    if (t.tms.Exists())
        t.tms.Empty();
    else
        t.tms.Create();
    t.tms.Open();
    ctx.Shell.View.ClearTrademarkEnabled = false;
    for (t.qPrice.First(); !t.qPrice.Eof(); t.qPrice.Next()) {
        t.tms.Insert();
        t.tms.SetInteger("ID", t.qPrice.AsInteger("idtm"));
        t.tms.SetText("NAME", t.qPrice.AsText("tm"));
        t.tms.Post();
    }
    t.qPrice.Close();
    t.qPrice.ClearSql();
    t.qPrice.AddSql(kPriceLookupSql);
}

// The goods table during the import: detached from the grid, and loaded in bulk (its
// indexes built once the rows are in). However the import ends, the indexes are whole
// again and the grid is attached, so a failed import never leaves the grid frozen.
class BulkImport {
public:
    explicit BulkImport(platform::Table& table) : m_table(table) {
        m_table.DisableControls();
        m_table.Open();
        m_table.BeginBulkLoad();
    }
    ~BulkImport() {
        try {
            m_table.EndBulkLoad();
        } catch (const std::exception&) {
            // The indexes are built again when the table is next saved or closed.
        }
        m_table.EnableControls();
    }
    BulkImport(const BulkImport&) = delete;
    BulkImport& operator=(const BulkImport&) = delete;

private:
    platform::Table& m_table;
};

// Builds the goods' indexes now, before the trademark query needs them and before any
// file is saved.
void FinishGoodsIndexes(platform::Table& price, const std::string& path) {
    try {
        price.EndBulkLoad();
    } catch (const AppError& error) {
        throw AppError("Ошибка импорта прайса «" + path +
                       "»: индексы таблицы товаров не построены: " + error.what());
    }
}

void SaveImportedTables(CatalogContext& ctx) {
    WorkingTables& t = ctx.Tables;
    const TListOptions& o = ctx.Shell.Options;
    t.GroupsTree.Close();
    t.GroupsTree.SaveToFile(o.CatalogDir + o.ClassFile);
    t.Price.Close();
    t.tms.Close();
    t.tms.SaveToFile(o.CatalogDir + o.TMFile);
    t.fPrice.Close();
    t.Price.SaveToFile(o.CatalogDir + o.PriceFile);
}

}  // namespace

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    if (line.empty()) return fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t semicolon = line.find(';', start);
        if (semicolon == std::string::npos) {
            if (start < line.size()) fields.push_back(line.substr(start));
            break;
        }
        fields.push_back(line.substr(start, semicolon - start));
        start = semicolon + 1;
    }
    return fields;
}

// The number parsers skip every character up to code 32 around a number; the price file
// allows only blanks there, so a tab or another control character makes the text no
// number.
namespace {
bool HasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 32) return true;
    return false;
}
}  // namespace

int ImportInteger(const std::string& text) {
    long long value = 0;
    if (HasControlCharacter(text) || !platform::ParseInteger(text, value) || value > INT_MAX ||
        value < INT_MIN)
        return 0;
    return static_cast<int>(value);
}

double ImportReal(const std::string& text) {
    double value = 0;
    if (HasControlCharacter(text) || !platform::ParseReal(text, value) || !std::isfinite(value))
        return 0;
    return value;
}

bool ImportBoolean(const std::string& text) { return text == "1"; }

void SetCatalogCaption(CatalogContext& ctx) {
    const TListOptions& o = ctx.Shell.Options;
    ctx.Shell.View.Caption =
        MainWindowCaption(ctx.Shell.View, ctx.Shell.Catalog.NAME, o.CatalogDir + o.ExportPriceFile);
}

void ImportCatalogData(CatalogContext& ctx) {
    WorkingTables& t = ctx.Tables;
    const TListOptions& o = ctx.Shell.Options;
    const std::string pricePath = o.CatalogDir + o.ExportPriceFile;
    const std::string classPath = o.CatalogDir + o.ExportClassFile;
    if (!platform::FileExists(classPath) || !platform::FileExists(pricePath)) {
        ctx.Ui.ErrorBox(kMissingImportFilesMessage);
        return;
    }
    t.Price.SetFiltered(false);
    t.Price.SetFilter("");
    t.fPrice.Close();
    t.Price.Close();
    if (!t.Price.Exists()) t.Price.Create();
    t.GroupsTree.Close();
    if (!t.GroupsTree.Exists()) t.GroupsTree.Create();
    {
        BulkImport bulk(t.Price);
        const std::vector<std::string> priceLines = platform::ReadCp1251Lines(pricePath);
        SetCatalogCaption(ctx);
        ImportPriceLines(ctx, pricePath, priceLines);
        FinishGoodsIndexes(t.Price, pricePath);
        t.GroupsTree.Open();
        ImportClassLines(ctx, classPath, platform::ReadCp1251Lines(classPath));
        RebuildTrademarks(ctx);
        SaveImportedTables(ctx);
    }
    platform::DeleteFile(o.CatalogDir + kTreeCacheFile);
}

void PrepareCatalogData(CatalogContext& ctx) {
    const TListOptions& o = ctx.Shell.Options;
    if (!platform::FileExists(o.CatalogDir + o.PriceFile) ||
        !platform::FileExists(o.CatalogDir + o.ClassFile)) {
        CopyImportFiles(o);
        ImportCatalogData(ctx);
    } else if (o.IsImportOnStart > 0) {
        ImportCatalogData(ctx);
    }
    LoadWorkingTables(ctx);
    SetCatalogCaption(ctx);
}
