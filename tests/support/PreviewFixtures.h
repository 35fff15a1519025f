// Logo files made on the spot and GIF files read back with giflib, for the
// preview tests.
#pragma once

#include "support/PictureFixtures.h"

#include <gif_lib.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmere::testing {

// Colour of palette entry i in the logos below: all 256 distinct, none black.
inline std::uint32_t EntryColour(std::uint32_t i) { return 0x010000 * i + 0x000100 * (255 - i) + 0x40; }

// An uncompressed 8-bit bitmap of width x height whose pixel (x, y) (y from the
// top) has index(x, y), with EntryColour palette and biClrImportant as given.
inline Bytes LogoFile(std::int32_t width, std::int32_t height, std::uint32_t clrImportant,
                      const std::function<std::uint8_t(std::int32_t x, std::int32_t y)>& index)
{
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    Bytes rows(stride * static_cast<std::size_t>(height), 0);
    for (std::int32_t y = 0; y < height; ++y) // bottom row first
        for (std::int32_t x = 0; x < width; ++x)
            rows[static_cast<std::size_t>(height - 1 - y) * stride + static_cast<std::size_t>(x)] =
                index(x, y);
    std::vector<std::uint32_t> colours(256);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = EntryColour(i);
    Bytes file = BmpFile(width, height, 8, colours, rows);
    PutU32(file, 50, clrImportant); // biClrImportant
    return file;
}

// A 320 x 400 logo whose pixel (x, y) has index (x + y) % 256: every index
// appears, index 236 first at (236, 0).
inline Bytes StandardLogo(std::uint32_t clrImportant)
{
    return LogoFile(320, 400, clrImportant, [](std::int32_t x, std::int32_t y) {
        return static_cast<std::uint8_t>((x + y) % 256);
    });
}

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool localColours = false;
    std::array<std::uint32_t, 256> colours{}; // 0x00RRGGBB
    std::vector<std::uint8_t> raster;         // width * height, rows top-down
    int delay = -1;                           // centiseconds; -1: no graphic control extension

    std::uint32_t ColourAt(int x, int y) const
    {
        return colours[raster[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x)]];
    }
};

struct GifRead {
    int width = 0, height = 0;
    bool globalColours = false;
    int loopCount = -1; // NETSCAPE2.0 loop count; -1 when the extension is missing
    std::vector<GifFrame> frames;
};

// Decodes a whole GIF with giflib; throws std::runtime_error when it cannot.
inline GifRead ReadGif(const Bytes& bytes)
{
    struct Source {
        const Bytes* bytes;
        std::size_t at = 0;
    } source{&bytes};
    const InputFunc read = [](GifFileType* g, GifByteType* out, int n) {
        auto* s = static_cast<Source*>(g->UserData);
        const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), s->bytes->size() - s->at);
        std::memcpy(out, s->bytes->data() + s->at, k);
        s->at += k;
        return static_cast<int>(k);
    };
    int error = 0;
    GifFileType* gif = DGifOpen(&source, read, &error);
    if (!gif)
        throw std::runtime_error(std::string("DGifOpen: ") + GifErrorString(error));
    if (DGifSlurp(gif) != GIF_OK) {
        const std::string why = GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        throw std::runtime_error("DGifSlurp: " + why);
    }
    GifRead r;
    r.width = gif->SWidth;
    r.height = gif->SHeight;
    r.globalColours = gif->SColorMap != nullptr;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& b = image.ExtensionBlocks[e];
            const ExtensionBlock& next = image.ExtensionBlocks[e + 1];
            if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
                std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 && next.Bytes[0] == 1)
                r.loopCount = next.Bytes[1] | next.Bytes[2] << 8;
        }
        GifFrame f;
        f.left = image.ImageDesc.Left, f.top = image.ImageDesc.Top;
        f.width = image.ImageDesc.Width, f.height = image.ImageDesc.Height;
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        f.localColours = image.ImageDesc.ColorMap != nullptr;
        for (int c = 0; map && c < map->ColorCount && c < 256; ++c)
            f.colours[static_cast<std::size_t>(c)] = std::uint32_t{map->Colors[c].Red} << 16 |
                                                     std::uint32_t{map->Colors[c].Green} << 8 |
                                                     map->Colors[c].Blue;
        f.raster.assign(image.RasterBits, image.RasterBits + static_cast<std::size_t>(f.width) * f.height);
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK)
            f.delay = gcb.DelayTime;
        r.frames.push_back(std::move(f));
    }
    DGifCloseFile(gif, &error);
    return r;
}

} // namespace quillmere::testing
