#include "creator/CreatorTexts.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace quillmere {

std::string CannotCreateText(std::string_view reason) { return "Cannot create the logo: " + std::string(reason); }

std::string SizeText(std::int32_t width, std::int32_t height, std::int32_t bpp)
{
    return std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bpp) + "b";
}

PathMessage CannotOpenMessage(std::string path, std::string_view reason)
{
    return {"Cannot open ", std::move(path), ": " + std::string(reason)};
}

PathMessage SavedMessage(std::string path) { return {"Saved - ", std::move(path), {}}; }

std::string OptionsTag(const ConversionOptions& options)
{
    const ConversionOptions defaults;
    std::vector<std::string> words;
    if (options.quality != defaults.quality)
        words.push_back(NameOf(options.quality));
    if (options.fit != defaults.fit)
        words.push_back(NameOf(options.fit));
    if (options.animation == LogoAnimationChoice::Band)
        words.push_back("band");
    else if (options.animation == LogoAnimationChoice::Keep)
        words.push_back("keep animation");
    if (options.border == BorderChoice::Edge) {
        words.push_back("edge border");
    } else if (options.border == BorderChoice::Colour) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%06x", static_cast<unsigned>(options.borderColour));
        words.push_back(options.borderColour == 0 ? std::string("black border") : colour + std::string(" border"));
    }
    std::string tag;
    for (const std::string& word : words)
        tag.append(tag.empty() ? "" : ", ").append(word);
    return tag;
}

} // namespace quillmere
