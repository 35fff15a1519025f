// Colour numbers as the controls take them: 0x00BBGGRR for a real colour, or
// 0x80000000 plus an index for a system colour, which is looked up in the Qt
// palette of the widget that draws it.
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>
#include <optional>

namespace quillmere {

constexpr std::uint32_t SystemColourFlag = 0x80000000u;

// The classic system colour indexes the controls use.
enum SystemColourIndex : std::int32_t {
    ColourWindow = 5,
    ColourWindowText = 8,
    ColourAppWorkspace = 12,
    ColourHighlight = 13,
    ColourButtonFace = 15,
    ColourButtonShadow = 16,
    ColourButtonText = 18,
    ColourButtonHighlight = 20,
    ColourDarkShadow = 21,
    ColourLight = 22,
};

constexpr std::uint32_t SystemColour(std::int32_t index) noexcept
{
    return SystemColourFlag | static_cast<std::uint32_t>(index);
}

// Where a system colour index is found in a Qt palette; nothing for the indexes
// Qt has no role for (captions, borders, the desktop).
struct PaletteEntry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
std::optional<PaletteEntry> SystemColourEntry(std::uint32_t index) noexcept;

// True for a real colour (0x00BBGGRR) and for a system colour that has a role.
bool IsDrawableColour(std::uint32_t colour) noexcept;

// The real colour a colour number stands for. Throws InvalidPropertyValueError
// for a number IsDrawableColour refuses.
QColor TranslateColour(std::uint32_t colour, const QPalette& palette);

// 0x00BBGGRR and back.
QColor ColourFromNumber(std::uint32_t bgr) noexcept;
std::uint32_t NumberFromColour(const QColor& colour) noexcept;

} // namespace quillmere
