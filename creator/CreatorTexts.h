// What the Logo Creator's information strip says. Texts are UTF-8.
#pragma once

#include "creator/CreateLogo.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere {

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

// A few words for the strip naming the options that differ from the default
// ("best", "crop", "best, pad", "keep animation, black border"); empty for the
// defaults (a still logo counts as the default whether chosen or automatic).
std::string OptionsTag(const ConversionOptions& options);

} // namespace quillmere
