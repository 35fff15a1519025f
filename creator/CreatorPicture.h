// What the Logo Creator keeps of the picture on its canvas, the surface
// itself aside: the palette and the ditherer that go with it, the depth and
// animation byte "Save Logo" writes, the file it came from or was saved to,
// and its snapshots. The window shows; this decides what each step leaves.
#pragma once

#include "creator/CreateLogo.h"
#include "creator/SnapshotHistory.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

class cDIB;
class ProgressObserver;
struct DecodedPicture;

// The folder the save dialog opens in: that of the last logo saved; before
// any, the pictures folder, else home. Never the folder the program happened
// to be started from.
std::filesystem::path SaveDialogFolder(const std::filesystem::path& lastSaved, const std::filesystem::path& pictures,
                                       const std::filesystem::path& home);

class CreatorPicture {
public:
    CreatorPicture();
    CreatorPicture(const CreatorPicture&) = delete;
    CreatorPicture& operator=(const CreatorPicture&) = delete;

    // Snapshots go to a private folder in given, or when that is empty in the
    // folder of the variable "tmp", else "temp", else systemTemporary; handle
    // makes their names unique to the window.
    void KeepSnapshotsIn(const std::filesystem::path& given, const std::filesystem::path& systemTemporary,
                         std::uint64_t handle);

    cDIBPal& Pal() noexcept { return pal_; }
    const cDIBPal& Pal() const noexcept { return pal_; }
    cDIBDither& Dither() noexcept { return *dither_; }
    const cDIBDither& Dither() const noexcept { return *dither_; }
    std::uint8_t Bpp() const noexcept { return bpp_; }
    // 0 for a still picture.
    std::uint8_t FirstAnimated() const noexcept { return firstAnimated_; }
    const std::filesystem::path& File() const noexcept { return file_; }
    const SnapshotHistory& Snapshots() const noexcept { return snapshots_; }

    // The ditherer's rows and its end go to observer, this ditherer's and
    // every one after a Release.
    void ObserveDither(ProgressObserver* observer);

    // Puts picture on DIB (its own palette and indices at 8 bits or fewer) and
    // returns its animated part, null for a picture that is not an animated
    // logo. Errors of the import propagate; DIB then keeps its picture.
    std::shared_ptr<const AnimatedPart> Import(DecodedPicture& picture, cDIB& DIB);
    // The picture of file is on DIB: its history starts, from it.
    void Loaded(const std::filesystem::path& file, const cDIB& DIB);

    // "Create Logo" on DIB under options: the reason when it fails (DIB may
    // then be resized, the rest is as it was).
    std::optional<std::string> Create(cDIB& DIB, const ConversionOptions& options, CreateLogoSteps* steps);
    // The colour reduction has begun: its snapshot is of 8 bits.
    void Converting() noexcept { bpp_ = 8; }
    // A transformation of the whole picture has ended: it left 32-bit pixels,
    // any of which it may have moved, so the picture is no longer an animated
    // logo. A snapshot of it.
    void Transformed(const cDIB& DIB);

    // "Save Logo" to path: the warning to give when it fails (the old file
    // then stays as it was), nothing when it is saved.
    std::optional<std::string> Save(const std::filesystem::path& path, const cDIB& DIB);

    // A snapshot of DIB as saving it now would write it; one that cannot be
    // made is skipped, as nothing reads it back.
    void PushSnapshot(const cDIB& DIB);
    void ClearSnapshots() { snapshots_.Clear(); }

    // Nothing of the picture stays: not its scratch files, its palette, its
    // indices, its file.
    void Release();

private:
    cDIBPal pal_;
    std::unique_ptr<cDIBDither> dither_;
    ProgressObserver* ditherObserver_ = nullptr;
    std::uint8_t bpp_ = 0;
    std::uint8_t firstAnimated_ = 0;
    std::filesystem::path file_;
    SnapshotHistory snapshots_;
};

} // namespace quillmere
