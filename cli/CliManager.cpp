// The Logo Manager's commands: status, check, install, remove, sets,
// restore-originals and boot-logo. Each but check first runs the Logo Manager's
// start-up file steps on drive C:, as the window does, then one operation, and
// prints what happened to each file. check reads only the files it is given and
// leaves drive C: alone.
#include "cli/Command.h"

#include "drive/DriveC.h"
#include "manager/LogoFormat.h"
#include "manager/LogoManager.h"
#include "manager/BootLogoSwitch.h"
#include "manager/SetArchive.h"

#include "imaging/Errors.h"


#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::app {

namespace {

namespace fs = std::filesystem;


// Lines worth telling: every folder made, every copy tried, every file or record
// that could not be read or written; attribute clearing where there was
// something to clear or where it failed for more than a missing file. A line
// the start-up already printed (startup: its files) is not printed again: the
// operation clears the attributes the start-up could not clear, and fails the
// same way.
void Report(const std::vector<FileResult>& files, const std::vector<FileResult>& startup = {})
{
    std::vector<std::string> said;
    for (const FileResult& r : startup)
        said.push_back(Describe(r));
    for (const FileResult& r : files) {
        if (r.step != FileStep::ClearAttributes || (r.done && !r.detail.empty()) ||
            (!r.done && r.detail != "it does not exist")) {
            const std::string line = Describe(r);
            if (std::find(said.begin(), said.end(), line) == said.end())
                Say(line);
        }
    }
}

// "startup", "startup and wait", "startup, wait and safe".
std::string KindList(const std::array<bool, 3>& kinds)
{
    std::vector<std::string> names;
    for (const LogoSlot& slot : LogoSlots()) {
        if (kinds[static_cast<std::size_t>(slot.kind)])
            names.emplace_back(slot.name);
    }
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return list;
}

// Why the start-up steps are no success, for the last line of a command.
std::string StartupProblem(const StartupReport& report)
{
    for (const FileResult& r : report.files) {
        if (!r.done && (r.step == FileStep::Examine || r.step == FileStep::Record || r.step == FileStep::MakeFolder))
            return Describe(r);
    }
    const bool owed = std::any_of(report.originalOwed.begin(), report.originalOwed.end(), [](bool b) { return b; });
    if (owed) {
        const std::size_t count = std::count(report.originalOwed.begin(), report.originalOwed.end(), true);
        return "could not keep the original " + KindList(report.originalOwed) + (count > 1 ? " logos" : " logo") +
               " in C:\\VH Backups; " + (count > 1 ? "they are" : "it is") + " not replaced until kept";
    }
    return "the preparation of drive C: failed";
}

// The start-up of a command: the manager, and what its steps did.
struct Started {
    // Drive C: stays held from the start-up to the end of the operation, so no
    // other run's start-up or operation comes between them.
    DriveHold hold;
    LogoManager manager;
    StartupReport report;
};

// Opens drive C: and runs the start-up file steps; nullopt (after a message)
// when there is no drive C: folder.
std::optional<Started> StartUp(const Command& command, const GlobalOptions& options)
{
    try {
        LogoManager manager(DriveC::Open(options.driveC, options.partition));
        DriveHold hold = manager.Drive().Hold();
        StartupReport report = manager.StartUp();
        if (report.firstRun) {
            const bool owed = std::any_of(report.originalOwed.begin(), report.originalOwed.end(),
                                          [](bool b) { return b; });
            const bool kept = std::any_of(report.files.begin(), report.files.end(), [](const FileResult& r) {
                return r.step == FileStep::Copy && r.done;
            });
            Say(owed   ? "First run on this drive: the originals could not all be kept; see below."
                : kept ? "First run on this drive: the logos installed now are kept as your originals."
                       : "First run on this drive: no logo is installed, so there are no originals to keep.");
        }
        Report(report.files);
        return Started{std::move(hold), std::move(manager), std::move(report)};
    } catch (const std::exception& e) {
        Fail(command, e.what());
        return std::nullopt;
    }
}

// The exit status of a command that ran: a start-up that failed is no success.
int Conclude(const Command& command, const StartupReport& startup, int status)
{
    if (!startup.failed)
        return status;
    Fail(command, StartupProblem(startup));
    return ExitFailure;
}

// Why a file is not a logo, in a few words; empty for a valid logo.
std::string WhyNotALogo(const fs::path& path)
{
    std::error_code ec;
    if (IsValidLogo(path))
        return {};
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return "no such file";
    if (ec)
        return ec.message();
    if (fs::is_directory(status))
        return "a folder, not a file";
    if (!fs::is_regular_file(status))
        return std::string(status.type() == fs::file_type::fifo ? "a FIFO" : "a special file") +
               ", not a regular file";
    if (!HasLogoEnding(path.native()))
        return "the name must end in \"sys\" or \"bmp\", in lower case";
    return std::to_string(fs::file_size(path, ec)) + " bytes; a logo has more than 128000 and fewer than 131000";
}

std::string Verdict(const fs::path& path)
{
    const std::string why = WhyNotALogo(path);
    return why.empty() ? std::string(kValidFormat) : std::string(kWrongFormat) + " (" + why + ")";
}

// The verdict of a file on the drive, judged by the name Windows knows it by,
// since a FAT partition may show LOGO.SYS for C:\logo.sys.
std::string Verdict(const DriveEntry& entry, std::string_view name)
{
    if (HasLogoEnding(name) && HasLogoSize(entry.size))
        return std::string(kValidFormat);
    return std::string(kWrongFormat) + " (" +
           (HasLogoEnding(name) ? std::to_string(entry.size) +
                                      " bytes; a logo has more than 128000 and fewer than 131000"
                                : "the name must end in \"sys\" or \"bmp\", in lower case") +
           ")";
}

std::string Size(const DriveEntry& entry) { return std::to_string(entry.size) + " bytes"; }

// What a drive entry is when it is no file: "a folder, not a logo", "a FIFO, not a regular file".
std::string NotAFile(const DriveEntry& entry)
{
    return entry.type == DriveEntry::Type::Folder ? "a folder, not a logo" : entry.typeName + ", not a regular file";
}

// "  startup  C:\logo.sys            129078 bytes  Valid Format"
void Row(std::string_view label, std::string_view name, const std::string& text)
{
    std::string line = "  " + std::string(label);
    line.resize(std::max<std::size_t>(line.size() + 2, 11), ' ');
    if (!name.empty()) {
        line += name;
        line.resize(std::max<std::size_t>(line.size() + 2, 37), ' ');
    }
    Say(line + text);
}

// What a drive path holds; nullopt after noting the reason in unreadable.
std::optional<DriveEntry> Look(const DriveC& drive, std::string_view drivePath, std::string& unreadable)
{
    try {
        return drive.Inspect(drivePath);
    } catch (const std::exception& e) {
        unreadable = e.what();
        return std::nullopt;
    }
}

// Copies that failed for a reason other than a missing source, and copies done.
struct Tally {
    int done = 0;
    int failed = 0;
};

Tally Count(const std::vector<FileResult>& files)
{
    Tally tally;
    for (const FileResult& r : files) {
        if (r.step != FileStep::Copy)
            continue;
        if (r.done)
            ++tally.done;
        else if (!r.sourceMissing)
            ++tally.failed;
    }
    return tally;
}

// --- status -------------------------------------------------------------------

int RunStatus(const Args& args, const GlobalOptions& options);
const Command kStatus{10, "status", "status",
                      "Lists the three installed logos (size and verdict; \"Windows' own\" where none\n"
                      "is installed), whether C:\\MSDOS.SYS lets Windows show the start logo, the\n"
                      "originals and the ten logo sets with the files each holds.",
                      &RunStatus};
const RegisterCommand registerStatus(kStatus);

int RunStatus(const Args& args, const GlobalOptions& options)
{
    if (!args.empty())
        return UsageError(kStatus, "takes no arguments");
    std::optional<Started> started = StartUp(kStatus, options);
    if (!started)
        return ExitFailure;
    const StartupReport& startup = started->report;
    const DriveC& drive = started->manager.Drive();
    int unreadable = 0;

    Say("Drive C: is " + drive.Description() + (drive.IsPracticeDrive() ? " (the practice drive)" : ""));
    Say("Installed logos:");
    for (const LogoSlot& slot : LogoSlots()) {
        std::string why;
        const std::optional<DriveEntry> entry = Look(drive, slot.installPath, why);
        std::string text;
        if (!entry) {
            text = std::string(kNotAvailable) + " (cannot be read: " + why + ")";
            ++unreadable;
        } else if (entry->type == DriveEntry::Type::Missing) {
            // Windows shows the logo built into IO.SYS, or its text screens.
            text = "Windows' own (no " + std::string(slot.installPath) + ")";
        } else if (!startup.available[static_cast<std::size_t>(slot.kind)]) {
            text = std::string(kNotAvailable);
            if (entry->type == DriveEntry::Type::File)
                text += " until now, as it was hidden or system: " + Size(*entry) + ", " +
                        Verdict(*entry, slot.installPath);
        } else {
            text = entry->type == DriveEntry::Type::File ? Size(*entry) + "  " + Verdict(*entry, slot.installPath)
                                                         : NotAFile(*entry);
        }
        Row(slot.name, slot.installPath, text);
    }
    Say("Start logo at boot: " + BootLogoText(ReadBootLogo(drive)));
    // When the store itself cannot be read, that is said once for all it holds.
    std::string storeProblem;
    if (const std::optional<DriveEntry> store = Look(drive, kBackupFolder, storeProblem); !store)
        ++unreadable;
    Say("Originals (kept at the first run on this drive):");
    if (!storeProblem.empty())
        Say("  cannot be read: " + storeProblem);
    for (const LogoSlot& slot : LogoSlots()) {
        if (!storeProblem.empty())
            break;
        const std::string name = BackupPath(slot, kOriginalsBackup);
        std::string why;
        const std::optional<DriveEntry> entry = Look(drive, name, why);
        std::string text;
        if (!entry) {
            text = "cannot be read: " + why;
            ++unreadable;
        } else if (startup.originalOwed[static_cast<std::size_t>(slot.kind)]) {
            text = "not kept yet";
        } else if (entry->type == DriveEntry::Type::Missing) {
            text = "none";
        } else {
            text = entry->type == DriveEntry::Type::File ? Size(*entry) : NotAFile(*entry);
        }
        Row(slot.name, name, text);
    }
    Say("Logo sets:");
    if (!storeProblem.empty())
        Say("  cannot be read: " + storeProblem);
    for (int set = kFirstSet; set <= kLastSet && storeProblem.empty(); ++set) {
        std::string held;
        for (const LogoSlot& slot : LogoSlots()) {
            std::string why;
            const std::optional<DriveEntry> entry = Look(drive, BackupPath(slot, SetBackupNumber(set)), why);
            std::string part;
            if (!entry) {
                part = BackupFileName(slot, SetBackupNumber(set)) + " cannot be read: " + why;
                ++unreadable;
            } else if (entry->type == DriveEntry::Type::File) {
                part = BackupFileName(slot, SetBackupNumber(set));
            }
            if (!part.empty())
                held += (held.empty() ? "" : ", ") + part;
        }
        Row("set " + std::to_string(set), {}, held.empty() ? "empty" : held);
    }
    if (unreadable > 0) {
        Fail(kStatus, std::to_string(unreadable) + (unreadable == 1 ? " file" : " files") +
                          " could not be read; the list above is not complete");
        Conclude(kStatus, startup, ExitFailure);
        return ExitFailure;
    }
    return Conclude(kStatus, startup, ExitOk);
}

// --- check --------------------------------------------------------------------

int RunCheck(const Args& args, const GlobalOptions& options);
const Command kCheck{11, "check", "check FILE...",
                     "Prints the verdict of each file: \"Valid Format\" when its name ends in\n"
                     "\"sys\" or \"bmp\" and it has more than 128000 and fewer than 131000 bytes,\n"
                     "else \"Wrong Format\". The status is 1 when any file is not a valid logo.",
                     &RunCheck};
const RegisterCommand registerCheck(kCheck);

int RunCheck(const Args& arguments, const GlobalOptions& /*options*/)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kCheck, parsed.problem);
    const Args& args = parsed.operands;
    if (args.empty())
        return UsageError(kCheck, "no file named");
    // Judging a file needs nothing of drive C:, so a read-only command never
    // makes the practice drive or keeps originals as a first run would.
    int wrong = 0;
    for (const std::string& arg : args) {
        const fs::path path(arg);
        const std::string verdict = Verdict(path);
        if (verdict != kValidFormat)
            ++wrong;
        Say(path.string() + ": " + verdict);
    }
    if (wrong == 0)
        return ExitOk;
    return Fail(kCheck, std::to_string(wrong) + " of " + std::to_string(args.size()) +
                            (args.size() == 1 ? " file is" : " files are") + " not a valid logo");
}

// --- install ------------------------------------------------------------------

int RunInstall(const Args& args, const GlobalOptions& options);
const Command kInstall{12, "install", "install startup|wait|safe FILE",
                       "Installs FILE as the startup logo (C:\\logo.sys), the wait logo\n"
                       "(C:\\Windows\\logow.sys) or the safe logo (C:\\Windows\\logos.sys).\n"
                       "FILE must pass the test of 'check'; the installed logo's attributes are\n"
                       "cleared first, and a failed copy leaves it as it was.",
                       &RunInstall};
const RegisterCommand registerInstall(kInstall);

int Install(LogoManager& manager, const StartupReport& startup, const LogoSlot& slot, const fs::path& file)
{
    const InstallReport report = manager.InstallLogo(slot.kind, file);
    Report(report.files, startup.files);
    const std::string notInstalled = "the " + std::string(slot.name) + " logo was not installed: ";
    switch (report.outcome) {
    case InstallOutcome::Installed:
        Say("Installed " + file.string() + " as the " + std::string(slot.name) + " logo.");
        return ExitOk;
    case InstallOutcome::FileMissing:
    case InstallOutcome::WrongFormat: {
        const std::string why = WhyNotALogo(file);
        if (why.ends_with("no such file") || why.ends_with("not a file") || why.ends_with("not a regular file"))
            return Fail(kInstall, file.string() + ": " + why);
        return Fail(kInstall, file.string() + " is not a valid Logo format (" + why +
                                  "); convert it first with the Logo Creator or 'quillmere convert'");
    }
    case InstallOutcome::OriginalOwed:
    case InstallOutcome::CopyFailed:
        return Fail(kInstall, notInstalled + report.reason);
    case InstallOutcome::NoFileSelected:
        break;
    }
    return Fail(kInstall, std::string(kNoFileSelectedText));
}

int RunInstall(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kInstall, parsed.problem);
    const Args& args = parsed.operands;
    if (args.size() != 2)
        return UsageError(kInstall);
    const LogoSlot* slot = FindSlot(args[0]);
    if (!slot)
        return UsageError(kInstall, "unknown logo kind '" + args[0] + "'");
    if (args[1].empty())
        return UsageError(kInstall, "no file named");
    std::optional<Started> started = StartUp(kInstall, options);
    if (!started)
        return ExitFailure;
    const fs::path file(args[1]);
    return Conclude(kInstall, started->report, Install(started->manager, started->report, *slot, file));
}

// --- remove -------------------------------------------------------------------

int RunRemove(const Args& args, const GlobalOptions& options);
const Command kRemove{15, "remove", "remove startup|wait|safe",
                      "Removes the installed logo, so Windows shows its own again: the start logo\n"
                      "built into IO.SYS, or the text screens for wait and safe. The logo is kept\n"
                      "first: as the original when none is kept, else in C:\\VH Backups\\Removed\n"
                      "logo.sys (logow.sys, logos.sys), which the next removal replaces.",
                      &RunRemove};
const RegisterCommand registerRemove(kRemove);

int RunRemove(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kRemove, parsed.problem);
    const Args& args = parsed.operands;
    if (args.size() != 1)
        return UsageError(kRemove);
    const LogoSlot* slot = FindSlot(args[0]);
    if (!slot)
        return UsageError(kRemove, "unknown logo kind '" + args[0] + "'");
    std::optional<Started> started = StartUp(kRemove, options);
    if (!started)
        return ExitFailure;
    const RemoveReport report = started->manager.RemoveLogo(slot->kind);
    Report(report.files, started->report.files);
    int status = ExitOk;
    switch (report.outcome) {
    case RemoveOutcome::Removed:
        Say("Removed the " + std::string(slot->name) + " logo; it is kept as " + report.keptAs + ".");
        break;
    case RemoveOutcome::NothingInstalled:
        Say(AsSentence(report.reason));
        break;
    case RemoveOutcome::OriginalOwed:
    case RemoveOutcome::Failed:
        status = Fail(kRemove, report.reason);
        break;
    }
    return Conclude(kRemove, started->report, status);
}

// --- sets and restore-originals -----------------------------------------------

struct Outcomes {
    std::string nothingThere; // no file to copy
    std::string failed;       // copies failed, none done
    std::string partial;      // copies failed, some done
    std::string done;
};

// Success when something was copied and nothing failed but for files the
// backup (or the installed logos) did not hold.
int Finish(const Command& command, const StartupReport& startup, const std::vector<FileResult>& files,
           const Outcomes& say)
{
    Report(files, startup.files);
    const Tally tally = Count(files);
    if (tally.failed > 0)
        return Fail(command, tally.done > 0 ? say.partial : say.failed);
    if (tally.done == 0)
        return Fail(command, say.nothingThere);
    Say(say.done);
    return ExitOk;
}

int RunSets(const Args& args, const GlobalOptions& options);

// A set number as a person types it: 1 to 10 in plain digits, nothing else
// (no sign, no spaces, no leading zero).
std::optional<int> SetNumber(const std::string& text)
{
    if (text.empty() || text.size() > 2 || text[0] == '0' ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int set = std::stoi(text);
    if (set < kFirstSet || set > kLastSet)
        return std::nullopt;
    return set;
}
const Command kSets{13, "sets", "sets save|install N | export N FILE.zip | import [--prefix P] N FILE.zip",
                    "save: saves the three installed logos as logo set N (1 to 10), replacing\n"
                    "what the set held; a logo that is not installed leaves the set's older\n"
                    "file of that kind. install: installs the logos of set N; a kind the set\n"
                    "lacks keeps its installed logo. export: writes set N to FILE.zip as\n"
                    "logo.sys, logow.sys and logos.sys with a manifest. import: takes set N\n"
                    "from such a zip or an older logo pack (entries ending in logo.sys,\n"
                    "logow.sys, logos.sys, or .bmp logos), all its files or none; --prefix P\n"
                    "picks one group where a pack holds several.",
                    &RunSets};
const RegisterCommand registerSets(kSets);

// sets export N FILE.zip, sets import [--prefix P] N FILE.zip.
int RunSetsZip(const Args& arguments, const GlobalOptions& options)
{
    const bool exporting = arguments[0] == "export";
    const ParsedArgs parsed =
        ParseArgs(Args(arguments.begin() + 1, arguments.end()),
                  exporting ? std::vector<std::string_view>{} : std::vector<std::string_view>{"prefix"});
    if (!parsed.problem.empty())
        return UsageError(kSets, parsed.problem);
    const Args& args = parsed.operands;
    if (args.size() != 2)
        return UsageError(kSets);
    const std::optional<int> number = SetNumber(args[0]);
    if (!number)
        return UsageError(kSets, "the set number must be 1 to 10, not '" + args[0] + "'");
    if (args[1].empty())
        return UsageError(kSets, "no zip file named");
    std::optional<std::string> prefix;
    for (const auto& [name, value] : parsed.options)
        prefix = value;
    std::optional<Started> started = StartUp(kSets, options);
    if (!started)
        return ExitFailure;
    const int set = *number;
    const fs::path file(args[1]);
    const std::string name = "set " + std::to_string(set);
    try {
        if (exporting) {
            ExportSet(started->manager, set, file);
            Say("Exported " + name + " to " + file.string() + ".");
        } else {
            const PackedSet pack = ImportSet(started->manager, set, file, prefix);
            for (const LogoSlot& slot : LogoSlots()) {
                const std::size_t k = static_cast<std::size_t>(slot.kind);
                if (pack.logos[k])
                    Say("took " + pack.entries[k] + " as " + BackupPath(slot, SetBackupNumber(set)));
            }
            Say("Imported " + name + " from " + file.string() + ".");
        }
    } catch (const PackChoiceError& e) {
        Fail(kSets, name + " was not changed: " + e.what() + "; --prefix picks one");
        return Conclude(kSets, started->report, ExitFailure);
    } catch (const std::exception& e) {
        Fail(kSets, name + (exporting ? " was not exported: " : " was not changed: ") + e.what());
        return Conclude(kSets, started->report, ExitFailure);
    }
    return Conclude(kSets, started->report, ExitOk);
}

int RunSets(const Args& arguments, const GlobalOptions& options)
{
    if (!arguments.empty() && (arguments[0] == "export" || arguments[0] == "import"))
        return RunSetsZip(arguments, options);
    // sets takes no options and no file names: "-1" is a set number out of range.
    if (arguments.size() == 2 && arguments[1].starts_with('-') && arguments[1] != "--")
        return UsageError(kSets, "the set number must be 1 to 10, not '" + arguments[1] + "'");
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kSets, parsed.problem);
    const Args& args = parsed.operands;
    if (args.size() != 2)
        return UsageError(kSets);
    const bool save = args[0] == "save";
    if (!save && args[0] != "install")
        return UsageError(kSets, "unknown action '" + args[0] + "'");
    const std::optional<int> number = SetNumber(args[1]);
    if (!number)
        return UsageError(kSets, "the set number must be 1 to 10, not '" + args[1] + "'");
    const int set = *number;
    std::optional<Started> started = StartUp(kSets, options);
    if (!started)
        return ExitFailure;

    const std::string name = "set " + std::to_string(set);
    if (save)
        return Conclude(kSets, started->report,
                        Finish(kSets, started->report, started->manager.SaveSet(set),
                               {"no logo is installed, so " + name + " was not saved", name + " was not saved",
                                name + " was saved only in part", "Saved the installed logos as " + name + "."}));
    return Conclude(kSets, started->report,
                    Finish(kSets, started->report, started->manager.InstallSet(set),
                           {name + " was never saved; nothing was installed", name + " was not installed",
                            name + " was installed only in part", "Installed " + name + "."}));
}

int RunRestore(const Args& args, const GlobalOptions& options);
const Command kRestore{14, "restore-originals", "restore-originals",
                       "Installs again the logos found at the first run on this drive.", &RunRestore};
const RegisterCommand registerRestore(kRestore);

int RunRestore(const Args& args, const GlobalOptions& options)
{
    if (!args.empty())
        return UsageError(kRestore, "takes no arguments");
    std::optional<Started> started = StartUp(kRestore, options);
    if (!started)
        return ExitFailure;
    return Conclude(kRestore, started->report,
                    Finish(kRestore, started->report, started->manager.RestoreOriginals(),
                           {"no originals were kept on this drive; nothing was restored",
                            "the originals were not restored", "the originals were restored only in part",
                            "Restored the originals."}));
}

// --- boot-logo ----------------------------------------------------------------

int RunBootLogo(const Args& args, const GlobalOptions& options);
const Command kBootLogo{16, "boot-logo", "boot-logo on|off",
                        "Sets Logo=1 (on) or Logo=0 (off) in the [Options] of C:\\MSDOS.SYS, which\n"
                        "decide whether Windows shows the start logo; every other byte and the\n"
                        "file's attributes stay as they were. The first change keeps the original\n"
                        "as C:\\VH Backups\\Msdos.C1K.",
                        &RunBootLogo};
const RegisterCommand registerBootLogo(kBootLogo);

int RunBootLogo(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kBootLogo, parsed.problem);
    const Args& args = parsed.operands;
    if (args.size() != 1)
        return UsageError(kBootLogo);
    if (args[0] != "on" && args[0] != "off")
        return UsageError(kBootLogo, "say on or off, not '" + args[0] + "'");
    const bool on = args[0] == "on";
    std::optional<Started> started = StartUp(kBootLogo, options);
    if (!started)
        return ExitFailure;
    BootLogoChange change;
    try {
        change = SetBootLogo(started->manager.Drive(), on);
    } catch (const std::exception& e) {
        return Conclude(kBootLogo, started->report, Fail(kBootLogo, e.what()));
    }
    if (change.keptOriginal)
        Say("Kept the original C:\\MSDOS.SYS as " + std::string(kMsdosSysOriginal) + ".");
    if (change.changed)
        Say(std::string("Set Logo=") + (on ? "1" : "0") + " in C:\\MSDOS.SYS.");
    else
        Say(std::string("C:\\MSDOS.SYS has ") + (on ? "no Logo=0" : "Logo=0") + " already; nothing was changed.");
    Say("Start logo at boot: " + BootLogoText(change.now));
    if (!change.attributesProblem.empty())
        return Conclude(kBootLogo, started->report,
                        Fail(kBootLogo, "C:\\MSDOS.SYS was changed, but its attributes could not be put back: " +
                                            change.attributesProblem));
    return Conclude(kBootLogo, started->report, ExitOk);
}

} // namespace
} // namespace quillmere::app
