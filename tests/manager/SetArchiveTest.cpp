// Logo sets as zip files: the zips are made here, in memory, with libzip, and
// patched byte by byte where a hostile one needs what libzip would not write.
#include "support/DriveFixture.h"

#include "drive/FolderDrive.h"
#include "manager/LogoManager.h"
#include "manager/SetArchive.h"
#include "manager/Sha256.h"
#include "manager/ZipArchive.h"

#include "imaging/Errors.h"

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace quillmere {
namespace {

using namespace quillmere::testing;

using ZipBytes = std::vector<std::uint8_t>;

std::string Logo(char fill)
{
    return std::string(kLogoBytes, fill);
}

std::span<const unsigned char> AsBytes(const std::string& s)
{
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

// Every local and central header of the zip, patched by fix(header, central).
void PatchHeaders(ZipBytes& zip, const std::function<void(std::uint8_t*, bool)>& fix)
{
    for (std::size_t at = 0; at + 4 <= zip.size(); ++at) {
        if (zip[at] != 'P' || zip[at + 1] != 'K')
            continue;
        if (zip[at + 2] == 3 && zip[at + 3] == 4)
            fix(&zip[at], false);
        else if (zip[at + 2] == 1 && zip[at + 3] == 2)
            fix(&zip[at], true);
    }
}

ZipBytes ReadBytesOf(const fs::path& path)
{
    const std::string text = ReadFile(path);
    return ZipBytes(text.begin(), text.end());
}

void WriteBytesTo(const fs::path& path, const ZipBytes& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t U16(const std::uint8_t* at)
{
    return at[0] | std::uint32_t(at[1]) << 8;
}

void PutU32(std::uint8_t* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(Sha256, DigestsOfTheStandardsExamples)
{
    // FIPS 180-4 examples, and lengths on either side of the padding's block edge.
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(Sha256Hex(AsBytes(text)), digest) << text.size() << " bytes";
}

// --- packs ------------------------------------------------------------------------

struct PackCase {
    const char* title;
    std::vector<ZipMember> members;
    std::optional<std::string> prefix;
    // The entries taken as Startup, Wait, Safe ("" for none); or, when error
    // is set, what the refusal says.
    std::array<const char*, 3> taken;
    const char* error = nullptr;
    bool choice = false; // refused as a PackChoiceError
};

ZipMember M(const char* name, char fill = 'l', std::size_t size = kLogoBytes)
{
    return {name, std::string(size, fill)};
}

const PackCase kPackCases[] = {
    // Packs as they were shared: a prefix, a readme, any letter case, a folder.
    {"prefixed",
     {M("e1-logo.sys"), M("e1-logow.sys"), M("e1-logos.sys"), M("readme.txt", 'r', 40)},
     {},
     {"e1-logo.sys", "e1-logow.sys", "e1-logos.sys"}},
    {"upper case in a folder",
     {M("Pack/", 0, 0), M("Pack/E1-LOGO.SYS"), M("Pack/E1-LogoS.Sys")},
     {},
     {"Pack/E1-LOGO.SYS", "", "Pack/E1-LogoS.Sys"}},
    {"one logo per zip", {M("dawn_logow.sys")}, {}, {"", "dawn_logow.sys", ""}},
    // A .bmp is a logo only at a logo's size: a preview picture is decoration.
    {"bitmaps",
     {M("startlogo.bmp"), M("shutdown-logos.bmp"), M("preview-logow.bmp", 'p', 5000)},
     {},
     {"startlogo.bmp", "", "shutdown-logos.bmp"}},
    // Two candidates for a kind: refused, naming both; a prefix picks one.
    {"two groups",
     {M("e1-logo.sys"), M("e2-logo.sys"), M("e1-logow.sys")},
     {},
     {},
     "e1-logo.sys and e2-logo.sys could each be the startup logo (groups \"e1-\", \"e2-\")",
     true},
    {"two groups, prefix",
     {M("e1-logo.sys"), M("e2-logo.sys"), M("e1-logow.sys")},
     "E2-",
     {"e2-logo.sys", "", ""}},
    {"folder and prefix", {M("a/x-logo.sys"), M("b/x-logo.sys")}, "b/x-", {"b/x-logo.sys", "", ""}},
    {"same prefix, two folders",
     {M("a/x-logo.sys"), M("b/x-logo.sys")},
     "x-",
     {},
     "a/x-logo.sys and b/x-logo.sys could each be the startup logo",
     true},
    {"no prefix at all", {M("logo.sys"), M("e1-logo.sys")}, "", {"logo.sys", "", ""}},
    {"kinds in different folders",
     {M("a/logo.sys"), M("b/logow.sys")},
     {},
     {},
     "its logos lie in different folders (a/logo.sys, b/logow.sys; groups \"a/\", \"b/\")",
     true},
    {"unknown prefix",
     {M("e1-logo.sys")},
     "e9-",
     {},
     "no logo in it has the prefix \"e9-\" (groups \"e1-\")",
     true},
    {"a .sys of the wrong size",
     {M("logo.sys", 'l', 1000)},
     {},
     {},
     "entry logo.sys is not a valid Logo format (1000 bytes"},
    {"no logo", {M("readme.txt"), M("logo.jpg")}, {}, {}, "it holds no logo"},
};

class PackTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackTest, TakesTheLogosOrRefuses)
{
    const PackCase& c = GetParam();
    const ZipBytes zip = MakeZip(c.members);
    if (c.error) {
        try {
            ReadSetPack(zip, "pack.zip", c.prefix);
            FAIL() << "not refused";
        }
        catch (const FileError& e) {
            EXPECT_EQ(e.file(), "pack.zip");
            EXPECT_NE(e.reason().find(c.error), std::string::npos) << e.reason();
            EXPECT_EQ(dynamic_cast<const PackChoiceError*>(&e) != nullptr, c.choice) << e.reason();
        }
        return;
    }
    const PackedSet pack = ReadSetPack(zip, "pack.zip", c.prefix);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(pack.entries[k], c.taken[k]) << k;
        EXPECT_EQ(pack.logos[k].has_value(), *c.taken[k] != '\0') << k;
        if (pack.logos[k]) {
            EXPECT_EQ(pack.logos[k]->size(), kLogoBytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Packs, PackTest, ::testing::ValuesIn(kPackCases), [](const auto& info) {
    std::string name = info.param.title;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
});

// --- hostile and damaged zips -----------------------------------------------------

struct HostileCase {
    const char* title;
    std::function<ZipBytes()> make;
    const char* reason;
};

ZipBytes Plain()
{
    return MakeZip({M("logo.sys"), M("logow.sys")});
}

const HostileCase kHostileCases[] = {
    {"climbs out", [] { return MakeZip({M("../logo.sys")}); },
     "entry ../logo.sys is refused: its name climbs out of its folder (..)"},
    {"climbs out deeper",
     [] {
         return MakeZip({M("readme.txt"), M("a\\..\\..\\logo.sys")});
     },
     "entry a\\..\\..\\logo.sys is refused: its name climbs out of its folder"},
    {"absolute", [] { return MakeZip({M("/etc/logo.sys")}); }, "its name is an absolute path"},
    {"drive letter", [] { return MakeZip({M("C:logo.sys")}); }, "its name starts with a drive letter"},
    {"control characters",
     [] {
         return MakeZip({M("readme"), M("lo\ngo.sys")});
     },
     "entry 2 is refused: its name holds control characters"},
    {"encrypted",
     [] {
         ZipBytes zip = Plain();
         // Bit 0 of the general purpose flags, in both headers.
         PatchHeaders(zip, [](std::uint8_t* h, bool central) { h[central ? 8 : 6] |= 1; });
         return zip;
     },
     "entry logo.sys is encrypted"},
    {"too many entries",
     [] {
         std::vector<ZipMember> members;
         for (int i = 0; i <= 64; ++i)
             members.push_back(M(("f" + std::to_string(i)).c_str(), 'x', 1));
         return MakeZip(members);
     },
     "it has 65 entries; a logo pack has at most 64"},
    {"entry too large", [] { return MakeZip({M("logo.sys", 0, kMaxZipEntryBytes + 1)}); },
     "inflates to 4194305 bytes; an entry may have at most 4194304 bytes"},
    // 4 MB of zeros deflate to a few kilobytes: refused before it is inflated.
    {"bomb",
     [] {
         return MakeZip({M("logo.sys"), M("x-logow.sys", 0, kMaxZipEntryBytes)});
     },
     "entry x-logow.sys would inflate"},
    {"too much in all",
     [] {
         std::vector<ZipMember> members;
         for (int i = 0; i < 17; ++i)
             members.push_back(M(("f" + std::to_string(i)).c_str(), 0, kZipRatioFreeBytes));
         return MakeZip(members);
     },
     "its entries inflate to more than 16777216 bytes in all"},
    {"lying size",
     [] {
         ZipBytes zip = Plain();
         // Both headers of the first entry state 129000 bytes, still a logo's size, for its 129078.
         PatchHeaders(zip, [](std::uint8_t* h, bool central) {
             if (h[central ? 28 : 26] == 8 && std::memcmp(h + (central ? 46 : 30), "logo.sys", 8) == 0)
                 PutU32(h + (central ? 24 : 22), 129000);
         });
         return zip;
     },
     "entry logo.sys inflates past its stated size of 129000 bytes"},
    {"truncated",
     [] {
         ZipBytes zip = Plain();
         zip.resize(zip.size() / 2);
         return zip;
     },
     "it is not a zip file, or one cut short"},
    {"damaged data",
     [] {
         // Bytes that hardly compress, so the deflated data are mostly the bytes themselves.
         std::string noise(kLogoBytes, '\0');
         std::uint32_t state = 1998;
         for (char& c : noise) {
             state = state * 1103515245u + 12345u;
             c = static_cast<char>(state >> 24);
         }
         ZipBytes zip = MakeZip({{"logo.sys", noise}});
         // A byte in the middle of the deflated data of the only entry.
         const std::size_t data = 30 + U16(&zip[26]) + U16(&zip[28]);
         zip[data + (zip[18] | std::size_t(zip[19]) << 8 | std::size_t(zip[20]) << 16) / 2] ^= 0x55;
         return zip;
     },
     "entry logo.sys: "},
    {"not a zip", [] { return ZipBytes(1000, 'z'); }, "it is not a zip file"},
};

class HostileTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileTest, IsRefusedWithTheReason)
{
    const HostileCase& c = GetParam();
    const ZipBytes zip = c.make();
    try {
        ReadSetPack(zip, "bad.zip", std::nullopt);
        FAIL() << "not refused";
    }
    catch (const FileError& e) {
        EXPECT_EQ(e.file(), "bad.zip");
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
}

INSTANTIATE_TEST_SUITE_P(Zips, HostileTest, ::testing::ValuesIn(kHostileCases), [](const auto& info) {
    std::string name = info.param.title;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
});

// --- export and import on a drive -------------------------------------------------

class SetZipTest : public TempDrive {
protected:
    LogoManager Manager() const { return LogoManager(DriveC(root_)); }
    fs::path SetFile(const char* base, int set) const
    {
        return root_ / "VH Backups" / (std::string(base) + ".C" + std::to_string(set + 1) + "K");
    }
    // The fills of set s, Startup, Wait, Safe ('?' missing, '/' a folder).
    std::string Fills(int set) const
    {
        std::string fills;
        for (const char* base : {"Logo", "Logow", "Logos"})
            fills += fs::is_directory(SetFile(base, set)) ? '/' : LogoFill(SetFile(base, set));
        return fills;
    }
    void Lay(int set, const std::string& fills)
    {
        const char* bases[] = {"Logo", "Logow", "Logos"};
        for (std::size_t k = 0; k < 3; ++k) {
            if (fills[k] != '?')
                WriteLogo(SetFile(bases[k], set), fills[k]);
        }
        fs::create_directories(root_ / "VH Backups");
    }
    fs::path Zip(const std::string& name) const
    {
        return root_.parent_path() / (root_.filename().string() + name);
    }
    void TearDown() override
    {
        for (const char* name : {"a.zip", "b.zip", "empty.zip"})
            fs::remove(Zip(name));
        TempDrive::TearDown();
    }
};

TEST_F(SetZipTest, ExportedSetsComeBackAsTheyWere)
{
    // A whole set, and one that lacks its wait logo.
    for (const std::string fills : {"abc", "x?z"}) {
        SCOPED_TRACE(fills);
        fs::remove_all(root_ / "VH Backups");
        Lay(2, fills);
        LogoManager manager = Manager();
        ExportSet(manager, 2, Zip("a.zip"));
        const PackedSet pack = ReadSetPackFile(Zip("a.zip"), std::nullopt);
        EXPECT_EQ(pack.entries[0], "logo.sys");
        EXPECT_EQ(pack.entries[1], fills[1] == '?' ? "" : "logow.sys");

        Lay(7, "mmm");
        ImportSet(manager, 7, Zip("a.zip"), std::nullopt);
        // A kind the zip lacks keeps the set's own file.
        const std::string expected = {fills[0], fills[1] == '?' ? 'm' : fills[1], fills[2]};
        EXPECT_EQ(Fills(7), expected);
    }
    // The manifest names the program, the set and each file's size and digest.
    const std::string manifest = SetManifest(4, {Logo('a'), std::nullopt, Logo('c')});
    EXPECT_NE(manifest.find("program: Quillmere\n"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("\nset: 4\n"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("\nfile: logo.sys 129078 " + Sha256Hex(AsBytes(Logo('a'))) + "\n"),
              std::string::npos);
    EXPECT_EQ(manifest.find("logow.sys"), std::string::npos);
}

TEST_F(SetZipTest, AChangedFileDoesNotPassItsManifest)
{
    Lay(1, "abc");
    ExportSet(Manager(), 1, Zip("a.zip"));
    // The same names with the manifest kept and the wait logo swapped.
    const ZipBytes exported = ReadBytesOf(Zip("a.zip"));
    const ZipReader reader(exported, "a.zip");
    std::vector<ZipMember> members;
    for (const ZipEntry& e : reader.Entries())
        members.push_back({e.name, e.name == "logow.sys" ? Logo('w') : reader.Read(e)});
    WriteBytesTo(Zip("b.zip"), MakeZip(members));
    Lay(3, "mmm");
    LogoManager manager = Manager();
    EXPECT_THROW(
        {
            try {
                ImportSet(manager, 3, Zip("b.zip"), std::nullopt);
            }
            catch (const FileError& e) {
                EXPECT_NE(e.reason().find("entry logow.sys is not the file its manifest.txt lists"),
                          std::string::npos)
                    << e.reason();
                throw;
            }
        },
        FileError);
    EXPECT_EQ(Fills(3), "mmm");
}

TEST_F(SetZipTest, AnEmptySetIsNotExported)
{
    fs::create_directories(root_ / "VH Backups");
    try {
        ExportSet(Manager(), 5, Zip("empty.zip"));
        FAIL() << "exported";
    }
    catch (const Error& e) {
        EXPECT_STREQ(e.what(), "set 5 is empty: no logo was ever saved in it, so there is nothing to export");
    }
    EXPECT_FALSE(fs::exists(Zip("empty.zip")));
}

TEST_F(SetZipTest, ARefusedZipLeavesTheSetAlone)
{
    Lay(4, "abc");
    WriteBytesTo(Zip("a.zip"), MakeZip({M("logo.sys", 'n'), M("../logow.sys", 'n')}));
    LogoManager manager = Manager();
    EXPECT_THROW(ImportSet(manager, 4, Zip("a.zip"), std::nullopt), FileError);
    EXPECT_EQ(Fills(4), "abc");
    EXPECT_THROW(ImportSet(manager, 11, Zip("a.zip"), std::nullopt), SubscriptError);
}

// A folder drive where chosen writes fail (the nth write of a file), to stop a
// change half-way.
class FailingDrive final : public Drive {
public:
    explicit FailingDrive(const fs::path& root) : inner_(root) {}
    std::set<std::pair<std::string, int>> failWrites;
    int writes = 0;

    bool Replaced() const noexcept override { return inner_.Replaced(); }
    std::string Description() const override { return inner_.Description(); }
    fs::path Resolve(std::string_view p) const override { return inner_.Resolve(p); }
    DriveEntry Inspect(std::string_view p) const override { return inner_.Inspect(p); }
    std::error_code ChangeAttributes(std::string_view p, std::uint32_t a) const noexcept override
    {
        return inner_.ChangeAttributes(p, a);
    }
    void MakeFolder(std::string_view p) const override { inner_.MakeFolder(p); }
    void RemoveFolder(std::string_view p) const override { inner_.RemoveFolder(p); }
    void CopyFile(std::string_view s, std::string_view t) const override { inner_.CopyFile(s, t); }
    void CopyIn(const fs::path& s, std::string_view t) const override { inner_.CopyIn(s, t); }
    void WriteFile(std::string_view t, std::span<const std::uint8_t> b) const override
    {
        ++const_cast<FailingDrive*>(this)->writes;
        const int nth = ++const_cast<FailingDrive*>(this)->writesOf_[std::string(t)];
        if (failWrites.contains({std::string(t), nth}))
            throw DriveError(std::string(t), "No space left on device",
                             std::make_error_code(std::errc::no_space_on_device));
        inner_.WriteFile(t, b);
    }
    std::string ReadFile(std::string_view s, std::uintmax_t m) const override
    {
        return inner_.ReadFile(s, m);
    }
    void RemoveFile(std::string_view p) const override { inner_.RemoveFile(p); }
    int RemoveLeftovers(std::string_view f) const override { return inner_.RemoveLeftovers(f); }

protected:
    bool TryLock() const override { return true; }
    void Unlock() const noexcept override {}

private:
    FolderDrive inner_;
    std::map<std::string, int> writesOf_;
};

TEST_F(SetZipTest, AFailedWriteTakesBackTheFilesWrittenBeforeIt)
{
    struct Case {
        const char* title;
        std::string before;                            // the set's fills
        std::vector<std::pair<std::string, int>> fail; // writes that fail: the file, its nth write
        void (*prepare)(const fs::path& store);
        const char* error;
        int writes;        // tried, put-backs included
        std::string after; // the set's fills after; empty: not looked at
    };
    const std::string logo = "C:\\VH Backups\\Logo.C4K";
    const std::string logoW = "C:\\VH Backups\\Logow.C4K";
    const std::string logoS = "C:\\VH Backups\\Logos.C4K";
    // clang-format off
    const Case cases[] = {
        // The wait logo cannot be written: the startup logo gets its old content back.
        {"second write fails", "ab?", {{logoW, 1}}, nullptr, "C:\\VH Backups\\Logow.C4K: No space left on device", 3,
         "ab?"},
        // The wait logo was missing before: it goes again.
        {"third write fails", "a?c", {{logoS, 1}}, nullptr, "Logos.C4K: No space left", 4, "a?c"},
        // Putting back fails too: said, with the file that holds the new logo.
        {"put back fails", "ab?", {{logoW, 1}, {logo, 2}}, nullptr,
         "; set 3 could not be put back as it was: C:\\VH Backups\\Logo.C4K holds the new logo", 3, "nb?"},
        // Found before any write: nothing is written.
        {"read-only", "abc", {},
         [](const fs::path& store) { fs::permissions(store / "Logos.C4K", fs::perms::owner_read); },
         "Logos.C4K: the file is read-only", 0, "abc"},
        {"folder", "ab?", {}, [](const fs::path& store) { fs::create_directory(store / "Logos.C4K"); },
         "Logos.C4K: it is a folder, not a file", 0, "ab/"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        fs::remove_all(root_ / "VH Backups");
        Lay(3, c.before);
        if (c.prepare)
            c.prepare(root_ / "VH Backups");
        auto drive = std::make_shared<FailingDrive>(root_);
        drive->failWrites.insert(c.fail.begin(), c.fail.end());
        LogoManager manager(DriveC(drive, root_, false));
        try {
            manager.ReplaceSet(3, {Logo('n'), Logo('n'), Logo('n')});
            ADD_FAILURE() << "replaced";
        }
        catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
        EXPECT_EQ(drive->writes, c.writes);
        if (!c.after.empty()) {
            EXPECT_EQ(Fills(3), c.after);
        }
        std::error_code ec;
        fs::permissions(SetFile("Logos", 3), fs::perms::owner_all, fs::perm_options::add, ec);
    }
}

} // namespace
} // namespace quillmere
