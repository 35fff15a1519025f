// How every picture box of the Logo Manager gets its picture: the project's
// own import reads the file (a logo is a bitmap whatever its name ends in),
// and the surface's own stretch scales it into the box pixel for pixel, with
// no smoothing, so the user sees the logo's real pixels.
#pragma once

#include <QImage>
#include <QString>

#include <filesystem>
#include <string_view>

class QLabel;

namespace quillmere {

class DriveC;

// A picture for a box, and what its tooltip tells of it: "Animated: entries
// 236 to 255" for an 8-bit picture whose animation byte makes the computer
// rotate those entries at start-up, else nothing.
struct BoxPicture {
    QImage image;
    QString toolTip;
};

// A picture file of this system stretched into width x height; a null image
// when the file cannot be read as a picture.
BoxPicture LoadBoxPicture(const std::filesystem::path& file, int width, int height) noexcept;

// The same for a file on drive C: (which may be inside a disk image).
BoxPicture LoadBoxPicture(const DriveC& drive, std::string_view drivePath, int width, int height) noexcept;

// Puts picture in box: its pixels (an empty box for a null image) and its tooltip.
void ShowBoxPicture(QLabel* box, const BoxPicture& picture);

} // namespace quillmere
