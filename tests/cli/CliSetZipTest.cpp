// sets export and sets import, run as the built program on a temporary drive.
#include "support/DriveFixture.h"

#include "manager/ZipArchive.h"
#include "support/RunProgram.h"

namespace quillmere {
namespace {

using namespace quillmere::testing;

class CliSetZip : public TempDrive {
protected:
    void SetUp() override
    {
        TempDrive::SetUp();
        drive_ = root_ / "drive";
        WriteLogo(drive_ / "logo.sys", 'a');
        WriteLogo(drive_ / "Windows" / "logow.sys", 'b');
    }

    ProgramResult Run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {QUILLMERE_EXE, "--drive-c", drive_.string()});
        const ProgramOptions options{.environment = {{"QUILLMERE_DRIVE_C", std::nullopt},
                                                     {"XDG_DATA_HOME", std::nullopt},
                                                     {"HOME", root_.string()}}};
        return RunProgram(args, root_, options);
    }

    char SetFill(const char* base, int set) const
    {
        return LogoFill(drive_ / "VH Backups" / (std::string(base) + ".C" + std::to_string(set + 1) + "K"));
    }

    fs::path drive_;
};

TEST_F(CliSetZip, ASetGoesOutAndComesBack)
{
    ASSERT_EQ(Run({"sets", "save", "2"}).status, 0);
    const std::string zip = (root_ / "set two.zip").string();
    const ProgramResult out = Run({"sets", "export", "2", zip});
    ASSERT_EQ(out.status, 0) << Describe(out);
    EXPECT_NE(out.out.find("Exported set 2 to " + zip + ".\n"), std::string::npos) << out.out;

    const ProgramResult in = Run({"sets", "import", "9", zip});
    ASSERT_EQ(in.status, 0) << Describe(in);
    EXPECT_NE(in.out.find("took logo.sys as C:\\VH Backups\\Logo.C10K\n"
                          "took logow.sys as C:\\VH Backups\\Logow.C10K\n"
                          "Imported set 9 from " +
                          zip + ".\n"),
              std::string::npos)
        << in.out;
    EXPECT_EQ(SetFill("Logo", 9), 'a');
    EXPECT_EQ(SetFill("Logow", 9), 'b');
    EXPECT_EQ(SetFill("Logos", 9), '?');
}

TEST_F(CliSetZip, RefusalsSayWhyAndChangeNothing)
{
    const fs::path pack = root_ / "pack.zip";
    const std::vector<std::uint8_t> bytes = MakeZip(
        {{"e1-logo.sys", std::string(kLogoBytes, 'e')}, {"e2-logo.sys", std::string(kLogoBytes, 'f')}});
    std::ofstream(pack, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err; // a part of standard error
    };
    const Case cases[] = {
        {{"sets", "export", "7", (root_ / "seven.zip").string()},
         1,
         "quillmere sets: set 7 was not exported: set 7 is empty: no logo was ever saved in it"},
        {{"sets", "import", "3", pack.string()},
         1,
         "quillmere sets: set 3 was not changed: " + pack.string() +
             ": e1-logo.sys and e2-logo.sys could each be the startup logo (groups \"e1-\", \"e2-\"); "
             "--prefix picks one\n"},
        {{"sets", "import", "3", (root_ / "none.zip").string()}, 1, "none.zip: No such file or directory"},
        {{"sets", "import", "3"}, 2, "Usage: quillmere sets"},
        {{"sets", "export", "--prefix", "e1-", "3", pack.string()}, 2, "unknown option"},
        {{"sets", "import", "11", pack.string()}, 2, "the set number must be 1 to 10, not '11'"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << Describe(r);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(root_ / "seven.zip"));
    EXPECT_EQ(SetFill("Logo", 3), '?');

    const ProgramResult picked = Run({"sets", "import", "--prefix", "e2-", "3", pack.string()});
    EXPECT_EQ(picked.status, 0) << Describe(picked);
    EXPECT_EQ(SetFill("Logo", 3), 'f');
}

} // namespace
} // namespace quillmere
