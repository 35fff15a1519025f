// The Logo Manager's commands: status, check, install, sets and
// restore-originals. Each first runs the Logo Manager's start-up file steps on
// drive C:, as the window does, then one operation, and prints what happened to
// each file.
#include "Command.h"

#include "manager/DriveC.h"
#include "manager/LogoFormat.h"
#include "manager/LogoManager.h"

#include "imaging/Errors.h"


#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::app {

namespace {

namespace fs = std::filesystem;


// Lines worth telling: every folder made and every copy tried; attribute
// clearing only where there was something to clear.
void Report(const std::vector<FileResult>& files)
{
    for (const FileResult& r : files) {
        if (r.step != FileStep::ClearAttributes || (r.done && !r.detail.empty()))
            Say(Describe(r));
    }
}

// Opens drive C: and runs the start-up file steps; nullopt (after a message)
// when there is no drive C: folder.
std::optional<LogoManager> StartUp(const Command& command, const GlobalOptions& options,
                                   StartupReport* startup = nullptr)
{
    try {
        LogoManager manager(DriveC::Open(options.driveC));
        StartupReport report = manager.StartUp();
        if (report.firstRun) {
            const bool kept = std::any_of(report.files.begin(), report.files.end(), [](const FileResult& r) {
                return r.step == FileStep::Copy && r.done;
            });
            Say(kept ? "First run on this drive: the logos installed now are kept as your originals."
                     : "First run on this drive: no logo is installed, so there are no originals to keep.");
        }
        Report(report.files);
        if (startup)
            *startup = std::move(report);
        return manager;
    } catch (const std::exception& e) {
        Fail(command, e.what());
        return std::nullopt;
    }
}

// Why a file is not a logo, in a few words; empty for a valid logo. The name
// judged is the file's own unless one is given: an installed logo is judged by
// the name Windows knows it by, since a FAT partition may show LOGO.SYS.
std::string WhyNotALogo(const fs::path& path, std::string_view name = {})
{
    std::error_code ec;
    if (name.empty() ? IsValidLogo(path)
                     : HasLogoEnding(name) && fs::is_regular_file(path, ec) && HasLogoSize(fs::file_size(path, ec)))
        return {};
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return "no such file";
    if (ec)
        return ec.message();
    if (!fs::is_regular_file(status))
        return "not a file";
    if (!HasLogoEnding(name.empty() ? std::string_view(path.native()) : name))
        return "the name must end in \"sys\" or \"bmp\", in lower case";
    return std::to_string(fs::file_size(path, ec)) + " bytes; a logo has more than 128000 and fewer than 131000";
}

std::string Verdict(const fs::path& path, std::string_view name = {})
{
    const std::string why = WhyNotALogo(path, name);
    return why.empty() ? std::string(kValidFormat) : std::string(kWrongFormat) + " (" + why + ")";
}

std::string Size(const fs::path& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? "unreadable" : std::to_string(size) + " bytes";
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

bool IsFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The host path of a drive path; empty, which is no file, where the drive path
// leads off the drive.
fs::path HostPath(const DriveC& drive, std::string_view drivePath)
{
    try {
        return drive.Resolve(drivePath);
    } catch (const Error&) {
        return {};
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
                      "Lists the three installed logos (size and verdict, or \"Not Available\"),\n"
                      "the originals and the ten logo sets with the files each holds.",
                      &RunStatus};
const RegisterCommand registerStatus(kStatus);

int RunStatus(const Args& args, const GlobalOptions& options)
{
    if (!args.empty())
        return UsageError(kStatus, "takes no arguments");
    StartupReport startup;
    std::optional<LogoManager> manager = StartUp(kStatus, options, &startup);
    if (!manager)
        return ExitFailure;
    const DriveC& drive = manager->Drive();

    Say("Drive C: is " + drive.Root().string() + (drive.IsPracticeDrive() ? " (the practice drive)" : ""));
    Say("Installed logos:");
    for (const LogoSlot& slot : LogoSlots()) {
        const fs::path path = HostPath(drive, slot.installPath);
        const bool there = IsFile(path);
        std::string text;
        if (!startup.available[static_cast<std::size_t>(slot.kind)]) {
            text = std::string(kNotAvailable);
            if (there)
                text += " until now, as it was hidden or system: " + Size(path) + ", " +
                        Verdict(path, slot.installPath);
        } else {
            text = there ? Size(path) + "  " + Verdict(path, slot.installPath) : "a folder, not a logo";
        }
        Row(slot.name, slot.installPath, text);
    }
    Say("Originals (kept at the first run on this drive):");
    for (const LogoSlot& slot : LogoSlots()) {
        const std::string name = BackupPath(slot, kOriginalsBackup);
        const fs::path path = HostPath(drive, name);
        Row(slot.name, name, IsFile(path) ? Size(path) : "none");
    }
    Say("Logo sets:");
    for (int set = kFirstSet; set <= kLastSet; ++set) {
        std::string held;
        for (const LogoSlot& slot : LogoSlots()) {
            if (IsFile(HostPath(drive, BackupPath(slot, SetBackupNumber(set)))))
                held += (held.empty() ? "" : ", ") + BackupFileName(slot, SetBackupNumber(set));
        }
        Row("set " + std::to_string(set), {}, held.empty() ? "empty" : held);
    }
    return ExitOk;
}

// --- check --------------------------------------------------------------------

int RunCheck(const Args& args, const GlobalOptions& options);
const Command kCheck{11, "check", "check FILE...",
                     "Prints the verdict of each file: \"Valid Format\" when its name ends in\n"
                     "\"sys\" or \"bmp\" and it has more than 128000 and fewer than 131000 bytes,\n"
                     "else \"Wrong Format\". The status is 1 when any file is not a valid logo.",
                     &RunCheck};
const RegisterCommand registerCheck(kCheck);

int RunCheck(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kCheck, parsed.problem);
    const Args& args = parsed.operands;
    if (args.empty())
        return UsageError(kCheck, "no file named");
    if (!StartUp(kCheck, options))
        return ExitFailure;
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
    std::optional<LogoManager> manager = StartUp(kInstall, options);
    if (!manager)
        return ExitFailure;

    const fs::path file(args[1]);
    const InstallReport report = manager->InstallLogo(slot->kind, file);
    Report(report.files);
    switch (report.outcome) {
    case InstallOutcome::Installed:
        Say("Installed " + file.string() + " as the " + std::string(slot->name) + " logo.");
        return ExitOk;
    case InstallOutcome::WrongFormat: {
        const std::string why = WhyNotALogo(file);
        if (why == "no such file" || why == "not a file")
            return Fail(kInstall, file.string() + ": " + why);
        return Fail(kInstall, file.string() + " is not a valid Logo format (" + why +
                                  "); convert it first with the Logo Creator or 'quillmere convert'");
    }
    case InstallOutcome::CopyFailed:
        return Fail(kInstall, "the " + std::string(slot->name) + " logo was not installed: " +
                                  report.files.back().detail);
    case InstallOutcome::NoFileSelected:
        break;
    }
    return Fail(kInstall, std::string(kNoFileSelectedText));
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
int Finish(const Command& command, const std::vector<FileResult>& files, const Outcomes& say)
{
    Report(files);
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
const Command kSets{13, "sets", "sets save|install N",
                    "save: saves the three installed logos as logo set N (1 to 10), replacing\n"
                    "what the set held; a logo that is not installed leaves the set's older\n"
                    "file of that kind. install: installs the logos of set N; a kind the set\n"
                    "lacks keeps its installed logo.",
                    &RunSets};
const RegisterCommand registerSets(kSets);

int RunSets(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kSets, parsed.problem);
    const Args& args = parsed.operands;
    if (args.size() != 2)
        return UsageError(kSets);
    const bool save = args[0] == "save";
    if (!save && args[0] != "install")
        return UsageError(kSets, "unknown action '" + args[0] + "'");
    const std::optional<int> set = SetNumber(args[1]);
    if (!set)
        return UsageError(kSets, "the set number must be 1 to 10, not '" + args[1] + "'");
    std::optional<LogoManager> manager = StartUp(kSets, options);
    if (!manager)
        return ExitFailure;

    const std::string name = "set " + std::to_string(*set);
    if (save)
        return Finish(kSets, manager->SaveSet(*set),
                      {"no logo is installed, so " + name + " was not saved", name + " was not saved",
                       name + " was saved only in part", "Saved the installed logos as " + name + "."});
    return Finish(kSets, manager->InstallSet(*set),
                  {name + " was never saved; nothing was installed", name + " was not installed",
                   name + " was installed only in part", "Installed " + name + "."});
}

int RunRestore(const Args& args, const GlobalOptions& options);
const Command kRestore{14, "restore-originals", "restore-originals",
                       "Installs again the logos found at the first run on this drive.", &RunRestore};
const RegisterCommand registerRestore(kRestore);

int RunRestore(const Args& args, const GlobalOptions& options)
{
    if (!args.empty())
        return UsageError(kRestore, "takes no arguments");
    std::optional<LogoManager> manager = StartUp(kRestore, options);
    if (!manager)
        return ExitFailure;
    return Finish(kRestore, manager->RestoreOriginals(),
                  {"no originals were kept on this drive; nothing was restored", "the originals were not restored",
                   "the originals were restored only in part", "Restored the originals."});
}

} // namespace
} // namespace quillmere::app
