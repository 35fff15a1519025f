// Where drive C: lies inside a disk image file: a raw hard-disk image with an
// MBR partition table, a bare FAT volume (a floppy or a partition dump), or a
// fixed-size VHD (raw data followed by its 512-byte footer). Images in formats
// that keep their data elsewhere than at a fixed place (qcow2, VDI, VMDK, VHDX,
// a dynamic VHD) are read through the raw disk QEMU serves of them
// (ImageFormat.h, NbdMount.h); found inside such a disk, they are refused.
#pragma once

#include <cstdint>
#include <string>

namespace quillmere {

// The geometry a FAT boot sector declares, for reading its folders (FatFolder.h).
struct FatLayout {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0; // before the first FAT
    std::uint32_t fats = 0;
    std::uint32_t fatSectors = 0;      // of each FAT
    std::uint32_t rootEntries = 0;     // FAT12/16: the fixed root directory's entries
    std::uint32_t rootCluster = 0;     // FAT32: the root directory's first cluster
    std::uint64_t clusters = 0;        // in the data region
};

struct DiskVolume {
    std::uint64_t offset = 0; // of the volume's boot sector, in bytes
    std::uint64_t size = 0;   // of the FAT file system its boot sector declares, in bytes
    int fatBits = 0;          // 12, 16 or 32, by the count of clusters
    int partition = 0;        // 1 to 4; 0 for a bare volume
    bool vhd = false;         // the data are followed by a fixed VHD footer
    FatLayout layout{};
};

// The FAT volume of the image open as fd, shown in messages as shownImage.
// partition 0 takes the active FAT partition, else the first FAT one; 1 to 4
// takes that one, which must hold FAT. Only reads. Throws DriveError naming
// shownImage, saying what is wrong: an empty, truncated or unknown file, a
// format to convert, a partition past the end of the file or of another type.
DiskVolume FindDiskVolume(int fd, const std::string& shownImage, int partition);

} // namespace quillmere
