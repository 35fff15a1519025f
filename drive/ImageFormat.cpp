#include "ImageFormat.h"

#include "Drive.h"

#include "imaging/LittleEndian.h"
#include "imaging/Printable.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::uint32_t Be32(const unsigned char* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

std::uint64_t Be64(const unsigned char* p) { return (std::uint64_t{Be32(p)} << 32) | Be32(p + 4); }

std::uint64_t Le64(const unsigned char* p) { return (std::uint64_t{ReadLe32(p + 4)} << 32) | ReadLe32(p); }

DriveError Refused(const fs::path& image, const std::string& reason, int err = EINVAL)
{
    return DriveError(image.string(), reason, std::error_code(err, std::generic_category()));
}

// Reads up to size bytes at offset; fewer at the end of the file.
std::string ReadSome(int fd, std::uint64_t offset, std::size_t size)
{
    std::string bytes(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

// A file another file names (a backing file, an extent, a parent): found
// beside the image when relative, as QEMU finds it. A name QEMU would read as
// a protocol ("json:", "nbd:", ...) is refused: it could reach anything.
fs::path Beside(const fs::path& image, const std::string& name, const std::string& what)
{
    const std::size_t colon = name.find(':');
    if (name.empty() || name.find('\0') != std::string::npos ||
        (colon != std::string::npos && name.find('/') > colon))
        throw Refused(image, "names its " + what + " as " + Printable(name) +
                                 ", which is not a plain file name; only images whose " + what +
                                 " is a file are opened");
    const fs::path path(name);
    return path.is_absolute() ? path : image.parent_path() / path;
}

void RequireFile(const fs::path& image, const fs::path& file, const std::string& what)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        throw Refused(image, "its " + what + " " + Printable(file.string()) + " is missing (" +
                                 std::strerror(errno) + "): put it back where the image names it",
                      ENOENT);
    if (!S_ISREG(st.st_mode))
        throw Refused(image, "its " + what + " " + Printable(file.string()) + " is not a plain file");
}

ImageFormat Qcow2(int fd, const fs::path& image, const std::string& header)
{
    const auto* h = reinterpret_cast<const unsigned char*>(header.data());
    if (header.size() < 72)
        throw Refused(image, "is a qcow2 disk image whose header is cut short: the image is damaged");
    if (Be32(h + 32) != 0)
        throw Refused(image, "is an encrypted qcow2 disk image, which this program cannot open; " +
                                 std::string(kConvertHint));
    const std::uint64_t backingAt = Be64(h + 8);
    const std::uint32_t backingSize = Be32(h + 16);
    if (backingAt != 0 && backingSize != 0) {
        // QEMU allows at most 1023 bytes for the name.
        if (backingSize > 1023)
            throw Refused(image, "is a qcow2 disk image whose backing file name is too long: the image is damaged");
        const std::string name = ReadSome(fd, backingAt, backingSize);
        if (name.size() != backingSize)
            throw Refused(image, "is a qcow2 disk image whose backing file name lies past its end: the image is "
                                 "damaged");
        RequireFile(image, Beside(image, name, "backing file"), "backing file");
    }
    return {"qcow2", "qcow2"};
}

// The value of key="value" in a VMDK descriptor's text, or empty.
std::string DescriptorValue(std::string_view text, std::string_view key)
{
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (!line.starts_with(key))
            continue;
        line.remove_prefix(key.size());
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        if (line.empty() || line.front() != '=')
            continue;
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string_view::npos ? open : line.find('"', open + 1);
        if (close != std::string_view::npos)
            return std::string(line.substr(open + 1, close - open - 1));
    }
    return {};
}

[[noreturn]] void RefuseStreamOptimized(const fs::path& image)
{
    throw Refused(image, "is a streamOptimized VMDK disk image, which is made to be copied, not changed, and can "
                         "only be read; " + std::string(kConvertHint));
}

void CheckVmdkDescriptor(const fs::path& image, std::string_view text)
{
    if (DescriptorValue(text, "createType") == "streamOptimized")
        RefuseStreamOptimized(image);
    // Extent lines: ACCESS SECTORS TYPE "FILE" [OFFSET]; each file must be there.
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!(line.starts_with("RW ") || line.starts_with("RDONLY ") || line.starts_with("NOACCESS ")))
            continue;
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string_view::npos ? open : line.find('"', open + 1);
        if (close == std::string_view::npos)
            continue; // a ZERO extent has no file
        const std::string name(line.substr(open + 1, close - open - 1));
        RequireFile(image, Beside(image, name, "extent file"), "extent file");
    }
    if (const std::string parent = DescriptorValue(text, "parentFileNameHint"); !parent.empty())
        RequireFile(image, Beside(image, parent, "parent image"), "parent image");
}

ImageFormat Vmdk(int fd, const fs::path& image, const std::string& header)
{
    const auto* h = reinterpret_cast<const unsigned char*>(header.data());
    if (header.starts_with("KDMV")) {
        if (header.size() < 79)
            throw Refused(image, "is a VMDK disk image whose header is cut short: the image is damaged");
        // Compressed grains (flag bit 16, a compression algorithm): streamOptimized.
        if ((ReadLe32(h + 8) & (1u << 16)) != 0 || ReadLe16(h + 77) != 0)
            RefuseStreamOptimized(image);
        const std::uint64_t at = Le64(h + 28), sectors = Le64(h + 36);
        if (at != 0 && sectors != 0 && sectors <= 128)
            CheckVmdkDescriptor(image, ReadSome(fd, at * 512, static_cast<std::size_t>(sectors) * 512));
    } else if (header.starts_with("# Disk DescriptorFile")) {
        CheckVmdkDescriptor(image, ReadSome(fd, 0, 64 * 1024));
    }
    return {"vmdk", "VMDK"};
}

// UTF-16 big-endian to UTF-8, up to the first NUL.
std::string FromUtf16Be(std::string_view bytes)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = (static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]);
        if (c == 0)
            break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const std::uint32_t low = (static_cast<unsigned char>(bytes[i + 2]) << 8) |
                                      static_cast<unsigned char>(bytes[i + 3]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

ImageFormat Vhd(int fd, const fs::path& image, const std::string& footer)
{
    const auto* f = reinterpret_cast<const unsigned char*>(footer.data());
    const std::uint32_t type = Be32(f + 60); // 2 fixed, 3 dynamic, 4 differencing
    if (type == 3)
        return {"vpc", "dynamic VHD"};
    if (type != 4)
        throw Refused(image, "is a VHD disk image of an unknown type (" + std::to_string(type) + ")");
    // The dynamic header (at the footer's data offset) names the parent, in
    // UTF-16 at its byte 64.
    const std::string header = ReadSome(fd, Be64(f + 16), 1024);
    std::string parent = header.size() == 1024 && header.starts_with("cxsparse")
                             ? FromUtf16Be(std::string_view(header).substr(64, 512))
                             : std::string();
    throw Refused(image, "is a differencing VHD disk image" +
                             (parent.empty() ? std::string() : " whose parent is " + Printable(parent)) +
                             ": QEMU cannot read its parent, so a change would hide the parent's data; merge it "
                             "into its parent in the program that made it first (converting it would leave the "
                             "parent's data out too)");
}

} // namespace

ImageFormat ReadImageFormat(int fd, const fs::path& image)
{
    const std::string first = ReadSome(fd, 0, 512);
    const auto* s = reinterpret_cast<const unsigned char*>(first.data());
    if (first.size() < 512)
        return {}; // too short for any header: FindDiskVolume says what it is
    if (first.starts_with("QFI\xFB"))
        return Qcow2(fd, image, first);
    if (ReadLe32(s + 0x40) == 0xBEDA107F) {
        // Image type: 1 dynamic, 2 fixed, 3 undo, 4 differencing (a snapshot).
        const std::uint32_t type = ReadLe32(s + 0x4C);
        if (type != 1 && type != 2)
            throw Refused(image, type == 4 ? "is a differencing VDI disk image (a VirtualBox snapshot), whose data "
                                             "lie partly in its parent: delete the snapshot in VirtualBox first, "
                                             "which merges it into its parent"
                                           : "is a VDI disk image of a type QEMU cannot open (" +
                                                 std::to_string(type) + ")");
        return {"vdi", "VDI"};
    }
    if (first.starts_with("KDMV") || first.starts_with("COWD") || first.starts_with("# Disk DescriptorFile"))
        return Vmdk(fd, image, first);
    if (first.starts_with("vhdxfile"))
        return {"vhdx", "VHDX"};
    if (first.starts_with("conectix"))
        return Vhd(fd, image, first);
    return {};
}

} // namespace quillmere
