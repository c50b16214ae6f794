#include "shell/catalog_registry.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/os/os.h"
#include "platform/text/app_error.h"
#include "platform/text/date_time.h"
#include "platform/text/text.h"
#include "shell/settings_file.h"

namespace {

using platform::Trim;
const std::string kSeparator(1, platform::kPathSeparator);

// One line of the text list turned into a registry row.
struct RegistryRow {
    bool Def = false;
    std::string Name, Direc, Expp, Expi;
};

RegistryRow ParseListLine(const std::string& rawLine, const std::string& path, int lineNo) {
    const std::string line = Trim(rawLine);
    const std::string mark =
        platform::ReplaceAll(platform::GetDelimitedField(line, ';', 1), ' ', "");
    double value = 0;
    if (!platform::ParseReal(mark, value) || !std::isfinite(value)) {
        std::string what = line.empty()
                               ? std::string("пустая строка")
                               : "метка каталога по умолчанию «" + mark + "» не является числом";
        throw AppError("Ошибка в списке каталогов «" + path + "», строка " +
                       std::to_string(lineNo) + ": " + what + ".");
    }
    RegistryRow row;
    row.Def = std::trunc(value) > 0;
    row.Name = platform::GetDelimitedField(line, ';', 2);
    row.Direc = platform::GetDelimitedField(line, ';', 3);
    row.Expp = platform::ReplaceAll(platform::GetDelimitedField(line, ';', 4), ' ', "");
    row.Expi = platform::ReplaceAll(platform::GetDelimitedField(line, ';', 5), ' ', "");
    return row;
}

void OpenRegistryForConversion(platform::Table& table) {
    table.Close();
    if (!table.Exists())
        table.Create();
    else
        table.Empty();  // a converted list holds exactly the rows of the text
    table.Open();
}

// Converts the working directory's "catalogs.csv" (copied there from the program folder
// when missing) into "catalogs.lst". The lines are parsed before any row is written, so a
// bad line leaves the text list in place and saves nothing.
void ConvertCatalogList(const ShellPlaces& places, platform::Table& table) {
    const std::string listPath = places.WorkingDirectory + kCatalogListText;
    if (!platform::FileExists(listPath))
        platform::CopyFile(places.ProgramFolder + kCatalogListText, listPath);
    if (!platform::FileExists(listPath))
        throw AppError("Не найден список каталогов «" + places.ProgramFolder + kCatalogListText +
                       "». Запуск программы невозможен.");
    const std::vector<std::string> lines = platform::ReadCp1251Lines(listPath);
    std::vector<RegistryRow> rows;
    for (std::size_t i = 1; i < lines.size(); ++i)
        rows.push_back(ParseListLine(lines[i], listPath, static_cast<int>(i) + 1));

    OpenRegistryForConversion(table);
    for (const RegistryRow& row : rows) {
        table.Append();
        table.SetBoolean("DEF", row.Def);
        table.SetText("NAME", row.Name);
        table.SetText("DIREC", row.Direc);
        table.SetText("EXPP", row.Expp);
        table.SetText("EXPI", row.Expi);
        table.Post();
    }
    table.Close();
    table.SaveToFile(places.WorkingDirectory + kCatalogListTable);
    table.Open();
    platform::DeleteFile(listPath);
}

void FillCurrentCatalog(platform::Table& table, TCatalogs& catalog) {
    table.SetFilter("DEF > 0");
    table.SetFiltered(true);
    if (table.IsEmpty()) table.SetFiltered(false);
    table.First();
    catalog.NAME = Trim(table.AsText("NAME"));
    catalog.DIREC = Trim(table.AsText("DIREC"));
    catalog.EXPP = Trim(table.AsText("EXPP"));
    catalog.EXPI = Trim(table.AsText("EXPI"));
    table.SetFiltered(false);
    table.SetFilter("");
    table.First();
}

void FillCatalogMenu(platform::Table& table, MainWindowView& view) {
    view.CatalogMenu.clear();
    int rowNo = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        const std::string name = table.AsText("NAME");
        view.CatalogMenu.push_back({name, name, ++rowNo});
    }
    table.First();
}

}  // namespace

std::string MainWindowCaption(const MainWindowView& view, const std::string& catalogName,
                              const std::string& priceExportFile) {
    return Trim(view.BaseTitle) + " [" + catalogName + "] " +
           platform::ImportDateText(priceExportFile);
}

ShellPlaces MakeShellPlaces(const std::string& programFolder, const std::string& userDataFolder) {
    return {programFolder, userDataFolder, userDataFolder + "Quendal" + kSeparator};
}

ShellPlaces CurrentShellPlaces() {
    return {platform::ProgramFolder(), platform::DataFolder(), platform::WorkingDirectory()};
}

std::vector<platform::FieldDef> CatalogRegistryFields() {
    using platform::FieldType;
    return {
        {"DEF", FieldType::Boolean, 0},  {"NAME", FieldType::Text, 50},
        {"DIREC", FieldType::Text, 100}, {"EXPP", FieldType::Text, 100},
        {"EXPI", FieldType::Text, 100},
    };
}

void ReadCatalogRegistry(const ShellPlaces& places, platform::Table& catalogsIni,
                         TCatalogs& catalog, MainWindowView& view) {
    platform::CreateFolderTree(places.UserDataFolder);
    platform::CreateFolder(places.WorkingDirectory);
    const std::string tablePath = places.WorkingDirectory + kCatalogListTable;
    if (platform::FileExists(tablePath)) {
        catalogsIni.Close();
        catalogsIni.LoadFromFile(tablePath);
        catalogsIni.Open();
    } else {
        ConvertCatalogList(places, catalogsIni);
    }
    FillCurrentCatalog(catalogsIni, catalog);
    FillCatalogMenu(catalogsIni, view);
    view.Caption =
        MainWindowCaption(view, catalog.NAME,
                          places.WorkingDirectory + catalog.DIREC + kSeparator + "ExportPrice.csv");
}

void BuildCatalogPaths(ShellState& shell) {
    const ShellPlaces& places = shell.Places;
    TListOptions& o = shell.Options;
    platform::CreateFolderTree(places.UserDataFolder);
    platform::CreateFolder(places.WorkingDirectory);
    o.CatalogDir = places.WorkingDirectory + Trim(shell.Catalog.DIREC) + kSeparator;
    o.TempPictureDir = places.WorkingDirectory + kPictureCacheFolder + kSeparator;
    platform::CreateFolder(o.CatalogDir);
    platform::CreateFolder(o.TempPictureDir);
    o.PriceFile = "Price.lst";
    o.ClassFile = "Class.lst";
    o.TMFile = "TM.lst";
    o.MainFile = "Main.lst";
    o.DocFile = "Doc.lst";
    o.ConfigFile = "ListConfig.ini";
    o.ExportPriceFile = "ExportPrice.csv";
    o.ExportClassFile = "ExportClass.csv";
    shell.SettingsFileMissing = ReadSettings(o, places.WorkingDirectory, o.ConfigFile,
                                             {places.ProgramFolder, shell.Catalog.DIREC});
}

void CopyImportFiles(const TListOptions& options) {
    const bool sameFolder = platform::UpperCase(Trim(options.PathBase)) ==
                            platform::UpperCase(Trim(options.CatalogDir));
    for (const std::string& name : {options.ExportPriceFile, options.ExportClassFile}) {
        if (!platform::FileExists(options.PathBase + name) || sameFolder) continue;
        platform::DeleteFile(options.CatalogDir + name);
        platform::CopyFile(options.PathBase + name, options.CatalogDir + name);
    }
}
