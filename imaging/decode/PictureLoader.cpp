#include "imaging/decode/PictureLoader.h"

#include "imaging/Errors.h"
#include "imaging/decode/BmpReader.h"
#include "imaging/decode/GifReader.h"
#include "imaging/decode/JpegReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace quillmere {

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> b) noexcept
{
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M')
        return PictureFormat::Bmp;
    if (b.size() >= 6 && std::memcmp(b.data(), "GIF8", 4) == 0 && (b[4] == '7' || b[4] == '9') && b[5] == 'a')
        return PictureFormat::Gif;
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return PictureFormat::Jpeg;
    return PictureFormat::Unknown;
}

DecodedPicture DecodePicture(std::span<const std::uint8_t> bytes, const std::string& fileName,
                             const DecodeLimits& limits)
{
    if (bytes.empty())
        throw FileError(fileName, "the file is empty");
    switch (SniffPictureFormat(bytes)) {
    case PictureFormat::Bmp: return ReadBmp(bytes, fileName, limits);
    case PictureFormat::Gif: return ReadGif(bytes, fileName, limits);
    case PictureFormat::Jpeg: return ReadJpeg(bytes, fileName, limits);
    case PictureFormat::Unknown: break;
    }
    throw FileError(fileName, "not a BMP, GIF or JPEG picture");
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

std::string Reason(int error)
{
    std::string s = std::strerror(error);
    if (!s.empty())
        s[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[0])));
    return s;
}

} // namespace

DecodedPicture LoadPictureFile(const std::filesystem::path& path, const DecodeLimits& limits)
{
    const std::string name = path.string();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw FileError(name, "is a folder, not a picture file");
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f)
        throw FileError(name, errno == ENOENT ? std::string("no such file") : "cannot be read: " + Reason(errno));
    // Read to the end rather than trust a size asked beforehand: the file may change.
    std::vector<std::uint8_t> bytes;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size < (std::uintmax_t{1} << 31))
        bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
        if (bytes.size() + n > (std::size_t{1} << 31))
            throw FileError(name, "the file is too large for a picture (more than 2 GB)");
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(f.get()))
        throw FileError(name, "cannot be read: " + Reason(errno));
    return DecodePicture(bytes, name, limits);
}

} // namespace quillmere
