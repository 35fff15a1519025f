#include "LogoManager.h"

#include "drive/FileAttributes.h"
#include "LogoFormat.h"

#include "imaging/Errors.h"

#include <algorithm>
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
    } catch (const std::exception& e) {
        if (problems)
            problems->push_back({.step = FileStep::Examine, .target = std::string(kOwedOriginalsRecord),
                                 .detail = e.what()});
        return {true, true, true};
    }
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        // Edited on Windows: "Startup\r\n" names the startup kind too.
        std::string word;
        for (const char c : std::string_view(text).substr(start, end - start)) {
            if (c != '\r' && c != ' ' && c != '\t')
                word += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        start = end + 1;
        if (word.empty())
            continue;
        const LogoSlot* slot = FindSlot(word);
        if (!slot)
            return {true, true, true}; // a line not understood may have named any kind
        owed[IndexOf(*slot)] = true;
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

std::string LogoManager::OwedReason(LogoKind kind) const
{
    const LogoSlot& slot = SlotOf(kind);
    if (!storeProblem_.empty())
        return "the original " + std::string(slot.name) + " logo cannot be kept, as " + storeProblem_ +
               ", so it is not replaced";
    return OriginalOwedReason(slot);
}

bool LogoManager::AnyOriginalKept() const
{
    for (const LogoSlot& slot : LogoSlots()) {
        try {
            if (drive_.Inspect(BackupPath(slot, kOriginalsBackup)).type != DriveEntry::Type::Missing)
                return true;
        } catch (const std::exception&) {
            return true; // something is there that cannot be read now
        }
    }
    return false;
}

std::array<bool, 3> LogoManager::InstalledKinds() const
{
    std::array<bool, 3> installed{};
    for (const LogoSlot& slot : LogoSlots()) {
        try {
            // A folder or a FIFO in a logo's place is no logo to keep.
            installed[IndexOf(slot)] = drive_.Inspect(slot.copyPath).type == DriveEntry::Type::File;
        } catch (const DriveError& e) {
            // Something may be there that cannot be read now; a link off the
            // drive is no original of this drive.
            installed[IndexOf(slot)] = e.code() != DriveErrc::LeavesDrive;
        } catch (const std::exception&) {
            installed[IndexOf(slot)] = true;
        }
    }
    return installed;
}

FileResult LogoManager::WriteOwed(const std::array<bool, 3>& owed, bool noneKept)
{
    FileResult result{.step = FileStep::Record, .target = std::string(kOwedOriginalsRecord)};
    try {
        // An empty record stays while no original was kept: it tells later runs
        // that the first run is over, though it found nothing to keep.
        if (Any(owed) || noneKept || !AnyOriginalKept()) {
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
    } catch (const std::exception& e) {
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        result.detail = fileError && fileError->file() == result.target ? fileError->reason() : e.what();
        // What the record should owe stays owed in this run, whatever the
        // failed write left of it.
        for (std::size_t i = 0; i < owed.size(); ++i)
            unrecorded_[i] = unrecorded_[i] || owed[i];
    }
    return result;
}

void LogoManager::RemoveLeftovers() const
{
    // A run killed half-way through a replace (SIGKILL, a power cut) leaves its
    // temporary file beside the target; no run is replacing now.
    std::vector<std::string> folders = {std::string(kBackupFolder)};
    for (const LogoSlot& slot : LogoSlots()) {
        const std::string_view path = slot.copyPath;
        const std::string folder(path.substr(0, path.rfind('\\') + 1));
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    for (const std::string& folder : folders) {
        try {
            drive_.RemoveLeftovers(folder);
        } catch (const std::exception&) {
            // Only space is lost; the steps that follow say what is wrong with the drive.
        }
    }
}

std::optional<DriveHold> LogoManager::TryHold(std::string& problem) const
{
    try {
        return drive_.Hold();
    } catch (const std::exception& e) {
        problem = e.what();
        return std::nullopt;
    }
}

void LogoManager::PrepareStore(StartupReport& report)
{
    std::optional<DriveEntry> store;
    try {
        store = drive_.Inspect(kBackupFolder);
    } catch (const std::exception& e) {
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        report.files.push_back({.step = FileStep::Examine,
                                .target = fileError ? fileError->file() : std::string(kBackupFolder),
                                .detail = fileError ? fileError->reason() : e.what()});
        report.failed = true;
        // Nothing is known to be kept.
        storeProblem_ = std::string(kBackupFolder) + " cannot be read";
        unrecorded_ = {true, true, true};
        return;
    }
    // The existence test would take a hidden store for none, and then fail to
    // make it at every start: any folder of that name is the store.
    bool madeNow = false;
    if (store->type == DriveEntry::Type::Missing) {
        report.files.push_back(MakeFolder(kBackupFolder));
        madeNow = report.files.back().done;
        if (!madeNow)
            storeProblem_ = std::string(kBackupFolder) + " could not be made (" + report.files.back().detail + ")";
    } else if (store->type != DriveEntry::Type::Folder) {
        const std::string what = store->type == DriveEntry::Type::File ? "a file" : store->typeName;
        report.files.push_back({.step = FileStep::MakeFolder, .target = std::string(kBackupFolder),
                                .detail = "there is " + what + " of that name, not a folder"});
        storeProblem_ = std::string(kBackupFolder) + " is " + what + ", not a folder";
    }
    if (!storeProblem_.empty()) {
        // No place for the originals: every logo installed now is owed, and
        // nothing replaces it in this run.
        report.failed = true;
        unrecorded_ = InstalledKinds();
        return;
    }

    // A store with neither the record nor an original is what a first run that
    // ended early leaves (or one made by hand): its first run is still to come.
    bool firstRun = madeNow;
    if (!firstRun) {
        try {
            firstRun = drive_.Inspect(kOwedOriginalsRecord).type == DriveEntry::Type::Missing && !AnyOriginalKept();
        } catch (const std::exception&) {
            firstRun = false; // a record that cannot be examined is read below, and is a failure there
        }
    }
    report.firstRun = firstRun;

    std::array<bool, 3> owed{};
    if (firstRun) {
        // Only the first run takes originals: a later one would copy whatever is
        // installed by then over them. What it cannot finish now it owes; the
        // record is written before anything is copied, so the store and the
        // record appear together.
        owed = InstalledKinds();
        FileResult noted = WriteOwed(owed, true); // a first run has kept nothing yet
        if (!noted.done) {
            // Nothing remembers what is owed; without the store the next start is
            // a first run again, and this one replaces nothing.
            report.files.push_back(noted);
            if (madeNow) {
                try {
                    drive_.RemoveFolder(kBackupFolder);
                } catch (const std::exception&) {
                }
            }
            unrecorded_ = owed;
            return;
        }
        const std::array<bool, 3> written = owed;
        for (const LogoSlot& slot : LogoSlots()) {
            report.files.push_back(Copy(slot.copyPath, BackupPath(slot, kOriginalsBackup)));
            if (report.files.back().done)
                owed[IndexOf(slot)] = false;
        }
        if (owed != written || !Any(owed)) {
            FileResult rewritten = WriteOwed(owed);
            if (!rewritten.done)
                report.files.push_back(std::move(rewritten));
        }
        return;
    }

    const std::size_t before = report.files.size();
    owed = ReadOwed(&report.files);
    if (report.files.size() != before)
        return; // unreadable: every kind is owed, and nothing is copied over a kept original
    const std::array<bool, 3> recorded = owed;
    for (const LogoSlot& slot : LogoSlots()) {
        if (!owed[IndexOf(slot)])
            continue;
        const std::string original = BackupPath(slot, kOriginalsBackup);
        // A kept original is never copied over: a record that owes it is wrong.
        bool kept = true;
        try {
            kept = drive_.Inspect(original).type == DriveEntry::Type::File;
        } catch (const std::exception&) {
        }
        if (kept) {
            owed[IndexOf(slot)] = false;
            continue;
        }
        report.files.push_back(Copy(slot.copyPath, original));
        // A logo that is gone has no original left to keep.
        if (report.files.back().done || report.files.back().sourceMissing)
            owed[IndexOf(slot)] = false;
    }
    if (owed != recorded) {
        FileResult rewritten = WriteOwed(owed);
        if (!rewritten.done)
            report.files.push_back(std::move(rewritten));
    }
}

StartupReport LogoManager::StartUp()
{
    StartupReport report;
    storeProblem_.clear();
    unrecorded_ = {};
    std::string problem;
    std::optional<DriveHold> hold = TryHold(problem);
    if (!hold) {
        // Another run may be half-way through: nothing is changed, and this run
        // replaces nothing.
        report.files.push_back({.step = FileStep::Examine, .target = "C:\\", .detail = problem});
        storeProblem_ = "drive C: could not be prepared";
        unrecorded_ = {true, true, true};
        report.failed = true;
        report.originalOwed = unrecorded_;
        for (const LogoSlot& slot : LogoSlots())
            report.available[IndexOf(slot)] = drive_.Exists(slot.installPath);
        return report;
    }
    RemoveLeftovers();
    try {
        PrepareStore(report);
    } catch (const std::exception& e) {
        // Only memory or the like ends up here; the store is then unknown.
        report.files.push_back({.step = FileStep::Examine, .target = std::string(kBackupFolder), .detail = e.what()});
        storeProblem_ = std::string(kBackupFolder) + " could not be prepared";
        unrecorded_ = {true, true, true};
    }
    report.originalOwed = OwedOriginals();
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
    const LogoSlot& slot = SlotOf(kind);
    std::error_code ec;
    if (fs::symlink_status(file, ec).type() == fs::file_type::not_found)
        return {InstallOutcome::FileMissing, {}, file.string() + " does not exist"};
    if (!IsValidLogo(file))
        return {InstallOutcome::WrongFormat, {}, file.string() + " is not a valid Logo format"};
    std::string problem;
    const std::optional<DriveHold> hold = TryHold(problem);
    if (!hold)
        return {InstallOutcome::CopyFailed, {}, problem};
    if (OwedOriginals()[IndexOf(slot)])
        return {InstallOutcome::OriginalOwed, {}, OwedReason(kind)};
    InstallReport report{InstallOutcome::CopyFailed, {}};
    report.files.push_back(ClearAttributes(slot.installPath));
    report.files.push_back(CopyIn(file, slot.copyPath));
    if (report.files.back().done)
        report.outcome = InstallOutcome::Installed;
    else
        report.reason = report.files.back().detail;
    return report;
}

std::vector<FileResult> LogoManager::SaveSet(int set)
{
    const int backupNumber = SetBackupNumber(set);
    std::vector<FileResult> files;
    std::string problem;
    const std::optional<DriveHold> hold = TryHold(problem);
    for (const LogoSlot& slot : LogoSlots()) {
        if (!hold)
            files.push_back({.step = FileStep::Copy, .source = std::string(slot.copyPath),
                             .target = BackupPath(slot, backupNumber), .detail = problem, .notTried = true});
        else
            files.push_back(Copy(slot.copyPath, BackupPath(slot, backupNumber)));
    }
    return files;
}

std::string RemovedLogoPath(const LogoSlot& slot)
{
    std::string name(slot.installPath.substr(slot.installPath.rfind('\\') + 1));
    return std::string(kBackupFolder) + "\\Removed " + name;
}

std::string LogoManager::RemovedLogoGoes(LogoKind kind) const
{
    // The original is the first logo there was; a later one goes to the file
    // of removed logos, which only the next removal replaces.
    const LogoSlot& slot = SlotOf(kind);
    const std::string original = BackupPath(slot, kOriginalsBackup);
    return drive_.Inspect(original).type == DriveEntry::Type::Missing ? original : RemovedLogoPath(slot);
}

RemoveReport LogoManager::RemoveLogo(LogoKind kind)
{
    const LogoSlot& slot = SlotOf(kind);
    std::string problem;
    const std::optional<DriveHold> hold = TryHold(problem);
    if (!hold)
        return {RemoveOutcome::Failed, {}, {}, problem};
    if (OwedOriginals()[IndexOf(slot)])
        return {RemoveOutcome::OriginalOwed, {}, {}, OwedReason(kind)};
    DriveEntry installed;
    std::string keptAs;
    try {
        installed = drive_.Inspect(slot.installPath);
        keptAs = RemovedLogoGoes(kind);
    } catch (const std::exception& e) {
        return {RemoveOutcome::Failed, {}, {}, e.what()};
    }
    const std::string installPath(slot.installPath);
    if (installed.type == DriveEntry::Type::Missing)
        return {RemoveOutcome::NothingInstalled, {}, {}, installPath + " does not exist, so Windows shows its own logo already"};
    if (installed.type != DriveEntry::Type::File)
        return {RemoveOutcome::Failed, {}, {},
                installPath + " is " + (installed.type == DriveEntry::Type::Folder ? "a folder" : installed.typeName) +
                    ", not a logo, so it was not removed"};
    RemoveReport report{RemoveOutcome::Failed};
    report.keptAs = std::move(keptAs);
    report.files.push_back(Copy(slot.installPath, report.keptAs));
    if (!report.files.back().done) {
        report.reason = FailureReason(report.files.back()) + ", so " + installPath + " was not removed";
        report.keptAs.clear();
        return report;
    }
    report.files.push_back(ClearAttributes(slot.installPath));
    report.files.push_back(Remove(slot.installPath));
    if (report.files.back().done)
        report.outcome = RemoveOutcome::Removed;
    else
        report.reason = FailureReason(report.files.back());
    return report;
}

SetLogos LogoManager::ReadSet(int set) const
{
    const int backupNumber = SetBackupNumber(set);
    const DriveHold hold = drive_.Hold();
    SetLogos logos;
    for (const LogoSlot& slot : LogoSlots()) {
        const std::string path = BackupPath(slot, backupNumber);
        const DriveEntry entry = drive_.Inspect(path);
        if (entry.type == DriveEntry::Type::Missing)
            continue;
        if (entry.type != DriveEntry::Type::File)
            throw FileError(path, "it is " + (entry.type == DriveEntry::Type::Folder ? "a folder" : entry.typeName) +
                                      ", not a logo");
        logos[IndexOf(slot)] = drive_.ReadFile(path, kMaxDriveCopyBytes);
    }
    return logos;
}

void LogoManager::ReplaceSet(int set, const SetLogos& logos)
{
    const int backupNumber = SetBackupNumber(set);
    const DriveHold hold = drive_.Hold();
    struct Change {
        std::string path;
        std::optional<std::string> before; // nullopt: there was no file
        const std::string* after;
    };
    // Everything that can be known to fail is found out before the first write.
    std::vector<Change> changes;
    for (const LogoSlot& slot : LogoSlots()) {
        if (!logos[IndexOf(slot)])
            continue;
        Change change{BackupPath(slot, backupNumber), std::nullopt, &*logos[IndexOf(slot)]};
        const DriveEntry entry = drive_.Inspect(change.path);
        if (entry.type == DriveEntry::Type::Folder || entry.type == DriveEntry::Type::Other)
            throw FileError(change.path, "it is " +
                                             (entry.type == DriveEntry::Type::Folder ? "a folder" : entry.typeName) +
                                             ", not a file");
        if (entry.type == DriveEntry::Type::File) {
            if (entry.attributes & kAttrReadOnly)
                throw FileError(change.path, "the file is read-only");
            change.before = drive_.ReadFile(change.path, kMaxDriveCopyBytes);
        }
        changes.push_back(std::move(change));
    }
    const auto bytes = [](const std::string& text) {
        return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        try {
            drive_.WriteFile(changes[i].path, bytes(*changes[i].after));
        } catch (const std::exception& failure) {
            // Back as it was, the latest first.
            std::string stuck;
            for (std::size_t j = i; j-- > 0;) {
                try {
                    if (changes[j].before)
                        drive_.WriteFile(changes[j].path, bytes(*changes[j].before));
                    else
                        drive_.RemoveFile(changes[j].path);
                } catch (const std::exception& again) {
                    stuck += (stuck.empty() ? "" : "; ") + changes[j].path + " holds the new logo (" + again.what() +
                             ")";
                }
            }
            if (!stuck.empty())
                throw Error(std::string(failure.what()) + "; set " + std::to_string(set) +
                            " could not be put back as it was: " + stuck);
            throw;
        }
    }
}

std::vector<FileResult> LogoManager::InstallSet(int set) { return InstallBackup(SetBackupNumber(set)); }

std::vector<FileResult> LogoManager::RestoreOriginals() { return InstallBackup(kOriginalsBackup); }

std::vector<FileResult> LogoManager::InstallBackup(int backupNumber)
{
    std::vector<FileResult> files;
    std::string problem;
    const std::optional<DriveHold> hold = TryHold(problem);
    if (!hold) {
        for (const LogoSlot& slot : LogoSlots())
            files.push_back({.step = FileStep::Copy, .source = BackupPath(slot, backupNumber),
                             .target = std::string(slot.copyPath), .detail = problem, .notTried = true});
        return files;
    }
    const std::array<bool, 3> owed = OwedOriginals();
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(ClearAttributes(slot.installPath));
    for (const LogoSlot& slot : LogoSlots())
        files.push_back(ClearAttributes(BackupPath(slot, backupNumber)));
    for (const LogoSlot& slot : LogoSlots()) {
        if (owed[IndexOf(slot)])
            files.push_back({.step = FileStep::Copy, .source = BackupPath(slot, backupNumber),
                             .target = std::string(slot.copyPath), .detail = OwedReason(slot.kind), .notTried = true});
        else
            files.push_back(Copy(BackupPath(slot, backupNumber), slot.copyPath));
    }
    return files;
}

namespace {

// One step on one drive path: done, or why not (the reason alone when the
// error names that path).
template <class Step>
FileResult OnePath(FileStep step, std::string_view path, Step act)
{
    FileResult result{.step = step, .target = std::string(path)};
    try {
        act();
        result.done = true;
    } catch (const FileError& e) {
        result.detail = e.file() == result.target ? e.reason() : e.what();
    } catch (const std::exception& e) {
        result.detail = e.what();
    }
    return result;
}

} // namespace

FileResult LogoManager::MakeFolder(std::string_view path)
{
    return OnePath(FileStep::MakeFolder, path, [&] { drive_.MakeFolder(path); });
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

FileResult LogoManager::Remove(std::string_view path)
{
    return OnePath(FileStep::Remove, path, [&] { drive_.RemoveFile(path); });
}

namespace {

// The detail of a failed copy: a missing source as "<source> does not exist", a
// missing folder of the target as "the folder ... does not exist", else the
// error's own "<file>: <reason>".
void DescribeFailure(FileResult& result, const std::exception& e)
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
    } catch (const std::exception& e) {
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
    } catch (const std::exception& e) {
        DescribeFailure(result, e);
    }
    return result;
}

} // namespace quillmere
