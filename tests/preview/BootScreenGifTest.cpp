// The boot screen's GIF read back with giflib: frames, colours, delays and the
// loop; and what a bad logo leaves behind (nothing).
#include "support/PreviewFixtures.h"

#include "imaging/Errors.h"
#include "preview/BootScreenGif.h"
#include "preview/RowPattern.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <numeric>
#include <string>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::EntryColour;
using testing::GifRead;

class BootGif : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("boot-gif-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Put(const char* name, const Bytes& bytes) const
    {
        testing::WriteBytes(dir_ / name, bytes);
        return dir_ / name;
    }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_F(BootGif, A236LogoGivesTwentyLoopingFramesWithTheRotatedColours)
{
    const fs::path logo = Put("logo.sys", testing::StandardLogo(236));
    WriteBootScreenGif(logo, dir_ / "boot.gif");
    const GifRead gif = testing::ReadGif(testing::ReadBytes(dir_ / "boot.gif"));
    EXPECT_EQ(gif.width, 640);
    EXPECT_EQ(gif.height, 480);
    EXPECT_FALSE(gif.globalColours);
    EXPECT_EQ(gif.loopCount, 0) << "loops for ever";
    ASSERT_EQ(gif.frames.size(), 20u);

    const BootScreen screen = BootScreen::Load(logo);
    int total = 0;
    for (std::size_t k = 0; k < gif.frames.size(); ++k) {
        const testing::GifFrame& f = gif.frames[k];
        ASSERT_TRUE(f.left == 0 && f.top == 0 && f.width == 640 && f.height == 480) << "frame " << k;
        ASSERT_TRUE(f.localColours) << "frame " << k;
        // The pixels are the same in every frame, though written only once.
        ASSERT_EQ(f.raster, screen.Indices()) << "frame " << k;
        // Screen (472, 0) shows source (236, 0): index 236, the first animated
        // entry, which shows entry 236 + k's colour in frame k. Screen (200, 0)
        // shows index 100, which never moves. Screen (638, 479): index
        // (319 + 399) % 256 = 206, still too.
        EXPECT_EQ(f.ColourAt(472, 0), EntryColour(236 + static_cast<std::uint32_t>(k))) << "frame " << k;
        EXPECT_EQ(f.ColourAt(470, 0), EntryColour(235)) << "frame " << k;
        EXPECT_EQ(f.ColourAt(200, 0), EntryColour(100)) << "frame " << k;
        // Index 255 (screen 510, 0) takes the old first colour on the first step.
        EXPECT_EQ(f.ColourAt(510, 0), EntryColour(k == 0 ? 255 : 235 + static_cast<std::uint32_t>(k)))
            << "frame " << k;
        EXPECT_TRUE(f.delay == 5 || f.delay == 6) << "frame " << k << ": " << f.delay;
        total += f.delay;
    }
    EXPECT_EQ(total, 111) << "20 steps at 18 a second take 1.11 s";
}

TEST_F(BootGif, OneFrameWithoutLoopForStillLogosAndOnRequest)
{
    struct Case {
        const char* name;
        Bytes file;
        bool still;
        int x, y;            // a screen pixel
        std::uint32_t colour; // its colour
    };
    const Case cases[] = {
        // Screen (472, 0) shows index 236 in frame 0's colour.
        {"Still", testing::StandardLogo(0), false, 472, 0, EntryColour(236)},
        {"OnlyEntry255", testing::StandardLogo(255), false, 472, 0, EntryColour(236)},
        {"AskedFor", testing::StandardLogo(236), true, 472, 0, EntryColour(236)},
        // 24-bit, 2 x 1 pixels, red then green (the row filled to 8 bytes),
        // scaled to 4 x 1 at 318, 239.
        {"TrueColour", testing::BmpFile(2, 1, 24, {}, {0, 0, 255, 0, 255, 0, 0, 0}), false, 318, 239,
         0xFF0000},
    };
    for (const Case& c : cases) {
        const fs::path logo = Put("logo.bmp", c.file);
        BootGifOptions options;
        options.still = c.still;
        WriteBootScreenGif(logo, dir_ / "boot.gif", options);
        const GifRead gif = testing::ReadGif(testing::ReadBytes(dir_ / "boot.gif"));
        ASSERT_EQ(gif.frames.size(), 1u) << c.name;
        EXPECT_EQ(gif.loopCount, -1) << c.name;
        EXPECT_EQ(gif.frames[0].raster, BootScreen::Load(logo).Indices()) << c.name;
        EXPECT_EQ(gif.frames[0].ColourAt(c.x, c.y), c.colour) << c.name;
    }
}

TEST(BootGifDelays, RatesRoundEachFrameEndToTheNearestCentisecond)
{
    struct Case {
        std::int32_t fps, frames;
        std::vector<std::uint16_t> start; // the first delays
        int total;
    };
    const Case cases[] = {
        {18, 20, {6, 5, 6, 5, 6, 5, 6, 5, 6, 6}, 111},
        {20, 20, {5, 5, 5}, 100},
        {30, 3, {3, 4, 3}, 10},
        {50, 255, {2, 2, 2}, 510}, // the fastest rate still gives 2
        {1, 2, {100, 100}, 200},
        {7, 7, {14, 15, 14, 14, 14, 15, 14}, 100}, // 14.29: a cycle of 7 takes exactly 1 s
    };
    for (const Case& c : cases) {
        const std::vector<std::uint16_t> d = GifFrameDelays(c.frames, c.fps);
        ASSERT_EQ(d.size(), static_cast<std::size_t>(c.frames)) << c.fps;
        EXPECT_TRUE(std::equal(c.start.begin(), c.start.end(), d.begin())) << c.fps << " a second";
        EXPECT_EQ(std::accumulate(d.begin(), d.end(), 0), c.total) << c.fps << " a second";
    }
    for (std::int32_t bad : {0, -1, 51, 1000})
        EXPECT_THROW(GifFrameDelays(1, bad), Error) << bad;
}

// A logo that cannot be shown: one error naming it, and the output as it was
// (absent, or its old content), with no temporary file left.
TEST_F(BootGif, BadLogosLeaveNothingBehind)
{
    const Bytes logo = testing::StandardLogo(236);
    struct Case {
        const char* name;
        Bytes bytes; // empty: the file is missing
        const char* reason;
    };
    const Case cases[] = {
        {"truncated.sys", Bytes(logo.begin(), logo.begin() + 60000), "truncated"},
        {"missing.sys", {}, "no such file"},
        {"text.sys", Bytes{'h', 'e', 'l', 'l', 'o'}, "not a BMP, GIF or JPEG picture"},
    };
    for (const bool existing : {false, true}) {
        for (const Case& c : cases) {
            fs::remove_all(dir_);
            fs::create_directories(dir_);
            if (!c.bytes.empty())
                Put(c.name, c.bytes);
            if (existing)
                Put("boot.gif", Bytes{'o', 'l', 'd'});
            try {
                WriteBootScreenGif(dir_ / c.name, dir_ / "boot.gif");
                ADD_FAILURE() << c.name << ": no error";
            } catch (const FileError& e) {
                EXPECT_EQ(e.file(), (dir_ / c.name).string());
                EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
            }
            std::vector<std::string> expected;
            if (!c.bytes.empty())
                expected.push_back(c.name);
            if (existing)
                expected.push_back("boot.gif");
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Entries(), expected) << c.name;
            if (existing) {
                EXPECT_EQ(testing::ReadBytes(dir_ / "boot.gif"), (Bytes{'o', 'l', 'd'})) << c.name;
            }
        }
    }
}

// Writing the preview over the logo, by its name or another, would lose it.
TEST_F(BootGif, TheLogoItselfIsNeverTheOutput)
{
    const Bytes bytes = testing::StandardLogo(236);
    const fs::path logo = Put("logo.sys", bytes);
    fs::create_hard_link(logo, dir_ / "other.gif");
    fs::create_symlink("logo.sys", dir_ / "link.gif");
    for (const fs::path& out : {logo, dir_ / "other.gif", dir_ / "link.gif"}) {
        try {
            WriteBootScreenGif(logo, out);
            ADD_FAILURE() << out << ": no error";
        } catch (const FileError& e) {
            EXPECT_EQ(e.file(), out.string());
            EXPECT_NE(e.reason().find("is the logo itself"), std::string::npos) << e.what();
        }
        EXPECT_EQ(testing::ReadBytes(logo), bytes) << out;
    }
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.gif", "logo.sys", "other.gif"}));
}

} // namespace
} // namespace quillmere
