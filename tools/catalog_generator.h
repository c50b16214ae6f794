// A deterministic generator of demo catalogs: the distributor's price list and classifier
// of stationery goods (names, articles, trademarks, countries, groups and subgroups,
// prices, discount caps, packaging, weights, barcodes, arrival dates) for a number of
// items and a seed, and the catalog list that installs them. The same count and seed
// always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace catalog_generator {

struct GeneratorOptions {
    int ItemCount = 1000;
    std::uint64_t Seed = 1;
};

// The lines of both import files, UTF-8, header first.
struct GeneratedCatalog {
    std::vector<std::string> PriceLines;  // "ExportPrice.csv"
    std::vector<std::string> ClassLines;  // "ExportClass.csv"
};

GeneratedCatalog GenerateCatalog(const GeneratorOptions& options);

// Writes "ExportPrice.csv" and "ExportClass.csv" into `folder` (ending with the path
// separator) in Windows-1251 with CR LF line ends. Throws AppError on a write failure.
void WriteCatalogFiles(const std::string& folder, const GeneratedCatalog& catalog);

// One catalog of the catalog list "catalogs.csv".
struct CatalogListEntry {
    bool Default = false;
    std::string Name;
    std::string Direc;
    std::string Expp;
    std::string Expi;
};

// Writes "catalogs.csv" (header and one line per entry) into `folder`, in Windows-1251.
void WriteCatalogList(const std::string& folder, const std::vector<CatalogListEntry>& entries);

}  // namespace catalog_generator
