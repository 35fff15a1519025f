#include "creator/SizeIt.h"

#include <cstdio>

namespace quillmere {

std::string FormatFileSize(double bytes, char decimalSeparator)
{
    char text[64];
    auto withSeparator = [&] {
        std::string s = text;
        const auto point = s.find('.');
        if (point != std::string::npos)
            s[point] = decimalSeparator;
        return s;
    };
    if (bytes < 1024.0) {
        // The general number form: as many digits as the number needs, up to 15.
        std::snprintf(text, sizeof text, "%.15g bytes", bytes);
        return withSeparator();
    }
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
    double unit = 1024.0; // 1024^(i + 1): exact in a double for every unit
    int i = 0;
    while (i < 7 && bytes >= unit * 1024.0) {
        unit *= 1024.0;
        ++i;
    }
    // printf rounds the exact binary value, halves to even.
    std::snprintf(text, sizeof text, "%.2f %s", bytes / unit, kUnits[i]);
    return withSeparator();
}

} // namespace quillmere
