// Drive C: inside a disk image, read through DriveC as the windows read it for
// their picture boxes: the bytes of a file put in with mtools come back
// unchanged, whatever the kind of volume. Folders read from their own bytes
// agree with mtools, and nothing is changed on an image another program locks
// or changed since it was read.
#include "support/CraftedImage.h"

#include "imaging/UniqueFd.h"
#include "drive/DriveC.h"
#include "drive/FileAttributes.h"
#include "drive/FatFolder.h"
#include "drive/Mtools.h"

#include <cstring>
#include <functional>
#include <span>

#include <fcntl.h>
#include <sys/file.h>

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
// --- folders read from the directory's own bytes ---------------------------------

// The names mtools shows for a folder (mdir -b: long names, else short ones in
// their case; folders end in /), without the folder's own path.
std::vector<std::string> MtoolsNames(const Volume& v, const std::string& folder, const fs::path& scratch)
{
    const ProgramResult r = RunTool("mdir", {"-a", "-b", "-i", ImageName(v), folder}, scratch);
    std::vector<std::string> names;
    const std::string prefix = folder == "::/" ? folder : folder + "/";
    for (std::size_t start = 0; start < r.out.size();) {
        const std::size_t end = r.out.find('\n', start);
        std::string line = r.out.substr(start, end - start);
        start = end == std::string::npos ? r.out.size() : end + 1;
        if (line.starts_with(prefix))
            names.push_back(line.substr(prefix.size()));
    }
    return names;
}

std::vector<std::string> OurNames(const std::vector<FatEntry>& entries)
{
    std::vector<std::string> names;
    for (const FatEntry& e : entries)
        names.push_back(e.name + (e.folder ? "/" : ""));
    return names;
}

// Spoils the checksum the long-name entries of the root entry longName carry.
bool SpoilChecksum(const Volume& v, const std::string& longName)
{
    return Relabel(v, longName, "ORPHAN.SYS", longName) && [&] {
        // Relabel wrote the checksum of ORPHAN.SYS; give the short entry another name.
        const RootDirectory root = FindRootDirectory(v);
        std::fstream file(v.image, std::ios::in | std::ios::out | std::ios::binary);
        std::string dir(root.entries * 32, '\0');
        file.seekg(static_cast<std::streamoff>(root.offset));
        file.read(dir.data(), static_cast<std::streamsize>(dir.size()));
        const std::size_t at = dir.find(RawShortName("ORPHAN.SYS"));
        if (at == std::string::npos)
            return false;
        dir.replace(at, 11, RawShortName("ORPHAX.SYS"));
        file.seekp(static_cast<std::streamoff>(root.offset));
        file.write(dir.data(), static_cast<std::streamsize>(dir.size()));
        return static_cast<bool>(file);
    }();
}

TEST_F(ImageRead, FoldersReadFromTheirBytesAsMtoolsShowsThem)
{
    struct Expected {
        const char* name;
        const char* shortName;
        bool folder;
        std::uint32_t size;
        std::uint8_t attributes;
    };
    struct Case {
        const char* title;
        int fatBits;
        std::function<bool(const Volume&, const fs::path&)> make;
        const char* folder; // mtools name of the folder read
        std::vector<Expected> expected;
    };
    const auto put = [](const Volume& v, const std::string& name, std::size_t size, const fs::path& s) {
        WriteFile(s / "f", size, 'f');
        return CopyOnto(v, s / "f", name, s);
    };
    const Case cases[] = {
        {"plain, lower-case and long names; a deleted file; the label skipped",
         12,
         [&](const Volume& v, const fs::path& s) {
             return put(v, "::/LOGO.SYS", 10, s) && put(v, "::/logow.sys", 11, s) &&
                    put(v, "::/a long name.txt", 12, s) && put(v, "::/GONE.TXT", 1, s) &&
                    RunTool("mdel", {"-i", ImageName(v), "::/GONE.TXT"}, s).status == 0 &&
                    MakeFolderOn(v, "::/VH Backups", s) &&
                    RunTool("mattrib", {"-i", ImageName(v), "+h", "+s", "::/LOGO.SYS"}, s).status == 0;
         },
         "::/",
         {{"LOGO.SYS", "LOGO.SYS", false, 10, 0x26},
          {"logow.sys", "LOGOW.SYS", false, 11, 0x20},
          {"a long name.txt", "ALONGN~1.TXT", false, 12, 0x20},
          {"VH Backups", "VHBACK~1", true, 0, 0x10}}},
        {"a subfolder of FAT16: its dot entries skipped",
         16,
         [&](const Volume& v, const fs::path& s) {
             return MakeFolderOn(v, "::/WINDOWS", s) && put(v, "::/WINDOWS/Logos.C11K", 3, s);
         },
         "::/WINDOWS",
         {{"Logos.C11K", "LOGOS~1.C11", false, 3, 0x20}}},
        {"a long name whose checksum names another entry: the short name only",
         16,
         [&](const Volume& v, const fs::path& s) {
             return put(v, "::/lfn one.sys", 5, s) && SpoilChecksum(v, "lfn one.sys");
         },
         "::/",
         {{"ORPHAX.SYS", "ORPHAX.SYS", false, 5, 0x20}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const fs::path image = root_ / ("fat" + std::to_string(c.fatBits) + ".img");
        const std::uint64_t size = (c.fatBits == 12 ? 2 : 16) * kMiB;
        std::ofstream(image).close();
        fs::resize_file(image, size);
        ASSERT_TRUE(Format(image, 0, size, c.fatBits, scratch_));
        const Volume v{image, 0, size};
        ASSERT_TRUE(c.make(v, scratch_));
        const UniqueFd fd(::open(image.c_str(), O_RDONLY | O_CLOEXEC));
        const DiskVolume volume = FindDiskVolume(fd.Get(), image.string(), 0);
        std::uint32_t cluster = 0;
        if (std::string(c.folder) != "::/") {
            for (const FatEntry& e : ReadFatFolder(fd.Get(), volume, 0, "C:\\"))
                if (e.folder && "::/" + e.shortName == c.folder)
                    cluster = e.cluster;
            ASSERT_NE(cluster, 0u);
        }
        const std::vector<FatEntry> entries = ReadFatFolder(fd.Get(), volume, cluster, c.folder);
        EXPECT_EQ(OurNames(entries), MtoolsNames(v, c.folder, scratch_));
        ASSERT_EQ(entries.size(), c.expected.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(c.expected[i].name);
            EXPECT_EQ(entries[i].name, c.expected[i].name);
            EXPECT_EQ(entries[i].shortName, c.expected[i].shortName);
            EXPECT_EQ(entries[i].folder, c.expected[i].folder);
            EXPECT_EQ(entries[i].size, c.expected[i].size);
            EXPECT_EQ(entries[i].attributes, c.expected[i].attributes);
        }
    }
}

// FAT32's root is a chain of clusters like any folder: one of many clusters,
// with long names across their boundaries, is read whole and in order.
TEST_F(ImageRead, AFat32RootOfManyClustersIsReadWhole)
{
    const fs::path image = root_ / "fat32.img";
    std::ofstream(image).close();
    fs::resize_file(image, 40 * kMiB);
    ASSERT_TRUE(Format(image, 0, 40 * kMiB, 32, scratch_));
    const Volume v{image, 0, 40 * kMiB};
    std::vector<std::string> args = {"-i", ImageName(v)};
    for (int i = 0; i < 60; ++i) {
        const fs::path file = scratch_ / "many" / ("file number " + std::to_string(i) + ".txt");
        WriteFile(file, static_cast<std::size_t>(i), 'x');
        args.push_back(file.string());
    }
    args.push_back("::/");
    ASSERT_EQ(RunTool("mcopy", args, scratch_).status, 0);
    const UniqueFd fd(::open(image.c_str(), O_RDONLY | O_CLOEXEC));
    const DiskVolume volume = FindDiskVolume(fd.Get(), image.string(), 0);
    ASSERT_EQ(volume.fatBits, 32);
    const std::vector<FatEntry> entries = ReadFatFolder(fd.Get(), volume, 0, "C:\\");
    EXPECT_EQ(OurNames(entries), MtoolsNames(v, "::/", scratch_));
    ASSERT_EQ(entries.size(), 60u);
    for (const FatEntry& e : entries)
        EXPECT_EQ(e.size, std::stoul(e.name.substr(12))) << e.name;
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
        bool whole = false;  // an exclusive flock instead, as flock(1) takes
    };
    const Lock locks[] = {
        {"a shared lock on byte 100, as QEMU takes", F_RDLCK, 100, 1},
        {"a write lock on the whole file", F_WRLCK, 0, 0},
        {"an exclusive flock", F_WRLCK, 0, 0, true},
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
        ASSERT_EQ(l.whole ? ::flock(other.Get(), LOCK_EX | LOCK_NB) : ::fcntl(other.Get(), F_OFD_SETLK, &lock), 0)
            << std::strerror(errno);
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

// The image restored from a copy, or cut short, under an open drive (the same
// file, new content): the drive says so, and changes nothing in what it did
// not read.
TEST_F(ImageInUse, NoChangeIsMadeToAnImageChangedInPlaceSinceItWasRead)
{
    struct Case {
        const char* title;
        std::function<void(const fs::path& image, const fs::path& fresh)> change;
    };
    const Case cases[] = {
        {"restored in place from a copy",
         [](const fs::path& image, const fs::path& fresh) {
             std::ofstream(image, std::ios::binary | std::ios::in | std::ios::out) << ReadFile(fresh);
         }},
        {"truncated", [](const fs::path& image, const fs::path&) { fs::resize_file(image, 200 * 1024); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const fs::path image = root_ / "w3.img";
        const fs::path fresh = root_ / "fresh.img";
        std::ofstream(image).close();
        std::ofstream(fresh).close();
        const std::vector<Volume> v =
            MakeDisk(image, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .active = true}}, 17 * kMiB, scratch_);
        ASSERT_EQ(v.size(), 1u);
        ASSERT_TRUE(PutLogo(v[0], "::/LOGO.SYS", 'a', scratch_));
        fs::copy_file(image, fresh, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(PutLogo({fresh, v[0].offset, v[0].size}, "::/LOGO.SYS", 'f', scratch_));
        const DriveC drive = DriveC::Open(image.string());
        ASSERT_EQ(drive.Inspect("C:\\LOGO.SYS").type, DriveEntry::Type::File);
        EXPECT_FALSE(drive.Replaced());
        c.change(image, fresh);
        EXPECT_TRUE(drive.Replaced());
        const std::string before = Checksum(image);
        const std::string bytes(kLogoBytes, 'n');
        try {
            drive.WriteFile("C:\\LOGO.SYS", {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
            ADD_FAILURE() << "changed an image changed since it was read";
        } catch (const DriveError& e) {
            EXPECT_EQ(e.code(), make_error_code(DriveErrc::Replaced)) << e.what();
        }
        EXPECT_EQ(Checksum(image), before);
    }
}

} // namespace
} // namespace quillmere
