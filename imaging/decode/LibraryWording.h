// The picture libraries' own words for a file they refuse, put plainly for the
// message that names the file: "Premature end of JPEG file" reads "the JPEG
// file ends early", "Data is not in GIF format" reads "not a GIF file". A
// failure without plain words keeps the library's, as "damaged JPEG file
// (...)", so nothing it says is lost.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// A reader's own wording rather than one of libjpeg's messages.
inline constexpr int kOwnJpegMessage = -1;

// For libjpeg's message code and the text it formatted for it.
std::string JpegFailureReason(int messageCode, std::string_view libraryText);

// For giflib's error code (D_GIF_ERR_...).
std::string GifFailureReason(int errorCode);

} // namespace quillmere
