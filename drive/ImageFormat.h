// What kind of disk image a file is, by the signatures its headers carry:
// raw (a bare volume, an MBR disk or a fixed VHD, read in place), or a format
// whose sectors QEMU's block layer must find (dynamic VHD, VDI, qcow2, VMDK,
// VHDX). Images that cannot be changed safely through QEMU are refused here,
// before anything opens them for writing.
#pragma once

#include <filesystem>
#include <string>

namespace quillmere {

struct ImageFormat {
    std::string qemu; // QEMU's name of the format ("vpc", "qcow2", ...); empty for raw
    std::string name; // for messages: "qcow2", "dynamic VHD", ...; empty for raw
    bool Raw() const noexcept { return qemu.empty(); }
};

// The format of the image open as fd, whose path is image (a VMDK's extents and
// a qcow2's backing file are found beside it). Throws DriveError naming image:
// a differencing VHD (naming its parent), a streamOptimized VMDK, an encrypted
// qcow2, a backing file or extent that is missing or is no plain file, and a
// header that cannot be read.
ImageFormat ReadImageFormat(int fd, const std::filesystem::path& image);

// The way on without QEMU, for the end of a message: converting the image to raw.
inline constexpr const char* kConvertHint = "convert it with \"qemu-img convert -O raw IMAGE IMAGE.raw\" and use "
                                            "that one";

} // namespace quillmere
