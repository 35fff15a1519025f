// "quillmere animate": the animation byte of a logo on its own, as a user runs it.
#include "support/PictureFixtures.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

class AnimateTest : public ::testing::Test {
protected:
    testing::ProgramResult Animate(std::vector<std::string> args)
    {
        args.insert(args.begin(), {QUILLMERE_EXE, "animate"});
        return testing::RunProgram(args, dir.Path());
    }
    TempDir dir;
};

// Each change touches byte 50 alone, says what will move, and a round trip
// gives back the file's own bytes.
TEST_F(AnimateTest, ChangesTheAnimationByteAloneAndSaysWhatMoves)
{
    const fs::path logo = dir.Path() / "logo.sys";
    const Bytes original = testing::AnimatedLogoFile(236, 16);
    testing::WriteBytes(logo, original);
    struct Case {
        std::vector<std::string> options;
        std::uint32_t byte; // byte 50 afterwards
        std::string said;
    };
    const Case cases[] = {
        {{}, 236, "entries 236 to 255 rotate; 5120 pixels use them"},
        {{"--still"}, 0, "the logo is still: no entry rotates"},
        {{"--first", "255"}, 255, "entry 255 rotates; 256 pixels use it"},
        {{"--first=250"}, 250, "entries 250 to 255 rotate; 1536 pixels use them"},
        {{"--first", "236"}, 236, "entries 236 to 255 rotate; 5120 pixels use them"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.options;
        args.push_back(logo.string());
        const auto r = Animate(args);
        SCOPED_TRACE(c.said);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, logo.string() + ": " + c.said + "\n");
        Bytes expected = original;
        testing::PutU32(expected, 50, c.byte);
        EXPECT_EQ(testing::ReadBytes(logo), expected);
    }

    // A top-down logo (height -400) is a logo too: the same byte alone changes.
    const fs::path topDown = dir.Path() / "top-down.sys";
    Bytes topDownBytes = original;
    testing::PutU32(topDownBytes, 22, static_cast<std::uint32_t>(-400));
    testing::WriteBytes(topDown, topDownBytes);
    const auto turned = Animate({"--first", "240", topDown.string()});
    EXPECT_EQ(turned.status, 0) << turned.err;
    EXPECT_EQ(turned.out, topDown.string() + ": entries 240 to 255 rotate; 4096 pixels use them\n");
    testing::PutU32(topDownBytes, 50, 240);
    EXPECT_EQ(testing::ReadBytes(topDown), topDownBytes);

    // Entries that rotate but that no pixel uses: nothing moves, and it says so.
    const fs::path plain = dir.Path() / "plain.bmp";
    testing::WriteBytes(plain, testing::AnimatedLogoFile(0, 0));
    const auto r = Animate({"--first", "236", plain.string()});
    EXPECT_EQ(r.out, plain.string() + ": entries 236 to 255 rotate, but no pixel uses them, so nothing moves\n");
}

// A file that is not an 8-bit logo, or cannot be written, is refused with the
// reason and left exactly as it was.
TEST_F(AnimateTest, RefusesWhatIsNoEightBitLogoAndLeavesItUnchanged)
{
    Bytes cut = testing::AnimatedLogoFile(0, 0);
    cut.resize(cut.size() - 100);
    Bytes compressed = testing::AnimatedLogoFile(0, 0);
    testing::PutU32(compressed, 30, 1);
    const struct {
        const char* name;
        Bytes bytes;
        std::string reason;
    } cases[] = {
        {"text.bmp", Bytes{'h', 'e', 'l', 'l', 'o'}, "it is not a bitmap file"},
        {"true.bmp", testing::BmpFile(320, 400, 24, {}, Bytes(320 * 3 * 400)), "it has 24 bits per pixel, not 8"},
        {"big.bmp", testing::BmpFile(640, 480, 8, std::vector<std::uint32_t>(256), Bytes(640 * 480)),
         "it is 640 x 480 pixels, not 320 x 400"},
        {"rle.bmp", compressed, "it is compressed; a logo's pixels are stored plain"},
        {"cut.sys", cut, "it is cut short: its pixels are not all in the file"},
    };
    for (const auto& c : cases) {
        const fs::path file = dir.Path() / c.name;
        testing::WriteBytes(file, c.bytes);
        const auto r = Animate({"--first", "236", file.string()});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, "quillmere animate: " + file.string() + ": " + c.reason + "\n");
        EXPECT_EQ(testing::ReadBytes(file), c.bytes) << c.name;
    }

    const fs::path readOnly = dir.Path() / "kept.sys";
    const Bytes kept = testing::AnimatedLogoFile(0, 16);
    testing::WriteBytes(readOnly, kept);
    fs::permissions(readOnly, fs::perms::owner_read);
    const auto r = Animate({"--first", "236", readOnly.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the file is read-only"), std::string::npos) << r.err;
    EXPECT_EQ(testing::ReadBytes(readOnly), kept);
}

TEST_F(AnimateTest, UsageErrors)
{
    const fs::path logo = dir.Path() / "logo.sys";
    testing::WriteBytes(logo, testing::AnimatedLogoFile(0, 16));
    const std::vector<std::vector<std::string>> cases = {
        {"--first", "0", logo.string()},   {"--first", "256", logo.string()},
        {"--first", "x", logo.string()},   {"--still", "--first", "3", logo.string()},
        {},                                {logo.string(), logo.string()},
        {"--first", "-1", logo.string()},  {"--fast", logo.string()},
    };
    for (const auto& args : cases) {
        const auto r = Animate(args);
        EXPECT_EQ(r.status, 2) << testing::Describe(r);
        EXPECT_NE(r.err.find("Usage: quillmere animate"), std::string::npos) << r.err;
    }
    EXPECT_EQ(testing::ReadBytes(logo), testing::AnimatedLogoFile(0, 16));
}

} // namespace
} // namespace quillmere
