// make_huge_claims [--] DIR: writes the files bench/huge-claims.sh answers for.
//   claim-*        tiny files whose headers claim 23000 x 23000 pixels (529
//                  megapixels), one for each way a reader learns the size;
//   gif-100mp-*    a 10000 x 10000 GIF whose data is one pixel (refused as
//                  truncated before its buffers are made), and the same
//                  picture's real data cut off after 8 KB;
//   *-100mp.jpg    baseline and progressive JPEGs of 16 x 16 pixels whose frame
//                  headers say 10000 x 10000;
//   rle8-100mp-cut a 10000 x 10000 RLE8 bitmap whose stream stops after 100 rows.
// The last two are under the limit: they show memory in proportion to what
// was decoded, not to what the header claims.
#include "support/HugeClaims.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace quillmere::testing;

namespace {

Bytes FlatGif(int width, int height)
{
    Bytes out;
    auto write = [](GifFileType* g, const GifByteType* data, int len) {
        auto* o = static_cast<Bytes*>(g->UserData);
        o->insert(o->end(), data, data + len);
        return len;
    };
    int err = 0;
    GifFileType* g = EGifOpen(&out, write, &err);
    GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    EGifPutScreenDesc(g, width, height, 1, 0, map);
    EGifPutImageDesc(g, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(width), 1);
    for (int y = 0; y < height; ++y)
        EGifPutLine(g, line.data(), width);
    EGifCloseFile(g, &err);
    GifFreeMapObject(map);
    return out;
}

Bytes CutRle8(std::int32_t width, std::int32_t height, int rows)
{
    Bytes stream;
    for (int r = 0; r < rows; ++r) {
        for (std::int32_t x = 0; x < width; x += 255) {
            stream.push_back(static_cast<std::uint8_t>(std::min<std::int32_t>(255, width - x)));
            stream.push_back(static_cast<std::uint8_t>(r));
        }
        stream.push_back(0), stream.push_back(0); // end of line; no end of bitmap follows
    }
    return BmpFile(width, height, 8, std::vector<std::uint32_t>(256, 0x808080), stream, 1);
}

} // namespace

int main(int argc, char** argv)
{
    // One folder; an argument that starts with "-" before "--" is an option, and
    // one this program does not know is refused, not taken for a folder to make
    // (a benchmark runner passes its options to every program it finds).
    const char* usage = "usage: make_huge_claims [--] DIR\n"
                        "Writes tiny files that claim huge pictures into DIR, made if missing.\n";
    std::vector<std::string> folders;
    bool options = true;
    for (const std::string& arg : std::vector<std::string>(argv + 1, argv + argc)) {
        if (options && arg == "--") {
            options = false;
        }
        else if (options && (arg == "--help" || arg == "-h")) {
            std::fputs(usage, stdout);
            return 0;
        }
        else if (options && arg.starts_with("-")) {
            std::fprintf(stderr, "make_huge_claims: unknown option '%s'\n%s", arg.c_str(), usage);
            return 2;
        }
        else {
            folders.push_back(arg);
        }
    }
    if (folders.size() != 1) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::filesystem::path dir = folders.front();
    std::filesystem::create_directories(dir);
    for (const HugeClaim& claim : HugeClaims(23000, 23000))
        WriteBytes(dir / ("claim-" + claim.kind), claim.bytes);
    WriteBytes(dir / "gif-100mp-one-pixel.gif", GifImageClaiming(10000, 10000));
    Bytes gif = FlatGif(10000, 10000);
    gif.resize(8 * 1024);
    WriteBytes(dir / "gif-100mp-cut.gif", gif);
    WriteBytes(dir / "rle8-100mp-cut.bmp", CutRle8(10000, 10000, 100));
    JpegSpec jpeg;
    WriteBytes(dir / "baseline-100mp.jpg", JpegWithSize(EncodeJpeg(jpeg), 10000, 10000));
    jpeg.progressive = true;
    WriteBytes(dir / "progressive-100mp.jpg", JpegWithSize(EncodeJpeg(jpeg), 10000, 10000));
    return 0;
}
