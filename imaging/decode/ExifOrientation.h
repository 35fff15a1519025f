// The orientation tag of a photo's EXIF block and how the surface's own
// Orientation(Rotate90, FlipH, FlipV) puts such a photo upright.
#pragma once

#include <cstdint>
#include <span>

namespace quillmere {

struct OrientationFlags {
    bool Rotate90 = false; // a quarter turn anticlockwise first
    bool FlipH = false;    // then mirrored left to right
    bool FlipV = false;    // and top to bottom

    bool operator==(const OrientationFlags&) const = default;
};

// The orientation value (tag 0x0112 of the first image directory) of the
// payload of a JPEG APP1 segment ("Exif\0\0" then a TIFF structure); 1 when
// the payload is not EXIF, holds no valid tag or is damaged. Never reads
// outside the payload.
std::uint8_t ReadExifOrientation(std::span<const std::uint8_t> app1) noexcept;

// The arguments of cDIB::Orientation that show a picture stored with this
// orientation value upright. Values outside 1..8 leave the picture as it is.
OrientationFlags OrientationForExif(std::uint8_t value) noexcept;

} // namespace quillmere
