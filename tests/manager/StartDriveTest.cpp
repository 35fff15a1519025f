// The drive the Logo Manager window starts on when a partition is asked for: it
// belongs to the kept disk image, so when that image cannot be opened now the
// window still opens, on the practice drive, and says why.
#include "support/ImageFixture.h"

#include "desktop/SettingsStore.h"
#include "imaging/UniqueFd.h"
#include "manager/window/StartDrive.h"

#include <cstdlib>
#include <cstring>
#include <optional>

#include <fcntl.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

// Sets an environment variable for the life of the object, then puts it back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

using StartDriveTest = ImageScratchDrive;

TEST_F(StartDriveTest, AKeptImageRefusedWithAPartitionGivesThePracticeDriveAndTheReason)
{
    const ScopedVariable data("XDG_DATA_HOME", (root_ / "data").string());
    const ScopedVariable variable("QUILLMERE_DRIVE_C", std::nullopt);
    const fs::path practice = root_ / "data" / "quillmere" / "drive_c";

    // Two FAT16 partitions, the second with its own startup logo.
    const fs::path disk = root_ / "win98.img";
    std::ofstream(disk).close();
    const std::vector<Volume> volumes =
        MakeDisk(disk,
                 {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .active = true},
                  {.start = 17 * kMiB, .size = 16 * kMiB, .fatBits = 16}},
                 33 * kMiB, scratch_);
    ASSERT_EQ(volumes.size(), 2u);
    ASSERT_TRUE(PutLogo(volumes[1], "::/LOGO.SYS", 'b', scratch_));
    const fs::path locked = root_ / "running.img";
    fs::copy_file(disk, locked);
    const fs::path qcow2 = root_ / "win98.qcow2";
    std::ofstream(qcow2, std::ios::binary) << std::string("QFI\xFB\0\0\0\3", 8) << std::string(65528, '\0');
    const fs::path folder = root_ / "other_c";
    fs::create_directories(folder);

    // A running virtual machine holds one of them, as QEMU does.
    const UniqueFd emulator(::open(locked.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(emulator);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 100;
    lock.l_len = 1;
    ASSERT_EQ(::fcntl(emulator.Get(), F_OFD_SETLK, &lock), 0) << std::strerror(errno);

    struct Case {
        const char* title;
        fs::path kept;
        int partition;
        fs::path root;       // of the drive opened
        int opened;          // its partition
        const char* problem; // in the reason given; nullptr: none
    };
    const Case cases[] = {
        {"the partition of the kept image", disk, 2, disk, 2, nullptr},
        {"kept image to convert", qcow2, 2, practice, 0, "is a qcow2 disk image"},
        {"no such partition on the kept image", disk, 3, practice, 0,
         "has no partition 3 (partitions 1 of type 0x06, 2 of type 0x06)"},
        {"kept image in use", locked, 1, practice, 0, "in use"},
        {"kept folder", folder, 2, practice, 0, "is a folder; a partition is chosen only on a disk image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        MemorySettingsStore settings;
        const QString kept = QString::fromStdString(c.kept.string());
        settings.values[QStringLiteral("DriveC")] = kept;
        std::optional<StartDrive> start;
        try {
            start.emplace(OpenStartDrive("", c.partition, settings));
        } catch (const std::exception& e) {
            FAIL() << "the window could not start: " << e.what();
        }
        EXPECT_EQ(start->drive.Root(), c.root);
        EXPECT_EQ(start->drive.Partition(), c.opened);
        EXPECT_EQ(start->drive.IsPracticeDrive(), c.root == practice);
        if (c.problem) {
            EXPECT_TRUE(start->problem.contains(kept)) << start->problem.toStdString();
            EXPECT_TRUE(start->problem.contains(QString::fromUtf8(c.problem))) << start->problem.toStdString();
        } else {
            EXPECT_TRUE(start->problem.isEmpty()) << start->problem.toStdString();
            EXPECT_TRUE(start->drive.ReadFile("C:\\LOGO.SYS", kLogoBytes) == std::string(kLogoBytes, 'b'));
        }
        // The choice stays for the next start.
        EXPECT_EQ(settings.Read(QStringLiteral("DriveC")), kept);
    }
}

} // namespace
} // namespace quillmere
