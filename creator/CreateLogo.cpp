#include "creator/CreateLogo.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "imaging/cDIBSave.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

namespace quillmere {

namespace {
constexpr std::int32_t kThumbnailBox = 100;
constexpr std::int32_t kPaletteSize = 256;
constexpr std::int32_t kTreeLevels = 8;
} // namespace

std::uint8_t CreateLogo(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, CreateLogoSteps* steps)
{
    if (!DIB.hDIB())
        return 0;
    if (steps)
        steps->Resizing();
    // Nearest-pixel and stretched: the aspect ratio is not kept.
    DIB.Resize(kLogoWidth, kLogoHeight);
    if (steps) {
        steps->Resized();
        steps->Converting();
    }

    // The palette comes from a small copy, never from the full picture.
    std::int32_t bfx, bfy, bfW, bfH;
    DIB.GetBestFitInfo(kThumbnailBox, kThumbnailBox, bfx, bfy, bfW, bfH);
    cDIB thumbnail;
    if (!thumbnail.Create(bfW, bfH, 0))
        throw Error("Cannot make the palette thumbnail of " + std::to_string(bfW) + " x " + std::to_string(bfH) +
                    " pixels");
    thumbnail.LoadDIBBlt(DIB);
    if (steps)
        steps->BuildingPalette(true);
    Pal.CreateOptimal(thumbnail, kPaletteSize, kTreeLevels, 1.0f, 1.0f, 1.0f);
    if (steps)
        steps->BuildingPalette(false);

    Dither.DitherToColorPalette(DIB, Pal, true);
    return 8;
}

void SaveLogo(const std::filesystem::path& path, const cDIB& DIB, const cDIBPal& Pal, const cDIBDither& Dither,
              std::uint8_t bpp)
{
    cDIBSave::Save_BMP(path.string(), DIB, Pal, Dither, bpp);
}

void ConvertPictureFile(const std::filesystem::path& input, const std::filesystem::path& output,
                        CreateLogoSteps* steps, ProgressObserver* resizeProgress, ProgressObserver* reduceProgress,
                        const DecodeLimits& limits)
{
    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;
    {
        DecodedPicture picture = LoadPictureFile(input, limits);
        if (dib.CreateFromStdPicture(&picture, pal, dither) == 0)
            throw FileError(input.string(), "the picture is empty");
    } // the decoded picture's leftovers go before the conversion starts
    dib.SetProgressObserver(resizeProgress);
    dither.SetProgressObserver(reduceProgress);
    const std::uint8_t bpp = CreateLogo(dib, pal, dither, steps);
    SaveLogo(output, dib, pal, dither, bpp);
}

} // namespace quillmere
