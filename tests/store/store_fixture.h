// A catalog folder in a temporary folder with the working tables, the shell state and
// the scripted user seams around it, and a splash line that remembers every text shown.
#pragma once

#include <string>
#include <vector>

#include "fake_seams.h"
#include "platform/os/os.h"
#include "platform/text/text.h"
#include "store/catalog_context.h"
#include "test_support.h"

namespace storetest {

// Records every text the last splash line showed, in order.
class RecordingSplash : public MemorySplashProgress {
public:
    void SetLine(int index, const std::string& line) override {
        MemorySplashProgress::SetLine(index, line);
        shown.push_back(line);
    }
    void ReplaceLast(const std::string& line) override {
        MemorySplashProgress::ReplaceLast(line);
        shown.push_back(line);
    }
    void AppendToLast(const std::string& text) override {
        MemorySplashProgress::AppendToLast(text);
        shown.push_back(Lines().back());
    }
    std::vector<std::string> shown;
};

inline void WriteCp1251(const std::string& path, const std::string& text) {
    testsupport::WriteFile(path, platform::Utf8ToCp1251(text));
}

struct CatalogFixture {
    testsupport::TempDir root;
    WorkingTables tables;
    ShellState shell;
    testsupport::FakePrompts prompts;
    RecordingSplash splash;
    SimpleProgramControl control;
    CatalogContext ctx{tables, shell, prompts, splash, control};

    CatalogFixture() {
        shell.Catalog.NAME = "Канцтовары";
        shell.Catalog.DIREC = "kanc";
        TListOptions& o = shell.Options;
        o.CatalogDir = root / "kanc/";
        platform::CreateFolder(o.CatalogDir);
        o.PriceFile = "Price.lst";
        o.ClassFile = "Class.lst";
        o.TMFile = "TM.lst";
        o.MainFile = "Main.lst";
        o.DocFile = "Doc.lst";
        o.ExportPriceFile = "ExportPrice.csv";
        o.ExportClassFile = "ExportClass.csv";
    }
    std::string Dir() const { return shell.Options.CatalogDir; }
    bool Has(const std::string& name) const { return platform::FileExists(Dir() + name); }
    void WritePrice(const std::string& text) { WriteCp1251(Dir() + "ExportPrice.csv", text); }
    void WriteClass(const std::string& text) { WriteCp1251(Dir() + "ExportClass.csv", text); }
};

}  // namespace storetest
