// "quillmere --help" ends by naming the user guide of the program that runs,
// so that a user of the commands finds it too.
#include "support/RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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

} // namespace
} // namespace quillmere
