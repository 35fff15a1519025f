// Bitmap files at the edges the public suite leaves out: colour tables that
// claim more than the file holds, the exact colours of bit-field pixels, and a
// last row without its padding.
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "support/PictureFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::BmpFile;
using testing::Bytes;
using testing::PutU16;
using testing::PutU32;

std::vector<std::uint32_t> Pixels(const DecodedPicture& p)
{
    return {p.Pixels.get(), p.Pixels.get() + static_cast<std::size_t>(p.Width) * p.Height};
}

std::uint32_t TableEntry(const DecodedPicture& p, std::size_t i)
{
    return std::uint32_t{p.ColorTable[i * 4]} | std::uint32_t{p.ColorTable[i * 4 + 1]} << 8 |
           std::uint32_t{p.ColorTable[i * 4 + 2]} << 16;
}

// An OS/2 1.x bitmap (12-byte header, 3-byte table entries) of 8 bits a pixel.
Bytes Os2CoreFile(std::uint16_t width, std::uint16_t height, const std::vector<std::uint32_t>& colours,
                  const Bytes& rows)
{
    const std::size_t offBits = 14 + 12 + colours.size() * 3;
    Bytes b(offBits);
    b[0] = 'B', b[1] = 'M';
    PutU32(b, 2, static_cast<std::uint32_t>(offBits + rows.size()));
    PutU32(b, 10, static_cast<std::uint32_t>(offBits));
    PutU32(b, 14, 12);
    PutU16(b, 18, width), PutU16(b, 20, height), PutU16(b, 22, 1), PutU16(b, 24, 8);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        b[26 + i * 3] = static_cast<std::uint8_t>(colours[i]);
        b[27 + i * 3] = static_cast<std::uint8_t>(colours[i] >> 8);
        b[28 + i * 3] = static_cast<std::uint8_t>(colours[i] >> 16);
    }
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

TEST(BmpReader, ColourTableIsReadOnlyAsFarAsTheFileHoldsIt)
{
    // The pixels use entries the table does not have; those entries are black.
    // Read past the table, they would take colour from the pixel bytes (or from
    // beyond the end of the file).
    struct Case {
        const char* name;
        Bytes file;
        std::vector<std::uint32_t> pixels;
    };
    const Case cases[] = {
        // biClrUsed says 4 entries; the pixel data starts after 2.
        {"table runs past the pixel data offset", BmpFile(2, 1, 8, {0x112233, 0x445566}, {2, 3, 0xAA, 0xBB}, 0, 4),
         {0, 0}},
        // An OS/2 file tells its table's length only by where the pixels start:
        // 2 entries, then the 4-byte row of a pixel of index 2, then the end.
        {"tiny OS/2 file", Os2CoreFile(1, 1, {0x112233, 0x445566}, {2, 0x77, 0x88, 0x99}), {0}},
        {"tiny OS/2 file, pixel of entry 1", Os2CoreFile(1, 1, {0x112233, 0x445566}, {1, 0x77, 0x88, 0x99}),
         {0x445566}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPicture p = DecodePicture(c.file, "short-table.bmp");
        EXPECT_EQ(Pixels(p), c.pixels);
        ASSERT_EQ(p.ColorTable.size(), 1024u);
        EXPECT_EQ(TableEntry(p, 0), 0x112233u);
        EXPECT_EQ(TableEntry(p, 1), 0x445566u);
        for (std::size_t i = 2; i < 256; ++i)
            ASSERT_EQ(TableEntry(p, i), 0u) << "entry " << i;
    }
}

// Bit-field pixels are widened to 0..255 by rounding v * 255 / max, not by
// repeating bits or truncating: no tolerance.
struct BitfieldCase {
    const char* name;
    std::uint16_t bpp;
    std::uint32_t compression;            // 0: the default 5-5-5 or 8-8-8 layout; 3: masks
    std::uint32_t masks[3];               // red, green, blue
    std::vector<std::uint32_t> stored;    // pixel values as stored
    std::vector<std::uint32_t> expected;  // 0x00RRGGBB
};

void PrintTo(const BitfieldCase& c, std::ostream* os) { *os << c.name; }

const BitfieldCase kBitfields[] = {
    {"FiveFiveFive", 16, 0, {}, {0x0C63, 0x0000, 0x7FFF, 0x0421, 0x4210, 0x7BDE, 0x7C03},
     // 3 -> 24.68 -> 25 (repeated bits give 24); 1 -> 8.23; 16 -> 131.61; 30 -> 246.77
     {0x191919, 0x000000, 0xFFFFFF, 0x080808, 0x848484, 0xF7F7F7, 0xFF0019}},
    {"FiveSixFive", 16, 3, {0xF800, 0x07E0, 0x001F}, {0x0C63, 0xFFFF, 0x0400, 0x0020, 0x07C0},
     // green 35 -> 141.67 -> 142; 32 -> 129.52 -> 130; 1 -> 4.05; 62 -> 250.95
     {0x088E19, 0xFFFFFF, 0x008200, 0x000400, 0x00FB00}},
    {"TenTenTen", 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, {0x00300C03, 0x00200802, 0x3FFFFFFF},
     // 3 -> 0.748 -> 1; 2 -> 0.499 -> 0
     {0x010101, 0x000000, 0xFFFFFF}},
};

class Bitfields : public ::testing::TestWithParam<BitfieldCase> {};

TEST_P(Bitfields, ChannelsAreWidenedByRounding)
{
    const BitfieldCase& c = GetParam();
    const int bytes = c.bpp / 8;
    Bytes row;
    for (const std::uint32_t v : c.stored)
        for (int i = 0; i < bytes; ++i)
            row.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    while (row.size() % 4)
        row.push_back(0);
    // A 40-byte header with bit fields is followed by the three masks.
    const std::vector<std::uint32_t> maskSpace(c.compression == 3 ? 3 : 0, 0);
    Bytes file = BmpFile(static_cast<std::int32_t>(c.stored.size()), 1, c.bpp, maskSpace, row, c.compression);
    for (std::size_t i = 0; i < maskSpace.size(); ++i)
        PutU32(file, 54 + i * 4, c.masks[i]);
    const DecodedPicture p = DecodePicture(file, "fields.bmp");
    EXPECT_EQ(p.BitsPerPixel, c.bpp);
    EXPECT_EQ(Pixels(p), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Bitfields, ::testing::ValuesIn(kBitfields),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpReader, IndexedFileMayEndWithoutTheLastRowsPadding)
{
    // Two rows; the second stored row (the top one, bottom-up) stops right
    // after its pixels. One byte fewer is a truncated file.
    struct Case {
        std::uint16_t bpp;
        std::int32_t width;
        Bytes stored;
        Bytes indices; // the full buffer, padding restored
    };
    const Case cases[] = {
        {8, 3, {1, 2, 3, 0, 4, 5, 6}, {1, 2, 3, 0, 4, 5, 6, 0}},
        {4, 3, {0x12, 0x30, 0, 0, 0x45, 0x60}, {0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}},
        {1, 9, {0x80, 0x80, 0, 0, 0x40, 0x00}, {0x80, 0x80, 0, 0, 0x40, 0x00, 0, 0}},
    };
    std::vector<std::uint32_t> colours(16);
    for (std::uint32_t i = 0; i < 16; ++i)
        colours[i] = i * 0x111111u;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpp);
        const std::vector<std::uint32_t> table(colours.begin(), colours.begin() + (c.bpp == 1 ? 2 : 16));
        const DecodedPicture p = DecodePicture(BmpFile(c.width, 2, c.bpp, table, c.stored), "unpadded.bmp");
        EXPECT_EQ(p.Indices, c.indices);
        EXPECT_EQ(p.Pixels[0], c.bpp == 1 ? 0u : 4 * 0x111111u); // top left: the last stored row
        Bytes cut = c.stored;
        cut.pop_back();
        try {
            DecodePicture(BmpFile(c.width, 2, c.bpp, table, cut), "cut.bmp");
            ADD_FAILURE() << "loaded";
        } catch (const FileError& e) {
            EXPECT_EQ(e.reason(), "the BMP file is truncated inside its pixel data");
        }
    }
}

} // namespace
} // namespace quillmere
