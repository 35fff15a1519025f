// The boot screen as an animated GIF: one full cycle of the palette rotation,
// looping forever (the NETSCAPE2.0 extension), each 640 x 480 frame with its own
// colour table. A still logo, or a still asked for, gives one frame.
#pragma once

#include "preview/BootScreen.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quillmere {

// GIF delays are whole centiseconds, and common viewers show a delay below 2 as
// 10, so 50 steps a second is the fastest a GIF shows faithfully.
inline constexpr std::int32_t kMaxGifFps = 50;

struct BootGifOptions {
    std::int32_t fps = kDefaultPreviewFps; // 1 to kMaxGifFps
    bool still = false;                    // frame 0 alone
};

// The delays of count frames at fps steps a second, in centiseconds. Frame k
// ends at k+1 steps' time rounded to the nearest centisecond (halves up), so a
// rate that does not divide 100 mixes two delays (18 a second: 6, 5, 6, 5, ...;
// 20 frames take 111) and the cycle lasts its true time to within half a
// centisecond. Throws Error for an fps outside 1 to kMaxGifFps.
std::vector<std::uint16_t> GifFrameDelays(std::int32_t count, std::int32_t fps);

// The GIF file's bytes. Throws Error (a bad rate, or giflib failing).
std::vector<std::uint8_t> EncodeBootScreenGif(const BootScreen& screen, const BootGifOptions& options = {});

// Loads logo (LoadPictureFile within limits) and replaces output with its GIF
// through a temporary file in output's folder (ReplaceFileContents), so on any
// failure output is as it was and nothing else is left. Refuses an output that
// is the logo file itself. Throws FileError naming the file at fault, or Error
// for a bad rate.
void WriteBootScreenGif(const std::filesystem::path& logo, const std::filesystem::path& output,
                        const BootGifOptions& options = {}, const DecodeLimits& limits = {});

} // namespace quillmere
