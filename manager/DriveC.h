// Drive C: on this system: a folder that stands for the drive root, and the
// file operations the Logo Manager needs on it. Drive paths are written the
// Windows way ("C:\Windows\Logow.sys") and resolved under the root without
// regard to letter case, as the Windows file system compares names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quillmere {

class DriveC {
public:
    // root is the folder that stands for C:\; it is not checked here.
    explicit DriveC(std::filesystem::path root, bool practiceDrive = false);

    // The drive the command line and the windows use: option (--drive-c DIR)
    // when not empty, else $QUILLMERE_DRIVE_C, else the practice drive
    // $XDG_DATA_HOME/quillmere/drive_c (~/.local/share/quillmere/drive_c when
    // the variable is unset). Only the practice drive is created when missing,
    // with its Windows folder; a folder the user names is never created.
    // Throws FileError when the folder is missing or no folder, or the practice
    // drive cannot be created.
    static DriveC Open(const std::string& option);

    const std::filesystem::path& Root() const noexcept { return root_; }
    bool IsPracticeDrive() const noexcept { return practice_; }

    // The host path of a drive path, found step by step: where an entry matches
    // the step's name ignoring letter case it is used as it is spelled (among
    // several, the first in name order, so every spelling finds the same file);
    // where none does, the step's own spelling is kept, so a new file is created
    // as the step spells it. Throws Error for a path not on drive C: or with a
    // "." or ".." step, and FileError (naming drivePath) for one that a symbolic
    // link leads off the drive, so resolution never leaves the root.
    std::filesystem::path Resolve(std::string_view drivePath) const;

    // The existence test: a file or folder of that name is there and is neither
    // hidden nor system.
    bool Exists(std::string_view drivePath) const noexcept;

    // Its attributes (FileAttributes.h), nullopt when nothing is there.
    std::optional<std::uint32_t> Attributes(std::string_view drivePath) const noexcept;

    // Cuts the path to its first 255 characters, then gives that file exactly
    // fileAttributes. Nonzero on success, 0 on failure; a missing file is 0.
    std::int32_t SetAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes = 0) const noexcept;

    // The same, with the reason of a failure (std::errc::no_such_file_or_directory
    // for a missing file, std::errc::invalid_argument for a path not on the drive).
    std::error_code ChangeAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept;

    // Creates one folder; its parent must exist and the name must be free.
    // Throws FileError naming the host path.
    void MakeFolder(std::string_view drivePath) const;

    // Replaces (or creates) target with a copy of source through a temporary
    // file and a rename, so a failed copy leaves the old file whole. Fails on a
    // missing source and on a read-only target. Throws FileError naming the
    // host path of source or target.
    void CopyFile(const std::filesystem::path& source, std::string_view target) const;

private:
    std::filesystem::path root_;
    bool practice_ = false;
};

// Longest path SetAttributes passes on.
inline constexpr std::size_t kMaxAttributePath = 255;

} // namespace quillmere
