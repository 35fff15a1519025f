#include "BootLogoSwitch.h"

#include "LogoSlot.h"

#include <cerrno>
#include <cstdint>
#include <optional>

namespace quillmere {

namespace {

const std::string kPath(kMsdosSysPath);

std::error_code Code(int error) { return std::make_error_code(static_cast<std::errc>(error)); }

// The file's text, or the reason it has no options to read (reading.state and
// reason set); entry, when given, gets what the drive says of the file.
std::optional<std::string> ReadText(const DriveC& drive, BootLogoReading& reading, DriveEntry* entryOut = nullptr)
{
    try {
        const DriveEntry entry = drive.Inspect(kMsdosSysPath);
        if (entryOut)
            *entryOut = entry;
        if (entry.type == DriveEntry::Type::Missing) {
            reading.state = BootLogoReading::State::Missing;
            return std::nullopt;
        }
        if (entry.type != DriveEntry::Type::File) {
            reading.state = BootLogoReading::State::NotOptions;
            reading.reason = entry.type == DriveEntry::Type::Folder ? "is a folder" : "is " + entry.typeName;
            return std::nullopt;
        }
        if (std::optional<std::string> why = WhyNotMsdosSysSize(entry.size)) {
            reading.state = BootLogoReading::State::NotOptions;
            reading.reason = std::move(*why);
            return std::nullopt;
        }
        std::string text = drive.ReadFile(kMsdosSysPath, kMaxMsdosSysBytes);
        if (std::optional<std::string> why = WhyNotTextMsdosSys(text)) {
            reading.state = BootLogoReading::State::NotOptions;
            reading.reason = std::move(*why);
            return std::nullopt;
        }
        return text;
    } catch (const FileError& e) {
        reading.state = BootLogoReading::State::Unreadable;
        reading.reason = e.file() == kPath ? e.reason() : e.what();
    } catch (const std::exception& e) {
        reading.state = BootLogoReading::State::Unreadable;
        reading.reason = e.what();
    }
    return std::nullopt;
}

BootLogoReading ReadingOf(std::string_view text)
{
    BootLogoReading reading;
    reading.switchable = true;
    reading.logoOn = LogoSwitchOn(text);
    switch (BootLogoOf(text)) {
    case BootLogo::Shown:
        reading.state = BootLogoReading::State::Shown;
        break;
    case BootLogo::Hidden:
        reading.state = BootLogoReading::State::Hidden;
        break;
    case BootLogo::NoGui:
        reading.state = BootLogoReading::State::NoGui;
        break;
    case BootLogo::NoOptions:
        reading.state = BootLogoReading::State::NoOptions;
        break;
    }
    return reading;
}

// Keeps the MSDOS.SYS found as kMsdosSysOriginal, once; true when this call kept it.
bool KeepOriginal(const DriveC& drive)
{
    const DriveEntry kept = drive.Inspect(kMsdosSysOriginal);
    if (kept.type == DriveEntry::Type::File)
        return false;
    if (kept.type != DriveEntry::Type::Missing)
        throw DriveError(std::string(kMsdosSysOriginal),
                         "is no file, so the original C:\\MSDOS.SYS cannot be kept there", DriveErrc::NotRegularFile);
    if (drive.Inspect(kBackupFolder).type == DriveEntry::Type::Missing)
        drive.MakeFolder(kBackupFolder);
    drive.CopyFile(kMsdosSysPath, kMsdosSysOriginal);
    return true;
}

} // namespace

BootLogoReading ReadBootLogo(const DriveC& drive) noexcept
{
    try {
        BootLogoReading reading;
        const std::optional<std::string> text = ReadText(drive, reading);
        return text ? ReadingOf(*text) : reading;
    } catch (const std::exception& e) {
        return {.state = BootLogoReading::State::Unreadable, .reason = e.what()};
    }
}

std::string BootLogoText(const BootLogoReading& reading)
{
    using State = BootLogoReading::State;
    switch (reading.state) {
    case State::Shown:
        return "shown";
    case State::Hidden:
        return "hidden (Logo=0 in C:\\MSDOS.SYS)";
    case State::NoGui:
        return "not shown (BootGUI=0: Windows starts at the command prompt)";
    case State::NoOptions:
        return "no MSDOS.SYS options (C:\\MSDOS.SYS has no [Options] section)";
    case State::Missing:
        return "no MSDOS.SYS options (there is no C:\\MSDOS.SYS)";
    case State::NotOptions:
        return "no MSDOS.SYS options (C:\\MSDOS.SYS " + reading.reason + ")";
    case State::Unreadable:
        break;
    }
    return "unknown (C:\\MSDOS.SYS cannot be read: " + reading.reason + ")";
}

BootLogoChange SetBootLogo(const DriveC& drive, bool on)
{
    const DriveHold hold = drive.Hold();
    BootLogoReading reading;
    DriveEntry entry;
    const std::optional<std::string> text = ReadText(drive, reading, &entry);
    if (!text) {
        using State = BootLogoReading::State;
        if (reading.state == State::Missing)
            throw DriveError(kPath, "does not exist, so there is no switch to set (Windows 95, 98 and ME always "
                                    "have one; MS-DOS and later Windows do not read it)",
                             Code(ENOENT));
        throw DriveError(kPath, reading.reason + ", so it was not changed",
                         reading.state == State::Unreadable ? Code(EIO) : DriveErrc::NotRegularFile);
    }
    BootLogoChange change;
    change.now = ReadingOf(*text);
    if (change.now.logoOn == on)
        return change;
    const std::string changed = WithBootLogo(*text, on);
    change.keptOriginal = KeepOriginal(drive);
    // Read-only would refuse the replace; the attributes go back afterwards.
    if (const std::error_code ec = drive.ChangeAttributes(kMsdosSysPath, 0))
        throw DriveError(kPath, "its attributes cannot be cleared (" + ec.message() + "), so it was not changed", ec);
    try {
        drive.WriteFile(kMsdosSysPath, {reinterpret_cast<const std::uint8_t*>(changed.data()), changed.size()});
    } catch (...) {
        (void)drive.ChangeAttributes(kMsdosSysPath, entry.attributes);
        throw;
    }
    change.changed = true;
    if (const std::error_code ec = drive.ChangeAttributes(kMsdosSysPath, entry.attributes))
        change.attributesProblem = ec.message();
    change.now = ReadingOf(changed);
    return change;
}

} // namespace quillmere
