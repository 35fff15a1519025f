// The public BMP test suite, as its INDEX.tsv says: every "load" file decodes
// to its reference picture, every "reject" file fails with a clear error, and
// every "either" file does one of the two without harm; the header alone
// says the same of each.
#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/TestData.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quillmere {
namespace {

const std::filesystem::path kSuite = std::filesystem::path(QUILLMERE_TESTDATA) / "bmpsuite";

struct SuiteFile {
    std::string path, expect, ref, note;
    int width = 0, height = 0;
};

void PrintTo(const SuiteFile& f, std::ostream* os) { *os << f.path; }

std::vector<SuiteFile> ReadIndex()
{
    std::vector<SuiteFile> files;
    std::ifstream in(kSuite / "INDEX.tsv");
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, '\t');)
            f.push_back(cell);
        if (f.size() < 8)
            continue;
        SuiteFile s;
        s.path = f[0];
        s.width = std::atoi(f[1].c_str());
        s.height = std::atoi(f[2].c_str());
        s.expect = f[5];
        s.ref = f[6];
        s.note = f[7];
        files.push_back(s);
    }
    return files;
}

struct Reference {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

bool ReadPng(const std::filesystem::path& path, Reference& ref)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    ref.width = static_cast<int>(image.width);
    ref.height = static_cast<int>(image.height);
    ref.rgba.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, ref.rgba.data(), 0, nullptr) != 0;
}

// Channels of 5, 6, 10 or 11 bits are widened slightly differently by the
// decoders that made the references; the index says by how much.
int Tolerance(const std::string& note)
{
    if (note.find("tolerance 2") != std::string::npos)
        return 2;
    return note.find("tolerance 1") != std::string::npos ? 1 : 0;
}

// The index lists the suite's files; without the suite there are none to test.
TEST(BmpSuiteIndex, ListsTheFiles)
{
    QUILLMERE_SKIP_WITHOUT_TESTDATA("bmpsuite");
    EXPECT_FALSE(ReadIndex().empty()) << "no files listed in " << kSuite / "INDEX.tsv";
}

class BmpSuite : public ::testing::TestWithParam<SuiteFile> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpSuite);

TEST_P(BmpSuite, DecodesOrRefusesAsIndexed)
{
    const SuiteFile& f = GetParam();
    const std::filesystem::path file = kSuite / f.path;
    ASSERT_TRUE(std::filesystem::exists(file)) << file;

    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;
    std::int32_t depth = 0;
    std::string error;
    PictureHeader decoded;
    try {
        DecodedPicture picture = LoadPictureFile(file);
        decoded = {picture.Width, picture.Height, picture.BitsPerPixel, picture.ExifOrientation};
        depth = dib.CreateFromStdPicture(&picture, pal, dither);
    } catch (const FileError& e) {
        error = e.what();
        EXPECT_EQ(e.file(), file.string());
        EXPECT_FALSE(e.reason().empty());
    }

    // The header alone gives the same figures, or the same refusal unless the
    // fault lies in an RLE stream, which it does not read.
    try {
        const PictureHeader header = ReadPictureHeader(file);
        if (error.empty()) {
            EXPECT_EQ(header.Width, decoded.Width);
            EXPECT_EQ(header.Height, decoded.Height);
            EXPECT_EQ(header.BitsPerPixel, decoded.BitsPerPixel);
        } else {
            EXPECT_NE(error.find("inside its RLE data"), std::string::npos) << error;
        }
    } catch (const FileError& e) {
        EXPECT_EQ(e.what(), error);
    }

    if (f.expect == "reject") {
        EXPECT_FALSE(error.empty()) << "loaded a file that must be refused";
        return;
    }
    if (f.expect == "load") {
        ASSERT_TRUE(error.empty()) << error;
    }
    if (!error.empty())
        return; // "either", refused cleanly
    ASSERT_GT(depth, 0);
    if (f.ref == "-")
        return;

    Reference ref;
    const std::string stem = std::filesystem::path(f.path).stem().string();
    // pal8oversizepal shows pal8's picture (its index says so).
    ASSERT_TRUE(ReadPng(kSuite / "ref" / ((stem == "pal8oversizepal" ? "pal8" : stem) + ".png"), ref));
    ASSERT_EQ(dib.Width(), ref.width);
    ASSERT_EQ(dib.Height(), ref.height);
    // Some references widen narrow channels by shifting: a full 4-bit value
    // comes out 240, against the suite's own rule that full intensity is 255.
    // Their tell is an alpha that never reaches 255; such an "either" file is
    // only required to load cleanly.
    std::uint8_t maxAlpha = 0;
    for (std::size_t i = 3; i < ref.rgba.size(); i += 4)
        maxAlpha = std::max(maxAlpha, ref.rgba[i]);
    if (f.expect == "either" && f.ref == "im" && maxAlpha < 255)
        return;
    const bool rle = f.note.find("RLE") != std::string::npos;
    const int tolerance = Tolerance(f.note);
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width && mismatches < 5; ++x) {
            const std::uint8_t* want = &ref.rgba[(static_cast<std::size_t>(y) * ref.width + x) * 4];
            const std::uint8_t* got = dib.DIBitsPtr() + (static_cast<std::size_t>(y) * ref.width + x) * 4;
            if (rle && want[3] == 0)
                continue; // skipped by the RLE stream: undefined
            for (int c = 0; c < 3; ++c) {
                if (std::abs(got[2 - c] - want[c]) > tolerance) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": "
                                  << int(got[2 - c]) << " instead of " << int(want[c]);
                    ++mismatches;
                    break;
                }
            }
            EXPECT_EQ(got[3], 0) << "reserved byte of (" << x << ", " << y << ")";
        }
    }
}

std::string Name(const ::testing::TestParamInfo<SuiteFile>& info)
{
    std::string s = info.param.path;
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return s;
}

INSTANTIATE_TEST_SUITE_P(Index, BmpSuite, ::testing::ValuesIn(ReadIndex()), Name);

} // namespace
} // namespace quillmere
