// cDIBSave: writes a picture as an uncompressed Windows bitmap file (file
// header, 40-byte info header, colour table, pixel rows bottom row first).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace quillmere {

class cDIB;
class cDIBPal;
class cDIBDither;

class cDIBSave {
public:
    // Writes DIB's size as a bitmap of bpp bits per pixel to sFilename,
    // replacing a file of that name. At 1, 4 and 8 bits the pixel rows are
    // Dither's index buffer as it stands (made for this width, height and depth)
    // and the colour table holds Pal's first 2^bpp entries; at 24 bits the pixels
    // are the surface's blue, green and red; at any other depth the pixel rows
    // are zero.
    //
    // Does nothing when DIB holds no surface. The file is prepared in memory
    // (a palette picture's rows are the index buffer itself), then written to a
    // temporary file beside the target and renamed over it, so on any failure an existing file stays as it was and no
    // partial file is left. Throws SubscriptError when Pal has fewer than 2^bpp
    // entries, OverflowError when a size does not fit 32 bits, FileError (file
    // name and reason) when the index buffer does not fit the picture or the
    // file cannot be written.
    //
    // clrImportant goes to the header's biClrImportant: the first palette
    // entry that rotates while the computer starts, 0 for a still picture.
    static void Save_BMP(const std::string& sFilename, const cDIB& DIB, const cDIBPal& Pal,
                         const cDIBDither& Dither, std::uint8_t bpp, std::uint32_t clrImportant = 0);

    // The bytes Save_BMP writes, handed to sink in order, in pieces of about a
    // megabyte at most (a palette picture's rows in one piece), for a caller
    // that stores them its own way: a scratch file that needs no flush to disk
    // and no copy of a large picture in memory. Nothing when DIB holds no
    // surface; throws as Save_BMP does, naming sFilename, before the first piece.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;
    static void Encode_BMP(const std::string& sFilename, const cDIB& DIB, const cDIBPal& Pal,
                           const cDIBDither& Dither, std::uint8_t bpp, const Sink& sink,
                           std::uint32_t clrImportant = 0);
};

} // namespace quillmere
