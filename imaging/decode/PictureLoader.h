// Reading picture files: BMP, GIF and JPEG, recognised by their content, not
// their name (a logo is a bitmap whatever its extension). The result is a
// DecodedPicture that cDIB::CreateFromStdPicture takes over.
//
// Every failure is a FileError naming the file and saying what is wrong:
// missing, not a regular file, empty, truncated or corrupt data, an unsupported
// variant, a width or height of 0 or less, a picture of more pixels than
// DecodeLimits::MaxPixels, or one whose 32-bit surface (width * 4 * height
// bytes) would not fit a signed 32-bit count. Sizes are refused from the header,
// before any large allocation, and a file whose data ends early costs memory in
// proportion to what was decoded, not to what its header claims.
#pragma once

#include "imaging/decode/DecodedPicture.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace quillmere {

struct DecodeLimits {
    // The most pixels (width * height; for a GIF, of its screen) a picture may
    // have: 128 megapixels unless the caller says otherwise. Refused with a
    // message that gives the picture's size and this limit.
    std::int64_t MaxPixels = 128'000'000;
    // The largest 32-bit surface a picture may need, in bytes. The system's
    // limit is the signed 32-bit count; a caller may set a lower one.
    std::int64_t MaxSurfaceBytes = 2147483647;
};

// A size a picture may be scaled to as it is decoded, by the nearest-pixel
// rule of cDIB::Resize (NearestSourceIndices). Both at least 1.
struct ScaledSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// A file larger than this is refused without being read: no picture within the
// 2 GB surface limit needs more (a 32-bit bitmap stores 4 bytes a pixel, plus
// its headers).
inline constexpr std::int64_t kMaxPictureFileBytes = (std::int64_t{1} << 31) + (std::int64_t{1} << 20);

// What a picture file's header says, without its pixels: the fields of
// DecodedPicture that the header alone decides.
struct PictureHeader {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitsPerPixel = 0;
    std::uint8_t ExifOrientation = 1;

    std::int32_t Depth() const noexcept { return BitsPerPixel <= 8 ? BitsPerPixel : 24; }
};

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg };

// What the first bytes say the data is.
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes) noexcept;

// Decodes a whole picture file held in memory. fileName is used in messages only.
DecodedPicture DecodePicture(std::span<const std::uint8_t> bytes, const std::string& fileName,
                             const DecodeLimits& limits = {});

// Reads the file, then decodes it as above; a JPEG is decoded as it is read,
// up to the end of its picture, and never held whole. The file is opened
// without waiting on a writer, and anything but a regular file (a folder, a
// named pipe, a device, a socket) is refused with a message saying what it is;
// so is a file whose first bytes are no picture's signature, before the rest
// is read, and a file larger than kMaxPictureFileBytes.
DecodedPicture LoadPictureFile(const std::filesystem::path& path, const DecodeLimits& limits = {});

// LoadPictureFile for a picture about to be scaled to size by cDIB::Resize: a
// JPEG that needs no turning comes already scaled, pixel for pixel what Resize
// would make of it, without ever holding the whole picture; any other picture
// comes whole, as LoadPictureFile gives it. The refusals are LoadPictureFile's,
// the size limits the picture's own.
DecodedPicture LoadPictureFileScaled(const std::filesystem::path& path, ScaledSize size,
                                     const DecodeLimits& limits = {});

// The picture file's size, depth and orientation as LoadPictureFile would give
// them, from its header: time and memory do not grow with the picture. It is
// refused as LoadPictureFile refuses it for what the header shows: the same
// checks of the file, the same faults of the header, the same size limits, and
// pixel data that the file is too short to hold when the header fixes their
// length (an uncompressed bitmap). Compressed data is not decoded, so a damaged
// stream after the header (RLE, LZW or JPEG scans) is not seen; nor is a GIF
// pixel whose index lies past the colour table (a damaged file), which
// LoadPictureFile shows at a greater depth.
PictureHeader ReadPictureHeader(const std::filesystem::path& path, const DecodeLimits& limits = {});

} // namespace quillmere
