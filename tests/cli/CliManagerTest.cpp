// The Logo Manager's commands, run as the built program on temporary drives.
#include "support/DriveFixture.h"

#include "support/AsOrdinaryUser.h"
#include "support/ChildProcess.h"
#include "support/RunProgram.h"

#include <cstring>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public TempDrive {
protected:
    void SetUp() override
    {
        TempDrive::SetUp();
        drive_ = root_ / "drive";
        home_ = root_ / "home";
        fs::create_directories(home_);
        // Drive C: with a startup and a wait logo, no safe logo.
        WriteLogo(drive_ / "logo.sys", 'a');
        WriteLogo(drive_ / "Windows" / "logow.sys", 'b');
        WriteLogo(root_ / "new.bmp", 'n');
        WriteFile(root_ / "photo.jpeg", kLogoBytes, 'j');
    }

    // {drive}, {pic} (a valid logo), {jpeg} (a wrong one) and {root} in text.
    std::string Expand(std::string text) const
    {
        const std::map<std::string, std::string> names = {
            {"{drive}", drive_.string()},
            {"{pic}", (root_ / "new.bmp").string()},
            {"{jpeg}", (root_ / "photo.jpeg").string()},
            {"{root}", root_.string()},
        };
        for (const auto& [key, value] : names) {
            for (std::size_t at; (at = text.find(key)) != std::string::npos;)
                text.replace(at, key.size(), value);
        }
        return text;
    }

    // Runs the program with HOME in the temporary folder and neither
    // QUILLMERE_DRIVE_C nor XDG_DATA_HOME set, unless env sets them.
    Result Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) const
    {
        std::vector<std::string> argv = {asOrdinaryUser_ ? ProgramForOrdinaryUser(QUILLMERE_EXE) : QUILLMERE_EXE};
        for (const std::string& a : args)
            argv.push_back(Expand(a));
        ProgramOptions options{.environment = {{"QUILLMERE_DRIVE_C", std::nullopt},
                                               {"XDG_DATA_HOME", std::nullopt},
                                               {"HOME", home_.string()}},
                               .timeoutSeconds = kChildTimeout};
        for (const auto& [name, value] : env)
            options.environment[name] = Expand(value);
        options.beforeExec = [this] {
            if (fileSizeLimit_ != 0)
                LimitFileSize(fileSizeLimit_); // both survive the exec
            return !asOrdinaryUser_ || BecomeOrdinaryUser();
        };
        const ProgramResult r = RunProgram(argv, root_, options);
        return {r.status, r.out, r.err};
    }

    fs::path drive_;
    fs::path home_;
    rlim_t fileSizeLimit_ = 0; // for the program's files; 0: none
    bool asOrdinaryUser_ = false; // for root: run the program as nobody
};

struct Case {
    const char* title;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> out; // lines or parts of lines the output holds
    std::vector<std::string> err;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.title; }
};

const Case kCases[] = {
    // The start-up steps run first; the first run keeps the originals.
    {"status",
     {"--drive-c", "{drive}", "status"},
     0,
     {"First run on this drive: the logos installed now are kept as your originals.\ncreated C:\\VH Backups\n"
      "copied C:\\Logo.sys to C:\\VH Backups\\Logo.C1K\ncopied C:\\Windows\\Logow.sys to C:\\VH Backups\\Logow.C1K\n"
      "did not copy C:\\Windows\\Logos.sys to C:\\VH Backups\\Logos.C1K: C:\\Windows\\Logos.sys does not exist\n",
      "Drive C: is {drive}\n",
      "  startup  C:\\logo.sys               129078 bytes  Valid Format\n",
      "  safe     C:\\Windows\\logos.sys      Windows' own (no C:\\Windows\\logos.sys)\n",
      "  wait     C:\\VH Backups\\Logow.C1K   129078 bytes\n",
      "  safe     C:\\VH Backups\\Logos.C1K   none\n",
      "  set 10   empty\n"},
     {}},
    {"check",
     {"--drive-c", "{drive}", "check", "{pic}", "{jpeg}"},
     1,
     {"{pic}: Valid Format\n", "{jpeg}: Wrong Format (the name must end in \"sys\" or \"bmp\", in lower case)\n"},
     {"quillmere check: 1 of 2 files are not a valid logo\n"}},
    {"check valid", {"--drive-c", "{drive}", "check", "{pic}"}, 0, {"{pic}: Valid Format\n"}, {}},
    {"install",
     {"--drive-c", "{drive}", "install", "safe", "{pic}"},
     0,
     {"copied {pic} to C:\\Windows\\Logos.sys\nInstalled {pic} as the safe logo.\n"},
     {}},
    {"install wrong format",
     {"--drive-c", "{drive}", "install", "startup", "{jpeg}"},
     1,
     {},
     {"quillmere install: {jpeg} is not a valid Logo format (the name must end in \"sys\" or \"bmp\", in lower "
      "case); convert it first"}},
    {"install missing file",
     {"--drive-c", "{drive}", "install", "wait", "{root}/gone.sys"},
     1,
     {},
     {"quillmere install: {root}/gone.sys: no such file\n"}},
    {"sets save",
     {"--drive-c", "{drive}", "sets", "save", "10"},
     0,
     {"copied C:\\Logo.sys to C:\\VH Backups\\Logo.C11K\n", "Saved the installed logos as set 10.\n"},
     {}},
    {"sets install never saved",
     {"--drive-c", "{drive}", "sets", "install", "4"},
     1,
     {"did not copy C:\\VH Backups\\Logo.C5K to C:\\Logo.sys: C:\\VH Backups\\Logo.C5K does not exist\n"},
     {"quillmere sets: set 4 was never saved; nothing was installed\n"}},
    {"restore-originals", {"--drive-c", "{drive}", "restore-originals"}, 0, {"Restored the originals.\n"}, {}},
    // Refused with the usage line before anything is done.
    {"unknown kind",
     {"--drive-c", "{drive}", "install", "desktop", "{pic}"},
     2,
     {},
     {"quillmere install: unknown logo kind 'desktop'\nUsage: quillmere install startup|wait|safe FILE\n"}},
    {"install without file", {"--drive-c", "{drive}", "install", "wait"}, 2, {}, {"Usage: quillmere install"}},
    {"set 11",
     {"--drive-c", "{drive}", "sets", "save", "11"},
     2,
     {},
     {"quillmere sets: the set number must be 1 to 10, not '11'\nUsage: quillmere sets save|install N | export N FILE.zip | import\n"}},
    {"set 0", {"--drive-c", "{drive}", "sets", "install", "0"}, 2, {}, {"not '0'"}},
    // A minus sign is no option here: sets takes none.
    {"set -1",
     {"--drive-c", "{drive}", "sets", "save", "-1"},
     2,
     {},
     {"quillmere sets: the set number must be 1 to 10, not '-1'\nUsage: quillmere sets save|install N | export N FILE.zip | import\n"}},
    {"set x", {"--drive-c", "{drive}", "sets", "install", "x"}, 2, {}, {"not 'x'"}},
    {"unknown action", {"--drive-c", "{drive}", "sets", "load", "1"}, 2, {}, {"unknown action 'load'"}},
    {"check nothing", {"--drive-c", "{drive}", "check"}, 2, {}, {"Usage: quillmere check FILE..."}},
    {"status with arguments", {"--drive-c", "{drive}", "status", "now"}, 2, {}, {"Usage: quillmere status\n"}},
    // A drive C: folder the user names must exist; an empty one is no folder.
    {"empty drive", {"--drive-c", "", "status"}, 2, {}, {"quillmere: --drive-c needs a folder or a disk image\n"}},
    {"missing drive",
     {"--drive-c", "{root}/mnt", "status"},
     1,
     {},
     {"quillmere status: {root}/mnt: the drive C: folder does not exist\n"}},
    {"help",
     {"--help"},
     0,
     {"  status\n", "  check FILE...\n", "  install startup|wait|safe FILE\n",
      "  sets save|install N | export N FILE.zip | import [--prefix P] N FILE.zip\n",
      "  restore-originals\n", "--drive-c <DIR|IMAGE>", "--partition <N>"},
     {}},
};

class CliCase : public Cli, public ::testing::WithParamInterface<Case> {};

TEST_P(CliCase, StatusAndMessages)
{
    const Case& c = GetParam();
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    for (const std::string& part : c.out)
        EXPECT_NE(r.out.find(Expand(part)), std::string::npos) << "missing: " << Expand(part) << "\nin:\n" << r.out;
    for (const std::string& part : c.err)
        EXPECT_NE(r.err.find(Expand(part)), std::string::npos) << "missing: " << Expand(part) << "\nin:\n" << r.err;
    if (c.err.empty()) {
        EXPECT_EQ(r.err, "");
    }
    if (c.status == 2 && c.args.size() > 1) {
        EXPECT_FALSE(fs::exists(drive_ / "VH Backups")) << "the start-up ran before the usage was checked";
    }
    EXPECT_FALSE(fs::exists(root_ / "mnt"));
}

INSTANTIATE_TEST_SUITE_P(Commands, CliCase, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.title;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    }
    return name;
});

TEST_F(Cli, ASetSavedAndInstalledAgainAcrossRuns)
{
    ASSERT_EQ(Run({"--drive-c", "{drive}", "sets", "save", "2"}).status, 0);
    ASSERT_EQ(Run({"--drive-c", "{drive}", "install", "startup", "{pic}"}).status, 0);
    EXPECT_EQ(LogoFill(drive_ / "logo.sys"), 'n');

    const Result status = Run({"--drive-c", "{drive}", "status"});
    EXPECT_EQ(status.out.find("First run"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("  set 2    Logo.C3K, Logow.C3K\n"), std::string::npos) << status.out;

    const Result install = Run({"--drive-c", "{drive}", "sets", "install", "2"});
    EXPECT_EQ(install.status, 0) << install.err;
    EXPECT_NE(install.out.find("Installed set 2.\n"), std::string::npos) << install.out;
    EXPECT_EQ(LogoFill(drive_ / "logo.sys"), 'a');
    EXPECT_EQ(LogoFill(drive_ / "VH Backups" / "Logo.C1K"), 'a');
}

TEST_F(Cli, AnInstalledLogoIsJudgedByTheNameWindowsKnowsItBy)
{
    // A FAT partition may show the startup logo as LOGO.SYS; it is still C:\logo.sys.
    fs::rename(drive_ / "logo.sys", drive_ / "LOGO.SYS");
    const Result status = Run({"--drive-c", "{drive}", "status"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("  startup  C:\\logo.sys               129078 bytes  Valid Format\n"), std::string::npos)
        << status.out;
    // A file the user names is judged by its own name.
    EXPECT_EQ(Run({"--drive-c", "{drive}", "check", (drive_ / "LOGO.SYS").string()}).status, 1);
}

// status says under the installed logos whether Windows will show the start
// logo, as C:\MSDOS.SYS decides it.
TEST_F(Cli, StatusSaysWhetherTheStartLogoIsShown)
{
    struct Case {
        const char* title;
        std::optional<std::string> msdosSys; // none: no such file
        const char* line;
    };
    const Case cases[] = {
        {"shown", "[Options]\r\nBootGUI=1\r\n", "shown"},
        {"Logo=0", "[Options]\r\nBootGUI=1\r\nLogo=0\r\n", "hidden (Logo=0 in C:\\MSDOS.SYS)"},
        {"BootGUI=0", "[Options]\r\nBootGUI=0\r\n", "not shown (BootGUI=0: Windows starts at the command prompt)"},
        {"MS-DOS's binary file", std::string("\xEB\x3C\x90\0\0", 5),
         "no MSDOS.SYS options (C:\\MSDOS.SYS holds NUL bytes, as the binary MSDOS.SYS of MS-DOS does)"},
        {"none", std::nullopt, "no MSDOS.SYS options (there is no C:\\MSDOS.SYS)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        fs::remove(drive_ / "MSDOS.SYS");
        if (c.msdosSys)
            std::ofstream(drive_ / "MSDOS.SYS", std::ios::binary) << *c.msdosSys;
        const Result status = Run({"--drive-c", "{drive}", "status"});
        EXPECT_EQ(status.status, 0) << status.err;
        EXPECT_NE(status.out.find("C:\\Windows\\logos.sys      Windows' own (no C:\\Windows\\logos.sys)\nStart logo at boot: " +
                                  std::string(c.line) + "\n"),
                  std::string::npos)
            << status.out;
    }
}

TEST_F(Cli, FailedCopiesGiveStatusOne)
{
    ASSERT_EQ(Run({"--drive-c", "{drive}", "sets", "save", "1"}).status, 0);
    // Saving clears no attributes, so a read-only set file stays.
    fs::permissions(drive_ / "VH Backups" / "Logo.C2K", fs::perms::owner_read);
    const Result partial = Run({"--drive-c", "{drive}", "sets", "save", "1"});
    EXPECT_EQ(partial.status, 1);
    EXPECT_NE(partial.out.find("did not copy C:\\Logo.sys to C:\\VH Backups\\Logo.C2K: "
                               "C:\\VH Backups\\Logo.C2K: the file is read-only\n"),
              std::string::npos)
        << partial.out;
    EXPECT_EQ(partial.err, "quillmere sets: set 1 was saved only in part\n");

    fs::remove_all(drive_ / "Windows");
    const Result install = Run({"--drive-c", "{drive}", "install", "wait", "{pic}"});
    EXPECT_EQ(install.status, 1);
    EXPECT_EQ(install.err,
              "quillmere install: the wait logo was not installed: the folder C:\\Windows does not exist\n");
    EXPECT_FALSE(fs::exists(drive_ / "Windows"));
}

TEST_F(Cli, ALinkOffTheDriveIsNotAvailableAndLeftAlone)
{
    const fs::path secret = root_ / "secret.sys";
    WriteLogo(secret, 's');
    fs::permissions(secret, fs::perms::owner_read);
    fs::remove(drive_ / "logo.sys");
    fs::create_symlink(secret, drive_ / "logo.sys");
    fs::create_symlink(root_, drive_ / "VH Backups");

    // What a link leads off the drive to is neither shown nor changed, and a
    // status that could not read it all says so.
    const Result status = Run({"--drive-c", "{drive}", "status"});
    EXPECT_EQ(status.status, 1) << status.err;
    EXPECT_NE(status.out.find("could not read C:\\VH Backups: leads outside drive C: through a symbolic link\n"),
              std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find("  startup  C:\\logo.sys               Not Available (cannot be read: "
                              "C:\\logo.sys: leads outside drive C: through a symbolic link)\n"),
              std::string::npos)
        << status.out;
    EXPECT_NE(status.err.find("quillmere status: could not read C:\\VH Backups: leads outside drive C:"),
              std::string::npos)
        << status.err;

    // Without a store no original can be kept, so no logo is replaced.
    const Result install = Run({"--drive-c", "{drive}", "install", "startup", "{pic}"});
    EXPECT_EQ(install.status, 1);
    EXPECT_NE(install.err.find("quillmere install: the startup logo was not installed: the original startup logo "
                               "cannot be kept, as C:\\VH Backups cannot be read, so it is not replaced\n"),
              std::string::npos)
        << install.err;
    fs::remove(drive_ / "VH Backups");
    fs::create_directory(drive_ / "VH Backups");
    const Result refused = Run({"--drive-c", "{drive}", "install", "startup", "{pic}"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "quillmere install: the startup logo was not installed: "
                           "C:\\Logo.sys: leads outside drive C: through a symbolic link\n");
    EXPECT_EQ(LogoFill(secret), 's');
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_FALSE(fs::exists(root_ / "Logo.C1K"));
}

TEST_F(Cli, TheDriveComesFromTheEnvironmentElseThePracticeDrive)
{
    const Result fromEnv = Run({"status"}, {{"QUILLMERE_DRIVE_C", "{drive}"}});
    EXPECT_EQ(fromEnv.status, 0) << fromEnv.err;
    EXPECT_NE(fromEnv.out.find(Expand("Drive C: is {drive}\n")), std::string::npos) << fromEnv.out;

    const Result practice = Run({"status"});
    const fs::path root = home_ / ".local" / "share" / "quillmere" / "drive_c";
    EXPECT_EQ(practice.status, 0) << practice.err;
    EXPECT_NE(practice.out.find("Drive C: is " + root.string() + " (the practice drive)\n"), std::string::npos)
        << practice.out;
    EXPECT_TRUE(fs::is_directory(root / "Windows"));
    EXPECT_TRUE(fs::is_directory(root / "VH Backups"));
}

// check reads only the files it names: it neither makes the practice drive
// nor prepares a named drive, so nothing says "First run".
TEST_F(Cli, CheckLeavesDriveCAlone)
{
    const fs::path practice = home_ / ".local" / "share" / "quillmere" / "drive_c";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "{pic}"}, {"--drive-c", "{drive}", "check", "{pic}"}}) {
        const Result check = Run(args);
        EXPECT_EQ(check.status, 0) << check.err;
        EXPECT_EQ(check.out, Expand("{pic}: Valid Format\n"));
        EXPECT_EQ(check.err, "");
    }
    EXPECT_FALSE(fs::exists(practice));
    EXPECT_FALSE(fs::exists(drive_ / "VH Backups"));
}

TEST_F(Cli, AFirstRunThatCannotKeepTheOriginalsFailsAndNothingReplacesThemUntilKept)
{
    // Under this limit the record of owed originals fits, no logo does.
    fileSizeLimit_ = 100000;
    const Result first = Run({"--drive-c", "{drive}", "status"});
    EXPECT_EQ(first.status, 1);
    EXPECT_NE(first.out.find("First run on this drive: the originals could not all be kept; see below.\n"),
              std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find("did not copy C:\\Logo.sys to C:\\VH Backups\\Logo.C1K: C:\\VH Backups\\Logo.C1K: " +
                             std::string(std::strerror(EFBIG)) + "\n"),
              std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find("  wait     C:\\VH Backups\\Logow.C1K   not kept yet\n"), std::string::npos) << first.out;
    EXPECT_EQ(first.err, "quillmere status: could not keep the original startup and wait logos in C:\\VH Backups; "
                         "they are not replaced until kept\n");

    struct Case {
        std::vector<std::string> args;
        const char* err; // a line standard error holds
    };
    const Case refused[] = {
        {{"install", "wait", "{pic}"},
         "quillmere install: the wait logo was not installed: the original wait logo is not kept in C:\\VH Backups "
         "yet, so it is not replaced\n"},
        {{"sets", "install", "1"}, "quillmere sets: could not keep the original startup and wait logos"},
        {{"restore-originals"}, "quillmere restore-originals: could not keep the original startup and wait logos"},
    };
    for (const Case& c : refused) {
        std::vector<std::string> args = {"--drive-c", "{drive}"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(LogoFill(drive_ / "logo.sys"), 'a');
    EXPECT_EQ(LogoFill(drive_ / "Windows" / "logow.sys"), 'b');

    // Room again: the next command keeps them first.
    fileSizeLimit_ = 0;
    const Result later = Run({"--drive-c", "{drive}", "install", "wait", "{pic}"});
    EXPECT_EQ(later.status, 0) << later.err;
    EXPECT_NE(later.out.find("copied C:\\Windows\\Logow.sys to C:\\VH Backups\\Logow.C1K\n"), std::string::npos)
        << later.out;
    EXPECT_EQ(LogoFill(drive_ / "VH Backups" / "Logo.C1K"), 'a');
    EXPECT_EQ(LogoFill(drive_ / "VH Backups" / "Logow.C1K"), 'b');
    EXPECT_EQ(LogoFill(drive_ / "Windows" / "logow.sys"), 'n');
    EXPECT_EQ(Run({"--drive-c", "{drive}", "status"}).status, 0);
}

TEST_F(Cli, SpecialAndHardLinkedFilesOnTheDriveAreNamedAndLeftAlone)
{
    // A FIFO with a writer in the startup logo's place, and a wait logo that is
    // another name of a file beside the drive.
    fs::remove(drive_ / "logo.sys");
    ASSERT_EQ(::mkfifo((drive_ / "logo.sys").c_str(), 0600), 0);
    const int writer = ::open((drive_ / "logo.sys").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_GT(::write(writer, "logo", 4), 0);
    const fs::path secret = root_ / "secret.sys";
    fs::rename(drive_ / "Windows" / "logow.sys", secret);
    fs::permissions(secret, fs::perms::owner_read);
    fs::create_hard_link(secret, drive_ / "Windows" / "logow.sys");

    const Result status = Run({"--drive-c", "{drive}", "status"});
    EXPECT_EQ(status.status, 0) << status.err;
    for (const char* line : {
             "  startup  C:\\logo.sys               a FIFO, not a regular file\n",
             "did not clear the attributes of C:\\Windows\\logow.sys: it has other names (hard links), which would "
             "change with it, so it is left as it is\n",
             "copied C:\\Windows\\Logow.sys to C:\\VH Backups\\Logow.C1K\n",
             "  startup  C:\\VH Backups\\Logo.C1K    none\n",
         })
        EXPECT_NE(status.out.find(line), std::string::npos) << line << "\nin:\n" << status.out;

    const Result save = Run({"--drive-c", "{drive}", "sets", "save", "1"});
    EXPECT_EQ(save.status, 1);
    EXPECT_NE(save.out.find("did not copy C:\\Logo.sys to C:\\VH Backups\\Logo.C2K: "
                            "C:\\Logo.sys: it is a FIFO, not a regular file\n"),
              std::string::npos)
        << save.out;
    ::close(writer);
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all, fs::perms::owner_read);
    for (const auto& e : fs::recursive_directory_iterator(drive_))
        EXPECT_FALSE(e.path().filename().string().starts_with(".qm")) << e.path();
}

// The start-up and the install both try to clear the wait logo's attributes
// and fail alike: the user reads it once.
TEST_F(Cli, AnAttributeFailureOfTheStartUpIsNotRepeatedByTheInstall)
{
    fs::rename(drive_ / "Windows" / "logow.sys", root_ / "other.sys");
    fs::create_hard_link(root_ / "other.sys", drive_ / "Windows" / "logow.sys");
    ASSERT_EQ(Run({"--drive-c", "{drive}", "status"}).status, 0);
    const Result install = Run({"--drive-c", "{drive}", "install", "wait", "{pic}"});
    EXPECT_EQ(install.status, 0) << install.err;
    const std::string line = "did not clear the attributes of C:\\Windows\\logow.sys: it has other names";
    const std::size_t first = install.out.find(line);
    ASSERT_NE(first, std::string::npos) << install.out;
    EXPECT_EQ(install.out.find(line, first + 1), std::string::npos) << install.out;
}

TEST_F(Cli, AStoreTheUserCannotReadIsSaidToBeUnreadableAndStatusFails)
{
    if (const std::string why = WhyOrdinaryUserCannotRun(QUILLMERE_EXE, {root_}); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(Run({"--drive-c", "{drive}", "status"}).status, 0);
    if (::geteuid() == 0) {
        for (const auto& e : fs::recursive_directory_iterator(drive_))
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(drive_.c_str(), 65534, 65534), 0);
    }
    fs::permissions(drive_ / "VH Backups", fs::perms::owner_write | fs::perms::owner_exec);
    asOrdinaryUser_ = true;
    const Result status = Run({"--drive-c", "{drive}", "status"});
    fs::permissions(drive_ / "VH Backups", fs::perms::owner_all);
    const std::string denied = std::strerror(EACCES);
    EXPECT_EQ(status.status, 1);
    EXPECT_NE(status.out.find("could not read C:\\VH Backups: " + denied + "\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("Originals (kept at the first run on this drive):\n  cannot be read: C:\\VH Backups: " +
                              denied + "\n"),
              std::string::npos)
        << status.out;
    EXPECT_EQ(status.out.find("none"), std::string::npos) << status.out;
    EXPECT_EQ(status.out.find("leads outside"), std::string::npos) << status.out;
    EXPECT_NE(status.err.find("quillmere status: could not read C:\\VH Backups: " + denied + "\n"), std::string::npos)
        << status.err;
}

} // namespace
} // namespace quillmere
