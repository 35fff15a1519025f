#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::Iota;
using testing::RecordingObserver;
using testing::SetPixels;

enum class Op { Resize, Resample };

void Apply(cDIB& dib, Op op, std::int32_t w, std::int32_t h)
{
    op == Op::Resize ? dib.Resize(w, h) : dib.Resample(w, h);
}

struct ScaleCase {
    const char* name;
    Op op;
    std::int32_t w, h;
    std::vector<std::uint32_t> in;
    std::int32_t newW, newH;
    std::vector<std::uint32_t> out;
};

constexpr std::uint32_t A = 0x00102030, B = 0x00C0B0A0;

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }

class Scale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(Scale, GivesExactPixels)
{
    const ScaleCase& c = GetParam();
    cDIB dib;
    SetPixels(dib, c.w, c.h, c.in);
    RecordingObserver events;
    dib.SetProgressObserver(&events);
    Apply(dib, c.op, c.newW, c.newH);
    EXPECT_EQ(dib.Width(), c.newW);
    EXPECT_EQ(dib.Height(), c.newH);
    EXPECT_EQ(GetPixels(dib), c.out);
    EXPECT_EQ(events.progress, Iota(c.newH));
    EXPECT_EQ(events.ends, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Scale,
    ::testing::Values(
        // Nearest pixel: 0.5 rounds to the even 0; 0.25 and 0.75 to the nearer.
        ScaleCase{"ResizeTo3x1", Op::Resize, 2, 1, {A, B}, 3, 1, {A, A, B}},
        ScaleCase{"ResizeTo5x1", Op::Resize, 2, 1, {A, B}, 5, 1, {A, A, A, B, B}},
        // The same size copies every pixel but clears the reserved byte.
        ScaleCase{"ResizeSameSize", Op::Resize, 2, 2, {0xFF000001, 2, 3, 0x80000004}, 2, 2, {1, 2, 3, 4}},
        ScaleCase{"ResampleSameSize", Op::Resample, 2, 2, {0xFF000001, 2, 3, 0x80000004}, 2, 2, {1, 2, 3, 4}},
        // Reducing to 1 x 1 takes the top-left pixel.
        ScaleCase{"ResizeTo1x1", Op::Resize, 2, 2, {A, B, B, B}, 1, 1, {A}},
        ScaleCase{"ResampleTo1x1", Op::Resample, 2, 2, {A, B, B, B}, 1, 1, {A}},
        // A single pixel reads no neighbour.
        ScaleCase{"Resample1x1To3x3", Op::Resample, 1, 1, {A}, 3, 3, std::vector<std::uint32_t>(9, A)},
        ScaleCase{"Resize1x1To3x3", Op::Resize, 1, 1, {A}, 3, 3, std::vector<std::uint32_t>(9, A)},
        // Red 0 and 255: 127.5 rounds to the even 128; 63.75 to 64, 191.25 to 191.
        ScaleCase{"ResampleTo3x1", Op::Resample, 2, 1, {0, 0x00FF0000}, 3, 1, {0, 0x00800000, 0x00FF0000}},
        ScaleCase{"ResampleTo5x1", Op::Resample, 2, 1, {0, 0x00FF0000}, 5, 1,
                  {0, 0x00400000, 0x00800000, 0x00BF0000, 0x00FF0000}},
        // Vertical first, each column rounded before the horizontal step: in the
        // centre the columns give 1.5 -> 2 and 3.5 -> 4 (blue), then 3. Rows first
        // would give 2 and 3, then 2; no rounding between the steps 2.5 -> 2.
        ScaleCase{"ResampleRoundsColumnsFirst", Op::Resample, 2, 2, {1, 3, 2, 4}, 3, 3,
                  {1, 2, 3, 2, 3, 4, 2, 3, 4}},
        // Positions are single precision: 1/6 * 3 is 0.50000001 in double but 0.5
        // as a float, which rounds to the even 0.
        ScaleCase{"ResizeTo7x1", Op::Resize, 2, 1, {A, B}, 7, 1, {A, A, A, A, B, B, B}}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) { return std::string(info.param.name); });

TEST(Scale, ProgressOfTheLogoResize)
{
    cDIB dib;
    ASSERT_TRUE(dib.Create(640, 480, 0x00336699));
    RecordingObserver events;
    dib.SetProgressObserver(&events);
    dib.Resize(320, 400);
    EXPECT_EQ(events.progress, Iota(400));
    EXPECT_EQ(events.ends, 1);
    EXPECT_EQ(GetPixels(dib), std::vector<std::uint32_t>(320 * 400, 0x00996633));
}

TEST(Scale, ImpossibleSizesLeaveTheSurfaceEmptyWithoutEvents)
{
    for (Op op : {Op::Resize, Op::Resample}) {
        cDIB dib;
        ASSERT_TRUE(dib.Create(4, 4));
        RecordingObserver events;
        dib.SetProgressObserver(&events);
        EXPECT_THROW(Apply(dib, op, 0, 5), Error);
        EXPECT_EQ(dib.hDIB(), nullptr);
        ASSERT_TRUE(dib.Create(4, 4));
        EXPECT_THROW(Apply(dib, op, 65536, 65536), OverflowError);
        EXPECT_EQ(dib.hDIB(), nullptr);
        EXPECT_TRUE(events.progress.empty());
        EXPECT_EQ(events.ends, 0);
    }
}

} // namespace
} // namespace quillmere
