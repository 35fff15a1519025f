#include "FatFolder.h"

#include "Drive.h"
#include "imaging/LittleEndian.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace quillmere {

namespace {

constexpr std::size_t kEntryBytes = 32;
constexpr std::uint8_t kAttrLongName = 0x0F;
constexpr std::uint8_t kAttrVolumeLabel = 0x08;
constexpr std::uint8_t kAttrFolder = 0x10;
constexpr std::uint8_t kDeleted = 0xE5;
// The most entries a FAT folder may have; a chain that goes on past them loops.
constexpr std::uint64_t kMaxFolderBytes = 65536 * kEntryBytes;

[[noreturn]] void Damaged(const std::string& shown, const std::string& why)
{
    throw DriveError(shown, "cannot be read from the disk image: " + why + "; check the file system with fsck.fat",
                     DriveErrc::ImageTool);
}

void ReadExactly(int fd, std::uint8_t* into, std::size_t bytes, std::uint64_t at, const std::string& shown)
{
    for (std::size_t done = 0; done < bytes;) {
        const ssize_t n = ::pread(fd, into + done, bytes - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw DriveError(shown, "cannot be read from the disk image: " + std::string(std::strerror(errno)),
                             std::error_code(errno, std::generic_category()));
        if (n == 0)
            Damaged(shown, "the disk image ends inside the folder");
        done += static_cast<std::size_t>(n);
    }
}

// The next cluster of a chain, from the first FAT.
std::uint32_t NextCluster(int fd, const DiskVolume& v, std::uint32_t cluster, const std::string& shown)
{
    const FatLayout& l = v.layout;
    const std::uint64_t fat = v.offset + std::uint64_t{l.reservedSectors} * l.bytesPerSector;
    std::uint8_t bytes[4] = {};
    switch (v.fatBits) {
    case 12: {
        ReadExactly(fd, bytes, 2, fat + cluster + cluster / 2, shown);
        const std::uint32_t pair = ReadLe16(bytes);
        return (cluster & 1) ? pair >> 4 : pair & 0xFFF;
    }
    case 16:
        ReadExactly(fd, bytes, 2, fat + std::uint64_t{cluster} * 2, shown);
        return ReadLe16(bytes);
    default:
        ReadExactly(fd, bytes, 4, fat + std::uint64_t{cluster} * 4, shown);
        return ReadLe32(bytes) & 0x0FFFFFFF;
    }
}

// The folder's bytes: the fixed root of FAT12/16, else its cluster chain.
std::vector<std::uint8_t> FolderBytes(int fd, const DiskVolume& v, std::uint32_t cluster, const std::string& shown)
{
    const FatLayout& l = v.layout;
    const std::uint64_t sector = l.bytesPerSector;
    const std::uint64_t rootBytes = std::uint64_t{l.rootEntries} * kEntryBytes;
    const std::uint64_t rootStart = v.offset + (std::uint64_t{l.reservedSectors} + std::uint64_t{l.fats} * l.fatSectors) * sector;
    std::vector<std::uint8_t> bytes;
    if (cluster == 0 && v.fatBits != 32) {
        bytes.resize(rootBytes);
        ReadExactly(fd, bytes.data(), bytes.size(), rootStart, shown);
        return bytes;
    }
    if (cluster == 0)
        cluster = l.rootCluster;
    const std::uint64_t clusterBytes = std::uint64_t{l.sectorsPerCluster} * sector;
    const std::uint64_t dataStart = rootStart + (rootBytes + sector - 1) / sector * sector;
    const std::uint32_t end = v.fatBits == 12 ? 0xFF8 : v.fatBits == 16 ? 0xFFF8 : 0x0FFFFFF8;
    for (;;) {
        if (cluster < 2 || cluster >= l.clusters + 2)
            Damaged(shown, "a folder's chain of clusters leads out of the volume");
        if (bytes.size() >= kMaxFolderBytes)
            Damaged(shown, "a folder's chain of clusters loops");
        const std::size_t at = bytes.size();
        bytes.resize(at + clusterBytes);
        ReadExactly(fd, bytes.data() + at, clusterBytes, dataStart + (cluster - 2) * clusterBytes, shown);
        // A folder ends at its first never-used entry; the chain need not be followed further.
        for (std::size_t e = at; e < bytes.size(); e += kEntryBytes) {
            if (bytes[e] == 0)
                return bytes;
        }
        cluster = NextCluster(fd, v, cluster, shown);
        if (cluster >= end)
            return bytes;
    }
}

void AppendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 up to its terminating 0 as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8(const std::vector<std::uint16_t>& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size() && units[i] != 0; ++i) {
        const std::uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
        }
    }
    return out;
}

std::uint8_t Checksum(const std::uint8_t* shortName)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + shortName[i]);
    return sum;
}

std::string Trimmed(const std::uint8_t* p, std::size_t n, bool lower)
{
    while (n > 0 && p[n - 1] == ' ')
        --n;
    std::string text(reinterpret_cast<const char*>(p), n);
    if (lower) {
        for (char& c : text)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

// A run of long-name entries being gathered, last part first as they lie.
struct LongRun {
    std::vector<std::uint16_t> units; // 13 per part, in name order
    int expected = 0;                 // the part number the next entry must carry; 0: no run
    std::uint8_t checksum = 0;
};

void TakeLongPart(LongRun& run, const std::uint8_t* e)
{
    static constexpr int kAt[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    const int order = e[0] & 0x1F;
    if (e[0] & 0x40) {
        run = {};
        if (order == 0 || order > 20)
            return;
        run.units.assign(static_cast<std::size_t>(order) * 13, 0xFFFF);
        run.checksum = e[13];
        run.expected = order;
    } else if (run.expected == 0 || order != run.expected || e[13] != run.checksum || (e[0] & 0xA0)) {
        run = {}; // out of order or of another name: the run belongs to no entry
        return;
    }
    for (int c = 0; c < 13; ++c)
        run.units[static_cast<std::size_t>(order - 1) * 13 + static_cast<std::size_t>(c)] = ReadLe16(e + kAt[c]);
    run.expected = order - 1;
}

} // namespace

std::vector<FatEntry> ReadFatFolder(int fd, const DiskVolume& volume, std::uint32_t cluster, const std::string& shown)
{
    const std::vector<std::uint8_t> bytes = FolderBytes(fd, volume, cluster, shown);
    std::vector<FatEntry> entries;
    LongRun run;
    for (std::size_t at = 0; at + kEntryBytes <= bytes.size(); at += kEntryBytes) {
        const std::uint8_t* e = &bytes[at];
        if (e[0] == 0)
            break;
        if (e[0] == kDeleted) {
            run = {};
            continue;
        }
        if (e[11] == kAttrLongName) {
            TakeLongPart(run, e);
            continue;
        }
        // A run is this entry's only when it is complete and names this short name.
        const bool named = run.expected == 0 && !run.units.empty() && run.checksum == Checksum(e);
        const std::vector<std::uint16_t> units = named ? run.units : std::vector<std::uint16_t>{};
        run = {};
        if (e[11] & kAttrVolumeLabel)
            continue;
        if (e[0] == '.' && (e[1] == ' ' || (e[1] == '.' && e[2] == ' ')))
            continue;
        std::uint8_t raw[11];
        std::memcpy(raw, e, sizeof raw);
        if (raw[0] == 0x05)
            raw[0] = kDeleted; // a first byte of 0xE5 is stored as 0x05
        FatEntry entry;
        const std::string base = Trimmed(raw, 8, false), ext = Trimmed(raw + 8, 3, false);
        entry.shortName = ext.empty() ? base : base + "." + ext;
        entry.name = Utf8(units);
        entry.longName = !entry.name.empty();
        if (!entry.longName) {
            // Windows NT's case bits: the base, the extension in lower case.
            const std::string shownBase = Trimmed(raw, 8, (e[12] & 0x08) != 0);
            const std::string shownExt = Trimmed(raw + 8, 3, (e[12] & 0x10) != 0);
            entry.name = shownExt.empty() ? shownBase : shownBase + "." + shownExt;
        }
        entry.attributes = e[11];
        entry.folder = (e[11] & kAttrFolder) != 0;
        entry.cluster = ReadLe16(e + 26) | (volume.fatBits == 32 ? std::uint32_t{ReadLe16(e + 20)} << 16 : 0);
        entry.size = entry.folder ? 0 : ReadLe32(e + 28);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace quillmere
