#include "Printable.h"

#include <cstdio>

namespace quillmere {

std::string Printable(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto escape = [&out](unsigned char c) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                escape(c);
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        // The length of a well-formed sequence and the range of its second byte
        // (no overlong forms, no surrogates, nothing past U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length > 0 && i + length <= n && p[i + 1] >= low && p[i + 1] <= high;
        for (std::size_t k = 2; valid && k < length; ++k)
            valid = p[i + k] >= 0x80 && p[i + k] <= 0xBF;
        // C1 control characters (U+0080 to U+009F) are escaped like C0 ones.
        if (valid && !(c == 0xC2 && p[i + 1] <= 0x9F)) {
            out.append(bytes.substr(i, length));
            i += length;
        } else if (valid) {
            escape(p[i]);
            escape(p[i + 1]);
            i += 2;
        } else {
            escape(c);
            ++i;
        }
    }
    return out;
}

} // namespace quillmere
