#include "app/startup.h"

#include <filesystem>

#include "platform/os/os.h"
#include "platform/text/app_error.h"
#include "platform/text/text.h"
#include "store/catalog_import.h"

namespace {

std::string ChooseHelpFile(const ShellState& shell) {
    const std::string inCatalog = shell.Options.CatalogDir + kHelpFileName;
    if (platform::FileExists(inCatalog)) return inCatalog;
    std::string folder = shell.Places.ProgramFolder;
    if (!folder.empty() && folder.back() == platform::kPathSeparator) folder.pop_back();
    return folder + platform::kPathSeparator + kHelpFileName;
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : full).lexically_normal().string();
}

std::string ComparablePath(const std::string& path) {
    return platform::UpperCase(FullPath(platform::Trim(path)));
}

// True when the catalog folder delivers a program file other than the running one.
bool ShouldHandOver(const ShellState& shell, const StartupEnvironment& environment,
                    std::string& companion) {
    companion = shell.Options.CatalogDir + kCompanionProgramName;
    if (!platform::FileExists(companion)) return false;
    return ComparablePath(companion) != ComparablePath(environment.ProgramFile);
}

StartupOutcome RunSteps(ProgramState& state, CatalogContext& ctx,
                        const StartupEnvironment& environment) {
    ctx.Splash.Clear();
    ctx.Splash.Add("Инициализация настроек...");
    ReadCatalogRegistry(state.Shell.Places, state.Tables.CatalogsIni, state.Shell.Catalog,
                        state.Shell.View);
    BuildCatalogPaths(state.Shell);
    state.HelpFile = ChooseHelpFile(state.Shell);

    std::string companion;
    if (ShouldHandOver(state.Shell, environment, companion)) {
        try {
            if (environment.StartProgram) environment.StartProgram(companion);
        } catch (const std::exception&) {
            // The program ends whether or not the companion started.
        }
        ctx.Control.RequestEnd();
        return StartupOutcome::HandedOver;
    }

    ctx.Splash.SetLine(0, "Инициализация данных...");
    PrepareCatalogData(ctx);
    // The tables were not loaded and the user has been told; the program ends as soon as
    // the event loop would start, so the tree is not built over missing tables.
    if (ctx.Control.EndRequested()) return StartupOutcome::EndRequested;

    ctx.Splash.SetLine(0, "Инициализация дерева групп/подгрупп...");
    BuildGroupTree(ctx, state.Tree);
    ctx.Splash.SetLine(0, "ЗАПУСК...");
    return StartupOutcome::Ready;
}

}  // namespace

StartupEnvironment CurrentStartupEnvironment() {
    StartupEnvironment environment;
    environment.ProgramFile = platform::ProgramFile();
    environment.StartProgram = [](const std::string& programFile) {
        platform::StartProgram(programFile);
    };
    return environment;
}

StartupOutcome RunStartupSequence(ProgramState& state, Prompts& ui, SplashProgress& splash,
                                  ProgramControl& control, const StartupEnvironment& environment) {
    CatalogContext ctx{state.Tables, state.Shell, ui, splash, control};
    try {
        return RunSteps(state, ctx, environment);
    } catch (const std::exception& error) {
        ui.ErrorBox(error.what());
        return StartupOutcome::Failed;
    }
}
