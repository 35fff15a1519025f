#include "BoxPicture.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"
#include "drive/Drive.h"
#include "drive/DriveC.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include "preview/BootScreen.h"

#include <QLabel>
#include <QPixmap>

#include <new>
#include <span>

namespace quillmere {

namespace {

// The tooltip of an animated picture, read before the import takes it over.
QString AnimationTip(const DecodedPicture& picture)
{
    const std::int32_t first = picture.BitsPerPixel == 8 ? FirstAnimatedEntry(picture.ClrImportant) : 0;
    if (first == 0)
        return {};
    if (first == 255)
        return QStringLiteral("Animated: entry 255");
    return QStringLiteral("Animated: entries %1 to 255").arg(first);
}

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

BoxPicture Boxed(DecodedPicture& picture, int width, int height)
{
    BoxPicture boxed{{}, AnimationTip(picture)};
    boxed.image = Stretched(picture, width, height);
    if (boxed.image.isNull())
        boxed.toolTip.clear();
    return boxed;
}

} // namespace

BoxPicture LoadBoxPicture(const std::filesystem::path& file, int width, int height) noexcept
{
    try {
        DecodedPicture picture = LoadPictureFile(file);
        return Boxed(picture, width, height);
    } catch (const std::exception&) {
        return {};
    }
}

BoxPicture LoadBoxPicture(const DriveC& drive, std::string_view drivePath, int width, int height) noexcept
{
    try {
        const std::string bytes = drive.ReadFile(drivePath, kMaxDriveCopyBytes);
        DecodedPicture picture = DecodePicture(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), std::string(drivePath));
        return Boxed(picture, width, height);
    } catch (const std::exception&) {
        return {};
    }
}

void ShowBoxPicture(QLabel* box, const BoxPicture& picture)
{
    if (picture.image.isNull())
        box->clear();
    else
        box->setPixmap(QPixmap::fromImage(picture.image));
    box->setToolTip(picture.toolTip);
}

} // namespace quillmere
