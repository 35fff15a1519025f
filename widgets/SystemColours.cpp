#include "SystemColours.h"

#include "InvalidPropertyValue.h"

#include <array>

namespace quillmere {

namespace {

using G = QPalette::ColorGroup;
using R = QPalette::ColorRole;

struct Row {
    std::uint32_t index;
    PaletteEntry entry;
};

// The one table from classic system colour indexes to Qt palette roles. Window
// (5) is the background of text fields, which Qt calls Base; the application
// workspace (12) is the Dark role, which is what QMdiArea paints behind its
// windows; grey text (17) is text of the disabled group.
constexpr std::array<Row, 19> kTable{{
    {4, {G::Active, R::Window}},           // menu
    {5, {G::Active, R::Base}},             // window
    {7, {G::Active, R::WindowText}},       // menu text
    {8, {G::Active, R::Text}},             // window text
    {12, {G::Active, R::Dark}},            // application workspace
    {13, {G::Active, R::Highlight}},       // highlight
    {14, {G::Active, R::HighlightedText}}, // highlighted text
    {15, {G::Active, R::Button}},          // button face
    {16, {G::Active, R::Dark}},            // button shadow
    {17, {G::Disabled, R::Text}},          // grey text
    {18, {G::Active, R::ButtonText}},      // button text
    {20, {G::Active, R::Light}},           // button highlight
    {21, {G::Active, R::Shadow}},          // 3-D dark shadow
    {22, {G::Active, R::Midlight}},        // 3-D light
    {23, {G::Active, R::ToolTipText}},     // tooltip text
    {24, {G::Active, R::ToolTipBase}},     // tooltip background
    {26, {G::Active, R::Link}},            // hot-tracked item
    {29, {G::Active, R::Highlight}},       // menu highlight
    {30, {G::Active, R::Window}},          // menu bar
}};

} // namespace

std::optional<PaletteEntry> SystemColourEntry(std::uint32_t index) noexcept
{
    for (const Row& r : kTable)
        if (r.index == index)
            return r.entry;
    return std::nullopt;
}

bool IsDrawableColour(std::uint32_t colour) noexcept
{
    if (colour & SystemColourFlag)
        return SystemColourEntry(colour & ~SystemColourFlag).has_value();
    return colour <= 0x00FFFFFFu;
}

QColor TranslateColour(std::uint32_t colour, const QPalette& palette)
{
    if (!IsDrawableColour(colour))
        throw InvalidPropertyValueError();
    if (colour & SystemColourFlag) {
        const PaletteEntry e = *SystemColourEntry(colour & ~SystemColourFlag);
        return palette.color(e.group, e.role);
    }
    return ColourFromNumber(colour);
}

QColor ColourFromNumber(std::uint32_t bgr) noexcept
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t NumberFromColour(const QColor& colour) noexcept
{
    const QRgb c = colour.rgb();
    return static_cast<std::uint32_t>(qRed(c)) | static_cast<std::uint32_t>(qGreen(c)) << 8 |
           static_cast<std::uint32_t>(qBlue(c)) << 16;
}

} // namespace quillmere
