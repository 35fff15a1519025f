#include "imaging/decode/BmpReader.h"

#include "imaging/Errors.h"
#include "imaging/LittleEndian.h"
#include "imaging/decode/DecodeSupport.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quillmere {

namespace {

using decode::CheckPictureSize;

enum Compression : std::uint32_t {
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitfields = 3,
    BiJpeg = 4,
    BiPng = 5,
    BiAlphaBitfields = 6,
};

constexpr std::size_t kFileHeaderBytes = 14;

struct Bytes {
    std::span<const std::uint8_t> d;
    std::uint16_t u16(std::size_t at) const { return ReadLe16(d.data() + at); }
    std::uint32_t u32(std::size_t at) const { return ReadLe32(d.data() + at); }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
};

struct Header {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows top-down
    std::uint32_t bpp = 0;
    std::uint32_t compression = BiRgb;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
    bool core = false; // OS/2 1.x: 3-byte palette entries
    bool os2v2 = false;
    std::uint32_t masks[3] = {};
};

// One colour channel of a BITFIELDS pixel, widened to 0..255 over its full range.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0; // 2^bits - 1

    std::uint32_t operator()(std::uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        if (max == 255)
            return static_cast<std::uint32_t>(v);
        // max is odd, so v * 255 / max is never exactly halfway: this rounds to nearest.
        return static_cast<std::uint32_t>((2 * v * 255 + max) / (2 * max));
    }
};

std::string CompressionName(std::uint32_t c, bool os2v2)
{
    if (os2v2 && c == 3)
        return "Huffman 1D";
    if (os2v2 && c == 4)
        return "RLE24";
    switch (c) {
    case BiJpeg: return "embedded JPEG";
    case BiPng: return "embedded PNG";
    case BiAlphaBitfields: return "alpha bit fields";
    default: return "compression type " + std::to_string(c);
    }
}

Header ReadHeader(const Bytes& b, const std::string& file)
{
    Header h;
    h.size = b.u32(14);
    switch (h.size) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124: break;
    default: throw FileError(file, "unsupported BMP header of " + std::to_string(h.size) + " bytes");
    }
    if (b.d.size() < kFileHeaderBytes + h.size)
        throw FileError(file, "the BMP file is truncated inside its header");
    h.core = h.size == 12;
    h.os2v2 = h.size == 16 || h.size == 64;
    if (h.core) {
        h.width = b.u16(18);
        h.height = b.u16(20);
        h.bpp = b.u16(24);
    } else {
        h.width = b.i32(18);
        h.height = b.i32(22);
        h.bpp = b.u16(28);
        if (h.size >= 20)
            h.compression = b.u32(30);
        if (h.size >= 36)
            h.clrUsed = b.u32(46);
        if (h.size >= 40)
            h.clrImportant = b.u32(50);
    }
    const bool bitfields = h.compression == BiBitfields && !h.os2v2;
    switch (h.compression) {
    case BiRgb:
        if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
            throw FileError(file, "unsupported BMP depth of " + std::to_string(h.bpp) + " bits per pixel");
        break;
    case BiRle8:
    case BiRle4:
        if (h.bpp != (h.compression == BiRle8 ? 8u : 4u))
            throw FileError(file, "corrupt BMP header: RLE" + std::to_string(h.compression == BiRle8 ? 8 : 4) +
                                      " with " + std::to_string(h.bpp) + " bits per pixel");
        break;
    default:
        if (!bitfields)
            throw FileError(file, "unsupported BMP variant (" + CompressionName(h.compression, h.os2v2) + ")");
        if (h.bpp != 16 && h.bpp != 32)
            throw FileError(file, "corrupt BMP header: bit fields with " + std::to_string(h.bpp) +
                                      " bits per pixel");
    }

    if (h.compression == BiRgb) {
        if (h.bpp == 16) {
            h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
        } else if (h.bpp == 32) {
            h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
        }
    } else if (bitfields) {
        // Headers of 52 bytes and more hold the masks; a 40-byte one is followed by them.
        if (h.size == 40 && b.d.size() < kFileHeaderBytes + 40 + 12)
            throw FileError(file, "the BMP file is truncated inside its colour masks");
        for (int i = 0; i < 3; ++i)
            h.masks[i] = b.u32(kFileHeaderBytes + 40 + 4 * i);
    }
    return h;
}

Channel MakeChannel(std::uint32_t mask, std::uint32_t bpp, const std::string& file)
{
    Channel c;
    if (mask == 0)
        return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const bool contiguous = (mask >> c.shift) == (bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1));
    if (!contiguous || (bpp == 16 && mask > 0xFFFF))
        throw FileError(file, "corrupt BMP colour mask 0x" + [&] {
            char s[16];
            std::snprintf(s, sizeof s, "%08X", mask);
            return std::string(s);
        }());
    c.max = (std::uint64_t{1} << bits) - 1;
    return c;
}

// Decodes an RLE8 or RLE4 stream (rows bottom-up) into one index a byte, rows
// top-down. Skipped pixels stay 0; anything past the edges is dropped. Only the
// pages the stream writes cost memory, so a stream that ends early costs what
// it decoded.
decode::ZeroedBytes DecodeRle(const Bytes& b, std::size_t pos, std::int32_t w, std::int32_t h, bool rle4,
                              const std::string& file)
{
    decode::ZeroedBytes out = decode::AllocateZeroed(file, static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const std::size_t size = b.d.size();
    std::int64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](std::int64_t px, std::uint8_t v) {
        if (px < w && y < h)
            out[static_cast<std::size_t>(h - 1 - y) * w + static_cast<std::size_t>(px)] = v;
    };
    while (y < h) {
        if (size - pos < 2)
            throw FileError(file, "the BMP file is truncated inside its RLE data");
        const std::uint8_t n = b.d[pos], v = b.d[pos + 1];
        pos += 2;
        if (n > 0) {
            // Encoded run: n pixels of v (RLE4: its two nibbles in turn).
            for (int i = 0; i < n && x + i < w; ++i)
                put(x + i, rle4 ? static_cast<std::uint8_t>((i & 1) ? v & 0x0F : v >> 4) : v);
            x += n;
        } else if (v == 0) { // end of line
            x = 0;
            ++y;
        } else if (v == 1) { // end of bitmap
            break;
        } else if (v == 2) { // delta
            if (size - pos < 2)
                throw FileError(file, "the BMP file is truncated inside its RLE data");
            x += b.d[pos];
            y += b.d[pos + 1];
            pos += 2;
        } else { // absolute run of v pixels, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (v + 1u) / 2 : v;
            if (size - pos < bytes)
                throw FileError(file, "the BMP file is truncated inside its RLE data");
            for (int i = 0; i < v && x + i < w; ++i) {
                const std::uint8_t byte = b.d[pos + (rle4 ? i / 2 : i)];
                put(x + i, rle4 ? static_cast<std::uint8_t>((i & 1) ? byte & 0x0F : byte >> 4) : byte);
            }
            x += v;
            pos += std::min(size - pos, (bytes + 1) & ~std::size_t{1});
        }
    }
    return out;
}

// Where the parts of a bitmap file lie, and what its header decides: every
// check that needs no pixel, made before any is read.
struct Layout {
    Header h;
    bool topDown = false;
    bool rle = false;
    std::int32_t width = 0, height = 0;
    std::size_t tableAt = 0; // the colour table
    std::size_t offBits = 0; // the pixel data
    Channel red, green, blue; // true colour only
};

// b holds the file's first bytes: the whole file, or at least kHeadBytes of
// it; the file is fileSize bytes long.
constexpr std::size_t kHeadBytes = kFileHeaderBytes + 124 + 12;

Layout ReadLayout(const Bytes& b, std::size_t fileSize, const std::string& file, const DecodeLimits& limits)
{
    if (b.d.size() < kFileHeaderBytes + 4 || b.d[0] != 'B' || b.d[1] != 'M')
        throw FileError(file, "the BMP file is truncated inside its header");
    Layout l;
    l.h = ReadHeader(b, file);
    const Header& h = l.h;

    l.topDown = h.height < 0;
    const std::int64_t absHeight = l.topDown ? -h.height : h.height;
    l.rle = h.compression == BiRle8 || h.compression == BiRle4;
    if (l.rle && l.topDown)
        throw FileError(file, "corrupt BMP header: RLE data cannot have top-down rows");
    CheckPictureSize(file, h.width, absHeight, limits);
    l.width = static_cast<std::int32_t>(h.width);
    l.height = static_cast<std::int32_t>(absHeight);

    // The colour table follows the header (and the three masks after a 40-byte one).
    l.tableAt = kFileHeaderBytes + h.size + (h.size == 40 && h.compression == BiBitfields ? 12 : 0);
    l.offBits = b.u32(10);
    if (l.offBits < kFileHeaderBytes + h.size || l.offBits > fileSize)
        throw FileError(file, "corrupt BMP header: the pixel data offset " + std::to_string(l.offBits) +
                                  " is outside the file");

    const std::size_t have = fileSize - l.offBits;
    if (h.bpp <= 8) {
        const std::uint64_t entryBytes = h.core ? 3 : 4;
        if (h.clrUsed != 0 && h.clrUsed * entryBytes > fileSize)
            throw FileError(file, "corrupt BMP header: a colour table of " + std::to_string(h.clrUsed) +
                                      " entries cannot fit the file");
        // A missing padding of the last row is tolerated.
        const auto bpp = static_cast<std::int32_t>(h.bpp);
        const std::size_t stride = static_cast<std::size_t>(decode::IndexRowBytes(l.width, bpp));
        const std::size_t used = (static_cast<std::size_t>(l.width) * h.bpp + 7) / 8;
        if (!l.rle && have < stride * (l.height - 1) + used)
            throw FileError(file, "the BMP file is truncated inside its pixel data");
        return l;
    }

    const std::size_t stride = (static_cast<std::size_t>(l.width) * (h.bpp / 8) + 3) & ~std::size_t{3};
    const std::size_t used = static_cast<std::size_t>(l.width) * (h.bpp / 8);
    if (have < stride * (l.height - 1) + used)
        throw FileError(file, "the BMP file is truncated inside its pixel data");
    l.red = MakeChannel(h.masks[0], h.bpp, file);
    l.green = MakeChannel(h.masks[1], h.bpp, file);
    l.blue = MakeChannel(h.masks[2], h.bpp, file);
    return l;
}

} // namespace

PictureHeader ReadBmpHeader(std::FILE* stream, std::int64_t fileSize, const std::string& file,
                            const DecodeLimits& limits)
{
    std::uint8_t head[kHeadBytes];
    const std::size_t got = std::fread(head, 1, sizeof head, stream);
    if (std::ferror(stream))
        throw FileError(file, "cannot be read");
    const Layout l = ReadLayout(Bytes{{head, got}}, static_cast<std::size_t>(fileSize), file, limits);
    return {l.width, l.height, static_cast<std::int32_t>(l.h.bpp), 1};
}

DecodedPicture ReadBmp(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits)
{
    const Bytes b{data};
    const Layout l = ReadLayout(b, data.size(), file, limits);
    const Header& h = l.h;
    const bool topDown = l.topDown;
    const std::int32_t w = l.width;
    const std::int32_t hh = l.height;
    const std::size_t tableAt = l.tableAt;
    const std::size_t offBits = l.offBits;

    DecodedPicture picture;
    picture.Width = w;
    picture.Height = hh;
    picture.BitsPerPixel = static_cast<std::int32_t>(h.bpp);
    picture.ClrImportant = h.clrImportant;

    if (h.bpp <= 8) {
        const std::size_t entryBytes = h.core ? 3 : 4;
        const std::size_t n = std::size_t{1} << h.bpp;
        std::uint64_t count = h.clrUsed == 0 ? n : h.clrUsed;
        count = std::min<std::uint64_t>(count, n);
        // A table that the pixel data starts inside is shorter than it says
        // (OS/2 core files give its length only this way).
        if (offBits >= tableAt)
            count = std::min<std::uint64_t>(count, (offBits - tableAt) / entryBytes);
        std::uint32_t colours[256] = {};
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = tableAt + i * entryBytes;
            colours[i] = std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 | std::uint32_t{data[at + 2]} << 16;
        }

        if (l.rle) {
            const decode::ZeroedBytes idx = DecodeRle(b, offBits, w, hh, h.compression == BiRle4, file);
            picture.Indices = decode::PackIndices(idx.get(), w, hh, picture.BitsPerPixel);
        } else {
            // The rows are already in the index buffer's layout; top-down files
            // are turned over.
            const std::size_t stride = static_cast<std::size_t>(decode::IndexRowBytes(w, picture.BitsPerPixel));
            // Appended in buffer order into reserved memory, so that no byte is
            // filled ahead only to be overwritten.
            picture.Indices.reserve(stride * hh);
            for (std::int32_t to = 0; to < hh; ++to) {
                const std::int32_t r = topDown ? hh - 1 - to : to;
                const std::size_t from = offBits + r * stride;
                const std::size_t len = std::min(stride, data.size() - from);
                picture.Indices.insert(picture.Indices.end(), data.begin() + from, data.begin() + from + len);
                picture.Indices.resize(picture.Indices.size() + (stride - len), 0);
            }
        }
        decode::FinishPalettePicture(picture, colours, n, file);
        return picture;
    }

    const std::size_t stride = (static_cast<std::size_t>(w) * (h.bpp / 8) + 3) & ~std::size_t{3};
    const Channel& red = l.red;
    const Channel& green = l.green;
    const Channel& blue = l.blue;

    picture.Pixels = decode::AllocatePixels(file, w, hh);
    for (std::int32_t r = 0; r < hh; ++r) {
        const std::uint8_t* src = data.data() + offBits + r * stride;
        const std::int32_t y = topDown ? r : hh - 1 - r;
        std::uint32_t* out = picture.Pixels.get() + static_cast<std::size_t>(y) * w;
        switch (h.bpp) {
        case 24:
            for (std::int32_t x = 0; x < w; ++x, src += 3)
                out[x] = std::uint32_t{src[0]} | std::uint32_t{src[1]} << 8 | std::uint32_t{src[2]} << 16;
            break;
        case 16:
            for (std::int32_t x = 0; x < w; ++x, src += 2) {
                const std::uint32_t p = b.u16(static_cast<std::size_t>(src - data.data()));
                out[x] = blue(p) | green(p) << 8 | red(p) << 16;
            }
            break;
        default:
            for (std::int32_t x = 0; x < w; ++x, src += 4) {
                const std::uint32_t p = b.u32(static_cast<std::size_t>(src - data.data()));
                out[x] = blue(p) | green(p) << 8 | red(p) << 16;
            }
        }
    }
    return picture;
}

} // namespace quillmere
