#include "creator/CreatorPicture.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "pictureio/cDIBSave.h"

#include <cstdlib>
#include <new>

namespace quillmere {

std::filesystem::path SaveDialogFolder(const std::filesystem::path& lastSaved, const std::filesystem::path& pictures,
                                       const std::filesystem::path& home)
{
    if (!lastSaved.empty()) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(lastSaved, ec);
        return (ec ? lastSaved : absolute).parent_path();
    }
    return pictures.empty() ? home : pictures;
}

CreatorPicture::CreatorPicture() : dither_(std::make_unique<cDIBDither>()), snapshots_({}, 0) {}

void CreatorPicture::KeepSnapshotsIn(const std::filesystem::path& given, const std::filesystem::path& systemTemporary,
                                     std::uint64_t handle)
{
    const std::filesystem::path folder =
        given.empty() ? SnapshotFolder(std::getenv("tmp"), std::getenv("temp"), systemTemporary) : given;
    snapshots_ = SnapshotHistory(folder, handle);
}

void CreatorPicture::ObserveDither(ProgressObserver* observer)
{
    ditherObserver_ = observer;
    dither_->SetProgressObserver(observer);
}

std::shared_ptr<const AnimatedPart> CreatorPicture::Import(DecodedPicture& picture, cDIB& DIB)
{
    // Taken before the import, which takes the picture's indices over.
    std::shared_ptr<const AnimatedPart> animated = AnimatedPartOf(picture);
    pal_.Clear();
    bpp_ = static_cast<std::uint8_t>(DIB.CreateFromStdPicture(&picture, pal_, *dither_));
    firstAnimated_ = animated ? static_cast<std::uint8_t>(animated->first) : 0;
    return animated;
}

void CreatorPicture::Loaded(const std::filesystem::path& file, const cDIB& DIB)
{
    ClearSnapshots();
    PushSnapshot(DIB);
    file_ = file;
}

std::optional<std::string> CreatorPicture::Create(cDIB& DIB, const ConversionOptions& options, CreateLogoSteps* steps)
{
    try {
        const CreatedLogo made = CreateLogo(DIB, pal_, *dither_, options, steps);
        bpp_ = made.bpp;
        firstAnimated_ = made.firstAnimated;
    } catch (const Error& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return "not enough memory";
    }
    return std::nullopt;
}

void CreatorPicture::Transformed(const cDIB& DIB)
{
    bpp_ = 24;
    firstAnimated_ = 0;
    PushSnapshot(DIB);
}

std::optional<std::string> CreatorPicture::Save(const std::filesystem::path& path, const cDIB& DIB)
{
    try {
        SaveLogo(path, DIB, pal_, *dither_, bpp_, firstAnimated_);
    } catch (const Error& e) {
        const FileError* fileError = dynamic_cast<const FileError*>(&e);
        const std::string why = fileError ? FileReason(fileError->file(), fileError->reason()) : std::string(e.what());
        return AsSentence(why + ", so the logo was not saved");
    }
    file_ = path;
    return std::nullopt;
}

void CreatorPicture::PushSnapshot(const cDIB& DIB)
{
    try {
        snapshots_.Push([&](const SnapshotHistory::Sink& sink) {
            const std::string name = snapshots_.FileName(snapshots_.Index()).string();
            cDIBSave::Encode_BMP(name, DIB, pal_, *dither_, bpp_, sink);
        });
    } catch (const Error&) {
    } catch (const std::bad_alloc&) {
    }
}

void CreatorPicture::Release()
{
    snapshots_.Release();
    pal_.Clear();
    dither_->SetProgressObserver(nullptr);
    dither_ = std::make_unique<cDIBDither>();
    dither_->SetProgressObserver(ditherObserver_);
    bpp_ = 0;
    firstAnimated_ = 0;
    file_.clear();
}

} // namespace quillmere
