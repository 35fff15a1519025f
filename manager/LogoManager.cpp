#include "LogoManager.h"

#include "FileAttributes.h"
#include "LogoFormat.h"

#include "imaging/Errors.h"

#include <cerrno>
#include <optional>
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

std::size_t IndexOf(const LogoSlot& slot) { return static_cast<std::size_t>(slot.kind); }

bool Any(const std::array<bool, 3>& kinds) { return kinds[0] || kinds[1] || kinds[2]; }

} // namespace

std::string ConvertFileQuestion(std::string_view fileName)
{
    return std::string(fileName) + " is not a valid Logo format.  Would you like to convert it?";
}


std::string OriginalOwedReason(const LogoSlot& slot)
{
    return "the original " + std::string(slot.name) + " logo is not kept in " + std::string(kBackupFolder) +
           " yet, so it is not replaced";
}

LogoManager::LogoManager(DriveC drive) : drive_(std::move(drive)) {}

std::array<bool, 3> LogoManager::ReadOwed(std::vector<FileResult>* problems) const
{
    std::array<bool, 3> owed{};
    std::string text;
    try {
        text = drive_.ReadFile(kOwedOriginalsRecord, 4096);
    } catch (const DriveError& e) {
        if (e.code() == std::errc::no_such_file_or_directory)
            return owed;
        // Unknown is owed: an original is worth more than an installation.
        if (problems)
            problems->push_back({.step = FileStep::Examine, .target = std::string(kOwedOriginalsRecord),
                                 .detail = e.reason()});
        return {true, true, true};
    } catch (const Error& e) {
        if (problems)
            problems->push_back({.step = FileStep::Examine, .target = std::string(kOwedOriginalsRecord),
                                 .detail = e.what()});
        return {true, true, true};
    }
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (const LogoSlot* slot = FindSlot(std::string_view(text).substr(start, end - start)))
            owed[IndexOf(*slot)] = true;
        start = end + 1;
    }
    return owed;
}

std::array<bool, 3> LogoManager::OwedOriginals() const
{
    std::array<bool, 3> owed = ReadOwed(nullptr);
    for (std::size_t i = 0; i < owed.size(); ++i)
        owed[i] = owed[i] || unrecorded_[i];
    return owed;
}

FileResult LogoManager::WriteOwed(const std::array<bool, 3>& owed)
{
    FileResult result{.step = FileStep::Record, .target = std::string(kOwedOriginalsRecord)};
    try {
        if (Any(owed)) {
            std::string text;
            for (const LogoSlot& slot : LogoSlots()) {
                if (owed[IndexOf(slot)])
                    text += std::string(slot.name) + "\n";
            }
            drive_.WriteFile(kOwedOriginalsRecord,
                             {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        } else {
            drive_.RemoveFile(kOwedOriginalsRecord);
        }
        result.done = true;
    } catch (const Error& e) {
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        result.detail = fileError && fileError->file() == result.target ? fileError->reason() : e.what();
    }
    return result;
}

StartupReport LogoManager::StartUp()
{
    StartupReport report;
    std::optional<DriveEntry> store;
    try {
        store = drive_.Inspect(kBackupFolder);
    } catch (const Error& e) {
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        report.files.push_back({.step = FileStep::Examine,
                                .target = fileError ? fileError->file() : std::string(kBackupFolder),
                                .detail = fileError ? fileError->reason() : e.what()});
        report.failed = true;
    }
    // The existence test would take a hidden store for none, and then fail to
    // make it at every start: any folder of that name is the store.
    if (store && store->type == DriveEntry::Type::Missing) {
        report.files.push_back(MakeFolder(kBackupFolder));
        report.firstRun = report.files.back().done;
        report.failed = !report.firstRun;
    } else if (store && store->type != DriveEntry::Type::Folder) {
        const std::string what = store->type == DriveEntry::Type::File ? "a file" : store->typeName;
        report.files.push_back({.step = FileStep::MakeFolder, .target = std::string(kBackupFolder),
                                .detail = "there is " + what + " of that name, not a folder"});
        report.failed = true;
    }

    std::array<bool, 3> owed{};
    if (report.firstRun && !drive_.Exists(BackupPath(SlotOf(LogoKind::Wait), kOriginalsBackup))) {
        // Only the first run takes originals: a later one would copy whatever is
        // installed by then over them. What it cannot finish now it owes.
        for (const LogoSlot& slot : LogoSlots()) {
            try {
                // A folder or a FIFO in a logo's place is no logo to keep.
                owed[IndexOf(slot)] = drive_.Inspect(slot.copyPath).type == DriveEntry::Type::File;
            } catch (const DriveError& e) {
                // Something may be there that cannot be read now; a link off the
                // drive is no original of this drive.
                owed[IndexOf(slot)] = e.code() != DriveErrc::LeavesDrive;
            } catch (const Error&) {
                owed[IndexOf(slot)] = true;
            }
        }
        FileResult noted{.step = FileStep::Record, .done = true};
        if (Any(owed))
            noted = WriteOwed(owed);
        if (!noted.done) {
            // Nothing remembers what is owed; without the store the next start is
            // a first run again, and this one replaces nothing.
            report.files.push_back(noted);
            try {
                drive_.RemoveFolder(kBackupFolder);
            } catch (const Error&) {
            }
            unrecorded_ = owed;
        } else {
            const std::array<bool, 3> written = owed;
            for (const LogoSlot& slot : LogoSlots()) {
                report.files.push_back(Copy(slot.copyPath, BackupPath(slot, kOriginalsBackup)));
                if (report.files.back().done)
                    owed[IndexOf(slot)] = false;
            }
            if (owed != written) {
                FileResult rewritten = WriteOwed(owed);
                if (!rewritten.done)
                    report.files.push_back(std::move(rewritten));
            }
        }
    } else if (store && store->type == DriveEntry::Type::Folder) {
        const std::size_t before = report.files.size();
        owed = ReadOwed(&report.files);
        const bool readable = report.files.size() == before;
        const std::array<bool, 3> recorded = owed;
        for (const LogoSlot& slot : LogoSlots()) {
            if (!readable || !owed[IndexOf(slot)])
                continue;
            report.files.push_back(Copy(slot.copyPath, BackupPath(slot, kOriginalsBackup)));
            // A logo that is gone has no original left to keep.
            if (report.files.back().done || report.files.back().sourceMissing)
                owed[IndexOf(slot)] = false;
        }
        if (readable && owed != recorded) {
            FileResult rewritten = WriteOwed(owed);
            if (!rewritten.done)
                report.files.push_back(std::move(rewritten));
        }
    } else if (!store) {
        owed = {true, true, true}; // the store could not be read: nothing is known to be kept
    }
    report.originalOwed = OwedOriginals();
    for (std::size_t i = 0; i < owed.size(); ++i)
        report.originalOwed[i] = report.originalOwed[i] || owed[i];
    if (Any(report.originalOwed))
        report.failed = true;
    for (const FileResult& r : report.files) {
        if (!r.done && (r.step == FileStep::Examine || r.step == FileStep::Record))
            report.failed = true;
    }

    for (const LogoSlot& slot : LogoSlots())
        report.available[IndexOf(slot)] = drive_.Exists(slot.installPath);

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
    if (OwedOriginals()[IndexOf(slot)])
        return {InstallOutcome::OriginalOwed, {}};
    InstallReport report{InstallOutcome::CopyFailed, {}};
    report.files.push_back(ClearAttributes(slot.installPath));
    report.files.push_back(CopyIn(file, slot.copyPath));
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
    const std::array<bool, 3> owed = OwedOriginals();
    std::vector<FileResult> files;
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(ClearAttributes(slot.installPath));
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(ClearAttributes(BackupPath(slot, backupNumber)));
    for (const LogoSlot& slot : LogoSlots()) {
        if (owed[IndexOf(slot)])
            files.push_back({.step = FileStep::Copy, .source = BackupPath(slot, backupNumber),
                             .target = std::string(slot.copyPath), .detail = OriginalOwedReason(slot)});
        else
            files.push_back(Copy(BackupPath(slot, backupNumber), slot.copyPath));
    }
    return files;
}

FileResult LogoManager::MakeFolder(std::string_view path)
{
    FileResult result{.step = FileStep::MakeFolder, .target = std::string(path)};
    try {
        drive_.MakeFolder(path);
        result.done = true;
    } catch (const FileError& e) {
        result.detail = e.file() == result.target ? e.reason() : e.what();
    } catch (const Error& e) {
        result.detail = e.what();
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

namespace {

// The detail of a failed copy: a missing source as "<source> does not exist", a
// missing folder of the target as "the folder ... does not exist", else the
// error's own "<file>: <reason>".
void DescribeFailure(FileResult& result, const Error& e)
{
    const auto* driveError = dynamic_cast<const DriveError*>(&e);
    if (driveError && driveError->code() == std::errc::no_such_file_or_directory) {
        if (driveError->file() == result.source) {
            result.sourceMissing = true;
            result.detail = result.source + " does not exist";
            return;
        }
        if (driveError->file() == result.target) {
            result.detail = driveError->reason();
            return;
        }
    }
    result.detail = e.what();
}

} // namespace

FileResult LogoManager::Copy(std::string_view source, std::string_view target)
{
    FileResult result{.step = FileStep::Copy, .source = std::string(source), .target = std::string(target)};
    try {
        drive_.CopyFile(source, target);
        result.done = true;
    } catch (const Error& e) {
        DescribeFailure(result, e);
    }
    return result;
}

FileResult LogoManager::CopyIn(const fs::path& source, std::string_view target)
{
    FileResult result{.step = FileStep::Copy, .source = source.string(), .target = std::string(target)};
    try {
        drive_.CopyIn(source, target);
        result.done = true;
    } catch (const Error& e) {
        DescribeFailure(result, e);
    }
    return result;
}

} // namespace quillmere
