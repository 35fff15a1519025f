// What the Logo Creator's information strip says, and how a long text gives
// way to the width of its field: the words of a message always whole, only
// what can be left out (a path's folders, the long names of the conversion
// choices) shortened. Texts are UTF-8; the window measures them in its font.
#pragma once

#include "creator/CreateLogo.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// The width in pixels of a text as the strip draws it.
using TextWidth = std::function<int(std::string_view)>;

// The steps of "Create Logo" in the first field.
inline constexpr std::string_view kResizingText = "Resizing...";
inline constexpr std::string_view kConvertingText = "Converting...";
inline constexpr std::string_view kCreatedText = "Processing Complete - Click \"Save Logo\"";
std::string CannotCreateText(std::string_view reason);

// "640x480x24b": the picture's size and depth, for the second field.
std::string SizeText(std::int32_t width, std::int32_t height, std::int32_t bpp);

// A message about a file: prefix, the file's path as shown, suffix.
struct PathMessage {
    std::string prefix, path, suffix;
    std::string Whole() const { return prefix + path + suffix; }
    friend bool operator==(const PathMessage&, const PathMessage&) = default;
};
PathMessage CannotOpenMessage(std::string path, std::string_view reason);
PathMessage SavedMessage(std::string path);

// The message as it fits room pixels: whole when it fits; else with the
// folders of the path shortened in their middle (an ellipsis for what is left
// out) as little as it takes. The prefix, the suffix and the file's name
// (after the last '/') are never shortened: when they alone are too wide,
// every folder goes but for "…/", and the field cuts what does not fit.
std::string FitPathMessage(const PathMessage& message, const TextWidth& width, int room);

// A message about a file in the first field, fitted again to every new width
// for as long as the field shows it.
class FittedPathMessage {
public:
    void Show(PathMessage message);
    void Forget() noexcept;
    // What the field is to show at room: nothing when there is no message, or
    // when the field now shows another text than the message as last fitted
    // (the message is then forgotten).
    std::optional<std::string> Fit(std::string_view fieldText, const TextWidth& width, int room);
    std::string Whole() const { return message_ ? message_->Whole() : std::string(); }

private:
    std::optional<PathMessage> message_;
    std::optional<std::string> shown_;
};

// The conversion choices that differ from the default, each as a whole word
// or two for a tooltip and a short one for a narrow field: ("best", "best"),
// ("crop", "crop"), ("keep animation", "kept"), ("black border", "black").
// None for the defaults (a still logo counts as the default whether chosen
// or automatic).
struct TagWord {
    std::string whole, brief;
};
std::vector<TagWord> OptionsTagWords(const ConversionOptions& options);
// The whole words, joined by ", "; empty for the defaults.
std::string OptionsTag(const ConversionOptions& options);
// What of the tag fits room: the whole words; else the short ones; else as
// many short ones as fit, then ", …"; at the least "…".
std::string FitOptionsTag(const ConversionOptions& options, const TextWidth& width, int room);

} // namespace quillmere
