#include "pictureio/cDIBSave.h"

#include "imaging/Errors.h"
#include "imaging/LittleEndian.h"
#include "imaging/Numeric.h"
#include "imaging/ReplaceFile.h"
#include "imaging/cDIB.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quillmere {

namespace {

constexpr std::int32_t kFileHeaderBytes = 14;
constexpr std::int32_t kInfoHeaderBytes = 40;
// The most pixel bytes handed over in one piece, past the index buffer.
constexpr std::int32_t kBatchBytes = 1 << 20;

bool Indexed(std::uint8_t bpp) { return bpp == 1 || bpp == 4 || bpp == 8; }

// What comes before the pixel rows: file header, info header and colour table,
// after the checks that both Save_BMP and Encode_BMP make. rowBytes and
// imageBytes: one row of pixels, and all of them.
std::vector<std::uint8_t> BitmapHead(const std::string& sFilename, const cDIB& DIB, const cDIBPal& Pal,
                                     const cDIBDither& Dither, std::uint8_t bpp, std::uint32_t clrImportant,
                                     std::int32_t& rowBytes, std::int32_t& imageBytes)
{
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();

    rowBytes = cDIBDither::RowBytes(W, bpp);
    imageBytes = checkedMul(rowBytes, H, "bitmap size");
    const std::int32_t colours = bpp <= 8 ? (1 << bpp) : 0;
    const std::int32_t tableBytes = 4 * colours;
    const std::int32_t offBits = kFileHeaderBytes + kInfoHeaderBytes + tableBytes;
    const std::int32_t fileBytes = checkedAdd(offBits, imageBytes, "bitmap size");

    if (Pal.Count() < colours)
        throw SubscriptError(sFilename + ": a file of " + std::to_string(bpp) + " bits per pixel needs "
                             + std::to_string(colours) + " colours, but the palette has "
                             + std::to_string(Pal.Count()));
    // The index buffer already has the file's row layout; one made for
    // another picture or depth would give rows that do not match the header.
    if (Indexed(bpp) && (Dither.PalIDWidth() != W || Dither.PalIDHeight() != H || Dither.PalIDBpp() != bpp))
        throw FileError(sFilename, "the colour indices were made for " + std::to_string(Dither.PalIDWidth())
                                       + " x " + std::to_string(Dither.PalIDHeight()) + " pixels at "
                                       + std::to_string(Dither.PalIDBpp()) + " bits, not for "
                                       + std::to_string(W) + " x " + std::to_string(H) + " at "
                                       + std::to_string(bpp) + " bits");

    std::vector<std::uint8_t> head(static_cast<std::size_t>(offBits), 0);
    std::uint8_t* p = head.data();

    // BITMAPFILEHEADER
    p[0] = 'B';
    p[1] = 'M';
    WriteLe32(p + 2, static_cast<std::uint32_t>(fileBytes)); // bfSize
    WriteLe32(p + 10, static_cast<std::uint32_t>(offBits));  // bfOffBits (bfReserved1/2 stay 0)

    // BITMAPINFOHEADER; compression, image size, resolution and colours used stay 0
    std::uint8_t* info = p + kFileHeaderBytes;
    WriteLe32(info, kInfoHeaderBytes);             // biSize
    WriteLe32(info + 4, static_cast<std::uint32_t>(W)); // biWidth
    WriteLe32(info + 8, static_cast<std::uint32_t>(H)); // biHeight, positive: bottom row first
    WriteLe16(info + 12, 1);                       // biPlanes
    WriteLe16(info + 14, bpp);                     // biBitCount
    WriteLe32(info + 36, clrImportant);            // biClrImportant

    // Colour table: blue, green, red, 0 of each palette entry.
    std::uint8_t* table = info + kInfoHeaderBytes;
    for (std::int32_t i = 0; i < colours; ++i) {
        const auto e = static_cast<std::uint8_t>(i);
        table[4 * i] = Pal.rgbB(e);
        table[4 * i + 1] = Pal.rgbG(e);
        table[4 * i + 2] = Pal.rgbR(e);
    }
    return head;
}

} // namespace

void cDIBSave::Save_BMP(const std::string& sFilename, const cDIB& DIB, const cDIBPal& Pal,
                        const cDIBDither& Dither, std::uint8_t bpp, std::uint32_t clrImportant)
{
    if (!DIB.hDIB())
        return;
    if (Indexed(bpp)) {
        // The rows are the index buffer as it lies: written from there, not copied.
        std::int32_t rowBytes = 0, imageBytes = 0;
        const std::vector<std::uint8_t> head =
            BitmapHead(sFilename, DIB, Pal, Dither, bpp, clrImportant, rowBytes, imageBytes);
        const std::span<const std::uint8_t> pieces[] = {
            head, {Dither.PalIDPtr(), static_cast<std::size_t>(imageBytes)}};
        ReplaceFileContents(sFilename, pieces);
        return;
    }
    std::vector<std::uint8_t> file;
    file.reserve(static_cast<std::size_t>(cDIBDither::RowBytes(DIB.Width(), bpp)) * static_cast<std::size_t>(DIB.Height()) +
                 kFileHeaderBytes + kInfoHeaderBytes + (bpp <= 8 ? 4u << bpp : 0u));
    Encode_BMP(sFilename, DIB, Pal, Dither, bpp, [&file](std::span<const std::uint8_t> piece) {
        file.insert(file.end(), piece.begin(), piece.end());
    }, clrImportant);
    ReplaceFileContents(sFilename, file);
}

void cDIBSave::Encode_BMP(const std::string& sFilename, const cDIB& DIB, const cDIBPal& Pal,
                          const cDIBDither& Dither, std::uint8_t bpp, const Sink& sink,
                          std::uint32_t clrImportant)
{
    if (!DIB.hDIB())
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    std::int32_t rowBytes = 0, imageBytes = 0;
    sink(BitmapHead(sFilename, DIB, Pal, Dither, bpp, clrImportant, rowBytes, imageBytes));

    if (Indexed(bpp)) {
        sink({Dither.PalIDPtr(), static_cast<std::size_t>(imageBytes)});
        return;
    }
    // Rows bottom row first, a batch at a time; at 24 bits blue, green, red of
    // each pixel, at any other depth zeros. Row padding stays zero.
    const std::int32_t batchRows = std::max<std::int32_t>(1, kBatchBytes / std::max<std::int32_t>(rowBytes, 1));
    std::vector<std::uint8_t> batch(static_cast<std::size_t>(std::min(batchRows, H)) * rowBytes, 0);
    const std::uint8_t* bits = DIB.DIBitsPtr();
    for (std::int32_t first = 0; first < H; first += batchRows) {
        const std::int32_t rows = std::min(batchRows, H - first);
        if (bpp == 24) {
            for (std::int32_t r = 0; r < rows; ++r) {
                const std::int32_t y = first + r;
                const std::uint8_t* src = bits + static_cast<std::size_t>(H - 1 - y) * W * 4;
                std::uint8_t* dst = batch.data() + static_cast<std::size_t>(r) * rowBytes;
                // Four bytes a pixel are copied, three kept: the fourth is
                // overwritten by the next pixel, and the last pixel takes three.
                for (std::int32_t x = 0; x + 1 < W; ++x, src += 4, dst += 3)
                    std::memcpy(dst, src, 4);
                std::memcpy(dst, src, 3);
            }
        }
        sink({batch.data(), static_cast<std::size_t>(rows) * rowBytes});
    }
}

} // namespace quillmere
