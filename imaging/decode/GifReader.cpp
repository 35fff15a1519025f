#include "imaging/decode/GifReader.h"

#include "imaging/Errors.h"
#include "imaging/decode/DecodeSupport.h"
#include "imaging/decode/LibraryWording.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace quillmere {

namespace {

// Where giflib reads from: bytes in memory, or a file as it goes.
struct Source {
    std::span<const std::uint8_t> data;
    std::FILE* stream = nullptr;
    std::int64_t size = 0; // of all the data
    std::int64_t pos = 0;  // bytes handed to giflib so far
};

int Read(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* src = static_cast<Source*>(gif->UserData);
    const auto want = static_cast<std::size_t>(std::max(length, 0));
    std::size_t n = 0;
    if (src->stream) {
        n = std::fread(buffer, 1, want, src->stream);
    } else {
        n = std::min(want, src->data.size() - static_cast<std::size_t>(src->pos));
        std::memcpy(buffer, src->data.data() + src->pos, n);
    }
    src->pos += static_cast<std::int64_t>(n);
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const noexcept
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(const std::string& file, int gifError)
{
    throw FileError(file, GifFailureReason(gifError));
}

// Skips extensions until the first picture; its descriptor is then in gif->Image.
void SkipToFirstPicture(GifFileType* gif, const std::string& file)
{
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            Fail(file, gif->Error);
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif) == GIF_ERROR)
                Fail(file, gif->Error);
            return;
        case EXTENSION_RECORD_TYPE: {
            int code;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                Fail(file, gif->Error);
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    Fail(file, gif->Error);
            }
            break;
        }
        case TERMINATE_RECORD_TYPE:
            throw FileError(file, "the GIF file holds no picture");
        default:
            throw FileError(file, "damaged GIF file (unknown record)");
        }
    }
}

// The first picture on its screen, as its descriptors say, checked: every
// refusal that needs none of its pixels.
struct FirstPicture {
    GifHandle gif;
    std::int64_t left = 0, top = 0, width = 0, height = 0; // of the picture
    std::int64_t screenWidth = 0, screenHeight = 0;       // enlarged to hold it
    const ColorMapObject* map = nullptr;
    bool coversScreen = false;
};

FirstPicture FindFirstPicture(Source& source, const std::string& file, const DecodeLimits& limits)
{
    FirstPicture p;
    int error = 0;
    p.gif.reset(DGifOpen(&source, Read, &error));
    if (!p.gif)
        Fail(file, error);
    SkipToFirstPicture(p.gif.get(), file);

    const GifImageDesc& desc = p.gif->Image;
    p.left = desc.Left, p.top = desc.Top, p.width = desc.Width, p.height = desc.Height;
    p.screenWidth = std::max<std::int64_t>(p.gif->SWidth, p.left + p.width);
    p.screenHeight = std::max<std::int64_t>(p.gif->SHeight, p.top + p.height);
    decode::CheckPictureSize(file, p.screenWidth, p.screenHeight, limits);
    p.map = desc.ColorMap ? desc.ColorMap : p.gif->SColorMap;
    if (!p.map || p.map->ColorCount <= 0 || !p.map->Colors)
        throw FileError(file, "the GIF picture has no colour table");

    // One LZW code of at least one bit yields at most 4,096 pixels (the longest
    // string a 12-bit dictionary holds), so bytes that cannot hold the picture
    // are a truncated file, told before any buffer is made for it.
    const std::int64_t bytesLeft = source.size - source.pos;
    if (p.width * p.height > bytesLeft * 8 * 4096)
        throw FileError(file, "the GIF file is truncated (" + std::to_string(bytesLeft) +
                                  " bytes are left for a picture of " + std::to_string(p.width) + " x " +
                                  std::to_string(p.height) + " pixels)");
    p.coversScreen = p.left == 0 && p.top == 0 && p.width == p.screenWidth && p.height == p.screenHeight;
    return p;
}

// The smallest depth of 1, 4 or 8 bits that holds colours entries.
std::int32_t DepthFor(int colours) noexcept
{
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

// The background's index where the screen shows it around the picture, else 0.
int BackgroundIndexShown(const FirstPicture& p)
{
    return p.coversScreen ? 0 : p.gif->SBackGroundColor;
}

} // namespace

PictureHeader ReadGifHeader(std::FILE* stream, std::int64_t fileSize, const std::string& file,
                            const DecodeLimits& limits)
{
    Source source{{}, stream, fileSize, 0};
    const FirstPicture p = FindFirstPicture(source, file, limits);
    return {static_cast<std::int32_t>(p.screenWidth), static_cast<std::int32_t>(p.screenHeight),
            DepthFor(std::max(p.map->ColorCount, BackgroundIndexShown(p) + 1)), 1};
}

DecodedPicture ReadGif(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits)
{
    Source source{data, nullptr, static_cast<std::int64_t>(data.size()), 0};
    const FirstPicture p = FindFirstPicture(source, file, limits);
    GifFileType* gif = p.gif.get();
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = p.map;
    const std::int64_t left = p.left, top = p.top, iw = p.width, ih = p.height;
    const std::int64_t sw = p.screenWidth, sh = p.screenHeight;
    const auto w = static_cast<std::int32_t>(sw), h = static_cast<std::int32_t>(sh);
    const bool coversScreen = p.coversScreen;
    const auto background = static_cast<std::uint8_t>(gif->SBackGroundColor);
    // Zero memory, written as the rows come: a stream that ends early costs what
    // it decoded. Only the screen around the picture takes the background.
    decode::ZeroedBytes idx = decode::AllocateZeroed(file, static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    if (!coversScreen && background != 0) {
        for (std::int64_t y = 0; y < sh; ++y) {
            std::uint8_t* row = idx.get() + static_cast<std::size_t>(y) * w;
            if (y < top || y >= top + ih) {
                std::memset(row, background, static_cast<std::size_t>(w));
            } else {
                std::memset(row, background, static_cast<std::size_t>(left));
                std::memset(row + left + iw, background, static_cast<std::size_t>(sw - left - iw));
            }
        }
    }
    int highest = BackgroundIndexShown(p);

    // Interlaced pictures come in four passes: every 8th row from 0, every
    // 8th from 4, every 4th from 2, every 2nd from 1.
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    std::vector<GifPixelType> line(static_cast<std::size_t>(iw));
    for (int pass = 0; pass < passes; ++pass) {
        const std::int64_t start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
        for (std::int64_t r = start; r < ih; r += step) {
            if (iw > 0 && DGifGetLine(gif, line.data(), static_cast<int>(iw)) == GIF_ERROR)
                Fail(file, gif->Error);
            std::uint8_t* dst = idx.get() + static_cast<std::size_t>(top + r) * w + static_cast<std::size_t>(left);
            for (std::int64_t x = 0; x < iw; ++x) {
                dst[x] = line[static_cast<std::size_t>(x)];
                highest = std::max<int>(highest, line[static_cast<std::size_t>(x)]);
            }
        }
    }

    const int needed = std::max(map->ColorCount, highest + 1);
    DecodedPicture picture;
    picture.Width = w;
    picture.Height = h;
    picture.BitsPerPixel = DepthFor(needed);
    picture.Indices = decode::PackIndices(idx.get(), w, h, picture.BitsPerPixel);
    idx.reset();
    std::uint32_t colours[256] = {};
    const int count = std::min(map->ColorCount, 256);
    for (int i = 0; i < count; ++i)
        colours[i] = std::uint32_t{map->Colors[i].Blue} | std::uint32_t{map->Colors[i].Green} << 8 |
                     std::uint32_t{map->Colors[i].Red} << 16;
    decode::FinishPalettePicture(picture, colours, static_cast<std::size_t>(count), file);
    return picture;
}

} // namespace quillmere
