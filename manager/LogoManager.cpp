#include "LogoManager.h"

#include "FileAttributes.h"
#include "LogoFormat.h"

#include "imaging/Errors.h"

#include <utility>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::string AttributeNames(std::uint32_t attributes)
{
    std::string names;
    const std::pair<std::uint32_t, const char*> flags[] = {
        {kAttrReadOnly, "read-only"}, {kAttrHidden, "hidden"}, {kAttrSystem, "system"}, {kAttrArchive, "archive"}};
    for (const auto& [bit, name] : flags) {
        if (attributes & bit)
            names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

// "C:\Windows" of "C:\Windows\Logow.sys".
std::string_view FolderOf(std::string_view drivePath)
{
    const std::size_t slash = drivePath.rfind('\\');
    return slash == std::string_view::npos ? drivePath : drivePath.substr(0, slash);
}

bool IsMissing(const fs::path& path)
{
    std::error_code ec;
    return fs::status(path, ec).type() == fs::file_type::not_found;
}

// A drive path that resolves (it stays on the drive) to nothing.
bool IsMissing(const DriveC& drive, std::string_view drivePath)
{
    try {
        return IsMissing(drive.Resolve(drivePath));
    } catch (const Error&) {
        return false;
    }
}

} // namespace

std::string ConvertFileQuestion(std::string_view fileName)
{
    return std::string(fileName) + " is not a valid Logo format.  Would you like to convert it?";
}

LogoManager::LogoManager(DriveC drive) : drive_(std::move(drive)) {}

StartupReport LogoManager::StartUp()
{
    StartupReport report;
    if (!drive_.Exists(kBackupFolder)) {
        report.files.push_back(MakeFolder(kBackupFolder));
        report.firstRun = report.files.back().done;
    }

    // Only the first run takes originals: a later one would copy whatever is
    // installed by then over them.
    if (report.firstRun && !drive_.Exists(BackupPath(SlotOf(LogoKind::Wait), kOriginalsBackup))) {
        for (const LogoSlot& slot : LogoSlots())
            report.files.push_back(Copy(slot.copyPath, BackupPath(slot, kOriginalsBackup)));
    }

    for (const LogoSlot& slot : LogoSlots())
        report.available[static_cast<std::size_t>(slot.kind)] = drive_.Exists(slot.installPath);

    for (const LogoSlot& slot : LogoSlots())
        report.files.push_back(ClearAttributes(slot.installPath));
    for (const LogoSlot& slot : LogoSlots())
        report.files.push_back(ClearAttributes(BackupPath(slot, kOriginalsBackup)));
    return report;
}

InstallReport LogoManager::InstallLogo(LogoKind kind, const fs::path& file)
{
    if (file.empty())
        return {InstallOutcome::NoFileSelected, {}};
    if (!IsValidLogo(file))
        return {InstallOutcome::WrongFormat, {}};
    const LogoSlot& slot = SlotOf(kind);
    InstallReport report{InstallOutcome::CopyFailed, {}};
    report.files.push_back(ClearAttributes(slot.installPath));
    report.files.push_back(Copy(file, file.string(), slot.copyPath));
    if (report.files.back().done)
        report.outcome = InstallOutcome::Installed;
    return report;
}

std::vector<FileResult> LogoManager::SaveSet(int set)
{
    const int backupNumber = SetBackupNumber(set);
    std::vector<FileResult> files;
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(Copy(slot.copyPath, BackupPath(slot, backupNumber)));
    return files;
}

std::vector<FileResult> LogoManager::InstallSet(int set) { return InstallBackup(SetBackupNumber(set)); }

std::vector<FileResult> LogoManager::RestoreOriginals() { return InstallBackup(kOriginalsBackup); }

std::vector<FileResult> LogoManager::InstallBackup(int backupNumber)
{
    std::vector<FileResult> files;
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(ClearAttributes(slot.installPath));
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(ClearAttributes(BackupPath(slot, backupNumber)));
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(Copy(BackupPath(slot, backupNumber), slot.copyPath));
    return files;
}

FileResult LogoManager::MakeFolder(std::string_view path)
{
    FileResult result{.step = FileStep::MakeFolder, .target = std::string(path)};
    try {
        drive_.MakeFolder(path);
        result.done = true;
    } catch (const FileError& e) {
        result.detail = e.reason();
    }
    return result;
}

FileResult LogoManager::ClearAttributes(std::string_view path)
{
    FileResult result{.step = FileStep::ClearAttributes, .target = std::string(path)};
    const std::optional<std::uint32_t> before = drive_.Attributes(path);
    const std::error_code ec = drive_.ChangeAttributes(path, 0);
    result.done = !ec;
    if (result.done)
        result.detail = AttributeNames(before.value_or(0));
    else
        result.detail = ec == std::errc::no_such_file_or_directory ? "it does not exist" : ec.message();
    return result;
}

FileResult LogoManager::Copy(std::string_view source, std::string_view target)
{
    try {
        return Copy(drive_.Resolve(source), std::string(source), target);
    } catch (const Error& e) {
        return {.step = FileStep::Copy, .source = std::string(source), .target = std::string(target), .detail = e.what()};
    }
}

FileResult LogoManager::Copy(const fs::path& source, std::string sourceName, std::string_view target)
{
    FileResult result{.step = FileStep::Copy, .source = std::move(sourceName), .target = std::string(target)};
    try {
        drive_.CopyFile(source, target);
        result.done = true;
    } catch (const Error& e) {
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        if (IsMissing(source)) {
            result.sourceMissing = true;
            result.detail = result.source + " does not exist";
        } else if (const std::string_view folder = FolderOf(target); IsMissing(drive_, folder)) {
            result.detail = "the folder " + std::string(folder) + " does not exist";
        } else if (fileError) {
            const bool aboutSource = fileError->file() == source.string();
            result.detail = (aboutSource ? result.source : result.target) + ": " + fileError->reason();
        } else {
            result.detail = e.what();
        }
    }
    return result;
}

} // namespace quillmere
