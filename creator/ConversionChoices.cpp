#include "creator/ConversionChoices.h"

#include <utility>

namespace quillmere {

namespace {

constexpr std::string_view kQualityKey = "Quality";
constexpr std::string_view kFitKey = "Fit";
constexpr std::string_view kAnimationKey = "Animation";
constexpr std::string_view kBorderKey = "Border";

// By BorderChoice; black is the one border colour offered.
constexpr std::string_view kBorderNames[] = {"palette", "edge", "black"};

} // namespace

ConversionOptions StoredOptions(const StoredValue& read)
{
    ConversionOptions options;
    options.quality = LogoQualityNamed(read(kQualityKey)).value_or(options.quality);
    options.fit = LogoFitNamed(read(kFitKey)).value_or(options.fit);
    const auto animation = LogoAnimationNamed(read(kAnimationKey));
    options.animation = animation == LogoAnimationChoice::Band ? LogoAnimationChoice::Band : LogoAnimationChoice::None;
    const std::string border = read(kBorderKey);
    for (int i = 0; i < 3; ++i)
        if (border == kBorderNames[i])
            options.border = static_cast<BorderChoice>(i);
    return options;
}

ConversionChoices::ConversionChoices(StoredValue read) : read_(std::move(read)), chosen_(StoredOptions(read_)) {}

std::optional<StoredChoice> ConversionChoices::Choose(LogoQuality quality)
{
    chosen_.quality = quality;
    return StoredChoice{kQualityKey, NameOf(quality)};
}

std::optional<StoredChoice> ConversionChoices::Choose(LogoFit fit)
{
    chosen_.fit = fit;
    return StoredChoice{kFitKey, NameOf(fit)};
}

std::optional<StoredChoice> ConversionChoices::Choose(LogoAnimationChoice animation)
{
    switch (animation) {
    case LogoAnimationChoice::None:
    case LogoAnimationChoice::Band:
        chosen_.animation = animation;
        return StoredChoice{kAnimationKey, NameOf(animation)};
    case LogoAnimationChoice::Keep:
        if (KeepOffered())
            chosen_.animation = animation;
        return std::nullopt;
    case LogoAnimationChoice::Automatic:
        break;
    }
    return std::nullopt;
}

std::optional<StoredChoice> ConversionChoices::Choose(BorderChoice border)
{
    chosen_.border = border;
    return StoredChoice{kBorderKey, kBorderNames[static_cast<int>(border)]};
}

void ConversionChoices::AnimatedPicture(std::shared_ptr<const AnimatedPart> part)
{
    animated_ = std::move(part);
    if (animated_)
        chosen_.animation = LogoAnimationChoice::Keep;
    else if (chosen_.animation == LogoAnimationChoice::Keep)
        chosen_.animation = StoredOptions(read_).animation;
}

ConversionOptions ConversionChoices::Options() const
{
    ConversionOptions options;
    options.quality = chosen_.quality;
    options.fit = chosen_.fit;
    options.animation = chosen_.animation;
    if (options.animation == LogoAnimationChoice::Keep)
        options.kept = animated_;
    options.border = chosen_.border;
    return options;
}

} // namespace quillmere
