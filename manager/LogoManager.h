// The Logo Manager's file operations on drive C:: the start-up steps, Install
// This Logo, saving and installing logo sets, and restoring the originals. Each
// runs every step in its order; a step that fails is skipped and the next one
// runs, and each returns what happened to every file. Nothing here throws for a
// file that cannot be copied or changed.
#pragma once

#include "DriveC.h"
#include "FileResult.h"
#include "LogoSlot.h"

#include <array>
#include <filesystem>
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

struct StartupReport {
    // This start created the backup store: the first run on this drive, the
    // only one that takes the originals.
    bool firstRun = false;
    // The existence test of each installed logo (Startup, Wait, Safe), made
    // before its attributes are cleared: false shows "Not Available".
    std::array<bool, 3> available{};
    std::vector<FileResult> files;
};

enum class InstallOutcome {
    NoFileSelected, // the path was empty; nothing was done
    WrongFormat,    // the file fails the logo format test; nothing was done
    Installed,      // the file is now the installed logo
    CopyFailed,     // the copy failed; the installed logo is as it was
};

struct InstallReport {
    InstallOutcome outcome;
    std::vector<FileResult> files;
};

class LogoManager {
public:
    explicit LogoManager(DriveC drive);

    const DriveC& Drive() const noexcept { return drive_; }

    // The file steps of the start-up, in order: create C:\VH Backups when it does
    // not exist; on the first run (this start created the store) and only while
    // Logow.C1K does not exist, copy the three installed logos to the .C1K files;
    // the existence test of the three installed logos; clear the attributes of
    // the three installed logos and the three .C1K files. A later run never
    // writes a .C1K file, so the originals stay those of the first run.
    StartupReport StartUp();

    // Install This Logo: the file must pass the logo format test itself (a
    // verdict shown for another file does not count); then the installed logo's
    // attributes are cleared and the file is copied over it.
    InstallReport InstallLogo(LogoKind kind, const std::filesystem::path& file);

    // Save Set s (1 to 10): copies the three installed logos to the set's files.
    // A missing logo leaves the set's older file of that kind as it was. Clears
    // no attributes. Throws SubscriptError for another s.
    std::vector<FileResult> SaveSet(int set);

    // Install Set s (1 to 10): clears the attributes of the three installed logos
    // and of the set's three files, then copies the set's files over the
    // installed logos. A file the set lacks leaves that logo as it was. Throws
    // SubscriptError for another s.
    std::vector<FileResult> InstallSet(int set);

    // Install Set with the originals (backup number 1).
    std::vector<FileResult> RestoreOriginals();

private:
    std::vector<FileResult> InstallBackup(int backupNumber);
    FileResult MakeFolder(std::string_view path);
    FileResult ClearAttributes(std::string_view path);
    FileResult Copy(std::string_view source, std::string_view target);
    FileResult Copy(const std::filesystem::path& source, std::string sourceName, std::string_view target);

    DriveC drive_;
};

} // namespace quillmere
