#include "preview/BootScreen.h"

#include "imaging/Errors.h"
#include "imaging/decode/DecodeSupport.h"
#include "preview/RowPattern.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace quillmere {

namespace {

constexpr std::size_t kScreenPixels = std::size_t{kBootScreenWidth} * kBootScreenHeight;

// The part of the screen the scaled picture covers, and where the picture's
// scaled first column and row sit (negative when it is cut off).
struct Placement {
    std::int64_t left = 0, top = 0;
    std::int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0; // visible screen columns [x0, x1), rows [y0, y1)

    Placement(std::int64_t width, std::int64_t height)
    {
        const std::int64_t w = ScaledWidth(width), h = ScaledHeight(height);
        left = CentredOffset(kBootScreenWidth, w);
        top = CentredOffset(kBootScreenHeight, h);
        x0 = static_cast<std::int32_t>(std::max<std::int64_t>(0, left));
        x1 = static_cast<std::int32_t>(std::clamp<std::int64_t>(left + w, x0, kBootScreenWidth));
        y0 = static_cast<std::int32_t>(std::max<std::int64_t>(0, top));
        y1 = static_cast<std::int32_t>(std::clamp<std::int64_t>(top + h, y0, kBootScreenHeight));
    }
    std::int64_t Column(std::int32_t x) const noexcept { return (x - left) / 2; }
    std::int64_t Row(std::int32_t y) const noexcept { return SourceRow(y - top); }
};

// Colours of a true-colour picture as palette indices: its own when they fit
// beside black, else a 6 x 6 x 6 cube.
class TrueColourIndexer {
public:
    TrueColourIndexer(const DecodedPicture& picture, const Placement& at, BootPalette& palette)
    {
        palette.fill(0);
        std::size_t used = 1; // entry 0 stays black: it is the border
        for (std::int32_t y = at.y0; y < at.y1 && exact_; ++y) {
            const std::uint32_t* row = Row(picture, at.Row(y));
            for (std::int64_t column = at.Column(at.x0); column <= at.Column(at.x1 - 1); ++column) {
                const std::uint32_t c = row[column] & 0xFFFFFF;
                if (c == 0 || own_.contains(c))
                    continue;
                if (used == palette.size()) {
                    exact_ = false;
                    break;
                }
                own_.emplace(c, static_cast<std::uint8_t>(used));
                palette[used++] = c;
            }
        }
        if (exact_)
            return;
        own_.clear();
        palette.fill(0);
        for (std::uint32_t i = 0; i < 216; ++i)
            palette[i] = (i / 36) * 51 << 16 | (i / 6 % 6) * 51 << 8 | (i % 6) * 51;
    }

    static const std::uint32_t* Row(const DecodedPicture& picture, std::int64_t y) noexcept
    {
        return picture.Pixels.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width);
    }

    std::uint8_t operator()(std::uint32_t colour) const
    {
        colour &= 0xFFFFFF;
        if (exact_)
            return colour == 0 ? 0 : own_.at(colour);
        // Nearest of the 6 levels 0, 51, ..., 255 (a tie cannot happen: 51 is odd).
        const auto level = [](std::uint32_t v) { return (v * 5 + 127) / 255; };
        return static_cast<std::uint8_t>(level(colour >> 16 & 0xFF) * 36 + level(colour >> 8 & 0xFF) * 6 +
                                         level(colour & 0xFF));
    }

private:
    bool exact_ = true;
    std::unordered_map<std::uint32_t, std::uint8_t> own_;
};

} // namespace

std::int32_t FirstAnimatedEntry(std::uint32_t clrImportant) noexcept
{
    return clrImportant >= 1 && clrImportant <= 255 ? static_cast<std::int32_t>(clrImportant) : 0;
}

void StepPalette(BootPalette& palette, std::int32_t first) noexcept
{
    if (first >= 1 && first <= 255)
        std::rotate(palette.begin() + first, palette.begin() + first + 1, palette.end());
}

BootScreen::BootScreen(const DecodedPicture& picture) : indices_(kScreenPixels, 0)
{
    const Placement at(picture.Width, picture.Height);
    const bool palettePicture = picture.BitsPerPixel <= 8;
    const std::int32_t bpp = picture.BitsPerPixel;
    const std::size_t stride =
        palettePicture ? static_cast<std::size_t>(decode::IndexRowBytes(picture.Width, bpp)) : 0;
    if (palettePicture) {
        if (picture.Indices.size() < stride * static_cast<std::size_t>(std::max(picture.Height, 0)) ||
            picture.ColorTable.size() < (std::size_t{4} << bpp))
            throw Error("the picture's indices or colour table are incomplete");
        for (std::size_t i = 0; i < (std::size_t{1} << bpp); ++i) {
            const std::uint8_t* e = picture.ColorTable.data() + 4 * i;
            palette_[i] = std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
        }
        // Only the 256-colour mode rotates its palette.
        first_ = bpp == 8 ? FirstAnimatedEntry(picture.ClrImportant) : 0;
    } else if (!picture.Pixels && at.y0 < at.y1 && at.x0 < at.x1) {
        throw Error("the picture has no pixels");
    }
    if (at.x0 >= at.x1 || at.y0 >= at.y1)
        return;
    std::optional<TrueColourIndexer> colours;
    if (!palettePicture)
        colours.emplace(picture, at, palette_);

    // Each source row is scaled once; a row drawn twice is copied.
    std::int64_t drawn = -1;
    for (std::int32_t y = at.y0; y < at.y1; ++y) {
        std::uint8_t* out = indices_.data() + static_cast<std::size_t>(y) * kBootScreenWidth;
        const std::int64_t r = at.Row(y);
        if (r == drawn) {
            std::memcpy(out + at.x0, out - kBootScreenWidth + at.x0, static_cast<std::size_t>(at.x1 - at.x0));
            continue;
        }
        drawn = r;
        if (palettePicture) {
            // Index rows are stored bottom row first.
            const std::uint8_t* row =
                picture.Indices.data() + static_cast<std::size_t>(picture.Height - 1 - r) * stride;
            for (std::int32_t x = at.x0; x < at.x1; ++x)
                out[x] = decode::IndexAt(row, static_cast<std::int32_t>(at.Column(x)), bpp);
        } else {
            const std::uint32_t* row = TrueColourIndexer::Row(picture, r);
            for (std::int32_t x = at.x0; x < at.x1; ++x)
                out[x] = (*colours)(row[at.Column(x)]);
        }
    }
}

BootScreen BootScreen::Load(const std::filesystem::path& path, const DecodeLimits& limits)
{
    return BootScreen(LoadPictureFile(path, limits));
}

BootPalette BootScreen::PaletteOf(std::int64_t frame) const noexcept
{
    BootPalette p = palette_;
    if (first_ == 0)
        return p;
    const std::int64_t n = FrameCount();
    const std::int64_t k = (frame % n + n) % n;
    std::rotate(p.begin() + first_, p.begin() + first_ + k, p.end());
    return p;
}

std::int32_t BootScreen::FrameAt(std::int64_t elapsedMs, std::int32_t fps) const noexcept
{
    if (elapsedMs <= 0 || fps <= 0)
        return 0;
    // floor(elapsedMs * fps / 1000) without the product overflowing.
    const std::int64_t steps = elapsedMs / 1000 * fps + elapsedMs % 1000 * fps / 1000;
    return static_cast<std::int32_t>(steps % FrameCount());
}

} // namespace quillmere
