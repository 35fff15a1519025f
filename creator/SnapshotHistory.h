// The Logo Creator's history: after every load and every finished
// transformation the picture is written to a numbered scratch file in the
// temporary folder, <folder>/b<handle><nnn>.dat, nnn from 000. Nothing reads
// the files back; they go when another picture is loaded and when the window
// is closed. Every file operation here ignores its errors: a snapshot that
// cannot be written is skipped.
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

    // handle makes the names unique to one window of this process.
    SnapshotHistory(std::filesystem::path folder, std::uint64_t handle);

    // <folder>/b<handle><number as three digits>.dat
    std::filesystem::path FileName(std::int32_t number) const;
    // The number of the next snapshot, 0 to 100.
    std::int32_t Index() const noexcept { return index_; }
    const std::filesystem::path& Folder() const noexcept { return folder_; }

    // ClearSnapshots: removes this window's snapshot files; the index becomes 0.
    void Clear();
    // Receives a snapshot's bytes, piece by piece, in order.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    // PushSnapshot: writes what produce hands its sink as the file numbered
    // Index(); then, at index 100, rotates (the index stays 100), else counts
    // up. So at most 101 files exist, and after a push at 100 the files are 000
    // to 099. A file that cannot be written is left out (and one written in
    // part removed); when produce throws, that file is removed, the index
    // stays and the exception propagates.
    void Push(const std::function<void(const Sink&)>& produce);
    void Push(std::span<const std::uint8_t> bytes);
    // RotateSnapshots: removes file 000 and renames 1 to 100 one number down.
    void Rotate();

private:
    std::filesystem::path folder_;
    std::string prefix_; // "b<handle>"
    std::int32_t index_ = 0;
};

} // namespace quillmere
