// Loading the current catalog's table files into the working tables.
#pragma once

#include "store/catalog_context.h"

inline constexpr const char* kMissingTablesMessagePrefix =
    "Файл(ы) рабочих таблиц не были найдены в рабочем каталоге. Запук программы невозможен. "
    "Попробуйте удалить рабочий каталог программы (";

// Loads Price, fPrice (ordered by _ID), GroupsTree, tms, Main and Doc from the catalog
// folder and opens an empty Zakaz. A missing goods or classifier file shows the error
// message, requests the end of the program, changes no table and returns false. A goods
// file that cannot be read is replaced by an empty one. When one of the archive files is
// missing, both are made anew, empty. Other unreadable files throw AppError.
bool LoadWorkingTables(CatalogContext& ctx);

// Creates Main and Doc empty and saves each to its file.
void CreateEmptyArchive(CatalogContext& ctx);
