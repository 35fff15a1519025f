// The Logo Manager window as data: every control with its name, kind, parent,
// caption, rectangle (twips, from its parent's top left corner), tooltip and
// place in the tab order. The window builds itself from this one table; the
// tests check it against the window. No Qt here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

enum class ControlKind {
    Band,      // the white header label
    Picture,   // a picture box
    Line,      // a separator line, 1 pixel high
    Panel,     // the side panel
    Frame,     // a page
    Label,
    Link,      // a label that acts on a click
    Button,
    Text,      // the internal path field of a logo page
    DriveList, // the three lists of a page's file browser
    DirList,
    FileList,
    CheckBox,
};

struct TwipRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct ControlSpec {
    std::string name;
    ControlKind kind;
    std::string parent; // empty: the window itself
    std::string caption;
    TwipRect twips;
    std::string tooltip;
    bool focusable = false; // in the tab order, in the order of the table
};

// 15 twips to a pixel; a fraction of a pixel rounds to the nearest (no half can
// arise, 15 being odd).
constexpr std::int32_t TwipsToPixels(std::int32_t twips) noexcept
{
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}

inline constexpr std::int32_t kClientWidthTwips = 9660;
inline constexpr std::int32_t kClientHeightTwips = 5340;

// The pages in the order of their side buttons' table; the logo pages first.
enum class ManagerPage { Startup, Wait, Safe, Sets, Sets2, Originals };

// The frame of each page, in ManagerPage order.
inline constexpr std::array<std::string_view, 6> kPageFrames{"FraStart", "FraWait", "FraSafe",
                                                             "FraSets",  "FraSet2", "FraOrig"};

// The control names of one logo page, Startup, Wait and Safe in that order.
struct LogoPageNames {
    std::string_view frame, drive, dir, file, text, preview, prompt, verdict, mark, current, currentLabel, install,
        convert;
};
const std::array<LogoPageNames, 3>& LogoPageControls() noexcept;

// The Startup Logo page's check box of Logo= in C:\MSDOS.SYS.
inline constexpr std::string_view kBootLogoBox = "chkBootLogo";

// The buttons and thumbnail of logo set s (1 to 10) at index s - 1.
struct SetControlNames {
    std::string_view save, install, thumbnail;
};
const std::array<SetControlNames, 10>& SetControls() noexcept;

// The three originals' pictures, Startup, Wait and Safe.
inline constexpr std::array<std::string_view, 3> kOriginalPictures{"Image1c", "Image2c", "Image3c"};

// The whole table: parents come before their children.
const std::vector<ControlSpec>& ManagerControls();

// The entry named name; nullptr when there is none.
const ControlSpec* FindControl(std::string_view name);

} // namespace quillmere
