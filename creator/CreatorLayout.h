// Where the Logo Creator's controls go for a client area: the canvas fills
// what the browsing lists on the left leave, the buttons sit under it at the
// right, the progress bar and the strip along the bottom edge.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillmere {

struct LayoutBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const LayoutBox&, const LayoutBox&) = default;
};

enum class CreatorControlKind { Label, DriveList, FolderList, FileList, Canvas, Button, ProgressBar, InfoStrip };

// The window's controls: name, kind, caption, initial rectangle (left, top,
// width, height in logical pixels), enabled, tooltip, place in the tab order
// (0: not in it). The layout replaces the rectangles as soon as the window
// is shown.
struct CreatorControl {
    const char* name;
    CreatorControlKind kind;
    const char* caption;
    LayoutBox rect;
    bool enabled;
    const char* tooltip;
    int tab;
};
inline constexpr CreatorControl kCreatorControls[] = {
    {"Label2", CreatorControlKind::Label, "Select Directory", {8, 15, 153, 13}, true, "", 0},
    {"Drive1", CreatorControlKind::DriveList, "", {8, 32, 153, 21}, true, "", 1},
    {"Dir1", CreatorControlKind::FolderList, "", {8, 56, 153, 156}, true, "", 2},
    {"Label1", CreatorControlKind::Label, "Select a File", {8, 216, 153, 13}, true, "", 0},
    {"File1", CreatorControlKind::FileList, "", {8, 232, 153, 201}, true, "", 6},
    {"lblActual", CreatorControlKind::Label, "Preview Shown Actual Size", {416, 15, 129, 13}, true, "", 0},
    {"Canvas", CreatorControlKind::Canvas, "", {176, 32, 373, 359}, true, "", 0},
    {"cmdCreate", CreatorControlKind::Button, "&Create Logo", {160, 504, 113, 25}, false, "", 5},
    {"cmdSave", CreatorControlKind::Button, "&Save Logo", {296, 504, 113, 25}, false, "", 3},
    {"cmdClose", CreatorControlKind::Button, "Cl&ose", {432, 504, 113, 25}, true, "", 4},
    {"Progress", CreatorControlKind::ProgressBar, "", {0, 535, 102, 18}, true, "", 0},
    {"Info", CreatorControlKind::InfoStrip, "", {115, 533, 423, 20}, true, "", 0},
};
inline constexpr std::int32_t kCreatorClientWidth = 556;
inline constexpr std::int32_t kCreatorClientHeight = 554;

// The control of that name; every name asked for is in the table.
const CreatorControl& CreatorControlNamed(std::string_view name) noexcept;

// The controls the layout moves, as they stand.
struct CreatorRects {
    LayoutBox Drive1, Dir1, File1, Canvas, cmdCreate, cmdSave, cmdClose, Progress, Info;
    double lblActualLeft = 0; // a third of the canvas width short of its right end: not whole pixels
};

// Lays rects out for a client area of clientWidth x clientHeight. A control
// whose new width or height would be negative (a client area too small) keeps
// its place, and the later steps work from where it is.
void LayoutCreator(std::int32_t clientWidth, std::int32_t clientHeight, CreatorRects& rects) noexcept;

// box grown to at least width x height about its centre, so a caption too
// long for its control keeps the control's middle where the layout put it
// (an odd pixel of growth goes to the right or bottom). A box large enough
// stays as it is.
LayoutBox WidenAboutCentre(const LayoutBox& box, std::int32_t width, std::int32_t height) noexcept;

// The top-left corner that centres a window of the given size on a screen:
// (screen - window) / 2, not rounded.
struct CentredPosition {
    double left;
    double top;
};
CentredPosition CentreForm(double screenWidth, double screenHeight, double windowWidth, double windowHeight) noexcept;

} // namespace quillmere
