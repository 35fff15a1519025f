// A disk image in a format only QEMU's block layer reads (qcow2, VDI, VMDK,
// VHDX, dynamic VHD), served as one raw file for as long as it is needed:
// qemu-nbd reads the format and nbdfuse shows its disk as the file "disk" in a
// FUSE mount inside a private scratch folder of this run. No root is needed,
// and only the clusters written change in the image's active layer.
//
// The mount goes when its last user lets go, when a signal ends the run (the
// signal handler stops nbdfuse), and, after a run killed outright, at the start
// of the next run (RemoveStaleMounts). While it lives, qemu-nbd holds QEMU's
// image locks, so no QEMU-based program (nor another run of this one) can open
// the image for writing.
#pragma once

#include "ImageFormat.h"

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>

namespace quillmere {

// The byte of the image file a run serving it holds a read lock on (an
// open-file-description lock, which nothing else locks), so that another run
// can say who has the image.
inline constexpr off_t kServedByte = std::numeric_limits<off_t>::max() - 2;

class NbdMount {
public:
    // Serves the image open as imageFd, named by image, in format; an image
    // this run serves already, unchanged since, shares that mount. inUse says
    // whether another program has the image open (asked only before a new
    // mount: the server then holds the image itself). Throws DriveError
    // naming image: the tools missing or FUSE not permitted (with the packages
    // that give them), the image in use or served by another run
    // (DriveErrc::ImageInUse), or what qemu-nbd or nbdfuse said when they
    // could not serve it.
    static std::shared_ptr<NbdMount> Open(int imageFd, const std::filesystem::path& image,
                                          const ImageFormat& format, bool writable,
                                          const std::function<bool()>& inUse);
    ~NbdMount();
    NbdMount(const NbdMount&) = delete;
    NbdMount& operator=(const NbdMount&) = delete;

    // The raw disk: a file of the FUSE mount.
    const std::filesystem::path& Disk() const noexcept { return disk_; }
    bool Writable() const noexcept { return writable_; }

    // What the image file looked like after the last change made through this
    // mount (its size and times): another opening of the image in this run
    // shares the mount only while the file still looks so.
    struct FileState {
        std::int64_t size = 0, modified = 0, changed = 0;
        bool operator==(const FileState&) const = default;
    };
    static FileState StateOf(int imageFd) noexcept;
    void Settled(const FileState& state) noexcept { settled_ = state; }

private:
    NbdMount() = default;
    void Start(const std::filesystem::path& image, const ImageFormat& format);
    // Stops nbdfuse, which unmounts and waits for qemu-nbd to close the image.
    void End() noexcept;

    std::filesystem::path scratch_, mount_, disk_;
    pid_t pid_ = -1;
    bool writable_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    FileState settled_{};
    int servedLock_ = -1; // holds the read lock on kServedByte
};

// Removes the mounts of parent's scratch folders that runs ended by SIGKILL
// or a crash left: FUSE mounts of this user at parent/quillmere-XXXXXX/mount
// whose run is gone. Their nbdfuse is stopped and waited for, so the image is
// free again afterwards. Errors are ignored, as for the scratch folders.
void RemoveStaleMounts(const std::filesystem::path& parent) noexcept;

} // namespace quillmere
