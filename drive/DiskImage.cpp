#include "DiskImage.h"

#include "Drive.h"
#include "ImageFormat.h"
#include "imaging/LittleEndian.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {

namespace {

constexpr std::uint64_t kSector = 512;

using Sector = std::array<unsigned char, kSector>;

std::uint32_t Be32(const unsigned char* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool Has(const Sector& s, std::size_t at, std::string_view magic)
{
    return std::memcmp(s.data() + at, magic.data(), magic.size()) == 0;
}

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

DriveError Refused(const std::string& image, const std::string& reason, int err = EINVAL)
{
    return DriveError(image, reason, std::error_code(err, std::generic_category()));
}

// What a FAT boot sector (the BIOS parameter block) declares, when the sector is one.
struct BootSector {
    std::uint64_t bytes = 0; // the whole file system
    int fatBits = 0;
    FatLayout layout{};
};

std::optional<BootSector> ReadBootSector(const Sector& s)
{
    // A jump instruction to the boot code, then the BPB.
    if (s[0] != 0xEB && s[0] != 0xE9)
        return std::nullopt;
    const std::uint32_t bytesPerSector = ReadLe16(&s[11]);
    const std::uint32_t perCluster = s[13];
    const std::uint32_t reserved = ReadLe16(&s[14]);
    const std::uint32_t fats = s[16];
    const std::uint32_t rootEntries = ReadLe16(&s[17]);
    const std::uint32_t total = ReadLe16(&s[19]) ? ReadLe16(&s[19]) : ReadLe32(&s[32]);
    const std::uint32_t fatSectors = ReadLe16(&s[22]) ? ReadLe16(&s[22]) : ReadLe32(&s[36]);
    if ((bytesPerSector != 512 && bytesPerSector != 1024 && bytesPerSector != 2048 && bytesPerSector != 4096) ||
        perCluster == 0 || (perCluster & (perCluster - 1)) != 0 || reserved == 0 || fats == 0 || fats > 4 ||
        total == 0 || fatSectors == 0)
        return std::nullopt;
    const std::uint64_t rootSectors = (std::uint64_t{rootEntries} * 32 + bytesPerSector - 1) / bytesPerSector;
    const std::uint64_t meta = reserved + std::uint64_t{fats} * fatSectors + rootSectors;
    if (meta >= total)
        return std::nullopt;
    // The FAT type follows from the count of clusters alone, as every FAT driver
    // decides it, whatever the label in the boot sector says.
    const std::uint64_t clusters = (total - meta) / perCluster;
    BootSector boot;
    boot.bytes = std::uint64_t{total} * bytesPerSector;
    boot.fatBits = clusters < 4085 ? 12 : clusters < 65525 ? 16 : 32;
    boot.layout = {bytesPerSector, perCluster, reserved, fats, fatSectors, rootEntries, ReadLe32(&s[44]), clusters};
    return boot;
}

bool IsFatType(unsigned type)
{
    switch (type) {
    case 0x01: case 0x04: case 0x06: case 0x0B: case 0x0C: case 0x0E: // FAT12, FAT16, FAT32 (CHS and LBA)
    case 0x11: case 0x14: case 0x16: case 0x1B: case 0x1C: case 0x1E: // the same, hidden
        return true;
    default:
        return false;
    }
}

bool ReadAt(int fd, Sector& s, std::uint64_t at)
{
    std::size_t done = 0;
    while (done < s.size()) {
        const ssize_t n = ::pread(fd, s.data() + done, s.size() - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Found only on a disk QEMU serves (ReadImageFormat reads an image's own
// format first): an image inside an image.
const std::string kConvert = std::string("; drive C: is not in it directly: ") + kConvertHint;

} // namespace

DiskVolume FindDiskVolume(int fd, const std::string& image, int partition)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw Refused(image, std::strerror(errno), errno);
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    if (fileSize == 0)
        throw Refused(image, "is empty, so it is neither a folder nor a disk image");
    Sector first{};
    const bool whole = fileSize >= kSector && ReadAt(fd, first, 0);
    if (!whole && fileSize >= kSector)
        throw Refused(image, "cannot be read: " + std::string(std::strerror(errno)), errno ? errno : EIO);

    // Formats that are not raw, by the magic numbers their headers start with.
    if (whole) {
        const char* format = nullptr;
        if (Has(first, 0, "QFI\xFB"))
            format = "a qcow2 disk image";
        else if (ReadLe32(&first[0x40]) == 0xBEDA107F)
            format = "a VirtualBox (VDI) disk image";
        else if (Has(first, 0, "KDMV") || Has(first, 0, "COWD") || Has(first, 0, "# Disk DescriptorFile"))
            format = "a VMware (VMDK) disk image";
        else if (Has(first, 0, "vhdxfile"))
            format = "a VHDX disk image";
        else if (Has(first, 0, "conectix"))
            format = "a dynamic or differencing VHD disk image";
        if (format)
            throw Refused(image, std::string("is ") + format + kConvert);
    }
    if (!whole)
        throw Refused(image, "is only " + std::to_string(fileSize) + (fileSize == 1 ? " byte" : " bytes") +
                                 " long, so it is neither a folder nor a disk image");

    // A fixed VHD is raw data with a footer; the footer ends the usable bytes.
    DiskVolume volume;
    std::uint64_t dataSize = fileSize;
    if (fileSize >= 2 * kSector) {
        Sector footer{};
        if (ReadAt(fd, footer, fileSize - kSector) && Has(footer, 0, "conectix")) {
            // Disk type, a big-endian word at offset 60: 2 fixed, 3 dynamic, 4 differencing.
            // A dynamic or differencing VHD starts with a copy of its footer too.
            if (Be32(&footer[60]) != 2)
                throw Refused(image, "ends with the footer of a dynamic or differencing VHD disk image but does "
                                     "not start with its copy: the image is damaged");
            dataSize = fileSize - kSector;
            volume.vhd = true;
        }
    }

    const auto fitted = [&](const BootSector& boot, std::uint64_t offset, const std::string& what) {
        if (offset + boot.bytes > dataSize)
            throw Refused(image, "the disk image is truncated: " + what + " needs " +
                                     std::to_string(offset + boot.bytes) + " bytes, but the image has only " +
                                     std::to_string(dataSize));
        volume.offset = offset;
        volume.size = boot.bytes;
        volume.fatBits = boot.fatBits;
        volume.layout = boot.layout;
        return volume;
    };

    if (const std::optional<BootSector> boot = ReadBootSector(first)) {
        if (partition != 0)
            throw Refused(image, "holds a single FAT volume, not partitions, so there is no partition " +
                                     std::to_string(partition));
        return fitted(*boot, 0, "its FAT file system");
    }
    if (first[510] != 0x55 || first[511] != 0xAA)
        throw Refused(image, "holds no FAT file system and no partition table, so it is neither a folder nor a "
                             "disk image of a Windows drive");

    // The MBR's four primary entries: status (0x80 active), type, first sector, count.
    struct Entry {
        unsigned status, type;
        std::uint64_t start, count;
    };
    std::array<Entry, 4> entries{};
    std::string found;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned char* e = &first[446 + 16 * i];
        entries[i] = {e[0], e[4], ReadLe32(e + 8), ReadLe32(e + 12)};
        if (entries[i].type == 0xEE)
            throw Refused(image, "has a GPT partition table; drive C: of Windows 95, 98 or ME is on an MBR disk");
        if (entries[i].type != 0)
            found += (found.empty() ? "" : ", ") + std::to_string(i + 1) + " of type " + Hex(entries[i].type);
    }
    if (found.empty())
        throw Refused(image, "has a partition table with no partitions");
    int chosen = partition;
    if (chosen == 0) {
        for (int pass = 0; pass < 2 && chosen == 0; ++pass) {
            for (std::size_t i = 0; i < entries.size() && chosen == 0; ++i) {
                if (IsFatType(entries[i].type) && (pass == 1 || entries[i].status == 0x80))
                    chosen = static_cast<int>(i) + 1;
            }
        }
        if (chosen == 0)
            throw Refused(image, "has no FAT partition (partitions " + found + ")");
    } else if (chosen < 1 || chosen > 4) {
        throw Refused(image, "only partitions 1 to 4 can be chosen");
    }
    const Entry& e = entries[static_cast<std::size_t>(chosen - 1)];
    const std::string name = "partition " + std::to_string(chosen);
    if (e.type == 0)
        throw Refused(image, "has no " + name + " (partitions " + found + ")");
    if (!IsFatType(e.type))
        throw Refused(image, name + " is of type " + Hex(e.type) +
                                 ", not FAT12, FAT16 or FAT32, so it cannot be drive C:");
    if (e.start == 0 || e.count == 0 || (e.start + e.count) * kSector > dataSize)
        throw Refused(image, name + " runs past the end of the disk image (it ends at byte " +
                                 std::to_string((e.start + e.count) * kSector) + ", the image has " +
                                 std::to_string(dataSize) + " bytes): the image is truncated or damaged");
    Sector bootSector{};
    const std::optional<BootSector> boot =
        ReadAt(fd, bootSector, e.start * kSector) ? ReadBootSector(bootSector) : std::nullopt;
    if (!boot)
        throw Refused(image, name + " holds no FAT file system (it may never have been formatted)");
    if (boot->bytes > e.count * kSector)
        throw Refused(image, "the FAT file system of " + name + " is larger than the partition: the image is damaged");
    volume.partition = chosen;
    return fitted(*boot, e.start * kSector, "the FAT file system of " + name);
}

} // namespace quillmere
