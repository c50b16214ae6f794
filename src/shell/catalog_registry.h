// The per-user working directory, the catalog registry (the text list "catalogs.csv"
// converted once into the table file "catalogs.lst"), the current catalog, the paths of
// the settings record and the copying of a catalog's import files.
//
// Folder texts end with the native separator and file names are joined to them directly. Errors
// that reach the user are AppError with a Russian text naming the file and line at fault.
#pragma once

#include <string>
#include <vector>

#include "platform/table/table.h"
#include "shell/list_options.h"
#include "shell/main_window_view.h"

// Where the program and the user's files lie; every folder ends with the separator.
struct ShellPlaces {
    std::string ProgramFolder;     // folder of the running program file
    std::string UserDataFolder;    // the per-user data folder that holds the working directory
    std::string WorkingDirectory;  // UserDataFolder + "Quendal" + separator
};

// The places of the running program and user: the program file's folder and
// the per-user working directory (platform/os).
ShellPlaces CurrentShellPlaces();
// The places for a given program folder and per-user data folder (both ending with the
// separator).
ShellPlaces MakeShellPlaces(const std::string& programFolder, const std::string& userDataFolder);

inline constexpr const char* kCatalogListText = "catalogs.csv";
inline constexpr const char* kCatalogListTable = "catalogs.lst";
inline constexpr const char* kPictureCacheFolder = "TempPicture";

// Schema of the registry table "Catalogs" (no index).
std::vector<platform::FieldDef> CatalogRegistryFields();

// Everything the shell keeps for the life of the program.
struct ShellState {
    ShellPlaces Places;
    TListOptions Options;
    TCatalogs Catalog;
    bool SettingsFileMissing = false;
    MainWindowView View;
};

// Makes the working directory, loads "catalogs.lst" or converts "catalogs.csv" into it,
// fills the current catalog (the first row marked DEF, else the first row), rebuilds the
// catalog menu and sets the caption. The registry table is left open, unfiltered, on its
// first row. Throws AppError when the list is missing or holds a line whose default mark
// is no number; nothing is saved then.
void ReadCatalogRegistry(const ShellPlaces& places, platform::Table& catalogsIni,
                         TCatalogs& catalog, MainWindowView& view);

// Makes the catalog folder and the picture cache, fills the paths and file names of the
// settings record, then reads the settings file (setting SettingsFileMissing).
void BuildCatalogPaths(ShellState& shell);

// Copies "ExportPrice.csv" and "ExportClass.csv" from PathBase into CatalogDir, each one
// that exists there, unless both folders are the same (trimmed, letter case ignored).
// Failures are not reported: the import that follows finds the file missing.
void CopyImportFiles(const TListOptions& options);
