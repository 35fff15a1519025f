// Drive C: on this system: a folder that stands for the drive root, or a FAT
// volume inside a virtual machine's disk image, and the file operations the
// Logo Manager needs on it. Drive paths are written the Windows way
// ("C:\Windows\Logow.sys") and resolved without regard to letter case, as the
// Windows file system compares names. A DriveC is a small handle: copies share
// one drive.
#pragma once

#include "Drive.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace quillmere {

// A hold on drive C: (Drive::Hold) for as long as it lives.
class DriveHold {
public:
    explicit DriveHold(std::shared_ptr<const Drive> drive) : drive_(std::move(drive)) { drive_->Hold(); }
    ~DriveHold()
    {
        if (drive_)
            drive_->Release();
    }
    DriveHold(DriveHold&& other) noexcept = default;
    DriveHold& operator=(DriveHold&&) = delete;
    DriveHold(const DriveHold&) = delete;
    DriveHold& operator=(const DriveHold&) = delete;

private:
    std::shared_ptr<const Drive> drive_;
};

class DriveC {
public:
    // root is the folder that stands for C:\ (FolderDrive.h); it is opened here,
    // once, and every operation works from that handle. Throws FileError naming
    // root when it cannot be opened as a folder.
    explicit DriveC(std::filesystem::path root, bool practiceDrive = false);

    // A drive of either kind; root is what Root() gives, partition what Partition() gives.
    DriveC(std::shared_ptr<const Drive> drive, std::filesystem::path root, bool isImage, int partition = 0);

    // The drive the command line and the windows use: option (--drive-c) when
    // not empty, else $QUILLMERE_DRIVE_C, else the practice drive
    // $XDG_DATA_HOME/quillmere/drive_c (~/.local/share/quillmere/drive_c when
    // the variable is unset). A folder is the drive itself; a regular file is a
    // disk image (ImageDrive.h), where partition (1 to 4; 0: the active FAT
    // partition, else the first) picks the volume. Only the practice drive is
    // created when missing, with its Windows folder; a folder the user names is
    // never created. Throws FileError when the folder or image is missing, is
    // neither, or cannot be used (the image's message says why and what to do),
    // or the practice drive cannot be created or opened; Error when partition is
    // given for a folder.
    static DriveC Open(const std::string& option, int partition = 0);

    // The folder, or the disk image file.
    const std::filesystem::path& Root() const noexcept { return root_; }
    bool IsPracticeDrive() const noexcept { return practice_; }
    bool IsImage() const noexcept { return image_; }
    // The disk image's partition that is drive C: (1 to 4); 0 for a folder or a
    // bare FAT volume.
    int Partition() const noexcept { return partition_; }
    // For the user: the folder's path, or "partition 1 (FAT16) of the disk image ...".
    std::string Description() const { return drive_->Description(); }
    std::string FormatName() const { return drive_->FormatName(); }

    // Keeps every other run of this program off drive C: while the hold lives,
    // so that the start-up steps and an operation see no one else's half-done
    // work (a folder: a lock on the folder; an image: a lock on the file, which
    // a running virtual machine's locks also stop). Waits for another run up to
    // kDriveLockSeconds. Throws DriveError: DriveErrc::Busy when the wait ran
    // out, ImageInUse, Replaced.
    [[nodiscard]] DriveHold Hold() const { return DriveHold(drive_); }

    // The folder or disk image file was replaced, moved or removed since it was
    // opened: what is changed here would not reach it; open it again.
    bool Replaced() const noexcept { return drive_->Replaced(); }

    // The host path of the file a drive path names, for showing and for tests;
    // operations never act through it. A disk image has none: Error. Found step by step: where an entry matches
    // the step's name ignoring letter case it is used as it is spelled (among
    // several, the first in name order, so every spelling finds the same file);
    // where none does, the step's own spelling is kept, so a new file is created
    // as the step spells it. A symbolic link is followed while it stays on the
    // drive (the result is where it leads). Throws Error for a path not on drive
    // C: or with a "." or ".." step, and DriveError naming drivePath for one that
    // a symbolic link leads off the drive, or naming a folder on the way that
    // cannot be read.
    std::filesystem::path Resolve(std::string_view drivePath) const { return drive_->Resolve(drivePath); }

    // What is there now; Type::Missing when nothing (or the folder above is
    // missing). Throws like Resolve, and DriveError when the entry cannot be
    // examined (permission denied).
    DriveEntry Inspect(std::string_view drivePath) const { return drive_->Inspect(drivePath); }

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
    std::error_code ChangeAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept
    {
        return drive_->ChangeAttributes(fullFilePath, fileAttributes);
    }

    // Creates one folder; its parent must exist and the name must be free.
    // Throws DriveError.
    void MakeFolder(std::string_view drivePath) const { drive_->MakeFolder(drivePath); }

    // Removes an empty folder. Throws DriveError.
    void RemoveFolder(std::string_view drivePath) const { drive_->RemoveFolder(drivePath); }

    // Replaces (or creates) target with a copy of the drive file source, through a
    // temporary file, a flush and a rename, so a failed copy leaves the old file
    // whole. Only a regular file is copied, and none larger than
    // kMaxDriveCopyBytes. Fails on a missing source (a DriveError with
    // std::errc::no_such_file_or_directory naming source), a missing folder of
    // the target (naming the folder) and a read-only target. Throws DriveError
    // or FileError naming source or target.
    void CopyFile(std::string_view source, std::string_view target) const { drive_->CopyFile(source, target); }

    // The same with a host file (a picture the user chose) as the source.
    void CopyIn(const std::filesystem::path& source, std::string_view target) const
    {
        drive_->CopyIn(source, target);
    }

    // Replaces (or creates) target with exactly these bytes, durably, as above.
    void WriteFile(std::string_view target, std::span<const std::uint8_t> bytes) const
    {
        drive_->WriteFile(target, bytes);
    }

    // The content of a regular file of at most maxBytes. Throws DriveError
    // (std::errc::no_such_file_or_directory when missing).
    std::string ReadFile(std::string_view source, std::uintmax_t maxBytes) const
    {
        return drive_->ReadFile(source, maxBytes);
    }

    // Removes a file; a missing one is no error. Throws DriveError.
    void RemoveFile(std::string_view drivePath) const { drive_->RemoveFile(drivePath); }

    // Removes the temporary files a killed run of this program left in the
    // folder (a missing folder has none); the caller holds the drive. Throws
    // DriveError.
    int RemoveLeftovers(std::string_view folder) const { return drive_->RemoveLeftovers(folder); }

private:
    std::shared_ptr<const Drive> drive_;
    std::filesystem::path root_;
    bool practice_ = false;
    bool image_ = false;
    int partition_ = 0;
};

} // namespace quillmere
