// The entries of a folder of a FAT volume inside a disk image, read from the
// directory's own bytes: short (8.3) entries, each with the long (VFAT) name
// whose run of entries leads up to it and carries its checksum. Deleted
// entries, the volume label, "." and "..", and long-name runs that belong to no
// entry (broken, out of order or of another checksum) are skipped, as Windows
// skips them. Names are data here: nothing is parsed from a tool's text, so a
// name may hold any character without being taken for anything else.
#pragma once

#include "DiskImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillmere {

struct FatEntry {
    std::string name;      // as Windows shows it: the long name (UTF-8), else the short one in its case
    std::string shortName; // the 8.3 name as stored, upper case ("LOGO.SYS"); bytes above 127 as they are
    bool longName = false; // name came from a long-name run
    bool folder = false;
    std::uint8_t attributes = 0; // the entry's attribute byte
    std::uint32_t cluster = 0;   // the first cluster of its data
    std::uint32_t size = 0;      // a file's size in bytes
};

// Reads the folder that starts at cluster (0: the root folder) of the FAT
// volume of the image open as fd. Only reads, through pread. Throws DriveError
// (DriveErrc::ImageTool) naming shown when the folder cannot be read or its
// cluster chain is damaged (out of the volume, free, bad, or looping).
std::vector<FatEntry> ReadFatFolder(int fd, const DiskVolume& volume, std::uint32_t cluster, const std::string& shown);

} // namespace quillmere
