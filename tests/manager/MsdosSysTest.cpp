// MSDOS.SYS: what its [Options] say of the start logo, and the Logo= switch
// set with every other byte kept.
#include "manager/MsdosSys.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmere {
namespace {

// As Windows 98 writes it: CRLF, mixed case, comments, and x padding.
const std::string kWin98 =
    "[Paths]\r\nWinDir=C:\\WINDOWS\r\nWinBootDir=C:\\WINDOWS\r\nHostWinBootDrv=C\r\n\r\n"
    "[Options]\r\nBootMulti=1\r\nBootGUI=1\r\nDoubleBuffer=1\r\nAutoScan=1\r\nWinVer=4.10.2222\r\n"
    ";\r\n;The following lines are required for compatibility with other programs.\r\n"
    ";Do not remove them (MSDOS.SYS needs to be >1024 bytes).\r\n"
    ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxa\r\n"
    ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxb\r\n";

TEST(MsdosSys, SaysWhatTheOptionsMeanForTheStartLogo)
{
    struct Case {
        const char* title;
        std::string text;
        BootLogo expected;
    };
    const Case cases[] = {
        {"as installed", kWin98, BootLogo::Shown},
        {"Logo=0", kWin98 + "[options]\r\nlogo = 0\r\n", BootLogo::Hidden},
        {"the last Logo counts", "[Options]\r\nLogo=0\r\nLogo=1\r\n", BootLogo::Shown},
        {"BootGUI=0", "[Options]\r\nBootGUI=0\r\nLogo=1\r\n", BootLogo::NoGui},
        {"Logo=0 in another section", "[Paths]\r\nLogo=0\r\n[Options]\r\nBootGUI=1\r\n", BootLogo::Shown},
        {"a comment", "[Options]\r\n;Logo=0\r\n", BootLogo::Shown},
        {"no options at all", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n", BootLogo::NoOptions},
        {"empty", "", BootLogo::NoOptions},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BootLogoOf(c.text), c.expected) << c.title;
}

TEST(MsdosSys, SettingTheSwitchKeepsEveryOtherByte)
{
    struct Case {
        const char* title;
        std::string before;
        bool on;
        std::string after;
    };
    const std::string header = "[Options]\r\nBootGUI=1\r\n";
    const Case cases[] = {
        {"off: a line under the header", kWin98, false,
         std::string(kWin98).insert(kWin98.find("BootMulti"), "Logo=0\r\n")},
        {"on: the value in place, its case and spaces kept", header + "LOGO = 0 \r\n;x\r\n", true,
         header + "LOGO = 1 \r\n;x\r\n"},
        {"every Logo line of the section", "[Options]\r\nLogo=0\r\nLogo=0\r\n[Paths]\r\nLogo=0\r\n", true,
         "[Options]\r\nLogo=1\r\nLogo=1\r\n[Paths]\r\nLogo=0\r\n"},
        {"LF line ends stay LF", "[Options]\nBootGUI=1\n", false, "[Options]\nLogo=0\nBootGUI=1\n"},
        {"no section: added at the end", "[Paths]\r\nWinDir=C:\\WINDOWS", false,
         "[Paths]\r\nWinDir=C:\\WINDOWS\r\n[Options]\r\nLogo=0\r\n"},
        {"before an end-of-file mark", "[Paths]\r\n\x1A", true, "[Paths]\r\n[Options]\r\nLogo=1\r\n\x1A"},
        {"a header without a line end", "[Paths]\r\n[Options]", false, "[Paths]\r\n[Options]\r\nLogo=0\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::string after = WithBootLogo(c.before, c.on);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(BootLogoOf(after), c.on ? BootLogo::Shown : BootLogo::Hidden);
        EXPECT_GE(after.size(), c.before.size());
    }
}

TEST(MsdosSys, OnlyTextOfAReasonableSizeIsEdited)
{
    EXPECT_EQ(WhyNotTextMsdosSys(kWin98), std::nullopt);
    EXPECT_EQ(WhyNotTextMsdosSys("[Options]\r\n\tLogo=1\r\n\x1A"), std::nullopt);
    EXPECT_NE(WhyNotTextMsdosSys(std::string("\xEB\x3C\x90MSDOS\0\0", 10)), std::nullopt);
    EXPECT_NE(WhyNotTextMsdosSys("[Options]\x01"), std::nullopt);
    EXPECT_NE(WhyNotTextMsdosSys(std::string(kMaxMsdosSysBytes + 1, 'x')), std::nullopt);
    EXPECT_EQ(WhyNotTextMsdosSys(std::string(kMaxMsdosSysBytes, 'x')), std::nullopt);
}

} // namespace
} // namespace quillmere
