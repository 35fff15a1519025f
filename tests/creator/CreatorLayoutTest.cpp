// Where the Logo Creator's controls go for a client area.
#include "creator/CreatorLayout.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

// The controls as the window starts them.
CreatorRects Initial()
{
    CreatorRects r;
    r.Drive1 = {8, 32, 153, 21};
    r.Dir1 = {8, 56, 153, 156};
    r.File1 = {8, 232, 153, 201};
    r.Canvas = {176, 32, 373, 359};
    r.cmdCreate = {160, 504, 113, 25};
    r.cmdSave = {296, 504, 113, 25};
    r.cmdClose = {432, 504, 113, 25};
    r.Progress = {0, 535, 102, 18};
    r.Info = {115, 533, 423, 20};
    return r;
}

struct LayoutCase {
    const char* name;
    int width, height;
    LayoutBox canvas, file, create, save, close, progress, info;
    double lblActualLeft;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, PlacesEveryControl)
{
    const LayoutCase& c = GetParam();
    CreatorRects r = Initial();
    LayoutCreator(c.width, c.height, r);
    EXPECT_EQ(r.Canvas, c.canvas);
    EXPECT_EQ(r.File1, c.file);
    EXPECT_EQ(r.cmdCreate, c.create);
    EXPECT_EQ(r.cmdSave, c.save);
    EXPECT_EQ(r.cmdClose, c.close);
    EXPECT_EQ(r.Progress, c.progress);
    EXPECT_EQ(r.Info, c.info);
    EXPECT_NEAR(r.lblActualLeft, c.lblActualLeft, 0.005);
    // The lists on the left never move.
    EXPECT_EQ(r.Drive1, (LayoutBox{8, 32, 153, 21}));
    EXPECT_EQ(r.Dir1, (LayoutBox{8, 56, 153, 156}));
}

INSTANTIATE_TEST_SUITE_P(
    ClientSizes, LayoutTest,
    ::testing::Values(
        // The window as it opens.
        LayoutCase{"Initial", 556, 554, {169, 32, 383, 464}, {8, 232, 153, 304}, {153, 504, 113, 25},
                   {293, 504, 113, 25}, {433, 504, 113, 25}, {0, 536, 100, 18}, {100, 534, 456, 20}, 255.33},
        // 100 x 100 larger: the canvas grows by as much, the buttons move with its corner.
        LayoutCase{"Grown", 656, 654, {169, 32, 483, 564}, {8, 232, 153, 404}, {253, 604, 113, 25},
                   {393, 604, 113, 25}, {533, 604, 113, 25}, {0, 636, 100, 18}, {100, 634, 556, 20}, 322.0},
        // Too narrow for the canvas and too low for it and the file list:
        // those keep their places, the buttons go by the canvas as it stands.
        LayoutCase{"TooSmall", 150, 80, {176, 32, 373, 359}, {8, 232, 153, 201}, {-253, 399, 113, 25},
                   {-113, 399, 113, 25}, {27, 399, 113, 25}, {0, 62, 100, 18}, {100, 60, 50, 20}, 248.67}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

struct WidenCase {
    const char* name;
    LayoutBox box;
    std::int32_t width, height;
    LayoutBox widened;
};

class WidenTest : public ::testing::TestWithParam<WidenCase> {};

TEST_P(WidenTest, GrowsAboutTheCentre)
{
    const WidenCase& c = GetParam();
    EXPECT_EQ(WidenAboutCentre(c.box, c.width, c.height), c.widened);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, WidenTest,
    ::testing::Values(
        // Large enough (also exactly): unchanged.
        WidenCase{"Fits", {255, 15, 129, 13}, 100, 13, {255, 15, 129, 13}},
        WidenCase{"Exactly", {255, 15, 129, 13}, 129, 13, {255, 15, 129, 13}},
        // 21 pixels more: 10 to the left, 11 to the right.
        WidenCase{"Wider", {255, 15, 129, 13}, 150, 13, {245, 15, 150, 13}},
        // Taller as well: half above, the odd pixel below.
        WidenCase{"WiderAndTaller", {8, 15, 153, 13}, 160, 16, {5, 14, 160, 16}},
        // Only taller.
        WidenCase{"Taller", {153, 504, 113, 25}, 90, 29, {153, 502, 113, 29}}),
    [](const ::testing::TestParamInfo<WidenCase>& info) { return std::string(info.param.name); });

TEST(CentreFormTest, CentresWithoutRounding)
{
    const CentredPosition at = CentreForm(1024, 768, 571, 591);
    EXPECT_DOUBLE_EQ(at.left, 226.5);
    EXPECT_DOUBLE_EQ(at.top, 88.5);
}

} // namespace
} // namespace quillmere
