#include "imaging/decode/GifReader.h"

#include "imaging/Errors.h"
#include "imaging/decode/DecodeSupport.h"

#include <gif_lib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

namespace quillmere {

namespace {

struct MemorySource {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* src = static_cast<MemorySource*>(gif->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(length, 0)), src->data.size() - src->pos);
    std::memcpy(buffer, src->data.data() + src->pos, n);
    src->pos += n;
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
    if (gifError == D_GIF_ERR_READ_FAILED)
        throw FileError(file, "the GIF file is truncated");
    const char* text = GifErrorString(gifError);
    std::string reason = text ? text : "unknown error";
    if (!reason.empty())
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    throw FileError(file, "damaged GIF file (" + reason + ")");
}

// Skips extensions until the first picture; its descriptor is then in gif->Image.
void FindFirstPicture(GifFileType* gif, const std::string& file)
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

} // namespace

DecodedPicture ReadGif(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits)
{
    MemorySource source{data};
    int error = 0;
    GifHandle gif(DGifOpen(&source, ReadFromMemory, &error));
    if (!gif)
        Fail(file, error);
    FindFirstPicture(gif.get(), file);

    const GifImageDesc& desc = gif->Image;
    const std::int64_t left = desc.Left, top = desc.Top, iw = desc.Width, ih = desc.Height;
    const std::int64_t sw = std::max<std::int64_t>(gif->SWidth, left + iw);
    const std::int64_t sh = std::max<std::int64_t>(gif->SHeight, top + ih);
    decode::CheckPictureSize(file, sw, sh, limits);
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0 || !map->Colors)
        throw FileError(file, "the GIF picture has no colour table");

    // One LZW code of at least one bit yields at most 4,096 pixels (the longest
    // string a 12-bit dictionary holds), so bytes that cannot hold the picture
    // are a truncated file, told before any buffer is made for it.
    const std::int64_t bytesLeft = static_cast<std::int64_t>(data.size() - source.pos);
    if (iw * ih > bytesLeft * 8 * 4096)
        throw FileError(file, "the GIF file is truncated (" + std::to_string(bytesLeft) +
                                  " bytes are left for a picture of " + std::to_string(iw) + " x " +
                                  std::to_string(ih) + " pixels)");

    const auto w = static_cast<std::int32_t>(sw), h = static_cast<std::int32_t>(sh);
    const bool coversScreen = left == 0 && top == 0 && iw == sw && ih == sh;
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
    int highest = coversScreen ? 0 : background;

    // Interlaced pictures come in four passes: every 8th row from 0, every
    // 8th from 4, every 4th from 2, every 2nd from 1.
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    std::vector<GifPixelType> line(static_cast<std::size_t>(iw));
    for (int pass = 0; pass < passes; ++pass) {
        const std::int64_t start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
        for (std::int64_t r = start; r < ih; r += step) {
            if (iw > 0 && DGifGetLine(gif.get(), line.data(), static_cast<int>(iw)) == GIF_ERROR)
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
    picture.BitsPerPixel = needed <= 2 ? 1 : needed <= 16 ? 4 : 8;
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
