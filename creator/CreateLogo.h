// The Logo Creator's "Create Logo" and "Save Logo" as plain operations on a
// surface, a palette and a ditherer: the window calls them on its canvas, the
// command line on a picture file.
#pragma once

#include "creator/AnimatedLogo.h"
#include "imaging/Progress.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

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

// How "Create Logo" reduces the colours. Exact is the conversion as it always
// was; Best builds the palette from every pixel and remaps with a diffusion
// that leaves flat areas flat (cDIBPal::CreateBest, DitherToBestPalette).
enum class LogoQuality { Exact, Best };

// How a picture whose shape is not 4:3 (the screen the logo is shown on)
// becomes 320 x 400: stretched; cut to 4:3 around its centre; or placed
// whole, centred, on a 4:3 area of the pad colour.
enum class LogoFit { Stretch, Crop, Pad };

struct ConversionOptions {
    LogoQuality quality = LogoQuality::Exact;
    LogoFit fit = LogoFit::Stretch;
    std::uint32_t padColour = 0; // 0xRRGGBB, for LogoFit::Pad
    LogoAnimationChoice animation = LogoAnimationChoice::Automatic;
    BandOptions band;                      // for LogoAnimationChoice::Band
    std::shared_ptr<const AnimatedPart> kept; // the picture's own animation, if any
    BorderChoice border = BorderChoice::Palette;
    std::uint32_t borderColour = 0; // 0xRRGGBB, for BorderChoice::Colour
};

// What Create Logo made: the depth to save at, and the animation byte to save
// (0: still).
struct CreatedLogo {
    std::uint8_t bpp = 0;
    std::uint8_t firstAnimated = 0;
};

// The animation options choose: Automatic is Keep for a picture with a kept
// part fitted by stretching, else None. Throws OptionConflict for Keep
// without a kept part, or with a fit other than Stretch (which would move its
// pixels), and for Automatic on a kept part with such a fit.
LogoAnimationChoice ResolveAnimation(const ConversionOptions& options);

// The names used on the command line and in settings: "exact", "best";
// "stretch", "crop", "pad". No value for any other name.
std::optional<LogoQuality> LogoQualityNamed(std::string_view name);
std::optional<LogoFit> LogoFitNamed(std::string_view name);
const char* NameOf(LogoQuality quality);
const char* NameOf(LogoFit fit);
// Six hexadecimal digits, RRGGBB, either case; no value for anything else.
std::optional<std::uint32_t> ColourFromHex(std::string_view rrggbb);

// Where a W x H picture goes in the 320 x 400 logo under fit: the source
// rectangle (all of it but for Crop, which keeps the centred 4:3 part) and the
// logo rectangle it is scaled onto (all of it but for Pad, where the rest is
// the pad colour). Both at least 1 x 1; W and H at least 1.
struct FitRect {
    std::int32_t x, y, w, h;
    friend bool operator==(const FitRect&, const FitRect&) = default;
};
struct FitPlan {
    FitRect source, target;
};
FitPlan PlanFit(std::int32_t W, std::int32_t H, LogoFit fit);

// Turns the picture on DIB into a logo: Resize(320, 400); a thumbnail of at most
// 100 x 100 fitted by GetBestFitInfo and filled with LoadDIBBlt; Pal becomes
// CreateOptimal(thumbnail, 256, 8, 1.0, 1.0, 1.0); DitherToColorPalette(DIB,
// Pal, true) fills Dither's 8-bit index buffer and shows its colours on DIB.
// Returns the depth to save at, 8; 0 with nothing done when DIB is empty.
// Errors of the steps propagate.
std::uint8_t CreateLogo(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, CreateLogoSteps* steps = nullptr);

// The same under options: with the defaults, for a still picture, exactly the
// conversion above. Fit Crop and Pad resize nearest-pixel, as Stretch does,
// from PlanFit's source rectangle onto its target rectangle, raising Progress
// for each of the 400 rows and ProgressEnd to DIB's observer. Quality Best
// makes Pal with CreateBest on the 320 x 400 picture and fills Dither with
// DitherToBestPalette.
//
// Animation and border: the entries from the first animated one F up are the
// band's ramp or the kept part's own colours, and their pixels (the band's
// rows, or the kept part's pixels of index F or more) take them as they are;
// the rest of the picture is reduced into entries 0 to F - 1, built from the
// rows above a band, or from the whole picture. A border colour takes entry 0
// and the picture's own colours the entries after it. Throws what
// ResolveAnimation throws, and Error for band options out of range.
CreatedLogo CreateLogo(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, const ConversionOptions& options,
                        CreateLogoSteps* steps = nullptr);

// What "Save Logo" writes: Save_BMP(path, DIB, Pal, Dither, bpp) with the
// animation byte firstAnimated. Replaces an existing file only when the new
// one is complete.
void SaveLogo(const std::filesystem::path& path, const cDIB& DIB, const cDIBPal& Pal, const cDIBDither& Dither,
              std::uint8_t bpp, std::uint8_t firstAnimated = 0);

// The whole job without a window: loads input (BMP, GIF or JPEG) within
// limits, runs CreateLogo under options (with the input's own animated part as
// options.kept) and saves the 8-bit logo to output. Throws FileError (naming
// the file at fault), OptionConflict (naming input) or another Error; output
// is then untouched. The resize reports to resizeProgress, the colour
// reduction to reduceProgress.
void ConvertPictureFile(const std::filesystem::path& input, const std::filesystem::path& output,
                        CreateLogoSteps* steps = nullptr, ProgressObserver* resizeProgress = nullptr,
                        ProgressObserver* reduceProgress = nullptr, const DecodeLimits& limits = {},
                        const ConversionOptions& options = {});

} // namespace quillmere
