// Animated logos made in the program. At start-up the computer rotates the
// palette entries from the animation byte (biClrImportant) up to 255 one step
// a frame, so every pixel painted with them moves. A conversion can draw a
// band of such entries along the bottom of the logo, keep the animated part of
// a logo it converts, and choose the colour of entry 0, which the screen shows
// around the logo.
#pragma once

#include "imaging/Errors.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace quillmere {

class cDIB;
struct DecodedPicture;

// Automatic keeps the animation of an animated logo (when it is stretched,
// which leaves its pixels where they are) and makes every other picture still.
enum class LogoAnimationChoice { Automatic, None, Band, Keep };

// "none", "band", "keep" (the command line's names); no value for another.
std::optional<LogoAnimationChoice> LogoAnimationNamed(std::string_view name);
const char* NameOf(LogoAnimationChoice choice);

// A moving band along the bottom of the logo: height rows (1 to 100), full
// width, painted with the last entries (2 to 64) laid out as a ramp along
// each row; the ramp's colours run through colours (2 to 8, 0xRRGGBB) as a
// smooth cycle that returns to its start. With no colours given, the cycle
// runs from the picture's darkest palette colour to its brightest and back.
struct BandOptions {
    std::int32_t height = 16;
    std::int32_t entries = 20;
    std::vector<std::uint32_t> colours;
};
inline constexpr std::int32_t kMaxBandHeight = 100;
inline constexpr std::int32_t kMinAnimatedEntries = 2;
inline constexpr std::int32_t kMaxAnimatedEntries = 64;
inline constexpr std::size_t kMinBandColours = 2;
inline constexpr std::size_t kMaxBandColours = 8;

// Entry 0: as the palette gives it, the average of the picture's outermost
// pixels, or a colour given.
enum class BorderChoice { Palette, Edge, Colour };

// What an animated 8-bit 320 x 400 logo brings to its conversion: its
// animation byte (1 to 255), its indices (rows top-down) and its 256 colours
// (0x00RRGGBB).
struct AnimatedPart {
    std::int32_t first = 0;
    std::vector<std::uint8_t> indices;
    std::array<std::uint32_t, 256> colours{};
};

// The animated part of picture, or null when it is not an 8-bit 320 x 400
// bitmap whose animation byte is 1 to 255.
std::shared_ptr<const AnimatedPart> AnimatedPartOf(const DecodedPicture& picture);

// A choice of options that cannot go together for this picture: a usage
// problem rather than a failure of the conversion.
class OptionConflict : public Error {
public:
    using Error::Error;
};

// entries colours running once round the closed cycle through keys (at least
// two, 0xRRGGBB): entry j lies j * keys / entries of the way round, blended
// between the two keys about it, each component rounded halves to even.
std::vector<std::uint32_t> BandRamp(const std::vector<std::uint32_t>& keys, std::int32_t entries);

// The index of column x (0 to width - 1) of a band of entries from first up:
// the ramp spread evenly along the row.
inline std::uint8_t BandIndex(std::int32_t first, std::int32_t entries, std::int32_t x, std::int32_t width)
{
    return static_cast<std::uint8_t>(first + x * entries / width);
}

// The mean colour (0xRRGGBB, rounded halves to even) of the outermost pixels
// of DIB, each counted once. Black for a surface without pixels.
std::uint32_t EdgeColour(const cDIB& DIB);

} // namespace quillmere
