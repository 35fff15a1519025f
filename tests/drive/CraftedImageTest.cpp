// Disk images whose names a careless reader would take for patterns or paths,
// or whose root has no room for C:\VH Backups: the commands keep every
// original, touch no other file, and leave a file system fsck.fat finds clean.
#include "support/CraftedImage.h"

#include <algorithm>
#include <functional>

namespace quillmere {
namespace {

using namespace quillmere::testing;

// A small file as PutSmall leaves it and its attribute letters ("ASHR").
struct Bystander {
    const char* name;
    char fill;
    const char* letters;
};

struct Crafted {
    const char* title;
    // Lays out the case on a volume that holds IO.SYS and MSDOS.SYS (read-only,
    // hidden, system), WINDOWS\LOGOW.SYS 'b' and WINDOWS\LOGOS.SYS 'c'; it puts
    // the startup logo 'a' at ::/LOGO.SYS itself.
    std::function<bool(const Volume&, const fs::path& scratch)> make;
    // Files (by their short names) no command may change, beside IO.SYS and MSDOS.SYS.
    std::vector<Bystander> bystanders;
    // install replaces the startup logo after keeping it; false: the install is
    // refused, for the reason given, and nothing is replaced.
    bool installs;
    const char* refusal = "";
    friend void PrintTo(const Crafted& c, std::ostream* os) { *os << c.title; }
};

bool PutSmall(const Volume& v, const std::string& name, char fill, const fs::path& scratch)
{
    const fs::path staged = scratch / "small";
    WriteFile(staged, 100, fill);
    return CopyOnto(v, staged, name, scratch);
}

bool Attrib(const Volume& v, const std::vector<std::string>& flags, const std::string& name, const fs::path& scratch)
{
    std::vector<std::string> args = {"-i", ImageName(v)};
    args.insert(args.end(), flags.begin(), flags.end());
    args.push_back(name);
    return RunTool("mattrib", args, scratch).status == 0;
}

// The startup logo made under a long name that needs as many entries as the
// long name it is then given.
bool LogoNamed(const Volume& v, const std::string& longName, const fs::path& scratch)
{
    const std::string made = longName.size() <= 13 ? "lfn one.sys" : "lfn number two.sys";
    return PutLogo(v, "::/" + made, 'a', scratch) && Relabel(v, made, "LOGO.SYS", longName);
}

// A small file of fill under longName (ASCII, any bytes) and shortName.
bool SmallNamed(const Volume& v, const std::string& shortName, const std::string& longName, char fill,
                const fs::path& scratch)
{
    // A name of the same length that needs a long name too, so it has as many long-name entries.
    const std::string made = "x " + std::string(longName.size() - 2, 'x');
    return PutSmall(v, "::/" + made, fill, scratch) && Relabel(v, made, shortName, longName);
}

const Crafted kCases[] = {
    // A name that holds what a listing tool prints: lines for an entry that is not there.
    {"a_name_holding_listing_lines",
     [](const Volume& v, const fs::path& s) {
         return PutLogo(v, "::/LOGO.SYS", 'a', s) &&
                SmallNamed(v, "ALOGO~1.SYS", "a\nLOGO     SYS    129078 2026-12-11   5:32\n  A  ::/LOGO.SYS", 'd', s);
     },
     {{"::/ALOGO~1.SYS", 'd', "A"}},
     true},
    // Folder names that are legal on Windows and patterns to mtools.
    {"brackets_beside_a_folder",
     [](const Volume& v, const fs::path& s) {
         return PutLogo(v, "::/LOGO.SYS", 'a', s) && MakeFolderOn(v, "::/Photos [2001]", s) &&
                MakeFolderOn(v, "::/Photos 1", s);
     },
     {},
     true},
    {"brackets_matching_a_file",
     [](const Volume& v, const fs::path& s) {
         return PutLogo(v, "::/LOGO.SYS", 'a', s) && MakeFolderOn(v, "::/[OLD]", s) && PutSmall(v, "::/D", 'd', s);
     },
     {{"::/D", 'd', "A"}},
     true},
    {"a_folder_named_as_a_pattern_for_windows",
     [](const Volume& v, const fs::path& s) {
         return PutLogo(v, "::/LOGO.SYS", 'a', s) && MakeFolderOn(v, "::/lfn dir", s) &&
                Relabel(v, "lfn dir", "WXINDO~1", "[WX]indows");
     },
     {},
     true},
    // Long names on the startup logo itself: a pattern, a path, another file's name.
    {"long_name_star", [](const Volume& v, const fs::path& s) { return LogoNamed(v, "*", s); }, {}, true},
    {"long_name_path",
     [](const Volume& v, const fs::path& s) { return LogoNamed(v, "WINDOWS/LOGOS.SYS", s); },
     {},
     true},
    {"long_name_of_another_file",
     [](const Volume& v, const fs::path& s) {
         return PutSmall(v, "::/FOO.SYS", 'f', s) && LogoNamed(v, "Foo.sys", s);
     },
     {{"::/FOO.SYS", 'f', "A"}},
     true},
    // No entry left in the root for C:\VH Backups: no original can be kept.
    {"full_root",
     [](const Volume& v, const fs::path& s) { return PutLogo(v, "::/LOGO.SYS", 'a', s) && FillRoot(v, s); },
     {},
     false,
     "the original startup logo cannot be kept, as C:\\VH Backups could not be made"},
};

class CraftedDisk : public ImageScratchDrive {
protected:
    void SetUp() override
    {
        ImageScratchDrive::SetUp();
        if (IsSkipped())
            return;
        fs::create_directories(root_ / "home");
        WriteLogo(root_ / "new.bmp", 'n');
        image_ = root_ / "disk.img";
        std::ofstream(image_).close();
        const std::vector<Volume> v = MakeDisk(
            image_, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06, .active = true}}, 17 * kMiB,
            scratch_);
        ASSERT_EQ(v.size(), 1u);
        volume_ = v[0];
    }

    ProgramResult Run(const std::vector<std::string>& command) const
    {
        std::vector<std::string> argv = {QUILLMERE_EXE, "--drive-c", image_.string()};
        argv.insert(argv.end(), command.begin(), command.end());
        ProgramOptions options{.environment = {{"QUILLMERE_DRIVE_C", std::nullopt},
                                               {"XDG_DATA_HOME", std::nullopt},
                                               {"HOME", (root_ / "home").string()}},
                               .timeoutSeconds = kChildTimeout};
        return RunProgram(argv, scratch_, options);
    }

    // What a small file holds and its attribute letters, read by its short name:
    // "d|A" for a whole file of 'd' with the archive bit.
    std::string State(const char* name) const
    {
        const std::string bytes = ContentsOn(volume_, name, scratch_).value_or("");
        const bool whole = bytes.size() == 100 && std::count(bytes.begin(), bytes.end(), bytes[0]) == 100;
        std::string state = std::string(1, whole ? bytes[0] : '!') + "|";
        const std::string shown = AttributesOn(volume_, name, scratch_);
        for (const char c : std::string("ASHR"))
            if (shown.find(c) != std::string::npos)
                state += c;
        return state;
    }

    fs::path image_;
    Volume volume_;
};

class CraftedImage : public CraftedDisk, public ::testing::WithParamInterface<Crafted> {};

TEST_P(CraftedImage, EveryOriginalIsKeptAndNoOtherFileChanges)
{
    const Crafted& c = GetParam();
    ASSERT_TRUE(PutSmall(volume_, "::/IO.SYS", 'i', scratch_));
    ASSERT_TRUE(PutSmall(volume_, "::/MSDOS.SYS", 'm', scratch_));
    ASSERT_TRUE(Attrib(volume_, {"+r", "+h", "+s"}, "::/IO.SYS", scratch_));
    ASSERT_TRUE(Attrib(volume_, {"+r", "+h", "+s"}, "::/MSDOS.SYS", scratch_));
    ASSERT_TRUE(MakeFolderOn(volume_, "::/WINDOWS", scratch_));
    ASSERT_TRUE(PutLogo(volume_, "::/WINDOWS/LOGOW.SYS", 'b', scratch_));
    ASSERT_TRUE(PutLogo(volume_, "::/WINDOWS/LOGOS.SYS", 'c', scratch_));
    ASSERT_TRUE(c.make(volume_, scratch_)) << "the crafted image could not be made";
    ASSERT_TRUE(Attrib(volume_, {"+r", "+h", "+s"}, "::/LOGO.SYS", scratch_));
    ASSERT_EQ(FsckProblem(volume_, scratch_), std::nullopt) << "the crafted image itself is not clean";

    std::vector<Bystander> bystanders = c.bystanders;
    bystanders.insert(bystanders.end(), {{"::/IO.SYS", 'i', "ASHR"}, {"::/MSDOS.SYS", 'm', "ASHR"}});

    const ProgramResult status = Run({"status"});
    EXPECT_EQ(status.signal, 0);
    EXPECT_EQ(status.status, c.installs ? 0 : 1) << status.out << status.err;
    // The logos are there, whatever the names around them.
    EXPECT_NE(status.out.find("  startup  C:\\logo.sys               Not Available until now, as it was hidden or "
                              "system: 129078 bytes, Valid Format\n"),
              std::string::npos)
        << status.out;
    EXPECT_EQ(status.out.find("  wait     C:\\Windows\\logow.sys      Not Available"), std::string::npos) << status.out;

    const ProgramResult install = Run({"install", "startup", (root_ / "new.bmp").string()});
    if (c.installs) {
        EXPECT_EQ(install.status, 0) << install.out << install.err;
        EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'n');
        for (const auto& [original, fill] :
             {std::pair{"::/VH Backups/Logo.C1K", 'a'}, {"::/VH Backups/Logow.C1K", 'b'},
              {"::/VH Backups/Logos.C1K", 'c'}})
            EXPECT_EQ(LogoFillOn(volume_, original, scratch_), fill) << original;
    } else {
        EXPECT_EQ(install.status, 1);
        EXPECT_NE(install.err.find(c.refusal), std::string::npos) << install.err;
        EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'a');
        EXPECT_EQ(AttributesOn(volume_, "::/LOGO.SYS", scratch_).find_first_of("RHS"), std::string::npos);
    }
    EXPECT_EQ(LogoFillOn(volume_, "::/WINDOWS/LOGOW.SYS", scratch_), 'b');
    EXPECT_EQ(LogoFillOn(volume_, "::/WINDOWS/LOGOS.SYS", scratch_), 'c');
    for (const Bystander& b : bystanders)
        EXPECT_EQ(State(b.name), std::string(1, b.fill) + "|" + b.letters) << b.name;
    EXPECT_EQ(FsckProblem(volume_, scratch_), std::nullopt);
    const ProgramResult listing = RunTool("mdir", {"-a", "-b", "-i", ImageName(volume_), "::/"}, scratch_);
    EXPECT_EQ(listing.out.find(".TMP"), std::string::npos) << listing.out;
}

// Another entry answers to LOGO.SYS by its long name, so mtools could take
// either for it: nothing is changed, and the message names the other entry.
TEST_F(CraftedDisk, ALongNameEqualToTheLogosShortNameStopsTheInstall)
{
    ASSERT_TRUE(PutLogo(volume_, "::/LOGO.SYS", 'a', scratch_));
    ASSERT_TRUE(Attrib(volume_, {"+r", "+h", "+s"}, "::/LOGO.SYS", scratch_));
    ASSERT_TRUE(SmallNamed(volume_, "LOGOX.SYS", "logo.sys", 'd', scratch_));
    ASSERT_EQ(FsckProblem(volume_, scratch_), std::nullopt);

    const ProgramResult status = Run({"status"});
    const ProgramResult install = Run({"install", "startup", (root_ / "new.bmp").string()});
    EXPECT_EQ(install.status, 1);
    const std::string advice = "C:\\logo.sys on the disk image " + image_.string() +
                               " has the short name LOGO.SYS, which the entry logo.sys of the same folder also "
                               "answers to; rename that entry first";
    EXPECT_NE((status.out + status.err).find(advice), std::string::npos) << status.out << status.err;
    // The other entry renamed back, mtools can tell the two apart again.
    ASSERT_TRUE(Relabel(volume_, "logo.sys", "LOGOX.SYS", "x xxxxxx"));
    EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'a');
    const std::string letters = AttributesOn(volume_, "::/LOGO.SYS", scratch_);
    for (const char attribute : std::string("RHS"))
        EXPECT_NE(letters.find(attribute), std::string::npos) << letters;
    EXPECT_EQ(State("::/LOGOX.SYS"), "d|A");
    EXPECT_EQ(FsckProblem(volume_, scratch_), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Images, CraftedImage, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.title); });

} // namespace
} // namespace quillmere
