// Drive C: inside a disk image, read through DriveC as the windows read it for
// their picture boxes: the bytes of a file put in with mtools come back
// unchanged, whatever the kind of volume.
#include "ImageFixture.h"

#include "manager/DriveC.h"

namespace quillmere {
namespace {

using namespace quillmere::testing;

class ImageRead : public TempDrive {
protected:
    void SetUp() override
    {
        TempDrive::SetUp();
        if (const std::optional<std::string> tool = MissingImageTool())
            GTEST_SKIP() << tool.value() << " is not installed (scripts/setup.sh installs it)";
        scratch_ = root_ / "scratch";
        fs::create_directories(scratch_);
    }

    fs::path scratch_;
};

// Every byte value, in an order that repeats only after 251 bytes, so a lost,
// doubled or translated byte (a CR LF, a DOS end-of-file mark) shows anywhere.
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

TEST_F(ImageRead, AFileInsideTheImageReadsBackByteForByte)
{
    struct Case {
        const char* title;
        std::vector<Partition> partitions; // empty: a bare volume over the whole image
        int bareFatBits;
        int partition; // what DriveC tells
    };
    const Case cases[] = {
        {"bare FAT12 volume", {}, 12, 0},
        {"FAT16 partition", {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .active = true}}, 0, 1},
        // The active one is drive C:, though it is not the first.
        {"active FAT32 partition",
         {{.start = kMiB, .size = 4 * kMiB, .fatBits = 12, .type = 0x01},
          {.start = 5 * kMiB, .size = 40 * kMiB, .fatBits = 32, .type = 0x0C, .active = true}},
         0,
         2},
    };
    // A logo, a file with a long name in a folder with a space, an empty file.
    struct File {
        const char* onImage; // mtools name
        const char* drivePath;
        std::size_t size;
    };
    const File files[] = {
        {"::/WINDOWS/LOGOW.SYS", "C:\\windows\\Logow.sys", kLogoBytes},
        {"::/VH Backups/Logo.C10K", "C:\\vh backups\\LOGO.c10k", 70001},
        {"::/empty.sys", "C:\\EMPTY.SYS", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const fs::path image = root_ / "disk.img";
        std::ofstream(image, std::ios::binary | std::ios::trunc).close();
        Volume volume;
        if (c.partitions.empty()) {
            fs::resize_file(image, 2 * kMiB);
            ASSERT_TRUE(Format(image, 0, 2 * kMiB, c.bareFatBits, scratch_));
            volume = {image, 0, 2 * kMiB};
        } else {
            const std::vector<Volume> volumes = MakeDisk(image, c.partitions, 45 * kMiB, scratch_);
            ASSERT_EQ(volumes.size(), c.partitions.size());
            volume = volumes[static_cast<std::size_t>(c.partition - 1)];
        }
        ASSERT_TRUE(MakeFolderOn(volume, "::/WINDOWS", scratch_));
        ASSERT_TRUE(MakeFolderOn(volume, "::/VH Backups", scratch_));
        for (const File& f : files) {
            const fs::path staged = scratch_ / "staged";
            std::ofstream(staged, std::ios::binary | std::ios::trunc) << Pattern(f.size);
            ASSERT_EQ(RunTool("mcopy", {"-i", ImageName(volume), staged.string(), f.onImage}, scratch_).status, 0)
                << f.onImage;
        }

        const DriveC drive = DriveC::Open(image.string());
        EXPECT_TRUE(drive.IsImage());
        EXPECT_EQ(drive.Root(), image);
        EXPECT_EQ(drive.Partition(), c.partition);
        for (const File& f : files) {
            SCOPED_TRACE(f.drivePath);
            const std::string read = drive.ReadFile(f.drivePath, kMaxDriveCopyBytes);
            EXPECT_EQ(read.size(), f.size);
            EXPECT_TRUE(read == Pattern(f.size));
        }
        // One byte under the file's size is too large; a missing file says so.
        try {
            drive.ReadFile("C:\\Windows\\Logow.sys", kLogoBytes - 1);
            ADD_FAILURE() << "a file over the limit was read";
        } catch (const DriveError& e) {
            EXPECT_EQ(e.code(), make_error_code(DriveErrc::TooLarge));
        }
        try {
            drive.ReadFile("C:\\Windows\\Logos.sys", kMaxDriveCopyBytes);
            ADD_FAILURE() << "a missing file was read";
        } catch (const DriveError& e) {
            EXPECT_EQ(e.code(), std::make_error_code(std::errc::no_such_file_or_directory));
            EXPECT_EQ(e.file(), "C:\\Windows\\Logos.sys");
        }
    }
}

} // namespace
} // namespace quillmere
