// What the data-store operations work on: the working tables, the shell's state (settings
// record, current catalog, what the main window shows) and the seams to the user.
// Everything is borrowed; the object that owns the program state outlives the context.
#pragma once

#include "shell/catalog_registry.h"
#include "shell/seams.h"
#include "store/working_tables.h"

struct CatalogContext {
    WorkingTables& Tables;
    ShellState& Shell;
    Prompts& Ui;
    SplashProgress& Splash;
    ProgramControl& Control;
};
