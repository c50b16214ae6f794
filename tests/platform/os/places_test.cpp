// Environment and per-user places.
#include <gtest/gtest.h>

#include "platform/os/os.h"
#include "test_support.h"

using namespace platform;

namespace {

// Restores the variables a test changes.
class EnvGuard {
public:
    explicit EnvGuard(std::vector<std::string> names) : m_names(std::move(names)) {
        for (const auto& n : m_names) m_saved.push_back(GetEnv(n));
    }
    ~EnvGuard() {
        for (std::size_t i = 0; i < m_names.size(); ++i) SetEnv(m_names[i], m_saved[i]);
    }

private:
    std::vector<std::string> m_names;
    std::vector<std::optional<std::string>> m_saved;
};

}  // namespace

TEST(Environment, SetReadAndRemove) {
    EnvGuard guard({"CATALOG_TEST_VAR"});
    SetEnv("CATALOG_TEST_VAR", "значение");
    EXPECT_EQ(GetEnv("CATALOG_TEST_VAR"), "значение");
    SetEnv("CATALOG_TEST_VAR", std::nullopt);
    EXPECT_FALSE(GetEnv("CATALOG_TEST_VAR"));
}

TEST(PerUserPlaces, WorkingDirectoryFollowsXdgDataHomeOrHome) {
    EnvGuard guard({"HOME", "XDG_DATA_HOME", "USER"});
    SetEnv("HOME", "/home/ivan");
    SetEnv("USER", "ivan");
    struct Case {
        std::optional<std::string> xdg;
        const char* expected;
    };
    const Case cases[] = {
        {std::nullopt, "/home/ivan/.local/share/Quendal/"},
        {"", "/home/ivan/.local/share/Quendal/"},
        {"relative/data", "/home/ivan/.local/share/Quendal/"},
        {"/data/ivan", "/data/ivan/Quendal/"},
        {"/data/ivan/", "/data/ivan/Quendal/"},
    };
    for (const Case& c : cases) {
        SetEnv("XDG_DATA_HOME", c.xdg);
        EXPECT_EQ(WorkingDirectory(), c.expected) << c.xdg.value_or("(unset)");
    }
    EXPECT_EQ(ProfileFolder(), "/home/ivan/");
    EXPECT_EQ(UserName(), "ivan");
    SetEnv("USER", std::nullopt);
    EXPECT_EQ(UserName(), "");
}

TEST(PerUserPlaces, ProgramFolderHoldsTheRunningProgram) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), kPathSeparator);
    EXPECT_EQ(ProgramFile().rfind(folder, 0), 0u);
    EXPECT_TRUE(FileExists(folder + "test_platform_os"));
}
