// What the main window shows of the shell and the data store, kept as plain data by the
// logic: the caption, the catalog menu and the state of the trademark choice box. The
// windows render it; the logic never touches a widget.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kApplicationTitle = "Тальверин. Электронный каталог";

// One item of the catalog menu of btnChangeCatalog; choosing it switches to the registry
// row RowNo (1-based, table order).
struct CatalogMenuItem {
    std::string Caption;
    std::string Hint;
    int RowNo = 0;
};

struct MainWindowView {
    // The caption the window had when it was created; every later caption starts with it.
    std::string BaseTitle = kApplicationTitle;
    std::string Caption = kApplicationTitle;
    std::string CatalogMenuHint = "Выбор каталога";
    std::vector<CatalogMenuItem> CatalogMenu;
    // Trademark choice box of the search panel and its clear button btnClearTM.
    std::string TrademarkText;
    bool ClearTrademarkEnabled = false;
};

// BaseTitle trimmed + " [" + name + "] " + the import date text of the price export file.
std::string MainWindowCaption(const MainWindowView& view, const std::string& catalogName,
                              const std::string& priceExportFile);
