// Drive C: on this system: a folder that stands for the drive root, and the
// file operations the Logo Manager needs on it. Drive paths are written the
// Windows way ("C:\Windows\Logow.sys") and resolved under the root without
// regard to letter case, as the Windows file system compares names.
//
// Every operation works from a handle on the root folder opened once, and
// resolves each step of a path from the handle of the folder before it, without
// following a symbolic link by name: whoever can change the drive folder while
// an operation runs (a virtual machine sharing it) cannot make it read or write
// outside the drive.
#pragma once

#include "imaging/Errors.h"
#include "imaging/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace quillmere {

// Reasons of the drive's own, beside the system's (std::errc).
enum class DriveErrc {
    LeavesDrive = 1, // a symbolic link leads off the drive
    HardLinked,      // a file with other names (hard links) is not changed
    NotRegularFile,  // a FIFO, a socket or a device where a file or folder was expected
    TooLarge,        // larger than any logo needs
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

// What a drive path names now.
struct DriveEntry {
    enum class Type { Missing, File, Folder, Other };
    Type type = Type::Missing;
    std::string typeName{};      // Other: "a FIFO", "a socket", "a character device", ...
    std::uintmax_t size = 0;     // File: its size in bytes
    std::uint32_t attributes = 0; // File, Folder: FileAttributes.h
    std::uint64_t links = 0;     // File: the number of its names (hard links)
};

class DriveC {
public:
    // root is the folder that stands for C:\; it is opened here, once, and every
    // operation works from that handle. Throws FileError naming root when it
    // cannot be opened as a folder.
    explicit DriveC(std::filesystem::path root, bool practiceDrive = false);

    // The drive the command line and the windows use: option (--drive-c DIR)
    // when not empty, else $QUILLMERE_DRIVE_C, else the practice drive
    // $XDG_DATA_HOME/quillmere/drive_c (~/.local/share/quillmere/drive_c when
    // the variable is unset). Only the practice drive is created when missing,
    // with its Windows folder; a folder the user names is never created.
    // Throws FileError when the folder is missing or no folder, or the practice
    // drive cannot be created or opened.
    static DriveC Open(const std::string& option);

    const std::filesystem::path& Root() const noexcept { return root_; }
    bool IsPracticeDrive() const noexcept { return practice_; }

    // The host path of the file a drive path names, for showing and for tests;
    // operations never act through it. Found step by step: where an entry matches
    // the step's name ignoring letter case it is used as it is spelled (among
    // several, the first in name order, so every spelling finds the same file);
    // where none does, the step's own spelling is kept, so a new file is created
    // as the step spells it. A symbolic link is followed while it stays on the
    // drive (the result is where it leads). Throws Error for a path not on drive
    // C: or with a "." or ".." step, and DriveError naming drivePath for one that
    // a symbolic link leads off the drive, or naming a folder on the way that
    // cannot be read.
    std::filesystem::path Resolve(std::string_view drivePath) const;

    // What is there now; Type::Missing when nothing (or the folder above is
    // missing). Throws like Resolve, and DriveError when the entry cannot be
    // examined (permission denied).
    DriveEntry Inspect(std::string_view drivePath) const;

    // The existence test: a file or folder of that name is there and is neither
    // hidden nor system. False too when it cannot be examined.
    bool Exists(std::string_view drivePath) const noexcept;

    // Its attributes (FileAttributes.h), nullopt when nothing is there or it
    // cannot be examined.
    std::optional<std::uint32_t> Attributes(std::string_view drivePath) const noexcept;

    // Cuts the path to its first 255 characters, then gives that file exactly
    // fileAttributes. Nonzero on success, 0 on failure; a missing file is 0.
    std::int32_t SetAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes = 0) const noexcept;

    // The same, with the reason of a failure: std::errc::no_such_file_or_directory
    // for a missing file, std::errc::invalid_argument for a path not on the drive,
    // DriveErrc::LeavesDrive, DriveErrc::NotRegularFile for a FIFO or device,
    // DriveErrc::HardLinked for a file with other names (changing its mode would
    // change theirs, which may lie off the drive), or the system's reason.
    std::error_code ChangeAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept;

    // Creates one folder; its parent must exist and the name must be free.
    // Throws DriveError.
    void MakeFolder(std::string_view drivePath) const;

    // Removes an empty folder. Throws DriveError.
    void RemoveFolder(std::string_view drivePath) const;

    // Replaces (or creates) target with a copy of the drive file source, through a
    // temporary file, a flush and a rename, so a failed copy leaves the old file
    // whole. Only a regular file is copied, and none larger than
    // kMaxDriveCopyBytes. Fails on a missing source (a DriveError with
    // std::errc::no_such_file_or_directory naming source), a missing folder of
    // the target (naming the folder) and a read-only target. Throws DriveError
    // or FileError naming source or target.
    void CopyFile(std::string_view source, std::string_view target) const;

    // The same with a host file (a picture the user chose) as the source.
    void CopyIn(const std::filesystem::path& source, std::string_view target) const;

    // Replaces (or creates) target with exactly these bytes, durably, as above.
    void WriteFile(std::string_view target, std::span<const std::uint8_t> bytes) const;

    // The content of a regular file of at most maxBytes. Throws DriveError
    // (std::errc::no_such_file_or_directory when missing).
    std::string ReadFile(std::string_view source, std::uintmax_t maxBytes) const;

    // Removes a file; a missing one is no error. Throws DriveError.
    void RemoveFile(std::string_view drivePath) const;

private:
    struct Place;
    Place Locate(std::string_view drivePath) const;
    UniqueFd OpenSource(std::string_view source) const;

    std::filesystem::path root_;
    bool practice_ = false;
    std::shared_ptr<const UniqueFd> rootFd_;
};

// Longest path SetAttributes passes on.
inline constexpr std::size_t kMaxAttributePath = 255;

} // namespace quillmere

template <>
struct std::is_error_code_enum<quillmere::DriveErrc> : std::true_type {};
