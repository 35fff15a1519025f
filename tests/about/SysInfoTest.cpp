// The system-information launcher over a registry in memory: how a value is
// read, which of the two registry places wins, and what is started.
#include "about/Registry.h"
#include "about/SysInfo.h"

#include "support/AboutDoubles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr auto kMachine = RegistryRoot::LocalMachine;

void MakeFile(const fs::path& file, bool executable = false)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "#!/bin/sh\n";
    ::chmod(file.c_str(), executable ? 0755 : 0644);
}

// The value's bytes as stored and the text read from them.
TEST(GetKeyValue, ReadsTheValueWithoutItsClosingZero)
{
    struct Case {
        const char* what;
        std::string stored;
        bool found;
        std::string text;
    };
    const Case kCases[] = {
        {"a string with its zero", "C:\\Tools\\info.exe\0"s, true, "C:\\Tools\\info.exe"},
        {"a string without one", "abc", true, "abc"},
        {"only the last zero goes", "ab\0\0"s, true, "ab\0"s},
        {"an empty value", "", true, ""},
        {"the whole buffer, last byte kept", std::string(1024, 'x'), true, std::string(1024, 'x')},
        {"the whole buffer ending in zero", std::string(1023, 'y') + '\0', true, std::string(1023, 'y')},
        {"one byte past the buffer", std::string(1025, 'z'), false, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        testing::FakeRegistry registry;
        registry.Set(kMachine, "Key", "Value", c.stored);
        std::string text = "left over";
        EXPECT_EQ(GetKeyValue(registry, kMachine, "Key", "Value", text), c.found);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(registry.openKeys, 0);
    }
}

TEST(GetKeyValue, AMissingKeyOrValueGivesNothing)
{
    testing::FakeRegistry registry;
    registry.Set(kMachine, "Key", "Value", "text");
    for (const auto& [root, key, value] : {std::tuple{kMachine, "Other", "Value"}, std::tuple{kMachine, "Key", "Other"},
                                           std::tuple{RegistryRoot::CurrentUser, "Key", "Value"}}) {
        SCOPED_TRACE(std::string(key) + "/" + value);
        std::string text = "left over";
        EXPECT_FALSE(GetKeyValue(registry, root, key, value, text));
        EXPECT_EQ(text, "");
        EXPECT_EQ(registry.openKeys, 0);
    }
}

// Which program the launcher starts for the registry's two places.
TEST(SysInfoLauncher, StartsThePathValueElseTheToolInTheFolderValue)
{
    TempDir temp;
    const fs::path with = temp.Path() / "with";
    const fs::path without = temp.Path() / "without";
    const fs::path asFolder = temp.Path() / "as folder";
    MakeFile(with / "MSINFO32.EXE");
    fs::create_directories(without);
    fs::create_directories(asFolder / "MSINFO32.EXE");
    // A backslash is part of a file name here, not a separator.
    MakeFile(temp.Path() / "back\\MSINFO32.EXE");

    const std::string tool = "/opt/tools/sysinfo";
    struct Case {
        const char* what;
        std::optional<std::string> path;   // the "PATH" value
        std::optional<std::string> folder; // the "MSINFO" value
        bool starterWorks;
        std::optional<std::string> started;
        bool result;
    };
    const Case kCases[] = {
        {"path value alone", tool, std::nullopt, true, tool, true},
        {"path value wins over the folder", tool, with.string(), true, tool, true},
        {"folder holding the tool", std::nullopt, with.string(), true, (with / "MSINFO32.EXE").string(), true},
        {"folder without the tool", std::nullopt, without.string(), true, std::nullopt, false},
        {"the tool's name is a folder", std::nullopt, asFolder.string(), true, std::nullopt, false},
        {"backslash joined name", std::nullopt, (temp.Path() / "back").string(), true, std::nullopt, false},
        {"neither value", std::nullopt, std::nullopt, true, std::nullopt, false},
        {"the start fails", tool, std::nullopt, false, tool, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        testing::FakeRegistry registry;
        if (c.path)
            registry.Set(kMachine, kSysInfoPathKey, kSysInfoPathValue, *c.path + '\0');
        if (c.folder)
            registry.Set(kMachine, kSysInfoFolderKey, kSysInfoFolderValue, *c.folder + '\0');
        testing::FakeProcessStarter processes;
        processes.succeeds = c.starterWorks;
        EXPECT_EQ(SysInfoLauncher(registry, processes).Start(), c.result);
        EXPECT_EQ(processes.started, c.started ? std::vector{*c.started} : std::vector<std::string>{});
        EXPECT_EQ(registry.openKeys, 0);
    }
}

TEST(ToolRegistry, AnswersThePathOfTheFirstToolFoundAsAnExecutable)
{
    TempDir temp;
    const fs::path near = temp.Path() / "near";
    const fs::path far = temp.Path() / "far";
    const fs::path relative = temp.Path() / "relative";
    MakeFile(relative / "hardinfo2", true);
    MakeFile(near / "hardinfo2");           // not executable
    fs::create_directories(near / "hardinfo"); // a folder
    MakeFile(near / "cpu-x", true);
    MakeFile(far / "kinfocenter", true);
    const std::string search = fs::relative(relative).string() + "::/no/such/folder:" + near.string() + ":" +
                               far.string();

    ToolRegistry registry(search);
    EXPECT_EQ(registry.FindTool(), (far / "kinfocenter").string());
    std::string value;
    EXPECT_TRUE(GetKeyValue(registry, kMachine, kSysInfoPathKey, kSysInfoPathValue, value));
    EXPECT_EQ(value, (far / "kinfocenter").string());
    EXPECT_TRUE(GetKeyValue(registry, kMachine, R"(software\microsoft\shared tools\msinfo)", "path", value));
    EXPECT_EQ(value, (far / "kinfocenter").string());

    for (const auto& [root, key, name] : {std::tuple{RegistryRoot::CurrentUser, kSysInfoPathKey, kSysInfoPathValue},
                                          std::tuple{kMachine, kSysInfoFolderKey, kSysInfoFolderValue},
                                          std::tuple{kMachine, kSysInfoPathKey, kSysInfoFolderValue}}) {
        SCOPED_TRACE(std::string(key) + "/" + std::string(name));
        EXPECT_FALSE(GetKeyValue(registry, root, key, name, value));
    }
    // Neither a file that cannot run nor a folder of a tool's name counts.
    EXPECT_EQ(ToolRegistry(near.string()).FindTool(), (near / "cpu-x").string());
    ToolRegistry empty("");
    EXPECT_FALSE(GetKeyValue(empty, kMachine, kSysInfoPathKey, kSysInfoPathValue, value));
}

} // namespace
} // namespace quillmere
