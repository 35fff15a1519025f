#include "creator/CreatorTexts.h"

#include <cstdio>
#include <utility>

namespace quillmere {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6"; // U+2026

// Where each character of text begins, then its end: a path is cut between
// characters, never inside one.
std::vector<std::size_t> CharacterStarts(std::string_view text)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i == 0 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    starts.push_back(text.size());
    return starts;
}

std::string Joined(const std::vector<TagWord>& words, std::size_t count, std::string TagWord::*which)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text.append(i ? ", " : "").append(words[i].*which);
    return text;
}

} // namespace

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

std::string FitPathMessage(const PathMessage& message, const TextWidth& width, int room)
{
    std::string whole = message.Whole();
    if (width(whole) <= room)
        return whole;
    const std::string_view path = message.path;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash == 0)
        return whole; // no folder to leave out
    const std::string_view folders = path.substr(0, slash);
    const std::string_view name = path.substr(slash); // with its '/'
    const std::vector<std::size_t> starts = CharacterStarts(folders);
    const std::size_t count = starts.size() - 1;
    // keep characters of the folders: half from their start, half from their end.
    const auto shortened = [&](std::size_t keep) {
        const std::size_t head = (keep + 1) / 2, tail = keep / 2;
        std::string text = message.prefix;
        text.append(folders.substr(0, starts[head])).append(kEllipsis).append(folders.substr(starts[count - tail]));
        return text.append(name).append(message.suffix);
    };
    // The text widens with every character kept: the most that fit.
    std::size_t low = 0, high = count - 1;
    if (width(shortened(low)) > room)
        return shortened(low);
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (width(shortened(middle)) <= room)
            low = middle;
        else
            high = middle - 1;
    }
    return shortened(low);
}

void FittedPathMessage::Show(PathMessage message)
{
    message_ = std::move(message);
    shown_.reset();
}

void FittedPathMessage::Forget() noexcept
{
    message_.reset();
    shown_.reset();
}

std::optional<std::string> FittedPathMessage::Fit(std::string_view fieldText, const TextWidth& width, int room)
{
    if (!message_ || (shown_ && fieldText != *shown_)) {
        Forget();
        return std::nullopt;
    }
    shown_ = FitPathMessage(*message_, width, room);
    return shown_;
}

std::vector<TagWord> OptionsTagWords(const ConversionOptions& options)
{
    const ConversionOptions defaults;
    std::vector<TagWord> words;
    if (options.quality != defaults.quality)
        words.push_back({NameOf(options.quality), NameOf(options.quality)});
    if (options.fit != defaults.fit)
        words.push_back({NameOf(options.fit), NameOf(options.fit)});
    if (options.animation == LogoAnimationChoice::Band)
        words.push_back({"band", "band"});
    else if (options.animation == LogoAnimationChoice::Keep)
        words.push_back({"keep animation", "kept"});
    if (options.border == BorderChoice::Edge) {
        words.push_back({"edge border", "edge"});
    } else if (options.border == BorderChoice::Colour) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%06x", static_cast<unsigned>(options.borderColour));
        words.push_back(options.borderColour == 0 ? TagWord{"black border", "black"}
                                                  : TagWord{std::string(colour) + " border", colour});
    }
    return words;
}

std::string OptionsTag(const ConversionOptions& options)
{
    const std::vector<TagWord> words = OptionsTagWords(options);
    return Joined(words, words.size(), &TagWord::whole);
}

std::string FitOptionsTag(const ConversionOptions& options, const TextWidth& width, int room)
{
    const std::vector<TagWord> words = OptionsTagWords(options);
    if (words.empty())
        return {};
    for (std::string TagWord::*which : {&TagWord::whole, &TagWord::brief})
        if (std::string text = Joined(words, words.size(), which); width(text) <= room)
            return text;
    // The rest is in the field's tooltip.
    for (std::size_t count = words.size() - 1; count > 0; --count)
        if (std::string text = Joined(words, count, &TagWord::brief).append(", ").append(kEllipsis);
            width(text) <= room)
            return text;
    return std::string(kEllipsis);
}

} // namespace quillmere
