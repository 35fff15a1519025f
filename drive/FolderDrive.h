// Drive C: as a folder on this system. Read-only is the owner's write
// permission; hidden, system and archive live in user.DOSATTRIB
// (FileAttributes.h).
//
// Every operation works from a handle on the root folder opened once, and
// resolves each step of a path from the handle of the folder before it, without
// following a symbolic link by name: whoever can change the drive folder while
// an operation runs (a virtual machine sharing it) cannot make it read or write
// outside the drive.
#pragma once

#include "Drive.h"

#include "imaging/UniqueFd.h"

namespace quillmere {

class FolderDrive final : public Drive {
public:
    // Opens root, once. Throws DriveError naming root when it cannot be opened
    // as a folder.
    explicit FolderDrive(std::filesystem::path root);

    std::string Description() const override;
    bool Replaced() const noexcept override;
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
    // flock on a handle of its own on the root folder.
    bool TryLock() const override;
    void Unlock() const noexcept override;

private:
    struct Place;
    Place Locate(std::string_view drivePath) const;
    UniqueFd OpenSource(std::string_view source) const;

    std::filesystem::path root_;
    UniqueFd rootFd_;
    mutable UniqueFd lockFd_;
};

} // namespace quillmere
