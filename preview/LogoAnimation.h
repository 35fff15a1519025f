// The animation byte of a logo: biClrImportant (offset 50 of the file). At
// start-up the computer rotates the palette entries from that number up to 255,
// so every pixel painted with them moves; 0 keeps the logo still.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quillmere {

struct LogoAnimation {
    std::int32_t first = 0;    // the first entry that rotates (1 to 255); 0: still
    std::uint64_t pixels = 0;  // pixels whose index is first or more; 0 when still
};

// Reads logo, an 8-bit uncompressed 320 x 400 bitmap, and, when first is given
// (0 for still, else 1 to 255), sets its animation byte to it, changing nothing
// else, through a durable replace. Returns the animation the file has then.
// Throws FileError naming logo: why it is not an 8-bit logo, or why it cannot
// be read or replaced (a read-only file, or one with other names (hard links),
// is refused and left as it is; so is a file another was put in place of
// between the read and the replace). The owner, group, mode and extended
// attributes stay as they were (ReplaceReadFile).
LogoAnimation AnimateLogo(const std::filesystem::path& logo, std::optional<std::int32_t> first);

// For the user: "entries 236 to 255 rotate; 6400 pixels use them", "entry 255
// rotates; 1 pixel uses it", "entries 236 to 255 rotate, but no pixel uses them,
// so nothing moves", "the logo is still: no entry rotates".
std::string DescribeAnimation(const LogoAnimation& animation);

} // namespace quillmere
