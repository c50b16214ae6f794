// The start-up sequence that the main window runs when it is created, up to the windows:
// the catalog registry and paths, the help file, the hand-over to a newer program file
// delivered in the catalog folder, the catalog's data and the group tree, with the
// splash window's progress texts.
#pragma once

#include <functional>
#include <string>

#include "shell/catalog_registry.h"
#include "shell/seams.h"
#include "store/group_tree.h"
#include "store/working_tables.h"

inline constexpr const char* kHelpFileName = "Quendal.chm";
inline constexpr const char* kCompanionProgramName = "Vellumo.exe";

// Everything the program keeps for its life that the start-up fills.
struct ProgramState {
    WorkingTables Tables;
    ShellState Shell;
    GroupTreeView Tree;
    std::string HelpFile;
};

// What start-up needs of the running process; injectable so that tests start nothing.
struct StartupEnvironment {
    // Full path of the running program file.
    std::string ProgramFile;
    // Starts a program file in a normally shown window; failures are the caller's to ignore.
    std::function<void(const std::string& programFile)> StartProgram;
};

// The environment of the running process: its own program file and a real start.
StartupEnvironment CurrentStartupEnvironment();

enum class StartupOutcome {
    Ready,         // data prepared, tree built
    HandedOver,    // the companion program was started and the end requested
    EndRequested,  // the working tables could not be prepared; the end was requested
    Failed,        // an error stopped the sequence; its text was shown in an error box
};

// Runs the sequence on `state`, whose Shell.Places must be set. An AppError (or other
// std::exception) skips the rest of the sequence and is shown through ui.ErrorBox; the
// state keeps the steps done so far.
StartupOutcome RunStartupSequence(ProgramState& state, Prompts& ui, SplashProgress& splash,
                                  ProgramControl& control, const StartupEnvironment& environment);
