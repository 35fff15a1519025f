// Drive C: inside a disk image, read through DriveC as the windows read it for
// their picture boxes: the bytes of a file put in with mtools come back
// unchanged, whatever the kind of volume. mtools' listings are read as they
// are printed, and nothing is changed on an image another program locks.
#include "ImageFixture.h"

#include "imaging/UniqueFd.h"
#include "drive/DriveC.h"
#include "drive/FileAttributes.h"
#include "drive/Mtools.h"

#include <cstring>
#include <functional>
#include <span>

#include <fcntl.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

using ImageRead = ImageScratchDrive;

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
            ASSERT_TRUE(CopyOnto(volume, staged, f.onImage, scratch_)) << f.onImage;
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

// --- what mtools prints ----------------------------------------------------------

// Lines as mattrib 4.0 prints them: archive in the third column, then system,
// hidden and read-only, then the path.
TEST(MtoolsOutput, MattribLettersGiveTheirAttributes)
{
    struct Case {
        const char* line;
        const char* path;
        std::uint32_t attributes;
    };
    const Case cases[] = {
        {"  A  SHR     ::/LOGO.SYS", "::/LOGO.SYS", kAttrArchive | kAttrSystem | kAttrHidden | kAttrReadOnly},
        {"     S       ::/IO.SYS", "::/IO.SYS", kAttrSystem},
        {"      H      ::/MSDOS.SYS", "::/MSDOS.SYS", kAttrHidden},
        {"       R     ::/R.SYS", "::/R.SYS", kAttrReadOnly},
        {"  A   H      ::/VHBACK~1/Logos.C11K", "::/VHBACK~1/Logos.C11K", kAttrArchive | kAttrHidden},
        {"  A          ::/WINDOWS/logow.sys", "::/WINDOWS/logow.sys", kAttrArchive},
        {"             ::/VH Backups", "::/VH Backups", 0},
        {"             ::/WINDOWS/..", "::/WINDOWS/..", 0},
        // Letters in the name are the name's, not attributes.
        {"             ::/SHRA/HARD.SYS", "::/SHRA/HARD.SYS", 0},
    };
    std::string all;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto parsed = ParseMattrib(std::string(c.line) + "\n");
        ASSERT_EQ(parsed.size(), 1u);
        EXPECT_EQ(parsed[0].first, c.path);
        EXPECT_EQ(parsed[0].second, c.attributes);
        all += std::string(c.line) + "\n";
    }
    // A whole run: in order, one each.
    const auto parsed = ParseMattrib(all);
    ASSERT_EQ(parsed.size(), std::size(cases));
    for (std::size_t i = 0; i < parsed.size(); ++i)
        EXPECT_EQ(parsed[i].first, cases[i].path);
}

TEST(MtoolsOutput, MdirListingsAreReadFolderByFolderWithTheirCounts)
{
    const std::string header = " Volume in drive : has no label\n Volume Serial Number is 7CE0-1DC0\n";
    struct Entry {
        const char* name;
        const char* shortName;
        bool folder;
        bool dot;
        std::uintmax_t size;
    };
    struct Folder {
        const char* name;
        long counted;
        std::vector<Entry> entries;
    };
    struct Case {
        const char* title;
        std::string out;
        std::vector<Folder> folders;
    };
    const Case cases[] = {
        {"root with a long-named folder",
         header + "Directory for ::/\n\n"
                  "LOGO     SYS    129078 2026-12-10  20:13 \n"
                  "VHBACK~1     <DIR>     2026-12-10  20:13  VH Backups\n"
                  "WINDOWS      <DIR>     2026-12-10  20:13 \n"
                  "        3 files            129 078 bytes\n"
                  "                          2 066 432 bytes free\n\n",
         {{"::/",
           3,
           {{"LOGO.SYS", "LOGO.SYS", false, false, 129078},
            {"VH Backups", "VHBACK~1", true, false, 0},
            {"WINDOWS", "WINDOWS", true, false, 0}}}}},
        {"two folders in one run, dot entries and a lower-case short name",
         header + "Directory for ::/VHBACK~1\n\n"
                  ".            <DIR>     2026-12-10  20:13 \n"
                  "..           <DIR>     2026-12-10  20:13 \n"
                  "LOGOS~1  C11         3 2026-12-10  20:13  Logos.C11K\n"
                  "        3 files                   3 bytes\n\n"
                  "Directory for ::/WINDOWS\n\n"
                  "logow    sys         3 2026-12-10  20:13 \n"
                  "        1 file                    3 bytes\n\n"
                  "Total files listed:\n"
                  "        4 files                   6 bytes\n"
                  "                          2 066 432 bytes free\n\n",
         {{"::/VHBACK~1",
           3,
           {{".", ".", true, true, 0}, {"..", "..", true, true, 0}, {"Logos.C11K", "LOGOS~1.C11", false, false, 3}}},
          {"::/WINDOWS", 1, {{"logow.sys", "LOGOW.SYS", false, false, 3}}}}},
        // A long name after the time may hold spaces, digits and what looks like a date.
        {"long names with spaces and a stamp",
         header + "Directory for ::/\n\n"
                  "ALONGN~1 TXT         3 2026-12-10  20:13  a long name.txt\n"
                  "PHOTOS~1     <DIR>     2026-12-10  20:13  Photos 2001-01-01  10:00\n"
                  "        2 files                   3 bytes\n",
         {{"::/",
           2,
           {{"a long name.txt", "ALONGN~1.TXT", false, false, 3},
            {"Photos 2001-01-01  10:00", "PHOTOS~1", true, false, 0}}}}},
        // Before ten o'clock mdir pads the hour with a space.
        {"hours before ten",
         header + "Directory for ::/\n\n"
                  "VHBACK~1     <DIR>     2026-12-11   0:30  VH Backups\n"
                  "LOGO     SYS    129078 2026-12-11   9:05 \n"
                  "        2 files            129 078 bytes\n",
         {{"::/", 2, {{"VH Backups", "VHBACK~1", true, false, 0}, {"LOGO.SYS", "LOGO.SYS", false, false, 129078}}}}},
        {"empty root", header + "Directory for ::/\n\nNo files\n                          2 076 672 bytes free\n\n",
         {{"::/", 0, {}}}},
        // Cut short before its count: the count stays unknown, so the listing is not trusted.
        {"no count", header + "Directory for ::/\n\nLOGO     SYS    129078 2026-12-10  20:13 \n",
         {{"::/", -1, {{"LOGO.SYS", "LOGO.SYS", false, false, 129078}}}}},
        {"no folder", "mdir: File \"::/nothere\" not found\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::vector<MtoolsFolder> folders = ParseMdir(c.out);
        ASSERT_EQ(folders.size(), c.folders.size());
        for (std::size_t f = 0; f < folders.size(); ++f) {
            const Folder& want = c.folders[f];
            EXPECT_EQ(folders[f].name, want.name);
            EXPECT_EQ(folders[f].counted, want.counted);
            ASSERT_EQ(folders[f].entries.size(), want.entries.size()) << want.name;
            for (std::size_t e = 0; e < want.entries.size(); ++e) {
                const MtoolsEntry& got = folders[f].entries[e];
                SCOPED_TRACE(want.entries[e].name);
                EXPECT_EQ(got.name, want.entries[e].name);
                EXPECT_EQ(got.shortName, want.entries[e].shortName);
                EXPECT_EQ(got.folder, want.entries[e].folder);
                EXPECT_EQ(got.dot, want.entries[e].dot);
                EXPECT_EQ(got.size, want.entries[e].size);
            }
        }
    }
}

TEST(MtoolsOutput, OnlyValidShortNamesAreShortNames)
{
    const char* const valid[] = {"LOGO.SYS", "logo.sys", "Logow.C1K", "VHBACK~1", "WINDOWS", "A", "12345678.123",
                                 "IO.SYS", "$#&'()-@.^_`", "{}~!%.X", "\xC9T\xC9.SYS"};
    const char* const invalid[] = {"Logos.C11K", "VH Backups", "[WX]indows", "*", "LOGO?.SYS", "123456789",
                                   "LOGO.SYSX", "LOGO.", ".SYS", "", ".", "..", "A.B.C", "WINDOWS/LOGOS.SYS",
                                   "LOGO+.SYS", "LO,GO", "A;B", "A=B", "a\"b", "a\\b", "A:B"};
    for (const char* name : valid)
        EXPECT_TRUE(IsShortName(name)) << name;
    for (const char* name : invalid)
        EXPECT_FALSE(IsShortName(name)) << name;
}

// --- another program locks the image ------------------------------------------------

class ImageInUse : public ImageRead {};

// A virtual machine started after drive C: was opened: every change asks again
// whether another program locks the image, and none is made while one does.
TEST_F(ImageInUse, NoChangeIsMadeWhileAnotherProgramLocksTheOpenImage)
{
    const fs::path image = root_ / "disk.img";
    std::ofstream(image).close();
    const std::vector<Volume> v =
        MakeDisk(image, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .active = true}}, 17 * kMiB, scratch_);
    ASSERT_EQ(v.size(), 1u);
    ASSERT_TRUE(PutLogo(v[0], "::/LOGO.SYS", 'a', scratch_));
    ASSERT_TRUE(MakeFolderOn(v[0], "::/WINDOWS", scratch_));
    ASSERT_TRUE(MakeFolderOn(v[0], "::/EMPTY", scratch_));
    const fs::path picture = scratch_ / "new.bmp";
    WriteLogo(picture, 'n');
    const std::string bytes(kLogoBytes, 'n');
    const std::span<const std::uint8_t> content(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());

    struct Lock {
        const char* title;
        short type;
        off_t start, length; // length 0: to the end of the file and beyond
    };
    const Lock locks[] = {
        {"a shared lock on byte 100, as QEMU takes", F_RDLCK, 100, 1},
        {"a write lock on the whole file", F_WRLCK, 0, 0},
    };
    struct Change {
        const char* title;
        std::function<void(const DriveC&)> change;
    };
    const Change changes[] = {
        {"write", [&](const DriveC& d) { d.WriteFile("C:\\LOGO.SYS", content); }},
        {"copy in", [&](const DriveC& d) { d.CopyIn(picture, "C:\\WINDOWS\\LOGOW.SYS"); }},
        {"copy", [](const DriveC& d) { d.CopyFile("C:\\LOGO.SYS", "C:\\WINDOWS\\LOGOS.SYS"); }},
        {"make a folder", [](const DriveC& d) { d.MakeFolder("C:\\VH Backups"); }},
        {"remove a folder", [](const DriveC& d) { d.RemoveFolder("C:\\EMPTY"); }},
        {"remove a file", [](const DriveC& d) { d.RemoveFile("C:\\LOGO.SYS"); }},
        {"attributes", [](const DriveC& d) {
             if (const std::error_code ec = d.ChangeAttributes("C:\\LOGO.SYS", kAttrHidden))
                 throw DriveError("C:\\LOGO.SYS", ec.message(), ec);
         }},
    };
    const DriveC drive = DriveC::Open(image.string());
    // Every folder the changes look in is read while the image is free.
    ASSERT_EQ(drive.Inspect("C:\\WINDOWS\\LOGOW.SYS").type, DriveEntry::Type::Missing);
    ASSERT_EQ(drive.Inspect("C:\\EMPTY\\X").type, DriveEntry::Type::Missing);
    const std::string before = Checksum(image);
    for (const Lock& l : locks) {
        SCOPED_TRACE(l.title);
        // Another open file description of the image, as a program started now has.
        const UniqueFd other(::open(image.c_str(), O_RDWR | O_CLOEXEC));
        ASSERT_TRUE(other);
        struct flock lock {};
        lock.l_type = l.type;
        lock.l_whence = SEEK_SET;
        lock.l_start = l.start;
        lock.l_len = l.length;
        ASSERT_EQ(::fcntl(other.Get(), F_OFD_SETLK, &lock), 0) << std::strerror(errno);
        for (const Change& c : changes) {
            SCOPED_TRACE(c.title);
            try {
                c.change(drive);
                ADD_FAILURE() << "changed while the image was locked";
            } catch (const DriveError& e) {
                EXPECT_EQ(e.code(), make_error_code(DriveErrc::ImageInUse)) << e.what();
            }
            EXPECT_EQ(Checksum(image), before);
        }
    }
    // Free again, the same drive changes it.
    drive.WriteFile("C:\\LOGO.SYS", content);
    EXPECT_EQ(LogoFillOn(v[0], "::/LOGO.SYS", scratch_), 'n');
    EXPECT_EQ(FsckProblem(v[0], scratch_), std::nullopt);
}

} // namespace
} // namespace quillmere
