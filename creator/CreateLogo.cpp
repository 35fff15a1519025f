#include "creator/CreateLogo.h"

#include "imaging/Errors.h"
#include "imaging/NearestPixel.h"
#include "imaging/cDIB.h"
#include "pictureio/cDIBSave.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/LookupPalette.h"
#include "palette/cDIBPal.h"

#include <cstring>
#include <span>
#include <vector>

namespace quillmere {

namespace {
constexpr std::int32_t kThumbnailBox = 100;
constexpr std::int32_t kPaletteSize = 256;
constexpr std::int32_t kTreeLevels = 8;

// Crop and Pad: the plan's source rectangle of DIB scaled onto its target
// rectangle of a fresh 320 x 400 surface of the pad colour, which then
// replaces DIB's picture. Never makes a surface larger than the picture.
void FitOnto(cDIB& DIB, const FitPlan& plan, std::uint32_t padColour)
{
    cDIB fitted;
    // Create takes 0x00BBGGRR.
    const std::int32_t back = static_cast<std::int32_t>((padColour & 0xFFu) << 16 | (padColour & 0xFF00u) |
                                                        (padColour >> 16 & 0xFFu));
    if (!fitted.Create(kLogoWidth, kLogoHeight, back))
        throw Error("Cannot make a picture of 320 x 400 pixels");
    const std::vector<std::int32_t> columns = NearestSourceIndices(plan.source.w, plan.target.w);
    const std::vector<std::int32_t> rows = NearestSourceIndices(plan.source.h, plan.target.h);
    const auto* src = reinterpret_cast<const std::uint32_t*>(DIB.DIBitsPtr());
    auto* dst = reinterpret_cast<std::uint32_t*>(fitted.DIBitsPtr());
    const std::size_t W = static_cast<std::size_t>(DIB.Width());
    ProgressObserver* progress = DIB.progressObserver();
    for (std::int32_t y = 0; y < kLogoHeight; ++y) {
        const std::int32_t ty = y - plan.target.y;
        if (ty >= 0 && ty < plan.target.h) {
            const std::uint32_t* in =
                src + static_cast<std::size_t>(plan.source.y + rows[static_cast<std::size_t>(ty)]) * W +
                static_cast<std::size_t>(plan.source.x);
            std::uint32_t* out = dst + static_cast<std::size_t>(y) * kLogoWidth + plan.target.x;
            for (std::int32_t tx = 0; tx < plan.target.w; ++tx)
                out[tx] = in[columns[static_cast<std::size_t>(tx)]] & 0x00FFFFFFu;
        }
        if (progress)
            progress->Progress(y);
    }
    if (!DIB.Create(kLogoWidth, kLogoHeight))
        throw Error("Cannot make a picture of 320 x 400 pixels");
    std::memcpy(DIB.DIBitsPtr(), fitted.DIBitsPtr(), static_cast<std::size_t>(kLogoWidth) * kLogoHeight * 4);
    if (progress)
        progress->ProgressEnd();
}

// round(n / d) for positive numbers, halves up.
std::int64_t RoundedRatio(std::int64_t n, std::int64_t d) { return (2 * n + d) / (2 * d); }

std::int32_t Clamp(std::int64_t v, std::int32_t high)
{
    return static_cast<std::int32_t>(v < 1 ? 1 : v > high ? high : v);
}

// The palette comes from a small copy, never from the full picture: source
// fitted into 100 x 100.
void MakeThumbnail(const cDIB& source, cDIB& thumbnail)
{
    std::int32_t bfx, bfy, bfW, bfH;
    source.GetBestFitInfo(kThumbnailBox, kThumbnailBox, bfx, bfy, bfW, bfH);
    if (!thumbnail.Create(bfW, bfH, 0))
        throw Error("Cannot make the palette thumbnail of " + std::to_string(bfW) + " x " + std::to_string(bfH) +
                    " pixels");
    thumbnail.LoadDIBBlt(source);
}

// The picture's own n colours (1 to 256, 0xRRGGBB) as the quality makes them:
// Best from every pixel of source; Exact from its thumbnail through the colour
// tree, which needs room for 8 leaves, so fewer come by the median cut.
std::vector<std::uint32_t> PictureColours(const cDIB& source, std::int32_t n, LogoQuality quality)
{
    cDIBPal pal;
    if (quality == LogoQuality::Best) {
        pal.CreateBest(source, n);
    } else {
        cDIB thumbnail;
        MakeThumbnail(source, thumbnail);
        if (n >= 8)
            pal.CreateOptimal(thumbnail, n, kTreeLevels, 1.0f, 1.0f, 1.0f);
        else
            pal.CreateBest(thumbnail, n);
    }
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(n));
    const std::uint8_t* e = pal.PalettePtr();
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = std::uint32_t{e[i * 4 + 2]} << 16 | std::uint32_t{e[i * 4 + 1]} << 8 | e[i * 4];
    return colours;
}

// The band's default cycle: the palette colours nearest to the darkest and the
// brightest pixel of source (by 299 R + 587 G + 114 B), or black and white
// when they are one colour, so the band always moves.
std::vector<std::uint32_t> DarkestToBrightest(const cDIB& source, const std::vector<std::uint32_t>& palette)
{
    const auto* words = reinterpret_cast<const std::uint32_t*>(source.DIBitsPtr());
    const std::size_t pixels = static_cast<std::size_t>(source.Width()) * static_cast<std::size_t>(source.Height());
    const auto luma = [](std::uint32_t c) { return 299 * (c >> 16 & 0xFF) + 587 * (c >> 8 & 0xFF) + 114 * (c & 0xFF); };
    std::uint32_t darkest = words[0] & 0xFFFFFFu, brightest = darkest;
    std::uint32_t low = luma(darkest), high = low;
    for (std::size_t i = 1; i < pixels; ++i) {
        const std::uint32_t c = words[i] & 0xFFFFFFu;
        const std::uint32_t l = luma(c);
        if (l < low) {
            darkest = c;
            low = l;
        } else if (l > high) {
            brightest = c;
            high = l;
        }
    }
    std::vector<std::uint8_t> entries(palette.size() * 4, 0);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        entries[i * 4] = static_cast<std::uint8_t>(palette[i]);
        entries[i * 4 + 1] = static_cast<std::uint8_t>(palette[i] >> 8);
        entries[i * 4 + 2] = static_cast<std::uint8_t>(palette[i] >> 16);
    }
    const LookupPalette lookup(entries.data(), static_cast<std::int32_t>(palette.size()));
    const auto nearest = [&](std::uint32_t c) {
        return palette[static_cast<std::size_t>(lookup.NearestIndex(static_cast<std::uint8_t>(c >> 16),
                                                                    static_cast<std::uint8_t>(c >> 8),
                                                                    static_cast<std::uint8_t>(c)))];
    };
    const std::uint32_t from = nearest(darkest), to = nearest(brightest);
    if (from == to)
        return {0x000000u, 0xFFFFFFu};
    return {from, to};
}

void CheckBand(const BandOptions& band)
{
    if (band.height < 1 || band.height > kMaxBandHeight)
        throw Error("A band is 1 to " + std::to_string(kMaxBandHeight) + " rows high, not " +
                    std::to_string(band.height));
    if (band.entries < kMinAnimatedEntries || band.entries > kMaxAnimatedEntries)
        throw Error("A band animates " + std::to_string(kMinAnimatedEntries) + " to " +
                    std::to_string(kMaxAnimatedEntries) + " entries, not " + std::to_string(band.entries));
    if (!band.colours.empty() && (band.colours.size() < kMinBandColours || band.colours.size() > kMaxBandColours))
        throw Error("A band runs through " + std::to_string(kMinBandColours) + " to " +
                    std::to_string(kMaxBandColours) + " colours, not " + std::to_string(band.colours.size()));
}

// The reduction of a logo with a band, a kept part or a border colour: see
// CreateLogo. Returns the animation byte.
std::uint8_t ReduceAnimated(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, const ConversionOptions& options,
                            LogoAnimationChoice animation, CreateLogoSteps* steps)
{
    const bool band = animation == LogoAnimationChoice::Band;
    const bool keep = animation == LogoAnimationChoice::Keep;
    const std::int32_t first = band ? 256 - options.band.entries : keep ? options.kept->first : 256;
    std::vector<std::uint32_t> colours;
    if (options.border == BorderChoice::Edge)
        colours.push_back(EdgeColour(DIB));
    else if (options.border == BorderChoice::Colour)
        colours.push_back(options.borderColour & 0xFFFFFFu);
    const std::int32_t own = first - static_cast<std::int32_t>(colours.size());

    // A band covers the bottom rows, so the palette serves the rows above it.
    cDIB above;
    const std::int32_t pictureRows = kLogoHeight - (band ? options.band.height : 0);
    if (band) {
        if (!above.Create(kLogoWidth, pictureRows))
            throw Error("Cannot make a picture of 320 x " + std::to_string(pictureRows) + " pixels");
        std::memcpy(above.DIBitsPtr(), DIB.DIBitsPtr(), static_cast<std::size_t>(kLogoWidth) * pictureRows * 4);
    }
    const cDIB& source = band ? above : DIB;
    if (steps)
        steps->BuildingPalette(true);
    const std::vector<std::uint32_t> picture =
        own > 0 ? PictureColours(source, own, options.quality) : std::vector<std::uint32_t>();
    if (steps)
        steps->BuildingPalette(false);
    colours.insert(colours.end(), picture.begin(), picture.end());

    std::vector<std::uint8_t> bandIndices;
    std::span<const std::uint8_t> fixed; // the pixels of the animated entries, by index
    if (band) {
        const std::vector<std::uint32_t> ramp =
            BandRamp(options.band.colours.empty() ? DarkestToBrightest(source, picture) : options.band.colours,
                     options.band.entries);
        colours.insert(colours.end(), ramp.begin(), ramp.end());
        bandIndices.assign(static_cast<std::size_t>(kLogoWidth) * kLogoHeight, 0);
        for (std::int32_t y = pictureRows; y < kLogoHeight; ++y)
            for (std::int32_t x = 0; x < kLogoWidth; ++x)
                bandIndices[static_cast<std::size_t>(y) * kLogoWidth + static_cast<std::size_t>(x)] =
                    BandIndex(first, options.band.entries, x, kLogoWidth);
        fixed = bandIndices;
    } else if (keep) {
        colours.insert(colours.end(), options.kept->colours.begin() + first, options.kept->colours.end());
        fixed = options.kept->indices;
    }
    Pal.CreateFromColours(colours);

    if (fixed.empty()) {
        if (options.quality == LogoQuality::Best)
            Dither.DitherToBestPalette(DIB, Pal);
        else
            Dither.DitherToColorPalette(DIB, Pal, true);
        return 0;
    }
    const ReservedEntries reserved{first, fixed};
    if (options.quality == LogoQuality::Best)
        Dither.DitherToBestPalette(DIB, Pal, reserved);
    else
        Dither.DitherToColorPalette(DIB, Pal, true, reserved);
    return static_cast<std::uint8_t>(first);
}

} // namespace

LogoAnimationChoice ResolveAnimation(const ConversionOptions& options)
{
    const bool stretched = options.fit == LogoFit::Stretch;
    switch (options.animation) {
    case LogoAnimationChoice::Automatic:
        if (options.kept && !stretched)
            throw OptionConflict("it is an animated logo, and cropping or padding it would move the pixels that "
                                 "animate: choose no animation to let the animation go, or stretch it");
        return options.kept ? LogoAnimationChoice::Keep : LogoAnimationChoice::None;
    case LogoAnimationChoice::Keep:
        if (!options.kept)
            throw OptionConflict("it is not an animated 8-bit 320 x 400 logo, so there is no animation to keep");
        if (!stretched)
            throw OptionConflict("an animation is kept only when the logo is stretched, as cropping or padding "
                                 "would move the pixels that animate");
        return LogoAnimationChoice::Keep;
    case LogoAnimationChoice::None:
    case LogoAnimationChoice::Band:
        break;
    }
    return options.animation;
}

std::optional<LogoQuality> LogoQualityNamed(std::string_view name)
{
    for (const LogoQuality q : {LogoQuality::Exact, LogoQuality::Best})
        if (name == NameOf(q))
            return q;
    return std::nullopt;
}

std::optional<LogoFit> LogoFitNamed(std::string_view name)
{
    for (const LogoFit f : {LogoFit::Stretch, LogoFit::Crop, LogoFit::Pad})
        if (name == NameOf(f))
            return f;
    return std::nullopt;
}

const char* NameOf(LogoQuality quality)
{
    return quality == LogoQuality::Best ? "best" : "exact";
}

const char* NameOf(LogoFit fit)
{
    switch (fit) {
    case LogoFit::Crop:
        return "crop";
    case LogoFit::Pad:
        return "pad";
    case LogoFit::Stretch:
        break;
    }
    return "stretch";
}

std::optional<std::uint32_t> ColourFromHex(std::string_view rrggbb)
{
    if (rrggbb.size() != 6 || rrggbb.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        return std::nullopt;
    std::uint32_t colour = 0;
    for (const char c : rrggbb) {
        const std::uint32_t digit = c <= '9' ? static_cast<std::uint32_t>(c - '0')
                                             : static_cast<std::uint32_t>((c | 0x20) - 'a' + 10);
        colour = colour << 4 | digit;
    }
    return colour;
}

FitPlan PlanFit(std::int32_t W, std::int32_t H, LogoFit fit)
{
    const FitRect whole{0, 0, W, H};
    const FitRect logo{0, 0, kLogoWidth, kLogoHeight};
    const std::int64_t wide = std::int64_t{W} * 3; // compared with 4:3 as W * 3 against H * 4
    const std::int64_t tall = std::int64_t{H} * 4;
    if (fit == LogoFit::Stretch || wide == tall)
        return {whole, logo};
    if (fit == LogoFit::Crop) {
        if (wide > tall) {
            const std::int32_t w = Clamp(RoundedRatio(tall, 3), W);
            return {{(W - w) / 2, 0, w, H}, logo};
        }
        const std::int32_t h = Clamp(RoundedRatio(wide, 4), H);
        return {{0, (H - h) / 2, W, h}, logo};
    }
    // On a 4:3 screen the 320 x 400 logo is shown at 4:3, so a picture of
    // shape W:H covers 3W / 4H of the width, or 4H / 3W of the height.
    if (wide > tall) {
        const std::int32_t h = Clamp(RoundedRatio(std::int64_t{kLogoHeight} * tall, wide), kLogoHeight);
        return {whole, {0, (kLogoHeight - h) / 2, kLogoWidth, h}};
    }
    const std::int32_t w = Clamp(RoundedRatio(std::int64_t{kLogoWidth} * wide, tall), kLogoWidth);
    return {whole, {(kLogoWidth - w) / 2, 0, w, kLogoHeight}};
}

std::uint8_t CreateLogo(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, CreateLogoSteps* steps)
{
    return CreateLogo(DIB, Pal, Dither, ConversionOptions{}, steps).bpp;
}

CreatedLogo CreateLogo(cDIB& DIB, cDIBPal& Pal, cDIBDither& Dither, const ConversionOptions& options,
                       CreateLogoSteps* steps)
{
    if (!DIB.hDIB())
        return {};
    const LogoAnimationChoice animation = ResolveAnimation(options);
    if (animation == LogoAnimationChoice::Band)
        CheckBand(options.band);
    if (steps)
        steps->Resizing();
    if (options.fit == LogoFit::Stretch) {
        // Nearest-pixel and stretched: the aspect ratio is not kept.
        DIB.Resize(kLogoWidth, kLogoHeight);
    } else {
        FitOnto(DIB, PlanFit(DIB.Width(), DIB.Height(), options.fit), options.padColour);
    }
    if (steps) {
        steps->Resized();
        steps->Converting();
    }

    if (animation != LogoAnimationChoice::None || options.border != BorderChoice::Palette)
        return {8, ReduceAnimated(DIB, Pal, Dither, options, animation, steps)};

    if (options.quality == LogoQuality::Best) {
        if (steps)
            steps->BuildingPalette(true);
        Pal.CreateBest(DIB);
        if (steps)
            steps->BuildingPalette(false);
        Dither.DitherToBestPalette(DIB, Pal);
        return {8, 0};
    }

    cDIB thumbnail;
    MakeThumbnail(DIB, thumbnail);
    if (steps)
        steps->BuildingPalette(true);
    Pal.CreateOptimal(thumbnail, kPaletteSize, kTreeLevels, 1.0f, 1.0f, 1.0f);
    if (steps)
        steps->BuildingPalette(false);

    Dither.DitherToColorPalette(DIB, Pal, true);
    return {8, 0};
}

void SaveLogo(const std::filesystem::path& path, const cDIB& DIB, const cDIBPal& Pal, const cDIBDither& Dither,
              std::uint8_t bpp, std::uint8_t firstAnimated)
{
    cDIBSave::Save_BMP(path.string(), DIB, Pal, Dither, bpp, firstAnimated);
}

void ConvertPictureFile(const std::filesystem::path& input, const std::filesystem::path& output,
                        CreateLogoSteps* steps, ProgressObserver* resizeProgress, ProgressObserver* reduceProgress,
                        const DecodeLimits& limits, const ConversionOptions& options)
{
    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;
    ConversionOptions chosen = options;
    {
        // Stretched, the resize keeps only some rows and columns: a photo can
        // be scaled as it is decoded, so the whole of it is never held.
        DecodedPicture picture = options.fit == LogoFit::Stretch
                                     ? LoadPictureFileScaled(input, {kLogoWidth, kLogoHeight}, limits)
                                     : LoadPictureFile(input, limits);
        chosen.kept = AnimatedPartOf(picture);
        if (dib.CreateFromStdPicture(&picture, pal, dither) == 0)
            throw FileError(input.string(), "the picture is empty");
    } // the decoded picture's leftovers go before the conversion starts
    try {
        ResolveAnimation(chosen);
    } catch (const OptionConflict& e) {
        throw OptionConflict(input.string() + ": " + e.what());
    }
    dib.SetProgressObserver(resizeProgress);
    dither.SetProgressObserver(reduceProgress);
    const CreatedLogo logo = CreateLogo(dib, pal, dither, chosen, steps);
    SaveLogo(output, dib, pal, dither, logo.bpp, logo.firstAnimated);
}

} // namespace quillmere
