#include "creator/SizeIt.h"

#include <charconv>

namespace quillmere {

namespace {

// to_chars, unlike printf, ignores the C locale (which Qt sets from the user's
// environment), so the separator is only ever the one the caller asks for.
// Correctly rounded, halves to even, like printf in the "C" locale.
std::string Digits(double value, std::chars_format form, int precision, char decimalSeparator)
{
    char text[400]; // the longest fixed form of any double with two decimals
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, form, precision);
    std::string s(text, ec == std::errc{} ? end : text);
    const auto point = s.find('.');
    if (point != std::string::npos)
        s[point] = decimalSeparator;
    return s;
}

} // namespace

std::string FormatFileSize(double bytes, char decimalSeparator)
{
    // The general number form: as many digits as the number needs, up to 15.
    if (bytes < 1024.0)
        return Digits(bytes, std::chars_format::general, 15, decimalSeparator) + " bytes";
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
    double unit = 1024.0; // 1024^(i + 1): exact in a double for every unit
    int i = 0;
    while (i < 7 && bytes >= unit * 1024.0) {
        unit *= 1024.0;
        ++i;
    }
    return Digits(bytes / unit, std::chars_format::fixed, 2, decimalSeparator) + " " + kUnits[i];
}

} // namespace quillmere
