// Root directories of FAT12 and FAT16 volumes changed byte by byte, to make
// images that the FAT tools would never write but that a disk may well hold:
// an entry's short and long names replaced (the long name's checksum kept
// right, so fsck.fat finds nothing wrong), and a root directory with no free
// entry left.
#pragma once

#include "ImageFixture.h"

#include <cstdint>
#include <fstream>
#include <string>

namespace quillmere::testing {

// Where the root directory of a FAT12/16 volume lies, from its boot sector.
struct RootDirectory {
    std::uint64_t offset = 0; // in the image
    std::size_t entries = 0;
};

inline RootDirectory FindRootDirectory(const Volume& v)
{
    std::ifstream in(v.image, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(v.offset));
    unsigned char boot[64] = {};
    in.read(reinterpret_cast<char*>(boot), sizeof boot);
    const auto word = [&](int at) { return static_cast<std::uint64_t>(boot[at] | (boot[at + 1] << 8)); };
    const std::uint64_t bytesPerSector = word(11), reserved = word(14), fats = boot[16], rootEntries = word(17),
                        sectorsPerFat = word(22);
    return {v.offset + (reserved + fats * sectorsPerFat) * bytesPerSector, static_cast<std::size_t>(rootEntries)};
}

// "LOGO.SYS" as the 11 bytes of a directory entry: "LOGO    SYS".
inline std::string RawShortName(const std::string& name)
{
    const std::size_t dot = name.find('.');
    std::string base = name.substr(0, dot), ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    base.resize(8, ' ');
    ext.resize(3, ' ');
    return base + ext;
}

// The checksum of a short name that each of its long-name entries carries.
inline unsigned char ShortNameChecksum(const std::string& raw)
{
    unsigned char sum = 0;
    for (const char c : raw)
        sum = static_cast<unsigned char>(((sum & 1) << 7) + (sum >> 1) + static_cast<unsigned char>(c));
    return sum;
}

// Gives the root entry whose long name is oldLong the short name newShort and
// the long name newLong (ASCII), which must need as many long-name entries as
// oldLong has (13 characters each). False when there is no such entry.
inline bool Relabel(const Volume& v, const std::string& oldLong, const std::string& newShort,
                    const std::string& newLong)
{
    const RootDirectory root = FindRootDirectory(v);
    std::fstream file(v.image, std::ios::in | std::ios::out | std::ios::binary);
    std::string dir(root.entries * 32, '\0');
    file.seekg(static_cast<std::streamoff>(root.offset));
    file.read(dir.data(), static_cast<std::streamsize>(dir.size()));
    const auto attr = [&](std::size_t i) { return static_cast<unsigned char>(dir[i * 32 + 11]); };
    const auto isLong = [&](std::size_t i) { return attr(i) == 0x0F && dir[i * 32] != '\xE5'; };
    const auto chars = [](std::size_t slot) {
        // Where the 13 UTF-16 characters of one long-name entry are.
        static const int at[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        return at[slot];
    };
    for (std::size_t i = 0; i < root.entries; ++i) {
        if (dir[i * 32] == '\0' || dir[i * 32] == '\xE5' || isLong(i))
            continue;
        std::size_t first = i;
        while (first > 0 && isLong(first - 1))
            --first;
        const std::size_t parts = i - first;
        // The long name, its last part first on the disk.
        std::string name;
        for (std::size_t k = 0; k < parts; ++k) {
            const char* e = &dir[(i - 1 - k) * 32];
            for (int c = 0; c < 13; ++c) {
                const unsigned u = static_cast<unsigned char>(e[chars(c)]) | (static_cast<unsigned char>(e[chars(c) + 1]) << 8);
                if (u == 0 || u == 0xFFFF)
                    break;
                name += static_cast<char>(u);
            }
        }
        if (parts == 0 || name != oldLong)
            continue;
        if ((newLong.size() + 12) / 13 != parts)
            return false;
        const std::string raw = RawShortName(newShort);
        dir.replace(i * 32, 11, raw);
        const unsigned char sum = ShortNameChecksum(raw);
        for (std::size_t k = 0; k < parts; ++k) {
            char* e = &dir[(i - 1 - k) * 32];
            e[0] = static_cast<char>((k + 1) | (k + 1 == parts ? 0x40 : 0));
            e[13] = static_cast<char>(sum);
            for (int c = 0; c < 13; ++c) {
                const std::size_t at = k * 13 + static_cast<std::size_t>(c);
                const unsigned u = at < newLong.size() ? static_cast<unsigned char>(newLong[at])
                                   : at == newLong.size() ? 0u
                                                          : 0xFFFFu;
                e[chars(c)] = static_cast<char>(u & 0xFF);
                e[chars(c) + 1] = static_cast<char>(u >> 8);
            }
        }
        file.seekp(static_cast<std::streamoff>(root.offset));
        file.write(dir.data(), static_cast<std::streamsize>(dir.size()));
        return static_cast<bool>(file);
    }
    return false;
}

// Fills every free entry of the root directory with empty files F0 to Fn.
inline bool FillRoot(const Volume& v, const fs::path& scratch)
{
    const fs::path empty = scratch / "empty";
    WriteFile(empty, 0, 'e');
    std::vector<std::string> args = {"-i", ImageName(v)};
    for (std::size_t n = 0; n < FindRootDirectory(v).entries; ++n) {
        const fs::path file = scratch / "fill" / ("F" + std::to_string(n));
        WriteFile(file, 0, 'e');
        args.push_back(file.string());
    }
    args.push_back("::/");
    // mcopy stops with a complaint at the first file that finds no room.
    RunTool("mcopy", args, scratch);
    return RunTool("mmd", {"-i", ImageName(v), "::/ROOM"}, scratch).status != 0;
}

} // namespace quillmere::testing
