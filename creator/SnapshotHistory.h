// The Logo Creator's history: after every load and every finished
// transformation the picture is written to a numbered scratch file,
// b<handle><nnn>.dat, nnn from 000. The files of one window live in a folder
// of its own that it makes (mode 0700, random name) inside the temporary
// folder at its first snapshot, so nobody else can predict, plant, read or
// swap them. Nothing reads the files back; they go when another picture is
// loaded, and the folder with them when the window goes. Every file operation
// here ignores its errors: a snapshot that cannot be written is skipped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace quillmere {

// The folder for scratch files: tmp when not empty, else temp, else fallback
// (the system's temporary folder). Never the current folder.
std::filesystem::path SnapshotFolder(const char* tmp, const char* temp, const std::filesystem::path& fallback);

class SnapshotHistory {
public:
    static constexpr std::int32_t kMaxIndex = 100;

    // The private folder is made inside temporaryFolder when the first
    // snapshot is pushed; handle makes the names unique to one window.
    SnapshotHistory(std::filesystem::path temporaryFolder, std::uint64_t handle);
    // Removes the private folder with every file in it.
    ~SnapshotHistory();
    SnapshotHistory(SnapshotHistory&& other) noexcept;
    SnapshotHistory& operator=(SnapshotHistory&& other) noexcept;
    SnapshotHistory(const SnapshotHistory&) = delete;
    SnapshotHistory& operator=(const SnapshotHistory&) = delete;

    // <private folder>/b<handle><number as three digits>.dat; only the name
    // (no folder) while there is no private folder.
    std::filesystem::path FileName(std::int32_t number) const;
    // The number of the next snapshot, 0 to 100.
    std::int32_t Index() const noexcept { return index_; }
    // The private folder; empty before the first push and after Release.
    const std::filesystem::path& Folder() const noexcept { return folder_; }
    const std::filesystem::path& TemporaryFolder() const noexcept { return parent_; }

    // ClearSnapshots: removes this window's snapshot files; the index becomes 0.
    void Clear();
    // Clear, then removes the private folder; the next push makes a new one.
    void Release() noexcept;

    // Receives a snapshot's bytes, piece by piece, in order.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    // PushSnapshot: writes what produce hands its sink as the file numbered
    // Index() (made new: an entry of that name is never followed or reused);
    // then, at index 100, rotates (the index stays 100), else counts up. So at
    // most 101 files exist, and after a push at 100 the files are 000 to 099.
    // A file that cannot be written is left out (and one written in part
    // removed); when produce throws, that file is removed, the index stays and
    // the exception propagates. produce runs after the private folder is made,
    // so FileName(Index()) inside it names the file being written.
    void Push(const std::function<void(const Sink&)>& produce);
    void Push(std::span<const std::uint8_t> bytes);
    // RotateSnapshots: removes file 000 and renames 1 to 100 one number down.
    void Rotate();

private:
    std::string Leaf(std::int32_t number) const;
    bool MakeFolder();

    std::filesystem::path parent_;
    std::filesystem::path folder_;
    int folderFd_ = -1; // the private folder, so its files are reached through it alone
    std::string prefix_; // "b<handle>"
    std::int32_t index_ = 0;
};

} // namespace quillmere
