#include "support/DriveFixture.h"

#include "drive/DriveC.h"
#include "drive/FileAttributes.h"
#include "manager/LogoSlot.h"

#include "imaging/Errors.h"
#include "imaging/ReplaceFile.h"
#include "support/AsOrdinaryUser.h"
#include "support/ChildProcess.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

// Every fixed drive path the Logo Manager uses, in the spellings it uses.
std::vector<std::string> FixedNames()
{
    std::vector<std::string> names;
    for (const LogoSlot& slot : LogoSlots()) {
        names.emplace_back(slot.installPath);
        names.emplace_back(slot.copyPath);
        for (int n = 1; n <= 11; ++n)
            names.push_back(BackupPath(slot, n));
    }
    return names;
}

// The host layout of a drive path, each letter changed by fold.
fs::path HostLayout(std::string drivePath, int (*fold)(int))
{
    std::transform(drivePath.begin(), drivePath.end(), drivePath.begin(),
                   [fold](char c) { return static_cast<char>(fold(static_cast<unsigned char>(c))); });
    std::replace(drivePath.begin(), drivePath.end(), '\\', '/');
    return drivePath.substr(3);
}

using DriveCResolve = TempDrive;

TEST_F(DriveCResolve, EveryFixedNameFindsTheFileInAnyLetterCase)
{
    const DriveC drive(root_);
    for (auto fold : {+[](int c) { return std::toupper(c); }, +[](int c) { return std::tolower(c); }}) {
        for (const std::string& name : FixedNames()) {
            const fs::path existing = root_ / HostLayout(name, fold);
            WriteFile(existing, 1, 'x');
            EXPECT_EQ(drive.Resolve(name), existing) << name;
            fs::remove_all(root_ / *HostLayout(name, fold).begin());
        }
    }
}

TEST_F(DriveCResolve, AMissingNameKeepsTheSpellingOfTheStepAndEverySpellingFindsTheSameFile)
{
    const DriveC drive(root_);
    fs::create_directories(root_ / "WINDOWS");
    EXPECT_EQ(drive.Resolve("C:\\Windows\\Logow.sys"), root_ / "WINDOWS" / "Logow.sys");
    EXPECT_EQ(drive.Resolve("C:\\VH Backups\\Logo.C2K"), root_ / "VH Backups" / "Logo.C2K");
    EXPECT_EQ(drive.Resolve("C:\\"), root_);

    // Two files that differ only in case, on a file system that allows it: the
    // attributes cleared (C:\logo.sys) must be those of the file replaced
    // (C:\Logo.sys), so all spellings take the first in name order.
    WriteFile(root_ / "logo.sys", 1, 'a');
    WriteFile(root_ / "LOGO.SYS", 1, 'b');
    for (const char* spelling : {"C:\\logo.sys", "C:\\LOGO.SYS", "C:\\Logo.sys"})
        EXPECT_EQ(drive.Resolve(spelling), root_ / "LOGO.SYS") << spelling;
}

TEST_F(DriveCResolve, NeverLeavesTheRoot)
{
    const DriveC drive(root_);
    for (const char* path : {"C:\\..\\etc\\passwd", "C:\\Windows\\..\\..\\x", "C:\\.\\logo.sys", "C:\\a/b",
                             "D:\\logo.sys", "logo.sys", ""}) {
        EXPECT_THROW(drive.Resolve(path), Error) << path;
        EXPECT_EQ(drive.SetAttributes(path), 0) << path;
    }
}

TEST_F(DriveCResolve, ASymbolicLinkIsFollowedOnlyWhileItStaysOnTheDrive)
{
    // A read-only file beside the drive, which the drive must not reach.
    const fs::path driveRoot = root_ / "drive";
    const fs::path outside = root_ / "outside";
    WriteFile(outside / "secret.sys", 1, 's');
    fs::permissions(outside / "secret.sys", fs::perms::owner_read);
    WriteFile(driveRoot / "Windows" / "real.sys", 1, 'r');
    fs::create_symlink("../outside/secret.sys", driveRoot / "logo.sys");
    fs::create_symlink(outside, driveRoot / "VH Backups");
    fs::create_symlink("/nonexistent/logow.sys", driveRoot / "Windows" / "logow.sys");
    fs::create_symlink("real.sys", driveRoot / "Windows" / "logos.sys");
    fs::create_symlink("Windows", driveRoot / "Win");
    fs::create_symlink("../WINDOWS/./Real.sys", driveRoot / "Windows" / "up.sys");
    fs::create_symlink("../Windows/../../outside/secret.sys", driveRoot / "Windows" / "away.sys");
    fs::create_symlink("new.sys", driveRoot / "Windows" / "dangling.sys");
    fs::create_symlink("loop.sys", driveRoot / "loop.sys");
    const DriveC drive(driveRoot);

    struct Case {
        const char* path;
        std::optional<fs::path> host; // nullopt: refused
        bool there;
    };
    const Case cases[] = {
        // off the drive, by "..", by an absolute target, or under a linked folder
        {"C:\\logo.sys", std::nullopt, false},
        {"C:\\Windows\\away.sys", std::nullopt, false},
        {"C:\\Windows\\logow.sys", std::nullopt, false},
        {"C:\\VH Backups\\secret.sys", std::nullopt, false},
        {"C:\\VH Backups\\Logo.C1K", std::nullopt, false}, // not there yet: it would be made outside
        {"C:\\loop.sys", std::nullopt, false},
        // on the drive: the file the link leads to, found ignoring letter case
        {"C:\\Windows\\logos.sys", driveRoot / "Windows" / "real.sys", true},
        {"C:\\Win\\real.sys", driveRoot / "Windows" / "real.sys", true},
        {"C:\\Windows\\up.sys", driveRoot / "Windows" / "real.sys", true},
        // a link on the drive that leads nowhere yet: a copy creates what it names
        {"C:\\Windows\\dangling.sys", driveRoot / "Windows" / "new.sys", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.host) {
            EXPECT_EQ(drive.Resolve(c.path), *c.host);
            EXPECT_EQ(drive.SetAttributes(c.path) != 0, c.there);
        } else {
            EXPECT_THROW(drive.Resolve(c.path), FileError);
            EXPECT_EQ(drive.SetAttributes(c.path), 0);
            EXPECT_FALSE(drive.Exists(c.path));
            EXPECT_THROW(drive.WriteFile(c.path, {}), FileError);
        }
    }
    EXPECT_EQ(drive.ChangeAttributes("C:\\logo.sys", 0), DriveErrc::LeavesDrive);
    EXPECT_EQ(fs::status(outside / "secret.sys").permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_EQ(ReadFile(outside / "secret.sys"), "s");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator{}), 1);
}

// --- attributes ---------------------------------------------------------------

using DriveCAttributes = TempDrive;

TEST_F(DriveCAttributes, ClearingMakesAReadOnlyHiddenSystemFileAPlainOne)
{
    RequireExtendedAttributes();
    const DriveC drive(root_);
    const fs::path file = root_ / "LOGO.SYS";
    WriteLogo(file, 'a');
    ASSERT_TRUE(SetDosAttrib(file, "0x27"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(drive.Attributes("C:\\logo.sys"), kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    EXPECT_FALSE(drive.Exists("C:\\logo.sys"));

    EXPECT_NE(drive.SetAttributes("C:\\logo.sys"), 0);
    EXPECT_EQ(drive.Attributes("C:\\logo.sys"), 0u);
    EXPECT_TRUE(drive.Exists("C:\\logo.sys"));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(GetDosAttrib(file), std::string("0x0\0", 4)); // Samba's compatible form
    EXPECT_EQ(LogoFill(file), 'a');

    // Setting them again: read-only takes every write permission away.
    EXPECT_NE(drive.SetAttributes("C:\\logo.sys", kAttrReadOnly | kAttrHidden), 0);
    EXPECT_EQ(drive.Attributes("C:\\logo.sys"), kAttrReadOnly | kAttrHidden);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(DriveCAttributes, ExistenceTest)
{
    RequireExtendedAttributes();
    const DriveC drive(root_);
    struct Case {
        const char* host;
        const char* dosattrib; // nullptr: none
        bool exists;
    };
    const Case cases[] = {
        {"plain.sys", nullptr, true},   {"archive.sys", "0x20", true}, {"hidden.sys", "0x2", false},
        {"system.sys", "0x4", false},   {"Hidden Dir", "0x12", false}, {"Dir", nullptr, true},
        {"garbage.sys", "yes", true},
    };
    for (const Case& c : cases) {
        const fs::path path = root_ / c.host;
        if (std::string(c.host).find('.') == std::string::npos)
            fs::create_directories(path);
        else
            WriteFile(path, 1, 'x');
        if (c.dosattrib) {
            ASSERT_TRUE(SetDosAttrib(path, c.dosattrib));
        }
        EXPECT_EQ(drive.Exists("C:\\" + std::string(c.host)), c.exists) << c.host;
    }
    EXPECT_FALSE(drive.Exists("C:\\missing.sys"));
    EXPECT_FALSE(drive.Exists("C:\\Dir\\missing.sys"));
}

TEST_F(DriveCAttributes, APathIsCutTo255CharactersAndAMissingFileIsNoSuccess)
{
    const DriveC drive(root_);
    const std::string name(252, 'a'); // "C:\" and this name: 255 characters
    const fs::path file = root_ / name;
    WriteFile(file, 1, 'x');
    fs::permissions(file, fs::perms::owner_read);
    struct Case {
        std::string path;
        bool cleared;
    };
    const Case cases[] = {
        {"C:\\" + name, true},
        {"C:\\" + name + "\\below it", true},
        {"C:\\" + name + "bbbb", true},
        {"C:\\" + name.substr(1) + "b", false},
        {"C:\\missing.sys", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.size());
        fs::permissions(file, fs::perms::owner_read);
        EXPECT_EQ(drive.SetAttributes(c.path) != 0, c.cleared);
        EXPECT_EQ((fs::status(file).permissions() & fs::perms::owner_write) != fs::perms::none, c.cleared);
    }
    EXPECT_EQ(drive.ChangeAttributes("C:\\missing.sys", 0), std::errc::no_such_file_or_directory);
}

TEST_F(DriveCAttributes, ReadOnlyTakesEveryWritePermissionAndClearingGivesTheOwnerHisBack)
{
    const DriveC drive(root_);
    const fs::path file = root_ / "logo.sys";
    WriteLogo(file, 'a');
    struct Case {
        mode_t before;
        std::uint32_t attributes;
        mode_t after;
    };
    const Case cases[] = {
        {0666, kAttrReadOnly, 0444}, {0664, kAttrReadOnly, 0444}, {0462, kAttrReadOnly, 0440},
        {0400, kAttrReadOnly, 0400}, {0460, 0, 0660},             {0444, 0, 0644},
        {0644, 0, 0644},
    };
    // An ordinary user may write user.DOSATTRIB only while the file is writable
    // to them, so the order of the steps matters there most.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    }
    for (const Case& c : cases) {
        for (bool ordinary : {false, true}) {
            SCOPED_TRACE(::testing::Message() << std::oct << c.before << " " << c.attributes << (ordinary ? " as a user" : ""));
            ASSERT_EQ(::chmod(file.c_str(), c.before), 0);
            const auto attempt = [&] {
                struct stat st {};
                return drive.SetAttributes("C:\\logo.sys", c.attributes) != 0 && ::stat(file.c_str(), &st) == 0 &&
                       (st.st_mode & 07777) == c.after;
            };
            EXPECT_TRUE(ordinary ? AsOrdinaryUser(attempt) : attempt());
        }
    }
}

TEST_F(DriveCAttributes, AFileWithOtherNamesOrNoFileAtAllIsNotChanged)
{
    const fs::path outside = root_ / "outside";
    const fs::path drive = root_ / "drive";
    WriteLogo(outside / "secret.sys", 's');
    fs::permissions(outside / "secret.sys", fs::perms::owner_read);
    fs::create_directories(drive / "Windows");
    fs::create_hard_link(outside / "secret.sys", drive / "logo.sys");
    ASSERT_EQ(::mkfifo((drive / "Windows" / "logow.sys").c_str(), 0600), 0);
    const DriveC c(drive);

    const std::error_code linked = c.ChangeAttributes("C:\\logo.sys", 0);
    EXPECT_EQ(linked, DriveErrc::HardLinked);
    EXPECT_NE(linked.message().find("hard links"), std::string::npos) << linked.message();
    EXPECT_EQ(fs::status(outside / "secret.sys").permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_EQ(c.Inspect("C:\\logo.sys").links, 2u);

    EXPECT_EQ(c.ChangeAttributes("C:\\Windows\\logow.sys", 0), DriveErrc::NotRegularFile);
    const DriveEntry fifo = c.Inspect("C:\\Windows\\logow.sys");
    EXPECT_EQ(fifo.type, DriveEntry::Type::Other);
    EXPECT_EQ(fifo.typeName, "a FIFO");
}

// Runs each copy onto the drive in a child with a timeout, so one that blocks
// fails instead of hanging the tests.
TEST_F(DriveCAttributes, SpecialAndOversizedFilesAreRefusedWithoutBlockingOrFillingTheDisk)
{
    fs::create_directories(root_ / "Windows");
    fs::create_directories(root_ / "VH Backups");
    ASSERT_EQ(::mkfifo((root_ / "logo.sys").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((root_ / "Windows" / "logow.sys").c_str(), 0600), 0);
    // A writer that never stops is on this one; the other has none.
    const int writer = ::open((root_ / "Windows" / "logow.sys").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_GT(::write(writer, "logo", 4), 0);
    {
        std::ofstream sparse(root_ / "VH Backups" / "Logo.C2K", std::ios::binary);
        sparse.seekp(static_cast<std::streamoff>(kMaxDriveCopyBytes));
        sparse << 'x';
    }
    const DriveC drive(root_);
    struct Case {
        const char* source;
        const char* target;
        const char* reason;
    };
    const Case cases[] = {
        {"C:\\logo.sys", "C:\\VH Backups\\Logo.C3K", "it is a FIFO, not a regular file"},
        {"C:\\Windows\\logow.sys", "C:\\VH Backups\\Logow.C3K", "it is a FIFO, not a regular file"},
        {"C:\\VH Backups\\Logo.C2K", "C:\\Logo.C4K",
         "is larger than 4194304 bytes, more than any logo or picture needs, so it is not copied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_TRUE(InChild([&] {
            try {
                drive.CopyFile(c.source, c.target);
            } catch (const FileError& e) {
                return e.file() == c.source && e.reason() == c.reason;
            }
            return false;
        }));
    }
    EXPECT_TRUE(InChild([&] { return drive.Inspect("C:\\logo.sys").typeName == "a FIFO"; }));
    // A picture the user names is opened at once, so only the open's own check stands.
    EXPECT_TRUE(InChild([&] {
        try {
            drive.CopyIn(root_ / "logo.sys", "C:\\Logo.C5K");
        } catch (const FileError& e) {
            return e.reason() == "it is a FIFO, not a regular file";
        }
        return false;
    }));
    ::close(writer);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"VH Backups", "VH Backups/Logo.C2K", "Windows", "Windows/logow.sys",
                                                "logo.sys"}));
}

TEST_F(DriveCAttributes, EveryWriteUnderAFileSizeLimitFailsWithEFBIGAndLeavesNoTemporary)
{
    WriteLogo(root_ / "Windows" / "logow.sys", 'w');
    WriteLogo(root_ / "logo.sys", 'a');
    const fs::path picture = root_ / "picture.bmp";
    WriteLogo(picture, 'p');
    const DriveC drive(root_);
    const std::string big(200000, 'b');
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(big.data()), big.size());
    struct Case {
        const char* name;
        std::string target; // as the error names it
        std::function<void()> write;
    };
    const Case cases[] = {
        {"a picture onto the drive", "C:\\Logo.sys", [&] { drive.CopyIn(picture, "C:\\Logo.sys"); }},
        {"a drive file onto the drive", "C:\\Logo.sys", [&] { drive.CopyFile("C:\\Windows\\Logow.sys", "C:\\Logo.sys"); }},
        {"bytes onto the drive", "C:\\Logo.sys", [&] { drive.WriteFile("C:\\Logo.sys", bytes); }},
        {"bytes to a host file", (root_ / "logo.sys").string(), [&] { ReplaceFileContents(root_ / "logo.sys", bytes); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(InChild([&] {
            LimitFileSize(100000);
            try {
                c.write();
            } catch (const FileError& e) {
                return e.file() == c.target && e.reason() == std::strerror(EFBIG);
            }
            return false;
        }));
        EXPECT_EQ(LogoFill(root_ / "logo.sys"), 'a');
        EXPECT_EQ(Tree(), (std::vector<std::string>{"Windows", "Windows/logow.sys", "logo.sys", "picture.bmp"}));
    }
}

// --- changes and their limits ------------------------------------------------

using DriveCChanges = TempDrive;

std::vector<ReplaceStep> g_steps;
void RecordStep(ReplaceStep step) { g_steps.push_back(step); }

// Making or removing an entry changes its folder, which is flushed so that the
// change survives a crash.
TEST_F(DriveCChanges, EveryFolderChangeIsFlushed)
{
    WriteLogo(root_ / "logo.sys", 'a');
    fs::create_directories(root_ / "Old");
    const DriveC drive(root_);
    struct Case {
        const char* name;
        std::function<void()> change;
        const char* gone;    // a host path under the root the change removes
        const char* made;    // one it makes
    };
    const Case cases[] = {
        {"make a folder", [&] { drive.MakeFolder("C:\\VH Backups"); }, nullptr, "VH Backups"},
        {"remove a folder", [&] { drive.RemoveFolder("C:\\Old"); }, "Old", nullptr},
        {"remove a file", [&] { drive.RemoveFile("C:\\logo.sys"); }, "logo.sys", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_steps.clear();
        ObserveReplaceSteps(&RecordStep);
        c.change();
        ObserveReplaceSteps(nullptr);
        EXPECT_EQ(g_steps, std::vector<ReplaceStep>{ReplaceStep::FolderFlushed});
        if (c.gone) {
            EXPECT_FALSE(fs::exists(root_ / c.gone));
        }
        if (c.made) {
            EXPECT_TRUE(fs::is_directory(root_ / c.made));
        }
    }
}

// A copy of exactly kMaxDriveCopyBytes is made; one byte more is refused and
// leaves the target as it was, with no temporary beside it.
TEST_F(DriveCChanges, ACopyOfTheLimitIsMadeAndOneByteMoreIsRefused)
{
    fs::create_directories(root_ / "VH Backups");
    const fs::path host = root_.parent_path() / (root_.filename().string() + "-picture.bmp");
    const DriveC drive(root_);
    struct Case {
        const char* name;
        std::uintmax_t size;
        bool fromHost; // CopyIn of a picture file; else CopyFile on the drive
    };
    const Case cases[] = {
        {"picture of the limit", kMaxDriveCopyBytes, true},
        {"picture one byte over", kMaxDriveCopyBytes + 1, true},
        {"drive file of the limit", kMaxDriveCopyBytes, false},
        {"drive file one byte over", kMaxDriveCopyBytes + 1, false},
    };
    const std::string tooLarge = "is larger than " + std::to_string(kMaxDriveCopyBytes) +
                                 " bytes, more than any logo or picture needs, so it is not copied";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path source = c.fromHost ? host : root_ / "VH Backups" / "Big.C2K";
        WriteFile(source, static_cast<std::size_t>(c.size), 's');
        WriteLogo(root_ / "logo.sys", 'o');
        std::string refused;
        try {
            if (c.fromHost)
                drive.CopyIn(source, "C:\\logo.sys");
            else
                drive.CopyFile("C:\\VH Backups\\Big.C2K", "C:\\logo.sys");
        } catch (const FileError& e) {
            refused = e.reason();
        }
        if (c.size <= kMaxDriveCopyBytes) {
            EXPECT_EQ(refused, "");
            EXPECT_EQ(fs::file_size(root_ / "logo.sys"), c.size);
        } else {
            EXPECT_EQ(refused, tooLarge);
            EXPECT_EQ(LogoFill(root_ / "logo.sys"), 'o');
        }
        fs::remove(source);
        EXPECT_EQ(Tree(), (std::vector<std::string>{"VH Backups", "logo.sys"}));
    }
}

// --- choosing the drive -----------------------------------------------------------

using DriveCOpen = TempDrive;

TEST_F(DriveCOpen, OptionThenEnvironmentThenThePracticeDrive)
{
    const fs::path given = root_ / "given";
    const fs::path fromEnv = root_ / "from env";
    fs::create_directories(given);
    fs::create_directories(fromEnv);
    const fs::path home = root_ / "home";
    const fs::path practice = root_ / "data" / "quillmere" / "drive_c";
    const std::string data = (root_ / "data").string();

    struct Case {
        std::string option;
        const char* env;  // QUILLMERE_DRIVE_C; nullptr: unset
        const char* data; // XDG_DATA_HOME; nullptr: unset
        fs::path root;
        bool isPractice;
    };
    const Case cases[] = {
        {given.string(), fromEnv.c_str(), nullptr, given, false},
        {"", fromEnv.c_str(), nullptr, fromEnv, false},
        {"", "", data.c_str(), practice, true},
        {"", nullptr, "", home / ".local/share/quillmere/drive_c", true},
        {"", nullptr, "relative/data", home / ".local/share/quillmere/drive_c", true},
    };
    ::setenv("HOME", home.c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        c.env ? ::setenv("QUILLMERE_DRIVE_C", c.env, 1) : ::unsetenv("QUILLMERE_DRIVE_C");
        c.data ? ::setenv("XDG_DATA_HOME", c.data, 1) : ::unsetenv("XDG_DATA_HOME");
        const DriveC drive = DriveC::Open(c.option);
        EXPECT_EQ(drive.Root(), c.root);
        EXPECT_EQ(drive.IsPracticeDrive(), c.isPractice);
        EXPECT_TRUE(fs::is_directory(c.root));
        // Only the practice drive is made, with its Windows folder.
        EXPECT_EQ(fs::is_directory(c.root / "Windows"), c.isPractice);
    }
}

TEST_F(DriveCOpen, ADriveFolderTheUserCannotReadIsSaidToBeUnreadable)
{
    fs::permissions(root_, fs::perms::owner_write | fs::perms::owner_exec | fs::perms::others_exec);
    const auto attempt = [&] {
        try {
            DriveC::Open(root_.string());
        } catch (const FileError& e) {
            return e.file() == root_.string() &&
                   e.reason() == "cannot open the drive C: folder: " + std::string(std::strerror(EACCES));
        }
        return false;
    };
    EXPECT_TRUE(AsOrdinaryUser(attempt));
    fs::permissions(root_, fs::perms::owner_all);
}

TEST_F(DriveCOpen, AFolderTheUserNamesIsNeverCreated)
{
    ::unsetenv("QUILLMERE_DRIVE_C");
    WriteFile(root_ / "a file", 1, 'x');
    ASSERT_EQ(::mkfifo((root_ / "a fifo").c_str(), 0600), 0);
    struct Case {
        fs::path option;
        const char* reason;
    };
    const Case cases[] = {
        {root_ / "mnt" / "win98", "the drive C: folder does not exist"},
        // A regular file is taken for a disk image, and this one is none.
        {root_ / "a file", "is only 1 byte long, so it is neither a folder nor a disk image"},
        {root_ / "a fifo", "the drive C: folder is not a folder"},
    };
    for (const Case& c : cases) {
        try {
            DriveC::Open(c.option.string());
            ADD_FAILURE() << c.option << " was accepted";
        } catch (const FileError& e) {
            EXPECT_EQ(e.file(), c.option.string());
            EXPECT_EQ(e.reason(), c.reason);
        }
    }
    EXPECT_FALSE(fs::exists(root_ / "mnt"));
    ::setenv("QUILLMERE_DRIVE_C", (root_ / "env drive").c_str(), 1);
    EXPECT_THROW(DriveC::Open(""), FileError);
    EXPECT_FALSE(fs::exists(root_ / "env drive"));
}

} // namespace
} // namespace quillmere
