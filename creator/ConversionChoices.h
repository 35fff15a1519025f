// How "Create Logo" converts, as the user last chose: quality, fit, animation
// and border. Each choice is kept in settings under "Quality", "Fit",
// "Animation" or "Border", by the command line's names ("exact", "best";
// "stretch", "crop", "pad"; "none", "band") and "palette", "edge", "black" for
// the border. With nothing stored the conversion is the exact, stretched,
// still one with the palette's own entry 0. Keeping an animation belongs to
// the picture on the canvas: offered only for an animated logo, never stored.
#pragma once

#include "creator/CreateLogo.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The stored value under key; empty for none.
using StoredValue = std::function<std::string(std::string_view key)>;

// A value to keep under a key.
struct StoredChoice {
    std::string_view key;
    std::string_view value;
    friend bool operator==(const StoredChoice&, const StoredChoice&) = default;
};

// The stored options; a missing or unknown value is the default. A padded logo
// is padded with black. The animation is None or Band, never Automatic or Keep
// (a stored "keep" would name the animation of a picture long gone).
ConversionOptions StoredOptions(const StoredValue& read);

class ConversionChoices {
public:
    // Starts from the stored choices; read is asked again when a kept
    // animation goes.
    explicit ConversionChoices(StoredValue read);

    LogoQuality Quality() const noexcept { return chosen_.quality; }
    LogoFit Fit() const noexcept { return chosen_.fit; }
    // None, Band or Keep.
    LogoAnimationChoice Animation() const noexcept { return chosen_.animation; }
    BorderChoice Border() const noexcept { return chosen_.border; }

    // A choice made: what to store at once. Keep stores nothing, and is no
    // choice at all while it is not offered; Automatic is no choice.
    std::optional<StoredChoice> Choose(LogoQuality quality);
    std::optional<StoredChoice> Choose(LogoFit fit);
    std::optional<StoredChoice> Choose(LogoAnimationChoice animation);
    std::optional<StoredChoice> Choose(BorderChoice border);

    // The animated part of the picture now on the canvas, or null. With one,
    // Keep is offered and chosen; without, a chosen Keep gives way to the
    // stored animation choice.
    void AnimatedPicture(std::shared_ptr<const AnimatedPart> part);
    bool KeepOffered() const noexcept { return animated_ != nullptr; }

    // What the choices say; with Keep, kept is the picture's animated part.
    ConversionOptions Options() const;

private:
    StoredValue read_;
    ConversionOptions chosen_;
    std::shared_ptr<const AnimatedPart> animated_;
};

} // namespace quillmere
