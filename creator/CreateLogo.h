// The Logo Creator's "Create Logo" and "Save Logo" as plain operations on a
// surface, a palette and a ditherer: the window calls them on its canvas, the
// command line on a picture file.
#pragma once

#include "imaging/Progress.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <filesystem>

namespace quillmere {

class cDIB;
class cDIBPal;
class cDIBDither;

inline constexpr std::int32_t kLogoWidth = 320;
inline constexpr std::int32_t kLogoHeight = 400;

// Told where "Create Logo" is, for the texts, layout and pointer a window
// shows. Progress within a step comes from the surface (the resize) and the
// ditherer (the colour reduction) to their own observers.
class CreateLogoSteps {
public:
    virtual ~CreateLogoSteps() = default;
    virtual void Resizing() {}   // the resize to 320 x 400 begins: 400 rows
    virtual void Resized() {}    // the surface is 320 x 400 at 24 bits
    virtual void Converting() {} // the palette and the colour reduction begin
    virtual void BuildingPalette(bool /*busy*/) {} // around the optimal palette
};

// Turns the picture on DIB into a logo: Resize(320, 400); a thumbnail of at most
// 100 x 100 fitted by GetBestFitInfo and filled with LoadDIBBlt; Pal becomes
// CreateOptimal(thumbnail, 256, 8, 1.0, 1.0, 1.0); DitherToColorPalette(DIB,
// Pal, true) fills Dither's 8-bit index buffer and shows its colours on DIB.
// Returns the depth to save at, 8; 0 with nothing done when DIB is empty.
// Errors of the steps propagate.
std::uint8_t CreateLogo(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, CreateLogoSteps* steps = nullptr);

// What "Save Logo" writes: Save_BMP(path, DIB, Pal, Dither, bpp). Replaces an
// existing file only when the new one is complete.
void SaveLogo(const std::filesystem::path& path, const cDIB& DIB, const cDIBPal& Pal, const cDIBDither& Dither,
              std::uint8_t bpp);

// The whole job without a window: loads input (BMP, GIF or JPEG) within
// limits, runs CreateLogo and saves the 8-bit logo to output. Throws FileError
// (naming the file at fault) or another Error; output is then untouched. The
// resize reports to resizeProgress, the colour reduction to reduceProgress.
void ConvertPictureFile(const std::filesystem::path& input, const std::filesystem::path& output,
                        CreateLogoSteps* steps = nullptr, ProgressObserver* resizeProgress = nullptr,
                        ProgressObserver* reduceProgress = nullptr, const DecodeLimits& limits = {});

} // namespace quillmere
