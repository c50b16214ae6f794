// The import of a catalog's price list ("ExportPrice.csv") and classifier
// ("ExportClass.csv") from its folder into the goods, classifier and trademark tables and
// their files, and the decision, when a catalog is opened, whether to import at all.
#pragma once

#include <string>
#include <vector>

#include "store/catalog_context.h"

inline constexpr const char* kMissingImportFilesMessage =
    "Файл(ы) импорта не были найдены в искомом месте. Импорт данных будет пропущен.";
inline constexpr const char* kTreeCacheFile = "Tree.lst";

// The texts between consecutive ';' of a line, left to right; a ';' at the very end adds
// no further empty field and an empty line gives no field.
std::vector<std::string> SplitFields(const std::string& line);

// Conversions of the price file's fields. Integers: optional leading blanks, a sign and
// digits within 32 bits, anything else 0. Reals: '.' as separator, anything else 0.
// Booleans: true exactly for "1".
int ImportInteger(const std::string& text);
double ImportReal(const std::string& text);
bool ImportBoolean(const std::string& text);

// Reads both import files of the catalog folder into Price, GroupsTree ("Class") and tms,
// saves "Price.lst", "Class.lst" and "TM.lst" and deletes "Tree.lst". Rows are appended to
// whatever the two tables hold. A missing import file shows the message above and changes
// nothing. A malformed line throws AppError naming the file, the line and the text or
// column at fault; then no file is saved, "Tree.lst" stays and the rows read so far stay
// in memory.
void ImportCatalogData(CatalogContext& ctx);

// Imports when the goods or classifier file is missing (after copying the delivered
// import files in) or when the settings ask for an import at every opening, then loads
// the working tables and sets the caption.
void PrepareCatalogData(CatalogContext& ctx);

// Sets the main window caption from the current catalog and its price export file.
void SetCatalogCaption(CatalogContext& ctx);
