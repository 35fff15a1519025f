// The Logo Manager's file operations on drive C:: the start-up steps, Install
// This Logo, saving and installing logo sets, and restoring the originals. Each
// runs every step in its order; a step that fails is skipped and the next one
// runs, and each returns what happened to every file. Nothing here throws for a
// file that cannot be copied or changed, but for ReadSet and ReplaceSet, which
// read or change a set whole or not at all (a set's zip, SetArchive.h).
//
// The originals are kept before anything replaces them: the first run notes in
// kOwedOriginalsRecord each kind that has a logo installed, copies them, and
// strikes off each one copied. A kind still noted there is retried at every
// start, and no operation replaces its installed logo until it is kept.
#pragma once

#include "drive/DriveC.h"
#include "FileResult.h"
#include "LogoSlot.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// Texts the windows and the command line show.
inline constexpr std::string_view kNotAvailable = "Not Available";
inline constexpr std::string_view kNoFileSelectedTitle = "No File Selected";
inline constexpr std::string_view kNoFileSelectedText = "You must first select a file by clicking on it!";
inline constexpr std::string_view kConvertFileTitle = "Convert File?";

// "<name> is not a valid Logo format.  Would you like to convert it?"
std::string ConvertFileQuestion(std::string_view fileName);

// The record of the originals still to keep: a text file with one line per
// kind ("startup", "wait", "safe"), written durably; absent when none is owed
// and the originals are kept, empty when the first run found no logo to keep.
// Read without regard to letter case, carriage returns or blank lines (it may
// have been edited on Windows); a line that names no kind makes every kind owed.
inline constexpr std::string_view kOwedOriginalsRecord = "C:\\VH Backups\\Originals owed.txt";

// Why a kind's logo is not replaced while its original is owed.
std::string OriginalOwedReason(const LogoSlot& slot);

struct StartupReport {
    // This start created the backup store: the first run on this drive, the
    // only one that takes the originals.
    bool firstRun = false;
    // The existence test of each installed logo (Startup, Wait, Safe), made
    // before its attributes are cleared: false shows "Not Available".
    std::array<bool, 3> available{};
    // Kinds (Startup, Wait, Safe) whose original is still not kept after this
    // start; their installed logos are not replaced until it is.
    std::array<bool, 3> originalOwed{};
    // A step that matters failed: C:\VH Backups could not be read or made, an
    // original could not be kept, or the record of owed originals could not be
    // read or written. The files say which; the start-up is no success.
    bool failed = false;
    std::vector<FileResult> files;
};

enum class InstallOutcome {
    NoFileSelected, // the path was empty; nothing was done
    FileMissing,    // the file is gone; nothing was done
    WrongFormat,    // the file fails the logo format test; nothing was done
    Installed,      // the file is now the installed logo
    CopyFailed,     // the copy failed; the installed logo is as it was
    OriginalOwed,   // the kind's original is not kept yet; nothing was done
};

struct InstallReport {
    InstallOutcome outcome;
    std::vector<FileResult> files;
    // Why nothing was done, for FileMissing, WrongFormat, OriginalOwed and a
    // CopyFailed with no file touched (drive C: could not be held).
    std::string reason{};
};

enum class RemoveOutcome {
    Removed,          // the logo is kept in the store and gone from its place
    NothingInstalled, // there was no logo to remove; nothing was done
    OriginalOwed,     // the kind's original is not kept yet; nothing was done
    Failed,           // it could not be kept or removed; the installed logo is as it was
};

struct RemoveReport {
    RemoveOutcome outcome;
    std::vector<FileResult> files{};
    // Removed: where the logo is kept now (the original, or RemovedLogoPath).
    std::string keptAs{};
    // Why nothing was removed, for every outcome but Removed.
    std::string reason{};
};

// "C:\VH Backups\Removed logow.sys": where a removed logo is kept when the
// kind's original is kept already; the next removal replaces it. Its name ends
// in "sys", so the file lists show it as a logo to install again.
std::string RemovedLogoPath(const LogoSlot& slot);

class LogoManager {
public:
    explicit LogoManager(DriveC drive);

    const DriveC& Drive() const noexcept { return drive_; }

    // The file steps of the start-up, in order, while drive C: is held against
    // other runs (DriveC::Hold): create C:\VH Backups when there is nothing of
    // that name (a hidden store is still the store); on the first run (the store
    // was missing, or holds neither the record nor an original) and only while
    // Logow.C1K does not exist, note the kinds that have a logo installed as
    // owed, copy the three installed logos to the .C1K files and strike off
    // those copied; on a later run, copy the logos of the kinds still owed; the
    // existence test of the three installed logos; clear the attributes of the
    // three installed logos and the three .C1K files. A later run writes no .C1K
    // file but an owed one, so the originals stay those of the first run. When
    // the record cannot be written at the first run, the store just made is
    // removed again, so the next start is a first run too. When the store cannot
    // be made or used, every kind with a logo installed is owed for this run.
    // Never throws: a drive that cannot be held or read is a failed start-up.
    StartupReport StartUp();

    // The kinds whose original is owed: those in the record, and those this
    // start could not note. When the record cannot be read, every kind.
    std::array<bool, 3> OwedOriginals() const;

    // Install This Logo: the file must be there and pass the logo format test
    // itself (a verdict shown for another file does not count), and the kind's
    // original must be kept; then, while drive C: is held, the installed logo's
    // attributes are cleared and the file is copied over it.
    InstallReport InstallLogo(LogoKind kind, const std::filesystem::path& file);

    // Why the kind's installed logo is not replaced while its original is owed.
    std::string OwedReason(LogoKind kind) const;

    // The operations below hold drive C: while they run; when it cannot be
    // held, no file is touched and every copy says why.

    // Save Set s (1 to 10): copies the three installed logos to the set's files.
    // A missing logo leaves the set's older file of that kind as it was. Clears
    // no attributes. Throws SubscriptError for another s.
    std::vector<FileResult> SaveSet(int set);

    // Install Set s (1 to 10): clears the attributes of the three installed logos
    // and of the set's three files, then copies the set's files over the
    // installed logos. A file the set lacks leaves that logo as it was, and so
    // does a kind whose original is owed (a copy not done, with
    // OriginalOwedReason). Throws SubscriptError for another s.
    std::vector<FileResult> InstallSet(int set);

    // Windows' own logo back: while drive C: is held, and only when the kind's
    // original is not owed, keeps the installed logo (as the original when none
    // is kept, else as RemovedLogoPath), clears its attributes and removes it.
    RemoveReport RemoveLogo(LogoKind kind);
    // Where RemoveLogo would keep the kind's logo now (the original when none
    // is kept, else RemovedLogoPath). Throws DriveError when the store cannot
    // be read.
    std::string RemovedLogoGoes(LogoKind kind) const;

    // The files set s (1 to 10) holds now; read while drive C: is held. Throws
    // SubscriptError for another s, FileError (DriveError) naming a file that
    // cannot be read or is no file, and DriveError when the drive cannot be held.
    SetLogos ReadSet(int set) const;

    // Makes set s hold the logos given; a kind without one keeps the set's
    // file of that kind. All or none: every file is first examined (a folder in
    // its place or a read-only file refuses the whole change) and its old
    // content read; then each is replaced durably, and when one cannot be, the
    // ones already replaced get their old content back. Clears no attributes.
    // Throws SubscriptError for another s; FileError (DriveError) naming the
    // file that stopped it, once the set is as it was; Error saying which files
    // changed when even that failed.
    void ReplaceSet(int set, const SetLogos& logos);

    // Install Set with the originals (backup number 1). A kind whose original is
    // owed still has it installed and is left alone.
    std::vector<FileResult> RestoreOriginals();

private:
    std::vector<FileResult> InstallBackup(int backupNumber);
    FileResult MakeFolder(std::string_view path);
    FileResult ClearAttributes(std::string_view path);
    FileResult Remove(std::string_view path);
    FileResult Copy(std::string_view source, std::string_view target);
    FileResult CopyIn(const std::filesystem::path& source, std::string_view target);
    // noneKept: the caller knows no original is kept, so the store need not be looked at.
    FileResult WriteOwed(const std::array<bool, 3>& owed, bool noneKept = false);
    std::array<bool, 3> ReadOwed(std::vector<FileResult>* problems) const;
    std::array<bool, 3> InstalledKinds() const;
    bool AnyOriginalKept() const;
    void PrepareStore(StartupReport& report);
    // A hold on the drive, or nullopt with the reason in problem.
    void RemoveLeftovers() const;
    std::optional<DriveHold> TryHold(std::string& problem) const;

    DriveC drive_;
    // Kinds this process found owed but could not note in the record.
    std::array<bool, 3> unrecorded_{};
    // Why C:\VH Backups could not be made or used at the start-up; empty when it could.
    std::string storeProblem_;
};

} // namespace quillmere
