// A decoded picture made into the surface: the depth it reports, the palette
// and index buffer a palette picture brings along, and nothing changed when a
// load fails.
#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "pictureio/cDIBSave.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/PictureFixtures.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillmere {
namespace {

using testing::BmpFile;
using testing::Bytes;
using testing::GetPixels;

struct Loaded {
    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;
    std::int32_t depth = 0;
};

void Load(const Bytes& file, Loaded& into)
{
    DecodedPicture picture = DecodePicture(file, "fixture.bmp");
    into.depth = into.dib.CreateFromStdPicture(&picture, into.pal, into.dither);
}

std::vector<std::uint8_t> PaletteBytes(const cDIBPal& pal)
{
    if (pal.Count() == 0)
        return {};
    return {pal.PalettePtr(), pal.PalettePtr() + pal.Count() * 4};
}

TEST(Import, FourBitPictureKeepsSixteenEntriesAndBottomUpRows)
{
    // 5 x 2, a 3-entry colour table; rows as stored: bottom row first.
    const std::vector<std::uint32_t> colours = {0x112233, 0x445566, 0x778899};
    const Bytes rows = {0x01, 0x20, 0x10, 0x00,  // bottom: 0 1 2 0 1
                        0x22, 0x11, 0x00, 0x00}; // top:    2 2 1 1 0
    Loaded l;
    Load(BmpFile(5, 2, 4, colours, rows, 0, 3), l);
    EXPECT_EQ(l.depth, 4);
    ASSERT_EQ(l.pal.Count(), 16);
    EXPECT_EQ(l.pal.rgbR(1), 0x44);
    EXPECT_EQ(l.pal.rgbG(2), 0x88);
    EXPECT_EQ(l.pal.rgbB(0), 0x33);
    EXPECT_EQ(l.pal.rgbR(3), 0); // not in the file: black
    EXPECT_EQ(l.dither.PalID(), rows); // ((5 * 4 + 31) / 32) * 4 = 4 bytes a row
    EXPECT_EQ(GetPixels(l.dib), (std::vector<std::uint32_t>{0x778899, 0x778899, 0x445566, 0x445566, 0x112233,
                                                             0x112233, 0x445566, 0x778899, 0x112233, 0x445566}));
}

TEST(Import, OneBitPictureHasTopLeftInBitSevenOfTheLastRow)
{
    // 10 x 2: the top row starts with index 1, the bottom row with 0.
    const Bytes rows = {0x55, 0x40, 0, 0,  // bottom: 0 1 0 1 0 1 0 1 0 1
                        0xC0, 0x00, 0, 0}; // top:    1 1 0 ...
    Loaded l;
    Load(BmpFile(10, 2, 1, {0x000000, 0xFFFFFF}, rows), l);
    EXPECT_EQ(l.depth, 1);
    EXPECT_EQ(l.pal.Count(), 2);
    ASSERT_EQ(l.dither.PalIDSize(), 8);
    EXPECT_EQ(l.dither.PalID()[4] >> 7, 1);
    EXPECT_EQ(GetPixels(l.dib)[0], 0xFFFFFFu);
    EXPECT_EQ(GetPixels(l.dib)[10], 0x000000u);
}

TEST(Import, TrueColourLeavesPaletteAndIndexBufferAlone)
{
    struct Case {
        std::uint16_t bpp;
        Bytes rows; // one pixel, blue 0x10, green 0x20, red 0x30
    };
    const Case cases[] = {{24, {0x10, 0x20, 0x30, 0}}, {32, {0x10, 0x20, 0x30, 0x99}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpp);
        Loaded l;
        l.pal.CreateEGA();
        l.dither.InitializePalID(3, 3, 8)[0] = 7;
        const auto palBefore = PaletteBytes(l.pal);
        const auto idsBefore = l.dither.PalID();
        Load(BmpFile(1, 1, c.bpp, {}, c.rows), l);
        EXPECT_EQ(l.depth, 24);
        EXPECT_EQ(GetPixels(l.dib), std::vector<std::uint32_t>{0x302010});
        EXPECT_EQ(PaletteBytes(l.pal), palBefore);
        EXPECT_EQ(l.dither.PalID(), idsBefore);
    }
}

TEST(Import, SamePictureStoredThreeWaysGivesTheSameBuffers)
{
    // 3 x 2 at 8 bits: rows (1 2 3) on top of (4 5 6).
    const std::vector<std::uint32_t> colours = {0, 0x100000, 0x200000, 0x300000, 0x400000, 0x500000, 0x600000};
    const Bytes bottomUp = {4, 5, 6, 0, 1, 2, 3, 0};
    Bytes topDown = BmpFile(3, 2, 8, colours, {1, 2, 3, 0, 4, 5, 6, 0});
    testing::PutU32(topDown, 22, static_cast<std::uint32_t>(-2));
    // RLE8: runs of one, end of line, end of bitmap.
    const Bytes rle = {1, 4, 1, 5, 1, 6, 0, 0, 0, 3, 1, 2, 3, 0, 0, 0, 0, 1};
    const Bytes files[] = {BmpFile(3, 2, 8, colours, bottomUp), topDown, BmpFile(3, 2, 8, colours, rle, 1)};
    for (const Bytes& file : files) {
        Loaded l;
        Load(file, l);
        EXPECT_EQ(l.depth, 8);
        EXPECT_EQ(l.pal.Count(), 256);
        EXPECT_EQ(l.dither.PalID(), bottomUp);
        EXPECT_EQ(GetPixels(l.dib),
                  (std::vector<std::uint32_t>{0x100000, 0x200000, 0x300000, 0x400000, 0x500000, 0x600000}));
    }
}

TEST(Import, LogoIsWrittenAgainUnchanged)
{
    std::vector<std::uint32_t> colours(256);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = i * 0x010203u & 0xFFFFFF;
    Bytes rows(320 * 400);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::uint8_t>(i * 7 + i / 320);
    const Bytes logo = BmpFile(320, 400, 8, colours, rows);
    ASSERT_EQ(logo.size(), 129078u);

    Loaded l;
    Load(logo, l);
    EXPECT_EQ(l.depth, 8);
    EXPECT_EQ(l.pal.Count(), 256);
    EXPECT_EQ(l.dither.PalIDSize(), 128000);
    const auto dir = std::filesystem::path(::testing::TempDir()) / "import-logo";
    std::filesystem::create_directories(dir);
    cDIBSave::Save_BMP((dir / "again.sys").string(), l.dib, l.pal, l.dither, 8);
    EXPECT_EQ(testing::ReadBytes(dir / "again.sys"), logo);
    std::filesystem::remove_all(dir);
}

TEST(Import, FailedLoadChangesNothing)
{
    Loaded l;
    Load(BmpFile(2, 1, 8, {0x123456, 0x654321}, {0, 1, 0, 0}), l);
    const auto pixels = GetPixels(l.dib);
    const auto pal = PaletteBytes(l.pal);
    const auto ids = l.dither.PalID();
    auto unchanged = [&] {
        EXPECT_EQ(GetPixels(l.dib), pixels);
        EXPECT_EQ(PaletteBytes(l.pal), pal);
        EXPECT_EQ(l.dither.PalID(), ids);
    };

    // A file that does not decode never reaches the surface.
    EXPECT_THROW(Load(BmpFile(2, 1, 8, {}, {0}), l), FileError);
    unchanged();
    // No picture at all.
    EXPECT_EQ(l.dib.CreateFromStdPicture(nullptr, l.pal, l.dither), 0);
    unchanged();
    // A picture whose index buffer does not match its size.
    DecodedPicture odd = DecodePicture(BmpFile(4, 1, 4, {0xFF}, {0x12, 0x34, 0, 0}), "odd.bmp");
    odd.Indices.pop_back();
    EXPECT_THROW(l.dib.CreateFromStdPicture(&odd, l.pal, l.dither), Error);
    unchanged();
}

} // namespace
} // namespace quillmere
