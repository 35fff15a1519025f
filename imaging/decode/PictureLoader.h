// Reading picture files: BMP, GIF and JPEG, recognised by their content, not
// their name (a logo is a bitmap whatever its extension). The result is a
// DecodedPicture that cDIB::CreateFromStdPicture takes over.
//
// Every failure is a FileError naming the file and saying what is wrong:
// missing, empty, truncated or corrupt data, an unsupported variant, a width or
// height of 0 or less, or a picture whose 32-bit surface (width * 4 * height
// bytes) would not fit a signed 32-bit count. Sizes are refused before any
// large allocation.
#pragma once

#include "imaging/decode/DecodedPicture.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace quillmere {

struct DecodeLimits {
    // The largest 32-bit surface a picture may need, in bytes. The system's
    // limit is the signed 32-bit count; a caller may set a lower one.
    std::int64_t MaxSurfaceBytes = 2147483647;
};

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg };

// What the first bytes say the data is.
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes) noexcept;

// Decodes a whole picture file held in memory. fileName is used in messages only.
DecodedPicture DecodePicture(std::span<const std::uint8_t> bytes, const std::string& fileName,
                             const DecodeLimits& limits = {});

// Reads the file, then decodes it as above.
DecodedPicture LoadPictureFile(const std::filesystem::path& path, const DecodeLimits& limits = {});

} // namespace quillmere
