// CreateFromStdPicture: a decoded picture file becomes the surface; a palette
// picture also brings its own colour table and indices, so that it can be
// saved again at its own depth without any colour reduction.
#include "imaging/cDIB.h"

#include "imaging/Errors.h"
#include "imaging/Numeric.h"
#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/ExifOrientation.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include <cstring>
#include <utility>

namespace quillmere {

std::int32_t cDIB::CreateFromStdPicture(DecodedPicture* Picture, cDIBPal& Pal, cDIBDither& Dither)
{
    if (!Picture || !Picture->Pixels || Picture->Width <= 0 || Picture->Height <= 0)
        return 0;
    const std::int32_t w = Picture->Width;
    const std::int32_t h = Picture->Height;
    const std::int32_t bpp = Picture->BitsPerPixel;
    const std::int32_t size = checkedMul(checkedMul(w, 4, "picture size"), h, "picture size");
    const bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
    if (paletted) {
        const std::size_t rows = static_cast<std::size_t>(cDIBDither::RowBytes(w, bpp)) * static_cast<std::size_t>(h);
        if (Picture->ColorTable.size() != (std::size_t{4} << bpp) || Picture->Indices.size() != rows)
            throw Error("The decoded picture's colour table or indices do not match its size");
    } else if (bpp <= 8) {
        throw Error("A picture of " + std::to_string(bpp) + " bits per pixel cannot be loaded");
    }

    // Everything is built aside first, so that a failure changes nothing.
    cDIB next;
    next.header_.biWidth = w;
    next.header_.biHeight = -h;
    next.header_.biPlanes = 1;
    next.header_.biBitCount = 32;
    next.header_.biSizeImage = size;
    next.bits_ = std::move(Picture->Pixels);
    next.dc_ = std::make_unique<PixelBufferDC>(next.view());
    if (!paletted && Picture->ExifOrientation != 1) {
        const OrientationFlags turn = OrientationForExif(Picture->ExifOrientation);
        next.Orientation(turn.Rotate90, turn.FlipH, turn.FlipV);
    }

    if (paletted) {
        // The index buffer is the larger allocation: if anything fails, it fails first.
        std::uint8_t* ids = Dither.InitializePalID(w, h, static_cast<std::uint8_t>(bpp));
        std::memcpy(ids, Picture->Indices.data(), Picture->Indices.size());
        std::uint8_t* entries = Pal.InitializePalette(static_cast<std::int16_t>(1 << bpp));
        std::memcpy(entries, Picture->ColorTable.data(), Picture->ColorTable.size());
    }

    Destroy();
    header_ = next.header_;
    dc_ = std::move(next.dc_);
    bits_ = std::move(next.bits_);
    return paletted ? bpp : 24;
}

} // namespace quillmere
