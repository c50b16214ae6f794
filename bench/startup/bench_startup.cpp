// Start-up on a catalog of 100,000 goods: the first start (copy of the import files,
// import, loading of the tables, the group tree with its cache) and the next start (table
// files and the tree cache), each in a child process of its own so that its peak memory
// can be read; beside them the sqlite3 shell's .import of the same price file into a table
// with the same columns and indexes.
//
// bench_startup <output folder>; the first start's working directory is left in
// <output folder>/profile.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/startup.h"
#include "catalog_generator.h"
#include "platform/os/os.h"
#include "platform/text/file_bytes.h"
#include "platform/text/text.h"

namespace {

namespace fs = std::filesystem;
constexpr int kItems = 100000;

class NoPrompts : public Prompts {
public:
    void ErrorBox(const std::string& text) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }
    void PlainBox(const std::string&) override {}
    void InformationBox(const std::string&) override {}
    bool YesNo(const std::string&) override { return false; }
    std::string ChooseSaveFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
    std::string ChooseFolder(const std::string&, const std::string&) override { return {}; }
};

// Logs each progress text with the time since the start on stderr, so the phases show.
class TimedSplash : public MemorySplashProgress {
public:
    void SetLine(int index, const std::string& line) override {
        MemorySplashProgress::SetLine(index, line);
        Log(line);
    }
    void AppendToLast(const std::string& text) override {
        MemorySplashProgress::AppendToLast(text);
        Log(Lines().back());
    }

private:
    void Log(const std::string& line) {
        const auto ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start);
        std::fprintf(stderr, "  %8.0f ms  %s\n", ms.count(), line.c_str());
    }
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// Child mode: one start on <out>/program and <out>/profile; prints the milliseconds.
int RunOneStart(const std::string& out) {
    ProgramState state;
    state.Shell.Places = {out + "startup_program/", out, out + "profile/"};
    NoPrompts prompts;
    TimedSplash splash;
    SimpleProgramControl control;
    StartupEnvironment environment;
    environment.ProgramFile = out + "startup_program/catalog";
    const auto start = std::chrono::steady_clock::now();
    const StartupOutcome outcome = RunStartupSequence(state, prompts, splash, control, environment);
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    if (outcome != StartupOutcome::Ready || state.Tables.Price.RecordCount() != kItems) {
        std::fprintf(stderr, "start-up failed (%d rows)\n", state.Tables.Price.RecordCount());
        return 1;
    }
    std::printf("%.0f\n", ms.count());
    return 0;
}

struct ChildResult {
    double ms = -1;
    double peakMb = -1;
};

// Runs this program again in child mode and reads its time and peak resident size.
ChildResult RunChild(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ChildResult result;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.ms = std::atof(text.c_str());
        result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    return result;
}

double Milliseconds(const std::function<int()>& action, int& status) {
    const auto start = std::chrono::steady_clock::now();
    status = action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The sqlite3 shell imports the price file (in UTF-8) into an on-disk table with the
// price file's columns, the goods' primary key and the goods' indexes (the one on the
// ordered quantity left out: the price file has no such column).
double SqliteImport(const std::string& out) {
    const std::string csv = out + "startup_sqlite3_price.csv";
    const auto bytes = platform::ReadFileBytes(out + "startup_program/kanc/ExportPrice.csv");
    if (!bytes) return -1;
    platform::WriteFileAtomically(csv, platform::Cp1251ToUtf8(*bytes));
    const char* indexes[][2] = {{"_CODE", "CODE"},
                                {"_FULLNAME", "FULLNAME"},
                                {"_IDGROUP", "IDGROUP"},
                                {"_IDSUBGROUP", "IDSUBGROUP"},
                                {"_ARTICUL", "ARTICUL"},
                                {"_KOLTEK", "KOLTEK"},
                                {"_CENA", "CENA"},
                                {"_IDG_CODE", "IDGROUP,CODE"},
                                {"_IDG_FN", "IDGROUP,FULLNAME"},
                                {"_IDG_ART", "IDGROUP,ARTICUL"},
                                {"_IDG_KOL", "IDGROUP,KOLTEK"},
                                {"_IDG_CENA", "IDGROUP,CENA"},
                                {"_IDSG_CODE", "IDSUBGROUP,CODE"},
                                {"_IDSG_FN", "IDSUBGROUP,FULLNAME"},
                                {"_IDSG_ART", "IDSUBGROUP,ARTICUL"},
                                {"_IDSG_KOL", "IDSUBGROUP,KOLTEK"},
                                {"_IDSG_CENA", "IDSUBGROUP,CENA"},
                                {"_IDG_IDSG", "IDGROUP,IDSUBGROUP"},
                                {"_IDTM", "IDTM"}};
    std::string script =
        "CREATE TABLE price(ID INTEGER PRIMARY KEY, CODE TEXT, FULLNAME TEXT, NDS REAL, "
        "KOLTEK INTEGER, CENA REAL, MAXDISCOUNT REAL, ARTICUL TEXT, TM TEXT, IDTM INTEGER, "
        "COUNTRY TEXT, ST1 INTEGER, ST2 INTEGER, ST3 INTEGER, WST3 REAL, VST3 REAL, "
        "IDGROUP INTEGER, IDSUBGROUP INTEGER, ISPHOTO INTEGER, ISNEW INTEGER, BARCODE TEXT, "
        "DATEIN TEXT);\n";
    for (const auto& index : indexes)
        script += std::string("CREATE INDEX ") + index[0] + " ON price(" + index[1] + ");\n";
    script += ".mode csv\n.separator ;\n.import --skip 1 " + csv + " price\n";
    platform::WriteFileAtomically(out + "startup_sqlite3_import.sql", script);
    const std::string db = out + "startup_sqlite3_price.db";
    fs::remove(db);
    int status = 0;
    const std::string command = "sqlite3 " + db + " < " + out + "startup_sqlite3_import.sql";
    const double ms = Milliseconds([&] { return std::system(command.c_str()); }, status);
    return status == 0 ? ms : -1;
}

void PrepareProgramFolder(const std::string& out) {
    const std::string program = out + "startup_program/";
    fs::create_directories(program + "kanc");
    catalog_generator::WriteCatalogList(program,
                                        {{true, "Канцтовары 100000", "kanc", "p.zip", "i.gz"}});
    catalog_generator::WriteCatalogFiles(program + "kanc/",
                                         catalog_generator::GenerateCatalog({kItems, 100}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--start") return RunOneStart(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup <output folder>\n");
        return 2;
    }
    std::string out = fs::absolute(argv[1]).string();
    if (out.back() != '/') out += '/';
    fs::create_directories(out);
    PrepareProgramFolder(out);
    fs::remove_all(out + "profile");

    const std::string self = platform::ProgramFile();
    const ChildResult first = RunChild({self, "--start", out});
    const ChildResult next = RunChild({self, "--start", out});
    const double sqlite = SqliteImport(out);
    if (first.ms < 0 || next.ms < 0 || sqlite < 0) {
        std::fprintf(stderr, "bench_startup: a run failed\n");
        return 1;
    }
    std::printf("startup.first_100k: %.0f ms\n", first.ms);
    std::printf("startup.next_100k: %.0f ms\n", next.ms);
    std::printf("startup.sqlite3_import_100k: %.0f ms\n", sqlite);
    std::printf("startup.first.ratio_vs_sqlite3_import: %.2f x\n", first.ms / sqlite);
    std::printf("startup.first.peak_rss: %.0f MB\n", first.peakMb);
    std::printf("startup.next.peak_rss: %.0f MB\n", next.peakMb);
    return 0;
}
