// C:\MSDOS.SYS of Windows 95, 98 and ME: a text file of INI sections whose
// [Options] decide whether the start logo is shown (BootGUI=1 and no Logo=0).
// What it says of the logo, and the same file with the Logo= switch set, every
// other byte kept: line ends, letter case, comments, the padding that keeps it
// above 1024 bytes. MS-DOS's own MSDOS.SYS is a binary system file with no
// options at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// Larger than any MSDOS.SYS Windows writes; a file past it is not read as one.
inline constexpr std::size_t kMaxMsdosSysBytes = 64 * 1024;

enum class BootLogo {
    Shown,     // BootGUI is not 0 and Logo is not 0
    Hidden,    // Logo=0
    NoGui,     // BootGUI=0: Windows starts at the command prompt, with no logo
    NoOptions, // the file holds no text options (MS-DOS's binary MSDOS.SYS)
};

// Why bytes cannot be edited as Windows' MSDOS.SYS, to follow its name ("is
// larger than 64 KB, ..."): too large, or binary (NUL or other control bytes
// than tab, line ends and the end-of-file mark); none when they can.
std::optional<std::string> WhyNotTextMsdosSys(std::string_view bytes);
// The same for the size alone.
std::optional<std::string> WhyNotMsdosSysSize(std::uintmax_t size);

// What the [Options] of text (which passed WhyNotTextMsdosSys) say of the
// start logo; the last of repeated keys counts, as Windows reads them.
BootLogo BootLogoOf(std::string_view text);

// Whether text has no Logo=0 in [Options], whatever BootGUI says.
bool LogoSwitchOn(std::string_view text);

// text with Logo=1 (on) or Logo=0 in [Options]: the value of each Logo= line
// there changed, else a Logo= line added at the section's start, else the
// section added at the end; new lines end as the file's lines do (CRLF unless
// it has none). Nothing else changes.
std::string WithBootLogo(std::string_view text, bool on);

} // namespace quillmere
