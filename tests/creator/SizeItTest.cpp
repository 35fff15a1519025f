#include "creator/SizeIt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <clocale>
#include <string>

namespace quillmere {
namespace {

TEST(FormatFileSize, UnitsStepBy1024)
{
    struct Case {
        double bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {1023, "1023 bytes"},
        {1.5, "1.5 bytes"},
        // each limit belongs to the larger unit
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {129078, "126.05 KB"}, // a logo file
        {1152, "1.12 KB"},     // 1.125: the half goes to the even neighbour
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {1073741824.0 * 3, "3.00 GB"},
        {1099511627776.0, "1.00 TB"},
        {1208925819614629174706176.0, "1.00 YB"},       // 1024^8
        {1237940039285380274899124224.0, "1024.00 YB"}, // 1024^9: no larger unit
        {1e100, "8271806125530276880259719016052699307812498553340999221947591878855731707904.00 YB"}, // every digit
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFileSize(c.bytes), c.text) << c.bytes;
}

TEST(FormatFileSize, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(FormatFileSize(129078, ','), "126,05 KB");
    EXPECT_EQ(FormatFileSize(1.5, ','), "1,5 bytes");
}

TEST(FormatFileSize, IgnoresTheLocaleOfTheCLibrary)
{
    // Qt sets the C library's locale from the user's environment at start-up.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    auto useCommaLocale = [] {
        return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && *std::localeconv()->decimal_point == ',';
    };
    bool comma = useCommaLocale();
    if (!comma) {
        // Not installed: compile one for this test from the system's locale sources.
        const std::string dir = ::testing::TempDir() + "sizeit_locale";
        const std::string make = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
        std::filesystem::create_directories(dir);
        if (std::system(make.c_str()) == 0) {
            ::setenv("LOCPATH", dir.c_str(), 1);
            comma = useCommaLocale();
        }
    }
    const std::string kb = FormatFileSize(129078), bytes = FormatFileSize(1.5), chosen = FormatFileSize(1536, ';');
    std::setlocale(LC_NUMERIC, before.c_str());
    ::unsetenv("LOCPATH");
    ASSERT_TRUE(comma) << "no locale with a decimal comma could be had (the locales package has the sources)";
    EXPECT_EQ(kb, "126.05 KB");
    EXPECT_EQ(bytes, "1.5 bytes");
    EXPECT_EQ(chosen, "1;50 KB");
}

} // namespace
} // namespace quillmere
