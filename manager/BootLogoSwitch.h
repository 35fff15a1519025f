// The start logo's switch on drive C:: what C:\MSDOS.SYS says of the start
// logo, and Logo= set in it with every other byte, its attributes and its
// original kept.
#pragma once

#include "drive/DriveC.h"
#include "MsdosSys.h"

#include <string>
#include <string_view>

namespace quillmere {

inline constexpr std::string_view kMsdosSysPath = "C:\\MSDOS.SYS";
// Where the first change keeps the MSDOS.SYS it found; never replaced afterwards.
inline constexpr std::string_view kMsdosSysOriginal = "C:\\VH Backups\\Msdos.C1K";

struct BootLogoReading {
    enum class State {
        Shown,      // BootGUI is not 0 and there is no Logo=0
        Hidden,     // Logo=0
        NoGui,      // BootGUI=0: Windows starts at the command prompt
        NoOptions,  // a text file with no [Options]: Windows' defaults hold
        Missing,    // there is no C:\MSDOS.SYS
        NotOptions, // C:\MSDOS.SYS is no text file of options (MS-DOS's binary one, a folder)
        Unreadable, // it could not be read
    };
    State state = State::Missing;
    // A text file whose Logo= can be set, and whether it is on now (no Logo=0).
    bool switchable = false;
    bool logoOn = false;
    // NotOptions, Unreadable: why, to follow "C:\MSDOS.SYS ".
    std::string reason{};
};

// What C:\MSDOS.SYS says now. Never throws.
BootLogoReading ReadBootLogo(const DriveC& drive) noexcept;

// The reading in a few words, as status prints it after "Start logo at boot: ".
std::string BootLogoText(const BootLogoReading& reading);

struct BootLogoChange {
    bool changed = false;      // false: Logo= was already as asked, and nothing was written
    bool keptOriginal = false; // this change kept the original as kMsdosSysOriginal
    // Not empty when the file was changed but its attributes could not be put back.
    std::string attributesProblem{};
    BootLogoReading now{};
};

// Sets Logo=1 (on) or Logo=0 in C:\MSDOS.SYS while drive C: is held: keeps the
// original first (making C:\VH Backups when missing), clears the attributes,
// replaces the file durably and puts its attributes back. A missing or binary
// MSDOS.SYS, one larger than kMaxMsdosSysBytes, one that is a link leaving the
// drive or a folder is refused unchanged: throws FileError (DriveError) with
// the reason.
BootLogoChange SetBootLogo(const DriveC& drive, bool on);

} // namespace quillmere
