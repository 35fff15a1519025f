// The file-size text of the information strip and the command line.
#pragma once

#include <string>

namespace quillmere {

// A byte count as a short text with a unit, units stepping by 1024: below 1024
// the number as it is and " bytes" (0 bytes, 1 bytes, 1023 bytes); from there
// on two decimals and KB, MB, GB, TB, PB, EB, ZB, then YB for everything
// larger (1024 gives 1.00 KB, 129078 gives 126.05 KB). Each limit belongs to
// the larger unit; the decimals are rounded to nearest, halves to even.
std::string FormatFileSize(double bytes, char decimalSeparator = '.');

} // namespace quillmere
