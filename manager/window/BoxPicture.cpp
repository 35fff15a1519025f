#include "BoxPicture.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"
#include "drive/Drive.h"
#include "drive/DriveC.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include <new>
#include <span>

namespace quillmere {

namespace {

QImage Stretched(DecodedPicture& picture, int width, int height)
{
    cDIB source;
    cDIBPal pal;
    cDIBDither dither;
    if (source.CreateFromStdPicture(&picture, pal, dither) == 0)
        return {};
    cDIB box;
    if (!box.Create(width, height))
        return {};
    box.LoadDIBBlt(source);
    // The surface's bytes are blue, green, red, reserved: QImage's RGB32 word order.
    return QImage(box.DIBitsPtr(), width, height, box.BytesPerScanLine(), QImage::Format_RGB32).copy();
}

} // namespace

QImage LoadBoxPicture(const std::filesystem::path& file, int width, int height) noexcept
{
    try {
        DecodedPicture picture = LoadPictureFile(file);
        return Stretched(picture, width, height);
    } catch (const std::exception&) {
        return {};
    }
}

QImage LoadBoxPicture(const DriveC& drive, std::string_view drivePath, int width, int height) noexcept
{
    try {
        const std::string bytes = drive.ReadFile(drivePath, kMaxDriveCopyBytes);
        DecodedPicture picture = DecodePicture(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), std::string(drivePath));
        return Stretched(picture, width, height);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace quillmere
