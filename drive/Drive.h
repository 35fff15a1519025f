// What drive C: is to the Logo Manager: files and folders named by Windows paths
// ("C:\Windows\Logow.sys"), found without regard to letter case, with the DOS
// attributes read-only, hidden, system and archive. Two kinds of drive do this:
// a folder on this system (FolderDrive.h) and a FAT volume inside a virtual
// machine's disk image (ImageDrive.h). Callers hold a DriveC (DriveC.h), which
// picks the kind and gives both the same face.
#pragma once

#include "imaging/Errors.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quillmere {

// Reasons of the drive's own, beside the system's (std::errc).
enum class DriveErrc {
    LeavesDrive = 1, // a symbolic link leads off the drive
    HardLinked,      // a file with other names (hard links) is not changed
    NotRegularFile,  // a FIFO, a socket or a device where a file or folder was expected
    TooLarge,        // larger than any logo needs
    ImageReadOnly,   // the disk image may not be written by this user
    ImageInUse,      // a running virtual machine or emulator holds the disk image
    ImageTool,       // the FAT tools could not do what was asked on the disk image
    Busy,            // another run of this program is changing drive C: and did not finish in time
    Replaced,        // the folder or disk image was replaced under its name since it was opened
};
const std::error_category& DriveCategory() noexcept;
std::error_code make_error_code(DriveErrc e) noexcept;

// A FileError with the reason as a code too, for callers that decide by it.
class DriveError : public FileError {
public:
    DriveError(std::string file, std::string reason, std::error_code code)
        : FileError(std::move(file), std::move(reason)), code_(code) {}
    const std::error_code& code() const noexcept { return code_; }

private:
    std::error_code code_;
};

// Copies onto the drive stop at this size: far beyond any logo (a 320 x 400
// bitmap of 32 bits per pixel is 512 KB), so a FIFO or a runaway file cannot
// fill the disk.
inline constexpr std::uintmax_t kMaxDriveCopyBytes = 4u << 20;

// Longest path SetAttributes passes on.
inline constexpr std::size_t kMaxAttributePath = 255;

// What a drive path names now.
struct DriveEntry {
    enum class Type { Missing, File, Folder, Other };
    Type type = Type::Missing;
    std::string typeName{};      // Other: "a FIFO", "a socket", "a character device", ...
    std::uintmax_t size = 0;     // File: its size in bytes
    std::uint32_t attributes = 0; // File, Folder: FileAttributes.h
    std::uint64_t links = 0;     // File: the number of its names (hard links)
};

// The operations every kind of drive provides; DriveC.h describes each one's
// contract, which both kinds keep.
class Drive {
public:
    virtual ~Drive() = default;

    // Holds drive C: against every other process of this program, waiting up to
    // kDriveLockSeconds for one that holds it; nested holds in this process
    // count. Throws DriveError (DriveErrc::Busy, or what AcquireLock throws).
    void Hold() const;
    void Release() const noexcept;

    // The folder or image file the drive was opened on is no longer what its
    // name names (replaced, moved away or removed), so changes would be lost;
    // or another program changed the image since this drive read it or last
    // changed it, so what was read of it may no longer hold.
    virtual bool Replaced() const noexcept = 0;

    // For the user: the folder, or which volume of which disk image.
    virtual std::string Description() const = 0;
    // A disk image's format where it is not raw ("qcow2", "dynamic VHD", ...); else empty.
    virtual std::string FormatName() const { return {}; }
    virtual std::filesystem::path Resolve(std::string_view drivePath) const = 0;
    virtual DriveEntry Inspect(std::string_view drivePath) const = 0;
    virtual std::error_code ChangeAttributes(std::string_view fullFilePath,
                                             std::uint32_t fileAttributes) const noexcept = 0;
    virtual void MakeFolder(std::string_view drivePath) const = 0;
    virtual void RemoveFolder(std::string_view drivePath) const = 0;
    virtual void CopyFile(std::string_view source, std::string_view target) const = 0;
    virtual void CopyIn(const std::filesystem::path& source, std::string_view target) const = 0;
    virtual void WriteFile(std::string_view target, std::span<const std::uint8_t> bytes) const = 0;
    virtual std::string ReadFile(std::string_view source, std::uintmax_t maxBytes) const = 0;
    virtual void RemoveFile(std::string_view drivePath) const = 0;
    // Removes what a run that was killed half-way left of this program's own
    // temporary files in the folder; the caller holds the drive. Returns how
    // many went.
    virtual int RemoveLeftovers(std::string_view folder) const = 0;

protected:
    // One try at the lock: true when taken, false when another process of this
    // program holds it. Throws DriveError when it can never be taken now.
    virtual bool TryLock() const = 0;
    virtual void Unlock() const noexcept = 0;

private:
    mutable int holds_ = 0;
};

// How long a run waits for another that changes the same drive C:.
inline constexpr int kDriveLockSeconds = 60;

// The steps of a drive path ("C:\Windows\Logow.sys": {"Windows", "Logow.sys"});
// empty steps (doubled backslashes) are dropped. Throws Error for a path not on
// drive C: or with a ".", ".." or "/" step or a NUL.
std::vector<std::string> DrivePathSteps(std::string_view drivePath);

// "C:\Windows\System" of the first count steps {"Windows", "System", ...}.
std::string ShownDrivePath(const std::vector<std::string>& steps, std::size_t count);

// Letter case folded the way both drives compare names (ASCII letters).
bool SameIgnoringCase(std::string_view a, std::string_view b);

// Throws the DriveError for a new entry shownName whose folder missingFolder
// (a drive path; empty when the folder exists) is missing.
void RequireDriveFolder(const std::string& missingFolder, const std::string& shownName);

} // namespace quillmere

template <>
struct std::is_error_code_enum<quillmere::DriveErrc> : std::true_type {};
