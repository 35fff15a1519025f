#include "support/DriveFixture.h"

#include "drive/FileAttributes.h"
#include "manager/LogoManager.h"

#include "imaging/Errors.h"
#include "support/AsOrdinaryUser.h"
#include "support/ChildProcess.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

// The fill of each installed logo, Startup, Wait, Safe ('?' when missing).
struct Logos {
    char startup, wait, safe;
    bool operator==(const Logos&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Logos& l)
    {
        return os << l.startup << l.wait << l.safe;
    }
};

class LogoManagerTest : public TempDrive {
protected:
    LogoManager Manager() const { return LogoManager(DriveC(root_)); }
    Logos Installed() const
    {
        const DriveC drive(root_);
        return {LogoFill(drive.Resolve("C:\\logo.sys")), LogoFill(drive.Resolve("C:\\Windows\\logow.sys")),
                LogoFill(drive.Resolve("C:\\Windows\\logos.sys"))};
    }
    Logos Backup(int n) const
    {
        const fs::path store = root_ / "VH Backups";
        const std::string ext = ".C" + std::to_string(n) + "K";
        return {LogoFill(store / ("Logo" + ext)), LogoFill(store / ("Logow" + ext)),
                LogoFill(store / ("Logos" + ext))};
    }
    // Installs three logos by their host names in the usual lower case.
    void Lay(Logos logos)
    {
        for (auto [fill, name] : {std::pair{logos.startup, "logo.sys"}, {logos.wait, "Windows/logow.sys"},
                                  {logos.safe, "Windows/logos.sys"}}) {
            if (fill != '?')
                WriteLogo(root_ / name, fill);
        }
        fs::create_directories(root_ / "Windows");
    }
    fs::path Picture(char fill, const std::string& name = "new.bmp") const
    {
        const fs::path path = root_.parent_path() / (root_.filename().string() + "_pictures") / name;
        WriteLogo(path, fill);
        return path;
    }
    void TearDown() override
    {
        fs::remove_all(root_.parent_path() / (root_.filename().string() + "_pictures"));
        TempDrive::TearDown();
    }
};

TEST(LogoSlot, NamesOfTheKindsAndTheBackups)
{
    struct Case {
        LogoKind kind;
        int backupNumber;
        const char* path;
    };
    const Case cases[] = {
        {LogoKind::Startup, 1, "C:\\VH Backups\\Logo.C1K"},   {LogoKind::Wait, 2, "C:\\VH Backups\\Logow.C2K"},
        {LogoKind::Safe, 6, "C:\\VH Backups\\Logos.C6K"},     {LogoKind::Startup, 10, "C:\\VH Backups\\Logo.C10K"},
        {LogoKind::Safe, 11, "C:\\VH Backups\\Logos.C11K"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BackupPath(SlotOf(c.kind), c.backupNumber), c.path);
    EXPECT_EQ(SetBackupNumber(1), 2);
    EXPECT_EQ(SetBackupNumber(9), 10);
    EXPECT_EQ(SetBackupNumber(10), 11);
    for (int set : {0, 11, -1})
        EXPECT_THROW(SetBackupNumber(set), SubscriptError) << set;
    for (int n : {0, 12})
        EXPECT_THROW(BackupFileName(SlotOf(LogoKind::Wait), n), SubscriptError) << n;

    const char* const order[] = {"startup", "wait", "safe"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(LogoSlots()[i].name, order[i]);
        EXPECT_EQ(FindSlot(order[i]), &LogoSlots()[i]);
    }
    EXPECT_EQ(FindSlot("Startup"), nullptr);
    EXPECT_EQ(SlotOf(LogoKind::Safe).settingsKey, "SPath");
}

// --- start-up -------------------------------------------------------------------

TEST_F(LogoManagerTest, TheFirstStartKeepsTheOriginalsAndNoLaterStartWritesThem)
{
    Lay({'a', 'b', '?'});
    const StartupReport first = Manager().StartUp();
    EXPECT_TRUE(first.firstRun);
    EXPECT_EQ(first.available, (std::array{true, true, false}));
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', '?'}));

    // Other logos installed, then the second start: the originals stay.
    LogoManager manager = Manager();
    EXPECT_EQ(manager.InstallLogo(LogoKind::Startup, Picture('c')).outcome, InstallOutcome::Installed);
    EXPECT_EQ(manager.InstallLogo(LogoKind::Safe, Picture('d')).outcome, InstallOutcome::Installed);
    const StartupReport second = Manager().StartUp();
    EXPECT_FALSE(second.firstRun);
    EXPECT_EQ(second.available, (std::array{true, true, true}));
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', '?'}));
    EXPECT_EQ(Installed(), (Logos{'c', 'b', 'd'}));
}

TEST_F(LogoManagerTest, WithoutAWaitLogoAtTheFirstStartTheOriginalsAreStillKept)
{
    Lay({'a', '?', 'c'});
    Manager().StartUp();
    EXPECT_EQ(Backup(1), (Logos{'a', '?', 'c'}));
    LogoManager manager = Manager();
    manager.InstallLogo(LogoKind::Startup, Picture('x'));
    manager.InstallLogo(LogoKind::Wait, Picture('y'));
    Manager().StartUp();
    EXPECT_EQ(Backup(1), (Logos{'a', '?', 'c'}));

    // A store with neither the record nor an original (made by hand, or left by
    // a first run that ended early) has its first run still to come.
    fs::remove_all(root_ / "VH Backups");
    fs::create_directories(root_ / "vh backups");
    EXPECT_TRUE(Manager().StartUp().firstRun);
    for (const auto& [name, fill] : {std::pair{"Logo.C1K", 'x'}, {"Logow.C1K", 'y'}, {"Logos.C1K", 'c'}})
        EXPECT_EQ(LogoFill(root_ / "vh backups" / name), fill) << name;
    EXPECT_FALSE(Manager().StartUp().firstRun);
}

TEST_F(LogoManagerTest, AHiddenOrSystemLogoIsNotAvailableUntilItsAttributesAreCleared)
{
    RequireExtendedAttributes();
    Lay({'a', 'b', 'c'});
    ASSERT_TRUE(SetDosAttrib(root_ / "logo.sys", "0x22"));
    ASSERT_TRUE(SetDosAttrib(root_ / "Windows" / "logos.sys", "0x4"));
    fs::permissions(root_ / "logo.sys", fs::perms::owner_read);

    const StartupReport first = Manager().StartUp();
    EXPECT_EQ(first.available, (std::array{false, true, false}));
    const FileResult& cleared = first.files[4]; // created, three copies, then C:\logo.sys
    EXPECT_EQ(cleared.target, "C:\\logo.sys");
    EXPECT_EQ(Describe(cleared), "cleared the attributes of C:\\logo.sys (it was read-only, hidden, archive)");
    EXPECT_EQ(Manager().StartUp().available, (std::array{true, true, true}));
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', 'c'}));
}

TEST_F(LogoManagerTest, WithoutAWindowsFolderTheStartupLogoStillWorks)
{
    WriteLogo(root_ / "logo.sys", 'a');
    LogoManager manager = Manager();
    const StartupReport startup = manager.StartUp();
    EXPECT_EQ(startup.available, (std::array{true, false, false}));

    const InstallReport wait = manager.InstallLogo(LogoKind::Wait, Picture('b'));
    EXPECT_EQ(wait.outcome, InstallOutcome::CopyFailed);
    ASSERT_FALSE(wait.files.empty()) << wait.reason;
    EXPECT_EQ(Describe(wait.files.back()), "did not copy " + Picture('b').string() +
                                                " to C:\\Windows\\Logow.sys: the folder C:\\Windows does not exist");
    EXPECT_EQ(manager.InstallLogo(LogoKind::Startup, Picture('c')).outcome, InstallOutcome::Installed);
    manager.SaveSet(1);
    manager.InstallSet(1);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"VH Backups", "VH Backups/Logo.C1K", "VH Backups/Logo.C2K",
                                                "logo.sys"}));
    EXPECT_EQ(LogoFill(root_ / "logo.sys"), 'c');
}

// --- Install This Logo ------------------------------------------------------------

TEST_F(LogoManagerTest, InstallingReplacesAReadOnlyHiddenLogoInPlace)
{
    RequireExtendedAttributes();
    WriteLogo(root_ / "LOGO.SYS", 'a');
    WriteLogo(root_ / "WINDOWS" / "LOGOW.SYS", 'b');
    ASSERT_TRUE(SetDosAttrib(root_ / "LOGO.SYS", "0x7"));
    fs::permissions(root_ / "LOGO.SYS", fs::perms::owner_read);
    fs::permissions(root_ / "WINDOWS" / "LOGOW.SYS", fs::perms::owner_read);

    LogoManager manager = Manager();
    for (LogoKind kind : {LogoKind::Startup, LogoKind::Wait, LogoKind::Safe}) {
        const InstallReport report = manager.InstallLogo(kind, Picture('n'));
        EXPECT_EQ(report.outcome, InstallOutcome::Installed);
        ASSERT_EQ(report.files.size(), 2u);
        EXPECT_EQ(report.files[0].step, FileStep::ClearAttributes);
        EXPECT_EQ(report.files[1].target, SlotOf(kind).copyPath);
    }
    // The existing files were replaced; the missing one took the copy's spelling.
    EXPECT_EQ(Tree(), (std::vector<std::string>{"LOGO.SYS", "WINDOWS", "WINDOWS/LOGOW.SYS", "WINDOWS/Logos.sys"}));
    for (const char* name : {"LOGO.SYS", "WINDOWS/LOGOW.SYS", "WINDOWS/Logos.sys"}) {
        EXPECT_EQ(LogoFill(root_ / name), 'n') << name;
        EXPECT_TRUE((fs::status(root_ / name).permissions() & fs::perms::owner_write) != fs::perms::none) << name;
    }
    EXPECT_EQ(DriveC(root_).Attributes("C:\\logo.sys"), 0u);
}

TEST_F(LogoManagerTest, OnlyAFileThatPassesTheFormatTestIsInstalled)
{
    WriteLogo(root_ / "logo.sys", 'a');
    const fs::path pictures = root_.parent_path() / (root_.filename().string() + "_pictures");
    struct Case {
        const char* name;
        std::size_t size;
        InstallOutcome outcome;
    };
    const Case cases[] = {
        {"edge.bmp", 128001, InstallOutcome::Installed}, {"edge.sys", 130999, InstallOutcome::Installed},
        {"small.bmp", 128000, InstallOutcome::WrongFormat}, {"big.sys", 131000, InstallOutcome::WrongFormat},
        {"LOGO.SYS", kLogoBytes, InstallOutcome::WrongFormat}, {"new.Bmp", kLogoBytes, InstallOutcome::WrongFormat},
        {"photo.jpeg", kLogoBytes, InstallOutcome::WrongFormat},
    };
    LogoManager manager = Manager();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteLogo(root_ / "logo.sys", 'a');
        WriteFile(pictures / c.name, c.size, 'n');
        const InstallReport report = manager.InstallLogo(LogoKind::Startup, pictures / c.name);
        EXPECT_EQ(report.outcome, c.outcome);
        if (c.outcome == InstallOutcome::Installed) {
            EXPECT_EQ(ReadFile(root_ / "logo.sys"), ReadFile(pictures / c.name));
        } else {
            EXPECT_TRUE(report.files.empty());
            EXPECT_EQ(LogoFill(root_ / "logo.sys"), 'a');
        }
    }
    EXPECT_EQ(manager.InstallLogo(LogoKind::Startup, pictures / "missing.sys").outcome, InstallOutcome::FileMissing);
    EXPECT_EQ(manager.InstallLogo(LogoKind::Startup, "").outcome, InstallOutcome::NoFileSelected);
    EXPECT_EQ(ConvertFileQuestion("photo.jpeg"), "photo.jpeg is not a valid Logo format.  Would you like to convert it?");
}

// --- sets and originals -----------------------------------------------------------

TEST_F(LogoManagerTest, SetsAreSavedAndInstalledByTheirBackupNumber)
{
    Lay({'a', 'b', 'c'});
    LogoManager manager = Manager();
    manager.StartUp();
    for (int set : {1, 9, 10}) {
        manager.SaveSet(set);
        EXPECT_EQ(Backup(set + 1), (Logos{'a', 'b', 'c'})) << set;
    }
    // Set 9 holds other logos; installing it reads .C10K.
    WriteLogo(root_ / "VH Backups" / "Logo.C10K", 'x');
    WriteLogo(root_ / "VH Backups" / "Logos.C10K", 'z');
    const std::vector<FileResult> files = manager.InstallSet(9);
    EXPECT_EQ(Installed(), (Logos{'x', 'b', 'z'}));
    ASSERT_EQ(files.size(), 9u);
    const char* const expected[] = {
        "cleared the attributes of C:\\logo.sys",
        "cleared the attributes of C:\\Windows\\logow.sys",
        "cleared the attributes of C:\\Windows\\logos.sys",
        "cleared the attributes of C:\\VH Backups\\Logo.C10K",
        "cleared the attributes of C:\\VH Backups\\Logow.C10K",
        "cleared the attributes of C:\\VH Backups\\Logos.C10K",
        "copied C:\\VH Backups\\Logo.C10K to C:\\Logo.sys",
        "copied C:\\VH Backups\\Logow.C10K to C:\\Windows\\Logow.sys",
        "copied C:\\VH Backups\\Logos.C10K to C:\\Windows\\Logos.sys",
    };
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(Describe(files[i]), expected[i]);

    // A missing logo leaves the set's older file of that kind.
    fs::remove(root_ / "Windows" / "logow.sys");
    WriteLogo(root_ / "Windows" / "logos.sys", 'q');
    const std::vector<FileResult> saved = manager.SaveSet(10);
    EXPECT_EQ(Backup(11), (Logos{'x', 'b', 'q'}));
    EXPECT_TRUE(saved[1].sourceMissing);
    EXPECT_EQ(Describe(saved[1]), "did not copy C:\\Windows\\Logow.sys to C:\\VH Backups\\Logow.C11K: "
                                  "C:\\Windows\\Logow.sys does not exist");
}

TEST_F(LogoManagerTest, ANeverSavedSetInstallsNothingAndAPartOfASetInstallsItsPart)
{
    Lay({'a', 'b', 'c'});
    LogoManager manager = Manager();
    manager.StartUp();
    for (const FileResult& r : manager.InstallSet(4)) {
        if (r.step == FileStep::Copy) {
            EXPECT_TRUE(!r.done && r.sourceMissing) << Describe(r);
        }
    }
    EXPECT_EQ(Installed(), (Logos{'a', 'b', 'c'}));

    WriteLogo(root_ / "VH Backups" / "LOGOW.C6K", 'w');
    fs::permissions(root_ / "VH Backups" / "LOGOW.C6K", fs::perms::owner_read);
    manager.InstallSet(5);
    EXPECT_EQ(Installed(), (Logos{'a', 'w', 'c'}));
    EXPECT_THROW(manager.InstallSet(11), SubscriptError);
    EXPECT_THROW(manager.SaveSet(0), SubscriptError);
}

TEST_F(LogoManagerTest, RestoringTheOriginalsClearsTheInstalledLogosFirst)
{
    Lay({'a', 'b', 'c'});
    LogoManager manager = Manager();
    manager.StartUp();
    Lay({'x', 'y', 'z'});
    for (const char* name : {"logo.sys", "Windows/logow.sys", "VH Backups/Logos.C1K"})
        fs::permissions(root_ / name, fs::perms::owner_read);
    manager.RestoreOriginals();
    EXPECT_EQ(Installed(), (Logos{'a', 'b', 'c'}));
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', 'c'}));
}

TEST_F(LogoManagerTest, SavingClearsNothingSoAReadOnlySetFileStays)
{
    Lay({'a', 'b', 'c'});
    LogoManager manager = Manager();
    manager.StartUp();
    WriteLogo(root_ / "VH Backups" / "Logo.C3K", 'o');
    fs::permissions(root_ / "VH Backups" / "Logo.C3K", fs::perms::owner_read);
    const std::vector<FileResult> files = manager.SaveSet(2);
    EXPECT_EQ(Backup(3), (Logos{'o', 'b', 'c'}));
    ASSERT_FALSE(files.empty());
    EXPECT_FALSE(files[0].done);
    EXPECT_FALSE(files[0].sourceMissing);
    EXPECT_EQ(files[0].detail, "C:\\VH Backups\\Logo.C3K: the file is read-only");
}

// Files this process writes may grow to `bytes` at most; a write beyond fails
// with EFBIG part way, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(LogoManagerTest, AnInterruptedCopyLeavesTheOldLogoWhole)
{
    Lay({'a', 'b', 'c'});
    LogoManager manager = Manager();
    manager.StartUp();
    manager.SaveSet(1);
    for (auto [fill, name] : {std::pair{'x', "Logo.C2K"}, {'y', "Logow.C2K"}, {'z', "Logos.C2K"}})
        WriteLogo(root_ / "VH Backups" / name, fill);

    std::vector<FileResult> files;
    {
        // More than one read buffer, less than a logo: each copy stops part way.
        const FileSizeLimit limit(100000);
        files = manager.InstallSet(1);
    }
    ASSERT_EQ(files.size(), 9u);
    for (std::size_t i = 6; i < 9; ++i) {
        EXPECT_FALSE(files[i].done);
        EXPECT_FALSE(files[i].sourceMissing);
        EXPECT_EQ(files[i].detail, files[i].target + ": " + std::strerror(EFBIG));
    }
    EXPECT_EQ(Installed(), (Logos{'a', 'b', 'c'}));
    // No temporary file is left behind.
    EXPECT_EQ(Tree(), (std::vector<std::string>{"VH Backups", "VH Backups/Logo.C1K", "VH Backups/Logo.C2K",
                                                "VH Backups/Logos.C1K", "VH Backups/Logos.C2K",
                                                "VH Backups/Logow.C1K", "VH Backups/Logow.C2K", "Windows",
                                                "Windows/logos.sys", "Windows/logow.sys", "logo.sys"}));
}

TEST_F(LogoManagerTest, NoOperationReachesOffTheDriveThroughASymbolicLink)
{
    // The startup logo and the Windows folder are links to files beside the drive.
    const fs::path outside = root_.parent_path() / (root_.filename().string() + "_pictures");
    const fs::path secret = Picture('s', "secret.sys");
    WriteLogo(outside / "Windows" / "logow.sys", 'w');
    fs::permissions(secret, fs::perms::owner_read);
    fs::create_symlink(secret, root_ / "logo.sys");
    fs::create_symlink(outside / "Windows", root_ / "Windows");
    const fs::path picture = Picture('n');

    LogoManager manager = Manager();
    const StartupReport startup = manager.StartUp();
    EXPECT_EQ(startup.available, (std::array{false, false, false}));
    const InstallReport install = manager.InstallLogo(LogoKind::Startup, picture);
    EXPECT_EQ(install.outcome, InstallOutcome::CopyFailed);
    // A link counted as an installed logo ends the install before any copy.
    ASSERT_FALSE(install.files.empty()) << install.reason;
    EXPECT_EQ(install.files.back().detail, "C:\\Logo.sys: leads outside drive C: through a symbolic link");
    EXPECT_EQ(manager.InstallLogo(LogoKind::Wait, picture).outcome, InstallOutcome::CopyFailed);
    manager.SaveSet(1);
    manager.InstallSet(1);
    manager.RestoreOriginals();

    // Nothing outside was read into the drive, changed or added to.
    // The record stays, empty: the first run is over though it kept nothing.
    EXPECT_EQ(Tree(), (std::vector<std::string>{"VH Backups", "VH Backups/Originals owed.txt", "Windows", "logo.sys"}));
    EXPECT_EQ(ReadFile(root_ / "VH Backups" / "Originals owed.txt"), "");
    EXPECT_EQ(LogoFill(secret), 's');
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_EQ(LogoFill(outside / "Windows" / "logow.sys"), 'w');
    EXPECT_EQ(std::distance(fs::directory_iterator(outside / "Windows"), fs::directory_iterator{}), 1);
}

// Every name under the drive that a replace left behind.
std::vector<std::string> Temporaries(const fs::path& root)
{
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.path().filename().string().starts_with(".qm"))
            left.push_back(e.path().string());
    }
    return left;
}

TEST_F(LogoManagerTest, AFolderSwappedForALinkOffTheDriveDuringInstallsIsNeverWrittenThrough)
{
    Lay({'a', 'b', 'c'});
    const fs::path outside = root_.parent_path() / (root_.filename().string() + "_pictures") / "outside";
    fs::create_directories(outside);
    fs::create_symlink(outside, root_ / "Swap");
    const fs::path picture = Picture('n');
    LogoManager manager = Manager();
    ASSERT_FALSE(manager.StartUp().failed);

    // The child swaps C:\Windows and the link back and forth until the installs
    // are over (the pipe closes), at most a million times.
    int done[2];
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(done[1]);
        ::fcntl(done[0], F_SETFL, O_NONBLOCK);
        const std::string windows = (root_ / "Windows").string();
        const std::string swap = (root_ / "Swap").string();
        char byte;
        for (int i = 0; i < 1000000 && ::read(done[0], &byte, 1) < 0; ++i)
            ::renameat2(AT_FDCWD, windows.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
        ::_exit(0);
    }
    ::close(done[0]);
    int installed = 0;
    for (int i = 0; i < 400; ++i) {
        if (manager.InstallLogo(LogoKind::Wait, picture).outcome == InstallOutcome::Installed)
            ++installed;
    }
    ::close(done[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    EXPECT_TRUE(fs::is_empty(outside)) << fs::directory_iterator(outside)->path();
    EXPECT_EQ(Temporaries(root_), std::vector<std::string>{});
    const fs::path windows = fs::is_symlink(root_ / "Windows") ? root_ / "Swap" : root_ / "Windows";
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(windows))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"logos.sys", "logow.sys"}));
    EXPECT_EQ(LogoFill(windows / "logow.sys"), installed > 0 ? 'n' : 'b');
}

// --- originals owed ----------------------------------------------------------------

std::string Record(const fs::path& root)
{
    const fs::path record = root / "VH Backups" / "Originals owed.txt";
    return fs::exists(record) ? ReadFile(record) : "<none>";
}

TEST_F(LogoManagerTest, AFirstRunThatFailsPartWayOwesTheOriginalsItCouldNotKeep)
{
    // A safe logo small enough to be copied under the limit; the others are not.
    Lay({'a', 'b', '?'});
    WriteFile(root_ / "Windows" / "logos.sys", 1000, 'c');
    EXPECT_TRUE(InChild([&] {
        LimitFileSize(100000);
        const StartupReport first = Manager().StartUp();
        EXPECT_TRUE(first.firstRun);
        EXPECT_TRUE(first.failed);
        EXPECT_EQ(first.originalOwed, (std::array{true, true, false}));
        return !::testing::Test::HasFailure();
    }));
    EXPECT_EQ(Record(root_), "startup\nwait\n");
    EXPECT_EQ(Temporaries(root_), std::vector<std::string>{});
    EXPECT_EQ(Backup(1), (Logos{'?', '?', '!'}));

    // Until kept, nothing replaces those two logos; the safe one may change.
    LogoManager manager = Manager();
    EXPECT_EQ(manager.OwedOriginals(), (std::array{true, true, false}));
    EXPECT_EQ(manager.InstallLogo(LogoKind::Wait, Picture('x')).outcome, InstallOutcome::OriginalOwed);
    EXPECT_EQ(manager.InstallLogo(LogoKind::Safe, Picture('s')).outcome, InstallOutcome::Installed);
    manager.SaveSet(1);
    WriteLogo(root_ / "VH Backups" / "Logo.C2K", 'y');
    const std::vector<FileResult> set = manager.InstallSet(1);
    EXPECT_EQ(Describe(set[6]), "did not copy C:\\VH Backups\\Logo.C2K to C:\\Logo.sys: the original startup logo "
                                "is not kept in C:\\VH Backups yet, so it is not replaced");
    manager.RestoreOriginals(); // the safe logo's original comes back; the others are still in place
    EXPECT_EQ(Installed(), (Logos{'a', 'b', '!'}));
    EXPECT_EQ(ReadFile(root_ / "Windows" / "logos.sys"), std::string(1000, 'c'));

    // The next start keeps them, and then they are the originals for good.
    const StartupReport second = Manager().StartUp();
    EXPECT_FALSE(second.firstRun);
    EXPECT_FALSE(second.failed);
    EXPECT_EQ(second.originalOwed, (std::array{false, false, false}));
    EXPECT_EQ(Record(root_), "<none>");
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', '!'}));
    EXPECT_EQ(manager.InstallLogo(LogoKind::Wait, Picture('x')).outcome, InstallOutcome::Installed);
    Manager().StartUp();
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', '!'}));
}

TEST_F(LogoManagerTest, ALogoTheUserCannotReadIsOwedAndAKindWithoutALogoOwesNothing)
{
    Lay({'a', '?', 'c'});
    fs::permissions(root_ / "logo.sys", fs::perms::none);
    if (::geteuid() == 0) {
        for (const auto& e : fs::recursive_directory_iterator(root_))
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(root_.c_str(), 65534, 65534), 0);
    }
    const fs::path picture = Picture('n');
    fs::permissions(picture.parent_path(), fs::perms::all);
    fs::permissions(picture, fs::perms::all);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        const StartupReport first = Manager().StartUp();
        return first.firstRun && first.failed && first.originalOwed == std::array{true, false, false} &&
               Manager().InstallLogo(LogoKind::Startup, picture).outcome == InstallOutcome::OriginalOwed &&
               Manager().InstallLogo(LogoKind::Wait, picture).outcome == InstallOutcome::Installed;
    }));
    EXPECT_EQ(Record(root_), "startup\n");
    EXPECT_EQ(Backup(1), (Logos{'?', '?', 'c'}));
    fs::permissions(root_ / "logo.sys", fs::perms::owner_read);
    EXPECT_EQ(Installed(), (Logos{'a', 'n', 'c'}));
}

TEST_F(LogoManagerTest, AFirstRunThatCannotEvenNoteWhatItOwesLeavesTheNextStartAFirstRun)
{
    Lay({'a', 'b', '?'});
    const fs::path picture = Picture('n');
    EXPECT_TRUE(InChild([&] {
        LimitFileSize(4); // shorter than the record
        LogoManager manager = Manager();
        const StartupReport first = manager.StartUp();
        EXPECT_TRUE(first.failed);
        EXPECT_EQ(first.originalOwed, (std::array{true, true, false}));
        EXPECT_EQ(manager.InstallLogo(LogoKind::Startup, picture).outcome, InstallOutcome::OriginalOwed);
        return !::testing::Test::HasFailure();
    }));
    EXPECT_FALSE(fs::exists(root_ / "VH Backups"));
    EXPECT_EQ(Installed(), (Logos{'a', 'b', '?'}));

    const StartupReport again = Manager().StartUp();
    EXPECT_TRUE(again.firstRun);
    EXPECT_FALSE(again.failed);
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', '?'}));
}

// A logo deleted since its original was owed has no original left to keep: it
// is owed no more, or that kind could never be installed again.
TEST_F(LogoManagerTest, AnOwedOriginalWhoseLogoWasDeletedIsOwedNoMore)
{
    Lay({'a', '?', 'c'});
    WriteLogo(root_ / "VH Backups" / "Logo.C1K", 'a');
    WriteLogo(root_ / "VH Backups" / "Logos.C1K", 'c');
    std::ofstream(root_ / "VH Backups" / "Originals owed.txt") << "wait\n";

    LogoManager manager = Manager();
    EXPECT_EQ(manager.OwedOriginals(), (std::array{false, true, false}));
    const StartupReport startup = manager.StartUp();
    EXPECT_FALSE(startup.firstRun);
    EXPECT_FALSE(startup.failed);
    EXPECT_EQ(startup.originalOwed, (std::array{false, false, false}));
    EXPECT_EQ(Record(root_), "<none>");
    EXPECT_EQ(manager.InstallLogo(LogoKind::Wait, Picture('n')).outcome, InstallOutcome::Installed);
    EXPECT_EQ(Installed(), (Logos{'a', 'n', 'c'}));
    // The logo installed since is no original.
    Manager().StartUp();
    EXPECT_EQ(Backup(1), (Logos{'a', '?', 'c'}));
}

// The record may have been edited on Windows: carriage returns, blank lines,
// spaces and capitals change nothing, and a line that names no kind may have
// named any. An owed kind whose logo can be kept is kept by the start-up before
// anything replaces it; here the safe logo's original cannot be kept (a folder
// stands where it belongs), so that kind stays owed wherever the record owes it.
TEST_F(LogoManagerTest, TheRecordIsReadAsWindowsMayHaveEditedIt)
{
    struct Case {
        const char* record;
        std::array<bool, 3> owed; // as read, Startup, Wait, Safe
    };
    const Case cases[] = {
        {"startup\r\n", {true, false, false}},
        {"Startup\n", {true, false, false}},
        {"STARTUP", {true, false, false}},
        {"\n\nwait\n\n", {false, true, false}},
        {"  safe \r\n", {false, false, true}},
        {"WAIT\r\n\r\nSafe\r\n", {false, true, true}},
        {"startup\nbogus\n", {true, true, true}},
        {"startup wait\n", {true, true, true}},
        {"", {false, false, false}},
        {"\r\n \n", {false, false, false}},
    };
    const fs::path picture = Picture('n');
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.record)));
        fs::remove_all(root_);
        Lay({'a', 'b', 'c'});
        fs::create_directories(root_ / "VH Backups" / "Logos.C1K");
        std::ofstream(root_ / "VH Backups" / "Originals owed.txt", std::ios::binary) << c.record;

        LogoManager manager = Manager();
        EXPECT_EQ(manager.OwedOriginals(), c.owed);
        const StartupReport startup = manager.StartUp();
        EXPECT_FALSE(startup.firstRun);
        const std::array<bool, 3> stillOwed = {false, false, c.owed[2]};
        EXPECT_EQ(startup.originalOwed, stillOwed);
        // Kept before anything replaced them: the originals of the kinds owed, and no other.
        EXPECT_EQ(LogoFill(root_ / "VH Backups" / "Logo.C1K"), c.owed[0] ? 'a' : '?');
        EXPECT_EQ(LogoFill(root_ / "VH Backups" / "Logow.C1K"), c.owed[1] ? 'b' : '?');

        for (LogoKind kind : {LogoKind::Startup, LogoKind::Wait, LogoKind::Safe}) {
            const bool owed = stillOwed[static_cast<std::size_t>(kind)];
            EXPECT_EQ(manager.InstallLogo(kind, picture).outcome,
                      owed ? InstallOutcome::OriginalOwed : InstallOutcome::Installed)
                << SlotOf(kind).name;
        }
        EXPECT_EQ(Installed(), (Logos{'n', 'n', c.owed[2] ? 'c' : 'n'}));
        EXPECT_EQ(LogoFill(root_ / "VH Backups" / "Logo.C1K"), c.owed[0] ? 'a' : '?');
        EXPECT_EQ(LogoFill(root_ / "VH Backups" / "Logow.C1K"), c.owed[1] ? 'b' : '?');
    }
}

// --- the backup store ---------------------------------------------------------------

TEST_F(LogoManagerTest, AHiddenStoreIsTheStoreAndAnUnreadableOneIsAFailure)
{
    RequireExtendedAttributes();
    Lay({'a', 'b', 'c'});
    Manager().StartUp();
    ASSERT_TRUE(SetDosAttrib(root_ / "VH Backups", "0x12"));
    const StartupReport hidden = Manager().StartUp();
    EXPECT_FALSE(hidden.failed);
    for (const FileResult& r : hidden.files)
        EXPECT_NE(r.step, FileStep::MakeFolder) << Describe(r);

    fs::permissions(root_ / "VH Backups", fs::perms::owner_write | fs::perms::owner_exec);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        const StartupReport unreadable = Manager().StartUp();
        return unreadable.failed && !unreadable.files.empty() &&
               Describe(unreadable.files[0]) == "could not read C:\\VH Backups: " + std::string(std::strerror(EACCES)) &&
               unreadable.originalOwed == std::array{true, true, true};
    }));
    fs::permissions(root_ / "VH Backups", fs::perms::owner_all);
    EXPECT_EQ(Backup(1), (Logos{'a', 'b', 'c'}));
}

} // namespace
} // namespace quillmere
