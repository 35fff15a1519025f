#include "creator/CanvasBootScreen.h"

#include "imaging/Errors.h"
#include "pictureio/cDIBSave.h"
#include "imaging/decode/PictureLoader.h"

#include <vector>

namespace quillmere {

BootScreen CanvasBootScreen(const cDIB& DIB, const cDIBPal& Pal, const cDIBDither& Dither, std::uint8_t bpp,
                            std::uint8_t firstAnimated)
{
    // Through the writer's bytes, so the preview is exactly what "Save Logo"
    // would put on disk (its index buffer, colour table and header fields).
    static constexpr const char* kName = "the Logo Creator's picture";
    std::vector<std::uint8_t> bytes;
    cDIBSave::Encode_BMP(
        kName, DIB, Pal, Dither, bpp,
        [&](std::span<const std::uint8_t> piece) { bytes.insert(bytes.end(), piece.begin(), piece.end()); },
        firstAnimated);
    if (bytes.empty())
        throw Error("there is no picture");
    return BootScreen(DecodePicture(bytes, kName));
}

} // namespace quillmere
