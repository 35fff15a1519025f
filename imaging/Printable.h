// Names read from files and disks, made safe to print and to show.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Text safe to print: valid UTF-8 passes unchanged; a byte that is not part of
// valid UTF-8, and a control character, is shown as \xNN, so a file name that
// is not UTF-8 reads unambiguously and cannot disturb the terminal.
std::string Printable(std::string_view bytes);

} // namespace quillmere
