// The picture-size limit: a tiny file whose header claims a huge picture is
// refused from that header, with the picture's size and the limit; a picture
// at the limit is not.
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "support/HugeClaims.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quillmere {
namespace {

using testing::Bytes;
using testing::HugeClaims;

// The reason a decode fails for, or nothing when it loads.
std::optional<std::string> Refusal(const Bytes& file, const DecodeLimits& limits = {})
{
    try {
        DecodePicture(file, "big.bmp", limits);
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), "big.bmp");
        return e.reason();
    }
    return std::nullopt;
}

TEST(PictureLimit, TinyFileClaimingAHugePictureIsRefusedWithItsSizeAndTheLimit)
{
    for (const auto& claim : HugeClaims(23000, 23000)) {
        SCOPED_TRACE(claim.kind);
        EXPECT_LT(claim.bytes.size(), 1100u);
        try {
            DecodePicture(claim.bytes, "big.bmp");
            ADD_FAILURE() << "loaded";
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), "big.bmp: the picture is 23000 x 23000 pixels (529 megapixels); the limit is 128");
        }
    }
}

TEST(PictureLimit, APictureAtTheLimitPassesAndOnePixelMoreIsRefused)
{
    // 40 x 30 = 1,200 pixels. Those whose data holds a whole picture load; the
    // others fail for what their data lacks, never for their size.
    struct Case {
        const char* kind;
        bool loads;
    };
    constexpr Case kCases[] = {
        {"rle8.bmp", true},         {"rle4.bmp", true},        {"uncompressed-8bit.bmp", false},
        {"uncompressed-24bit.bmp", false}, {"gif-screen.gif", true}, {"gif-image.gif", false},
        {"baseline.jpg", false},    {"progressive.jpg", false},
    };
    const auto claims = HugeClaims(40, 30);
    ASSERT_EQ(claims.size(), std::size(kCases));
    for (std::size_t i = 0; i < claims.size(); ++i) {
        SCOPED_TRACE(claims[i].kind);
        ASSERT_EQ(claims[i].kind, kCases[i].kind);
        DecodeLimits limits;
        limits.MaxPixels = 1200;
        const auto atLimit = Refusal(claims[i].bytes, limits);
        if (kCases[i].loads)
            EXPECT_FALSE(atLimit) << *atLimit;
        else
            EXPECT_TRUE(atLimit && atLimit->find("the limit") == std::string::npos) << atLimit.value_or("loaded");
        limits.MaxPixels = 1199;
        EXPECT_EQ(Refusal(claims[i].bytes, limits),
                  "the picture is 40 x 30 pixels (0.0012 megapixels); the limit is 0.001199");
    }
}

TEST(PictureLimit, DefaultLimitIs128MegapixelsAndATruncatedGifIsToldAsTruncated)
{
    // These GIFs hold one pixel of data whatever their descriptor says: under
    // the limit they are refused as truncated before their buffers are made.
    struct Case {
        std::uint16_t width, height;
        const char* reason;
    };
    const Case cases[] = {
        {16000, 8000, "the GIF file is truncated ("}, // 128,000,000 pixels: at the limit
        {10000, 10000, "the GIF file is truncated ("},
        {16000, 8001, "the picture is 16000 x 8001 pixels (128.016 megapixels); the limit is 128"},
        {65535, 65535, "the picture is 65535 x 65535 pixels (4294.836225 megapixels); the limit is 128"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const auto reason = Refusal(testing::GifImageClaiming(c.width, c.height));
        ASSERT_TRUE(reason);
        EXPECT_EQ(reason->rfind(c.reason, 0), 0u) << *reason;
    }
}

TEST(PictureLimit, GifDataThatCouldHoldThePictureIsStillDecoded)
{
    // 4,096 pixels a code and at least a bit a code: a flat picture compresses
    // far, and the bound must never refuse a sound file.
    testing::GifSpec s;
    s.width = s.screenWidth = 2000;
    s.height = s.screenHeight = 1000;
    s.globalColours = {0x000000, 0xFFFFFF};
    s.indices.assign(2000u * 1000u, 1);
    const Bytes flat = testing::EncodeGif(s);
    const DecodedPicture p = DecodePicture(flat, "flat.gif");
    EXPECT_EQ(p.Width, 2000);
    EXPECT_EQ(p.Pixels[1999999], 0xFFFFFFu);
}

TEST(PictureLimit, ARaisedLimitStillMeetsTheTwoGigabyteSurface)
{
    DecodeLimits limits;
    limits.MaxPixels = 1'000'000'000;
    // 65536 x 8192 x 4 bytes is 2 GB, one byte more than a signed 32-bit count.
    EXPECT_EQ(Refusal(testing::BmpFile(65536, 8192, 8, {}, Bytes(16)), limits),
              "the picture is 65536 x 8192 pixels, too large to load (more than 2 GB in memory)");
}

} // namespace
} // namespace quillmere
