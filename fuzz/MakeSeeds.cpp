// make_fuzz_seeds DIR: writes DIR/gif/*.gif and DIR/jpeg/*.jpg, one small file
// for each variant the readers handle.
#include "support/PictureFixtures.h"

#include <cstdio>
#include <filesystem>

using namespace quillmere::testing;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "gif");
    std::filesystem::create_directories(dir / "jpeg");

    GifSpec gif;
    gif.globalColours = {0x000000, 0xFFFFFF};
    gif.indices = {0, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0};
    WriteBytes(dir / "gif" / "two-colours.gif", EncodeGif(gif));
    gif.localColours = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0};
    gif.interlace = true;
    gif.width = gif.height = 4;
    WriteBytes(dir / "gif" / "local-interlaced.gif", EncodeGif(gif));
    gif.screenWidth = 6;
    gif.screenHeight = 5;
    gif.left = 1;
    gif.top = 1;
    gif.background = 3;
    WriteBytes(dir / "gif" / "offset.gif", EncodeGif(gif));
    GifSpec many;
    many.width = many.height = many.screenWidth = many.screenHeight = 16;
    for (int i = 0; i < 256; ++i) {
        many.globalColours.push_back(static_cast<std::uint32_t>(i) * 0x010203u & 0xFFFFFF);
        many.indices.push_back(static_cast<std::uint8_t>(i));
    }
    WriteBytes(dir / "gif" / "256-colours.gif", EncodeGif(many));

    JpegSpec jpeg;
    WriteBytes(dir / "jpeg" / "baseline.jpg", EncodeJpeg(jpeg));
    jpeg.progressive = true;
    WriteBytes(dir / "jpeg" / "progressive.jpg", EncodeJpeg(jpeg));
    jpeg.progressive = false;
    jpeg.components = 1;
    WriteBytes(dir / "jpeg" / "grey.jpg", EncodeJpeg(jpeg));
    jpeg.components = 4;
    WriteBytes(dir / "jpeg" / "cmyk.jpg", EncodeJpeg(jpeg));
    jpeg.adobeMarker = true;
    WriteBytes(dir / "jpeg" / "adobe-cmyk.jpg", EncodeJpeg(jpeg));
    jpeg.components = 3;
    jpeg.adobeMarker = false;
    jpeg.width = 13;
    jpeg.height = 7;
    jpeg.exifOrientation = 6;
    WriteBytes(dir / "jpeg" / "exif-6.jpg", EncodeJpeg(jpeg));
    jpeg.exifOrientation = 3;
    jpeg.exifBigEndian = true;
    WriteBytes(dir / "jpeg" / "exif-3-big-endian.jpg", EncodeJpeg(jpeg));
    return 0;
}
