#include "imaging/Clipboard.h"
#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <limits>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::SetPixels;

TEST(cDIB, CreateLaysOutPixelsBlueGreenRedReserved)
{
    cDIB dib;
    ASSERT_TRUE(dib.Create(3, 2, 255)); // 0x00BBGGRR: pure red
    EXPECT_EQ(dib.BytesPerScanLine(), 12);
    EXPECT_EQ(dib.Size(), 24);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.Header().biHeight, -2);
    EXPECT_EQ(dib.Header().biBitCount, 32);
    const std::uint8_t* b = dib.DIBitsPtr();
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(b[i * 4 + 0], 0x00);
        EXPECT_EQ(b[i * 4 + 1], 0x00);
        EXPECT_EQ(b[i * 4 + 2], 0xFF);
        EXPECT_EQ(b[i * 4 + 3], 0x00);
    }
    // Pixel (2, 1) of a 3 x 2 surface starts at byte 20.
    ASSERT_TRUE(dib.Create(3, 2, 0x00123456));
    dib.DIBitsPtr()[20] = 0xAA;
    EXPECT_EQ(GetPixels(dib)[1 * 3 + 2], 0x005634AAu);
}

TEST(cDIB, FailedCreateReleasesTheOldSurface)
{
    struct Case {
        std::int32_t w, h;
        bool overflows;
    };
    const Case cases[] = {
        {0, 10, false},
        {10, 0, false},
        {-4, 3, false},
        {-4, -3, false},                                        // the product is positive, the size is not
        {65536, 8192, true},                                    // 2^31 bytes
        {std::numeric_limits<std::int32_t>::max(), 1, true},
        {0, std::numeric_limits<std::int32_t>::min(), true},    // the negated height does not fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.w) + " x " + ::testing::PrintToString(c.h));
        cDIB dib;
        ASSERT_TRUE(dib.Create(4, 4));
        if (c.overflows) {
            EXPECT_THROW(dib.Create(c.w, c.h), OverflowError);
        } else {
            EXPECT_FALSE(dib.Create(c.w, c.h));
        }
        EXPECT_EQ(dib.hDIB(), nullptr);
        EXPECT_EQ(dib.hDIBDC(), nullptr);
        EXPECT_EQ(dib.DIBitsPtr(), nullptr);
    }
}

TEST(cDIB, DestroyKeepsTheSizeAndLeavesAnEmptySurfaceInert)
{
    cDIB dib;
    ASSERT_TRUE(dib.Create(5, 7, 0x0000FF00));
    dib.Destroy();
    EXPECT_EQ(dib.hDIB(), nullptr);
    EXPECT_EQ(dib.Width(), 5);
    EXPECT_EQ(dib.Height(), 7);
    EXPECT_EQ(dib.Size(), 140);

    cDIB target;
    ASSERT_TRUE(target.Create(5, 7, 0x00FFFFFF));
    const auto before = GetPixels(target);
    dib.Paint(target.hDIBDC());
    dib.Stretch(target.hDIBDC(), 0, 0, 5, 7, 0, 0, 5, 7, ColorOnColor);
    target.LoadDIBBlt(dib);
    EXPECT_EQ(GetPixels(target), before);

    testing::RecordingObserver events;
    dib.SetProgressObserver(&events);
    dib.LoadBlt(target.hDIBDC());
    dib.Resize(3, 3);
    dib.Resample(3, 3);
    dib.Orientation(true, true, true);
    EXPECT_EQ(dib.hDIB(), nullptr);
    EXPECT_TRUE(events.progress.empty());
    EXPECT_EQ(events.ends, 0);
}

TEST(cDIB, GetBestFitInfo)
{
    struct Case {
        std::int32_t w, h, dstW, dstH;
        bool stretch;
        std::int32_t x, y, bw, bh;
    };
    const Case cases[] = {
        {640, 480, 100, 100, false, 0, 12, 100, 75},  // the width limits
        {50, 40, 100, 100, false, 25, 30, 50, 40},    // fits: never enlarged
        {50, 40, 100, 100, true, 0, 10, 100, 80},     // ... unless stretched
        {400, 400, 100, 100, false, 0, 0, 100, 100},  // equal ratios take the height branch
        {300, 200, 101, 100, false, 0, 16, 101, 67},  // 67.33 rounds down
        {320, 400, 100, 100, false, 10, 0, 80, 100},  // the logo's own thumbnail
        {3, 1, 2, 100, false, 0, 49, 2, 1},           // 0.666.. rounds to 1
        {4, 1, 2, 100, false, 0, 50, 2, 0},           // 0.5 rounds to the even 0
        {9, 120, 100, 100, false, 46, 0, 7, 100},     // single-precision ratio: 7.4999998, not 7.5 -> 8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.w) + "x" + ::testing::PrintToString(c.h));
        cDIB dib;
        ASSERT_TRUE(dib.Create(c.w, c.h));
        std::int32_t x = -1, y = -1, bw = -1, bh = -1;
        dib.GetBestFitInfo(c.dstW, c.dstH, x, y, bw, bh, c.stretch);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(bw, c.bw);
        EXPECT_EQ(bh, c.bh);
    }
}

TEST(cDIB, GetBestFitInfoOfAZeroSizeIsADivisionByZero)
{
    cDIB dib;
    std::int32_t x, y, w, h;
    EXPECT_NO_THROW(dib.GetBestFitInfo(100, 100, x, y, w, h)); // 0 x 0 fits
    EXPECT_EQ(w, 0);
    EXPECT_THROW(dib.GetBestFitInfo(100, 100, x, y, w, h, true), DivisionByZeroError);
}

TEST(cDIB, LoadBltCopiesARectangleAndLoadDIBBltScalesWithoutBlending)
{
    cDIB src;
    SetPixels(src, 4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    cDIB crop;
    ASSERT_TRUE(crop.Create(2, 2, 0x00FFFFFF));
    crop.LoadBlt(src.hDIBDC(), 1, 0);
    EXPECT_EQ(GetPixels(crop), (std::vector<std::uint32_t>{2, 3, 6, 7}));

    // Reducing drops whole columns (each new pixel takes the one under its
    // centre), enlarging repeats them: every pixel is a source pixel.
    cDIB half;
    ASSERT_TRUE(half.Create(2, 1));
    half.LoadDIBBlt(src);
    EXPECT_EQ(GetPixels(half), (std::vector<std::uint32_t>{6, 8}));
    cDIB twice;
    ASSERT_TRUE(twice.Create(8, 4));
    twice.LoadDIBBlt(src);
    const std::vector<std::uint32_t> expected = {1, 1, 2, 2, 3, 3, 4, 4, 1, 1, 2, 2, 3, 3, 4, 4,
                                                 5, 5, 6, 6, 7, 7, 8, 8, 5, 5, 6, 6, 7, 7, 8, 8};
    EXPECT_EQ(GetPixels(twice), expected);
}

TEST(cDIB, PaintScalesAndChecksTheProduct)
{
    cDIB src;
    SetPixels(src, 2, 1, {7, 9});
    cDIB dst;
    ASSERT_TRUE(dst.Create(5, 3));
    dst.hDIBDC()->SetStretchBltMode(Halftone);
    src.Paint(dst.hDIBDC(), 1, 1, 2);
    EXPECT_EQ(GetPixels(dst), (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0, 7, 7, 9, 9, 0, 7, 7, 9, 9}));
    EXPECT_EQ(dst.hDIBDC()->GetStretchBltMode(), Halftone); // left unchanged
    EXPECT_THROW(src.Paint(dst.hDIBDC(), 0, 0, 1 << 30), OverflowError);
}

TEST(cDIB, StretchPutsTheDestinationModeBack)
{
    cDIB src;
    SetPixels(src, 2, 2, {1, 2, 3, 4});
    cDIB dst;
    ASSERT_TRUE(dst.Create(2, 2));
    dst.hDIBDC()->SetStretchBltMode(WhiteOnBlack);
    src.Stretch(dst.hDIBDC(), 0, 0, 2, 2, 0, 0, 2, 2, ColorOnColor);
    EXPECT_EQ(GetPixels(dst), (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(dst.hDIBDC()->GetStretchBltMode(), WhiteOnBlack);
}

struct FakeClipboard : Clipboard {
    bool canOpen = true;
    bool isOpen = false;
    int closes = 0;
    std::vector<std::uint32_t> pixels;
    std::int32_t width = 0, height = 0;
    bool Open() override { return isOpen = canOpen; }
    void Empty() override { pixels.clear(); }
    void SetBitmap(std::vector<std::uint32_t> p, std::int32_t w, std::int32_t h) override
    {
        pixels = std::move(p);
        width = w;
        height = h;
    }
    void Close() override
    {
        isOpen = false;
        ++closes;
    }
};

TEST(cDIB, CopyToClipboardHandsOverACopyAndClosesTheClipboard)
{
    FakeClipboard clipboard;
    SetSystemClipboard(&clipboard);
    cDIB dib;
    SetPixels(dib, 2, 1, {0x00112233, 0x00445566});
    dib.CopyToClipboard();
    EXPECT_EQ(clipboard.pixels, (std::vector<std::uint32_t>{0x00112233, 0x00445566}));
    EXPECT_EQ(clipboard.width, 2);
    EXPECT_EQ(clipboard.closes, 1);

    clipboard.pixels = {42};
    clipboard.canOpen = false;
    dib.CopyToClipboard();
    dib.Destroy();
    clipboard.canOpen = true;
    dib.CopyToClipboard();
    EXPECT_EQ(clipboard.pixels, (std::vector<std::uint32_t>{42}));
    EXPECT_EQ(clipboard.closes, 1);
    SetSystemClipboard(nullptr);
}

} // namespace
} // namespace quillmere
