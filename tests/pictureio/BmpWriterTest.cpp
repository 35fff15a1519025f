#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "pictureio/cDIBSave.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/SurfaceHelpers.h"
#include "support/AsOrdinaryUser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::GetPixels;

std::vector<std::uint8_t> ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteText(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

std::string ReadText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t U32(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (std::uint32_t(f[at + 3]) << 24);
}

std::uint32_t U16(const std::vector<std::uint8_t>& f, std::size_t at) { return f[at] | (f[at + 1] << 8); }

// A smooth picture with some texture, so that the palette and the dithering
// have real work: gradients in red and green, a pattern in blue.
void FillPhotoLike(cDIB& dib, std::int32_t w, std::int32_t h)
{
    ASSERT_TRUE(dib.Create(w, h));
    std::uint32_t seed = 12345;
    std::uint8_t* p = dib.DIBitsPtr();
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x, p += 4) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 15) - 8;
            p[0] = static_cast<std::uint8_t>(((x ^ y) * 3 + noise) & 0xFF);
            p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / h + noise, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(x * 255 / w + noise, 0, 255));
            p[3] = 0x5A; // dropped by the writer
        }
}

// What the independent reader (a small Python script) makes of a file.
struct Decoded {
    std::int32_t width = 0, height = 0, bits = 0;
    std::uint32_t offBits = 0, fileSize = 0, length = 0;
    std::vector<std::uint32_t> entries;            // 0x00RRGGBB, reserved checked 0
    std::vector<std::vector<std::uint32_t>> rows;  // top row first
};

Decoded DecodeWithPython(const fs::path& file)
{
    const std::string command = "python3 '" QUILLMERE_TEST_FIXTURES "/read_bmp.py' '" + file.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    Decoded d;
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return d;
    }
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        out.append(buffer, n);
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "header") {
            in >> d.width >> d.height >> d.bits >> d.offBits >> d.fileSize >> d.length;
        } else if (kind == "entry") {
            std::uint32_t r, g, b, reserved;
            in >> r >> g >> b >> reserved;
            EXPECT_EQ(reserved, 0u);
            d.entries.push_back((r << 16) | (g << 8) | b);
        } else if (kind == "row") {
            d.rows.emplace_back(std::istream_iterator<std::uint32_t>(in), std::istream_iterator<std::uint32_t>());
        }
    }
    return d;
}

class BmpWriter : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("bmpwriter_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir_;
};

struct FileCase {
    const char* name;
    std::int32_t width, height;
    std::uint8_t bpp;
    std::int32_t rowBytes, tableBytes;
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

const FileCase kFiles[] = {
    {"Logo", 320, 400, 8, 320, 1024},
    {"Width321At8Bits", 321, 3, 8, 324, 1024},
    {"Width321At4Bits", 321, 3, 4, 164, 64},
    {"Width321At1Bit", 321, 3, 1, 44, 8},
    {"Width321At24Bits", 321, 3, 24, 964, 0},
    {"TwoByTwoAt24Bits", 2, 2, 24, 8, 0},
    // Depths without a source of pixels: the header and table as usual, zero rows.
    {"ZeroRowsAt2Bits", 5, 2, 2, 4, 16},
    {"ZeroRowsAt16Bits", 3, 2, 16, 8, 0},
    {"ZeroRowsAt32Bits", 3, 2, 32, 12, 0},
};

class BmpFile : public BmpWriter, public ::testing::WithParamInterface<FileCase> {};

TEST_P(BmpFile, IsWrittenByteForByteAndReadsBack)
{
    const FileCase& c = GetParam();
    cDIB dib;
    FillPhotoLike(dib, c.width, c.height);
    cDIBPal pal;
    cDIBDither dither;
    if (c.bpp == 8) {
        cDIB thumb;
        std::int32_t x, y, w, h;
        dib.GetBestFitInfo(100, 100, x, y, w, h);
        ASSERT_TRUE(thumb.Create(w, h));
        thumb.LoadDIBBlt(dib);
        pal.CreateOptimal(thumb, 256, 8, 1, 1, 1);
    } else if (c.bpp == 1) {
        pal.CreateBlackAndWhite();
    } else {
        pal.CreateEGA();
    }
    if (c.bpp == 1 || c.bpp == 4 || c.bpp == 8)
        dither.DitherToColorPalette(dib, pal, true);
    const std::vector<std::uint32_t> surface = GetPixels(dib);

    const fs::path file = dir_ / "picture.bmp";
    cDIBSave::Save_BMP(file.string(), dib, pal, dither, c.bpp);
    const std::vector<std::uint8_t> f = ReadAll(file);

    const std::uint32_t offBits = 54 + c.tableBytes;
    const std::uint32_t size = offBits + std::uint32_t(c.rowBytes) * c.height;
    ASSERT_EQ(f.size(), size);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(U32(f, 2), size);         // bfSize
    EXPECT_EQ(U32(f, 6), 0u);           // bfReserved1, bfReserved2
    EXPECT_EQ(U32(f, 10), offBits);     // bfOffBits
    EXPECT_EQ(U32(f, 14), 40u);         // biSize
    EXPECT_EQ(U32(f, 18), std::uint32_t(c.width));
    EXPECT_EQ(U32(f, 22), std::uint32_t(c.height));
    EXPECT_EQ(U16(f, 26), 1u);          // biPlanes
    EXPECT_EQ(U16(f, 28), c.bpp);       // biBitCount
    for (std::size_t at = 30; at < 54; ++at)
        EXPECT_EQ(f[at], 0) << "byte " << at << " (compression, sizes, resolution, colour counts)";
    for (std::int32_t i = 0; i < c.tableBytes / 4; ++i) {
        const auto e = static_cast<std::uint8_t>(i);
        ASSERT_EQ(f[54 + 4 * i], pal.rgbB(e));
        ASSERT_EQ(f[55 + 4 * i], pal.rgbG(e));
        ASSERT_EQ(f[56 + 4 * i], pal.rgbR(e));
        ASSERT_EQ(f[57 + 4 * i], 0);
    }

    if (c.bpp == 1 || c.bpp == 4 || c.bpp == 8) {
        const std::vector<std::uint8_t> indices = dither.PalID();
        EXPECT_TRUE(std::equal(f.begin() + offBits, f.end(), indices.begin(), indices.end()));
    } else if (c.bpp != 24) {
        EXPECT_TRUE(std::all_of(f.begin() + offBits, f.end(), [](std::uint8_t b) { return b == 0; }));
        return;
    }
    // Each row's fill bytes are zero.
    const std::int32_t used = (c.width * c.bpp + 7) / 8;
    for (std::int32_t r = 0; r < c.height; ++r)
        for (std::int32_t b = used; b < c.rowBytes; ++b)
            ASSERT_EQ(f[offBits + r * c.rowBytes + b], 0) << "row " << r << " byte " << b;

    // Read back independently: every pixel's colour is the surface's.
    const Decoded d = DecodeWithPython(file);
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, c.height);
    EXPECT_EQ(d.bits, c.bpp);
    EXPECT_EQ(d.length, size);
    ASSERT_EQ(d.rows.size(), std::size_t(c.height));
    for (std::int32_t y = 0; y < c.height; ++y) {
        ASSERT_EQ(d.rows[y].size(), std::size_t(c.width));
        for (std::int32_t x = 0; x < c.width; ++x) {
            const std::uint32_t v = d.rows[y][x];
            const std::uint32_t colour = c.bpp == 24 ? v : d.entries.at(v);
            ASSERT_EQ(colour, surface[y * c.width + x] & 0x00FFFFFF) << "pixel " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BmpFile, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BmpWriter, LogoHasTheKnownLayout)
{
    // 320 x 400 at 8 bits: 129078 bytes, pixels from 1078, table entry 5 at 74.
    cDIB dib;
    FillPhotoLike(dib, 320, 400);
    cDIBPal pal;
    pal.CreateHalftone();
    cDIBDither dither;
    dither.DitherToColorPalette(dib, pal, false);
    const fs::path file = dir_ / "logo.sys";
    cDIBSave::Save_BMP(file.string(), dib, pal, dither, 8);
    const std::vector<std::uint8_t> f = ReadAll(file);
    ASSERT_EQ(f.size(), 129078u);
    EXPECT_EQ(U32(f, 10), 1078u);
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 74, f.begin() + 78)), (std::vector<std::uint8_t>{0, 64, 0, 0}));
    // Byte 1078: the bottom-left pixel, whose colour is that entry's.
    const std::uint32_t bottomLeft = GetPixels(dib)[399 * 320] & 0x00FFFFFF;
    const auto e = f[1078];
    EXPECT_EQ((std::uint32_t(pal.rgbR(e)) << 16) | (pal.rgbG(e) << 8) | pal.rgbB(e), bottomLeft);
}

TEST_F(BmpWriter, TwentyFourBitTwoByTwoFile)
{
    cDIB dib;
    testing::SetPixels(dib, 2, 2, {0xFF010203u, 0x00040506u, 0x00070809u, 0x770A0B0Cu});
    cDIBSave::Save_BMP((dir_ / "small.bmp").string(), dib, cDIBPal(), cDIBDither(), 24);
    const std::vector<std::uint8_t> f = ReadAll(dir_ / "small.bmp");
    ASSERT_EQ(f.size(), 70u);
    EXPECT_EQ(U32(f, 10), 54u);
    // Bottom row first, blue green red, two fill bytes a row.
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 54, f.end())),
              (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}));
}

TEST_F(BmpWriter, ReplacesALongerFile)
{
    const fs::path file = dir_ / "logo.sys";
    WriteText(file, std::string(5000, 'x'));
    cDIB dib;
    ASSERT_TRUE(dib.Create(2, 2, 0x00FFFFFF));
    cDIBSave::Save_BMP(file.string(), dib, cDIBPal(), cDIBDither(), 24);
    EXPECT_EQ(fs::file_size(file), 70u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys"}));
}

// Failures: the old file stays as it was, nothing else is left in the folder,
// and a file error names the file and the reason.
TEST_F(BmpWriter, FailuresLeaveTheOldFile)
{
    const fs::path file = dir_ / "logo.sys";
    WriteText(file, "old logo");
    cDIB dib;
    ASSERT_TRUE(dib.Create(4, 2, 0x00FFFFFF));
    cDIBPal pal;
    pal.CreateEGA();
    cDIBDither dither;
    dither.DitherToColorPalette(dib, pal, false); // a 4-bit buffer

    struct Case {
        const char* name;
        fs::path target;
        std::uint8_t bpp;
        bool fileError;
    };
    const Case kCases[] = {
        {"palette of 16 for 8 bits", file, 8, false},
        {"index buffer of another depth", file, 1, true},
        {"missing folder", dir_ / "no such folder" / "logo.sys", 4, true},
    };
    for (const Case& c : kCases) {
        try {
            cDIBSave::Save_BMP(c.target.string(), dib, pal, dither, c.bpp);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const FileError& e) {
            EXPECT_TRUE(c.fileError) << c.name;
            EXPECT_EQ(e.file(), c.target.string()) << c.name;
            EXPECT_FALSE(e.reason().empty()) << c.name;
        } catch (const SubscriptError& e) {
            EXPECT_FALSE(c.fileError) << c.name;
            EXPECT_NE(std::string(e.what()).find(c.target.string()), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadText(file), "old logo") << c.name;
        EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys"})) << c.name;
    }

    fs::permissions(file, fs::perms::owner_read);
    try {
        cDIBSave::Save_BMP(file.string(), dib, pal, dither, 4);
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), file.string());
        EXPECT_EQ(e.reason(), "the file is read-only");
    }
    EXPECT_EQ(ReadText(file), "old logo");

    // An empty surface touches nothing, not even a read-only file.
    cDIB empty;
    cDIBSave::Save_BMP(file.string(), empty, pal, dither, 4);
    cDIBSave::Save_BMP((dir_ / "new.bmp").string(), empty, pal, dither, 4);
    EXPECT_EQ(ReadText(file), "old logo");
    EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys"}));
}

TEST_F(BmpWriter, AFolderThatCannotBeWrittenIsReported)
{
    const fs::path file = dir_ / "logo.sys";
    WriteText(file, "old logo");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    cDIB dib;
    ASSERT_TRUE(dib.Create(2, 2));
    auto attempt = [&] {
        try {
            cDIBSave::Save_BMP(file.string(), dib, cDIBPal(), cDIBDither(), 24);
            return false;
        } catch (const FileError& e) {
            return e.file() == file.string() && !e.reason().empty();
        }
    };
    EXPECT_TRUE(testing::AsOrdinaryUser(attempt));
    EXPECT_EQ(ReadText(file), "old logo");
    EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys"}));
}

} // namespace
} // namespace quillmere
