#include "DriveC.h"

#include "FileAttributes.h"
#include "FolderDrive.h"
#include "ImageDrive.h"

#include "imaging/StopAtStep.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

std::vector<std::string> DrivePathSteps(std::string_view drivePath)
{
    if (drivePath.size() < 2 || FoldCase(drivePath[0]) != 'c' || drivePath[1] != ':')
        throw Error(std::string(drivePath) + ": not a path on drive C:");
    std::vector<std::string> steps;
    std::size_t start = 2;
    while (start <= drivePath.size()) {
        std::size_t end = drivePath.find('\\', start);
        if (end == std::string_view::npos)
            end = drivePath.size();
        std::string step(drivePath.substr(start, end - start));
        start = end + 1;
        if (step.empty())
            continue;
        if (step == "." || step == ".." || step.find('/') != std::string::npos ||
            step.find('\0') != std::string::npos)
            throw Error(std::string(drivePath) + ": a path on drive C: may not use \"" + step + "\"");
        steps.push_back(std::move(step));
    }
    return steps;
}

std::string ShownDrivePath(const std::vector<std::string>& steps, std::size_t count)
{
    std::string shown = "C:\\";
    for (std::size_t i = 0; i < count; ++i)
        shown += (i ? "\\" : "") + steps[i];
    return shown;
}

void RequireDriveFolder(const std::string& missingFolder, const std::string& shownName)
{
    if (!missingFolder.empty())
        throw DriveError(shownName, "the folder " + missingFolder + " does not exist",
                         std::make_error_code(std::errc::no_such_file_or_directory));
}

DriveC::DriveC(fs::path root, bool practiceDrive)
    : drive_(std::make_shared<const FolderDrive>(root)), root_(std::move(root)), practice_(practiceDrive)
{
}

DriveC::DriveC(std::shared_ptr<const Drive> drive, fs::path root, bool isImage, int partition)
    : drive_(std::move(drive)), root_(std::move(root)), image_(isImage), partition_(partition)
{
}

DriveC DriveC::Open(const std::string& option, int partition)
{
    std::string chosen = option.empty() ? Environment("QUILLMERE_DRIVE_C") : option;
    if (!chosen.empty()) {
        const fs::path root = fs::absolute(fs::path(chosen));
        struct stat st {};
        if (::stat(root.c_str(), &st) != 0)
            throw FileError(root.string(), errno == ENOENT ? "the drive C: folder does not exist" : std::strerror(errno));
        if (S_ISREG(st.st_mode)) {
            auto image = std::make_shared<const ImageDrive>(root, partition);
            const int found = image->Volume().partition;
            return DriveC(std::move(image), root, true, found);
        }
        if (!S_ISDIR(st.st_mode))
            throw FileError(root.string(), "the drive C: folder is not a folder");
        if (partition != 0)
            throw FileError(root.string(), "is a folder; a partition is chosen only on a disk image");
        return DriveC(root, false);
    }
    if (partition != 0)
        throw Error("a partition is chosen only on a disk image; name one with --drive-c or QUILLMERE_DRIVE_C");

    // The XDG base-directory rules: an unset, empty or relative XDG_DATA_HOME means the default.
    fs::path data = Environment("XDG_DATA_HOME");
    if (data.empty() || data.is_relative()) {
        const std::string home = Environment("HOME");
        if (home.empty())
            throw FileError("$HOME", "is not set, so there is no practice drive; name a drive C: folder");
        data = fs::path(home) / ".local" / "share";
    }
    const fs::path root = data / "quillmere" / "drive_c";
    std::error_code ec;
    const fs::file_status status = fs::status(root, ec);
    if (status.type() == fs::file_type::not_found) {
        fs::create_directories(root / "Windows", ec);
        if (ec)
            throw FileError(root.string(), "cannot create the practice drive: " + ec.message());
    } else if (!fs::is_directory(status)) {
        throw FileError(root.string(), "the practice drive is not a folder");
    }
    return DriveC(root, true);
}

void Drive::Hold() const
{
    if (holds_ > 0) {
        ++holds_;
        return;
    }
    // Another run holds it only while it prepares the drive and runs one
    // operation: a few seconds at most, so asking again soon is cheap.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDriveLockSeconds);
    for (bool first = true; !TryLock(); first = false) {
        if (first)
            ReachedStep(kStepDriveBusy);
        if (std::chrono::steady_clock::now() >= deadline)
            throw DriveError(Description(), "another run of Quillmere is changing drive C: and did not finish "
                                            "within " + std::to_string(kDriveLockSeconds) + " seconds; try again",
                             DriveErrc::Busy);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    holds_ = 1;
}

void Drive::Release() const noexcept
{
    if (holds_ > 0 && --holds_ == 0)
        Unlock();
}

std::optional<std::uint32_t> DriveC::Attributes(std::string_view drivePath) const noexcept
{
    try {
        const DriveEntry entry = Inspect(drivePath);
        if (entry.type == DriveEntry::Type::Missing)
            return std::nullopt;
        return entry.attributes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool DriveC::Exists(std::string_view drivePath) const noexcept
{
    const std::optional<std::uint32_t> attributes = Attributes(drivePath);
    return attributes && !(*attributes & (kAttrHidden | kAttrSystem));
}

std::int32_t DriveC::SetAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept
{
    return ChangeAttributes(fullFilePath, fileAttributes) ? 0 : 1;
}

namespace {

class DriveCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "drive C:"; }
    std::string message(int value) const override
    {
        switch (static_cast<DriveErrc>(value)) {
        case DriveErrc::LeavesDrive:
            return "leads outside drive C: through a symbolic link";
        case DriveErrc::HardLinked:
            return "it has other names (hard links), which would change with it, so it is left as it is";
        case DriveErrc::NotRegularFile:
            return "it is not a regular file";
        case DriveErrc::TooLarge:
            return "it is larger than any logo needs";
        case DriveErrc::ImageReadOnly:
            return "the disk image is not writable for you, so nothing on it is changed";
        case DriveErrc::ImageInUse:
            return "the disk image is in use by a running virtual machine or emulator; shut it down first";
        case DriveErrc::ImageTool:
            return "the FAT tools (mtools) could not change the disk image";
        case DriveErrc::Busy:
            return "another run of Quillmere is changing drive C:";
        case DriveErrc::Replaced:
            return "drive C: was replaced since it was opened";
        }
        return "unknown error";
    }
};

} // namespace

const std::error_category& DriveCategory() noexcept
{
    static const DriveCategoryImpl category;
    return category;
}

std::error_code make_error_code(DriveErrc e) noexcept { return {static_cast<int>(e), DriveCategory()}; }

} // namespace quillmere
