// The single-instance lock across processes, detached starts and the desktop opener.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "platform/os/os.h"
#include "test_support.h"

using namespace platform;
using testsupport::ChildProcess;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

bool WaitForText(const std::string& path, const std::string& text) {
    for (int i = 0; i < 500; ++i) {
        if (testsupport::FileExists(path) && ReadFile(path).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Runs the lock helper for a user name to its end; its exit status.
int RunHelper(const TempDir& runtime, const std::string& user) {
    ChildProcess helper({LOCK_HELPER, user}, {{"XDG_RUNTIME_DIR", runtime.Path()}});
    return helper.Wait();
}

std::string WriteScript(const TempDir& dir, const std::string& name, const std::string& body) {
    std::string path = dir / name;
    WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}

}  // namespace

TEST(SingleInstanceLock, SecondStartOfTheSameUserIsRefused) {
    TempDir runtime;
    std::string log = runtime / "first.log";
    ChildProcess first({LOCK_HELPER, "ivan", "hold"}, {{"XDG_RUNTIME_DIR", runtime.Path()}}, log);
    ASSERT_TRUE(WaitForText(log, "acquired"));
    EXPECT_TRUE(testsupport::FileExists(runtime / "{4AA71105-17F8-422F-9E12-09D8E4C9FAB1}ivan"));
    EXPECT_EQ(RunHelper(runtime, "ivan"), 1);
    EXPECT_EQ(RunHelper(runtime, "petr"), 0);
    EXPECT_EQ(RunHelper(runtime, "IVAN"), 0);  // user names are told apart as written
    // The lock dies with the process that held it.
    first.Kill();
    first.Wait();
    EXPECT_EQ(RunHelper(runtime, "ivan"), 0);
}

TEST(SingleInstanceLock, HeldWithinTheProcessAndNotPassedToStartedPrograms) {
    TempDir runtime;
    auto saved = GetEnv("XDG_RUNTIME_DIR");
    SetEnv("XDG_RUNTIME_DIR", runtime.Path());
    {
        SingleInstanceLock lock;
        ASSERT_TRUE(lock.Acquire("anna"));
        EXPECT_TRUE(lock.Held());
        SingleInstanceLock second;
        EXPECT_FALSE(second.Acquire("anna"));
        // A program started while the lock is held must not keep it after we let go.
        TempDir work;
        std::string sleeper = WriteScript(work, "sleeper", "exec sleep 5\n");
        ASSERT_TRUE(StartProgram(sleeper));
    }
    SingleInstanceLock after;
    EXPECT_TRUE(after.Acquire("anna"));
    SetEnv("XDG_RUNTIME_DIR", saved);
}

TEST(SingleInstanceLock, FallsBackToTmpAndKeepsUserNamesInsideTheFolder) {
    auto saved = GetEnv("XDG_RUNTIME_DIR");
    SetEnv("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_EQ(SingleInstanceLock::LockFilePath("ivan"),
              "/tmp/{4AA71105-17F8-422F-9E12-09D8E4C9FAB1}ivan");
    EXPECT_EQ(SingleInstanceLock::LockFilePath("../x/y"),
              "/tmp/{4AA71105-17F8-422F-9E12-09D8E4C9FAB1}.._x_y");
    SetEnv("XDG_RUNTIME_DIR", saved);
}

TEST(StartProgram, StartsDetachedAndReportsFailure) {
    TempDir dir;
    std::string marker = dir / "marker";
    std::string script = WriteScript(dir, "prog", "echo \"$1 $2\" > '" + marker + "'\n");
    EXPECT_TRUE(StartProgram(script, {"first", "второй"}));
    EXPECT_TRUE(WaitForText(marker, "first второй"));

    WriteFile(dir / "plain.txt", "not a program");
    EXPECT_FALSE(StartProgram(dir / "plain.txt"));
    EXPECT_FALSE(StartProgram(dir / "missing.exe"));
    EXPECT_FALSE(StartProgram(""));
}

TEST(OpenWithDesktop, UsesTheOpenerNamedByTheEnvironment) {
    TempDir dir;
    std::string marker = dir / "opened";
    std::string opener = WriteScript(dir, "opener", "echo \"$1\" >> '" + marker + "'\n");
    auto saved = GetEnv("CATALOG_OPENER");
    SetEnv("CATALOG_OPENER", opener);
    EXPECT_TRUE(OpenWithDesktop("mailto:orders@example.com"));
    EXPECT_TRUE(WaitForText(marker, "mailto:orders@example.com"));
    SetEnv("CATALOG_OPENER", dir / "no-such-opener");
    EXPECT_FALSE(OpenWithDesktop("/tmp/file.xls"));
    SetEnv("CATALOG_OPENER", saved);
}
