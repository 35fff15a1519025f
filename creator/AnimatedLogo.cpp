#include "creator/AnimatedLogo.h"

#include "creator/CreateLogo.h"
#include "imaging/Numeric.h"
#include "imaging/cDIB.h"
#include "imaging/decode/DecodedPicture.h"
#include "preview/BootScreen.h"

#include <cstring>

namespace quillmere {

std::optional<LogoAnimationChoice> LogoAnimationNamed(std::string_view name)
{
    for (const LogoAnimationChoice c : {LogoAnimationChoice::None, LogoAnimationChoice::Band, LogoAnimationChoice::Keep})
        if (name == NameOf(c))
            return c;
    return std::nullopt;
}

const char* NameOf(LogoAnimationChoice choice)
{
    switch (choice) {
    case LogoAnimationChoice::Band:
        return "band";
    case LogoAnimationChoice::Keep:
        return "keep";
    case LogoAnimationChoice::None:
        return "none";
    case LogoAnimationChoice::Automatic:
        break;
    }
    return "automatic";
}

std::shared_ptr<const AnimatedPart> AnimatedPartOf(const DecodedPicture& picture)
{
    const std::int32_t first = FirstAnimatedEntry(picture.ClrImportant);
    constexpr auto kPixels = static_cast<std::size_t>(kLogoWidth) * kLogoHeight;
    // At 8 bits a 320-pixel row needs no padding: the indices are the rows,
    // bottom row first.
    if (first == 0 || picture.BitsPerPixel != 8 || picture.Width != kLogoWidth || picture.Height != kLogoHeight ||
        picture.Indices.size() != kPixels || picture.ColorTable.size() != 256 * 4)
        return nullptr;
    auto part = std::make_shared<AnimatedPart>();
    part->first = first;
    part->indices.resize(kPixels);
    for (std::int32_t y = 0; y < kLogoHeight; ++y)
        std::memcpy(part->indices.data() + static_cast<std::size_t>(y) * kLogoWidth,
                    picture.Indices.data() + static_cast<std::size_t>(kLogoHeight - 1 - y) * kLogoWidth,
                    kLogoWidth);
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint8_t* e = &picture.ColorTable[i * 4];
        part->colours[i] = std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
    }
    return part;
}

std::vector<std::uint32_t> BandRamp(const std::vector<std::uint32_t>& keys, std::int32_t entries)
{
    const auto K = static_cast<std::int64_t>(keys.size());
    std::vector<std::uint32_t> ramp(static_cast<std::size_t>(entries));
    for (std::int32_t j = 0; j < entries; ++j) {
        const std::int64_t along = j * K; // in entries-ths of a key
        const std::int64_t from = along / entries;
        const std::int64_t part = along % entries;
        const std::uint32_t a = keys[static_cast<std::size_t>(from)];
        const std::uint32_t b = keys[static_cast<std::size_t>((from + 1) % K)];
        std::uint32_t colour = 0;
        for (const int shift : {16, 8, 0}) {
            const std::int64_t ca = a >> shift & 0xFF;
            const std::int64_t cb = b >> shift & 0xFF;
            colour |= static_cast<std::uint32_t>(divideRounded(ca * (entries - part) + cb * part, entries)) << shift;
        }
        ramp[static_cast<std::size_t>(j)] = colour;
    }
    return ramp;
}

std::uint32_t EdgeColour(const cDIB& DIB)
{
    const auto* words = reinterpret_cast<const std::uint32_t*>(DIB.DIBitsPtr());
    if (!words)
        return 0;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    std::int64_t sum[3] = {};
    std::int64_t count = 0;
    const auto add = [&](std::int32_t x, std::int32_t y) {
        const std::uint32_t c = words[static_cast<std::size_t>(y) * static_cast<std::size_t>(W) + static_cast<std::size_t>(x)];
        sum[0] += c >> 16 & 0xFF;
        sum[1] += c >> 8 & 0xFF;
        sum[2] += c & 0xFF;
        ++count;
    };
    for (std::int32_t x = 0; x < W; ++x) {
        add(x, 0);
        if (H > 1)
            add(x, H - 1);
    }
    for (std::int32_t y = 1; y + 1 < H; ++y) {
        add(0, y);
        if (W > 1)
            add(W - 1, y);
    }
    return static_cast<std::uint32_t>(divideRounded(sum[0], count) << 16 | divideRounded(sum[1], count) << 8 |
                                      divideRounded(sum[2], count));
}

} // namespace quillmere
