#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "widgets/CanvasLayout.h"

#include <gtest/gtest.h>

#include <climits>

namespace quillmere {
namespace {

struct CoordinateCase {
    std::int32_t position, mouse;
    float scale;
    std::int32_t pixel;
};

void PrintTo(const CoordinateCase& c, std::ostream* os)
{
    *os << "(" << c.position << " + " << c.mouse << ") / " << c.scale;
}

class PictureCoordinates : public ::testing::TestWithParam<CoordinateCase> {};

TEST_P(PictureCoordinates, RoundDown)
{
    const CoordinateCase& c = GetParam();
    EXPECT_EQ(PictureCoordinate(c.position, c.mouse, c.scale), c.pixel);
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, PictureCoordinates,
    ::testing::Values(CoordinateCase{133, 50, 1.0f, 183}, CoordinateCase{0, 30, 2.0f, 15},
                      CoordinateCase{0, 29, 2.0f, 14},
                      // left of the picture: down, not toward zero
                      CoordinateCase{0, -1, 2.0f, -1}, CoordinateCase{0, -36, 1.0f, -36},
                      CoordinateCase{0, 100, 0.5833333f, 171},
                      // held where scaling back cannot overflow
                      CoordinateCase{INT_MAX, 10000, 1.0f, (1 << 30) - 1},
                      // the single-precision 0.01 is a little below 0.01
                      CoordinateCase{0, -10000, 0.01f, -1000001}, CoordinateCase{0, 10000, 0.01f, 1000000}));

TEST(CanvasLayout, AZoomedSizeBeyond32BitsIsAnOverflow)
{
    EXPECT_THROW(LayoutAxis(373, 640, 1 << 30), OverflowError);
    const AxisView a = LayoutAxis(373, 1, INT_MAX);
    EXPECT_EQ(a.maximum, INT_MAX - 373);
    EXPECT_EQ(a.position, (INT_MAX - 373) / 2);
}

TEST(CanvasLayout, AControlOfNoSizeShowsNothingAndScrollsThroughTheWholePicture)
{
    const AxisView a = LayoutAxis(0, 640, 1);
    EXPECT_EQ(a.boxLength, 0);
    EXPECT_EQ(a.maximum, 640);
    cDIB dib;
    ASSERT_TRUE(dib.Create(640, 480));
    const CanvasLayout fit = ComputeCanvasLayout(dib, 0, 0, 1, true);
    EXPECT_EQ(fit.h.boxLength, 0);
    EXPECT_EQ(fit.v.boxLength, 0);
    EXPECT_EQ(fit.h.maximum | fit.v.maximum, 0);
}

TEST(CanvasLayout, PanningIsHeldToTheRange)
{
    EXPECT_EQ(PanPosition(200, 250, 133, 267), 83);
    EXPECT_EQ(PanPosition(0, INT_MAX, INT_MIN, 267), 0);
    EXPECT_EQ(PanPosition(INT_MAX, INT_MIN, INT_MAX, 267), 267);
}

} // namespace
} // namespace quillmere
