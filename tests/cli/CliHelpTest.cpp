// "quillmere --help" ends by naming the user guide of the program that runs,
// so that a user of the commands finds it too; each command explains itself.
#include "support/RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

std::string LastLine(const std::string& text)
{
    const std::string trimmed = text.substr(0, text.find_last_not_of('\n') + 1);
    return trimmed.substr(trimmed.find_last_of('\n') + 1);
}

// A copy of the program in <prefix>/bin, where a guide is put in turn where an
// installation and a build keep it; the one beside the program wins.
TEST(CliHelp, TheLastLineNamesTheGuideOfThisProgramOrSaysItIsMissing)
{
    TempDir root;
    const fs::path prefix = fs::canonical(root.Path()) / "prefix";
    const fs::path bin = prefix / "bin";
    fs::create_directories(bin);
    fs::copy_file(QUILLMERE_EXE, bin / "quillmere");
    const fs::path installed = prefix / "share/doc/quillmere/guide/index.html";
    const fs::path beside = bin / "guide/index.html";

    struct Case {
        fs::path put; // a page made before the run; none when empty
        std::string lastLine;
    };
    const Case cases[] = {
        {{}, "User guide: not installed (looked for in " + (bin / "guide").string() + " and " +
                 (prefix / "share/doc/quillmere/guide").string() + ")"},
        {installed, "User guide: " + installed.string()},
        {beside, "User guide: " + beside.string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastLine);
        if (!c.put.empty()) {
            fs::create_directories(c.put.parent_path());
            std::ofstream(c.put) << "<html></html>";
        }
        for (const char* option : {"--help", "-h", "--help-all"}) {
            const testing::ProgramResult result =
                testing::RunProgram({(bin / "quillmere").string(), option}, root.Path());
            EXPECT_EQ(result.status, 0) << option << ": " << result.err;
            EXPECT_NE(result.out.find("Commands:"), std::string::npos) << option;
            EXPECT_EQ(LastLine(result.out), c.lastLine) << option;
        }
    }
}

// Every command listed by --help answers "COMMAND --help", "COMMAND -h" and
// "help COMMAND" alike with its own usage, and touches no drive doing so.
TEST(CliHelp, EachCommandPrintsItsOwnHelp)
{
    TempDir root;
    const testing::ProgramOptions options{.environment = {{"HOME", root.Path().string()},
                                                          {"XDG_DATA_HOME", std::nullopt},
                                                          {"QUILLMERE_DRIVE_C", std::nullopt}}};
    const testing::ProgramResult help = testing::RunProgram({QUILLMERE_EXE, "--help"}, root.Path(), options);
    std::vector<std::string> commands;
    std::istringstream lines(help.out.substr(help.out.find("Commands:\n") + 10));
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        if (line.starts_with("  ") && line[2] != ' ')
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    ASSERT_GE(commands.size(), 10u) << help.out;
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const std::vector<std::vector<std::string>> asks = {
            {QUILLMERE_EXE, command, "--help"}, {QUILLMERE_EXE, command, "-h"}, {QUILLMERE_EXE, "help", command}};
        std::string first;
        for (const auto& argv : asks) {
            const testing::ProgramResult r = testing::RunProgram(argv, root.Path(), options);
            EXPECT_EQ(r.status, 0) << argv[1] << " " << argv[2] << ": " << r.err;
            EXPECT_TRUE(r.out.starts_with("Usage: quillmere " + command)) << r.out;
            EXPECT_EQ(r.err, "");
            if (first.empty())
                first = r.out;
            EXPECT_EQ(r.out, first);
        }
    }
    EXPECT_FALSE(fs::exists(root.Path() / ".local")) << "a drive was made";

    // After "--", "--help" is a file's name; "help" takes one command it knows.
    struct Refused {
        std::vector<std::string> argv;
        const char* err;
    };
    const Refused refused[] = {
        {{QUILLMERE_EXE, "convert", "--", "--help"}, "Usage: quillmere convert"},
        {{QUILLMERE_EXE, "help", "nope"}, "quillmere help: unknown command 'nope'"},
    };
    for (const Refused& r : refused) {
        const testing::ProgramResult result = testing::RunProgram(r.argv, root.Path(), options);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(r.err), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace quillmere
