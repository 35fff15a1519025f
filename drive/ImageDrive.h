// Drive C: as the FAT volume inside a virtual machine's or emulator's disk
// image (DiskImage.h says where the volume lies), changed in place through
// mtools (Mtools.h): a raw image (or a fixed VHD) directly, an image in a
// format only QEMU reads (ImageFormat.h) through the raw disk qemu-nbd serves
// for as long as the drive is open (NbdMount.h). Read-only, hidden,
// system and archive are the FAT attribute bits; names are compared without
// regard to letter case, as FAT does, and new names get long (VFAT) names where
// they need them.
//
// Folders are read from the directory entries' own bytes (FatFolder.h) and kept
// until this drive changes that folder; every change goes through mtools,
// which is given the exact 8.3 names read there. A file is replaced by writing
// a temporary file in its folder and renaming it over the old one under the
// old one's own long name, so a failed copy leaves the old file whole. Nothing
// is changed on an image this user may not write, nor on one another program
// holds (a byte-range lock, as QEMU takes, or a whole-file flock); the image is
// checked for such a lock when it is opened and before every change, and for
// changes by other programs (its size, times, boot sector and partition table)
// before every change.
#pragma once

#include "DiskImage.h"
#include "Drive.h"
#include "ImageFormat.h"
#include "Mtools.h"

#include "imaging/UniqueFd.h"

#include <map>
#include <memory>

namespace quillmere {

class ImageDrive final : public Drive {
public:
    // Opens the disk image and finds its FAT volume (partition as for
    // FindDiskVolume). Throws DriveError naming image: what FindDiskVolume
    // refuses, a file that cannot be opened, and "the disk image is in use"
    // while another program holds a lock on it.
    ImageDrive(std::filesystem::path image, int partition);
    ~ImageDrive() override;
    ImageDrive(const ImageDrive&) = delete;
    ImageDrive& operator=(const ImageDrive&) = delete;

    const DiskVolume& Volume() const noexcept { return volume_; }
    bool Writable() const noexcept { return writable_; }

    std::string Description() const override;
    std::string FormatName() const override { return format_.name; }
    bool Replaced() const noexcept override;
    // A disk image's files have no path on this system: throws Error.
    std::filesystem::path Resolve(std::string_view drivePath) const override;
    DriveEntry Inspect(std::string_view drivePath) const override;
    std::error_code ChangeAttributes(std::string_view fullFilePath,
                                     std::uint32_t fileAttributes) const noexcept override;
    void MakeFolder(std::string_view drivePath) const override;
    void RemoveFolder(std::string_view drivePath) const override;
    void CopyFile(std::string_view source, std::string_view target) const override;
    void CopyIn(const std::filesystem::path& source, std::string_view target) const override;
    void WriteFile(std::string_view target, std::span<const std::uint8_t> bytes) const override;
    std::string ReadFile(std::string_view source, std::uintmax_t maxBytes) const override;
    void RemoveFile(std::string_view drivePath) const override;
    int RemoveLeftovers(std::string_view folder) const override;

protected:
    // An open-file-description lock on one byte far past any data of the
    // image, which no emulator locks; an image this user may not write has
    // nothing to protect and is not locked.
    bool TryLock() const override;
    void Unlock() const noexcept override;

private:
    struct Listed {
        std::string name;      // as Windows shows it
        std::string shortName; // 8.3, upper case
        bool folder = false;
        std::uintmax_t size = 0;
        std::uint32_t attributes = 0;
        std::uint32_t cluster = 0; // where its data start
        // Its short name is no safe address: not a valid 8.3 name in ASCII, or
        // another entry of the folder (clash, when there is one) answers to it too.
        bool ambiguous = false;
        std::string clash{};
        bool control = false; // the name holds control characters
    };
    struct Place {
        // Addresses for mtools: the short names of entries that exist (never a
        // long name, which may be a pattern or a path), then the new names as asked.
        std::vector<std::string> steps;
        std::string missingFolder;      // the first missing folder on the way, as a drive path
        bool exists = false;
        Listed entry;                   // when it exists (the root: a folder)
    };
    Place Locate(std::string_view drivePath) const;
    // The entries of a folder (named by its steps' short names).
    const std::vector<Listed>& Listing(const std::vector<std::string>& folder, const std::string& shown) const;
    static void MarkAmbiguous(std::vector<Listed>& entries);
    void Forget(const std::vector<std::string>& folder) const;
    void RequireWritable(const std::string& shown) const;
    // The name still names the file opened (RequireSameFile), and nothing but
    // this drive changed it since the drive lock was taken.
    void RequireSameFile(const std::string& shown) const;
    void RequireSameImage(const std::string& shown) const;
    bool InUse() const;
    // Runs an mtools program that changes the image; throws when it fails.
    MtoolsRun Must(std::string_view program, const std::vector<std::string>& args, const std::string& shown) const;
    std::string Stage(std::span<const std::uint8_t> bytes, const std::string& shown) const;
    static std::vector<std::string> RenameTarget(const Place& place, const std::vector<Listed>& entries);
    void Replace(const Place& target, const std::string& shown, const std::string& source) const;
    Place SourceFile(std::string_view source) const;

    // What identifies the image's state: another program's write changes it.
    struct Stamp {
        std::uint64_t size = 0;
        std::int64_t modified = 0, changed = 0; // nanoseconds
        std::string sectors;                     // the first sector and the volume's boot sector
        bool operator==(const Stamp&) const = default;
    };
    Stamp Now() const;
    // After a change of this drive's own, the image's new state is its own.
    void Remember() const;

    // The image's bytes as a raw disk: the image itself, or the disk qemu-nbd serves.
    int Data() const noexcept { return disk_ ? disk_.Get() : fd_.Get(); }

    std::filesystem::path image_;
    UniqueFd fd_;
    ImageFormat format_;
    std::shared_ptr<class NbdMount> mount_; // for a format only QEMU reads
    UniqueFd disk_;                         // the served disk, closed before the mount goes
    mutable Stamp opened_; // when opened, or as this drive last changed it
    mutable Stamp held_;   // when the drive lock was last taken, or as this drive last changed it
    DiskVolume volume_;
    bool writable_ = false;
    std::filesystem::path scratch_;
    std::unique_ptr<Mtools> mtools_;
    mutable UniqueFd lockFd_;
    mutable bool locked_ = false; // lockFd_ holds the drive lock
    // Listings by the mtools name of the folder in upper case.
    mutable std::map<std::string, std::vector<Listed>> listings_;
};

} // namespace quillmere
