#include "manager/LogoFormat.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

TEST(LogoFormat, NameAndSizeBounds)
{
    struct Case {
        const char* name;
        std::uintmax_t size;
        bool valid;
    };
    const Case cases[] = {
        {"logo.sys", 129078, true},   {"new.bmp", 129078, true},    {"logo.sys", 128000, false},
        {"logo.sys", 128001, true},   {"logo.sys", 130999, true},   {"logo.sys", 131000, false},
        {"LOGO.SYS", 129078, false},  {"logo.Bmp", 129078, false},  {"photo.jpeg", 129078, false},
        {"photo.gif", 129078, false}, {"noextsys", 129078, true},   {"logo.sys", 0, false},
    };
    const fs::path dir = fs::path(::testing::TempDir()) / "logo_format";
    fs::create_directories(dir);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << " " << c.size);
        const fs::path p = dir / c.name;
        { std::ofstream(p, std::ios::binary | std::ios::trunc); }
        fs::resize_file(p, c.size);
        EXPECT_EQ(IsValidLogo(p), c.valid);
        fs::remove(p);
    }
    EXPECT_FALSE(IsValidLogo(dir / "missing.sys"));
    fs::create_directories(dir / "folder.sys");
    EXPECT_FALSE(IsValidLogo(dir / "folder.sys"));
    fs::remove_all(dir);
}

} // namespace
} // namespace quillmere
