// The user.DOSATTRIB value: the text form, Samba's binary record as Samba's own
// encoder writes it, and writing a record back without losing its fields.
#include "support/DriveFixture.h"
#include "support/TestData.h"

#include "drive/DosAttrib.h"
#include "drive/DriveC.h"
#include "drive/FileAttributes.h"

#include <cstdint>
#include <optional>
#include <sstream>

namespace quillmere {
namespace {

using namespace quillmere::testing;

std::uint32_t Le32(const std::string& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return v;
}

// A record built the way Samba lays it out: the text and its NUL, padding to an
// even offset, the version, the version again as a 4-aligned uint32, then words.
std::string SambaRecord(const std::string& text, std::uint16_t version, std::vector<std::uint32_t> words)
{
    std::string blob = text + '\0';
    blob.resize((blob.size() + 1) & ~std::size_t{1}, '\0');
    blob += static_cast<char>(version & 0xFF);
    blob += static_cast<char>(version >> 8);
    blob.resize((blob.size() + 3) & ~std::size_t{3}, '\0');
    words.insert(words.begin(), version);
    for (std::uint32_t w : words) {
        for (int i = 0; i < 4; ++i)
            blob += static_cast<char>((w >> (8 * i)) & 0xFF);
    }
    blob += std::string(16, '\0'); // times that follow
    return blob;
}

struct SambaSample {
    std::string name;
    int version;
    std::uint32_t attributes; // what a reader must report
    std::string blob;
};

// The records in the shared test data, written by Samba's own encoder.
std::vector<SambaSample> SambaSamples()
{
    std::ifstream in(std::string(QUILLMERE_TESTDATA) + "/dosattrib/samba-records.tsv");
    std::vector<SambaSample> samples;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        SambaSample s;
        std::string version, attributes, hex;
        std::getline(fields, s.name, '\t');
        std::getline(fields, version, '\t');
        std::getline(fields, attributes, '\t');
        std::getline(fields, hex, '\t');
        s.version = std::stoi(version);
        s.attributes = static_cast<std::uint32_t>(std::stoul(attributes, nullptr, 16));
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            s.blob += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        samples.push_back(s);
    }
    return samples;
}

// Where the record's fields begin, after the text, the version and the discriminant.
std::size_t FieldsOffset(const std::string& blob)
{
    const std::size_t version = (blob.find('\0') + 2) & ~std::size_t{1};
    return ((version + 2 + 3) & ~std::size_t{3}) + 4;
}

TEST(DosAttrib, ReadsEveryRecordSambaWrites)
{
    QUILLMERE_SKIP_WITHOUT_TESTDATA("dosattrib");
    const std::vector<SambaSample> samples = SambaSamples();
    ASSERT_FALSE(samples.empty()) << "no records in " << QUILLMERE_TESTDATA << "/dosattrib";
    for (const SambaSample& s : samples)
        EXPECT_EQ(ParseDosAttrib(s.blob).value_or(0), s.attributes) << s.name;
}

TEST(DosAttrib, ReadsTheFormsSambaAndWineWrite)
{
    struct Case {
        std::string value;
        std::optional<std::uint32_t> attributes;
    };
    const Case cases[] = {
        // the text form: Wine without a NUL, Samba's compatible form with one
        {"0x22", 0x22},
        {std::string("0x6\0", 4), 0x6},
        {"0X20", 0x20},
        // Samba's records: the word wins over the text, and an invalid word leaves the text
        {SambaRecord("0x20", 3, {0x1, 0x22}), 0x22},
        {SambaRecord("", 5, {0x1, 0x06}), 0x06},
        {SambaRecord("0x20", 4, {0x0, 0x06}), 0x20},
        {SambaRecord("0x2", 1, {0x2}), 0x2},
        {SambaRecord("0x20", 2, {0x0, 0x3}), 0x3},
        // a discriminant that does not repeat the version is no record
        {std::string("0x20\0\0\3\0\1\0\0\0\1\0\0\0\6\0\0\0", 20), 0x20},
        // nothing readable
        {"", std::nullopt},
        {"22", std::nullopt},
        {"0x", std::nullopt},
        {"0xZZ", std::nullopt},
        {SambaRecord("", 9, {0x1, 0x2}), std::nullopt},
        {std::string("\0\0\5\0\5\0", 6), std::nullopt}, // cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.value));
        EXPECT_EQ(ParseDosAttrib(c.value), c.attributes);
    }
}

TEST(DosAttrib, WritingARecordChangesOnlyItsAttributes)
{
    QUILLMERE_SKIP_WITHOUT_TESTDATA("dosattrib");
    for (const SambaSample& s : SambaSamples()) {
        for (const std::uint32_t attributes : {0x0u, 0x1u, 0x22u, 0x2027u}) {
            SCOPED_TRACE(s.name + " with " + std::to_string(attributes));
            const std::string written = EncodeDosAttrib(s.blob, attributes);
            EXPECT_EQ(ParseDosAttrib(written), attributes);

            // Same version, same fields: creation time and all, but for the
            // attribute word and the flag that says it is valid.
            const std::size_t oldFields = FieldsOffset(s.blob), newFields = FieldsOffset(written);
            ASSERT_EQ(written.size() - newFields, s.blob.size() - oldFields);
            std::string expected = s.blob.substr(oldFields);
            std::string got = written.substr(newFields);
            const std::size_t word = s.version == 1 ? 0 : 4;
            EXPECT_EQ(Le32(got, word), attributes);
            expected.replace(word, 4, got.substr(word, 4));
            if (s.version >= 3) {
                EXPECT_EQ(Le32(got, 0), Le32(expected, 0) | 1);
                expected.replace(0, 4, got.substr(0, 4));
            }
            EXPECT_EQ(got, expected);
            // Newer records carry no text, and get none.
            EXPECT_EQ(written.find('\0') == 0, s.blob.find('\0') == 0);
        }
    }
    // Anything else becomes Samba's compatible text form.
    EXPECT_EQ(EncodeDosAttrib(std::string("0x27"), 0x20), std::string("0x20\0", 5));
    EXPECT_EQ(EncodeDosAttrib({}, 0x2), std::string("0x2\0", 4));
}

using DosAttribOnDisk = TempDrive;

TEST_F(DosAttribOnDisk, AHiddenLogoWrittenBySambaIsHiddenAndKeepsItsRecord)
{
    QUILLMERE_SKIP_WITHOUT_TESTDATA("dosattrib");
    RequireExtendedAttributes();
    const DriveC drive(root_);
    const fs::path file = root_ / "logo.sys";
    WriteLogo(file, 'a');
    const SambaSample sample = SambaSamples().at(1); // version 3, hidden and archive, a creation time
    ASSERT_EQ(sample.attributes, kAttrHidden | kAttrArchive);
    ASSERT_TRUE(SetDosAttrib(file, sample.blob));

    EXPECT_EQ(drive.Attributes("C:\\logo.sys"), kAttrHidden | kAttrArchive);
    EXPECT_FALSE(drive.Exists("C:\\logo.sys"));

    EXPECT_NE(drive.SetAttributes("C:\\logo.sys"), 0);
    EXPECT_EQ(drive.Attributes("C:\\logo.sys"), 0u);
    EXPECT_TRUE(drive.Exists("C:\\logo.sys"));
    EXPECT_EQ(GetDosAttrib(file), EncodeDosAttrib(sample.blob, 0)) << "the record lost its layout or a field";
}

} // namespace
} // namespace quillmere
