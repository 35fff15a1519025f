#include "preview/BootScreenGif.h"

#include "imaging/Errors.h"
#include "imaging/ReplaceFile.h"
#include "preview/RowPattern.h"

#include <gif_lib.h>
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace quillmere {

namespace {

struct GifWriter {
    std::vector<std::uint8_t> bytes;
};

// giflib's output function: appends to the GifWriter. A failure to grow is told
// to giflib as a short write, never thrown through its C frames.
int Append(GifFileType* gif, const GifByteType* data, int length)
{
    auto* writer = static_cast<GifWriter*>(gif->UserData);
    try {
        writer->bytes.insert(writer->bytes.end(), data, data + length);
    } catch (...) {
        return 0;
    }
    return length;
}

struct CloseGif {
    void operator()(GifFileType* gif) const noexcept
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
struct FreeMap {
    void operator()(ColorMapObject* map) const noexcept { GifFreeMapObject(map); }
};

void Check(int result, const GifFileType* gif)
{
    if (result == GIF_ERROR) {
        const char* why = GifErrorString(gif->Error);
        throw Error(std::string("cannot encode the GIF: ") + (why ? why : "unknown giflib error"));
    }
}

void SetColours(ColorMapObject& map, const BootPalette& palette) noexcept
{
    for (std::size_t i = 0; i < palette.size(); ++i)
        map.Colors[i] = GifColorType{static_cast<GifByteType>(palette[i] >> 16),
                                     static_cast<GifByteType>(palette[i] >> 8),
                                     static_cast<GifByteType>(palette[i])};
}

} // namespace

std::vector<std::uint16_t> GifFrameDelays(std::int32_t count, std::int32_t fps)
{
    if (fps < 1 || fps > kMaxGifFps)
        throw Error("the rate must be 1 to " + std::to_string(kMaxGifFps) + " steps a second, not " +
                    std::to_string(fps));
    // End of frame k in centiseconds: round(k * 100 / fps) = floor((200 k + fps) / (2 fps)).
    const auto end = [fps](std::int64_t k) { return (200 * k + fps) / (2 * std::int64_t{fps}); };
    std::vector<std::uint16_t> delays;
    delays.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (std::int32_t k = 0; k < count; ++k)
        delays.push_back(static_cast<std::uint16_t>(end(k + 1) - end(k)));
    return delays;
}

std::vector<std::uint8_t> EncodeBootScreenGif(const BootScreen& screen, const BootGifOptions& options)
{
    const std::int32_t frames = options.still ? 1 : screen.FrameCount();
    const std::vector<std::uint16_t> delays = GifFrameDelays(frames, options.fps);

    GifWriter writer;
    // Twenty frames of a logo come to about one frame's data each.
    writer.bytes.reserve(std::size_t{64} << 10);
    int error = 0;
    std::unique_ptr<GifFileType, CloseGif> gif(EGifOpen(&writer, Append, &error));
    if (!gif) {
        const char* why = GifErrorString(error);
        throw Error(std::string("cannot encode the GIF: ") + (why ? why : "unknown giflib error"));
    }
    std::unique_ptr<ColorMapObject, FreeMap> map(GifMakeMapObject(256, nullptr));
    if (!map)
        throw std::bad_alloc();

    EGifSetGifVersion(gif.get(), true);
    // No global colour table: every frame brings its own.
    Check(EGifPutScreenDesc(gif.get(), kBootScreenWidth, kBootScreenHeight, 8, 0, nullptr), gif.get());
    if (frames > 1) {
        // Application extension NETSCAPE2.0, sub-block 1: loop count 0, for ever.
        static const GifByteType kApp[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType kLoop[] = {1, 0, 0};
        Check(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE), gif.get());
        Check(EGifPutExtensionBlock(gif.get(), sizeof kApp, kApp), gif.get());
        Check(EGifPutExtensionBlock(gif.get(), sizeof kLoop, kLoop), gif.get());
        Check(EGifPutExtensionTrailer(gif.get()), gif.get());
    }

    BootPalette palette = screen.BasePalette();
    const std::uint8_t* indices = screen.Indices().data();
    // The pixels are the same in every frame, and so, with a colour table of the
    // same size, is their LZW data: it is compressed for frame 0 and copied after.
    std::vector<std::uint8_t> lzw;
    for (std::int32_t k = 0; k < frames; ++k) {
        if (frames > 1) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = DISPOSE_DO_NOT;
            gcb.UserInputFlag = false;
            gcb.DelayTime = delays[static_cast<std::size_t>(k)];
            gcb.TransparentColor = NO_TRANSPARENT_COLOR;
            GifByteType extension[4];
            const auto length = static_cast<int>(EGifGCBToExtension(&gcb, extension));
            Check(EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, length, extension), gif.get());
        }
        SetColours(*map, palette);
        Check(EGifPutImageDesc(gif.get(), 0, 0, kBootScreenWidth, kBootScreenHeight, false, map.get()),
              gif.get());
        if (k == 0) {
            // After the image descriptor and its LZW code size come the data's
            // sub-blocks, ending with an empty one.
            const std::size_t start = writer.bytes.size();
            // EGifPutLine masks the line in place, so it gets a copy.
            std::array<GifPixelType, kBootScreenWidth> line;
            for (std::int32_t y = 0; y < kBootScreenHeight; ++y) {
                std::memcpy(line.data(), indices + std::size_t{kBootScreenWidth} * y, line.size());
                Check(EGifPutLine(gif.get(), line.data(), kBootScreenWidth), gif.get());
            }
            if (frames > 1)
                lzw.assign(writer.bytes.begin() + static_cast<std::ptrdiff_t>(start), writer.bytes.end());
        } else {
            std::size_t at = 0;
            for (bool firstBlock = true; at < lzw.size() && lzw[at] != 0; firstBlock = false) {
                Check(firstBlock ? EGifPutCode(gif.get(), 8, &lzw[at]) : EGifPutCodeNext(gif.get(), &lzw[at]),
                      gif.get());
                at += std::size_t{lzw[at]} + 1;
            }
            Check(EGifPutCodeNext(gif.get(), nullptr), gif.get());
        }
        StepPalette(palette, screen.FirstAnimated());
    }

    const int closed = EGifCloseFile(gif.release(), &error);
    if (closed == GIF_ERROR) {
        const char* why = GifErrorString(error);
        throw Error(std::string("cannot encode the GIF: ") + (why ? why : "unknown giflib error"));
    }
    return std::move(writer.bytes);
}

void WriteBootScreenGif(const std::filesystem::path& logo, const std::filesystem::path& output,
                        const BootGifOptions& options, const DecodeLimits& limits)
{
    // Checked first, so that a bad rate costs no reading.
    GifFrameDelays(0, options.fps);
    const BootScreen screen = BootScreen::Load(logo, limits);
    // Writing the GIF over the logo (or another name of it) would destroy the logo.
    struct stat in, out;
    if (::stat(logo.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
        throw FileError(output.string(), "is the logo itself; the preview needs another file");
    const std::vector<std::uint8_t> bytes = EncodeBootScreenGif(screen, options);
    ReplaceFileContents(output, bytes);
}

} // namespace quillmere
