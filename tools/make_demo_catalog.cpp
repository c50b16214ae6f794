// Writes generated catalogs.
//   make_demo_catalog <folder> <items> <seed>   the two import files of one catalog
//   make_demo_catalog --demo <folder>           the bundled demo installation: catalogs.csv
//                                               and two catalog folders
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "catalog_generator.h"

namespace {

using namespace catalog_generator;

std::string Folder(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    std::filesystem::create_directories(path);
    return path;
}

void WriteDemo(const std::string& root) {
    WriteCatalogList(root, {
                               {true, "Канцтовары (демо)", "demo_kanc",
                                "ExportToCatalog_demo_kanc.zip", "pictures_demo_kanc.txt.gz"},
                               {false, "Канцтовары, полный (демо)", "demo_full",
                                "ExportToCatalog_demo_full.zip", "pictures_demo_full.txt.gz"},
                           });
    WriteCatalogFiles(Folder(root + "demo_kanc"), GenerateCatalog({5000, 2008}));
    WriteCatalogFiles(Folder(root + "demo_full"), GenerateCatalog({20000, 2009}));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::string(argv[1]) == "--demo") {
            WriteDemo(Folder(argv[2]));
            return 0;
        }
        if (argc == 4) {
            const int items = std::atoi(argv[2]);
            const auto seed = std::strtoull(argv[3], nullptr, 10);
            WriteCatalogFiles(Folder(argv[1]), GenerateCatalog({items, seed}));
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_demo_catalog: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: make_demo_catalog <folder> <items> <seed>\n"
                 "       make_demo_catalog --demo <folder>\n");
    return 2;
}
