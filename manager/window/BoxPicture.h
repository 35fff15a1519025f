// How every picture box of the Logo Manager gets its picture: the project's
// own import reads the file (a logo is a bitmap whatever its name ends in),
// and the surface's own stretch scales it into the box pixel for pixel, with
// no smoothing, so the user sees the logo's real pixels.
#pragma once

#include <QImage>

#include <filesystem>
#include <string_view>

namespace quillmere {

class DriveC;

// A picture file of this system stretched into width x height; a null image
// when the file cannot be read as a picture.
QImage LoadBoxPicture(const std::filesystem::path& file, int width, int height) noexcept;

// The same for a file on drive C: (which may be inside a disk image).
QImage LoadBoxPicture(const DriveC& drive, std::string_view drivePath, int width, int height) noexcept;

} // namespace quillmere
