#include "imaging/cDIB.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::Iota;
using testing::RecordingObserver;
using testing::SetPixels;

// The 3 x 2 picture with rows (A B C) and (D E F).
enum : std::uint32_t { A = 0xA, B = 0xB, C = 0xC, D = 0xD, E = 0xE, F = 0xF };

struct OrientationCase {
    bool rotate, flipH, flipV;
    std::int32_t w, h;
    std::vector<std::uint32_t> rows;
};

TEST(Orientation, AllEightCombinationsOnThe3x2Picture)
{
    const OrientationCase cases[] = {
        {false, false, false, 3, 2, {A, B, C, D, E, F}},
        {false, true, false, 3, 2, {C, B, A, F, E, D}},
        {false, false, true, 3, 2, {D, E, F, A, B, C}},
        {false, true, true, 3, 2, {F, E, D, C, B, A}},
        // Anticlockwise: the top row becomes the left column read bottom to top.
        {true, false, false, 2, 3, {C, F, B, E, A, D}},
        {true, true, false, 2, 3, {F, C, E, B, D, A}},
        {true, false, true, 2, 3, {A, D, B, E, C, F}},
        {true, true, true, 2, 3, {D, A, E, B, F, C}},
    };
    for (const OrientationCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "rotate " << c.rotate << " flipH " << c.flipH << " flipV " << c.flipV);
        cDIB dib;
        SetPixels(dib, 3, 2, {A, B, C, D, E, F});
        RecordingObserver events;
        dib.SetProgressObserver(&events);
        dib.Orientation(c.rotate, c.flipH, c.flipV);
        EXPECT_EQ(dib.Width(), c.w);
        EXPECT_EQ(dib.Height(), c.h);
        EXPECT_EQ(GetPixels(dib), c.rows);
        EXPECT_EQ(events.progress, c.rotate ? Iota(2) : std::vector<std::int32_t>{});
        EXPECT_EQ(events.ends, 1);
    }
}

TEST(Orientation, RotatingALargePictureMatchesThePixelRuleAndReportsEveryRow)
{
    // Wider than a strip of rows and not a multiple of it.
    const std::int32_t W = 37, H = 21;
    std::vector<std::uint32_t> in(W * H);
    for (std::size_t k = 0; k < in.size(); ++k)
        in[k] = 0xFF000000u | static_cast<std::uint32_t>(k);
    cDIB dib;
    SetPixels(dib, W, H, in);
    RecordingObserver events;
    dib.SetProgressObserver(&events);
    dib.Orientation(true, false, false);
    ASSERT_EQ(dib.Width(), H);
    ASSERT_EQ(dib.Height(), W);
    const auto out = GetPixels(dib);
    for (std::int32_t i = 0; i < H; ++i)
        for (std::int32_t j = 0; j < W; ++j)
            ASSERT_EQ(out[(W - 1 - j) * H + i], in[i * W + j] & 0x00FFFFFFu) << i << "," << j;
    EXPECT_EQ(events.progress, Iota(H));
    EXPECT_EQ(events.ends, 1);
}

} // namespace
} // namespace quillmere
