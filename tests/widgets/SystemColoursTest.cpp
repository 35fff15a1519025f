#include "widgets/InvalidPropertyValue.h"
#include "widgets/SystemColours.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

// A palette in which every role of every group has a colour of its own.
QPalette DistinctPalette()
{
    QPalette pal;
    int n = 1;
    for (auto group : {QPalette::Active, QPalette::Disabled, QPalette::Inactive})
        for (int role = 0; role < QPalette::NColorRoles; ++role, ++n)
            pal.setColor(group, static_cast<QPalette::ColorRole>(role), QColor(n, 255 - n, (n * 7) % 256));
    return pal;
}

struct SystemCase {
    std::uint32_t index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

void PrintTo(const SystemCase& c, std::ostream* os) { *os << "system colour " << c.index; }

class SystemColourTable : public ::testing::TestWithParam<SystemCase> {};

TEST_P(SystemColourTable, NamesTheRoleThatMeansTheSame)
{
    const QPalette pal = DistinctPalette();
    const SystemCase c = GetParam();
    EXPECT_EQ(TranslateColour(SystemColour(static_cast<std::int32_t>(c.index)), pal), pal.color(c.group, c.role));
}

INSTANTIATE_TEST_SUITE_P(Classic, SystemColourTable,
                         ::testing::Values(SystemCase{5, QPalette::Active, QPalette::Base},
                                           SystemCase{8, QPalette::Active, QPalette::Text},
                                           SystemCase{12, QPalette::Active, QPalette::Dark},
                                           SystemCase{13, QPalette::Active, QPalette::Highlight},
                                           SystemCase{14, QPalette::Active, QPalette::HighlightedText},
                                           SystemCase{15, QPalette::Active, QPalette::Button},
                                           SystemCase{16, QPalette::Active, QPalette::Dark},
                                           SystemCase{17, QPalette::Disabled, QPalette::Text},
                                           SystemCase{18, QPalette::Active, QPalette::ButtonText},
                                           SystemCase{20, QPalette::Active, QPalette::Light},
                                           SystemCase{21, QPalette::Active, QPalette::Shadow},
                                           SystemCase{24, QPalette::Active, QPalette::ToolTipBase}));

TEST(Colours, ARealColourIsBlueGreenRedFromTheHighByte)
{
    EXPECT_EQ(TranslateColour(0x00336699u, QPalette()), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(NumberFromColour(QColor(0x99, 0x66, 0x33)), 0x00336699u);
}

TEST(Colours, NumbersThatNameNoColourAreInvalidPropertyValues)
{
    // A caption colour (Qt has no role for it), an index past the table, and a
    // number with bits beyond the three colour bytes.
    for (std::uint32_t bad : {0x80000002u, 0x80000099u, 0x01000000u, 0x7FFFFFFFu}) {
        EXPECT_FALSE(IsDrawableColour(bad)) << std::hex << bad;
        try {
            TranslateColour(bad, QPalette());
            ADD_FAILURE() << "no error for " << std::hex << bad;
        } catch (const InvalidPropertyValueError& e) {
            EXPECT_EQ(e.number(), 380);
            EXPECT_STREQ(e.what(), "Invalid property value");
        }
    }
}

} // namespace
} // namespace quillmere
