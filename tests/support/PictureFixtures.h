// Small picture files made on the spot for tests, fuzzing seeds and benchmarks:
// JPEG through libjpeg, GIF through giflib, BMP by hand. Link JPEG::JPEG and
// GIF::GIF to use them.
#pragma once

#include <gif_lib.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmere::testing {

using Bytes = std::vector<std::uint8_t>;

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

inline Bytes ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void PutU16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v), b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    PutU16(b, at, v & 0xFFFF), PutU16(b, at + 2, v >> 16);
}

// A BITMAPINFOHEADER file. rows are the pixel rows exactly as stored (padding
// included), in file order; colours are 0x00RRGGBB.
inline Bytes BmpFile(std::int32_t width, std::int32_t height, std::uint16_t bpp, const std::vector<std::uint32_t>& colours,
                     const Bytes& rows, std::uint32_t compression = 0, std::uint32_t clrUsed = 0)
{
    const std::size_t table = colours.size() * 4;
    Bytes b(54 + table);
    b[0] = 'B', b[1] = 'M';
    PutU32(b, 2, static_cast<std::uint32_t>(54 + table + rows.size()));
    PutU32(b, 10, static_cast<std::uint32_t>(54 + table));
    PutU32(b, 14, 40);
    PutU32(b, 18, static_cast<std::uint32_t>(width));
    PutU32(b, 22, static_cast<std::uint32_t>(height));
    PutU16(b, 26, 1);
    PutU16(b, 28, bpp);
    PutU32(b, 30, compression);
    PutU32(b, 46, clrUsed);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        b[54 + i * 4] = static_cast<std::uint8_t>(colours[i]);
        b[55 + i * 4] = static_cast<std::uint8_t>(colours[i] >> 8);
        b[56 + i * 4] = static_cast<std::uint8_t>(colours[i] >> 16);
    }
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// A 320 x 400 8-bit logo whose bottom bandRows rows (first in the file) hold a
// band that uses entries 236 to 255 one after another along each row; the rest
// uses entries below 236. Entry i is grey i. Byte 50 is animationByte.
inline Bytes AnimatedLogoFile(std::uint32_t animationByte, int bandRows)
{
    std::vector<std::uint32_t> colours(256);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = i * 0x010101;
    Bytes rows(320 * 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 320; ++x)
            rows[static_cast<std::size_t>(y * 320 + x)] =
                static_cast<std::uint8_t>(y < bandRows ? 236 + x % 20 : (x + y) % 236);
    Bytes b = BmpFile(320, 400, 8, colours, rows);
    PutU32(b, 50, animationByte);
    return b;
}

struct JpegSpec {
    int width = 16;
    int height = 16;
    // 1 grey, 3 colour (YCbCr), 4 CMYK
    int components = 3;
    // Sample c (0-based) of pixel (x, y); for CMYK the ink amounts as stored.
    std::function<std::uint8_t(int x, int y, int c)> sample = [](int x, int y, int c) {
        return static_cast<std::uint8_t>((x * 7 + y * 3 + c * 50) & 0xFF);
    };
    int quality = 95;
    bool progressive = false;
    bool adobeMarker = false; // CMYK only: the stored values are inverted
    int exifOrientation = 0;  // 0: no EXIF block
    bool exifBigEndian = false;
};

inline Bytes EncodeJpeg(const JpegSpec& s)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(s.width);
    c.image_height = static_cast<JDIMENSION>(s.height);
    c.input_components = s.components;
    c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    if (s.components == 4)
        c.write_Adobe_marker = s.adobeMarker ? TRUE : FALSE;
    if (s.progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    if (s.exifOrientation) {
        const bool be = s.exifBigEndian;
        auto u16 = [&](Bytes& b, std::uint16_t v) {
            b.push_back(static_cast<std::uint8_t>(be ? v >> 8 : v));
            b.push_back(static_cast<std::uint8_t>(be ? v : v >> 8));
        };
        auto u32 = [&](Bytes& b, std::uint32_t v) {
            be ? (u16(b, static_cast<std::uint16_t>(v >> 16)), u16(b, static_cast<std::uint16_t>(v)))
               : (u16(b, static_cast<std::uint16_t>(v)), u16(b, static_cast<std::uint16_t>(v >> 16)));
        };
        Bytes e = {'E', 'x', 'i', 'f', 0, 0, static_cast<std::uint8_t>(be ? 'M' : 'I'),
                   static_cast<std::uint8_t>(be ? 'M' : 'I')};
        u16(e, 42);
        u32(e, 8);  // first directory
        u16(e, 2);  // two entries: a resolution unit first, then the orientation
        u16(e, 0x0128), u16(e, 3), u32(e, 1), u16(e, 2), u16(e, 0);
        u16(e, 0x0112), u16(e, 3), u32(e, 1), u16(e, static_cast<std::uint16_t>(s.exifOrientation)), u16(e, 0);
        u32(e, 0);
        jpeg_write_marker(&c, JPEG_APP0 + 1, e.data(), static_cast<unsigned>(e.size()));
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(s.width) * s.components);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < s.width; ++x)
            for (int k = 0; k < s.components; ++k)
                row[static_cast<std::size_t>(x) * s.components + k] = s.sample(x, y, k);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes result(out, out + size);
    std::free(out);
    return result;
}

struct GifSpec {
    int screenWidth = 4;
    int screenHeight = 4;
    int background = 0;
    std::vector<std::uint32_t> globalColours; // 0x00RRGGBB; empty: no global table
    int left = 0, top = 0, width = 4, height = 4;
    std::vector<std::uint32_t> localColours;
    bool interlace = false;
    std::vector<std::uint8_t> indices; // width * height, rows top-down
};

inline Bytes EncodeGif(const GifSpec& s)
{
    auto makeMap = [](const std::vector<std::uint32_t>& colours) -> ColorMapObject* {
        if (colours.empty())
            return nullptr;
        int n = 2;
        while (n < static_cast<int>(colours.size()))
            n *= 2;
        std::vector<GifColorType> c(static_cast<std::size_t>(n), GifColorType{0, 0, 0});
        for (std::size_t i = 0; i < colours.size(); ++i)
            c[i] = GifColorType{static_cast<GifByteType>(colours[i] >> 16), static_cast<GifByteType>(colours[i] >> 8),
                                static_cast<GifByteType>(colours[i])};
        return GifMakeMapObject(n, c.data());
    };
    Bytes out;
    auto write = [](GifFileType* g, const GifByteType* data, int len) {
        auto* o = static_cast<Bytes*>(g->UserData);
        o->insert(o->end(), data, data + len);
        return len;
    };
    int err = 0;
    GifFileType* g = EGifOpen(&out, write, &err);
    EGifSetGifVersion(g, true);
    ColorMapObject* global = makeMap(s.globalColours);
    ColorMapObject* local = makeMap(s.localColours);
    EGifPutScreenDesc(g, s.screenWidth, s.screenHeight, 8, s.background, global);
    EGifPutImageDesc(g, s.left, s.top, s.width, s.height, s.interlace, local);
    // Interlaced rows are written in pass order.
    std::vector<int> order;
    if (s.interlace) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int r = start[p]; r < s.height; r += step[p])
                order.push_back(r);
    } else {
        for (int r = 0; r < s.height; ++r)
            order.push_back(r);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(s.width));
    for (int r : order) {
        std::memcpy(line.data(), s.indices.data() + static_cast<std::size_t>(r) * s.width, line.size());
        EGifPutLine(g, line.data(), s.width);
    }
    EGifCloseFile(g, &err);
    GifFreeMapObject(global);
    GifFreeMapObject(local);
    return out;
}

} // namespace quillmere::testing
