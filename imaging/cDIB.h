// cDIB: the one in-memory picture of the system. 32 bits a pixel (blue, green,
// red, reserved), rows top-down, Width * 4 bytes a row with no gaps; pixel (x, y)
// starts at byte y * BytesPerScanLine + x * 4 of DIBitsPtr.
#pragma once

#include "DrawingContext.h"
#include "Progress.h"

#include <cstdint>
#include <memory>

namespace quillmere {

// The 40-byte header that describes the surface (rows top-down: biHeight < 0).
struct BitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::int32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// Pixel memory of a surface. Large pictures get memory that the system may back
// with huge pages: filling and releasing a photo then costs a few page faults
// instead of thousands.
struct PixelMemoryFree {
    void operator()(std::uint32_t* p) const noexcept;
};
using PixelMemory = std::unique_ptr<std::uint32_t[], PixelMemoryFree>;

// How the memory gets its pixels. Whole: every pixel at once, so its pages are
// asked of the system together rather than by a fault each. AsDecoded: as a
// decoder goes, which a damaged file may stop early: only the pages it reached
// then cost memory.
enum class PixelFill { Whole, AsDecoded };

// Null when the memory cannot be had.
PixelMemory AllocatePixelMemory(std::size_t bytes, PixelFill fill) noexcept;

class cDIBPal;
class cDIBDither;
struct DecodedPicture;

// Raises Progress(row) and ProgressEnd() from Resize, Resample and Orientation.
// Every operation except Create, CreateFromStdPicture, Destroy, the read-only
// properties and GetBestFitInfo does nothing on an empty surface.
class cDIB : public ProgressSource {
public:
    cDIB() = default;
    ~cDIB();
    cDIB(const cDIB&) = delete;
    cDIB& operator=(const cDIB&) = delete;

    // Releases the old surface, then makes a NewWidth x NewHeight surface filled
    // with BackColor (0x00BBGGRR; reserved bytes 0). False when the size is 0 or
    // less or the memory cannot be had; the object is then empty. Throws
    // OverflowError when NewWidth * 4 * NewHeight does not fit 32 bits.
    bool Create(std::int32_t NewWidth, std::int32_t NewHeight, std::int32_t BackColor = 0);

    // Makes the surface from a decoded picture file, taking over its pixels
    // (library quillmere_import, cDIBImport.cpp). A picture of 8 bits or fewer
    // also hands its colour table to Pal (2^bpp entries) and its indices to
    // Dither's index buffer; a true-colour one leaves both alone and is turned
    // upright by its EXIF orientation. Returns the depth (1, 4, 8, else 24), or
    // 0 with nothing changed when Picture is null or holds no pixels. Raises no
    // progress events. On an error (Error, OverflowError) the surface, Pal and
    // Dither are as they were.
    std::int32_t CreateFromStdPicture(DecodedPicture* Picture, cDIBPal& Pal, cDIBDither& Dither);

    // Copies Width x Height pixels from (x, y) of the source context onto the
    // whole surface, unscaled.
    void LoadBlt(const DrawingContext* hSrcDC, std::int32_t x = 0, std::int32_t y = 0);
    // Fills this surface with the whole of DIB, scaled colour-on-colour.
    void LoadDIBBlt(const cDIB& DIB);

    // Non-null exactly when the object holds a surface.
    DrawingContext* hDIBDC() const noexcept { return dc_.get(); }
    const void* hDIB() const noexcept { return bits_.get(); }
    std::uint8_t* DIBitsPtr() const noexcept { return reinterpret_cast<std::uint8_t*>(bits_.get()); }

    // From the header: the values of the last Create, also after Destroy.
    std::int32_t Size() const noexcept { return header_.biSizeImage; }
    std::int32_t BytesPerScanLine() const noexcept { return header_.biWidth * 4; }
    std::int32_t Width() const noexcept { return header_.biWidth; }
    std::int32_t Height() const noexcept { return -header_.biHeight; }
    const BitmapInfoHeader& Header() const noexcept { return header_; }

    // Draws the whole surface at (x, y) enlarged ScaleFactor times. Throws
    // OverflowError when a scaled size does not fit 32 bits.
    void Paint(DrawingContext* hDstDC, std::int32_t x = 0, std::int32_t y = 0,
               std::int32_t ScaleFactor = 1) const;
    // Scaled copy of a source rectangle of the surface onto a destination
    // rectangle, under StretchColorMode; the destination's mode is put back.
    void Stretch(DrawingContext* hDstDC, std::int32_t x, std::int32_t y, std::int32_t nWidth,
                 std::int32_t nHeight, std::int32_t xSrc, std::int32_t ySrc,
                 std::int32_t nSrcWidth, std::int32_t nSrcHeight,
                 std::int32_t StretchColorMode) const;

    // Releases the surface; the header (and so the size) stays.
    void Destroy() noexcept;

    // Scale the picture in place to exactly NewWidth x NewHeight, bilinear and
    // nearest-pixel. Raise Progress(y) after each new row y, then ProgressEnd().
    // Throw OverflowError (size beyond 32 bits) or Error (a size of 0 or less, or
    // no memory); the object is then empty.
    void Resample(std::int32_t NewWidth, std::int32_t NewHeight);
    void Resize(std::int32_t NewWidth, std::int32_t NewHeight);

    // Turns the picture a quarter anticlockwise (Rotate90), then mirrors it left
    // to right (FlipH) and top to bottom (FlipV). With Rotate90, Progress(i)
    // follows each old row i; ProgressEnd() ends every call on a surface.
    void Orientation(bool Rotate90, bool FlipH, bool FlipV);

    // Where a picture of this size lands when fitted into DstW x DstH keeping
    // its aspect ratio, centred; never enlarged unless StretchFit. Throws
    // DivisionByZeroError when a ratio must be formed for a width or height of 0.
    void GetBestFitInfo(std::int32_t DstW, std::int32_t DstH, std::int32_t& bfx,
                        std::int32_t& bfy, std::int32_t& bfW, std::int32_t& bfH,
                        bool StretchFit = false) const;

    // Puts a copy of the picture on the system clipboard, replacing its content.
    void CopyToClipboard() const;

private:
    std::uint32_t* words() const noexcept { return bits_.get(); }
    PixelView view() const noexcept { return {DIBitsPtr(), Width(), Height()}; }
    // Moves the pixel buffer out, leaving the object empty (the header stays).
    PixelMemory TakeBits() noexcept;
    // Create without the fill, for callers that write every pixel (reserved bytes included).
    bool CreateUnfilled(std::int32_t NewWidth, std::int32_t NewHeight);
    // For Resize, Resample and Orientation, which write every pixel: a failure is an error.
    void CreateOrThrow(std::int32_t NewWidth, std::int32_t NewHeight);

    BitmapInfoHeader header_;
    std::unique_ptr<PixelBufferDC> dc_;
    PixelMemory bits_;
};

} // namespace quillmere
