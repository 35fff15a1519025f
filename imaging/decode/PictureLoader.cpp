#include "imaging/decode/PictureLoader.h"

#include "imaging/Errors.h"
#include "imaging/UniqueFd.h"
#include "imaging/decode/BmpReader.h"
#include "imaging/decode/GifReader.h"
#include "imaging/decode/JpegReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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

namespace {

// DecodePicture, scaled as LoadPictureFileScaled says when scaled is given.
DecodedPicture Decode(std::span<const std::uint8_t> bytes, const std::string& fileName, const DecodeLimits& limits,
                      const ScaledSize* scaled)
{
    if (bytes.empty())
        throw FileError(fileName, "the file is empty");
    switch (SniffPictureFormat(bytes)) {
    case PictureFormat::Bmp: return ReadBmp(bytes, fileName, limits);
    case PictureFormat::Gif: return ReadGif(bytes, fileName, limits);
    case PictureFormat::Jpeg: return ReadJpeg(bytes, fileName, limits, scaled);
    case PictureFormat::Unknown: break;
    }
    throw FileError(fileName, "not a BMP, GIF or JPEG picture");
}

} // namespace

DecodedPicture DecodePicture(std::span<const std::uint8_t> bytes, const std::string& fileName,
                             const DecodeLimits& limits)
{
    return Decode(bytes, fileName, limits, nullptr);
}

namespace {

std::string Reason(int error)
{
    std::string s = std::strerror(error);
    if (!s.empty())
        s[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[0])));
    return s;
}

// What a file that is not a regular file is, for the message that refuses it.
std::string NotAPictureFile(mode_t mode)
{
    const char* what = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a named pipe (FIFO)"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "a special file";
    return std::string("is ") + what + ", not a picture file";
}

// Reads until want bytes are in or the file ends, straight into the end of
// bytes: first into the room its capacity holds, then 64 KB more at a time.
// False on a read error (errno set).
bool ReadUpTo(int fd, std::vector<std::uint8_t>& bytes, std::size_t want)
{
    constexpr std::size_t kMore = std::size_t{1} << 16;
    std::size_t have = bytes.size();
    while (have < want) {
        if (have == bytes.size())
            bytes.resize(std::min(want, std::max(bytes.capacity(), have + kMore)));
        const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    bytes.resize(have);
    return true;
}

std::string TooLarge(std::int64_t size)
{
    return "the file is " + std::to_string(size) + " bytes, more than any picture needs (at most " +
           std::to_string(kMaxPictureFileBytes) + ")";
}

struct CloseStream {
    void operator()(std::FILE* stream) const noexcept { std::fclose(stream); }
};
using StreamHandle = std::unique_ptr<std::FILE, CloseStream>;

// A regular picture file, opened: its descriptor, its size as first seen, and
// its first bytes, which name a picture format.
struct OpenedPicture {
    UniqueFd fd;
    std::int64_t size = 0;
    std::vector<std::uint8_t> head;
    PictureFormat format = PictureFormat::Unknown;
};

OpenedPicture OpenPicture(const std::filesystem::path& path, const std::string& name)
{
    OpenedPicture f;
    // Without O_NONBLOCK, opening a named pipe waits for a writer for ever.
    f.fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!f.fd) {
        const int error = errno;
        struct stat st;
        // A socket cannot be opened at all (ENXIO): say what it is instead.
        if (error == ENXIO && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            throw FileError(name, NotAPictureFile(st.st_mode));
        throw FileError(name, error == ENOENT ? std::string("no such file") : "cannot be read: " + Reason(error));
    }
    struct stat st;
    if (::fstat(f.fd.Get(), &st) != 0)
        throw FileError(name, "cannot be read: " + Reason(errno));
    if (!S_ISREG(st.st_mode))
        throw FileError(name, NotAPictureFile(st.st_mode));
    const int flags = ::fcntl(f.fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(f.fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw FileError(name, "cannot be read: " + Reason(errno));
    if (st.st_size > kMaxPictureFileBytes)
        throw FileError(name, TooLarge(st.st_size));
    f.size = st.st_size;

    // The signature first: a file that is no picture is not read whole.
    if (!ReadUpTo(f.fd.Get(), f.head, 16))
        throw FileError(name, "cannot be read: " + Reason(errno));
    if (f.head.empty())
        throw FileError(name, "the file is empty");
    f.format = SniffPictureFormat(f.head);
    if (f.format == PictureFormat::Unknown)
        throw FileError(name, "not a BMP, GIF or JPEG picture");
    return f;
}

// LoadPictureFile, scaled as LoadPictureFileScaled says when scaled is given.
// The opened file as a stream from its start, for readers that read only as
// far as they need.
StreamHandle StreamFromStart(OpenedPicture& f, const std::string& name)
{
    StreamHandle stream(::fdopen(f.fd.Get(), "rb"));
    if (!stream)
        throw FileError(name, "cannot be read: " + Reason(errno));
    f.fd.Release();
    if (std::fseek(stream.get(), 0, SEEK_SET) != 0)
        throw FileError(name, "cannot be read: " + Reason(errno));
    return stream;
}

DecodedPicture Load(const std::filesystem::path& path, const DecodeLimits& limits, const ScaledSize* scaled)
{
    const std::string name = path.string();
    OpenedPicture f = OpenPicture(path, name);
    // A JPEG is decoded as it is read: its compressed bytes, the length of the
    // file, need no buffer, and the decoder stops at the picture's end.
    if (f.format == PictureFormat::Jpeg)
        return ReadJpeg(StreamFromStart(f, name).get(), name, limits, scaled);
    std::vector<std::uint8_t> bytes = std::move(f.head);
    // Read to the end rather than trust the size asked above: the file may
    // change. One byte past the bound tells a file that has grown beyond it.
    bytes.reserve(static_cast<std::size_t>(f.size) + 1);
    if (!ReadUpTo(f.fd.Get(), bytes, static_cast<std::size_t>(kMaxPictureFileBytes) + 1))
        throw FileError(name, "cannot be read: " + Reason(errno));
    if (static_cast<std::int64_t>(bytes.size()) > kMaxPictureFileBytes)
        throw FileError(name, TooLarge(static_cast<std::int64_t>(bytes.size())));
    return Decode(bytes, name, limits, scaled);
}

} // namespace

DecodedPicture LoadPictureFile(const std::filesystem::path& path, const DecodeLimits& limits)
{
    return Load(path, limits, nullptr);
}

DecodedPicture LoadPictureFileScaled(const std::filesystem::path& path, ScaledSize size, const DecodeLimits& limits)
{
    return Load(path, limits, &size);
}

PictureHeader ReadPictureHeader(const std::filesystem::path& path, const DecodeLimits& limits)
{
    const std::string name = path.string();
    OpenedPicture f = OpenPicture(path, name);
    const StreamHandle stream = StreamFromStart(f, name);
    switch (f.format) {
    case PictureFormat::Bmp: return ReadBmpHeader(stream.get(), f.size, name, limits);
    case PictureFormat::Gif: return ReadGifHeader(stream.get(), f.size, name, limits);
    case PictureFormat::Jpeg: return ReadJpegHeader(stream.get(), name, limits);
    case PictureFormat::Unknown: break;
    }
    throw FileError(name, "not a BMP, GIF or JPEG picture");
}

} // namespace quillmere
