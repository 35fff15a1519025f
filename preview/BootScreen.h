// A logo as the computer shows it while starting: one 640 x 480 picture of
// palette indices that never changes, and a palette per frame. A logo whose
// biClrImportant is between 1 and 255 (8-bit pictures only) animates: each frame
// the entries from that number up to 255 rotate one step (each takes the colour
// of the next, entry 255 the old colour of the first), so a full cycle has
// 256 - first frames. The border around a picture smaller than the screen shows
// entry 0.
//
// A window drives it with a timer: Indices() once, then PaletteOf(FrameAt(...))
// or StepPalette on each tick.
#pragma once

#include "imaging/decode/PictureLoader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace quillmere {

// 256 colours 0x00RRGGBB.
using BootPalette = std::array<std::uint32_t, 256>;

// Steps a second unless told otherwise: the PC timer's rate.
inline constexpr std::int32_t kDefaultPreviewFps = 18;

// The rotation that biClrImportant asks for: the first animated entry (1 to 255),
// or 0 for none (0, and 256 or more).
std::int32_t FirstAnimatedEntry(std::uint32_t clrImportant) noexcept;

// One rotation step of entries first..255 in place; nothing when first is 0.
void StepPalette(BootPalette& palette, std::int32_t first) noexcept;

class BootScreen {
public:
    // From a decoded picture of any size and depth. A palette picture keeps its
    // own indices and colours (entries its table lacks are black); an 8-bit one
    // animates as its ClrImportant says. A true-colour picture is shown still:
    // with its own colours when it has 255 or fewer besides black (entry 0 is
    // black), else each channel rounded to 6 levels (entries 0 to 215, r * 36 +
    // g * 6 + b). Throws std::bad_alloc only.
    explicit BootScreen(const DecodedPicture& picture);

    // Loads path with LoadPictureFile; throws FileError naming it.
    static BootScreen Load(const std::filesystem::path& path, const DecodeLimits& limits = {});

    // 640 * 480 indices, one byte each, rows top-down without gaps.
    const std::vector<std::uint8_t>& Indices() const noexcept { return indices_; }

    // The first entry that rotates (1 to 255), or 0 when the logo is still.
    std::int32_t FirstAnimated() const noexcept { return first_; }

    // Frames in one full cycle: 256 - FirstAnimated(), or 1 when still.
    std::int32_t FrameCount() const noexcept { return first_ == 0 ? 1 : 256 - first_; }

    // The palette of frame 0, as the file has it.
    const BootPalette& BasePalette() const noexcept { return palette_; }

    // The palette of frame (any frame number; the cycle repeats).
    BootPalette PaletteOf(std::int64_t frame) const noexcept;

    // The frame to show elapsedMs milliseconds after frame 0 at fps steps a
    // second (fps > 0), within the cycle.
    std::int32_t FrameAt(std::int64_t elapsedMs, std::int32_t fps) const noexcept;

private:
    std::vector<std::uint8_t> indices_;
    BootPalette palette_{};
    std::int32_t first_ = 0;
};

} // namespace quillmere
